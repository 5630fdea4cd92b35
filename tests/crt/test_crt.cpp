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

// Jumping ahead by k lands where k single draws land, from any state; a stream copied off a state
// yields the global generator's values from there.
TEST(CrtRand, JumpAheadEqualsSteppingOneByOne) {
    const uint32_t starts[] = {1u, 12345u, 0u, 0xFFFFFFFFu, 0x8000000Bu};
    const uint64_t steps[] = {0, 1, 2, 3, 7, 8, 64, 1000, 4095, 65537, 250001};
    for (uint32_t start : starts)
        for (uint64_t k : steps) {
            crt::set_rand_state(start);
            for (uint64_t i = 0; i < k; i++) crt::rand();
            const uint32_t stepped = crt::rand_state();
            EXPECT_EQ(crt::rand_jump(start, k), stepped) << start << " + " << k;
            crt::set_rand_state(start);
            crt::skip_rand(k);
            EXPECT_EQ(crt::rand_state(), stepped) << start << " + " << k;
        }
    // The generator has full period 2^32: a jump of a whole period (and of several) is no move.
    EXPECT_EQ(crt::rand_jump(777u, uint64_t{1} << 32), 777u);
    EXPECT_EQ(crt::rand_jump(777u, (uint64_t{3} << 32) + 5), crt::rand_jump(777u, 5));
    crt::reset_rand();
}

TEST(CrtRand, StreamContinuesFromAState) {
    crt::srand(4242);
    for (int i = 0; i < 17; i++) crt::rand();
    crt::RandStream stream(crt::rand_state());
    for (int i = 0; i < 1000; i++) ASSERT_EQ(stream.Next(), crt::rand()) << i;
    EXPECT_EQ(stream.State(), crt::rand_state());
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
