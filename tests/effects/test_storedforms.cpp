// Stored forms: the bytes of every trigger and behaviour class written alone, a load that writes the
// same bytes again, and a scene holding all of them saved and loaded through the book.
#include <functional>
#include <initializer_list>
#include <string>

#include "effects/effectsfixture.h"
#include "kinetype/ktconnbylines.h"
#include "kinetype/ktexplodebhvr.h"
#include "kinetype/ktfadebhvr.h"
#include "kinetype/ktfocalfade.h"
#include "kinetype/ktiscolortrigger.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktmouseeventintrigger.h"
#include "kinetype/ktmousemovetrigger.h"
#include "kinetype/ktmousestilltrigger.h"
#include "kinetype/ktmoveawayfrommousebhvr.h"
#include "kinetype/ktmovetomousebhvr.h"
#include "kinetype/ktpulledtrigger.h"
#include "kinetype/ktsetelementrendererbhvr.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/ktthrowablebhvr.h"
#include "kinetype/kttimetrigger.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/ktwavebhvr.h"

using kttest::ByteWriter;
using kttest::Bytes;

namespace {

struct Pair {
    unsigned a, b;
};

// The class record, then the behaviour part of a behaviour that is stopped and has no elements and no
// referrers: type, mask 7, running 0, the three record arrays, two empty lists.
void Head(ByteWriter& w, const char* pszClass, unsigned nType, std::initializer_list<Pair> events,
          std::initializer_list<Pair> elemProps = {}, std::initializer_list<Pair> bookProps = {}) {
    w.newClass(pszClass);
    w.u32(nType).u32(7).u32(0);
    for (auto table : {events, elemProps, bookProps}) {
        w.u16(static_cast<unsigned>(table.size()));
        for (const Pair& p : table) w.u32(p.a).u32(p.b);
    }
    w.u16(0).u16(0);
}

// The trigger part with empty lists.
void TriggerPart(ByteWriter& w, unsigned bFired) { w.u16(0).u16(0).u32(bFired); }

const std::initializer_list<Pair> kMotion = {{1, 2}, {2, 2}};
const std::initializer_list<Pair> kIntegrator = {{1, 4}};

DWORD Neg(int n) { return static_cast<DWORD>(n); }

}  // namespace

