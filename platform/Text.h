#pragma once
// The program's text is exact Unicode: UTF-8 in std::string, everywhere
// inside. Every ASCII byte is its own character in UTF-8, so the rules that
// look at ASCII (the drive, extensions, cut characters, upper-casing of ASCII
// letters) work byte by byte without touching any other character. Text
// becomes UTF-16 only at the system's boundary (the wide Win32 functions and
// the registry's string data), and the system code page only inside the two
// files that need it (the backup file and the profile).
//
// Registry names and data may hold UTF-16 that is not well formed (a lone
// surrogate). Such a unit is kept as its own three-byte sequence, so that a
// name read from the registry converts back to exactly the same units and
// the program can still find, back up and remove it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// The same into a string kept between calls (its buffer is used again).
void Utf16ToUtf8(std::u16string_view utf16, std::string& out);

// Registry string data: UTF-16 in little-endian bytes (a last odd byte is
// not part of any character and is left out).
std::string Utf16BytesToUtf8(const std::uint8_t* bytes, std::size_t size);
std::vector<std::uint8_t> Utf8ToUtf16Bytes(std::string_view utf8);

// Characters of UTF-16 a UTF-8 text takes.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace platform
