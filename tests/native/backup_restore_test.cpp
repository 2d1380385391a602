// The backup file read back by the program and restored by it, value by
// value, with what became of each.
#include <gtest/gtest.h>

#include "fakes/FakeCodePage.h"
#include "fakes/MemoryRegistry.h"
#include "scan/BackupReader.h"
#include "scan/BackupRestore.h"

namespace {

using platform::kHkeyCurrentUser;
using Bytes = std::vector<std::uint8_t>;

const std::string kFile =
    "REGEDIT4\r\n"
    "\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n"
    "\"Path\"=\"C:\\\\Old\\\\app.exe\"\r\n"
    "@=dword:0000001a\r\n"
    "\r\n[HKEY_CURRENT_USER\\Software\\Gone\\Deep]\r\n"
    "\"C:\\\\Old\\\\lib.dll\"=hex(7):61,00,\\\r\n"
    "  00\r\n"
    "\"bin\"=hex:01,ff\r\n";

TEST(BackupReader, ReadsEveryValueWithItsKeyTypeAndBytes) {
    fakes::Latin1CodePage codePage;
    const auto values = scan::ReadBackupFile(codePage, kFile);
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 4u);
    const struct {
        const char* key;
        const char* name;
        std::uint32_t type;
        Bytes data;
    } expected[] = {
        {"HKEY_CURRENT_USER\\Software\\Old", "Path", 1, fakes::StringData("C:\\Old\\app.exe")},
        {"HKEY_CURRENT_USER\\Software\\Old", "", 4, {0x1a, 0, 0, 0}},
        {"HKEY_CURRENT_USER\\Software\\Gone\\Deep", "C:\\Old\\lib.dll", 7, {'a', 0, 0, 0, 0, 0}},
        {"HKEY_CURRENT_USER\\Software\\Gone\\Deep", "bin", 3, {0x01, 0xff}},
    };
    for (std::size_t i = 0; i < values->size(); ++i) {
        EXPECT_EQ((*values)[i].key, expected[i].key) << i;
        EXPECT_EQ((*values)[i].name, expected[i].name) << i;
        EXPECT_EQ((*values)[i].type, expected[i].type) << i;
        EXPECT_EQ((*values)[i].data, expected[i].data) << i;
    }
}

TEST(BackupReader, AFileThatWouldNotImportWholeIsRefused) {
    fakes::Latin1CodePage codePage;
    for (const std::string& file : {
             std::string(""),
             std::string("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=\"b\"\r\n"),
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"\r\n"),             // no '='
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a=\"b\"\r\n"),          // unclosed name
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex:0g\r\n"),       // bad digit
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=dword:\r\n"),        // no number
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S\r\n"),                         // unclosed key
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=\"b\0\"\r\n", 41),  // a NUL byte
             // Cut short inside a value: after a continuation, after a comma.
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex(7):61,00,\\\r\n"),
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex(7):61,00,\\"),
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex(7):61,00,\\\r\n\r\n; end\r\n"),
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex(7):61,00,\r\n"),
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex:01,\r\n\"b\"=\"c\"\r\n"),
             std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex:01,02,\\\r\n  03,\r\n"),
         })
        EXPECT_FALSE(scan::ReadBackupFile(codePage, file)) << file;
}

