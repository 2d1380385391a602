// Expandable strings (REG_EXPAND_SZ), judged when the settings ask for it:
// how their variables expand, which table applies where a value really is,
// and that without the setting they read exactly as before.
#include <gtest/gtest.h>

#include "ScanFixture.h"
#include "engine/RegSearch.h"
#include "platform/Environment.h"
#include "platform/Text.h"

namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::kHkeyUsers;

TEST(ExpandVariables, AsTheSystemExpandsThem) {
    const platform::Variables table{{"SystemRoot", "C:\\Windows"}, {"ProgramFiles", "C:\\Program Files"}, {"X", "%Y%"}};
    const struct {
        const char* text;
        const char* expanded;
        bool whole;  // every %NAME% was known
    } cases[] = {
        {"%SystemRoot%\\system32\\a.dll", "C:\\Windows\\system32\\a.dll", true},
        {"%systemroot%\\a.dll,-5", "C:\\Windows\\a.dll,-5", true},  // names without case
        {"\"%ProgramFiles%\\App\\app.exe\" /autoRun", "\"C:\\Program Files\\App\\app.exe\" /autoRun", true},
        {"C:\\x\\%SystemRoot%", "C:\\x\\C:\\Windows", true},  // a variable at the end
        {"no variables", "no variables", true},
        {"", "", true},
        {"%NoSuchVariable%\\x.exe", "%NoSuchVariable%\\x.exe", false},
        // An unknown name leaves its first % alone and the search goes on
        // from the next character, as the system's does.
        {"%Nope%SystemRoot%\\a.dll", "%NopeC:\\Windows\\a.dll", false},
        {"%%", "%%", true},  // names nothing
        {"100%% %SystemRoot%", "100%% C:\\Windows", false},  // the second % and the third name " "
        {"%%SystemRoot%", "%C:\\Windows", true},
        {"C:\\50%\\a.exe", "C:\\50%\\a.exe", true},  // a lone %
        {"C:\\a.exe %", "C:\\a.exe %", true},
        {"%SystemRoot", "%SystemRoot", true},
        {"%X%", "%Y%", true},  // a value is not expanded again
    };
    for (const auto& c : cases) {
        std::string expanded;
        EXPECT_EQ(platform::ExpandVariables(c.text, table, &expanded), c.whole) << c.text;
        EXPECT_EQ(expanded, c.expanded) << c.text;
    }
}

