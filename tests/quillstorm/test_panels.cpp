// The properties panel and the timeline pane: the panel's height, hit tests and picture, the
// half-and-half blend, panes partly off the target, the panel's texts from the selection or the typing
// state, the clicks on the panel, dragging both panes, and the pane commands as the paint sees them.
#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "inputfixture.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktkilloncollision.h"
#include "kinetype/ktwavebhvr.h"
#include "platform/ui/paramdialog.h"
#include "platform/ui/virtualkeys.h"
#include "pumenu/commandids.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/floatingpane.h"
#include "quillstorm/propertypanel.h"
#include "quillstorm/timelinepanel.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kText = RGB(1, 1, 1);
// The panel's colours.
constexpr COLORREF kRow = RGB(240, 188, 114);
constexpr COLORREF kBand = RGB(240, 189, 122);
constexpr COLORREF kTitle = RGB(240, 149, 54);
// The timeline's colours.
constexpr COLORREF kLight = RGB(246, 217, 165);
constexpr COLORREF kDark = RGB(249, 207, 132);
constexpr COLORREF kBar = RGB(240, 123, 14);
constexpr COLORREF kLine = RGB(100, 98, 100);

// Each colour byte the average of the two, rounded down: worked out by hand in the tables below; this
// only checks those numbers.
constexpr COLORREF Half(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
}
static_assert(Half(kTitle, kWhite) == RGB(247, 202, 154));
static_assert(Half(kBand, kWhite) == RGB(247, 222, 188));
static_assert(Half(kRow, kWhite) == RGB(247, 221, 184));
static_assert(Half(kDark, kWhite) == RGB(252, 231, 193));
static_assert(Half(kBar, kWhite) == RGB(247, 189, 134));

// A memory DC over a w x h bitmap filled with one colour, or with a pattern of (x, y).
struct Target {
    CDC dc;
    CBitmap bitmap;
    Target(int w, int h, COLORREF cr) {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(nullptr, w, h);
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, w, h, cr);
    }
    Target(int w, int h, const std::function<COLORREF(int, int)>& pattern) : Target(w, h, kBlack) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) dc.SetPixel(x, y, pattern(x, y));
    }
    const gdi::Surface& Surface() const { return bitmap.GetSurface(); }
    COLORREF At(int x, int y) const {
        return Surface().Contains(x, y) ? gdi::PixelToColor(Surface().Row(y)[x]) & 0xFFFFFF : CLR_INVALID;
    }
    int Count(const CRect& rc, COLORREF cr) const {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x) n += At(x, y) == cr;
        return n;
    }
};

struct Probe {
    int x, y;
    COLORREF cr;
    const char* what;
};

void ExpectProbes(const Target& t, CPoint at, std::initializer_list<Probe> probes) {
    for (const Probe& p : probes)
        EXPECT_EQ(t.At(at.x + p.x, at.y + p.y), p.cr) << p.what << " at (" << p.x << "," << p.y << ") of the pane";
}

void SetRows(CPropertyPanel& panel, std::initializer_list<const char*> names) {
    panel.m_behaviorNames.RemoveAll();
    for (const char* n : names) panel.m_behaviorNames.Add(n);
}

// ---- the panel on its own ----------------------------------------------------------------------------

TEST(PropertyPanel, StartsAtItsPlaceVisibleAndOpaque) {
    CPropertyPanel panel;
    EXPECT_EQ(panel.m_rcPanel, CRect(10, 110, 157, 292));
    EXPECT_TRUE(panel.IsVisible());
    EXPECT_FALSE(panel.IsTranslucent());
    panel.SetTranslucent();
    EXPECT_TRUE(panel.IsTranslucent());
    panel.ClearTranslucent();
    EXPECT_FALSE(panel.IsTranslucent());
    CTimelinePanel timeline;
    EXPECT_EQ(timeline.m_rcPanel, CRect(0, 300, 800, 462));
    EXPECT_TRUE(timeline.IsVisible());
    EXPECT_FALSE(timeline.IsTranslucent());
}

// 160 pixels and 11 a row; the stripes run to the frame, the last one cut by it.
TEST(PropertyPanel, DrawSetsTheHeightFromTheRows) {
    struct Case {
        std::initializer_list<const char*> rows;
        int height;
        std::initializer_list<Probe> probes;  // relative to the panel
    } cases[] = {
        {{}, 160, {{2, 140, kRow, "row stripe 137-148"}, {2, 150, kBand, "band 148-159"}, {2, 159, kBlack, "frame"}}},
        {{"a"}, 171, {{2, 160, kRow, "row stripe 159-170"}, {2, 169, kRow, "row stripe 159-170"}, {2, 170, kBlack, "frame"}}},
        {{"a", "b", "c"}, 193, {{2, 175, kBand, "band 170-181"}, {2, 186, kRow, "row stripe 181-192"}, {2, 192, kBlack, "frame"}}},
    };
    for (const Case& c : cases) {
        CPropertyPanel panel;
        panel.m_rcPanel = CRect(30, 40, 177, 999);
        SetRows(panel, c.rows);
        Target t(300, 300, kWhite);
        panel.Draw(&t.dc);
        EXPECT_EQ(panel.m_rcPanel, CRect(30, 40, 177, 40 + c.height));
        ExpectProbes(t, CPoint(30, 40), c.probes);
        EXPECT_EQ(t.At(60, 40 + c.height), kWhite) << "below the panel";
    }
}

