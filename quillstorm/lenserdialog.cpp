#include "quillstorm/lenserdialog.h"

CLensERDialog::CLensERDialog() : CParamDialog(IDD, "Set Lehs Parameters") {
    AddEdit(IDC_MAGNIFICATION, "Magnification");
    AddEdit(IDC_FALLOFF, "Falloff");
    // Exchanged in this order, whatever the layout.
    ExchangeFloat(IDC_MAGNIFICATION, &m_fMagnification, -1000000.0f, 1000000.0f);
    ExchangeFloat(IDC_FALLOFF, &m_fFalloff, -1000000.0f, 1000000.0f);
}
