#include "engine/FileReferences.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "engine/RegSearch.h"

namespace engine {

const char* const kFileExtensions[13] = {".EXE", ".SYS", ".DLL", ".OCX", ".OCA", ".VXD", ".AX",
                                         ".COM", ".CPL", ".TLB", ".SCR", ".BAT", ".DRV"};

namespace {

const char kCutCharacters[] = {'/', '*', '?', '"', '<', '>', '|', ',', '(', ';'};

// A character that continues a name: an extension followed by one of these
// (as ".COM" in "MY.COMPANY") does not end the name there.
bool ContinuesName(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-'; }

// Periods after an extension continue the name only where it goes on after
// them ("APP.EXE.CONFIG"); where the text or a sentence ends ("could not start
// C:\APP\GONE.EXE."), the name ended with the extension.
bool EndsName(std::string_view s, std::size_t end) {
    while (end < s.size() && s[end] == '.') ++end;
    return end == s.size() || !ContinuesName(s[end]);
}

// The end of the first occurrence of `ext` from `from` on that ends a name,
// or npos.
std::size_t EndOfExtension(std::string_view s, std::string_view ext, std::size_t from = 0) {
    for (std::size_t at = s.find(ext, from); at != std::string_view::npos; at = s.find(ext, at + 1))
        if (EndsName(s, at + ext.size())) return at + ext.size();
    return std::string_view::npos;
}

// The end of the first listed extension, of any kind, that ends a name from
// `from` on, or npos.
std::size_t EndOfFirstExtension(std::string_view s, std::size_t from) {
    std::size_t first = std::string_view::npos;
    for (const char* ext : kFileExtensions) first = std::min(first, EndOfExtension(s, ext, from));
    return first;
}

// How much of the text (from the drive on) the cuts leave: each extension
// that ends a name, in list order, then each cut character, then a colon
// past the drive's own.
std::size_t CutLength(std::string_view s) {
    for (const char* ext : kFileExtensions) {
        const std::size_t end = EndOfExtension(s, ext);
        if (end != std::string_view::npos) s = s.substr(0, end);
    }
    for (char cut : kCutCharacters) s = s.substr(0, s.find(cut));
    return s.substr(0, s.find(':', 2)).size();
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Every occurrence removed in one pass from left to right, as a text
// replacement does: what the removal joins together is not looked at again.
std::string RemoveAll(const std::string& s, const std::string& pattern) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = s.find(pattern, from)) != std::string::npos; from = at + pattern.size())
        out.append(s, from, at - from);
    out.append(s, from);
    return out;
}

}  // namespace

const std::string& FileReferences::SystemDrive() {
    if (drive_.empty()) {
        systemFolderAsGiven_ = files_.SystemDirectory();
        drive_ = UpperCase(systemFolderAsGiven_.substr(0, 2));
        systemFolder_ = UpperCase(systemFolderAsGiven_);
        wow64Folder_ = files_.SystemWow64Directory();
        const std::size_t windowsEnd = systemFolder_.rfind('\\');
        if (windowsEnd != std::string::npos && windowsEnd > 2)
            sysnativeFolder_ = systemFolder_.substr(0, windowsEnd) + "\\SYSNATIVE";
        programFilesX86_ = UpperCase(files_.ProgramFilesX86Directory());
        if (programFilesX86_.empty()) programFilesX86_ = drive_ + "\\PROGRAM FILES (X86)";
    }
    return drive_;
}

// The cuts are made on the upper-case text; upper-casing changes ASCII letters
// only and never the length, so the path as written is the same slice of the
// value's own text, and " %1" (no letters) is found at the same places in both.
std::vector<FileReferences::FilePath> FileReferences::CandidateFilePaths(const std::string& text) {
    const std::string upper = UpperCase(text);
    const std::string& d = SystemDrive();
    const std::size_t begin = upper.find(d);
    if (begin == std::string::npos) return {{d, d}};
    const std::string s = upper.substr(begin), written = text.substr(begin);
    std::size_t first = CutLength(s);
    // The 32-bit program folder's name holds a parenthesis, where the cuts
    // end every path under it ("C:\PROGRAM FILES "): such a path is read from
    // the folder's whole name on to the first extension that ends a name.
    const std::string& x86 = programFilesX86_;
    if (first < x86.size() && StartsWith(s, x86) && (s.size() == x86.size() || s[x86.size()] == '\\')) {
        const std::size_t end = EndOfFirstExtension(s, x86.size());
        if (end != std::string::npos) first = end;
    }
    std::vector<std::size_t> ends{first};
    for (const std::string_view ext : kFileExtensions)
        for (std::size_t at = s.find(ext); at != std::string::npos; at = s.find(ext, at + 1))
            if (at + ext.size() > first && EndsName(s, at + ext.size())) ends.push_back(at + ext.size());
    std::sort(ends.begin() + 1, ends.end());

    std::vector<FilePath> paths;
    for (std::size_t end : ends) paths.push_back({RemoveAll(s.substr(0, end), " %1"), RemoveAll(written.substr(0, end), " %1")});
    return paths;
}

std::string FileReferences::ExtractFilePath(const std::string& text) {
    const std::string upper = UpperCase(text);
    const std::string& d = SystemDrive();
    const std::size_t begin = upper.find(d);
    if (begin == std::string::npos) return d;
    const std::string s = upper.substr(begin);
    return RemoveAll(s.substr(0, CutLength(s)), " %1");
}

platform::Existence FileReferences::FileExistence(const std::string& path) {
    const auto known = answers_.find(path);
    if (known != answers_.end()) return known->second;
    const platform::Existence answer = AskFileExistence(path);
    answers_.emplace(path, answer);
    return answer;
}

platform::Existence FileReferences::AskFileExistence(const std::string& path) {
    const platform::Existence answer = files_.FileExistence(path);
    if (answer != platform::Existence::Missing) return answer;
    SystemDrive();
    const std::string upper = UpperCase(path);
    // Registrations of 32-bit programs name files in the system folder that
    // live in the 32-bit one; those are not missing.
    if (!wow64Folder_.empty() && !systemFolder_.empty() && StartsWith(upper, systemFolder_ + '\\'))
        return files_.FileExistence(wow64Folder_ + path.substr(systemFolder_.size()));
    // They name the 64-bit system folder "Sysnative", an alias that only
    // 32-bit programs see: the file is there when it is in the system folder.
    if (!sysnativeFolder_.empty() && StartsWith(upper, sysnativeFolder_ + '\\'))
        return files_.FileExistence(systemFolderAsGiven_ + path.substr(sysnativeFolder_.size()));
    return platform::Existence::Missing;
}

bool FileReferences::HasListedExtension(const std::string& upperPath) {
    for (const std::string ext : kFileExtensions)
        if (upperPath.size() >= ext.size() && upperPath.compare(upperPath.size() - ext.size(), ext.size(), ext) == 0)
            return true;
    return false;
}

bool FileReferences::HoldsListedExtension(const std::string& upperText) {
    return EndOfFirstExtension(upperText, 0) != std::string_view::npos;
}

}  // namespace engine
