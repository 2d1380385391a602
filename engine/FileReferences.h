#pragma once
// The rules that judge whether a value's text names a missing file.
#include <string>
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
    // The file path read out of a value's text (upper case), beginning with
    // the system drive; the drive alone when the text names no path on it.
    std::string ExtractFilePath(const std::string& text);
    // The readings of a value's text that may name its file, to be tested in
    // order: the path ExtractFilePath cuts, then each longer one that ends
    // where a later listed extension ends a name ("C:\A.COM SERVICES\B.EXE"
    // after "C:\A.COM"). The file is missing only when none of them exists.
    std::vector<std::string> CandidateFilePaths(const std::string& text);
    // True when the path exists. A path under the system folder that is
    // missing there also counts when it exists in the 32-bit system folder.
    bool FileExists(const std::string& path);
    // True when the path ends with one of the extensions.
    static bool HasListedExtension(const std::string& upperPath);

private:
    // The upper-cased text from the first system drive on; empty when the
    // text holds no system drive.
    std::string FromDrive(const std::string& text);

    platform::FileSystem& files_;
    std::string drive_;
    std::string systemFolder_, wow64Folder_;  // upper case, read with the drive
};

}  // namespace engine
