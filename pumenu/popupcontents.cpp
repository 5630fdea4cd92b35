#include "pumenu/popupcontents.h"

#include "pumenu/commandids.h"

namespace {

// Adds a run of sibling items under pParent, in order.
struct Entry {
    int nCommand;
    const char* pszLabel;
};

template <size_t N>
void AddAll(CPUMenu& menu, CPUMenuItem* pParent, const Entry (&entries)[N]) {
    for (const Entry& e : entries) menu.AddItem(e.nCommand, e.pszLabel, pParent);
}

void BuildFontItems(CPUMenu& menu, const CEnumeratedFonts& fonts, CPUMenuItem* pFontItem) {
    int nId = ID_FONT_FIRST;
    for (int i = 0; i < fonts.GetFamilyCount(); ++i) {
        const CEnumeratedFontFamily* pFamily = fonts.GetFamily(i);
        if (nId > ID_FONT_LAST) return;
        CPUMenuItem* pFamilyItem = menu.AddItem(nId++, pFamily->GetName(), pFontItem);
        for (int j = 0; j < pFamily->GetFontCount(); ++j) {
            if (nId > ID_FONT_LAST) return;
            menu.AddItem(nId++, pFamily->GetFont(j)->GetStyleName(), pFamilyItem);
        }
    }
}

CPUMenuItem* BuildTypographicArm(CPUMenu& menu, const CEnumeratedFonts& fonts) {
    CPUMenuItem* pRoot = menu.AddItem(ID_TYPOGRAPHIC, "typographic", nullptr);

    BuildFontItems(menu, fonts, menu.AddItem(ID_TYPE_FONT, "font", pRoot));

    AddAll(menu, menu.AddItem(ID_TYPE_SIZE, "size", pRoot),
           {{ID_SIZE_SMALLEST, "smallest"},
            {ID_SIZE_SMALLER, "smaller"},
            {ID_SIZE_SMALL, "small"},
            {ID_SIZE_MEDIUM, "medium"},
            {ID_SIZE_LARGE, "large"},
            {ID_SIZE_LARGER, "larger"},
            {ID_SIZE_LARGEST, "largest"}});

    CPUMenuItem* pColor = menu.AddItem(ID_TYPE_COLOR, "color", pRoot);
    menu.AddItem(ID_COLOR_BLACK, "black", pColor);
    AddAll(menu, menu.AddItem(ID_COLOR_BLUE, "blue", pColor),
           {{ID_COLOR_BLUE_LIGHT, "light"}, {ID_COLOR_BLUE_LIGHTER, "lighter"}, {ID_COLOR_BLUE_LIGHTEST, "lightest"}});
    AddAll(menu, pColor,
           {{ID_COLOR_GRAY, "gray"},
            {ID_COLOR_GREEN, "green"},
            {ID_COLOR_LIGHT_GRAY, "light gray"},
            {ID_COLOR_RED, "red"},
            {ID_COLOR_WHITE, "white"}});

    AddAll(menu, menu.AddItem(ID_SOFTTYPE, "softtype", pRoot),
           {{ID_SOFTTYPE_DEFAULT, "default"},
            {ID_SOFTTYPE_CLAY, "clay"},
            {ID_SOFTTYPE_COLORSTATIC, "colorstatic"},
            {ID_SOFTTYPE_DISINTEGRATE, "disintegrate"},
            {ID_SOFTTYPE_DRIFT, "drift"},
            {ID_SOFTTYPE_EROSION, "erosion"},
            {ID_SOFTTYPE_LENS, "lens"},
            {ID_SOFTTYPE_PARTICLE, "particle"},
            {ID_SOFTTYPE_PULL, "pull"},
            {ID_SOFTTYPE_PULSE, "pulse"},
            {ID_SOFTTYPE_TRAIL, "trail"},
            {ID_SOFTTYPE_TRANSPARENT, "trasparent"}});

    CPUMenuItem* pCanvas = menu.AddItem(ID_CANVAS, "canvas", pRoot);
    AddAll(menu, menu.AddItem(ID_CANVAS_COLOR, "color", pCanvas),
           {{ID_CANVAS_BLACK, "black"},
            {ID_CANVAS_BLUE, "blue"},
            {ID_CANVAS_GREEN, "green"},
            {ID_CANVAS_RED, "red"},
            {ID_CANVAS_WHITE, "white"}});
    AddAll(menu, menu.AddItem(ID_CANVAS_SIZE, "size", pCanvas),
           {{ID_CANVAS_160X120, "160 x 120"},
            {ID_CANVAS_320X240, "320 x 240"},
            {ID_CANVAS_640X480, "640 x 480"},
            {ID_CANVAS_800X600, "800 x 600"}});
    menu.AddItem(ID_CANVAS_NO_IMAGE, "none", menu.AddItem(ID_CANVAS_IMAGE, "image", pCanvas));

    AddAll(menu, menu.AddItem(ID_PART_OF_SPEECH, "part of speech", pRoot),
           {{ID_POS_NOUN, "noun"}, {ID_POS_VERB, "verb"}, {ID_POS_ADJECTIVE, "adjective"}, {ID_POS_ADVERB, "adverb"}});
    return pRoot;
}

CPUMenuItem* BuildSelectArm(CPUMenu& menu) {
    CPUMenuItem* pRoot = menu.AddItem(ID_SELECT, "select", nullptr);
    AddAll(menu, pRoot,
           {{ID_SELECT_GLYPH, "glyph"},
            {ID_SELECT_GLYPHS, "glyphs"},
            {ID_SELECT_WORD, "word"},
            {ID_SELECT_WORDS, "words"},
            {ID_SELECT_PASSAGE, "passage"},
            {ID_SELECT_PASSAGES, "passages"},
            {ID_SELECT_NOTHING, "nothing"}});
    return pRoot;
}

CPUMenuItem* BuildBehaviorsArm(CPUMenu& menu, PopupMenuItems& items) {
    CPUMenuItem* pRoot = menu.AddItem(ID_BEHAVIORS, "behaviors", nullptr);
    CPUMenuItem* pAdd = menu.AddItem(ID_BEHAVIOR_ADD, "add", pRoot);

    AddAll(menu, menu.AddItem(ID_SUBMENU_MOVEMENT, "movement", pAdd),
           {{ID_BHVR_CRUISE, "cruise"},
            {ID_BHVR_EXPLODE, "explode"},
            {ID_BHVR_MOVE_TO_MOUSE, "move to mouse"},
            {ID_BHVR_MOVE_AWAY_FROM_MOUSE, "move away from mouse"},
            {ID_BHVR_SNAKELIKE, "snakelike"},
            {ID_BHVR_WAVE, "wave"}});
    AddAll(menu, menu.AddItem(ID_BHVR_GRAVITY, "gravity", pAdd),
           {{ID_BHVR_CONCRETE, "concrete"}, {ID_BHVR_GRAVITY, "gravity"}, {ID_BHVR_RAIN, "rain"}});
    AddAll(menu, menu.AddItem(ID_SUBMENU_LEXICAL, "lexical", pAdd),
           {{ID_BHVR_CRYPTOGRAPHIC, "cryptographic"}, {ID_BHVR_SYNONYM_SHIFT, "synonym shift"}});
    AddAll(menu, menu.AddItem(ID_BHVR_FADE, "fade", pAdd),
           {{ID_BHVR_FADE, "fade to new color"}, {ID_BHVR_FOCAL_FADE, "focal fade"}});
    AddAll(menu, menu.AddItem(ID_SUBMENU_PRESENTATION, "presentation", pAdd),
           {{ID_BHVR_LIFESPAN, "lifespan"}, {ID_BHVR_LOAD_ON_CLICK, "load on left click"}, {ID_BHVR_PULL_AND_FADE, "pull and fade"}});
    AddAll(menu, pAdd,
           {{ID_BHVR_DIES_ON_CONTACT, "dies on contact"},
            {ID_BHVR_LINES, "lines"},
            {ID_BHVR_THROWABLE, "make throwable"},
            {ID_BHVR_SCROLL, "scroll"},
            {ID_BHVR_SEQUENTIAL, "sequential"},
            {ID_BHVR_SPRINGS, "springs"},
            {ID_BHVR_THROB, "throb"},
            {ID_BHVR_VIRAL, "viral"}});

    AddAll(menu, pRoot, {{ID_BHVR_ADD_SAME, "add same"}, {ID_BHVR_REMOVE, "remove"}, {ID_BHVR_REMOVE_ALL, "remove all"}});
    items.m_pSimulateItem = menu.AddItem(ID_SIMULATE, "simulate", pRoot);
    items.m_pWordnozzleItem = menu.AddItem(ID_WORDNOZZLE, "wordnozzle", pRoot);
    return pRoot;
}

// The runs of blanks line the key hints up in one column.
CPUMenuItem* BuildGeneralArm(CPUMenu& menu, PopupMenuItems& items) {
    CPUMenuItem* pRoot = menu.AddItem(ID_GENERAL, "general", nullptr);

    AddAll(menu, menu.AddItem(ID_SUBMENU_FILE, "file...", pRoot),
           {{ID_FILECMD_NEW, "new      (ctrl-N)"},
            {ID_FILECMD_OPEN, "open     (ctrl-O)"},
            {ID_FILECMD_SAVE, "save     (ctrl-S)"},
            {ID_FILECMD_SAVE_AS, "save as  (ctrl-A)"}});

    CPUMenuItem* pShow = menu.AddItem(ID_SUBMENU_SHOW, "show...", pRoot);
    items.m_pCursorItem = menu.AddItem(ID_TOGGLE_CURSOR, "hide cursor          (F2)", pShow);
    items.m_pGridItem = menu.AddItem(ID_SHOW_GRID, "show grid            (F3)", pShow);
    items.m_pHierarchyItem = menu.AddItem(ID_SHOW_HIERARCHY, "show hierarchy       (F4)", pShow);
    items.m_pPanelItem = menu.AddItem(ID_SHOW_PROPERTY_PANEL, "show property panel  (F5)", pShow);
    items.m_pTransparentItem = menu.AddItem(ID_TRANSPARENT_PANEL, "transparent", items.m_pPanelItem);

    items.m_pCaptureItem = menu.AddItem(ID_MOVIE_CAPTURE, "start QT capture     (F1)", pRoot);
    items.m_pFullScreenItem = menu.AddItem(ID_FULLSCREEN, "fullscreen           (F6)", pRoot);
    menu.AddItem(ID_EXIT, "exit", pRoot);
    return pRoot;
}

}  // namespace

