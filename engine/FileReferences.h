#pragma once
// The rules that judge whether a value's text names a missing file.
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"

namespace engine {

// The thirteen program and library extensions, in the order they are tried.
extern const char* const kFileExtensions[13];

class FileReferences {
public:
    explicit FileReferences(platform::FileSystem& files) : files_(files) {}

    // The system drive, e.g. "C:" (upper case), read once.
    const std::string& SystemDrive();
    // The file path read out of a value's text, beginning with the system
    // drive; the drive alone when the text names no path on it. The same
    // characters twice: upper case, as the path is shown and its extension
    // tested, and as written in the value, as the file system is asked about
    // it (on a case-sensitive file system that emulates case-insensitive
    // names, as under Wine, an upper-cased path costs a search of every
    // folder on the way).
    struct FilePath {
        std::string upper;
        std::string asWritten;
    };
    // The readings of a value's text that may name its file, to be tested in
    // order: the path the cuts leave, then each longer one that ends where a
    // later listed extension ends a name ("C:\A.COM SERVICES\B.EXE" after
    // "C:\A.COM"). The file is missing only when none of them exists. Under
    // the 32-bit program folder, whose name holds a parenthesis, the first
    // reading keeps that name whole and ends at the first extension after it.
    std::vector<FilePath> CandidateFilePaths(const std::string& text);
    // The path the cuts leave, upper case: the first reading but under the
    // 32-bit program folder, where it is cut before the parenthesis.
    std::string ExtractFilePath(const std::string& text);
    // Whether the path exists, is missing, or the system cannot tell. A path
    // under the system folder that is missing there is looked for in the
    // 32-bit system folder too, and one under "Sysnative" in the system folder.
    // The answers are kept until ForgetAnswers, so a scan, in which the same
    // few thousand files come up again and again, asks about each path once.
    platform::Existence FileExistence(const std::string& path);
    // True when the path is known to exist.
    bool FileExists(const std::string& path) { return FileExistence(path) == platform::Existence::Exists; }
    void ForgetAnswers() { answers_.clear(); }
    // True when the path ends with one of the extensions.
    static bool HasListedExtension(const std::string& upperPath);
    // True when one of the extensions ends a name anywhere in the text.
    static bool HoldsListedExtension(const std::string& upperText);

private:
    platform::Existence AskFileExistence(const std::string& path);

    platform::FileSystem& files_;
    std::string drive_;
    // Read with the drive.
    std::string systemFolder_;         // upper case
    std::string systemFolderAsGiven_;  // as the system gives it
    std::string wow64Folder_;          // as the system gives it
    std::string sysnativeFolder_;      // upper case: the Windows folder's "SYSNATIVE"
    std::string programFilesX86_;      // upper case
    std::unordered_map<std::string, platform::Existence> answers_;
};

}  // namespace engine
