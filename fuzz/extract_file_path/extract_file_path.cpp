// The path read out of any value text, and the match handler's judgement of
// it: the path begins with the system drive, never grows beyond the text and
// the drive, and upper-casing touches ASCII letters only.
#include <cstdint>
#include <string>

#include "fuzz/Check.h"
#include "engine/FileReferences.h"
#include "fakes/MemoryFileSystem.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Where the drive first stands in the text, in either case; npos if nowhere.
std::size_t FindDrive(const std::string& text, char letter) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (Upper(text[i]) == letter && text[i + 1] == ':') return i;
    return std::string::npos;
}

// True when `path` is the text from `from` on, upper-cased letter by letter,
// cut short, with some " %1" taken out (each taken where it stands in the
// text, left to right). Every other byte, 0x80 and above included, must be
// the text's own.
bool ComesFromText(const std::string& path, const std::string& text, std::size_t from) {
    std::size_t at = from;
    for (char c : path) {
        while (at + 3 <= text.size() && text.compare(at, 3, " %1") == 0) at += 3;
        if (at >= text.size() || Upper(text[at]) != c) return false;
        ++at;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the system drive and how the system folder is spelt.
    const char letter = static_cast<char>('A' + bytes[0] % 26);
    const bool lowerCase = bytes[0] & 0x80;
    const std::string text(reinterpret_cast<const char*>(bytes) + 1, size - 1);

    fakes::MemoryFileSystem files;
    files.systemDirectory = std::string(1, lowerCase ? static_cast<char>(letter - 'A' + 'a') : letter) +
                            ":\\Windows\\System32";
    files.wow64Directory = std::string(1, letter) + ":\\Windows\\SysWOW64";
    files.AddFile(std::string(1, letter) + ":\\Windows\\SysWOW64\\old32.dll");
    files.AddFile(std::string(1, letter) + ":\\Program Files\\My.Company\\tool.exe");
    files.AddFile(std::string(1, letter) + ":\\Windows\\System32\\notepad.exe");
    engine::FileReferences refs(files);
    const std::string drive = std::string(1, letter) + ":";
    FUZZ_CHECK(refs.SystemDrive() == drive);

    const std::string path = refs.ExtractFilePath(text);
    FUZZ_CHECK(path.compare(0, 2, drive) == 0);
    FUZZ_CHECK(path.size() <= text.size() + drive.size());
    const std::size_t driveAt = FindDrive(text, letter);
    if (driveAt == std::string::npos) {
        FUZZ_CHECK(path == drive);
    } else {
        FUZZ_CHECK(path.size() <= text.size() - driveAt);
        FUZZ_CHECK(ComesFromText(path, text, driveAt));
    }

    // The match handler's judgement: an error exactly when neither the path
    // nor, for the system folder, its twin in the 32-bit folder exists (nor,
    // for "Sysnative", its twin in the system folder), and
    // the path ends in a listed extension. The drive alone is never one.
    const bool error = !refs.FileExists(path) && engine::FileReferences::HasListedExtension(path);
    const std::string system = drive + "\\WINDOWS\\SYSTEM32\\";
    bool present = files.PathExists(path) == 1;
    if (path.compare(0, system.size(), system) == 0)
        present = present || files.PathExists(drive + "\\WINDOWS\\SYSWOW64\\" + path.substr(system.size())) == 1;
    const std::string sysnative = drive + "\\WINDOWS\\SYSNATIVE\\";
    if (path.compare(0, sysnative.size(), sysnative) == 0)
        present = present || files.PathExists(system + path.substr(sysnative.size())) == 1;
    bool listed = false;
    for (const std::string ext : engine::kFileExtensions)
        listed = listed || (path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0);
    FUZZ_CHECK(error == (!present && listed));
    if (path == drive) FUZZ_CHECK(!error);
    return 0;
}
