// The player's arcs, rounded rectangles, point lists with types, regions, pixels, flood fills, gradients,
// the blits with transparency, alpha, masks and parallelograms, and the path's widening (pxmfplay.h).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "pixmill/pxalloc.h"
#include "pixmill/pxbytes.h"
#include "pixmill/pxmfpaint.h"
#include "pixmill/pxmfplay.h"

namespace px::mf {

namespace {

double Length(double x, double y) { return std::sqrt(x * x + y * y); }

// Point types of PolyDraw.
constexpr BYTE kPtCloseFigure = 0x01, kPtLineTo = 0x02, kPtBezierTo = 0x04, kPtMoveTo = 0x06;

}  // namespace

// ---- arcs ---------------------------------------------------------------------------------------------------

std::vector<DPoint> Player::EllipseArc(double left, double top, double right, double bottom, double t0,
                                       double sweep) const {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2, a = (right - left) / 2, b = (bottom - top) / 2;
    const DPoint ex = {m_toRaster.m11 * a, m_toRaster.m12 * a}, ey = {m_toRaster.m21 * b, m_toRaster.m22 * b};
    const double radius = std::min(Length(ex.x, ex.y) + Length(ey.x, ey.y), 1e6);
    const double full = std::clamp(2 * std::sqrt(radius) * 3, 16.0, 720.0);
    const double frac = std::min(std::fabs(sweep) / (2 * M_PI), 1.0);
    const int n = std::max(2, static_cast<int>(full * frac) + 1);
    std::vector<DPoint> pts(static_cast<size_t>(n) + 1);
    for (int k = 0; k <= n; ++k) {
        const double t = t0 + sweep * k / n;
        pts[static_cast<size_t>(k)] = ToRaster(DPoint{cx + a * std::cos(t), cy + b * std::sin(t)});
    }
    return pts;
}

double Player::ArcSweep(double t0, double t1) const {
    // The ellipse's parameter turns clockwise on a raster whose mapping keeps orientation (y down); the
    // counter-clockwise direction then runs against it.
    const double det = m_toRaster.m11 * m_toRaster.m22 - m_toRaster.m12 * m_toRaster.m21;
    const bool bIncreasing = (m_state.arcDirection == kAdCounterClockwise) == (det < 0);
    double sweep = t1 - t0;
    if (bIncreasing) {
        while (sweep <= 0) sweep += 2 * M_PI;
        while (sweep > 2 * M_PI) sweep -= 2 * M_PI;
    } else {
        while (sweep >= 0) sweep -= 2 * M_PI;
        while (sweep < -2 * M_PI) sweep += 2 * M_PI;
    }
    return sweep;
}

void Player::ArcShape(ArcKind kind, double left, double top, double right, double bottom, DPoint start, DPoint end) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const double cx = (left + right) / 2, cy = (top + bottom) / 2, a = (right - left) / 2, b = (bottom - top) / 2;
    if (!(a > 0) || !(b > 0) || !std::isfinite(a) || !std::isfinite(b)) return;
    // The radials' angles in the ellipse's own parameter.
    const double t0 = std::atan2((start.y - cy) / b, (start.x - cx) / a);
    const double t1 = std::atan2((end.y - cy) / b, (end.x - cx) / a);
    std::vector<DPoint> arc = EllipseArc(left, top, right, bottom, t0, ArcSweep(t0, t1));
    const DPoint arcEnd = {cx + a * std::cos(t1), cy + b * std::sin(t1)};
    switch (kind) {
        case ArcKind::Arc:
            if (!AddToPath(arc, false)) StrokeFigures({arc}, {false});
            break;
        case ArcKind::ArcTo:
            if (m_path.recording) {
                ExtendPath(arc);
            } else {
                arc.insert(arc.begin(), ToRaster(m_state.current));
                StrokeFigures({arc}, {false});
            }
            m_state.current = arcEnd;
            break;
        case ArcKind::Chord:
            if (!AddToPath(arc, true)) FillAndStroke({arc}, {true});
            break;
        case ArcKind::Pie:
            arc.push_back(ToRaster(DPoint{cx, cy}));
            if (!AddToPath(arc, true)) FillAndStroke({arc}, {true});
            break;
    }
}

