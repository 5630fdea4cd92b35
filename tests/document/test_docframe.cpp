// The document frame: the version text and its number, the saved bytes, what each version's file
// holds and what the loader decides from it, the retry for files without a version string, failures
// with their messages, stored canvas sizes and the collision detector a book must have.
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "document/doctest.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktthrowablebhvr.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "tests/kinetype/kttesthelp.h"

namespace {

using kttest::ByteWriter;

TEST(DocumentVersion, ReadsThePatternAsScanfDoesInTheCLocale) {
    struct Case {
        const char* text;
        BOOL bMatch;
        float fVersion;
    };
    const Case cases[] = {
        {"version 0.969 alpha", TRUE, 0.969f},
        {"version 0.95", TRUE, 0.95f},
        {"version 0.9499", TRUE, 0.9499f},
        {"version 1.2", TRUE, 1.2f},
        {"version0.9", TRUE, 0.9f},          // the pattern's space matches no space too
        {"version \t\n .5x", TRUE, 0.5f},    // any white space; the number stops at the first other character
        {"version +2.", TRUE, 2.0f},
        {"version -1e2", TRUE, -100.0f},
        {"version 7e", TRUE, 7.0f},          // an exponent without digits is not part of the number
        {"version 0x10", TRUE, 0.0f},        // no hexadecimal numbers
        {"version 3,5", TRUE, 3.0f},         // the point, never a comma
        {"Version 0.9", FALSE, 0.0f},
        {" version 0.9", FALSE, 0.0f},
        {"version", FALSE, 0.0f},
        {"version ", FALSE, 0.0f},
        {"version abc", FALSE, 0.0f},
        {"version .", FALSE, 0.0f},
        {"version inf", FALSE, 0.0f},
        {"", FALSE, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        float f = -9.0f;
        EXPECT_EQ(KTParseVersion(CString(c.text), &f), c.bMatch);
        EXPECT_EQ(f, c.fVersion);
    }
    // The text ends at its first NUL, as the runtime reads a string.
    float f = -9.0f;
    EXPECT_FALSE(KTParseVersion(CString("\0version 1.0", 12), &f));
    EXPECT_EQ(f, 0.0f);
    EXPECT_TRUE(KTParseVersion(CString("version 1.5\0" "9", 13), &f));
    EXPECT_EQ(f, 1.5f);
}

// A locale whose decimal separator is a comma: an installed one, or one built for the test.
class CommaLocale {
public:
    CommaLocale() : m_old(std::setlocale(LC_NUMERIC, nullptr)) {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
            if (std::setlocale(LC_NUMERIC, name)) {
                m_bSet = true;
                return;
            }
        const std::string cmd = "localedef -i de_DE -f UTF-8 " + m_dir.Path("de_DE.UTF-8") + " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) return;
        setenv("LOCPATH", m_dir.path().c_str(), 1);
        m_bSet = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, m_old.c_str());
        unsetenv("LOCPATH");
    }
    bool IsSet() const { return m_bSet; }

private:
    std::string m_old;
    TempDir m_dir;
    bool m_bSet = false;
};

TEST(DocumentVersion, ReadsThePointWhateverTheProcessLocale) {
    float f = 0.0f;
    BOOL bMatch;
    CString msg;
    {
        CommaLocale comma;
        if (!comma.IsSet()) GTEST_SKIP() << "no locale with a decimal comma could be made";
        char sample[16];
        std::snprintf(sample, sizeof sample, "%.1f", 1.5);
        ASSERT_STREQ(sample, "1,5");  // the process locale now writes a comma
        bMatch = KTParseVersion(CString("version 0.969 alpha"), &f);
        msg = KTNewerVersionMessage(CString("a.qsd"), 1.25f);
    }
    EXPECT_TRUE(bMatch);
    EXPECT_EQ(f, 0.969f);
    EXPECT_NE(msg.Find("(1.250000)"), -1);
}

TEST(DocumentMessages, AreTheLoadersTexts) {
    EXPECT_EQ(KTNewerVersionMessage(CString("/home/u/scene.qsd"), 1.2f),
              "/home/u/scene.qsd was generated using a later version (1.200000) than\nthis application.  Do you wish "
              "to continue (loading may fail)?");
    EXPECT_STREQ(KT_NEWER_VERSION_CAPTION, "Quillstorm! potential version conflict");
    EXPECT_EQ(KTLoadFailureMessage(CString("v1"), CString("x.qsd has a bad format.")),
              "The data from this pre-release or unidentified version file could not be loaded because of this "
              "error: \nx.qsd has a bad format.");
    EXPECT_EQ(KTLoadFailureMessage(CString("v1!"), CString("E")),
              "The data from this v1! file could not be loaded because of this error: \nE");
    // A text read from a file that is no document: bytes outside 32 to 126 show as '?', 40 at most.
    struct Case {
        CString text;
        const char* shown;
    } cases[] = {
        {CString("version 0.969 alpha"), "version 0.969 alpha"},
        {CString("v\x01\x1F \x7F\x80\xFFz~", 9), "v?? ???z~"},
        {CString("\0\0\0", 3), "???"},
        {CString("\n\r"), "pre-release or unidentified version"},  // shorter than 3: as before
        {CString("0123456789012345678901234567890123456789ABC"), "0123456789012345678901234567890123456789"},
        {CString("\xE9t\xE9 0123456789012345678901234567890123456789"), "?t? 012345678901234567890123456789012345"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KTLoadFailureMessage(c.text, CString("E")),
                  CString("The data from this ") + c.shown + " file could not be loaded because of this error: \nE");
    }
}

// ---- the saved bytes ------------------------------------------------------------------------------

TEST_F(DocTest, SavedBytesAreVersionStringBookAndSize) {
    g_fFileVersion = 0.7f;
    FzdBytes bytes = KTSaveDocument(*User(), 1280, 0x01020304);
    EXPECT_EQ(g_fFileVersion, 0.969f);  // a save leaves the version it wrote

    const std::string kVersion = "version 0.969 alpha";
    ASSERT_GT(bytes.size(), 28u);
    EXPECT_EQ(bytes[0], 0x13);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 20), kVersion);
    FzdBytes book(bytes.begin() + 20, bytes.end() - 8);
    EXPECT_EQ(book, kttest::StoreBook(*User()));
    FzdBytes size(bytes.end() - 8, bytes.end());
    EXPECT_EQ(size, ByteWriter().u32(1280).u32(0x01020304).b);

    // The writer of older forms, used below, writes the current form as the save does.
    EXPECT_EQ(FzdWriteForm(*User(), KT_VERSION_STRING, 0.969f, 1280, 0x01020304), bytes);
}

