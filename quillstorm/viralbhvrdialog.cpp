#include "quillstorm/viralbhvrdialog.h"

CViralBhvrDialog::CViralBhvrDialog() : CParamDialog(IDD, "Set Viral Parameter") {
    AddEdit(IDC_DORMANCY, "Dormancy Period");
    ExchangeDouble(IDC_DORMANCY, &m_dDormancy, 0.0, 1000000.0);
}
