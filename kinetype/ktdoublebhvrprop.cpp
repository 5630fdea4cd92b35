#include "kinetype/ktdoublebhvrprop.h"

IMPLEMENT_SERIAL(CKTDoubleBhvrProp, CKTBhvrProp, 0)

CKTDoubleBhvrProp::CKTDoubleBhvrProp() : m_value(0.0) {}

CKTDoubleBhvrProp::CKTDoubleBhvrProp(int nId) : CKTBhvrProp(nId, PROPTYPE_DOUBLE), m_value(0.0) {}

void CKTDoubleBhvrProp::Serialize(CArchive& ar) {
    CKTBhvrProp::Serialize(ar);
    if (ar.IsStoring())
        ar << m_value;
    else
        ar >> m_value;
}
