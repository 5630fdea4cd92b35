// CCanvasSizeDialog: asks for the canvas size as "width x height" in an editable drop-down list
// ("Set Canvas Size"). The caller sets m_nWidth and m_nHeight, runs DoModal and reads them after IDOK.
//
// The entry is parsed on OK (ParseSize): the text before the first 'x' or 'X' is the width, the text
// after it the height, each read as C atoi reads it; an entry that does not parse shows its message
// followed by "\n\n Expect format: 'width x height'" and keeps the dialog open.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/uiservices.h"

class CCanvasSizeDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 166;
    static constexpr int IDC_SIZE = 1060;
    static constexpr int kMaxSizeChars = 18;

    CCanvasSizeDialog();
    CCanvasSizeDialog(const CCanvasSizeDialog&) = delete;
    CCanvasSizeDialog& operator=(const CCanvasSizeDialog&) = delete;

    // OnInitDialog, then the dialog through the installed UI services: IDOK or IDCANCEL.
    int DoModal();
    // The entry starts as m_nWidth and m_nHeight written "%u x %u".
    void OnInitDialog();
    // Parses m_strSize into m_nWidth and m_nHeight; on an error shows it and returns FALSE.
    BOOL OnOK() override;

    std::string GetTitle() const override { return "Set Canvas Size"; }
    const std::vector<ui::DialogField>& GetFields() const override { return m_fields; }

    // The parser of OnOK: NULL when the entry gives both sides, otherwise the error text. The checks
    // stop at the first error; a width that passed is stored in nWidth even when the height fails.
    static const char* ParseSize(const std::string& strEntry, UINT& nWidth, UINT& nHeight);
    // C atoi: leading blanks, an optional sign, the digits up to the first other character; 0 when
    // there are none. Values beyond the int range saturate (atoi leaves them undefined).
    static int AtoI(const std::string& s);

    std::string m_strSize;  // the list's text
    UINT m_nWidth = 0;
    UINT m_nHeight = 0;

private:
    std::vector<ui::DialogField> m_fields;  // point into this object
};
