// The player's text (pxmfplay.h): a text record's characters, in the code page of the selected font's
// character set, in UTF-16 or as glyph indices of the font; its advances; the font's escapement and
// orientation and the world transform; ETO_OPAQUE and ETO_CLIPPED; character extra and justification;
// the font's underline and strike-out.
//
// What is chosen here where the platform's documents leave it open:
// - GM_COMPATIBLE (every Windows metafile, and enhanced metafile text records that say so): the
//   reference point goes through the whole mapping, but the text is not turned, mirrored or sheared by
//   it: its height scales with the mapping's y scale (and a given lfWidth with its x scale), advances
//   with its x scale, and the baseline and the glyphs lie at the escapement, counter-clockwise as the
//   picture shows it. lfOrientation is not used.
// - GM_ADVANCED: the baseline lies at the escapement and the glyphs at the orientation, each counted
//   counter-clockwise in logical space as the page shows it (so a page whose y axis points up does not
//   stand text on its head), and then everything goes through the world transform and the mapping,
//   which may turn, scale and shear it, and mirror it where the world transform mirrors.
// - Advances: a record's own advances (logical units) replace the font's. Character extra and
//   justification widen only the font's own advances; a record's advances already hold them.
//   Justification gives each of the first breakCount break characters (spaces) breakExtra / breakCount,
//   the first (breakExtra mod breakCount) of them one unit more. With ETO_PDY each character's second
//   value moves the next one along the font's up direction. A character made of several units (a
//   surrogate pair, a double-byte character) advances by the sum of its units' advances.
// - Alignment: left, centre or right along the baseline by the whole advance; top, baseline or bottom
//   along the font's up direction by the cell's ascent and descent.
// - Unturned text with the font's own advances draws exactly as the drawing layer's TextOut (hinted
//   glyphs at whole pixels); turned text is filled from the same hinted outlines, turned.
// - The binary raster operation does not apply to text. The OPAQUE mode's cell background and
//   ETO_OPAQUE's rectangle take the background colour; ETO_CLIPPED cuts the glyphs and their cell
//   background to its rectangle.
// - The text records' exScale and eyScale are not used: the player knows the page's scale itself.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "pixmill/pxmfpaint.h"
#include "platform/crt/codepage.h"

