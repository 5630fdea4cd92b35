// Appearance behaviours: wave, throb, fade and focal fade, with the worked examples and the limits.
#include <climits>
#include <cmath>
#include <vector>

#include "effects/effectsfixture.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktfadebhvr.h"
#include "kinetype/ktfocalfade.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/ktwavebhvr.h"
#include "kinetype/test_element_fixture.h"

namespace {

class AppearanceTest : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        Book().SetRunState(1);
    }
};

}  // namespace

TEST_F(AppearanceTest, WaveSetsEachRelativeYOnTheCurve) {
    CKTWord* pWord = NewWord(NewPassage());
    std::vector<CKTGlyph*> g;
    for (int i = 0; i < 4; i++) g.push_back(NewGlyph(pWord, 12.0 * i, 3.0));
    CKTWaveBhvr* pWave = Add(new CKTWaveBhvr);
    for (CKTGlyph* p : g) pWave->AddElement(p);
    Book().Step();
    // sin(pi/2), sin(pi), sin(3 pi/2), sin(2 pi) with the constant 6.28318 instead of 2 pi.
    const double expected[] = {20.0, 0.0, -20.0, 0.0};
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(g[i]->GetRelativePosition().y, expected[i], 1e-3) << i;
        EXPECT_NE(g[i]->GetRelativePosition().y, expected[i]) << "the constant is not exactly 2 pi";
        EXPECT_EQ(g[i]->GetRelativePosition().x, 12.0 * i);
    }
    EXPECT_EQ(pWave->GetPhase(), 0.1);
    // Set outright: a vertical move of its own is overridden at the next step.
    g[0]->MoveBy(CKTVector(0, 50, 0));
    Book().Step();
    EXPECT_NEAR(g[0]->GetRelativePosition().y, 20.0 * std::cos(0.1), 1e-4);   // sin(pi/2 + 0.1)
    EXPECT_NEAR(g[2]->GetRelativePosition().y, -20.0 * std::cos(0.1), 1e-4);  // sin(3 pi/2 + 0.1)
    // Without elements the phase still moves.
    for (CKTGlyph* p : g) pWave->RemoveElement(p);
    Book().Step();
    EXPECT_NEAR(pWave->GetPhase(), 0.3, 1e-12);
}

TEST_F(AppearanceTest, ThrobGrowsGeometricallyAndTurnsAtTheLimits) {
    CKTGlyph* g = LoneGlyph(0, 0);
    g->SetFontSize(24);
    CKTThrobBhvr* pThrob = Add(new CKTThrobBhvr);
    ASSERT_TRUE(pThrob->AddElement(g));
    CKTIntBhvrProp* pSaved = CKTIntBhvrProp::Cast(g->GetProp(PROP_SAVED_SIZE));
    ASSERT_NE(pSaved, nullptr);
    EXPECT_EQ(pSaved->GetValue(), 24);
    struct Row {
        int nStep;
        int nSize;  // 24 x the scale, truncated
    } rows[] = {
        {1, 25},   // 24 x 1.05 = 25.2
        {2, 26},   // 24 x 1.1025 = 26.46
        {14, 47},  // 24 x 1.05^14 = 47.52
        {15, 48},  // 1.05^15 = 2.08 is clamped to 2.0
        {16, 45},  // then 0.95: 24 x 1.9 = 45.6
        {17, 43},  // 24 x 1.805 = 43.32
    };
    int nDone = 0;
    for (const Row& row : rows) {
        Steps(row.nStep - nDone);
        nDone = row.nStep;
        EXPECT_EQ(g->GetFontSize(), row.nSize) << "step " << row.nStep;
    }
    EXPECT_EQ(pThrob->GetStep(), -0.05);
    EXPECT_EQ(pSaved->GetValue(), 24);  // the size at attachment stays
}

TEST_F(AppearanceTest, ThrobSkipsSizesALogfontCannotHoldAndElementsWithoutTheirSize) {
    CKTGlyph* g = LoneGlyph(0, 0);
    g->SetFontSize(100000000);  // lfHeight 1e9
    CKTGlyph* pForeign = LoneGlyph(20, 0);
    pForeign->SetFontSize(10);
    pForeign->SetProp(PROP_SAVED_SIZE, new CKTVectorBhvrProp(PROP_SAVED_SIZE));  // as a broken file may
    CKTThrobBhvr* pThrob = Add(new CKTThrobBhvr);
    pThrob->SetMaxSize(1000.0);
    pThrob->SetStep(1.0);
    pThrob->AddElement(g);
    pThrob->AddElement(pForeign);
    Book().Step();  // scale 2: 2e8 points, lfHeight 2e9 still fits
    EXPECT_EQ(g->GetFontSize(), 200000000);
    Book().Step();  // scale 4: lfHeight 4e9 would not
    EXPECT_EQ(g->GetFontSize(), 200000000);
    EXPECT_EQ(pForeign->GetFontSize(), 10);
}

