// What the program relies on from the registry operations, checked against
// the in-memory store and the real registry alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "contract/RegistrySandbox.h"

using namespace platform;

namespace {

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override { box = MakeRegistrySandbox(); }
    Registry& reg() { return box->registry(); }
    RegHandle Open(const std::string& sub) {
        RegHandle key = 0;
        EXPECT_EQ(reg().OpenKeyEx(kHkeyCurrentUser, box->Path(sub), 0, kKeyRead, &key), kErrorSuccess) << sub;
        return key;
    }
    long EnumValueAt(RegHandle key, std::uint32_t index, std::string* name = nullptr,
                     std::vector<std::uint8_t>* data = nullptr, std::uint32_t* type = nullptr) {
        std::string nameText;
        std::vector<std::uint8_t> bytes;
        std::uint32_t valueType = 0;
        const long result = reg().EnumValue(key, index, 260, 8192, &nameText, &valueType, &bytes);
        if (result == kErrorSuccess) {
            if (name) *name = nameText;
            if (data) *data = bytes;
            if (type) *type = valueType;
        }
        return result;
    }
    std::unique_ptr<RegistrySandbox> box;
};

TEST_F(RegistryContract, OpensExistingKeysAndRefusesMissingOnes) {
    box->AddKey("a");
    RegHandle key = 0;
    EXPECT_NE(reg().OpenKeyEx(kHkeyCurrentUser, box->Path("missing"), 0, kKeyRead, &key), kErrorSuccess);
    key = Open("a");
    EXPECT_EQ(reg().CloseKey(key), kErrorSuccess);
    // The empty path opens the root itself, relative paths open from a handle.
    ASSERT_EQ(reg().OpenKeyEx(kHkeyCurrentUser, "", 0, kKeyRead, &key), kErrorSuccess);
    reg().CloseKey(key);
    RegHandle base = Open(""), sub = 0;
    EXPECT_EQ(reg().OpenKeyEx(base, "a", 0, kKeyRead, &sub), kErrorSuccess);
    reg().CloseKey(sub);
    reg().CloseKey(base);
}

TEST_F(RegistryContract, EnumeratesSubkeysInNameOrderThenEnds) {
    const std::string longName(255, 'k');
    for (const char* name : {"beta", "Alpha", "gamma"}) box->AddKey(name);
    box->AddKey(longName);
    RegHandle key = Open("");
    std::vector<std::string> names;
    std::string name;
    long result;
    std::uint32_t index = 0;
    while ((result = reg().EnumKey(key, index++, 260, &name)) == kErrorSuccess) names.push_back(name);
    EXPECT_EQ(result, kErrorNoMoreItems);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "gamma", longName}));
    reg().CloseKey(key);
}

TEST_F(RegistryContract, EnumeratesValuesAndReportsWhatDoesNotFit) {
    struct Case {
        std::string name;
        std::size_t bytes;
        long expected;
    } cases[] = {
        {"small", 10, kErrorSuccess},
        {"big", 8193, kErrorMoreData},
        {"exact", 8192, kErrorSuccess},
        {std::string(259, 'n'), 4, kErrorSuccess},
        {std::string(260, 'm'), 4, kErrorMoreData},
        // Names count in UTF-16 characters, whatever their UTF-8 bytes.
        {std::string(257, 'o') + "\xC4\x80\xC4\x80", 4, kErrorSuccess},
        {std::string(258, 'p') + "\xF0\x9F\x98\x80", 4, kErrorMoreData},
    };
    for (const Case& c : cases) box->SetValue("", c.name, kRegBinary, std::vector<std::uint8_t>(c.bytes, 0xAB));
    RegHandle key = Open("");
    // Whatever the order the store keeps, each value answers as its size says.
    std::size_t seen = 0, tooBig = 0;
    for (std::uint32_t index = 0;; ++index) {
        std::string name;
        std::vector<std::uint8_t> data;
        std::uint32_t type = 0;
        const long result = EnumValueAt(key, index, &name, &data, &type);
        if (result == kErrorMoreData) { ++tooBig; continue; }
        if (result != kErrorSuccess) { EXPECT_EQ(result, kErrorNoMoreItems); break; }
        ++seen;
        EXPECT_EQ(type, kRegBinary);
        bool known = false;
        for (const Case& c : cases)
            if (c.name == name) { known = true; EXPECT_EQ(data.size(), c.bytes) << name; EXPECT_EQ(c.expected, kErrorSuccess); }
        EXPECT_TRUE(known) << name;
    }
    EXPECT_EQ(seen, 4u);
    EXPECT_EQ(tooBig, 3u);
    reg().CloseKey(key);
}

