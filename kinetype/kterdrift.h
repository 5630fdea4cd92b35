// CKTERDrift (type 11, "drift"): a glyph drawn as its filled outline, whose vertices the mouse's
// motion shoves about. Each vertex keeps a velocity: a mouse motion (dx, dy) between two pre-steps adds
// A / (B + d) x (dx, dy) to it (d the vertex's distance from the mouse), a vertex more than 0.25 pixel
// from rest is pulled back by S pixels, the vertex moves by its velocity and friction takes D of it.
//
// Arithmetic is in double; every vertex and velocity component is stored back as a float after each
// assignment, saturated at +-kVertexLimit. A vertex whose step has no value (B + d = 0, or parameters
// that make it infinite or NaN) is left as it was, velocity included, for that pre-step.
//
// Stored form: the renderer base part, then A, B and S as floats. Friction is not stored: a loaded
// drift renderer has 0.02.
#pragma once

#include "kinetype/kteroutline.h"

class CKTERDrift : public CKTERFloatOutline {
    DECLARE_SERIAL(CKTERDrift)

public:
    CKTERDrift();
    ~CKTERDrift() override;

    // A new drift renderer with the four parameters (no shape, velocities or mouse state).
    CKTElementRenderer* Clone() override;
    // Event 3, while the book runs: builds the outline when needed, then moves the vertices.
    void OnPreStep() override;
    void Serialize(CArchive& ar) override;

    const float* GetVelocities() const { return m_pVelocities; }

    float m_fMouseStrength;   // "Mouse Strength" (A), 10.0
    float m_fMouseFalloff;    // "Mouse Falloff" (B), 10.0
    float m_fOriginStrength;  // "Origin Strength" (S), 0.15
    float m_fFriction;        // "Friction (0-1)" (D), 0.02

protected:
    // A fresh velocity array of zeros, two floats per vertex.
    void OnOutlineBuilt() override;

    float* m_pVelocities;  // owned; NULL without vertices
    CPoint m_ptPrevMouse;  // the book's mouse point at the previous pre-step
    BYTE m_bMouseSeen;     // m_ptPrevMouse holds a point
};
