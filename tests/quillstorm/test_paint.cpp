// The paint's layers, probed in the back buffer: background colour, background image in its seven
// layouts, grid, caret, selection frames, hierarchy pane, the scene over them, and the size text.
#include <cstring>

#include "appfixture.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcomponent.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "quillstorm/pximage.h"

namespace {

constexpr COLORREF kBack = RGB(200, 100, 0);
constexpr COLORREF kInv = RGB(55, 155, 255);   // InvertColor(kBack)
constexpr COLORREF kGrid = RGB(27, 77, 127);   // kInv, each component halved

static_assert(InvertColor(kBack) == kInv);
static_assert(InvertColor(0xFF123456) == 0x00EDCBA9);

// Paints a rectangle in one colour on every draw: stands for the scene.
class CScenePatch : public CKTComponent {
public:
    CRect rc;
    COLORREF cr = 0;
    void OnEvent(int nEvent) override {
        if (nEvent == EV_DRAW) GetBook()->GetCurrentDC()->FillSolidRect(&rc, cr);
    }
};

LOGFONT Font(int nPoints) {
    LOGFONT lf;
    std::memset(&lf, 0, sizeof(lf));
    lf.lfHeight = nPoints * 10;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

class Paint : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(Start());
        View()->SetCanvasSize(640, 480);
        ASSERT_EQ(View()->width(), 640);
        Book()->SetBackgroundColor(kBack);
    }

    void Draw() { View()->OnDraw(View()->GetDC()); }

    COLORREF At(int x, int y) const {
        const gdi::Surface* s = View()->GetBackBuffer();
        if (!s || !s->Contains(x, y)) return CLR_INVALID;
        return gdi::PixelToColor(s->Row(y)[x]) & 0xFFFFFF;
    }

    struct Probe {
        int x, y;
        COLORREF cr;
        const char* what;
    };
    void Expect(std::initializer_list<Probe> probes) {
        for (const Probe& p : probes) EXPECT_EQ(At(p.x, p.y), p.cr) << p.what << " at (" << p.x << "," << p.y << ")";
    }

    // A passage of one word of the given characters, moved to (x, y).
    CKTPassage* AddText(const char* text, int x, int y) {
        auto* pPassage = new CKTPassage;
        Book()->GetRoot()->AppendChild(pPassage, TRUE);
        auto* pWord = new CKTWord;
        pPassage->AppendChild(pWord, TRUE);
        for (const char* c = text; *c; ++c) {
            auto* pGlyph = new CKTGlyph;
            pGlyph->SetFont(Font(24));
            pGlyph->SetChar(*c);
            pGlyph->SetColor(RGB(0, 0, 0));
            pWord->AppendChild(pGlyph, TRUE);
        }
        pPassage->MoveBy(x, y);
        return pPassage;
    }
};

TEST_F(Paint, GridAndCaretOverTheBackground) {
    View()->m_bShowGrid = 1;
    Draw();
    Expect({
        {5, 5, kBack, "background"},
        {0, 5, kGrid, "vertical line at x = 0"},
        {5, 0, kGrid, "horizontal line at y = 0"},
        {20, 7, kGrid, "vertical line at x = 20"},
        {620, 7, kGrid, "last vertical line"},
        {639, 7, kBack, "no line on the right edge (640 is a multiple of 20)"},
        {7, 460, kGrid, "last horizontal line"},
        {7, 479, kBack, "no line on the bottom edge"},
        // The caret at (50, 50), drawn over the grid.
        {50, 40, kInv, "top arm over the line y = 40"},
        {50, 46, kInv, "top arm"},
        {50, 39, kBack, "above the top arm"},
        {50, 59, kInv, "bottom arm"},
        {50, 60, kGrid, "the bottom arm stops short of y = 60"},
        {40, 50, kInv, "left arm over the line x = 40"},
        {39, 50, kBack, "left of the left arm"},
        {66, 50, kInv, "the right arm reaches 17 pixels"},
        {67, 50, kBack, "right of the right arm"},
        {60, 50, kInv, "right arm over the line x = 60"},
        {50, 50, kBack, "the circle is hollow"},
    });
    View()->m_bShowGrid = 0;
    View()->m_bCaretShown = 0;
    Draw();
    Expect({{0, 5, kBack, "no grid"}, {50, 46, kBack, "no caret"}});
}

