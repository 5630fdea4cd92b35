// The text sprayer: chunking, the spray step, the clock, the adjusters, start and stop, resets and the
// mends (held flags cleared whatever drops a message, the size cap, an empty font catalogue, refused
// renderer clones, MIDI arriving while a message box is up).
#include <cstdlib>
#include <cstring>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktwavebhvr.h"
#include "kinetype/ktword.h"
#include "pumenu/pumenuitem.h"
#include "sprayfixture.h"

namespace {

using Sprayer = SprayFixture;

std::vector<std::string> Words(const CStringList& list) {
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos).str());
    return out;
}

// ---- chunks and the spray step --------------------------------------------------------------------

struct ChunkCase {
    const char* what;
    int nChunk;
    std::string bytes;
    std::vector<std::string> chunks;  // m_words after loading
    int nSteps;                       // spray steps, the one of the start included
    const char* scene;                // the scene after them
    const char* piece;                // the current piece's text
};

const ChunkCase kChunkCases[] = {
    {"words split at white space, the comma stays", 1, "Hello,  world\n", {"Hello,", "world"}, 3,
     "[Hello,][world][Hello,]", "Hello,"},
    {"a line: letters, digits and apostrophes run together", 2, "don't stop!\n", {"don't stop!"}, 1,
     "[don't][ ][stop][!]", "don't stop!"},
    {"lines in text mode, one passage each", 2, "one\r\n\r\ntwo 2\r\n", {"one", "two 2"}, 3,
     "[one] / [two][ ][2] / [one]", "one"},
    {"glyphs: the end of a line closes no word", 0, "ab\nc\n", {"ab", "c"}, 6, "[abcabc]", "c"},
    {"glyphs: a blank or mark is a word of its own", 0, "a b,c", {"a b,c"}, 5, "[a][ ][b][,][c]", "c"},
    {"glyphs: a tab makes nothing, the glyph before stays the piece", 0, "a\tb", {"a\tb"}, 2, "[a]", "a"},
    {"glyphs: after the tab", 0, "a\tb", {"a\tb"}, 3, "[ab]", "b"},
    {"binary, passage mode: printable bytes only", 2, std::string("a\x01\x80" "b\0c\n", 7),
     {std::string("a\x01\x80" "b\0c", 6)}, 1, "[abc]", "abc"},
    {"binary, word mode: graphic bytes only, the others dropped", 1, std::string("a\x01" "b\x80 c\0d\n", 10),
     {"ab", "cd"}, 2, "[ab][cd]", "cd"},
};

TEST_F(Sprayer, ChunksAndTheirPieces) {
    for (const ChunkCase& c : kChunkCases) {
        SCOPED_TRACE(c.what);
        ClearScene();
        Spray(c.bytes, c.nChunk);
        EXPECT_EQ(Words(v()->m_words), c.chunks);
        for (int i = 1; i < c.nSteps; ++i) v()->SprayText();
        EXPECT_EQ(Scene(), c.scene);
        ASSERT_NE(v()->m_pSprayed, nullptr);
        EXPECT_EQ(Text(v()->m_pSprayed), c.piece);
        // The piece is moved by the mouse point less its centre: centred on the mouse, give or take
        // the pixel that the centre's truncation toward zero loses when a bound changes sign.
        const CPoint ptCentre = v()->m_pSprayed->GetCenter();
        EXPECT_LE(std::abs(ptCentre.x - m_ptMouse.x), 1);
        EXPECT_LE(std::abs(ptCentre.y - m_ptMouse.y), 1);
        v()->ExecuteCommand(kWordnozzle, TRUE);  // stop
        ASSERT_EQ(v()->m_bSpraying, 0);
    }
}

