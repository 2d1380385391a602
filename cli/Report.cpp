#include "cli/Report.h"

#include <nlohmann/json.hpp>

namespace cli {
namespace {

constexpr const char* kCrLf = "\r\n";

const char* CommandName(Command command) {
    switch (command) {
    case Command::Scan: return "scan";
    case Command::Repair: return "repair";
    case Command::Backups: return "backups";
    case Command::Restore: return "restore";
    }
    return "";
}

bool Repairs(const Report& report) { return report.command == Command::Repair; }


std::string Json(const Report& report) {
    nlohmann::ordered_json out;
    out["command"] = CommandName(report.command);
    switch (report.command) {
    case Command::Scan:
    case Command::Repair: {
        if (Repairs(report))
            out["backup"] = report.backup.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(report.backup);
        nlohmann::ordered_json findings = nlohmann::ordered_json::array();
        for (const FindingRow& f : report.findings) {
            nlohmann::ordered_json row;
            row["root"] = f.root;
            row["key"] = f.keyPath;
            row["value"] = f.valueName;
            row["type"] = f.type;
            row["data"] = f.data;
            row["missingFile"] = f.missingFile;
            row["category"] = f.category;
            row["match"] = f.match;
            if (Repairs(report)) row["outcome"] = f.outcome;
            findings.push_back(std::move(row));
        }
        out["findings"] = std::move(findings);
        break;
    }
    case Command::Backups:
        out["folder"] = report.folder;
        out["files"] = report.files;
        break;
    case Command::Restore: {
        out["file"] = report.file;
        nlohmann::ordered_json values = nlohmann::ordered_json::array();
        for (const RestoreRow& r : report.restored)
            values.push_back({{"key", r.key}, {"value", r.valueName}, {"type", r.type}, {"outcome", r.outcome},
                              {"reason", r.reason}});
        out["values"] = std::move(values);
        break;
    }
    }
    // A name the registry allows may hold a lone surrogate, which is no
    // UTF-8: JSON must be valid, so such bytes are replaced here.
    return out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + kCrLf;
}

// A field quoted where it must be, its quotes doubled.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += CsvField(fields[i]);
    }
    return line + kCrLf;
}

std::string Csv(const Report& report) {
    std::string out = "\xEF\xBB\xBF";  // so that spreadsheet programs read UTF-8
    switch (report.command) {
    case Command::Scan:
    case Command::Repair: {
        std::vector<std::string> header{"root", "key", "value", "type", "data", "missing file", "category", "match"};
        if (Repairs(report)) header.push_back("outcome");
        out += CsvLine(header);
        for (const FindingRow& f : report.findings) {
            std::vector<std::string> fields{f.root, f.keyPath, f.valueName, f.type, f.data, f.missingFile, f.category, f.match};
            if (Repairs(report)) fields.push_back(f.outcome);
            out += CsvLine(fields);
        }
        break;
    }
    case Command::Backups:
        out += CsvLine({"file"});
        for (const std::string& file : report.files) out += CsvLine({file});
        break;
    case Command::Restore:
        out += CsvLine({"key", "value", "type", "outcome", "reason"});
        for (const RestoreRow& r : report.restored) out += CsvLine({r.key, r.valueName, r.type, r.outcome, r.reason});
        break;
    }
    return out;
}

std::string PlainText(const Report& report) {
    std::string out;
    switch (report.command) {
    case Command::Scan:
    case Command::Repair:
        for (const FindingRow& f : report.findings) {
            out += f.root + "\\" + f.keyPath + "\\" + f.valueName + "  (" + f.category + ", " + f.match + ")";
            if (Repairs(report)) out += ": " + f.outcome;
            out += kCrLf;
            out += "  " + f.type + " " + f.data + kCrLf;
            out += "  missing: " + f.missingFile + kCrLf;
        }
        out += std::to_string(report.findings.size()) + (report.findings.size() == 1 ? " finding." : " findings.");
        out += kCrLf;
        if (Repairs(report)) out += (report.backup.empty() ? std::string("No backup file.") : "Backup file: " + report.backup) + kCrLf;
        break;
    case Command::Backups:
        for (const std::string& file : report.files) out += report.folder + "\\" + file + kCrLf;
        break;
    case Command::Restore:
        for (const RestoreRow& r : report.restored) {
            out += r.key + "\\" + r.valueName + " (" + r.type + "): " + r.outcome;
            if (!r.reason.empty()) out += ", " + r.reason;
            out += kCrLf;
        }
        break;
    }
    return out;
}

}  // namespace

std::string FormatReport(const Report& report, Format format) {
    switch (format) {
    case Format::Json: return Json(report);
    case Format::Csv: return Csv(report);
    case Format::Text: break;
    }
    return PlainText(report);
}

std::string TypeName(std::uint32_t type) {
    static const char* const kNames[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD",
                                         "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ", "REG_RESOURCE_LIST",
                                         "REG_FULL_RESOURCE_DESCRIPTOR", "REG_RESOURCE_REQUIREMENTS_LIST",
                                         "REG_QWORD"};
    return type < std::size(kNames) ? kNames[type] : std::to_string(type);
}

}  // namespace cli
