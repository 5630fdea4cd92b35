// CKTVectorBhvrProp: property type code 2 (a CKTVector).
#pragma once

#include "kinetype/ktbhvrprop.h"
#include "vector3d/vector3d.h"

class CKTVectorBhvrProp : public CKTBhvrProp {
    DECLARE_SERIAL(CKTVectorBhvrProp)

public:
    CKTVectorBhvrProp();                   // slot 0; for the loader
    explicit CKTVectorBhvrProp(int nId);   // the slot id; type code 2
    CKTVector GetValue() const { return m_value; }
    void SetValue(CKTVector v) { m_value = v; }

    // Cast(p): p as a CKTVectorBhvrProp, or NULL when p is NULL or of another class.
    static CKTVectorBhvrProp* Cast(CKTBhvrProp* p) { return CastTo<CKTVectorBhvrProp>(p); }

    // Stored form: the base part, then x, y, z as three doubles.
    void Serialize(CArchive& ar) override;

    CKTVector m_value;  // (0, 0, 0) after construction
};
