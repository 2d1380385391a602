#pragma once
// The command line of varnholt-cli: its commands and options.
#include <optional>
#include <string>
#include <vector>

#include "engine/Categories.h"

namespace cli {

enum class Command { Scan, Repair, Backups, Restore };
enum class Format { Text, Json, Csv };

struct Options {
    Command command = Command::Scan;
    bool help = false;  // --help: the usage of the command (or of the program), nothing else
    bool version = false;  // --version: the program's version and its data folder, nothing else
    Format format = Format::Text;
    std::string output;  // --output FILE; empty: standard output
    engine::CategorySet categories = engine::AllCategories();
    bool noBackup = false;  // repair --no-backup
    bool restorePoint = false;  // repair --restore-point
    std::string file;       // restore FILE
    bool expandable = false;  // scan, repair --expandable: judge expandable strings too
};

// The options of the arguments after the program's name; nothing, with the
// reason in `error`, for an unknown command, option or value or one missing
// (and in `help` the command line that shows the usage to follow).
std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string* error,
                                        std::string* help = nullptr);

// How to call the program, or one of its commands.
std::string Usage();
std::string Usage(Command command);

// The short names of --categories, as the usage lists them.
const char* CategoryName(engine::Category category);

}  // namespace cli