std::vector<std::uint8_t> Utf16(const std::string& text) {
    std::vector<std::uint8_t> bytes = platform::Utf8ToUtf16Bytes(text);
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

struct Found : engine::RegSearchListener {
    std::vector<std::string> values;
    void SearchFound(const std::string&, const std::string& key, const std::string& value, std::int32_t found,
                     const engine::MatchedValue&) override {
        values.push_back(std::to_string(found) + " " + key + " | " + value);
    }
    void SearchFinished(std::int32_t) override {}
    void SearchKeyChanged(const std::string&) override {}
};

TEST(ExpandableWalk, ReadsAsStoredOnlyWhenAskedFor) {
    fakes::MemoryRegistry reg;
    fakes::FakeUi ui;
    reg.SetValue(kHkeyCurrentUser, "K", "var", platform::kRegExpandSz, Utf16("%SystemRoot%\\a.dll"));
    reg.SetValue(kHkeyCurrentUser, "K", "drive", platform::kRegExpandSz, Utf16("C:\\b.dll"));
    reg.SetValue(kHkeyCurrentUser, "K", "plain", platform::kRegExpandSz, Utf16("text"));
    reg.SetValue(kHkeyCurrentUser, "K", "C: name", platform::kRegExpandSz, Utf16("%x%"));
    const struct {
        std::int32_t flags;
        std::vector<std::string> found;
    } cases[] = {
        {engine::kSearchValueNames | engine::kSearchValueData, {"1 K\\C: name | Temporarily unsupported"}},
        {engine::kSearchValueNames | engine::kSearchValueData | engine::kSearchExpandable,
         {"2 K\\var | %SystemRoot%\\a.dll", "2 K\\drive | C:\\b.dll", "1 K\\C: name | %x%", "2 K\\C: name | %x%"}},
    };
    for (const auto& c : cases) {
        Found found;
        engine::cRegSearch search(reg, ui, found);
        search.SetRootKey(kHkeyCurrentUser);
        search.SetSubKey("K");
        search.SetSearchFlags(c.flags);
        search.SetSearchString("C:");
        search.DoSearch();
        EXPECT_EQ(found.values, c.found) << "flags " << c.flags;
    }
}

class ExpandableScan : public ScanFixture {
protected:
    void SetUp() override {
        ScanFixture::SetUp();
        environment.system["TEMP"] = "C:\\Windows\\Temp";
        environment.user["TEMP"] = "C:\\Users\\ada\\Temp";
        files.AddFile("C:\\Windows\\system32\\notepad.exe");
    }
    void Expandable(platform::RegHandle root, const std::string& path, const std::string& name, const std::string& text) {
        reg.SetValue(root, path, name, platform::kRegExpandSz, Utf16(text));
    }
    void SetOption(const char* text) { profile.values[{files.appFolder + "\\ro.ini", "Settings", "CheckExpandable"}] = text; }
    // "root\key | value column | missing file" of each row.
    std::vector<std::string> Scan() {
        start.Press();
        std::vector<std::string> rows;
        for (int row = 1; row <= list.RowCount(); ++row)
            rows.push_back(Row(row)[1] + "\\" + Row(row)[2] + " | " + Row(row)[3] + " | " + Row(row)[4]);
        return rows;
    }
};

TEST_F(ExpandableScan, EachValueIsReadWithTheVariablesOfTheAccountWhoseHiveHoldsIt) {
    const std::string sid = reg.userSid;
    Expandable(kHkeyCurrentUser, "Software\\Vh", "gone", "%ProgramFiles%\\VhGone\\gone.exe");
    Expandable(kHkeyCurrentUser, "Software\\Vh", "there", "%SystemRoot%\\system32\\notepad.exe");
    Expandable(kHkeyCurrentUser, "Software\\Vh", "unknown", "%VhNoSuchVariable%\\x.exe");
    Expandable(kHkeyCurrentUser, "Software\\Vh", "user", "%USERPROFILE%\\gone.dll");
    Expandable(kHkeyCurrentUser, "Software\\Vh", "temp", "%TEMP%\\user.exe");
    Expandable(kHkeyUsers, ".DEFAULT\\Software\\Vh", "user", "%USERPROFILE%\\gone.dll");
    Expandable(kHkeyUsers, sid + "\\Software\\Vh", "user", "%USERPROFILE%\\own.dll");
    Expandable(kHkeyUsers, sid + "_Classes\\CLSID\\{1}\\InprocServer32", "", "%USERPROFILE%\\class.dll");
    Expandable(kHkeyLocalMachine, "Software\\Vh", "user", "%USERPROFILE%\\machine.dll");
    Expandable(kHkeyLocalMachine, "Software\\Vh", "temp", "%temp%\\machine.exe");
    // The place the registry will not name: the classes the walk saw, which
    // may be the machine's.
    Expandable(kHkeyClassesRoot, "CLSID\\{2}\\InprocServer32", "", "%USERPROFILE%\\merged.dll");

    const std::vector<std::string> off = Scan();
    EXPECT_EQ(off, std::vector<std::string>{}) << "off by default";

    SetOption("1");
    EXPECT_EQ(Scan(), (std::vector<std::string>{
                          "HKEY_CURRENT_USER\\Software\\Vh\\gone | %ProgramFiles%\\VhGone\\gone.exe | "
                          "C:\\Program Files\\VhGone\\gone.exe",
                          "HKEY_CURRENT_USER\\Software\\Vh\\user | %USERPROFILE%\\gone.dll | C:\\Users\\ada\\gone.dll",
                          "HKEY_CURRENT_USER\\Software\\Vh\\temp | %TEMP%\\user.exe | C:\\Users\\ada\\Temp\\user.exe",
                          "HKEY_LOCAL_MACHINE\\Software\\Vh\\temp | %temp%\\machine.exe | C:\\Windows\\Temp\\machine.exe",
                          "HKEY_USERS\\" + sid + "\\Software\\Vh\\user | %USERPROFILE%\\own.dll | C:\\Users\\ada\\own.dll",
                          "HKEY_USERS\\" + sid + "_Classes\\CLSID\\{1}\\InprocServer32\\ | %USERPROFILE%\\class.dll | "
                          "C:\\Users\\ada\\class.dll",
                      }));
    const engine::Finding& first = form->Findings().front();
    EXPECT_EQ(first.type, platform::kRegExpandSz);
    EXPECT_EQ(first.data, Utf16("%ProgramFiles%\\VhGone\\gone.exe")) << "backed up and removed as stored";

    SetOption("0");
    EXPECT_EQ(Scan(), std::vector<std::string>{});
}

// Without the setting a stored path is as unsupported as one with variables,
// as it always was; with it, a string without variables is a plain string.
TEST_F(ExpandableScan, AStoredPathIsListedOnlyWithTheSetting) {
    Expandable(kHkeyCurrentUser, "Software\\Vh", "path", "C:\\VhGone\\gone.exe");
    EXPECT_EQ(Scan(), std::vector<std::string>{});
    SetOption("1");
    EXPECT_EQ(Scan(), std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Vh\\path | C:\\VhGone\\gone.exe | C:\\VhGone\\gone.exe"});
}

}  // namespace