// New glyphs carry the spray font, colour and size; each glyph joins the collision detector; the
// piece gets a clone of the prototype renderer.
TEST_F(Sprayer, NewPiecesTakeTheSprayValues) {
    v()->m_crTypingColor = RGB(10, 20, 30);
    v()->m_nPointSize = 30;
    Spray("ab cd\n");
    CKTElement* pWord = v()->m_pSprayed;
    ASSERT_EQ(pWord->GetKind(), KIND_WORD);
    EXPECT_EQ(v()->m_nSpraySize, 30);
    EXPECT_EQ(v()->m_crSpray, RGB(10, 20, 30));
    EXPECT_EQ(std::memcmp(&v()->m_sprayFont, &v()->m_logFont, sizeof(LOGFONT)), 0);
    for (CKTElement* g : Children(pWord)) {
        EXPECT_EQ(g->GetColor(), RGB(10, 20, 30));
        EXPECT_EQ(g->GetFontSize(), 30);
        EXPECT_STREQ(g->GetFont().lfFaceName, v()->m_logFont.lfFaceName);
        EXPECT_TRUE(g->HasBehavior(v()->m_pCollisionDetector));
        EXPECT_EQ(g->GetRendererType(), RENDERER_DEFAULT);
    }
    EXPECT_EQ(pWord->GetRendererType(), RENDERER_DEFAULT);
    EXPECT_NE(pWord->GetRenderer(), v()->m_pSprayRenderer);
}

// Releasing a piece: it joins the lifespan (made once, with the dialog's values) and keeps
// PROP_SPRAYING TRUE; the new piece has it TRUE too.
TEST_F(Sprayer, AReleasedPieceDiesAfterItsLifespan) {
    Book()->SetRunState(1);
    StartSprayer(WriteSource("s.txt", "one two three\n"), kWordChunk, 0.1f, 0.5, 0.0);
    ASSERT_NE(v()->m_pLifespan, nullptr);
    EXPECT_EQ(v()->m_pLifespan->m_dMinLife, 0.5);
    CKTElement* pFirst = v()->m_pSprayed;
    EXPECT_EQ(Spraying(pFirst), 1);
    EXPECT_EQ(v()->m_pLifespan->GetElementCount(), 0);
    v()->SprayText();
    EXPECT_EQ(ElementsOf(v()->m_pLifespan), std::vector<CKTElement*>{pFirst});
    EXPECT_EQ(Spraying(pFirst), 1);
    EXPECT_EQ(Spraying(v()->m_pSprayed), 1);
    EXPECT_EQ(Scene(), "[one][two]");
    // 0.5 s of scene time: 50 steps (the clock's sum of 0.01 may need one more).
    Tick(48);
    EXPECT_EQ(Scene(), "[one][two]");
    Tick(3);
    EXPECT_EQ(Scene(), "[two]");
}

// ---- the clock ----------------------------------------------------------------------------------

TEST_F(Sprayer, TheClockGrowsInTheTickAndTheStepRunsInThePaint) {
    struct Case {
        float fSpeed;
        int nInterval;  // ticks from one spray to the next; 0: never
    } cases[] = {{0.1f, 10}, {0.2f, 5}, {0.05f, 20}, {0.01f, 101}, {0.0f, 0}};
    std::string many;
    for (int i = 0; i < 40; ++i) many += "w" + std::to_string(i) + " ";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fSpeed);
        ClearScene();
        Spray(many, kWordChunk, c.fSpeed);
        Book()->OnLButtonDown(m_ptMouse);
        std::vector<int> sprays;
        CKTElement* pLast = v()->m_pSprayed;
        for (int t = 1; t <= 250; ++t) {
            Tick();
            if (v()->m_pSprayed != pLast) sprays.push_back(t);
            pLast = v()->m_pSprayed;
        }
        std::vector<int> expected;
        for (int t = c.nInterval; c.nInterval && t <= 250; t += c.nInterval) expected.push_back(t);
        EXPECT_EQ(sprays, expected);
        Book()->OnLButtonUp(m_ptMouse);
        v()->ExecuteCommand(kWordnozzle, TRUE);
    }
}

