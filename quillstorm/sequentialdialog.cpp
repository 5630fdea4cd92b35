#include "quillstorm/sequentialdialog.h"

CSequentialDialog::CSequentialDialog() : CParamDialog(IDD, "Set Sequential Parameters") {
    AddDropList(IDC_ORDER, "Order:", {"sequential", "random", "reverse"});
    AddDropList(IDC_JUSTIFICATION, "Justification:", {"left", "middle", "right"});
    AddDropList(IDC_CHUNK, "Chunk:", {"glyph", "word", "passage"});
    AddEdit(IDC_HOLD, "Hold:");
    AddSourceText(IDC_TEXT, IDC_LOAD_TEXT);
    ExchangeIndex(IDC_ORDER, &m_nOrder);
    ExchangeIndex(IDC_JUSTIFICATION, &m_nJustification);
    ExchangeIndex(IDC_CHUNK, &m_nChunk);
    ExchangeUInt(IDC_HOLD, &m_nHold, 0, 1000000);
    ExchangeText(IDC_TEXT, &m_strText);
}

void CSequentialDialog::OnOK() {
    if (!CheckAlphanumericText(IDC_TEXT)) return;
    CParamDialog::OnOK();
}
