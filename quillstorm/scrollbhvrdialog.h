// CScrollBhvrDialog ("Set Scroll Parameters"): a ticker of new text. The first "Direction:" list
// chooses the orientation (horizontal or vertical), the second the way the text moves (left or right,
// up or down); a vertical ticker also has a justification and a chunk (what one scrolling element is),
// a horizontal one always scrolls its passage. The source text is typed, or loaded from a text file,
// and must hold a letter or digit. The caller sets the members, runs DoModal and reads them after
// IDOK; the lists exchange their selected row (-1 for none).
#pragma once

#include "platform/ui/paramdialog.h"

class CScrollBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 168;
    static constexpr int IDC_LOAD_TEXT = 1058;
    static constexpr int IDC_CHUNK = 1061;
    static constexpr int IDC_JUSTIFICATION = 1063;
    static constexpr int IDC_TEXT = 1065;
    static constexpr int IDC_ORIENTATION = 1066;
    static constexpr int IDC_DIRECTION = 1067;
    static constexpr int IDC_SPEED = 1068;

    CScrollBhvrDialog();

    int m_nChunk = -1;          // "Chunk:" 0 glyph, 1 word, 2 passage
    int m_nDirection = -1;      // the second "Direction:" 0 left or up, 1 right or down
    int m_nJustification = -1;  // "Justification:" 0 left, 1 middle, 2 right
    CString m_strText;          // "Source Text:" (CR LF line breaks)
    double m_dSpeed = 0.0;      // "Speed:"
    int m_nOrientation = -1;    // the first "Direction:" 0 horizontal, 1 vertical

protected:
    // The lists for m_nOrientation: vertical unless it is 0.
    BOOL OnInitDialog() override;
    // Refused, with its message, when the source text holds no letter or digit.
    void OnOK() override;

private:
    // The lists for the orientation picked now: vertical unless "horizontal" is selected.
    void OnSelchangeOrientation();
    // Horizontal: no justification, the chunk fixed at "passage", directions "left" and "right".
    // Vertical: justification and chunk enabled, directions "up" and "down". Either selects the
    // direction of m_nDirection (the value the dialog opened with), not the list's.
    void SetupHorizontal();
    void SetupVertical();
};
