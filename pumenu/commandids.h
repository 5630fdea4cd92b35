// Command ids: one number space shared by the pop-up menu's items, the view's keys and the view's
// command dispatcher.
//
//   3 .. 133      commands; the ids the dispatcher does not list do nothing, among them those of items
//                 that only open a submenu (ID_TYPE_FONT, ID_SELECT, ID_BEHAVIORS, ID_BEHAVIOR_ADD,
//                 ID_GENERAL, ID_PART_OF_SPEECH, ID_SOFTTYPE, ID_CANVAS, and ID_TYPOGRAPHIC = 1 below)
//   134 .. 138    submenu items that do nothing when chosen
//   200 .. 32767  font items, numbered in catalogue order (family, then each of its faces)
//   32771 ..      the frame's own commands (no visible menu; same effect as 101, 102, 104, 103, 105)
//   57600 ..      the class library's file and edit commands, reached through the frame's accelerators
//
// 0 is "no command": the menu's selected command when nothing is selected.
#pragma once

constexpr int ID_NO_COMMAND = 0;

// ---- typographic arm -----------------------------------------------------------------------------
constexpr int ID_TYPOGRAPHIC = 1;          // "typographic" (submenu only, below the command range)
constexpr int ID_TYPE_COLOR = 3;           // "color": typing colour dialog
constexpr int ID_TYPE_FONT = 5;            // "font" (submenu only)
constexpr int ID_TYPE_SIZE = 6;            // "size": font size dialog
constexpr int ID_COLOR_RED = 10;
constexpr int ID_COLOR_GREEN = 11;
constexpr int ID_COLOR_BLUE = 12;          // also opens the "light" submenu
constexpr int ID_COLOR_BLACK = 42;
constexpr int ID_COLOR_WHITE = 43;
constexpr int ID_SIZE_SMALLEST = 64;       // 8 points
constexpr int ID_SIZE_SMALLER = 65;        // 12
constexpr int ID_SIZE_SMALL = 66;          // 16
constexpr int ID_SIZE_MEDIUM = 67;         // 24
constexpr int ID_SIZE_LARGE = 68;          // 36
constexpr int ID_SIZE_LARGER = 69;         // 48
constexpr int ID_SIZE_LARGEST = 70;        // 64
constexpr int ID_PART_OF_SPEECH = 71;      // "part of speech" (submenu only)
constexpr int ID_POS_NOUN = 72;
constexpr int ID_POS_VERB = 73;
constexpr int ID_POS_ADJECTIVE = 74;
constexpr int ID_POS_ADVERB = 75;
constexpr int ID_SOFTTYPE = 79;            // "softtype" (submenu only)
constexpr int ID_SOFTTYPE_DEFAULT = 80;
constexpr int ID_SOFTTYPE_PARTICLE = 81;
constexpr int ID_SOFTTYPE_LENS = 82;
constexpr int ID_SOFTTYPE_PULL = 83;
constexpr int ID_SOFTTYPE_PULSE = 84;
constexpr int ID_SOFTTYPE_DISINTEGRATE = 85;  // splatter renderer
constexpr int ID_COLOR_BLUE_LIGHT = 87;
constexpr int ID_COLOR_BLUE_LIGHTER = 88;
constexpr int ID_COLOR_BLUE_LIGHTEST = 89;
constexpr int ID_CANVAS = 90;              // "canvas" (submenu only)
constexpr int ID_CANVAS_BLACK = 91;
constexpr int ID_CANVAS_BLUE = 92;
constexpr int ID_CANVAS_GREEN = 93;
constexpr int ID_CANVAS_RED = 94;
constexpr int ID_CANVAS_WHITE = 95;
constexpr int ID_COLOR_LIGHT_GRAY = 96;
constexpr int ID_COLOR_GRAY = 99;
constexpr int ID_SOFTTYPE_EROSION = 107;
constexpr int ID_SOFTTYPE_CLAY = 108;
constexpr int ID_SOFTTYPE_DRIFT = 109;
constexpr int ID_SOFTTYPE_ERODE_EDGE = 110;  // no menu item
constexpr int ID_SOFTTYPE_COLORSTATIC = 111;
constexpr int ID_SOFTTYPE_TRAIL = 113;
constexpr int ID_CANVAS_COLOR = 118;       // canvas colour dialog
constexpr int ID_CANVAS_SIZE = 119;        // canvas size dialog
constexpr int ID_CANVAS_160X120 = 120;
constexpr int ID_CANVAS_320X240 = 121;
constexpr int ID_CANVAS_640X480 = 122;
constexpr int ID_CANVAS_800X600 = 123;
constexpr int ID_SOFTTYPE_TRANSPARENT = 129;
constexpr int ID_CANVAS_IMAGE = 130;       // background image dialog
constexpr int ID_CANVAS_NO_IMAGE = 131;

// ---- select arm ----------------------------------------------------------------------------------
constexpr int ID_MOVE_SELECTION = 17;      // no menu item: the selection follows the mouse
constexpr int ID_SELECT = 21;              // "select" (submenu only)
constexpr int ID_SELECT_NOTHING = 22;
constexpr int ID_SELECT_GLYPH = 23;
constexpr int ID_SELECT_WORD = 24;
constexpr int ID_SELECT_PASSAGE = 25;
constexpr int ID_SELECT_GLYPHS = 97;
constexpr int ID_SELECT_WORDS = 98;
constexpr int ID_SELECT_PASSAGES = 100;

