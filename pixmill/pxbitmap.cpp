// Conversions between RGB and 8-bit buffers, packed DIBs, bitmaps, palettes and device contexts.
#include "pixmill/pxbitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxdib.h"

namespace px {

namespace {

constexpr size_t kHeaderBytes = sizeof(BITMAPINFOHEADER);

// A LOGPALETTE of n entries in a block of its own; NULL when it cannot be allocated.
GlobalBuffer LogPalette(UINT n) {
    GlobalBuffer block(SizeAdd(4, SizeMul(n, sizeof(PALETTEENTRY))));
    if (block) {
        auto* lp = reinterpret_cast<LOGPALETTE*>(block.Get());
        lp->palVersion = 0x300;
        lp->palNumEntries = static_cast<WORD>(n);
    }
    return block;
}

// A palette of a DIB's colour table (n RGBQUAD entries), or NULL with err set when memory runs out.
HPALETTE PaletteOfTable(ErrorCode& err, const BYTE* table, UINT n) {
    if (n == 0) return nullptr;
    GlobalBuffer block = LogPalette(n);
    if (!block) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.Get());
    for (UINT i = 0; i < n; ++i) {
        const BYTE* q = table + 4 * static_cast<size_t>(i);
        lp->palPalEntry[i] = PALETTEENTRY{q[2], q[1], q[0], 0};
    }
    return CreatePalette(lp);
}

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits, DWORD sizeImage, DWORD colors) {
    BITMAPINFOHEADER h{};
    h.biSize = kHeaderBytes;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    h.biSizeImage = sizeImage;
    h.biClrUsed = colors;
    h.biClrImportant = colors;
    return h;
}

}  // namespace

bool BitmapFitsLimit(const gdi::DibFormat& f) {
    return SizeMul(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), 4) < AllocationLimit();
}

HBITMAP SelectWorkBitmap(ErrorCode& err, MemoryDc& mem, HDC hdc, int width, int height) {
    if (!mem.IsValid()) {
        err = ErrorCode::DeviceContext;
        return nullptr;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, width, height);
    if (!bitmap) {
        err = ErrorCode::CreateCompatibleBitmapFailed;
        return nullptr;
    }
    if (!mem.Select(bitmap, true)) {
        err = ErrorCode::SelectObjectFailed;
        return nullptr;
    }
    return bitmap;
}

bool HasRasterCaps(HDC hdc, int caps) { return (GetDeviceCaps(hdc, RASTERCAPS) & caps) == caps; }

bool OpenPackedDib(const BYTE* dib, PackedDib* out) {
    const size_t n = dib ? GlobalSize(const_cast<BYTE*>(dib)) : 0;
    PackedDib d;
    d.info = reinterpret_cast<const BITMAPINFO*>(dib);
    if (!gdi::ParseDib(d.info, n, DIB_RGB_COLORS, &d.format) || d.format.infoBytes > n) return false;
    d.cbInfo = static_cast<size_t>(d.format.infoBytes);
    d.bits = dib + d.cbInfo;
    d.cbBits = n - d.cbInfo;
    const bool compressed = d.format.compression == BI_RLE8 || d.format.compression == BI_RLE4;
    if (!compressed && d.format.imageBytes > d.cbBits) return false;
    *out = d;
    return true;
}

// ---- RGB and 8-bit buffers to DIBs ----------------------------------------------------------------------

BYTE* CreateDibFromRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height) {
    DepthGuard depth;
    if (!RequireNonNull(err, rgb)) return nullptr;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    const uint64_t stride = DibStride(width, 24);
    const uint64_t image = SizeMul(stride, height);
    GlobalBuffer block(SizeAdd(kHeaderBytes, image));
    if (!block) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    const BITMAPINFOHEADER h = Header(static_cast<LONG>(width), static_cast<LONG>(height), 24, static_cast<DWORD>(image), 0);
    std::memcpy(block.Get(), &h, sizeof h);
    if (!RgbToDibBits(err, rgb, block.Get() + kHeaderBytes, width, height, static_cast<UINT>(stride))) return nullptr;
    return block.Release();
}

