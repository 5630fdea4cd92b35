// The metafile record player's state, mapping and drawing (pxmfplay.h).
#include "pixmill/pxmfplay.h"
#include "pixmill/pxmfpaint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace px::mf {

namespace {

// SaveDC keeps at most this many states; further saves are ignored.
constexpr size_t kMaxSavedStates = 4096;
double Length(double x, double y) { return std::sqrt(x * x + y * y); }

using paint::BoundsOf;

}  // namespace

int ToPixel(double v) {
    if (!(v == v)) return 0;
    if (v >= gdi::kMaxCoord) return gdi::kMaxCoord;
    if (v <= -gdi::kMaxCoord) return -gdi::kMaxCoord;
    // The nearest pixel, halves up, as the platform rounds device coordinates.
    return static_cast<int>(std::floor(v + 0.5));
}

Xform Xform::Then(const Xform& b) const {
    Xform r;
    r.m11 = m11 * b.m11 + m12 * b.m21;
    r.m12 = m11 * b.m12 + m12 * b.m22;
    r.m21 = m21 * b.m11 + m22 * b.m21;
    r.m22 = m21 * b.m12 + m22 * b.m22;
    r.dx = dx * b.m11 + dy * b.m21 + b.dx;
    r.dy = dx * b.m12 + dy * b.m22 + b.dy;
    return r;
}

bool Xform::IsFinite() const {
    return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) && std::isfinite(dx) &&
           std::isfinite(dy);
}

Player::Player(CDC& dc, int width, int height, const PlaySetup& setup)
    : m_dc(dc), m_width(width), m_height(height), m_setup(setup), m_objects(setup.objectSlots) {
    m_state.mapMode = setup.mapMode;
    m_state.windowOrgX = setup.windowOrgX;
    m_state.windowOrgY = setup.windowOrgY;
    m_state.windowExtX = setup.windowExtX;
    m_state.windowExtY = setup.windowExtY;
    m_state.viewportOrgX = setup.viewportOrgX;
    m_state.viewportOrgY = setup.viewportOrgY;
    m_state.viewportExtX = setup.viewportExtX;
    m_state.viewportExtY = setup.viewportExtY;
    m_clipDc.CreateCompatibleDC(&dc);
    UpdateTransform();
}

Player::~Player() = default;

// ---- mapping ----------------------------------------------------------------------------------------------

bool Player::UpdateTransform() {
    const DcState& s = m_state;
    Xform page;
    page.m11 = s.viewportExtX / s.windowExtX;
    page.m22 = s.viewportExtY / s.windowExtY;
    page.dx = s.viewportOrgX - s.windowOrgX * page.m11;
    page.dy = s.viewportOrgY - s.windowOrgY * page.m22;
    Xform raster;
    raster.m11 = m_width / (m_setup.frameRight - m_setup.frameLeft);
    raster.m22 = m_height / (m_setup.frameBottom - m_setup.frameTop);
    raster.dx = -m_setup.frameLeft * raster.m11;
    raster.dy = -m_setup.frameTop * raster.m22;
    const Xform all = s.world.Then(page).Then(raster);
    // Each factor is finite, their product need not be: such a mapping is refused.
    if (!all.IsFinite()) return false;
    m_toRaster = all;
    return true;
}

template <class Change>
void Player::Remap(Change change) {
    const DcState before = m_state;
    change(m_state);
    if (!UpdateTransform()) m_state = before;
}

void Player::SetMapMode(int mode) {
    const ReferenceDevice& ref = m_setup.reference;
    // Logical units per millimetre of the fixed modes.
    double perMm = 0;
    switch (mode) {
        case kMmText:
        case kMmAnisotropic: break;            // keeps the extents it finds
        case kMmLoMetric: perMm = 10; break;
        case kMmHiMetric: perMm = 100; break;
        case kMmLoEnglish: perMm = 100 / 25.4; break;
        case kMmHiEnglish: perMm = 1000 / 25.4; break;
        case kMmTwips: perMm = 1440 / 25.4; break;
        case kMmIsotropic: perMm = 10; break;  // starts from the extents of MM_LOMETRIC
        default: return;
    }
    Remap([&](DcState& s) {
        if (mode == kMmText) s.windowExtX = s.windowExtY = s.viewportExtX = s.viewportExtY = 1;
        if (perMm > 0) {
            s.windowExtX = ref.millimetresX * perMm;
            s.windowExtY = ref.millimetresY * perMm;
            s.viewportExtX = ref.pixelsX;
            s.viewportExtY = -ref.pixelsY;  // y up
        }
        s.mapMode = mode;
    });
}

