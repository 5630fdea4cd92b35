// The metafile record player's state, mapping and drawing (pxmfplay.h).
#include "pixmill/pxmfplay.h"
#include "pixmill/pxmfpaint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace px::mf {

namespace {

// A path keeps at most this many points; figures beyond it are dropped.
constexpr size_t kMaxPathPoints = size_t{1} << 22;
// SaveDC keeps at most this many states; further saves are ignored.
constexpr size_t kMaxSavedStates = 4096;
// Clip masks alive at once (the state's and the saved ones') hold at most this many bytes.
constexpr size_t kMaxMaskBytes = size_t{256} << 20;

double Length(double x, double y) { return std::sqrt(x * x + y * y); }

// Twice the signed area of a polygon.
double SignedArea(const std::vector<DPoint>& p) {
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

void Player::UpdateTransform() {
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
    m_toRaster = s.world.Then(page).Then(raster);
}

void Player::SetMapMode(int mode) {
    DcState& s = m_state;
    const ReferenceDevice& ref = m_setup.reference;
    // Logical units per millimetre of the fixed modes.
    double perMm = 0;
    switch (mode) {
        case kMmText:
            s.windowExtX = s.windowExtY = s.viewportExtX = s.viewportExtY = 1;
            break;
        case kMmLoMetric: perMm = 10; break;
        case kMmHiMetric: perMm = 100; break;
        case kMmLoEnglish: perMm = 100 / 25.4; break;
        case kMmHiEnglish: perMm = 1000 / 25.4; break;
        case kMmTwips: perMm = 1440 / 25.4; break;
        case kMmIsotropic: perMm = 10; break;  // starts from the extents of MM_LOMETRIC
        case kMmAnisotropic: break;            // keeps the extents it finds
        default: return;
    }
    if (perMm > 0) {
        s.windowExtX = ref.millimetresX * perMm;
        s.windowExtY = ref.millimetresY * perMm;
        s.viewportExtX = ref.pixelsX;
        s.viewportExtY = -ref.pixelsY;  // y up
    }
    s.mapMode = mode;
    UpdateTransform();
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
    m_state.windowOrgX = x;
    m_state.windowOrgY = y;
    UpdateTransform();
}

void Player::SetViewportOrg(double x, double y) {
    m_state.viewportOrgX = x;
    m_state.viewportOrgY = y;
    UpdateTransform();
}

void Player::SetWindowExt(double x, double y) {
    if ((m_state.mapMode != kMmIsotropic && m_state.mapMode != kMmAnisotropic) || x == 0 || y == 0) return;
    m_state.windowExtX = x;
    m_state.windowExtY = y;
    if (m_state.mapMode == kMmIsotropic) MakeIsotropic(m_state);
    UpdateTransform();
}

void Player::SetViewportExt(double x, double y) {
    if ((m_state.mapMode != kMmIsotropic && m_state.mapMode != kMmAnisotropic) || x == 0 || y == 0) return;
    m_state.viewportExtX = x;
    m_state.viewportExtY = y;
    if (m_state.mapMode == kMmIsotropic) MakeIsotropic(m_state);
    UpdateTransform();
}

void Player::SetWorldTransform(const Xform& xf) {
    if (!xf.IsFinite()) return;
    m_state.world = xf;
    UpdateTransform();
}

void Player::ModifyWorldTransform(const Xform& xf, DWORD mode) {
    switch (mode) {
        case 1: m_state.world = Xform(); break;
        case 2: if (xf.IsFinite()) m_state.world = xf.Then(m_state.world); break;
        case 3: if (xf.IsFinite()) m_state.world = m_state.world.Then(xf); break;
        case 4: if (xf.IsFinite()) m_state.world = xf; break;
        default: return;
    }
    UpdateTransform();
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
    UpdateTransform();
}

void Player::SetRop2(int rop2) {
    if (rop2 >= kR2Black && rop2 <= kR2White) m_state.rop2 = rop2;
}

void Player::SetStretchBltMode(int mode) {
    if (mode >= 1 && mode <= 4) m_state.stretchMode = mode;
}

void Player::SetArcDirection(int direction) {
    if (direction == kAdCounterClockwise || direction == kAdClockwise) m_state.arcDirection = direction;
}

namespace {

// ext x num / den in whole numbers, truncated; false when it cannot be taken (den 0, a result of 0 or
// out of range).
bool ScaleExtent(double& ext, int num, int den) {
    if (den == 0) return false;
    const int64_t v = static_cast<int64_t>(ext) * num / den;
    if (v == 0 || v > INT32_MAX || v < INT32_MIN) return false;
    ext = static_cast<double>(v);
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

// ---- clipping -------------------------------------------------------------------------------------------------

void Mask::UpdateBox() {
    left = width;
    top = height;
    right = bottom = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bits.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        int x0 = 0;
        while (x0 < width && !row[x0]) ++x0;
        if (x0 == width) continue;
        int x1 = width;
        while (!row[x1 - 1]) --x1;
        left = std::min(left, x0);
        right = std::max(right, x1);
        top = std::min(top, y);
        bottom = y + 1;
    }
    if (right <= left) left = top = right = bottom = 0;
}

namespace {

// Spans of the rasteriser into a mask.
class MaskSink : public gdi::SpanSink {
public:
    explicit MaskSink(Mask& m) : m_mask(m) {}
    bool Rows(int y0, int y1, const int* xs, int n) override {
        for (int y = std::max(y0, 0); y < std::min(y1, m_mask.height); ++y) {
            uint8_t* row = m_mask.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(m_mask.width);
            for (int i = 0; i < n; ++i) {
                const int a = std::max(xs[2 * i], 0), b = std::min(xs[2 * i + 1], m_mask.width);
                if (a < b) std::memset(row + a, 1, static_cast<size_t>(b - a));
            }
        }
        return true;
    }

private:
    Mask& m_mask;
};

}  // namespace

Mask Player::MaskOf(const std::vector<std::vector<DPoint>>& figures, int fillMode) const {
    Mask m;
    m.width = m_width;
    m.height = m_height;
    m.bits.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0);
    LayerPolygons polys(figures, 0, 0);
    if (!polys.counts.empty()) {
        MaskSink sink(m);
        gdi::RasterizePolyPolygon(polys.points.data(), polys.counts.data(), static_cast<int>(polys.counts.size()),
                                  fillMode, 0, m_height, sink);
    }
    m.UpdateBox();
    return m;
}

Mask Player::MaskOfRects(const Rects& rects, const Xform& xf) const {
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
    const Mask* cur = m_state.clip.get();
    if (mode != kRgnCopy) {
        const size_t n = shape.bits.size();
        for (size_t i = 0; i < n; ++i) {
            const bool a = cur ? cur->bits[i] != 0 : true, b = shape.bits[i] != 0;
            bool v = false;
            switch (mode) {
                case kRgnAnd: v = a && b; break;
                case kRgnOr: v = a || b; break;
                case kRgnXor: v = a != b; break;
                case kRgnDiff: v = a && !b; break;
                default: return;
            }
            shape.bits[i] = v ? 1 : 0;
        }
        shape.UpdateBox();
    }
    m_state.clip = KeepMask(std::move(shape));
}

MaskPtr Player::KeepMask(Mask&& m) {
    // Saved states keep their masks: a file of many saves and clips could otherwise hold a raster's worth
    // of bytes for each. Past the budget a clip record changes nothing.
    const size_t bytes = m.bits.size();
    if (bytes > kMaxMaskBytes - std::min(*m_maskBytes, kMaxMaskBytes)) return m_state.clip;
    *m_maskBytes += bytes;
    std::shared_ptr<size_t> counter = m_maskBytes;
    return MaskPtr(new Mask(std::move(m)), [counter, bytes](const Mask* p) {
        *counter -= bytes;
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
    if (!cur) return;
    // The logical offset in raster pixels, through the linear part of the mapping.
    const int ox = ToPixel(dx * m_toRaster.m11 + dy * m_toRaster.m21), oy = ToPixel(dx * m_toRaster.m12 + dy * m_toRaster.m22);
    Mask m;
    m.width = m_width;
    m.height = m_height;
    m.bits.assign(cur->bits.size(), 0);
    for (int y = cur->top; y < cur->bottom; ++y) {
        const int64_t ty = int64_t{y} + oy;
        if (ty < 0 || ty >= m_height) continue;
        for (int x = cur->left; x < cur->right; ++x) {
            const int64_t tx = int64_t{x} + ox;
            if (tx >= 0 && tx < m_width && cur->Inside(x, y))
                m.bits[static_cast<size_t>(ty) * static_cast<size_t>(m_width) + static_cast<size_t>(tx)] = 1;
        }
    }
    m.UpdateBox();
    m_state.clip = KeepMask(std::move(m));
}

void Player::SelectClipRects(const Rects& rects, bool bLogical, int mode) {
    if (mode < kRgnAnd || mode > kRgnCopy) return;
    if (mode == kRgnCopy && rects.empty()) {
        m_state.clip.reset();
        return;
    }
    Xform device;  // reference pixels onto the raster
    device.m11 = m_width / (m_setup.frameRight - m_setup.frameLeft);
    device.m22 = m_height / (m_setup.frameBottom - m_setup.frameTop);
    device.dx = -m_setup.frameLeft * device.m11;
    device.dy = -m_setup.frameTop * device.m22;
    CombineClip(MaskOfRects(rects, bLogical ? m_toRaster : device), mode);
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
    return w == w ? w : 0;  // a transform of impossible numbers draws no width
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

RECT BoundsOf(const std::vector<std::vector<DPoint>>& figures, int grow) {
    int64_t l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
    for (const auto& f : figures)
        for (const DPoint& p : f) {
            const int x = ToPixel(p.x), y = ToPixel(p.y);
            l = std::min<int64_t>(l, x);
            t = std::min<int64_t>(t, y);
            r = std::max<int64_t>(r, x);
            b = std::max<int64_t>(b, y);
        }
    if (l > r) return RECT{0, 0, 0, 0};
    return RECT{static_cast<LONG>(l - grow), static_cast<LONG>(t - grow), static_cast<LONG>(r + grow + 1),
                static_cast<LONG>(b + grow + 1)};
}

void Player::FillRaster(const std::vector<std::vector<DPoint>>& figures, COLORREF color, int fillMode,
                        const Pattern* pattern) {
    const RECT bound = BoundsOf(figures, 1);
    Paint([&](CDC& dc, int dx, int dy) {
        LayerPolygons polys(figures, dx, dy);
        if (polys.counts.empty()) return;
        CBrush brush(color);
        CGdiObject* oldPen = dc.SelectStockObject(NULL_PEN);
        CBrush* oldBrush = dc.SelectObject(&brush);
        const int oldMode = dc.SetPolyFillMode(fillMode);
        dc.PolyPolygon(polys.points.data(), polys.counts.data(), static_cast<int>(polys.counts.size()));
        dc.SetPolyFillMode(oldMode);
        dc.SelectObject(oldBrush);
        dc.SelectObject(oldPen);
    }, pattern, true, nullptr, &bound);
}

namespace {

// The dashes of a styled one-pixel pen: lengths of strokes and gaps in turn, in pixels; none for a solid
// style and for wider pens, whose dashed styles draw solid as the platform's wide pens of those styles do.
std::vector<double> DashPattern(int style, double width) {
    if (width > 1.5) return {};
    switch (style & 0x0F) {
        case 1: return {18, 6};
        case 2: return {3, 3};
        case 3: return {9, 6, 3, 6};
        case 4: return {9, 3, 3, 3, 3, 3};
        case 8: return {1, 1};  // PS_ALTERNATE
        default: return {};
    }
}

// The strokes of dashed figures: each figure walked along its length, the pattern running on from one
// segment to the next; each stroke an open figure.
std::vector<std::vector<DPoint>> Dashes(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed,
                                        const std::vector<double>& pattern) {
    std::vector<std::vector<DPoint>> out;
    double period = 0;
    for (double d : pattern) period += d;
    if (!(period > 0)) return figures;
    // A bounded amount of work whatever the lengths: at most this many strokes.
    constexpr size_t kMaxStrokes = size_t{1} << 20;
    for (size_t i = 0; i < figures.size(); ++i) {
        std::vector<DPoint> f = figures[i];
        if (f.size() < 2) continue;
        if (closed[i]) f.push_back(f.front());
        size_t k = 0;
        double left = pattern[0];  // of the current dash or gap
        std::vector<DPoint> stroke{f[0]};
        for (size_t s = 0; s + 1 < f.size() && out.size() < kMaxStrokes; ++s) {
            const DPoint a = f[s], b = f[s + 1];
            const double len = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
            if (!std::isfinite(len)) break;
            double at = 0;
            while (len - at > left && out.size() < kMaxStrokes) {
                at += left;
                const DPoint p = {a.x + (b.x - a.x) * at / len, a.y + (b.y - a.y) * at / len};
                if (k % 2 == 0) {
                    stroke.push_back(p);
                    out.push_back(std::move(stroke));
                }
                stroke = {p};
                k = (k + 1) % pattern.size();
                left = pattern[k];
            }
            left -= len - at;
            if (k % 2 == 0) stroke.push_back(b);
            else stroke = {b};
        }
        if (k % 2 == 0 && stroke.size() > 1) out.push_back(std::move(stroke));
    }
    return out;
}

}  // namespace

void Player::StrokeFigures(const std::vector<std::vector<DPoint>>& inFigures, const std::vector<bool>& inClosed) {
    if (!PenVisible()) return;
    const COLORREF color = m_state.pen.color;
    const double width = PenWidthPixels();
    const std::vector<double> pattern = DashPattern(m_state.pen.style, width);
    std::vector<std::vector<DPoint>> dashed;
    if (!pattern.empty()) dashed = Dashes(inFigures, inClosed, pattern);
    const std::vector<std::vector<DPoint>>& figures = pattern.empty() ? inFigures : dashed;
    const std::vector<bool> open(pattern.empty() ? 0 : dashed.size(), false);
    const std::vector<bool>& closed = pattern.empty() ? inClosed : open;
    if (width <= 1.5) {
        const RECT bound = BoundsOf(figures, 1);
        Paint([&](CDC& dc, int dx, int dy) {
            CPen pen(PS_SOLID, 1, color);
            CPen* old = dc.SelectObject(&pen);
            for (size_t i = 0; i < figures.size(); ++i) {
                const auto& f = figures[i];
                if (f.size() < 2) continue;
                dc.MoveTo(ToPixel(f[0].x) - dx, ToPixel(f[0].y) - dy);
                for (size_t k = 1; k < f.size(); ++k) dc.LineTo(ToPixel(f[k].x) - dx, ToPixel(f[k].y) - dy);
                if (closed[i]) dc.LineTo(ToPixel(f[0].x) - dx, ToPixel(f[0].y) - dy);
            }
            dc.SelectObject(old);
        }, nullptr, true, nullptr, &bound);
        return;
    }
    FillRaster(WidePenPieces(figures, closed, width), color, WINDING);
}

std::vector<std::vector<DPoint>> Player::WidePenPieces(const std::vector<std::vector<DPoint>>& figures,
                                                       const std::vector<bool>& closed, double width) const {
    // A wide pen: a quadrilateral along each segment and a disc at each point, filled together under the
    // winding rule (every piece turning the same way, so overlaps stay filled).
    const double half = width / 2;
    const int sides = static_cast<int>(std::clamp(width, 8.0, 64.0));  // clamped before the cast: widths can be huge
    std::vector<std::vector<DPoint>> pieces;
    auto add = [&](std::vector<DPoint> piece) {
        if (SignedArea(piece) < 0) std::reverse(piece.begin(), piece.end());
        pieces.push_back(std::move(piece));
    };
    auto disc = [&](DPoint c) {
        std::vector<DPoint> d(static_cast<size_t>(sides));
        for (int k = 0; k < sides; ++k) {
            const double a = 2 * M_PI * k / sides;
            d[static_cast<size_t>(k)] = {c.x + half * std::cos(a), c.y + half * std::sin(a)};
        }
        add(std::move(d));
    };
    for (size_t i = 0; i < figures.size(); ++i) {
        const auto& f = figures[i];
        const size_t n = f.size();
        if (n == 0) continue;
        const size_t segments = closed[i] && n > 2 ? n : n - 1;
        for (size_t k = 0; k < segments; ++k) {
            const DPoint a = f[k], b = f[(k + 1) % n];
            const double len = Length(b.x - a.x, b.y - a.y);
            if (len > 0) {
                const double nx = -(b.y - a.y) / len * half, ny = (b.x - a.x) / len * half;
                add({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
            }
        }
        for (const DPoint& p : f) disc(p);
    }
    return pieces;
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
    const int n = std::clamp(static_cast<int>(std::min(len, 4096.0) / 4) + 1, 2, 1024);
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
    if (AxisAligned() && PenWidthPixels() <= 1.5) {
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
    if (AxisAligned() && PenWidthPixels() <= 1.5) {
        PaintLayerShape(true, ToRaster({left, top}), ToRaster({right, bottom}));
        return;
    }
    FillAndStroke({EllipsePoints(left, top, right, bottom)}, {true});
}

// ---- bitmaps -----------------------------------------------------------------------------------------

void Player::DrawDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                     bool bDibRows, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage,
                     DWORD rop) {
    gdi::DibFormat f;
    if (!bits || !gdi::ParseDib(bmi, cbInfo, usage, &f)) return;
    // The DIB is decoded whole: an RLE header may declare any size without the bytes to back it.
    if (SizeMul(static_cast<uint64_t>(f.width), static_cast<uint64_t>(f.height), 4) >= AllocationLimit()) return;
    // StretchDIBits counts a bottom-up DIB's source rows from its bottom.
    int ys = ySrc;
    if (!bDibRows && !f.topDown) ys = static_cast<int>(std::clamp<int64_t>(int64_t{f.height} - ySrc - hSrc, INT32_MIN, INT32_MAX));
    const DPoint a = ToRaster({xDest, yDest}), b = ToRaster({xDest + wDest, yDest + hDest});
    const int x0 = ToPixel(a.x), y0 = ToPixel(a.y);
    const int w = ToPixel(b.x) - x0, h = ToPixel(b.y) - y0;
    if (w == 0 || h == 0 || wSrc == 0 || hSrc == 0) return;
    const RECT bound = BoundsOf({{{double(x0), double(y0)}, {double(x0) + w, double(y0) + h}}}, 1);
    PaintOver([&](CDC& dc, int dx, int dy) {
        // DIB_PAL_COLORS tables index the selected palette.
        CPalette* old = m_state.palette ? dc.SelectPalette(m_state.palette.get(), FALSE) : nullptr;
        gdi::StretchDIBitsChecked(&dc, x0 - dx, y0 - dy, w, h, xSrc, ys, wSrc, hSrc, bits, cbBits, bmi, cbInfo, usage,
                                  rop);
        if (old) dc.SelectPalette(old, FALSE);
    }, nullptr, &bound);
}

void Player::PatBlt(double x, double y, double w, double h, DWORD rop) {
    const DPoint a = ToRaster({x, y}), b = ToRaster({x + w, y + h});
    const int x0 = ToPixel(a.x), y0 = ToPixel(a.y), x1 = ToPixel(b.x), y1 = ToPixel(b.y);
    const bool brush = BrushVisible();
    const COLORREF color = m_state.brush.color;
    auto draw = [&](CDC& dc, int dx, int dy) {
        CBrush solid(color);
        CGdiObject* old = brush ? dc.SelectObject(&solid) : dc.SelectStockObject(NULL_BRUSH);
        dc.PatBlt(x0 - dx, y0 - dy, x1 - x0, y1 - y0, rop);
        dc.SelectObject(old);
    };
    const std::shared_ptr<const Pattern> pattern = brush ? BrushPattern(m_state.brush) : nullptr;
    const RECT bound = BoundsOf({{a, b}}, 1);
    if (rop == PATCOPY && pattern) Paint(draw, pattern.get(), false, nullptr, &bound);
    else PaintOver(draw, nullptr, &bound);
}

}  // namespace px::mf
