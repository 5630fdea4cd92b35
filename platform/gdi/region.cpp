// The polygon rasteriser (scanline with an active edge list, exact integer crossings) and the band
// region it fills.
//
// Crossings. An edge from (x0, y0) down to (x1, y1) (y0 < y1, integer vertices) covers the rows
// y0 <= y < y1: the scanline through the row's pixel centres, y + 0.5, meets it there and nowhere else.
// It crosses that scanline at xc = x0 + dx * (y + 0.5 - y0) / dy, and the first pixel whose centre lies at
// or right of the crossing is c = ceil(xc - 0.5) = ceil(num / den) with
//     num = (2 x0 - 1) dy + dx (2 (y - y0) + 1),    den = 2 dy.
// num grows by 2 dx a row, so c is stepped with a quotient and a remainder, never divided per row. A span
// between a left crossing cl and a right crossing cr holds the pixels cl <= x < cr: a centre exactly on a
// left edge is inside, one on a right edge outside.
#include "platform/gdi/region.h"

#include <algorithm>

#include "platform/gdi/dcimpl.h"

namespace gdi {

namespace {

// Floor division by a positive 32-bit divisor, with a 32-bit division whenever the dividend allows (the usual
// case: glyph-sized coordinates), which is several times cheaper than a 64-bit one.
inline int32_t FloorDivBy(int64_t a, int32_t b) {
    if (a >= INT32_MIN && a <= INT32_MAX) {
        const int32_t a32 = static_cast<int32_t>(a);
        int32_t q = a32 / b;
        if (a32 % b < 0) --q;
        return q;
    }
    return static_cast<int32_t>(FloorDiv64(a, b));
}

inline int32_t Clamp(int32_t v) { return v < -kMaxCoord ? -kMaxCoord : (v > kMaxCoord ? kMaxCoord : v); }

struct Edge {
    int yTop;  // first row covered (after clipping to the rows asked for)
    int yBot;  // first row not covered
    int dir;   // +1 when the polygon runs downward along the edge, -1 upward
    int c;     // current crossing pixel
    // num = q * den + r with 0 <= r < den, and c = q + (r > 0). With coordinates clamped to 28 bits,
    // den = 2 dy < 2^29, and q, r and the steps all fit 32 bits.
    int32_t q, r, den;
    int32_t stepQ, stepR;
};

// Scratch storage reused from call to call (one thread draws; each thread gets its own).
struct Scratch {
    std::vector<Edge> edges;
    std::vector<int> order;   // edges sorted by yTop
    std::vector<int> bucket;  // counting sort
    std::vector<int> active;  // indices into edges, kept sorted by crossing
    std::vector<int> batch;   // edges that start on one row, and the active list merged with them
    std::vector<int> merged;
    std::vector<int> xs;      // spans of the current rows
};

thread_local Scratch t_scratch;

// A fill rule, counts that are not negative, and the arrays the counts need.
bool ValidArguments(const POINT* pts, const int* counts, int nCount, int mode) {
    if (nCount < 0 || (mode != ALTERNATE && mode != WINDING)) return false;
    if (nCount > 0 && !counts) return false;
    int64_t total = 0;
    for (int i = 0; i < nCount; ++i) {
        if (counts[i] < 0) return false;
        total += counts[i];
    }
    if (total > 0 && !pts) return false;
    return true;
}

// The active list is kept in order of crossing by insertion, which is stable and costs next to nothing
// while edges keep their order from row to row (glyphs). Many edges starting on one row, or crossing one
// another between two rows, would make it quadratic in the edges (a wide stroke of thousands of pieces
// over a picture): past these bounds the same stable order comes from a sort and a merge instead.
constexpr int kInsertBatch = 8;
inline int64_t ReorderBudget(int na) { return 4 * int64_t{na} + 64; }

// One row down.
inline void Step(Edge& e) {
    e.q += e.stepQ;
    e.r += e.stepR;
    if (e.r >= e.den) {
        e.r -= e.den;
        ++e.q;
    }
    e.c = static_cast<int>(e.q + (e.r > 0 ? 1 : 0));
}

}  // namespace

bool RasterizePolyPolygon(const POINT* pts, const int* counts, int nCount, int mode, int yFrom, int yTo,
                          SpanSink& sink) {
    if (!ValidArguments(pts, counts, nCount, mode)) return false;
    if (yFrom >= yTo) return true;

    Scratch& s = t_scratch;
    s.edges.clear();
    int yMin = yTo, yMax = yFrom;
    const POINT* poly = pts;
    for (int i = 0; i < nCount; ++i) {
        const int n = counts[i];
        if (n >= 3) {
            for (int j = 0; j < n; ++j) {
                const POINT& a = poly[j];
                const POINT& b = poly[j + 1 < n ? j + 1 : 0];
                int32_t ax = Clamp(a.x), ay = Clamp(a.y), bx = Clamp(b.x), by = Clamp(b.y);
                if (ay == by) continue;
                int dir = 1;
                if (ay > by) {
                    std::swap(ax, bx);
                    std::swap(ay, by);
                    dir = -1;
                }
                const int top = std::max<int>(ay, yFrom);
                const int bot = std::min<int>(by, yTo);
                if (top >= bot) continue;
                Edge e;
                e.yTop = top;
                e.yBot = bot;
                e.dir = dir;
                const int64_t dx = static_cast<int64_t>(bx) - ax;
                const int64_t dy = static_cast<int64_t>(by) - ay;
                e.den = static_cast<int32_t>(2 * dy);
                const int64_t num = (2 * static_cast<int64_t>(ax) - 1) * dy + dx * (2 * (int64_t{top} - ay) + 1);
                e.q = FloorDivBy(num, e.den);
                e.r = static_cast<int32_t>(num - int64_t{e.q} * e.den);
                e.stepQ = FloorDivBy(2 * dx, e.den);
                e.stepR = static_cast<int32_t>(2 * dx - int64_t{e.stepQ} * e.den);
                e.c = static_cast<int>(e.q + (e.r > 0 ? 1 : 0));
                s.edges.push_back(e);
                yMin = std::min(yMin, top);
                yMax = std::max(yMax, bot);
            }
        }
        poly += n;
    }
    const int nEdges = static_cast<int>(s.edges.size());
    if (nEdges == 0) return true;
    sink.Begin(yMin, yMax);

    // Order the edges by their first row: a counting sort over the rows when they are few (glyphs),
    // a comparison sort otherwise.
    s.order.resize(nEdges);
    const int64_t rows = int64_t{yMax} - yMin;
    if (rows <= 4096) {
        s.bucket.assign(static_cast<size_t>(rows) + 1, 0);
        for (const Edge& e : s.edges) ++s.bucket[e.yTop - yMin + 1];
        for (int64_t i = 1; i <= rows; ++i) s.bucket[i] += s.bucket[i - 1];
        for (int i = 0; i < nEdges; ++i) s.order[s.bucket[s.edges[i].yTop - yMin]++] = i;
    } else {
        for (int i = 0; i < nEdges; ++i) s.order[i] = i;
        std::sort(s.order.begin(), s.order.end(),
                  [&](int a, int b) { return s.edges[a].yTop < s.edges[b].yTop; });
    }

    // The main loop works on raw pointers: the scratch vectors do not change size inside it, and locals
    // spare reloading them around the sink's calls.
    Edge* const edges = s.edges.data();
    const int* const order = s.order.data();
    s.active.resize(nEdges);
    int* const active = s.active.data();
    s.xs.resize(2 * static_cast<size_t>(nEdges));
    int* const xs = s.xs.data();
    s.batch.resize(nEdges);
    int* const batch = s.batch.data();
    s.merged.resize(nEdges);
    int* const merged = s.merged.data();
    const auto byCrossing = [edges](int a, int b) { return edges[a].c < edges[b].c; };
    int na = 0;    // active edges, sorted by crossing
    int next = 0;  // next edge of order to activate
    int y = edges[order[0]].yTop;
    while (y < yMax) {
        if (na == 0) {
            if (next >= nEdges) break;
            y = std::max(y, edges[order[next]].yTop);
        }
        // The edges that start here join the active list after those of an equal crossing already in it,
        // in their own order among themselves.
        const int first = next;
        while (next < nEdges && edges[order[next]].yTop <= y) ++next;
        if (next - first <= kInsertBatch) {
            for (int i = first; i < next; ++i) {
                const int idx = order[i];
                const int c = edges[idx].c;
                int k = na++;
                while (k > 0 && edges[active[k - 1]].c > c) {
                    active[k] = active[k - 1];
                    --k;
                }
                active[k] = idx;
            }
        } else {
            const int nb = next - first;
            std::copy(order + first, order + next, batch);
            std::stable_sort(batch, batch + nb, byCrossing);
            std::merge(active, active + na, batch, batch + nb, merged, byCrossing);
            na += nb;
            std::copy(merged, merged + na, active);
        }

        // The rows up to the next event share their spans when every active edge is vertical.
        int yNext = next < nEdges ? edges[order[next]].yTop : yMax;
        bool allVertical = true;
        for (int k = 0; k < na; ++k) {
            const Edge& e = edges[active[k]];
            yNext = std::min(yNext, e.yBot);
            allVertical = allVertical && e.stepQ == 0 && e.stepR == 0;
        }
        const int yEnd = allVertical ? yNext : y + 1;

        // Spans from the sorted crossings; touching spans merge.
        int nx = 0;
        auto emit = [&](int x0, int x1) {
            if (x0 >= x1) return;
            if (nx > 0 && x0 <= xs[nx - 1]) {
                xs[nx - 1] = std::max(xs[nx - 1], x1);
                return;
            }
            xs[nx++] = x0;
            xs[nx++] = x1;
        };
        if (mode == ALTERNATE) {
            for (int k = 0; k + 1 < na; k += 2) emit(edges[active[k]].c, edges[active[k + 1]].c);
        } else {
            int w = 0, start = 0;
            for (int k = 0; k < na; ++k) {
                const Edge& e = edges[active[k]];
                const int before = w;
                w += e.dir;
                if (before == 0 && w != 0) start = e.c;
                else if (before != 0 && w == 0) emit(start, e.c);
            }
        }
        if (nx > 0 && !sink.Rows(y, yEnd, xs, nx / 2)) return false;

        // Advance: drop finished edges, step the others (a longer run only happens when every edge is
        // vertical), restore the order by crossing.
        int out = 0;
        for (int k = 0; k < na; ++k) {
            Edge& e = edges[active[k]];
            if (e.yBot <= yEnd) continue;
            if (yEnd == y + 1) Step(e);
            active[out++] = active[k];
        }
        na = out;
        const int64_t budget = ReorderBudget(na);
        int64_t moves = 0;
        for (int k = 1; k < na; ++k) {
            const int idx = active[k];
            const int c = edges[idx].c;
            int m = k;
            while (m > 0 && edges[active[m - 1]].c > c) {
                active[m] = active[m - 1];
                --m;
            }
            active[m] = idx;
            moves += k - m;
            if (moves > budget) {
                // The part sorted so far kept equal crossings in their order, as the sort does.
                std::stable_sort(active, active + na, byCrossing);
                break;
            }
        }
        y = yEnd;
    }
    return true;
}

// ---- Region --------------------------------------------------------------------------------------

namespace {

// Band lists for hit tests: rows with equal spans merge into one band.
class BandBuilder final : public SpanSink {
public:
    BandBuilder(std::vector<Region::Band>& bands, std::vector<int>& xs) : m_bands(bands), m_xs(xs) {}

