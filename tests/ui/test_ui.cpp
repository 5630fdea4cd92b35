// The UI-services helpers that every implementation shares: button sets, escape results, filters,
// default extensions; and the scripted services that the other tests rely on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/ui/paramdialog.h"
#include "platform/ui/scriptedui.h"
#include "platform/ui/uiservices.h"

namespace {

TEST(MessageBoxSets, ButtonsEscapeAndDefault) {
    struct Case {
        UINT type;
        std::vector<int> buttons;
        int escape;
        int def;
    } cases[] = {
        {MB_OK, {IDOK}, IDOK, IDOK},
        {MB_OKCANCEL, {IDOK, IDCANCEL}, IDCANCEL, IDOK},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, 0, IDABORT},
        {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, IDCANCEL, IDYES},
        {MB_YESNO, {IDYES, IDNO}, 0, IDYES},
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDCANCEL, IDRETRY},
        {MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, {IDYES, IDNO, IDCANCEL}, IDCANCEL, IDNO},
        {MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, 0, IDYES},  // past the set: the first
        {0xE, {IDOK}, IDOK, IDOK},                              // unknown set: OK
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(ui::MessageBoxButtons(c.type), c.buttons);
        EXPECT_EQ(ui::MessageBoxEscapeResult(c.type), c.escape);
        EXPECT_EQ(ui::MessageBoxDefaultButton(c.type), c.def);
    }
}

TEST(FileFilters, ParseTheClassLibraryForm) {
    auto f = ui::ParseFileFilter("Quillstorm Files (*.qsd)|*.qsd||");
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].name, "Quillstorm Files (*.qsd)");
    EXPECT_EQ(f[0].patterns, std::vector<std::string>{"*.qsd"});

    f = ui::ParseFileFilter("Movie File (*.MOV)|*.MOV|All files (*.*)|*.*|");  // single end bar
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[1].name, "All files (*.*)");
    EXPECT_EQ(f[1].patterns, std::vector<std::string>{"*.*"});

    f = ui::ParseFileFilter("Images|*.bmp;*.png;;*.jpg|Dangling");  // empty pattern skipped, odd tail dropped
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.bmp", "*.png", "*.jpg"}));

    EXPECT_TRUE(ui::ParseFileFilter("").empty());
    EXPECT_TRUE(ui::ParseFileFilter("||").empty());
    EXPECT_TRUE(ui::ParseFileFilter("Name||").empty());
}

