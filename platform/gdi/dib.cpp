// Device-independent bitmaps (rules in dib.h).
#include "platform/gdi/dib.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include "platform/kernel/globalmem.h"

#include "platform/gdi/dcimpl.h"

namespace gdi {

namespace {

// The largest picture a surface takes (surface.cpp).
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

constexpr uint64_t Stride(uint64_t width, uint64_t bits) { return (width * bits + 31) / 32 * 4; }

inline uint32_t QuadPixel(const BYTE* q) { return (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0]; }

inline uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

// One colour channel of a bit-field DIB.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // mask >> shift

    explicit Channel(uint32_t m) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint32_t Expand(uint32_t px) const {
        if (!max) return 0;
        const uint64_t v = (px & mask) >> shift;
        return static_cast<uint32_t>((v * 255 + max / 2) / max);
    }
    uint32_t Pack(uint32_t v8) const {
        if (!max) return 0;
        const uint64_t v = (uint64_t{v8} * max + 127) / 255;
        return static_cast<uint32_t>(v << shift) & mask;
    }
};

inline uint32_t LoadLe32(const BYTE* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// One stored row into surface pixels.
void DecodeRow(const DibFormat& f, const uint32_t colors[256], const Channel ch[3], const BYTE* src, uint32_t* dst) {
    const int w = f.width;
    switch (f.bits) {
        case 1:
            for (int x = 0; x < w; ++x) dst[x] = colors[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < w; ++x) dst[x] = colors[(x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4)];
            break;
        case 8:
            for (int x = 0; x < w; ++x) dst[x] = colors[src[x]];
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const uint32_t v = src[2 * x] | (uint32_t{src[2 * x + 1]} << 8);
                if (f.compression == BI_BITFIELDS)
                    dst[x] = (ch[0].Expand(v) << 16) | (ch[1].Expand(v) << 8) | ch[2].Expand(v);
                else
                    dst[x] = (Expand5((v >> 10) & 31) << 16) | (Expand5((v >> 5) & 31) << 8) | Expand5(v & 31);
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x, src += 3) dst[x] = QuadPixel(src);
            break;
        case 32:
            if (f.compression == BI_BITFIELDS) {
                for (int x = 0; x < w; ++x) {
                    const uint32_t v = LoadLe32(src + 4 * static_cast<size_t>(x));
                    dst[x] = (ch[0].Expand(v) << 16) | (ch[1].Expand(v) << 8) | ch[2].Expand(v);
                }
            } else {
                for (int x = 0; x < w; ++x) dst[x] = QuadPixel(src + 4 * static_cast<size_t>(x));
            }
            break;
        default:
            break;
    }
}

// RLE8 / RLE4 data of n bytes (rows from the bottom) into dst, which already holds colour 0.
void DecodeRle(const BYTE* p, uint64_t n, bool rle4, const uint32_t colors[256], Surface& dst) {
    const int64_t W = dst.Width(), H = dst.Height();
    int64_t x = 0, y = 0;  // y: rows from the bottom
    uint64_t i = 0;
    // count pixels from (x, y), pixel k taking colour indexOf(k), cut at the row's end.
    auto put = [&](int64_t count, auto indexOf) {
        uint32_t* row = dst.Row(static_cast<int>(H - 1 - y));
        const int64_t n = std::min(W, x + count) - x;
        for (int64_t k = 0; k < n; ++k) row[x + k] = colors[indexOf(k)];
    };
    while (i + 2 <= n && y < H) {
        const BYTE a = p[i], b = p[i + 1];
        i += 2;
        if (a) {
            const int64_t start = x;
            if (rle4) put(a, [&](int64_t k) { return (k & 1) ? (b & 0x0F) : (b >> 4); });
            else put(a, [&](int64_t) { return b; });
            x = std::min(W, start + a);
        } else if (b == 0) {
            x = 0;
            ++y;
        } else if (b == 1) {
            break;
        } else if (b == 2) {
            if (i + 2 > n) break;
            x = std::min(W, x + p[i]);
            y += p[i + 1];
            i += 2;
        } else {
            // An absolute run of b pixels, its bytes padded to a whole number of pairs.
            const uint64_t bytes = rle4 ? (uint64_t{b} + 1) / 2 : b;
            const uint64_t avail = std::min<uint64_t>(bytes, n - i);
            const BYTE* q = p + i;
            const int64_t count = rle4 ? std::min<int64_t>(b, static_cast<int64_t>(avail) * 2) : static_cast<int64_t>(avail);
            const int64_t start = x;
            if (rle4) put(count, [&](int64_t k) { return (k & 1) ? (q[k >> 1] & 0x0F) : (q[k >> 1] >> 4); });
            else put(count, [&](int64_t k) { return q[k]; });
            x = std::min(W, start + count);
            i += (bytes + 1) & ~uint64_t{1};
        }
    }
}

// Nearest table entry of a pixel (squared distance, the first of equals), remembering the last answer.
class NearestEntry {
public:
    NearestEntry(const uint32_t* table, int n) : m_table(table), m_n(std::max(n, 1)) {}
    int operator()(uint32_t px) {
        if (m_valid && px == m_last) return m_index;
        int best = 0;
        int64_t bestD = INT64_MAX;
        for (int i = 0; i < m_n; ++i) {
            const int64_t dr = int64_t((px >> 16) & 0xFF) - int64_t((m_table[i] >> 16) & 0xFF);
            const int64_t dg = int64_t((px >> 8) & 0xFF) - int64_t((m_table[i] >> 8) & 0xFF);
            const int64_t db = int64_t(px & 0xFF) - int64_t(m_table[i] & 0xFF);
            const int64_t d = dr * dr + dg * dg + db * db;
            if (d < bestD) {
                bestD = d;
                best = i;
            }
        }
        m_valid = true;
        m_last = px;
        m_index = best;
        return best;
    }

private:
    const uint32_t* m_table;
    int m_n;
    bool m_valid = false;
    uint32_t m_last = 0;
    int m_index = 0;
};

// One surface row into a stored row of the format (its bytes past the pixels are set to 0).
void EncodeRow(const uint32_t* src, int w, int bits, DWORD compression, const Channel ch[3], NearestEntry& nearest,
               bool mono, uint64_t stride, BYTE* out) {
    // Indices are ORed into their bytes; wider pixels are written whole, and only the row's pad is cleared.
    const uint64_t used = (static_cast<uint64_t>(w) * bits + 7) / 8;
    if (bits < 8) std::memset(out, 0, stride);
    else std::memset(out + used, 0, stride - used);
    auto pixel = [&](int x) { return mono ? MonoPixel(src[x]) : (src[x] & 0x00FFFFFFu); };
    switch (bits) {
        case 1:
            for (int x = 0; x < w; ++x)
                if (nearest(pixel(x))) out[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
            break;
        case 4:
            for (int x = 0; x < w; ++x) out[x >> 1] |= static_cast<BYTE>(nearest(pixel(x)) << ((x & 1) ? 0 : 4));
            break;
        case 8:
            for (int x = 0; x < w; ++x) out[x] = static_cast<BYTE>(nearest(pixel(x)));
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const uint32_t p = pixel(x), r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                const uint32_t v = compression == BI_BITFIELDS ? (ch[0].Pack(r) | ch[1].Pack(g) | ch[2].Pack(b))
                                                               : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                out[2 * x] = static_cast<BYTE>(v);
                out[2 * x + 1] = static_cast<BYTE>(v >> 8);
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x) {
                const uint32_t p = pixel(x);
                out[3 * x] = static_cast<BYTE>(p);
                out[3 * x + 1] = static_cast<BYTE>(p >> 8);
                out[3 * x + 2] = static_cast<BYTE>(p >> 16);
            }
            break;
        case 32:
            if (compression != BI_BITFIELDS && !mono) {
                // The surface's own layout, the unused byte cleared.
                for (int x = 0; x < w; ++x) {
                    const uint32_t p = src[x] & 0x00FFFFFFu;
                    std::memcpy(out + 4 * static_cast<size_t>(x), &p, 4);
                }
                break;
            }
            for (int x = 0; x < w; ++x) {
                const uint32_t p = pixel(x), r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                const uint32_t v = compression == BI_BITFIELDS ? (ch[0].Pack(r) | ch[1].Pack(g) | ch[2].Pack(b)) : p;
                BYTE* o = out + 4 * static_cast<size_t>(x);
                o[0] = static_cast<BYTE>(v);
                o[1] = static_cast<BYTE>(v >> 8);
                o[2] = static_cast<BYTE>(v >> 16);
                o[3] = static_cast<BYTE>(v >> 24);
            }
            break;
        default:
            break;
    }
}

DibFormat SectionFormat(const DibSection& sec) {
    DibFormat f;
    f.width = sec.header.biWidth;
    f.height = sec.header.biHeight < 0 ? -sec.header.biHeight : sec.header.biHeight;
    f.topDown = sec.header.biHeight < 0;
    f.bits = sec.header.biBitCount;
    f.compression = sec.header.biCompression;
    std::copy(sec.masks, sec.masks + 3, f.masks);
    f.tableEntries = sec.tableEntries;
    f.table = sec.table;
    f.stride = sec.stride;
    f.imageBytes = sec.size;
    f.infoBytes = 40;
    return f;
}

void SectionColors(const DibSection& sec, uint32_t out[256]) {
    for (int i = 0; i < 256; ++i) out[i] = QuadPixel(reinterpret_cast<const BYTE*>(&sec.table[i]));
}

// The 16 standard colours of a 4-bit DIB that GetDIBits makes.
constexpr uint32_t kVgaColors[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                     0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

}  // namespace

bool ParseDib(const BITMAPINFO* pbmi, size_t cbInfo, UINT usage, DibFormat* fmt) {
    if (!pbmi || !fmt || cbInfo < sizeof(BITMAPINFOHEADER) || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS))
        return false;
    const BYTE* base = reinterpret_cast<const BYTE*>(pbmi);
    BITMAPINFOHEADER h;  // copied: headers inside records need not be aligned
    std::memcpy(&h, base, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > cbInfo) return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
    DibFormat f;
    f.width = h.biWidth;
    f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    f.topDown = h.biHeight < 0;
    f.bits = h.biBitCount;
    f.compression = h.biCompression;
    switch (h.biCompression) {
        case BI_RGB:
            if (f.bits != 1 && f.bits != 4 && f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32) return false;
            break;
        case BI_RLE8:
            if (f.bits != 8 || f.topDown) return false;
            break;
        case BI_RLE4:
            if (f.bits != 4 || f.topDown) return false;
            break;
        case BI_BITFIELDS:
            if (f.bits != 16 && f.bits != 32) return false;
            break;
        default:
            return false;
    }
    if (static_cast<uint64_t>(f.width) * static_cast<uint64_t>(f.height) > kMaxPixels) return false;
    f.stride = Stride(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.bits));
    uint64_t off = h.biSize;
    if (h.biCompression == BI_BITFIELDS) {
        // The masks follow a 40-byte header, or are the first fields past 40 bytes of a larger one.
        if (h.biSize == sizeof(BITMAPINFOHEADER)) {
            if (cbInfo < off + 12) return false;
            off += 12;
        } else if (h.biSize < sizeof(BITMAPINFOHEADER) + 12) {
            return false;
        }
        for (int i = 0; i < 3; ++i) f.masks[i] = LoadLe32(base + sizeof(BITMAPINFOHEADER) + 4 * i);
    }
    const uint64_t entries = f.bits <= 8 ? (h.biClrUsed ? h.biClrUsed : (uint64_t{1} << f.bits)) : h.biClrUsed;
    f.tableEntries = static_cast<uint32_t>(std::min<uint64_t>(entries, UINT32_MAX));
    f.table = f.bits <= 8 ? base + off : nullptr;
    f.infoBytes = off + entries * (usage == DIB_PAL_COLORS ? 2 : 4);
    if (cbInfo != SIZE_MAX && f.infoBytes > cbInfo) {
        // A table larger than the block: only the entries that can be indexed must be there.
        if (f.bits > 8) return false;
        const uint64_t needed = off + std::min<uint64_t>(entries, 256) * (usage == DIB_PAL_COLORS ? 2 : 4);
        if (needed > cbInfo) return false;
    }
    f.imageBytes = (f.compression == BI_RLE8 || f.compression == BI_RLE4) ? h.biSizeImage : f.stride * f.height;
    *fmt = f;
    return true;
}