namespace px::mf {

using paint::BoundsOf;

namespace {

constexpr double kPi = 3.14159265358979323846;

double Length(DPoint v) { return std::sqrt(v.x * v.x + v.y * v.y); }
DPoint operator+(DPoint a, DPoint b) { return {a.x + b.x, a.y + b.y}; }
DPoint operator-(DPoint a, DPoint b) { return {a.x - b.x, a.y - b.y}; }
DPoint operator*(double k, DPoint a) { return {k * a.x, k * a.y}; }
DPoint Apply(const gdi::GlyphMatrix& m, DPoint v) { return {m.xx * v.x + m.xy * v.y, m.yx * v.x + m.yy * v.y}; }

// Coefficients within rounding of 0 or 1 are made exact, so that unturned text keeps the hinted glyphs.
double Snap(double v) {
    if (std::fabs(v) < 1e-9) return 0;
    if (std::fabs(v - 1) < 1e-9) return 1;
    return v;
}

// The characters of a run: what each one's glyph is looked up by (a code point, or a glyph index),
// whether it is a break character, and its advances (logical units, when the record gives them).
struct Chars {
    std::vector<uint32_t> keys;
    std::vector<char> isBreak;
    std::vector<double> dx, dy;
    bool byIndex = false;
};

Chars Decode(const TextRun& run, BYTE charset) {
    Chars c;
    const size_t n = run.units.size();
    std::vector<size_t> first;  // each character's first unit
    switch (run.kind) {
        case TextRun::Units::GlyphIndices:
            c.byIndex = true;
            c.keys = run.units;
            for (size_t i = 0; i < n; ++i) first.push_back(i);
            break;
        case TextRun::Units::Utf16:
            for (size_t i = 0; i < n;) {
                const uint32_t u = run.units[i];
                first.push_back(i);
                if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && run.units[i + 1] >= 0xDC00 && run.units[i + 1] < 0xE000) {
                    c.keys.push_back(0x10000 + ((u - 0xD800) << 10) + (run.units[i + 1] - 0xDC00));
                    i += 2;
                } else {
                    c.keys.push_back(u);
                    ++i;
                }
            }
            break;
        case TextRun::Units::Bytes: {
            std::vector<unsigned char> bytes(run.units.begin(), run.units.end());
            const unsigned codePage = crt::CodePageOfCharset(charset);
            if (codePage == 1252 || codePage == crt::kSymbolCodePage) {
                // Windows-1252 and symbol text look their glyphs up as the layer's 8-bit text does:
                // by the symbol code of the byte, which a Unicode face reads as the byte's character.
                for (size_t i = 0; i < n; ++i) {
                    c.keys.push_back(0xF000u | bytes[i]);
                    first.push_back(i);
                }
            } else {
                crt::DecodeCodePage(codePage, bytes.data(), n, &c.keys, &first);
            }
            break;
        }
    }
    const size_t count = c.keys.size();
    c.isBreak.resize(count);
    for (size_t k = 0; k < count; ++k) {
        const uint32_t key = c.keys[k];
        c.isBreak[k] = !c.byIndex && (key == 0x20 || key == 0xF020);
    }
    for (const std::vector<double>* from : {&run.dx, &run.dy}) {
        if (from->size() < n || n == 0) continue;
        std::vector<double>& to = from == &run.dx ? c.dx : c.dy;
        to.assign(count, 0);
        for (size_t k = 0; k < count; ++k) {
            const size_t end = k + 1 < count ? first[k + 1] : n;
            for (size_t i = first[k]; i < end; ++i) to[k] += (*from)[i];
        }
    }
    return c;
}

// Fills a raster polygon (moved by -dx, -dy) in a colour, without an outline.
void FillPolygon(CDC& dc, const std::vector<POINT>& polygon, int dx, int dy, COLORREF color) {
    std::vector<POINT> moved = polygon;
    for (POINT& p : moved) p = POINT{p.x - dx, p.y - dy};
    CBrush brush(color);
    CGdiObject* oldPen = dc.SelectStockObject(NULL_PEN);
    CBrush* oldBrush = dc.SelectObject(&brush);
    dc.Polygon(moved.data(), static_cast<int>(moved.size()));
    dc.SelectObject(oldBrush);
    dc.SelectObject(oldPen);
}

std::vector<POINT> Pixels(std::initializer_list<DPoint> points) {
    std::vector<POINT> out;
    for (DPoint p : points) out.push_back(POINT{ToPixel(p.x), ToPixel(p.y)});
    return out;
}

// A LOGFONT size at a scale, as the layer takes it: whole pixels within its range, never 0 for a size
// that was not 0.
LONG ScaleFontSize(LONG v, double s) {
    if (v == 0) return 0;
    const double d = std::clamp(v * s, -2048.0, 2048.0);
    const LONG r = static_cast<LONG>(std::lround(d));
    return r != 0 ? r : (v < 0 ? LONG{-1} : LONG{1});
}

}  // namespace

void Player::SetTextJustification(double breakExtra, int breakCount) {
    if (!std::isfinite(breakExtra) || breakCount < 0) return;
    m_state.breakExtra = breakCount > 0 ? breakExtra : 0;
    m_state.breakCount = breakCount;
}

