// Drawing: the per-frame work of the outline renderers (a region per glyph, built and filled), polygon
// fills, the pixel-mask build, and the paint's full-window block transfers.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "kinetype/ktglyphregion.h"
#include "platform/gdi/dc.h"

namespace {

// A glyph outline as the outline classes hold it: every native point a vertex, polygons one after another.
struct Outline {
    std::vector<POINT> points;
    std::vector<int> counts;
};

// The outline classes' own reading of a glyph (size query, data, every native point a vertex).
Outline ReadOutline(CDC& dc, UINT ch) {
    const CKTGlyphRegion g(&dc, static_cast<char>(ch));
    Outline o;
    if (g.m_nPoints > 0) o.points.assign(g.m_pPoints, g.m_pPoints + g.m_nPoints);
    if (g.m_nPolys > 0) o.counts.assign(g.m_pPolyCounts, g.m_pPolyCounts + g.m_nPolys);
    return o;
}

// The outlines of '!' to '~' at 48 pt in DejaVu Sans.
const std::vector<Outline>& Outlines48() {
    static const std::vector<Outline> outlines = [] {
        std::vector<Outline> v;
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CFont font;
        font.CreatePointFont(480, "DejaVu Sans");
        CFont* old = dc.SelectObject(&font);
        for (UINT ch = 33; ch < 127; ++ch) v.push_back(ReadOutline(dc, ch));
        dc.SelectObject(old);
        return v;
    }();
    return outlines;
}

struct Frame {
    CDC dc;
    CBitmap bitmap;
    CBitmap* old;
    Frame(int w, int h) {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(&dc, w, h);
        old = dc.SelectObject(&bitmap);
    }
    ~Frame() { dc.SelectObject(old); }
};

// 500 glyphs as the outline renderers draw them each frame: create the region from the outline (WINDING),
// offset it to the glyph's place, fill it with a new solid brush, destroy both.
void BuildFill500(Frame& f, const std::vector<Outline>& outlines) {
    for (int i = 0; i < 500; ++i) {
        const Outline& o = outlines[i % outlines.size()];
        if (o.points.empty()) continue;
        CRgn rgn;
        rgn.CreatePolyPolygonRgn(o.points.data(), o.counts.data(), static_cast<int>(o.counts.size()), WINDING);
        rgn.OffsetRgn(20 + (i % 25) * 50, 70 + (i / 25) * 32);
        CBrush brush(RGB(i & 255, 40, 200));
        f.dc.FillRgn(&rgn, &brush);
    }
}

// The drift, clay, pull and lens renderers' frame: 500 real glyphs at 48 pt over a 1280 x 720 back buffer.
void BM_GlyphRegionBuildFill(benchmark::State& state) {
    const auto& outlines = Outlines48();
    Frame f(1280, 720);
    size_t vertices = 0;
    for (int i = 0; i < 500; ++i) vertices += outlines[i % outlines.size()].points.size();
    for (auto _ : state) {
        BuildFill500(f, outlines);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 500);
    state.counters["vertices/glyph"] = static_cast<double>(vertices) / 500.0;
}
BENCHMARK(BM_GlyphRegionBuildFill)->Unit(benchmark::kMicrosecond);

// The same with a synthetic outline of about the size the renderers' busiest glyphs reach: 100 vertices
// in two contours (a wobbly ring 46 pixels high, like an 'o' with its spline control points).
void BM_SyntheticRegionBuildFill(benchmark::State& state) {
    Outline o;
    for (int c = 0; c < 2; ++c) {
        const double r = c == 0 ? 23 : 15;
        for (int i = 0; i < 50; ++i) {
            const double a = (c == 0 ? 1 : -1) * i * 6.283185307179586 / 50;
            const double w = r + ((i % 3) - 1) * 0.7;
            o.points.push_back({static_cast<LONG>(20 + 0.8 * w * std::cos(a)), static_cast<LONG>(-23 + w * std::sin(a))});
        }
        o.counts.push_back(50);
    }
    Frame f(1280, 720);
    const std::vector<Outline> outlines{o};
    for (auto _ : state) {
        BuildFill500(f, outlines);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_SyntheticRegionBuildFill)->Unit(benchmark::kMicrosecond);

// The region alone, as the extent queries use it: build and take the box.
void BM_GlyphRegionBox(benchmark::State& state) {
    const auto& outlines = Outlines48();
    for (auto _ : state) {
        for (int i = 0; i < 500; ++i) {
            const Outline& o = outlines[i % outlines.size()];
            if (o.points.empty()) continue;
            CRgn rgn;
            rgn.CreatePolyPolygonRgn(o.points.data(), o.counts.data(), static_cast<int>(o.counts.size()), WINDING);
            RECT box;
            benchmark::DoNotOptimize(rgn.GetRgnBox(&box));
        }
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_GlyphRegionBox)->Unit(benchmark::kMicrosecond);

// The pulse renderer: PolyPolygon with a dark pen and a solid brush per glyph, 500 glyphs.
void BM_GlyphPolyPolygon(benchmark::State& state) {
    const auto& outlines = Outlines48();
    Frame f(1280, 720);
    std::vector<POINT> moved;
    for (auto _ : state) {
        for (int i = 0; i < 500; ++i) {
            const Outline& o = outlines[i % outlines.size()];
            if (o.points.empty()) continue;
            moved = o.points;
            for (POINT& p : moved) {
                p.x += 20 + (i % 25) * 50;
                p.y += 70 + (i / 25) * 32;
            }
            CPen pen(PS_SOLID, 1, RGB(20, 20, 20));
            CBrush brush(RGB(200, 40, i & 255));
            CPen* oldPen = f.dc.SelectObject(&pen);
            CBrush* oldBrush = f.dc.SelectObject(&brush);
            f.dc.PolyPolygon(moved.data(), o.counts.data(), static_cast<int>(o.counts.size()));
            f.dc.SelectObject(oldPen);
            f.dc.SelectObject(oldBrush);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_GlyphPolyPolygon)->Unit(benchmark::kMicrosecond);

// A large polygon: a 200-gon covering most of a 1280 x 720 frame.
void BM_PolygonFillLarge(benchmark::State& state) {
    Frame f(1280, 720);
    std::vector<POINT> pts;
    for (int i = 0; i < 200; ++i) {
        const double a = i * 6.283185307179586 / 200;
        const double r = (i % 2) ? 340 : 300;
        pts.push_back({640 + static_cast<LONG>(r * 1.7 * std::cos(a)), 360 + static_cast<LONG>(r * std::sin(a))});
    }
    f.dc.SelectStockObject(NULL_PEN);
    CBrush brush(RGB(1, 2, 3));
    f.dc.SelectObject(&brush);
    for (auto _ : state) {
        f.dc.Polygon(pts.data(), static_cast<int>(pts.size()));
        benchmark::ClobberMemory();
    }
    f.dc.SelectStockObject(WHITE_BRUSH);
    f.dc.SelectStockObject(BLACK_PEN);
}
BENCHMARK(BM_PolygonFillLarge)->Unit(benchmark::kMicrosecond);

// Many polygons over one band of rows, as a metafile's wide stroke or many-piece fill hands them over:
// n thin triangles that all start on the first row and cross one another. The active edge list takes
// them in a sort and a merge, not one insertion each.
void BM_PolygonFillManyPieces(benchmark::State& state) {
    Frame f(256, 48);
    const int n = static_cast<int>(state.range(0));
    std::vector<POINT> pts;
    std::vector<int> counts(static_cast<size_t>(n), 3);
    for (int i = 0; i < n; ++i) {
        const LONG x = i % 250, to = 250 - x;
        pts.insert(pts.end(), {POINT{x, 0}, POINT{x + 2, 0}, POINT{to, 48}});
    }
    f.dc.SelectStockObject(NULL_PEN);
    CBrush brush(RGB(1, 2, 3));
    f.dc.SelectObject(&brush);
    f.dc.SetPolyFillMode(WINDING);
    for (auto _ : state) {
        f.dc.PolyPolygon(pts.data(), counts.data(), n);
        benchmark::ClobberMemory();
    }
    f.dc.SelectStockObject(WHITE_BRUSH);
    f.dc.SelectStockObject(BLACK_PEN);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PolygonFillManyPieces)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

// The pixel-mask renderers' cache build: one PtInRegion per pixel of the glyph's box (once per change of
// character, font or size, not per frame).
void BM_GlyphMaskBuild(benchmark::State& state) {
    const auto& outlines = Outlines48();
    const Outline& o = outlines['g' - 33];
    CRgn rgn;
    rgn.CreatePolyPolygonRgn(o.points.data(), o.counts.data(), static_cast<int>(o.counts.size()), WINDING);
    RECT box;
    rgn.GetRgnBox(&box);
    std::vector<int> mask(static_cast<size_t>((box.right - box.left) * (box.bottom - box.top)));
    for (auto _ : state) {
        size_t k = 0;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) mask[k++] = rgn.PtInRegion(x, y) ? 1 : 0;
        benchmark::DoNotOptimize(mask.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mask.size()));
}
BENCHMARK(BM_GlyphMaskBuild)->Unit(benchmark::kMicrosecond);

// The paint's last step: the 1280 x 720 back buffer onto the window.
void BM_BitBlt1280x720(benchmark::State& state) {
    Frame back(1280, 720);
    gdi::Surface window;
    window.Create(1280, 720);
    CDC windowDC;
    windowDC.AttachSurface(&window);
    for (auto _ : state) {
        windowDC.BitBlt(0, 0, 1280, 720, &back.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 1280 * 720 * 4);
}
BENCHMARK(BM_BitBlt1280x720)->Unit(benchmark::kMicrosecond);

// The stretched background layout: a 640 x 360 image over 1280 x 720 (once per layout, not per frame).
void BM_StretchBlt640To1280(benchmark::State& state) {
    Frame image(640, 360), back(1280, 720);
    for (auto _ : state) {
        back.dc.StretchBlt(0, 0, 1280, 720, &image.dc, 0, 0, 640, 360, SRCCOPY);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchBlt640To1280)->Unit(benchmark::kMicrosecond);

// The 20-pixel grid of the paint: 64 vertical and 36 horizontal lines over 1280 x 720.
void BM_Grid1280x720(benchmark::State& state) {
    Frame back(1280, 720);
    CPen pen(PS_SOLID, 0, RGB(127, 127, 127));
    CPen* old = back.dc.SelectObject(&pen);
    for (auto _ : state) {
        for (int x = 0; x < 1280; x += 20) {
            back.dc.MoveTo(x, 0);
            back.dc.LineTo(x, 720);
        }
        for (int y = 0; y < 720; y += 20) {
            back.dc.MoveTo(0, y);
            back.dc.LineTo(1280, y);
        }
        benchmark::ClobberMemory();
    }
    back.dc.SelectObject(old);
}
BENCHMARK(BM_Grid1280x720)->Unit(benchmark::kMicrosecond);

}  // namespace
