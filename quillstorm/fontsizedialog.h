// CFontSizeDialog: asks for the point size of the typing font and of the selection ("Set Font Size").
// The caller sets m_nSize, runs DoModal and reads m_nSize after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CFontSizeDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 163;
    static constexpr int IDC_POINT_SIZE = 1051;
    static constexpr UINT kMinSize = 1;
    static constexpr UINT kMaxSize = 10000;

    CFontSizeDialog();

    UINT m_nSize = 0;
};