// A backup cut short (copied or synced in part) must never restore as if
// whole. With its count line every cut is found; without it (as backups
// were written before it), every cut inside a string value is.
TEST(BackupReader, ACutFileIsRefused) {
    fakes::Latin1CodePage codePage;
    const std::string values =
        "\r\n[HKEY_CURRENT_USER\\S]\r\n"
        "\"Str\"=\"C:\\\\gone.exe\"\r\n"
        "\"Num\"=dword:0000001a\r\n"
        "\"Exp\"=hex(2):25,41,25,00\r\n"
        "\"Multi\"=hex(7):43,3a,5c,61,2e,65,78,65,00,\\\r\n"
        "  44,00,00\r\n"
        "\"Bin\"=hex:01,02\r\n";
    const std::string counted = "REGEDIT4\r\n; 5 values\r\n" + values;
    ASSERT_TRUE(scan::ReadBackupFile(codePage, counted));
    EXPECT_TRUE(scan::ReadBackupFile(codePage, counted.substr(0, counted.size() - 1))) << "its last line ends with the CR";
    // From the count's first digit on: before it, the file is a header and
    // a comment, as an empty backup is.
    for (std::size_t cut = std::string("REGEDIT4\r\n; 5").size(); cut + 1 < counted.size(); ++cut)
        EXPECT_FALSE(scan::ReadBackupFile(codePage, counted.substr(0, cut))) << counted.substr(0, cut);
    EXPECT_FALSE(scan::ReadBackupFile(codePage, "REGEDIT4\r\n; 6 values\r\n" + values)) << "more told than held";
    EXPECT_FALSE(scan::ReadBackupFile(codePage, "REGEDIT4\r\n; 4 values\r\n" + values)) << "fewer told than held";

    const std::string uncounted = "REGEDIT4\r\n" + values;
    ASSERT_TRUE(scan::ReadBackupFile(codePage, uncounted));
    for (const char* name : {"\"Str\"", "\"Exp\"", "\"Multi\""}) {
        const std::size_t begin = uncounted.find(name);
        const std::size_t end = uncounted.find("\r\n\"", begin);  // the next value's line
        for (std::size_t cut = begin + 1; cut < end; ++cut)
            EXPECT_FALSE(scan::ReadBackupFile(codePage, uncounted.substr(0, cut))) << uncounted.substr(0, cut);
        EXPECT_TRUE(scan::ReadBackupFile(codePage, uncounted.substr(0, end))) << name << " whole";
    }
}

TEST(BackupRestore, EachValueIsWrittenBackReadBackAndReported) {
    fakes::Latin1CodePage codePage;
    const auto values = scan::ReadBackupFile(codePage, kFile);
    ASSERT_TRUE(values);
    fakes::MemoryRegistry reg;
    reg.SetValue(kHkeyCurrentUser, "Software\\Old", "", 4, {0x1a, 0, 0, 0});  // already as backed up
    reg.SetString(kHkeyCurrentUser, "Software\\Old", "Path", "C:\\Other.exe");  // changed since
    auto results = scan::RestoreBackupValues(reg, *values);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].outcome, scan::Restore::Restored);
    EXPECT_EQ(results[1].outcome, scan::Restore::AlreadyEqual);
    EXPECT_EQ(results[2].outcome, scan::Restore::Restored) << "its key is made again";
    EXPECT_EQ(results[3].outcome, scan::Restore::Restored);
    EXPECT_EQ(reg.Data(kHkeyCurrentUser, "Software\\Old", "Path"), fakes::StringData("C:\\Old\\app.exe"));
    EXPECT_EQ(reg.Data(kHkeyCurrentUser, "Software\\Gone\\Deep", "C:\\Old\\lib.dll"), (Bytes{'a', 0, 0, 0, 0, 0}));
    EXPECT_FALSE(reg.KeyExists(kHkeyCurrentUser, "Software\\Gone\\Deep\\C:")) << "no key from a value name";

    reg.DenyWrites(kHkeyCurrentUser, "Software\\Gone\\Deep");
    reg.SetValue(kHkeyCurrentUser, "Software\\Gone\\Deep", "bin", 3, {0});
    results = scan::RestoreBackupValues(reg, *values);
    EXPECT_EQ(results[0].outcome, scan::Restore::AlreadyEqual);
    EXPECT_EQ(results[3].outcome, scan::Restore::Failed);
    EXPECT_EQ(results[3].reason, "access denied");
    EXPECT_EQ(reg.OpenHandles(), 0);

    // A key of no root the program knows, or longer than the registry takes.
    const scan::BackupValue foreign{"HKEY_NOWHERE\\S", "a", 1, fakes::StringData("x")};
    const scan::BackupValue tooLong{"HKEY_CURRENT_USER\\" + std::string(32760, 'k'), "a", 1, fakes::StringData("x")};
    results = scan::RestoreBackupValues(reg, {foreign, tooLong});
    EXPECT_EQ(results[0].outcome, scan::Restore::Failed);
    EXPECT_EQ(results[1].outcome, scan::Restore::Failed);
    EXPECT_FALSE(reg.KeyExists(kHkeyCurrentUser, std::string(32760, 'k')));
}

}  // namespace
