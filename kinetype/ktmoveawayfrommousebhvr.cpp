#include "kinetype/ktmoveawayfrommousebhvr.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktphysics.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTMoveAwayFromMouseBhvr, CKTBehavior, 0)

CKTMoveAwayFromMouseBhvr::CKTMoveAwayFromMouseBhvr() : CKTBehavior(BHVR_MOVEAWAYFROMMOUSE) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTMoveAwayFromMouseBhvr::~CKTMoveAwayFromMouseBhvr() {}

CString CKTMoveAwayFromMouseBhvr::GetName() const { return CString("Move Away From Mouse"); }

CPoint CKTMoveAwayFromMouseBhvr::StepAway(CPoint ptMouse, CPoint ptElement) {
    const LONGLONG dx = static_cast<LONGLONG>(ptMouse.x) - ptElement.x;
    const LONGLONG dy = static_cast<LONGLONG>(ptMouse.y) - ptElement.y;
    // Each square is exact below 2^26 per axis; beyond that the step is still the right direction.
    const double dSquares = static_cast<double>(dx) * static_cast<double>(dx) + static_cast<double>(dy) * static_cast<double>(dy);
    const LONGLONG nDist = static_cast<LONGLONG>(std::sqrt(dSquares));
    if (nDist == 0) return CPoint(0, 0);  // the mouse on the point
    const double dDist = static_cast<double>(nDist);
    return CPoint(TruncToInt(static_cast<double>(dx) / dDist * -10.0), TruncToInt(static_cast<double>(dy) / dDist * -10.0));
}

void CKTMoveAwayFromMouseBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    CKTBook* pBook = GetBook();
    const CPoint ptMouse = pBook->GetMousePoint();
    CRect rcInner = pBook->GetClientRect();
    rcInner.DeflateRect(kMargin, kMargin);
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        const CPoint d = StepAway(ptMouse, pElement->GetAbsolutePoint());
        const CRect rcBounds = pElement->GetAbsoluteBounds();
        const CRect rcMoved(KTClampToInt(static_cast<LONGLONG>(rcBounds.left) + d.x),
                            KTClampToInt(static_cast<LONGLONG>(rcBounds.top) + d.y),
                            KTClampToInt(static_cast<LONGLONG>(rcBounds.right) + d.x),
                            KTClampToInt(static_cast<LONGLONG>(rcBounds.bottom) + d.y));
        CRect rcIn;
        rcIn.IntersectRect(&rcMoved, &rcInner);
        if (rcIn.left == rcMoved.left && rcIn.right == rcMoved.right) pElement->MoveBy(d.x, 0);
        if (rcIn.top == rcMoved.top && rcIn.bottom == rcMoved.bottom) pElement->MoveBy(0, d.y);
    }
}

void CKTMoveAwayFromMouseBhvr::Serialize(CArchive& ar) { CKTBehavior::Serialize(ar); }
