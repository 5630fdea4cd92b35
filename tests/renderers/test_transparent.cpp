// The transparent renderer: how the transparency follows the mouse, master and copies, the setters'
// reach, and the blend it paints.
#include <cmath>
#include <limits>

#include "kinetype/ktererosion.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertransparent.h"
#include "rendererfixture.h"

namespace {

using rtest::CHandmade;

class TransparentTest : public rtest::RendererTest {};

TEST_F(TransparentTest, TransparencyFollowsTheRatesAndStaysWithinZeroAndOne) {
    struct Case {
        float fOver;
        std::vector<float> expected;  // after each of five frames with the mouse on the glyph
    } cases[] = {
        {0.0f, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f}},    // the defaults: a fixed half blend
        {0.1f, {0.6f, 0.7f, 0.8f, 0.9f, 1.0f}},    // climbs to 1 in five frames, then stays
        {-2.0f, {0.0f, 0.0f, 0.0f, 0.0f, 0.0f}},   // 0 in one frame
    };
    for (const Case& c : cases) {
        auto* p = new CKTERTransparent;
        p->SetMouseOverRate(c.fOver);
        p->SetMouseOutsideRate(7.0f);  // never used: the mouse stays on the glyph
        CKTGlyph* pGlyph = AddGlyph('H', 100, 100, p);
        const CPoint ptOn = pGlyph->GetAbsoluteBounds().CenterPoint();
        for (size_t i = 0; i < c.expected.size(); i++) {
            Tick(ptOn);
            EXPECT_FLOAT_EQ(p->GetTransparency(), c.expected[i]) << c.fOver << " frame " << i;
        }
        Tick(ptOn);
        EXPECT_EQ(p->GetTransparency(), c.expected.back()) << c.fOver << ": stays at the end";
        pGlyph->GetParent()->GetParent()->Die(FALSE, FALSE);
        Book().DeleteMoribund();
    }
}

TEST_F(TransparentTest, AGlyphMasterTestsItsOwnExtent) {
    auto* p = new CKTERTransparent;
    p->SetMouseOverRate(0.25f);
    p->SetMouseOutsideRate(-0.125f);
    CKTGlyph* pGlyph = AddGlyph('M', 60, 80, p);
    const CRect rc = pGlyph->GetAbsoluteBounds();
    ASSERT_FALSE(rc.IsRectEmpty());
    EXPECT_EQ(rc, KTOffsetRect(p->GetExtent(MemDC()), pGlyph->GetAbsolutePoint()));
    struct Case {
        CPoint pt;
        float fAfter;
    } cases[] = {
        {rc.TopLeft(), 0.75f},                              // left and top inclusive
        {CPoint(rc.right - 1, rc.bottom - 1), 1.0f},        // the last pixel inside
        {CPoint(rc.right, rc.top), 0.875f},                 // right exclusive
        {CPoint(rc.left, rc.bottom), 0.75f},                // bottom exclusive
        {CPoint(5, 5), 0.625f},
    };
    for (const Case& c : cases) {
        Tick(c.pt);
        EXPECT_EQ(p->GetTransparency(), c.fAfter) << c.pt.x << "," << c.pt.y;
    }
    EXPECT_TRUE(p->IsMaster());
    EXPECT_EQ(p->GetTrackRect(), rc);
}

