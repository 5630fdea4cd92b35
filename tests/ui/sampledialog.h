// A parameter dialog with one control of every kind, for the tests of the dialog mechanics (scripted
// in tests/ui, shown by the toolkit in tests/quillstorm).
#pragma once

#include <vector>

#include "platform/crt/crt.h"
#include "platform/ui/paramdialog.h"

// Layout: a "Size" edit, a group "Shape" holding two radio buttons and a count whose label has an id,
// a list, a multi-line text, a colour button and a load button. Exchange order: text, count, size,
// list (not the layout's).
class CSampleDialog : public ui::CParamDialog {
public:
    enum { IDC_SIZE = 1001, IDC_ROUND = 1002, IDC_SQUARE = 1003, IDC_COUNT = 1004, IDC_COUNT_LABEL = 1005,
           IDC_LIST = 1006, IDC_TEXT = 1007, IDC_COLOR = 1008, IDC_LOAD = 1009 };

    double m_dSize = 2.5;
    int m_nCount = 3;
    int m_nList = -1;
    CString m_strText;
    COLORREF m_crColor = RGB(255, 255, 255);
    int m_nShape = 0;  // not exchanged: 0 round, 1 square
    int m_nClicks = 0;
    std::vector<int> m_selChanges;

    CSampleDialog() : CParamDialog(200, "Sample Parameters") {
        AddEdit(IDC_SIZE, "Size");
        BeginGroup("Shape");
        AddRadioButton(IDC_ROUND, "Round");
        AddRadioButton(IDC_SQUARE, "Square");
        AddEdit(IDC_COUNT, "Count", IDC_COUNT_LABEL);
        EndGroup();
        AddDropList(IDC_LIST, "List:", {"first", "second", "third"});
        AddMultiLineEdit(IDC_TEXT, "Source Text:");
        AddColorButton(IDC_COLOR, "End Color", &m_crColor);
        AddPushButton(IDC_LOAD, "load text file");

        ExchangeText(IDC_TEXT, &m_strText);
        ExchangeInt(IDC_COUNT, &m_nCount, 0, 100);
        ExchangeDouble(IDC_SIZE, &m_dSize, 0.0, 10.0);
        ExchangeIndex(IDC_LIST, &m_nList);

        MapClicked(IDC_ROUND, [this] { OnRound(); });
        MapClicked(IDC_SQUARE, [this] { OnSquare(); });
        MapClicked(IDC_COLOR, [this] { ++m_nClicks; });
        MapClicked(IDC_LOAD, [this] { LoadTextFile(IDC_TEXT); });
        MapSelChange(IDC_LIST, [this] { m_selChanges.push_back(GetCurSel(IDC_LIST)); });
    }

protected:
    BOOL OnInitDialog() override {
        CParamDialog::OnInitDialog();
        CheckDlgButton(m_nShape == 0 ? IDC_ROUND : IDC_SQUARE, 1);
        if (m_nShape == 0)
            OnRound();
        else
            OnSquare();
        return TRUE;
    }
    // The text needs a letter or digit.
    void OnOK() override {
        const CString text = GetDlgItemText(IDC_TEXT);
        for (int i = 0; i < text.GetLength(); ++i)
            if (crt::isalnum(static_cast<unsigned char>(text[i]))) {
                CParamDialog::OnOK();
                return;
            }
        AfxMessageBox("There must be at least some alpha numeric\ntext for this behavior to work.\n", MB_OK);
    }

private:
    void OnRound() {
        EnableDlgItem(IDC_COUNT, FALSE);
        EnableDlgItem(IDC_COUNT_LABEL, FALSE);
        m_nShape = 0;
    }
    void OnSquare() {
        EnableDlgItem(IDC_COUNT, TRUE);
        EnableDlgItem(IDC_COUNT_LABEL, TRUE);
        m_nShape = 1;
    }
};
