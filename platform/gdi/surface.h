// A 32-bit bitmap: one uint32_t per pixel holding 0x00RRGGBB, so the bytes in memory are B, G, R, X;
// rows top-down with no padding. This is the layout of a 32-bpp DIB section and of
// QImage::Format_RGB32, so the view can show a surface without copying it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/crt/wintypes.h"

namespace gdi {

// COLORREF (0x00BBGGRR) to and from a surface pixel (0x00RRGGBB).
constexpr uint32_t ColorToPixel(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF PixelToColor(uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

class Surface {
public:
    Surface() = default;
    // Allocates width x height pixels, all 0 (black). Sizes of 0 give an empty surface.
    // Returns false (and leaves the surface empty) when the size is negative or the memory cannot be had.
    bool Create(int width, int height);
    // The same with the pixels left undefined, for a caller that writes every one of them at once.
    bool CreateUninitialized(int width, int height);
    void Release();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool IsEmpty() const { return m_width <= 0 || m_height <= 0; }
    // Row-major pixels; Width() pixels a row; NULL when empty.
    uint32_t* Bits() { return m_bits.get(); }
    const uint32_t* Bits() const { return m_bits.get(); }
    uint32_t* Row(int y) { return m_bits.get() + static_cast<size_t>(y) * static_cast<size_t>(m_width); }
    const uint32_t* Row(int y) const {
        return m_bits.get() + static_cast<size_t>(y) * static_cast<size_t>(m_width);
    }
    size_t BytesPerLine() const { return static_cast<size_t>(m_width) * 4; }

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

private:
    bool Allocate(int width, int height, bool bZero);
    // Pixels live in global memory: large blocks come as fresh pages (zero without a pass over them) with
    // the huge-page advice of globalmem.h.
    struct Free {
        void operator()(uint32_t* p) const;
    };
    int m_width = 0;
    int m_height = 0;
    std::unique_ptr<uint32_t[], Free> m_bits;
};

}  // namespace gdi
