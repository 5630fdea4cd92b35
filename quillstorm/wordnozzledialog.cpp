#include "quillstorm/wordnozzledialog.h"

CWordnozzleDialog::CWordnozzleDialog() : CParamDialog(IDD, "Set Wordnozzle Parameters") {
    AddPushButton(IDC_BROWSE, "Source File:");
    AddEdit(IDC_FILE, "");
    AddEdit(IDC_SPEED, "Spray Speed (0 - 1)");
    BeginGroup("Lifespan");
    AddEdit(IDC_BASE, "Base duration");
    AddEdit(IDC_VARIATION, "Random variation");
    EndGroup();
    AddDropList(IDC_CHUNK, "Chunk:", {"glyph", "word", "passage"});
    // Exchanged in this order, whatever the layout.
    ExchangeText(IDC_FILE, &m_strFile);
    ExchangeFloat(IDC_SPEED, &m_fSpeed, 0.0f, 1.0f);
    ExchangeDouble(IDC_VARIATION, &m_dVariation, 0.0, 100000.0);
    ExchangeDouble(IDC_BASE, &m_dBase, 0.0, 100000.0);
    ExchangeIndex(IDC_CHUNK, &m_nChunk);
    MapClicked(IDC_BROWSE, [this] { OnBrowse(); });
}

void CWordnozzleDialog::OnBrowse() {
    ui::FileDialogRequest request;
    request.bOpen = true;
    request.dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.strFilter = "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    std::string strPath;
    if (!ui::GetUIServices()->FileDialog(request, &strPath)) return;
    m_strFile = CString(std::string_view(strPath));
    SetDlgItemText(IDC_FILE, m_strFile);
}
