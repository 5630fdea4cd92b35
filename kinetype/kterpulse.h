// CKTERPulse (type 5, "pulse"): a glyph that breathes. Every pre-step recomputes the working outline
// from the rest outline, scaling each vertex about the centre of the rest outline's box by
// s = swing / (K d + 1) + 1, where swing = A sin(2 frame 3.14159 / P) + A swings with the frame counter
// and d is the vertex's distance from the mouse. The glyph is drawn filled, with a dark outline.
//
// The frame counter advances by one at the end of every draw call (also without an element or off
// screen) and wraps at the int range. A vertex whose scale has no value (K d + 1 = 0, a period of 0,
// parameters that make it infinite or NaN) stays at rest for that pre-step.
//
// Stored form: the renderer base part, then m_nFrame as an int and P, A and K as floats.
#pragma once

#include "kinetype/kteroutline.h"

class CKTERPulse : public CKTERFloatOutline {
    DECLARE_SERIAL(CKTERPulse)

public:
    // The outline pen's colour, RGB(20, 20, 20).
    static constexpr COLORREF kPenColor = 0x141414;

    CKTERPulse();

    // A new pulse renderer with the three parameters (frame 0, centre (0, 0), no shape).
    CKTElementRenderer* Clone() override;
    // Event 0: fills and outlines the working outline (PolyPolygon under the DC's fill mode, a pen of
    // width 1 in kPenColor) when on screen; then advances the frame counter.
    void Draw() override;
    // Event 3, while the book runs: rebuilds and refreshes the extent when needed, then recomputes the
    // working outline. The extent becomes stale; the next pre-step's extent query marks the bounds.
    void OnPreStep() override;
    void Serialize(CArchive& ar) override;

    int GetFrame() const { return m_nFrame; }
    CPoint GetCenter() const { return m_ptCenter; }

    float m_fPeriod;      // "Period" (P), frames per pulse, 10.0
    float m_fScale;       // "Scale" (A), 5.0
    float m_fDistortion;  // "Distortion Factor" (K), 0.1

protected:
    // The box of the working outline's region, and m_ptCenter from the rest outline's box (the space
    // keeps its centre).
    void MeasureOutline(CDC* pDC) override;

    int m_nFrame;        // draw calls so far
    CPoint m_ptCenter;   // centre of the rest outline's box, refreshed with the extent
};
