// Lifespan, viral, connected by lines and set element renderer.
#include <memory>
#include <vector>

#include "effects/effectsfixture.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktconnbylines.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktrendererfactory.h"
#include "kinetype/ktsetelementrendererbhvr.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/test_element_fixture.h"
#include "kinetype/ktfadebhvr.h"
#include "platform/gdi/dc.h"

namespace {

std::vector<int>* g_pDeletedKinds = nullptr;
void RecordDeleted(CKTElement* p) {
    if (g_pDeletedKinds) g_pDeletedKinds->push_back(p->GetKind());
}

class LifeTest : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        Book().SetRunState(1);
        g_pDeletedKinds = &m_deleted;
        Book().SetElementDeletedCallback(RecordDeleted);
    }
    void TearDown() override {
        EffectsTest::TearDown();
        g_pDeletedKinds = nullptr;
    }
    static double DeathTime(CKTElement* p) { return CKTDoubleBhvrProp::Cast(p->GetProp(PROP_DEATH_TIME))->GetValue(); }
    static double Age(CKTElement* p) { return CKTDoubleBhvrProp::Cast(p->GetProp(PROP_INFECTION))->GetValue(); }
    std::vector<int> m_deleted;
};

}  // namespace

TEST_F(LifeTest, LifespanDiesAtTheFirstStepTheClockReachesTheDeathTime) {
    Steps(300);
    const double dAttached = Book().GetClock();  // 3.00 as a sum of steps
    CKTGlyph* g = LoneGlyph(0, 0);
    CKTLifespanBhvr* p = Add(new CKTLifespanBhvr);
    EXPECT_EQ(p->m_dMinLife, 1.2);
    crt::reset_rand();
    ASSERT_TRUE(p->AddElement(g));
    EXPECT_EQ(DeathTime(g), dAttached + 1.2 + 0.0);
    EXPECT_EQ(crt::rand_state(), 214013u * 1u + 2531011u);  // one draw
    EXPECT_FALSE(p->AddElement(g));  // attached twice: the first time stays
    // The step whose clock first reaches 4.20 (the same sums of 0.01).
    double dClock = dAttached;
    int nSteps = 0;
    do {
        dClock += 0.01;
        nSteps++;
    } while (dClock < dAttached + 1.2);
    Steps(nSteps - 1);
    EXPECT_TRUE(m_deleted.empty());
    Book().Step();
    EXPECT_EQ(m_deleted, (std::vector<int>{KIND_PASSAGE, KIND_WORD, KIND_GLYPH}));  // emptied parents queue first
    EXPECT_EQ(p->GetElementCount(), 0);
}

TEST_F(LifeTest, LifespanRandomExtraUsesOneDraw) {
    CKTGlyph* g = LoneGlyph(0, 0);
    CKTLifespanBhvr* p = Add(new CKTLifespanBhvr);
    p->m_dMinLife = 0.5;
    p->m_dRandomLife = 2.0;
    crt::reset_rand();
    p->AddElement(g);
    EXPECT_EQ(DeathTime(g), 0.0 + 0.5 + 41 / 32767.0 * 2.0);  // the first draw from seed 1 is 41
}

TEST_F(LifeTest, LifespanGlyphAndWordDieOnceEachInOneWalk) {
    CKTPassage* pPassage = NewPassage();
    CKTWord* pWord = NewWord(pPassage);
    CKTGlyph* g = NewGlyph(pWord, 0, 0);
    CKTGlyph* pOther = LoneGlyph(50, 0);
    CKTLifespanBhvr* p = Add(new CKTLifespanBhvr);
    p->m_dMinLife = 0.0;
    p->AddElement(g);
    p->AddElement(pWord);
    p->AddElement(pOther);
    pOther->Die(FALSE, FALSE);  // made to die by something else first: it left the behaviour
    EXPECT_EQ(p->GetElementCount(), 2);
    Book().Step();
    // The glyph dies, its emptied word and passage with it; the word, also due, is not made to die
    // again. pOther was deleted once, with the others.
    EXPECT_EQ(m_deleted, (std::vector<int>{KIND_GLYPH, KIND_PASSAGE, KIND_WORD, KIND_GLYPH}));
    EXPECT_EQ(p->GetElementCount(), 0);
}

TEST_F(LifeTest, LifespanSkipsElementsWithoutADeathTime) {
    CKTGlyph* g = LoneGlyph(0, 0);
    g->SetProp(PROP_DEATH_TIME, new CKTBoolBhvrProp(PROP_DEATH_TIME));  // as a broken file may
    CKTLifespanBhvr* p = Add(new CKTLifespanBhvr);
    p->m_dMinLife = 0.0;
    EXPECT_TRUE(p->AddElement(g));
    Steps(3);
    EXPECT_TRUE(m_deleted.empty());
}

