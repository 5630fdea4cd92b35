// Outline renderers: what they share (attachment, copies, caches, extent, drawing by region fill) and
// the drift and clay maths on hand-made outlines.
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kinetype/kterdefault.h"
#include "outlinefixture.h"

using namespace kttest;

namespace {

class OutlineShared : public OutlineTest {
protected:
    std::vector<CKTComponent*> Listeners(int nEvent) {
        std::vector<CKTComponent*> v;
        for (POSITION pos = m_pBook->GetFirstListenerPosition(nEvent); pos;) v.push_back(m_pBook->GetNextListener(nEvent, pos));
        return v;
    }
    // Paints the book on a white window surface.
    void Paint() {
        m_wnd.GetPaintDC()->FillSolidRect(0, 0, 640, 480, RGB(255, 255, 255));
        m_pBook->Draw(m_wnd.GetPaintDC());
    }
    COLORREF At(int x, int y) { return m_wnd.GetPaintDC()->GetPixel(x, y); }
};

// The six outline renderers, made fresh.
struct Kind {
    const char* name;
    int nType;
    std::function<CKTElementRenderer*()> make;
};
const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"drift", 11, [] { return new CKTERDrift; }},  {"clay", 10, [] { return new CKTERClay; }},
        {"pull", 4, [] { return new CKTERPull; }},     {"pulse", 5, [] { return new CKTERPulse; }},
        {"lens", 3, [] { return new CKTERLens; }},     {"particle", 2, [] { return new CKTERParticle; }},
    };
    return kinds;
}

// ---- attachment, copies, registration ----------------------------------------------------------------

TEST_F(OutlineShared, AGlyphRegistersDrawThenPreStepAWordOnlyHandsOutCopies) {
    for (const Kind& k : Kinds()) {
        SCOPED_TRACE(k.name);
        CKTWord* pWord = NewWord("ab");
        m_pPassage->AppendChild(pWord, FALSE);
        CKTElementRenderer* pWordRenderer = k.make();
        ASSERT_TRUE(pWord->SetRenderer(pWordRenderer, TRUE));
        EXPECT_EQ(pWordRenderer->GetType(), k.nType);
        EXPECT_TRUE(pWordRenderer->AllowsChildRenderers());
        EXPECT_FALSE(pWordRenderer->IsRegistered(EV_DRAW));
        EXPECT_FALSE(pWordRenderer->IsRegistered(EV_PRESTEP));
        std::vector<CKTComponent*> want;
        for (int i = 0; i < 2; i++) {
            CKTElementRenderer* g = GlyphOf(pWord, i)->GetRenderer();
            ASSERT_NE(g, pWordRenderer);
            EXPECT_EQ(g->GetRuntimeClass(), pWordRenderer->GetRuntimeClass());
            EXPECT_EQ(g->GetElement(), GlyphOf(pWord, i));
            want.push_back(g);
        }
        EXPECT_EQ(Listeners(EV_DRAW), want);
        EXPECT_EQ(Listeners(EV_PRESTEP), want);
        EXPECT_TRUE(Listeners(EV_STEP).empty());

        // Detaching leaves both lists and keeps the element.
        CKTElementRenderer* g0 = GlyphOf(pWord, 0)->GetRenderer();
        g0->SetElement(nullptr, TRUE);
        EXPECT_FALSE(g0->IsRegistered(EV_DRAW));
        EXPECT_FALSE(g0->IsRegistered(EV_PRESTEP));
        EXPECT_EQ(g0->GetElement(), GlyphOf(pWord, 0));
        delete pWord;
        EXPECT_TRUE(Listeners(EV_DRAW).empty());
        EXPECT_TRUE(Listeners(EV_PRESTEP).empty());
    }
}