void Player::TextOut(const TextRun& run) {
    const DcState& st = m_state;
    const bool updateCp = (st.textAlign & TA_UPDATECP) != 0;
    const DPoint refLogical = updateCp ? st.current : run.ref;
    const Xform& to = m_toRaster;
    auto lin = [&to](DPoint v) { return DPoint{v.x * to.m11 + v.y * to.m21, v.x * to.m12 + v.y * to.m22}; };

    // ETO_OPAQUE fills its rectangle whether or not there is text.
    std::vector<std::vector<DPoint>> rect;
    if (run.hasRect) {
        rect = {{ToRaster({run.rect[0], run.rect[1]}), ToRaster({run.rect[2], run.rect[1]}),
                 ToRaster({run.rect[2], run.rect[3]}), ToRaster({run.rect[0], run.rect[3]})}};
    }
    if (!rect.empty() && (run.options & kEtoOpaque)) {
        const COLORREF bk = st.bk;
        const RECT bound = BoundsOf(rect, 1);
        Paint([&](CDC& dc, int dx, int dy) {
            if (AxisAligned()) {
                const DPoint a = rect[0][0], b = rect[0][2];
                const int l = ToPixel(std::min(a.x, b.x)), t = ToPixel(std::min(a.y, b.y));
                const int r = ToPixel(std::max(a.x, b.x)), btm = ToPixel(std::max(a.y, b.y));
                const COLORREF old = dc.GetBkColor();
                dc.FillSolidRect(l - dx, t - dy, r - l, btm - t, bk);
                dc.SetBkColor(old);
            } else {
                FillPolygon(dc, Pixels({rect[0][0], rect[0][1], rect[0][2], rect[0][3]}), dx, dy, bk);
            }
        }, nullptr, false, nullptr, &bound);
    }
    if (run.units.empty()) return;

    // Where the text goes: raster vectors of one logical unit along the baseline and along the font's
    // up direction, the glyphs' matrix from font pixels onto the raster, and the scales of the font's
    // height and width from logical units to font pixels.
    const bool hasFont = !st.defaultFont;
    const LOGFONT& lf = st.font;
    DPoint base, up;
    gdi::GlyphMatrix turn;
    double heightScale = 1, widthScale = 1;
    const double sx = Length({to.m11, to.m12}), sy = Length({to.m21, to.m22});
    if (!hasFont) {
        // The layer's default font is in raster pixels already.
        base = {sx, 0};
        up = {0, -sy};
        heightScale = sy;
        widthScale = sx;
    } else if (!run.advanced) {
        const double e = lf.lfEscapement / 10.0 * kPi / 180;
        const double c = Snap(std::cos(e)), s = Snap(std::sin(e));
        base = sx * DPoint{c, -s};
        up = sy * DPoint{-s, -c};
        turn = {c, s, -s, c};
        heightScale = sy;
        widthScale = sx;
    } else {
        const double e = lf.lfEscapement / 10.0 * kPi / 180, o = lf.lfOrientation / 10.0 * kPi / 180;
        // The page's flips, undone for the text's own directions.
        const double fx = (st.viewportExtX < 0) != (st.windowExtX < 0) ? -1 : 1;
        const double fy = (st.viewportExtY < 0) != (st.windowExtY < 0) ? -1 : 1;
        base = lin({fx * std::cos(e), -fy * std::sin(e)});
        up = lin({-fx * std::sin(e), -fy * std::cos(e)});
        const DPoint gx = lin({fx * std::cos(o), -fy * std::sin(o)}), gy = lin({fx * std::sin(o), fy * std::cos(o)});
        heightScale = Length(gy);
        widthScale = lf.lfWidth != 0 ? Length(gx) : heightScale;
        if (!(heightScale > 0) || !(widthScale > 0)) return;
        turn = {Snap(gx.x / widthScale), Snap(gy.x / heightScale), Snap(gx.y / widthScale), Snap(gy.y / heightScale)};
    }
    if (!std::isfinite(heightScale) || !std::isfinite(widthScale) || !std::isfinite(base.x) || !std::isfinite(base.y) ||
        !std::isfinite(up.x) || !std::isfinite(up.y)) {
        return;
    }

    // The font at the raster's scale, its escapement and orientation left to the glyphs' matrix.
    CFont* font = gdi::DefaultFont();
    if (hasFont) {
        LOGFONT pixelLf = lf;
        pixelLf.lfHeight = ScaleFontSize(lf.lfHeight, heightScale);
        pixelLf.lfWidth = ScaleFontSize(lf.lfWidth, widthScale);
        pixelLf.lfEscapement = pixelLf.lfOrientation = 0;
        pixelLf.lfFaceName[LF_FACESIZE - 1] = 0;
        if (!m_font || std::memcmp(&pixelLf, &m_fontKey, sizeof pixelLf) != 0) {
            m_font = std::make_unique<CFont>();
            if (!m_font->CreateFontIndirect(&pixelLf)) m_font.reset();
            m_fontKey = pixelLf;
        }
        if (m_font) font = m_font.get();
    }
    const gdi::FontFace* face = font ? font->Face() : nullptr;
    if (!face) return;
    TEXTMETRIC tm;
    gdi::FontTextMetrics(*face, &tm);

    // The glyphs and their advances on the raster.
    const Chars chars = Decode(run, hasFont ? lf.lfCharSet : ANSI_CHARSET);
    const size_t n = chars.keys.size();
    std::vector<gdi::PlacedGlyph> glyphs(n);
    const UINT spaceGlyph = chars.byIndex ? gdi::FontGlyphIndex(*face, 0x20) : 0;
    const int64_t breakExtra = std::llround(std::clamp(st.breakExtra, -1e9, 1e9));
    const int64_t breakEach = st.breakCount > 0 ? breakExtra / st.breakCount : 0;
    const int64_t breakRest = st.breakCount > 0 ? breakExtra % st.breakCount : 0;
    int breaks = 0;
    std::vector<DPoint> advance(n);
    DPoint whole{0, 0};
    for (size_t k = 0; k < n; ++k) {
        glyphs[k].index = chars.byIndex ? chars.keys[k] : gdi::FontGlyphIndex(*face, chars.keys[k]);
        if (!chars.dx.empty()) {
            advance[k] = chars.dx[k] * base + (chars.dy.empty() ? 0.0 : chars.dy[k]) * up;
        } else {
            double extra = st.charExtra;
            if ((chars.isBreak[k] || (chars.byIndex && glyphs[k].index == spaceGlyph)) && breaks < st.breakCount) {
                extra += static_cast<double>(breakEach + (breaks < std::llabs(breakRest) ? (breakRest < 0 ? -1 : 1) : 0));
                ++breaks;
            }
            advance[k] = (gdi::FontGlyphAdvance(*face, glyphs[k].index) / widthScale + extra) * base;
        }
        whole = whole + advance[k];
    }

    // The first glyph's origin: the reference point moved by the alignment.
    const bool hinted = turn.IsIdentity();
    DPoint origin = ToRaster(refLogical);
    if (hinted) origin = {double(ToPixel(origin.x)), double(ToPixel(origin.y))};
    const UINT align = st.textAlign;
    if ((align & TA_CENTER) == TA_CENTER) {
        // Halved as the device context halves a whole width: toward zero.
        origin = origin - (hinted ? DPoint{std::trunc(whole.x / 2), std::trunc(whole.y / 2)} : 0.5 * whole);
    } else if (align & TA_RIGHT) {
        origin = origin - whole;
    }
    if ((align & TA_BASELINE) == TA_BASELINE) {
    } else if (align & TA_BOTTOM) {
        origin = origin + Apply(turn, {0, -double(tm.tmDescent)});
    } else {
        origin = origin + Apply(turn, {0, double(tm.tmAscent)});
    }
    DPoint pen = origin;
    std::vector<std::vector<DPoint>> extent(1);
    const double reach = (tm.tmHeight + tm.tmMaxCharWidth) * std::max({std::fabs(turn.xx) + std::fabs(turn.xy), std::fabs(turn.yx) + std::fabs(turn.yy), 1.0}) + 2;
    for (size_t k = 0; k < n; ++k) {
        glyphs[k].x = pen.x;
        glyphs[k].y = pen.y;
        extent[0].push_back(pen - DPoint{reach, reach});
        extent[0].push_back(pen + DPoint{reach, reach});
        pen = pen + advance[k];
    }
    RECT bound = BoundsOf(extent, 1);

    // In OPAQUE mode the cell behind the text takes the background colour.
    std::vector<POINT> cell;
    RECT cellBox{0, 0, 0, 0};
    if (st.bkMode == OPAQUE) {
        const DPoint topLeft = origin + Apply(turn, {0, -double(tm.tmAscent)});
        const DPoint down = Apply(turn, {0, double(tm.tmHeight)});
        cell = Pixels({topLeft, topLeft + whole, topLeft + whole + down, topLeft + down});
        if (hinted) cellBox = RECT{cell[0].x, cell[0].y, cell[2].x, cell[2].y};
    }

    // The underline and the strike-out line run the text's whole advance in the text colour.
    std::vector<std::vector<POINT>> lines;
    if (hasFont) {
        const gdi::FontLines& fl = gdi::FontDecorationLines(*face);
        auto band = [&](int top, int size) {
            const DPoint a = origin + Apply(turn, {0, double(top)}), down = Apply(turn, {0, double(size)});
            lines.push_back(Pixels({a, a + whole, a + whole + down, a + down}));
        };
        if (lf.lfUnderline) band(fl.underlineTop, fl.underlineSize);
        if (lf.lfStrikeOut) band(fl.strikeTop, fl.strikeSize);
    }

    // ETO_CLIPPED: the text and its cell cut to the rectangle, within the clip: an upright rectangle
    // cuts the draw's own box, a turned one is a mask.
    Mask turnedRect;
    const bool clipped = !rect.empty() && (run.options & kEtoClipped);
    const bool cutToBox = clipped && AxisAligned();
    bool cutAway = false;
    if (cutToBox) {
        const DPoint a = rect[0][0], b = rect[0][2];
        bound.left = std::max<LONG>(bound.left, ToPixel(std::min(a.x, b.x)));
        bound.top = std::max<LONG>(bound.top, ToPixel(std::min(a.y, b.y)));
        bound.right = std::min<LONG>(bound.right, ToPixel(std::max(a.x, b.x)));
        bound.bottom = std::min<LONG>(bound.bottom, ToPixel(std::max(a.y, b.y)));
        cutAway = bound.left >= bound.right || bound.top >= bound.bottom;
    } else if (clipped) {
        turnedRect = MaskOf(rect, WINDING);
        cutAway = turnedRect.IsEmpty();
    }

    const COLORREF textColor = st.text, bk = st.bk;
    if (!cutAway) Paint([&](CDC& dc, int dx, int dy) {
        gdi::Surface* surface = dc.GetSurface();
        if (!surface) return;
        if (!cell.empty()) {
            if (hinted) {
                const COLORREF old = dc.GetBkColor();
                dc.FillSolidRect(cellBox.left - dx, cellBox.top - dy, cellBox.right - cellBox.left, cellBox.bottom - cellBox.top, bk);
                dc.SetBkColor(old);
            } else {
                FillPolygon(dc, cell, dx, dy, bk);
            }
        }
        for (const std::vector<POINT>& line : lines) FillPolygon(dc, line, dx, dy, textColor);
        std::vector<gdi::PlacedGlyph> moved = glyphs;
        for (gdi::PlacedGlyph& g : moved) {
            g.x -= dx;
            g.y -= dy;
        }
        gdi::FontDrawGlyphs(*face, *surface, RECT{0, 0, surface->Width(), surface->Height()}, moved.data(),
                            static_cast<int>(moved.size()), turn, textColor);
    }, nullptr, false, clipped && !cutToBox ? &turnedRect : nullptr, &bound, cutToBox);

    if (updateCp) {
        // The current position moves by the whole advance, back in logical units.
        const double det = to.m11 * to.m22 - to.m21 * to.m12;
        if (det != 0 && std::isfinite(det)) {
            const DPoint moved{(to.m22 * whole.x - to.m21 * whole.y) / det, (-to.m12 * whole.x + to.m11 * whole.y) / det};
            if (std::isfinite(moved.x) && std::isfinite(moved.y)) m_state.current = refLogical + moved;
        }
    }
}

}  // namespace px::mf
