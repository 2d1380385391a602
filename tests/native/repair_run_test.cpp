// The repair: backup first, then removal of the ticked values, marks and counts.
#include "ScanFixture.h"
#include "scan/BackupReader.h"
#include "scan/BackupRestore.h"
#include "scan/BackupWriter.h"
#include "scan/FormRestoreAndBackup.h"
#include "scan/RepairEvent.h"
#include "scan/ValueRemoval.h"
#include "platform/Text.h"

using Texts = std::vector<std::string>;
using platform::Rgb;

namespace {

const std::string kFolder = "C:\\Program Files\\Varnholt\\RegBackups";

class RepairTest : public ScanFixture {
protected:
    void ScanWith(std::function<void()> seed) {
        seed();
        start.Press();
    }
    std::string OnlyBackup() {
        auto names = files.FilesIn(kFolder);
        EXPECT_EQ(names.size(), 1u);
        return names.empty() ? "" : files.Contents(kFolder + "\\" + names[0]);
    }
};

TEST_F(RepairTest, BacksUpThenRemovesTicksAndCounts) {
    ui.now = "12/10/2026 4:05:06 AM";
    reg.SetString(kHkcu, "Software\\Old", "Path", "C:\\Old\\app.exe");
    // A name that is a path, listed twice: by its name and by its data.
    reg.SetString(kHkcu, "Software\\Old", "C:\\Old\\lib.dll", "\"C:\\Old\\lib.dll\" -x");
    reg.SetString(kHkcu, "Software\\Other", "", "C:\\Old\\tool.exe");
    start.Press();
    ASSERT_EQ(list.RowCount(), 4);
    list.SetChecked(4, false);
    repair.Press();

    const std::string path = kFolder + "\\Backup (12-10-2026 4;05;06 AM).reg";
    EXPECT_EQ(files.Contents(path),
              "REGEDIT4\r\n; 3 values\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n"
              "\"Path\"=\"C:\\\\Old\\\\app.exe\"\r\n"
              "\"C:\\\\Old\\\\lib.dll\"=\"\\\"C:\\\\Old\\\\lib.dll\\\" -x\"\r\n"
              "\"C:\\\\Old\\\\lib.dll\"=\"\\\"C:\\\\Old\\\\lib.dll\\\" -x\"\r\n");
    EXPECT_EQ(Messages(), (Texts{"Backup file:" + path, "3 errors has repaired."}));
    EXPECT_EQ(ui.messages[0].style, platform::MessageStyle::Information);
    EXPECT_EQ(ui.messages[1].style, platform::MessageStyle::Exclamation);
    EXPECT_FALSE(reg.ValueExists(kHkcu, "Software\\Old", "Path"));
    EXPECT_FALSE(reg.ValueExists(kHkcu, "Software\\Old", "C:\\Old\\lib.dll"));
    EXPECT_FALSE(reg.KeyExists(kHkcu, "Software\\Old\\C:\\Old")) << "no key is made from the value name";
    EXPECT_TRUE(reg.ValueExists(kHkcu, "Software\\Other", ""));
    EXPECT_EQ(Row(1)[0], "Repaired");
    EXPECT_EQ(list.TextColour(1), Rgb(255, 0, 0));
    EXPECT_EQ(Row(3)[0], "Repaired") << "the second row of one value finds it gone";
    EXPECT_EQ(Row(4)[0], "VALUE VALUE");
    EXPECT_EQ(list.TextColour(4), Rgb(0, 0, 255));
    EXPECT_EQ(repairCount.caption, "3");
    EXPECT_EQ(Record("FixedCount"), "3");
    EXPECT_EQ(currentKey.caption, "Creating backup files...");
}

TEST_F(RepairTest, TheSettingDecidesOnTheBackup) {
    struct Case {
        const char* setting;  // nullptr: no such key
        bool backup;
    } cases[] = {{"1", true}, {nullptr, true}, {"x", true}, {"0", false}, {"2", false}, {"5", false}};
    for (const Case& c : cases) {
        SetUp();
        files = fakes::MemoryFileSystem();
        profile.values.clear();
        if (c.setting) SetBackup(c.setting);
        reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
        start.Press();
        ui.messages.clear();
        repair.Press();
        EXPECT_EQ(files.FilesIn(kFolder).size(), c.backup ? 1u : 0u) << (c.setting ? c.setting : "missing");
        EXPECT_EQ(currentKey.caption, c.backup ? "Creating backup files..." : "Scan finished");
        EXPECT_EQ(ui.messages.size(), c.backup ? 2u : 1u);
        EXPECT_EQ(Record("FixedCount"), "1");
    }
}

TEST_F(RepairTest, NoTickedRowStillWritesAnEmptyBackup) {
    reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
    start.Press();
    list.SetChecked(1, false);
    repair.Press();
    EXPECT_EQ(OnlyBackup(), "REGEDIT4\r\n; 0 values\r\n");
    EXPECT_EQ(list.TextColour(1), Rgb(0, 0, 255));
    EXPECT_EQ(Messages().back(), "0 errors has repaired.");
    EXPECT_EQ(Record("FixedCount"), "0");
}

TEST_F(RepairTest, AFailedBackupRemovesNothing) {
    struct Case {
        const char* what;
        std::function<void(fakes::MemoryFileSystem&)> fail;
    } cases[] = {
        {"folder", [](fakes::MemoryFileSystem& f) { f.failCreateFolder = true; }},
        {"file", [](fakes::MemoryFileSystem& f) { f.failCreateFile = true; }},
        {"write", [](fakes::MemoryFileSystem& f) { f.failWriteAfter = 0; }},
        {"close", [](fakes::MemoryFileSystem& f) { f.failClose = true; }},
    };
    for (const Case& c : cases) {
        SetUp();
        files = fakes::MemoryFileSystem();
        c.fail(files);
        reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
        start.Press();
        ui.messages.clear();
        repair.Press();
        EXPECT_TRUE(reg.ValueExists(kHkcu, "S", "v")) << c.what;
        EXPECT_TRUE(files.FilesIn(kFolder).empty()) << c.what << ": no partial file";
        ASSERT_EQ(ui.messages.size(), 1u) << c.what;
        EXPECT_EQ(ui.messages[0].style, platform::MessageStyle::Exclamation);
        EXPECT_NE(ui.messages[0].text.find("could not be written"), std::string::npos);
        EXPECT_NE(ui.messages[0].text.find(kFolder + "\\Backup ("), std::string::npos) << "names the path";
        EXPECT_EQ(Row(1)[0], "VALUE VALUE");
        EXPECT_EQ(Record("FixedCount"), "<none>");
    }
}

// A backup that reads back as other values than those about to be removed
// (here a file that gains a line on the disk) lets nothing go, and is not
// left in the folder to be restored some day.
TEST_F(RepairTest, ABackupThatDoesNotReadBackAsItsValuesRemovesNothing) {
    for (const std::string& garble : {std::string("\"v\"=\"other\"\r\n"), std::string("[broken\r\n")}) {
        SetUp();
        files = fakes::MemoryFileSystem();
        files.garbleWrites = garble;
        reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
        start.Press();
        ui.messages.clear();
        repair.Press();
        EXPECT_TRUE(reg.ValueExists(kHkcu, "S", "v")) << garble;
        ASSERT_EQ(ui.messages.size(), 1u) << garble;
        EXPECT_EQ(ui.messages[0].text, "The backup file could not be verified, so nothing was repaired:\r\n" + kFolder +
                                           "\\Backup (12-10-2026 4;05;06 AM).reg");
        EXPECT_TRUE(files.FilesIn(kFolder).empty()) << garble;
        EXPECT_EQ(Row(1)[0], "VALUE VALUE");
        EXPECT_EQ(Record("FixedCount"), "<none>");
    }
}

TEST_F(RepairTest, ABackupNeverReplacesAnother) {
    ui.now = "1/2/2027";
    files.AddFile(kFolder + "\\Backup (1-2-2027).reg", "earlier");
    files.AddFile(kFolder + "\\Backup (1-2-2027) (2).reg", "earlier too");
    reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
    start.Press();
    repair.Press();
    EXPECT_EQ(files.Contents(kFolder + "\\Backup (1-2-2027).reg"), "earlier");
    EXPECT_EQ(Messages()[0], "Backup file:" + kFolder + "\\Backup (1-2-2027) (3).reg");
}

TEST_F(RepairTest, OnlyValuesThatAreGoneCount) {
    SetBackup("0");
    reg.SetString(kHkcu, "S\\Locked", "v", "C:\\gone.exe");
    reg.DenyWrites(kHkcu, "S\\Locked");
    reg.SetString(kHkcu, "S\\Twice", "C:\\twice.exe", "C:\\twice.exe");  // two rows, one value
    reg.SetString(kHkcu, "S\\Vanishing", "v", "C:\\gone.exe");
    start.Press();
    ASSERT_EQ(list.RowCount(), 4);
    platform::RegHandle key;
    reg.CreateKey(kHkcu, "S\\Vanishing", &key);
    reg.DeleteValue(key, "v");
    reg.CloseKey(key);
    repair.Press();
    EXPECT_EQ(Row(1)[0], "VALUE VALUE") << "access denied: not marked";
    EXPECT_EQ(Row(2)[0], "Repaired");
    EXPECT_EQ(Row(3)[0], "Repaired") << "the same value again: already gone counts";
    EXPECT_EQ(Row(4)[0], "Repaired") << "vanished since the scan";
    EXPECT_EQ(list.TextColour(1), 0u);
    EXPECT_EQ(repairCount.caption, "3");
    EXPECT_EQ(Messages().back(), "3 errors has repaired.\r\n1 values could not be removed.");
    EXPECT_EQ(Record("FixedCount"), "3");
}

// A value REGEDIT4 text in the code page cannot hold makes the whole backup
// the registry editor's Unicode export, which holds it exactly; only a name
// with a line end, which no line can hold, stays.
TEST_F(RepairTest, ValuesREGEDIT4CannotHoldAreHeldByAUnicodeBackup) {
    // The test code page holds U+0000 to U+00FF; U+4E2D is beyond it.
    std::vector<std::uint8_t> noNul = fakes::StringData("C:\\g.exe");
    noNul.resize(noNul.size() - 2);
    std::vector<std::uint8_t> odd = fakes::StringData("C:\\gone6.exe");
    odd.push_back('x');
    reg.SetString(kHkcu, "S", "wide", "C:\\gone1\xE4\xB8\xAD.exe");
    reg.SetValue(kHkcu, "S", "noNul", 1, noNul);
    reg.SetString(kHkcu, "S", "fine", "C:\\gone2.exe");
    reg.SetString(kHkcu, "S", "vanished", "C:\\gone3.exe");
    reg.SetString(kHkcu, "S", "n\xE4\xB8\xAD", "C:\\gone4.exe");
    reg.SetString(kHkcu, "S\\k\xE4\xB8\xAD", "v", "C:\\gone5.exe");
    reg.SetValue(kHkcu, "S", "odd", 1, odd);
    reg.SetString(kHkcu, "S", "line\nend", "C:\\gone7.exe");
    start.Press();
    ASSERT_EQ(list.RowCount(), 8);
    std::vector<scan::BackupValue> before;
    for (int row = 1; row <= 8; ++row) {
        const engine::Finding& f = form->Findings()[row - 1];
        if (f.valueName != "vanished" && f.valueName != "line\nend")
            before.push_back({"HKEY_CURRENT_USER\\" + f.keyPath, f.valueName, f.type, reg.Data(kHkcu, f.keyPath, f.valueName)});
    }
    platform::RegHandle key;
    reg.CreateKey(kHkcu, "S", &key);
    reg.DeleteValue(key, "vanished");
    reg.CloseKey(key);
    repair.Press();
    for (const scan::BackupValue& v : before) EXPECT_FALSE(reg.ValueExists(kHkcu, v.key.substr(18), v.name)) << v.name;
    EXPECT_TRUE(reg.ValueExists(kHkcu, "S", "line\nend"));
    EXPECT_EQ(repairCount.caption, "7");
    EXPECT_EQ(Messages().back(), "7 errors has repaired.\r\n1 values were kept because the backup cannot hold them.");

    const std::string file = OnlyBackup();
    EXPECT_EQ(file.rfind(std::string("\xFF\xFEW\0i\0n\0d\0", 10), 0), 0u) << "UTF-16LE with its mark";
    const auto values = scan::ReadBackupFile(codePage, file);
    ASSERT_TRUE(values);
    EXPECT_EQ(*values, before) << "every value held exactly";
    for (const scan::RestoredValue& r : scan::RestoreBackupValues(reg, *values))
        EXPECT_EQ(r.outcome, scan::Restore::Restored) << r.value.name;
    for (const scan::BackupValue& v : before)
        EXPECT_EQ(reg.Data(kHkcu, v.key.substr(18), v.name), v.data) << v.name << ": restored byte for byte";
}

TEST_F(RepairTest, RepairingAgainGivesTheSameCountWithOrWithoutTheBackup) {
    for (const char* setting : {"1", "0"}) {
        SetUp();
        files = fakes::MemoryFileSystem();
        SetBackup(setting);
        reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
        reg.SetString(kHkcu, "S", "C:\\twice.exe", "C:\\twice.exe");  // two rows, one value
        start.Press();
        ASSERT_EQ(list.RowCount(), 3);
        for (int run = 1; run <= 2; ++run) {
            ui.messages.clear();
            repair.Press();
            EXPECT_EQ(Messages().back(), "3 errors has repaired.") << "setting " << setting << ", run " << run;
            EXPECT_EQ(Record("FixedCount"), "3") << "setting " << setting << ", run " << run;
            for (int row = 1; row <= 3; ++row) EXPECT_EQ(Row(row)[0], "Repaired") << setting << " " << run << " " << row;
        }
    }
}

TEST(BackupFormat, KeyLinesAreSharedByConsecutiveRowsOfOneKey) {
    fakes::MemoryRegistry reg;
    fakes::MemoryFileSystem files;
    fakes::Latin1CodePage codePage;
    const auto kHkcu = platform::kHkeyCurrentUser;
    auto make = [&](const char* key, const char* name, bool ticked = true) {
        reg.SetString(kHkcu, key, name, "d");
        engine::Finding f;
        f.ticked = ticked;
        f.rootName = "HKEY_CURRENT_USER";
        f.root = kHkcu;
        f.keyPath = key;
        f.valueName = name;
        f.realPlace = {kHkcu, key};
        f.type = platform::kRegSz;
        f.data = fakes::StringData("d");
        return f;
    };
    const scan::BackupResult r = scan::WriteBackupFile(
        {make("A", "1"), make("B", "", false), make("A", "2"), make("B", ""), make("A", "3"), make("A", "3")}, reg,
        files, codePage, "0:00");
    ASSERT_TRUE(r.written);
    EXPECT_EQ(files.Contents(r.path),
              "REGEDIT4\r\n; 5 values\r\n"
              "\r\n[HKEY_CURRENT_USER\\A]\r\n\"1\"=\"d\"\r\n\"2\"=\"d\"\r\n"
              "\r\n[HKEY_CURRENT_USER\\B]\r\n@=\"d\"\r\n"
              "\r\n[HKEY_CURRENT_USER\\A]\r\n\"3\"=\"d\"\r\n\"3\"=\"d\"\r\n");
    EXPECT_EQ(r.outcomes, std::vector<engine::Outcome>(6, engine::Outcome::None)) << "every ticked one held";
}

// The program may end at any point of writing a backup (a crash, a kill,
// the machine switched off): the backup page then lists no file, or a whole
// and checked one. Nothing has been removed at that point, so restoring a
// cut file would overwrite intact values with cut ones.
TEST(BackupFormat, ABackupAppearsWholeAndCheckedOrNotAtAll) {
    struct Ended {};  // the end of the program
    struct EndingFiles : fakes::MemoryFileSystem {
        std::string endIn;  // the operation the program ends in
        struct Output : platform::OutputFile {
            std::unique_ptr<platform::OutputFile> file;
            const std::string& endIn;
            Output(std::unique_ptr<platform::OutputFile> f, const std::string& e) : file(std::move(f)), endIn(e) {}
            bool Write(const std::string& bytes) override {
                if (endIn == "write") {
                    file->Write(bytes.substr(0, bytes.size() - 5));  // half a line on the disk
                    throw Ended{};
                }
                return file->Write(bytes);
            }
            bool Close() override {
                if (endIn == "close") throw Ended{};
                return file->Close();
            }
        };
        std::unique_ptr<platform::OutputFile> CreateNewFile(const std::string& path) override {
            auto file = MemoryFileSystem::CreateNewFile(path);
            return file ? std::make_unique<Output>(std::move(file), endIn) : nullptr;
        }
        platform::FileRead ReadFile(const std::string& path, std::string* bytes) override {
            if (endIn == "read back") throw Ended{};
            return MemoryFileSystem::ReadFile(path, bytes);
        }
        bool RenameToNew(const std::string& from, const std::string& to) override {
            if (endIn == "rename") throw Ended{};
            return MemoryFileSystem::RenameToNew(from, to);
        }
    };
    for (const std::string endIn : {"write", "close", "read back", "rename", ""}) {
        fakes::MemoryRegistry reg;
        EndingFiles files;
        files.endIn = endIn;
        fakes::Latin1CodePage codePage;
        reg.SetValue(platform::kHkeyCurrentUser, "S", "v", platform::kRegMultiSz, fakes::StringData(std::string("C:\\a.exe\0C:\\b.exe\0", 18)));
        engine::Finding f;
        f.rootName = "HKEY_CURRENT_USER";
        f.root = platform::kHkeyCurrentUser;
        f.keyPath = "S";
        f.valueName = "v";
        f.ticked = true;
        bool ended = false;
        try {
            scan::WriteBackupFile({f}, reg, files, codePage, "12/10/2026 4:05:06 AM");
        } catch (const Ended&) {
            ended = true;
        }
        EXPECT_EQ(ended, !endIn.empty());
        const std::vector<std::string> listed = scan::ListBackupFiles(files);
        if (ended) {
            EXPECT_TRUE(listed.empty()) << endIn;
            continue;
        }
        ASSERT_EQ(listed, std::vector<std::string>{"Backup (12-10-2026 4;05;06 AM).reg"});
        EXPECT_EQ(files.FilesIn(kFolder), listed) << "nothing else left beside it";
    }
}

// A line end or NUL in a name or key path would split its line in the file,
// and importing it would lose or misplace the value: such values are kept.
TEST(BackupFormat, NamesAndKeysThatWouldBreakTheirLineAreNotHeld) {
    fakes::Latin1CodePage codePage;
    std::string line;
    for (const std::string& name : std::vector<std::string>{"a\r\nb", "a\nb", "a\rb", std::string("a\0b", 3)})
        EXPECT_FALSE(scan::BackupValueLine(codePage, name, 1, {'x', 0, 0, 0}, &line)) << name;

    fakes::MemoryRegistry reg;
    fakes::MemoryFileSystem files;
    reg.SetString(platform::kHkeyCurrentUser, "A\nB", "v", "C:\\x.exe");
    engine::Finding f;
    f.rootName = "HKEY_CURRENT_USER";
    f.root = platform::kHkeyCurrentUser;
    f.keyPath = "A\nB";
    f.valueName = "v";
    f.ticked = true;
    const scan::BackupResult r = scan::WriteBackupFile({f}, reg, files, codePage, "0:00");
    ASSERT_TRUE(r.written);
    EXPECT_EQ(r.outcomes, std::vector<engine::Outcome>{engine::Outcome::KeptByBackup});
    EXPECT_EQ(files.Contents(r.path), "REGEDIT4\r\n; 0 values\r\n");
}

// String data as the registry holds it: UTF-16, little-endian.
std::vector<std::uint8_t> Utf16(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t u : text) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

TEST(BackupFormat, EachTypeIsWrittenSoThatImportingGivesItBack) {
    using B = std::vector<std::uint8_t>;
    using namespace std::string_view_literals;
    fakes::Latin1CodePage codePage;
    struct Case {
        std::uint32_t type;
        B data;
        const char* line;  // nullptr: cannot be held
    } cases[] = {
        {1, Utf16(u"a\\\"\0"sv), "\"n\"=\"a\\\\\\\"\""},
        {1, Utf16(u"\0"sv), "\"n\"=\"\""},
        {1, Utf16(u"\u00E9\0"sv), "\"n\"=\"\xE9\""},  // in the code page's bytes
        {1, Utf16(u"\u4E2D\0"sv), nullptr},  // beyond the code page
        {1, Utf16(u"a\r\n\0"sv), "\"n\"=hex(1):61,0d,0a,00"},
        {1, Utf16(u"a"sv), nullptr},
        {1, Utf16(u"a\0b\0"sv), nullptr},
        {1, {'a', 0, 0}, nullptr},  // half a character
        {2, Utf16(u"%x%\0"sv), "\"n\"=hex(2):25,78,25,00"},
        {7, Utf16(u"a\0b\0\0"sv), "\"n\"=hex(7):61,00,62,00,00"},
        {7, Utf16(u"a"sv), nullptr},
        {4, {0x1A, 0, 0, 0x80}, "\"n\"=dword:8000001a"},
        {4, {1, 2}, "\"n\"=hex(4):01,02"},
        {3, {}, "\"n\"=hex:"},
        {3, {0xAB}, "\"n\"=hex:ab"},
        {11, {1, 0, 0, 0, 0, 0, 0, 0}, "\"n\"=hex(b):01,00,00,00,00,00,00,00"},
        {0, {}, "\"n\"=hex(0):"},
    };
    for (const Case& c : cases) {
        std::string line;
        const bool held = scan::BackupValueLine(codePage, "n", c.type, c.data, &line);
        EXPECT_EQ(held, c.line != nullptr) << "type " << c.type;
        if (c.line && held) {
            EXPECT_EQ(line, c.line);
        }
    }
    std::string line;
    ASSERT_TRUE(scan::BackupValueLine(codePage, "n", 3, B(100, 0xFF), &line));
    EXPECT_EQ(line.substr(0, 8), "\"n\"=hex:");
    std::size_t from = 0, longest = 0;
    for (std::size_t at; (at = line.find("\r\n", from)) != std::string::npos; from = at + 2) {
        EXPECT_EQ(line[at - 1], '\\');
        EXPECT_EQ(line.substr(at + 2, 2), "  ");
        longest = std::max(longest, at - from);
    }
    EXPECT_LE(longest, 80u);
    EXPECT_GT(from, 0u) << "long data continues over lines";
}

// A double-byte code page whose second bytes include the backslash, as 932's
// do: U+30BD is 83 5C there.
struct DoubleByteCodePage : platform::CodePage {
    bool Encode(const std::string& utf8, std::string* bytes) override {
        bytes->clear();
        for (char16_t u : platform::Utf8ToUtf16(utf8)) {
            if (u == 0x30BD) *bytes += "\x83\x5C";
            else if (u < 0x80) *bytes += static_cast<char>(u);
            else return false;
        }
        return true;
    }
    std::string Decode(const std::string& bytes) override {
        std::u16string units;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes.compare(i, 2, "\x83\x5C") == 0) {
                units += u'\u30BD';
                ++i;
            } else {
                units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) < 0x80 ? bytes[i] : 0xFFFD);
            }
        }
        return platform::Utf16ToUtf8(units);
    }
};

