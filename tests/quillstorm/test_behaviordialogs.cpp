// The behaviour dialogs and the slide show's dialog: templates (titles, labels, ids, lists, group
// boxes), exchange order and ranges, the range messages with the focus on the failing field, the
// radio groups and their enable rules, the scroll dialog's orientation, colour buttons, loading a text
// file, the source text's check, browsing for the slide show's documents; scripted, then shown by Qt
// (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/surface.h"
#include "platform/ui/scriptedui.h"
#include "quillstorm/acconcollbhvrdialog.h"
#include "quillstorm/bounceoncollbhvrdialog.h"
#include "quillstorm/connbyspringsbhvrdialog.h"
#include "quillstorm/cruisebhvrdialog.h"
#include "quillstorm/cryptobhvrdialog.h"
#include "quillstorm/explodebhvrdialog.h"
#include "quillstorm/fadebhvrdialog.h"
#include "quillstorm/focalfadebhvrdialog.h"
#include "quillstorm/gravitydialog.h"
#include "quillstorm/presentationslidedialog.h"
#include "quillstorm/qtuiservices.h"
#include "quillstorm/rmvbhvrdialog.h"
#include "quillstorm/scrollbhvrdialog.h"
#include "quillstorm/sequentialdialog.h"
#include "quillstorm/stayinwindowdialog.h"
#include "quillstorm/synshiftbhvrdialog.h"
#include "quillstorm/throbbhvrdialog.h"
#include "quillstorm/viralbhvrdialog.h"
#include "quillstorm/viscousdragbhvrdialog.h"
#include "quillstorm/wavebhvrdialog.h"
#include "scopedqtui.h"

