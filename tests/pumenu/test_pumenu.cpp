// The radial menu widget: layout on first draw, geometry, colours, tracking and hit tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi/dc.h"
#include "pumenu/pumenu.h"
#include "pumenu/pumenuitem.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;

// A menu of four arms; the up arm's third item opens a column, whose second item opens another.
struct TestMenu {
    CPUMenu menu;
    CPUMenuItem* up;
    CPUMenuItem* down;
    CPUMenuItem* left;
    CPUMenuItem* right;
    CPUMenuItem* upFont;
    CPUMenuItem* upSize;
    CPUMenuItem* upColor;
    CPUMenuItem* colorBlack;
    CPUMenuItem* colorBlue;
    CPUMenuItem* blueLight;
    CPUMenuItem* downAdd;
    CPUMenuItem* downRemove;
    CPUMenuItem* leftFile;
    CPUMenuItem* leftExit;
    CPUMenuItem* rightGlyph;
    CPUMenuItem* rightWord;

    explicit TestMenu(bool withLeft = true) {
        up = menu.SetUpRoot(menu.AddItem(1, "typographic", nullptr));
        upFont = menu.AddItem(5, "font", up);
        upSize = menu.AddItem(6, "size", up);
        upColor = menu.AddItem(3, "color", up);
        colorBlack = menu.AddItem(42, "black", upColor);
        colorBlue = menu.AddItem(12, "blue", upColor);
        blueLight = menu.AddItem(87, "light", colorBlue);
        menu.AddItem(88, "lighter", colorBlue);
        down = menu.SetDownRoot(menu.AddItem(26, "behaviors", nullptr));
        downAdd = menu.AddItem(27, "add", down);
        downRemove = menu.AddItem(57, "remove all", down);
        left = leftFile = leftExit = nullptr;
        if (withLeft) {
            left = menu.SetLeftRoot(menu.AddItem(54, "general", nullptr));
            leftFile = menu.AddItem(138, "file...", left);
            leftExit = menu.AddItem(58, "exit", left);
        }
        right = menu.SetRightRoot(menu.AddItem(21, "select", nullptr));
        rightGlyph = menu.AddItem(23, "glyph", right);
        rightWord = menu.AddItem(24, "word", right);
    }
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(surface.Create(640, 480));
        ASSERT_TRUE(dc.AttachSurface(&surface));
        ASSERT_TRUE(font.CreateFont(11, 5, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 1, 2, 1, 2 | 0x20, "SF SmallVGA"));
    }

    // One paint of the menu over a white frame.
    void Frame(CPUMenu& menu) {
        dc.FillSolidRect(0, 0, 640, 480, kWhite);
        menu.Draw(&dc);
    }
    // Two paints: the first measures what changed, the second paints it.
    void Settle(CPUMenu& menu) {
        Frame(menu);
        Frame(menu);
    }
    // Moves onto the item's box (one pixel inside its top-left corner).
    static void Enter(CPUMenu& menu, const CPUMenuItem* p) { menu.Track(p->GetX() + 1, p->GetY() + 1); }
    COLORREF Pixel(int x, int y) const { return dc.GetPixel(x, y); }
    // The label's text extent in the menu's font, plus 5 each way.
    CSize LabelBox(const char* label) {
        CFont* pOld = dc.SelectObject(&font);
        CSize s = dc.GetTextExtent(label);
        dc.SelectObject(pOld);
        return CSize(s.cx + 5, s.cy + 5);
    }
    // Number of pixels of colour c inside the item's box.
    int CountInBox(const CPUMenuItem* p, COLORREF c) const {
        int n = 0;
        for (int y = p->GetY(); y < p->GetY() + p->GetHeight(); ++y)
            for (int x = p->GetX(); x < p->GetX() + p->GetWidth(); ++x) n += Pixel(x, y) == c;
        return n;
    }
    static void ResetTracking(CPUMenu& menu) {
        menu.SetSelectedItem(nullptr);
        menu.ClearHoveredArm();
    }

    gdi::Surface surface;
    CDC dc;
    CFont font;
};

}  // namespace

// ---- labels --------------------------------------------------------------------------------------