TEST_F(AppearanceTest, ThrobToAThousandTimesStaysDrawable) {
    // Real glyphs with the default renderer: sizes of thousands of points are measured and drawn with
    // the font engine's limits.
    CKTWord* pWord = NewWord(NewPassage(20, 200));
    for (char c : {'Q', 'g', ' '}) {
        auto* p = new CKTGlyph;
        p->SetFont(kttest::Font(240));
        p->SetChar(c);
        pWord->AppendChild(p, TRUE);
    }
    CKTThrobBhvr* pThrob = Add(new CKTThrobBhvr);
    pThrob->SetMaxSize(1000.0);
    pThrob->SetStep(1.0);
    for (CKTElement* p = pWord->GetFirstChild(); p; p = p->GetNextSibling()) pThrob->AddElement(p);
    for (int i = 0; i < 10; i++) {  // 2, 4, ... 512, then 1024 clamped to 1000
        Book().Step();
        Book().Draw(m_wnd.GetPaintDC());
    }
    EXPECT_EQ(pThrob->GetScale(), 1000.0);
    EXPECT_EQ(pWord->GetFirstChild()->GetFontSize(), 24000);
    CRect rc = pWord->GetFirstChild()->GetBounds();
    EXPECT_GT(rc.Height(), 1000);
    EXPECT_LE(rc.Height(), 4096);
}

TEST_F(AppearanceTest, FadeMovesAlongTheLineTruncatingEachStep) {
    // Black toward white at velocity 10: each channel gains 10 / sqrt(3) = 5.77, truncated at every
    // step (0, 5, 10, 15, 20, ...); at 250 the remaining distance 8.66 is below 10: white.
    CKTGlyph* g = LoneGlyph(0, 0);
    g->SetColor(RGB(0, 0, 0));
    CKTFadeBhvr* pFade = Add(new CKTFadeBhvr);
    pFade->AddElement(g);
    for (int nStep = 1; nStep <= 50; nStep++) {
        Book().Step();
        ASSERT_EQ(g->GetColor(), RGB(5 * nStep, 5 * nStep, 5 * nStep)) << "step " << nStep;
    }
    Book().Step();
    EXPECT_EQ(g->GetColor(), RGB(255, 255, 255));
    Book().Step();
    EXPECT_EQ(g->GetColor(), RGB(255, 255, 255));
}

TEST_F(AppearanceTest, FadeOneStepTable) {
    struct Row {
        COLORREF from, to;
        double dVelocity;
        COLORREF after;
    } rows[] = {
        {RGB(255, 0, 0), RGB(0, 0, 255), 10.0, RGB(247, 0, 7)},        // 255 / 360.6 x 10 = 7.07
        {RGB(250, 250, 250), RGB(255, 255, 255), 10.0, RGB(255, 255, 255)},  // closer than 10: snaps
        {RGB(0, 0, 0), RGB(255, 255, 255), 300.0, RGB(173, 173, 173)},  // 0.57735 x 300 = 173.2
        {RGB(0, 0, 0), RGB(255, 255, 255), 500.0, RGB(255, 255, 255)},
        {RGB(100, 100, 100), RGB(255, 255, 255), -10.0, RGB(94, 94, 94)},  // away from the target
        {RGB(2, 2, 2), RGB(255, 255, 255), -10.0, RGB(0, 0, 0)},          // clamped at 0
        {RGB(9, 8, 7), RGB(9, 8, 7), 10.0, RGB(9, 8, 7)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.from << " to " << row.to << " v " << row.dVelocity);
        CKTGlyph* g = LoneGlyph(0, 0);
        g->SetColor(row.from);
        CKTFadeBhvr* pFade = Add(new CKTFadeBhvr);
        pFade->SetColor(row.to);
        pFade->SetVelocity(row.dVelocity);
        pFade->AddElement(g);
        Book().Step();
        EXPECT_EQ(g->GetColor(), row.after);
        Book().RemoveBehavior(pFade);
        delete pFade;
    }
}

TEST_F(AppearanceTest, FocalFadeByDistanceFromTheCentre) {
    // A 10 x 10 glyph whose bounds are (95, 95, 105, 105): centre (100, 100).
    struct Row {
        CPoint mouse;
        COLORREF focus, unfocus;
        COLORREF colour;
    } rows[] = {
        {{100, 100}, RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0)},          // on the centre
        {{90, 100}, RGB(0, 0, 0), RGB(255, 255, 255), RGB(127, 127, 127)},     // t = 0.5
        {{100, 101}, RGB(0, 0, 0), RGB(255, 255, 255), RGB(12, 12, 12)},       // t = 0.05
        {{112, 116}, RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255)},    // exactly the radius
        {{121, 100}, RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255)},    // beyond
        {{90, 100}, RGB(200, 0, 40), RGB(0, 100, 240), RGB(100, 50, 140)},
        {{300, 300}, RGB(200, 0, 40), RGB(0, 100, 241), RGB(0, 100, 241)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.mouse.x << "," << row.mouse.y);
        CKTGlyph* g = LoneGlyph(95, 95);
        auto* pFocal = Add(new CKTFocalFade);
        EXPECT_EQ(pFocal->m_dRadius, 20.0);
        pFocal->m_crFocus = row.focus;
        pFocal->m_crUnfocus = row.unfocus;
        pFocal->AddElement(g);
        Book().OnMouseMove(row.mouse);
        Book().Step();
        EXPECT_EQ(g->GetColor(), row.colour);
        Book().RemoveBehavior(pFocal);
        delete pFocal;
    }
}
