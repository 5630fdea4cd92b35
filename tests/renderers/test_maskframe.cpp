// What every mask renderer shares: the extent (outline box, metrics box for the space and the
// character 0), attaching, the characters that draw nothing, the test renderer, a mask read only with
// the rectangle it was built for, and a mask too large to build.
#include <functional>

#include "kinetype/ktercolorstatic.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "platform/gdi/font.h"
#include "rendererfixture.h"

namespace {

using rtest::CHandmade;
using rtest::Font;

struct Maker {
    const char* name;
    std::function<CKTMaskRenderer*()> make;
};

const Maker kAll[] = {
    {"transparent", [] { return new CKTERTransparent; }},
    {"trail", [] { return new CKTERTrail; }},
    {"colorstatic", [] { return new CKTERColorStatic; }},
    {"test", [] { return new CKTERTest; }},
    {"splatter", [] { return new CKTERSplatter; }},
    {"erosion", [] { return new CKTERErosion; }},
    {"erodeedge", [] { return new CKTERErodeEdge; }},
};

class MaskFrameTest : public rtest::RendererTest {
protected:
    // The box of c's outline region in the font, and the metrics box (black-box origin x to it plus
    // the advance, minus the black-box height to 0), each computed here from the DC.
    CRect OutlineBox(char c, LONG lfHeight = 240) {
        CFont font;
        const LOGFONT lf = Font(lfHeight);
        EXPECT_TRUE(font.CreatePointFontIndirect(&lf));
        CFont* pOld = MemDC()->SelectObject(&font);
        CKTGlyphRegion region(MemDC(), c);
        MemDC()->SelectObject(pOld);
        CRgn rgn;
        EXPECT_TRUE(rgn.CreatePolyPolygonRgn(region.m_pPoints, region.m_pPolyCounts, region.m_nPolys, WINDING));
        CRect box;
        rgn.GetRgnBox(&box);
        return box;
    }
    CRect MetricsBox(char c) {
        CFont font;
        const LOGFONT lf = Font(240);
        EXPECT_TRUE(font.CreatePointFontIndirect(&lf));
        CFont* pOld = MemDC()->SelectObject(&font);
        GLYPHMETRICS gm{};
        MAT2 m{};
        m.eM11.value = 1;
        m.eM22.value = 1;
        MemDC()->GetGlyphOutline(static_cast<unsigned char>(c), GGO_METRICS, &gm, 0, nullptr, &m);
        MemDC()->SelectObject(pOld);
        return CRect(gm.gmptGlyphOrigin.x, -static_cast<LONG>(gm.gmBlackBoxY), gm.gmptGlyphOrigin.x + gm.gmCellIncX, 0);
    }
    void Discard(CKTGlyph* pGlyph) {
        pGlyph->GetParent()->GetParent()->Die(FALSE, FALSE);
        Book().DeleteMoribund();
    }
};

TEST_F(MaskFrameTest, TheExtentIsTheOutlineBoxOrForBlanksTheMetricsBox) {
    const CRect rcW = OutlineBox('W'), rcG = OutlineBox('g'), rcSpace = MetricsBox(' '), rcZero = MetricsBox(0);
    EXPECT_LT(rcG.top, 0);
    EXPECT_GT(rcG.bottom, 0);  // the descender
    EXPECT_GT(rcSpace.Width(), 0);
    for (const Maker& m : kAll) {
        struct Case {
            char c;
            CRect expected;
        } cases[] = {{'W', rcW}, {'g', rcG}, {' ', rcSpace}, {0, rcZero}};
        for (const Case& c : cases) {
            CKTMaskRenderer* p = m.make();
            CKTGlyph* pGlyph = AddGlyph(c.c, 30, 100, p);
            EXPECT_EQ(p->GetExtent(MemDC()), c.expected) << m.name << " '" << c.c << "'";
            // The glyph's bounds are the extent.
            EXPECT_EQ(pGlyph->GetAbsoluteBounds(), KTOffsetRect(c.expected, CPoint(30, 100))) << m.name;
            Discard(pGlyph);
        }
    }
}

TEST_F(MaskFrameTest, OtherInstalledFacesGiveTheirOwnMasks) {
    // The mask is the outline box of the glyph in the renderer's own face, and a draw stays inside it.
    std::vector<CRect> boxes;
    for (const char* face : {"DejaVu Sans", "Liberation Serif", "Liberation Mono", "DejaVu Serif"}) {
        auto* p = new CKTERSplatter;
        CKTGlyph* pGlyph = AddGlyph('g', 60, 100, p);
        pGlyph->SetFont(Font(360, face));
        pGlyph->SetColor(RGB(0, 0, 0));
        Paint();
        CFont font;
        const LOGFONT lf = Font(360, face);
        ASSERT_TRUE(font.CreatePointFontIndirect(&lf));
        CFont* pOld = MemDC()->SelectObject(&font);
        CKTGlyphRegion region(MemDC(), 'g');
        MemDC()->SelectObject(pOld);
        CRgn rgn;
        ASSERT_TRUE(rgn.CreatePolyPolygonRgn(region.m_pPoints, region.m_pPolyCounts, region.m_nPolys, WINDING));
        CRect box;
        rgn.GetRgnBox(&box);
        EXPECT_EQ(p->GetMaskRect(), box) << face;
        CRect ink;
        EXPECT_EQ(CountInk(kPaper, &ink), p->GetTotalCount()) << face;
        EXPECT_EQ(ink, KTOffsetRect(box, CPoint(60, 100))) << face;
        boxes.push_back(box);
        Discard(pGlyph);
    }
    EXPECT_NE(boxes[0], boxes[1]);  // the faces really differ
    EXPECT_NE(boxes[1], boxes[2]);
}

TEST_F(MaskFrameTest, AttachingRegistersAndDetachingLeaves) {
    struct Case {
        const Maker& maker;
        bool bMasterCopies;  // the word's renderer is a master listening to the pre-step
    } cases[] = {{kAll[0], true}, {kAll[1], false}, {kAll[2], false}, {kAll[3], false},
                 {kAll[4], true}, {kAll[5], true},  {kAll[6], true}};
    for (const Case& c : cases) {
        CKTWord* pWord = AddWord("ab", 10, 60);
        CKTMaskRenderer* p = c.maker.make();
        ASSERT_TRUE(pWord->SetRenderer(p, TRUE));
        EXPECT_EQ(p->IsRegistered(EV_PRESTEP), c.bMasterCopies) << c.maker.name;
        EXPECT_FALSE(p->IsRegistered(EV_DRAW)) << c.maker.name;
        for (int i = 0; i < 2; i++) {
            CKTElementRenderer* pGlyphs = Glyph(pWord, i)->GetRenderer();
            EXPECT_EQ(pGlyphs->GetRuntimeClass(), p->GetRuntimeClass()) << c.maker.name;
            EXPECT_EQ(pGlyphs->GetType(), p->GetType()) << c.maker.name;
            EXPECT_TRUE(pGlyphs->IsRegistered(EV_DRAW)) << c.maker.name;
            EXPECT_EQ(pGlyphs->IsRegistered(EV_PRESTEP), !c.bMasterCopies) << c.maker.name;
            EXPECT_TRUE(pGlyphs->AllowsChildRenderers());
            pGlyphs->SetElement(nullptr, TRUE);
            EXPECT_FALSE(pGlyphs->IsRegistered(EV_DRAW)) << c.maker.name;
            EXPECT_FALSE(pGlyphs->IsRegistered(EV_PRESTEP)) << c.maker.name;
            EXPECT_EQ(pGlyphs->GetElement(), Glyph(pWord, i));  // the pointer is kept
        }
        Discard(Glyph(pWord, 0));
    }
}

TEST_F(MaskFrameTest, TheSpaceAndTheCharacterZeroDrawNothingAndTheTestRendererNeverPaints) {
    for (const Maker& m : kAll) {
        for (char c : {' ', '\0', 'W'}) {
            CKTMaskRenderer* p = m.make();
            CKTGlyph* pGlyph = AddGlyph(c, 40, 100, p);
            pGlyph->SetColor(RGB(255, 0, 0));
            if (auto* pTransparent = dynamic_cast<CKTERTransparent*>(p)) pTransparent->SetTransparency(0.0f);
            for (int i = 0; i < 3; i++) {
                Tick(pGlyph->GetAbsoluteBounds().CenterPoint());
                Paint();
            }
            const bool bInk = c == 'W' && std::string(m.name) != "test";
            if (bInk) {
                CRect box;
                EXPECT_GT(CountInk(kPaper, &box), 50) << m.name;
                EXPECT_TRUE((box & pGlyph->GetAbsoluteBounds()) == box) << m.name << ": inside the glyph's bounds";
            } else {
                EXPECT_EQ(CountInk(), 0) << m.name << " '" << c << "'";
                EXPECT_EQ(p->GetMask(), nullptr) << m.name;
            }
            Discard(pGlyph);
        }
    }
    // The test renderer builds the outline and the extent all the same.
    auto* p = new CKTERTest;
    CKTGlyph* pGlyph = AddGlyph('k', 40, 100, p);
    Tick(CPoint(0, 0));
    EXPECT_TRUE(p->IsCacheValid());
    EXPECT_GT(p->GetRegion().m_nPoints, 0);
    EXPECT_EQ(pGlyph->GetBounds(), OutlineBox('k'));
}

TEST_F(MaskFrameTest, AMaskIsReadOnlyWithTheRectangleItWasBuiltFor) {
    // 'W', a space (no outline, a metrics box of other dimensions), 'i', 'W': a draw and a pre-step
    // after each change. The space frees the 'W' mask; nothing reads it with the space's rectangle.
    for (const Maker& m : kAll) {
        CKTMaskRenderer* p = m.make();
        CKTGlyph* pGlyph = AddGlyph('W', 40, 100, p);
        pGlyph->SetColor(RGB(0, 0, 0));
        for (char c : {'W', ' ', 'i', 'W', '\0', 'W'}) {
            pGlyph->SetChar(c);
            Paint();
            Tick(CPoint(45, 90));
            Paint();
            const CRect rcBounds = pGlyph->GetAbsoluteBounds();
            if (c == 'W' || c == 'i') {
                if (p->IntsPerPixel() > 0) {
                    ASSERT_NE(p->GetMask(), nullptr) << m.name << " '" << c << "'";
                    EXPECT_EQ(p->GetMaskRect(), p->GetExtent(MemDC())) << m.name;
                }
                CRect box;
                CountInk(kPaper, &box);
                EXPECT_TRUE((box & rcBounds) == box) << m.name << " '" << c << "'";
            } else {
                EXPECT_EQ(p->GetMask(), nullptr) << m.name << " '" << c << "'";
                EXPECT_EQ(CountInk(), 0) << m.name << " '" << c << "'";
            }
        }
        Discard(pGlyph);
    }
}

TEST_F(MaskFrameTest, AMaskTooLargeToBuildLeavesTheGlyphUndrawnUntilItChanges) {
    auto* p = new CHandmade<CKTERSplatter>({CRect(0, -20, 20, 0)});
    CKTGlyph* pGlyph = AddGlyph('x', 50, 100, p);
    pGlyph->SetColor(RGB(0, 0, 0));
    const int64_t nOld = CKTMaskRenderer::SetMaskLimit(399);  // the square needs 400 ints
    pGlyph->SetChar('y');
    for (int i = 0; i < 3; i++) {
        Tick(CPoint(55, 95));
        Paint();
    }
    EXPECT_EQ(CountInk(), 0);
    EXPECT_TRUE(p->IsCacheValid());
    EXPECT_EQ(p->GetMask(), nullptr);
    EXPECT_EQ(p->m_nBuilds, 1) << "not tried again every frame";
    EXPECT_EQ(pGlyph->GetAbsoluteBounds(), CRect(50, 80, 70, 100)) << "the extent is the outline's";

    CKTMaskRenderer::SetMaskLimit(nOld);
    Paint();
    EXPECT_EQ(CountInk(), 0) << "still undrawn: nothing changed";
    pGlyph->SetChar('z');
    Paint();
    EXPECT_EQ(CountInk(), 400);
    EXPECT_EQ(p->m_nBuilds, 2);
}

TEST_F(MaskFrameTest, FontAndSizeChangesRebuildTheMask) {
    for (const Maker& m : kAll) {
        if (!std::unique_ptr<CKTMaskRenderer>(m.make())->IntsPerPixel()) continue;  // the test renderer
        CKTMaskRenderer* p = m.make();
        CKTGlyph* pGlyph = AddGlyph('E', 40, 150, p);
        Paint();
        ASSERT_EQ(p->GetMaskRect(), OutlineBox('E')) << m.name;
        pGlyph->SetFontSize(48);
        EXPECT_FALSE(p->IsCacheValid());
        EXPECT_EQ(p->GetPointSize(), 48);
        Paint();
        EXPECT_EQ(p->GetMaskRect(), OutlineBox('E', 480)) << m.name;
        EXPECT_EQ(pGlyph->GetBounds(), OutlineBox('E', 480)) << m.name;
        // A colour change keeps the cache.
        pGlyph->SetColor(RGB(1, 2, 3));
        EXPECT_TRUE(p->IsCacheValid()) << m.name;
        Discard(pGlyph);
    }
}

}  // namespace
