// Text records as office programs write them: turned fonts and world transforms, advances, glyph
// indices, UTF-16 and the code pages of fonts' character sets, ETO_OPAQUE and ETO_CLIPPED rectangles,
// justification and character extra. Where the ink lies, not exact pixels; the text's own letters
// are checked against the same letters drawn another way.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "mfplay.h"
#include "platform/gdi/font.h"

using namespace mfplay;

namespace {

constexpr int kSize = 120;  // the pictures: 120 x 120 pixels, logical units are pixels
constexpr uint32_t kGmCompatible = 1, kGmAdvanced = 2;
constexpr uint32_t kOpaque = 0x0002, kClipped = 0x0004, kGlyphIndex = 0x0010, kPdy = 0x2000;
constexpr uint32_t EMR_SETTEXTJUSTIFICATION = 120;
constexpr uint16_t META_SETTEXTCHAREXTRA = 0x0108, META_SETTEXTJUSTIFICATION = 0x020A;
constexpr uint32_t kBaselineLeft = 24;  // TA_BASELINE | TA_LEFT

// EXTCREATEFONTINDIRECTW of a face at a pixel height with escapement, orientation and character set.
Fields EmfFontEx(uint32_t slot, int height, const std::string& face, int escapement = 0, int orientation = 0,
                 BYTE charset = 0, BYTE underline = 0, BYTE strikeOut = 0) {
    Fields f;
    f.U32(slot).I32(height).I32(0).I32(escapement).I32(orientation).I32(400);
    for (BYTE b : {BYTE{0}, underline, strikeOut, charset, BYTE{0}, BYTE{0}, BYTE{0}, BYTE{0}}) f.b.push_back(b);
    for (size_t i = 0; i < 32; ++i) f.U16(i < face.size() ? static_cast<BYTE>(face[i]) : 0);
    return f;
}

// EXTTEXTOUTW of UTF-16 units (or glyph indices) with options, a rectangle, advances (two a unit with
// ETO_PDY) and a graphics mode.
Fields EmfTextW(int x, int y, const std::u16string& units, uint32_t options = 0, RECT rect = {0, 0, 0, 0},
                const std::vector<int>& dx = {}, uint32_t graphicsMode = kGmCompatible) {
    const uint32_t n = static_cast<uint32_t>(units.size());
    const uint32_t offDx = dx.empty() ? 0 : 76 + ((2 * n + 3) & ~3u);
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).U32(graphicsMode).F32(1).F32(1);
    f.I32(x).I32(y).U32(n).U32(76).U32(options);
    f.I32(rect.left).I32(rect.top).I32(rect.right).I32(rect.bottom).U32(offDx);
    for (char16_t u : units) f.U16(u);
    while (f.b.size() + 8 < offDx) f.b.push_back(0);
    for (int d : dx) f.I32(d);
    return f;
}

// CREATEFONTINDIRECT with escapement and character set.
Fields WmfFontEx(int height, const std::string& face, int escapement, BYTE charset) {
    Fields f;
    f.I16(height).I16(0).I16(escapement).I16(escapement).I16(400);
    for (BYTE b : {BYTE{0}, BYTE{0}, BYTE{0}, charset, BYTE{0}, BYTE{0}, BYTE{0}, BYTE{0}}) f.b.push_back(b);
    f.Raw(face);
    f.b.push_back(0);
    return f;
}

// EXTTEXTOUT of bytes with options, a rectangle and advances.
Fields WmfExtText(int x, int y, const std::string& bytes, uint32_t options = 0, RECT rect = {0, 0, 0, 0},
                  const std::vector<int>& dx = {}) {
    Fields f;
    f.I16(y).I16(x).I16(static_cast<int>(bytes.size())).U16(options);
    if (options & (kOpaque | kClipped)) f.I16(rect.left).I16(rect.top).I16(rect.right).I16(rect.bottom);
    f.Raw(bytes);
    if (bytes.size() % 2) f.b.push_back(0);
    for (int d : dx) f.I16(d);
    return f;
}

