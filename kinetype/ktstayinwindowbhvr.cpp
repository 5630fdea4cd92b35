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
    CRect rc = GetBook()->GetClientRect();
    return CRect(KTClampToInt(static_cast<LONGLONG>(rc.left) - m_rcWindow.left),
                 KTClampToInt(static_cast<LONGLONG>(rc.top) - m_rcWindow.top),
                 KTClampToInt(static_cast<LONGLONG>(rc.right) + m_rcWindow.right),
                 KTClampToInt(static_cast<LONGLONG>(rc.bottom) + m_rcWindow.bottom));
}

void CKTStayInWindowBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_POSTSTEP) return;
    CRect rcW = GetBoundary();
    m_motion.Walk(*this, CKTMotionList::kFetchElement,
                  [this, &rcW](const CKTMotionList::CEntry& entry) { Respond(entry, rcW); });
}

void CKTStayInWindowBhvr::Respond(const CKTMotionList::CEntry& entry, const CRect& rcW) {
    CKTElement* pElement = entry.pElement;
    CRect rcR = pElement->GetAbsoluteBounds();
    CRect rcI;
    rcI.IntersectRect(&rcR, &rcW);
    if (rcI == rcR) return;  // inside
    // The move that brings the element back by the amount it sticks out.
    LONGLONG dx = (static_cast<LONGLONG>(rcI.left) - rcR.left) + (static_cast<LONGLONG>(rcI.right) - rcR.right);
    LONGLONG dy = (static_cast<LONGLONG>(rcI.top) - rcR.top) + (static_cast<LONGLONG>(rcI.bottom) - rcR.bottom);
    CKTVector back(static_cast<double>(dx), static_cast<double>(dy), 0.0);
    CKTVectorBhvrProp* pVel = entry.pVel;
    CKTVectorBhvrProp* pAcc = entry.pAcc;
    if (!pVel || !pAcc) return;
    switch (m_nResponse) {
    case RESPONSE_STOP:
        pAcc->SetValue(CKTVector(0.0, 0.0, 0.0));
        pVel->SetValue(CKTVector(0.0, 0.0, 0.0));
        if (!rcI.IsRectEmpty()) pElement->MoveBy(back);
        break;
    case RESPONSE_BOUNCE: {
        if (rcI.IsRectEmpty()) break;  // wholly outside: left alone
        CKTVector v = pVel->GetValue();
        if (KTWidth(rcI) < KTWidth(rcR)) v.x = -v.x;
        if (KTHeight(rcI) < KTHeight(rcR)) v.y = -v.y;
        v *= m_dResponseFactor;
        pVel->SetValue(v);
        pElement->MoveBy(back);
        break;
    }
    case RESPONSE_ACCELERATE: {
        // The integer centre of R (C division).
        CPoint c(static_cast<int>((static_cast<LONGLONG>(rcR.left) + rcR.right) / 2),
                 static_cast<int>((static_cast<LONGLONG>(rcR.top) + rcR.bottom) / 2));
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
