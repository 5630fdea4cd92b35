#include "quillstorm/disintegrateerdialog.h"

CDisintegrateERDialog::CDisintegrateERDialog() : CParamDialog(IDD, "Set Disintegration/Erosion Parameters") {
    AddEdit(IDC_MOUSE_OVER, "MouseOver");
    AddEdit(IDC_MOUSE_OUTSIDE, "MouseOutside");
    // Exchanged in this order, whatever the layout.
    ExchangeFloat(IDC_MOUSE_OVER, &m_fMouseOver, -1.0f, 1.0f);
    ExchangeFloat(IDC_MOUSE_OUTSIDE, &m_fMouseOutside, -1.0f, 1.0f);
}