void DibColorTable(const DibFormat& fmt, UINT usage, const CDC* pDC, uint32_t out[256]) {
    std::fill(out, out + 256, 0u);
    if (!fmt.table) return;
    const uint32_t n = std::min<uint32_t>(fmt.tableEntries, 256);
    const BYTE* t = static_cast<const BYTE*>(fmt.table);
    if (usage == DIB_PAL_COLORS) {
        const CPalette* pal = pDC && pDC->m_hDC ? pDC->GetCurrentPalette()
                                                : static_cast<const CPalette*>(GetStockObject(DEFAULT_PALETTE));
        const std::vector<PALETTEENTRY>& e = pal->Entries();
        for (uint32_t i = 0; i < n; ++i) {
            const size_t k = t[2 * i] | (size_t{t[2 * i + 1]} << 8);
            if (k < e.size()) out[i] = (uint32_t{e[k].peRed} << 16) | (uint32_t{e[k].peGreen} << 8) | e[k].peBlue;
        }
    } else {
        for (uint32_t i = 0; i < n; ++i) out[i] = QuadPixel(t + 4 * i);
    }
}

bool DecodeDib(const DibFormat& fmt, const uint32_t colors[256], const void* bits, size_t cbBits, Surface& dst) {
    if (!bits || dst.Width() != fmt.width || dst.Height() != fmt.height) return false;
    const BYTE* p = static_cast<const BYTE*>(bits);
    if (fmt.compression == BI_RLE8 || fmt.compression == BI_RLE4) {
        uint64_t n = fmt.imageBytes ? fmt.imageBytes : cbBits;
        if (cbBits != SIZE_MAX) n = std::min<uint64_t>(n, cbBits);
        std::fill(dst.Bits(), dst.Bits() + static_cast<size_t>(fmt.width) * static_cast<size_t>(fmt.height), colors[0]);
        DecodeRle(p, n, fmt.compression == BI_RLE4, colors, dst);
        return true;
    }
    if (cbBits != SIZE_MAX && fmt.stride * fmt.height > cbBits) return false;
    const Channel ch[3] = {Channel(fmt.masks[0]), Channel(fmt.masks[1]), Channel(fmt.masks[2])};
    for (int r = 0; r < fmt.height; ++r)
        DecodeRow(fmt, colors, ch, p + fmt.stride * static_cast<uint64_t>(r), dst.Row(fmt.topDown ? r : fmt.height - 1 - r));
    return true;
}

