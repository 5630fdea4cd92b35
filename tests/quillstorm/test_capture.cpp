// Movie capture from the view: F1 and command 62 with the save dialog and the item's labels, every
// paint a frame equal to the back buffer, the size kept through a resize, Cancel and failed starts,
// a movie that cannot be written, and quitting during a capture.
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "appfixture.h"
#include "kinetype/ktbook.h"
#include "platform/ui/virtualkeys.h"
#include "pumenu/commandids.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/qtuiservices.h"
#include "winquicktime/moviereader.h"
#include "winquicktime/winquicktime.h"

namespace {

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The top-left w x h of a surface as R, G, B rows.
std::vector<uint8_t> RgbOf(const gdi::Surface& s, int w, int h) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = gdi::PixelToColor(s.Row(y)[x]);
            rgb.push_back(GetRValue(c));
            rgb.push_back(GetGValue(c));
            rgb.push_back(GetBValue(c));
        }
    }
    return rgb;
}

class Capture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(Start());
        View()->SetCanvasSize(160, 120);
        ASSERT_EQ(View()->width(), 160);
        ASSERT_FALSE(g_bCapturing);
    }

    void TearDown() override {
        AppFixture::TearDown();  // a capture still running ends with the window
        EXPECT_FALSE(g_bCapturing);
        EXPECT_EQ(g_hMovieDC, nullptr);
        g_quickTime.SetSinkFilter(nullptr);
    }

    const char* Label() const { return View()->m_pCaptureItem->GetLabel(); }

    // One paint in a colour of its own (the background and the grid over it); returns the back buffer
    // as R, G, B rows.
    std::vector<uint8_t> Paint(int n) {
        Book()->SetBackgroundColor(RGB(n * 5, 250 - n * 3, 40 + n * 2));
        View()->m_bShowGrid = n % 2 ? 1 : 0;
        View()->OnDraw(View()->GetDC());
        const gdi::Surface* s = View()->GetBackBuffer();
        return s ? RgbOf(*s, s->Width(), s->Height()) : std::vector<uint8_t>();
    }
};

