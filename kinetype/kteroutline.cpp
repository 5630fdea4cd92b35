#include "kinetype/kteroutline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/kterdefault.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"

IMPLEMENT_DYNAMIC(CKTEROutline, CKTElementRenderer)
IMPLEMENT_DYNAMIC(CKTERFloatOutline, CKTEROutline)

CKTEROutline::CKTEROutline(int nType)
    : CKTElementRenderer(nType),
      m_crColor(0),
      m_nPointSize(12),
      m_cChar(0),
      m_rcExtent(0, 0, 0, 0),
      m_bExtentValid(0),
      m_bOutlineValid(0) {
    std::memset(&m_lf, 0, sizeof m_lf);
}

void CKTEROutline::OnStep() {}
void CKTEROutline::OnPostStep() {}

void CKTEROutline::SetElement(CKTElement* pElement, BYTE bFlag) { AttachDrawingEveryFrame(pElement, bFlag); }

BOOL CKTEROutline::AllowsChildRenderers() { return TRUE; }

void CKTEROutline::SetChar(char c) {
    m_cChar = c;
    InvalidateOutline();
}

void CKTEROutline::SetFont(LOGFONT lf) {
    m_lf = lf;
    InvalidateOutline();
}

void CKTEROutline::SetPointSize(int nPoints) {
    m_nPointSize = nPoints;
    InvalidateOutline();
}

void CKTEROutline::SetColor(COLORREF cr) { m_crColor = cr; }

CRect CKTEROutline::GetExtent(CDC* pDC) {
    if (m_bExtentValid) return m_rcExtent;
    if (m_cChar != ' ') {
        if (pDC) MeasureOutline(pDC);
    } else if (pDC) {
        SetSpaceExtent(pDC);
    }
    m_bExtentValid = 1;
    InvalidateElementBounds();
    return m_rcExtent;
}

void CKTEROutline::InvalidateOutline() {
    m_bExtentValid = 0;
    m_bOutlineValid = 0;
    InvalidateElementBounds();
}

void CKTEROutline::InvalidateExtent() {
    m_bExtentValid = 0;
    InvalidateElementBounds();
}

void CKTEROutline::InvalidateElementBounds() {
    if (m_pElement) m_pElement->InvalidateBounds();
}

template <class TOutline>
BOOL CKTEROutline::ReadOutline(CDC* pDC, TOutline* pOutline) {
    ASSERT(pDC != nullptr);
    if (!pDC) return FALSE;
    CFont font;
    const BOOL bCreated = font.CreatePointFontIndirect(&m_lf);
    ASSERT(bCreated);
    if (!bCreated) return FALSE;
    CFont* pOldFont = pDC->SelectObject(&font);
    ASSERT(pOldFont != nullptr);
    if (!pOldFont) return FALSE;
    *pOutline = TOutline(pDC, m_cChar);
    pDC->SelectObject(pOldFont);
    return TRUE;
}

template BOOL CKTEROutline::ReadOutline<CKTGlyphRegion>(CDC*, CKTGlyphRegion*);
template BOOL CKTEROutline::ReadOutline<CKTFloatGlyphRegion>(CDC*, CKTFloatGlyphRegion*);

void CKTEROutline::SetSpaceExtent(CDC* pDC) {
    // The metrics box is the default renderer's extent of a space in the same font.
    CKTERDefault plain;
    plain.SetFont(m_lf);
    plain.SetChar(' ');
    m_rcExtent = plain.GetExtent(pDC);
}

BOOL CKTEROutline::IsOnScreen(CKTBook* pBook) {
    if (!m_pElement || !pBook) return FALSE;
    const CRect rcClient = pBook->GetClientRect();
    const CRect rcGlyph = m_pElement->GetAbsoluteBounds();
    CRect rcMeet;
    return rcMeet.IntersectRect(&rcClient, &rcGlyph);
}

void CKTEROutline::GetMouseInGlyph(CKTBook* pBook, double* pX, double* pY) {
    const CPoint ptMouse = pBook->GetMousePoint();
    const CPoint ptOrigin = m_pElement->GetAbsolutePoint();
    *pX = static_cast<double>(ptMouse.x) - ptOrigin.x;
    *pY = static_cast<double>(ptMouse.y) - ptOrigin.y;
}

void CKTEROutline::SerializeFloats(CArchive& ar, std::initializer_list<float*> fields) {
    for (float* pField : fields) {
        if (ar.IsStoring()) ar << *pField;
        else ar >> *pField;
    }
}

