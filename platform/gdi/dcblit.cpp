// CDC block transfers: BitBlt, StretchBlt and PatBlt (rules in dc.h).
#include <cstring>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/dcimpl.h"

namespace {

enum class Rop { Copy, Paint, And, NotCopy, Invert, Erase, NotErase, MergePaint };

bool DecodeRop(DWORD rop, Rop* out) {
    switch (rop) {
        case SRCCOPY: *out = Rop::Copy; return true;
        case SRCPAINT: *out = Rop::Paint; return true;
        case SRCAND: *out = Rop::And; return true;
        case NOTSRCCOPY: *out = Rop::NotCopy; return true;
        case SRCINVERT: *out = Rop::Invert; return true;
        case SRCERASE: *out = Rop::Erase; return true;
        case NOTSRCERASE: *out = Rop::NotErase; return true;
        case MERGEPAINT: *out = Rop::MergePaint; return true;
        default: return false;
    }
}

inline uint32_t Apply(Rop rop, uint32_t src, uint32_t dst) {
    switch (rop) {
        case Rop::Copy: return src;
        case Rop::Paint: return src | dst;
        case Rop::And: return src & dst;
        case Rop::NotCopy: return ~src & 0x00FFFFFFu;
        case Rop::Invert: return (src ^ dst) & 0x00FFFFFFu;
        case Rop::Erase: return src & ~dst & 0x00FFFFFFu;
        case Rop::NotErase: return ~(src | dst) & 0x00FFFFFFu;
        case Rop::MergePaint: return (~src | dst) & 0x00FFFFFFu;
    }
    return src;
}

// How source pixels change on their way between a colour and a monochrome bitmap (dc.h).
class PixelConversion {
public:
    PixelConversion(const CDC& dst, const CDC& src) {
        const CBitmap* db = dst.GetCurrentBitmap();
        const CBitmap* sb = src.GetCurrentBitmap();
        const bool dstMono = db && db->IsMonochrome(), srcMono = sb && sb->IsMonochrome();
        if (dstMono && !srcMono) {
            m_kind = Kind::ToMono;
            m_key = gdi::ColorToPixel(src.GetBkColor());
        } else if (srcMono && !dstMono) {
            m_kind = Kind::FromMono;
            m_zero = gdi::ColorToPixel(dst.GetTextColor());
            m_one = gdi::ColorToPixel(dst.GetBkColor());
        } else if (srcMono) {
            m_kind = Kind::MonoToMono;
            m_zero = 0;
            m_one = 0x00FFFFFFu;
        }
    }
    bool IsIdentity() const { return m_kind == Kind::None; }
    uint32_t operator()(uint32_t px) const {
        switch (m_kind) {
            case Kind::None: return px;
            case Kind::ToMono: return (px & 0x00FFFFFFu) == m_key ? 0x00FFFFFFu : 0u;
            case Kind::FromMono:
            case Kind::MonoToMono: return gdi::MonoPixel(px) ? m_one : m_zero;
        }
        return px;
    }

private:
    enum class Kind { None, ToMono, FromMono, MonoToMono };
    Kind m_kind = Kind::None;
    uint32_t m_key = 0, m_zero = 0, m_one = 0;
};

// One row of n pixels; src and dst do not overlap unless rop is Copy (then memmove).
void BlendRow(Rop rop, const uint32_t* src, uint32_t* dst, int64_t n) {
    if (rop == Rop::Copy) {
        std::memmove(dst, src, static_cast<size_t>(n) * 4);
        return;
    }
    for (int64_t i = 0; i < n; ++i) dst[i] = Apply(rop, src[i], dst[i]);
}

}  // namespace

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
    Rop rop;
    if (!m_hDC || !pSrcDC || !pSrcDC->m_hDC || !DecodeRop(dwRop, &rop)) return FALSE;
    gdi::Surface* dst = m_pSurface;
    const gdi::Surface* src = pSrcDC->m_pSurface;
    if (!dst || !src || nWidth <= 0 || nHeight <= 0) return TRUE;
    // Offsets o within the rectangle whose destination and source pixels both exist.
    const int64_t ox0 = std::max<int64_t>({0, -int64_t{x}, -int64_t{xSrc}});
    const int64_t ox1 = std::min<int64_t>({nWidth, int64_t{dst->Width()} - x, int64_t{src->Width()} - xSrc});
    const int64_t oy0 = std::max<int64_t>({0, -int64_t{y}, -int64_t{ySrc}});
    const int64_t oy1 = std::min<int64_t>({nHeight, int64_t{dst->Height()} - y, int64_t{src->Height()} - ySrc});
    if (ox0 >= ox1 || oy0 >= oy1) return TRUE;
    const int64_t n = ox1 - ox0;
    const PixelConversion convert(*this, *pSrcDC);
    if (!convert.IsIdentity()) {
        // Between colour and monochrome: convert the source rectangle first (it may share the surface).
        std::vector<uint32_t> copy(static_cast<size_t>(n * (oy1 - oy0)));
        for (int64_t oy = oy0; oy < oy1; ++oy) {
            const uint32_t* s = src->Row(static_cast<int>(ySrc + oy)) + xSrc + ox0;
            uint32_t* c = &copy[static_cast<size_t>((oy - oy0) * n)];
            for (int64_t i = 0; i < n; ++i) c[i] = convert(s[i]);
        }
        for (int64_t oy = oy0; oy < oy1; ++oy)
            BlendRow(rop, &copy[static_cast<size_t>((oy - oy0) * n)], dst->Row(static_cast<int>(y + oy)) + x + ox0, n);
        return TRUE;
    }
    if (src == dst && rop != Rop::Copy) {
        // Within one surface a blend could read pixels it already wrote: blend from a copy.
        std::vector<uint32_t> copy(static_cast<size_t>(n * (oy1 - oy0)));
        for (int64_t oy = oy0; oy < oy1; ++oy)
            std::memcpy(&copy[static_cast<size_t>((oy - oy0) * n)], src->Row(static_cast<int>(ySrc + oy)) + xSrc + ox0,
                        static_cast<size_t>(n) * 4);
        for (int64_t oy = oy0; oy < oy1; ++oy)
            BlendRow(rop, &copy[static_cast<size_t>((oy - oy0) * n)], dst->Row(static_cast<int>(y + oy)) + x + ox0, n);
        return TRUE;
    }
    // Rows in an order that never overwrites a source row before it is read (memmove handles a row).
    const bool upward = src == dst && y > ySrc;
    for (int64_t k = 0; k < oy1 - oy0; ++k) {
        const int64_t oy = upward ? oy1 - 1 - k : oy0 + k;
        BlendRow(rop, src->Row(static_cast<int>(ySrc + oy)) + xSrc + ox0, dst->Row(static_cast<int>(y + oy)) + x + ox0, n);
    }
    return TRUE;
}