TEST_F(Paint, SelectionFramesTheSelectedElementTwice) {
    CKTPassage* pPassage = AddText("H", 300, 300);
    auto* pGlyph = static_cast<CKTGlyph*>(pPassage->GetFirstChild()->GetFirstChild());
    const CRect b = pGlyph->GetAbsoluteBounds();
    // Without its renderer the glyph keeps its bounds and draws nothing over the frames.
    pGlyph->SetRenderer(nullptr, TRUE);
    ASSERT_EQ(pGlyph->GetAbsoluteBounds(), b);
    ASSERT_GT(b.Width(), 2);
    ASSERT_GT(b.Height(), 2);

    View()->m_pSelected = pGlyph;  // without a selection: no frame at all
    Draw();
    Expect({{b.left, b.top, kBack, "no frame"}, {b.left - 1, b.top - 1, kBack, "no outer frame"}});

    View()->m_selection.AddTail(pGlyph);
    Draw();
    Expect({
        {b.left, b.top, kInv, "frame's top-left"},
        {b.right - 1, b.bottom - 1, kInv, "frame's bottom-right (right and bottom outside)"},
        {b.left + 1, b.top + 1, kBack, "hollow"},
        {b.left - 1, b.top - 1, kInv, "selected element's frame 1 pixel outside"},
        {b.right, b.bottom, kInv, "outer frame's bottom-right"},
        {b.left - 2, b.top - 2, kBack, "outside both"},
    });
    View()->m_pSelected = nullptr;
    Draw();
    Expect({{b.left, b.top, kInv, "frame"}, {b.left - 1, b.top - 1, kBack, "no outer frame"}});
    View()->m_selection.RemoveAll();
}

TEST_F(Paint, TheSceneGoesOverCaretAndHierarchyAndTheSizeTextOverTheScene) {
    AddText("H", 300, 300);
    View()->m_bShowHierarchy = 1;
    Draw();
    const CRect rootBounds = Book()->GetRoot()->GetAbsoluteBounds();
    const CPoint c((rootBounds.left + rootBounds.right) / 2, (rootBounds.top + rootBounds.bottom) / 2);
    const CPoint rootCircle(c.x - 14 + 14, c.y + 14 + 14);  // centre of the 29 x 29 root circle
    EXPECT_EQ(At(rootCircle.x, rootCircle.y), RGB(245, 166, 92)) << "hierarchy root circle";

    CScenePatch patch;
    patch.cr = RGB(1, 2, 3);
    patch.rc = CRect(45, 45, 56, 56);  // over the caret
    Book()->AddListener(&patch, EV_DRAW, 0);
    Draw();
    Expect({{47, 50, patch.cr, "the scene over the caret"}, {50, 44, kInv, "caret outside the scene"}});

    patch.rc = CRect(rootCircle.x - 2, rootCircle.y - 2, rootCircle.x + 3, rootCircle.y + 3);
    Draw();
    EXPECT_EQ(At(rootCircle.x, rootCircle.y), patch.cr) << "the hierarchy lies under the scene";

    // The size text, in inverse colour, with its cell's top-left at (right - (cx + 5), bottom - (cy + 5)).
    CDC measure;
    measure.CreateCompatibleDC(nullptr);
    CFont font;
    font.CreateFont(11, 5, 0, 0, 400, 0, 0, 0, 0, 1, 2, 1, 0x22, "SF SmallVGA");
    measure.SelectObject(&font);
    const CSize ext = measure.GetTextExtent("(640,480)");
    const CRect cell(640 - (ext.cx + 5), 480 - (ext.cy + 5), 640 - 5, 480 - 5);
    patch.rc = CRect(cell.left - 10, cell.top - 10, 640, 480);
    View()->m_bSizeChanged = 1;
    Draw();
    int inkInCell = 0, inkOutside = 0;
    for (int y = patch.rc.top; y < patch.rc.bottom; ++y)
        for (int x = patch.rc.left; x < patch.rc.right; ++x)
            if (At(x, y) == InvertColor(kBack)) (cell.PtInRect(CPoint(x, y)) ? inkInCell : inkOutside)++;
    EXPECT_GT(inkInCell, 5) << "the size text is drawn over the scene, in its cell";
    EXPECT_EQ(inkOutside, 0) << "nothing of it outside the cell";
    View()->m_bSizeChanged = 0;
    Draw();
    EXPECT_EQ(At(cell.left + ext.cx / 2, cell.top + ext.cy / 2), patch.cr) << "gone with the flag";
    Book()->RemoveListener(&patch, EV_DRAW);
}

// ---- background image layouts -------------------------------------------------------------------

