// The everyday scene: pages of typed text (passages of words as typing makes them, DejaVu Sans 12
// points, default renderers) under gravity, drag, stay in window, bounce on collision and the
// collision detector.
//
// Every benchmark builds its scene outside the timing and times a fixed number of frames from the
// same start, so each repetition measures the same work; run with repetitions and read the medians.
//
// BM_PageStep/N:          the book's step, N glyphs in a 1280 x 720 window (the more text, the more
//                         its passages overlap), the first 100 frames (the text falls and piles up).
// BM_TallPageStep/N:      the same in a window as tall as the text needs (passages 100 pixels apart,
//                         the density of text the same for every N).
// BM_PageStepAndDraw/N:   step and a draw of every glyph into the 1280 x 720 window.
// BM_PageDraw/N:          the draw alone, of the page after the first 100 frames (every frame draws
//                         the same page).
// BM_SettledStep/N:       the step once the text has fallen into a heap (600 frames first).
// BM_PageDetect/N:        the detector's pre-step (sort and sweep) alone, on the page at rest.
// BM_LoadedPageStep/N:    the page saved and loaded back as a document first.
// ..._Reference:          the same with the reference detector (every entering element tested
//                         against every element open at its x), side by side.
// BM_MemoryOver20000Steps: resident memory after 1,000 frames of 2,000 glyphs with deaths, and every
//                         5,000 frames after (counters in kB; the time is of no interest).
// The "entries" counter is the number of collision-list entries the last step left in the tree.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktregister.h"
#include "kinetype/kttext.h"
#include "physics/typedscene.h"
#include "refdetector.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

tscene::DetectorFactory Detector(bool bReference) {
    if (!bReference) return {};
    return [] { return static_cast<CKTBehavior*>(new CRefDetector); };
}

void Register() {
    static bool bDone = false;
    if (!bDone) KTRegisterClasses();
    bDone = true;
}

// What a benchmark times, once the page is built and drawn once (glyphs measured, as the first paint
// does) and has run its first frames (600 for a settled heap, 100 for the draw alone).
enum class Work { step, stepAndDraw, draw, detect };

struct Setup {
    int nHeight = kHeight;
    bool bReference = false;
    bool bReload = false;
    int nWarmFrames = 0;
    Work work = Work::step;
};

void RunPage(benchmark::State& state, const Setup& setup) {
    Register();
    tscene::Scene scene(tscene::Kind::page, static_cast<int>(state.range(0)), kWidth, setup.nHeight,
                        Detector(setup.bReference));
    if (setup.bReload) scene.Reload();
    scene.Draw();
    for (int i = 0; i < setup.nWarmFrames; i++) scene.Step();
    CKTBehavior* pDetector = nullptr;
    for (POSITION pos = scene.Book().GetFirstBehaviorPosition(); pos && !pDetector;) {
        CKTBehavior* p = scene.Book().GetNextBehavior(pos);
        if (p->GetType() == BHVR_1DCOLLISIONDET) pDetector = p;
    }
    for (auto _ : state) {
        if (setup.work == Work::detect) {
            pDetector->OnEvent(EV_PRESTEP);
            continue;
        }
        if (setup.work == Work::draw) {
            scene.Draw();
            continue;
        }
        scene.Step();
        if (setup.work == Work::stepAndDraw) scene.Draw();
    }
    state.counters["glyphs"] = static_cast<double>(scene.GlyphCount());
    state.counters["entries"] = static_cast<double>(tscene::CollisionEntries(scene.Book().GetRoot()));
}

// Tall enough for every passage to lie 100 pixels below the one before (two columns).
int TallHeight(int nGlyphs) { return 120 + (nGlyphs / 250 + 1) / 2 * 100; }

