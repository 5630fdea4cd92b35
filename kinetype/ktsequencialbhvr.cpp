#include "kinetype/ktsequencialbhvr.h"

#include <memory>

#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/kttextbhvr.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTSequencialBhvr, CKTBehavior, 0)

namespace {

bool IsPrint(char c) { return crt::isprint(static_cast<unsigned char>(c)); }
bool IsAlnum(char c) { return crt::isalnum(static_cast<unsigned char>(c)); }
bool IsSpace(char c) { return crt::isspace(static_cast<unsigned char>(c)); }

// i when it indexes a list of n, else 0.
int InRange(int i, INT_PTR n) { return i >= 0 && i < n ? i : 0; }

// Moves nIndex (brought into range first) to the next (order 0), the previous (2) or a random (1)
// index of a list of nCount, wrapping at the ends. FALSE, and nothing to show, for an empty list or
// another order.
bool NextIndex(int& nIndex, INT_PTR nCount, int nOrder) {
    if (nCount <= 0) return false;
    nIndex = InRange(nIndex, nCount);
    switch (nOrder) {
    case 0:
        if (++nIndex >= nCount) nIndex = 0;
        return true;
    case 2:
        if (--nIndex < 0) nIndex = static_cast<int>(nCount - 1);
        return true;
    case 1:
        nIndex = static_cast<int>(crt::rand() % nCount);
        return true;
    default:
        return false;
    }
}

void AppendChildOrFree(CKTElement* pParent, CKTElement* pChild) {
    if (!pParent->AppendChild(pChild, TRUE)) delete pChild;
}

// The glyphs of strChars, appended to pWord with re-flow.
void AppendGlyphs(CKTElement* pWord, const CKTElement* pStyle, const CString& strChars, CKTElementRenderer* pRenderer) {
    for (int i = 0; i < strChars.GetLength(); i++) AppendChildOrFree(pWord, KTNewGlyph(pStyle, strChars[i], pRenderer));
}

// A new word in pPassage's font and colour, appended with re-flow, then filled with strChars.
void AppendWord(CKTElement* pPassage, const CString& strChars, CKTElementRenderer* pRenderer) {
    CKTWord* pWord = new CKTWord;
    pWord->SetFont(pPassage->GetFont());
    pWord->SetColor(pPassage->GetColor());
    pWord->SetAutoLayout();
    if (!pPassage->AppendChild(pWord, TRUE)) {
        delete pWord;
        return;
    }
    AppendGlyphs(pWord, pPassage, strChars, pRenderer);
}

// A width rounded up to the next even number (64-bit: no overflow).
long long EvenWidth(int nWidth) { return static_cast<long long>(nWidth) + (nWidth % 2 != 0 ? 1 : 0); }

}  // namespace

CKTSequencialBhvr::CKTSequencialBhvr()
    : CKTBehavior(BHVR_SEQUENCIAL),
      m_pSource(nullptr),
      m_nEntry(0),
      m_nChar(0),
      m_nWord(0),
      m_nChunk(4),
      m_nOrder(0),
      m_nJustify(0),
      m_nHold(10),
      m_nTicks(0) {
    if (g_bLoading) return;
    m_events.Add(CKTEventReg{EV_STEP, 0});
}

CKTSequencialBhvr::~CKTSequencialBhvr() { delete m_pSource; }

CString CKTSequencialBhvr::GetName() const { return CString("Sequential"); }

BOOL CKTSequencialBhvr::SetSourceText(const CString& strText) {
    auto pSource = std::make_unique<CStringArray>();
    const int nLength = strText.GetLength();
    for (int i = 0; i < nLength;) {
        int nEnd = i;
        while (nEnd < nLength && IsPrint(strText[nEnd])) nEnd++;
        if (nEnd > i) pSource->Add(strText.Mid(i, nEnd - i));
        i = nEnd + 1;  // past the character that ended the run
    }
    return SetSourceEntries(pSource.release());
}

BOOL CKTSequencialBhvr::SetSourceEntries(CStringArray* pSource) {
    if (pSource != m_pSource) {
        delete m_pSource;
        m_pSource = pSource;
    }
    RebuildWordList();
    return m_pSource ? TRUE : FALSE;
}

void CKTSequencialBhvr::RebuildWordList() {
    m_words.RemoveAll();
    if (!m_pSource) return;
    for (INT_PTR e = 0; e < m_pSource->GetSize(); e++) {
        const CString& strEntry = m_pSource->GetAt(e);
        CString strWord;
        for (int i = 0; i < strEntry.GetLength(); i++) {
            const char c = strEntry[i];
            if (IsAlnum(c)) {
                strWord += c;
            } else if (IsSpace(c)) {
                if (!strWord.IsEmpty()) m_words.Add(strWord);
                strWord.Empty();
            }
        }
        if (!strWord.IsEmpty()) m_words.Add(strWord);
    }
}

CString CKTSequencialBhvr::GetCurrentEntry() const {
    if (m_nEntry < 0 || m_nEntry >= SourceCount()) return CString();
    return m_pSource->GetAt(m_nEntry);
}

CString CKTSequencialBhvr::GetCurrentWord() const {
    if (m_nWord < 0 || m_nWord >= m_words.GetSize()) return CString();
    return m_words[m_nWord];
}

char CKTSequencialBhvr::GetCurrentChar() const {
    if (m_nEntry < 0 || m_nEntry >= SourceCount()) return 0;
    const CString& strEntry = m_pSource->GetAt(m_nEntry);
    return m_nChar >= 0 && m_nChar < strEntry.GetLength() ? strEntry[m_nChar] : 0;
}

void CKTSequencialBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    m_nTicks += 1;
    if (m_nTicks < m_nHold) return;
    m_nTicks = 0;

    const INT_PTR nEntries = SourceCount();
    switch (m_nChunk) {
    case 4:
        if (NextIndex(m_nEntry, nEntries, m_nOrder)) ShowEntry(m_pSource->GetAt(m_nEntry));
        break;
    case 2:
        if (NextIndex(m_nWord, m_words.GetSize(), m_nOrder)) ShowWord();
        break;
    case 1: {
        if (nEntries == 0) return;
        m_nEntry = InRange(m_nEntry, nEntries);
        m_nChar = InRange(m_nChar, m_pSource->GetAt(m_nEntry).GetLength());
        if (m_nOrder == 0) {
            if (++m_nChar >= m_pSource->GetAt(m_nEntry).GetLength()) {
                m_nEntry++;
                m_nChar = 0;
            }
            if (m_nEntry >= nEntries) m_nEntry = 0;
        } else if (m_nOrder == 2) {
            if (--m_nChar < 0) {
                if (--m_nEntry < 0) m_nEntry = static_cast<int>(nEntries - 1);
                m_nChar = m_pSource->GetAt(m_nEntry).GetLength() - 1;
            }
        } else if (m_nOrder == 1) {
            m_nEntry = static_cast<int>(crt::rand() % nEntries);
            const int nLength = m_pSource->GetAt(m_nEntry).GetLength();
            m_nChar = nLength > 0 ? crt::rand() % nLength : 0;
        } else {
            return;
        }
        ShowGlyph();
        break;
    }
    default:
        break;
    }
}

CKTElement* CKTSequencialBhvr::FirstElementOfKind(int nKind) const {
    if (m_elements.IsEmpty()) return nullptr;
    CKTElement* pElement = m_elements.GetHead();
    return pElement && pElement->GetKind() == nKind ? pElement : nullptr;
}

void CKTSequencialBhvr::Justify(CKTElement* pElement, int nOldWidth) const {
    const long long d = EvenWidth(pElement->GetWidth()) - EvenWidth(nOldWidth);
    if (m_nJustify == 1)
        pElement->MoveBy(CKTVector(static_cast<double>(-d / 2), 0.0, 0.0));
    else if (m_nJustify == 2)
        pElement->MoveBy(CKTVector(static_cast<double>(-d), 0.0, 0.0));
}

void CKTSequencialBhvr::ShowEntry(const CString& strText) {
    CKTElement* pPassage = FirstElementOfKind(KIND_PASSAGE);
    if (!pPassage) return;
    const int nOldWidth = pPassage->GetWidth();
    KTKillChildren(pPassage);

    CKTElementRenderer* pRenderer = pPassage->GetRenderer();
    CString strWord;
    for (int i = 0; i < strText.GetLength(); i++) {
        const char c = strText[i];
        if (IsAlnum(c)) {
            strWord += c;
        } else if (IsSpace(c) && !strWord.IsEmpty()) {
            AppendWord(pPassage, strWord, pRenderer);
            AppendWord(pPassage, CString(' '), nullptr);
            strWord.Empty();
        }
    }
    if (!strWord.IsEmpty()) AppendWord(pPassage, strWord, pRenderer);
    Justify(pPassage, nOldWidth);
}

void CKTSequencialBhvr::ShowWord() {
    CKTElement* pWord = FirstElementOfKind(KIND_WORD);
    if (!pWord) return;
    const int nOldWidth = pWord->GetWidth();
    KTKillChildren(pWord);
    AppendGlyphs(pWord, pWord, GetCurrentWord(), pWord->GetRenderer());
    Justify(pWord, nOldWidth);
}

void CKTSequencialBhvr::ShowGlyph() {
    CKTElement* pGlyph = FirstElementOfKind(KIND_GLYPH);
    if (!pGlyph) return;
    const int nOldWidth = pGlyph->GetWidth();
    if (m_nEntry < 0 || m_nEntry >= SourceCount()) return;
    const CString& strEntry = m_pSource->GetAt(m_nEntry);
    if (m_nChar < 0 || m_nChar >= strEntry.GetLength()) return;
    static_cast<CKTGlyph*>(pGlyph)->SetChar(strEntry[m_nChar]);
    Justify(pGlyph, nOldWidth);
}

void CKTSequencialBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_nChunk) << m_nOrder << m_nHold << m_nEntry << m_nWord << m_nChar << m_nJustify
           << m_nTicks;
        const LONG n = m_pSource ? static_cast<LONG>(m_pSource->GetSize()) : -1;
        ar << n;
        if (m_pSource) {
            for (INT_PTR i = 0; i < m_pSource->GetSize(); i++) ar << m_pSource->GetAt(i);
            m_pSource->Serialize(ar);
        }
        return;
    }

    DWORD dwChunk;
    ar >> dwChunk >> m_nOrder >> m_nHold >> m_nEntry >> m_nWord >> m_nChar >> m_nJustify >> m_nTicks;
    m_nChunk = static_cast<int>(dwChunk);
    LONG n;
    ar >> n;
    if (n < -1) AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    std::unique_ptr<CStringArray> pSource;
    if (n >= 0) {
        ar.RequireBytes(static_cast<ULONGLONG>(n));  // each string takes at least one byte
        pSource = std::make_unique<CStringArray>();
        for (LONG i = 0; i < n; i++) {
            CString strEntry;
            ar >> strEntry;
            pSource->Add(strEntry);
        }
        pSource->Serialize(ar);  // the second copy replaces the first
    }
    delete m_pSource;
    m_pSource = pSource.release();
    RebuildWordList();
}
