#include "cli/CommandLine.h"

#include <utility>

namespace cli {
namespace {

constexpr std::pair<const char*, Command> kCommands[] = {
    {"scan", Command::Scan}, {"repair", Command::Repair}, {"backups", Command::Backups}, {"restore", Command::Restore}};

// Short names for the home page's boxes, whose captions hold commas and blanks.
constexpr std::pair<const char*, engine::Category> kCategoryNames[] = {
    {"com", engine::Category::ActivexOleCom},
    {"shared", engine::Category::SharedPrograms},
    {"startup", engine::Category::StartupPrograms},
    {"software", engine::Category::SystemSoftwareSettings},
    {"apppaths", engine::Category::ApplicationPaths},
    {"associations", engine::Category::FileAssociations},
    {"sounds", engine::Category::SoundsAndAppEvents},
    {"mru", engine::Category::MruAndHistoryLists},
    {"empty", engine::Category::EmptyRegistryKeys},
    {"services", engine::Category::SystemServices},
    {"extensions", engine::Category::FileExtensions},
    {"fonts", engine::Category::WindowsFonts},
    {"files", engine::Category::FilesAndFolders},
    {"uninstall", engine::Category::ObsoleteSoftware},
};

std::optional<engine::CategorySet> ParseCategories(const std::string& list) {
    engine::CategorySet set;
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t end = std::min(list.find(',', from), list.size());
        const std::string name = list.substr(from, end - from);
        bool known = false;
        for (const auto& [text, category] : kCategoryNames)
            if (name == text) {
                set.insert(category);
                known = true;
            }
        if (!known) return std::nullopt;
        from = end + 1;
    }
    return set;
}

bool Takes(Command command, const std::string& option) {
    if (option == "--help") return true;
    if (option == "--format" || option == "--output") return true;
    if (option == "--categories") return command == Command::Scan || command == Command::Repair;
    if (option == "--no-backup") return command == Command::Repair;
    if (option == "--expandable") return command == Command::Scan || command == Command::Repair;
    if (option == "--restore-point") return command == Command::Repair;
    return false;
}

}  // namespace

const char* CategoryName(engine::Category category) {
    for (const auto& [text, c] : kCategoryNames)
        if (c == category) return text;
    return "";
}

std::optional<Options> ParseCommandLine(const std::vector<std::string>& args, std::string* error, std::string* help) {
    Options options;
    if (help) *help = "varnholt-cli --help";
    if (args.empty()) {
        *error = "no command given";
        return std::nullopt;
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "--version")) {
        options.help = args[0] == "--help";
        options.version = !options.help;
        return options;
    }
    bool known = false;
    for (const auto& [name, command] : kCommands)
        if (args[0] == name) {
            options.command = command;
            known = true;
            if (help) *help = "varnholt-cli " + std::string(name) + " --help";
        }
    if (!known) {
        *error = "unknown command: " + args[0];
        return std::nullopt;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string option = args[i], value;
        const bool isOption = option.compare(0, 2, "--") == 0;
        if (!isOption) {
            if (options.command != Command::Restore || !options.file.empty()) {
                *error = "unexpected argument: " + option;
                return std::nullopt;
            }
            options.file = option;
            continue;
        }
        const std::size_t equals = option.find('=');
        const bool inlineValue = equals != std::string::npos;
        if (inlineValue) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        if (!Takes(options.command, option)) {
            *error = "unknown option: " + option;
            return std::nullopt;
        }
        const bool needsValue = option == "--format" || option == "--output" || option == "--categories";
        if (needsValue && !inlineValue) {
            if (i + 1 == args.size()) {
                *error = option + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        } else if (!needsValue && inlineValue) {
            *error = option + " takes no value";
            return std::nullopt;
        }
        if (option == "--help") {
            options.help = true;
        } else if (option == "--no-backup") {
            options.noBackup = true;
        } else if (option == "--expandable") {
            options.expandable = true;
        } else if (option == "--restore-point") {
            options.restorePoint = true;
        } else if (option == "--output") {
            if (value.empty()) {
                *error = "--output needs a file";
                return std::nullopt;
            }
            options.output = value;
        } else if (option == "--format") {
            if (value == "text") options.format = Format::Text;
            else if (value == "json") options.format = Format::Json;
            else if (value == "csv") options.format = Format::Csv;
            else {
                *error = "unknown format: " + value;
                return std::nullopt;
            }
        } else if (option == "--categories") {
            const auto categories = ParseCategories(value);
            if (!categories) {
                *error = "unknown category in: " + value;
                return std::nullopt;
            }
            options.categories = *categories;
        }
    }
    if (options.command == Command::Restore && options.file.empty() && !options.help) {
        *error = "restore needs a backup file";
        return std::nullopt;
    }
    return options;
}

std::string Usage() {
    return "Usage: varnholt-cli COMMAND [OPTIONS]\r\n"
           "\r\n"
           "Commands:\r\n"
           "  scan      list the values that name missing files\r\n"
           "  repair    scan, back the findings up and remove them\r\n"
           "  backups   list the backup files\r\n"
           "  restore   give back the values of a backup file\r\n"
           "\r\n"
           "varnholt-cli COMMAND --help shows the options of a command,\r\n"
           "varnholt-cli --version the version and the folder of the profile and backups.\r\n"
           "Exit codes: 0 nothing found or everything done, 1 findings listed (scan),\r\n"
           "2 an error, 3 some values were kept or could not be removed or restored, or the\r\n"
           "repair was stopped (the console closed, Ctrl+C, a logoff or a shutdown).\r\n";
}

std::string Usage(Command command) {
    const std::string report = "  --format text|json|csv   the report's format (text by default)\r\n"
                               "  --output FILE            write the report to FILE instead of standard output\r\n";
    std::string categories = "  --categories LIST        only these categories, separated by commas:\r\n"
                             "                           ";
    std::size_t column = 27;
    for (const auto& [name, category] : kCategoryNames) {
        const std::string item = std::string(name) + (category == engine::Category::ObsoleteSoftware ? "" : ",");
        if (column + item.size() > 79) {
            categories += "\r\n                           ";
            column = 27;
        }
        categories += item;
        column += item.size();
    }
    categories += "\r\n";
    const std::string expandable =
        "  --expandable             also judge expandable strings (%SystemRoot%, %ProgramFiles%, ...)\r\n";
    switch (command) {
    case Command::Scan:
        return "Usage: varnholt-cli scan [--format text|json|csv] [--output FILE] [--categories LIST] [--expandable]\r\n"
               "Lists the values that name missing files.\r\n" + report + categories + expandable;
    case Command::Repair:
        return "Usage: varnholt-cli repair [--no-backup] [--restore-point] [--format text|json|csv] [--output FILE]\r\n"
               "                           [--categories LIST] [--expandable]\r\n"
               "Scans, writes the findings to a backup file (unless --no-backup is given),\r\n"
               "checks it, and removes them.\r\n"
               "  --no-backup              remove without a backup\r\n"
               "  --restore-point          ask Windows for a restore point before the removal\r\n" + report + categories +
               expandable;
    case Command::Backups:
        return "Usage: varnholt-cli backups [--format text|json|csv] [--output FILE]\r\n"
               "Lists the backup files, newest first, with their times and sizes.\r\n" + report;
    case Command::Restore:
        return "Usage: varnholt-cli restore FILE [--format text|json|csv] [--output FILE]\r\n"
               "Writes every value of the backup file back and reads it back. FILE is a path,\r\n"
               "or a name as backups lists it.\r\n" + report;
    }
    return Usage();
}

}  // namespace cli
