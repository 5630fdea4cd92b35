// The octree quantiser with its error diffusion, and the resamplers. Expectations are traced by hand
// from the rules (leaf index, heap order, naming walk, diffusion), not taken from the code.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

#include "pixmill/pxquantize.h"
#include "platform/kernel/workpool.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;

Bytes Grey(std::initializer_list<BYTE> values) {
    Bytes rgb;
    for (BYTE v : values) rgb.insert(rgb.end(), {v, v, v});
    return rgb;
}

Bytes Entry(const RGBQUAD& q) { return Bytes{q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved}; }

TEST(Quantizer, ThreeCellsAreNamedInWalkOrderWithoutReduction) {
    // Red, green and blue sit in three cells; two reds average to (252, 0, 0) with rounding. The walk
    // visits the root's children from bit 7 down: red (child 4), green (2), blue (1).
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 249, 0, 0, 0, 0, 255};
    RGBQUAD palette[256];
    for (RGBQUAD& q : palette) q = RGBQUAD{0x11, 0x22, 0x33, 0x44};
    BYTE out[4] = {};
    ASSERT_TRUE(ReduceRgbTo8Bit(rgb.data(), 4, 1, out, 16, palette));
    EXPECT_EQ(Entry(palette[0]), (Bytes{252, 0, 0, 0x44}));  // reserved bytes keep the caller's value
    EXPECT_EQ(Entry(palette[1]), (Bytes{0, 255, 0, 0x44}));
    EXPECT_EQ(Entry(palette[2]), (Bytes{0, 0, 255, 0x44}));
    for (int i = 3; i < 16; ++i) EXPECT_EQ(Entry(palette[i]), (Bytes{0, 0, 0, 0x44})) << i;
    for (int i = 16; i < 256; ++i) EXPECT_EQ(Entry(palette[i]), (Bytes{0x33, 0x22, 0x11, 0x44})) << i;
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0, 1, 0, 2}));
}

TEST(Quantizer, ReductionMergesTheLightestSubtreesIntoTheirParents) {
    // Three blacks and one white reduced to one colour: white's chain climbs to the root, then the
    // blacks' chain merges into it; the root names (255 + 2) / 4 = 64.
    const Bytes rgb = Grey({0, 0, 0, 255});
    RGBQUAD palette[256] = {};
    ASSERT_TRUE(ComputeOptimalPalette(rgb.data(), 2, 2, 1, palette));
    EXPECT_EQ(Entry(palette[0]), (Bytes{64, 64, 64, 0}));
    EXPECT_EQ(Entry(palette[1]), (Bytes{0, 0, 0, 0}));
}

TEST(Quantizer, TargetIsClampedToOneTo256) {
    const pxtest::Image img = pxtest::Pattern(40, 30);
    struct Case {
        UINT n, same;
    } cases[] = {{0, 1}, {300, 256}};
    for (const Case& c : cases) {
        RGBQUAD a[256] = {}, b[256] = {};
        Bytes outA(40 * 30), outB(40 * 30);
        ASSERT_TRUE(ReduceRgbTo8Bit(img.rgb.data(), 40, 30, outA.data(), c.n, a));
        ASSERT_TRUE(ReduceRgbTo8Bit(img.rgb.data(), 40, 30, outB.data(), c.same, b));
        EXPECT_EQ(std::memcmp(a, b, sizeof(a)), 0) << c.n;
        EXPECT_EQ(outA, outB) << c.n;
    }
    // A picture of many colours reduced to 8 uses only entries below 8.
    RGBQUAD palette[256] = {};
    Bytes out(40 * 30);
    ASSERT_TRUE(ReduceRgbTo8Bit(img.rgb.data(), 40, 30, out.data(), 8, palette));
    std::set<BYTE> used(out.begin(), out.end());
    EXPECT_LE(*used.rbegin(), 7);
    EXPECT_GE(used.size(), 4u);
}

TEST(Quantizer, ErrorDiffusionCarriesAlongTheSerpentine) {
    // Cells: 8..15 (mean 12) and 16..23 (mean 20); the walk names 20 first. Rows:
    //   row 0, left to right: 23 -> 20, error +3; 15 + (3 >> 1) = 16 -> 20 (not 12), error -4
    //   row 1, right to left: 8 + (-4 >> 1) = 6 -> 12, error -6; 16 + ((3 - 6) >> 1) = 14 -> 12
    const Bytes rgb = Grey({23, 15, 16, 8});
    RGBQUAD palette[256] = {};
    BYTE out[4] = {};
    ASSERT_TRUE(ReduceRgbTo8Bit(rgb.data(), 2, 2, out, 256, palette));
    EXPECT_EQ(Entry(palette[0]), (Bytes{20, 20, 20, 0}));
    EXPECT_EQ(Entry(palette[1]), (Bytes{12, 12, 12, 0}));
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0, 0, 1, 1}));
}

