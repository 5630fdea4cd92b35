// The element tree: links, line flow on insert and remove, bounds and absolute positions, layout after
// a font change, renderers handed down, Die through the deletion queue, FindRelative.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "kinetype/ktbehavior.h"
#include "kinetype/kterdefault.h"
#include "kttesthelp.h"
#include "ktrecorder.h"
#include "test_element_fixture.h"

using kttest::Font;
using kttest::GlyphOf;
using kttest::NewGlyph;
using kttest::NewWord;

namespace {

class ElementTest : public kttest::SceneTest {
protected:
    kttest::Log m_log;  // outlives the book's behaviours
};

// ---- links ---------------------------------------------------------------------------------------

TEST_F(ElementTest, InsertLinksBothWaysAndRefusesWhatWouldBreakTheTree) {
    auto* pWord = new CKTWord;
    AddPassage()->AppendChild(pWord, FALSE);
    CKTGlyph* a = NewGlyph('a');
    CKTGlyph* c = NewGlyph('c');
    CKTGlyph* b = NewGlyph('b');
    EXPECT_TRUE(pWord->AppendChild(a, FALSE));
    EXPECT_TRUE(pWord->AppendChild(c, FALSE));
    EXPECT_TRUE(pWord->InsertChild(b, a, FALSE));
    EXPECT_EQ(pWord->GetChildCount(), 3);
    EXPECT_EQ(pWord->GetChildAt(0), a);
    EXPECT_EQ(pWord->GetChildAt(1), b);
    EXPECT_EQ(pWord->GetChildAt(2), c);
    EXPECT_EQ(pWord->GetChildAt(3), nullptr);
    EXPECT_EQ(pWord->GetChildAt(-1), nullptr);
    EXPECT_EQ(pWord->GetLastChild(), c);
    EXPECT_EQ(b->GetPrevSibling(), a);
    EXPECT_EQ(b->GetNextSibling(), c);
    EXPECT_EQ(c->GetPrevSibling(), b);
    EXPECT_EQ(b->GetParent(), pWord);

    // Refused, and nothing changes: an attached child, an anchor from elsewhere, a cycle, NULL.
    CKTGlyph* pLoose = NewGlyph('x');
    EXPECT_FALSE(pWord->AppendChild(a, FALSE));
    EXPECT_FALSE(pWord->InsertChild(pLoose, Root(), FALSE));
    EXPECT_FALSE(pWord->AppendChild(Root(), FALSE));
    EXPECT_FALSE(pWord->AppendChild(pWord, FALSE));
    EXPECT_FALSE(pWord->AppendChild(nullptr, FALSE));
    EXPECT_EQ(pWord->GetChildCount(), 3);
    EXPECT_EQ(pLoose->GetParent(), nullptr);

    // Remove: FALSE for NULL and for a stranger; otherwise both ways unlinked, the caller owns it.
    EXPECT_FALSE(pWord->RemoveChild(nullptr, FALSE));
    EXPECT_FALSE(pWord->RemoveChild(pLoose, FALSE));
    EXPECT_FALSE(Root()->RemoveChild(b, FALSE));
    EXPECT_TRUE(pWord->RemoveChild(b, FALSE));
    EXPECT_EQ(a->GetNextSibling(), c);
    EXPECT_EQ(c->GetPrevSibling(), a);
    EXPECT_EQ(b->GetParent(), nullptr);
    EXPECT_EQ(b->GetNextSibling(), nullptr);
    EXPECT_EQ(b->GetPrevSibling(), nullptr);
    EXPECT_TRUE(pWord->RemoveChild(a, FALSE));
    EXPECT_EQ(pWord->GetFirstChild(), c);
    EXPECT_EQ(c->GetPrevSibling(), nullptr);
    EXPECT_TRUE(pWord->PrependChild(b, FALSE));
    EXPECT_EQ(pWord->GetFirstChild(), b);
    delete a;
    delete pLoose;
}

TEST_F(ElementTest, FindRelativeWalksUpAndDownAndNeverLoops) {
    CKTPassage* pPassage = AddPassage();
    CKTWord* pWord = NewWord("ab");
    pPassage->AppendChild(pWord, FALSE);
    CKTElement* pGlyph = pWord->GetFirstChild();
    auto* pEmptyWord = new CKTWord;
    pPassage->PrependChild(pEmptyWord, FALSE);
    struct Case {
        CKTElement* pFrom;
        int nKind;
        CKTElement* pExpected;
    } cases[] = {
        {pGlyph, 5, pGlyph},       {pGlyph, 4, pWord},   {pGlyph, 2, pPassage}, {pGlyph, 1, Root()},
        {pGlyph, 0, nullptr},      {pGlyph, 3, nullptr}, {Root(), 2, pPassage}, {Root(), 4, pEmptyWord},
        {Root(), 5, nullptr},      {Root(), 3, nullptr}, {pWord, 3, nullptr},   {pPassage, 6, nullptr},
        {pPassage, -1, nullptr},   // unsigned: -1 is above every kind, the walk goes down and runs off
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.pFrom->FindRelative(c.nKind), c.pExpected) << "from kind " << c.pFrom->GetKind() << " to " << c.nKind;
}

// ---- line flow ---------------------------------------------------------------------------------

TEST_F(ElementTest, WordFlowPlacesGlyphsSideBySideAndRemovalShiftsBack) {
    auto* pWord = new CKTWord;
    AddPassage()->AppendChild(pWord, FALSE);
    CKTGlyph* a = NewGlyph('a');
    CKTGlyph* b = NewGlyph('b');
    pWord->AppendChild(a, TRUE);
    pWord->AppendChild(b, TRUE);
    const CRect ra = kttest::ExpectedExtent(MemDC(), Font(), 'a');
    EXPECT_EQ(a->GetPoint(), CPoint(0, 0));
    EXPECT_EQ(b->GetPoint(), CPoint(ra.right, 0));  // a's right edge, a's row
    EXPECT_EQ(pWord->GetText(), "ab");

    pWord->RemoveChild(a, TRUE);
    EXPECT_EQ(a->GetPoint(), CPoint(0, 0));
    EXPECT_EQ(b->GetPoint(), CPoint(ra.right - ra.Width(), 0));  // shifted left by a's width
    EXPECT_EQ(pWord->GetText(), "b");
    delete a;

    // Inserting in the middle shifts the later glyphs by the new glyph's width.
    CKTGlyph* c = NewGlyph('c');
    CKTGlyph* d = NewGlyph('d');
    pWord->AppendChild(c, TRUE);
    const CPoint ptC = c->GetPoint();
    pWord->InsertChild(d, b, TRUE);
    EXPECT_EQ(c->GetPoint(), CPoint(ptC.x + Advance('d'), ptC.y));
    EXPECT_EQ(pWord->GetText(), "bdc");
}

// Words of a passage: W1 "x", W2 starting with a line break, W3 "yz". A flow change stops at (and
// includes) the first word that starts with a line break.
class PassageFlowTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        m_pPassage = new CKTPassage;
        Root()->AppendChild(m_pPassage, FALSE);
        m_pPassage->MoveBy(CKTVector(10, 50, 0));
        m_w1 = NewWord("x");
        m_w2 = NewWord("\rq");
        m_w3 = NewWord("yz");
        m_pPassage->AppendChild(m_w1, TRUE);
        m_pPassage->AppendChild(m_w2, TRUE);
        m_pPassage->AppendChild(m_w3, TRUE);
    }
    CKTPassage* m_pPassage = nullptr;
    CKTWord* m_w1 = nullptr;
    CKTWord* m_w2 = nullptr;
    CKTWord* m_w3 = nullptr;
};

