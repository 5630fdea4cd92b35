// The background-image wrapper on the 4000 x 3000 picture: ReadImage over a memory source (the reader,
// the resolution and the 256-colour palette), to compare with BM_JpegDecodeLibjpeg and
// BM_PngDecodeLibpng of the same run; and the time to the first laid-out frame: Load from a file, the
// palette, CreateBitmap and the stretched layout onto a 1280 x 720 client. The palette's histogram runs on
// the work pool (for a JPEG behind the decoder, while it decodes): run once with QS_THREADS=1 and once
// without for the one-thread and all-core figures, the benchmarks interleaved and repeated, e.g.
//   bench_pixmill --benchmark_filter='RgbImageRead|JpegDecodeLibjpeg|PngDecodeLibpng|ComputeOptimalPalette'
//                 --benchmark_repetitions=15 --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "benchpicture.h"
#include "platform/gdi/dc.h"
#include "quillstorm/pximage.h"

namespace {

using benchpx::Bytes;
using benchpx::kHeight;
using benchpx::kWidth;

const Bytes& Jpeg() {
    static const Bytes file = benchpx::Encode(
        [](SinkHandle sink) { return WriteRgbAsJpeg(sink, benchpx::Picture().data(), kWidth, kHeight, 90, FALSE); });
    return file;
}

const Bytes& Png() {
    static const Bytes file = benchpx::Encode(
        [](SinkHandle sink) { return WriteRgbAsPng(sink, benchpx::Picture().data(), kWidth, kHeight, 0); });
    return file;
}

// The bytes as a file in the temporary folder (kept for the process's lifetime).
std::string AsFile(const Bytes& bytes, const char* name) {
    const std::string path = std::string("/tmp/qs-bench-") + std::to_string(getpid()) + "-" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

void ReadImage(benchmark::State& state, const Bytes& file, int nType) {
    for (auto _ : state) {
        CRgbImage image;
        SourceHandle source = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
        if (image.ReadImage(source, nType) != 0) state.SkipWithError("read failed");
        CloseSource(source);
        benchmark::DoNotOptimize(image.m_hBuffer);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
}

void FirstFrame(benchmark::State& state, const Bytes& file, const char* name) {
    const std::string path = AsFile(file, name);
    constexpr int W = 1280, H = 720;
    for (auto _ : state) {
        CRgbImage image;
        if (image.Load(path.c_str()) != 0) {
            state.SkipWithError("load failed");
            break;
        }
        CBitmap bitmap, scaled;
        image.CreateBitmap(&bitmap, nullptr);
        scaled.CreateCompatibleBitmap(nullptr, W, H);
        CDC imageDC, temp;
        imageDC.CreateCompatibleDC(nullptr);
        temp.CreateCompatibleDC(nullptr);
        CBitmap* pOldImage = imageDC.SelectObject(&bitmap);
        CBitmap* pOldTemp = temp.SelectObject(&scaled);
        const CSize size = image.GetSize();
        temp.StretchBlt(0, 0, W, H, &imageDC, 0, 0, size.cx, size.cy, SRCCOPY);
        imageDC.SelectObject(pOldImage);
        temp.SelectObject(pOldTemp);
        benchmark::DoNotOptimize(scaled.GetSurface().Bits());
    }
    std::remove(path.c_str());
}

void BM_RgbImageReadJpeg(benchmark::State& state) { ReadImage(state, Jpeg(), IFT_JPEG); }
void BM_RgbImageReadPng(benchmark::State& state) { ReadImage(state, Png(), IFT_PNG); }
void BM_RgbImageFirstFrameJpeg(benchmark::State& state) { FirstFrame(state, Jpeg(), "first.jpg"); }
void BM_RgbImageFirstFramePng(benchmark::State& state) { FirstFrame(state, Png(), "first.png"); }

}  // namespace

BENCHMARK(BM_RgbImageReadJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RgbImageReadPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RgbImageFirstFrameJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RgbImageFirstFramePng)->Unit(benchmark::kMillisecond);
