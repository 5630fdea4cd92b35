// Pull, pulse and lens renderers on hand-made outlines.
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

#include "outlinefixture.h"

using namespace kttest;

namespace {

typedef OutlineTest OutlineMouse;

// ---- pull --------------------------------------------------------------------------------------------

TEST_F(OutlineMouse, PullFarAwaySettlesWithoutBeingPulled) {
    TPull* r = Glyph(new TPull);
    r->InstallOutline(FloatOutline(Square()));
    MouseInGlyph(300, 250);  // more than 175 pixels from every vertex
    for (int step = 0; step < 6; step++) {
        r->OnPreStep();
        EXPECT_FALSE(r->IsPulled()) << step;
        for (int i = 0; i < 4; i++) {
            const double dx = r->GetOutline().m_pPoints[i].x - r->GetRestOutline().m_pPoints[i].x;
            const double dy = r->GetOutline().m_pPoints[i].y - r->GetRestOutline().m_pPoints[i].y;
            // Jitters across rest: a vertex beyond rest gets the return step and the mouse's on top.
            EXPECT_LE(std::hypot(dx, dy), 3.0) << step;
        }
    }
}

TEST_F(OutlineMouse, PullNearTheMouseStretchesAndIsPulledFromTheSecondStep) {
    TPull* r = Glyph(new TPull);
    r->InstallOutline(FloatOutline(Square()));
    MouseInGlyph(25, 5);
    r->OnPreStep();
    // From rest: a step of length A / (B + d) straight towards the mouse; nothing is off rest yet.
    for (int i = 0; i < 4; i++) {
        const CKTFloatPoint c = r->GetRestOutline().m_pPoints[i];
        const double wx = 25 - c.x, wy = 5 - c.y, d = std::hypot(wx, wy), k = 400 / (25 + d);
        EXPECT_NEAR(r->GetOutline().m_pPoints[i].x - c.x, wx / d * k, 1e-5) << i;
        EXPECT_NEAR(r->GetOutline().m_pPoints[i].y - c.y, wy / d * k, 1e-5) << i;
    }
    EXPECT_FALSE(r->IsPulled());
    r->OnPreStep();
    EXPECT_TRUE(r->IsPulled());
    EXPECT_EQ(r->m_bPulled, 1);
}

TEST_F(OutlineMouse, PullWithAllParametersZeroNeverMoves) {
    TPull* r = Glyph(new TPull);
    r->m_fMouseStrength = r->m_fMouseFalloff = r->m_fOriginStrength = 0;
    r->InstallOutline(FloatOutline(TwoSquares()));
    for (int step = 0; step < 3; step++) {
        MouseInGlyph(step * 11, 3);  // once right on vertex 0
        r->OnPreStep();
    }
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(r->GetOutline().m_pPoints[i].x, r->GetRestOutline().m_pPoints[i].x);
        EXPECT_EQ(r->GetOutline().m_pPoints[i].y, r->GetRestOutline().m_pPoints[i].y);
    }
    EXPECT_FALSE(r->IsPulled());
}

TEST_F(OutlineMouse, PullLeavesAVertexUnderTheMouseOrWithoutAWeight) {
    // The mouse on vertex 0; the other vertices are far, so none of them counts as pulled.
    {
        TPull* r = Glyph(new TPull);
        r->InstallOutline(FloatOutline({{{0, 0}, {400, 0}, {0, 400}}}));
        MouseInGlyph(0, 0);
        for (int step = 0; step < 3; step++) {
            r->OnPreStep();
            EXPECT_EQ(r->GetOutline().m_pPoints[0].x, 0.0f);
            EXPECT_EQ(r->GetOutline().m_pPoints[0].y, 0.0f);
            EXPECT_FALSE(r->IsPulled());
        }
        EXPECT_LT(r->GetOutline().m_pPoints[1].x, 400.0f);  // the others step
        delete r->GetElement();
    }
    // A falloff of -5 with the mouse 5 pixels below vertex 3: B + d = 0 there.
    {
        TPull* r = Glyph(new TPull);
        r->m_fMouseFalloff = -5;
        r->InstallOutline(FloatOutline(Square()));
        MouseInGlyph(0, 15);
        r->OnPreStep();
        EXPECT_EQ(r->GetOutline().m_pPoints[3].x, 0.0f);
        EXPECT_EQ(r->GetOutline().m_pPoints[3].y, 10.0f);
        EXPECT_TRUE(IsFiniteWithin(r->GetOutline(), CKTEROutline::kVertexLimit));
    }
}

