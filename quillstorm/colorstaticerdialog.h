// CColorStaticERDialog ("Set Color Static/Trail Parameters"): the colour static and trail renderers'
// distance falloff and sine wave. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CColorStaticERDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 154;
    static constexpr int IDC_RADIUS = 1024;
    static constexpr int IDC_SPEED = 1025;
    static constexpr int IDC_SPACING = 1026;

    CColorStaticERDialog();

    float m_fRadius = 0.0f;  // "Radius"
    float m_fSpacing = 0.0f;  // "Spacing"
    float m_fSpeed = 0.0f;  // "Speed"
};
