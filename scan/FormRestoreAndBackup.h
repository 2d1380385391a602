#pragma once
// The backup manager page: lists the backup files, restores one through the
// registry editor and deletes one after asking.
#include <cstdint>

#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace scan {

struct BackupPageControls {
    platform::ListView& ListViewBackups;
    platform::PushButton& CommandRefresh;
    platform::PushButton& CommandRestore;
    platform::PushButton& CommandDelete;
};

class FormRestoreAndBackup {
public:
    FormRestoreAndBackup(const BackupPageControls& controls, platform::FileSystem& files, platform::Shell& shell,
                         platform::UiServices& ui, std::intptr_t window);

    void Form_Load() { CommandRefresh_Click(); }
    void CommandRefresh_Click();
    void CommandRestore_Click();
    void CommandDelete_Click();

private:
    std::string SelectedPath() const;

    BackupPageControls c_;
    platform::FileSystem& files_;
    platform::Shell& shell_;
    platform::UiServices& ui_;
    std::intptr_t window_;
};

}  // namespace scan