// The clock keeps growing while the button is up, so a press sprays at its first tick.
TEST_F(Sprayer, APressAfterAPauseSpraysAtOnce) {
    Spray("a b c d\n");
    CKTElement* pFirst = v()->m_pSprayed;
    Tick(30);
    EXPECT_EQ(v()->m_pSprayed, pFirst);
    EXPECT_GE(v()->m_fSprayClock, 1.0f);
    Book()->OnLButtonDown(m_ptMouse);
    Tick();
    EXPECT_NE(v()->m_pSprayed, pFirst);
    EXPECT_EQ(v()->m_fSprayClock, 0.0f);
}

// The current piece follows the mouse every tick.
TEST_F(Sprayer, ThePieceFollowsTheMouse) {
    Spray("follow\n");
    for (CPoint pt : {CPoint(100, 100), CPoint(421, 77), CPoint(5, 470)}) {
        Book()->OnMouseMove(pt);
        Tick();
        EXPECT_EQ(v()->m_pSprayed->GetCenter(), pt);
    }
}

// ---- adjusters ----------------------------------------------------------------------------------

TEST_F(Sprayer, HeldSizeNotesRepeatEveryTickAndStopAtZero) {
    Spray("size\n");
    ASSERT_EQ(v()->m_nSpraySize, 24);
    NoteOn(36);
    std::vector<int> sizes{v()->m_nSpraySize};
    for (int i = 0; i < 5; ++i) {
        Tick();
        sizes.push_back(v()->m_nSpraySize);
    }
    EXPECT_EQ(sizes, (std::vector<int>{19, 14, 9, 4, 0, 0}));
    EXPECT_EQ(v()->m_sprayFont.lfHeight, 0);
    NoteOff(36);
    NoteOn(38);
    Tick();
    EXPECT_EQ(v()->m_nSpraySize, 10);
    EXPECT_EQ(v()->m_pSprayed->GetFont().lfHeight, 100);
}

TEST_F(Sprayer, BlendStaysWithinItsBounds) {
    Spray("blend\n");
    NoteOn(40);  // white to black
    EXPECT_EQ(v()->BlendColors(0.5), 0x7F7F7Fu);
    EXPECT_EQ(v()->BlendColors(0.0), 0xFFFFFFu);
    EXPECT_EQ(v()->BlendColors(1.0), 0u);
    NoteOn(42);  // RGB(70, 255, 0) to RGB(87, 14, 130); at 0.25: 74, 194, 32 (each truncated)
    EXPECT_EQ(v()->BlendColors(0.25), RGB(74, 194, 32));

    NoteOn(40);
    v()->m_dBlend = 0.985;
    NoteOn(39);
    EXPECT_DOUBLE_EQ(v()->m_dBlend, 0.995);
    Tick();
    EXPECT_EQ(v()->m_dBlend, 1.0);
    Tick();
    EXPECT_EQ(v()->m_dBlend, 1.0);
    EXPECT_EQ(v()->m_crSpray, 0u);
    EXPECT_EQ(v()->m_pSprayed->GetColor(), 0u);
    NoteOff(39);
    v()->m_dBlend = 0.015;
    NoteOn(37);
    Tick(2);
    EXPECT_EQ(v()->m_dBlend, 0.0);
    EXPECT_EQ(v()->m_crSpray, 0xFFFFFFu);
}

TEST_F(Sprayer, SpeedAndLifespanNotes) {
    StartSprayer(WriteSource("s.txt", "x\n"), kWordChunk, 0.995f, 0.1, 0.0);
    NoteOn(50);
    EXPECT_EQ(v()->m_fSpraySpeed, 1.0f);  // 0.995 + 0.01 capped
    NoteOff(50);
    v()->m_fSpraySpeed = 0.015f;
    NoteOn(48);
    Tick(2);
    EXPECT_EQ(v()->m_fSpraySpeed, 0.0f);
    NoteOff(48);
    NoteOn(51);
    Tick(2);
    EXPECT_NEAR(v()->m_dLifespan, 0.13, 1e-12);
    EXPECT_EQ(v()->m_pLifespan->m_dMinLife, v()->m_dLifespan);
    NoteOff(51);
    NoteOn(49);
    EXPECT_NEAR(v()->m_dLifespan, 0.12, 1e-12);
}

