// The paint's layers, probed in the back buffer: background colour, background image in its seven
// layouts, grid, caret, selection frames, hierarchy pane, the scene over them, and the size text.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "appfixture.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcomponent.h"
#include "kinetype/kterclay.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/kterdefault.h"
#include "kinetype/kterdrift.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktlexicon.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"
#include "pumenu/commandids.h"
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

    // The frame keeps one pixel clear around the bounds; the selected element's frame lies outside it.
    View()->m_selection.AddTail(pGlyph);
    Draw();
    Expect({
        {b.left, b.top, kBack, "the bounds' own corner stays clear"},
        {b.left - 1, b.top - 1, kBack, "one clear pixel"},
        {b.right, b.bottom, kBack, "one clear pixel past the bounds' bottom-right"},
        {b.left - 2, b.top - 2, kInv, "frame's top-left"},
        {b.right + 1, b.bottom + 1, kInv, "frame's bottom-right"},
        {b.left - 2, b.top + 1, kInv, "frame's left side"},
        {b.left - 1, b.top + 1, kBack, "hollow"},
        {b.left - 3, b.top - 3, kInv, "selected element's frame 1 pixel outside"},
        {b.right + 2, b.bottom + 2, kInv, "outer frame's bottom-right"},
        {b.left - 4, b.top - 4, kBack, "outside both"},
    });
    View()->m_pSelected = nullptr;
    Draw();
    Expect({{b.left - 2, b.top - 2, kInv, "frame"}, {b.left - 3, b.top - 3, kBack, "no outer frame"}});
    View()->m_selection.RemoveAll();
}

// ---- selection frames over a living scene --------------------------------------------------------

// Synonyms for the scene's "car", so that the shift runs without the lexical database.
class CCarLexicon : public CKTLexicon {
public:
    BOOL Init() override { return TRUE; }
    std::vector<KTSynset> FindSynsets(const char* pszWord, int, int, int) override {
        if (std::strcmp(pszWord, "car") != 0) return {};
        KTSynset s;
        s.words = {"car", "auto", "machine"};
        s.nWhichWord = 1;
        return {s};
    }
};

// Words of letters without ascenders or descenders, whose ink fills their box from top to bottom
// (the words a frame on the box would run into), in every softtype and under the appearance and
// text behaviours, in a running book.
class SelectionOverTheScene : public Paint {
protected:
    CCarLexicon m_lexicon;
    CKTLexicon* m_pOldLexicon = nullptr;
    std::vector<std::pair<std::string, CKTElement*>> m_words;  // what, the word

    void SetUp() override {
        Paint::SetUp();
        m_pOldLexicon = KTSetLexicon(&m_lexicon);
        crt::reset_rand();
        View()->m_bCaretShown = 0;
        View()->m_dSynShiftSpeed = 0.15;  // a shift every 7 steps: each sample shows another word
    }
    void TearDown() override {
        KTSetLexicon(m_pOldLexicon);
        Paint::TearDown();
    }

    // The next word of the scene, on a grid of 4 columns, in a dark blue that shows on white and black.
    CKTWord* Place(const char* text) {
        const int i = static_cast<int>(m_words.size());
        CKTPassage* pPassage = AddText(text, 30 + 150 * (i % 4), 50 + 84 * (i / 4));
        auto* pWord = static_cast<CKTWord*>(pPassage->GetFirstChild());
        pWord->SetColor(RGB(20, 30, 140));
        return pWord;
    }
    void AddSoftType(const char* what, const char* text, CKTElementRenderer* pRenderer) {
        CKTWord* pWord = Place(text);
        if (!pWord->SetRenderer(pRenderer, TRUE)) delete pRenderer;
        m_words.emplace_back(what, pWord);
    }
    // The behaviour command nId on the word, or on its glyphs (bGlyphs), without its dialog.
    void AddBehavior(const char* what, const char* text, UINT nId, bool bGlyphs) {
        CKTWord* pWord = Place(text);
        CQuillView* v = View();
        v->m_selection.RemoveAll();
        if (bGlyphs)
            for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling()) v->m_selection.AddTail(g);
        else
            v->m_selection.AddTail(pWord);
        v->ExecuteCommand(nId, FALSE);
        v->m_selection.RemoveAll();
        m_words.emplace_back(what, pWord);
    }

    // The back buffer's pixels, row by row.
    std::vector<uint32_t> Pixels() const {
        const gdi::Surface* s = View()->GetBackBuffer();
        std::vector<uint32_t> out;
        for (int y = 0; y < s->Height(); ++y) out.insert(out.end(), s->Row(y), s->Row(y) + s->Width());
        return out;
    }

    // The same frame painted without and with pElement selected (and the selected element): the
    // only pixels that differ lie on the two frames, which stand one clear pixel around the bounds and
    // one pixel further out; every pixel of the bounds (the glyphs' own) and of the clear ring is the
    // same, and every outline pixel the scene leaves bare shows the frame colour.
    void ExpectOnlyHollowFrames(CKTElement* pElement, const std::string& what) {
        CQuillView* v = View();
        v->m_selection.RemoveAll();
        v->m_pSelected = nullptr;
        Draw();
        const std::vector<uint32_t> plain = Pixels();
        v->m_selection.AddTail(pElement);
        v->m_pSelected = pElement;
        Draw();
        const std::vector<uint32_t> framed = Pixels();
        v->m_selection.RemoveAll();
        v->m_pSelected = nullptr;

        const CRect b = pElement->GetAbsoluteBounds();
        CRect inner = b, outer = b;
        inner.InflateRect(2, 2);
        outer.InflateRect(3, 3);
        const auto onOutline = [](const CRect& r, int x, int y) {
            return r.PtInRect(CPoint(x, y)) && (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1);
        };
        const uint32_t back = gdi::ColorToPixel(Book()->GetBackgroundColor());
        const uint32_t inv = gdi::ColorToPixel(InvertColor(Book()->GetBackgroundColor()));
        const int w = View()->GetBackBuffer()->Width();
        int nStray = 0, nBare = 0, nFrame = 0;
        CPoint ptStray(-1, -1);
        for (size_t i = 0; i < plain.size(); ++i) {
            const int x = static_cast<int>(i) % w, y = static_cast<int>(i) / w;
            const bool bOutline = onOutline(inner, x, y) || onOutline(outer, x, y);
            if (!bOutline) {
                if (plain[i] != framed[i] && nStray++ == 0) ptStray = CPoint(x, y);
            } else if (plain[i] == back) {
                if (framed[i] == inv) ++nFrame; else ++nBare;
            }
        }
        EXPECT_EQ(nStray, 0) << what << ": pixels off the frames changed, the first at (" << ptStray.x << ","
                             << ptStray.y << "); bounds (" << b.left << "," << b.top << "," << b.right << ","
                             << b.bottom << ")";
        EXPECT_EQ(nBare, 0) << what << ": outline pixels without the frame colour";
        EXPECT_GT(nFrame, 0) << what << ": no frame shown";
    }
};

