// CKTERTransparent (type 8): the glyph's pixels blended with what already lies on the canvas. The
// transparency t moves by the mouse-over rate each pre-step while the mouse is over the glyph (or over
// the word or passage the master was set on), by the mouse-outside rate while it is outside, and is
// kept within 0 to 1; a draw paints each inside pixel as (1 - t) x the colour + t x the pixel beneath,
// channel by channel, truncated. t = 0 paints the renderer's colour, t = 1 leaves the canvas as it was.
//
// Master and copies as in CKTTrackingMaskRenderer; SetTransparency reaches the copies as the rates do.
// Stored form: the base part, then the mouse-over rate, the mouse-outside rate and the transparency
// (floats).
#pragma once

#include "kinetype/kttrackingmaskrenderer.h"

class CKTERTransparent : public CKTTrackingMaskRenderer {
    DECLARE_SERIAL(CKTERTransparent)

public:
    // Rates 0 and 0, transparency 0.5: a fixed half blend.
    CKTERTransparent();

    // A master with the three parameters (the current transparency included).
    CKTElementRenderer* Clone() override;

    // Stores t and passes it to every copy below the element.
    void SetTransparency(float t);
    float GetTransparency() const { return m_fTransparency; }

    void Serialize(CArchive& ar) override;

protected:
    // t + the rate of the mouse test, then kept within 0 to 1.
    void Animate(CKTBook& book) override;
    // Blends with GetPixel and SetPixel; a t outside 0 to 1 draws as the nearest end, NaN as 0.
    void DrawMask(CDC* pDC, int x0, int y0) override;

    float m_fTransparency;
};
