// varnholt-cli.exe run as a console program, its output redirected, on the
// real registry: its reports against the scan window's findings, its exit
// codes, a repair given back by its own restore, and files it refuses.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fakes/FakeUi.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "scan/FormRepair.h"
#include "win32/app_test_support.h"

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
    ASSERT_EQ(records.size(), window.size() + 1);
    EXPECT_EQ(records[0], (std::vector<std::string>{"root", "key", "value", "type", "data", "missing file", "category", "match"}));
    std::vector<std::string> fromCsv;
    for (std::size_t i = 1; i < records.size(); ++i)
        fromCsv.push_back(Line(records[i][0], records[i][1], records[i][2], records[i][4], records[i][6], records[i][7]));
    EXPECT_EQ(fromCsv, window);
    // The name outside the code page comes out exact, in UTF-8.
    EXPECT_NE(text.find(scratch.path + "\\Sub,\xE4\xB8\xAD\xE6\x96\x87,REG_SZ"), std::string::npos);

    const Ran none = cli({"scan", "--categories", "empty"});
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.out, "0 findings.\r\n");
}

TEST_F(CliOnTheRealRegistry, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"clean"}, {"scan", "--format", "xml"}, {"restore"}}) {
        const Ran run = cli(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.err.compare(0, 13, "varnholt-cli:"), 0) << run.err;
        EXPECT_NE(run.err.find("Usage: varnholt-cli"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    const Ran help = cli({"repair", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.compare(0, 26, "Usage: varnholt-cli repair"), 0);
}

TEST_F(CliOnTheRealRegistry, ARepairIsGivenBackByTheRestoreByteForByte) {
    if (!app_test::InTheTestsOwnPrefix()) GTEST_SKIP() << "repairs every finding of its category: the tests' own prefix only";
    const std::vector<std::pair<std::string, std::wstring>> values = {
        {"", L"str"}, {"", L"multi"}, {"", L"tricky, \"name\""}, {"\\Sub", L""}};
    std::vector<std::pair<long, std::vector<BYTE>>> before;
    for (const auto& [sub, name] : values) before.push_back(scratch.Get(sub, name));

    // Only the scratch key's category: the prefix's own findings stay.
    const Ran repair = cli({"repair", "--categories", "software", "--format", "json"});
    EXPECT_EQ(repair.code, 3) << "the name outside the code page is kept: " << repair.err;
    const auto report = nlohmann::json::parse(repair.out);
    const std::string backup = report["backup"];
    std::map<std::string, std::string> outcomes;
    for (const auto& f : report["findings"])
        if (std::string(f["key"]).rfind(scratch.path, 0) == 0) outcomes[std::string(f["value"])] = f["outcome"];
    EXPECT_EQ(outcomes, (std::map<std::string, std::string>{{"", "repaired"},
                                                            {"multi", "repaired"},
                                                            {"str", "repaired"},
                                                            {"tricky, \"name\"", "repaired"},
                                                            {"\xE4\xB8\xAD\xE6\x96\x87", "kept"}}));
    for (const auto& [sub, name] : values) EXPECT_EQ(scratch.Get(sub, name).first, -1) << Utf8(name);
    EXPECT_EQ(scratch.Get("\\Sub", L"\x4E2D\x6587").first, REG_SZ);
    // Each value is listed under HKEY_CURRENT_USER and again under its user in
    // HKEY_USERS, where the repair finds it gone: 4 removed, 4 already gone.
    EXPECT_EQ(app_test::ReadProfile(cli.Folder() + "\\ro.ini", "Records", "FixedCount"), "8");

    const Ran listed = cli({"backups"});
    EXPECT_EQ(listed.code, 0);
    EXPECT_EQ(listed.out, backup + "\r\n");

    const Ran restore = cli({"restore", backup, "--format", "json"});
    EXPECT_EQ(restore.code, 0) << restore.err;
    const auto restored = nlohmann::json::parse(restore.out);
    // The same values under HKEY_USERS follow those under HKEY_CURRENT_USER.
    for (const auto& v : restored["values"])
        EXPECT_EQ(v["outcome"], std::string(v["key"]).rfind("HKEY_USERS", 0) == 0 ? "already equal" : "restored")
            << v["key"] << v["value"];
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(scratch.Get(values[i].first, values[i].second), before[i]) << Utf8(values[i].second);

    const Ran again = cli({"restore", backup, "--format", "csv"});
    EXPECT_EQ(again.code, 0);
    EXPECT_NE(again.out.find("already equal"), std::string::npos);
    EXPECT_EQ(again.out.find(",restored,"), std::string::npos);

    const Ran noBackup = cli({"repair", "--no-backup", "--categories", "software"});
    EXPECT_EQ(noBackup.code, 0) << noBackup.out << noBackup.err;
    EXPECT_NE(noBackup.out.find("No backup file."), std::string::npos);
    EXPECT_EQ(scratch.Get("\\Sub", L"\x4E2D\x6587").first, -1);
}

TEST_F(CliOnTheRealRegistry, AFileThatIsNoBackupOfOursIsRefusedAndNothingIsWritten) {
    const std::string damaged = cli.Folder() + "\\damaged.reg", foreign = cli.Folder() + "\\foreign.reg";
    const std::string key = "[HKEY_CURRENT_USER\\" + scratch.path + "\\Restored]\r\n";
    cli.Write("damaged.reg", "REGEDIT4\r\n\r\n" + key + "\"a\"=\"b\"\r\n\"c\"=hex:0z\r\n");
    cli.Write("foreign.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + key + "\"a\"=\"b\"\r\n");
    for (const std::string& file : {damaged, foreign, cli.Folder() + "\\none.reg"}) {
        const Ran run = cli({"restore", file});
        EXPECT_EQ(run.code, 2) << file;
        EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
        EXPECT_EQ(scratch.Get("\\Restored", L"a").first, -1) << file;
    }
}

}  // namespace
