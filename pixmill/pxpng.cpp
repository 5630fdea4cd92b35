// The PNG codec over libpng: the I/O and error callbacks that connect libpng to a Stream, the readers
// into RGB and RGBA with their transformations, the writers of RGB and palette images, and the PNG
// options and text lists of the thread state.
//
// libpng reports errors by longjmp out of the failing call. The functions that call libpng (the *Run
// functions) therefore keep everything in a plain job record and hold no object with a destructor:
// after a jump they return, and their caller, which makes no libpng call that can fail, frees what the
// job holds.
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "pixmill/pxstream.h"

namespace px {

namespace {

// ---- Glue ----

void PngReadCallback(png_structp png, png_bytep buffer, size_t length) {
    Stream* stream = static_cast<Stream*>(png_get_io_ptr(png));
    if (length > UINT32_MAX || !stream->ReadExact(buffer, static_cast<UINT>(length))) png_error(png, "read Error");
}

void PngWriteCallback(png_structp png, png_bytep buffer, size_t length) {
    Stream* stream = static_cast<Stream*>(png_get_io_ptr(png));
    if (length > UINT32_MAX || !stream->Write(buffer, static_cast<UINT>(length))) png_error(png, "Write error");
}

void PngFlushCallback(png_structp) {}

// Installed per struct: never returns, it jumps back to the setjmp of the running job.
[[noreturn]] void PngErrorCallback(png_structp png, png_const_charp message) {
    DebugTrace(message);
    png_longjmp(png, 1);
}

void PngWarningCallback(png_structp, png_const_charp message) { DebugTrace(message); }

// libpng's own blocks. Its largest real need is a few rows of a million 8-byte pixels (libpng refuses
// wider images), and it decompresses no text or profile past 8 MB; but it reserves and clears the whole
// length of an ancillary chunk before reading it. So a chunk that claims more than this, or a block at
// the allocation limit, is refused: the read fails at once instead of clearing gigabytes first.
constexpr png_alloc_size_t kPngBlockMax = png_alloc_size_t{32} << 20;

png_voidp PngMalloc(png_structp, png_alloc_size_t size) {
    return size < kPngBlockMax && size < AllocationLimit() ? std::malloc(size) : nullptr;
}

void PngFree(png_structp, png_voidp p) { std::free(p); }

// A read or write struct with the codec's handlers and memory, and its info struct; false when either
// cannot be made (what was made is left for the caller to destroy).
bool CreatePng(png_structp& png, png_infop& info, bool bWrite) {
    png = bWrite ? png_create_write_struct_2(PNG_LIBPNG_VER_STRING, nullptr, PngErrorCallback, PngWarningCallback,
                                             nullptr, PngMalloc, PngFree)
                 : png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, PngErrorCallback, PngWarningCallback,
                                            nullptr, PngMalloc, PngFree);
    info = png ? png_create_info_struct(png) : nullptr;
    return info != nullptr;
}

// ---- Reading ----

struct PngReadJob {
    // in
    Stream* stream;
    bool bRgba;
    BYTE filler;
    PngColor background;
    double screenGamma;
    // libpng and work memory, freed by PngReadCleanup
    png_structp png;
    png_infop info;
    BYTE* pixels;  // the result, handed to the caller on success
    BYTE** rows;
    // out
    ErrorCode err;
    UINT width, height;
    png_textp texts;
    int nTexts;
    bool bPhys;
    png_uint_32 resX, resY;
    int resUnit;
};

void PngReadRun(PngReadJob* job) {
    if (!CreatePng(job->png, job->info, false)) {
        job->err = ErrorCode::PngInternal;
        return;
    }
    if (setjmp(png_jmpbuf(job->png))) {
        job->err = ErrorCode::BadPng;
        return;
    }
    png_structp png = job->png;
    png_infop info = job->info;
    png_set_read_fn(png, job->stream, PngReadCallback);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);

    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (!job->bRgba) {
        png_color_16p fileBackground = nullptr;
        if (png_get_bKGD(png, info, &fileBackground)) {
            png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        } else {
            png_color_16 background{job->background.index, job->background.red, job->background.green,
                                    job->background.blue, job->background.gray};
            png_set_background(png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        }
    } else if (!(colorType & PNG_COLOR_MASK_ALPHA)) {
        png_set_filler(png, job->filler, PNG_FILLER_AFTER);
    }
    // Without gAMA the file is taken to suit the screen: no correction.
    double fileGamma = 0;
    if (!png_get_gAMA(png, info, &fileGamma)) fileGamma = 1.0 / job->screenGamma;
    png_set_gamma(png, job->screenGamma, fileGamma);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const uint64_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != SizeMul(width, job->bRgba ? 4 : 3)) {
        job->err = ErrorCode::Unexpected;
        return;
    }
    job->pixels = static_cast<BYTE*>(AllocBlock(SizeMul(rowBytes, height)));
    job->rows = static_cast<BYTE**>(AllocBlock(SizeMul(height, sizeof(BYTE*))));
    if (!job->pixels || !job->rows) {
        job->err = ErrorCode::OutOfMemory;
        return;
    }
    for (png_uint_32 y = 0; y < height; ++y) job->rows[y] = job->pixels + y * rowBytes;

