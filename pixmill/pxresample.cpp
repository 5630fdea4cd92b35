// Resampling: bilinear (plain and with a key colour that is never blended) and box-filter shrinking.
#include <algorithm>

#include "pixmill/pxbuffer.h"

namespace px {

namespace {

BOOL Fail(ErrorCode& err, ErrorCode code) {
    err = code;
    return FALSE;
}

// Where a destination column or row samples the source: positions x0 and x1 = min(x0 + 1, last) and
// the weights (x0 + 1) - s of x0 and s - x0 of x1, with s = min(i x scale, last).
struct Tap {
    UINT i0;
    UINT i1;
    double w0;
    double w1;
};

Tap TapAt(UINT i, double scale, UINT nSrc) {
    const double s = std::min(i * scale, static_cast<double>(nSrc - 1));
    const UINT i0 = static_cast<UINT>(s);
    return Tap{i0, std::min(i0 + 1, nSrc - 1), (i0 + 1) - s, s - i0};
}

bool Fits(uint64_t w, uint64_t h, uint64_t n) { return SizeMul(w, h, n) != UINT64_MAX; }

// What both bilinear resamplers set up: two work rows of doubles, the scales, and where each
// destination column samples its source row.
struct BilinearGrid {
    GlobalBuffer work0, work1, taps;
    double* row0 = nullptr;
    double* row1 = nullptr;
    const Tap* columns = nullptr;
    double yscale = 0;