TEST(PUMenuItemLabel, KeepsAtMost39BytesCutAtACharacterBoundary) {
    const std::string a37(37, 'a'), a38(38, 'a'), a39(39, 'a');
    const struct {
        const char* name;
        std::string in;
        std::string out;
    } cases[] = {
        {"empty", "", ""},
        {"fits", a39, a39},
        {"one over", a39 + "b", a39},
        {"long", std::string(300, 'x'), std::string(39, 'x')},
        {"Windows-1252 bytes are characters", a38 + "\xE9\xE9", a38 + "\xE9"},
        {"UTF-8 that fits", a37 + "\xC3\xA9", a37 + "\xC3\xA9"},
        {"UTF-8 cut before a split character", a38 + "\xC3\xA9", a38},
        {"UTF-8 three-byte character", a37 + "\xE2\x82\xAC", a37},
    };
    for (const auto& c : cases) {
        char label[CPUMenuItem::kMaxLabel + 1];
        std::memset(label, '#', sizeof label);
        CPUMenuItem::CopyLabel(label, c.in.c_str());
        EXPECT_EQ(std::string(label), c.out) << c.name;

        CPUMenuItem item(7, c.in.c_str(), nullptr);
        EXPECT_EQ(std::string(item.GetLabel()), c.out) << c.name;
    }
    char label[CPUMenuItem::kMaxLabel + 1];
    CPUMenuItem::CopyLabel(label, nullptr);
    EXPECT_STREQ(label, "");
}

TEST(PUMenuItem, ChildrenLinkInOrderAndResetTheColumn) {
    CPUMenu menu;
    CPUMenuItem* root = menu.SetUpRoot(menu.AddItem(1, "root", nullptr));
    CPUMenuItem* a = menu.AddItem(2, "a", root);
    a->SetSize(30, 16);
    root->SetLayoutDirty(0);
    CPUMenuItem* b = menu.AddItem(3, "b", root);
    EXPECT_EQ(root->GetFirstChild(), a);
    EXPECT_EQ(a->GetNextSibling(), b);
    EXPECT_EQ(b->GetParent(), root);
    EXPECT_TRUE(root->IsLayoutDirty());
    EXPECT_TRUE(a->HasNoSize());
}

// ---- layout and geometry -------------------------------------------------------------------------

TEST_F(MenuTest, FirstDrawOnlyMeasuresTheRootsThenTheyArePaintedWhereTheTableSays) {
    TestMenu t;
    t.menu.ShowAt(300, 200);
    EXPECT_EQ(t.menu.GetSelectedCommand(), 0);

    Frame(t.menu);
    // Measured, not painted: the disc and the arm lines are there, the boxes are not.
    EXPECT_EQ(Pixel(300, 200), CPUMenu::kDiscColor);
    EXPECT_EQ(Pixel(300, 185), CPUMenu::kDiscColor);  // up arm line, below the box
    int boxPixels = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) boxPixels += Pixel(x, y) == CPUMenu::kBorderColor || Pixel(x, y) == kBlack;
    EXPECT_EQ(boxPixels, 0);
    EXPECT_FALSE(t.up->HasNoSize());

    Frame(t.menu);
    const int cx = 300, cy = 200;
    const struct {
        const char* arm;
        CPUMenuItem* root;
        int x, y;
    } cases[] = {
        {"up", t.up, cx - LabelBox("typographic").cx / 2, cy - 29 - LabelBox("typographic").cy},
        {"down", t.down, cx - LabelBox("behaviors").cx / 2, cy + 29},
        {"left", t.left, cx - 49 - LabelBox("general").cx, cy - LabelBox("general").cy / 2},
        {"right", t.right, cx + 49, cy - LabelBox("select").cy / 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CSize(c.root->GetWidth(), c.root->GetHeight()), LabelBox(c.root->GetLabel())) << c.arm;
        EXPECT_EQ(c.root->GetX(), c.x) << c.arm;
        EXPECT_EQ(c.root->GetY(), c.y) << c.arm;
        // Border, fill below the label, and black label text.
        EXPECT_EQ(Pixel(c.x, c.y), CPUMenu::kBorderColor) << c.arm;
        EXPECT_EQ(Pixel(c.x + c.root->GetWidth() - 1, c.y + c.root->GetHeight() - 1), CPUMenu::kBorderColor) << c.arm;
        EXPECT_EQ(Pixel(c.x + 1, c.y + c.root->GetHeight() - 2), CPUMenu::kActiveColor) << c.arm;
        EXPECT_GT(CountInBox(c.root, kBlack), 0) << c.arm;
    }
    // Arm lines end where the root boxes start.
    EXPECT_EQ(Pixel(cx, cy - 25), CPUMenu::kDiscColor);
    EXPECT_EQ(Pixel(cx, cy + 25), CPUMenu::kDiscColor);
    EXPECT_EQ(Pixel(cx - 40, cy), CPUMenu::kDiscColor);
    EXPECT_EQ(Pixel(cx + 40, cy), CPUMenu::kDiscColor);
    EXPECT_EQ(t.menu.GetSelectedCommand(), 0);
}