    // Progress counts rows of all passes together, so an interlaced image reports once per image row.
    uint64_t nRowsRead = 0;
    UINT lastDone = 0;
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, job->rows[y], nullptr);
            const UINT done = static_cast<UINT>(++nRowsRead / passes);
            if (done != lastDone) {
                lastDone = done;
                if (ProgressStops(done, height, AbortRule::OnFalse)) {
                    job->err = ErrorCode::Aborted;
                    return;
                }
            }
        }
    }
    png_read_end(png, info);
    job->width = width;
    job->height = height;
    job->nTexts = png_get_text(png, info, &job->texts, nullptr);
    int unit = 0;
    job->bPhys = png_get_pHYs(png, info, &job->resX, &job->resY, &unit) != 0;
    job->resUnit = unit;
}

// Frees what a read job holds (the result too, unless it was handed on).
struct PngReadCleanup {
    PngReadJob& job;
    ~PngReadCleanup() {
        if (job.png) png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr);
        if (job.rows) GlobalFree(job.rows);
        if (job.pixels) GlobalFree(job.pixels);
    }
};

BYTE* ReadPng(ErrorCode& err, Stream& stream, UINT& width, UINT& height, bool bRgba, BYTE filler) {
    DepthGuard depth;
    width = height = 0;
    ThreadState& state = GetThreadState();
    state.m_pngTextsRead.clear();
    PngReadJob job{};
    job.stream = &stream;
    job.bRgba = bRgba;
    job.filler = filler;
    job.background = state.m_pngBackground;
    job.screenGamma = state.m_dPngScreenGamma;
    PngReadCleanup cleanup{job};
    PngReadRun(&job);
    if (job.err != ErrorCode::None) {
        err = job.err;
        return nullptr;
    }
    for (int i = 0; i < job.nTexts; ++i) {
        const png_text& t = job.texts[i];
        // libpng gives an iTXt's length in itxt_length (text_length is 0): its text is the file's UTF-8
        // bytes.
        const bool bInternational =
            t.compression == PNG_ITXT_COMPRESSION_NONE || t.compression == PNG_ITXT_COMPRESSION_zTXt;
        const size_t length = bInternational ? t.itxt_length : t.text_length;
        if (!t.key || length >= 0x7FFFFFFF) continue;
        const bool bCompressed =
            t.compression == PNG_TEXT_COMPRESSION_zTXt || t.compression == PNG_ITXT_COMPRESSION_zTXt;
        state.m_pngTextsRead.push_back(
            PngText{t.key, std::string(t.text ? t.text : "", t.text ? length : 0), bCompressed ? 1u : 0u});
    }
    state.m_nPngResX = job.bPhys ? job.resX : kAbsent;
    state.m_nPngResY = job.bPhys ? job.resY : kAbsent;
    state.m_nPngResUnit = job.bPhys ? static_cast<UINT>(job.resUnit) : kAbsent;
    width = job.width;
    height = job.height;
    BYTE* pixels = job.pixels;
    job.pixels = nullptr;
    return pixels;
}

// ---- Writing ----

