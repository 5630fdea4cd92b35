#include "kinetype/kttrackingmaskrenderer.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"

IMPLEMENT_DYNAMIC(CKTTrackingMaskRenderer, CKTMaskRenderer)

CKTTrackingMaskRenderer::CKTTrackingMaskRenderer(int nType, int nIntsPerPixel, float fMouseOver, float fMouseOutside)
    : CKTMaskRenderer(nType, nIntsPerPixel),
      m_bMaster(1),
      m_rcTrack(0, 0, 0, 0),
      m_fMouseOver(fMouseOver),
      m_fMouseOutside(fMouseOutside) {}

void CKTTrackingMaskRenderer::SetElement(CKTElement* pElement, BYTE bFlag) {
    if (!pElement) {
        SetEventRegistration(EV_DRAW, FALSE);
        SetEventRegistration(EV_PRESTEP, FALSE);
        return;
    }
    m_pElement = pElement;
    if (m_bMaster) SetEventRegistration(EV_PRESTEP, TRUE);
    if (pElement->GetKind() == KIND_GLYPH) SetEventRegistration(EV_DRAW, TRUE);
    for (CKTElement* pChild = pElement->GetFirstChild(); pChild; pChild = pChild->GetNextSibling()) {
        auto* pCopy = static_cast<CKTTrackingMaskRenderer*>(Clone());
        pCopy->m_bMaster = 0;
        if (!pChild->SetRenderer(pCopy, bFlag)) delete pCopy;
    }
}

void CKTTrackingMaskRenderer::OnPreStep() {
    WaitPixels();
    if (!m_pElement) return;
    CKTBook* pBook = g_pCurrentBook;
    if (!pBook) return;
    if (m_bMaster) {
        const CPoint ptOrigin = m_pElement->GetAbsolutePoint();
        const CRect rc = m_pElement->GetKind() == KIND_GLYPH ? GetExtent(pBook->GetCurrentDC()) : m_pElement->GetBounds();
        m_rcTrack = KTOffsetRect(rc, ptOrigin);
    }
    const CRect rcTrack = m_rcTrack;
    ForEachChildCopy<CKTTrackingMaskRenderer>([&rcTrack](CKTTrackingMaskRenderer* pCopy) {
        pCopy->m_rcTrack = rcTrack;
        pCopy->OnPreStep();
    });
    if (IsBlank()) return;
    if (!m_bCacheValid) {
        CDC* pDC = BuildDC(*pBook);
        if (!pDC) return;
        BuildCache(pDC);
    }
    if (!HasMask()) return;
    Animate(*pBook);
}

BOOL CKTTrackingMaskRenderer::IsMouseInside(const CKTBook& book) {
    if (m_bMaster) return m_rcExtent.PtInRect(LocalMousePoint(book));
    return m_rcTrack.PtInRect(book.GetMousePoint());
}

void CKTTrackingMaskRenderer::SetMouseOverRate(float f) {
    m_fMouseOver = f;
    ForEachChildCopy<CKTTrackingMaskRenderer>([f](CKTTrackingMaskRenderer* pCopy) { pCopy->SetMouseOverRate(f); });
}

void CKTTrackingMaskRenderer::SetMouseOutsideRate(float f) {
    m_fMouseOutside = f;
    ForEachChildCopy<CKTTrackingMaskRenderer>([f](CKTTrackingMaskRenderer* pCopy) { pCopy->SetMouseOutsideRate(f); });
}

void CKTTrackingMaskRenderer::Serialize(CArchive& ar) {
    CKTElementRenderer::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_fMouseOver << m_fMouseOutside;
    } else {
        ar >> m_fMouseOver >> m_fMouseOutside;
        // Only a master listens to the pre-step: a loaded copy keeps following its master.
        m_bMaster = m_bOnPreStep ? 1 : 0;
    }
}