TEST(PropertyPanel, HitTestsUseTheRowsValueAreas) {
    CPropertyPanel panel;  // (10, 110) to (157, ...)
    SetRows(panel, {"Gravity", "Cruise", "Viscous Drag"});
    Target t(300, 400, kWhite);
    panel.Draw(&t.dc);
    struct Case {
        int dx, dy;  // from the panel's top-left corner
        BOOL bSoftType;
        int nBehavior;
    } cases[] = {
        {70, 115, TRUE, -1},  {69, 115, FALSE, -1}, {70, 126, FALSE, -1}, {70, 125, TRUE, -1},
        {146, 115, TRUE, -1}, {147, 115, FALSE, -1}, {70, 114, FALSE, -1},
        {70, 136, FALSE, 0},  {70, 146, FALSE, 0},  {70, 147, FALSE, 1},  {70, 158, FALSE, 2},
        {146, 158, FALSE, 2}, {147, 158, FALSE, -1}, {69, 158, FALSE, -1}, {70, 169, FALSE, -1},
        {70, 135, FALSE, -1}, {0, 0, FALSE, -1},
    };
    for (const Case& c : cases) {
        const CPoint pt(10 + c.dx, 110 + c.dy);
        EXPECT_EQ(panel.HitSoftType(pt), c.bSoftType) << c.dx << "," << c.dy;
        EXPECT_EQ(panel.HitBehavior(pt), c.nBehavior) << c.dx << "," << c.dy;
    }
}

TEST(PropertyPanel, SoftTypeNames) {
    const char* names[] = {"default", "default", "particle", "lens", "pull", "pulse", "disintegrate", "default",
                           "transparent", "erosion", "clay", "drift", "erodeedge", "colorstatic", "trail", "default"};
    for (int nType = 0; nType < 16; ++nType) EXPECT_STREQ(CPropertyPanel::SoftTypeName(nType), names[nType]) << nType;
    EXPECT_STREQ(CPropertyPanel::SoftTypeName(-1), "default");
}

// The panel as the user sees it: bands, title, stripes, the black frame, text in RGB(1, 1, 1).
TEST(PropertyPanel, PictureOverTheTarget) {
    CPropertyPanel panel;
    panel.m_strClock = "00000012.34";
    panel.m_strFont = "Liberation Sans";
    panel.m_strSize = "24 pt";
    panel.m_strPosition = "x:50 y:50";
    panel.m_strSoftType = "default";
    SetRows(panel, {"Gravity"});
    Target t(300, 400, kWhite);
    panel.Draw(&t.dc);
    const CPoint o(10, 110);
    ExpectProbes(t, o, {
        {2, 2, kBand, "top band"},
        {2, 10, kTitle, "title band"},
        {2, 20, kBand, "band under the title"},
        {2, 30, kRow, "first row stripe"},
        {2, 40, kBand, "first band stripe"},
        {145, 30, kRow, "stripe at x W - 2"},
        {146, 30, kBlack, "right frame"},
        {0, 30, kBlack, "left frame"},
        {50, 0, kBlack, "top frame"},
        {50, 170, kBlack, "bottom frame"},
        {-1, 30, kWhite, "left of the panel"},
        {147, 30, kWhite, "right of the panel"},
        {50, 171, kWhite, "below the panel"},
        {50, -1, kWhite, "above the panel"},
    });
    auto textIn = [&](int l, int tp, int r, int b) { return t.Count(CRect(o.x + l, o.y + tp, o.x + r, o.y + b), kText); };
    EXPECT_GT(textIn(25, 3, 146, 18), 30) << "title";
    EXPECT_GT(textIn(28, 27, 38, 40), 5) << "left arrowhead";
    EXPECT_GT(textIn(35, 48, 69, 59), 5) << "label font";
    EXPECT_GT(textIn(70, 48, 146, 59), 20) << "value font";
    EXPECT_GT(textIn(70, 136, 146, 147), 20) << "behaviour row";
    // Between the size row and the position row only the colour row's value could be: it is empty.
    EXPECT_EQ(textIn(70, 74, 146, 91), 0) << "empty colour value";
    panel.m_strColor = "(255,0,0)";
    panel.Draw(&t.dc);
    EXPECT_GT(textIn(70, 74, 146, 91), 10) << "colour value";
}

