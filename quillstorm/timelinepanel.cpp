#include "quillstorm/timelinepanel.h"


CTimelinePanel::CTimelinePanel()
    : CFloatingPane(CRect(0, 300, 800, 462)),
      m_brLight(RGB(246, 217, 165)),
      m_brDark(RGB(249, 207, 132)),
      m_brBar(RGB(240, 123, 14)),
      m_brLine(RGB(100, 98, 100)) {
    m_fontText.CreatePointFont(80, "Arial");
}

CTimelinePanel::~CTimelinePanel() = default;

void CTimelinePanel::Draw(CDC* pDC) {
    // Opaque, straight onto the target; translucent, off screen and blended.
    if (m_bTranslucent)
        DrawOffScreen(pDC);
    else
        DrawPicture(pDC, m_rcPanel.TopLeft());
}

void CTimelinePanel::DrawPicture(CDC* pDC, CPoint o) {
    const int W = m_rcPanel.Width();
    const int H = m_rcPanel.Height();
    auto fill = [&](int left, int top, int right, int bottom, CBrush& brush) {
        const CRect rc(o.x + left, o.y + top, o.x + right, o.y + bottom);
        pDC->FillRect(&rc, &brush);
    };
    // The outline, with the DC's own pen and brush.
    pDC->Rectangle(o.x, o.y, o.x + W, o.y + H);
    // Eight 20-pixel bands, dark first.
    for (int i = 0; i < 8; ++i) fill(1, 1 + 20 * i, W - 1, 21 + 20 * i, i % 2 == 0 ? m_brDark : m_brLight);
    // The track's head line and three bars.
    fill(76, 0, 78, H, m_brLine);
    fill(90, 5, 665, 12, m_brBar);
    fill(90, 23, 665, 26, m_brBar);
    fill(90, 34, 665, 37, m_brBar);
    // The track's name.
    const int nOldMode = pDC->SetBkMode(TRANSPARENT);
    const COLORREF crOldText = pDC->SetTextColor(RGB(1, 1, 1));
    CFont* pOldFont = pDC->SelectObject(&m_fontText);
    pDC->TextOut(o.x + 10, o.y + 4, "T1 Text");
    if (pOldFont) pDC->SelectObject(pOldFont);
    pDC->SetTextColor(crOldText);
    pDC->SetBkMode(nOldMode);
}