    void Begin(int yMin, int yMax) override {
        const size_t rows = std::min<size_t>(static_cast<size_t>(int64_t{yMax} - yMin), Region::kExactRows);
        m_bands.reserve(rows);
        m_xs.reserve(rows * 4);
    }

    bool Rows(int y0, int y1, const int* xs, int n) override {
        if (!m_bands.empty()) {
            Region::Band& last = m_bands.back();
            if (last.bottom == y0 && last.count == static_cast<uint32_t>(n) && Same(xs, m_xs.data() + 2 * last.first, 2 * n)) {
                last.bottom = y1;
                return true;
            }
        }
        m_bands.push_back({y0, y1, static_cast<uint32_t>(m_xs.size() / 2), static_cast<uint32_t>(n)});
        m_xs.insert(m_xs.end(), xs, xs + 2 * n);
        return true;
    }

private:
    // A plain loop: the lists are a few ints, too short for a library call to pay.
    static bool Same(const int* a, const int* b, int n) {
        for (int i = 0; i < n; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }

    std::vector<Region::Band>& m_bands;
    std::vector<int>& m_xs;
};

// Whether x lies in a span of the one row asked for.
class PointSink final : public SpanSink {
public:
    explicit PointSink(int x) : m_x(x) {}
    bool Rows(int, int, const int* xs, int n) override {
        for (int i = 0; i < n; ++i)
            if (m_x >= xs[2 * i] && m_x < xs[2 * i + 1]) m_bInside = true;
        return true;
    }

