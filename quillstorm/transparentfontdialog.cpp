#include "quillstorm/transparentfontdialog.h"

CTransparentFontDialog::CTransparentFontDialog() : CParamDialog(IDD, "Set Transparency Parameters") {
    AddEdit(IDC_MOUSE_OVER, "MouseOver");
    AddEdit(IDC_MOUSE_OUTSIDE, "MouseOutside");
    AddEdit(IDC_TRANSPARENCY, "Transparency");
    // Exchanged in this order, whatever the layout.
    ExchangeFloat(IDC_MOUSE_OVER, &m_fMouseOver, -1.0f, 1.0f);
    ExchangeFloat(IDC_MOUSE_OUTSIDE, &m_fMouseOutside, -1.0f, 1.0f);
    ExchangeFloat(IDC_TRANSPARENCY, &m_fTransparency, 0.0f, 1.0f);
}
