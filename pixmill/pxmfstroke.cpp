// The player's pens (pxmfplay.h): dashes, and the outline of a wide pen's stroke with its ends and joins.
//
// A figure is cut into pieces: its dashes (one piece for a solid pen), and only the part of it near the
// raster, so that a line millions of pixels long costs the work of its visible part; the dash pattern
// runs on over what is left out. A one-pixel pen draws its pieces with the drawing layer's lines. A wide
// pen's piece becomes polygons: a quadrilateral along each segment, a join at each inner vertex (every
// vertex of a closed piece) and an end cap at each end that is an end of the figure itself.
//
// What the platform's documentation leaves open, chosen here:
//   - the dash lengths of geometric pens: dash 3, dot 1, gaps 1, in pen widths (one-pixel pens keep the
//     fixed pixel lengths 18 and 6, 3 and 3, 9, 6, 3, 6 and 9, 3, 3, 3, 3, 3);
//   - a dash ends flat where the pattern cuts it; the pen's end cap is drawn where the figure ends;
//   - a user style whose pattern repeats within less than two pixels, or that has no gap, draws solid;
//   - the miter limit is the longest miter (the distance from the inner to the outer corner of the two
//     edges) in pen widths, 1 / sin(half the angle between the segments); past it the join is bevelled.
#include <algorithm>
#include <cmath>

#include "pixmill/pxmfpaint.h"
#include "pixmill/pxmfplay.h"

namespace px::mf {

namespace {

using paint::BoundsOf;
using paint::SignedArea;

double Length(double x, double y) { return std::sqrt(x * x + y * y); }

// At most this many pieces a stroke: a bounded amount of work whatever a file asks.
constexpr size_t kMaxPieces = size_t{1} << 16;
// A wide stroke's outline goes to the drawing layer this many points at a time.
constexpr size_t kOutlinePart = size_t{1} << 16;

// A stretch of a figure to stroke: its points, whether it is a closed figure, and whether each end is an
// end of the figure (which takes the pen's end cap).
struct Piece {
    std::vector<DPoint> pts;
    bool closed = false;
    bool capStart = false, capEnd = false;
};

// The box beyond which nothing of a stroke shows: the raster grown by the pen's width and a margin.
struct Box {
    double x0, y0, x1, y1;
    bool Holds(DPoint p) const { return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1; }
    // The part [u0, u1] of the segment from a to b (as fractions of it) inside the box; false when none.
    bool Cut(DPoint a, DPoint b, double& u0, double& u1) const {
        u0 = 0;
        u1 = 1;
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double p[4] = {-dx, dx, -dy, dy}, q[4] = {a.x - x0, x1 - a.x, a.y - y0, y1 - a.y};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0) return false;
                continue;
            }
            const double r = q[i] / p[i];
            if (p[i] < 0) u0 = std::max(u0, r);
            else u1 = std::min(u1, r);
        }
        return u0 <= u1;
    }
};

// Walks a dash pattern along a length: which entry is running and how much of it is left. An empty
// pattern is one dash without end.
class Dasher {
public:
    explicit Dasher(const std::vector<double>& pattern) : m_pattern(pattern) {
        for (double d : pattern) m_period += d;
        if (!pattern.empty()) m_left = pattern[0];
    }
    bool On() const { return m_pattern.empty() || m_k % 2 == 0; }
    // The length until the running entry ends (infinite without a pattern).
    double Left() const { return m_pattern.empty() ? INFINITY : m_left; }
    // Moves on by d, at most Left().
    void Step(double d) {
        if (m_pattern.empty()) return;
        m_left -= d;
        while (m_left <= 0) {
            m_k = (m_k + 1) % m_pattern.size();
            m_left += m_pattern[m_k];
        }
    }
    // Moves on by any length, a whole number of periods at once.
    void Skip(double d) {
        if (m_pattern.empty() || !(d > 0) || !std::isfinite(d)) return;
        d = std::fmod(d, m_period);
        while (d > 0 && d >= m_left) {
            d -= m_left;
            m_k = (m_k + 1) % m_pattern.size();
            m_left = m_pattern[m_k];
        }
        m_left -= d;
    }

private:
    const std::vector<double>& m_pattern;
    double m_period = 0;
    size_t m_k = 0;
    double m_left = 0;
};

