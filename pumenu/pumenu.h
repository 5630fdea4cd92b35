// The radial pop-up menu: a small disc centred on the mouse point with four arms (up, down, left,
// right), each ending in the labelled box of an arm root. Moving from the disc into an arm's sector
// chooses that arm; moving onto a box selects its item and opens the item's children as a column beside
// it; the selected item's command is what the caller runs when the button goes up.
//
// Calling order: items are added with AddItem and the four roots set; ShowAt opens the menu at the
// mouse point; each mouse move while it is visible calls Track; every paint calls Draw with the back
// buffer's DC; GetSelectedCommand gives the chosen id (0 for none) and Hide closes the menu.
//
// Geometry relative to the centre (cx, cy): disc and centre square (cx - 10, cy - 10, cx + 10, cy + 10);
// arm lines to (cx, cy - 30), (cx, cy + 30), (cx - 50, cy), (cx + 50, cy); root boxes of size w x h at
//   up    (cx - w/2, cy - 29 - h)   columns grow to the right
//   down  (cx - w/2, cy + 29)       columns grow to the left
//   left  (cx - 49 - w, cy - h/2)   columns grow to the left
//   right (cx + 49, cy - h/2)       columns grow to the right
// (halves truncate toward zero). Each column starts level with the item that opened it and runs down.
// Sectors are trapezoids between the centre square and the arm ends, hit-tested through polygon regions
// (WINDING, pixel-centre sampling); boxes use the rectangle rule (right and bottom edges outside).
#pragma once

#include <functional>
#include <utility>

#include "platform/afx/afxgeom.h"
#include "platform/crt/wintypes.h"
#include "platform/gdi/dc.h"
#include "pumenu/pumenuitem.h"

// The owner window as the menu needs it: its client rectangle, in the coordinates the menu is drawn
// and tracked in. An empty function means no owner.
using PUMenuOwnerWnd = std::function<CRect()>;

class CPUMenu {
public:
    // Colours (COLORREF, 0x00BBGGRR).
    static constexpr COLORREF kDiscColor = 0x88CAF7;    // disc, arm lines, unselected column items
    static constexpr COLORREF kActiveColor = 0x0C92EF;  // arm roots, the selected path, its last column
    static constexpr COLORREF kBorderColor = 0x0288DB;  // every box's 1-pixel border
    static constexpr COLORREF kDimTextColor = 0x828282; // labels of unselected column items

    enum Arm { kUp = 0, kDown = 1, kLeft = 2, kRight = 3 };

    CPUMenu();
    // Deletes each arm's subtree and then its root.
    ~CPUMenu();
    CPUMenu(const CPUMenu&) = delete;
    CPUMenu& operator=(const CPUMenu&) = delete;

    // A new item, the last child of pParent; with pParent NULL a future arm root, which the menu owns
    // once it is set as a root.
    CPUMenuItem* AddItem(int nCommand, const char* pszLabel, CPUMenuItem* pParent);
    CPUMenuItem* SetUpRoot(CPUMenuItem* pItem) { return m_pUp = pItem; }
    CPUMenuItem* SetDownRoot(CPUMenuItem* pItem) { return m_pDown = pItem; }
    CPUMenuItem* SetLeftRoot(CPUMenuItem* pItem) { return m_pLeft = pItem; }
    CPUMenuItem* SetRightRoot(CPUMenuItem* pItem) { return m_pRight = pItem; }
    CPUMenuItem* GetRoot(Arm arm) const;
    void SetOwnerWindow(PUMenuOwnerWnd owner) { m_hOwnerWnd = std::move(owner); }

    // Opens the menu centred on (x, y). The selection and the hovered arm stay as they were; no box
    // counts as hit until it has been drawn again.
    void ShowAt(int x, int y);
    // Closes the menu and forgets the selection and the hovered arm.
    void Hide();
    BOOL IsVisible() const { return m_bVisible ? TRUE : FALSE; }
    CPoint GetCenter() const { return m_ptCenter; }
    void SetVisible(BYTE bVisible) { m_bVisible = bVisible; }
    void SetSelectedItem(CPUMenuItem* pItem) { m_pSelected = pItem; }
    CPUMenuItem* GetSelectedItem() const { return m_pSelected; }
    CPUMenuItem* GetHoveredArm() const { return m_pHoveredArm; }
    void SetCenter(int x, int y) { m_ptCenter = CPoint(x, y); }
    void ClearHoveredArm() { m_pHoveredArm = nullptr; }
    // The selected item's command; 0 when nothing is selected.
    int GetSelectedCommand() const { return m_pSelected ? m_pSelected->GetCommand() : 0; }

    // Moves the selection with the mouse point (window coordinates).
    void Track(int x, int y);
    // Draws the menu when it is visible: the open columns, then disc, arms and root boxes.
    void Draw(HDC hdc);
    // Draws the disc, the arm lines and the root boxes of the arms that show (called by Draw).
    void DrawArms(HDC hdc, CPUMenuItem* pActiveRoot);

private:
    // The arm whose root is pRoot, or -1.
    int ArmOf(const CPUMenuItem* pRoot) const;
    // Top-left corner of an arm's root box, from the root's current size.
    CPoint RootBoxPosition(int arm, const CPUMenuItem* pRoot) const;
    BOOL PointInSector(int arm, int x, int y) const;
    // Moves the centre so that the selected box lies inside the owner's client area.
    void KeepSelectionOnScreen();

    CPUMenuItem* m_pUp;
    CPUMenuItem* m_pDown;
    CPUMenuItem* m_pLeft;
    CPUMenuItem* m_pRight;
    CPoint m_ptCenter;
    CPUMenuItem* m_pSelected;
    BYTE m_bVisible;
    CPUMenuItem* m_pHoveredArm;
    PUMenuOwnerWnd m_hOwnerWnd;
};
