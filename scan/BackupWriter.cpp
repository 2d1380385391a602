#include "scan/BackupWriter.h"

#include <algorithm>
#include <cstdio>

#include "platform/Text.h"
#include "profile/DataFolder.h"
#include "scan/BackupReader.h"
#include "scan/ValueRemoval.h"

namespace scan {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr std::size_t kLineWidth = 80;

// A name or key path holding a line end or a NUL would break its line in
// the file, and importing it would lose or misplace the value.
bool FitsOnALine(const std::string& text) { return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

// "hex:" or "hex(N):" and the bytes, continued over lines as an export does.
std::string HexData(std::uint32_t type, const std::vector<std::uint8_t>& data, std::size_t lineStart) {
    char prefix[16];
    if (type == 3)
        std::snprintf(prefix, sizeof prefix, "hex:");
    else
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
    std::string out = prefix;
    std::size_t column = lineStart + out.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        out += pair;
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > kLineWidth - 5) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

// A file left under its unchecked name by a write that never finished (the
// program ended, the machine went off) is never listed, so nobody would
// ever delete it. One an hour old is no other write's under way; the time
// is the file system's own, as the file just written has it.
void RemoveStaleUncheckedFiles(platform::FileSystem& files, const std::string& folder, const std::string& ours) {
    std::uint64_t size = 0;
    std::int64_t now = 0;
    if (!files.FileDetails(ours, &size, &now)) return;
    for (const std::string& name : files.ListFiles(folder + "\\*.reg.new")) {
        std::int64_t written = 0;
        const std::string path = folder + "\\" + name;
        if (files.FileDetails(path, &size, &written) && written < now - 3600) files.RemoveFile(path);
    }
}

// Whether the text is exact UTF-16 (a malformed byte would come back as
// another character).
bool RoundTrips(const std::string& text) { return platform::Utf16ToUtf8(platform::Utf8ToUtf16(text)) == text; }

// The registry editor's own export, for values REGEDIT4 text cannot hold:
// UTF-16LE with a byte-order mark, lines ended by CR LF.
std::string Regedit5File(const std::vector<BackupValue>& values) {
    std::string text = std::string(kRegedit5Header) + kCrLf + BackupCountLine(values.size()) + kCrLf;
    std::string lastKey;
    for (const BackupValue& value : values) {
        std::string line;
        BackupValueLine5(value.name, value.type, value.data, &line);  // held: it fits
        if (value.key != lastKey) text += kCrLf + ("[" + value.key + "]") + kCrLf;
        text += line + kCrLf;
        lastKey = value.key;
    }
    const std::vector<std::uint8_t> units = platform::Utf8ToUtf16Bytes(text);
    return "\xFF\xFE" + std::string(units.begin(), units.end());
}

// "dword:" and the four bytes as one number, as both exports write it.
std::string DwordData(const std::vector<std::uint8_t>& data) {
    char dword[20];
    std::snprintf(dword, sizeof dword, "dword:%08x",
                  static_cast<unsigned>(data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24));
    return dword;
}

int TickedCount(const std::vector<engine::Finding>& findings) {
    int ticked = 0;
    for (const engine::Finding& f : findings) ticked += f.ticked ? 1 : 0;
    return ticked;
}

}  // namespace

bool BackupValueLine(platform::CodePage& codePage, const std::string& valueName, std::uint32_t type,
                     const std::vector<std::uint8_t>& data, std::string* line) {
    if (!FitsOnALine(valueName)) return false;
    const bool isString = type == 1 || type == 2 || type == 7;
    std::string text;  // of a string type, with its closing NUL
    if (isString) {
        // Whole UTF-16 characters only, and only what reads back as the same
        // units. The text must end with its NUL; a plain or expandable string
        // may hold no other, or importing would not give the same bytes back.
        if (data.size() % 2 != 0) return false;
        text = platform::Utf16BytesToUtf8(data.data(), data.size());
        if (platform::Utf8ToUtf16Bytes(text) != data) return false;
        if (text.empty() || text.back() != '\0') return false;
        if (type != 7 && text.find('\0') != text.size() - 1) return false;
        // A list ends with the empty string that closes it (an empty one is
        // its NUL alone): the reader takes any other end for a cut file.
        if (type == 7 && text.size() > 1 && text[text.size() - 2] != '\0') return false;
    }
    // Escaped while still Unicode, then converted whole: in a double-byte
    // code page the second byte of a character may be a backslash, which is
    // part of that character and no escape.
    const std::string name = valueName.empty() ? std::string("@") : Quoted(valueName);
    std::string out;
    if (type == 1 && text.find_first_of("\r\n") == std::string::npos)
        return codePage.Encode(name + "=" + Quoted(text.substr(0, text.size() - 1)), line);
    if (!codePage.Encode(name + "=", &out)) return false;
    if (type == 4 && data.size() == 4) {
        out += DwordData(data);
    } else if (isString) {
        // The import reads these bytes in the code page, as the file's text.
        std::string bytes;
        if (!codePage.Encode(text, &bytes)) return false;
        out += HexData(type, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), out.size());
    } else {
        out += HexData(type, data, out.size());
    }
    *line = out;
    return true;
}

