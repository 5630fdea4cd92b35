// CExplodeBhvrDialog ("Set Explode Parameters"): the range of the outward push each element gets, and
// the delay before the explosion. The caller sets the members, runs DoModal and reads them after IDOK.
//
// m_bDelay 0 shows the delay field and its label disabled (for an explode behaviour that exists,
// which has no delay of its own); the field is still exchanged.
#pragma once

#include "platform/ui/paramdialog.h"

class CExplodeBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 150;
    static constexpr int IDC_MIN_FORCE = 1016;
    static constexpr int IDC_MAX_FORCE = 1017;
    static constexpr int IDC_DELAY = 1018;
    static constexpr int IDC_DELAY_LABEL = 1019;

    CExplodeBhvrDialog();

    double m_dDelay = 0.0;     // "Time Delay"
    double m_dMaxForce = 0.0;  // "Maximum Force"
    double m_dMinForce = 0.0;  // "Minimum Force"
    BYTE m_bDelay = 1;         // not exchanged: whether the delay field is enabled

protected:
    BOOL OnInitDialog() override;
};
