// CFont and the text functions the device context calls.
#include "platform/gdi/font.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/gdi/fontengine.h"

// ---- CFont --------------------------------------------------------------------------------------

CFont::CFont() = default;
CFont::~CFont() = default;

BOOL CFont::CreateFontIndirect(const LOGFONT* lf) {
    m_face.reset();
    m_lf = LOGFONT{};
    if (!lf) return FALSE;
    m_lf = *lf;
    m_lf.lfFaceName[LF_FACESIZE - 1] = 0;
    m_face = gdi::AcquireFace(m_lf);
    if (!m_face) m_lf = LOGFONT{};
    return m_face ? TRUE : FALSE;
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* lf, CDC* /*pDC*/) {
    if (!lf) return CreateFontIndirect(nullptr);
    LOGFONT pixel = *lf;
    // Tenths of a point at 96 dots per inch; always a character height (negative), as the class
    // library converts it.
    const int px = gdi::MulDiv(lf->lfHeight, 96, 720);
    pixel.lfHeight = -(px < 0 ? -px : px);
    return CreateFontIndirect(&pixel);
}

BOOL CFont::CreatePointFont(int nPointSize, const char* faceName, CDC* pDC) {
    LOGFONT lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = nPointSize;
    if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreatePointFontIndirect(&lf, pDC);
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, const char* lpszFacename) {
    LOGFONT lf{};
    lf.lfHeight = nHeight;
    lf.lfWidth = nWidth;
    lf.lfEscapement = nEscapement;
    lf.lfOrientation = nOrientation;
    lf.lfWeight = nWeight;
    lf.lfItalic = bItalic;
    lf.lfUnderline = bUnderline;
    lf.lfStrikeOut = cStrikeOut;
    lf.lfCharSet = nCharSet;
    lf.lfOutPrecision = nOutPrecision;
    lf.lfClipPrecision = nClipPrecision;
    lf.lfQuality = nQuality;
    lf.lfPitchAndFamily = nPitchAndFamily;
    if (lpszFacename) std::strncpy(lf.lfFaceName, lpszFacename, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

BOOL CFont::DeleteObject() {
    const bool had = m_face != nullptr;
    m_face.reset();
    m_lf = LOGFONT{};
    return had ? TRUE : FALSE;
}

int CFont::GetLogFont(LOGFONT* lf) const {
    if (!m_face || !lf) return 0;
    *lf = m_lf;
    return static_cast<int>(sizeof(LOGFONT));
}

// ---- text ---------------------------------------------------------------------------------------

namespace gdi {

const char* const kFallbackFaceName = "DejaVu Sans";

CFont* DefaultFont() {
    static CFont* font = [] {
        CFont* f = new CFont;  // never destroyed, like the engine under it
        LOGFONT lf{};
        lf.lfHeight = 16;
        lf.lfWeight = FW_NORMAL;
        std::strncpy(lf.lfFaceName, kFallbackFaceName, LF_FACESIZE - 1);
        f->CreateFontIndirect(&lf);
        return f;
    }();
    return font;
}

void FontDrawText(const FontFace& face, Surface& surface, const RECT& clip, int x, int y, const char* text,
                  int n, COLORREF color) {
    RECT box;
    if (!text || n <= 0 || !SurfaceBox(surface, clip, &box)) return;
    const uint32_t pixel = ColorToPixel(color);

    const int64_t baseline = int64_t{y} + face.Metrics().tmAscent;
    int64_t pen = x;
    for (int i = 0; i < n; ++i) {
        const GlyphData& g = face.Glyph(static_cast<BYTE>(text[i]));
        PaintGlyph(surface, box, pen + g.gm.gmptGlyphOrigin.x, baseline - g.gm.gmptGlyphOrigin.y, g, pixel);
        pen += g.gm.gmCellIncX;
    }
}

bool SurfaceBox(const Surface& surface, const RECT& clip, RECT* box) {
    *box = RECT{std::max<LONG>(clip.left, 0), std::max<LONG>(clip.top, 0), std::min<LONG>(clip.right, surface.Width()),
                std::min<LONG>(clip.bottom, surface.Height())};
    return !surface.IsEmpty() && box->left < box->right && box->top < box->bottom;
}

void PaintGlyph(Surface& surface, const RECT& box, int64_t gx, int64_t gy, const GlyphData& g, uint32_t pixel) {
    const int64_t left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    if (g.spans.empty() || gx >= right || gx + g.gm.gmBlackBoxX <= left || gy >= bottom ||
        gy + g.gm.gmBlackBoxY <= top) {
        return;
    }
    if (gx >= left && gx + g.gm.gmBlackBoxX <= right && gy >= top && gy + g.gm.gmBlackBoxY <= bottom) {
        // The whole black box, and so every span, is inside the clip.
        uint32_t* const origin = surface.Row(static_cast<int>(gy)) + gx;
        const size_t stride = static_cast<size_t>(surface.Width());
        for (const GlyphSpan& s : g.spans) {
            uint32_t* const row = origin + static_cast<size_t>(s.row) * stride;
            for (int32_t px = s.x0; px < s.x1; ++px) row[px] = pixel;
        }
        return;
    }
    for (const GlyphSpan& s : g.spans) {
        const int64_t py = gy + s.row;
        if (py < top || py >= bottom) continue;
        const int64_t x0 = std::max<int64_t>(gx + s.x0, left);
        const int64_t x1 = std::min<int64_t>(gx + s.x1, right);
        if (x0 >= x1) continue;
        uint32_t* row = surface.Row(static_cast<int>(py));
        std::fill(row + x0, row + x1, pixel);
    }
}

SIZE FontTextExtent(const FontFace& face, const char* text, int n) {
    int64_t cx = 0;
    if (text) {
        for (int i = 0; i < n; ++i) cx += face.Glyph(static_cast<BYTE>(text[i])).gm.gmCellIncX;
    }
    SIZE s;
    s.cx = static_cast<LONG>(std::clamp<int64_t>(cx, INT_MIN, INT_MAX));
    s.cy = face.Metrics().tmHeight;
    return s;
}

void FontTextMetrics(const FontFace& face, TEXTMETRIC* tm) {
    if (tm) *tm = face.Metrics();
}

namespace {

bool IsIdentity(const MAT2* m) {
    auto is = [](FIXED f, SHORT v) { return f.value == v && f.fract == 0; };
    return is(m->eM11, 1) && is(m->eM12, 0) && is(m->eM21, 0) && is(m->eM22, 1);
}

}  // namespace

DWORD FontGlyphOutline(const FontFace& face, UINT ch, UINT format, GLYPHMETRICS* gm, DWORD cb, void* buf,
                       const MAT2* mat) {
    if (gm) *gm = GLYPHMETRICS{};
    // Codes are single Windows-1252 bytes; a sign-extended char (0xFFFFFF80 and up) is not one.
    if (ch > 0xFF || (format != GGO_METRICS && format != GGO_NATIVE) || (mat && !IsIdentity(mat))) {
        return GDI_ERROR;
    }
    const GlyphData& g = face.Glyph(static_cast<BYTE>(ch));
    if (gm) *gm = g.gm;
    if (format == GGO_METRICS) return 0;
    const DWORD size = static_cast<DWORD>(g.native.size());
    if (cb == 0 || !buf) return size;
    if (cb < size) return GDI_ERROR;
    if (size) std::memcpy(buf, g.native.data(), size);
    return size;
}

}  // namespace gdi
