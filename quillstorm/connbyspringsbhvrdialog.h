// CConnBySpringsBhvrDialog ("Set Connected By Springs Parameters..."): the springs' damping, the
// friction of the elements they pull and the spring constant. The caller sets the members, runs
// DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CConnBySpringsBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 162;
    static constexpr int IDC_SPRING_CONSTANT = 1047;
    static constexpr int IDC_DAMPING = 1048;
    static constexpr int IDC_FRICTION = 1049;
    static constexpr int IDC_FRICTION_LABEL = 1050;

    CConnBySpringsBhvrDialog();

    double m_dDamping = 0.0;         // "Damping"
    double m_dFriction = 0.0;        // "Friction"
    double m_dSpringConstant = 0.0;  // "Spring Constant"
};