// TEXTOUT of bytes.
Fields WmfTextOut(int x, int y, const std::string& bytes) {
    Fields f;
    f.I16(static_cast<int>(bytes.size())).Raw(bytes);
    if (bytes.size() % 2) f.b.push_back(0);
    f.I16(y).I16(x);
    return f;
}

// A 120 x 120 EMF on white with black text in the font of slot 1, transparent, aligned on the baseline.
Played PlayEmfText(const std::function<void(Emf&)>& records) {
    Emf e(3175, 3175);
    e.Dwords(EMR_SETBKMODE, {1}).Dwords(EMR_SETTEXTALIGN, {kBaselineLeft}).Dwords(EMR_SETTEXTCOLOR, {0});
    records(e);
    return Play(e.Finish(), kWhite);
}

// The same as a placeable WMF; the font the records make takes slot 0.
Played PlayWmfText(const std::function<void(Wmf&)>& records) {
    Wmf w(8);
    w.Record(META_SETBKMODE, {1}).Record(META_SETTEXTALIGN, {static_cast<int>(kBaselineLeft)});
    w.Record(META_SETTEXTCOLOR, {0, 0});
    records(w);
    return Play(w.FinishPlaceable(96, 0, 0, kSize, kSize), kWhite);
}

// Where the ink (every pixel not white) lies.
struct Ink {
    int n = 0;
    int left = kSize, top = kSize, right = -1, bottom = -1;  // inclusive
    double cx = 0, cy = 0;                                   // its centre of mass
};
Ink InkOf(const Played& p, int x0 = 0, int y0 = 0, int x1 = kSize, int y1 = kSize) {
    Ink k;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            if (p.At(x, y) == kWhite) continue;
            ++k.n;
            k.left = std::min(k.left, x);
            k.right = std::max(k.right, x);
            k.top = std::min(k.top, y);
            k.bottom = std::max(k.bottom, y);
            k.cx += x;
            k.cy += y;
        }
    if (k.n) {
        k.cx /= k.n;
        k.cy /= k.n;
    }
    return k;
}

bool SamePixels(const Played& a, const Played& b) {
    if (!a.rgb || !b.rgb || a.w != b.w || a.h != b.h) return false;
    return std::equal(a.rgb.get(), a.rgb.get() + size_t{a.w} * a.h * 3, b.rgb.get());
}

// The ink of a run of text must reach from the reference point along the direction at `degrees`
// (counter-clockwise as the picture shows it): its centre lies that way, and it is longer along that
// direction than across it.
void ExpectAlong(const Ink& ink, double x, double y, double degrees, const std::string& what) {
    ASSERT_GT(ink.n, 20) << what;
    const double a = degrees * M_PI / 180, ux = std::cos(a), uy = -std::sin(a);
    const double along = (ink.cx - x) * ux + (ink.cy - y) * uy, across = -(ink.cx - x) * uy + (ink.cy - y) * ux;
    EXPECT_GT(along, 15) << what;
    EXPECT_LT(std::fabs(across), along / 2) << what;
}

}  // namespace

