// Glyphs by index, placed one by one and turned (the metafile player's text): unturned they are the
// 8-bit text's pixels, turned they lie on their side, code points and symbol codes find their glyphs,
// and a face's index glyphs stay within their bound.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/gdi/fontengine.h"
#include "test_font_util.h"

using fonttest::MakeLogFont;

namespace {

struct Box {
    int n = 0, left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
};
Box InkOf(const gdi::Surface& s) {
    Box b;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            if (!s.Row(y)[x]) continue;
            ++b.n;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    return b;
}

bool Same(const gdi::Surface& a, const gdi::Surface& b) {
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) return false;
    return true;
}

}  // namespace

TEST(FontGlyphs, UnturnedGlyphsByIndexAreTheTextsPixels) {
    for (const char* faceName : {"DejaVu Sans", "Liberation Serif"}) {
        SCOPED_TRACE(faceName);
        CFont f;
        LOGFONT lf = MakeLogFont(-21, faceName, FW_BOLD, true);
        ASSERT_TRUE(f.CreateFontIndirect(&lf));
        const gdi::FontFace& face = *f.Face();
        const char text[] = "Hag,\xE9\x80!";
        const int n = static_cast<int>(sizeof text - 1);
        gdi::Surface a, b;
        ASSERT_TRUE(a.Create(160, 50));
        ASSERT_TRUE(b.Create(160, 50));
        const RECT all{0, 0, 160, 50};
        gdi::FontDrawText(face, a, all, 7, 5, text, n, RGB(0, 0, 255));
        std::vector<gdi::PlacedGlyph> glyphs;
        double pen = 7;
        for (int i = 0; i < n; ++i) {
            const UINT index = gdi::FontGlyphIndex(face, 0xF000u | static_cast<BYTE>(text[i]));
            glyphs.push_back({index, pen, 5.0 + face.Metrics().tmAscent});
            pen += gdi::FontGlyphAdvance(face, index);
        }
        gdi::FontDrawGlyphs(face, b, all, glyphs.data(), n, gdi::GlyphMatrix{}, RGB(0, 0, 255));
        EXPECT_GT(InkOf(a).n, 100);
        EXPECT_TRUE(Same(a, b));
    }
}

TEST(FontGlyphs, CodePointsFindTheirGlyphs) {
    CFont f;
    LOGFONT lf = MakeLogFont(-20, "DejaVu Sans");
    ASSERT_TRUE(f.CreateFontIndirect(&lf));
    const gdi::FontFace& face = *f.Face();
    auto byte = [&](BYTE c) {
        auto lock = gdi::EngineLock();
        return face.GlyphIndex(c);
    };
    EXPECT_NE(gdi::FontGlyphIndex(face, 0x0416), 0u);                   // Cyrillic Zhe
    EXPECT_EQ(gdi::FontGlyphIndex(face, 'A'), byte('A'));
    EXPECT_EQ(gdi::FontGlyphIndex(face, 0x20AC), byte(0x80));           // the euro, 0x80 in Windows-1252
    EXPECT_EQ(gdi::FontGlyphIndex(face, 0xF080), byte(0x80));           // a symbol code reads as its byte
    EXPECT_EQ(gdi::FontGlyphIndex(face, 0x0A), 0u);                     // control codes: the missing glyph
    EXPECT_EQ(gdi::FontGlyphIndex(face, 0x10FFFD), 0u);                 // not in the face
    // An index the face does not have draws its missing glyph.
    EXPECT_EQ(gdi::FontGlyphAdvance(face, 0xFFFF), gdi::FontGlyphAdvance(face, 0));
}

