// CKTSynShiftBhvr (type 6, "Synonym Shift"): words change into their synonyms.
//
// Attaching a word (words only) looks it up in the lexical database (KTGetLexicon) and stores the
// word's list in its PROP_SYNONYMS: [its own text as typed, synonym, synonym, ...], or nothing when
// the database finds nothing. From the synsets found, every entry is kept except the looked-up word
// itself (the synset's whichword) and multi-word entries (those holding '_'); an entry found in
// several synsets is kept each time. A word that is empty or longer than 255 characters is not looked
// up. The book flag BOOKPROP_SYNSHIFT records that the database was opened; while it is FALSE (or
// missing) every attachment tries to open it, and words attach without synonyms while that fails.
//
// On step (event 1) the accumulator gains the speed; when it reaches 1.0 it starts again from 0 and
// the shift count goes up by one (wrapping past INT_MAX). Then every word with a list of n entries is
// rebuilt from entry (shift mod n, never negative): its glyphs die (the line re-flows, the word stays),
// and new glyphs are made with the word's font, colour and a Clone of its renderer (a default renderer
// when it has none), appended with re-flow. Each behaviour linked to the old glyphs goes on to every
// new glyph. The default speed 0.1 shifts at every 11th step (ten additions of 0.1 stay just below
// 1.0); the first shift shows the first synonym.
//
// A word whose PROP_SYNONYMS is missing or of another class (a broken file) is skipped.
#pragma once

#include "kinetype/ktbehavior.h"

class CKTSynShiftBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTSynShiftBhvr)

public:
    // Mask 2 (words). Unless loading: event (1, 0), element slot PROP_SYNONYMS (string array), book
    // slot BOOKPROP_SYNSHIFT (bool), taken at once; speed 0.1, search type 2, sense 0.
    CKTSynShiftBhvr();
    ~CKTSynShiftBhvr() override;

    CString GetName() const override;  // "Synonym Shift"
    // Attaches the word and builds its synonym list (see the top of the file).
    BOOL AddElement(CKTElement* pElement) override;
    void OnEvent(int nEvent) override;

    void SetSpeed(double d) { m_dSpeed = d; }
    double GetSpeed() const { return m_dSpeed; }
    int GetShift() const { return m_nShift; }
    int GetSearchType() const { return m_nSearchType; }
    int GetSense() const { return m_nSense; }

    // After the behaviour part: shift, search type, sense (ints), speed, accumulator (doubles).
    void Serialize(CArchive& ar) override;

private:
    void ShiftWord(CKTElement* pWord);

    double m_dSpeed;
    double m_dAccumulator;
    int m_nShift;
    int m_nSearchType;
    int m_nSense;
};
