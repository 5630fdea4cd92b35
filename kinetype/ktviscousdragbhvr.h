// CKTViscousDragBhvr (type 15, "Viscous Drag"): linear drag. On post-step (event 4, head of the list,
// before the integrator) every element's acceleration gains -m_dDrag times its velocity.
#pragma once

#include "kinetype/ktphysics.h"

class CKTViscousDragBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTViscousDragBhvr)

public:
    // Event (4, 1); element slots velocity and acceleration; book slot BOOKPROP_INTEGRATOR; then the
    // integrator hook-up. While loading only the default drag is set.
    CKTViscousDragBhvr();
    ~CKTViscousDragBhvr() override;

    CString GetName() const override;  // "Viscous Drag"
    void OnEvent(int nEvent) override;

    void SetDrag(double d) { m_dDrag = d; }
    double GetDrag() const { return m_dDrag; }

    // After the behaviour part: the drag (double).
    void Serialize(CArchive& ar) override;

private:
    double m_dDrag;
    CKTMotionList m_motion;  // the elements with their properties (not stored)
};
