// Device contexts: surfaces, state and selection, pixels, lines, rectangles, ellipses, polygons, fills.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "platform/gdi/dc.h"
#include "test_draw_util.h"

using drawtest::Canvas;
using drawtest::kBack;
using drawtest::kBrush;
using drawtest::kPen;
using drawtest::Rows;

// ---- surface -------------------------------------------------------------------------------------

TEST(Surface, CreateSizesAndLayout) {
    gdi::Surface s;
    EXPECT_FALSE(s.Create(-1, 4));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.Create(0, 5));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.Bits(), nullptr);
    EXPECT_FALSE(s.Create(1 << 20, 1 << 20));  // 4 TiB: refused, not attempted
    EXPECT_TRUE(s.IsEmpty());

    ASSERT_TRUE(s.Create(3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(s.Row(y)[x], 0u);
    // B, G, R, X in memory for the COLORREF RGB(1, 2, 3).
    s.Row(1)[2] = gdi::ColorToPixel(RGB(1, 2, 3));
    const auto* bytes = reinterpret_cast<const BYTE*>(s.Bits()) + (1 * 3 + 2) * 4;
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(bytes[2], 1);
    EXPECT_EQ(bytes[3], 0);
    EXPECT_EQ(gdi::PixelToColor(s.Row(1)[2]), RGB(1, 2, 3));
}

// ---- state and selection -------------------------------------------------------------------------

TEST(DCState, DefaultsAreThePlatformsAndSurviveDraws) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(dc.GetCurrentPen(), GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.GetCurrentPen()->GetStyle(), PS_SOLID);
    EXPECT_EQ(dc.GetCurrentPen()->GetWidth(), 0);
    EXPECT_EQ(dc.GetCurrentPen()->GetColor(), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetCurrentBrush(), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(dc.GetCurrentBrush()->GetColor(), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetBkColor(), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetTextAlign(), TA_LEFT | TA_TOP);
    EXPECT_EQ(dc.GetPolyFillMode(), ALTERNATE);
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(0, 0));

    // Settings return the previous value and stay across any number of draws ("frames").
    EXPECT_EQ(dc.SetTextColor(RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
    EXPECT_EQ(dc.SetBkMode(99), 0);
    EXPECT_EQ(dc.SetTextAlign(TA_BASELINE), TA_LEFT | TA_TOP);
    EXPECT_EQ(dc.SetPolyFillMode(WINDING), ALTERNATE);
    EXPECT_EQ(dc.SetPolyFillMode(7), 0);
    CBitmap bm;
    ASSERT_TRUE(bm.CreateCompatibleBitmap(&dc, 4, 4));
    CBitmap* old = dc.SelectObject(&bm);
    for (int frame = 0; frame < 3; ++frame) {
        dc.Rectangle(0, 0, 4, 4);
        dc.SetPixel(1, 1, RGB(9, 9, 9));
    }
    EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3));
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
    EXPECT_EQ(dc.GetTextAlign(), TA_BASELINE);
    EXPECT_EQ(dc.GetPolyFillMode(), WINDING);
    dc.SelectObject(old);
}

TEST(DCState, FillSolidRectSetsTheBackgroundColourAsThePlatformDoes) {
    Canvas c(3, 3);
    c.dc.FillSolidRect(0, 0, 2, 1, RGB(5, 6, 7));
    EXPECT_EQ(c.dc.GetBkColor(), RGB(5, 6, 7));
    EXPECT_EQ(c.At(1, 0), RGB(5, 6, 7));
    EXPECT_EQ(c.At(2, 0), kBack);
    EXPECT_EQ(c.At(0, 1), kBack);
}

