#pragma once
// One row of the results list, and the parts of the registry value behind
// it, kept separately so that nothing is ever parsed back out of the texts.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Categories.h"
#include "platform/Registry.h"

namespace engine {

struct Finding {
    // The four texts of the row.
    std::string errorType;  // "KEY_NAME", "VALUE NAME" or "VALUE VALUE"
    std::string rootName;
    std::string keyText;    // key path, a backslash, value name
    std::string valueText;
    // The value as it was enumerated.
    platform::RegHandle root = 0;
    std::string keyPath;
    std::string valueName;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    // Where the value is, as the home page's boxes choose; shown only.
    Category category = Category::FilesAndFolders;
};

// The error type text of a match kind.
const char* ErrorTypeText(std::int32_t lFound);

}  // namespace engine
