// Per-pixel and whole-buffer operations: grey, channel and plane shuffles, colour counting, replacement
// and palette mapping, flips, row copies, cropping and filling.
#include <algorithm>
#include <cstring>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxbytes.h"

namespace px {

namespace {

// Bytes of a caller's buffer of w x h pixels of n bytes; false when no buffer can be that large, so no
// loop below runs over a size that wrapped.
bool BufferBytes(uint64_t w, uint64_t h, uint64_t n, size_t& bytes) {
    const uint64_t v = SizeMul(w, h, n);
    if (v == UINT64_MAX) return false;
    bytes = static_cast<size_t>(v);
    return true;
}

BOOL Fail(ErrorCode& err, ErrorCode code) {
    err = code;
    return FALSE;
}

constexpr bool IsColor(const BYTE* p, COLORREF c) {
    return p[0] == GetRValue(c) && p[1] == GetGValue(c) && p[2] == GetBValue(c);
}

}  // namespace

BOOL RgbToGray(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* out) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !out || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    for (UINT y = 0; y < height; ++y) {
        const BYTE* s = rgb + size_t{y} * width * 3;
        BYTE* d = out + size_t{y} * width;
        for (UINT x = 0; x < width; ++x, s += 3) d[x] = GreyOf(s[0], s[1], s[2]);
        if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

BOOL DesaturateRgb(ErrorCode& err, BYTE* rgb, UINT width, UINT height) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    for (UINT y = 0; y < height; ++y) {
        BYTE* p = rgb + size_t{y} * width * 3;
        for (UINT x = 0; x < width; ++x, p += 3) p[0] = p[1] = p[2] = GreyOf(p[0], p[1], p[2]);
        if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

BOOL SwapRedBlue(ErrorCode& err, BYTE* rgb, UINT width, UINT height) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    CopySwapped24(rgb, rgb, bytes / 3);
    return TRUE;
}

BOOL Expand8BitToRgb(ErrorCode& err, const BYTE* pixels, BYTE* rgb, UINT width, UINT height,
                     const RGBQUAD* palette) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!pixels || !rgb || !palette || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    for (UINT y = 0; y < height; ++y) {
        const BYTE* s = pixels + size_t{y} * width;
        BYTE* d = rgb + size_t{y} * width * 3;
        for (UINT x = 0; x < width; ++x, d += 3) {
            const RGBQUAD& q = palette[s[x]];
            d[0] = q.rgbRed;
            d[1] = q.rgbGreen;
            d[2] = q.rgbBlue;
        }
        if (ProgressStops(y, height, AbortRule::OnFalse)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

UINT CountRgbColors(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BOOL large) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    // One bit per colour value of a band; the bands cover 0 ... 0xFFFFFF.
    const uint32_t nTableBytes = large ? 0x100000 : 0x80000;
    const uint32_t nBand = nTableBytes * 8;
    GlobalBuffer table(nTableBytes);
    if (!table) return Fail(err, ErrorCode::OutOfMemory);
    BYTE* bits = table.Get();
    UINT nCount = 0;
    for (uint32_t nLow = 0; nLow < 0x1000000; nLow += nBand) {
        std::memset(bits, 0, nTableBytes);
        for (size_t i = 0; i < bytes; i += 3) {
            const uint32_t v = (uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2];
            if (v < nLow || v >= nLow + nBand) continue;
            const uint32_t k = v - nLow;
            const BYTE mask = static_cast<BYTE>(1u << (k & 7));
            if (!(bits[k >> 3] & mask)) {
                bits[k >> 3] |= mask;
                ++nCount;
            }
        }
    }
    return nCount;
}

BOOL ReplaceRgbColor(ErrorCode& err, BYTE* rgb, UINT width, UINT height, COLORREF from, COLORREF to) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    for (UINT y = 0; y < height; ++y) {
        BYTE* p = rgb + size_t{y} * width * 3;
        for (UINT x = 0; x < width; ++x, p += 3) {
            if (IsColor(p, from)) {
                p[0] = GetRValue(to);
                p[1] = GetGValue(to);
                p[2] = GetBValue(to);
            }
        }
        if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

BOOL MapRgbToPalette(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n,
                     const RGBQUAD* palette) {
    DepthGuard depth;
    size_t bytes = 0;
    if (n > 256 || !rgb || !out || !palette || !BufferBytes(width, height, 3, bytes))
        return Fail(err, ErrorCode::BadParam);
    for (UINT y = 0; y < height; ++y) {
        const BYTE* p = rgb + size_t{y} * width * 3;
        for (UINT x = 0; x < width; ++x, p += 3) {
            int nBest = 200000;
            UINT iBest = 0;
            for (UINT i = 0; i < n && nBest != 0; ++i) {
                const int dr = p[0] - palette[i].rgbRed, dg = p[1] - palette[i].rgbGreen, db = p[2] - palette[i].rgbBlue;
                const int d = dr * dr + dg * dg + db * db;
                if (d < nBest) {
                    nBest = d;
                    iBest = i;
                }
            }
            out[size_t{y} * width + x] = static_cast<BYTE>(iBest);
            if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) return Fail(err, ErrorCode::Aborted);
        }
    }
    return TRUE;
}

BOOL FlipVertical(ErrorCode& err, BYTE* buffer, UINT rowBytes, UINT rows) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!buffer || !BufferBytes(rowBytes, rows, 1, bytes)) return Fail(err, ErrorCode::BadParam);
    GlobalBuffer temp(rowBytes);
    if (!temp) return Fail(err, ErrorCode::OutOfMemory);
    for (UINT i = 0; i < (rows + uint64_t{1}) / 2; ++i) {
        const UINT j = rows - 1 - i;
        if (i != j) {
            BYTE* a = buffer + size_t{i} * rowBytes;
            BYTE* b = buffer + size_t{j} * rowBytes;
            std::memcpy(temp.Get(), a, rowBytes);
            std::memcpy(a, b, rowBytes);
            std::memcpy(b, temp.Get(), rowBytes);
        }
        if (ProgressStops(static_cast<UINT>(2 * uint64_t{i}), rows, AbortRule::OnFalse))
            return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

BOOL MirrorHorizontal(ErrorCode& err, BYTE* rgb, UINT width, UINT height) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    GlobalBuffer temp(SizeMul(width, 3));
    if (!temp) return Fail(err, ErrorCode::OutOfMemory);
    const size_t nRow = size_t{width} * 3;
    for (UINT y = 0; y < height; ++y) {
        BYTE* p = rgb + size_t{y} * nRow;
        std::memcpy(temp.Get(), p, nRow);
        for (UINT x = 0; x < width; ++x) std::memcpy(p + size_t{x} * 3, temp.Get() + size_t{width - 1 - x} * 3, 3);
        if (ProgressStops(y, height, AbortRule::OnFalse)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

BOOL CopyRows(ErrorCode& err, const BYTE* src, UINT srcStride, UINT rows, UINT dstStride, BYTE* dst) {
    DepthGuard depth;
    if (!src || !dst) return Fail(err, ErrorCode::BadParam);
    const size_t n = std::min(srcStride, dstStride);
    for (UINT y = 0; y < rows; ++y) std::memcpy(dst + size_t{y} * dstStride, src + size_t{y} * srcStride, n);
    return TRUE;
}

BOOL SplitRgbPlanes(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* red, BYTE* green, BYTE* blue) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !red || !green || !blue || !BufferBytes(width, height, 1, bytes)) return Fail(err, ErrorCode::BadParam);
    for (size_t i = 0; i < bytes; ++i) {
        red[i] = rgb[3 * i];
        green[i] = rgb[3 * i + 1];
        blue[i] = rgb[3 * i + 2];
    }
    return TRUE;
}

BOOL MergeRgbPlanes(ErrorCode& err, BYTE* rgb, UINT width, UINT height, const BYTE* red, const BYTE* green,
                    const BYTE* blue) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !red || !green || !blue || !BufferBytes(width, height, 1, bytes)) return Fail(err, ErrorCode::BadParam);
    for (size_t i = 0; i < bytes; ++i) {
        rgb[3 * i] = red[i];
        rgb[3 * i + 1] = green[i];
        rgb[3 * i + 2] = blue[i];
    }
    return TRUE;
}

BOOL SplitRgba(ErrorCode& err, const BYTE* rgba, UINT width, UINT height, BYTE* rgb, BYTE* alpha) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgba || (!rgb && !alpha) || !BufferBytes(width, height, 4, bytes)) return Fail(err, ErrorCode::BadParam);
    const size_t n = bytes / 4;
    for (size_t i = 0; i < n; ++i) {
        if (rgb) std::memcpy(rgb + 3 * i, rgba + 4 * i, 3);
        if (alpha) alpha[i] = rgba[4 * i + 3];
    }
    return TRUE;
}

