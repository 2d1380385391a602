// The command line's arguments and its reports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "scan/RepairEvent.h"
#include "fakes/FakeCodePage.h"
#include "fakes/FakeConsole.h"
#include "fakes/FakeEnvironment.h"
#include "fakes/FakeSystemRestore.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/MemoryProfile.h"
#include "fakes/MemoryRegistry.h"
#include "fakes/RecordingEventLog.h"

namespace {

using cli::Command;
using cli::Format;

std::optional<cli::Options> Parse(std::vector<std::string> args, std::string* error = nullptr) {
    std::string ignored;
    return cli::ParseCommandLine(args, error ? error : &ignored);
}

TEST(CommandLine, ReadsEachCommandWithItsOptions) {
    auto o = Parse({"scan", "--format", "json", "--output=r.json", "--categories", "startup,services"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->command, Command::Scan);
    EXPECT_EQ(o->format, Format::Json);
    EXPECT_EQ(o->output, "r.json");
    EXPECT_EQ(o->categories, (engine::CategorySet{engine::Category::StartupPrograms, engine::Category::SystemServices}));

    o = Parse({"repair", "--no-backup", "--format=csv"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->command, Command::Repair);
    EXPECT_TRUE(o->noBackup);
    EXPECT_EQ(o->format, Format::Csv);
    EXPECT_EQ(o->categories, engine::AllCategories());

    for (const char* command : {"scan", "repair"}) {
        o = Parse({command, "--expandable"});
        ASSERT_TRUE(o) << command;
        EXPECT_TRUE(o->expandable);
    }
    EXPECT_FALSE(Parse({"scan"})->expandable);

    o = Parse({"restore", "C:\\b\\Backup (1).reg"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->file, "C:\\b\\Backup (1).reg");
    EXPECT_EQ(o->format, Format::Text);

    for (const std::vector<std::string>& help : {std::vector<std::string>{"--help"}, {"scan", "--help"}, {"restore", "--help"}}) {
        o = Parse(help);
        ASSERT_TRUE(o) << help.size();
        EXPECT_TRUE(o->help);
    }
    o = Parse({"--version"});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->version);
    EXPECT_FALSE(o->help);
}

TEST(CommandLine, RefusesWhatItDoesNotKnowAndSaysWhat) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{}, "no command given"},
        {{"clean"}, "unknown command: clean"},
        {{"scan", "--fromat", "json"}, "unknown option: --fromat"},
        {{"scan", "--format", "xml"}, "unknown format: xml"},
        {{"scan", "--format"}, "--format needs a value"},
        {{"scan", "--categories", "startup,nothing"}, "unknown category in: startup,nothing"},
        {{"scan", "--no-backup"}, "unknown option: --no-backup"},
        {{"scan", "--restore-point"}, "unknown option: --restore-point"},
        {{"backups", "--categories", "com"}, "unknown option: --categories"},
        {{"scan", "extra"}, "unexpected argument: extra"},
        {{"restore"}, "restore needs a backup file"},
        {{"restore", "a.reg", "b.reg"}, "unexpected argument: b.reg"},
        {{"repair", "--no-backup=1"}, "--no-backup takes no value"},
        {{"scan", "--output="}, "--output needs a file"},
        {{"backups", "--expandable"}, "unknown option: --expandable"},
        {{"scan", "--expandable=1"}, "--expandable takes no value"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Parse(c.args, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(CommandLine, EveryCategoryHasAShortName) {
    std::set<std::string> names;
    for (engine::Category category : engine::AllCategories()) {
        const std::string name = cli::CategoryName(category);
        EXPECT_FALSE(name.empty());
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_NE(cli::Usage(Command::Scan).find(name), std::string::npos) << name;
        const auto o = Parse({"scan", "--categories", name});
        ASSERT_TRUE(o) << name;
        EXPECT_EQ(o->categories, engine::CategorySet{category});
    }
}

cli::Report RepairReport() {
    cli::Report report;
    report.computer = "PC-7";
    report.user = "ada";
    report.time = "2026-12-10T04:05:06Z";
    report.version = "2.7.0";
    report.command = Command::Repair;
    report.backup = "C:\\App\\RegBackups\\Backup (1).reg";
    report.findings = {
        {"HKEY_CURRENT_USER", "Software\\Run", "a,\"b\"", "REG_SZ", "\"C:\\Gone\\a.exe\" /x\r\nnext",
         "C:\\Gone\\a.exe", "Startup Programs", "VALUE VALUE", "repaired"},
        {"HKEY_LOCAL_MACHINE", "Software\\\xE4\xB8\xAD", "", "REG_SZ", "C:\\\xE4\xB8\xAD.dll", "C:\\\xE4\xB8\xAD.dll",
         "System Software Settings", "VALUE VALUE", "kept", "the backup cannot hold it"},
    };
    report.summary = "1 repaired, 1 kept";
    return report;
}

TEST(Report, JsonGivesEveryFieldExactly) {
    const cli::Report report = RepairReport();
    const std::string text = cli::FormatReport(report, Format::Json);
    EXPECT_EQ(text.rfind("{\n  \"computer\": \"PC-7\",\n  \"user\": \"ada\",\n  \"time\": \"2026-12-10T04:05:06Z\",\n"
                         "  \"version\": \"2.7.0\",\n  \"command\": \"repair\",\n", 0),
              0u)
        << "where, by whom, when and by which version, first";
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(text, nlohmann::ordered_json::parse(text).dump(2) + "\r\n") << "laid out as before";
    EXPECT_EQ(json["command"], "repair");
    EXPECT_EQ(json["backup"], report.backup);
    ASSERT_EQ(json["findings"].size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const cli::FindingRow& f = report.findings[i];
        const auto& row = json["findings"][i];
        EXPECT_EQ(row["root"], f.root);
        EXPECT_EQ(row["key"], f.keyPath);
        EXPECT_EQ(row["value"], f.valueName);
        EXPECT_EQ(row["type"], f.type);
        EXPECT_EQ(row["data"], f.data);
        EXPECT_EQ(row["missingFile"], f.missingFile);
        EXPECT_EQ(row["category"], f.category);
        EXPECT_EQ(row["match"], f.match);
        EXPECT_EQ(row["outcome"], f.outcome);
    }
    cli::Report scan = report;
    scan.command = Command::Scan;
    const auto scanned = nlohmann::json::parse(cli::FormatReport(scan, Format::Json));
    EXPECT_FALSE(scanned.contains("backup"));
    EXPECT_FALSE(scanned["findings"][0].contains("outcome"));
}

// A name may hold a lone surrogate (kept as its own three bytes inside):
// JSON gives it exactly, as its escape; CSV, whose UTF-8 cannot hold it,
// shows U+FFFD.
TEST(Report, ALoneSurrogateIsExactInJsonAndReplacedInCsv) {
    cli::Report report = RepairReport();
    report.findings.resize(1);
    report.findings[0].valueName = "a\xED\xA0\x80" "b\xED\xBF\xBF\xF0\x9F\x98\x80\x01";  // U+D800, U+DFFF, a pair, U+0001
    const std::string json = cli::FormatReport(report, Format::Json);
    EXPECT_NE(json.find("\"value\": \"a\\ud800b\\udfff\xF0\x9F\x98\x80\\u0001\""), std::string::npos) << json;
    const std::string csv = cli::FormatReport(report, Format::Csv);
    EXPECT_NE(csv.find(",a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xF0\x9F\x98\x80\x01,"), std::string::npos) << csv;
}

// A cell a spreadsheet program would run as a formula is shown as text.
TEST(Report, CsvCellsThatWouldRunAsFormulasBeginWithAnApostrophe) {
    cli::Report report;
    report.command = Command::Scan;
    const struct {
        std::string name, cell;
    } cases[] = {
        {"=1+1", "'=1+1"},
        {"-2", "'-2"},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"@x", "'@x"},
        {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""},
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"a=1", "a=1"},
        {"", ""},
    };
    for (const auto& c : cases) report.findings.push_back({"HKEY_CURRENT_USER", "Software\\S", c.name, "REG_SZ", c.name,
                                                           "C:\\Gone\\a.exe", "Files and Folsers", "VALUE VALUE", ""});
    const std::string csv = cli::FormatReport(report, Format::Csv);
    for (const auto& c : cases)
        EXPECT_NE(csv.find("Software\\S," + c.cell + ",REG_SZ," + c.cell + ",C:\\Gone\\a.exe,"), std::string::npos) << c.name;
}

TEST(Report, CsvIsRfc4180InUtf8WithAByteOrderMark) {
    EXPECT_EQ(cli::FormatReport(RepairReport(), Format::Csv),
              "\xEF\xBB\xBF"
              "computer,user,time,version,command,backup\r\n"
              "PC-7,ada,2026-12-10T04:05:06Z,2.7.0,repair,C:\\App\\RegBackups\\Backup (1).reg\r\n"
              "\r\n"
              "root,key,value,type,data,missing file,category,match,outcome,reason\r\n"
              "HKEY_CURRENT_USER,Software\\Run,\"a,\"\"b\"\"\",REG_SZ,\"\"\"C:\\Gone\\a.exe\"\" /x\r\nnext\","
              "C:\\Gone\\a.exe,Startup Programs,VALUE VALUE,repaired,\r\n"
              "HKEY_LOCAL_MACHINE,Software\\\xE4\xB8\xAD,,REG_SZ,C:\\\xE4\xB8\xAD.dll,C:\\\xE4\xB8\xAD.dll,"
              "System Software Settings,VALUE VALUE,kept,the backup cannot hold it\r\n");
}

// No value can begin a line of the text report: its line breaks and other
// control characters are shown as escapes.
TEST(Report, TextNamesEachValueAndTheBackup) {
    cli::Report report = RepairReport();
    report.findings.resize(1);
    report.findings[0].keyPath = "Software\\Run\x1B[2J";
    report.findings[0].valueName = "a,\"b\"\nHKEY_LOCAL_MACHINE\\Fake\\v\t\x7F\xE2\x80\xA8";
    EXPECT_EQ(cli::FormatReport(report, Format::Text),
              "Computer: PC-7\r\n"
              "User: ada\r\n"
              "Time: 2026-12-10T04:05:06Z\r\n"
              "Version: 2.7.0\r\n"
              "\r\n"
              "HKEY_CURRENT_USER\\Software\\Run<U+001B>[2J\\a,\"b\"<LF>HKEY_LOCAL_MACHINE\\Fake\\v<TAB><U+007F><U+2028>"
              "  (Startup Programs, VALUE VALUE): repaired\r\n"
              "  REG_SZ \"C:\\Gone\\a.exe\" /x<CR><LF>next\r\n"
              "  missing: C:\\Gone\\a.exe\r\n"
              "1 repaired, 1 kept.\r\n"
              "Backup file: C:\\App\\RegBackups\\Backup (1).reg\r\n");
    report.findings = RepairReport().findings;
    EXPECT_NE(cli::FormatReport(report, Format::Text).find(": kept (the backup cannot hold it)\r\n"), std::string::npos)
        << "a kept value says why";
    report.backup.clear();
    EXPECT_NE(cli::FormatReport(report, Format::Text).find("\r\nNo backup file.\r\n"), std::string::npos);
    EXPECT_TRUE(nlohmann::json::parse(cli::FormatReport(report, Format::Json))["backup"].is_null());
    EXPECT_NE(cli::FormatReport(report, Format::Csv).find(",2.7.0,repair,\r\n"), std::string::npos);
}

TEST(Report, TimesAreIso8601InUtc) {
    EXPECT_EQ(cli::IsoUtcTime(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(cli::IsoUtcTime(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(cli::IsoUtcTime(1796000000), "2026-11-30T00:53:20Z");
    EXPECT_EQ(cli::IsoUtcTime(4107542399), "2100-02-28T23:59:59Z");
}

TEST(Report, TypeNames) {
    EXPECT_EQ(cli::TypeName(1), "REG_SZ");
    EXPECT_EQ(cli::TypeName(11), "REG_QWORD");
    EXPECT_EQ(cli::TypeName(0xFFFF), "65535");
}

// The command line's runs on the in-memory registry and file system.
using fakes::FakeConsole;
using fakes::FakeMachine;

class CliRun : public ::testing::Test {
protected:
    fakes::MemoryRegistry reg;
    fakes::MemoryFileSystem files;
    fakes::Latin1CodePage codePage;
    fakes::MemoryProfile profile;
    FakeConsole console;
    fakes::FakeUi clock;
    FakeMachine machine;
    fakes::RecordingEventLog events;
    fakes::FakeEnvironment environment;
    fakes::FakeSystemRestore systemRestore;
    cli::Services services{reg, files, codePage, profile, console, clock, machine, &events, &environment, &systemRestore};
    const std::string backups = files.appFolder + "\\RegBackups";

    int Run(std::vector<std::string> args) {
        console.out.clear();
        console.err.clear();
        return cli::RunCommandLine(args, services);
    }
    void SetUp() override {
        reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "a", "\"C:\\Gone\\a.exe\" /x");
        reg.SetString(platform::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "b", "C:\\Gone\\b.exe");
    }
};

TEST_F(CliRun, ScanReportsTheFindingsAndExitsWithOne) {
    EXPECT_EQ(Run({"scan", "--format", "json"}), cli::kExitFindings);
    const auto json = nlohmann::json::parse(console.out);
    ASSERT_EQ(json["findings"].size(), 2u);
    EXPECT_EQ(json["findings"][0]["key"], "Software\\Old");
    EXPECT_EQ(json["findings"][0]["missingFile"], "C:\\Gone\\a.exe");
    EXPECT_EQ(json["findings"][1]["category"], "Startup Programs");
    EXPECT_EQ(console.err, "") << "no progress where standard error is no console";

    console.errIsConsole = true;
    clock.clockStep = 0.3;
    EXPECT_EQ(Run({"scan", "--categories", "startup", "--output", "C:\\r.txt"}), cli::kExitFindings);
    EXPECT_EQ(console.out, "");
    EXPECT_EQ(files.Contents("C:\\r.txt").rfind("Computer: PC-7\r\nUser: ada\r\nTime: 2026-11-30T00:53:20Z\r\nVersion: ", 0), 0u);
    EXPECT_NE(files.Contents("C:\\r.txt").find("1 finding."), std::string::npos);
    EXPECT_NE(console.err.find(" keys, "), std::string::npos) << "progress on a console";
    EXPECT_EQ(Run({"scan", "--categories", "empty", "--output", "C:\\r.txt"}), cli::kExitDone);
    const std::string report = files.Contents("C:\\r.txt");
    EXPECT_EQ(report.substr(report.size() - 15), "\r\n0 findings.\r\n") << "the report replaces the last";
    EXPECT_EQ(files.FilesIn("C:").size(), 1u) << "nothing left beside it";
}

TEST_F(CliRun, VersionAndUsageErrors) {
    EXPECT_EQ(Run({"--version"}), cli::kExitDone);
    EXPECT_EQ(console.out, "varnholt-cli " VARNHOLT_VERSION "\r\nData folder: " + files.appFolder + "\r\n");
    // One line: the cause and where the usage is; not the whole usage.
    EXPECT_EQ(Run({"scan", "--format"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: --format needs a value (varnholt-cli scan --help shows the usage)\r\n");
    EXPECT_EQ(Run({"clean"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: unknown command: clean (varnholt-cli --help shows the usage)\r\n");
    EXPECT_EQ(console.out, "");
}

TEST_F(CliRun, RepairBacksUpChecksRemovesAndIsGivenBackByRestore) {
    EXPECT_EQ(Run({"repair", "--format", "json"}), cli::kExitDone) << console.err;
    const auto json = nlohmann::json::parse(console.out);
    const std::string backup = json["backup"];
    EXPECT_EQ(backup.rfind(backups + "\\Backup (", 0), 0u);
    EXPECT_EQ(json["findings"][0]["outcome"], "repaired");
    EXPECT_FALSE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "a"));
    EXPECT_EQ((profile.values[{files.appFolder + "\\ro.ini", "Records", "FixedCount"}]), "2");

    const std::string name = backup.substr(backups.size() + 1);
    EXPECT_EQ(Run({"restore", name}), cli::kExitDone) << "a name as backups lists it: " << console.err;
    EXPECT_EQ(reg.Data(platform::kHkeyCurrentUser, "Software\\Old", "a"), fakes::StringData("\"C:\\Gone\\a.exe\" /x"));
    EXPECT_EQ(Run({"restore", backup, "--format", "csv"}), cli::kExitDone);
    EXPECT_NE(console.out.find(",already equal,"), std::string::npos);

    // The window's setting is the window's: the command line backs up
    // unless told not to.
    profile.values[{files.appFolder + "\\ro.ini", "Settings", "BackupBeforeFix"}] = "0";
    EXPECT_EQ(Run({"repair", "--categories", "software", "--format", "csv"}), cli::kExitDone);
    EXPECT_EQ(files.FilesIn(backups).size(), 2u);
    EXPECT_EQ(Run({"repair", "--no-backup"}), cli::kExitDone);
    EXPECT_NE(console.out.find("\r\nNo backup file.\r\n"), std::string::npos);
    EXPECT_EQ(files.FilesIn(backups).size(), 2u);
    EXPECT_EQ(Run({"repair"}), cli::kExitDone) << "nothing left";
}

TEST_F(CliRun, ExpandableStringsOnlyWithTheirFlagAndGivenBackAsStored) {
    const std::vector<std::uint8_t> stored = fakes::StringData("%ProgramFiles%\\VhGone\\gone.exe");
    reg.SetValue(platform::kHkeyCurrentUser, "Software\\Vh", "gone", platform::kRegExpandSz, stored);
    // The window's setting is the window's.
    profile.values[{files.appFolder + "\\ro.ini", "Settings", "CheckExpandable"}] = "1";
    EXPECT_EQ(Run({"scan", "--format", "json"}), cli::kExitFindings);
    EXPECT_EQ(nlohmann::json::parse(console.out)["findings"].size(), 2u);

    EXPECT_EQ(Run({"repair", "--expandable", "--categories", "software", "--format", "json"}), cli::kExitDone) << console.err;
    const auto json = nlohmann::json::parse(console.out);
    ASSERT_EQ(json["findings"].size(), 2u);
    const auto& finding = json["findings"][1];
    EXPECT_EQ(finding["type"], "REG_EXPAND_SZ");
    EXPECT_EQ(finding["data"], "%ProgramFiles%\\VhGone\\gone.exe");
    EXPECT_EQ(finding["missingFile"], "C:\\Program Files\\VhGone\\gone.exe");
    EXPECT_EQ(finding["outcome"], "repaired");
    EXPECT_FALSE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Vh", "gone"));

    EXPECT_EQ(Run({"restore", json["backup"]}), cli::kExitDone) << console.err;
    EXPECT_EQ(reg.Data(platform::kHkeyCurrentUser, "Software\\Vh", "gone"), stored);
}

// The restore point is reported in each format; one that Windows cannot
// make leaves the exit code alone, one that fails makes it 3.
TEST_F(CliRun, RepairWithARestorePointSaysWhichItWas) {
    const struct {
        platform::RestorePointAnswer answer;
        int code;
        const char* json;
        const char* text;
    } cases[] = {
        // The text run is given the same number again: the point kept.
        {{true, 0, 42}, cli::kExitDone, R"({"outcome": "may have kept", "number": 42, "reason": ""})",
         "Restore point: kept (number 42)"},
        {{false, 0, 0}, cli::kExitDone, R"({"outcome": "not available", "number": null, "reason": "System Restore gave no answer"})",
         "Restore point: not available (System Restore gave no answer)"},
        {{false, 1460, 0}, cli::kExitPartly, R"({"outcome": "failed", "number": null, "reason": "error 1460"})",
         "Restore point: failed (error 1460)"},
    };
    for (const auto& c : cases) {
        reg = fakes::MemoryRegistry();
        SetUp();
        systemRestore.answer = c.answer;
        EXPECT_EQ(Run({"repair", "--restore-point", "--format", "json"}), c.code) << c.text;
        const auto json = nlohmann::json::parse(console.out);
        EXPECT_EQ(json["restorePoint"], nlohmann::json::parse(c.json)) << c.text;
        EXPECT_EQ(json["findings"][0]["outcome"], "repaired") << c.text;
        reg = fakes::MemoryRegistry();
        SetUp();
        EXPECT_EQ(Run({"repair", "--restore-point"}), c.code) << c.text;
        EXPECT_NE(console.out.find(std::string("\r\n") + c.text + "\r\n"), std::string::npos) << console.out;
    }
    EXPECT_EQ(systemRestore.begun, 6);
    EXPECT_EQ(systemRestore.ended.size(), 2u) << "only a point begun is ended";

    // Not asked: no point, and the reports as they were.
    reg = fakes::MemoryRegistry();
    SetUp();
    EXPECT_EQ(Run({"repair", "--format", "csv"}), cli::kExitDone);
    EXPECT_EQ(systemRestore.begun, 6);
    EXPECT_EQ(console.out.find("restorePoint"), std::string::npos);
    EXPECT_EQ(Run({"repair", "--restore-point", "--format", "csv"}), cli::kExitDone) << "nothing left to remove";
    EXPECT_EQ(systemRestore.begun, 6);
    EXPECT_NE(console.out.find("command,backup,restorePoint\r\n"), std::string::npos);
    EXPECT_NE(console.out.find(",repair,,none\r\n"), std::string::npos) << console.out;
}

TEST_F(CliRun, BackupsAreListedNewestFirstWithTimeAndSize) {
    files.AddFile(backups + "\\Backup (old).reg", "REGEDIT4\r\n");
    files.AddFile(backups + "\\notes.txt", "not a backup");
    files.AddFile(backups + "\\Backup (new).reg", "REGEDIT4\r\n\r\n");
    files.AddFile(backups + "\\Backup (being written).reg.new", "REGEDIT4\r\n");
    EXPECT_EQ(Run({"backups", "--format", "json"}), cli::kExitDone);
    const auto json = nlohmann::json::parse(console.out);
    EXPECT_EQ(json["folder"], backups);
    EXPECT_EQ(json["files"], nlohmann::json::parse(R"([
        {"name": "Backup (new).reg", "time": "2026-11-30T00:53:23Z", "size": 12},
        {"name": "Backup (old).reg", "time": "2026-11-30T00:53:21Z", "size": 10}])"));
    EXPECT_EQ(Run({"backups"}), cli::kExitDone);
    EXPECT_NE(console.out.find("\r\n" + backups + "\\Backup (new).reg  2026-11-30T00:53:23Z  12 bytes\r\n" + backups +
                               "\\Backup (old).reg  2026-11-30T00:53:21Z  10 bytes\r\n"),
              std::string::npos)
        << console.out;
}

// The report is made ready before anything is touched: a place it cannot be
// written stops the command at once.
// So is a target the report could not take the place of at the end (a
// folder, a read-only file): the last run's report would stay there.
TEST_F(CliRun, AReportThatCannotBeWrittenStopsTheRepairBeforeItActs) {
    files.AddFolder("C:\\Reports");
    files.AddFile("C:\\report.txt", "the last report");
    files.MakeReadOnly("C:\\report.txt");
    for (const std::string target : {"C:\\Missing\\report.txt", "C:\\Reports", "C:\\report.txt"}) {
        EXPECT_EQ(Run({"repair", "--output", target}), cli::kExitError) << target;
        EXPECT_EQ(console.err, "varnholt-cli: the report cannot be written: " + target + "\r\n");
        EXPECT_TRUE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "a"));
        EXPECT_TRUE(files.FilesIn(backups).empty());
        EXPECT_EQ((profile.values.count({files.appFolder + "\\ro.ini", "Records", "FixedCount"})), 0u);
    }
    EXPECT_EQ(files.Contents("C:\\report.txt"), "the last report");
    EXPECT_EQ(files.FilesIn("C:").size(), 1u) << "no half-made report left";
}

// An ignore list that is there but cannot be read stops every command that
// would list or remove what it keeps, before anything is done.
TEST_F(CliRun, AnIgnoreListThatCannotBeReadStopsTheScanAndTheRepair) {
    const std::string list = files.appFolder + "\\ignore.txt";
    files.FailReads(list, platform::FileRead::InUse);
    for (const char* command : {"scan", "repair"}) {
        EXPECT_EQ(Run({command}), cli::kExitError) << command;
        EXPECT_EQ(console.err, "varnholt-cli: the ignore list cannot be read (another program holds it open): " + list + "\r\n");
        EXPECT_EQ(console.out, "");
    }
    EXPECT_TRUE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "a"));
    EXPECT_FALSE(files.HasFile(backups)) << "no backup either";
}

// A device's name (aux.reg) would be read for ever: refused at once.
TEST_F(CliRun, ABackupThatIsNoFileOnADiskIsRefused) {
    files.FailReads(backups + "\\aux.reg", platform::FileRead::NotADiskFile);
    EXPECT_EQ(Run({"restore", "aux.reg"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: the file cannot be read (it is a device, not a file on a disk): " + backups +
                               "\\aux.reg\r\n");
}

// A backup left under its unchecked name by a write that never finished is
// deleted by the next backup once it is an hour old.
TEST_F(CliRun, AnUncheckedBackupLeftAnHourAgoIsDeletedByTheNext) {
    files.AddFile(backups + "\\Backup (killed).reg.new", "REGEDIT4\r\n");
    files.clock += 3600;
    files.AddFile(backups + "\\Backup (under way).reg.new", "REGEDIT4\r\n");
    EXPECT_EQ(Run({"repair"}), cli::kExitDone);
    EXPECT_FALSE(files.HasFile(backups + "\\Backup (killed).reg.new"));
    EXPECT_TRUE(files.HasFile(backups + "\\Backup (under way).reg.new")) << "another repair's, perhaps";
    EXPECT_EQ(files.FilesIn(backups).size(), 2u);
}

// A report that fails once the repair is done: what the repair did, and its
// backup, are told on standard error, and the exit code is the repair's.
TEST_F(CliRun, AReportThatFailsAfterARepairLeavesItsOutcomeOnStandardError) {
    struct NoRename : fakes::MemoryFileSystem {
        bool RenameOver(const std::string&, const std::string&) override { return false; }
    } failing;
    failing.AddFile("C:\\report.txt", "the last report");
    cli::Services s{reg, failing, codePage, profile, console, clock, machine};
    EXPECT_EQ(cli::RunCommandLine({"repair", "--output", "C:\\report.txt"}, s), cli::kExitDone);
    EXPECT_FALSE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "a"));
    const std::vector<std::string> written = failing.FilesIn(backups);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(console.err, "varnholt-cli: the report could not be written: C:\\report.txt\r\n"
                           "varnholt-cli: 2 repaired; backup file: " +
                               backups + "\\" + written[0] + "\r\n");
    EXPECT_EQ(failing.Contents("C:\\report.txt"), "the last report");
    EXPECT_EQ(failing.FilesIn("C:").size(), 1u) << "no half-made report left";
}

// The console closed (or a logoff, a shutdown) during a repair: the value
// under way is finished, the record and the report are written, exit 3.
TEST_F(CliRun, AnEndOfTheSessionStopsTheRepairAfterTheValueUnderWay) {
    reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "c", "C:\\Gone\\c.exe");
    struct Case {
        int step;  // from 1: three in the backup, three in the removal
        int repaired;
        bool backup;
    };
    for (const Case c : {Case{2, 0, false}, Case{5, 1, true}}) {
        console.endAtStep = c.step;
        console.heldSteps = 0;
        EXPECT_EQ(Run({"repair", "--format", "json"}), cli::kExitPartly) << c.step;
        const auto json = nlohmann::json::parse(console.out);
        std::vector<std::string> outcomes;
        for (const auto& f : json["findings"]) outcomes.push_back(f["outcome"]);
        const std::vector<std::string> expected =
            c.repaired == 0 ? std::vector<std::string>(3, "stopped") : std::vector<std::string>{"repaired", "stopped", "stopped"};
        EXPECT_EQ(outcomes, expected) << c.step;
        EXPECT_EQ(json["backup"].is_string(), c.backup) << c.step;
        EXPECT_EQ((profile.values[{files.appFolder + "\\ro.ini", "Records", "FixedCount"}]), std::to_string(c.repaired));
        EXPECT_FALSE(console.held) << "no longer held once the report is out";
    }
    EXPECT_TRUE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "c"));
}

TEST_F(CliRun, WhatCouldNotBeDoneExitsWithThreeAndFailuresWithTwo) {
    // Kept: a name no line of a backup can hold; not removed: a key that refuses.
    reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "c\nd", "C:\\Gone\\c.exe");
    reg.DenyWrites(platform::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(Run({"repair", "--format", "csv"}), cli::kExitPartly);
    EXPECT_NE(console.out.find(",kept,the backup cannot hold it\r\n"), std::string::npos);
    EXPECT_NE(console.out.find(",not removed,\r\n"), std::string::npos);

    // A backup that does not read back as its values: nothing is removed,
    // and the file is not left to be taken for a backup.
    files.garbleWrites = "[broken\r\n";
    EXPECT_EQ(Run({"repair"}), cli::kExitError);
    EXPECT_EQ(console.err.rfind("varnholt-cli: the backup file could not be verified, so nothing was repaired: " + backups, 0), 0u);
    EXPECT_EQ(console.out, "");
    EXPECT_TRUE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "c\nd"));
    EXPECT_EQ(files.FilesIn(backups).size(), 1u) << "the first repair's only";

