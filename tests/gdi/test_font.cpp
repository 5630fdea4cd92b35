// Fonts on DejaVu Sans (fonts-dejavu-core): sizes, resolution and fallback, the missing glyph, native
// outlines against metrics, and drawn text against extents. Structure, not exact pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <thread>

#include "platform/gdi/cp1252.h"
#include "platform/gdi/fontengine.h"
#include "test_font_util.h"

using fonttest::MakeLogFont;
using fonttest::NativeOutline;
using fonttest::ParseNative;
using fonttest::ToDouble;

namespace {

const gdi::FontFace& FaceOf(const CFont& f) {
    EXPECT_TRUE(f.IsCreated());
    return *f.Face();
}

TEXTMETRIC Metrics(const CFont& f) {
    TEXTMETRIC tm{};
    gdi::FontTextMetrics(FaceOf(f), &tm);
    return tm;
}

GLYPHMETRICS GlyphMetrics(const CFont& f, UINT code) {
    GLYPHMETRICS gm{};
    EXPECT_EQ(gdi::FontGlyphOutline(FaceOf(f), code, GGO_METRICS, &gm, 0, nullptr, nullptr), 0u);
    return gm;
}

bool SameMetrics(const GLYPHMETRICS& a, const GLYPHMETRICS& b) {
    return a.gmBlackBoxX == b.gmBlackBoxX && a.gmBlackBoxY == b.gmBlackBoxY &&
           a.gmptGlyphOrigin.x == b.gmptGlyphOrigin.x && a.gmptGlyphOrigin.y == b.gmptGlyphOrigin.y &&
           a.gmCellIncX == b.gmCellIncX && a.gmCellIncY == b.gmCellIncY;
}

}  // namespace

TEST(FontText, Cp1252Table) {
    struct Case {
        unsigned char c;
        uint32_t u;
    } cases[] = {{'A', 'A'}, {0, 0}, {0x7F, 0x7F}, {0x80, 0x20AC}, {0x81, 0x81}, {0x8A, 0x0160}, {0x8D, 0x8D},
                 {0x92, 0x2019}, {0x9D, 0x9D}, {0x9F, 0x0178}, {0xA0, 0xA0}, {0xE9, 0xE9}, {0xFF, 0xFF}};
    for (const Case& c : cases) {
        EXPECT_EQ(gdi::Cp1252ToUnicode(c.c), c.u) << int(c.c);
        if (c.u) {
            EXPECT_EQ(gdi::UnicodeToCp1252(c.u), c.c) << int(c.c);
        }
    }
    EXPECT_EQ(gdi::UnicodeToCp1252(0x4E00), -1);
    EXPECT_EQ(gdi::Cp1252ToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    std::string back;
    EXPECT_TRUE(gdi::Utf8ToCp1252("caf\xC3\xA9 \xE2\x82\xAC", &back));
    EXPECT_EQ(back, "caf\xE9 \x80");
    EXPECT_FALSE(gdi::Utf8ToCp1252("\xE4\xB8\x80", &back));  // not in the code page
    EXPECT_FALSE(gdi::Utf8ToCp1252("\xC3", &back));          // cut short
}

TEST(FontSize, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        int a, b, c, r;
    } cases[] = {{240, 96, 720, 32}, {110, 96, 720, 15}, {80, 96, 720, 11}, {90, 96, 720, 12},
                 {-110, 96, 720, -15}, {5, 1, 2, 3}, {-5, 1, 2, -3}, {5, -1, 2, -3}, {1, 1, 0, -1},
                 {INT_MAX, 2, 1, -1}, {INT_MIN, 1, 1, INT_MIN}, {0, 96, 720, 0}};
    for (const Case& c : cases) EXPECT_EQ(gdi::MulDiv(c.a, c.b, c.c), c.r) << c.a << "*" << c.b << "/" << c.c;
}

TEST(FontSize, PointFontsConvertTenthsOfAPointAt96Dpi) {
    struct Case {
        int tenths;
        int pixels;
    } cases[] = {{240, 32}, {110, 15}, {80, 11}, {90, 12}, {480, 64}, {-240, 32}};
    for (const Case& c : cases) {
        CFont f;
        ASSERT_TRUE(f.CreatePointFont(c.tenths, "DejaVu Sans"));
        LOGFONT lf;
        ASSERT_EQ(f.GetLogFont(&lf), static_cast<int>(sizeof(LOGFONT)));
        EXPECT_EQ(lf.lfHeight, -c.pixels) << c.tenths;
        const TEXTMETRIC tm = Metrics(f);
        EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.pixels) << c.tenths;  // the em is the character height
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_EQ(FaceOf(f).YPixelsPerEm(), c.pixels);
    }
}

TEST(FontSize, PositiveHeightIsTheCellNegativeTheCharacter) {
    CFont cell, character;
    LOGFONT a = MakeLogFont(40, "DejaVu Sans"), b = MakeLogFont(-40, "DejaVu Sans");
    ASSERT_TRUE(cell.CreateFontIndirect(&a));
    ASSERT_TRUE(character.CreateFontIndirect(&b));
    EXPECT_EQ(Metrics(cell).tmHeight, 40);
    EXPECT_EQ(Metrics(character).tmHeight - Metrics(character).tmInternalLeading, 40);
    EXPECT_GT(Metrics(character).tmHeight, 40);
    EXPECT_LT(FaceOf(cell).YPixelsPerEm(), 40);
}