namespace {

// Two glyphs of different words that overlap, both under the scene's collision detector.
class ViralTest : public LifeTest {
protected:
    void SetUp() override {
        LifeTest::SetUp();
        m_pDetector = Add(new CKT1DCollisionDetBhvr);
        CKTPassage* pPassage = NewPassage();
        m_pA = NewGlyph(NewWord(pPassage), 100, 100);
        m_pB = NewGlyph(NewWord(pPassage), 105, 100);
        m_pDetector->AddElement(m_pA);
        m_pDetector->AddElement(m_pB);
        m_pViral = Add(new CKTViralBhvr);
        m_pFade = Add(new CKTFadeBhvr);
        m_pFade->SetColor(RGB(0, 0, 0));  // a passenger that changes nothing
    }
    CKT1DCollisionDetBhvr* m_pDetector = nullptr;
    CKTGlyph* m_pA = nullptr;
    CKTGlyph* m_pB = nullptr;
    CKTViralBhvr* m_pViral = nullptr;
    CKTFadeBhvr* m_pFade = nullptr;
};

}  // namespace

TEST_F(ViralTest, GlyphInfectsAtTheEleventhStepAndTheNewOneAgesAtOnce) {
    m_pViral->AddElement(m_pA);
    m_pFade->AddElement(m_pA);
    Steps(10);
    EXPECT_FALSE(m_pB->HasBehavior(m_pViral));  // age 0.9999999999999999 is not above 1.0
    Book().Step();
    EXPECT_TRUE(m_pB->HasBehavior(m_pViral));
    EXPECT_TRUE(m_pB->HasBehavior(m_pFade));
    EXPECT_EQ(Age(m_pB), 0.1);
    // B infects nothing new (A has everything already) and keeps ageing.
    Book().Step();
    EXPECT_EQ(Age(m_pB), 0.2);
    EXPECT_EQ(m_pA->GetBehaviorCount(), 3);
}

TEST_F(ViralTest, TheAgeMustExceedTheDormancy) {
    struct Row {
        double dDormancy;
        int nStep;  // the step that infects B
    } rows[] = {{0.5, 6}, {0.0, 1}, {0.35, 4}};  // five sums of 0.1 give exactly 0.5
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dDormancy);
        m_pViral->RemoveAllElements();
        delete m_pB->GetProp(PROP_INFECTION);
        m_pB->SetProp(PROP_INFECTION, nullptr);
        m_pViral->SetDormancyPeriod(row.dDormancy);
        m_pViral->AddElement(m_pA);
        Steps(row.nStep - 1);
        EXPECT_FALSE(m_pB->HasBehavior(m_pViral));
        Book().Step();
        EXPECT_TRUE(m_pB->HasBehavior(m_pViral));
    }
}

TEST_F(ViralTest, WordsInfectWordsThroughTheirGlyphs) {
    CKTElement* pWordA = m_pA->GetParent();
    CKTElement* pWordB = m_pB->GetParent();
    m_pViral->SetDormancyPeriod(0.0);
    m_pViral->AddElement(pWordA);
    Book().Step();
    EXPECT_TRUE(pWordB->HasBehavior(m_pViral));
    EXPECT_FALSE(m_pB->HasBehavior(m_pViral));
}

TEST_F(ViralTest, NoSpreadToWhatTheSprayerBuilds) {
    for (BYTE bSpraying : {1, 0}) {
        SCOPED_TRACE(int(bSpraying));
        auto* pFlag = CKTBoolBhvrProp::Cast(CKTBehavior::CreateProp(PROPTYPE_BOOL, PROP_SPRAYING));
        pFlag->SetValue(bSpraying);
        delete m_pB->GetProp(PROP_SPRAYING);
        m_pB->SetProp(PROP_SPRAYING, pFlag);
        m_pViral->SetDormancyPeriod(0.0);
        m_pViral->AddElement(m_pA);
        Book().Step();
        EXPECT_EQ(m_pB->HasBehavior(m_pViral) ? 1 : 0, bSpraying ? 0 : 1);
    }
}

TEST_F(ViralTest, NoSpreadFromListsNoDetectorKeepsUpToDate) {
    m_pViral->SetDormancyPeriod(0.0);
    m_pViral->AddElement(m_pA);
    m_pDetector->StopListening();
    Book().Step();  // the lists still hold the last sweep's pairs, or nothing
    EXPECT_FALSE(m_pB->HasBehavior(m_pViral));
    // A swept pair whose partner is then deleted, with the detector stopped: never read.
    m_pDetector->StartListening();
    CKTGlyph* pC = LoneGlyph(300, 300);
    CKTGlyph* pD = LoneGlyph(302, 300);
    m_pDetector->AddElement(pC);
    m_pDetector->AddElement(pD);
    m_pViral->AddElement(pC);
    m_pViral->RemoveElement(m_pA);
    m_pDetector->StopListening();
    Book().Step();
    m_pDetector->StartListening();
    Book().Step();  // sweeps: C and D collide
    m_pDetector->StopListening();
    pD->Die(FALSE, TRUE);
    m_pViral->SetDormancyPeriod(100.0);
    Book().Step();  // D is deleted
    m_pViral->SetDormancyPeriod(0.0);
    Book().Step();  // C's list still names D: not read
    EXPECT_TRUE(pC->HasBehavior(m_pViral));
}

