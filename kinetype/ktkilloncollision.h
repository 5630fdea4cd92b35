// CKTKillOnCollision (type 23, "kill on collision"): an element that collides dies. On post-step
// (event 4, head of the list) every element with collisions dies without re-flowing its line; parents
// left empty die with it. The dead stay in memory until the book deletes them after the tick.
//
// The walk goes over a copy of the element list and skips elements no longer attached: one death can
// take others with it (a glyph's death kills its emptied word, and both may be attached here).
#pragma once

#include "kinetype/ktbehavior.h"

class CKTKillOnCollision : public CKTBehavior {
    DECLARE_SERIAL(CKTKillOnCollision)

public:
    // Event (4, 1); no property needs. While loading only the base constructor runs.
    CKTKillOnCollision();
    ~CKTKillOnCollision() override;

    CString GetName() const override;  // "kill on collision"
    void OnEvent(int nEvent) override;

    // The behaviour part only.
    void Serialize(CArchive& ar) override;
};