namespace {

// MM_ISOTROPIC: one scale for both axes, the larger viewport extent shrunk to it.
void MakeIsotropic(DcState& s) {
    const double sx = std::fabs(s.viewportExtX / s.windowExtX), sy = std::fabs(s.viewportExtY / s.windowExtY);
    if (sx < sy) s.viewportExtY = std::copysign(sx * std::fabs(s.windowExtY), s.viewportExtY);
    else if (sy < sx) s.viewportExtX = std::copysign(sy * std::fabs(s.windowExtX), s.viewportExtX);
}

}  // namespace

void Player::SetWindowOrg(double x, double y) {
    Remap([&](DcState& s) {
        s.windowOrgX = x;
        s.windowOrgY = y;
    });
}

void Player::SetViewportOrg(double x, double y) {
    Remap([&](DcState& s) {
        s.viewportOrgX = x;
        s.viewportOrgY = y;
    });
}

void Player::SetWindowExt(double x, double y) {
    if ((m_state.mapMode != kMmIsotropic && m_state.mapMode != kMmAnisotropic) || x == 0 || y == 0) return;
    Remap([&](DcState& s) {
        s.windowExtX = x;
        s.windowExtY = y;
        if (s.mapMode == kMmIsotropic) MakeIsotropic(s);
    });
}

void Player::SetViewportExt(double x, double y) {
    if ((m_state.mapMode != kMmIsotropic && m_state.mapMode != kMmAnisotropic) || x == 0 || y == 0) return;
    Remap([&](DcState& s) {
        s.viewportExtX = x;
        s.viewportExtY = y;
        if (s.mapMode == kMmIsotropic) MakeIsotropic(s);
    });
}

void Player::SetWorldTransform(const Xform& xf) {
    if (!xf.IsFinite()) return;
    Remap([&](DcState& s) { s.world = xf; });
}

void Player::ModifyWorldTransform(const Xform& xf, DWORD mode) {
    if (mode < 1 || mode > 4 || (mode != 1 && !xf.IsFinite())) return;
    Remap([&](DcState& s) {
        switch (mode) {
            case 1: s.world = Xform(); break;
            case 2: s.world = xf.Then(s.world); break;
            case 3: s.world = s.world.Then(xf); break;
            default: s.world = xf; break;
        }
    });
}

void Player::SetBkMode(int mode) {
    if (mode == TRANSPARENT || mode == OPAQUE) m_state.bkMode = mode;
}

void Player::SetPolyFillMode(int mode) {
    if (mode == ALTERNATE || mode == WINDING) m_state.polyFillMode = mode;
}

void Player::SaveDC() {
    if (m_saved.size() < kMaxSavedStates) m_saved.push_back(m_state);
}

void Player::RestoreDC(int n) {
    size_t keep;
    if (n < 0 && static_cast<size_t>(-static_cast<int64_t>(n)) <= m_saved.size()) keep = m_saved.size() + n;
    else if (n > 0 && static_cast<size_t>(n) <= m_saved.size()) keep = static_cast<size_t>(n) - 1;
    else return;
    m_state = m_saved[keep];
    m_saved.resize(keep);
    UpdateTransform();  // the mapping a save kept was a finite one
}

void Player::SetRop2(int rop2) {
    if (rop2 >= kR2Black && rop2 <= kR2White) m_state.rop2 = rop2;
}

void Player::SetStretchBltMode(int mode) {
    if (mode >= 1 && mode <= 4) m_state.stretchMode = mode;
}

void Player::SetBrushOrg(double x, double y) {
    // Pixels of the raster, as far from its corner as the point is from the picture's in its units.
    m_state.brushOrg = POINT{ToPixel(x * m_width / (m_setup.frameRight - m_setup.frameLeft)),
                             ToPixel(y * m_height / (m_setup.frameBottom - m_setup.frameTop))};
}

void Player::SetArcDirection(int direction) {
    if (direction == kAdCounterClockwise || direction == kAdClockwise) m_state.arcDirection = direction;
}

