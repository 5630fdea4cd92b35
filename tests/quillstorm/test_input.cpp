// Typing, backspace, the caret keys, clicks, selection levels, drags, the rubber band, the pop-up
// menu with its hover preview, and the view's pointers when elements go: the view's handlers called
// directly.
#include "inputfixture.h"

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "platform/ui/virtualkeys.h"
#include "pumenu/commandids.h"
#include "pumenu/pumenu.h"

namespace {

using Typing = InputFixture;
using Backspace = InputFixture;
using CaretKeys = InputFixture;
using Mouse = InputFixture;

// ---- typing ----------------------------------------------------------------------------------------

TEST_F(Typing, CharactersMakeWordsAtTheCaret) {
    struct Case {
        const char* before;
        const char* typed;
        const char* after;
    } cases[] = {
        {"", "ab, c", "[ab][,][ ][c|]"},
        {"", "it's", "[it's|]"},
        {"", "a1b2", "[a1b2|]"},
        {"", "..", "[.][.]|"},
        // A separator inside a word splits it; the caret stands before the rest.
        {"[ab|cd]", ",", "[ab][,]|[cd]"},
        {"[ab|cd]", " x", "[ab][ ][x|cd]"},
        // Before a word: a letter joins a word that starts with a letter or an apostrophe, and starts a
        // word of its own before one that starts with a digit or a separator.
        {"|[bc]", "a", "[a|bc]"},
        {"|['s]", "a", "[a|'s]"},
        {"|[1x]", "a", "[a|][1x]"},
        {"|[,]", "a", "[a|][,]"},
        // A separator before a word goes before it and the caret stays before the word.
        {"|[bc]", ",", "[,]|[bc]"},
        {"[ab][ ]|[cd]", "-", "[ab][ ][-]|[cd]"},
        // After the last word of a passage: a new word at its end.
        {"[ab]|", "c", "[ab][c|]"},
        {"[ab]|", " ", "[ab][ ]|"},
        // Tab: four spaces; return: a word of its own.
        {"", "a\tb", "[a][ ][ ][ ][ ][b|]"},
        {"", "a\rb", "[a][~][b|]"},
        // Backspace, typed.
        {"", "ab\bc", "[ac|]"},
        // Nothing else is inserted: control characters, delete, codes from 128 up.
        {"[ab|]", "\x01\x1b\x7f\xe9\x80\n", "[ab|]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " + \"" + c.typed + "\"");
        ClearScene();
        Build(c.before);
        View()->m_bModified = 0;
        Type(c.typed);
        EXPECT_EQ(Scene(), c.after);
        EXPECT_EQ(View()->m_bModified, 1) << "every character marks the scene modified";
    }
}

TEST_F(Typing, TypedGlyphsTakeTheTypingValuesAndOnlyVisibleOnesCollide) {
    CQuillView* v = View();
    v->m_crTypingColor = RGB(10, 20, 30);
    v->m_ptCaret = CPoint(120, 90);
    Type("a b");
    CKTPassage* p = PassageAt(0);
    EXPECT_EQ(p->GetAbsolutePoint(), CPoint(120, 90)) << "a new passage stands at the caret";
    ASSERT_NE(v->m_pCollisionDetector, nullptr);
    for (int j = 0; j < 3; ++j) {
        CKTGlyph* g = GlyphAt(0, j, 0);
        SCOPED_TRACE(g->GetChar());
        EXPECT_EQ(g->GetColor(), RGB(10, 20, 30));
        EXPECT_EQ(std::string(g->GetFont().lfFaceName), std::string(v->m_logFont.lfFaceName));
        EXPECT_EQ(g->GetFont().lfHeight, v->m_logFont.lfHeight);
        ASSERT_NE(g->GetRenderer(), nullptr);
        EXPECT_NE(g->GetRenderer(), v->m_pDefaultRenderer) << "a clone of the prototype";
        EXPECT_EQ(g->GetRenderer()->GetType(), v->m_pDefaultRenderer->GetType());
        EXPECT_TRUE(g->IsAutoLayout());
        EXPECT_EQ(v->m_pCollisionDetector->FindElement(g) != nullptr, g->GetChar() != ' ');
    }
}

TEST_F(Typing, GlyphsFlowAlongTheLineAndReturnStartsTheNextOne) {
    CQuillView* v = View();
    Type("ab");
    CKTGlyph* a = GlyphAt(0, 0, 0);
    CKTGlyph* b = GlyphAt(0, 0, 1);
    EXPECT_EQ(b->GetAbsolutePoint().x, a->GetAbsoluteBounds().right);
    EXPECT_EQ(v->m_ptCaret, CPoint(b->GetAbsoluteBounds().right, WordAt(0, 0)->GetAbsolutePoint().y))
        << "after a glyph: its right edge, on its word's line";

    Type("\r");
    CKTPassage* p = PassageAt(0);
    CKTGlyph* pBreak = GlyphAt(0, 1, 0);
    const CPoint nextLine(p->GetAbsolutePoint().x, p->GetAbsolutePoint().y + pBreak->GetHeight());
    EXPECT_GT(pBreak->GetHeight(), 0);
    EXPECT_EQ(v->m_ptCaret, nextLine) << "after a line break: the start of the next line";

    Type("c");
    EXPECT_EQ(WordAt(0, 2)->GetAbsolutePoint(), nextLine);
    // The caret before a word stands on the word's point.
    v->m_pCurGlyph = nullptr;
    v->UpdateCaret();
    EXPECT_EQ(v->m_ptCaret, nextLine);
}

// Whatever font the catalogue offers, a line break has a height: "a", Return, "b" puts the b on a
// lower line, by the line break's height (a font whose missing glyph is empty drew every line over the
// first, a pixel lower). How far lower is the font's own missing glyph's height, at least a quarter of
// the em in the fonts we know (Liberation Mono's is 12 pixels at 24 points, DejaVu Sans's 28).
TEST_F(Typing, ReturnStartsALowerLineInEveryCatalogueFamily) {
    CQuillView* v = View();
    ASSERT_GT(v->m_fonts.GetFamilyCount(), 0);
    for (int i = 0; i < v->m_fonts.GetFamilyCount(); ++i) {
        CEnumeratedFont* pFont = v->m_fonts.GetFamily(i)->GetFont(0);
        ASSERT_NE(pFont, nullptr);
        SCOPED_TRACE(pFont->GetLogFont()->lfFaceName);
        ClearScene();
        v->m_logFont = *pFont->GetLogFont();  // as the view takes a catalogue face: at the typing size
        v->m_logFont.lfHeight = v->m_nPointSize * 10;
        Type("a\rb");
        ASSERT_EQ(Scene(), "[a][~][b|]");
        const CRect a = GlyphAt(0, 0, 0)->GetAbsoluteBounds();
        const CRect b = GlyphAt(0, 2, 0)->GetAbsoluteBounds();
        const int nLineStep = WordAt(0, 2)->GetAbsolutePoint().y - WordAt(0, 0)->GetAbsolutePoint().y;
        EXPECT_EQ(nLineStep, GlyphAt(0, 1, 0)->GetHeight());
        const int nEm = v->m_nPointSize * 96 / 72;
        EXPECT_GE(nLineStep, nEm / 4);
        EXPECT_GT(b.top, a.top) << "a " << a.top << ".." << a.bottom << ", b " << b.top << ".." << b.bottom;
        EXPECT_GT(b.bottom, a.bottom);
        EXPECT_EQ(WordAt(0, 2)->GetAbsolutePoint().x, PassageAt(0)->GetAbsolutePoint().x);
    }
}

TEST_F(Typing, WhileTheSprayerRunsCharactersAreIgnored) {
    View()->m_bSpraying = 1;
    View()->m_bModified = 0;
    Type("ab\b\r");
    View()->m_bSpraying = 0;
    EXPECT_EQ(Scene(), "");
    EXPECT_EQ(View()->m_bModified, 0);
}

// ---- backspace -------------------------------------------------------------------------------------

TEST_F(Backspace, DeletesBeforeTheCaret) {
    struct Case {
        const char* before;
        const char* after;
    } cases[] = {
        {"[ab|]", "[a|]"},
        {"[a|b]", "|[b]"},
        // An emptied word goes; the caret goes to the end of a letter word before it, otherwise before
        // the word that followed the deleted one.
        {"[ab][c|][de]", "[ab|][de]"},
        {"[ab][ ][c|]", "[ab][ ]|"},
        {"[ab][ ][c|][,]", "[ab][ ]|[,]"},
        {"[a|][ ][b]", "|[ ][b]"},
        // Before a word: the whole word before it goes, and two letter words join at the caret.
        {"[ab][ ]|[cd]", "[ab|cd]"},
        {"[ab][,]|[cd]", "[ab|cd]"},
        {"[ab][ ][ ]|[cd]", "[ab][ ]|[cd]"},
        {"[ab][ ]|[1d]", "[ab]|[1d]"},
        {"|[ab]", "|[ab]"},
        // After the passage's last word: its last glyph.
        {"[ab]|", "[a|]"},
        {"[ab][ ]|", "[ab|]"},
        // A line break is a word like any other.
        {"[a][~][b|]", "[a][~]|"},
        {"[a][~]|[b]", "[a|b]"},
        // No passage, or an empty one: nothing.
        {"", ""},
        {"|", "|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        ClearScene();
        Build(c.before);
        Type("\b");
        EXPECT_EQ(Scene(), c.after);
    }
}

TEST_F(Backspace, DeletesTheSelectedElementByItsKind) {
    struct Case {
        const char* scene;
        int passage, word, glyph;  // the selected element: glyph -1 is the word, word -1 the passage
        const char* after;
    } cases[] = {
        {"[abc] / [de|]", 0, 0, 1, "[a|c] / [de]"},    // a glyph: the caret goes into its own word
        {"[a][ ][b|]", 0, 2, 0, "[a][ |]"},            // the only glyph: its word goes too
        {"[ab][ ][cd|]", 0, 2, -1, "[ab][ |]"},        // a word: the caret after the word before it
        {"[ab|][ ][cd]", 0, 0, -1, "[ ][cd]|"},        // the first word: no word before it
        {"[ab] / [cd|]", 1, -1, -1, "[ab]|"},          // a passage: the caret at the end of the one before
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene);
        ClearScene();
        Build(c.scene);
        CQuillView* v = View();
        CKTElement* s = c.word < 0 ? static_cast<CKTElement*>(PassageAt(c.passage))
                        : c.glyph < 0 ? static_cast<CKTElement*>(WordAt(c.passage, c.word))
                                      : static_cast<CKTElement*>(GlyphAt(c.passage, c.word, c.glyph));
        v->m_pSelected = s;
        v->m_pPrevSelected = s;
        v->m_selection.AddTail(s);
        v->m_bCaretShown = 0;
        Type("\b");
        EXPECT_EQ(Scene(), c.after);
        EXPECT_EQ(v->m_pSelected, nullptr);
        EXPECT_EQ(v->m_pPrevSelected, nullptr) << "the deleted element leaves every pointer of the view";
        EXPECT_TRUE(v->m_selection.IsEmpty());
        EXPECT_EQ(v->m_bCaretShown, 1);
    }
}

TEST_F(Backspace, TheSprayedPieceNeverNamesADeletedElement) {
    Build("[ab][ ][cd|]");
    CQuillView* v = View();
    v->m_pSprayPassage = PassageAt(0);
    v->m_pSprayWord = WordAt(0, 2);
    v->m_pSprayGlyph = GlyphAt(0, 2, 1);
    v->m_nChunkMode = 1;
    v->m_pSprayed = v->m_pSprayGlyph;
    Type("\b");
    EXPECT_EQ(v->m_pSprayGlyph, nullptr);
    EXPECT_EQ(v->m_pSprayed, nullptr);
    EXPECT_EQ(v->m_pSprayWord, WordAt(0, 2));
    v->m_nChunkMode = 2;
    Type("\b");  // the word empties and goes
    EXPECT_EQ(v->m_pSprayWord, nullptr);
    EXPECT_EQ(v->m_pSprayed, nullptr);
    EXPECT_EQ(v->m_pSprayPassage, PassageAt(0));
}

// ---- the caret keys --------------------------------------------------------------------------------

TEST_F(CaretKeys, ArrowsMoveTheCaret) {
    struct Case {
        const char* before;
        UINT key;
        const char* after;
    } cases[] = {
        {"[ab|]", VK_LEFT, "[a|b]"},
        {"[a|b]", VK_LEFT, "|[ab]"},
        {"[ab][ ]|[cd]", VK_LEFT, "[ab|][ ][cd]"},   // over the separator to the end of the word
        {"[,][ ]|[cd]", VK_LEFT, "[,]|[ ][cd]"},     // no letter word there: before the separator
        {"[ ]|[cd]", VK_LEFT, "|[ ][cd]"},           // nothing two words back: the first word
        {"|[ab]", VK_LEFT, "|[ab]"},
        {"[ab][ ]|", VK_LEFT, "[ab|][ ]"},
        {"[ab]|", VK_LEFT, "|[ab]"},
        {"[ab] / |", VK_LEFT, "[ab] / |"},           // an empty passage
        {"|[ab]", VK_RIGHT, "[a|b]"},
        {"[a|b]", VK_RIGHT, "[ab|]"},
        {"[ab|][ ][cd]", VK_RIGHT, "[ab][ ]|[cd]"},
        {"[ab|][ ]", VK_RIGHT, "[ab][ ]|"},
        {"|[ ][cd]", VK_RIGHT, "[ ]|[cd]"},
        {"[ab|]", VK_RIGHT, "[ab|]"},
        {"[ab]|", VK_RIGHT, "[ab]|"},
        {"[ab] / [c|d]", VK_UP, "[ab|] / [cd]"},
        {"[a|b] / [cd]", VK_UP, "|[ab] / [cd]"},
        {"| / [c|d]", VK_UP, "| / [cd]"},            // the previous passage is empty
        {"[a|b] / [cd]", VK_DOWN, "[ab] / |[cd]"},
        {"[ab] / [c|d]", VK_DOWN, "[ab] / [cd|]"},
        {"[ab|] / |", VK_DOWN, "[ab] / |"},
        {"[ab] / |", VK_DOWN, "[ab] / |"},
        // Without a passage, up and down go to the first passage (its end).
        {"[ab] / [cd]", VK_UP, "[ab]| / [cd]"},
        {"[ab] / [cd]", VK_DOWN, "[ab]| / [cd]"},
        {"", VK_UP, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " key " + std::to_string(c.key));
        ClearScene();
        Build(c.before);
        View()->m_bModified = 0;
        View()->OnKeyDown(c.key, 1, 0);
        EXPECT_EQ(Scene(), c.after);
        EXPECT_EQ(View()->m_bModified, 0);
    }
}

TEST_F(CaretKeys, ArrowsNudgeASelection) {
    Build("[ab][ ][cd|]");
    CQuillView* v = View();
    CKTWord* w = WordAt(0, 0);
    CKTGlyph* g = GlyphAt(0, 2, 0);
    v->m_selection.AddTail(w);
    v->m_selection.AddTail(g);
    const CPoint w0 = w->GetAbsolutePoint();
    const CPoint g0 = g->GetAbsolutePoint();
    const std::string scene = Scene();
    struct {
        UINT key;
        int dx, dy;
    } keys[] = {{VK_LEFT, -1, 0}, {VK_RIGHT, 1, 0}, {VK_UP, 0, -1}, {VK_DOWN, 0, 1}};
    int x = 0, y = 0;
    for (auto k : keys) {
        v->m_bModified = 0;
        v->OnKeyDown(k.key, 1, 0);
        x += k.dx;
        y += k.dy;
        EXPECT_EQ(w->GetAbsolutePoint(), CPoint(w0.x + x, w0.y + y));
        EXPECT_EQ(g->GetAbsolutePoint(), CPoint(g0.x + x, g0.y + y));
        EXPECT_EQ(v->m_bModified, 1);
    }
    EXPECT_EQ(Scene(), scene) << "the caret stays";
}

TEST_F(CaretKeys, MissingGlyphsWordsAndPassagesAreSafe) {
    // Words without glyphs and a passage without words, as a document may hold them.
    Build("[ab] / [cd]");
    auto* pEmpty = new CKTWord;
    PassageAt(0)->PrependChild(pEmpty, TRUE);
    auto* pEmptyAtEnd = new CKTWord;
    PassageAt(1)->AppendChild(pEmptyAtEnd, TRUE);
    CQuillView* v = View();
    const UINT keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN};
    for (int i = 0; i < 64; ++i) {
        v->OnKeyDown(keys[(i * 7 + i / 4) % 4], 1, 0);
        if (i % 5 == 0) Type("\b");
    }
    v->m_pCurPassage = PassageAt(1);
    v->m_pCurWord = pEmptyAtEnd;
    v->m_pCurGlyph = nullptr;
    v->OnKeyDown(VK_RIGHT, 1, 0);
    Type("\b");
    SUCCEED();
}

