#include "quillstorm/viscousdragbhvrdialog.h"

CViscousDragBhvrDialog::CViscousDragBhvrDialog() : CParamDialog(IDD, "Set Drag Parameter") {
    AddEdit(IDC_DRAG, "Degree of Drag");
    ExchangeDouble(IDC_DRAG, &m_dDrag, 0.0, 1000000.0);
}
