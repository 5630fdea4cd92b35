// A page of an office program's metafile: an A4 page at 96 dots per inch (793 x 1122 pixels) holding
// 3,000 small texts, each drawn as office programs write a table cell: its state saved, the clip cut to
// the cell, the text clipped to the cell's rectangle, the state restored. Read from a file through
// ReadMetafileToRgb, as the application reads a background picture.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pixmill/pixmill.h"
#include "tests/pixmill/mfbuild.h"

namespace {

constexpr int kCells = 3000;
constexpr int kColumns = 30;

// The page's file, written once; removed at exit.
const std::string& ClippedTextPage() {
    static const std::string path = [] {
        using namespace mfbuild;
        Emf e(21000, 29700, 4);
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFont(1, -9, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Dwords(EMR_SETBKMODE, {1});
        for (int i = 0; i < kCells; ++i) {
            const int x = 10 + (i % kColumns) * 26, y = 10 + (i / kColumns) * 11;
            const RECT cell{x, y, x + 25, y + 10};
            e.Record(EMR_SAVEDC, {});
            e.Dwords(EMR_INTERSECTCLIPRECT, {cell.left, cell.top, cell.right, cell.bottom});
            e.Record(EMR_EXTTEXTOUTW, EmfText(x + 1, y, std::to_string(1000 + i * 7), 4, cell));
            e.Dwords(EMR_RESTOREDC, {-1});
        }
        const std::vector<BYTE> bytes = e.Finish();
        const std::string p = "/tmp/qs-bench-" + std::to_string(getpid()) + "-clipped-texts.emf";
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        std::atexit([] { std::remove(ClippedTextPage().c_str()); });
        return p;
    }();
    return path;
}

void BM_ReadMetafileClippedTexts(benchmark::State& state) {
    const std::string& path = ClippedTextPage();
    for (auto _ : state) {
        UINT w = 0, h = 0;
        BYTE* rgb = ReadMetafileToRgb(path.c_str(), &w, &h, 100, 100, 0x808080);
        if (!rgb || w != 793 || h != 1122) state.SkipWithError("the metafile did not play");
        GlobalFree(rgb);
    }
}
BENCHMARK(BM_ReadMetafileClippedTexts)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
