// The scene core's speed: a book of 10,000 glyphs in 100 passages with default renderers, one tick
// and one draw into a 1280 x 720 surface; and a glyph inserted at the end of a 1,000-glyph passage.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "kinetype/ktbook.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktregister.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"

namespace {

LOGFONT BenchFont() {
    LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = 90;  // 9 points
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

// A passage of nWords words of nLetters glyphs each, the words separated by a space glyph at the
// start of every word after the first, laid out by the line flow.
CKTPassage* MakePassage(CKTText* pRoot, int nWords, int nLetters, CKTVector origin) {
    auto* pPassage = new CKTPassage;
    pRoot->AppendChild(pPassage, FALSE);
    pPassage->MoveBy(origin);
    pPassage->SetFont(BenchFont());
    for (int w = 0; w < nWords; w++) {
        auto* pWord = new CKTWord;
        pWord->SetFont(BenchFont());
        for (int g = 0; g < nLetters; g++) {
            auto* pGlyph = new CKTGlyph;
            pGlyph->SetFont(BenchFont());
            pGlyph->SetChar(g == 0 && w > 0 ? ' ' : static_cast<char>('a' + (w + g) % 26));
            pWord->AppendChild(pGlyph, TRUE);
        }
        pPassage->AppendChild(pWord, TRUE);
    }
    return pPassage;
}

struct Scene {
    CKTFakeWindow wnd{1280, 720};
    std::unique_ptr<CKTBook> pBook;
    Scene() {
        KTRegisterClasses();
        g_bLoading = 0;
        pBook = std::make_unique<CKTBook>();
        pBook->SetWindow(&wnd);
        pBook->SetRunState(1);
    }
    // 10,000 glyphs: 100 passages of 20 words of 5 glyphs, one above the other 7 pixels apart (lines
    // overlap; every glyph lies inside the window).
    void Fill() {
        for (int p = 0; p < 100; p++)
            MakePassage(pBook->GetRoot(), 20, 5, CKTVector(10, 12 + p * 7, 0));
    }
    // Glyphs inside the client rectangle (the ones a draw writes).
    int CountVisible() {
        CRect rcClient = pBook->GetClientRect();
        int n = 0;
        for (CKTElement* p = pBook->GetRoot()->GetFirstChild(); p; p = p->GetNextSibling())
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
                for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) {
                    CRect rc, rcGlyph = g->GetAbsoluteBounds();
                    if (rc.IntersectRect(&rcClient, &rcGlyph)) n++;
                }
        return n;
    }
};

void BM_TickAndDraw10000(benchmark::State& state) {
    Scene scene;
    scene.Fill();
    scene.pBook->Draw(scene.wnd.GetPaintDC());  // bounds measured once
    for (auto _ : state) {
        scene.pBook->Step();
        scene.pBook->Draw(scene.wnd.GetPaintDC());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
    state.counters["visible"] = scene.CountVisible();
}
BENCHMARK(BM_TickAndDraw10000)->Unit(benchmark::kMillisecond);

void BM_Tick10000(benchmark::State& state) {
    Scene scene;
    scene.Fill();
    for (auto _ : state) scene.pBook->Step();
}
BENCHMARK(BM_Tick10000)->Unit(benchmark::kMicrosecond);

void BM_Draw10000(benchmark::State& state) {
    Scene scene;
    scene.Fill();
    scene.pBook->Draw(scene.wnd.GetPaintDC());
    for (auto _ : state) scene.pBook->Draw(scene.wnd.GetPaintDC());
}
BENCHMARK(BM_Draw10000)->Unit(benchmark::kMillisecond);

// The same book with every glyph under the integrator (zero velocities: MoveBy still runs and marks
// the caches stale). Tick alone, and tick with draw.
void AttachIntegrator(Scene& scene) {
    auto* pEuler = new CKTEulerBhvr;
    scene.pBook->AddBehavior(pEuler);
    pEuler->StartListening();
    for (CKTElement* p = scene.pBook->GetRoot()->GetFirstChild(); p; p = p->GetNextSibling())
        for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
            for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) pEuler->AddElement(g);
}

void BM_TickWithIntegrator10000(benchmark::State& state) {
    Scene scene;
    scene.Fill();
    AttachIntegrator(scene);
    scene.pBook->Draw(scene.wnd.GetPaintDC());
    for (auto _ : state) scene.pBook->Step();
}
BENCHMARK(BM_TickWithIntegrator10000)->Unit(benchmark::kMillisecond);

void BM_TickAndDrawWithIntegrator10000(benchmark::State& state) {
    Scene scene;
    scene.Fill();
    AttachIntegrator(scene);
    scene.pBook->Draw(scene.wnd.GetPaintDC());
    for (auto _ : state) {
        scene.pBook->Step();
        scene.pBook->Draw(scene.wnd.GetPaintDC());
    }
}
BENCHMARK(BM_TickAndDrawWithIntegrator10000)->Unit(benchmark::kMillisecond);

// Typing at the end of a 1,000-glyph passage: a new glyph appended with reflow to the last word, then
// taken out again (remove with reflow and delete) so every iteration sees the same passage.
void BM_InsertGlyphAtEndOf1000(benchmark::State& state) {
    Scene scene;
    CKTPassage* pPassage = MakePassage(scene.pBook->GetRoot(), 200, 5, CKTVector(10, 30, 0));
    scene.pBook->Draw(scene.wnd.GetPaintDC());
    CKTElement* pLastWord = pPassage->GetLastChild();
    for (auto _ : state) {
        auto* pGlyph = new CKTGlyph;
        pGlyph->SetFont(BenchFont());
        pGlyph->SetChar('x');
        pLastWord->AppendChild(pGlyph, TRUE);
        benchmark::DoNotOptimize(pGlyph->GetAbsoluteBounds());
        pLastWord->RemoveChild(pGlyph, TRUE);
        delete pGlyph;
    }
}
BENCHMARK(BM_InsertGlyphAtEndOf1000)->Unit(benchmark::kMicrosecond);

}  // namespace