HBITMAP CreateDIBitmapChecked(HDC hdc, const BITMAPINFO* pbmi, size_t cbInfo, const void* pjBits, size_t cbBits,
                              UINT iUsage) {
    DibFormat f;
    if (!ParseDib(pbmi, cbInfo, iUsage, &f)) return nullptr;
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateUninitialized(f.width, f.height)) return nullptr;
    uint32_t colors[256];
    DibColorTable(f, iUsage, hdc, colors);
    if (!DecodeDib(f, colors, pjBits, cbBits, bitmap->GetSurface())) return nullptr;
    return bitmap.release();
}

namespace {

// The DIB decoded into a work bitmap selected into a DC compatible with hdc.
struct WorkPicture {
    CBitmap bitmap;
    CDC dc;
    bool Decode(HDC hdc, const DibFormat& f, const uint32_t colors[256], const void* bits, size_t cbBits) {
        if (!bitmap.CreateUninitialized(f.width, f.height)) return false;
        if (!DecodeDib(f, colors, bits, cbBits, bitmap.GetSurface())) return false;
        dc.CreateCompatibleDC(hdc);
        dc.SelectObject(&bitmap);
        return true;
    }
};

}  // namespace

int StretchDIBitsChecked(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                         int SrcWidth, int SrcHeight, const void* lpBits, size_t cbBits, const BITMAPINFO* lpbmi,
                         size_t cbInfo, UINT iUsage, DWORD rop) {
    if (!hdc || !hdc->m_hDC || !lpBits) return 0;
    DibFormat f;
    if (!ParseDib(lpbmi, cbInfo, iUsage, &f)) return 0;
    uint32_t colors[256];
    DibColorTable(f, iUsage, hdc, colors);
    WorkPicture src;
    if (!src.Decode(hdc, f, colors, lpBits, cbBits)) return 0;
    // A bottom-up DIB's source rectangle is measured from its bottom row.
    const int64_t top = f.topDown ? int64_t{ySrc} : int64_t{f.height} - ySrc - SrcHeight;
    const int srcTop = static_cast<int>(std::clamp<int64_t>(top, INT_MIN, INT_MAX));
    if (!hdc->StretchBlt(xDest, yDest, DestWidth, DestHeight, &src.dc, xSrc, srcTop, SrcWidth, SrcHeight, rop)) return 0;
    return f.height;
}

