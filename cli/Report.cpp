#include "cli/Report.h"

#include <chrono>
#include <cstdio>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/Text.h"

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

bool NumberedPoint(const RestorePointRow& point) {
    return point.outcome == "made" || point.outcome == "kept" || point.outcome == "may have kept";
}

// "made (number 42)", "not available (System Protection is off)"; "none"
// when nothing was left to remove.
std::string PointText(const RestorePointRow& point) {
    if (point.outcome.empty()) return "none";
    if (NumberedPoint(point)) return point.outcome + " (number " + std::to_string(point.number) + ")";
    return point.reason.empty() ? point.outcome : point.outcome + " (" + point.reason + ")";
}

bool IsSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }

// Whether a text may hold a character that a writer below changes: a
// control character, a byte of `bytes`, or 0xED, which begins a surrogate
// as the program keeps a lone one. Most texts hold none and are written as
// they are.
bool Holds(const std::string& text, std::string_view bytes) {
    for (const char c : text)
        if (c == '\xED' || static_cast<unsigned char>(c) < 0x20 || bytes.find(c) != std::string_view::npos) return true;
    return false;
}

// Whether units[i] begins a surrogate pair.
bool Pair(const std::u16string& units, std::size_t i) {
    return units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
           units[i + 1] <= 0xDFFF;
}

// A JSON string, exact: a lone surrogate (which a registry name may hold and
// no UTF-8 can) is written as its own \udXXX escape.
void JsonString(const std::string& text, std::string& out) {
    if (!Holds(text, "\"\\")) {
        out += '"' + text + '"';
        return;
    }
    const std::u16string units = platform::Utf8ToUtf16(text);
    out += '"';
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(u));
        switch (u) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (Pair(units, i)) out += platform::Utf16ToUtf8(units.substr(i++, 2));
            else if (u < 0x20 || IsSurrogate(u)) out += escape;
            else out += platform::Utf16ToUtf8(units.substr(i, 1));
        }
    }
    out += '"';
}

// The document laid out as nlohmann's dump(2) lays it out, with the strings
// written exactly.
void Dump(const nlohmann::ordered_json& value, int indent, std::string& out) {
    const std::string inner(indent + 2, ' ');
    if (value.is_object() && !value.empty()) {
        out += "{\n";
        bool first = true;
        for (const auto& [name, item] : value.items()) {
            if (!first) out += ",\n";
            first = false;
            out += inner;
            JsonString(name, out);
            out += ": ";
            Dump(item, indent + 2, out);
        }
        out += "\n" + std::string(indent, ' ') + "}";
    } else if (value.is_array() && !value.empty()) {
        out += "[\n";
        bool first = true;
        for (const auto& item : value) {
            if (!first) out += ",\n";
            first = false;
            out += inner;
            Dump(item, indent + 2, out);
        }
        out += "\n" + std::string(indent, ' ') + "]";
    } else if (value.is_string()) {
        JsonString(value.get_ref<const std::string&>(), out);
    } else {
        out += value.dump();  // null, a number, an empty object or array
    }
}

