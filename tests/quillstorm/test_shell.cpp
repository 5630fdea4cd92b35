// The desktop's side: the desktop entry's Exec line, the document type and desktop entry written into
// a data folder (and the databases built from them), and documents handed from a later start to the
// running program.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <thread>

#include "test_document.h"

#include "kinetype/ktglobals.h"
#include "quillstorm/shellintegration.h"

namespace {

QString ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString LineStarting(const QString& text, const QString& start) {
    for (const QString& line : text.split('\n'))
        if (line.startsWith(start)) return line;
    return QString();
}

bool Installed(const char* tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); }

// The Exec line as the desktop-entry rules want it: quoted when a reserved character is in the path,
// '"', '`', '$' and '\' escaped inside the quotes, every backslash then written twice for the file's
// string escapes, and '%' written "%%".
TEST(ShellFiles, TheDesktopEntryRunsTheProgramOnTheFile) {
    struct Case {
        const char* program;
        const char* exec;
    } cases[] = {
        {"/usr/bin/quillstorm", "Exec=/usr/bin/quillstorm %f"},
        {"/opt/my apps/quillstorm", "Exec=\"/opt/my apps/quillstorm\" %f"},
        {"/opt/a$b/q", "Exec=\"/opt/a\\\\$b/q\" %f"},
        {"/opt/a\\b/q", "Exec=\"/opt/a\\\\\\\\b/q\" %f"},
        {"/opt/\"q\"", "Exec=\"/opt/\\\\\"q\\\\\"\" %f"},
        {"/opt/100%/q", "Exec=/opt/100%%/q %f"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        const QString text = ShellDesktopEntryText(QString::fromUtf8(c.program));
        EXPECT_EQ(LineStarting(text, "Exec=").toStdString(), c.exec);
        EXPECT_EQ(LineStarting(text, "MimeType=").toStdString(), "MimeType=application/x-quillstorm-document;");
        EXPECT_EQ(LineStarting(text, "Type=").toStdString(), "Type=Application");
    }
    const QString mime = ShellMimePackageText();
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-quillstorm-document\">"));
    EXPECT_TRUE(mime.contains("<comment>Quillstorm Document</comment>"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.qsd\"/>"));
    EXPECT_TRUE(mime.contains("<match type=\"string\" offset=\"1\" value=\"version \"/>"));
}

class ShellRegistration : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString Data() const { return m_dir.path() + "/data"; }
    QString MimePackage() const { return Data() + "/mime/packages/quillstorm.xml"; }
    QString DesktopEntry() const { return Data() + "/applications/quillstorm.desktop"; }
};