void Player::AngleArc(DPoint centre, double radius, double startDeg, double sweepDeg) {
    if (!std::isfinite(radius) || !std::isfinite(startDeg) || !std::isfinite(sweepDeg) || radius < 0) return;
    // Angles count counter-clockwise with y growing downwards, as on the raster of the text mode.
    const double a0 = startDeg * M_PI / 180, sweep = std::clamp(sweepDeg, -36000.0, 36000.0) * M_PI / 180;
    const double r = radius;
    std::vector<DPoint> arc = EllipseArc(centre.x - r, centre.y - r, centre.x + r, centre.y + r, -a0, -sweep);
    if (m_path.recording) {
        ExtendPath(arc);
    } else {
        arc.insert(arc.begin(), ToRaster(m_state.current));
        StrokeFigures({arc}, {false});
    }
    m_state.current = {centre.x + r * std::cos(a0 + sweep), centre.y - r * std::sin(a0 + sweep)};
}

void Player::RoundRect(double left, double top, double right, double bottom, double cornerW, double cornerH) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const double rw = std::min(std::fabs(cornerW), right - left) / 2, rh = std::min(std::fabs(cornerH), bottom - top) / 2;
    if (!(rw > 0) || !(rh > 0)) {
        Rectangle(left, top, right, bottom);
        return;
    }
    // Four quarter ellipses joined by the straight edges, clockwise on a y-down raster.
    std::vector<DPoint> pts;
    auto corner = [&](double cx, double cy, double t0) {
        const std::vector<DPoint> q = EllipseArc(cx - rw, cy - rh, cx + rw, cy + rh, t0, M_PI / 2);
        pts.insert(pts.end(), q.begin(), q.end());
    };
    corner(right - rw, top + rh, -M_PI / 2);
    corner(right - rw, bottom - rh, 0);
    corner(left + rw, bottom - rh, M_PI / 2);
    corner(left + rw, top + rh, M_PI);
    if (!AddToPath(pts, true)) FillAndStroke({pts}, {true});
}

void Player::PolyDraw(const std::vector<DPoint>& pts, const std::vector<BYTE>& types) {
    std::vector<std::vector<DPoint>> figures;
    std::vector<bool> closed;
    DPoint cur = m_state.current;
    auto open = [&]() {
        if (figures.empty() || closed.back()) {
            figures.push_back({ToRaster(cur)});
            closed.push_back(false);
        }
    };
    for (size_t i = 0; i < pts.size(); ++i) {
        const BYTE t = types[i];
        if ((t & ~kPtCloseFigure) == kPtMoveTo) {
            figures.push_back({ToRaster(pts[i])});
            closed.push_back(false);
            cur = pts[i];
        } else if ((t & ~kPtCloseFigure) == kPtLineTo) {
            open();
            figures.back().push_back(ToRaster(pts[i]));
            cur = pts[i];
        } else if ((t & ~kPtCloseFigure) == kPtBezierTo && i + 2 < pts.size()) {
            open();
            BezierTo(figures.back(), ToRaster(cur), ToRaster(pts[i]), ToRaster(pts[i + 1]), ToRaster(pts[i + 2]));
            i += 2;
            cur = pts[i];
        } else {
            return;  // a type it cannot have: nothing is drawn, as the platform refuses the call
        }
        if (types[i] & kPtCloseFigure) {
            closed.back() = true;
        }
    }
    m_state.current = cur;
    if (m_path.recording) {
        for (size_t i = 0; i < figures.size(); ++i) AddToPath(figures[i], closed[i]);
        return;
    }
    StrokeFigures(figures, closed);
}

