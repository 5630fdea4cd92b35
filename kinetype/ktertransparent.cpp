#include "kinetype/ktertransparent.h"

#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTERTransparent, CKTTrackingMaskRenderer, 0)

CKTERTransparent::CKTERTransparent() : CKTTrackingMaskRenderer(RENDERER_TRANSPARENT, 1, 0.0f, 0.0f), m_fTransparency(0.5f) {}

CKTElementRenderer* CKTERTransparent::Clone() {
    auto* p = new CKTERTransparent;
    p->m_fMouseOver = m_fMouseOver;
    p->m_fMouseOutside = m_fMouseOutside;
    p->m_fTransparency = m_fTransparency;
    return p;
}

void CKTERTransparent::SetTransparency(float t) {
    m_fTransparency = t;
    ForEachChildCopy<CKTERTransparent>([t](CKTERTransparent* pCopy) { pCopy->SetTransparency(t); });
}

void CKTERTransparent::Animate(CKTBook& book) {
    m_fTransparency += IsMouseInside(book) ? m_fMouseOver : m_fMouseOutside;
    if (m_fTransparency < 0.0f)
        m_fTransparency = 0.0f;
    else if (m_fTransparency > 1.0f)
        m_fTransparency = 1.0f;
}

void CKTERTransparent::DrawMask(CDC* pDC, int x0, int y0) {
    float t = m_fTransparency;
    if (!(t >= 0.0f)) t = 0.0f;  // NaN too
    if (t > 1.0f) t = 1.0f;
    const BYTE r = GetRValue(m_crColor), g = GetGValue(m_crColor), b = GetBValue(m_crColor);
    const int* pMask = m_pMask;
    ForEachSurfacePixel(pDC, x0, y0, [&](int i, uint32_t& pixel) {
        if (!pMask[i]) return;
        const COLORREF crOld = gdi::PixelToColor(pixel);
        const int nRed = TruncToInt((1.0 - t) * r + t * GetRValue(crOld));
        const int nGreen = TruncToInt((1.0 - t) * g + t * GetGValue(crOld));
        const int nBlue = TruncToInt((1.0 - t) * b + t * GetBValue(crOld));
        pixel = gdi::ColorToPixel(RGB(nRed, nGreen, nBlue));
    });
}

void CKTERTransparent::Serialize(CArchive& ar) {
    CKTTrackingMaskRenderer::Serialize(ar);
    if (ar.IsStoring())
        ar << m_fTransparency;
    else
        ar >> m_fTransparency;
}
