// Regions: the pixel-centre rasteriser against a per-pixel reference, fill rules, boxes, offsets, fills.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/dc.h"
#include "test_draw_util.h"

using drawtest::Canvas;
using drawtest::kBack;
using drawtest::kBrush;

namespace {

// Whether the centre of pixel (x, y) lies inside the polygons, decided on its own: count the edges that
// cross the scanline y + 1/2 at or left of x + 1/2 (integer arithmetic on doubled coordinates), summing
// directions for WINDING and parity for ALTERNATE.
bool ReferenceInside(const std::vector<std::vector<POINT>>& polys, int mode, int x, int y) {
    const int64_t sy = 2 * int64_t{y} + 1, sx = 2 * int64_t{x} + 1;
    int winding = 0, crossings = 0;
    for (const auto& poly : polys) {
        if (poly.size() < 3) continue;
        for (size_t i = 0; i < poly.size(); ++i) {
            POINT a = poly[i], b = poly[(i + 1) % poly.size()];
            int dir = 1;
            if (a.y > b.y) {
                std::swap(a, b);
                dir = -1;
            }
            if (a.y == b.y || sy < 2 * int64_t{a.y} || sy >= 2 * int64_t{b.y}) continue;
            // Crossing xc = a.x + (b.x - a.x)(sy/2 - a.y)/(b.y - a.y); xc <= sx/2 without division:
            const int64_t lhs = 2 * int64_t{a.x} * (b.y - a.y) + int64_t{b.x - a.x} * (sy - 2 * int64_t{a.y});
            if (lhs <= sx * (b.y - a.y)) {
                winding += dir;
                ++crossings;
            }
        }
    }
    return mode == WINDING ? winding != 0 : (crossings & 1) != 0;
}

std::vector<POINT> Flatten(const std::vector<std::vector<POINT>>& polys, std::vector<int>& counts) {
    std::vector<POINT> pts;
    counts.clear();
    for (const auto& p : polys) {
        pts.insert(pts.end(), p.begin(), p.end());
        counts.push_back(static_cast<int>(p.size()));
    }
    return pts;
}

// A small deterministic generator for polygon vertices.
struct Lcg {
    uint32_t s;
    int Next(int lo, int hi) {
        s = s * 1103515245u + 12345u;
        return lo + static_cast<int>((s >> 16) % static_cast<uint32_t>(hi - lo + 1));
    }
};

}  // namespace

