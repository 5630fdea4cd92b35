#include "kinetype/ktcpointbhvrprop.h"

IMPLEMENT_SERIAL(CKTCPointBhvrProp, CKTBhvrProp, 0)

CKTCPointBhvrProp::CKTCPointBhvrProp() : m_value(0, 0) {}

CKTCPointBhvrProp::CKTCPointBhvrProp(int nId) : CKTBhvrProp(nId, PROPTYPE_CPOINT), m_value(0, 0) {}

void CKTCPointBhvrProp::Serialize(CArchive& ar) {
    CKTBhvrProp::Serialize(ar);
    if (ar.IsStoring())
        ar << static_cast<LONG>(m_value.x) << static_cast<LONG>(m_value.y);
    else
        ar >> m_value.x >> m_value.y;
}
