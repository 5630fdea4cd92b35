// The trail and colour-static renderers: the trail's points and colours, the weights of one point,
// the colour static's noise and its rand() order, weights that are not finite, and glyphs animating
// by themselves under a word.
#include <cmath>

#include "kinetype/ktercolorstatic.h"
#include "kinetype/ktertrail.h"
#include "rendererfixture.h"

namespace {

using rtest::CHandmade;

// The colour a trail point gets from three draws, red first: n x 255 / 32767, truncated.
COLORREF TrailColor(rtest::RandSequence& seq) {
    const int r = static_cast<int>(seq.Next() * 255.0 / 32767.0);
    const int g = static_cast<int>(seq.Next() * 255.0 / 32767.0);
    const int b = static_cast<int>(seq.Next() * 255.0 / 32767.0);
    return RGB(r, g, b);
}

class CellTest : public rtest::RendererTest {
protected:
    // A 10 x 10 square at (100, 100): the mask's top-left pixel is the window's (100, 90).
    template <class R>
    CHandmade<R>* Square(COLORREF cr) {
        auto* p = new CHandmade<R>({CRect(0, -10, 10, 0)});
        AddGlyph('x', 100, 100, p)->SetColor(cr);
        return p;
    }
    static COLORREF CellColor(const CKTCellMaskRenderer* p, int c, int r) {
        const int* pCell = p->GetCell(c, r);
        return pCell ? RGB(pCell[1], pCell[2], pCell[3]) : CLR_INVALID;
    }
};

TEST_F(CellTest, TheTrailAddsAPointOnlyWhenTheMouseMovesOverTheGlyph) {
    auto* p = Square<CKTERTrail>(RGB(0, 0, 0));
    for (int i = 0; i < 3; i++) Tick(CPoint(104, 94));
    ASSERT_EQ(p->GetTrail().size(), 1u);
    EXPECT_EQ(CPoint(p->GetTrail()[0]), CPoint(4, 4));  // mask coordinates
    // The first colour comes from seed 1's first three values, red first.
    rtest::RandSequence seq;
    EXPECT_EQ(p->GetTrailColors()[0], TrailColor(seq));
    EXPECT_EQ(p->GetTrailColors()[0], RGB(0, 143, 49));
    EXPECT_EQ(crt::rand_state(), seq.seed);
    EXPECT_EQ(p->GetFrame(), 3);

    // The glyph moving under a still mouse is a move relative to the glyph.
    p->GetElement()->MoveBy(2, 0);
    Tick(CPoint(104, 94));
    ASSERT_EQ(p->GetTrail().size(), 2u);
    EXPECT_EQ(CPoint(p->GetTrail()[1]), CPoint(2, 4));
}

TEST_F(CellTest, AnEleventhPointDropsTheOldestWithItsColour) {
    auto* p = Square<CKTERTrail>(RGB(0, 0, 0));
    rtest::RandSequence seq;
    std::vector<COLORREF> colours;
    for (int i = 0; i < 11; i++) {
        Tick(CPoint(90 + 3 * i, 80 + i));  // inside and outside the glyph alike
        colours.push_back(TrailColor(seq));
    }
    ASSERT_EQ(p->GetTrail().size(), 10u);
    ASSERT_EQ(p->GetTrailColors().size(), 10u);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(CPoint(p->GetTrail()[i]), CPoint(-10 + 3 * (i + 1), -10 + i + 1)) << i;
        EXPECT_EQ(p->GetTrailColors()[i], colours[i + 1]) << i;
    }
}

TEST_F(CellTest, OnePointGivesItsColourWhereTheSineIsOneAndBlackWhereItIsMinusOne) {
    auto* p = Square<CKTERTrail>(RGB(255, 255, 255));
    p->m_fSpeed = 1.5707964f;  // frame x speed: 0, pi / 2, pi, 3 pi / 2
    const float fSpeed = p->m_fSpeed;
    const CPoint ptMouse(104, 94);  // the cell (4, 4)
    struct Frame {
        const char* what;
        double fScale;  // of the point's colour at the point itself (d = 0, w = 1)
    } frames[] = {{"sin 0: w' 0.5", 0.5}, {"sin 1: w' 1", 1.0}, {"sin 0 again", 0.5}, {"sin -1: black", 0.0}};
    COLORREF k = 0;
    for (int f = 0; f < 4; f++) {
        Tick(ptMouse);
        if (f == 0) k = p->GetTrailColors()[0];
        ASSERT_EQ(p->GetTrail().size(), 1u);
        const double s = std::sin(f * fSpeed);
        ASSERT_NEAR(s, f == 1 ? 1.0 : f == 3 ? -1.0 : 0.0, 1e-6);
        const COLORREF expected = RGB(static_cast<int>(GetRValue(k) * frames[f].fScale),
                                      static_cast<int>(GetGValue(k) * frames[f].fScale),
                                      static_cast<int>(GetBValue(k) * frames[f].fScale));
        EXPECT_EQ(CellColor(p, 4, 4), expected) << frames[f].what;
        Paint(RGB(1, 2, 3));
        EXPECT_EQ(Pixel(104, 94), expected) << frames[f].what;
    }
    // Far from the point the weight sum stays below 1: darker than the colour.
    const COLORREF far = CellColor(p, 9, 0);
    EXPECT_LE(GetRValue(far) + GetGValue(far) + GetBValue(far), GetRValue(k) + GetGValue(k) + GetBValue(k));
}

