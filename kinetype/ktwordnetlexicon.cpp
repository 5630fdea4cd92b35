#include "kinetype/ktwordnetlexicon.h"

#include <climits>
#include <cstring>

extern "C" {
#include <wn.h>
}

static_assert(KT_MAX_LEXICON_WORD < WORDBUF, "a word and its terminator fit the library's word buffer");

namespace {

// The library's message hook: says nothing.
int SilentMessage(char*) { return -1; }

}  // namespace

CKTWordNetLexicon& CKTWordNetLexicon::Instance() {
    static CKTWordNetLexicon s_lexicon;
    return s_lexicon;
}

BOOL CKTWordNetLexicon::Init() {
    if (m_bOpen) return TRUE;
    display_message = SilentMessage;
    if (wninit() == 0) {
        m_bOpen = true;
        return TRUE;
    }
    if (!m_bTraced) {
        TRACE("The WordNet database could not be opened: words get no synonyms\n");
        m_bTraced = true;
    }
    return FALSE;
}

std::vector<KTSynset> CKTWordNetLexicon::FindSynsets(const char* pszWord, int nPartOfSpeech, int nSearchType,
                                                     int nSense) {
    std::vector<KTSynset> result;
    if (!pszWord) return result;
    const size_t nLength = std::strlen(pszWord);
    if (nLength == 0 || nLength > static_cast<size_t>(KT_MAX_LEXICON_WORD)) return result;
    if (nPartOfSpeech < NOUN || nPartOfSpeech > ADV) return result;
    // The library negates a negative search type (a recursive search), which INT_MIN does not survive,
    // and its coordinate-terms search dereferences the first synset's hypernyms even when there are none.
    if (nSearchType == INT_MIN || nSearchType == COORDS || nSearchType == -COORDS) return result;
    if (!Init()) return result;

    char word[WORDBUF];
    std::memcpy(word, pszWord, nLength + 1);
    SynsetPtr pList = findtheinfo_ds(word, nPartOfSpeech, nSearchType, nSense);
    for (SynsetPtr p = pList; p; p = p->nextss) {
        KTSynset synset;
        synset.nWhichWord = p->whichword;
        if (p->words && p->wcount > 0) {
            synset.words.reserve(static_cast<size_t>(p->wcount));
            for (int i = 0; i < p->wcount; i++) synset.words.emplace_back(p->words[i]);
        }
        result.push_back(std::move(synset));
    }
    free_syns(pList);
    return result;
}
