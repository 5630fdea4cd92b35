// CKTWaveBhvr (type 9, "Wave"): lays its elements on a travelling sine wave.
//
// Each step (event 1), with n elements in list order counted i = 1 .. n, element i's y relative to its
// parent is set outright to sin(i * 6.28318 / n + m_dPhase) * m_dMaxCrest (x and z stay; another
// vertical motion of the element is overridden); then m_dPhase grows by m_dPhaseIncrement, also when
// there are no elements. The constant is 6.28318, not the exact 2 pi.
//
// Stored form: the behaviour part, then phase, phase increment, maximum crest (doubles).
#pragma once

#include "kinetype/ktbehavior.h"

class CKTWaveBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTWaveBhvr)

public:
    // Phase 0, increment 0.1, crest 20 pixels and event (1, 0); while loading none of them (the file
    // supplies them).
    CKTWaveBhvr();
    ~CKTWaveBhvr() override;

    CString GetName() const override;  // "Wave"
    void OnEvent(int nEvent) override;

    void SetPhaseIncrement(double d) { m_dPhaseIncrement = d; }
    double GetPhaseIncrement() const { return m_dPhaseIncrement; }
    void SetMaxCrest(double d) { m_dMaxCrest = d; }
    double GetMaxCrest() const { return m_dMaxCrest; }
    double GetPhase() const { return m_dPhase; }

    void Serialize(CArchive& ar) override;

    static constexpr double kTwoPi = 6.28318;

private:
    double m_dPhase = 0.0;
    double m_dPhaseIncrement = 0.0;
    double m_dMaxCrest = 0.0;
};