TEST_F(Sprayer, BackgroundNoteTogglesBlackAndWhite) {
    Spray("bg\n");
    Book()->SetBackgroundColor(0x000001);
    NoteOn(47);
    EXPECT_EQ(Book()->GetBackgroundColor(), 0u);
    NoteOn(47);
    EXPECT_EQ(Book()->GetBackgroundColor(), 0xFFFFFFu);
}

TEST_F(Sprayer, FontNotesStepThroughTheCatalogueAndWrap) {
    Spray("font\n");
    const int nTotal = v()->m_fonts.GetTotalCount();
    ASSERT_GE(nTotal, 1);
    NoteOn(35);  // previous from 0: the last face
    EXPECT_EQ(v()->m_nSprayFontIndex, nTotal - 1);
    EXPECT_STREQ(v()->m_sprayFont.lfFaceName, v()->m_fonts.GetFont(nTotal - 1)->lfFaceName);
    EXPECT_EQ(v()->m_sprayFont.lfHeight, 240);
    EXPECT_STREQ(v()->m_pSprayed->GetFont().lfFaceName, v()->m_sprayFont.lfFaceName);
    NoteOff(35);
    NoteOn(33);  // next from the last: the first
    EXPECT_EQ(v()->m_nSprayFontIndex, 0);
    // A note-on of velocity 0 is a note-off: flag 0 clears and the font stays.
    NoteOn(33, 0);
    EXPECT_EQ(v()->m_bNoteHeld[0], 0);
    EXPECT_EQ(v()->m_nSprayFontIndex, 0);
    Tick();
    EXPECT_EQ(v()->m_nSprayFontIndex, 0);
}

// A control change of any controller sets the glyph size, not the spray font's height.
TEST_F(Sprayer, ControlChangeSetsTheSprayedSize) {
    Spray("cc\n");
    Midi(0x004807B3);  // channel 4, controller 7, value 72
    EXPECT_EQ(v()->m_nSpraySize, 72);
    EXPECT_EQ(v()->m_sprayFont.lfHeight, 240);
    for (CKTElement* g : Children(v()->m_pSprayed)) EXPECT_EQ(g->GetFontSize(), 72);
    Midi(0x00483EE0);  // pitch bend: nothing
    Midi(0x000005C0);  // program change: nothing
    EXPECT_EQ(v()->m_nSpraySize, 72);
}

// ---- start, stop, reset --------------------------------------------------------------------------

TEST_F(Sprayer, StartAndStop) {
    ASSERT_NE(v()->m_pWordnozzleItem, nullptr);
    Spray("start stop\n", kPassageChunk, 0.25f);
    EXPECT_EQ(v()->m_nChunkMode, 4);
    EXPECT_EQ(v()->m_fSpraySpeed, 0.25f);
    EXPECT_STREQ(v()->m_pWordnozzleItem->GetLabel(), "stop wordnozzle");
    EXPECT_EQ(v()->m_bCursorShown, 0);
    ASSERT_NE(v()->m_pSprayRenderer, nullptr);
    EXPECT_EQ(v()->m_pSprayRenderer->GetType(), RENDERER_DEFAULT);
    EXPECT_NE(v()->m_pSprayRenderer, v()->m_pDefaultRenderer);
    NoteOn(74);  // a template
    CKTElement* pPiece = v()->m_pSprayed;

    v()->ExecuteCommand(kWordnozzle, TRUE);
    EXPECT_EQ(v()->m_bSpraying, 0);
    EXPECT_EQ(v()->m_pSprayed, nullptr);
    EXPECT_EQ(v()->m_templates.GetSize(), 0);
    EXPECT_STREQ(v()->m_pWordnozzleItem->GetLabel(), "wordnozzle");
    EXPECT_EQ(v()->m_bCursorShown, 1);
    EXPECT_EQ(Scene(), "[start][ ][stop]");  // the piece stays, still waving
    EXPECT_EQ(ElementsOf(MadeBehaviors().back()), Children(pPiece));
    // Stopped: nothing sprays, MIDI does nothing.
    Book()->OnLButtonDown(m_ptMouse);
    Tick(30);
    NoteOn(47);
    EXPECT_EQ(Scene(), "[start][ ][stop]");
    EXPECT_EQ(Book()->GetBackgroundColor(), 0xFFFFFFu);

    // Starting again replays the last behaviour note on the new piece.
    Spray("again\n");
    EXPECT_EQ(TemplateTypes(), std::vector<int>{BHVR_WAVE});
    EXPECT_EQ(ElementsOf(v()->m_templates.GetAt(0)), Children(v()->m_pSprayed));
}