TEST(Quantizer, NullArguments) {
    BYTE rgb[3] = {}, out[1];
    RGBQUAD palette[256];
    EXPECT_FALSE(ReduceRgbTo8Bit(nullptr, 1, 1, out, 4, palette));
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_FALSE(ReduceRgbTo8Bit(rgb, 1, 1, nullptr, 4, palette));
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_FALSE(ComputeOptimalPalette(rgb, 1, 1, 4, nullptr));
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_TRUE(ComputeOptimalPalette(rgb, 1, 1, 4, palette));
    EXPECT_EQ(GetLastErrorCode(), 0);
}

TEST(Resize, SameSizeCopiesAndOnePixelRepeats) {
    const pxtest::Image img = pxtest::Pattern(7, 5);
    Bytes out(img.rgb.size());
    ASSERT_TRUE(ResizeRgb(img.rgb.data(), 7, 5, out.data(), 7, 5));
    EXPECT_EQ(out, img.rgb);
    const BYTE one[3] = {9, 99, 199};
    Bytes big(4 * 4 * 3);
    ASSERT_TRUE(ResizeRgb(one, 1, 1, big.data(), 4, 4));
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(Bytes(&big[3 * i], &big[3 * i] + 3), (Bytes{9, 99, 199}));
}

TEST(Resize, BilinearWeightsAndTruncation) {
    // 2 x 1 to 4 x 1: scale 0.5, positions 0, 0.5, 1 (clamped), 1.5 -> 1 (clamped).
    const BYTE src[6] = {0, 0, 0, 255, 100, 7};
    BYTE dst[12];
    ASSERT_TRUE(ResizeRgb(src, 2, 1, dst, 4, 1));
    EXPECT_EQ(Bytes(dst, dst + 12), (Bytes{0, 0, 0, 127, 50, 3, 255, 100, 7, 255, 100, 7}));
    // Vertically: 1 x 2 grey (0, 201) to 1 x 3: scale 2/3, positions 0, 0.667, 1.333 -> 1.
    const BYTE column[2] = {0, 201};
    BYTE out[3];
    ASSERT_TRUE(ResizeImage(column, 1, 2, out, 1, 3, 1));
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0, 134, 201}));
    for (UINT bad : {0u}) {
        EXPECT_FALSE(ResizeImage(column, 1, 2, out, 1, 3, bad));
        EXPECT_EQ(GetLastErrorCode(), 5);
        EXPECT_FALSE(ResizeRgb(src, 2, 1, dst, bad, 1));
        EXPECT_EQ(GetLastErrorCode(), 5);
    }
}

TEST(Resize, KeyColourIsNeverBlended) {
    // The right pixel is the key: position 0.5 has weight 0.5 on the left pixel, so the right (key) wins;
    // position 0 keeps the left pixel whole.
    const BYTE src[6] = {0, 0, 0, 255, 0, 255};
    BYTE dst[12];
    ASSERT_TRUE(ResizeRgbKeyed(src, 2, 1, dst, 4, 1, RGB(255, 0, 255)));
    EXPECT_EQ(Bytes(dst, dst + 12), (Bytes{0, 0, 0, 255, 0, 255, 255, 0, 255, 255, 0, 255}));
    // Without a key the same resize blends.
    ASSERT_TRUE(ResizeRgbKeyed(src, 2, 1, dst, 4, 1, 0xFFFFFFFF));
    EXPECT_EQ(Bytes(dst + 3, dst + 6), (Bytes{127, 0, 127}));
    // Vertically: rows (10) and the key; row position 0.5 takes the key row.
    const BYTE col[6] = {10, 10, 10, 255, 0, 255};
    BYTE out[9];
    ASSERT_TRUE(ResizeRgbKeyed(col, 1, 2, out, 1, 3, RGB(255, 0, 255)));
    EXPECT_EQ(Bytes(out, out + 9), (Bytes{10, 10, 10, 255, 0, 255, 255, 0, 255}));
}