TEST_F(OutlineShared, CopiesKeepTheParametersTheyWereMadeWith) {
    CKTWord* pWord = NewWord("xy");
    m_pPassage->AppendChild(pWord, FALSE);
    auto* pDrift = new CKTERDrift;
    pDrift->m_fMouseStrength = 3;
    pDrift->m_fMouseFalloff = 4;
    pDrift->m_fOriginStrength = 5;
    pDrift->m_fFriction = 0.5f;
    ASSERT_TRUE(pWord->SetRenderer(pDrift, TRUE));
    pDrift->m_fMouseStrength = 99;  // later changes do not reach the copies
    pDrift->m_fFriction = 0.9f;
    for (int i = 0; i < 2; i++) {
        auto* g = static_cast<CKTERDrift*>(GlyphOf(pWord, i)->GetRenderer());
        EXPECT_EQ(g->m_fMouseStrength, 3);
        EXPECT_EQ(g->m_fMouseFalloff, 4);
        EXPECT_EQ(g->m_fOriginStrength, 5);
        EXPECT_EQ(g->m_fFriction, 0.5f);
        EXPECT_EQ(g->GetOutline().m_nPoints, g->GetRestOutline().m_nPoints);
    }

    // Each class copies its own parameters, and only those.
    auto* pClay = new CKTERClay;
    pClay->m_fMouseStrength = 1, pClay->m_fMouseFalloff = 2, pClay->m_fOriginStrength = 3;
    std::unique_ptr<CKTERClay> clay(static_cast<CKTERClay*>(pClay->Clone()));
    EXPECT_EQ(clay->m_fMouseStrength, 1);
    EXPECT_EQ(clay->m_fMouseFalloff, 2);
    EXPECT_EQ(clay->m_fOriginStrength, 3);
    delete pClay;
    CKTERPull pull;
    pull.m_fMouseStrength = 7, pull.m_fMouseFalloff = 8, pull.m_fOriginStrength = 9, pull.m_bPulled = 1;
    std::unique_ptr<CKTERPull> pullCopy(static_cast<CKTERPull*>(pull.Clone()));
    EXPECT_EQ(pullCopy->m_fMouseStrength, 7);
    EXPECT_EQ(pullCopy->m_fMouseFalloff, 8);
    EXPECT_EQ(pullCopy->m_fOriginStrength, 9);
    EXPECT_EQ(pullCopy->m_bPulled, 0);
    CKTERPulse pulse;
    pulse.m_fPeriod = 4, pulse.m_fScale = 6, pulse.m_fDistortion = 0.5f;
    std::unique_ptr<CKTERPulse> pulseCopy(static_cast<CKTERPulse*>(pulse.Clone()));
    EXPECT_EQ(pulseCopy->m_fPeriod, 4);
    EXPECT_EQ(pulseCopy->m_fScale, 6);
    EXPECT_EQ(pulseCopy->m_fDistortion, 0.5f);
    CKTERLens lens;
    lens.m_fMagnification = 2, lens.m_fFalloff = 3;
    std::unique_ptr<CKTERLens> lensCopy(static_cast<CKTERLens*>(lens.Clone()));
    EXPECT_EQ(lensCopy->m_fMagnification, 2);
    EXPECT_EQ(lensCopy->m_fFalloff, 3);
}

