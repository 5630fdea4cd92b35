#include "kinetype/ktbhvrptrbhvrprop.h"

#include "kinetype/ktbehavior.h"

IMPLEMENT_SERIAL(CKTBhvrPtrBhvrProp, CKTBhvrProp, 0)

CKTBhvrPtrBhvrProp::CKTBhvrPtrBhvrProp() : m_value(nullptr) {}

CKTBhvrPtrBhvrProp::CKTBhvrPtrBhvrProp(int nId) : CKTBhvrProp(nId, PROPTYPE_BHVRPTR), m_value(nullptr) {}

void CKTBhvrPtrBhvrProp::Serialize(CArchive& ar) {
    CKTBhvrProp::Serialize(ar);
    if (ar.IsStoring())
        ar << m_value;
    else
        ar >> m_value;  // must be a CKTBehavior (else badClass)
}
