// The library's per-thread state, the last-error convention, the depth rule of the progress callback,
// and the wrapper that every public function runs its worker through.
#pragma once

#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "pixmill/pixmill.h"
#include "pixmill/pxalloc.h"

namespace px {

// Background colour of PNG reading and writing.
struct PngColor {
    BYTE index = 0;
    WORD red = 0;
    WORD green = 0;
    WORD blue = 0;
    WORD gray = 0;
};

// A PNG text chunk, read or to be written.
struct PngText {
    std::string key;
    std::string text;
    DWORD compression = 0;
};

// A JPEG APPn marker, read or to be written; the data is a global-memory block of `length` bytes.
struct JpegMarker {
    GlobalBuffer data;
    UINT length = 0;
    int code = 0;
};

constexpr UINT kAbsent = 0xFFFFFFFF;

// Everything that outlives one call, per thread. Settings stay until changed; each reader of a format
// replaces the last-read fields and lists of that format.
struct ThreadState {
    ProgressCallback m_pfnProgress = nullptr;
    int m_nDepth = 0;  // library operations now running on this thread

    UINT m_nPngResX = kAbsent, m_nPngResY = kAbsent, m_nPngResUnit = kAbsent;  // pHYs of the last read
    UINT m_nPngOutResX = 1, m_nPngOutResY = 1, m_nPngOutResUnit = 0;         // pHYs to write
    double m_dPngScreenGamma = 2.9;
    PngColor m_pngBackground;
    std::vector<PngText> m_pngTextsRead;
    std::vector<PngText> m_pngTextsToWrite;
    BOOL m_bPngPaletteAlpha = 0;

    int m_nJpegDctMethod = 0;
    UINT m_nJpegDensityX = kAbsent, m_nJpegDensityY = kAbsent, m_nJpegDensityUnit = kAbsent;
    UINT m_nJpegOutDensityX = 1, m_nJpegOutDensityY = 1, m_nJpegOutDensityUnit = 0;
    std::vector<std::string> m_jpegCommentsRead;
    std::vector<std::string> m_jpegCommentsToWrite;
    std::vector<JpegMarker> m_jpegMarkersRead;
    std::vector<JpegMarker> m_jpegMarkersToWrite;

    UINT m_nTiffResUnit = kAbsent, m_nTiffResX = kAbsent, m_nTiffResY = kAbsent;
    UINT m_nTiffOutResUnit = 1, m_nTiffOutResX = 1, m_nTiffOutResY = 1;
    UINT m_nTiffCompression = 1;

    BOOL m_bUseDibSection = 0;
    int m_nLastError = 0;
};

// The calling thread's state, made with the defaults on first use and freed when the thread ends.
ThreadState& GetThreadState();
void SetLastErrorCode(ErrorCode code);

// Held by every worker for the time it runs: an operation that another one called runs at depth 2 or
// more and reports no progress.
class DepthGuard {
public:
    DepthGuard();
    ~DepthGuard();
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

// Which progress results stop an operation.
enum class AbortRule {
    OnFalse,            // 0
    OnFalseOrNegative,  // 0 or less
};

// A report point: calls the thread's callback with (done, total) when this is the only library operation
// running on the thread. True when the operation must stop with ErrorCode::Aborted.
bool ProgressStops(UINT done, UINT total, AbortRule rule);

// True when no pointer is NULL; otherwise sets err to ErrorCode::BadParam.
template <class... Pointers>
bool RequireNonNull(ErrorCode& err, const Pointers*... pointers) {
    if ((... && (pointers != nullptr))) return true;
    err = ErrorCode::BadParam;
    return false;
}

// Hands out a resolution of the last read (each pointer may be NULL): TRUE when its x is present.
inline BOOL HandOutResolution(UINT x, UINT y, UINT unit, UINT* outX, UINT* outY, UINT* outUnit) {
    if (outX) *outX = x;
    if (outY) *outY = y;
    if (outUnit) *outUnit = unit;
    return x != kAbsent;
}

// The project's debug trace.
void DebugTrace(const char* text);

// Runs one public operation: the body gets the worker's error code (None on entry) and returns the
// result. The code is stored as the thread's last error. An exception never leaves: std::bad_alloc
// becomes ErrorCode::OutOfMemory, anything else ErrorCode::Unexpected, and the result is then 0.
template <class Body>
auto RunWorker(Body&& body) noexcept -> std::invoke_result_t<Body&, ErrorCode&> {
    using Result = std::invoke_result_t<Body&, ErrorCode&>;
    ErrorCode err = ErrorCode::None;
    Result result{};
    try {
        result = body(err);
    } catch (const std::bad_alloc&) {
        err = ErrorCode::OutOfMemory;
        result = Result{};
    } catch (...) {
        err = ErrorCode::Unexpected;
        result = Result{};
    }
    SetLastErrorCode(err);
    return result;
}

}  // namespace px
