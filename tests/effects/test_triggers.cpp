// Triggers: each trigger's rule, the fire through the book's queues, re-arming, the mouse-event
// setters, referrers both ways, and the load check of trigger lists against referrer lists.
#include <functional>
#include <vector>

#include "effects/effectsfixture.h"
#include "kinetype/kterpull.h"
#include "kinetype/ktiscolortrigger.h"
#include "kinetype/ktmouseeventintrigger.h"
#include "kinetype/ktmousemovetrigger.h"
#include "kinetype/ktmousestilltrigger.h"
#include "kinetype/ktpulledtrigger.h"
#include "kinetype/kttimetrigger.h"
#include "kinetype/ktviscousdragbhvr.h"
#include "kinetype/test_element_fixture.h"

namespace {

class TriggerTest : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        Book().SetRunState(1);
        m_pTarget = NewTarget();
    }
    // Adds and starts the trigger with the target in its start list.
    template <class T>
    T* Arm(T* pTrigger) {
        pTrigger->AddStartBehavior(m_pTarget);
        return Add(pTrigger);
    }
    // One step; TRUE when the trigger fired in it (the target was started), after which the target is
    // stopped again.
    bool StepFired() {
        Book().Step();
        bool bFired = m_pTarget->IsRunning();
        m_pTarget->StopListening();
        return bFired;
    }
    CKTBehavior* m_pTarget = nullptr;
};

}  // namespace