int SetDIBitsToDeviceChecked(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                             UINT cLines, const void* lpvBits, size_t cbBits, const BITMAPINFO* lpbmi, size_t cbInfo,
                             UINT ColorUse) {
    if (!hdc || !hdc->m_hDC || !lpvBits || cLines == 0) return 0;
    DibFormat f;
    if (!ParseDib(lpbmi, cbInfo, ColorUse, &f)) return 0;
    const bool rle = f.compression == BI_RLE8 || f.compression == BI_RLE4;
    if (rle) {
        StartScan = 0;
        cLines = static_cast<UINT>(f.height);
    }
    if (StartScan >= static_cast<UINT>(f.height)) return 0;
    const UINT lines = std::min<UINT>(cLines, static_cast<UINT>(f.height) - StartScan);
    uint32_t colors[256];
    DibColorTable(f, ColorUse, hdc, colors);
    // The band of scan lines the bits hold, decoded on its own.
    DibFormat band = f;
    band.height = static_cast<int32_t>(lines);
    if (!rle) band.imageBytes = band.stride * lines;
    WorkPicture src;
    if (!src.Decode(hdc, band, colors, lpvBits, cbBits)) return 0;
    // Rows of the whole picture (top row 0): the band's first row, and the source rectangle's top.
    const int64_t bandTop = f.topDown ? int64_t{StartScan} : int64_t{f.height} - StartScan - lines;
    const int64_t srcTop = f.topDown ? int64_t{ySrc} : int64_t{f.height} - ySrc - int64_t{h};
    const int64_t wClamped = std::min<int64_t>(w, INT_MAX), hClamped = std::min<int64_t>(h, INT_MAX);
    const int ys = static_cast<int>(std::clamp<int64_t>(srcTop - bandTop, INT_MIN, INT_MAX));
    if (!hdc->BitBlt(xDest, yDest, static_cast<int>(wClamped), static_cast<int>(hClamped), &src.dc, xSrc, ys, SRCCOPY))
        return 0;
    return static_cast<int>(lines);
}

}  // namespace gdi

