// Start-up, the view's construction defaults, the frame tick and the MIDI input of the window.
#include <QCoreApplication>

#include <cstring>
#include <thread>

#include "appfixture.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcomponent.h"
#include "kinetype/ktglobals.h"
#include "kinetype/kterdefault.h"
#include "kinetype/kttext.h"

namespace {

// Records the events the book sends it; optionally acts on one.
class CProbe : public CKTComponent {
public:
    std::vector<int> log;
    std::function<void(int)> onEvent;
    void OnEvent(int nEvent) override {
        log.push_back(nEvent);
        if (onEvent) onEvent(nEvent);
    }
};

using StartUp = AppFixture;

TEST_F(StartUp, WithoutAFileGivesAnEmptyStoppedSceneInTheDefaultFrame) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    CQuillView* pView = View();
    ASSERT_TRUE(pFrame && pView);
    EXPECT_EQ(g_pView, pView);
    EXPECT_TRUE(pFrame->isVisible());

    // The frame at the screen's top-left corner with the outer size 652 x 511; the view fills it.
    EXPECT_EQ(pFrame->GetWindowRect(), CRect(0, 0, 652, 511));
    EXPECT_EQ(pView->size(), pFrame->size());
    EXPECT_EQ(pFrame->windowTitle().toStdString(), "Untitled - Quillstorm!");

    // One empty, stopped scene; the collision detector is the book's detector, running.
    CKTBook* pBook = Book();
    ASSERT_TRUE(pBook);
    EXPECT_EQ(pBook->GetRunState(), 0);
    EXPECT_EQ(pBook->GetClock(), 0.0);
    ASSERT_TRUE(pBook->GetRoot());
    EXPECT_EQ(pBook->GetRoot()->GetFirstChild(), nullptr);
    EXPECT_EQ(pView->m_pTextRoot, pBook->GetRoot());
    ASSERT_TRUE(pView->m_pCollisionDetector);
    auto* pProp = dynamic_cast<CKTBhvrPtrBhvrProp*>(pBook->GetBookProp(BOOKPROP_COLLISION_DETECTOR));
    ASSERT_TRUE(pProp);
    EXPECT_EQ(pProp->GetValue(), pView->m_pCollisionDetector);
    EXPECT_EQ(pBook->GetBehaviorCount(), 1);
    EXPECT_TRUE(pView->m_pCollisionDetector->IsRunning());

    EXPECT_EQ(pView->m_strPath, "Untitled.qsd");
    EXPECT_TRUE(m_pApp->m_pDocument->GetPathName().IsEmpty());
    EXPECT_EQ(pBook->GetWindow(), static_cast<CKTWindow*>(pView));
    // The first paint happened: the client rectangle and the back buffer exist.
    ASSERT_TRUE(pView->m_pClientRect);
    EXPECT_EQ(*pView->m_pClientRect, CRect(0, 0, pView->width(), pView->height()));
    ASSERT_TRUE(pView->GetBackBuffer());
    EXPECT_EQ(pView->GetBackBuffer()->Width(), pView->width());
    // The typing font is the catalogue's first face at 24 points.
    if (CEnumeratedFontFamily* pFamily = pView->m_fonts.GetFamily(0)) {
        EXPECT_STREQ(pView->m_logFont.lfFaceName, pFamily->GetFont(0)->GetLogFont()->lfFaceName);
    }
    EXPECT_EQ(pView->m_logFont.lfHeight, 240);
    EXPECT_TRUE(m_ui.Calls().empty());
}

// A machine without fonts: creation completes, the typing font stays as constructed.
TEST_F(StartUp, AnEmptyFontCatalogueKeepsTheConstructedTypingFont) {
    CNoFontSource none;
    CQuillView::s_pFontSource = &none;
    const BOOL started = Start();
    CQuillView::s_pFontSource = nullptr;
    ASSERT_TRUE(started);
    EXPECT_EQ(View()->m_fonts.GetFamilyCount(), 0);
    EXPECT_EQ(View()->m_logFont.lfHeight, 240);
    EXPECT_EQ(View()->m_logFont.lfFaceName[0], '\0');
    EXPECT_NE(View()->m_pMenu, nullptr);
}

