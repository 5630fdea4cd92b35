// Renderers: the calls an element makes into its renderer and their order, copies handed down to the
// children, event registration and dispatch, and the default renderer's extent and drawing.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "kinetype/kterdefault.h"
#include "kttesthelp.h"
#include "ktrecorder.h"
#include "test_element_fixture.h"

using kttest::Font;
using kttest::GlyphOf;
using kttest::NewGlyph;
using kttest::NewWord;
typedef std::vector<std::string> Strings;

IMPLEMENT_SERIAL(CKTLogRenderer, CKTElementRenderer, 0)
std::vector<std::string>* CKTLogRenderer::g_pRendererLog = nullptr;

void CKTLogRenderer::SetElement(CKTElement* p, BYTE bFlag) {
    Log(p ? "element:" + std::to_string(p->GetKind()) : std::string("element:none"));
    if (!p) return;
    m_pElement = p;
    GiveChildrenClones(p, bFlag);
}

namespace {

class RendererTest : public kttest::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        CKTLogRenderer::g_pRendererLog = &m_log;
    }
    void TearDown() override {
        SceneTest::TearDown();
        CKTLogRenderer::g_pRendererLog = nullptr;
    }
    std::vector<CKTComponent*> Listeners(int nEvent) {
        std::vector<CKTComponent*> v;
        for (POSITION pos = m_pBook->GetFirstListenerPosition(nEvent); pos;) v.push_back(m_pBook->GetNextListener(nEvent, pos));
        return v;
    }
    Strings m_log;
};

// ---- what the element pushes, in which order ------------------------------------------------------

TEST_F(RendererTest, SetRendererPushesFontSizeColourCharThenElement) {
    CKTGlyph* g = NewGlyph('a', 160);
    g->SetColor(255);
    g->SetRenderer(new CKTLogRenderer, TRUE);
    EXPECT_EQ(m_log, (Strings{"font:160", "size:16", "color:255", "char:a", "element:5"}));

    // A word pushes no character; its renderer hands each glyph a copy, which gets its glyph's values.
    m_log.clear();
    CKTWord* pWord = NewWord("xy");
    pWord->SetColor(7);
    pWord->SetRenderer(new CKTLogRenderer, TRUE);
    EXPECT_EQ(m_log, (Strings{"font:160", "size:16", "color:7", "element:4",                 // the word's
                              "font:160", "size:16", "color:7", "char:x", "element:5",       // x's copy
                              "font:160", "size:16", "color:7", "char:y", "element:5"}));    // y's copy
    m_log.clear();
    delete pWord;
    delete g;
    EXPECT_EQ(m_log, (Strings{"deleted", "deleted", "deleted", "deleted"}));  // y, x, the word's, g's
}

TEST_F(RendererTest, FontGoesToTheOwnRendererFirstSizeToTheChildrenFirst) {
    CKTWord* pWord = NewWord("q");
    pWord->SetRenderer(new CKTLogRenderer, TRUE);
    m_log.clear();
    pWord->SetFont(Font(200));
    EXPECT_EQ(m_log, (Strings{"font:200", "font:200"}));  // the word's renderer, then the glyph's
    m_log.clear();
    pWord->SetFontSize(9);
    EXPECT_EQ(m_log, (Strings{"size:9", "font:90", "size:9", "font:90"}));  // the glyph's pair first
    m_log.clear();
    pWord->SetColor(3);
    EXPECT_EQ(m_log, (Strings{"color:3", "color:3"}));
    m_log.clear();
    GlyphOf(pWord, 0)->SetChar('z');
    EXPECT_EQ(m_log, (Strings{"char:z"}));
    delete pWord;
}