TEST_F(Sprayer, AMissingSourceAtStartSaysWhyAndDoesNotStart) {
    const std::string missing = Path("missing.txt");
    StartSprayer(missing, kPassageChunk, 0.25f, 2.5, 1.5);
    EXPECT_EQ(v()->m_bSpraying, 0);
    EXPECT_EQ(v()->m_pSourceFile, nullptr);
    ASSERT_EQ(m_ui.Calls().size(), 2u);
    EXPECT_EQ(m_ui.Calls()[1].strText,
              "The data file could not be opened because of this error: " + missing + " was not found.");
    EXPECT_EQ(m_ui.Calls()[1].nType & MB_TYPEMASK, MB_OK);
    EXPECT_STREQ(v()->m_pWordnozzleItem->GetLabel(), "wordnozzle");
    EXPECT_EQ(v()->m_bCursorShown, 1);
    // The values were kept and fill the dialog again; its chunk list shows its own default. A
    // cancelled dialog changes nothing.
    m_ui.Clear();
    m_ui.AnswerDialog([&](ui::CParamDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(CWordnozzleDialog::IDC_FILE), missing.c_str());
        EXPECT_EQ(d.GetDlgItemText(CWordnozzleDialog::IDC_SPEED), "0.25");
        EXPECT_EQ(d.GetDlgItemText(CWordnozzleDialog::IDC_BASE), "2.5");
        EXPECT_EQ(d.GetDlgItemText(CWordnozzleDialog::IDC_VARIATION), "1.5");
        EXPECT_EQ(d.GetCurSel(CWordnozzleDialog::IDC_CHUNK), 1);
        return IDCANCEL;
    });
    v()->ExecuteCommand(kWordnozzle, TRUE);
    EXPECT_EQ(v()->m_bSpraying, 0);
    EXPECT_EQ(m_ui.Calls().size(), 1u);
}

// An empty source (white space only): no piece, so MIDI does nothing; the sprayer runs.
TEST_F(Sprayer, AnEmptySourceSpraysNothing) {
    Spray(" \n\t\n");
    EXPECT_TRUE(v()->m_words.IsEmpty());
    EXPECT_EQ(v()->m_pSprayed, nullptr);
    Book()->OnLButtonDown(m_ptMouse);
    Tick(20);
    NoteOn(47);
    EXPECT_EQ(Scene(), "");
    EXPECT_EQ(Book()->GetBackgroundColor(), 0xFFFFFFu);
}

// Notes 78 to 103 open a sample of the current directory; a missing one keeps the source in use.
TEST_F(Sprayer, SampleNotesOpenTheirFilesOrKeepTheSource) {
    Spray("first\n");
    const std::string strSource = v()->m_strSourceFile.str();
    WriteSource("asterix..txt", "star\n");
    NoteOn(102);
    EXPECT_EQ(v()->m_strSourceFile, "asterix..txt");
    EXPECT_EQ(Text(v()->m_pSprayed), "star");
    m_ui.Clear();
    NoteOn(78);  // bloodleftorphan.txt is not there
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_EQ(m_ui.Calls()[0].strText,
              "The data file could not be opened because of this error: bloodleftorphan.txt was not found.");
    EXPECT_EQ(v()->m_strSourceFile, "asterix..txt");
    v()->SprayText();
    EXPECT_EQ(Text(v()->m_pSprayed), "star");
    EXPECT_EQ(v()->m_strSamples[29], "30.txt");
}

