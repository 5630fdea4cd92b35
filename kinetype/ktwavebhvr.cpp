#include "kinetype/ktwavebhvr.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTWaveBhvr, CKTBehavior, 0)

CKTWaveBhvr::CKTWaveBhvr() : CKTBehavior(BHVR_WAVE) {
    if (g_bLoading) return;
    m_dPhase = 0.0;
    m_dPhaseIncrement = 0.1;
    m_dMaxCrest = 20.0;
    m_events.Add({EV_STEP, 0});
}

CKTWaveBhvr::~CKTWaveBhvr() {}

CString CKTWaveBhvr::GetName() const { return CString("Wave"); }

void CKTWaveBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    const double n = static_cast<double>(m_elements.GetCount());
    int i = 1;
    for (POSITION pos = m_elements.GetHeadPosition(); pos; i++) {
        CKTElement* pElement = m_elements.GetNext(pos);
        double y = std::sin(i * kTwoPi / n + m_dPhase) * m_dMaxCrest;
        pElement->MoveBy(CKTVector(0.0, y - pElement->GetRelativePosition().y, 0.0));
    }
    m_dPhase += m_dPhaseIncrement;
}

void CKTWaveBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dPhase << m_dPhaseIncrement << m_dMaxCrest;
    else
        ar >> m_dPhase >> m_dPhaseIncrement >> m_dMaxCrest;
}
