// CKTCPointBhvrProp: property type code 1 (a CPoint).
#pragma once

#include "kinetype/ktbhvrprop.h"

class CKTCPointBhvrProp : public CKTBhvrProp {
    DECLARE_SERIAL(CKTCPointBhvrProp)

public:
    CKTCPointBhvrProp();                   // slot 0; for the loader
    explicit CKTCPointBhvrProp(int nId);   // the slot id; type code 1
    // m_value is used directly.

    // Cast(p): p as a CKTCPointBhvrProp, or NULL when p is NULL or of another class.
    static CKTCPointBhvrProp* Cast(CKTBhvrProp* p) { return CastTo<CKTCPointBhvrProp>(p); }

    // Stored form: the base part, then x and y as 4-byte LONGs.
    void Serialize(CArchive& ar) override;

    CPoint m_value;  // (0, 0) after construction
};
