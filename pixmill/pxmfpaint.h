// The player's painting through a work bitmap (pxmfplay.h): shared by the files that draw.
#pragma once

#include <algorithm>

#include "pixmill/pxmfplay.h"

namespace px::mf {

namespace paint {

// The marker of a work bitmap's pixels that nothing drew: drawing writes a 0 top byte.
inline constexpr uint32_t kUndrawn = 0xFF000000u;

// A binary raster operation of pen (or brush) p and destination d: bit (2 x p + d) of rop2 - 1, bit by bit.
inline uint32_t Rop2(int rop2, uint32_t p, uint32_t d) {
    const uint32_t t = static_cast<uint32_t>(rop2 - 1);
    uint32_t r = 0;
    if (t & 1) r |= ~p & ~d;
    if (t & 2) r |= ~p & d;
    if (t & 4) r |= p & ~d;
    if (t & 8) r |= p & d;
    return r & 0xFFFFFFu;
}

}  // namespace paint

// The raster box of figures' points, grown by `grow` pixels each way.
RECT BoundsOf(const std::vector<std::vector<DPoint>>& figures, int grow);

template <class Draw>
void Player::Paint(Draw draw, const Pattern* pattern, bool bRop2, const Mask* extra, const RECT* bound) {
    const Mask* clip = m_state.clip.get();
    const int rop2 = bRop2 ? m_state.rop2 : kR2CopyPen;
    if (rop2 == kR2Nop) return;
    if (!clip && !extra && !pattern && rop2 == kR2CopyPen) {
        draw(m_dc, 0, 0);
        return;
    }
    RECT box;
    if (!PaintBox(clip, extra, bound, box)) return;
    const int l = box.left, t = box.top, r = box.right, b = box.bottom;
    const int w = r - l, h = b - t;
    gdi::Surface* dst = m_dc.GetSurface();
    if (!dst || !WorkBitmap(w, h)) return;
    gdi::Surface& work = m_clipBitmap.GetSurface();
    for (int y = 0; y < h; ++y) std::fill(work.Row(y), work.Row(y) + w, paint::kUndrawn);
    draw(m_clipDc, l, t);
    for (int y = 0; y < h; ++y) {
        const uint32_t* src = work.Row(y);
        uint32_t* out = dst->Row(t + y) + l;
        for (int x = 0; x < w; ++x) {
            if (src[x] & paint::kUndrawn) continue;
            const int rx = l + x, ry = t + y;
            if ((clip && !clip->Inside(rx, ry)) || (extra && !extra->Inside(rx, ry))) continue;
            uint32_t v = src[x];
            if (pattern) {
                v = pattern->pixels[static_cast<size_t>(ry % pattern->height) * static_cast<size_t>(pattern->width) +
                                    static_cast<size_t>(rx % pattern->width)];
                if (v & paint::kUndrawn) continue;
            }
            out[x] = rop2 == kR2CopyPen ? v : paint::Rop2(rop2, v, out[x]);
        }
    }
}

template <class Draw>
void Player::PaintOver(Draw draw, const Mask* extra, const RECT* bound) {
    const Mask* clip = m_state.clip.get();
    if (!clip && !extra) {
        draw(m_dc, 0, 0);
        return;
    }
    RECT box;
    if (!PaintBox(clip, extra, bound, box)) return;
    const int l = box.left, t = box.top, r = box.right, b = box.bottom;
    const int w = r - l, h = b - t;
    gdi::Surface* dst = m_dc.GetSurface();
    if (!dst || !WorkBitmap(w, h)) return;
    gdi::Surface& work = m_clipBitmap.GetSurface();
    for (int y = 0; y < h; ++y) std::copy(dst->Row(t + y) + l, dst->Row(t + y) + r, work.Row(y));
    draw(m_clipDc, l, t);
    for (int y = 0; y < h; ++y) {
        const uint32_t* src = work.Row(y);
        uint32_t* out = dst->Row(t + y) + l;
        for (int x = 0; x < w; ++x) {
            const int rx = l + x, ry = t + y;
            if ((clip && !clip->Inside(rx, ry)) || (extra && !extra->Inside(rx, ry))) continue;
            out[x] = src[x] & 0xFFFFFFu;
        }
    }
}

}  // namespace px::mf
