// CFontSizeDialog: asks for the point size of the typing font and of the selection ("Set Font Size").
// The caller sets m_nSize, runs DoModal and reads m_nSize after IDOK.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/uiservices.h"

class CFontSizeDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 163;
    static constexpr int IDC_POINT_SIZE = 1051;
    static constexpr UINT kMinSize = 1;
    static constexpr UINT kMaxSize = 10000;

    CFontSizeDialog();
    CFontSizeDialog(const CFontSizeDialog&) = delete;
    CFontSizeDialog& operator=(const CFontSizeDialog&) = delete;

    // IDOK or IDCANCEL, through the installed UI services.
    int DoModal();

    std::string GetTitle() const override { return "Set Font Size"; }
    const std::vector<ui::DialogField>& GetFields() const override { return m_fields; }

    UINT m_nSize = 0;

private:
    std::vector<ui::DialogField> m_fields;  // point into this object
};
