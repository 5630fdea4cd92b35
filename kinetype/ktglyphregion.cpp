#include "kinetype/ktglyphregion.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "platform/crt/crt.h"
#include "platform/gdi/dc.h"

int FixedToInt(FIXED f) { return f.value + (f.fract >= 0x8000 ? 1 : 0); }

float FixedToFloat(FIXED f) { return static_cast<float>(f.value + f.fract / 65535.0); }

namespace {

// Walks the complete contours of a GGO_NATIVE buffer that fit the capacity: for each, point() gets the
// header's start point and then every record's points in order, and poly() the contour's vertex count.
// A contour is checked whole before any of its points is handed out.
template <class PointFn, class PolyFn>
void WalkNativeOutline(const BYTE* data, size_t size, int maxPoints, int maxPolys, PointFn point, PolyFn poly) {
    size_t pos = 0;
    int points = 0, polys = 0;
    while (size - pos >= sizeof(TTPOLYGONHEADER)) {
        TTPOLYGONHEADER h;
        std::memcpy(&h, data + pos, sizeof h);
        if (h.dwType != TT_POLYGON_TYPE || h.cb < sizeof h || h.cb > size - pos) return;
        if (points >= maxPoints || polys >= maxPolys) return;  // checked at each contour's start

        const size_t end = pos + h.cb;
        int64_t count = 1;
        for (size_t r = pos + sizeof h; r < end;) {
            if (end - r < 4) return;  // a record header cut by the contour's end
            WORD cpfx;
            std::memcpy(&cpfx, data + r + 2, sizeof cpfx);
            const size_t bytes = 4 + sizeof(POINTFX) * size_t{cpfx};
            if (bytes > end - r) return;
            count += cpfx;
            r += bytes;
        }
        if (points + count > maxPoints) return;  // never record past the capacity

        point(h.pfxStart);
        for (size_t r = pos + sizeof h; r < end;) {
            WORD cpfx;
            std::memcpy(&cpfx, data + r + 2, sizeof cpfx);
            for (WORD i = 0; i < cpfx; ++i) {
                POINTFX p;
                std::memcpy(&p, data + r + 4 + sizeof(POINTFX) * i, sizeof p);
                point(p);
            }
            r += 4 + sizeof(POINTFX) * size_t{cpfx};
        }
        poly(static_cast<int>(count));
        points += static_cast<int>(count);
        ++polys;
        pos = end;
    }
}

template <class T>
T* CopyArray(const T* src, int n) {
    if (n <= 0 || !src) return nullptr;
    T* p = new T[n];
    std::memcpy(p, src, sizeof(T) * static_cast<size_t>(n));
    return p;
}

// Both classes have the same fields; only the vertex type and its conversion differ.
template <class Region>
void AssignRegion(Region& dst, const Region& src) {
    if (&dst == &src) return;
    delete[] dst.m_pPoints;
    delete[] dst.m_pPolyCounts;
    dst.m_cChar = src.m_cChar;
    dst.m_pPoints = CopyArray(src.m_pPoints, src.m_nPoints);
    dst.m_nPoints = dst.m_pPoints ? src.m_nPoints : 0;
    dst.m_pPolyCounts = CopyArray(src.m_pPolyCounts, src.m_nPolys);
    dst.m_nPolys = dst.m_pPolyCounts ? src.m_nPolys : 0;
}

template <class Region, class Vertex, class Convert>
int FillFromNative(Region& r, char cChar, const void* data, size_t cb, Convert convert) {
    delete[] r.m_pPoints;
    delete[] r.m_pPolyCounts;
    r.m_pPoints = nullptr;
    r.m_pPolyCounts = nullptr;
    r.m_nPoints = r.m_nPolys = 0;
    r.m_cChar = cChar;
    r.m_bBuilt = 1;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    if (!bytes) cb = 0;

    int nPoints = 0, nPolys = 0;
    WalkNativeOutline(bytes, cb, Region::kMaxPoints, Region::kMaxPolys, [&](const POINTFX&) { ++nPoints; },
                      [&](int) { ++nPolys; });
    if (nPolys == 0) return 0;
    r.m_pPoints = new Vertex[nPoints];
    r.m_pPolyCounts = new int[nPolys];
    int ip = 0, ic = 0;
    WalkNativeOutline(bytes, cb, Region::kMaxPoints, Region::kMaxPolys,
                      [&](const POINTFX& p) { r.m_pPoints[ip++] = convert(p); },
                      [&](int n) { r.m_pPolyCounts[ic++] = n; });
    r.m_nPoints = nPoints;
    r.m_nPolys = nPolys;
    return nPolys;
}

// Two queries, as the platform is asked: the size, then the data into a buffer of exactly that size.
template <class Region>
void BuildFromDC(Region& r, CDC* pDC, char cChar) {
    assert(pDC);
    r.m_cChar = cChar;
    if (!pDC) return;
    MAT2 mat{};
    mat.eM11.value = 1;
    mat.eM22.value = 1;
    GLYPHMETRICS gm;
    const UINT code = static_cast<unsigned char>(cChar);
    const DWORD size = pDC->GetGlyphOutline(code, GGO_NATIVE, &gm, 0, nullptr, &mat);
    if (size == GDI_ERROR || size == 0) return;
    std::unique_ptr<BYTE[]> buf(new (std::nothrow) BYTE[size]);
    if (!buf) return;
    const DWORD got = pDC->GetGlyphOutline(code, GGO_NATIVE, &gm, size, buf.get(), &mat);
    if (got == 0 || got == GDI_ERROR) {
        r.m_bBuilt = 1;
        return;
    }
    r.SetFromNativeOutline(cChar, buf.get(), got < size ? got : size);
}

// The nearest integer, halves going up: floor(v + 0.5) in double. For v >= -0.5 this is v + 0.5
// truncated toward zero; below that, truncation would move the vertex a whole pixel toward zero, and
// since y grows downward every point above the baseline would sink by a pixel and the outline would
// lose its top row (the rounded tops of c, o, e and s would come out flat). NaN and values out of the
// int range give what TruncToInt gives them.
int RoundHalfUp(float v) { return TruncToInt(std::floor(static_cast<double>(v) + 0.5)); }

POINT IntVertex(const POINTFX& p) {
    POINT v;
    v.x = FixedToInt(p.x);
    v.y = -FixedToInt(p.y);
    return v;
}

CKTFloatPoint FloatVertex(const POINTFX& p) {
    CKTFloatPoint v;
    v.x = FixedToFloat(p.x);
    v.y = static_cast<float>(0.0 - FixedToFloat(p.y));
    return v;
}

}  // namespace

