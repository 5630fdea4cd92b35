// The BMP codec: Windows bitmap files of 1, 4, 8, 16, 24 and 32 bits and RLE8 / RLE4 into RGB, palette
// files into 8-bit buffers, and 24-bit and 8-bit files written.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxbytes.h"
#include "pixmill/pxdib.h"
#include "pixmill/pxstream.h"

namespace px {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;

// What the reader uses of the two headers.
struct BmpHeader {
    DWORD offBits;     // offset of the pixel data from the file's start
    DWORD headerSize;  // of the information header
    LONG width;
    LONG height;  // positive: bottom row first
    WORD bits;
    DWORD compression;
    DWORD clrUsed;

    uint64_t AbsHeight() const { return static_cast<uint64_t>(std::llabs(static_cast<long long>(height))); }
};

// Reads the file header and the information header at the stream's position. An information header
// longer than 40 bytes is skipped to its end, where the palette begins; `consumed` counts the bytes
// from the file's start.
ErrorCode ReadHeaders(Stream& stream, BmpHeader& h, int64_t& consumed) {
    BYTE file[kFileHeaderBytes];
    BYTE info[kInfoHeaderBytes];
    if (!stream.ReadExact(file, sizeof(file))) return ErrorCode::FileRead;
    if (file[0] != 'B' || file[1] != 'M') return ErrorCode::BadBmp;
    if (!stream.ReadExact(info, sizeof(info))) return ErrorCode::FileRead;
    h.offBits = GetLe32(file + 10);
    h.headerSize = GetLe32(info);
    h.width = GetLeLong(info + 4);
    h.height = GetLeLong(info + 8);
    h.bits = GetLe16(info + 14);
    h.compression = GetLe32(info + 16);
    h.clrUsed = GetLe32(info + 32);
    consumed = kFileHeaderBytes + kInfoHeaderBytes;
    if (h.headerSize < kInfoHeaderBytes) return ErrorCode::BadBmp;
    if (h.headerSize > kInfoHeaderBytes) {
        const uint64_t nSkip = h.headerSize - kInfoHeaderBytes;
        if (nSkip > INT32_MAX || !stream.Seek(static_cast<LONG>(nSkip), 1)) return ErrorCode::BadBmp;
        consumed += static_cast<int64_t>(nSkip);
    }
    return ErrorCode::None;
}

// Reads the palette that follows the headers into 256 entries (those the file lacks stay black):
// colours used entries, or 2 to the power of the bit count when that is 0, at most 256. 1, 4 and 8-bit
// files have one; 16, 24 and 32-bit files use none, so none is read (a small 16-bit file would
// otherwise fail on a table it never uses).
ErrorCode ReadPalette(Stream& stream, const BmpHeader& h, RGBQUAD* palette, int64_t& consumed) {
    std::memset(palette, 0, 256 * sizeof(RGBQUAD));
    const uint64_t nColors = h.clrUsed ? h.clrUsed : (h.bits > 31 ? 0 : uint64_t{1} << h.bits);
    switch (h.bits) {
    case 1:
    case 4:
    case 8: {
        const UINT n = static_cast<UINT>(std::min<uint64_t>(256, nColors));
        BYTE raw[256 * 4];
        if (!stream.ReadExact(raw, n * 4)) return ErrorCode::FileRead;
        for (UINT i = 0; i < n; ++i) {
            palette[i].rgbBlue = raw[4 * i];
            palette[i].rgbGreen = raw[4 * i + 1];
            palette[i].rgbRed = raw[4 * i + 2];
            palette[i].rgbReserved = raw[4 * i + 3];
        }
        consumed += int64_t{n} * 4;
        return ErrorCode::None;
    }
    case 16:
    case 24:
    case 32:
        return ErrorCode::None;
    default:
        return ErrorCode::BadBmp;
    }
}

// Moves from the end of what was read to the pixel data (forward or back).
ErrorCode SeekToPixels(Stream& stream, const BmpHeader& h, int64_t consumed) {
    const int64_t delta = static_cast<int64_t>(h.offBits) - consumed;
    if (delta < INT32_MIN || delta > INT32_MAX || !stream.Seek(static_cast<LONG>(delta), 1)) return ErrorCode::BadBmp;
    return ErrorCode::None;
}

class BmpReader {
public:
    explicit BmpReader(Stream& stream) : m_stream(stream) {}

