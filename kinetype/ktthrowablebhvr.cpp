#include "kinetype/ktthrowablebhvr.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTThrowableBhvr, CKTBehavior, 0)

CKTThrowableBhvr::CKTThrowableBhvr() : CKTPhysicsBhvr(BHVR_THROWABLE), m_pGrabbed(nullptr), m_nHistory(0) {
    if (g_bLoading) return;
    HookUp({{EV_STEP, 0}, {EV_LBUTTONDOWN, 0}, {EV_LBUTTONUP, 0}},
           {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});
}

CKTThrowableBhvr::~CKTThrowableBhvr() {}

CString CKTThrowableBhvr::GetName() const { return CString("Throwable"); }

void CKTThrowableBhvr::OnEvent(int nEvent) {
    switch (nEvent) {
    case EV_LBUTTONDOWN: Press(); break;
    case EV_STEP: Drag(); break;
    case EV_LBUTTONUP: Release(); break;
    default: break;
    }
}

void CKTThrowableBhvr::Record(CPoint pt) {
    if (m_nHistory < kHistory) {
        m_history[m_nHistory++] = pt;
        return;
    }
    for (UINT i = 1; i < kHistory; i++) m_history[i - 1] = m_history[i];
    m_history[kHistory - 1] = pt;
}

void CKTThrowableBhvr::Press() {
    const CPoint pt = GetBook()->GetMousePoint();
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        if (!pElement->GetAbsoluteBounds().PtInRect(pt)) continue;
        m_pGrabbed = pElement;
        Record(pt);
    }
}

void CKTThrowableBhvr::Drag() {
    if (!m_pGrabbed) return;
    const CPoint pt = GetBook()->GetMousePoint();
    const CPoint ptCenter = m_pGrabbed->GetCenter();
    m_pGrabbed->MoveBy(CKTVector(static_cast<double>(pt.x) - ptCenter.x, static_cast<double>(pt.y) - ptCenter.y, 0.0));
    Record(pt);
}

void CKTThrowableBhvr::Release() {
    if (!m_pGrabbed) return;
    const CPoint pt = GetBook()->GetMousePoint();
    CKTVectorBhvrProp* pVel = KTVectorProp(m_pGrabbed, PROP_VELOCITY);
    if (pVel && m_nHistory > 0)
        pVel->SetValue(CKTVector(static_cast<double>(pt.x) - m_history[0].x, static_cast<double>(pt.y) - m_history[0].y, 0.0));
    m_pGrabbed = nullptr;
    m_nHistory = 0;
}

BOOL CKTThrowableBhvr::RemoveElement(CKTElement* pElement) {
    BOOL bRemoved = CKTBehavior::RemoveElement(pElement);
    if (bRemoved && pElement == m_pGrabbed) {
        // The interrupted drag's points go with it: the next press starts a throw of its own.
        m_pGrabbed = nullptr;
        m_nHistory = 0;
    }
    return bRemoved;
}

void CKTThrowableBhvr::Serialize(CArchive& ar) { CKTBehavior::Serialize(ar); }

void CKTThrowableBhvr::ForgetLinks() {
    m_pGrabbed = nullptr;
    m_nHistory = 0;
    CKTBehavior::ForgetLinks();
}
