// The command dispatcher: ids that do nothing, the typographic, canvas, selection, simulation, pane,
// full-screen and file commands, the toggled labels and the dialogs (scripted).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "appfixture.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "pumenu/commandids.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/canvassizedialog.h"
#include "quillstorm/fontsizedialog.h"
#include "quillstorm/propertypanel.h"
#include "quillstorm/timelinepanel.h"

namespace {

// Two families of the fonts the tests install: "DejaVu Sans" with Book and Bold, "DejaVu Serif" with
// Book. Font items: 200 DejaVu Sans, 201 Book, 202 Bold, 203 DejaVu Serif, 204 Book.
class CTwoFamilies : public CFontSource {
public:
    std::vector<Family> EnumFamilies() const override {
        return {{"DejaVu Sans", TRUETYPE_FONTTYPE}, {"DejaVu Serif", TRUETYPE_FONTTYPE}};
    }
    std::vector<Face> EnumFaces(const std::string& family) const override {
        std::vector<Face> out;
        for (const char* style : family == "DejaVu Sans" ? std::vector<const char*>{"Book", "Bold"}
                                                         : std::vector<const char*>{"Book"}) {
            Face f{};
            std::strncpy(f.elf.elfLogFont.lfFaceName, family.c_str(), LF_FACESIZE - 1);
            f.elf.elfLogFont.lfWeight = std::strcmp(style, "Bold") == 0 ? FW_BOLD : FW_NORMAL;
            std::snprintf(f.elf.elfFullName, LF_FULLFACESIZE, "%s %s", family.c_str(), style);
            std::strncpy(f.elf.elfStyle, style, LF_FACESIZE - 1);
            f.nFontType = TRUETYPE_FONTTYPE;
            out.push_back(f);
        }
        return out;
    }
    bool GetInstalledFontNames(std::vector<std::string>* names) const override {
        *names = {"DejaVu Sans Book (TrueType)", "DejaVu Sans Bold (TrueType)", "DejaVu Serif Book (TrueType)"};
        return true;
    }
};

// UI services whose colour dialog first runs a hook (a tick inside the dialog, say).
class CHookedUI : public ui::CScriptedUIServices {
public:
    std::function<void()> onColorDialog;
    BOOL ChooseColor(COLORREF crInitial, DWORD dwFlags, COLORREF* pResult) override {
        if (onColorDialog) onColorDialog();
        return CScriptedUIServices::ChooseColor(crInitial, dwFlags, pResult);
    }
};

// The same elements once each, in order.
std::vector<CKTElement*> ListOf(const CKTElementList& list) {
    std::vector<CKTElement*> out;
    for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos));
    return out;
}

class Commands : public AppFixture {
protected:
    CTwoFamilies m_fontSource;

    void SetUp() override {
        AppFixture::SetUp();
        CQuillView::s_pFontSource = &m_fontSource;
        ASSERT_TRUE(Start());
        CQuillView::s_pFontSource = nullptr;
        ASSERT_TRUE(View());
    }

    void TearDown() override {
        if (View() && View()->m_pPreview) {
            delete View()->m_pPreview;
            View()->m_pPreview = nullptr;
        }
        AppFixture::TearDown();
    }

    CQuillView* v() const { return View(); }

    static CKTElement* Child(CKTElement* p, int i) { return p->GetChildAt(i); }

    void Select(std::initializer_list<CKTElement*> elements) {
        v()->m_selection.RemoveAll();
        for (CKTElement* e : elements) v()->m_selection.AddTail(e);
    }

    // What a command could change, read at once.
    struct State {
        BYTE bModified;
        COLORREF crTyping;
        int nPointSize;
        LOGFONT lf;
        std::vector<CKTElement*> selection;
        CKTElement* pSelected;
        COLORREF crBack;
        int nRunState;
        CRect rcFrame;
        int nMouseMode;
        BYTE bCaretHidden, bCaretShown, bGrid, bHierarchy, bFull;
        BOOL bPanel, bPanelBlend, bTimeline, bTimelineBlend;
        std::vector<std::string> labels;
        CKTBook* pBook;
    };
    State Snapshot() const {
        State s{};
        s.bModified = v()->m_bModified;
        s.crTyping = v()->m_crTypingColor;
        s.nPointSize = v()->m_nPointSize;
        s.lf = v()->m_logFont;
        s.selection = ListOf(v()->m_selection);
        s.pSelected = v()->m_pSelected;
        s.crBack = Book()->GetBackgroundColor();
        s.nRunState = Book()->GetRunState();
        s.rcFrame = Frame()->GetWindowRect();
        s.nMouseMode = v()->m_nMouseMode;
        s.bCaretHidden = v()->m_bCaretHidden;
        s.bCaretShown = v()->m_bCaretShown;
        s.bGrid = v()->m_bShowGrid;
        s.bHierarchy = v()->m_bShowHierarchy;
        s.bFull = v()->m_bStartFullScreen;
        s.bPanel = v()->m_pPropertyPanel->IsVisible();
        s.bPanelBlend = v()->m_pPropertyPanel->IsTranslucent();
        s.bTimeline = v()->m_pTimeline->IsVisible();
        s.bTimelineBlend = v()->m_pTimeline->IsTranslucent();
        for (CPUMenuItem* p : {v()->m_pSimulateItem, v()->m_pCursorItem, v()->m_pGridItem, v()->m_pHierarchyItem,
                               v()->m_pPanelItem, v()->m_pTransparentItem, v()->m_pFullScreenItem,
                               v()->m_pWordnozzleItem, v()->m_pCaptureItem})
            s.labels.push_back(p ? p->GetLabel() : "(none)");
        s.pBook = Book();
        return s;
    }
    void ExpectUnchanged(const State& a, const State& b, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(a.bModified, b.bModified);
        EXPECT_EQ(a.crTyping, b.crTyping);
        EXPECT_EQ(a.nPointSize, b.nPointSize);
        EXPECT_EQ(std::memcmp(&a.lf, &b.lf, sizeof(LOGFONT)), 0);
        EXPECT_EQ(a.selection, b.selection);
        EXPECT_EQ(a.pSelected, b.pSelected);
        EXPECT_EQ(a.crBack, b.crBack);
        EXPECT_EQ(a.nRunState, b.nRunState);
        EXPECT_EQ(a.rcFrame, b.rcFrame);
        EXPECT_EQ(a.nMouseMode, b.nMouseMode);
        EXPECT_EQ(a.bCaretHidden, b.bCaretHidden);
        EXPECT_EQ(a.bCaretShown, b.bCaretShown);
        EXPECT_EQ(a.bGrid, b.bGrid);
        EXPECT_EQ(a.bHierarchy, b.bHierarchy);
        EXPECT_EQ(a.bFull, b.bFull);
        EXPECT_EQ(a.bPanel, b.bPanel);
        EXPECT_EQ(a.bPanelBlend, b.bPanelBlend);
        EXPECT_EQ(a.bTimeline, b.bTimeline);
        EXPECT_EQ(a.bTimelineBlend, b.bTimelineBlend);
        EXPECT_EQ(a.labels, b.labels);
        EXPECT_EQ(a.pBook, b.pBook);
    }
};