namespace {

using Kind = ui::DialogField::Kind;
using ui::ControlType;

// ---- the templates -------------------------------------------------------------------------------

// One exchanged field: its control, the label on its row, its kind and (numbers) its bounds as the
// range message writes them.
struct FieldSpec {
    int nId;
    const char* label;
    Kind kind;
    const char* min = nullptr;
    const char* max = nullptr;
};

struct DialogSpec {
    const char* name;
    // The dialog, with members that make every field and the source text acceptable.
    std::function<std::unique_ptr<ui::CParamDialog>()> make;
    UINT nTemplate;
    const char* title;
    std::vector<FieldSpec> fields;                                        // in exchange order
    std::vector<std::pair<int, const char*>> controls;                    // other controls with an id: their text
    std::vector<std::pair<int, std::vector<std::string>>> lists;         // list items as opened
    std::vector<std::pair<const char*, std::vector<int>>> groups;         // group box title: the controls inside
};

template <class D>
std::function<std::unique_ptr<ui::CParamDialog>()> Make(std::function<void(D&)> setup = nullptr) {
    return [setup] {
        auto p = std::make_unique<D>();
        if (setup) setup(*p);
        return std::unique_ptr<ui::CParamDialog>(std::move(p));
    };
}

constexpr Kind kD = Kind::Double;
constexpr Kind kI = Kind::Int;

const std::vector<DialogSpec>& Specs() {
    static const std::vector<DialogSpec> specs = {
        {"accelerate on collision", Make<CAccOnCollBhvrDialog>(), 159, "Set Accelerate On Collision Parameter",
         {{1043, "Magnitude", kD, "0", "1000000"}}, {}, {}, {}},
        {"bounce on collision", Make<CBounceOnCollBhvrDialog>(), 160, "Set Bounce On Collision Parameter",
         {{1044, "Elasticity (0.0 - 1.0)", kD, "0", "1"}}, {}, {}, {}},
        {"springs", Make<CConnBySpringsBhvrDialog>(), 162, "Set Connected By Springs Parameters...",
         {{1048, "Damping", kD, "-1000000", "1000000"},
          {1049, "Friction", kD, "-1000000", "1000000"},
          {1047, "Spring Constant", kD, "-1000000", "1000000"}},
         {{1050, "Friction"}}, {}, {}},
        {"cruise", Make<CCruiseBhvrDialog>(), 151, "Set Cruise Parameters",
         {{1020, "Max Acceleration", kD, "0", "100000"}, {1021, "Degree of Drag", kD, "0", "100000"}},
         {{1022, "Degree of Drag"}}, {}, {}},
        {"cryptographic", Make<CCryptoBhvrDialog>([](CCryptoBhvrDialog& d) { d.m_bContinuous = 0; }), 144,
         "Set Cryptographic Parameters",
         {{1008, "Maximum", kI, "0", "100000"}, {1007, "Minumum", kI, "0", "100000"}, {1009, "Speed (0 - 1)", kD, "0", "1"}},
         {{1039, "Maximum"}, {1038, "Minumum"}, {1036, "Continuous"}, {1037, "Limited"}}, {},
         {{"Number of Shifts", {1036, 1037}}}},
        {"explode", Make<CExplodeBhvrDialog>(), 150, "Set Explode Parameters",
         {{1018, "Time Delay", kD, "0", "1000000"},
          {1017, "Maximum Force", kD, "0", "1000000"},
          {1016, "Minimum Force", kD, "0", "1000000"}},
         {{1019, "Time Delay"}}, {}, {{"Initial Acceleration", {1016, 1017}}}},
        {"fade", Make<CFadeBhvrDialog>(), 157, "Set Fade to Color Parameters", {{1040, "Velocity", kD, "0", "1000000"}},
         {}, {}, {}},
        {"focal fade", Make<CFocalFadeBhvrDialog>(), 161, "Set Focal Fade Parameters",
         {{1045, "Radius", kD, "0", "1000000"}}, {}, {}, {}},
        {"gravity", Make<CGravityDialog>([](CGravityDialog& d) { d.m_nGroundType = 0; }), 155, "Set Gravity Parameters",
         {{1027, "Elasticity", kD, "0", "1"},
          {1028, "Feedback", kD, "0", "1"},
          {1025, "Magnitude", kD, "0", "1000000"},
          {1031, "y-coord", kI, "0", "100000"}},
         {{1033, "Elasticity"}, {1034, "Feedback"}, {1032, "y-coord"}, {1035, "None"}, {1026, "Loop"}, {1029, "Window"},
          {1030, "Plane"}},
         {}, {{"Ground type", {1035, 1026, 1029, 1030}}}},
        {"remove", Make<CRmvBhvrDialog>(), 141, "Remove Behaviors", {}, {{1003, "Remove"}}, {}, {}},
        {"scroll", Make<CScrollBhvrDialog>([](CScrollBhvrDialog& d) {
             d.m_strText = "ab";
             d.m_nOrientation = 1;
         }),
         168, "Set Scroll Parameters",
         {{1061, "Chunk:", Kind::Index},
          {1067, "Direction:", Kind::Index},
          {1063, "Justification:", Kind::Index},
          {1065, "Source Text:", Kind::Text},
          {1068, "Speed:", kD, "0", "10000"},
          {1066, "Direction:", Kind::Index}},
         {{1058, "load text file"}},
         {{1066, {"horizontal", "vertical"}}, {1063, {"left", "middle", "right"}}, {1061, {"glyph", "word", "passage"}},
          {1067, {"up", "down"}}},
         {}},
        {"sequential", Make<CSequentialDialog>([](CSequentialDialog& d) { d.m_strText = "ab"; }), 167,
         "Set Sequential Parameters",
         {{1062, "Order:", Kind::Index},
          {1063, "Justification:", Kind::Index},
          {1061, "Chunk:", Kind::Index},
          {1064, "Hold:", Kind::UInt, "0", "1000000"},
          {1065, "Source Text:", Kind::Text}},
         {{1058, "load text file"}},
         {{1062, {"sequential", "random", "reverse"}}, {1063, {"left", "middle", "right"}},
          {1061, {"glyph", "word", "passage"}}},
         {}},
        {"stay in window", Make<CStayInWindowDialog>([](CStayInWindowDialog& d) { d.m_nResponse = 5; }), 164,
         "Set Stay In Window Parameters",
         {{1044, "Elasticity (0.0 - 1.0)", kD, "0", "1"}, {1043, "Magnitude", kD, "0", "1000000"}},
         {{1055, "Elasticity (0.0 - 1.0)"}, {1056, "Magnitude"}, {1052, "Stop"}, {1053, "Bounce"}, {1054, "Accelerate"}},
         {}, {{"Response Type", {1052, 1053, 1054}}}},
        {"synonym shift", Make<CSynShiftBhvrDialog>(), 156, "Set Synonym Shift Parameter",
         {{1035, "Speed of Shift (0.0 - 1.0)", kD, "0", "1"}}, {}, {}, {}},
        {"throb", Make<CThrobBhvrDialog>([](CThrobBhvrDialog& d) { d.m_dMaxSize = d.m_dMinSize = 1.0; }), 142,
         "Set Throb Parameters",
         {{1006, "Maximum Size", kD, "1e-07", "1000"}, {1005, "Minimum Size", kD, "1e-07", "1000"},
          {1007, "Fractional Step", kD, "0", "1000"}},
         {}, {}, {{"Fractional Size ( > 0)", {1006, 1005}}}},
        {"viral", Make<CViralBhvrDialog>(), 158, "Set Viral Parameter", {{1042, "Dormancy Period", kD, "0", "1000000"}},
         {}, {}, {}},
        {"viscous drag", Make<CViscousDragBhvrDialog>(), 152, "Set Drag Parameter",
         {{1023, "Degree of Drag", kD, "0", "1000000"}}, {}, {}, {}},
        {"wave", Make<CWaveBhvrDialog>(), 143, "Set Wave Parameters",
         {{1006, "Maximum Crest (pixels)", kD, "0", "50000"}, {1007, "Phase Increment", kD, "0", "50000"}}, {}, {}, {}},
        {"slide", Make<CPresentationSlideDialog>(), 170, "Set current slide parameters",
         {{1041, "Forward File", Kind::Text},
          {1040, "Fade Velocity", kD, "0", "1000000"},
          {1020, "Cruise Max Acc", kD, "0", "1000000"},
          {1021, "Cruise Drag", kD, "0", "100000"},
          {1042, "Backward File", Kind::Text}},
         {{1022, "Cruise Drag"}, {1070, "Forward File"}, {1071, "Backward File"}}, {}, {}},
    };
    return specs;
}

std::string GroupOf(const ui::CParamDialog& d, int nId) {
    const ui::DialogControl* c = d.GetDlgItem(nId);
    if (!c || c->nGroup < 0) return "(none)";
    return d.GetControls()[static_cast<size_t>(c->nGroup)].strText;
}

TEST(BehaviorDialogs, TemplatesTitlesLabelsExchangeOrderAndRanges) {
    EXPECT_EQ(Specs().size(), 19u) << "eighteen behaviour dialogs and the slide show's";
    ui::CScriptedUIServices ui;
    for (const DialogSpec& s : Specs()) {
        SCOPED_TRACE(s.name);
        std::unique_ptr<ui::CParamDialog> d = s.make();
        EXPECT_EQ(d->GetTemplateId(), s.nTemplate);
        EXPECT_EQ(d->GetTitle(), s.title);
        ASSERT_EQ(d->GetFields().size(), s.fields.size());
        for (size_t i = 0; i < s.fields.size(); ++i) {
            const FieldSpec& spec = s.fields[i];
            const ui::DialogField& f = d->GetFields()[i];
            SCOPED_TRACE(spec.nId);
            EXPECT_EQ(f.nId, spec.nId);
            EXPECT_EQ(f.kind, spec.kind);
            EXPECT_EQ(LabelOf(*d, spec.nId), spec.label);
            if (spec.min) {
                EXPECT_TRUE(f.bRange);
                EXPECT_EQ(f.dMin, std::stod(spec.min));
                EXPECT_EQ(f.dMax, std::stod(spec.max));
            }
        }
        for (const auto& [id, text] : s.controls) {
            ASSERT_NE(d->GetDlgItem(id), nullptr) << id;
            EXPECT_EQ(d->GetDlgItem(id)->strText, text) << id;
        }
        for (const auto& [title, ids] : s.groups)
            for (int id : ids) EXPECT_EQ(GroupOf(*d, id), title) << id;
        // The lists as the user sees them when the dialog opens.
        d->StartModal();
        for (const auto& [id, items] : s.lists) {
            ASSERT_NE(d->GetDlgItem(id), nullptr) << id;
            EXPECT_EQ(d->GetDlgItem(id)->items, items) << id;
        }
    }
}

TEST(BehaviorDialogs, SpecialControlsAndButtons) {
    CRmvBhvrDialog remove;
    EXPECT_EQ(remove.GetDlgItem(1002)->type, ControlType::ListBox);
    EXPECT_EQ(remove.GetDlgItem(1003)->type, ControlType::PushButton);
    EXPECT_EQ(remove.GetOKText(), "Done");
    EXPECT_EQ(remove.GetCancelText(), "") << "no Cancel button";
    EXPECT_EQ(remove.m_pElements, nullptr);

    CScrollBhvrDialog scroll;
    EXPECT_EQ(scroll.GetDlgItem(1065)->type, ControlType::MultiLineEdit);
    for (int id : {1061, 1063, 1066, 1067}) EXPECT_EQ(scroll.GetDlgItem(id)->type, ControlType::DropList) << id;
    EXPECT_EQ(CSequentialDialog().GetDlgItem(1065)->type, ControlType::MultiLineEdit);

    CFadeBhvrDialog fade;
    EXPECT_EQ(fade.GetDlgItem(1041)->type, ControlType::ColorButton);
    EXPECT_EQ(LabelOf(fade, 1041), "End Color");
    CFocalFadeBhvrDialog focal;
    EXPECT_EQ(LabelOf(focal, 1046), "Focus Color");
    EXPECT_EQ(LabelOf(focal, 1042), "Unfocus Color");

    // Members as constructed: 0 or empty unless the dialog says otherwise.
    EXPECT_EQ(fade.m_crColor, RGB(255, 255, 255));
    EXPECT_EQ(focal.m_crFocus, RGB(0, 0, 0));
    EXPECT_EQ(focal.m_crUnfocus, RGB(255, 255, 255));
    EXPECT_EQ(CCruiseBhvrDialog().m_bDrag, 1);
    EXPECT_EQ(CExplodeBhvrDialog().m_bDelay, 1);
    EXPECT_EQ(CCryptoBhvrDialog().m_bContinuous, 1);
    EXPECT_EQ(CGravityDialog().m_nGroundType, 3);
    EXPECT_EQ(CStayInWindowDialog().m_nResponse, 2);
    EXPECT_EQ(scroll.m_nOrientation, -1);
    EXPECT_EQ(scroll.m_nDirection, -1);
    EXPECT_EQ(scroll.m_nChunk, -1);
    EXPECT_EQ(scroll.m_nJustification, -1);
    EXPECT_EQ(CSequentialDialog().m_nOrder, -1);
}

// ---- ranges and messages -------------------------------------------------------------------------

struct RangeCase {
    const char* dialog;  // a name of Specs()
    int nId;
    const char* input;
    const char* message;
    const char* fixed;  // an acceptable value
};

const RangeCase kRanges[] = {
    {"bounce on collision", 1044, "1.5", "Please enter a number between 0 and 1.", "1"},
    {"throb", 1006, "0", "Please enter a number between 1e-07 and 1000.", "1e-07"},
    {"throb", 1005, "0", "Please enter a number between 1e-07 and 1000.", "0.5"},
    {"throb", 1007, "0", nullptr, nullptr},  // the step may be 0
    {"gravity", 1031, "abc", "Please enter an integer.", "10"},
    {"gravity", 1031, "-1", "Please enter an integer between 0 and 100000.", "0"},
    {"gravity", 1027, "1.01", "Please enter a number between 0 and 1.", "0.5"},
    {"cryptographic", 1008, "2.5", "Please enter an integer.", "3"},
    {"cryptographic", 1009, "x", "Please enter a number.", "1"},
    {"sequential", 1064, "-1", "Please enter a positive integer.", "4"},
    {"sequential", 1064, "1000001", "Please enter an integer between 0 and 1000000.", "1000000"},
    {"scroll", 1068, "10000.5", "Please enter a number between 0 and 10000.", "10000"},
    {"springs", 1047, "-1000001", "Please enter a number between -1000000 and 1000000.", "-1000000"},
    {"slide", 1021, "100001", "Please enter a number between 0 and 100000.", "3"},
    {"slide", 1020, "1e7", "Please enter a number between 0 and 1000000.", "3"},
    {"wave", 1007, "nan", "Please enter a number.", "0.25"},
    {"stay in window", 1043, "1000000.5", "Please enter a number between 0 and 1000000.", "1"},
};

const DialogSpec& SpecNamed(const char* name) {
    for (const DialogSpec& s : Specs())
        if (std::string(s.name) == name) return s;
    throw std::runtime_error(name);
}

TEST(BehaviorDialogs, AValueOutsideItsRangeShowsTheMessageAndKeepsTheDialogOpen) {
    for (const RangeCase& k : kRanges) {
        SCOPED_TRACE(std::string(k.dialog) + " " + std::to_string(k.nId) + " " + k.input);
        ui::CScriptedUIServices ui;
        ui.AnswerMessageBox(IDOK);
        std::unique_ptr<ui::CParamDialog> d = SpecNamed(k.dialog).make();
        d->StartModal();
        ASSERT_TRUE(d->TypeText(k.nId, k.input)) << "the field takes typing";
        d->ClickButton(IDOK);
        if (!k.message) {
            EXPECT_EQ(d->GetResult(), IDOK);
            continue;
        }
        EXPECT_FALSE(d->IsEnded());
        EXPECT_EQ(d->GetFocusId(), k.nId);
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].strText, k.message);
        EXPECT_EQ(ui.Calls()[0].nType, MB_OK | MB_ICONEXCLAMATION);
        d->TypeText(k.nId, k.fixed);
        d->ClickButton(IDOK);
        EXPECT_EQ(d->GetResult(), IDOK);
    }
}

