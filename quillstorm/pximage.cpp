#include "quillstorm/pximage.h"

#include <new>

#include "platform/afx/afxobj.h"

#include "platform/gdi/dc.h"

CRgbImage::CRgbImage() : m_size(0, 0), m_resolution(96, 96) {}

CRgbImage::~CRgbImage() { Clear(); }

int CRgbImage::Load(const char*) {
    Clear();
    return PX_FILE_OPEN_ERROR;
}

void CRgbImage::Clear() {
    ASSERT(m_nLock == 0);
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_size = CSize(0, 0);
}

int CRgbImage::Allocate(CSize size) {
    Clear();
    if (size.cx < 0 || size.cy < 0) return PX_OUT_OF_MEMORY;
    const unsigned long long bytes = 3ull * static_cast<unsigned long long>(size.cx) * static_cast<unsigned long long>(size.cy);
    if (bytes > (1ull << 31)) return PX_OUT_OF_MEMORY;
    try {
        m_buffer.assign(static_cast<size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return PX_OUT_OF_MEMORY;
    }
    m_size = size;
    return PX_NO_ERROR;
}

uint8_t* CRgbImage::Lock() {
    ++m_nLock;
    return m_buffer.empty() ? nullptr : m_buffer.data();
}

void CRgbImage::Unlock() {
    if (m_nLock > 0) --m_nLock;
}

int CRgbImage::CreateBitmap(CBitmap* pBitmap, HPALETTE) {
    if (!pBitmap) return PX_EMPTY_IMAGE;
    if (m_buffer.empty() || m_size.cx <= 0 || m_size.cy <= 0) return PX_EMPTY_IMAGE;
    if (!pBitmap->CreateCompatibleBitmap(nullptr, m_size.cx, m_size.cy)) return PX_OUT_OF_MEMORY;
    gdi::Surface& s = pBitmap->GetSurface();
    const uint8_t* src = Lock();
    for (int y = 0; y < m_size.cy; ++y) {
        uint32_t* row = s.Row(y);
        const uint8_t* p = src + static_cast<size_t>(y) * static_cast<size_t>(m_size.cx) * 3;
        for (int x = 0; x < m_size.cx; ++x, p += 3) row[x] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
    Unlock();
    return PX_NO_ERROR;
}
