// CKTLexicon: the lexical database the synonym shift looks words up in.
//
// The program uses the WordNet database (CKTWordNetLexicon, the default); tests install a fake with
// KTSetLexicon. Every call comes from the GUI thread.
//
// A lookup gives the synsets the database returns for (word, part of speech, search type, sense), in
// its order: each synset's words (multi-word entries joined by '_') and the 1-based position of the
// looked-up word among them. The synonym shift decides which of those words it keeps.
#pragma once

#include <vector>

#include "platform/afx/afx.h"

// The longest word a lexicon looks up (WordNet's word buffer holds 256 bytes with the terminator).
constexpr int KT_MAX_LEXICON_WORD = 255;

struct KTSynset {
    std::vector<CString> words;
    int nWhichWord = 0;  // 1-based position of the looked-up word in words (0: none)
};

class CKTLexicon {
public:
    virtual ~CKTLexicon() = default;

    // Opens the database when it is not open yet. TRUE when it is open; a failure may be retried by
    // the next call. Prints nothing.
    virtual BOOL Init() = 0;
    // The synsets of pszWord (a C string; the lexicon works on its own copy) in nPartOfSpeech (1 noun,
    // 2 verb, 3 adjective, 4 adverb) by nSearchType and nSense (0: every sense). Empty when nothing is
    // found, for an empty word or one longer than KT_MAX_LEXICON_WORD, and when the database cannot be
    // opened; the lexicon opens it first when needed.
    virtual std::vector<KTSynset> FindSynsets(const char* pszWord, int nPartOfSpeech, int nSearchType,
                                              int nSense) = 0;
};

// The lexicon the synonym shift uses: the one installed by KTSetLexicon, else the WordNet database.
CKTLexicon& KTGetLexicon();
// Installs pLexicon (not owned; NULL goes back to the WordNet database) and returns the one installed
// before (NULL for the default). For tests.
CKTLexicon* KTSetLexicon(CKTLexicon* pLexicon);
