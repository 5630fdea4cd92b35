// CKTThrowableBhvr (type 19, "Throwable"): the user picks an element up with the left button, drags
// it and throws it.
//
// A left press (event 5) holds the last element, in list order, whose absolute bounds contain the
// mouse point, and records the point once per element hit. While an element is held, each step
// (event 1) puts its centre on the mouse point and records that point. The record keeps the last five
// points, oldest first: past five it drops the oldest (a press over many elements too). The release
// (event 6) gives the held element the velocity (mouse point - oldest recorded point), in pixels, and
// lets go. A held element that leaves the behaviour (detached or dying) is let go and the points
// recorded for it are dropped.
//
// A physics behaviour: the integrator hook-up and enrolment of ktphysics.h. The held element and the
// points are not stored.
#pragma once

#include "kinetype/ktphysics.h"

class CKTThrowableBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTThrowableBhvr)

public:
    // Nothing held. Events (1, 0), (5, 0), (6, 0), element slots velocity and acceleration, book slot
    // BOOKPROP_INTEGRATOR, then the hook-up; while loading only the fields.
    CKTThrowableBhvr();
    ~CKTThrowableBhvr() override;

    CString GetName() const override;  // "Throwable"
    void OnEvent(int nEvent) override;
    // The base detach; when pElement is the held element it is let go and the history emptied.
    BOOL RemoveElement(CKTElement* pElement) override;

    CKTElement* GetGrabbed() const { return m_pGrabbed; }
    UINT GetHistoryCount() const { return m_nHistory; }
    CPoint GetHistoryPoint(UINT i) const { return m_history[i]; }

    void Serialize(CArchive& ar) override;
    void ForgetLinks() override;

    static constexpr UINT kHistory = 5;

private:
    void Press();
    void Drag();
    void Release();
    void Record(CPoint pt);

    CKTElement* m_pGrabbed;  // not owned
    CPoint m_history[kHistory];
    UINT m_nHistory;
};
