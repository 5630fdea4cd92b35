#include "kinetype/ktpulledtrigger.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktelementrenderer.h"

IMPLEMENT_SERIAL(CKTPulledTrigger, CKTTriggerBhvr, 0)

CKTPulledTrigger::CKTPulledTrigger() : CKTTriggerBhvr(TRIGGER_BASE), m_bFireWhenPulled(1) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTPulledTrigger::~CKTPulledTrigger() {}

CString CKTPulledTrigger::GetName() const { return CString("Pulled Trigger"); }

BOOL CKTPulledTrigger::IsAnyPulled() const {
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        const CKTElement* pElement = m_elements.GetNext(pos);
        if (pElement->GetKind() != KIND_GLYPH) continue;
        const CKTElementRenderer* pRenderer = pElement->GetRenderer();
        if (pRenderer && pRenderer->GetType() == RENDERER_PULL && pRenderer->IsPulled()) return TRUE;
    }
    return FALSE;
}

void CKTPulledTrigger::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    if (IsAnyPulled() == (m_bFireWhenPulled ? TRUE : FALSE)) FireAndRearm();
}

void CKTPulledTrigger::Serialize(CArchive& ar) {
    CKTTriggerBhvr::Serialize(ar);
    if (ar.IsStoring())
        ar.WriteFlag(m_bFireWhenPulled);
    else
        m_bFireWhenPulled = ar.ReadFlag();
}