TEST(CommandLine, FileAndFlags) {
    struct Case {
        std::vector<std::string> args;
        CQuillStartup::Command command;
        std::string file;
        bool splash;
        std::string settings;
    } cases[] = {
        {{}, CQuillStartup::Command::FileNew, "", true, ""},
        {{"a.qsd"}, CQuillStartup::Command::FileOpen, "a.qsd", true, ""},
        {{"a.qsd", "b.qsd"}, CQuillStartup::Command::FileOpen, "a.qsd", true, ""},
        // Only '-' starts an option: an absolute path is the document.
        {{"/home/me/a.qsd"}, CQuillStartup::Command::FileOpen, "/home/me/a.qsd", true, ""},
        {{"--unknown", "-x", "/dde", "b.qsd"}, CQuillStartup::Command::FileOpen, "/dde", true, ""},
        {{"-"}, CQuillStartup::Command::FileOpen, "-", true, ""},
        {{"--no-splash", "--settings=/tmp/s.ini"}, CQuillStartup::Command::FileNew, "", false, "/tmp/s.ini"},
        {{"--settings", "/tmp/t.ini", "x.qsd"}, CQuillStartup::Command::FileOpen, "x.qsd", true, "/tmp/t.ini"},
    };
    for (const Case& c : cases) {
        const CQuillStartup s = CQuillStartup::FromArguments(c.args);
        EXPECT_EQ(s.command, c.command);
        EXPECT_EQ(s.strFileName, c.file);
        EXPECT_EQ(s.bShowSplash, c.splash);
        EXPECT_EQ(s.strSettingsFile, c.settings);
    }
}

TEST(RecentFiles, NewestFirstFourAtMostNoDuplicates) {
    CRecentFileList list(4);
    for (const char* p : {"/a.qsd", "/b.qsd", "/c.qsd", "/b.qsd", "/d.qsd", "/e.qsd"}) list.Add(p);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list[0], "/e.qsd");
    EXPECT_EQ(list[1], "/d.qsd");
    EXPECT_EQ(list[2], "/b.qsd");
    EXPECT_EQ(list[3], "/c.qsd");
}

// The values the view's fields start with, before its window exists.
TEST(ViewConstruction, Defaults) {
    CQuillDoc doc;
    {
        CQuillView view(&doc, nullptr);
        EXPECT_EQ(g_pView, &view);
        EXPECT_EQ(g_hMidiIn, nullptr);
        EXPECT_EQ(view.m_bModified, 0);
        EXPECT_EQ(view.m_strPath, "Untitled.qsd");
        EXPECT_EQ(view.m_pClientRect, nullptr);
        EXPECT_EQ(view.m_nMouseMode, 0);
        EXPECT_EQ(view.m_rcCanvas, CRect(0, 0, 652, 511));
        EXPECT_EQ(view.m_bStartFullScreen, 0);
        EXPECT_EQ(view.m_ptCaret, CPoint(50, 50));
        EXPECT_TRUE(view.m_selection.IsEmpty());
        EXPECT_EQ(view.m_nClickAge, 51);
        EXPECT_EQ(view.m_bCaretHidden, 0);
        EXPECT_EQ(view.m_bCaretShown, 1);
        EXPECT_EQ(view.m_crTypingColor, RGB(0, 0, 0));
        EXPECT_EQ(view.m_nPointSize, 24);
        ASSERT_NE(view.m_pDefaultRenderer, nullptr);
        EXPECT_EQ(view.m_pDefaultRenderer->GetType(), 1);  // the default renderer
        EXPECT_EQ(view.m_strTitle, "Quillstorm!");
        EXPECT_EQ(view.m_bSizeChanged, 0);
        EXPECT_EQ(view.m_bCursorShown, 1);
        EXPECT_EQ(view.m_nLastBehaviorCommand, 0);
        EXPECT_EQ(view.m_bShowHierarchy, 0);
        EXPECT_EQ(view.m_bShowGrid, 0);
        EXPECT_EQ(view.m_nChunkMode, 2);
        EXPECT_EQ(view.m_bSpraying, 0);
        EXPECT_EQ(view.m_fSpraySpeed, 0.1f);
        EXPECT_EQ(view.m_fSprayClock, 0.0f);
        EXPECT_EQ(view.m_dRestartRamp, -1.0);
        EXPECT_EQ(view.m_dwLastMidiMsg, 0u);
        for (BYTE held : view.m_bNoteHeld) EXPECT_EQ(held, 0);
    }
    EXPECT_EQ(g_pView, nullptr);
}

// ---- the frame tick -------------------------------------------------------------------------------

class Tick : public AppFixture {
protected:
    CProbe m_probe;
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(Start());
        for (int ev : {EV_PRESTEP, EV_STEP, EV_POSTSTEP, EV_DRAW}) Book()->AddListener(&m_probe, ev, 0);
    }
    void TearDown() override {
        for (int ev : {EV_PRESTEP, EV_STEP, EV_POSTSTEP, EV_DRAW})
            while (Book() && Book()->RemoveListener(&m_probe, ev)) {
            }
        AppFixture::TearDown();
    }
};

