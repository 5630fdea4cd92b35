// CDriftERDialog ("Set Drift Parameters"): the drift renderer's mouse strength and falloff, origin
// strength and friction. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CDriftERDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 153;
    static constexpr int IDC_MOUSE_STRENGTH = 1012;
    static constexpr int IDC_MOUSE_FALLOFF = 1013;
    static constexpr int IDC_ORIGIN_STRENGTH = 1014;
    static constexpr int IDC_FRICTION = 1015;

    CDriftERDialog();

    float m_fFriction = 0.0f;  // "Friction (0-1)"
    float m_fMouseFalloff = 0.0f;  // "Mouse Falloff"
    float m_fMouseStrength = 0.0f;  // "Mouse Strength"
    float m_fOriginStrength = 0.0f;  // "Origin Strength"
};
