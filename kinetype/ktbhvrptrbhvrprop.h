// CKTBhvrPtrBhvrProp: property type code 4 (a behaviour pointer, not owned).
#pragma once

#include "kinetype/ktbhvrprop.h"

class CKTBehavior;

class CKTBhvrPtrBhvrProp : public CKTBhvrProp {
    DECLARE_SERIAL(CKTBhvrPtrBhvrProp)

public:
    CKTBhvrPtrBhvrProp();                   // slot 0; for the loader
    explicit CKTBhvrPtrBhvrProp(int nId);   // the slot id; type code 4
    CKTBehavior* GetValue() const { return m_value; }
    void SetValue(CKTBehavior* p) { m_value = p; }

    // Cast(p): p as a CKTBhvrPtrBhvrProp, or NULL when p is NULL or of another class.
    static CKTBhvrPtrBhvrProp* Cast(CKTBhvrProp* p) { return CastTo<CKTBhvrPtrBhvrProp>(p); }

    // Stored form: the base part, then an object reference to the behaviour or NULL (on load it must be a
    // CKTBehavior or derive from it, else a bad-class archive error).
    void Serialize(CArchive& ar) override;

    CKTBehavior* m_value;  // NULL after construction
};
