// CDC lines and shapes: LineTo, Rectangle, Ellipse, Polygon, PolyPolygon (pixel rules in dc.h).
#include <cmath>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/dcimpl.h"

namespace gdi {

// Pixel i (0 <= i < n, n the major extent) lies at major0 + i * sign along the major axis and at
// minor0 + floor(i * dMinor / n + 1/2) = minor0 + floor((2 i dMinor + n) / 2n) across it. Only the steps
// whose major coordinate lies on the surface are visited, so a line's cost is bounded by the surface.
void DrawLine(Surface& s, int x0, int y0, int x1, int y1, uint32_t px) {
    const int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0;
    if (dx == 0 && dy == 0) return;
    const int W = s.Width(), H = s.Height();
    if (W <= 0 || H <= 0) return;
    if (dy == 0) {  // horizontal: pixels x0 .. x1 - 1 or x1 + 1 .. x0
        if (dx > 0) FillRow(s, y0, x0, x1, px);
        else FillRow(s, y0, int64_t{x1} + 1, int64_t{x0} + 1, px);
        return;
    }
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const int64_t dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
    const int64_t n = std::llabs(dMajor), sign = dMajor > 0 ? 1 : -1;
    const int64_t majorSize = xMajor ? W : H, minorSize = xMajor ? H : W;
    // Steps i with 0 <= major0 + i * sign < majorSize.
    int64_t iMin, iMax;
    if (sign > 0) {
        iMin = std::max<int64_t>(0, -major0);
        iMax = std::min<int64_t>(n, majorSize - major0);
    } else {
        iMin = std::max<int64_t>(0, major0 - majorSize + 1);
        iMax = std::min<int64_t>(n, major0 + 1);
    }
    if (iMin >= iMax) return;
    const int64_t den = 2 * n;
    int64_t num = 2 * iMin * dMinor + n;
    int64_t q = FloorDiv64(num, den), r = num - q * den;  // minor offset q, remainder 0 <= r < den
    const int64_t stepQ = FloorDiv64(2 * dMinor, den), stepR = 2 * dMinor - stepQ * den;
    uint32_t* bits = s.Bits();
    for (int64_t i = iMin; i < iMax; ++i) {
        const int64_t major = major0 + i * sign, minor = minor0 + q;
        if (minor >= 0 && minor < minorSize) {
            if (xMajor) bits[minor * W + major] = px;
            else bits[major * W + minor] = px;
        }
        q += stepQ;
        r += stepR;
        if (r >= den) {
            r -= den;
            ++q;
        }
    }
}

}  // namespace gdi

namespace {

// Whether the pen draws, and its pixel.
bool PenPixel(const CPen* pen, uint32_t* px) {
    if (!pen || pen->GetStyle() == PS_NULL) return false;
    *px = gdi::ColorToPixel(pen->GetColor());
    return true;
}

bool BrushPixel(const CBrush* brush, uint32_t* px) {
    if (!brush || brush->GetStyle() != BS_SOLID) return false;
    *px = gdi::ColorToPixel(brush->GetColor());
    return true;
}

// The pixels of row y of the filled ellipse inscribed in [l, r) x [t, b): [*x0, *x1), empty when
// *x0 >= *x1. With diameters A = r - l, B = b - t and centre offsets u = 2x + 1 - (l + r),
// v = 2y + 1 - (t + b) (twice the distance of the pixel centre from the ellipse centre), the centre is
// inside when u^2 B^2 + v^2 A^2 <= A^2 B^2.
void EllipseRow(int64_t l, int64_t t, int64_t r, int64_t b, int64_t y, int64_t* x0, int64_t* x1) {
    *x0 = 0;
    *x1 = 0;
    if (y < t || y >= b) return;
    const __int128 A = r - l, B = b - t;
    const __int128 v = 2 * y + 1 - (t + b);
    const __int128 A2 = A * A, B2 = B * B;
    if (v * v > B2) return;
    const __int128 K = A2 * (B2 - v * v);  // u^2 B^2 <= K
    int64_t u = static_cast<int64_t>(std::sqrt(static_cast<long double>(K) / static_cast<long double>(B2)));
    while (u > 0 && static_cast<__int128>(u) * u * B2 > K) --u;
    while (static_cast<__int128>(u + 1) * (u + 1) * B2 <= K) ++u;
    // The largest x with 2x + 1 - (l + r) <= u, and its mirror image.
    const int64_t xHi = gdi::FloorDiv64(u + l + r - 1, 2);
    const int64_t xLo = l + r - 1 - xHi;
    if (xLo > xHi) return;
    *x0 = xLo;
    *x1 = xHi + 1;
}

inline int64_t ClampCoord(int64_t v) { return std::clamp<int64_t>(v, -gdi::kMaxCoord, gdi::kMaxCoord); }

}  // namespace

CPoint CDC::MoveTo(int x, int y) {
    CPoint old = m_ptCurrent;
    m_ptCurrent = CPoint(x, y);
    return old;
}

