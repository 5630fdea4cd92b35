// CKTScrollBhvr (type 27, "Scroll"): elements scroll like a ticker.
//
// On step (event 1) every element moves by the speed (pixels per step; negative: left or up),
// horizontally (orientation 0) or vertically (1); any other orientation moves nothing. The elements
// are walked from the head for a negative speed, from the tail otherwise. An element that has left
// the window through the edge it moves to is put back behind the element handled before it in the walk
// (the first one of the walk goes to the opposite window edge): horizontally at that element's right
// edge (moving left) or with its right edge at that element's position (moving right); vertically 2
// px below that element's bottom (moving up) or 2 px above its top (moving down). A vertical column is
// also aligned at every step with the element before it: left edges (justification 0), centres (1)
// or right edges (2).
#pragma once

#include <vector>

#include "kinetype/ktbehavior.h"

class CKTScrollBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTScrollBhvr)

public:
    // Unless loading: event (1, 0). Horizontal, left-justified, speed -0.5.
    CKTScrollBhvr();
    ~CKTScrollBhvr() override;

    CString GetName() const override;  // "Scroll"
    void OnEvent(int nEvent) override;

    // Puts the elements of a vertical scroll into one column: the first of the walk onto the head's
    // place, each later one 2 px below the one before it (negative speed) or above it, aligned by the
    // justification. Nothing for an empty list. Called once after the elements are attached.
    void StackElements();

    // After the behaviour part: speed (double), orientation, justification (ints).
    void Serialize(CArchive& ar) override;

    int m_nOrientation;    // 0 horizontal, 1 vertical
    int m_nJustify;        // vertical: 0 left, 1 centre, 2 right
    double m_dScrollSpeed;  // pixels per step; the sign gives the direction

private:
    // The elements in walk order (head to tail for a negative speed, else tail to head).
    std::vector<CKTElement*> WalkOrder() const;
    // Moves pElement horizontally so that it lines up with prev (by m_nJustify).
    void AlignWith(CKTElement* pElement, CKTElement* pPrev) const;
};