TEST_F(EffectsTest, StoredFormOfEveryClass) {
    struct Row {
        const char* what;
        std::function<CKTBehavior*()> make;
        std::function<void(ByteWriter&)> expect;
    } rows[] = {
        {"trigger base", [] { return new CKTTriggerBhvr; },
         [](ByteWriter& w) {
             Head(w, "CKTTriggerBhvr", 1000, {});
             TriggerPart(w, 0);
         }},
        {"mouse still", [] { return new CKTMouseStillTrigger; },
         [](ByteWriter& w) {
             Head(w, "CKTMouseStillTrigger", 1003, {{1, 0}});
             TriggerPart(w, 0);
             w.u32(Neg(-666)).u32(Neg(-666));
         }},
        {"mouse move", [] { return new CKTMouseMoveTrigger; },
         [](ByteWriter& w) {
             Head(w, "CKTMouseMoveTrigger", 1002, {{2, 0}});
             TriggerPart(w, 0);
         }},
        {"pulled",
         [] {
             auto* p = new CKTPulledTrigger;
             p->SetFireOnRelease();
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTPulledTrigger", 1000, {{1, 0}});
             TriggerPart(w, 0);
             w.u32(0);
         }},
        {"is colour",
         [] {
             auto* p = new CKTIsColorTrigger;
             p->m_crTarget = RGB(1, 2, 3);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTIsColorTrigger", 1000, {{1, 0}});
             TriggerPart(w, 0);
             w.u32(0x030201);
         }},
        {"mouse event in",
         [] {
             auto* p = new CKTMouseEventInTrigger;
             p->SetRightButtonDown(TRUE);
             p->SetMouseMove(TRUE);
             p->SetRegion(CRect(-1, 2, 3, 4));
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTMouseEventInTrigger", 1004, {{7, 0}, {2, 0}});
             TriggerPart(w, 0);
             w.u32(0).u32(0).u32(1).u32(0).u32(1);
             w.u32(Neg(-1)).u32(2).u32(3).u32(4);
         }},
        {"time",
         [] {
             auto* p = new CKTTimeTrigger;
             p->SetFireTime(2.5);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTTimeTrigger", 1001, {{1, 0}});
             TriggerPart(w, 0);
             w.f64(2.5);
         }},
        {"wave",
         [] {
             auto* p = new CKTWaveBhvr;
             p->SetPhaseIncrement(0.25);
             p->SetMaxCrest(7.5);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTWaveBhvr", 9, {{1, 0}});
             w.f64(0.0).f64(0.25).f64(7.5);
         }},
        {"throb",
         [] {
             auto* p = new CKTThrobBhvr;
             p->SetMinSize(0.25);
             p->SetMaxSize(3.0);
             p->SetStep(0.125);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTThrobBhvr", 13, {{1, 0}}, {{7, 6}});
             w.f64(0.25).f64(3.0).f64(0.125).f64(1.0);
         }},
        {"fade",
         [] {
             auto* p = new CKTFadeBhvr;
             p->SetColor(RGB(9, 8, 7));
             p->SetVelocity(2.5);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTFadeBhvr", 17, {{1, 0}});
             w.u32(0x070809).f64(2.5);
         }},
        {"focal fade",
         [] {
             auto* p = new CKTFocalFade;
             p->m_crFocus = RGB(1, 0, 0);
             p->m_dRadius = 33.0;
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTFocalFade", 24, {{1, 0}});
             w.u32(1).u32(0xFFFFFF).f64(33.0);
         }},
        {"move to mouse", [] { return new CKTMoveToMouseBhvr; },
         [](ByteWriter& w) { Head(w, "CKTMoveToMouseBhvr", 2, {{1, 0}}, {{1, 2}}, kIntegrator); }},
        {"move away", [] { return new CKTMoveAwayFromMouseBhvr; },
         [](ByteWriter& w) { Head(w, "CKTMoveAwayFromMouseBhvr", 3, {{1, 0}}); }},
        {"throwable", [] { return new CKTThrowableBhvr; },
         [](ByteWriter& w) { Head(w, "CKTThrowableBhvr", 19, {{1, 0}, {5, 0}, {6, 0}}, kMotion, kIntegrator); }},
        {"explode",
         [] {
             auto* p = new CKTExplodeBhvr;
             p->SetForceRange(10.0, 20.0);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTExplodeBhvr", 12, {{1, 0}}, kMotion, kIntegrator);
             w.f64(20.0).f64(10.0).u32(0);
         }},
        {"lifespan",
         [] {
             auto* p = new CKTLifespanBhvr;
             p->m_dRandomLife = 0.5;
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTLifespanBhvr", 25, {{1, 0}}, {{10, 5}});
             w.f64(1.2).f64(0.5);
         }},
        {"viral",
         [] {
             auto* p = new CKTViralBhvr;
             p->SetDormancyPeriod(0.75);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTViralBhvr", 5, {{1, 0}}, {{4, 5}});
             w.f64(0.75);
         }},
        {"lines", [] { return new CKTConnByLines; }, [](ByteWriter& w) { Head(w, "CKTConnByLines", 18, {{0, 0}}); }},
        {"set renderer",
         [] {
             auto* p = new CKTSetElementRendererBhvr;
             p->SetRendererType(6);
             return p;
         },
         [](ByteWriter& w) {
             Head(w, "CKTSetElementRendererBhvr", 16, {{1, 0}});
             w.u32(6);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        CKTBehavior* p = row.make();
        ByteWriter w;
        row.expect(w);
        Bytes bytes = kttest::StoreObject(p);
        EXPECT_EQ(bytes, w.b);
        CObject* pLoaded = nullptr;
        {
            CKTLoadingScope loading(KT_FILE_VERSION);
            pLoaded = kttest::LoadObject(bytes, p->GetRuntimeClass());
        }
        ASSERT_NE(pLoaded, nullptr);
        EXPECT_EQ(pLoaded->GetRuntimeClass(), p->GetRuntimeClass());
        EXPECT_EQ(kttest::StoreObject(pLoaded), bytes);
        delete pLoaded;
        delete p;
    }
}

TEST_F(EffectsTest, MouseEventInFlagsLoadAsStored) {
    // Any int is kept (the flag counts when it is not 0).
    ByteWriter w;
    Head(w, "CKTMouseEventInTrigger", 1004, {{5, 0}});
    TriggerPart(w, 1);
    w.u32(7).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).u32(100).u32(100);
    CObject* pLoaded = nullptr;
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        pLoaded = kttest::LoadObject(w.b, RUNTIME_CLASS(CKTMouseEventInTrigger));
    }
    auto* p = static_cast<CKTMouseEventInTrigger*>(pLoaded);
    EXPECT_EQ(p->GetRegion(), CRect(0, 0, 100, 100));
    EXPECT_TRUE(p->IsFired());
    EXPECT_EQ(kttest::StoreObject(p), w.b);
    delete p;
}