TEST_F(RendererTest, LoadingPushesFontThenColourThenCharacter) {
    AfxRegisterClass(RUNTIME_CLASS(CKTLogRenderer));
    CKTGlyph* g = NewGlyph('k', 120);
    g->SetColor(RGB(9, 8, 7));
    g->SetRenderer(new CKTLogRenderer, TRUE);
    const kttest::Bytes bytes = kttest::StoreObject(g);
    m_log.clear();
    CObject* p;
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        p = kttest::LoadObject(bytes, RUNTIME_CLASS(CKTGlyph));
    }
    EXPECT_EQ(m_log, (Strings{"font:120", "color:" + std::to_string(RGB(9, 8, 7)), "char:k"}));
    auto* pLoaded = static_cast<CKTGlyph*>(p);
    EXPECT_EQ(pLoaded->GetRenderer()->GetElement(), pLoaded);  // from the renderer's own record
    EXPECT_EQ(pLoaded->GetRenderer()->GetType(), 99);
    delete pLoaded;
    delete g;
}

// ---- copies handed down -------------------------------------------------------------------------

TEST_F(RendererTest, DefaultRendererOnAPassageDrawsOnlyThroughItsGlyphs) {
    CKTPassage* pPassage = AddPassage();
    pPassage->AppendChild(NewWord("ab"), TRUE);
    pPassage->AppendChild(NewWord("c"), TRUE);
    pPassage->SetRenderer(new CKTERDefault, TRUE);

    std::vector<CKTComponent*> expected;
    for (CKTElement* w = pPassage->GetFirstChild(); w; w = w->GetNextSibling()) {
        ASSERT_EQ(w->GetRendererType(), 1);
        EXPECT_FALSE(w->GetRenderer()->IsRegistered(EV_DRAW));
        for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) {
            EXPECT_TRUE(g->GetRenderer()->IsRegistered(EV_DRAW));
            EXPECT_EQ(g->GetRenderer()->GetElement(), g);
            expected.push_back(g->GetRenderer());
        }
    }
    EXPECT_FALSE(pPassage->GetRenderer()->IsRegistered(EV_DRAW));
    EXPECT_EQ(Listeners(EV_DRAW), expected);  // the glyphs' old renderers left the list
}

TEST_F(RendererTest, ARefusedCloneIsFreedByTheRenderer) {
    CKTWord* pWord = NewWord("ab");
    AddPassage()->AppendChild(pWord, TRUE);
    auto* pForbid = new CKTLogRenderer;
    pForbid->m_bAllowChildren = FALSE;  // its clones forbid too, but the word's own answer decides
    pWord->SetRenderer(pForbid, TRUE);
    // The word's renderer forbids child renderers: each glyph refuses its clone (freed, logged).
    EXPECT_EQ(m_log, (Strings{"font:160", "size:16", "color:0", "element:4", "deleted", "deleted"}));
    EXPECT_EQ(GlyphOf(pWord, 0)->GetRendererType(), 1);  // the default ones stay
}

// ---- registration and dispatch ------------------------------------------------------------------

class CEventLogRenderer : public CKTElementRenderer {
public:
    explicit CEventLogRenderer(Strings& log) : m_log(log) {}
    void Draw() override { m_log.push_back("draw"); }
    void OnPreStep() override { m_log.push_back("pre"); }
    void OnStep() override { m_log.push_back("step"); }
    void OnPostStep() override { m_log.push_back("post"); }
    Strings& m_log;
};

TEST_F(RendererTest, EventsGoToTheirOwnVirtuals) {
    CEventLogRenderer r(m_log);
    for (int e = -1; e <= EV_COUNT; e++) r.OnEvent(e);
    EXPECT_EQ(m_log, (Strings{"draw", "step", "pre", "post"}));  // ids 0, 1, 3, 4; the rest ignored
}

