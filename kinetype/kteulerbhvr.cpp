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
    m_motion.Walk(*this, CKTMotionList::kFetchProps, [](const CKTMotionList::CEntry& entry) {
        if (entry.pAcc) entry.pAcc->SetValue(CKTVector(0.0, 0.0, 0.0));
    });
}

void CKTEulerBhvr::Integrate() {
    const unsigned nFetch = CKTMotionList::kFetchProps | CKTMotionList::kFetchElement | CKTMotionList::kFetchParent;
    m_motion.Walk(*this, nFetch, [](const CKTMotionList::CEntry& entry) {
        if (!entry.pAcc || !entry.pVel) return;  // not a vector in the slot: treated as absent
        CKTVector a = entry.pAcc->GetValue();
        double dAccel = a.Length();
        if (dAccel > kMaxAcceleration) a = a * (kMaxAcceleration / dAccel);  // used here, not written back
        CKTVector v = entry.pVel->GetValue() + a * kTimeStep;
        double dVel = v.Length();
        if (dVel > kMaxVelocity) v = v * (kMaxVelocity / dVel);
        entry.pElement->MoveBy(v * kTimeStep);
        entry.pVel->SetValue(v);
    });
}

void CKTEulerBhvr::Serialize(CArchive& ar) { CKTBehavior::Serialize(ar); }
