// CPullERDialog ("Set Pull/Clay Parameters"): the pull and clay renderers' mouse strength and falloff
// and origin strength. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CPullERDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 146;
    static constexpr int IDC_MOUSE_STRENGTH = 1012;
    static constexpr int IDC_MOUSE_FALLOFF = 1013;
    static constexpr int IDC_ORIGIN_STRENGTH = 1014;

    CPullERDialog();

    float m_fMouseFalloff = 0.0f;  // "Mouse Falloff"
    float m_fMouseStrength = 0.0f;  // "Mouse Strength"
    float m_fOriginStrength = 0.0f;  // "Origin Strength"
};