TEST(BackupFormat, ABackslashInsideADoubleByteCharacterIsNoEscape) {
    DoubleByteCodePage codePage;
    std::string line;
    ASSERT_TRUE(scan::BackupValueLine(codePage, "\xE3\x82\xBD", 1, Utf16(std::u16string_view(u"\u30BD\\\0", 3)), &line));
    EXPECT_EQ(line, "\"\x83\x5C\"=\"\x83\x5C\\\\\"") << "only the real backslash is doubled";
}

}  // namespace

namespace {

// A key deeper than the registry takes in one path: "Software\VhLong", 127
// names of 255 characters and one more. Cut to the registry's 32,766 units,
// its path names the neighbour, a key named by the first 238 characters of
// the last name.
struct DeepKey {
    std::string parent = "Software\\VhLong";
    std::string last = std::string(240, 'n') + std::string(15, 'z');
    DeepKey() {
        for (int level = 0; level < 127; ++level) parent += "\\" + std::string(255, char('a' + level % 26));
    }
    std::string Path() const { return parent + "\\" + last; }
    std::string Neighbour() const { return parent + "\\" + last.substr(0, 238); }
};

// A finding as the scan lists a value of the fake registry: where the walk
// found it (which is where it really is, outside the named hives), as it is.
engine::Finding Listed(fakes::MemoryRegistry& reg, platform::RegHandle root, const std::string& path,
                       const std::string& name) {
    engine::Finding f;
    f.root = root;
    f.keyPath = path;
    f.valueName = name;
    f.realPlace = {root, path};
    f.type = platform::kRegSz;
    if (reg.ValueExists(root, path, name)) f.data = reg.Data(root, path, name);
    return f;
}

TEST(ValueRemoval, AKeyIsReachedLevelByLevelNeverByACutPath) {
    const DeepKey deep;
    ASSERT_EQ(platform::Utf16Length(deep.Path()), 32783u);
    fakes::MemoryRegistry reg;
    const platform::RegHandle hkcu = platform::kHkeyCurrentUser;
    reg.SetString(hkcu, deep.Path(), "v", "x");
    reg.SetString(hkcu, deep.Path(), "w", "x");
    reg.SetString(hkcu, deep.Neighbour(), "v", "y");
    engine::Finding f = Listed(reg, hkcu, deep.Path(), "v");
    EXPECT_EQ(scan::RemoveRegistryValue(reg, f), scan::Removal::Removed);
    EXPECT_FALSE(reg.ValueExists(hkcu, deep.Path(), "v"));
    EXPECT_TRUE(reg.ValueExists(hkcu, deep.Path(), "w"));
    EXPECT_TRUE(reg.ValueExists(hkcu, deep.Neighbour(), "v")) << "the neighbour is untouched";
    EXPECT_EQ(scan::RemoveRegistryValue(reg, f), scan::Removal::AlreadyGone);
    f.keyPath = deep.Path() + "x";  // a key that is not there
    EXPECT_EQ(scan::RemoveRegistryValue(reg, f), scan::Removal::AlreadyGone);
    // A level that cannot be opened: the value could not be removed, it is not gone.
    f = Listed(reg, hkcu, deep.Path(), "w");
    reg.FailOpen(hkcu, deep.parent, platform::kErrorAccessDenied);
    EXPECT_EQ(scan::RemoveRegistryValue(reg, f), scan::Removal::Failed);
    EXPECT_TRUE(reg.ValueExists(hkcu, deep.Path(), "w"));
    EXPECT_EQ(reg.OpenHandles(), 0);
}

// The whole repair on such a key, with and without the neighbour: with the
// backup on, the value is listed and kept, as its key line would be cut on
// import; with the backup off it is removed. The neighbour is never touched.
TEST_F(RepairTest, ADeepKeyIsKeptByTheBackupAndReachedByTheRemoval) {
    const DeepKey deep;
    for (const bool backup : {true, false}) {
        for (const bool neighbour : {true, false}) {
            files = fakes::MemoryFileSystem();
            ui.messages.clear();
            SetUp();
            SetBackup(backup ? "1" : "0");
            files.AddFile("C:\\Here\\app.exe");
            reg.SetString(kHkcu, deep.Path(), "v", "C:\\Gone\\app.exe");
            if (neighbour) reg.SetString(kHkcu, deep.Neighbour(), "v", "C:\\Here\\app.exe");
            start.Press();
            const std::string what = std::string(backup ? "backup" : "no backup") + (neighbour ? ", neighbour" : "");
            ASSERT_EQ(list.RowCount(), 1) << what;
            repair.Press();
            EXPECT_EQ(reg.ValueExists(kHkcu, deep.Path(), "v"), backup) << what;
            if (neighbour) {
                EXPECT_TRUE(reg.ValueExists(kHkcu, deep.Neighbour(), "v")) << what;
            }
            EXPECT_EQ(Messages().back(), backup ? "0 errors has repaired.\r\n"
                                                  "1 values were kept because the backup cannot hold them."
                                                : "1 errors has repaired.")
                << what;
            EXPECT_EQ(Record("FixedCount"), backup ? "0" : "1") << what;
            if (backup) {
                EXPECT_EQ(OnlyBackup(), "REGEDIT4\r\n; 0 values\r\n") << what;
            }
        }
    }
}

TEST(ValueRemoval, ANameHoldingANulIsNeverTakenForItsFirstPart) {
    fakes::MemoryRegistry reg;
    reg.SetString(platform::kHkeyCurrentUser, "S", "n", "x");
    reg.SetString(platform::kHkeyCurrentUser, "S", std::string("n\0x", 3), "x");
    const engine::Finding f = Listed(reg, platform::kHkeyCurrentUser, "S", std::string("n\0x", 3));
    EXPECT_EQ(scan::RemoveRegistryValue(reg, f), scan::Removal::Failed);
    EXPECT_TRUE(reg.ValueExists(platform::kHkeyCurrentUser, "S", "n"));
}

// Every key a repair reaches is opened once, the levels above it included,
// however many of its values the backup reads and the removal removes.
TEST_F(RepairTest, EachKeyIsOpenedOncePerRepair) {
    for (const bool backup : {true, false}) {
        reg = fakes::MemoryRegistry();
        files = fakes::MemoryFileSystem();
        ui.messages.clear();
        SetUp();
        SetBackup(backup ? "1" : "0");
        for (const char* name : {"a1", "a2", "a3"}) reg.SetString(kHkcu, "S\\A", name, "C:\\Gone\\a.exe");
        for (const char* name : {"d1", "d2"}) reg.SetString(kHkcu, "S\\A\\B\\C\\D", name, "C:\\Gone\\d.exe");
        reg.SetString(kHkcu, "S\\E", "e1", "C:\\Gone\\e.exe");
        start.Press();
        ASSERT_EQ(list.RowCount(), 6);
        const int before = reg.OpenCalls();
        repair.Press();
        // The levels S, S\A, S\A\B and S\A\B\C, then the keys S\A, S\A\B\C\D
        // and S\E for their values.
        EXPECT_EQ(reg.OpenCalls() - before, 7) << (backup ? "backup" : "no backup");
        EXPECT_EQ(Messages().back(), "6 errors has repaired.");
        for (int row = 1; row <= 6; ++row) EXPECT_EQ(Row(row)[0], "Repaired") << row;
        EXPECT_EQ(reg.OpenHandles(), 0) << "every key is closed when the repair ends";
    }
}

// A user's every way of starting something or leaving, tried at one yield of
// a repair: in the backup's reads, between them and the removal, in the
// removal. None of them acts; the repair ends as it would have.
TEST_F(RepairTest, NothingStartsOrClosesUnderARepair) {
    struct Case {
        bool backup;
        int due;  // the yield at which the user acts, from 1
    };
    for (const Case c : {Case{true, 1}, Case{true, 4}, Case{true, 7}, Case{true, 12}, Case{false, 1}, Case{false, 6}}) {
        reg = fakes::MemoryRegistry();
        files = fakes::MemoryFileSystem();
        ui = fakes::FakeUi();
        closes = 0;
        SetUp();
        SetBackup(c.backup ? "1" : "0");
        for (const char* name : {"a1", "a2", "a3"}) reg.SetString(kHkcu, "S\\A", name, "C:\\Gone\\a.exe");
        for (const char* name : {"d1", "d2"}) reg.SetString(kHkcu, "S\\A\\B\\C\\D", name, "C:\\Gone\\d.exe");
        reg.SetString(kHkcu, "S\\E", "e1", "C:\\Gone\\e.exe");
        start.Press();
        ASSERT_EQ(list.RowCount(), 6);
        const std::string what = std::string(c.backup ? "backup" : "no backup") + ", yield " + std::to_string(c.due);
        bool acted = false;
        ui.onDue = [&](int due) {
            if (due != c.due) return;
            acted = true;
            EXPECT_TRUE(form->Repairing()) << what;
            for (fakes::FakeButton* button : {&start, &stop, &repair, &ret}) EXPECT_FALSE(button->enabled) << what;
            start.Press();
            stop.Press();
            repair.Press();
            ret.Press();
            form->CommandReturn_Click();  // by its key, say
            form->CommandStart_Click();
            form->CommandRepair_Click();
            form->ImageExit_Click();
            form->QueryClose();
            list.SetChecked(6, false);
            EXPECT_EQ(closes, 0) << what;
        };
        ui.dues = 0;  // the repair's own from here
        repair.focused = true;
        repair.Press();
        EXPECT_TRUE(acted) << what;
        EXPECT_FALSE(form->Repairing()) << what;

        const std::string path = kFolder + "\\Backup (12-10-2026 4;05;06 AM).reg";
        Texts expected{"6 errors has repaired."};
        if (c.backup) expected.insert(expected.begin(), "Backup file:" + path);
        // The guard's refusals (Return by its key, the exit picture), where
        // the user met them.
        const bool inBackup = c.backup && c.due <= 6;
        expected.insert(expected.begin() + (inBackup ? 0 : c.backup ? 1 : 0), 2, "Now scanning,can not exit.");
        EXPECT_EQ(Messages(), expected) << what;
        for (int row = 1; row <= 6; ++row) EXPECT_EQ(Row(row)[0], "Repaired") << what << ", row " << row;
        EXPECT_TRUE(list.Checked(6)) << what << ": no tick changes under a repair";
        EXPECT_FALSE(reg.ValueExists(kHkcu, "S\\E", "e1")) << what;
        EXPECT_EQ(Record("FixedCount"), "6") << what;
        if (c.backup) {
            EXPECT_EQ(files.FilesIn(kFolder).size(), 1u) << what << ": one repair, one backup";
        }
        EXPECT_EQ(closes, 1) << what << ": the platform's close, once the repair is over";
        EXPECT_TRUE(start.enabled && repair.enabled && ret.enabled && !stop.enabled) << what;
        EXPECT_TRUE(repair.focused) << what << ": the keyboard goes on from Repair";
    }
}

// The session ends in the middle of a repair (a logoff, a shutdown): the
// repair stops after the value under way, and what it repaired is recorded
// before the program may be ended; no message waits for a user who is gone.
TEST_F(RepairTest, AnEndOfTheSessionStopsTheRepairAndRecordsItsCount) {
    struct Case {
        bool backup;
        int due;  // the yield the session ends at: five in the backup's reads, five in the removal
        int repaired;
    };
    for (const Case c : {Case{true, 3, 0}, Case{true, 8, 2}, Case{false, 1, 0}, Case{false, 4, 3}}) {
        reg = fakes::MemoryRegistry();
        files = fakes::MemoryFileSystem();
        ui = fakes::FakeUi();
        SetUp();
        SetBackup(c.backup ? "1" : "0");
        for (int i = 1; i <= 5; ++i) reg.SetString(kHkcu, "S", "v" + std::to_string(i), "C:\\Gone\\a.exe");
        start.Press();
        ASSERT_EQ(list.RowCount(), 5);
        const std::string what = std::string(c.backup ? "backup" : "no backup") + ", yield " + std::to_string(c.due);
        repairRunning.clear();
        std::string recorded;
        ui.dues = 0;
        ui.onDue = [&](int due) {
            if (due != c.due) return;
            form->EndSession();
            recorded = Record("FixedCount");  // before the program may end
        };
        repair.Press();
        ui.onDue = nullptr;
        EXPECT_EQ(recorded, std::to_string(c.repaired)) << what;
        EXPECT_EQ(Record("FixedCount"), std::to_string(c.repaired)) << what;
        int left = 0;
        for (int i = 1; i <= 5; ++i) left += reg.ValueExists(kHkcu, "S", "v" + std::to_string(i)) ? 1 : 0;
        EXPECT_EQ(left, 5 - c.repaired) << what;
        const bool backedUp = c.backup && c.due > 5;
        EXPECT_EQ(Messages().size(), backedUp ? 1u : 0u) << what << ": only the backup's, shown before";
        EXPECT_EQ(files.FilesIn(kFolder).size(), backedUp ? 1u : 0u) << what;
        EXPECT_EQ(repairRunning, (std::vector<bool>{true, false})) << what;
        EXPECT_FALSE(form->Repairing()) << what;
    }
    // Outside a repair it changes nothing.
    form->EndSession();
    repair.Press();
    EXPECT_EQ(Messages().back(), "5 errors has repaired.");
}

// The label counts the values of each step, with thousands marked, as often
// as the clock lets it (ten times a second at most), and says at the end
// what it said before.
TEST_F(RepairTest, TheLabelShowsHowFarTheRepairIs) {
    struct Case {
        bool backup;
        double clockStep;  // seconds per reading of the clock
    };
    for (const Case c : {Case{true, 0.2}, Case{false, 0.2}, Case{true, 0.0}}) {
        reg = fakes::MemoryRegistry();
        files = fakes::MemoryFileSystem();
        ui = fakes::FakeUi();
        SetUp();
        SetBackup(c.backup ? "1" : "0");
        for (int i = 0; i < 1001; ++i) reg.SetString(kHkcu, "S\\K" + std::to_string(i % 7), "v" + std::to_string(i), "C:\\Gone\\x.exe");
        start.Press();
        ASSERT_EQ(list.RowCount(), 1001);
        const std::string before = currentKey.caption;
        ui.clockStep = c.clockStep;
        std::vector<std::string> shown;
        ui.onDue = [&](int) {
            if (shown.empty() || shown.back() != currentKey.caption) shown.push_back(currentKey.caption);
        };
        repair.Press();
        shown.push_back(currentKey.caption);
        const std::string what = std::string(c.backup ? "backup" : "no backup") + ", step " + std::to_string(c.clockStep);
        auto count = [&](const std::string& text) { return std::count(shown.begin(), shown.end(), text); };
        const int phases = c.backup ? 2 : 1;
        EXPECT_EQ(count("Repairing 1 of 1,001..."), phases) << what;
        if (c.clockStep > 0.1) {
            EXPECT_EQ(count("Repairing 1,000 of 1,001..."), phases) << what;
            EXPECT_EQ(count("Repairing 999 of 1,001..."), phases) << what;
        } else {
            EXPECT_EQ(count("Repairing 2 of 1,001..."), 0) << what << ": the clock stood still";
        }
        EXPECT_EQ(shown.back(), c.backup ? "Creating backup files..." : before) << what;
        EXPECT_EQ(Messages().back(), "1001 errors has repaired.") << what;
    }
}

}  // namespace

