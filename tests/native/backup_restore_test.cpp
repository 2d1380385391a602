// The backup file read back by the program and restored by it, value by
// value, with what became of each.
#include <gtest/gtest.h>

#include "fakes/FakeCodePage.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/MemoryRegistry.h"
#include "platform/Text.h"
#include "scan/BackupReader.h"
#include "scan/BackupRestore.h"
#include "scan/BackupWriter.h"

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
        EXPECT_FALSE(scan::ReadBackupFile(codePage, uncounted.substr(0, end))) << name << " without its line end";
        EXPECT_TRUE(scan::ReadBackupFile(codePage, uncounted.substr(0, end + 2))) << name << " whole";
    }
}

// String data as the registry holds it: UTF-16, little-endian.
Bytes Utf16(std::u16string_view text) {
    Bytes bytes;
    for (char16_t u : text) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

// The values of the Unicode backup: each kind REGEDIT4 in the code page
// cannot hold, and the plain ones beside them.
struct Regedit5Case {
    std::string key, name;
    std::uint32_t type;
    Bytes data;
    const char* line;  // as the file holds it, UTF-8 here; nullptr: not looked at
};

std::vector<Regedit5Case> Regedit5Cases() {
    using namespace std::string_view_literals;
    return {
        {"S", "\xD0\x9F\xD1\x83\xD1\x81\xD0\xBA", 1, Utf16(u"C:\\\u65E5\u672C.exe\0"sv),
         "\"\xD0\x9F\xD1\x83\xD1\x81\xD0\xBA\"=\"C:\\\\\xE6\x97\xA5\xE6\x9C\xAC.exe\""},
        {"S", "a\\\"b\"", 1, Utf16(u"\"C:\\a.exe\" /x\0"sv), "\"a\\\\\\\"b\\\"\"=\"\\\"C:\\\\a.exe\\\" /x\""},
        {"S", "nul inside", 1, Utf16(u"C:\0x\0"sv), "\"nul inside\"=hex(1):43,00,3a,00,00,00,78,00,00,00"},
        {"S", "no closing nul", 1, Utf16(u"C:\\a.exe"sv), nullptr},
        {"S", "odd", 1, {'C', 0, ':', 0, 'x'}, "\"odd\"=hex(1):43,00,3a,00,78"},
        {"S", "empty", 1, {}, "\"empty\"=hex(1):"},
        {"S", "lines", 1, Utf16(u"a\r\nb\0"sv), nullptr},
        {"S", "", 2, Utf16(u"%SystemRoot%\\\u65E5.exe\0"sv), nullptr},
        {"S", "multi", 7, Utf16(u"C:\\a.exe\0\u65E5\0\0"sv), nullptr},
        {"S", "lone surrogate \xED\xA0\x80", 1, Utf16(u"\xDC00\0"sv), nullptr},
        {"S\\\xE4\xB8\xAD]", "dword", 4, {1, 2, 3, 4}, "\"dword\"=dword:04030201"},
        {"S\\\xE4\xB8\xAD]", "long", 3, Bytes(300, 0xAB), nullptr},
    };
}

// Written by the repair's writer and read back by its reader: every value
// whole, in its type and bytes, with its own key and name.
TEST(BackupRegedit5, EveryValueRoundTripsExactly) {
    fakes::MemoryRegistry reg;
    fakes::MemoryFileSystem files;
    fakes::Latin1CodePage codePage;
    std::vector<engine::Finding> findings;
    std::vector<scan::BackupValue> expected;
    for (const Regedit5Case& c : Regedit5Cases()) {
        reg.SetValue(kHkeyCurrentUser, c.key, c.name, c.type, c.data);
        engine::Finding f;
        f.rootName = "HKEY_CURRENT_USER";
        f.root = kHkeyCurrentUser;
        f.keyPath = c.key;
        f.valueName = c.name;
        f.type = c.type;
        f.data = c.data;
        f.realPlace = {kHkeyCurrentUser, c.key};
        f.ticked = true;
        findings.push_back(f);
        expected.push_back({"HKEY_CURRENT_USER\\" + c.key, c.name, c.type, c.data});
    }
    const scan::BackupResult r = scan::WriteBackupFile(findings, reg, files, codePage, "0:00");
    ASSERT_TRUE(r.verified);
    EXPECT_EQ(r.outcomes, std::vector<engine::Outcome>(findings.size(), engine::Outcome::None));
    const std::string file = files.Contents(r.path);
    const auto values = scan::ReadBackupFile(codePage, file);
    ASSERT_TRUE(values);
    EXPECT_EQ(*values, expected);

    ASSERT_EQ(file.substr(0, 2), "\xFF\xFE");
    const std::string text = platform::Utf16BytesToUtf8(reinterpret_cast<const std::uint8_t*>(file.data()) + 2, file.size() - 2);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n; 12 values\r\n\r\n[HKEY_CURRENT_USER\\S]\r\n", 0), 0u);
    for (const Regedit5Case& c : Regedit5Cases()) {
        if (c.line) {
            EXPECT_NE(text.find(std::string("\r\n") + c.line + "\r\n"), std::string::npos) << c.line;
        }
    }
    // Hex data goes on over lines of about 80 characters, as the export's does.
    std::size_t from = 0, longest = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        longest = std::max(longest, at - from);
    EXPECT_LE(longest, 80u);
}

// The program may end at any byte of writing, and a file may be cut by a
// copy: each cut either is refused or gives whole values only.
TEST(BackupRegedit5, AFileCutAtAnyByteIsRefusedOrReadWhole) {
    fakes::Latin1CodePage codePage;
    std::string text = "Windows Registry Editor Version 5.00\r\n";
    std::vector<scan::BackupValue> all;
    for (const Regedit5Case& c : Regedit5Cases()) {
        std::string line;
        ASSERT_TRUE(scan::BackupValueLine5(c.name, c.type, c.data, &line)) << c.name;
        text += "\r\n[HKEY_CURRENT_USER\\" + c.key + "]\r\n" + line + "\r\n";
        all.push_back({"HKEY_CURRENT_USER\\" + c.key, c.name, c.type, c.data});
    }
    const Bytes units = platform::Utf8ToUtf16Bytes(text);
    const std::string file = "\xFF\xFE" + std::string(units.begin(), units.end());
    ASSERT_EQ(scan::ReadBackupFile(codePage, file), all);
    for (std::size_t size = 0; size < file.size(); ++size) {
        const auto values = scan::ReadBackupFile(codePage, file.substr(0, size));
        if (!values) continue;
        ASSERT_LE(values->size(), all.size());
        for (std::size_t i = 0; i < values->size(); ++i) EXPECT_EQ((*values)[i], all[i]) << "cut at " << size;
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