TEST_F(SelectionOverTheScene, TheSelectionAddsOnlyHollowFramesClearOfTheGlyphs) {
    const struct {
        const char* what;
        const char* text;
        std::function<CKTElementRenderer*()> make;
    } softTypes[] = {
        {"default", "wave", [] { return new CKTERDefault; }},
        {"particle", "oooo", [] { return new CKTERParticle; }},
        {"lens", "oooo", [] { return new CKTERLens; }},
        {"pull", "mown", [] { return new CKTERPull; }},
        {"pulse", "oooo", [] { return new CKTERPulse; }},
        {"splatter", "swum", [] { return new CKTERSplatter; }},
        {"transparent", "oooo", [] { return new CKTERTransparent; }},
        {"erosion", "ever", [] { return new CKTERErosion; }},
        {"clay", "were", [] { return new CKTERClay; }},
        {"drift", "mass", [] { return new CKTERDrift; }},
        {"erode edge", "vase", [] { return new CKTERErodeEdge; }},
        {"colour static", "oooo", [] { return new CKTERColorStatic; }},
        {"trail", "sour", [] { return new CKTERTrail; }},
    };
    for (const auto& t : softTypes) AddSoftType(t.what, t.text, t.make());
    AddBehavior("wave on the word", "wave", ID_BHVR_WAVE, false);
    AddBehavior("wave on the glyphs", "ocean", ID_BHVR_WAVE, true);
    AddBehavior("synonym shift", "car", ID_BHVR_SYNONYM_SHIFT, false);
    auto* pShifting = static_cast<CKTWord*>(m_words.back().second);
    AddBehavior("cryptographic", "onion", ID_BHVR_CRYPTOGRAPHIC, true);
    AddBehavior("throb", "some", ID_BHVR_THROB, false);
    AddBehavior("fade", "rose", ID_BHVR_FADE, false);
    AddBehavior("focal fade", "zero", ID_BHVR_FOCAL_FADE, false);

    Book()->SetRunState(1);
    View()->OnMouseMove(0, CPoint(200, 150));  // the mouse among the words: the softtypes react to it
    // The background as the MIDI note toggles it: white and black.
    const COLORREF backgrounds[] = {RGB(255, 255, 255), RGB(0, 0, 0)};
    std::vector<std::string> shifted;  // the synonym-shift word at each sample
    for (int nStep = 0; nStep <= 16; ++nStep) {
        Book()->Step();
        if (nStep % 8) continue;
        shifted.push_back(pShifting->GetText().GetString());
        for (COLORREF crBack : backgrounds) {
            Book()->SetBackgroundColor(crBack);
            for (const auto& [what, pWord] : m_words)
                ExpectOnlyHollowFrames(pWord, what + " at step " + std::to_string(nStep) + " on " + std::to_string(crBack));
        }
    }
    // The shift ran: the frames followed the word's new letters.
    EXPECT_EQ(shifted, (std::vector<std::string>{"car", "auto", "machine"}));
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
