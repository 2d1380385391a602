#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// The text a value's data is shown and searched as, by the value's type.
std::string ValueDataToText(std::uint32_t type, const std::vector<std::uint8_t>& data);

// The text of string data (UTF-16 in the registry) up to its first NUL: how
// a string, the first string of a multi-string, and an expandable string
// read as stored, with its variables, are shown.
std::string StringDataToText(const std::vector<std::uint8_t>& data);

// The part of a text before its first NUL; the whole text when it has none.
std::string TrimAtNull(const std::string& text);

}  // namespace engine