TEST_F(RendererTest, RegistrationIsOncePerEventAndTheDestructorWithdrawsIt) {
    kttest::Log log;
    kttest::CRecorder other(log, "other");
    for (int e = 0; e < EV_COUNT; e++) m_pBook->AddListener(&other, e, 0);
    auto* r = new CKTElementRenderer;
    r->SetEventRegistration(EV_DRAW, TRUE);
    r->SetEventRegistration(EV_DRAW, TRUE);
    r->SetEventRegistration(EV_PRESTEP, TRUE);
    r->SetEventRegistration(EV_STEP, FALSE);        // not registered: nothing
    r->SetEventRegistration(EV_MOUSEMOVE, TRUE);    // not a renderer event: ignored
    EXPECT_FALSE(r->IsRegistered(EV_MOUSEMOVE));
    EXPECT_EQ(Listeners(EV_DRAW), (std::vector<CKTComponent*>{&other, r}));
    EXPECT_EQ(Listeners(EV_PRESTEP), (std::vector<CKTComponent*>{&other, r}));
    EXPECT_EQ(Listeners(EV_MOUSEMOVE), (std::vector<CKTComponent*>{&other}));
    r->SetEventRegistration(EV_PRESTEP, FALSE);
    EXPECT_EQ(Listeners(EV_PRESTEP), (std::vector<CKTComponent*>{&other}));
    r->SetEventRegistration(EV_PRESTEP, TRUE);
    delete r;
    for (int e = 0; e < EV_COUNT; e++) EXPECT_EQ(Listeners(e), (std::vector<CKTComponent*>{&other})) << e;
    for (int e = 0; e < EV_COUNT; e++) m_pBook->RemoveListener(&other, e);
}

TEST_F(RendererTest, BaseAndCloneStartValues) {
    CKTElementRenderer base;
    EXPECT_EQ(base.GetType(), 0);
    EXPECT_EQ(base.Clone(), nullptr);
    EXPECT_FALSE(base.AllowsChildRenderers());
    EXPECT_EQ(base.GetExtent(MemDC()), CRect(0, 0, 0, 0));

    CKTERDefault r;
    r.SetChar('a');
    r.SetColor(5);
    r.SetFont(Font(300));
    CKTElementRenderer* pClone = r.Clone();
    auto* pDefault = dynamic_cast<CKTERDefault*>(pClone);
    ASSERT_NE(pDefault, nullptr);
    EXPECT_EQ(pDefault->GetType(), 1);
    EXPECT_EQ(pDefault->GetChar(), 0);
    EXPECT_EQ(pDefault->GetColor(), 0u);
    EXPECT_EQ(pDefault->GetFont().lfHeight, 0);
    EXPECT_EQ(pDefault->GetElement(), nullptr);
    EXPECT_TRUE(pDefault->AllowsChildRenderers());
    delete pClone;
}

TEST_F(RendererTest, StoredFormIsTypeElementAndFourFlags) {
    CKTERDefault r;
    r.SetEventRegistration(EV_DRAW, TRUE);
    kttest::ByteWriter w;
    w.newClass("CKTERDefault").u32(1).u16(0).u32(1).u32(0).u32(0).u32(0);
    EXPECT_EQ(kttest::StoreObject(&r), w.b);
    r.SetEventRegistration(EV_DRAW, FALSE);

    CObject* p = kttest::LoadObject(w.b, RUNTIME_CLASS(CKTElementRenderer));
    auto* pLoaded = static_cast<CKTElementRenderer*>(p);
    EXPECT_EQ(pLoaded->GetType(), 1);
    EXPECT_TRUE(pLoaded->IsRegistered(EV_DRAW));  // the flag; the list entry comes from the book's record
    EXPECT_FALSE(pLoaded->IsRegistered(EV_PRESTEP));
    pLoaded->ForgetLinks();  // not in any list
    delete pLoaded;
}

// ---- the default renderer's extent and drawing ----------------------------------------------------

TEST_F(RendererTest, ExtentComesFromTheGlyphMetrics) {
    struct Case {
        char c;
        const char* what;
    } cases[] = {{'a', "letter"}, {'g', "descender"}, {' ', "space: -black box height to 0"}, {'\r', "missing glyph"}};
    for (const Case& c : cases) {
        CKTERDefault r;
        r.SetFont(Font(240));
        r.SetChar(c.c);
        EXPECT_EQ(r.GetExtent(MemDC()), kttest::ExpectedExtent(MemDC(), Font(240), c.c)) << c.what;
        EXPECT_GT(r.GetExtent(MemDC()).Width(), 0) << c.what;
    }
    CKTERDefault r;
    r.SetFont(Font(240));
    EXPECT_EQ(r.GetExtent(MemDC()), CRect(0, 0, 0, 0));  // no character
    r.SetChar('a');
    EXPECT_EQ(r.GetExtent(nullptr), CRect(0, 0, 0, 0));  // no DC
    r.SetChar(static_cast<char>(200));
    EXPECT_EQ(r.GetExtent(MemDC()), CRect(0, 0, 0, 0));  // negative as a signed char: no metrics
    const CRect space = kttest::ExpectedExtent(MemDC(), Font(240), ' ');
    EXPECT_EQ(space.bottom, 0);
}

