// The view's handlers of subsystems still to come: the pop-up menu's contents, the text sprayer and
// its MIDI control, the properties panel and timeline. Until they are written each
// does nothing, or only what the frame loop needs: the menu is built and drawn. (Typing, the mouse
// and the clipboard are in quillviewinput.cpp; full screen in quillviewcommands.cpp; movie capture
// in quillviewcapture.cpp.)
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

void CQuillView::SprayerTick() {}

void CQuillView::SprayText() {}

LRESULT CQuillView::OnMidiData(WPARAM, LPARAM) { return 0; }

void CQuillView::FillPropertyPanel() {}

void CQuillView::DrawPanelsAndMenu(CDC* pDC) {
    if (m_pMenu) m_pMenu->Draw(pDC->GetSafeHdc());
}

