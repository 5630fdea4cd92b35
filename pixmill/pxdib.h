// Device-independent bitmap pixels: the row conversion into RGB, the index unpacking of palette rows,
// and the RLE8 / RLE4 decoder. Shared by the BMP codec and the DIB conversions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixmill/pxcore.h"

namespace px {

// Bytes in one stored DIB row: the pixels' bits rounded up to a multiple of 32, in bytes.
constexpr uint64_t DibStride(uint64_t width, uint64_t bits) { return SizeMul(SizeAdd(SizeMul(width, bits), 31) / 32, 4); }

// Converts one row of `width` DIB pixels of `bits` bits (1, 4, 8, 16, 24 or 32) into RGB:
// 1, 4, 8 bits: the palette entry (the leftmost pixel in the high bits); 16 bits: 5-5-5 with the three
// low bits of every channel set, so 0 reads 7 and 31 reads 255; 24 bits: blue, green, red; 32 bits: the
// low three bytes of a little-endian DWORD, blue first. `palette` holds 256 entries.
void DibRowToRgb(const BYTE* src, BYTE* rgb, UINT width, UINT bits, const RGBQUAD* palette);

// Unpacks one row of 1, 4 or 8-bit pixels into one index byte per pixel, in the same bit order.
void DibRowToIndices(const BYTE* src, BYTE* out, UINT width, UINT bits);

// Bytes from a memory block, for the RLE decoder.
class MemoryReader {
public:
    MemoryReader(const BYTE* p, size_t n) : m_p(p), m_n(n) {}
    bool GetByte(BYTE& b) {
        if (m_nPos >= m_n) return false;
        b = m_p[m_nPos++];
        return true;
    }

private:
    const BYTE* m_p;
    size_t m_n;
    size_t m_nPos = 0;
};

class StreamReader;

// Where an RLE image goes: an RGB buffer of width x height (height > 0), already filled with the
// colour of palette entry 0, and the 256-entry palette its indices refer to.
struct RleTarget {
    BYTE* rgb;
    UINT width;
    UINT height;
    const RGBQUAD* palette;
};

// How the decoder treats the two ends of its data.
struct RleOptions {
    bool bReportProgress;  // report (rows done, height) whenever the row changes; FALSE aborts
    bool bBelowBottomIsError;  // a row index falling below 0 stops with ErrorCode::BadBmp (else it
                               // stays at -1 and further pixels are dropped); an end of line that
                               // leaves the bottom row is no error unless pixels, another end of
                               // line or a delta follow it
    bool bEndOfDataIsError;    // data ending before the end-of-bitmap escape is ErrorCode::FileRead
};

// Decodes RLE8 (bRle4 false) or RLE4 data into the target: runs, the end-of-line, end-of-bitmap and
// delta escapes and absolute runs with their pad bytes. Rows run from the bottom (row height - 1 is the
// first in the data). A run is cut at the row's end; deltas are clamped to the image. Returns the error
// that ended decoding (None after the end-of-bitmap escape); pixels decoded so far stay in the buffer.
ErrorCode DecodeRle(StreamReader& reader, bool bRle4, const RleTarget& target, const RleOptions& options);
ErrorCode DecodeRle(MemoryReader& reader, bool bRle4, const RleTarget& target, const RleOptions& options);

}  // namespace px