TEST(DCState, SelectReturnsThePreviousObject) {
    Canvas c(2, 2);
    CPen red(PS_SOLID, 1, RGB(255, 0, 0)), blue(PS_SOLID, 1, RGB(0, 0, 255));
    CBrush green(RGB(0, 255, 0));
    EXPECT_EQ(c.dc.SelectObject(&red), GetStockObject(BLACK_PEN));
    EXPECT_EQ(c.dc.SelectObject(&blue), &red);
    EXPECT_EQ(c.dc.SelectObject(&red), &blue);
    EXPECT_EQ(c.dc.SelectObject(&green), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(c.dc.SelectStockObject(NULL_BRUSH), &green);
    EXPECT_EQ(c.dc.GetCurrentBrush(), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(c.dc.SelectObject(static_cast<CGdiObject*>(&green)), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(c.dc.SelectObject(static_cast<CGdiObject*>(GetStockObject(BLACK_PEN))), &red);

    // Objects that do not exist (yet) are refused and change nothing.
    CPen none;
    EXPECT_EQ(c.dc.SelectObject(&none), nullptr);
    EXPECT_EQ(c.dc.SelectObject(static_cast<CPen*>(nullptr)), nullptr);
    EXPECT_EQ(c.dc.GetCurrentPen(), GetStockObject(BLACK_PEN));
    CRgn rgn;
    rgn.CreateRectRgn(0, 0, 1, 1);
    EXPECT_EQ(c.dc.SelectObject(static_cast<CGdiObject*>(&rgn)), nullptr);
    c.dc.SelectStockObject(WHITE_BRUSH);
}

TEST(DCState, ObjectsDeletedWhileSelectedLeaveTheDefaults) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    {
        CPen pen(PS_SOLID, 1, kPen);
        CBrush brush(kBrush);
        dc.SelectObject(&pen);
        dc.SelectObject(&brush);
    }  // destroyed while selected
    EXPECT_EQ(dc.GetCurrentPen(), GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc.GetCurrentBrush(), GetStockObject(WHITE_BRUSH));

    CPen pen(PS_SOLID, 1, kPen);
    dc.SelectObject(&pen);
    EXPECT_TRUE(pen.DeleteObject());
    EXPECT_EQ(dc.GetCurrentPen(), GetStockObject(BLACK_PEN));
    EXPECT_FALSE(pen.DeleteObject());
    EXPECT_TRUE(pen.CreatePen(PS_SOLID, 2, kPen));  // can be made again

    {
        CBitmap bm;
        ASSERT_TRUE(bm.CreateCompatibleBitmap(&dc, 4, 4));
        dc.SelectObject(&bm);
        EXPECT_EQ(dc.GetSurface(), &bm.GetSurface());
    }
    EXPECT_EQ(dc.GetSurface(), nullptr);
    EXPECT_EQ(dc.SetPixel(0, 0, 0), CLR_INVALID);  // nothing to draw into, nothing touched
    EXPECT_FALSE(static_cast<CGdiObject*>(GetStockObject(BLACK_PEN))->DeleteObject());
}

TEST(DCState, DCsDestroyedBeforeTheirObjects) {
    CPen pen(PS_SOLID, 1, kPen);
    CBitmap bm;
    ASSERT_TRUE(bm.CreateCompatibleBitmap(nullptr, 2, 2));
    {
        CDC a, b;
        a.CreateCompatibleDC(nullptr);
        b.CreateCompatibleDC(nullptr);
        a.SelectObject(&pen);
        b.SelectObject(&pen);
        a.SelectObject(&bm);
    }
    // Both DCs are gone: deleting the objects must not reach them, and the bitmap is free again.
    CDC c;
    c.CreateCompatibleDC(nullptr);
    EXPECT_NE(c.SelectObject(&bm), nullptr);
    EXPECT_TRUE(pen.DeleteObject());
    c.DeleteDC();
    EXPECT_TRUE(bm.DeleteObject());
}

TEST(DCState, BitmapsBelongToOneMemoryDC) {
    CBitmap bm;
    ASSERT_TRUE(bm.CreateCompatibleBitmap(nullptr, 2, 2));
    CDC a, b;
    a.CreateCompatibleDC(nullptr);
    b.CreateCompatibleDC(nullptr);
    CBitmap* oldA = a.SelectObject(&bm);
    ASSERT_NE(oldA, nullptr);
    EXPECT_EQ(b.SelectObject(&bm), nullptr);  // selected in a already
    EXPECT_EQ(a.SelectObject(&bm), &bm);      // reselecting in the same DC is fine
    a.SelectObject(oldA);
    EXPECT_NE(b.SelectObject(&bm), nullptr);  // free once a gave it back

    gdi::Surface window;
    ASSERT_TRUE(window.Create(3, 3));
    CDC w;
    ASSERT_TRUE(w.AttachSurface(&window));
    CBitmap other;
    other.CreateCompatibleBitmap(nullptr, 1, 1);
    EXPECT_EQ(w.SelectObject(&other), nullptr);  // only memory DCs take bitmaps
    RECT box;
    EXPECT_EQ(w.GetClipBox(&box), SIMPLEREGION);
    EXPECT_EQ(CRect(box), CRect(0, 0, 3, 3));
    EXPECT_FALSE(w.AttachSurface(&window));
    EXPECT_FALSE(w.CreateCompatibleDC(nullptr));
}

TEST(DCState, AMemoryDCWithoutBitmapDrawsNothing) {
    CDC dc;
    EXPECT_EQ(dc.GetSafeHdc(), nullptr);
    EXPECT_FALSE(dc.LineTo(3, 3));  // not created
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(dc.GetSafeHdc(), &dc);
    RECT box{1, 1, 1, 1};
    EXPECT_EQ(dc.GetClipBox(&box), NULLREGION);
    EXPECT_EQ(CRect(box), CRect(0, 0, 0, 0));
    EXPECT_EQ(dc.GetSurface(), nullptr);
    EXPECT_TRUE(dc.Rectangle(0, 0, 5, 5));
    EXPECT_TRUE(dc.LineTo(3, 3));
    EXPECT_EQ(dc.GetPixel(0, 0), CLR_INVALID);
    EXPECT_TRUE(dc.DeleteDC());
    EXPECT_FALSE(dc.DeleteDC());
}

// ---- pixels --------------------------------------------------------------------------------------

TEST(Pixels, ClippedToTheSurface) {
    Canvas c(4, 3);
    EXPECT_EQ(c.dc.SetPixel(3, 2, RGB(10, 20, 30)), RGB(10, 20, 30));
    EXPECT_EQ(c.dc.GetPixel(3, 2), RGB(10, 20, 30));
    EXPECT_EQ(c.dc.SetPixel(CPoint(0, 0), 0x01ABCDEFu), 0x00ABCDEFu);  // only the colour bits count
    EXPECT_EQ(c.dc.GetPixel(0, 0), 0x00ABCDEFu);
    const POINT off[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT32_MIN, INT32_MIN}, {INT32_MAX, 1}};
    for (POINT p : off) {
        EXPECT_EQ(c.dc.SetPixel(p, RGB(1, 1, 1)), CLR_INVALID) << p.x << "," << p.y;
        EXPECT_EQ(c.dc.GetPixel(p), CLR_INVALID) << p.x << "," << p.y;
    }
    int changed = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) changed += c.At(x, y) != kBack;
    EXPECT_EQ(changed, 2);
}

