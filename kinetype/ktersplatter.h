// CKTERSplatter (type 6, "disintegrate" in the properties panel): any present pixel may vanish and any
// vanished pixel may come back, independently and at random (CKTErodingRenderer).
//
// Mask entries: 0 outside the glyph, 1 present, 2 vanished; entries equal to 1 are drawn.
// Stored form: the base part, then the mouse-over and mouse-outside rates (floats).
#pragma once

#include "kinetype/kterodingrenderer.h"

class CKTERSplatter : public CKTErodingRenderer {
    DECLARE_SERIAL(CKTERSplatter)

public:
    CKTERSplatter();
    CKTElementRenderer* Clone() override;

protected:
    void FillMask(const CRgn& rgn, const CRect& box) override;
    void DrawMask(CDC* pDC, int x0, int y0) override;
    // Candidates 1 become 2 (vanish). Each pass reserves one draw per candidate (the counts tell how
    // many) and is queued for the end of the pre-step.
    void ErosionPass(float p) override;
    // Candidates 2 become 1 (come back).
    void RegrowthPass(float p) override;
    // The queued pass.
    void ComputePixels() override;

private:
    void QueuePass(float p, int nFrom, int nCandidates);

    float m_fPass = 0.0f;  // the queued pass's threshold
    int m_nFrom = 0;       // its candidates' value (1 or 2)
    int m_nDraws = 0;      // its candidates
    uint32_t m_nRand = 0;  // the generator's state where its draws begin
};
