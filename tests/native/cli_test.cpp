// The command line's arguments and its reports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "fakes/FakeCodePage.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/MemoryProfile.h"
#include "fakes/MemoryRegistry.h"

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

    o = Parse({"restore", "C:\\b\\Backup (1).reg"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->file, "C:\\b\\Backup (1).reg");
    EXPECT_EQ(o->format, Format::Text);

    for (const std::vector<std::string>& help : {std::vector<std::string>{"--help"}, {"scan", "--help"}, {"restore", "--help"}}) {
        o = Parse(help);
        ASSERT_TRUE(o) << help.size();
        EXPECT_TRUE(o->help);
    }
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
        {{"backups", "--categories", "com"}, "unknown option: --categories"},
        {{"scan", "extra"}, "unexpected argument: extra"},
        {{"restore"}, "restore needs a backup file"},
        {{"restore", "a.reg", "b.reg"}, "unexpected argument: b.reg"},
        {{"repair", "--no-backup=1"}, "--no-backup takes no value"},
        {{"scan", "--output="}, "--output needs a file"},
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
    report.command = Command::Repair;
    report.backup = "C:\\App\\RegBackups\\Backup (1).reg";
    report.findings = {
        {"HKEY_CURRENT_USER", "Software\\Run", "a,\"b\"", "REG_SZ", "\"C:\\Gone\\a.exe\" /x\r\nnext",
         "C:\\Gone\\a.exe", "Startup Programs", "VALUE VALUE", "repaired"},
        {"HKEY_LOCAL_MACHINE", "Software\\\xE4\xB8\xAD", "", "REG_SZ", "C:\\\xE4\xB8\xAD.dll", "C:\\\xE4\xB8\xAD.dll",
         "System Software Settings", "VALUE VALUE", "kept"},
    };
    return report;
}

TEST(Report, JsonGivesEveryFieldExactly) {
    const cli::Report report = RepairReport();
    const auto json = nlohmann::json::parse(cli::FormatReport(report, Format::Json));
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

TEST(Report, CsvIsRfc4180InUtf8WithAByteOrderMark) {
    EXPECT_EQ(cli::FormatReport(RepairReport(), Format::Csv),
              "\xEF\xBB\xBF"
              "root,key,value,type,data,missing file,category,match,outcome\r\n"
              "HKEY_CURRENT_USER,Software\\Run,\"a,\"\"b\"\"\",REG_SZ,\"\"\"C:\\Gone\\a.exe\"\" /x\r\nnext\","
              "C:\\Gone\\a.exe,Startup Programs,VALUE VALUE,repaired\r\n"
              "HKEY_LOCAL_MACHINE,Software\\\xE4\xB8\xAD,,REG_SZ,C:\\\xE4\xB8\xAD.dll,C:\\\xE4\xB8\xAD.dll,"
              "System Software Settings,VALUE VALUE,kept\r\n");
}

TEST(Report, TextNamesEachValueAndTheBackup) {
    cli::Report report = RepairReport();
    report.findings.resize(1);
    EXPECT_EQ(cli::FormatReport(report, Format::Text),
              "HKEY_CURRENT_USER\\Software\\Run\\a,\"b\"  (Startup Programs, VALUE VALUE): repaired\r\n"
              "  REG_SZ \"C:\\Gone\\a.exe\" /x\r\nnext\r\n"
              "  missing: C:\\Gone\\a.exe\r\n"
              "1 finding.\r\n"
              "Backup file: C:\\App\\RegBackups\\Backup (1).reg\r\n");
}

TEST(Report, TypeNames) {
    EXPECT_EQ(cli::TypeName(1), "REG_SZ");
    EXPECT_EQ(cli::TypeName(11), "REG_QWORD");
    EXPECT_EQ(cli::TypeName(0xFFFF), "65535");
}

// The command line's runs on the in-memory registry and file system.
struct FakeConsole : platform::Console {
    std::string out, err;
    bool errIsConsole = false;
    bool Out(const std::string& text) override {
        out += text;
        return true;
    }
    bool Err(const std::string& text) override {
        err += text;
        return true;
    }
    bool ErrIsConsole() override { return errIsConsole; }
};

class CliRun : public ::testing::Test {
protected:
    fakes::MemoryRegistry reg;
    fakes::MemoryFileSystem files;
    fakes::Latin1CodePage codePage;
    fakes::MemoryProfile profile;
    FakeConsole console;
    fakes::FakeUi clock;
    cli::Services services{reg, files, codePage, profile, console, clock};
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
    EXPECT_NE(files.Contents("C:\\r.txt").find("1 finding."), std::string::npos);
    EXPECT_NE(console.err.find(" keys, "), std::string::npos) << "progress on a console";
    EXPECT_EQ(Run({"scan", "--categories", "empty", "--output", "C:\\r.txt"}), cli::kExitDone);
    EXPECT_EQ(files.Contents("C:\\r.txt"), "0 findings.\r\n") << "the report replaces the last";
}

TEST_F(CliRun, RepairBacksUpChecksRemovesAndIsGivenBackByRestore) {
    EXPECT_EQ(Run({"repair", "--format", "json"}), cli::kExitDone) << console.err;
    const auto json = nlohmann::json::parse(console.out);
    const std::string backup = json["backup"];
    EXPECT_EQ(backup.rfind(backups + "\\Backup (", 0), 0u);
    EXPECT_EQ(json["findings"][0]["outcome"], "repaired");
    EXPECT_FALSE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "a"));
    EXPECT_EQ((profile.values[{files.appFolder + "\\ro.ini", "Records", "FixedCount"}]), "2");

    EXPECT_EQ(Run({"backups"}), cli::kExitDone);
    EXPECT_EQ(console.out, backup + "\r\n");
    EXPECT_EQ(Run({"restore", backup}), cli::kExitDone) << console.err;
    EXPECT_EQ(reg.Data(platform::kHkeyCurrentUser, "Software\\Old", "a"), fakes::StringData("\"C:\\Gone\\a.exe\" /x"));
    EXPECT_EQ(Run({"restore", backup, "--format", "csv"}), cli::kExitDone);
    EXPECT_NE(console.out.find(",already equal,"), std::string::npos);

    // Without a backup, by the setting or by the option.
    profile.values[{files.appFolder + "\\ro.ini", "Settings", "BackupBeforeFix"}] = "0";
    EXPECT_EQ(Run({"repair", "--categories", "software"}), cli::kExitDone);
    EXPECT_NE(console.out.find("No backup file."), std::string::npos);
    EXPECT_EQ(Run({"repair", "--no-backup"}), cli::kExitDone);
    EXPECT_EQ(files.FilesIn(backups).size(), 1u);
    EXPECT_EQ(Run({"repair"}), cli::kExitDone) << "nothing left";
}

