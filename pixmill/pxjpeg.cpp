// The JPEG codec over libjpeg (the IJG interface of libjpeg-turbo): a source and a destination manager
// that move data between libjpeg and a Stream, an error manager that turns libjpeg's fatal errors into a
// jump back to the codec, the readers into RGB and grey, the writers, and the JPEG options, comments and
// markers of the thread state.
//
// libjpeg leaves a failing call through longjmp. The functions that call libjpeg (the *Run functions)
// keep everything in a plain job record and hold no object with a destructor; each sets its own jump
// point, so the code of a failure tells the phase it happened in. Their callers free what the job holds.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxquantize.h"
#include "pixmill/pxstream.h"

static_assert(JPEG_LIB_VERSION == 62, "the codec is written for the libjpeg 6b interface");

namespace px {

namespace {

// The destination's block.
constexpr UINT kJpegBlock = 4096;
// The source's block. libjpeg-turbo decodes an MCU on its fast path only while the buffer holds at least
// 512 bytes per block of the MCU (3072 for 4:2:0 colour): with a 4096-byte block three MCUs in four
// would take the slow path, which costs a large photograph a tenth more decoding time.
constexpr UINT kJpegSourceBlock = 65536;
// What the source hands libjpeg when the data ends inside the image.
constexpr JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};
// Real progressive files have about ten scans; each scan costs a pass over the whole image.
constexpr int kMaxJpegScans = 500;

// ---- Glue ----

// libjpeg's error manager followed by the jump point of the running phase.
struct JpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
    bool bTooManyScans;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    DebugTrace(message);
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void JpegOutputMessage(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    DebugTrace(message);
    DebugTrace("\n");
}

// Called while libjpeg works through the data: refuses a file with an absurd number of scans.
void JpegProgressMonitor(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxJpegScans) return;
    JpegError* error = reinterpret_cast<JpegError*>(cinfo->err);
    error->bTooManyScans = true;
    DebugTrace("JPEG file has too many scans");
    std::longjmp(error->jump, 1);
}

void InstallJpegErrors(JpegError& error) {
    jpeg_std_error(&error.pub);
    error.pub.error_exit = JpegErrorExit;
    error.pub.output_message = JpegOutputMessage;
}

// A memory source is handed to libjpeg in place, the rest of its block at once; other streams are read
// through the buffer.
struct JpegSource {
    jpeg_source_mgr pub;
    Stream* stream;
    JOCTET* buffer;  // kJpegSourceBlock bytes; none for a memory source
    boolean bStartOfFile;
};

JpegSource* SourceOf(j_decompress_ptr cinfo) { return reinterpret_cast<JpegSource*>(cinfo->src); }

void JpegInitSource(j_decompress_ptr cinfo) { SourceOf(cinfo)->bStartOfFile = TRUE; }

boolean JpegFillInput(j_decompress_ptr cinfo) {
    JpegSource* src = SourceOf(cinfo);
    UINT n = 0;
    const JOCTET* data = src->stream->ReadRestInPlace(n);
    if (!data && src->buffer) {
        data = src->buffer;
        // A callback may claim more than it was asked for.
        n = std::min(src->stream->Read(src->buffer, kJpegSourceBlock), kJpegSourceBlock);
    }
    if (n == 0) {
        if (src->bStartOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // Data cut short: an end-of-image marker lets libjpeg finish the image.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        data = kFakeEndOfImage;
        n = sizeof(kFakeEndOfImage);
    }
    src->pub.next_input_byte = data;
    src->pub.bytes_in_buffer = n;
    src->bStartOfFile = FALSE;
    return TRUE;
}

void JpegSkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    JpegSource* src = SourceOf(cinfo);
    size_t n = static_cast<size_t>(count);
    while (n > src->pub.bytes_in_buffer) {
        n -= src->pub.bytes_in_buffer;
        JpegFillInput(cinfo);
    }
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= n;
}

void JpegTermSource(j_decompress_ptr) {}

