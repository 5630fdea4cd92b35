// CKTWord: a run of glyphs (kind 4), a child of a passage.
//
// Inserting a glyph with bReflow places it just right of the glyph before it, on that glyph's row,
// and shifts the following glyphs and the following words of the line right by its width; removing
// moves the glyph back to the word's origin and shifts them back. The words that move stop at (and
// include) the first one that starts with a character-13 glyph.
//
// The word caches its text (the characters of its glyphs) and its part of speech (1 noun, 2 verb,
// 3 adjective, 4 adverb). Inserting or removing a glyph, and a glyph's SetChar, make the text stale.
#pragma once

#include "kinetype/ktelement.h"

class CKTWord : public CKTElement {
    DECLARE_SERIAL(CKTWord)

public:
    CKTWord();  // kind 4, empty text (stale), no part of speech
    ~CKTWord() override;

    BOOL InsertChild(CKTElement* pChild, CKTElement* pAfter, BOOL bReflow) override;
    BOOL RemoveChild(CKTElement* pChild, BOOL bReflow) override;

    // The cached text; when stale, rebuilt from the characters of the glyph children in order.
    CString GetText();
    void InvalidateText() { m_bTextValid = 0; }
    BOOL IsTextValid() const { return m_bTextValid ? TRUE : FALSE; }
    void SetPartOfSpeech(int nPartOfSpeech);
    // A word never given one becomes a noun (1), set from then on.
    int GetPartOfSpeech();
    BOOL IsPartOfSpeechSet() const { return m_bPartOfSpeechSet ? TRUE : FALSE; }

    // The element part, then the text (string), its flag (int), the part of speech (unsigned) and its
    // flag (int), all restored as stored.
    void Serialize(CArchive& ar) override;

protected:
    CString m_strText;
    BYTE m_bTextValid;
    int m_nPartOfSpeech;
    BYTE m_bPartOfSpeechSet;
};