    BYTE* ReadRgb(ErrorCode& err, UINT& width, UINT& height);
    BYTE* Read8Bit(ErrorCode& err, UINT& width, UINT& height, RGBQUAD* palette);

private:
    BYTE* ReadRle(ErrorCode& err, UINT& width, UINT& height, UINT start, bool bRle4);
    // The palette, the pixels and the buffer of an uncompressed file whose headers were read (`consumed`
    // bytes so far): nOutPixel 3 gives RGB, 1 gives indices. A buffer comes back also when rows fail.
    BYTE* ReadUncompressed(ErrorCode& err, const BmpHeader& h, int64_t consumed, RGBQUAD* palette, size_t nOutPixel,
                           UINT& width, UINT& height);
    // Reads the rows of an uncompressed file into `out` (pixel bytes per output pixel: 3 for RGB,
    // 1 for indices); returns the error that stopped it.
    ErrorCode ReadRows(const BmpHeader& h, BYTE* out, size_t nOutPixel, const RGBQUAD* palette);

    Stream& m_stream;
    DepthGuard m_depth;
};

BYTE* BmpReader::ReadRgb(ErrorCode& err, UINT& width, UINT& height) {
    width = height = 0;
    const UINT start = m_stream.Tell();
    BmpHeader h{};
    int64_t consumed = 0;
    if ((err = ReadHeaders(m_stream, h, consumed)) != ErrorCode::None) return nullptr;
    if (h.width <= 0 || h.height == 0) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    if (h.compression == BI_RLE4 && h.bits == 4) return ReadRle(err, width, height, start, true);
    if (h.compression == BI_RLE8 && h.bits == 8) return ReadRle(err, width, height, start, false);
    if (h.compression != BI_RGB) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    RGBQUAD palette[256];
    return ReadUncompressed(err, h, consumed, palette, 3, width, height);
}

BYTE* BmpReader::Read8Bit(ErrorCode& err, UINT& width, UINT& height, RGBQUAD* palette) {
    width = height = 0;
    BmpHeader h{};
    int64_t consumed = 0;
    if ((err = ReadHeaders(m_stream, h, consumed)) != ErrorCode::None) return nullptr;
    if (h.bits > 8) {
        err = ErrorCode::WrongBitDepth;
        return nullptr;
    }
    if (h.compression != BI_RGB) {
        err = ErrorCode::RleUnsupported;
        return nullptr;
    }
    if (h.width <= 0 || h.height == 0) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    return ReadUncompressed(err, h, consumed, palette, 1, width, height);
}

BYTE* BmpReader::ReadUncompressed(ErrorCode& err, const BmpHeader& h, int64_t consumed, RGBQUAD* palette,
                                  size_t nOutPixel, UINT& width, UINT& height) {
    if ((err = ReadPalette(m_stream, h, palette, consumed)) != ErrorCode::None) return nullptr;
    if ((err = SeekToPixels(m_stream, h, consumed)) != ErrorCode::None) return nullptr;
    GlobalBuffer out(SizeMul(static_cast<uint64_t>(h.width), nOutPixel, h.AbsHeight()));
    if (!out) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    width = static_cast<UINT>(h.width);
    height = static_cast<UINT>(h.AbsHeight());
    err = ReadRows(h, out.Get(), nOutPixel, palette);
    return out.Release();
}

ErrorCode BmpReader::ReadRows(const BmpHeader& h, BYTE* out, size_t nOutPixel, const RGBQUAD* palette) {
    const uint64_t nStride = DibStride(static_cast<uint64_t>(h.width), h.bits);
    GlobalBuffer row(nStride);
    if (!row) return ErrorCode::OutOfMemory;
    const UINT width = static_cast<UINT>(h.width);
    const UINT rows = static_cast<UINT>(h.AbsHeight());
    const size_t nOutRow = size_t{width} * nOutPixel;
    for (UINT i = 0; i < rows; ++i) {
        const UINT r = h.height > 0 ? rows - 1 - i : i;  // the buffer row this file row fills
        if (ProgressStops(rows - 1 - r, rows, AbortRule::OnFalse)) return ErrorCode::Aborted;
        const BYTE* src = m_stream.ReadInPlace(static_cast<UINT>(nStride));
        if (!src) {
            if (!m_stream.ReadExact(row.Get(), static_cast<UINT>(nStride))) return ErrorCode::FileRead;
            src = row.Get();
        }
        if (nOutPixel == 3)
            DibRowToRgb(src, out + size_t{r} * nOutRow, width, h.bits, palette);
        else
            DibRowToIndices(src, out + size_t{r} * nOutRow, width, h.bits);
    }
    return ErrorCode::None;
}

BYTE* BmpReader::ReadRle(ErrorCode& err, UINT& width, UINT& height, UINT start, bool bRle4) {
    // The headers again, from where this reader began.
    BmpHeader h{};
    int64_t consumed = 0;
    if (start > INT32_MAX || !m_stream.Seek(static_cast<LONG>(start), 0)) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    if ((err = ReadHeaders(m_stream, h, consumed)) != ErrorCode::None) return nullptr;
    if (h.bits != (bRle4 ? 4 : 8)) {
        err = ErrorCode::RleUnsupported;
        return nullptr;
    }
    // RLE data runs from the bottom row up; a top-down RLE file does not exist.
    if (h.width <= 0 || h.height <= 0) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    RGBQUAD palette[256];
    if ((err = ReadPalette(m_stream, h, palette, consumed)) != ErrorCode::None) return nullptr;
    if ((err = SeekToPixels(m_stream, h, consumed)) != ErrorCode::None) return nullptr;
    GlobalBuffer out(SizeMul(static_cast<uint64_t>(h.width), 3, static_cast<uint64_t>(h.height)));
    if (!out) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    width = static_cast<UINT>(h.width);
    height = static_cast<UINT>(h.height);
    // Pixels the data skips keep the colour of entry 0.
    ErrorCode fillErr = ErrorCode::None;
    FillRgbRect(fillErr, out.Get(), width, height, 0, 0, width, height,
                RGB(palette[0].rgbRed, palette[0].rgbGreen, palette[0].rgbBlue));
    StreamReader reader(m_stream);
    err = DecodeRle(reader, bRle4, RleTarget{out.Get(), width, height, palette},
                    RleOptions{true, false, true});
    return out.Release();
}

UINT WriteBmp(ErrorCode& err, Stream& stream, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
              bool b8Bit) {
    DepthGuard depth;
    const UINT bits = b8Bit ? 8 : 24;
    const UINT nEntries = b8Bit ? 256 : 0;
    const uint64_t nStride = DibStride(width, bits);
    const uint64_t nImage = SizeMul(nStride, height);
    const uint64_t nOffBits = kFileHeaderBytes + kInfoHeaderBytes + 4 * nEntries;
    // The header holds signed 32-bit sizes and a 32-bit file size.
    if (!pixels || (b8Bit && !palette) || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        SizeAdd(nOffBits, nImage) > UINT32_MAX) {
        err = ErrorCode::BadParam;
        return 0;
    }
    BYTE header[kFileHeaderBytes + kInfoHeaderBytes + 4 * 256] = {};
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(header + 2, static_cast<DWORD>(nOffBits + nImage));
    PutLe32(header + 10, static_cast<DWORD>(nOffBits));
    BYTE* info = header + kFileHeaderBytes;
    PutLe32(info, kInfoHeaderBytes);
    PutLe32(info + 4, width);
    PutLe32(info + 8, height);
    PutLe16(info + 12, 1);
    PutLe16(info + 14, bits);
    PutLe32(info + 16, BI_RGB);
    PutLe32(info + 20, static_cast<DWORD>(nImage));
    PutLe32(info + 32, nEntries);
    PutLe32(info + 36, nEntries);
    for (UINT i = 0; i < nEntries; ++i) {
        BYTE* q = header + kFileHeaderBytes + kInfoHeaderBytes + 4 * i;
        q[0] = palette[i].rgbBlue;
        q[1] = palette[i].rgbGreen;
        q[2] = palette[i].rgbRed;
        q[3] = palette[i].rgbReserved;
    }
    if (!stream.Write(header, static_cast<UINT>(nOffBits))) {
        err = ErrorCode::FileWrite;
        return 0;
    }
    GlobalBuffer row(nStride);  // zero-filled: the pad bytes stay 0
    if (!row) {
        err = ErrorCode::OutOfMemory;
        return 0;
    }
    const size_t nRowBytes = size_t{width} * (bits / 8);
    for (UINT i = 0; i < height; ++i) {
        std::memcpy(row.Get(), pixels + size_t{height - 1 - i} * nRowBytes, nRowBytes);
        if (!b8Bit) SwapRedBlue(err, row.Get(), width, 1);
        if (!stream.Write(row.Get(), static_cast<UINT>(nStride))) {
            err = ErrorCode::FileWrite;
            return 0;
        }
        if (ProgressStops(i, height, AbortRule::OnFalse)) {
            err = ErrorCode::Aborted;
            return 0;
        }
    }
    return stream.Size();
}

}  // namespace

}  // namespace px

BYTE* ReadBmpToRgb(SourceHandle source, UINT* width, UINT* height) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::BmpReader(stream).ReadRgb(err, *width, *height);
    });
}

BYTE* ReadBmpTo8Bit(SourceHandle source, UINT* width, UINT* height, RGBQUAD* palette) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height, palette)) return nullptr;
        return px::BmpReader(stream).Read8Bit(err, *width, *height, palette);
    });
}

UINT WriteRgbAsBmp(SinkHandle sink, const BYTE* rgb, UINT width, UINT height) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteBmp(err, stream, rgb, width, height, nullptr, false);
    });
}

UINT Write8BitAsBmp(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteBmp(err, stream, pixels, width, height, palette, true);
    });
}