// An image whose pixel (x, y) has red x, green y and blue 7.
CRgbImage* TestImage(int w, int h) {
    auto* p = new CRgbImage;
    EXPECT_EQ(p->Allocate(CSize(w, h)), 0);
    uint8_t* bits = p->Lock();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = bits + (static_cast<size_t>(y) * w + x) * 3;
            px[0] = static_cast<uint8_t>(x);
            px[1] = static_cast<uint8_t>(y);
            px[2] = 7;
        }
    p->Unlock();
    return p;
}

TEST(BackgroundLayout, PositionTable) {
    struct Case {
        int layout, w, h, iw, ih;
        CPoint at;
    } cases[] = {
        {0, 10, 7, 3, 2, {0, 0}},    {1, 10, 7, 3, 2, {7, 0}},  {2, 10, 7, 3, 2, {0, 5}},
        {3, 10, 7, 3, 2, {7, 5}},    {4, 10, 7, 3, 2, {3, 2}},  {5, 10, 7, 3, 2, {0, 0}},
        {6, 10, 7, 3, 2, {0, 0}},    {7, 10, 7, 3, 2, {0, 0}},  {-1, 10, 7, 3, 2, {0, 0}},
        {4, 5, 5, 8, 8, {-1, -1}},   // an odd difference of -3 gives -1 (truncated toward zero)
        {3, 5, 5, 8, 9, {-3, -4}},   // larger than the client: negative, clipped
    };
    for (const Case& c : cases)
        EXPECT_EQ(CQuillView::BackgroundImagePosition(c.layout, c.w, c.h, c.iw, c.ih), c.at) << c.layout;
}

class Layouts : public Paint {
protected:
    void SetUp() override {
        Paint::SetUp();
        View()->m_bCaretShown = 0;
        View()->SetCanvasSize(10, 7);
        ASSERT_EQ(View()->width(), 10);
        ASSERT_EQ(View()->height(), 7);
    }
    void Show(int layout, int w, int h) {
        Book()->SetBackgroundImageLayout(layout);
        View()->SetBackgroundImage(TestImage(w, h));
        Draw();
    }
    // The image's pixel (ix, iy), or the background outside it.
    static COLORREF Image(int ix, int iy, int w, int h) {
        if (ix < 0 || iy < 0 || ix >= w || iy >= h) return kBack;
        return RGB(ix, iy, 7);
    }
};