TEST_F(EffectsTest, SceneWithEveryClassThroughTheBook) {
    CKTWord* pWord = NewWord(NewPassage(10, 20));
    CKTGlyph* g[3];
    for (int i = 0; i < 3; i++) g[i] = NewGlyph(pWord, 20.0 * i, 0);
    auto* pWave = Add(new CKTWaveBhvr);
    auto* pThrob = Add(new CKTThrobBhvr);
    auto* pFade = Add(new CKTFadeBhvr);
    auto* pFocal = Add(new CKTFocalFade);
    auto* pToMouse = Add(new CKTMoveToMouseBhvr);
    auto* pAway = Add(new CKTMoveAwayFromMouseBhvr);
    auto* pThrow = Add(new CKTThrowableBhvr);
    auto* pExplode = Add(new CKTExplodeBhvr);
    auto* pLife = Add(new CKTLifespanBhvr);
    auto* pViral = Add(new CKTViralBhvr);
    auto* pLines = Add(new CKTConnByLines);
    auto* pSet = new CKTSetElementRendererBhvr;  // stopped; a trigger starts it
    Book().AddBehavior(pSet);
    pSet->SetRendererType(7);
    pLife->m_dMinLife = 100.0;
    for (CKTBehavior* p : std::initializer_list<CKTBehavior*>{pWave, pThrob, pFade, pFocal, pToMouse, pAway, pThrow,
                                                              pExplode, pLife, pViral, pLines, pSet})
        for (CKTGlyph* pGlyph : g) p->AddElement(pGlyph);
    auto* pStill = Add(new CKTMouseStillTrigger);
    auto* pMove = Add(new CKTMouseMoveTrigger);
    auto* pPulled = Add(new CKTPulledTrigger);
    auto* pColour = Add(new CKTIsColorTrigger);
    auto* pIn = new CKTMouseEventInTrigger;
    pIn->SetLeftButtonDown(TRUE);
    pIn->SetRegion(CRect(0, 0, 50, 50));
    Add(pIn);
    auto* pTime = Add(new CKTTimeTrigger);
    pTime->SetFireTime(1000.0);
    pStill->AddStartBehavior(pSet);
    pStill->AddStopBehavior(pWave);
    pMove->AddStartBehavior(pWave);
    pMove->AddStartBehavior(pWave);
    pPulled->AddStopBehavior(pStill);  // a trigger in a trigger's list
    pColour->AddStartBehavior(pFade);
    pIn->AddStopBehavior(pFade);
    pTime->AddStartBehavior(pLines);
    pPulled->AddElement(g[0]);
    pColour->AddElement(g[1]);
    Book().SetRunState(1);
    Book().OnMouseMove(CPoint(30, 30));
    Book().Step();
    Book().OnLButtonDown(CPoint(30, 30));
    Bytes saved = kttest::StoreBook(Book());

    Reload();
    EXPECT_EQ(kttest::StoreBook(Book()), saved);
    CKTMouseStillTrigger* pLoadedStill = Find<CKTMouseStillTrigger>();
    CKTMouseMoveTrigger* pLoadedMove = Find<CKTMouseMoveTrigger>();
    CKTWaveBhvr* pLoadedWave = Find<CKTWaveBhvr>();
    ASSERT_TRUE(pLoadedStill && pLoadedMove && pLoadedWave);
    EXPECT_EQ(pLoadedStill->GetLastPoint(), CPoint(30, 30));
    EXPECT_EQ(pLoadedMove->CountReferencesTo(pLoadedWave), 2);
    EXPECT_EQ(pLoadedStill->CountReferencesTo(pLoadedWave), 1);
    EXPECT_EQ(pLoadedStill->CountReferencesTo(Find<CKTSetElementRendererBhvr>()), 1);
    EXPECT_EQ(Find<CKTPulledTrigger>()->CountReferencesTo(pLoadedStill), 1);
    // The loaded scene runs (the mouse point is not stored): the mouse moves to where the still
    // trigger saw it last, which starts the wave; at the step the mouse has not moved, so the
    // set-renderer behaviour starts and the wave stops (stops come after starts); then every glyph
    // has a type-7 renderer.
    Book().OnMouseMove(CPoint(30, 30));
    Book().Step();
    EXPECT_TRUE(Find<CKTSetElementRendererBhvr>()->IsRunning());
    EXPECT_FALSE(pLoadedWave->IsRunning());
    Book().Step();
    for (int i = 0; i < 3; i++) EXPECT_EQ(GlyphAt(i)->GetRendererType(), 7);
    Book().Draw(m_wnd.GetPaintDC());
    // Destroying a listed behaviour of the loaded scene leaves the loaded triggers' lists.
    Book().RemoveBehavior(pLoadedWave);
    delete pLoadedWave;
    EXPECT_EQ(pLoadedMove->GetStartCount(), 0);
    EXPECT_EQ(pLoadedStill->GetStopCount(), 0);
}
