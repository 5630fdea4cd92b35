// Glyph outlines: the native-outline parser on hand-made buffers (sizes, truncation, capacities), the
// number conversions, copies, and real glyphs of DejaVu Sans through a device context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gdi/test_font_util.h"
#include "kinetype/ktglyphregion.h"
#include "platform/gdi/dc.h"

namespace {

FIXED Fx(SHORT value, WORD fract) {
    FIXED f;
    f.value = value;
    f.fract = fract;
    return f;
}
POINTFX Pt(int x, int y) { return POINTFX{Fx(static_cast<SHORT>(x), 0), Fx(static_cast<SHORT>(y), 0)}; }

// Builds GGO_NATIVE buffers: contours of records, with every size right unless a test breaks it.
class Native {
public:
    Native& Contour(POINTFX start) {
        m_header = m_bytes.size();
        TTPOLYGONHEADER h{};
        h.dwType = TT_POLYGON_TYPE;
        h.pfxStart = start;
        Put(&h, sizeof h);
        Close();
        return *this;
    }
    Native& Record(WORD type, const std::vector<POINTFX>& pts) {
        WORD head[2] = {type, static_cast<WORD>(pts.size())};
        Put(head, sizeof head);
        if (!pts.empty()) Put(pts.data(), pts.size() * sizeof(POINTFX));
        Close();
        return *this;
    }
    // A contour of n vertices: the start and one line record of n - 1 points.
    Native& Polygon(int n) {
        Contour(Pt(0, 0));
        if (n > 1) Record(TT_PRIM_LINE, std::vector<POINTFX>(static_cast<size_t>(n - 1), Pt(1, 1)));
        return *this;
    }
    std::vector<BYTE>& Bytes() { return m_bytes; }
    size_t LastHeader() const { return m_header; }

private:
    void Put(const void* p, size_t n) {
        const BYTE* b = static_cast<const BYTE*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
    }
    void Close() {  // the open contour covers everything written since its header
        DWORD cb = static_cast<DWORD>(m_bytes.size() - m_header);
        std::memcpy(m_bytes.data() + m_header, &cb, sizeof cb);
    }
    std::vector<BYTE> m_bytes;
    size_t m_header = 0;
};

template <class Region>
std::vector<int> Counts(const Region& r) {
    return std::vector<int>(r.m_pPolyCounts, r.m_pPolyCounts + r.m_nPolys);
}

template <class Region>
void ExpectInvariants(const Region& r) {
    int sum = 0;
    for (int i = 0; i < r.m_nPolys; ++i) sum += r.m_pPolyCounts[i];
    EXPECT_EQ(sum, r.m_nPoints);
    EXPECT_EQ(r.m_pPoints == nullptr, r.m_nPoints == 0);
    EXPECT_EQ(r.m_pPolyCounts == nullptr, r.m_nPolys == 0);
}

}  // namespace

TEST(GlyphRegionConvert, FixedToIntRoundsHalvesUp) {
    struct Case {
        SHORT value;
        WORD fract;
        int out;
    } cases[] = {{1, 0x8000, 2},  {-2, 0x8000, -1}, {-2, 0xC000, -1}, {2, 0x7FFF, 2},       {0, 0, 0},
                 {-1, 0, -1},     {-1, 0x7FFF, -1}, {-1, 0x8000, 0},  {32767, 0xFFFF, 32768}, {-32768, 0, -32768}};
    for (const Case& c : cases) EXPECT_EQ(FixedToInt(Fx(c.value, c.fract)), c.out) << c.value << " " << c.fract;
}

TEST(GlyphRegionConvert, FixedToFloatDividesBy65535) {
    EXPECT_EQ(FixedToFloat(Fx(3, 0xFFFF)), 4.0f);
    EXPECT_EQ(FixedToFloat(Fx(-2, 0x8000)), static_cast<float>(-2.0 + 32768.0 / 65535.0));
    EXPECT_NEAR(FixedToFloat(Fx(-2, 0x8000)), -1.4999924f, 1e-6);
    EXPECT_NEAR(FixedToFloat(Fx(0, 0x8000)), 0.5000076f, 1e-7);
    EXPECT_EQ(FixedToFloat(Fx(7, 0)), 7.0f);
}

