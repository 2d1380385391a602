// The program's text: UTF-8 inside, UTF-16 at the system's boundary.
#include <gtest/gtest.h>

#include "platform/Text.h"

using namespace platform;

TEST(Text, ConvertsBothWaysExactly) {
    const std::u16string cases[] = {
        u"",
        u"C:\\Windows\\notepad.exe",
        u"n\u0100me \u0141ukasz \u4E2D \u30C2.dll",
        u"\U0001F600 outside the first plane",
        {u'a', char16_t(0xD83D), u'b'},        // a lone high surrogate
        {char16_t(0xDE00), char16_t(0xD83D)},  // a low one first, a high one last
        {u'n', u'\0', u'x'},                   // NULs are characters too
    };
    for (const std::u16string& units : cases) {
        const std::string utf8 = Utf16ToUtf8(units);
        EXPECT_EQ(Utf8ToUtf16(utf8), units) << utf8;
        EXPECT_EQ(Utf16Length(utf8), units.size());
    }
    EXPECT_EQ(Utf16ToUtf8(u"\u0141\U0001F600"), "\xC5\x81\xF0\x9F\x98\x80");
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
    const struct {
        std::string utf8;
        std::u16string units;
    } cases[] = {
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},                 // cut short at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},       // an overlong slash is no slash
        {"\xE4\xB8" "x", u"\uFFFD\uFFFDx"},  // cut short before an ASCII byte
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.units);
}
