#include "quillstorm/focalfadebhvrdialog.h"

CFocalFadeBhvrDialog::CFocalFadeBhvrDialog() : CParamDialog(IDD, "Set Focal Fade Parameters") {
    AddColorButton(IDC_FOCUS_COLOR, "Focus Color", &m_crFocus);
    AddColorButton(IDC_UNFOCUS_COLOR, "Unfocus Color", &m_crUnfocus);
    AddEdit(IDC_RADIUS, "Radius");
    ExchangeDouble(IDC_RADIUS, &m_dRadius, 0.0, 1000000.0);
}
