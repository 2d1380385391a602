#include "cli/Cli.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "cli/CommandLine.h"
#include "cli/DataFolderText.h"
#include "cli/Report.h"
#include "engine/Categories.h"
#include "engine/FindingRules.h"
#include "engine/RegSearch.h"
#include "scan/BackupReader.h"
#include "scan/BackupRestore.h"
#include "scan/BackupWriter.h"
#include "scan/FormRestoreAndBackup.h"
#include "scan/Repair.h"
#include "scan/RepairEvent.h"
#include "scan/RestorePoint.h"
#include "profile/DataFolder.h"
#include "profile/ModuleNormal.h"

namespace cli {
namespace {

constexpr const char* kCrLf = "\r\n";

// The walk's yield on a console: there is no window to serve, so it shows
// how far the walk is, on standard error, a few times a second, and only
// when that is a console (never in a report).
class ConsoleProgress : public platform::UiServices {
public:
    ConsoleProgress(platform::Console& console, platform::UiServices& clock)
        : console_(console), clock_(clock), shown_(console.ErrIsConsole()) {}
    ~ConsoleProgress() override {
        if (shown_ && started_) console_.Err(kCrLf);
    }
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    int keys = 0, findings = 0;

    platform::MessageAnswer ShowMessage(const std::string& text, platform::MessageStyle) override {
        console_.Err(text + kCrLf);
        return platform::MessageAnswer::Ok;
    }
    void DoEvents() override { ShowIfDue(); }
    void DoEventsIfDue() override { ShowIfDue(); }
    double SecondsSinceMidnight() override { return clock_.SecondsSinceMidnight(); }
    std::string NowText() override { return clock_.NowText(); }

private:
    void ShowIfDue() {
        if (!shown_) return;
        // A quarter of a second after the last; the clock starts again at midnight.
        const double now = clock_.SecondsSinceMidnight();
        if (started_ && now >= last_ && now < last_ + 0.25) return;
        last_ = now;
        started_ = true;
        std::string line = "\r";
        line += std::to_string(keys) + " keys, " + std::to_string(findings) + " findings";
        console_.Err(line);
    }

    platform::Console& console_;
    platform::UiServices& clock_;
    const bool shown_;
    bool started_ = false;
    double last_ = 0;
};

// The one line an error is reported with: its cause and the path it concerns.
int Fail(Services& s, const std::string& message) {
    s.console.Err("varnholt-cli: " + message + kCrLf);
    return kExitError;
}

// The ignore list as it is now; nothing, once the error line is written,
// when it is there but cannot be read: the values it keeps are never
// listed or removed as if it were empty.
std::optional<engine::IgnoreList> ReadIgnoreList(Services& s) {
    const std::string path = profile::DataFolder(s.files) + engine::kIgnoreListName;
    platform::FileRead read;
    std::optional<engine::IgnoreList> list = engine::LoadIgnoreList(s.files, path, &read);
    if (!list) Fail(s, "the ignore list cannot be read (" + std::string(platform::ReadFailureText(read)) + "): " + path);
    return list;
}

// A whole scan, as the scan window makes it: all seven roots, names and
// data tested against the system drive, each match judged by the scan's rules.
class Scan : private engine::RegSearchListener {
public:
    Scan(Services& s, const Options& options, engine::IgnoreList ignored)
        : s_(s), progress_(s.console, s.clock), rules_(s.registry, s.files), expandable_(options.expandable) {
        rules_.StartScan(options.categories, std::move(ignored));
        rules_.JudgeExpandable(expandable_, s.environment);
    }
    // False when the walk ended by a failure (its number in `error`).
    bool Run(std::int32_t* error) {
        engine::cRegSearch walk(s_.registry, progress_, *this);
        walk.SetRootKey(0);
        walk.SetSubKey("");
        walk.SetSearchFlags(engine::kSearchValueNames | engine::kSearchValueData |
                            (expandable_ ? engine::kSearchExpandable : 0));
        walk.SetSearchString(rules_.SystemDrive());
        walk.DoSearch();
        *error = reason_;
        return reason_ == 0;
    }
    std::vector<engine::Finding>& Findings() { return findings_; }
    void KeepIgnored(engine::IgnoreList ignored) { scan::KeepIgnoredFindings(findings_, rules_, std::move(ignored)); }
    // Waits as the walk does: on the console, with no window to serve.
    platform::UiServices& Waiting() { return progress_; }

private:
    void SearchFound(const std::string& sRootKey, const std::string& sKey, const std::string& sValue,
                     std::int32_t lFound, const engine::MatchedValue& value) override {
        if (auto finding = rules_.Judge(sRootKey, sKey, sValue, lFound, value)) {
            findings_.push_back(std::move(*finding));
            progress_.findings = static_cast<int>(findings_.size());
        }
    }
    void SearchFinished(std::int32_t lReason) override { reason_ = lReason; }
    void SearchKeyChanged(const std::string&) override { ++progress_.keys; }

