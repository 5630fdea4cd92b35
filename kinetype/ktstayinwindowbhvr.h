// CKTStayInWindowBhvr (type 20, "stay in window"): keeps elements inside a boundary. On post-step
// (event 4, head of the list, before the integrator) every element whose absolute bounds stick out of
// the boundary W is answered by the response:
//   0 stop:       acceleration and velocity := 0; then, unless it lies wholly outside, the element is
//                 moved back by the amount it sticks out;
//   1 bounce:     unless it lies wholly outside: each velocity component is reversed on the axis where
//                 it sticks out, the velocity is scaled by m_dResponseFactor, and the element is moved
//                 back;
//   2 accelerate: when the centre of its bounds is outside W, the acceleration gains m_dResponseFactor
//                 along the unit direction back toward W (one axis or a diagonal);
//   other values: nothing.
// W is the book's client rectangle inflated by m_rcWindow (positive values enlarge it), or m_rcWindow
// itself when m_bAbsolute is set (only a stored document sets it).
#pragma once

#include "kinetype/ktphysics.h"

class CKTStayInWindowBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTStayInWindowBhvr)

public:
    // Event (4, 1); element slots velocity and acceleration; book slot BOOKPROP_INTEGRATOR; then the
    // integrator hook-up. While loading only the defaults are set.
    CKTStayInWindowBhvr();
    ~CKTStayInWindowBhvr() override;

    CString GetName() const override;  // "stay in window"
    void OnEvent(int nEvent) override;

    void SetResponse(int n) { m_nResponse = n; }
    int GetResponse() const { return m_nResponse; }
    void SetResponseFactor(double d) { m_dResponseFactor = d; }
    double GetResponseFactor() const { return m_dResponseFactor; }
    // The amounts the client rectangle is inflated by (left, top, right, bottom); clears m_bAbsolute.
    void SetMargins(CRect rc) {
        m_rcWindow = rc;
        m_bAbsolute = 0;
    }
    CRect GetMargins() const { return m_rcWindow; }
    BOOL IsAbsolute() const { return m_bAbsolute ? TRUE : FALSE; }
    // The boundary W of the next post-step.
    CRect GetBoundary() const;

    // After the behaviour part: the response (unsigned), the response factor (double), the absolute
    // flag (int; loaded as value != 0), m_rcWindow (RECT).
    void Serialize(CArchive& ar) override;

    enum { RESPONSE_STOP = 0, RESPONSE_BOUNCE = 1, RESPONSE_ACCELERATE = 2 };

private:
    void Respond(const CKTMotionList::CEntry& entry, const CRect& rcW);

    int m_nResponse;
    double m_dResponseFactor;
    CRect m_rcWindow;
    BYTE m_bAbsolute;
    CKTMotionList m_motion;  // the elements with their properties (not stored)
};
