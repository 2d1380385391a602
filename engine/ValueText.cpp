#include "engine/ValueText.h"

#include <cstdio>

#include "platform/Registry.h"
#include "platform/Text.h"

namespace engine {

std::string TrimAtNull(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

std::string ValueDataToText(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    switch (type) {
    case platform::kRegSz:
    case platform::kRegMultiSz:
        // The registry holds them as UTF-16. Of a multi-string only the first
        // string is shown.
        return TrimAtNull(platform::Utf16BytesToUtf8(data.data(), data.size()));
    case platform::kRegBinary: {
        static const char digits[] = "0123456789ABCDEF";
        std::string text;
        text.reserve(data.size() * 3);
        for (std::uint8_t byte : data) {
            if (!text.empty()) text += ' ';
            text += digits[byte >> 4];
            text += digits[byte & 15];
        }
        return text;
    }
    case platform::kRegDword: {
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < 4 && i < data.size(); ++i) bits |= std::uint32_t(data[i]) << (8 * i);
        char text[32];
        std::snprintf(text, sizeof text, "0x%08X(%d)", bits, static_cast<std::int32_t>(bits));
        return text;
    }
    default:
        return "Temporarily unsupported";
    }
}

}  // namespace engine
