// The image library on a 4000 x 3000 picture: BMP and TGA decoding side by side with stb_image on the
// same bytes, PCX decoding, and the quantiser that every background load runs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "pixmill/pixmill.h"
#include "stb_image.h"

namespace {

constexpr UINT kWidth = 4000;
constexpr UINT kHeight = 3000;

using Bytes = std::vector<BYTE>;

// A photograph-like picture: smooth gradients with fine noise, so run-length coders find few runs and
// the quantiser sees many colours.
const Bytes& Picture() {
    static const Bytes rgb = [] {
        Bytes v(size_t{kWidth} * kHeight * 3);
        uint32_t s = 12345;
        for (UINT y = 0; y < kHeight; ++y)
            for (UINT x = 0; x < kWidth; ++x) {
                s = s * 1664525u + 1013904223u;
                BYTE* p = &v[(size_t{y} * kWidth + x) * 3];
                const int noise = static_cast<int>(s >> 29) - 4;
                p[0] = static_cast<BYTE>(std::clamp(static_cast<int>(x * 255 / kWidth) + noise, 0, 255));
                p[1] = static_cast<BYTE>(std::clamp(static_cast<int>(y * 255 / kHeight) + noise, 0, 255));
                p[2] = static_cast<BYTE>(std::clamp(static_cast<int>((x + y) * 255 / (kWidth + kHeight)) - noise, 0, 255));
            }
        return v;
    }();
    return rgb;
}

Bytes Encode(UINT (*writer)(SinkHandle, const BYTE*, UINT, UINT)) {
    Bytes out(size_t{kWidth} * kHeight * 4 + 4096);
    SinkHandle sink = OpenMemorySink(out.data(), static_cast<UINT>(out.size()));
    const UINT n = writer(sink, Picture().data(), kWidth, kHeight);
    CloseSink(sink);
    out.resize(n);
    return out;
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

void Ours(benchmark::State& state, const Bytes& file, BYTE* (*reader)(SourceHandle, UINT*, UINT*)) {
    for (auto _ : state) {
        SourceHandle src = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
        UINT w = 0, h = 0;
        BYTE* rgb = reader(src, &w, &h);
        benchmark::DoNotOptimize(rgb);
        if (!rgb || GetLastErrorCode() != 0) state.SkipWithError("decode failed");
        GlobalFree(rgb);
        CloseSource(src);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
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
