// CKTERDefault (type 1): the plain style. It writes the glyph's character in the element's font and
// colour with its baseline origin at the glyph's absolute position, on event 0, and only on a glyph.
//
// It keeps no drawing objects between calls: every draw and every measurement creates its point
// font, selects it, uses it, reselects the old one and deletes it; the text alignment and background
// mode a draw changes are restored before it returns (the text colour is left set).
//
// Stored form: the base part only (font and colour come from the element's record, the character
// from the glyph's, the registrations from the book's listener lists).
#pragma once

#include "kinetype/ktelementrenderer.h"

class CKTERDefault : public CKTElementRenderer {
    DECLARE_SERIAL(CKTERDefault)

public:
    // Type 1, colour 0, character 0, a zeroed font.
    CKTERDefault();

    // A new CKTERDefault with start values (the child pushes its own font, colour and character).
    CKTElementRenderer* Clone() override;
    // Draws the character (codes 32 to 127; control characters, line breaks and codes from 128 up are
    // not drawn) when the glyph's absolute bounds meet the book's client rectangle.
    void Draw() override;
    void OnPreStep() override;
    void OnStep() override;
    void OnPostStep() override;
    // NULL: leaves the draw list. Otherwise remembers the element, joins the draw list when it is a
    // glyph, and hands each child a clone.
    void SetElement(CKTElement* pElement, BYTE bFlag) override;
    BOOL AllowsChildRenderers() override;  // TRUE
    // From the glyph metrics of the character in the point font: x from the black box origin to it plus
    // the advance; y over the black box (for a space: from -black box height to 0). (0, 0, 0, 0) with
    // no character or no DC.
    CRect GetExtent(CDC* pDC) override;
    void SetChar(char c) override;          // stores it; the element's bounds become stale
    void SetColor(COLORREF cr) override;    // stores it
    void SetFont(LOGFONT lf) override;      // stores it; the element's bounds become stale
    void SetPointSize(int nPoints) override;  // the element's bounds become stale (lfHeight counts)

    COLORREF GetColor() const { return m_crColor; }
    LOGFONT GetFont() const { return m_logFont; }
    char GetChar() const { return m_cChar; }

    void Serialize(CArchive& ar) override;

protected:
    COLORREF m_crColor;
    LOGFONT m_logFont;
    char m_cChar;
};