TEST_F(PassageFlowTest, InsertAfterAWordShiftsTheLineUpToTheBreak) {
    const int wx = m_w1->GetBounds().right;  // W1's right edge in the passage
    EXPECT_EQ(m_w1->GetPoint(), CPoint(0, 0));
    EXPECT_EQ(m_w2->GetPoint(), CPoint(wx, 0));
    const int crHeight = GlyphOf(m_w2, 0)->GetHeight();
    EXPECT_GT(crHeight, 0);  // the missing glyph has a black box
    EXPECT_EQ(m_w3->GetPoint(), CPoint(0, crHeight));  // next line, left edge

    const CPoint pt2 = m_w2->GetPoint(), pt3 = m_w3->GetPoint();
    CKTWord* pNew = NewWord("mm");
    m_pPassage->InsertChild(pNew, m_w1, TRUE);
    EXPECT_EQ(pNew->GetPoint(), CPoint(wx, 0));
    EXPECT_EQ(m_w2->GetPoint(), CPoint(pt2.x + pNew->GetWidth(), pt2.y));
    EXPECT_EQ(m_w3->GetPoint(), pt3);  // beyond the break: stays

    // Removing it shifts back the same words.
    m_pPassage->RemoveChild(pNew, TRUE);
    EXPECT_EQ(pNew->GetPoint(), CPoint(0, 0));
    EXPECT_EQ(m_w2->GetPoint(), pt2);
    EXPECT_EQ(m_w3->GetPoint(), pt3);
    delete pNew;
}

