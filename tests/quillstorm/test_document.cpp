// Loading documents into the view: the version table, the retry for files without a version string,
// failures that keep the user's scene, the stored canvas size and background image, what runs inside
// the loader's message boxes, and the notice about a recovery copy with the copies a user works in.
#include <sys/stat.h>

#include "test_document.h"

#include "afx/envscope.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/pximage.h"

namespace {

using Loading = DocumentFixture;

constexpr char kNewerText[] =
    "v.qsd was generated using a later version (1.200000) than\nthis application.  Do you wish to continue "
    "(loading may fail)?";

std::vector<CKTBehavior*> BehaviorsOfType(CKTBook* pBook, int nType) {
    std::vector<CKTBehavior*> out;
    for (POSITION pos = pBook->GetFirstBehaviorPosition(); pos;) {
        CKTBehavior* p = pBook->GetNextBehavior(pos);
        if (p->GetType() == nType) out.push_back(p);
    }
    return out;
}

std::vector<CKTElement*> ElementsOf(const CKTBehavior* p) {
    std::vector<CKTElement*> out;
    for (POSITION pos = p->GetFirstElementPosition(); pos;) out.push_back(p->GetNextElement(pos));
    return out;
}

// Every version the loader tells apart: the warning, the stored size, the upgrade of files before 0.9.
TEST_F(Loading, TheVersionTable) {
    struct Case {
        const char* text;
        float fVersion;
        int nAnswer;  // the warning's answer; 0: no warning
        BOOL bLoads;
        BOOL bSized;
        BOOL bUpgraded;
    };
    const Case cases[] = {
        {"version 0.969 alpha", 0.969f, 0, TRUE, TRUE, FALSE},
        {"version 0.95", 0.95f, 0, TRUE, TRUE, FALSE},
        {"version 0.9499", 0.9499f, 0, TRUE, FALSE, FALSE},
        {"version 0.9", 0.9f, 0, TRUE, FALSE, FALSE},
        {"version 0.8", 0.8f, 0, TRUE, FALSE, TRUE},
        {"version 0.7", 0.7f, 0, TRUE, FALSE, TRUE},
        {"version 1.2", 1.2f, IDOK, TRUE, TRUE, FALSE},
        {"version 1.2", 1.2f, IDCANCEL, FALSE, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.nAnswer == IDCANCEL ? " (cancelled)" : ""));
        v()->m_bModified = 0;
        v()->OnFileNew();
        NewCanvas();
        Type("Hello world");
        Book()->SetRunState(1);
        AddCruise(37.25);
        if (c.fVersion < 0.8f)
            WriteFormWithOldCruise("v.qsd", c.text, c.fVersion, 37.25);
        else
            WriteForm("v.qsd", c.text, c.fVersion, 400, 300);
        const std::vector<GlyphPlace> saved = Places();
        UserScene();
        CKTBook* pUserBook = Book();
        m_ui.Clear();
        if (c.nAnswer) m_ui.AnswerMessageBox(c.nAnswer);

        EXPECT_EQ(v()->LoadDocument("v.qsd"), c.bLoads);

        ASSERT_EQ(m_ui.Calls().size(), c.nAnswer ? 1u : 0u);
        if (c.nAnswer) {
            EXPECT_EQ(m_ui.Calls()[0].strText, kNewerText);
            EXPECT_EQ(m_ui.Calls()[0].strCaption, "Quillstorm! potential version conflict");
            EXPECT_EQ(m_ui.Calls()[0].nType & MB_TYPEMASK, MB_OKCANCEL);
        }
        EXPECT_EQ(g_pCurrentBook, Book());
        EXPECT_EQ(g_bLoading, 0);
        EXPECT_EQ(v()->m_strPath, "mine.qsd");  // the caller names the scene
        if (!c.bLoads) {
            EXPECT_EQ(Book(), pUserBook);
            EXPECT_EQ(Text(), "mine");
            EXPECT_EQ(v()->m_bModified, 1);
            EXPECT_EQ(v()->size(), QSize(640, 480));
            continue;
        }
        EXPECT_NE(Book(), pUserBook);
        EXPECT_EQ(Places(), saved);
        EXPECT_EQ(v()->m_bModified, 0);
        EXPECT_EQ(v()->m_pTextRoot, Book()->GetRoot());
        EXPECT_EQ(v()->m_pCurPassage, nullptr);
        EXPECT_TRUE(v()->m_selection.IsEmpty());
        ASSERT_NE(v()->m_pCollisionDetector, nullptr);
        EXPECT_EQ(v()->m_pCollisionDetector, KTGetCollisionDetector(*Book()));
        EXPECT_EQ(Book()->GetWindow(), static_cast<CKTWindow*>(v()));
        ASSERT_NE(v()->m_pSimulateItem, nullptr);
        EXPECT_STREQ(v()->m_pSimulateItem->GetLabel(), "stop simulate");
        EXPECT_EQ(v()->size(), c.bSized ? QSize(400, 300) : QSize(640, 480));

        const std::vector<CKTBehavior*> cruises = BehaviorsOfType(Book(), BHVR_CRUISE);
        const std::vector<CKTBehavior*> stays = BehaviorsOfType(Book(), BHVR_STAYINWINDOW);
        const std::vector<CKTBehavior*> pushes = BehaviorsOfType(Book(), BHVR_ACCELERATEONCOLLISION);
        ASSERT_EQ(cruises.size(), 1u);
        ASSERT_EQ(stays.size(), c.bUpgraded ? 1u : 0u);
        ASSERT_EQ(pushes.size(), c.bUpgraded ? 1u : 0u);
        if (c.bUpgraded) {
            auto* pStay = static_cast<CKTStayInWindowBhvr*>(stays[0]);
            EXPECT_EQ(pStay->GetResponse(), CKTStayInWindowBhvr::RESPONSE_ACCELERATE);
            EXPECT_EQ(pStay->GetResponseFactor(), 74.5);
            EXPECT_EQ(pStay->GetMargins(), CRect(0, 0, 0, 0));
            EXPECT_EQ(ElementsOf(pStay), ElementsOf(cruises[0]));
            EXPECT_EQ(ElementsOf(pushes[0]), ElementsOf(cruises[0]));
            EXPECT_TRUE(pStay->IsRunning());
            EXPECT_TRUE(pushes[0]->IsRunning());
        }
        // The upgraded scene runs.
        v()->OnTimer(CQuillView::kFrameTimerId);
        EXPECT_DOUBLE_EQ(Book()->GetClock(), 0.01);
    }
}