    int m_x;
    bool m_bInside = false;
};

}  // namespace

void Region::Clear() {
    m_kind = Kind::Empty;
    m_bounds = RECT{0, 0, 0, 0};
    m_pts.clear();
    m_counts.clear();
    m_mode = WINDING;
    m_bExact = true;
    m_bSummary = false;
    m_box = RECT{0, 0, 0, 0};
    m_bSimple = false;
    m_bBands = false;
    m_bands.clear();
    m_xs.clear();
    m_rowBand.clear();
}

void Region::SetRect(int left, int top, int right, int bottom) {
    Clear();
    left = std::clamp(left, -kMaxCoord, kMaxCoord);
    right = std::clamp(right, -kMaxCoord, kMaxCoord);
    top = std::clamp(top, -kMaxCoord, kMaxCoord);
    bottom = std::clamp(bottom, -kMaxCoord, kMaxCoord);
    if (left >= right || top >= bottom) return;
    m_kind = Kind::Rect;
    m_bounds = RECT{left, top, right, bottom};
}

bool Region::SetPolyPolygon(const POINT* pts, const int* counts, int nCount, int mode) {
    Clear();
    if (!ValidArguments(pts, counts, nCount, mode)) return false;

    // Keep the polygons that can hold pixels, clamped, with the box of their vertices.
    int64_t total = 0;
    for (int i = 0; i < nCount; ++i) total += counts[i];
    m_pts.reserve(static_cast<size_t>(total));
    m_counts.reserve(static_cast<size_t>(nCount));
    int32_t l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
    bool rectilinear = true;
    const POINT* poly = pts;
    for (int i = 0; i < nCount; ++i) {
        const int n = counts[i];
        if (n >= 3) {
            m_counts.push_back(n);
            for (int j = 0; j < n; ++j) {
                const POINT p{Clamp(poly[j].x), Clamp(poly[j].y)};
                const POINT& q = poly[j + 1 < n ? j + 1 : 0];
                rectilinear = rectilinear && (Clamp(q.x) == p.x || Clamp(q.y) == p.y);
                l = std::min(l, p.x);
                r = std::max(r, p.x);
                t = std::min(t, p.y);
                b = std::max(b, p.y);
                m_pts.push_back(p);
            }
        }
        poly += n;
    }
    m_mode = mode;
    if (m_counts.empty() || l >= r || t >= b) {  // no polygon encloses a pixel centre
        Clear();
        return true;
    }
    m_kind = Kind::Poly;
    m_bounds = RECT{l, t, r, b};
    m_bExact = int64_t{b} - t <= kExactRows || rectilinear;
    return true;
}

void Region::EnsureSummary() const {
    if (m_bSummary) return;
    EnsureBands();
    m_box = RECT{0, 0, 0, 0};
    m_bSimple = m_bands.size() == 1 && m_bands[0].count == 1;
    if (!m_bands.empty()) {
        m_box = RECT{INT32_MAX, m_bands.front().top, INT32_MIN, m_bands.back().bottom};
        for (const Band& band : m_bands) {
            m_box.left = std::min<LONG>(m_box.left, m_xs[2 * band.first]);
            m_box.right = std::max<LONG>(m_box.right, m_xs[2 * (band.first + band.count) - 1]);
        }
    }
    m_bSummary = true;
}

void Region::EnsureBands() const {
    if (m_bBands) return;
    BandBuilder sink(m_bands, m_xs);
    RasterizePolyPolygon(m_pts.data(), m_counts.data(), static_cast<int>(m_counts.size()), m_mode, m_bounds.top,
                         m_bounds.bottom, sink);
    m_bBands = true;
}

bool Region::Offset(int dx, int dy) {
    if (m_kind == Kind::Empty) return true;
    const int64_t l = int64_t{m_bounds.left} + dx, r = int64_t{m_bounds.right} + dx;
    const int64_t t = int64_t{m_bounds.top} + dy, b = int64_t{m_bounds.bottom} + dy;
    // A rectangle's right and bottom lie outside it; a polygon's vertices must stay in the range.
    const int64_t hi = m_kind == Kind::Rect ? int64_t{kMaxCoord} + 1 : kMaxCoord;
    if (l < -kMaxCoord || r > hi || t < -kMaxCoord || b > hi) return false;
    auto move = [dx, dy](LONG& x0, LONG& y0, LONG& x1, LONG& y1) {
        x0 += dx;
        x1 += dx;
        y0 += dy;
        y1 += dy;
    };
    move(m_bounds.left, m_bounds.top, m_bounds.right, m_bounds.bottom);
    if (m_kind == Kind::Rect) return true;
    for (POINT& p : m_pts) {
        p.x += dx;
        p.y += dy;
    }
    if (m_bSummary) move(m_box.left, m_box.top, m_box.right, m_box.bottom);
    if (m_bBands) {
        for (Band& band : m_bands) {
            band.top += dy;
            band.bottom += dy;
        }
        for (int& x : m_xs) x += dx;
    }
    return true;
}

bool Region::IsEmpty() const {
    if (m_kind != Kind::Poly || !m_bExact) return m_kind == Kind::Empty;
    EnsureSummary();
    return m_box.left >= m_box.right;
}

RECT Region::Box() const {
    if (m_kind != Kind::Poly || !m_bExact) return m_bounds;
    EnsureSummary();
    return m_box;
}

bool Region::IsRect() const {
    if (m_kind == Kind::Rect) return true;
    if (m_kind == Kind::Empty || !m_bExact) return false;
    EnsureSummary();
    return m_bSimple;
}

bool Region::Contains(int x, int y) const {
    if (x < m_bounds.left || x >= m_bounds.right || y < m_bounds.top || y >= m_bounds.bottom) return false;
    if (m_kind == Kind::Rect) return true;
    if (!m_bExact) {  // one row of a tall shape
        PointSink sink(x);
        RasterizePolyPolygon(m_pts.data(), m_counts.data(), static_cast<int>(m_counts.size()), m_mode, y, y + 1,
                             sink);
        return sink.m_bInside;
    }
    EnsureBands();
    // A row index spares short shapes (glyphs hit-tested many times) the search for the band; made at
    // the first hit test.
    if (m_rowBand.empty() && !m_bands.empty() && int64_t{m_bounds.bottom} - m_bounds.top <= kExactRows) {
        m_rowBand.assign(static_cast<size_t>(m_bounds.bottom - m_bounds.top), -1);
        for (size_t i = 0; i < m_bands.size(); i++)
            for (int row = m_bands[i].top; row < m_bands[i].bottom; row++) m_rowBand[row - m_bounds.top] = static_cast<int>(i);
    }
    const Band* pBand;
    if (!m_rowBand.empty()) {
        const int i = m_rowBand[y - m_bounds.top];
        if (i < 0) return false;
        pBand = &m_bands[i];
    } else {
        // The last band whose top is at or above y.
        auto it = std::upper_bound(m_bands.begin(), m_bands.end(), y, [](int v, const Band& b) { return v < b.top; });
        if (it == m_bands.begin()) return false;
        pBand = &*(it - 1);
        if (y >= pBand->bottom) return false;
    }
    const Band& band = *pBand;
    const int* xs = m_xs.data() + 2 * band.first;
    // Spans are sorted: the last span starting at or left of x decides.
    uint32_t lo = 0, hi = band.count;
    while (lo < hi) {
        const uint32_t mid = (lo + hi) / 2;
        if (xs[2 * mid] <= x) lo = mid + 1;
        else hi = mid;
    }
    return lo > 0 && x < xs[2 * (lo - 1) + 1];
}

bool Region::Rasterize(int yFrom, int yTo, SpanSink& sink) const {
    switch (m_kind) {
    case Kind::Empty: return true;
    case Kind::Rect: {
        const int top = std::max<int>(m_bounds.top, yFrom), bottom = std::min<int>(m_bounds.bottom, yTo);
        if (top >= bottom) return true;
        const int xs[2] = {m_bounds.left, m_bounds.right};
        sink.Begin(top, bottom);
        return sink.Rows(top, bottom, xs, 1);
    }
    case Kind::Poly:
        if (m_bBands) {  // worked out already: the bands of the rows asked for
            bool bBegun = false;
            auto it = std::upper_bound(m_bands.begin(), m_bands.end(), yFrom,
                                       [](int v, const Band& b) { return v < b.bottom; });
            for (; it != m_bands.end() && it->top < yTo; ++it) {
                const Band& band = *it;
                const int top = std::max(band.top, yFrom), bottom = std::min(band.bottom, yTo);
                if (top >= bottom) continue;
                if (!bBegun) {
                    sink.Begin(top, std::min<int>(m_bounds.bottom, yTo));
                    bBegun = true;
                }
                if (!sink.Rows(top, bottom, m_xs.data() + 2 * band.first, static_cast<int>(band.count))) return false;
            }
            return true;
        }
        return RasterizePolyPolygon(m_pts.data(), m_counts.data(), static_cast<int>(m_counts.size()), m_mode,
                                    std::max<int>(yFrom, m_bounds.top), std::min<int>(yTo, m_bounds.bottom), sink);
    }
    return true;
}

}  // namespace gdi