std::string Json(const Report& report) {
    nlohmann::ordered_json out;
    out["computer"] = report.computer;
    out["user"] = report.user;
    out["time"] = report.time;
    out["version"] = report.version;
    out["command"] = CommandName(report.command);
    switch (report.command) {
    case Command::Scan:
    case Command::Repair: {
        if (Repairs(report))
            out["backup"] = report.backup.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(report.backup);
        if (Repairs(report) && report.restorePoint.asked) {
            const RestorePointRow& point = report.restorePoint;
            nlohmann::ordered_json row;  // null when none was asked of Windows
            if (!point.outcome.empty()) {
                row["outcome"] = point.outcome;
                row["number"] = NumberedPoint(point) ? nlohmann::ordered_json(point.number) : nlohmann::ordered_json();
                row["reason"] = point.reason;
            }
            out["restorePoint"] = std::move(row);
        }
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
    case Command::Backups: {
        out["folder"] = report.folder;
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const BackupRow& b : report.files) files.push_back({{"name", b.name}, {"time", b.time}, {"size", b.size}});
        out["files"] = std::move(files);
        break;
    }
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
    std::string text;
    Dump(out, 0, text);
    return text + kCrLf;
}

// A cell a spreadsheet program would take for a formula (=, +, - or @ first,
// or a tab or carriage return before one) begins with an apostrophe, which
// the program shows as text; a lone surrogate, which no UTF-8 can hold,
// becomes U+FFFD. The JSON report keeps both exactly.
std::string CsvText(const std::string& text) {
    std::string cell = text;
    if (text.find('\xED') != std::string::npos) {
        std::u16string units = platform::Utf8ToUtf16(text);
        for (std::size_t i = 0; i < units.size(); ++i) {
            if (Pair(units, i))
                ++i;
            else if (IsSurrogate(units[i]))
                units[i] = 0xFFFD;
        }
        cell = platform::Utf16ToUtf8(units);
    }
    return !cell.empty() && std::string_view("=+-@\t\r").find(cell[0]) != std::string_view::npos ? "'" + cell : cell;
}

// A field quoted where it must be, its quotes doubled.
std::string CsvField(const std::string& text) {
    const std::string cell = CsvText(text);
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string out = "\"";
    for (char c : cell) {
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

// The report's own header (a line of names, a line of values), an empty
// line, then the table.
std::string Csv(const Report& report) {
    std::string out = "\xEF\xBB\xBF";  // so that spreadsheet programs read UTF-8
    std::vector<std::string> names{"computer", "user", "time", "version", "command"};
    std::vector<std::string> values{report.computer, report.user, report.time, report.version, CommandName(report.command)};
    if (Repairs(report)) {
        names.push_back("backup");  // empty when none was written
        values.push_back(report.backup);
    }
    if (Repairs(report) && report.restorePoint.asked) {
        names.push_back("restorePoint");
        values.push_back(PointText(report.restorePoint));
    }
    out += CsvLine(names) + CsvLine(values) + kCrLf;
    switch (report.command) {
    case Command::Scan:
    case Command::Repair: {
        std::vector<std::string> header{"root", "key", "value", "type", "data", "missing file", "category", "match"};
        if (Repairs(report)) header.insert(header.end(), {"outcome", "reason"});
        out += CsvLine(header);
        for (const FindingRow& f : report.findings) {
            std::vector<std::string> fields{f.root, f.keyPath, f.valueName, f.type, f.data, f.missingFile, f.category, f.match};
            if (Repairs(report)) fields.insert(fields.end(), {f.outcome, f.reason});
            out += CsvLine(fields);
        }
        break;
    }
    case Command::Backups:
        out += CsvLine({"file", "time", "size"});
        for (const BackupRow& b : report.files) out += CsvLine({b.name, b.time, std::to_string(b.size)});
        break;
    case Command::Restore:
        out += CsvLine({"key", "value", "type", "outcome", "reason"});
        for (const RestoreRow& r : report.restored) out += CsvLine({r.key, r.valueName, r.type, r.outcome, r.reason});
        break;
    }
    return out;
}

// A name or a value's text on a line of the text report: a line break or
// any other control character is written as a visible escape ("<LF>",
// "<U+001B>"), so that no value can begin a line of the report of its own.
std::string Shown(const std::string& text) {
    if (!Holds(text, "\x7F\xC2\xE2")) return text;  // nor the first byte of U+0085, U+2028 or U+2029
    const std::u16string units = platform::Utf8ToUtf16(text);
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        char escape[12];
        std::snprintf(escape, sizeof escape, "<U+%04X>", static_cast<unsigned>(u));
        if (u == '\r') out += "<CR>";
        else if (u == '\n') out += "<LF>";
        else if (u == '\t') out += "<TAB>";
        else if (u < 0x20 || u == 0x7F || u == 0x85 || u == 0x2028 || u == 0x2029) out += escape;
        else if (Pair(units, i)) out += platform::Utf16ToUtf8(units.substr(i++, 2));
        else out += platform::Utf16ToUtf8(units.substr(i, 1));
    }
    return out;
}

std::string PlainText(const Report& report) {
    std::string out = "Computer: " + Shown(report.computer) + kCrLf + "User: " + Shown(report.user) + kCrLf +
                      "Time: " + report.time + kCrLf + "Version: " + report.version + kCrLf + kCrLf;
    switch (report.command) {
    case Command::Scan:
    case Command::Repair:
        for (const FindingRow& f : report.findings) {
            out += f.root + "\\" + Shown(f.keyPath) + "\\" + Shown(f.valueName) + "  (" + f.category + ", " + f.match + ")";
            if (Repairs(report)) out += ": " + f.outcome;
            if (Repairs(report) && !f.reason.empty()) out += " (" + f.reason + ")";
            out += kCrLf;
            out += "  " + f.type + " " + Shown(f.data) + kCrLf;
            out += "  missing: " + Shown(f.missingFile) + kCrLf;
        }
        // After a repair, what became of them: "12 findings." would hide that
        // some were gone already (the same value seen under two roots).
        if (Repairs(report) && !report.summary.empty())
            out += report.summary + ".";
        else
            out += std::to_string(report.findings.size()) + (report.findings.size() == 1 ? " finding." : " findings.");
        out += kCrLf;
        if (Repairs(report))
            out += (report.backup.empty() ? std::string("No backup file.") : "Backup file: " + Shown(report.backup)) + kCrLf;
        if (Repairs(report) && report.restorePoint.asked) out += "Restore point: " + PointText(report.restorePoint) + kCrLf;
        break;
    case Command::Backups:
        for (const BackupRow& b : report.files)
            out += Shown(report.folder + "\\" + b.name) + "  " + b.time + "  " + std::to_string(b.size) + " bytes" + kCrLf;
        break;
    case Command::Restore:
        for (const RestoreRow& r : report.restored) {
            out += Shown(r.key) + "\\" + Shown(r.valueName) + " (" + r.type + "): " + r.outcome;
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

std::string IsoUtcTime(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds time{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

}  // namespace cli
