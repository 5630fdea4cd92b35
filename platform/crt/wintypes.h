// Fixed-width scalar types and the plain geometry records of the platform.
//
// The stored form and the drawing layer depend on these widths exactly: LONG and DWORD are 32 bits
// here as they were on the original platform (never `long`, which is 64 bits on Linux).
#pragma once

#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef uint32_t COLORREF;  // 0x00BBGGRR
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef char CHAR;
typedef uint32_t ULONG;
typedef intptr_t LPARAM;
typedef uintptr_t WPARAM;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef const char* LPCTSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct POINT {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

typedef const RECT* LPCRECT;
typedef RECT* LPRECT;
typedef POINT* LPPOINT;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((static_cast<DWORD>(static_cast<BYTE>(r))) |
                                 (static_cast<DWORD>(static_cast<BYTE>(g)) << 8) |
                                 (static_cast<DWORD>(static_cast<BYTE>(b)) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(DWORD v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(DWORD v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(DWORD v) { return static_cast<BYTE>((v >> 8) & 0xFF); }

// A colour-table entry of a device-independent bitmap.
struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

// The 40-byte information header of a device-independent bitmap (little-endian in files and blocks).
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // positive: bottom row first; negative: top row first
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(WORD) == 2 && sizeof(BYTE) == 1);
static_assert(sizeof(POINT) == 8 && sizeof(RECT) == 16);
static_assert(sizeof(RGBQUAD) == 4 && sizeof(BITMAPINFOHEADER) == 40);
