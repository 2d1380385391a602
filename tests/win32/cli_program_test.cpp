// varnholt-cli.exe run as a console program, its output redirected, on the
// real registry: its reports against the scan window's findings, its exit
// codes, a repair given back by its own restore, and files it refuses.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

#include "fakes/FakeShell.h"
#include "fakes/FakeUi.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "scan/BackupReader.h"
#include "scan/FormRepair.h"
#include "scan/FormRestoreAndBackup.h"
#include "win32/app_test_support.h"
#include "win32/registry_links.h"

namespace {

using app_test::Utf8;
using app_test::Wide;

struct Ran {
    int code = -1;
    std::string out, err;
};

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    platform::win32::Win32FileSystem().ReadFile(Utf8(path), &bytes);
    return bytes;
}

// The console program in an application folder of its own (its profile and
// backups go there), standard output and error sent to files.
class CliProgram {
public:
    CliProgram() : files_(false, "varnholt-cli-test") {
        ::CopyFileW(Wide(app_test::ModuleFolder() + "\\..\\varnholt-cli.exe").c_str(), Wide(Exe()).c_str(), FALSE);
    }
    ~CliProgram() { ::DeleteFileW(Wide(Exe()).c_str()); }
    std::string Folder() { return files_.AppFolder(); }
    void Write(const std::string& name, const std::string& bytes) { files_.WriteFile("\\" + name, bytes); }

    Ran operator()(const std::vector<std::string>& args) {
        std::wstring command = L"\"" + Wide(Exe()) + L"\"";
        for (const std::string& arg : args) command += L" \"" + Wide(arg) + L"\"";
        const std::wstring out = Wide(Folder() + "\\out.txt"), err = Wide(Folder() + "\\err.txt");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE outFile = ::CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        HANDLE errFile = ::CreateFileW(err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = nullptr;
        si.hStdOutput = outFile;
        si.hStdError = errFile;
        PROCESS_INFORMATION pi{};
        Ran run;
        if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            ::WaitForSingleObject(pi.hProcess, 300000);
            DWORD code = 0;
            ::GetExitCodeProcess(pi.hProcess, &code);
            run.code = static_cast<int>(code);
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
        }
        ::CloseHandle(outFile);
        ::CloseHandle(errFile);
        run.out = ReadAll(out);
        run.err = ReadAll(err);
        ::DeleteFileW(out.c_str());
        ::DeleteFileW(err.c_str());
        return run;
    }

private:
    std::string Exe() { return Folder() + "\\varnholt-cli.exe"; }
    app_test::AppFolderFiles files_;
};

// A scratch key under HKCU\Software, deleted with its tree.
struct Scratch {
    std::string path = "Software\\VarnholtCli" + std::to_string(::GetCurrentProcessId());
    Scratch() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()); }
    ~Scratch() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()); }
    void Set(const std::string& sub, const std::wstring& name, DWORD type, const std::wstring& data) {
        HKEY key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path + sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    // Type and bytes, or type -1 when the value is not there.
    std::pair<long, std::vector<BYTE>> Get(const std::string& sub, const std::wstring& name) {
        HKEY key;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path + sub).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {-1, {}};
        DWORD type = 0, size = 0;
        std::vector<BYTE> data;
        const long result = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (result == ERROR_SUCCESS) {
            data.resize(size);
            ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
        }
        ::RegCloseKey(key);
        return {result == ERROR_SUCCESS ? static_cast<long>(type) : -1, data};
    }
};

// A finding as "root|key|value|data|category|match".
std::string Line(const std::string& root, const std::string& key, const std::string& value, const std::string& data,
                 const std::string& category, const std::string& match) {
    return root + "|" + key + "|" + value + "|" + data + "|" + category + "|" + match;
}

// What the scan window lists for the same registry.
std::vector<std::string> ScanWindowFindings() {
    platform::win32::Win32Registry registry;
    app_test::AppFolderFiles files(false);
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeLabel status, repairCount, currentKey;
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, ret;
    scan::FormRepair form({list, status, repairCount, currentKey, timer, start, stop, repair, ret},
                          {registry, files, codePage, profile, ui, [] {}});
    form.Form_Load();
    start.Press();
    std::vector<std::string> lines;
    for (const engine::Finding& f : form.Findings())
        lines.push_back(Line(f.rootName, f.keyPath, f.valueName, f.valueText, engine::CategoryCaption(f.category), f.errorType));
    return lines;
}

