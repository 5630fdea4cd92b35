// CWaveBhvrDialog ("Set Wave Parameters"): the height of the wave's crest in pixels and how far its
// phase moves each step. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CWaveBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 143;
    static constexpr int IDC_MAX_CREST = 1006;
    static constexpr int IDC_PHASE_INCREMENT = 1007;

    CWaveBhvrDialog();

    double m_dMaxCrest = 0.0;         // "Maximum Crest (pixels)"
    double m_dPhaseIncrement = 0.0;   // "Phase Increment"
};
