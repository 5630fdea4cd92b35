// The native outline encoder on hand-made contours: record kinds, implied midpoints, closing, FIXED.
#include <gtest/gtest.h>

#include "platform/gdi/fontoutline.h"
#include "test_font_util.h"

using gdi::OutlinePoint;
using fonttest::Contour;
using fonttest::ParseNative;
using fonttest::ToDouble;

namespace {

constexpr auto kOn = OutlinePoint::kOn;
constexpr auto kQ = OutlinePoint::kConic;
constexpr auto kC = OutlinePoint::kCubic;

// Points in whole pixels (converted to 26.6).
OutlinePoint P(int x, int y, OutlinePoint::Kind k) { return OutlinePoint{x * 64, y * 64, k}; }

std::vector<Contour> Encode(const std::vector<OutlinePoint>& pts, const std::vector<int>& ends) {
    std::vector<BYTE> out;
    gdi::EncodeNativeOutline(pts, ends, out);
    return ParseNative(out);
}

// "L3" is a line record of three points, "Q2" a quadratic spline record of two, "C3" a cubic one.
std::string Shape(const Contour& c) {
    std::string s;
    for (const auto& r : c.records) {
        if (!s.empty()) s += ' ';
        s += r.type == TT_PRIM_LINE ? 'L' : r.type == TT_PRIM_QSPLINE ? 'Q' : r.type == TT_PRIM_CSPLINE ? 'C' : '?';
        s += std::to_string(r.points.size());
    }
    return s;
}

bool Same(POINTFX a, int x, int y) { return ToDouble(a.x) == x && ToDouble(a.y) == y; }

}  // namespace

TEST(FontOutlineEncoder, RecordKindsFollowThePointKinds) {
    struct Case {
        const char* name;
        std::vector<OutlinePoint> pts;
        const char* shape;
    } cases[] = {
        {"square: one line record closing on the start", {P(0, 0, kOn), P(4, 0, kOn), P(4, 4, kOn), P(0, 4, kOn)}, "L4"},
        {"conic then lines", {P(0, 0, kOn), P(2, -1, kQ), P(4, 0, kOn), P(4, 4, kOn)}, "Q2 L2"},
        {"two controls in one record, midpoint implied", {P(0, 0, kOn), P(1, 2, kQ), P(3, 2, kQ), P(4, 0, kOn)}, "Q3 L1"},
        {"spline closing on the start", {P(0, 0, kOn), P(4, 0, kOn), P(4, 4, kQ)}, "L1 Q2"},
        {"splines back to back stay separate records", {P(0, 0, kOn), P(1, 1, kQ), P(2, 0, kOn), P(3, 1, kQ), P(4, 0, kOn)}, "Q2 Q2 L1"},
        {"cubic segment", {P(0, 0, kOn), P(1, 2, kC), P(3, 2, kC), P(4, 0, kOn)}, "C3 L1"},
        {"starts at the first on-curve point", {P(1, 2, kQ), P(4, 0, kOn), P(4, 4, kOn), P(0, 4, kOn)}, "L2 Q2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int last = static_cast<int>(c.pts.size()) - 1;
        auto contours = Encode(c.pts, {last});
        ASSERT_EQ(contours.size(), 1u);
        EXPECT_EQ(Shape(contours[0]), c.shape);
        // Every contour ends on its start point.
        const auto& lastRec = contours[0].records.back();
        EXPECT_TRUE(Same(lastRec.points.back(), ToDouble(contours[0].start.x), ToDouble(contours[0].start.y)));
    }
}

TEST(FontOutlineEncoder, StartPointAndOrder) {
    auto c = Encode({P(1, 2, kQ), P(4, 0, kOn), P(4, 4, kOn), P(0, 4, kOn)}, {3});
    ASSERT_EQ(c.size(), 1u);
    EXPECT_TRUE(Same(c[0].start, 4, 0));
    ASSERT_EQ(c[0].records.size(), 2u);
    EXPECT_TRUE(Same(c[0].records[0].points[0], 4, 4));
    EXPECT_TRUE(Same(c[0].records[0].points[1], 0, 4));
    EXPECT_TRUE(Same(c[0].records[1].points[0], 1, 2));  // the control point, then back to the start
    EXPECT_TRUE(Same(c[0].records[1].points[1], 4, 0));
}

TEST(FontOutlineEncoder, OnlyControlPointsStartHalfwayBetweenLastAndFirst) {
    auto c = Encode({P(0, 0, kQ), P(4, 0, kQ), P(4, 4, kQ), P(0, 4, kQ)}, {3});
    ASSERT_EQ(c.size(), 1u);
    EXPECT_TRUE(Same(c[0].start, 0, 2));
    EXPECT_EQ(Shape(c[0]), "Q5");
}

TEST(FontOutlineEncoder, SeveralContoursAndBadEnds) {
    std::vector<OutlinePoint> pts = {P(0, 0, kOn), P(2, 0, kOn), P(2, 2, kOn),   // contour 0
                                     P(5, 5, kOn),                              // one point: skipped
                                     P(0, 5, kOn), P(1, 5, kOn)};               // two points
    auto c = Encode(pts, {2, 3, 5});
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(Shape(c[0]), "L3");
    EXPECT_EQ(Shape(c[1]), "L2");
    // Ends that do not increase or point past the points stop the encoder.
    EXPECT_EQ(Encode(pts, {2, 1}).size(), 1u);
    EXPECT_EQ(Encode(pts, {2, 99}).size(), 1u);
    EXPECT_TRUE(Encode({}, {}).empty());
}

TEST(FontOutlineEncoder, FixedFrom26_6) {
    struct Case {
        int32_t in;
        SHORT value;
        WORD fract;
    } cases[] = {
        {64, 1, 0},          {0, 0, 0},           {32, 0, 0x8000},      {-32, -1, 0x8000},
        {-64, -1, 0},        {-96, -2, 0x8000},   {1, 0, 0x0400},       {-1, -1, 0xFC00},
        {64 * 40000, 32767, 0xFFFF},              {-64 * 40000, -32768, 0},
    };
    for (const Case& c : cases) {
        FIXED f = gdi::Fixed26_6ToFixed(c.in);
        EXPECT_EQ(f.value, c.value) << c.in;
        EXPECT_EQ(f.fract, c.fract) << c.in;
    }
}