TEST_F(RegistryContract, CreatesKeysAndDeletesValues) {
    box->SetValue("k", "v", kRegSz, {'x', 0});
    box->SetValue("k", "", kRegSz, {'d', 0});
    RegHandle key = 0;
    ASSERT_EQ(reg().CreateKey(kHkeyCurrentUser, box->Path("k"), &key), kErrorSuccess);
    EXPECT_EQ(reg().DeleteValue(key, "v"), kErrorSuccess);
    EXPECT_EQ(reg().DeleteValue(key, "v"), kErrorFileNotFound);
    EXPECT_EQ(reg().DeleteValue(key, ""), kErrorSuccess) << "the default value";
    reg().CloseKey(key);
    EXPECT_FALSE(box->ValueExists("k", "v"));
    EXPECT_FALSE(box->ValueExists("k", ""));

    ASSERT_EQ(reg().CreateKey(kHkeyCurrentUser, box->Path("new\\deeper"), &key), kErrorSuccess);
    reg().CloseKey(key);
    ASSERT_EQ(reg().OpenKeyEx(kHkeyCurrentUser, box->Path("new\\deeper"), 0, kKeyRead, &key), kErrorSuccess);
    reg().CloseKey(key);
}

// Names are exact: a name outside any code page is enumerated and deleted as
// itself, never as a look-alike that may exist beside it.
TEST_F(RegistryContract, NamesAreExact) {
    const std::string macron = "n\xC4\x80me", plain = "nAme", han = "n\xE4\xB8\xAD";
    const std::string key = "k\xC5\x81ukasz";
    for (const std::string& name : {macron, plain, han}) box->SetValue(key, name, kRegSz, {'x', 0, 0, 0});
    RegHandle handle = Open(key);
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t index = 0; EnumValueAt(handle, index, &name) == kErrorSuccess; ++index) names.push_back(name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{plain, macron, han}));
    reg().CloseKey(handle);

    ASSERT_EQ(reg().OpenKeyEx(kHkeyCurrentUser, box->Path(key), 0, kKeySetValue, &handle), kErrorSuccess);
    EXPECT_EQ(reg().DeleteValue(handle, macron), kErrorSuccess);
    EXPECT_EQ(reg().DeleteValue(handle, "n?"), kErrorFileNotFound);
    reg().CloseKey(handle);
    EXPECT_FALSE(box->ValueExists(key, macron));
    EXPECT_TRUE(box->ValueExists(key, plain));
    EXPECT_TRUE(box->ValueExists(key, han));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    handle = Open(key);
    EXPECT_EQ(reg().QueryValue(handle, han, &type, &data), kErrorSuccess);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{'x', 0, 0, 0})) << "string data comes back as stored";
    EXPECT_EQ(reg().QueryValue(handle, macron, &type, &data), kErrorFileNotFound);
    reg().CloseKey(handle);
}

TEST_F(RegistryContract, DeletingNeedsSetValueAccess) {
    box->SetValue("k", "v", kRegSz, {'x', 0});
    RegHandle key = Open("k");
    EXPECT_EQ(reg().DeleteValue(key, "v"), kErrorAccessDenied);
    reg().CloseKey(key);
    ASSERT_EQ(reg().OpenKeyEx(kHkeyCurrentUser, box->Path("k"), 0, kKeySetValue, &key), kErrorSuccess);
    EXPECT_EQ(reg().DeleteValue(key, "v"), kErrorSuccess);
    reg().CloseKey(key);
}

}  // namespace
