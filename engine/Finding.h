#pragma once
// One finding of a scan: what its row of the results list shows, whether the
// user wants it repaired, what the repair did with it, and the parts of the
// registry value behind it, kept separately so that nothing is ever parsed
// back out of the texts.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/Categories.h"
#include "engine/RootKeys.h"
#include "platform/Registry.h"
#include "platform/Ui.h"

namespace engine {

// What the latest repair did with a finding.
enum class Outcome {
    None,          // no repair yet
    Unticked,      // left alone: not ticked
    Repaired,      // its value removed
    AlreadyGone,   // its value was not there any more: repaired all the same
    KeptByBackup,  // the backup cannot hold its value exactly, so it stays
    NotRemoved,    // the removal failed
    Ignored,       // an entry of the ignore list made since the scan keeps it
    ChangedSinceScan,  // its key is elsewhere now, or its value is not as listed: it stays
};

struct Finding {
    // The texts of the row.
    std::string errorType;  // "KEY_NAME", "VALUE NAME" or "VALUE VALUE"
    std::string rootName;
    std::string keyText;    // key path, a backslash, value name
    std::string valueText;
    bool ticked = false;
    Outcome outcome = Outcome::None;
    // The value as it was enumerated.
    platform::RegHandle root = 0;
    std::string keyPath;
    std::string valueName;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    // Where the value really is: the registry's own name of its key, in root
    // form (a root may be a view of another place). Judged by the rules; the
    // backup and the removal reach the value by the walk's path, and take it
    // only while that path still leads here.
    KeyPlace realPlace;
    // Where the value is, as the home page's boxes choose; shown only.
    Category category = Category::FilesAndFolders;
    // The path looked for and found missing, as written in the value (of
    // several readings, the first); shown only.
    std::string missingFile;
    // The row's text in a column of the results list ("Error Type", "Root",
    // "Key", "Value", "Missing file", "Category"): a repaired finding reads "Repaired" in
    // the first.
    std::string Text(int column) const;
    // Red once repaired, blue when a repair left it unticked.
    std::optional<platform::Colour> TextColour() const;
};

// The error type text of a match kind.
const char* ErrorTypeText(std::int32_t lFound);

}  // namespace engine
