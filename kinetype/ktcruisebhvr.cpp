#include "kinetype/ktcruisebhvr.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTCruiseBhvr, CKTBehavior, 0)

CKTCruiseBhvr::CKTCruiseBhvr() : CKTPhysicsBhvr(BHVR_CRUISE), m_dMaxAcceleration(50.0) {
    if (g_bLoading) return;
    HookUp({{EV_STEP, 0}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});
}

CKTCruiseBhvr::~CKTCruiseBhvr() {}

CString CKTCruiseBhvr::GetName() const { return CString("Cruise"); }

void CKTCruiseBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    double h = m_dMaxAcceleration / 2.0;
    int n = TruncToInt(h - (-h));
    if (n == 0 || !std::isfinite(h)) return;  // no random term: nothing to add, no draw
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        CKTVectorBhvrProp* pVel = KTVectorProp(pElement, PROP_VELOCITY);
        CKTVectorBhvrProp* pAcc = KTVectorProp(pElement, PROP_ACCELERATION);
        if (!pVel || !pAcc) continue;
        CKTVector a = pAcc->GetValue();
        int r = crt::rand();
        a.x += static_cast<double>(r % n) + (-h);
        r = crt::rand();
        a.y += static_cast<double>(r % n) + (-h);
        pAcc->SetValue(a);
    }
}

void CKTCruiseBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_dMaxAcceleration;
    } else {
        if (g_fFileVersion < 0.8f) {
            double dDropped;
            ar >> dDropped;
        }
        ar >> m_dMaxAcceleration;
    }
}
