#include <gtest/gtest.h>

#include "platform/afx/afxgeom.h"

namespace {

TEST(CRectRules, PtInRectExcludesRightAndBottom) {
    const CRect r(10, 20, 30, 40);
    struct Case {
        int x, y;
        BOOL in;
    } cases[] = {
        {10, 20, TRUE},  {29, 39, TRUE},  {30, 20, FALSE}, {10, 40, FALSE},
        {9, 25, FALSE},  {15, 19, FALSE}, {30, 40, FALSE}, {29, 20, TRUE},
    };
    for (const Case& c : cases) EXPECT_EQ(r.PtInRect(CPoint(c.x, c.y)), c.in) << c.x << "," << c.y;
    // An empty rectangle holds no point, not even its corner.
    EXPECT_FALSE(CRect(5, 5, 5, 9).PtInRect(CPoint(5, 5)));
}

TEST(CRectRules, IntersectRect) {
    struct Case {
        CRect a, b, want;
        BOOL nonEmpty;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, {5, 5, 10, 10}, TRUE},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}, FALSE},     // touching edges: empty
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {0, 0, 0, 0}, FALSE},    // apart
        {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}, TRUE},          // contained
        {{0, 0, 10, 10}, {3, 3, 3, 8}, {0, 0, 0, 0}, FALSE},         // zero width
        {{-5, -5, 5, 5}, {-10, 0, 0, 10}, {-5, 0, 0, 5}, TRUE},
    };
    for (const Case& c : cases) {
        CRect out(99, 99, 99, 99);
        EXPECT_EQ(out.IntersectRect(&c.a, &c.b), c.nonEmpty);
        EXPECT_EQ(out, c.want);
        EXPECT_EQ(c.a & c.b, c.want);
    }
}

TEST(CRectRules, UnionRectSkipsEmptyRects) {
    struct Case {
        CRect a, b, want;
        BOOL nonEmpty;
    } cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 20}, {0, 0, 15, 20}, TRUE},
        {{0, 0, 0, 0}, {5, 5, 15, 20}, {5, 5, 15, 20}, TRUE},        // empty a ignored (not grown to 0,0)
        {{5, 5, 15, 20}, {100, 100, 100, 200}, {5, 5, 15, 20}, TRUE}, // empty b ignored
        {{1, 1, 1, 1}, {7, 7, 3, 3}, {0, 0, 0, 0}, FALSE},           // both empty
        {{-3, 2, 1, 4}, {0, -8, 2, 3}, {-3, -8, 2, 4}, TRUE},
    };
    for (const Case& c : cases) {
        CRect out(99, 99, 99, 99);
        EXPECT_EQ(out.UnionRect(&c.a, &c.b), c.nonEmpty);
        EXPECT_EQ(out, c.want);
        EXPECT_EQ(c.a | c.b, c.want);
    }
}

TEST(CRectRules, InflateDeflateNormalize) {
    CRect r(10, 10, 20, 20);
    r.InflateRect(2, 3);
    EXPECT_EQ(r, CRect(8, 7, 22, 23));
    r.DeflateRect(2, 3);
    EXPECT_EQ(r, CRect(10, 10, 20, 20));
    r.InflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CRect(9, 8, 23, 24));
    r.DeflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CRect(10, 10, 20, 20));
    r.InflateRect(CSize(-6, -6));  // past empty: left beyond right, nothing clamps
    EXPECT_EQ(r, CRect(16, 16, 14, 14));
    EXPECT_TRUE(r.IsRectEmpty());
    r.NormalizeRect();
    EXPECT_EQ(r, CRect(14, 14, 16, 16));
    CRect n(5, -1, -5, 1);
    n.NormalizeRect();
    EXPECT_EQ(n, CRect(-5, -1, 5, 1));
}

TEST(CRectRules, CenterPointTruncatesTowardZero) {
    struct Case {
        CRect r;
        CPoint want;
    } cases[] = {
        {{0, 0, 3, 5}, {1, 2}},
        {{-3, -5, 0, 0}, {-1, -2}},  // -1.5 and -2.5 truncate toward zero, not down
        {{-4, -4, 1, 1}, {-1, -1}},
        {{1, 1, 2, 2}, {1, 1}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.r.CenterPoint(), c.want);
}

TEST(CRectRules, EqualityIsExact) {
    EXPECT_TRUE(CRect(1, 2, 3, 4) == CRect(1, 2, 3, 4));
    EXPECT_FALSE(CRect(0, 0, 0, 0) == CRect(5, 5, 5, 5));  // both empty, still different
    EXPECT_TRUE(CRect(1, 2, 3, 4) != CRect(1, 2, 3, 5));
    EXPECT_TRUE(CRect(1, 2, 3, 4).EqualRect(CRect(1, 2, 3, 4)));
}

TEST(CRectRules, SizeAndOffsets) {
    CRect r(CPoint(2, 3), CSize(10, 20));
    EXPECT_EQ(r, CRect(2, 3, 12, 23));
    EXPECT_EQ(r.Width(), 10);
    EXPECT_EQ(r.Height(), 20);
    r.OffsetRect(-2, -3);
    EXPECT_EQ(r, CRect(0, 0, 10, 20));
    r.MoveToXY(5, 6);
    EXPECT_EQ(r, CRect(5, 6, 15, 26));
    EXPECT_EQ(CPoint(5, 5) - CPoint(2, 1), CSize(3, 4));
}

}  // namespace