    // False (err set) for null buffers, zero sizes or work memory that cannot be had.
    bool Init(ErrorCode& err, const BYTE* src, UINT srcWidth, UINT srcHeight, const BYTE* dst, UINT dstWidth,
              UINT dstHeight, UINT bytesPerPixel) {
        if (!src || !dst || !srcWidth || !srcHeight || !dstWidth || !dstHeight || !bytesPerPixel ||
            !Fits(srcWidth, srcHeight, bytesPerPixel) || !Fits(dstWidth, dstHeight, bytesPerPixel)) {
            err = ErrorCode::BadParam;
            return false;
        }
        const uint64_t nWork = SizeMul(dstWidth, bytesPerPixel, sizeof(double));
        if (!work0.Allocate(nWork) || !work1.Allocate(nWork) || !taps.Allocate(SizeMul(dstWidth, sizeof(Tap)))) {
            err = ErrorCode::OutOfMemory;
            return false;
        }
        row0 = reinterpret_cast<double*>(work0.Get());
        row1 = reinterpret_cast<double*>(work1.Get());
        Tap* t = reinterpret_cast<Tap*>(taps.Get());
        const double xscale = static_cast<double>(srcWidth) / dstWidth;
        yscale = static_cast<double>(srcHeight) / dstHeight;
        for (UINT x = 0; x < dstWidth; ++x) t[x] = TapAt(x, xscale, srcWidth);
        columns = t;
        return true;
    }
};

bool IsKey(const BYTE* p, COLORREF key) { return RGB(p[0], p[1], p[2]) == key; }
bool IsKey(const double* p, COLORREF key) {
    return RGB(static_cast<int>(p[0]), static_cast<int>(p[1]), static_cast<int>(p[2])) == key;
}

}  // namespace

BOOL ResizeImage(ErrorCode& err, const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth,
                 UINT dstHeight, UINT bytesPerPixel) {
    DepthGuard depth;
    BilinearGrid g;
    if (!g.Init(err, src, srcWidth, srcHeight, dst, dstWidth, dstHeight, bytesPerPixel)) return FALSE;
    const size_t nWork = size_t{dstWidth} * bytesPerPixel;
    const size_t nSrcRow = size_t{srcWidth} * bytesPerPixel;
    auto resampleRow = [&](UINT sy, double* work) {
        const BYTE* s = src + size_t{sy} * nSrcRow;
        double* w = work;
        for (UINT x = 0; x < dstWidth; ++x) {
            const Tap& t = g.columns[x];
            const BYTE* p0 = s + size_t{t.i0} * bytesPerPixel;
            const BYTE* p1 = s + size_t{t.i1} * bytesPerPixel;
            for (UINT c = 0; c < bytesPerPixel; ++c) *w++ = p0[c] * t.w0 + p1[c] * t.w1;
        }
    };
    double* row0 = g.row0;
    double* row1 = g.row1;
    for (UINT y = 0; y < dstHeight; ++y) {
        const Tap t = TapAt(y, g.yscale, srcHeight);
        resampleRow(t.i0, row0);
        resampleRow(t.i1, row1);
        BYTE* d = dst + size_t{y} * nWork;
        // The row weights are (s - y0) for y1 and ((y0 + 1) - s) for y0, in that order.
        for (size_t i = 0; i < nWork; ++i) d[i] = static_cast<BYTE>(static_cast<int>(t.w1 * row1[i] + t.w0 * row0[i]));
        if (ProgressStops(y, dstHeight, AbortRule::OnFalse)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

BOOL ResizeRgbKeyed(ErrorCode& err, const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth,
                    UINT dstHeight, COLORREF key) {
    DepthGuard depth;
    BilinearGrid g;
    if (!g.Init(err, src, srcWidth, srcHeight, dst, dstWidth, dstHeight, 3)) return FALSE;
    const size_t nWork = size_t{dstWidth} * 3;
    double* row0 = g.row0;
    double* row1 = g.row1;
    auto resampleRow = [&](UINT sy, double* work) {
        const BYTE* s = src + size_t{sy} * srcWidth * 3;
        for (UINT x = 0; x < dstWidth; ++x) {
            const Tap& t = g.columns[x];
            const BYTE* p0 = s + size_t{t.i0} * 3;
            const BYTE* p1 = s + size_t{t.i1} * 3;
            double* w = work + size_t{x} * 3;
            if (IsKey(p0, key) || IsKey(p1, key)) {
                // The key is never blended: the nearer pixel wins.
                const BYTE* p = t.w0 <= 0.5 ? p1 : p0;
                for (int c = 0; c < 3; ++c) w[c] = p[c];
            } else {
                for (int c = 0; c < 3; ++c) w[c] = p0[c] * t.w0 + p1[c] * t.w1;
            }
        }
    };
    for (UINT y = 0; y < dstHeight; ++y) {
        const Tap t = TapAt(y, g.yscale, srcHeight);
        resampleRow(t.i0, row0);
        resampleRow(t.i1, row1);
        BYTE* d = dst + size_t{y} * nWork;
        for (UINT x = 0; x < dstWidth; ++x) {
            const double* w0 = row0 + size_t{x} * 3;
            const double* w1 = row1 + size_t{x} * 3;
            BYTE* p = d + size_t{x} * 3;
            if (IsKey(w0, key) || IsKey(w1, key)) {
                const double* w = t.w0 <= 0.5 ? w1 : w0;
                for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(static_cast<int>(w[c]));
            } else {
                for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(static_cast<int>(t.w1 * w1[c] + t.w0 * w0[c]));
            }
        }
    }
    return TRUE;
}

BOOL ShrinkRgbByAveraging(ErrorCode& err, const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth,
                          UINT dstHeight) {
    DepthGuard depth;
    if (!src || !dst || !dstWidth || !dstHeight || dstWidth > srcWidth || dstHeight > srcHeight ||
        !Fits(srcWidth, srcHeight, 3))
        return Fail(err, ErrorCode::BadParam);
    const double xscale = static_cast<double>(srcWidth) / dstWidth;
    const double yscale = static_cast<double>(srcHeight) / dstHeight;
    if (xscale * yscale > 16777216.0) return Fail(err, ErrorCode::BadParam);
    // The box is square, its side the smaller scale; both scales are at least 1.
    const UINT side = static_cast<UINT>(std::min(xscale, yscale));
    const uint64_t nArea = uint64_t{side} * side;
    const size_t nSrcRow = size_t{srcWidth} * 3;
    double sy = 0;
    for (UINT y = 0; y < dstHeight; ++y, sy += yscale) {
        // The box stays inside the source even where the running position rounds up.
        const UINT top = std::min(static_cast<UINT>(sy), srcHeight - side);
        double sx = 0;
        BYTE* d = dst + size_t{y} * dstWidth * 3;
        for (UINT x = 0; x < dstWidth; ++x, sx += xscale) {
            const UINT left = std::min(static_cast<UINT>(sx), srcWidth - side);
            uint64_t sum[3] = {0, 0, 0};
            for (UINT by = 0; by < side; ++by) {
                const BYTE* s = src + size_t{top + by} * nSrcRow + size_t{left} * 3;
                for (UINT bx = 0; bx < side; ++bx, s += 3) {
                    sum[0] += s[0];
                    sum[1] += s[1];
                    sum[2] += s[2];
                }
            }
            for (int c = 0; c < 3; ++c) d[3 * size_t{x} + c] = static_cast<BYTE>(sum[c] / nArea);
        }
        if (ProgressStops(y, dstHeight, AbortRule::OnFalseOrNegative)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

}  // namespace px

BOOL ResizeRgb(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight) {
    return px::RunWorker(
        [&](ErrorCode& err) { return px::ResizeImage(err, src, srcWidth, srcHeight, dst, dstWidth, dstHeight, 3); });
}

BOOL ResizeImage(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight,
                 UINT bytesPerPixel) {
    return px::RunWorker([&](ErrorCode& err) {
        return px::ResizeImage(err, src, srcWidth, srcHeight, dst, dstWidth, dstHeight, bytesPerPixel);
    });
}

BOOL ResizeRgbKeyed(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight,
                    COLORREF key) {
    return px::RunWorker([&](ErrorCode& err) {
        return px::ResizeRgbKeyed(err, src, srcWidth, srcHeight, dst, dstWidth, dstHeight, key);
    });
}

BOOL ShrinkRgbByAveraging(const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth, UINT dstHeight) {
    return px::RunWorker([&](ErrorCode& err) {
        return px::ShrinkRgbByAveraging(err, src, srcWidth, srcHeight, dst, dstWidth, dstHeight);
    });
}