// ---- what each version's file holds ----------------------------------------------------------------

// The scene of the version table: typed text with a gravity behaviour that also listens to event 6
// (so the lists past event 4 hold something), a background image, stored size 800 x 600.
FzdBytes VersionFile(const char* pszText, float fVersion) {
    FzdSceneBook book;
    FzdBuildScene(*book, FzdScene::typed);
    auto* pGravity = new CKTGravityBhvr;
    book->AddBehavior(pGravity);
    pGravity->AddElement(book->GetRoot()->GetFirstChild()->GetFirstChild()->GetFirstChild());
    pGravity->StartListening();
    book->AddListener(pGravity, EV_LBUTTONUP, 0);
    book->SetBackgroundImage(CString("backdrop.png"));
    book->SetBackgroundImageLayout(3);
    return FzdWriteForm(*book, pszText, fVersion, 800, 600);
}

TEST_F(DocTest, EachVersionReadsItsOwnForm) {
    struct Case {
        const char* text;
        float fVersion;
        BOOL bNewer;
        BOOL bSize;
        BOOL bImage;
        int nLists;  // listener lists stored (5 or 9)
        BOOL bUpgrade;
    };
    const Case cases[] = {
        {"version 0.969 alpha", 0.969f, FALSE, TRUE, TRUE, 9, FALSE},
        {"version 1.2", 1.2f, TRUE, TRUE, TRUE, 9, FALSE},
        {"version 0.95", 0.95f, FALSE, TRUE, FALSE, 9, FALSE},
        {"version 0.9499", 0.9499f, FALSE, FALSE, FALSE, 9, FALSE},
        {"version 0.9", 0.9f, FALSE, FALSE, FALSE, 9, FALSE},
        {"version 0.8", 0.8f, FALSE, FALSE, FALSE, 9, TRUE},
        {"version 0.7", 0.7f, FALSE, FALSE, FALSE, 5, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FzdBytes bytes = VersionFile(c.text, c.fVersion);
        std::vector<float> asked;
        KTLoadOptions options;
        options.confirmNewer = [&](float f) {
            asked.push_back(f);
            EXPECT_EQ(g_pCurrentBook, User());  // the user's scene runs while the box is open
            EXPECT_EQ(g_bLoading, 0);
            return TRUE;
        };
        g_fFileVersion = 0.5f;
        LoadedDoc doc(KTLoadDocument(bytes, CString("v.qsd"), options));
        ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
        EXPECT_EQ(doc.r.path, KTLoadPath::first);
        EXPECT_EQ(doc.r.strVersionText, c.text);
        EXPECT_EQ(doc.r.fVersion, c.fVersion);
        EXPECT_EQ(doc.r.fBookVersion, c.fVersion);
        EXPECT_EQ(g_fFileVersion, c.fVersion);  // what the view's upgrade reads
        EXPECT_EQ(doc.r.bNewerVersion, c.bNewer);
        EXPECT_EQ(asked, c.bNewer ? std::vector<float>{c.fVersion} : std::vector<float>{});
        EXPECT_EQ(doc.r.bHasCanvasSize, c.bSize);
        EXPECT_EQ(doc.r.nCanvasWidth, c.bSize ? 800 : 0);
        EXPECT_EQ(doc.r.nCanvasHeight, c.bSize ? 600 : 0);
        EXPECT_EQ(doc.book().GetBackgroundImage(), c.bImage ? "backdrop.png" : "");
        EXPECT_EQ(doc.book().GetBackgroundImageLayout(), c.bImage ? 3 : 0);
        EXPECT_EQ(doc.book().GetListenerCount(EV_LBUTTONUP), c.nLists == 9 ? 1 : 0);
        EXPECT_EQ(doc.r.bNeedsUpgrade, c.bUpgrade);
        EXPECT_FALSE(doc.r.bAddedDetector);
        EXPECT_EQ(TextOf(doc.book()), "Hello world|Kinetic type\rsecond line");
        EXPECT_EQ(g_pCurrentBook, User());  // the loaded book is not current yet
    }
}

TEST_F(DocTest, CancellingANewerVersionReadsNothing) {
    FzdBytes bytes = VersionFile("version 1.2", 1.2f);
    KTLoadOptions options;
    int nAsked = 0;
    options.confirmNewer = [&](float f) {
        nAsked++;
        EXPECT_EQ(f, 1.2f);
        return FALSE;
    };
    g_fFileVersion = 0.5f;
    CKTDocProbeBhvr::s_pReadWith = nullptr;
    LoadedDoc doc(KTLoadDocument(bytes, CString("new.qsd"), options));
    EXPECT_EQ(nAsked, 1);
    EXPECT_EQ(doc.r.status, KTLoadStatus::cancelled);
    EXPECT_EQ(doc.r.pBook, nullptr);
    EXPECT_TRUE(doc.r.bNewerVersion);
    EXPECT_EQ(g_fFileVersion, 0.5f);
}

// ---- files without a version string ------------------------------------------------------------------

TEST_F(DocTest, AFileWithoutVersionStringLoadsThroughTheRetry) {
    // The first bytes are the run state: read as a version string they give a text of that length.
    struct Case {
        int nRunState;
        float fPrevious;  // g_fFileVersion before the load
    };
    // The text attempt 1 reads does not match the pattern, so the version stays what it was; the
    // retry reads with 0.0 when that text is shorter than 3 characters, else with that version. The
    // old form (5 listener lists, no image fields) reads as any version below 0.8: a text of 7
    // characters after a 0.969 file or save fails, after a 0.5 file loads.
    const Case cases[] = {{0, 0.969f}, {1, 0.969f}, {2, 0.5f}, {7, 0.5f}, {7, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nRunState << " after " << c.fPrevious);
        FzdBytes bytes;
        {
            FzdSceneBook book;
            FzdBuildScene(*book, FzdScene::typed);
            book->SetRunState(c.nRunState);
            bytes = FzdWriteForm(*book, nullptr, 0.0f, 0, 0);
        }
        g_fFileVersion = c.fPrevious;
        LoadedDoc doc(KTLoadDocument(bytes, CString("old.qsd")));
        ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
        EXPECT_EQ(doc.r.path, KTLoadPath::retry);
        EXPECT_EQ(doc.r.strVersionText.GetLength(), c.nRunState);
        const float fBook = c.nRunState < 3 ? 0.0f : c.fPrevious;
        EXPECT_EQ(doc.r.fVersion, c.fPrevious);
        EXPECT_EQ(doc.r.fBookVersion, fBook);
        EXPECT_EQ(g_fFileVersion, fBook);
        EXPECT_TRUE(doc.r.bNeedsUpgrade);
        EXPECT_FALSE(doc.r.bHasCanvasSize);
        EXPECT_EQ(doc.book().GetRunState(), c.nRunState);
        EXPECT_EQ(TextOf(doc.book()), "Hello world|Kinetic type\rsecond line");
    }
    FzdBytes bytes;
    {
        FzdSceneBook book;
        FzdBuildScene(*book, FzdScene::typed);
        book->SetRunState(7);
        bytes = FzdWriteForm(*book, nullptr, 0.0f, 0, 0);
    }
    g_fFileVersion = 0.969f;
    LoadedDoc doc(KTLoadDocument(bytes, CString("old.qsd")));
    EXPECT_EQ(doc.r.status, KTLoadStatus::failed);
    EXPECT_EQ(g_fFileVersion, 0.969f);
}

// A version text that does not match the pattern keeps the version of the last load or save: such a
// file, here one of 0.969's form, loads after a 0.969 document and not at the start (0.0).
TEST_F(DocTest, AVersionTextThatDoesNotMatchKeepsTheVersion) {
    struct Case {
        const char* text;
        float fPrevious;
        bool bLoads;
    } cases[] = {
        {"Version 0.969 alpha", 0.969f, true},
        {"Version 0.969 alpha", 0.0f, false},
        {"version ?", 0.969f, true},
        {"version 0.969 alpha", 0.0f, true},  // a text that matches reads as it says
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " after " << c.fPrevious);
        FzdBytes bytes;
        {
            FzdSceneBook book;
            FzdBuildScene(*book, FzdScene::typed);
            bytes = FzdWriteForm(*book, c.text, 0.969f, 640, 480);
        }
        g_fFileVersion = c.fPrevious;
        LoadedDoc doc(KTLoadDocument(bytes, CString("odd.qsd")));
        EXPECT_EQ(doc.r.status, c.bLoads ? KTLoadStatus::loaded : KTLoadStatus::failed);
        if (!c.bLoads) {
            EXPECT_EQ(g_fFileVersion, c.fPrevious);
            continue;
        }
        EXPECT_EQ(doc.r.path, KTLoadPath::first);
        EXPECT_EQ(doc.r.fVersion, 0.969f);
        EXPECT_EQ(g_fFileVersion, 0.969f);
        EXPECT_TRUE(doc.r.bHasCanvasSize);
        EXPECT_EQ(TextOf(doc.book()), "Hello world|Kinetic type\rsecond line");
    }
}