TEST_F(PassageFlowTest, InsertAfterABreakWordStartsTheNextLine) {
    const CPoint pt2 = m_w2->GetPoint();
    const int crHeight = GlyphOf(m_w2, 0)->GetHeight();
    const CPoint pt3 = m_w3->GetPoint();
    CKTWord* pNew = NewWord("k");
    m_pPassage->InsertChild(pNew, m_w2, TRUE);
    EXPECT_EQ(pNew->GetPoint(), CPoint(0, pt2.y + crHeight));
    EXPECT_EQ(m_w3->GetPoint(), CPoint(pt3.x + pNew->GetWidth(), pt3.y));  // next line's words shift
}

TEST_F(PassageFlowTest, TypingIntoAWordShiftsTheFollowingWordsOfTheLine) {
    const CPoint pt2 = m_w2->GetPoint(), pt3 = m_w3->GetPoint();
    CKTGlyph* g = NewGlyph('w');
    m_w1->AppendChild(g, TRUE);
    EXPECT_EQ(m_w2->GetPoint(), CPoint(pt2.x + Advance('w'), pt2.y));
    EXPECT_EQ(m_w3->GetPoint(), pt3);
    m_w1->RemoveChild(g, TRUE);
    EXPECT_EQ(m_w2->GetPoint(), pt2);
    delete g;

    // Deleting a glyph in place re-flows with its real width (it is measured while still a glyph).
    CKTGlyph* h = NewGlyph('h');
    m_w1->PrependChild(h, TRUE);
    EXPECT_EQ(m_w2->GetPoint(), CPoint(pt2.x + Advance('h'), pt2.y));
    h->InvalidateBounds();                        // stale: the destructor must measure again
    delete h;
    EXPECT_EQ(m_w2->GetPoint(), pt2);
    EXPECT_EQ(GlyphOf(m_w1, 0)->GetPoint(), CPoint(0, 0));
}

// ---- bounds and positions ------------------------------------------------------------------------

TEST_F(ElementTest, BoundsArePlainMinMaxIncludingEmptyChildren) {
    // Base rule on a bare element: children with empty bounds at (10, 10) and (-3, 40).
    CKTElement parent(0);
    auto* e1 = new CKTElement(0);
    auto* e2 = new CKTElement(0);
    parent.AppendChild(e1, FALSE);
    parent.AppendChild(e2, FALSE);
    e1->MoveBy(10, 10);
    e2->MoveBy(-3, 40);
    EXPECT_EQ(parent.GetBounds(), CRect(-3, 10, 10, 40));  // UnionRect would give (0, 0, 0, 0)
    CKTElement childless(0);
    EXPECT_EQ(childless.GetBounds(), CRect(0, 0, 0, 0));
}

