#include "quillstorm/propertypanel.h"

#include <algorithm>
#include <climits>

#include "kinetype/ktelementrenderer.h"

namespace {

constexpr COLORREF kTextColor = RGB(1, 1, 1);
constexpr int kValueLeft = 70;
constexpr int kSoftTypeTop = 115;
constexpr int kFirstRowTop = 136;
// Drawn in the symbol face: a left arrowhead, seven blanks, a right arrowhead around the clock.
constexpr char kClockArrows[] = "\xD7       \xD8";

}  // namespace

CPropertyPanel::CPropertyPanel()
    : CFloatingPane(CRect(10, 110, 157, 292)),
      m_brRow(RGB(240, 188, 114)),
      m_brBand(RGB(240, 189, 122)),
      m_brTitle(RGB(240, 149, 54)) {
    m_fontTitle.CreatePointFont(90, "Arial");
    m_fontText.CreatePointFont(80, "Arial");
    m_fontSymbols.CreatePointFont(80, "Wingdings");
}

CPropertyPanel::~CPropertyPanel() = default;

const char* CPropertyPanel::SoftTypeName(int nType) {
    switch (nType) {
    case RENDERER_PARTICLE: return "particle";
    case RENDERER_LENS: return "lens";
    case RENDERER_PULL: return "pull";
    case RENDERER_PULSE: return "pulse";
    case RENDERER_SPLATTER: return "disintegrate";
    case RENDERER_TRANSPARENT: return "transparent";
    case RENDERER_EROSION: return "erosion";
    case RENDERER_CLAY: return "clay";
    case RENDERER_DRIFT: return "drift";
    case RENDERER_ERODEEDGE: return "erodeedge";
    case RENDERER_COLORSTATIC: return "colorstatic";
    case RENDERER_TRAIL: return "trail";
    default: return "default";
    }
}

void CPropertyPanel::Draw(CDC* pDC) {
    // 1. The height follows the rows (kept within the coordinate range however many there are).
    const long long nRows = m_behaviorNames.GetSize();
    const long long bottom = static_cast<long long>(m_rcPanel.top) + kBaseHeight + kRowHeight * nRows;
    m_rcPanel.bottom = static_cast<int>(std::min<long long>(bottom, INT_MAX));
    // 2 to 7. Off screen, then copied or blended.
    DrawOffScreen(pDC);
}

void CPropertyPanel::DrawPicture(CDC* pDC, CPoint o) {
    const int W = m_rcPanel.Width();
    const int H = m_rcPanel.Height();
    // Rows from here down lie past the image's bottom edge and are not drawn.
    CRect rcImage;
    pDC->GetClipBox(&rcImage);
    const int nEnd = rcImage.bottom - o.y;

    // 3. The bands, between x 1 and W - 1.
    auto band = [&](int top, int bottom, CBrush& brush) {
        const CRect rc(o.x + 1, o.y + top, o.x + W - 1, o.y + bottom);
        pDC->FillRect(&rc, &brush);
    };
    band(1, 4, m_brBand);
    band(4, 18, m_brTitle);
    band(18, 27, m_brBand);
    for (int y = 27; y < H - 1 && y < nEnd; y += 2 * kRowHeight) {
        band(y, y + kRowHeight, m_brRow);
        band(y + kRowHeight, y + 2 * kRowHeight, m_brBand);
    }

    // 4. The frame: the default pen, no fill.
    CGdiObject* pOldBrush = pDC->SelectStockObject(NULL_BRUSH);
    pDC->Rectangle(o.x, o.y, o.x + W, o.y + H);
    if (pOldBrush) pDC->SelectObject(pOldBrush);

    // 5. The texts.
    const int nOldMode = pDC->SetBkMode(TRANSPARENT);
    const COLORREF crOldText = pDC->SetTextColor(kTextColor);
    CFont* pOldFont = pDC->SelectObject(&m_fontTitle);
    auto text = [&](int x, int y, const char* psz) { pDC->TextOut(o.x + x, o.y + y, psz); };
    text(25, 3, "Object Properties");
    pDC->SelectObject(&m_fontSymbols);
    pDC->TextOut(o.x + 28, o.y + 27, kClockArrows, static_cast<int>(sizeof(kClockArrows) - 1));
    pDC->SelectObject(&m_fontText);
    text(40, 26, m_strClock);
    text(35, 48, "font");
    text(36, 59, "size");
    text(30, 70, "color");
    text(17, 92, "position");
    text(18, 114, "softtype");
    text(7, 136, "behaviors");
    text(kValueLeft, 48, m_strFont);
    text(kValueLeft, 59, m_strSize);
    text(kValueLeft, 70, m_strColor);
    text(kValueLeft, 92, m_strPosition);
    text(kValueLeft, 114, m_strSoftType);
    for (INT_PTR i = 0; i < m_behaviorNames.GetSize(); ++i) {
        const int y = kFirstRowTop + kRowHeight * static_cast<int>(i);
        if (y >= nEnd) break;
        text(kValueLeft, y, m_behaviorNames[i]);
    }
    if (pOldFont) pDC->SelectObject(pOldFont);
    pDC->SetTextColor(crOldText);
    pDC->SetBkMode(nOldMode);
}

BOOL CPropertyPanel::HitSoftType(CPoint pt) const {
    const CRect rc(m_rcPanel.left + kValueLeft, m_rcPanel.top + kSoftTypeTop, m_rcPanel.right,
                   m_rcPanel.top + kSoftTypeTop + kRowHeight);
    return rc.PtInRect(pt);
}

int CPropertyPanel::HitBehavior(CPoint pt) const {
    if (pt.x < m_rcPanel.left + kValueLeft || pt.x >= m_rcPanel.right) return -1;
    const long long dy = static_cast<long long>(pt.y) - m_rcPanel.top - kFirstRowTop;
    if (dy < 0) return -1;
    const long long i = dy / kRowHeight;
    return i < m_behaviorNames.GetSize() ? static_cast<int>(i) : -1;
}
