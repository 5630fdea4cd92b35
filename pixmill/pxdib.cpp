#include "pixmill/pxdib.h"

#include <algorithm>

#include "pixmill/pxbytes.h"
#include "pixmill/pxstream.h"

namespace px {

namespace {

inline void PutEntry(BYTE* p, const RGBQUAD& q) {
    p[0] = q.rgbRed;
    p[1] = q.rgbGreen;
    p[2] = q.rgbBlue;
}

// The row conversion of one row into RGB, specialised by depth for the caller's loop.
template <UINT kBits>
void ConvertRow(const BYTE* src, BYTE* rgb, UINT width, const RGBQUAD* palette) {
    if constexpr (kBits == 1) {
        for (UINT x = 0; x < width; ++x) PutEntry(rgb + 3 * size_t{x}, palette[(src[x >> 3] >> (7 - (x & 7))) & 1]);
    } else if constexpr (kBits == 4) {
        for (UINT x = 0; x < width; ++x) {
            const BYTE b = src[x >> 1];
            PutEntry(rgb + 3 * size_t{x}, palette[(x & 1) ? (b & 0x0F) : (b >> 4)]);
        }
    } else if constexpr (kBits == 8) {
        for (UINT x = 0; x < width; ++x) PutEntry(rgb + 3 * size_t{x}, palette[src[x]]);
    } else if constexpr (kBits == 16) {
        for (UINT x = 0; x < width; ++x) {
            const UINT v = src[2 * size_t{x}] | (UINT{src[2 * size_t{x} + 1]} << 8);
            BYTE* p = rgb + 3 * size_t{x};
            p[0] = static_cast<BYTE>(((v & 0x7C00) >> 7) | 7);
            p[1] = static_cast<BYTE>(((v & 0x3E0) >> 2) | 7);
            p[2] = static_cast<BYTE>(((v & 31) * 8) | 7);
        }
    } else if constexpr (kBits == 24) {
        CopySwapped24(rgb, src, width);
    } else if constexpr (kBits == 32) {
        for (UINT x = 0; x < width; ++x) {
            const BYTE* s = src + 4 * size_t{x};
            BYTE* p = rgb + 3 * size_t{x};
            p[0] = s[2];
            p[1] = s[1];
            p[2] = s[0];
        }
    }
}

// Writes pixels of an RLE image; tracks the position and the rows reported.
class RleWriter {
public:
    RleWriter(const RleTarget& target) : m_t(target), m_nRow(static_cast<int64_t>(target.height) - 1) {}

