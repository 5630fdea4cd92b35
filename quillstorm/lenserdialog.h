// CLensERDialog ("Set Lehs Parameters"): the lens renderer's magnification and falloff (the title is
// the program's own). The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CLensERDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 147;
    static constexpr int IDC_FALLOFF = 1009;
    static constexpr int IDC_MAGNIFICATION = 1013;

    CLensERDialog();

    float m_fMagnification = 0.0f;  // "Magnification"
    float m_fFalloff = 0.0f;  // "Falloff"
};