    files.AddFile("C:\\foreign.reg", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"a\"=\"b\"\r\n");
    EXPECT_EQ(Run({"restore", "C:\\foreign.reg"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: not a backup file this program can read: C:\\foreign.reg\r\n");
    EXPECT_FALSE(reg.KeyExists(platform::kHkeyCurrentUser, "X"));
    EXPECT_EQ(Run({"restore", "C:\\none.reg"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: the file cannot be read (it is not there): C:\\none.reg\r\n");
    EXPECT_EQ(Run({"restore", "none.reg"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: the file cannot be read (it is not there): " + backups + "\\none.reg\r\n");
}

// The summary counts by outcome, and each repair and restore leaves one
// Application event; a log that refuses it changes neither the report nor
// the exit code.
TEST_F(CliRun, RepairAndRestoreSayWhatHappenedInTheReportAndTheEventLog) {
    reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "c\nd", "C:\\Gone\\c.exe");
    reg.DenyWrites(platform::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    for (const bool refuses : {false, true}) {
        events = fakes::RecordingEventLog();
        events.refuses = refuses;
        reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "a", "\"C:\\Gone\\a.exe\" /x");
        EXPECT_EQ(Run({"repair", "--categories", "software,startup"}), cli::kExitPartly) << refuses;
        const std::size_t summary = console.out.find("\r\n1 repaired, 1 kept, 1 not removed.\r\nBackup file: ");
        EXPECT_NE(summary, std::string::npos) << console.out;
        EXPECT_NE(console.out.find(": kept (the backup cannot hold it)\r\n"), std::string::npos);
        if (refuses) {
            EXPECT_TRUE(events.events.empty());
            continue;
        }
        ASSERT_EQ(events.events.size(), 1u);
        EXPECT_EQ(events.events[0].type, platform::EventType::Warning);
        EXPECT_EQ(events.events[0].message, scan::kRepairEvent);
        const std::string backup = backups + "\\" + files.FilesIn(backups).at(0);
        EXPECT_EQ(events.events[0].inserts,
                  (std::vector<std::string>{"1 repaired, 1 kept, 1 not removed", backup, "ada",
                                            "Startup Programs, System Software Settings"}));

        EXPECT_EQ(Run({"restore", backup}), cli::kExitDone);
        ASSERT_EQ(events.events.size(), 2u);
        EXPECT_EQ(events.events[1].type, platform::EventType::Information);
        EXPECT_EQ(events.events[1].message, scan::kRestoreEvent);
        EXPECT_EQ(events.events[1].inserts, (std::vector<std::string>{"1 restored, 1 already equal", backup, "ada"}));
        EXPECT_EQ(Run({"restore", "C:\\none.reg"}), cli::kExitError);
        EXPECT_EQ(events.events.back().type, platform::EventType::Error);
        EXPECT_EQ(events.events.back().message, scan::kRestoreRefusedEvent);
        EXPECT_EQ(events.events.back().inserts,
                  (std::vector<std::string>{"the file cannot be read (it is not there)", "C:\\none.reg", "ada"}));
    }
}

TEST_F(CliRun, ARepairWhoseBackupFailsLeavesAnError) {
    files.garbleWrites = "[broken\r\n";
    EXPECT_EQ(Run({"repair", "--no-backup", "--categories", "empty"}), cli::kExitDone);
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0].type, platform::EventType::Information);
    EXPECT_EQ(events.events[0].inserts, (std::vector<std::string>{"nothing to repair", "none", "ada", "Empty Registry Keys"}));
    EXPECT_EQ(Run({"repair"}), cli::kExitError);
    ASSERT_EQ(events.events.size(), 2u);
    EXPECT_EQ(events.events[1].type, platform::EventType::Error);
    EXPECT_EQ(events.events[1].message, scan::kRepairRefusedEvent);
    EXPECT_EQ(events.events[1].inserts[0], "the backup file could not be verified");
    EXPECT_EQ(events.events[1].inserts[3], "all");
}

// The walk goes on after it lists a value: by the time the repair comes
// back to it, a value of HKEY_CURRENT_USER may have been changed, or its
// key replaced by a link into a place Windows needs. Either stays, with the
// backup and without.
TEST_F(CliRun, AValueChangedDuringTheWalkIsKeptAsChanged) {
    const std::string memory = "System\\ControlSet001\\Control\\Session Manager\\Memory Management";
    for (const bool backup : {true, false}) {
        reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "a", "\"C:\\Gone\\a.exe\" /x");
        reg.SetString(platform::kHkeyCurrentUser, "Software\\Lnk\\K", "V", "C:\\Gone\\v.exe");
        reg.SetString(platform::kHkeyLocalMachine, memory, "V", "C:\\Gone\\v.exe");
        files.AddFile("C:\\Here\\a.exe");
        reg.OnOpen(platform::kHkeyLocalMachine, "Software", [&] {
            reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "a", "C:\\Here\\a.exe");
            if (!reg.KeyExists(platform::kHkeyCurrentUser, "Software\\Lnk\\K")) return;
            reg.RemoveKey(platform::kHkeyCurrentUser, "Software\\Lnk\\K");
            reg.AddLink(platform::kHkeyCurrentUser, "Software\\Lnk\\K", platform::kHkeyLocalMachine, memory);
        });
        std::vector<std::string> args{"repair", "--format", "csv"};
        if (!backup) args.push_back("--no-backup");
        EXPECT_EQ(Run(args), cli::kExitPartly) << console.err;
        for (const char* row : {"HKEY_CURRENT_USER,Software\\Lnk\\K,V,REG_SZ,C:\\Gone\\v.exe,C:\\Gone\\v.exe,"
                                "System Software Settings,VALUE VALUE,changed,changed since the scan\r\n",
                                ",Software\\Old,a,REG_SZ,\"\"\"C:\\Gone\\a.exe\"\" /x\",C:\\Gone\\a.exe,"
                                "System Software Settings,VALUE VALUE,changed,changed since the scan\r\n",
                                "\\Run,b,REG_SZ,C:\\Gone\\b.exe,C:\\Gone\\b.exe,Startup Programs,VALUE VALUE,repaired,\r\n"})
            EXPECT_NE(console.out.find(row), std::string::npos) << row << console.out;
        EXPECT_TRUE(reg.ValueExists(platform::kHkeyLocalMachine, memory, "V"));
        EXPECT_TRUE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "a"));
        reg.RemoveKey(platform::kHkeyCurrentUser, "Software\\Lnk");
        reg.OnOpen(platform::kHkeyLocalMachine, "Software", nullptr);
        reg.SetString(platform::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "b", "C:\\Gone\\b.exe");
    }
}

}  // namespace
