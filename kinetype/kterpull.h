// CKTERPull (type 4, "pull"): a glyph drawn as its filled outline, stretched towards the mouse. Each
// pre-step moves every vertex A / (B + d) pixels straight towards the mouse point (d its distance) and
// R pixels back towards its rest place; the deformation accumulates from pre-step to pre-step.
// m_bPulled tells whether the last pre-step with an outline took some vertex farther from rest (the
// pulled trigger reads it through IsPulled).
//
// Arithmetic is in double, vertices stored back as floats saturated at +-kVertexLimit. A vertex whose
// step has no value (under the mouse, d = 0; B + d = 0; parameters that make it infinite or NaN) stays
// for that pre-step and does not count as pulled.
//
// Stored form: the renderer base part, then A, B and R as floats; m_bPulled is not stored.
#pragma once

#include "kinetype/kteroutline.h"

class CKTERPull : public CKTERFloatOutline {
    DECLARE_SERIAL(CKTERPull)

public:
    CKTERPull();

    BOOL IsPulled() const override { return m_bPulled ? TRUE : FALSE; }

    // A new pull renderer with the three parameters (not pulled, no shape).
    CKTElementRenderer* Clone() override;
    // Event 3, while the book runs: builds the outline when needed, then moves the vertices and sets
    // m_bPulled. Without vertices m_bPulled keeps its value.
    void OnPreStep() override;
    void Serialize(CArchive& ar) override;

    BYTE m_bPulled;           // the last pre-step took a vertex farther from rest
    float m_fMouseStrength;   // "Mouse Strength" (A), 400.0
    float m_fMouseFalloff;    // "Mouse Falloff" (B), 25.0
    float m_fOriginStrength;  // "Origin Strength" (R), 2.0
};
