#include "pumenu/pumenu.h"

#include <cassert>
#include <vector>

namespace {

// The face is not part of the program; where it is not installed the font resolver's fallback face
// stands in, and box sizes follow that face's extents.
BOOL CreateMenuFont(CFont& font) {
    return font.CreateFont(11, 5, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_STRING_PRECIS,
                           CLIP_STROKE_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH | FF_SWISS, "SF SmallVGA");
}

// Per arm (up, down, left, right): where the arm line ends, relative to the centre, and the side to
// which its columns grow (+1 right, -1 left).
constexpr POINT kArmEnd[4] = {{0, -30}, {0, 30}, {-50, 0}, {50, 0}};
constexpr int kArmDirection[4] = {+1, -1, -1, +1};

// Sector corners relative to the centre, in the order the region is built from.
constexpr POINT kSector[4][4] = {
    {{-50, -30}, {50, -30}, {10, -10}, {-10, -10}},  // up
    {{-50, 30}, {50, 30}, {10, 10}, {-10, 10}},      // down
    {{-50, -30}, {-10, -10}, {-10, 10}, {-50, 30}},  // left
    {{50, -30}, {50, 30}, {10, 10}, {10, -10}},      // right
};

// The first child of pParent (in order) whose box contains the point.
CPUMenuItem* ChildAt(const CPUMenuItem* pParent, int x, int y) {
    for (CPUMenuItem* pChild = pParent->GetFirstChild(); pChild; pChild = pChild->GetNextSibling()) {
        if (pChild->HitTest(x, y)) return pChild;
    }
    return nullptr;
}

}  // namespace

CPUMenu::CPUMenu()
    : m_pUp(nullptr),
      m_pDown(nullptr),
      m_pLeft(nullptr),
      m_pRight(nullptr),
      m_ptCenter(100, 100),
      m_pSelected(nullptr),
      m_bVisible(0),
      m_pHoveredArm(nullptr) {}

CPUMenu::~CPUMenu() {
    CPUMenuItem* roots[4] = {m_pUp, m_pDown, m_pLeft, m_pRight};
    for (int i = 0; i < 4; ++i) {
        if (!roots[i]) continue;
        bool bSeen = false;  // one root set on two arms is deleted once
        for (int k = 0; k < i; ++k) bSeen = bSeen || roots[k] == roots[i];
        if (bSeen) continue;
        roots[i]->DeleteChildren();
        delete roots[i];
    }
}

CPUMenuItem* CPUMenu::AddItem(int nCommand, const char* pszLabel, CPUMenuItem* pParent) {
    return new CPUMenuItem(nCommand, pszLabel, pParent);
}

CPUMenuItem* CPUMenu::GetRoot(Arm arm) const {
    switch (arm) {
        case kUp: return m_pUp;
        case kDown: return m_pDown;
        case kLeft: return m_pLeft;
        case kRight: return m_pRight;
    }
    return nullptr;
}

int CPUMenu::ArmOf(const CPUMenuItem* pRoot) const {
    if (!pRoot) return -1;
    for (int arm = kUp; arm <= kRight; ++arm) {
        if (GetRoot(static_cast<Arm>(arm)) == pRoot) return arm;
    }
    return -1;
}

CPoint CPUMenu::RootBoxPosition(int arm, const CPUMenuItem* pRoot) const {
    const int cx = m_ptCenter.x;
    const int cy = m_ptCenter.y;
    const int w = pRoot->GetWidth();
    const int h = pRoot->GetHeight();
    switch (arm) {
        case kUp: return CPoint(cx - w / 2, cy - 29 - h);
        case kDown: return CPoint(cx - w / 2, cy + 29);
        case kLeft: return CPoint(cx - 49 - w, cy - h / 2);
        default: return CPoint(cx + 49, cy - h / 2);
    }
}

BOOL CPUMenu::PointInSector(int arm, int x, int y) const {
    POINT corners[4];
    for (int i = 0; i < 4; ++i) {
        corners[i].x = m_ptCenter.x + kSector[arm][i].x;
        corners[i].y = m_ptCenter.y + kSector[arm][i].y;
    }
    CRgn rgn;
    const BOOL bCreated = rgn.CreatePolygonRgn(corners, 4, WINDING);
    assert(bCreated);
    const BOOL bIn = bCreated && rgn.PtInRegion(x, y);
    rgn.DeleteObject();
    return bIn;
}