// The pieces of a figure inside the box, dashed by the pattern.
void Cut(const std::vector<DPoint>& figure, bool closed, const std::vector<double>& pattern, const Box& box,
         std::vector<Piece>& out) {
    // Finite points without repeats.
    std::vector<DPoint> f;
    f.reserve(figure.size() + 1);
    for (const DPoint& p : figure) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        if (f.empty() || p.x != f.back().x || p.y != f.back().y) f.push_back(p);
    }
    if (f.size() > 1 && closed && f.front().x == f.back().x && f.front().y == f.back().y) f.pop_back();
    if (f.empty()) return;
    if (f.size() == 1) {
        // A figure of one point: its ends alone.
        if (!closed) out.push_back(Piece{f, false, true, true});
        return;
    }
    if (closed) {
        const bool inside = std::all_of(f.begin(), f.end(), [&](DPoint p) { return box.Holds(p); });
        if (inside && pattern.empty()) {
            out.push_back(Piece{f, true, false, false});
            return;
        }
        // A closed figure that leaves the box starts outside it, so that no piece ends at its seam.
        if (!inside && pattern.empty()) {
            const auto outside = std::find_if(f.begin(), f.end(), [&](DPoint p) { return !box.Holds(p); });
            std::rotate(f.begin(), outside, f.end());
        }
        f.push_back(f.front());
    }
    Dasher dasher(pattern);
    Piece cur;
    bool open = false;
    auto extend = [&](DPoint p, bool bStart) {
        if (!open) {
            cur.pts = {p};
            cur.capStart = bStart && !closed;
            open = true;
        } else if (p.x != cur.pts.back().x || p.y != cur.pts.back().y) {
            cur.pts.push_back(p);
        }
    };
    auto finish = [&](bool bEnd) {
        if (!open) return;
        cur.capEnd = bEnd && !closed;
        if (out.size() < kMaxPieces) out.push_back(std::move(cur));
        cur = Piece();
        open = false;
    };
    const size_t last = f.size() - 2;
    for (size_t s = 0; s <= last && out.size() < kMaxPieces; ++s) {
        const DPoint a = f[s], b = f[s + 1];
        const double len = Length(b.x - a.x, b.y - a.y);
        double u0, u1;
        if (!std::isfinite(len) || !box.Cut(a, b, u0, u1)) {
            finish(false);
            dasher.Skip(len);
            continue;
        }
        // The inside part, from p0 to p1, is walked along its own length: measured from a point far off,
        // the distance to it could be too large for a step of a few pixels to change it.
        const DPoint p0 = u0 > 0 ? DPoint{a.x + (b.x - a.x) * u0, a.y + (b.y - a.y) * u0} : a;
        const DPoint p1 = u1 < 1 ? DPoint{a.x + (b.x - a.x) * u1, a.y + (b.y - a.y) * u1} : b;
        const double inside = Length(p1.x - p0.x, p1.y - p0.y);
        auto at = [&](double t) {
            return t <= 0 ? p0 : t >= inside ? p1 : DPoint{p0.x + (p1.x - p0.x) * t / inside, p0.y + (p1.y - p0.y) * t / inside};
        };
        if (u0 > 0) {
            finish(false);
            dasher.Skip(u0 * len);
        }
        // Along the inside part, from one end of a pattern entry to the next.
        double t = 0;
        for (;;) {
            const double step = std::min(dasher.Left(), inside - t);
            const bool on = dasher.On();
            if (on) extend(at(t), s == 0 && u0 <= 0 && t <= 0);
            t += step;
            dasher.Step(step);
            if (on) {
                extend(at(t), false);
                if (!dasher.On()) finish(s == last && u1 >= 1 && t >= inside);
            }
            if (t >= inside || out.size() >= kMaxPieces) break;
        }
        if (u1 < 1) {
            finish(false);
            dasher.Skip((1 - u1) * len);
        }
    }
    finish(true);
}