TEST(BehaviorDialogs, TheFirstFailingFieldInExchangeOrderIsReported) {
    ui::CScriptedUIServices ui;
    ui.AnswerMessageBox(IDOK);
    CExplodeBhvrDialog d;  // exchange order: delay, maximum, minimum
    d.m_dMinForce = 1.0;
    d.StartModal();
    d.TypeText(1016, "-1");
    d.TypeText(1018, "-2");
    d.ClickButton(IDOK);
    EXPECT_EQ(d.GetFocusId(), 1018);
    EXPECT_EQ(d.m_dMinForce, 1.0);
}

// ---- radio groups and enable rules ---------------------------------------------------------------

TEST(BehaviorDialogs, CruiseDragAndExplodeDelayFieldsFollowTheirFlags) {
    ui::CScriptedUIServices ui;
    for (BYTE b : {0, 1}) {
        CCruiseBhvrDialog cruise;
        cruise.m_bDrag = b;
        cruise.m_dDrag = 7.0;
        cruise.StartModal();
        EXPECT_EQ(cruise.IsDlgItemEnabled(1021), b);
        EXPECT_EQ(cruise.IsDlgItemEnabled(1022), b);
        EXPECT_TRUE(cruise.IsDlgItemEnabled(1020));
        EXPECT_EQ(cruise.TypeText(1021, "3"), b) << "a disabled field takes no typing";
        cruise.ClickButton(IDOK);
        EXPECT_EQ(cruise.m_dDrag, b ? 3.0 : 7.0) << "the field is exchanged either way";

        CExplodeBhvrDialog explode;
        explode.m_bDelay = b;
        explode.StartModal();
        EXPECT_EQ(explode.IsDlgItemEnabled(1018), b);
        EXPECT_EQ(explode.IsDlgItemEnabled(1019), b);
        EXPECT_TRUE(explode.IsDlgItemEnabled(1016));
        EXPECT_TRUE(explode.IsDlgItemEnabled(1017));
    }
}