// ---- CBitmap's DIB sections ----------------------------------------------------------------------------

void gdi::DibSection::Free::operator()(BYTE* p) const { GlobalFree(p); }

BOOL CBitmap::CreateDIBSection(const BITMAPINFO* pbmi, UINT usage, void** ppvBits) {
    if (ppvBits) *ppvBits = nullptr;
    gdi::DibFormat f;
    if (m_bCreated || !gdi::ParseDib(pbmi, SIZE_MAX, usage, &f)) return FALSE;
    if (f.compression != BI_RGB && f.compression != BI_BITFIELDS) return FALSE;
    auto sec = std::make_unique<gdi::DibSection>();
    sec->stride = f.stride;
    sec->size = f.stride * static_cast<uint64_t>(f.height);
    sec->bits.reset(static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(sec->size))));
    if (!sec->bits) return FALSE;
    if (!m_surface.Create(f.width, f.height)) return FALSE;
    std::memcpy(&sec->header, pbmi, sizeof(BITMAPINFOHEADER));
    sec->header.biSize = sizeof(BITMAPINFOHEADER);
    sec->header.biSizeImage = sec->size <= UINT32_MAX ? static_cast<DWORD>(sec->size) : 0;
    std::copy(f.masks, f.masks + 3, sec->masks);
    if (f.bits <= 8) {
        uint32_t colors[256];
        gdi::DibColorTable(f, usage, nullptr, colors);
        sec->tableEntries = std::min<uint32_t>(f.tableEntries, 256);
        for (int i = 0; i < 256; ++i)
            sec->table[i] = RGBQUAD{static_cast<BYTE>(colors[i]), static_cast<BYTE>(colors[i] >> 8),
                                    static_cast<BYTE>(colors[i] >> 16), 0};
        sec->header.biClrUsed = sec->tableEntries;
    }
    m_pDib = std::move(sec);
    // Bits of 0 are black above 8 bits a pixel, as the new surface is; a table's entry 0 may not be.
    if (f.bits <= 8) LoadFromDibBits();
    m_bCreated = true;
    if (ppvBits) *ppvBits = m_pDib->bits.get();
    return TRUE;
}

