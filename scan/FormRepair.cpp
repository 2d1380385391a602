#include "scan/FormRepair.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "profile/DataFolder.h"
#include "profile/ModuleNormal.h"
#include "scan/BackupWriter.h"
#include "scan/Repair.h"
#include "scan/RepairEvent.h"
#include "scan/RestorePoint.h"

namespace scan {

double FormRepair::nextLabelTime_ = 0;

FormRepair::FormRepair(const ScanWindowControls& controls, const ScanServices& services, engine::CategorySet ticked)
    : c_(controls),
      s_(services),
      ticked_(std::move(ticked)),
      rules_(services.registry, services.files),
      cReg_(services.registry, services.ui, *this) {
    c_.CommandStart.Click = [this] { CommandStart_Click(); };
    c_.CommandStop.Click = [this] { CommandStop_Click(); };
    c_.CommandRepair.Click = [this] { CommandRepair_Click(); };
    c_.CommandReturn.Click = [this] { CommandReturn_Click(); };
    c_.TimerRunScan.Tick = [this] { TimerRunScan_Timer(); };
}

std::string FormRepair::ProfilePath() const { return profile::DataFolder(s_.files) + profile::kProfileName; }
std::string FormRepair::IgnoreListPath() const { return profile::DataFolder(s_.files) + engine::kIgnoreListName; }

// Not while a walk runs or a repair is under way: the rows may change under it.
std::vector<std::string> FormRepair::MenuItems(int) const {
    if (cReg_.Searching() || repairing_) return {};
    return {"Ignore this value", "Ignore all values under this key"};
}

void FormRepair::lvwRegErrors_Ignore(int row, bool wholeKey) {
    // At the value's real place, so that the entry covers every row and
    // every later scan that shows it, through whatever root or link.
    const engine::IgnoreEntry entry = rules_.EntryFor(findings_[row - 1], wholeKey);
    // Added to the list as it is on the disk now: the user may have edited it.
    // One that cannot be read is never written over with this entry alone.
    std::optional<engine::IgnoreList> list = ReadIgnoreList("so the rows stay");
    if (!list) return;
    list->Add(entry);
    const std::string path = IgnoreListPath();
    if (!engine::SaveIgnoreList(s_.files, path, *list)) {
        s_.ui.ShowMessage("The ignore list could not be written, so the rows stay:\r\n" + path,
                         platform::MessageStyle::Exclamation);
        return;
    }
    rules_.SetIgnoreList(std::move(*list));
    // The keyboard goes on from the row that takes the removed row's place
    // (the last row when there is none after it).
    int before = 0;
    for (int i = 0; i < row - 1; ++i)
        if (!rules_.Ignores(findings_[static_cast<std::size_t>(i)])) ++before;
    std::erase_if(findings_, [this](const engine::Finding& finding) { return rules_.Ignores(finding); });
    const int rows = static_cast<int>(findings_.size());
    c_.lvwRegErrors.SetRowCount(rows);
    c_.lvwRegErrors.RowsChanged();
    c_.lblStatus.SetCaption(std::to_string(rows));
    if (rows == 0) c_.CommandRepair.SetEnabled(false);
    if (rows > 0) c_.lvwRegErrors.Select(std::min(before + 1, rows));
}

std::optional<engine::IgnoreList> FormRepair::ReadIgnoreList(const std::string& consequence) {
    const std::string path = IgnoreListPath();
    platform::FileRead read;
    std::optional<engine::IgnoreList> list = engine::LoadIgnoreList(s_.files, path, &read);
    if (!list)
        s_.ui.ShowMessage("The ignore list could not be read (" + std::string(platform::ReadFailureText(read)) + "), " +
                              consequence + ":\r\n" + path,
                          platform::MessageStyle::Exclamation);
    return list;
}

bool FormRepair::KeepIgnoredSinceTheScan() {
    // Read after the backup's message, which waits for the user: an entry
    // made meanwhile (in another window, by the command line) keeps its
    // value too. It is in the backup already, which does no harm.
    std::optional<engine::IgnoreList> ignored = ReadIgnoreList("so nothing was repaired");
    if (!ignored) return false;
    KeepIgnoredFindings(findings_, rules_, std::move(*ignored));
    c_.lvwRegErrors.RowsChanged();
    return true;
}

void FormRepair::Form_Load() {
    c_.lvwRegErrors.SetRows(this);
    c_.lvwRegErrors.AddColumn("Error Type");
    c_.lvwRegErrors.AddColumn("Root");
    c_.lvwRegErrors.AddColumn("Key");
    c_.lvwRegErrors.AddColumn("Value");
    c_.lvwRegErrors.AddColumn("Missing file");
    c_.lvwRegErrors.AddColumn("Category");
    c_.lblStatus.SetCaption("0");
    c_.RepairCount.SetCaption("0");
    c_.lblCurrentKey.SetCaption("Ready");
    c_.CommandRepair.SetEnabled(false);
    c_.CommandStop.SetEnabled(false);
    c_.TimerRunScan.SetInterval(100);
    c_.TimerRunScan.SetEnabled(true);
}

void FormRepair::TimerRunScan_Timer() {
    // The one automatic scan: the timer is off before the scan starts, so
    // that no later tick can start another.
    c_.TimerRunScan.SetEnabled(false);
    CommandStart_Click();
}

void FormRepair::CommandStart_Click() {
    // Never inside a walk: the start timer may fall due in the yield of a
    // scan begun with Scan. Once a scan has begun, the automatic one is not
    // due any more.
    if (cReg_.Searching() || repairing_) return;
    c_.TimerRunScan.SetEnabled(false);
    std::optional<engine::IgnoreList> ignored = ReadIgnoreList("so the scan did not start");
    if (!ignored) return;
    c_.RepairCount.SetCaption("0");
    c_.lblStatus.SetCaption("0");
    announcedCount_ = "0";  // the first finding is said at once
    nextCountAnnouncement_ = 0;
    findings_.clear();
    c_.lvwRegErrors.SetRowCount(0);
    rules_.StartScan(ticked_, std::move(*ignored));
    const bool expandable = profile::ReadCheckExpandable(s_.profile, ProfilePath());
    rules_.JudgeExpandable(expandable, s_.environment);
    cReg_.SetRootKey(0);
    cReg_.SetSubKey("");
    cReg_.SetSearchFlags(engine::kSearchValueNames | engine::kSearchValueData |
                         (expandable ? engine::kSearchExpandable : 0));
    cReg_.SetSearchString(rules_.SystemDrive());
    // Stop is enabled before Scan is disabled, so that a focus on Scan
    // passes on to Stop.
    c_.CommandStop.SetEnabled(true);
    c_.CommandStart.SetEnabled(false);
    c_.CommandRepair.SetEnabled(false);
    cReg_.DoSearch();
    // A close asked for while the walk ran takes effect now that it is over.
    CloseIfPending();
}

void FormRepair::cReg_SearchKeyChanged(const std::string& sFullKeyName) {
    const double now = s_.ui.SecondsSinceMidnight();
    // The clock starts again at midnight (or is set back): a next time still
    // ahead of it from before would hold the label for the rest of the run.
    if (now > nextLabelTime_ || now + 0.1 < nextLabelTime_) {
        nextLabelTime_ = now + 0.1;
        c_.lblCurrentKey.SetCaption(sFullKeyName);
    }
    // A count held back by the throttle is said once its second is over,
    // even when no further finding comes. The key itself is never said: a
    // reader cannot keep up with it.
    AnnounceCountIfDue(now);
}

void FormRepair::AnnounceCountIfDue(double now) {
    if (c_.lblStatus.Caption() == announcedCount_) return;
    if (now >= nextCountAnnouncement_ || now + 1.0 < nextCountAnnouncement_) {
        nextCountAnnouncement_ = now + 1.0;
        AnnounceCount();
    }
}

void FormRepair::AnnounceCount() {
    announcedCount_ = c_.lblStatus.Caption();
    c_.lblStatus.Announce();
}

void FormRepair::cReg_SearchFound(const std::string& sRootKey, const std::string& sKey, const std::string& sValue,
                                  std::int32_t lFound, const engine::MatchedValue& value) {
    std::optional<engine::Finding> finding = rules_.Judge(sRootKey, sKey, sValue, lFound, value);
    if (!finding) return;
    findings_.push_back(std::move(*finding));
    const int row = static_cast<int>(findings_.size());
    c_.lvwRegErrors.SetRowCount(row);
    c_.lvwRegErrors.EnsureVisible(row);
    c_.lvwRegErrors.AutoSizeColumns();
    c_.lblStatus.SetCaption(std::to_string(row));
    AnnounceCountIfDue(s_.ui.SecondsSinceMidnight());
}

// The end of a walk, by itself or by Stop: every row ticked, and the list
// shown as it is at once (during the walk it is drawn a few times a second).
void FormRepair::TickEveryRow() {
    if (!findings_.empty()) {
        c_.CommandRepair.SetEnabled(true);
        for (engine::Finding& finding : findings_) finding.ticked = true;
        c_.lvwRegErrors.RowsChanged();
    }
    c_.lvwRegErrors.Refresh();
}

void FormRepair::CommandStop_Click() {
    // Scan stays disabled until the walk has unwound (cReg_SearchFinished):
    // a scan started inside the old walk would be entered twice and would
    // leave the old walk running on. Repair is enabled before Stop is
    // disabled, so that a focus on Stop passes on to it.
    TickEveryRow();
    c_.CommandStop.SetEnabled(false);
    cReg_.StopSearch();
    s_.ui.DoEvents();
    profile::WriteProfileValue(s_.profile, ProfilePath(), profile::kRecords, "ErrorCount", c_.lblStatus.Caption());
    s_.ui.DoEvents();
    profile::WriteProfileValue(s_.profile, ProfilePath(), profile::kRecords, "LastScanTime", s_.ui.NowText());
}

void FormRepair::cReg_SearchFinished(std::int32_t lReason) {
    if (lReason == 1) {
        c_.lblCurrentKey.SetCaption("Scan is stopped by user.");
        c_.CommandStart.SetEnabled(true);
    } else {
        c_.lblCurrentKey.SetCaption(lReason == 0 ? std::string("Scan finished") : "Error:" + std::to_string(lReason));
        c_.CommandStart.SetEnabled(true);
        TickEveryRow();
        c_.CommandStop.SetEnabled(false);
    }
    AnnounceScanEnd();
}

void FormRepair::AnnounceScanEnd() {
    // The outcome and the final count, whatever the throttle let through.
    c_.lblCurrentKey.Announce();
    AnnounceCount();
    const std::string outcome = c_.lblCurrentKey.Caption();
    s_.ui.Notify(outcome + (outcome.ends_with('.') ? " " : ", ") + c_.lblStatus.Caption() + " errors");
}

namespace {

// "2813" as "2,813".
std::string WithThousands(int number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), 1, ',');
    return digits;
}

