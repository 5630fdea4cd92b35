// Drawing buffers and bitmaps on device contexts: plain, from a region, stretched, with a transparent
// colour.
#include <algorithm>
#include <climits>

#include "pixmill/pxbitmap.h"
#include "pixmill/pxbuffer.h"

namespace px {

namespace {

inline int ClampToInt(UINT v) { return static_cast<int>(std::min<UINT>(v, INT_MAX)); }

// The source rectangle of a Region variant lies inside the image (64-bit sums); else BadParam.
bool RegionInside(ErrorCode& err, UINT width, UINT height, int srcX, int srcY, UINT srcW, UINT srcH) {
    if (srcX < 0 || srcY < 0 || uint64_t(srcX) + srcW > width || uint64_t(srcY) + srcH > height) {
        err = ErrorCode::BadParam;
        return false;
    }
    return true;
}

// The source rectangle of a Region variant copied out of the image (bytesPerPixel-byte pixels); an empty
// block with err set when it is not inside.
GlobalBuffer CropRegion(ErrorCode& err, const BYTE* pixels, UINT width, UINT height, UINT bytesPerPixel, int srcX,
                        int srcY, UINT srcW, UINT srcH) {
    if (!RequireNonNull(err, pixels) || !RegionInside(err, width, height, srcX, srcY, srcW, srcH)) return {};
    return GlobalBuffer::Adopt(
        CropRgb(err, pixels, width, height, bytesPerPixel, srcX, srcY, srcX + srcW, srcY + srcH));
}

// The stretching functions need a DC that has RC_STRETCHDIB and a picture.
bool CanStretch(ErrorCode& err, HDC hdc, const void* picture) {
    if (!hdc || !picture) {
        err = ErrorCode::BadParam;
        return false;
    }
    if (!HasRasterCaps(hdc, RC_STRETCHDIB)) {
        err = ErrorCode::DeviceUnsupported;
        return false;
    }
    return true;
}

// StretchDIBits of a whole packed DIB; 1 exactly when it reports the DIB's height.
BOOL StretchPackedDib(ErrorCode& err, HDC hdc, const BYTE* dib, int x, int y, UINT w, UINT h) {
    PackedDib d;
    if (!OpenPackedDib(dib, &d)) {
        err = ErrorCode::BadBmp;
        return FALSE;
    }
    if (!BitmapFitsLimit(d.format)) {
        err = ErrorCode::OutOfMemory;
        return FALSE;
    }
    const int lines = gdi::StretchDIBitsChecked(hdc, x, y, ClampToInt(w), ClampToInt(h), 0, 0, d.format.width,
                                                d.format.height, d.bits, d.cbBits, d.info, d.cbInfo, DIB_RGB_COLORS,
                                                SRCCOPY);
    return lines == d.format.height ? TRUE : FALSE;
}

}  // namespace

BOOL DrawBitmapRegion(ErrorCode& err, HDC hdc, HBITMAP bitmap, int x, int y, int srcX, int srcY, UINT width,
                      UINT height, HPALETTE palette) {
    DepthGuard depth;
    if (!bitmap) {
        err = ErrorCode::BadParam;
        return FALSE;
    }
    if (!HasRasterCaps(hdc, RC_BITBLT)) {
        err = ErrorCode::DeviceUnsupported;
        return FALSE;
    }
    if (!palette) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    PaletteSelection onDc(hdc, palette);
    MemoryDc mem(hdc);
    if (!mem.IsValid()) {
        err = ErrorCode::DeviceContext;
        return FALSE;
    }
    PaletteSelection onMem(mem.Get(), palette);
    if (!mem.Select(bitmap, false)) {
        err = HasRasterCaps(hdc, RC_BITMAP64) ? ErrorCode::SelectObjectFailed : ErrorCode::DeviceUnsupported;
        return FALSE;
    }
    if (!BitBlt(hdc, x, y, ClampToInt(width), ClampToInt(height), mem.Get(), srcX, srcY, SRCCOPY)) {
        err = ErrorCode::BitBltFailed;
        return FALSE;
    }
    return TRUE;
}

BOOL DrawBitmapTransparent(ErrorCode& err, HDC hdc, HBITMAP bitmap, int x, int y, COLORREF transparent) {
    DepthGuard depth;
    if (!bitmap) {
        err = ErrorCode::BadParam;
        return FALSE;
    }
    if (!HasRasterCaps(hdc, RC_BITBLT | RC_BITMAP64)) {
        err = ErrorCode::DeviceUnsupported;
        return FALSE;
    }
    // 1. The source DC with the caller's bitmap, and the bitmap's size in its logical units.
    MemoryDc src(hdc);
    if (!src.IsValid()) {
        err = ErrorCode::DeviceContext;
        return FALSE;
    }
    if (!src.Select(bitmap, false)) {
        err = ErrorCode::SelectObjectFailed;
        return FALSE;
    }
    BITMAP bm;
    GetObject(bitmap, sizeof bm, &bm);
    POINT size{bm.bmWidth, bm.bmHeight};
    DPtoLP(src.Get(), &size, 1);
    const int w = size.x, h = size.y;
    // 2. Two monochrome work bitmaps (back, object) and two colour ones (mem, save).
    MemoryDc back(hdc), object(hdc), mem(hdc), save(hdc);
    if (!back.IsValid() || !object.IsValid() || !mem.IsValid() || !save.IsValid()) {
        err = ErrorCode::DeviceContext;
        return FALSE;
    }
    HBITMAP bitmaps[4] = {CreateBitmap(w, h, 1, 1, nullptr), CreateBitmap(w, h, 1, 1, nullptr),
                          CreateCompatibleBitmap(hdc, w, h), CreateCompatibleBitmap(hdc, w, h)};
    MemoryDc* dcs[4] = {&back, &object, &mem, &save};
    bool created = true;
    for (int i = 0; i < 4; ++i) {
        if (!bitmaps[i]) created = false;
        if (!dcs[i]->Select(bitmaps[i], true) && bitmaps[i]) {
            err = ErrorCode::SelectObjectFailed;
            return FALSE;
        }
    }
    if (!created) {
        err = ErrorCode::CreateCompatibleBitmapFailed;
        return FALSE;
    }
    SetMapMode(src.Get(), GetMapMode(hdc));
    // 3. save = source; object = 1 where the source has the transparent colour; back = its inverse.
    BitBlt(save.Get(), 0, 0, w, h, src.Get(), 0, 0, SRCCOPY);
    const COLORREF oldBk = SetBkColor(src.Get(), transparent);
    BitBlt(object.Get(), 0, 0, w, h, src.Get(), 0, 0, SRCCOPY);
    SetBkColor(src.Get(), oldBk);
    BitBlt(back.Get(), 0, 0, w, h, object.Get(), 0, 0, NOTSRCCOPY);
    // 4. The destination kept where the colour is, the source everywhere else.
    BitBlt(mem.Get(), 0, 0, w, h, hdc, x, y, SRCCOPY);
    BitBlt(mem.Get(), 0, 0, w, h, object.Get(), 0, 0, SRCAND);
    BitBlt(src.Get(), 0, 0, w, h, back.Get(), 0, 0, SRCAND);
    BitBlt(mem.Get(), 0, 0, w, h, src.Get(), 0, 0, SRCPAINT);
    // 5. Onto the DC; the caller's bitmap gets its pixels back.
    BitBlt(hdc, x, y, w, h, mem.Get(), 0, 0, SRCCOPY);
    BitBlt(src.Get(), 0, 0, w, h, save.Get(), 0, 0, SRCCOPY);
    return TRUE;
}

BOOL StretchDrawDib(ErrorCode& err, HDC hdc, const BYTE* dib, int x, int y, UINT width, UINT height) {
    DepthGuard depth;
    if (!CanStretch(err, hdc, dib)) return FALSE;
    return StretchPackedDib(err, hdc, dib, x, y, width, height);
}

BOOL DrawRgb(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h,
             HPALETTE palette) {
    DepthGuard depth;
    OwnedObject<HBITMAP> bitmap(CreateDdbFromRgb(err, rgb, width, height, palette, hdc));
    if (!bitmap.Get()) return FALSE;
    return DrawBitmapRegion(err, hdc, bitmap.Get(), x, y, 0, 0, w, h, palette);
}

BOOL DrawRgbRegion(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX, int srcY,
                   UINT srcW, UINT srcH, HPALETTE palette) {
    DepthGuard depth;
    GlobalBuffer crop = CropRegion(err, rgb, width, height, 3, srcX, srcY, srcW, srcH);
    if (!crop) return FALSE;
    return DrawRgb(err, hdc, crop.Get(), srcW, srcH, x, y, srcW, srcH, palette);
}

BOOL DrawRgbTransparent(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y,
                        COLORREF transparent) {
    DepthGuard depth;
    OwnedObject<HBITMAP> bitmap(CreateDdbFromRgb(err, rgb, width, height, nullptr, hdc));
    if (!bitmap.Get()) return FALSE;
    return DrawBitmapTransparent(err, hdc, bitmap.Get(), x, y, transparent);
}

BOOL StretchDrawRgb(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h) {
    DepthGuard depth;
    if (!CanStretch(err, hdc, rgb)) return FALSE;
    GlobalBuffer dib = GlobalBuffer::Adopt(CreateDibFromRgb(err, rgb, width, height));
    if (!dib) return FALSE;
    return StretchPackedDib(err, hdc, dib.Get(), x, y, w, h);
}

BOOL StretchDrawRgbRegion(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX,
                          int srcY, UINT srcW, UINT srcH) {
    DepthGuard depth;
    GlobalBuffer crop = CropRegion(err, rgb, width, height, 3, srcX, srcY, srcW, srcH);
    if (!crop) return FALSE;
    return StretchDrawRgb(err, hdc, crop.Get(), srcW, srcH, x, y, srcW, srcH);
}

BOOL Draw8Bit(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x,
              int y, UINT w, UINT h, HPALETTE hPalette) {
    DepthGuard depth;
    if (!hdc || !pixels || !palette) {
        err = ErrorCode::BadParam;
        return FALSE;
    }
    GlobalBuffer dib = GlobalBuffer::Adopt(CreateDibFrom8Bit(err, pixels, width, height, palette));
    if (!dib) return FALSE;
    OwnedObject<HBITMAP> bitmap(CreateDdbFromDib(err, dib.Get(), hPalette, hdc));
    dib.Reset();
    if (!bitmap.Get()) return FALSE;
    return DrawBitmapRegion(err, hdc, bitmap.Get(), x, y, 0, 0, w, h, hPalette);
}

BOOL Draw8BitRegion(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
                    int x, int y, int srcX, int srcY, UINT srcW, UINT srcH, HPALETTE hPalette) {
    DepthGuard depth;
    GlobalBuffer crop = CropRegion(err, pixels, width, height, 1, srcX, srcY, srcW, srcH);
    if (!crop) return FALSE;
    return Draw8Bit(err, hdc, crop.Get(), srcW, srcH, palette, x, y, srcW, srcH, hPalette);
}

BOOL StretchDraw8Bit(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
                     int x, int y, UINT w, UINT h) {
    DepthGuard depth;
    if (!RequireNonNull(err, palette) || !CanStretch(err, hdc, pixels)) return FALSE;
    GlobalBuffer dib = GlobalBuffer::Adopt(CreateDibFrom8Bit(err, pixels, width, height, palette));
    if (!dib) return FALSE;
    return StretchPackedDib(err, hdc, dib.Get(), x, y, w, h);
}

BOOL StretchDraw8BitRegion(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height,
                           const RGBQUAD* palette, int x, int y, int srcX, int srcY, UINT srcW, UINT srcH) {
    DepthGuard depth;
    GlobalBuffer crop = CropRegion(err, pixels, width, height, 1, srcX, srcY, srcW, srcH);
    if (!crop) return FALSE;
    return StretchDraw8Bit(err, hdc, crop.Get(), srcW, srcH, palette, x, y, srcW, srcH);
}

}  // namespace px

