#include "platform/Text.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point from UTF-8 at `at`, advancing it; a malformed sequence
// gives the replacement character for its first byte. Encoded surrogates are
// accepted, as they stand for lone surrogates of registry text.
char32_t Decode(std::string_view s, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0, min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) extra = 1, cp = lead & 0x1F, min = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) extra = 2, cp = lead & 0x0F, min = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) extra = 3, cp = lead & 0x07, min = 0x10000;
    else {
        ++at;
        return kReplacement;
    }
    if (at + extra >= s.size()) {
        ++at;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return kReplacement;
        }
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF) {
        ++at;
        return kReplacement;
    }
    at += extra + 1;
    return cp;
}

void Encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

template <typename Unit>
void FromUnits(std::size_t count, Unit unit, std::string& out) {
    out.clear();
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t u = unit(i);
        if (IsHigh(u) && i + 1 < count && IsLow(unit(i + 1))) {
            Encode(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(unit(i + 1)) - 0xDC00), out);
            ++i;
        } else {
            Encode(u, out);  // a lone surrogate keeps its own three bytes
        }
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t cp = Decode(utf8, at);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    Utf16ToUtf8(utf16, out);
    return out;
}

void Utf16ToUtf8(std::u16string_view utf16, std::string& out) {
    FromUnits(utf16.size(), [&](std::size_t i) { return utf16[i]; }, out);
}

std::string Utf16BytesToUtf8(const std::uint8_t* bytes, std::size_t size) {
    std::string out;
    FromUnits(size / 2, [&](std::size_t i) { return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)); }, out);
    return out;
}

std::vector<std::uint8_t> Utf8ToUtf16Bytes(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

std::size_t Utf16Length(std::string_view utf8) { return Utf8ToUtf16(utf8).size(); }

}  // namespace platform
