#include "quillstorm/scrollbhvrdialog.h"

CScrollBhvrDialog::CScrollBhvrDialog() : CParamDialog(IDD, "Set Scroll Parameters") {
    AddDropList(IDC_ORIENTATION, "Direction:", {"horizontal", "vertical"});
    AddDropList(IDC_DIRECTION, "Direction:", {"left", "right"});
    AddDropList(IDC_JUSTIFICATION, "Justification:", {"left", "middle", "right"});
    AddDropList(IDC_CHUNK, "Chunk:", {"glyph", "word", "passage"});
    AddEdit(IDC_SPEED, "Speed:");
    AddSourceText(IDC_TEXT, IDC_LOAD_TEXT);
    ExchangeIndex(IDC_CHUNK, &m_nChunk);
    ExchangeIndex(IDC_DIRECTION, &m_nDirection);
    ExchangeIndex(IDC_JUSTIFICATION, &m_nJustification);
    ExchangeText(IDC_TEXT, &m_strText);
    ExchangeDouble(IDC_SPEED, &m_dSpeed, 0.0, 10000.0);
    ExchangeIndex(IDC_ORIENTATION, &m_nOrientation);
    MapSelChange(IDC_ORIENTATION, [this] { OnSelchangeOrientation(); });
}

BOOL CScrollBhvrDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    if (m_nOrientation != 0)
        SetupVertical();
    else
        SetupHorizontal();
    return TRUE;
}

void CScrollBhvrDialog::OnSelchangeOrientation() {
    if (GetCurSel(IDC_ORIENTATION) != 0)
        SetupVertical();
    else
        SetupHorizontal();
}

void CScrollBhvrDialog::SetupHorizontal() {
    EnableDlgItem(IDC_JUSTIFICATION, FALSE);
    SetCurSel(IDC_CHUNK, 2);  // "passage"
    EnableDlgItem(IDC_CHUNK, FALSE);
    ResetContent(IDC_DIRECTION);
    AddString(IDC_DIRECTION, "left");
    AddString(IDC_DIRECTION, "right");
    SetCurSel(IDC_DIRECTION, m_nDirection != 0 ? 1 : 0);
}

void CScrollBhvrDialog::SetupVertical() {
    EnableDlgItem(IDC_JUSTIFICATION, TRUE);
    EnableDlgItem(IDC_CHUNK, TRUE);
    ResetContent(IDC_DIRECTION);
    AddString(IDC_DIRECTION, "up");
    AddString(IDC_DIRECTION, "down");
    SetCurSel(IDC_DIRECTION, m_nDirection != 0 ? 1 : 0);
}

void CScrollBhvrDialog::OnOK() {
    if (!CheckAlphanumericText(IDC_TEXT)) return;
    CParamDialog::OnOK();
}
