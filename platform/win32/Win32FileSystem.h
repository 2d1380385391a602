#pragma once
#include "platform/FileSystem.h"

namespace platform::win32 {

// Files and folders over kernel32 and shlwapi.
class Win32FileSystem : public platform::FileSystem {
public:
    std::string SystemDirectory() override;
    std::string SystemWow64Directory() override;
    std::string ProgramFilesX86Directory() override;
    std::string LocalAppDataDirectory() override;
    int PathExists(const std::string& path) override;
    platform::Existence FileExistence(const std::string& path) override;
    std::string AppFolder() override;
    bool CreateFolder(const std::string& path) override;
    std::unique_ptr<platform::OutputFile> CreateNewFile(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool FileDetails(const std::string& path, std::uint64_t* size, std::int64_t* written) override;
    platform::FileRead ReadFile(const std::string& path, std::string* bytes) override;
    bool CanReplace(const std::string& path) override;
    bool RenameOver(const std::string& from, const std::string& to) override;
    bool RenameToNew(const std::string& from, const std::string& to) override;
    std::vector<std::string> ListFiles(const std::string& pattern) override;
};

// What a failed look at a path (GetFileAttributesW's last error) says of
// its file: missing only when the system says the file or path is not there
// or the name is no valid one.
platform::Existence ExistenceAfter(unsigned long error);

// False when the path opens as something other than a file on a disk (a
// device, a pipe); true for a disk file and for anything that does not open.
bool IsDiskFileOrMissing(const std::string& path);

// What a failed open or read of a file (its last error) says of it.
platform::FileRead::Result ReadFailureAfter(unsigned long error);

}  // namespace platform::win32
