#include "quillstorm/fontsizedialog.h"

CFontSizeDialog::CFontSizeDialog() : CParamDialog(IDD, "Set Font Size") {
    AddEdit(IDC_POINT_SIZE, "Point Size");
    ExchangeUInt(IDC_POINT_SIZE, &m_nSize, kMinSize, kMaxSize);
}