struct PngWriteJob {
    // in
    Stream* stream;
    const BYTE* pixels;
    UINT width, height;
    bool b8Bit;
    const png_color* palette;  // 256 entries (8-bit)
    const BYTE* transparency;  // 256 entries, or NULL
    double gamma;
    png_color_16 background;
    UINT resX, resY, resUnit;
    png_text* texts;
    int nTexts;
    // libpng, freed by the caller
    png_structp png;
    png_infop info;
    // out
    ErrorCode err;
    bool bAborted;  // the rows stopped at the progress callback's request
};

void PngWriteRun(PngWriteJob* job) {
    if (!CreatePng(job->png, job->info, true)) {
        job->err = ErrorCode::PngInternal;
        return;
    }
    if (setjmp(png_jmpbuf(job->png))) {
        // A failed write after an abort still reports the abort.
        job->err = job->bAborted ? ErrorCode::Aborted : ErrorCode::PngInternal;
        return;
    }
    png_structp png = job->png;
    png_infop info = job->info;
    png_set_write_fn(png, job->stream, PngWriteCallback, PngFlushCallback);
    png_set_IHDR(png, info, job->width, job->height, 8, job->b8Bit ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job->b8Bit) {
        png_set_PLTE(png, info, job->palette, 256);
        if (job->transparency) png_set_tRNS(png, info, job->transparency, 256, nullptr);
    }
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc)) {
        png_time modified{};
        png_convert_from_struct_tm(&modified, &utc);
        png_set_tIME(png, info, &modified);
    }
    png_set_bKGD(png, info, &job->background);
    png_set_pHYs(png, info, job->resX, job->resY, static_cast<int>(job->resUnit));
    if (job->gamma > 0) png_set_gAMA(png, info, job->gamma);
    if (job->nTexts > 0) png_set_text(png, info, job->texts, job->nTexts);
    png_write_info(png, info);
    png_set_packing(png);
    const int passes = png_set_interlace_handling(png);
    const size_t rowBytes = size_t{job->width} * (job->b8Bit ? 1 : 3);
    uint64_t nRowsWritten = 0;
    UINT lastDone = 0;
    for (int pass = 0; pass < passes && !job->bAborted; ++pass) {
        for (UINT y = 0; y < job->height; ++y) {
            png_write_row(png, job->pixels + y * rowBytes);
            const UINT done = static_cast<UINT>(++nRowsWritten / passes);
            if (done != lastDone) {
                lastDone = done;
                if (ProgressStops(done, job->height, AbortRule::OnFalseOrNegative)) {
                    job->bAborted = true;
                    break;
                }
            }
        }
    }
    png_write_end(png, info);
    if (job->bAborted) job->err = ErrorCode::Aborted;
}

UINT WritePng(ErrorCode& err, Stream& stream, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
              bool b8Bit, double gamma) {
    DepthGuard depth;
    if (!pixels || (b8Bit && !palette)) {
        err = ErrorCode::BadParam;
        return 0;
    }
    ThreadState& state = GetThreadState();
    PngWriteJob job{};
    job.stream = &stream;
    job.pixels = pixels;
    job.width = width;
    job.height = height;
    job.b8Bit = b8Bit;
    job.gamma = gamma;
    const PngColor& bg = state.m_pngBackground;
    job.background = png_color_16{bg.index, bg.red, bg.green, bg.blue, bg.gray};
    job.resX = state.m_nPngOutResX;
    job.resY = state.m_nPngOutResY;
    job.resUnit = state.m_nPngOutResUnit;

    png_color plte[256];
    BYTE trans[256];
    if (b8Bit) {
        for (int i = 0; i < 256; ++i) {
            plte[i] = png_color{palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
            trans[i] = palette[i].rgbReserved;
        }
        job.palette = plte;
        if (state.m_bPngPaletteAlpha) job.transparency = trans;
    }
    // libpng copies the texts into its own structures.
    std::vector<png_text> texts;
    texts.reserve(state.m_pngTextsToWrite.size());
    for (const PngText& t : state.m_pngTextsToWrite) {
        png_text text{};
        text.compression = t.compression > 0 ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>(t.key.c_str());
        text.text = const_cast<char*>(t.text.c_str());
        text.text_length = t.text.size();
        texts.push_back(text);
    }
    job.texts = texts.data();
    job.nTexts = static_cast<int>(texts.size());

    PngWriteRun(&job);
    if (job.png) png_destroy_write_struct(&job.png, job.info ? &job.info : nullptr);
    if (job.err != ErrorCode::None) {
        err = job.err;
        return 0;
    }
    state.m_pngTextsToWrite.clear();
    return stream.Size();
}

// ---- Lists ----

// Copies of one text entry into the caller's pointers (each may be NULL); FALSE when out of range or a
// copy cannot be had.
BOOL CopyPngText(const std::vector<PngText>& list, UINT index, char** key, char** text, DWORD* compressed) {
    if (key) *key = nullptr;
    if (text) *text = nullptr;
    if (compressed) *compressed = 0;
    if (index >= list.size()) return FALSE;
    const PngText& t = list[index];
    char* keyCopy = key ? static_cast<char*>(CopyToBlock(t.key.data(), t.key.size(), true)) : nullptr;
    char* textCopy = text ? static_cast<char*>(CopyToBlock(t.text.data(), t.text.size(), true)) : nullptr;
    if ((key && !keyCopy) || (text && !textCopy)) {
        GlobalFree(keyCopy);
        GlobalFree(textCopy);
        return FALSE;
    }
    if (key) *key = keyCopy;
    if (text) *text = textCopy;
    if (compressed) *compressed = t.compression;
    return TRUE;
}

}  // namespace

}  // namespace px

