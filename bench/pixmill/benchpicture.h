// The picture the image-library benchmarks decode: 4000 x 3000, photograph-like (smooth gradients with
// fine noise, so run-length coders find few runs and the quantiser sees many colours).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "pixmill/pixmill.h"

namespace benchpx {

constexpr UINT kWidth = 4000;
constexpr UINT kHeight = 3000;

using Bytes = std::vector<BYTE>;

// RGB, top row first.
inline const Bytes& Picture() {
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

// The bytes `write(sink)` writes into a memory sink large enough for any encoding of the picture.
template <class Write>
Bytes Encode(Write write) {
    Bytes out(size_t{kWidth} * kHeight * 4 + 65536);
    SinkHandle sink = OpenMemorySink(out.data(), static_cast<UINT>(out.size()));
    const UINT n = write(sink);
    CloseSink(sink);
    out.resize(n);
    return out;
}

// Decodes the file from memory with one of the library's RGB readers, once per iteration.
inline void Ours(benchmark::State& state, const Bytes& file, BYTE* (*reader)(SourceHandle, UINT*, UINT*)) {
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

}  // namespace benchpx