// ---- lines ---------------------------------------------------------------------------------------

namespace {

// The line rule computed directly, in doubles: along the major axis every step but the last, the minor
// coordinate rounded to nearest with halves up.
std::set<std::pair<int, int>> ReferenceLine(int x0, int y0, int x1, int y1) {
    std::set<std::pair<int, int>> out;
    const int dx = x1 - x0, dy = y1 - y0;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int n = xMajor ? std::abs(dx) : std::abs(dy);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / n;
        if (xMajor) out.insert({x0 + (dx > 0 ? i : -i), y0 + static_cast<int>(std::floor(t * dy + 0.5))});
        else out.insert({x0 + static_cast<int>(std::floor(t * dx + 0.5)), y0 + (dy > 0 ? i : -i)});
    }
    return out;
}

}  // namespace

TEST(Lines, FollowTheRuleAndLeaveTheEndPixel) {
    struct Case {
        int x0, y0, x1, y1;
    } cases[] = {
        {1, 1, 9, 1},   {9, 1, 1, 1},   {2, 0, 2, 10},  {2, 10, 2, 0}, {0, 0, 10, 10}, {10, 10, 0, 0},
        {0, 0, 4, 1},   {4, 1, 0, 0},   {0, 10, 11, 3}, {1, 0, 3, 11}, {11, 2, 0, 7},  {5, 5, 6, 5},
        {5, 5, 5, 6},   {3, 8, 9, 2},   {0, 0, 11, 2},  {7, 0, 6, 11},
    };
    for (const Case& k : cases) {
        Canvas c(12, 12);
        Canvas::Tools t(c.dc, PS_SOLID, true);
        c.dc.MoveTo(k.x0, k.y0);
        EXPECT_TRUE(c.dc.LineTo(k.x1, k.y1));
        EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(k.x1, k.y1));
        const auto expect = ReferenceLine(k.x0, k.y0, k.x1, k.y1);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                EXPECT_EQ(c.At(x, y) == kPen, expect.count({x, y}) == 1)
                    << "line " << k.x0 << "," << k.y0 << " to " << k.x1 << "," << k.y1 << " at " << x << "," << y;
        EXPECT_NE(c.At(k.x1, k.y1), kPen);
    }
}

