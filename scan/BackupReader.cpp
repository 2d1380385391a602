#include "scan/BackupReader.h"

#include "platform/Text.h"

namespace scan {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::uint8_t> WithClosingNul(std::vector<std::uint8_t> utf16) {
    if (utf16.size() < 2 || utf16[utf16.size() - 1] != 0 || utf16[utf16.size() - 2] != 0) {
        utf16.push_back(0);
        utf16.push_back(0);
    }
    return utf16;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The importer's lines: each CR, LF or CR LF ends one. A NUL byte has no
// defined meaning in the file, so it makes the whole file unreadable.
std::optional<std::vector<std::string>> SplitLines(const std::string& text) {
    if (text.find('\0') != std::string::npos) return std::nullopt;
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", from);
        if (end == std::string::npos) {
            // Every writer ends every line: a last line with no end was cut
            // short, perhaps inside a value whose bytes would read shorter.
            if (text.find_first_not_of(" \t", from) != std::string::npos) return std::nullopt;
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

// A quoted text from just after its opening quote: \\ and \" stand for the
// character, \n and \r for the line ends, \0 is refused, a backslash before
// any other character is dropped. Leaves `at` after the closing quote.
std::optional<std::string> Unquote(const std::string& line, std::size_t& at) {
    std::string out;
    for (; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return out;
        }
        if (c == '\\') {
            if (++at == line.size()) return std::nullopt;
            c = line[at];
            if (c == '0') return std::nullopt;
            if (c == 'n') c = '\n';
            if (c == 'r') c = '\r';
        }
        out += c;
    }
    return std::nullopt;  // no closing quote on this line
}

bool OnlyCommentLeft(const std::string& line, std::size_t at) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    return at == line.size() || line[at] == ';';
}

// Comma-separated byte pairs, continued on the next line after ",\" with
// the next line's leading blanks skipped. A file that ends inside them (a
// comma with no byte after it, a continuation with no line of bytes) was cut
// short, and is refused: its value would come back cut.
bool ReadHexBytes(const std::vector<std::string>& lines, std::size_t& row, std::string rest,
                  std::vector<std::uint8_t>* data) {
    std::size_t at = 0;
    if (OnlyCommentLeft(rest, at)) return true;  // "hex:" with nothing
    for (;;) {
        if (OnlyCommentLeft(rest, at)) return false;  // the end after a comma
        if (rest[at] == '\\' && OnlyCommentLeft(rest, at + 1)) {
            // Continued: blank and comment lines in between are passed over.
            do {
                if (++row == lines.size()) return false;
                rest = lines[row];
                at = 0;
                while (at < rest.size() && IsBlank(rest[at])) ++at;
            } while (at == rest.size() || rest[at] == ';');
            if (HexDigit(rest[at]) < 0) return false;
            continue;
        }
        const int high = at + 1 < rest.size() ? HexDigit(rest[at]) : -1;
        const int low = high >= 0 ? HexDigit(rest[at + 1]) : -1;
        if (low < 0) return false;  // the writer always gives two digits
        data->push_back(static_cast<std::uint8_t>(high << 4 | low));
        at += 2;
        if (at < rest.size() && rest[at] == ',') {
            ++at;
            continue;
        }
        return OnlyCommentLeft(rest, at);
    }
}

// The number the count line after the header tells; none when that line is
// no count line. False for one that begins as a count line ("; " and a
// digit) but is not one whole: the file was cut inside it.
bool ReadCountLine(const std::vector<std::string>& lines, std::optional<std::size_t>* count) {
    if (lines.size() < 2) return true;
    const std::string& line = lines[1];
    if (line.compare(0, 2, "; ") != 0 || line.size() < 3 || line[2] < '0' || line[2] > '9') return true;
    std::size_t number = 0;
    for (std::size_t at = 2; at < line.size() && at < 11 && line[at] >= '0' && line[at] <= '9'; ++at)
        number = number * 10 + static_cast<std::size_t>(line[at] - '0');
    if (line != BackupCountLine(number)) return false;
    *count = number;
    return true;
}

// The writer ends every string given as bytes with its NUL, and a
// multi-string with the empty string that closes the list (an empty list is
// its NUL alone): bytes that end otherwise were cut short.
bool EndsWhole(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.back() != 0) return false;
    return type != 7 || data.size() == 1 || data[data.size() - 2] == 0;
}

}  // namespace