TEST(FontSize, ZeroAndExtremeHeightsAreSafe) {
    for (int h : {0, 1, -1, 5000, -5000, INT_MAX, INT_MIN}) {
        CFont f;
        LOGFONT lf = MakeLogFont(h, "DejaVu Sans");
        ASSERT_TRUE(f.CreateFontIndirect(&lf)) << h;
        const TEXTMETRIC tm = Metrics(f);
        EXPECT_GT(tm.tmHeight, 0) << h;
        EXPECT_LE(tm.tmHeight, 4 * 2048) << h;
        GLYPHMETRICS gm;
        EXPECT_NE(gdi::FontGlyphOutline(FaceOf(f), 'W', GGO_NATIVE, &gm, 0, nullptr, nullptr), GDI_ERROR) << h;
    }
    CFont zero;
    ASSERT_TRUE(zero.CreatePointFont(0, "DejaVu Sans"));
    EXPECT_EQ(Metrics(zero).tmHeight, 16);  // the default size is a 16-pixel cell
    CFont huge;
    ASSERT_TRUE(huge.CreatePointFont(INT_MIN, "DejaVu Sans"));
}

TEST(FontSize, NonZeroWidthScalesX) {
    // The menu's font: cell height 11, average width 5, a face that is not installed.
    CFont narrow, normal;
    ASSERT_TRUE(narrow.CreateFont(11, 5, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 1, 2, 1, 0x22, "SF SmallVGA"));
    ASSERT_TRUE(normal.CreateFont(11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 1, 2, 1, 0x22, "SF SmallVGA"));
    EXPECT_EQ(Metrics(narrow).tmHeight, 11);
    EXPECT_EQ(Metrics(narrow).tmAveCharWidth, 5);
    EXPECT_NE(FaceOf(narrow).XPixelsPerEm(), FaceOf(narrow).YPixelsPerEm());
    CFont wide;
    ASSERT_TRUE(wide.CreateFont(11, 12, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 1, 2, 1, 0x22, "DejaVu Sans"));
    const char* text = "Pop-up menu";
    EXPECT_LT(gdi::FontTextExtent(FaceOf(normal), text, 11).cx, gdi::FontTextExtent(FaceOf(wide), text, 11).cx);
    EXPECT_EQ(Metrics(wide).tmHeight, 11);
}

TEST(FontResolve, FacesAliasesAndTheFallback) {
    struct Case {
        const char* face;
        int weight;
        bool italic;
        const char* family;  // expected family
        bool fallback;
        const char* styleWord;  // a word the style contains
    } cases[] = {
        {"DejaVu Sans", FW_NORMAL, false, "DejaVu Sans", false, "Book"},
        {"dejavu sans", FW_NORMAL, false, "DejaVu Sans", false, "Book"},
        {"DejaVu Sans", FW_BOLD, false, "DejaVu Sans", false, "Bold"},
        {"DejaVu Sans", FW_NORMAL, true, "DejaVu Sans", false, "Oblique"},
        {"DejaVu Sans", FW_BOLD, true, "DejaVu Sans", false, "Bold Oblique"},
        {"SF SmallVGA", FW_NORMAL, false, "DejaVu Sans", true, "Book"},
        {"Wingdings", FW_NORMAL, false, "DejaVu Sans", true, "Book"},
        {"", FW_NORMAL, false, "DejaVu Sans", true, "Book"},
        {"SF SmallVGA", FW_BOLD, false, "DejaVu Sans", true, "Bold"},
    };
    for (const Case& c : cases) {
        CFont f;
        LOGFONT lf = MakeLogFont(-20, c.face, c.weight, c.italic);
        ASSERT_TRUE(f.CreateFontIndirect(&lf)) << c.face;
        const gdi::ResolvedFace& r = FaceOf(f).Resolved();
        EXPECT_EQ(r.family, c.family) << c.face;
        EXPECT_EQ(r.fallback, c.fallback) << c.face;
        EXPECT_NE(r.style.find(c.styleWord), std::string::npos) << c.face << ": " << r.style;
        EXPECT_FALSE(r.embolden || r.oblique) << c.face;
    }
}

TEST(FontResolve, MetricAliasesAreNotFallbacks) {
    CFont f;
    LOGFONT lf = MakeLogFont(-20, "Arial");
    ASSERT_TRUE(f.CreateFontIndirect(&lf));
    const gdi::ResolvedFace& r = FaceOf(f).Resolved();
    if (r.family != "Liberation Sans") GTEST_SKIP() << "fonts-liberation2 is not installed";
    EXPECT_FALSE(r.fallback);
}

