// BitBlt and StretchBlt: clipping on both sides, overlap, raster operations, nearest-pixel stretching.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/gdi/dc.h"
#include "test_draw_util.h"

using drawtest::Canvas;

namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);

// A pixel value that names its position.
COLORREF Tag(int x, int y) { return RGB(10 + x, 20 + y, 99); }

void FillTagged(Canvas& c) {
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) c.dc.SetPixel(x, y, Tag(x, y));
}

}  // namespace

TEST(BitBlt, ClippedOnBothSides) {
    struct Case {
        int x, y, w, h, xs, ys;
    } cases[] = {
        {1, 1, 3, 2, 0, 0},      // inside both
        {-2, 1, 5, 3, 0, 0},     // destination left edge
        {4, 3, 9, 9, 0, 0},      // destination right and bottom
        {0, 0, 4, 4, -2, -1},    // source top-left outside
        {1, 0, 6, 5, 3, 2},      // source right and bottom outside
        {-3, -3, 20, 20, -1, 2}, // both, every side
        {2, 2, 0, 3, 0, 0},      // nothing
        {2, 2, -3, 3, 0, 0},     // negative: nothing
        {7, 0, 3, 3, 0, 0},      // entirely off the destination
        {0, 0, 3, 3, 5, 0},      // entirely off the source
    };
    for (const Case& k : cases) {
        Canvas src(5, 4);
        FillTagged(src);
        Canvas dst(7, 6, kSentinel);
        EXPECT_TRUE(dst.dc.BitBlt(k.x, k.y, k.w, k.h, &src.dc, k.xs, k.ys, SRCCOPY));
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 7; ++x) {
                const int sx = x - k.x + k.xs, sy = y - k.y + k.ys;
                const bool copied = x >= k.x && x < k.x + k.w && y >= k.y && y < k.y + k.h && sx >= 0 &&
                                    sx < 5 && sy >= 0 && sy < 4;
                EXPECT_EQ(dst.At(x, y), copied ? Tag(sx, sy) : kSentinel)
                    << "case " << k.x << "," << k.y << "," << k.w << "," << k.h << " from " << k.xs << "," << k.ys
                    << " at " << x << "," << y;
            }
        }
    }
}

TEST(BitBlt, OverlappingCopiesWithinOneSurface) {
    const int shifts[][2] = {{2, 1}, {-2, -1}, {1, -2}, {-1, 2}, {0, 1}, {0, -1}, {3, 0}, {-3, 0}};
    for (const auto& d : shifts) {
        Canvas c(8, 6);
        FillTagged(c);
        EXPECT_TRUE(c.dc.BitBlt(1 + d[0], 1 + d[1], 5, 4, &c.dc, 1, 1, SRCCOPY));
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                const int sx = x - d[0], sy = y - d[1];
                const bool copied = x >= 1 + d[0] && x < 6 + d[0] && y >= 1 + d[1] && y < 5 + d[1];
                EXPECT_EQ(c.At(x, y), copied ? Tag(sx, sy) : Tag(x, y)) << d[0] << "," << d[1] << " at " << x << "," << y;
            }
        }
    }
}

TEST(BitBlt, RasterOperations) {
    Canvas src(2, 1), dst(2, 1);
    src.dc.SetPixel(0, 0, RGB(0xF0, 0x0F, 0x55));
    src.dc.SetPixel(1, 0, RGB(0x00, 0xFF, 0x80));
    struct Case {
        DWORD rop;
        COLORREF p0, p1;
    } cases[] = {
        {SRCCOPY, RGB(0xF0, 0x0F, 0x55), RGB(0x00, 0xFF, 0x80)},
        {SRCAND, RGB(0x30, 0x0C, 0x41), RGB(0x00, 0x3C, 0x00)},
        {SRCPAINT, RGB(0xF3, 0x3F, 0x57), RGB(0x33, 0xFF, 0xC3)},
        {NOTSRCCOPY, RGB(0x0F, 0xF0, 0xAA), RGB(0xFF, 0x00, 0x7F)},
    };
    for (const Case& k : cases) {
        dst.dc.SetPixel(0, 0, RGB(0x33, 0x3C, 0x43));
        dst.dc.SetPixel(1, 0, RGB(0x33, 0x3C, 0x43));
        EXPECT_TRUE(dst.dc.BitBlt(0, 0, 2, 1, &src.dc, 0, 0, k.rop));
        EXPECT_EQ(dst.dc.GetPixel(0, 0), k.p0) << std::hex << k.rop;
        EXPECT_EQ(dst.dc.GetPixel(1, 0), k.p1) << std::hex << k.rop;
        EXPECT_EQ(dst.bitmap.GetSurface().Row(0)[0] >> 24, 0u);  // the X byte stays 0
    }
    EXPECT_FALSE(dst.dc.BitBlt(0, 0, 2, 1, &src.dc, 0, 0, 0x00C000CA));  // MERGECOPY: not supported
    EXPECT_FALSE(dst.dc.BitBlt(0, 0, 2, 1, nullptr, 0, 0, SRCCOPY));
    // A blend within one surface reads the source as it was.
    Canvas c(4, 1);
    FillTagged(c);
    EXPECT_TRUE(c.dc.BitBlt(1, 0, 3, 1, &c.dc, 0, 0, NOTSRCCOPY));
    for (int x = 1; x < 4; ++x) EXPECT_EQ(c.At(x, 0), ~Tag(x - 1, 0) & 0xFFFFFFu);
}

