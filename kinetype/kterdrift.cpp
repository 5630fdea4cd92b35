#include "kinetype/kterdrift.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTERDrift, CKTERFloatOutline, 0)

CKTERDrift::CKTERDrift()
    : CKTERFloatOutline(RENDERER_DRIFT),
      m_fMouseStrength(10.0f),
      m_fMouseFalloff(10.0f),
      m_fOriginStrength(0.15f),
      m_fFriction(0.02f),
      m_pVelocities(nullptr),
      m_ptPrevMouse(0, 0),
      m_bMouseSeen(0) {}

CKTERDrift::~CKTERDrift() { delete[] m_pVelocities; }

CKTElementRenderer* CKTERDrift::Clone() {
    auto* p = new CKTERDrift;
    p->m_fMouseStrength = m_fMouseStrength;
    p->m_fMouseFalloff = m_fMouseFalloff;
    p->m_fOriginStrength = m_fOriginStrength;
    p->m_fFriction = m_fFriction;
    return p;
}

void CKTERDrift::OnOutlineBuilt() {
    delete[] m_pVelocities;
    m_pVelocities = m_restOutline.m_nPoints > 0 ? new float[2 * static_cast<size_t>(m_restOutline.m_nPoints)]() : nullptr;
}

void CKTERDrift::OnPreStep() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    CDC* pDC = pBook->GetCurrentDC();
    if (!m_bOutlineValid && pDC) BuildOutline(pDC);
    if (m_outline.m_nPoints == 0 || !m_pElement) return;

    const CPoint ptMouse = pBook->GetMousePoint();
    double dx, dy, mx, my;
    GetMouseMotion(ptMouse, m_ptPrevMouse, m_bMouseSeen, &dx, &dy);
    GetMouseInGlyph(pBook, &mx, &my);
    const double D = m_fFriction;
    for (int i = 0; i < m_outline.m_nPoints; i++) {
        // A vertex whose weight has no value rests this time, velocity included.
        double px, py;
        if (!GetMotionStep(i, mx, my, dx, dy, m_fMouseStrength, m_fMouseFalloff, m_fOriginStrength, 0.25, &px, &py))
            continue;
        // v := v + p; c := c + v; v := v (1 - D), each stored as a float; a step without a finite
        // value leaves the vertex and its velocity alone.
        CKTFloatPoint& c = m_outline.m_pPoints[i];
        float* v = m_pVelocities + 2 * i;
        const double vx = v[0] + px, vy = v[1] + py;
        if (!std::isfinite(vx) || !std::isfinite(vy)) continue;
        const float fvx = StoreCoord(vx), fvy = StoreCoord(vy);
        const double cx = c.x + static_cast<double>(fvx), cy = c.y + static_cast<double>(fvy);
        const double vx2 = fvx * (1.0 - D), vy2 = fvy * (1.0 - D);
        if (!std::isfinite(vx2) || !std::isfinite(vy2)) continue;
        c.x = StoreCoord(cx);
        c.y = StoreCoord(cy);
        v[0] = StoreCoord(vx2);
        v[1] = StoreCoord(vy2);
    }

    m_ptPrevMouse = ptMouse;
    InvalidateExtent();
}

void CKTERDrift::Serialize(CArchive& ar) {
    CKTElementRenderer::Serialize(ar);
    SerializeFloats(ar, {&m_fMouseStrength, &m_fMouseFalloff, &m_fOriginStrength});
}
