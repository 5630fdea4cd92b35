#include "quillstorm/pullerdialog.h"

CPullERDialog::CPullERDialog() : CParamDialog(IDD, "Set Pull/Clay Parameters") {
    AddEdit(IDC_MOUSE_STRENGTH, "Mouse Strength");
    AddEdit(IDC_MOUSE_FALLOFF, "Mouse Falloff");
    AddEdit(IDC_ORIGIN_STRENGTH, "Origin Strength");
    // Exchanged in this order, whatever the layout.
    ExchangeFloat(IDC_MOUSE_FALLOFF, &m_fMouseFalloff, -1000000.0f, 1000000.0f);
    ExchangeFloat(IDC_MOUSE_STRENGTH, &m_fMouseStrength, -1000000.0f, 1000000.0f);
    ExchangeFloat(IDC_ORIGIN_STRENGTH, &m_fOriginStrength, -1000000.0f, 1000000.0f);
}
