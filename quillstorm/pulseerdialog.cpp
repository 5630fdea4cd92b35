#include "quillstorm/pulseerdialog.h"

CPulseERDialog::CPulseERDialog() : CParamDialog(IDD, "Set Pulse Parameters") {
    AddEdit(IDC_PERIOD, "Period");
    AddEdit(IDC_SCALE, "Scale");
    AddEdit(IDC_DISTORTION, "Distortion Factor");
    // Exchanged in this order, whatever the layout.
    ExchangeFloat(IDC_DISTORTION, &m_fDistortion, -1000000.0f, 1000000.0f);
    ExchangeFloat(IDC_PERIOD, &m_fPeriod, 1e-07f, 1000000.0f);
    ExchangeFloat(IDC_SCALE, &m_fScale, -1000000.0f, 1000000.0f);
}
