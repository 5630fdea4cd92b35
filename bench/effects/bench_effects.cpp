// The triggers' and effect behaviours' cost on the scene core's book: 10,000 glyphs in 100 passages
// (20 words of 5 glyphs, 9-point DejaVu Sans, lines 7 pixels apart so that they overlap) with default
// renderers, on a 1280 x 720 window.
//
// BM_BareTick is the scene core's tick with no behaviour; every BM_Tick* runs one behaviour (or
// trigger) alone on every glyph, so its figure minus the bare tick is what that behaviour adds. The
// viral behaviour runs with the collision detector, so BM_TickDetector is its baseline, and move to
// mouse with the integrator it brings, BM_TickIntegrator. BM_BareDraw and BM_DrawLines compare a
// paint without and with connect-by-lines over all the glyphs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktconnbylines.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktfadebhvr.h"
#include "kinetype/ktfocalfade.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktiscolortrigger.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktmoveawayfrommousebhvr.h"
#include "kinetype/ktmovetomousebhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktpulledtrigger.h"
#include "kinetype/ktregister.h"
#include "kinetype/kttext.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/ktwavebhvr.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"
#include "platform/crt/crt.h"

namespace {

LOGFONT Font9() {
    LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = 90;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

class Scene {
public:
    Scene() {
        KTRegisterClasses();
        g_bLoading = 0;
        crt::reset_rand();
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
        m_pBook->SetRunState(1);
        const LOGFONT lf = Font9();
        for (int p = 0; p < 100; p++) {
            auto* pPassage = new CKTPassage;
            m_pBook->GetRoot()->AppendChild(pPassage, FALSE);
            pPassage->MoveBy(CKTVector(10, 12 + p * 7, 0));
            pPassage->SetFont(lf);
            for (int w = 0; w < 20; w++) {
                auto* pWord = new CKTWord;
                pWord->SetFont(lf);
                for (int g = 0; g < 5; g++) {
                    auto* pGlyph = new CKTGlyph;
                    pGlyph->SetFont(lf);
                    pGlyph->SetChar(g == 0 && w > 0 ? ' ' : static_cast<char>('a' + (w + g) % 26));
                    pWord->AppendChild(pGlyph, TRUE);
                    m_glyphs.push_back(pGlyph);
                }
                pPassage->AppendChild(pWord, TRUE);
            }
        }
        m_pBook->OnMouseMove(CPoint(640, 360));
        Draw();  // bounds measured once
    }

    // Adds, starts and attaches to every glyph.
    template <class T>
    T* Attach(T* p) {
        m_pBook->AddBehavior(p);
        p->StartListening();
        for (CKTGlyph* g : m_glyphs) p->AddElement(g);
        return p;
    }
    // The collision detector on every glyph, attached right to left so that each new pair of edges
    // goes in near the front of its array (only the setup is faster so).
    void AttachDetector() {
        auto* p = new CKT1DCollisionDetBhvr;
        m_pBook->AddBehavior(p);
        p->StartListening();
        std::vector<CKTGlyph*> byX = m_glyphs;
        std::stable_sort(byX.begin(), byX.end(), [](CKTGlyph* a, CKTGlyph* b) {
            return a->GetAbsoluteBounds().left > b->GetAbsoluteBounds().left;
        });
        for (CKTGlyph* g : byX) p->AddElement(g);
    }
    void Draw() { m_pBook->Draw(m_wnd.GetPaintDC()); }
    CKTBook& Book() { return *m_pBook; }
    const std::vector<CKTGlyph*>& Glyphs() const { return m_glyphs; }

private:
    CKTFakeWindow m_wnd{1280, 720};
    std::unique_ptr<CKTBook> m_pBook;
    std::vector<CKTGlyph*> m_glyphs;
};

// One tick of the scene after setup(scene); every nReset ticks (0: never) reset(scene) runs outside
// the timing.
void RunTicks(benchmark::State& state, const std::function<void(Scene&)>& setup,
              const std::function<void(Scene&)>& reset = nullptr, int nReset = 0) {
    Scene scene;
    if (setup) setup(scene);
    int n = 0;
    for (auto _ : state) {
        if (nReset && ++n % nReset == 0) {
            state.PauseTiming();
            reset(scene);
            state.ResumeTiming();
        }
        scene.Book().Step();
    }
}

void BM_BareTick(benchmark::State& state) { RunTicks(state, nullptr); }
BENCHMARK(BM_BareTick)->Unit(benchmark::kMillisecond);

void BM_TickWave(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.Attach(new CKTWaveBhvr); });
}
BENCHMARK(BM_TickWave)->Unit(benchmark::kMillisecond);

