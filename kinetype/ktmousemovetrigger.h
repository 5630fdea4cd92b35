// CKTMouseMoveTrigger (type 1002, "MouseMove trigger"): fires on every mouse move (event 2, which the
// book sends only while it runs) and re-arms. Stored form: the trigger part only.
#pragma once

#include "kinetype/kttriggerbhvr.h"

class CKTMouseMoveTrigger : public CKTTriggerBhvr {
    DECLARE_SERIAL(CKTMouseMoveTrigger)

public:
    // Event (2, 0) unless loading.
    CKTMouseMoveTrigger();
    ~CKTMouseMoveTrigger() override;

    CString GetName() const override;  // "MouseMove trigger"
    void OnEvent(int nEvent) override;

    void Serialize(CArchive& ar) override;
};