TEST_F(ShellRegistration, WritesWhatIsMissingOrDifferentAndUpdatesTheDatabases) {
    const bool bMimeTool = Installed("update-mime-database");
    const bool bDesktopTool = Installed("update-desktop-database");
    const QStringList both = QStringList{"update-mime-database", "update-desktop-database"};
    auto ran = [&](bool bMime, bool bDesktop) {
        QStringList out;
        if (bMime && bMimeTool) out << both[0];
        if (bDesktop && bDesktopTool) out << both[1];
        return out;
    };

    CShellRegistration r = RegisterShellFileTypes(Data(), "/usr/bin/quillstorm");
    EXPECT_TRUE(r.bMimeWritten);
    EXPECT_TRUE(r.bDesktopWritten);
    EXPECT_EQ(r.ran, ran(true, true));
    EXPECT_EQ(ReadText(MimePackage()), ShellMimePackageText());
    EXPECT_EQ(ReadText(DesktopEntry()), ShellDesktopEntryText("/usr/bin/quillstorm"));
    // The databases know the type: its glob and magic, and the program that opens it.
    if (bMimeTool) {
        EXPECT_TRUE(ReadText(Data() + "/mime/globs2").contains("application/x-quillstorm-document:*.qsd"));
        EXPECT_TRUE(ReadText(Data() + "/mime/types").contains("application/x-quillstorm-document"));
        QFile magic(Data() + "/mime/magic");
        ASSERT_TRUE(magic.open(QIODevice::ReadOnly));
        const QByteArray bytes = magic.readAll();
        EXPECT_TRUE(bytes.contains("[50:application/x-quillstorm-document]\n>1="));
        EXPECT_TRUE(bytes.contains("version "));
    }
    if (bDesktopTool) {
        EXPECT_TRUE(ReadText(Data() + "/applications/mimeinfo.cache")
                        .contains("application/x-quillstorm-document=quillstorm.desktop;"));
    }

    // The same again: nothing to write, nothing to run.
    r = RegisterShellFileTypes(Data(), "/usr/bin/quillstorm");
    EXPECT_FALSE(r.bMimeWritten);
    EXPECT_FALSE(r.bDesktopWritten);
    EXPECT_TRUE(r.ran.isEmpty());

    // Another program's path: only the desktop entry changes.
    r = RegisterShellFileTypes(Data(), "/home/me/bin/quillstorm");
    EXPECT_FALSE(r.bMimeWritten);
    EXPECT_TRUE(r.bDesktopWritten);
    EXPECT_EQ(r.ran, ran(false, true));
    EXPECT_EQ(ReadText(DesktopEntry()), ShellDesktopEntryText("/home/me/bin/quillstorm"));

    // A database that went missing is built again.
    if (bMimeTool) {
        ASSERT_TRUE(QFile::remove(Data() + "/mime/mime.cache"));
        r = RegisterShellFileTypes(Data(), "/home/me/bin/quillstorm");
        EXPECT_EQ(r.ran, ran(true, false));
    }
}

TEST_F(ShellRegistration, AFolderThatCannotBeWrittenChangesNothing) {
    QFile blocker(Data());  // a file where the data folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const CShellRegistration r = RegisterShellFileTypes(Data(), "/usr/bin/quillstorm");
    EXPECT_FALSE(r.bMimeWritten);
    EXPECT_FALSE(r.bDesktopWritten);
    EXPECT_TRUE(r.ran.isEmpty());
    EXPECT_TRUE(RegisterShellFileTypes(QString(), "/usr/bin/quillstorm").ran.isEmpty());
}

// ---- the hand-over -----------------------------------------------------------------------------------

class ShellOpen : public DocumentFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();  // started by each test, with the desktop's side
    }
    QString Server() const { return m_dir.path() + "/server"; }
    std::string m_strServer;  // the socket StartWithShell uses, when not Server()
    BOOL StartWithShell(std::vector<std::string> args) {
        args.push_back("--no-splash");
        args.push_back("--settings=" + (m_dir.path() + "/settings.ini").toStdString());
        CQuillStartup startup = CQuillStartup::FromArguments(args);
        startup.strDataFolder = (m_dir.path() + "/data").toStdString();
        startup.strServerName = m_strServer.empty() ? Server().toStdString() : m_strServer;
        m_pApp = std::make_unique<CQuillApp>();
        return m_pApp->InitInstance(startup);
    }
    // A later start's hand-over, from another thread while this one runs the event loop; then the
    // queued open runs.
    bool HandOver(const std::string& path) {
        std::atomic<int> result{-1};
        std::thread later([&] {
            result = ShellHandOver(Server().toStdString(), path).status == ShellHandOverStatus::taken ? 1 : 0;
        });
        QElapsedTimer waited;
        waited.start();
        while (result < 0 && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        later.join();
        QCoreApplication::processEvents();
        return result == 1;
    }
};