void CBitmap::LoadFromDibBits() {
    if (!m_pDib) return;
    const gdi::DibFormat f = gdi::SectionFormat(*m_pDib);
    uint32_t colors[256];
    gdi::SectionColors(*m_pDib, colors);
    gdi::DecodeDib(f, colors, m_pDib->bits.get(), m_pDib->size, m_surface);
}

void CBitmap::StoreToDibBits() {
    if (!m_pDib) return;
    const gdi::DibFormat f = gdi::SectionFormat(*m_pDib);
    uint32_t colors[256];
    gdi::SectionColors(*m_pDib, colors);
    const gdi::Channel ch[3] = {gdi::Channel(f.masks[0]), gdi::Channel(f.masks[1]), gdi::Channel(f.masks[2])};
    gdi::NearestEntry nearest(colors, static_cast<int>(std::max<uint32_t>(m_pDib->tableEntries, 1)));
    for (int r = 0; r < f.height; ++r)
        gdi::EncodeRow(m_surface.Row(f.topDown ? r : f.height - 1 - r), f.width, f.bits, f.compression, ch, nearest,
                       false, f.stride, m_pDib->bits.get() + f.stride * static_cast<uint64_t>(r));
}

// ---- the platform's calls --------------------------------------------------------------------------------

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const void* pjBits,
                       const BITMAPINFO* pbmi, UINT iUsage) {
    if (!pbmih) return nullptr;
    BITMAPINFOHEADER h;
    std::memcpy(&h, pbmih, sizeof h);
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return nullptr;
    if (flInit & CBM_INIT) {
        const BITMAPINFOHEADER& given = pbmi ? pbmi->bmiHeader : h;
        if (!pbmi || given.biWidth != h.biWidth || given.biHeight != h.biHeight) return nullptr;
        return gdi::CreateDIBitmapChecked(hdc, pbmi, SIZE_MAX, pjBits, SIZE_MAX, iUsage);
    }
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateCompatibleBitmap(hdc, h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight)) return nullptr;
    return bitmap.release();
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth,
                  int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop) {
    return gdi::StretchDIBitsChecked(hdc, xDest, yDest, DestWidth, DestHeight, xSrc, ySrc, SrcWidth, SrcHeight, lpBits,
                                     SIZE_MAX, lpbmi, SIZE_MAX, iUsage, rop);
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                      UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse) {
    return gdi::SetDIBitsToDeviceChecked(hdc, xDest, yDest, w, h, xSrc, ySrc, StartScan, cLines, lpvBits, SIZE_MAX,
                                         lpbmi, SIZE_MAX, ColorUse);
}

