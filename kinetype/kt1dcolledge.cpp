#include "kinetype/kt1dcolledge.h"

#include "kinetype/ktelement.h"

IMPLEMENT_SERIAL(CKT1DCollEdge, CObject, 0)

CKT1DCollEdge::CKT1DCollEdge() : CKT1DCollEdge(nullptr, FALSE) {}

CKT1DCollEdge::CKT1DCollEdge(CKTElement* pElement, BOOL bRightEdge)
    : m_pElement(pElement), m_bRightEdge(bRightEdge), m_pPartner(nullptr) {}

int CKT1DCollEdge::GetCoordinate() const {
    if (!m_pElement) return 0;
    CRect rc = m_pElement->GetAbsoluteBounds();
    return m_bRightEdge ? rc.right : rc.left;
}

void CKT1DCollEdge::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_pElement << static_cast<LONG>(m_bRightEdge);
    } else {
        LONG nRight;
        ar >> m_pElement >> nRight;
        m_bRightEdge = nRight != 0 ? TRUE : FALSE;
    }
}