namespace {

// ext x num / den in whole numbers, truncated; false when it cannot be taken (den 0, a result of 0 or
// out of range). An extent from the header's millimetres can be far beyond 32 bits, and the product
// with a 32-bit numerator beyond 64: it is taken in 128 bits.
bool ScaleExtent(double& ext, int num, int den) {
    if (den == 0 || !(std::fabs(ext) < 0x1p62)) return false;
    const __int128 v = static_cast<__int128>(static_cast<int64_t>(ext)) * num / den;
    if (v == 0 || v > INT32_MAX || v < INT32_MIN) return false;
    ext = static_cast<double>(static_cast<int64_t>(v));
    return true;
}

}  // namespace

void Player::ScaleWindowExt(int xNum, int xDen, int yNum, int yDen) {
    if (m_state.mapMode != kMmIsotropic && m_state.mapMode != kMmAnisotropic) return;
    double x = m_state.windowExtX, y = m_state.windowExtY;
    if (!ScaleExtent(x, xNum, xDen) || !ScaleExtent(y, yNum, yDen)) return;
    SetWindowExt(x, y);
}

void Player::ScaleViewportExt(int xNum, int xDen, int yNum, int yDen) {
    if (m_state.mapMode != kMmIsotropic && m_state.mapMode != kMmAnisotropic) return;
    double x = m_state.viewportExtX, y = m_state.viewportExtY;
    if (!ScaleExtent(x, xNum, xDen) || !ScaleExtent(y, yNum, yDen)) return;
    SetViewportExt(x, y);
}

void Player::OffsetWindowOrg(double dx, double dy) { SetWindowOrg(m_state.windowOrgX + dx, m_state.windowOrgY + dy); }

void Player::OffsetViewportOrg(double dx, double dy) {
    SetViewportOrg(m_state.viewportOrgX + dx, m_state.viewportOrgY + dy);
}

// ---- objects ------------------------------------------------------------------------------------------------

size_t Player::FreeSlot() const {
    for (size_t i = 0; i < m_objects.size(); ++i)
        if (m_objects[i].kind == Object::Kind::Empty) return i;
    return m_objects.size();
}

void Player::CreateObject(size_t slot, const Object& object) {
    if (slot < m_objects.size()) m_objects[slot] = object;
}

void Player::SelectObject(size_t slot) {
    if (slot >= m_objects.size()) return;
    const Object& o = m_objects[slot];
    switch (o.kind) {
        case Object::Kind::Pen: m_state.pen = o.pen; break;
        case Object::Kind::Brush: m_state.brush = o.brush; break;
        case Object::Kind::Font:
            m_state.font = o.font;
            m_state.defaultFont = false;
            break;
        case Object::Kind::Region: CombineClip(MaskOfRects(o.rects, m_toRaster), kRgnCopy); break;
        default: break;
    }
}

void Player::SelectStockObject(DWORD index) {
    static const BYTE greys[] = {255, 192, 128, 64, 0};
    if (index <= 4) {
        m_state.brush = BrushInfo{kBsSolid, RGB(greys[index], greys[index], greys[index]), nullptr};
    } else if (index == 5) {
        m_state.brush = BrushInfo{kBsNull, 0, nullptr};
    } else if (index == 6 || index == 7 || index == 19) {
        m_state.pen = PenInfo{0, 0, index == 6 ? RGB(255, 255, 255) : 0};
    } else if (index == 8) {
        m_state.pen = PenInfo{kPsNull, 0, 0};
    } else if (index >= 10 && index <= 17 && index != 15) {
        m_state.defaultFont = true;
    } else if (index == 18) {
        m_state.brush = BrushInfo{kBsSolid, RGB(255, 255, 255), nullptr};
    }
}

void Player::DeleteObject(size_t slot) {
    if (slot < m_objects.size()) m_objects[slot] = Object();
}

namespace {

std::shared_ptr<CPalette> LayerPalette(const std::vector<PALETTEENTRY>& entries) {
    if (entries.empty() || entries.size() > 65535) return nullptr;
    std::vector<BYTE> block(4 + 4 * entries.size());
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(entries.size());
    std::memcpy(lp->palPalEntry, entries.data(), 4 * entries.size());
    auto pal = std::make_shared<CPalette>();
    if (!pal->CreatePalette(lp)) return nullptr;
    return pal;
}

}  // namespace

