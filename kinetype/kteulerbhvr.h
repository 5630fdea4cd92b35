// CKTEulerBhvr (type 8, "Euler Integration"): the one integrator of a scene's motion.
//
// Shared: the first physics behaviour that finds book property BOOKPROP_INTEGRATOR empty (or holding
// no behaviour) creates it, adds it to the book, starts it and stores it in that slot; every physics
// behaviour attaches its elements to it as well (an element is held once).
//
// Each tick: on pre-step (event 3, tail of the list) it sets every attached element's acceleration
// (PROP_ACCELERATION) to zero; force behaviours add to it during step (event 1); on post-step (event 4,
// tail) it limits the acceleration to length 1e10, adds 0.1 x acceleration to the velocity
// (PROP_VELOCITY), limits the velocity to length 1e6, moves the element by 0.1 x velocity and stores
// the velocity. An element whose slot 1 or 2 does not hold a vector property (a broken file) is
// skipped.
#pragma once

#include "kinetype/ktbehavior.h"
#include "kinetype/ktphysics.h"

class CKTEulerBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTEulerBhvr)

public:
    // Events (3, 0) and (4, 0); element slots PROP_VELOCITY and PROP_ACCELERATION (vectors); mask 7.
    // While loading, only the base constructor runs (the stored form restores the tables).
    CKTEulerBhvr();

    CString GetName() const override;  // "Euler Integration"
    void OnEvent(int nEvent) override;

    // The behaviour base part only.
    void Serialize(CArchive& ar) override;

    static constexpr double kTimeStep = 0.1;
    static constexpr double kMaxAcceleration = 1.0e10;
    static constexpr double kMaxVelocity = 1.0e6;

private:
    void ClearAccelerations();
    void Integrate();

    CKTMotionList m_motion;  // the elements with their properties (not stored)
};
