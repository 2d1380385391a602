// A backup of one value, read back the way the registry editor imports a
// REGEDIT4 file, gives back the value's exact key, name, type and bytes; a
// value that no line can give back exactly is refused, and then the repair
// keeps it. The file is in the code page of the tests (one byte for each of
// U+0000 to U+00FF); the importer reads each line into Unicode first, and
// the text types given as bytes are code-page text as well.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fakes/FakeCodePage.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/MemoryRegistry.h"
#include "fuzz/Check.h"
#include "platform/Text.h"
#include "scan/BackupWriter.h"

namespace {

struct ImportedValue {
    std::string key, name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Code-page bytes as the program's text.
std::string FromCodePage(const std::string& bytes) {
    std::u16string units(bytes.begin(), bytes.end());
    for (char16_t& u : units) u &= 0xFF;
    return platform::Utf16ToUtf8(units);
}

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
            lines.push_back(text.substr(from));
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
// the next line's leading blanks skipped.
bool ReadHexBytes(const std::vector<std::string>& lines, std::size_t& row, std::string rest,
                  std::vector<std::uint8_t>* data) {
    std::size_t at = 0;
    for (;;) {
        if (OnlyCommentLeft(rest, at)) return true;  // "hex:" with nothing, or the end after a comma
        if (rest[at] == '\\' && OnlyCommentLeft(rest, at + 1)) {
            // Continued: blank and comment lines in between are passed over.
            do {
                if (++row == lines.size()) return true;
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

// The values of a REGEDIT4 file, read as the registry editor imports them;
// nothing when any line would not import.
std::optional<std::vector<ImportedValue>> ReadRegedit4(const std::string& file) {
    const auto lines = SplitLines(FromCodePage(file));
    if (!lines || lines->empty() || (*lines)[0] != "REGEDIT4") return std::nullopt;
    std::vector<ImportedValue> values;
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
        ImportedValue value;
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
            // Text types given as bytes are code-page text; they get their
            // closing NUL if it is missing.
            if (value.type == 1 || value.type == 2 || value.type == 7) {
                if (value.data.empty()) return std::nullopt;  // the importer's behaviour is undefined here
                const std::string text(value.data.begin(), value.data.end());
                value.data = WithClosingNul(platform::Utf8ToUtf16Bytes(FromCodePage(text)));
            }
        } else {
            return std::nullopt;
        }
        values.push_back(std::move(value));
    }
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    const std::uint32_t type = pick < 13 ? pick : input.ConsumeIntegral<std::uint32_t>();
    // A key path of non-empty names (the registry has no empty key name).
    std::string keyPath;
    for (char c : input.ConsumeRandomLengthString(60))
        if (c != '\\' || (!keyPath.empty() && keyPath.back() != '\\')) keyPath += c;
    if (!keyPath.empty() && keyPath.back() == '\\') keyPath.pop_back();
    if (keyPath.empty()) keyPath = "Kept";
    const std::string name = input.ConsumeRandomLengthString(400);
    const std::vector<std::uint8_t> data = input.ConsumeBytes<std::uint8_t>(20000);

    fakes::MemoryRegistry registry;
    registry.SetValue(platform::kHkeyCurrentUser, keyPath, name, type, data);
    engine::Finding finding;
    finding.rootName = "HKEY_CURRENT_USER";
    finding.root = platform::kHkeyCurrentUser;
    finding.keyPath = keyPath;
    finding.valueName = name;
    fakes::MemoryFileSystem files;
    fakes::Latin1CodePage codePage;
    const scan::BackupResult backup =
        scan::WriteBackupFile({{&finding, true}}, registry, files, codePage, "12/10/2026 1:02:03 PM");
    FUZZ_CHECK(backup.written);

    const auto values = ReadRegedit4(files.Contents(backup.path));
    FUZZ_CHECK(values.has_value());
    if (!backup.held[0]) {  // refused: the repair keeps the value
        FUZZ_CHECK(values->empty());
        return 0;
    }
    FUZZ_CHECK(values->size() == 1);
    const ImportedValue& back = values->front();
    FUZZ_CHECK(back.key == "HKEY_CURRENT_USER\\" + keyPath);
    FUZZ_CHECK(back.name == name);
    FUZZ_CHECK(back.type == type);
    FUZZ_CHECK(back.data == data);
    return 0;
}
