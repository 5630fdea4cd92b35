// The particle renderer: emission, the draw order of the random numbers, reflection off the edge chain,
// the crossing test and degenerate outlines.
#include <cmath>
#include <set>
#include <utility>

#include "outlinefixture.h"

using namespace kttest;

namespace {

const IntPolys kSquare20 = {{{0, 0}, {20, 0}, {20, 20}, {0, 20}}};

// One particle at pos with velocity v, moved once inside an outline: where it ends and how it flies.
struct Move {
    const char* name;
    CKTVector pos, v, wantPos, wantV;
};

class Particles : public OutlineTest {
protected:
    void ExpectMove(const IntPolys& outline, const Move& k) {
        SCOPED_TRACE(k.name);
        TParticle* r = Glyph(new TParticle);
        r->InstallOutline(MemDC(), IntOutline(outline));
        CKTParticle* p = r->Only(k.pos, k.v);
        r->MoveParticles(MemDC());
        EXPECT_NEAR(p->m_vPosition.x, k.wantPos.x, 1e-9);
        EXPECT_NEAR(p->m_vPosition.y, k.wantPos.y, 1e-9);
        EXPECT_NEAR(p->m_vVelocity.x, k.wantV.x, 1e-9);
        EXPECT_NEAR(p->m_vVelocity.y, k.wantV.y, 1e-9);
        EXPECT_EQ(p->m_vPrevPosition, k.pos);
        delete r->GetElement();
    }
};

TEST_F(Particles, AHundredInsideTheNewOutlineAfterSetChar) {
    CKTERParticle* r = Glyph(new CKTERParticle, 'B');
    static_cast<CKTGlyph*>(r->GetElement())->SetChar('g');
    EXPECT_FALSE(r->IsOutlineValid());
    m_pBook->SetRunState(1);
    m_pBook->Step();
    EXPECT_EQ(r->GetChar(), 'g');
    EXPECT_EQ(r->GetEmitted(), 100);
    ASSERT_EQ(r->GetParticles().GetCount(), 100);
    CRgn rgn;
    const CKTGlyphRegion& o = r->GetOutline();
    ASSERT_TRUE(rgn.CreatePolyPolygonRgn(o.m_pPoints, o.m_pPolyCounts, o.m_nPolys, WINDING));
    // A step later each particle has moved once; the test looks at where they were emitted.
    static_cast<CKTGlyph*>(r->GetElement())->SetChar('g');
    m_pBook->Draw(m_wnd.GetPaintDC());  // a draw builds too
    ASSERT_EQ(r->GetParticles().GetCount(), 100);
    for (POSITION pos = r->GetParticles().GetHeadPosition(); pos;) {
        const CKTParticle* p = r->GetParticles().GetNext(pos);
        EXPECT_TRUE(rgn.PtInRegion(static_cast<int>(p->m_vPosition.x), static_cast<int>(p->m_vPosition.y)));
        const double speed = p->m_vVelocity.Length();
        EXPECT_GE(speed, 10.0 - 1e-9);
        EXPECT_LE(speed, 50.0 + 1e-9);
        EXPECT_EQ(p->m_vAcceleration, CKTVector(0, 0, 0));
        EXPECT_EQ(p->m_vPosition.z, 0.0);
    }
    // The extent is the undeformed outline's box.
    EXPECT_EQ(r->GetElement()->GetBounds(), RegionBox(o));
}

TEST_F(Particles, EmissionDrawsDirectionYThenXThenSpeedThenPositionXThenY) {
    TParticle* r = Glyph(new TParticle);
    crt::reset_rand();
    r->InstallOutline(MemDC(), IntOutline(kSquare20));  // every sample of its box lies inside
    crt::reset_rand();
    const double y = crt::rand() / 32767.0 * 2 - 1;
    const double x = crt::rand() / 32767.0 * 2 - 1;
    const double speed = crt::rand() / 32767.0 * 40.0 + 10.0;
    const double px = crt::rand() / 32767.0 * 20;
    const double py = crt::rand() / 32767.0 * 20;
    const double len = std::sqrt(x * x + y * y);
    const CKTParticle* p = r->GetParticles().GetHead();
    EXPECT_NEAR(p->m_vVelocity.x, x / len * speed, 1e-12);
    EXPECT_NEAR(p->m_vVelocity.y, y / len * speed, 1e-12);
    EXPECT_DOUBLE_EQ(p->m_vPosition.x, px);
    EXPECT_DOUBLE_EQ(p->m_vPosition.y, py);
}

TEST_F(Particles, ReflectionOffTheCrossedEdge) {
    const Move moves[] = {
        {"inside: a straight step", {5, 5, 0}, {20, 0, 0}, {6, 5, 0}, {20, 0, 0}},
        {"across the right edge: the normal component reverses", {19, 10, 0}, {40, 20, 0}, {17, 11, 0}, {-40, 20, 0}},
        {"still outside after the reflection: reversed too", {19.9, 18.8, 0}, {8, 36, 0}, {19.5, 20.6, 0}, {8, -36, 0}},
        {"outside without crossing an edge: reversed, stays out", {21, 10, 0}, {20, 0, 0}, {22, 10, 0}, {-20, 0, 0}},
        {"ends on the edge's line: no direction, reversed", {19, 10, 0}, {20, 0, 0}, {20, 10, 0}, {-20, 0, 0}},
    };
    // The same square with a repeated vertex: its zero-length edge changes nothing.
    for (const IntPolys& outline : {kSquare20, IntPolys{{{0, 0}, {20, 0}, {20, 0}, {20, 20}, {0, 20}}}})
        for (const Move& k : moves) ExpectMove(outline, k);
}

TEST_F(Particles, TheEdgeChainSkipsTheClosingEdgesBetweenPolygons) {
    // Two squares: the chain runs A0-A1-A2-A3-B0-B1-B2-B3-A0, so A's left edge is not in it.
    const IntPolys two = {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{20, 0}, {30, 0}, {30, 10}, {20, 10}}};
    ExpectMove(two, {"A's right edge is in the chain: reflected", {9.5, 2, 0}, {40, 0, 0}, {7.5, 2, 0}, {-40, 0, 0}});
    ExpectMove(two, {"A's left edge is not: reversed outside", {0.5, 2, 0}, {-40, 0, 0}, {-1.5, 2, 0}, {40, 0, 0}});
}

