// The floating panes on a 1280 x 720 back buffer: the properties panel with 20 behaviour rows and the
// 800 x 162 timeline, each translucent (drawn off screen and blended half and half) or opaque.
#include <benchmark/benchmark.h>

#include <string>

#include "quillstorm/propertypanel.h"
#include "quillstorm/timelinepanel.h"

namespace {

struct BackBuffer {
    CDC dc;
    CBitmap bitmap;
    BackBuffer() {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(nullptr, 1280, 720);
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, 1280, 720, RGB(61, 95, 141));
    }
};

void FillPanel(CPropertyPanel& panel) {
    panel.m_strClock = "00000123.45";
    panel.m_strFont = "Liberation Sans";
    panel.m_strSize = "24 pt";
    panel.m_strColor = "(255,0,0)";
    panel.m_strPosition = "x:350 y:212";
    panel.m_strSoftType = "colorstatic";
    for (int i = 0; i < 20; ++i) panel.m_behaviorNames.Add(CString(("Behaviour " + std::to_string(i)).c_str()));
}

// Panel, timeline or both (state.range(0): 1 panel, 2 timeline, 3 both), translucent or opaque.
void Panes(benchmark::State& state, bool bTranslucent) {
    BackBuffer target;
    CPropertyPanel panel;
    CTimelinePanel timeline;
    FillPanel(panel);
    if (bTranslucent) {
        panel.SetTranslucent();
        timeline.SetTranslucent();
    }
    const bool bPanel = state.range(0) & 1;
    const bool bTimeline = state.range(0) & 2;
    for (auto _ : state) {
        if (bPanel) panel.Draw(&target.dc);
        if (bTimeline) timeline.Draw(&target.dc);
        benchmark::DoNotOptimize(target.bitmap.GetSurface().Bits());
    }
    if (bPanel) state.counters["panel_h"] = panel.m_rcPanel.Height();
}

void BM_Panes_Translucent(benchmark::State& state) { Panes(state, true); }
void BM_Panes_Opaque(benchmark::State& state) { Panes(state, false); }
BENCHMARK(BM_Panes_Translucent)->Arg(3)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Panes_Opaque)->Arg(3)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
