#include "kinetype/ktcstringarraybhvrprop.h"

IMPLEMENT_SERIAL(CKTCStringArrayBhvrProp, CKTBhvrProp, 0)

CKTCStringArrayBhvrProp::CKTCStringArrayBhvrProp() {}

CKTCStringArrayBhvrProp::CKTCStringArrayBhvrProp(int nId) : CKTBhvrProp(nId, PROPTYPE_CSTRINGARRAY) {}

void CKTCStringArrayBhvrProp::Serialize(CArchive& ar) {
    CKTBhvrProp::Serialize(ar);
    m_value.Serialize(ar);
}
