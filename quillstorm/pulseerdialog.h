// CPulseERDialog ("Set Pulse Parameters"): the pulse renderer's distortion, period (frames a pulse,
// never 0) and scale. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CPulseERDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 145;
    static constexpr int IDC_SCALE = 1008;
    static constexpr int IDC_PERIOD = 1009;
    static constexpr int IDC_DISTORTION = 1010;

    CPulseERDialog();

    float m_fDistortion = 0.0f;  // "Distortion Factor"
    float m_fPeriod = 0.0f;  // "Period"
    float m_fScale = 0.0f;  // "Scale"
};
