// Scenes for the renderer tests: a running book on a fake window, glyphs and words placed where a test
// says, hand-made outlines for the mask passes, and the C runtime's random sequence computed apart.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "kinetype/ktbook.h"
#include "kinetype/ktfakewindow.h"
#include "kinetype/test_element_fixture.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktmaskrenderer.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"

namespace rtest {

using kttest::Font;

// The C runtime's generator, written out here: seed x 214013 + 2531011, bits 16 to 30, from seed 1.
struct RandSequence {
    uint32_t seed = 1;
    int Next() {
        seed = seed * 214013u + 2531011u;
        return static_cast<int>((seed >> 16) & 0x7FFF);
    }
};

// A renderer of class R whose outline is the given rectangles (each a polygon, clockwise on the
// screen, so they add up under WINDING) and, with holes, rectangles going the other way round.
template <class R>
class CHandmade : public R {
public:
    CHandmade(std::initializer_list<CRect> solids, std::initializer_list<CRect> holes = {}) {
        for (const CRect& rc : solids) Add(rc, false);
        for (const CRect& rc : holes) Add(rc, true);
    }
    int m_nBuilds = 0;

protected:
    BOOL BuildOutline(CDC*) override {
        m_nBuilds++;
        CKTGlyphRegion region;
        region.m_nPoints = static_cast<int>(m_points.size());
        region.m_nPolys = static_cast<int>(m_points.size() / 4);
        region.m_pPoints = new POINT[m_points.size()];
        region.m_pPolyCounts = new int[m_points.size() / 4];
        for (size_t i = 0; i < m_points.size(); i++) region.m_pPoints[i] = m_points[i];
        for (int i = 0; i < region.m_nPolys; i++) region.m_pPolyCounts[i] = 4;
        this->m_region = region;
        return TRUE;
    }

private:
    void Add(const CRect& rc, bool bHole) {
        POINT p[4] = {{rc.left, rc.top}, {rc.right, rc.top}, {rc.right, rc.bottom}, {rc.left, rc.bottom}};
        if (bHole) std::swap(p[1], p[3]);
        m_points.insert(m_points.end(), p, p + 4);
    }
    std::vector<POINT> m_points;
};

class RendererTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;
    static constexpr COLORREF kPaper = RGB(255, 255, 255);

    void SetUp() override {
        g_bLoading = 0;
        crt::reset_rand();
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
        m_pBook->SetRunState(1);
    }
    void TearDown() override { m_pBook.reset(); }

    CKTBook& Book() { return *m_pBook; }
    CDC* MemDC() { return m_pBook->GetCurrentDC(); }

    // A word of the characters (laid out by the line flow) alone in a passage at (x, y).
    CKTWord* AddWord(const std::string& text, int x, int y, LONG lfHeight = 240) {
        auto* pPassage = new CKTPassage;
        m_pBook->GetRoot()->AppendChild(pPassage, FALSE);
        pPassage->MoveBy(CKTVector(x, y, 0.0));
        auto* pWord = new CKTWord;
        pWord->SetFont(Font(lfHeight));
        for (char c : text) {
            auto* pGlyph = new CKTGlyph;
            pGlyph->SetFont(Font(lfHeight));
            pGlyph->SetChar(c);
            pWord->AppendChild(pGlyph, TRUE);
        }
        pPassage->AppendChild(pWord, TRUE);
        return pWord;
    }
    // A glyph alone in a word at (x, y), drawn by p (which it takes).
    CKTGlyph* AddGlyph(char c, int x, int y, CKTElementRenderer* p, LONG lfHeight = 240) {
        CKTGlyph* pGlyph = Glyph(AddWord(std::string(1, c), x, y, lfHeight), 0);
        EXPECT_TRUE(pGlyph->SetRenderer(p, TRUE));
        return pGlyph;
    }
    static CKTGlyph* Glyph(CKTElement* pWord, int i) { return static_cast<CKTGlyph*>(pWord->GetChildAt(i)); }
    template <class R>
    static R* RendererOf(CKTElement* p) {
        return dynamic_cast<R*>(p->GetRenderer());
    }

    // One tick with the mouse at pt.
    void Tick(CPoint pt) {
        m_pBook->OnMouseMove(pt);
        m_pBook->Step();
    }
    // A paint on paper of colour cr.
    void Paint(COLORREF cr = kPaper) {
        CDC* pDC = m_wnd.GetPaintDC();
        pDC->FillSolidRect(0, 0, kWidth, kHeight, cr);
        m_pBook->Draw(pDC);
    }
    COLORREF Pixel(int x, int y) { return m_wnd.GetPaintDC()->GetPixel(x, y); }
    // Pixels of the surface that are not cr, and their bounding box.
    int CountInk(COLORREF crPaper = kPaper, CRect* pBox = nullptr) {
        int n = 0;
        CRect box(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++)
                if (Pixel(x, y) != crPaper) {
                    n++;
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (pBox) *pBox = n ? box : CRect(0, 0, 0, 0);
        return n;
    }
    // Entries of a renderer's mask (one int a pixel) that satisfy pred.
    template <class Pred>
    static int CountEntries(const CKTMaskRenderer* p, Pred pred) {
        const int* pMask = p->GetMask();
        if (!pMask) return 0;
        const CRect rc = p->GetMaskRect();
        int n = 0;
        for (int i = 0; i < rc.Width() * rc.Height(); i++) n += pred(pMask[i]) ? 1 : 0;
        return n;
    }

    CKTFakeWindow m_wnd{kWidth, kHeight};
    std::unique_ptr<CKTBook> m_pBook;
};

}  // namespace rtest
