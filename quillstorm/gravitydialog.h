// CGravityDialog ("Set Gravity Parameters"): the strength of gravity and what its elements land on:
// "None" (ground type 4, they fall for ever), "Loop" (3, they come back at the top), "Window" (2, the
// window's bottom edge) or "Plane" (0, the line y = "y-coord"). The landing fields (elasticity and
// feedback, and the plane's y) are enabled only where the ground uses them. The caller sets the
// members, runs DoModal and reads them after IDOK; a ground type the dialog does not offer opens as
// "Loop" and comes back as 3.
#pragma once

#include "platform/ui/paramdialog.h"

class CGravityDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 155;
    static constexpr int IDC_MAGNITUDE = 1025;
    static constexpr int IDC_LOOP = 1026;
    static constexpr int IDC_ELASTICITY = 1027;
    static constexpr int IDC_FEEDBACK = 1028;
    static constexpr int IDC_WINDOW = 1029;
    static constexpr int IDC_PLANE = 1030;
    static constexpr int IDC_PLANE_Y = 1031;
    static constexpr int IDC_PLANE_Y_LABEL = 1032;
    static constexpr int IDC_ELASTICITY_LABEL = 1033;
    static constexpr int IDC_FEEDBACK_LABEL = 1034;
    static constexpr int IDC_NONE = 1035;

    CGravityDialog();

    double m_dElasticity = 0.0;  // "Elasticity"
    double m_dFeedback = 0.0;    // "Feedback"
    double m_dMagnitude = 0.0;   // "Magnitude"
    int m_nPlaneY = 0;           // "y-coord"
    int m_nGroundType = 3;       // not exchanged: the radio group

protected:
    BOOL OnInitDialog() override;

private:
    void OnNone();
    void OnLoop();
    void OnWindow();
    void OnPlane();
    // The landing fields with their labels.
    void EnableFields(BOOL bPlaneY, BOOL bLanding);
};