TEST(BehaviorDialogs, CryptographicCountsAreForLimitedShiftsOnly) {
    ui::CScriptedUIServices ui;
    const int counts[] = {1038, 1039, 1007, 1008};
    CCryptoBhvrDialog d;  // continuous
    d.StartModal();
    EXPECT_TRUE(d.IsDlgButtonChecked(1036));
    EXPECT_FALSE(d.IsDlgButtonChecked(1037));
    for (int id : counts) EXPECT_FALSE(d.IsDlgItemEnabled(id)) << id;
    d.ClickButton(1037);
    EXPECT_FALSE(d.IsDlgButtonChecked(1036));
    for (int id : counts) EXPECT_TRUE(d.IsDlgItemEnabled(id)) << id;
    d.TypeText(1007, "2");
    d.TypeText(1008, "9");
    d.ClickButton(IDOK);
    EXPECT_EQ(d.m_bContinuous, 0);
    EXPECT_EQ(d.m_nMinShifts, 2);
    EXPECT_EQ(d.m_nMaxShifts, 9);

    CCryptoBhvrDialog limited;
    limited.m_bContinuous = 0;
    limited.StartModal();
    EXPECT_TRUE(limited.IsDlgButtonChecked(1037));
    for (int id : counts) EXPECT_TRUE(limited.IsDlgItemEnabled(id)) << id;
    limited.ClickButton(1036);
    for (int id : counts) EXPECT_FALSE(limited.IsDlgItemEnabled(id)) << id;
    limited.ClickButton(IDOK);
    EXPECT_EQ(limited.m_bContinuous, 1);
}

