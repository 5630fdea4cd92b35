// The image library on a 4000 x 3000 picture: BMP and TGA decoding side by side with stb_image on the
// same bytes, PCX decoding, and the quantiser that every background load runs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "benchpicture.h"
#include "pixmill/pixmill.h"
#include "stb_image.h"

namespace {

using benchpx::Bytes;
using benchpx::kHeight;
using benchpx::kWidth;
using benchpx::Ours;
using benchpx::Picture;

Bytes Encode(UINT (*writer)(SinkHandle, const BYTE*, UINT, UINT)) {
    return benchpx::Encode([writer](SinkHandle sink) { return writer(sink, Picture().data(), kWidth, kHeight); });
}

const Bytes& BmpFile() {
    static const Bytes file = Encode(WriteRgbAsBmp);
    return file;
}
const Bytes& TgaFile() {
    static const Bytes file = Encode(WriteRgbAsTga);
    return file;
}
const Bytes& PcxFile() {
    static const Bytes file = Encode(WriteRgbAsPcx);
    return file;
}

void Stb(benchmark::State& state, const Bytes& file) {
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        stbi_uc* rgb = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 3);
        benchmark::DoNotOptimize(rgb);
        if (!rgb) state.SkipWithError("stb decode failed");
        stbi_image_free(rgb);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
}

void BM_BmpDecode(benchmark::State& state) { Ours(state, BmpFile(), ReadBmpToRgb); }
void BM_BmpDecodeStb(benchmark::State& state) { Stb(state, BmpFile()); }
void BM_TgaDecode(benchmark::State& state) { Ours(state, TgaFile(), ReadTgaToRgb); }
void BM_TgaDecodeStb(benchmark::State& state) { Stb(state, TgaFile()); }
void BM_PcxDecode(benchmark::State& state) { Ours(state, PcxFile(), ReadPcxToRgb); }

void BM_ComputeOptimalPalette(benchmark::State& state) {
    RGBQUAD palette[256];
    for (auto _ : state) {
        if (!ComputeOptimalPalette(Picture().data(), kWidth, kHeight, 256, palette)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(palette);
    }
}

void BM_ReduceRgbTo8Bit(benchmark::State& state) {
    RGBQUAD palette[256];
    Bytes out(size_t{kWidth} * kHeight);
    for (auto _ : state) {
        if (!ReduceRgbTo8Bit(Picture().data(), kWidth, kHeight, out.data(), 256, palette)) state.SkipWithError("failed");
        benchmark::DoNotOptimize(out.data());
    }
}

BENCHMARK(BM_BmpDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecodeStb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaDecodeStb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeOptimalPalette)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceRgbTo8Bit)->Unit(benchmark::kMillisecond);

}  // namespace
