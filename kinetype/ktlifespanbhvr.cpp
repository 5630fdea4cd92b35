#include "kinetype/ktlifespanbhvr.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktelement.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTLifespanBhvr, CKTBehavior, 0)

CKTLifespanBhvr::CKTLifespanBhvr() : CKTBehavior(BHVR_LIFESPAN) {
    if (g_bLoading) return;
    m_dMinLife = 1.2;
    m_dRandomLife = 0.0;
    m_events.Add({EV_STEP, 0});
    m_elemPropReqs.Add({PROP_DEATH_TIME, PROPTYPE_DOUBLE});
}

CKTLifespanBhvr::~CKTLifespanBhvr() {}

CString CKTLifespanBhvr::GetName() const { return CString("lifespan"); }

BOOL CKTLifespanBhvr::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    CKTDoubleBhvrProp* pDeath = CKTDoubleBhvrProp::Cast(pElement->GetProp(PROP_DEATH_TIME));
    const double dRandom = crt::rand() / 32767.0;
    if (pDeath) pDeath->SetValue(GetBook()->GetClock() + m_dMinLife + dRandom * m_dRandomLife);
    return TRUE;
}

void CKTLifespanBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    const double dNow = GetBook()->GetClock();
    // Deaths detach elements (this one's and others'); nothing is deleted before the step ends.
    m_snapshot.clear();
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        CKTDoubleBhvrProp* pDeath = CKTDoubleBhvrProp::Cast(pElement->GetProp(PROP_DEATH_TIME));
        if (pDeath && pDeath->GetValue() <= dNow) m_snapshot.push_back(pElement);
    }
    for (CKTElement* pElement : m_snapshot)
        if (pElement->HasBehavior(this)) pElement->Die(FALSE, TRUE);
}

void CKTLifespanBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dMinLife << m_dRandomLife;
    else
        ar >> m_dMinLife >> m_dRandomLife;
}
