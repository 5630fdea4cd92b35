// Internals shared by the device context's source files. Not for use outside platform/gdi.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/gdi/dc.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

class CBitmap;

namespace gdi {

// The empty stock bitmap of a memory DC that has no bitmap of its own selected.
CBitmap* DefaultBitmap();

// What a pixel of a monochrome bitmap reads as: white when its channels sum to 383 or more (the nearer
// of black and white), else black.
inline uint32_t MonoPixel(uint32_t px) {
    return ((px >> 16) & 0xFFu) + ((px >> 8) & 0xFFu) + (px & 0xFFu) >= 383 ? 0x00FFFFFFu : 0u;
}

inline int64_t FloorDiv64(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Fills the pixels x0 <= x < x1 of row y, clipped to the surface.
inline void FillRow(Surface& s, int y, int64_t x0, int64_t x1, uint32_t px) {
    if (y < 0 || y >= s.Height()) return;
    if (x0 < 0) x0 = 0;
    if (x1 > s.Width()) x1 = s.Width();
    if (x0 >= x1) return;
    std::fill(s.Row(y) + x0, s.Row(y) + x1, px);
}

// Fills [left, right) x [top, bottom), clipped.
inline void FillBox(Surface& s, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t px) {
    top = std::max<int64_t>(top, 0);
    bottom = std::min<int64_t>(bottom, s.Height());
    for (int64_t y = top; y < bottom; ++y) FillRow(s, static_cast<int>(y), left, right, px);
}

// Paints rasteriser spans in one colour; rows are expected within the surface (pass its rows as the
// rasteriser's range), columns are clipped here.
class FillSink final : public SpanSink {
public:
    FillSink(Surface& s, uint32_t px) : m_s(s), m_px(px) {}
    bool Rows(int y0, int y1, const int* xs, int n) override {
        for (int y = y0; y < y1; ++y)
            for (int i = 0; i < n; ++i) FillRow(m_s, y, xs[2 * i], xs[2 * i + 1], m_px);
        return true;
    }

private:
    Surface& m_s;
    uint32_t m_px;
};

// The pixels of the line from (x0, y0) towards (x1, y1), the end pixel excluded, clipped (the rule is
// in dc.h).
void DrawLine(Surface& s, int x0, int y0, int x1, int y1, uint32_t px);

}  // namespace gdi