TEST_F(DocTest, WhenBothAttemptsFailTheMessageNamesTheVersionAndTheError) {
    FzdBytes truncated = m_userBytes;
    truncated.resize(truncated.size() - 5);
    struct Case {
        const char* name;
        FzdBytes bytes;
        int nCause;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, CArchiveException::endOfFile,
         "The data from this pre-release or unidentified version file could not be loaded because of this error: "
         "\nAn attempt was made to access broken.qsd past its end."},
        // The retry reads "\x13ver" as the run state, "sion 0.9" as the clock and "69" as the root's tag.
        {"truncated", truncated, CArchiveException::badIndex,
         "The data from this version 0.969 alpha file could not be loaded because of this error: \nbroken.qsd has "
         "a bad format."},
        {"one byte", {0x01}, CArchiveException::endOfFile,
         "The data from this pre-release or unidentified version file could not be loaded because of this error: "
         "\nAn attempt was made to access broken.qsd past its end."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_fFileVersion = 0.5f;
        LoadedDoc doc(KTLoadDocument(c.bytes, CString("broken.qsd")));
        EXPECT_EQ(doc.r.status, KTLoadStatus::failed);
        EXPECT_EQ(doc.r.pBook, nullptr);
        EXPECT_EQ(doc.r.error.nKind, KTDocumentError::archive);
        EXPECT_EQ(doc.r.error.nCause, c.nCause);
        EXPECT_EQ(doc.r.strMessage, c.message);
        EXPECT_EQ(g_fFileVersion, 0.5f);
    }
}

