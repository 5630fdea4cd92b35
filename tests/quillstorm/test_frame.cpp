// The main frame's close prompt, dropped files, the canvas size, the element callback on shut-down and
// the splash.
#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTest>

#include "appfixture.h"
#include "kinetype/ktbook.h"
#include "quillstorm/splashdialog.h"

namespace {

using MainFrame = AppFixture;

// The close prompt: the answer, then (for Yes) the Save As dialog and whether the save can be written.
TEST_F(MainFrame, ClosePromptTable) {
    enum class SaveAs { None, Cancel, Writable, Unwritable };
    struct Case {
        const char* name;
        BYTE modified;
        int answer;
        SaveAs saveAs;
        BOOL closes;
        size_t boxes;  // message boxes shown: the prompt, and the save error
    } cases[] = {
        {"unmodified closes without asking", 0, 0, SaveAs::None, TRUE, 0},
        {"Cancel stays open", 1, IDCANCEL, SaveAs::None, FALSE, 1},
        {"No closes", 1, IDNO, SaveAs::None, TRUE, 1},
        {"Yes, Save As cancelled, stays open", 1, IDYES, SaveAs::Cancel, FALSE, 1},
        {"Yes, saved, closes", 1, IDYES, SaveAs::Writable, TRUE, 1},
        {"Yes, save failed, stays open", 1, IDYES, SaveAs::Unwritable, FALSE, 2},
    };
    ASSERT_TRUE(Start());
    QDir(m_dir.path()).mkdir("folder.qsd");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.Clear();
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        CQuillView* v = View();
        v->m_bModified = c.modified;
        if (c.modified) m_ui.AnswerMessageBox(c.answer);
        if (c.saveAs == SaveAs::Cancel) m_ui.CancelFileDialog();
        if (c.saveAs == SaveAs::Writable) m_ui.AnswerFileDialog(Path("saved.qsd"));
        if (c.saveAs == SaveAs::Unwritable) {
            m_ui.AnswerFileDialog(Path("folder.qsd"));  // a folder cannot be written
            m_ui.AnswerMessageBox(IDOK);                // the file error
        }
        EXPECT_EQ(Frame()->OnClose(), c.closes);
        EXPECT_EQ(m_ui.Calls().size(), c.boxes + (c.saveAs == SaveAs::None ? 0 : 1));
        EXPECT_TRUE(m_ui.AllScripted());
        if (c.modified) {
            EXPECT_EQ(m_ui.Calls()[0].strText, "Save changes before exiting Quillstorm!?");
            EXPECT_EQ(m_ui.Calls()[0].nType & MB_TYPEMASK, MB_YESNOCANCEL);
        }
        if (c.saveAs == SaveAs::Writable) {
            EXPECT_EQ(v->m_bModified, 0);
            EXPECT_EQ(v->m_strPath, "saved.qsd");
            QFile f(QString::fromStdString(Path("saved.qsd")));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            ASSERT_GE(bytes.size(), 28);
            EXPECT_EQ(bytes.left(20), QByteArray("\x13version 0.969 alpha"));
            const auto* tail = reinterpret_cast<const unsigned char*>(bytes.constData() + bytes.size() - 8);
            EXPECT_EQ(tail[0] | tail[1] << 8, v->width());
            EXPECT_EQ(tail[4] | tail[5] << 8, v->height());
        }
    }
}

TEST_F(MainFrame, ClosingTheWindowDestroysTheViewBeforeTheBook) {
    ASSERT_TRUE(Start());
    CMainFrame* pFrame = Frame();
    EXPECT_TRUE(pFrame->close());
    EXPECT_EQ(pFrame->GetActiveView(), nullptr);
    EXPECT_EQ(g_pView, nullptr);
    // The book no longer knows the view: deleting it later reaches nothing of the view.
    EXPECT_EQ(Book()->GetWindow(), nullptr);
}

TEST_F(MainFrame, ACancelledCloseKeepsTheWindow) {
    ASSERT_TRUE(Start());
    View()->m_bModified = 1;
    m_ui.AnswerMessageBox(IDCANCEL);
    EXPECT_FALSE(Frame()->close());
    EXPECT_NE(g_pView, nullptr);
    EXPECT_TRUE(Frame()->isVisible());
}

