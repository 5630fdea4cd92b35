#include "quillstorm/propertypanel.h"

#include <algorithm>
#include <climits>

#include "kinetype/ktelementrenderer.h"

namespace {

constexpr COLORREF kTextColor = RGB(1, 1, 1);
constexpr int kValueLeft = 70;
constexpr int kSoftTypeTop = 115;
constexpr int kFirstRowTop = 136;
// The value field ends this far left of the panel's right edge: the frame and one blank pixel.
constexpr int kValueRightMargin = 2;
constexpr char kEllipsis = '\x85';
// The clock and, in the symbol face, a left arrowhead, seven blanks and a right arrowhead around it.
constexpr int kClockX = 40, kClockY = 26;
constexpr int kArrowsX = 28, kArrowsY = 27;
constexpr char kArrowLeft[] = "\xD7";
constexpr char kArrowRight[] = "\xD8";
constexpr int kArrowBlanks = 7;
// The least room between an arrowhead and the clock's text.
constexpr int kArrowGap = 2;

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
    DrawClock(pDC, o);
    pDC->SelectObject(&m_fontText);
    text(35, 48, "font");
    text(36, 59, "size");
    text(30, 70, "color");
    text(17, 92, "position");
    text(18, 114, "softtype");
    text(7, 136, "behaviors");
    auto value = [&](int y, const CString& str) { text(kValueLeft, y, FitValue(pDC, str)); };
    value(48, m_strFont);
    value(59, m_strSize);
    value(70, m_strColor);
    value(92, m_strPosition);
    value(114, m_strSoftType);
    for (INT_PTR i = 0; i < m_behaviorNames.GetSize(); ++i) {
        const int y = kFirstRowTop + kRowHeight * static_cast<int>(i);
        if (y >= nEnd) break;
        value(y, m_behaviorNames[i]);
    }
    if (pOldFont) pDC->SelectObject(pOldFont);
    pDC->SetTextColor(crOldText);
    pDC->SetBkMode(nOldMode);
}

void CPropertyPanel::DrawClock(CDC* pDC, CPoint o) {
    pDC->SelectObject(&m_fontText);
    const int nClockRight = kClockX + pDC->GetTextExtent(m_strClock).cx;
    pDC->TextOut(o.x + kClockX, o.y + kClockY, m_strClock);
    // The arrowheads where the symbol sequence (left arrowhead, blanks, right arrowhead) puts them,
    // moved out to the side where the face's blanks are too narrow for the clock between them.
    pDC->SelectObject(&m_fontSymbols);
    const int nLeftWidth = pDC->GetTextExtent(kArrowLeft).cx;
    const int nRightAt = kArrowsX + nLeftWidth + pDC->GetTextExtent(CString(' ', kArrowBlanks)).cx;
    const int xLeft = std::min(kArrowsX, kClockX - kArrowGap - nLeftWidth);
    const int xRight = std::max(nRightAt, nClockRight + kArrowGap);
    pDC->TextOut(o.x + xLeft, o.y + kArrowsY, kArrowLeft);
    pDC->TextOut(o.x + xRight, o.y + kArrowsY, kArrowRight);
}

int CPropertyPanel::ValueFieldWidth() const { return std::max(0, m_rcPanel.Width() - kValueRightMargin - kValueLeft); }

CString CPropertyPanel::FitValue(const CDC* pDC, const CString& strValue) const {
    const int nField = ValueFieldWidth();
    if (pDC->GetTextExtent(strValue).cx <= nField) return strValue;
    // The extent grows with the length: the longest beginning that fits with the ellipsis, by halving.
    auto fits = [&](int n) { return pDC->GetTextExtent(strValue.Left(n) + kEllipsis).cx <= nField; };
    if (!fits(0)) return CString();
    int nLo = 0, nHi = strValue.GetLength();  // fits(nLo); the whole value does not fit
    while (nHi - nLo > 1) {
        const int nMid = nLo + (nHi - nLo) / 2;
        (fits(nMid) ? nLo : nHi) = nMid;
    }
    while (nLo > 0 && strValue[nLo - 1] == ' ') --nLo;
    return strValue.Left(nLo) + kEllipsis;
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