void BM_TickThrob(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.Attach(new CKTThrobBhvr); });
}
BENCHMARK(BM_TickThrob)->Unit(benchmark::kMillisecond);

// Black toward white, the colours reset every 40 ticks so that every tick fades (the fade reaches
// white after 51).
void BM_TickFade(benchmark::State& state) {
    auto black = [](Scene& s) {
        for (CKTGlyph* g : s.Glyphs()) g->SetColor(RGB(0, 0, 0));
    };
    RunTicks(state, [](Scene& s) { s.Attach(new CKTFadeBhvr); }, black, 40);
}
BENCHMARK(BM_TickFade)->Unit(benchmark::kMillisecond);

void BM_TickFocalFade(benchmark::State& state) {
    RunTicks(state, [](Scene& s) {
        CKTFocalFade* p = s.Attach(new CKTFocalFade);
        p->m_dRadius = 400.0;
    });
}
BENCHMARK(BM_TickFocalFade)->Unit(benchmark::kMillisecond);

// Move to mouse moves through the integrator, which its hook-up brings: the integrator alone on every
// glyph is its baseline.
void BM_TickIntegrator(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.Attach(new CKTEulerBhvr); });
}
BENCHMARK(BM_TickIntegrator)->Unit(benchmark::kMillisecond);

void BM_TickMoveToMouse(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.Attach(new CKTMoveToMouseBhvr); });
}
BENCHMARK(BM_TickMoveToMouse)->Unit(benchmark::kMillisecond);

void BM_TickMoveAway(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.Attach(new CKTMoveAwayFromMouseBhvr); });
}
BENCHMARK(BM_TickMoveAway)->Unit(benchmark::kMillisecond);

void BM_TickLifespanNoneDue(benchmark::State& state) {
    RunTicks(state, [](Scene& s) {
        auto* p = new CKTLifespanBhvr;
        p->m_dMinLife = 1.0e9;
        s.Attach(p);
    });
}
BENCHMARK(BM_TickLifespanNoneDue)->Unit(benchmark::kMillisecond);

void BM_TickDetector(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.AttachDetector(); });
}
BENCHMARK(BM_TickDetector)->Unit(benchmark::kMillisecond);

// Past the dormancy every colliding glyph offers each glyph it touches to its behaviours (which
// refuse: every glyph has them all already).
void BM_TickViralWithDetector(benchmark::State& state) {
    RunTicks(state, [](Scene& s) {
        s.AttachDetector();
        CKTViralBhvr* p = s.Attach(new CKTViralBhvr);
        p->SetDormancyPeriod(0.0);
    });
}
BENCHMARK(BM_TickViralWithDetector)->Unit(benchmark::kMillisecond);

void BM_TickIsColorTrigger(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.Attach(new CKTIsColorTrigger); });  // white: no glyph matches
}
BENCHMARK(BM_TickIsColorTrigger)->Unit(benchmark::kMillisecond);

void BM_TickPulledTrigger(benchmark::State& state) {
    RunTicks(state, [](Scene& s) { s.Attach(new CKTPulledTrigger); });  // nothing pulled: a full walk
}
BENCHMARK(BM_TickPulledTrigger)->Unit(benchmark::kMillisecond);

void BM_BareDraw(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) scene.Draw();
}
BENCHMARK(BM_BareDraw)->Unit(benchmark::kMillisecond);

void BM_DrawLines(benchmark::State& state) {
    Scene scene;
    scene.Attach(new CKTConnByLines);
    for (auto _ : state) scene.Draw();
}
BENCHMARK(BM_DrawLines)->Unit(benchmark::kMillisecond);

}  // namespace
