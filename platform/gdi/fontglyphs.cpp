// Glyphs by index, placed one by one and turned: the metafile player's text (font.h).
#include <cmath>
#include <map>
#include <tuple>

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

// The turned glyphs one call keeps for its repeats hold at most about this many bytes.
constexpr size_t kTurnedCallBytes = size_t{16} << 20;

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
    // No ink lies farther from a glyph's origin than its cell's height and widest advance, turned.
    const TEXTMETRIC& tm = face.Metrics();
    const double reach = (double(tm.tmHeight) + tm.tmMaxCharWidth) *
                             (std::fabs(m.xx) + std::fabs(m.xy) + std::fabs(m.yx) + std::fabs(m.yy)) + 2;
    // The matrix in FreeType's terms: its outlines and bitmaps have y up.
    const FT_Matrix turn = {Fixed(m.xx), Fixed(-m.xy), Fixed(-m.yx), Fixed(m.yy)};
    // Turned glyphs of this call, by index and the origin's fraction (in 64ths of a pixel, FreeType's
    // unit): text that repeats a glyph at the same fraction renders it once.
    std::map<std::tuple<UINT, int, int>, GlyphData> turned;
    size_t turnedBytes = 0;
    GlyphData spare;
    for (int i = 0; i < n; ++i) {
        const PlacedGlyph& p = glyphs[i];
        if (!(std::fabs(p.x) < kMaxCoord) || !(std::fabs(p.y) < kMaxCoord)) continue;
        if (p.x + reach < box.left || p.x - reach > box.right || p.y + reach < box.top || p.y - reach > box.bottom) continue;
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
        const int ex = static_cast<int>(std::lround((p.x - fx) * 64)), ey = static_cast<int>(std::lround((p.y - fy) * 64));
        const auto key = std::make_tuple(p.index, ex, ey);
        auto it = turned.find(key);
        if (it == turned.end()) {
            if (turnedBytes > kTurnedCallBytes) {
                turned.clear();
                turnedBytes = 0;
            }
            GlyphData g;
            {
                auto lock = EngineLock();
                face.TurnedGlyph(p.index, turn, FT_Vector{ex, -ey}, g);
            }
            turnedBytes += sizeof g + g.spans.size() * sizeof(GlyphSpan);
            it = turned.emplace(key, std::move(g)).first;
        }
        const GlyphData& g = it->second;
        if (g.spans.empty()) continue;
        const int64_t x = static_cast<int64_t>(fx), y = static_cast<int64_t>(fy);
        PaintGlyph(surface, box, x + g.gm.gmptGlyphOrigin.x, y - g.gm.gmptGlyphOrigin.y, g, pixel);
    }
}

}  // namespace gdi
