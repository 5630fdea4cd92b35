#include "afxtest.h"

#include "fuzz/archive/fuzzgraph.h"

IMPLEMENT_SERIAL(CTNode, CObject, 0)
IMPLEMENT_SERIAL(CTSub, CTNode, 0)
IMPLEMENT_SERIAL(CTOther, CObject, 0)
IMPLEMENT_DYNAMIC(CTAbstract, CObject)

void CTNode::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring())
        ar << m_n << m_pNext;
    else
        ar >> m_n >> m_pNext;
}

void CTSub::Serialize(CArchive& ar) {
    CTNode::Serialize(ar);
    if (ar.IsStoring())
        ar << m_w;
    else
        ar >> m_w;
}

void CTOther::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_w;
    else
        ar >> m_w;
}

void RegisterAfxTestClasses() {
    AfxRegisterClass(RUNTIME_CLASS(CTNode));
    AfxRegisterClass(RUNTIME_CLASS(CTSub));
    AfxRegisterClass(RUNTIME_CLASS(CTOther));
    AfxRegisterClass(RUNTIME_CLASS(CTAbstract));
    FzRegisterClasses();
}