// The clock's arrowheads stand clear of its digits, in whatever face draws them: no pixel of theirs
// lies in the box of the digits' pixels, and there is one on each side of it.
TEST(PropertyPanel, ClockArrowsStandClearOfTheDigits) {
    const CPoint o(10, 110);
    for (const char* clock : {"00000000.00", "00000003.74", "12345678.90"}) {
        SCOPED_TRACE(clock);
        CPropertyPanel panel;
        panel.m_strClock = clock;
        Target t(300, 400, kWhite);
        panel.Draw(&t.dc);
        // The digits alone, in the panel's own text font at the panel's place for them.
        Target digits(300, 400, kWhite);
        CFont* pOld = digits.dc.SelectObject(&panel.m_fontText);
        digits.dc.SetBkMode(TRANSPARENT);
        digits.dc.SetTextColor(kText);
        digits.dc.TextOut(o.x + 40, o.y + 26, clock);
        digits.dc.SelectObject(pOld);
        // The title area between the title band and the first label: only the clock and its arrows.
        const CRect rcArea(o.x + 1, o.y + 18, o.x + 146, o.y + 47);
        CRect rcDigits(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
        for (int y = rcArea.top; y < rcArea.bottom; ++y)
            for (int x = rcArea.left; x < rcArea.right; ++x)
                if (digits.At(x, y) == kText)
                    rcDigits = CRect(std::min<int>(rcDigits.left, x), std::min<int>(rcDigits.top, y),
                                     std::max<int>(rcDigits.right, x + 1), std::max<int>(rcDigits.bottom, y + 1));
        ASSERT_LT(rcDigits.left, rcDigits.right) << "the digits draw";
        int nLeft = 0, nRight = 0, nOver = 0;
        for (int y = rcArea.top; y < rcArea.bottom; ++y)
            for (int x = rcArea.left; x < rcArea.right; ++x) {
                if (t.At(x, y) != kText || digits.At(x, y) == kText) continue;
                if (rcDigits.PtInRect(CPoint(x, y))) ++nOver;
                else if (x < rcDigits.left) ++nLeft;
                else if (x >= rcDigits.right) ++nRight;
            }
        EXPECT_EQ(nOver, 0) << "arrowhead pixels in the digits' box " << rcDigits.left - o.x << " to " << rcDigits.right - o.x;
        EXPECT_GT(nLeft, 5) << "left arrowhead";
        EXPECT_GT(nRight, 5) << "right arrowhead";
    }
}

// A value wider than its field is cut to the longest beginning that fits with "…" (0x85) after it,
// measured in the font the panel draws with; what fits is drawn as it is. Nothing is drawn past the
// field, on the frame or outside the panel.
TEST(PropertyPanel, ValuesThatDoNotFitEndInAnEllipsisInsideTheField) {
    const CPoint o(10, 110);
    CPropertyPanel panel;
    const int nField = panel.ValueFieldWidth();
    EXPECT_EQ(nField, 147 - 2 - 70) << "from the value column to a blank pixel before the frame";
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CFont* pOld = dc.SelectObject(&panel.m_fontText);
    struct Case {
        const char* text;
        bool bFits;
    } cases[] = {
        {"DejaVu Math TeX Gyre", false}, {"1D Collision Detection", false}, {"Liberation Sans Narrow Bold", false},
        {"WWWWWWWWWWWWWWWWWWWW", false}, {"Euler Integration", false}, {"Gravity", true}, {"Viscous Drag", true}, {"24 pt", true}, {"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CString fitted = panel.FitValue(&dc, c.text);
        EXPECT_LE(dc.GetTextExtent(fitted).cx, nField);
        if (c.bFits) {
            EXPECT_EQ(fitted, c.text);
            continue;
        }
        ASSERT_GE(fitted.GetLength(), 2);
        EXPECT_EQ(fitted.Right(1), "\x85");
        const CString kept = fitted.Left(fitted.GetLength() - 1);
        EXPECT_EQ(CString(c.text).Left(kept.GetLength()), kept) << "a beginning of the text";
        EXPECT_NE(kept.Right(1), " ") << "no blank before the ellipsis";
        // One letter more (with the blanks before it) and it would not fit.
        int n = kept.GetLength() + 1;
        while (c.text[n - 1] == ' ') ++n;
        EXPECT_GT(dc.GetTextExtent(CString(c.text).Left(n) + "\x85").cx, nField);
    }
    dc.SelectObject(pOld);

    // Drawn: the long font name and behaviour name give the same pixels as their cut forms, and no
    // value pixel reaches the blank column before the frame.
    auto draw = [&](const CString& font, const CString& behavior, Target& t) {
        CPropertyPanel p;
        p.m_strFont = font;
        SetRows(p, {"Gravity", behavior, "Viscous Drag"});
        p.Draw(&t.dc);
    };
    CDC measure;
    measure.CreateCompatibleDC(nullptr);
    measure.SelectObject(&panel.m_fontText);
    Target whole(300, 400, kWhite), cut(300, 400, kWhite);
    draw("DejaVu Math TeX Gyre", "1D Collision Detection", whole);
    draw(panel.FitValue(&measure, "DejaVu Math TeX Gyre"), panel.FitValue(&measure, "1D Collision Detection"), cut);
    int nDiffer = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 300; ++x) nDiffer += whole.At(x, y) != cut.At(x, y);
    EXPECT_EQ(nDiffer, 0);
    EXPECT_EQ(whole.Count(CRect(o.x + 70 + nField, o.y + 27, o.x + 146, o.y + 192), kText), 0) << "past the field";
    for (int y = 1; y < 192; ++y) ASSERT_EQ(whole.At(o.x + 146, o.y + y), kBlack) << "right frame at " << y;
    EXPECT_EQ(whole.Count(CRect(o.x + 147, o.y, o.x + 200, o.y + 193), kWhite), 53 * 193) << "right of the panel";
    EXPECT_GT(whole.Count(CRect(o.x + 70, o.y + 48, o.x + 70 + nField, o.y + 59), kText), 20) << "the font's name";
    EXPECT_GT(whole.Count(CRect(o.x + 70, o.y + 147, o.x + 70 + nField, o.y + 158), kText), 20) << "the behaviour's name";
}

TEST(PropertyPanel, TranslucentBlendsHalfAndHalfRoundingDown) {
    struct Case {
        COLORREF crBack;
        COLORREF crTitle, crBand, crRow, crFrame;
    } cases[] = {
        {kWhite, RGB(247, 202, 154), RGB(247, 222, 188), RGB(247, 221, 184), RGB(127, 127, 127)},
        {RGB(0, 100, 201), RGB(120, 124, 127), RGB(120, 144, 161), RGB(120, 144, 157), RGB(0, 50, 100)},
    };
    for (const Case& c : cases) {
        CPropertyPanel panel;
        panel.SetTranslucent();
        Target t(300, 400, c.crBack);
        panel.Draw(&t.dc);
        ExpectProbes(t, CPoint(10, 110), {
            {2, 10, c.crTitle, "title band"},
            {2, 2, c.crBand, "band"},
            {2, 30, c.crRow, "row stripe"},
            {0, 30, c.crFrame, "frame"},
            {-1, 30, c.crBack, "left of the panel"},
            {50, 160, c.crBack, "below the panel"},
        });
        EXPECT_GT(t.Count(CRect(35, 113, 150, 128), Half(kText, c.crBack)), 30) << "title text";
    }
}

// ---- panes that reach past the target's edges --------------------------------------------------------

TEST(PaneImage, CoversOnlyWhatLiesOnTheTarget) {
    Target t(200, 100, kWhite);
    struct Case {
        CRect rcPane;
        bool bMade;
        CSize size;
        CPoint origin;
    } cases[] = {
        {CRect(150, 50, 297, 1000050), true, CSize(50, 50), CPoint(0, 0)},
        {CRect(-100, -30, 47, 1000), true, CSize(47, 100), CPoint(-100, -30)},
        {CRect(10, 10, 20, 20), true, CSize(10, 10), CPoint(0, 0)},
        {CRect(200, 0, 300, 100), false, CSize(), CPoint()},
        {CRect(-147, 0, 0, 10), false, CSize(), CPoint()},
        {CRect(0, 100, 50, 200000000), false, CSize(), CPoint()},
    };
    for (const Case& c : cases) {
        CPaneImage image;
        ASSERT_EQ(image.Begin(&t.dc, c.rcPane) != FALSE, c.bMade);
        if (!c.bMade) continue;
        const gdi::Surface* s = image.GetDC()->GetSurface();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(CSize(s->Width(), s->Height()), c.size);
        EXPECT_EQ(image.Origin(), c.origin);
        image.End(FALSE);
    }
}

// A pane partly or wholly off the target leaves the target exactly as the part of a whole pane would,
// and everything around it as it was.
TEST(PaneImage, APanePartlyOffTheTargetGivesTheSamePixels) {
    auto pattern = [](int x, int y) { return RGB((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255); };
    const CPoint whole(200, 200);  // the pane drawn whole on a large target
    struct Case {
        bool bTimeline;
        bool bTranslucent;
        CPoint at;  // the pane's corner on the small target
    } cases[] = {
        {false, false, CPoint(-60, -40)}, {false, true, CPoint(-60, -40)}, {false, false, CPoint(50, 60)},
        {false, true, CPoint(50, 60)},    {true, false, CPoint(-300, -100)}, {true, true, CPoint(-300, -100)},
        {true, true, CPoint(40, 90)},     {false, true, CPoint(-147, 0)},   {true, true, CPoint(0, 120)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.bTimeline ? "timeline" : "panel") << (c.bTranslucent ? " translucent" : " opaque")
                                        << " at " << c.at.x << "," << c.at.y);
        const CSize shift = whole - c.at;  // small (x, y) shows large (x, y) + shift
        Target large(1100, 600, pattern);
        Target small(100, 120, [&](int x, int y) { return pattern(x + shift.cx, y + shift.cy); });
        auto draw = [&](Target& t, CPoint at) {
            if (c.bTimeline) {
                CTimelinePanel pane;
                pane.m_rcPanel.OffsetRect(at - pane.m_rcPanel.TopLeft());
                if (c.bTranslucent) pane.SetTranslucent();
                pane.Draw(&t.dc);
            } else {
                CPropertyPanel pane;
                pane.m_rcPanel.OffsetRect(at - pane.m_rcPanel.TopLeft());
                SetRows(pane, {"Gravity", "Cruise", "Viscous Drag"});
                pane.m_strClock = "00000001.50";
                if (c.bTranslucent) pane.SetTranslucent();
                pane.Draw(&t.dc);
            }
        };
        draw(large, whole);
        draw(small, c.at);
        int nDiffer = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 100; ++x) nDiffer += small.At(x, y) != large.At(x + shift.cx, y + shift.cy);
        EXPECT_EQ(nDiffer, 0);
    }
}