BYTE* CreateDibFrom8Bit(ErrorCode& err, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette) {
    DepthGuard depth;
    if (!RequireNonNull(err, pixels, palette)) return nullptr;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    const uint64_t stride = DibStride(width, 8);
    const uint64_t tableBytes = 256 * sizeof(RGBQUAD);
    GlobalBuffer block(SizeAdd(kHeaderBytes + tableBytes, SizeMul(stride, height)));
    if (!block) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    // Image size 0, as the platform allows for uncompressed DIBs.
    const BITMAPINFOHEADER h = Header(static_cast<LONG>(width), static_cast<LONG>(height), 8, 0, 256);
    std::memcpy(block.Get(), &h, sizeof h);
    std::memcpy(block.Get() + kHeaderBytes, palette, tableBytes);
    BYTE* bits = block.Get() + kHeaderBytes + tableBytes;
    for (UINT y = 0; y < height; ++y)
        std::memcpy(bits + stride * (height - 1 - y), pixels + static_cast<uint64_t>(y) * width, width);
    return block.Release();
}

// ---- DIBs to RGB ------------------------------------------------------------------------------------------

BYTE* DibBitsToRgb(ErrorCode& err, const BYTE* bits, size_t cbBits, const BITMAPINFOHEADER* header,
                   const RGBQUAD* colorTable, UINT* width, UINT* height) {
    DepthGuard depth;
    if (width) *width = 0;
    if (height) *height = 0;
    if (!RequireNonNull(err, bits, header, width, height)) return nullptr;
    BITMAPINFOHEADER h;
    std::memcpy(&h, header, sizeof h);
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    const UINT w = static_cast<UINT>(h.biWidth);
    const UINT rows = static_cast<UINT>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    const UINT depthBits = h.biBitCount;
    if (depthBits <= 8 && !colorTable) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    // Only the entries the header declares are read from the caller's table (its colours used, else 2 to
    // the power of the bit count, at most 256); an index past them reads black.
    RGBQUAD table[256] = {};
    if (depthBits <= 8) {
        const uint64_t declared = h.biClrUsed ? h.biClrUsed : (uint64_t{1} << depthBits);
        std::memcpy(table, colorTable, static_cast<size_t>(std::min<uint64_t>(declared, 256)) * sizeof(RGBQUAD));
    }
    const bool rle8 = h.biCompression == BI_RLE8 && depthBits == 8;
    const bool rle4 = h.biCompression == BI_RLE4 && depthBits == 4;
    if (h.biCompression != BI_RGB && !rle8 && !rle4) {
        err = ErrorCode::RleUnsupported;
        return nullptr;
    }
    if (h.biCompression == BI_RGB && depthBits != 1 && depthBits != 4 && depthBits != 8 && depthBits != 16 &&
        depthBits != 24 && depthBits != 32) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    if ((rle8 || rle4) && h.biHeight < 0) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    const uint64_t stride = DibStride(w, depthBits);
    if (h.biCompression == BI_RGB && cbBits != SIZE_MAX && SizeMul(stride, rows) > cbBits) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    GlobalBuffer rgb(SizeMul(w, 3, rows));
    if (!rgb) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    if (h.biCompression == BI_RGB) {
        for (UINT r = 0; r < rows; ++r) {
            const UINT out = h.biHeight > 0 ? rows - 1 - r : r;
            DibRowToRgb(bits + stride * r, rgb.Get() + static_cast<uint64_t>(out) * w * 3, w, depthBits, table);
        }
    } else {
        // The image starts as entry 0; RLE data is the header's image size, within what the bits hold.
        for (uint64_t i = 0; i < uint64_t{w} * rows; ++i) {
            BYTE* p = rgb.Get() + 3 * i;
            p[0] = table[0].rgbRed;
            p[1] = table[0].rgbGreen;
            p[2] = table[0].rgbBlue;
        }
        MemoryReader reader(bits, std::min<uint64_t>(h.biSizeImage, cbBits));
        const RleTarget target{rgb.Get(), w, rows, table};
        const RleOptions options{false, true, false};
        err = DecodeRle(reader, rle4, target, options);
        if (err != ErrorCode::None) return nullptr;
    }
    *width = w;
    *height = rows;
    return rgb.Release();
}

BYTE* DibToRgb(ErrorCode& err, const BYTE* dib, UINT* width, UINT* height) {
    DepthGuard depth;
    if (width) *width = 0;
    if (height) *height = 0;
    if (!RequireNonNull(err, dib, width, height)) return nullptr;
    // Everything read lies within the block: its header, its colour table and its rows.
    const size_t n = GlobalSize(const_cast<BYTE*>(dib));
    BITMAPINFOHEADER h;
    if (n < kHeaderBytes) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    std::memcpy(&h, dib, sizeof h);
    if (h.biSize < kHeaderBytes || h.biSize > n) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    // The table follows the header; a DIB of more than 8 bits may carry an optional one, which is skipped.
    const uint64_t entries = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : (uint64_t{1} << h.biBitCount)) : h.biClrUsed;
    const uint64_t offset = SizeAdd(h.biSize, SizeMul(entries, sizeof(RGBQUAD)));
    if (offset > n) {
        err = ErrorCode::BadBmp;
        return nullptr;
    }
    RGBQUAD table[256] = {};
    if (h.biBitCount <= 8)
        std::memcpy(table, dib + h.biSize, static_cast<size_t>(std::min<uint64_t>(entries, 256)) * sizeof(RGBQUAD));
    return DibBitsToRgb(err, dib + offset, n - static_cast<size_t>(offset), &h, table, width, height);
}

