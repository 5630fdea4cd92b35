#include "kinetype/ktglyph.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktword.h"

IMPLEMENT_SERIAL(CKTGlyph, CKTElement, 0)

CKTGlyph::CKTGlyph() : CKTElement(KIND_GLYPH), m_cChar(0) {
    if (!g_bLoading) SetRenderer(new CKTERDefault, TRUE);  // no parent yet: always taken
}

CKTGlyph::~CKTGlyph() { BeginDestruction(); }

BOOL CKTGlyph::SetRenderer(CKTElementRenderer* p, BOOL bFlag) { return InstallRenderer(p, bFlag, &m_cChar); }

void CKTGlyph::RecalcBounds() {
    CDC* pDC = g_pCurrentBook ? g_pCurrentBook->GetCurrentDC() : nullptr;
    m_bAbsBoundsValid = 0;
    if (m_pRenderer && pDC) {
        m_rcBounds = m_pRenderer->GetExtent(pDC);
        m_bBoundsValid = 1;
    } else {
        m_bBoundsValid = 0;  // asked again next time
    }
}

void CKTGlyph::SetChar(char c) {
    m_cChar = c;
    if (m_pRenderer) m_pRenderer->SetChar(c);
    InvalidateBounds();
    if (CKTElement* pParent = GetParent())
        if (pParent->GetKind() == KIND_WORD && pParent->IsKindOf(RUNTIME_CLASS(CKTWord)))
            static_cast<CKTWord*>(pParent)->InvalidateText();
}

void CKTGlyph::Serialize(CArchive& ar) {
    CKTElement::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_cChar;
    } else {
        ar >> m_cChar;
        if (m_pRenderer) m_pRenderer->SetChar(m_cChar);  // the bounds become stale
    }
}
