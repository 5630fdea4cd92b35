// CKTViralBhvr (type 5, "Viral"): passes an element's behaviours on to the elements it touches once it
// has been infected long enough.
//
// Each step (event 1), for each element e in list order: its age of infection (PROP_INFECTION, a
// double) grows by 0.1; when the age exceeds m_dDormancy and e collides, every element c of e's
// collision list (filled by the collision detector at the pre-step) is mapped to t, the element of
// e's kind above or below c (glyph for glyph, word for word: a word's list holds the foreign glyphs
// touching it). Unless there is no such t or t is still being built by the text sprayer
// (PROP_SPRAYING TRUE), every behaviour linked to e gets AddElement(t), in e's link order. This
// behaviour is linked to e too, so t joins it (starting from the age its property holds, 0 when new)
// and ages in the same step; behaviours t has already refuse it.
//
// The walk goes over a copy of the element list to which the newly infected elements are appended,
// and over a copy of e's links. Collision lists are read only while the book's collision detector runs
// and only for elements in the book's tree: otherwise they may name elements deleted since they were
// filled. An element without its age property (or with one of another class, from a file) is skipped.
//
// Stored form: the behaviour part, then the dormancy (double). The ages live in the elements.
#pragma once

#include <vector>

#include "kinetype/ktbehavior.h"
#include "kinetype/ktelement.h"

class CKTViralBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTViralBhvr)

public:
    // Dormancy 1.0; event (1, 0) and element slot PROP_INFECTION (double); while loading none of them.
    CKTViralBhvr();
    ~CKTViralBhvr() override;

    CString GetName() const override;  // "Viral"
    void OnEvent(int nEvent) override;

    void SetDormancyPeriod(double d) { m_dDormancy = d; }
    double GetDormancyPeriod() const { return m_dDormancy; }

    void Serialize(CArchive& ar) override;

    static constexpr double kAgeStep = 0.1;

private:
    // Infects what e touches; appends the elements that joined this behaviour to m_walk.
    void Spread(CKTElement* pElement);
    // TRUE when the collision lists were filled by a detector sweep of this tick.
    BOOL CollisionsAreCurrent() const;

    double m_dDormancy = 0.0;
    // Scratch of one step.
    std::vector<CKTElement*> m_walk;
    std::vector<CKTElement*> m_touching;
    std::vector<CKTBehaviorLink> m_links;
};
