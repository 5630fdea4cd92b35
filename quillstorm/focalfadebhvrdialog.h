// CFocalFadeBhvrDialog ("Set Focal Fade Parameters"): the colour near the mouse ("Focus Color"), the
// colour far from it ("Unfocus Color"), each on an owner-drawn button that opens the colour dialog,
// and the radius over which one blends into the other. The caller sets the members, runs DoModal and
// reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CFocalFadeBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 161;
    static constexpr int IDC_UNFOCUS_COLOR = 1042;
    static constexpr int IDC_RADIUS = 1045;
    static constexpr int IDC_FOCUS_COLOR = 1046;

    CFocalFadeBhvrDialog();

    double m_dRadius = 0.0;             // "Radius"
    COLORREF m_crFocus = 0x00000000;    // not exchanged: "Focus Color"
    COLORREF m_crUnfocus = 0x00FFFFFF;  // not exchanged: "Unfocus Color"
};