void InstallJpegSource(j_decompress_ptr cinfo, Stream* stream) {
    if (!cinfo->src) {
        auto* src = static_cast<JpegSource*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
        src->buffer = nullptr;
        cinfo->src = &src->pub;
    }
    JpegSource* src = SourceOf(cinfo);
    if (!src->buffer && stream->Block()->m_nKind != kMemoryStream)
        src->buffer = static_cast<JOCTET*>(
            (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kJpegSourceBlock));
    src->pub.init_source = JpegInitSource;
    src->pub.fill_input_buffer = JpegFillInput;
    src->pub.skip_input_data = JpegSkipInput;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = JpegTermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->stream = stream;
}

struct JpegDestination {
    jpeg_destination_mgr pub;
    Stream* stream;
    JOCTET* buffer;  // kJpegBlock bytes
};

JpegDestination* DestinationOf(j_compress_ptr cinfo) { return reinterpret_cast<JpegDestination*>(cinfo->dest); }

void JpegInitDestination(j_compress_ptr cinfo) {
    JpegDestination* dest = DestinationOf(cinfo);
    dest->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kJpegBlock));
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kJpegBlock;
}

boolean JpegEmptyOutput(j_compress_ptr cinfo) {
    JpegDestination* dest = DestinationOf(cinfo);
    if (!dest->stream->Write(dest->buffer, kJpegBlock)) ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kJpegBlock;
    return TRUE;
}