TEST_F(OutlineShared, StartValues) {
    CKTERDrift drift;
    EXPECT_EQ(drift.m_fMouseStrength, 10.0f);
    EXPECT_EQ(drift.m_fMouseFalloff, 10.0f);
    EXPECT_EQ(drift.m_fOriginStrength, 0.15f);
    EXPECT_EQ(drift.m_fFriction, 0.02f);
    EXPECT_EQ(drift.GetPointSize(), 12);
    EXPECT_EQ(drift.GetColor(), 0u);
    EXPECT_EQ(drift.GetChar(), 0);
    EXPECT_FALSE(drift.IsOutlineValid());
    EXPECT_EQ(drift.GetVelocities(), nullptr);
    CKTERClay clay;
    EXPECT_EQ(clay.m_fMouseStrength, 10.0f);
    EXPECT_EQ(clay.m_fOriginStrength, 0.15f);
    CKTERPull pull;
    EXPECT_EQ(pull.m_fMouseStrength, 400.0f);
    EXPECT_EQ(pull.m_fMouseFalloff, 25.0f);
    EXPECT_EQ(pull.m_fOriginStrength, 2.0f);
    EXPECT_FALSE(pull.IsPulled());
    CKTERPulse pulse;
    EXPECT_EQ(pulse.m_fPeriod, 10.0f);
    EXPECT_EQ(pulse.m_fScale, 5.0f);
    EXPECT_EQ(pulse.m_fDistortion, 0.1f);
    EXPECT_EQ(pulse.GetFrame(), 0);
    CKTERLens lens;
    EXPECT_EQ(lens.m_fMagnification, 1.0f);
    EXPECT_EQ(lens.m_fFalloff, 20.0f);
    CKTERParticle particle;
    EXPECT_TRUE(particle.GetParticles().IsEmpty());
    // Only the pull renderer answers the pulled question, from its flag.
    pull.m_bPulled = 1;
    EXPECT_TRUE(pull.IsPulled());
    EXPECT_FALSE(drift.IsPulled());
    CKTERDefault def;
    EXPECT_FALSE(def.IsPulled());
}

// ---- caches ----------------------------------------------------------------------------------------

TEST_F(OutlineShared, SetColorKeepsTheDeformationSetCharStartsFromRest) {
    TDrift* r = Glyph(new TDrift, 'H');
    MouseInGlyph(10, -20);
    r->OnPreStep();  // builds from the font
    ASSERT_GT(r->GetRestOutline().m_nPoints, 0);
    MouseInGlyph(30, -10);
    r->OnPreStep();  // a motion shoves the vertices
    auto Same = [](const CKTFloatGlyphRegion& a, const CKTFloatGlyphRegion& b) {
        if (a.m_nPoints != b.m_nPoints) return false;
        for (int i = 0; i < a.m_nPoints; i++)
            if (a.m_pPoints[i].x != b.m_pPoints[i].x || a.m_pPoints[i].y != b.m_pPoints[i].y) return false;
        return true;
    };
    ASSERT_FALSE(Same(r->GetOutline(), r->GetRestOutline()));
    const CKTFloatGlyphRegion deformed = r->GetOutline();
    r->GetElement()->SetColor(RGB(1, 2, 3));
    EXPECT_TRUE(r->IsOutlineValid());
    EXPECT_TRUE(Same(r->GetOutline(), deformed));
    EXPECT_EQ(r->GetColor(), RGB(1, 2, 3));

    static_cast<CKTGlyph*>(r->GetElement())->SetChar('I');
    EXPECT_FALSE(r->IsOutlineValid());
    r->OnPreStep();  // rebuilt, mouse still: nothing moves away from rest
    EXPECT_TRUE(Same(r->GetOutline(), r->GetRestOutline()));
    for (int i = 0; i < 2 * r->GetOutline().m_nPoints; i++) EXPECT_EQ(r->Velocities()[i], 0.0f);
}

TEST_F(OutlineShared, TheExtentFollowsTheDeformedShapeAndPreStepsMarkTheBounds) {
    TClay* r = Glyph(new TClay, 'H');
    CKTElement* g = r->GetElement();
    const CRect rest = g->GetBounds();
    EXPECT_EQ(rest, RegionBox(CKTGlyphRegion(r->GetRestOutline())));
    m_pBook->OnLButtonDown(CPoint());
    MouseInGlyph(5, -10);
    r->OnPreStep();
    MouseInGlyph(45, -10);
    r->OnPreStep();
    EXPECT_FALSE(r->IsExtentValid());
    const CRect moved = g->GetBounds();
    EXPECT_EQ(moved, RegionBox(CKTGlyphRegion(r->GetOutline())));
    EXPECT_GT(moved.right, rest.right);
    EXPECT_TRUE(r->IsExtentValid());
}