// ---- pulse -------------------------------------------------------------------------------------------

TEST_F(OutlineMouse, PulseScalesAboutTheRestCentre) {
    struct Case {
        const char* name;
        float scale, distortion;
        int frame;
    } cases[] = {
        {"scale 0: at rest", 0.0f, 0.1f, 3},
        {"frame 0: half the swing", 5.0f, 0.1f, 0},
        {"frame 3 of 10", 5.0f, 0.1f, 3},
        {"no distortion", 2.0f, 0.0f, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TPulse* r = Glyph(new TPulse);
        r->m_fScale = k.scale;
        r->m_fDistortion = k.distortion;
        r->InstallOutline(FloatOutline(Square()));
        for (int i = 0; i < k.frame; i++) r->Draw();
        ASSERT_EQ(r->GetFrame(), k.frame);
        MouseInGlyph(5, -20);
        r->OnPreStep();
        EXPECT_EQ(r->GetCenter(), CPoint(5, 5));
        const double swing = std::sin(2.0 * k.frame * 3.14159 / 10.0) * k.scale + k.scale;
        for (int i = 0; i < 4; i++) {
            const CKTFloatPoint c = r->GetRestOutline().m_pPoints[i];
            const double wx = 5 - c.x, wy = -20 - c.y, d = std::sqrt(wx * wx + wy * wy);
            const float s = static_cast<float>(swing / (static_cast<double>(k.distortion) * d + 1) + 1);
            EXPECT_EQ(r->GetOutline().m_pPoints[i].x, static_cast<float>(5 + s * (c.x - 5.0))) << i;
            EXPECT_EQ(r->GetOutline().m_pPoints[i].y, static_cast<float>(5 + s * (c.y - 5.0))) << i;
            if (k.scale == 0) {
                EXPECT_EQ(r->GetOutline().m_pPoints[i].x, c.x);
            }
        }
        delete r->GetElement();
    }
}

TEST_F(OutlineMouse, PulseCentreTruncatesTowardZero) {
    // Rest outlines whose boxes are (10, -20, 20, -1) and (-3, -1, 0, 2): the halved sums -21 and -3
    // truncate toward zero.
    struct Case {
        FloatPolys rect;
        CRect box;
        CPoint centre;
    } cases[] = {
        {{{{10, -20}, {20, -20}, {20, -1}, {10, -1}}}, CRect(10, -20, 20, -1), CPoint(15, -10)},
        {{{{-3, -1}, {0, -1}, {0, 2}, {-3, 2}}}, CRect(-3, -1, 0, 2), CPoint(-1, 0)},
    };
    for (const Case& k : cases) {
        TPulse* r = Glyph(new TPulse);
        r->InstallOutline(FloatOutline(k.rect));
        r->OnPreStep();
        ASSERT_EQ(RegionBox(CKTGlyphRegion(r->GetRestOutline())), k.box);
        EXPECT_EQ(r->GetCenter(), k.centre);
        delete r->GetElement();
    }
}

TEST_F(OutlineMouse, PulseLeavesAVertexWhoseScaleHasNoValueAtRest) {
    TPulse* r = Glyph(new TPulse);
    r->m_fDistortion = -0.25f;  // K d + 1 = 0 for the vertex 4 pixels from the mouse
    r->InstallOutline(FloatOutline(Square()));
    MouseInGlyph(0, -4);
    r->OnPreStep();
    EXPECT_EQ(r->GetOutline().m_pPoints[0].x, 0.0f);
    EXPECT_EQ(r->GetOutline().m_pPoints[0].y, 0.0f);
    EXPECT_NE(r->GetOutline().m_pPoints[2].x, 10.0f);
    EXPECT_TRUE(IsFiniteWithin(r->GetOutline(), CKTEROutline::kVertexLimit));
}

TEST_F(OutlineMouse, PulseCountsEveryDrawCallAndWraps) {
    CKTERPulse alone;  // no element
    alone.Draw();
    alone.Draw();
    EXPECT_EQ(alone.GetFrame(), 2);
    m_pPassage->MoveBy(5000, 0);  // off screen
    TPulse* r = Glyph(new TPulse, 'H');
    r->Draw();
    EXPECT_EQ(r->GetFrame(), 1);
    m_pBook->Draw(m_wnd.GetPaintDC());  // through the book too
    EXPECT_EQ(r->GetFrame(), 2);

    // A stored INT_MAX wraps to INT_MIN at the next draw, and the phase stays a number.
    kttest::ByteWriter w;
    w.newClass("CKTERPulse").u32(5).u16(0).u32(0).u32(0).u32(0).u32(0).u32(INT_MAX);
    for (float f : {10.0f, 5.0f, 0.1f}) {
        DWORD bits;
        std::memcpy(&bits, &f, 4);
        w.u32(bits);
    }
    std::unique_ptr<CKTERPulse> loaded(static_cast<CKTERPulse*>(kttest::LoadObject(w.b, RUNTIME_CLASS(CKTERPulse))));
    ASSERT_EQ(loaded->GetFrame(), INT_MAX);
    loaded->Draw();
    EXPECT_EQ(loaded->GetFrame(), INT_MIN);
}

TEST_F(OutlineMouse, PulseDrawsFilledWithADarkOutline) {
    m_wnd.GetPaintDC()->FillSolidRect(0, 0, 640, 480, RGB(255, 255, 255));
    CKTGlyph* g = NewGlyph('H', 480);
    m_pWord->AppendChild(g, FALSE);
    g->SetColor(RGB(0, 200, 0));
    g->SetRenderer(new CKTERPulse, TRUE);
    m_pBook->Draw(m_wnd.GetPaintDC());
    int nPen = 0, nFill = 0;
    for (int y = 100; y < 240; y++)
        for (int x = 90; x < 200; x++) {
            const COLORREF c = m_wnd.GetPaintDC()->GetPixel(x, y);
            nPen += c == CKTERPulse::kPenColor;
            nFill += c == RGB(0, 200, 0);
        }
    EXPECT_GT(nPen, 100);
    EXPECT_GT(nFill, 100);
}

// ---- lens --------------------------------------------------------------------------------------------

TEST_F(OutlineMouse, LensPushesVerticesAwayFromTheMouse) {
    struct Case {
        const char* name;
        float G, F;
        POINT vertex;
        CPoint mouse;
        POINT want;
    } cases[] = {
        {"the worked example", 1.0f, 20.0f, {12, 0}, CPoint(2, 0), {30, 0}},
        {"one pixel right of the mouse: 10.5 truncated", 1.0f, 20.0f, {1, 0}, CPoint(0, 0), {11, 0}},
        {"at the mouse point", 1.0f, 20.0f, {4, -6}, CPoint(4, -6), {4, -6}},
        {"F = 1: G pixels at any distance", 3.0f, 1.0f, {0, -7}, CPoint(0, 0), {0, -10}},
        {"F = 1, far", 3.0f, 1.0f, {-90, 0}, CPoint(10, 0), {-93, 0}},
        {"G = 0: at rest", 0.0f, 20.0f, {7, 9}, CPoint(0, 0), {7, 9}},
        {"(-0.9, 0.9) truncates to nothing", 1.27f, 1.0f, {-5, 5}, CPoint(0, 0), {-5, 5}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TLens* r = Glyph(new TLens);
        r->m_fMagnification = k.G;
        r->m_fFalloff = k.F;
        r->InstallOutline(IntOutline({{k.vertex, {300, 300}, {300, 301}}}));
        MouseInGlyph(k.mouse.x, k.mouse.y);
        r->OnPreStep();
        EXPECT_EQ(r->GetOutline().m_pPoints[0].x, k.want.x);
        EXPECT_EQ(r->GetOutline().m_pPoints[0].y, k.want.y);
        EXPECT_EQ(r->GetRestOutline().m_pPoints[0].x, k.vertex.x);  // recomputed from rest each time
        r->OnPreStep();
        EXPECT_EQ(r->GetOutline().m_pPoints[0].x, k.want.x);
        delete r->GetElement();
    }
}

TEST_F(OutlineMouse, LensFreezesWhileTheBookIsStopped) {
    TLens* r = Glyph(new TLens, 'H');
    m_pBook->SetRunState(1);
    MouseInGlyph(3, -5);
    m_pBook->Step();
    const CKTGlyphRegion shape = r->GetOutline();
    m_pBook->SetRunState(0);
    MouseInGlyph(40, 0);
    m_pBook->Step();
    m_pBook->Draw(m_wnd.GetPaintDC());
    for (int i = 0; i < shape.m_nPoints; i++) EXPECT_EQ(r->GetOutline().m_pPoints[i].x, shape.m_pPoints[i].x);
    EXPECT_EQ(r->GetElement()->GetBounds(), RegionBox(shape));
}

}  // namespace