void JpegTermDestination(j_compress_ptr cinfo) {
    JpegDestination* dest = DestinationOf(cinfo);
    const UINT n = kJpegBlock - static_cast<UINT>(dest->pub.free_in_buffer);
    if (n > 0 && !dest->stream->Write(dest->buffer, n)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void InstallJpegDestination(j_compress_ptr cinfo, JpegDestination* dest, Stream* stream) {
    dest->pub.init_destination = JpegInitDestination;
    dest->pub.empty_output_buffer = JpegEmptyOutput;
    dest->pub.term_destination = JpegTermDestination;
    dest->stream = stream;
    cinfo->dest = &dest->pub;
}

J_DCT_METHOD DctMethodOf(int method, J_DCT_METHOD fallback) {
    switch (method) {
    case 1: return JDCT_ISLOW;
    case 2: return JDCT_IFAST;
    case 3: return JDCT_FLOAT;
    default: return fallback;
    }
}

// ---- Reading ----

struct JpegReadJob {
    jpeg_decompress_struct cinfo;
    JpegError error;
    jpeg_progress_mgr progress;
    // in
    Stream* stream;
    bool bGray;
    PaletteCounter* pCounter;  // told of the result and of its rows as they are decoded; may be NULL
    // work memory and the result, freed by the caller
    BYTE* row;
    BYTE* pixels;
    // out
    ErrorCode err;
    bool bTooLarge;  // the output reaches the allocation limit
};

// A failure in a phase: too many scans is a bad file whatever the phase.
void JpegReadFailed(JpegReadJob* job, ErrorCode code) {
    job->err = job->error.bTooManyScans ? ErrorCode::BadJpeg : code;
}

// Opens the object and reads the header, keeping COM and APP1 to APP14 markers.
bool JpegReadHeaderRun(JpegReadJob* job) {
    job->cinfo.err = &job->error.pub;
    InstallJpegErrors(job->error);
    if (setjmp(job->error.jump)) {
        JpegReadFailed(job, ErrorCode::BadJpeg);
        return false;
    }
    j_decompress_ptr cinfo = &job->cinfo;
    jpeg_create_decompress(cinfo);
    job->progress.progress_monitor = JpegProgressMonitor;
    cinfo->progress = &job->progress;
    InstallJpegSource(cinfo, job->stream);
    jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
    for (int m = JPEG_APP0 + 1; m <= JPEG_APP0 + 14; ++m) jpeg_save_markers(cinfo, m, 0xFFFF);
    // The DCT method stays libjpeg's default: the thread's method applies to writing only.
    jpeg_read_header(cinfo, TRUE);
    jpeg_calc_output_dimensions(cinfo);
    // The output is refused before libjpeg allocates for it, and libjpeg's own image-sized arrays (the
    // coefficients of a progressive file) stay under the same limit.
    const uint64_t limit = AllocationLimit();
    job->bTooLarge = SizeMul(cinfo->output_width, cinfo->output_height, job->bGray ? 1 : 3) >= limit;
    cinfo->mem->max_memory_to_use = static_cast<long>(limit);
    return true;
}

bool JpegStartRun(JpegReadJob* job) {
    if (setjmp(job->error.jump)) {
        JpegReadFailed(job, ErrorCode::BadJpeg);
        return false;
    }
    jpeg_start_decompress(&job->cinfo);
    return true;
}

// Converts one output row of libjpeg into the result row; false when its components do not convert.
bool ConvertJpegRow(const jpeg_decompress_struct& cinfo, const BYTE* in, BYTE* out, bool bGray) {
    const UINT w = cinfo.output_width;
    const int n = cinfo.output_components;
    if (bGray) {
        if (n == 1) {
            std::memcpy(out, in, w);
        } else if (n == 3) {
            for (UINT x = 0; x < w; ++x, in += 3) out[x] = GreyOf(in[0], in[1], in[2]);
        } else {
            return false;
        }
        return true;
    }
    if (n == 3) {
        std::memcpy(out, in, size_t{w} * 3);
    } else if (n == 1) {
        for (UINT x = 0; x < w; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
    } else if (n == 4) {
        if (cinfo.out_color_space != JCS_CMYK && cinfo.out_color_space != JCS_YCCK) return false;
        for (UINT x = 0; x < w; ++x, in += 4, out += 3) {
            const UINT k = in[3];
            out[0] = static_cast<BYTE>(in[0] * k / 255);
            out[1] = static_cast<BYTE>(in[1] * k / 255);
            out[2] = static_cast<BYTE>(in[2] * k / 255);
        }
    }
    // Any other count leaves the row zero.
    return true;
}

void JpegRowsRun(JpegReadJob* job) {
    if (setjmp(job->error.jump)) {
        JpegReadFailed(job, ErrorCode::FileRead);
        return;
    }
    j_decompress_ptr cinfo = &job->cinfo;
    const UINT w = cinfo->output_width, h = cinfo->output_height;
    const size_t outRow = size_t{w} * (job->bGray ? 1 : 3);
    // Rows whose components are already the result's are decoded straight into it.
    const bool bDirect = cinfo->output_components == (job->bGray ? 1 : 3);
    while (cinfo->output_scanline < h) {
        const UINT y = cinfo->output_scanline;
        BYTE* out = job->pixels + y * outRow;
        JSAMPROW target = bDirect ? out : job->row;
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) {
            job->err = ErrorCode::FileRead;
            return;
        }
        if (!bDirect && !ConvertJpegRow(*cinfo, job->row, out, job->bGray)) {
            job->err = ErrorCode::WrongBitDepth;
            return;
        }
        if (job->pCounter) job->pCounter->Ready(uint64_t{y + 1} * w);
        if (ProgressStops(y, h, AbortRule::OnFalseOrNegative)) {
            job->err = ErrorCode::Aborted;
            return;
        }
    }
}

void JpegFinishRun(JpegReadJob* job) {
    if (setjmp(job->error.jump)) {
        JpegReadFailed(job, ErrorCode::FileRead);
        return;
    }
    jpeg_finish_decompress(&job->cinfo);
}

struct JpegReadCleanup {
    JpegReadJob& job;
    ~JpegReadCleanup() {
        jpeg_destroy_decompress(&job.cinfo);
        if (job.row) GlobalFree(job.row);
        if (job.pixels) {
            if (job.pCounter) job.pCounter->Abandon();
            GlobalFree(job.pixels);
        }
    }
};

// A marker entry with a copy of the data; false when the copy cannot be had.
bool MakeJpegMarker(JpegMarker& marker, const void* data, UINT length, int code) {
    if (!marker.data.Allocate(length)) return false;
    if (length) std::memcpy(marker.data.Get(), data, length);
    marker.length = length;
    marker.code = code;
    return true;
}

// The comments, markers and density of the header into the thread state.
void KeepJpegHeader(ThreadState& state, const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (!m->data) continue;
        if (m->marker == JPEG_COM) {
            std::string comment(reinterpret_cast<const char*>(m->data), m->data_length);
            DebugTrace(comment.c_str());
            DebugTrace("\n");
            state.m_jpegCommentsRead.push_back(std::move(comment));
        } else if (m->data_length != 0) {
            JpegMarker marker;
            if (!MakeJpegMarker(marker, m->data, m->data_length, m->marker)) throw std::bad_alloc();
            state.m_jpegMarkersRead.push_back(std::move(marker));
        }
    }
    state.m_nJpegDensityUnit = cinfo.density_unit;
    state.m_nJpegDensityX = cinfo.X_density;
    state.m_nJpegDensityY = cinfo.Y_density;
}

// pCounter (RGB only; may be NULL) is attached to the result and counts its rows as they are decoded.
BYTE* ReadJpeg(ErrorCode& err, Stream& stream, UINT& width, UINT& height, bool bGray, PaletteCounter* pCounter) {
    DepthGuard depth;
    width = height = 0;
    ThreadState& state = GetThreadState();
    state.m_jpegCommentsRead.clear();
    state.m_jpegMarkersRead.clear();
    JpegReadJob job{};
    job.stream = &stream;
    job.bGray = bGray;
    job.pCounter = bGray ? nullptr : pCounter;
    JpegReadCleanup cleanup{job};
    if (!JpegReadHeaderRun(&job)) {
        err = job.err;
        return nullptr;
    }
    KeepJpegHeader(state, job.cinfo);
    if (job.bTooLarge) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    if (!JpegStartRun(&job)) {
        err = job.err;
        return nullptr;
    }
    const jpeg_decompress_struct& cinfo = job.cinfo;
    job.row = static_cast<BYTE*>(AllocBlock(SizeMul(cinfo.output_width, cinfo.output_components, 2)));
    if (!job.row) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    job.pixels = static_cast<BYTE*>(AllocBlock(SizeMul(cinfo.output_width, cinfo.output_height, bGray ? 1 : 3)));
    if (!job.pixels) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    width = cinfo.output_width;
    height = cinfo.output_height;
    // Without memory for its bookkeeping the counter counts the whole result later.
    if (job.pCounter) job.pCounter->Attach(job.pixels, width, height);
    JpegRowsRun(&job);
    if (job.err == ErrorCode::None) JpegFinishRun(&job);
    // After a failed row or an abort the buffer goes back as far as it was filled, with the code.
    err = job.err;
    BYTE* pixels = job.pixels;
    job.pixels = nullptr;
    return pixels;
}

// ---- Writing ----

// A marker to write: its code and data.
struct JpegMarkerRef {
    int code;
    const BYTE* data;
    UINT length;
};

struct JpegWriteJob {
    jpeg_compress_struct cinfo;
    JpegError error;
    JpegDestination destination;
    // in
    Stream* stream;
    const BYTE* pixels;
    UINT width, height;
    bool bGray;
    int quality;
    BOOL progressive;
    UINT densityX, densityY, densityUnit;
    int dctMethod;
    const JpegMarkerRef* markers;  // comments first, then markers, in list order
    size_t nMarkers;
    // out
    ErrorCode err;
};

bool JpegWriteStartRun(JpegWriteJob* job) {
    job->cinfo.err = &job->error.pub;
    InstallJpegErrors(job->error);
    if (setjmp(job->error.jump)) {
        job->err = ErrorCode::BadJpeg;
        return false;
    }
    j_compress_ptr cinfo = &job->cinfo;
    jpeg_create_compress(cinfo);
    InstallJpegDestination(cinfo, &job->destination, job->stream);
    cinfo->image_width = job->width;
    cinfo->image_height = job->height;
    cinfo->input_components = job->bGray ? 1 : 3;
    cinfo->in_color_space = job->bGray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->quality, TRUE);
    if (job->progressive) jpeg_simple_progression(cinfo);
    cinfo->density_unit = static_cast<UINT8>(job->densityUnit & 0xFF);
    cinfo->X_density = static_cast<UINT16>(job->densityX & 0xFFFF);
    cinfo->Y_density = static_cast<UINT16>(job->densityY & 0xFFFF);
    cinfo->dct_method = DctMethodOf(job->dctMethod, cinfo->dct_method);
    jpeg_start_compress(cinfo, TRUE);
    for (size_t i = 0; i < job->nMarkers; ++i)
        jpeg_write_marker(cinfo, job->markers[i].code, job->markers[i].data, job->markers[i].length);
    return true;
}