TEST(Shrink, BoxAveragesAndBounds) {
    // 4 x 2 to 2 x 1: scales 2 and 2, box side 2.
    const BYTE src[24] = {0, 0, 0, 4, 4, 4, 100, 0, 0, 0, 0, 0, 8, 8, 8, 1, 1, 1, 0, 0, 0, 0, 0, 3};
    BYTE dst[6];
    ASSERT_TRUE(ShrinkRgbByAveraging(src, 4, 2, dst, 2, 1));
    EXPECT_EQ(Bytes(dst, dst + 6), (Bytes{3, 3, 3, 25, 0, 0}));
    // Unequal scales take the smaller one as the side: 5 x 2 to 2 x 2 gives side 1 at x = 0 and 2.
    const pxtest::Image img = pxtest::Pattern(5, 2);
    BYTE out[12];
    ASSERT_TRUE(ShrinkRgbByAveraging(img.rgb.data(), 5, 2, out, 2, 2));
    EXPECT_EQ(Bytes(out + 3, out + 6), Bytes(&img.rgb[2 * 3], &img.rgb[2 * 3] + 3));
    struct Bad {
        UINT sw, sh, dw, dh;
    } bad[] = {{4, 2, 0, 1}, {4, 2, 5, 1}, {4, 2, 2, 3}, {5000, 5000, 1, 1}};
    for (const Bad& b : bad) {
        EXPECT_FALSE(ShrinkRgbByAveraging(src, b.sw, b.sh, dst, b.dw, b.dh));
        EXPECT_EQ(GetLastErrorCode(), 5);
    }
    // Every size from 1 to 13 shrunk to every smaller size stays inside the source (the sanitizer
    // build watches the reads).
    const pxtest::Image big = pxtest::Pattern(13, 13);
    Bytes small(13 * 13 * 3);
    for (UINT sw = 1; sw <= 13; ++sw)
        for (UINT sh = 1; sh <= 13; ++sh)
            for (UINT dw = 1; dw <= sw; ++dw)
                for (UINT dh = 1; dh <= sh; ++dh)
                    ASSERT_TRUE(ShrinkRgbByAveraging(big.rgb.data(), sw, sh, small.data(), dw, dh));
}

}  // namespace

namespace {

// FNV-1a of the bytes.
uint64_t Hash(const BYTE* p, size_t n, uint64_t h = 14695981039346656037ull) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

uint64_t PaletteHash(const RGBQUAD* palette) {
    uint64_t h = 14695981039346656037ull;
    for (int i = 0; i < 256; ++i) {
        const BYTE rgb[3] = {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
        h = Hash(rgb, 3, h);
    }
    return h;
}

// The palettes (and the mapped pixels) of pictures large enough to be counted on the pool are those of
// one pass on one thread: the hashes were taken from the single-pass quantiser. CTest runs this test
// twice, on all the machine's threads and with QS_THREADS=1.
TEST(QuantizerThreads, PalettesAreThoseOfOnePass) {
    struct Case {
        const char* name;
        pxtest::Image picture;
        uint64_t palette;  // ComputeOptimalPalette with 256 entries
        uint64_t mapped;   // ReduceRgbTo8Bit with 256 entries: palette and indices
    };
    const pxtest::Image white{1500, 1000, Bytes(size_t{1500} * 1000 * 3, 255)};
    const Case cases[] = {
        {"small pattern", pxtest::Pattern(300, 200, 3), 0x072ce69b3ad04bd5ull, 0x9d80d3c609384d4aull},
        {"pattern", pxtest::Pattern(1024, 768, 5), 0x55b19f38c9bb897aull, 0x5df42ad063830ae5ull},
        {"large pattern", pxtest::Pattern(2400, 1800, 7), 0xfcc4b5fcdfe07253ull, 0xb83161e4f5be03a7ull},
        {"37 colours", pxtest::PalettePattern(1200, 900, 37, 11), 0x8ca2ce526607bf67ull, 0xd684b16a9cb35809ull},
        {"all white", white, 0x83fc3f05f94aca3cull, 0xdb9830065d44f43cull},
    };
    for (const Case& c : cases) {
        const UINT w = c.picture.w, h = c.picture.h;
        RGBQUAD palette[256] = {};
        ASSERT_TRUE(ComputeOptimalPalette(c.picture.rgb.data(), w, h, 256, palette)) << c.name;
        RGBQUAD mappedPalette[256] = {};
        Bytes out(size_t{w} * h);
        ASSERT_TRUE(ReduceRgbTo8Bit(c.picture.rgb.data(), w, h, out.data(), 256, mappedPalette)) << c.name;
        EXPECT_EQ(PaletteHash(palette), c.palette) << c.name;
        EXPECT_EQ(Hash(out.data(), out.size(), PaletteHash(mappedPalette)), c.mapped) << c.name;
    }
    // Tables that fill up and are followed by fresh ones, runs that find no table (no memory for one) and
    // are counted in one pass on the calling thread, and no tables at all: the same palettes.
    struct Tables {
        size_t nPixelsPerTable, nMaxTables;
    } tables[] = {{size_t{1} << 18, SIZE_MAX}, {size_t{1} << 18, 2}, {size_t{1} << 18, 0}};
    for (const Tables& t : tables) {
        SCOPED_TRACE(testing::Message() << t.nPixelsPerTable << " pixels a table, at most " << t.nMaxTables);
        px::SetCounterTablesForTesting(t.nPixelsPerTable, t.nMaxTables);
        RGBQUAD palette[256] = {};
        const bool bDone = ComputeOptimalPalette(cases[2].picture.rgb.data(), 2400, 1800, 256, palette);
        px::SetCounterTablesForTesting(0, SIZE_MAX);
        ASSERT_TRUE(bDone);
        EXPECT_EQ(PaletteHash(palette), cases[2].palette);
    }
    ::testing::Test::RecordProperty("work_threads", qs::WorkThreads());
}

}  // namespace
