// Root keys, value rendering and the rules that read a file path out of a
// value's text.
#include <gtest/gtest.h>

#include "engine/FileReferences.h"
#include "engine/RegSearch.h"
#include "engine/RootKeys.h"
#include "engine/ValueText.h"
#include "fakes/MemoryFileSystem.h"

using namespace engine;

TEST(RootKeys, MapNamesAndHandlesExactly) {
    EXPECT_EQ(RootKeyName(0x80000002), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootKeyName(0x80000006), "HKEY_DYN_DATA");
    EXPECT_EQ(RootKeyName(0), "");
    EXPECT_EQ(RootKeyName(0x80000007), "");
    EXPECT_EQ(RootKeyHandle("HKEY_USERS"), 0x80000003u);
    EXPECT_EQ(RootKeyHandle("HKEY_CLASSES_ROOT"), 0x80000000u);
    EXPECT_EQ(RootKeyHandle("HKEY_ALL"), 0u);
    EXPECT_EQ(RootKeyHandle("hkey_local_machine"), 0u) << "case matters";
    EXPECT_EQ(RootKeyHandle(" HKEY_USERS"), 0u) << "blanks are not trimmed";
    EXPECT_EQ(RootKeyHandle(""), 0u);
}

TEST(ValueDataToText, RendersEachTypeAsShown) {
    using B = std::vector<std::uint8_t>;
    struct Case {
        std::uint32_t type;
        B data;
        std::string text;
    } cases[] = {
        {3, {0x01, 0xA0, 0xFF}, "01 A0 FF"},
        {3, {0x00}, "00"},
        // Strings are UTF-16 in the registry, shown as UTF-8.
        {1, {0x00, 0x00}, ""},
        {1, {0x00}, ""},
        {1, {'a', 0, 'b', 0}, "ab"},  // no NUL: used whole
        {1, {'a', 0, 'b', 0, 'c'}, "ab"},  // half a character at the end is none
        {7, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, "a"},
        {1, {0x41, 0x01, 0x2D, 0x4E, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}, "\xC5\x81\xE4\xB8\xAD\xF0\x9F\x98\x80"},
        {1, {0x3D, 0xD8, 'x', 0, 0, 0}, "\xED\xA0\xBDx"},  // a lone surrogate keeps its own bytes
        {4, {26, 0, 0, 0}, "0x0000001A(26)"},
        {4, {255, 0, 0, 0, 9, 9}, "0x000000FF(255)"},
        {4, {0xFF, 0xFF, 0xFF, 0xFF}, "0xFFFFFFFF(-1)"},
        {4, {0x34, 0x12}, "0x00001234(4660)"},  // short data: missing high bytes are zero
        {2, {'C', 0, ':', 0, '\\', 0, 0, 0}, "Temporarily unsupported"},
        {11, {1, 0, 0, 0, 0, 0, 0, 0}, "Temporarily unsupported"},
        {0, {0}, "Temporarily unsupported"},
    };
    for (const Case& c : cases) EXPECT_EQ(ValueDataToText(c.type, c.data), c.text) << "type " << c.type;
    EXPECT_EQ(ValueDataToText(3, B(8192, 0xAB)).size(), 24575u);
}

class FileReferencesTest : public ::testing::Test {
protected:
    fakes::MemoryFileSystem files;
    FileReferences refs{files};
};

TEST_F(FileReferencesTest, SystemDriveIsTheUpperCasedStartOfTheSystemFolder) {
    files.systemDirectory = "c:\\windows\\system32";
    EXPECT_EQ(refs.SystemDrive(), "C:");
}