TEST(FontResolve, MissingStylesAreSynthesised) {
    // DejaVu Math TeX Gyre comes in one upright, regular style only.
    CFont plain, both;
    LOGFONT a = MakeLogFont(-24, "DejaVu Math TeX Gyre"), b = MakeLogFont(-24, "DejaVu Math TeX Gyre", FW_BOLD, true);
    ASSERT_TRUE(plain.CreateFontIndirect(&a));
    ASSERT_TRUE(both.CreateFontIndirect(&b));
    const gdi::ResolvedFace& r = FaceOf(both).Resolved();
    if (r.family != "DejaVu Math TeX Gyre") GTEST_SKIP() << "DejaVu Math TeX Gyre is not installed";
    EXPECT_TRUE(r.embolden);
    EXPECT_TRUE(r.oblique);
    EXPECT_EQ(Metrics(both).tmWeight, FW_BOLD);
    EXPECT_GT(GlyphMetrics(both, 'H').gmCellIncX, GlyphMetrics(plain, 'H').gmCellIncX);
    EXPECT_GT(GlyphMetrics(both, 'H').gmBlackBoxX, GlyphMetrics(plain, 'H').gmBlackBoxX);
}

TEST(FontCache, SameBytesSameFace) {
    LOGFONT a = MakeLogFont(-30, "DejaVu Sans");
    LOGFONT b = a;
    std::memset(b.lfFaceName + 12, 'x', LF_FACESIZE - 12);  // junk after the name's terminator
    b.lfFaceName[11] = 0;
    CFont fa, fb, fc;
    ASSERT_TRUE(fa.CreateFontIndirect(&a));
    ASSERT_TRUE(fb.CreateFontIndirect(&b));
    EXPECT_EQ(fa.Face(), fb.Face());
    LOGFONT c = a;
    c.lfHeight = -31;
    ASSERT_TRUE(fc.CreateFontIndirect(&c));
    EXPECT_NE(fa.Face(), fc.Face());
    EXPECT_TRUE(fc.DeleteObject());
    EXPECT_FALSE(fc.IsCreated());
    EXPECT_FALSE(fc.DeleteObject());
    LOGFONT out;
    EXPECT_EQ(fc.GetLogFont(&out), 0);
}

// Fonts made one after another with the same LOGFONT share a face (each thread remembers the last one
// it was given). A change of any one field gives the face of the new LOGFONT, the same face another
// thread gets for it; the first LOGFONT again gives the first face again.
TEST(FontCache, EveryFieldKeysTheFace) {
    const LOGFONT base = MakeLogFont(-23, "DejaVu Sans");
    const std::vector<std::pair<const char*, std::function<void(LOGFONT&)>>> changes = {
        {"height", [](LOGFONT& lf) { lf.lfHeight = -24; }},
        {"height sign", [](LOGFONT& lf) { lf.lfHeight = 23; }},
        {"width", [](LOGFONT& lf) { lf.lfWidth = 9; }},
        {"escapement", [](LOGFONT& lf) { lf.lfEscapement = 900; }},
        {"orientation", [](LOGFONT& lf) { lf.lfOrientation = 900; }},
        {"weight", [](LOGFONT& lf) { lf.lfWeight = FW_BOLD; }},
        {"italic", [](LOGFONT& lf) { lf.lfItalic = 1; }},
        {"underline", [](LOGFONT& lf) { lf.lfUnderline = 1; }},
        {"strike-out", [](LOGFONT& lf) { lf.lfStrikeOut = 1; }},
        {"character set", [](LOGFONT& lf) { lf.lfCharSet = DEFAULT_CHARSET; }},
        {"output precision", [](LOGFONT& lf) { lf.lfOutPrecision = OUT_STROKE_PRECIS; }},
        {"clip precision", [](LOGFONT& lf) { lf.lfClipPrecision = CLIP_STROKE_PRECIS; }},
        {"quality", [](LOGFONT& lf) { lf.lfQuality = DRAFT_QUALITY; }},
        {"pitch and family", [](LOGFONT& lf) { lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS; }},
        {"face name", [](LOGFONT& lf) { std::strcpy(lf.lfFaceName, "DejaVu Serif"); }},
        {"longer face name", [](LOGFONT& lf) { std::strcpy(lf.lfFaceName, "DejaVu Sans Mono"); }},
        {"last byte of the name", [](LOGFONT& lf) { lf.lfFaceName[10] = 'S'; }},
    };
    CFont first;
    ASSERT_TRUE(first.CreateFontIndirect(&base));
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        LOGFONT lf = base;
        change(lf);
        CFont same, changed, again;
        ASSERT_TRUE(same.CreateFontIndirect(&base));
        ASSERT_TRUE(changed.CreateFontIndirect(&lf));
        EXPECT_EQ(same.Face(), first.Face());
        EXPECT_NE(changed.Face(), first.Face());
        const gdi::FontFace* inThread = nullptr;
        std::thread([&] {
            CFont f;
            if (f.CreateFontIndirect(&lf)) inThread = f.Face();
        }).join();
        EXPECT_EQ(inThread, changed.Face());
        LOGFONT out;
        ASSERT_EQ(changed.GetLogFont(&out), static_cast<int>(sizeof out));
        EXPECT_EQ(std::memcmp(&out, &lf, sizeof lf), 0);
        ASSERT_TRUE(again.CreateFontIndirect(&base));
        EXPECT_EQ(again.Face(), first.Face());
    }
    // Names of 31 bytes that differ in their last byte only.
    LOGFONT nameA = MakeLogFont(-23, "");
    std::memcpy(nameA.lfFaceName, "Thirty-one bytes of face name A", LF_FACESIZE - 1);
    LOGFONT nameB = nameA;
    nameB.lfFaceName[30] = 'B';
    CFont a, b;
    ASSERT_TRUE(a.CreateFontIndirect(&nameA));
    ASSERT_TRUE(b.CreateFontIndirect(&nameB));
    EXPECT_NE(a.Face(), b.Face());
    // The underline and strike-out flags are the font's own, in its metrics.
    LOGFONT underlined = base;
    underlined.lfUnderline = 1;
    CFont u, plain;
    ASSERT_TRUE(u.CreateFontIndirect(&underlined));
    ASSERT_TRUE(plain.CreateFontIndirect(&base));
    EXPECT_EQ(Metrics(u).tmUnderlined, 1);
    EXPECT_EQ(Metrics(plain).tmUnderlined, 0);
}

