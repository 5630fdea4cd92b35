// The book: listener lists and their walks, the tick's order and queues, drawing, the mouse, the
// behaviour list, book properties, the window and applying a behaviour to a selection.
#include <gtest/gtest.h>

#include <memory>

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"
#include "ktrecorder.h"
#include "kttesthelp.h"

using kttest::CRecorder;
using kttest::CRecordingBhvr;
using kttest::Log;

namespace {

class BookTest : public ::testing::Test {
protected:
    void SetUp() override { NewBook(); }
    // Whoever replaces a book deletes the old one first.
    void NewBook() {
        m_pBook.reset();
        g_bLoading = 0;
        m_pBook = std::make_unique<CKTBook>();
    }
    void TearDown() override { m_pBook.reset(); }

    // The names of an event's listeners, in order.
    std::vector<std::string> Listeners(int nEvent) {
        std::vector<std::string> names;
        for (POSITION pos = m_pBook->GetFirstListenerPosition(nEvent); pos;) {
            CKTComponent* p = m_pBook->GetNextListener(nEvent, pos);
            if (auto* r = dynamic_cast<CRecorder*>(p))
                names.push_back(r->m_name);
            else if (auto* b = dynamic_cast<CRecordingBhvr*>(p))
                names.push_back(b->m_name);
            else
                names.push_back("?");
        }
        return names;
    }

    Log m_log;
    std::unique_ptr<CKTBook> m_pBook;
};

}  // namespace

TEST_F(BookTest, ConstructionMakesItCurrentWithARootAndStartValues) {
    EXPECT_EQ(g_pCurrentBook, m_pBook.get());
    ASSERT_NE(m_pBook->GetRoot(), nullptr);
    EXPECT_EQ(m_pBook->GetRoot()->GetKind(), 1);
    EXPECT_EQ(m_pBook->GetRunState(), 0);
    EXPECT_EQ(m_pBook->GetClock(), 0.0);
    EXPECT_EQ(m_pBook->GetBackgroundColor(), 0xFFFFFFu);
    EXPECT_EQ(m_pBook->GetCurrentDC(), nullptr);
    for (int i = 0; i < BOOKPROP_COUNT; i++) EXPECT_EQ(m_pBook->GetBookProp(i), nullptr);
}

TEST(Book, LoadingConstructorMakesNoRootAndDestructorClearsCurrent) {
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        CKTBook book;
        EXPECT_EQ(book.GetRoot(), nullptr);
    }
    EXPECT_EQ(g_pCurrentBook, nullptr);
}

TEST_F(BookTest, ListenerOrderFollowsPriority) {
    struct Case {
        const char* what;
        std::vector<int> priorities;  // for A, B, C ... in registration order
        std::vector<std::string> expected;
    } cases[] = {
        {"head twice", {1, 1}, {"B", "A"}},
        {"tail twice", {0, 0}, {"A", "B"}},
        {"head goes before every earlier one", {0, 0, 1}, {"C", "A", "B"}},
        {"any priority but 1 is the tail", {2, -1, 1, 0}, {"C", "A", "B", "D"}},
    };
    for (const Case& c : cases) {
        NewBook();
        std::vector<std::unique_ptr<CRecorder>> comps;
        for (size_t i = 0; i < c.priorities.size(); i++) {
            comps.push_back(std::make_unique<CRecorder>(m_log, std::string(1, static_cast<char>('A' + i))));
            EXPECT_TRUE(comps.back()->RegisterEvent(EV_PRESTEP, c.priorities[i]));
        }
        EXPECT_EQ(Listeners(EV_PRESTEP), c.expected) << c.what;
        m_log.clear();
        m_pBook->DispatchEvent(EV_PRESTEP);
        std::vector<std::string> called;
        for (const std::string& s : m_log) called.push_back(s.substr(0, 1));
        EXPECT_EQ(called, c.expected) << c.what;
        m_pBook.reset();
    }
}

