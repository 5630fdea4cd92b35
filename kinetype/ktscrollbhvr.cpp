#include "kinetype/ktscrollbhvr.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTScrollBhvr, CKTBehavior, 0)

CKTScrollBhvr::CKTScrollBhvr() : CKTBehavior(BHVR_SCROLL), m_nOrientation(0), m_nJustify(0), m_dScrollSpeed(-0.5) {
    if (g_bLoading) return;
    m_events.Add(CKTEventReg{EV_STEP, 0});
}

CKTScrollBhvr::~CKTScrollBhvr() {}

CString CKTScrollBhvr::GetName() const { return CString("Scroll"); }

std::vector<CKTElement*> CKTScrollBhvr::WalkOrder() const {
    std::vector<CKTElement*> order;
    order.reserve(static_cast<size_t>(m_elements.GetCount()));
    if (m_dScrollSpeed < 0.0) {
        for (POSITION pos = m_elements.GetHeadPosition(); pos;) order.push_back(m_elements.GetNext(pos));
    } else {
        for (POSITION pos = m_elements.GetTailPosition(); pos;) order.push_back(m_elements.GetPrev(pos));
    }
    return order;
}

void CKTScrollBhvr::AlignWith(CKTElement* pElement, CKTElement* pPrev) const {
    const CRect rcPrev = pPrev->GetAbsoluteBounds();
    const CRect rc = pElement->GetAbsoluteBounds();
    double dx;
    switch (m_nJustify) {
    case 0: dx = static_cast<double>(rcPrev.left) - rc.left; break;
    case 1: dx = static_cast<double>(pPrev->GetCenter().x) - pElement->GetCenter().x; break;
    case 2: dx = static_cast<double>(rcPrev.right) - rc.right; break;
    default: return;
    }
    pElement->MoveBy(CKTVector(dx, 0.0, 0.0));
}

void CKTScrollBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    if (m_nOrientation != 0 && m_nOrientation != 1) return;
    const CRect rcClient = GetBook()->GetClientRect();
    const double speed = m_dScrollSpeed;
    CKTElement* pPrev = nullptr;
    // Moving kills nothing, so the walk order taken now stays valid.
    for (CKTElement* pElement : WalkOrder()) {
        if (!pElement) continue;
        if (m_nOrientation == 0) {
            pElement->MoveBy(CKTVector(speed, 0.0, 0.0));
            const CRect rc = pElement->GetAbsoluteBounds();
            const double x = pElement->GetAbsolutePosition().x;
            if (speed < 0.0 && rc.right < 0) {
                const double to = pPrev ? static_cast<double>(pPrev->GetAbsoluteBounds().right) : rcClient.right;
                pElement->MoveBy(CKTVector(to - x, 0.0, 0.0));
            } else if (speed > 0.0 && rc.left > rcClient.right) {
                const double to = pPrev ? pPrev->GetAbsolutePosition().x : 0.0;
                pElement->MoveBy(CKTVector(to - rc.right, 0.0, 0.0));
            }
        } else {
            pElement->MoveBy(CKTVector(0.0, speed, 0.0));
            const CRect rc = pElement->GetAbsoluteBounds();
            if (speed < 0.0 && rc.bottom < 0) {
                const double to = pPrev ? static_cast<double>(pPrev->GetAbsoluteBounds().bottom) + 2.0 : rcClient.bottom;
                pElement->MoveBy(CKTVector(0.0, to - rc.top, 0.0));
            } else if (speed > 0.0 && rc.top > rcClient.bottom) {
                const double to = pPrev ? static_cast<double>(pPrev->GetAbsoluteBounds().top) - 2.0 : 0.0;
                pElement->MoveBy(CKTVector(0.0, to - rc.bottom, 0.0));
            }
            if (pPrev) AlignWith(pElement, pPrev);
        }
        pPrev = pElement;
    }
}

void CKTScrollBhvr::StackElements() {
    if (m_elements.IsEmpty()) return;
    CKTElement* pHead = m_elements.GetHead();
    if (!pHead) return;
    const CKTVector vHead = pHead->GetAbsolutePosition();
    CKTElement* pPrev = nullptr;
    for (CKTElement* pElement : WalkOrder()) {
        if (!pElement) continue;
        if (!pPrev) {
            if (pElement != pHead) pElement->MoveBy(vHead - pElement->GetAbsolutePosition());
        } else {
            const CRect rcPrev = pPrev->GetAbsoluteBounds();
            const CRect rc = pElement->GetAbsoluteBounds();
            const double dy = m_dScrollSpeed < 0.0 ? static_cast<double>(rcPrev.bottom) + 2.0 - rc.top
                                                   : static_cast<double>(rcPrev.top) - 2.0 - rc.bottom;
            pElement->MoveBy(CKTVector(0.0, dy, 0.0));
            AlignWith(pElement, pPrev);
        }
        pPrev = pElement;
    }
}

void CKTScrollBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dScrollSpeed << m_nOrientation << m_nJustify;
    else
        ar >> m_dScrollSpeed >> m_nOrientation >> m_nJustify;
}