TEST_F(ElementTest, PassageBoundsSkipWordsThatStartBlank) {
    CKTPassage* pPassage = AddPassage();
    auto* pEmpty = new CKTWord;  // empty first word at (10, 10) still stretches
    pPassage->AppendChild(pEmpty, FALSE);
    pEmpty->MoveBy(10, 10);
    CKTWord* pWord = NewWord("ab");
    pPassage->AppendChild(pWord, FALSE);
    pWord->MoveBy(20, 30);
    const CRect rcWord = pWord->GetAbsoluteBounds();
    CRect expected(std::min<LONG>(10, rcWord.left), std::min<LONG>(10, rcWord.top), rcWord.right, rcWord.bottom);
    EXPECT_EQ(pPassage->GetBounds(), expected);

    // Words whose first glyph is a space or a line break, far away, do not count; a graphic one does.
    struct Case {
        const char* text;
        bool counts;
    } cases[] = {{" far", false}, {"\rfar", false}, {"\x7f" "far", false}, {"!far", true}};
    for (const Case& c : cases) {
        CKTWord* pFar = NewWord(c.text);
        pPassage->AppendChild(pFar, FALSE);
        pFar->MoveBy(400, 300);
        const CRect rc = pPassage->GetBounds();
        EXPECT_EQ(rc.right > 400, c.counts) << c.text;
        pPassage->RemoveChild(pFar, FALSE);
        delete pFar;
        EXPECT_EQ(pPassage->GetBounds(), expected);
    }
}

TEST_F(ElementTest, MovingAPassageMovesItsWordsOnlyAbsolutely) {
    CKTPassage* pPassage = AddPassage();
    CKTWord* pWord = NewWord("ab");
    pPassage->AppendChild(pWord, TRUE);
    pWord->MoveBy(CKTVector(7.75, 3.5, 0));
    CKTElement* pGlyph = pWord->GetChildAt(1);
    const CKTVector absWord = pWord->GetAbsolutePosition();
    const CKTVector absGlyph = pGlyph->GetAbsolutePosition();
    const CKTVector relWord = pWord->GetRelativePosition();
    Root()->GetBounds();
    ASSERT_TRUE(Root()->IsBoundsValid());
    EXPECT_EQ(pGlyph->GetAbsolutePoint(), CPoint(TruncToInt(absGlyph.x), TruncToInt(absGlyph.y)));

    pPassage->MoveBy(CKTVector(5, 0, 0));
    EXPECT_FALSE(Root()->IsBoundsValid());
    EXPECT_FALSE(pWord->IsAbsPositionValid());
    EXPECT_FALSE(pGlyph->IsAbsPositionValid());
    EXPECT_TRUE(pWord->GetRelativePosition() == relWord);
    EXPECT_TRUE(pWord->GetAbsolutePosition() == absWord + CKTVector(5, 0, 0));
    EXPECT_TRUE(pGlyph->GetAbsolutePosition() == absGlyph + CKTVector(5, 0, 0));

    // The absolute bounds are the bounds at the truncated absolute point; the centre divides as ints.
    const CRect b = pGlyph->GetBounds();
    const CPoint p = pGlyph->GetAbsolutePoint();
    const CRect ab = pGlyph->GetAbsoluteBounds();
    EXPECT_EQ(ab, CRect(b.left + p.x, b.top + p.y, b.right + p.x, b.bottom + p.y));
    EXPECT_EQ(pGlyph->GetCenter(), CPoint((ab.left + ab.right) / 2, (ab.top + ab.bottom) / 2));
    EXPECT_TRUE(pGlyph->GetPositionVector() == CKTVector(pGlyph->GetCenter().x, pGlyph->GetCenter().y, 0));
}

