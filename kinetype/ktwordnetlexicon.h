// CKTWordNetLexicon: the lexicon over the WordNet 3.0 library (libwordnet); its source file is the only
// code that talks to the library. The library finds its database through WNSEARCHDIR, else WNHOME + "/dict", else its built-in
// default directory (/usr/share/wordnet on Debian).
//
// The library is opened once per process, at the first Init or lookup, whoever asks: a book whose
// stored flag says "initialised" still gets an open database in a new process. An open that fails is
// tried again at the next call. The library's own messages are silenced; a failed open leaves one
// debug trace.
//
// Lookups hand the library a copy of the word (it lowercases its argument in place); a word that is
// empty or does not fit the library's 256-byte word buffer is not looked up. Two search types are
// refused: coordinate terms (26, also as -26), for which the library reads through an empty result,
// and INT_MIN, which the library negates.
//
// Static libwordnet.a is not position-independent: link this into executables or static libraries
// only.
#pragma once

#include "kinetype/ktlexicon.h"

class CKTWordNetLexicon : public CKTLexicon {
public:
    // The process's one instance.
    static CKTWordNetLexicon& Instance();

    BOOL Init() override;
    std::vector<KTSynset> FindSynsets(const char* pszWord, int nPartOfSpeech, int nSearchType,
                                      int nSense) override;

private:
    CKTWordNetLexicon() = default;

    bool m_bOpen = false;
    bool m_bTraced = false;
};
