#pragma once
// An in-memory file system with Windows paths: folders, files with their
// bytes, and failures that can be switched on.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace fakes {

class MemoryFileSystem : public platform::FileSystem {
public:
    MemoryFileSystem();

    std::string systemDirectory = "C:\\windows\\system32";
    std::string wow64Directory;  // empty: no 32-bit system folder
    std::string programFilesX86;  // empty: the system names none
    std::string appFolder = "C:\\Program Files\\Varnholt";
    // The clock of the files' times (seconds since 1970), a second on at
    // every file made.
    std::int64_t clock = 1796000000;
    std::string localAppData = "C:\\Users\\User\\AppData\\Local";

    // Switchable failures.
    bool failCreateFolder = false;
    bool failCreateFile = false;
    int failWriteAfter = -1;  // writes that succeed before every later one fails; -1 never
    bool failClose = false;
    std::string garbleWrites;  // added to what each write stores: a file that reads back otherwise
    bool failDelete = false;
    // Paths the system cannot answer about (access denied, device not
    // ready): PathFileExistsW says no, GetFileAttributesW fails otherwise.
    void AddUnanswerable(const std::string& path);
    // A file there that reads fail on, with this result (held open by
    // another program, access denied, a device).
    void FailReads(const std::string& path, platform::FileRead::Result result);
    // A file that cannot be replaced or written over.
    void MakeReadOnly(const std::string& path);

    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, const std::string& bytes = {}, bool hidden = false);
    bool HasFile(const std::string& path) const;
    std::string Contents(const std::string& path) const;
    std::vector<std::string> FilesIn(const std::string& folder) const;

    std::string SystemDirectory() override { return systemDirectory; }
    std::string SystemWow64Directory() override { return wow64Directory; }
    std::string ProgramFilesX86Directory() override { return programFilesX86; }
    std::string LocalAppDataDirectory() override { return localAppData; }
    int PathExists(const std::string& path) override;
    platform::Existence FileExistence(const std::string& path) override;
    std::string AppFolder() override { return appFolder; }
    bool CreateFolder(const std::string& path) override;
    std::unique_ptr<platform::OutputFile> CreateNewFile(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool FileDetails(const std::string& path, std::uint64_t* size, std::int64_t* written) override;
    platform::FileRead ReadFile(const std::string& path, std::string* bytes) override;
    bool CanReplace(const std::string& path) override;
    bool RenameOver(const std::string& from, const std::string& to) override;
    bool RenameToNew(const std::string& from, const std::string& to) override;
    std::vector<std::string> ListFiles(const std::string& pattern) override;

private:
    struct File {
        std::string bytes;
        bool hidden = false;
        std::int64_t written = 0;
    };
    class Output;
    static std::string Key(const std::string& path);  // case-folded, no trailing backslash
    static std::string Parent(const std::string& path);
    bool Move(const std::string& from, const std::string& to);

    std::set<std::string> folders_;
    std::set<std::string> unanswerable_;
    std::set<std::string> readOnly_;
    std::map<std::string, platform::FileRead::Result> failedReads_;
    std::map<std::string, std::pair<std::string, File>> files_;  // key -> (path as given, file)
    int writes_ = 0;
};

}  // namespace fakes
