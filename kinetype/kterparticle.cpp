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
    DeleteParticles();
    m_nEmitted = 0;
    m_bExtentValid = 0;
    GetExtent(pDC);
    if (m_outline.m_nPoints > 0)
        for (int i = m_nEmitted; i < m_nParticleCount; i++) EmitParticle();
}

void CKTERParticle::EmitParticle() {
    if (m_outline.m_nPoints > 0) {
        CRgn rgn;
        if (rgn.CreatePolyPolygonRgn(m_outline.m_pPoints, m_outline.m_pPolyCounts, m_outline.m_nPolys, WINDING)) {
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
                bInside = rgn.PtInRegion(TruncToInt(p->m_vPosition.x), TruncToInt(p->m_vPosition.y));
            }
            if (bInside) m_particles.AddTail(p);
            else delete p;  // a region without pixels: nothing to emit into
        }
    }
    m_nEmitted++;
}

CRect CKTERParticle::GetExtent(CDC* pDC) {
    if (m_bExtentValid) return m_rcExtent;
    if (m_cChar != ' ') {
        if (pDC) {
            BuildOutline(pDC);
            if (m_outline.m_nPoints > 0) GetOutlineBox(m_outline, &m_rcExtent);
        }
    } else if (pDC) {
        SetSpaceExtent(pDC);
    }
    m_bExtentValid = 1;
    InvalidateElementBounds();
    return m_rcExtent;
}

void CKTERParticle::OnPreStep() {
    CKTBook* pBook = GetBook();
    CDC* pDC = pBook ? pBook->GetCurrentDC() : nullptr;
    ASSERT(pDC != nullptr);
    if (!pDC) return;
    if (!m_bOutlineValid) BuildOutline(pDC);
    if (m_outline.m_nPoints > 0) MoveParticles(pDC);
}

void CKTERParticle::MoveParticles(CDC* pDC) {
    BuildOutline(pDC);
    if (m_outline.m_nPoints == 0) return;
    CRgn rgn;
    const BOOL bRegion =
        rgn.CreatePolyPolygonRgn(m_outline.m_pPoints, m_outline.m_pPolyCounts, m_outline.m_nPolys, WINDING);
    const int nPoints = m_outline.m_nPoints;
    for (POSITION pos = m_particles.GetHeadPosition(); pos;) {
        CKTParticle* p = m_particles.GetNext(pos);
        p->m_vVelocity += p->m_vAcceleration * kDt;
        const CKTVector vOld = p->m_vPosition;
        p->SetPosition(p->m_vPosition + p->m_vVelocity * kDt);
        if (!bRegion || rgn.PtInRegion(TruncToInt(p->m_vPosition.x), TruncToInt(p->m_vPosition.y))) continue;

        // Outside: the nearest crossed edge of the chain, by the perpendicular from its line.
        double dBest = kNoEdge;
        CKTVector vNormal;
        for (int i = 0; i < nPoints; i++) {
            const CKTVector a = VertexOf(m_outline.m_pPoints[i]);
            const CKTVector b = VertexOf(m_outline.m_pPoints[i + 1 < nPoints ? i + 1 : 0]);
            const CKTVector e = b - a;
            const double ee = e.Dot2D(e);
            if (ee == 0.0) continue;  // a zero-length edge has no line
            if (!LinesIntersect(vOld, p->m_vPosition, a, b)) continue;
            const CKTVector q = p->m_vPosition - a;
            const double t = q.Dot2D(e) / ee;
            const CKTVector n(q.x - t * e.x, q.y - t * e.y, 0.0);
            const double dist = n.Length();
            if (dist == 0.0) continue;  // on the edge's line: no direction to reflect in
            if (dist < dBest) {
                dBest = dist;
                vNormal = n;
            }
        }
        if (dBest == kNoEdge) {
            p->m_vVelocity = -p->m_vVelocity;
            continue;
        }
        vNormal /= vNormal.Length();
        p->m_vVelocity = p->m_vVelocity - vNormal * (2 * vNormal.Dot2D(p->m_vVelocity));
        p->m_vPosition = vOld + p->m_vVelocity * kDt;
        if (!rgn.PtInRegion(TruncToInt(p->m_vPosition.x), TruncToInt(p->m_vPosition.y))) p->m_vVelocity = -p->m_vVelocity;
    }
}

BOOL CKTERParticle::LinesIntersect(CKTVector p1, CKTVector p2, CKTVector p3, CKTVector p4) {
    const double a1 = p2.y - p1.y, b1 = p1.x - p2.x, c1 = p2.x * p1.y - p1.x * p2.y;
    const double r3 = a1 * std::trunc(p3.x) + b1 * std::trunc(p3.y) + c1;
    const double r4 = a1 * std::trunc(p4.x) + b1 * std::trunc(p4.y) + c1;
    if (r3 != 0 && r4 != 0 && r3 * r4 >= 0) return FALSE;
    const double a2 = p4.y - p3.y, b2 = p3.x - p4.x, c2 = p4.x * p3.y - p3.x * p4.y;
    const double r1 = a2 * std::trunc(p1.x) + b2 * std::trunc(p1.y) + c2;
    const double r2 = a2 * std::trunc(p2.x) + b2 * std::trunc(p2.y) + c2;
    if (r1 != 0 && r2 != 0 && r1 * r2 >= 0) return FALSE;
    return TRUE;
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