TEST_F(ElementTest, NegativeFractionalPositionsTruncateTowardZero) {
    CKTPassage* p = AddPassage();
    p->MoveBy(CKTVector(-2.75, 3.99, 0));
    EXPECT_EQ(p->GetPoint(), CPoint(-2, 3));
    EXPECT_EQ(p->GetAbsolutePoint(), CPoint(-2, 3));
}

TEST_F(ElementTest, CoordinatesOutOfTheIntRangeSaturate) {
    // A file may hold any positions and bounds: sums stop at the int range, never overflow.
    CKTPassage* p = AddPassage();
    CKTWord* pWord = NewWord("a");
    p->AppendChild(pWord, FALSE);
    pWord->MoveBy(CKTVector(2147483640.0, -2147483640.0, 0));  // the glyph's rectangle reaches past
    const CRect rc = pWord->GetFirstChild()->GetAbsoluteBounds();
    EXPECT_EQ(rc.right, INT_MAX);
    EXPECT_EQ(rc.top, INT_MIN);
    EXPECT_EQ(p->GetBounds().right, INT_MAX);
    p->MoveBy(CKTVector(1e300, 0, 0));  // beyond the int range: the truncation gives INT_MIN
    EXPECT_EQ(p->GetAbsolutePoint().x, INT_MIN);
    EXPECT_EQ(p->GetAbsoluteBounds().left, static_cast<LONG>(static_cast<long long>(INT_MIN) + p->GetBounds().left));
    EXPECT_EQ(p->GetAbsoluteBounds().right, static_cast<LONG>(static_cast<long long>(INT_MIN) + INT_MAX));
    p->GetCenter();
}

TEST_F(ElementTest, GlyphWithoutRendererOrDCKeepsItsBoundsStale) {
    CKTGlyph* pLoaded;
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        pLoaded = new CKTGlyph;
    }
    EXPECT_EQ(pLoaded->GetRenderer(), nullptr);
    EXPECT_EQ(pLoaded->GetBounds(), CRect(0, 0, 0, 0));
    EXPECT_FALSE(pLoaded->IsBoundsValid());
    delete pLoaded;

    // A book without a window has no DC until its first draw: measured later, not cached empty.
    m_pBook.reset();
    m_pBook = std::make_unique<CKTBook>();
    CKTGlyph* g = NewGlyph('m');
    EXPECT_EQ(g->GetWidth(), 0);
    EXPECT_FALSE(g->IsBoundsValid());
    m_pBook->Draw(m_wnd.GetPaintDC());  // makes the memory DC
    EXPECT_EQ(g->GetWidth(), Advance('m'));
    delete g;
}

// ---- fonts, colours and layout -----------------------------------------------------------------

TEST_F(ElementTest, SetFontOnAWordKeepsItsGlyphsFlagsAndReflowsThem) {
    CKTPassage* pPassage = AddPassage();
    CKTWord* pWord = NewWord("abc");
    pPassage->AppendChild(pWord, TRUE);
    for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling()) g->SetAutoLayout();
    pWord->SetAutoLayout();

    const LOGFONT big = Font(400);
    pWord->SetFont(big);
    EXPECT_FALSE(pWord->IsAutoLayout());
    int x = 0;
    for (int i = 0; i < 3; i++) {
        CKTGlyph* g = GlyphOf(pWord, i);
        EXPECT_TRUE(g->IsAutoLayout()) << i;
        EXPECT_EQ(g->GetFont().lfHeight, 400);
        EXPECT_EQ(g->GetPoint().x, x) << i;  // left to right, each at the previous one's right edge
        x += g->GetWidth();
    }
    EXPECT_EQ(pWord->GetFontSize(), 40);

    // One glyph without automatic layout: the glyphs keep their places.
    GlyphOf(pWord, 1)->SetFontSize(30);  // clears glyph 1's flag
    EXPECT_FALSE(GlyphOf(pWord, 1)->IsAutoLayout());
    std::vector<CPoint> before;
    for (int i = 0; i < 3; i++) before.push_back(GlyphOf(pWord, i)->GetPoint());
    pWord->SetFont(Font(160));
    for (int i = 0; i < 3; i++) EXPECT_EQ(GlyphOf(pWord, i)->GetPoint(), before[i]) << i;
}

