#include "kinetype/ktfocalfade.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktcolorvector.h"
#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKTFocalFade, CKTBehavior, 0)

CKTFocalFade::CKTFocalFade()
    : CKTBehavior(BHVR_FOCALFADE), m_crFocus(RGB(0, 0, 0)), m_crUnfocus(RGB(255, 255, 255)), m_dRadius(20.0) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTFocalFade::~CKTFocalFade() {}

CString CKTFocalFade::GetName() const { return CString("Focal Fade"); }

void CKTFocalFade::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    const CPoint ptMouse = GetBook()->GetMousePoint();
    const CKTVector m(ptMouse.x, ptMouse.y, 0.0);
    const CKTVector focus = KTColorToVector(m_crFocus);
    const CKTVector unfocus = KTColorToVector(m_crUnfocus);
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        double dDistance = (m - pElement->GetPositionVector()).Length();
        if (dDistance < 1.0) {
            pElement->SetColor(m_crFocus);
        } else if (dDistance <= m_dRadius) {
            double t = dDistance / m_dRadius;
            pElement->SetColor(KTVectorToColor(focus * (1.0 - t) + unfocus * t));
        } else {
            pElement->SetColor(m_crUnfocus);
        }
    }
}

void CKTFocalFade::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_crFocus) << static_cast<DWORD>(m_crUnfocus) << m_dRadius;
    } else {
        DWORD dwFocus, dwUnfocus;
        ar >> dwFocus >> dwUnfocus >> m_dRadius;
        m_crFocus = dwFocus;
        m_crUnfocus = dwUnfocus;
    }
}
