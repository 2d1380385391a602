#include "scan/FormRestoreAndBackup.h"

#include <cctype>

#include "profile/DataFolder.h"

namespace scan {

namespace {

bool EndsInReg(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ending = name.substr(name.size() - 4);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".reg";
}

}  // namespace

std::string BackupFolder(platform::FileSystem& files) { return profile::DataFolder(files) + "\\RegBackups"; }

std::vector<std::string> ListBackupFiles(platform::FileSystem& files) {
    std::vector<std::string> names;
    for (const std::string& name : files.ListFiles(BackupFolder(files) + "\\*.reg"))
        // The pattern also matches a name whose short form ends in ".REG",
        // such as "b.regx": only a name that itself ends in ".reg" is a backup.
        if (EndsInReg(name)) names.push_back(name);
    return names;
}

FormRestoreAndBackup::FormRestoreAndBackup(const BackupPageControls& controls, platform::FileSystem& files,
                                           platform::Shell& shell, platform::UiServices& ui, std::intptr_t window)
    : c_(controls), files_(files), shell_(shell), ui_(ui), window_(window) {
    c_.CommandRefresh.Click = [this] { CommandRefresh_Click(); };
    c_.CommandRestore.Click = [this] { CommandRestore_Click(); };
    c_.CommandDelete.Click = [this] { CommandDelete_Click(); };
    c_.ListViewBackups.SetRows(this);
}

int FormRestoreAndBackup::SelectedRow() const {
    const int selected = c_.ListViewBackups.Selected();
    return selected >= 1 && selected <= static_cast<int>(names_.size()) ? selected : 1;
}

std::string FormRestoreAndBackup::SelectedPath() const {
    return BackupFolder(files_) + "\\" + names_[static_cast<std::size_t>(SelectedRow() - 1)];
}

void FormRestoreAndBackup::CommandRefresh_Click() {
    names_.clear();
    c_.ListViewBackups.SetRowCount(0);
    names_ = ListBackupFiles(files_);
    c_.ListViewBackups.SetRowCount(static_cast<int>(names_.size()));
    if (!names_.empty()) c_.ListViewBackups.Select(1);
}

void FormRestoreAndBackup::CommandRestore_Click() {
    if (names_.empty()) {
        ui_.ShowMessage("There is no backup file to restore.", platform::MessageStyle::Exclamation);
        return;
    }
    const std::string path = SelectedPath();
    if (shell_.Open(window_, path) > 32) return;
    // No program is registered for the file (a fresh Wine prefix, say): hand
    // it to the registry editor ourselves.
    if (shell_.Run("regedit.exe \"" + path + "\"")) return;
    ui_.ShowMessage("The backup could not be restored:" + path, platform::MessageStyle::Exclamation);
}

void FormRestoreAndBackup::CommandDelete_Click() {
    std::string kept;
    if (names_.empty()) {
        ui_.ShowMessage("There is no file to delete.", platform::MessageStyle::Exclamation);
    } else {
        const std::string path = SelectedPath();
        kept = names_[static_cast<std::size_t>(SelectedRow() - 1)];
        if (ui_.ShowMessage("Make sure delete:" + path, platform::MessageStyle::QuestionNoFirst) ==
                platform::MessageAnswer::Yes &&
            !files_.RemoveFile(path))
            ui_.ShowMessage("The backup file could not be deleted:" + path, platform::MessageStyle::Exclamation);
    }
    CommandRefresh_Click();
    // The file the user declined to delete (or that could not be deleted)
    // stays selected: the next Delete must not ask about another one.
    for (int row = 1; row <= static_cast<int>(names_.size()); ++row)
        if (names_[static_cast<std::size_t>(row - 1)] == kept) c_.ListViewBackups.Select(row);
}

}  // namespace scan
