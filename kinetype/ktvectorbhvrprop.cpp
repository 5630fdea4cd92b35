#include "kinetype/ktvectorbhvrprop.h"

IMPLEMENT_SERIAL(CKTVectorBhvrProp, CKTBhvrProp, 0)

CKTVectorBhvrProp::CKTVectorBhvrProp() {}

CKTVectorBhvrProp::CKTVectorBhvrProp(int nId) : CKTBhvrProp(nId, PROPTYPE_VECTOR) {}

void CKTVectorBhvrProp::Serialize(CArchive& ar) {
    CKTBhvrProp::Serialize(ar);
    if (ar.IsStoring())
        ar << m_value.x << m_value.y << m_value.z;
    else
        ar >> m_value.x >> m_value.y >> m_value.z;
}