bool JpegWriteRowsRun(JpegWriteJob* job) {
    if (setjmp(job->error.jump)) {
        job->err = ErrorCode::FileWrite;
        return false;
    }
    j_compress_ptr cinfo = &job->cinfo;
    const size_t rowBytes = size_t{job->width} * (job->bGray ? 1 : 3);
    for (UINT y = 0; y < job->height; ++y) {
        if (cinfo->next_scanline >= job->height) {
            job->err = ErrorCode::EndOfImage;
            return false;
        }
        JSAMPROW row = const_cast<BYTE*>(job->pixels + y * rowBytes);  // libjpeg only reads it
        jpeg_write_scanlines(cinfo, &row, 1);
        if (ProgressStops(y, job->height, AbortRule::OnFalseOrNegative)) {
            job->err = ErrorCode::Aborted;
            return false;
        }
    }
    return true;
}

void JpegWriteFinishRun(JpegWriteJob* job) {
    if (setjmp(job->error.jump)) {
        job->err = ErrorCode::BadJpeg;
        return;
    }
    jpeg_finish_compress(&job->cinfo);
}

UINT WriteJpeg(ErrorCode& err, Stream& stream, const BYTE* pixels, UINT width, UINT height, int quality,
               BOOL progressive, bool bGray) {
    DepthGuard depth;
    if (!pixels || width == 0 || height == 0) {
        err = ErrorCode::BadParam;
        return 0;
    }
    const ThreadState& state = GetThreadState();
    std::vector<JpegMarkerRef> markers;
    for (const std::string& comment : state.m_jpegCommentsToWrite) {
        if (!comment.empty())
            markers.push_back(JpegMarkerRef{JPEG_COM, reinterpret_cast<const BYTE*>(comment.data()),
                                            static_cast<UINT>(std::min<size_t>(comment.size(), UINT32_MAX))});
    }
    for (const JpegMarker& marker : state.m_jpegMarkersToWrite)
        markers.push_back(JpegMarkerRef{marker.code, marker.data.Get(), marker.length});

    JpegWriteJob job{};
    job.stream = &stream;
    job.pixels = pixels;
    job.width = width;
    job.height = height;
    job.bGray = bGray;
    job.quality = quality;
    job.progressive = progressive;
    job.densityX = state.m_nJpegOutDensityX;
    job.densityY = state.m_nJpegOutDensityY;
    job.densityUnit = state.m_nJpegOutDensityUnit;
    job.dctMethod = state.m_nJpegDctMethod;
    job.markers = markers.data();
    job.nMarkers = markers.size();
    struct Cleanup {
        JpegWriteJob& job;
        ~Cleanup() { jpeg_destroy_compress(&job.cinfo); }
    } cleanup{job};
    if (!JpegWriteStartRun(&job) || !JpegWriteRowsRun(&job)) {
        err = job.err;
        return 0;
    }
    // A failure while finishing still gives the sink's size, with the code.
    JpegWriteFinishRun(&job);
    err = job.err;
    return stream.Size();
}

