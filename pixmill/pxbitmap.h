// The conversions between buffers, DIBs, bitmaps and device contexts, and the drawing of buffers and
// bitmaps, as workers: each takes the caller's error code first and holds a DepthGuard while it runs.
// The public functions of the same names run them through RunWorker; the metafile code calls them too.
#pragma once

#include <cstddef>

#include "pixmill/pxcore.h"
#include "platform/gdi/dib.h"

namespace px {

// ---- conversions ----
HBITMAP CreateDdbFromRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, HPALETTE palette, HDC hdc);
HBITMAP CreateDibSectionFromRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, HPALETTE palette, HDC hdc);
HBITMAP CreateDdbFromDib(ErrorCode& err, const BYTE* dib, HPALETTE palette, HDC hdc);
BYTE* CreateDibFromRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height);
BYTE* CreateDibFrom8Bit(ErrorCode& err, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette);
BYTE* CreateDibFromDdb(ErrorCode& err, HBITMAP bitmap, HPALETTE palette);
BYTE* DibToRgb(ErrorCode& err, const BYTE* dib, UINT* width, UINT* height);
// cbBits: the bytes readable at bits (SIZE_MAX when the caller vouches for them).
BYTE* DibBitsToRgb(ErrorCode& err, const BYTE* bits, size_t cbBits, const BITMAPINFOHEADER* header,
                   const RGBQUAD* colorTable, UINT* width, UINT* height);
BYTE* DdbToRgb(ErrorCode& err, HBITMAP bitmap, UINT* width, UINT* height, HDC hdc, HPALETTE palette);
BYTE* CaptureDcToRgb(ErrorCode& err, HDC hdc, int x, int y, UINT width, UINT height);
HPALETTE CreatePaletteFromRgbQuads(ErrorCode& err, const RGBQUAD* palette, UINT n);
HBITMAP LoadBitmapResource(ErrorCode& err, HINSTANCE instance, const char* name, HPALETTE palette);

// ---- drawing ----
BOOL DrawBitmapRegion(ErrorCode& err, HDC hdc, HBITMAP bitmap, int x, int y, int srcX, int srcY, UINT width,
                      UINT height, HPALETTE palette);
BOOL DrawBitmapTransparent(ErrorCode& err, HDC hdc, HBITMAP bitmap, int x, int y, COLORREF transparent);
BOOL StretchDrawDib(ErrorCode& err, HDC hdc, const BYTE* dib, int x, int y, UINT width, UINT height);
BOOL DrawRgb(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h,
             HPALETTE palette);
BOOL DrawRgbRegion(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX, int srcY,
                   UINT srcW, UINT srcH, HPALETTE palette);
BOOL DrawRgbTransparent(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y,
                        COLORREF transparent);
BOOL StretchDrawRgb(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h);
BOOL StretchDrawRgbRegion(ErrorCode& err, HDC hdc, const BYTE* rgb, UINT width, UINT height, int x, int y, int srcX,
                          int srcY, UINT srcW, UINT srcH);
BOOL Draw8Bit(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette, int x,
              int y, UINT w, UINT h, HPALETTE hPalette);
BOOL Draw8BitRegion(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
                    int x, int y, int srcX, int srcY, UINT srcW, UINT srcH, HPALETTE hPalette);
BOOL StretchDraw8Bit(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height, const RGBQUAD* palette,
                     int x, int y, UINT w, UINT h);
BOOL StretchDraw8BitRegion(ErrorCode& err, HDC hdc, const BYTE* pixels, UINT width, UINT height,
                           const RGBQUAD* palette, int x, int y, int srcX, int srcY, UINT srcW, UINT srcH);

// ---- shared by the two ----

// A packed DIB in a global-memory block, checked against the block's size: its header, where its bits
// begin and how many bytes follow.
struct PackedDib {
    const BITMAPINFO* info = nullptr;
    size_t cbInfo = 0;
    const BYTE* bits = nullptr;
    size_t cbBits = 0;
    gdi::DibFormat format;
};
// False when the block is too small for the header, its table and (for an uncompressed DIB) its rows,
// or the header is not one the drawing layer takes.
bool OpenPackedDib(const BYTE* dib, PackedDib* out);