// The oldest files start with the book: the first attempt fails, the retry reads them from offset 0
// (version 0.0, so they are upgraded) without canvas size or background image.
TEST_F(Loading, AFileWithoutVersionStringLoadsThroughTheRetryWithTheUpgrade) {
    Type("old text");
    AddCruise(21.75);
    Book()->SetBackgroundImage("backdrop.png");
    WriteFormWithOldCruise("old.qsd", nullptr, 0.0f, 21.75);
    const std::vector<GlyphPlace> saved = Places();
    UserScene();
    auto* pImage = new CRgbImage;
    ASSERT_EQ(pImage->Allocate(CSize(8, 8)), PX_NO_ERROR);
    v()->SetBackgroundImage(pImage);
    v()->repaint();
    CBitmap* pScaled = v()->m_pScaledImage;
    ASSERT_NE(pScaled, nullptr);
    m_ui.Clear();

    EXPECT_TRUE(v()->LoadDocument("old.qsd"));
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Places(), saved);
    EXPECT_EQ(g_fFileVersion, 0.0f);
    EXPECT_EQ(BehaviorsOfType(Book(), BHVR_STAYINWINDOW).size(), 1u);
    EXPECT_EQ(BehaviorsOfType(Book(), BHVR_ACCELERATEONCOLLISION).size(), 1u);
    EXPECT_EQ(static_cast<CKTStayInWindowBhvr*>(BehaviorsOfType(Book(), BHVR_STAYINWINDOW)[0])->GetResponseFactor(),
              43.5);
    // Neither the background step nor the size: the laid-out image is the one from before.
    EXPECT_EQ(v()->m_pBackImage, pImage);
    EXPECT_EQ(v()->m_pScaledImage, pScaled);
    EXPECT_EQ(v()->size(), QSize(640, 480));
    EXPECT_EQ(v()->m_bModified, 0);
}

