// The PCX codec: ZSoft files of 1, 4 and 8 bits in one plane, 1-bit planes, and 24 bits in three planes
// into RGB or 8-bit buffers; RGB and 256-colour files written.
#include <algorithm>
#include <cstring>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxbytes.h"
#include "pixmill/pxstream.h"

namespace px {

namespace {

constexpr size_t kHeaderBytes = 128;
constexpr BYTE kPaletteMarker = 0x0C;
constexpr int kMaxRun = 63;

struct PcxHeader {
    BYTE manufacturer;
    BYTE version;
    BYTE bitsPerPlane;
    WORD xMin, yMin, xMax, yMax;
    BYTE egaPalette[48];  // 16 x (red, green, blue)
    BYTE planes;
    WORD bytesPerLine;

    UINT Width() const { return UINT{xMax} - xMin + 1; }
    UINT Height() const { return UINT{yMax} - yMin + 1; }
    UINT PixelBits() const { return UINT{bitsPerPlane} * planes; }
};

// How a scan line's planes make pixels.
enum class Layout {
    Rgb24,   // three planes of 8 bits: red, green, blue
    Packed,  // one plane of 1, 4 or 8-bit values, the first pixel in the high bits
    Planar,  // 4 to 8 planes of 1 bit: plane p gives value bit p
    Zero,    // any other layout of 1 to 24 bits (2 or 3 pixel bits among them): every pixel is 0
};

Layout LayoutOf(const PcxHeader& h) {
    if (h.bitsPerPlane == 8 && h.planes == 3) return Layout::Rgb24;
    if (h.planes == 1 && (h.bitsPerPlane == 1 || h.bitsPerPlane == 4 || h.bitsPerPlane == 8)) return Layout::Packed;
    if (h.bitsPerPlane == 1 && h.planes >= 4 && h.planes <= 8) return Layout::Planar;
    return Layout::Zero;
}

class PcxReader {
public:
    explicit PcxReader(Stream& stream) : m_stream(stream) {}
    // b8Bit: one index per pixel and the palette copied out; otherwise RGB.
    BYTE* Read(ErrorCode& err, UINT& width, UINT& height, RGBQUAD* palette, bool b8Bit);

private:
    ErrorCode ReadHeader(PcxHeader& h);
    void BuildPalette(const PcxHeader& h);
    // One scan line of run-length codes into the line buffer: a run is cut where the line ends, data
    // that ends early leaves zeros. False when the data ran out before the line was full.
    bool DecodeLine(StreamReader& reader, BYTE* line, size_t n);

