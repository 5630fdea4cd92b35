#include "quillstorm/floatingpane.h"

#include <cstdint>

CPaneImage::~CPaneImage() { Release(); }

BOOL CPaneImage::Begin(CDC* pTarget, const CRect& rcPane) {
    Release();
    CRect rcTarget;
    if (!pTarget || pTarget->GetClipBox(&rcTarget) != SIMPLEREGION) return FALSE;
    if (!m_rcVisible.IntersectRect(&rcPane, &rcTarget)) return FALSE;
    if (!m_dc.CreateCompatibleDC(pTarget)) return FALSE;
    if (!m_bitmap.CreateCompatibleBitmap(pTarget, m_rcVisible.Width(), m_rcVisible.Height())) {
        m_dc.DeleteDC();
        return FALSE;
    }
    m_pOldBitmap = m_dc.SelectObject(&m_bitmap);
    m_pTarget = pTarget;
    m_ptOrigin = CPoint(rcPane.left - m_rcVisible.left, rcPane.top - m_rcVisible.top);
    return TRUE;
}

void CPaneImage::End(BOOL bBlend) {
    if (!m_pTarget) return;
    if (bBlend) {
        if (gdi::Surface* pDst = m_pTarget->GetSurface()) Blend(*pDst, m_rcVisible, m_bitmap.GetSurface());
    } else {
        m_pTarget->BitBlt(m_rcVisible.left, m_rcVisible.top, m_rcVisible.Width(), m_rcVisible.Height(), &m_dc, 0, 0,
                          SRCCOPY);
    }
    Release();
}

void CPaneImage::Blend(gdi::Surface& dst, const CRect& rc, const gdi::Surface& src) {
    // Four bytes at once: a & b keeps the bits both have, (a ^ b) >> 1 adds half of the others, the
    // mask keeps each byte's lowest differing bit from running into the byte below. The X byte is 0,
    // as after any copy.
    for (int y = 0; y < rc.Height(); ++y) {
        uint32_t* d = dst.Row(rc.top + y) + rc.left;
        const uint32_t* s = src.Row(y);
        for (int x = 0; x < rc.Width(); ++x) {
            const uint32_t a = d[x], b = s[x];
            d[x] = ((a & b) + (((a ^ b) & 0xFEFEFEFEu) >> 1)) & 0x00FFFFFFu;
        }
    }
}

void CPaneImage::Release() {
    if (m_dc.GetSafeHdc()) {
        if (m_pOldBitmap) m_dc.SelectObject(m_pOldBitmap);
        m_dc.DeleteDC();
    }
    m_bitmap.DeleteObject();
    m_pOldBitmap = nullptr;
    m_pTarget = nullptr;
}

void CFloatingPane::DrawOffScreen(CDC* pDC) {
    CPaneImage image;
    if (!image.Begin(pDC, m_rcPanel)) return;
    DrawPicture(image.GetDC(), image.Origin());
    image.End(m_bTranslucent);
}
