// Fonts: CFont and the font engine under it (fontconfig resolves a LOGFONT to a face, FreeType renders).
//
// One face, size and set of load flags serve metrics, outlines and drawn text, so text extents always
// enclose the drawn pixels and outlines. Fonts are at a fixed 96 dots per inch. Character codes are 8-bit
// Windows-1252; a code the font does not map (the line break included) gives the font's missing glyph.
//
// The device context (dc.h) calls the Font* functions below. The metafile player alone also draws
// glyphs by glyph index, each at a position of its own and turned (FontDrawGlyphs): its text comes in
// Unicode and other code pages, as glyph indices, with its own advances and at any angle.
//
// Resolution (fontengine.cpp): fontconfig's best scalable face for the face name, weight and italic flag
// is taken when it carries that family name or one fontconfig binds strongly to it (its metric-
// compatible aliases: Arial gives Liberation Sans); otherwise the fallback face kFallbackFaceName, then
// fontconfig's sans-serif, then DejaVu Sans's file itself. A bold or italic asked of a face that lacks it
// is drawn emboldened or slanted, in metrics, outlines and pixels alike. Face names are cut to 31 bytes;
// a 31-byte name also finds the installed family it begins. Heights and widths are clamped to 2048 px.
// Where the symbol face "Wingdings" is missing, the fallback draws its arrowheads 0xD7 and 0xD8 as
// U+25C4 and U+25BA (every other code of it reads as Windows-1252).
// lfWidth, when not 0, is the average character width (the x scale follows it). Escapement, orientation,
// underline and strike-out are not drawn (the metafile player turns its text itself).
//
// Glyphs: codes below 32 and codes the font does not map (Windows-1252, cp1252.h) give glyph 0, the
// missing glyph. A glyph without pixels (the space) has a 1 x 1 black box at the origin and no outline.
// A font whose missing glyph has no outline (the URW fonts, Liberation Serif) gets the box the platform
// draws there instead: advance half the em, a hollow rectangle from the baseline to the ascent.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/crt/wintypes.h"
#include "platform/gdi/logfont.h"
#include "platform/gdi/surface.h"

class CDC;

// ---- records of the platform's text and outline interfaces ---------------------------------------

struct TEXTMETRIC {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};

// 16.16 fixed point: unsigned fraction in the low half, signed integer part in the high half.
struct FIXED {
    WORD fract;
    SHORT value;
};
static_assert(sizeof(FIXED) == 4);

struct POINTFX {
    FIXED x;
    FIXED y;
};

struct MAT2 {
    FIXED eM11;
    FIXED eM12;
    FIXED eM21;
    FIXED eM22;
};

struct GLYPHMETRICS {
    UINT gmBlackBoxX;
    UINT gmBlackBoxY;
    POINT gmptGlyphOrigin;  // x: left of the black box from the origin; y: top of the black box above the baseline
    SHORT gmCellIncX;
    SHORT gmCellIncY;
};

// GetGlyphOutline's native outline: contours one after another, each a 16-byte header followed by
// curve records up to header + cb; points are 16.16 fixed, y up.
struct TTPOLYGONHEADER {
    DWORD cb;
    DWORD dwType;  // TT_POLYGON_TYPE
    POINTFX pfxStart;
};
static_assert(sizeof(TTPOLYGONHEADER) == 16);

struct TTPOLYCURVE {
    WORD wType;  // TT_PRIM_LINE, TT_PRIM_QSPLINE or TT_PRIM_CSPLINE
    WORD cpfx;
    POINTFX apfx[1];
};

constexpr DWORD TT_POLYGON_TYPE = 24;
constexpr WORD TT_PRIM_LINE = 1;
constexpr WORD TT_PRIM_QSPLINE = 2;
constexpr WORD TT_PRIM_CSPLINE = 3;

constexpr UINT GGO_METRICS = 0;
constexpr UINT GGO_NATIVE = 2;
constexpr DWORD GDI_ERROR = 0xFFFFFFFFu;

// ---- CFont -----------------------------------------------------------------------------------------

namespace gdi {
class FontFace;  // a resolved FreeType face at one pixel size (font.cpp)
}