TEST(MetafileText, EscapementTurnsTheBaseline) {
    // "HHHHH" from the picture's centre: at 0 it runs right, at 90 degrees up, at 270 down, at 45 up and
    // to the right; in an EMF of either graphics mode and in a WMF.
    for (int esc : {0, 450, 900, 2700, -900, 3600 + 1800}) {
        for (uint32_t mode : {kGmCompatible, kGmAdvanced}) {
            const Played p = PlayEmfText([&](Emf& e) {
                e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -16, "DejaVu Sans", esc, esc)).Dwords(EMR_SELECTOBJECT, {1});
                e.Record(EMR_EXTTEXTOUTW, EmfTextW(60, 60, u"HHHHH", 0, {0, 0, 0, 0}, {}, mode));
            });
            ExpectAlong(InkOf(p), 60, 60, esc / 10.0, "EMF escapement " + std::to_string(esc) + " mode " + std::to_string(mode));
        }
        const Played w = PlayWmfText([&](Wmf& m) {
            m.Record(META_CREATEFONTINDIRECT, WmfFontEx(-16, "DejaVu Sans", esc, 0)).Record(META_SELECTOBJECT, {0});
            m.Record(META_EXTTEXTOUT, WmfExtText(60, 60, "HHHHH"));
        });
        ExpectAlong(InkOf(w), 60, 60, esc / 10.0, "WMF escapement " + std::to_string(esc));
    }
}

TEST(MetafileText, TurnedGlyphsStandAcrossTheirBaseline) {
    // One tall letter: turned by 90 degrees it lies on its side, wider than tall.
    const Played upright = PlayEmfText([](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -40, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(40, 80, u"l"));
    });
    const Played turned = PlayEmfText([](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -40, "DejaVu Sans", 900, 900)).Dwords(EMR_SELECTOBJECT, {1});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(80, 80, u"l"));
    });
    const Ink a = InkOf(upright), b = InkOf(turned);
    EXPECT_GT(a.bottom - a.top, 3 * (a.right - a.left));
    EXPECT_GT(b.right - b.left, 3 * (b.bottom - b.top));
    // Counter-clockwise: the letter's top points left, away from the reference point's right.
    EXPECT_LT(b.right, 80);
    // In the advanced mode the glyphs take the orientation, the baseline the escapement: an upright
    // letter on a baseline that runs up.
    const Played mixed = PlayEmfText([](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -20, "DejaVu Sans", 900, 0)).Dwords(EMR_SELECTOBJECT, {1});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(60, 110, u"llll", 0, {0, 0, 0, 0}, {}, kGmAdvanced));
    });
    const Ink m = InkOf(mixed);
    EXPECT_GT(m.bottom - m.top, 30);  // the run goes up
    EXPECT_LT(m.right - m.left, 10);  // each letter stands upright, one above the other
}

TEST(MetafileText, WorldTransformTurnsAndScalesAdvancedText) {
    struct World {
        double m11, m12, m21, m22, dx, dy;
    };
    struct Row {
        const char* name;
        World world;
        uint32_t mode;
        double degrees;  // where the run goes
        double widthScale;
    };
    // x' = x m11 + y m21 + dx, y' = x m12 + y m22 + dy; the reference point is the world's origin.
    const Row rows[] = {
        {"a quarter turn, advanced: the run goes up", {0, -1, 1, 0, 60, 60}, kGmAdvanced, 90, 1},
        {"half a turn, advanced: the run goes left", {-1, 0, 0, -1, 60, 60}, kGmAdvanced, 180, 1},
        {"an eighth of a turn, advanced", {M_SQRT1_2, -M_SQRT1_2, M_SQRT1_2, M_SQRT1_2, 30, 90}, kGmAdvanced, 45, 1},
        {"scaled twice, advanced: twice as long", {2, 0, 0, 2, 10, 60}, kGmAdvanced, 0, 2},
        {"a quarter turn, compatible: level, only moved", {0, -1, 1, 0, 60, 60}, kGmCompatible, 0, 1},
    };
    const Ink plain = InkOf(PlayEmfText([](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -12, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(10, 60, u"HHHH"));
    }));
    for (const Row& r : rows) {
        const Played p = PlayEmfText([&](Emf& e) {
            Fields xf;
            xf.F32(static_cast<float>(r.world.m11)).F32(static_cast<float>(r.world.m12)).F32(static_cast<float>(r.world.m21));
            xf.F32(static_cast<float>(r.world.m22)).F32(static_cast<float>(r.world.dx)).F32(static_cast<float>(r.world.dy));
            e.Record(EMR_SETWORLDTRANSFORM, xf);
            e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -12, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
            e.Record(EMR_EXTTEXTOUTW, EmfTextW(0, 0, u"HHHH", 0, {0, 0, 0, 0}, {}, r.mode));
        });
        const Ink ink = InkOf(p);
        ExpectAlong(ink, r.world.dx, r.world.dy, r.degrees, r.name);
        if (r.widthScale != 1) {
            EXPECT_NEAR(ink.right - ink.left, r.widthScale * (plain.right - plain.left), 4) << r.name;
        }
    }
}

