#include "quillstorm/colorstaticerdialog.h"

CColorStaticERDialog::CColorStaticERDialog() : CParamDialog(IDD, "Set Color Static/Trail Parameters") {
    AddEdit(IDC_RADIUS, "Radius");
    BeginGroup("Sine Wave Oscillation");
    AddEdit(IDC_SPEED, "Speed");
    AddEdit(IDC_SPACING, "Spacing");
    EndGroup();
    // Exchanged in this order, whatever the layout.
    ExchangeFloat(IDC_RADIUS, &m_fRadius, 0.0f, 1000000.0f);
    ExchangeFloat(IDC_SPACING, &m_fSpacing, 0.0f, 1000000.0f);
    ExchangeFloat(IDC_SPEED, &m_fSpeed, 0.0f, 1000000.0f);
}
