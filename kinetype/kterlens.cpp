#include "kinetype/kterlens.h"

#include <cmath>
#include <cstring>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTERLens, CKTEROutline, 0)

CKTERLens::CKTERLens() : CKTEROutline(RENDERER_LENS), m_fMagnification(1.0f), m_fFalloff(20.0f) {}

CKTElementRenderer* CKTERLens::Clone() {
    auto* p = new CKTERLens;
    p->m_fMagnification = m_fMagnification;
    p->m_fFalloff = m_fFalloff;
    return p;
}

void CKTERLens::BuildOutline(CDC* pDC) {
    if (m_bOutlineValid) return;
    CKTGlyphRegion rest;
    if (!ReadOutline(pDC, &rest)) return;
    InstallOutline(rest);
}

void CKTERLens::InstallOutline(const CKTGlyphRegion& rest) {
    m_restOutline = rest;
    m_outline = rest;
    m_bOutlineValid = 1;
    InvalidateExtent();
}

void CKTERLens::MeasureOutline(CDC* pDC) {
    if (!m_bOutlineValid) BuildOutline(pDC);
    if (m_restOutline.m_nPoints > 0) GetOutlineBox(m_outline, &m_rcExtent);
}

void CKTERLens::OnPreStep() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    CDC* pDC = pBook->GetCurrentDC();
    if (!m_bOutlineValid && pDC) {
        BuildOutline(pDC);
        if (m_pElement) InvalidateExtent();
    }
    if (m_restOutline.m_nPoints == 0 || !m_pElement) return;

    double mx, my;
    GetMouseInGlyph(pBook, &mx, &my);
    const double G = m_fMagnification, F = m_fFalloff;
    // The working outline starts as a copy of the rest outline (same polygons: copied in place).
    std::memcpy(m_outline.m_pPoints, m_restOutline.m_pPoints, sizeof(POINT) * static_cast<size_t>(m_outline.m_nPoints));
    for (int i = 0; i < m_outline.m_nPoints; i++) {
        POINT& c = m_outline.m_pPoints[i];
        const double vx = c.x - mx, vy = c.y - my;
        const double r = std::sqrt(vx * vx + vy * vy);
        if (r == 0.0) continue;
        const double g = F - (F - 1) / (r + 1);
        const double x = c.x + std::trunc(G * g * vx / r), y = c.y + std::trunc(G * g * vy / r);
        if (!std::isfinite(x) || !std::isfinite(y)) continue;  // the vertex stays at rest
        c.x = static_cast<LONG>(Saturate(x));
        c.y = static_cast<LONG>(Saturate(y));
    }
    InvalidateExtent();
}

void CKTERLens::Draw() {
    CKTBook* pBook = GetBook();
    CDC* pDC = pBook ? pBook->GetCurrentDC() : nullptr;
    ASSERT(pDC != nullptr);
    if (!pDC || !m_pElement || !IsOnScreen(pBook)) return;
    if (!m_bOutlineValid) {
        BuildOutline(pDC);
        m_bExtentValid = 0;
    }
    if (m_outline.m_nPoints == 0) return;
    FillOutline(pDC, m_outline, m_pElement->GetAbsolutePoint(), m_crColor);
}

void CKTERLens::Serialize(CArchive& ar) {
    CKTElementRenderer::Serialize(ar);
    SerializeFloats(ar, {&m_fFalloff, &m_fMagnification});
}