TEST(MetafileText, AdvancesPlaceEachCharacter) {
    // "II" whose first advance is 40: the second I stands 40 pixels on, with nothing between; with
    // ETO_PDY a second value of 15 lifts it 15 pixels.
    struct Row {
        const char* name;
        bool emf;
        uint32_t options;
        std::vector<int> dx;
        int lift;
    };
    const Row rows[] = {
        {"EMF advances", true, 0, {40, 8}, 0},
        {"EMF advances with ETO_PDY", true, kPdy, {40, 15, 8, 0}, 15},
        {"WMF advances", false, 0, {40, 8}, 0},
    };
    for (const Row& r : rows) {
        const Played p = r.emf ? PlayEmfText([&](Emf& e) {
            e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -20, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
            e.Record(EMR_EXTTEXTOUTW, EmfTextW(20, 60, u"II", r.options, {0, 0, 0, 0}, r.dx));
        }) : PlayWmfText([&](Wmf& w) {
            w.Record(META_CREATEFONTINDIRECT, WmfFont(-20, "DejaVu Sans")).Record(META_SELECTOBJECT, {0});
            w.Record(META_EXTTEXTOUT, WmfExtText(20, 60, "II", r.options, {0, 0, 0, 0}, r.dx));
        });
        const Ink first = InkOf(p, 0, 0, 40, kSize), second = InkOf(p, 40, 0, kSize, kSize);
        ASSERT_GT(first.n, 10) << r.name;
        ASSERT_GT(second.n, 10) << r.name;
        EXPECT_EQ(second.left - first.left, 40) << r.name;
        EXPECT_EQ(first.top - second.top, r.lift) << r.name;
        EXPECT_EQ(InkOf(p, first.right + 1, 0, second.left, kSize).n, 0) << r.name;
    }
}

TEST(MetafileText, GlyphIndicesDrawTheFontsGlyphs) {
    // The glyph index of H in the face drawn with ETO_GLYPH_INDEX is the letter H, not the character
    // whose code is that number.
    LOGFONT lf{};
    lf.lfHeight = -24;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    const UINT index = gdi::FontGlyphIndex(*font.Face(), 'H');
    ASSERT_NE(index, 0u);
    ASSERT_NE(index, static_cast<UINT>('H'));
    auto play = [](const std::u16string& s, uint32_t options) {
        return PlayEmfText([&](Emf& e) {
            e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -24, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
            e.Record(EMR_EXTTEXTOUTW, EmfTextW(20, 60, s, options));
        });
    };
    const Played byIndex = play(std::u16string(1, static_cast<char16_t>(index)), kGlyphIndex);
    EXPECT_TRUE(SamePixels(byIndex, play(u"H", 0)));
    EXPECT_FALSE(SamePixels(byIndex, play(std::u16string(1, static_cast<char16_t>(index)), 0)));
    // SMALLTEXTOUT carries glyph indices the same way.
    const Played small = PlayEmfText([&](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -24, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        Fields f;
        f.I32(20).I32(60).U32(1).U32(0x0100 | kGlyphIndex).U32(kGmCompatible).F32(1).F32(1).U16(index);
        e.Record(EMR_SMALLTEXTOUT, f);
    });
    EXPECT_TRUE(SamePixels(small, byIndex));
}

