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

    // The other edge of the same element (the detector's working state, not stored).
    CKT1DCollEdge* m_pPartner;
};
