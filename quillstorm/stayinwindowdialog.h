// CStayInWindowDialog ("Set Stay In Window Parameters"): what an element does at the window's edge:
// "Stop" (response 0), "Bounce" (1, keeping the fraction "Elasticity" of its speed) or "Accelerate"
// (2, pushed back with "Magnitude"). Each field is enabled only for the response that uses it. The
// caller sets the members, runs DoModal and reads them after IDOK; a response the dialog does not
// offer opens with no button checked and both fields enabled, and comes back unchanged.
#pragma once

#include "platform/ui/paramdialog.h"

class CStayInWindowDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 164;
    static constexpr int IDC_MAGNITUDE = 1043;
    static constexpr int IDC_ELASTICITY = 1044;
    static constexpr int IDC_STOP = 1052;
    static constexpr int IDC_BOUNCE = 1053;
    static constexpr int IDC_ACCELERATE = 1054;
    static constexpr int IDC_ELASTICITY_LABEL = 1055;
    static constexpr int IDC_MAGNITUDE_LABEL = 1056;

    CStayInWindowDialog();

    double m_dElasticity = 0.0;  // "Elasticity (0.0 - 1.0)"
    double m_dMagnitude = 0.0;   // "Magnitude"
    int m_nResponse = 2;         // not exchanged: the radio group

protected:
    BOOL OnInitDialog() override;

private:
    void OnStop();
    void OnBounce();
    void OnAccelerate();
    void EnableFields(BOOL bElasticity, BOOL bMagnitude);
};