TEST_F(ElementTest, ColourAndSizeGoDownTheTree) {
    CKTPassage* pPassage = AddPassage();
    CKTWord* pWord = NewWord("ab");
    pPassage->AppendChild(pWord, TRUE);
    pPassage->SetColor(RGB(10, 20, 30));
    pPassage->SetFontSize(12);
    for (CKTElement* e : {static_cast<CKTElement*>(pPassage), static_cast<CKTElement*>(pWord), pWord->GetFirstChild(),
                          pWord->GetChildAt(1)}) {
        EXPECT_EQ(e->GetColor(), RGB(10, 20, 30));
        EXPECT_EQ(e->GetFont().lfHeight, 120);
        EXPECT_EQ(e->GetFontSize(), 12);
    }
    auto* pRenderer = static_cast<CKTERDefault*>(GlyphOf(pWord, 1)->GetRenderer());
    EXPECT_EQ(pRenderer->GetColor(), RGB(10, 20, 30));
    EXPECT_EQ(pRenderer->GetFont().lfHeight, 120);
    EXPECT_EQ(GlyphOf(pWord, 1)->GetWidth(), kttest::ExpectedExtent(MemDC(), Font(120), 'b').Width());
}

// ---- words ---------------------------------------------------------------------------------------

TEST_F(ElementTest, WordTextAndPartOfSpeech) {
    CKTWord* pWord = NewWord("cat");
    EXPECT_EQ(pWord->GetText(), "cat");
    EXPECT_TRUE(pWord->IsTextValid());
    GlyphOf(pWord, 0)->SetChar('b');
    EXPECT_FALSE(pWord->IsTextValid());
    EXPECT_EQ(pWord->GetText(), "bat");
    EXPECT_FALSE(pWord->IsPartOfSpeechSet());
    EXPECT_EQ(pWord->GetPartOfSpeech(), 1);  // a noun from now on
    EXPECT_TRUE(pWord->IsPartOfSpeechSet());
    pWord->SetPartOfSpeech(2);
    EXPECT_EQ(pWord->GetPartOfSpeech(), 2);
    delete pWord;
}

// ---- renderers handed down ----------------------------------------------------------------------

TEST_F(ElementTest, SetRendererReportsWhetherItTookTheRenderer) {
    CKTPassage* pPassage = AddPassage();
    CKTWord* pWord = NewWord("ab");
    pPassage->AppendChild(pWord, TRUE);
    CKTGlyph* a = GlyphOf(pWord, 0);

    // A word whose renderer forbids child renderers: the glyph refuses, keeps its old one.
    auto* pBare = new CKTElementRenderer;  // AllowsChildRenderers is FALSE
    EXPECT_TRUE(pWord->SetRenderer(pBare, TRUE));
    CKTElementRenderer* pOld = a->GetRenderer();
    auto* pOffered = new CKTERDefault;
    EXPECT_FALSE(a->SetRenderer(pOffered, TRUE));
    EXPECT_EQ(a->GetRenderer(), pOld);
    delete pOffered;  // still the caller's

    // Allowed again: setting the same renderer twice keeps it alive and registered once.
    EXPECT_TRUE(pWord->SetRenderer(nullptr, TRUE));
    EXPECT_EQ(pWord->GetRendererType(), 0);
    CKTElementRenderer* pMine = new CKTERDefault;
    EXPECT_TRUE(a->SetRenderer(pMine, TRUE));
    EXPECT_TRUE(a->SetRenderer(pMine, TRUE));
    EXPECT_EQ(a->GetRenderer(), pMine);
    EXPECT_EQ(pMine->GetElement(), a);
    int n = 0;
    for (POSITION pos = m_pBook->GetFirstListenerPosition(EV_DRAW); pos;)
        n += m_pBook->GetNextListener(EV_DRAW, pos) == pMine;
    EXPECT_EQ(n, 1);
    EXPECT_EQ(a->GetRendererType(), 1);

    // A parentless element allows child renderers whatever its renderer says.
    CKTElement loose(0);
    loose.SetRenderer(new CKTElementRenderer, TRUE);
    EXPECT_TRUE(loose.AllowsChildRenderers());
}