TEST_F(MenuTest, ColumnsOpenRightForUpAndRightArmsAndLeftForDownAndLeftArms) {
    TestMenu t;
    const struct {
        const char* arm;
        CPUMenuItem* root;
        int direction;
    } cases[] = {{"up", t.up, +1}, {"down", t.down, -1}, {"left", t.left, -1}, {"right", t.right, +1}};
    for (const auto& c : cases) {
        t.menu.Hide();
        t.menu.ShowAt(300, 200);
        Settle(t.menu);
        Enter(t.menu, c.root);
        ASSERT_EQ(t.menu.GetSelectedItem(), c.root) << c.arm;
        Settle(t.menu);  // measures the column, then paints it

        CSize column(0, 0);
        for (CPUMenuItem* p = c.root->GetFirstChild(); p; p = p->GetNextSibling()) {
            const CSize s = LabelBox(p->GetLabel());
            column.cx = std::max(column.cx, s.cx);
            column.cy = std::max(column.cy, s.cy);
        }
        const int x = c.direction > 0 ? c.root->GetX() + c.root->GetWidth() : c.root->GetX() - column.cx;
        int y = c.root->GetY();
        for (CPUMenuItem* p = c.root->GetFirstChild(); p; p = p->GetNextSibling()) {
            EXPECT_EQ(CSize(p->GetWidth(), p->GetHeight()), column) << c.arm << " " << p->GetLabel();
            EXPECT_EQ(p->GetX(), x) << c.arm << " " << p->GetLabel();
            EXPECT_EQ(p->GetY(), y) << c.arm << " " << p->GetLabel();
            // The selected item's children are drawn like the selection.
            EXPECT_EQ(Pixel(p->GetX() + 1, p->GetY() + p->GetHeight() - 2), CPUMenu::kActiveColor) << c.arm;
            y += column.cy;
        }
        // Only the selected arm is drawn.
        for (CPUMenuItem* other : {t.up, t.down, t.left, t.right}) {
            if (other != c.root) {
                EXPECT_EQ(Pixel(other->GetX() + 1, other->GetY() + other->GetHeight() - 2), kWhite) << c.arm;
            }
        }
    }
}

