// CKTCStringArrayBhvrProp: property type code 3 (an array of CString).
#pragma once

#include "kinetype/ktbhvrprop.h"

class CKTCStringArrayBhvrProp : public CKTBhvrProp {
    DECLARE_SERIAL(CKTCStringArrayBhvrProp)

public:
    CKTCStringArrayBhvrProp();                   // slot 0; for the loader
    explicit CKTCStringArrayBhvrProp(int nId);   // the slot id; type code 3
    // m_value is used directly.

    // Cast(p): p as a CKTCStringArrayBhvrProp, or NULL when p is NULL or of another class.
    static CKTCStringArrayBhvrProp* Cast(CKTBhvrProp* p) { return CastTo<CKTCStringArrayBhvrProp>(p); }

    // Stored form: the base part, then a count and that many strings (on load the array takes the stored
    // count).
    void Serialize(CArchive& ar) override;

    CStringArray m_value;  // empty after construction
};
