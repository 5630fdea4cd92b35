// The TIFF codec over libtiff: libtiff opened on a Stream through client procedures, the page reader
// through libtiff's RGBA conversion, the page count, the single-page writers, and the TIFF options of the
// thread state.
//
// Every libtiff handle gets its own error and warning handlers (messages go to the debug trace) and the
// library's allocation limit, so threads may decode at once and a file cannot make libtiff allocate more
// than the library itself would.
#include <tiffio.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxstream.h"

namespace px {

namespace {

// ---- Glue: the stream is libtiff's client handle ----

Stream* StreamOf(thandle_t handle) { return static_cast<Stream*>(handle); }

tmsize_t TiffReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    if (size < 0 || static_cast<uint64_t>(size) > UINT32_MAX) return 0;
    return StreamOf(handle)->ReadExact(buffer, static_cast<UINT>(size)) ? size : 0;
}

tmsize_t TiffWriteProc(thandle_t handle, void* buffer, tmsize_t size) {
    if (size < 0 || static_cast<uint64_t>(size) > UINT32_MAX) return 0;
    return StreamOf(handle)->Write(buffer, static_cast<UINT>(size)) ? size : 0;
}

// Offsets arrive unsigned; as signed values they must fit the stream's 32-bit seek. A failure is
// (toff_t)-1, which libtiff tells apart from offset 0.
toff_t TiffSeekProc(thandle_t handle, toff_t offset, int whence) {
    constexpr toff_t kFailed = static_cast<toff_t>(-1);
    const int origin = whence == 1 ? 1 : whence == 2 ? 2 : 0;
    const int64_t signedOffset = static_cast<int64_t>(offset);
    if (signedOffset < INT32_MIN || signedOffset > INT32_MAX) return kFailed;
    Stream* stream = StreamOf(handle);
    if (!stream->Seek(static_cast<LONG>(signedOffset), origin)) return kFailed;
    return stream->Tell();
}

// The caller closes its own handle.
int TiffCloseProc(thandle_t) { return 1; }

toff_t TiffSizeProc(thandle_t handle) { return StreamOf(handle)->Size(); }

int TiffMapProc(thandle_t, void**, toff_t*) { return 0; }

void TiffUnmapProc(thandle_t, void*, toff_t) {}

int TiffMessageHandler(TIFF*, void*, const char* module, const char* format, va_list args) {
    char message[1024];
    std::vsnprintf(message, sizeof(message), format, args);
    if (module) {
        DebugTrace(module);
        DebugTrace(": ");
    }
    DebugTrace(message);
    DebugTrace("\n");
    return 1;  // handled: libtiff's process-wide handlers stay silent
}

TIFF* OpenTiffOnStream(Stream& stream, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(AllocationLimit() - 1));
    TIFFOpenOptionsSetErrorHandlerExtR(options, TiffMessageHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, TiffMessageHandler, nullptr);
    const StreamBlock* block = stream.Block();
    const char* name = block->m_nKind == kFileStream ? block->m_szPath : "";
    TIFF* tif = TIFFClientOpenExt(name, mode, &stream, TiffReadProc, TiffWriteProc, TiffSeekProc, TiffCloseProc,
                                  TiffSizeProc, TiffMapProc, TiffUnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

// Closes the handle once, on every path.
class TiffHandle {
public:
    explicit TiffHandle(TIFF* tif) : m_tif(tif) {}
    ~TiffHandle() { Close(); }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;
    TIFF* Get() const { return m_tif; }
    void Close() {
        if (m_tif) TIFFClose(m_tif);
        m_tif = nullptr;
    }

private:
    TIFF* m_tif;
};

// ---- Reading ----

// A resolution as a whole number; one that is negative, not finite or past a UINT counts as absent.
UINT WholeResolution(float value) {
    if (!std::isfinite(value) || value < 0 || value >= 4294967296.0f) return kAbsent;
    return static_cast<UINT>(value);
}

BYTE* ReadTiffPage(ErrorCode& err, Stream& stream, UINT& width, UINT& height, UINT page) {
    DepthGuard depth;
    width = height = 0;
    if (!stream.Rewind()) {
        err = ErrorCode::FileRead;
        return nullptr;
    }
    TiffHandle tif(OpenTiffOnStream(stream, "r"));
    if (!tif.Get() || !TIFFSetDirectory(tif.Get(), page)) {
        err = ErrorCode::BadTiff;
        return nullptr;
    }
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif.Get(), message)) {
        DebugTrace(message);
        err = ErrorCode::BadTiff;
        return nullptr;
    }
    uint32_t w = 0, h = 0;
    TIFFGetField(tif.Get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif.Get(), TIFFTAG_IMAGELENGTH, &h);
    ThreadState& state = GetThreadState();
    state.m_nTiffResUnit = state.m_nTiffResX = state.m_nTiffResY = kAbsent;
    uint16_t unit = 0;
    float resolution = 0;
    if (TIFFGetField(tif.Get(), TIFFTAG_RESOLUTIONUNIT, &unit)) state.m_nTiffResUnit = unit;
    if (TIFFGetField(tif.Get(), TIFFTAG_XRESOLUTION, &resolution)) state.m_nTiffResX = WholeResolution(resolution);
    if (TIFFGetField(tif.Get(), TIFFTAG_YRESOLUTION, &resolution)) state.m_nTiffResY = WholeResolution(resolution);
    if (w == 0 || h == 0) {
        err = ErrorCode::BadTiff;
        return nullptr;
    }

