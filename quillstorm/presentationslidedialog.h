// CPresentationSlideDialog ("Set current slide parameters"): the slide show's next and previous
// documents (typed, or chosen with "Forward File" and "Backward File", which keep the file's name
// without its folder), the velocity of the fade to the background and the cruise's largest
// acceleration and drag. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CPresentationSlideDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 170;
    static constexpr int IDC_CRUISE_MAX_ACC = 1020;
    static constexpr int IDC_CRUISE_DRAG = 1021;
    static constexpr int IDC_CRUISE_DRAG_LABEL = 1022;
    static constexpr int IDC_FADE_VELOCITY = 1040;
    static constexpr int IDC_FORWARD = 1041;
    static constexpr int IDC_BACKWARD = 1042;
    static constexpr int IDC_FORWARD_FILE = 1070;
    static constexpr int IDC_BACKWARD_FILE = 1071;

    CPresentationSlideDialog();

    CString m_strForward;          // the edit beside "Forward File"
    double m_dFadeVelocity = 0.0;  // "Fade Velocity"
    double m_dCruiseMaxAcc = 0.0;  // "Cruise Max Acc"
    double m_dCruiseDrag = 0.0;    // "Cruise Drag"
    CString m_strBackward;         // the edit beside "Backward File"

private:
    void OnForwardFile();
    void OnBackwardFile();
    // The open dialog for a document that exists; its name without the folder into *pName and edit nEditId.
    void BrowseDocument(CString* pName, int nEditId);
};
