#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/crt/crt.h"
#include "platform/crt/wintypes.h"

TEST(CrtRand, SequenceFromSeedOne) {
    crt::reset_rand();
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int e : expected) EXPECT_EQ(crt::rand(), e);
    crt::reset_rand();
    EXPECT_EQ(crt::rand(), 41);
}

TEST(CrtRand, StaysInRangeAndSeedsAsTheRuntime) {
    crt::srand(12345);
    for (int i = 0; i < 100000; ++i) {
        int v = crt::rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
    crt::srand(1);
    EXPECT_EQ(crt::rand(), 41);
    crt::reset_rand();
}

TEST(CrtTrunc, TowardZeroAndDefinedOutsideTheRange) {
    struct Case {
        double in;
        int out;
    } cases[] = {
        {0.0, 0},
        {0.999, 0},
        {-0.999, 0},
        {2.5, 2},
        {-2.5, -2},
        {2147483647.0, 2147483647},
        {2147483647.9, 2147483647},
        {-2147483648.0, INT_MIN},
        {-2147483648.9, INT_MIN},
        {2147483648.0, INT_MIN},
        {1e300, INT_MIN},
        {-1e300, INT_MIN},
        {std::numeric_limits<double>::infinity(), INT_MIN},
        {-std::numeric_limits<double>::infinity(), INT_MIN},
        {std::numeric_limits<double>::quiet_NaN(), INT_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(TruncToInt(c.in), c.out) << c.in;
}

TEST(CrtCtype, AsciiOnlyClasses) {
    for (int c = 0; c < 256; ++c) {
        bool graph = c >= 33 && c <= 126;
        EXPECT_EQ(crt::isgraph(c), graph) << c;
        EXPECT_EQ(crt::isprint(c), graph || c == 32) << c;
        if (c >= 128) {
            EXPECT_FALSE(crt::isalpha(c) || crt::isalnum(c) || crt::isspace(c) || crt::ispunct(c)) << c;
        }
    }
    EXPECT_TRUE(crt::isalnum('7'));
    EXPECT_FALSE(crt::isalnum('\''));
    EXPECT_TRUE(crt::isspace(13));
    EXPECT_TRUE(crt::isspace('\v'));
    EXPECT_FALSE(crt::isspace(0));
    EXPECT_TRUE(crt::ispunct(','));
    EXPECT_EQ(crt::toupper('q'), 'Q');
    EXPECT_EQ(crt::toupper(0xE9), 0xE9);
}

TEST(CrtTextMode, CrLfBecomesLf) {
    EXPECT_EQ(crt::text_mode("a\r\nb\rc\n\r\n"), "a\nb\rc\n\n");
    EXPECT_EQ(crt::text_mode("\r"), "\r");
    std::string out;
    EXPECT_FALSE(crt::read_text_file("/nonexistent/file.txt", out));
}

TEST(WinTypes, ColorrefLayout) {
    EXPECT_EQ(RGB(1, 2, 3), 0x00030201u);
    EXPECT_EQ(GetRValue(RGB(10, 20, 30)), 10);
    EXPECT_EQ(GetGValue(RGB(10, 20, 30)), 20);
    EXPECT_EQ(GetBValue(RGB(10, 20, 30)), 30);
}