// A file that cannot be read shows one message (the archive's own text inside the loader's) and
// changes nothing: the user's scene, its path and modified flag stay, and nothing asks to save.
TEST_F(Loading, AFailedLoadKeepsTheUserScene) {
    Type("x");
    std::vector<BYTE> truncated = FzdWriteForm(*Book(), KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    truncated.resize(truncated.size() - 5);
    WriteBytes("broken.qsd", truncated);
    WriteBytes("empty.qsd", {});
    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"broken.qsd",
         "The data from this version 0.969 alpha file could not be loaded because of this error: \nbroken.qsd has a "
         "bad format."},
        {"empty.qsd",
         "The data from this pre-release or unidentified version file could not be loaded because of this error: "
         "\nAn attempt was made to access empty.qsd past its end."},
        {"missing.qsd", "missing.qsd was not found."},
        // What is not a regular file is refused before anything is read (a pipe would block).
        {"pipe.qsd", "An unexpected error occurred while accessing pipe.qsd."},
        {"/dev/zero", "An unexpected error occurred while accessing /dev/zero."},
    };
    ASSERT_EQ(mkfifo(Path("pipe.qsd").c_str(), 0644), 0);
    UserScene();
    CKTBook* pUserBook = Book();
    const std::vector<GlyphPlace> mine = Places();
    CKTElement* pCaretPassage = v()->m_pCurPassage;
    ASSERT_NE(pCaretPassage, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        m_ui.Clear();
        g_fFileVersion = 0.5f;
        EXPECT_FALSE(v()->LoadDocument(c.file));
        ASSERT_EQ(m_ui.Calls().size(), 1u);
        EXPECT_EQ(m_ui.Calls()[0].strText, c.message);
        EXPECT_EQ(m_ui.Calls()[0].nType & MB_TYPEMASK, MB_OK);
        EXPECT_EQ(Book(), pUserBook);
        EXPECT_EQ(g_pCurrentBook, pUserBook);
        EXPECT_EQ(g_bLoading, 0);
        EXPECT_EQ(g_fFileVersion, 0.5f);
        EXPECT_EQ(Places(), mine);
        EXPECT_EQ(v()->m_pCurPassage, pCaretPassage);  // the caret stays where it was
        EXPECT_EQ(v()->m_bModified, 1);
        EXPECT_EQ(v()->m_strPath, "mine.qsd");
    }
    // Typing goes on in the same scene.
    Type("s");
    EXPECT_EQ(Text(), "mines");
}

