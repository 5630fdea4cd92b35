// CKTPulledTrigger (type 1000, "Pulled Trigger"): fires on every step at which one of its glyphs is
// pulled (or, after SetFireOnRelease, on every step at which none is), and re-arms.
//
// A glyph counts as pulled when its renderer has type 4 (the pull renderer) and says so through
// CKTElementRenderer::IsPulled; the renderer is asked, never cast by its type id, since a stored
// renderer of any class can carry type 4. Words and passages never count.
//
// Stored form: the trigger part, then m_bFireWhenPulled as an int.
#pragma once

#include "kinetype/kttriggerbhvr.h"

class CKTPulledTrigger : public CKTTriggerBhvr {
    DECLARE_SERIAL(CKTPulledTrigger)

public:
    // Fires when pulled; event (1, 0) unless loading.
    CKTPulledTrigger();
    ~CKTPulledTrigger() override;

    CString GetName() const override;  // "Pulled Trigger"
    void OnEvent(int nEvent) override;

    // From now on the trigger fires while none of its glyphs is pulled.
    void SetFireOnRelease() { m_bFireWhenPulled = 0; }
    BOOL GetFireWhenPulled() const { return m_bFireWhenPulled ? TRUE : FALSE; }
    // TRUE when one of the elements is a glyph whose pull renderer is pulled.
    BOOL IsAnyPulled() const;

    void Serialize(CArchive& ar) override;

private:
    BYTE m_bFireWhenPulled;
};
