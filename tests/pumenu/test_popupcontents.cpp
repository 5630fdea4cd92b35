// The menu's contents: the tree of labels and ids, the remembered items, font numbering and the way
// back from a font item to its face.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "enumeratedfonts/enumeratedfonts.h"
#include "pumenu/commandids.h"
#include "pumenu/popupcontents.h"
#include "pumenu/pumenu.h"

namespace {

ENUMLOGFONT Face(const char* family, const char* style, LONG weight, BYTE italic) {
    ENUMLOGFONT elf{};
    elf.elfLogFont.lfHeight = -16;
    elf.elfLogFont.lfWidth = 7;
    elf.elfLogFont.lfWeight = weight;
    elf.elfLogFont.lfItalic = italic;
    std::strncpy(elf.elfLogFont.lfFaceName, family, LF_FACESIZE - 1);
    std::snprintf(elf.elfFullName, LF_FULLFACESIZE, "%s %s", family, style);
    std::strncpy(elf.elfStyle, style, LF_FACESIZE - 1);
    return elf;
}

// A catalogue of families, each given as its name and its faces' styles (weight 700 for a style that
// names Bold, italic for one that names Italic).
void FillCatalogue(CEnumeratedFonts& fonts, std::initializer_list<std::pair<const char*, std::initializer_list<const char*>>> families) {
    for (const auto& [name, styles] : families) {
        auto* pFamily = new CEnumeratedFontFamily(name);
        for (const char* style : styles) {
            const LONG weight = std::strstr(style, "Bold") ? 700 : 400;
            const BYTE italic = std::strstr(style, "Italic") ? 1 : 0;
            pFamily->AddFont(new CEnumeratedFont(Face(name, style, weight, italic)));
        }
        fonts.AddFamily(pFamily);
    }
}

// The subtree below pItem, one line an item: two blanks of indentation a level, then label|id.
void Dump(const CPUMenuItem* pItem, int depth, std::string& out) {
    for (; pItem; pItem = pItem->GetNextSibling()) {
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + pItem->GetLabel() + "|" +
               std::to_string(pItem->GetCommand()) + "\n";
        Dump(pItem->GetFirstChild(), depth + 1, out);
    }
}

std::string DumpArm(const CPUMenu& menu, CPUMenu::Arm arm) {
    std::string out;
    const CPUMenuItem* pRoot = menu.GetRoot(arm);
    if (!pRoot) return out;
    out += std::string(pRoot->GetLabel()) + "|" + std::to_string(pRoot->GetCommand()) + "\n";
    Dump(pRoot->GetFirstChild(), 1, out);
    return out;
}

const CPUMenuItem* FindChild(const CPUMenuItem* pParent, const char* label) {
    for (const CPUMenuItem* p = pParent->GetFirstChild(); p; p = p->GetNextSibling()) {
        if (std::strcmp(p->GetLabel(), label) == 0) return p;
    }
    return nullptr;
}

// The tree as the menu shows it; "font" is filled from the catalogue (here: A with Regular and Bold,
// B with Regular).
const char* const kUpArm =
    "typographic|1\n"
    "  font|5\n"
    "    A|200\n"
    "      Regular|201\n"
    "      Bold|202\n"
    "    B|203\n"
    "      Regular|204\n"
    "  size|6\n"
    "    smallest|64\n"
    "    smaller|65\n"
    "    small|66\n"
    "    medium|67\n"
    "    large|68\n"
    "    larger|69\n"
    "    largest|70\n"
    "  color|3\n"
    "    black|42\n"
    "    blue|12\n"
    "      light|87\n"
    "      lighter|88\n"
    "      lightest|89\n"
    "    gray|99\n"
    "    green|11\n"
    "    light gray|96\n"
    "    red|10\n"
    "    white|43\n"
    "  softtype|79\n"
    "    default|80\n"
    "    clay|108\n"
    "    colorstatic|111\n"
    "    disintegrate|85\n"
    "    drift|109\n"
    "    erosion|107\n"
    "    lens|82\n"
    "    particle|81\n"
    "    pull|83\n"
    "    pulse|84\n"
    "    trail|113\n"
    "    trasparent|129\n"
    "  canvas|90\n"
    "    color|118\n"
    "      black|91\n"
    "      blue|92\n"
    "      green|93\n"
    "      red|94\n"
    "      white|95\n"
    "    size|119\n"
    "      160 x 120|120\n"
    "      320 x 240|121\n"
    "      640 x 480|122\n"
    "      800 x 600|123\n"
    "    image|130\n"
    "      none|131\n"
    "  part of speech|71\n"
    "    noun|72\n"
    "    verb|73\n"
    "    adjective|74\n"
    "    adverb|75\n";

const char* const kRightArm =
    "select|21\n"
    "  glyph|23\n"
    "  glyphs|97\n"
    "  word|24\n"
    "  words|98\n"
    "  passage|25\n"
    "  passages|100\n"
    "  nothing|22\n";

const char* const kDownArm =
    "behaviors|26\n"
    "  add|27\n"
    "    movement|134\n"
    "      cruise|31\n"
    "      explode|44\n"
    "      move to mouse|30\n"
    "      move away from mouse|51\n"
    "      snakelike|112\n"
    "      wave|48\n"
    "    gravity|52\n"
    "      concrete|78\n"
    "      gravity|52\n"
    "      rain|77\n"
    "    lexical|135\n"
    "      cryptographic|45\n"
    "      synonym shift|34\n"
    "    fade|32\n"
    "      fade to new color|32\n"
    "      focal fade|114\n"
    "    presentation|136\n"
    "      lifespan|117\n"
    "      load on left click|63\n"
    "      pull and fade|60\n"
    "    dies on contact|33\n"
    "    lines|126\n"
    "    make throwable|29\n"
    "    scroll|125\n"
    "    sequential|124\n"
    "    springs|50\n"
    "    throb|76\n"
    "    viral|46\n"
    "  add same|132\n"
    "  remove|57\n"
    "  remove all|133\n"
    "  simulate|39\n"
    "  wordnozzle|116\n";

const char* const kLeftArm =
    "general|54\n"
    "  file...|138\n"
    "    new      (ctrl-N)|59\n"
    "    open     (ctrl-O)|55\n"
    "    save     (ctrl-S)|56\n"
    "    save as  (ctrl-A)|115\n"
    "  show...|137\n"
    "    hide cursor          (F2)|106\n"
    "    show grid            (F3)|128\n"
    "    show hierarchy       (F4)|101\n"
    "    show property panel  (F5)|102\n"
    "      transparent|104\n"
    "  start QT capture     (F1)|62\n"
    "  fullscreen           (F6)|127\n"
    "  exit|58\n";

}  // namespace

