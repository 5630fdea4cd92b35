// CKTMouseStillTrigger (type 1003, "Mouse Still trigger"): fires on every step at which the book's
// mouse point equals the point of the previous step, and re-arms.
//
// On each step (event 1) the mouse point is compared with m_ptLast and then stored there, so the first
// step of a new trigger fires only when the mouse stands at (-666, -666), the start value. The book
// records the mouse point even while it is stopped.
//
// Stored form: the trigger part, then m_ptLast (POINT).
#pragma once

#include "kinetype/kttriggerbhvr.h"

class CKTMouseStillTrigger : public CKTTriggerBhvr {
    DECLARE_SERIAL(CKTMouseStillTrigger)

public:
    // m_ptLast (-666, -666); event (1, 0) unless loading.
    CKTMouseStillTrigger();
    ~CKTMouseStillTrigger() override;

    CString GetName() const override;  // "Mouse Still trigger"
    void OnEvent(int nEvent) override;
    CPoint GetLastPoint() const { return m_ptLast; }

    void Serialize(CArchive& ar) override;

private:
    CPoint m_ptLast;
};