// A copy of a string of a list in global memory; NULL when out of range.
char* CopyListString(const std::vector<std::string>& list, UINT index) {
    if (index >= list.size()) return nullptr;
    return static_cast<char*>(CopyToBlock(list[index].data(), list[index].size(), true));
}

}  // namespace

}  // namespace px

using px::GetThreadState;

BYTE* ReadJpegToRgb(SourceHandle source, UINT* width, UINT* height) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::ReadJpeg(err, stream, *width, *height, false, nullptr);
    });
}

BYTE* ReadJpegToRgbWithPalette(SourceHandle source, UINT* width, UINT* height, UINT n, RGBQUAD* palette) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height, palette)) return nullptr;
        px::PaletteCounter counter;
        BYTE* rgb = px::ReadJpeg(err, stream, *width, *height, false, &counter);
        if (!rgb) return nullptr;
        // The palette's outcome is not the read's: the last error stays the reader's.
        try {
            ErrorCode paletteErr = ErrorCode::None;
            px::QuantizeRgb(paletteErr, rgb, *width, *height, nullptr, n, palette, &counter);
        } catch (...) {
        }
        return rgb;
    });
}

BYTE* ReadJpegToGray(SourceHandle source, UINT* width, UINT* height) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::ReadJpeg(err, stream, *width, *height, true, nullptr);
    });
}

