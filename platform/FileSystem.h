#pragma once
// The file operations the program takes from the system. Paths are the
// program's UTF-8 text, with backslashes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A file being written. Close reports whether everything reached the disk.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool Write(const std::string& bytes) = 0;
    virtual bool Close() = 0;
};

// What the system can say about a path.
enum class Existence { Exists, Missing, CannotTell };

// What became of reading a whole file. Only a file that is not there at
// all is Missing: one that is there but cannot be read is told apart, so
// that a file the user relies on is never taken for an empty one.
struct FileRead {
    enum Result {
        Read,
        Missing,       // neither the file nor its folder is there
        Folder,        // a folder has the file's name
        NotADiskFile,  // a device (con, aux, a pipe): reading it could wait for ever
        InUse,         // another program holds it open against reading
        Denied,        // this user may not read it
        Failed,        // any other failure, a read error among them
    } result = Failed;
    explicit operator bool() const { return result == Read; }
};

// Why a file could not be read, for a message that names it.
inline const char* ReadFailureText(FileRead read) {
    switch (read.result) {
    case FileRead::Read: return "read";
    case FileRead::Missing: return "it is not there";
    case FileRead::Folder: return "it is a folder";
    case FileRead::NotADiskFile: return "it is a device, not a file on a disk";
    case FileRead::InUse: return "another program holds it open";
    case FileRead::Denied: return "access is denied";
    case FileRead::Failed: break;
    }
    return "it could not be read whole";
}

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // GetSystemDirectoryW, e.g. C:\windows\system32.
    virtual std::string SystemDirectory() = 0;
    // GetSystemWow64DirectoryW; empty where there is no 32-bit system folder.
    virtual std::string SystemWow64Directory() = 0;
    // SHGetKnownFolderPath(FOLDERID_ProgramFilesX86), e.g. C:\Program Files (x86);
    // empty where the system names none.
    virtual std::string ProgramFilesX86Directory() = 0;
    // SHGetKnownFolderPath(FOLDERID_LocalAppData), the user's own
    // C:\Users\<name>\AppData\Local; empty where the system names none.
    virtual std::string LocalAppDataDirectory() = 0;
    // PathFileExistsW: 1 when the file or folder exists.
    virtual int PathExists(const std::string& path) = 0;
    // GetFileAttributesW: Exists for a file or folder; Missing only when the
    // system says the file or the path is not there or the name is not a
    // valid one; CannotTell for any other failure (access denied, a sharing
    // violation, a device not ready, a network path or server that cannot be
    // reached), where the file may well be there.
    virtual Existence FileExistence(const std::string& path) = 0;
    // The folder of the executable, without a trailing backslash.
    virtual std::string AppFolder() = 0;
    virtual bool CreateFolder(const std::string& path) = 0;
    // Creates a file that must not exist yet; null when it exists or cannot be made.
    virtual std::unique_ptr<OutputFile> CreateNewFile(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Puts the file `from` in the place of `to` (replacing it) in one step,
    // written through to the disk; false when it could not.
    virtual bool RenameOver(const std::string& from, const std::string& to) = 0;
    // Gives the file `from` the name `to`, which must not exist yet (a file
    // there is never replaced), written through to the disk; false when it
    // could not.
    virtual bool RenameToNew(const std::string& from, const std::string& to) = 0;
    // The file's size in bytes and the time it was last written, in seconds
    // since 1970-01-01 UTC; false when it cannot be asked about.
    virtual bool FileDetails(const std::string& path, std::uint64_t* size, std::int64_t* written) = 0;
    // The whole file's bytes, from a file on a disk only.
    virtual FileRead ReadFile(const std::string& path, std::string* bytes) = 0;
    // Whether a file could take the place of `path` now (RenameOver): true
    // when nothing is there, or a file on a disk that this user may replace
    // (not read-only, not a folder or a device, held open by no one against it).
    virtual bool CanReplace(const std::string& path) = 0;
    // Names (without folder) of the ordinary files matching a wildcard pattern
    // such as "C:\dir\*.reg", in the order the file system yields them.
    virtual std::vector<std::string> ListFiles(const std::string& pattern) = 0;
};

}  // namespace platform
