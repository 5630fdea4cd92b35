#include "kinetype/ktintbhvrprop.h"

IMPLEMENT_SERIAL(CKTIntBhvrProp, CKTBhvrProp, 0)

CKTIntBhvrProp::CKTIntBhvrProp() : m_value(0) {}

CKTIntBhvrProp::CKTIntBhvrProp(int nId) : CKTBhvrProp(nId, PROPTYPE_INT), m_value(0) {}

void CKTIntBhvrProp::Serialize(CArchive& ar) {
    CKTBhvrProp::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_value);
    } else {
        LONG n;
        ar >> n;
        m_value = n;
    }
}
