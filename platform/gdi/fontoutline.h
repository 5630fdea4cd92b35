// The native outline encoder: a glyph's contours (as a TrueType-style point list) to the byte records
// GetGlyphOutline returns for GGO_NATIVE. Internal to the font engine; kept apart from FreeType so the
// record layout can be tested on hand-made contours.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/crt/wintypes.h"
#include "platform/gdi/font.h"

namespace gdi {

// One outline point in 26.6 fixed pixels (1/64 pixel), y up.
struct OutlinePoint {
    int32_t x;
    int32_t y;
    enum Kind : uint8_t { kOn, kConic, kCubic } kind;  // on the curve, quadratic or cubic control point
};

// Appends the records of one outline to out. contourEnds[i] is the index of the last point of contour i
// (strictly increasing, below points.size(); the first end that breaks this stops the encoding, and a
// contour of fewer than two points is skipped).
//
// Each contour gives a TTPOLYGONHEADER (type TT_POLYGON_TYPE) whose pfxStart is the contour's first
// on-curve point (the midpoint of its first and last points when it has none), followed by:
//   - TT_PRIM_LINE: a run of on-curve points, each joined to the previous one by a straight line;
//   - TT_PRIM_QSPLINE: consecutive quadratic control points and the on-curve point that ends them; the
//     on-curve midpoints between two consecutive control points are implied, not stored;
//   - TT_PRIM_CSPLINE: cubic segments, two control points and an end point each.
// The last record ends on pfxStart: the contour is closed explicitly. Coordinates are 16.16 FIXED, y up,
// clamped to the FIXED range.
void EncodeNativeOutline(const std::vector<OutlinePoint>& points, const std::vector<int>& contourEnds,
                         std::vector<BYTE>& out);

// 26.6 to 16.16, clamped to what a FIXED holds.
FIXED Fixed26_6ToFixed(int32_t v);

}  // namespace gdi
