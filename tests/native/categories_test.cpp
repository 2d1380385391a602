// Where a value is: its category, and the places Windows needs.
#include <gtest/gtest.h>

#include "engine/Categories.h"
#include "fakes/MemoryRegistry.h"

using namespace engine;

namespace {

constexpr platform::RegHandle kHkcr = platform::kHkeyClassesRoot, kHkcu = platform::kHkeyCurrentUser,
                              kHklm = platform::kHkeyLocalMachine, kHku = platform::kHkeyUsers,
                              kHkcc = platform::kHkeyCurrentConfig;

const char* const kProtected = "protected";

// The category's caption, or "protected".
std::string Judged(fakes::MemoryRegistry& reg, platform::RegHandle root, const std::string& keyPath) {
    if (ProtectedPlaceOf(reg, root, keyPath)) return kProtected;
    return CategoryCaption(CategoryOf(root, keyPath));
}

void SetNumber(fakes::MemoryRegistry& reg, const std::string& path, const char* name, std::uint32_t n) {
    reg.SetValue(kHklm, path, name, platform::kRegDword,
                 {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), 0, 0});
}

}  // namespace

TEST(Categories, EachKeyBelongsToTheFirstRowThatHoldsIt) {
    fakes::MemoryRegistry reg;
    const std::string cv = "Software\\Microsoft\\Windows\\CurrentVersion";
    struct Case {
        platform::RegHandle root;
        std::string keyPath;
        const char* judged;
    } cases[] = {
        {kHkcr, "CLSID\\{0}\\InprocServer32", "Activex,OLE,COM Entries"},
        {kHkcr, "Wow6432Node\\CLSID\\{0}\\LocalServer32", "Activex,OLE,COM Entries"},
        {kHklm, "SOFTWARE\\Classes\\TypeLib\\{0}\\1.0\\0\\win32", "Activex,OLE,COM Entries"},
        {kHklm, "Software\\Wow6432Node\\Classes\\Interface\\{0}", "Activex,OLE,COM Entries"},
        {kHkcu, "Software\\Classes\\AppID\\x.exe", "Activex,OLE,COM Entries"},
        {kHku, "S-1-5-21-7-1001\\Software\\Classes\\clsid\\{0}", "Activex,OLE,COM Entries"},
        {kHku, "S-1-5-21-7-1001_Classes\\CLSID\\{0}", "Activex,OLE,COM Entries"},
        {kHklm, cv + "\\SharedDLLs", "Shared Programs"},
        {kHklm, cv + "\\Run", "Startup Programs"},
        {kHklm, "software\\wow6432node\\microsoft\\windows\\currentversion\\RUNONCE", "Startup Programs"},
        {kHklm, cv + "\\RunOnceEx\\0001", "Startup Programs"},
        {kHklm, cv + "\\RunServices", "Startup Programs"},
        {kHku, ".DEFAULT\\" + cv + "\\RunServicesOnce", "Startup Programs"},
        {kHkcu, cv + "\\Policies\\Explorer\\Run", "Startup Programs"},
        {kHklm, cv + "\\RunOnceSetupX", "System Software Settings"},
        {kHkcu, cv + "\\Policies\\Explorer\\Runner", "System Software Settings"},
        {kHklm, cv + "\\App Paths\\app.exe", "Application Paths"},
        {kHklm, cv + "\\Uninstall\\{0}", "Obsolete Software"},
        {kHklm, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Windows Fonts"},
        {kHkcu, "AppEvents\\Schemes\\Apps\\.Default\\Beep\\.Current", "Sounds and App Events"},
        {kHku, "S-1-5-18\\AppEvents\\Schemes", "Sounds and App Events"},
        {kHkcu, cv + "\\Explorer\\RunMRU", "MRU and History lists"},
        {kHkcu, cv + "\\Explorer\\ComDlg32\\OpenSavePidlMRU\\exe", "MRU and History lists"},
        {kHkcu, cv + "\\Explorer\\RecentDocs\\.txt", "MRU and History lists"},
        {kHkcu, cv + "\\Explorer\\TypedPaths", "MRU and History lists"},
        {kHkcu, cv + "\\Explorer\\UserAssist\\{0}\\Count", "MRU and History lists"},
        {kHkcu, "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
         "MRU and History lists"},
        {kHkcu, "Software\\Vendor\\App\\Recent File List MRUs", "System Software Settings"},
        {kHkcr, ".txt", "File Extensions"},
        {kHklm, "Software\\Classes\\.doc\\ShellNew", "File Extensions"},
        {kHkcu, cv + "\\Explorer\\FileExts\\.txt\\OpenWithList", "File Extensions"},
        {kHkcr, "txtfile\\shell\\open\\command", "File Associations"},
        {kHkcr, "Applications\\notepad.exe\\DefaultIcon", "File Associations"},
        {kHklm, "System\\CurrentControlSet\\Services\\App", "System services"},
        {kHklm, "SYSTEM\\ControlSet001\\Services\\App\\Parameters", "System services"},
        {kHklm, "System\\ControlSetX\\Services\\App", "Files and Folsers"},
        {kHklm, "Software\\Vendor\\App", "System Software Settings"},
        {kHku, "S-1-5-21-7-1001\\Software\\Vendor", "System Software Settings"},
        {kHkcc, "Software\\Fonts", "System Software Settings"},
        {kHkcu, "Softwarex\\Vendor", "Files and Folsers"},
        {kHkcu, "Environment", "Files and Folsers"},
        {kHklm, "Hardware\\Description\\System", "Files and Folsers"},
        {kHku, "S-1-5-21-7-1001", "Files and Folsers"},
        // The places Windows needs.
        {kHklm, "System\\CurrentControlSet\\Control\\Session Manager\\Memory Management", kProtected},
        {kHklm, "SYSTEM\\ControlSet002\\Control", kProtected},
        {kHkcc, "System\\CurrentControlSet\\Control\\Print", kProtected},
        // A hardware profile under HKEY_LOCAL_MACHINE reads as HKEY_CURRENT_CONFIG.
        {kHklm, "System\\ControlSet001\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Control\\Print", kProtected},
        {kHklm, "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts", "System Software Settings"},
        {kHklm, "System\\CurrentControlSet\\Controls", "Files and Folsers"},
        {kHklm, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", kProtected},
        {kHklm, "Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\x", kProtected},
        {kHkcr, "Installer\\Products\\0", kProtected},
        {kHklm, "Software\\Classes\\Installer\\Components", kProtected},
        {kHklm, cv + "\\Installer\\UserData\\S-1-5-18\\Components\\0", kProtected},
        {kHkcu, "Software\\Microsoft\\Installer\\Products\\0", kProtected},
        {kHkcu, cv + "\\Explorer\\FileExts\\.html\\UserChoice", kProtected},
        {kHku, "S-1-5-21-7-1001\\" + cv + "\\Explorer\\FileExts\\.pdf\\UserChoice", kProtected},
    };
    // The services above start on demand.
    for (const char* service : {"System\\CurrentControlSet\\Services\\App", "SYSTEM\\ControlSet001\\Services\\App"}) {
        SetNumber(reg, service, "Type", 16);
        SetNumber(reg, service, "Start", 3);
    }
    for (const Case& c : cases) EXPECT_EQ(Judged(reg, c.root, c.keyPath), c.judged) << c.root << " " << c.keyPath;
}

// A service Windows needs to start is told by its own key's Type and Start.
TEST(Categories, AServiceIsProtectedWhenItIsADriverOrStartsWithWindows) {
    fakes::MemoryRegistry reg;
    struct Case {
        const char* service;
        int type, start;  // -1: no such value
        bool isProtected;
    } cases[] = {
        {"Kernel", 1, 3, true},   {"FileSystem", 2, 3, true}, {"Boot", 16, 0, true},  {"System", 32, 1, true},
        {"Auto", 16, 2, false},   {"Demand", 32, 3, false},   {"Adapter", 4, 3, false}, {"NoValues", -1, -1, false},
        {"OnlyType", 1, -1, true}, {"OnlyStart", -1, 4, false}, {"Recognizer", 8, 3, true}, {"KernelAndOwn", 0x11, 3, true},
    };
    for (const Case& c : cases) {
        const std::string key = std::string("System\\ControlSet001\\Services\\") + c.service;
        reg.AddKey(kHklm, key);
        if (c.type >= 0) SetNumber(reg, key, "Type", c.type);
        if (c.start >= 0) SetNumber(reg, key, "Start", c.start);
        for (const std::string& below : {key, key + "\\Parameters"})
            EXPECT_EQ(Judged(reg, kHklm, below), c.isProtected ? kProtected : "System services") << below;
    }
    // A number written as text is not one the system reads.
    reg.SetString(kHklm, "System\\ControlSet001\\Services\\Text", "Type", "1");
    EXPECT_EQ(Judged(reg, kHklm, "System\\ControlSet001\\Services\\Text"), "System services");
    // A service key that cannot be read might be a driver's.
    EXPECT_EQ(Judged(reg, kHklm, "System\\ControlSet001\\Services\\Gone\\Parameters"), kProtected);
    reg.AddKey(kHklm, "System\\ControlSet001\\Services\\Locked");
    reg.FailOpen(kHklm, "System\\ControlSet001\\Services\\Locked", platform::kErrorAccessDenied);
    EXPECT_EQ(Judged(reg, kHklm, "System\\ControlSet001\\Services\\Locked"), kProtected);
    EXPECT_EQ(reg.OpenHandles(), 0);
}