void CPUMenu::ShowAt(int x, int y) {
    m_ptCenter = CPoint(x, y);
    m_bVisible = 1;
    // Boxes keep where they were last drawn, perhaps around another centre: none is hit before it is
    // drawn in this opening.
    CPUMenuItem* roots[4] = {m_pUp, m_pDown, m_pLeft, m_pRight};
    for (CPUMenuItem* pRoot : roots) {
        if (pRoot) pRoot->ForgetDrawn();
    }
}

void CPUMenu::Hide() {
    m_bVisible = 0;
    m_pSelected = nullptr;
    m_pHoveredArm = nullptr;
}

void CPUMenu::Track(int x, int y) {
    const int cx = m_ptCenter.x;
    const int cy = m_ptCenter.y;
    if (CRect(cx - 10, cy - 10, cx + 10, cy + 10).PtInRect(CPoint(x, y))) {
        m_pSelected = nullptr;
        m_pHoveredArm = nullptr;
        return;
    }

    CPUMenuItem* roots[4] = {m_pUp, m_pDown, m_pLeft, m_pRight};
    if (m_pSelected) {
        if (m_pSelected->HitTest(x, y)) return;
        if (CPUMenuItem* pChild = ChildAt(m_pSelected, x, y)) {
            m_pSelected = pChild;
            m_pHoveredArm = nullptr;
            return;
        }
        for (CPUMenuItem* pAncestor = m_pSelected->GetParent(); pAncestor; pAncestor = pAncestor->GetParent()) {
            if (CPUMenuItem* pChild = ChildAt(pAncestor, x, y)) {
                m_pSelected = pChild;
                m_pHoveredArm = nullptr;
                return;
            }
            if (ArmOf(pAncestor) >= 0 && pAncestor->HitTest(x, y)) {
                m_pSelected = pAncestor;
                m_pHoveredArm = nullptr;
                return;
            }
        }
    } else {
        for (CPUMenuItem* pRoot : roots) {
            if (!pRoot || (m_pHoveredArm && m_pHoveredArm != pRoot)) continue;
            if (pRoot->HitTest(x, y)) {
                m_pSelected = pRoot;
                m_pHoveredArm = nullptr;
                return;
            }
        }
    }

    for (int arm = kUp; arm <= kRight; ++arm) {
        CPUMenuItem* pRoot = roots[arm];
        if (!pRoot) continue;
        const bool bTested = (!m_pSelected && !m_pHoveredArm) || m_pSelected == pRoot;
        if (bTested && PointInSector(arm, x, y)) {
            m_pSelected = nullptr;
            m_pHoveredArm = pRoot;
            return;
        }
    }
}

void CPUMenu::KeepSelectionOnScreen() {
    if (!m_hOwnerWnd || !m_pSelected || m_pSelected->HasNoSize() || !m_pSelected->IsDrawn()) return;
    const CRect c = m_hOwnerWnd();
    const CRect s(m_pSelected->GetX(), m_pSelected->GetY(), m_pSelected->GetX() + m_pSelected->GetWidth(),
                  m_pSelected->GetY() + m_pSelected->GetHeight());
    int dx = 0;
    int dy = 0;
    if (s.top <= c.top) dy = c.top - s.top + 20;
    if (s.bottom >= c.bottom) dy = c.bottom - s.bottom - 20;
    if (s.left <= c.left) dx = c.left - s.left + 20;
    if (s.right >= c.right) dx = c.right - s.right - 20;
    m_ptCenter.Offset(dx, dy);
}