TEST_F(FileReferencesTest, ExtractFilePathReadsThePathOutOfAValueText) {
    struct Case {
        const char* text;
        const char* path;
    } cases[] = {
        {"\"C:\\Program Files\\App\\app.exe\" /background", "C:\\PROGRAM FILES\\APP\\APP.EXE"},
        {"rundll32.exe C:\\Windows\\system32\\shell32.dll,Control_RunDLL", "C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"},
        {"C:\\Windows\\notepad.exe %1", "C:\\WINDOWS\\NOTEPAD.EXE"},
        // An extension counts only where it ends a name.
        {"C:\\Program Files\\My.Company\\tool.exe", "C:\\PROGRAM FILES\\MY.COMPANY\\TOOL.EXE"},
        {"C:\\Tools\\filter.axs", "C:\\TOOLS\\FILTER.AXS"},
        {"C:\\Tools\\filter.ax", "C:\\TOOLS\\FILTER.AX"},
        {"C:\\a.exe.bak\\b.dll", "C:\\A.EXE.BAK\\B.DLL"},
        {"C:\\x\\my_app.exe_old C:\\x\\run.com", "C:\\X\\MY_APP.EXE_OLD C"},
        {"C:\\Docs\\readme.txt;C:\\Docs\\b.txt", "C:\\DOCS\\README.TXT"},
        {"C:\\Program Files (x86)\\App\\app.exe", "C:\\PROGRAM FILES "},
        {"C:\\Data\\file D:\\x", "C:\\DATA\\FILE D"},
        {"D:\\Apps\\x.exe", "C:"},
        {"*", "C:"},
        {"c:\\low\\case.sys", "C:\\LOW\\CASE.SYS"},
        {"C:\\Folder %1\\x.ini", "C:\\FOLDER\\X.INI"},
        {"C:\\a\\b.exe,2", "C:\\A\\B.EXE"},
        // A period after an extension ends the name where nothing follows it
        // that continues a name; where a name goes on, it is not the end.
        {"Could not start C:\\App\\gone.exe.", "C:\\APP\\GONE.EXE"},
        {"C:\\App\\gone.exe. Try again", "C:\\APP\\GONE.EXE"},
        {"\"C:\\App\\gone.exe.\"", "C:\\APP\\GONE.EXE"},
        {"C:\\App\\gone.exe..", "C:\\APP\\GONE.EXE"},
        {"C:\\App\\app.exe.config", "C:\\APP\\APP.EXE.CONFIG"},
        {"C:\\A.COM SERVICES\\b.txt", "C:\\A.COM"},
    };
    for (const Case& c : cases) EXPECT_EQ(refs.ExtractFilePath(c.text), c.path) << c.text;
}

TEST_F(FileReferencesTest, CandidatePathsAreTheCutPathThenEachLongerReadingEndingAtAnExtension) {
    using Paths = std::vector<std::string>;
    struct Case {
        const char* text;
        Paths paths;
    } cases[] = {
        {"\"C:\\Program Files\\Amazon.com Services\\app.exe\" -x",
         {"C:\\PROGRAM FILES\\AMAZON.COM", "C:\\PROGRAM FILES\\AMAZON.COM SERVICES\\APP.EXE"}},
        {"C:\\a.com b\\c.dll x\\d.exe %1",
         {"C:\\A.COM", "C:\\A.COM B\\C.DLL", "C:\\A.COM B\\C.DLL X\\D.EXE"}},
        {"C:\\Folder %1\\x.com y\\z.exe", {"C:\\FOLDER\\X.COM", "C:\\FOLDER\\X.COM Y\\Z.EXE"}},
        // A later extension that continues a name gives no reading.
        {"C:\\a.com b\\c.exec", {"C:\\A.COM"}},
        // The worked cases keep their one reading.
        {"C:\\Program Files\\My.Company\\tool.exe", {"C:\\PROGRAM FILES\\MY.COMPANY\\TOOL.EXE"}},
        {"rundll32.exe C:\\Windows\\system32\\shell32.dll,Control_RunDLL", {"C:\\WINDOWS\\SYSTEM32\\SHELL32.DLL"}},
        {"C:\\Windows\\notepad.exe %1", {"C:\\WINDOWS\\NOTEPAD.EXE"}},
        {"C:\\Docs\\readme.txt;C:\\Docs\\b.txt", {"C:\\DOCS\\README.TXT"}},
        {"D:\\Apps\\x.exe", {"C:"}},
        {"*", {"C:"}},
        // Under the 32-bit program folder the first reading keeps its name
        // whole, up to the first extension after it, whatever the order of
        // the list; arguments and later paths are not part of it.
        {"\"C:\\Program Files (x86)\\App\\app.exe\" /x", {"C:\\PROGRAM FILES (X86)\\APP\\APP.EXE"}},
        {"C:\\Program Files (x86)\\App (beta)\\app.com,1", {"C:\\PROGRAM FILES (X86)\\APP (BETA)\\APP.COM"}},
        {"C:\\Program Files (x86)\\A\\b.dll x\\c.exe %1",
         {"C:\\PROGRAM FILES (X86)\\A\\B.DLL", "C:\\PROGRAM FILES (X86)\\A\\B.DLL X\\C.EXE"}},
        {"rundll32 c:\\program files (x86)\\a\\b.dll,Run", {"C:\\PROGRAM FILES (X86)\\A\\B.DLL"}},
        // Without an extension after it, the cut stays; other parentheses cut as before.
        {"C:\\Program Files (x86)\\App\\readme.txt", {"C:\\PROGRAM FILES "}},
        {"C:\\Program Files (x86)x\\a.exe", {"C:\\PROGRAM FILES ", "C:\\PROGRAM FILES (X86)X\\A.EXE"}},
        {"C:\\Tools (old)\\a.exe", {"C:\\TOOLS ", "C:\\TOOLS (OLD)\\A.EXE"}},
    };
    for (const Case& c : cases) {
        Paths upper;
        for (const FileReferences::FilePath& path : refs.CandidateFilePaths(c.text)) upper.push_back(path.upper);
        EXPECT_EQ(upper, c.paths) << c.text;
        if (upper.front().find("(X86)") == std::string::npos) {
            EXPECT_EQ(refs.ExtractFilePath(c.text), c.paths.front()) << c.text;
        }
    }
}