TEST(Lines, TiesRoundTowardsLargerCoordinates) {
    // From (0,0) to (4,1) the exact y at x = 2 is 0.5: the pixel goes to y = 1. Reversed, the line
    // starts at (4,1), meets the same tie at x = 2 and leaves out (0,0) instead of (4,1): the two
    // directions light different pixels.
    Canvas c(5, 2);
    Canvas::Tools t(c.dc, PS_SOLID, true);
    c.dc.MoveTo(0, 0);
    c.dc.LineTo(4, 1);
    EXPECT_EQ(c.Picture(), Rows({"##...", "..##."}));
    c.Fill(kBack);
    c.dc.MoveTo(4, 1);
    c.dc.LineTo(0, 0);
    EXPECT_EQ(c.Picture(), Rows({".#...", "..###"}));
}

TEST(Lines, FarOffSurfaceAreClippedExactly) {
    Canvas c(8, 8);
    Canvas::Tools t(c.dc, PS_SOLID, true);
    c.dc.MoveTo(-1000000000, 3);
    c.dc.LineTo(1000000000, 3);  // the whole row, quickly
    c.dc.MoveTo(-(1 << 29), -(1 << 29));
    c.dc.LineTo(1 << 29, 1 << 29);  // the diagonal through the surface
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(c.At(x, y) == kPen, y == 3 || x == y) << x << "," << y;
}

TEST(Lines, NullPenOnlyMoves) {
    Canvas c(4, 4);
    Canvas::Tools t(c.dc, PS_NULL, true);
    EXPECT_EQ(c.dc.MoveTo(1, 1), CPoint(0, 0));
    EXPECT_EQ(c.dc.MoveTo(CPoint(0, 0)), CPoint(1, 1));
    c.dc.LineTo(3, 3);
    EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(3, 3));
    EXPECT_EQ(c.Picture(), Rows({"....", "....", "....", "...."}));
}

// ---- rectangles ----------------------------------------------------------------------------------

