// CRgbImage: one 24-bit RGB image held in an image-library buffer (rows of width x 3 bytes, R, G, B, top
// row first), read from a BMP, JPEG, PNG, PCX, TIFF, TGA, WMF or EMF file, with a 256-colour palette of
// its own, and turned into a device-dependent bitmap for the view's paint.
//
// Every operation returns the image library's error code (0 = success); the wrapper shows no message.
// Its only reports are debug traces (the error text after a failed read, the comments, texts and
// markers of JPEG and PNG files).
#pragma once

#include <cstdint>

#include "platform/afx/afxgeom.h"
#include "platform/afx/afxstr.h"
#include "platform/crt/wintypes.h"
#include "platform/gdi/dc.h"
#include "platform/kernel/globalmem.h"
#include "pixmill/pixmill.h"

// The image library's error codes that the wrapper itself returns.
constexpr int PX_NO_ERROR = 0;
constexpr int PX_OUT_OF_MEMORY = 1;
constexpr int PX_FILE_OPEN_ERROR = 2;
constexpr int PX_EMPTY_IMAGE = 5;  // also: nothing could be read (no type, no buffer)

// The wrapper's own file types (0 = not recognised). Reading uses only the 24-bit ids and the
// metafiles; the 8-bit ids name the variants of writing.
enum ImageFileType : int {
    IFT_NONE = 0,
    IFT_JPEG = 1,
    IFT_JPEG_GRAY = 2,
    IFT_PNG = 3,
    IFT_PNG_8BIT = 4,
    IFT_PNG_GRAY = 5,
    IFT_BMP = 6,
    IFT_BMP_8BIT = 7,
    IFT_BMP_GRAY = 8,
    IFT_PCX = 9,
    IFT_PCX_8BIT = 10,
    IFT_PCX_GRAY = 11,
    IFT_TIFF = 12,
    IFT_TIFF_8BIT = 13,
    IFT_TIFF_GRAY = 14,
    IFT_TGA = 16,
    IFT_TGA_8BIT = 17,
    IFT_TGA_GRAY = 18,
    IFT_WMF = 19,
    IFT_EMF = 20,
};

class CRgbImage {
public:
    // One row of the file type table: the wrapper's type, the library's detected format (-1: never
    // detected) and the extension that names the type.
    struct FileTypeRow {
        int nType;
        int nFormat;
        const char* pszExtension;  // NULL ends the table
    };
    // Searched in row order; row 0 is "not recognised", the last row ends the table.
    static const FileTypeRow FileTypeTable[12];

    CRgbImage();
    virtual ~CRgbImage();
    CRgbImage(const CRgbImage&) = delete;
    CRgbImage& operator=(const CRgbImage&) = delete;

    // Reads a file: its type from its first bytes, else from its extension. 0 on success (the image then
    // holds the picture); else the library's error code, never 0 without a picture.
    int Load(LPCTSTR lpszPath);
    // The same over bytes in memory, the type from the signature only (metafiles are not read from
    // memory).
    int LoadFromMemory(const void* pData, UINT nSize);
    // Attaches a new device-dependent bitmap of the image to pBitmap, made for the screen through hPal
    // (NULL: the image's own palette). The library's error code; 5 (pBitmap untouched) when empty.
    int CreateBitmap(CBitmap* pBitmap, HPALETTE hPal);
    CSize GetSize() const { return m_size; }

    // Frees buffer and palette.
    void Clear();
    // Clear, then a zero-filled buffer of size.cx x 3 x size.cy bytes (the size computed in 64 bits);
    // 1 (and an empty image) when it cannot be had.
    int Allocate(CSize size);
    // The buffer (NULL when empty); each Lock of a buffer counts once, Unlock releases one.
    BYTE* Lock();
    void Unlock();

    // ---- the load path ----
    // The type the library detects in the file's first bytes (0: cannot be opened, not recognised, or a
    // format the table does not hold).
    static int DetectFormatByFile(LPCTSTR lpszPath);
    // The type of the extension: the file name's part from its first '.' on, trailing white space
    // removed, compared case-sensitively with the table's extensions; 0 when none is equal.
    static int FormatFromExtension(LPCTSTR lpszPath);
    // Clear, then reads the file as nType (metafiles through their player, the rest through a file
    // source); the library's last error code.
    int LoadFile(LPCTSTR lpszPath, int nType);
    // Reads the open source as nType, with the file's resolution and its traced comments and markers.
    int ReadImage(SourceHandle source, int nType);
    // m_resolution in dots per inch from a reader's x, y and unit (see the .cpp); (96, 96) for another
    // type or unit, and when a value does not fit an int.
    void SetResolution(int nType, UINT x, UINT y, UINT nUnit);
    // The 256-colour palette of the image into m_palette: the library's optimal palette, computed here,
    // or pComputed when the reader computed it already.
    void BuildPalette(const RGBQUAD* pComputed = nullptr);
    // The first 20 bytes as lower-case hexadecimal, "..." after them when there are more.
    static CString MarkerDataText(const BYTE* pData, UINT nLength);
    // The text of a library error code; "Error #%u!" for a code without one.
    static CString GetErrorText(int nCode);

    CSize m_size;
    CSize m_resolution;
    HGLOBAL m_hBuffer = nullptr;
    int m_nLock = 0;
    CPalette m_palette;

private:
    // Adopts a buffer a reader returned (NULL: nothing), sets m_size and builds the palette (pPalette: the
    // one the reader computed for the buffer). FALSE (the buffer freed) when the size does not fit m_size.
    BOOL Adopt(BYTE* pBuffer, UINT nWidth, UINT nHeight, const RGBQUAD* pPalette = nullptr);
    // The type of the first table row of the library's format (0: none; GIF has none).
    static int TypeOfFormat(int nFormat);
    // The load's result: the code, or 5 when it is 0 without a picture.
    int Result(int nCode) const;
};
