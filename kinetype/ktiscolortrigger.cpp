#include "kinetype/ktiscolortrigger.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTIsColorTrigger, CKTTriggerBhvr, 0)

CKTIsColorTrigger::CKTIsColorTrigger() : CKTTriggerBhvr(TRIGGER_BASE), m_crTarget(RGB(255, 255, 255)) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTIsColorTrigger::~CKTIsColorTrigger() {}

CString CKTIsColorTrigger::GetName() const { return CString("trigger if color"); }

void CKTIsColorTrigger::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        if (m_elements.GetNext(pos)->GetColor() == m_crTarget) {
            FireAndRearm();
            return;
        }
    }
}

void CKTIsColorTrigger::Serialize(CArchive& ar) {
    CKTTriggerBhvr::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_crTarget);
    } else {
        DWORD dw;
        ar >> dw;
        m_crTarget = dw;
    }
}
