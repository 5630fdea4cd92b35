#include "kinetype/ktcellmaskrenderer.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"

IMPLEMENT_DYNAMIC(CKTCellMaskRenderer, CKTMaskRenderer)

CKTCellMaskRenderer::CKTCellMaskRenderer(int nType, float fRadius)
    : CKTMaskRenderer(nType, 4),
      m_fRadius(fRadius),
      m_fSpeed(2.0f),
      m_fSpacing(0.2f),
      m_nFrame(0),
      m_nInside(0),
      m_weight{0.0f, 0.0f, 0.0f} {}

void CKTCellMaskRenderer::CopyParametersTo(CKTCellMaskRenderer* p) const {
    p->m_fRadius = m_fRadius;
    p->m_fSpeed = m_fSpeed;
    p->m_fSpacing = m_fSpacing;
}

const int* CKTCellMaskRenderer::GetCell(int c, int r) const {
    WaitPixels();
    if (!HasMask() || c < 0 || r < 0 || c >= MaskWidth() || r >= MaskHeight()) return nullptr;
    return m_pMask + 4 * (static_cast<size_t>(r) * MaskWidth() + c);
}

void CKTCellMaskRenderer::OnPreStep() {
    WaitPixels();
    CKTBook* pBook = g_pCurrentBook;
    if (!IsBlank() && m_pElement && pBook) {
        if (!m_bCacheValid) {
            if (CDC* pDC = BuildDC(*pBook)) BuildCache(pDC);
        }
        if (HasMask()) Recolor(*pBook);
    }
    m_nFrame++;
}

void CKTCellMaskRenderer::FillMask(const CRgn& rgn, const CRect& box) {
    const int nRed = GetRValue(m_crColor), nGreen = GetGValue(m_crColor), nBlue = GetBValue(m_crColor);
    m_nInside = 0;
    ForEachPixel(rgn, box, [&](int i, int, int, bool bInside) {
        int* pCell = m_pMask + 4 * static_cast<size_t>(i);
        if (!bInside) {
            pCell[0] = 0;
            return;
        }
        pCell[0] = 1;
        m_nInside++;
        pCell[1] = nRed;
        pCell[2] = nGreen;
        pCell[3] = nBlue;
    });
}

void CKTCellMaskRenderer::DrawMask(CDC* pDC, int x0, int y0) {
    const int* pMask = m_pMask;
    ForEachSurfacePixel(pDC, x0, y0, [pMask](int i, uint32_t& pixel) {
        const int* pCell = pMask + 4 * static_cast<size_t>(i);
        if (pCell[0]) pixel = gdi::ColorToPixel(RGB(pCell[1], pCell[2], pCell[3]));
    });
}

void CKTCellMaskRenderer::Serialize(CArchive& ar) {
    CKTElementRenderer::Serialize(ar);
    if (ar.IsStoring())
        ar << m_fRadius << m_fSpeed << m_fSpacing;
    else
        ar >> m_fRadius >> m_fSpeed >> m_fSpacing;
}
