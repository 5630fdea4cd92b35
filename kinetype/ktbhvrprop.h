// CKTBhvrProp: a reference-counted, stored property value that behaviours hang on an element (11 slots,
// CKTElement::GetProp) or on the book (3 slots, CKTBook::GetBookProp). Seven typed subclasses hold the
// value (one file pair each): type codes 0 to 6 below.
//
// Ownership: a property belongs to the element or book whose slot holds it; its holders (the behaviours
// that declared the slot) only count. CKTBehavior attaches with AddRef and detaches with Release; the
// holder that brings the count to 0 deletes the property and empties the slot. Release never deletes.
//
// A slot read from a file may hold a property of another class than its id is declared with. Readers
// use the typed Cast functions (CKTVectorBhvrProp::Cast(p) ...), which give NULL for another class, and
// treat such a slot as empty. The stored m_nId and m_nPropType are kept for the stored form only; the
// class is what counts.
#pragma once

#include "platform/afx/afx.h"

// Element property ids (slots of CKTElement's property array) and the type each slot is declared with.
constexpr int PROP_SWEEP_OPEN = 0;      // Bool: one-dimensional collision detector
constexpr int PROP_VELOCITY = 1;        // Vector: Euler integrator and motion behaviours
constexpr int PROP_ACCELERATION = 2;    // Vector: the same except move-to-mouse
constexpr int PROP_SYNONYMS = 3;        // CStringArray: synonym shift
constexpr int PROP_INFECTION = 4;       // Double: viral
constexpr int PROP_SAVED_CHAR = 5;      // Int: cryptographic scramble
constexpr int PROP_CRYPT_STATE = 6;     // Int: cryptographic scramble
constexpr int PROP_SAVED_SIZE = 7;      // Int: throb
constexpr int PROP_GRAVITY_STATE = 8;   // Bool: gravity
constexpr int PROP_SPRAYING = 9;        // Bool: the text sprayer (no behaviour holds it)
constexpr int PROP_DEATH_TIME = 10;     // Double: lifespan
constexpr int PROP_COUNT = 11;          // size of an element's property array

// Property type codes (CKTBehavior::CreateProp, CKTPropReg::nType).
constexpr int PROPTYPE_BOOL = 0;          // CKTBoolBhvrProp
constexpr int PROPTYPE_CPOINT = 1;        // CKTCPointBhvrProp
constexpr int PROPTYPE_VECTOR = 2;        // CKTVectorBhvrProp
constexpr int PROPTYPE_CSTRINGARRAY = 3;  // CKTCStringArrayBhvrProp
constexpr int PROPTYPE_BHVRPTR = 4;       // CKTBhvrPtrBhvrProp
constexpr int PROPTYPE_DOUBLE = 5;        // CKTDoubleBhvrProp
constexpr int PROPTYPE_INT = 6;           // CKTIntBhvrProp
constexpr int PROPTYPE_COUNT = 7;

class CKTBhvrProp : public CObject {
    DECLARE_SERIAL(CKTBhvrProp)

public:
    // Count 0, id and type code 0 (the loader's constructor; Serialize fills them).
    CKTBhvrProp();
    // Count 0, the slot id and the type code.
    CKTBhvrProp(int nId, int nType);

    void AddRef() { m_nRefCount++; }
    // Count - 1. Never deletes: the caller tests GetRefCount() and deletes at 0.
    void Release() { m_nRefCount--; }
    int GetRefCount() const { return m_nRefCount; }
    int GetId() const { return m_nId; }
    int GetPropType() const { return m_nPropType; }

    // The run-time class of type code nType (CKTBoolBhvrProp for 0 ... CKTIntBhvrProp for 6), NULL for
    // any other code.
    static const CRuntimeClass* ClassOfType(int nType);
    // TRUE when this object is of the class of type code nType (its class, not the stored m_nPropType).
    BOOL IsOfType(int nType) const;

    // Count, id, type code: three 4-byte unsigned values.
    void Serialize(CArchive& ar) override;

protected:
    // p as a T, or NULL when p is NULL or of another class: the typed Cast functions. The exact class
    // is tested first (the common case, and cheaper than the walk of the base chain).
    template <class T>
    static T* CastTo(CKTBhvrProp* p) {
        return p && (p->GetRuntimeClass() == RUNTIME_CLASS(T) || p->IsKindOf(RUNTIME_CLASS(T))) ? static_cast<T*>(p)
                                                                                                 : nullptr;
    }

    int m_nRefCount;
    int m_nId;
    int m_nPropType;
};
