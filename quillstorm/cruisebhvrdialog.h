// CCruiseBhvrDialog ("Set Cruise Parameters"): the cruise's largest acceleration and the drag of the
// medium it cruises in. The caller sets the members, runs DoModal and reads them after IDOK.
//
// m_bDrag 0 shows the drag field and its label disabled (for a cruise behaviour that exists, whose
// drag is another behaviour's); the field is still exchanged.
#pragma once

#include "platform/ui/paramdialog.h"

class CCruiseBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 151;
    static constexpr int IDC_MAX_ACCELERATION = 1020;
    static constexpr int IDC_DRAG = 1021;
    static constexpr int IDC_DRAG_LABEL = 1022;

    CCruiseBhvrDialog();

    double m_dMaxAcceleration = 0.0;  // "Max Acceleration"
    double m_dDrag = 0.0;             // "Degree of Drag"
    BYTE m_bDrag = 1;                 // not exchanged: whether the drag field is enabled

protected:
    BOOL OnInitDialog() override;
};
