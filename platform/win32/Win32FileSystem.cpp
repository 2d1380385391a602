#include "platform/win32/Win32FileSystem.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

class Win32OutputFile : public platform::OutputFile {
public:
    explicit Win32OutputFile(HANDLE file) : file_(file) {}
    ~Win32OutputFile() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    Win32OutputFile(const Win32OutputFile&) = delete;
    Win32OutputFile& operator=(const Win32OutputFile&) = delete;

    bool Write(const std::string& bytes) override {
        DWORD written = 0;
        return file_ != INVALID_HANDLE_VALUE &&
               WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }
    bool Close() override {
        if (file_ == INVALID_HANDLE_VALUE) return false;
        // The backup must be on the disk before anything it holds is removed.
        const bool flushed = FlushFileBuffers(file_) != 0;
        const bool closed = CloseHandle(file_) != 0;
        file_ = INVALID_HANDLE_VALUE;
        return flushed && closed;
    }

private:
    HANDLE file_;
};

}  // namespace

std::string Win32FileSystem::SystemDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return length < MAX_PATH ? Utf8(buffer, length) : std::string();
}

std::string Win32FileSystem::SystemWow64Directory() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemWow64DirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? Utf8(buffer, length) : std::string();
}

std::string Win32FileSystem::ProgramFilesX86Directory() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFilesX86, 0, nullptr, &path))) folder = Utf8(path);
    CoTaskMemFree(path);
    return folder;
}

std::string Win32FileSystem::LocalAppDataDirectory() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path))) folder = Utf8(path);
    CoTaskMemFree(path);
    return folder;
}

int Win32FileSystem::PathExists(const std::string& path) { return PathFileExistsW(Wide(path).c_str()); }

platform::Existence Win32FileSystem::FileExistence(const std::string& path) {
    // As PathFileExistsW does: a drive without its medium fails the call
    // instead of asking the user to insert one.
    DWORD oldMode = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode) != 0;
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
    if (quiet) SetThreadErrorMode(oldMode, nullptr);
    return attributes != INVALID_FILE_ATTRIBUTES ? platform::Existence::Exists : ExistenceAfter(error);
}

platform::Existence ExistenceAfter(unsigned long error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return platform::Existence::Missing;
    default:
        // Access denied, a sharing violation, a device not ready, a server
        // that cannot be reached now (a path on the system drive may pass
        // through a junction or link to one): the file may be there all the
        // same.
        return platform::Existence::CannotTell;
    }
}

std::string Win32FileSystem::AppFolder() {
    // The folder may lie deeper than MAX_PATH: grow the buffer until the
    // whole path fits.
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()))) >= buffer.size())
        buffer.resize(buffer.size() * 2);
    const std::string path = Utf8(buffer.data(), length);
    return path.substr(0, path.find_last_of('\\'));
}

bool Win32FileSystem::CreateFolder(const std::string& path) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

std::unique_ptr<platform::OutputFile> Win32FileSystem::CreateNewFile(const std::string& path) {
    HANDLE file =
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32OutputFile>(file);
}

bool Win32FileSystem::RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()) != 0; }

bool Win32FileSystem::RenameOver(const std::string& from, const std::string& to) {
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::RenameToNew(const std::string& from, const std::string& to) {
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::FileDetails(const std::string& path, std::uint64_t* size, std::int64_t* written) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return false;
    *size = std::uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    // Tenths of microseconds since 1601, as seconds since 1970.
    const std::int64_t ticks = std::int64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    *written = (ticks - 116444736000000000LL) / 10000000;
    return true;
}

platform::FileRead Win32FileSystem::ReadFile(const std::string& path, std::string* bytes) {
    using platform::FileRead;
    const std::wstring wide = Wide(path);
    // Others may read it meanwhile, and may replace it (as the program's own
    // writes do, by renaming over it): this read then keeps the old file whole.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {FileRead::Folder};
        return {ReadFailureAfter(error)};
    }
    // A device name ("aux.reg", "con") opens the device, whose reading waits
    // for input that never comes.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return {FileRead::NotADiskFile};
    }
    bytes->clear();
    char chunk[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, chunk, sizeof chunk, &read, nullptr) != 0) && read > 0) bytes->append(chunk, read);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return {ok ? FileRead::Read : ReadFailureAfter(error)};
}

platform::FileRead::Result ReadFailureAfter(unsigned long error) {
    using platform::FileRead;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return FileRead::Missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FileRead::InUse;
    case ERROR_ACCESS_DENIED: return FileRead::Denied;
    default: return FileRead::Failed;
    }
}

bool IsDiskFileOrMissing(const std::string& path) {
    // Asking for no access at all opens even a file another program holds.
    HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    const bool onDisk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return onDisk;
}

bool Win32FileSystem::CanReplace(const std::string& path) {
    // A read-only file or a folder is never replaced. The attribute is asked
    // first: Wine run as root opens a read-only file for writing all the same.
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // Opened as the replacement opens it, for writing and deleting, sharing
    // everything: it fails for a file this user may not replace, or one that
    // another program holds open without letting it go.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    const bool onDisk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return onDisk;
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if (!(found.dwFileAttributes & kNotOrdinary)) names.push_back(Utf8(found.cFileName, wcslen(found.cFileName)));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

}  // namespace platform::win32