TEST(FontGlyphs, TurnedGlyphsLieOnTheirSide) {
    CFont f;
    LOGFONT lf = MakeLogFont(-40, "DejaVu Sans");
    ASSERT_TRUE(f.CreateFontIndirect(&lf));
    const gdi::FontFace& face = *f.Face();
    const UINT l = gdi::FontGlyphIndex(face, 'l');
    const RECT all{0, 0, 100, 100};
    gdi::Surface upright, turned, halfPixel;
    ASSERT_TRUE(upright.Create(100, 100));
    ASSERT_TRUE(turned.Create(100, 100));
    ASSERT_TRUE(halfPixel.Create(100, 100));
    const gdi::PlacedGlyph at{l, 50, 60};
    gdi::FontDrawGlyphs(face, upright, all, &at, 1, gdi::GlyphMatrix{}, RGB(255, 0, 0));
    // A quarter turn counter-clockwise: the glyph's x runs up the surface, its y (down) to the right.
    gdi::FontDrawGlyphs(face, turned, all, &at, 1, gdi::GlyphMatrix{0, 1, -1, 0}, RGB(255, 0, 0));
    const Box a = InkOf(upright), b = InkOf(turned);
    ASSERT_GT(a.n, 50);
    EXPECT_NEAR(b.n, a.n, a.n / 5);
    EXPECT_NEAR(b.right - b.left, a.bottom - a.top, 2);
    EXPECT_NEAR(b.bottom - b.top, a.right - a.left, 2);
    EXPECT_LE(b.right, 50);   // the letter's top points left of the origin
    EXPECT_LE(b.bottom, 60);  // and it stands on the baseline, which runs up
    // Turned glyphs keep their origin's fraction: half a pixel on moves some of a round letter's ink.
    const UINT o = gdi::FontGlyphIndex(face, 'o');
    const gdi::PlacedGlyph whole{o, 50, 60}, half{o, 50.5, 60.5};
    gdi::Surface round;
    ASSERT_TRUE(round.Create(100, 100));
    gdi::FontDrawGlyphs(face, round, all, &whole, 1, gdi::GlyphMatrix{0, 1, -1, 0}, RGB(255, 0, 0));
    gdi::FontDrawGlyphs(face, halfPixel, all, &half, 1, gdi::GlyphMatrix{0, 1, -1, 0}, RGB(255, 0, 0));
    EXPECT_FALSE(Same(round, halfPixel));
    // Origins that are not numbers or out of range, and matrices out of range, draw nothing.
    gdi::Surface none;
    ASSERT_TRUE(none.Create(100, 100));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const gdi::PlacedGlyph bad[] = {{l, nan, 10}, {l, 10, std::numeric_limits<double>::infinity()}, {l, 1e12, 10}};
    gdi::FontDrawGlyphs(face, none, all, bad, 3, gdi::GlyphMatrix{}, RGB(255, 0, 0));
    gdi::FontDrawGlyphs(face, none, all, bad, 3, gdi::GlyphMatrix{0, 1, -1, 0}, RGB(255, 0, 0));
    gdi::FontDrawGlyphs(face, none, all, &at, 1, gdi::GlyphMatrix{1000, 0, 0, 1}, RGB(255, 0, 0));
    gdi::FontDrawGlyphs(face, none, all, &at, 1, gdi::GlyphMatrix{nan, 0, 0, 1}, RGB(255, 0, 0));
    EXPECT_EQ(InkOf(none).n, 0);
}

TEST(FontGlyphs, UnderlineBelowStrikeOutAboveTheBaseline) {
    for (const char* faceName : {"DejaVu Sans", "Liberation Serif"}) {
        CFont f;
        LOGFONT lf = MakeLogFont(-30, faceName);
        ASSERT_TRUE(f.CreateFontIndirect(&lf));
        const gdi::FontLines& lines = gdi::FontDecorationLines(*f.Face());
        EXPECT_GE(lines.underlineTop, 0) << faceName;
        EXPECT_LT(lines.underlineTop, f.Face()->Metrics().tmDescent) << faceName;
        EXPECT_GE(lines.underlineSize, 1) << faceName;
        EXPECT_LT(lines.strikeTop, -3) << faceName;
        EXPECT_GT(lines.strikeTop, -f.Face()->Metrics().tmAscent / 2) << faceName;
        EXPECT_GE(lines.strikeSize, 1) << faceName;
    }
}

TEST(FontGlyphs, GlyphsByIndexKeepToTheirBound) {
    // Every glyph of a large face drawn by index: the face keeps glyphs only up to its bound and
    // builds the rest for each use.
    CFont f;
    LOGFONT lf = MakeLogFont(-300, "DejaVu Sans");
    ASSERT_TRUE(f.CreateFontIndirect(&lf));
    const gdi::FontFace& face = *f.Face();
    gdi::Surface s;
    ASSERT_TRUE(s.Create(400, 400));
    const RECT all{0, 0, 400, 400};
    std::vector<gdi::PlacedGlyph> glyphs;
    for (UINT i = 0; i < 4000; ++i) glyphs.push_back({i, 20, 320});
    gdi::FontDrawGlyphs(face, s, all, glyphs.data(), static_cast<int>(glyphs.size()), gdi::GlyphMatrix{}, RGB(0, 0, 0));
    EXPECT_GT(face.Bytes(), gdi::kIndexGlyphBytes / 2);
    EXPECT_LT(face.Bytes(), gdi::kIndexGlyphBytes + (size_t{1} << 20));
}
