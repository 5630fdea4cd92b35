#include "platform/gdi/fontoutline.h"

#include <cstring>

namespace gdi {

FIXED Fixed26_6ToFixed(int32_t v) {
    constexpr int64_t kMin = int64_t{-32768} * 65536;
    constexpr int64_t kMax = int64_t{32767} * 65536 + 65535;
    int64_t f = int64_t{v} * 1024;
    if (f < kMin) f = kMin;
    if (f > kMax) f = kMax;
    FIXED r;
    r.fract = static_cast<WORD>(f & 0xFFFF);
    r.value = static_cast<SHORT>(f >> 16);
    return r;
}

namespace {

POINTFX ToPointFx(int32_t x, int32_t y) {
    POINTFX p;
    p.x = Fixed26_6ToFixed(x);
    p.y = Fixed26_6ToFixed(y);
    return p;
}

// Writes one contour's records. A record stays open while points of its kind follow; a spline record
// is ended by the on-curve point that closes it.
class ContourWriter {
public:
    ContourWriter(std::vector<BYTE>& out, POINTFX start) : m_out(out), m_header(out.size()) {
        TTPOLYGONHEADER h{};
        h.dwType = TT_POLYGON_TYPE;
        h.pfxStart = start;
        Append(&h, sizeof h);
    }

    void OnPoint(POINTFX p) {
        if (m_type == TT_PRIM_QSPLINE || m_type == TT_PRIM_CSPLINE) {
            AppendPoint(p);
            m_type = 0;  // the spline is complete; the next point starts a new record
        } else {
            Point(TT_PRIM_LINE, p);
        }
    }
    void ControlPoint(WORD type, POINTFX p) { Point(type, p); }

    void Finish() {
        DWORD cb = static_cast<DWORD>(m_out.size() - m_header);
        std::memcpy(m_out.data() + m_header, &cb, sizeof cb);
    }

private:
    void Point(WORD type, POINTFX p) {
        if (m_type != type) {
            m_type = type;
            m_record = m_out.size();
            WORD head[2] = {type, 0};
            Append(head, sizeof head);
        }
        AppendPoint(p);
    }
    void AppendPoint(POINTFX p) {
        Append(&p, sizeof p);
        WORD cpfx;
        std::memcpy(&cpfx, m_out.data() + m_record + 2, sizeof cpfx);
        ++cpfx;
        std::memcpy(m_out.data() + m_record + 2, &cpfx, sizeof cpfx);
    }
    void Append(const void* p, size_t n) {
        const BYTE* b = static_cast<const BYTE*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }

    std::vector<BYTE>& m_out;
    size_t m_header;
    size_t m_record = 0;
    WORD m_type = 0;  // kind of the open record, 0 for none
};

}  // namespace

void EncodeNativeOutline(const std::vector<OutlinePoint>& points, const std::vector<int>& contourEnds,
                         std::vector<BYTE>& out) {
    int first = 0;
    for (int last : contourEnds) {
        if (last < first || last >= static_cast<int>(points.size())) break;  // not increasing: stop
        const int n = last - first + 1;
        const OutlinePoint* c = points.data() + first;
        first = last + 1;
        if (n < 2) continue;

        int s = 0;
        while (s < n && c[s].kind != OutlinePoint::kOn) ++s;
        int32_t sx, sy;
        int begin, count;  // walk c[(begin + i) % n] for i in [0, count), then close on the start point
        if (s < n) {
            sx = c[s].x;
            sy = c[s].y;
            begin = s + 1;
            count = n - 1;
        } else {  // only control points: start halfway between the last and the first
            sx = static_cast<int32_t>((int64_t{c[0].x} + c[n - 1].x) / 2);
            sy = static_cast<int32_t>((int64_t{c[0].y} + c[n - 1].y) / 2);
            begin = 0;
            count = n;
        }
        const POINTFX start = ToPointFx(sx, sy);
        ContourWriter w(out, start);
        for (int i = 0; i < count; ++i) {
            const OutlinePoint& q = c[(begin + i) % n];
            POINTFX p = ToPointFx(q.x, q.y);
            switch (q.kind) {
            case OutlinePoint::kOn: w.OnPoint(p); break;
            case OutlinePoint::kConic: w.ControlPoint(TT_PRIM_QSPLINE, p); break;
            case OutlinePoint::kCubic: w.ControlPoint(TT_PRIM_CSPLINE, p); break;
            }
        }
        w.OnPoint(start);
        w.Finish();
    }
}

}  // namespace gdi
