// CCanvasSizeDialog: asks for the canvas size as "width x height" in an editable drop-down list
// ("Set Canvas Size"). The caller sets m_nWidth and m_nHeight, runs DoModal and reads them after IDOK.
//
// The entry is parsed on OK (ParseSize): the text before the first 'x' or 'X' is the width, the text
// after it the height, each read as C atoi reads it; an entry that does not parse shows its message
// followed by "\n\n Expect format: 'width x height'" and keeps the dialog open.
#pragma once

#include <string>

#include "platform/ui/paramdialog.h"

class CCanvasSizeDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 166;
    static constexpr int IDC_SIZE = 1060;
    static constexpr int kMaxSizeChars = 18;

    CCanvasSizeDialog();

    // The parser of OnOK: NULL when the entry gives both sides, otherwise the error text. The checks
    // stop at the first error; a width that passed is stored in nWidth even when the height fails.
    static const char* ParseSize(const std::string& strEntry, UINT& nWidth, UINT& nHeight);
    // C atoi: leading blanks, an optional sign, the digits up to the first other character; 0 when
    // there are none. Values beyond the int range saturate (atoi leaves them undefined).
    static int AtoI(const std::string& s);

    CString m_strSize;  // the list's text
    UINT m_nWidth = 0;
    UINT m_nHeight = 0;

protected:
    // The entry starts as m_nWidth and m_nHeight written "%u x %u".
    BOOL OnInitDialog() override;
    // Parses the list's text into m_nWidth and m_nHeight; an error shows its message and keeps the
    // dialog open; otherwise the exchange (with its 18-character limit) and the end.
    void OnOK() override;
};