// ---- ids that do nothing -------------------------------------------------------------------------

TEST_F(Commands, IdsWithoutACommandAndCommandsStillToComeDoNothing) {
    CKTPassage* pPassage = AddPassage({"ab"});
    Select({pPassage, Child(pPassage, 0)});
    v()->m_pSelected = Child(pPassage, 0);
    std::vector<UINT> ids = {0, 1, 2, 4, 5, 7, 8, 9, 13, 14, 15, 16, 18, 19, 20, 21, 26, 27, 35, 36, 37,
                             40, 41, 47, 49, 53, 54, 61, 71, 79, 86, 90};
    for (UINT id = 134; id <= 199; ++id) ids.push_back(id);
    // Softtypes: test_softtype.cpp; the text sprayer: test_sprayer.cpp; the background image:
    // test_backgroundimage.cpp. Of the behaviour commands (test_behaviors.cpp), scroll and sequential
    // refuse a selection and "add same" has nothing to repeat.
    for (UINT id : {124, 125, 132})
        ids.push_back(id);
    // Ids past the font items and a font id that names no font (the catalogue has five items).
    for (UINT id : {205u, 32767u, 32768u, 32771u, 57600u, 0xFFFFFFFFu}) ids.push_back(id);
    for (BYTE modified : {0, 1}) {
        v()->m_bModified = modified;
        for (UINT id : ids) {
            for (BOOL bAsk : {TRUE, FALSE}) {
                const State before = Snapshot();
                v()->ExecuteCommand(id, bAsk);
                ExpectUnchanged(before, Snapshot(), "id " + std::to_string(id));
            }
        }
    }
    EXPECT_TRUE(m_ui.Calls().empty());
}

// ---- typographic commands ------------------------------------------------------------------------

struct ColorCase {
    UINT id;
    COLORREF cr;
};
const ColorCase kColorPresets[] = {
    {10, RGB(255, 0, 0)},       {11, RGB(0, 255, 0)},       {12, RGB(61, 95, 141)},   {42, RGB(0, 0, 0)},
    {43, RGB(255, 255, 255)},   {87, RGB(61, 95, 141)},     {88, RGB(58, 104, 197)},  {89, RGB(100, 125, 158)},
    {96, RGB(204, 204, 204)},   {99, RGB(125, 125, 125)},
};

TEST_F(Commands, ColorPresetsWithoutASelectionSetOnlyTheTypingColor) {
    CKTPassage* pPassage = AddPassage({"ab"});
    pPassage->SetColor(RGB(1, 2, 3));
    for (const ColorCase& c : kColorPresets) {
        v()->m_crTypingColor = RGB(9, 9, 9);
        v()->ExecuteCommand(c.id, TRUE);
        EXPECT_EQ(v()->m_crTypingColor, c.cr) << c.id;
        EXPECT_EQ(v()->m_bModified, 0) << c.id;
        EXPECT_EQ(pPassage->GetColor(), RGB(1, 2, 3)) << c.id;
    }
}

TEST_F(Commands, ColorPresetsColourEachSelectedElementAndMarkModified) {
    CKTPassage* pPassage = AddPassage({"ab", "cd"});
    CKTElement* pWord = Child(pPassage, 1);
    CKTElement* pGlyph = Child(Child(pPassage, 0), 0);
    for (const ColorCase& c : kColorPresets) {
        pPassage->SetColor(RGB(1, 2, 3));
        v()->m_bModified = 0;
        Select({pGlyph, pWord});
        v()->ExecuteCommand(c.id, TRUE);
        EXPECT_EQ(v()->m_crTypingColor, c.cr) << c.id;
        EXPECT_EQ(v()->m_bModified, 1) << c.id;
        EXPECT_EQ(pGlyph->GetColor(), c.cr) << c.id;
        EXPECT_EQ(pWord->GetColor(), c.cr) << c.id;
        EXPECT_EQ(Child(pWord, 1)->GetColor(), c.cr) << "a word passes it on to its glyphs";
        EXPECT_EQ(Child(Child(pPassage, 0), 1)->GetColor(), RGB(1, 2, 3)) << "not selected";
    }
}

TEST_F(Commands, ColorDialogStartsAtTheTypingColourAndAppliesOnOkOnly) {
    CKTPassage* pPassage = AddPassage({"ab"});
    pPassage->SetColor(RGB(1, 2, 3));
    v()->m_crTypingColor = RGB(10, 20, 30);
    Select({pPassage});

    m_ui.CancelColor();
    v()->ExecuteCommand(ID_TYPE_COLOR, FALSE);
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_EQ(m_ui.Calls()[0].kind, ui::CScriptedUIServices::Kind::ChooseColor);
    EXPECT_EQ(m_ui.Calls()[0].crInitial, RGB(10, 20, 30));
    EXPECT_TRUE(m_ui.Calls()[0].dwFlags & CC_FULLOPEN);
    EXPECT_EQ(v()->m_crTypingColor, RGB(10, 20, 30));
    EXPECT_EQ(pPassage->GetColor(), RGB(1, 2, 3));
    EXPECT_EQ(v()->m_bModified, 0);

    m_ui.AnswerColor(RGB(200, 100, 50));
    v()->ExecuteCommand(ID_TYPE_COLOR, TRUE);
    EXPECT_EQ(v()->m_crTypingColor, RGB(200, 100, 50));
    EXPECT_EQ(pPassage->GetColor(), RGB(200, 100, 50));
    EXPECT_EQ(v()->m_bModified, 1);
    EXPECT_TRUE(m_ui.AllScripted());
}