// ---- the left button -------------------------------------------------------------------------------

TEST_F(Mouse, AClickPlacesTheCaretOnAGlyphOrBelowThePoint) {
    Build("[ab][ ][cd|]");
    CQuillView* v = View();
    CKTGlyph* c = GlyphAt(0, 2, 0);
    v->OnLButtonDown(MK_LBUTTON, Inside(c));
    v->OnLButtonUp(0, Inside(c));
    EXPECT_EQ(Scene(), "[ab][ ][c|d]");
    EXPECT_EQ(v->m_ptCaret.x, c->GetAbsoluteBounds().right);

    // Empty space: no caret position; the caret point 2 pixels below the click.
    v->m_selection.AddTail(c);
    v->m_nClickAge = 51;
    v->OnLButtonDown(MK_LBUTTON | MK_CONTROL, CPoint(400, 300));
    EXPECT_EQ(Scene(), "[ab][ ][cd]");
    EXPECT_EQ(v->m_ptCaret, CPoint(400, 302));
    EXPECT_EQ(v->m_selection.GetCount(), 1) << "Control keeps the selection";
    v->OnLButtonUp(0, CPoint(400, 300));
    v->m_nClickAge = 51;
    v->OnLButtonDown(MK_LBUTTON, CPoint(410, 300));
    EXPECT_TRUE(v->m_selection.IsEmpty());
    v->OnLButtonUp(0, CPoint(410, 300));
    Type("x");
    EXPECT_EQ(PassageAt(1)->GetAbsolutePoint(), CPoint(410, 302)) << "typing there starts a new passage";
}

