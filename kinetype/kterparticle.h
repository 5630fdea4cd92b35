// CKTERParticle (type 2, "particle"): a glyph drawn as 100 single pixels that fly about inside its
// outline and bounce off its edges. Building the outline scatters the particles at random points inside
// it (random direction, speed 10 to 50); every pre-step moves each one by 0.05 of its velocity, and a
// particle that leaves the outline is reflected off the outline edge it crossed (nearest to its new
// position), or sent back when it crossed none. Nothing of the shape is drawn but the particles.
//
// The outline is never deformed, so the extent is the box of its region. Particles use the process's
// rand() sequence: direction y then x, then the speed, then sample positions x then y.
//
// Edges are taken from the vertex list as one chain, ignoring polygon boundaries: vertex i to i + 1,
// and only the very last vertex back to vertex 0. Edges of length 0, and crossed edges on whose line
// the particle lies (no direction to reflect in), are passed over.
//
// Emission samples the extent box until a point lands inside the outline's region, at most
// kMaxEmitSamples times; an outline whose region holds no pixel emits nothing, and every attempt still
// counts in m_nEmitted.
//
// Stored form: the renderer base part only; a loaded glyph gets new random particles.
#pragma once

#include <memory>
#include <vector>

#include "kinetype/kteroutline.h"
#include "kinetype/ktparticle.h"
#include "platform/afx/afxcoll.h"
#include "platform/gdi/dc.h"

class CKTERParticle : public CKTEROutline {
    DECLARE_SERIAL(CKTERParticle)

public:
    static constexpr int kMaxEmitSamples = 1000;

    CKTERParticle();
    ~CKTERParticle() override;

    // A new particle renderer (it scatters its own particles).
    CKTElementRenderer* Clone() override;
    // Builds the outline and a fresh set of particles; nothing while valid.
    void BuildOutline(CDC* pDC);
    // Event 0: one pixel per particle in the element's colour, when the glyph lies in the client area.
    void Draw() override;
    // Event 3, while the book runs: builds when needed, then moves the particles.
    void OnPreStep() override;
    void Serialize(CArchive& ar) override;

    // Adds one particle inside the outline (see the top of the file).
    void EmitParticle();
    // Moves every particle one step, reflecting those that leave the outline.
    void MoveParticles(CDC* pDC);
    // Whether the segment p1-p2 crosses the segment p3-p4 (x and y only): unless one segment lies
    // strictly on one side of the other's line. The lines' coefficients use the coordinates as given,
    // the points tested against them are truncated toward zero. Collinear overlapping segments cross.
    static BOOL LinesIntersect(CKTVector p1, CKTVector p2, CKTVector p3, CKTVector p4);

    const CKTGlyphRegion& GetOutline() const { return m_outline; }
    const CTypedPtrList<CObList, CKTParticle*>& GetParticles() const { return m_particles; }
    int GetEmitted() const { return m_nEmitted; }

protected:
    // Builds when needed, then the box of the outline's region (particles never widen it).
    void MeasureOutline(CDC* pDC) override;
    // Makes outline the glyph's outline as if built on pDC, and scatters new particles in it.
    void InstallOutline(CDC* pDC, const CKTGlyphRegion& outline);
    void DeleteParticles();

    int m_nEmitted;        // emission attempts since the last build
    int m_nParticleCount;  // particles emitted per build: 100
    CKTGlyphRegion m_outline;
    CTypedPtrList<CObList, CKTParticle*> m_particles;  // owned, in emission order

private:
    // A segment for the crossing test: its line's coefficients from the coordinates as given, and its
    // end points truncated toward zero.
    struct Segment {
        double a, b, c;         // a x + b y + c = 0 through both ends
        double x0, y0, x1, y1;  // the ends, truncated
    };
    // An edge of the chain: its segment and its direction x1 - x0, y1 - y0 with that length squared.
    struct Edge {
        Segment s;
        double ex, ey, ee;
    };
    static Segment MakeSegment(const CKTVector& p, const CKTVector& q);
    static bool Crosses(const Segment& path, const Segment& edge);

    // Built with the outline, never deformed: its region (NULL when none could be made) and its edge
    // chain.
    std::unique_ptr<CRgn> m_pRegion;
    std::vector<Edge> m_edges;
};
