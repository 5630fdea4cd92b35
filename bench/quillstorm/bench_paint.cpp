// The paint of a full frame: a 1280 x 720 canvas with 2,000 glyphs drawn by the default renderer, the
// grid and the caret, through the whole of CQuillView::OnDraw; and the same over a background image.
#include <benchmark/benchmark.h>

#include "benchprogram.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/pximage.h"

namespace {

// A document, its frame and view (no MIDI device), the view's client area 1280 x 720, and a scene of
// 2,000 glyphs in 40 passages of 10 words of 5 letters, spread over the canvas.
struct Scene : BenchProgram {
    Scene() : BenchProgram(1280, 720) {
        View()->m_bShowGrid = 1;
        LOGFONT lf = View()->m_logFont;
        lf.lfHeight = 180;  // 18 points
        const char letters[] = "quillstormlivingtype";
        int n = 0;
        for (int p = 0; p < 40; ++p) {
            auto* pPassage = new CKTPassage;
            doc->m_pBook->GetRoot()->AppendChild(pPassage, TRUE);
            for (int w = 0; w < 10; ++w) {
                auto* pWord = new CKTWord;
                pPassage->AppendChild(pWord, TRUE);
                for (int g = 0; g < 5; ++g, ++n) {
                    auto* pGlyph = new CKTGlyph;
                    pGlyph->SetFont(lf);
                    pGlyph->SetColor(RGB(0, 0, 0));
                    pGlyph->SetChar(letters[n % 20]);
                    pWord->AppendChild(pGlyph, TRUE);
                }
            }
            pPassage->MoveBy(10 + (p % 2) * 640, 20 + (p / 2) * 34);
        }
        View()->OnDraw(View()->GetDC());  // fonts resolved, back buffer made
    }
};

// As the program paints: into the window's DC, which shows the back buffer without a copy.
void BM_OnDraw_Window(benchmark::State& state) {
    Scene scene;
    CQuillView* v = scene.View();
    CDC* pDC = v->GetDC();
    for (auto _ : state) {
        v->OnDraw(pDC);
        benchmark::DoNotOptimize(v->GetBackBuffer()->Bits());
    }
    state.counters["glyphs"] = 2000;
    state.counters["width"] = v->m_pClientRect->Width();
    state.counters["height"] = v->m_pClientRect->Height();
}
BENCHMARK(BM_OnDraw_Window)->Unit(benchmark::kMillisecond);

// Into another DC: the same, plus the final block transfer of the frame.
void BM_OnDraw_WithBlit(benchmark::State& state) {
    Scene scene;
    CQuillView* v = scene.View();
    CDC target;
    target.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, 1280, 720);
    target.SelectObject(&bitmap);
    for (auto _ : state) {
        v->OnDraw(&target);
        benchmark::DoNotOptimize(bitmap.GetSurface().Bits());
    }
}
BENCHMARK(BM_OnDraw_WithBlit)->Unit(benchmark::kMillisecond);

// The same frame over a 400 x 300 background image in the layout of the argument (0 to 6): laid out
// once, then one bitmap copy a frame.
void BM_OnDraw_Background(benchmark::State& state) {
    Scene scene;
    CQuillView* v = scene.View();
    auto* pImage = new CRgbImage;
    pImage->Allocate(CSize(400, 300));
    BYTE* p = pImage->Lock();
    for (int i = 0; i < 400 * 300 * 3; ++i) p[i] = static_cast<BYTE>(i * 7);
    pImage->Unlock();
    scene.doc->m_pBook->SetBackgroundImageLayout(static_cast<int>(state.range(0)));
    v->SetBackgroundImage(pImage);
    CDC* pDC = v->GetDC();
    v->OnDraw(pDC);  // the layout
    for (auto _ : state) {
        v->OnDraw(pDC);
        benchmark::DoNotOptimize(v->GetBackBuffer()->Bits());
    }
}
BENCHMARK(BM_OnDraw_Background)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

}  // namespace
