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
    if (!m_bMouseSeen) {
        m_ptPrevMouse = ptMouse;
        m_bMouseSeen = 1;
    }
    const double dx = static_cast<double>(ptMouse.x) - m_ptPrevMouse.x;
    const double dy = static_cast<double>(ptMouse.y) - m_ptPrevMouse.y;
    double mx, my;
    GetMouseInGlyph(pBook, &mx, &my);
    const double A = m_fMouseStrength, B = m_fMouseFalloff, S = m_fOriginStrength;

    for (int i = 0; i < m_outline.m_nPoints; i++) {
        CKTFloatPoint& c = m_outline.m_pPoints[i];
        const CKTFloatPoint& r = m_restOutline.m_pPoints[i];
        const double ux = static_cast<double>(c.x) - r.x, uy = static_cast<double>(c.y) - r.y;
        const double wx = mx - c.x, wy = my - c.y;
        const double e = std::sqrt(ux * ux + uy * uy);
        const double d = std::sqrt(wx * wx + wy * wy);
        if (B + d == 0.0) continue;  // the weight has no value: this vertex rests this time
        const double k = A / (B + d);
        double px = k * dx, py = k * dy;
        if (e != 0.0) {
            px = px - S * ux / e;
            py = py - S * uy / e;
        }
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
