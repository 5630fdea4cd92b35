// The device context's text calls: font selection, alignment, background mode, extents and outlines.
// The glyph pixels themselves belong to the font tests; here only where the DC puts them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/dc.h"
#include "test_draw_util.h"
#include "test_font_util.h"

using drawtest::Canvas;

namespace {

constexpr COLORREF kSentinel = RGB(1, 2, 3);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kPaper = RGB(250, 240, 230);

bool SameSurface(const Canvas& a, const Canvas& b) {
    const gdi::Surface& s = a.bitmap.GetSurface();
    const gdi::Surface& t = b.bitmap.GetSurface();
    return s.Width() == t.Width() && s.Height() == t.Height() &&
           std::memcmp(s.Bits(), t.Bits(), s.BytesPerLine() * static_cast<size_t>(s.Height())) == 0;
}

struct TextCanvas : Canvas {
    CFont font;
    CFont* oldFont = nullptr;
    TextCanvas() : Canvas(120, 60, kSentinel) {
        EXPECT_TRUE(font.CreatePointFont(140, "DejaVu Sans"));
        oldFont = dc.SelectObject(&font);
        dc.SetTextColor(kInk);
        dc.SetBkColor(kPaper);
    }
    ~TextCanvas() { dc.SelectObject(oldFont); }
};

}  // namespace

TEST(DCText, TheDefaultFontAndSelection) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(dc.GetCurrentFont(), gdi::DefaultFont());
    CFont none;
    EXPECT_EQ(dc.SelectObject(&none), nullptr);  // not created: refused
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(120, "DejaVu Sans"));
    EXPECT_EQ(dc.SelectObject(&font), gdi::DefaultFont());
    EXPECT_EQ(dc.GetCurrentFont(), &font);
    EXPECT_EQ(dc.SelectObject(gdi::DefaultFont()), &font);
    EXPECT_EQ(dc.GetCurrentFont(), gdi::DefaultFont());

    // Extents and metrics come from the selected font's face.
    dc.SelectObject(&font);
    const CSize ext = dc.GetTextExtent("Hello", 5);
    const SIZE direct = gdi::FontTextExtent(*font.Face(), "Hello", 5);
    EXPECT_EQ(ext, direct);
    EXPECT_EQ(dc.GetTextExtent("Hello"), ext);
    EXPECT_GT(ext.cx, 0);
    TEXTMETRIC tm, want;
    ASSERT_TRUE(dc.GetTextMetrics(&tm));
    gdi::FontTextMetrics(*font.Face(), &want);
    EXPECT_EQ(std::memcmp(&tm, &want, sizeof tm), 0);
    SIZE flat;
    EXPECT_TRUE(GetTextExtentPoint32(&dc, "Hello", 5, &flat));
    EXPECT_EQ(CSize(flat), ext);
    dc.SelectObject(gdi::DefaultFont());

    CDC uncreated;
    EXPECT_EQ(uncreated.GetTextExtent("a", 1), CSize(0, 0));
    EXPECT_FALSE(uncreated.GetTextMetrics(&tm));
    EXPECT_EQ(uncreated.GetGlyphOutline('a', GGO_METRICS, nullptr, 0, nullptr, nullptr), GDI_ERROR);
    EXPECT_FALSE(uncreated.TextOut(0, 0, "a", 1));
}

TEST(DCText, GlyphOutlineGoesToTheSelectedFont) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));  // no bitmap: measuring needs none
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(480, "DejaVu Sans"));
    CFont* old = dc.SelectObject(&font);
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS gm{}, gm2{};
    const DWORD size = dc.GetGlyphOutline('o', GGO_NATIVE, &gm, 0, nullptr, &identity);
    ASSERT_NE(size, GDI_ERROR);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> buf(size), direct(size);
    EXPECT_EQ(dc.GetGlyphOutline('o', GGO_NATIVE, &gm, size, buf.data(), &identity), size);
    EXPECT_EQ(gdi::FontGlyphOutline(*font.Face(), 'o', GGO_NATIVE, &gm2, size, direct.data(), &identity), size);
    EXPECT_EQ(buf, direct);
    EXPECT_EQ(std::memcmp(&gm, &gm2, sizeof gm), 0);
    dc.SelectObject(old);
}

TEST(DCText, AlignmentMovesTheCell) {
    const char* text = "Wg!";
    // Each alignment equals TA_LEFT | TA_TOP at the cell's top-left corner, computed from the extent
    // and the ascent.
    TextCanvas probe;
    const CSize ext = probe.dc.GetTextExtent(text, 3);
    TEXTMETRIC tm;
    ASSERT_TRUE(probe.dc.GetTextMetrics(&tm));
    const int x = 60, y = 30;
    struct Case {
        UINT align;
        int left, top;
    } cases[] = {
        {TA_LEFT | TA_TOP, x, y},
        {TA_RIGHT | TA_TOP, x - ext.cx, y},
        {TA_CENTER | TA_TOP, x - ext.cx / 2, y},
        {TA_LEFT | TA_BASELINE, x, y - tm.tmAscent},
        {TA_CENTER | TA_BASELINE, x - ext.cx / 2, y - tm.tmAscent},
        {TA_RIGHT | TA_BOTTOM, x - ext.cx, y - ext.cy},
        {TA_LEFT | TA_BOTTOM, x, y - ext.cy},
    };
    for (int mode : {OPAQUE, TRANSPARENT}) {
        for (const Case& k : cases) {
            TextCanvas aligned, plain;
            aligned.dc.SetBkMode(mode);
            plain.dc.SetBkMode(mode);
            aligned.dc.SetTextAlign(k.align);
            EXPECT_TRUE(aligned.dc.TextOut(x, y, text, 3));
            EXPECT_TRUE(plain.dc.TextOut(k.left, k.top, text, 3));
            EXPECT_TRUE(SameSurface(aligned, plain)) << "align " << k.align << " mode " << mode;
            EXPECT_EQ(aligned.dc.GetTextAlign(), k.align);  // kept after drawing
        }
    }
}

