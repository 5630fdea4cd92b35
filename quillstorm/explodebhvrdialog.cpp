#include "quillstorm/explodebhvrdialog.h"

CExplodeBhvrDialog::CExplodeBhvrDialog() : CParamDialog(IDD, "Set Explode Parameters") {
    BeginGroup("Initial Acceleration");
    AddEdit(IDC_MIN_FORCE, "Minimum Force");
    AddEdit(IDC_MAX_FORCE, "Maximum Force");
    EndGroup();
    AddEdit(IDC_DELAY, "Time Delay", IDC_DELAY_LABEL);
    ExchangeDouble(IDC_DELAY, &m_dDelay, 0.0, 1000000.0);
    ExchangeDouble(IDC_MAX_FORCE, &m_dMaxForce, 0.0, 1000000.0);
    ExchangeDouble(IDC_MIN_FORCE, &m_dMinForce, 0.0, 1000000.0);
}

BOOL CExplodeBhvrDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    if (!m_bDelay) {
        EnableDlgItem(IDC_DELAY_LABEL, FALSE);
        EnableDlgItem(IDC_DELAY, FALSE);
    }
    return TRUE;
}
