#pragma once
// The one crossing between the program's UTF-8 text and the UTF-16 of the
// wide Win32 functions.
#include <string>
#include <string_view>

#include "platform/Text.h"

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

inline std::wstring Wide(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

inline std::string Utf8(const wchar_t* text, std::size_t length) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// The same into a string kept by the caller, whose buffer serves again (the
// registry's enumeration converts a name for every key and value it walks).
inline void Utf8(const wchar_t* text, std::size_t length, std::string& out) {
    Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length), out);
}

inline std::string Utf8(const std::wstring& text) { return Utf8(text.data(), text.size()); }
inline std::string Utf8(const wchar_t* text) { return Utf8(std::wstring(text)); }

}  // namespace platform::win32