TEST_F(Commands, SizeItemsSetTheHeightInTenthsOfAPoint) {
    CKTPassage* pPassage = AddPassage({"ab"});
    CKTElement* pWord = Child(pPassage, 0);
    auto* pPreview = new CKTPassage;
    pPreview->AppendChild(MakeWord("Q"), TRUE);
    v()->m_pPreview = pPreview;
    const int kSizes[] = {8, 12, 16, 24, 36, 48, 64};
    for (UINT id = 64; id <= 70; ++id) {
        const int n = kSizes[id - 64];
        for (bool bSelected : {false, true}) {
            SCOPED_TRACE(std::to_string(id) + (bSelected ? " selected" : " nothing selected"));
            pPassage->SetFontSize(5);
            v()->m_bModified = 0;
            Select({});
            if (bSelected) Select({pWord});
            v()->ExecuteCommand(id, TRUE);
            EXPECT_EQ(v()->m_nPointSize, n);
            EXPECT_EQ(v()->m_logFont.lfHeight, n * 10);
            EXPECT_EQ(pPreview->GetFontSize(), n);
            EXPECT_EQ(Child(pPreview->GetFirstChild(), 0)->GetFont().lfHeight, n * 10);
            EXPECT_EQ(v()->m_bModified, bSelected ? 1 : 0);
            EXPECT_EQ(pWord->GetFontSize(), bSelected ? n : 5);
            EXPECT_EQ(Child(pWord, 1)->GetFont().lfHeight, bSelected ? n * 10 : 50);
            EXPECT_EQ(pPassage->GetFontSize(), 5) << "the passage is not selected";
        }
    }
}

TEST_F(Commands, SizeDialogIsPrefilledWithThePointSizeAndShownWhateverBAsk) {
    CKTPassage* pPassage = AddPassage({"ab"});
    Select({pPassage});
    v()->ExecuteCommand(ID_SIZE_LARGE, TRUE);  // 36
    v()->m_bModified = 0;
    UINT nShown = 0;
    m_ui.AnswerDialog([&](ui::CParamDialog& d) {
        EXPECT_EQ(d.GetTitle(), "Set Font Size");
        nShown = static_cast<UINT>(std::stoul(d.GetDlgItemText(CFontSizeDialog::IDC_POINT_SIZE).str()));
        d.TypeText(CFontSizeDialog::IDC_POINT_SIZE, "30");
        return IDOK;
    });
    v()->ExecuteCommand(ID_TYPE_SIZE, FALSE);
    EXPECT_EQ(nShown, 36u);
    EXPECT_EQ(v()->m_nPointSize, 30);
    EXPECT_EQ(v()->m_logFont.lfHeight, 300);
    EXPECT_EQ(pPassage->GetFontSize(), 30);
    EXPECT_EQ(v()->m_bModified, 1);
}

TEST_F(Commands, FontItemsTakeTheCataloguesFaceAtTheTypingSize) {
    ASSERT_EQ(v()->m_fonts.GetFamilyCount(), 2);
    CKTPassage* pPassage = AddPassage({"ab"});
    auto* pPreview = new CKTPassage;
    v()->m_pPreview = pPreview;
    struct Case {
        UINT id;
        const char* face;
        LONG weight;
    };
    const Case cases[] = {{200, "DejaVu Sans", FW_NORMAL}, {201, "DejaVu Sans", FW_NORMAL}, {202, "DejaVu Sans", FW_BOLD},
                          {203, "DejaVu Serif", FW_NORMAL}, {204, "DejaVu Serif", FW_NORMAL}};
    v()->ExecuteCommand(ID_SIZE_SMALL, TRUE);  // 16
    for (const Case& c : cases) {
        for (bool bSelected : {false, true}) {
            SCOPED_TRACE(std::to_string(c.id) + (bSelected ? " selected" : ""));
            v()->m_bModified = 0;
            Select({});
            if (bSelected) Select({pPassage});
            v()->ExecuteCommand(c.id, TRUE);
            EXPECT_STREQ(v()->m_logFont.lfFaceName, c.face);
            EXPECT_EQ(v()->m_logFont.lfWeight, c.weight);
            EXPECT_EQ(v()->m_logFont.lfHeight, 160);
            EXPECT_STREQ(pPreview->GetFont().lfFaceName, c.face);
            EXPECT_EQ(v()->m_bModified, bSelected ? 1 : 0);
            if (bSelected) {
                EXPECT_STREQ(Child(Child(pPassage, 0), 1)->GetFont().lfFaceName, c.face);
                EXPECT_EQ(Child(Child(pPassage, 0), 1)->GetFont().lfHeight, 160);
            }
        }
    }
}

TEST_F(Commands, PartOfSpeechGoesToASelectedWordAndIsAChangeOfTheDocument) {
    CKTPassage* pPassage = AddPassage({"run"});
    auto* pWord = static_cast<CKTWord*>(Child(pPassage, 0));
    for (UINT id : {72u, 73u, 74u, 75u}) {
        v()->m_bModified = 0;
        v()->m_pSelected = pWord;
        v()->ExecuteCommand(id, TRUE);
        EXPECT_EQ(pWord->GetPartOfSpeech(), static_cast<int>(id - 71));
        EXPECT_EQ(v()->m_bModified, 1);
    }
    // Anything but a word as the primary selection: nothing.
    for (CKTElement* p : {static_cast<CKTElement*>(nullptr), static_cast<CKTElement*>(pPassage), Child(pWord, 0)}) {
        v()->m_bModified = 0;
        v()->m_pSelected = p;
        Select({pWord});
        v()->ExecuteCommand(ID_POS_NOUN, TRUE);
        EXPECT_EQ(pWord->GetPartOfSpeech(), 4);
        EXPECT_EQ(v()->m_bModified, 0);
    }
}