// ---- the panes in the view -----------------------------------------------------------------------------

class Panes : public InputFixture {
protected:
    void SetUp() override {
        InputFixture::SetUp();
        Book()->SetBackgroundColor(kWhite);
        View()->m_bCaretShown = 0;
        View()->m_bCaretHidden = 1;
    }
    CQuillView* v() const { return View(); }
    CPropertyPanel& Panel() const { return *View()->m_pPropertyPanel; }
    CTimelinePanel& Timeline() const { return *View()->m_pTimeline; }
    COLORREF At(int x, int y) const {
        const gdi::Surface* s = View()->GetBackBuffer();
        return s && s->Contains(x, y) ? gdi::PixelToColor(s->Row(y)[x]) & 0xFFFFFF : CLR_INVALID;
    }
    int CountIn(const CRect& rc, COLORREF cr) const {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x) n += At(x, y) == cr;
        return n;
    }
    // A passage of one word "ab" at (x, y) with the given font height (tenths of a point).
    CKTPassage* AddPassage(CKTVector at, int nHeight = 240) {
        LOGFONT lf = v()->m_logFont;
        lf.lfHeight = nHeight;
        auto* p = new CKTPassage;
        p->SetFont(lf);
        Root()->AppendChild(p, TRUE);
        auto* w = new CKTWord;
        w->SetFont(lf);
        p->AppendChild(w, TRUE);
        for (char c : {'a', 'b'}) {
            auto* g = new CKTGlyph;
            g->SetFont(lf);
            g->SetChar(c);
            w->AppendChild(g, TRUE);
        }
        p->MoveBy(at);
        return p;
    }
    void Select(CKTElement* e) {
        v()->m_selection.RemoveAll();
        v()->m_pSelected = e;
        if (e) v()->m_selection.AddTail(e);
    }
};

// A behaviour with a name of the test's choosing.
class CNamedBhvr : public CKTBehavior {
public:
    explicit CNamedBhvr(const char* pszName) : m_strName(pszName) {}
    CString GetName() const override { return m_strName; }
    CString m_strName;
};

TEST_F(Panes, BothStartHiddenAndAreNotFilledWhileHidden) {
    EXPECT_FALSE(Panel().IsVisible());
    EXPECT_FALSE(Timeline().IsVisible());
    Paint();
    EXPECT_TRUE(Panel().m_strFont.IsEmpty());
    EXPECT_EQ(At(12, 120), kWhite);
    EXPECT_EQ(At(5, 310), kWhite);
}

