// CRgbImage: one 24-bit RGB image (rows of width x 3 bytes, R, G, B, top row first) and what the view's
// paint needs of it: its size and a device-dependent bitmap made from it.
//
// Reading image files comes with the image-file library; until then Load reports the library's
// "file open" error for every path, and images are made in memory (Allocate, then fill Lock()).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/afx/afxgeom.h"
#include "platform/crt/wintypes.h"
#include "platform/gdi/handles.h"

// The image library's error codes that the wrapper itself returns.
constexpr int PX_NO_ERROR = 0;
constexpr int PX_OUT_OF_MEMORY = 1;
constexpr int PX_FILE_OPEN_ERROR = 2;
constexpr int PX_EMPTY_IMAGE = 5;

class CRgbImage {
public:
    CRgbImage();
    virtual ~CRgbImage();
    CRgbImage(const CRgbImage&) = delete;
    CRgbImage& operator=(const CRgbImage&) = delete;

    // Reads a file; 0 on success, else the library's error code.
    int Load(const char* lpszPath);
    // Creates pBitmap (which must not be created yet) as a 32-bit bitmap of the image. 0 on success;
    // PX_EMPTY_IMAGE when the image has no pixels, PX_OUT_OF_MEMORY when the bitmap cannot be made.
    int CreateBitmap(CBitmap* pBitmap, HPALETTE hPal);
    CSize GetSize() const { return m_size; }

    // Frees the pixels.
    void Clear();
    // Clear, then size.cx x size.cy zeroed pixels; PX_OUT_OF_MEMORY (and an empty image) when the size
    // is negative or too large.
    int Allocate(CSize size);
    // The pixels (NULL when empty). Lock and Unlock count, as the library's buffers require.
    uint8_t* Lock();
    void Unlock();

    CSize m_size;
    CSize m_resolution;

private:
    std::vector<uint8_t> m_buffer;
    int m_nLock = 0;
};