TEST_F(Commands, MoveSelectionNeedsASelection) {
    v()->ExecuteCommand(ID_MOVE_SELECTION, TRUE);
    EXPECT_EQ(v()->m_nMouseMode, 0);
    Select({AddPassage({"a"})});
    v()->ExecuteCommand(ID_MOVE_SELECTION, TRUE);
    EXPECT_EQ(v()->m_nMouseMode, 1);
    EXPECT_EQ(v()->m_bModified, 0);
}

// ---- selection commands --------------------------------------------------------------------------

TEST_F(Commands, SelectingTheCaretsElementsAndNothing) {
    CKTPassage* pPassage = AddPassage({"ab"});
    CKTElement* pWord = Child(pPassage, 0);
    CKTElement* pGlyph = Child(pWord, 1);
    v()->m_pCurPassage = pPassage;
    v()->m_pCurWord = static_cast<CKTWord*>(pWord);
    v()->m_pCurGlyph = static_cast<CKTGlyph*>(pGlyph);
    struct Case {
        UINT id;
        CKTElement* expected;
    };
    for (const Case& c : {Case{23, pGlyph}, Case{24, pWord}, Case{25, pPassage}}) {
        Select({Child(pWord, 0), pPassage});
        v()->m_bCaretShown = 1;
        v()->ExecuteCommand(c.id, TRUE);
        EXPECT_EQ(v()->m_pSelected, c.expected);
        EXPECT_EQ(ListOf(v()->m_selection), std::vector<CKTElement*>{c.expected});
        EXPECT_EQ(v()->m_bCaretShown, 0);
    }
    // A caret without a glyph: nothing is selected (the caret stays hidden).
    v()->m_pCurGlyph = nullptr;
    v()->ExecuteCommand(ID_SELECT_GLYPH, TRUE);
    EXPECT_EQ(v()->m_pSelected, nullptr);
    EXPECT_TRUE(v()->m_selection.IsEmpty());
    EXPECT_EQ(v()->m_bCaretShown, 0);

    // Nothing: the caret shows again unless the user hid it.
    for (BYTE bHidden : {0, 1}) {
        Select({pWord});
        v()->m_pSelected = pWord;
        v()->m_bCaretShown = 0;
        v()->m_bCaretHidden = bHidden;
        v()->ExecuteCommand(ID_SELECT_NOTHING, TRUE);
        EXPECT_EQ(v()->m_pSelected, nullptr);
        EXPECT_TRUE(v()->m_selection.IsEmpty());
        EXPECT_EQ(v()->m_bCaretShown, bHidden ? 0 : 1);
    }
    EXPECT_EQ(v()->m_bModified, 0);
}

TEST_F(Commands, ExpandingTheSelectionListsEachElementOnce) {
    CKTPassage* p1 = AddPassage({"ab", "c"});
    CKTPassage* p2 = AddPassage({"d"});
    CKTElement* w1 = Child(p1, 0);
    CKTElement* w2 = Child(p1, 1);
    CKTElement* w3 = Child(p2, 0);
    CKTElement* a = Child(w1, 0);
    CKTElement* b = Child(w1, 1);
    CKTElement* c = Child(w2, 0);
    CKTElement* d = Child(w3, 0);
    CKTWord* pLoose = MakeWord("xy");  // a word in no passage
    CKTElement* x = Child(pLoose, 0);
    CKTElement* root = Book()->GetRoot();
    struct Case {
        UINT id;
        std::vector<CKTElement*> from;
        std::vector<CKTElement*> expected;
    };
    const Case cases[] = {
        {97, {p1}, {a, b, c}},
        {97, {w1, a}, {a, b}},
        {97, {a, w1}, {a, b}},
        {97, {w2, p1, d}, {c, a, b, d}},
        {97, {root}, {}},
        {98, {a, w1}, {w1}},
        {98, {c, a, b}, {w2, w1}},
        {98, {p1, w2}, {w1, w2}},
        {98, {x}, {pLoose}},
        {98, {root, p2}, {w3}},
        {100, {w1, c, p2}, {p1, p2}},
        {100, {a, d, b}, {p1, p2}},
        {100, {pLoose, x}, {}},
        {100, {}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("case " + std::to_string(&k - cases));
        v()->m_selection.RemoveAll();
        for (CKTElement* e : k.from) v()->m_selection.AddTail(e);
        v()->m_pSelected = b;
        v()->ExecuteCommand(k.id, TRUE);
        EXPECT_EQ(ListOf(v()->m_selection), k.expected);
        EXPECT_EQ(v()->m_pSelected, b);
        EXPECT_EQ(v()->m_bModified, 0);
    }
    v()->m_selection.RemoveAll();
    delete pLoose;
}

// ---- canvas commands -----------------------------------------------------------------------------

TEST_F(Commands, CanvasColourPresetsAlwaysMarkModified) {
    const ColorCase cases[] = {{91, RGB(0, 0, 0)}, {92, RGB(61, 95, 141)}, {93, RGB(0, 255, 0)}, {94, RGB(255, 0, 0)},
                               {95, RGB(255, 255, 255)}};
    for (const ColorCase& c : cases) {
        Book()->SetBackgroundColor(RGB(1, 1, 1));
        v()->m_bModified = 0;
        v()->ExecuteCommand(c.id, TRUE);
        EXPECT_EQ(Book()->GetBackgroundColor(), c.cr) << c.id;
        EXPECT_EQ(v()->m_bModified, 1) << c.id;
    }
}

TEST_F(Commands, CanvasSizePresetsResizeTheClientArea) {
    struct Case {
        UINT id;
        int w, h;
    };
    for (const Case& c : {Case{120, 160, 120}, Case{121, 320, 240}, Case{122, 640, 480}, Case{123, 800, 600}}) {
        v()->m_bModified = 0;
        v()->ExecuteCommand(c.id, TRUE);
        EXPECT_EQ(v()->width(), c.w) << c.id;
        EXPECT_EQ(v()->height(), c.h) << c.id;
        EXPECT_EQ(v()->m_bModified, 1) << c.id;
    }
}

TEST_F(Commands, CanvasColourDialogStartsAtTheBackground) {
    Book()->SetBackgroundColor(RGB(5, 6, 7));
    m_ui.AnswerColor(RGB(70, 80, 90));
    v()->ExecuteCommand(ID_CANVAS_COLOR, FALSE);
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_EQ(m_ui.Calls()[0].crInitial, RGB(5, 6, 7));
    EXPECT_TRUE(m_ui.Calls()[0].dwFlags & CC_FULLOPEN);
    EXPECT_EQ(Book()->GetBackgroundColor(), RGB(70, 80, 90));
    EXPECT_EQ(v()->m_bModified, 1);
}

TEST_F(Commands, CanvasSizeDialogStartsAtTheClientSizeAndCapsEachSide) {
    v()->ExecuteCommand(ID_CANVAS_320X240, TRUE);
    struct Case {
        const char* entry;
        int w, h;
    };
    const Case cases[] = {{"300 x 200", 300, 200}, {"640X480", 640, 480}, {"20000 x 50", 16384, 50},
                          {"70 x 99999999999", 70, 16384}};
    for (const Case& c : cases) {
        v()->m_bModified = 0;
        const std::string expectedStart = std::to_string(v()->width()) + " x " + std::to_string(v()->height());
        std::string shown;
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            EXPECT_EQ(d.GetTitle(), "Set Canvas Size");
            shown = d.GetDlgItemText(CCanvasSizeDialog::IDC_SIZE).str();
            d.TypeText(CCanvasSizeDialog::IDC_SIZE, c.entry);
            return IDOK;
        });
        v()->ExecuteCommand(ID_CANVAS_SIZE, FALSE);
        EXPECT_EQ(shown, expectedStart) << c.entry;
        EXPECT_EQ(v()->width(), c.w) << c.entry;
        EXPECT_EQ(v()->height(), c.h) << c.entry;
        EXPECT_EQ(v()->m_bModified, 1) << c.entry;
    }
    EXPECT_TRUE(m_ui.AllScripted());
}