TEST(MetafileText, UnicodeAndCodePagesGiveTheirLetters) {
    // Each row's bytes in a WMF whose font has the character set must draw what the EMF's UTF-16 of the
    // same letter draws, and not what the bytes are in Windows-1252.
    struct Row {
        const char* name;
        BYTE charset;
        std::string bytes;
        std::u16string letters;
    };
    const Row rows[] = {
        {"Greek", 161, "\xD9\xEB\xE1", u"\u03A9\u03BB\u03B1"},
        {"Cyrillic", 204, "\xC6\xE8\xE7", u"\u0416\u0438\u0437"},
        {"Central European", 238, "\xA3\xF3\xB9", u"\u0141\u00F3\u0105"},
        {"Turkish", 162, "\xDE\xF0", u"\u015E\u011F"},
        {"Baltic", 186, "\xC0\xE8", u"\u0104\u010D"},
        {"Hebrew", 177, "\xE0\xE1", u"\u05D0\u05D1"},
        {"Arabic", 178, "\xC7\xC8", u"\u0627\u0628"},
        {"Vietnamese", 163, "\xD5", u"\u01A0"},
        {"Thai (no face has it: the missing glyph)", 222, "\xA1", u"\u0E01"},
        {"Japanese", 128, "\x83\xB6\x84\x47", u"\u03A9\u0416"},
        {"Simplified Chinese", 134, "\xA6\xB8\xA7\xA8", u"\u03A9\u0416"},
        {"Korean", 129, "\xA5\xD8\xAC\xA8", u"\u03A9\u0416"},
        {"Traditional Chinese", 136, "\xA3\x5B\xA3\x66", u"\u03A9\u03BB"},
    };
    for (const Row& r : rows) {
        auto wmf = [&](BYTE charset) {
            return PlayWmfText([&](Wmf& w) {
                w.Record(META_CREATEFONTINDIRECT, WmfFontEx(-24, "DejaVu Sans", 0, charset)).Record(META_SELECTOBJECT, {0});
                w.Record(META_EXTTEXTOUT, WmfExtText(10, 60, r.bytes));
            });
        };
        const Played fromBytes = wmf(r.charset);
        const Played fromUtf16 = PlayEmfText([&](Emf& e) {
            e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -24, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
            e.Record(EMR_EXTTEXTOUTW, EmfTextW(10, 60, r.letters));
        });
        EXPECT_GT(InkOf(fromUtf16).n, 20) << r.name;
        EXPECT_TRUE(SamePixels(fromBytes, fromUtf16)) << r.name;
        EXPECT_FALSE(SamePixels(fromBytes, wmf(0))) << r.name;
    }
    // UTF-16 past Windows-1252 draws its letters, not question marks; a surrogate pair is one letter,
    // the glyph of its code point.
    auto emf = [](const std::u16string& s, uint32_t options = 0) {
        return PlayEmfText([&](Emf& e) {
            e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -24, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
            e.Record(EMR_EXTTEXTOUTW, EmfTextW(10, 60, s, options));
        });
    };
    EXPECT_FALSE(SamePixels(emf(u"\u0416\u03A9"), emf(u"??")));
    LOGFONT lf{};
    lf.lfHeight = -24;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    const UINT gothic = gdi::FontGlyphIndex(*font.Face(), 0x10330);
    EXPECT_TRUE(SamePixels(emf(u"\U00010330"), emf(std::u16string(1, static_cast<char16_t>(gothic)), kGlyphIndex)));
    // 8-bit EMF text reads in the font's code page too.
    const Played ansi = PlayEmfText([](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -24, "DejaVu Sans", 0, 0, 204)).Dwords(EMR_SELECTOBJECT, {1});
        Fields f = EmfTextW(10, 60, u"");
        f.b[44 - 8] = 2;  // two characters, as bytes at the string's offset
        f.Raw(std::string("\xC6\xE8"));
        e.Record(83, f);
    });
    EXPECT_TRUE(SamePixels(ansi, emf(u"\u0416\u0438")));
}