TEST_F(Capture, F1AndCommand62StartAndEndACapture) {
    enum class Via { Key, Command };
    for (const Via via : {Via::Key, Via::Command}) {
        SCOPED_TRACE(via == Via::Key ? "F1" : "command 62");
        auto toggle = [&] {
            if (via == Via::Key)
                View()->OnKeyDown(VK_F1, 1, 0);
            else
                View()->ExecuteCommand(ID_MOVIE_CAPTURE, TRUE);
        };
        m_ui.Clear();
        EXPECT_STREQ(Label(), via == Via::Key ? "start QT capture     (F1)" : "start QT capture");
        m_ui.AnswerFileDialog(Path("LiveMovie"));
        toggle();
        ASSERT_EQ(m_ui.Calls().size(), 1u);
        const ui::FileDialogRequest& r = m_ui.Calls()[0].file;
        EXPECT_FALSE(r.bOpen);
        EXPECT_EQ(r.strDefExt, "mov");
        EXPECT_EQ(r.strFileName, "LiveMovie");
        EXPECT_EQ(r.dwFlags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        EXPECT_EQ(r.strFilter, "Movie File (*.MOV)|*.MOV|All files (*.*)|*.*|");
        EXPECT_EQ(r.strTitle, "Movie file");
        ASSERT_TRUE(g_bCapturing);
        ASSERT_NE(g_hMovieDC, nullptr);
        EXPECT_STREQ(Label(), "end QT capture");

        std::vector<std::vector<uint8_t>> painted;
        for (int i = 0; i < 50; ++i) painted.push_back(Paint(i));
        toggle();
        EXPECT_FALSE(g_bCapturing);
        EXPECT_EQ(g_hMovieDC, nullptr);
        EXPECT_STREQ(Label(), "start QT capture");
        EXPECT_EQ(m_ui.Calls().size(), 1u);

        // The default extension was added; the movie holds every paint, 5 seconds of sync samples.
        const movietest::Movie movie = movietest::ReadMovie(Path("LiveMovie.mov"));
        ASSERT_EQ(movie.strError, "");
        EXPECT_EQ(movie.nWidth, 160);
        EXPECT_EQ(movie.nHeight, 120);
        EXPECT_EQ(movie.nStreamDuration, 3000);
        ASSERT_EQ(movie.samples.size(), 50u);
        ASSERT_EQ(movie.frames.size(), 50u);
        for (size_t i = 0; i < 50; ++i) {
            EXPECT_EQ(movie.samples[i].duration, 60) << i;
            EXPECT_TRUE(movie.samples[i].bKey) << i;
            EXPECT_TRUE(movie.frames[i] == painted[i]) << "frame " << i;
        }
    }
}

TEST_F(Capture, CancelAndAFailedStartChangeNothing) {
    m_ui.CancelFileDialog();
    View()->OnKeyDown(VK_F1, 1, 0);
    // A folder that does not exist: the file cannot be created.
    m_ui.AnswerFileDialog(Path("missing/clip.mov"));
    View()->ExecuteCommand(ID_MOVIE_CAPTURE, TRUE);
    ASSERT_EQ(m_ui.Calls().size(), 3u);
    EXPECT_EQ(m_ui.Calls()[2].kind, ui::CScriptedUIServices::Kind::MessageBox);
    EXPECT_EQ(m_ui.Calls()[2].strText, "Unable to write the movie file.");
    EXPECT_EQ(m_ui.Calls()[2].nType & MB_TYPEMASK, MB_OK);
    EXPECT_FALSE(g_bCapturing);
    EXPECT_EQ(g_hMovieDC, nullptr);
    EXPECT_STREQ(Label(), "start QT capture     (F1)");
    Paint(0);  // no capture: the paint adds nothing anywhere
    EXPECT_FALSE(g_quickTime.IsOpen());
}

TEST_F(Capture, AResizeDuringACaptureKeepsTheMovieSize) {
    ASSERT_EQ(mkdir(Path("takes").c_str(), 0755), 0);
    m_ui.AnswerFileDialog(Path("takes/resize.mov"));
    View()->OnKeyDown(VK_F1, 1, 0);
    ASSERT_TRUE(g_bCapturing);
    // As after every file dialog, the chosen folder is the current one.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    EXPECT_EQ(std::string(cwd), Path("takes"));
    std::vector<std::vector<uint8_t>> expected;
    expected.push_back(Paint(1));
    // Larger: the frame is the top-left 160 x 120 of the new canvas.
    View()->SetCanvasSize(200, 150);
    Paint(2);
    expected.push_back(RgbOf(*View()->GetBackBuffer(), 160, 120));
    // Smaller: the top-left 100 x 90 is the new canvas, the rest stays as the frame before left it.
    View()->SetCanvasSize(100, 90);
    Paint(3);
    std::vector<uint8_t> third = expected.back();
    const std::vector<uint8_t> small = RgbOf(*View()->GetBackBuffer(), 100, 90);
    for (int y = 0; y < 90; ++y) std::copy_n(small.begin() + y * 300, 300, third.begin() + y * 480);
    expected.push_back(third);
    View()->OnKeyDown(VK_F1, 1, 0);

    const movietest::Movie movie = movietest::ReadMovie(Path("takes/resize.mov"));
    ASSERT_EQ(movie.strError, "");
    EXPECT_EQ(movie.nWidth, 160);
    EXPECT_EQ(movie.nHeight, 120);
    ASSERT_EQ(movie.frames.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(movie.frames[i] == expected[i]) << "frame " << i;
}

// A folder under the chosen name, or a disc that fills up: the message, the capture ends, and what was
// under the name stays.
TEST_F(Capture, AMovieThatCannotBeWrittenIsReported) {
    ASSERT_EQ(mkdir(Path("folder.mov").c_str(), 0755), 0);
    {
        std::ofstream(Path("full.mov")) << "old movie";
    }
    struct Case {
        const char* name;
        bool bFailingSink;
    };
    for (const Case c : {Case{"folder.mov", false}, Case{"full.mov", true}}) {
        SCOPED_TRACE(c.name);
        m_ui.Clear();
        g_quickTime.SetSinkFilter(nullptr);
        if (c.bFailingSink) {
            // Everything after the first 100 bytes is refused (a full disc).
            g_quickTime.SetSinkFilter([](std::unique_ptr<CMovieSink> p) -> std::unique_ptr<CMovieSink> {
                return std::make_unique<movietest::CFailingSink>(std::move(p), 100);
            });
        }
        m_ui.AnswerFileDialog(Path(c.name));
        View()->OnKeyDown(VK_F1, 1, 0);
        ASSERT_TRUE(g_bCapturing);
        for (int i = 0; i < 5; ++i) Paint(i);
        View()->OnKeyDown(VK_F1, 1, 0);
        ASSERT_EQ(m_ui.Calls().size(), 2u);
        EXPECT_EQ(m_ui.Calls()[1].strText, "Unable to write the movie file.");
        EXPECT_EQ(m_ui.Calls()[1].nType & MB_TYPEMASK, MB_OK);
        EXPECT_FALSE(g_bCapturing);
        EXPECT_EQ(g_hMovieDC, nullptr);
        EXPECT_STREQ(Label(), "start QT capture");
    }
    struct stat st;
    ASSERT_EQ(stat(Path("folder.mov").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(ReadAll(Path("full.mov")), "old movie");
}

// Closing the window, "exit", and the program's end finish a running capture, once the close is
// confirmed.
TEST_F(Capture, QuittingDuringACaptureLeavesACompleteMovie) {
    enum class Quit { Close, ExitCommand, ExitInstance };
    for (const Quit quit : {Quit::Close, Quit::ExitCommand, Quit::ExitInstance}) {
        SCOPED_TRACE(static_cast<int>(quit));
        if (!Frame()) {
            ASSERT_TRUE(Start());
            View()->SetCanvasSize(160, 120);
        }
        m_ui.Clear();
        const std::string strPath = Path(("quit" + std::to_string(static_cast<int>(quit)) + ".mov").c_str());
        m_ui.AnswerFileDialog(strPath);
        View()->OnKeyDown(VK_F1, 1, 0);
        ASSERT_TRUE(g_bCapturing);
        std::vector<std::vector<uint8_t>> painted;
        for (int i = 0; i < 3; ++i) painted.push_back(Paint(i));
        if (quit != Quit::ExitInstance) {
            // The save prompt: declined first (the capture goes on), then "No".
            View()->m_bModified = 1;
            m_ui.AnswerMessageBox(IDCANCEL);
            m_ui.AnswerMessageBox(IDNO);
        }
        switch (quit) {
            case Quit::Close:
                EXPECT_FALSE(Frame()->close());
                EXPECT_TRUE(g_bCapturing);
                EXPECT_TRUE(Frame()->close());
                break;
            case Quit::ExitCommand:
                View()->ExecuteCommand(ID_EXIT, TRUE);
                QCoreApplication::processEvents();
                EXPECT_TRUE(g_bCapturing);
                View()->ExecuteCommand(ID_EXIT, TRUE);
                QCoreApplication::processEvents();
                break;
            case Quit::ExitInstance:
                m_pApp.reset();
                break;
        }
        EXPECT_FALSE(g_bCapturing);
        EXPECT_EQ(g_hMovieDC, nullptr);
        const movietest::Movie movie = movietest::ReadMovie(strPath);
        ASSERT_EQ(movie.strError, "");
        // The paints above, and any the frame timer made while the close was posted.
        ASSERT_GE(movie.frames.size(), 3u);
        for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(movie.frames[i] == painted[i]) << "frame " << i;
        EXPECT_EQ(View(), nullptr);
        EXPECT_TRUE(m_ui.AllScripted());
        EXPECT_EQ(m_ui.PendingAnswers(), 0u);
        m_pApp.reset();
    }
}

}  // namespace

// The toolkit's save dialog with the capture's filter: the upper-case pattern shows lower-case names
// too, and a name typed without an extension gets ".mov".
TEST_F(Capture, TheMovieFilterShowsLowerCaseNamesAndTheExtensionIsAdded) {
    for (const char* name : {"clip.mov", "SHOUT.MOV", "notes.txt"}) std::ofstream(Path(name)) << "x";
    CQtUIServices services;
    ui::CUIServices* pOld = ui::SetUIServices(&services);
    std::vector<std::string> shown;
    bool bInspected = false;
    QTimer::singleShot(0, [&] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!pDialog) return;
        auto* pList = pDialog->findChild<QListView*>("listView");
        auto* pEdit = pDialog->findChild<QLineEdit*>("fileNameEdit");
        if (pList && pEdit) {
            // The folder is read in the background: wait for its files.
            const bool bRead = QTest::qWaitFor([&] { return pList->model()->rowCount(pList->rootIndex()) >= 2; }, 5000);
            EXPECT_TRUE(bRead);
            for (int i = 0; i < pList->model()->rowCount(pList->rootIndex()); ++i)
                shown.push_back(pList->model()->index(i, 0, pList->rootIndex()).data().toString().toStdString());
            std::sort(shown.begin(), shown.end());
            bInspected = true;
            pEdit->setText("capture");
        }
        static_cast<QDialog*>(pDialog)->accept();  // as the Save button does
    });
    View()->OnKeyDown(VK_F1, 1, 0);
    ui::SetUIServices(pOld);
    ASSERT_TRUE(bInspected);
    EXPECT_EQ(shown, (std::vector<std::string>{"SHOUT.MOV", "clip.mov"}));
    ASSERT_TRUE(g_bCapturing);
    Paint(0);
    View()->OnKeyDown(VK_F1, 1, 0);
    EXPECT_EQ(movietest::ReadMovie(Path("capture.mov")).frames.size(), 1u);
}