TEST_F(OutlineShared, ASpaceHasTheMetricsBoxAndDrawsNothing) {
    for (const Kind& k : Kinds()) {
        SCOPED_TRACE(k.name);
        CKTElementRenderer* r = Glyph(k.make(), ' ');
        EXPECT_EQ(r->GetElement()->GetBounds(), ExpectedExtent(MemDC(), Font(), ' '));
        m_pBook->SetRunState(1);
        m_pBook->Step();
        m_pBook->SetRunState(0);
        r->GetElement()->MoveBy(100, 0);  // where no other glyph is drawn
        Paint();
        for (int y = 150; y < 230; y++)
            for (int x = 180; x < 260; x++) ASSERT_EQ(At(x, y), RGB(255, 255, 255)) << x << "," << y;
        delete r->GetElement();
    }
}

TEST_F(OutlineShared, DrawFillsTheWorkingOutlineAtTheGlyphsPoint) {
    // Filled regions without a pen: exactly the region's pixels, moved to the glyph's point; a line
    // break's outline (the font's missing glyph) is drawn too.
    for (char c : {'H', '\r'}) {
        SCOPED_TRACE(static_cast<int>(c));
        TDrift* r = Glyph(new TDrift, c);
        r->GetElement()->SetColor(RGB(200, 0, 0));
        Paint();
        CKTGlyphRegion outline(r->GetOutline());
        ASSERT_GT(outline.m_nPoints, 0);
        CRgn rgn;
        ASSERT_TRUE(rgn.CreatePolyPolygonRgn(outline.m_pPoints, outline.m_pPolyCounts, outline.m_nPolys, WINDING));
        int n = 0;
        for (int y = 120; y < 240; y++)
            for (int x = 80; x < 200; x++) {
                const bool inside = rgn.PtInRegion(x - m_ptOrigin.x, y - m_ptOrigin.y) != 0;
                ASSERT_EQ(At(x, y), inside ? RGB(200, 0, 0) : RGB(255, 255, 255)) << x << "," << y;
                n += inside;
            }
        EXPECT_GT(n, 50);
        delete r->GetElement();
    }
}

// Round letters overshoot the x-height and the baseline by a fraction of the em that hinting turns
// into a row of its own: an outline drawn at rest must keep that row, top and bottom, and the glyph's
// bounds (which the selection frame is drawn around) must hold all of it.
TEST_F(OutlineShared, RoundLettersAtRestKeepTheRowsTheDefaultRendererInks) {
    struct Softtype {
        const char* name;
        std::function<CKTElementRenderer*()> make;
        bool bBoundsHoldInk;  // a plain region fill; the pulse renderer's pen draws one row beyond its box
    };
    const Softtype softtypes[] = {
        {"drift", [] { return new CKTERDrift; }, true}, {"clay", [] { return new CKTERClay; }, true},
        {"pull", [] { return new CKTERPull; }, true},   {"pulse", [] { return new CKTERPulse; }, false},
        {"lens", [] { return new CKTERLens; }, true},
    };
    // The first and one past the last row holding ink, in the area around the glyph's point.
    const auto inkRows = [this]() {
        int top = INT_MAX, bottom = INT_MIN;
        for (int y = 100; y < 260; y++)
            for (int x = 90; x < 190; x++)
                if (At(x, y) != RGB(255, 255, 255)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y + 1);
                }
        return std::make_pair(top, bottom);
    };
    const auto paintAlone = [&](CKTElementRenderer* p, char c, const LOGFONT& lf) {
        CKTGlyph* g = new CKTGlyph;
        g->SetFont(lf);
        g->SetChar(c);
        m_pWord->AppendChild(g, FALSE);
        EXPECT_TRUE(g->SetRenderer(p, TRUE));
        Paint();
        const auto rows = inkRows();
        const CRect bounds = g->GetAbsoluteBounds();
        delete g;
        return std::make_pair(rows, bounds);
    };
    for (const char* face : {"DejaVu Sans", "DejaVu Serif"})
        for (LONG lfHeight : {120L, 240L, 480L})
            for (char c : std::string("ocaesg")) {
                const LOGFONT lf = Font(lfHeight, face);
                const auto plain = paintAlone(new CKTERDefault, c, lf).first;
                ASSERT_LT(plain.first, plain.second);
                for (const Softtype& s : softtypes) {
                    SCOPED_TRACE(std::string(face) + " " + std::to_string(lfHeight) + " '" + c + "' " + s.name);
                    const auto [rows, bounds] = paintAlone(s.make(), c, lf);
                    EXPECT_LE(rows.first, plain.first);
                    EXPECT_GE(rows.second, plain.second);
                    if (s.bBoundsHoldInk) {
                        EXPECT_LE(bounds.top, rows.first);
                        EXPECT_GE(bounds.bottom, rows.second);
                    }
                }
            }
}

