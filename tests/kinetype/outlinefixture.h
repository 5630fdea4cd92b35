// Shared pieces of the outline renderers' tests: renderers that accept hand-made outlines and show
// their working state, outline builders, and a scene with one glyph at a known point.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kinetype/kterclay.h"
#include "kinetype/kterdrift.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "platform/crt/crt.h"
#include "kttesthelp.h"
#include "test_element_fixture.h"

namespace kttest {

typedef std::vector<std::vector<CKTFloatPoint>> FloatPolys;
typedef std::vector<std::vector<POINT>> IntPolys;

template <class TRegion, class TPoint>
TRegion MakeOutline(const std::vector<std::vector<TPoint>>& polys) {
    TRegion r;
    int n = 0;
    for (const auto& p : polys) n += static_cast<int>(p.size());
    r.m_nPolys = static_cast<int>(polys.size());
    r.m_nPoints = n;
    r.m_pPolyCounts = r.m_nPolys ? new int[r.m_nPolys] : nullptr;
    r.m_pPoints = n ? new TPoint[n] : nullptr;
    int k = 0;
    for (size_t i = 0; i < polys.size(); i++) {
        r.m_pPolyCounts[i] = static_cast<int>(polys[i].size());
        for (const TPoint& pt : polys[i]) r.m_pPoints[k++] = pt;
    }
    return r;
}
inline CKTFloatGlyphRegion FloatOutline(const FloatPolys& polys) { return MakeOutline<CKTFloatGlyphRegion>(polys); }
inline CKTGlyphRegion IntOutline(const IntPolys& polys) { return MakeOutline<CKTGlyphRegion>(polys); }

// A 10 x 10 square and a second square beside it, as float outlines.
inline FloatPolys Square() { return {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}}; }
inline FloatPolys TwoSquares() { return {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{20, 0}, {30, 0}, {30, 10}, {20, 10}}}; }

// The renderers with their hand-made outline seam and working state in reach.
template <class TBase>
class Exposed : public TBase {
public:
    using TBase::InstallOutline;
    auto& Work() { return this->m_outline; }
};
class TDrift : public Exposed<CKTERDrift> {
public:
    float* Velocities() { return m_pVelocities; }
};
typedef Exposed<CKTERClay> TClay;
typedef Exposed<CKTERPull> TPull;
typedef Exposed<CKTERPulse> TPulse;
typedef Exposed<CKTERLens> TLens;
class TParticle : public Exposed<CKTERParticle> {
public:
    CTypedPtrList<CObList, CKTParticle*>& Particles() { return m_particles; }
    // Replaces the particles by one at pos with velocity v.
    CKTParticle* Only(CKTVector pos, CKTVector v) {
        DeleteParticles();
        auto* p = new CKTParticle;
        p->m_vPosition = pos;
        p->m_vVelocity = v;
        m_particles.AddTail(p);
        return p;
    }
};

// A book with a 640 x 480 window and one passage at m_ptOrigin holding one word; glyphs added with a
// renderer sit at known points.
class OutlineTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        crt::reset_rand();
        m_pPassage = AddPassage();
        m_pPassage->MoveBy(m_ptOrigin.x, m_ptOrigin.y);
        m_pWord = new CKTWord;
        m_pWord->SetFont(Font());
        m_pPassage->AppendChild(m_pWord, FALSE);
    }
    // A glyph of character c at the word's origin (the passage's point) drawn by p.
    template <class T>
    T* Glyph(T* p, char c = 'o') {
        CKTGlyph* g = NewGlyph(c);
        m_pWord->AppendChild(g, FALSE);
        EXPECT_TRUE(g->SetRenderer(p, TRUE));
        return p;
    }
    void Mouse(int x, int y) { m_pBook->OnMouseMove(CPoint(x, y)); }
    // The mouse at (x, y) in glyph coordinates.
    void MouseInGlyph(int x, int y) { Mouse(m_ptOrigin.x + x, m_ptOrigin.y + y); }

    CPoint m_ptOrigin{100, 200};
    CKTPassage* m_pPassage = nullptr;
    CKTWord* m_pWord = nullptr;
};

inline bool IsFiniteWithin(const CKTFloatGlyphRegion& r, double limit) {
    for (int i = 0; i < r.m_nPoints; i++)
        if (!(std::fabs(r.m_pPoints[i].x) <= limit && std::fabs(r.m_pPoints[i].y) <= limit)) return false;
    return true;
}

// The box of an integer outline's region, as the renderers measure it.
inline CRect RegionBox(const CKTGlyphRegion& r) {
    CRgn rgn;
    EXPECT_TRUE(rgn.CreatePolyPolygonRgn(r.m_pPoints, r.m_pPolyCounts, r.m_nPolys, WINDING));
    RECT rc{0, 0, 0, 0};
    rgn.GetRgnBox(&rc);
    return CRect(rc);
}

}  // namespace kttest
