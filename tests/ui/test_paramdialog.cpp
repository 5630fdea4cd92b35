// Parameter dialogs as plain code over their controls: the template, the exchange in its own order with
// the class library's messages and the focus on the first failing field, list indexes, radio groups
// with their enable rules, colour buttons (drawn and chosen), "load text file", an OnOK check, and
// the scripted services that drive them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/crt/crt.h"
#include "platform/gdi/dc.h"
#include "platform/ui/paramdialog.h"
#include "platform/ui/scriptedui.h"
#include "ui/sampledialog.h"

namespace {

using K = ui::DialogField::Kind;

// ---- numbers ------------------------------------------------------------------------------------

TEST(DialogNumbers, ShownSoThatTheyReadBackExactly) {
    struct Case {
        float f;
        const char* text;
    } floats[] = {
        {0.1f, "0.1"},     {-0.02f, "-0.02"},  {1e-05f, "1e-05"},        {1e-07f, "1e-07"},
        {1000000.0f, "1e+06"}, {30.0f, "30"},  {1.0f / 3.0f, "0.33333334"}, {16777217.0f, "16777216"},
        {0.15f, "0.15"},   {FLT_MAX, "3.4028235e+38"},
    };
    for (const Case& c : floats) {
        EXPECT_EQ(ui::FormatFloat(c.f), c.text);
        EXPECT_EQ(std::strtof(ui::FormatFloat(c.f).c_str(), nullptr), c.f) << c.text;
    }
    EXPECT_EQ(ui::FormatDouble(0.1), "0.1");
    EXPECT_EQ(ui::FormatDouble(2000.0), "2000");
    EXPECT_EQ(ui::FormatDouble(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(std::strtod(ui::FormatDouble(1.0 / 3.0).c_str(), nullptr), 1.0 / 3.0);
    // Every float of a sweep reads back from its text.
    for (float f = 1e-8f; f < 1e8f; f *= 1.37f) ASSERT_EQ(std::strtof(ui::FormatFloat(f).c_str(), nullptr), f);
}

TEST(DialogNumbers, FloatFieldsTakeFiniteDecimalsAndCheckTheRangeAsFloats) {
    float v = 5.0f;
    ui::DialogField period = ui::Field(K::Float, 1009, &v);
    period.bRange = true;
    period.dMin = 1e-07;
    period.dMax = 1000000.0;
    ui::DialogField unbounded = ui::Field(K::Float, 1, &v);
    const std::string range = "Please enter a number between 1e-07 and 1e+06.";
    struct Case {
        const ui::DialogField* field;
        const char* text;
        const char* error;  // NULL: taken
        float value;
    } cases[] = {
        {&period, "1e-07", nullptr, 1e-07f},  // the lower bound itself, as a float
        {&period, "0", range.c_str(), 0},
        {&period, "1e-08", range.c_str(), 0},
        {&period, "1000000", nullptr, 1e6f},
        {&period, "1000000.01", nullptr, 1e6f},  // the same float as the bound
        {&period, "1000000.1", range.c_str(), 0},  // the next float above it
        {&period, "1000001", range.c_str(), 0},
        {&period, "1e39", range.c_str(), 0},    // beyond float: out of range, not converted
        {&period, "-1e39", range.c_str(), 0},
        {&period, "1e400", range.c_str(), 0},   // beyond double too
        {&period, "nan", "Please enter a number.", 0},
        {&period, "NAN", "Please enter a number.", 0},
        {&period, "inf", "Please enter a number.", 0},
        {&period, "-Infinity", "Please enter a number.", 0},
        {&period, "0x10", "Please enter a number.", 0},
        {&period, "0x1p3", "Please enter a number.", 0},
        {&period, "", "Please enter a number.", 0},
        {&period, "  ", "Please enter a number.", 0},
        {&period, "abc", "Please enter a number.", 0},
        {&period, "1.5x", "Please enter a number.", 0},
        {&period, "1.", nullptr, 1.0f},
        {&period, ".5", nullptr, 0.5f},
        {&period, ".", "Please enter a number.", 0},
        {&period, "1e", "Please enter a number.", 0},
        {&period, "+2.5E+1", nullptr, 25.0f},
        {&period, " 3 ", nullptr, 3.0f},
        {&period, "1 2", "Please enter a number.", 0},
        {&unbounded, "1e39", "Please enter a number.", 0},
        {&unbounded, "-7.25", nullptr, -7.25f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        v = 42.0f;
        std::string error;
        EXPECT_EQ(ui::TextToField(*c.field, c.text, &error), c.error == nullptr);
        if (c.error) {
            EXPECT_EQ(error, c.error);
            EXPECT_EQ(v, 42.0f);
        } else {
            EXPECT_EQ(v, c.value);
        }
    }
}

TEST(DialogNumbers, DoubleFieldsAndTheirBounds) {
    double d = 0.0;
    ui::DialogField f = ui::Field(K::Double, 1, &d);
    f.bRange = true;
    f.dMin = -1000000.0;
    f.dMax = 1000000.0;
    std::string error;
    EXPECT_FALSE(ui::TextToField(f, "1e400", &error));
    EXPECT_EQ(error, "Please enter a number between -1000000 and 1000000.");
    EXPECT_FALSE(ui::TextToField(f, "inf", &error));
    EXPECT_EQ(error, "Please enter a number.");
    EXPECT_TRUE(ui::TextToField(f, "1e-400", &error));  // underflow: the nearest double
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(ui::TextToField(f, "0.30000000000000004", &error));
    EXPECT_EQ(d, 0.30000000000000004);
    EXPECT_EQ(ui::FieldToText(f), "0.30000000000000004");
}

// ---- a dialog with every kind of control ---------------------------------------------------------

class ParamDialog : public ::testing::Test {
protected:
    ui::CScriptedUIServices m_ui;
    CSampleDialog m_dlg;

    void SetUp() override {
        ui::SetAppTitle("Quillstorm!");
        m_dlg.m_strText = "ab\r\ncd";
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& c : m_ui.Calls())
            if (c.kind == ui::CScriptedUIServices::Kind::MessageBox) out.push_back(c.strText);
        return out;
    }
};

TEST_F(ParamDialog, TemplateListsGroupsLabelsAndControlsInLayoutOrder) {
    const auto& c = m_dlg.GetControls();
    struct Row {
        int id;
        ui::ControlType type;
        const char* text;
        int group;  // index of the group box, -1 none
        bool label;
    } rows[] = {
        {ui::IDC_STATIC, ui::ControlType::Static, "Size", -1, true},
        {1001, ui::ControlType::Edit, "2.5", -1, false},
        {ui::IDC_STATIC, ui::ControlType::GroupBox, "Shape", -1, false},
        {1002, ui::ControlType::RadioButton, "Round", 2, false},
        {1003, ui::ControlType::RadioButton, "Square", 2, false},
        {1005, ui::ControlType::Static, "Count", 2, true},
        {1004, ui::ControlType::Edit, "3", 2, false},
        {ui::IDC_STATIC, ui::ControlType::Static, "List:", -1, true},
        {1006, ui::ControlType::DropList, "", -1, false},
        {ui::IDC_STATIC, ui::ControlType::Static, "Source Text:", -1, true},
        {1007, ui::ControlType::MultiLineEdit, "ab\r\ncd", -1, false},
        {ui::IDC_STATIC, ui::ControlType::Static, "End Color", -1, true},
        {1008, ui::ControlType::ColorButton, "", -1, false},
        {1009, ui::ControlType::PushButton, "load text file", -1, false},
    };
    m_dlg.StartModal();
    ASSERT_EQ(c.size(), std::size(rows));
    for (size_t i = 0; i < c.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c[i].nId, rows[i].id);
        EXPECT_EQ(c[i].type, rows[i].type);
        EXPECT_EQ(c[i].strText, rows[i].text);
        EXPECT_EQ(c[i].nGroup, rows[i].group);
        EXPECT_EQ(c[i].bLabel, rows[i].label);
    }
    EXPECT_EQ(m_dlg.GetCount(1006), 3);
    EXPECT_EQ(m_dlg.GetCurSel(1006), -1) << "index -1: nothing selected";
    EXPECT_EQ(m_dlg.GetTitle(), "Sample Parameters");
    EXPECT_EQ(m_dlg.GetOKText(), "OK");
    EXPECT_EQ(m_dlg.GetCancelText(), "Cancel");
}

TEST_F(ParamDialog, OkWithoutAnEditGivesBackTheSameMembers) {
    m_dlg.m_dSize = 1.0 / 3.0;
    m_dlg.m_nList = 2;
    m_dlg.StartModal();
    EXPECT_EQ(m_dlg.GetCurSel(1006), 2);
    m_dlg.ClickButton(IDOK);
    EXPECT_EQ(m_dlg.GetResult(), IDOK);
    EXPECT_EQ(m_dlg.m_dSize, 1.0 / 3.0);
    EXPECT_EQ(m_dlg.m_nList, 2);
    EXPECT_EQ(m_dlg.m_strText, "ab\r\ncd");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ParamDialog, TheFirstFailingFieldInExchangeOrderGetsTheMessageAndTheFocus) {
    // The count comes before the size in the exchange, though after it in the layout.
    m_dlg.StartModal();
    m_dlg.ClickButton(1003);  // square: the count can be typed into
    ASSERT_TRUE(m_dlg.TypeText(1001, "11"));
    ASSERT_TRUE(m_dlg.TypeText(1004, "abc"));
    m_dlg.ClickButton(IDOK);
    EXPECT_FALSE(m_dlg.IsEnded());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(m_ui.Calls()[0].nType, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(m_ui.Calls()[0].strCaption, "Quillstorm!");
    EXPECT_EQ(m_dlg.GetFocusId(), 1004);
    EXPECT_EQ(m_dlg.m_strText, "ab\r\ncd") << "the text, before it in the exchange, was taken";

    m_dlg.TypeText(1004, "7");
    m_dlg.ClickButton(IDOK);
    EXPECT_FALSE(m_dlg.IsEnded());
    EXPECT_EQ(Messages().back(), "Please enter a number between 0 and 10.");
    EXPECT_EQ(m_dlg.GetFocusId(), 1001);
    EXPECT_EQ(m_dlg.m_nCount, 7);
    EXPECT_EQ(m_dlg.m_dSize, 2.5) << "a refused field keeps its member";

    m_dlg.TypeText(1001, "10");
    m_dlg.ClickButton(IDOK);
    EXPECT_EQ(m_dlg.GetResult(), IDOK);
    EXPECT_EQ(m_dlg.m_dSize, 10.0);
}

TEST_F(ParamDialog, RadioButtonsExcludeEachOtherAndSwitchTheirFields) {
    m_dlg.StartModal();
    EXPECT_EQ(m_dlg.IsDlgButtonChecked(1002), 1u);
    EXPECT_EQ(m_dlg.IsDlgButtonChecked(1003), 0u);
    EXPECT_FALSE(m_dlg.IsDlgItemEnabled(1004));
    EXPECT_FALSE(m_dlg.IsDlgItemEnabled(1005));
    EXPECT_FALSE(m_dlg.TypeText(1004, "9")) << "a disabled field takes nothing";
    EXPECT_EQ(m_dlg.GetDlgItemText(1004), "3");

    EXPECT_TRUE(m_dlg.ClickButton(1003));
    EXPECT_EQ(m_dlg.IsDlgButtonChecked(1002), 0u);
    EXPECT_EQ(m_dlg.IsDlgButtonChecked(1003), 1u);
    EXPECT_TRUE(m_dlg.IsDlgItemEnabled(1004));
    EXPECT_TRUE(m_dlg.IsDlgItemEnabled(1005));
    EXPECT_EQ(m_dlg.m_nShape, 1);

    m_dlg.ClickButton(1003);  // clicking the checked one keeps it checked
    EXPECT_EQ(m_dlg.IsDlgButtonChecked(1003), 1u);
    m_dlg.ClickButton(1002);
    EXPECT_EQ(m_dlg.m_nShape, 0);
    EXPECT_FALSE(m_dlg.IsDlgItemEnabled(1004));

    // A disabled field goes back as it came.
    m_dlg.ClickButton(IDOK);
    EXPECT_EQ(m_dlg.GetResult(), IDOK);
    EXPECT_EQ(m_dlg.m_nCount, 3);
}

// OK over the count field, enabled or disabled, holding a value inside or outside its range (0 to
// 100): an enabled field is checked; a disabled one is neither checked nor read back.
TEST_F(ParamDialog, ADisabledNumberIsNotCheckedAndGoesBackUnchanged) {
    struct Case {
        const char* name;
        bool bEnabled;
        int nCount;
        bool bClosed;
    };
    const Case cases[] = {
        {"enabled, in range", true, 40, true},
        {"enabled, below the range", true, -5, false},
        {"enabled, above the range", true, 200, false},
        {"disabled, in range", false, 40, true},
        {"disabled, below the range", false, -5, true},
        {"disabled, above the range", false, 200, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.Clear();
        CSampleDialog d;
        d.m_strText = "ab";
        d.m_nCount = c.nCount;
        d.m_nShape = c.bEnabled ? 1 : 0;  // square enables the count, round disables it
        d.StartModal();
        ASSERT_EQ(d.IsDlgItemEnabled(1004) != FALSE, c.bEnabled);
        d.ClickButton(IDOK);
        EXPECT_EQ(d.IsEnded(), c.bClosed);
        EXPECT_EQ(d.m_nCount, c.nCount);
        if (c.bClosed) {
            EXPECT_EQ(d.GetResult(), IDOK);
            EXPECT_TRUE(m_ui.Calls().empty());
        } else {
            ASSERT_EQ(m_ui.Calls().size(), 1u);
            EXPECT_EQ(m_ui.Calls()[0].strText, "Please enter an integer between 0 and 100.");
            EXPECT_EQ(d.GetFocusId(), 1004);
        }
    }
}

TEST_F(ParamDialog, ListsPickRowsAndRunTheirHandler) {
    m_dlg.StartModal();
    EXPECT_TRUE(m_dlg.PickItem(1006, "third"));
    EXPECT_TRUE(m_dlg.PickItem(1006, 0));
    EXPECT_FALSE(m_dlg.PickItem(1006, 3));
    EXPECT_FALSE(m_dlg.PickItem(1006, "fourth"));
    EXPECT_EQ(m_dlg.m_selChanges, (std::vector<int>{2, 0}));
    EXPECT_EQ(m_dlg.GetLBText(1006, 1), "second");
    m_dlg.ClickButton(IDOK);
    EXPECT_EQ(m_dlg.m_nList, 0);
}

TEST_F(ParamDialog, MultiLineTextKeepsItsCrLfBreaksAndTheOnOkCheckRuns) {
    m_dlg.StartModal();
    m_dlg.TypeText(1007, " ,.;\r\n!");
    m_dlg.ClickButton(IDOK);
    EXPECT_FALSE(m_dlg.IsEnded());
    EXPECT_EQ(Messages(), std::vector<std::string>{"There must be at least some alpha numeric\ntext for this behavior to work.\n"});
    m_dlg.TypeText(1007, "line one\r\nline two\r\n");
    m_dlg.ClickButton(IDOK);
    EXPECT_EQ(m_dlg.GetResult(), IDOK);
    EXPECT_EQ(m_dlg.m_strText, "line one\r\nline two\r\n");
}

TEST_F(ParamDialog, ColorButtonAsksForTheColourAndDrawsItFramedInBlack) {
    m_ui.CancelColor();
    m_ui.AnswerColor(RGB(10, 20, 30));
    m_dlg.StartModal();
    m_dlg.ClickButton(1008);
    EXPECT_EQ(m_dlg.m_crColor, RGB(255, 255, 255)) << "cancelled";
    m_dlg.ClickButton(1008);
    EXPECT_EQ(m_dlg.m_crColor, RGB(10, 20, 30));
    EXPECT_EQ(m_dlg.m_nClicks, 2) << "the button's own handler runs too";
    ASSERT_EQ(m_ui.Calls().size(), 2u);
    EXPECT_EQ(m_ui.Calls()[0].crInitial, RGB(255, 255, 255));
    EXPECT_EQ(m_ui.Calls()[1].dwFlags & CC_FULLOPEN, CC_FULLOPEN);

    gdi::Surface surface;
    ASSERT_TRUE(surface.Create(12, 8));
    CDC dc;
    dc.AttachSurface(&surface);
    CPen keep(PS_SOLID, 1, RGB(1, 1, 1));
    dc.SelectObject(&keep);
    m_dlg.OnDrawItem(1008, &dc, CRect(1, 1, 11, 7));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool outside = x == 0 || y == 0 || x == 11 || y == 7;
            const bool frame = !outside && (x == 1 || y == 1 || x == 10 || y == 6);
            const COLORREF expected = outside ? RGB(0, 0, 0) : frame ? RGB(0, 0, 0) : RGB(10, 20, 30);
            ASSERT_EQ(dc.GetPixel(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(dc.GetCurrentPen(), &keep) << "the DC's pen is restored";
    m_dlg.OnDrawItem(1009, &dc, CRect(0, 0, 12, 8));  // not owner-drawn: nothing drawn
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(0, 0, 0));
}

TEST_F(ParamDialog, LoadTextFileFillsTheTextWithCrLfLinesOrReportsTheError) {
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof(old)), nullptr);  // a chosen file's folder becomes the current one
    char tmpl[] = "/tmp/qs_dlg_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    {
        std::ofstream f(dir + "/lines.txt", std::ios::binary);
        f << "first\r\nsecond\n\nlast";
    }
    m_ui.AnswerFileDialog(dir + "/missing.txt");
    m_ui.AnswerMessageBox(IDOK);
    m_ui.AnswerFileDialog(dir + "/lines.txt");
    m_ui.CancelFileDialog();
    m_dlg.StartModal();

    m_dlg.ClickButton(1009);
    EXPECT_EQ(m_dlg.GetDlgItemText(1007), "ab\r\ncd") << "the text stays";
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("The data file could not be opened because of this error: ", 0), 0u) << Messages()[0];
    EXPECT_NE(Messages()[0].find("missing.txt"), std::string::npos);

    m_dlg.ClickButton(1009);
    EXPECT_EQ(m_dlg.GetDlgItemText(1007), "first\r\nsecond\r\n\r\nlast\r\n");
    m_dlg.ClickButton(1009);  // cancelled: nothing changes
    EXPECT_EQ(m_dlg.GetDlgItemText(1007), "first\r\nsecond\r\n\r\nlast\r\n");

    const ui::FileDialogRequest& r = m_ui.Calls()[0].file;
    EXPECT_TRUE(r.bOpen);
    EXPECT_EQ(r.dwFlags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(r.strFilter, "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_TRUE(m_ui.AllScripted());
    ASSERT_EQ(chdir(old), 0);
    unlink((dir + "/lines.txt").c_str());
    rmdir(dir.c_str());
}

TEST_F(ParamDialog, CancelEscapeAndAnEndedDialogTakeNothingMore) {
    m_dlg.StartModal();
    m_dlg.TypeText(1001, "4");
    m_dlg.ClickButton(IDCANCEL);
    EXPECT_EQ(m_dlg.GetResult(), IDCANCEL);
    EXPECT_EQ(m_dlg.m_dSize, 2.5);
    EXPECT_FALSE(m_dlg.ClickButton(IDOK));
    EXPECT_EQ(m_dlg.GetResult(), IDCANCEL);
    // Opened again, it starts from the members.
    m_dlg.StartModal();
    EXPECT_FALSE(m_dlg.IsEnded());
    EXPECT_EQ(m_dlg.GetDlgItemText(1001), "2.5");
}

TEST_F(ParamDialog, ScriptedServicesOpenTheDialogAndFollowItsEnd) {
    m_ui.AnswerMessageBox(IDOK);
    m_ui.AnswerDialog([](ui::CParamDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(1001), "2.5") << "opened: the members are in the controls";
        d.TypeText(1001, "x");
        d.ClickButton(IDOK);
        EXPECT_FALSE(d.IsEnded());
        d.TypeText(1001, "4");
        return IDOK;
    });
    EXPECT_EQ(m_dlg.DoModal(), IDOK);
    EXPECT_EQ(m_dlg.m_dSize, 4.0);
    ASSERT_EQ(m_ui.Calls().size(), 2u);
    EXPECT_EQ(m_ui.Calls()[0].strText, "Please enter a number.");
    EXPECT_EQ(m_ui.Calls()[1].strText, "Sample Parameters");
    EXPECT_EQ(m_ui.Calls()[1].nResult, IDOK);
}

}  // namespace
