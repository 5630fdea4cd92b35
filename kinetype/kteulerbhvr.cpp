#include "kinetype/kteulerbhvr.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktvectorbhvrprop.h"

IMPLEMENT_SERIAL(CKTEulerBhvr, CKTBehavior, 0)

CKTEulerBhvr::CKTEulerBhvr() : CKTBehavior(BHVR_EULER) {
    if (g_bLoading) return;
    m_events.Add({EV_PRESTEP, 0});
    m_events.Add({EV_POSTSTEP, 0});
    m_elemPropReqs.Add({PROP_VELOCITY, PROPTYPE_VECTOR});
    m_elemPropReqs.Add({PROP_ACCELERATION, PROPTYPE_VECTOR});
    AcquireBookProps();
}

CString CKTEulerBhvr::GetName() const { return CString("Euler Integration"); }

void CKTEulerBhvr::OnEvent(int nEvent) {
    if (nEvent == EV_PRESTEP)
        ClearAccelerations();
    else if (nEvent == EV_POSTSTEP)
        Integrate();
}

void CKTEulerBhvr::ClearAccelerations() {
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        if (CKTVectorBhvrProp* pAccel = CKTVectorBhvrProp::Cast(pElement->GetProp(PROP_ACCELERATION)))
            pAccel->SetValue(CKTVector(0.0, 0.0, 0.0));
    }
}

void CKTEulerBhvr::Integrate() {
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        CKTVectorBhvrProp* pAccel = CKTVectorBhvrProp::Cast(pElement->GetProp(PROP_ACCELERATION));
        CKTVectorBhvrProp* pVel = CKTVectorBhvrProp::Cast(pElement->GetProp(PROP_VELOCITY));
        if (!pAccel || !pVel) continue;  // not a vector in the slot: treated as absent
        CKTVector a = pAccel->GetValue();
        double dAccel = a.Length();
        if (dAccel > kMaxAcceleration) a = a * (kMaxAcceleration / dAccel);  // used here, not written back
        CKTVector v = pVel->GetValue() + a * kTimeStep;
        double dVel = v.Length();
        if (dVel > kMaxVelocity) v = v * (kMaxVelocity / dVel);
        pElement->MoveBy(v * kTimeStep);
        pVel->SetValue(v);
    }
}

void CKTEulerBhvr::Serialize(CArchive& ar) { CKTBehavior::Serialize(ar); }