TEST_F(Commands, AnEntryThatDoesNotParseKeepsTheCanvas) {
    v()->ExecuteCommand(ID_CANVAS_320X240, TRUE);
    v()->m_bModified = 0;
    m_ui.AnswerDialog([](ui::CParamDialog& d) {
        d.TypeText(CCanvasSizeDialog::IDC_SIZE, "640");
        return IDOK;
    });
    v()->ExecuteCommand(ID_CANVAS_SIZE, TRUE);
    ASSERT_EQ(m_ui.Calls().size(), 2u);
    EXPECT_EQ(m_ui.Calls()[0].strText, "Unable to find 'x' in entry.\n\n Expect format: 'width x height'");
    EXPECT_EQ(m_ui.Calls()[0].nType & MB_TYPEMASK, MB_OK);
    EXPECT_EQ(v()->width(), 320);
    EXPECT_EQ(v()->m_bModified, 0);
}

// ---- dialogs: Cancel changes nothing, and the scene may change while they are open ------------------

TEST_F(Commands, CancelInAnyDialogChangesNothing) {
    CKTPassage* pPassage = AddPassage({"ab"});
    Select({pPassage});
    v()->m_pSelected = pPassage;
    for (UINT id : {ID_TYPE_COLOR, ID_TYPE_SIZE, ID_CANVAS_COLOR, ID_CANVAS_SIZE}) {
        m_ui.Clear();
        m_ui.CancelColor();
        // The dialog's fields are changed, then the user cancels.
        m_ui.AnswerDialog([](ui::CParamDialog& d) {
            if (dynamic_cast<CFontSizeDialog*>(&d)) d.TypeText(CFontSizeDialog::IDC_POINT_SIZE, "77");
            if (dynamic_cast<CCanvasSizeDialog*>(&d)) d.TypeText(CCanvasSizeDialog::IDC_SIZE, "100 x 100");
            return IDCANCEL;
        });
        const State before = Snapshot();
        const COLORREF crElement = pPassage->GetColor();
        const int nElementSize = pPassage->GetFontSize();
        v()->ExecuteCommand(id, TRUE);
        EXPECT_EQ(m_ui.Calls().size(), 1u) << id;
        ExpectUnchanged(before, Snapshot(), "dialog " + std::to_string(id));
        EXPECT_EQ(pPassage->GetColor(), crElement);
        EXPECT_EQ(pPassage->GetFontSize(), nElementSize);
    }
}

TEST_F(Commands, AfterADialogTheCommandWorksOnWhatStillExists) {
    CHookedUI hooked;  // installed over the fixture's services for this test
    CKTPassage* pPassage = AddPassage({"ab", "cd"});
    CKTElement* pDying = Child(pPassage, 0);
    CKTElement* pStaying = Child(pPassage, 1);

    // An element dies while the colour dialog is open (ticks run inside it).
    Select({pDying, pStaying});
    hooked.onColorDialog = [&] {
        pDying->Die(FALSE, FALSE);
        Book()->SetRunState(1);
        Book()->Step();
        Book()->SetRunState(0);
    };
    hooked.AnswerColor(RGB(9, 8, 7));
    v()->ExecuteCommand(ID_TYPE_COLOR, TRUE);
    EXPECT_EQ(ListOf(v()->m_selection), std::vector<CKTElement*>{pStaying});
    EXPECT_EQ(pStaying->GetColor(), RGB(9, 8, 7));

    // The book is replaced while the canvas colour dialog is open: the new book gets the colour.
    v()->m_bModified = 0;
    hooked.onColorDialog = [&] { v()->OnFileNew(); };
    hooked.AnswerColor(RGB(1, 2, 3));
    v()->ExecuteCommand(ID_CANVAS_COLOR, TRUE);
    EXPECT_EQ(Book()->GetRoot()->GetFirstChild(), nullptr) << "a new, empty scene";
    EXPECT_EQ(Book()->GetBackgroundColor(), RGB(1, 2, 3));

    // And while the typing colour dialog is open: the selection went with the old book.
    v()->m_bModified = 0;
    Select({AddPassage({"ef"})});
    hooked.AnswerColor(RGB(4, 5, 6));
    v()->ExecuteCommand(ID_TYPE_COLOR, TRUE);
    EXPECT_TRUE(v()->m_selection.IsEmpty());
    EXPECT_EQ(v()->m_crTypingColor, RGB(4, 5, 6));
    EXPECT_EQ(v()->m_bModified, 0);
}

