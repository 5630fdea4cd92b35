#include "kinetype/kterparticle.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "platform/crt/crt.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(CKTERParticle, CKTEROutline, 0)

namespace {

constexpr double kDt = 0.05;
constexpr double kNoEdge = 500000.0;

inline CKTVector VertexOf(const POINT& p) { return CKTVector(p.x, p.y, 0.0); }
inline BOOL Inside(const CRgn& rgn, const CKTVector& v) { return rgn.PtInRegion(TruncToInt(v.x), TruncToInt(v.y)); }

}  // namespace

CKTERParticle::CKTERParticle() : CKTEROutline(RENDERER_PARTICLE), m_nEmitted(0), m_nParticleCount(100), m_particles(10) {}

CKTERParticle::~CKTERParticle() { DeleteParticles(); }

void CKTERParticle::DeleteParticles() {
    while (!m_particles.IsEmpty()) delete m_particles.RemoveHead();
}

CKTElementRenderer* CKTERParticle::Clone() { return new CKTERParticle; }

void CKTERParticle::BuildOutline(CDC* pDC) {
    if (m_bOutlineValid) return;
    CKTGlyphRegion outline;
    if (!ReadOutline(pDC, &outline)) return;
    InstallOutline(pDC, outline);
}

void CKTERParticle::InstallOutline(CDC* pDC, const CKTGlyphRegion& outline) {
    m_outline = outline;
    m_bOutlineValid = 1;
    m_pRegion = std::make_unique<CRgn>();
    if (!m_pRegion->CreatePolyPolygonRgn(m_outline.m_pPoints, m_outline.m_pPolyCounts, m_outline.m_nPolys, WINDING))
        m_pRegion.reset();
    // The chain of edges: vertex i to i + 1, and the last vertex back to vertex 0.
    m_edges.clear();
    for (int i = 0; i < m_outline.m_nPoints; i++) {
        const Segment s = MakeSegment(VertexOf(m_outline.m_pPoints[i]),
                                      VertexOf(m_outline.m_pPoints[i + 1 < m_outline.m_nPoints ? i + 1 : 0]));
        const double ex = s.x1 - s.x0, ey = s.y1 - s.y0;
        m_edges.push_back(Edge{s, ex, ey, ex * ex + ey * ey});
    }
    DeleteParticles();
    m_nEmitted = 0;
    m_bExtentValid = 0;
    GetExtent(pDC);
    if (m_outline.m_nPoints > 0)
        for (int i = m_nEmitted; i < m_nParticleCount; i++) EmitParticle();
}

void CKTERParticle::EmitParticle() {
    if (m_outline.m_nPoints > 0 && m_pRegion) {
        const CRect b = m_rcExtent;
        auto* p = new CKTParticle;
        p->m_vAcceleration = CKTVector(0.0, 0.0, 0.0);
        const double y = crt::rand() / 32767.0 * 2 - 1;
        const double x = crt::rand() / 32767.0 * 2 - 1;
        p->m_vVelocity = CKTVector(x, y, 0.0);
        p->m_vVelocity /= p->m_vVelocity.Length();
        p->m_vVelocity *= crt::rand() / 32767.0 * 40.0 + 10.0;
        bool bInside = false;
        for (int n = 0; n < kMaxEmitSamples && !bInside; n++) {
            p->m_vPosition.x = b.left + (crt::rand() / 32767.0) * b.Width();
            p->m_vPosition.y = b.top + (crt::rand() / 32767.0) * b.Height();
            bInside = Inside(*m_pRegion, p->m_vPosition);
        }
        if (bInside) m_particles.AddTail(p);
        else delete p;  // a region without pixels: nothing to emit into
    }
    m_nEmitted++;
}

void CKTERParticle::MeasureOutline(CDC* pDC) {
    BuildOutline(pDC);
    if (m_outline.m_nPoints > 0) GetOutlineBox(m_outline, &m_rcExtent);
}

void CKTERParticle::OnPreStep() {
    CKTBook* pBook = GetBook();
    CDC* pDC = pBook ? pBook->GetCurrentDC() : nullptr;
    ASSERT(pDC != nullptr);
    if (!pDC) return;
    if (!m_bOutlineValid) BuildOutline(pDC);
    if (m_outline.m_nPoints > 0) MoveParticles(pDC);
}

inline CKTERParticle::Segment CKTERParticle::MakeSegment(const CKTVector& p, const CKTVector& q) {
    return Segment{q.y - p.y, p.x - q.x, q.x * p.y - p.x * q.y, std::trunc(p.x), std::trunc(p.y), std::trunc(q.x), std::trunc(q.y)};
}