int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, void* lpvBits, BITMAPINFO* lpbmi, UINT usage) {
    if (!hdc || !hdc->m_hDC || !hbm || !hbm->IsCreated() || !lpbmi) return 0;
    if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return 0;
    BITMAPINFOHEADER h;
    std::memcpy(&h, lpbmi, sizeof h);
    if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    gdi::Surface& s = hbm->GetSurface();
    const int W = s.Width(), H = s.Height();
    gdi::DibSection* sec = hbm->GetDibSection();
    BITMAP bm;
    hbm->GetBitmap(&bm);
    if (h.biBitCount == 0) {
        // The bitmap's own format.
        h.biWidth = W;
        h.biHeight = sec ? sec->header.biHeight : H;
        h.biPlanes = 1;
        h.biBitCount = bm.bmBitsPixel;
        h.biCompression = sec ? sec->header.biCompression : BI_RGB;
        const uint64_t size = gdi::Stride(static_cast<uint64_t>(W), h.biBitCount) * static_cast<uint64_t>(H);
        h.biSizeImage = size <= UINT32_MAX ? static_cast<DWORD>(size) : 0;
        h.biClrUsed = 0;
        h.biClrImportant = 0;
        std::memcpy(lpbmi, &h, sizeof h);
        return H;
    }
    const int bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && bits == 32)) return 0;
    if (h.biWidth != W || W <= 0 || H <= 0) return 0;
    const bool topDown = h.biHeight < 0;
    const uint64_t stride = gdi::Stride(static_cast<uint64_t>(W), static_cast<uint64_t>(bits));
    const uint64_t size = stride * static_cast<uint64_t>(H);

    // The colour table.
    const bool sameAsSection = sec && sec->header.biBitCount == bits && sec->header.biCompression == h.biCompression;
    uint32_t table[256] = {};
    int entries = 0;
    if (bits <= 8) {
        entries = 1 << bits;
        if (sameAsSection) {
            gdi::SectionColors(*sec, table);
        } else if (bits == 1) {
            table[1] = 0x00FFFFFFu;
        } else if (bits == 4) {
            std::copy(gdi::kVgaColors, gdi::kVgaColors + 16, table);
        } else {
            const std::vector<PALETTEENTRY>& e = hdc->GetCurrentPalette()->Entries();
            for (size_t i = 0; i < e.size() && i < 256; ++i)
                table[i] = (uint32_t{e[i].peRed} << 16) | (uint32_t{e[i].peGreen} << 8) | e[i].peBlue;
        }
        BYTE* out = reinterpret_cast<BYTE*>(lpbmi) + h.biSize;
        for (int i = 0; i < entries; ++i) {
            if (usage == DIB_PAL_COLORS) {
                out[2 * i] = static_cast<BYTE>(i);
                out[2 * i + 1] = static_cast<BYTE>(i >> 8);
            } else {
                const BYTE q[4] = {static_cast<BYTE>(table[i]), static_cast<BYTE>(table[i] >> 8),
                                   static_cast<BYTE>(table[i] >> 16), 0};
                std::memcpy(out + 4 * i, q, 4);
            }
        }
    } else if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER)) {
        const DWORD masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
        std::memcpy(reinterpret_cast<BYTE*>(lpbmi) + sizeof h, masks, sizeof masks);
    }
    h.biSizeImage = size <= UINT32_MAX ? static_cast<DWORD>(size) : 0;
    h.biClrUsed = 0;
    std::memcpy(lpbmi, &h, sizeof h);
    if (!lpvBits) return H;

    const UINT lines = start < static_cast<UINT>(H) ? std::min<UINT>(cLines, static_cast<UINT>(H) - start) : 0;
    BYTE* out = static_cast<BYTE*>(lpvBits);
    if (sameAsSection) {
        // The section's own bits, row for row.
        if (hbm->IsSelected()) hbm->StoreToDibBits();
        const bool secTopDown = sec->header.biHeight < 0;
        for (UINT k = 0; k < lines; ++k) {
            const int64_t row = topDown ? int64_t{start} + k : int64_t{H} - 1 - (int64_t{start} + k);
            const int64_t stored = secTopDown ? row : int64_t{H} - 1 - row;
            std::memcpy(out + stride * k, sec->bits.get() + sec->stride * static_cast<uint64_t>(stored), stride);
        }
        return static_cast<int>(lines);
    }
    if (sec && !hbm->IsSelected()) hbm->LoadFromDibBits();
    uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    const gdi::Channel ch[3] = {gdi::Channel(masks[0]), gdi::Channel(masks[1]), gdi::Channel(masks[2])};
    gdi::NearestEntry nearest(table, entries);
    for (UINT k = 0; k < lines; ++k) {
        const int64_t row = topDown ? int64_t{start} + k : int64_t{H} - 1 - (int64_t{start} + k);
        gdi::EncodeRow(s.Row(static_cast<int>(row)), W, bits, h.biCompression, ch, nearest, hbm->IsMonochrome(), stride,
                       out + stride * k);
    }
    return static_cast<int>(lines);
}

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, void* hSection,
                         DWORD /*offset*/) {
    if (ppvBits) *ppvBits = nullptr;
    if (hSection) return nullptr;
    auto bitmap = std::make_unique<CBitmap>();
    if (!bitmap->CreateDIBSection(pbmi, usage, ppvBits)) return nullptr;
    return bitmap.release();
}

