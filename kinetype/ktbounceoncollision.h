// CKTBounceOnCollision (type 22, "bounce on collision"): reflects an element off the first element of
// its collision list. On post-step (event 4, head of the list, before the integrator), for an element
// with collisions, I = its absolute bounds R intersected with those of its first collider: when I is
// empty or R lies wholly inside the collider, nothing; otherwise, when I is not wider than tall, v.x is
// reversed and the element moves I's width in the direction of the new v.x (left when it is 0); when
// I is not taller than wide, the same on y (a square overlap does both); then the velocity is scaled
// by the elasticity.
#pragma once

#include "kinetype/ktphysics.h"

class CKTBounceOnCollision : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTBounceOnCollision)

public:
    // Event (4, 1); element slots velocity and acceleration; book slot BOOKPROP_INTEGRATOR; then the
    // integrator hook-up. While loading only the default elasticity is set.
    CKTBounceOnCollision();
    ~CKTBounceOnCollision() override;

    CString GetName() const override;  // "bounce on collision"
    void OnEvent(int nEvent) override;

    void SetElasticity(double d) { m_dBounceElasticity = d; }
    double GetElasticity() const { return m_dBounceElasticity; }

    // After the behaviour part: the elasticity (double).
    void Serialize(CArchive& ar) override;

private:
    void Bounce(const CKTMotionList::CEntry& entry);

    double m_dBounceElasticity;
    CKTMotionList m_motion;  // the elements with their properties (not stored)
};
