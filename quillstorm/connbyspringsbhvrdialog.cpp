#include "quillstorm/connbyspringsbhvrdialog.h"

CConnBySpringsBhvrDialog::CConnBySpringsBhvrDialog() : CParamDialog(IDD, "Set Connected By Springs Parameters...") {
    AddEdit(IDC_SPRING_CONSTANT, "Spring Constant");
    AddEdit(IDC_DAMPING, "Damping");
    AddEdit(IDC_FRICTION, "Friction", IDC_FRICTION_LABEL);
    ExchangeDouble(IDC_DAMPING, &m_dDamping, -1000000.0, 1000000.0);
    ExchangeDouble(IDC_FRICTION, &m_dFriction, -1000000.0, 1000000.0);
    ExchangeDouble(IDC_SPRING_CONSTANT, &m_dSpringConstant, -1000000.0, 1000000.0);
}
