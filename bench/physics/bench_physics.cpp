// One tick of a scene of glyphs under gravity (window-bottom ground), viscous drag, stay in window
// (accelerate back) and bounce on collision, with the collision detector on every glyph, scattered
// over a window. Glyphs are 10 x 16 boxes in words of 5 and passages of 10 words, so the sweep also
// fills word and passage lists.
//
// BM_Tick/N: N glyphs over 1280 x 720 (density grows with N). Every kRescatter ticks the glyphs go
// back to where they were scattered, at rest (outside the timing), so the figures are those of a
// spread-out scene, not of the pile that gravity makes after a few seconds.
// BM_TickSameDensity/N: the window grows with N so that the density of 5,000 over 1280 x 720 stays:
// the cost per glyph must stay flat (the sweep is not quadratic).
// BM_TickSettled/N: the same scene left to fall for 600 ticks first (a dense heap at the bottom).
// BM_DetectorSweep/N: the detector's pre-step alone (sort and sweep) on the scattered scene at rest.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "ktfakewindow.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kinetype/ktviscousdragbhvr.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"

namespace {

constexpr int kGlyphW = 10;
constexpr int kGlyphH = 16;
constexpr int kRescatter = 16;

class CBoxRenderer : public CKTElementRenderer {
public:
    CBoxRenderer() : CKTElementRenderer(RENDERER_TEST) {}
    CKTElementRenderer* Clone() override { return new CBoxRenderer; }
    BOOL AllowsChildRenderers() override { return TRUE; }
    CRect GetExtent(CDC*) override { return CRect(0, -kGlyphH, kGlyphW, 0); }
};

class Scene {
public:
    Scene(int nGlyphs, int nWidth, int nHeight) : m_wnd(nWidth, nHeight), m_nWidth(nWidth), m_nHeight(nHeight) {
        crt::reset_rand();
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
        CKTPassage* pPassage = nullptr;
        CKTWord* pWord = nullptr;
        for (int i = 0; i < nGlyphs; i++) {
            if (i % 50 == 0) {
                pPassage = new CKTPassage;
                m_pBook->GetRoot()->AppendChild(pPassage, FALSE);
            }
            if (i % 5 == 0) {
                pWord = new CKTWord;
                pPassage->AppendChild(pWord, FALSE);
            }
            CKTGlyph* pGlyph = new CKTGlyph;
            pWord->AppendChild(pGlyph, FALSE);
            CBoxRenderer* pRenderer = new CBoxRenderer;
            if (!pGlyph->SetRenderer(pRenderer, TRUE)) delete pRenderer;
            m_glyphs.push_back(pGlyph);
        }
        Scatter();
        for (CKTGlyph* g : m_glyphs) m_start.push_back(g->GetAbsolutePosition());

        CKTGravityBhvr* pGravity = new CKTGravityBhvr;
        pGravity->SetGroundType(2);
        CKTViscousDragBhvr* pDrag = new CKTViscousDragBhvr;
        CKTStayInWindowBhvr* pStay = new CKTStayInWindowBhvr;
        CKTBounceOnCollision* pBounce = new CKTBounceOnCollision;
        CKT1DCollisionDetBhvr* pDetector = new CKT1DCollisionDetBhvr;
        m_pDetector = pDetector;
        for (CKTBehavior* p : {static_cast<CKTBehavior*>(pDetector), static_cast<CKTBehavior*>(pGravity),
                               static_cast<CKTBehavior*>(pDrag), static_cast<CKTBehavior*>(pStay),
                               static_cast<CKTBehavior*>(pBounce)}) {
            m_pBook->AddBehavior(p);
            p->StartListening();
        }
        // Right to left, so that each new edge pair goes in near the front of the detector's array.
        std::vector<CKTGlyph*> byX = m_glyphs;
        std::sort(byX.begin(), byX.end(), [](CKTGlyph* a, CKTGlyph* b) {
            return a->GetAbsolutePosition().x > b->GetAbsolutePosition().x;
        });
        for (CKTGlyph* g : byX) pDetector->AddElement(g);
        for (CKTGlyph* g : m_glyphs) {
            pGravity->AddElement(g);
            pDrag->AddElement(g);
            pStay->AddElement(g);
            pBounce->AddElement(g);
        }
        m_pBook->SetRunState(1);
    }
    ~Scene() { m_pBook.reset(); }

    // Every glyph to a random point of the window.
    void Scatter() {
        for (CKTGlyph* g : m_glyphs) {
            int x = crt::rand() % (m_nWidth - kGlyphW);
            int y = crt::rand() % (m_nHeight - kGlyphH);
            MoveTo(g, CKTVector(x, y + kGlyphH, 0.0));
        }
    }
    // Every glyph back to where Scatter put it, at rest, and the detector's edges sorted for it (a
    // jump of every glyph at once costs the insertion sort a re-ordering no real tick needs).
    void Restart() {
        for (size_t i = 0; i < m_glyphs.size(); i++) {
            MoveTo(m_glyphs[i], m_start[i]);
            if (CKTVectorBhvrProp* pVel = CKTVectorBhvrProp::Cast(m_glyphs[i]->GetProp(PROP_VELOCITY)))
                pVel->SetValue(CKTVector());
        }
        m_pDetector->SortEdges();
    }
    void Step() { m_pBook->Step(); }
    void Detect() { m_pDetector->OnEvent(EV_PRESTEP); }
    size_t CollisionEntries() const {
        size_t n = 0;
        for (CKTGlyph* g : m_glyphs)
            for (POSITION pos = g->GetFirstCollisionPosition(); pos; g->GetNextCollision(pos)) n++;
        return n;
    }

private:
    static void MoveTo(CKTGlyph* g, CKTVector to) {
        CKTVector at = g->GetAbsolutePosition();
        g->MoveBy(CKTVector(to.x - at.x, to.y - at.y, 0.0));
    }

    CKTFakeWindow m_wnd;
    int m_nWidth;
    int m_nHeight;
    std::unique_ptr<CKTBook> m_pBook;
    std::vector<CKTGlyph*> m_glyphs;
    std::vector<CKTVector> m_start;
    CKT1DCollisionDetBhvr* m_pDetector = nullptr;  // the book's
};

void RunTicks(benchmark::State& state, Scene& scene, bool bRescatter) {
    int nTick = 0;
    for (auto _ : state) {
        if (bRescatter && ++nTick % kRescatter == 0) {
            state.PauseTiming();
            scene.Restart();
            state.ResumeTiming();
        }
        scene.Step();
    }
    state.counters["glyphs"] = static_cast<double>(state.range(0));
    state.counters["ns/glyph"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
    state.counters["glyph collisions"] = static_cast<double>(scene.CollisionEntries());
}

void BM_Tick(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), 1280, 720);
    RunTicks(state, scene, true);
}

void BM_TickSameDensity(benchmark::State& state) {
    double scale = std::sqrt(static_cast<double>(state.range(0)) / 5000.0);
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(1280 * scale), static_cast<int>(720 * scale));
    RunTicks(state, scene, true);
}

void BM_TickSettled(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), 1280, 720);
    for (int i = 0; i < 600; i++) scene.Step();
    RunTicks(state, scene, false);
}

void BM_DetectorSweep(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), 1280, 720);
    for (auto _ : state) scene.Detect();
    state.counters["glyph collisions"] = static_cast<double>(scene.CollisionEntries());
}

}  // namespace

BENCHMARK(BM_Tick)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickSameDensity)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickSettled)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DetectorSweep)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond);