TEST_F(TriggerTest, MouseStillComparesWithThePreviousStepOnly) {
    struct Row {
        const char* what;
        std::vector<CPoint> mouse;  // the mouse point before each step
        std::vector<bool> fires;
    } rows[] = {
        {"still from the start", {{5, 5}, {5, 5}, {5, 5}}, {false, true, true}},
        {"first step at the start value", {{-666, -666}, {-666, -666}}, {true, true}},
        {"moving every step", {{1, 1}, {2, 1}, {2, 2}, {1, 1}}, {false, false, false, false}},
        {"moves, then stays", {{1, 1}, {1, 1}, {9, 9}, {9, 9}, {9, 9}}, {false, true, false, true, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CKTMouseStillTrigger* p = Arm(new CKTMouseStillTrigger);
        EXPECT_EQ(p->GetLastPoint(), CPoint(-666, -666));
        for (size_t i = 0; i < row.mouse.size(); i++) {
            Book().OnMouseMove(row.mouse[i]);
            EXPECT_EQ(StepFired(), row.fires[i]) << "step " << i + 1;
            EXPECT_EQ(p->GetLastPoint(), row.mouse[i]);
        }
        Book().RemoveBehavior(p);
        delete p;
    }
}

TEST_F(TriggerTest, AFireOnAMouseEventActsAtTheEndOfTheNextStep) {
    Arm(new CKTMouseMoveTrigger);
    Book().OnMouseMove(CPoint(3, 4));
    Book().OnMouseMove(CPoint(5, 4));  // a second fire before the step: queued again, same effect
    EXPECT_FALSE(m_pTarget->IsRunning());
    EXPECT_EQ(Book().GetStartQueue().GetCount(), 2);
    EXPECT_TRUE(StepFired());
    EXPECT_FALSE(StepFired());  // no move since
    // A stopped book sends no mouse event.
    Book().SetRunState(0);
    Book().OnMouseMove(CPoint(9, 9));
    Book().SetRunState(1);
    EXPECT_FALSE(StepFired());
}

TEST_F(TriggerTest, StartAndStopOfOneBehaviourInOneFireEndsStopped) {
    CKTMouseMoveTrigger* p = Arm(new CKTMouseMoveTrigger);
    p->AddStopBehavior(m_pTarget);
    CKTBehavior* pOther = NewTarget();
    pOther->StartListening();
    p->AddStopBehavior(pOther);
    Book().OnMouseMove(CPoint(1, 1));
    Book().Step();
    EXPECT_FALSE(m_pTarget->IsRunning());
    EXPECT_FALSE(pOther->IsRunning());
}

TEST_F(TriggerTest, MouseEventInTheRegionByFlag) {
    enum Ev { LDown, LUp, RDown, RUp, Move };
    const CRect rcRegion(10, 20, 30, 40);
    struct Row {
        Ev flag;        // the one setter called (with TRUE unless bValue says otherwise)
        BOOL bValue;
        Ev event;       // the event that happens
        CPoint pt;      // where the mouse is
        bool fires;
    } rows[] = {
        {LDown, TRUE, LDown, {10, 20}, true},   // left and top edges are in
        {LDown, TRUE, LDown, {29, 39}, true},
        {LDown, TRUE, LDown, {30, 25}, false},  // the right edge is out
        {LDown, TRUE, LDown, {15, 40}, false},  // the bottom edge is out
        {LDown, TRUE, LDown, {9, 25}, false},
        {LDown, TRUE, LUp, {15, 25}, false},    // another event
        {LDown, FALSE, LDown, {15, 25}, false}, // registered, but the flag is clear
        {LUp, TRUE, LUp, {15, 25}, true},
        {LUp, TRUE, LDown, {15, 25}, false},
        {RDown, TRUE, RDown, {15, 25}, true},
        {RDown, TRUE, RDown, {15, 19}, false},
        {RUp, TRUE, RUp, {15, 25}, true},
        {Move, TRUE, Move, {15, 25}, true},
        {Move, TRUE, Move, {45, 25}, false},
        {Move, TRUE, RDown, {15, 25}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "flag " << row.flag << " value " << row.bValue << " event " << row.event
                                        << " at " << row.pt.x << "," << row.pt.y);
        auto* p = new CKTMouseEventInTrigger;
        p->SetRegion(rcRegion);
        switch (row.flag) {
        case LDown: p->SetLeftButtonDown(row.bValue); break;
        case LUp: p->SetLeftButtonUp(row.bValue); break;
        case RDown: p->SetRightButtonDown(row.bValue); break;
        case RUp: p->SetRightButtonUp(row.bValue); break;
        case Move: p->SetMouseMove(row.bValue); break;
        }
        Arm(p);
        // The mouse is put in place while the book is stopped (no event), then the event happens.
        Book().SetRunState(0);
        Book().OnMouseMove(row.event == Move ? CPoint(0, 0) : row.pt);
        Book().SetRunState(1);
        switch (row.event) {
        case LDown: Book().OnLButtonDown(row.pt); break;
        case LUp: Book().OnLButtonUp(row.pt); break;
        case RDown: Book().OnRButtonDown(row.pt); break;
        case RUp: Book().OnRButtonUp(row.pt); break;
        case Move: Book().OnMouseMove(row.pt); break;
        }
        EXPECT_EQ(StepFired(), row.fires);
        Book().RemoveBehavior(p);
        delete p;
    }
}

TEST_F(TriggerTest, MouseEventSettersRegisterOnEveryCallOnlyWhileStopped) {
    auto* p = new CKTMouseEventInTrigger;
    EXPECT_EQ(p->GetRegion(), CRect(0, 0, 0, 0));
    p->SetLeftButtonDown(TRUE);
    p->SetLeftButtonDown(TRUE);
    p->SetMouseMove(FALSE);
    Arm(p);
    EXPECT_EQ(Book().GetListenerCount(EV_LBUTTONDOWN), 2);
    EXPECT_EQ(Book().GetListenerCount(EV_MOUSEMOVE), 1);
    p->SetRightButtonDown(TRUE);  // running: ignored
    EXPECT_EQ(Book().GetListenerCount(EV_RBUTTONDOWN), 0);
    // The empty region holds no point, not even (0, 0).
    Book().OnMouseMove(CPoint(0, 0));
    Book().OnLButtonDown(CPoint(0, 0));
    EXPECT_FALSE(StepFired());
    // Handled twice per press: two fires, queued twice, one start.
    p->SetRegion(CRect(0, 0, 10, 10));
    Book().OnLButtonDown(CPoint(0, 0));
    EXPECT_EQ(Book().GetStartQueue().GetCount(), 2);
    EXPECT_TRUE(StepFired());
    p->StopListening();
    p->SetRightButtonDown(TRUE);
    p->StartListening();
    EXPECT_EQ(Book().GetListenerCount(EV_RBUTTONDOWN), 1);
    EXPECT_EQ(Book().GetListenerCount(EV_LBUTTONDOWN), 2);
}

TEST_F(TriggerTest, PulledAsksTheRendererOfAGlyphOfType4) {
    struct Row {
        const char* what;
        int nType;
        BOOL bPulled;
        bool bOnWord;          // the renderer is the word's, and the word the trigger's element
        bool bFireOnRelease;
        bool fires;
    } rows[] = {
        {"pulled glyph", RENDERER_PULL, TRUE, false, false, true},
        {"glyph at rest", RENDERER_PULL, FALSE, false, false, false},
        {"at rest, fire on release", RENDERER_PULL, FALSE, false, true, true},
        {"pulled, fire on release", RENDERER_PULL, TRUE, false, true, false},
        {"pulled renderer of another type", RENDERER_TEST, TRUE, false, false, false},
        {"pulled word", RENDERER_PULL, TRUE, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CKTWord* pWord = NewWord(NewPassage());
        CKTGlyph* g = NewGlyph(pWord, 0, 0);
        auto* pRenderer = new CKTERPullProbe(row.nType, row.bPulled);
        CKTElement* pTarget = row.bOnWord ? static_cast<CKTElement*>(pWord) : g;
        ASSERT_TRUE(pTarget->SetRenderer(pRenderer, TRUE));
        auto* p = new CKTPulledTrigger;
        if (row.bFireOnRelease) p->SetFireOnRelease();
        p->AddElement(pTarget);
        Arm(p);
        EXPECT_EQ(StepFired(), row.fires);
        EXPECT_EQ(StepFired(), row.fires);  // re-armed
        Book().RemoveBehavior(p);
        delete p;
    }
}

TEST_F(TriggerTest, PulledByTypeIdAloneDoesNotCount) {
    // A stored renderer of any class may carry type 4; the base class answers "not pulled".
    CKTGlyph* g = LoneGlyph(0, 0);
    ASSERT_TRUE(g->SetRenderer(new CKTElementRenderer(RENDERER_PULL), TRUE));
    auto* p = new CKTPulledTrigger;
    p->AddElement(g);
    Arm(p);
    EXPECT_FALSE(StepFired());
}

TEST_F(TriggerTest, PullRendererPulledByTheMouseFiresTheTrigger) {
    CKTWord* pWord = NewWord(NewPassage(100, 100));
    auto* g = new CKTGlyph;
    g->SetFont(kttest::Font(360));
    g->SetChar('H');
    pWord->AppendChild(g, TRUE);
    auto* pPull = new CKTERPull;
    ASSERT_TRUE(g->SetRenderer(pPull, TRUE));
    auto* p = new CKTPulledTrigger;
    p->AddElement(g);
    Arm(p);
    Book().OnMouseMove(CPoint(200, 60));
    EXPECT_FALSE(StepFired());  // the first pre-step moves the vertices away from rest: not yet "farther"
    EXPECT_TRUE(StepFired());
    EXPECT_TRUE(pPull->IsPulled());
}

TEST_F(TriggerTest, FireOnReleaseFiresBeforeAnyPullAndStopsWhilePulled) {
    CKTGlyph* a = LoneGlyph(0, 0);
    CKTGlyph* b = LoneGlyph(50, 0);
    auto* pA = new CKTERPullProbe;
    auto* pB = new CKTERPullProbe;
    ASSERT_TRUE(a->SetRenderer(pA, TRUE));
    ASSERT_TRUE(b->SetRenderer(pB, TRUE));
    auto* p = new CKTPulledTrigger;
    p->SetFireOnRelease();
    p->AddElement(a);
    p->AddElement(b);
    Arm(p);
    EXPECT_TRUE(StepFired());
    EXPECT_TRUE(StepFired());
    pB->m_bPulled = TRUE;
    EXPECT_FALSE(StepFired());
    pB->m_bPulled = FALSE;
    EXPECT_TRUE(StepFired());
}

TEST_F(TriggerTest, IsColourNeedsAnExactMatch) {
    struct Row {
        std::vector<COLORREF> colours;
        bool fires;
    } rows[] = {
        {{RGB(10, 20, 30)}, true},
        {{RGB(10, 20, 31)}, false},
        {{RGB(11, 20, 30)}, false},
        {{RGB(0, 0, 0), RGB(10, 20, 30)}, true},
        {{}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.colours.size());
        auto* p = new CKTIsColorTrigger;
        EXPECT_EQ(p->m_crTarget, RGB(255, 255, 255));
        p->m_crTarget = RGB(10, 20, 30);
        for (COLORREF cr : row.colours) {
            CKTGlyph* g = LoneGlyph(0, 0);
            g->SetColor(cr);
            p->AddElement(g);
        }
        Arm(p);
        EXPECT_EQ(StepFired(), row.fires);
        EXPECT_EQ(StepFired(), row.fires);
        Book().RemoveBehavior(p);
        delete p;
    }
}

TEST_F(TriggerTest, TimeTriggerFiresOnceAtTheStepTheClockReaches) {
    for (double dTime : {0.0, 0.3, 0.07, 1.0}) {
        SCOPED_TRACE(dTime);
        TearDown();
        SetUp();
        // The step at which the summed clock first reaches the time.
        double dClock = 0.0;
        int nExpected = 0;
        do {
            dClock += 0.01;
            nExpected++;
        } while (dClock < dTime);
        auto* p = new CKTTimeTrigger;
        p->SetFireTime(dTime);
        Arm(p);
        for (int i = 1; i <= nExpected + 5; i++) EXPECT_EQ(StepFired(), i == nExpected) << "step " << i;
        EXPECT_TRUE(p->IsFired());
    }
}

TEST_F(TriggerTest, TimeTriggerStaysFiredThroughSaveAndLoad) {
    auto* pEarly = new CKTTimeTrigger;
    pEarly->SetFireTime(0.02);
    Arm(pEarly);
    Steps(3);
    EXPECT_TRUE(m_pTarget->IsRunning());
    m_pTarget->StopListening();
    auto* pLate = new CKTTimeTrigger;
    pLate->SetFireTime(0.1);
    CKTBehavior* pLateTarget = NewTarget();
    pLate->AddStartBehavior(pLateTarget);
    Add(pLate);
    Reload();
    // Find the loaded triggers and targets by their fire times and lists.
    CKTTimeTrigger* pLoadedEarly = nullptr;
    CKTTimeTrigger* pLoadedLate = nullptr;
    for (POSITION pos = Book().GetFirstBehaviorPosition(); pos;) {
        CKTBehavior* p = Book().GetNextBehavior(pos);
        if (!p->IsKindOf(RUNTIME_CLASS(CKTTimeTrigger))) continue;
        auto* t = static_cast<CKTTimeTrigger*>(p);
        (t->GetFireTime() == 0.02 ? pLoadedEarly : pLoadedLate) = t;
    }
    ASSERT_TRUE(pLoadedEarly && pLoadedLate);
    EXPECT_TRUE(pLoadedEarly->IsFired());
    EXPECT_FALSE(pLoadedLate->IsFired());
    POSITION pos = pLoadedEarly->GetFirstStartPosition();
    CKTBehavior* pEarlyTarget = pLoadedEarly->GetNextStart(pos);
    pos = pLoadedLate->GetFirstStartPosition();
    CKTBehavior* pLoadedLateTarget = pLoadedLate->GetNextStart(pos);
    EXPECT_FALSE(pEarlyTarget->IsRunning());
    EXPECT_FALSE(pLoadedLateTarget->IsRunning());
    Steps(10);  // the clock goes from 0.03 past 0.1
    EXPECT_FALSE(pEarlyTarget->IsRunning());
    EXPECT_TRUE(pLoadedLateTarget->IsRunning());
}

TEST_F(TriggerTest, ReferrersFollowTheListsBothWays) {
    auto* pTrigger = new CKTMouseMoveTrigger;
    Add(pTrigger);
    CKTBehavior* pBoth = NewTarget();
    CKTBehavior* pStartOnly = NewTarget();
    pTrigger->AddStartBehavior(pBoth);
    pTrigger->AddStopBehavior(pBoth);
    pTrigger->AddStartBehavior(pStartOnly);
    EXPECT_EQ(pTrigger->CountReferencesTo(pBoth), 2);
    auto referrers = [](CKTBehavior* p) {
        int n = 0;
        for (POSITION pos = p->GetFirstReferrerPosition(); pos; p->GetNextReferrer(pos)) n++;
        return n;
    };
    EXPECT_EQ(referrers(pBoth), 2);
    // A behaviour in both lists, destroyed, leaves both.
    Book().RemoveBehavior(pBoth);
    delete pBoth;
    EXPECT_EQ(pTrigger->GetStartCount(), 1);
    EXPECT_EQ(pTrigger->GetStopCount(), 0);
    EXPECT_FALSE(pTrigger->OnBehaviorDying(pBoth));  // in neither list now
    EXPECT_FALSE(pTrigger->RemoveStartBehavior(m_pTarget));
    EXPECT_FALSE(pTrigger->AddStartBehavior(nullptr));
    // A trigger destroyed leaves no referrer; a fire after that has nothing to queue for it.
    pTrigger->AddStartBehavior(pStartOnly);  // listed twice
    EXPECT_EQ(referrers(pStartOnly), 2);
    Book().RemoveBehavior(pTrigger);
    delete pTrigger;
    EXPECT_EQ(referrers(pStartOnly), 0);
    Book().OnMouseMove(CPoint(1, 2));
    Book().Step();
    EXPECT_FALSE(pStartOnly->IsRunning());
}

TEST_F(TriggerTest, LoadedListsAndReferrersMustAgree) {
    // As only a file can put them: a trigger's lists and its entries in the listed behaviours'
    // referrer lists must agree (a listed behaviour that does not know the trigger would leave it a
    // dangling entry); a referrer that lists nothing is harmless, since a behaviour that goes takes
    // itself out of every referrer list still naming it.
    auto* pTrigger = new CKTMouseMoveTrigger;
    Add(pTrigger);
    pTrigger->AddStartBehavior(m_pTarget);
    auto* pDrag = Add(new CKTViscousDragBhvr);
    struct Row {
        const char* what;
        std::function<void()> breakIt, mendIt;
        bool bLoads;
        const CRuntimeClass* pFirstToGo;  // loaded: this one is destroyed first
    } rows[] = {
        {"listed, not a referrer", [&] { m_pTarget->RemoveReferrer(pTrigger); },
         [&] { m_pTarget->AddReferrer(pTrigger); }, false, nullptr},
        {"a referrer twice, listed once", [&] { m_pTarget->AddReferrer(pTrigger); },
         [&] { m_pTarget->RemoveReferrer(pTrigger); }, false, nullptr},
        {"a referrer that lists nothing", [&] { m_pTarget->AddReferrer(pDrag); },
         [&] { m_pTarget->RemoveReferrer(pDrag); }, true, RUNTIME_CLASS(CKTViscousDragBhvr)},
        {"a trigger as referrer of a behaviour it does not list", [&] { pDrag->AddReferrer(pTrigger); },
         [&] { pDrag->RemoveReferrer(pTrigger); }, true, RUNTIME_CLASS(CKTMouseMoveTrigger)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.breakIt();
        kttest::Bytes broken = kttest::StoreBook(Book());
        row.mendIt();
        CKTBook* pCurrent = g_pCurrentBook;
        {
            std::unique_ptr<CKTBook> pOther;
            {
                CKTLoadingScope loading(KT_FILE_VERSION);
                pOther = std::make_unique<CKTBook>();
            }
            if (!row.bLoads) {
                EXPECT_THROW(kttest::LoadBook(*pOther, broken, KT_FILE_VERSION), CArchiveException);
            } else {
                EXPECT_NO_THROW(kttest::LoadBook(*pOther, broken, KT_FILE_VERSION));
                // The stray referrer goes first; nothing names it afterwards (the rest goes with the
                // book).
                CKTBehavior* pFirst = nullptr;
                for (POSITION pos = pOther->GetFirstBehaviorPosition(); pos && !pFirst;) {
                    CKTBehavior* p = pOther->GetNextBehavior(pos);
                    if (p->GetRuntimeClass() == row.pFirstToGo) pFirst = p;
                }
                EXPECT_NE(pFirst, nullptr);
                pOther->RemoveBehavior(pFirst);
                delete pFirst;
                for (POSITION pos = pOther->GetFirstBehaviorPosition(); pos;) {
                    CKTBehavior* p = pOther->GetNextBehavior(pos);
                    for (POSITION ref = p->GetFirstReferrerPosition(); ref;)
                        EXPECT_NE(p->GetNextReferrer(ref), pFirst);
                }
            }
        }
        g_pCurrentBook = pCurrent;
    }
}
