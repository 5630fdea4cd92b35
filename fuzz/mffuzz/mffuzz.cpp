#include "fuzz/mffuzz/mffuzz.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "pixmill/pixmill.h"
#include "pixmill/pxmetafile.h"
#include "platform/gdi/dc.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "metafile fuzz check failed: %s\n", what);
    std::abort();
}

// A reader's buffer: there exactly when the code is 0, of width x height RGB pixels.
void Check(BYTE* rgb, UINT w, UINT h, int code) {
    if ((rgb != nullptr) != (code == 0)) Broken("a buffer goes with code 0 and only with it");
    if (rgb) {
        if (w == 0 || h == 0 || GlobalSize(rgb) != size_t{w} * h * 3) Broken("buffer size differs from width x height");
        GlobalFree(rgb);
    } else if (w != 0 || h != 0) {
        Broken("a size without a buffer");
    }
}

// DibBitsToRgb over the parts of the block, copied into a block of their own with the colour table
// last, so that a read past the entries the header declares leaves the block. Its caller vouches for
// the rows (or the RLE bytes): the call is made only when the block holds them.
void DibPartsToRgb(const BYTE* dib, size_t size) {
    BITMAPINFOHEADER h;
    if (size < sizeof h) return;
    std::memcpy(&h, dib, sizeof h);
    if (h.biSize != sizeof h) return;
    const uint64_t entries = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : uint64_t{1} << h.biBitCount) : 0;
    const uint64_t tableEnd = sizeof h + std::min<uint64_t>(entries, 256) * sizeof(RGBQUAD);
    if (tableEnd > size) return;
    const uint64_t rows = h.biHeight < 0 ? 0 - static_cast<int64_t>(h.biHeight) : static_cast<uint64_t>(h.biHeight);
    const uint64_t stride = (uint64_t{static_cast<DWORD>(h.biWidth)} * h.biBitCount + 31) / 32 * 4;
    const uint64_t room = size - tableEnd;
    if (h.biWidth <= 0 || rows == 0) return;
    if (h.biCompression == BI_RGB ? stride > room / rows : h.biSizeImage > room) return;
    const uint64_t need = h.biCompression == BI_RGB ? stride * rows : h.biSizeImage;
    // Table and rows in one block of their own, the table last so that a read past it leaves the block.
    const size_t nTable = static_cast<size_t>(tableEnd - sizeof h);
    if (need + nTable == 0) return;
    BYTE* parts = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<size_t>(need) + nTable));
    if (!parts) return;
    std::memcpy(parts, dib + tableEnd, static_cast<size_t>(need));
    std::memcpy(parts + need, dib + sizeof h, nTable);
    UINT w = 7, hh = 7;
    BYTE* rgb = DibBitsToRgb(parts, &h, reinterpret_cast<const RGBQUAD*>(parts + need), &w, &hh);
    Check(rgb, w, hh, GetLastErrorCode());
    GlobalFree(parts);
}

}  // namespace

int FzPlayMetafile(const uint8_t* data, size_t size) {
    ErrorCode err = ErrorCode::None;
    UINT w = 7, h = 7;
    BYTE* rgb = px::ReadMetafileFromMemory(err, data, size, &w, &h, 100, 100, 0x808080);
    Check(rgb, w, h, static_cast<int>(err));
    return static_cast<int>(err);
}

std::vector<int> FzConvertDib(const uint8_t* data, size_t size) {
    std::vector<int> codes;
    BYTE* dib = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, size));
    if (!dib) return codes;
    if (size) std::memcpy(dib, data, size);
    UINT w = 7, h = 7;
    BYTE* rgb = DibToRgb(dib, &w, &h);
    codes.push_back(GetLastErrorCode());
    // DibToRgb returns no buffer with an error.
    Check(rgb, w, h, codes.back());
    DibPartsToRgb(dib, size);
    for (BOOL sections : {0, 1}) {
        SetUseDibSection(sections);
        HBITMAP bitmap = CreateDdbFromDib(dib, nullptr, nullptr);
        codes.push_back(GetLastErrorCode());
        if ((bitmap != nullptr) != (codes.back() == 0)) Broken("a bitmap goes with code 0 and only with it");
        if (bitmap) {
            HDC screen = GetDC(nullptr);
            w = h = 7;
            rgb = DdbToRgb(bitmap, &w, &h, screen, nullptr);
            Check(rgb, w, h, GetLastErrorCode());
            ReleaseDC(nullptr, screen);
            DeleteObject(bitmap);
        }
    }
    SetUseDibSection(0);
    CDC dc;
    CBitmap surface;
    dc.CreateCompatibleDC(nullptr);
    surface.CreateCompatibleBitmap(&dc, 16, 16);
    CBitmap* old = dc.SelectObject(&surface);
    StretchDrawDib(&dc, dib, -3, 2, 20, 9);
    codes.push_back(GetLastErrorCode());
    dc.SelectObject(old);
    GlobalFree(dib);
    return codes;
}