TEST(MetafileText, OpaqueAndClippedRectanglesFollowTheTransform) {
    // A world transform turns the rectangle by 45 degrees about (60, 60): ETO_OPAQUE fills the turned
    // square, not the box around two of its corners, and ETO_CLIPPED cuts the text to it.
    Fields turn;
    turn.F32(static_cast<float>(M_SQRT1_2)).F32(static_cast<float>(-M_SQRT1_2)).F32(static_cast<float>(M_SQRT1_2));
    turn.F32(static_cast<float>(M_SQRT1_2)).F32(60).F32(60);
    const Played opaque = PlayEmfText([&](Emf& e) {
        e.Record(EMR_SETWORLDTRANSFORM, turn).Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(0, 0, u"", kOpaque, {-20, -20, 20, 20}, {}, kGmAdvanced));
    });
    EXPECT_EQ(opaque.At(60, 60), kBlue);
    EXPECT_EQ(opaque.At(60, 33), kBlue);   // the turned square's top corner is at y 60 - 28
    EXPECT_EQ(opaque.At(33, 60), kBlue);
    EXPECT_EQ(opaque.At(40, 40), kWhite);  // inside the box around the corners, outside the square
    EXPECT_EQ(opaque.At(80, 80), kWhite);

    const Played clipped = PlayEmfText([&](Emf& e) {
        e.Record(EMR_SETWORLDTRANSFORM, turn);
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -40, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(-60, 14, u"\u2588\u2588\u2588\u2588\u2588", kClipped, {-20, -20, 20, 20}, {}, kGmAdvanced));
    });
    const Ink ink = InkOf(clipped);
    ASSERT_GT(ink.n, 100);
    // Every inked pixel lies in the turned square: |x - 60| + |y - 60| <= 20 sqrt 2, within a pixel.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (clipped.At(x, y) != kWhite) {
                EXPECT_LE(std::abs(x - 60) + std::abs(y - 60), 30) << x << ", " << y;
            }
    EXPECT_NE(clipped.At(60, 60), kWhite);

    // Unturned, in a WMF: the opaque rectangle and the cut.
    const Played wmf = PlayWmfText([](Wmf& w) {
        w.Record(META_CREATEFONTINDIRECT, WmfFont(-40, "DejaVu Sans")).Record(META_SELECTOBJECT, {0});
        w.Record(META_SETBKCOLOR, {static_cast<int>(kBlue & 0xFFFF), static_cast<int>(kBlue >> 16)});
        w.Record(META_EXTTEXTOUT, WmfExtText(10, 60, "WWWW", kOpaque | kClipped, {30, 20, 50, 70}));
    });
    EXPECT_EQ(InkOf(wmf, 0, 0, 30, kSize).n, 0);
    EXPECT_EQ(InkOf(wmf, 50, 0, kSize, kSize).n, 0);
    EXPECT_EQ(wmf.At(31, 21), kBlue);
}