// A 3 x 2 image on the 10 x 7 client: upper left, upper right, lower left, lower right, centred
// ((10 - 3) / 2, (7 - 2) / 2), and an unknown layout like upper left.
TEST_F(Layouts, EachLayoutPlacesTheImage) {
    struct Case {
        int layout;
        CPoint at;
    } cases[] = {{0, {0, 0}}, {1, {7, 0}}, {2, {0, 5}}, {3, {7, 5}}, {4, {3, 2}}, {9, {0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        Show(c.layout, 3, 2);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 10; ++x) ASSERT_EQ(At(x, y), Image(x - c.at.x, y - c.at.y, 3, 2)) << x << "," << y;
    }
}

TEST_F(Layouts, StretchedCoversTheClient) {
    Show(5, 3, 2);
    EXPECT_EQ(At(0, 0), Image(0, 0, 3, 2));
    EXPECT_EQ(At(9, 6), Image(2, 1, 3, 2));
    EXPECT_EQ(At(9, 0), Image(2, 0, 3, 2));
    EXPECT_EQ(At(0, 6), Image(0, 1, 3, 2));
    EXPECT_EQ(View()->m_nImageWidth, 10);
    EXPECT_EQ(View()->m_nImageHeight, 7);
}

TEST_F(Layouts, TiledRepeatsFromTheTopLeft) {
    Show(6, 3, 2);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(At(x, y), Image(x % 3, y % 2, 3, 2)) << x << "," << y;
    Show(6, 13, 9);  // larger than the client: one copy at (0, 0)
    EXPECT_EQ(At(9, 6), Image(9, 6, 13, 9));
}

TEST_F(Layouts, CentredLargerImageIsOffsetByTruncatedHalves) {
    Show(4, 13, 9);  // (10 - 13) / 2 = -1, (7 - 9) / 2 = -1
    EXPECT_EQ(At(0, 0), Image(1, 1, 13, 9));
}

TEST_F(Layouts, TheLayoutIsReadWhenTheImageIsLaidOut) {
    Show(0, 3, 2);
    Book()->SetBackgroundImageLayout(3);
    Draw();
    EXPECT_EQ(At(0, 0), Image(0, 0, 3, 2)) << "still upper left";
    View()->OnSize(0, 10, 7);  // a resize lays it out again
    Draw();
    EXPECT_EQ(At(7, 5), Image(0, 0, 3, 2));
    EXPECT_TRUE(View()->SetBackgroundImage(CString()));  // removed
    Draw();
    EXPECT_EQ(At(7, 5), kBack);
}

TEST_F(Layouts, EmptyImagesAndAnEmptyClientNeverHangOrCrash) {
    for (int layout : {0, 4, 5, 6}) {
        SCOPED_TRACE(layout);
        Show(layout, 0, 0);  // the bitmap of an empty image cannot be made
        EXPECT_EQ(At(0, 0), kBack);
        EXPECT_EQ(At(9, 6), kBack);
    }
    Book()->SetBackgroundImageLayout(6);
    View()->SetBackgroundImage(TestImage(3, 2));
    View()->resize(0, 0);
    Draw();
    ASSERT_NE(View()->GetBackBuffer(), nullptr);
    EXPECT_TRUE(View()->GetBackBuffer()->IsEmpty());
}

TEST_F(Layouts, AnImageThatDoesNotLoadKeepsTheOldOne) {
    Show(0, 3, 2);
    EXPECT_FALSE(View()->SetBackgroundImage(CString("missing.png")));
    Draw();
    EXPECT_EQ(At(0, 0), Image(0, 0, 3, 2));
}

// ---- the element-deleted callback ------------------------------------------------------------------

TEST_F(Paint, DeletedElementsLeaveTheViewsReferences) {
    CKTPassage* pPassage = AddText("ab", 100, 100);
    auto* pWord1 = static_cast<CKTWord*>(pPassage->GetFirstChild());
    auto* pWord2 = new CKTWord;
    pPassage->AppendChild(pWord2, TRUE);
    auto* pGlyph3 = new CKTGlyph;
    pGlyph3->SetChar('c');
    pWord2->AppendChild(pGlyph3, TRUE);
    auto* pGlyph1 = static_cast<CKTGlyph*>(pWord1->GetFirstChild());
    auto* pGlyph2 = static_cast<CKTGlyph*>(pGlyph1->GetNextSibling());

    CQuillView* v = View();
    v->m_pCurPassage = pPassage;
    v->m_pCurWord = pWord1;
    v->m_pCurGlyph = pGlyph2;
    v->m_pSelected = pGlyph1;
    v->m_pPrevSelected = pGlyph1;
    v->m_selection.AddTail(pGlyph1);
    v->m_selection.AddTail(pWord2);
    v->m_selection.AddTail(pGlyph1);
    v->m_pSprayPassage = pPassage;
    v->m_pSprayWord = pWord2;
    v->m_pSprayGlyph = pGlyph3;
    v->m_pSprayed = pWord2;

    // The first word with its glyphs goes (the book calls back for the queued element only).
    pWord1->Die(FALSE, FALSE);
    Book()->SetRunState(1);
    Book()->Step();
    EXPECT_EQ(v->m_selection.GetCount(), 1);
    EXPECT_EQ(v->m_selection.GetHead(), pWord2);
    EXPECT_EQ(v->m_pSelected, nullptr);
    EXPECT_EQ(v->m_pCurWord, nullptr);
    EXPECT_EQ(v->m_pCurGlyph, nullptr);
    EXPECT_EQ(v->m_pCurPassage, pPassage);
    EXPECT_EQ(v->m_pSprayWord, pWord2);
    EXPECT_EQ(v->m_pPrevSelected, nullptr) << "no pointer of the view outlives its element";

    // The passage: everything under it.
    pPassage->Die(FALSE, FALSE);
    Book()->Step();
    EXPECT_TRUE(v->m_selection.IsEmpty());
    EXPECT_EQ(v->m_pCurPassage, nullptr);
    EXPECT_EQ(v->m_pSprayPassage, nullptr);
    EXPECT_EQ(v->m_pSprayWord, nullptr);
    EXPECT_EQ(v->m_pSprayGlyph, nullptr);
    EXPECT_EQ(v->m_pSprayed, nullptr);
}

TEST_F(Paint, AfterTheViewIsGoneDeletingTheBookReachesNothingOfIt) {
    CKTPassage* pPassage = AddText("x", 10, 10);
    pPassage->Die(FALSE, FALSE);  // waits in the deletion queue of the stopped book
    Frame()->DestroyWindow();
    EXPECT_EQ(g_pView, nullptr);
    m_pApp.reset();  // the document deletes the book with its queue; the callback is gone
}

}  // namespace
