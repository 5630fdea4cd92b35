// The player's clip (pxmfplay.h): masks of raster pixels sized by their shape's box, the clip records
// that combine them, and the bound on the bytes of the masks kept alive.
#include <algorithm>
#include <cstring>
#include <new>

#include "pixmill/pxalloc.h"
#include "pixmill/pxmfpaint.h"
#include "pixmill/pxmfplay.h"

namespace px::mf {

namespace {

// Clip masks alive at once (the state's and the saved ones') hold at most this many bytes, and never
// more than one block may (the allocation limit, which tests and fuzzing lower). A file that would pass
// the bound fails with ErrorCode::OutOfMemory: drawing on without the clip it asked for would be wrong.
constexpr uint64_t kMaxMaskBytes = uint64_t{256} << 20;

using paint::BoundsOf;
using paint::LayerPolygons;
using paint::SignedArea;

// Spans of the rasteriser into a mask, cut to its box.
class MaskSink : public gdi::SpanSink {
public:
    explicit MaskSink(Mask& m) : m_mask(m) {}
    bool Rows(int y0, int y1, const int* xs, int n) override {
        for (int y = std::max(y0, m_mask.top); y < std::min(y1, m_mask.bottom); ++y) {
            uint8_t* row = m_mask.Row(y);
            for (int i = 0; i < n; ++i) {
                const int a = std::max(xs[2 * i], m_mask.left), b = std::min(xs[2 * i + 1], m_mask.right);
                if (a < b) std::memset(row + (a - m_mask.left), 1, static_cast<size_t>(b - a));
            }
        }
        return true;
    }

private:
    Mask& m_mask;
};

}  // namespace

void Mask::Trim() {
    int l = right, t = bottom, r = left, b = top;
    const int w = Width();
    for (int y = top; y < bottom; ++y) {
        const uint8_t* row = Row(y);
        int x0 = 0;
        while (x0 < w && !row[x0]) ++x0;
        if (x0 == w) continue;
        int x1 = w;
        while (!row[x1 - 1]) --x1;
        l = std::min(l, left + x0);
        r = std::max(r, left + x1);
        t = std::min(t, y);
        b = y + 1;
    }
    if (r <= l) {
        *this = Mask();
        return;
    }
    if (l == left && t == top && r == right && b == bottom) return;
    // The rows move up and left within the same block, each to a place at or before its own.
    const size_t nw = static_cast<size_t>(r - l);
    for (int y = t; y < b; ++y) std::memmove(bits.data() + static_cast<size_t>(y - t) * nw, Row(y) + (l - left), nw);
    bits.resize(nw * static_cast<size_t>(b - t));
    bits.shrink_to_fit();
    left = l;
    top = t;
    right = r;
    bottom = b;
}

bool Player::NewMask(Mask& m, RECT box) {
    m = Mask();
    box.left = std::max<LONG>(box.left, 0);
    box.top = std::max<LONG>(box.top, 0);
    box.right = std::min<LONG>(box.right, m_width);
    box.bottom = std::min<LONG>(box.bottom, m_height);
    if (box.left >= box.right || box.top >= box.bottom) return true;  // the empty set
    // Within the raster, whose own block passed the allocation limit.
    try {
        m.bits.assign(static_cast<size_t>(box.right - box.left) * static_cast<size_t>(box.bottom - box.top), 0);
    } catch (const std::bad_alloc&) {
        Fail(ErrorCode::OutOfMemory);
        return false;
    }
    m.left = box.left;
    m.top = box.top;
    m.right = box.right;
    m.bottom = box.bottom;
    return true;
}

Mask Player::MaskOf(const std::vector<std::vector<DPoint>>& figures, int fillMode) {
    Mask m;
    LayerPolygons polys(figures, 0, 0);
    if (polys.counts.empty() || !NewMask(m, BoundsOf(figures, 1))) return m;
    if (!m.IsEmpty()) {
        MaskSink sink(m);
        gdi::RasterizePolyPolygon(polys.points.data(), polys.counts.data(), static_cast<int>(polys.counts.size()),
                                  fillMode, m.top, m.bottom, sink);
    }
    m.Trim();
    return m;
}

Mask Player::MaskOfRects(const Rects& rects, const Xform& xf) {
    std::vector<std::vector<DPoint>> figures;
    for (const auto& r : rects) {
        if (!(r[0] < r[2]) || !(r[1] < r[3])) continue;
        std::vector<DPoint> f = {xf.Apply({r[0], r[1]}), xf.Apply({r[2], r[1]}), xf.Apply({r[2], r[3]}), xf.Apply({r[0], r[3]})};
        // One turning for all, so overlaps stay inside under WINDING.
        if (SignedArea(f) < 0) std::reverse(f.begin(), f.end());
        figures.push_back(std::move(f));
    }
    return MaskOf(figures, WINDING);
}

void Player::CombineClip(Mask shape, int mode) {
    if (m_error != ErrorCode::None) return;
    const Mask* cur = m_state.clip.get();
    if (mode == kRgnCopy || (mode == kRgnAnd && !cur)) {
        m_state.clip = KeepMask(std::move(shape));
        return;
    }
    // No clip is the whole raster. The result lies within: both boxes (and), the clip's (taken away),
    // or either (or, xor).
    Mask whole;
    if (!cur) {
        if (!NewMask(whole, RECT{0, 0, m_width, m_height})) return;
        std::fill(whole.bits.begin(), whole.bits.end(), uint8_t{1});
        cur = &whole;
    }
    RECT box{cur->left, cur->top, cur->right, cur->bottom};
    if (mode == kRgnAnd) {
        box = RECT{std::max(cur->left, shape.left), std::max(cur->top, shape.top), std::min(cur->right, shape.right),
                   std::min(cur->bottom, shape.bottom)};
    } else if ((mode == kRgnOr || mode == kRgnXor) && !shape.IsEmpty()) {
        if (cur->IsEmpty()) box = RECT{shape.left, shape.top, shape.right, shape.bottom};
        else box = RECT{std::min(cur->left, shape.left), std::min(cur->top, shape.top), std::max(cur->right, shape.right),
                        std::max(cur->bottom, shape.bottom)};
    } else if (mode != kRgnOr && mode != kRgnXor && mode != kRgnDiff) {
        return;
    }
    Mask out;
    if (!NewMask(out, box)) return;
    for (int y = out.top; y < out.bottom; ++y) {
        uint8_t* row = out.Row(y);
        for (int x = out.left; x < out.right; ++x) {
            const bool a = cur->Inside(x, y), b = shape.Inside(x, y);
            const bool v = mode == kRgnAnd ? a && b : mode == kRgnOr ? a || b : mode == kRgnXor ? a != b : a && !b;
            row[x - out.left] = v ? 1 : 0;
        }
    }
    out.Trim();
    m_state.clip = KeepMask(std::move(out));
}

MaskPtr Player::KeepMask(Mask&& m) {
    // Saved states keep their masks: a file of many saves and clips holds the bytes of each.
    const uint64_t bytes = m.bits.size();
    const uint64_t bound = std::min<uint64_t>(kMaxMaskBytes, AllocationLimit());
    if (bytes > bound - std::min<uint64_t>(*m_maskBytes, bound)) {
        Fail(ErrorCode::OutOfMemory);
        return m_state.clip;
    }
    *m_maskBytes += static_cast<size_t>(bytes);
    std::shared_ptr<size_t> counter = m_maskBytes;
    return MaskPtr(new Mask(std::move(m)), [counter, bytes](const Mask* p) {
        *counter -= static_cast<size_t>(bytes);
        delete p;
    });
}

void Player::IntersectClipRect(double left, double top, double right, double bottom) {
    CombineClip(MaskOfRects({{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)}}, m_toRaster),
                kRgnAnd);
}