TEST(MetafileText, JustificationAndCharacterExtraWidenTheText) {
    // "H H H" with 24 units spread over its two spaces ends 24 pixels further right; in a WMF "HHH"
    // with 5 units of character extra ends 10 further (the last character's extra lies after it).
    // A record's own advances are not widened.
    auto emf = [](bool justify, bool withDx) {
        return InkOf(PlayEmfText([&](Emf& e) {
            e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -16, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
            if (justify) e.Dwords(EMR_SETTEXTJUSTIFICATION, {24, 2});
            e.Record(EMR_EXTTEXTOUTW, EmfTextW(10, 60, u"H H H", 0, {0, 0, 0, 0}, withDx ? std::vector<int>{15, 6, 15, 6, 15} : std::vector<int>{}));
        }));
    };
    EXPECT_EQ(emf(true, false).right - emf(false, false).right, 24);
    EXPECT_EQ(emf(true, true).right, emf(false, true).right);
    auto wmf = [](uint16_t function, std::initializer_list<int> words) {
        return InkOf(PlayWmfText([&](Wmf& w) {
            w.Record(META_CREATEFONTINDIRECT, WmfFont(-16, "DejaVu Sans")).Record(META_SELECTOBJECT, {0});
            if (function) w.Record(function, words);
            w.Record(META_TEXTOUT, WmfTextOut(10, 60, function == META_SETTEXTCHAREXTRA ? "HHH" : "H H H"));
        }));
    };
    EXPECT_EQ(wmf(META_SETTEXTJUSTIFICATION, {2, 24}).right - wmf(0, {}).right, 24);
    const Ink plain = InkOf(PlayWmfText([](Wmf& w) {
        w.Record(META_CREATEFONTINDIRECT, WmfFont(-16, "DejaVu Sans")).Record(META_SELECTOBJECT, {0});
        w.Record(META_TEXTOUT, WmfTextOut(10, 60, "HHH"));
    }));
    EXPECT_EQ(wmf(META_SETTEXTCHAREXTRA, {5}).right - plain.right, 10);
    // Three units over two spaces: the first space takes two.
    const Ink odd = InkOf(PlayEmfText([](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -16, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Dwords(EMR_SETTEXTJUSTIFICATION, {3, 2});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(10, 60, u"H H", 0));
    }));
    const Ink even = InkOf(PlayEmfText([](Emf& e) {
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -16, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Record(EMR_EXTTEXTOUTW, EmfTextW(10, 60, u"H H", 0));
    }));
    EXPECT_EQ(odd.right - even.right, 2);
}

TEST(MetafileText, UnderlineAndStrikeOutRunTheWholeText) {
    // Office programs leave these lines to the font: the underline is a row of ink just below the
    // baseline from the first letter's start to the last one's end, the strike-out one through the
    // letters' middle; neither is there without the flag. Turned text turns its lines with it.
    auto play = [](BYTE underline, BYTE strike, int escapement) {
        return PlayEmfText([&](Emf& e) {
            e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFontEx(1, -24, "DejaVu Sans", escapement, escapement, 0, underline, strike));
            e.Dwords(EMR_SELECTOBJECT, {1});
            e.Record(EMR_EXTTEXTOUTW, EmfTextW(10, 60, u"T T T", 0, {0, 0, 0, 0}, {30, 10, 30, 10, 14}));
        });
    };
    auto fullRows = [](const Played& p) {
        // Rows inked all along from the text's start to 20 pixels before its end.
        std::vector<int> rows;
        for (int y = 0; y < kSize; ++y) {
            bool all = true;
            for (int x = 12; x < 84 && all; ++x) all = p.At(x, y) != kWhite;
            if (all) rows.push_back(y);
        }
        return rows;
    };
    EXPECT_TRUE(fullRows(play(0, 0, 0)).empty());
    const std::vector<int> under = fullRows(play(1, 0, 0)), strike = fullRows(play(0, 1, 0));
    ASSERT_FALSE(under.empty());
    ASSERT_FALSE(strike.empty());
    EXPECT_GE(under.front(), 60);
    EXPECT_LE(under.back(), 64);
    EXPECT_GE(strike.front(), 60 - 12);
    EXPECT_LE(strike.back(), 60 - 4);
    // Turned by 90 degrees the text runs up from (10, 60) and the underline is a column just right of
    // the reference point's.
    const Played turned = play(1, 0, 900);
    int column = -1;
    for (int x = 10; x < 16 && column < 0; ++x) {
        bool all = true;
        for (int y = 0; y < 56 && all; ++y) all = turned.At(x, y) != kWhite;
        if (all) column = x;
    }
    EXPECT_GE(column, 10);
    EXPECT_TRUE(fullRows(turned).empty());
}
