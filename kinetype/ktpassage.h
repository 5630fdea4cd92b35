// CKTPassage: a run of words (kind 2), a child of the root.
//
// Inserting a word with bReflow places it just right of the word before it (or, after a word that
// starts with a character-13 glyph, at the left edge one line lower) and shifts the following words
// of its line right by its width; removing shifts them back. The line ends at (and includes) the
// first word that starts with a character-13 glyph.
#pragma once

#include "kinetype/ktelement.h"

class CKTPassage : public CKTElement {
    DECLARE_SERIAL(CKTPassage)

public:
    CKTPassage();  // kind 2
    ~CKTPassage() override;

    BOOL InsertChild(CKTElement* pChild, CKTElement* pAfter, BOOL bReflow) override;
    BOOL RemoveChild(CKTElement* pChild, BOOL bReflow) override;
    // As the base, except that after the first word only words whose first glyph is a graphic
    // character (33 to 126) take part: trailing spaces and line breaks do not widen a passage.
    void RecalcBounds() override;

    // The element part only.
    void Serialize(CArchive& ar) override;
};
