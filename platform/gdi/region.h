// Regions, and the one polygon rasteriser that regions, polygon fills and hit tests share.
//
// Pixel rule: a pixel (x, y) belongs to a polygon when its centre (x + 0.5, y + 0.5) lies inside the
// polygon under the fill rule. A centre exactly on an edge belongs to the shape when the edge is a left
// edge of the span (the interior lies to its right) and not when it is a right edge; a scanline through a
// centre never meets an integer vertex, so no vertex is ever a tie. For a rectangle (l, t, r, b) this
// gives the pixels l..r-1 and t..b-1: right and bottom edges lie outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/crt/wintypes.h"

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

namespace gdi {

// Coordinates are clamped to this range before rasterising (the platform's 28-bit coordinate space), so
// the rasteriser's 64-bit arithmetic cannot overflow.
constexpr int32_t kMaxCoord = (1 << 27) - 1;

// Rasteriser output: rows [y0, y1) all covered by the same n spans; xs holds n pairs [x0, x1), sorted,
// disjoint and non-touching. Return false to stop the rasteriser.
class SpanSink {
public:
    // Called once before the first Rows with the range of rows the shape may cover.
    virtual void Begin(int /*yMin*/, int /*yMax*/) {}
    virtual bool Rows(int y0, int y1, const int* xs, int n) = 0;

protected:
    ~SpanSink() = default;
};

// Rasterises the polygons (counts[i] points each, implicitly closed) under ALTERNATE or WINDING, for the
// rows yFrom <= y < yTo only, in increasing y. Rows without pixels are not reported. The rasteriser keeps
// per-thread scratch storage, so a sink must not rasterise from inside Rows. Returns false when
// the arguments are invalid (a negative count, a mode that is neither rule, nCount < 0) or the sink
// stopped; true otherwise. Polygons of fewer than three points add no pixels.
bool RasterizePolyPolygon(const POINT* pts, const int* counts, int nCount, int mode, int yFrom, int yTo,
                          SpanSink& sink);

// A set of pixels: empty, a rectangle, or polygons under a fill rule.
//
// A polygon region keeps its polygons (coordinates clamped to kMaxCoord) and rasterises them when asked,
// only over the rows a question needs: a fill rasterises the rows of its surface, a hit test the one row
// of its point, so a shape millions of pixels tall costs time for its visible part only and never
// allocates for its whole span. What a region knows about all its pixels (box, type, a band list for
// repeated hit tests) is worked out on first use when that is cheap: the shape spans at most
// kExactRows rows, or all its edges are vertical or horizontal (the rasteriser then handles runs of
// equal rows at once). For any other shape the box is the box of its vertices ([min x, max x) by
// [min y, max y), which holds every pixel) and its type COMPLEXREGION.
class Region {
public:
    // Rows of one band list: [top, bottom) share one list of spans.
    struct Band {
        int top;
        int bottom;
        uint32_t first;  // index of the band's first span (spans are pairs of x)
        uint32_t count;  // number of spans
    };

    // Polygon shapes up to this many rows tall have an exact box and type.
    static constexpr int kExactRows = 4096;

    void Clear();
    void SetRect(int left, int top, int right, int bottom);  // empty when left >= right or top >= bottom
    // Replaces the region by the polygons' pixels. False (and an empty region) on invalid arguments.
    bool SetPolyPolygon(const POINT* pts, const int* counts, int nCount, int mode);
    // False (and no change) when the region would leave the coordinate range (for a polygon region:
    // when a vertex would).
    bool Offset(int dx, int dy);

    bool IsEmpty() const;
    // The smallest rectangle holding every pixel, or for a tall slanted shape the box of its vertices
    // (see IsBoxExact); (0, 0, 0, 0) when empty.
    RECT Box() const;
    // Whether Box() is the box of the pixels.
    bool IsBoxExact() const { return m_kind != Kind::Poly || m_bExact; }
    bool Contains(int x, int y) const;
    // One band of one span (a tall slanted shape never counts as one).
    bool IsRect() const;
    // Reports the pixels of rows yFrom <= y < yTo to the sink as RasterizePolyPolygon does (the sink must
    // not rasterise from inside Rows). The work is bounded by the rows asked for and the number of edges.
    // False when the sink stopped.
    bool Rasterize(int yFrom, int yTo, SpanSink& sink) const;

private:
    enum class Kind : uint8_t { Empty, Rect, Poly };
    void EnsureSummary() const;
    void EnsureBands() const;

    Kind m_kind = Kind::Empty;
    RECT m_bounds{0, 0, 0, 0};  // Rect: the rectangle; Poly: the box of the vertices
    std::vector<POINT> m_pts;   // Poly: polygons of three or more points, clamped
    std::vector<int> m_counts;
    int m_mode = WINDING;
    bool m_bExact = true;  // Poly: short or rectilinear, so the summary below is cheap and exact

    // Poly and exact, worked out on first use (from the bands).
    mutable bool m_bSummary = false;  // m_box and m_bSimple are known
    mutable RECT m_box{0, 0, 0, 0};
    mutable bool m_bSimple = false;
    mutable bool m_bBands = false;  // m_bands and m_xs are built (for hit tests)
    mutable std::vector<Band> m_bands;
    mutable std::vector<int> m_xs;
    mutable std::vector<int> m_rowBand;  // shapes up to kExactRows tall: each row's band, or -1
};

}  // namespace gdi
