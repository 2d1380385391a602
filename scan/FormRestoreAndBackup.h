#pragma once
// The backup manager page: lists the backup files, restores one through the
// registry editor and deletes one after asking.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace scan {

// The backup folder: the application folder's "RegBackups".
std::string BackupFolder(platform::FileSystem& files);
// The backup files as the page lists them: the ordinary files of the folder
// whose name ends in ".reg", in the file system's order (a backup being
// written, under another name, is not among them).
std::vector<std::string> ListBackupFiles(platform::FileSystem& files);

struct BackupPageControls {
    platform::ListView& ListViewBackups;
    platform::PushButton& CommandRefresh;
    platform::PushButton& CommandRestore;
    platform::PushButton& CommandDelete;
};

class FormRestoreAndBackup : private platform::ListRows {
public:
    FormRestoreAndBackup(const BackupPageControls& controls, platform::FileSystem& files, platform::Shell& shell,
                         platform::UiServices& ui, std::intptr_t window);

    void Form_Load() { CommandRefresh_Click(); }
    void CommandRefresh_Click();
    void CommandRestore_Click();
    void CommandDelete_Click();

private:
    // The rows of ListViewBackups: the position, then the file's name.
    std::string Text(int row, int column) const override {
        return column == 0 ? std::to_string(row) : column == 1 ? names_[row - 1] : std::string();
    }
    // The selected row (the first when none is); the list is not empty.
    int SelectedRow() const;
    std::string SelectedPath() const;

    BackupPageControls c_;
    platform::FileSystem& files_;
    platform::Shell& shell_;
    platform::UiServices& ui_;
    std::intptr_t window_;
    std::vector<std::string> names_;  // of the backup files listed
};

}  // namespace scan
