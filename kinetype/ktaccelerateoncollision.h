// CKTAccelerateOnCollision (type 21, "accelerate on collision"): pushes an element away from what it
// touches. On post-step (event 4, head of the list, before the integrator), for an element with
// collisions: s = the sum over its colliders of (its centre - the collider's centre) (centres of the
// absolute bounds), m = the nearest of those distances; the acceleration is REPLACED by
//     s / |s| * (factor * m_dCollisionMagnitude),  factor = 10 when m < 5, 5 when m < 10, else 2.
// When the offsets cancel out (|s| is 0, e.g. colliders placed symmetrically or sharing the centre) or
// the result is not a finite vector, the acceleration is left as it is.
#pragma once

#include "kinetype/ktphysics.h"

class CKTAccelerateOnCollision : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTAccelerateOnCollision)

public:
    // Event (4, 1); element slots velocity and acceleration; book slot BOOKPROP_INTEGRATOR; then the
    // integrator hook-up. While loading only the default magnitude is set.
    CKTAccelerateOnCollision();
    ~CKTAccelerateOnCollision() override;

    CString GetName() const override;  // "accelerate on collision"
    void OnEvent(int nEvent) override;

    void SetMagnitude(double d) { m_dCollisionMagnitude = d; }
    double GetMagnitude() const { return m_dCollisionMagnitude; }

    // The push factor for a nearest collider at distance dNearest.
    static double DistanceFactor(double dNearest);

    // After the behaviour part: the magnitude (double).
    void Serialize(CArchive& ar) override;

private:
    void Push(CKTElement* pElement);

    double m_dCollisionMagnitude;
};
