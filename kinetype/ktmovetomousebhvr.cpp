#include "kinetype/ktmovetomousebhvr.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTMoveToMouseBhvr, CKTBehavior, 0)

CKTMoveToMouseBhvr::CKTMoveToMouseBhvr() : CKTPhysicsBhvr(BHVR_MOVETOMOUSE) {
    if (g_bLoading) return;
    HookUp({{EV_STEP, 0}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}});
}

CKTMoveToMouseBhvr::~CKTMoveToMouseBhvr() {}

CString CKTMoveToMouseBhvr::GetName() const { return CString("Move To Mouse"); }

void CKTMoveToMouseBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    const CPoint ptMouse = GetBook()->GetMousePoint();
    const CKTVector m(ptMouse.x, ptMouse.y, 0.0);
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        CKTVectorBhvrProp* pVel = KTVectorProp(pElement, PROP_VELOCITY);
        if (!pVel) continue;
        CKTVector v = pVel->GetValue() + (m - pElement->GetPositionVector());
        v /= 2.0;
        pVel->SetValue(v);
    }
}

void CKTMoveToMouseBhvr::Serialize(CArchive& ar) { CKTBehavior::Serialize(ar); }
