// PNG, JPEG and TIFF decoding of the 4000 x 3000 picture from memory, each beside its library used
// alone on the same bytes for the same output: libpng with the reader's transformations into RGB rows,
// libjpeg-turbo through jpeg_mem_src with the same DCT method, and libtiff's TIFFReadRGBAImage.
#include <benchmark/benchmark.h>
#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "benchpicture.h"
#include "pixmill/pixmill.h"

namespace {

using benchpx::Bytes;
using benchpx::Encode;
using benchpx::kHeight;
using benchpx::kWidth;
using benchpx::Ours;
using benchpx::Picture;

const Bytes& PngFile() {
    static const Bytes file =
        Encode([](SinkHandle sink) { return WriteRgbAsPng(sink, Picture().data(), kWidth, kHeight, 0); });
    return file;
}

const Bytes& JpegFile() {
    static const Bytes file =
        Encode([](SinkHandle sink) { return WriteRgbAsJpeg(sink, Picture().data(), kWidth, kHeight, 90, FALSE); });
    return file;
}

const Bytes& TiffLzwFile() {
    static const Bytes file = Encode([](SinkHandle sink) {
        SetTiffCompression(5);
        const UINT n = WriteRgbAsTiff(sink, Picture().data(), kWidth, kHeight);
        SetTiffCompression(1);
        return n;
    });
    return file;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 3);
}

// ---- libpng alone ----

struct MemoryReader {
    const BYTE* p;
    size_t left;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (n > r->left) png_error(png, "short");
    std::memcpy(out, r->p, n);
    r->p += n;
    r->left -= n;
}

void BM_PngDecode(benchmark::State& state) { Ours(state, PngFile(), ReadPngToRgb); }

void BM_PngDecodeLibpng(benchmark::State& state) {
    const Bytes& file = PngFile();
    std::vector<png_bytep> rows(kHeight);
    for (auto _ : state) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        BYTE* rgb = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size_t{kWidth} * kHeight * 3));
        if (setjmp(png_jmpbuf(png))) {
            state.SkipWithError("libpng failed");
            break;
        }
        MemoryReader reader{file.data(), file.size()};
        png_set_read_fn(png, &reader, ReadFromMemory);
        png_read_info(png, info);
        png_color_16 black{};
        png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        png_set_gamma(png, 2.9, 1 / 2.9);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        for (UINT y = 0; y < kHeight; ++y) rows[y] = rgb + size_t{y} * kWidth * 3;
        png_read_image(png, rows.data());
        png_read_end(png, info);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(rgb);
        GlobalFree(rgb);
    }
    SetBytes(state);
}

// ---- libjpeg-turbo alone ----

void BM_JpegDecode(benchmark::State& state) { Ours(state, JpegFile(), ReadJpegToRgb); }

void BM_JpegDecodeLibjpeg(benchmark::State& state) {
    const Bytes& file = JpegFile();
    std::vector<JSAMPROW> rows(kHeight);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        BYTE* rgb = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size_t{kWidth} * kHeight * 3));
        for (UINT y = 0; y < kHeight; ++y) rows[y] = rgb + size_t{y} * kWidth * 3;
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, &rows[cinfo.output_scanline], cinfo.output_height - cinfo.output_scanline);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(rgb);
        GlobalFree(rgb);
    }
    SetBytes(state);
}

// ---- libtiff alone ----

struct TiffMemory {
    const Bytes* file;
    toff_t pos;
};

tmsize_t TiffRead(thandle_t h, void* buf, tmsize_t n) {
    auto* m = static_cast<TiffMemory*>(h);
    const toff_t size = m->file->size();
    const tmsize_t k = m->pos >= size ? 0 : static_cast<tmsize_t>(std::min<toff_t>(static_cast<toff_t>(n), size - m->pos));
    std::memcpy(buf, m->file->data() + m->pos, static_cast<size_t>(k));
    m->pos += static_cast<toff_t>(k);
    return k;
}
tmsize_t TiffWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<TiffMemory*>(h);
    m->pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->pos + off : m->file->size() + off;
    return m->pos;
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TiffMemory*>(h)->file->size(); }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

void BM_TiffLzwDecode(benchmark::State& state) { Ours(state, TiffLzwFile(), ReadTiffToRgb); }

void BM_TiffLzwReadRGBAImage(benchmark::State& state) {
    const Bytes& file = TiffLzwFile();
    for (auto _ : state) {
        TiffMemory memory{&file, 0};
        TIFF* tif = TIFFClientOpen("", "r", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap,
                                   TiffUnmap);
        auto* raster =
            static_cast<uint32_t*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size_t{kWidth} * kHeight * 4));
        if (!tif || !TIFFReadRGBAImage(tif, kWidth, kHeight, raster, 1)) state.SkipWithError("libtiff failed");
        if (tif) TIFFClose(tif);
        benchmark::DoNotOptimize(raster);
        GlobalFree(raster);
    }
    SetBytes(state);
}

BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecodeLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecodeLibjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLzwDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLzwReadRGBAImage)->Unit(benchmark::kMillisecond);

}  // namespace
