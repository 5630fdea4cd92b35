// The file commands: the save prompt of New and Open, Save and Save As with their failures, Open, the
// recent-file list, the scene reset, and a document named on the command line.
#include <QDir>
#include <QSettings>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "test_document.h"

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktglobals.h"
#include "pumenu/pumenuitem.h"

namespace {

using FileCommands = DocumentFixture;

std::string Cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}

// The entries of a folder, hidden ones included (a temporary file left behind would show).
QStringList Entries(const std::string& folder) {
    return QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST_F(FileCommands, TheNewAndOpenPromptTable) {
    enum class Command { New, Open };
    struct Case {
        const char* name;
        Command command;
        BYTE modified;
        int answer;        // the prompt's answer (0: no prompt)
        bool bSaveFails;   // m_strPath cannot be written
        bool bSaved;       // the scene was written to m_strPath
        bool bGoesOn;      // New: a new scene; Open: the open dialog (cancelled here)
    };
    const Case cases[] = {
        {"New, unmodified", Command::New, 0, 0, false, false, true},
        {"New, Cancel", Command::New, 1, IDCANCEL, false, false, false},
        {"New, No", Command::New, 1, IDNO, false, false, true},
        {"New, Yes", Command::New, 1, IDYES, false, true, true},
        {"New, Yes, the save fails", Command::New, 1, IDYES, true, false, false},
        {"Open, unmodified", Command::Open, 0, 0, false, false, true},
        {"Open, Cancel", Command::Open, 1, IDCANCEL, false, false, false},
        {"Open, No", Command::Open, 1, IDNO, false, false, true},
        {"Open, Yes", Command::Open, 1, IDYES, false, true, true},
        {"Open, Yes, the save fails", Command::Open, 1, IDYES, true, false, false},
    };
    WriteBytes("notafolder", {'x'});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UserScene();
        Book()->SetBackgroundColor(RGB(1, 2, 3));
        v()->m_bModified = c.modified;
        v()->NameScene(c.bSaveFails ? "notafolder/mine.qsd" : "mine.qsd");
        std::remove(Path("mine.qsd").c_str());
        CKTBook* pBefore = Book();
        m_ui.Clear();
        if (c.answer) m_ui.AnswerMessageBox(c.answer);
        if (c.bSaveFails) m_ui.AnswerMessageBox(IDOK);
        const bool bDialog = c.command == Command::Open && c.bGoesOn;
        if (bDialog) m_ui.CancelFileDialog();

        if (c.command == Command::New)
            v()->OnFileNew();
        else
            v()->OnFileOpen();

        EXPECT_TRUE(m_ui.AllScripted());
        EXPECT_EQ(m_ui.PendingAnswers(), 0u);
        ASSERT_EQ(m_ui.Calls().size(), (c.answer ? 1u : 0u) + (c.bSaveFails ? 1u : 0u) + (bDialog ? 1u : 0u));
        if (c.answer) {
            EXPECT_EQ(m_ui.Calls()[0].strText, "Save changes before opening a new file?");
            EXPECT_EQ(m_ui.Calls()[0].nType & MB_TYPEMASK, MB_YESNOCANCEL);
        }
        if (c.bSaveFails) {
            EXPECT_EQ(m_ui.Calls()[1].strText, "notafolder/mine.qsd contains an incorrect path.");
        }
        if (bDialog) {
            EXPECT_EQ(m_ui.Calls().back().kind, ui::CScriptedUIServices::Kind::FileDialog);
        }

        EXPECT_EQ(Exists(Path("mine.qsd")), c.bSaved);
        if (c.bSaved) {
            KTLoadResult r = KTLoadDocumentFile(CString(Path("mine.qsd").c_str()));
            ASSERT_EQ(r.status, KTLoadStatus::loaded);
            KTDeleteBook(r.pBook);
        }
        if (c.command == Command::New && c.bGoesOn) {
            EXPECT_EQ(g_pCurrentBook, Book());
            EXPECT_EQ(Text(), "");
            EXPECT_EQ(v()->m_bModified, 0);
            EXPECT_EQ(v()->m_strPath, "Untitled.qsd");
            EXPECT_EQ(Book()->GetBackgroundColor(), RGB(255, 255, 255));
            EXPECT_EQ(Book()->GetRunState(), 0);
            EXPECT_STREQ(v()->m_pSimulateItem->GetLabel(), "simulate");
            EXPECT_EQ(v()->m_pTextRoot, Book()->GetRoot());
            EXPECT_EQ(v()->m_pCurPassage, nullptr);
            ASSERT_NE(v()->m_pCollisionDetector, nullptr);
            EXPECT_EQ(v()->m_pCollisionDetector, KTGetCollisionDetector(*Book()));
            EXPECT_TRUE(v()->m_pCollisionDetector->IsRunning());
            EXPECT_EQ(Book()->GetBehaviorCount(), 1);
        } else {
            EXPECT_EQ(Book(), pBefore);
            EXPECT_EQ(Text(), "mine");
            EXPECT_EQ(v()->m_bModified, c.bSaved ? 0 : c.modified);
        }
    }
}

