#include "kinetype/ktstayinwindowbhvr.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"

IMPLEMENT_SERIAL(CKTStayInWindowBhvr, CKTBehavior, 0)

CKTStayInWindowBhvr::CKTStayInWindowBhvr()
    : CKTPhysicsBhvr(BHVR_STAYINWINDOW), m_nResponse(RESPONSE_ACCELERATE), m_dResponseFactor(50.0), m_bAbsolute(0) {
    if (g_bLoading) return;
    HookUp({{EV_POSTSTEP, 1}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});
}

CKTStayInWindowBhvr::~CKTStayInWindowBhvr() {}

CString CKTStayInWindowBhvr::GetName() const { return CString("stay in window"); }

CRect CKTStayInWindowBhvr::GetBoundary() const {
    if (m_bAbsolute) return m_rcWindow;
    CRect rcW = GetBook()->GetClientRect();
    rcW.InflateRect(m_rcWindow.left, m_rcWindow.top, m_rcWindow.right, m_rcWindow.bottom);
    return rcW;
}

void CKTStayInWindowBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_POSTSTEP) return;
    CRect rcW = GetBoundary();
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) Respond(m_elements.GetNext(pos), rcW);
}

void CKTStayInWindowBhvr::Respond(CKTElement* pElement, const CRect& rcW) {
    CRect rcR = pElement->GetAbsoluteBounds();
    CRect rcI;
    rcI.IntersectRect(&rcR, &rcW);
    if (rcI == rcR) return;  // inside
    // The move that brings the element back by the amount it sticks out.
    int dx = (rcI.left - rcR.left) + (rcI.right - rcR.right);
    int dy = (rcI.top - rcR.top) + (rcI.bottom - rcR.bottom);
    CKTVectorBhvrProp* pVel = KTVectorProp(pElement, PROP_VELOCITY);
    CKTVectorBhvrProp* pAcc = KTVectorProp(pElement, PROP_ACCELERATION);
    if (!pVel || !pAcc) return;
    switch (m_nResponse) {
    case RESPONSE_STOP:
        pAcc->SetValue(CKTVector(0.0, 0.0, 0.0));
        pVel->SetValue(CKTVector(0.0, 0.0, 0.0));
        if (!rcI.IsRectEmpty()) pElement->MoveBy(dx, dy);
        break;
    case RESPONSE_BOUNCE: {
        if (rcI.IsRectEmpty()) break;  // wholly outside: left alone
        CKTVector v = pVel->GetValue();
        if (rcI.Width() < rcR.Width()) v.x = -v.x;
        if (rcI.Height() < rcR.Height()) v.y = -v.y;
        v *= m_dResponseFactor;
        pVel->SetValue(v);
        pElement->MoveBy(dx, dy);
        break;
    }
    case RESPONSE_ACCELERATE: {
        CPoint c = rcR.CenterPoint();
        CKTVector d(0.0, 0.0, 0.0);
        if (c.x < rcW.left)
            d.x = 1.0;
        else if (c.x > rcW.right)
            d.x = -1.0;
        if (c.y < rcW.top)
            d.y = 1.0;
        else if (c.y > rcW.bottom)
            d.y = -1.0;
        double dLength = d.Length();
        if (dLength == 0.0) break;  // the centre is inside
        d /= dLength;
        d *= m_dResponseFactor;
        pAcc->SetValue(pAcc->GetValue() + d);
        break;
    }
    default:
        break;
    }
}

void CKTStayInWindowBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_nResponse) << m_dResponseFactor;
        ar.WriteFlag(m_bAbsolute);
        ar << static_cast<const RECT&>(m_rcWindow);
    } else {
        DWORD dwResponse;
        ar >> dwResponse >> m_dResponseFactor;
        m_nResponse = static_cast<int>(dwResponse);
        m_bAbsolute = ar.ReadFlag();
        ar >> static_cast<RECT&>(m_rcWindow);
    }
}
