// Device-independent bitmaps: packed DIB records, their conversion to and from the layer's 32-bit
// surfaces, DIB sections, and the platform's DIB calls (CreateDIBitmap, StretchDIBits,
// SetDIBitsToDevice, GetDIBits, CreateDIBSection, GetObject).
//
// Formats taken: a BITMAPINFOHEADER of 40 bytes or more (the larger headers' extra fields are skipped),
// width > 0, height != 0 (negative: top row first), and
//   - BI_RGB at 1, 4, 8 bits with a colour table, 16 bits (5-5-5), 24 bits (blue, green, red) and 32 bits
//     (blue, green, red, unused);
//   - BI_BITFIELDS at 16 and 32 bits, the red, green and blue masks in the three DWORDs after a 40-byte
//     header (inside a larger one); a channel of n bits becomes (v x 255 + (2^n - 1) / 2) / (2^n - 1),
//     so 5-5-5 and 5-6-5 expand as the 16-bit BI_RGB rule does;
//   - BI_RLE8 at 8 bits and BI_RLE4 at 4 bits, bottom row first only.
// 16-bit BI_RGB: a 5-bit channel v becomes (v << 3) | (v >> 2) (0 reads 0, 31 reads 255).
// Colour tables: biClrUsed entries, or 2^bits when it is 0, for 1 to 8 bits; an index past the table
// gives black. For more bits a table of biClrUsed entries may follow (it is skipped). DIB_RGB_COLORS
// tables hold RGBQUADs, DIB_PAL_COLORS tables WORD indices into the DC's selected palette.
// RLE: the picture starts as colour-table entry 0 everywhere; runs are cut at the row's end, deltas
// clamped to the picture, and decoding ends at the end-of-bitmap escape, the top row, or the data's end.
//
// Bounds: the platform's calls trust their caller for the sizes of the header block and of the bits, as
// the platform does. The *Checked variants take both sizes and refuse a DIB whose header, colour table,
// masks or pixels (stride x |height| in 64 bits for uncompressed DIBs, the RLE data for compressed ones)
// do not fit them: the metafile player and other readers of untrusted bytes use those.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/gdi/dc.h"

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    void* dshSection;
    DWORD dsOffset;
};

constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;
constexpr DWORD CBM_INIT = 4;

namespace gdi {

// What a DIB header says, checked (ParseDib).
struct DibFormat {
    int32_t width = 0;
    int32_t height = 0;  // rows, positive
    bool topDown = false;
    int bits = 0;
    DWORD compression = BI_RGB;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue (16 and 32 bits)
    uint32_t tableEntries = 0;      // colour-table entries the header declares
    const void* table = nullptr;    // the table: RGBQUADs or WORD indices, by the usage
    uint64_t stride = 0;            // bytes a stored row
    uint64_t imageBytes = 0;        // bytes of pixels: stride x height, or the RLE data's size (0: unknown)
    uint64_t infoBytes = 0;         // bytes of header, masks and table: where a packed DIB's bits begin
};

// Checks a DIB header against the formats above and a header block of cbInfo readable bytes (SIZE_MAX:
// trusted). The picture must also fit a surface. False for anything else.
bool ParseDib(const BITMAPINFO* pbmi, size_t cbInfo, UINT usage, DibFormat* fmt);

// The colour table as 256 surface pixels (0x00RRGGBB): DIB_RGB_COLORS entries, or DIB_PAL_COLORS indices
// into pDC's selected palette; entries the table lacks are black. pDC may be NULL (the default palette).
void DibColorTable(const DibFormat& fmt, UINT usage, const CDC* pDC, uint32_t out[256]);

// Decodes the pixels into dst, which must be fmt.width x fmt.height. cbBits: the bytes readable at bits
// (SIZE_MAX: trusted). False, with dst untouched, when uncompressed pixels do not fit cbBits.
bool DecodeDib(const DibFormat& fmt, const uint32_t colors[256], const void* bits, size_t cbBits, Surface& dst);

// A DIB section's format and bits (CBitmap::CreateDIBSection).
struct DibSection {
    BITMAPINFOHEADER header{};      // as given, biSizeImage set to stride x |height|
    DWORD masks[3] = {0, 0, 0};     // BI_BITFIELDS
    RGBQUAD table[256] = {};        // 1 to 8 bits
    uint32_t tableEntries = 0;
    uint64_t stride = 0;
    uint64_t size = 0;
    struct Free {
        void operator()(BYTE* p) const;
    };
    std::unique_ptr<BYTE[], Free> bits;  // global memory
};

// CreateDIBitmap with CBM_INIT over a header block of cbInfo bytes and bits of cbBits bytes: NULL when the
// DIB does not fit them.
HBITMAP CreateDIBitmapChecked(HDC hdc, const BITMAPINFO* pbmi, size_t cbInfo, const void* pjBits, size_t cbBits,
                              UINT iUsage);

// StretchDIBits and SetDIBitsToDevice over a header block of cbInfo bytes and bits of cbBits bytes; a DIB
// that does not fit them gives 0 and draws nothing.
int StretchDIBitsChecked(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                         int SrcWidth, int SrcHeight, const void* lpBits, size_t cbBits, const BITMAPINFO* lpbmi,
                         size_t cbInfo, UINT iUsage, DWORD rop);
int SetDIBitsToDeviceChecked(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                             UINT cLines, const void* lpvBits, size_t cbBits, const BITMAPINFO* lpbmi, size_t cbInfo,
                             UINT ColorUse);

}  // namespace gdi