BOOL CDC::LineTo(int x, int y) {
    if (!m_hDC) return FALSE;
    uint32_t px;
    if (m_pSurface && PenPixel(m_pPen, &px)) gdi::DrawLine(*m_pSurface, m_ptCurrent.x, m_ptCurrent.y, x, y, px);
    m_ptCurrent = CPoint(x, y);
    return TRUE;
}

BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) {
    if (!m_hDC) return FALSE;
    if (!m_pSurface) return TRUE;
    gdi::Surface& s = *m_pSurface;
    const int64_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    uint32_t pen = 0, brush = 0;
    const bool hasPen = PenPixel(m_pPen, &pen), hasBrush = BrushPixel(m_pBrush, &brush);
    if (!hasPen) {
        if (hasBrush) gdi::FillBox(s, l, t, r - 1, b - 1, brush);
        return TRUE;
    }
    if (l >= r || t >= b) return TRUE;
    if (hasBrush) gdi::FillBox(s, l + 1, t + 1, r - 1, b - 1, brush);
    gdi::FillBox(s, l, t, r, t + 1, pen);
    gdi::FillBox(s, l, b - 1, r, b, pen);
    gdi::FillBox(s, l, t, l + 1, b, pen);
    gdi::FillBox(s, r - 1, t, r, b, pen);
    return TRUE;
}

BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) {
    if (!m_hDC) return FALSE;
    if (!m_pSurface) return TRUE;
    gdi::Surface& s = *m_pSurface;
    const int64_t l = ClampCoord(std::min(x1, x2)), r = ClampCoord(std::max(x1, x2));
    const int64_t t = ClampCoord(std::min(y1, y2)), b = ClampCoord(std::max(y1, y2));
    if (l >= r || t >= b) return TRUE;
    uint32_t pen = 0, brush = 0;
    const bool hasPen = PenPixel(m_pPen, &pen), hasBrush = BrushPixel(m_pBrush, &brush);
    if (!hasPen && !hasBrush) return TRUE;
    const int64_t yFrom = std::max<int64_t>(t, 0), yTo = std::min<int64_t>(b, s.Height());
    for (int64_t y = yFrom; y < yTo; ++y) {
        int64_t a0, a1;
        EllipseRow(l, t, r, b, y, &a0, &a1);
        if (a0 >= a1) continue;
        if (!hasPen) {
            gdi::FillRow(s, static_cast<int>(y), a0, a1, brush);
            continue;
        }
        // Interior: pixels whose four neighbours are all in the ellipse.
        int64_t u0, u1, d0, d1;
        EllipseRow(l, t, r, b, y - 1, &u0, &u1);
        EllipseRow(l, t, r, b, y + 1, &d0, &d1);
        int64_t i0 = a0 + 1, i1 = a1 - 1;
        if (u0 >= u1 || d0 >= d1) {
            i0 = i1 = a0;
        } else {
            i0 = std::max({i0, u0, d0});
            i1 = std::min({i1, u1, d1});
        }
        if (i0 >= i1) {
            gdi::FillRow(s, static_cast<int>(y), a0, a1, pen);
        } else {
            if (hasBrush) gdi::FillRow(s, static_cast<int>(y), i0, i1, brush);
            gdi::FillRow(s, static_cast<int>(y), a0, i0, pen);
            gdi::FillRow(s, static_cast<int>(y), i1, a1, pen);
        }
    }
    return TRUE;
}

BOOL CDC::Polygon(const POINT* lpPoints, int nCount) {
    if (nCount < 2) return FALSE;
    return PolyPolygon(lpPoints, &nCount, 1);
}

BOOL CDC::PolyPolygon(const POINT* lpPoints, const int* lpPolyCounts, int nCount) {
    if (!m_hDC || nCount < 0 || (nCount > 0 && !lpPolyCounts)) return FALSE;
    int64_t total = 0;
    for (int i = 0; i < nCount; ++i) {
        if (lpPolyCounts[i] < 0) return FALSE;
        total += lpPolyCounts[i];
    }
    if (total > 0 && !lpPoints) return FALSE;
    if (!m_pSurface) return TRUE;
    gdi::Surface& s = *m_pSurface;
    uint32_t px;
    if (BrushPixel(m_pBrush, &px)) {
        gdi::FillSink sink(s, px);
        gdi::RasterizePolyPolygon(lpPoints, lpPolyCounts, nCount, m_nPolyFillMode, 0, s.Height(), sink);
    }
    if (PenPixel(m_pPen, &px)) {
        const POINT* poly = lpPoints;
        for (int i = 0; i < nCount; ++i) {
            const int n = lpPolyCounts[i];
            for (int j = 0; j < n && n >= 2; ++j) {
                const POINT& a = poly[j];
                const POINT& b = poly[j + 1 < n ? j + 1 : 0];
                gdi::DrawLine(s, a.x, a.y, b.x, b.y, px);
            }
            poly += n;
        }
    }
    return TRUE;
}