std::string BackupCountLine(std::size_t values) { return "; " + std::to_string(values) + " values"; }

std::optional<std::vector<BackupValue>> ReadBackupFile(platform::CodePage& codePage, const std::string& bytes) {
    // The Unicode export is told by its byte-order mark, as the registry
    // editor tells it; it holds whole UTF-16 units only.
    const bool unicode = bytes.compare(0, 2, "\xFF\xFE") == 0;
    if (unicode && bytes.size() % 2 != 0) return std::nullopt;
    const std::string decoded =
        unicode ? platform::Utf16BytesToUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2, bytes.size() - 2)
                : codePage.Decode(bytes);
    const auto lines = SplitLines(decoded);
    if (!lines || lines->empty() || (*lines)[0] != (unicode ? kRegedit5Header : "REGEDIT4")) return std::nullopt;
    // A file that tells its length must hold all of it, to its last line end.
    std::optional<std::size_t> count;
    if (!ReadCountLine(*lines, &count)) return std::nullopt;
    if (count && decoded.back() != '\n' && decoded.back() != '\r') return std::nullopt;
    std::vector<BackupValue> values;
    std::string key;
    for (std::size_t row = 1; row < lines->size(); ++row) {
        const std::string& line = (*lines)[row];
        std::size_t at = 0;
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size() || line[at] == ';' || line[at] == '#') continue;
        if (line[at] == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string::npos || close < at) return std::nullopt;
            key = line.substr(at + 1, close - at - 1);
            continue;
        }
        BackupValue value;
        value.key = key;
        if (line[at] == '@') {
            ++at;
        } else if (line[at] == '"') {
            auto name = Unquote(line, ++at);
            if (!name) return std::nullopt;
            value.name = *name;
        } else {
            return std::nullopt;
        }
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size() || line[at] != '=') return std::nullopt;
        ++at;
        while (at < line.size() && IsBlank(line[at])) ++at;
        std::string data = line.substr(at);
        while (!data.empty() && IsBlank(data.back())) data.pop_back();  // the importer trims the end

        if (data.compare(0, 1, "\"") == 0) {
            std::size_t end = 1;
            auto string = Unquote(data, end);
            if (!string || !OnlyCommentLeft(data, end)) return std::nullopt;
            value.type = 1;
            value.data = WithClosingNul(platform::Utf8ToUtf16Bytes(*string));
        } else if (data.compare(0, 6, "dword:") == 0) {
            std::size_t end = 6;
            std::uint32_t number = 0;
            while (end < data.size() && HexDigit(data[end]) >= 0 && end < 14) number = number << 4 | HexDigit(data[end++]);
            if (end == 6 || !OnlyCommentLeft(data, end)) return std::nullopt;
            value.type = 4;
            for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
        } else if (data.compare(0, 4, "hex:") == 0 || data.compare(0, 4, "hex(") == 0) {
            std::size_t end = 4;
            value.type = 3;
            if (data[3] == '(') {
                value.type = 0;
                while (end < data.size() && HexDigit(data[end]) >= 0 && end < 12)
                    value.type = value.type << 4 | HexDigit(data[end++]);
                if (end == 4 || data.compare(end, 2, "):") != 0) return std::nullopt;
                end += 2;
            }
            if (!ReadHexBytes(*lines, row, data.substr(end), &value.data)) return std::nullopt;
            // Text types given as bytes are code-page text in REGEDIT4, and
            // get their closing NUL if it is missing; the Unicode export's
            // are the registry's own bytes.
            if (!unicode && (value.type == 1 || value.type == 2 || value.type == 7)) {
                if (!EndsWhole(value.type, value.data)) return std::nullopt;
                const std::string text(value.data.begin(), value.data.end());
                value.data = WithClosingNul(platform::Utf8ToUtf16Bytes(codePage.Decode(text)));
            }
        } else {
            return std::nullopt;
        }
        values.push_back(std::move(value));
    }
    if (count && values.size() != *count) return std::nullopt;
    return values;
}

}  // namespace scan