TEST(Regions, RasteriserMatchesThePixelCentreRule) {
    std::vector<std::vector<std::vector<POINT>>> shapes = {
        {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {{{2, 1}, {13, 4}, {5, 14}}},
        {{{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}}},                       // self-intersecting star
        {{{0, 0}, {12, 0}, {12, 12}, {0, 12}}, {{3, 3}, {9, 3}, {9, 9}, {3, 9}}}, // ring, same direction
        {{{0, 0}, {12, 0}, {12, 12}, {0, 12}}, {{3, 3}, {3, 9}, {9, 9}, {9, 3}}}, // ring, reversed hole
        {{{1, 1}, {2, 2}, {3, 1}, {4, 2}, {5, 1}, {5, 6}, {1, 6}}},              // slopes through centres
        {{{-5, -3}, {8, 2}, {-2, 9}}},
        {{{3, 3}, {6, 3}}},                                                     // two points: no area
    };
    Lcg rng{7};
    for (int n = 0; n < 40; ++n) {  // random polygons, one or two contours, with crossings
        std::vector<std::vector<POINT>> shape(1 + n % 2);
        for (auto& poly : shape) {
            const int count = rng.Next(3, 9);
            for (int i = 0; i < count; ++i) poly.push_back({rng.Next(-4, 20), rng.Next(-4, 20)});
        }
        shapes.push_back(shape);
    }
    for (size_t k = 0; k < shapes.size(); ++k) {
        std::vector<int> counts;
        const std::vector<POINT> pts = Flatten(shapes[k], counts);
        for (int mode : {ALTERNATE, WINDING}) {
            CRgn rgn;
            ASSERT_TRUE(rgn.CreatePolyPolygonRgn(pts.data(), counts.data(), static_cast<int>(counts.size()), mode));
            for (int y = -6; y < 24; ++y)
                for (int x = -6; x < 24; ++x)
                    ASSERT_EQ(rgn.PtInRegion(x, y) != 0, ReferenceInside(shapes[k], mode, x, y))
                        << "shape " << k << " mode " << mode << " at " << x << "," << y;
        }
    }
}

// Many polygons at once: hundreds of edges that start on one row, and edges that cross one another
// between two rows by the thousand (thin triangles fanned both ways), give the same pixels as the rule.
TEST(Regions, RasteriserMatchesThePixelCentreRuleForManyPolygons) {
    std::vector<std::vector<std::vector<POINT>>> shapes;
    std::vector<std::vector<POINT>> fan;
    for (int i = 0; i < 60; ++i) {
        fan.push_back({{i, 0}, {i + 1, 0}, {100 - i, 5}});
        fan.push_back({{100 - i, 0}, {99 - i, 0}, {i, 5}});
    }
    shapes.push_back(fan);
    Lcg rng{11};
    for (int n = 0; n < 4; ++n) {
        std::vector<std::vector<POINT>> shape(150);
        for (auto& poly : shape) {
            const int count = rng.Next(3, 6);
            for (int i = 0; i < count; ++i) poly.push_back({rng.Next(-4, 40), rng.Next(n % 2 ? 0 : -4, n % 2 ? 2 : 40)});
        }
        shapes.push_back(shape);
    }
    for (size_t k = 0; k < shapes.size(); ++k) {
        std::vector<int> counts;
        const std::vector<POINT> pts = Flatten(shapes[k], counts);
        for (int mode : {ALTERNATE, WINDING}) {
            CRgn rgn;
            ASSERT_TRUE(rgn.CreatePolyPolygonRgn(pts.data(), counts.data(), static_cast<int>(counts.size()), mode));
            for (int y = -6; y < 44; ++y)
                for (int x = -6; x < 104; ++x)
                    ASSERT_EQ(rgn.PtInRegion(x, y) != 0, ReferenceInside(shapes[k], mode, x, y))
                        << "shape " << k << " mode " << mode << " at " << x << "," << y;
        }
    }
}

TEST(Regions, RingAndHoleUnderWindingAndAlternate) {
    const POINT ring[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {5, 5}, {15, 5}, {15, 15}, {5, 15}};
    const POINT ringReversed[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {5, 5}, {5, 15}, {15, 15}, {15, 5}};
    const int counts[] = {4, 4};
    struct Case {
        const POINT* pts;
        int mode;
        bool hole;
    } cases[] = {{ring, ALTERNATE, true}, {ring, WINDING, false}, {ringReversed, ALTERNATE, true}, {ringReversed, WINDING, true}};
    for (const Case& k : cases) {
        CRgn rgn;
        ASSERT_TRUE(rgn.CreatePolyPolygonRgn(k.pts, counts, 2, k.mode));
        EXPECT_TRUE(rgn.PtInRegion(2, 2));
        EXPECT_TRUE(rgn.PtInRegion(19, 19));
        EXPECT_FALSE(rgn.PtInRegion(20, 19));  // right edge outside
        EXPECT_FALSE(rgn.PtInRegion(19, 20));  // bottom edge outside
        EXPECT_EQ(rgn.PtInRegion(10, 10) == FALSE, k.hole);
        EXPECT_EQ(rgn.PtInRegion(CPoint(5, 5)) == FALSE, k.hole);
        EXPECT_TRUE(rgn.PtInRegion(4, 10));
        EXPECT_TRUE(rgn.PtInRegion(15, 10));  // the hole's right edge belongs to the ring
        RECT box;
        EXPECT_EQ(rgn.GetRgnBox(&box), k.hole ? COMPLEXREGION : SIMPLEREGION);  // no hole: one square
        EXPECT_EQ(CRect(box), CRect(0, 0, 20, 20));
    }
}

TEST(Regions, BoxTypesAndOffset) {
    CRgn none;
    RECT box{1, 2, 3, 4};
    EXPECT_EQ(none.GetRgnBox(&box), ERROR);
    EXPECT_FALSE(none.PtInRegion(0, 0));
    EXPECT_EQ(none.OffsetRgn(1, 1), ERROR);

    CRgn rect;
    ASSERT_TRUE(rect.CreateRectRgn(7, 6, 2, 1));  // corners put in order
    EXPECT_FALSE(rect.CreateRectRgn(0, 0, 1, 1));  // exists already
    EXPECT_EQ(rect.GetRgnBox(&box), SIMPLEREGION);
    EXPECT_EQ(CRect(box), CRect(2, 1, 7, 6));
    EXPECT_TRUE(rect.PtInRegion(2, 1));
    EXPECT_FALSE(rect.PtInRegion(7, 5));
    EXPECT_EQ(rect.OffsetRgn(-2, 10), SIMPLEREGION);
    EXPECT_EQ(rect.GetRgnBox(&box), SIMPLEREGION);
    EXPECT_EQ(CRect(box), CRect(0, 11, 5, 16));
    EXPECT_TRUE(rect.PtInRegion(0, 11));
    EXPECT_FALSE(rect.PtInRegion(2, 1));
    EXPECT_EQ(rect.OffsetRgn(INT32_MAX, 0), ERROR);  // would leave the coordinate space: unchanged
    rect.GetRgnBox(&box);
    EXPECT_EQ(CRect(box), CRect(0, 11, 5, 16));

    const POINT square[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};  // a polygon that is a rectangle
    CRgn sq;
    ASSERT_TRUE(sq.CreatePolygonRgn(square, 4, ALTERNATE));
    EXPECT_EQ(sq.GetRgnBox(&box), SIMPLEREGION);
    EXPECT_EQ(CRect(box), CRect(1, 1, 5, 4));

    const POINT tri[] = {{3, -2}, {9, 4}, {-1, 6}};
    CRgn t;
    ASSERT_TRUE(t.CreatePolygonRgn(tri, 3, WINDING));
    ASSERT_EQ(t.GetRgnBox(&box), COMPLEXREGION);
    // The box is the extent of the pixels, computed here from the per-pixel rule.
    CRect want(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    for (int y = -5; y < 10; ++y)
        for (int x = -5; x < 12; ++x)
            if (ReferenceInside({{tri, tri + 3}}, WINDING, x, y)) {
                want.left = std::min<LONG>(want.left, x);
                want.top = std::min<LONG>(want.top, y);
                want.right = std::max<LONG>(want.right, x + 1);
                want.bottom = std::max<LONG>(want.bottom, y + 1);
            }
    EXPECT_EQ(CRect(box), want);
    EXPECT_EQ(t.OffsetRgn(CPoint(10, 20)), COMPLEXREGION);
    t.GetRgnBox(&box);
    EXPECT_EQ(CRect(box), want + CPoint(10, 20));
    for (int y = -5; y < 10; ++y)
        for (int x = -5; x < 12; ++x)
            EXPECT_EQ(t.PtInRegion(x + 10, y + 20) != 0, ReferenceInside({{tri, tri + 3}}, WINDING, x, y));
}

TEST(Regions, DegenerateAndBadInput) {
    CRgn empty;
    const POINT two[] = {{0, 0}, {5, 5}};
    ASSERT_TRUE(empty.CreatePolygonRgn(two, 2, WINDING));  // no area, but a region
    RECT box{9, 9, 9, 9};
    EXPECT_EQ(empty.GetRgnBox(&box), NULLREGION);
    EXPECT_EQ(CRect(box), CRect(0, 0, 0, 0));
    EXPECT_EQ(empty.OffsetRgn(3, 3), NULLREGION);

    const POINT flat[] = {{0, 3}, {9, 3}, {4, 3}};  // all on one row
    CRgn line;
    ASSERT_TRUE(line.CreatePolygonRgn(flat, 3, ALTERNATE));
    EXPECT_EQ(line.GetRgnBox(&box), NULLREGION);

    CRgn bad;
    const int negative[] = {3, -1};
    const POINT pts[] = {{0, 0}, {4, 0}, {0, 4}};
    EXPECT_FALSE(bad.CreatePolyPolygonRgn(pts, negative, 2, WINDING));
    EXPECT_FALSE(bad.CreatePolygonRgn(pts, 3, 0));      // no such fill mode
    EXPECT_FALSE(bad.CreatePolygonRgn(nullptr, 3, WINDING));
    EXPECT_FALSE(bad.CreatePolyPolygonRgn(pts, negative, -1, WINDING));
    EXPECT_EQ(bad.GetRgnBox(&box), ERROR);
    EXPECT_TRUE(bad.CreatePolygonRgn(pts, 3, WINDING));  // still usable after the failures
}

TEST(Regions, HugeCoordinatesStayBounded) {
    // A rectangle of any size is one band; coordinates are clamped to the 28-bit space.
    const POINT big[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {2000000000, 2000000000},
                         {-2000000000, 2000000000}};
    CRgn r;
    ASSERT_TRUE(r.CreatePolygonRgn(big, 4, WINDING));
    RECT box;
    EXPECT_EQ(r.GetRgnBox(&box), SIMPLEREGION);
    EXPECT_EQ(CRect(box), CRect(-gdi::kMaxCoord, -gdi::kMaxCoord, gdi::kMaxCoord, gdi::kMaxCoord));
    EXPECT_TRUE(r.PtInRegion(0, 0));
    EXPECT_TRUE(r.PtInRegion(123456789, -123456789));

    // A triangle that tall keeps its polygon: its box comes from its vertices, hit tests and fills
    // rasterise only the rows they need, and nothing is allocated for its whole height.
    const POINT tall[] = {{0, -100000000}, {100000000, 100000000}, {-100000000, 100000000}};
    CRgn t;
    ASSERT_TRUE(t.CreatePolygonRgn(tall, 3, WINDING));
    EXPECT_EQ(t.GetRgnBox(&box), COMPLEXREGION);
    EXPECT_EQ(CRect(box), CRect(-100000000, -100000000, 100000000, 100000000));
    const std::vector<std::vector<POINT>> tallShape = {{tall, tall + 3}};
    for (POINT p : {POINT{0, 0}, POINT{49999999, 0}, POINT{50000000, 0}, POINT{-50000001, 0}, POINT{0, -100000000},
                    POINT{0, -99999999}, POINT{3, -99999990}, POINT{-99999999, 99999999}, POINT{0, 100000000}})
        EXPECT_EQ(t.PtInRegion(p.x, p.y) != 0, ReferenceInside(tallShape, WINDING, p.x, p.y)) << p.x << "," << p.y;
    EXPECT_EQ(t.OffsetRgn(0, 7), COMPLEXREGION);
    EXPECT_TRUE(t.PtInRegion(0, -99999990 + 7));
    EXPECT_EQ(t.OffsetRgn(0, 100000000), ERROR);  // a vertex would leave the coordinate space

    // Drawing the same triangle only rasterises the surface's rows, as a polygon and as a region.
    Canvas c(8, 8);
    Canvas::Tools tools(c.dc, PS_NULL, true);
    EXPECT_TRUE(c.dc.Polygon(tall, 3));
    EXPECT_EQ(c.At(0, 0), kBrush);
    EXPECT_EQ(c.At(7, 7), kBrush);
    Canvas d(8, 8);
    CRgn u;
    ASSERT_TRUE(u.CreatePolygonRgn(tall, 3, WINDING));
    CBrush brush(kBrush);
    EXPECT_TRUE(d.dc.FillRgn(&u, &brush));
    EXPECT_EQ(d.Picture(), c.Picture());
}

// Tall slanted shapes answer hit tests by rasterising one row: the same answers as the pixel rule.
TEST(Regions, TallShapesHitTestByThePixelRule) {
    Lcg rng{11};
    for (int n = 0; n < 20; ++n) {
        std::vector<std::vector<POINT>> shape(1 + n % 2);
        for (auto& poly : shape) {
            const int count = rng.Next(3, 7);
            for (int i = 0; i < count; ++i) poly.push_back({rng.Next(-20, 20) * 5000000 + rng.Next(0, 99), rng.Next(-20, 20) * 5000000});
        }
        std::vector<int> counts;
        const std::vector<POINT> pts = Flatten(shape, counts);
        for (int mode : {ALTERNATE, WINDING}) {
            CRgn rgn;
            ASSERT_TRUE(rgn.CreatePolyPolygonRgn(pts.data(), counts.data(), static_cast<int>(counts.size()), mode));
            for (int k = 0; k < 200; ++k) {
                const int x = rng.Next(-21, 21) * 5000000 + rng.Next(-50, 50), y = rng.Next(-21, 21) * 5000000 + rng.Next(-3, 3);
                ASSERT_EQ(rgn.PtInRegion(x, y) != 0, ReferenceInside(shape, mode, x, y)) << "shape " << n << " at " << x << "," << y;
            }
        }
    }
}

// A tall shape whose edges are all vertical or horizontal still has its exact box and type; a short
// one of any width too.
TEST(Regions, TallRectilinearAndWideShapesAreExact) {
    const POINT ell[] = {{0, 0}, {10, 0}, {10, 90000000}, {20, 90000000}, {20, 100000000}, {0, 100000000}};
    CRgn r;
    ASSERT_TRUE(r.CreatePolygonRgn(ell, 6, ALTERNATE));
    RECT box;
    EXPECT_EQ(r.GetRgnBox(&box), COMPLEXREGION);
    EXPECT_EQ(CRect(box), CRect(0, 0, 20, 100000000));
    EXPECT_TRUE(r.PtInRegion(9, 89999999));
    EXPECT_FALSE(r.PtInRegion(10, 89999999));
    EXPECT_TRUE(r.PtInRegion(19, 99999999));

    const POINT wide[] = {{-100000000, 0}, {100000000, 3}, {-100000000, 6}};
    CRgn w;
    ASSERT_TRUE(w.CreatePolygonRgn(wide, 3, WINDING));
    CRect want(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    const std::vector<std::vector<POINT>> wideShape = {{wide, wide + 3}};
    // The pixels of each row form one run from the left vertex: find its end by bisection.
    for (int y = 0; y < 6; ++y) {
        int lo = -100000000, hi = 100000000;
        if (!ReferenceInside(wideShape, WINDING, lo, y)) continue;
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            (ReferenceInside(wideShape, WINDING, mid, y) ? lo : hi) = mid;
        }
        want.left = std::min<LONG>(want.left, -100000000);
        want.right = std::max<LONG>(want.right, hi);
        want.top = std::min<LONG>(want.top, y);
        want.bottom = std::max<LONG>(want.bottom, y + 1);
    }
    EXPECT_EQ(w.GetRgnBox(&box), COMPLEXREGION);
    EXPECT_EQ(CRect(box), want);
}

TEST(Regions, FillRgnPaintsTheRegionAndPolygonFillIsTheSame) {
    const POINT glyph[] = {{2, 1}, {9, 2}, {11, 9}, {6, 6}, {1, 11}, {4, 14}, {12, 13}, {13, 1}};
    for (int mode : {ALTERNATE, WINDING}) {
        CRgn rgn;
        ASSERT_TRUE(rgn.CreatePolygonRgn(glyph, 8, mode));
        ASSERT_EQ(rgn.OffsetRgn(-3, 2), COMPLEXREGION);  // partly off the surface to the left
        Canvas a(14, 16);
        CBrush brush(kBrush);
        EXPECT_TRUE(a.dc.FillRgn(&rgn, &brush));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 14; ++x) EXPECT_EQ(a.At(x, y) == kBrush, rgn.PtInRegion(x, y) != 0) << x << "," << y;

        // The DC's polygon fill with the null pen gives the same pixels.
        POINT moved[8];
        for (int i = 0; i < 8; ++i) moved[i] = {glyph[i].x - 3, glyph[i].y + 2};
        Canvas b(14, 16);
        Canvas::Tools t(b.dc, PS_NULL, true);
        b.dc.SetPolyFillMode(mode);
        b.dc.Polygon(moved, 8);
        EXPECT_EQ(a.Picture(), b.Picture()) << "mode " << mode;
    }
    Canvas c(4, 4);
    CRgn none;
    CBrush brush(kBrush);
    EXPECT_FALSE(c.dc.FillRgn(&none, &brush));
    CRgn r;
    r.CreateRectRgn(0, 0, 2, 2);
    EXPECT_TRUE(c.dc.FillRgn(&r, static_cast<CBrush*>(GetStockObject(NULL_BRUSH))));
    EXPECT_EQ(c.At(0, 0), kBack);
}
