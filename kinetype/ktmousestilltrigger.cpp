#include "kinetype/ktmousestilltrigger.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTMouseStillTrigger, CKTTriggerBhvr, 0)

CKTMouseStillTrigger::CKTMouseStillTrigger() : CKTTriggerBhvr(TRIGGER_MOUSESTILL), m_ptLast(-666, -666) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTMouseStillTrigger::~CKTMouseStillTrigger() {}

CString CKTMouseStillTrigger::GetName() const { return CString("Mouse Still trigger"); }

void CKTMouseStillTrigger::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    CPoint pt = GetBook()->GetMousePoint();  // GetBook asserts that there is a book
    if (pt == m_ptLast) FireAndRearm();
    m_ptLast = pt;
}

void CKTMouseStillTrigger::Serialize(CArchive& ar) {
    CKTTriggerBhvr::Serialize(ar);
    if (ar.IsStoring())
        ar << static_cast<const POINT&>(m_ptLast);
    else
        ar >> static_cast<POINT&>(m_ptLast);
}
