#include "quillstorm/gravitydialog.h"

CGravityDialog::CGravityDialog() : CParamDialog(IDD, "Set Gravity Parameters") {
    AddEdit(IDC_MAGNITUDE, "Magnitude");
    BeginGroup("Ground type");
    AddRadioButton(IDC_NONE, "None");
    AddRadioButton(IDC_LOOP, "Loop");
    AddRadioButton(IDC_WINDOW, "Window");
    AddRadioButton(IDC_PLANE, "Plane");
    EndGroup();
    AddEdit(IDC_PLANE_Y, "y-coord", IDC_PLANE_Y_LABEL);
    AddEdit(IDC_ELASTICITY, "Elasticity", IDC_ELASTICITY_LABEL);
    AddEdit(IDC_FEEDBACK, "Feedback", IDC_FEEDBACK_LABEL);
    ExchangeDouble(IDC_ELASTICITY, &m_dElasticity, 0.0, 1.0);
    ExchangeDouble(IDC_FEEDBACK, &m_dFeedback, 0.0, 1.0);
    ExchangeDouble(IDC_MAGNITUDE, &m_dMagnitude, 0.0, 1000000.0);
    ExchangeInt(IDC_PLANE_Y, &m_nPlaneY, 0, 100000);
    MapClicked(IDC_NONE, [this] { OnNone(); });
    MapClicked(IDC_LOOP, [this] { OnLoop(); });
    MapClicked(IDC_WINDOW, [this] { OnWindow(); });
    MapClicked(IDC_PLANE, [this] { OnPlane(); });
}

BOOL CGravityDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    switch (m_nGroundType) {
        case 0:
            CheckDlgButton(IDC_PLANE, 1);
            OnPlane();
            break;
        case 2:
            CheckDlgButton(IDC_WINDOW, 1);
            OnWindow();
            break;
        case 4:
            CheckDlgButton(IDC_NONE, 1);
            OnNone();
            break;
        default:
            CheckDlgButton(IDC_LOOP, 1);
            m_nGroundType = 3;
            OnLoop();
            break;
    }
    return TRUE;
}

void CGravityDialog::EnableFields(BOOL bPlaneY, BOOL bLanding) {
    EnableDlgItem(IDC_PLANE_Y_LABEL, bPlaneY);
    EnableDlgItem(IDC_PLANE_Y, bPlaneY);
    for (int nId : {IDC_ELASTICITY_LABEL, IDC_ELASTICITY, IDC_FEEDBACK_LABEL, IDC_FEEDBACK}) EnableDlgItem(nId, bLanding);
}

void CGravityDialog::OnPlane() {
    EnableFields(TRUE, TRUE);
    m_nGroundType = 0;
}

void CGravityDialog::OnWindow() {
    EnableFields(FALSE, TRUE);
    m_nGroundType = 2;
}

void CGravityDialog::OnLoop() {
    EnableFields(FALSE, FALSE);
    m_nGroundType = 3;
}

void CGravityDialog::OnNone() {
    EnableFields(FALSE, FALSE);
    m_nGroundType = 4;
}