void BM_PageStep(benchmark::State& state) { RunPage(state, {}); }
void BM_PageStep_Reference(benchmark::State& state) { RunPage(state, {.bReference = true}); }
void BM_TallPageStep(benchmark::State& state) { RunPage(state, {.nHeight = TallHeight(static_cast<int>(state.range(0)))}); }
void BM_TallPageStep_Reference(benchmark::State& state) {
    RunPage(state, {.nHeight = TallHeight(static_cast<int>(state.range(0))), .bReference = true});
}
void BM_PageStepAndDraw(benchmark::State& state) { RunPage(state, {.work = Work::stepAndDraw}); }
void BM_PageStepAndDraw_Reference(benchmark::State& state) {
    RunPage(state, {.bReference = true, .work = Work::stepAndDraw});
}
void BM_PageDraw(benchmark::State& state) { RunPage(state, {.nWarmFrames = 100, .work = Work::draw}); }
void BM_SettledStep(benchmark::State& state) { RunPage(state, {.nWarmFrames = 600}); }
void BM_SettledStep_Reference(benchmark::State& state) { RunPage(state, {.bReference = true, .nWarmFrames = 600}); }
void BM_PageDetect(benchmark::State& state) { RunPage(state, {.work = Work::detect}); }
void BM_PageDetect_Reference(benchmark::State& state) { RunPage(state, {.bReference = true, .work = Work::detect}); }
void BM_LoadedPageStep(benchmark::State& state) { RunPage(state, {.bReload = true}); }

long ResidentKB() {
    long nPages = 0, nResident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &nPages, &nResident) != 2) nResident = 0;
        std::fclose(f);
    }
    return nResident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The determinism tests' gravity scene (2,000 glyphs, a mouse moving, glyphs dying and words deleted
// now and then): resident memory after 1,000 frames and after 20,000 more.
void BM_MemoryOver20000Steps(benchmark::State& state) {
    Register();
    for (auto _ : state) {
        tscene::Scene scene(tscene::Kind::gravity, 2000, kWidth, kHeight);
        scene.Draw();
        int nFrame = 0;
        for (; nFrame < 1000; nFrame++) scene.Tick(nFrame);
        const long nBefore = ResidentKB();
        state.counters["rss_1k_kB"] = static_cast<double>(nBefore);
        for (; nFrame < 21000; nFrame++) {
            scene.Tick(nFrame);
            if ((nFrame + 1) % 5000 == 0)
                state.counters["rss_" + std::to_string((nFrame + 1) / 1000) + "k_kB"] = static_cast<double>(ResidentKB());
        }
        state.counters["growth_kB"] = static_cast<double>(ResidentKB() - nBefore);
        state.counters["glyphs_left"] = static_cast<double>(scene.GlyphCount());
    }
}

}  // namespace

#define QS_SIZES ->Arg(1000)->Arg(2000)->Arg(5000)->Arg(10000)->Arg(20000)
#define QS_FRAMES ->Iterations(100)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_PageStep) QS_SIZES QS_FRAMES;
BENCHMARK(BM_PageStep_Reference) QS_SIZES QS_FRAMES;
BENCHMARK(BM_TallPageStep) QS_SIZES QS_FRAMES;
BENCHMARK(BM_TallPageStep_Reference) QS_SIZES QS_FRAMES;
BENCHMARK(BM_PageStepAndDraw)->Arg(10000)->Arg(20000) QS_FRAMES;
BENCHMARK(BM_PageStepAndDraw_Reference)->Arg(10000)->Arg(20000) QS_FRAMES;
BENCHMARK(BM_PageDraw)->Arg(10000)->Arg(20000) QS_FRAMES;
BENCHMARK(BM_SettledStep)->Arg(5000) QS_FRAMES;
BENCHMARK(BM_SettledStep_Reference)->Arg(5000) QS_FRAMES;
BENCHMARK(BM_PageDetect) QS_SIZES QS_FRAMES;
BENCHMARK(BM_PageDetect_Reference) QS_SIZES QS_FRAMES;
BENCHMARK(BM_LoadedPageStep)->Arg(10000) QS_FRAMES;
BENCHMARK(BM_MemoryOver20000Steps)->Iterations(1)->Unit(benchmark::kSecond);
