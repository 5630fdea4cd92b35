#include "kinetype/ktbhvrprop.h"

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcpointbhvrprop.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktvectorbhvrprop.h"

IMPLEMENT_SERIAL(CKTBhvrProp, CObject, 0)

CKTBhvrProp::CKTBhvrProp() : m_nRefCount(0), m_nId(0), m_nPropType(0) {}

CKTBhvrProp::CKTBhvrProp(int nId, int nType) : m_nRefCount(0), m_nId(nId), m_nPropType(nType) {}

const CRuntimeClass* CKTBhvrProp::ClassOfType(int nType) {
    switch (nType) {
    case PROPTYPE_BOOL: return RUNTIME_CLASS(CKTBoolBhvrProp);
    case PROPTYPE_CPOINT: return RUNTIME_CLASS(CKTCPointBhvrProp);
    case PROPTYPE_VECTOR: return RUNTIME_CLASS(CKTVectorBhvrProp);
    case PROPTYPE_CSTRINGARRAY: return RUNTIME_CLASS(CKTCStringArrayBhvrProp);
    case PROPTYPE_BHVRPTR: return RUNTIME_CLASS(CKTBhvrPtrBhvrProp);
    case PROPTYPE_DOUBLE: return RUNTIME_CLASS(CKTDoubleBhvrProp);
    case PROPTYPE_INT: return RUNTIME_CLASS(CKTIntBhvrProp);
    default: return nullptr;
    }
}

BOOL CKTBhvrProp::IsOfType(int nType) const {
    const CRuntimeClass* pClass = ClassOfType(nType);
    return pClass && IsKindOf(pClass) ? TRUE : FALSE;
}

void CKTBhvrProp::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_nRefCount) << static_cast<DWORD>(m_nId) << static_cast<DWORD>(m_nPropType);
    } else {
        DWORD dwCount, dwId, dwType;
        ar >> dwCount >> dwId >> dwType;
        m_nRefCount = static_cast<int>(dwCount);
        m_nId = static_cast<int>(dwId);
        m_nPropType = static_cast<int>(dwType);
    }
}