// ---- bitmaps --------------------------------------------------------------------------------------------

HBITMAP CreateDibSectionFromRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, HPALETTE palette, HDC hdc) {
    DepthGuard depth;
    if (!RequireNonNull(err, rgb)) return nullptr;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    ScreenIfNull dc(hdc);
    PaletteSelection selection(dc.Get(), palette);
    const uint64_t stride = DibStride(width, 24);
    const uint64_t image = SizeMul(stride, height);
    BITMAPINFO bmi{};
    bmi.bmiHeader = Header(static_cast<LONG>(width), static_cast<LONG>(height), 24,
                           image <= UINT32_MAX ? static_cast<DWORD>(image) : 0, 0);
    bmi.bmiHeader.biClrImportant = 0;
    void* bits = nullptr;
    HBITMAP section = image < AllocationLimit() ? CreateDIBSection(dc.Get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0)
                                                : nullptr;
    if (!section) {
        err = ErrorCode::CreateDIBSectionFailed;
        return nullptr;
    }
    if (!RgbToDibBits(err, rgb, static_cast<BYTE*>(bits), width, height, static_cast<UINT>(stride))) {
        DeleteObject(section);
        return nullptr;
    }
    return section;
}

HBITMAP CreateDdbFromDib(ErrorCode& err, const BYTE* dib, HPALETTE palette, HDC hdc) {
    DepthGuard depth;
    if (!RequireNonNull(err, dib)) return nullptr;
    ScreenIfNull dc(hdc);
    if (!HasRasterCaps(dc.Get(), RC_DI_BITMAP)) {
        err = ErrorCode::DeviceUnsupported;
        return nullptr;
    }
    PackedDib d;
    const bool valid = OpenPackedDib(dib, &d);
    if (valid && !BitmapFitsLimit(d.format)) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    // Without a palette, a palette device gets one of the DIB's own colour table.
    OwnedObject<HPALETTE> built;
    if (!palette && valid && d.format.bits <= 8 && d.format.tableEntries <= 256 && HasRasterCaps(dc.Get(), RC_PALETTE)) {
        built.Reset(PaletteOfTable(err, static_cast<const BYTE*>(d.format.table), d.format.tableEntries));
        if (err != ErrorCode::None) return nullptr;
    }
    PaletteSelection selection(dc.Get(), palette ? palette : built.Get());
    HBITMAP bitmap = nullptr;
    if (valid && GetThreadState().m_bUseDibSection) {
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc.Get(), d.info, DIB_RGB_COLORS, &bits, nullptr, 0);
        // Uncompressed rows are stride x |height| bytes: the header's image size may be 0.
        if (bitmap) std::memcpy(bits, d.bits, static_cast<size_t>(d.format.imageBytes));
    } else if (valid) {
        bitmap = gdi::CreateDIBitmapChecked(dc.Get(), d.info, d.cbInfo, d.bits, d.cbBits, DIB_RGB_COLORS);
    }
    if (!bitmap) err = ErrorCode::CreateDIBitmapFailed;
    return bitmap;
}

HBITMAP CreateDdbFromRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, HPALETTE palette, HDC hdc) {
    DepthGuard depth;
    if (!RequireNonNull(err, rgb)) return nullptr;
    if (GetThreadState().m_bUseDibSection) return CreateDibSectionFromRgb(err, rgb, width, height, palette, hdc);
    GlobalBuffer dib = GlobalBuffer::Adopt(CreateDibFromRgb(err, rgb, width, height));
    if (!dib) return nullptr;
    return CreateDdbFromDib(err, dib.Get(), palette, hdc);
}

