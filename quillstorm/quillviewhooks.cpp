// The view's handlers of subsystems still to come: the pop-up menu's contents, full screen, the text
// sprayer and its MIDI control, the properties panel and timeline, movie capture, the clipboard,
// typing and the mouse. Until they are written each does nothing, or only what the frame loop needs:
// the menu is built and drawn, full screen places the frame, and the mouse reaches the book.
#include <QGuiApplication>
#include <QScreen>

#include "kinetype/ktbook.h"
#include "pumenu/popupcontents.h"
#include "pumenu/pumenu.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"

void CQuillView::BuildPopupMenu() {
    if (!m_pMenu) return;
    PopupMenuItems items;
    ::BuildPopupMenu(*m_pMenu, m_fonts, &items);
    m_pSimulateItem = items.m_pSimulateItem;
    m_pCaptureItem = items.m_pCaptureItem;
    m_pHierarchyItem = items.m_pHierarchyItem;
    m_pPanelItem = items.m_pPanelItem;
    m_pTransparentItem = items.m_pTransparentItem;
    m_pCursorItem = items.m_pCursorItem;
    m_pWordnozzleItem = items.m_pWordnozzleItem;
    m_pFullScreenItem = items.m_pFullScreenItem;
    m_pGridItem = items.m_pGridItem;
    m_pMenu->SetOwnerWindow([this] {
        CRect rc;
        GetClientRect(&rc);
        return rc;
    });
}

void CQuillView::SetFullScreen(BOOL bFull) {
    auto* pFrame = qobject_cast<CMainFrame*>(window());
    if (!pFrame) return;
    if (bFull) {
        // The frame's caption and borders lie outside the screen.
        m_rcCanvas = pFrame->GetWindowRect();
        const QScreen* pScreen = QGuiApplication::primaryScreen();
        const QSize screen = pScreen ? pScreen->geometry().size() : QSize(640, 480);
        pFrame->SetWindowRect(CRect(-5, -24, -5 + screen.width() + 12, -24 + screen.height() + 31));
    } else {
        pFrame->SetWindowRect(m_rcCanvas);
    }
    pFrame->raise();
}

void CQuillView::SprayerTick() {}

void CQuillView::SprayText() {}

LRESULT CQuillView::OnMidiData(WPARAM, LPARAM) { return 0; }

void CQuillView::FillPropertyPanel() {}

void CQuillView::DrawPanelsAndMenu(CDC* pDC) {
    if (m_pMenu) m_pMenu->Draw(pDC->GetSafeHdc());
}

void CQuillView::CaptureFrame(CDC*) {}

void CQuillView::OnEditCopy() {}

void CQuillView::OnEditPaste() {}

void CQuillView::OnMouseMove(UINT, CPoint point) {
    m_bSizeChanged = 0;
    if (CKTBook* pBook = GetBook()) pBook->OnMouseMove(point);
}

void CQuillView::OnLButtonDown(UINT, CPoint point) {
    if (CKTBook* pBook = GetBook()) pBook->OnLButtonDown(point);
}

void CQuillView::OnLButtonUp(UINT, CPoint point) {
    m_bSizeChanged = 0;
    if (CKTBook* pBook = GetBook()) pBook->OnLButtonUp(point);
}

void CQuillView::OnLButtonDblClk(UINT nFlags, CPoint point) { OnLButtonDown(nFlags, point); }

void CQuillView::OnRButtonDown(UINT, CPoint point) {
    if (CKTBook* pBook = GetBook()) pBook->OnRButtonDown(point);
}

void CQuillView::OnRButtonUp(UINT, CPoint point) {
    if (CKTBook* pBook = GetBook()) pBook->OnRButtonUp(point);
}

void CQuillView::OnChar(UINT, UINT, UINT) {}

void CQuillView::OnKeyDown(UINT, UINT, UINT) {}

void CQuillView::OnKeyUp(UINT, UINT, UINT) {}
