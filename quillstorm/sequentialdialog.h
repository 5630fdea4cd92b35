// CSequentialDialog ("Set Sequential Parameters"): text shown one piece after another in one place:
// the order of the pieces, their justification, the chunk (a glyph, a word or a passage at a time),
// how many steps each piece holds, and the source text, typed or loaded from a text file, which must
// hold a letter or digit. The caller sets the members, runs DoModal and reads them after IDOK; the
// lists exchange their selected row (-1 for none).
#pragma once

#include "platform/ui/paramdialog.h"

class CSequentialDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 167;
    static constexpr int IDC_LOAD_TEXT = 1058;
    static constexpr int IDC_CHUNK = 1061;
    static constexpr int IDC_ORDER = 1062;
    static constexpr int IDC_JUSTIFICATION = 1063;
    static constexpr int IDC_HOLD = 1064;
    static constexpr int IDC_TEXT = 1065;

    CSequentialDialog();

    int m_nOrder = -1;          // "Order:" 0 sequential, 1 random, 2 reverse
    int m_nJustification = -1;  // "Justification:" 0 left, 1 middle, 2 right
    int m_nChunk = -1;          // "Chunk:" 0 glyph, 1 word, 2 passage
    UINT m_nHold = 0;           // "Hold:"
    CString m_strText;          // "Source Text:" (CR LF line breaks)

protected:
    // Refused, with its message, when the source text holds no letter or digit.
    void OnOK() override;
};