void Player::CreatePalette(size_t slot, const std::vector<PALETTEENTRY>& entries) {
    if (slot >= m_objects.size()) return;
    Object o;
    o.kind = Object::Kind::Palette;
    o.palette = entries;
    o.layerPalette = LayerPalette(entries);
    m_objects[slot] = std::move(o);
}

void Player::SetPaletteEntries(size_t slot, size_t start, const std::vector<PALETTEENTRY>& entries) {
    if (slot == SIZE_MAX) slot = m_state.paletteSlot;
    if (slot >= m_objects.size() || m_objects[slot].kind != Object::Kind::Palette) return;
    Object& o = m_objects[slot];
    for (size_t i = 0; i < entries.size() && start < o.palette.size() && i < o.palette.size() - start; ++i)
        o.palette[start + i] = entries[i];
    o.layerPalette = LayerPalette(o.palette);
    if (m_state.paletteSlot == slot) m_state.palette = o.layerPalette;
}

void Player::SelectPalette(size_t slot) {
    if (slot == SIZE_MAX) {
        m_state.palette.reset();
        m_state.paletteSlot = SIZE_MAX;
        return;
    }
    if (slot >= m_objects.size() || m_objects[slot].kind != Object::Kind::Palette) return;
    m_state.palette = m_objects[slot].layerPalette;
    m_state.paletteSlot = slot;
}

const Rects* Player::RegionAt(size_t slot) const {
    if (slot >= m_objects.size() || m_objects[slot].kind != Object::Kind::Region) return nullptr;
    return &m_objects[slot].rects;
}

bool Player::BrushOf(size_t slot, BrushInfo* brush) const {
    if (slot == SIZE_MAX) {
        *brush = m_state.brush;
        return true;
    }
    if (slot >= m_objects.size() || m_objects[slot].kind != Object::Kind::Brush) return false;
    *brush = m_objects[slot].brush;
    return true;
}

std::shared_ptr<const Pattern> Player::BrushPattern(const BrushInfo& brush) const {
    if (brush.style == kBsHatched && brush.hatch <= 5) {
        // Lines one pixel wide every 8 pixels: horizontal, vertical, down to the right, up to the right,
        // both straight ones, both diagonals.
        auto p = std::make_shared<Pattern>();
        p->width = p->height = 8;
        p->pixels.resize(64);
        const uint32_t fg = gdi::ColorToPixel(brush.color & 0xFFFFFF);
        const uint32_t bg = m_state.bkMode == OPAQUE ? gdi::ColorToPixel(m_state.bk) : paint::kUndrawn;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool h = y == 0, v = x == 0, fd = x == y, bd = x + y == 7;
                const bool on = brush.hatch == 0 ? h : brush.hatch == 1 ? v : brush.hatch == 2 ? fd
                              : brush.hatch == 3 ? bd : brush.hatch == 4 ? (h || v) : (fd || bd);
                p->pixels[static_cast<size_t>(y * 8 + x)] = on ? fg : bg;
            }
        }
        return p;
    }
    if (brush.style != kBsPattern || !brush.pattern) return nullptr;
    if (brush.pattern->paletteIndices) {
        // Indices into the palette selected now, or the default one.
        const CPalette* pal = m_state.palette ? m_state.palette.get() : static_cast<const CPalette*>(GetStockObject(DEFAULT_PALETTE));
        const std::vector<PALETTEENTRY>& e = pal->Entries();
        auto p = std::make_shared<Pattern>(*brush.pattern);
        p->paletteIndices = false;
        for (uint32_t& v : p->pixels)
            v = v < e.size() ? (uint32_t{e[v].peRed} << 16) | (uint32_t{e[v].peGreen} << 8) | e[v].peBlue : 0;
        return p;
    }
    if (!brush.pattern->monochrome) return brush.pattern;
    // A monochrome pattern: 0 in the text colour, 1 in the background colour.
    auto p = std::make_shared<Pattern>(*brush.pattern);
    p->monochrome = false;
    const uint32_t fg = gdi::ColorToPixel(m_state.text), bg = gdi::ColorToPixel(m_state.bk);
    for (uint32_t& v : p->pixels) v = v ? bg : fg;
    return p;
}

