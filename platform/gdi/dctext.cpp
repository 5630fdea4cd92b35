// CDC text: font selection, TextOut with alignment and background, extents, metrics and glyph outlines,
// all through the font engine of font.h. Kept apart from the rest of the DC so that drawing without text
// does not need the font engine.
#include <cstring>

#include "platform/gdi/dc.h"
#include "platform/gdi/dcimpl.h"

CFont* CDC::GetCurrentFont() const { return m_pFont ? m_pFont : gdi::DefaultFont(); }

const gdi::FontFace* CDC::Face() const {
    const CFont* font = GetCurrentFont();
    return font ? font->Face() : nullptr;
}

CFont* CDC::SelectObject(CFont* pFont) {
    if (!m_hDC || !pFont || !pFont->IsCreated()) return nullptr;
    CFont* old = GetCurrentFont();
    m_pFont = pFont;
    return old;
}

BOOL CDC::TextOut(int x, int y, const char* lpszString, int nCount) {
    if (!m_hDC || nCount < 0 || (nCount > 0 && !lpszString)) return FALSE;
    const gdi::FontFace* face = Face();
    if (!face) return FALSE;
    if (nCount == 0 || !m_pSurface) return TRUE;
    // The extent only matters for right or centred text, bottom alignment and the opaque background;
    // the renderers' usual left, baseline, transparent text skips the second walk over the glyphs.
    const bool bottom = (m_nTextAlign & TA_BASELINE) == TA_BOTTOM;
    const bool needExtent = (m_nTextAlign & TA_RIGHT) || bottom || m_nBkMode == OPAQUE;
    const SIZE ext = needExtent ? gdi::FontTextExtent(*face, lpszString, nCount) : SIZE{0, 0};
    int64_t left = x, top = y;
    if ((m_nTextAlign & TA_CENTER) == TA_CENTER) left -= ext.cx / 2;
    else if (m_nTextAlign & TA_RIGHT) left -= ext.cx;
    if ((m_nTextAlign & TA_BASELINE) == TA_BASELINE) {
        TEXTMETRIC tm;
        gdi::FontTextMetrics(*face, &tm);
        top -= tm.tmAscent;
    } else if (bottom) {
        top -= ext.cy;
    }
    // The cell's corner as the engine takes it; a text cell beyond the int range draws nothing anyway.
    if (left < INT32_MIN || left > INT32_MAX || top < INT32_MIN || top > INT32_MAX) return TRUE;
    gdi::Surface& s = *m_pSurface;
    if (m_nBkMode == OPAQUE) gdi::FillBox(s, left, top, left + ext.cx, top + ext.cy, gdi::ColorToPixel(m_crBk));
    const RECT clip{0, 0, s.Width(), s.Height()};
    gdi::FontDrawText(*face, s, clip, static_cast<int>(left), static_cast<int>(top), lpszString, nCount, m_crText);
    return TRUE;
}

BOOL CDC::TextOut(int x, int y, const char* lpszString) {
    if (!lpszString) return FALSE;
    const size_t n = std::strlen(lpszString);
    return TextOut(x, y, lpszString, n > INT32_MAX ? INT32_MAX : static_cast<int>(n));
}

CSize CDC::GetTextExtent(const char* lpszString, int nCount) const {
    const gdi::FontFace* face = m_hDC ? Face() : nullptr;
    if (!face || nCount < 0 || (nCount > 0 && !lpszString)) return CSize(0, 0);
    return CSize(gdi::FontTextExtent(*face, lpszString, nCount));
}

CSize CDC::GetTextExtent(const char* lpszString) const {
    if (!lpszString) return CSize(0, 0);
    const size_t n = std::strlen(lpszString);
    return GetTextExtent(lpszString, n > INT32_MAX ? INT32_MAX : static_cast<int>(n));
}

BOOL CDC::GetTextMetrics(TEXTMETRIC* lpMetrics) const {
    if (!lpMetrics) return FALSE;
    const gdi::FontFace* face = m_hDC ? Face() : nullptr;
    if (!face) {
        std::memset(lpMetrics, 0, sizeof(*lpMetrics));
        return FALSE;
    }
    gdi::FontTextMetrics(*face, lpMetrics);
    return TRUE;
}

DWORD CDC::GetGlyphOutline(UINT nChar, UINT nFormat, GLYPHMETRICS* lpgm, DWORD cbBuffer, void* lpBuffer,
                           const MAT2* lpmat2) const {
    const gdi::FontFace* face = m_hDC ? Face() : nullptr;
    if (!face) return GDI_ERROR;
    return gdi::FontGlyphOutline(*face, nChar, nFormat, lpgm, cbBuffer, lpBuffer, lpmat2);
}

// ---- flat functions that involve fonts -----------------------------------------------------------

HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                 DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                 DWORD iQuality, DWORD iPitchAndFamily, const char* pszFaceName) {
    auto* font = new CFont;
    if (!font->CreateFont(cHeight, cWidth, cEscapement, cOrientation, cWeight, static_cast<BYTE>(bItalic),
                          static_cast<BYTE>(bUnderline), static_cast<BYTE>(bStrikeOut), static_cast<BYTE>(iCharSet),
                          static_cast<BYTE>(iOutPrecision), static_cast<BYTE>(iClipPrecision),
                          static_cast<BYTE>(iQuality), static_cast<BYTE>(iPitchAndFamily), pszFaceName)) {
        delete font;
        return nullptr;
    }
    return font;
}

BOOL DeleteObject(HFONT hf) {
    if (!hf || hf == gdi::DefaultFont()) return FALSE;
    delete hf;
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, const char* lpString, int c, SIZE* psizl) {
    if (!hdc || !hdc->m_hDC || !psizl || c < 0 || (c > 0 && !lpString)) return FALSE;
    *psizl = hdc->GetTextExtent(lpString, c);
    return TRUE;
}