// Two segments cross unless one lies strictly on one side of the other's line.
inline bool CKTERParticle::Crosses(const Segment& s, const Segment& t) {
    const auto apart = [](double r0, double r1) { return r0 != 0 && r1 != 0 && r0 * r1 >= 0; };
    if (apart(t.a * s.x0 + t.b * s.y0 + t.c, t.a * s.x1 + t.b * s.y1 + t.c)) return false;
    return !apart(s.a * t.x0 + s.b * t.y0 + s.c, s.a * t.x1 + s.b * t.y1 + s.c);
}

void CKTERParticle::MoveParticles(CDC* pDC) {
    BuildOutline(pDC);
    if (m_outline.m_nPoints == 0) return;
    const CRgn* pRegion = m_pRegion.get();
    for (POSITION pos = m_particles.GetHeadPosition(); pos;) {
        CKTParticle* p = m_particles.GetNext(pos);
        // velocity += acceleration dt; position += velocity dt (component by component, inline).
        CKTVector& v = p->m_vVelocity;
        const CKTVector& a = p->m_vAcceleration;
        v.x += a.x * kDt, v.y += a.y * kDt, v.z += a.z * kDt;
        const CKTVector vOld = p->m_vPosition;
        p->SetPosition(CKTVector(vOld.x + v.x * kDt, vOld.y + v.y * kDt, vOld.z + v.z * kDt));
        if (!pRegion || Inside(*pRegion, p->m_vPosition)) continue;

        // Outside: the nearest crossed edge of the chain, by the perpendicular from its line to the
        // new position.
        const Segment path = MakeSegment(vOld, p->m_vPosition);
        const double px = p->m_vPosition.x, py = p->m_vPosition.y;
        double dBest = kNoEdge, nx = 0, ny = 0;
        for (const Edge& edge : m_edges) {
            if (edge.ee == 0.0) continue;  // a zero-length edge has no line
            if (!Crosses(path, edge.s)) continue;
            const double qx = px - edge.s.x0, qy = py - edge.s.y0;
            const double t = (qx * edge.ex + qy * edge.ey) / edge.ee;
            const double mx = qx - t * edge.ex, my = qy - t * edge.ey;
            const double dist = std::sqrt(mx * mx + my * my);
            if (dist == 0.0) continue;  // on the edge's line: no direction to reflect in
            if (dist < dBest) {
                dBest = dist;
                nx = mx;
                ny = my;
            }
        }
        if (dBest == kNoEdge) {
            p->m_vVelocity = -p->m_vVelocity;
            continue;
        }
        CKTVector vNormal(nx, ny, 0.0);
        vNormal /= vNormal.Length();
        p->m_vVelocity = p->m_vVelocity - vNormal * (2 * vNormal.Dot2D(p->m_vVelocity));
        p->m_vPosition = vOld + p->m_vVelocity * kDt;
        if (!Inside(*pRegion, p->m_vPosition)) p->m_vVelocity = -p->m_vVelocity;
    }
}

BOOL CKTERParticle::LinesIntersect(CKTVector p1, CKTVector p2, CKTVector p3, CKTVector p4) {
    return Crosses(MakeSegment(p1, p2), MakeSegment(p3, p4)) ? TRUE : FALSE;
}

void CKTERParticle::Draw() {
    CKTBook* pBook = GetBook();
    if (!m_pElement || !IsOnScreen(pBook)) return;
    CDC* pDC = pBook->GetCurrentDC();
    ASSERT(pDC != nullptr);
    if (!m_bOutlineValid && pDC) {
        BuildOutline(pDC);
        GetExtent(pDC);
    }
    if (!pDC) return;
    const CPoint pt = m_pElement->GetAbsolutePoint();
    for (POSITION pos = m_particles.GetHeadPosition(); pos;) {
        const CKTParticle* p = m_particles.GetNext(pos);
        const long long x = static_cast<long long>(pt.x) + TruncToInt(p->m_vPosition.x);
        const long long y = static_cast<long long>(pt.y) + TruncToInt(p->m_vPosition.y);
        if (x < INT_MIN || x > INT_MAX || y < INT_MIN || y > INT_MAX) continue;
        pDC->SetPixel(static_cast<int>(x), static_cast<int>(y), m_crColor);
    }
}

void CKTERParticle::Serialize(CArchive& ar) { CKTElementRenderer::Serialize(ar); }
