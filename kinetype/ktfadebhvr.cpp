#include "kinetype/ktfadebhvr.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktcolorvector.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTFadeBhvr, CKTBehavior, 0)

CKTFadeBhvr::CKTFadeBhvr() : CKTBehavior(BHVR_FADE), m_crFadeTo(RGB(255, 255, 255)), m_dVelocity(10.0) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTFadeBhvr::~CKTFadeBhvr() {}

CString CKTFadeBhvr::GetName() const { return CString("Fade"); }

void CKTFadeBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    const CKTVector target = KTColorToVector(m_crFadeTo);
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        if (pElement->GetColor() == m_crFadeTo) continue;
        CKTVector c = KTColorToVector(pElement->GetColor());
        CKTVector d = target - c;
        double dLength = d.Length();
        if (dLength < m_dVelocity) {
            pElement->SetColor(m_crFadeTo);
            continue;
        }
        d /= dLength;
        d *= m_dVelocity;
        c += d;
        pElement->SetColor(KTVectorToColor(c));
    }
}

void CKTFadeBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_crFadeTo) << m_dVelocity;
    } else {
        DWORD dw;
        ar >> dw >> m_dVelocity;
        m_crFadeTo = dw;
    }
}