TEST_F(MenuTest, DeeperColumnsStartLevelWithTheItemThatOpensThem) {
    TestMenu t;
    t.menu.ShowAt(300, 200);
    Settle(t.menu);
    Enter(t.menu, t.up);
    Settle(t.menu);
    Enter(t.menu, t.upColor);
    ASSERT_EQ(t.menu.GetSelectedItem(), t.upColor);
    Settle(t.menu);
    Enter(t.menu, t.colorBlue);
    ASSERT_EQ(t.menu.GetSelectedItem(), t.colorBlue);
    EXPECT_EQ(t.menu.GetSelectedCommand(), 12);
    Settle(t.menu);

    // Up arm: every column to the right of the one before, level with its opener.
    EXPECT_EQ(t.colorBlack->GetX(), t.upColor->GetX() + t.upColor->GetWidth());
    EXPECT_EQ(t.colorBlack->GetY(), t.upColor->GetY());
    EXPECT_EQ(t.blueLight->GetX(), t.colorBlue->GetX() + t.colorBlue->GetWidth());
    EXPECT_EQ(t.blueLight->GetY(), t.colorBlue->GetY());

    // The path is drawn active, its siblings dim with grey labels, the last column active.
    const auto fill = [&](const CPUMenuItem* p) { return Pixel(p->GetX() + 1, p->GetY() + p->GetHeight() - 2); };
    EXPECT_EQ(fill(t.upColor), CPUMenu::kActiveColor);
    EXPECT_EQ(fill(t.colorBlue), CPUMenu::kActiveColor);
    EXPECT_EQ(fill(t.upFont), CPUMenu::kDiscColor);
    EXPECT_EQ(fill(t.colorBlack), CPUMenu::kDiscColor);
    EXPECT_EQ(fill(t.blueLight), CPUMenu::kActiveColor);
    EXPECT_GT(CountInBox(t.upFont, CPUMenu::kDimTextColor), 0);
    EXPECT_EQ(CountInBox(t.upFont, kBlack), 0);
    EXPECT_GT(CountInBox(t.colorBlue, kBlack), 0);
    EXPECT_EQ(CountInBox(t.colorBlue, CPUMenu::kDimTextColor), 0);
}

// ---- tracking -----------------------------------------------------------------------------------

TEST_F(MenuTest, SectorsFollowThePolygonRuleAndTheCentreSquareWins) {
    TestMenu t;
    const int cx = 300, cy = 200;
    t.menu.ShowAt(cx, cy);  // not drawn: only the sectors can be hit

    // Independent expectation: the pixel's centre strictly inside the convex corner list (no centre
    // lies on an edge of these sectors).
    const POINT sectors[4][4] = {
        {{-50, -30}, {50, -30}, {10, -10}, {-10, -10}},
        {{-50, 30}, {50, 30}, {10, 10}, {-10, 10}},
        {{-50, -30}, {-10, -10}, {-10, 10}, {-50, 30}},
        {{50, -30}, {50, 30}, {10, 10}, {10, -10}},
    };
    const auto inside = [&](int arm, double px, double py) {
        int sign = 0;
        for (int i = 0; i < 4; ++i) {
            const POINT a = sectors[arm][i], b = sectors[arm][(i + 1) % 4];
            const double cross = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
            const int s = cross > 0 ? 1 : -1;
            if (sign == 0) sign = s;
            if (s != sign) return false;
        }
        return true;
    };
    CPUMenuItem* roots[4] = {t.up, t.down, t.left, t.right};
    int hovered = 0;
    for (int y = cy - 40; y <= cy + 40; ++y) {
        for (int x = cx - 60; x <= cx + 60; ++x) {
            ResetTracking(t.menu);
            t.menu.Track(x, y);
            CPUMenuItem* expected = nullptr;
            const bool inSquare = x >= cx - 10 && x < cx + 10 && y >= cy - 10 && y < cy + 10;
            for (int arm = 0; arm < 4 && !inSquare && !expected; ++arm) {
                if (inside(arm, x - cx + 0.5, y - cy + 0.5)) expected = roots[arm];
            }
            ASSERT_EQ(t.menu.GetHoveredArm(), expected) << x - cx << "," << y - cy;
            ASSERT_EQ(t.menu.GetSelectedItem(), nullptr);
            hovered += expected != nullptr;
        }
    }
    EXPECT_GT(hovered, 4000);

    // Hand-picked edges: top row in, row above out, shared corners go to the first arm that has them.
    const struct {
        int dx, dy;
        CPUMenuItem* arm;
    } edges[] = {
        {0, -30, t.up},   {0, -31, nullptr}, {0, -11, t.up},   {-49, -30, t.up}, {-50, -30, t.left},
        {48, -30, t.up},  {49, -30, t.right}, {-50, 29, t.left}, {-51, 0, nullptr}, {49, 0, t.right},
        {50, 0, nullptr}, {0, 29, t.down},   {0, 30, nullptr}, {-11, 0, t.left}, {-10, 0, nullptr},
        {9, 0, nullptr},  {10, 0, t.right},  {0, -10, nullptr}, {0, 10, t.down},
    };
    for (const auto& e : edges) {
        ResetTracking(t.menu);
        t.menu.Track(cx + e.dx, cy + e.dy);
        EXPECT_EQ(t.menu.GetHoveredArm(), e.arm) << e.dx << "," << e.dy;
    }
}

