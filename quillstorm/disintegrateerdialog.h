// CDisintegrateERDialog ("Set Disintegration/Erosion Parameters"): the rates at which the splatter,
// erosion and erode-edge renderers take pixels away (or give them back) while the mouse is over the
// element and while it is outside. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CDisintegrateERDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 148;
    static constexpr int IDC_MOUSE_OVER = 1014;
    static constexpr int IDC_MOUSE_OUTSIDE = 1015;

    CDisintegrateERDialog();

    float m_fMouseOver = 0.0f;  // "MouseOver"
    float m_fMouseOutside = 0.0f;  // "MouseOutside"
};