// ---- death and destruction ------------------------------------------------------------------------

TEST_F(ElementTest, DieQueuesTheEmptiedParentsButNeverTheRoot) {
    kttest::Log& log = m_log;
    CKTPassage* pPassage = AddPassage();
    CKTWord* pWord = NewWord("a");
    pPassage->AppendChild(pWord, TRUE);
    CKTElement* pGlyph = pWord->GetFirstChild();
    auto* pBhvr = new kttest::CRecordingBhvr(log, "b");
    m_pBook->AddBehavior(pBhvr);
    ASSERT_TRUE(pBhvr->AddElement(pGlyph));
    ASSERT_TRUE(pBhvr->AddElement(pWord));
    ASSERT_TRUE(pBhvr->AddElement(pPassage));

    Root()->Die(TRUE, TRUE);  // the book's own: ignored
    EXPECT_TRUE(m_pBook->GetMoribundList().IsEmpty());
    pGlyph->Die(TRUE, TRUE);
    std::vector<CKTComponent*> queued;
    for (POSITION pos = m_pBook->GetMoribundList().GetHeadPosition(); pos;)
        queued.push_back(m_pBook->GetMoribundList().GetNext(pos));
    EXPECT_EQ(queued, (std::vector<CKTComponent*>{pPassage, pWord, pGlyph}));  // the parents die first
    EXPECT_EQ(Root()->GetFirstChild(), nullptr);
    EXPECT_EQ(pBhvr->GetElementCount(), 0);  // each was told and detached
    EXPECT_EQ(pBhvr->m_nGone, 3);
    // The dead keep their subtree until the book deletes them.
    EXPECT_EQ(pWord->GetFirstChild(), nullptr);  // the glyph left its word by dying
    EXPECT_NE(pGlyph->GetRenderer(), nullptr);
    m_pBook->SetRunState(1);
    m_pBook->Step();
    EXPECT_TRUE(m_pBook->GetMoribundList().IsEmpty());
}

// A behaviour that tries to kill the element it hears dying (from a destructor as well).
class CKillerBhvr : public CKTBehavior {
public:
    void OnElementDying(CKTElement* p) override {
        CKTBehavior::OnElementDying(p);
        p->Die(TRUE, TRUE);
        m_nHeard++;
    }
    int m_nHeard = 0;
};

TEST_F(ElementTest, AnElementBeingDestroyedIgnoresDie) {
    CKTPassage* pPassage = AddPassage();
    CKTWord* pWord = NewWord("ab");
    pPassage->AppendChild(pWord, TRUE);
    auto* pKiller = new CKillerBhvr;
    m_pBook->AddBehavior(pKiller);
    pKiller->AddElement(pWord);
    pKiller->AddElement(pWord->GetFirstChild());
    delete pPassage;  // the destructor tells the behaviour, which asks the dying elements to Die
    EXPECT_EQ(pKiller->m_nHeard, 2);
    EXPECT_TRUE(m_pBook->GetMoribundList().IsEmpty());
    EXPECT_EQ(Root()->GetFirstChild(), nullptr);
}