TEST_F(Commands, AnElementThatDiesInTheSizeDialogIsNotResized) {
    CKTPassage* pPassage = AddPassage({"ab", "cd"});
    CKTElement* pDying = Child(pPassage, 0);
    CKTElement* pStaying = Child(pPassage, 1);
    Select({pDying, pStaying});
    m_ui.AnswerDialog([&](ui::CParamDialog& d) {
        pDying->Die(FALSE, FALSE);
        Book()->SetRunState(1);
        Book()->Step();
        d.TypeText(CFontSizeDialog::IDC_POINT_SIZE, "20");
        return IDOK;
    });
    v()->ExecuteCommand(ID_TYPE_SIZE, TRUE);
    EXPECT_EQ(ListOf(v()->m_selection), std::vector<CKTElement*>{pStaying});
    EXPECT_EQ(pStaying->GetFontSize(), 20);
}

// ---- simulation, panes, labels -------------------------------------------------------------------

TEST_F(Commands, SimulateStartsTheBookUnlessItRuns) {
    struct Case {
        int before, after;
        const char* label;
    };
    for (const Case& c : {Case{0, 1, "stop simulate"}, Case{1, 0, "simulate"}, Case{2, 1, "stop simulate"},
                          Case{-1, 1, "stop simulate"}}) {
        Book()->SetRunState(c.before);
        v()->ExecuteCommand(ID_SIMULATE, TRUE);
        EXPECT_EQ(Book()->GetRunState(), c.after) << c.before;
        EXPECT_STREQ(v()->m_pSimulateItem->GetLabel(), c.label) << c.before;
        EXPECT_EQ(v()->m_bModified, 0);
    }
}

TEST_F(Commands, StoppingTheSimulationPutsTheCaretBackOnItsGlyph) {
    CKTPassage* pPassage = AddPassage({"ab"});
    v()->m_pCurPassage = pPassage;
    v()->m_pCurWord = static_cast<CKTWord*>(Child(pPassage, 0));
    v()->m_pCurGlyph = static_cast<CKTGlyph*>(Child(Child(pPassage, 0), 1));
    v()->UpdateCaret();
    v()->ExecuteCommand(ID_SIMULATE, TRUE);
    pPassage->MoveBy(40, 30);  // the scene moved it
    const CPoint before = v()->m_ptCaret;
    v()->ExecuteCommand(ID_SIMULATE, TRUE);
    EXPECT_EQ(v()->m_ptCaret, CPoint(before.x + 40, before.y + 30));
}

// Each toggle's label from its padded initial label, then after each of three toggles.
TEST_F(Commands, ToggledItemsNameTheirNextAction) {
    struct Case {
        UINT id;
        CPUMenuItem* CQuillView::*item;
        const char* labels[4];
    };
    const Case cases[] = {
        {39, &CQuillView::m_pSimulateItem, {"simulate", "stop simulate", "simulate", "stop simulate"}},
        {106, &CQuillView::m_pCursorItem, {"hide cursor          (F2)", "show cursor", "hide cursor", "show cursor"}},
        {128, &CQuillView::m_pGridItem, {"show grid            (F3)", "hide grid", "show grid", "hide grid"}},
        {101, &CQuillView::m_pHierarchyItem, {"show hierarchy       (F4)", "hide hierarchy", "show hierarchy", "hide hierarchy"}},
        {102, &CQuillView::m_pPanelItem,
         {"show property panel  (F5)", "hide property panel", "show property panel", "hide property panel"}},
        {104, &CQuillView::m_pTransparentItem, {"transparent", "opaque", "transparent", "opaque"}},
        {127, &CQuillView::m_pFullScreenItem, {"fullscreen           (F6)", "window", "fullscreen", "window"}},
    };
    for (const Case& c : cases) {
        CPUMenuItem* pItem = v()->*c.item;
        ASSERT_TRUE(pItem) << c.id;
        EXPECT_STREQ(pItem->GetLabel(), c.labels[0]) << c.id;
        for (int i = 1; i <= 3; ++i) {
            v()->ExecuteCommand(c.id, TRUE);
            EXPECT_STREQ(pItem->GetLabel(), c.labels[i]) << c.id << " toggle " << i;
        }
        v()->ExecuteCommand(c.id, TRUE);  // back to the start
    }
    EXPECT_EQ(v()->m_bModified, 0);
}

TEST_F(Commands, PaneTogglesAndTheFrameCommandsFlipTheSameState) {
    struct Case {
        UINT id;
        void (CQuillView::*frameCommand)();
        BOOL (CQuillView::*checked)() const;
    };
    const Case cases[] = {
        {101, &CQuillView::OnShowHierarchy, &CQuillView::OnUpdateShowHierarchy},
        {102, &CQuillView::OnShowPropertyPanel, &CQuillView::OnUpdateShowPropertyPanel},
        {104, &CQuillView::OnTransparentPanel, &CQuillView::OnUpdateTransparentPanel},
        {103, &CQuillView::OnShowTimeline, &CQuillView::OnUpdateShowTimeline},
        {105, &CQuillView::OnTransparentTimeline, &CQuillView::OnUpdateTransparentTimeline},
    };
    for (const Case& c : cases) {
        CQuillView& view = *v();
        EXPECT_FALSE((view.*c.checked)()) << c.id << ": hidden and opaque at the start";
        view.ExecuteCommand(c.id, TRUE);
        EXPECT_TRUE((view.*c.checked)()) << c.id;
        (view.*c.frameCommand)();
        EXPECT_FALSE((view.*c.checked)()) << c.id;
        (view.*c.frameCommand)();
        EXPECT_TRUE((view.*c.checked)()) << c.id;
    }
    EXPECT_STREQ(v()->m_pHierarchyItem->GetLabel(), "hide hierarchy");
    EXPECT_STREQ(v()->m_pPanelItem->GetLabel(), "hide property panel");
    EXPECT_STREQ(v()->m_pTransparentItem->GetLabel(), "opaque");
    EXPECT_EQ(v()->m_bShowHierarchy, 1);
}

