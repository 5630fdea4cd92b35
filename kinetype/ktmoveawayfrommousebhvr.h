// CKTMoveAwayFromMouseBhvr (type 3, "Move Away From Mouse"): shifts its elements about 10 pixels per
// step away from the mouse, without leaving the window's inner area.
//
// Each step (event 1), for every element: d = mouse point - the element's absolute point (integers);
// dist = |d| truncated; when dist is not 0, d = (d / dist * -10) per axis, truncated toward zero. With
// W the client rectangle shrunk by 50 on every side and R the element's absolute bounds moved by d,
// the element moves by d.x when R stays inside W horizontally, then by d.y when R stays inside W
// vertically. Differences, squares and the distance are taken in 64 bits and doubles, so elements far
// outside the window cannot overflow; within the int range the results are exact.
//
// Stored form: the behaviour part only.
#pragma once

#include "kinetype/ktbehavior.h"

class CKTMoveAwayFromMouseBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTMoveAwayFromMouseBhvr)

public:
    // Event (1, 0) unless loading; no properties.
    CKTMoveAwayFromMouseBhvr();
    ~CKTMoveAwayFromMouseBhvr() override;

    CString GetName() const override;  // "Move Away From Mouse"
    void OnEvent(int nEvent) override;

    // The step (d.x, d.y) for an element whose absolute point is ptElement, with the mouse at ptMouse.
    static CPoint StepAway(CPoint ptMouse, CPoint ptElement);

    void Serialize(CArchive& ar) override;

    static constexpr int kMargin = 50;  // the inner area's distance from the window's edges
};
