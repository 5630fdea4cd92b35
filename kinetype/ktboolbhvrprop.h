// CKTBoolBhvrProp: property type code 0 (a BOOL kept in a BYTE).
#pragma once

#include "kinetype/ktbhvrprop.h"

class CKTBoolBhvrProp : public CKTBhvrProp {
    DECLARE_SERIAL(CKTBoolBhvrProp)

public:
    CKTBoolBhvrProp();                   // slot 0; for the loader
    explicit CKTBoolBhvrProp(int nId);   // the slot id; type code 0
    BOOL GetValue() const { return m_value; }
    void SetValue(BOOL b) { m_value = static_cast<BYTE>(b ? 1 : 0); }

    // Cast(p): p as a CKTBoolBhvrProp, or NULL when p is NULL or of another class.
    static CKTBoolBhvrProp* Cast(CKTBhvrProp* p) { return CastTo<CKTBoolBhvrProp>(p); }

    // Stored form: the base part, then the value as a 4-byte int: 1 when the BYTE is above 0, else 0 (on load
    // the BYTE becomes 1 when the int is not 0).
    void Serialize(CArchive& ar) override;

    BYTE m_value;  // 0 after construction
};