TEST(GlyphRegionConvert, FloatToIntRoundsToTheNearestHalvesUp) {
    // Negative coordinates round to the nearest integer like positive ones: a vertex above the
    // baseline at -12 stays at -12 (adding a half and truncating toward zero would give -11 and drop
    // the glyph's top row).
    CKTFloatGlyphRegion f;
    const CKTFloatPoint pts[] = {{2.5f, -2.4f}, {-0.5f, -2.6f}, {-2.5f, 2.49f}, {-0.49f, 0.0f}, {-12.0f, -0.51f}};
    f.m_cChar = 'q';
    f.m_nPoints = 5;
    f.m_pPoints = new CKTFloatPoint[5];
    std::memcpy(f.m_pPoints, pts, sizeof pts);
    f.m_nPolys = 2;
    f.m_pPolyCounts = new int[2]{3, 2};
    const CKTGlyphRegion r(f);
    const POINT expected[] = {{3, -2}, {0, -3}, {-2, 2}, {0, 0}, {-12, -1}};
    ASSERT_EQ(r.m_nPoints, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.m_pPoints[i].x, expected[i].x) << i;
        EXPECT_EQ(r.m_pPoints[i].y, expected[i].y) << i;
    }
    EXPECT_EQ(Counts(r), (std::vector<int>{3, 2}));
    EXPECT_EQ(r.m_cChar, 'q');
    EXPECT_EQ(r.m_bBuilt, 0);
}

TEST(GlyphRegionParse, SplineAndLineRecordsGiveOnePolygon) {
    Native n;
    n.Contour(Pt(1, 2))
        .Record(TT_PRIM_QSPLINE, {Pt(2, 3), Pt(3, 4), POINTFX{Fx(4, 0x8000), Fx(-2, 0x8000)}})
        .Record(TT_PRIM_LINE, {Pt(1, 2)});
    CKTGlyphRegion r;
    EXPECT_EQ(r.SetFromNativeOutline('a', n.Bytes().data(), n.Bytes().size()), 1);
    ASSERT_EQ(r.m_nPoints, 5);
    EXPECT_EQ(Counts(r), (std::vector<int>{5}));
    EXPECT_EQ(r.m_bBuilt, 1);
    EXPECT_EQ(r.m_cChar, 'a');
    // y turns downward; 4.5 rounds to 5, -1.5 to -1 (then negated).
    const POINT expected[] = {{1, -2}, {2, -3}, {3, -4}, {5, 1}, {1, -2}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.m_pPoints[i].x, expected[i].x) << i;
        EXPECT_EQ(r.m_pPoints[i].y, expected[i].y) << i;
    }
    CKTFloatGlyphRegion f;
    EXPECT_EQ(f.SetFromNativeOutline('a', n.Bytes().data(), n.Bytes().size()), 1);
    ASSERT_EQ(f.m_nPoints, 5);
    EXPECT_EQ(f.m_pPoints[3].x, FixedToFloat(Fx(4, 0x8000)));
    EXPECT_EQ(f.m_pPoints[3].y, -FixedToFloat(Fx(-2, 0x8000)));
    EXPECT_EQ(f.m_pPoints[0].y, -2.0f);
}

