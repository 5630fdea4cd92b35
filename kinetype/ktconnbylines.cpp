#include "kinetype/ktconnbylines.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktphysics.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(CKTConnByLines, CKTBehavior, 0)

CKTConnByLines::CKTConnByLines() : CKTBehavior(BHVR_CONNBYLINES) {
    if (g_bLoading) return;
    m_events.Add({EV_DRAW, 0});
}

CKTConnByLines::~CKTConnByLines() {}

CString CKTConnByLines::GetName() const { return CString("Connected by Lines"); }

void CKTConnByLines::OnEvent(int nEvent) {
    if (nEvent == EV_DRAW) DrawLines(GetBook()->GetCurrentDC());
}

void CKTConnByLines::DrawLines(CDC* pDC) {
    if (!pDC) return;
    CBrush brush(RGB(0, 0, 0));
    CBrush* pOldBrush = pDC->SelectObject(&brush);
    // Sums in 64 bits: bounds may lie anywhere in the int range.
    auto centreX = [](const CRect& rc) { return KTClampToInt((static_cast<LONGLONG>(rc.left) + rc.right) / 2); };
    CRect rcPrev;
    BOOL bFirst = TRUE;
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CRect rc = m_elements.GetNext(pos)->GetAbsoluteBounds();
        if (!bFirst) {
            pDC->MoveTo(centreX(rcPrev), KTClampToInt(static_cast<LONGLONG>(rcPrev.bottom) + 5));
            pDC->LineTo(centreX(rc), KTClampToInt(static_cast<LONGLONG>(rc.top) - 2));
        }
        rcPrev = rc;
        bFirst = FALSE;
    }
    if (pOldBrush) pDC->SelectObject(pOldBrush);
}

void CKTConnByLines::Serialize(CArchive& ar) { CKTBehavior::Serialize(ar); }