TEST(Rectangles, PenInsideBrushWithinRightAndBottomOutside) {
    struct Case {
        int penStyle;
        bool brush;
        int l, t, r, b;
        std::string picture;
    } cases[] = {
        {PS_SOLID, true, 1, 1, 6, 5, Rows({"........", ".#####..", ".#ooo#..", ".#ooo#..", ".#####..", "........"})},
        {PS_SOLID, false, 1, 1, 6, 5, Rows({"........", ".#####..", ".#...#..", ".#...#..", ".#####..", "........"})},
        // The null pen makes the filled rectangle one pixel narrower and lower.
        {PS_NULL, true, 1, 1, 6, 5, Rows({"........", ".oooo...", ".oooo...", ".oooo...", "........", "........"})},
        {PS_NULL, false, 1, 1, 6, 5, Rows({"........", "........", "........", "........", "........", "........"})},
        // Reversed corners are put in order.
        {PS_SOLID, true, 6, 5, 1, 1, Rows({"........", ".#####..", ".#ooo#..", ".#ooo#..", ".#####..", "........"})},
        {PS_SOLID, true, 2, 2, 3, 3, Rows({"........", "........", "..#.....", "........", "........", "........"})},
        {PS_SOLID, true, 2, 2, 2, 5, Rows({"........", "........", "........", "........", "........", "........"})},
        // Clipped on every side.
        {PS_SOLID, true, -2, -1, 10, 4, Rows({"oooooooo", "oooooooo", "oooooooo", "########", "........", "........"})},
    };
    for (const Case& k : cases) {
        Canvas c(8, 6);
        Canvas::Tools t(c.dc, k.penStyle, k.brush);
        EXPECT_TRUE(c.dc.Rectangle(k.l, k.t, k.r, k.b));
        EXPECT_EQ(c.Picture(), k.picture) << k.l << "," << k.t << "," << k.r << "," << k.b;
    }
}