// F5 shows the panel with the typing state; the colour row shows the typing colour.
TEST_F(Panes, WithoutASelectionThePanelShowsTheTypingState) {
    v()->OnKeyDown(VK_F5, 1, 0);
    ASSERT_TRUE(Panel().IsVisible());
    v()->m_crTypingColor = RGB(255, 0, 0);
    v()->m_ptCaret = CPoint(33, -44);
    Paint();
    EXPECT_EQ(Panel().m_strFont.str(), std::string(v()->m_logFont.lfFaceName));
    EXPECT_FALSE(Panel().m_strFont.IsEmpty());
    EXPECT_EQ(Panel().m_strSize.str(), "24 pt");
    EXPECT_EQ(Panel().m_strColor.str(), "(255,0,0)");
    EXPECT_EQ(Panel().m_strPosition.str(), "x:33 y:-44");
    EXPECT_EQ(Panel().m_strSoftType.str(), "default");
    EXPECT_EQ(Panel().m_behaviorNames.GetSize(), 0);
    EXPECT_EQ(Panel().m_strClock.str(), "00000000.00");
    EXPECT_EQ(At(12, 120), kTitle);

    // The typing renderer's type, and the clock of a running scene.
    delete v()->m_pDefaultRenderer;
    v()->m_pDefaultRenderer = new CKTERParticle;
    Book()->SetRunState(1);
    for (int i = 0; i < 150; ++i) Book()->Step();
    Paint();
    EXPECT_EQ(Panel().m_strSoftType.str(), "particle");
    EXPECT_EQ(Panel().m_strClock.str(), "00000001.50");
}

TEST_F(Panes, WithASelectionThePanelShowsTheSelectedElement) {
    CKTPassage* p = AddPassage(CKTVector(12.7, -3.5, 0.0), 360);
    p->SetColor(RGB(255, 0, 0));
    auto* pKill = new CKTKillOnCollision;
    auto* pSecond = new CNamedBhvr("second");
    auto* pThird = new CNamedBhvr("third");
    for (CKTBehavior* b : std::initializer_list<CKTBehavior*>{pKill, pSecond, pThird}) {
        Book()->AddBehavior(b);
        ASSERT_TRUE(b->AddElement(p));
    }
    Select(p);
    v()->ExecuteCommand(ID_SHOW_PROPERTY_PANEL, TRUE);
    Paint();
    EXPECT_EQ(Panel().m_strFont.str(), std::string(v()->m_logFont.lfFaceName));
    EXPECT_EQ(Panel().m_strSize.str(), "36 pt");
    EXPECT_EQ(Panel().m_strColor.str(), "(255,0,0)");
    EXPECT_EQ(Panel().m_strPosition.str(), "x:12 y:-3");
    EXPECT_EQ(Panel().m_strSoftType.str(), "default");  // a passage has no renderer of its own
    ASSERT_EQ(Panel().m_behaviorNames.GetSize(), 3);
    EXPECT_EQ(Panel().m_behaviorNames[0].str(), "kill on collision");
    EXPECT_EQ(Panel().m_behaviorNames[1].str(), "second");
    EXPECT_EQ(Panel().m_behaviorNames[2].str(), "third");
    EXPECT_EQ(Panel().m_rcPanel.Height(), 160 + 3 * 11);

    // A glyph: its renderer's type; no behaviours. The size of an odd height is truncated.
    CKTGlyph* g = static_cast<CKTGlyph*>(p->GetFirstChild()->GetFirstChild());
    LOGFONT lf = g->GetFont();
    lf.lfHeight = 245;
    g->SetFont(lf);
    g->SetRenderer(new CKTERParticle, TRUE);
    Select(g);
    Paint();
    EXPECT_EQ(Panel().m_strSize.str(), "24 pt");
    EXPECT_EQ(Panel().m_strSoftType.str(), "particle");
    EXPECT_EQ(Panel().m_behaviorNames.GetSize(), 0);
    EXPECT_EQ(Panel().m_rcPanel.Height(), 160);

    // Nothing selected again: the typing state, no rows.
    Select(nullptr);
    Paint();
    EXPECT_EQ(Panel().m_strColor.str(), "(0,0,0)");
    EXPECT_EQ(Panel().m_strSize.str(), "24 pt");
}

