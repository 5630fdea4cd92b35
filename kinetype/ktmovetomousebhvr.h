// CKTMoveToMouseBhvr (type 2, "Move To Mouse"): steers its elements' velocities toward the mouse.
//
// Each step (event 1), with m the book's mouse point, every element's velocity becomes
// (v + (m - centre)) / 2, the centre being that of its absolute bounds: the velocity moves halfway
// toward the offset to the mouse each step, and the integrator does the moving. A physics behaviour:
// the integrator hook-up and enrolment of ktphysics.h.
//
// Stored form: the behaviour part only.
#pragma once

#include "kinetype/ktphysics.h"

class CKTMoveToMouseBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTMoveToMouseBhvr)

public:
    // Event (1, 0), element slot velocity, book slot BOOKPROP_INTEGRATOR, then the hook-up; nothing
    // while loading.
    CKTMoveToMouseBhvr();
    ~CKTMoveToMouseBhvr() override;

    CString GetName() const override;  // "Move To Mouse"
    void OnEvent(int nEvent) override;

    void Serialize(CArchive& ar) override;
};
