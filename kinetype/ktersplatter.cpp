#include "kinetype/ktersplatter.h"

IMPLEMENT_SERIAL(CKTERSplatter, CKTErodingRenderer, 0)

CKTERSplatter::CKTERSplatter() : CKTErodingRenderer(RENDERER_SPLATTER) {}

CKTElementRenderer* CKTERSplatter::Clone() { return CloneRates(new CKTERSplatter); }

void CKTERSplatter::FillMask(const CRgn& rgn, const CRect& box) {
    m_nTotal = 0;
    ForEachPixel(rgn, box, [this](int i, int, int, bool bInside) {
        m_pMask[i] = bInside ? 1 : 0;
        if (bInside) m_nTotal++;
    });
    m_nPresent = m_nTotal;
}

void CKTERSplatter::DrawMask(CDC* pDC, int x0, int y0) {
    PaintEntries(pDC, x0, y0, [](int v) { return v == 1; });
}

void CKTERSplatter::ErosionPass(float p) {
    const int n = MaskWidth() * MaskHeight();
    for (int i = 0; i < n; i++) {
        if (m_pMask[i] != 1 || !Draws(p)) continue;
        m_pMask[i] = 2;
        CountVanished();
    }
}

void CKTERSplatter::RegrowthPass(float p) {
    const int n = MaskWidth() * MaskHeight();
    for (int i = 0; i < n; i++) {
        if (m_pMask[i] != 2 || !Draws(p)) continue;
        m_pMask[i] = 1;
        CountRegrown();
    }
}