TEST(BehaviorDialogs, GravityGroundTypesCheckTheirButtonAndEnableTheirFields) {
    struct Case {
        int nGround;
        int nChecked;
        bool bPlaneY, bLanding;
        int nResult;  // OK pressed at once
    };
    const Case cases[] = {
        {0, 1030, true, true, 0}, {2, 1029, false, true, 2}, {3, 1026, false, false, 3},
        {4, 1035, false, false, 4}, {1, 1026, false, false, 3}, {-7, 1026, false, false, 3},
    };
    ui::CScriptedUIServices ui;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.nGround);
        CGravityDialog d;
        d.m_nGroundType = k.nGround;
        d.StartModal();
        for (int id : {1035, 1026, 1029, 1030}) EXPECT_EQ(d.IsDlgButtonChecked(id) != 0, id == k.nChecked) << id;
        for (int id : {1031, 1032}) EXPECT_EQ(d.IsDlgItemEnabled(id) != 0, k.bPlaneY) << id;
        for (int id : {1027, 1033, 1028, 1034}) EXPECT_EQ(d.IsDlgItemEnabled(id) != 0, k.bLanding) << id;
        EXPECT_TRUE(d.IsDlgItemEnabled(1025)) << "the magnitude is always open";
        d.ClickButton(IDOK);
        EXPECT_EQ(d.GetResult(), IDOK);
        EXPECT_EQ(d.m_nGroundType, k.nResult);
    }
    // Clicking through the group.
    CGravityDialog d;
    d.StartModal();
    const std::pair<int, int> clicks[] = {{1030, 0}, {1029, 2}, {1035, 4}, {1026, 3}, {1030, 0}};
    for (const auto& [id, ground] : clicks) {
        d.ClickButton(id);
        EXPECT_EQ(d.m_nGroundType, ground);
        EXPECT_EQ(d.IsDlgItemEnabled(1031) != 0, ground == 0);
        EXPECT_EQ(d.IsDlgItemEnabled(1028) != 0, ground == 0 || ground == 2);
    }
}

TEST(BehaviorDialogs, StayInWindowResponsesCheckTheirButtonAndEnableTheirField) {
    struct Case {
        int nResponse;
        int nChecked;  // 0: none
        bool bElasticity, bMagnitude;
    };
    const Case cases[] = {{0, 1052, false, false}, {1, 1053, true, false}, {2, 1054, false, true}, {5, 0, true, true}};
    ui::CScriptedUIServices ui;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.nResponse);
        CStayInWindowDialog d;
        d.m_nResponse = k.nResponse;
        d.StartModal();
        for (int id : {1052, 1053, 1054}) EXPECT_EQ(d.IsDlgButtonChecked(id) != 0, id == k.nChecked) << id;
        EXPECT_EQ(d.IsDlgItemEnabled(1044) != 0, k.bElasticity);
        EXPECT_EQ(d.IsDlgItemEnabled(1055) != 0, k.bElasticity);
        EXPECT_EQ(d.IsDlgItemEnabled(1043) != 0, k.bMagnitude);
        EXPECT_EQ(d.IsDlgItemEnabled(1056) != 0, k.bMagnitude);
        d.ClickButton(IDOK);
        EXPECT_EQ(d.m_nResponse, k.nResponse) << "OK at once keeps the response";
    }
    CStayInWindowDialog d;
    d.m_nResponse = 5;
    d.StartModal();
    d.ClickButton(1053);
    EXPECT_TRUE(d.IsDlgButtonChecked(1053));
    EXPECT_FALSE(d.IsDlgItemEnabled(1043));
    d.ClickButton(IDOK);
    EXPECT_EQ(d.m_nResponse, 1);
}