// Notes 30 to 32 switch the chunk mode and reload only on a change.
TEST_F(Sprayer, ModeNotesReloadOnlyOnAChange) {
    Spray("ab cd\n", kGlyphChunk);
    v()->SprayText();  // b
    NoteOn(30);        // glyph already: no reload
    EXPECT_EQ(v()->m_nCharIndex, 2);
    NoteOn(31);  // words, from the first
    EXPECT_EQ(Words(v()->m_words), (std::vector<std::string>{"ab", "cd"}));
    EXPECT_EQ(v()->m_posChunk, v()->m_words.GetHeadPosition());
    v()->SprayText();
    EXPECT_EQ(Text(v()->m_pSprayed), "ab");
    NoteOn(32);
    EXPECT_EQ(Words(v()->m_words), std::vector<std::string>{"ab cd"});
}

// A reset keeps the source, chunk position, font, size, colour, renderer and held flags, and sprays.
TEST_F(Sprayer, AResetKeepsTheSprayerAndSpraysTheNextPiece) {
    Spray("one two three\n");
    NoteOn(38);   // size 29, flag 3
    NoteOn(60);   // lens renderer
    NoteOn(40);
    NoteOn(39);   // blend 0.01, flag 5
    NoteOn(33);   // next face, flag 0
    CStdioFile* pSource = v()->m_pSourceFile;
    CKTElementRenderer* pPrototype = v()->m_pSprayRenderer;
    const LOGFONT font = v()->m_sprayFont;
    const COLORREF cr = v()->m_crSpray;
    NoteOn(28);
    EXPECT_EQ(Book()->GetRunState(), 1);
    EXPECT_EQ(v()->m_pSourceFile, pSource);
    EXPECT_EQ(v()->m_pSprayRenderer, pPrototype);
    EXPECT_EQ(std::memcmp(&v()->m_sprayFont, &font, sizeof font), 0);
    EXPECT_EQ(v()->m_crSpray, cr);
    EXPECT_EQ(v()->m_nSpraySize, 29);
    EXPECT_EQ(Scene(), "[two]");
    EXPECT_EQ(v()->m_pSprayed->GetRendererType(), RENDERER_LENS);
    EXPECT_EQ(v()->m_pLifespan, nullptr);
    for (int flag : {0, 3, 5}) EXPECT_EQ(v()->m_bNoteHeld[flag], 1) << flag;
}

// ---- the mends ----------------------------------------------------------------------------------

// A note-off clears its flag whatever drops the rest: the sprayer stopped, no current piece, a
// document loading. Stopping leaves the flags as they are.
TEST_F(Sprayer, NoteOffClearsItsFlagWhateverDropsTheMessage) {
    Spray("flags\n");
    NoteOn(33);
    NoteOn(49);
    v()->ExecuteCommand(kWordnozzle, TRUE);  // stop
    EXPECT_EQ(v()->m_bNoteHeld[0], 1);
    NoteOff(33);
    EXPECT_EQ(v()->m_bNoteHeld[0], 0);

    // No current piece (an empty source).
    Spray("\n");
    v()->m_bNoteHeld[2] = 1;
    NoteOn(36, 0);
    EXPECT_EQ(v()->m_bNoteHeld[2], 0);

    // A document loading: the note-on is dropped, the note-off still clears.
    Spray("again\n");
    const int size = v()->m_nSpraySize;
    g_bLoading = 1;
    NoteOn(38);
    NoteOff(49);
    g_bLoading = 0;
    EXPECT_EQ(v()->m_nSpraySize, size);
    EXPECT_EQ(v()->m_bNoteHeld[3], 0);
    EXPECT_EQ(v()->m_bNoteHeld[8], 0);
}

// A key held while the sprayer stops resumes repeating when it runs again.
TEST_F(Sprayer, AHeldKeyResumesWhenSprayingResumes) {
    Spray("held\n");
    NoteOn(36);
    EXPECT_EQ(v()->m_nSpraySize, 19);
    v()->ExecuteCommand(kWordnozzle, TRUE);
    Tick(3);
    Spray("held\n");  // the size starts again from the typing size
    Tick();
    EXPECT_EQ(v()->m_nSpraySize, 19);
}

