// The mask and erosion renderers on the shared renderer scene (rendererscene.h): one frame (mouse
// move, tick, paint) with every word drawn in one style, the tick and the paint timed apart; and the
// mask builds, which happen once per change of character, font or size. The default renderer gives
// the baseline. The trail runs with one point (a still mouse) and with ten (a moving one).
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/kterparticle.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "platform/crt/crt.h"
#include "rendererscene.h"

namespace {

typedef std::function<CKTElementRenderer*()> Make;
typedef std::chrono::steady_clock Clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Frames with the mouse moving (bMoving) or resting on the text. The clearing of the paper is not
// timed; the tick (pre-step with the collision sweep, step, post-step) and the book's draw are, and
// are also reported apart.
void RunFrames(benchmark::State& state, const Make& make, bool bMoving,
               const std::function<void(RendererScene&)>& extra = {}) {
    crt::reset_rand();
    RendererScene scene;
    scene.SetOnWords(make);
    if (extra) extra(scene);
    for (int i = 0; i < 12; i++) scene.Frame(bMoving ? i : 0);  // masks built, trails full
    double fTick = 0.0, fDraw = 0.0;
    int i = 12;
    for (auto _ : state) {
        state.PauseTiming();
        scene.ClearPaper();
        state.ResumeTiming();
        const Clock::time_point t0 = Clock::now();
        scene.MoveMouse(bMoving ? i++ : 0);
        scene.Tick();
        const Clock::time_point t1 = Clock::now();
        scene.Book().Draw(scene.PaintDC());
        const Clock::time_point t2 = Clock::now();
        fTick += Ms(t1 - t0);
        fDraw += Ms(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["tick_ms"] = fTick / n;
    state.counters["draw_ms"] = fDraw / n;
    state.counters["visible"] = scene.CountVisible();
}

const struct Style {
    const char* name;
    Make make;
} kStyles[] = {
    {"default", [] { return new CKTERDefault; }},
    {"transparent", [] {
         auto* p = new CKTERTransparent;
         p->SetMouseOverRate(0.1f);
         p->SetMouseOutsideRate(-0.02f);
         return p;
     }},
    {"colorstatic", [] { return new CKTERColorStatic; }},
    {"splatter", [] { return new CKTERSplatter; }},
    {"erosion", [] { return new CKTERErosion; }},
    {"erodeedge", [] { return new CKTERErodeEdge; }},
};

void BM_Frame(benchmark::State& state) {
    const Style& style = kStyles[state.range(0)];
    state.SetLabel(style.name);
    RunFrames(state, style.make, true);
}
BENCHMARK(BM_Frame)->DenseRange(0, sizeof kStyles / sizeof kStyles[0] - 1)->Unit(benchmark::kMillisecond);

void BM_TrailOnePoint(benchmark::State& state) {
    RunFrames(state, [] { return new CKTERTrail; }, false);
}
BENCHMARK(BM_TrailOnePoint)->Unit(benchmark::kMillisecond);

void BM_TrailTenPoints(benchmark::State& state) {
    RunFrames(state, [] { return new CKTERTrail; }, true);
}
BENCHMARK(BM_TrailTenPoints)->Unit(benchmark::kMillisecond);

// A mixed document: the words take, in turn, the trail, colour-static, splatter, erosion and particle
// styles, and every third glyph of every other word is scrambled continuously (a draw and a new
// character every other frame); the mouse moves.
void BM_MixedDocument(benchmark::State& state) {
    int n = 0;
    const Make make = [&n]() -> CKTElementRenderer* {
        switch (n++ % 5) {
        case 0: return new CKTERTrail;
        case 1: return new CKTERColorStatic;
        case 2: return new CKTERSplatter;
        case 3: return new CKTERErosion;
        default: return new CKTERParticle;
        }
    };
    const auto scramble = [](RendererScene& scene) {
        auto* pCrypt = new CKTCryptographicBhvr;
        pCrypt->SetSpeed(0.5);
        pCrypt->SetContinuous(TRUE);
        scene.Book().AddBehavior(pCrypt);
        for (size_t w = 0; w < scene.Words().size(); w += 2)
            for (int g = 0; g < scene.Words()[w]->GetChildCount(); g += 3)
                pCrypt->AddElement(scene.Words()[w]->GetChildAt(g));
        pCrypt->StartListening();
    };
    RunFrames(state, make, true, scramble);
}
BENCHMARK(BM_MixedDocument)->Unit(benchmark::kMillisecond);

// Rebuilding every glyph's outline and mask (a font change): the renderers' own cache builds, on the
// book's measuring DC.
void BM_BuildMasks(benchmark::State& state) {
    const Style& style = kStyles[state.range(0)];
    state.SetLabel(style.name);
    RendererScene scene;
    scene.SetOnWords(style.make);
    const LOGFONT lf = RendererScene::Font();
    CDC* pDC = scene.Book().GetCurrentDC();
    long long nPixels = 0, nInside = 0;
    for (auto _ : state) {
        nPixels = nInside = 0;
        for (CKTGlyph* pGlyph : scene.Glyphs()) {
            auto* p = static_cast<CKTMaskRenderer*>(pGlyph->GetRenderer());
            p->SetFont(lf);
            p->BuildCache(pDC);
            const CRect rc = p->GetMaskRect();
            nPixels += rc.Width() * rc.Height();
            if (auto* pEroding = dynamic_cast<CKTErodingRenderer*>(p)) {
                nInside += pEroding->GetTotalCount();
                continue;
            }
            const int* pMask = p->GetMask();
            for (int i = 0; pMask && i < rc.Width() * rc.Height(); i++) nInside += pMask[i * p->IntsPerPixel()];
        }
    }
    state.counters["mask_pixels"] = static_cast<double>(nPixels);
    state.counters["inside_pixels"] = static_cast<double>(nInside);
}
BENCHMARK(BM_BuildMasks)->DenseRange(1, sizeof kStyles / sizeof kStyles[0] - 1)->Unit(benchmark::kMillisecond);

}  // namespace
