// The outline renderers' frame: 500 glyphs at 48 points on 1920 x 1080, the book running, the mouse
// moving across the text (clay with the left button held); one mouse move, one tick and one draw per
// iteration. And one glyph whose vertices are saturated far off the surface against a normal one.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "kinetype/kterclay.h"
#include "kinetype/kterdrift.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "outlinescene.h"

namespace {

template <class T>
void BM_OutlineFrame(benchmark::State& state) {
    const bool bClay = T().GetType() == RENDERER_CLAY;
    OutlineScene scene([] { return new T; }, bClay);
    scene.Warm(20);
    for (auto _ : state) scene.Frame();
    state.counters["glyphs"] = scene.CountGlyphs();
    state.counters["inside"] = scene.CountInside();
}
BENCHMARK_TEMPLATE(BM_OutlineFrame, CKTERDrift)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_OutlineFrame, CKTERClay)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_OutlineFrame, CKTERPull)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_OutlineFrame, CKTERPulse)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_OutlineFrame, CKTERLens)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_OutlineFrame, CKTERParticle)->Unit(benchmark::kMillisecond);

// One pull glyph ("A", 48 points) in the middle of the surface with the mouse resting inside it; per
// iteration one tick and one draw, so each frame builds a region for the extent and one for the fill.
class CBenchPull : public CKTERPull {
public:
    using CKTERFloatOutline::InstallOutline;
    CKTFloatGlyphRegion& Work() { return m_outline; }
};

enum class Shape {
    still,      // parameters 0: the glyph stays at rest
    spike,      // parameters 0, the first vertex saturated at (+2^27, +2^27): a spike off the surface
    giant,      // parameters 0, the glyph scaled about its first vertex until it spans +-2^27
    stretched,  // strength 1e9: vertices overshoot the mouse by tens of millions of pixels each tick
    saturated,  // strength 1e30: vertices overshoot the mouse to the limit each tick
};

void PullGlyph(benchmark::State& state, Shape shape) {
    KTRegisterClasses();
    g_bLoading = 0;
    CKTFakeWindow wnd(OutlineScene::kWidth, OutlineScene::kHeight);
    auto pBook = std::make_unique<CKTBook>();
    pBook->SetWindow(&wnd);
    auto* pPassage = new CKTPassage;
    pBook->GetRoot()->AppendChild(pPassage, FALSE);
    pPassage->MoveBy(940, 560);
    auto* pWord = new CKTWord;
    pPassage->AppendChild(pWord, FALSE);
    auto* pGlyph = new CKTGlyph;
    pGlyph->SetFont(OutlineScene::Font());
    pGlyph->SetChar('A');
    pWord->AppendChild(pGlyph, FALSE);
    auto* pPull = new CBenchPull;
    const bool bStill = shape == Shape::still || shape == Shape::spike || shape == Shape::giant;
    if (bStill) pPull->m_fMouseStrength = pPull->m_fOriginStrength = 0;
    if (shape == Shape::stretched) pPull->m_fMouseStrength = 1e9f;
    if (shape == Shape::saturated) pPull->m_fMouseStrength = 1e30f;
    pGlyph->SetRenderer(pPull, TRUE);
    pPull->BuildOutline(pBook->GetCurrentDC());
    CKTFloatGlyphRegion& w = pPull->Work();
    const float fLimit = static_cast<float>(CKTEROutline::kVertexLimit);
    if (shape == Shape::spike) w.m_pPoints[0] = {fLimit, fLimit};
    if (shape == Shape::giant) {
        const CKTFloatPoint o = w.m_pPoints[0];
        for (int i = 0; i < w.m_nPoints; i++) {
            const double x = o.x + (w.m_pPoints[i].x - o.x) * 4e6, y = o.y + (w.m_pPoints[i].y - o.y) * 4e6;
            w.m_pPoints[i] = {static_cast<float>(std::clamp(x, -CKTEROutline::kVertexLimit, CKTEROutline::kVertexLimit)),
                              static_cast<float>(std::clamp(y, -CKTEROutline::kVertexLimit, CKTEROutline::kVertexLimit))};
        }
    }
    pBook->SetRunState(1);
    pBook->OnMouseMove(CPoint(960, 540));
    for (int i = 0; i < 3; i++) pBook->Step();
    for (auto _ : state) {
        pBook->Step();
        pBook->Draw(wnd.GetPaintDC());
    }
    const CRect rc = pGlyph->GetBounds();
    state.counters["width"] = rc.Width();
    state.counters["height"] = rc.Height();
    // The pixels the glyph covers on the surface (its visible part), on a white background.
    CDC* pDC = wnd.GetPaintDC();
    pDC->FillSolidRect(0, 0, OutlineScene::kWidth, OutlineScene::kHeight, RGB(255, 255, 255));
    pBook->Draw(pDC);
    int nCovered = 0;
    for (int y = 0; y < OutlineScene::kHeight; y++)
        for (int x = 0; x < OutlineScene::kWidth; x++) nCovered += pDC->GetPixel(x, y) != RGB(255, 255, 255);
    state.counters["covered"] = nCovered;
}
BENCHMARK_CAPTURE(PullGlyph, still, Shape::still)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PullGlyph, spike, Shape::spike)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PullGlyph, giant, Shape::giant)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PullGlyph, stretched, Shape::stretched)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PullGlyph, saturated, Shape::saturated)->Unit(benchmark::kMicrosecond);

}  // namespace
