// The player's painting through a work bitmap (pxmfplay.h): shared by the files that draw.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pixmill/pxmfplay.h"

namespace px::mf {

namespace paint {

// The marker of a work bitmap's pixels that nothing drew: drawing writes a 0 top byte.
inline constexpr uint32_t kUndrawn = 0xFF000000u;

// The pattern's pixel at raster pixel (x, y), the pattern's tiles starting at the brush origin.
inline uint32_t PatternAt(const Pattern& p, int x, int y, POINT org) {
    const int64_t px = (int64_t{x} - org.x) % p.width, py = (int64_t{y} - org.y) % p.height;
    return p.pixels[static_cast<size_t>(py < 0 ? py + p.height : py) * static_cast<size_t>(p.width) +
                    static_cast<size_t>(px < 0 ? px + p.width : px)];
}

// Twice the signed area of a polygon.
inline double SignedArea(const std::vector<DPoint>& p) {
    double a = 0;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) a += p[j].x * p[i].y - p[i].x * p[j].y;
    return a;
}

// Polygons of raster points as the drawing layer takes them (offset by dx, dy).
struct LayerPolygons {
    std::vector<POINT> points;
    std::vector<int> counts;
    LayerPolygons(const std::vector<std::vector<DPoint>>& figures, int dx, int dy) {
        for (const auto& f : figures) {
            if (f.size() < 2) continue;
            for (const DPoint& p : f) points.push_back(POINT{ToPixel(p.x) - dx, ToPixel(p.y) - dy});
            counts.push_back(static_cast<int>(f.size()));
        }
    }
};

// The raster box of points, gathered figure by figure.
struct Bounds {
    int64_t l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
    void Add(const std::vector<DPoint>& figure) {
        for (const DPoint& p : figure) {
            const int x = ToPixel(p.x), y = ToPixel(p.y);
            l = std::min<int64_t>(l, x);
            t = std::min<int64_t>(t, y);
            r = std::max<int64_t>(r, x);
            b = std::max<int64_t>(b, y);
        }
    }
    bool IsEmpty() const { return l > r; }
    // The box grown by `grow` pixels each way; (0, 0, 0, 0) without points.
    RECT Rect(int grow) const {
        if (IsEmpty()) return RECT{0, 0, 0, 0};
        return RECT{static_cast<LONG>(l - grow), static_cast<LONG>(t - grow), static_cast<LONG>(r + grow + 1),
                    static_cast<LONG>(b + grow + 1)};
    }
};

// The raster box of figures' points, grown by `grow` pixels each way.
inline RECT BoundsOf(const std::vector<std::vector<DPoint>>& figures, int grow) {
    Bounds bounds;
    for (const auto& f : figures) bounds.Add(f);
    return bounds.Rect(grow);
}

// Raster polygons filled on dc (offset by dx, dy) with the brush under the fill mode, with no outline.
inline void FillPolygons(CDC& dc, const std::vector<std::vector<DPoint>>& figures, int dx, int dy, CBrush& brush,
                         int fillMode) {
    LayerPolygons polys(figures, dx, dy);
    if (polys.counts.empty()) return;
    CGdiObject* oldPen = dc.SelectStockObject(NULL_PEN);
    CBrush* oldBrush = dc.SelectObject(&brush);
    const int oldMode = dc.SetPolyFillMode(fillMode);
    dc.PolyPolygon(polys.points.data(), polys.counts.data(), static_cast<int>(polys.counts.size()));
    dc.SetPolyFillMode(oldMode);
    dc.SelectObject(oldBrush);
    dc.SelectObject(oldPen);
}

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

// A DIB stretched onto its destination rectangle of the raster, on a surface of its own.
struct Player::Stretched {
    int x0 = 0, y0 = 0;  // the destination's top-left raster pixel
    gdi::Surface pixels;
    gdi::DibFormat format;
};

template <class Draw>
void Player::Paint(Draw draw, const Pattern* pattern, bool bRop2, const Mask* extra, const RECT* bound, bool bCut) {
    const Mask* clip = m_state.clip.get();
    const int rop2 = bRop2 ? m_state.rop2 : kR2CopyPen;
    if (rop2 == kR2Nop) return;
    if (!clip && !extra && !pattern && rop2 == kR2CopyPen && !bCut) {
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
                v = paint::PatternAt(*pattern, rx, ry, m_state.brushOrg);
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