TEST_F(Commands, HidingTheCaretAndShowingItAgain) {
    CKTPassage* pPassage = AddPassage({"a"});
    for (bool bSelected : {false, true}) {
        Select({});
        if (bSelected) Select({pPassage});
        v()->m_bCaretShown = 1;
        v()->ExecuteCommand(ID_TOGGLE_CURSOR, TRUE);
        EXPECT_EQ(v()->m_bCaretHidden, 1);
        EXPECT_EQ(v()->m_bCaretShown, 0);
        v()->ExecuteCommand(ID_TOGGLE_CURSOR, TRUE);
        EXPECT_EQ(v()->m_bCaretHidden, 0);
        EXPECT_EQ(v()->m_bCaretShown, bSelected ? 0 : 1) << "shown again only when nothing is selected";
    }
}

TEST_F(Commands, FullScreenOnAndOffRestoresTheFrameExactly) {
    v()->ExecuteCommand(ID_CANVAS_320X240, TRUE);
    Frame()->SetWindowRect(CRect(30, 40, 30 + Frame()->GetWindowRect().Width(), 40 + Frame()->GetWindowRect().Height()));
    const CRect before = Frame()->GetWindowRect();
    ASSERT_EQ(before.TopLeft(), CPoint(30, 40));
    v()->m_bModified = 0;
    v()->ExecuteCommand(ID_FULLSCREEN, TRUE);
    EXPECT_EQ(v()->m_bStartFullScreen, 1);
    EXPECT_TRUE(Frame()->isFullScreen());
    EXPECT_EQ(v()->m_rcCanvas, before);
    v()->ExecuteCommand(ID_FULLSCREEN, TRUE);
    EXPECT_EQ(v()->m_bStartFullScreen, 0);
    EXPECT_FALSE(Frame()->isFullScreen());
    EXPECT_EQ(Frame()->GetWindowRect(), before);
    EXPECT_EQ(v()->width(), 320);
    EXPECT_EQ(v()->m_bModified, 0);
}

// Leaving full screen, a window manager restores the geometry it kept from before (here: the whole
// screen) after the frame asked for its own: the frame goes back to the rectangle it had, once the
// manager is done. A move after that is the user's and stays.
TEST_F(Commands, LeavingFullScreenOutlastsTheWindowManagersRestore) {
    Frame()->SetWindowRect(CRect(30, 40, 30 + 400, 40 + 300));
    auto settle = [this] {
        QElapsedTimer waited;
        waited.start();
        while ((Frame()->IsPlacingWindow() || waited.elapsed() < 50) && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    };
    settle();
    const CRect before = Frame()->GetWindowRect();
    ASSERT_EQ(before, CRect(30, 40, 430, 340));
    v()->ExecuteCommand(ID_FULLSCREEN, TRUE);
    v()->ExecuteCommand(ID_FULLSCREEN, TRUE);
    Frame()->setGeometry(Frame()->screen()->geometry());  // the manager's late restore
    settle();
    EXPECT_EQ(Frame()->GetWindowRect(), before);
    Frame()->move(100, 120);
    settle();
    EXPECT_EQ(Frame()->GetWindowRect().TopLeft(), CPoint(100, 120));
}

// ---- general commands ----------------------------------------------------------------------------

TEST_F(Commands, FileCommandsRunTheViewsHandlersAndNeverMarkModified) {
    AddPassage({"ab"});
    v()->ExecuteCommand(ID_FILECMD_NEW, TRUE);
    EXPECT_EQ(Book()->GetRoot()->GetFirstChild(), nullptr) << "a new, empty scene";
    EXPECT_TRUE(m_ui.Calls().empty()) << "nothing to save";

    // The new scene has no name yet: save asks for one.
    m_ui.AnswerFileDialog(Path("named.qsd"));
    v()->ExecuteCommand(ID_FILECMD_SAVE, TRUE);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Path("named.qsd"))));

    m_ui.CancelFileDialog();
    v()->ExecuteCommand(ID_FILECMD_OPEN, TRUE);
    m_ui.CancelFileDialog();
    v()->ExecuteCommand(ID_FILECMD_SAVE_AS, TRUE);
    ASSERT_EQ(m_ui.Calls().size(), 3u);
    EXPECT_FALSE(m_ui.Calls()[0].file.bOpen);
    EXPECT_TRUE(m_ui.Calls()[1].file.bOpen);
    EXPECT_FALSE(m_ui.Calls()[2].file.bOpen);
    EXPECT_EQ(v()->m_bModified, 0);
}

TEST_F(Commands, ExitAsksTheMainWindowToCloseAfterTheCommand) {
    v()->m_bModified = 1;
    m_ui.AnswerMessageBox(IDCANCEL);
    v()->ExecuteCommand(ID_EXIT, TRUE);
    EXPECT_TRUE(m_ui.Calls().empty()) << "posted, not run inside the command";
    QCoreApplication::processEvents();
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_EQ(m_ui.Calls()[0].strText, "Save changes before exiting Quillstorm!?");
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_TRUE(View());
}

// ---- the dialogs' own logic ----------------------------------------------------------------------