TEST_F(Tick, StepsThenAdvancesCountersThenPaintsAtOnce) {
    // (The real timer may have ticked while the window came up: counters are compared with their
    // values before the tick.)
    Book()->SetRunState(1);
    CQuillView* v = View();
    const int age = v->m_nClickAge;
    const float clock = v->m_fSprayClock;
    v->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_EQ(m_probe.log, (std::vector<int>{EV_PRESTEP, EV_STEP, EV_POSTSTEP, EV_DRAW}));
    EXPECT_EQ(Book()->GetClock(), 0.01);
    EXPECT_EQ(v->m_nClickAge, age + 1);
    EXPECT_EQ(v->m_fSprayClock, clock + 0.1f);
    v->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_EQ(v->m_fSprayClock, (clock + 0.1f) + 0.1f);  // summed as floats
}

TEST_F(Tick, AStoppedSceneOnlyPaints) {
    const int age = View()->m_nClickAge;
    View()->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_EQ(m_probe.log, (std::vector<int>{EV_DRAW}));
    EXPECT_EQ(Book()->GetClock(), 0.0);
    EXPECT_EQ(View()->m_nClickAge, age + 1);  // the view's counters run all the same
}

TEST_F(Tick, OtherTimerIdsChangeNothing) {
    Book()->SetRunState(1);
    CQuillView* v = View();
    const int frames = v->m_nFramesDrawn;
    const int age = v->m_nClickAge;
    const float clock = v->m_fSprayClock;
    for (UINT_PTR id : {0, 1, 68, 70, 1000}) v->OnTimer(id);
    EXPECT_TRUE(m_probe.log.empty());
    EXPECT_EQ(Book()->GetClock(), 0.0);
    EXPECT_EQ(v->m_nClickAge, age);
    EXPECT_EQ(v->m_fSprayClock, clock);
    EXPECT_EQ(v->m_nFramesDrawn, frames);
}

TEST_F(Tick, AfterAResizeTheSceneStepsButNothingIsRedrawnUntilThePaint) {
    Book()->SetRunState(1);
    CQuillView* v = View();
    v->OnSize(0, v->width(), v->height());
    EXPECT_EQ(v->m_pClientRect, nullptr);
    EXPECT_EQ(v->GetBackBuffer(), nullptr);
    v->OnTimer(CQuillView::kFrameTimerId);
    v->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_EQ(m_probe.log, (std::vector<int>{3, 1, 4, 3, 1, 4}));
    v->repaint();  // the window's own paint rebuilds the client rectangle and the back buffer
    ASSERT_NE(v->m_pClientRect, nullptr);
    EXPECT_NE(v->GetBackBuffer(), nullptr);
    m_probe.log.clear();
    v->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_EQ(m_probe.log, (std::vector<int>{3, 1, 4, 0}));
}

TEST_F(Tick, APendingLoadIsTriedOnceAndEmptied) {
    CQuillView* v = View();
    Book()->m_strPendingLoad = "nextfile.qsd";  // no such file here
    v->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_TRUE(Book()->m_strPendingLoad.IsEmpty());
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_NE(m_ui.Calls()[0].strText.find("nextfile.qsd"), std::string::npos);
    EXPECT_EQ(v->m_strPath, "Untitled.qsd");
    EXPECT_TRUE(m_pApp->m_pDocument->GetPathName().IsEmpty());
    v->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_EQ(m_ui.Calls().size(), 1u);
}

TEST_F(Tick, WhileLoadingATickNeitherStepsNorDraws) {
    Book()->SetRunState(1);
    CQuillView* v = View();
    const int frames = v->m_nFramesDrawn;
    const int age = v->m_nClickAge;
    g_bLoading = 1;
    v->OnTimer(CQuillView::kFrameTimerId);
    v->repaint();
    g_bLoading = 0;
    EXPECT_TRUE(m_probe.log.empty());
    EXPECT_EQ(Book()->GetClock(), 0.0);
    EXPECT_EQ(v->m_nFramesDrawn, frames);
    EXPECT_EQ(v->m_nClickAge, age);
}

