#include "quillstorm/wordnozzledialog.h"

namespace {

ui::DialogField Ranged(ui::DialogField::Kind kind, int nId, const char* pszLabel, void* pValue, double dMax) {
    ui::DialogField f = ui::Field(kind, nId, pszLabel, pValue);
    f.bRange = true;
    f.dMin = 0.0;
    f.dMax = dMax;
    return f;
}

}  // namespace

CWordnozzleDialog::CWordnozzleDialog() {
    using Kind = ui::DialogField::Kind;
    m_fields.push_back(ui::Field(Kind::Button, IDC_BROWSE, "Source File:", nullptr));
    m_fields.push_back(ui::Field(Kind::Text, IDC_FILE, "", &m_strFile));
    m_fields.push_back(Ranged(Kind::Float, IDC_SPEED, "Spray Speed (0 - 1)", &m_fSpeed, 1.0));
    m_fields.push_back(ui::Field(Kind::Label, 0, "Lifespan", nullptr));
    m_fields.push_back(Ranged(Kind::Double, IDC_VARIATION, "Random variation", &m_dVariation, 100000.0));
    m_fields.push_back(Ranged(Kind::Double, IDC_BASE, "Base duration", &m_dBase, 100000.0));
    ui::DialogField chunk = ui::Field(Kind::Choice, IDC_CHUNK, "Chunk:", &m_nChunk);
    chunk.choices = {"glyph", "word", "passage"};
    m_fields.push_back(chunk);
}

int CWordnozzleDialog::DoModal() { return ui::GetUIServices()->DoModal(*this); }

void CWordnozzleDialog::OnButton(int nId) {
    if (nId == IDC_BROWSE) OnBrowse();
}

void CWordnozzleDialog::OnBrowse() {
    ui::FileDialogRequest request;
    request.bOpen = true;
    request.dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.strFilter = "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    std::string path;
    if (ui::GetUIServices()->FileDialog(request, &path)) m_strFile = path;
}