// ---- painting -----------------------------------------------------------------------------------------------

bool Player::PaintBox(const Mask* clip, const Mask* extra, const RECT* bound, RECT& box) const {
    box = RECT{0, 0, m_width, m_height};
    for (const Mask* m : {clip, extra}) {
        if (!m) continue;
        box.left = std::max<LONG>(box.left, m->left);
        box.top = std::max<LONG>(box.top, m->top);
        box.right = std::min<LONG>(box.right, m->right);
        box.bottom = std::min<LONG>(box.bottom, m->bottom);
    }
    if (bound) {
        box.left = std::max(box.left, bound->left);
        box.top = std::max(box.top, bound->top);
        box.right = std::min(box.right, bound->right);
        box.bottom = std::min(box.bottom, bound->bottom);
    }
    return box.left < box.right && box.top < box.bottom;
}

bool Player::WorkBitmap(int w, int h) {
    const gdi::Surface& s = m_clipBitmap.GetSurface();
    if (!m_clipBitmap.IsCreated() || s.Width() != w || s.Height() != h) {
        m_clipBitmap.DeleteObject();  // deselected from the work DC as it goes
        if (!m_clipBitmap.CreateCompatibleBitmap(&m_dc, w, h)) return false;
    }
    return m_clipDc.SelectObject(&m_clipBitmap) != nullptr || m_clipDc.GetCurrentBitmap() == &m_clipBitmap;
}

double Player::PenWidthPixels() const {
    if (m_state.pen.width <= 0) return 0;
    const double w = m_state.pen.width * Length(m_toRaster.m11, m_toRaster.m12);
    // A transform of impossible numbers draws no width; a pen wider than the coordinate range covers all
    // of it at that width.
    return w == w ? std::min(w, double(gdi::kMaxCoord)) : 0;
}

std::vector<DPoint> Player::ToRaster(const std::vector<DPoint>& pts) const {
    std::vector<DPoint> out(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) out[i] = ToRaster(pts[i]);
    return out;
}

void Player::FillFigures(const std::vector<std::vector<DPoint>>& figures, int fillMode) {
    if (BrushVisible()) FillWithBrush(figures, m_state.brush, fillMode);
}

void Player::FillWithBrush(const std::vector<std::vector<DPoint>>& figures, const BrushInfo& brush, int fillMode) {
    if (!Paints(brush)) return;
    const std::shared_ptr<const Pattern> pattern = BrushPattern(brush);
    FillRaster(figures, brush.color, fillMode, pattern.get());
}

void Player::FillRaster(const std::vector<std::vector<DPoint>>& figures, COLORREF color, int fillMode,
                        const Pattern* pattern) {
    const RECT bound = BoundsOf(figures, 1);
    Paint([&](CDC& dc, int dx, int dy) {
        CBrush brush(color);
        paint::FillPolygons(dc, figures, dx, dy, brush, fillMode);
    }, pattern, true, nullptr, &bound);
}

void Player::FillAndStroke(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed) {
    FillFigures(figures, m_state.polyFillMode);
    StrokeFigures(figures, closed);
}

// ---- paths ----------------------------------------------------------------------------------------------------

bool Player::AddToPath(std::vector<DPoint> raster, bool closed) {
    if (!m_path.recording) return false;
    if (m_path.points + raster.size() <= kMaxPathPoints && !raster.empty()) {
        m_path.points += raster.size();
        m_path.figures.push_back(std::move(raster));
        m_path.closed.push_back(closed);
    }
    return true;
}

void Player::ExtendPath(const std::vector<DPoint>& raster) {
    if (m_path.figures.empty() || m_path.closed.back()) AddToPath({ToRaster(m_state.current)}, false);
    if (m_path.figures.empty() || m_path.points + raster.size() > kMaxPathPoints) return;
    auto& f = m_path.figures.back();
    f.insert(f.end(), raster.begin(), raster.end());
    m_path.points += raster.size();
}

void Player::ClearPath() {
    m_path = Path();
}

void Player::BeginPath() {
    ClearPath();
    m_path.recording = true;
}

void Player::EndPath() {
    if (!m_path.recording) return;
    m_path.recording = false;
    m_path.ended = true;
}