    Services& s_;
    ConsoleProgress progress_;
    engine::FindingRules rules_;
    std::vector<engine::Finding> findings_;
    std::int32_t reason_ = 0;
    const bool expandable_;
};

FindingRow RowOf(const engine::Finding& f) {
    FindingRow row;
    row.root = f.rootName;
    row.keyPath = f.keyPath;
    row.valueName = f.valueName;
    row.type = TypeName(f.type);
    row.data = f.valueText;
    row.missingFile = f.missingFile;
    row.category = engine::CategoryCaption(f.category);
    row.match = f.errorType;
    return row;
}

// Where the report goes: standard output, or the --output file. The file is
// made under another name beside it before the command does anything, so a
// report that cannot be written stops the command before anything is
// touched, and it takes the place of the old one only once it is whole.
class ReportOutput {
public:
    ReportOutput(Services& s, const Options& options)
        : s_(s), path_(options.output), temporary_(options.output + ".new"), format_(options.format) {}
    ~ReportOutput() {
        if (file_) {
            file_->Close();
            s_.files.RemoveFile(temporary_);
        }
    }
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    std::string Where() const { return path_.empty() ? "standard output" : path_; }
    bool Open() {
        if (path_.empty()) return true;
        // What is there now must be a file the report can take the place
        // of at the end: a folder, a read-only file or one held open would
        // leave the last run's report there, to be read as this one's.
        if (!s_.files.CanReplace(path_)) return false;
        if (s_.files.PathExists(temporary_) == 1) s_.files.RemoveFile(temporary_);  // left by an earlier run
        file_ = s_.files.CreateNewFile(temporary_);
        return file_ != nullptr;
    }
    bool Deliver(const Report& report) {
        const std::string text = FormatReport(report, format_);
        if (path_.empty()) return s_.console.Out(text);
        const bool wrote = file_->Write(text);
        const bool closed = file_->Close();
        file_.reset();
        if (wrote && closed && s_.files.RenameOver(temporary_, path_)) return true;
        s_.files.RemoveFile(temporary_);
        return false;
    }

private:
    Services& s_;
    const std::string path_, temporary_;
    const Format format_;
    std::unique_ptr<platform::OutputFile> file_;
};

int Finish(Services& s, ReportOutput& output, const Report& report, int code) {
    if (!output.Deliver(report)) return Fail(s, "the report could not be written: " + output.Where());
    return code;
}

int RunScan(Services& s, ReportOutput& output, const Options& options, Report& report) {
    std::optional<engine::IgnoreList> ignored = ReadIgnoreList(s);
    if (!ignored) return kExitError;
    Scan scan(s, options, std::move(*ignored));
    std::int32_t error = 0;
    if (!scan.Run(&error)) return Fail(s, "the registry walk failed with error " + std::to_string(error));
    for (const engine::Finding& f : scan.Findings()) report.findings.push_back(RowOf(f));
    return Finish(s, output, report, report.findings.empty() ? kExitDone : kExitFindings);
}

// For the length of a repair (and its record and report), the console's
// close, a logoff or a shutdown wait for the value under way.
struct EndHeld {
    explicit EndHeld(platform::Console& console) : console(console) { console.HoldEnd(true); }
    ~EndHeld() { console.HoldEnd(false); }
    EndHeld(const EndHeld&) = delete;
    EndHeld& operator=(const EndHeld&) = delete;
    platform::Console& console;
};

// As the scan window's Repair with every row ticked: the backup (unless the
// command says not to) written and read back before anything is removed,
// then the removal, then the record.
int RunRepair(Services& s, ReportOutput& output, const Options& options, Report& report) {
    report.restorePoint.asked = options.restorePoint;
    std::optional<engine::IgnoreList> ignored = ReadIgnoreList(s);
    if (!ignored) return kExitError;
    Scan scan(s, options, std::move(*ignored));
    std::int32_t error = 0;
    if (!scan.Run(&error)) return Fail(s, "the registry walk failed with error " + std::to_string(error));
    std::vector<engine::Finding>& findings = scan.Findings();
    if (findings.empty()) {
        scan::WriteRepairEvent(s.eventLog, findings, "", report.user, options.categories);
        return Finish(s, output, report, kExitDone);
    }

    const EndHeld held(s.console);
    const auto step = [&s](int, int) { return !s.console.EndRequested(); };
    for (engine::Finding& f : findings) f.ticked = true;
    // Entries made since the scan began (in the window, by another run)
    // keep their values too.
    ignored = ReadIgnoreList(s);
    if (!ignored) return kExitError;
    scan.KeepIgnored(std::move(*ignored));
    const std::string profilePath = profile::DataFolder(s.files) + profile::kProfileName;
    std::vector<engine::Outcome> outcomes(findings.size(), engine::Outcome::None);
    scan::OpenKeys keys(s.registry);  // each key reached once, for the backup and the removal
    scan::RepairCounts counts;
    const bool anyTicked = std::any_of(findings.begin(), findings.end(), [](const engine::Finding& f) { return f.ticked; });
    if (!options.noBackup && anyTicked) {
        scan::BackupResult written =
            scan::WriteBackupFile(findings, s.registry, s.files, s.codePage, s.clock.NowText(), &keys, step);
        counts.stopped = written.stopped;
        if (!written.stopped && (!written.written || !written.verified)) {
            const std::string why = written.written ? "the backup file could not be verified, so nothing was repaired"
                                                    : "the backup file could not be written, so nothing was repaired";
            scan::WriteRepairRefusedEvent(s.eventLog, written.written, written.path, report.user, options.categories);
            return Fail(s, why + ": " + written.path);
        }
        if (written.verified) report.backup = written.path;
        outcomes = std::move(written.outcomes);
    }
    // After the backup, before the first removal; it never stops the repair.
    const scan::RestorePointServices points{s.systemRestore, s.registry, s.profile, profilePath, scan.Waiting()};
    scan::RestorePointResult point;
    if (options.restorePoint && !counts.stopped && scan::AnyToRemove(findings, outcomes))
        point = scan::BeginRestorePoint(points);
    report.restorePoint.outcome = scan::RestorePointOutcomeName(point.outcome);
    report.restorePoint.number = point.number;
    report.restorePoint.reason = scan::RestorePointReason(point);
    if (!counts.stopped) counts = scan::RemoveTickedFindings(findings, outcomes, s.registry, &keys, step);
    keys.CloseAll();
    scan::EndRestorePoint(points, point, scan::AnyRemoved(findings));
    profile::WriteProfileValue(s.profile, profilePath, profile::kRecords, "FixedCount", std::to_string(counts.repaired));
    for (const engine::Finding& f : findings) {
        report.findings.push_back(RowOf(f));
        report.findings.back().outcome = scan::OutcomeName(f.outcome);
        report.findings.back().reason = scan::OutcomeReason(f.outcome);
    }
    report.summary = scan::OutcomeSummary(findings);
    scan::WriteRepairEvent(s.eventLog, findings, report.backup, report.user, options.categories);
    // A restore point that is not available is no failure of the repair; one
    // that failed is reported as a part not done.
    const int code = counts.notRemoved > 0 || counts.kept > 0 || counts.ignored > 0 || counts.changed > 0 ||
                             counts.stopped || point.outcome == scan::RestorePointOutcome::Failed
                         ? kExitPartly
                         : kExitDone;
    if (output.Deliver(report)) return code;
    // The repair is done: what it did must not be lost with its report.
    Fail(s, "the report could not be written: " + output.Where());
    s.console.Err("varnholt-cli: " + report.summary + "; " +
                  (report.backup.empty() ? std::string("no backup file") : "backup file: " + report.backup) + kCrLf);
    return code;
}

int RunBackups(Services& s, ReportOutput& output, Report& report) {
    report.folder = scan::BackupFolder(s.files);
    std::vector<std::pair<std::int64_t, BackupRow>> found;  // by the time each was written
    for (const std::string& name : scan::ListBackupFiles(s.files)) {
        BackupRow row{name, "", 0};
        std::int64_t written = 0;
        if (!s.files.FileDetails(report.folder + "\\" + name, &row.size, &written)) continue;  // gone meanwhile
        row.time = IsoUtcTime(written);
        found.emplace_back(written, row);
    }
    // Newest first; files of the same second in the folder's order.
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& [written, row] : found) report.files.push_back(std::move(row));
    return Finish(s, output, report, kExitDone);
}

int RunRestore(Services& s, ReportOutput& output, const Options& options, Report& report) {
    // A bare name, as backups lists it, is a file of the backup folder.
    const bool bare = options.file.find_first_of("\\/:") == std::string::npos;
    report.file = bare ? scan::BackupFolder(s.files) + "\\" + options.file : options.file;
    std::string bytes;
    const auto refused = [&](const std::string& why) {
        scan::WriteRestoreRefusedEvent(s.eventLog, why, report.file, report.user);
        return Fail(s, why + ": " + report.file);
    };
    if (const platform::FileRead read = s.files.ReadFile(report.file, &bytes); !read)
        return refused("the file cannot be read (" + std::string(platform::ReadFailureText(read)) + ")");
    const auto values = scan::ReadBackupFile(s.codePage, bytes);
    if (!values) return refused("not a backup file this program can read");
    bool failed = false;
    const std::vector<scan::RestoredValue> restored = scan::RestoreBackupValues(s.registry, *values);
    for (const scan::RestoredValue& r : restored) {
        report.restored.push_back({r.value.key, r.value.name, TypeName(r.value.type), scan::RestoreName(r.outcome), r.reason});
        failed = failed || r.outcome == scan::Restore::Failed;
    }
    scan::WriteRestoreEvent(s.eventLog, restored, report.file, report.user);
    return Finish(s, output, report, failed ? kExitPartly : kExitDone);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, Services& services) {
    std::string error, help;
    const std::optional<Options> options = ParseCommandLine(args, &error, &help);
    if (!options) {
        services.console.Err("varnholt-cli: " + error + " (" + help + " shows the usage)" + kCrLf);
        return kExitError;
    }
    if (options->version) {
        services.console.Out(std::string("varnholt-cli ") + VARNHOLT_VERSION + kCrLf + DataFolderLine(services.files));
        return kExitDone;
    }
    if (options->help) {
        services.console.Out(args.size() == 1 ? Usage() : Usage(options->command));
        return kExitDone;
    }
    ReportOutput output(services, *options);
    if (!output.Open()) return Fail(services, "the report cannot be written: " + options->output);
    Report report;
    report.computer = services.machine.ComputerName();
    report.user = services.machine.UserName();
    report.time = IsoUtcTime(services.machine.UtcNow());
    report.version = VARNHOLT_VERSION;
    report.command = options->command;
    switch (options->command) {
    case Command::Scan: return RunScan(services, output, *options, report);
    case Command::Repair: return RunRepair(services, output, *options, report);
    case Command::Backups: return RunBackups(services, output, report);
    case Command::Restore: return RunRestore(services, output, *options, report);
    }
    return kExitError;
}

}  // namespace cli
