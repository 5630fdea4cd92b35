// Writing an RGB image as a metafile of one 24-bit DIB: an enhanced metafile, or a Windows metafile with
// or without the placeable header.
#include <algorithm>
#include <vector>

#include "pixmill/pxbitmap.h"
#include "pixmill/pxbytes.h"
#include "pixmill/pxmetafile.h"

namespace px {

namespace {

// Little-endian fields appended to a byte list.
class Bytes {
public:
    void U16(DWORD v) {
        m_b.push_back(static_cast<BYTE>(v));
        m_b.push_back(static_cast<BYTE>(v >> 8));
    }
    void U32(DWORD v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void I32(int64_t v) { U32(static_cast<DWORD>(static_cast<int32_t>(v))); }
    void Rect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
        I32(left);
        I32(top);
        I32(right);
        I32(bottom);
    }
    size_t Size() const { return m_b.size(); }
    const BYTE* Data() const { return m_b.data(); }
    BYTE* At(size_t i) { return &m_b[i]; }

private:
    std::vector<BYTE> m_b;
};

// What both writers need: the image's DIB and its frame on the reference screen (0.01 mm).
struct Source {
    GlobalBuffer dib;
    size_t dibBytes = 0;
    int64_t frameRight = 0, frameBottom = 0;
    int logPixelsX = 96, logPixelsY = 96;
};

bool Prepare(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, Source& src) {
    src.dib = GlobalBuffer::Adopt(CreateDibFromRgb(err, rgb, width, height));
    if (!src.dib) return false;
    src.dibBytes = GlobalSize(src.dib.Get());
    ScreenIfNull screen(nullptr);
    if (!screen.Get()) {
        err = ErrorCode::DeviceContext;
        return false;
    }
    const int64_t horzSize = GetDeviceCaps(screen.Get(), HORZSIZE), vertSize = GetDeviceCaps(screen.Get(), VERTSIZE);
    const int64_t horzRes = GetDeviceCaps(screen.Get(), HORZRES), vertRes = GetDeviceCaps(screen.Get(), VERTRES);
    src.logPixelsX = GetDeviceCaps(screen.Get(), LOGPIXELSX);
    src.logPixelsY = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    src.frameRight = int64_t{width} * horzSize * 100 / horzRes;
    src.frameBottom = int64_t{height} * vertSize * 100 / vertRes;
    // The frame is stored in 32-bit fields.
    if (src.frameRight > INT32_MAX || src.frameBottom > INT32_MAX) {
        err = ErrorCode::BadParam;
        return false;
    }
    return true;
}

bool Put(ErrorCode& err, Stream& sink, const void* data, size_t n) {
    if (n == 0) return true;
    if (n > UINT32_MAX || !sink.Write(data, static_cast<UINT>(n))) {
        err = ErrorCode::FileWrite;
        return false;
    }
    return true;
}

// The records before the DIB, the DIB, and those after it; the sink's size, or 0 on a failed write.
UINT PutAll(ErrorCode& err, Stream& sink, const Bytes& head, const Source& src, const Bytes& tail) {
    if (!Put(err, sink, head.Data(), head.Size()) || !Put(err, sink, src.dib.Get(), src.dibBytes) ||
        !Put(err, sink, tail.Data(), tail.Size()))
        return 0;
    return sink.Size();
}

}  // namespace

UINT WriteRgbAsEmf(ErrorCode& err, Stream& sink, const BYTE* rgb, UINT width, UINT height) {
    DepthGuard depth;
    Source src;
    if (!Prepare(err, rgb, width, height, src)) return 0;
    constexpr DWORD kStretchDiBitsFixed = 80, kHeaderBytes = 88;
    const uint64_t stretchBytes = kStretchDiBitsFixed + src.dibBytes;
    const uint64_t total = kHeaderBytes + 12 + 16 + 16 + stretchBytes + 20;
    if (total > UINT32_MAX) {
        err = ErrorCode::BadParam;
        return 0;
    }
    Bytes b;
    // The header: bounds in pixels (inclusive), the frame, the signature, version 1.0, sizes, one handle,
    // no description or palette, the reference screen in pixels and millimetres.
    b.U32(1);
    b.U32(kHeaderBytes);
    b.Rect(0, 0, int64_t{width} - 1, int64_t{height} - 1);
    b.Rect(0, 0, src.frameRight, src.frameBottom);
    b.U32(0x464D4520);
    b.U32(0x10000);
    b.U32(static_cast<DWORD>(total));
    b.U32(6);
    b.U16(1);
    b.U16(0);
    b.U32(0);
    b.U32(0);
    b.U32(0);
    {
        ScreenIfNull screen(nullptr);
        b.I32(GetDeviceCaps(screen.Get(), HORZRES));
        b.I32(GetDeviceCaps(screen.Get(), VERTRES));
        b.I32(GetDeviceCaps(screen.Get(), HORZSIZE));
        b.I32(GetDeviceCaps(screen.Get(), VERTSIZE));
    }
    // MM_ISOTROPIC with window and viewport extents of one inch in pixels: logical units are pixels.
    b.U32(17);
    b.U32(12);
    b.U32(7);
    b.U32(9);
    b.U32(16);
    b.I32(src.logPixelsX);
    b.I32(src.logPixelsY);
    b.U32(11);
    b.U32(16);
    b.I32(src.logPixelsX);
    b.I32(src.logPixelsY);
    // STRETCHDIBITS of the whole DIB onto (0, 0, width, height); its header and bits follow the fields.
    b.U32(81);
    b.U32(static_cast<DWORD>(stretchBytes));
    b.Rect(0, 0, int64_t{width} - 1, int64_t{height} - 1);
    b.Rect(0, 0, 0, 0);  // destination and source origins
    b.I32(width);
    b.I32(height);
    b.U32(kStretchDiBitsFixed);
    b.U32(sizeof(BITMAPINFOHEADER));
    b.U32(kStretchDiBitsFixed + sizeof(BITMAPINFOHEADER));
    b.U32(static_cast<DWORD>(src.dibBytes - sizeof(BITMAPINFOHEADER)));
    b.U32(DIB_RGB_COLORS);
    b.U32(SRCCOPY);
    b.I32(width);
    b.I32(height);
    Bytes eof;
    eof.U32(14);
    eof.U32(20);
    eof.U32(0);
    eof.U32(16);
    eof.U32(20);
    return PutAll(err, sink, b, src, eof);
}

UINT WriteRgbAsWmf(ErrorCode& err, Stream& sink, const BYTE* rgb, UINT width, UINT height, BOOL placeable) {
    DepthGuard depth;
    // Coordinates of a Windows metafile are 16-bit.
    if (width > INT16_MAX || height > INT16_MAX) {
        err = ErrorCode::BadParam;
        return 0;
    }
    Source src;
    if (!Prepare(err, rgb, width, height, src)) return 0;
    const uint64_t stretchWords = 3 + 2 + 1 + 8 + src.dibBytes / 2;
    const uint64_t totalWords = 9 + 4 + 5 + 5 + stretchWords + 3;
    if (totalWords > UINT32_MAX) {
        err = ErrorCode::BadParam;
        return 0;
    }
    Bytes b;
    if (placeable) {
        // The frame in 1/1000 inch, or, for a frame the header's 16-bit box cannot hold at that unit, in the
        // largest whole unit that fits it.
        const int64_t larger = std::max(src.frameRight, src.frameBottom);
        const int64_t unitsPerInch = larger * 1000 / 2540 <= INT16_MAX ? 1000 : std::max<int64_t>(INT16_MAX * 2540 / larger, 1);
        b.U32(kPlaceableKey);
        b.U16(0);
        b.U16(0);
        b.U16(0);
        b.U16(static_cast<DWORD>(src.frameRight * unitsPerInch / 2540));
        b.U16(static_cast<DWORD>(src.frameBottom * unitsPerInch / 2540));
        b.U16(static_cast<DWORD>(unitsPerInch));
        b.U32(0);
        WORD checksum = 0;
        for (size_t i = 0; i < 10; ++i) checksum ^= GetLe16(b.At(2 * i));
        b.U16(checksum);
    }
    // The header: a memory metafile of version 3.0, its size and its largest record in words.
    b.U16(1);
    b.U16(9);
    b.U16(0x0300);
    b.U32(static_cast<DWORD>(totalWords));
    b.U16(0);
    b.U32(static_cast<DWORD>(stretchWords));
    b.U16(0);
    // MM_ANISOTROPIC, window and viewport extents of one inch in pixels (y before x).
    b.U32(4);
    b.U16(0x0103);
    b.U16(8);
    b.U32(5);
    b.U16(0x020C);
    b.U16(static_cast<DWORD>(src.logPixelsY));
    b.U16(static_cast<DWORD>(src.logPixelsX));
    b.U32(5);
    b.U16(0x020E);
    b.U16(static_cast<DWORD>(src.logPixelsY));
    b.U16(static_cast<DWORD>(src.logPixelsX));
    // STRETCHDIB: raster operation, colour use, source height, width, y, x, destination height, width, y, x,
    // then the DIB.
    b.U32(static_cast<DWORD>(stretchWords));
    b.U16(0x0F43);
    b.U32(SRCCOPY);
    b.U16(DIB_RGB_COLORS);
    b.U16(height);
    b.U16(width);
    b.U16(0);
    b.U16(0);
    b.U16(height);
    b.U16(width);
    b.U16(0);
    b.U16(0);
    Bytes eof;
    eof.U32(3);
    eof.U16(0);
    return PutAll(err, sink, b, src, eof);
}

}  // namespace px

UINT WriteRgbAsEmf(SinkHandle sink, const BYTE* rgb, UINT width, UINT height) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& s) { return px::WriteRgbAsEmf(err, s, rgb, width, height); });
}

UINT WriteRgbAsWmf(SinkHandle sink, const BYTE* rgb, UINT width, UINT height, BOOL placeable) {
    return px::RunOnHandle(
        sink, [&](ErrorCode& err, px::Stream& s) { return px::WriteRgbAsWmf(err, s, rgb, width, height, placeable); });
}