// ---- the scroll dialog's orientation -------------------------------------------------------------

TEST(BehaviorDialogs, ScrollOrientationSwitchesTheListsAndKeepsTheOpeningDirection) {
    ui::CScriptedUIServices ui;
    CScrollBhvrDialog d;
    d.m_nOrientation = 0;
    d.m_nDirection = 1;
    d.m_nChunk = 1;
    d.m_nJustification = 0;
    d.m_strText = "hello";
    d.StartModal();
    using Items = std::vector<std::string>;
    // Horizontal: the chunk is the passage, neither it nor the justification can change.
    EXPECT_FALSE(d.IsDlgItemEnabled(1063));
    EXPECT_FALSE(d.IsDlgItemEnabled(1061));
    EXPECT_EQ(d.GetCurSel(1061), 2);
    EXPECT_EQ(d.GetDlgItem(1067)->items, (Items{"left", "right"}));
    EXPECT_EQ(d.GetCurSel(1067), 1);
    EXPECT_EQ(d.GetCurSel(1066), 0);

    ASSERT_TRUE(d.PickItem(1066, "vertical"));
    EXPECT_TRUE(d.IsDlgItemEnabled(1063));
    EXPECT_TRUE(d.IsDlgItemEnabled(1061));
    EXPECT_EQ(d.GetCurSel(1061), 2) << "the chunk stays at passage";
    EXPECT_EQ(d.GetDlgItem(1067)->items, (Items{"up", "down"}));
    EXPECT_EQ(d.GetCurSel(1067), 1);

    // The direction picked now is not what the next switch selects: that is the opening value.
    ASSERT_TRUE(d.PickItem(1067, "up"));
    ASSERT_TRUE(d.PickItem(1066, "horizontal"));
    EXPECT_EQ(d.GetDlgItem(1067)->items, (Items{"left", "right"}));
    EXPECT_EQ(d.GetCurSel(1067), 1);
    EXPECT_FALSE(d.IsDlgItemEnabled(1061));
    d.ClickButton(IDOK);
    EXPECT_EQ(d.GetResult(), IDOK);
    EXPECT_EQ(d.m_nOrientation, 0);
    EXPECT_EQ(d.m_nChunk, 2);
    EXPECT_EQ(d.m_nDirection, 1);

    // Any orientation but 0 opens vertical; direction 0 selects "up".
    for (int orientation : {1, -1, 4}) {
        CScrollBhvrDialog v;
        v.m_nOrientation = orientation;
        v.m_nDirection = 0;
        v.m_nChunk = 0;
        v.StartModal();
        EXPECT_EQ(v.GetDlgItem(1067)->items, (Items{"up", "down"})) << orientation;
        EXPECT_EQ(v.GetCurSel(1067), 0);
        EXPECT_EQ(v.GetCurSel(1061), 0);
        EXPECT_TRUE(v.IsDlgItemEnabled(1061));
    }
}

// ---- the source text: its check and loading it ----------------------------------------------------

TEST(BehaviorDialogs, SourceTextNeedsALetterOrADigit) {
    const char* kMessage = "There must be at least some alpha numeric\ntext for this behavior to work.\n";
    for (const char* name : {"scroll", "sequential"}) {
        SCOPED_TRACE(name);
        ui::CScriptedUIServices ui;
        ui.AnswerMessageBox(IDOK);
        ui.AnswerMessageBox(IDOK);
        std::unique_ptr<ui::CParamDialog> d = SpecNamed(name).make();
        d->StartModal();
        for (const char* text : {"", " ,.;\r\n!?\t", "\xE9\xE8"}) {  // accented letters are not ASCII letters
            d->TypeText(1065, text);
            d->ClickButton(IDOK);
            if (std::string(text).empty()) {
                ASSERT_EQ(ui.Calls().size(), 1u);
                EXPECT_EQ(ui.Calls()[0].strText, kMessage);
                EXPECT_EQ(ui.Calls()[0].nType, MB_OK);
            }
            EXPECT_FALSE(d->IsEnded()) << text;
        }
        d->TypeText(1065, "...7...");
        d->ClickButton(IDOK);
        EXPECT_EQ(d->GetResult(), IDOK);
    }
}

// A scratch folder that is left again (a chosen file's folder becomes the current directory).
class ScratchDir : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    std::string m_strOld;
    void SetUp() override {
        char buf[4096];
        m_strOld = getcwd(buf, sizeof(buf)) ? buf : "/";
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { ASSERT_EQ(chdir(m_strOld.c_str()), 0); }
    std::string Path(const char* name) const { return (m_dir.path() + "/" + name).toStdString(); }
};

using BehaviorDialogFiles = ScratchDir;