    // n pixels at (x, row), pixel i taking index(i): nothing below the image; cut at the row's end.
    // False when the row lies below the image and that is an error.
    template <class IndexOf>
    bool Emit(int64_t n, IndexOf indexOf, const RleOptions& options) {
        if (m_nRow < 0) return !options.bBelowBottomIsError;
        n = std::min<int64_t>(n, static_cast<int64_t>(m_t.width) - m_nX);
        if (n <= 0) return true;
        BYTE* p = m_t.rgb + (static_cast<size_t>(m_nRow) * m_t.width + static_cast<size_t>(m_nX)) * 3;
        for (int64_t i = 0; i < n; ++i, p += 3) PutEntry(p, m_t.palette[indexOf(i)]);
        m_nX += n;
        return true;
    }
    // Moves down by dy rows to column x (an end of line: dy 1, x 0); false when the row falls below the
    // image and that is an error. Encoders end the last row with an end of line too, so leaving the
    // bottom row that way is not an error in itself: only data that follows it is.
    bool MoveTo(int64_t x, int64_t dy, bool bEndOfLine, const RleOptions& options) {
        const bool wasInside = m_nRow >= 0;
        m_nX = std::min<int64_t>(x, m_t.width);
        m_nRow -= dy;
        if (m_nRow < 0) {
            if (options.bBelowBottomIsError && !(bEndOfLine && wasInside)) return false;
            m_nRow = -1;
        }
        return true;
    }
    int64_t X() const { return m_nX; }
    int64_t Row() const { return m_nRow; }

private:
    const RleTarget& m_t;
    int64_t m_nRow;
    int64_t m_nX = 0;
};

template <class Reader>
ErrorCode DecodeRleFrom(Reader& reader, bool bRle4, const RleTarget& target, const RleOptions& options) {
    enum State { kCount, kValue, kEscape, kAbsolute, kDeltaX, kDeltaY };
    RleWriter out(target);
    State state = kCount;
    uint64_t nByteCount = 0;  // bytes read, the first counting 1
    UINT nCount = 0;          // pixels of the current run or absolute run
    UINT nLeft = 0;           // pixels of the absolute run still to come
    BYTE nDeltaX = 0;
    int64_t nLastReported = 0;
    const UINT height = target.height;
    BYTE b = 0;
    for (;;) {
        if (!reader.GetByte(b)) return options.bEndOfDataIsError ? ErrorCode::FileRead : ErrorCode::None;
        ++nByteCount;
        if (options.bReportProgress && out.Row() != nLastReported) {
            nLastReported = out.Row();
            if (ProgressStops(static_cast<UINT>(height - 1 - out.Row()), height, AbortRule::OnFalse))
                return ErrorCode::Aborted;
        }
        switch (state) {
        case kCount:
            if (b == 0) {
                // A zero that opens a pair is an escape; one at the pair's second byte pads an
                // absolute run to a whole number of pairs.
                if (nByteCount & 1) state = kEscape;
            } else {
                nCount = b;
                state = kValue;
            }
            break;
        case kValue:
            if (bRle4) {
                const BYTE hi = b >> 4, lo = b & 0x0F;
                if (!out.Emit(nCount, [&](int64_t i) { return (i & 1) ? lo : hi; }, options)) return ErrorCode::BadBmp;
            } else {
                if (!out.Emit(nCount, [&](int64_t) { return b; }, options)) return ErrorCode::BadBmp;
            }
            state = kCount;
            break;
        case kEscape:
            if (b == 0) {
                if (!out.MoveTo(0, 1, true, options)) return ErrorCode::BadBmp;
                state = kCount;
            } else if (b == 1) {
                return ErrorCode::None;
            } else if (b == 2) {
                state = kDeltaX;
            } else {
                nLeft = b;
                state = kAbsolute;
            }
            break;
        case kAbsolute:
            if (bRle4) {
                const BYTE hi = b >> 4, lo = b & 0x0F;
                const UINT n = nLeft >= 2 ? 2 : 1;
                if (!out.Emit(n, [&](int64_t i) { return i ? lo : hi; }, options)) return ErrorCode::BadBmp;
                nLeft -= n;
            } else {
                if (!out.Emit(1, [&](int64_t) { return b; }, options)) return ErrorCode::BadBmp;
                --nLeft;
            }
            if (nLeft == 0) state = kCount;
            break;
        case kDeltaX:
            nDeltaX = b;
            state = kDeltaY;
            break;
        case kDeltaY:
            if (!out.MoveTo(out.X() + nDeltaX, b, false, options)) return ErrorCode::BadBmp;
            state = kCount;
            break;
        }
    }
}

}  // namespace

void DibRowToRgb(const BYTE* src, BYTE* rgb, UINT width, UINT bits, const RGBQUAD* palette) {
    switch (bits) {
    case 1: ConvertRow<1>(src, rgb, width, palette); break;
    case 4: ConvertRow<4>(src, rgb, width, palette); break;
    case 8: ConvertRow<8>(src, rgb, width, palette); break;
    case 16: ConvertRow<16>(src, rgb, width, palette); break;
    case 24: ConvertRow<24>(src, rgb, width, palette); break;
    case 32: ConvertRow<32>(src, rgb, width, palette); break;
    default: break;
    }
}

void DibRowToIndices(const BYTE* src, BYTE* out, UINT width, UINT bits) {
    switch (bits) {
    case 1:
        for (UINT x = 0; x < width; ++x) out[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        for (UINT x = 0; x < width; ++x) out[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
        break;
    case 8:
        std::copy(src, src + width, out);
        break;
    default:
        break;
    }
}

ErrorCode DecodeRle(StreamReader& reader, bool bRle4, const RleTarget& target, const RleOptions& options) {
    return DecodeRleFrom(reader, bRle4, target, options);
}

ErrorCode DecodeRle(MemoryReader& reader, bool bRle4, const RleTarget& target, const RleOptions& options) {
    return DecodeRleFrom(reader, bRle4, target, options);
}

}  // namespace px
