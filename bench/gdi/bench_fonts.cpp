// Fonts: drawing text, outline queries and the cached font lookup renderers make every frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"

namespace {

LOGFONT PointFont(int tenths) {
    LOGFONT lf{};
    lf.lfHeight = tenths;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

// 1,000 glyphs at 24 pt: 25 lines of 40 characters into a 1000 x 1000 surface.
void BM_FontDrawText24pt(benchmark::State& state) {
    CFont font;
    LOGFONT lf = PointFont(240);
    font.CreatePointFontIndirect(&lf);
    gdi::Surface s;
    s.Create(1000, 1000);
    const RECT clip{0, 0, 1000, 1000};
    const char line[] = "The quick brown fox jumps over the lazy.";  // 40 bytes
    for (auto _ : state) {
        for (int row = 0; row < 25; ++row) {
            gdi::FontDrawText(*font.Face(), s, clip, 4, row * 38, line, 40, RGB(20, 40, 200));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_FontDrawText24pt)->Unit(benchmark::kMicrosecond);

// GGO_NATIVE for 500 glyphs at 48 pt, asked as the outline classes ask: size, then data.
void BM_FontGlyphOutline48pt(benchmark::State& state) {
    CFont font;
    LOGFONT lf = PointFont(480);
    font.CreatePointFontIndirect(&lf);
    std::vector<BYTE> buf(1 << 16);
    MAT2 mat{};
    mat.eM11.value = mat.eM22.value = 1;
    for (auto _ : state) {
        DWORD total = 0;
        for (int i = 0; i < 500; ++i) {
            const UINT code = 33 + static_cast<UINT>(i % 94);
            GLYPHMETRICS gm;
            const DWORD size = gdi::FontGlyphOutline(*font.Face(), code, GGO_NATIVE, &gm, 0, nullptr, &mat);
            total += gdi::FontGlyphOutline(*font.Face(), code, GGO_NATIVE, &gm, size, buf.data(), &mat);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_FontGlyphOutline48pt)->Unit(benchmark::kMicrosecond);

// The same at a fresh size every iteration: the cost of building glyphs (load, hint, encode, render).
void BM_FontGlyphOutlineUncached(benchmark::State& state) {
    std::vector<BYTE> buf(1 << 16);
    int size = 0;
    for (auto _ : state) {
        CFont font;
        LOGFONT lf = PointFont(0);
        lf.lfHeight = -(20 + (size++ % 300));  // more sizes than the cache keeps
        font.CreateFontIndirect(&lf);
        DWORD total = 0;
        for (UINT code = 33; code < 33 + 94; ++code) {
            GLYPHMETRICS gm;
            total += gdi::FontGlyphOutline(*font.Face(), code, GGO_NATIVE, &gm, buf.size(), buf.data(), nullptr);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * 94);
}
BENCHMARK(BM_FontGlyphOutlineUncached)->Unit(benchmark::kMicrosecond);

// What every renderer does per glyph and frame: a point font from a LOGFONT it has used before.
void BM_FontCachedLookup(benchmark::State& state) {
    const LOGFONT lf = PointFont(240);
    {
        CFont warm;
        warm.CreatePointFontIndirect(&lf);
    }
    for (auto _ : state) {
        CFont font;
        benchmark::DoNotOptimize(font.CreatePointFontIndirect(&lf));
    }
}
BENCHMARK(BM_FontCachedLookup);

void BM_FontTextExtent(benchmark::State& state) {
    CFont font;
    LOGFONT lf = PointFont(240);
    font.CreatePointFontIndirect(&lf);
    const char text[] = "Living type";
    for (auto _ : state) benchmark::DoNotOptimize(gdi::FontTextExtent(*font.Face(), text, 11));
}
BENCHMARK(BM_FontTextExtent);

// The default renderer's draw of one glyph: a point font from its LOGFONT, selected, one character drawn
// transparent on the baseline, the old font and state put back; 500 glyphs over a 1280 x 720 frame.
void BM_RendererGlyphTextOut(benchmark::State& state) {
    const LOGFONT lf = PointFont(240);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, 1280, 720);
    CBitmap* oldBitmap = dc.SelectObject(&bitmap);
    const char text[] = "Living type, every frame.";
    for (auto _ : state) {
        for (int i = 0; i < 500; ++i) {
            const UINT oldAlign = dc.SetTextAlign(TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
            const int oldMode = dc.SetBkMode(TRANSPARENT);
            CFont font;
            font.CreatePointFontIndirect(&lf);
            CFont* oldFont = dc.SelectObject(&font);
            dc.SetTextColor(RGB(20, 40, i & 255));
            dc.TextOut(20 + (i % 25) * 50, 40 + (i / 25) * 34, &text[i % 25], 1);
            dc.SelectObject(oldFont);
            dc.SetBkMode(oldMode);
            dc.SetTextAlign(oldAlign);
        }
        benchmark::ClobberMemory();
    }
    dc.SelectObject(oldBitmap);
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_RendererGlyphTextOut)->Unit(benchmark::kMicrosecond);

}  // namespace