// Clicks on the panes: which step takes the press, and whether the press then reaches the book and
// the click bookkeeping (a press that ends at the panel's editors does neither).
TEST_F(Panes, ClicksOnThePanes) {
    CKTPassage* pOne = AddPassage(CKTVector(300, 50, 0));    // one behaviour
    CKTPassage* pThree = AddPassage(CKTVector(300, 150, 0));  // three behaviours
    auto* pFirst = new CNamedBhvr("first");
    Book()->AddBehavior(pFirst);
    pFirst->AddElement(pOne);
    pFirst->AddElement(pThree);
    for (const char* name : {"second", "third"}) {
        auto* b = new CNamedBhvr(name);
        Book()->AddBehavior(b);
        b->AddElement(pThree);
    }
    v()->ExecuteCommand(ID_SHOW_PROPERTY_PANEL, TRUE);
    v()->ExecuteCommand(ID_SHOW_TIMELINE, TRUE);
    Timeline().m_rcPanel = CRect(0, 380, 800, 542);

    enum Selection { kNone, kOne, kStale };
    struct Case {
        const char* what;
        Selection sel;
        CPoint pt;
        bool bPanelShown;
        int nMode;       // the mouse mode after the press
        bool bFinished;  // steps 5 ran: the book's button is down, the click recorded
    } cases[] = {
        {"softtype row, nothing selected", kNone, CPoint(80, 225), true, 0, false},
        {"softtype row, an element selected", kOne, CPoint(150, 230), true, 0, false},
        {"behaviour row 0", kOne, CPoint(80, 246), true, 0, false},
        {"a row painted for another element", kStale, CPoint(80, 268), true, 0, false},
        {"a behaviour row with nothing selected", kNone, CPoint(80, 246), true, 4, true},
        {"the title", kOne, CPoint(15, 115), true, 4, true},
        {"the softtype label", kNone, CPoint(30, 225), true, 4, true},
        {"the timeline", kNone, CPoint(400, 400), true, 5, true},
        {"neither", kNone, CPoint(400, 300), true, 0, true},
        {"the hidden panel", kNone, CPoint(80, 225), false, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Panel().SetVisible(c.bPanelShown);
        // The panel as painted: with the rows of the three-behaviour element for the stale case.
        Select(c.sel == kNone ? nullptr : c.sel == kOne ? pOne : pThree);
        Paint();
        if (c.sel == kStale) Select(pOne);
        v()->OnLButtonUp(0, CPoint(0, 0));
        v()->m_nMouseMode = 0;
        v()->m_nClickAge = 40;
        v()->m_ptLastClick = CPoint(1, 1);
        v()->m_ptCaret = CPoint(7, 7);
        CKTElement* pSelected = v()->m_pSelected;

        v()->OnLButtonDown(0, c.pt);
        EXPECT_EQ(v()->m_nMouseMode, c.nMode);
        EXPECT_EQ(Book()->IsLeftButtonDown() != FALSE, c.bFinished);
        EXPECT_EQ(v()->m_nClickAge, c.bFinished ? 0 : 40);
        EXPECT_EQ(v()->m_ptLastClick, c.bFinished ? c.pt : CPoint(1, 1));
        if (c.nMode != 0 || !c.bFinished) {
            EXPECT_EQ(v()->m_pSelected, pSelected) << "the selection stays";
            EXPECT_EQ(v()->m_ptCaret, CPoint(7, 7)) << "the caret stays";
        } else {
            EXPECT_EQ(v()->m_pSelected, nullptr) << "a click on the canvas";
            EXPECT_EQ(v()->m_ptCaret, CPoint(c.pt.x, c.pt.y + 2));
        }
        v()->OnLButtonUp(0, c.pt);
        EXPECT_EQ(v()->m_nMouseMode, 0);
    }
}

// A press on the selection drags the selection, even where the panel lies over it.
TEST_F(Panes, TheSelectionUnderThePanelIsHitFirst) {
    CKTPassage* p = AddPassage(CKTVector(20, 150, 0));
    Select(p);
    v()->ExecuteCommand(ID_SHOW_PROPERTY_PANEL, TRUE);
    Paint();
    const CRect rc = p->GetAbsoluteBounds();
    const CPoint pt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ASSERT_TRUE(Panel().m_rcPanel.PtInRect(pt));
    v()->OnLButtonDown(0, pt);
    EXPECT_EQ(v()->m_nMouseMode, 3);
}

// The panel's rows open the editors: the softtype row that of the renderer shown (the typing renderer
// without a selection), a behaviour row that of the selected element's behaviour of that row. What the
// dialog shows and what OK writes are the editors' own; here: which one opens, on what, and that the
// press ends there.
TEST_F(Panes, TheRowsOpenTheRenderersAndTheBehavioursEditors) {
    CKTPassage* p = AddPassage(CKTVector(300, 50, 0));
    auto* g = static_cast<CKTGlyph*>(p->GetFirstChild()->GetFirstChild());
    auto* pPulse = new CKTERPulse;
    pPulse->m_fPeriod = 12.0f;
    ASSERT_TRUE(g->SetRenderer(pPulse, TRUE));
    auto* pCruise = new CKTCruiseBhvr;
    pCruise->SetMaxAcceleration(7.5);
    auto* pWave = new CKTWaveBhvr;
    pWave->SetMaxCrest(5.0);
    for (CKTBehavior* b : std::initializer_list<CKTBehavior*>{pCruise, pWave}) {
        Book()->AddBehavior(b);
        ASSERT_TRUE(b->AddElement(p));
    }
    m_ui.AnswerDialogOK();
    v()->ExecuteCommand(ID_SOFTTYPE_LENS, TRUE);  // the typing renderer: a lens
    auto* pLens = dynamic_cast<CKTERLens*>(v()->m_pDefaultRenderer);
    ASSERT_NE(pLens, nullptr);
    v()->ExecuteCommand(ID_SHOW_PROPERTY_PANEL, TRUE);

    struct Case {
        const char* what;
        CKTElement* pSelected;
        CSize at;  // from the panel's top left corner
        const char* title;
        int nField;
        const char* shown;
        const char* typed;
        std::function<double()> value;  // where the typed value must arrive
        bool bModified;
    } cases[] = {
        {"softtype row, nothing selected", nullptr, CSize(70, 115), "Set Lehs Parameters", 1013, "1", "4",
         [&] { return pLens->m_fMagnification; }, false},
        {"softtype row, a glyph selected", g, CSize(140, 125), "Set Pulse Parameters", 1009, "12", "9",
         [&] { return pPulse->m_fPeriod; }, true},
        {"behaviour row 0", p, CSize(70, 136), nullptr, 1020, "7.5", "8", [&] { return pCruise->GetMaxAcceleration(); },
         true},
        {"behaviour row 2", p, CSize(146, 158), nullptr, 1006, "5", "6", [&] { return pWave->GetMaxCrest(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Select(c.pSelected);
        Paint();
        v()->m_bModified = 0;
        m_ui.Clear();
        std::string shown, title;
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            title = d.GetTitle();
            shown = d.GetDlgItemText(c.nField).str();
            EXPECT_TRUE(d.TypeText(c.nField, c.typed));
            return IDOK;
        });
        v()->OnLButtonDown(MK_LBUTTON, Panel().m_rcPanel.TopLeft() + c.at);
        ASSERT_EQ(m_ui.Calls().size(), 1u);
        if (c.title) {
            EXPECT_EQ(title, c.title);
        }
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(c.value(), std::stod(c.typed));
        EXPECT_EQ(v()->m_bModified, c.bModified ? 1 : 0);
        EXPECT_EQ(v()->m_nMouseMode, 0);
        EXPECT_FALSE(Book()->IsLeftButtonDown()) << "the press ended at the editor";
        v()->OnLButtonUp(0, CPoint(0, 0));
    }
    EXPECT_EQ(pCruise->GetMaxAcceleration(), 8.0) << "row 2 edited the wave only";

    // A row painted for an element with more behaviours than the one selected now opens nothing: row 3
    // of an element with two records.
    auto* pThird = new CKTWaveBhvr;
    Book()->AddBehavior(pThird);
    ASSERT_TRUE(pThird->AddElement(p));
    Select(p);
    Paint();
    ASSERT_EQ(Panel().m_behaviorNames.GetSize(), 4);  // cruise, its integration, two waves
    CKTPassage* pOther = AddPassage(CKTVector(300, 200, 0));
    ASSERT_TRUE(pCruise->AddElement(pOther));
    Select(pOther);
    m_ui.Clear();
    v()->OnLButtonDown(MK_LBUTTON, Panel().m_rcPanel.TopLeft() + CSize(70, 169));
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(v()->m_nMouseMode, 0);
    EXPECT_FALSE(Book()->IsLeftButtonDown());
    v()->OnLButtonUp(0, CPoint(0, 0));
}

// The frame loop runs while an editor is open: the element may die before it closes.
TEST_F(Panes, AnElementThatDiesWhileItsEditorIsOpen) {
    v()->ExecuteCommand(ID_SHOW_PROPERTY_PANEL, TRUE);
    for (bool bBehaviour : {false, true}) {
        SCOPED_TRACE(bBehaviour ? "behaviour row" : "softtype row");
        CKTPassage* p = AddPassage(CKTVector(300, 50, 0));
        auto* g = static_cast<CKTGlyph*>(p->GetFirstChild()->GetFirstChild());
        auto* pLens = new CKTERLens;
        ASSERT_TRUE(g->SetRenderer(pLens, TRUE));
        auto* pWave = new CKTWaveBhvr;
        Book()->AddBehavior(pWave);
        ASSERT_TRUE(pWave->AddElement(g));
        Select(g);
        Paint();
        m_ui.Clear();
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            g->Die(FALSE, FALSE);
            Book()->SetRunState(1);
            Book()->Step();
            Book()->SetRunState(0);
            d.TypeText(bBehaviour ? 1006 : 1013, "3");
            return IDOK;
        });
        v()->OnLButtonDown(MK_LBUTTON, Panel().m_rcPanel.TopLeft() + CSize(70, bBehaviour ? 136 : 115));
        ASSERT_EQ(m_ui.Calls().size(), 1u);
        EXPECT_EQ(v()->m_pSelected, nullptr) << "the dead glyph is no longer selected";
        EXPECT_EQ(v()->m_nMouseMode, 0);
        v()->OnLButtonUp(0, CPoint(0, 0));
        Paint();  // the panel now shows the typing state
        EXPECT_EQ(Panel().m_behaviorNames.GetSize(), 0);
    }
}

