// The erosion renderers on hand-made square and ring outlines: the masks a build leaves, the passes
// (candidates, changes, one rand() per candidate, in place), the mouse test, a rate of 0, and the
// erosion renderer's clearing under overlapping elements.
#include <functional>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"
#include "rendererfixture.h"

namespace {

using rtest::CHandmade;
typedef std::vector<int> Ints;

class ErosionTest : public rtest::RendererTest {
protected:
    // The glyph's mask, row by row.
    static Ints MaskOf(const CKTMaskRenderer* p) {
        const int* pMask = p->GetMask();
        const CRect rc = p->GetMaskRect();
        return pMask ? Ints(pMask, pMask + rc.Width() * rc.Height()) : Ints();
    }
    // A point well away from every glyph of these tests.
    static CPoint Away() { return CPoint(5, 230); }
};

// ---- builds -----------------------------------------------------------------------------------------

TEST_F(ErosionTest, BuildsLeaveEachClassItsMask) {
    // A 4 x 4 ring: a square with a 2 x 2 hole.
    const CRect outer(0, -4, 4, 0), hole(1, -3, 3, -1);
    struct Case {
        const char* what;
        std::function<CKTErodingRenderer*()> make;
        Ints mask;
    } cases[] = {
        {"splatter", [&] { return new CHandmade<CKTERSplatter>({outer}, {hole}); },
         {1, 1, 1, 1,
          1, 0, 0, 1,
          1, 0, 0, 1,
          1, 1, 1, 1}},
        // Inside pixels hold their number of inside neighbours; outside ones -1.
        {"erosion", [&] { return new CHandmade<CKTERErosion>({outer}, {hole}); },
         {2, 3, 3, 2,
          3, -1, -1, 3,
          3, -1, -1, 3,
          2, 3, 3, 2}},
        // Every pixel of the ring touches the edge or the hole: inside, border, present, front.
        {"erode edge", [&] { return new CHandmade<CKTERErodeEdge>({outer}, {hole}); },
         {15, 15, 15, 15,
          15, 0, 0, 15,
          15, 0, 0, 15,
          15, 15, 15, 15}},
    };
    for (const Case& c : cases) {
        CKTErodingRenderer* p = c.make();
        AddGlyph('x', 40, 40, p);
        p->BuildCache(MemDC());
        EXPECT_EQ(p->GetMaskRect(), outer) << c.what;
        EXPECT_EQ(MaskOf(p), c.mask) << c.what;
        EXPECT_EQ(p->GetTotalCount(), 12) << c.what;
        EXPECT_EQ(p->GetPresentCount(), 12) << c.what;
    }

    // In a solid 4 x 4 square the erode-edge front is the outline; the inner pixels are 1 | 4.
    auto* pEdge = new CHandmade<CKTERErodeEdge>({outer});
    AddGlyph('x', 40, 40, pEdge);
    pEdge->BuildCache(MemDC());
    EXPECT_EQ(MaskOf(pEdge), (Ints{15, 15, 15, 15, 15, 5, 5, 15, 15, 5, 5, 15, 15, 15, 15, 15}));
}

TEST_F(ErosionTest, AnErodeEdgeGlyphFirstShowsItsOutline) {
    const CRect square(0, -10, 10, 0);
    struct Case {
        const char* what;
        std::function<CKTErodingRenderer*()> make;
        int nInk;
    } cases[] = {
        {"square", [&] { return new CHandmade<CKTERErodeEdge>({square}); }, 36},
        {"ring", [&] { return new CHandmade<CKTERErodeEdge>({square}, {CRect(3, -7, 7, -3)}); }, 36 + 16},
    };
    for (const Case& c : cases) {
        CKTGlyph* pGlyph = AddGlyph('x', 100, 100, c.make());
        pGlyph->SetColor(RGB(0, 0, 255));
        Paint();
        CRect box;
        EXPECT_EQ(CountInk(kPaper, &box), c.nInk) << c.what;
        EXPECT_EQ(box, CRect(100, 90, 110, 100)) << c.what;
        for (int x = 100; x < 110; x++) EXPECT_EQ(Pixel(x, 99), RGB(0, 0, 255)) << c.what << ": last row, x " << x;
        EXPECT_EQ(Pixel(105, 95), kPaper) << c.what;
        pGlyph->GetParent()->GetParent()->Die(FALSE, FALSE);
        Book().DeleteMoribund();
    }
}

// ---- the passes -------------------------------------------------------------------------------------

TEST_F(ErosionTest, FourHundredSplatterPixelsAtRateMinusFortyLoseAboutATenthAFrame) {
    auto* p = new CHandmade<CKTERSplatter>({CRect(0, -20, 20, 0)});
    CKTGlyph* pGlyph = AddGlyph('x', 100, 100, p);
    Tick(CPoint(110, 90));  // on the glyph: rate 400 x -0.1 = -40, threshold 1 / 3276.7
    // Each of the 400 present pixels, in row order, draws one value and vanishes when it is below
    // 3276.7: with all present, a chance of 3277 / 32768, about 0.1.
    rtest::RandSequence seq;
    Ints expected(400, 1);
    int nVanished = 0;
    for (int i = 0; i < 400; i++)
        if (seq.Next() <= 3276) {
            expected[i] = 2;
            nVanished++;
        }
    EXPECT_EQ(MaskOf(p), expected);
    EXPECT_EQ(p->GetPresentCount(), 400 - nVanished);
    EXPECT_NEAR(nVanished, 40, 15);
    EXPECT_EQ(crt::rand_state(), seq.seed);
    // Only present pixels are drawn.
    Paint();
    EXPECT_EQ(CountInk(), 400 - nVanished);
    EXPECT_EQ(pGlyph->GetAbsoluteBounds(), CRect(100, 80, 120, 100));
}

TEST_F(ErosionTest, AFreshGlyphWithTheMouseOutside) {
    // A 6 x 6 square and, two pixels to its right, a pixel of its own (no inside neighbours).
    const CRect square(0, -6, 6, 0), lone(8, -3, 9, -2);
    struct Case {
        const char* what;
        std::function<CKTErodingRenderer*()> make;
        int nDraws;       // rand() values drawn: one per regrowth candidate
        int nPresent;     // after the tick
    } cases[] = {
        // No vanished pixels: no regrowth candidates.
        {"splatter", [&] { return new CHandmade<CKTERSplatter>({square, lone}); }, 0, 37},
        // The front is the border as built, never a regrowth candidate.
        {"erode edge", [&] { return new CHandmade<CKTERErodeEdge>({square, lone}); }, 0, 37},
        // The lone pixel holds 0 and is a regrowth candidate; with nothing missing every candidate
        // changes: it appears, counted on top of the total.
        {"erosion", [&] { return new CHandmade<CKTERErosion>({square, lone}); }, 1, 38},
    };
    for (const Case& c : cases) {
        crt::reset_rand();
        CKTErodingRenderer* p = c.make();
        CKTGlyph* pGlyph = AddGlyph('x', 60, 60, p);
        pGlyph->SetColor(RGB(255, 0, 0));
        p->BuildCache(MemDC());
        const Ints before = MaskOf(p);
        Paint();
        const int nInkBefore = CountInk();
        Tick(Away());
        rtest::RandSequence seq;
        for (int i = 0; i < c.nDraws; i++) seq.Next();
        EXPECT_EQ(crt::rand_state(), seq.seed) << c.what;
        EXPECT_EQ(p->GetPresentCount(), c.nPresent) << c.what;
        Paint();
        if (c.nDraws == 0) {
            EXPECT_EQ(MaskOf(p), before) << c.what;
            EXPECT_EQ(CountInk(), nInkBefore) << c.what;
        } else {
            EXPECT_EQ(nInkBefore, 36) << c.what;   // the lone pixel is not drawn at first
            EXPECT_EQ(CountInk(), 37) << c.what;
            EXPECT_EQ(Pixel(68, 57), RGB(255, 0, 0)) << c.what;
        }
        pGlyph->GetParent()->GetParent()->Die(FALSE, FALSE);
        Book().DeleteMoribund();
    }
}

TEST_F(ErosionTest, ARateOfZeroChangesNothing) {
    const CRect square(0, -8, 8, 0);
    std::function<CKTErodingRenderer*()> makers[] = {
        [&] { return new CHandmade<CKTERSplatter>({square}); },
        [&] { return new CHandmade<CKTERErosion>({square}); },
        [&] { return new CHandmade<CKTERErodeEdge>({square}); },
    };
    for (auto& make : makers) {
        CKTErodingRenderer* p = make();
        p->SetMouseOverRate(0.0f);
        p->SetMouseOutsideRate(0.0f);
        CKTGlyph* pGlyph = AddGlyph('x', 60, 60, p);
        p->BuildCache(MemDC());
        const Ints before = MaskOf(p);
        const uint32_t nSeed = crt::rand_state();
        Tick(CPoint(63, 56));  // on the glyph
        Tick(Away());
        EXPECT_EQ(MaskOf(p), before) << p->GetRuntimeClass()->m_lpszClassName;
        EXPECT_EQ(p->GetPresentCount(), 64);
        EXPECT_EQ(crt::rand_state(), nSeed) << "no pass, no draw";
        pGlyph->GetParent()->GetParent()->Die(FALSE, FALSE);
        Book().DeleteMoribund();
    }
}

TEST_F(ErosionTest, ErosionPassesThinNeighboursAndRegrowthRaisesThem) {
    // A 3 x 1 strip builds to [1, 2, 1]. With a huge rate every candidate changes.
    auto* p = new CHandmade<CKTERErosion>({CRect(0, -1, 3, 0)});
    p->SetMouseOverRate(-1000.0f);
    p->SetMouseOutsideRate(1000.0f);
    AddGlyph('x', 50, 50, p);
    p->BuildCache(MemDC());
    ASSERT_EQ(MaskOf(p), (Ints{1, 2, 1}));

    // Erosion, in place: the first pixel vanishes and thins the second to 1; the second (a candidate
    // in the first row) vanishes and takes the third down to 0, which is then no candidate. Two
    // changes: the count says one pixel is left, though none is drawn.
    Tick(CPoint(51, 49));
    EXPECT_EQ(MaskOf(p), (Ints{0, 0, 0}));
    EXPECT_EQ(p->GetPresentCount(), 1);
    rtest::RandSequence seq;
    seq.Next();
    seq.Next();
    EXPECT_EQ(crt::rand_state(), seq.seed);

    // Regrowth: each vanished pixel comes back as 1 + its present neighbours, raising them.
    Tick(Away());
    EXPECT_EQ(MaskOf(p), (Ints{2, 3, 2}));
    EXPECT_EQ(p->GetPresentCount(), 4);  // above the total of 3
    for (int i = 0; i < 3; i++) seq.Next();
    EXPECT_EQ(crt::rand_state(), seq.seed);
}

TEST_F(ErosionTest, AnErosionCandidateNeedsTheEdgeOrAVanishedNeighbour) {
    // A 5 x 5 square builds to 3 in the corners, 5 along the edges, 8 inside.
    auto* p = new CHandmade<CKTERErosion>({CRect(0, -5, 5, 0)});
    AddGlyph('x', 50, 50, p);
    p->BuildCache(MemDC());
    const Ints built = MaskOf(p);
    ASSERT_EQ(built, (Ints{3, 5, 5, 5, 3, 5, 8, 8, 8, 5, 5, 8, 8, 8, 5, 5, 8, 8, 8, 5, 3, 5, 5, 5, 3}));
    // rate = 25 f; p = -1 / (25 f / 25 x 32767). With f = -0.002, n x p < 1 for n below 65.53; seed
    // 1 draws 41 first, then values far above.
    p->SetMouseOverRate(-0.002f);
    Tick(CPoint(52, 47));
    // The first pixel vanishes and thins its neighbours. The pass works in place: pixel 6 (row 1,
    // column 1) then has a vanished neighbour and is a candidate too, so 17 values are drawn: the 16
    // edge pixels and pixel 6.
    Ints expected = built;
    expected[0] = 0;
    expected[1] = 4;
    expected[5] = 4;
    expected[6] = 7;
    EXPECT_EQ(MaskOf(p), expected);
    EXPECT_EQ(p->GetPresentCount(), 24);
    rtest::RandSequence seq;
    int nBelow = 0;
    for (int i = 0; i < 17; i++) nBelow += seq.Next() < 66 ? 1 : 0;
    EXPECT_EQ(nBelow, 1) << "the sequence changes one candidate among them";
    EXPECT_EQ(crt::rand_state(), seq.seed);
}

TEST_F(ErosionTest, ErodeEdgeErodesInPlaceAndKeepsItsFlagsConsistent) {
    // A huge rate: every candidate changes. The front moves down and right within the same pass, so
    // the whole square goes in one frame.
    auto* p = new CHandmade<CKTERErodeEdge>({CRect(0, -10, 10, 0)}, {CRect(3, -7, 7, -3)});
    p->SetMouseOverRate(-1000.0f);
    CKTGlyph* pGlyph = AddGlyph('x', 100, 100, p);
    Tick(CPoint(101, 99));
    EXPECT_EQ(CountEntries(p, [](int v) { return (v & CKTERErodeEdge::kPresent) != 0; }), 0);
    EXPECT_EQ(CountEntries(p, [](int v) { return v == 0; }), 16);  // the hole
    EXPECT_EQ(CountEntries(p, [](int v) { return v == 1 || v == 3; }), 84);  // inside, maybe border
    Paint();
    EXPECT_EQ(CountInk(), 0);
    // Nothing on the front: nothing can regrow.
    Tick(Away());
    EXPECT_EQ(CountEntries(p, [](int v) { return v != 0 && v != 1 && v != 3; }), 0);
    pGlyph->GetParent()->GetParent()->Die(FALSE, FALSE);
    Book().DeleteMoribund();

    // A moderate rate over a few frames in and out: flag 8 only with 4, flags 1 and 2 as built.
    auto* q = new CHandmade<CKTERErodeEdge>({CRect(0, -12, 12, 0)});
    q->SetMouseOverRate(-0.05f);
    q->SetMouseOutsideRate(0.05f);
    AddGlyph('x', 100, 100, q);
    q->BuildCache(MemDC());
    const Ints built = MaskOf(q);
    for (int frame = 0; frame < 12; frame++) {
        Tick(frame < 6 ? CPoint(105, 95) : Away());
        const Ints now = MaskOf(q);
        for (size_t i = 0; i < now.size(); i++) {
            EXPECT_EQ(now[i] & 3, built[i] & 3) << i;
            if (now[i] & CKTERErodeEdge::kFront) {
                EXPECT_TRUE(now[i] & CKTERErodeEdge::kPresent) << i;
            }
        }
    }
    EXPECT_LT(CountEntries(q, [](int v) { return (v & CKTERErodeEdge::kPresent) != 0; }), 144);
}

// ---- overlaps -----------------------------------------------------------------------------------------

// Adds an element to the glyph's collision list after the detector's sweep, before the renderers run.
class CCollisionInjector : public CKTComponent {
public:
    CCollisionInjector(CKTElement* pGlyph, CKTElement* pOther) : m_pGlyph(pGlyph), m_pOther(pOther) {}
    void OnEvent(int nEvent) override {
        if (nEvent == EV_PRESTEP) m_pGlyph->AddCollision(m_pOther);
    }
    CKTElement* m_pGlyph;
    CKTElement* m_pOther;
};

class OverlapTest : public ErosionTest {
protected:
    void SetUp() override {
        ErosionTest::SetUp();
        m_pDetector = new CKT1DCollisionDetBhvr;
        Book().AddBehavior(m_pDetector);
        m_pDetector->StartListening();
    }
    // A 20 x 20 erosion square at (100, 100): absolute bounds (100, 80, 120, 100). Rates 0: only the
    // clearing changes the mask.
    CHandmade<CKTERErosion>* ErosionSquare() {
        auto* p = new CHandmade<CKTERErosion>({CRect(0, -20, 20, 0)});
        p->SetMouseOverRate(0.0f);
        p->SetMouseOutsideRate(0.0f);
        m_pGlyph = AddGlyph('x', 100, 100, p);
        m_pDetector->AddElement(m_pGlyph);
        return p;
    }
    // A glyph whose bounds are rc (a test renderer on a square outline).
    CKTGlyph* Partner(const CRect& rc) {
        auto* p = new CHandmade<CKTERTest>({CRect(0, -rc.Height(), rc.Width(), 0)});
        CKTGlyph* pGlyph = AddGlyph('x', rc.left, rc.bottom, p);
        EXPECT_EQ(pGlyph->GetAbsoluteBounds(), rc);
        return pGlyph;
    }
    CKT1DCollisionDetBhvr* m_pDetector = nullptr;
    CKTGlyph* m_pGlyph = nullptr;
};

TEST_F(OverlapTest, OverlappedPixelsAndOneRowAndColumnBeyondAreCleared) {
    struct Case {
        CRect partner;
        CRect cleared;  // in mask coordinates, both ends included
    } cases[] = {
        {CRect(110, 85, 115, 90), CRect(10, 5, 15, 10)},   // inside: the overlap plus one row and column
        {CRect(115, 95, 125, 105), CRect(15, 15, 19, 19)}, // over the corner: clamped to the mask
        {CRect(90, 70, 101, 81), CRect(0, 0, 1, 1)},       // the top-left pixel only overlaps
    };
    for (const Case& c : cases) {
        auto* p = ErosionSquare();
        CKTGlyph* pPartner = Partner(c.partner);
        m_pDetector->AddElement(pPartner);
        p->BuildCache(MemDC());
        const Ints built = MaskOf(p);
        Tick(Away());
        Ints expected = built;
        int nCleared = 0;
        for (int y = c.cleared.top; y <= c.cleared.bottom; y++)
            for (int x = c.cleared.left; x <= c.cleared.right; x++, nCleared++) expected[y * 20 + x] = 0;
        EXPECT_EQ(MaskOf(p), expected) << c.partner.left << "," << c.partner.top;
        EXPECT_EQ(p->GetPresentCount(), 400 - nCleared);
        // Cleared entries stay cleared; the count does not move again.
        Tick(Away());
        EXPECT_EQ(p->GetPresentCount(), 400 - nCleared);
        for (CKTGlyph* g : {m_pGlyph, pPartner}) {
            m_pDetector->RemoveElement(g);
            g->GetParent()->GetParent()->Die(FALSE, FALSE);
        }
        Book().DeleteMoribund();
    }
}

TEST_F(OverlapTest, APartnerThatDoesNotMeetTheGlyphClearsNothing) {
    // The glyph is given a partner far away in its list after the sweep (as a list entry of an element
    // that has moved away would be).
    CKTGlyph* pFar = Partner(CRect(10, 10, 20, 20));
    auto* pInjector = new CCollisionInjector(nullptr, pFar);
    auto* p = new CHandmade<CKTERErosion>({CRect(0, -20, 20, 0)});
    p->SetMouseOverRate(0.0f);
    p->SetMouseOutsideRate(0.0f);
    CKTGlyph* pGlyph = AddGlyph('x', 100, 100, new CHandmade<CKTERTest>({CRect(0, -1, 1, 0)}));
    pInjector->m_pGlyph = pGlyph;
    pInjector->RegisterEvent(EV_PRESTEP, 0);  // before the erosion renderer in the pre-step list
    ASSERT_TRUE(pGlyph->SetRenderer(p, TRUE));
    p->BuildCache(MemDC());
    const Ints built = MaskOf(p);
    Tick(Away());
    EXPECT_TRUE(pGlyph->IsColliding());
    EXPECT_EQ(MaskOf(p), built);
    EXPECT_EQ(p->GetPresentCount(), 400);

    // An overlapping entry clears while the detector runs; without a running detector the lists may
    // be stale and are not read at all.
    pInjector->m_pOther = Partner(CRect(105, 85, 110, 90));
    Tick(Away());
    EXPECT_EQ(p->GetPresentCount(), 400 - 36);
    const Ints afterNear = MaskOf(p);
    pInjector->m_pOther = Partner(CRect(112, 92, 116, 96));
    m_pDetector->StopListening();
    pGlyph->ClearCollisions();
    Tick(Away());
    EXPECT_EQ(MaskOf(p), afterNear);
    EXPECT_EQ(p->GetPresentCount(), 400 - 36);
    pInjector->UnregisterEvent(EV_PRESTEP);
    delete pInjector;
}

}  // namespace