void Player::CloseFigure() {
    if (m_path.recording && !m_path.closed.empty()) m_path.closed.back() = true;
}

void Player::FillPath() {
    if (m_path.ended) FillFigures(m_path.figures, m_path.widened ? WINDING : m_state.polyFillMode);
    ClearPath();
}

void Player::StrokePath() {
    if (m_path.ended) StrokeFigures(m_path.figures, m_path.closed);
    ClearPath();
}

void Player::StrokeAndFillPath() {
    if (m_path.ended) FillAndStroke(m_path.figures, std::vector<bool>(m_path.figures.size(), true));
    ClearPath();
}

// ---- shapes -----------------------------------------------------------------------------------------------------

void Player::MoveTo(DPoint p) {
    m_state.current = p;
    if (m_path.recording) AddToPath({ToRaster(p)}, false);
}

void Player::LineTo(DPoint p) {
    if (m_path.recording) {
        ExtendPath({ToRaster(p)});
    } else {
        StrokeFigures({{ToRaster(m_state.current), ToRaster(p)}}, {false});
    }
    m_state.current = p;
}

void Player::Polyline(const std::vector<DPoint>& pts) {
    if (pts.size() < 2) return;
    std::vector<DPoint> r = ToRaster(pts);
    if (!AddToPath(r, false)) StrokeFigures({r}, {false});
}

void Player::PolylineTo(const std::vector<DPoint>& pts) {
    if (pts.empty()) return;
    std::vector<DPoint> r = ToRaster(pts);
    if (m_path.recording) {
        ExtendPath(r);
    } else {
        r.insert(r.begin(), ToRaster(m_state.current));
        StrokeFigures({r}, {false});
    }
    m_state.current = pts.back();
}