TEST(CanvasSizeDialog, ParsesWidthAndHeight) {
    struct Case {
        const char* entry;
        const char* error;  // NULL: both sides parsed
        UINT w, h;          // afterwards (starting from 1 x 2)
    };
    const Case cases[] = {
        {"640x480", nullptr, 640, 480},
        {"640 X 480", nullptr, 640, 480},
        {"640 x 480", nullptr, 640, 480},
        {"640 x 480 x 2", nullptr, 640, 480},
        {"  7x  9", nullptr, 7, 9},
        {"+5 x 6abc", nullptr, 5, 6},
        {"640 480", "Unable to find 'x' in entry.", 1, 2},
        {"", "Unable to find 'x' in entry.", 1, 2},
        {"x480", "Unable to find width in entry.", 1, 2},
        {"640x", "Unable to find height in entry.", 640, 2},
        {"0 x 480", "Width must be greater than 0.", 1, 2},
        {"abc x 480", "Width must be greater than 0.", 1, 2},
        {" x 480", "Width must be greater than 0.", 1, 2},
        {"-3 x 4", "Width must be greater than 0.", 1, 2},
        {"640 x 0", "Height must be greater than 0.", 640, 2},
        {"640 x -1", "Height must be greater than 0.", 640, 2},
        {"640 x  ", "Height must be greater than 0.", 640, 2},
        {"99999999999999999999 x 3", nullptr, 2147483647u, 3},
        {"-99999999999999999999 x 3", "Width must be greater than 0.", 1, 2},
    };
    for (const Case& c : cases) {
        UINT w = 1, h = 2;
        const char* error = CCanvasSizeDialog::ParseSize(c.entry, w, h);
        if (c.error) {
            EXPECT_STREQ(error, c.error) << '"' << c.entry << '"';
        } else {
            EXPECT_EQ(error, nullptr) << '"' << c.entry << '"' << ": " << error;
        }
        EXPECT_EQ(w, c.w) << '"' << c.entry << '"';
        EXPECT_EQ(h, c.h) << '"' << c.entry << '"';
    }
}

TEST(CanvasSizeDialog, OnOkShowsTheErrorWithTheExpectedFormatAndStaysOpen) {
    ui::CScriptedUIServices script;
    CCanvasSizeDialog dlg;
    dlg.m_nWidth = 10;
    dlg.m_nHeight = 20;
    dlg.StartModal();
    EXPECT_EQ(dlg.GetDlgItemText(CCanvasSizeDialog::IDC_SIZE), "10 x 20");
    dlg.TypeText(CCanvasSizeDialog::IDC_SIZE, "55 x");
    dlg.ClickButton(IDOK);
    EXPECT_FALSE(dlg.IsEnded());
    ASSERT_EQ(script.Calls().size(), 1u);
    EXPECT_EQ(script.Calls()[0].strText, "Unable to find height in entry.\n\n Expect format: 'width x height'");
    EXPECT_EQ(dlg.m_nWidth, 55u) << "a width that passed stays stored";
    EXPECT_EQ(dlg.m_nHeight, 20u);

    // The user cannot type more than the list's 18 characters.
    dlg.TypeText(CCanvasSizeDialog::IDC_SIZE, "640 x 480          .");
    EXPECT_EQ(dlg.GetDlgItemText(CCanvasSizeDialog::IDC_SIZE), "640 x 480         ");

    dlg.TypeText(CCanvasSizeDialog::IDC_SIZE, "800 x 600");
    dlg.ClickButton(IDOK);
    EXPECT_EQ(dlg.GetResult(), IDOK);
    EXPECT_EQ(dlg.m_nWidth, 800u);
    EXPECT_EQ(dlg.m_nHeight, 600u);
    EXPECT_EQ(dlg.m_strSize, "800 x 600");
    EXPECT_EQ(script.Calls().size(), 1u);
}

TEST(CanvasSizeDialog, AnEntryLongerThanTheListTakesIsParsedThenRefusedByTheExchange) {
    // "%u x %u" of the largest sides is 23 characters: the parser takes it, the exchange refuses it.
    ui::CScriptedUIServices script;
    CCanvasSizeDialog dlg;
    dlg.m_nWidth = 4294967295u;
    dlg.m_nHeight = 4294967295u;
    dlg.StartModal();
    dlg.ClickButton(IDOK);
    EXPECT_FALSE(dlg.IsEnded());
    ASSERT_EQ(script.Calls().size(), 1u);
    EXPECT_EQ(script.Calls()[0].strText, "Please enter no more than 18 characters.");
    EXPECT_EQ(dlg.GetFocusId(), CCanvasSizeDialog::IDC_SIZE);
}

TEST(CanvasSizeDialog, TheListHoldsThePresetSizes) {
    CCanvasSizeDialog dlg;
    EXPECT_EQ(dlg.GetTemplateId(), 166u);
    const ui::DialogControl* c = dlg.GetDlgItem(1060);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->type, ui::ControlType::DropDown);
    EXPECT_EQ(c->items, (std::vector<std::string>{"160 x 120", "320 x 240", "640 x 480", "800 x 600"}));
    const ui::DialogControl& label = dlg.GetControls()[0];
    EXPECT_TRUE(label.bLabel);
    EXPECT_EQ(label.strText, "Width x Height");
    ASSERT_EQ(dlg.GetFields().size(), 1u);
    EXPECT_EQ(dlg.GetFields()[0].kind, ui::DialogField::Kind::Text);
    EXPECT_EQ(dlg.GetFields()[0].nMaxChars, 18);
}

TEST(FontSizeDialog, PointSizeIsAPositiveIntegerUpTo10000) {
    CFontSizeDialog dlg;
    EXPECT_EQ(dlg.GetTitle(), "Set Font Size");
    EXPECT_EQ(dlg.GetTemplateId(), 163u);
    ASSERT_EQ(dlg.GetFields().size(), 1u);
    const ui::DialogField& f = dlg.GetFields()[0];
    EXPECT_EQ(f.nId, 1051);
    EXPECT_EQ(dlg.GetControls()[0].strText, "Point Size");
    struct Case {
        const char* text;
        bool ok;
        UINT value;
    };
    for (const Case& c : {Case{"1", true, 1}, Case{"10000", true, 10000}, Case{" 24 ", true, 24}, Case{"0", false, 7},
                          Case{"10001", false, 7}, Case{"-5", false, 7}, Case{"abc", false, 7}}) {
        dlg.m_nSize = 7;
        std::string error;
        EXPECT_EQ(ui::TextToField(f, c.text, &error), c.ok) << c.text;
        EXPECT_EQ(dlg.m_nSize, c.value) << c.text;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
        }
    }
    std::string error;
    dlg.m_nSize = 7;
    ui::TextToField(f, "0", &error);
    EXPECT_EQ(error, "Please enter an integer between 1 and 10000.");
}

}  // namespace