// ---- behaviors arm -------------------------------------------------------------------------------
constexpr int ID_BEHAVIORS = 26;           // "behaviors" (submenu only)
constexpr int ID_BEHAVIOR_ADD = 27;        // "add" (submenu only)
constexpr int ID_BHVR_PULL_TO_LOAD = 28;   // no menu item
constexpr int ID_BHVR_THROWABLE = 29;
constexpr int ID_BHVR_MOVE_TO_MOUSE = 30;
constexpr int ID_BHVR_CRUISE = 31;
constexpr int ID_BHVR_FADE = 32;           // "fade" and "fade to new color"
constexpr int ID_BHVR_DIES_ON_CONTACT = 33;
constexpr int ID_BHVR_SYNONYM_SHIFT = 34;
constexpr int ID_BHVR_RAIN_WHEN_STILL = 38;  // no menu item
constexpr int ID_SIMULATE = 39;            // also Escape
constexpr int ID_BHVR_EXPLODE = 44;
constexpr int ID_BHVR_CRYPTOGRAPHIC = 45;
constexpr int ID_BHVR_VIRAL = 46;
constexpr int ID_BHVR_WAVE = 48;
constexpr int ID_BHVR_SPRINGS = 50;
constexpr int ID_BHVR_MOVE_AWAY_FROM_MOUSE = 51;
constexpr int ID_BHVR_GRAVITY = 52;        // "gravity" and its own "gravity" item
constexpr int ID_BHVR_REMOVE = 57;
constexpr int ID_BHVR_PULL_AND_FADE = 60;
constexpr int ID_BHVR_LOAD_ON_CLICK = 63;
constexpr int ID_BHVR_THROB = 76;
constexpr int ID_BHVR_RAIN = 77;
constexpr int ID_BHVR_CONCRETE = 78;
constexpr int ID_BHVR_SNAKELIKE = 112;
constexpr int ID_BHVR_FOCAL_FADE = 114;
constexpr int ID_WORDNOZZLE = 116;
constexpr int ID_BHVR_LIFESPAN = 117;
constexpr int ID_BHVR_SEQUENTIAL = 124;
constexpr int ID_BHVR_SCROLL = 125;
constexpr int ID_BHVR_LINES = 126;
constexpr int ID_BHVR_ADD_SAME = 132;
constexpr int ID_BHVR_REMOVE_ALL = 133;

// ---- general arm ---------------------------------------------------------------------------------
constexpr int ID_GENERAL = 54;             // "general" (submenu only)
constexpr int ID_FILECMD_OPEN = 55;
constexpr int ID_FILECMD_SAVE = 56;
constexpr int ID_EXIT = 58;
constexpr int ID_FILECMD_NEW = 59;
constexpr int ID_MOVIE_CAPTURE = 62;       // F1 reaches the capture toggle directly
constexpr int ID_SHOW_HIERARCHY = 101;     // F4
constexpr int ID_SHOW_PROPERTY_PANEL = 102;  // F5
constexpr int ID_SHOW_TIMELINE = 103;      // no menu item
constexpr int ID_TRANSPARENT_PANEL = 104;
constexpr int ID_TRANSPARENT_TIMELINE = 105;  // no menu item
constexpr int ID_TOGGLE_CURSOR = 106;      // F2
constexpr int ID_FILECMD_SAVE_AS = 115;
constexpr int ID_FULLSCREEN = 127;         // F6
constexpr int ID_SHOW_GRID = 128;          // F3

// ---- submenu items that do nothing when chosen ----------------------------------------------------
constexpr int ID_SUBMENU_MOVEMENT = 134;
constexpr int ID_SUBMENU_LEXICAL = 135;
constexpr int ID_SUBMENU_PRESENTATION = 136;
constexpr int ID_SUBMENU_SHOW = 137;
constexpr int ID_SUBMENU_FILE = 138;

constexpr int ID_COMMAND_FIRST = 3;        // lowest id the dispatcher's table can name
constexpr int ID_COMMAND_LAST = 133;       // highest
constexpr int ID_SUBMENU_FIRST = 134;
constexpr int ID_SUBMENU_LAST = 138;

// ---- font items ----------------------------------------------------------------------------------
constexpr int ID_FONT_FIRST = 200;         // the first family of the catalogue
constexpr int ID_FONT_LAST = 32767;        // the builder adds no font item past this one

// ---- the frame's commands ------------------------------------------------------------------------
constexpr int ID_FRAME_SHOW_HIERARCHY = 32771;
constexpr int ID_FRAME_SHOW_PROPERTY_PANEL = 32772;
constexpr int ID_FRAME_TRANSPARENT_PANEL = 32773;
constexpr int ID_FRAME_SHOW_TIMELINE = 32774;
constexpr int ID_FRAME_TRANSPARENT_TIMELINE = 32775;

// ---- the class library's commands reached by the frame's accelerators -----------------------------
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;         // no handler
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;        // no handler

// A font item of the menu.
constexpr bool IsFontCommand(long long id) { return id >= ID_FONT_FIRST && id <= ID_FONT_LAST; }
// One of the seven point-size items.
constexpr bool IsSizeCommand(long long id) { return id >= ID_SIZE_SMALLEST && id <= ID_SIZE_LARGEST; }
// The items whose hovering previews their effect live: fonts and sizes, nothing else.
constexpr bool IsHoverPreviewCommand(long long id) { return IsFontCommand(id) || IsSizeCommand(id); }
// Point size of a size item (8, 12, 16, 24, 36, 48, 64); 0 for any other id.
constexpr int PointSizeOfCommand(long long id) {
    constexpr int kSizes[] = {8, 12, 16, 24, 36, 48, 64};
    return IsSizeCommand(id) ? kSizes[id - ID_SIZE_SMALLEST] : 0;
}
