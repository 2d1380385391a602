// The command line's arguments and its reports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "cli/Report.h"

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

}  // namespace
