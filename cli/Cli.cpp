#include "cli/Cli.h"

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
#include "scan/Repair.h"
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

engine::IgnoreList LoadIgnoreList(Services& s) {
    return engine::LoadIgnoreList(s.files, profile::DataFolder(s.files) + engine::kIgnoreListName);
}

// A whole scan, as the scan window makes it: all seven roots, names and
// data tested against the system drive, each match judged by the scan's rules.
class Scan : private engine::RegSearchListener {
public:
    Scan(Services& s, const engine::CategorySet& categories) : s_(s), progress_(s.console, s.clock), rules_(s.registry, s.files) {
        rules_.StartScan(categories, LoadIgnoreList(s));
    }
    // False when the walk ended by a failure (its number in `error`).
    bool Run(std::int32_t* error) {
        engine::cRegSearch walk(s_.registry, progress_, *this);
        walk.SetRootKey(0);
        walk.SetSubKey("");
        walk.SetSearchFlags(engine::kSearchValueNames | engine::kSearchValueData);
        walk.SetSearchString(rules_.SystemDrive());
        walk.DoSearch();
        *error = reason_;
        return reason_ == 0;
    }
    std::vector<engine::Finding>& Findings() { return findings_; }
    void KeepIgnored() { scan::KeepIgnoredFindings(findings_, rules_, LoadIgnoreList(s_)); }

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

const char* RestoreText(scan::Restore outcome) {
    switch (outcome) {
    case scan::Restore::Restored: return "restored";
    case scan::Restore::AlreadyEqual: return "already equal";
    case scan::Restore::Failed: break;
    }
    return "failed";
}

// The one line an error is reported with: its cause and the path it concerns.
int Fail(Services& s, const std::string& message) {
    s.console.Err("varnholt-cli: " + message + kCrLf);
    return kExitError;
}

// The report to standard output or to the --output file (replacing one
// that is there).
bool Deliver(Services& s, const Options& options, const Report& report) {
    const std::string text = FormatReport(report, options.format);
    if (options.output.empty()) return s.console.Out(text);
    if (s.files.PathExists(options.output) == 1 && !s.files.RemoveFile(options.output)) return false;
    auto file = s.files.CreateNewFile(options.output);
    if (!file) return false;
    const bool wrote = file->Write(text);
    return file->Close() && wrote;
}

int Finish(Services& s, const Options& options, const Report& report, int code) {
    if (!Deliver(s, options, report))
        return Fail(s, "the report could not be written: " + (options.output.empty() ? "standard output" : options.output));
    return code;
}

int RunScan(Services& s, const Options& options) {
    Scan scan(s, options.categories);
    std::int32_t error = 0;
    if (!scan.Run(&error)) return Fail(s, "the registry walk failed with error " + std::to_string(error));
    Report report;
    report.command = Command::Scan;
    for (const engine::Finding& f : scan.Findings()) report.findings.push_back(RowOf(f));
    return Finish(s, options, report, report.findings.empty() ? kExitDone : kExitFindings);
}

const char* OutcomeText(engine::Outcome outcome) {
    switch (outcome) {
    case engine::Outcome::Repaired: return "repaired";
    case engine::Outcome::AlreadyGone: return "already gone";
    case engine::Outcome::KeptByBackup: return "kept";
    case engine::Outcome::Ignored: return "ignored";
    case engine::Outcome::NotRemoved: return "not removed";
    case engine::Outcome::None:
    case engine::Outcome::Unticked: break;
    }
    return "";
}

// As the scan window's Repair with every row ticked: the backup (when the
// setting or the command asks for it) written and read back before anything
// is removed, then the removal, then the record.
int RunRepair(Services& s, const Options& options) {
    Scan scan(s, options.categories);
    std::int32_t error = 0;
    if (!scan.Run(&error)) return Fail(s, "the registry walk failed with error " + std::to_string(error));
    std::vector<engine::Finding>& findings = scan.Findings();
    Report report;
    report.command = Command::Repair;
    if (!findings.empty()) {
        for (engine::Finding& f : findings) f.ticked = true;
        // Entries made since the scan began (in the window, by another run)
        // keep their values too.
        scan.KeepIgnored();
        const std::string profilePath = profile::DataFolder(s.files) + profile::kProfileName;
        std::vector<engine::Outcome> outcomes(findings.size(), engine::Outcome::None);
        scan::OpenKeys keys(s.registry);  // each key reached once, for the backup and the removal
        if (!options.noBackup && profile::ReadBackupBeforeFix(s.profile, profilePath) == 1) {
            scan::BackupResult written = scan::WriteBackupFile(findings, s.registry, s.files, s.codePage, s.clock.NowText(), &keys);
            if (!written.written)
                return Fail(s, "the backup file could not be written, so nothing was repaired: " + written.path);
            if (!written.verified)
                return Fail(s, "the backup file could not be verified, so nothing was repaired: " + written.path);
            report.backup = written.path;
            outcomes = std::move(written.outcomes);
        }
        const scan::RepairCounts counts = scan::RemoveTickedFindings(findings, outcomes, s.registry, &keys);
        keys.CloseAll();
        profile::WriteProfileValue(s.profile, profilePath, profile::kRecords, "FixedCount",
                                   std::to_string(counts.repaired));
        for (const engine::Finding& f : findings) {
            report.findings.push_back(RowOf(f));
            report.findings.back().outcome = OutcomeText(f.outcome);
        }
        if (counts.notRemoved > 0 || counts.kept > 0 || counts.ignored > 0) return Finish(s, options, report, kExitPartly);
    }
    return Finish(s, options, report, kExitDone);
}

int RunBackups(Services& s, const Options& options) {
    Report report;
    report.command = Command::Backups;
    report.folder = profile::DataFolder(s.files) + "\\RegBackups";
    report.files = s.files.ListFiles(report.folder + "\\*.reg");
    return Finish(s, options, report, kExitDone);
}

int RunRestore(Services& s, const Options& options) {
    std::string bytes;
    if (!s.files.ReadFile(options.file, &bytes)) return Fail(s, "the file cannot be read: " + options.file);
    const auto values = scan::ReadBackupFile(s.codePage, bytes);
    if (!values) return Fail(s, "not a backup file this program can read: " + options.file);
    Report report;
    report.command = Command::Restore;
    report.file = options.file;
    bool failed = false;
    for (const scan::RestoredValue& r : scan::RestoreBackupValues(s.registry, *values)) {
        report.restored.push_back({r.value.key, r.value.name, TypeName(r.value.type), RestoreText(r.outcome), r.reason});
        failed = failed || r.outcome == scan::Restore::Failed;
    }
    return Finish(s, options, report, failed ? kExitPartly : kExitDone);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, Services& services) {
    std::string error;
    const std::optional<Options> options = ParseCommandLine(args, &error);
    if (!options) {
        services.console.Err("varnholt-cli: " + error + kCrLf + kCrLf + Usage());
        return kExitError;
    }
    if (options->help) {
        services.console.Out(args.size() == 1 && args[0] == "--help" ? Usage() : Usage(options->command));
        return kExitDone;
    }
    if (options->version) {
        services.console.Out("varnholt-cli " VH_VERSION "\r\n" + DataFolderLine(services.files));
        return kExitDone;
    }
    switch (options->command) {
    case Command::Scan: return RunScan(services, *options);
    case Command::Repair: return RunRepair(services, *options);
    case Command::Backups: return RunBackups(services, *options);
    case Command::Restore: return RunRestore(services, *options);
    }
    return kExitError;
}

}  // namespace cli
