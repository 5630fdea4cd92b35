// CSynShiftBhvrDialog ("Set Synonym Shift Parameter"): how fast words shift to their synonyms. The
// caller sets the member, runs DoModal and reads it after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CSynShiftBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 156;
    static constexpr int IDC_SPEED = 1035;

    CSynShiftBhvrDialog();

    double m_dSpeed = 0.0;  // "Speed of Shift (0.0 - 1.0)"
};
