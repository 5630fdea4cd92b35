#include "quillstorm/drifterdialog.h"

CDriftERDialog::CDriftERDialog() : CParamDialog(IDD, "Set Drift Parameters") {
    AddEdit(IDC_MOUSE_STRENGTH, "Mouse Strength");
    AddEdit(IDC_MOUSE_FALLOFF, "Mouse Falloff");
    AddEdit(IDC_ORIGIN_STRENGTH, "Origin Strength");
    AddEdit(IDC_FRICTION, "Friction (0-1)");
    // Exchanged in this order, whatever the layout.
    ExchangeFloat(IDC_FRICTION, &m_fFriction, 0.0f, 1.0f);
    ExchangeFloat(IDC_MOUSE_FALLOFF, &m_fMouseFalloff, -1000000.0f, 1000000.0f);
    ExchangeFloat(IDC_MOUSE_STRENGTH, &m_fMouseStrength, -1000000.0f, 1000000.0f);
    ExchangeFloat(IDC_ORIGIN_STRENGTH, &m_fOriginStrength, -1000000.0f, 1000000.0f);
}