namespace {

// For each destination index d of the range [lo, hi), the source index under its centre, or -1 when that
// lies outside [0, srcSize). The destination extent starts at dst0 with length ext (negative: mirrored).
void MapAxis(int64_t lo, int64_t hi, int64_t dst0, int64_t ext, int64_t src0, int64_t srcExt, int64_t srcSize,
             std::vector<int>& map) {
    map.resize(static_cast<size_t>(std::max<int64_t>(hi - lo, 0)));
    for (int64_t d = lo; d < hi; ++d) {
        // 128-bit: the offsets and extents are 32-bit values whose product needs more than 64 bits.
        const __int128 num = static_cast<__int128>(2 * (d - dst0) + 1) * srcExt;
        const __int128 den = static_cast<__int128>(2) * ext;
        __int128 q = num / den;
        if ((num % den != 0) && ((num < 0) != (den < 0))) --q;
        const __int128 sIdx = src0 + q;
        map[static_cast<size_t>(d - lo)] = (sIdx >= 0 && sIdx < srcSize) ? static_cast<int>(sIdx) : -1;
    }
}

}  // namespace

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                     int nSrcHeight, DWORD dwRop) {
    Rop rop;
    if (!m_hDC || !pSrcDC || !pSrcDC->m_hDC || !DecodeRop(dwRop, &rop)) return FALSE;
    if (nWidth > 0 && nHeight > 0 && nWidth == nSrcWidth && nHeight == nSrcHeight)
        return BitBlt(x, y, nWidth, nHeight, pSrcDC, xSrc, ySrc, dwRop);
    gdi::Surface* dst = m_pSurface;
    const gdi::Surface* src = pSrcDC->m_pSurface;
    if (!dst || !src || nWidth == 0 || nHeight == 0 || nSrcWidth == 0 || nSrcHeight == 0) return TRUE;
    if (src->IsEmpty() || dst->IsEmpty()) return TRUE;
    // Destination columns and rows covered, clipped to the destination.
    const int64_t dx0 = std::max<int64_t>(0, nWidth > 0 ? int64_t{x} : int64_t{x} + nWidth);
    const int64_t dx1 = std::min<int64_t>(dst->Width(), nWidth > 0 ? int64_t{x} + nWidth : int64_t{x});
    const int64_t dy0 = std::max<int64_t>(0, nHeight > 0 ? int64_t{y} : int64_t{y} + nHeight);
    const int64_t dy1 = std::min<int64_t>(dst->Height(), nHeight > 0 ? int64_t{y} + nHeight : int64_t{y});
    if (dx0 >= dx1 || dy0 >= dy1) return TRUE;
    std::vector<int> cols, rows;
    MapAxis(dx0, dx1, x, nWidth, xSrc, nSrcWidth, src->Width(), cols);
    MapAxis(dy0, dy1, y, nHeight, ySrc, nSrcHeight, src->Height(), rows);
    // Within one surface, read from a copy of the source.
    gdi::Surface copy;
    if (src == dst) {
        if (!copy.Create(src->Width(), src->Height())) return FALSE;
        std::memcpy(copy.Bits(), src->Bits(), src->BytesPerLine() * static_cast<size_t>(src->Height()));
        src = &copy;
    }
    // The mapping is monotonic, so the columns with a source pixel form one run.
    size_t c0 = 0, c1 = cols.size();
    while (c0 < c1 && cols[c0] < 0) ++c0;
    while (c1 > c0 && cols[c1 - 1] < 0) --c1;
    const PixelConversion convert(*this, *pSrcDC);
    for (int64_t d = dy0; d < dy1; ++d) {
        const int sy = rows[static_cast<size_t>(d - dy0)];
        if (sy < 0) continue;
        const uint32_t* srow = src->Row(sy);
        uint32_t* drow = dst->Row(static_cast<int>(d)) + dx0;
        if (!convert.IsIdentity()) {
            for (size_t c = c0; c < c1; ++c) drow[c] = Apply(rop, convert(srow[cols[c]]), drow[c]);
        } else if (rop == Rop::Copy) {
            for (size_t c = c0; c < c1; ++c) drow[c] = srow[cols[c]];
        } else {
            for (size_t c = c0; c < c1; ++c) drow[c] = Apply(rop, srow[cols[c]], drow[c]);
        }
    }
    return TRUE;
}