TEST_F(Sprayer, TheSizeStopsAtTenThousand) {
    Spray("big\n");
    v()->m_nSpraySize = 9998;
    NoteOn(38);
    EXPECT_EQ(v()->m_nSpraySize, 10000);
    Tick(2);
    EXPECT_EQ(v()->m_nSpraySize, 10000);
    EXPECT_EQ(v()->m_sprayFont.lfHeight, 100000);
    EXPECT_EQ(v()->m_pSprayed->GetFont().lfHeight, 100000);
}

// A renderer an ancestor refuses stays the sprayer's to free (the sanitizer build sees a leak).
TEST_F(Sprayer, ARefusedRendererCloneIsFreed) {
    Spray("ab\n", kGlyphChunk);
    ASSERT_NE(v()->m_pSprayWord, nullptr);
    v()->m_pSprayWord->SetRenderer(new CKTElementRenderer, TRUE);  // forbids child renderers
    CKTElementRenderer* pBefore = v()->m_pSprayed->GetRenderer();
    NoteOn(52);
    EXPECT_EQ(v()->m_pSprayed->GetRenderer(), pBefore);
    v()->SprayText();  // b joins the same word: its clone is refused too
    EXPECT_EQ(Scene(), "[ab]");
}

// MIDI that arrives while a message box of the sprayer is up is dropped, all but a note-off's
// clearing; the replay of the last behaviour note is a direct call and runs.
class CMidiDuringBoxes : public ui::CScriptedUIServices {
public:
    std::function<void()> onBox;
    int MessageBox(const std::string& strText, const std::string& strCaption, UINT nType) override {
        if (onBox) onBox();
        return ui::CScriptedUIServices::MessageBox(strText, strCaption, nType);
    }
};

TEST_F(Sprayer, MidiDuringAMessageBoxIsDroppedButNoteOffsClear) {
    Spray("box\n");
    NoteOn(33);
    CMidiDuringBoxes boxes;
    boxes.onBox = [this] {
        NoteOn(47);   // dropped
        NoteOff(33);  // clears flag 0
    };
    NoteOn(79);  // amongthelotuseaters.txt is missing: a box
    EXPECT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(Book()->GetBackgroundColor(), 0xFFFFFFu);
    EXPECT_EQ(v()->m_bNoteHeld[0], 0);
    boxes.onBox = nullptr;
    // After the box, messages act again.
    NoteOn(47);
    EXPECT_EQ(Book()->GetBackgroundColor(), 0u);

    // The reset inside a delivered note replays the last behaviour note.
    NoteOn(65);
    NoteOn(28);
    EXPECT_EQ(TemplateTypes(), std::vector<int>{BHVR_CRYPTOGRAPHIC});
    EXPECT_EQ(ElementsOf(v()->m_templates.GetAt(0)), Children(v()->m_pSprayed));
}

// ---- an empty font catalogue ----------------------------------------------------------------------

class SprayerWithoutFonts : public SprayFixture {
protected:
    CNoFontSource m_none;
    void SetUp() override {
        CQuillView::s_pFontSource = &m_none;
        SprayFixture::SetUp();
        CQuillView::s_pFontSource = nullptr;
    }
};

TEST_F(SprayerWithoutFonts, FontNotesChangeNothing) {
    ASSERT_EQ(v()->m_fonts.GetTotalCount(), 0);
    Spray("no fonts\n");
    const LOGFONT before = v()->m_sprayFont;
    for (int note : {33, 35}) {
        NoteOn(note);
        Tick();
        EXPECT_EQ(v()->m_nSprayFontIndex, 0);
        EXPECT_EQ(std::memcmp(&v()->m_sprayFont, &before, sizeof before), 0);
        NoteOff(note);
    }
}

// ---- the dialog ---------------------------------------------------------------------------------

