// CKTGlyph: one character (kind 5), a child of a word. Character codes are 8-bit Windows-1252; 13 is
// a line break (measured as the font's missing glyph, never drawn).
//
// A glyph's bounds are its renderer's extent on the book's current DC (the memory DC outside a draw):
// without a renderer, or before the book has a DC, they stay stale and are asked again next time.
//
// Unless g_bLoading is set, a new glyph gets a default renderer (CKTERDefault), which it owns.
#pragma once

#include "kinetype/ktelement.h"

class CKTGlyph : public CKTElement {
    DECLARE_SERIAL(CKTGlyph)

public:
    // Kind 5, character 0; a CKTERDefault unless loading.
    CKTGlyph();
    ~CKTGlyph() override;

    // As CKTElement::SetRenderer; the character is pushed between the colour and the element.
    BOOL SetRenderer(CKTElementRenderer* p, BOOL bFlag) override;
    // The renderer's extent (see above).
    void RecalcBounds() override;

    char GetChar() const { return m_cChar; }
    // Stores the character, pushes it into the renderer, invalidates the bounds (upward) and, in a
    // word, the word's text.
    virtual void SetChar(char c);

    // The element part, then the character (one byte), which is pushed into the renderer on load.
    void Serialize(CArchive& ar) override;

protected:
    char m_cChar;
};