TEST(PopupContents, EveryArmHoldsItsItemsLabelsAndIdsInOrder) {
    CEnumeratedFonts fonts;
    FillCatalogue(fonts, {{"A", {"Regular", "Bold"}}, {"B", {"Regular"}}});
    CPUMenu menu;
    PopupMenuItems items;
    BuildPopupMenu(menu, fonts, &items);

    EXPECT_EQ(DumpArm(menu, CPUMenu::kUp), kUpArm);
    EXPECT_EQ(DumpArm(menu, CPUMenu::kRight), kRightArm);
    EXPECT_EQ(DumpArm(menu, CPUMenu::kDown), kDownArm);
    EXPECT_EQ(DumpArm(menu, CPUMenu::kLeft), kLeftArm);
}

TEST(PopupContents, RemembersTheNineItemsThatCommandsRelabel) {
    CEnumeratedFonts fonts;
    CPUMenu menu;
    PopupMenuItems items;
    BuildPopupMenu(menu, fonts, &items);

    const CPUMenuItem* pBehaviors = menu.GetRoot(CPUMenu::kDown);
    const CPUMenuItem* pGeneral = menu.GetRoot(CPUMenu::kLeft);
    const CPUMenuItem* pShow = FindChild(pGeneral, "show...");
    ASSERT_NE(pShow, nullptr);
    const struct {
        const CPUMenuItem* item;
        const CPUMenuItem* expected;
        int id;
    } cases[] = {
        {items.m_pSimulateItem, FindChild(pBehaviors, "simulate"), ID_SIMULATE},
        {items.m_pWordnozzleItem, FindChild(pBehaviors, "wordnozzle"), ID_WORDNOZZLE},
        {items.m_pCursorItem, FindChild(pShow, "hide cursor          (F2)"), ID_TOGGLE_CURSOR},
        {items.m_pGridItem, FindChild(pShow, "show grid            (F3)"), ID_SHOW_GRID},
        {items.m_pHierarchyItem, FindChild(pShow, "show hierarchy       (F4)"), ID_SHOW_HIERARCHY},
        {items.m_pPanelItem, FindChild(pShow, "show property panel  (F5)"), ID_SHOW_PROPERTY_PANEL},
        {items.m_pTransparentItem, FindChild(items.m_pPanelItem, "transparent"), ID_TRANSPARENT_PANEL},
        {items.m_pCaptureItem, FindChild(pGeneral, "start QT capture     (F1)"), ID_MOVIE_CAPTURE},
        {items.m_pFullScreenItem, FindChild(pGeneral, "fullscreen           (F6)"), ID_FULLSCREEN},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.expected, nullptr);
        EXPECT_EQ(c.item, c.expected) << c.expected->GetLabel();
        EXPECT_EQ(c.item->GetCommand(), c.id) << c.expected->GetLabel();
    }
}