// For the length of a repair: Scan, Stop, Repair and Return disabled, so
// that nothing starts in the repair's yields; each as it was afterwards, and
// the focus back on the button that held it (a disabled button hands its
// focus on), so that the keyboard goes on where it was.
class RepairButtonsOff {
public:
    explicit RepairButtonsOff(std::initializer_list<platform::PushButton*> buttons) {
        for (platform::PushButton* button : buttons)
            if (button->HasFocus()) focused_ = button;
        for (platform::PushButton* button : buttons) {
            held_.emplace_back(button, button->Enabled());
            button->SetEnabled(false);
        }
    }
    RepairButtonsOff(const RepairButtonsOff&) = delete;
    RepairButtonsOff& operator=(const RepairButtonsOff&) = delete;
    ~RepairButtonsOff() {
        for (const auto& [button, enabled] : held_) button->SetEnabled(enabled);
        if (focused_ && focused_->Enabled()) focused_->TakeFocus();
    }

private:
    std::vector<std::pair<platform::PushButton*, bool>> held_;
    platform::PushButton* focused_ = nullptr;
};

}  // namespace

bool FormRepair::RepairStep(int done, int total) {
    s_.ui.DoEventsIfDue();
    const double now = s_.ui.SecondsSinceMidnight();
    // As the key label of the walk: ten times a second at most, and never
    // held by a clock that went back (midnight).
    if (now > nextRepairLabelTime_ || now + 0.1 < nextRepairLabelTime_) {
        nextRepairLabelTime_ = now + 0.1;
        c_.lblCurrentKey.SetCaption("Repairing " + WithThousands(done) + " of " + WithThousands(total) + "...");
    }
    return !sessionEnding_;
}