UINT WriteRgbAsJpeg(SinkHandle sink, const BYTE* rgb, UINT width, UINT height, int quality, BOOL progressive) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteJpeg(err, stream, rgb, width, height, quality, progressive, false);
    });
}

UINT WriteGrayAsJpeg(SinkHandle sink, const BYTE* gray, UINT width, UINT height, int quality, BOOL progressive) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteJpeg(err, stream, gray, width, height, quality, progressive, true);
    });
}

void SetJpegDctMethod(int method) { GetThreadState().m_nJpegDctMethod = method; }

void SetJpegDensity(UINT x, UINT y, UINT unit) {
    px::ThreadState& state = GetThreadState();
    state.m_nJpegOutDensityX = x;
    state.m_nJpegOutDensityY = y;
    state.m_nJpegOutDensityUnit = unit;
}

BOOL GetJpegDensity(UINT* x, UINT* y, UINT* unit) {
    const px::ThreadState& state = GetThreadState();
    return px::HandOutResolution(state.m_nJpegDensityX, state.m_nJpegDensityY, state.m_nJpegDensityUnit, x, y, unit);
}

UINT GetJpegCommentCount() { return static_cast<UINT>(GetThreadState().m_jpegCommentsRead.size()); }

char* GetJpegComment(UINT index) { return px::CopyListString(GetThreadState().m_jpegCommentsRead, index); }

BOOL ClearJpegComments() {
    GetThreadState().m_jpegCommentsRead.clear();
    return TRUE;
}

UINT GetJpegMarkerCount() { return static_cast<UINT>(GetThreadState().m_jpegMarkersRead.size()); }

BOOL GetJpegMarker(UINT index, BYTE** data, UINT* length, UINT* code) {
    if (data) *data = nullptr;
    if (length) *length = 0;
    if (code) *code = 0;
    const auto& list = GetThreadState().m_jpegMarkersRead;
    if (index >= list.size()) return FALSE;
    const px::JpegMarker& marker = list[index];
    if (data) {
        *data = static_cast<BYTE*>(px::CopyToBlock(marker.data.Get(), marker.length, false));
        if (!*data) return FALSE;
    }
    if (length) *length = marker.length;
    if (code) *code = static_cast<UINT>(marker.code);
    return TRUE;
}

BOOL ClearJpegMarkers() {
    GetThreadState().m_jpegMarkersRead.clear();
    return TRUE;
}

UINT GetJpegWriteCommentCount() { return static_cast<UINT>(GetThreadState().m_jpegCommentsToWrite.size()); }

char* GetJpegWriteComment(UINT index) { return px::CopyListString(GetThreadState().m_jpegCommentsToWrite, index); }

BOOL AddJpegComment(const char* text) {
    if (!text) return FALSE;
    try {
        GetThreadState().m_jpegCommentsToWrite.emplace_back(text);
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL ClearJpegWriteComments() {
    GetThreadState().m_jpegCommentsToWrite.clear();
    return TRUE;
}

UINT GetJpegWriteMarkerCount() { return static_cast<UINT>(GetThreadState().m_jpegMarkersToWrite.size()); }

BOOL AddJpegMarker(const BYTE* data, UINT length, UINT code) {
    if (!data && length) return FALSE;
    px::JpegMarker marker;
    if (!px::MakeJpegMarker(marker, data, length, static_cast<int>(code))) return FALSE;
    try {
        GetThreadState().m_jpegMarkersToWrite.push_back(std::move(marker));
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL ClearJpegWriteMarkers() {
    GetThreadState().m_jpegMarkersToWrite.clear();
    return TRUE;
}
