#include "pumenu/pumenuitem.h"

#include <cassert>
#include <cstring>

namespace {

constexpr COLORREF kDimTextColor = 0x828282;  // labels of unselected column items
constexpr COLORREF kTextColor = 0x000000;

// Length of the UTF-8 sequence that starts with byte b, or 0 when b cannot start one.
int Utf8SequenceLength(unsigned char b) {
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

// True when s (n bytes) is well-formed UTF-8 holding at least one multi-byte character.
bool IsMultibyteUtf8(const unsigned char* s, size_t n) {
    bool multi = false;
    for (size_t i = 0; i < n;) {
        const int len = Utf8SequenceLength(s[i]);
        if (len == 0 || i + static_cast<size_t>(len) > n) return false;
        for (int k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
        }
        // Overlong three- and four-byte forms, surrogates and code points above U+10FFFF.
        if (len == 3 && ((s[i] == 0xE0 && s[i + 1] < 0xA0) || (s[i] == 0xED && s[i + 1] >= 0xA0))) return false;
        if (len == 4 && ((s[i] == 0xF0 && s[i + 1] < 0x90) || (s[i] == 0xF4 && s[i + 1] >= 0x90))) return false;
        multi = multi || len > 1;
        i += static_cast<size_t>(len);
    }
    return multi;
}

}  // namespace

void CPUMenuItem::CopyLabel(char (&szDest)[kMaxLabel + 1], const char* pszSource) {
    size_t n = pszSource ? std::strlen(pszSource) : 0;
    if (n > static_cast<size_t>(kMaxLabel)) {
        const auto* s = reinterpret_cast<const unsigned char*>(pszSource);
        size_t cut = kMaxLabel;
        if (IsMultibyteUtf8(s, n)) {
            while (cut > 0 && (s[cut] & 0xC0) == 0x80) --cut;  // back to the start of the cut character
        }
        n = cut;
    }
    if (n > 0) std::memcpy(szDest, pszSource, n);
    szDest[n] = '\0';
}

CPUMenuItem::CPUMenuItem(int nCommand, const char* pszLabel, CPUMenuItem* pParent)
    : m_pParent(pParent),
      m_pFirstChild(nullptr),
      m_pNextSibling(nullptr),
      m_szLabel{},
      m_nCommand(nCommand),
      m_x(0),
      m_y(0),
      m_nHeight(0),
      m_nWidth(0),
      m_bLayoutDirty(0),
      m_bDrawn(0) {
    CopyLabel(m_szLabel, pszLabel);
    if (!pParent) return;
    pParent->m_bLayoutDirty = 1;
    CPUMenuItem* pChild = pParent->m_pFirstChild;
    if (!pChild) {
        pParent->m_pFirstChild = this;
        return;
    }
    for (;;) {
        pChild->SetSize(0, 0);
        if (!pChild->m_pNextSibling) break;
        pChild = pChild->m_pNextSibling;
    }
    pChild->m_pNextSibling = this;
}

void CPUMenuItem::SetLabel(const char* pszLabel) {
    CopyLabel(m_szLabel, pszLabel);
    if (!m_pParent) {
        // An arm root is measured on its own.
        SetSize(0, 0);
        return;
    }
    m_pParent->m_bLayoutDirty = 1;
    for (CPUMenuItem* pChild = m_pParent->m_pFirstChild; pChild; pChild = pChild->m_pNextSibling) {
        pChild->SetSize(0, 0);
    }
}

void CPUMenuItem::CalcSize(HDC hdc, SIZE* pSize) const {
    SIZE extent{0, 0};
    GetTextExtentPoint32(hdc, m_szLabel, static_cast<int>(std::strlen(m_szLabel)), &extent);
    pSize->cx = extent.cx + 5;
    pSize->cy = extent.cy + 5;
}

void CPUMenuItem::CalcColumnSize(HDC hdc, SIZE* pSize) const {
    pSize->cx = 0;
    pSize->cy = 0;
    for (const CPUMenuItem* pItem = this; pItem; pItem = pItem->m_pNextSibling) {
        SIZE s;
        pItem->CalcSize(hdc, &s);
        if (s.cx > pSize->cx) pSize->cx = s.cx;
        if (s.cy > pSize->cy) pSize->cy = s.cy;
    }
}

void CPUMenuItem::Draw(HDC hdc, int nState, int x, int y, HPEN hPen, HBRUSH hBrush, HFONT hFont) {
    const UINT nOldAlign = SetTextAlign(hdc, TA_LEFT | TA_TOP);
    HFONT hOldFont = SelectObject(hdc, hFont);
    assert(hOldFont);

    bool bMeasured = false;
    SIZE size;
    if (!m_pParent && HasNoSize()) {
        CalcSize(hdc, &size);
        SetSize(size.cx, size.cy);
        bMeasured = true;
    } else if (m_pParent && m_pParent->IsLayoutDirty()) {
        CalcColumnSize(hdc, &size);
        SetSize(size.cx, size.cy);
        m_pParent->SetLayoutDirty(0);
        bMeasured = true;
    } else if (HasNoSize()) {
        const CPUMenuItem* pFirst = m_pParent->m_pFirstChild;
        SetSize(pFirst->m_nWidth, pFirst->m_nHeight);
        bMeasured = true;
    }
    m_x = x;
    m_y = y;

    if (bMeasured) {
        SelectObject(hdc, hOldFont);
        SetTextAlign(hdc, nOldAlign);
        return;
    }

    HPEN hOldPen = SelectObject(hdc, hPen);
    HBRUSH hOldBrush = SelectObject(hdc, hBrush);
    assert(hOldPen && hOldBrush);
    SetTextColor(hdc, nState == 1 ? kDimTextColor : kTextColor);
    Rectangle(hdc, m_x, m_y, m_x + m_nWidth, m_y + m_nHeight);
    SetBkMode(hdc, TRANSPARENT);
    TextOut(hdc, x + 2, y + 2, m_szLabel, static_cast<int>(std::strlen(m_szLabel)));
    m_bDrawn = 1;

    HPEN hPenBack = SelectObject(hdc, hOldPen);
    HBRUSH hBrushBack = SelectObject(hdc, hOldBrush);
    HFONT hFontBack = SelectObject(hdc, hOldFont);
    assert(hPenBack && hBrushBack && hFontBack);
    (void)hPenBack;
    (void)hBrushBack;
    (void)hFontBack;
    SetTextAlign(hdc, nOldAlign);
}

BOOL CPUMenuItem::HitTest(int x, int y) const {
    if (!m_bDrawn) return FALSE;
    return CRect(m_x, m_y, m_x + m_nWidth, m_y + m_nHeight).PtInRect(CPoint(x, y));
}

void CPUMenuItem::ForgetDrawn() {
    m_bDrawn = 0;
    for (CPUMenuItem* pChild = m_pFirstChild; pChild; pChild = pChild->m_pNextSibling) pChild->ForgetDrawn();
}

void CPUMenuItem::DeleteChildren() {
    CPUMenuItem* pChild = m_pFirstChild;
    m_pFirstChild = nullptr;
    while (pChild) {
        CPUMenuItem* pNext = pChild->m_pNextSibling;
        pChild->DeleteChildren();
        delete pChild;
        pChild = pNext;
    }
}