// ---- CKTGlyphRegion -----------------------------------------------------------------------------

CKTGlyphRegion::CKTGlyphRegion()
    : m_cChar(0), m_pPoints(nullptr), m_pPolyCounts(nullptr), m_nPolys(0), m_nPoints(0), m_bBuilt(0) {}

CKTGlyphRegion::CKTGlyphRegion(CDC* pDC, char cChar) : CKTGlyphRegion() { BuildFromDC(*this, pDC, cChar); }

CKTGlyphRegion::CKTGlyphRegion(const CKTFloatGlyphRegion& src) : CKTGlyphRegion() {
    m_cChar = src.m_cChar;
    if (src.m_nPoints > 0 && src.m_pPoints) {
        m_pPoints = new POINT[src.m_nPoints];
        for (int i = 0; i < src.m_nPoints; ++i) {
            m_pPoints[i].x = RoundHalfUp(src.m_pPoints[i].x);
            m_pPoints[i].y = RoundHalfUp(src.m_pPoints[i].y);
        }
        m_nPoints = src.m_nPoints;
    }
    m_pPolyCounts = CopyArray(src.m_pPolyCounts, src.m_nPolys);
    m_nPolys = m_pPolyCounts ? src.m_nPolys : 0;
}

CKTGlyphRegion::CKTGlyphRegion(const CKTGlyphRegion& src) : CKTGlyphRegion() { *this = src; }

CKTGlyphRegion& CKTGlyphRegion::operator=(const CKTGlyphRegion& src) {
    AssignRegion(*this, src);
    return *this;
}

CKTGlyphRegion::~CKTGlyphRegion() {
    delete[] m_pPoints;
    delete[] m_pPolyCounts;
}

void CKTGlyphRegion::Offset(int dx, int dy) {
    for (int i = 0; i < m_nPoints; ++i) {
        m_pPoints[i].x += dx;
        m_pPoints[i].y += dy;
    }
}

int CKTGlyphRegion::SetFromNativeOutline(char cChar, const void* data, size_t cb) {
    return FillFromNative<CKTGlyphRegion, POINT>(*this, cChar, data, cb, IntVertex);
}

// ---- CKTFloatGlyphRegion ------------------------------------------------------------------------

CKTFloatGlyphRegion::CKTFloatGlyphRegion()
    : m_cChar(0), m_pPoints(nullptr), m_pPolyCounts(nullptr), m_nPolys(0), m_nPoints(0), m_bBuilt(0) {}

CKTFloatGlyphRegion::CKTFloatGlyphRegion(CDC* pDC, char cChar) : CKTFloatGlyphRegion() {
    BuildFromDC(*this, pDC, cChar);
}

CKTFloatGlyphRegion::CKTFloatGlyphRegion(const CKTFloatGlyphRegion& src) : CKTFloatGlyphRegion() { *this = src; }

CKTFloatGlyphRegion& CKTFloatGlyphRegion::operator=(const CKTFloatGlyphRegion& src) {
    AssignRegion(*this, src);
    return *this;
}

CKTFloatGlyphRegion::~CKTFloatGlyphRegion() {
    delete[] m_pPoints;
    delete[] m_pPolyCounts;
}

int CKTFloatGlyphRegion::SetFromNativeOutline(char cChar, const void* data, size_t cb) {
    return FillFromNative<CKTFloatGlyphRegion, CKTFloatPoint>(*this, cChar, data, cb, FloatVertex);
}
