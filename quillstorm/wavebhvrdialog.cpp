#include "quillstorm/wavebhvrdialog.h"

CWaveBhvrDialog::CWaveBhvrDialog() : CParamDialog(IDD, "Set Wave Parameters") {
    AddEdit(IDC_MAX_CREST, "Maximum Crest (pixels)");
    AddEdit(IDC_PHASE_INCREMENT, "Phase Increment");
    ExchangeDouble(IDC_MAX_CREST, &m_dMaxCrest, 0.0, 50000.0);
    ExchangeDouble(IDC_PHASE_INCREMENT, &m_dPhaseIncrement, 0.0, 50000.0);
}