TEST_F(BehaviorDialogFiles, LoadTextFileFillsTheSourceTextOrReportsTheError) {
    {
        std::ofstream f(Path("words.txt"), std::ios::binary);
        f << "one\ntwo\r\nthree";
    }
    for (const char* name : {"scroll", "sequential"}) {
        SCOPED_TRACE(name);
        ui::CScriptedUIServices ui;
        ui.AnswerFileDialog(Path("missing.txt"));
        ui.AnswerMessageBox(IDOK);
        ui.AnswerFileDialog(Path("words.txt"));
        std::unique_ptr<ui::CParamDialog> d = SpecNamed(name).make();
        d->StartModal();
        d->ClickButton(1058);
        EXPECT_EQ(d->GetDlgItemText(1065), "ab") << "unreadable: the text stays";
        ASSERT_EQ(ui.Calls().size(), 2u);
        EXPECT_EQ(ui.Calls()[1].strText.rfind("The data file could not be opened because of this error: ", 0), 0u);
        d->ClickButton(1058);
        EXPECT_EQ(d->GetDlgItemText(1065), "one\r\ntwo\r\nthree\r\n");
        EXPECT_EQ(ui.Calls()[0].file.strFilter, "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||");
        EXPECT_EQ(ui.Calls()[0].file.dwFlags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        d->ClickButton(IDOK);
        EXPECT_TRUE(ui.AllScripted());
    }
    // OK takes the loaded text.
    ui::CScriptedUIServices ui;
    ui.AnswerFileDialog(Path("words.txt"));
    CSequentialDialog d;
    d.StartModal();
    d.ClickButton(1058);
    d.ClickButton(IDOK);
    EXPECT_EQ(d.m_strText, "one\r\ntwo\r\nthree\r\n");
}

TEST_F(BehaviorDialogFiles, SlideShowBrowsingKeepsTheDocumentsNameWithoutItsFolder) {
    ui::CScriptedUIServices ui;
    ui.AnswerFileDialog(Path("second.qsd"));
    ui.CancelFileDialog();
    ui.AnswerFileDialog(Path("first.qsd"));
    CPresentationSlideDialog d;
    d.m_strForward = "a.qsd";
    d.m_strBackward = "b.qsd";
    d.StartModal();
    d.ClickButton(1070);
    EXPECT_EQ(d.GetDlgItemText(1041), "second.qsd");
    EXPECT_EQ(d.m_strForward, "second.qsd");
    d.ClickButton(1071);  // cancelled
    EXPECT_EQ(d.GetDlgItemText(1042), "b.qsd");
    d.ClickButton(1071);
    EXPECT_EQ(d.GetDlgItemText(1042), "first.qsd");
    d.ClickButton(IDOK);
    EXPECT_EQ(d.m_strForward, "second.qsd");
    EXPECT_EQ(d.m_strBackward, "first.qsd");
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(ui.Calls()[i].file.dwFlags, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
        EXPECT_EQ(ui.Calls()[i].file.strFilter, "Quillstorm Files (*.qsd)|*.qsd||");
        EXPECT_TRUE(ui.Calls()[i].file.bOpen);
    }
}

// ---- colour buttons ------------------------------------------------------------------------------

TEST(BehaviorDialogs, ColourButtonsAskForTheirColourAndShowIt) {
    ui::CScriptedUIServices ui;
    ui.AnswerColor(RGB(1, 2, 3));
    ui.CancelColor();
    ui.AnswerColor(RGB(7, 8, 9));
    CFocalFadeBhvrDialog d;
    d.m_crFocus = RGB(10, 10, 10);
    d.m_crUnfocus = RGB(20, 20, 20);
    d.StartModal();
    d.ClickButton(1046);
    d.ClickButton(1042);  // cancelled
    EXPECT_EQ(d.m_crUnfocus, RGB(20, 20, 20));
    d.ClickButton(1042);
    EXPECT_EQ(d.m_crFocus, RGB(1, 2, 3));
    EXPECT_EQ(d.m_crUnfocus, RGB(7, 8, 9));
    ASSERT_EQ(ui.Calls().size(), 3u);
    EXPECT_EQ(ui.Calls()[0].crInitial, RGB(10, 10, 10));
    EXPECT_EQ(ui.Calls()[1].crInitial, RGB(20, 20, 20));
    EXPECT_EQ(ui.Calls()[0].dwFlags & CC_FULLOPEN, CC_FULLOPEN);

    CFadeBhvrDialog fade;
    fade.m_crColor = RGB(200, 100, 50);
    gdi::Surface surface;
    ASSERT_TRUE(surface.Create(10, 6));
    CDC dc;
    dc.AttachSurface(&surface);
    dc.FillSolidRect(0, 0, 10, 6, RGB(128, 128, 128));
    fade.OnDrawItem(1041, &dc, CRect(0, 0, 10, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool frame = x == 0 || y == 0 || x == 9 || y == 5;
            ASSERT_EQ(dc.GetPixel(x, y), frame ? RGB(0, 0, 0) : RGB(200, 100, 50)) << x << "," << y;
        }
}

// ---- Cancel --------------------------------------------------------------------------------------

TEST(BehaviorDialogs, CancelLeavesTheMembersAsTheyWere) {
    ui::CScriptedUIServices ui;
    ui.AnswerColor(RGB(1, 1, 1));
    CFadeBhvrDialog d;
    d.m_dVelocity = 4.0;
    ui.AnswerDialog([](ui::CParamDialog& dlg) {
        dlg.TypeText(1040, "9");
        dlg.ClickButton(1041);
        return IDCANCEL;
    });
    EXPECT_EQ(d.DoModal(), IDCANCEL);
    EXPECT_EQ(d.m_dVelocity, 4.0);
}

// ---- shown by Qt ---------------------------------------------------------------------------------

class QtBehaviorDialogs : public ::testing::Test {
protected:
    CScopedQtUIServices m_services;
};

// The first enabled numeric field with a range, and a value above its range.
const FieldSpec* RangedField(const DialogSpec& s, const ui::CParamDialog& d) {
    for (const FieldSpec& f : s.fields)
        if (f.min && d.IsDlgItemEnabled(f.nId)) return &f;
    return nullptr;
}

std::string RangeMessage(const FieldSpec& f) {
    const bool bInteger = f.kind == Kind::Int || f.kind == Kind::UInt;
    return std::string(bInteger ? "Please enter an integer between " : "Please enter a number between ") + f.min + " and " +
           f.max + ".";
}

// The window's OK over a disabled field whose value lies outside its range (a loop ground's plane y
// above the window): the dialog closes and the value goes back unchanged.
TEST_F(QtBehaviorDialogs, OkPassesOverADisabledFieldOutOfItsRange) {
    CGravityDialog d;
    d.m_nGroundType = 3;
    d.m_nPlaneY = -75;
    bool bEditEnabled = true, bMessage = false;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* p = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(p, nullptr);
        auto* edit = p->findChild<QLineEdit*>("id1031");
        ASSERT_NE(edit, nullptr);
        bEditEnabled = edit->isEnabled();
        text = edit->text();
        // A range message would come up over the dialog: answered, and the dialog cancelled.
        QTimer::singleShot(0, [&] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                bMessage = true;
                pBox->button(QMessageBox::Ok)->click();
            }
        });
        p->findChild<QPushButton*>("id1")->click();
        if (p->isVisible()) p->reject();
    });
    EXPECT_EQ(d.DoModal(), IDOK);
    EXPECT_FALSE(bMessage);
    EXPECT_FALSE(bEditEnabled);
    EXPECT_EQ(text, "-75");
    EXPECT_EQ(d.m_nPlaneY, -75);
    EXPECT_EQ(d.m_nGroundType, 3);
}