// Whether a convex polygon lies wholly outside the box: its own box does, or an edge of it separates the
// two (every corner of the box on the outer side of the edge's line).
bool Misses(const std::vector<DPoint>& poly, const Box& box) {
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const DPoint& p : poly) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    if (!(x1 >= box.x0 && x0 <= box.x1 && y1 >= box.y0 && y0 <= box.y1)) return true;
    const double area = SignedArea(poly);
    const DPoint corners[4] = {{box.x0, box.y0}, {box.x1, box.y0}, {box.x1, box.y1}, {box.x0, box.y1}};
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const DPoint a = poly[j], b = poly[i];
        bool separated = true;
        for (const DPoint& c : corners) {
            // The corner's side of the edge, against the polygon's own turning.
            const double side = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            if (side * area >= 0) {
                separated = false;
                break;
            }
        }
        if (separated) return true;
    }
    return false;
}

// The polygons of a piece stroked half wide each side, turning the same way; those that miss the view are
// left out (a pen far wider than the picture makes dashes across it along its whole length).
// Each goes to emit(std::vector<DPoint>&&).
template <class Emit>
void Outline(const Piece& piece, double half, int style, double miterLimit, const Box& view, Emit& emit) {
    // Discs of enough sides to stay within a tenth of a pixel of the circle up to 20 pixels across.
    const int sides = static_cast<int>(std::clamp(4 * half, 16.0, 128.0));
    auto add = [&](std::vector<DPoint> poly) {
        if (Misses(poly, view)) return;
        if (SignedArea(poly) < 0) std::reverse(poly.begin(), poly.end());
        emit(std::move(poly));
    };
    auto disc = [&](DPoint c) {
        std::vector<DPoint> d(static_cast<size_t>(sides));
        for (int k = 0; k < sides; ++k) {
            const double t = 2 * M_PI * k / sides;
            d[static_cast<size_t>(k)] = {c.x + half * std::cos(t), c.y + half * std::sin(t)};
        }
        add(std::move(d));
    };
    const int cap = style & kPsEndCapMask, join = style & kPsJoinMask;
    const std::vector<DPoint>& p = piece.pts;
    if (p.size() == 1) {
        // No direction: a round end is a disc, a square one a square.
        if (cap == kPsEndCapSquare) {
            const DPoint c = p[0];
            add({{c.x - half, c.y - half}, {c.x + half, c.y - half}, {c.x + half, c.y + half}, {c.x - half, c.y + half}});
        } else if (cap != kPsEndCapFlat) {
            disc(p[0]);
        }
        return;
    }
    const size_t n = p.size();
    const size_t segments = piece.closed ? n : n - 1;
    auto dir = [&](size_t i) {
        const DPoint a = p[i % n], b = p[(i + 1) % n];
        const double len = Length(b.x - a.x, b.y - a.y);
        return len > 0 ? DPoint{(b.x - a.x) / len, (b.y - a.y) / len} : DPoint{0, 0};
    };
    for (size_t i = 0; i < segments; ++i) {
        const DPoint a = p[i], b = p[(i + 1) % n], d = dir(i);
        const DPoint nrm = {-d.y * half, d.x * half};
        add({{a.x + nrm.x, a.y + nrm.y}, {b.x + nrm.x, b.y + nrm.y}, {b.x - nrm.x, b.y - nrm.y}, {a.x - nrm.x, a.y - nrm.y}});
    }
    // Joins: where segment i - 1 meets segment i, at point i.
    for (size_t i = piece.closed ? 0 : 1; i < (piece.closed ? n : n - 1); ++i) {
        const DPoint c = p[i], d0 = dir((i + segments - 1) % segments), d1 = dir(i);
        const double cross = d0.x * d1.y - d0.y * d1.x, dot = d0.x * d1.x + d0.y * d1.y;
        if (std::fabs(cross) < 1e-12 && dot > 0) continue;  // straight on
        // The miter's length in pen widths: 1 / cos(half the turn).
        const double cosHalfTurn = std::sqrt(std::max(0.0, (1 + dot) / 2));
        // A round join is a disc, unless the turn is so slight (a curve's) that the bevel lies within a
        // quarter pixel of the circle.
        if (join != kPsJoinBevel && join != kPsJoinMiter && half * (1 - cosHalfTurn) >= 0.25) {
            disc(c);
            continue;
        }
        // The outer side is away from the turn.
        const double side = cross > 0 ? -half : half;
        const DPoint a = {c.x - d0.y * side, c.y + d0.x * side}, b = {c.x - d1.y * side, c.y + d1.x * side};
        if (join == kPsJoinMiter && cosHalfTurn > 0 && 1 / cosHalfTurn <= miterLimit) {
            const DPoint m = {(a.x + b.x) / 2 - c.x, (a.y + b.y) / 2 - c.y};
            const double ml = Length(m.x, m.y), reach = half / cosHalfTurn;
            if (ml > 0) {
                const DPoint u = {m.x / ml, m.y / ml}, tip = {c.x + u.x * reach, c.y + u.y * reach};
                // A miter reaching further than the view (or than the pen is wide) from its corner ends at
                // a line across it that far out: the view shows the same, and its corners stay within the
                // drawing layer's coordinates, which would otherwise move the tip off its line.
                double far = half;
                for (const DPoint v : {DPoint{view.x0, view.y0}, DPoint{view.x1, view.y0}, DPoint{view.x1, view.y1},
                                       DPoint{view.x0, view.y1}})
                    far = std::max(far, Length(v.x - c.x, v.y - c.y));
                far += 1;
                if (reach <= far) {
                    add({c, a, tip, b});
                } else {
                    // a and b lie as far along u as each other, less than half a width.
                    const double along = (a.x - c.x) * u.x + (a.y - c.y) * u.y, f = (far - along) / (reach - along);
                    add({c, a, {a.x + (tip.x - a.x) * f, a.y + (tip.y - a.y) * f}, {b.x + (tip.x - b.x) * f, b.y + (tip.y - b.y) * f}, b});
                }
                continue;
            }
        }
        add({c, a, b});
    }
    // Ends of the figure.
    auto end = [&](DPoint e, DPoint outward) {
        if (cap == kPsEndCapFlat) return;
        if (cap != kPsEndCapSquare) {
            disc(e);
            return;
        }
        const DPoint nrm = {-outward.y * half, outward.x * half}, ext = {outward.x * half, outward.y * half};
        add({{e.x + nrm.x, e.y + nrm.y}, {e.x + nrm.x + ext.x, e.y + nrm.y + ext.y}, {e.x - nrm.x + ext.x, e.y - nrm.y + ext.y},
             {e.x - nrm.x, e.y - nrm.y}});
    };
    if (piece.capStart) {
        const DPoint d = dir(0);
        end(p[0], {-d.x, -d.y});
    }
    if (piece.capEnd) end(p[n - 1], dir(n - 2));
}

