#include "engine/Finding.h"

namespace engine {

namespace {

bool Gone(Outcome outcome) { return outcome == Outcome::Repaired || outcome == Outcome::AlreadyGone; }

}  // namespace

std::string Finding::Text(int column) const {
    switch (column) {
    case 0: return Gone(outcome) ? "Repaired" : errorType;
    case 1: return rootName;
    case 2: return keyText;
    case 3: return valueText;
    case 4: return missingFile;
    case 5: return CategoryCaption(category);
    default: return {};
    }
}

std::optional<platform::Colour> Finding::TextColour() const {
    if (Gone(outcome)) return platform::Rgb(255, 0, 0);
    if (outcome == Outcome::Unticked) return platform::Rgb(0, 0, 255);
    return std::nullopt;
}

const char* ErrorTypeText(std::int32_t lFound) {
    switch (lFound) {
    case 0: return "KEY_NAME";
    case 1: return "VALUE NAME";
    default: return "VALUE VALUE";
    }
}

}  // namespace engine