// ---- pixels, regions, flood fills, gradients ----------------------------------------------------------------

void Player::SetPixel(DPoint p, COLORREF color) {
    const DPoint r = ToRaster(p);
    const int x = ToPixel(r.x), y = ToPixel(r.y);
    const RECT bound{x, y, x + 1, y + 1};
    Paint([&](CDC& dc, int dx, int dy) { dc.SetPixel(x - dx, y - dy, color & 0xFFFFFF); }, nullptr, false, nullptr, &bound);
}

void Player::FillRegion(const Rects& rects, size_t brushSlot) {
    BrushInfo brush;
    if (!BrushOf(brushSlot, &brush) || !Paints(brush)) return;
    const Mask m = MaskOfRects(rects, m_toRaster);
    const std::shared_ptr<const Pattern> pattern = BrushPattern(brush);
    const COLORREF color = brush.color;
    Paint([&](CDC& dc, int dx, int dy) { dc.FillSolidRect(m.left - dx, m.top - dy, m.right - m.left, m.bottom - m.top, color); },
          pattern.get(), false, &m);
}

void Player::FrameRegion(const Rects& rects, size_t brushSlot, double w, double h) {
    BrushInfo brush;
    if (!BrushOf(brushSlot, &brush) || !Paints(brush)) return;
    Mask m = MaskOfRects(rects, m_toRaster);
    // The frame: pixels of the region that lie within fw columns or fh rows of a pixel outside it.
    const int fw = std::clamp(ToPixel(std::fabs(w * Length(m_toRaster.m11, m_toRaster.m12))), 1, m_width);
    const int fh = std::clamp(ToPixel(std::fabs(h * Length(m_toRaster.m21, m_toRaster.m22))), 1, m_height);
    Mask frame = m;
    for (int y = m.top; y < m.bottom; ++y) {
        for (int x = m.left; x < m.right; ++x) {
            if (!m.Inside(x, y)) continue;
            const bool interior = m.Inside(x - fw, y) && m.Inside(x + fw, y) && m.Inside(x, y - fh) && m.Inside(x, y + fh);
            frame.Row(y)[x - frame.left] = interior ? 0 : 1;
        }
    }
    frame.Trim();
    const std::shared_ptr<const Pattern> pattern = BrushPattern(brush);
    const COLORREF color = brush.color;
    Paint([&](CDC& dc, int dx, int dy) {
        dc.FillSolidRect(frame.left - dx, frame.top - dy, frame.right - frame.left, frame.bottom - frame.top, color);
    }, pattern.get(), false, &frame);
}

void Player::InvertRegion(const Rects& rects) {
    const Mask m = MaskOfRects(rects, m_toRaster);
    PaintOver([&](CDC& dc, int dx, int dy) { dc.PatBlt(m.left - dx, m.top - dy, m.right - m.left, m.bottom - m.top, DSTINVERT); },
              &m);
}

void Player::FloodFill(DPoint p, COLORREF color, bool bSurface) {
    const DPoint r = ToRaster(p);
    const int x0 = ToPixel(r.x), y0 = ToPixel(r.y);
    gdi::Surface* s = m_dc.GetSurface();
    if (!s || !BrushVisible() || x0 < 0 || y0 < 0 || x0 >= m_width || y0 >= m_height) return;
    const uint32_t key = gdi::ColorToPixel(color & 0xFFFFFF);
    auto fills = [&](int x, int y) {
        const uint32_t v = s->Row(y)[x] & 0xFFFFFFu;
        return bSurface ? v == key : v != key;
    };
    if (!fills(x0, y0)) return;
    // The area, found with a stack of pixels, becomes a mask the brush fills.
    Mask m;
    if (!NewMask(m, RECT{0, 0, m_width, m_height})) return;
    // Each pixel is marked when it is pushed, so the stack never holds more than the raster.
    std::vector<std::pair<int, int>> stack;
    auto push = [&](int x, int y) {
        uint8_t& seen = m.Row(y)[x];
        if (seen || !fills(x, y)) return;
        seen = 1;
        stack.push_back({x, y});
    };
    push(x0, y0);
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        if (x > 0) push(x - 1, y);
        if (x + 1 < m_width) push(x + 1, y);
        if (y > 0) push(x, y - 1);
        if (y + 1 < m_height) push(x, y + 1);
    }
    m.Trim();
    const std::shared_ptr<const Pattern> pattern = BrushPattern(m_state.brush);
    const COLORREF brushColor = m_state.brush.color;
    Paint([&](CDC& dc, int dx, int dy) { dc.FillSolidRect(m.left - dx, m.top - dy, m.right - m.left, m.bottom - m.top, brushColor); },
          pattern.get(), false, &m);
}

