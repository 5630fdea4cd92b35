#include "kinetype/ktsynshiftbhvr.h"

#include <vector>

#include "kinetype/ktbook.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktlexicon.h"
#include "kinetype/kttextbhvr.h"
#include "kinetype/ktword.h"

IMPLEMENT_SERIAL(CKTSynShiftBhvr, CKTBehavior, 0)

CKTSynShiftBhvr::CKTSynShiftBhvr()
    : CKTBehavior(BHVR_SYNSHIFT), m_dSpeed(0.1), m_dAccumulator(0.0), m_nShift(0), m_nSearchType(2), m_nSense(0) {
    m_nAppliesTo = APPLIES_TO_WORD;
    if (g_bLoading) return;
    m_events.Add(CKTEventReg{EV_STEP, 0});
    m_elemPropReqs.Add(CKTPropReg{PROP_SYNONYMS, PROPTYPE_CSTRINGARRAY});
    m_bookPropReqs.Add(CKTPropReg{BOOKPROP_SYNSHIFT, PROPTYPE_BOOL});
    AcquireBookProps();
}

CKTSynShiftBhvr::~CKTSynShiftBhvr() {}

CString CKTSynShiftBhvr::GetName() const { return CString("Synonym Shift"); }

BOOL CKTSynShiftBhvr::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    if (pElement->GetKind() != KIND_WORD) return TRUE;  // a file may widen the mask
    CKTWord* pWord = static_cast<CKTWord*>(pElement);

    // The database is opened while the book's flag says it is not (a missing flag counts as FALSE).
    CKTLexicon& lexicon = KTGetLexicon();
    CKTBoolBhvrProp* pFlag = CKTBoolBhvrProp::Cast(GetBook()->GetBookProp(BOOKPROP_SYNSHIFT));
    BOOL bOpen = pFlag && pFlag->GetValue();
    if (!bOpen && lexicon.Init()) {
        bOpen = TRUE;
        if (pFlag) pFlag->SetValue(TRUE);
    }
    if (!bOpen) return TRUE;  // attached without synonyms

    CKTCStringArrayBhvrProp* pSynonyms = CKTCStringArrayBhvrProp::Cast(pWord->GetProp(PROP_SYNONYMS));
    if (!pSynonyms) return TRUE;
    int nPartOfSpeech = pWord->GetPartOfSpeech();
    if (nPartOfSpeech < 1 || nPartOfSpeech > 4) nPartOfSpeech = 1;
    const CString strText = pWord->GetText();
    if (strText.IsEmpty() || strText.GetLength() > KT_MAX_LEXICON_WORD) return TRUE;

    const std::vector<KTSynset> synsets = lexicon.FindSynsets(strText, nPartOfSpeech, m_nSearchType, m_nSense);
    if (synsets.empty()) return TRUE;
    pSynonyms->m_value.Add(strText);
    for (const KTSynset& synset : synsets) {
        for (size_t i = 0; i < synset.words.size(); i++) {
            if (static_cast<long long>(i) == static_cast<long long>(synset.nWhichWord) - 1) continue;
            if (synset.words[i].Find('_') >= 0) continue;
            pSynonyms->m_value.Add(synset.words[i]);
        }
    }
    return TRUE;
}

void CKTSynShiftBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    m_dAccumulator += m_dSpeed;
    if (m_dAccumulator < 1.0) return;
    m_dAccumulator = 0.0;
    m_nShift = static_cast<int>(static_cast<unsigned>(m_nShift) + 1u);

    // Rebuilding kills glyphs, whose behaviours may detach other elements: walk a snapshot and skip
    // words no longer attached (dead elements stay allocated until the tick ends).
    std::vector<CKTElement*> words;
    words.reserve(static_cast<size_t>(m_elements.GetCount()));
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) words.push_back(m_elements.GetNext(pos));
    for (CKTElement* pWord : words)
        if (pWord && pWord->GetKind() == KIND_WORD && pWord->HasBehavior(this)) ShiftWord(pWord);
}

void CKTSynShiftBhvr::ShiftWord(CKTElement* pWord) {
    CKTCStringArrayBhvrProp* pSynonyms = CKTCStringArrayBhvrProp::Cast(pWord->GetProp(PROP_SYNONYMS));
    if (!pSynonyms) return;
    const INT_PTR n = pSynonyms->m_value.GetSize();
    if (n == 0) return;
    const INT_PTR nIndex = ((static_cast<INT_PTR>(m_nShift) % n) + n) % n;
    const CString strText = pSynonyms->m_value[nIndex];

    // The behaviours of the old glyphs, in order of first appearance; the glyphs die (re-flowing).
    std::vector<CKTBehavior*> carried;
    while (CKTElement* pGlyph = pWord->GetFirstChild()) {
        for (POSITION pos = pGlyph->GetFirstBehaviorPosition(); pos;) {
            const CKTBehaviorLink link = pGlyph->GetNextBehavior(pos);
            if (link.m_dwFlag != 1 || !link.m_pBehavior) continue;
            bool bHeld = false;
            for (CKTBehavior* p : carried) bHeld = bHeld || p == link.m_pBehavior;
            if (!bHeld) carried.push_back(link.m_pBehavior);
        }
        pGlyph->Die(TRUE, FALSE);
        if (pWord->GetFirstChild() == pGlyph) break;  // not removed (cannot happen in a live scene)
    }

    CKTElementRenderer* pRenderer = pWord->GetRenderer();
    for (int i = 0; i < strText.GetLength(); i++) {
        CKTGlyph* pGlyph = KTNewGlyph(pWord, strText[i], pRenderer);
        if (!pWord->AppendChild(pGlyph, TRUE)) {
            delete pGlyph;
            continue;
        }
        for (CKTBehavior* pBehavior : carried) pBehavior->AddElement(pGlyph);
    }
}

void CKTSynShiftBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_nShift << m_nSearchType << m_nSense << m_dSpeed << m_dAccumulator;
    else
        ar >> m_nShift >> m_nSearchType >> m_nSense >> m_dSpeed >> m_dAccumulator;
}