BOOL SetAlphaChannel(ErrorCode& err, BYTE* rgba, UINT width, UINT height, const BYTE* alpha) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgba || !alpha || !BufferBytes(width, height, 4, bytes)) return Fail(err, ErrorCode::BadParam);
    const size_t n = bytes / 4;
    for (size_t i = 0; i < n; ++i) rgba[4 * i + 3] = alpha[i];
    return TRUE;
}

BOOL RgbToRgba(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE alpha, BYTE* rgba) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !rgba || !BufferBytes(width, height, 4, bytes)) return Fail(err, ErrorCode::BadParam);
    const size_t n = bytes / 4;
    for (size_t i = 0; i < n; ++i) {
        std::memcpy(rgba + 4 * i, rgb + 3 * i, 3);
        rgba[4 * i + 3] = alpha;
    }
    return TRUE;
}

BOOL PackIndices(ErrorCode& err, const BYTE* pixels, UINT width, UINT height, BYTE* out, UINT bits) {
    DepthGuard depth;
    size_t bytes = 0;
    if (bits < 1 || bits > 8 || !pixels || !out || !BufferBytes(width, height, 1, bytes))
        return Fail(err, ErrorCode::BadParam);
    const UINT mask = (1u << bits) - 1;
    uint32_t nAcc = 0;  // pending bits, the oldest highest
    UINT nPending = 0;
    size_t nOut = 0;
    for (UINT y = 0; y < height; ++y) {
        const BYTE* s = pixels + size_t{y} * width;
        for (UINT x = 0; x < width; ++x) {
            nAcc = (nAcc << bits) | (s[x] & mask);
            nPending += bits;
            if (nPending >= 8) {
                nPending -= 8;
                out[nOut++] = static_cast<BYTE>(nAcc >> nPending);
                nAcc &= (1u << nPending) - 1;
            }
        }
        if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) return Fail(err, ErrorCode::Aborted);
    }
    if (nPending) out[nOut] = static_cast<BYTE>(nAcc << (8 - nPending));
    return TRUE;
}