// The file system is asked with the value's own characters: the same cuts,
// before upper-casing.
TEST_F(FileReferencesTest, EachReadingKeepsThePathAsWritten) {
    struct Case {
        const char* text;
        const char* asWritten;
    } cases[] = {
        {"\"C:\\Program Files\\App\\app.exe\" /background", "C:\\Program Files\\App\\app.exe"},
        {"rundll32.exe c:\\Windows\\system32\\Shell32.dll,Control_RunDLL", "c:\\Windows\\system32\\Shell32.dll"},
        {"C:\\Windows\\Notepad.exe %1", "C:\\Windows\\Notepad.exe"},
        {"C:\\Folder %1\\Setup.ini", "C:\\Folder\\Setup.ini"},
        {"C:\\Program Files\\My.Company\\Tool.Exe", "C:\\Program Files\\My.Company\\Tool.Exe"},
        {"Run c:\\Data\\File d:\\x", "c:\\Data\\File d"},
        {"C:\\Docs\\ReadMe.txt;C:\\b.txt", "C:\\Docs\\ReadMe.txt"},
        {"D:\\Apps\\x.exe", "C:"},
        {"", "C:"},
    };
    for (const Case& c : cases) {
        const FileReferences::FilePath path = refs.CandidateFilePaths(c.text).front();
        EXPECT_EQ(path.asWritten, c.asWritten) << c.text;
        EXPECT_EQ(path.upper, refs.ExtractFilePath(c.text)) << c.text;
        EXPECT_EQ(path.upper, UpperCase(path.asWritten)) << c.text;
    }
}

// Answers are kept until forgotten, the one for the 32-bit folder too, so
// that a scan asks about each path once; after ForgetAnswers the file system
// is asked afresh.
TEST_F(FileReferencesTest, FileExistsAsksAboutAPathOnceUntilTheAnswersAreForgotten) {
    struct AskedFiles : fakes::MemoryFileSystem {
        std::vector<std::string> asked;
        platform::Existence FileExistence(const std::string& path) override {
            asked.push_back(path);
            return MemoryFileSystem::FileExistence(path);
        }
    } files;
    files.wow64Directory = "C:\\windows\\SysWOW64";
    files.AddFile("C:\\windows\\system32\\here.dll");
    files.AddFile("C:\\windows\\syswow64\\old32.dll");
    FileReferences cached(files);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(cached.FileExists("C:\\Windows\\System32\\here.dll"));
        EXPECT_TRUE(cached.FileExists("C:\\Windows\\System32\\Old32.dll"));
        EXPECT_FALSE(cached.FileExists("C:\\Gone\\app.exe"));
    }
    EXPECT_EQ(files.asked, (std::vector<std::string>{
                               "C:\\Windows\\System32\\here.dll",
                               "C:\\Windows\\System32\\Old32.dll",
                               "C:\\windows\\SysWOW64\\Old32.dll",  // the folder as the system names it
                               "C:\\Gone\\app.exe",
                           }));

    files.AddFile("C:\\Gone\\app.exe");
    EXPECT_FALSE(cached.FileExists("C:\\Gone\\app.exe")) << "kept until forgotten";
    cached.ForgetAnswers();
    EXPECT_TRUE(cached.FileExists("C:\\Gone\\app.exe"));
    EXPECT_EQ(files.asked.size(), 5u);
}

