#include "fakes/MemoryFileSystem.h"

#include <algorithm>
#include <stdexcept>

namespace fakes {

class MemoryFileSystem::Output : public platform::OutputFile {
public:
    Output(MemoryFileSystem& fs, std::string key) : fs_(fs), key_(std::move(key)) {}
    bool Write(const std::string& bytes) override {
        if (fs_.failWriteAfter >= 0 && fs_.writes_ >= fs_.failWriteAfter) return false;
        ++fs_.writes_;
        auto it = fs_.files_.find(key_);
        if (it == fs_.files_.end()) return false;
        it->second.second.bytes += bytes + fs_.garbleWrites;
        return true;
    }
    bool Close() override { return !fs_.failClose; }

private:
    MemoryFileSystem& fs_;
    std::string key_;
};

MemoryFileSystem::MemoryFileSystem() {
    folders_.insert("C:");
    AddFolder("C:\\windows\\system32");
    AddFolder(appFolder);
    AddFolder(localAppData);
}

std::string MemoryFileSystem::Key(const std::string& path) {
    std::string key = path;
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    while (key.size() > 3 && key.back() == '\\') key.pop_back();
    return key;
}

std::string MemoryFileSystem::Parent(const std::string& path) {
    const std::size_t at = path.find_last_of('\\');
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

void MemoryFileSystem::AddFolder(const std::string& path) {
    for (std::string p = Key(path); p.size() > 2; p = Parent(p)) folders_.insert(p);
}

void MemoryFileSystem::AddFile(const std::string& path, const std::string& bytes, bool hidden) {
    AddFolder(Parent(path));
    files_[Key(path)] = {path, File{bytes, hidden, ++clock}};
}

bool MemoryFileSystem::HasFile(const std::string& path) const { return files_.count(Key(path)) != 0; }

std::string MemoryFileSystem::Contents(const std::string& path) const {
    auto it = files_.find(Key(path));
    if (it == files_.end()) throw std::logic_error("no file " + path);
    return it->second.second.bytes;
}

std::vector<std::string> MemoryFileSystem::FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& [key, entry] : files_)
        if (Parent(key) == Key(folder)) names.push_back(entry.first.substr(entry.first.find_last_of('\\') + 1));
    return names;
}

int MemoryFileSystem::PathExists(const std::string& path) {
    const std::string key = Key(path);
    return (folders_.count(key) || files_.count(key)) ? 1 : 0;
}

void MemoryFileSystem::AddUnanswerable(const std::string& path) { unanswerable_.insert(Key(path)); }

platform::Existence MemoryFileSystem::FileExistence(const std::string& path) {
    const std::string key = Key(path);
    if (unanswerable_.count(key)) return platform::Existence::CannotTell;
    return (folders_.count(key) || files_.count(key)) ? platform::Existence::Exists : platform::Existence::Missing;
}

bool MemoryFileSystem::CreateFolder(const std::string& path) {
    const std::string key = Key(path);
    if (failCreateFolder || folders_.count(key) || files_.count(key) || !folders_.count(Parent(key))) return false;
    folders_.insert(key);
    return true;
}

std::unique_ptr<platform::OutputFile> MemoryFileSystem::CreateNewFile(const std::string& path) {
    const std::string key = Key(path);
    if (failCreateFile || files_.count(key) || folders_.count(key) || !folders_.count(Parent(key))) return nullptr;
    files_[key] = {path, File{{}, false, ++clock}};
    return std::make_unique<Output>(*this, key);
}

bool MemoryFileSystem::RemoveFile(const std::string& path) {
    return !failDelete && files_.erase(Key(path)) != 0;
}

bool MemoryFileSystem::RenameOver(const std::string& from, const std::string& to) { return Move(from, to); }

bool MemoryFileSystem::Move(const std::string& from, const std::string& to) {
    auto it = files_.find(Key(from));
    if (it == files_.end() || !folders_.count(Parent(Key(to))) || !CanReplace(to)) return false;
    File file = it->second.second;
    files_.erase(it);
    files_[Key(to)] = {to, file};
    return true;
}

bool MemoryFileSystem::RenameToNew(const std::string& from, const std::string& to) {
    return !files_.count(Key(to)) && !folders_.count(Key(to)) && Move(from, to);
}

bool MemoryFileSystem::FileDetails(const std::string& path, std::uint64_t* size, std::int64_t* written) {
    auto it = files_.find(Key(path));
    if (it == files_.end()) return false;
    *size = it->second.second.bytes.size();
    *written = it->second.second.written;
    return true;
}

void MemoryFileSystem::FailReads(const std::string& path, platform::FileRead::Result result) {
    if (!HasFile(path)) AddFile(path);
    failedReads_[Key(path)] = result;
}

void MemoryFileSystem::MakeReadOnly(const std::string& path) { readOnly_.insert(Key(path)); }

platform::FileRead MemoryFileSystem::ReadFile(const std::string& path, std::string* bytes) {
    using platform::FileRead;
    const std::string key = Key(path);
    if (failedReads_.count(key)) return {failedReads_[key]};
    if (folders_.count(key)) return {FileRead::Folder};
    auto it = files_.find(key);
    if (it == files_.end()) return {FileRead::Missing};
    *bytes = it->second.second.bytes;
    return {FileRead::Read};
}

bool MemoryFileSystem::CanReplace(const std::string& path) {
    const std::string key = Key(path);
    if (folders_.count(key) || readOnly_.count(key)) return false;
    return !failedReads_.count(key) || failedReads_[key] != platform::FileRead::NotADiskFile;
}

// Patterns of the form folder\*.ext only, which is all the program asks.
std::vector<std::string> MemoryFileSystem::ListFiles(const std::string& pattern) {
    const std::string folder = Key(Parent(pattern));
    const std::string mask = Key(pattern.substr(pattern.find_last_of('\\') + 1));
    const std::string ending = mask.size() > 1 && mask[0] == '*' ? mask.substr(1) : mask;
    std::vector<std::string> names;
    for (const auto& [key, entry] : files_) {
        if (Parent(key) != folder || entry.second.hidden) continue;
        const std::string name = key.substr(key.find_last_of('\\') + 1);
        if (name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            names.push_back(entry.first.substr(entry.first.find_last_of('\\') + 1));
    }
    return names;
}

}  // namespace fakes
