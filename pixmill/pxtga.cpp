// The TGA codec: Truevision files, colour-mapped, true-colour and grey, plain or run-length coded, into
// RGB or 8-bit buffers; 24-bit and colour-mapped 8-bit files written.
#include <algorithm>
#include <cstring>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxbytes.h"
#include "pixmill/pxstream.h"

namespace px {

namespace {

constexpr size_t kHeaderBytes = 18;
constexpr BYTE kTopLeftOrigin = 0x20;

struct TgaHeader {
    BYTE idLength;
    BYTE mapType;
    BYTE imageType;
    WORD mapFirst;
    WORD mapLength;
    BYTE mapEntryBits;
    WORD width;
    WORD height;
    BYTE pixelBits;
    BYTE descriptor;

    bool IsRle() const { return imageType >= 9; }
    // Only the colour-mapped types index their map.
    bool IsMapped() const { return mapType != 0 && (imageType == 1 || imageType == 9); }
};

bool IsKnownSize(UINT bits) { return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32; }
UINT BytesOf(UINT bits) { return (bits + 7) / 8; }

// The raw value of a pixel or map entry (little-endian).
UINT RawValue(const BYTE* p, UINT nBytes) {
    UINT v = 0;
    for (UINT i = nBytes; i-- > 0;) v = (v << 8) | p[i];
    return v;
}

// A pixel or map entry as red, green, blue: 8 bits grey, 15 and 16 bits five bits a channel times 8,
// 24 and 32 bits blue, green, red (alpha ignored).
void ColorOf(const BYTE* p, UINT bits, BYTE* rgb) {
    switch (bits) {
    case 8:
        rgb[0] = rgb[1] = rgb[2] = p[0];
        break;
    case 15:
    case 16: {
        const UINT v = p[0] | (UINT{p[1]} << 8);
        rgb[0] = static_cast<BYTE>(((v >> 10) & 31) * 8);
        rgb[1] = static_cast<BYTE>(((v >> 5) & 31) * 8);
        rgb[2] = static_cast<BYTE>((v & 31) * 8);
        break;
    }
    default:
        rgb[0] = p[2];
        rgb[1] = p[1];
        rgb[2] = p[0];
        break;
    }
}

// Pixels of the image in file order, through run-length packets where the type has them. A packet may
// run across rows; one that runs past the image's last pixel is cut there.
class TgaPixels {
public:
    TgaPixels(StreamReader& reader, const TgaHeader& h) : m_reader(reader), m_bRle(h.IsRle()), m_nBytes(BytesOf(h.pixelBits)) {}

    // The next n pixels, each m_nBytes long: where they lie in the data, or decoded into `scratch`.
    // NULL on a short read.
    const BYTE* Next(BYTE* scratch, size_t n) {
        if (!m_bRle) return m_reader.ReadView(n * m_nBytes, scratch);
        BYTE* out = scratch;
        while (n > 0) {
            if (m_nLeft == 0) {
                BYTE h = 0;
                if (!m_reader.GetByte(h)) return nullptr;
                m_bRun = h >= 128;
                m_nLeft = m_bRun ? h - 127u : h + 1u;
                if (m_bRun && m_reader.Read(m_value, m_nBytes) != m_nBytes) return nullptr;
            }
            const size_t k = std::min<size_t>(n, m_nLeft);
            if (m_bRun) {
                for (size_t i = 0; i < k; ++i) std::memcpy(out + i * m_nBytes, m_value, m_nBytes);
            } else if (m_reader.Read(out, k * m_nBytes) != k * m_nBytes) {
                return nullptr;
            }
            out += k * m_nBytes;
            n -= k;
            m_nLeft -= static_cast<UINT>(k);
        }
        return scratch;
    }

private:
    StreamReader& m_reader;
    bool m_bRle;
    UINT m_nBytes;
    bool m_bRun = false;
    UINT m_nLeft = 0;
    BYTE m_value[4] = {};
};

class TgaReader {
public:
    explicit TgaReader(Stream& stream) : m_stream(stream) {}
    // b8Bit: the indices of a colour-mapped image and its map copied into `palette`; otherwise RGB.
    BYTE* Read(ErrorCode& err, UINT& width, UINT& height, RGBQUAD* palette, bool b8Bit);

private:
    ErrorCode ReadHeader(TgaHeader& h, bool b8Bit);
    ErrorCode ReadColorMap(StreamReader& reader, const TgaHeader& h);
    ErrorCode ReadPixels(StreamReader& reader, const TgaHeader& h, BYTE* out, bool b8Bit);

