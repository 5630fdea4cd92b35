// CViralBhvrDialog ("Set Viral Parameter"): how long an infected element waits before it infects the
// elements it touches. The caller sets the member, runs DoModal and reads it after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CViralBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 158;
    static constexpr int IDC_DORMANCY = 1042;

    CViralBhvrDialog();

    double m_dDormancy = 0.0;  // "Dormancy Period"
};