void Player::GradientFill(const std::vector<Vertex>& vertices, const std::vector<std::vector<uint32_t>>& pieces,
                          int mode) {
    auto colour = [](double r, double g, double b) {
        // Clamped before the cast; a degenerate triangle's weights can be infinite or NaN (black).
        auto c = [](double v) { return static_cast<uint32_t>(v > 0 ? (v < 65535 ? v : 65535) : 0) >> 8; };
        return (c(r) << 16) | (c(g) << 8) | c(b);
    };
    for (const auto& piece : pieces) {
        if (mode == 0 || mode == 1) {
            if (piece.size() < 2 || piece[0] >= vertices.size() || piece[1] >= vertices.size()) continue;
            const Vertex& a = vertices[piece[0]];
            const Vertex& b = vertices[piece[1]];
            const DPoint pa = ToRaster(a.p), pb = ToRaster(b.p);
            const int l = std::max(0, ToPixel(std::min(pa.x, pb.x))), r = std::min(m_width, ToPixel(std::max(pa.x, pb.x)));
            const int t = std::max(0, ToPixel(std::min(pa.y, pb.y))), btm = std::min(m_height, ToPixel(std::max(pa.y, pb.y)));
            if (l >= r || t >= btm) continue;
            // The colour runs from the vertex on the left (or top) to the other one.
            const bool aFirst = mode == 0 ? pa.x <= pb.x : pa.y <= pb.y;
            const Vertex& from = aFirst ? a : b;
            const Vertex& to = aFirst ? b : a;
            const int span = mode == 0 ? r - l : btm - t;
            const RECT bound{l, t, r, btm};
            Paint([&](CDC& dc, int dx, int dy) {
                gdi::Surface* s = dc.GetSurface();
                if (!s) return;
                for (int y = std::max(t - dy, 0); y < std::min(btm - dy, s->Height()); ++y) {
                    for (int x = std::max(l - dx, 0); x < std::min(r - dx, s->Width()); ++x) {
                        const double f = static_cast<double>(mode == 0 ? x + dx - l : y + dy - t) / span;
                        s->Row(y)[x] = colour(from.r + (to.r - from.r) * f, from.g + (to.g - from.g) * f, from.b + (to.b - from.b) * f);
                    }
                }
            }, nullptr, false, nullptr, &bound);
        } else if (mode == 2) {
            if (piece.size() < 3 || piece[0] >= vertices.size() || piece[1] >= vertices.size() || piece[2] >= vertices.size())
                continue;
            const Vertex* v[3] = {&vertices[piece[0]], &vertices[piece[1]], &vertices[piece[2]]};
            const DPoint p[3] = {ToRaster(v[0]->p), ToRaster(v[1]->p), ToRaster(v[2]->p)};
            const double det = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
            if (!(std::fabs(det) > 0)) continue;
            const Mask tri = MaskOf({{p[0], p[1], p[2]}}, WINDING);
            Paint([&](CDC& dc, int dx, int dy) {
                gdi::Surface* s = dc.GetSurface();
                if (!s) return;
                for (int y = std::max(tri.top - dy, 0); y < std::min(tri.bottom - dy, s->Height()); ++y) {
                    for (int x = std::max(tri.left - dx, 0); x < std::min(tri.right - dx, s->Width()); ++x) {
                        // Barycentric weights of the pixel's centre.
                        const double cx = x + dx + 0.5, cy = y + dy + 0.5;
                        const double w1 = ((cx - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (cy - p[0].y)) / det;
                        const double w2 = ((p[1].x - p[0].x) * (cy - p[0].y) - (cx - p[0].x) * (p[1].y - p[0].y)) / det;
                        const double w0 = 1 - w1 - w2;
                        s->Row(y)[x] = colour(w0 * v[0]->r + w1 * v[1]->r + w2 * v[2]->r, w0 * v[0]->g + w1 * v[1]->g + w2 * v[2]->g,
                                              w0 * v[0]->b + w1 * v[1]->b + w2 * v[2]->b);
                    }
                }
            }, nullptr, false, &tri);
        }
    }
}

// ---- blits ---------------------------------------------------------------------------------------------------

bool Player::StretchToWork(Stretched& out, double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc,
                           int wSrc, int hSrc, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits,
                           UINT usage, bool bDibRows) {
    if (!bits || !gdi::ParseDib(bmi, cbInfo, usage, &out.format)) return false;
    const gdi::DibFormat& f = out.format;
    if (SizeMul(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), 4) >= AllocationLimit()) return false;
    const DPoint a = ToRaster({xDest, yDest}), b = ToRaster({xDest + wDest, yDest + hDest});
    int x0 = ToPixel(a.x), y0 = ToPixel(a.y), x1 = ToPixel(b.x), y1 = ToPixel(b.y);
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    // Only the part over the raster is drawn.
    const int l = std::max(x0, 0), t = std::max(y0, 0), r = std::min(x1, m_width), btm = std::min(y1, m_height);
    if (l >= r || t >= btm || wSrc == 0 || hSrc == 0) return false;
    if (!out.pixels.Create(r - l, btm - t)) return false;
    CDC dc;
    CBitmap bm;
    if (!dc.CreateCompatibleDC(&m_dc) || !bm.CreateCompatibleBitmap(&m_dc, r - l, btm - t) || !dc.SelectObject(&bm)) return false;
    // Pixels the source does not cover keep the marker: they leave the raster as it is.
    gdi::Surface& work = bm.GetSurface();
    std::fill(work.Bits(), work.Bits() + static_cast<size_t>(r - l) * static_cast<size_t>(btm - t), paint::kUndrawn);
    CPalette* old = m_state.palette ? dc.SelectPalette(m_state.palette.get(), FALSE) : nullptr;
    // The layer counts a bottom-up DIB's source rows from its bottom, as StretchDIBits does; a bitmap's
    // count from its top.
    const int ys = f.topDown || bDibRows ? ySrc : static_cast<int>(std::clamp<int64_t>(int64_t{f.height} - ySrc - hSrc, INT32_MIN, INT32_MAX));
    const DPoint ra = ToRaster({xDest, yDest}), rb = ToRaster({xDest + wDest, yDest + hDest});
    const int dx0 = ToPixel(ra.x), dy0 = ToPixel(ra.y);
    gdi::StretchDIBitsChecked(&dc, dx0 - l, dy0 - t, ToPixel(rb.x) - dx0, ToPixel(rb.y) - dy0, xSrc, ys, wSrc, hSrc, bits,
                              cbBits, bmi, cbInfo, usage, SRCCOPY);
    if (old) dc.SelectPalette(old, FALSE);
    const gdi::Surface& s = bm.GetSurface();
    for (int y = 0; y < btm - t; ++y) std::copy(s.Row(y), s.Row(y) + (r - l), out.pixels.Row(y));
    out.x0 = l;
    out.y0 = t;
    return true;
}

