#include "quillstorm/throbbhvrdialog.h"

CThrobBhvrDialog::CThrobBhvrDialog() : CParamDialog(IDD, "Set Throb Parameters") {
    BeginGroup("Fractional Size ( > 0)");
    AddEdit(IDC_MAX_SIZE, "Maximum Size");
    AddEdit(IDC_MIN_SIZE, "Minimum Size");
    EndGroup();
    AddEdit(IDC_STEP, "Fractional Step");
    ExchangeDouble(IDC_MAX_SIZE, &m_dMaxSize, kMinSize, 1000.0);
    ExchangeDouble(IDC_MIN_SIZE, &m_dMinSize, kMinSize, 1000.0);
    ExchangeDouble(IDC_STEP, &m_dStep, 0.0, 1000.0);
}