TEST(FontCache, FaceNamesKeepAtMost31Bytes) {
    LOGFONT lf = MakeLogFont(-20, "");
    std::memset(lf.lfFaceName, 'Q', LF_FACESIZE);  // no terminator at all
    CFont f;
    ASSERT_TRUE(f.CreateFontIndirect(&lf));
    LOGFONT out;
    f.GetLogFont(&out);
    EXPECT_EQ(strnlen(out.lfFaceName, LF_FACESIZE), 31u);
    EXPECT_TRUE(FaceOf(f).Resolved().fallback);
    CFont g;
    ASSERT_TRUE(g.CreatePointFont(120, "A face name that is much longer than thirty-one bytes"));
    g.GetLogFont(&out);
    EXPECT_EQ(std::string(out.lfFaceName), "A face name that is much longer");
}

TEST(FontGlyphs, UnmappedCodesGiveTheMissingGlyph) {
    CFont f;
    ASSERT_TRUE(f.CreatePointFont(240, "DejaVu Sans"));
    const gdi::FontFace& face = FaceOf(f);
    {
        auto lock = gdi::EngineLock();
        EXPECT_EQ(face.GlyphIndex(13), 0u);
        EXPECT_EQ(face.GlyphIndex(0x81), 0u);  // undefined in the code page
        EXPECT_NE(face.GlyphIndex('A'), 0u);
        EXPECT_NE(face.GlyphIndex(0x80), 0u);  // the euro sign
        EXPECT_NE(face.GlyphIndex(0xE9), 0u);
    }
    GLYPHMETRICS gmBreak, gmUndefined, gmA;
    const std::vector<BYTE> lineBreak = NativeOutline(face, 13, &gmBreak);
    const std::vector<BYTE> undefined = NativeOutline(face, 0x81, &gmUndefined);
    NativeOutline(face, 'A', &gmA);
    // The missing glyph has an outline and a real height, which line flow and the caret use.
    EXPECT_FALSE(lineBreak.empty());
    EXPECT_EQ(lineBreak, undefined);
    EXPECT_TRUE(SameMetrics(gmBreak, gmUndefined));
    EXPECT_GT(gmBreak.gmBlackBoxY, 10u);
    EXPECT_GT(gmBreak.gmCellIncX, 0);
    EXPECT_FALSE(SameMetrics(gmBreak, gmA));
    EXPECT_FALSE(ParseNative(lineBreak).empty());
}

// The arrowheads of the symbol face, which is not installed: the fallback's pointers stand in for
// 0xD7 and 0xD8 in that face only (the same codes read as Windows-1252 in every other face).
TEST(FontGlyphs, MissingSymbolFaceArrowheadsAreTheFallbacksPointers) {
    CFont symbols, plain, asked;
    ASSERT_TRUE(symbols.CreatePointFont(80, "Wingdings"));
    ASSERT_TRUE(plain.CreatePointFont(80, "DejaVu Sans"));
    ASSERT_TRUE(asked.CreatePointFont(80, "wingdings"));
    if (!FaceOf(symbols).Resolved().fallback) GTEST_SKIP() << "a Wingdings face is installed";
    EXPECT_TRUE(FaceOf(symbols).Resolved().symbolStandIns);
    EXPECT_TRUE(FaceOf(asked).Resolved().symbolStandIns);
    EXPECT_FALSE(FaceOf(plain).Resolved().symbolStandIns);
    // The pointers' own glyph indices in the fallback's file.
    const gdi::ResolvedFace& r = FaceOf(symbols).Resolved();
    FT_Library lib;
    FT_Face ft;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    ASSERT_EQ(FT_New_Face(lib, r.file.c_str(), r.index, &ft), 0);
    const FT_UInt left = FT_Get_Char_Index(ft, 0x25C4), right = FT_Get_Char_Index(ft, 0x25BA);
    const FT_UInt times = FT_Get_Char_Index(ft, 0xD7), oslash = FT_Get_Char_Index(ft, 0xD8);
    FT_Done_Face(ft);
    FT_Done_FreeType(lib);
    ASSERT_NE(left, 0u);
    ASSERT_NE(right, 0u);
    auto lock = gdi::EngineLock();
    EXPECT_EQ(FaceOf(symbols).GlyphIndex(0xD7), left);
    EXPECT_EQ(FaceOf(symbols).GlyphIndex(0xD8), right);
    EXPECT_EQ(FaceOf(plain).GlyphIndex(0xD7), times);
    EXPECT_EQ(FaceOf(plain).GlyphIndex(0xD8), oslash);
    EXPECT_EQ(FaceOf(symbols).GlyphIndex('A'), FaceOf(plain).GlyphIndex('A'));
}