namespace {

using platform::EventType;

// Every repair leaves one Application event: what became of the values, the
// backup file, the user and the categories; its type says whether all went
// as asked. A log that refuses the event changes nothing of the repair.
TEST_F(RepairTest, EachRepairWritesOneEvent) {
    struct Case {
        const char* what;
        std::function<void()> setUp;
        EventType type;
        std::uint32_t message;
        std::string counts;  // the first insert
    } cases[] = {
        {"all gone", [] {}, EventType::Information, scan::kRepairEvent, "2 repaired"},
        {"one kept", [this] { reg.SetString(kHkcu, "S", "n\nd", "C:\\gone3.exe"); },
         EventType::Warning, scan::kRepairEvent, "2 repaired, 1 kept"},
        {"backup failed", [this] { files.failCreateFile = true; }, EventType::Error,
         scan::kRepairRefusedEvent, "the backup file could not be written"},
    };
    for (const Case& c : cases) {
        for (const bool refuses : {false, true}) {
            SetUp();
            files = fakes::MemoryFileSystem();
            profile.values.clear();
            events = fakes::RecordingEventLog();
            events.refuses = refuses;
            ui.messages.clear();
            reg.SetString(kHkcu, "S", "a", "C:\\gone1.exe");
            reg.SetString(kHkcu, "S", "b", "C:\\gone2.exe");
            c.setUp();
            start.Press();
            repair.Press();
            const std::string where = std::string(c.what) + (refuses ? ", refused" : "");
            EXPECT_EQ(reg.ValueExists(kHkcu, "S", "a"), c.type == EventType::Error) << where;
            EXPECT_EQ(ui.messages.back().text.find("has repaired") != std::string::npos, c.type != EventType::Error)
                << where << ": the repair's own message either way";
            if (refuses) {
                EXPECT_TRUE(events.events.empty());
                continue;
            }
            ASSERT_EQ(events.events.size(), 1u) << where;
            const auto& e = events.events[0];
            EXPECT_EQ(e.type, c.type) << where;
            EXPECT_EQ(e.message, c.message) << where;
            ASSERT_EQ(e.inserts.size(), 4u) << where;
            EXPECT_EQ(e.inserts[0], c.counts) << where;
            EXPECT_EQ(e.inserts[1].rfind(kFolder + "\\Backup (", 0), 0u) << where << ": " << e.inserts[1];
            EXPECT_EQ(e.inserts[2], "ada");
            EXPECT_EQ(e.inserts[3], "all");
        }
    }
}

TEST_F(RepairTest, TheEventNamesTheTickedCategoriesAndNoBackup) {
    OpenWindow({engine::Category::StartupPrograms, engine::Category::SystemSoftwareSettings});
    SetBackup("0");
    reg.SetString(kHkcu, "Software\\Old", "a", "C:\\gone1.exe");
    start.Press();
    list.SetChecked(1, false);
    repair.Press();
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0].type, EventType::Information) << "an unticked row is no failure";
    EXPECT_EQ(events.events[0].inserts,
              (Texts{"nothing to repair", "none", "ada", "Startup Programs, System Software Settings"}));
}

// Counted by outcome in the outcomes' order, what the repair never reached
// last, what it was not asked to do not at all.
TEST(OutcomeSummary, CountsEachOutcomeOnce) {
    using engine::Outcome;
    std::vector<engine::Finding> findings(7);
    const Outcome outcomes[] = {Outcome::None, Outcome::AlreadyGone, Outcome::Repaired, Outcome::Unticked,
                                Outcome::Repaired, Outcome::KeptByBackup, Outcome::AlreadyGone};
    for (std::size_t i = 0; i < findings.size(); ++i) findings[i].outcome = outcomes[i];
    EXPECT_EQ(scan::OutcomeSummary(findings), "2 repaired, 2 already gone, 1 kept, 1 stopped");
    EXPECT_EQ(scan::OutcomeSummary({}), "nothing to repair");
}

}  // namespace
