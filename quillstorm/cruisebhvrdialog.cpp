#include "quillstorm/cruisebhvrdialog.h"

CCruiseBhvrDialog::CCruiseBhvrDialog() : CParamDialog(IDD, "Set Cruise Parameters") {
    AddEdit(IDC_MAX_ACCELERATION, "Max Acceleration");
    AddEdit(IDC_DRAG, "Degree of Drag", IDC_DRAG_LABEL);
    ExchangeDouble(IDC_MAX_ACCELERATION, &m_dMaxAcceleration, 0.0, 100000.0);
    ExchangeDouble(IDC_DRAG, &m_dDrag, 0.0, 100000.0);
}

BOOL CCruiseBhvrDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    if (!m_bDrag) {
        EnableDlgItem(IDC_DRAG_LABEL, FALSE);
        EnableDlgItem(IDC_DRAG, FALSE);
    }
    return TRUE;
}