TEST_F(TransparentTest, AWordsGlyphsChangeTogetherWithTheMouseAnywhereInTheWord) {
    CKTWord* pWord = AddWord("Ti", 40, 120);
    auto* pMaster = new CKTERTransparent;
    pMaster->SetMouseOverRate(0.5f);
    pMaster->SetMouseOutsideRate(-0.25f);
    ASSERT_TRUE(pWord->SetRenderer(pMaster, TRUE));

    // The word's renderer is the master and listens to the pre-step; the glyphs hold copies that
    // only draw.
    EXPECT_TRUE(pMaster->IsRegistered(EV_PRESTEP));
    EXPECT_FALSE(pMaster->IsRegistered(EV_DRAW));
    std::vector<CKTERTransparent*> copies;
    for (int i = 0; i < 2; i++) {
        auto* pCopy = RendererOf<CKTERTransparent>(Glyph(pWord, i));
        ASSERT_NE(pCopy, nullptr);
        EXPECT_FALSE(pCopy->IsMaster());
        EXPECT_TRUE(pCopy->IsRegistered(EV_DRAW));
        EXPECT_FALSE(pCopy->IsRegistered(EV_PRESTEP));
        EXPECT_EQ(pCopy->GetMouseOverRate(), 0.5f);
        copies.push_back(pCopy);
    }

    // A point in the word's bounds but on neither glyph: between the T's bar and the i's dot column,
    // below the i's dot, under the T's bar: find one.
    const CRect rcWord = pWord->GetAbsoluteBounds();
    const CRect rcT = Glyph(pWord, 0)->GetAbsoluteBounds(), rcI = Glyph(pWord, 1)->GetAbsoluteBounds();
    CPoint ptBetween(-1, -1);
    for (int y = rcWord.top; y < rcWord.bottom && ptBetween.x < 0; y++)
        for (int x = rcWord.left; x < rcWord.right && ptBetween.x < 0; x++)
            if (!rcT.PtInRect(CPoint(x, y)) && !rcI.PtInRect(CPoint(x, y))) ptBetween = CPoint(x, y);
    ASSERT_GE(ptBetween.x, 0) << "the word's bounds hold a point outside both glyphs";

    Tick(ptBetween);
    for (auto* pCopy : copies) {
        EXPECT_EQ(pCopy->GetTransparency(), 1.0f);
        EXPECT_EQ(pCopy->GetTrackRect(), rcWord);
    }
    Tick(CPoint(rcWord.right + 5, rcWord.top));
    for (auto* pCopy : copies) EXPECT_EQ(pCopy->GetTransparency(), 0.75f);
    EXPECT_EQ(pMaster->GetTransparency(), 0.5f);  // the word's own value: a word has no character
}

TEST_F(TransparentTest, APassageMasterDrivesItsWordsAndTheirGlyphs) {
    CKTWord* pWord = AddWord("ab", 30, 60);
    CKTElement* pPassage = pWord->GetParent();
    auto* pMaster = new CKTERTransparent;
    pMaster->SetMouseOverRate(-0.5f);
    ASSERT_TRUE(pPassage->SetRenderer(pMaster, TRUE));
    auto* pWordCopy = RendererOf<CKTERTransparent>(pWord);
    ASSERT_NE(pWordCopy, nullptr);
    EXPECT_FALSE(pWordCopy->IsMaster());
    EXPECT_FALSE(pWordCopy->IsRegistered(EV_PRESTEP));
    EXPECT_FALSE(pWordCopy->IsRegistered(EV_DRAW));
    Tick(Glyph(pWord, 1)->GetAbsoluteBounds().CenterPoint());
    EXPECT_EQ(RendererOf<CKTERTransparent>(Glyph(pWord, 0))->GetTransparency(), 0.0f);
    EXPECT_EQ(pWordCopy->GetTrackRect(), pPassage->GetAbsoluteBounds());
}

