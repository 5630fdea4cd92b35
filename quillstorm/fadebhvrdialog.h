// CFadeBhvrDialog ("Set Fade to Color Parameters"): the colour the elements fade to, shown on the
// owner-drawn "End Color" button (a click opens the colour dialog), and the fade's velocity. The
// caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CFadeBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 157;
    static constexpr int IDC_VELOCITY = 1040;
    static constexpr int IDC_COLOR = 1041;

    CFadeBhvrDialog();

    double m_dVelocity = 0.0;         // "Velocity"
    COLORREF m_crColor = 0x00FFFFFF;  // not exchanged: "End Color"
};