TEST(WordnozzleDialog, ControlsExchangeOrderRangesAndTheWordDefault) {
    CWordnozzleDialog d;
    EXPECT_EQ(d.GetTemplateId(), 165u);
    EXPECT_EQ(d.GetTitle(), "Set Wordnozzle Parameters");
    EXPECT_EQ(d.m_nChunk, 1);
    ASSERT_NE(d.GetDlgItem(1058), nullptr);
    EXPECT_EQ(d.GetDlgItem(1058)->type, ui::ControlType::PushButton);
    EXPECT_EQ(d.GetDlgItem(1058)->strText, "Source File:");
    const auto& c = d.GetControls();
    for (int id : {1061, 1062}) {
        const int g = d.GetDlgItem(id)->nGroup;
        ASSERT_GE(g, 0) << id;
        EXPECT_EQ(c[static_cast<size_t>(g)].strText, "Lifespan");
    }
    EXPECT_EQ(d.GetDlgItem(1059)->nGroup, -1);
    // The exchange order: file, speed, variation, base, chunk.
    std::vector<int> ids;
    for (const ui::DialogField& f : d.GetFields()) ids.push_back(f.nId);
    EXPECT_EQ(ids, (std::vector<int>{1057, 1059, 1062, 1061, 1069}));

    // Opened with its defaults the chunk list shows "word"; typed values within range come back
    // exactly, the others bring the class library's message and keep the dialog open.
    struct Case {
        int nId;
        const char* text;
        const char* message;  // NULL: accepted
    } cases[] = {
        {1059, "1", nullptr},
        {1059, "1.0001", "Please enter a number between 0 and 1."},
        {1059, "-0.5", "Please enter a number between 0 and 1."},
        {1062, "100000", nullptr},
        {1062, "100000.5", "Please enter a number between 0 and 100000."},
        {1061, "-1", "Please enter a number between 0 and 100000."},
        {1061, "x", "Please enter a number."},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.nId) + "='" + k.text + "'");
        ui::CScriptedUIServices script;
        CWordnozzleDialog w;
        w.StartModal();
        EXPECT_EQ(w.GetLBText(1069, w.GetCurSel(1069)), "word");
        EXPECT_EQ(w.GetCount(1069), 3);
        ASSERT_TRUE(w.TypeText(k.nId, k.text));
        w.ClickButton(IDOK);
        if (!k.message) {
            EXPECT_EQ(w.GetResult(), IDOK);
            EXPECT_EQ(w.m_nChunk, 1);
            EXPECT_TRUE(script.Calls().empty());
            continue;
        }
        EXPECT_FALSE(w.IsEnded());
        ASSERT_EQ(script.Calls().size(), 1u);
        EXPECT_EQ(script.Calls()[0].strText, k.message);
        EXPECT_EQ(w.GetFocusId(), k.nId);
    }
    CWordnozzleDialog w;
    w.StartModal();
    const char* const items[] = {"glyph", "word", "passage"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w.GetLBText(1069, i), items[i]);
}

TEST_F(Sprayer, BrowsingPutsTheFullPathInTheFileField) {
    const std::string path = WriteSource("picked.txt", "picked\n");
    m_ui.Clear();
    m_ui.AnswerDialog([](ui::CParamDialog& d) {
        d.ClickButton(CWordnozzleDialog::IDC_BROWSE);  // cancelled: nothing
        EXPECT_EQ(d.GetDlgItemText(CWordnozzleDialog::IDC_FILE), "");
        d.ClickButton(CWordnozzleDialog::IDC_BROWSE);
        return IDOK;
    });
    m_ui.CancelFileDialog();
    m_ui.AnswerFileDialog(path);
    v()->ExecuteCommand(kWordnozzle, TRUE);
    ASSERT_EQ(v()->m_bSpraying, 1);
    EXPECT_EQ(v()->m_strSourceFile, path.c_str());
    EXPECT_EQ(Text(v()->m_pSprayed), "picked");
    const ui::FileDialogRequest& r = m_ui.Calls()[0].file;
    EXPECT_TRUE(r.bOpen);
    EXPECT_EQ(r.dwFlags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(r.strFilter, "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_TRUE(m_ui.AllScripted());
}

}  // namespace