// ---- public functions ----------------------------------------------------------------------------------------

BOOL DrawBitmap(HDC hdc, HBITMAP bitmap, int x, int y, UINT width, UINT height, HPALETTE palette) {
    return px::RunWorker(
        [&](ErrorCode& err) { return px::DrawBitmapRegion(err, hdc, bitmap, x, y, 0, 0, width, height, palette); });
}

BOOL DrawBitmapRegion(HDC hdc, HBITMAP bitmap, int x, int y, int srcX, int srcY, UINT width, UINT height,
                      HPALETTE palette) {
    return px::RunWorker(
        [&](ErrorCode& err) { return px::DrawBitmapRegion(err, hdc, bitmap, x, y, srcX, srcY, width, height, palette); });
}

BOOL DrawBitmapTransparent(HDC hdc, HBITMAP bitmap, int x, int y, COLORREF transparent) {
    return px::RunWorker([&](ErrorCode& err) { return px::DrawBitmapTransparent(err, hdc, bitmap, x, y, transparent); });
}

BOOL StretchDrawDib(HDC hdc, const BYTE* dib, int x, int y, UINT width, UINT height) {
    return px::RunWorker([&](ErrorCode& err) { return px::StretchDrawDib(err, hdc, dib, x, y, width, height); });
}

BOOL DrawRgb(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h, HPALETTE palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::DrawRgb(err, hdc, rgb, width, height, x, y, w, h, palette); });
}

