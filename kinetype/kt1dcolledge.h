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

    // The detector's working state (not stored): the other edge of the same element, the element's
    // absolute bounds as the detector's last pass took them (with that pass's number), and the number
    // of the last sweep in which this edge opened its element.
    CKT1DCollEdge* m_pPartner;
    CRect m_rcBounds;
    unsigned m_nBoundsPass;
    unsigned m_nOpenPass;
};