TEST(PopupContents, KeyHintsLineUpInOneColumn) {
    CEnumeratedFonts fonts;
    CPUMenu menu;
    PopupMenuItems items;
    BuildPopupMenu(menu, fonts, &items);

    // Function-key hints start at column 21 and end the 25-character label; file hints at column 9.
    for (const CPUMenuItem* p : {items.m_pCursorItem, items.m_pGridItem, items.m_pHierarchyItem,
                                 items.m_pPanelItem, items.m_pCaptureItem, items.m_pFullScreenItem}) {
        const std::string label = p->GetLabel();
        EXPECT_EQ(label.size(), 25u) << label;
        EXPECT_EQ(label.find("(F"), 21u) << label;
    }
    const CPUMenuItem* pFile = FindChild(menu.GetRoot(CPUMenu::kLeft), "file...");
    ASSERT_NE(pFile, nullptr);
    for (const CPUMenuItem* p = pFile->GetFirstChild(); p; p = p->GetNextSibling()) {
        EXPECT_EQ(std::string(p->GetLabel()).find("(ctrl-"), 9u) << p->GetLabel();
    }
}

TEST(PopupContents, EmptyCatalogueGivesAnEmptyFontSubmenu) {
    CEnumeratedFonts fonts;
    CPUMenu menu;
    BuildPopupMenu(menu, fonts, nullptr);
    const CPUMenuItem* pFont = FindChild(menu.GetRoot(CPUMenu::kUp), "font");
    ASSERT_NE(pFont, nullptr);
    EXPECT_EQ(pFont->GetFirstChild(), nullptr);
    EXPECT_EQ(FontFromMenuId(fonts, ID_FONT_FIRST).lfFaceName[0], '\0');
}

TEST(PopupContents, FontItemsNumberFamiliesAndFacesInCatalogueOrder) {
    CEnumeratedFonts fonts;
    FillCatalogue(fonts, {{"Alpha", {"Regular", "Bold", "Bold Italic"}}, {"Beta", {"Book"}}, {"Gamma", {"Regular", "Italic"}}});
    CPUMenu menu;
    BuildPopupMenu(menu, fonts, nullptr);

    std::string dump;
    Dump(FindChild(menu.GetRoot(CPUMenu::kUp), "font")->GetFirstChild(), 0, dump);
    EXPECT_EQ(dump,
              "Alpha|200\n  Regular|201\n  Bold|202\n  Bold Italic|203\n"
              "Beta|204\n  Book|205\n"
              "Gamma|206\n  Regular|207\n  Italic|208\n");
}

TEST(PopupContents, FontFromMenuIdWalksTheCatalogueAsTheBuilderNumbersIt) {
    CEnumeratedFonts fonts;
    FillCatalogue(fonts, {{"A", {"Regular", "Bold"}}, {"B", {"Regular"}}});
    const struct {
        UINT id;
        const char* face;
        LONG weight;
    } cases[] = {
        {200, "A", 400},  // a family item chooses the family's first face
        {201, "A", 400},
        {202, "A", 700},
        {203, "B", 400},
        {204, "B", 400},
    };
    for (const auto& c : cases) {
        const LOGFONT lf = FontFromMenuId(fonts, c.id);
        EXPECT_STREQ(lf.lfFaceName, c.face) << c.id;
        EXPECT_EQ(lf.lfWeight, c.weight) << c.id;
        EXPECT_EQ(lf.lfWidth, 0) << c.id;  // the catalogue's copies have no width
    }
    // Ids that name no font item: all zero.
    for (UINT id : {0u, 199u, 205u, 1000u, 32771u}) {
        const LOGFONT lf = FontFromMenuId(fonts, id);
        LOGFONT zero{};
        EXPECT_EQ(std::memcmp(&lf, &zero, sizeof lf), 0) << id;
    }
}

TEST(CommandIds, OnlyFontAndSizeItemsPreviewOnHover) {
    const struct {
        long long id;
        bool preview;
        int points;
    } cases[] = {
        {0, false, 0},   {3, false, 0},     {6, false, 0},    {63, false, 0},   {64, true, 8},
        {65, true, 12},  {66, true, 16},    {67, true, 24},   {68, true, 36},   {69, true, 48},
        {70, true, 64},  {71, false, 0},    {58, false, 0},   {138, false, 0},  {199, false, 0},
        {200, true, 0},  {32767, true, 0},  {32771, false, 0}, {57600, false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsHoverPreviewCommand(c.id), c.preview) << c.id;
        EXPECT_EQ(PointSizeOfCommand(c.id), c.points) << c.id;
    }
}