void Player::TransparentDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc,
                            int hSrc, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage,
                            COLORREF transparent) {
    Stretched st;
    if (!StretchToWork(st, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, bmi, cbInfo, bits, cbBits, usage)) return;
    const uint32_t key = gdi::ColorToPixel(transparent & 0xFFFFFF);
    const int w = st.pixels.Width(), h = st.pixels.Height();
    const RECT bound{st.x0, st.y0, st.x0 + w, st.y0 + h};
    Paint([&](CDC& dc, int dx, int dy) {
        gdi::Surface* s = dc.GetSurface();
        if (!s) return;
        for (int y = 0; y < h; ++y) {
            const int ty = st.y0 + y - dy;
            if (ty < 0 || ty >= s->Height()) continue;
            for (int x = 0; x < w; ++x) {
                const int tx = st.x0 + x - dx;
                const uint32_t v = st.pixels.Row(y)[x] & 0xFFFFFFu;
                if (tx >= 0 && tx < s->Width() && v != key) s->Row(ty)[tx] = v;
            }
        }
    }, nullptr, false, nullptr, &bound);
}

void Player::AlphaDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                      const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage, int alpha,
                      bool bSourceAlpha) {
    Stretched st;
    if (!StretchToWork(st, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, bmi, cbInfo, bits, cbBits, usage)) return;
    const gdi::DibFormat& f = st.format;
    const bool perPixel = bSourceAlpha && f.bits == 32 && f.compression == BI_RGB;
    // The source's own alpha goes through the same stretch: a second pass over a DIB of the alpha bytes
    // as grey.
    Stretched alphaSt;
    std::vector<BYTE> grey;
    if (perPixel) {
        const uint64_t bytes = f.stride * static_cast<uint64_t>(f.height);
        if (bytes > cbBits) return;
        grey.assign(bits, bits + bytes);
        for (uint64_t i = 0; i + 3 < bytes; i += 4) grey[i] = grey[i + 1] = grey[i + 2] = grey[i + 3];
        if (!StretchToWork(alphaSt, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, bmi, cbInfo, grey.data(),
                           grey.size(), usage))
            return;
    }
    const int w = st.pixels.Width(), h = st.pixels.Height();
    const uint32_t ca = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    const RECT bound{st.x0, st.y0, st.x0 + w, st.y0 + h};
    PaintOver([&](CDC& dc, int dx, int dy) {
        gdi::Surface* s = dc.GetSurface();
        if (!s) return;
        for (int y = 0; y < h; ++y) {
            const int ty = st.y0 + y - dy;
            if (ty < 0 || ty >= s->Height()) continue;
            for (int x = 0; x < w; ++x) {
                const int tx = st.x0 + x - dx;
                if (tx < 0 || tx >= s->Width()) continue;
                const uint32_t src = st.pixels.Row(y)[x];
                uint32_t& d = s->Row(ty)[tx];
                uint32_t out = 0;
                // Each channel: source x constant alpha + destination x (1 - alpha of the source), where a
                // premultiplied source's alpha is its own times the constant one.
                const uint32_t sa = perPixel ? (alphaSt.pixels.Row(y)[x] & 0xFF) * ca / 255 : ca;
                for (int sh = 0; sh <= 16; sh += 8) {
                    const uint32_t sc = (src >> sh) & 0xFF, dc2 = (d >> sh) & 0xFF;
                    const uint32_t v = std::min<uint32_t>(255, sc * ca / 255 + dc2 * (255 - sa) / 255);
                    out |= v << sh;
                }
                d = out;
            }
        }
    }, nullptr, &bound);
}

