#include <gtest/gtest.h>

#include "platform/crt/cp1252.h"

// Every byte, the undefined ones included, comes back from its code point and from UTF-8.
TEST(Cp1252, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const uint32_t u = crt::Cp1252ToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(crt::UnicodeToCp1252(u), b) << b;
        const std::string one(1, static_cast<char>(b));
        std::string back;
        EXPECT_TRUE(crt::Utf8ToCp1252(crt::Cp1252ToUtf8(one), &back)) << b;
        EXPECT_EQ(back, one) << b;
        EXPECT_EQ(crt::Utf16ToCp1252(std::u16string(1, static_cast<char16_t>(u))), one) << b;
    }
    EXPECT_EQ(crt::Cp1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
}

TEST(Cp1252, Utf16OutsideTheCodePage) {
    struct Case {
        const char* name;
        std::u16string in;
        std::string out;
    } cases[] = {
        {"not in the code page", u"a\u4E00b", "a?b"},
        {"C1 control with a table entry", u"\u0080\u009F", "??"},
        {"surrogate pair is one character", u"x\U0001F600y", "x?y"},
        {"lone high surrogate", std::u16string{u'x', char16_t(0xD800), u'y'}, "x?y"},
        {"lone low surrogate at the end", std::u16string{u'x', char16_t(0xDC00)}, "x?"},
        {"euro and quotes", u"\u20AC\u2019", "\x80\x92"},
    };
    for (const Case& c : cases) EXPECT_EQ(crt::Utf16ToCp1252(c.in), c.out) << c.name;
}