using px::GetThreadState;

BYTE* ReadPngToRgb(SourceHandle source, UINT* width, UINT* height) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::ReadPng(err, stream, *width, *height, false, 0);
    });
}

BYTE* ReadPngToRgba(SourceHandle source, UINT* width, UINT* height, BYTE filler) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::ReadPng(err, stream, *width, *height, true, filler);
    });
}

UINT WriteRgbAsPng(SinkHandle sink, const BYTE* rgb, UINT width, UINT height, double gamma) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WritePng(err, stream, rgb, width, height, nullptr, false, gamma);
    });
}

UINT Write8BitAsPng(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
                    double gamma) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WritePng(err, stream, pixels, width, height, palette, true, gamma);
    });
}

void SetPngScreenGamma(double gamma) { GetThreadState().m_dPngScreenGamma = gamma; }

void SetPngBackground(BYTE index, WORD red, WORD green, WORD blue, WORD gray) {
    GetThreadState().m_pngBackground = px::PngColor{index, red, green, blue, gray};
}

void SetPngPaletteAlpha(BOOL flag) { GetThreadState().m_bPngPaletteAlpha = flag; }

void SetPngResolution(UINT x, UINT y, UINT unit) {
    px::ThreadState& state = GetThreadState();
    state.m_nPngOutResX = x;
    state.m_nPngOutResY = y;
    state.m_nPngOutResUnit = unit;
}

BOOL GetPngResolution(UINT* x, UINT* y, UINT* unit) {
    const px::ThreadState& state = GetThreadState();
    return px::HandOutResolution(state.m_nPngResX, state.m_nPngResY, state.m_nPngResUnit, x, y, unit);
}

UINT GetPngTextCount() { return static_cast<UINT>(GetThreadState().m_pngTextsRead.size()); }

BOOL GetPngText(UINT index, char** key, char** text, DWORD* compressed) {
    return px::CopyPngText(GetThreadState().m_pngTextsRead, index, key, text, compressed);
}

BOOL ClearPngTexts() {
    GetThreadState().m_pngTextsRead.clear();
    return TRUE;
}

UINT GetPngWriteTextCount() { return static_cast<UINT>(GetThreadState().m_pngTextsToWrite.size()); }

BOOL GetPngWriteText(UINT index, char** key, char** text, DWORD* compressed) {
    return px::CopyPngText(GetThreadState().m_pngTextsToWrite, index, key, text, compressed);
}

BOOL AddPngText(const char* text, const char* key, DWORD compressed) {
    if (!key || !*key) return FALSE;
    try {
        GetThreadState().m_pngTextsToWrite.push_back(px::PngText{key, text ? text : "", compressed});
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL ClearPngWriteTexts() {
    GetThreadState().m_pngTextsToWrite.clear();
    return TRUE;
}
