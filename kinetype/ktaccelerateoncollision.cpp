#include "kinetype/ktaccelerateoncollision.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"

IMPLEMENT_SERIAL(CKTAccelerateOnCollision, CKTBehavior, 0)

CKTAccelerateOnCollision::CKTAccelerateOnCollision()
    : CKTPhysicsBhvr(BHVR_ACCELERATEONCOLLISION), m_dCollisionMagnitude(25.0) {
    if (g_bLoading) return;
    HookUp({{EV_POSTSTEP, 1}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});
}

CKTAccelerateOnCollision::~CKTAccelerateOnCollision() {}

CString CKTAccelerateOnCollision::GetName() const { return CString("accelerate on collision"); }

double CKTAccelerateOnCollision::DistanceFactor(double dNearest) {
    if (dNearest < 5.0) return 10.0;
    if (dNearest < 10.0) return 5.0;
    return 2.0;
}

void CKTAccelerateOnCollision::OnEvent(int nEvent) {
    if (nEvent != EV_POSTSTEP) return;
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        if (pElement->IsColliding()) Push(pElement);
    }
}

void CKTAccelerateOnCollision::Push(CKTElement* pElement) {
    CKTVectorBhvrProp* pAcc = KTVectorProp(pElement, PROP_ACCELERATION);
    if (!pAcc) return;
    CKTVector s(0.0, 0.0, 0.0);
    double dNearest = 666666.0;
    CKTVector centre = pElement->GetPositionVector();
    for (POSITION pos = pElement->GetFirstCollisionPosition(); pos;) {
        CKTElement* pOther = pElement->GetNextCollision(pos);
        if (!pOther) continue;
        CKTVector d = centre - pOther->GetPositionVector();
        s += d;
        double dDistance = d.Length();
        if (dDistance < dNearest) dNearest = dDistance;
    }
    double dLength = s.Length();
    if (!(dLength > 0.0) || !std::isfinite(dLength)) return;  // no direction: no push
    s /= dLength;
    CKTVector a = s * (DistanceFactor(dNearest) * m_dCollisionMagnitude);
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(a.z)) return;
    pAcc->SetValue(a);
}

void CKTAccelerateOnCollision::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dCollisionMagnitude;
    else
        ar >> m_dCollisionMagnitude;
}