TEST_F(FileReferencesTest, ListedExtensionsEndThePath) {
    for (const char* path : {"C:\\A.EXE", "C:\\F.AX", "C:\\D.DRV", "C:\\B.BAT"})
        EXPECT_TRUE(FileReferences::HasListedExtension(path)) << path;
    for (const char* path : {"C:\\README.TXT", "C:\\F.AXS", "C:", "C:\\X.LNK"})
        EXPECT_FALSE(FileReferences::HasListedExtension(path)) << path;
}

TEST_F(FileReferencesTest, FileExistsAlsoLooksInThe32BitSystemFolder) {
    files.AddFile("C:\\windows\\system32\\here.dll");
    files.AddFile("C:\\windows\\syswow64\\old32.dll");
    EXPECT_TRUE(refs.FileExists("C:\\WINDOWS\\SYSTEM32\\HERE.DLL"));
    EXPECT_TRUE(refs.FileExists("C:\\WINDOWS"));
    EXPECT_FALSE(refs.FileExists("C:\\WINDOWS\\SYSTEM32\\OLD32.DLL")) << "no 32-bit folder on this system";

    fakes::MemoryFileSystem wow;
    wow.wow64Directory = "C:\\windows\\SysWOW64";
    wow.AddFile("C:\\windows\\syswow64\\old32.dll");
    FileReferences refs64(wow);
    EXPECT_TRUE(refs64.FileExists("C:\\WINDOWS\\SYSTEM32\\OLD32.DLL"));
    EXPECT_FALSE(refs64.FileExists("C:\\WINDOWS\\SYSTEM32\\GONE.DLL"));
    EXPECT_FALSE(refs64.FileExists("C:\\OTHER\\OLD32.DLL"));
}

// 32-bit programs name the 64-bit system folder "Sysnative".
TEST_F(FileReferencesTest, FileExistsReadsSysnativeAsTheSystemFolder) {
    files.AddFile("C:\\windows\\system32\\notepad.exe");
    EXPECT_TRUE(refs.FileExists("C:\\Windows\\Sysnative\\notepad.exe"));
    EXPECT_TRUE(refs.FileExists("c:\\WINDOWS\\SYSNATIVE\\NOTEPAD.EXE"));
    EXPECT_FALSE(refs.FileExists("C:\\Windows\\Sysnative\\gone.exe"));
    EXPECT_FALSE(refs.FileExists("C:\\Other\\Sysnative\\notepad.exe"));
    EXPECT_FALSE(refs.FileExists("C:\\Windows\\Sysnativex\\notepad.exe"));
}

// The 32-bit program folder as the system names it, or under the system
// drive where it names none.
TEST_F(FileReferencesTest, The32BitProgramFolderComesFromTheSystem) {
    fakes::MemoryFileSystem other;
    other.programFilesX86 = "C:\\Apps32 (old)";
    FileReferences refsOther(other);
    EXPECT_EQ(refsOther.CandidateFilePaths("C:\\Apps32 (old)\\a.exe -x").front().upper, "C:\\APPS32 (OLD)\\A.EXE");
    EXPECT_EQ(refsOther.CandidateFilePaths("C:\\Program Files (x86)\\a.exe").front().upper, "C:\\PROGRAM FILES ");
    EXPECT_EQ(refs.CandidateFilePaths("C:\\Program Files (x86)\\A\\App.exe").front().asWritten,
              "C:\\Program Files (x86)\\A\\App.exe");
}