TEST_F(Mouse, ASecondPressAtTheSamePointWithinFiftyTicksIsADoubleClick) {
    struct Case {
        int ticks;
        CPoint offset;
        bool bDouble;
    } cases[] = {
        {0, {0, 0}, true}, {50, {0, 0}, true}, {51, {0, 0}, false}, {0, {1, 0}, false}, {0, {0, -1}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ticks) + " ticks, offset " + std::to_string(c.offset.x) + "," +
                     std::to_string(c.offset.y));
        ClearScene();
        Build("[ab]");
        CQuillView* v = View();
        const CPoint p = Inside(GlyphAt(0, 0, 0));
        v->m_nClickAge = 51;
        v->OnLButtonDown(MK_LBUTTON, p);
        v->OnLButtonUp(0, p);
        for (int i = 0; i < c.ticks; ++i) v->OnTimer(CQuillView::kFrameTimerId);
        const CPoint q(p.x + c.offset.x, p.y + c.offset.y);
        v->OnLButtonDblClk(MK_LBUTTON, q);
        v->OnLButtonUp(0, q);
        EXPECT_EQ(v->m_pSelected != nullptr, c.bDouble);
        EXPECT_EQ(v->m_bCaretShown, c.bDouble ? 0 : 1);
    }
}

TEST_F(Mouse, DoubleClicksWalkGlyphWordPassageWordGlyph) {
    Build("[ab][ ][cd]");
    CQuillView* v = View();
    CKTGlyph* g = GlyphAt(0, 0, 1);
    CKTWord* w = WordAt(0, 0);
    CKTPassage* p = PassageAt(0);
    const CPoint pt = Inside(g);
    v->OnLButtonDown(MK_LBUTTON, pt);  // a plain click: the caret after the b
    v->OnLButtonUp(0, pt);
    const CKTElement* expected[] = {g, w, p, w, g, w, p, w};
    for (const CKTElement* e : expected) {
        v->OnLButtonDblClk(MK_LBUTTON, pt);
        v->OnLButtonUp(0, pt);
        EXPECT_EQ(v->m_pSelected, e);
        ASSERT_EQ(v->m_selection.GetCount(), 1);
        EXPECT_EQ(v->m_selection.GetHead(), e);
    }
}

