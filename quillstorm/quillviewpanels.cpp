// The view's side of the properties panel and the timeline pane: the panel's texts before each paint,
// drawing both panes and the menu, the clicks that open a renderer's or a behaviour's editor from the
// panel, and dragging the panes.
#include <cstring>

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktelementrenderer.h"
#include "platform/crt/crt.h"
#include "pumenu/pumenu.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/propertypanel.h"
#include "quillstorm/timelinepanel.h"

namespace {

CString FaceName(const LOGFONT& lf) { return CString(lf.lfFaceName, static_cast<int>(strnlen(lf.lfFaceName, LF_FACESIZE))); }

void FormatColor(CString& str, COLORREF cr) { str.Format("(%d,%d,%d)", GetRValue(cr), GetGValue(cr), GetBValue(cr)); }

// The behaviour of pElement's behaviour record nIndex (from 0), or NULL when there is no such record.
CKTBehavior* BehaviorAt(const CKTElement* pElement, int nIndex) {
    int i = 0;
    for (POSITION pos = pElement->GetFirstBehaviorPosition(); pos; ++i) {
        const CKTBehaviorLink link = pElement->GetNextBehavior(pos);
        if (i == nIndex) return link.m_pBehavior;
    }
    return nullptr;
}

}  // namespace

void CQuillView::FillPropertyPanel() {
    CPropertyPanel* p = m_pPropertyPanel;
    if (!p || !p->IsVisible()) return;
    p->m_behaviorNames.RemoveAll();
    if (CKTElement* e = m_pSelected) {
        const LOGFONT lf = e->GetFont();
        p->m_strFont = FaceName(lf);
        p->m_strSize.Format("%d pt", lf.lfHeight / 10);
        FormatColor(p->m_strColor, e->GetColor());
        const CKTVector at = e->GetAbsolutePosition();
        p->m_strPosition.Format("x:%d y:%d", TruncToInt(at.x), TruncToInt(at.y));
        p->m_strSoftType = CPropertyPanel::SoftTypeName(e->GetRendererType());
        // One row a record, so that row i is record i (a record without a behaviour has a blank row).
        for (POSITION pos = e->GetFirstBehaviorPosition(); pos;) {
            const CKTBehaviorLink link = e->GetNextBehavior(pos);
            p->m_behaviorNames.Add(link.m_pBehavior ? link.m_pBehavior->GetName() : CString());
        }
    } else {
        p->m_strFont = FaceName(m_logFont);
        p->m_strSize.Format("%d pt", m_nPointSize);
        FormatColor(p->m_strColor, m_crTypingColor);
        p->m_strPosition.Format("x:%d y:%d", m_ptCaret.x, m_ptCaret.y);
        p->m_strSoftType = CPropertyPanel::SoftTypeName(m_pDefaultRenderer ? m_pDefaultRenderer->GetType() : 0);
    }
    if (CKTBook* pBook = GetBook()) p->m_strClock.Format("%011.2f", pBook->GetClock());
}

void CQuillView::DrawPanelsAndMenu(CDC* pDC) {
    if (m_pPropertyPanel && m_pPropertyPanel->IsVisible()) m_pPropertyPanel->Draw(pDC);
    if (m_pTimeline && m_pTimeline->IsVisible()) m_pTimeline->Draw(pDC);
    if (m_pMenu) m_pMenu->Draw(pDC->GetSafeHdc());
}

CQuillView::PanePress CQuillView::PressOnPanes(CPoint point) {
    CPropertyPanel* pPanel = m_pPropertyPanel;
    if (pPanel && pPanel->IsVisible() && pPanel->m_rcPanel.PtInRect(point)) {
        // An editor is a modal dialog: the press ends here, and the dialog takes the mouse. Nothing read
        // here is used after it (the editors check again what they edit when they close).
        if (pPanel->HitSoftType(point)) {
            m_bHasCapture = FALSE;
            EditRendererParameters(m_pSelected ? m_pSelected->GetRenderer() : m_pDefaultRenderer);
            return PanePress::Done;
        }
        const int nRow = pPanel->HitBehavior(point);
        if (nRow >= 0 && m_pSelected) {
            // A row painted for another state names no record of this element: nothing opens.
            if (CKTBehavior* pBehavior = BehaviorAt(m_pSelected, nRow)) {
                m_bHasCapture = FALSE;
                EditBehaviorParameters(pBehavior);
            }
            return PanePress::Done;
        }
        m_nMouseMode = 4;
        return PanePress::Drag;
    }
    if (m_pTimeline && m_pTimeline->IsVisible() && m_pTimeline->m_rcPanel.PtInRect(point)) {
        m_nMouseMode = 5;
        return PanePress::Drag;
    }
    return PanePress::None;
}

void CQuillView::DragPane(CSize d) {
    if (m_nMouseMode == 4 && m_pPropertyPanel) {
        CRect& rc = m_pPropertyPanel->m_rcPanel;
        rc.OffsetRect(d);
        m_pPropertyPanel->m_strPosition.Format("x-%d y-%d", rc.left, rc.top);
    } else if (m_nMouseMode == 5 && m_pTimeline) {
        m_pTimeline->m_rcPanel.OffsetRect(d);
    }
}