// Liberation Serif's own missing glyph has no outline: the line break gets the platform's box, so it
// still has a height. Its metrics, outline and pixels are one rectangle, worked out here from the em
// and the ascent: advance em / 2, sides em / 16 thick, set in by that, from the baseline to the ascent.
TEST(FontGlyphs, AMissingGlyphWithoutOutlineIsTheBox) {
    struct Case {
        int height;  // character height in pixels (the em)
        bool hollow;
    } cases[] = {{-32, true}, {-13, true}, {-5, false}, {-2, false}, {-1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        CFont f;
        LOGFONT lf = MakeLogFont(c.height, "Liberation Serif");
        ASSERT_TRUE(f.CreateFontIndirect(&lf));
        if (FaceOf(f).Resolved().family != "Liberation Serif") GTEST_SKIP() << "fonts-liberation2 is not installed";
        const int em = -c.height;
        const int ascent = Metrics(f).tmAscent;
        const int advance = std::max(1, em / 2);
        const int stroke = std::max(1, em / 16);
        const int inset = advance > 2 * stroke ? stroke : 0;
        const int width = std::max(1, advance - 2 * inset);
        const int height = std::max(1, ascent);

        GLYPHMETRICS gm;
        const std::vector<BYTE> native = NativeOutline(FaceOf(f), 13, &gm);
        EXPECT_EQ(gm.gmCellIncX, advance);
        EXPECT_EQ(gm.gmptGlyphOrigin.x, inset);
        EXPECT_EQ(gm.gmptGlyphOrigin.y, height);
        EXPECT_EQ(gm.gmBlackBoxX, UINT(width));
        EXPECT_EQ(gm.gmBlackBoxY, UINT(height));
        EXPECT_TRUE(SameMetrics(gm, GlyphMetrics(f, 0x81)));  // every unmapped code

        // Outer rectangle, and the hole when it is hollow: straight lines on the black box's edges.
        const auto contours = ParseNative(native);
        ASSERT_EQ(contours.size(), c.hollow ? 2u : 1u);
        double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
        for (const auto& k : contours[0].records) {
            EXPECT_EQ(k.type, TT_PRIM_LINE);
            for (const POINTFX& p : k.points) {
                minX = std::min(minX, ToDouble(p.x));
                maxX = std::max(maxX, ToDouble(p.x));
                minY = std::min(minY, ToDouble(p.y));
                maxY = std::max(maxY, ToDouble(p.y));
            }
        }
        EXPECT_EQ(minX, inset);
        EXPECT_EQ(maxX, inset + width);
        EXPECT_EQ(minY, 0);
        EXPECT_EQ(maxY, height);

        // Drawn: the rectangle's ring (or all of it), with the cell's top at y 0 and the pen at x 0.
        gdi::Surface s;
        ASSERT_TRUE(s.Create(advance + 4, Metrics(f).tmHeight + 4));
        gdi::FontDrawText(FaceOf(f), s, RECT{0, 0, s.Width(), s.Height()}, 0, 0, "\r", 1, RGB(0, 0, 255));
        const int top = ascent - height;
        for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < s.Width(); ++x) {
                const int bx = x - inset, by = y - top;
                const bool inBox = bx >= 0 && bx < width && by >= 0 && by < height;
                const bool inHole = c.hollow && bx >= stroke && bx < width - stroke && by >= stroke && by < height - stroke;
                EXPECT_EQ(s.Row(y)[x] != 0, inBox && !inHole) << x << "," << y;
            }
        }
    }
    // A font whose missing glyph has an outline keeps its own (DejaVu Sans: not the box's advance).
    CFont dejavu;
    ASSERT_TRUE(dejavu.CreatePointFont(240, "DejaVu Sans"));
    EXPECT_NE(GlyphMetrics(dejavu, 13).gmCellIncX, 16);
}

