#include "kinetype/ktererodeedge.h"

IMPLEMENT_SERIAL(CKTERErodeEdge, CKTErodingRenderer, 0)

CKTERErodeEdge::CKTERErodeEdge() : CKTErodingRenderer(RENDERER_ERODEEDGE) {}

CKTElementRenderer* CKTERErodeEdge::Clone() { return CloneRates(new CKTERErodeEdge); }

template <class Fn>
void CKTERErodeEdge::ForEachNeighbour(int c, int r, Fn fn) {
    const int w = MaskWidth(), h = MaskHeight();
    int* pEntry = m_pMask + static_cast<size_t>(r) * w + c;
    if (c > 0) fn(pEntry[-1]);
    if (c < w - 1) fn(pEntry[1]);
    if (r > 0) fn(pEntry[-w]);
    if (r < h - 1) fn(pEntry[w]);
}

void CKTERErodeEdge::FillMask(const CRgn& rgn, const CRect& box) {
    m_nTotal = 0;
    ForEachPixel(rgn, box, [this](int i, int, int, bool bInside) {
        m_pMask[i] = bInside ? kInside | kPresent : 0;
        if (bInside) m_nTotal++;
    });
    const int w = box.Width(), h = box.Height();
    int* pEntry = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pEntry++) {
            if (!*pEntry) continue;
            const bool bBorder = c == 0 || pEntry[-1] == 0 || c == w - 1 || pEntry[1] == 0 || r == 0 || pEntry[-w] == 0 ||
                                 r == h - 1 || pEntry[w] == 0;
            if (bBorder) *pEntry |= kBorder | kFront;
        }
    }
    m_nPresent = m_nTotal;
}

void CKTERErodeEdge::DrawMask(CDC* pDC, int x0, int y0) {
    PaintEntries(pDC, x0, y0, [](int v) { return (v & kFront) != 0; });
}

void CKTERErodeEdge::ErosionPass(float p) {
    const int w = MaskWidth(), h = MaskHeight();
    int* pEntry = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pEntry++) {
            if (!(*pEntry & kFront) || !Draws(p)) continue;
            *pEntry &= ~(kPresent | kFront);
            CountVanished();
            ForEachNeighbour(c, r, [](int& v) {
                if ((v & (kInside | kPresent)) == (kInside | kPresent)) v |= kFront;
            });
        }
    }
}

void CKTERErodeEdge::RegrowthPass(float p) {
    const int w = MaskWidth(), h = MaskHeight();
    int* pEntry = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pEntry++) {
            if ((*pEntry & (kFront | kBorder)) != kFront || !Draws(p)) continue;
            *pEntry &= ~kFront;
            CountRegrown();
            ForEachNeighbour(c, r, [](int& v) {
                if ((v & (kInside | kPresent)) == kInside) v |= kFront | kPresent;
            });
        }
    }
}
