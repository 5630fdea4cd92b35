#include "kinetype/ktersplatter.h"

IMPLEMENT_SERIAL(CKTERSplatter, CKTErodingRenderer, 0)

CKTERSplatter::CKTERSplatter() : CKTErodingRenderer(RENDERER_SPLATTER) {}

CKTElementRenderer* CKTERSplatter::Clone() { return CloneRates(new CKTERSplatter); }

void CKTERSplatter::FillMask(const CRgn& rgn, const CRect& box) {
    m_nTotal = 0;
    ForEachPixel(rgn, box, [this](int i, int, int, bool bInside) {
        m_pMask[i] = bInside ? 1 : 0;
        if (bInside) m_nTotal++;
    });
    m_nPresent = m_nTotal;
}

void CKTERSplatter::DrawMask(CDC* pDC, int x0, int y0) {
    PaintEntries(pDC, x0, y0, [](int v) { return v == 1; });
}

// A splatter mask always agrees with its counts: the build counts the entries 1, and every change
// moves one entry between 1 and 2 and the count with it.
void CKTERSplatter::ErosionPass(float p) { QueuePass(p, 1, m_nPresent); }

void CKTERSplatter::RegrowthPass(float p) { QueuePass(p, 2, m_nTotal - m_nPresent); }

void CKTERSplatter::QueuePass(float p, int nFrom, int nCandidates) {
    m_fPass = p;
    m_nFrom = nFrom;
    m_nDraws = nCandidates > 0 ? nCandidates : 0;
    m_nRand = crt::rand_state();
    crt::skip_rand(static_cast<uint64_t>(m_nDraws));
    QueuePixels(static_cast<size_t>(m_nDraws) / 4 + 1);
}

void CKTERSplatter::ComputePixels() {
    const float p = m_fPass;
    const int nFrom = m_nFrom, nTo = 3 - m_nFrom;
    crt::RandStream rand(m_nRand);
    const int n = MaskWidth() * MaskHeight();
    int nDrawn = 0;
    for (int i = 0; i < n; i++) {
        if (m_pMask[i] != nFrom) continue;
        nDrawn++;
        if (!Changes(rand.Next(), p)) continue;
        m_pMask[i] = nTo;
        if (nFrom == 1)
            CountVanished();
        else
            CountRegrown();
    }
    ASSERT(nDrawn == m_nDraws);
    (void)nDrawn;
}
