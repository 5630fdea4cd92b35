#include "kinetype/kterpull.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTERPull, CKTERFloatOutline, 0)

CKTERPull::CKTERPull()
    : CKTERFloatOutline(RENDERER_PULL),
      m_bPulled(0),
      m_fMouseStrength(400.0f),
      m_fMouseFalloff(25.0f),
      m_fOriginStrength(2.0f) {}

CKTElementRenderer* CKTERPull::Clone() {
    auto* p = new CKTERPull;
    p->m_fMouseStrength = m_fMouseStrength;
    p->m_fMouseFalloff = m_fMouseFalloff;
    p->m_fOriginStrength = m_fOriginStrength;
    return p;
}

void CKTERPull::OnPreStep() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    CDC* pDC = pBook->GetCurrentDC();
    if (!m_bOutlineValid && pDC) BuildOutline(pDC);
    if (m_outline.m_nPoints == 0 || !m_pElement) return;

    bool bPulled = false;
    double mx, my;
    GetMouseInGlyph(pBook, &mx, &my);
    const double A = m_fMouseStrength, B = m_fMouseFalloff, R = m_fOriginStrength;

    for (int i = 0; i < m_outline.m_nPoints; i++) {
        CKTFloatPoint& c = m_outline.m_pPoints[i];
        const CKTFloatPoint& r = m_restOutline.m_pPoints[i];
        const double ux = static_cast<double>(c.x) - r.x, uy = static_cast<double>(c.y) - r.y;
        const double wx = mx - c.x, wy = my - c.y;
        const double d = std::sqrt(wx * wx + wy * wy);
        const double e = std::sqrt(ux * ux + uy * uy);
        // Under the mouse the direction, and with B + d = 0 the weight, has no value: no step.
        if (d == 0.0 || B + d == 0.0) continue;
        const double k = A / (B + d);
        double px = wx * k / d, py = wy * k / d;
        if (e != 0.0) {
            px = px - R * ux / e;
            py = py - R * uy / e;
        }
        const double cx = c.x + px, cy = c.y + py;
        if (!std::isfinite(cx) || !std::isfinite(cy)) continue;
        if (ux * px + uy * py > 0.0) bPulled = true;  // the step takes the vertex farther from rest
        c.x = StoreCoord(cx);
        c.y = StoreCoord(cy);
    }

    m_bPulled = bPulled ? 1 : 0;
    InvalidateExtent();
}

void CKTERPull::Serialize(CArchive& ar) {
    CKTElementRenderer::Serialize(ar);
    SerializeFloats(ar, {&m_fMouseStrength, &m_fMouseFalloff, &m_fOriginStrength});
}
