#include "kinetype/ktbounceoncollision.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"

IMPLEMENT_SERIAL(CKTBounceOnCollision, CKTBehavior, 0)

CKTBounceOnCollision::CKTBounceOnCollision() : CKTPhysicsBhvr(BHVR_BOUNCEONCOLLISION), m_dBounceElasticity(1.0) {
    if (g_bLoading) return;
    HookUp({{EV_POSTSTEP, 1}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});
}

CKTBounceOnCollision::~CKTBounceOnCollision() {}

CString CKTBounceOnCollision::GetName() const { return CString("bounce on collision"); }

void CKTBounceOnCollision::OnEvent(int nEvent) {
    if (nEvent != EV_POSTSTEP) return;
    m_motion.Walk(*this, CKTMotionList::kFetchElement, [this](const CKTMotionList::CEntry& entry) {
        if (entry.pElement->IsColliding()) Bounce(entry);
    });
}

void CKTBounceOnCollision::Bounce(const CKTMotionList::CEntry& entry) {
    CKTElement* pElement = entry.pElement;
    POSITION pos = pElement->GetFirstCollisionPosition();
    CKTElement* pOther = pos ? pElement->GetNextCollision(pos) : nullptr;
    if (!pOther) return;
    CRect rcR = pElement->GetAbsoluteBounds();
    CRect rcC = pOther->GetAbsoluteBounds();
    CRect rcI;
    rcI.IntersectRect(&rcR, &rcC);
    if (rcI == rcR || rcI.IsRectEmpty()) return;
    CKTVectorBhvrProp* pVel = entry.pVel;
    if (!pVel) return;
    CKTVector v = pVel->GetValue();
    double w = static_cast<double>(KTWidth(rcI));
    double h = static_cast<double>(KTHeight(rcI));
    if (w <= h) {
        v.x = -v.x;
        pElement->MoveBy(CKTVector(v.x <= 0.0 ? -w : w, 0.0, 0.0));
    }
    if (h <= w) {
        v.y = -v.y;
        pElement->MoveBy(CKTVector(0.0, v.y <= 0.0 ? -h : h, 0.0));
    }
    v *= m_dBounceElasticity;
    pVel->SetValue(v);
}

void CKTBounceOnCollision::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dBounceElasticity;
    else
        ar >> m_dBounceElasticity;
}