// ---- running behaviours of files that stored 5 listener lists ----------------------------------------

std::vector<CKTComponent*> Listeners(const CKTBook& book, int nEvent) {
    std::vector<CKTComponent*> v;
    for (POSITION pos = book.GetFirstListenerPosition(nEvent); pos;) v.push_back(book.GetNextListener(nEvent, pos));
    return v;
}

std::vector<CKTThrowableBhvr*> Throwables(const CKTBook& book) {
    std::vector<CKTThrowableBhvr*> v;
    for (POSITION pos = book.GetFirstBehaviorPosition(); pos;)
        if (auto* p = dynamic_cast<CKTThrowableBhvr*>(book.GetNextBehavior(pos))) v.push_back(p);
    return v;
}

// Files older than 0.8 and files without a version string hold the listener lists of events 0 to 4
// only. Their running behaviours still hear the left button, and the file saved again lists them for
// it. The scene: typed text with a throwable on "H" and one on "e" running, one on "l" stopped.
TEST_F(DocTest, RunningBehavioursOfFilesWithFiveListsHearTheButtons) {
    struct Case {
        const char* text;  // NULL: no version string
        float fVersion;
    } cases[] = {{"version 0.7", 0.7f}, {nullptr, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "no version string");
        FzdBytes bytes;
        {
            FzdSceneBook book;
            FzdBuildScene(*book, FzdScene::typed);
            book->SetRunState(1);
            CKTElement* pHello = book->GetRoot()->GetFirstChild()->GetFirstChild();
            for (int i = 0; i < 3; i++) {
                auto* p = new CKTThrowableBhvr;
                book->AddBehavior(p);
                p->AddElement(pHello->GetChildAt(i));
                if (i < 2) p->StartListening();
            }
            bytes = FzdWriteForm(*book, c.text, c.fVersion, 0, 0);
        }
        CKTFakeWindow wnd(640, 480);
        LoadedDoc doc(KTLoadDocument(bytes, CString("old.qsd")));
        ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
        CKTBook& book = doc.book();
        const std::vector<CKTThrowableBhvr*> t = Throwables(book);
        ASSERT_EQ(t.size(), 3u);
        ASSERT_TRUE(t[0]->IsRunning() && t[1]->IsRunning() && !t[2]->IsRunning());
        // In the order starting them in the book's order gives; the stored step list is kept as it was.
        const std::vector<CKTComponent*> running{t[0], t[1]};
        EXPECT_EQ(Listeners(book, EV_LBUTTONDOWN), running);
        EXPECT_EQ(Listeners(book, EV_LBUTTONUP), running);
        EXPECT_TRUE(Listeners(book, EV_RBUTTONDOWN).empty());
        EXPECT_TRUE(Listeners(book, EV_RBUTTONUP).empty());
        const std::vector<CKTComponent*> steps = Listeners(book, EV_STEP);
        for (CKTComponent* p : {static_cast<CKTComponent*>(t[0]), static_cast<CKTComponent*>(t[1])})
            EXPECT_EQ(std::count(steps.begin(), steps.end(), p), 1);

        {
            // A press on "H", a drag 40 pixels to the right over two steps and a release throw it.
            CKTCurrentBookScope current(&book);
            book.SetWindow(&wnd);
            POSITION posElement = t[0]->GetFirstElementPosition();
            CKTElement* pH = t[0]->GetNextElement(posElement);
            const CPoint ptPress = pH->GetCenter();
            book.OnMouseMove(ptPress);
            book.OnLButtonDown(ptPress);
            EXPECT_EQ(t[0]->GetGrabbed(), pH);
            EXPECT_EQ(t[1]->GetGrabbed(), nullptr);
            book.OnMouseMove(ptPress + CPoint(10, 0));
            book.Step();
            book.OnMouseMove(ptPress + CPoint(40, 0));
            book.Step();
            EXPECT_EQ(pH->GetCenter(), ptPress + CPoint(40, 0));
            book.OnLButtonUp(ptPress + CPoint(40, 0));
            EXPECT_EQ(t[0]->GetGrabbed(), nullptr);
            auto* pVelocity = CKTVectorBhvrProp::Cast(pH->GetProp(PROP_VELOCITY));
            ASSERT_NE(pVelocity, nullptr);
            EXPECT_TRUE(pVelocity->GetValue() == CKTVector(40, 0, 0));
        }

        // Saved again (the current form, 9 lists), the running throwables are in lists 5 and 6.
        LoadedDoc again(KTLoadDocument(KTSaveDocument(book, 640, 480), CString("again.qsd")));
        ASSERT_EQ(again.r.status, KTLoadStatus::loaded);
        const std::vector<CKTThrowableBhvr*> u = Throwables(again.book());
        ASSERT_EQ(u.size(), 3u);
        EXPECT_EQ(Listeners(again.book(), EV_LBUTTONDOWN), (std::vector<CKTComponent*>{u[0], u[1]}));
        EXPECT_EQ(Listeners(again.book(), EV_LBUTTONUP), (std::vector<CKTComponent*>{u[0], u[1]}));
    }
}