int GetObject(HGDIOBJ h, int c, void* pv) {
    if (!h || !h->IsCreated() || c < 0) return 0;
    switch (h->GetKind()) {
        case CGdiObject::Kind::Bitmap: {
            auto* bitmap = static_cast<CBitmap*>(h);
            gdi::DibSection* sec = bitmap->GetDibSection();
            if (!pv) return static_cast<int>(sec ? sizeof(DIBSECTION) : sizeof(BITMAP));
            if (sec && static_cast<size_t>(c) >= sizeof(DIBSECTION)) {
                DIBSECTION ds{};
                bitmap->GetBitmap(&ds.dsBm);
                ds.dsBmih = sec->header;
                std::copy(sec->masks, sec->masks + 3, ds.dsBitfields);
                std::memcpy(pv, &ds, sizeof ds);
                return static_cast<int>(sizeof(DIBSECTION));
            }
            if (static_cast<size_t>(c) < sizeof(BITMAP)) return 0;
            BITMAP bm;
            bitmap->GetBitmap(&bm);
            std::memcpy(pv, &bm, sizeof bm);
            return static_cast<int>(sizeof(BITMAP));
        }
        case CGdiObject::Kind::Palette: {
            if (!pv) return static_cast<int>(sizeof(WORD));
            if (static_cast<size_t>(c) < sizeof(WORD)) return 0;
            const WORD n = static_cast<WORD>(static_cast<CPalette*>(h)->GetEntryCount());
            std::memcpy(pv, &n, sizeof n);
            return static_cast<int>(sizeof(WORD));
        }
        default:
            return 0;
    }
}
