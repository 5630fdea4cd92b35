#include "kinetype/ktword.h"

#include "kinetype/ktglyph.h"

IMPLEMENT_SERIAL(CKTWord, CKTElement, 0)

CKTWord::CKTWord() : CKTElement(KIND_WORD), m_bTextValid(0), m_nPartOfSpeech(0), m_bPartOfSpeechSet(0) {}

CKTWord::~CKTWord() {
    BeginDestruction();
    m_strText.Empty();
}

BOOL CKTWord::InsertChild(CKTElement* pChild, CKTElement* pAfter, BOOL bReflow) {
    if (!CKTElement::InsertChild(pChild, pAfter, bReflow)) return FALSE;
    InvalidateText();
    if (!bReflow) return TRUE;
    if (pAfter) {
        const CRect rcAfter = pAfter->GetBounds();
        const CPoint ptAfter = pAfter->GetPoint();
        // Just right of pAfter (its right edge in the word's coordinates), on its row.
        pChild->MoveBy(CKTVector(static_cast<double>(rcAfter.right) + ptAfter.x, ptAfter.y, 0.0));
    }
    const int w = pChild->GetWidth();
    ShiftSiblings(pChild->GetNextSibling(), w, FALSE);
    ShiftSiblings(GetNextSibling(), w, TRUE);
    return TRUE;
}

BOOL CKTWord::RemoveChild(CKTElement* pChild, BOOL bReflow) {
    if (!pChild || pChild->GetParent() != this) return FALSE;
    CKTElement* pNext = pChild->GetNextSibling();
    UnlinkChild(pChild);
    InvalidateText();
    if (bReflow) {
        const int w = pChild->GetWidth();
        const CPoint pt = pChild->GetPoint();
        pChild->MoveBy(CKTVector(-static_cast<double>(pt.x), -static_cast<double>(pt.y), 0.0));
        ShiftSiblings(pNext, -static_cast<double>(w), FALSE);
        ShiftSiblings(GetNextSibling(), -static_cast<double>(w), TRUE);
    }
    return TRUE;
}

CString CKTWord::GetText() {
    if (!m_bTextValid) {
        CString str;
        for (CKTElement* p = GetFirstChild(); p; p = p->GetNextSibling())
            if (p->GetKind() == KIND_GLYPH) str += static_cast<CKTGlyph*>(p)->GetChar();
        m_strText = str;
        m_bTextValid = 1;
    }
    return m_strText;
}

void CKTWord::SetPartOfSpeech(int nPartOfSpeech) {
    m_nPartOfSpeech = nPartOfSpeech;
    m_bPartOfSpeechSet = 1;
}

int CKTWord::GetPartOfSpeech() {
    if (!m_bPartOfSpeechSet) SetPartOfSpeech(1);
    return m_nPartOfSpeech;
}

void CKTWord::Serialize(CArchive& ar) {
    CKTElement::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_strText;
        ar.WriteFlag(m_bTextValid);
        ar << static_cast<DWORD>(m_nPartOfSpeech);
        ar.WriteFlag(m_bPartOfSpeechSet);
    } else {
        ar >> m_strText;
        m_bTextValid = ar.ReadFlag();
        DWORD dw;
        ar >> dw;
        m_nPartOfSpeech = static_cast<int>(dw);
        m_bPartOfSpeechSet = ar.ReadFlag();
    }
}
