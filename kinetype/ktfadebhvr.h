// CKTFadeBhvr (type 17, "Fade"): fades its elements' colours toward m_crFadeTo.
//
// Each step (event 1), for every element whose colour is not exactly the target: with C its colour and
// T the target as (red, green, blue) vectors, d = T - C and L = |d|; when L < m_dVelocity the element
// takes the target, otherwise C + d / L * m_dVelocity, each channel clamped to 0 .. 255 and truncated.
// So a colour moves m_dVelocity along the straight line toward the target per step, truncated at each
// step (black toward white at velocity 10: 0, 5, 10, 15, 20 ...), and snaps to it when closer.
//
// Stored form: the behaviour part, then the target (DWORD) and the velocity (double).
#pragma once

#include "kinetype/ktbehavior.h"

class CKTFadeBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTFadeBhvr)

public:
    // Target white, velocity 10; event (1, 0) unless loading.
    CKTFadeBhvr();
    ~CKTFadeBhvr() override;

    CString GetName() const override;  // "Fade"
    void OnEvent(int nEvent) override;

    void SetColor(COLORREF cr) { m_crFadeTo = cr; }
    COLORREF GetColor() const { return m_crFadeTo; }
    void SetVelocity(double d) { m_dVelocity = d; }
    double GetVelocity() const { return m_dVelocity; }

    void Serialize(CArchive& ar) override;

private:
    COLORREF m_crFadeTo;
    double m_dVelocity;
};