// ---- the platform's calls --------------------------------------------------------------------------

// A bitmap compatible with hdc (32 bits a pixel; hdc may be NULL), initialised from the DIB when flInit
// is CBM_INIT. NULL when the header is not one the layer takes (with CBM_INIT) or memory runs out.
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const void* pjBits,
                       const BITMAPINFO* pbmi, UINT iUsage);
// Draws the source rectangle of the DIB stretched onto the destination rectangle with a raster
// operation of BitBlt. ySrc counts from the picture's bottom row for a bottom-up DIB, from its top row
// for a top-down one. Returns the DIB's number of rows, or 0 on failure.
int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth,
                  int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop);
// Copies the w x h source rectangle of the DIB's scan lines StartScan .. StartScan + cLines - 1 (counted
// from the bottom for a bottom-up DIB, lpvBits holding just those lines) to (xDest, yDest), unstretched.
// Returns the number of lines given, or 0 on failure.
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                      UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse);
// Reads a bitmap into a DIB of the format lpbmi's header asks for (BI_RGB at 1, 4, 8, 16, 24 or 32 bits,
// or BI_BITFIELDS at 32 bits with the standard masks; biWidth must be the bitmap's width). Scan lines
// StartScan onwards, at most cLines, counted from the bottom row (top row for a negative biHeight).
//   - lpvBits NULL: fills biSizeImage and, for 1 to 8 bits, the colour table; with biBitCount 0, fills
//     the whole header with the bitmap's own format instead. Returns the bitmap's height.
//   - Colour tables: a DIB section asked in its own format gives its own table and bits unchanged; a
//     monochrome bitmap at 1 bit gives black and white; otherwise 1 bit is black and white, 4 bits the
//     16 standard colours and 8 bits the selected palette's entries (the rest black), each pixel taking
//     its nearest entry.
// Returns the number of lines written, 0 on failure.
int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, void* lpvBits, BITMAPINFO* lpbmi, UINT usage);
// A DIB section (CBitmap::CreateDIBSection); NULL on failure, with *ppvBits NULL. hSection and offset
// are not supported: hSection must be NULL.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, void* hSection, DWORD offset);
// The object's record: a bitmap's BITMAP, or a DIB section's DIBSECTION when cb is large enough for one;
// a palette's number of entries as a WORD. With pv NULL, the size of the record; 0 on failure.
int GetObject(HGDIOBJ h, int c, void* pv);