void CPUMenu::Draw(HDC hdc) {
    if (!m_bVisible) return;

    CBrush activeBrush;  // B1
    CBrush dimBrush;     // B2
    CPen borderPen;
    CFont font;
    BOOL bOk = activeBrush.CreateSolidBrush(kActiveColor);
    bOk = dimBrush.CreateSolidBrush(kDiscColor) && bOk;
    bOk = borderPen.CreatePen(PS_SOLID, 1, kBorderColor) && bOk;
    bOk = CreateMenuFont(font) && bOk;
    assert(bOk);
    (void)bOk;

    CPUMenuItem* pActiveRoot = nullptr;
    if (m_pSelected) {
        KeepSelectionOnScreen();
        const int cx = m_ptCenter.x;
        const int cy = m_ptCenter.y;

        // The selected path, arm root first.
        std::vector<CPUMenuItem*> path;
        for (CPUMenuItem* p = m_pSelected; p; p = p->GetParent()) path.insert(path.begin(), p);
        CPUMenuItem* pRoot = path.front();
        pActiveRoot = pRoot;
        const int arm = ArmOf(pRoot);
        if (arm >= 0) {
            const int dir = kArmDirection[arm];
            const CPoint at = RootBoxPosition(arm, pRoot);
            pRoot->Draw(hdc, 0, at.x, at.y, &borderPen, &activeBrush, &font);
            int ox = pRoot->GetX() - cx;
            int oy = pRoot->GetY() - cy;
            if (dir > 0) ox += pRoot->GetWidth();

            // One column for each level of the path: the children of the previous path item.
            for (size_t level = 1; level < path.size(); ++level) {
                CPUMenuItem* pFirst = path[level - 1]->GetFirstChild();
                if (dir < 0) ox -= pFirst->GetWidth();
                int row = 0;
                int pathRow = oy;
                CPUMenuItem* pLast = nullptr;
                for (CPUMenuItem* pChild = pFirst; pChild; pChild = pChild->GetNextSibling()) {
                    if (pChild == path[level]) {
                        pChild->Draw(hdc, 0, cx + ox, cy + oy + row, &borderPen, &activeBrush, &font);
                        pathRow = oy + row;
                    } else {
                        pChild->Draw(hdc, 1, cx + ox, cy + oy + row, &borderPen, &dimBrush, &font);
                    }
                    row += pChild->GetHeight();
                    pLast = pChild;
                }
                if (dir > 0 && pLast) ox += pLast->GetWidth();
                oy = pathRow;
            }

            // The selected item's own children form the last column.
            if (CPUMenuItem* pFirst = m_pSelected->GetFirstChild()) {
                if (dir < 0) ox -= pFirst->GetWidth();
                int row = 0;
                for (CPUMenuItem* pChild = pFirst; pChild; pChild = pChild->GetNextSibling()) {
                    pChild->Draw(hdc, 0, cx + ox, cy + oy + row, &borderPen, &activeBrush, &font);
                    row += pChild->GetHeight();
                }
            }
        }
    }

    activeBrush.DeleteObject();
    dimBrush.DeleteObject();
    borderPen.DeleteObject();
    font.DeleteObject();
    DrawArms(hdc, pActiveRoot);
}

void CPUMenu::DrawArms(HDC hdc, CPUMenuItem* pActiveRoot) {
    CBrush activeBrush;
    CPen borderPen;
    CFont font;
    CBrush discBrush;
    CPen armPen;
    BOOL bOk = activeBrush.CreateSolidBrush(kActiveColor);
    bOk = borderPen.CreatePen(PS_SOLID, 1, kBorderColor) && bOk;
    bOk = CreateMenuFont(font) && bOk;
    bOk = discBrush.CreateSolidBrush(kDiscColor) && bOk;
    bOk = armPen.CreatePen(PS_SOLID, 1, kDiscColor) && bOk;
    assert(bOk);
    (void)bOk;

    const int cx = m_ptCenter.x;
    const int cy = m_ptCenter.y;
    HGDIOBJ hOldPen = SelectObject(hdc, GetStockObject(NULL_PEN));
    HBRUSH hOldBrush = SelectObject(hdc, &discBrush);
    assert(hOldPen && hOldBrush);
    Ellipse(hdc, cx - 10, cy - 10, cx + 10, cy + 10);

    CPUMenuItem* roots[4] = {m_pUp, m_pDown, m_pLeft, m_pRight};
    for (int arm = kUp; arm <= kRight; ++arm) {
        CPUMenuItem* pRoot = roots[arm];
        if (!pRoot) continue;
        const bool bShown =
            pRoot == pActiveRoot || (!m_pSelected && (!m_pHoveredArm || m_pHoveredArm == pRoot));
        if (!bShown) continue;
        MoveToEx(hdc, cx, cy, nullptr);
        HPEN hPrevPen = SelectObject(hdc, &armPen);
        LineTo(hdc, cx + kArmEnd[arm].x, cy + kArmEnd[arm].y);
        const CPoint at = RootBoxPosition(arm, pRoot);
        pRoot->Draw(hdc, 0, at.x, at.y, &borderPen, &activeBrush, &font);
        SelectObject(hdc, hPrevPen);
    }

    HGDIOBJ hPenBack = SelectObject(hdc, hOldPen);
    HBRUSH hBrushBack = SelectObject(hdc, hOldBrush);
    assert(hPenBack && hBrushBack);
    (void)hPenBack;
    (void)hBrushBack;
    // The objects are deleted as they go out of scope.
}