    // libtiff's raster: w x h pixels of red, green, blue, alpha in memory order, bottom row first.
    GlobalBuffer raster(SizeMul(w, h, 4));
    if (!raster) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    if (!TIFFReadRGBAImage(tif.Get(), w, h, reinterpret_cast<uint32_t*>(raster.Get()), 1)) {
        err = ErrorCode::BadTiff;
        return nullptr;
    }
    // Each row compacts to 3-byte pixels at r x w x 3; moving forward, no byte is overwritten before
    // it was read.
    BYTE* p = raster.Get();
    for (UINT r = 0; r < h; ++r) {
        const BYTE* src = p + size_t{r} * w * 4;
        BYTE* dst = p + size_t{r} * w * 3;
        for (UINT x = 0; x < w; ++x, src += 4, dst += 3) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
        if (ProgressStops(r, h, AbortRule::OnFalseOrNegative)) {
            err = ErrorCode::Aborted;
            return nullptr;
        }
    }
    if (!FlipVertical(err, p, w * 3, h)) return nullptr;
    width = w;
    height = h;
    return raster.Release();
}

UINT CountTiffPages(ErrorCode& err, Stream& stream) {
    DepthGuard depth;
    TiffHandle tif(OpenTiffOnStream(stream, "r"));
    if (!tif.Get()) {
        err = ErrorCode::BadTiff;
        return 0;
    }
    return TIFFNumberOfDirectories(tif.Get()) & 0xFFFF;
}

// ---- Writing ----

UINT WriteTiff(ErrorCode& err, Stream& stream, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
               bool b8Bit) {
    DepthGuard depth;
    if (!pixels || (b8Bit && !palette) || width == 0 || height == 0) {
        err = ErrorCode::BadParam;
        return 0;
    }
    const ThreadState& state = GetThreadState();
    const size_t rowBytes = size_t{width} * (b8Bit ? 1 : 3);
    // libtiff may encode a row in place, so it gets a copy of each.
    GlobalBuffer row(rowBytes);
    if (!row) {
        err = ErrorCode::OutOfMemory;
        return 0;
    }
    TiffHandle tif(OpenTiffOnStream(stream, "w"));
    TIFF* t = tif.Get();
    if (!t) {
        err = ErrorCode::BadTiff;
        return 0;
    }
    const std::string software = std::string("Pixmill, using ") + TIFFGetVersion();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t{width});
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t{height});
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, static_cast<uint16_t>(state.m_nTiffOutResUnit));
    TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<double>(state.m_nTiffOutResX));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<double>(state.m_nTiffOutResY));
    TIFFSetField(t, TIFFTAG_SOFTWARE, software.c_str());
    // The strip size libtiff suggests depends on these, so they come first.
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, b8Bit ? 1 : 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, b8Bit ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    UINT compression = state.m_nTiffCompression;
    if (b8Bit && compression == COMPRESSION_JPEG) compression = COMPRESSION_NONE;
    if (compression > 0xFFFF || !TIFFSetField(t, TIFFTAG_COMPRESSION, compression)) {
        err = ErrorCode::BadTiff;
        return 0;
    }
    if (b8Bit) {
        uint16_t map[3][256];
        for (int i = 0; i < 256; ++i) {
            map[0][i] = static_cast<uint16_t>(palette[i].rgbRed / 255.0 * 65535.0 + 0.5);
            map[1][i] = static_cast<uint16_t>(palette[i].rgbGreen / 255.0 * 65535.0 + 0.5);
            map[2][i] = static_cast<uint16_t>(palette[i].rgbBlue / 255.0 * 65535.0 + 0.5);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
    }
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));

    for (UINT y = 0; y < height; ++y) {
        std::memcpy(row.Get(), pixels + y * rowBytes, rowBytes);
        if (TIFFWriteScanline(t, row.Get(), y, 0) < 0) {
            err = ErrorCode::FileWrite;
            return 0;
        }
        if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) {
            err = ErrorCode::Aborted;
            return 0;
        }
    }
    // The last strip and the directory are written here; a failure must not pass for a written file.
    if (!TIFFFlush(t)) {
        err = ErrorCode::FileWrite;
        return 0;
    }
    tif.Close();
    return stream.Size();
}

}  // namespace

}  // namespace px

using px::GetThreadState;

BYTE* ReadTiffToRgb(SourceHandle source, UINT* width, UINT* height) {
    return ReadTiffPageToRgb(source, width, height, 0);
}

BYTE* ReadTiffPageToRgb(SourceHandle source, UINT* width, UINT* height, UINT page) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::ReadTiffPage(err, stream, *width, *height, page);
    });
}

UINT GetTiffPageCount(SourceHandle source) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) { return px::CountTiffPages(err, stream); });
}

UINT WriteRgbAsTiff(SinkHandle sink, const BYTE* rgb, UINT width, UINT height) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteTiff(err, stream, rgb, width, height, nullptr, false);
    });
}

UINT Write8BitAsTiff(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteTiff(err, stream, pixels, width, height, palette, true);
    });
}

void SetTiffResolution(UINT x, UINT y, UINT unit) {
    px::ThreadState& state = GetThreadState();
    state.m_nTiffOutResX = x;
    state.m_nTiffOutResY = y;
    state.m_nTiffOutResUnit = unit;
}

void SetTiffCompression(UINT compression) { GetThreadState().m_nTiffCompression = compression; }

BOOL GetTiffResolution(UINT* x, UINT* y, UINT* unit) {
    const px::ThreadState& state = GetThreadState();
    return px::HandOutResolution(state.m_nTiffResX, state.m_nTiffResY, state.m_nTiffResUnit, x, y, unit);
}
