// CKTCryptographicBhvr (type 11, "Cryptographic"): letters scramble and come back.
//
// Attaching a glyph (glyphs only) saves its letter in PROP_SAVED_CHAR (as a signed char widened to
// int: 0xE9 is saved as -23) unless another behaviour holds that property already (its saved letter
// stays), and gives the glyph a shift count in PROP_CRYPT_STATE: rand() % (hi - lo) + lo, where lo and
// hi are the minimum and maximum shifts in order (12 and 36: 12 .. 35). Equal bounds give every glyph
// that count, without a draw.
//
// On step (event 1), unless continuous and once hi scramble steps are done nothing more happens.
// Otherwise the accumulator gains the speed; when it reaches 1.0 it starts again from 0 and a scramble
// step is done: each glyph still below its shift count (every glyph, when continuous) shows a random
// printable character (rand() % 95 + 32, one draw each, in attachment order); the others show their
// saved letter again. The default speed scrambles every other step.
//
// A glyph whose properties are missing or of another class (a broken file) is skipped. No stored
// value can overflow the arithmetic.
#pragma once

#include "kinetype/ktbehavior.h"

class CKTCryptographicBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTCryptographicBhvr)

public:
    // Mask 1 (glyphs). Unless loading: event (1, 0), element slots PROP_SAVED_CHAR and
    // PROP_CRYPT_STATE (ints); speed 0.5, shifts 12 to 36, not continuous.
    CKTCryptographicBhvr();
    ~CKTCryptographicBhvr() override;

    CString GetName() const override;  // "Cryptographic"
    BOOL AddElement(CKTElement* pElement) override;
    void OnEvent(int nEvent) override;

    void SetSpeed(double d) { m_dSpeed = d; }
    double GetSpeed() const { return m_dSpeed; }
    // Sets the minimum, then the maximum (either order is accepted; see the top of the file).
    void SetShiftRange(int nMin, int nMax) {
        m_nMinShifts = nMin;
        m_nMaxShifts = nMax;
    }
    int GetMinShifts() const { return m_nMinShifts; }
    int GetMaxShifts() const { return m_nMaxShifts; }
    // Stores the low byte.
    void SetContinuous(BOOL b) { m_bContinuous = static_cast<BYTE>(b); }
    BYTE IsContinuous() const { return m_bContinuous; }
    int GetStepsDone() const { return m_nStepsDone; }

    // After the behaviour part: speed, accumulator (doubles), minimum, maximum, steps done (ints), the
    // continuous flag as an int (read only from files of version 0.91 on; older ones leave it 0).
    void Serialize(CArchive& ar) override;

private:
    double m_dSpeed;
    double m_dAccumulator;
    int m_nMinShifts;
    int m_nMaxShifts;
    int m_nStepsDone;
    BYTE m_bContinuous;
};
