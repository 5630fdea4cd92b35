// The view's pop-up menu: its contents, and the items the view keeps to relabel. (Typing, the mouse
// and the clipboard are in quillviewinput.cpp; full screen in quillviewcommands.cpp; movie capture in
// quillviewcapture.cpp; the panes in quillviewpanels.cpp; the text sprayer in quillviewspray.cpp.)
#include "pumenu/popupcontents.h"
#include "pumenu/pumenu.h"
#include "quillstorm/QuillView.h"

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