TEST_F(MenuTest, HoveredArmStaysUntilTheCentreSquare) {
    TestMenu t;
    t.menu.ShowAt(300, 200);
    Settle(t.menu);

    t.menu.Track(300, 180);  // up sector
    EXPECT_EQ(t.menu.GetHoveredArm(), t.up);
    Frame(t.menu);
    EXPECT_EQ(Pixel(t.down->GetX() + 1, t.down->GetY() + t.down->GetHeight() - 2), kWhite);  // only up drawn
    EXPECT_EQ(Pixel(t.up->GetX() + 1, t.up->GetY() + t.up->GetHeight() - 2), CPUMenu::kActiveColor);

    t.menu.Track(265, 200);  // left sector: nothing changes
    EXPECT_EQ(t.menu.GetHoveredArm(), t.up);
    Enter(t.menu, t.left);  // the left root's box: not shown, not hit
    EXPECT_EQ(t.menu.GetSelectedItem(), nullptr);
    EXPECT_EQ(t.menu.GetHoveredArm(), t.up);

    t.menu.Track(300, 200);  // centre square
    EXPECT_EQ(t.menu.GetHoveredArm(), nullptr);
    t.menu.Track(265, 200);
    EXPECT_EQ(t.menu.GetHoveredArm(), t.left);
}

TEST_F(MenuTest, BoxHitTestsKeepRightAndBottomEdgesOutside) {
    TestMenu t;
    t.menu.ShowAt(300, 200);
    Settle(t.menu);
    CPUMenuItem* r = t.right;
    const int x = r->GetX(), y = r->GetY(), w = r->GetWidth(), h = r->GetHeight();
    const struct {
        int px, py;
        bool hit;
    } cases[] = {
        {x + 1, y, true},          {x + w - 1, y + h - 1, true}, {x + w, y + 1, false},
        {x + 2, y + h, false},     {x + 2, y - 1, false},        {x + w - 1, y, true},
    };
    for (const auto& c : cases) {
        ResetTracking(t.menu);
        t.menu.Track(c.px, c.py);
        EXPECT_EQ(t.menu.GetSelectedItem() == r, c.hit) << c.px - x << "," << c.py - y;
    }

    // Stacked items: the row where one ends is the next one's first.
    ResetTracking(t.menu);
    t.menu.Track(x + 1, y + 1);
    Settle(t.menu);
    CPUMenuItem* g = t.rightGlyph;
    t.menu.Track(g->GetX() + 1, g->GetY() + g->GetHeight() - 1);
    EXPECT_EQ(t.menu.GetSelectedItem(), g);
    t.menu.Track(g->GetX() + 1, g->GetY() + g->GetHeight());
    EXPECT_EQ(t.menu.GetSelectedItem(), t.rightWord);
    EXPECT_EQ(t.menu.GetSelectedCommand(), 24);
}

TEST_F(MenuTest, SelectionSurvivesEmptySpaceButARootDropsItInItsSector) {
    TestMenu t;
    t.menu.ShowAt(300, 200);
    Settle(t.menu);
    Enter(t.menu, t.up);
    ASSERT_EQ(t.menu.GetSelectedItem(), t.up);

    // A selected root: into its own sector drops the selection and hovers the arm.
    t.menu.Track(300, 180);
    EXPECT_EQ(t.menu.GetSelectedItem(), nullptr);
    EXPECT_EQ(t.menu.GetHoveredArm(), t.up);
    EXPECT_EQ(t.menu.GetSelectedCommand(), 0);

    // An item below the root: empty space and even the sectors keep it.
    Enter(t.menu, t.up);
    Settle(t.menu);
    Enter(t.menu, t.upSize);
    ASSERT_EQ(t.menu.GetSelectedItem(), t.upSize);
    for (POINT p : {POINT{600, 450}, POINT{300, 180}, POINT{300, 225}}) {
        t.menu.Track(p.x, p.y);
        EXPECT_EQ(t.menu.GetSelectedItem(), t.upSize) << p.x << "," << p.y;
    }
    EXPECT_EQ(t.menu.GetSelectedCommand(), 6);

    // Back onto the root's box through the ancestor walk.
    Enter(t.menu, t.up);
    EXPECT_EQ(t.menu.GetSelectedItem(), t.up);

    t.menu.Track(300, 200);
    EXPECT_EQ(t.menu.GetSelectedItem(), nullptr);
    t.menu.Hide();
    EXPECT_FALSE(t.menu.IsVisible());
}