TEST(Rectangles, FillRectFillsExactlyTheRectangle) {
    Canvas c(6, 4);
    CBrush brush(kBrush);
    CRect r(1, 1, 4, 3);
    c.dc.FillRect(&r, &brush);
    EXPECT_EQ(c.Picture(), Rows({"......", ".ooo..", ".ooo..", "......"}));
    CRect reversed(4, 3, 1, 1);  // not normalised: nothing
    c.Fill(kBack);
    c.dc.FillRect(&reversed, &brush);
    c.dc.FillRect(&r, static_cast<CBrush*>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(c.Picture(), Rows({"......", "......", "......", "......"}));
}

// ---- ellipses ------------------------------------------------------------------------------------

TEST(Ellipses, SmallCircleExactly) {
    Canvas c(6, 6);
    Canvas::Tools t(c.dc, PS_SOLID, true);
    c.dc.Ellipse(0, 0, 6, 6);
    EXPECT_EQ(c.Picture(), Rows({".####.", "#oooo#", "#oooo#", "#oooo#", "#oooo#", ".####."}));
}

TEST(Ellipses, CentresInsideAndAOnePixelOutline) {
    // Per pixel: inside when the centre lies in the inscribed ellipse; outline when inside with a
    // 4-neighbour outside. Computed pixel by pixel here, against the DC's row spans.
    const RECT boxes[] = {{1, 2, 12, 9}, {0, 0, 13, 13}, {2, 1, 4, 11}, {3, 3, 4, 9}, {1, 1, 14, 3},
                          {-3, -2, 7, 6}, {5, 0, 6, 1}, {0, 0, 2, 2}};
    for (const RECT& bx : boxes) {
        auto inside = [&](int x, int y) {
            if (x < bx.left || x >= bx.right || y < bx.top || y >= bx.bottom) return false;
            const int64_t A = bx.right - bx.left, B = bx.bottom - bx.top;
            const int64_t u = 2 * x + 1 - (bx.left + bx.right), v = 2 * y + 1 - (bx.top + bx.bottom);
            return u * u * B * B + v * v * A * A <= A * A * B * B;
        };
        for (int withPen = 0; withPen < 2; ++withPen) {
            Canvas c(16, 14);
            Canvas::Tools t(c.dc, withPen ? PS_SOLID : PS_NULL, true);
            c.dc.Ellipse(&bx);
            for (int y = 0; y < 14; ++y) {
                for (int x = 0; x < 16; ++x) {
                    COLORREF want = kBack;
                    if (inside(x, y)) {
                        const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
                        want = (withPen && edge) ? kPen : kBrush;
                    }
                    EXPECT_EQ(c.At(x, y), want) << CRect(bx).left << "," << bx.top << "," << bx.right << ","
                                                << bx.bottom << " pen " << withPen << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Ellipses, HollowBrushDrawsTheOutlineOnly) {
    Canvas c(7, 5);
    Canvas::Tools t(c.dc, PS_SOLID, false);
    c.dc.Ellipse(0, 0, 7, 5);
    EXPECT_EQ(c.Picture(), Rows({".#####.", "#.....#", "#.....#", "#.....#", ".#####."}));
}

// ---- polygons ------------------------------------------------------------------------------------

TEST(Polygons, FillModesAndOutline) {
    // A pentagram: its centre is covered twice, so ALTERNATE leaves it empty and WINDING fills it.
    const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
    for (int mode : {ALTERNATE, WINDING}) {
        Canvas c(21, 20);
        Canvas::Tools t(c.dc, PS_NULL, true);
        c.dc.SetPolyFillMode(mode);
        EXPECT_TRUE(c.dc.Polygon(star, 5));
        EXPECT_EQ(c.At(10, 10) == kBrush, mode == WINDING);
        EXPECT_EQ(c.At(10, 3), kBrush);   // a point of the star
        EXPECT_EQ(c.At(3, 15), kBack);    // outside
    }
    // A triangle with its outline: the brush inside, the pen along all three sides.
    Canvas c(7, 5);
    Canvas::Tools t(c.dc, PS_SOLID, true);
    const POINT tri[] = {{0, 0}, {6, 0}, {0, 4}};
    c.dc.Polygon(tri, 3);
    EXPECT_EQ(c.Picture(), Rows({"#######", "#ooo##.", "#o.#...", "###....", "#......"}));
    EXPECT_FALSE(c.dc.Polygon(tri, 1));
    const int bad = -1;
    EXPECT_FALSE(c.dc.PolyPolygon(tri, &bad, 1));
}

TEST(Polygons, NullPenFillCoversThePixelCentres) {
    // The axis-aligned polygon (1,1)-(5,4) covers the pixels 1..4 x 1..3: right and bottom outside.
    Canvas c(7, 6);
    Canvas::Tools t(c.dc, PS_NULL, true);
    const POINT box[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
    c.dc.Polygon(box, 4);
    EXPECT_EQ(c.Picture(), Rows({".......", ".oooo..", ".oooo..", ".oooo..", ".......", "......."}));
}

TEST(Polygons, RingWithAHoleUnderBothRules) {
    const POINT outer[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const POINT same[] = {{3, 3}, {7, 3}, {7, 7}, {3, 7}};
    const POINT reversed[] = {{3, 3}, {3, 7}, {7, 7}, {7, 3}};
    struct Case {
        const POINT* inner;
        int mode;
        bool holeFilled;
    } cases[] = {{same, ALTERNATE, false}, {same, WINDING, true}, {reversed, ALTERNATE, false}, {reversed, WINDING, false}};
    for (const Case& k : cases) {
        std::vector<POINT> pts(outer, outer + 4);
        pts.insert(pts.end(), k.inner, k.inner + 4);
        const int counts[] = {4, 4};
        Canvas c(11, 11);
        Canvas::Tools t(c.dc, PS_NULL, true);
        c.dc.SetPolyFillMode(k.mode);
        c.dc.PolyPolygon(pts.data(), counts, 2);
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 11; ++x) {
                const bool inOuter = x < 10 && y < 10;
                const bool inHole = x >= 3 && x < 7 && y >= 3 && y < 7;
                const bool want = inOuter && (!inHole || k.holeFilled);
                EXPECT_EQ(c.At(x, y) == kBrush, want) << "mode " << k.mode << " at " << x << "," << y;
            }
        }
    }
}

// ---- flat functions ------------------------------------------------------------------------------

TEST(FlatFunctions, HandlesAreTheObjects) {
    Canvas c(6, 4);
    HDC hdc = c.dc;
    EXPECT_EQ(CDC::FromHandle(hdc), &c.dc);
    HPEN pen = CreatePen(PS_SOLID, 1, kPen);
    HBRUSH brush = CreateSolidBrush(kBrush);
    ASSERT_NE(pen, nullptr);
    EXPECT_EQ(CreatePen(3, 1, kPen), nullptr);  // unknown style
    HPEN oldPen = SelectObject(hdc, pen);
    HBRUSH oldBrush = SelectObject(hdc, brush);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    EXPECT_TRUE(Rectangle(hdc, 0, 0, 4, 3));
    POINT prev;
    EXPECT_TRUE(MoveToEx(hdc, 5, 0, &prev));
    EXPECT_TRUE(LineTo(hdc, 5, 4));
    EXPECT_EQ(c.Picture(), Rows({"####.#", "#oo#.#", "####.#", ".....#"}));
    // The stock NULL_PEN through the generic selection.
    EXPECT_EQ(SelectObject(hdc, GetStockObject(NULL_PEN)), static_cast<HGDIOBJ>(pen));
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(GetStockObject(NULL_PEN)));
    EXPECT_EQ(GetStockObject(99), nullptr);

    HRGN rgn = CreatePolygonRgn(nullptr, 0, WINDING);
    ASSERT_NE(rgn, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(rgn, &box), NULLREGION);
    EXPECT_TRUE(DeleteObject(rgn));
    EXPECT_EQ(CreatePolygonRgn(nullptr, 0, 3), nullptr);

    HDC mem = CreateCompatibleDC(hdc);
    HBITMAP bm = CreateCompatibleBitmap(hdc, 2, 2);
    ASSERT_NE(bm, nullptr);
    HBITMAP oldBm = SelectObject(mem, bm);
    EXPECT_NE(oldBm, nullptr);
    EXPECT_EQ(SetPixel(mem, 1, 1, RGB(4, 5, 6)), RGB(4, 5, 6));
    EXPECT_EQ(GetPixel(mem, 1, 1), RGB(4, 5, 6));
    EXPECT_TRUE(DeleteDC(mem));  // frees the DC; the bitmap is free again
    EXPECT_TRUE(DeleteObject(bm));
}

// ---- bitmaps -------------------------------------------------------------------------------------

TEST(Bitmaps, RecordAndBits) {
    CBitmap bm;
    BITMAP rec;
    EXPECT_EQ(bm.GetBitmap(&rec), 0);
    EXPECT_FALSE(bm.CreateCompatibleBitmap(nullptr, -1, 2));
    EXPECT_FALSE(bm.CreateBitmap(2, 2, 1, 24, nullptr));  // only 32-bit for now
    const uint32_t px[] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(bm.CreateBitmap(3, 2, 1, 32, px));
    EXPECT_FALSE(bm.CreateCompatibleBitmap(nullptr, 1, 1));  // exists already
    ASSERT_EQ(bm.GetBitmap(&rec), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(rec.bmWidth, 3);
    EXPECT_EQ(rec.bmHeight, 2);
    EXPECT_EQ(rec.bmWidthBytes, 12);
    EXPECT_EQ(rec.bmPlanes, 1);
    EXPECT_EQ(rec.bmBitsPixel, 32);
    EXPECT_EQ(rec.bmBits, bm.GetSurface().Bits());

    uint32_t out[8] = {};
    EXPECT_EQ(bm.GetBitmapBits(sizeof out, out), 24u);  // no more than the bitmap holds
    EXPECT_EQ(std::memcmp(out, px, sizeof px), 0);
    const uint32_t in[] = {9, 8};
    EXPECT_EQ(bm.SetBitmapBits(sizeof in, in), 8u);
    EXPECT_EQ(bm.GetSurface().Row(0)[1], 8u);
    EXPECT_EQ(bm.GetSurface().Row(0)[2], 3u);

    CBitmap empty;
    EXPECT_TRUE(empty.CreateCompatibleBitmap(nullptr, 0, 0));
    EXPECT_EQ(empty.GetBitmapBits(sizeof out, out), 0u);
}
