// CViscousDragBhvrDialog ("Set Drag Parameter"): how strongly the medium slows its elements. The caller
// sets the member, runs DoModal and reads it after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CViscousDragBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 152;
    static constexpr int IDC_DRAG = 1023;

    CViscousDragBhvrDialog();

    double m_dDrag = 0.0;  // "Degree of Drag"
};