TEST_F(Panes, BothPanesDragWithTheMouse) {
    v()->ExecuteCommand(ID_SHOW_PROPERTY_PANEL, TRUE);
    v()->ExecuteCommand(ID_SHOW_TIMELINE, TRUE);
    Paint();
    const CRect rcTimeline = Timeline().m_rcPanel;

    // Mode 4: the panel follows each move; its position row shows its corner until the next paint.
    v()->OnLButtonDown(MK_LBUTTON, CPoint(15, 115));
    ASSERT_EQ(v()->m_nMouseMode, 4);
    v()->OnMouseMove(MK_LBUTTON, CPoint(45, 135));
    EXPECT_EQ(Panel().m_rcPanel.TopLeft(), CPoint(40, 130));
    EXPECT_EQ(Panel().m_strPosition.str(), "x-40 y-130");
    v()->OnMouseMove(MK_LBUTTON | MK_SHIFT, CPoint(40, 145));
    EXPECT_EQ(Panel().m_rcPanel, CRect(35, 140, 182, 300));
    EXPECT_EQ(Panel().m_strPosition.str(), "x-35 y-140");
    EXPECT_TRUE(v()->m_selection.IsEmpty()) << "no rubber band";
    v()->OnLButtonUp(0, CPoint(40, 145));
    EXPECT_EQ(v()->m_nMouseMode, 0);
    v()->OnMouseMove(0, CPoint(90, 90));
    EXPECT_EQ(Panel().m_rcPanel.TopLeft(), CPoint(35, 140));
    EXPECT_EQ(Timeline().m_rcPanel, rcTimeline);
    Paint();
    EXPECT_EQ(Panel().m_strPosition.str(), "x:50 y:50") << "the caret again";
    EXPECT_EQ(At(37, 150), kTitle) << "drawn where it was dragged";

    // Mode 5: the timeline.
    v()->OnLButtonDown(MK_LBUTTON, CPoint(400, 400));
    ASSERT_EQ(v()->m_nMouseMode, 5);
    v()->OnMouseMove(MK_LBUTTON, CPoint(390, 420));
    v()->OnMouseMove(MK_LBUTTON, CPoint(380, 430));
    EXPECT_EQ(Timeline().m_rcPanel, CRect(-20, 330, 780, 492));
    EXPECT_EQ(Panel().m_rcPanel.TopLeft(), CPoint(35, 140));
    v()->OnLButtonUp(0, CPoint(380, 430));
    EXPECT_EQ(v()->m_nMouseMode, 0);
    v()->OnMouseMove(0, CPoint(300, 300));
    EXPECT_EQ(Timeline().m_rcPanel, CRect(-20, 330, 780, 492));
    EXPECT_TRUE(v()->m_selection.IsEmpty());
    EXPECT_EQ(v()->m_ptCaret, CPoint(50, 50));
}