// A file dropped (or opened from the recent-file list) on a modified scene gets Open's prompt.
TEST_F(MainFrame, ADropOnAModifiedSceneAsksFirst) {
    ASSERT_TRUE(Start());
    struct Case {
        BYTE modified;
        int answer;
        bool cancelled;
        size_t boxes;  // the prompt and the loader's error for the missing file
    } cases[] = {
        {1, IDCANCEL, true, 1},
        {1, IDNO, false, 2},
        {0, 0, false, 1},
    };
    for (const Case& c : cases) {
        m_ui.Clear();
        View()->m_bModified = c.modified;
        if (c.modified) m_ui.AnswerMessageBox(c.answer);
        BOOL bCancelled = FALSE;
        EXPECT_FALSE(m_pApp->OpenDocumentFile("dropped.qsd", &bCancelled));
        EXPECT_EQ(bCancelled != FALSE, c.cancelled);
        ASSERT_EQ(m_ui.Calls().size(), c.boxes);
        if (c.modified) {
            EXPECT_EQ(m_ui.Calls()[0].strText, "Save changes before opening a new file?");
        }
        EXPECT_TRUE(m_pApp->m_pDocument->GetPathName().IsEmpty());
    }
}

TEST_F(MainFrame, CanvasSizeMakesTheClientAreaThatSize) {
    ASSERT_TRUE(Start());
    View()->SetCanvasSize(320, 240);
    EXPECT_EQ(View()->width(), 320);
    EXPECT_EQ(View()->height(), 240);
    EXPECT_EQ(Frame()->GetWindowRect().TopLeft(), CPoint(0, 0));
}

TEST_F(MainFrame, AcceleratorsForCutAndUndoDoNothing) {
    ASSERT_TRUE(Start());
    Frame()->activateWindow();
    QApplication::setActiveWindow(Frame());
    const CRect before = Frame()->GetWindowRect();
    for (auto keys : {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Z)}) {
        QTest::keySequence(View(), keys);
    }
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Frame()->GetWindowRect(), before);
    // Save As through its accelerator asks for a file.
    m_ui.CancelFileDialog();
    QTest::keySequence(View(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(m_ui.Calls().size(), 1u);
}

// ---- splash --------------------------------------------------------------------------------------

TEST(Splash, ClosesOnTheSixteenthTickOrAButtonRelease) {
    {
        CSplashDialog splash;
        splash.show();
        EXPECT_EQ(splash.size(), QSize(400, 298));
        EXPECT_EQ(splash.m_strVersion, "version 0.969 alpha");
        EXPECT_EQ(CSplashDialog::VersionRect(), QRect(275, 260, 105, 13));
        for (int i = 1; i <= 15; ++i) {
            splash.OnTimer(CSplashDialog::kTimerId);
            EXPECT_FALSE(splash.IsClosePosted()) << i;
        }
        splash.OnTimer(7);  // another timer: nothing
        EXPECT_EQ(splash.m_nCount, 15);
        splash.OnTimer(CSplashDialog::kTimerId);
        EXPECT_TRUE(splash.IsClosePosted());
        EXPECT_TRUE(splash.isVisible());  // posted, closed when the loop runs
        QCoreApplication::processEvents();
        EXPECT_FALSE(splash.isVisible());
    }
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        CSplashDialog splash;
        splash.show();
        QTest::mouseRelease(&splash, button, Qt::NoModifier, QPoint(10, 10));
        EXPECT_TRUE(splash.IsClosePosted());
        QCoreApplication::processEvents();
        EXPECT_FALSE(splash.isVisible());
    }
    {
        CSplashDialog splash;
        splash.m_nTimeout = -1;  // a negative timeout never closes by time
        splash.show();
        for (int i = 0; i < 100; ++i) splash.OnTimer(CSplashDialog::kTimerId);
        EXPECT_FALSE(splash.IsClosePosted());
    }
}

TEST_F(MainFrame, TheSplashIsCentredOverTheMainWindow) {
    ASSERT_TRUE(Start());
    CSplashDialog splash;
    splash.show();
    const QRect f = Frame()->frameGeometry();
    EXPECT_EQ(splash.pos(), QPoint(f.left() + (f.width() - 400) / 2, f.top() + (f.height() - 298) / 2));
}

}  // namespace
