#include "quillstorm/cryptobhvrdialog.h"

CCryptoBhvrDialog::CCryptoBhvrDialog() : CParamDialog(IDD, "Set Cryptographic Parameters") {
    AddEdit(IDC_SPEED, "Speed (0 - 1)");
    BeginGroup("Number of Shifts");
    AddRadioButton(IDC_CONTINUOUS, "Continuous");
    AddRadioButton(IDC_LIMITED, "Limited");
    AddEdit(IDC_MIN_SHIFTS, "Minumum", IDC_MIN_LABEL);
    AddEdit(IDC_MAX_SHIFTS, "Maximum", IDC_MAX_LABEL);
    EndGroup();
    ExchangeInt(IDC_MAX_SHIFTS, &m_nMaxShifts, 0, 100000);
    ExchangeInt(IDC_MIN_SHIFTS, &m_nMinShifts, 0, 100000);
    ExchangeDouble(IDC_SPEED, &m_dSpeed, 0.0, 1.0);
    MapClicked(IDC_CONTINUOUS, [this] { OnContinuous(); });
    MapClicked(IDC_LIMITED, [this] { OnLimited(); });
}

BOOL CCryptoBhvrDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    if (m_bContinuous) {
        CheckDlgButton(IDC_CONTINUOUS, 1);
        OnContinuous();
    } else {
        CheckDlgButton(IDC_LIMITED, 1);
        OnLimited();
    }
    return TRUE;
}

void CCryptoBhvrDialog::EnableCounts(BOOL bEnable) {
    for (int nId : {IDC_MIN_LABEL, IDC_MAX_LABEL, IDC_MIN_SHIFTS, IDC_MAX_SHIFTS}) EnableDlgItem(nId, bEnable);
}

void CCryptoBhvrDialog::OnContinuous() {
    EnableCounts(FALSE);
    m_bContinuous = 1;
}

void CCryptoBhvrDialog::OnLimited() {
    EnableCounts(TRUE);
    m_bContinuous = 0;
}
