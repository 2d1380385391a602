#include "engine/ValueText.h"

#include <cstdio>

#include "platform/Registry.h"
#include "platform/Text.h"

namespace engine {

std::string TrimAtNull(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

std::string StringDataToText(const std::vector<std::uint8_t>& data) {
    // The registry holds them as UTF-16. The text ends at the first NUL.
    const std::size_t units = data.size() / 2;
    std::size_t end = 0;
    while (end < units && (data[2 * end] | data[2 * end + 1]) != 0) ++end;
    return platform::Utf16BytesToUtf8(data.data(), end * 2);
}

std::string ValueDataToText(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    switch (type) {
    case platform::kRegSz:
    case platform::kRegMultiSz:
        return StringDataToText(data);  // of a multi-string only the first string
    case platform::kRegBinary: {
        static const char digits[] = "0123456789ABCDEF";
        if (data.empty()) return {};
        std::string text(data.size() * 3 - 1, ' ');  // two digits a byte, a blank between
        for (std::size_t i = 0; i < data.size(); ++i) {
            text[3 * i] = digits[data[i] >> 4];
            text[3 * i + 1] = digits[data[i] & 15];
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