TEST(DCText, OpaqueFillsTheCellTransparentOnlyInks) {
    const char* text = "Hi";
    for (int mode : {OPAQUE, TRANSPARENT}) {
        TextCanvas c;
        c.dc.SetBkMode(mode);
        const CSize ext = c.dc.GetTextExtent(text, 2);
        const CRect cell(CPoint(20, 10), ext);
        ASSERT_TRUE(c.dc.TextOut(cell.left, cell.top, text, 2));
        int ink = 0;
        for (int y = 0; y < c.Height(); ++y) {
            for (int x = 0; x < c.Width(); ++x) {
                const COLORREF p = c.At(x, y);
                if (!cell.PtInRect(CPoint(x, y))) {
                    EXPECT_EQ(p, kSentinel) << "outside the cell at " << x << "," << y;
                    continue;
                }
                if (p != kSentinel && p != kPaper) ++ink;
                if (mode == OPAQUE) {
                    EXPECT_NE(p, kSentinel) << "unfilled at " << x << "," << y;
                } else {
                    EXPECT_NE(p, kPaper) << "background painted at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(ink, 10) << "mode " << mode;
    }
}

TEST(DCText, TextOffTheSurfaceAndEmptyText) {
    TextCanvas c;
    EXPECT_TRUE(c.dc.TextOut(-500, -500, "far away", 8));
    EXPECT_TRUE(c.dc.TextOut(INT32_MAX, INT32_MIN, "x", 1));
    c.dc.SetTextAlign(TA_RIGHT | TA_BOTTOM);
    EXPECT_TRUE(c.dc.TextOut(INT32_MIN, INT32_MIN, "x", 1));
    EXPECT_TRUE(c.dc.TextOut(5, 5, "", 0));
    EXPECT_TRUE(c.dc.TextOut(5, 5, ""));
    EXPECT_FALSE(c.dc.TextOut(5, 5, nullptr, 3));
    EXPECT_FALSE(c.dc.TextOut(5, 5, "abc", -1));
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) ASSERT_EQ(c.At(x, y), kSentinel);
}

TEST(DCText, FlatCreateFontAndDelete) {
    HFONT f = CreateFont(11, 5, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 1, 2, 1, 0x22, "SF SmallVGA");
    ASSERT_NE(f, nullptr);
    Canvas c(40, 20);
    HFONT old = SelectObject(&c.dc, f);
    EXPECT_EQ(old, gdi::DefaultFont());
    SIZE s;
    EXPECT_TRUE(GetTextExtentPoint32(&c.dc, "(1,2)", 5, &s));
    EXPECT_GT(s.cx, 0);
    SelectObject(&c.dc, old);
    EXPECT_TRUE(DeleteObject(f));
    EXPECT_FALSE(DeleteObject(gdi::DefaultFont()));
}

TEST(DCText, AGlyphOutlineRegionKeepsItsCounter) {
    // The outline renderers' use: every native point a vertex (16.16 rounded, y turned down), the
    // contours as polygons, a WINDING region. TrueType contours wind oppositely, so the 'o' keeps its hole.
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(480, "DejaVu Sans"));
    GLYPHMETRICS gm;
    const auto contours = fonttest::ParseNative(fonttest::NativeOutline(*font.Face(), 'o', &gm));
    ASSERT_EQ(contours.size(), 2u);
    auto toInt = [](FIXED f) { return f.value + (f.fract >= 0x8000 ? 1 : 0); };
    std::vector<POINT> pts;
    std::vector<int> counts;
    for (const auto& c : contours) {
        int n = 1;
        pts.push_back({toInt(c.start.x), -toInt(c.start.y)});
        for (const auto& r : c.records)
            for (const POINTFX& p : r.points) {
                pts.push_back({toInt(p.x), -toInt(p.y)});
                ++n;
            }
        counts.push_back(n);
    }
    CRgn rgn;
    ASSERT_TRUE(rgn.CreatePolyPolygonRgn(pts.data(), counts.data(), 2, WINDING));
    RECT box;
    ASSERT_EQ(rgn.GetRgnBox(&box), COMPLEXREGION);
    // The box agrees with the black box of the metrics to a pixel.
    EXPECT_NEAR(box.left, gm.gmptGlyphOrigin.x, 1);
    EXPECT_NEAR(box.top, -gm.gmptGlyphOrigin.y, 1);
    EXPECT_NEAR(box.right - box.left, static_cast<int>(gm.gmBlackBoxX), 1);
    EXPECT_NEAR(box.bottom - box.top, static_cast<int>(gm.gmBlackBoxY), 1);
    const CPoint centre = CRect(box).CenterPoint();
    EXPECT_FALSE(rgn.PtInRegion(centre));                      // the counter
    EXPECT_TRUE(rgn.PtInRegion(box.left + 2, centre.y));       // the left of the ring
    EXPECT_TRUE(rgn.PtInRegion(box.right - 3, centre.y));      // the right of the ring
    EXPECT_TRUE(rgn.PtInRegion(centre.x, box.top + 2));        // the top
}
