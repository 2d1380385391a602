// The profile functions as the program uses them, on a real file.
#include <gtest/gtest.h>

#include "contract/ProfileSandbox.h"
#include "profile/ModuleNormal.h"

using namespace profile;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    std::unique_ptr<platform::Profile> store = MakeProfile();
    std::string file = FreshProfilePath("ro.ini");
    std::string Read(const char* section, const char* key) { return ReadProfileValue(*store, file, section, key); }
    void Write(const char* section, const char* key, const std::string& value) {
        EXPECT_TRUE(WriteProfileValue(*store, file, section, key, value));
    }
};

TEST_F(ProfileTest, MissingFileSectionOrKeyReadsEmpty) {
    EXPECT_EQ(Read("Records", "ErrorCount"), "");
    Write("Settings", "BackupBeforeFix", "1");
    EXPECT_EQ(Read("Settings", "BackupBeforeFix"), "1") << "the first write creates file, section and key";
    EXPECT_EQ(Read("Records", "ErrorCount"), "");
    EXPECT_EQ(Read("Settings", "Other"), "");
}

TEST_F(ProfileTest, WritesReplaceAndReadsTrimAndCut) {
    Write("Records", "FixedCount", "3");
    Write("Records", "FixedCount", "5");
    Write("Records", "ErrorCount", "12");
    EXPECT_EQ(Read("Records", "FixedCount"), "5");
    EXPECT_EQ(Read("Records", "ErrorCount"), "12");
    const std::string text = ReadWholeFile(file);
    EXPECT_EQ(text.find("FixedCount"), text.rfind("FixedCount")) << text;

    Write("Settings", "BackupBeforeFix", " 1 ");
    EXPECT_EQ(Read("Settings", "BackupBeforeFix"), "1");
    Write("Records", "LastScanTime", std::string(300, 'x'));
    EXPECT_EQ(Read("Records", "LastScanTime"), std::string(254, 'x'));
}

TEST_F(ProfileTest, BackupBeforeFixMeansOnUnlessItIsAnotherNumber) {
    EXPECT_EQ(ReadBackupBeforeFix(*store, file), 1) << "no profile at all";
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"7", 7}, {"", 1}, {"yes", 1}, {"1x", 1}, {"-1", -1}, {"2.5", 2},
                 // Only a plain decimal number is a number.
                 {"0x0", 1}, {"0X2", 1}, {"inf", 1}, {"-INF", 1}, {"nan", 1}, {"0e0", 1}, {"-", 1}, {".", 1},
                 {"+0", 0}, {"0.4", 0}, {".5", 0}};
    for (const Case& c : cases) {
        Write("Settings", "BackupBeforeFix", c.text);
        EXPECT_EQ(ReadBackupBeforeFix(*store, file), c.value) << '"' << c.text << '"';
    }
}

}  // namespace