// A document whose last save was cut short: before anything is read the program names the recovery
// copy and offers three answers. Yes reads the copy's scene, modified (the caller names it as the
// document, so the next save writes the file); No reads the file as it stands; Cancel reads nothing.
// An answer holds for that copy for the session: the same document opens again without a box. The
// document's next completed save removes an answered copy; a cancelled one stays. A document without
// a copy opens without a word.
TEST_F(Loading, TheRecoveryNoticeOffersTheCopysSceneTheFileOrNothing) {
    struct Case {
        const char* file;
        int nAnswer;  // 0: no box expected
        bool bLoads;
        const char* text;  // the scene afterwards
        BYTE bModified;
    } cases[] = {
        {"yes.qsd", IDYES, true, "copy", 1},
        {"no.qsd", IDNO, true, "file", 0},
        {"cancel.qsd", IDCANCEL, false, "mine", 1},
        {"plain.qsd", 0, true, "file", 0},
    };
    Type("file");
    for (const Case& c : cases) WriteForm(c.file, KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    v()->m_bModified = 0;
    v()->OnFileNew();
    Type("copy");
    for (const Case& c : cases)
        if (c.nAnswer) WriteForm((std::string(c.file) + ".recovery.qsd").c_str(), KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string copy = Path((std::string(c.file) + ".recovery.qsd").c_str());
        for (int nOpen = 1; nOpen <= 2; nOpen++) {
            SCOPED_TRACE(nOpen == 1 ? "first open" : "second open");
            UserScene();
            m_ui.Clear();
            const bool bAsked = c.nAnswer && (nOpen == 1 || c.nAnswer == IDCANCEL);
            if (bAsked) m_ui.AnswerMessageBox(c.nAnswer);
            EXPECT_EQ(v()->LoadDocument(c.file), c.bLoads);
            EXPECT_EQ(Text(), c.text);
            EXPECT_EQ(v()->m_bModified, c.bModified);
            ASSERT_EQ(m_ui.Calls().size(), bAsked ? 1u : 0u);
            if (bAsked) {
                const auto& box = m_ui.Calls()[0];
                EXPECT_EQ(box.strText, KTRecoveryCopyMessage(c.file, copy.c_str()).str());
                EXPECT_EQ(box.strCaption, KT_RECOVERY_COPY_CAPTION);
                EXPECT_EQ(box.nType & MB_TYPEMASK, MB_YESNOCANCEL);
            }
            if (c.nAnswer) {
                EXPECT_TRUE(Exists(copy));  // nothing is deleted by an open
            }
        }
        if (!c.bLoads) continue;
        // The caller names the scene; its next save writes the document and, for an answered copy,
        // removes the copy.
        v()->NameScene(c.file);
        v()->m_bModified = 1;
        m_ui.Clear();
        ASSERT_TRUE(v()->OnFileSave());
        EXPECT_TRUE(m_ui.Calls().empty());
        EXPECT_FALSE(Exists(copy));
        EXPECT_TRUE(v()->LoadDocument(c.file));
        EXPECT_EQ(Text(), c.text);
        EXPECT_TRUE(m_ui.Calls().empty());
    }
    // The cancelled copy stays after any save of its document that did not come from an answer.
    UserScene();
    v()->NameScene("cancel.qsd");
    ASSERT_TRUE(v()->OnFileSave());
    EXPECT_TRUE(Exists(Path("cancel.qsd.recovery.qsd")));
}

// The notice names the document and the copy and says what each answer does.
TEST_F(Loading, TheRecoveryNoticeSaysWhatEachAnswerDoes) {
    EXPECT_EQ(KTRecoveryCopyMessage("/d/scene.qsd", "/d/scene.qsd.recovery.qsd"),
              "A save of /d/scene.qsd did not finish. The document that save was writing is complete in this "
              "recovery copy:\n/d/scene.qsd.recovery.qsd\n\nThe file itself may be incomplete, or partly old and "
              "partly new.\n\nYes: recover the copy's scene. It opens under the name /d/scene.qsd, unsaved; saving "
              "it writes the file.\nNo: open the file as it stands.\nCancel: open nothing.\n\nAfter Yes or No, "
              "the next completed save of /d/scene.qsd removes the copy. To keep the copy, move it away, or choose "
              "Cancel and open the copy itself: a copy opened as a document is never removed.");
}

// A user who follows the notice and works in the copy keeps that work whatever the document's saves
// do, by a rename or in place (a document with a second link): after "No", the copy opened, edited
// and saved, the document reopened and saved; after "No", the copy opened and saved as the
// document; and a Save As over the document from another scene, with no notice at all.
TEST_F(Loading, ACopyTheUserWorksInOutlivesEverySaveOfItsDocument) {
    const std::string cache = Path("cache");
    CEnvScope xdg("XDG_CACHE_HOME", cache);
    enum class Route { SaveCopyThenDocument, SaveAsFromTheCopy, SaveAsFromAnotherScene };
    struct Case {
        const char* name;
        bool bLinked;
        Route route;
        const char* docAfter;   // the document's scene at the end (typing after a load starts a passage)
        const char* copyAfter;  // the copy's
    } cases[] = {
        {"rename: the copy saved, then the document", false, Route::SaveCopyThenDocument, "file|Y", "copy|X"},
        {"in place: the copy saved, then the document", true, Route::SaveCopyThenDocument, "file|Y", "copy|X"},
        {"rename: Save As from the copy over the document", false, Route::SaveAsFromTheCopy, "copy|X", "copy"},
        {"in place: Save As from the copy over the document", true, Route::SaveAsFromTheCopy, "copy|X", "copy"},
        {"rename: Save As from another scene", false, Route::SaveAsFromAnotherScene, "mine", "copy"},
        {"in place: Save As from another scene", true, Route::SaveAsFromAnotherScene, "mine", "copy"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case its own document (the session remembers answers per copy).
        const std::string name = "doc" + std::to_string(++n) + ".qsd";
        const std::string doc = Path(name.c_str());
        const std::string copy = doc + ".recovery.qsd";
        v()->m_bModified = 0;
        v()->OnFileNew();
        Type("file");
        WriteForm(name.c_str(), KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
        if (c.bLinked) {
            ASSERT_EQ(::link(doc.c_str(), (doc + ".link").c_str()), 0);
        }
        v()->m_bModified = 0;
        v()->OnFileNew();
        Type("copy");
        WriteForm((name + ".recovery.qsd").c_str(), KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
        UserScene();
        v()->m_bModified = 0;
        m_ui.Clear();

        if (c.route != Route::SaveAsFromAnotherScene) {
            // The notice: open the file as it stands.
            m_ui.AnswerFileDialog(doc);
            m_ui.AnswerMessageBox(IDNO);
            v()->OnFileOpen();
            EXPECT_EQ(Text(), "file");
            // The copy itself, opened as a document (it has no copy of its own: no box), and edited.
            m_ui.AnswerFileDialog(copy);
            v()->OnFileOpen();
            EXPECT_EQ(Text(), "copy");
            EXPECT_EQ(v()->m_strPath, (name + ".recovery.qsd").c_str());
            Type("X");
        }
        switch (c.route) {
            case Route::SaveCopyThenDocument:
                ASSERT_TRUE(v()->OnFileSave());
                // The document again: the copy is a document of this session now, nothing to ask.
                m_ui.AnswerFileDialog(doc);
                v()->OnFileOpen();
                EXPECT_EQ(Text(), "file");
                Type("Y");
                ASSERT_TRUE(v()->OnFileSave());
                break;
            case Route::SaveAsFromTheCopy:
            case Route::SaveAsFromAnotherScene:
                m_ui.AnswerFileDialog(doc);
                ASSERT_TRUE(v()->OnFileSaveAs());
                break;
        }
        EXPECT_TRUE(m_ui.AllScripted());
        EXPECT_EQ(m_ui.PendingAnswers(), 0u);
        size_t nBoxes = 0;
        for (const auto& call : m_ui.Calls()) nBoxes += call.strCaption == KT_RECOVERY_COPY_CAPTION;
        EXPECT_EQ(nBoxes, c.route == Route::SaveAsFromAnotherScene ? 0u : 1u);
        // Nothing of the saves is left in the cache.
        for (const QString& e : QDir(QString::fromStdString(cache + "/quillstorm")).entryList(QDir::Files | QDir::Hidden))
            ADD_FAILURE() << "left in the cache: " << e.toStdString();

        ASSERT_TRUE(Exists(copy));
        m_ui.Clear();
        EXPECT_TRUE(v()->LoadDocument(copy.c_str()));
        EXPECT_EQ(Text(), c.copyAfter);
        v()->m_bModified = 0;
        EXPECT_TRUE(v()->LoadDocument(doc.c_str()));
        EXPECT_EQ(Text(), c.docAfter);
        // The copy, opened as a document now, is no longer a copy to ask about.
        EXPECT_EQ(m_ui.Calls().size(), 0u);
    }
}

// The stored size applies only when both sides differ from the last paint's client rectangle, and
// only when it lies within 1 .. 16384.
TEST_F(Loading, TheStoredCanvasSizeAppliesWhenBothSidesDiffer) {
    struct Case {
        LONG w, h;
        QSize after;
    } cases[] = {
        {400, 300, QSize(400, 300)}, {640, 300, QSize(640, 480)}, {400, 480, QSize(640, 480)},
        {640, 480, QSize(640, 480)}, {0, 300, QSize(640, 480)},   {400, 20000, QSize(640, 480)},
        {-400, 300, QSize(640, 480)},
    };
    Type("size");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        NewCanvas();
        WriteForm("sized.qsd", KT_VERSION_STRING, KT_FILE_VERSION, c.w, c.h);
        EXPECT_TRUE(v()->LoadDocument("sized.qsd"));
        EXPECT_EQ(v()->size(), c.after);
    }
    // Before the first paint after a resize there is no client rectangle to compare: nothing changes.
    v()->SetCanvasSize(500, 400);
    ASSERT_EQ(v()->m_pClientRect, nullptr);
    WriteForm("sized.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 400, 300);
    EXPECT_TRUE(v()->LoadDocument("sized.qsd"));
    EXPECT_EQ(v()->size(), QSize(500, 400));
}

// With a version string the background image follows the file: the same name is laid out again for
// the new book, another name is loaded (a failure keeps the old image).
TEST_F(Loading, TheBackgroundImageFollowsTheFile) {
    auto* pImage = new CRgbImage;
    ASSERT_EQ(pImage->Allocate(CSize(8, 8)), PX_NO_ERROR);
    v()->SetBackgroundImage(pImage);
    WriteForm("plain.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    Book()->SetBackgroundImage("missing.png");
    WriteForm("named.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    Book()->SetBackgroundImage("");

    v()->repaint();
    ASSERT_NE(v()->m_pScaledImage, nullptr);
    EXPECT_TRUE(v()->LoadDocument("plain.qsd"));
    EXPECT_EQ(v()->m_pBackImage, pImage);
    EXPECT_EQ(v()->m_pScaledImage, nullptr);  // laid out again by the next paint

    v()->repaint();
    CBitmap* pScaled = v()->m_pScaledImage;
    ASSERT_NE(pScaled, nullptr);
    m_ui.Clear();
    EXPECT_TRUE(v()->LoadDocument("named.qsd"));
    EXPECT_TRUE(m_ui.Calls().empty());  // an image that does not load is not reported
    EXPECT_EQ(v()->m_pBackImage, pImage);
    EXPECT_EQ(v()->m_pScaledImage, pScaled);
    EXPECT_EQ(Book()->GetBackgroundImage(), "missing.png");
}

// A loaded book without collision detector gets a running one, which the view then names.
TEST_F(Loading, ABookWithoutDetectorGetsOne) {
    Type("ab");
    CKTBhvrProp* pSlot = Book()->GetBookProp(BOOKPROP_COLLISION_DETECTOR);
    ASSERT_NE(pSlot, nullptr);
    // The scene without its detector: the behaviour deleted clears the slot's pointer.
    CKT1DCollisionDetBhvr* pDetector = v()->m_pCollisionDetector;
    ASSERT_TRUE(Book()->RemoveBehavior(pDetector));
    v()->m_pCollisionDetector = nullptr;
    delete pDetector;
    ASSERT_EQ(KTGetCollisionDetector(*Book()), nullptr);
    WriteForm("nodetector.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);

    EXPECT_TRUE(v()->LoadDocument("nodetector.qsd"));
    ASSERT_NE(v()->m_pCollisionDetector, nullptr);
    EXPECT_EQ(v()->m_pCollisionDetector, KTGetCollisionDetector(*Book()));
    EXPECT_TRUE(v()->m_pCollisionDetector->IsRunning());
}

// Message boxes run the frame timer: inside the version warning and inside the error box, ticks and
// paints drive the book that is current, whole and the document's, never a half-read one.
TEST_F(Loading, TicksInsideTheLoadersBoxesDriveTheCurrentBook) {
    CHookedBoxUI hooked;
    Type("running");
    Book()->SetRunState(1);
    WriteForm("v.qsd", "version 1.2", 1.2f, 640, 480);
    WriteBytes("broken.qsd", {0x13, 'v', 'e', 'r'});
    int nBoxes = 0;
    hooked.onMessageBox = [&] {
        nBoxes++;
        CKTBook* pBook = Book();
        EXPECT_EQ(g_pCurrentBook, pBook);
        EXPECT_EQ(g_bLoading, 0);
        EXPECT_EQ(v()->m_pTextRoot, pBook->GetRoot());
        EXPECT_EQ(Text(), "running");
        const double dClock = pBook->GetClock();
        const int nFrames = v()->m_nFramesDrawn;
        v()->OnTimer(CQuillView::kFrameTimerId);
        EXPECT_DOUBLE_EQ(pBook->GetClock(), dClock + 0.01);
        EXPECT_EQ(v()->m_nFramesDrawn, nFrames + 1);
    };
    hooked.AnswerMessageBox(IDOK);
    EXPECT_TRUE(v()->LoadDocument("v.qsd"));
    hooked.AnswerMessageBox(IDOK);
    EXPECT_FALSE(v()->LoadDocument("broken.qsd"));
    EXPECT_EQ(nBoxes, 2);
    EXPECT_TRUE(hooked.AllScripted());
}

// A load asked for by a behaviour (the book's pending name) runs inside the tick without a dialog,
// also over a modified scene that was never named, and names the scene.
TEST_F(Loading, APendingLoadReplacesTheSceneAndNamesIt) {
    Type("next");
    WriteForm("nextfile.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    v()->m_bModified = 0;
    v()->OnFileNew();
    Type("mine");
    ASSERT_EQ(v()->m_bUntitled, 1);
    ASSERT_EQ(v()->m_bModified, 1);
    m_ui.Clear();
    Book()->m_strPendingLoad = "nextfile.qsd";
    v()->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(v()->m_bUntitled, 0);
    EXPECT_EQ(Text(), "next");
    EXPECT_EQ(v()->m_strPath, "nextfile.qsd");
    EXPECT_EQ(m_pApp->m_pDocument->GetTitle(), "nextfile.qsd");
    EXPECT_EQ(m_pApp->GetRecentFileList()[0].str(), Path("nextfile.qsd"));
}

TEST_F(Loading, TheUpgradeRunsOnlyForFilesOlderThanNinetenths) {
    Type("ab");
    AddCruise(10.0);
    const INT_PTR nBefore = Book()->GetBehaviorCount();  // the detector, the cruise and its integrator
    for (float fVersion : {0.9f, 0.969f, 0.95f}) {
        g_fFileVersion = fVersion;
        v()->UpgradeOldDocument();
        EXPECT_EQ(Book()->GetBehaviorCount(), nBefore);
    }
    g_fFileVersion = 0.8999f;
    v()->UpgradeOldDocument();
    EXPECT_EQ(Book()->GetBehaviorCount(), nBefore + 2);
    g_fFileVersion = KT_FILE_VERSION;
}

}  // namespace
