// CKTSequencialBhvr (type 26, "Sequential"): a text shown piece by piece in one element.
//
// The source is a list of entries (the lines of a text, SetSourceText); the word list holds every
// alphanumeric word of the entries. Every m_nHold steps (event 1; hold 0 and 1 change at every step)
// the next piece is taken, in order (0), at random (1) or backwards (2), by the chunk: 4 an entry
// shown in a passage (ShowEntry), 2 a word shown in a word (ShowWord), 1 a character shown in a glyph
// (ShowGlyph). Only the first element of the list changes, and only when its kind fits the chunk;
// otherwise the indices move on and nothing is shown. A change keeps the element's left edge, centre
// or right edge in place by the justification (0, 1, 2): widths are rounded up to even numbers first,
// so 40 -> 60 moves a centred element 10 px left and 41 -> 60 moves it 9 px.
//
// Character classes are the ASCII ones of the C locale on unsigned bytes (bytes from 0x80 are neither
// printable, alphanumeric nor white space). An empty source, entry or word list shows nothing; indices
// from a file are brought into range before they are used.
#pragma once

#include "kinetype/ktbehavior.h"

class CKTSequencialBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTSequencialBhvr)

public:
    // Unless loading: event (1, 0); chunk 4, order 0, justification 0, hold 10. No source.
    CKTSequencialBhvr();
    // Frees the source.
    ~CKTSequencialBhvr() override;

    CString GetName() const override;  // "Sequential"
    void OnEvent(int nEvent) override;

    // The runs of printable characters of strText (control characters such as CR, LF and tab end a
    // run; empty runs are dropped) become the source (SetSourceEntries).
    BOOL SetSourceText(const CString& strText);
    // Takes pSource (owned from now on) in place of the current source, which is freed, and rebuilds
    // the word list. FALSE for NULL (no source then).
    BOOL SetSourceEntries(CStringArray* pSource);
    // The words of the entries: alphanumeric runs, ended by white space and by the end of an entry;
    // other characters are dropped without ending the word ("don't" gives "dont").
    void RebuildWordList();

    CString GetCurrentEntry() const;  // empty without a source or out of range
    CString GetCurrentWord() const;   // empty without words or out of range
    char GetCurrentChar() const;      // 0 without a source or out of range

    // Replace the first element's content (see the top of the file).
    void ShowEntry(const CString& strText);
    void ShowWord();
    void ShowGlyph();

    void SetChunk(int n) { m_nChunk = n; }
    void SetOrder(int n) { m_nOrder = n; }
    void SetJustification(int n) { m_nJustify = n; }
    void SetHold(UINT n) { m_nHold = n; }
    int GetChunk() const { return m_nChunk; }
    int GetOrder() const { return m_nOrder; }
    int GetJustification() const { return m_nJustify; }
    UINT GetHold() const { return m_nHold; }
    int GetEntryIndex() const { return m_nEntry; }
    int GetWordIndex() const { return m_nWord; }
    int GetCharIndex() const { return m_nChar; }
    const CStringArray* GetSource() const { return m_pSource; }
    const CStringArray& GetWords() const { return m_words; }

    // After the behaviour part: chunk (unsigned), order, hold (unsigned), entry, word, character,
    // justification, ticks (unsigned); the entry count n (-1: no source) and n strings; with a source,
    // the entries again as a string array (count, strings). Loading reads both copies (the second
    // replaces the first; a count below -1 is a bad-index archive error) and rebuilds the word list.
    void Serialize(CArchive& ar) override;

private:
    // The first element when it is of kind nKind, else NULL.
    CKTElement* FirstElementOfKind(int nKind) const;
    // Moves pElement by the justification for a width change from nOldWidth to its width now.
    void Justify(CKTElement* pElement, int nOldWidth) const;
    INT_PTR SourceCount() const { return m_pSource ? m_pSource->GetSize() : 0; }

    CStringArray* m_pSource;
    CStringArray m_words;
    int m_nEntry;
    int m_nChar;
    int m_nWord;
    int m_nChunk;
    int m_nOrder;
    int m_nJustify;
    UINT m_nHold;
    UINT m_nTicks;
};