// Red pixels of the window's surface and their bounding box.
struct Ink {
    int n = 0;
    CRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
};
Ink RedInk(const gdi::Surface& s) {
    Ink ink;
    for (int y = 0; y < s.Height(); y++)
        for (int x = 0; x < s.Width(); x++)
            if ((s.Row(y)[x] >> 16) & 0xFF) {
                ink.n++;
                ink.box.left = std::min<LONG>(ink.box.left, x);
                ink.box.top = std::min<LONG>(ink.box.top, y);
                ink.box.right = std::max<LONG>(ink.box.right, x + 1);
                ink.box.bottom = std::max<LONG>(ink.box.bottom, y + 1);
            }
    return ink;
}

TEST_F(RendererTest, DrawWritesTheCharacterOnItsBaselineAndRestoresTheDC) {
    struct Case {
        char c;
        CKTVector at;
        bool inked;
        const char* what;
    } cases[] = {
        {'H', CKTVector(100, 100, 0), true, "a letter"},
        {'\r', CKTVector(100, 100, 0), false, "a line break"},
        {static_cast<char>(200), CKTVector(100, 100, 0), false, "a code from 128 up"},
        {'\x01', CKTVector(100, 100, 0), false, "a control character"},
        {'H', CKTVector(700, 100, 0), false, "outside the client rectangle"},
        {'H', CKTVector(-5.5, 100, 0), true, "partly outside (a visibility test, not a clip)"},
    };
    CDC* pPaint = m_wnd.GetPaintDC();
    for (const Case& c : cases) {
        m_wnd.GetSurface().Create(640, 480);
        CKTGlyph* g = NewGlyph(c.c, 360);
        g->SetColor(RGB(255, 0, 0));
        g->MoveBy(c.at);
        pPaint->SetTextAlign(TA_TOP | TA_RIGHT);
        pPaint->SetBkMode(OPAQUE);
        m_pBook->Draw(pPaint);
        EXPECT_EQ(pPaint->GetTextAlign(), TA_TOP | TA_RIGHT) << c.what;
        EXPECT_EQ(pPaint->GetBkMode(), OPAQUE) << c.what;
        const Ink ink = RedInk(m_wnd.GetSurface());
        EXPECT_EQ(ink.n > 0, c.inked) << c.what;
        if (c.inked && c.at.x > 0) {
            // Baseline origin at the absolute position: 'H' sits on the baseline, inside its bounds.
            const CRect rc = g->GetAbsoluteBounds();
            EXPECT_EQ(ink.box.bottom, TruncToInt(c.at.y)) << c.what;
            EXPECT_GE(ink.box.left, rc.left) << c.what;
            EXPECT_LE(ink.box.right, rc.right) << c.what;
            EXPECT_GE(ink.box.top, rc.top) << c.what;
        }
        delete g;
    }
}

TEST_F(RendererTest, TheDefaultRendererStepsNothing) {
    CKTGlyph* g = NewGlyph('a');
    CKTElementRenderer* r = g->GetRenderer();
    EXPECT_TRUE(r->IsRegistered(EV_DRAW));
    EXPECT_FALSE(r->IsRegistered(EV_PRESTEP));
    EXPECT_FALSE(r->IsRegistered(EV_STEP));
    EXPECT_FALSE(r->IsRegistered(EV_POSTSTEP));
    r->SetElement(nullptr, TRUE);  // detach: leaves the draw list
    EXPECT_FALSE(r->IsRegistered(EV_DRAW));
    EXPECT_TRUE(Listeners(EV_DRAW).empty());
    delete g;
}

}  // namespace