BYTE* CreateDibFromDdb(ErrorCode& err, HBITMAP bitmap, HPALETTE palette) {
    DepthGuard depth;
    BITMAP bm;
    if (!bitmap || GetObject(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm)) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    if (!palette) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    const WORD bits = static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    const uint64_t entries = bits < 32 && (uint64_t{1} << bits) <= 256 ? (uint64_t{1} << bits) : 0;
    const uint64_t infoBytes = kHeaderBytes + entries * sizeof(RGBQUAD);
    ScreenIfNull dc(nullptr);
    PaletteSelection selection(dc.Get(), palette);
    GlobalBuffer block(infoBytes);
    if (!block) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    auto* bmi = reinterpret_cast<BITMAPINFO*>(block.Get());
    bmi->bmiHeader = Header(bm.bmWidth, bm.bmHeight, bits, 0, 0);
    if (GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), nullptr, bmi, DIB_RGB_COLORS) == 0) {
        err = ErrorCode::GetDIBitsFailed;
        return nullptr;
    }
    uint64_t image = bmi->bmiHeader.biSizeImage;
    if (image == 0)
        image = SizeMul(((SizeMul(static_cast<uint64_t>(bm.bmWidth), bits) + 31) & ~uint64_t{31}) / 8,
                        static_cast<uint64_t>(bm.bmHeight));
    const uint64_t total = SizeAdd(infoBytes, image);
    if (total >= AllocationLimit()) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    BYTE* grown = static_cast<BYTE*>(GlobalReAlloc(block.Get(), static_cast<SIZE_T>(total), GMEM_MOVEABLE));
    if (!grown) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    block.Release();
    block = GlobalBuffer::Adopt(grown);
    bmi = reinterpret_cast<BITMAPINFO*>(block.Get());
    if (GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), block.Get() + infoBytes, bmi, DIB_RGB_COLORS) == 0) {
        err = ErrorCode::GetDIBitsFailed;
        return nullptr;
    }
    return block.Release();
}

BYTE* DdbToRgb(ErrorCode& err, HBITMAP bitmap, UINT* width, UINT* height, HDC hdc, HPALETTE palette) {
    DepthGuard depth;
    if (width) *width = 0;
    if (height) *height = 0;
    if (!HasRasterCaps(hdc, RC_DI_BITMAP)) {
        err = ErrorCode::DeviceUnsupported;
        return nullptr;
    }
    // A palette device without a palette given: the system palette's first 255 entries.
    OwnedObject<HPALETTE> built;
    if (!palette && HasRasterCaps(hdc, RC_PALETTE)) {
        PALETTEENTRY entries[256];
        const UINT n = GetSystemPaletteEntries(hdc, 0, 255, entries);
        if (n) {
            GlobalBuffer block = LogPalette(n);
            if (!block) {
                err = ErrorCode::OutOfMemory;
                return nullptr;
            }
            auto* lp = reinterpret_cast<LOGPALETTE*>(block.Get());
            std::copy(entries, entries + n, lp->palPalEntry);
            built.Reset(CreatePalette(lp));
        }
    }
    GlobalBuffer dib = GlobalBuffer::Adopt(CreateDibFromDdb(err, bitmap, palette ? palette : built.Get()));
    if (!dib) return nullptr;
    return DibToRgb(err, dib.Get(), width, height);
}