void Player::PlgDib(const DPoint corners[3], int xSrc, int ySrc, int wSrc, int hSrc, const BITMAPINFO* bmi,
                    size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage) {
    gdi::DibFormat f;
    if (!bits || wSrc == 0 || hSrc == 0 || !gdi::ParseDib(bmi, cbInfo, usage, &f)) return;
    if (SizeMul(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), 4) >= AllocationLimit()) return;
    gdi::Surface src;
    if (!src.Create(f.width, f.height)) return;
    uint32_t colors[256];
    {
        CDC probe;
        probe.CreateCompatibleDC(&m_dc);
        CPalette* old = m_state.palette ? probe.SelectPalette(m_state.palette.get(), FALSE) : nullptr;
        gdi::DibColorTable(f, usage, &probe, colors);
        if (old) probe.SelectPalette(old, FALSE);
    }
    if (!gdi::DecodeDib(f, colors, bits, cbBits, src)) return;
    // Decoded pixels: top row first, whatever the DIB's row order.
    auto srcPixel = [&](int x, int y, uint32_t* v) {
        if (x < 0 || y < 0 || x >= f.width || y >= f.height) return false;
        *v = src.Row(y)[x];
        return true;
    };
    const DPoint p0 = ToRaster(corners[0]), p1 = ToRaster(corners[1]), p2 = ToRaster(corners[2]);
    const DPoint p3 = {p1.x + p2.x - p0.x, p1.y + p2.y - p0.y};
    const Mask area = MaskOf({{p0, p1, p3, p2}}, WINDING);
    const double ux = p1.x - p0.x, uy = p1.y - p0.y, vx = p2.x - p0.x, vy = p2.y - p0.y;
    const double det = ux * vy - uy * vx;
    if (!(std::fabs(det) > 0)) return;
    Paint([&](CDC& dc, int dx, int dy) {
        gdi::Surface* s = dc.GetSurface();
        if (!s) return;
        for (int y = std::max(area.top - dy, 0); y < std::min(area.bottom - dy, s->Height()); ++y) {
            for (int x = std::max(area.left - dx, 0); x < std::min(area.right - dx, s->Width()); ++x) {
                const double cx = x + dx + 0.5 - p0.x, cy = y + dy + 0.5 - p0.y;
                const double u = (cx * vy - cy * vx) / det, v = (ux * cy - uy * cx) / det;
                // The source pixel, found only when it lies within the int range (a nearly flat
                // parallelogram's coordinates can be anything).
                const double sx = xSrc + std::floor(u * wSrc), sy = ySrc + std::floor(v * hSrc);
                uint32_t px;
                if (sx >= INT32_MIN && sx <= INT32_MAX && sy >= INT32_MIN && sy <= INT32_MAX &&
                    srcPixel(static_cast<int>(sx), static_cast<int>(sy), &px))
                    s->Row(y)[x] = px & 0xFFFFFFu;
            }
        }
    }, nullptr, false, &area);
}

// ---- paths ----------------------------------------------------------------------------------------------------

void Player::WidenPath() {
    if (!m_path.ended) return;
    const double width = std::max(PenWidthPixels(), 1.0);
    std::vector<std::vector<DPoint>> pieces = WidePenPieces(m_path.figures, m_path.closed, width, kMaxPathPoints);
    m_path.figures = std::move(pieces);
    m_path.closed.assign(m_path.figures.size(), true);
    m_path.points = 0;
    for (const auto& f : m_path.figures) m_path.points += f.size();
    // The pieces overlap; they all turn the same way, so the winding rule fills the outline whole.
    m_path.widened = true;
}

void Player::AbortPath() { ClearPath(); }

Rects RegionDataRects(const BYTE* p, size_t n) {
    Rects rects;
    if (n < 32) return rects;
    const uint64_t count = GetLe32(p + 8);
    if (count > (n - 32) / 16) return rects;
    rects.reserve(static_cast<size_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const BYTE* r = p + 32 + 16 * i;
        rects.push_back({double(GetLeLong(r)), double(GetLeLong(r + 4)), double(GetLeLong(r + 8)), double(GetLeLong(r + 12))});
    }
    return rects;
}

}  // namespace px::mf
