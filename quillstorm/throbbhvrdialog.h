// CThrobBhvrDialog ("Set Throb Parameters"): the largest and smallest size, as fractions of the
// element's own size, and the step between them. Both sizes must be above 0: an element throbbing
// down to size 0 would vanish for good. The caller sets the members, runs DoModal and reads them after
// IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CThrobBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 142;
    static constexpr int IDC_MIN_SIZE = 1005;
    static constexpr int IDC_MAX_SIZE = 1006;
    static constexpr int IDC_STEP = 1007;
    // The smallest size the dialog accepts.
    static constexpr double kMinSize = 1e-07;

    CThrobBhvrDialog();

    double m_dMaxSize = 0.0;  // "Maximum Size"
    double m_dMinSize = 0.0;  // "Minimum Size"
    double m_dStep = 0.0;     // "Fractional Step"
};
