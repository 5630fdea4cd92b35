// CKT1DCollEdge: one end of an element's x interval, for the one-dimensional collision detector.
#pragma once

#include "platform/afx/afx.h"

class CKTElement;

class CKT1DCollEdge : public CObject {
    DECLARE_SERIAL(CKT1DCollEdge)

public:
    CKT1DCollEdge();  // no element, left edge
    CKT1DCollEdge(CKTElement* pElement, BOOL bRightEdge);

    // The left or the right x of the element's absolute bounds, taken afresh at every call.
    int GetCoordinate() const;

    // The element (object reference, a CKTElement) and the right-edge flag (int; loaded as value != 0).
    void Serialize(CArchive& ar) override;

    CKTElement* m_pElement;  // not owned
    BOOL m_bRightEdge;       // 0 left edge, 1 right edge

    // The detector's working state (not stored): the other edge of the same element, and what the
    // detector's last pass took of the element (shared by both edges): its absolute bounds, parent and
    // grandparent, the pass's number and the element's number within the pass.
    CKT1DCollEdge* m_pPartner;
    CRect m_rcBounds;
    CKTElement* m_pParent;
    CKTElement* m_pGrandparent;
    unsigned m_nPass;
    int m_nId;
};
