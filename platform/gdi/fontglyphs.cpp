// Glyphs by index, placed one by one and turned: the metafile player's text (font.h).
#include <cmath>

#include "platform/gdi/fontengine.h"
#include "platform/gdi/region.h"

namespace gdi {

UINT FontGlyphIndex(const FontFace& face, uint32_t codePoint) {
    auto lock = EngineLock();
    return face.CodePointIndex(codePoint);
}

int FontGlyphAdvance(const FontFace& face, UINT index) {
    GlyphData spare;
    auto lock = EngineLock();
    return face.IndexGlyph(index, spare).gm.gmCellIncX;
}

const FontLines& FontDecorationLines(const FontFace& face) { return face.Lines(); }

namespace {

// 16.16 fixed point of a coefficient within +-64.
FT_Fixed Fixed(double v) { return static_cast<FT_Fixed>(std::lround(v * 65536.0)); }

bool Usable(const GlyphMatrix& m) {
    for (double v : {m.xx, m.xy, m.yx, m.yy})
        if (!(std::fabs(v) <= 64)) return false;
    return true;
}

}  // namespace

void FontDrawGlyphs(const FontFace& face, Surface& surface, const RECT& clip, const PlacedGlyph* glyphs, int n,
                    const GlyphMatrix& m, COLORREF color) {
    RECT box;
    if (!glyphs || n <= 0 || !Usable(m) || !SurfaceBox(surface, clip, &box)) return;
    const uint32_t pixel = ColorToPixel(color);
    const bool identity = m.IsIdentity();
    // The matrix in FreeType's terms: its outlines and bitmaps have y up.
    const FT_Matrix turn = {Fixed(m.xx), Fixed(-m.xy), Fixed(-m.yx), Fixed(m.yy)};
    GlyphData spare;
    for (int i = 0; i < n; ++i) {
        const PlacedGlyph& p = glyphs[i];
        if (!(std::fabs(p.x) < kMaxCoord) || !(std::fabs(p.y) < kMaxCoord)) continue;
        if (identity) {
            const int64_t x = static_cast<int64_t>(std::floor(p.x + 0.5)), y = static_cast<int64_t>(std::floor(p.y + 0.5));
            const GlyphData* g;
            {
                auto lock = EngineLock();
                g = &face.IndexGlyph(p.index, spare);
            }
            PaintGlyph(surface, box, x + g->gm.gmptGlyphOrigin.x, y - g->gm.gmptGlyphOrigin.y, *g, pixel);
            continue;
        }
        // The origin's whole pixel, and its fraction moved into the outline (y up there).
        const double fx = std::floor(p.x), fy = std::floor(p.y);
        const FT_Vector shift = {static_cast<FT_Pos>(std::lround((p.x - fx) * 64)),
                                 static_cast<FT_Pos>(-std::lround((p.y - fy) * 64))};
        {
            auto lock = EngineLock();
            if (!face.TurnedGlyph(p.index, turn, shift, spare)) continue;
        }
        const int64_t x = static_cast<int64_t>(fx), y = static_cast<int64_t>(fy);
        PaintGlyph(surface, box, x + spare.gm.gmptGlyphOrigin.x, y - spare.gm.gmptGlyphOrigin.y, spare, pixel);
    }
}

}  // namespace gdi
