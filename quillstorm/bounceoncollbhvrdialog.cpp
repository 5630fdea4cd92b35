#include "quillstorm/bounceoncollbhvrdialog.h"

CBounceOnCollBhvrDialog::CBounceOnCollBhvrDialog() : CParamDialog(IDD, "Set Bounce On Collision Parameter") {
    AddEdit(IDC_ELASTICITY, "Elasticity (0.0 - 1.0)");
    ExchangeDouble(IDC_ELASTICITY, &m_dElasticity, 0.0, 1.0);
}