TEST_F(ShellOpen, ALaterStartsDocumentOpensInTheRunningProgramAsADroppedFile) {
    ASSERT_TRUE(StartWithShell({}));
    EXPECT_TRUE(QFileInfo::exists(m_dir.path() + "/data/applications/quillstorm.desktop"));
    NewCanvas();
    Type("handed");
    WriteForm("handed.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
    v()->m_bModified = 0;
    v()->OnFileNew();

    ASSERT_TRUE(HandOver(Path("handed.qsd")));
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "handed");
    EXPECT_EQ(v()->m_strPath.str(), Path("handed.qsd"));
    EXPECT_EQ(m_pApp->m_pDocument->GetPathName().str(), Path("handed.qsd"));

    // A modified scene asks first, as a drop does; Cancel keeps it.
    Type(" more");
    m_ui.AnswerMessageBox(IDCANCEL);
    ASSERT_TRUE(HandOver(Path("handed.qsd")));
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_EQ(m_ui.Calls()[0].strText, "Save changes before opening a new file?");
    EXPECT_EQ(Text(), "handed| more");  // typed where the caret started: a new passage

    // A file that does not load: the loader's message, the scene stays.
    m_ui.Clear();
    v()->m_bModified = 0;
    ASSERT_TRUE(HandOver(Path("missing.qsd")));
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_EQ(m_ui.Calls()[0].strText, Path("missing.qsd") + " was not found.");
    EXPECT_EQ(Text(), "handed| more");  // typed where the caret started: a new passage

    // Once the program ends nobody takes documents.
    m_pApp.reset();
    EXPECT_EQ(ShellHandOver(Server().toStdString(), Path("handed.qsd"), 500).status, ShellHandOverStatus::noProgram);
}

// A start with a document while a program listens hands over the document's absolute path and ends
// successfully; with none listening it opens the document itself and listens from then on.
TEST_F(ShellOpen, ASecondStartHandsItsDocumentOverOrOpensItItself) {
    {
        ASSERT_TRUE(StartWithShell({}));
        NewCanvas();
        Type("mine");
        WriteForm("doc.qsd", KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
        m_pApp.reset();
    }
    // A running program, played by a server on another thread.
    std::atomic<int> nListening{-1};  // 1 listening, 0 could not
    std::string received;
    std::thread running([&] {
        QLocalServer server;
        nListening = server.listen(Server()) ? 1 : 0;
        if (nListening == 0 || !server.waitForNewConnection(10000)) return;
        QLocalSocket* pSocket = server.nextPendingConnection();
        while (!pSocket->canReadLine() && pSocket->waitForReadyRead(10000)) {
        }
        received = pSocket->readLine().toStdString();
        pSocket->write("ok\n");
        pSocket->waitForBytesWritten(10000);
        pSocket->disconnectFromServer();
    });
    while (nListening < 0) std::this_thread::yield();
    if (nListening != 1) {
        running.join();
        FAIL() << "the stand-in program cannot listen";
    }
    m_ui.Clear();
    EXPECT_FALSE(StartWithShell({"doc.qsd"}));  // relative here, absolute for the running program
    running.join();
    EXPECT_TRUE(m_pApp->HandedOver());
    EXPECT_FALSE(m_pApp->IsRunning());
    EXPECT_EQ(received, Path("doc.qsd") + "\n");
    EXPECT_TRUE(m_ui.Calls().empty());
    m_pApp.reset();

    // Nobody listens (the server is gone; its socket file may be left): this start opens the document.
    ASSERT_TRUE(StartWithShell({"doc.qsd"}));
    EXPECT_FALSE(m_pApp->HandedOver());
    EXPECT_EQ(Text(), "mine");
    ASSERT_TRUE(HandOver(Path("doc.qsd")));
    EXPECT_EQ(v()->m_strPath.str(), Path("doc.qsd"));
}

// A peer that sends junk or an endless line is answered or cut off; the program goes on.
TEST_F(ShellOpen, APeerThatSendsNoPathChangesNothing) {
    ASSERT_TRUE(StartWithShell({}));
    NewCanvas();
    Type("kept");
    std::thread peer([&] {
        QLocalSocket s;
        s.connectToServer(Server());
        if (!s.waitForConnected(5000)) return;
        s.write("\n");
        s.write(QByteArray(100 * 1024, 'x'));
        s.waitForBytesWritten(5000);
        s.waitForReadyRead(2000);
    });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    peer.join();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "kept");
}

}  // namespace
