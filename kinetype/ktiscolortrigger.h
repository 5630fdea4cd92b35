// CKTIsColorTrigger (type 1000, "trigger if color"): fires on every step at which one of its elements
// has exactly the colour m_crTarget, and re-arms. The command that pairs it with a fade behaviour
// writes the fade's target colour into m_crTarget.
//
// Stored form: the trigger part, then m_crTarget (DWORD).
#pragma once

#include "kinetype/kttriggerbhvr.h"

class CKTIsColorTrigger : public CKTTriggerBhvr {
    DECLARE_SERIAL(CKTIsColorTrigger)

public:
    // Target white; event (1, 0) unless loading.
    CKTIsColorTrigger();
    ~CKTIsColorTrigger() override;

    CString GetName() const override;  // "trigger if color"
    void OnEvent(int nEvent) override;

    void Serialize(CArchive& ar) override;

    COLORREF m_crTarget;
};
