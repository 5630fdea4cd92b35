#include "quillstorm/canvassizedialog.h"

#include <climits>
#include <cstdio>

#include "platform/crt/crt.h"

CCanvasSizeDialog::CCanvasSizeDialog() : CParamDialog(IDD, "Set Canvas Size") {
    // An editable drop-down list: the items are suggestions, the text is what is exchanged.
    AddDropDown(IDC_SIZE, "Width x Height", {"160 x 120", "320 x 240", "640 x 480", "800 x 600"}, true);
    ExchangeText(IDC_SIZE, &m_strSize, kMaxSizeChars);
}

BOOL CCanvasSizeDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    char text[32];
    std::snprintf(text, sizeof(text), "%u x %u", m_nWidth, m_nHeight);
    SetDlgItemText(IDC_SIZE, text);
    return TRUE;
}

int CCanvasSizeDialog::AtoI(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && crt::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool bNegative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) bNegative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && crt::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

const char* CCanvasSizeDialog::ParseSize(const std::string& strEntry, UINT& nWidth, UINT& nHeight) {
    const size_t x = strEntry.find_first_of("xX");
    if (x == std::string::npos) return "Unable to find 'x' in entry.";
    const std::string strWidth = strEntry.substr(0, x);
    const std::string strHeight = strEntry.substr(x + 1);
    if (strWidth.empty()) return "Unable to find width in entry.";
    const int w = AtoI(strWidth);
    if (w < 1) return "Width must be greater than 0.";
    nWidth = static_cast<UINT>(w);
    if (strHeight.empty()) return "Unable to find height in entry.";
    const int h = AtoI(strHeight);
    if (h < 1) return "Height must be greater than 0.";
    nHeight = static_cast<UINT>(h);
    return nullptr;
}

void CCanvasSizeDialog::OnOK() {
    if (const char* pszError = ParseSize(GetDlgItemText(IDC_SIZE).str(), m_nWidth, m_nHeight)) {
        AfxMessageBox((std::string(pszError) + "\n\n Expect format: 'width x height'").c_str(), MB_OK);
        return;
    }
    CParamDialog::OnOK();
}