TEST_F(TransparentTest, SettersReachTheCopiesOfTheirOwnClassOnly) {
    // A passage with an erosion master: its words and glyphs hold erosion copies. The second word is
    // then given a splatter master (its glyphs splatter copies) and the third a transparent master.
    CKTWord* pFirst = AddWord("ab", 10, 40);
    auto* pPassage = static_cast<CKTPassage*>(pFirst->GetParent());
    for (const char* text : {"cd", "ef"}) {
        auto* pWord = new CKTWord;
        pWord->SetFont(rtest::Font(240));
        for (const char* c = text; *c; c++) {
            auto* pGlyph = new CKTGlyph;
            pGlyph->SetFont(rtest::Font(240));
            pGlyph->SetChar(*c);
            pWord->AppendChild(pGlyph, TRUE);
        }
        pPassage->AppendChild(pWord, TRUE);
    }
    auto* pErosion = new CKTERErosion;
    ASSERT_TRUE(pPassage->SetRenderer(pErosion, TRUE));
    CKTElement* pSecond = pPassage->GetChildAt(1);
    CKTElement* pThird = pPassage->GetChildAt(2);
    auto* pSplatter = new CKTERSplatter;
    ASSERT_TRUE(pSecond->SetRenderer(pSplatter, TRUE));
    auto* pTransparent = new CKTERTransparent;
    ASSERT_TRUE(pThird->SetRenderer(pTransparent, TRUE));

    pErosion->SetMouseOverRate(-0.75f);
    pErosion->SetMouseOutsideRate(0.5f);
    pSplatter->SetMouseOverRate(-0.25f);
    pTransparent->SetTransparency(0.125f);
    pTransparent->SetMouseOverRate(0.0625f);

    EXPECT_EQ(RendererOf<CKTERErosion>(pFirst)->GetMouseOverRate(), -0.75f);
    EXPECT_EQ(RendererOf<CKTERErosion>(pFirst)->GetMouseOutsideRate(), 0.5f);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(RendererOf<CKTERErosion>(Glyph(pFirst, i))->GetMouseOverRate(), -0.75f);
        EXPECT_EQ(RendererOf<CKTERSplatter>(Glyph(pSecond, i))->GetMouseOverRate(), -0.25f);
        EXPECT_EQ(RendererOf<CKTERSplatter>(Glyph(pSecond, i))->GetMouseOutsideRate(), 0.2f);  // untouched
        EXPECT_EQ(RendererOf<CKTERTransparent>(Glyph(pThird, i))->GetTransparency(), 0.125f);
        EXPECT_EQ(RendererOf<CKTERTransparent>(Glyph(pThird, i))->GetMouseOverRate(), 0.0625f);
    }
    EXPECT_EQ(pSplatter->GetMouseOutsideRate(), 0.2f);  // the erosion setter stopped at the splatter master
    EXPECT_EQ(pTransparent->GetMouseOverRate(), 0.0625f);

    // A master below a master of the same class is not a copy: the setter stops there too.
    auto* pOwn = new CKTERErosion;
    ASSERT_TRUE(Glyph(pFirst, 1)->SetRenderer(pOwn, TRUE));
    pErosion->SetMouseOverRate(-0.5f);
    EXPECT_EQ(RendererOf<CKTERErosion>(Glyph(pFirst, 0))->GetMouseOverRate(), -0.5f);
    EXPECT_EQ(pOwn->GetMouseOverRate(), -0.1f);
}

TEST_F(TransparentTest, DrawBlendsWithWhatLiesBeneath) {
    // A 4 x 3 square of colour (200, 100, 50) over paper (0, 50, 255).
    const COLORREF crInk = RGB(200, 100, 50), crPaper = RGB(0, 50, 255);
    struct Case {
        float t;
        COLORREF expected;  // channel by channel: (1 - t) x ink + t x paper, truncated
    } cases[] = {
        {0.5f, RGB(100, 75, 152)},   // 152.5 truncated
        {0.0f, crInk},
        {1.0f, crPaper},
        {0.25f, RGB(150, 87, 101)},  // 87.5 and 101.25 truncated
        {-3.0f, crInk},              // drawn as 0 (the stored value stays)
        {9.0f, crPaper},             // drawn as 1
        {std::numeric_limits<float>::quiet_NaN(), crInk},
    };
    auto* p = new CHandmade<CKTERTransparent>({CRect(0, -3, 4, 0)});
    CKTGlyph* pGlyph = AddGlyph('x', 50, 50, p);
    pGlyph->SetColor(crInk);
    for (const Case& c : cases) {
        p->SetTransparency(c.t);
        Paint(crPaper);
        CRect box;
        EXPECT_EQ(CountInk(crPaper, &box), c.expected == crPaper ? 0 : 12) << c.t;
        if (c.expected != crPaper) {
            EXPECT_EQ(box, CRect(50, 47, 54, 50)) << c.t;
        }
        EXPECT_EQ(Pixel(50, 47), c.expected) << c.t;
        EXPECT_EQ(Pixel(53, 49), c.expected) << c.t;
        if (!std::isnan(c.t)) {
            EXPECT_EQ(p->GetTransparency(), c.t);  // the stored value stays
        }
    }
}

}  // namespace