void FormRepair::CommandRepair_Click() {
    using engine::Outcome;
    if (repairing_ || cReg_.Searching()) return;
    c_.lvwRegErrors.Refresh();  // the repair starts from the rows as they are shown
    const bool backup = profile::ReadBackupBeforeFix(s_.profile, ProfilePath()) == 1;
    std::vector<Outcome> outcomes(findings_.size(), Outcome::None);

    // The repair yields to the window between values: nothing may start,
    // no tick may change and the window may not close under it. A close asked
    // for meanwhile takes effect once it is over.
    struct Busy {
        FormRepair& form;
        ~Busy() {
            form.repairing_ = false;
            if (form.s_.repairRunning) form.s_.repairRunning(false);
            form.CloseIfPending();
        }
    } busy{*this};
    repairing_ = true;
    sessionEnding_ = false;
    repairCounts_ = {};
    if (s_.repairRunning) s_.repairRunning(true);
    nextRepairLabelTime_ = 0;
    const RepairButtonsOff buttonsOff{&c_.CommandStart, &c_.CommandStop, &c_.CommandReturn, &c_.CommandRepair};
    // The keys the backup reaches stay open for the removal.
    OpenKeys keys(s_.registry);
    const auto step = [this](int done, int total) { return RepairStep(done, total); };
    // What the label says between the steps and at the end, as it did
    // before the label showed how far a repair is.
    std::string label = c_.lblCurrentKey.Caption();

    std::string backupPath;
    if (backup) {
        label = "Creating backup files...";
        c_.lblCurrentKey.SetCaption(label);
        BackupResult written = WriteBackupFile(findings_, s_.registry, s_.files, s_.codePage, s_.ui.NowText(), &keys, step);
        c_.lblCurrentKey.SetCaption(label);
        if (written.stopped) {  // the session is ending: nothing was removed
            WriteRepairEvent(s_.eventLog, findings_, "", s_.user, ticked_);
            return;
        }
        if (!written.written || !written.verified) {
            const std::string why = written.written ? "The backup file could not be verified, so nothing was repaired"
                                                    : "The backup file could not be written, so nothing was repaired";
            WriteRepairRefusedEvent(s_.eventLog, written.written, written.path, s_.user, ticked_);
            s_.ui.ShowMessage(why + ":\r\n" + written.path, platform::MessageStyle::Exclamation);
            return;
        }
        s_.ui.ShowMessage("Backup file:" + written.path, platform::MessageStyle::Information);
        outcomes = std::move(written.outcomes);
        backupPath = written.path;
    }

    if (!KeepIgnoredSinceTheScan()) return;

    // The restore point, when asked for, comes after that, right before the first
    // removal; the window stays alive however long Windows takes.
    const RestorePointServices points{s_.systemRestore, s_.registry, s_.profile, ProfilePath(), s_.ui};
    RestorePointResult point;
    if (profile::ReadRestorePoint(s_.profile, ProfilePath()) && AnyToRemove(findings_, outcomes)) {
        c_.lblCurrentKey.SetCaption("Creating a restore point\u2026");
        point = BeginRestorePoint(points);
        c_.lblCurrentKey.SetCaption(label);
    }

    nextRepairLabelTime_ = 0;  // the removal's first value is shown at once
    const RepairCounts counts = RemoveTickedFindings(findings_, outcomes, s_.registry, &keys, step, &repairCounts_);
    keys.CloseAll();
    EndRestorePoint(points, point, AnyRemoved(findings_));
    c_.lblCurrentKey.SetCaption(label);
    c_.lvwRegErrors.RowsChanged();

    c_.RepairCount.SetCaption(std::to_string(counts.repaired));
    WriteRepairEvent(s_.eventLog, findings_, backupPath, s_.user, ticked_);
    c_.RepairCount.Announce();
    std::string message = RepairMessage(counts);
    if (point.outcome != RestorePointOutcome::NotAsked) message += "\r\n" + RestorePointLine(point);
    // No message box while the session ends: nobody is there to close it.
    if (!counts.stopped) {
        s_.ui.Notify(std::to_string(counts.repaired) + " errors has repaired.");
        s_.ui.ShowMessage(message, platform::MessageStyle::Exclamation);
    }
    profile::WriteProfileValue(s_.profile, ProfilePath(), profile::kRecords, "FixedCount", std::to_string(counts.repaired));
}

void FormRepair::EndSession() {
    if (!repairing_) return;
    sessionEnding_ = true;
    // Between two values: the ones taken up so far are all the repair did.
    profile::WriteProfileValue(s_.profile, ProfilePath(), profile::kRecords, "FixedCount",
                               std::to_string(repairCounts_.repaired));
}

void FormRepair::ExitGuard() {
    // A repair is as busy as a scan: the window stays until it is over.
    if (c_.CommandStop.Enabled() || repairing_) {
        s_.ui.ShowMessage("Now scanning,can not exit.", platform::MessageStyle::Exclamation);
        return;
    }
    CloseWhenIdle();
}

void FormRepair::CloseWhenIdle() {
    if (cReg_.Searching() || repairing_)
        closePending_ = true;  // the walk or the repair is still on the stack: close when it is over
    else
        s_.closeWindow();
}

void FormRepair::CloseIfPending() {
    if (closePending_) {
        closePending_ = false;
        s_.closeWindow();
    }
}

}  // namespace scan