TEST(FontGlyphs, SpaceHasMetricsButNoOutline) {
    CFont f;
    ASSERT_TRUE(f.CreatePointFont(240, "DejaVu Sans"));
    GLYPHMETRICS gm;
    EXPECT_EQ(gdi::FontGlyphOutline(FaceOf(f), ' ', GGO_NATIVE, &gm, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(gm.gmBlackBoxX, 1u);
    EXPECT_EQ(gm.gmBlackBoxY, 1u);
    EXPECT_GT(gm.gmCellIncX, 5);
    EXPECT_EQ(gm.gmCellIncY, 0);
}

TEST(FontGlyphs, OutlineQueryContract) {
    CFont f;
    ASSERT_TRUE(f.CreatePointFont(480, "DejaVu Sans"));
    const gdi::FontFace& face = FaceOf(f);
    GLYPHMETRICS gm;
    const DWORD size = gdi::FontGlyphOutline(face, 'A', GGO_NATIVE, &gm, 0, nullptr, nullptr);
    ASSERT_NE(size, GDI_ERROR);
    ASSERT_GT(size, 16u);
    std::vector<BYTE> buf(size + 8, 0xEE);
    EXPECT_EQ(gdi::FontGlyphOutline(face, 'A', GGO_NATIVE, &gm, size - 1, buf.data(), nullptr), GDI_ERROR);
    EXPECT_EQ(gdi::FontGlyphOutline(face, 'A', GGO_NATIVE, &gm, size + 8, buf.data(), nullptr), size);
    EXPECT_EQ(buf[size], 0xEE);  // nothing past the outline
    EXPECT_EQ(gdi::FontGlyphOutline(face, 'A', GGO_METRICS, &gm, size, buf.data(), nullptr), 0u);

    MAT2 identity{}, scale{};
    identity.eM11.value = identity.eM22.value = 1;
    scale.eM11.value = 2;
    scale.eM22.value = 1;
    EXPECT_EQ(gdi::FontGlyphOutline(face, 'A', GGO_NATIVE, &gm, 0, nullptr, &identity), size);
    EXPECT_EQ(gdi::FontGlyphOutline(face, 'A', GGO_NATIVE, &gm, 0, nullptr, &scale), GDI_ERROR);
    EXPECT_EQ(gdi::FontGlyphOutline(face, 'A', 1 /* GGO_BITMAP */, &gm, 0, nullptr, nullptr), GDI_ERROR);
    // A sign-extended char is not a code: no metrics (and the record is cleared, not left undefined).
    gm.gmBlackBoxX = 77;
    EXPECT_EQ(gdi::FontGlyphOutline(face, 0xFFFFFFC8u, GGO_METRICS, &gm, 0, nullptr, nullptr), GDI_ERROR);
    EXPECT_EQ(gm.gmBlackBoxX, 0u);
    EXPECT_NE(gdi::FontGlyphOutline(face, 0xC8, GGO_METRICS, &gm, 0, nullptr, nullptr), GDI_ERROR);
}

TEST(FontGlyphs, NativeOutlineStructureAndMetricsAgree) {
    CFont f;
    ASSERT_TRUE(f.CreatePointFont(480, "DejaVu Sans"));
    const gdi::FontFace& face = FaceOf(f);
    struct Case {
        char c;
        size_t contours;
    } cases[] = {{'o', 2}, {'H', 1}, {'g', 2}, {'i', 2}, {'B', 3}, {'l', 1}, {'\xE9', 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.c));
        GLYPHMETRICS gm;
        auto contours = ParseNative(NativeOutline(face, static_cast<unsigned char>(c.c), &gm));
        EXPECT_EQ(contours.size(), c.contours);
        // Every point of the hinted outline lies in the black box widened by a pixel (control points of
        // this font stay inside the glyph's hull).
        const double left = gm.gmptGlyphOrigin.x - 1.0, right = gm.gmptGlyphOrigin.x + gm.gmBlackBoxX + 1.0;
        const double top = gm.gmptGlyphOrigin.y + 1.0, bottom = gm.gmptGlyphOrigin.y - double(gm.gmBlackBoxY) - 1.0;
        bool sawSpline = false;
        for (const auto& k : contours) {
            ASSERT_FALSE(k.records.empty());
            for (const auto& r : k.records) {
                EXPECT_TRUE(r.type == TT_PRIM_LINE || r.type == TT_PRIM_QSPLINE);
                sawSpline |= r.type == TT_PRIM_QSPLINE;
                EXPECT_GE(r.points.size(), r.type == TT_PRIM_QSPLINE ? 2u : 1u);
                for (const POINTFX& p : r.points) {
                    EXPECT_GE(ToDouble(p.x), left);
                    EXPECT_LE(ToDouble(p.x), right);
                    EXPECT_LE(ToDouble(p.y), top);
                    EXPECT_GE(ToDouble(p.y), bottom);
                }
            }
        }
        if (c.c == 'o' || c.c == 'g') {
            EXPECT_TRUE(sawSpline);
        }
    }
    // Capitals stand above the baseline; descenders go below it.
    EXPECT_GT(GlyphMetrics(f, 'H').gmptGlyphOrigin.y, 30);
    EXPECT_GE(GlyphMetrics(f, 'H').gmptGlyphOrigin.y - LONG(GlyphMetrics(f, 'H').gmBlackBoxY), -1);
    EXPECT_LT(GlyphMetrics(f, 'g').gmptGlyphOrigin.y - LONG(GlyphMetrics(f, 'g').gmBlackBoxY), -5);
}

TEST(FontGlyphs, CubicOutlinesGiveCubicRecords) {
    CFont f;
    LOGFONT lf = MakeLogFont(-40, "Nimbus Sans");
    ASSERT_TRUE(f.CreateFontIndirect(&lf));
    const std::string& file = FaceOf(f).Resolved().file;
    if (file.size() < 4 || file.compare(file.size() - 4, 4, ".otf") != 0) {
        GTEST_SKIP() << "no OpenType (CFF) Nimbus Sans installed";
    }
    auto contours = ParseNative(NativeOutline(FaceOf(f), 'o'));
    ASSERT_EQ(contours.size(), 2u);
    int cubic = 0;
    for (const auto& c : contours) {
        for (const auto& r : c.records) {
            EXPECT_NE(r.type, TT_PRIM_QSPLINE);
            if (r.type == TT_PRIM_CSPLINE) {
                ++cubic;
                EXPECT_EQ(r.points.size() % 3, 0u);
            }
        }
    }
    EXPECT_GT(cubic, 0);
}

TEST(FontDraw, ExtentEnclosesTheDrawnPixels) {
    struct Case {
        const char* face;
        int tenths;
        int weight;
        bool italic;
    } cases[] = {{"DejaVu Sans", 240, FW_NORMAL, false}, {"DejaVu Sans", 110, FW_BOLD, false},
                 {"DejaVu Serif", 360, FW_NORMAL, true}, {"SF SmallVGA", 80, FW_NORMAL, false}};
    const char text[] = "Quill, gyp! \x80\xE9 13\r";
    const int n = static_cast<int>(sizeof text - 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        CFont f;
        LOGFONT lf = MakeLogFont(c.tenths, c.face, c.weight, c.italic);
        ASSERT_TRUE(f.CreatePointFontIndirect(&lf));
        const SIZE ext = gdi::FontTextExtent(FaceOf(f), text, n);
        EXPECT_EQ(ext.cy, Metrics(f).tmHeight);
        gdi::Surface s;
        ASSERT_TRUE(s.Create(ext.cx + 40, ext.cy + 40));
        const RECT all{0, 0, s.Width(), s.Height()};
        gdi::FontDrawText(FaceOf(f), s, all, 20, 20, text, n, RGB(255, 0, 0));
        int drawn = 0;
        int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
        for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < s.Width(); ++x) {
                const uint32_t p = s.Row(y)[x];
                if (!p) continue;
                EXPECT_EQ(p, gdi::ColorToPixel(RGB(255, 0, 0)));
                ++drawn;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
        EXPECT_GT(drawn, 50);
        // Italic letters may lean a little past their advance: allow a pixel or two at the right.
        const int slack = c.italic ? 3 : 0;
        EXPECT_GE(minX, 20);
        EXPECT_LT(maxX, 20 + ext.cx + slack);
        EXPECT_GE(minY, 20);
        EXPECT_LT(maxY, 20 + ext.cy);
    }
}

TEST(FontDraw, ClipAndSurfaceEdges) {
    CFont f;
    ASSERT_TRUE(f.CreatePointFont(240, "DejaVu Sans"));
    const char* text = "MMMM";
    gdi::Surface s;
    ASSERT_TRUE(s.Create(60, 40));
    const RECT clip{10, 5, 30, 25};
    gdi::FontDrawText(FaceOf(f), s, clip, -5, -8, text, 4, RGB(0, 0, 255));
    int inside = 0;
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            const bool in = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
            if (!in) {
                EXPECT_EQ(s.Row(y)[x], 0u) << x << "," << y;
            }
            inside += in && s.Row(y)[x] != 0;
        }
    }
    EXPECT_GT(inside, 0);
    // Far off the surface, a clip larger than the surface, a NULL text: nothing happens, nothing breaks.
    const RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    gdi::FontDrawText(FaceOf(f), s, huge, INT_MAX - 10, INT_MIN + 10, text, 4, 0xFFFFFF);
    gdi::FontDrawText(FaceOf(f), s, huge, 0, 0, nullptr, 4, 0xFFFFFF);
    gdi::Surface empty;
    gdi::FontDrawText(FaceOf(f), empty, huge, 0, 0, text, 4, 0xFFFFFF);
    EXPECT_EQ(gdi::FontTextExtent(FaceOf(f), text, 0).cx, 0);
    EXPECT_EQ(gdi::FontTextExtent(FaceOf(f), nullptr, 3).cx, 0);
}