// The fields of RFC 4180 records (quoted fields, doubled quotes, CRLF).
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') records.back().back() += text[++i];
            else if (c == '"') quoted = false;
            else records.back().back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            records.emplace_back(1);
        } else {
            records.back().back() += c;
        }
    }
    if (records.back().size() == 1 && records.back()[0].empty()) records.pop_back();
    return records;
}

const std::wstring kGone = L"C:\\Varnholt Gone\\";

class CliOnTheRealRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        scratch.Set("", L"str", REG_SZ, kGone + L"a.exe /x" + std::wstring(1, L'\0'));
        scratch.Set("", L"multi", REG_MULTI_SZ, kGone + L"b.dll" + std::wstring(1, L'\0') + L"second" + std::wstring(2, L'\0'));
        scratch.Set("", L"tricky, \"name\"", REG_SZ, L"\"" + kGone + L"q.exe\" \"x\"\r\nline" + std::wstring(1, L'\0'));
        scratch.Set("\\Sub", L"", REG_SZ, kGone + L"d.ocx,1" + std::wstring(1, L'\0'));
        scratch.Set("\\Sub", L"\x4E2D\x6587", REG_SZ, kGone + L"\x4E2D.exe" + std::wstring(1, L'\0'));
    }
    Scratch scratch;
    CliProgram cli;
};

TEST_F(CliOnTheRealRegistry, EachFormatListsWhatTheScanWindowLists) {
    const std::vector<std::string> window = ScanWindowFindings();
    ASSERT_GE(window.size(), 5u);

    const Ran json = cli({"scan", "--format", "json"});
    EXPECT_EQ(json.code, 1) << json.err;
    EXPECT_EQ(json.err, "") << "no progress into a redirected error stream";
    std::vector<std::string> fromJson;
    const auto parsed = nlohmann::json::parse(json.out);
    for (const auto& f : parsed["findings"])
        fromJson.push_back(Line(f["root"], f["key"], f["value"], f["data"], f["category"], f["match"]));
    EXPECT_EQ(fromJson, window);

    const std::string report = cli.Folder() + "\\report.csv";
    const Ran csv = cli({"scan", "--format=csv", "--output", report});
    EXPECT_EQ(csv.code, 1) << csv.err;
    EXPECT_EQ(csv.out, "");
    const std::string text = ReadAll(Wide(report));
    ASSERT_EQ(text.compare(0, 3, "\xEF\xBB\xBF"), 0);
    const auto records = ReadCsv(text.substr(3));
    ASSERT_EQ(records.size(), window.size() + 4);
    // Where, by whom, when and by which version, then the findings.
    EXPECT_EQ(records[0], (std::vector<std::string>{"computer", "user", "time", "version", "command"}));
    ASSERT_EQ(records[1].size(), 5u);
    EXPECT_NE(records[1][0], "");
    EXPECT_NE(records[1][1], "");
    EXPECT_EQ(records[1][2].size(), 20u) << records[1][2];
    EXPECT_EQ(records[1][2].back(), 'Z');
    EXPECT_EQ(records[1][3], VH_VERSION);
    EXPECT_EQ(records[3], (std::vector<std::string>{"root", "key", "value", "type", "data", "missing file", "category", "match"}));
    std::vector<std::string> fromCsv;
    for (std::size_t i = 4; i < records.size(); ++i)
        fromCsv.push_back(Line(records[i][0], records[i][1], records[i][2], records[i][4], records[i][6], records[i][7]));
    EXPECT_EQ(fromCsv, window);
    // The name outside the code page comes out exact, in UTF-8.
    EXPECT_NE(text.find(scratch.path + "\\Sub,\xE4\xB8\xAD\xE6\x96\x87,REG_SZ"), std::string::npos);

    const Ran none = cli({"scan", "--categories", "empty"});
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.out.rfind("Computer: ", 0), 0u);
    EXPECT_EQ(none.out.substr(none.out.size() - 15), "\r\n0 findings.\r\n");
}

