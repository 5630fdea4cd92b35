#include "kinetype/ktexplodebhvr.h"

#include "kinetype/ktbook.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTExplodeBhvr, CKTBehavior, 0)

CKTExplodeBhvr::CKTExplodeBhvr() : CKTPhysicsBhvr(BHVR_EXPLODE) {
    if (g_bLoading) return;
    m_dMinForce = 500.0;
    m_dMaxForce = 2000.0;
    m_bDone = 0;
    HookUp({{EV_STEP, 0}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});
}

CKTExplodeBhvr::~CKTExplodeBhvr() {}

CString CKTExplodeBhvr::GetName() const { return CString("Explode"); }

void CKTExplodeBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP || m_bDone) return;
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        CKTVectorBhvrProp* pVel = KTVectorProp(pElement, PROP_VELOCITY);
        CKTVectorBhvrProp* pAcc = KTVectorProp(pElement, PROP_ACCELERATION);
        if (!pVel || !pAcc) continue;
        // One draw a statement: the order of the three draws is part of the result.
        CKTVector d;
        d.x = 2 * (crt::rand() / 32767.0) - 1;
        d.y = 2 * (crt::rand() / 32767.0) - 1;
        d /= d.Length();
        double f = crt::rand() / 32767.0 * (m_dMaxForce - m_dMinForce) + m_dMinForce;
        pAcc->SetValue(pAcc->GetValue() + d * f);
    }
    m_bDone = 1;
}

void CKTExplodeBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_dMaxForce << m_dMinForce;
        ar.WriteFlag(m_bDone);
    } else {
        ar >> m_dMaxForce >> m_dMinForce;
        m_bDone = ar.ReadFlag();
    }
}