TEST_F(FileCommands, SaveWritesTheFrameToThePath) {
    Type("Hello world");
    v()->NameScene("frame.qsd");
    v()->m_bModified = 1;
    g_fFileVersion = 0.5f;
    EXPECT_TRUE(v()->OnFileSave());
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(v()->m_bModified, 0);
    EXPECT_EQ(g_fFileVersion, 0.969f);
    const std::vector<BYTE> bytes = ReadBytes(Path("frame.qsd"));
    ASSERT_GT(bytes.size(), 28u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 20), std::string("\x13version 0.969 alpha"));
    const BYTE kSize[] = {0x80, 0x02, 0, 0, 0xE0, 0x01, 0, 0};  // 640 and 480, little-endian
    EXPECT_EQ(std::vector<BYTE>(bytes.end() - 8, bytes.end()), std::vector<BYTE>(std::begin(kSize), std::end(kSize)));
    EXPECT_EQ(bytes, KTSaveDocument(*Book(), 640, 480));
}

// A save that fails shows the file error, keeps the file that was there and the modified flag; Save
// As then names nothing.
TEST_F(FileCommands, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    Type("first");
    v()->NameScene("scene.qsd");
    ASSERT_TRUE(v()->OnFileSave());
    const std::vector<BYTE> old = ReadBytes(Path("scene.qsd"));
    QDir(m_dir.path()).mkdir("ro");
    v()->NameScene("ro/scene.qsd");
    ASSERT_TRUE(v()->OnFileSave());
    WriteBytes("notafolder", {'x'});
    const CString strDocPath = m_pApp->m_pDocument->GetPathName();
    const int nRecent = m_pApp->GetRecentFileList().GetCount();
    Type(" second");

    struct Case {
        const char* name;
        bool bSaveAs;
        const char* path;  // m_strPath, or the path chosen in the Save As dialog
        const char* message;
    };
    const Case cases[] = {
        {"the disk is full", false, "scene.qsd", "The disk is full while accessing scene.qsd."},
        {"a read-only folder", false, "ro/scene.qsd", "Access to ro/scene.qsd was denied."},
        {"Save As into a folder that is a file", true, "notafolder/as.qsd", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        if (name == "a read-only folder" && geteuid() == 0) {
            // Folder permissions do not bind the superuser.
            continue;
        }
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        m_ui.Clear();
        v()->m_bModified = 1;
        v()->NameScene(c.bSaveAs ? "scene.qsd" : c.path);
        std::unique_ptr<CFileSizeLimit> limit;
        if (name == "the disk is full") {
            limit = std::make_unique<CFileSizeLimit>(64);
            ASSERT_TRUE(limit->IsSet());
        }
        if (name == "a read-only folder") chmod(Path("ro").c_str(), 0555);
        BOOL bSaved;
        if (c.bSaveAs) {
            m_ui.AnswerFileDialog(Path(c.path));
            m_ui.AnswerMessageBox(IDOK);
            bSaved = v()->OnFileSaveAs();
        } else {
            m_ui.AnswerMessageBox(IDOK);
            bSaved = v()->OnFileSave();
        }
        limit.reset();
        chmod(Path("ro").c_str(), 0755);

        EXPECT_FALSE(bSaved);
        ASSERT_EQ(m_ui.Calls().size(), c.bSaveAs ? 2u : 1u);
        const std::string message = c.message ? c.message : Path(c.path) + " contains an incorrect path.";
        EXPECT_EQ(m_ui.Calls().back().strText, message);
        EXPECT_EQ(v()->m_bModified, 1);
        EXPECT_EQ(v()->m_strPath, c.bSaveAs ? "scene.qsd" : c.path);
        EXPECT_EQ(ReadBytes(Path("scene.qsd")), old);
        EXPECT_EQ(Entries(Path("ro")), QStringList{"scene.qsd"});
        EXPECT_EQ(ReadBytes(Path("notafolder")), std::vector<BYTE>{'x'});
        EXPECT_EQ(m_pApp->m_pDocument->GetPathName(), strDocPath);
        EXPECT_EQ(m_pApp->GetRecentFileList().GetCount(), nRecent);
    }
    EXPECT_FALSE(Entries(m_dir.path().toStdString()).join(",").contains(".tmp"));
}

// Save As: the dialog makes the chosen folder current, the scene takes the file's bare name, and Save
// then writes there; the document's path name and the recent-file list get the full path.
TEST_F(FileCommands, SaveAsNamesTheSceneOnlyWhenItSaved) {
    QDir(m_dir.path()).mkpath("sub");
    Type("as");
    v()->m_bModified = 1;
    m_ui.CancelFileDialog();
    EXPECT_FALSE(v()->OnFileSaveAs());
    EXPECT_EQ(v()->m_strPath, "Untitled.qsd");
    EXPECT_EQ(v()->m_bModified, 1);
    EXPECT_TRUE(m_pApp->m_pDocument->GetPathName().IsEmpty());

    m_ui.Clear();
    m_ui.AnswerFileDialog(Path("sub/b"));  // the default extension is added
    EXPECT_TRUE(v()->OnFileSaveAs());
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    const ui::FileDialogRequest& rq = m_ui.Calls()[0].file;
    EXPECT_FALSE(rq.bOpen);
    EXPECT_EQ(rq.strDefExt, ".qsd");
    EXPECT_EQ(rq.strFileName, "Untitled.qsd");
    EXPECT_EQ(rq.dwFlags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(rq.strFilter, "Quillstorm Files (*.qsd)|*.qsd||");
    EXPECT_EQ(v()->m_strPath, "b.qsd");
    EXPECT_EQ(v()->m_bModified, 0);
    EXPECT_EQ(Cwd(), Path("sub"));
    EXPECT_EQ(m_pApp->m_pDocument->GetPathName().str(), Path("sub/b.qsd"));
    EXPECT_EQ(m_pApp->GetRecentFileList()[0].str(), Path("sub/b.qsd"));
    EXPECT_EQ(Frame()->windowTitle().toStdString(), "b.qsd - Quillstorm!");

    // Save writes the bare name in the chosen folder.
    Type("!");
    EXPECT_TRUE(v()->OnFileSave());
    EXPECT_EQ(ReadBytes(Path("sub/b.qsd")), KTSaveDocument(*Book(), 640, 480));
    EXPECT_FALSE(Exists(Path("b.qsd")));
}

// Open: the chosen file loads and names the scene (bare name, its folder current); a file that does
// not load names nothing.
TEST_F(FileCommands, OpenLoadsTheChosenFileAndNamesIt) {
    QDir(m_dir.path()).mkpath("sub");
    Type("Hello world");
    v()->OnChar('\r', 1, 0);
    Type("second line");
    Book()->SetBackgroundColor(RGB(10, 20, 30));
    v()->NameScene(Path("sub/open.qsd").c_str());
    ASSERT_TRUE(v()->OnFileSave());
    const std::vector<GlyphPlace> saved = Places();
    WriteBytes("sub/broken.qsd", {0x13, 'v'});
    UserScene();
    v()->m_bModified = 0;

    m_ui.AnswerFileDialog(Path("sub/broken.qsd"));
    m_ui.AnswerMessageBox(IDOK);
    v()->OnFileOpen();
    ASSERT_EQ(m_ui.Calls().size(), 2u);
    EXPECT_EQ(m_ui.Calls()[0].file.dwFlags, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
    EXPECT_TRUE(m_ui.Calls()[0].file.bOpen);
    EXPECT_EQ(v()->m_strPath, "mine.qsd");
    EXPECT_EQ(Text(), "mine");
    EXPECT_TRUE(m_pApp->m_pDocument->GetPathName().IsEmpty());

    ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
    m_ui.Clear();
    m_ui.AnswerFileDialog(Path("sub/open.qsd"));
    v()->OnFileOpen();
    EXPECT_TRUE(m_ui.AllScripted());
    EXPECT_EQ(Places(), saved);
    EXPECT_EQ(Book()->GetBackgroundColor(), RGB(10, 20, 30));
    EXPECT_EQ(v()->m_strPath, "open.qsd");
    EXPECT_EQ(Cwd(), Path("sub"));
    EXPECT_EQ(m_pApp->m_pDocument->GetPathName().str(), Path("sub/open.qsd"));
    EXPECT_EQ(m_pApp->GetRecentFileList()[0].str(), Path("sub/open.qsd"));
}

// Four recent files, newest first, as full paths, kept in the settings from one run to the next.
TEST_F(FileCommands, TheRecentFileListKeepsFourFullPathsAcrossRuns) {
    for (const char* name : {"a.qsd", "b.qsd", "c.qsd", "d.qsd", "e.qsd", "c.qsd"}) {
        m_ui.AnswerFileDialog(Path(name));
        ASSERT_TRUE(v()->OnFileSaveAs());
    }
    WriteBytes("broken.qsd", {});
    m_ui.AnswerFileDialog(Path("broken.qsd"));
    m_ui.AnswerMessageBox(IDOK);
    v()->OnFileOpen();  // does not load: not recorded
    const std::vector<std::string> expected = {Path("c.qsd"), Path("e.qsd"), Path("d.qsd"), Path("b.qsd")};
    const CRecentFileList& list = m_pApp->GetRecentFileList();
    ASSERT_EQ(list.GetCount(), 4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(list[i].str(), expected[static_cast<size_t>(i)]);

    m_pApp.reset();  // the program ends and writes its settings
    {
        QSettings settings(m_dir.path() + "/settings.ini", QSettings::IniFormat);
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(settings.value(QString("Recent File List/File%1").arg(i + 1)).toString().toStdString(),
                      expected[static_cast<size_t>(i)]);
    }
    ASSERT_TRUE(Start());
    const CRecentFileList& again = m_pApp->GetRecentFileList();
    ASSERT_EQ(again.GetCount(), 4);
    for (int i = 0; i < 4; i++) EXPECT_EQ(again[i].str(), expected[static_cast<size_t>(i)]);
}

TEST_F(FileCommands, ResetGivesANewRunningSceneWithTheBackgroundColour) {
    Type("old");
    Book()->SetBackgroundColor(RGB(5, 6, 7));
    v()->m_bModified = 1;
    v()->NameScene("mine.qsd");
    v()->ResetDocument();
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(Book()->GetBackgroundColor(), RGB(5, 6, 7));
    EXPECT_EQ(Book()->GetRunState(), 1);
    EXPECT_STREQ(v()->m_pSimulateItem->GetLabel(), "stop simulate");
    EXPECT_EQ(v()->m_bModified, 0);
    EXPECT_EQ(v()->m_strPath, "Untitled.qsd");
    ASSERT_NE(v()->m_pCollisionDetector, nullptr);
    EXPECT_EQ(v()->m_pCollisionDetector, KTGetCollisionDetector(*Book()));
    EXPECT_TRUE(v()->m_pCollisionDetector->IsRunning());
    v()->OnTimer(CQuillView::kFrameTimerId);
    EXPECT_DOUBLE_EQ(Book()->GetClock(), 0.01);
}

// As a user would: type, save with Ctrl+S (the untitled scene asks for its name), quit, start again
// with the file on the command line. The document is read twice; the text stands where it stood.
TEST_F(FileCommands, ASavedSceneComesBackFromTheCommandLine) {
    Type("Hello world");
    const std::vector<GlyphPlace> typed = Places();
    ASSERT_FALSE(typed.empty());
    Frame()->activateWindow();
    QApplication::setActiveWindow(Frame());
    m_ui.AnswerFileDialog(Path("hello.qsd"));
    QTest::keySequence(View(), QKeySequence(Qt::CTRL | Qt::Key_S));
    ASSERT_TRUE(Exists(Path("hello.qsd")));
    EXPECT_EQ(v()->m_bModified, 0);
    EXPECT_TRUE(Frame()->close());  // nothing to save: no prompt
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    m_ui.Clear();
    m_pApp.reset();

    ASSERT_TRUE(Start({"hello.qsd"}));
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Places(), typed);
    EXPECT_EQ(v()->m_strPath, "hello.qsd");
    EXPECT_EQ(v()->m_bModified, 0);
    EXPECT_EQ(m_pApp->m_pDocument->GetPathName().str(), Path("hello.qsd"));
    EXPECT_EQ(v()->m_pTextRoot, Book()->GetRoot());
}

// A document named by a relative or an absolute path opens; one that does not load ends the program
// after the loader's one message (the second read never comes).
TEST_F(FileCommands, ACommandLineDocumentOpensOrEndsTheProgram) {
    Type("a");
    WriteForm("doc.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    WriteBytes("broken.qsd", {0x13, 'v', 'e', 'r'});
    m_pApp.reset();
    const std::string kCouldNot =
        "The data from this pre-release or unidentified version file could not be loaded because of this error: "
        "\nAn attempt was made to access ";
    struct Case {
        std::string arg;
        std::string message;  // the one message box; empty: it opens
    } cases[] = {
        {"doc.qsd", ""},
        {Path("doc.qsd"), ""},
        {"missing.qsd", "missing.qsd was not found."},
        {Path("missing.qsd"), Path("missing.qsd") + " was not found."},
        {"broken.qsd", kCouldNot + "broken.qsd past its end."},
        {Path("broken.qsd"), kCouldNot + Path("broken.qsd") + " past its end."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        m_ui.Clear();
        const bool bOpens = c.message.empty();
        EXPECT_EQ(Start({c.arg}), bOpens ? TRUE : FALSE);
        EXPECT_EQ(m_pApp->IsRunning(), bOpens ? TRUE : FALSE);
        if (bOpens) {
            EXPECT_TRUE(m_ui.Calls().empty());
            EXPECT_EQ(Text(), "a");
            EXPECT_EQ(v()->m_strPath.str(), c.arg);
        } else {
            ASSERT_EQ(m_ui.Calls().size(), 1u);
            EXPECT_EQ(m_ui.Calls()[0].strText, c.message);
        }
        m_pApp.reset();
    }
}

// A document on the command line whose last save was cut short: the program names the recovery copy
// once, though it reads the document twice, and the answer holds for both reads. Cancel opens
// nothing, which ends the program as a document that does not load does.
TEST_F(FileCommands, ACommandLineDocumentWithARecoveryCopyAsksOnce) {
    struct Case {
        int nAnswer;
        bool bStarts;
        const char* text;
        BYTE bModified;
    } cases[] = {{IDYES, true, "copy", 1}, {IDNO, true, "file", 0}, {IDCANCEL, false, "", 0}};
    Type("file");
    WriteForm("doc.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    v()->m_bModified = 0;
    v()->OnFileNew();
    Type("copy");
    WriteForm("doc.qsd.recovery.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    m_pApp.reset();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nAnswer);
        m_ui.Clear();
        m_ui.AnswerMessageBox(c.nAnswer);
        EXPECT_EQ(Start({"doc.qsd"}), c.bStarts ? TRUE : FALSE);
        ASSERT_EQ(m_ui.Calls().size(), 1u);
        EXPECT_EQ(m_ui.Calls()[0].strCaption, KT_RECOVERY_COPY_CAPTION);
        if (c.bStarts) {
            EXPECT_EQ(Text(), c.text);
            EXPECT_EQ(v()->m_bModified, c.bModified);
            EXPECT_EQ(v()->m_strPath, "doc.qsd");
        }
        EXPECT_TRUE(Exists(Path("doc.qsd.recovery.qsd")));
        m_pApp.reset();
    }
}

TEST_F(FileCommands, ANewerFileOnTheCommandLineAsksTwice) {
    Type("new");
    WriteForm("v.qsd", "version 1.2", 1.2f, 500, 400);
    m_pApp.reset();

    m_ui.Clear();
    m_ui.AnswerMessageBox(IDOK);
    m_ui.AnswerMessageBox(IDOK);
    ASSERT_TRUE(Start({"v.qsd"}));
    ASSERT_EQ(m_ui.Calls().size(), 2u);
    EXPECT_EQ(m_ui.Calls()[0].strCaption, "Quillstorm! potential version conflict");
    EXPECT_EQ(m_ui.Calls()[1].strCaption, "Quillstorm! potential version conflict");
    EXPECT_EQ(Text(), "new");
    EXPECT_EQ(View()->size(), QSize(500, 400));  // the second read applies the stored size
    m_pApp.reset();

    m_ui.Clear();
    m_ui.AnswerMessageBox(IDCANCEL);
    EXPECT_FALSE(Start({"v.qsd"}));
    EXPECT_EQ(m_ui.Calls().size(), 1u);
}

// A dropped file replaces an unmodified scene without a prompt; Save then writes the dropped file.
TEST_F(FileCommands, ADroppedFileBecomesTheSavePath) {
    Type("dropped");
    WriteForm("dropped.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    UserScene();
    v()->m_bModified = 0;
    EXPECT_TRUE(m_pApp->OpenDocumentFile(Path("dropped.qsd").c_str()));
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "dropped");
    EXPECT_EQ(v()->m_strPath.str(), Path("dropped.qsd"));
    Type("!");
    EXPECT_TRUE(v()->OnFileSave());
    EXPECT_EQ(ReadBytes(Path("dropped.qsd")), KTSaveDocument(*Book(), 640, 480));
}

// A scene that was never named: every save that would write it (Ctrl+S, and "Yes" to the prompt
// before New, Open, a dropped and a handed-over file) asks for a name first. Cancel there writes
// nothing and cancels what asked; a chosen name is written and what asked goes on. An Untitled.qsd
// already in the folder is never touched.
TEST_F(FileCommands, AnUntitledSceneAsksForItsNameBeforeItIsWritten) {
    enum class Asker { CtrlS, New, Open, Drop, HandOver };
    struct Case {
        const char* name;
        Asker asker;
        bool bConfirmed;  // the save dialog's answer: a name, or Cancel
    };
    const Case cases[] = {
        {"Ctrl+S, named", Asker::CtrlS, true},         {"Ctrl+S, cancelled", Asker::CtrlS, false},
        {"New, Yes, named", Asker::New, true},         {"New, Yes, cancelled", Asker::New, false},
        {"Open, Yes, named", Asker::Open, true},       {"Open, Yes, cancelled", Asker::Open, false},
        {"drop, Yes, named", Asker::Drop, true},       {"drop, Yes, cancelled", Asker::Drop, false},
        {"hand-over, Yes, named", Asker::HandOver, true}, {"hand-over, Yes, cancelled", Asker::HandOver, false},
    };
    Type("other");
    WriteForm("other.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    const std::vector<BYTE> kEarlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    Frame()->activateWindow();
    QApplication::setActiveWindow(Frame());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        WriteBytes("Untitled.qsd", kEarlier);
        std::remove(Path("chosen.qsd").c_str());
        v()->m_bModified = 0;
        v()->OnFileNew();
        Type("mine");
        v()->m_bModified = 1;
        CKTBook* pBefore = Book();
        const std::vector<BYTE> mine = KTSaveDocument(*Book(), 640, 480);
        m_ui.Clear();
        if (c.asker != Asker::CtrlS) m_ui.AnswerMessageBox(IDYES);
        if (c.bConfirmed)
            m_ui.AnswerFileDialog(Path("chosen"));
        else
            m_ui.CancelFileDialog();
        if (c.bConfirmed && c.asker == Asker::Open) m_ui.AnswerFileDialog(Path("other.qsd"));

        BOOL bCancelled = FALSE;
        switch (c.asker) {
            case Asker::CtrlS: QTest::keySequence(View(), QKeySequence(Qt::CTRL | Qt::Key_S)); break;
            case Asker::New: v()->OnFileNew(); break;
            case Asker::Open: v()->OnFileOpen(); break;
            case Asker::Drop:
                EXPECT_EQ(m_pApp->OpenDocumentFile(Path("other.qsd").c_str(), &bCancelled) != FALSE, c.bConfirmed);
                EXPECT_EQ(bCancelled != FALSE, !c.bConfirmed);
                break;
            case Asker::HandOver: m_pApp->OpenHandedOverDocument(Path("other.qsd").c_str()); break;
        }

        EXPECT_TRUE(m_ui.AllScripted());
        EXPECT_EQ(m_ui.PendingAnswers(), 0u);
        const size_t nSaveDialog = c.asker == Asker::CtrlS ? 0 : 1;
        ASSERT_GT(m_ui.Calls().size(), nSaveDialog);
        const ui::CScriptedUIServices::Call& save = m_ui.Calls()[nSaveDialog];
        EXPECT_EQ(save.kind, ui::CScriptedUIServices::Kind::FileDialog);
        EXPECT_FALSE(save.file.bOpen);
        EXPECT_EQ(save.file.dwFlags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        EXPECT_EQ(save.file.strFileName, "Untitled.qsd");
        EXPECT_EQ(m_ui.Calls().size(), nSaveDialog + 1 + (c.bConfirmed && c.asker == Asker::Open ? 1 : 0));

        EXPECT_EQ(ReadBytes(Path("Untitled.qsd")), kEarlier) << "the earlier scene's file stays";
        EXPECT_EQ(Exists(Path("chosen.qsd")), c.bConfirmed);
        if (c.bConfirmed) {
            EXPECT_EQ(ReadBytes(Path("chosen.qsd")), mine);
        }
        // Whether what asked went on.
        if (!c.bConfirmed) {
            EXPECT_EQ(Book(), pBefore);
            EXPECT_EQ(Text(), "mine");
            EXPECT_EQ(v()->m_bModified, 1);
            EXPECT_EQ(v()->m_bUntitled, 1);
            EXPECT_EQ(v()->m_strPath, "Untitled.qsd");
        } else if (c.asker == Asker::CtrlS) {
            EXPECT_EQ(Book(), pBefore);
            EXPECT_EQ(Text(), "mine");
            EXPECT_EQ(v()->m_bModified, 0);
            EXPECT_EQ(v()->m_bUntitled, 0);
            EXPECT_EQ(v()->m_strPath, "chosen.qsd");
        } else if (c.asker == Asker::New) {
            EXPECT_EQ(Text(), "");
            EXPECT_EQ(v()->m_bUntitled, 1);
        } else {
            EXPECT_EQ(Text(), "other");
            EXPECT_EQ(v()->m_bUntitled, 0);
        }
    }
}

// The flag follows the scene's name, not its text: Open, Save As (under any name, "Untitled.qsd"
// included) and a load of a named file clear it, New and reset set it. A named scene saves without a
// dialog, an untitled one asks. The window title follows: the file's name, or for an untitled scene
// what start-up shows.
TEST_F(FileCommands, OpenSaveAsAndNamedLoadsNameTheSceneNewAndResetDoNot) {
    Type("named");
    WriteForm("named.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    enum class How { StartUp, New, Reset, Open, SaveAs, SaveAsUntitled, CommandLine, Drop, Pending };
    struct Case {
        const char* name;
        How how;
        const char* path;  // what Save then writes (nullptr: it asks)
    };
    const Case cases[] = {
        {"start-up", How::StartUp, nullptr},
        {"New", How::New, nullptr},
        {"reset", How::Reset, nullptr},
        {"Open", How::Open, "named.qsd"},
        {"Save As", How::SaveAs, "as.qsd"},
        {"Save As Untitled.qsd", How::SaveAsUntitled, "Untitled.qsd"},
        {"a document's load (command line)", How::CommandLine, "named.qsd"},
        {"a document's load (drop, hand-over)", How::Drop, "named.qsd"},
        {"the load-file behaviour's pending load", How::Pending, "named.qsd"},
    };
    std::string strUntitledTitle;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        m_ui.Clear();
        if (c.how != How::StartUp) {
            v()->NameScene("before.qsd");
            m_pApp->m_pDocument->SetPathName("before.qsd");
            v()->m_bModified = 0;
        }
        switch (c.how) {
            case How::StartUp:
                m_pApp.reset();
                ASSERT_TRUE(Start());
                NewCanvas();
                break;
            case How::New: v()->OnFileNew(); break;
            case How::Reset: v()->ResetDocument(); break;
            case How::Open:
                m_ui.AnswerFileDialog(Path("named.qsd"));
                v()->OnFileOpen();
                break;
            case How::SaveAs:
                m_ui.AnswerFileDialog(Path("as.qsd"));
                EXPECT_TRUE(v()->OnFileSaveAs());
                break;
            case How::SaveAsUntitled:
                m_ui.AnswerFileDialog(Path("Untitled.qsd"));
                EXPECT_TRUE(v()->OnFileSaveAs());
                break;
            case How::CommandLine: EXPECT_TRUE(m_pApp->m_pDocument->OnOpenDocument("named.qsd")); break;
            case How::Drop: EXPECT_TRUE(m_pApp->OpenDocumentFile("named.qsd")); break;
            case How::Pending:
                Book()->m_strPendingLoad = "named.qsd";
                v()->OnTimer(CQuillView::kFrameTimerId);
                break;
        }
        EXPECT_TRUE(m_ui.AllScripted());
        EXPECT_EQ(v()->m_bUntitled, c.path ? 0 : 1);
        const std::string strTitle = Frame()->windowTitle().toStdString();
        if (c.how == How::StartUp) strUntitledTitle = strTitle;
        // (The document alone leaves its path name to the start-up, which sets it after the load.)
        if (c.how != How::CommandLine)
            EXPECT_EQ(strTitle, c.path ? std::string(c.path) + " - Quillstorm!" : strUntitledTitle);

        // Save: straight to the name, or the dialog (cancelled here).
        m_ui.Clear();
        std::remove(Path("Untitled.qsd").c_str());
        Type("!");
        if (c.path) {
            EXPECT_TRUE(v()->OnFileSave());
            EXPECT_TRUE(m_ui.Calls().empty());
            EXPECT_EQ(ReadBytes(Path(c.path)), KTSaveDocument(*Book(), 640, 480));
        } else {
            m_ui.CancelFileDialog();
            EXPECT_FALSE(v()->OnFileSave());
            ASSERT_EQ(m_ui.Calls().size(), 1u);
            EXPECT_EQ(m_ui.Calls()[0].kind, ui::CScriptedUIServices::Kind::FileDialog);
            EXPECT_FALSE(Exists(Path("Untitled.qsd")));
        }
    }
}

}  // namespace
