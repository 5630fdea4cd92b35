// CKTIntBhvrProp: property type code 6 (an int).
#pragma once

#include "kinetype/ktbhvrprop.h"

class CKTIntBhvrProp : public CKTBhvrProp {
    DECLARE_SERIAL(CKTIntBhvrProp)

public:
    CKTIntBhvrProp();                   // slot 0; for the loader
    explicit CKTIntBhvrProp(int nId);   // the slot id; type code 6
    int GetValue() const { return m_value; }
    void SetValue(int n) { m_value = n; }

    // Cast(p): p as a CKTIntBhvrProp, or NULL when p is NULL or of another class.
    static CKTIntBhvrProp* Cast(CKTBhvrProp* p) { return CastTo<CKTIntBhvrProp>(p); }

    // Stored form: the base part, then a 4-byte int.
    void Serialize(CArchive& ar) override;

    int m_value;  // 0 after construction
};