TEST_F(ViralTest, ElementWithoutAnAgeIsSkipped) {
    m_pA->SetProp(PROP_INFECTION, new CKTBoolBhvrProp(PROP_INFECTION));
    m_pViral->SetDormancyPeriod(0.0);
    m_pViral->AddElement(m_pA);
    Steps(3);
    EXPECT_FALSE(m_pB->HasBehavior(m_pViral));
}

namespace {

class LinesTest : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        CDC* pDC = m_wnd.GetPaintDC();
        CRect rc(0, 0, kWidth, kHeight);
        CBrush white(RGB(255, 255, 255));
        pDC->FillRect(&rc, &white);
        m_pen.CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        pDC->SelectObject(&m_pen);
    }
    void TearDown() override {
        m_wnd.GetPaintDC()->SelectStockObject(BLACK_PEN);
        EffectsTest::TearDown();
    }
    COLORREF Pixel(int x, int y) { return m_wnd.GetPaintDC()->GetPixel(x, y); }
    int CountRed() {
        int n = 0;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++) n += Pixel(x, y) == RGB(255, 0, 0);
        return n;
    }
    CPen m_pen;
};

}  // namespace

TEST_F(LinesTest, BottomCentreToTopCentreWithTheCurrentPen) {
    CKTConnByLines* p = Add(new CKTConnByLines);
    // A (100, 100, 110, 110), B (100, 150, 110, 160), C (140, 200, 150, 210).
    for (CKTGlyph* g : {LoneGlyph(100, 100), LoneGlyph(100, 150), LoneGlyph(140, 200)}) p->AddElement(g);
    CDC* pDC = m_wnd.GetPaintDC();
    CBrush* pBrushBefore = pDC->GetCurrentBrush();
    Book().Draw(pDC);
    EXPECT_EQ(pDC->GetCurrentBrush(), pBrushBefore);
    EXPECT_EQ(pDC->GetCurrentPen(), &m_pen);
    // A to B: (105, 115) to (105, 148), the end pixel left out.
    EXPECT_EQ(Pixel(105, 114), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(105, 115), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(105, 147), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(105, 148), RGB(255, 255, 255));
    // B to C: (105, 165) to (145, 198).
    EXPECT_EQ(Pixel(105, 165), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(145, 198), RGB(255, 255, 255));
    EXPECT_EQ(CountRed(), 33 + 40);  // one pixel per step along the major axis
}

TEST_F(LinesTest, OneElementOrNoContextDrawsNothing) {
    CKTConnByLines* p = Add(new CKTConnByLines);
    p->AddElement(LoneGlyph(100, 100));
    Book().Draw(m_wnd.GetPaintDC());
    EXPECT_EQ(CountRed(), 0);
    p->AddElement(LoneGlyph(100, 150));
    p->DrawLines(nullptr);
    EXPECT_EQ(CountRed(), 0);
    // A book without a window has no context outside a draw.
    TearDown();
    m_pBook = std::make_unique<CKTBook>();
    CKTConnByLines* pLines = new CKTConnByLines;
    m_pBook->AddBehavior(pLines);
    pLines->StartListening();
    pLines->AddElement(LoneGlyph(0, 0));
    pLines->AddElement(LoneGlyph(0, 50));
    ASSERT_EQ(m_pBook->GetCurrentDC(), nullptr);
    m_pBook->DispatchEvent(EV_DRAW);
}

namespace {

// A renderer that forbids renderers below its element.
class CKTERNoChildren : public CKTElementRenderer {
public:
    CKTERNoChildren() : CKTElementRenderer(RENDERER_BASE) {}
    BOOL AllowsChildRenderers() override { return FALSE; }
};

class SetRendererTest : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        Book().SetRunState(1);
    }
};

}  // namespace

TEST_F(SetRendererTest, PlainRenderersComeBackOnceAndStay) {
    CKTGlyph* g = LoneGlyph(0, 0);
    auto* p = Add(new CKTSetElementRendererBhvr);
    EXPECT_EQ(p->GetRendererType(), 1);
    p->AddElement(g);
    Book().Step();
    ASSERT_EQ(g->GetRendererType(), RENDERER_DEFAULT);
    CKTElementRenderer* pRenderer = g->GetRenderer();
    EXPECT_TRUE(pRenderer->IsKindOf(RUNTIME_CLASS(CKTERDefault)));
    Book().Step();
    EXPECT_EQ(g->GetRenderer(), pRenderer);
}