BYTE* CropRgb(ErrorCode& err, const BYTE* src, UINT width, UINT height, UINT bytesPerPixel, UINT left, UINT top,
              UINT right, UINT bottom) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!src || !(left < right && right <= width && top < bottom && bottom <= height) ||
        !BufferBytes(width, height, bytesPerPixel, bytes)) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    const size_t nSrcRow = size_t{width} * bytesPerPixel;
    const size_t nDstRow = size_t{right - left} * bytesPerPixel;
    GlobalBuffer block(SizeMul(nDstRow, bottom - top));
    if (!block) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    for (UINT y = top; y < bottom; ++y) {
        std::memcpy(block.Get() + size_t{y - top} * nDstRow, src + size_t{y} * nSrcRow + size_t{left} * bytesPerPixel,
                    nDstRow);
        if (ProgressStops(y, height, AbortRule::OnFalse)) {
            err = ErrorCode::Aborted;
            return nullptr;
        }
    }
    return block.Release();
}

BOOL FillRgbRect(ErrorCode& err, BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h, COLORREF color) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !BufferBytes(width, height, 3, bytes)) return Fail(err, ErrorCode::BadParam);
    if (x < 0 || y < 0 || int64_t{x} + w > width || int64_t{y} + h > height) return TRUE;
    const BYTE r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    const size_t nRow = size_t{width} * 3;
    for (UINT row = static_cast<UINT>(y); row < static_cast<UINT>(y) + h; ++row) {
        BYTE* p = rgb + size_t{row} * nRow + size_t(x) * 3;
        if (r == g && g == b) {
            std::memset(p, r, size_t{w} * 3);
        } else {
            for (UINT i = 0; i < w; ++i, p += 3) {
                p[0] = r;
                p[1] = g;
                p[2] = b;
            }
        }
        if (ProgressStops(row - static_cast<UINT>(y), h, AbortRule::OnFalse)) return Fail(err, ErrorCode::Aborted);
    }
    return TRUE;
}