// The timeline has no key and no menu item: commands 103 and 105 show it and blend it.
TEST_F(Panes, TheTimelineThroughItsCommands) {
    v()->SetCanvasSize(820, 480);
    ASSERT_EQ(v()->width(), 820);
    const CPoint o(0, 300);
    struct Check {
        int x, y;
        COLORREF crOpaque, crBlended;
        const char* what;
    } checks[] = {
        {5, 10, kDark, Half(kDark, kWhite), "band 0"},
        {5, 30, kLight, Half(kLight, kWhite), "band 1"},
        {700, 150, kLight, Half(kLight, kWhite), "band 7"},
        {0, 80, kBlack, RGB(127, 127, 127), "left frame"},
        {799, 80, kBlack, RGB(127, 127, 127), "right frame"},
        {400, 0, kBlack, RGB(127, 127, 127), "top frame"},
        {400, 161, kBlack, RGB(127, 127, 127), "bottom frame"},
        {76, 0, kLine, Half(kLine, kWhite), "line at the top"},
        {77, 161, kLine, Half(kLine, kWhite), "line at the bottom"},
        {78, 50, kDark, Half(kDark, kWhite), "right of the line"},
        {90, 5, kBar, Half(kBar, kWhite), "first bar"},
        {664, 11, kBar, Half(kBar, kWhite), "first bar's last pixel"},
        {665, 5, kDark, Half(kDark, kWhite), "right of the first bar"},
        {90, 12, kDark, Half(kDark, kWhite), "below the first bar"},
        {300, 24, kBar, Half(kBar, kWhite), "second bar"},
        {300, 36, kBar, Half(kBar, kWhite), "third bar"},
        {300, 37, kLight, Half(kLight, kWhite), "below the third bar"},
        {400, 162, kWhite, kWhite, "below the pane"},
        {800, 80, kWhite, kWhite, "right of the pane"},
    };
    Paint();
    for (const Check& c : checks) EXPECT_EQ(At(o.x + c.x, o.y + c.y), kWhite) << c.what << ": hidden";
    v()->ExecuteCommand(ID_SHOW_TIMELINE, TRUE);
    Paint();
    for (const Check& c : checks) EXPECT_EQ(At(o.x + c.x, o.y + c.y), c.crOpaque) << c.what << ": opaque";
    EXPECT_GT(CountIn(CRect(10, 304, 70, 318), kText), 20) << "the track's name";
    v()->ExecuteCommand(ID_TRANSPARENT_TIMELINE, TRUE);
    Paint();
    for (const Check& c : checks) EXPECT_EQ(At(o.x + c.x, o.y + c.y), c.crBlended) << c.what << ": blended";
    EXPECT_GT(CountIn(CRect(10, 304, 70, 318), Half(kText, kWhite)), 20) << "the track's name";
    v()->ExecuteCommand(ID_SHOW_TIMELINE, TRUE);
    Paint();
    EXPECT_EQ(At(5, 310), kWhite) << "hidden again";
    EXPECT_FALSE(Timeline().IsVisible());
    EXPECT_TRUE(Timeline().IsTranslucent());
}

// The opaque timeline outlines itself with the pen and brush the back buffer has selected.
TEST(TimelinePanel, OpaqueItDrawsWithTheTargetsPenAndBrush) {
    Target t(900, 200, kWhite);
    CPen pen(PS_SOLID, 0, RGB(0, 0, 255));
    CBrush brush(RGB(0, 255, 0));
    t.dc.SelectObject(&pen);
    t.dc.SelectObject(&brush);
    CTimelinePanel pane;
    pane.m_rcPanel = CRect(10, 20, 810, 182);
    pane.Draw(&t.dc);
    EXPECT_EQ(t.At(10, 100), RGB(0, 0, 255));
    EXPECT_EQ(t.At(809, 100), RGB(0, 0, 255));
    EXPECT_EQ(t.At(400, 181), RGB(0, 0, 255));
    EXPECT_EQ(t.At(15, 30), kDark);
    EXPECT_EQ(t.dc.GetCurrentPen(), &pen);
    EXPECT_EQ(t.dc.GetCurrentBrush(), &brush);
    EXPECT_EQ(t.dc.GetBkMode(), OPAQUE);
    pane.SetTranslucent();
    Target u(900, 200, kWhite);
    u.dc.SelectObject(&pen);
    pane.Draw(&u.dc);
    EXPECT_EQ(u.At(10, 100), RGB(127, 127, 127)) << "off screen: the fresh DC's black pen";
}

// What the paint shows follows the panes' own state, whichever command changed it: the menu's
// commands, F5, or the frame's commands (whose check marks follow too).
TEST_F(Panes, ThePaintFollowsThePanesStateAndTheLabels) {
    struct Step {
        std::function<void(CQuillView&)> run;
        COLORREF crTitle;
        const char* panelLabel;
        const char* blendLabel;
        BOOL bShownChecked, bBlendChecked;
    } steps[] = {
        {[](CQuillView&) {}, kWhite, "show property panel  (F5)", "transparent", FALSE, FALSE},
        {[](CQuillView& w) { w.OnKeyDown(VK_F5, 1, 0); }, kTitle, "hide property panel", "transparent", TRUE, FALSE},
        {[](CQuillView& w) { w.ExecuteCommand(ID_TRANSPARENT_PANEL, TRUE); }, Half(kTitle, kWhite), "hide property panel", "opaque", TRUE, TRUE},
        {[](CQuillView& w) { w.OnTransparentPanel(); }, kTitle, "hide property panel", "transparent", TRUE, FALSE},
        {[](CQuillView& w) { w.OnTransparentPanel(); }, Half(kTitle, kWhite), "hide property panel", "opaque", TRUE, TRUE},
        {[](CQuillView& w) { w.OnShowPropertyPanel(); }, kWhite, "show property panel", "opaque", FALSE, TRUE},
        {[](CQuillView& w) { w.ExecuteCommand(ID_SHOW_PROPERTY_PANEL, TRUE); }, Half(kTitle, kWhite), "hide property panel", "opaque", TRUE, TRUE},
    };
    int i = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << i++);
        s.run(*v());
        Paint();
        EXPECT_EQ(At(12, 120), s.crTitle);
        EXPECT_STREQ(v()->m_pPanelItem->GetLabel(), s.panelLabel);
        EXPECT_STREQ(v()->m_pTransparentItem->GetLabel(), s.blendLabel);
        EXPECT_EQ(v()->OnUpdateShowPropertyPanel(), s.bShownChecked);
        EXPECT_EQ(v()->OnUpdateTransparentPanel(), s.bBlendChecked);
    }
}

}  // namespace