TEST_F(Tick, ATickInsideATickDoesNotStepOrDraw) {
    Book()->SetRunState(1);
    CQuillView* v = View();
    int inner = 0;
    // A modal loop inside the step (as a pending load's message box runs) lets the timer in again.
    m_probe.onEvent = [&](int ev) {
        if (ev == EV_STEP && inner++ == 0) v->OnTimer(CQuillView::kFrameTimerId);
    };
    const int stepped = v->m_nTicksStepped;
    const int age = v->m_nClickAge;
    v->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_EQ(m_probe.log, (std::vector<int>{3, 1, 4, 0}));
    EXPECT_EQ(v->m_nTicksStepped, stepped + 1);
    EXPECT_EQ(v->m_nClickAge, age + 1);
}

// ---- MIDI ----------------------------------------------------------------------------------------

using Midi = AppFixture;

TEST_F(Midi, NoDeviceIsNotAnErrorAndClosingMakesNoMidiCall) {
    m_midi.m_nDevices = 0;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Start());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No Midi device found"), std::string::npos);  // any build
    EXPECT_EQ(g_hMidiIn, nullptr);
    EXPECT_TRUE(m_ui.Calls().empty());
    Frame()->DestroyWindow();
    EXPECT_EQ(m_midi.Log(), std::vector<std::string>{"count"});
}

// What standard error says about MIDI at start-up, in every build: the reason there is no device, the
// open error, or the whole name of the port that is read.
TEST_F(Midi, StandardErrorSaysWhatIsRead) {
    const std::string kLong = "A keyboard whose port name is longer than thirty-two characters:port 1";
    struct Case {
        const char* name;
        UINT nDevices;
        MMRESULT openResult;
        std::vector<std::string> names;
        std::string status;
        std::string expected;
    } cases[] = {
        {"no device", 0, MMSYSERR_NOERROR, {}, "no JACK MIDI output port", "No Midi device found (no JACK MIDI output port)\n"},
        {"no device, no reason", 0, MMSYSERR_NOERROR, {}, "", "No Midi device found\n"},
        {"the open fails", 1, MMSYSERR_ALLOCATED, {}, "", "Error opening midi device\n"},
        {"started", 2, MMSYSERR_NOERROR, {kLong}, "", "Midi input started (" + kLong + ")\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_midi.m_nDevices = c.nDevices;
        m_midi.m_openResult = c.openResult;
        m_midi.m_names = c.names;
        m_midi.m_strStatus = c.status;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(Start());
        const std::string text = testing::internal::GetCapturedStderr();
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        Frame()->DestroyWindow();
        m_pApp.reset();
    }
}

TEST_F(Midi, AnOpenErrorLeavesNoDevice) {
    m_midi.m_nDevices = 1;
    m_midi.m_openResult = MMSYSERR_ALLOCATED;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Start());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Error opening midi device\n"), std::string::npos);
    EXPECT_EQ(g_hMidiIn, nullptr);
    Frame()->DestroyWindow();
    EXPECT_EQ(m_midi.Log(), (std::vector<std::string>{"count", "open 0"}));
}

TEST_F(Midi, DeviceZeroOpensAndMessagesArriveOnTheGuiThreadInOrder) {
    m_midi.m_nDevices = 2;
    ASSERT_TRUE(Start());
    ASSERT_NE(g_hMidiIn, nullptr);
    EXPECT_EQ(m_midi.Log(), (std::vector<std::string>{"count", "open 0", "caps 0", "start"}));

    std::vector<DWORD> got;
    const std::thread::id gui = std::this_thread::get_id();
    bool onGui = true;
    View()->m_onMidiMessage = [&](DWORD m) {
        got.push_back(m);
        onGui = onGui && std::this_thread::get_id() == gui;
    };
    std::thread driver([&] {
        for (int note = 0; note < 100; ++note) m_midi.Send({0x90, static_cast<unsigned char>(note), 100});
    });
    driver.join();
    for (int i = 0; i < 100 && got.size() < 100; ++i) QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 100u);
    for (int note = 0; note < 100; ++note) EXPECT_EQ(got[note], 0x00640090u | static_cast<DWORD>(note) << 8);
    EXPECT_TRUE(onGui);

    // While a document loads, messages are dropped.
    g_bLoading = 1;
    m_midi.Send({0x80, 1, 0});
    QCoreApplication::processEvents();
    g_bLoading = 0;
    EXPECT_EQ(got.size(), 100u);

    // Shut-down: the callback goes first, then stop, reset, close; nothing arrives afterwards.
    m_midi.ClearLog();
    Frame()->DestroyWindow();
    EXPECT_EQ(m_midi.Log(), (std::vector<std::string>{"stop", "reset", "close"}));
    EXPECT_EQ(g_hMidiIn, nullptr);
    EXPECT_EQ(g_pView, nullptr);
}

}  // namespace