BYTE* CaptureDcToRgb(ErrorCode& err, HDC hdc, int x, int y, UINT width, UINT height) {
    DepthGuard depth;
    if (!hdc || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    if (!HasRasterCaps(hdc, RC_BITBLT | RC_BITMAP64)) {
        err = ErrorCode::DeviceUnsupported;
        return nullptr;
    }
    MemoryDc mem(hdc);
    HBITMAP bitmap = SelectWorkBitmap(err, mem, hdc, static_cast<int>(width), static_cast<int>(height));
    if (!bitmap) return nullptr;
    const BOOL copied = BitBlt(mem.Get(), 0, 0, static_cast<int>(width), static_cast<int>(height), hdc, x, y, SRCCOPY);
    mem.Deselect();
    if (!copied) {
        err = ErrorCode::BitBltFailed;
        return nullptr;
    }
    UINT w = 0, h = 0;
    return DdbToRgb(err, bitmap, &w, &h, hdc, nullptr);
}

HPALETTE CreatePaletteFromRgbQuads(ErrorCode& err, const RGBQUAD* palette, UINT n) {
    DepthGuard depth;
    // A palette has at least one entry: 0 entries, like a NULL table, is a bad argument.
    if (n > 256 || n == 0 || !palette) {
        err = ErrorCode::BadParam;
        return nullptr;
    }
    return PaletteOfTable(err, reinterpret_cast<const BYTE*>(palette), n);
}

HBITMAP LoadBitmapResource(ErrorCode& err, HINSTANCE instance, const char* name, HPALETTE palette) {
    DepthGuard depth;
    HRSRC found = name ? FindResource(instance, name, RT_BITMAP) : nullptr;
    if (!found) {
        err = ErrorCode::ResourceNotFound;
        return nullptr;
    }
    const size_t n = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const auto* bmi = static_cast<const BITMAPINFO*>(LockResource(loaded));
    // A resource's bits follow the header and, for 8 bits or fewer, 2^bits table entries whatever
    // biClrUsed says: the header is read with biClrUsed 0 so that its table is those entries.
    gdi::DibFormat f;
    if (!bmi || n < kHeaderBytes || !gdi::ParseDib(bmi, n, DIB_RGB_COLORS, &f)) {
        err = ErrorCode::CreateDIBitmapFailed;
        return nullptr;
    }
    std::vector<BYTE> info(reinterpret_cast<const BYTE*>(bmi), reinterpret_cast<const BYTE*>(bmi) + n);
    reinterpret_cast<BITMAPINFO*>(info.data())->bmiHeader.biClrUsed = 0;
    const uint64_t offset = f.bits <= 8 ? uint64_t{bmi->bmiHeader.biSize} + (uint64_t{1} << f.bits) * sizeof(RGBQUAD)
                                        : f.infoBytes;
    if (offset > n) {
        err = ErrorCode::CreateDIBitmapFailed;
        return nullptr;
    }
    if (!BitmapFitsLimit(f)) {
        err = ErrorCode::OutOfMemory;
        return nullptr;
    }
    OwnedObject<HPALETTE> built;
    if (f.bits <= 8) {
        built.Reset(PaletteOfTable(err, info.data() + bmi->bmiHeader.biSize, 1u << f.bits));
        if (err != ErrorCode::None) return nullptr;
    }
    ScreenIfNull dc(nullptr);
    PaletteSelection selection(dc.Get(), palette ? palette : built.Get());
    HBITMAP bitmap = gdi::CreateDIBitmapChecked(dc.Get(), reinterpret_cast<const BITMAPINFO*>(info.data()),
                                                static_cast<size_t>(offset), info.data() + offset,
                                                n - static_cast<size_t>(offset), DIB_RGB_COLORS);
    if (!bitmap) err = ErrorCode::CreateDIBitmapFailed;
    FreeResource(loaded);
    return bitmap;
}

}  // namespace px

// ---- public functions ----------------------------------------------------------------------------------------

HBITMAP CreateDdbFromRgb(const BYTE* rgb, UINT width, UINT height, HPALETTE palette, HDC hdc) {
    return px::RunWorker([&](ErrorCode& err) { return px::CreateDdbFromRgb(err, rgb, width, height, palette, hdc); });
}

HBITMAP CreateDdbFromDib(const BYTE* dib, HPALETTE palette, HDC hdc) {
    return px::RunWorker([&](ErrorCode& err) { return px::CreateDdbFromDib(err, dib, palette, hdc); });
}

BYTE* CreateDibFromRgb(const BYTE* rgb, UINT width, UINT height) {
    return px::RunWorker([&](ErrorCode& err) { return px::CreateDibFromRgb(err, rgb, width, height); });
}

BYTE* CreateDibFrom8Bit(const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::CreateDibFrom8Bit(err, pixels, width, height, palette); });
}

BYTE* CreateDibFromDdb(HBITMAP bitmap, HPALETTE palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::CreateDibFromDdb(err, bitmap, palette); });
}

BYTE* DibToRgb(const BYTE* dib, UINT* width, UINT* height) {
    return px::RunWorker([&](ErrorCode& err) { return px::DibToRgb(err, dib, width, height); });
}

BYTE* DibBitsToRgb(const BYTE* bits, const BITMAPINFOHEADER* header, const RGBQUAD* colorTable, UINT* width,
                   UINT* height) {
    return px::RunWorker(
        [&](ErrorCode& err) { return px::DibBitsToRgb(err, bits, SIZE_MAX, header, colorTable, width, height); });
}

BYTE* DdbToRgb(HBITMAP bitmap, UINT* width, UINT* height, HDC hdc, HPALETTE palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::DdbToRgb(err, bitmap, width, height, hdc, palette); });
}

BYTE* CaptureDcToRgb(HDC hdc, int x, int y, UINT width, UINT height) {
    return px::RunWorker([&](ErrorCode& err) { return px::CaptureDcToRgb(err, hdc, x, y, width, height); });
}

HPALETTE CreatePaletteFromRgbQuads(const RGBQUAD* palette, UINT n) {
    return px::RunWorker([&](ErrorCode& err) { return px::CreatePaletteFromRgbQuads(err, palette, n); });
}

HBITMAP LoadBitmapResource(HINSTANCE instance, const char* name, HPALETTE palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::LoadBitmapResource(err, instance, name, palette); });
}
