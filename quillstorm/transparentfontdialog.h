// CTransparentFontDialog ("Set Transparency Parameters"): the transparent renderer's rates while the
// mouse is over the element and outside it, and its transparency. The caller sets the members, runs
// DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CTransparentFontDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 171;
    static constexpr int IDC_MOUSE_OVER = 1014;
    static constexpr int IDC_MOUSE_OUTSIDE = 1015;
    static constexpr int IDC_TRANSPARENCY = 1016;

    CTransparentFontDialog();

    float m_fMouseOver = 0.0f;  // "MouseOver"
    float m_fMouseOutside = 0.0f;  // "MouseOutside"
    float m_fTransparency = 0.0f;  // "Transparency"
};