class CFont {
public:
    CFont();
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // lf.lfHeight in the platform's logical units: positive is the cell height in pixels, negative the
    // character height (cell height less internal leading), 0 a default size.
    BOOL CreateFontIndirect(const LOGFONT* lf);
    // lf.lfHeight in tenths of a point: the pixel height becomes -MulDiv(h, 96, 720) (24 pt -> -32 px).
    // The device context argument is accepted and not needed (fixed 96 dpi).
    BOOL CreatePointFontIndirect(const LOGFONT* lf, CDC* pDC = nullptr);
    BOOL CreatePointFont(int nPointSize, const char* faceName, CDC* pDC = nullptr);
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                    BYTE nQuality, BYTE nPitchAndFamily, const char* lpszFacename);
    BOOL DeleteObject();
    BOOL IsCreated() const { return m_face != nullptr; }
    // The LOGFONT the font was made from (heights in pixels, as the platform reports them).
    int GetLogFont(LOGFONT* lf) const;

    // For the device context and tests: the resolved face (shared, cached by LOGFONT bytes).
    const gdi::FontFace* Face() const { return m_face.get(); }

private:
    LOGFONT m_lf{};
    std::shared_ptr<const gdi::FontFace> m_face;
};

namespace gdi {

// The font a device context draws with before any font is selected: DejaVu Sans, cell height 16 px.
CFont* DefaultFont();

// The face used when fontconfig finds nothing for a LOGFONT's face name: "DejaVu Sans".
extern const char* const kFallbackFaceName;

// Text of n Windows-1252 bytes drawn in color with its cell's top-left corner at (x, y); the device
// context has already applied its alignment and background. Pixels outside clip are not touched.
void FontDrawText(const FontFace& face, Surface& surface, const RECT& clip, int x, int y, const char* text,
                  int n, COLORREF color);
// Width of the advances of the n bytes and the cell height.
SIZE FontTextExtent(const FontFace& face, const char* text, int n);
void FontTextMetrics(const FontFace& face, TEXTMETRIC* tm);
// GetGlyphOutline for GGO_METRICS and GGO_NATIVE (identity matrix only; mat may be NULL; another
// matrix, another format, or a code above 0xFF, such as a sign-extended char, gives GDI_ERROR with gm
// cleared).
// With cb 0 or no buffer: the size in bytes the outline needs (GGO_NATIVE) or 0 (GGO_METRICS), metrics
// filled. With a buffer: the bytes written, or GDI_ERROR when cb is too small or the format is unknown.
DWORD FontGlyphOutline(const FontFace& face, UINT ch, UINT format, GLYPHMETRICS* gm, DWORD cb, void* buf,
                       const MAT2* mat);

// ---- glyphs by index, placed one by one (the metafile player's text)

// The face's glyph index of a Unicode code point, 0 (the missing glyph) for codes below 32 and codes
// the face does not map. A symbol face reads U+0020-U+00FF and the symbol codes U+F020-U+F0FF as the
// 8-bit code in their low byte; a Unicode face that lacks a symbol code reads it as that byte's
// Windows-1252 character, as 8-bit text does.
UINT FontGlyphIndex(const FontFace& face, uint32_t codePoint);
// The advance of a glyph index in whole pixels, as the unturned glyph draws (an index the face does
// not have is the missing glyph).
int FontGlyphAdvance(const FontFace& face, UINT index);

// Where the underline and the strike-out line lie, in pixels: each top edge's distance below the
// baseline (the strike-out's is negative: it lies above) and each line's thickness (at least 1).
struct FontLines {
    int underlineTop;
    int underlineSize;
    int strikeTop;
    int strikeSize;
};
const FontLines& FontDecorationLines(const FontFace& face);

// A glyph index and its origin (on the baseline) on the surface, in pixels.
struct PlacedGlyph {
    UINT index;
    double x;
    double y;
};
// How the font's pixels (x right, y down) lie on the surface: x' = xx x + xy y, y' = yx x + yy y.
struct GlyphMatrix {
    double xx = 1, xy = 0, yx = 0, yy = 1;
    bool IsIdentity() const { return xx == 1 && xy == 0 && yx == 0 && yy == 1; }
};
// Draws glyphs by index in color. With the identity matrix each is the hinted glyph the 8-bit text
// functions draw, its origin at the nearest pixel (halves up); with another, its hinted outline is
// turned by the matrix and filled at the origin as given, to a 64th of a pixel (a glyph without an
// outline, such as a missing glyph drawn as a box, then draws nothing, and so does one turned larger
// than 4096 pixels). Origins beyond the coordinate range (kMaxCoord), not finite, or a matrix with a
// coefficient beyond +-64 draw nothing. Pixels outside clip are not touched.
void FontDrawGlyphs(const FontFace& face, Surface& surface, const RECT& clip, const PlacedGlyph* glyphs, int n,
                    const GlyphMatrix& m, COLORREF color);

}  // namespace gdi