bool BackupValueLine5(const std::string& valueName, std::uint32_t type, const std::vector<std::uint8_t>& data,
                      std::string* line) {
    if (!FitsOnALine(valueName) || !RoundTrips(valueName)) return false;
    std::string out = (valueName.empty() ? std::string("@") : Quoted(valueName)) + "=";
    // A string in quotes only where importing gives back the same bytes:
    // whole characters, one closing NUL and no other, no line end. Any other
    // string, and every expandable or multi-string as the registry editor
    // writes them, is its exact bytes.
    if (type == 1 && data.size() % 2 == 0) {
        const std::string text = platform::Utf16BytesToUtf8(data.data(), data.size());
        if (platform::Utf8ToUtf16Bytes(text) == data && !text.empty() && text.find('\0') == text.size() - 1 &&
            text.find_first_of("\r\n") == std::string::npos) {
            *line = out + Quoted(text.substr(0, text.size() - 1));
            return true;
        }
    }
    if (type == 4 && data.size() == 4) {
        *line = out + DwordData(data);
        return true;
    }
    *line = out + HexData(type, data, out.size());
    return true;
}

std::string BackupFileName(const std::string& dateTimeText, int copy) {
    std::string stamp = dateTimeText;
    std::replace(stamp.begin(), stamp.end(), '/', '-');
    std::replace(stamp.begin(), stamp.end(), ':', ';');
    std::string name = "Backup (" + stamp + ")";
    if (copy > 1) name += " (" + std::to_string(copy) + ")";
    return name + ".reg";
}

