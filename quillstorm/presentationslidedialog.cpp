#include "quillstorm/presentationslidedialog.h"

#include <string>

CPresentationSlideDialog::CPresentationSlideDialog() : CParamDialog(IDD, "Set current slide parameters") {
    AddButtonEdit(IDC_FORWARD_FILE, "Forward File", IDC_FORWARD);
    AddEdit(IDC_FADE_VELOCITY, "Fade Velocity");
    AddEdit(IDC_CRUISE_MAX_ACC, "Cruise Max Acc");
    AddEdit(IDC_CRUISE_DRAG, "Cruise Drag", IDC_CRUISE_DRAG_LABEL);
    AddButtonEdit(IDC_BACKWARD_FILE, "Backward File", IDC_BACKWARD);
    ExchangeText(IDC_FORWARD, &m_strForward);
    ExchangeDouble(IDC_FADE_VELOCITY, &m_dFadeVelocity, 0.0, 1000000.0);
    ExchangeDouble(IDC_CRUISE_MAX_ACC, &m_dCruiseMaxAcc, 0.0, 1000000.0);
    ExchangeDouble(IDC_CRUISE_DRAG, &m_dCruiseDrag, 0.0, 100000.0);
    ExchangeText(IDC_BACKWARD, &m_strBackward);
    MapClicked(IDC_FORWARD_FILE, [this] { OnForwardFile(); });
    MapClicked(IDC_BACKWARD_FILE, [this] { OnBackwardFile(); });
}

void CPresentationSlideDialog::BrowseDocument(CString* pName, int nEditId) {
    ui::FileDialogRequest request;
    request.bOpen = true;
    request.dwFlags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    request.strFilter = "Quillstorm Files (*.qsd)|*.qsd||";
    std::string strPath;
    if (!ui::GetUIServices()->FileDialog(request, &strPath)) return;
    *pName = CString(std::string_view(ui::PathFileName(strPath)));
    SetDlgItemText(nEditId, *pName);
}

void CPresentationSlideDialog::OnForwardFile() { BrowseDocument(&m_strForward, IDC_FORWARD); }
void CPresentationSlideDialog::OnBackwardFile() { BrowseDocument(&m_strBackward, IDC_BACKWARD); }
