#include "kinetype/kterclay.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTERClay, CKTERFloatOutline, 0)

CKTERClay::CKTERClay()
    : CKTERFloatOutline(RENDERER_CLAY),
      m_fMouseStrength(10.0f),
      m_fMouseFalloff(10.0f),
      m_fOriginStrength(0.15f),
      m_ptPrevMouse(0, 0),
      m_bMouseSeen(0) {}

CKTElementRenderer* CKTERClay::Clone() {
    auto* p = new CKTERClay;
    p->m_fMouseStrength = m_fMouseStrength;
    p->m_fMouseFalloff = m_fMouseFalloff;
    p->m_fOriginStrength = m_fOriginStrength;
    return p;
}

void CKTERClay::OnPreStep() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    CDC* pDC = pBook->GetCurrentDC();
    if (!m_bOutlineValid && pDC) BuildOutline(pDC);
    if (m_outline.m_nPoints == 0 || !m_pElement) return;
    if (!pBook->IsLeftButtonDown()) {
        m_bMouseSeen = 0;
        return;
    }

    const CPoint ptMouse = pBook->GetMousePoint();
    double dx, dy, mx, my;
    GetMouseMotion(ptMouse, m_ptPrevMouse, m_bMouseSeen, &dx, &dy);
    GetMouseInGlyph(pBook, &mx, &my);
    for (int i = 0; i < m_outline.m_nPoints; i++) {
        // The pull back towards rest acts for any vertex off rest (e > 0); a vertex whose weight has no
        // value, or whose step has no finite value, stays this time.
        double px, py;
        if (!GetMotionStep(i, mx, my, dx, dy, m_fMouseStrength, m_fMouseFalloff, m_fOriginStrength, 0.0, &px, &py))
            continue;
        CKTFloatPoint& c = m_outline.m_pPoints[i];
        const double cx = c.x + px, cy = c.y + py;
        if (!std::isfinite(cx) || !std::isfinite(cy)) continue;
        c.x = StoreCoord(cx);
        c.y = StoreCoord(cy);
    }

    m_ptPrevMouse = ptMouse;
    InvalidateExtent();
}

void CKTERClay::Serialize(CArchive& ar) {
    CKTElementRenderer::Serialize(ar);
    SerializeFloats(ar, {&m_fMouseStrength, &m_fMouseFalloff, &m_fOriginStrength});
}