TEST(StretchBlt, NearestPixelUnderTheCentre) {
    struct Case {
        int x, y, w, h, xs, ys, ws, hs;
    } cases[] = {
        {0, 0, 10, 8, 0, 0, 5, 4},    // twice as large
        {1, 1, 3, 2, 0, 0, 6, 4},     // half, sampling odd pixels
        {0, 0, 7, 5, 1, 0, 3, 3},     // uneven ratios
        {0, 0, 10, 8, 0, 0, 4, 3},
        {9, 0, -10, 8, 0, 0, 5, 4},   // mirrored horizontally (destination extent negative)
        {0, 0, 10, 8, 4, 3, -5, -4},  // mirrored through the source extent
        {-4, -3, 12, 10, -1, -1, 6, 5},  // clipped on both sides
        {2, 2, 5, 5, 3, 3, 5, 5},     // same size: a BitBlt, clipped at the source
        {0, 0, 0, 4, 0, 0, 2, 2},     // nothing
    };
    for (const Case& k : cases) {
        Canvas src(5, 4);
        FillTagged(src);
        Canvas dst(10, 8, kSentinel);
        EXPECT_TRUE(dst.dc.StretchBlt(k.x, k.y, k.w, k.h, &src.dc, k.xs, k.ys, k.ws, k.hs, SRCCOPY));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 10; ++x) {
                COLORREF want = kSentinel;
                const bool inX = k.w > 0 ? (x >= k.x && x < k.x + k.w) : (x >= k.x + k.w && x < k.x);
                const bool inY = k.h > 0 ? (y >= k.y && y < k.y + k.h) : (y >= k.y + k.h && y < k.y);
                if (inX && inY && k.w != 0 && k.h != 0) {
                    const int sx = k.xs + static_cast<int>(std::floor((x - k.x + 0.5) * k.ws / k.w));
                    const int sy = k.ys + static_cast<int>(std::floor((y - k.y + 0.5) * k.hs / k.h));
                    if (sx >= 0 && sx < 5 && sy >= 0 && sy < 4) want = Tag(sx, sy);
                }
                EXPECT_EQ(dst.At(x, y), want) << "case " << k.x << "," << k.y << "," << k.w << "," << k.h << " from "
                                              << k.xs << "," << k.ys << "," << k.ws << "," << k.hs << " at " << x
                                              << "," << y;
            }
        }
    }
}

TEST(StretchBlt, RasterOperationsPerPixel) {
    Canvas src(2, 2);
    FillTagged(src);
    Canvas dst(4, 4, RGB(0x0F, 0xF0, 0x3C));
    EXPECT_TRUE(dst.dc.StretchBlt(0, 0, 4, 4, &src.dc, 0, 0, 2, 2, SRCPAINT));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.At(x, y), Tag(x / 2, y / 2) | RGB(0x0F, 0xF0, 0x3C));
    EXPECT_TRUE(dst.dc.StretchBlt(4, 0, -4, 4, &src.dc, 0, 0, 2, 2, NOTSRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.At(x, y), ~Tag((3 - x) / 2, y / 2) & 0xFFFFFFu);
}

TEST(StretchBlt, WithinOneSurfaceAndBadArguments) {
    Canvas c(6, 6);
    FillTagged(c);
    EXPECT_TRUE(c.dc.StretchBlt(0, 0, 6, 6, &c.dc, 0, 0, 3, 3, SRCCOPY));  // reads the original pixels
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(c.At(x, y), Tag(x / 2, y / 2)) << x << "," << y;
    EXPECT_FALSE(c.dc.StretchBlt(0, 0, 2, 2, nullptr, 0, 0, 1, 1, SRCCOPY));
    EXPECT_FALSE(c.dc.StretchBlt(0, 0, 2, 2, &c.dc, 0, 0, 1, 1, 0));
    CDC none;
    EXPECT_FALSE(c.dc.StretchBlt(0, 0, 2, 2, &none, 0, 0, 1, 1, SRCCOPY));
    // Extents far beyond the surfaces are bounded by the destination's pixels.
    EXPECT_TRUE(c.dc.StretchBlt(-2000000000, -2000000000, 2100000000, 2100000000, &c.dc, 0, 0, 2000000000,
                                2000000000, SRCCOPY));
}

TEST(BitBlt, BackBufferToWindowAtFullSize) {
    // The paint's last step: a 32-bit back buffer copied onto the window's surface.
    gdi::Surface window;
    ASSERT_TRUE(window.Create(64, 48));
    CDC windowDC;
    ASSERT_TRUE(windowDC.AttachSurface(&window));
    Canvas back(64, 48);
    FillTagged(back);
    EXPECT_TRUE(windowDC.BitBlt(0, 0, 64, 48, &back.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(std::memcmp(window.Bits(), back.bitmap.GetSurface().Bits(), window.BytesPerLine() * 48), 0);
}