    Stream& m_stream;
    DepthGuard m_depth;
    BYTE m_palette[256][3] = {};  // red, green, blue
};

ErrorCode PcxReader::ReadHeader(PcxHeader& h) {
    BYTE b[kHeaderBytes];
    if (!m_stream.Rewind() || !m_stream.ReadExact(b, sizeof(b))) return ErrorCode::BadPcx;
    h.manufacturer = b[0];
    h.version = b[1];
    h.bitsPerPlane = b[3];
    h.xMin = GetLe16(b + 4);
    h.yMin = GetLe16(b + 6);
    h.xMax = GetLe16(b + 8);
    h.yMax = GetLe16(b + 10);
    std::memcpy(h.egaPalette, b + 16, sizeof(h.egaPalette));
    h.planes = b[65];
    h.bytesPerLine = GetLe16(b + 66);
    if (h.manufacturer != 10) return ErrorCode::BadPcx;
    if (h.version != 0 && h.version != 2 && h.version != 3 && h.version != 5) return ErrorCode::BadPcx;
    if (h.xMax < h.xMin || h.yMax < h.yMin) return ErrorCode::BadPcx;
    return ErrorCode::None;
}

void PcxReader::BuildPalette(const PcxHeader& h) {
    bool bFromFile = false;
    if (h.version == 5 && h.PixelBits() == 8 && m_stream.Seek(-769, 2)) {
        BYTE marker = 0;
        BYTE table[768];
        if (m_stream.ReadExact(&marker, 1) && marker == kPaletteMarker && m_stream.ReadExact(table, sizeof(table))) {
            std::memcpy(m_palette, table, sizeof(table));
            bFromFile = true;
        }
    }
    if (!bFromFile)
        for (int i = 0; i < 256; ++i) m_palette[i][0] = m_palette[i][1] = m_palette[i][2] = static_cast<BYTE>(i);
    const UINT bits = h.PixelBits();
    if (bits < 8) {
        const UINT n = std::min(1u << bits, 16u);  // the header holds 16 entries
        std::memcpy(m_palette, h.egaPalette, n * 3);
    }
    if (bits == 1) {
        std::memset(m_palette[0], 0, 3);
        std::memset(m_palette[1], 255, 3);
    }
}

bool PcxReader::DecodeLine(StreamReader& reader, BYTE* line, size_t n) {
    size_t i = 0;
    BYTE b = 0;
    while (i < n) {
        if (!reader.GetByte(b)) break;
        if (b >= 0xC0) {
            const size_t count = b & 0x3F;
            BYTE value = 0;
            if (!reader.GetByte(value)) break;
            const size_t k = std::min(count, n - i);  // the rest of a run past the line is dropped
            std::memset(line + i, value, k);
            i += k;
        } else {
            line[i++] = b;
        }
    }
    if (i == n) return true;
    std::memset(line + i, 0, n - i);
    return false;
}

BYTE* PcxReader::Read(ErrorCode& err, UINT& width, UINT& height, RGBQUAD* palette, bool b8Bit) {
    width = height = 0;
    PcxHeader h{};
    if ((err = ReadHeader(h)) != ErrorCode::None) return nullptr;
    const UINT w = h.Width(), rows = h.Height(), bits = h.PixelBits();
    if (b8Bit && bits > 8) {
        err = ErrorCode::WrongBitDepth;
        return nullptr;
    }
    // No planes or no bits per plane describe no picture at all; more than 24 bits no layout.
    if (bits == 0 || bits > 24 || uint64_t{h.bytesPerLine} * 8 < uint64_t{w} * h.bitsPerPlane) {
        err = ErrorCode::BadPcx;
        return nullptr;
    }
    BuildPalette(h);
    if (b8Bit) {
        for (int i = 0; i < 256; ++i)
            palette[i] = RGBQUAD{m_palette[i][2], m_palette[i][1], m_palette[i][0], 0};
    }
    if (!m_stream.Seek(static_cast<LONG>(kHeaderBytes), 0)) {
        err = ErrorCode::BadPcx;
        return nullptr;
    }
    const uint64_t nLine = uint64_t{h.bytesPerLine} * h.planes;
    GlobalBuffer line(nLine);
    GlobalBuffer out(SizeMul(w, b8Bit ? 1 : 3, rows));
    if (!line || !out) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    width = w;
    height = rows;
    const Layout layout = LayoutOf(h);
    const size_t nPlane = h.bytesPerLine;
    const size_t nPixel = b8Bit ? 1 : 3;
    StreamReader reader(m_stream);
    // Once the data has run out and a whole line was cleared, every later line stays zero: a header
    // declaring long lines over little data costs no more than its output.
    int nEmptyLines = 0;
    for (UINT y = 0; y < rows; ++y) {
        BYTE* l = line.Get();
        if (nEmptyLines < 2 && !DecodeLine(reader, l, static_cast<size_t>(nLine))) ++nEmptyLines;
        BYTE* o = out.Get() + size_t{y} * w * nPixel;
        if (layout == Layout::Rgb24) {
            for (UINT x = 0; x < w; ++x, o += 3) {
                o[0] = l[x];
                o[1] = l[nPlane + x];
                o[2] = l[2 * nPlane + x];
            }
        } else {
            const UINT bpp = h.bitsPerPlane;
            for (UINT x = 0; x < w; ++x) {
                UINT v = 0;
                if (layout == Layout::Packed) {
                    const size_t bit = size_t{x} * bpp;
                    v = (l[bit >> 3] >> (8 - bpp - (bit & 7))) & ((1u << bpp) - 1);
                } else if (layout == Layout::Planar) {
                    for (UINT p = 0; p < h.planes; ++p) v |= ((l[p * nPlane + (x >> 3)] >> (7 - (x & 7))) & 1u) << p;
                }
                if (b8Bit) {
                    o[x] = static_cast<BYTE>(v);
                } else {
                    std::memcpy(o + 3 * size_t{x}, m_palette[v], 3);
                }
            }
        }
        if (ProgressStops(y, rows, AbortRule::OnFalseOrNegative)) {
            err = ErrorCode::Aborted;
            break;
        }
    }
    return out.Release();
}

// Run-length codes one plane: runs of equal bytes of at most 63; a single byte below 0xC0 goes alone,
// every other run as (0xC0 | count, value). Returns the end of the output.
BYTE* EncodePlane(const BYTE* p, size_t n, BYTE* out) {
    size_t i = 0;
    while (i < n) {
        const BYTE v = p[i];
        size_t run = 1;
        while (i + run < n && run < kMaxRun && p[i + run] == v) ++run;
        if (run == 1 && v < 0xC0) {
            *out++ = v;
        } else {
            *out++ = static_cast<BYTE>(0xC0 | run);
            *out++ = v;
        }
        i += run;
    }
    return out;
}

UINT WritePcx(ErrorCode& err, Stream& stream, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
              bool b8Bit) {
    DepthGuard depth;
    // The header holds x max = width - 1 and bytes per line (width rounded up to even) as WORDs.
    const uint64_t nPlane = uint64_t{width} + (width & 1);
    if (!pixels || (b8Bit && !palette) || width == 0 || height == 0 || nPlane > 0xFFFF || height > 0x10000) {
        err = ErrorCode::BadParam;
        return 0;
    }
    const UINT planes = b8Bit ? 1 : 3;
    BYTE header[kHeaderBytes] = {};
    header[0] = 10;
    header[1] = 5;
    header[2] = 1;
    header[3] = 8;
    PutLe16(header + 8, width - 1);
    PutLe16(header + 10, height - 1);
    PutLe16(header + 12, 96);
    PutLe16(header + 14, 96);
    header[65] = static_cast<BYTE>(planes);
    PutLe16(header + 66, static_cast<DWORD>(nPlane));
    PutLe16(header + 68, 1);
    if (!stream.Write(header, sizeof(header))) {
        err = ErrorCode::FileWrite;
        return 0;
    }
    // The planes of one row, then their codes (at most two bytes per byte).
    GlobalBuffer line(nPlane * planes);
    GlobalBuffer coded(nPlane * planes * 2);
    if (!line || !coded) {
        err = ErrorCode::OutOfMemory;
        return 0;
    }
    BYTE* l = line.Get();
    for (UINT y = 0; y < height; ++y) {
        if (b8Bit) {
            std::memcpy(l, pixels + size_t{y} * width, width);
        } else {
            const BYTE* s = pixels + size_t{y} * width * 3;
            for (UINT x = 0; x < width; ++x, s += 3) {
                l[x] = s[0];
                l[nPlane + x] = s[1];
                l[2 * nPlane + x] = s[2];
            }
        }
        BYTE* end = coded.Get();
        for (UINT p = 0; p < planes; ++p) end = EncodePlane(l + p * nPlane, static_cast<size_t>(nPlane), end);
        if (!stream.Write(coded.Get(), static_cast<UINT>(end - coded.Get()))) {
            err = ErrorCode::FileWrite;
            return 0;
        }
        if (ProgressStops(y, height, AbortRule::OnFalseOrNegative)) {
            err = ErrorCode::Aborted;
            break;
        }
    }
    if (b8Bit) {
        // The 256-colour table closes the file, also after an abort.
        BYTE table[1 + 768];
        table[0] = kPaletteMarker;
        for (int i = 0; i < 256; ++i) {
            table[1 + 3 * i] = palette[i].rgbRed;
            table[2 + 3 * i] = palette[i].rgbGreen;
            table[3 + 3 * i] = palette[i].rgbBlue;
        }
        if (!stream.Write(table, sizeof(table)) && err == ErrorCode::None) err = ErrorCode::FileWrite;
    }
    return err == ErrorCode::None ? stream.Size() : 0;
}

}  // namespace

}  // namespace px

BYTE* ReadPcxToRgb(SourceHandle source, UINT* width, UINT* height) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height)) return nullptr;
        return px::PcxReader(stream).Read(err, *width, *height, nullptr, false);
    });
}

BYTE* ReadPcxTo8Bit(SourceHandle source, UINT* width, UINT* height, RGBQUAD* palette) {
    return px::RunOnHandle(source, [&](ErrorCode& err, px::Stream& stream) -> BYTE* {
        if (!px::RequireNonNull(err, width, height, palette)) return nullptr;
        return px::PcxReader(stream).Read(err, *width, *height, palette, true);
    });
}

UINT WriteRgbAsPcx(SinkHandle sink, const BYTE* rgb, UINT width, UINT height) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WritePcx(err, stream, rgb, width, height, nullptr, false);
    });
}

UINT Write8BitAsPcx(SinkHandle sink, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette) {
    return px::RunOnHandle(sink, [&](ErrorCode& err, px::Stream& stream) {
        return px::WritePcx(err, stream, pixels, width, height, palette, true);
    });
}