TEST(GlyphRegionParse, MalformedBuffersKeepTheWholeContoursBeforeTheFault) {
    struct Case {
        const char* name;
        void (*mangle)(Native&);
        std::vector<int> counts;
    } cases[] = {
        {"intact", [](Native&) {}, {3, 4}},
        {"last contour cut short", [](Native& n) { n.Bytes().pop_back(); }, {3}},
        {"trailing bytes shorter than a header", [](Native& n) { n.Bytes().insert(n.Bytes().end(), 10, 0); }, {3, 4}},
        {"contour size past the buffer",
         [](Native& n) {
             DWORD cb = 1000;
             std::memcpy(n.Bytes().data() + n.LastHeader(), &cb, 4);
         },
         {3}},
        {"contour size below a header",
         [](Native& n) {
             DWORD cb = 8;
             std::memcpy(n.Bytes().data() + n.LastHeader(), &cb, 4);
         },
         {3}},
        {"not a polygon header",
         [](Native& n) {
             DWORD type = 25;
             std::memcpy(n.Bytes().data() + n.LastHeader() + 4, &type, 4);
         },
         {3}},
        {"record count past its contour",
         [](Native& n) {
             WORD cpfx = 65535;
             std::memcpy(n.Bytes().data() + n.LastHeader() + 16 + 2, &cpfx, 2);
         },
         {3}},
        {"record header cut by the contour's end",
         [](Native& n) {
             n.Bytes().insert(n.Bytes().end(), 2, 0);
             DWORD cb;
             std::memcpy(&cb, n.Bytes().data() + n.LastHeader(), 4);
             cb += 2;
             std::memcpy(n.Bytes().data() + n.LastHeader(), &cb, 4);
         },
         {3}},
        {"first contour broken", [](Native& n) { n.Bytes()[4] = 0; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Native n;
        n.Polygon(3).Polygon(4);
        c.mangle(n);
        CKTGlyphRegion r;
        r.SetFromNativeOutline('x', n.Bytes().data(), n.Bytes().size());
        EXPECT_EQ(Counts(r), c.counts);
        ExpectInvariants(r);
        EXPECT_EQ(r.m_bBuilt, 1);
        CKTFloatGlyphRegion f;
        f.SetFromNativeOutline('x', n.Bytes().data(), n.Bytes().size());
        EXPECT_EQ(Counts(f), c.counts);
        ExpectInvariants(f);
    }
    CKTGlyphRegion empty;
    EXPECT_EQ(empty.SetFromNativeOutline(' ', nullptr, 100), 0);
    ExpectInvariants(empty);
    EXPECT_EQ(empty.m_bBuilt, 1);
}

TEST(GlyphRegionParse, CapacitiesAreNeverPassed) {
    struct Case {
        const char* name;
        std::vector<int> contours;  // vertex counts
        size_t keptInt, keptFloat;  // polygons kept by each class
    } cases[] = {
        // 10 x 1000 fills the integer outline exactly; the float one takes only its first contour.
        {"exactly full", std::vector<int>(10, 1000), 10, 1},
        {"one more contour", std::vector<int>(11, 1000), 10, 1},
        {"contour crossing the limit", {9000, 999, 2}, 2, 0},
        {"one vertex past at once", {10001}, 0, 0},
        {"polygon limit", std::vector<int>(1001, 1), 1000, 100},
        {"float point limit", {400, 600, 1}, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Native n;
        for (int k : c.contours) n.Polygon(k);
        CKTGlyphRegion r;
        r.SetFromNativeOutline('m', n.Bytes().data(), n.Bytes().size());
        EXPECT_EQ(static_cast<size_t>(r.m_nPolys), c.keptInt);
        EXPECT_LE(r.m_nPoints, CKTGlyphRegion::kMaxPoints);
        ExpectInvariants(r);
        CKTFloatGlyphRegion f;
        f.SetFromNativeOutline('m', n.Bytes().data(), n.Bytes().size());
        EXPECT_EQ(static_cast<size_t>(f.m_nPolys), c.keptFloat);
        EXPECT_LE(f.m_nPoints, CKTFloatGlyphRegion::kMaxPoints);
        ExpectInvariants(f);
    }
}

TEST(GlyphRegionCopy, OffsetCopiesAndSelfAssignment) {
    Native n;
    n.Contour(Pt(1, 1)).Record(TT_PRIM_LINE, {Pt(5, 1), Pt(5, 5)}).Contour(Pt(7, 7)).Record(TT_PRIM_LINE, {Pt(8, 8)});
    CKTGlyphRegion r;
    r.SetFromNativeOutline('k', n.Bytes().data(), n.Bytes().size());
    ASSERT_EQ(r.m_nPoints, 5);
    const std::vector<POINT> before(r.m_pPoints, r.m_pPoints + 5);

    r.Offset(3, -2);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.m_pPoints[i].x, before[size_t(i)].x + 3);
        EXPECT_EQ(r.m_pPoints[i].y, before[size_t(i)].y - 2);
    }

    CKTGlyphRegion copy(r);
    EXPECT_NE(copy.m_pPoints, r.m_pPoints);
    EXPECT_NE(copy.m_pPolyCounts, r.m_pPolyCounts);
    EXPECT_EQ(copy.m_bBuilt, 0);  // not copied
    EXPECT_EQ(copy.m_cChar, 'k');
    EXPECT_EQ(Counts(copy), Counts(r));
    copy.Offset(100, 100);
    EXPECT_EQ(r.m_pPoints[0].x, before[0].x + 3);  // the source is untouched

    CKTGlyphRegion& self = r;
    r = self;
    EXPECT_EQ(r.m_nPoints, 5);
    EXPECT_EQ(r.m_pPoints[4].x, before[4].x + 3);

    CKTGlyphRegion assigned;
    assigned.SetFromNativeOutline('z', n.Bytes().data(), n.Bytes().size());
    assigned = CKTGlyphRegion();  // frees the old arrays and takes the empty state
    EXPECT_EQ(assigned.m_pPoints, nullptr);
    EXPECT_EQ(assigned.m_nPolys, 0);
    EXPECT_EQ(assigned.m_cChar, 0);
    assigned = r;
    EXPECT_EQ(Counts(assigned), Counts(r));

    CKTFloatGlyphRegion f, g;
    f.SetFromNativeOutline('k', n.Bytes().data(), n.Bytes().size());
    g = f;
    CKTFloatGlyphRegion h(g);
    CKTFloatGlyphRegion& fself = f;
    f = fself;
    EXPECT_NE(g.m_pPoints, f.m_pPoints);
    EXPECT_NE(h.m_pPoints, g.m_pPoints);
    EXPECT_EQ(h.m_pPoints[2].x, 5.0f);
    EXPECT_EQ(f.m_nPoints, 5);
    const CKTGlyphRegion back(h);
    EXPECT_EQ(back.m_pPoints[2].x, 5);
    EXPECT_EQ(back.m_pPoints[2].y, -5);  // a whole negative coordinate stays where it is
}

// ---- real glyphs through a device context --------------------------------------------------------

class GlyphRegionFont : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dc.CreateCompatibleDC(nullptr));
        ASSERT_TRUE(m_font.CreatePointFont(480, "DejaVu Sans"));
        m_old = m_dc.SelectObject(&m_font);
        ASSERT_NE(m_old, nullptr);
    }
    void TearDown() override { m_dc.SelectObject(m_old); }
    CDC m_dc;
    CFont m_font;
    CFont* m_old = nullptr;
};

