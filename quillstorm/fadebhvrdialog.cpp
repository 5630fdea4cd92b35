#include "quillstorm/fadebhvrdialog.h"

CFadeBhvrDialog::CFadeBhvrDialog() : CParamDialog(IDD, "Set Fade to Color Parameters") {
    AddColorButton(IDC_COLOR, "End Color", &m_crColor);
    AddEdit(IDC_VELOCITY, "Velocity");
    ExchangeDouble(IDC_VELOCITY, &m_dVelocity, 0.0, 1000000.0);
}