BOOL CDC::PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) {
    if (!m_hDC) return FALSE;
    if (dwRop != PATCOPY && dwRop != PATINVERT && dwRop != DSTINVERT && dwRop != BLACKNESS && dwRop != WHITENESS)
        return FALSE;
    if (!m_pSurface) return TRUE;
    const int64_t l = std::min<int64_t>(x, int64_t{x} + nWidth), r = std::max<int64_t>(x, int64_t{x} + nWidth);
    const int64_t t = std::min<int64_t>(y, int64_t{y} + nHeight), b = std::max<int64_t>(y, int64_t{y} + nHeight);
    gdi::Surface& s = *m_pSurface;
    const bool brush = m_pBrush && m_pBrush->GetStyle() == BS_SOLID;
    const uint32_t pattern = brush ? gdi::ColorToPixel(m_pBrush->GetColor()) : 0;
    if (dwRop == BLACKNESS || dwRop == WHITENESS || dwRop == PATCOPY) {
        if (dwRop == PATCOPY && !brush) return TRUE;
        const uint32_t px = dwRop == BLACKNESS ? 0u : dwRop == WHITENESS ? 0x00FFFFFFu : pattern;
        gdi::FillBox(s, l, t, r, b, px);
        return TRUE;
    }
    if (dwRop == PATINVERT && !brush) return TRUE;
    const uint32_t mask = dwRop == DSTINVERT ? 0x00FFFFFFu : pattern;
    const int64_t x0 = std::max<int64_t>(l, 0), x1 = std::min<int64_t>(r, s.Width());
    const int64_t y0 = std::max<int64_t>(t, 0), y1 = std::min<int64_t>(b, s.Height());
    for (int64_t yy = y0; yy < y1; ++yy) {
        uint32_t* row = s.Row(static_cast<int>(yy));
        for (int64_t xx = x0; xx < x1; ++xx) row[xx] = (row[xx] ^ mask) & 0x00FFFFFFu;
    }
    return TRUE;
}
