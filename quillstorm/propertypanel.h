// CPropertyPanel: the floating properties panel. It shows the texts the view fills in before each
// paint (font, size, colour, position, softtype, the behaviours' names and the scene clock) on bands
// of warm colours under a title, and tells the view which row a click is on. The view owns it, shows
// and hides it, blends it and moves it; the panel itself only draws and hit-tests.
//
// Geometry, relative to the panel's top-left corner: 160 pixels high with no behaviour row, 11 more
// for each; the value column starts at x 70; the softtype row's value area is y 115 to 126, behaviour
// row i's is y 136 + 11 i to 147 + 11 i. Right and bottom edges lie outside every rectangle.
//
// The values are drawn in a field from the value column to one blank pixel before the right frame; a
// value wider than that is cut to the longest beginning that fits followed by an ellipsis. The clock's
// arrowheads stand on either side of the clock's text, clear of its digits in whatever face draws them.
#pragma once

#include "platform/gdi/dc.h"
#include "quillstorm/floatingpane.h"

class CPropertyPanel : public CFloatingPane {
public:
    CPropertyPanel();
    ~CPropertyPanel() override;

    // Sets the panel's height from its behaviour rows, then paints it onto pDC at m_rcPanel, opaque or
    // blended half and half with what lies beneath.
    void Draw(CDC* pDC);
    // Whether pt lies in the softtype row's value area of the panel as last drawn.
    BOOL HitSoftType(CPoint pt) const;
    // The behaviour row whose value area holds pt (from 0), or -1.
    int HitBehavior(CPoint pt) const;

    // The width of the value field, from the value column to the blank pixel before the right frame.
    int ValueFieldWidth() const;
    // strValue as drawn in the value field with the font selected into pDC: unchanged when it fits,
    // otherwise its longest beginning that fits with "\x85" (the ellipsis) after it, blanks before the
    // ellipsis dropped; empty when not even the ellipsis fits.
    CString FitValue(const CDC* pDC, const CString& strValue) const;

    // The softtype row's name of a renderer type: "default" for 1, 7 and every type without a name.
    static const char* SoftTypeName(int nType);

    // The panel's height: kBaseHeight, and kRowHeight more for each behaviour row.
    static constexpr int kBaseHeight = 160;
    static constexpr int kRowHeight = 11;

    CBrush m_brRow;
    CBrush m_brBand;
    CBrush m_brTitle;
    CFont m_fontTitle;
    CFont m_fontText;
    CFont m_fontSymbols;
    CString m_strFont;
    CString m_strSize;
    CString m_strColor;
    CString m_strPosition;
    CString m_strSoftType;
    CString m_strClock;
    CStringArray m_behaviorNames;

protected:
    void DrawPicture(CDC* pDC, CPoint o) override;

private:
    // The clock's text and its arrowheads, the panel's top-left corner at o.
    void DrawClock(CDC* pDC, CPoint o);
};
