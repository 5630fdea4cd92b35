#include "kinetype/kttimetrigger.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTTimeTrigger, CKTTriggerBhvr, 0)

CKTTimeTrigger::CKTTimeTrigger() : CKTTriggerBhvr(TRIGGER_TIME), m_dFireTime(0.0) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTTimeTrigger::~CKTTimeTrigger() {}

CString CKTTimeTrigger::GetName() const { return CString("Time Trigger"); }

void CKTTimeTrigger::OnEvent(int nEvent) {
    if (nEvent == EV_STEP && GetBook()->GetClock() >= m_dFireTime) Fire();
}

void CKTTimeTrigger::Serialize(CArchive& ar) {
    CKTTriggerBhvr::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dFireTime;
    else
        ar >> m_dFireTime;
}
