#include "fuzz/mffuzz/mffuzz.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