TEST_F(QtBehaviorDialogs, EachDialogShowsItsTemplateAndKeepsOpenOnAValueOutOfRange) {
    for (const DialogSpec& s : Specs()) {
        SCOPED_TRACE(s.name);
        std::unique_ptr<ui::CParamDialog> d = s.make();
        QString title, message;
        QStringList labels, buttons;
        std::vector<std::pair<int, QStringList>> lists;
        bool bOpenAfterMessage = false;
        QTimer::singleShot(0, [&] {
            auto* p = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(p, nullptr);
            title = p->windowTitle();
            for (QLabel* l : p->findChildren<QLabel*>()) labels << l->text();
            for (QPushButton* b : p->findChildren<QPushButton*>()) buttons << b->text();
            for (const auto& [id, items] : s.lists) {
                auto* combo = p->findChild<QComboBox*>(QString("id%1").arg(id));
                QStringList now;
                if (combo)
                    for (int i = 0; i < combo->count(); ++i) now << combo->itemText(i);
                lists.emplace_back(id, now);
            }
            const FieldSpec* f = RangedField(s, *d);
            if (f) {
                auto* edit = p->findChild<QLineEdit*>(QString("id%1").arg(f->nId));
                ASSERT_NE(edit, nullptr);
                bOpenAfterMessage = TypeAndPressOKAnsweringTheMessage(p, edit, QString(f->max) + "1", &message);
                p->reject();
            } else {
                p->findChild<QPushButton*>("id1")->click();
            }
        });
        const int nResult = d->DoModal();
        EXPECT_EQ(title.toStdString(), s.title);
        for (const FieldSpec& f : s.fields) EXPECT_TRUE(labels.contains(f.label) || buttons.contains(f.label)) << f.label;
        for (size_t i = 0; i < lists.size(); ++i) {
            QStringList expected;
            for (const std::string& item : s.lists[i].second) expected << QString::fromStdString(item);
            EXPECT_EQ(lists[i].second, expected) << lists[i].first;
        }
        if (const FieldSpec* f = RangedField(s, *d)) {
            EXPECT_EQ(message.toStdString(), RangeMessage(*f));
            EXPECT_TRUE(bOpenAfterMessage);
            EXPECT_EQ(nResult, IDCANCEL);
        } else {
            EXPECT_EQ(nResult, IDOK);
            EXPECT_EQ(s.nTemplate, 141u) << "only the remove dialog has no number";
            EXPECT_TRUE(buttons.contains("Done"));
            EXPECT_FALSE(buttons.contains("Cancel"));
        }
    }
}

}  // namespace
