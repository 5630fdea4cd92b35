#include "kinetype/ktviscousdragbhvr.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"

IMPLEMENT_SERIAL(CKTViscousDragBhvr, CKTBehavior, 0)

CKTViscousDragBhvr::CKTViscousDragBhvr() : CKTPhysicsBhvr(BHVR_VISCOUSDRAG), m_dDrag(0.1) {
    if (g_bLoading) return;
    HookUp({{EV_POSTSTEP, 1}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});
}

CKTViscousDragBhvr::~CKTViscousDragBhvr() {}

CString CKTViscousDragBhvr::GetName() const { return CString("Viscous Drag"); }

void CKTViscousDragBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_POSTSTEP) return;
    const double dDrag = m_dDrag;
    m_motion.Walk(*this, CKTMotionList::kFetchProps, [dDrag](const CKTMotionList::CEntry& entry) {
        if (!entry.pVel || !entry.pAcc) return;
        entry.pAcc->SetValue(entry.pAcc->GetValue() + entry.pVel->GetValue() * (-dDrag));
    });
}

void CKTViscousDragBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dDrag;
    else
        ar >> m_dDrag;
}