BackupResult WriteBackupFile(const std::vector<engine::Finding>& findings, platform::Registry& registry,
                             platform::FileSystem& files, platform::CodePage& codePage,
                             const std::string& dateTimeText, OpenKeys* keys, const RepairStep& step) {
    using engine::Outcome;
    OpenKeys ownKeys(registry);  // closed on return when the caller keeps none
    OpenKeys& reached = keys ? *keys : ownKeys;
    const int total = TickedCount(findings);
    int done = 0;
    BackupResult result;
    result.outcomes.assign(findings.size(), Outcome::None);
    const std::string folder = profile::DataFolder(files) + "\\RegBackups";
    if (files.PathExists(folder) != 1) files.CreateFolder(folder);

    // Each value as it is now, read back from the registry.
    std::string text = std::string("REGEDIT4") + kCrLf;
    std::string lastKeyLine;
    std::vector<BackupValue> held;  // what the file must give back
    bool regedit5 = false;  // a value REGEDIT4 text cannot hold is held
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const engine::Finding& f = findings[i];
        if (!f.ticked) continue;
        if (step && !step(++done, total)) {
            result.stopped = true;
            return result;
        }
        Outcome& outcome = result.outcomes[i];
        outcome = Outcome::KeptByBackup;  // until it is in the text
        std::vector<std::uint8_t> data;
        std::string keyLine, valueLine;
        // Vanished, unreadable, or not to be held exactly: it stays in the
        // registry (or is known to be gone already).
        if (!FitsOnALine(f.keyPath) || !FitsOnALine(f.valueName)) continue;
        // The registry editor cuts a key longer than the registry takes in
        // one call, as the registry does, and would give the value back into
        // another key: such a value cannot be held.
        const std::string keyName = f.rootName + "\\" + f.keyPath;
        if (platform::Utf16Length(keyName) > platform::kMaxKeyPathUnits) continue;
        // Only the value the scan listed, where it listed it and as it was;
        // the key stays open for the removal that follows.
        platform::RegHandle key = 0;
        switch (CheckListedValue(reached, f, platform::kKeyQueryValue, keys ? platform::kKeySetValue : 0, &key, &data)) {
        case Listed::AsListed: break;
        case Listed::Gone: outcome = Outcome::AlreadyGone; continue;
        case Listed::Changed: outcome = Outcome::ChangedSinceScan; continue;
        case Listed::Unreadable: continue;
        }
        if (codePage.Encode("[" + keyName + "]", &keyLine) && BackupValueLine(codePage, f.valueName, f.type, data, &valueLine)) {
            if (keyLine != lastKeyLine) text += kCrLf + keyLine + kCrLf;
            text += valueLine + kCrLf;
            lastKeyLine = keyLine;
        } else if (RoundTrips(keyName) && BackupValueLine5(f.valueName, f.type, data, &valueLine)) {
            regedit5 = true;  // the whole file is written so
        } else {
            continue;
        }
        outcome = Outcome::None;
        held.push_back({keyName, f.valueName, f.type, std::move(data)});
    }

    // The file tells how many values it holds, right after its header, so
    // that a copy cut short is known for one. The registry editor passes
    // over the comment. (The Unicode export says it likewise.)
    text.insert(text.find(kCrLf) + 2, BackupCountLine(held.size()) + kCrLf);

    // A new file of its own: an earlier backup of the same second is kept.
    // It is written under a name the backup page does not list, and takes
    // its own only once it is on the disk and checked: a repair stopped
    // halfway (a crash, a machine switched off) leaves no partial backup
    // that a restore would take for whole.
    std::unique_ptr<platform::OutputFile> file;
    std::string unchecked;
    for (int copy = 1; copy < 1000; ++copy) {
        result.path = folder + "\\" + BackupFileName(dateTimeText, copy);
        unchecked = result.path + ".new";
        if (files.PathExists(result.path) == 1 || files.PathExists(unchecked) == 1) continue;
        file = files.CreateNewFile(unchecked);
        break;
    }
    if (!file) return result;
    if (regedit5) text = Regedit5File(held);
    const bool wrote = file->Write(text);
    const bool closed = file->Close();  // flushed to the disk
    if (!wrote || !closed) {
        files.RemoveFile(unchecked);
        return result;
    }
    // Read back from the disk as an import reads it: only a file that gives
    // back exactly the values about to be removed lets them go.
    std::string bytes;
    const auto values = files.ReadFile(unchecked, &bytes) ? ReadBackupFile(codePage, bytes) : std::nullopt;
    if (!values || *values != held) {
        files.RemoveFile(unchecked);
        result.written = true;
        return result;
    }
    if (!files.RenameToNew(unchecked, result.path)) {
        files.RemoveFile(unchecked);
        return result;
    }
    result.written = result.verified = true;
    RemoveStaleUncheckedFiles(files, folder, result.path);
    return result;
}

}  // namespace scan