BOOL DrawRgbRegion(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX, int srcY, UINT srcW,
                   UINT srcH, HPALETTE palette) {
    return px::RunWorker([&](ErrorCode& err) {
        return px::DrawRgbRegion(err, hdc, rgb, width, height, x, y, srcX, srcY, srcW, srcH, palette);
    });
}

BOOL DrawRgbTransparent(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, COLORREF transparent) {
    return px::RunWorker(
        [&](ErrorCode& err) { return px::DrawRgbTransparent(err, hdc, rgb, width, height, x, y, transparent); });
}

BOOL StretchDrawRgb(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h) {
    return px::RunWorker([&](ErrorCode& err) { return px::StretchDrawRgb(err, hdc, rgb, width, height, x, y, w, h); });
}

BOOL StretchDrawRgbRegion(HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX, int srcY,
                          UINT srcW, UINT srcH) {
    return px::RunWorker([&](ErrorCode& err) {
        return px::StretchDrawRgbRegion(err, hdc, rgb, width, height, x, y, srcX, srcY, srcW, srcH);
    });
}

BOOL Draw8Bit(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x, int y, UINT w,
              UINT h, HPALETTE hPalette) {
    return px::RunWorker(
        [&](ErrorCode& err) { return px::Draw8Bit(err, hdc, pixels, width, height, palette, x, y, w, h, hPalette); });
}

BOOL Draw8BitRegion(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x, int y,
                    int srcX, int srcY, UINT srcW, UINT srcH, HPALETTE hPalette) {
    return px::RunWorker([&](ErrorCode& err) {
        return px::Draw8BitRegion(err, hdc, pixels, width, height, palette, x, y, srcX, srcY, srcW, srcH, hPalette);
    });
}

BOOL StretchDraw8Bit(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x, int y,
                     UINT w, UINT h) {
    return px::RunWorker(
        [&](ErrorCode& err) { return px::StretchDraw8Bit(err, hdc, pixels, width, height, palette, x, y, w, h); });
}

BOOL StretchDraw8BitRegion(HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x,
                           int y, int srcX, int srcY, UINT srcW, UINT srcH) {
    return px::RunWorker([&](ErrorCode& err) {
        return px::StretchDraw8BitRegion(err, hdc, pixels, width, height, palette, x, y, srcX, srcY, srcW, srcH);
    });
}
