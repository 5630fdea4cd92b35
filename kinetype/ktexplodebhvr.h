// CKTExplodeBhvr (type 12, "Explode"): gives every element one random kick, once.
//
// At the first step (event 1) after it starts, each element's acceleration gains d * f: d a random
// direction in the x-y plane (x and y each 2 * rand() / 32767 - 1, normalised) and f a random force
// between m_dMinForce and m_dMaxForce; three rand() draws per element, in that order. Then m_bDone is
// set and the behaviour does nothing more (m_bDone is stored, so a loaded document does not explode
// again). The kick lasts one step: the integrator clears accelerations at the next pre-step.
//
// A physics behaviour: the integrator hook-up and enrolment of ktphysics.h.
//
// Stored form: the behaviour part, then maximum and minimum force (doubles) and m_bDone as an int.
#pragma once

#include "kinetype/ktphysics.h"

class CKTExplodeBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTExplodeBhvr)

public:
    // Forces 500 to 2000, not done; event (1, 0), element slots velocity and acceleration, book slot
    // BOOKPROP_INTEGRATOR, then the hook-up. While loading only the base constructor runs.
    CKTExplodeBhvr();
    ~CKTExplodeBhvr() override;

    CString GetName() const override;  // "Explode"
    void OnEvent(int nEvent) override;

    void SetForceRange(double dMin, double dMax) {
        m_dMinForce = dMin;
        m_dMaxForce = dMax;
    }
    double GetMinForce() const { return m_dMinForce; }
    double GetMaxForce() const { return m_dMaxForce; }
    BOOL IsDone() const { return m_bDone ? TRUE : FALSE; }

    void Serialize(CArchive& ar) override;

private:
    double m_dMinForce = 0.0;
    double m_dMaxForce = 0.0;
    BYTE m_bDone = 0;
};