TEST_F(Particles, CrossingTest) {
    struct Case {
        const char* name;
        CKTVector p1, p2, p3, p4;
        BOOL want;
    } cases[] = {
        {"an X", {0, 0, 0}, {10, 10, 0}, {0, 10, 0}, {10, 0, 0}, TRUE},
        {"parallel apart", {0, 0, 0}, {10, 0, 0}, {0, 5, 0}, {10, 5, 0}, FALSE},
        {"one short of the other", {0, 0, 0}, {4, 4, 0}, {0, 10, 0}, {10, 0, 0}, FALSE},
        {"an end point on the other", {0, 0, 0}, {5, 5, 0}, {0, 10, 0}, {10, 0, 0}, TRUE},
        {"collinear, overlapping", {0, 0, 0}, {10, 0, 0}, {5, 0, 0}, {15, 0, 0}, TRUE},
        {"collinear, apart: still counted", {0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}, TRUE},
        // The points tested are truncated: 2.9 counts as 2, left of the line x = 2.7.
        {"truncated points, exact lines", {0, 0, 0}, {2.9, 0, 0}, {2.7, -1, 0}, {2.7, 1, 0}, FALSE},
        {"the same without fractions", {0, 0, 0}, {3, 0, 0}, {2.7, -1, 0}, {2.7, 1, 0}, TRUE},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(CKTERParticle::LinesIntersect(k.p1, k.p2, k.p3, k.p4), k.want) << k.name;
    }
}

TEST_F(Particles, CopiesScatterTheirOwnParticles) {
    CKTWord* pWord = NewWord("oo");
    m_pPassage->AppendChild(pWord, FALSE);
    pWord->SetRenderer(new CKTERParticle, TRUE);
    m_pBook->Draw(m_wnd.GetPaintDC());
    std::set<std::pair<double, double>> seen;
    for (int i = 0; i < 2; i++) {
        auto* r = static_cast<CKTERParticle*>(GlyphOf(pWord, i)->GetRenderer());
        ASSERT_EQ(r->GetParticles().GetCount(), 100);
        for (POSITION pos = r->GetParticles().GetHeadPosition(); pos;) {
            const CKTParticle* p = r->GetParticles().GetNext(pos);
            seen.insert({p->m_vVelocity.x, p->m_vVelocity.y});
        }
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST_F(Particles, AnOutlineWithoutAreaEmitsNothingAndStillCountsTheAttempts) {
    TParticle* r = Glyph(new TParticle);
    r->GetElement()->SetColor(RGB(0, 0, 255));
    r->InstallOutline(MemDC(), IntOutline({{{0, 0}, {5, 5}, {10, 10}}, {{3, 3}, {3, 3}, {3, 3}}}));
    EXPECT_EQ(r->GetEmitted(), 100);
    EXPECT_TRUE(r->GetParticles().IsEmpty());
    m_pBook->SetRunState(1);
    m_pBook->Step();
    m_pBook->Draw(m_wnd.GetPaintDC());
    EXPECT_TRUE(r->GetParticles().IsEmpty());
}

TEST_F(Particles, ParticlesMoveOnlyWhileTheBookRuns) {
    CKTERParticle* r = Glyph(new CKTERParticle, 'O');
    m_pBook->Draw(m_wnd.GetPaintDC());
    const CKTVector first = r->GetParticles().GetHead()->m_vPosition;
    m_pBook->Step();  // stopped
    EXPECT_EQ(r->GetParticles().GetHead()->m_vPosition, first);
    m_pBook->SetRunState(1);
    m_pBook->Step();
    EXPECT_FALSE(r->GetParticles().GetHead()->m_vPosition == first);
}

}  // namespace