void BuildPopupMenu(CPUMenu& menu, const CEnumeratedFonts& fonts, PopupMenuItems* outItems) {
    PopupMenuItems items;
    menu.SetUpRoot(BuildTypographicArm(menu, fonts));
    menu.SetRightRoot(BuildSelectArm(menu));
    menu.SetDownRoot(BuildBehaviorsArm(menu, items));
    menu.SetLeftRoot(BuildGeneralArm(menu, items));
    if (outItems) *outItems = items;
}

LOGFONT FontFromMenuId(const CEnumeratedFonts& fonts, UINT nId) {
    LOGFONT result{};
    const long long id = nId;
    if (!IsFontCommand(id)) return result;
    long long counter = ID_FONT_FIRST - 1;
    for (int i = 0; i < fonts.GetFamilyCount() && counter != id; ++i) {
        const CEnumeratedFontFamily* pFamily = fonts.GetFamily(i);
        ++counter;
        if (counter == id) {
            if (const CEnumeratedFont* pFirst = pFamily->GetFont(0)) result = *pFirst->GetLogFont();
            break;
        }
        for (int j = 0; j < pFamily->GetFontCount() && counter != id; ++j) {
            ++counter;
            if (counter == id) result = *pFamily->GetFont(j)->GetLogFont();
        }
    }
    return result;
}
