#include "quillstorm/stayinwindowdialog.h"

CStayInWindowDialog::CStayInWindowDialog() : CParamDialog(IDD, "Set Stay In Window Parameters") {
    BeginGroup("Response Type");
    AddRadioButton(IDC_STOP, "Stop");
    AddRadioButton(IDC_BOUNCE, "Bounce");
    AddRadioButton(IDC_ACCELERATE, "Accelerate");
    EndGroup();
    AddEdit(IDC_ELASTICITY, "Elasticity (0.0 - 1.0)", IDC_ELASTICITY_LABEL);
    AddEdit(IDC_MAGNITUDE, "Magnitude", IDC_MAGNITUDE_LABEL);
    ExchangeDouble(IDC_ELASTICITY, &m_dElasticity, 0.0, 1.0);
    ExchangeDouble(IDC_MAGNITUDE, &m_dMagnitude, 0.0, 1000000.0);
    MapClicked(IDC_STOP, [this] { OnStop(); });
    MapClicked(IDC_BOUNCE, [this] { OnBounce(); });
    MapClicked(IDC_ACCELERATE, [this] { OnAccelerate(); });
}

BOOL CStayInWindowDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    switch (m_nResponse) {
        case 0:
            CheckDlgButton(IDC_STOP, 1);
            OnStop();
            break;
        case 1:
            CheckDlgButton(IDC_BOUNCE, 1);
            OnBounce();
            break;
        case 2:
            CheckDlgButton(IDC_ACCELERATE, 1);
            OnAccelerate();
            break;
        default:
            break;
    }
    return TRUE;
}

void CStayInWindowDialog::EnableFields(BOOL bElasticity, BOOL bMagnitude) {
    EnableDlgItem(IDC_ELASTICITY_LABEL, bElasticity);
    EnableDlgItem(IDC_ELASTICITY, bElasticity);
    EnableDlgItem(IDC_MAGNITUDE_LABEL, bMagnitude);
    EnableDlgItem(IDC_MAGNITUDE, bMagnitude);
}

void CStayInWindowDialog::OnStop() {
    EnableFields(FALSE, FALSE);
    m_nResponse = 0;
}

void CStayInWindowDialog::OnBounce() {
    EnableFields(TRUE, FALSE);
    m_nResponse = 1;
}

void CStayInWindowDialog::OnAccelerate() {
    EnableFields(FALSE, TRUE);
    m_nResponse = 2;
}
