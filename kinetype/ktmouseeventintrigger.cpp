#include "kinetype/ktmouseeventintrigger.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTMouseEventInTrigger, CKTTriggerBhvr, 0)

CKTMouseEventInTrigger::CKTMouseEventInTrigger()
    : CKTTriggerBhvr(TRIGGER_MOUSEEVENTIN),
      m_bOnLButtonDown(FALSE),
      m_bOnLButtonUp(FALSE),
      m_bOnRButtonDown(FALSE),
      m_bOnRButtonUp(FALSE),
      m_bOnMouseMove(FALSE),
      m_rcRegion(0, 0, 0, 0) {}

CKTMouseEventInTrigger::~CKTMouseEventInTrigger() {}

CString CKTMouseEventInTrigger::GetName() const { return CString("MouseEventIn Trigger"); }

void CKTMouseEventInTrigger::Choose(BOOL& bFlag, BOOL bValue, int nEvent) {
    if (m_bRunning) return;
    bFlag = bValue;
    m_events.Add({nEvent, 0});
}

const BOOL* CKTMouseEventInTrigger::FlagOf(int nEvent) const {
    switch (nEvent) {
    case EV_LBUTTONDOWN: return &m_bOnLButtonDown;
    case EV_LBUTTONUP: return &m_bOnLButtonUp;
    case EV_RBUTTONDOWN: return &m_bOnRButtonDown;
    case EV_RBUTTONUP: return &m_bOnRButtonUp;
    case EV_MOUSEMOVE: return &m_bOnMouseMove;
    default: return nullptr;
    }
}

void CKTMouseEventInTrigger::OnEvent(int nEvent) {
    const BOOL* pFlag = FlagOf(nEvent);
    if (!pFlag || !*pFlag) return;
    if (m_rcRegion.PtInRect(GetBook()->GetMousePoint())) FireAndRearm();
}

void CKTMouseEventInTrigger::Serialize(CArchive& ar) {
    CKTTriggerBhvr::Serialize(ar);
    BOOL* flags[] = {&m_bOnLButtonDown, &m_bOnLButtonUp, &m_bOnRButtonDown, &m_bOnRButtonUp, &m_bOnMouseMove};
    if (ar.IsStoring()) {
        for (BOOL* pFlag : flags) ar << static_cast<LONG>(*pFlag);
        ar << static_cast<const RECT&>(m_rcRegion);
    } else {
        for (BOOL* pFlag : flags) {
            LONG n;
            ar >> n;
            *pFlag = n;
        }
        ar >> static_cast<RECT&>(m_rcRegion);
    }
}
