#pragma once
// The scan window: runs a scan of the whole registry, lists the values that
// name missing files, and repairs them.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Categories.h"
#include "engine/FindingRules.h"
#include "engine/Finding.h"
#include "engine/RegSearch.h"
#include "platform/CodePage.h"
#include "platform/EventLog.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/SystemRestore.h"
#include "platform/Ui.h"
#include "scan/Repair.h"

namespace scan {

struct ScanWindowControls {
    platform::ListView& lvwRegErrors;
    platform::Label& lblStatus;
    platform::Label& RepairCount;
    platform::Label& lblCurrentKey;
    platform::Timer& TimerRunScan;
    platform::PushButton& CommandStart;
    platform::PushButton& CommandStop;
    platform::PushButton& CommandRepair;
    platform::PushButton& CommandReturn;
};

struct ScanServices {
    platform::Registry& registry;
    platform::FileSystem& files;
    platform::CodePage& codePage;  // of the backup file
    platform::Profile& profile;
    platform::UiServices& ui;
    // Closes the window once the current handler has returned (the host
    // posts the close rather than destroying the window under its caller).
    std::function<void()> closeWindow;
    // Told when a repair begins (true) and ends (false): the host asks the
    // system not to end the session meanwhile.
    std::function<void(bool running)> repairRunning = {};
    // Where each repair is recorded for administrators (none when null), and
    // the user it names.
    platform::EventLog* eventLog = nullptr;
    std::string user = {};
    // The variables expandable strings name, when the settings ask for them
    // to be judged; without it none is known.
    platform::Environment* environment = nullptr;
    // Where a restore point comes from when the setting asks for one; null
    // where the system has none.
    platform::SystemRestore* systemRestore = nullptr;
};

class FormRepair : public platform::ListRows, private engine::RegSearchListener {
public:
    // Lists the findings of the `ticked` categories only.
    FormRepair(const ScanWindowControls& controls, const ScanServices& services,
               engine::CategorySet ticked = engine::AllCategories());
    FormRepair(const FormRepair&) = delete;
    FormRepair& operator=(const FormRepair&) = delete;

    void Form_Load();
    void TimerRunScan_Timer();
    void CommandStart_Click();
    void CommandStop_Click();
    void CommandRepair_Click();
    // Return, the exit image, and the platform's own close command.
    void CommandReturn_Click() { ExitGuard(); }
    void ImageExit_Click() { ExitGuard(); }
    void QueryClose() { CloseWhenIdle(); }
    // The session is ending anyway (a logoff, a shutdown): a repair stops
    // after the value it is at, and what it has repaired is recorded now, as
    // the program may be ended as soon as this returns.
    void EndSession();

    // The findings, which lvwRegErrors shows, row 1 first.
    const std::vector<engine::Finding>& Findings() const { return findings_; }
    bool Scanning() const { return cReg_.Searching(); }
    bool Repairing() const { return repairing_; }

    // The rows of lvwRegErrors: the findings.
    std::string Text(int row, int column) const override { return findings_[row - 1].Text(column); }
    bool Ticked(int row) const override { return findings_[row - 1].ticked; }
    // Not during a repair: its backup and its removal take the same rows.
    void SetTicked(int row, bool on) override {
        if (!repairing_) findings_[row - 1].ticked = on;
    }
    std::optional<platform::Colour> TextColour(int row) const override { return findings_[row - 1].TextColour(); }
    std::vector<std::string> MenuItems(int row) const override;
    void MenuChosen(int row, int item) override { lvwRegErrors_Ignore(row, item == 2); }

private:
    void cReg_SearchFound(const std::string& sRootKey, const std::string& sKey, const std::string& sValue,
                          std::int32_t lFound, const engine::MatchedValue& value);
    void cReg_SearchFinished(std::int32_t lReason);
    void cReg_SearchKeyChanged(const std::string& sFullKeyName);

    void SearchFound(const std::string& sRootKey, const std::string& sKey, const std::string& sValue,
                     std::int32_t lFound, const engine::MatchedValue& value) override {
        cReg_SearchFound(sRootKey, sKey, sValue, lFound, value);
    }
    void SearchFinished(std::int32_t lReason) override { cReg_SearchFinished(lReason); }
    void SearchKeyChanged(const std::string& sFullKeyName) override { cReg_SearchKeyChanged(sFullKeyName); }

    // Keeps the row's value (or every value under its key) out of this and
    // every later scan.
    void lvwRegErrors_Ignore(int row, bool wholeKey);
    std::string IgnoreListPath() const;
    // The ignore list as it is on the disk now; nothing, once the user has
    // been told why and with what `consequence`, when it is there but cannot
    // be read.
    std::optional<engine::IgnoreList> ReadIgnoreList(const std::string& consequence);
    // Just before the first removal: the ticked findings that the ignore
    // list as it is now covers are kept. False, nothing kept or removed,
    // when the list cannot be read.
    bool KeepIgnoredSinceTheScan();
    void ExitGuard();
    void CloseWhenIdle();
    void CloseIfPending();
    // Between two values of a repair: the window's messages, and how far it is.
    // False when the repair is to stop.
    bool RepairStep(int done, int total);
    void TickEveryRow();
    // Screen readers hear the count at most once a second during a walk
    // (lblStatus is a live region), and the outcome and final count at its end.
    void AnnounceCountIfDue(double now);
    void AnnounceCount();
    void AnnounceScanEnd();
    std::string ProfilePath() const;

    ScanWindowControls c_;
    ScanServices s_;
    engine::CategorySet ticked_;
    engine::FindingRules rules_;
    engine::cRegSearch cReg_;
    std::vector<engine::Finding> findings_;
    bool closePending_ = false;
    bool repairing_ = false;  // a repair is on the stack (it yields to the window)
    bool sessionEnding_ = false;  // the repair on the stack is to stop
    RepairCounts repairCounts_;   // of the removal under way
    double nextRepairLabelTime_ = 0;
    double nextCountAnnouncement_ = 0;
    std::string announcedCount_;
    // Throttles the key label; kept for the whole run of the program.
    static double nextLabelTime_;
};

}  // namespace scan
