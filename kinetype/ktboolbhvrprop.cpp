#include "kinetype/ktboolbhvrprop.h"

IMPLEMENT_SERIAL(CKTBoolBhvrProp, CKTBhvrProp, 0)

CKTBoolBhvrProp::CKTBoolBhvrProp() : m_value(0) {}

CKTBoolBhvrProp::CKTBoolBhvrProp(int nId) : CKTBhvrProp(nId, PROPTYPE_BOOL), m_value(0) {}

void CKTBoolBhvrProp::Serialize(CArchive& ar) {
    CKTBhvrProp::Serialize(ar);
    if (ar.IsStoring())
        ar.WriteFlag(m_value);
    else
        m_value = ar.ReadFlag();
}