// The dash lengths of a style in units (pen widths or pixels); none for the solid styles.
std::vector<double> StyleDashes(int style, bool bThin) {
    switch (style & 0x0F) {
        case kPsDash: return bThin ? std::vector<double>{18, 6} : std::vector<double>{3, 1};
        case kPsDot: return bThin ? std::vector<double>{3, 3} : std::vector<double>{1, 1};
        case kPsDashDot: return bThin ? std::vector<double>{9, 6, 3, 6} : std::vector<double>{3, 1, 1, 1};
        case kPsDashDotDot: return bThin ? std::vector<double>{9, 3, 3, 3, 3, 3} : std::vector<double>{3, 1, 1, 1, 1, 1};
        case kPsAlternate: return bThin ? std::vector<double>{1, 1} : std::vector<double>{};  // cosmetic pens only
        default: return {};
    }
}

}  // namespace

std::vector<double> Player::PenDashes(double width) const {
    const PenInfo& pen = m_state.pen;
    const bool bThin = width <= 1.5;
    std::vector<double> dashes;
    if ((pen.style & 0x0F) == kPsUserStyle) {
        // Lengths in logical units scale as the pen's width does; a cosmetic pen's are pixels.
        const double scale = pen.geometric ? Length(m_toRaster.m11, m_toRaster.m12) : 1;
        for (double d : pen.userStyle) dashes.push_back(d * scale);
        // An odd count runs through twice, dashes and gaps changing places the second time.
        if (dashes.size() % 2) dashes.insert(dashes.end(), dashes.begin(), dashes.end());
    } else if (bThin || pen.geometric) {
        dashes = StyleDashes(pen.style, bThin);
        if (!bThin)
            for (double& d : dashes) d *= width;
    }
    // A pattern that repeats within two pixels, or whose gaps are all empty, draws solid.
    double period = 0, gaps = 0;
    for (size_t i = 0; i < dashes.size(); ++i) {
        period += dashes[i];
        if (i % 2) gaps += dashes[i];
    }
    if (!(period >= 2) || !std::isfinite(period) || !(gaps > 0)) return {};
    return dashes;
}