BOOL RgbToDibBits(ErrorCode& err, const BYTE* rgb, BYTE* bits, UINT width, UINT height, UINT stride) {
    DepthGuard depth;
    size_t bytes = 0;
    if (!rgb || !bits || stride < uint64_t{width} * 3 || !BufferBytes(stride, height, 1, bytes))
        return Fail(err, ErrorCode::BadParam);
    const size_t nRow = size_t{width} * 3;
    for (UINT y = 0; y < height; ++y) {
        const BYTE* s = rgb + size_t{y} * nRow;
        BYTE* d = bits + size_t{height - 1 - y} * stride;
        for (UINT x = 0; x < width; ++x, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return TRUE;
}

}  // namespace px

BOOL RgbToGray(const BYTE* rgb, UINT width, UINT height, BYTE* out) {
    return px::RunWorker([&](ErrorCode& err) { return px::RgbToGray(err, rgb, width, height, out); });
}

BOOL DesaturateRgb(BYTE* rgb, UINT width, UINT height) {
    return px::RunWorker([&](ErrorCode& err) { return px::DesaturateRgb(err, rgb, width, height); });
}

BOOL SwapRedBlue(BYTE* rgb, UINT width, UINT height) {
    return px::RunWorker([&](ErrorCode& err) { return px::SwapRedBlue(err, rgb, width, height); });
}

BOOL Expand8BitToRgb(const BYTE* pixels, BYTE* rgb, UINT width, UINT height, UINT, const RGBQUAD* palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::Expand8BitToRgb(err, pixels, rgb, width, height, palette); });
}

UINT CountRgbColors(const BYTE* rgb, UINT width, UINT height, BOOL large) {
    return px::RunWorker([&](ErrorCode& err) { return px::CountRgbColors(err, rgb, width, height, large); });
}

BOOL ReplaceRgbColor(BYTE* rgb, UINT width, UINT height, COLORREF from, COLORREF to) {
    return px::RunWorker([&](ErrorCode& err) { return px::ReplaceRgbColor(err, rgb, width, height, from, to); });
}

BOOL MapRgbToPalette(const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n, const RGBQUAD* palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::MapRgbToPalette(err, rgb, width, height, out, n, palette); });
}

BOOL FlipVertical(BYTE* buffer, UINT rowBytes, UINT rows) {
    return px::RunWorker([&](ErrorCode& err) { return px::FlipVertical(err, buffer, rowBytes, rows); });
}

BOOL MirrorHorizontal(BYTE* rgb, UINT width, UINT height) {
    return px::RunWorker([&](ErrorCode& err) { return px::MirrorHorizontal(err, rgb, width, height); });
}

BOOL CopyRows(const BYTE* src, UINT srcStride, UINT rows, UINT dstStride, BYTE* dst) {
    return px::RunWorker([&](ErrorCode& err) { return px::CopyRows(err, src, srcStride, rows, dstStride, dst); });
}

BOOL SplitRgbPlanes(const BYTE* rgb, UINT width, UINT height, BYTE* red, BYTE* green, BYTE* blue) {
    return px::RunWorker([&](ErrorCode& err) { return px::SplitRgbPlanes(err, rgb, width, height, red, green, blue); });
}

BOOL MergeRgbPlanes(BYTE* rgb, UINT width, UINT height, const BYTE* red, const BYTE* green, const BYTE* blue) {
    return px::RunWorker([&](ErrorCode& err) { return px::MergeRgbPlanes(err, rgb, width, height, red, green, blue); });
}

BOOL SplitRgba(const BYTE* rgba, UINT width, UINT height, BYTE* rgb, BYTE* alpha) {
    return px::RunWorker([&](ErrorCode& err) { return px::SplitRgba(err, rgba, width, height, rgb, alpha); });
}

BOOL SetAlphaChannel(BYTE* rgba, UINT width, UINT height, const BYTE* alpha) {
    return px::RunWorker([&](ErrorCode& err) { return px::SetAlphaChannel(err, rgba, width, height, alpha); });
}

BOOL RgbToRgba(const BYTE* rgb, UINT width, UINT height, BYTE alpha, BYTE* rgba) {
    return px::RunWorker([&](ErrorCode& err) { return px::RgbToRgba(err, rgb, width, height, alpha, rgba); });
}

BOOL PackIndices(const BYTE* pixels, UINT width, UINT height, BYTE* out, UINT bits) {
    return px::RunWorker([&](ErrorCode& err) { return px::PackIndices(err, pixels, width, height, out, bits); });
}