TEST_F(GlyphRegionFont, TwoContoursOfOStartAtTheirStartPoints) {
    const CKTGlyphRegion r(&m_dc, 'o');
    EXPECT_EQ(r.m_bBuilt, 1);
    EXPECT_EQ(r.m_cChar, 'o');
    ASSERT_EQ(r.m_nPolys, 2);
    ExpectInvariants(r);
    const auto contours = fonttest::ParseNative(fonttest::NativeOutline(*m_font.Face(), 'o'));
    ASSERT_EQ(contours.size(), 2u);
    int first = 0;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(r.m_pPoints[first].x, FixedToInt(contours[size_t(i)].start.x));
        EXPECT_EQ(r.m_pPoints[first].y, -FixedToInt(contours[size_t(i)].start.y));
        first += r.m_pPolyCounts[i];
    }
    // The float outline of the same glyph rounds to the integer one.
    const CKTFloatGlyphRegion f(&m_dc, 'o');
    ASSERT_EQ(f.m_nPoints, r.m_nPoints);
    const CKTGlyphRegion fromFloat(f);
    for (int i = 0; i < r.m_nPoints; ++i) {
        EXPECT_NEAR(fromFloat.m_pPoints[i].x, r.m_pPoints[i].x, 1) << i;
        EXPECT_NEAR(fromFloat.m_pPoints[i].y, r.m_pPoints[i].y, 1) << i;
    }
}

TEST_F(GlyphRegionFont, CapitalsRiseAndDescendersFall) {
    auto yRange = [](const CKTGlyphRegion& r, int* minY, int* maxY) {
        *minY = INT32_MAX;
        *maxY = INT32_MIN;
        for (int i = 0; i < r.m_nPoints; ++i) {
            *minY = std::min<int>(*minY, r.m_pPoints[i].y);
            *maxY = std::max<int>(*maxY, r.m_pPoints[i].y);
        }
    };
    int lo, hi;
    const CKTGlyphRegion h(&m_dc, 'H');
    ASSERT_GT(h.m_nPoints, 0);
    yRange(h, &lo, &hi);
    EXPECT_LT(lo, -30);  // 48 pt is 64 px: a capital stands about 47 px tall
    EXPECT_LE(hi, 0);
    const CKTGlyphRegion g(&m_dc, 'g');
    yRange(g, &lo, &hi);
    EXPECT_GT(hi, 5);
}

TEST_F(GlyphRegionFont, EmptyFailedMissingAndHighCodes) {
    const CKTGlyphRegion space(&m_dc, ' ');
    EXPECT_EQ(space.m_nPoints, 0);
    EXPECT_EQ(space.m_nPolys, 0);
    EXPECT_EQ(space.m_pPoints, nullptr);
    EXPECT_EQ(space.m_bBuilt, 0);  // the size query answers 0: nothing to read

    CDC dead;  // never created: the query fails
    const CKTFloatGlyphRegion failed(&dead, 'A');
    EXPECT_EQ(failed.m_nPoints, 0);
    EXPECT_EQ(failed.m_bBuilt, 0);

    // The line break has no glyph of its own: the font's missing glyph stands in.
    const CKTGlyphRegion lineBreak(&m_dc, '\r');
    const CKTGlyphRegion undefined(&m_dc, '\x81');
    EXPECT_GT(lineBreak.m_nPoints, 0);
    ASSERT_EQ(lineBreak.m_nPoints, undefined.m_nPoints);
    EXPECT_EQ(0, std::memcmp(lineBreak.m_pPoints, undefined.m_pPoints, sizeof(POINT) * size_t(undefined.m_nPoints)));

    // Codes above 127 are looked up as their unsigned byte: e acute has the e's two contours and the accent.
    const CKTGlyphRegion eAcute(&m_dc, '\xE9');
    EXPECT_EQ(eAcute.m_nPolys, 3);
    EXPECT_EQ(eAcute.m_cChar, '\xE9');
}
