#include "kinetype/ktererosion.h"

#include <algorithm>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktdocument.h"

IMPLEMENT_SERIAL(CKTERErosion, CKTErodingRenderer, 0)

namespace {

// Calls fn(entry) for the 3 x 3 neighbourhood of (c, r) clipped to a w x h mask, row by row, the
// centre included when bCentre.
template <class Fn>
void ForNeighbourhood(int* pMask, int w, int h, int c, int r, bool bCentre, Fn fn) {
    const int r0 = std::max(r - 1, 0), r1 = std::min(r + 1, h - 1);
    const int c0 = std::max(c - 1, 0), c1 = std::min(c + 1, w - 1);
    for (int y = r0; y <= r1; y++)
        for (int x = c0; x <= c1; x++)
            if (bCentre || x != c || y != r) fn(pMask[static_cast<size_t>(y) * w + x]);
}

}  // namespace

CKTERErosion::CKTERErosion() : CKTErodingRenderer(RENDERER_EROSION) {}

CKTElementRenderer* CKTERErosion::Clone() { return CloneRates(new CKTERErosion); }

void CKTERErosion::FillMask(const CRgn& rgn, const CRect& box) {
    const int w = box.Width(), h = box.Height();
    m_nTotal = 0;
    ForEachPixel(rgn, box, [&](int i, int c, int r, bool bInside) {
        if (!bInside) {
            m_pMask[i] = -1;
            return;
        }
        ForNeighbourhood(m_pMask, w, h, c, r, false, [](int& v) {
            if (v >= 0) v++;  // at most 8
        });
        m_nTotal++;
    });
    m_nPresent = m_nTotal;
}

void CKTERErosion::DrawMask(CDC* pDC, int x0, int y0) {
    PaintEntries(pDC, x0, y0, [](int v) { return v > 0; });
}

void CKTERErosion::BeforePasses(CKTBook& book) {
    if (!m_pElement->IsColliding()) return;
    // The lists are current only when the book's detector swept them at the head of this pre-step.
    CKT1DCollisionDetBhvr* pDetector = KTGetCollisionDetector(book);
    if (!pDetector || !pDetector->IsRunning()) return;
    const CRect rcMine = m_pElement->GetAbsoluteBounds();
    const int w = MaskWidth(), h = MaskHeight();
    for (POSITION pos = m_pElement->GetFirstCollisionPosition(); pos;) {
        CKTElement* pOther = m_pElement->GetNextCollision(pos);
        if (!pOther) continue;
        const CRect rcOther = pOther->GetAbsoluteBounds();
        CRect rc;
        if (!rc.IntersectRect(&rcMine, &rcOther)) continue;
        const int64_t l = std::clamp<int64_t>(int64_t{rc.left} - rcMine.left, 0, w - 1);
        const int64_t r = std::clamp<int64_t>(int64_t{rc.right} - rcMine.left, 0, w - 1);
        const int64_t t = std::clamp<int64_t>(int64_t{rc.top} - rcMine.top, 0, h - 1);
        const int64_t b = std::clamp<int64_t>(int64_t{rc.bottom} - rcMine.top, 0, h - 1);
        for (int64_t y = t; y <= b; y++) {
            for (int64_t x = l; x <= r; x++) {
                int& v = m_pMask[y * w + x];
                if (v <= 0) continue;
                v = 0;
                CountVanished();
            }
        }
    }
}

void CKTERErosion::ErosionPass(float p) {
    const int w = MaskWidth(), h = MaskHeight();
    int* pEntry = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pEntry++) {
            if (*pEntry <= 0) continue;
            bool bEdge = r == 0 || c == 0 || r == h - 1 || c == w - 1;
            if (!bEdge)
                ForNeighbourhood(m_pMask, w, h, c, r, true, [&bEdge](int& v) { bEdge = bEdge || v < 1; });
            if (!bEdge || !Draws(p)) continue;
            ForNeighbourhood(m_pMask, w, h, c, r, true, [](int& v) {
                if (v > 0) v--;
            });
            *pEntry = 0;
            CountVanished();
        }
    }
}

void CKTERErosion::RegrowthPass(float p) {
    const int w = MaskWidth(), h = MaskHeight();
    int* pEntry = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pEntry++) {
            if (*pEntry != 0 || !Draws(p)) continue;
            int nPresent = 0;
            ForNeighbourhood(m_pMask, w, h, c, r, false, [&nPresent](int& v) {
                if (v > 0) {
                    if (v < INT32_MAX) v++;
                    nPresent++;
                }
            });
            *pEntry = 1 + nPresent;
            CountRegrown();
        }
    }
}