template <class Emit>
void Player::WidePenOutline(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed,
                            double width, Emit&& emit) const {
    const std::vector<double> dashes = PenDashes(width);
    const double margin = std::min(width, 1e7) + 4;
    const Box box{-margin, -margin, m_width + margin, m_height + margin};
    std::vector<Piece> pieces;
    for (size_t i = 0; i < figures.size(); ++i) Cut(figures[i], closed[i], dashes, box, pieces);
    const Box view{-2, -2, m_width + 2.0, m_height + 2.0};
    for (const Piece& piece : pieces) Outline(piece, width / 2, m_state.pen.style, m_state.miterLimit, view, emit);
}

std::vector<std::vector<DPoint>> Player::WidePenPieces(const std::vector<std::vector<DPoint>>& figures,
                                                       const std::vector<bool>& closed, double width,
                                                       size_t maxPoints) const {
    std::vector<std::vector<DPoint>> polys;
    size_t points = 0;
    bool full = false;
    WidePenOutline(figures, closed, width, [&](std::vector<DPoint>&& poly) {
        full = full || poly.size() > maxPoints - points;
        if (full) return;
        points += poly.size();
        polys.push_back(std::move(poly));
    });
    return polys;
}

void Player::StrokeWide(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed,
                        double width) {
    // The outline holds a disc or a join for every vertex, far more points than the figures: it is made
    // twice, once for its raster box and once to draw, a bounded number of points at a time (the
    // pieces all turn the same way, so each pixel a piece covers is drawn whichever part it comes in).
    paint::Bounds bounds;
    WidePenOutline(figures, closed, width, [&](std::vector<DPoint>&& poly) { bounds.Add(poly); });
    if (bounds.IsEmpty()) return;
    const RECT bound = bounds.Rect(1);
    const COLORREF color = m_state.pen.color;
    Paint([&](CDC& dc, int dx, int dy) {
        CBrush brush(color);
        std::vector<std::vector<DPoint>> part;
        size_t points = 0;
        WidePenOutline(figures, closed, width, [&](std::vector<DPoint>&& poly) {
            points += poly.size();
            part.push_back(std::move(poly));
            if (points < kOutlinePart) return;
            paint::FillPolygons(dc, part, dx, dy, brush, WINDING);
            part.clear();
            points = 0;
        });
        paint::FillPolygons(dc, part, dx, dy, brush, WINDING);
    }, nullptr, true, nullptr, &bound);
}

void Player::StrokeFigures(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed) {
    if (!PenVisible()) return;
    const COLORREF color = m_state.pen.color;
    const double width = PenWidthPixels();
    if (width > 1.5) {
        StrokeWide(figures, closed, width);
        return;
    }
    // One pixel wide: the layer's lines along each piece, the end pixel of an open one left out.
    const std::vector<double> dashes = PenDashes(width);
    const Box box{-4, -4, m_width + 4.0, m_height + 4.0};
    std::vector<Piece> pieces;
    for (size_t i = 0; i < figures.size(); ++i) Cut(figures[i], closed[i], dashes, box, pieces);
    std::vector<std::vector<DPoint>> lines;
    for (const Piece& piece : pieces) lines.push_back(piece.pts);
    const RECT bound = BoundsOf(lines, 1);
    Paint([&](CDC& dc, int dx, int dy) {
        CPen pen(PS_SOLID, 1, color);
        CPen* old = dc.SelectObject(&pen);
        for (const Piece& piece : pieces) {
            const auto& f = piece.pts;
            if (f.size() < 2) continue;
            dc.MoveTo(ToPixel(f[0].x) - dx, ToPixel(f[0].y) - dy);
            for (size_t k = 1; k < f.size(); ++k) dc.LineTo(ToPixel(f[k].x) - dx, ToPixel(f[k].y) - dy);
            if (piece.closed) dc.LineTo(ToPixel(f[0].x) - dx, ToPixel(f[0].y) - dy);
        }
        dc.SelectObject(old);
    }, nullptr, true, nullptr, &bound);
}

void Player::SetMiterLimit(double limit) {
    if (limit >= 1 && std::isfinite(limit)) m_state.miterLimit = limit;
}

}  // namespace px::mf
