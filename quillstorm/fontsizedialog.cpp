#include "quillstorm/fontsizedialog.h"

CFontSizeDialog::CFontSizeDialog() {
    ui::DialogField f = ui::Field(ui::DialogField::Kind::UInt, IDC_POINT_SIZE, "Point Size", &m_nSize);
    f.bRange = true;
    f.dMin = kMinSize;
    f.dMax = kMaxSize;
    m_fields.push_back(f);
}

int CFontSizeDialog::DoModal() { return ui::GetUIServices()->DoModal(*this); }
