// CKTErodingRenderer: the mask renderers whose pixels vanish and come back at random (splatter,
// erosion, erode edge). Not stored on its own; master and copies, mouse test and stored form (the two
// rates) are CKTTrackingMaskRenderer's.
//
// A build counts the glyph's inside pixels in m_nTotal and sets m_nPresent to it. Each pre-step, with
// the factor f of the mouse test (mouse-over or mouse-outside rate) and rate = m_nTotal x f:
// - f = 0: nothing changes;
// - rate < 0: an erosion pass with the threshold p = -1 / (rate / m_nPresent x 32767);
// - rate > 0: a regrowth pass with p = 1 / (rate / (m_nTotal - m_nPresent) x 32767).
// p is a float. A pass visits the mask row by row, left to right, in place (a change is seen by the
// entries after it), and draws one rand() value n for every candidate, which changes unless n x p is
// at least 1. While the counts match the mask a candidate changes with a probability of about
// -rate / m_nPresent (erosion) or rate / (m_nTotal - m_nPresent) (regrowth); a threshold of 0 or
// less, infinite or NaN changes every candidate.
//
// m_nPresent moves by one per changed candidate (and per pixel the erosion renderer clears under an
// overlapping element), so it can drift from the number of drawn pixels; the thresholds follow it.
#pragma once

#include "kinetype/kttrackingmaskrenderer.h"
#include "platform/crt/crt.h"

class CKTErodingRenderer : public CKTTrackingMaskRenderer {
    DECLARE_DYNAMIC(CKTErodingRenderer)

public:
    int GetPresentCount() const {
        WaitPixels();
        return m_nPresent;
    }
    int GetTotalCount() const { return m_nTotal; }

protected:
    // Rates -0.1 while the mouse is over the glyph, 0.2 while it is outside.
    CKTErodingRenderer(int nType);

    // A master with both rates.
    CKTElementRenderer* CloneRates(CKTErodingRenderer* p) const;
    // Before the mouse test (the erosion renderer clears what overlapping elements cover).
    virtual void BeforePasses(CKTBook& book);
    void Animate(CKTBook& book) override;
    virtual void ErosionPass(float p) = 0;
    virtual void RegrowthPass(float p) = 0;
    // Whether a candidate changes under the threshold p: draws one rand() value.
    static bool Draws(float p) { return Changes(crt::rand(), p); }
    // Whether a candidate with the drawn value n changes under the threshold p.
    static bool Changes(int n, float p) { return !(n * p >= 1.0); }
    // Paints every entry for which bDrawn(entry) holds in the renderer's colour.
    template <class Pred>
    void PaintEntries(CDC* pDC, int x0, int y0, Pred bDrawn) {
        const uint32_t nPixel = gdi::ColorToPixel(m_crColor & 0xFFFFFFu);
        const int* pMask = m_pMask;
        ForEachSurfacePixel(pDC, x0, y0, [&](int i, uint32_t& pixel) {
            if (bDrawn(pMask[i])) pixel = nPixel;
        });
    }
    // m_nPresent by one, kept within the int range.
    void CountVanished() {
        if (m_nPresent > INT32_MIN) m_nPresent--;
    }
    void CountRegrown() {
        if (m_nPresent < INT32_MAX) m_nPresent++;
    }

    int m_nPresent;
    int m_nTotal;
};
