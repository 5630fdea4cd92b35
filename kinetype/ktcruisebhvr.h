// CKTCruiseBhvr (type 4, "Cruise"): random wandering. On step (event 1) every element's acceleration
// gains a random integer step on x and then on y, each (rand() % n) - A / 2 with A the maximum
// acceleration and n = A truncated toward zero (A = 50 gives -25 .. +24). z is never touched.
//
// With n = 0 (A below 1, which the parameter dialog accepts) there is no random term and rand() is not
// called; a maximum acceleration that is not a finite number is treated the same way.
#pragma once

#include "kinetype/ktphysics.h"

class CKTCruiseBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTCruiseBhvr)

public:
    // Event (1, 0); element slots velocity and acceleration; book slot BOOKPROP_INTEGRATOR; then the
    // integrator hook-up. While loading only the default maximum acceleration is set.
    CKTCruiseBhvr();
    ~CKTCruiseBhvr() override;

    CString GetName() const override;  // "Cruise"
    void OnEvent(int nEvent) override;

    void SetMaxAcceleration(double d) { m_dMaxAcceleration = d; }
    double GetMaxAcceleration() const { return m_dMaxAcceleration; }

    // After the behaviour part: the maximum acceleration (double). Files older than 0.8 hold one more
    // double before it, which is read and dropped.
    void Serialize(CArchive& ar) override;

private:
    double m_dMaxAcceleration;
};
