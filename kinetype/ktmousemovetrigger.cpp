#include "kinetype/ktmousemovetrigger.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTMouseMoveTrigger, CKTTriggerBhvr, 0)

CKTMouseMoveTrigger::CKTMouseMoveTrigger() : CKTTriggerBhvr(TRIGGER_MOUSEMOVE) {
    if (g_bLoading) return;
    m_events.Add({EV_MOUSEMOVE, 0});
}

CKTMouseMoveTrigger::~CKTMouseMoveTrigger() {}

CString CKTMouseMoveTrigger::GetName() const { return CString("MouseMove trigger"); }

void CKTMouseMoveTrigger::OnEvent(int nEvent) {
    if (nEvent == EV_MOUSEMOVE) FireAndRearm();
}

void CKTMouseMoveTrigger::Serialize(CArchive& ar) { CKTTriggerBhvr::Serialize(ar); }