TEST_F(CliRun, WhatCouldNotBeDoneExitsWithThreeAndFailuresWithTwo) {
    // Kept: a name the backup's code page cannot hold; not removed: a key that refuses.
    reg.SetString(platform::kHkeyCurrentUser, "Software\\Old", "\xE4\xB8\xAD", "C:\\Gone\\c.exe");
    reg.DenyWrites(platform::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(Run({"repair", "--format", "csv"}), cli::kExitPartly);
    EXPECT_NE(console.out.find(",kept\r\n"), std::string::npos);
    EXPECT_NE(console.out.find(",not removed\r\n"), std::string::npos);

    // A backup that does not read back as its values: nothing is removed.
    files.garbleWrites = "[broken\r\n";
    EXPECT_EQ(Run({"repair"}), cli::kExitError);
    EXPECT_EQ(console.err.rfind("varnholt-cli: the backup file could not be verified, so nothing was repaired: " + backups, 0), 0u);
    EXPECT_EQ(console.out, "");
    EXPECT_TRUE(reg.ValueExists(platform::kHkeyCurrentUser, "Software\\Old", "\xE4\xB8\xAD"));

    files.AddFile("C:\\foreign.reg", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"a\"=\"b\"\r\n");
    EXPECT_EQ(Run({"restore", "C:\\foreign.reg"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: not a backup file this program can read: C:\\foreign.reg\r\n");
    EXPECT_FALSE(reg.KeyExists(platform::kHkeyCurrentUser, "X"));
    EXPECT_EQ(Run({"restore", "C:\\none.reg"}), cli::kExitError);
    EXPECT_EQ(console.err, "varnholt-cli: the file cannot be read: C:\\none.reg\r\n");
    EXPECT_EQ(Run({"scan", "--format"}), cli::kExitError);
    EXPECT_EQ(console.err.rfind("varnholt-cli: --format needs a value\r\n\r\nUsage: varnholt-cli", 0), 0u);
}

}  // namespace
