// Bitmaps and metafiles: the device-dependent bitmap of a 4000 x 3000 picture (every background layout
// makes one), its way back to RGB, and the play of an enhanced metafile of 10,000 records.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "pixmill/pixmill.h"
#include "pixmill/pxmetafile.h"
#include "platform/gdi/dc.h"
#include "tests/pixmill/mfbuild.h"

namespace {

constexpr UINT kWidth = 4000;
constexpr UINT kHeight = 3000;

const std::vector<BYTE>& Picture() {
    static const std::vector<BYTE> rgb = [] {
        std::vector<BYTE> v(size_t{kWidth} * kHeight * 3);
        uint32_t s = 777;
        for (BYTE& b : v) {
            s = s * 1664525u + 1013904223u;
            b = static_cast<BYTE>(s >> 24);
        }
        return v;
    }();
    return rgb;
}

void BM_CreateDdbFromRgb(benchmark::State& state) {
    SetUseDibSection(static_cast<BOOL>(state.range(0)));
    for (auto _ : state) {
        HBITMAP bitmap = CreateDdbFromRgb(Picture().data(), kWidth, kHeight, nullptr, nullptr);
        if (!bitmap) state.SkipWithError("no bitmap");
        benchmark::DoNotOptimize(bitmap);
        DeleteObject(bitmap);
    }
    SetUseDibSection(0);
}
BENCHMARK(BM_CreateDdbFromRgb)->ArgName("dibSection")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DdbToRgb(benchmark::State& state) {
    HBITMAP bitmap = CreateDdbFromRgb(Picture().data(), kWidth, kHeight, nullptr, nullptr);
    HDC screen = GetDC(nullptr);
    for (auto _ : state) {
        UINT w = 0, h = 0;
        BYTE* rgb = DdbToRgb(bitmap, &w, &h, screen, nullptr);
        if (!rgb) state.SkipWithError("no buffer");
        GlobalFree(rgb);
    }
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
}
BENCHMARK(BM_DdbToRgb)->Unit(benchmark::kMillisecond)->UseRealTime();

// An EMF of 960 x 720 pixels and 10,000 records: header, EOF and 9,998 records in cycles of a brush made,
// selected and deleted, a rectangle, an ellipse, a polygon, a polyline, a line and a text.
const std::vector<BYTE>& TenThousandRecords() {
    using namespace mfbuild;
    static const std::vector<BYTE> file = [] {
        Emf e(25400, 19050, 4);
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFont(2, -14, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {2});
        e.Dwords(EMR_SETBKMODE, {1});
        int records = 4;  // header, the font's two, the mode
        for (int i = 0; records < 10000 - 1; ++i) {
            const int x = (i * 37) % 880, y = (i * 53) % 640;
            const int step[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
            for (int k : step) {
                if (records >= 10000 - 1) break;
                switch (k) {
                    case 0: e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, RGB(i * 7, i * 13, i * 29))); break;
                    case 1: e.Dwords(EMR_SELECTOBJECT, {1}); break;
                    case 2: e.Dwords(EMR_RECTANGLE, {x, y, x + 60, y + 40}); break;
                    case 3: e.Dwords(EMR_ELLIPSE, {x + 10, y + 10, x + 70, y + 70}); break;
                    case 4: e.Record(EMR_POLYGON16, EmfPoints({{x, y}, {x + 50, y + 5}, {x + 40, y + 45}, {x + 5, y + 30}}, true)); break;
                    case 5: e.Record(EMR_POLYLINE16, EmfPoints({{x, y + 60}, {x + 30, y}, {x + 60, y + 60}}, true)); break;
                    case 6: e.Dwords(EMR_MOVETOEX, {x, y}); break;
                    case 7: e.Dwords(EMR_LINETO, {x + 70, y + 30}); break;
                    case 8: e.Record(EMR_EXTTEXTOUTW, EmfText(x, y, "Quill")); break;
                    case 9: e.Dwords(EMR_DELETEOBJECT, {1}); break;
                }
                ++records;
            }
        }
        return e.Finish();
    }();
    return file;
}

void BM_PlayEmf10000Records(benchmark::State& state) {
    const std::vector<BYTE>& file = TenThousandRecords();
    for (auto _ : state) {
        ErrorCode err = ErrorCode::None;
        UINT w = 0, h = 0;
        BYTE* rgb = px::ReadMetafileFromMemory(err, file.data(), file.size(), &w, &h, 100, 100, 0x808080);
        if (!rgb || w != 960 || h != 720) state.SkipWithError("the metafile did not play");
        GlobalFree(rgb);
    }
}
BENCHMARK(BM_PlayEmf10000Records)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