void Player::ExcludeClipRect(double left, double top, double right, double bottom) {
    CombineClip(MaskOfRects({{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)}}, m_toRaster),
                kRgnDiff);
}

void Player::OffsetClipRgn(double dx, double dy) {
    const Mask* cur = m_state.clip.get();
    if (!cur || m_error != ErrorCode::None) return;
    // The logical offset in raster pixels, through the linear part of the mapping.
    const int ox = ToPixel(dx * m_toRaster.m11 + dy * m_toRaster.m21), oy = ToPixel(dx * m_toRaster.m12 + dy * m_toRaster.m22);
    Mask m;
    const RECT moved{static_cast<LONG>(std::clamp<int64_t>(int64_t{cur->left} + ox, INT32_MIN, INT32_MAX)),
                     static_cast<LONG>(std::clamp<int64_t>(int64_t{cur->top} + oy, INT32_MIN, INT32_MAX)),
                     static_cast<LONG>(std::clamp<int64_t>(int64_t{cur->right} + ox, INT32_MIN, INT32_MAX)),
                     static_cast<LONG>(std::clamp<int64_t>(int64_t{cur->bottom} + oy, INT32_MIN, INT32_MAX))};
    if (!NewMask(m, moved)) return;
    for (int y = m.top; y < m.bottom; ++y)
        for (int x = m.left; x < m.right; ++x) m.Row(y)[x - m.left] = cur->Inside(x - ox, y - oy) ? 1 : 0;
    m.Trim();
    m_state.clip = KeepMask(std::move(m));
}

void Player::SelectClipRects(const Rects* rects, bool bLogical, int mode) {
    if (mode < kRgnAnd || mode > kRgnCopy) return;
    if (!rects) {
        if (mode == kRgnCopy) m_state.clip.reset();
        return;
    }
    Xform device;  // reference pixels onto the raster
    device.m11 = m_width / (m_setup.frameRight - m_setup.frameLeft);
    device.m22 = m_height / (m_setup.frameBottom - m_setup.frameTop);
    device.dx = -m_setup.frameLeft * device.m11;
    device.dy = -m_setup.frameTop * device.m22;
    CombineClip(MaskOfRects(*rects, bLogical ? m_toRaster : device), mode);
}

void Player::SelectClipRegion(size_t slot) {
    const Rects* rects = RegionAt(slot);
    if (!rects) {
        m_state.clip.reset();
        return;
    }
    CombineClip(MaskOfRects(*rects, m_toRaster), kRgnCopy);
}

void Player::SelectClipPath(int mode) {
    if (!m_path.ended || mode < kRgnAnd || mode > kRgnCopy) {
        ClearPath();
        return;
    }
    CombineClip(MaskOf(m_path.figures, m_path.widened ? WINDING : m_state.polyFillMode), mode);
    ClearPath();
}

}  // namespace px::mf
