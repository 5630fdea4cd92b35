// One node of the radial pop-up menu's tree: a labelled box with a command id, its children forming a
// column that opens beside it.
//
// Items are made only through CPUMenu::AddItem. A parent owns its children (a singly linked list in
// insertion order); the menu owns the four arm roots. Every item of one column shares one size, that of
// the widest and the tallest label of the column plus 5, measured when the column's first child is drawn
// after the column changed; a draw that measures paints nothing.
#pragma once

#include "platform/crt/wintypes.h"
#include "platform/gdi/dc.h"

class CPUMenuItem {
public:
    // A label holds at most this many bytes before its terminating zero.
    static constexpr int kMaxLabel = 39;

    // Position and size 0, no children. With a parent the item is linked after the parent's last child,
    // the parent's column is marked for measuring again and every sibling's size is reset.
    CPUMenuItem(int nCommand, const char* pszLabel, CPUMenuItem* pParent);
    // Children are not deleted here: DeleteChildren does that (the menu calls it for each arm).
    ~CPUMenuItem() = default;
    CPUMenuItem(const CPUMenuItem&) = delete;
    CPUMenuItem& operator=(const CPUMenuItem&) = delete;

    // Replaces the label; the item's column is measured again at its next draw (and not painted in that
    // frame). For an arm root only the root itself is measured again.
    void SetLabel(const char* pszLabel);
    const char* GetLabel() const { return m_szLabel; }

    // Measures or paints the box at (x, y) with nState 0 (black text) or 1 (grey text), the given border
    // pen, fill brush and font. The DC's text alignment, pen, brush and font are restored afterwards.
    void Draw(HDC hdc, int nState, int x, int y, HPEN hPen, HBRUSH hBrush, HFONT hFont);
    // The label's extent in the DC's selected font, plus 5 in each direction.
    void CalcSize(HDC hdc, SIZE* pSize) const;
    // The largest width and the largest height of CalcSize over this item and its following siblings.
    void CalcColumnSize(HDC hdc, SIZE* pSize) const;
    // Whether the box as last painted contains the point: left and top edges inside, right and bottom
    // outside. An item not painted since the menu last opened (see SetDrawn) contains no point, so a box
    // is never hit where it is not on screen.
    BOOL HitTest(int x, int y) const;

    void SetSize(int width, int height) {
        m_nWidth = width;
        m_nHeight = height;
    }
    // TRUE when the height or the width is 0: not measured yet.
    BOOL HasNoSize() const { return (m_nHeight == 0 || m_nWidth == 0) ? TRUE : FALSE; }

    void SetFirstChild(CPUMenuItem* pChild) { m_pFirstChild = pChild; }
    void SetNextSibling(CPUMenuItem* pNext) { m_pNextSibling = pNext; }
    void SetLayoutDirty(BYTE bDirty) { m_bLayoutDirty = bDirty; }
    BOOL IsLayoutDirty() const { return m_bLayoutDirty ? TRUE : FALSE; }
    CPUMenuItem* GetParent() const { return m_pParent; }
    CPUMenuItem* GetFirstChild() const { return m_pFirstChild; }
    CPUMenuItem* GetNextSibling() const { return m_pNextSibling; }
    int GetCommand() const { return m_nCommand; }
    int GetX() const { return m_x; }
    int GetY() const { return m_y; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

    // Whether the box was painted since the menu last opened. Draw sets it when it paints; the menu
    // clears it for the whole tree when it opens (ForgetDrawn).
    void SetDrawn(BYTE bDrawn) { m_bDrawn = bDrawn; }
    BOOL IsDrawn() const { return m_bDrawn ? TRUE : FALSE; }
    // Clears the drawn flag of this item and of its whole subtree.
    void ForgetDrawn();

    // Deletes the subtree below this item, depth first, children in order.
    void DeleteChildren();

    // Copies a label into a label field: at most kMaxLabel bytes and a terminating zero. Labels are
    // Windows-1252, one byte a character; a label that is well-formed UTF-8 with multi-byte characters
    // is cut before a character that does not fit whole. NULL gives an empty label.
    static void CopyLabel(char (&szDest)[kMaxLabel + 1], const char* pszSource);

private:
    CPUMenuItem* m_pParent;       // not owned; NULL for an arm root
    CPUMenuItem* m_pFirstChild;   // owned
    CPUMenuItem* m_pNextSibling;  // owned by the parent
    char m_szLabel[kMaxLabel + 1];
    int m_nCommand;
    int m_x, m_y;  // top-left corner of the box where it was last drawn
    int m_nHeight, m_nWidth;  // 0: not yet measured
    BYTE m_bLayoutDirty;      // on a parent: its children's sizes must be measured again
    BYTE m_bDrawn;            // painted since the menu last opened
};