TEST_F(OutlineShared, AGlyphOffScreenDrawsNothingButStillDeforms) {
    m_pPassage->MoveBy(2000, 0);
    TDrift* r = Glyph(new TDrift, 'H');
    m_pBook->SetRunState(1);
    Mouse(2110, 180);
    Paint();  // stops at the visibility test
    m_pBook->Step();
    ASSERT_GT(r->GetRestOutline().m_nPoints, 0);
    Mouse(2140, 180);
    m_pBook->Step();
    double moved = 0;
    for (int i = 0; i < r->GetOutline().m_nPoints; i++)
        moved += std::fabs(r->GetOutline().m_pPoints[i].x - r->GetRestOutline().m_pPoints[i].x);
    EXPECT_GT(moved, 1.0);
    for (int y = 0; y < 480; y += 3)
        for (int x = 0; x < 640; x += 3) ASSERT_EQ(At(x, y), RGB(255, 255, 255));
}

// ---- drift ------------------------------------------------------------------------------------------

// Drift with a still mouse: no pull within 0.25 pixel of rest, a pull of exactly S beyond it.
TEST_F(OutlineShared, DriftWithAStillMousePullsBackOnlyBeyondAQuarterPixel) {
    TDrift* r = Glyph(new TDrift);
    r->InstallOutline(FloatOutline(Square()));
    struct Case {
        float ux, uy;
        bool pulled;
    } cases[] = {{0.2f, 0.0f, false}, {0.25f, 0.0f, false}, {0.0f, -0.26f, true}, {3.0f, -4.0f, true}};
    for (int i = 0; i < 4; i++) {
        r->Work().m_pPoints[i].x += cases[i].ux;
        r->Work().m_pPoints[i].y += cases[i].uy;
    }
    const CKTFloatGlyphRegion before = r->GetOutline();
    MouseInGlyph(400, 250);
    r->OnPreStep();  // the first pre-step sees no motion
    const double S = 0.15f, D = 0.02f;
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        const CKTFloatPoint c0 = before.m_pPoints[i], c1 = r->GetOutline().m_pPoints[i];
        const double mx = c1.x - c0.x, my = c1.y - c0.y;
        if (!cases[i].pulled) {
            EXPECT_EQ(mx, 0.0);
            EXPECT_EQ(my, 0.0);
            EXPECT_EQ(r->Velocities()[2 * i], 0.0f);
            continue;
        }
        // A step of length S straight back towards rest; the velocity keeps 1 - D of it.
        EXPECT_NEAR(std::sqrt(mx * mx + my * my), S, 1e-6);
        const double e = std::hypot(cases[i].ux, cases[i].uy);
        EXPECT_NEAR(mx, -S * cases[i].ux / e, 1e-6);
        EXPECT_NEAR(my, -S * cases[i].uy / e, 1e-6);
        EXPECT_NEAR(r->Velocities()[2 * i], mx * (1 - D), 1e-6);
        EXPECT_NEAR(r->Velocities()[2 * i + 1], my * (1 - D), 1e-6);
    }
}

