#include "quillstorm/synshiftbhvrdialog.h"

CSynShiftBhvrDialog::CSynShiftBhvrDialog() : CParamDialog(IDD, "Set Synonym Shift Parameter") {
    AddEdit(IDC_SPEED, "Speed of Shift (0.0 - 1.0)");
    ExchangeDouble(IDC_SPEED, &m_dSpeed, 0.0, 1.0);
}
