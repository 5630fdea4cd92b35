// CKTLifespanBhvr (type 25, "lifespan"): each element dies at a book-clock time fixed when it is
// attached: clock + m_dMinLife + rand() / 32767 * m_dRandomLife (one rand() draw per attachment), kept
// in its PROP_DEATH_TIME property (a double, stored with the element).
//
// Each step (event 1) every element whose death time is not after the clock dies (Die(FALSE, TRUE): no
// re-flow; a parent left empty dies too). The walk goes over a copy of the element list and skips
// elements no longer attached, so a glyph and its word (both attached, the word emptied by the glyph's
// death) die once each. An element without its death time (or with a property of another class there,
// from a file) is skipped.
//
// Stored form: the behaviour part, then minimum life and random extra (doubles).
#pragma once

#include <vector>

#include "kinetype/ktbehavior.h"

class CKTLifespanBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTLifespanBhvr)

public:
    // Minimum life 1.2, random extra 0; event (1, 0) and element slot PROP_DEATH_TIME (double); while
    // loading none of them.
    CKTLifespanBhvr();
    ~CKTLifespanBhvr() override;

    CString GetName() const override;  // "lifespan"
    void OnEvent(int nEvent) override;
    // The base attach; on success the death time (see the top) goes into PROP_DEATH_TIME.
    BOOL AddElement(CKTElement* pElement) override;

    void Serialize(CArchive& ar) override;

    // Written directly by the text sprayer and the dispatcher.
    double m_dMinLife = 0.0;
    double m_dRandomLife = 0.0;

private:
    std::vector<CKTElement*> m_snapshot;  // scratch for the walk
};
