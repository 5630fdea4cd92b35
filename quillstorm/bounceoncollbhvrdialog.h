// CBounceOnCollBhvrDialog ("Set Bounce On Collision Parameter"): how much speed a bounce off another
// element keeps. The caller sets the member, runs DoModal and reads it after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CBounceOnCollBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 160;
    static constexpr int IDC_ELASTICITY = 1044;

    CBounceOnCollBhvrDialog();

    double m_dElasticity = 0.0;  // "Elasticity (0.0 - 1.0)"
};