TEST_F(SetRendererTest, OnAWordEveryGlyphGetsACopy) {
    CKTWord* pWord = NewWord(NewPassage());
    CKTGlyph* g1 = NewGlyph(pWord, 0, 0);
    CKTGlyph* g2 = NewGlyph(pWord, 10, 0);
    auto* p = Add(new CKTSetElementRendererBhvr);
    p->AddElement(pWord);
    Book().Step();
    EXPECT_EQ(pWord->GetRendererType(), RENDERER_DEFAULT);
    EXPECT_EQ(g1->GetRendererType(), RENDERER_DEFAULT);
    EXPECT_EQ(g2->GetRendererType(), RENDERER_DEFAULT);
}

TEST_F(SetRendererTest, FactoryMakesEachStyleByItsId) {
    struct Row {
        int nType;
        const char* pszClass;
    } rows[] = {
        {RENDERER_DEFAULT, "CKTERDefault"}, {RENDERER_PARTICLE, "CKTERParticle"}, {RENDERER_LENS, "CKTERLens"},
        {RENDERER_PULL, "CKTERPull"},       {RENDERER_PULSE, "CKTERPulse"},       {RENDERER_SPLATTER, "CKTERSplatter"},
        {RENDERER_TEST, "CKTERTest"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.nType);
        std::unique_ptr<CKTElementRenderer> p(KTCreateRenderer(row.nType));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->GetType(), row.nType);
        EXPECT_STREQ(p->GetRuntimeClass()->m_lpszClassName, row.pszClass);
        EXPECT_EQ(p->GetElement(), nullptr);
    }
}

TEST_F(SetRendererTest, SplatterUntilEveryGlyphHasOneThenPlainAgain) {
    CKTWord* pWord = NewWord(NewPassage(100, 100));
    std::vector<CKTGlyph*> g;
    for (char c : {'a', 'b'}) {
        auto* p = new CKTGlyph;
        p->SetFont(kttest::Font(240));
        p->SetChar(c);
        pWord->AppendChild(p, TRUE);
        g.push_back(p);
    }
    auto* pSet = Add(new CKTSetElementRendererBhvr);
    pSet->SetRendererType(RENDERER_SPLATTER);
    for (CKTGlyph* p : g) pSet->AddElement(p);
    Book().Step();
    std::vector<CKTElementRenderer*> splatters;
    for (CKTGlyph* p : g) {
        ASSERT_EQ(p->GetRendererType(), RENDERER_SPLATTER);
        EXPECT_EQ(p->GetRenderer()->GetElement(), p);
        splatters.push_back(p->GetRenderer());
    }
    Book().Step();
    Book().Draw(m_wnd.GetPaintDC());
    for (size_t i = 0; i < g.size(); i++) EXPECT_EQ(g[i]->GetRenderer(), splatters[i]);  // kept
    pSet->SetRendererType(RENDERER_DEFAULT);
    Book().Step();
    for (CKTGlyph* p : g) EXPECT_TRUE(p->GetRenderer()->IsKindOf(RUNTIME_CLASS(CKTERDefault)));
    Book().Draw(m_wnd.GetPaintDC());
}

TEST_F(SetRendererTest, UnknownTypesTakeTheRendererAway) {
    for (int nType : {0, 8, 14, 99, -1, 15}) {  // 8 to 14 are renderers the behaviour does not make
        SCOPED_TRACE(nType);
        EXPECT_EQ(KTCreateRenderer(nType), nullptr);
        CKTGlyph* g = LoneGlyph(0, 0);
        auto* p = Add(new CKTSetElementRendererBhvr);
        p->SetRendererType(nType);
        p->AddElement(g);
        Book().Step();
        EXPECT_EQ(g->GetRenderer(), nullptr);
        Book().Step();
        EXPECT_EQ(g->GetRenderer(), nullptr);
        Book().RemoveBehavior(p);
        delete p;
    }
}

TEST_F(SetRendererTest, RefusedRendererIsFreedAndTheOldOneStays) {
    CKTWord* pWord = NewWord(NewPassage());
    CKTGlyph* g = NewGlyph(pWord, 0, 0);
    CKTElementRenderer* pOld = g->GetRenderer();
    ASSERT_TRUE(pWord->SetRenderer(new CKTERNoChildren, TRUE));
    EXPECT_EQ(g->GetRenderer(), pOld);
    auto* p = Add(new CKTSetElementRendererBhvr);
    p->AddElement(g);
    Steps(3);  // a new renderer is made, refused and freed at every step (the leak check sees it)
    EXPECT_EQ(g->GetRenderer(), pOld);
}