TEST_F(MenuTest, AnArmWithoutRootIsNeitherDrawnNorHit) {
    TestMenu t(/*withLeft=*/false);
    t.menu.ShowAt(300, 200);
    Settle(t.menu);
    EXPECT_EQ(Pixel(270, 200), kWhite);            // no left arm line
    EXPECT_EQ(Pixel(340, 200), CPUMenu::kDiscColor);  // the right one is there
    t.menu.Track(265, 200);
    EXPECT_EQ(t.menu.GetHoveredArm(), nullptr);
}

TEST_F(MenuTest, OnlyBoxesDrawnSinceTheMenuOpenedAreHit) {
    TestMenu t;
    t.menu.ShowAt(300, 200);
    Settle(t.menu);
    const CPoint oldUp(t.up->GetX() + 1, t.up->GetY() + 1);
    t.menu.Track(oldUp.x, oldUp.y);
    Settle(t.menu);
    // (The color box lies outside the up sector, so missing it keeps the root selected.)
    const CPoint oldColor(t.upColor->GetX() + 1, t.upColor->GetY() + 1);
    t.menu.Hide();

    // Opened elsewhere: the old boxes are not on screen and must not be hit.
    t.menu.ShowAt(100, 300);
    t.menu.Track(oldUp.x, oldUp.y);
    EXPECT_EQ(t.menu.GetSelectedItem(), nullptr);
    t.menu.Hide();

    // Opened at the same place: the root is hit once drawn, its column only once drawn again.
    t.menu.ShowAt(300, 200);
    t.menu.Track(oldUp.x, oldUp.y);
    EXPECT_EQ(t.menu.GetSelectedItem(), nullptr);
    Frame(t.menu);
    t.menu.Track(oldUp.x, oldUp.y);
    EXPECT_EQ(t.menu.GetSelectedItem(), t.up);
    t.menu.Track(oldColor.x, oldColor.y);
    EXPECT_EQ(t.menu.GetSelectedItem(), t.up);
    Frame(t.menu);  // sizes are known: the column is painted at once
    t.menu.Track(oldColor.x, oldColor.y);
    EXPECT_EQ(t.menu.GetSelectedItem(), t.upColor);
}

TEST_F(MenuTest, ASelectedBoxNearTheOwnersEdgeShiftsTheWholeMenu) {
    const CRect client(0, 0, 400, 300);
    const struct {
        const char* name;
        CPoint open;
        CPUMenu::Arm arm;
    } cases[] = {
        {"right edge", CPoint(380, 150), CPUMenu::kRight},
        {"top edge", CPoint(200, 20), CPUMenu::kUp},
        {"left edge", CPoint(15, 150), CPUMenu::kLeft},
        {"bottom edge", CPoint(200, 290), CPUMenu::kDown},
    };
    for (const auto& c : cases) {
        TestMenu t;
        t.menu.SetOwnerWindow([&] { return client; });
        t.menu.ShowAt(c.open.x, c.open.y);
        Settle(t.menu);
        CPUMenuItem* root = t.menu.GetRoot(c.arm);
        Enter(t.menu, root);
        ASSERT_EQ(t.menu.GetSelectedItem(), root) << c.name;
        const CPoint before(root->GetX(), root->GetY());
        Frame(t.menu);
        const CSize moved = t.menu.GetCenter() - c.open;
        EXPECT_EQ(CPoint(root->GetX(), root->GetY()), before + moved) << c.name;
        switch (c.arm) {
            case CPUMenu::kRight: EXPECT_EQ(root->GetX() + root->GetWidth(), client.right - 20) << c.name; break;
            case CPUMenu::kUp: EXPECT_EQ(root->GetY(), client.top + 20) << c.name; break;
            case CPUMenu::kLeft: EXPECT_EQ(root->GetX(), client.left + 20) << c.name; break;
            case CPUMenu::kDown: EXPECT_EQ(root->GetY() + root->GetHeight(), client.bottom - 20) << c.name; break;
        }
        // Inside now: the next paint leaves the menu where it is.
        const CPoint centre = t.menu.GetCenter();
        Frame(t.menu);
        EXPECT_EQ(t.menu.GetCenter(), centre) << c.name;
    }

    // Without an owner nothing moves.
    TestMenu t;
    t.menu.ShowAt(380, 150);
    Settle(t.menu);
    Enter(t.menu, t.right);
    Frame(t.menu);
    EXPECT_EQ(t.menu.GetCenter(), CPoint(380, 150));
}