// Whether a bitmap of the DIB's size (4 bytes a pixel) stays under the allocation limit: the pixels of
// an RLE DIB are not in its block, so its header alone can ask for any size.
bool BitmapFitsLimit(const gdi::DibFormat& f);

// The device's RASTERCAPS has every bit of `caps`.
bool HasRasterCaps(HDC hdc, int caps);

// Releases, on destruction, a GetDC(NULL) made for a NULL DC argument.
class ScreenIfNull {
public:
    explicit ScreenIfNull(HDC hdc) : m_hdc(hdc ? hdc : GetDC(nullptr)), m_bOwned(!hdc) {}
    ~ScreenIfNull() {
        if (m_bOwned && m_hdc) ReleaseDC(nullptr, m_hdc);
    }
    ScreenIfNull(const ScreenIfNull&) = delete;
    ScreenIfNull& operator=(const ScreenIfNull&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HDC m_hdc;
    bool m_bOwned;
};

// Selects and realises a palette on a DC and selects the previous one back on destruction (nothing
// when the palette is NULL).
class PaletteSelection {
public:
    PaletteSelection(HDC hdc, HPALETTE palette) : m_hdc(hdc) {
        if (hdc && palette) {
            m_old = SelectPalette(hdc, palette, FALSE);
            RealizePalette(hdc);
        }
    }
    ~PaletteSelection() {
        if (m_old) SelectPalette(m_hdc, m_old, FALSE);
    }
    PaletteSelection(const PaletteSelection&) = delete;
    PaletteSelection& operator=(const PaletteSelection&) = delete;

private:
    HDC m_hdc;
    HPALETTE m_old = nullptr;
};

// A memory DC compatible with a DC, with a bitmap of its own selected, both released on destruction.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        Deselect();
        if (m_dc) DeleteDC(m_dc);
        if (m_bOwned && m_bitmap) DeleteObject(m_bitmap);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    bool IsValid() const { return m_dc && m_dc->m_hDC; }
    HDC Get() const { return m_dc; }
    // Selects the bitmap; when bOwned, the bitmap is deleted with this object (even when the selection
    // fails). False when it is NULL or cannot be selected.
    bool Select(HBITMAP bitmap, bool bOwned) {
        Deselect();
        if (m_bOwned && m_bitmap) DeleteObject(m_bitmap);
        m_bitmap = bitmap;
        m_bOwned = bOwned;
        m_old = bitmap && m_dc ? SelectObject(m_dc, bitmap) : nullptr;
        return m_old != nullptr;
    }
    // Puts the DC's first bitmap back (the selected one stays alive until destruction).
    void Deselect() {
        if (m_old) SelectObject(m_dc, m_old);
        m_old = nullptr;
    }

private:
    HDC m_dc;
    HBITMAP m_bitmap = nullptr;
    HBITMAP m_old = nullptr;
    bool m_bOwned = false;
};

// A new bitmap of width x height compatible with hdc, selected into mem (which deletes it): NULL with
// err DeviceContext (no memory DC), CreateCompatibleBitmapFailed or SelectObjectFailed.
HBITMAP SelectWorkBitmap(ErrorCode& err, MemoryDc& mem, HDC hdc, int width, int height);

// A GDI object deleted on destruction unless released.
template <class Handle>
class OwnedObject {
public:
    explicit OwnedObject(Handle h = nullptr) : m_h(h) {}
    ~OwnedObject() {
        if (m_h) DeleteObject(m_h);
    }
    OwnedObject(const OwnedObject&) = delete;
    OwnedObject& operator=(const OwnedObject&) = delete;
    Handle Get() const { return m_h; }
    void Reset(Handle h) {
        if (m_h) DeleteObject(m_h);
        m_h = h;
    }
    Handle Release() {
        Handle h = m_h;
        m_h = nullptr;
        return h;
    }

private:
    Handle m_h;
};

}  // namespace px
