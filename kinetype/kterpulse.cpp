#include "kinetype/kterpulse.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(CKTERPulse, CKTERFloatOutline, 0)

CKTERPulse::CKTERPulse()
    : CKTERFloatOutline(RENDERER_PULSE),
      m_fPeriod(10.0f),
      m_fScale(5.0f),
      m_fDistortion(0.1f),
      m_nFrame(0),
      m_ptCenter(0, 0) {}

CKTElementRenderer* CKTERPulse::Clone() {
    auto* p = new CKTERPulse;
    p->m_fPeriod = m_fPeriod;
    p->m_fScale = m_fScale;
    p->m_fDistortion = m_fDistortion;
    return p;
}

void CKTERPulse::MeasureOutline(CDC* pDC) {
    CKTERFloatOutline::MeasureOutline(pDC);
    if (m_outline.m_nPoints == 0) return;
    CRect b(0, 0, 0, 0);
    GetOutlineBox(CKTGlyphRegion(m_restOutline), &b);
    m_ptCenter = CPoint((b.left + b.right) / 2, (b.top + b.bottom) / 2);
}

void CKTERPulse::OnPreStep() {
    CKTBook* pBook = GetBook();
    CDC* pDC = pBook ? pBook->GetCurrentDC() : nullptr;
    ASSERT(pDC != nullptr);
    if (!m_bOutlineValid && pDC) {
        BuildOutline(pDC);
        if (m_pElement) InvalidateExtent();
    }
    GetExtent(pDC);
    if (m_restOutline.m_nPoints == 0 || !m_pElement) return;

    double mx, my;
    GetMouseInGlyph(pBook, &mx, &my);
    const double P = m_fPeriod, A = m_fScale, K = m_fDistortion;
    const double swing = std::sin(2.0 * m_nFrame * 3.14159 / P) * A + A;
    const double cx0 = m_ptCenter.x, cy0 = m_ptCenter.y;

    // The working outline starts as a copy of the rest outline (same polygons: copied in place).
    std::memcpy(m_outline.m_pPoints, m_restOutline.m_pPoints, sizeof(CKTFloatPoint) * static_cast<size_t>(m_outline.m_nPoints));
    for (int i = 0; i < m_outline.m_nPoints; i++) {
        CKTFloatPoint& c = m_outline.m_pPoints[i];
        const double qx = c.x - cx0, qy = c.y - cy0;
        const double wx = mx - c.x, wy = my - c.y;
        const double d = std::sqrt(wx * wx + wy * wy);
        const double den = K * d + 1;
        if (den == 0.0) continue;  // the scale has no value: the vertex stays at rest
        const double s = swing / den + 1;
        if (!(std::fabs(s) <= FLT_MAX)) continue;  // no finite float scale (NaN too)
        const float fs = static_cast<float>(s);
        const double x = cx0 + fs * qx, y = cy0 + fs * qy;
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        c.x = StoreCoord(x);
        c.y = StoreCoord(y);
    }
    m_bExtentValid = 0;
}

void CKTERPulse::Draw() {
    CKTBook* pBook = GetBook();
    if (m_pElement && IsOnScreen(pBook)) {
        CDC* pDC = pBook->GetCurrentDC();
        ASSERT(pDC != nullptr);
        if (pDC) {
            if (!m_bOutlineValid) BuildOutline(pDC);
            if (m_restOutline.m_nPoints > 0) {
                CKTGlyphRegion outline(m_outline);
                MoveOutline(outline, m_pElement->GetAbsolutePoint());
                CPen pen(PS_SOLID, 1, kPenColor);
                CBrush brush(m_crColor);
                CPen* pOldPen = pDC->SelectObject(&pen);
                CBrush* pOldBrush = pDC->SelectObject(&brush);
                pDC->PolyPolygon(outline.m_pPoints, outline.m_pPolyCounts, outline.m_nPolys);
                if (pOldBrush) pDC->SelectObject(pOldBrush);
                if (pOldPen) pDC->SelectObject(pOldPen);
            }
        }
    }
    // The counter wraps instead of overflowing (a document may store INT_MAX).
    m_nFrame = static_cast<int>(static_cast<unsigned>(m_nFrame) + 1u);
}

void CKTERPulse::Serialize(CArchive& ar) {
    CKTElementRenderer::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nFrame);
    } else {
        LONG nFrame;
        ar >> nFrame;
        m_nFrame = nFrame;
    }
    SerializeFloats(ar, {&m_fPeriod, &m_fScale, &m_fDistortion});
}