// ---- relabelling ---------------------------------------------------------------------------------

TEST_F(MenuTest, SetLabelMeasuresTheColumnAgainAndPaintsItTheFrameAfter) {
    TestMenu t;
    t.menu.ShowAt(300, 200);
    Settle(t.menu);
    Enter(t.menu, t.right);
    Settle(t.menu);
    const int oldWidth = t.rightGlyph->GetWidth();

    t.rightWord->SetLabel("a much longer label now");
    EXPECT_STREQ(t.rightWord->GetLabel(), "a much longer label now");
    EXPECT_TRUE(t.rightGlyph->HasNoSize());
    EXPECT_TRUE(t.rightWord->HasNoSize());
    EXPECT_TRUE(t.right->IsLayoutDirty());

    Frame(t.menu);  // measures: the column is not painted in this frame
    EXPECT_EQ(Pixel(t.rightGlyph->GetX() + 1, t.rightGlyph->GetY() + t.rightGlyph->GetHeight() - 2), kWhite);
    const CSize wide = LabelBox("a much longer label now");
    EXPECT_EQ(t.rightGlyph->GetWidth(), wide.cx);
    EXPECT_EQ(t.rightWord->GetWidth(), wide.cx);
    EXPECT_GT(wide.cx, oldWidth);
    EXPECT_FALSE(t.right->IsLayoutDirty());

    Frame(t.menu);
    EXPECT_EQ(Pixel(t.rightWord->GetX() + wide.cx - 2, t.rightWord->GetY() + t.rightWord->GetHeight() - 2),
              CPUMenu::kActiveColor);

    // Toggling back restores the narrower column.
    t.rightWord->SetLabel("word");
    Frame(t.menu);
    EXPECT_EQ(t.rightWord->GetWidth(), oldWidth);

    // A root relabels alone.
    t.right->SetLabel("choose");
    EXPECT_TRUE(t.right->HasNoSize());
    EXPECT_FALSE(t.rightGlyph->HasNoSize());
}

TEST_F(MenuTest, DrawingRestoresTheDeviceContext) {
    TestMenu t;
    CPen pen(PS_SOLID, 1, 0x123456);
    CBrush brush(0x654321);
    dc.SelectObject(&pen);
    dc.SelectObject(&brush);
    dc.SetTextAlign(TA_CENTER | TA_BASELINE);
    t.menu.ShowAt(300, 200);
    for (int i = 0; i < 3; ++i) Frame(t.menu);
    Enter(t.menu, t.up);
    for (int i = 0; i < 3; ++i) Frame(t.menu);
    EXPECT_EQ(dc.GetCurrentPen(), &pen);
    EXPECT_EQ(dc.GetCurrentBrush(), &brush);
    EXPECT_EQ(dc.GetCurrentFont(), gdi::DefaultFont());
    EXPECT_EQ(dc.GetTextAlign(), TA_CENTER | TA_BASELINE);

    // A hidden menu draws nothing.
    t.menu.Hide();
    Frame(t.menu);
    EXPECT_EQ(Pixel(300, 200), kWhite);
}