TEST_F(BookTest, DuplicateRegistrationIsCalledTwiceAndRemovedOneAtATime) {
    CRecorder a(m_log, "A");
    a.RegisterEvent(EV_STEP, 0);
    a.RegisterEvent(EV_STEP, 0);
    m_pBook->DispatchEvent(EV_STEP);
    EXPECT_EQ(m_log, (Log{"A:1", "A:1"}));
    EXPECT_TRUE(a.UnregisterEvent(EV_STEP));
    EXPECT_EQ(m_pBook->GetListenerCount(EV_STEP), 1);
    EXPECT_TRUE(a.UnregisterEvent(EV_STEP));
    EXPECT_FALSE(a.UnregisterEvent(EV_STEP));
}

TEST_F(BookTest, InvalidEventIdsAreRefused) {
    CRecorder a(m_log, "A");
    for (int nEvent : {9, -1, 100, INT_MIN}) {
        EXPECT_FALSE(a.RegisterEvent(nEvent, 0)) << nEvent;
        EXPECT_FALSE(a.UnregisterEvent(nEvent)) << nEvent;
        EXPECT_FALSE(CKTBook::IsValidEvent(nEvent));
        m_pBook->DispatchEvent(nEvent);
        EXPECT_EQ(m_pBook->GetFirstListenerPosition(nEvent), nullptr);
    }
    for (int e = 0; e < EV_COUNT; e++) EXPECT_EQ(m_pBook->GetListenerCount(e), 0);
    EXPECT_TRUE(m_log.empty());
    EXPECT_FALSE(m_pBook->AddListener(nullptr, EV_DRAW, 0));
}

// Removing entries during a walk: the walk goes on over the live entries in order, appended entries
// are reached, the removed ones are invisible at once and gone once the walk ends.
TEST_F(BookTest, RemovalDuringAWalk) {
    struct Case {
        const char* what;
        std::function<void(CRecorder& a, CRecorder& b, CRecorder& c, CRecorder& d)> hook;  // run by B
        Log expectedCalls;
        std::vector<std::string> expectedAfter;
    };
    Case cases[] = {
        {"B removes itself", [](CRecorder&, CRecorder& b, CRecorder&, CRecorder&) { b.UnregisterEvent(0); },
         {"A:0", "B:0", "C:0"}, {"A", "C"}},
        {"B removes the next entry", [](CRecorder&, CRecorder&, CRecorder& c, CRecorder&) { c.UnregisterEvent(0); },
         {"A:0", "B:0"}, {"A", "B"}},
        {"B removes an earlier entry", [](CRecorder& a, CRecorder&, CRecorder&, CRecorder&) { a.UnregisterEvent(0); },
         {"A:0", "B:0", "C:0"}, {"B", "C"}},
        {"B appends D at the tail", [](CRecorder&, CRecorder&, CRecorder&, CRecorder& d) { d.RegisterEvent(0, 0); },
         {"A:0", "B:0", "C:0", "D:0"}, {"A", "B", "C", "D"}},
        {"B puts D at the head", [](CRecorder&, CRecorder&, CRecorder&, CRecorder& d) { d.RegisterEvent(0, 1); },
         {"A:0", "B:0", "C:0"}, {"D", "A", "B", "C"}},
        {"B removes C, then C's removal again fails",
         [](CRecorder&, CRecorder&, CRecorder& c, CRecorder&) {
             EXPECT_TRUE(c.UnregisterEvent(0));
             EXPECT_FALSE(c.UnregisterEvent(0));
         },
         {"A:0", "B:0"}, {"A", "B"}},
        {"B removes C and appends it again",
         [](CRecorder&, CRecorder&, CRecorder& c, CRecorder&) {
             c.UnregisterEvent(0);
             c.RegisterEvent(0, 0);
         },
         {"A:0", "B:0", "C:0"}, {"A", "B", "C"}},
    };
    for (Case& c : cases) {
        NewBook();
        m_log.clear();
        CRecorder a(m_log, "A"), b(m_log, "B"), cc(m_log, "C"), d(m_log, "D");
        a.RegisterEvent(0, 0);
        b.RegisterEvent(0, 0);
        cc.RegisterEvent(0, 0);
        bool bOnce = false;
        b.m_hook = [&](int) {
            if (bOnce) return;
            bOnce = true;
            c.hook(a, b, cc, d);
        };
        m_pBook->DispatchEvent(EV_DRAW);
        EXPECT_EQ(m_log, c.expectedCalls) << c.what;
        EXPECT_EQ(Listeners(EV_DRAW), c.expectedAfter) << c.what;
        EXPECT_EQ(m_pBook->GetListenerCount(EV_DRAW), static_cast<INT_PTR>(c.expectedAfter.size())) << c.what;
        m_pBook.reset();  // before the recorders go
    }
}

