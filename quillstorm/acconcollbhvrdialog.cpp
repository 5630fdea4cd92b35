#include "quillstorm/acconcollbhvrdialog.h"

CAccOnCollBhvrDialog::CAccOnCollBhvrDialog() : CParamDialog(IDD, "Set Accelerate On Collision Parameter") {
    AddEdit(IDC_MAGNITUDE, "Magnitude");
    ExchangeDouble(IDC_MAGNITUDE, &m_dMagnitude, 0.0, 1000000.0);
}
