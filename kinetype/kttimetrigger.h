// CKTTimeTrigger (type 1001, "Time Trigger"): fires once, at the first step at which the book's clock
// is not below m_dFireTime. It does not re-arm; the fired flag is stored, so a saved and loaded
// trigger that has fired stays quiet. (The clock is a sum of 0.01 steps: a fire time of 0.3 is reached
// when that sum is, which may be a step later than 30.)
//
// Stored form: the trigger part, then m_dFireTime (double).
#pragma once

#include "kinetype/kttriggerbhvr.h"

class CKTTimeTrigger : public CKTTriggerBhvr {
    DECLARE_SERIAL(CKTTimeTrigger)

public:
    // Fire time 0.0; event (1, 0) unless loading.
    CKTTimeTrigger();
    ~CKTTimeTrigger() override;

    CString GetName() const override;  // "Time Trigger"
    void OnEvent(int nEvent) override;

    // The book clock at which it fires (the dispatcher passes the clock plus a delay).
    void SetFireTime(double d) { m_dFireTime = d; }
    double GetFireTime() const { return m_dFireTime; }

    void Serialize(CArchive& ar) override;

private:
    double m_dFireTime;
};
