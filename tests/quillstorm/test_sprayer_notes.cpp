// The sprayer's note-on table: renderer notes (the prototype's class and parameters, a clone on the
// piece), behaviour notes (templates, attaching, the book's order and started state, the stored
// message), where templates go, the explosion and its restart ramp, the timed save.
#include <dirent.h>

#include <cstring>
#include <functional>
#include <regex>

#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/kterdrift.h"
#include "kinetype/ktererosion.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktexplodebhvr.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/kttimetrigger.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/ktviscousdragbhvr.h"
#include "kinetype/ktwavebhvr.h"
#include "sprayfixture.h"

namespace {

using SprayNotes = SprayFixture;

// ---- renderer notes -----------------------------------------------------------------------------

struct RendererCase {
    int nNote;
    int nType;
    std::function<void(CKTElementRenderer*)> check;  // the prototype's parameters
};

TEST_F(SprayNotes, RendererNotesMakeThePrototypeAndCloneIt) {
    // Parameter defaults unlike the constructors' values, so that each shows where it came from.
    CQuillView* w = v();
    w->m_fPulsePeriod = 31.0f;
    w->m_fPulseScale = 6.0f;
    w->m_fPulseDistortion = 0.3f;
    w->m_fPullMouseStrength = 401.0f;
    w->m_fPullMouseFalloff = 26.0f;
    w->m_fPullOriginStrength = 3.0f;
    w->m_fLensMagnification = 1.5f;
    w->m_fLensFalloff = 21.0f;
    w->m_fColorStaticRadius = 51.0f;
    w->m_fColorStaticSpeed = 2.5f;
    w->m_fColorStaticSpacing = 0.25f;
    w->m_fDisintegrateMouseOver = 0.3f;
    w->m_fDisintegrateMouseOutside = -0.03f;
    w->m_fErosionMouseOver = 0.7f;
    w->m_fErosionMouseOutside = 0.8f;
    w->m_fDriftMouseStrength = 1.5f;
    w->m_fDriftMouseFalloff = 11.0f;
    w->m_fDriftOriginStrength = 0.16f;
    w->m_fDriftFriction = 0.03f;
    auto rates = [](float fOver, float fOutside) {
        return [=](CKTElementRenderer* p) {
            auto* r = static_cast<CKTTrackingMaskRenderer*>(p);
            EXPECT_EQ(r->GetMouseOverRate(), fOver);
            EXPECT_EQ(r->GetMouseOutsideRate(), fOutside);
        };
    };
    auto pull = [](float a, float b, float r) {
        return [=](CKTElementRenderer* p) {
            auto* q = static_cast<CKTERPull*>(p);
            EXPECT_EQ(q->m_fMouseStrength, a);
            EXPECT_EQ(q->m_fMouseFalloff, b);
            EXPECT_EQ(q->m_fOriginStrength, r);
        };
    };
    auto pulse = [](float period, float scale, float distortion) {
        return [=](CKTElementRenderer* p) {
            auto* q = static_cast<CKTERPulse*>(p);
            EXPECT_EQ(q->m_fPeriod, period);
            EXPECT_EQ(q->m_fScale, scale);
            EXPECT_EQ(q->m_fDistortion, distortion);
        };
    };
    const RendererCase cases[] = {
        {52, RENDERER_DEFAULT, [](CKTElementRenderer*) {}},
        {54, RENDERER_PULL, pull(0.0f, 0.0f, 0.0f)},
        {55, RENDERER_PULSE, pulse(31.0f, 0.0f, 0.0f)},
        {56, RENDERER_COLORSTATIC,
         [](CKTElementRenderer* p) {
             auto* q = static_cast<CKTERColorStatic*>(p);
             EXPECT_EQ(q->m_fRadius, 51.0f);
             EXPECT_EQ(q->m_fSpeed, 2.5f);
             EXPECT_EQ(q->m_fSpacing, 0.25f);
         }},
        {57, RENDERER_SPLATTER, rates(0.3f, -0.03f)},
        {58, RENDERER_DRIFT,
         [](CKTElementRenderer* p) {
             auto* q = static_cast<CKTERDrift*>(p);
             EXPECT_EQ(q->m_fMouseStrength, 1.5f);
             EXPECT_EQ(q->m_fMouseFalloff, 11.0f);
             EXPECT_EQ(q->m_fOriginStrength, 0.16f);
             EXPECT_EQ(q->m_fFriction, 0.03f);
         }},
        {59, RENDERER_EROSION, rates(0.3f, -0.03f)},  // the disintegrate values, not the erosion ones
        {60, RENDERER_LENS,
         [](CKTElementRenderer* p) {
             auto* q = static_cast<CKTERLens*>(p);
             EXPECT_EQ(q->m_fMagnification, 1.5f);
             EXPECT_EQ(q->m_fFalloff, 21.0f);
         }},
        {61, RENDERER_PULL, pull(401.0f, 26.0f, 3.0f)},
        {62, RENDERER_PULSE, pulse(31.0f, 6.0f, 0.3f)},
    };
    Spray("ab cd\n");
    for (const RendererCase& c : cases) {
        SCOPED_TRACE(c.nNote);
        CKTElementRenderer* pOld = v()->m_pSprayRenderer;
        NoteOn(c.nNote);
        CKTElementRenderer* p = v()->m_pSprayRenderer;
        ASSERT_NE(p, nullptr);
        EXPECT_NE(p, pOld);
        EXPECT_EQ(p->GetType(), c.nType);
        c.check(p);
        EXPECT_EQ(v()->m_pSprayed->GetRendererType(), c.nType);
        EXPECT_NE(v()->m_pSprayed->GetRenderer(), p);
        for (CKTElement* g : Children(v()->m_pSprayed)) EXPECT_EQ(g->GetRendererType(), c.nType);
        // The next piece gets a clone too.
        v()->SprayText();
        EXPECT_EQ(v()->m_pSprayed->GetRendererType(), c.nType);
    }
    EXPECT_TRUE(TemplateTypes().empty());
    EXPECT_EQ(v()->m_dwLastMidiMsg, 0u);
}

// ---- behaviour notes ----------------------------------------------------------------------------

struct BehaviorCase {
    int nNote;
    std::vector<int> templates;  // types, in template order
    bool bAttachNow;             // the current piece (or its children) joins them at once
    bool bChildren;              // the targets of a word piece are its glyphs
    std::vector<int> book;       // types of the new behaviours, in book order
    std::vector<bool> started;   // their started state, in book order
    std::function<void(const std::vector<CKTBehavior*>&, double)> check;  // templates, book clock
};

template <class T>
T* As(CKTBehavior* p) {
    return static_cast<T*>(p);
}

TEST_F(SprayNotes, BehaviorNotesMakeTemplates) {
    const BehaviorCase cases[] = {
        {64, {BHVR_CRUISE, BHVR_STAYINWINDOW, BHVR_ACCELERATEONCOLLISION, BHVR_VISCOUSDRAG}, false, false,
         {BHVR_CRUISE, BHVR_VISCOUSDRAG, BHVR_STAYINWINDOW, BHVR_ACCELERATEONCOLLISION}, {true, true, true, true},
         [](const std::vector<CKTBehavior*>& t, double) {
             EXPECT_EQ(As<CKTCruiseBhvr>(t[0])->GetMaxAcceleration(), 25.0);
             EXPECT_EQ(As<CKTStayInWindowBhvr>(t[1])->GetMargins(), CRect(0, 0, 0, 0));
             EXPECT_EQ(As<CKTStayInWindowBhvr>(t[1])->GetResponse(), 2);
             EXPECT_EQ(As<CKTStayInWindowBhvr>(t[1])->GetResponseFactor(), 50.0);
             EXPECT_EQ(As<CKTAccelerateOnCollision>(t[2])->GetMagnitude(), CKTAccelerateOnCollision().GetMagnitude());
             EXPECT_EQ(As<CKTViscousDragBhvr>(t[3])->GetDrag(), 0.01);
         }},
        {65, {BHVR_CRYPTOGRAPHIC}, true, true, {BHVR_CRYPTOGRAPHIC}, {true},
         [](const std::vector<CKTBehavior*>& t, double) {
             auto* p = As<CKTCryptographicBhvr>(t[0]);
             EXPECT_EQ(p->GetMinShifts(), 12);
             EXPECT_EQ(p->GetMaxShifts(), 36);
             EXPECT_EQ(p->GetSpeed(), 0.5);
         }},
        {66, {BHVR_EXPLODE, BHVR_ACCELERATEONCOLLISION, TRIGGER_TIME}, true, true,
         {BHVR_EXPLODE, BHVR_ACCELERATEONCOLLISION, TRIGGER_TIME}, {false, false, true},
         [](const std::vector<CKTBehavior*>& t, double dClock) {
             EXPECT_EQ(As<CKTExplodeBhvr>(t[0])->GetMinForce(), 500.0);
             EXPECT_EQ(As<CKTExplodeBhvr>(t[0])->GetMaxForce(), 2000.0);
             EXPECT_EQ(As<CKTAccelerateOnCollision>(t[1])->GetMagnitude(), 50.0);
             auto* pTrigger = As<CKTTimeTrigger>(t[2]);
             EXPECT_EQ(pTrigger->GetFireTime(), dClock + 1.0);
             POSITION pos = pTrigger->GetFirstStartPosition();
             ASSERT_EQ(pTrigger->GetStartCount(), 2);
             EXPECT_EQ(pTrigger->GetNextStart(pos), t[0]);
             EXPECT_EQ(pTrigger->GetNextStart(pos), t[1]);
         }},
        {67, {BHVR_GRAVITY, BHVR_VISCOUSDRAG}, false, true, {BHVR_GRAVITY, BHVR_VISCOUSDRAG}, {true, true},
         [](const std::vector<CKTBehavior*>& t, double) {
             auto* g = As<CKTGravityBhvr>(t[0]);
             EXPECT_EQ(g->GetGroundType(), 2);
             EXPECT_EQ(g->GetFeedback(), 0.2);
             EXPECT_EQ(g->GetElasticity(), 0.5);
             EXPECT_EQ(g->GetMagnitude(), 30.0);
             EXPECT_EQ(As<CKTViscousDragBhvr>(t[1])->GetDrag(), 0.5);
         }},
        {68, {BHVR_MOVETOMOUSE}, true, false, {BHVR_MOVETOMOUSE}, {true}, nullptr},
        {69, {BHVR_MOVEAWAYFROMMOUSE}, false, false, {BHVR_MOVEAWAYFROMMOUSE}, {true}, nullptr},
        {70, {BHVR_GRAVITY, BHVR_VISCOUSDRAG}, false, true, {BHVR_GRAVITY, BHVR_VISCOUSDRAG}, {true, true},
         [](const std::vector<CKTBehavior*>& t, double) {
             auto* g = As<CKTGravityBhvr>(t[0]);
             EXPECT_EQ(g->GetGroundType(), 3);
             EXPECT_EQ(g->GetFeedback(), 0.0);
             EXPECT_EQ(g->GetElasticity(), 0.2);
             EXPECT_EQ(g->GetMagnitude(), 30.0);
         }},
        {72, {BHVR_THROB}, true, false, {BHVR_THROB}, {true},
         [](const std::vector<CKTBehavior*>& t, double) {
             auto* p = As<CKTThrobBhvr>(t[0]);
             EXPECT_EQ(p->GetMaxSize(), 2.0);
             EXPECT_EQ(p->GetMinSize(), 0.5);
             EXPECT_EQ(p->GetStep(), 0.2);
         }},
        {73, {BHVR_VIRAL}, true, false, {BHVR_VIRAL}, {true},
         [](const std::vector<CKTBehavior*>& t, double) {
             EXPECT_EQ(As<CKTViralBhvr>(t[0])->GetDormancyPeriod(), 1.0);
         }},
        {74, {BHVR_WAVE}, true, true, {BHVR_WAVE}, {true},
         [](const std::vector<CKTBehavior*>& t, double) {
             EXPECT_EQ(As<CKTWaveBhvr>(t[0])->GetMaxCrest(), 20.0);
             EXPECT_EQ(As<CKTWaveBhvr>(t[0])->GetPhaseIncrement(), 0.1);
         }},
    };
    Spray("ab cd ef gh ij kl mn op qr st uv\n");
    for (const BehaviorCase& c : cases) {
        SCOPED_TRACE(c.nNote);
        v()->SprayText();  // a fresh piece
        CKTElement* pPiece = v()->m_pSprayed;
        const size_t nBefore = MadeBehaviors().size();
        std::vector<CKTBehavior*> previous;
        for (INT_PTR i = 0; i < v()->m_templates.GetSize(); ++i) previous.push_back(v()->m_templates.GetAt(i));
        const DWORD dwMsg = 0x00700095u | static_cast<DWORD>(c.nNote) << 8;  // channel 5, velocity 112
        Midi(dwMsg);

        EXPECT_EQ(TemplateTypes(), c.templates);
        EXPECT_EQ(v()->m_dwLastMidiMsg, dwMsg);
        std::vector<CKTBehavior*> templates;
        for (INT_PTR i = 0; i < v()->m_templates.GetSize(); ++i) templates.push_back(v()->m_templates.GetAt(i));
        // The previous templates let go of the piece.
        for (CKTBehavior* p : previous) {
            for (CKTElement* e : ElementsOf(p)) {
                EXPECT_NE(e, pPiece);
                EXPECT_NE(e->GetParent(), pPiece);
            }
        }
        // Attached at once to the piece or its children, or not at all.
        const std::vector<CKTElement*> targets =
            c.bAttachNow ? (c.bChildren ? Children(pPiece) : std::vector<CKTElement*>{pPiece}) : std::vector<CKTElement*>{};
        EXPECT_EQ(ElementsOf(templates[0]), targets);
        EXPECT_EQ(Spraying(pPiece), c.bAttachNow ? 1 : 0);
        // In the book after what was there, in their order, started or not.
        const std::vector<CKTBehavior*> made = MadeBehaviors();
        ASSERT_EQ(made.size(), nBefore + c.book.size());
        for (size_t i = 0; i < c.book.size(); ++i) {
            EXPECT_EQ(made[nBefore + i]->GetType(), c.book[i]) << i;
            EXPECT_EQ(made[nBefore + i]->IsRunning() == TRUE, c.started[i]) << i;
        }
        if (c.check) c.check(templates, Book()->GetClock());
        // Released, the piece joins them all (a word with a gravity first: its glyphs), and so does
        // the next piece.
        v()->SprayText();
        std::vector<CKTElement*> joined = c.bChildren ? Children(pPiece) : std::vector<CKTElement*>{pPiece};
        for (CKTElement* p : c.bChildren ? Children(v()->m_pSprayed) : std::vector<CKTElement*>{v()->m_pSprayed})
            joined.push_back(p);
        for (CKTBehavior* p : templates) {
            if (p->GetType() != TRIGGER_TIME) {
                EXPECT_EQ(ElementsOf(p), joined) << p->GetType();
            }
        }
    }
}

// Where templates go: a glyph itself; a word's glyphs when a wave comes first; the word itself when
// a cruise comes first. Without templates the piece is still marked as being sprayed.
TEST_F(SprayNotes, TheAttachTargetRule) {
    Spray("xy\n", kGlyphChunk);
    v()->AttachSprayBehaviors();
    EXPECT_EQ(Spraying(v()->m_pSprayed), 1);
    NoteOn(74);
    EXPECT_EQ(ElementsOf(v()->m_templates.GetAt(0)), std::vector<CKTElement*>{v()->m_pSprayed});

    Spray("xy\n", kWordChunk);
    NoteOn(74);
    EXPECT_EQ(ElementsOf(v()->m_templates.GetAt(0)), Children(v()->m_pSprayed));

    NoteOn(64);
    for (INT_PTR i = 0; i < v()->m_templates.GetSize(); ++i) EXPECT_TRUE(ElementsOf(v()->m_templates.GetAt(i)).empty());
    v()->AttachSprayBehaviors();
    for (INT_PTR i = 0; i < v()->m_templates.GetSize(); ++i)
        EXPECT_EQ(ElementsOf(v()->m_templates.GetAt(i)), std::vector<CKTElement*>{v()->m_pSprayed});

    // Note 63 lets go of them: the piece leaves, PROP_SPRAYING turns FALSE, nothing is replayed.
    CKTElement* pPiece = v()->m_pSprayed;
    std::vector<CKTBehavior*> templates;
    for (INT_PTR i = 0; i < v()->m_templates.GetSize(); ++i) templates.push_back(v()->m_templates.GetAt(i));
    NoteOn(63);
    EXPECT_TRUE(TemplateTypes().empty());
    EXPECT_EQ(v()->m_dwLastMidiMsg, 0u);
    EXPECT_EQ(Spraying(pPiece), 0);
    for (CKTBehavior* p : templates) EXPECT_TRUE(ElementsOf(p).empty());
}

// Note 115: every glyph outside the piece explodes; the 100th tick after resets the scene and
// replays the last behaviour note.
TEST_F(SprayNotes, ExplosionThenRestartOnTheHundredthTick) {
    Book()->SetRunState(1);
    Spray("one two three\n");
    v()->SprayText();
    v()->SprayText();  // "three" is the piece; "one" and "two" are released
    NoteOn(74);
    CKTElement* pPiece = v()->m_pSprayed;
    const DWORD dwLast = v()->m_dwLastMidiMsg;
    const size_t nBefore = MadeBehaviors().size();
    NoteOn(115);
    const std::vector<CKTBehavior*> made = MadeBehaviors();
    ASSERT_EQ(made.size(), nBefore + 2);
    EXPECT_EQ(made[nBefore]->GetType(), BHVR_EXPLODE);
    EXPECT_EQ(made[nBefore + 1]->GetType(), BHVR_ACCELERATEONCOLLISION);
    EXPECT_EQ(As<CKTExplodeBhvr>(made[nBefore])->GetMinForce(), 500.0);
    EXPECT_EQ(As<CKTAccelerateOnCollision>(made[nBefore + 1])->GetMagnitude(), 50.0);
    for (CKTBehavior* p : {made[nBefore], made[nBefore + 1]}) {
        EXPECT_TRUE(p->IsRunning());
        EXPECT_EQ(p->GetElementCount(), 6);  // o, n, e, t, w, o
        for (CKTElement* e : ElementsOf(p)) {
            EXPECT_EQ(e->GetKind(), KIND_GLYPH);
            EXPECT_NE(e->GetParent(), pPiece);
        }
    }
    EXPECT_EQ(TemplateTypes(), std::vector<int>{BHVR_WAVE});  // not a template
    EXPECT_EQ(v()->m_dwLastMidiMsg, dwLast);
    EXPECT_EQ(v()->m_dRestartRamp, 0.0);

    Tick(99);
    EXPECT_EQ(MadeBehaviors().size(), nBefore + 2);
    EXPECT_GT(v()->m_dRestartRamp, 0.98);
    Tick();
    EXPECT_EQ(v()->m_dRestartRamp, -1.0);
    EXPECT_EQ(Scene(), "[one]");  // the next chunk in a new scene
    EXPECT_EQ(TemplateTypes(), std::vector<int>{BHVR_WAVE});
    EXPECT_EQ(MadeBehaviors().size(), 1u);  // the replayed wave
    EXPECT_EQ(ElementsOf(v()->m_templates.GetAt(0)), Children(v()->m_pSprayed));
}

TEST_F(SprayNotes, AResetAfterNote63ReplaysNothing) {
    Spray("one two\n");
    NoteOn(74);
    NoteOn(63);
    NoteOn(28);
    EXPECT_EQ(Scene(), "[two]");
    EXPECT_TRUE(MadeBehaviors().empty());
    EXPECT_TRUE(TemplateTypes().empty());
}

// Note 29 saves the scene as "TO" + day of the year, hour, minute, second + ".qsd" in the current
// directory, without a dialog although the scene was never named (the program names this file); the
// file loads back.
TEST_F(SprayNotes, TimedSaveWritesADocumentThatLoadsBack) {
    Spray("saved words\n");
    v()->SprayText();
    ASSERT_EQ(v()->m_bUntitled, 1);
    const size_t nAsked = m_ui.Calls().size();
    NoteOn(29);
    EXPECT_EQ(m_ui.Calls().size(), nAsked) << "no dialog";
    const std::string name = v()->m_strPath.str();
    EXPECT_TRUE(std::regex_match(name, std::regex("TO[0-9]{9}\\.qsd"))) << name;
    EXPECT_EQ(v()->m_bModified, 0);
    std::vector<std::string> files;
    if (DIR* d = opendir(".")) {
        while (dirent* e = readdir(d))
            if (std::strncmp(e->d_name, "TO", 2) == 0) files.push_back(e->d_name);
        closedir(d);
    }
    EXPECT_EQ(files, std::vector<std::string>{name});
    const std::string scene = Scene();
    EXPECT_EQ(scene, "[saved][words]");
    v()->ExecuteCommand(kWordnozzle, TRUE);
    ASSERT_TRUE(v()->LoadDocument(name.c_str()));
    EXPECT_EQ(Scene(), scene);
}

}  // namespace