double CKTEROutline::Saturate(double v) { return std::clamp(v, -kVertexLimit, kVertexLimit); }

BOOL CKTEROutline::GetOutlineBox(const CKTGlyphRegion& outline, CRect* pBox) {
    CRgn rgn;
    if (!rgn.CreatePolyPolygonRgn(outline.m_pPoints, outline.m_pPolyCounts, outline.m_nPolys, WINDING)) return FALSE;
    RECT rc;
    rgn.GetRgnBox(&rc);
    *pBox = rc;
    return TRUE;
}

void CKTEROutline::MoveOutline(CKTGlyphRegion& outline, CPoint pt) {
    const auto move = [](LONG v, LONG d) { return static_cast<LONG>(Saturate(static_cast<double>(v) + d)); };
    for (int i = 0; i < outline.m_nPoints; i++) {
        outline.m_pPoints[i].x = move(outline.m_pPoints[i].x, pt.x);
        outline.m_pPoints[i].y = move(outline.m_pPoints[i].y, pt.y);
    }
}

void CKTEROutline::FillOutline(CDC* pDC, CKTGlyphRegion outline, CPoint pt, COLORREF cr) {
    // Moving the vertices before making the region gives the pixels of the region moved afterwards,
    // and saturates where a region's offset would be refused.
    MoveOutline(outline, pt);
    CRgn rgn;
    if (!rgn.CreatePolyPolygonRgn(outline.m_pPoints, outline.m_pPolyCounts, outline.m_nPolys, WINDING)) return;
    CBrush brush(cr);
    pDC->FillRgn(&rgn, &brush);
}

// ---- CKTERFloatOutline --------------------------------------------------------------------------

void CKTERFloatOutline::BuildOutline(CDC* pDC) {
    if (m_bOutlineValid) return;
    CKTFloatGlyphRegion rest;
    if (!ReadOutline(pDC, &rest)) return;
    InstallOutline(rest);
}

void CKTERFloatOutline::InstallOutline(const CKTFloatGlyphRegion& rest) {
    m_restOutline = rest;
    m_outline = rest;
    OnOutlineBuilt();
    m_bOutlineValid = 1;
    InvalidateExtent();
}

void CKTERFloatOutline::MeasureOutline(CDC* pDC) {
    BuildOutline(pDC);
    if (m_restOutline.m_nPoints > 0) GetOutlineBox(CKTGlyphRegion(m_outline), &m_rcExtent);
}

void CKTERFloatOutline::GetMouseMotion(CPoint ptMouse, CPoint& ptPrev, BYTE& bSeen, double* pdx, double* pdy) {
    if (!bSeen) {
        ptPrev = ptMouse;
        bSeen = 1;
    }
    *pdx = static_cast<double>(ptMouse.x) - ptPrev.x;
    *pdy = static_cast<double>(ptMouse.y) - ptPrev.y;
}

bool CKTERFloatOutline::GetMotionStep(int i, double mx, double my, double dx, double dy, double A, double B, double S,
                                      double eMin, double* px, double* py) const {
    const CKTFloatPoint& c = m_outline.m_pPoints[i];
    const CKTFloatPoint& r = m_restOutline.m_pPoints[i];
    const double ux = static_cast<double>(c.x) - r.x, uy = static_cast<double>(c.y) - r.y;
    const double wx = mx - c.x, wy = my - c.y;
    const double e = std::sqrt(ux * ux + uy * uy);
    const double d = std::sqrt(wx * wx + wy * wy);
    if (B + d == 0.0) return false;
    const double k = A / (B + d);
    *px = k * dx;
    *py = k * dy;
    if (e > eMin) {
        *px = *px - S * ux / e;
        *py = *py - S * uy / e;
    }
    return true;
}

void CKTERFloatOutline::Draw() {
    CKTBook* pBook = GetBook();
    CDC* pDC = pBook ? pBook->GetCurrentDC() : nullptr;
    ASSERT(pDC != nullptr);
    if (!pDC || !m_pElement || !IsOnScreen(pBook)) return;
    if (!m_bOutlineValid) BuildOutline(pDC);
    if (m_restOutline.m_nPoints == 0) return;
    FillOutline(pDC, CKTGlyphRegion(m_outline), m_pElement->GetAbsolutePoint(), m_crColor);
}
