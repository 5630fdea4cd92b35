// A region as sorted spans in bands of rows, and the one polygon rasteriser that regions, polygon fills
// and hit tests share.
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

// A set of pixels as bands: each band is a run of rows [top, bottom) that share one list of spans.
// Bands are sorted top to bottom, do not overlap and never hold an empty span list.
class Region {
public:
    struct Band {
        int top;
        int bottom;
        uint32_t first;  // index of the band's first span (spans are pairs in Xs())
        uint32_t count;  // number of spans
    };

    // At most this many bands: a polygon region that needs more fails to build (memory stays bounded
    // whatever the coordinates; a rectangle of any size is one band).
    static constexpr std::size_t kMaxBands = std::size_t{1} << 20;

    void Clear();
    void SetRect(int left, int top, int right, int bottom);  // empty when left >= right or top >= bottom
    // Replaces the region by the polygons' pixels. False (and an empty region) on invalid arguments or
    // when the shape needs more than kMaxBands bands.
    bool SetPolyPolygon(const POINT* pts, const int* counts, int nCount, int mode);
    // False (and no change) when the region would leave the coordinate range.
    bool Offset(int dx, int dy);

    bool IsEmpty() const { return m_bands.empty(); }
    // The smallest rectangle holding every pixel; (0, 0, 0, 0) when empty.
    RECT Box() const { return m_box; }
    bool Contains(int x, int y) const;
    // One band of one span.
    bool IsRect() const { return m_bands.size() == 1 && m_bands[0].count == 1; }

    const std::vector<Band>& Bands() const { return m_bands; }
    const std::vector<int>& Xs() const { return m_xs; }

private:
    friend class RegionBuilder;
    std::vector<Band> m_bands;
    std::vector<int> m_xs;
    RECT m_box{0, 0, 0, 0};
};

}  // namespace gdi