TEST_F(Mouse, ASelectedElementDragsAndShiftKeepsOneAxis) {
    struct Case {
        const char* name;
        UINT flags;
        CPoint move;
        CPoint expected;
    } cases[] = {
        {"free", 0, {7, 3}, {7, 3}},
        {"shift, farther along x", MK_SHIFT, {7, 3}, {7, 0}},
        {"shift, farther along y", MK_SHIFT, {3, -7}, {0, -7}},
        {"shift, as far both ways", MK_SHIFT, {4, 4}, {0, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearScene();
        Build("[ab][ ][cd]");
        CQuillView* v = View();
        CKTWord* w = WordAt(0, 2);
        v->m_selection.AddTail(w);
        const CPoint before = w->GetAbsolutePoint();
        const CPoint press = Inside(w);
        v->m_nClickAge = 51;
        v->OnLButtonDown(MK_LBUTTON, press);
        EXPECT_EQ(v->m_nMouseMode, 3);
        // Two steps: the axis is chosen from the press each time, the step from the previous point.
        const CPoint half(press.x + c.move.x / 2, press.y + c.move.y / 2);
        const CPoint end(press.x + c.move.x, press.y + c.move.y);
        v->m_bModified = 0;
        v->OnMouseMove(MK_LBUTTON | c.flags, half);
        v->OnMouseMove(MK_LBUTTON | c.flags, end);
        v->OnLButtonUp(c.flags, end);
        EXPECT_EQ(w->GetAbsolutePoint(), CPoint(before.x + c.expected.x, before.y + c.expected.y));
        EXPECT_EQ(v->m_nMouseMode, 0);
        EXPECT_EQ(v->m_bModified, 1);
        v->OnMouseMove(0, CPoint(end.x + 20, end.y + 20));
        EXPECT_EQ(w->GetAbsolutePoint(), CPoint(before.x + c.expected.x, before.y + c.expected.y)) << "released";
    }
}

TEST_F(Mouse, MoveSelectionModeFollowsTheMouseUntilAPress) {
    Build("[ab]");
    CQuillView* v = View();
    CKTWord* w = WordAt(0, 0);
    v->m_selection.AddTail(w);
    v->m_nMouseMode = 1;
    v->m_ptPrevMouse = CPoint(300, 300);
    const CPoint before = w->GetAbsolutePoint();
    v->OnMouseMove(0, CPoint(305, 302));
    EXPECT_EQ(w->GetAbsolutePoint(), CPoint(before.x + 5, before.y + 2));
    v->OnLButtonDown(MK_LBUTTON, CPoint(305, 302));
    EXPECT_EQ(v->m_nMouseMode, 0);
    EXPECT_EQ(v->m_selection.GetCount(), 1) << "the press that ends the mode is not a click";
    v->OnLButtonUp(0, CPoint(305, 302));
}

TEST_F(Mouse, TheRubberBandSelectsTheGlyphsItMeets) {
    Build("[ab][ ][cd] / [ef]");
    CQuillView* v = View();
    const CRect a = GlyphAt(0, 0, 0)->GetAbsoluteBounds();
    const CRect c = GlyphAt(0, 2, 0)->GetAbsoluteBounds();
    const CPoint start(a.left - 20, a.top - 20);
    v->OnLButtonDown(MK_LBUTTON, start);
    EXPECT_EQ(v->m_nMouseMode, 0);
    // Up to the top of the c: a, b and c (a space's bounds are a sliver on the baseline); the last one
    // selected becomes the caret's glyph.
    v->OnMouseMove(MK_LBUTTON, CPoint(c.left + 1, c.top + 1));
    ASSERT_EQ(v->m_selection.GetCount(), 3);
    EXPECT_EQ(v->m_selection.GetHead(), GlyphAt(0, 0, 0));
    EXPECT_EQ(v->m_selection.GetTail(), GlyphAt(0, 2, 0));
    EXPECT_EQ(v->m_pSelected, GlyphAt(0, 2, 0));
    EXPECT_EQ(Scene(), "[ab][ ][c|d] / [ef]");
    EXPECT_EQ(v->m_bCaretShown, 0);
    // Back to where nothing is met: empty, no caret position.
    v->OnMouseMove(MK_LBUTTON, CPoint(start.x + 1, start.y + 1));
    EXPECT_TRUE(v->m_selection.IsEmpty());
    EXPECT_EQ(v->m_pSelected, nullptr);
    EXPECT_EQ(Scene(), "[ab][ ][cd] / [ef]");
    EXPECT_EQ(v->m_bCaretShown, 1);
    // A band drawn up and to the left is normalised.
    v->OnMouseMove(MK_LBUTTON, CPoint(c.left + 1, c.top + 1));
    v->OnLButtonUp(0, CPoint(c.left + 1, c.top + 1));
    v->m_nClickAge = 51;
    const CRect f = GlyphAt(1, 0, 1)->GetAbsoluteBounds();
    v->OnLButtonDown(MK_LBUTTON, CPoint(f.right + 5, f.bottom + 5));
    v->OnMouseMove(MK_LBUTTON, CPoint(f.left + 1, f.top + 1));
    ASSERT_EQ(v->m_selection.GetCount(), 1);
    EXPECT_EQ(v->m_selection.GetHead(), GlyphAt(1, 0, 1));
    v->OnLButtonUp(0, CPoint(f.left + 1, f.top + 1));
    // Without the button, or without the capture, a move draws no band.
    v->OnMouseMove(0, CPoint(start.x, start.y));
    EXPECT_EQ(v->m_selection.GetCount(), 1);
    v->OnMouseMove(MK_LBUTTON, CPoint(start.x, start.y));
    EXPECT_EQ(v->m_selection.GetCount(), 1);
}

TEST_F(Mouse, ButtonsAndMovesReachTheBook) {
    CQuillView* v = View();
    v->OnMouseMove(0, CPoint(33, 44));
    EXPECT_EQ(Book()->GetMousePoint(), CPoint(33, 44));
    v->OnLButtonDown(MK_LBUTTON, CPoint(35, 44));
    EXPECT_TRUE(Book()->IsLeftButtonDown());
    EXPECT_TRUE(v->HasCapture());
    v->OnLButtonUp(0, CPoint(35, 44));
    EXPECT_FALSE(Book()->IsLeftButtonDown());
    EXPECT_FALSE(v->HasCapture());
    v->OnRButtonDown(MK_RBUTTON, CPoint(200, 200));
    EXPECT_TRUE(Book()->IsRightButtonDown());
    v->OnRButtonUp(0, CPoint(200, 200));
    EXPECT_FALSE(Book()->IsRightButtonDown());
}

// ---- the right button and the pop-up menu ----------------------------------------------------------

// The point at the middle of a menu item's box as last drawn.
CPoint Middle(const CPUMenuItem* p) { return CPoint(p->GetX() + p->GetWidth() / 2, p->GetY() + p->GetHeight() / 2); }

const CPUMenuItem* Child(const CPUMenuItem* pParent, int nCommand) {
    for (const CPUMenuItem* p = pParent->GetFirstChild(); p; p = p->GetNextSibling())
        if (p->GetCommand() == nCommand) return p;
    return nullptr;
}

class PopupMenuFixture : public InputFixture {
protected:
    // Moves onto an item and paints twice (a column is measured in one frame and painted in the next).
    void MoveTo(const CPUMenuItem* p) {
        ASSERT_NE(p, nullptr);
        View()->OnMouseMove(MK_RBUTTON, Middle(p));
        Paint();
        Paint();
    }
    const CPUMenuItem* Open(CPoint at, CPUMenu::Arm arm) {
        View()->OnRButtonDown(MK_RBUTTON, at);
        Paint();
        Paint();
        const CPUMenuItem* pRoot = View()->m_pMenu->GetRoot(arm);
        MoveTo(pRoot);
        return pRoot;
    }
};

TEST_F(PopupMenuFixture, TheReleaseRunsTheChosenCommandAndClosesTheMenu) {
    Build("[ab|]");
    CQuillView* v = View();
    const CPUMenuItem* pSelect = Open(CPoint(300, 250), CPUMenu::kRight);
    EXPECT_TRUE(v->m_pMenu->IsVisible());
    EXPECT_EQ(v->m_pMenu->GetCenter(), CPoint(300, 250));
    const CPUMenuItem* pGlyph = Child(pSelect, ID_SELECT_GLYPH);
    MoveTo(pGlyph);
    EXPECT_EQ(v->m_pMenu->GetSelectedCommand(), ID_SELECT_GLYPH);
    v->OnRButtonUp(0, Middle(pGlyph));
    EXPECT_FALSE(v->m_pMenu->IsVisible());
    EXPECT_EQ(v->m_pMenu->GetSelectedCommand(), 0);
    ASSERT_EQ(v->m_selection.GetCount(), 1);
    EXPECT_EQ(v->m_selection.GetHead(), GlyphAt(0, 0, 1));

    // Released over the centre: nothing chosen, nothing runs.
    v->OnRButtonDown(MK_RBUTTON, CPoint(300, 250));
    v->OnMouseMove(MK_RBUTTON, CPoint(301, 251));
    v->OnRButtonUp(0, CPoint(301, 251));
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(v->m_selection.GetCount(), 1);
}

TEST_F(PopupMenuFixture, HoveringASizeItemPreviewsTheTitleUntilTheRelease) {
    CQuillView* v = View();
    const CPoint centre(320, 200);
    const CPUMenuItem* pUp = Open(centre, CPUMenu::kUp);
    EXPECT_EQ(v->m_pPreview, nullptr) << "the arm root runs nothing";
    const CPUMenuItem* pSize = Child(pUp, ID_TYPE_SIZE);
    MoveTo(pSize);
    EXPECT_EQ(v->m_pPreview, nullptr) << "the size item itself would open a dialog: hovering runs nothing";
    EXPECT_TRUE(m_ui.Calls().empty());
    const CPUMenuItem* pSmall = Child(pSize, ID_SIZE_SMALL);
    MoveTo(pSmall);
    EXPECT_EQ(v->m_nHoverCommand, ID_SIZE_SMALL);
    ASSERT_NE(v->m_pPreview, nullptr);
    EXPECT_EQ(v->m_nPointSize, 16) << "the hovered size is the typing size";
    CKTPassage* pPreview = v->m_pPreview;
    EXPECT_EQ(pPreview->GetParent(), nullptr) << "outside the book's tree";
    EXPECT_EQ(static_cast<CKTWord*>(pPreview->GetFirstChild())->GetText(), "Quillstorm!");
    EXPECT_EQ(pPreview->GetAbsolutePoint(), CPoint(centre.x - pPreview->GetWidth(), centre.y + pPreview->GetHeight()));
    const int nWidth16 = pPreview->GetWidth();

    // The next size item resizes the same preview and places it again.
    const CPUMenuItem* pLarge = Child(pSize, ID_SIZE_LARGE);
    MoveTo(pLarge);
    EXPECT_EQ(v->m_pPreview, pPreview);
    EXPECT_GT(pPreview->GetWidth(), nWidth16);
    EXPECT_EQ(pPreview->GetAbsolutePoint(), CPoint(centre.x - pPreview->GetWidth(), centre.y + pPreview->GetHeight()));

    v->OnRButtonUp(0, Middle(pLarge));
    EXPECT_EQ(v->m_pPreview, nullptr) << "the release deletes the preview";
    EXPECT_EQ(v->m_nPointSize, 36);

    // Each opening starts with nothing hovered.
    v->OnRButtonDown(MK_RBUTTON, centre);
    EXPECT_EQ(v->m_nHoverCommand, 0);
    v->OnRButtonUp(0, centre);
}

TEST_F(PopupMenuFixture, ADialogTheChosenCommandOpensHasNoMenuBehindIt) {
    Build("[ab|]");
    CQuillView* v = View();
    const CPUMenuItem* pSoftType = Child(Open(CPoint(320, 240), CPUMenu::kUp), ID_SOFTTYPE);
    MoveTo(pSoftType);
    const CPUMenuItem* pLens = Child(pSoftType, ID_SOFTTYPE_LENS);
    MoveTo(pLens);
    ASSERT_EQ(v->m_pMenu->GetSelectedCommand(), ID_SOFTTYPE_LENS);
    int nDialogs = 0;
    m_ui.AnswerDialog([&](ui::CParamDialog&) {
        ++nDialogs;
        EXPECT_FALSE(v->m_pMenu->IsVisible()) << "the frames painted behind the dialog show no menu";
        return IDCANCEL;
    });
    v->OnRButtonUp(0, Middle(pLens));
    EXPECT_EQ(nDialogs, 1);
    EXPECT_FALSE(v->m_pMenu->IsVisible());
}

TEST_F(PopupMenuFixture, WithASelectionHoveringResizesTheSelectionAndMakesNoPreview) {
    Build("[ab]");
    CQuillView* v = View();
    v->m_selection.AddTail(WordAt(0, 0));
    const int nBefore = WordAt(0, 0)->GetWidth();
    const CPUMenuItem* pUp = Open(CPoint(320, 240), CPUMenu::kUp);
    const CPUMenuItem* pSize = Child(pUp, ID_TYPE_SIZE);
    MoveTo(pSize);
    MoveTo(Child(pSize, ID_SIZE_LARGEST));
    EXPECT_EQ(v->m_pPreview, nullptr);
    EXPECT_GT(WordAt(0, 0)->GetWidth(), nBefore);
    v->OnMouseMove(MK_RBUTTON, CPoint(320, 240));
    v->OnRButtonUp(0, CPoint(320, 240));
}

// ---- pointers of the view when elements go ------------------------------------------------------------

TEST_F(Mouse, ElementsTheBookDeletesLeaveEveryPointerOfTheView) {
    Build("[ab]");
    CQuillView* v = View();
    CKTWord* w = WordAt(0, 0);
    CKTGlyph* g = GlyphAt(0, 0, 0);
    v->m_pSelected = w;
    v->m_pPrevSelected = g;
    v->CreatePreviewText();
    ASSERT_NE(v->m_pPreview, nullptr);
    CKTPassage* pPreview = v->m_pPreview;
    w->Die(FALSE, FALSE);
    Book()->SetRunState(1);
    Book()->Step();
    EXPECT_EQ(v->m_pSelected, nullptr);
    EXPECT_EQ(v->m_pPrevSelected, nullptr);
    EXPECT_EQ(v->m_pPreview, pPreview);
    // The preview is the view's own, but should anything delete it, the view forgets it.
    PurgeElementReferences(pPreview);
    EXPECT_EQ(v->m_pPreview, nullptr);
    delete pPreview;
}

}  // namespace
