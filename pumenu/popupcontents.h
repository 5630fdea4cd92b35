// What the pop-up menu holds: the four arms with every item's label and command id (commandids.h), the
// font items built from the installed-font catalogue, and the way back from a font item's id to its font.
#pragma once

#include "enumeratedfonts/enumeratedfonts.h"
#include "platform/crt/wintypes.h"
#include "platform/gdi/logfont.h"
#include "pumenu/pumenu.h"
#include "pumenu/pumenuitem.h"

// The items whose labels the toggling commands rewrite (CPUMenuItem::SetLabel). They belong to the
// menu and live as long as it does.
struct PopupMenuItems {
    CPUMenuItem* m_pSimulateItem = nullptr;     // "simulate" / "stop simulate"
    CPUMenuItem* m_pCaptureItem = nullptr;      // "start QT capture     (F1)" / "end QT capture"
    CPUMenuItem* m_pHierarchyItem = nullptr;    // "show hierarchy       (F4)" / "hide hierarchy"
    CPUMenuItem* m_pPanelItem = nullptr;        // "show property panel  (F5)" / "hide property panel"
    CPUMenuItem* m_pTransparentItem = nullptr;  // "transparent" / "opaque"
    CPUMenuItem* m_pCursorItem = nullptr;       // "hide cursor          (F2)" / "show cursor"
    CPUMenuItem* m_pWordnozzleItem = nullptr;   // "wordnozzle" / "stop wordnozzle"
    CPUMenuItem* m_pFullScreenItem = nullptr;   // "fullscreen           (F6)" / "window"
    CPUMenuItem* m_pGridItem = nullptr;         // "show grid            (F3)" / "hide grid"
};

// Builds the whole tree into an empty menu and sets its four roots (up "typographic", right "select",
// down "behaviors", left "general"). The font submenu holds, for each family of the catalogue in its
// order, an item named after the family and below it one item per face named by the face's style;
// they are numbered from ID_FONT_FIRST in that order (family, then its faces), and no font item is
// numbered past ID_FONT_LAST. outItems (may be NULL) receives the nine remembered items. The caller
// gives the menu its owner window afterwards (CPUMenu::SetOwnerWindow).
void BuildPopupMenu(CPUMenu& menu, const CEnumeratedFonts& fonts, PopupMenuItems* outItems);

// The LOGFONT of the font item numbered nId, walking the catalogue in the builder's order: a family's
// item gives the family's first face. An id that names no font item gives an all-zero LOGFONT (an
// empty face name, which the font resolver maps to its fallback face).
LOGFONT FontFromMenuId(const CEnumeratedFonts& fonts, UINT nId);