TEST_F(BookTest, EntriesRemovedDuringAWalkAreNeverStored) {
    CRecorder a(m_log, "A"), b(m_log, "B");
    a.RegisterEvent(EV_DRAW, 0);
    b.RegisterEvent(EV_DRAW, 0);
    kttest::Bytes during;
    a.m_hook = [&](int) {
        b.UnregisterEvent(EV_DRAW);
        during = kttest::StoreBook(*m_pBook);
    };
    m_pBook->DispatchEvent(EV_DRAW);
    a.m_hook = nullptr;
    EXPECT_EQ(during, kttest::StoreBook(*m_pBook));
}

TEST_F(BookTest, AComponentDestroyedDuringAWalkIsSkipped) {
    CRecorder a(m_log, "A");
    auto* pVictim = new CRecorder(m_log, "V");
    CRecorder c(m_log, "C");
    a.RegisterEvent(EV_DRAW, 0);
    pVictim->RegisterEvent(EV_DRAW, 0);
    pVictim->RegisterEvent(EV_PRESTEP, 0);  // also in a list nobody walks
    c.RegisterEvent(EV_DRAW, 0);
    a.m_hook = [&](int) {
        delete pVictim;  // as a renderer replaced from inside an event; it never unregistered
        pVictim = nullptr;
        a.m_hook = nullptr;
    };
    m_pBook->DispatchEvent(EV_DRAW);
    EXPECT_EQ(m_log, (Log{"A:0", "C:0"}));
    EXPECT_EQ(Listeners(EV_DRAW), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(m_pBook->GetListenerCount(EV_PRESTEP), 0);
}

TEST_F(BookTest, NestedWalksOfOneListCompactAtTheOutermost) {
    CRecorder a(m_log, "A"), b(m_log, "B");
    a.RegisterEvent(EV_STEP, 0);
    b.RegisterEvent(EV_STEP, 0);
    int nDepth = 0;
    a.m_hook = [&](int) {
        if (++nDepth == 1) {
            m_pBook->DispatchEvent(EV_STEP);  // inner walk
            b.UnregisterEvent(EV_STEP);        // after the inner walk ended, the outer still runs
        }
    };
    m_pBook->DispatchEvent(EV_STEP);
    EXPECT_EQ(m_log, (Log{"A:1", "A:1", "B:1"}));
    EXPECT_EQ(Listeners(EV_STEP), (std::vector<std::string>{"A"}));
}

TEST_F(BookTest, StepSendsPreStepStepPostStepAndAdvancesTheClock) {
    CRecorder a(m_log, "A");
    for (int e : {EV_DRAW, EV_STEP, EV_MOUSEMOVE, EV_PRESTEP, EV_POSTSTEP}) a.RegisterEvent(e, 0);
    m_pBook->Step();  // stopped: nothing at all
    EXPECT_TRUE(m_log.empty());
    EXPECT_EQ(m_pBook->GetClock(), 0.0);
    m_pBook->SetRunState(2);  // only exactly 1 runs
    m_pBook->Step();
    EXPECT_TRUE(m_log.empty());
    m_pBook->SetRunState(1);
    m_pBook->Step();
    m_pBook->Step();
    EXPECT_EQ(m_log, (Log{"A:3", "A:1", "A:4", "A:3", "A:1", "A:4"}));
    EXPECT_EQ(m_pBook->GetClock(), 0.0 + 0.01 + 0.01);
}

TEST_F(BookTest, QueuedStartsRunFromTheTailAndStopsComeAfterStarts) {
    CRecordingBhvr a(m_log, "A"), b(m_log, "B"), c(m_log, "C");
    for (CRecordingBhvr* p : {&a, &b, &c}) p->Listen(EV_PRESTEP, 0);
    m_pBook->QueueStart(&a);
    m_pBook->QueueStart(&b);
    m_pBook->QueueStart(&c);
    m_pBook->QueueStart(&c);  // twice: as once
    m_pBook->SetRunState(1);
    m_pBook->Step();
    EXPECT_EQ(Listeners(EV_PRESTEP), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_TRUE(m_pBook->GetStartQueue().IsEmpty());

    // Start and stop in one tick: stopped afterwards, whether it ran before (C) or not (D).
    CRecordingBhvr d(m_log, "D");
    d.Listen(EV_PRESTEP, 0);
    m_pBook->QueueStop(&c);
    m_pBook->QueueStart(&c);
    m_pBook->QueueStart(&d);
    m_pBook->QueueStop(&d);
    m_pBook->Step();
    EXPECT_FALSE(c.IsRunning());
    EXPECT_FALSE(d.IsRunning());
    EXPECT_EQ(Listeners(EV_PRESTEP), (std::vector<std::string>{"B", "A"}));

    // A stopped book keeps its queues for a later running step.
    m_pBook->SetRunState(0);
    m_pBook->QueueStart(&d);
    m_pBook->Step();
    EXPECT_FALSE(d.IsRunning());
    m_pBook->SetRunState(1);
    m_pBook->Step();
    EXPECT_TRUE(d.IsRunning());
    EXPECT_FALSE(m_pBook->QueueStart(nullptr));
}

namespace {
std::vector<CKTElement*> g_deleted;
void RecordDeleted(CKTElement* p) { g_deleted.push_back(p); }
}  // namespace

TEST_F(BookTest, DeletionQueueWaitsForARunningStepAndCallsBackForQueuedElementsOnly) {
    g_deleted.clear();
    m_pBook->SetElementDeletedCallback(RecordDeleted);
    auto* pWord = new CKTWord;
    auto* pGlyph = new CKTGlyph;
    pWord->AppendChild(pGlyph, FALSE);
    auto* pOther = new CRecorder(m_log, "X");  // not an element: deleted without a callback
    EXPECT_TRUE(m_pBook->AddMoribund(pWord));
    EXPECT_FALSE(m_pBook->AddMoribund(pWord));
    EXPECT_TRUE(m_pBook->AddMoribund(pOther));
    EXPECT_TRUE(m_pBook->IsMoribund(pWord));
    m_pBook->Step();  // stopped
    EXPECT_TRUE(g_deleted.empty());
    EXPECT_EQ(m_pBook->GetMoribundList().GetCount(), 2);
    m_pBook->SetRunState(1);
    m_pBook->Step();
    EXPECT_EQ(g_deleted, (std::vector<CKTElement*>{pWord}));  // not its glyph
    EXPECT_TRUE(m_pBook->GetMoribundList().IsEmpty());
}

TEST_F(BookTest, ADeletionQueuedEntryDestroyedWithItsAncestorLeavesTheQueue) {
    auto* pWord = new CKTWord;
    auto* pGlyph = new CKTGlyph;
    pWord->AppendChild(pGlyph, FALSE);
    m_pBook->AddMoribund(pGlyph);  // still attached: deleting the word deletes it
    m_pBook->AddMoribund(pWord);
    delete pWord;
    EXPECT_TRUE(m_pBook->GetMoribundList().IsEmpty());
    m_pBook->SetRunState(1);
    m_pBook->Step();  // nothing left to delete twice
}

TEST_F(BookTest, DrawSendsEventZeroOnThePaintDCRunningOrNot) {
    CKTFakeWindow wnd(64, 48);
    m_pBook->SetWindow(&wnd);
    EXPECT_EQ(wnd.m_nGetDC, 1);
    EXPECT_EQ(wnd.m_nReleaseDC, 1);
    CDC* pMemDC = m_pBook->GetCurrentDC();
    ASSERT_NE(pMemDC, nullptr);
    EXPECT_NE(pMemDC, wnd.GetPaintDC());
    CRecorder a(m_log, "A");
    a.RegisterEvent(EV_DRAW, 0);
    CDC* pSeen = nullptr;
    BOOL bDrawing = FALSE;
    a.m_hook = [&](int) {
        pSeen = m_pBook->GetCurrentDC();
        bDrawing = m_pBook->IsDrawing();
    };
    m_pBook->Draw(wnd.GetPaintDC());
    EXPECT_EQ(m_log, (Log{"A:0"}));
    EXPECT_EQ(pSeen, wnd.GetPaintDC());
    EXPECT_TRUE(bDrawing);
    EXPECT_FALSE(m_pBook->IsDrawing());
    EXPECT_EQ(m_pBook->GetCurrentDC(), pMemDC);
    EXPECT_EQ(m_pBook->GetClientRect(), CRect(0, 0, 64, 48));
    m_pBook->SetWindow(nullptr);
    EXPECT_EQ(m_pBook->GetClientRect(), CRect(0, 0, 0, 0));
    EXPECT_EQ(m_pBook->GetCurrentDC(), pMemDC);  // kept for measuring
}

TEST_F(BookTest, DrawWithoutAWindowMakesTheMemoryDC) {
    CKTFakeWindow wnd(8, 8);
    m_pBook->Draw(wnd.GetPaintDC());
    EXPECT_NE(m_pBook->GetCurrentDC(), nullptr);
    EXPECT_NE(m_pBook->GetCurrentDC(), wnd.GetPaintDC());
}

TEST_F(BookTest, MouseStateChangesAlwaysEventsOnlyWhileRunning) {
    CRecorder a(m_log, "A");
    for (int e = EV_MOUSEMOVE; e < EV_COUNT; e++)
        if (e != EV_PRESTEP && e != EV_POSTSTEP) a.RegisterEvent(e, 0);
    m_pBook->OnMouseMove(CPoint(3, 4));
    m_pBook->OnLButtonDown(CPoint(0, 0));
    m_pBook->OnRButtonDown(CPoint(0, 0));
    EXPECT_EQ(m_pBook->GetMousePoint(), CPoint(3, 4));
    EXPECT_TRUE(m_pBook->IsLeftButtonDown());
    EXPECT_TRUE(m_pBook->IsRightButtonDown());
    EXPECT_TRUE(m_log.empty());
    m_pBook->SetRunState(1);
    m_pBook->OnMouseMove(CPoint(5, 6));
    m_pBook->OnLButtonUp(CPoint(0, 0));
    m_pBook->OnRButtonUp(CPoint(0, 0));
    m_pBook->OnLButtonDown(CPoint(0, 0));
    m_pBook->OnRButtonDown(CPoint(0, 0));
    EXPECT_EQ(m_pBook->GetLastMousePoint(), CPoint(3, 4));
    EXPECT_EQ(m_log, (Log{"A:2", "A:6", "A:8", "A:5", "A:7"}));
}

TEST_F(BookTest, BookPropertySlotsAreFixed) {
    auto* p = new CKTBhvrPtrBhvrProp(BOOKPROP_INTEGRATOR);
    m_pBook->SetBookProp(BOOKPROP_INTEGRATOR, p);
    EXPECT_EQ(m_pBook->GetBookProp(BOOKPROP_INTEGRATOR), p);
    CKTBhvrPtrBhvrProp outside(3);
    m_pBook->SetBookProp(3, &outside);  // ignored
    m_pBook->SetBookProp(-1, &outside);
    EXPECT_EQ(m_pBook->GetBookProp(3), nullptr);
    EXPECT_EQ(m_pBook->GetBookProp(-1), nullptr);
}  // the book deletes p

TEST_F(BookTest, BehaviourListedTwiceIsDeletedOnce) {
    auto* pA = new CRecordingBhvr(m_log, "A");
    m_pBook->AddBehavior(pA);
    m_pBook->AddBehavior(pA);
    m_pBook->AddBehavior(new CRecordingBhvr(m_log, "B"));
    EXPECT_EQ(m_pBook->GetBehaviorCount(), 3);
    m_pBook->DeleteAllBehaviors();
    EXPECT_EQ(m_log, (Log{"A:deleted", "B:deleted"}));
    EXPECT_EQ(m_pBook->GetBehaviorCount(), 0);
}

TEST_F(BookTest, DeletingABehaviourLeavesNoDanglingEntryOrBookProperty) {
    auto* pEuler = new CKTEulerBhvr;
    auto* pProp = new CKTBhvrPtrBhvrProp(BOOKPROP_INTEGRATOR);
    pProp->SetValue(pEuler);
    pProp->AddRef();
    m_pBook->SetBookProp(BOOKPROP_INTEGRATOR, pProp);
    m_pBook->AddBehavior(pEuler);
    pEuler->StartListening();
    m_pBook->QueueStop(pEuler);
    delete pEuler;  // as the remove command does, without RemoveBehavior first
    EXPECT_EQ(m_pBook->GetBehaviorCount(), 0);
    EXPECT_EQ(m_pBook->GetListenerCount(EV_PRESTEP), 0);
    EXPECT_TRUE(m_pBook->GetStopQueue().IsEmpty());
    ASSERT_EQ(m_pBook->GetBookProp(BOOKPROP_INTEGRATOR), pProp);  // kept, with its holders' count
    EXPECT_EQ(pProp->GetValue(), nullptr);
    EXPECT_EQ(pProp->GetRefCount(), 1);
    m_pBook->SetRunState(1);
    m_pBook->Step();
}

// A behaviour stays in the book after its elements died; the room its element list had grown to goes
// back at the end of a running step, and only when the list is empty.
TEST_F(BookTest, AStepGivesBackTheElementRoomOfBehavioursLeftWithoutElements) {
    auto* pIdle = new CKTBehavior;
    auto* pBusy = new CKTBehavior;
    m_pBook->AddBehavior(pIdle);
    m_pBook->AddBehavior(pBusy);
    std::vector<std::unique_ptr<CKTGlyph>> glyphs;
    for (int i = 0; i < 300; i++) {
        glyphs.push_back(std::make_unique<CKTGlyph>());
        ASSERT_TRUE(pIdle->AddElement(glyphs.back().get()));
        ASSERT_TRUE(pBusy->AddElement(glyphs.back().get()));
    }
    for (int i = 0; i < 300; i++) EXPECT_TRUE(pIdle->RemoveElement(glyphs[i].get()));
    for (int i = 1; i < 300; i++) EXPECT_TRUE(pBusy->RemoveElement(glyphs[i].get()));
    EXPECT_GE(pIdle->GetElementRoom(), 300);
    m_pBook->Step();  // stopped: nothing changes
    EXPECT_GE(pIdle->GetElementRoom(), 300);
    m_pBook->SetRunState(1);
    m_pBook->Step();
    EXPECT_EQ(pIdle->GetElementRoom(), 0);
    EXPECT_EQ(pIdle->GetElementCount(), 0);
    EXPECT_GE(pBusy->GetElementRoom(), 300);  // one element left: the list is kept as it is
    ASSERT_EQ(pBusy->GetElementCount(), 1);
    // The emptied list takes elements again.
    EXPECT_TRUE(pIdle->AddElement(glyphs[5].get()));
    EXPECT_EQ(pIdle->FindElement(glyphs[5].get()) != nullptr, true);
    EXPECT_EQ(pIdle->GetElementCount(), 1);
    m_pBook->DeleteAllBehaviors();
}

TEST_F(BookTest, RemoveBehaviorGivesItBack) {
    CRecordingBhvr a(m_log, "A");
    EXPECT_FALSE(m_pBook->RemoveBehavior(&a));
    m_pBook->AddBehavior(&a);
    EXPECT_TRUE(m_pBook->RemoveBehavior(&a));
    EXPECT_EQ(m_pBook->GetBehaviorCount(), 0);
    EXPECT_FALSE(m_pBook->AddBehavior(nullptr));
}

TEST_F(BookTest, NotifyElementGoneReachesEveryBehaviour) {
    auto* pA = new CRecordingBhvr(m_log, "A");
    auto* pB = new CRecordingBhvr(m_log, "B");
    m_pBook->AddBehavior(pA);
    m_pBook->AddBehavior(pB);
    CKTGlyph glyph;
    m_pBook->NotifyElementGone(&glyph);
    EXPECT_EQ(pA->m_nGone, 1);
    EXPECT_EQ(pB->m_nGone, 1);
}

// ---- applying a behaviour to a selection ---------------------------------------------------------

namespace {

// A behaviour that logs every element it is offered, by a name given per element.
class COfferLog : public CKTBehavior {
public:
    explicit COfferLog(int nMask) { m_nAppliesTo = nMask; }
    BOOL AddElement(CKTElement* p) override {
        m_offered.push_back(p);
        return CKTBehavior::AddElement(p);
    }
    std::vector<CKTElement*> m_offered;
};

struct SmallTree {
    CKTPassage* pPassage = new CKTPassage;
    CKTWord* pWord1 = new CKTWord;
    CKTWord* pWord2 = new CKTWord;
    CKTGlyph* g[4] = {new CKTGlyph, new CKTGlyph, new CKTGlyph, new CKTGlyph};
    explicit SmallTree(CKTBook& book) {
        book.GetRoot()->AppendChild(pPassage, FALSE);
        pPassage->AppendChild(pWord1, FALSE);
        pPassage->AppendChild(pWord2, FALSE);
        pWord1->AppendChild(g[0], FALSE);
        pWord1->AppendChild(g[1], FALSE);
        pWord2->AppendChild(g[2], FALSE);
        pWord2->AppendChild(g[3], FALSE);
    }
};

}  // namespace

TEST_F(BookTest, ApplyToSelectionOffersEachElementOnceInGlyphWordPassageOrder) {
    SmallTree t(*m_pBook);
    struct Case {
        const char* what;
        int nMask;
        int nLevels;
        std::vector<CKTElement*> selection;
        std::vector<CKTElement*> expected;
        BOOL bResult;
    } cases[] = {
        {"glyph behaviour, all levels", 1, 7, {t.pPassage, t.pWord1}, {t.g[0], t.g[1], t.g[2], t.g[3]}, FALSE},
        {"word and glyph levels", 7, 3, {t.pWord1}, {t.g[0], t.pWord1, t.g[1]}, TRUE},
        {"all levels", 7, 7, {t.g[2], t.g[0]}, {t.g[2], t.pWord2, t.pPassage, t.g[0], t.pWord1}, TRUE},
        {"nothing in common", 4, 1, {t.pWord1}, {}, FALSE},
        {"no levels", 7, 0, {t.pWord1}, {}, TRUE},
        {"root and unknown kinds contribute nothing", 7, 7, {m_pBook->GetRoot()}, {}, TRUE},
    };
    for (const Case& c : cases) {
        COfferLog bhvr(c.nMask);
        CKTElementList selection;
        for (CKTElement* p : c.selection) selection.AddTail(p);
        EXPECT_EQ(m_pBook->ApplyBehaviorToSelection(&bhvr, selection, c.nLevels), c.bResult) << c.what;
        EXPECT_EQ(bhvr.m_offered, c.expected) << c.what;
    }
}