TEST_F(OutlineShared, DriftOneMotionThenTheVelocityDecays) {
    TDrift* r = Glyph(new TDrift);
    r->m_fOriginStrength = 0;  // the velocity alone
    r->m_fFriction = 0.25f;
    r->InstallOutline(FloatOutline(TwoSquares()));
    const CKTFloatGlyphRegion rest = r->GetRestOutline();
    MouseInGlyph(40, -30);
    r->OnPreStep();
    MouseInGlyph(46, -22);  // a motion of (6, 8)
    r->OnPreStep();
    std::vector<double> vx(8), vy(8), cx(8), cy(8);
    for (int i = 0; i < 8; i++) {
        SCOPED_TRACE(i);
        // The weight from the distance between the mouse and the vertex at rest.
        const double d = std::hypot(46.0 - rest.m_pPoints[i].x, -22.0 - rest.m_pPoints[i].y);
        const double k = 10.0 / (10.0 + d);
        cx[i] = r->GetOutline().m_pPoints[i].x;
        cy[i] = r->GetOutline().m_pPoints[i].y;
        EXPECT_NEAR(cx[i] - rest.m_pPoints[i].x, k * 6, 1e-5);
        EXPECT_NEAR(cy[i] - rest.m_pPoints[i].y, k * 8, 1e-5);
        vx[i] = r->Velocities()[2 * i];
        vy[i] = r->Velocities()[2 * i + 1];
        EXPECT_NEAR(vx[i], k * 6 * 0.75, 1e-5);
        EXPECT_NEAR(vy[i], k * 8 * 0.75, 1e-5);
    }
    for (int step = 0; step < 3; step++) {  // the mouse stays: each step moves by v, then v *= 1 - D
        r->OnPreStep();
        for (int i = 0; i < 8; i++) {
            const float nx = static_cast<float>(cx[i] + vx[i]), ny = static_cast<float>(cy[i] + vy[i]);
            EXPECT_EQ(r->GetOutline().m_pPoints[i].x, nx);
            EXPECT_EQ(r->GetOutline().m_pPoints[i].y, ny);
            cx[i] = nx, cy[i] = ny;
            vx[i] = static_cast<float>(vx[i] * (1 - 0.25f));
            vy[i] = static_cast<float>(vy[i] * (1 - 0.25f));
            EXPECT_EQ(r->Velocities()[2 * i], static_cast<float>(vx[i]));
            EXPECT_EQ(r->Velocities()[2 * i + 1], static_cast<float>(vy[i]));
        }
    }
}

// ---- clay -------------------------------------------------------------------------------------------