    Stream& m_stream;
    DepthGuard m_depth;
    BYTE m_map[256][3] = {};  // red, green, blue; entries the file lacks are black
};

ErrorCode TgaReader::ReadHeader(TgaHeader& h, bool b8Bit) {
    BYTE b[kHeaderBytes];
    if (!m_stream.ReadExact(b, sizeof(b))) return ErrorCode::FileRead;
    h.idLength = b[0];
    h.mapType = b[1];
    h.imageType = b[2];
    h.mapFirst = GetLe16(b + 3);
    h.mapLength = GetLe16(b + 5);
    h.mapEntryBits = b[7];
    h.width = GetLe16(b + 12);
    h.height = GetLe16(b + 14);
    h.pixelBits = b[16];
    h.descriptor = b[17];
    const BYTE t = h.imageType;
    if (!IsKnownSize(h.pixelBits) || !(t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11) || h.width == 0 ||
        h.height == 0 || (h.mapType != 0 && !IsKnownSize(h.mapEntryBits)))
        return ErrorCode::BadTga;
    if (b8Bit) {
        if (h.pixelBits > 8 || (t != 1 && t != 9)) return ErrorCode::WrongBitDepth;
        if (h.mapType == 0) return ErrorCode::BadTga;
    }
    return ErrorCode::None;
}

ErrorCode TgaReader::ReadColorMap(StreamReader& reader, const TgaHeader& h) {
    if (h.mapType == 0) return ErrorCode::None;
    const UINT nBytes = BytesOf(h.mapEntryBits);
    BYTE entry[4];
    for (UINT i = 0; i < h.mapLength; ++i) {
        if (reader.Read(entry, nBytes) != nBytes) return ErrorCode::FileRead;
        const UINT at = UINT{h.mapFirst} + i;
        if (at < 256) ColorOf(entry, h.mapEntryBits, m_map[at]);  // later entries are read and dropped
    }
    return ErrorCode::None;
}

ErrorCode TgaReader::ReadPixels(StreamReader& reader, const TgaHeader& h, BYTE* out, bool b8Bit) {
    const UINT w = h.width, rows = h.height;
    const UINT nBytes = BytesOf(h.pixelBits);
    const bool bMapped = h.IsMapped();
    const bool bTopFirst = (h.descriptor & kTopLeftOrigin) != 0;
    const size_t nOutPixel = b8Bit ? 1 : 3;
    GlobalBuffer rowBlock(SizeMul(w, nBytes));
    if (!rowBlock) return ErrorCode::OutOfMemory;
    TgaPixels pixels(reader, h);
    for (UINT y = 0; y < rows; ++y) {
        const BYTE* row = pixels.Next(rowBlock.Get(), w);
        if (!row) return ErrorCode::FileRead;
        BYTE* o = out + size_t{bTopFirst ? y : rows - 1 - y} * w * nOutPixel;
        if (bMapped) {
            for (UINT x = 0; x < w; ++x) {
                const UINT index = RawValue(row + size_t{x} * nBytes, nBytes);
                if (index >= 256) return ErrorCode::BadTga;
                if (b8Bit)
                    o[x] = static_cast<BYTE>(index);
                else
                    std::memcpy(o + 3 * size_t{x}, m_map[index], 3);
            }
        } else if (h.pixelBits == 24) {
            CopySwapped24(o, row, w);
        } else {
            for (UINT x = 0; x < w; ++x) ColorOf(row + size_t{x} * nBytes, h.pixelBits, o + 3 * size_t{x});
        }
        if (ProgressStops(y, rows, b8Bit ? AbortRule::OnFalseOrNegative : AbortRule::OnFalse)) return ErrorCode::Aborted;
    }
    return ErrorCode::None;
}

BYTE* TgaReader::Read(ErrorCode& err, UINT& width, UINT& height, RGBQUAD* palette, bool b8Bit) {
    width = height = 0;
    TgaHeader h{};
    if ((err = ReadHeader(h, b8Bit)) != ErrorCode::None) return nullptr;
    StreamReader reader(m_stream);
    BYTE id[255];
    if (reader.Read(id, h.idLength) != h.idLength) {
        err = ErrorCode::FileRead;
        return nullptr;
    }
    if ((err = ReadColorMap(reader, h)) != ErrorCode::None) return nullptr;
    GlobalBuffer out(SizeMul(h.width, h.height, b8Bit ? 1 : 3));
    if (!out) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    // Any failure or abort frees the buffer.
    if ((err = ReadPixels(reader, h, out.Get(), b8Bit)) != ErrorCode::None) return nullptr;
    if (b8Bit) {
        for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{m_map[i][2], m_map[i][1], m_map[i][0], 0};
    }
    width = h.width;
    height = h.height;
    return out.Release();
}

UINT WriteTga(ErrorCode& err, Stream& stream, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
              bool b8Bit) {
    DepthGuard depth;
    // Width and height are WORDs in the header.
    if (!pixels || (b8Bit && !palette) || width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF) {
        err = ErrorCode::BadParam;
        return 0;
    }
    BYTE header[kHeaderBytes + 3 * 256] = {};
    header[1] = b8Bit ? 1 : 0;
    header[2] = b8Bit ? 1 : 2;
    PutLe16(header + 5, b8Bit ? 256 : 0);
    header[7] = b8Bit ? 24 : 0;
    PutLe16(header + 12, width);
    PutLe16(header + 14, height);
    header[16] = b8Bit ? 8 : 24;
    header[17] = b8Bit ? 0x28 : 0x20;
    size_t nHeader = kHeaderBytes;
    if (b8Bit) {
        for (int i = 0; i < 256; ++i, nHeader += 3) {
            header[nHeader] = palette[i].rgbBlue;
            header[nHeader + 1] = palette[i].rgbGreen;
            header[nHeader + 2] = palette[i].rgbRed;
        }
    }
    if (!stream.Write(header, static_cast<UINT>(nHeader))) {
        err = ErrorCode::FileWrite;
        return 0;
    }
    const size_t nRow = size_t{width} * (b8Bit ? 1 : 3);
    GlobalBuffer row(nRow);
    if (!row) {
        err = ErrorCode::OutOfMemory;
        return 0;
    }
    for (UINT y = 0; y < height; ++y) {
        std::memcpy(row.Get(), pixels + size_t{y} * nRow, nRow);
        if (!b8Bit) SwapRedBlue(err, row.Get(), width, 1);
        if (!stream.Write(row.Get(), static_cast<UINT>(nRow))) {
            err = ErrorCode::FileWrite;
            return 0;
        }
        if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) {
            err = ErrorCode::Aborted;
            return 0;
        }
    }
    return stream.Size();
}

}  // namespace

}  // namespace px

BYTE* ReadTgaToRgb(SourceHandle source, UINT* width, UINT* height) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::TgaReader(stream).Read(err, *width, *height, nullptr, false);
    });
}

BYTE* ReadTgaTo8Bit(SourceHandle source, UINT* width, UINT* height, RGBQUAD* palette) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height, palette)) return nullptr;
        return px::TgaReader(stream).Read(err, *width, *height, palette, true);
    });
}

UINT WriteRgbAsTga(SinkHandle sink, const BYTE* rgb, UINT width, UINT height) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteTga(err, stream, rgb, width, height, nullptr, false);
    });
}

UINT Write8BitAsTga(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WriteTga(err, stream, pixels, width, height, palette, true);
    });
}
