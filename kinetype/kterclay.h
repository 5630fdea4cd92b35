// CKTERClay (type 10, "clay"): a glyph drawn as its filled outline that the mouse kneads while the
// left button is held. Each pre-step with the button down moves every vertex by A / (B + d) times the
// mouse's motion since the previous pre-step (d the vertex's distance from the mouse) and S pixels back
// towards its rest place (nothing for a vertex exactly at rest). No velocity: when the button is
// released the shape stays, and the next press starts with a zero motion.
//
// Arithmetic is in double, vertices stored back as floats saturated at +-kVertexLimit. A vertex whose
// step has no value (B + d = 0, or parameters that make it infinite or NaN) stays for that pre-step.
//
// Stored form: the renderer base part, then A, B and S as floats.
#pragma once

#include "kinetype/kteroutline.h"

class CKTERClay : public CKTERFloatOutline {
    DECLARE_SERIAL(CKTERClay)

public:
    CKTERClay();

    // A new clay renderer with the three parameters (no shape or mouse state).
    CKTElementRenderer* Clone() override;
    // Event 3, while the book runs: builds the outline when needed; with the left button up it forgets
    // the mouse and changes nothing, otherwise it moves the vertices.
    void OnPreStep() override;
    void Serialize(CArchive& ar) override;

    float m_fMouseStrength;   // "Mouse Strength" (A), 10.0
    float m_fMouseFalloff;    // "Mouse Falloff" (B), 10.0
    float m_fOriginStrength;  // "Origin Strength" (S), 0.15

protected:
    CPoint m_ptPrevMouse;  // the book's mouse point at the previous pre-step with the button down
    BYTE m_bMouseSeen;     // m_ptPrevMouse holds a point
};