TEST_F(ElementTest, DestroyingTellsEveryBehaviourAndFreesTheSlots) {
    kttest::Log& log = m_log;
    CKTWord* pWord = NewWord("ab");
    AddPassage()->AppendChild(pWord, TRUE);
    auto* b1 = new kttest::CRecordingBhvr(log, "b1");
    auto* b2 = new kttest::CRecordingBhvr(log, "b2");
    b1->NeedElementProp(PROP_VELOCITY, PROPTYPE_VECTOR);
    m_pBook->AddBehavior(b1);
    m_pBook->AddBehavior(b2);
    b1->AddElement(pWord->GetFirstChild());
    b2->AddElement(pWord->GetFirstChild());
    b2->AddElement(pWord);
    pWord->GetFirstChild()->SetProp(PROP_SPRAYING, CKTBehavior::CreateProp(PROPTYPE_BOOL, PROP_SPRAYING));
    ASSERT_NE(pWord->GetFirstChild()->GetProp(PROP_VELOCITY), nullptr);
    Root()->GetFirstChild()->RemoveChild(pWord, FALSE);
    delete pWord;  // ASan: the slot-9 property and the renderer go with it
    EXPECT_EQ(b1->GetElementCount(), 0);
    EXPECT_EQ(b2->GetElementCount(), 0);
    EXPECT_EQ(b1->m_nGone, 3);  // word and its two glyphs, each once
}

// ---- slots and collisions -------------------------------------------------------------------------

TEST_F(ElementTest, PropertySlotsAndCollisions) {
    auto* pWord = new CKTWord;
    AddPassage()->AppendChild(pWord, FALSE);
    EXPECT_EQ(pWord->GetPropCount(), PROP_COUNT);
    CKTBhvrProp* p = CKTBehavior::CreateProp(PROPTYPE_INT, PROP_DEATH_TIME);
    pWord->SetProp(PROP_DEATH_TIME, p);
    EXPECT_EQ(pWord->GetProp(PROP_DEATH_TIME), p);
    pWord->SetProp(PROP_COUNT, p);  // outside: ignored, the array does not grow
    pWord->SetProp(-1, p);
    EXPECT_EQ(pWord->GetPropCount(), PROP_COUNT);
    EXPECT_EQ(pWord->GetProp(PROP_COUNT), nullptr);
    EXPECT_EQ(pWord->GetProp(-1), nullptr);

    EXPECT_FALSE(pWord->IsColliding());
    pWord->AddCollision(Root());
    pWord->AddCollision(pWord);
    EXPECT_TRUE(pWord->IsColliding());
    std::vector<CKTElement*> seen;
    for (POSITION pos = pWord->GetFirstCollisionPosition(); pos;) seen.push_back(pWord->GetNextCollision(pos));
    EXPECT_EQ(seen, (std::vector<CKTElement*>{Root(), pWord}));
    pWord->ClearCollisions();
    EXPECT_FALSE(pWord->IsColliding());
}

TEST_F(ElementTest, BehaviourLinksAreUniquePerBehaviourAndFlag) {
    CKTBehavior b1, b2;
    CKTElement e(0);
    EXPECT_TRUE(e.AddBehavior(&b1, 1));
    EXPECT_FALSE(e.AddBehavior(&b1, 1));
    EXPECT_TRUE(e.AddBehavior(&b1, 2));
    EXPECT_TRUE(e.AddBehavior(&b2, 1));
    EXPECT_EQ(e.GetBehaviorCount(), 3);
    EXPECT_TRUE(e.RemoveBehavior(&b1));  // the first link of b1, whatever its flag
    POSITION pos = e.GetFirstBehaviorPosition();
    CKTBehaviorLink l = e.GetNextBehavior(pos);
    EXPECT_TRUE(l.m_pBehavior == &b1 && l.m_dwFlag == 2);
    EXPECT_TRUE(e.RemoveBehavior(&b1));
    EXPECT_FALSE(e.RemoveBehavior(&b1));
    EXPECT_TRUE(e.RemoveBehavior(&b2));
}

}  // namespace