void Player::BezierTo(std::vector<DPoint>& out, DPoint p0, DPoint p1, DPoint p2, DPoint p3) const {
    // Even steps along the curve, more for a longer control polygon (in raster pixels).
    const double len = Length(p1.x - p0.x, p1.y - p0.y) + Length(p2.x - p1.x, p2.y - p1.y) + Length(p3.x - p2.x, p3.y - p2.y);
    const double bounded = len < 4096 ? len : 4096;  // NaN (points past the double range) too
    const int n = std::clamp(static_cast<int>(bounded / 4) + 1, 2, 1024);
    for (int k = 1; k <= n; ++k) {
        const double t = static_cast<double>(k) / n, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
}

void Player::PolyBezier(const std::vector<DPoint>& pts, bool bTo) {
    std::vector<DPoint> ctrl = ToRaster(pts);
    if (bTo) ctrl.insert(ctrl.begin(), ToRaster(m_state.current));
    if (ctrl.size() < 4) return;
    std::vector<DPoint> curve{ctrl[0]};
    for (size_t i = 0; i + 3 < ctrl.size(); i += 3) BezierTo(curve, ctrl[i], ctrl[i + 1], ctrl[i + 2], ctrl[i + 3]);
    if (bTo) m_state.current = pts[(ctrl.size() - 1) / 3 * 3 - 1];
    if (m_path.recording) {
        if (bTo) ExtendPath(std::vector<DPoint>(curve.begin() + 1, curve.end()));
        else AddToPath(curve, false);
        return;
    }
    StrokeFigures({curve}, {false});
}

void Player::Polygon(const std::vector<DPoint>& pts) {
    if (pts.size() < 2) return;
    std::vector<DPoint> r = ToRaster(pts);
    if (!AddToPath(r, true)) FillAndStroke({r}, {true});
}

void Player::PolyPolygon(const std::vector<DPoint>& pts, const std::vector<size_t>& counts) {
    std::vector<std::vector<DPoint>> figures;
    size_t at = 0;
    for (size_t n : counts) {
        if (n > pts.size() - at) break;
        figures.push_back(ToRaster(std::vector<DPoint>(pts.begin() + at, pts.begin() + at + n)));
        at += n;
    }
    if (m_path.recording) {
        for (auto& f : figures) AddToPath(std::move(f), true);
        return;
    }
    FillAndStroke(figures, std::vector<bool>(figures.size(), true));
}

void Player::PolyPolyline(const std::vector<DPoint>& pts, const std::vector<size_t>& counts) {
    size_t at = 0;
    for (size_t n : counts) {
        if (n > pts.size() - at) break;
        Polyline(std::vector<DPoint>(pts.begin() + at, pts.begin() + at + n));
        at += n;
    }
}

void Player::Rectangle(double left, double top, double right, double bottom) {
    std::vector<DPoint> corners = ToRaster({{left, top}, {right, top}, {right, bottom}, {left, bottom}});
    if (AddToPath(corners, true)) return;
    if (AxisAligned() && PenWidthPixels() <= 1.5 && PenDashes(PenWidthPixels()).empty()) {
        // The layer's own rectangle, with its rule for the right and bottom edges.
        PaintLayerShape(false, corners[0], corners[2]);
        return;
    }
    FillAndStroke({corners}, {true});
}

void Player::PaintLayerShape(bool bEllipse, DPoint a, DPoint b) {
    const COLORREF penColor = m_state.pen.color, brushColor = m_state.brush.color;
    bool pen = PenVisible(), brush = BrushVisible();
    const std::shared_ptr<const Pattern> pattern = brush ? BrushPattern(m_state.brush) : nullptr;
    const RECT bound = BoundsOf({{a, b}}, 1);
    if (pattern) {
        // The pattern fills first, without the pen (one pixel more of it lies under the outline), then
        // the pen draws the outline alone.
        Paint([&](CDC& dc, int dx, int dy) {
            CBrush br(brushColor);
            CGdiObject* oldPen = dc.SelectStockObject(NULL_PEN);
            CGdiObject* oldBrush = dc.SelectObject(&br);
            const int l = ToPixel(a.x) - dx, t = ToPixel(a.y) - dy, r = ToPixel(b.x) - dx, btm = ToPixel(b.y) - dy;
            if (bEllipse) dc.Ellipse(l, t, r, btm);
            else dc.Rectangle(l, t, r, btm);
            dc.SelectObject(oldPen);
            dc.SelectObject(oldBrush);
        }, pattern.get(), true, nullptr, &bound);
        brush = false;
        if (!pen) return;
    }
    Paint([&](CDC& dc, int dx, int dy) {
        CPen p(PS_SOLID, 1, penColor);
        CBrush br(brushColor);
        CGdiObject* oldPen = pen ? dc.SelectObject(&p) : dc.SelectStockObject(NULL_PEN);
        CGdiObject* oldBrush = brush ? dc.SelectObject(&br) : dc.SelectStockObject(NULL_BRUSH);
        const int l = ToPixel(a.x) - dx, t = ToPixel(a.y) - dy, r = ToPixel(b.x) - dx, btm = ToPixel(b.y) - dy;
        if (bEllipse) dc.Ellipse(l, t, r, btm);
        else dc.Rectangle(l, t, r, btm);
        dc.SelectObject(oldPen);
        dc.SelectObject(oldBrush);
    }, nullptr, true, nullptr, &bound);
}

std::vector<DPoint> Player::EllipsePoints(double left, double top, double right, double bottom) const {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2, a = (right - left) / 2, b = (bottom - top) / 2;
    // Enough points that a chord stays within about a pixel of the curve.
    const DPoint ex = {m_toRaster.m11 * a, m_toRaster.m12 * a}, ey = {m_toRaster.m21 * b, m_toRaster.m22 * b};
    const double radius = std::min(Length(ex.x, ex.y) + Length(ey.x, ey.y), 1e6);
    const int n = std::clamp(static_cast<int>(2 * std::sqrt(radius) * 3), 16, 720);
    std::vector<DPoint> pts(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double t = 2 * M_PI * k / n;
        pts[static_cast<size_t>(k)] = ToRaster(DPoint{cx + a * std::cos(t), cy + b * std::sin(t)});
    }
    return pts;
}

void Player::Ellipse(double left, double top, double right, double bottom) {
    if (m_path.recording) {
        AddToPath(EllipsePoints(left, top, right, bottom), true);
        return;
    }
    if (AxisAligned() && PenWidthPixels() <= 1.5 && PenDashes(PenWidthPixels()).empty()) {
        PaintLayerShape(true, ToRaster({left, top}), ToRaster({right, bottom}));
        return;
    }
    FillAndStroke({EllipsePoints(left, top, right, bottom)}, {true});
}

}  // namespace px::mf
