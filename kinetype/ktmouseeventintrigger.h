// CKTMouseEventInTrigger (type 1004, "MouseEventIn Trigger"): fires when a chosen mouse event happens
// with the book's mouse point inside m_rcRegion (left and top inclusive, right and bottom exclusive),
// and re-arms. Its elements play no part.
//
// The events are chosen before the trigger starts: each setter, when the trigger is not running, sets
// its flag and adds its event to the trigger's event table (priority 0, the tail of the book's list),
// whatever the value and on every call, so a second call makes the trigger handle that event twice
// per occurrence. A running trigger ignores the setters. Mouse events reach listeners only while the
// book runs; an event counts when its flag is set.
//
// The region starts empty (0, 0, 0, 0): nothing fires until the creator sets one.
//
// Stored form: the trigger part, five ints (left down, left up, right down, right up, move), then
// m_rcRegion (RECT).
#pragma once

#include "kinetype/ktbook.h"
#include "kinetype/kttriggerbhvr.h"

class CKTMouseEventInTrigger : public CKTTriggerBhvr {
    DECLARE_SERIAL(CKTMouseEventInTrigger)

public:
    // No events, flags 0, empty region.
    CKTMouseEventInTrigger();
    ~CKTMouseEventInTrigger() override;

    CString GetName() const override;  // "MouseEventIn Trigger"
    void OnEvent(int nEvent) override;

    void SetRegion(CRect rc) { m_rcRegion = rc; }
    CRect GetRegion() const { return m_rcRegion; }
    void SetLeftButtonDown(BOOL b) { Choose(m_bOnLButtonDown, b, EV_LBUTTONDOWN); }
    void SetLeftButtonUp(BOOL b) { Choose(m_bOnLButtonUp, b, EV_LBUTTONUP); }
    void SetRightButtonDown(BOOL b) { Choose(m_bOnRButtonDown, b, EV_RBUTTONDOWN); }
    void SetRightButtonUp(BOOL b) { Choose(m_bOnRButtonUp, b, EV_RBUTTONUP); }
    void SetMouseMove(BOOL b) { Choose(m_bOnMouseMove, b, EV_MOUSEMOVE); }

    void Serialize(CArchive& ar) override;

private:
    void Choose(BOOL& bFlag, BOOL bValue, int nEvent);
    // The flag of a mouse event (NULL for another event).
    const BOOL* FlagOf(int nEvent) const;

    BOOL m_bOnLButtonDown;
    BOOL m_bOnLButtonUp;
    BOOL m_bOnRButtonDown;
    BOOL m_bOnRButtonUp;
    BOOL m_bOnMouseMove;
    CRect m_rcRegion;
};
