// CKTParticle: one particle of the particle renderer: a position in glyph coordinates (z stays 0), the
// position before the last SetPosition, a velocity (pixels per unit of time; a step is 0.05) and an
// acceleration (zero for every particle). Never stored.
#pragma once

#include "platform/afx/afx.h"
#include "vector3d/vector3d.h"

class CKTParticle : public CObject {
public:
    CKTParticle() = default;
    ~CKTParticle() override;

    // m_vPrevPosition := m_vPosition, m_vPosition := v.
    void SetPosition(CKTVector v) {
        m_vPrevPosition = m_vPosition;
        m_vPosition = v;
    }

    CKTVector m_vPosition;
    CKTVector m_vPrevPosition;
    CKTVector m_vVelocity;
    CKTVector m_vAcceleration;
};