TEST_F(OutlineShared, ClayChangesOnlyWhileTheButtonIsHeld) {
    TClay* r = Glyph(new TClay);
    r->InstallOutline(FloatOutline(Square()));
    r->Work().m_pPoints[2].x += 5;  // one vertex off rest
    const CKTFloatGlyphRegion start = r->GetOutline();
    auto SameAs = [&](const CKTFloatGlyphRegion& a) {
        for (int i = 0; i < 4; i++)
            if (r->GetOutline().m_pPoints[i].x != a.m_pPoints[i].x || r->GetOutline().m_pPoints[i].y != a.m_pPoints[i].y)
                return false;
        return true;
    };
    // Button up: nothing changes, however the mouse moves.
    for (int i = 0; i < 5; i++) {
        MouseInGlyph(i * 7, -i * 3);
        r->OnPreStep();
    }
    EXPECT_TRUE(SameAs(start));
    // Pressed after those moves: the first pre-step sees no motion; vertices at rest get no pull, the
    // other steps S back (and would overshoot when closer than S).
    m_pBook->OnLButtonDown(CPoint());
    r->OnPreStep();
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(r->GetOutline().m_pPoints[i].x, start.m_pPoints[i].x);
        EXPECT_EQ(r->GetOutline().m_pPoints[i].y, start.m_pPoints[i].y);
    }
    EXPECT_EQ(r->GetOutline().m_pPoints[2].x, static_cast<float>(15.0 - 0.15f));
    EXPECT_EQ(r->GetOutline().m_pPoints[2].y, 10.0f);
    // A motion moves every vertex by its weight times the motion, without velocity.
    const CKTFloatGlyphRegion before = r->GetOutline();
    MouseInGlyph(28 + 3, -12 - 4);
    r->OnPreStep();
    for (int i : {0, 1, 3}) {
        const double d = std::hypot(31.0 - before.m_pPoints[i].x, -16.0 - before.m_pPoints[i].y);
        EXPECT_NEAR(r->GetOutline().m_pPoints[i].x - before.m_pPoints[i].x, 10 / (10 + d) * 3, 1e-5);
        EXPECT_NEAR(r->GetOutline().m_pPoints[i].y - before.m_pPoints[i].y, 10 / (10 + d) * -4, 1e-5);
    }
    // Released: the shape freezes.
    m_pBook->OnLButtonUp(CPoint());
    const CKTFloatGlyphRegion frozen = r->GetOutline();
    MouseInGlyph(0, 0);
    r->OnPreStep();
    EXPECT_TRUE(SameAs(frozen));
}

// ---- no step where the step has no value -------------------------------------------------------------

TEST_F(OutlineShared, DriftAndClayLeaveAVertexWhoseWeightHasNoValue) {
    // The mouse ends 5 pixels above vertex 0 with a falloff of -5: B + d = 0 there.
    {
        TDrift* r = Glyph(new TDrift);
        r->m_fMouseFalloff = -5;
        r->InstallOutline(FloatOutline(Square()));
        MouseInGlyph(0, -9);
        r->OnPreStep();
        r->Velocities()[0] = 1.5f;
        r->Velocities()[1] = -0.5f;
        const float v0x = r->Velocities()[0], v0y = r->Velocities()[1];
        const CKTFloatPoint c0 = r->GetOutline().m_pPoints[0];
        const CKTFloatPoint c1 = r->GetOutline().m_pPoints[1];
        MouseInGlyph(0, -5);
        r->OnPreStep();
        EXPECT_EQ(r->GetOutline().m_pPoints[0].x, c0.x);
        EXPECT_EQ(r->GetOutline().m_pPoints[0].y, c0.y);
        EXPECT_EQ(r->Velocities()[0], v0x);  // velocity as it was: no friction either
        EXPECT_EQ(r->Velocities()[1], v0y);
        EXPECT_NE(r->GetOutline().m_pPoints[1].y, c1.y);  // the others move
        EXPECT_TRUE(IsFiniteWithin(r->GetOutline(), CKTEROutline::kVertexLimit));
        delete r->GetElement();
    }
    {
        TClay* r = Glyph(new TClay);
        r->m_fMouseFalloff = -5;
        r->InstallOutline(FloatOutline(Square()));
        m_pBook->OnLButtonDown(CPoint());
        MouseInGlyph(0, -9);
        r->OnPreStep();
        MouseInGlyph(0, -5);
        r->OnPreStep();
        EXPECT_EQ(r->GetOutline().m_pPoints[0].x, 0.0f);
        EXPECT_EQ(r->GetOutline().m_pPoints[0].y, 0.0f);
        EXPECT_NE(r->GetOutline().m_pPoints[1].y, 0.0f);
        EXPECT_TRUE(IsFiniteWithin(r->GetOutline(), CKTEROutline::kVertexLimit));
    }
}

}  // namespace