TEST(FilePaths, DefaultExtensionAndFileName) {
    struct Case {
        const char* path;
        const char* ext;
        const char* expected;
    } cases[] = {
        {"/home/u/scene", ".qsd", "/home/u/scene.qsd"},
        {"/home/u/scene", "qsd", "/home/u/scene.qsd"},
        {"/home/u/scene.txt", ".qsd", "/home/u/scene.txt"},
        {"/home/u.dir/scene", "mov", "/home/u.dir/scene.mov"},  // a dot in a folder does not count
        {"/home/u/scene", "", "/home/u/scene"},
        {"", ".qsd", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::ApplyDefaultExtension(c.path, c.ext), c.expected) << c.path;
    EXPECT_EQ(ui::PathFileName("/a/b/c.qsd"), "c.qsd");
    EXPECT_EQ(ui::PathFileName("c.qsd"), "c.qsd");
    EXPECT_EQ(ui::PathFileName("/a/b/"), "");
}

TEST(FieldExchange, TextBothWaysWithTheClassLibraryMessages) {
    using K = ui::DialogField::Kind;
    float f = 0.1f;
    double d = 2000.0;
    int i = 36;
    UINT u = 10;
    CString t = "abc";
    ui::DialogField ff = ui::Field(K::Float, 1, &f);
    ui::DialogField fd = ui::Field(K::Double, 2, &d);
    ui::DialogField fi = ui::Field(K::Int, 3, &i);
    ui::DialogField fu = ui::Field(K::UInt, 4, &u);
    ui::DialogField ft = ui::Field(K::Text, 5, &t);
    ft.nMaxChars = 4;
    EXPECT_EQ(ui::FieldToText(ff), "0.1");
    EXPECT_EQ(ui::FieldToText(fd), "2000");
    EXPECT_EQ(ui::FieldToText(fi), "36");
    EXPECT_EQ(ui::FieldToText(fu), "10");
    EXPECT_EQ(ui::FieldToText(ft), "abc");

    struct Case {
        ui::DialogField* field;
        bool range;
        double lo, hi;
        const char* text;
        bool ok;
        const char* error;
    } cases[] = {
        {&ff, false, 0, 0, " 2.5 ", true, ""},
        {&ff, false, 0, 0, "2.5x", false, "Please enter a number."},
        {&ff, false, 0, 0, "", false, "Please enter a number."},
        {&ff, true, 0, 1, "1.5", false, "Please enter a number between 0 and 1."},
        {&fd, true, 0.5, 2.25, "2.25", true, ""},
        {&fd, true, 0.5, 2.25, "0.4", false, "Please enter a number between 0.5 and 2.25."},
        {&fi, false, 0, 0, "-7", true, ""},
        {&fi, false, 0, 0, "7.0", false, "Please enter an integer."},
        {&fi, false, 0, 0, "99999999999", false, "Please enter an integer."},
        {&fi, true, 1, 100, "101", false, "Please enter an integer between 1 and 100."},
        {&fu, false, 0, 0, "-1", false, "Please enter a positive integer."},
        {&fu, false, 0, 0, "4294967295", true, ""},
        {&ft, false, 0, 0, "abcd", true, ""},
        {&ft, false, 0, 0, "abcde", false, "Please enter no more than 4 characters."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        c.field->bRange = c.range;
        c.field->dMin = c.lo;
        c.field->dMax = c.hi;
        const std::string before = ui::FieldToText(*c.field);
        std::string error;
        EXPECT_EQ(ui::TextToField(*c.field, c.text, &error), c.ok);
        if (c.ok) {
            EXPECT_TRUE(error.empty());
        } else {
            EXPECT_EQ(error, c.error);
            EXPECT_EQ(ui::FieldToText(*c.field), before);  // a refused text changes nothing
        }
    }
    EXPECT_EQ(f, 2.5f);
    EXPECT_EQ(d, 2.25);
    EXPECT_EQ(i, -7);
    EXPECT_EQ(u, 4294967295u);
    EXPECT_EQ(t, "abcd");
}

TEST(FilePaths, ChosenFileFolderBecomesTheCurrentDirectory) {
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
    char tmpl[] = "/tmp/qs_ui_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    char now[4096];

    EXPECT_TRUE(ui::ChangeToFileFolder(dir + "/a.qsd", OFN_NOCHANGEDIR));
    EXPECT_STREQ(getcwd(now, sizeof(now)), old);
    EXPECT_TRUE(ui::ChangeToFileFolder("a.qsd", 0));  // no folder: stays
    EXPECT_STREQ(getcwd(now, sizeof(now)), old);
    EXPECT_FALSE(ui::ChangeToFileFolder(dir + "/missing/a.qsd", 0));
    EXPECT_STREQ(getcwd(now, sizeof(now)), old);
    EXPECT_TRUE(ui::ChangeToFileFolder(dir + "/a.qsd", 0));
    EXPECT_EQ(std::string(getcwd(now, sizeof(now))), dir);

    ASSERT_EQ(chdir(old), 0);
    rmdir(dir.c_str());
}

TEST(SilentServices, AnswerWithoutAsking) {
    ASSERT_EQ(ui::SetUIServices(nullptr), nullptr);
    ui::SetAppTitle("Quillstorm!");
    EXPECT_EQ(AfxMessageBox("x", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("x", MB_OK), IDOK);
    EXPECT_EQ(AfxMessageBox("x", MB_YESNO | MB_DEFBUTTON2), IDNO);
    std::string path = "kept";
    EXPECT_FALSE(ui::GetUIServices()->FileDialog({}, &path));
    EXPECT_EQ(path, "kept");
}

struct TestDialog : ui::CParamDialog {
    double value = 1.0;
    bool refuse = false;
    TestDialog() : CParamDialog(155, "Gravity") {
        AddEdit(1025, "Magnitude");
        ExchangeDouble(1025, &value, 0.0, 1000000.0);
    }
    void OnOK() override {
        if (!refuse) CParamDialog::OnOK();
    }
};

TEST(ScriptedServices, AnswersInOrderPerKindAndRecords) {
    ui::CScriptedUIServices script;
    ui::SetAppTitle("Quillstorm!");
    script.AnswerFileDialog("/tmp/scene");
    script.AnswerMessageBox(IDNO);
    script.AnswerDialog([](ui::CParamDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(1025), "1");
        d.TypeText(1025, "30");
        return IDOK;
    });

    EXPECT_EQ(AfxMessageBox("Save?", MB_YESNOCANCEL), IDNO);
    ui::FileDialogRequest req;
    req.bOpen = false;
    req.strDefExt = ".qsd";
    req.dwFlags = OFN_NOCHANGEDIR;
    std::string path;
    EXPECT_TRUE(ui::GetUIServices()->FileDialog(req, &path));
    EXPECT_EQ(path, "/tmp/scene.qsd");
    TestDialog dialog;
    EXPECT_EQ(ui::GetUIServices()->DoModal(dialog), IDOK);
    EXPECT_EQ(dialog.value, 30.0);
    EXPECT_TRUE(script.AllScripted());

    // Unscripted questions get the escape answer and are marked.
    EXPECT_EQ(AfxMessageBox("Again?", MB_YESNOCANCEL), IDCANCEL);
    COLORREF cr = 5;
    EXPECT_FALSE(ui::GetUIServices()->ChooseColor(RGB(1, 2, 3), CC_FULLOPEN, &cr));
    EXPECT_EQ(cr, 5u);
    EXPECT_FALSE(script.AllScripted());

    ASSERT_EQ(script.Calls().size(), 5u);
    EXPECT_EQ(script.Calls()[0].strText, "Save?");
    EXPECT_EQ(script.Calls()[0].strCaption, "Quillstorm!");
    EXPECT_EQ(script.Calls()[0].nType, MB_YESNOCANCEL);
    EXPECT_FALSE(script.Calls()[1].file.bOpen);
    EXPECT_EQ(script.Calls()[2].strText, "Gravity");
    EXPECT_EQ(script.Calls()[4].crInitial, RGB(1, 2, 3));

    // A dialog that refuses its OK ends as cancelled; so does one whose field does not pass.
    script.AnswerDialog([](ui::CParamDialog&) { return IDOK; });
    dialog.refuse = true;
    EXPECT_EQ(ui::GetUIServices()->DoModal(dialog), IDCANCEL);
    dialog.refuse = false;
    script.AnswerMessageBox(IDOK);
    script.AnswerDialog([](ui::CParamDialog& d) {
        d.TypeText(1025, "-1");
        return IDOK;
    });
    EXPECT_EQ(ui::GetUIServices()->DoModal(dialog), IDCANCEL);
    EXPECT_EQ(dialog.value, 30.0);
    EXPECT_EQ(script.Calls().back().kind, ui::CScriptedUIServices::Kind::DoModal);
    EXPECT_EQ(script.Calls()[script.Calls().size() - 2].strText, "Please enter a number between 0 and 1000000.");
}

TEST(ScriptedServices, UninstallsItself) {
    { ui::CScriptedUIServices script; EXPECT_EQ(ui::GetUIServices(), &script); }
    EXPECT_EQ(ui::SetUIServices(nullptr), nullptr);
}

}  // namespace
