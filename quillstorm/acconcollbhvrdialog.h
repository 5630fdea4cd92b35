// CAccOnCollBhvrDialog ("Set Accelerate On Collision Parameter"): the push an element gets from the
// elements it touches. The caller sets the member, runs DoModal and reads it after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CAccOnCollBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 159;
    static constexpr int IDC_MAGNITUDE = 1043;

    CAccOnCollBhvrDialog();

    double m_dMagnitude = 0.0;  // "Magnitude"
};