TEST_F(CellTest, ColourStaticDrawsThreeValuesACellRedFirst) {
    // A 4 x 4 square; the mouse on the cell (1, 2), the tenth inside cell in row order. Frame 0 at
    // distance 0: w' = (sin 0 + 1) x 1 x 0.5 = 0.5.
    auto* p = new CHandmade<CKTERColorStatic>({CRect(0, -4, 4, 0)});
    const COLORREF cr = RGB(200, 100, 11);
    AddGlyph('x', 100, 100, p)->SetColor(cr);
    Tick(CPoint(101, 98));
    rtest::RandSequence seq;
    for (int i = 0; i < 27; i++) seq.Next();
    int expected[3];
    const int channel[3] = {200, 100, 11};
    for (int k = 0; k < 3; k++) {
        const float fNoise = static_cast<float>(seq.Next() * 0.5f * 255.0 / 32767.0);
        expected[k] = static_cast<int>(0.5 * channel[k] + fNoise);
    }
    EXPECT_EQ(CellColor(p, 1, 2), RGB(expected[0], expected[1], expected[2]));
    for (int i = 0; i < 18; i++) seq.Next();
    EXPECT_EQ(crt::rand_state(), seq.seed);  // 16 cells, 3 values each
}

TEST_F(CellTest, ColourStaticFarFromTheMouseShowsNearlyItsOwnColour) {
    auto* p = new CKTERColorStatic;
    const COLORREF cr = RGB(40, 120, 250);
    CKTGlyph* pGlyph = AddGlyph('O', 50, 100, p);
    pGlyph->SetColor(cr);
    Tick(CPoint(5000, 5000));  // d > 6000: w' <= 50 / 6050
    const double wMax = 50.0 / 6050.0;
    const CRect rc = p->GetMaskRect();
    int nInside = 0;
    for (int r = 0; r < rc.Height(); r++) {
        for (int c = 0; c < rc.Width(); c++) {
            const int* pCell = p->GetCell(c, r);
            if (!pCell[0]) continue;
            nInside++;
            const int channel[3] = {40, 120, 250};
            for (int k = 0; k < 3; k++) {
                EXPECT_GE(pCell[1 + k], static_cast<int>((1.0 - wMax) * channel[k])) << c << "," << r;
                EXPECT_LE(pCell[1 + k], channel[k] + 3) << c << "," << r;
            }
        }
    }
    EXPECT_GT(nInside, 100);
}

TEST_F(CellTest, AWeightThatIsNotFiniteCountsAsZero) {
    // Radius 0 at distance 0 gives 0 / 0; a radius of -1 at distance 1 gives -1 / 0. Counted as 0, the
    // cell under the mouse keeps the glyph's colour, untouched by noise.
    const COLORREF cr = RGB(10, 20, 30);
    for (float fRadius : {0.0f, -1.0f}) {
        auto* p = new CHandmade<CKTERColorStatic>({CRect(0, -4, 4, 0)});
        p->m_fRadius = fRadius;
        CKTGlyph* pGlyph = AddGlyph('x', 100, 100, p);
        pGlyph->SetColor(cr);
        Tick(fRadius == 0.0f ? CPoint(101, 97) : CPoint(100, 97));
        EXPECT_EQ(CellColor(p, 1, 1), cr) << fRadius;
        pGlyph->GetParent()->GetParent()->Die(FALSE, FALSE);
        Book().DeleteMoribund();
    }
}

TEST_F(CellTest, UnderAWordEveryGlyphAnimatesByItself) {
    for (int nClass = 0; nClass < 2; nClass++) {
        CKTWord* pWord = AddWord("ab", 20, 60 + 60 * nClass);
        CKTCellMaskRenderer* p = nClass == 0 ? static_cast<CKTCellMaskRenderer*>(new CKTERTrail) : new CKTERColorStatic;
        p->m_fRadius = 33.0f;
        p->m_fSpeed = 0.5f;
        p->m_fSpacing = 0.25f;
        ASSERT_TRUE(pWord->SetRenderer(p, TRUE));
        EXPECT_FALSE(p->IsRegistered(EV_DRAW));
        EXPECT_FALSE(p->IsRegistered(EV_PRESTEP));
        for (int i = 0; i < 2; i++) {
            auto* pGlyphs = RendererOf<CKTCellMaskRenderer>(Glyph(pWord, i));
            ASSERT_NE(pGlyphs, nullptr);
            EXPECT_EQ(pGlyphs->GetRuntimeClass(), p->GetRuntimeClass());
            EXPECT_TRUE(pGlyphs->IsRegistered(EV_DRAW));
            EXPECT_TRUE(pGlyphs->IsRegistered(EV_PRESTEP));
            EXPECT_EQ(pGlyphs->m_fRadius, 33.0f);
            EXPECT_EQ(pGlyphs->m_fSpeed, 0.5f);
            EXPECT_EQ(pGlyphs->m_fSpacing, 0.25f);
        }
        Tick(CPoint(25, 50));
        EXPECT_EQ(RendererOf<CKTCellMaskRenderer>(Glyph(pWord, 0))->GetFrame(), 1);
        EXPECT_EQ(p->GetFrame(), 0);  // the word's renderer does not listen
    }
}

}  // namespace
