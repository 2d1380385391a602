#pragma once
// The rules that judge whether a value's text names a missing file.
#include <string>

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
    // True when the path exists. A path under the system folder that is
    // missing there also counts when it exists in the 32-bit system folder.
    bool FileExists(const std::string& path);
    // True when the path ends with one of the extensions.
    static bool HasListedExtension(const std::string& upperPath);

private:
    platform::FileSystem& files_;
    std::string drive_;
    std::string systemFolder_, wow64Folder_;  // upper case, read with the drive
};

}  // namespace engine
