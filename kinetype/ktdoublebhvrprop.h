// CKTDoubleBhvrProp: property type code 5 (a double).
#pragma once

#include "kinetype/ktbhvrprop.h"

class CKTDoubleBhvrProp : public CKTBhvrProp {
    DECLARE_SERIAL(CKTDoubleBhvrProp)

public:
    CKTDoubleBhvrProp();                   // slot 0; for the loader
    explicit CKTDoubleBhvrProp(int nId);   // the slot id; type code 5
    double GetValue() const { return m_value; }
    void SetValue(double d) { m_value = d; }

    // Cast(p): p as a CKTDoubleBhvrProp, or NULL when p is NULL or of another class.
    static CKTDoubleBhvrProp* Cast(CKTBhvrProp* p) { return CastTo<CKTDoubleBhvrProp>(p); }

    // Stored form: the base part, then the double.
    void Serialize(CArchive& ar) override;

    double m_value;  // 0.0 after construction
};