// Text moved across every edge of a clip, a pixel at a time: inside the clip, the pixels are those of
// the same text drawn whole elsewhere; outside, nothing.
TEST(FontDraw, ClippedTextIsAWindowOnTheWholeText) {
    CFont f;
    ASSERT_TRUE(f.CreatePointFont(120, "DejaVu Sans"));
    const char* text = "Wg|";
    const SIZE ext = gdi::FontTextExtent(FaceOf(f), text, 3);
    constexpr int kMargin = 10;
    gdi::Surface whole;
    ASSERT_TRUE(whole.Create(ext.cx + 2 * kMargin, ext.cy + 2 * kMargin));
    gdi::FontDrawText(FaceOf(f), whole, RECT{0, 0, whole.Width(), whole.Height()}, kMargin, kMargin, text, 3,
                      RGB(0, 0, 255));
    auto wholeAt = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < whole.Width() && y < whole.Height() ? whole.Row(y)[x] : 0u;
    };
    gdi::Surface s;
    ASSERT_TRUE(s.Create(30, 26));
    const RECT clip{4, 3, 26, 22};
    int mismatches = 0;
    for (int dy = -ext.cy - 2; dy <= s.Height() + 2; ++dy) {
        for (int dx = -ext.cx - 2; dx <= s.Width() + 2; ++dx) {
            std::fill(s.Bits(), s.Bits() + s.Width() * s.Height(), 0u);
            gdi::FontDrawText(FaceOf(f), s, clip, dx, dy, text, 3, RGB(0, 0, 255));
            for (int y = 0; y < s.Height(); ++y) {
                for (int x = 0; x < s.Width(); ++x) {
                    const bool in = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                    const uint32_t expected = in ? wholeAt(x - dx + kMargin, y - dy + kMargin) : 0u;
                    if (s.Row(y)[x] != expected && ++mismatches <= 5)
                        ADD_FAILURE() << "text at " << dx << "," << dy << ": pixel " << x << "," << y;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Threads drawing with a face none has drawn with before build its glyphs at the same time; each
// draws the same pixels.
TEST(FontDraw, ThreadsDrawingANewFaceAgree) {
    LOGFONT lf = MakeLogFont(-37, "DejaVu Serif", FW_BOLD, true);
    std::string text;
    for (int c = 32; c < 256; ++c) text += static_cast<char>(c);
    const int n = static_cast<int>(text.size());
    constexpr int kThreads = 4;
    std::vector<gdi::Surface> surfaces(kThreads);
    std::vector<std::thread> threads;
    for (gdi::Surface& s : surfaces) {
        threads.emplace_back([&lf, &text, n, &s] {
            CFont f;
            if (!f.CreateFontIndirect(&lf) || !s.Create(64 * 40, 60)) return;
            gdi::FontDrawText(*f.Face(), s, RECT{0, 0, s.Width(), s.Height()}, 0, 0, text.data(), n, 0xFFFFFF);
        });
    }
    for (std::thread& t : threads) t.join();
    const size_t bytes = surfaces[0].BytesPerLine() * 60;
    ASSERT_FALSE(surfaces[0].IsEmpty());
    EXPECT_GT(std::count(surfaces[0].Bits(), surfaces[0].Bits() + bytes / 4, 0x00FFFFFFu), 1000);
    for (int i = 1; i < kThreads; ++i) {
        ASSERT_FALSE(surfaces[i].IsEmpty());
        EXPECT_EQ(std::memcmp(surfaces[0].Bits(), surfaces[i].Bits(), bytes), 0) << "thread " << i;
    }
}

TEST(FontDefault, DefaultFontIsDejaVuWithASixteenPixelCell) {
    CFont* f = gdi::DefaultFont();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->IsCreated());
    EXPECT_EQ(Metrics(*f).tmHeight, 16);
    EXPECT_EQ(FaceOf(*f).Resolved().family, gdi::kFallbackFaceName);
    EXPECT_EQ(gdi::DefaultFont(), f);
}

// The LOGFONT cache stays within its bound of faces and bytes while new sizes keep coming (a sprayer
// stepping through sizes and faces): the least recently asked faces nobody holds go first. A face a
// font still holds stays cached (asking for it again gives the same face), and so does one asked for
// now and then; the faces asked once long ago are gone.
TEST(FontCache, NewSizesStayWithinTheBoundOldestUnheldFirst) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    auto Build = [&](const gdi::FontFace& face) {
        for (char c : letters) face.Glyph(static_cast<BYTE>(c));
    };
    const LOGFONT heldLf = MakeLogFont(-61, "DejaVu Serif");
    const LOGFONT warmLf = MakeLogFont(-62, "DejaVu Serif");
    std::shared_ptr<const gdi::FontFace> held = gdi::AcquireFace(heldLf);
    ASSERT_TRUE(held);
    Build(*held);
    std::weak_ptr<const gdi::FontFace> warm = gdi::AcquireFace(warmLf);
    std::weak_ptr<const gdi::FontFace> firstCold;
    size_t nLastBytes = 0;
    for (int i = 0; i < 2 * static_cast<int>(gdi::kFaceCacheFaces); i++) {
        std::shared_ptr<const gdi::FontFace> f = gdi::AcquireFace(MakeLogFont(-100 - 2 * i, "DejaVu Sans"));
        ASSERT_TRUE(f);
        if (i == 0) firstCold = f;
        if (i < 192) Build(*f);  // big glyphs: together far more than the byte bound
        nLastBytes = f->Bytes();
        if (i % 16 == 0) ASSERT_TRUE(gdi::AcquireFace(warmLf));
        const gdi::FaceCacheStats stats = gdi::GetFaceCacheStats();
        ASSERT_LE(stats.nFaces, gdi::kFaceCacheFaces) << i;
        // Glyphs are built after a face is made: the newest face's may come on top of the bound.
        ASSERT_LE(stats.nBytes, gdi::kFaceCacheBytes + held->Bytes() + nLastBytes) << i;
    }
    EXPECT_TRUE(firstCold.expired());
    EXPECT_FALSE(warm.expired());
    EXPECT_EQ(gdi::AcquireFace(heldLf), held);
    // A font made with the held LOGFONT draws with the same face.
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&heldLf));
    EXPECT_EQ(font.Face(), held.get());
}
