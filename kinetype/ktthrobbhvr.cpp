#include "kinetype/ktthrobbhvr.h"

#include <climits>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktintbhvrprop.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTThrobBhvr, CKTBehavior, 0)

CKTThrobBhvr::CKTThrobBhvr() : CKTBehavior(BHVR_THROB), m_dMinSize(0.5), m_dMaxSize(2.0), m_dStep(0.05), m_dScale(1.0) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
    m_elemPropReqs.Add({PROP_SAVED_SIZE, PROPTYPE_INT});
}

CKTThrobBhvr::~CKTThrobBhvr() {}

CString CKTThrobBhvr::GetName() const { return CString("Throb"); }

BOOL CKTThrobBhvr::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    CKTIntBhvrProp* pSaved = CKTIntBhvrProp::Cast(pElement->GetProp(PROP_SAVED_SIZE));
    if (pSaved) pSaved->SetValue(pElement->GetFontSize());
    return TRUE;
}

void CKTThrobBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    m_dScale *= 1 + m_dStep;
    if (m_dScale >= m_dMaxSize) {
        m_dScale = m_dMaxSize;
        m_dStep = -m_dStep;
    } else if (m_dScale <= m_dMinSize) {
        m_dScale = m_dMinSize;
        m_dStep = -m_dStep;
    }
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        CKTIntBhvrProp* pSaved = CKTIntBhvrProp::Cast(pElement->GetProp(PROP_SAVED_SIZE));
        if (!pSaved) continue;
        int nSize = TruncToInt(pSaved->GetValue() * m_dScale);
        // lfHeight holds tenths of a point.
        if (nSize > INT_MAX / 10 || nSize < INT_MIN / 10) continue;
        pElement->SetFontSize(nSize);
    }
}

void CKTThrobBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dMinSize << m_dMaxSize << m_dStep << m_dScale;
    else
        ar >> m_dMinSize >> m_dMaxSize >> m_dStep >> m_dScale;
}