// ---- the canvas size ---------------------------------------------------------------------------------

TEST_F(DocTest, StoredCanvasSizesOutsideTheRangeAreAbsent) {
    struct Case {
        LONG w, h;
        BOOL bUsed;
    };
    const Case cases[] = {{640, 480, TRUE}, {1, 1, TRUE},        {16384, 16384, TRUE}, {0, 480, FALSE},
                          {640, 0, FALSE},  {16385, 10, FALSE},  {10, 16385, FALSE},   {-1, 5, FALSE},
                          {5, -640, FALSE}, {0x7FFFFFFF, 1, FALSE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        LoadedDoc doc(KTLoadDocument(KTSaveDocument(*User(), c.w, c.h), CString("size.qsd")));
        ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
        EXPECT_EQ(doc.r.bHasCanvasSize, c.bUsed);
        EXPECT_EQ(doc.r.nCanvasWidth, c.bUsed ? c.w : 0);
        EXPECT_EQ(doc.r.nCanvasHeight, c.bUsed ? c.h : 0);
    }
}

// ---- the collision detector --------------------------------------------------------------------------

TEST_F(DocTest, ALoadedBookWithoutDetectorGetsAStartedOne) {
    FzdBytes bytes;
    {
        FzdSceneBook book;  // typed text, no detector: property 2 stays empty
        FzdAddPassage(*book, "no detector", CPoint(10, 10), RGB(0, 0, 0));
        ASSERT_EQ(book->GetBookProp(BOOKPROP_COLLISION_DETECTOR), nullptr);
        bytes = KTSaveDocument(*book, 640, 480);
    }
    LoadedDoc doc(KTLoadDocument(bytes, CString("nodet.qsd")));
    ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
    EXPECT_TRUE(doc.r.bAddedDetector);
    CKT1DCollisionDetBhvr* pDetector = KTGetCollisionDetector(doc.book());
    ASSERT_NE(pDetector, nullptr);
    EXPECT_TRUE(pDetector->IsRunning());
    EXPECT_EQ(doc.book().GetBehaviorCount(), 1);
    POSITION pos = doc.book().GetFirstListenerPosition(EV_PRESTEP);
    EXPECT_EQ(doc.book().GetNextListener(EV_PRESTEP, pos), pDetector);
    EXPECT_EQ(g_pCurrentBook, User());

    // A file that has its detector keeps it, with its elements.
    LoadedDoc again(KTLoadDocument(m_userBytes, CString("det.qsd")));
    ASSERT_EQ(again.r.status, KTLoadStatus::loaded);
    EXPECT_FALSE(again.r.bAddedDetector);
    ASSERT_NE(KTGetCollisionDetector(again.book()), nullptr);
    EXPECT_EQ(KTGetCollisionDetector(again.book())->GetElementCount(),
              KTGetCollisionDetector(*User())->GetElementCount());
}

// A file whose book lost property 2 but kept its detector: the slot takes the listed detector (no
// second one), holding one reference, and the file saved again has exactly that one detector in it.
TEST_F(DocTest, AnEmptyDetectorSlotTakesTheListedDetector) {
    struct Case {
        const char* name;
        bool bKeepEmptyProperty;  // property 2 stored with no value, else no property at all
    } cases[] = {{"no property", false}, {"an empty property", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FzdBytes bytes;
        INT_PTR nElements;
        {
            FzdSceneBook book;
            FzdBuildScene(*book, FzdScene::typed);
            CKT1DCollisionDetBhvr* pDetector = KTGetCollisionDetector(*book);
            ASSERT_NE(pDetector, nullptr);
            nElements = pDetector->GetElementCount();
            ASSERT_GT(nElements, 0);
            auto* pSlot = CKTBhvrPtrBhvrProp::Cast(book->GetBookProp(BOOKPROP_COLLISION_DETECTOR));
            if (c.bKeepEmptyProperty) {
                pSlot->SetValue(nullptr);
            } else {
                book->SetBookProp(BOOKPROP_COLLISION_DETECTOR, nullptr);
                delete pSlot;
            }
            bytes = KTSaveDocument(*book, 640, 480);
        }
        for (int nSave = 0; nSave < 2; nSave++) {
            SCOPED_TRACE(nSave == 0 ? "loaded" : "saved again and loaded");
            LoadedDoc doc(KTLoadDocument(bytes, CString("lost.qsd")));
            ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
            EXPECT_FALSE(doc.r.bAddedDetector);
            ASSERT_EQ(doc.book().GetBehaviorCount(), 1);
            POSITION pos = doc.book().GetFirstBehaviorPosition();
            CKTBehavior* pListed = doc.book().GetNextBehavior(pos);
            EXPECT_EQ(KTGetCollisionDetector(doc.book()), pListed);
            EXPECT_EQ(pListed->GetElementCount(), nElements);
            CKTBhvrProp* pSlot = doc.book().GetBookProp(BOOKPROP_COLLISION_DETECTOR);
            ASSERT_NE(pSlot, nullptr);
            EXPECT_EQ(pSlot->GetRefCount(), 1);
            bytes = KTSaveDocument(doc.book(), 640, 480);
        }
    }
}

TEST_F(DocTest, ABookPropertyTwoOfAnotherClassFailsTheLoad) {
    FzdBytes bytes;
    {
        FzdSceneBook book;
        FzdAddPassage(*book, "odd", CPoint(10, 10), RGB(0, 0, 0));
        book->SetBookProp(BOOKPROP_COLLISION_DETECTOR, new CKTBoolBhvrProp(BOOKPROP_COLLISION_DETECTOR));
        bytes = KTSaveDocument(*book, 640, 480);
    }
    LoadedDoc doc(KTLoadDocument(bytes, CString("odd.qsd")));
    EXPECT_EQ(doc.r.status, KTLoadStatus::failed);
    EXPECT_EQ(doc.r.pBook, nullptr);
}

// ---- the current book while a document is read and freed ---------------------------------------------

TEST_F(DocTest, TheBookBeingReadIsCurrentWhileReadAndWhileFreed) {
    FzdBytes bytes;
    size_t nBookEnd;
    {
        FzdSceneBook book;
        FzdBuildScene(*book, FzdScene::typed);
        auto* pProbe = new CKTDocProbeBhvr;
        book->AddBehavior(pProbe);
        pProbe->AddElement(book->GetRoot()->GetFirstChild()->GetFirstChild()->GetFirstChild());
        bytes = KTSaveDocument(*book, 640, 480);
        nBookEnd = bytes.size() - 8;
    }
    // Whole, cut inside the book (the half-read graph is freed), cut in the size (the whole book is).
    for (size_t nSize : {bytes.size(), nBookEnd - 20, nBookEnd + 3}) {
        SCOPED_TRACE(nSize);
        CKTDocProbeBhvr::s_pReadWith = nullptr;
        CKTDocProbeBhvr::s_pDestroyedWith = nullptr;
        CKTDocProbeBhvr::s_nDestroyed = 0;
        CKTBook* pLoaded;
        {
            LoadedDoc doc(KTLoadDocument(bytes.data(), nSize, CString("probe.qsd")));
            pLoaded = doc.r.pBook;
            EXPECT_EQ(doc.r.status, nSize == bytes.size() ? KTLoadStatus::loaded : KTLoadStatus::failed);
            ASSERT_NE(CKTDocProbeBhvr::s_pReadWith, nullptr);
            EXPECT_NE(CKTDocProbeBhvr::s_pReadWith, User());
            EXPECT_EQ(CKTDocProbeBhvr::s_bReadLoading, 1);
            if (pLoaded) {
                EXPECT_EQ(CKTDocProbeBhvr::s_pReadWith, pLoaded);
            }
            EXPECT_EQ(g_pCurrentBook, User());
            EXPECT_EQ(CKTDocProbeBhvr::s_nDestroyed, pLoaded ? 0 : 1);  // freed once
        }
        EXPECT_EQ(CKTDocProbeBhvr::s_nDestroyed, 1);
        // Freed while it was current: the book being read, or the loaded book when the holder freed it.
        EXPECT_EQ(CKTDocProbeBhvr::s_pDestroyedWith, CKTDocProbeBhvr::s_pReadWith);
        EXPECT_EQ(g_pCurrentBook, User());
    }
}

TEST_F(DocTest, ReplacingTheBookMakesTheLoadedOneCurrent) {
    LoadedDoc doc(KTLoadDocument(m_userBytes, CString("swap.qsd")));
    ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
    CKTBook* pOther = new CKTBook;  // current now
    EXPECT_EQ(g_pCurrentBook, pOther);
    KTReplaceBook(pOther, doc.r.pBook);
    EXPECT_EQ(g_pCurrentBook, doc.r.pBook);
    KTDeleteBook(doc.r.pBook);
    doc.r.pBook = nullptr;
    EXPECT_EQ(g_pCurrentBook, nullptr);
    g_pCurrentBook = User();
}

}  // namespace