TEST_F(CliOnTheRealRegistry, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"clean"}, {"scan", "--format", "xml"}, {"restore"}}) {
        const Ran run = cli(args);
        EXPECT_EQ(run.code, 2);
        // One line: the cause, and where the usage is.
        EXPECT_EQ(run.err.compare(0, 13, "varnholt-cli:"), 0) << run.err;
        EXPECT_EQ(run.err.find("\r\n"), run.err.size() - 2) << run.err;
        EXPECT_NE(run.err.find("--help shows the usage)"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const Ran help = cli({"repair", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.compare(0, 26, "Usage: varnholt-cli repair"), 0);
    const Ran version = cli({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("varnholt-cli " VH_VERSION "\r\nData folder: ", 0), 0u) << version.out;
}

TEST_F(CliOnTheRealRegistry, ARepairIsGivenBackByTheRestoreByteForByte) {
    if (!app_test::InTheTestsOwnPrefix()) GTEST_SKIP() << "repairs every finding of its category: the tests' own prefix only";
    const std::vector<std::pair<std::string, std::wstring>> values = {
        {"", L"str"}, {"", L"multi"}, {"", L"tricky, \"name\""}, {"\\Sub", L""}, {"\\Sub", L"\x4E2D\x6587"}};
    std::vector<std::pair<long, std::vector<BYTE>>> before;
    for (const auto& [sub, name] : values) before.push_back(scratch.Get(sub, name));

    // Only the scratch key's category: the prefix's own findings stay.
    const Ran repair = cli({"repair", "--categories", "software", "--format", "json"});
    EXPECT_EQ(repair.code, 0) << "the name outside the code page is held too: " << repair.err;
    const auto report = nlohmann::json::parse(repair.out);
    const std::string backup = report["backup"];
    std::map<std::string, std::string> outcomes;
    for (const auto& f : report["findings"])
        if (std::string(f["key"]).rfind(scratch.path, 0) == 0) outcomes[std::string(f["value"])] = f["outcome"];
    EXPECT_EQ(outcomes, (std::map<std::string, std::string>{{"", "repaired"},
                                                            {"multi", "repaired"},
                                                            {"str", "repaired"},
                                                            {"tricky, \"name\"", "repaired"},
                                                            {"\xE4\xB8\xAD\xE6\x96\x87", "repaired"}}));
    for (const auto& [sub, name] : values) EXPECT_EQ(scratch.Get(sub, name).first, -1) << Utf8(name);
    // Each value is listed under HKEY_CURRENT_USER and again under its user in
    // HKEY_USERS, where the repair finds it gone: 5 removed, 5 already gone.
    EXPECT_EQ(app_test::ReadProfile(cli.Folder() + "\\ro.ini", "Records", "FixedCount"), "10");

    const Ran listed = cli({"backups", "--format", "json"});
    EXPECT_EQ(listed.code, 0);
    const auto files = nlohmann::json::parse(listed.out)["files"];
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(cli.Folder() + "\\RegBackups\\" + std::string(files[0]["name"]), backup);
    EXPECT_EQ(files[0]["size"], ReadAll(Wide(backup)).size());

    const Ran restore = cli({"restore", backup, "--format", "json"});
    EXPECT_EQ(restore.code, 0) << restore.err;
    const auto restored = nlohmann::json::parse(restore.out);
    // The same values under HKEY_USERS follow those under HKEY_CURRENT_USER.
    for (const auto& v : restored["values"])
        EXPECT_EQ(v["outcome"], std::string(v["key"]).rfind("HKEY_USERS", 0) == 0 ? "already equal" : "restored")
            << v["key"] << v["value"];
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(scratch.Get(values[i].first, values[i].second), before[i]) << Utf8(values[i].second);

    const Ran again = cli({"restore", std::string(files[0]["name"]), "--format", "csv"});
    EXPECT_EQ(again.code, 0);
    EXPECT_NE(again.out.find("already equal"), std::string::npos);
    EXPECT_EQ(again.out.find(",restored,"), std::string::npos);

    const Ran noBackup = cli({"repair", "--no-backup", "--categories", "software"});
    EXPECT_EQ(noBackup.code, 0) << noBackup.out << noBackup.err;
    EXPECT_NE(noBackup.out.find("No backup file."), std::string::npos);
    EXPECT_EQ(scratch.Get("\\Sub", L"\x4E2D\x6587").first, -1);
}

// A name the code page cannot hold and a string with a NUL inside make the
// backup the registry editor's Unicode export, which the registry editor
// itself gives back byte for byte. The restore point asked for is not
// available under Wine, and the repair goes on without it.
TEST_F(CliOnTheRealRegistry, AUnicodeBackupIsGivenBackByTheRegistryEditor) {
    if (!app_test::InTheTestsOwnPrefix()) GTEST_SKIP() << "repairs every finding of its category: the tests' own prefix only";
    scratch.Set("\\Ru", L"\x041F\x0443\x0441\x043A", REG_SZ, kGone + L"start.exe" + std::wstring(1, L'\0'));
    scratch.Set("\\Ru", L"nul inside", REG_SZ, kGone + L"a.exe" + std::wstring(1, L'\0') + L"tail" + std::wstring(1, L'\0'));
    scratch.Set("\\Ru", L"no closing nul", REG_SZ, kGone + L"b.exe");
    const std::vector<std::pair<std::string, std::wstring>> values = {
        {"", L"str"}, {"", L"multi"}, {"", L"tricky, \"name\""}, {"\\Sub", L""}, {"\\Sub", L"\x4E2D\x6587"},
        {"\\Ru", L"\x041F\x0443\x0441\x043A"}, {"\\Ru", L"nul inside"}, {"\\Ru", L"no closing nul"}};
    std::vector<std::pair<long, std::vector<BYTE>>> before;
    for (const auto& [sub, name] : values) before.push_back(scratch.Get(sub, name));

    const Ran repair = cli({"repair", "--restore-point", "--categories", "software", "--format", "json"});
    EXPECT_EQ(repair.code, 0) << "a restore point not available is no failure: " << repair.err;
    const auto report = nlohmann::json::parse(repair.out);
    // Wine's srclient fails with status 0: no System Restore to ask.
    EXPECT_EQ(report["restorePoint"]["outcome"], "not available") << repair.out;
    EXPECT_EQ(report["restorePoint"]["reason"], "System Restore gave no answer");
    for (const auto& [sub, name] : values) EXPECT_EQ(scratch.Get(sub, name).first, -1) << Utf8(name);
    const std::string backup = report["backup"];
    EXPECT_EQ(ReadAll(Wide(backup)).rfind(std::string("\xFF\xFEW\0i\0n\0d\0o\0w\0s\0 \0", 18), 0), 0u);

    // As the Restore page hands it over when no program is associated.
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"regedit.exe /s \"" + Wide(backup) + L"\"";
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ::WaitForSingleObject(pi.hProcess, 120000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(scratch.Get(values[i].first, values[i].second), before[i]) << Utf8(values[i].second);

    // And by the program's own restore, after another repair.
    const Ran again = cli({"repair", "--categories", "software", "--format", "json"});
    EXPECT_EQ(again.code, 0) << again.err;
    const Ran restore = cli({"restore", std::string(nlohmann::json::parse(again.out)["backup"])});
    EXPECT_EQ(restore.code, 0) << restore.out << restore.err;
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(scratch.Get(values[i].first, values[i].second), before[i]) << Utf8(values[i].second);
}

TEST_F(CliOnTheRealRegistry, AFileThatIsNoBackupOfOursIsRefusedAndNothingIsWritten) {
    const std::string damaged = cli.Folder() + "\\damaged.reg", foreign = cli.Folder() + "\\foreign.reg";
    const std::string key = "[HKEY_CURRENT_USER\\" + scratch.path + "\\Restored]\r\n";
    cli.Write("damaged.reg", "REGEDIT4\r\n\r\n" + key + "\"a\"=\"b\"\r\n\"c\"=hex:0z\r\n");
    cli.Write("foreign.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + key + "\"a\"=\"b\"\r\n");
    // Cut short inside a multi-string: after a continuation, after a comma.
    cli.Write("cut1.reg", "REGEDIT4\r\n\r\n" + key + "\"a\"=\"b\"\r\n\"m\"=hex(7):43,3a,5c,61,2e,65,78,65,00,\\\r\n");
    cli.Write("cut2.reg", "REGEDIT4\r\n\r\n" + key + "\"a\"=\"b\"\r\n\"m\"=hex(7):43,3a,5c,61,2e,65,78,65,00,");
    // Right after a pair of digits, where only the missing NUL tells; and a
    // file that tells more values than it holds.
    cli.Write("cut3.reg", "REGEDIT4\r\n\r\n" + key + "\"a\"=\"b\"\r\n\"m\"=hex(7):43,3a");
    cli.Write("cut4.reg", "REGEDIT4\r\n; 2 values\r\n\r\n" + key + "\"a\"=\"b\"\r\n");
    for (const std::string& file : {damaged, foreign, cli.Folder() + "\\none.reg", cli.Folder() + "\\cut1.reg",
                                    cli.Folder() + "\\cut2.reg", cli.Folder() + "\\cut3.reg", cli.Folder() + "\\cut4.reg"}) {
        const Ran run = cli({"restore", file});
        EXPECT_EQ(run.code, 2) << file;
        EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
        EXPECT_EQ(scratch.Get("\\Restored", L"a").first, -1) << file;
    }
}

// The strings of a JSON text's "value" fields, as UTF-16: the escapes
// read back, a lone surrogate's included (which JSON libraries refuse).
std::vector<std::u16string> JsonValueNames(const std::string& json) {
    std::vector<std::u16string> names;
    const std::string field = "\"value\": \"";
    for (std::size_t at = json.find(field); at != std::string::npos; at = json.find(field, at)) {
        at += field.size();
        std::string plain;
        std::u16string units;
        auto flush = [&] {
            units += platform::Utf8ToUtf16(plain);
            plain.clear();
        };
        for (; json[at] != '"'; ++at) {
            if (json[at] != '\\') {
                plain += json[at];
                continue;
            }
            const char c = json[++at];
            if (c == 'u') {
                flush();
                units += static_cast<char16_t>(std::stoi(json.substr(at + 1, 4), nullptr, 16));
                at += 4;
            } else {
                plain += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            }
        }
        flush();
        names.push_back(units);
    }
    return names;
}

// Reports that are safe to open and exact: cells a spreadsheet program
// would run as formulas begin with an apostrophe, a name holding a lone
// surrogate comes back exactly from JSON; and a multi-string that also names
// a file that is there is not listed at all.
TEST(CliReportsOnTheRealRegistry, SafeToOpenExactAndNoMultiStringThatNamesAFileThatIsThere) {
    Scratch scratch;
    CliProgram cli;
    const std::wstring gone = kGone + L"f.exe" + std::wstring(1, L'\0');
    for (const wchar_t* name : {L"=1+1", L"-2", L"@x", L"lone \xD800 surrogate"}) scratch.Set("", name, REG_SZ, gone);
    const std::wstring existing = Wide(platform::win32::Win32FileSystem().SystemDirectory()) + L"\\kernel32.dll";
    scratch.Set("", L"kept list", REG_MULTI_SZ, kGone + L"a.exe" + std::wstring(1, L'\0') + existing + std::wstring(2, L'\0'));
    scratch.Set("", L"gone list", REG_MULTI_SZ, kGone + L"a.exe" + std::wstring(1, L'\0') + kGone + L"b.dll" + std::wstring(2, L'\0'));
    // Strings that may name a file that is there, though not on the system drive.
    scratch.Set("", L"variable list", REG_MULTI_SZ,
                kGone + L"a.exe" + std::wstring(1, L'\0') + L"%SystemRoot%\\system32\\notepad.exe" + std::wstring(2, L'\0'));
    scratch.Set("", L"other drive list", REG_MULTI_SZ,
                kGone + L"a.exe" + std::wstring(1, L'\0') + L"D:\\Tools\\there.exe" + std::wstring(2, L'\0'));

    const Ran csv = cli({"scan", "--format", "csv", "--categories", "software"});
    EXPECT_EQ(csv.code, 1) << csv.err;
    std::set<std::string> cells;
    for (const auto& record : ReadCsv(csv.out.substr(3)))
        if (record.size() > 2 && record[1] == scratch.path) cells.insert(record[2]);
    EXPECT_EQ(cells, (std::set<std::string>{"'=1+1", "'-2", "'@x", "lone \xEF\xBF\xBD surrogate", "gone list"}));

    const Ran json = cli({"scan", "--format", "json", "--categories", "software"});
    EXPECT_EQ(json.code, 1) << json.err;
    const std::vector<std::u16string> names = JsonValueNames(json.out);
    EXPECT_NE(std::find(names.begin(), names.end(), u"lone \xD800 surrogate"), names.end()) << json.out;
    EXPECT_NE(std::find(names.begin(), names.end(), u"=1+1"), names.end()) << "JSON is exact";
    EXPECT_NE(std::find(names.begin(), names.end(), u"gone list"), names.end());
    for (const char16_t* kept : {u"kept list", u"variable list", u"other drive list"})
        EXPECT_EQ(std::find(names.begin(), names.end(), kept), names.end()) << Utf8(std::wstring(kept, kept + std::char_traits<char16_t>::length(kept)));
}

// A report that cannot be written stops a repair before it acts.
// So does one whose place holds what the report could not replace at the
// end (a folder, a read-only file): the last run's report would stay there.
TEST_F(CliOnTheRealRegistry, ARepairIntoAMissingFolderTouchesNothing) {
    if (!app_test::InTheTestsOwnPrefix()) GTEST_SKIP() << "a repair of its category: the tests' own prefix only";
    const std::string folder = cli.Folder() + "\\Reports", readOnly = cli.Folder() + "\\last.json";
    ::CreateDirectoryW(Wide(folder).c_str(), nullptr);
    cli.Write("last.json", "{}");
    ::SetFileAttributesW(Wide(readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
    for (const std::string& report : {cli.Folder() + "\\Missing\\report.json", folder, readOnly}) {
        const Ran repair = cli({"repair", "--categories", "software", "--format", "json", "--output", report});
        EXPECT_EQ(repair.code, 2);
        EXPECT_EQ(repair.err, "varnholt-cli: the report cannot be written: " + report + "\r\n");
        EXPECT_EQ(scratch.Get("", L"str").first, REG_SZ) << "nothing removed";
        EXPECT_EQ(::GetFileAttributesW(Wide(cli.Folder() + "\\RegBackups").c_str()), INVALID_FILE_ATTRIBUTES) << "no backup";
        EXPECT_EQ(app_test::ReadProfile(cli.Folder() + "\\ro.ini", "Records", "FixedCount"), "");
    }
    EXPECT_EQ(ReadAll(Wide(readOnly)), "{}");
    ::SetFileAttributesW(Wide(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(Wide(folder).c_str());
}

// An ignore list that is there but cannot be read, held open by another
// program or replaced by a folder, stops the scan and the repair before
// anything is listed or removed.
TEST_F(CliOnTheRealRegistry, AnIgnoreListThatCannotBeReadStopsTheRun) {
    if (!app_test::InTheTestsOwnPrefix()) GTEST_SKIP() << "a repair of its category: the tests' own prefix only";
    const std::string list = cli.Folder() + "\\ignore.txt";
    cli.Write("ignore.txt", "value\tHKEY_CURRENT_USER\t" + scratch.path + "\tstr\r\n");
    // Held open, sharing nothing, by this process: another program to the command line.
    HANDLE held = ::CreateFileW(Wide(list).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (const char* command : {"scan", "repair"}) {
        const Ran run = cli({command, "--categories", "software"});
        EXPECT_EQ(run.code, 2) << command;
        EXPECT_EQ(run.err, "varnholt-cli: the ignore list cannot be read (another program holds it open): " + list + "\r\n");
        EXPECT_EQ(run.out, "");
    }
    ::CloseHandle(held);
    ::DeleteFileW(Wide(list).c_str());
    ::CreateDirectoryW(Wide(list).c_str(), nullptr);
    const Ran run = cli({"repair", "--categories", "software"});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, "varnholt-cli: the ignore list cannot be read (it is a folder): " + list + "\r\n");
    ::RemoveDirectoryW(Wide(list).c_str());
    EXPECT_EQ(scratch.Get("", L"str").first, REG_SZ) << "nothing removed";
    EXPECT_EQ(scratch.Get("", L"multi").first, REG_MULTI_SZ);
    EXPECT_EQ(::GetFileAttributesW(Wide(cli.Folder() + "\\RegBackups").c_str()), INVALID_FILE_ATTRIBUTES) << "no backup";
}

// A device's name for a backup is refused at once, never read (which would
// wait for ever).
TEST_F(CliOnTheRealRegistry, ADeviceIsNoBackup) {
    ::CreateDirectoryW(Wide(cli.Folder() + "\\RegBackups").c_str(), nullptr);
    const Ran aux = cli({"restore", "aux.reg"});
    EXPECT_EQ(aux.code, 2);
    EXPECT_EQ(aux.err, "varnholt-cli: the file cannot be read (it is a device, not a file on a disk): " + cli.Folder() +
                           "\\RegBackups\\aux.reg\r\n");
    // The console, which Windows opens as a device and Wine does not open
    // for a program without one: refused either way.
    EXPECT_EQ(cli({"restore", "con"}).code, 2);
}

// A repair killed right after its backup file appears leaves nothing the
// Restore page lists but a whole backup.
TEST_F(CliOnTheRealRegistry, ABackupKilledRightAfterItAppearsIsNoPartialFileOnTheRestorePage) {
    if (!app_test::InTheTestsOwnPrefix()) GTEST_SKIP() << "a repair of its category: the tests' own prefix only";
    // A file of some size, which takes a while to write and check. Where the
    // kill lands is the system's to say, from the file's creation on: the
    // tests of the backup writer end it at each step in turn.
    constexpr int kValues = 3000;
    const std::wstring data = kGone + L"m.exe /" + std::wstring(200, L'x') + std::wstring(1, L'\0');
    for (int i = 0; i < kValues; ++i) scratch.Set("\\Many", L"v" + std::to_wstring(i), REG_SZ, data);
    // Told of the first file made under the application folder: the backup.
    HANDLE folder = ::CreateFileW(Wide(cli.Folder()).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    alignas(DWORD) BYTE changes[4096];
    OVERLAPPED overlapped{};
    overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(::ReadDirectoryChangesW(folder, changes, sizeof changes, TRUE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr,
                                        &overlapped, nullptr));
    std::wstring command = L"\"" + Wide(cli.Folder()) + L"\\varnholt-cli.exe\" repair --categories software";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
    const HANDLE waits[] = {overlapped.hEvent, pi.hProcess};
    const bool appeared = ::WaitForMultipleObjects(2, waits, FALSE, 300000) == WAIT_OBJECT_0;
    ::TerminateProcess(pi.hProcess, 99);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CancelIo(folder);
    ::CloseHandle(overlapped.hEvent);
    ::CloseHandle(folder);
    ASSERT_TRUE(appeared);
    EXPECT_EQ(code, 99u) << "killed while it ran";

    struct CliFolder : platform::win32::Win32FileSystem {
        std::string folder;
        std::string AppFolder() override { return folder; }
    } files;
    files.folder = cli.Folder();
    fakes::FakeShell shell;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeButton refresh, restore, del;
    scan::FormRestoreAndBackup page{{list, refresh, restore, del}, files, shell, ui, 0};
    page.Form_Load();
    platform::win32::Win32CodePage codePage;
    for (int row = 1; row <= list.RowCount(); ++row) {
        std::string bytes;
        ASSERT_TRUE(files.ReadFile(cli.Folder() + "\\RegBackups\\" + list.Text(row, 1), &bytes));
        const auto values = scan::ReadBackupFile(codePage, bytes);
        ASSERT_TRUE(values) << list.Text(row, 1) << " is cut";
        EXPECT_GE(values->size(), static_cast<std::size_t>(kValues)) << list.Text(row, 1);
    }
}

// Links from the user's own keys into places Windows needs: a repair of
// the category the links' path suggests lists and removes nothing there.
TEST_F(CliOnTheRealRegistry, ARepairThroughLinksLeavesProtectedPlacesAlone) {
    if (!app_test::InTheTestsOwnPrefix()) GTEST_SKIP() << "a repair of its category: the tests' own prefix only";
    using registry_links::Link;
    using registry_links::PlantedValue;
    using registry_links::RegistryName;
    const std::string control = "System\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
    const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    const std::string driver = "System\\CurrentControlSet\\Services\\VarnholtDrv" + std::to_string(::GetCurrentProcessId());
    PlantedValue paging(HKEY_LOCAL_MACHINE, control, L"VarnholtProbe", kGone + L"pagefile.sys");
    PlantedValue shell(HKEY_LOCAL_MACHINE, winlogon, L"VarnholtProbe", kGone + L"shell.exe");
    PlantedValue image(HKEY_LOCAL_MACHINE, driver, L"ImagePath", kGone + L"drv.sys");
    image.SetNumber(L"Type", 1);
    Link mm(HKEY_CURRENT_USER, scratch.path + "\\mm", RegistryName(HKEY_LOCAL_MACHINE, control));
    Link wl(HKEY_CURRENT_USER, scratch.path + "\\wl", RegistryName(HKEY_LOCAL_MACHINE, winlogon));
    Link drv(HKEY_CURRENT_USER, scratch.path + "\\drv", RegistryName(HKEY_LOCAL_MACHINE, driver));
    const Ran repair = cli({"repair", "--no-backup", "--categories", "software", "--format", "json"});
    EXPECT_EQ(repair.code, 0) << repair.err;
    for (const auto& f : nlohmann::json::parse(repair.out)["findings"]) {
        const std::string key = f["key"];
        for (const char* link : {"\\mm", "\\wl", "\\drv"})
            EXPECT_NE(key.find(scratch.path + link), 0u) << key << " reached through a link";
        EXPECT_NE(std::string(f["value"]), "VarnholtProbe");
    }
    EXPECT_TRUE(paging.Exists());
    EXPECT_TRUE(shell.Exists());
    EXPECT_TRUE(image.Exists());
}

// The window's setting is the window's: the command line judges expandable
// strings only with --expandable, each with the variables of its place.
TEST(CliExpandable, OnlyWithTheFlag) {
    const std::string key = "Software\\VarnholtCliExpand" + std::to_string(::GetCurrentProcessId());
    const std::wstring defaultKey = L".DEFAULT\\" + Wide(key);
    const auto clear = [&] {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key).c_str());
        ::RegDeleteTreeW(HKEY_USERS, defaultKey.c_str());
    };
    clear();
    const auto set = [](HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text) {
        EXPECT_EQ(::RegSetKeyValueW(root, path.c_str(), name, REG_EXPAND_SZ, text.c_str(),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    };
    set(HKEY_CURRENT_USER, Wide(key), L"gone", L"%ProgramFiles%\\VhGone\\gone.exe");
    set(HKEY_CURRENT_USER, Wide(key), L"there", L"%SystemRoot%\\system32\\notepad.exe");
    set(HKEY_CURRENT_USER, Wide(key), L"unknown", L"%VhNoSuchVariable%\\x.exe");
    set(HKEY_CURRENT_USER, Wide(key), L"user", L"%USERPROFILE%\\gone.dll");
    set(HKEY_USERS, defaultKey, L"user", L"%USERPROFILE%\\gone.dll");
    CliProgram cli;
    cli.Write("ro.ini", "[Settings]\r\nCheckExpandable=1\r\n");
    const auto mine = [&](const Ran& run) {
        EXPECT_TRUE(run.code == 0 || run.code == 1) << run.err;
        if (run.out.empty()) return std::vector<std::string>{"no report"};
        const auto report = nlohmann::json::parse(run.out);
        std::vector<std::string> found;
        for (const auto& f : report["findings"])
            if (f["root"] == "HKEY_CURRENT_USER" && f["key"] == key)
                found.push_back(f["root"].get<std::string>() + "|" + f["value"].get<std::string>() + "|" +
                                f["type"].get<std::string>() + "|" + f["data"].get<std::string>() + "|" +
                                f["missingFile"].get<std::string>());
        return found;
    };
    wchar_t expanded[2][MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ProgramFiles%\\VhGone\\gone.exe", expanded[0], MAX_PATH);
    ::ExpandEnvironmentStringsW(L"%USERPROFILE%\\gone.dll", expanded[1], MAX_PATH);
    EXPECT_EQ(mine(cli({"scan", "--format", "json"})), std::vector<std::string>{});
    EXPECT_EQ(mine(cli({"scan", "--format", "json", "--expandable"})),
              (std::vector<std::string>{
                  "HKEY_CURRENT_USER|gone|REG_EXPAND_SZ|%ProgramFiles%\\VhGone\\gone.exe|" + Utf8(expanded[0]),
                  "HKEY_CURRENT_USER|user|REG_EXPAND_SZ|%USERPROFILE%\\gone.dll|" + Utf8(expanded[1])}));
    clear();
}

}  // namespace
