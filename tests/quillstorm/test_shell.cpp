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

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include "test_document.h"

#include "kinetype/ktglobals.h"
#include "quillstorm/mainfrm.h"
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
    std::string m_strServer;     // the socket StartWithShell uses, when not Server()
    bool m_bUsersPlace = false;  // StartWithShell uses the user's place, from the environment
    BOOL StartWithShell(std::vector<std::string> args) {
        args.push_back("--no-splash");
        args.push_back("--settings=" + (m_dir.path() + "/settings.ini").toStdString());
        CQuillStartup startup = CQuillStartup::FromArguments(args);
        startup.strDataFolder = (m_dir.path() + "/data").toStdString();
        if (!m_bUsersPlace) startup.strServerName = m_strServer.empty() ? Server().toStdString() : m_strServer;
        m_pApp = std::make_unique<CQuillApp>();
        return m_pApp->InitInstance(startup);
    }
    // A document whose scene is "mine", written by a program that then ends.
    void WriteMine(const char* pszName) {
        ASSERT_TRUE(StartWithShell({}));
        NewCanvas();
        Type("mine");
        WriteForm(pszName, KT_VERSION_STRING, KT_FILE_VERSION, 640, 480);
        m_pApp.reset();
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

// ---- where the socket lives ------------------------------------------------------------------------

bool RunningAsRoot() { return ::geteuid() == 0; }
constexpr uid_t kNobody = 65534;

// A command run as uid 65534 (through setpriv); the caller is root.
QStringList AsNobody(QStringList command) {
    return QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + command;
}

// A folder made with exactly this mode (the umask aside).
void MakeFolder(const std::string& path, mode_t mode) {
    ASSERT_EQ(::mkdir(path.c_str(), mode), 0) << path;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// A temporary folder everybody may write in, as /tmp is.
class CSharedFolder {
public:
    CSharedFolder() { ::chmod(m_dir.path().toLocal8Bit().constData(), 01777); }
    std::string Path(const std::string& name = std::string()) const {
        return m_dir.path().toStdString() + (name.empty() ? "" : "/" + name);
    }

private:
    QTemporaryDir m_dir;
};

// An environment variable set (or unset, NULL) for a scope.
class CScopedEnv {
public:
    CScopedEnv(const char* pszName, const char* pszValue) : m_strName(pszName) {
        if (const char* old = std::getenv(pszName)) m_old = old;
        if (pszValue)
            ::setenv(pszName, pszValue, 1);
        else
            ::unsetenv(pszName);
    }
    ~CScopedEnv() {
        if (m_old)
            ::setenv(m_strName.c_str(), m_old->c_str(), 1);
        else
            ::unsetenv(m_strName.c_str());
    }

private:
    std::string m_strName;
    std::optional<std::string> m_old;
};

// What the process writes on standard error during a scope.
class CStderrCapture {
public:
    CStderrCapture() : m_file(std::tmpfile()) {
        std::fflush(stderr);
        m_nSaved = ::dup(2);
        ::dup2(::fileno(m_file), 2);
    }
    ~CStderrCapture() { Stop(); }
    std::string Stop() {
        if (m_nSaved >= 0) {
            std::fflush(stderr);
            ::dup2(m_nSaved, 2);
            ::close(m_nSaved);
            m_nSaved = -1;
            std::rewind(m_file);
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, m_file)) > 0) m_strText.append(buf, n);
            std::fclose(m_file);
        }
        return m_strText;
    }

private:
    std::FILE* m_file;
    int m_nSaved = -1;
    std::string m_strText;
};

TEST(ShellPlace, OnlyAPrivateFolderOfTheUsersOwnIsTaken) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const uid_t uid = ::getuid();
    MakeFolder(base + "/real", 0700);
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* why;  // "" for a folder that is taken
    } cases[] = {
        {"private", [](const std::string& p) { MakeFolder(p, 0700); }, ""},
        {"link", [&](const std::string& p) { ASSERT_EQ(::symlink((base + "/real").c_str(), p.c_str()), 0); }, " is a symbolic link"},
        {"dangling", [](const std::string& p) { ASSERT_EQ(::symlink("/nonexistent", p.c_str()), 0); }, " is a symbolic link"},
        {"file", [](const std::string& p) { ASSERT_GE(::creat(p.c_str(), 0600), 0); }, " is not a folder"},
        {"group-enters", [](const std::string& p) { MakeFolder(p, 0710); }, " is open to other users (mode 0710)"},
        {"others-read", [](const std::string& p) { MakeFolder(p, 0704); }, " is open to other users (mode 0704)"},
        {"everybody", [](const std::string& p) { MakeFolder(p, 01777); }, " is open to other users (mode 1777)"},
        {"missing", [](const std::string&) {}, ": No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = base + "/" + c.name;
        c.make(path);
        const std::string expected = *c.why ? path + c.why : std::string();
        EXPECT_EQ(ShellCheckPrivateFolder(path, uid), expected);
        // A trailing slash does not lead through a link either.
        EXPECT_EQ(ShellCheckPrivateFolder(path + "/", uid), expected);
    }
    EXPECT_EQ(ShellCheckPrivateFolder(base + "/private", uid + 1),
              base + "/private belongs to user " + std::to_string(uid) + ", not to " + std::to_string(uid + 1));
}

TEST(ShellPlace, AFolderAnotherUserMadeIsRefused) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root, to make a folder as uid 65534 through setpriv";
    CSharedFolder shared;
    const std::string theirs = shared.Path("quillstorm-" + std::to_string(::getuid()));
    ASSERT_EQ(QProcess::execute("setpriv", AsNobody({"mkdir", "-m", "0700", QString::fromStdString(theirs)})), 0);
    EXPECT_EQ(ShellCheckPrivateFolder(theirs, ::getuid()),
              theirs + " belongs to user 65534, not to " + std::to_string(::getuid()));
    const CShellServerPlace place = ShellServerPlace(nullptr, shared.Path(), ::getuid());
    EXPECT_EQ(place.strSocket, "");
    EXPECT_EQ(place.strRefusal, theirs + " belongs to user 65534, not to " + std::to_string(::getuid()));
}

// The runtime folder when it is the user's and private; else a private folder of the user's in the
// temporary folder, made so whatever the umask; refused when someone else prepared that name.
TEST(ShellPlace, TheSocketLivesInAPrivateFolder) {
    const uid_t uid = ::getuid();
    const std::string strUid = std::to_string(uid);
    struct Case {
        const char* name;
        const char* runtime;  // "private", "open", "missing", "" or NULL (unset)
        std::function<void(const std::string&)> squat;  // on <temp>/quillstorm-<uid> first, or NULL
        bool bInRuntime;
        const char* refusal;  // "" when a socket place is found
    } cases[] = {
        {"runtime folder", "private", nullptr, true, ""},
        {"runtime folder with a slash", "private/", nullptr, true, ""},
        {"no runtime folder", nullptr, nullptr, false, ""},
        {"empty runtime folder", "", nullptr, false, ""},
        {"runtime folder open to others", "open", nullptr, false, ""},
        {"runtime folder missing", "missing", nullptr, false, ""},
        {"temporary folder made before", nullptr, [](const std::string& p) { MakeFolder(p, 0700); }, false, ""},
        {"old socket name", nullptr, [](const std::string& p) { ASSERT_GE(::creat(p.c_str(), 0777), 0); }, false,
         " is not a folder"},
        {"a link", nullptr, [](const std::string& p) { ASSERT_EQ(::symlink("/tmp", p.c_str()), 0); }, false,
         " is a symbolic link"},
        {"open folder", nullptr, [](const std::string& p) { MakeFolder(p, 0777); }, false,
         " is open to other users (mode 0777)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const std::string base = dir.path().toStdString();
        MakeFolder(base + "/tmp", 01777);
        MakeFolder(base + "/private", 0700);
        MakeFolder(base + "/open", 0755);
        const std::string temp = base + "/tmp";
        const std::string folder = temp + "/quillstorm-" + strUid;
        if (c.squat) c.squat(folder);
        const std::string runtime = c.runtime && *c.runtime ? base + "/" + c.runtime : std::string(c.runtime ? "" : "");
        const mode_t oldMask = ::umask(0);  // the folder is private whatever the umask
        const CShellServerPlace place = ShellServerPlace(c.runtime ? runtime.c_str() : nullptr, temp, uid);
        ::umask(oldMask);
        if (*c.refusal) {
            EXPECT_EQ(place.strSocket, "");
            EXPECT_EQ(place.strRefusal, folder + c.refusal);
            continue;
        }
        EXPECT_EQ(place.strRefusal, "");
        if (c.bInRuntime) {
            EXPECT_EQ(place.strSocket, base + "/private/quillstorm-" + strUid);
            EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder)));
        } else {
            EXPECT_EQ(place.strSocket, folder + "/socket");
            struct stat st {};
            ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, 0700u);
            EXPECT_EQ(st.st_uid, uid);
        }
    }
}

// ---- the running program's answers -------------------------------------------------------------------

// Sends bytes to the socket and reads nLines answer lines (or what comes within 10 s).
std::vector<std::string> Exchange(const std::string& socket, const std::string& bytes, size_t nLines) {
    std::vector<std::string> lines;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socket.data(), std::min(socket.size(), sizeof addr.sun_path - 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return lines;
    }
    size_t nSent = 0;
    std::string pending;
    QElapsedTimer waited;
    waited.start();
    while (lines.size() < nLines && waited.elapsed() < 10000) {
        pollfd p{fd, static_cast<short>(POLLIN | (nSent < bytes.size() ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        if ((p.revents & POLLOUT) && nSent < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + nSent, std::min<size_t>(bytes.size() - nSent, 65536), MSG_NOSIGNAL);
            if (n > 0) nSent += static_cast<size_t>(n);
        }
        if (p.revents & POLLIN) {
            char buf[4096];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            pending.append(buf, static_cast<size_t>(n));
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
                lines.push_back(pending.substr(0, nl));
        }
    }
    ::close(fd);
    return lines;
}

TEST(ShellServer, ALineIsTakenOnlyWhenItIsAnAbsolutePath) {
    struct Case {
        std::string line;
        const char* answer;
    } cases[] = {
        {"/tmp/a.qsd", "ok"},
        {"/tmp/\xff.qsd", "ok"},
        {"/" + std::string(kShellMaxPath - 1, 'a'), "ok"},
        {"/" + std::string(kShellMaxPath, 'a'), "path too long"},
        {std::string("/tmp/a\0.qsd", 11), "NUL byte in the path"},
        {"a.qsd", "not an absolute path"},
        {"", "not an absolute path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.size());
        EXPECT_EQ(CShellOpenServer::CheckLine(c.line), c.answer);
    }
}

// Thousands of lines while the program cannot open (a dialog is open): each answered, the refused ones
// with their reason; one path waits, the last one taken, and only it opens later.
TEST(ShellServer, AFloodLeavesOnlyTheLastPathWaiting) {
    QTemporaryDir dir;
    bool bBusy = true;
    int nAsked = 0;
    std::vector<std::string> opened;
    CShellOpenServer server([&](const std::string& p) {
        if (bBusy) {
            ++nAsked;
            return false;
        }
        opened.push_back(p);
        return true;
    });
    const std::string socket = dir.path().toStdString() + "/socket";
    ASSERT_TRUE(server.Listen(socket));

    constexpr int kLines = 3000;
    std::string flood;
    for (int i = 0; i < kLines; ++i) flood += "/tmp/f" + std::to_string(i) + ".qsd\n";
    flood += std::string("/tmp/nul\0.qsd\n", 14);
    flood += "/" + std::string(3 * kShellMaxPath, 'x') + "\n";  // refused before its end arrives
    flood += "/tmp/last.qsd\n";
    flood += "relative.qsd\n";
    std::vector<std::string> answers;
    std::atomic<bool> bDone{false};
    std::thread peer([&] {
        answers = Exchange(socket, flood, kLines + 4);
        bDone = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!bDone && waited.elapsed() < 15000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    peer.join();
    // The waiting path is offered (and declined) at least once.
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(answers.size(), static_cast<size_t>(kLines + 4));
    for (int i = 0; i < kLines; ++i) ASSERT_EQ(answers[static_cast<size_t>(i)], "ok") << i;
    EXPECT_EQ(answers[kLines], "NUL byte in the path");
    EXPECT_EQ(answers[kLines + 1], "path too long");
    EXPECT_EQ(answers[kLines + 2], "ok");
    EXPECT_EQ(answers[kLines + 3], "not an absolute path");
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(server.PendingPath(), "/tmp/last.qsd");
    EXPECT_GE(nAsked, 1);

    bBusy = false;
    waited.restart();
    while (opened.empty() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 2 * CShellOpenServer::kRetryMs);
    EXPECT_EQ(opened, std::vector<std::string>{"/tmp/last.qsd"});
    EXPECT_EQ(server.PendingPath(), "");
}

// ---- another user's listener -------------------------------------------------------------------------

// qs_handoverpeer listening as uid 65534; what it received once stopped.
class CNobodyListener {
public:
    explicit CNobodyListener(const std::string& socket) {
        m_process.start("setpriv", AsNobody({QS_HANDOVERPEER, "listen", QString::fromStdString(socket), "20"}));
        m_bListening = m_process.waitForReadyRead(10000) && m_process.readLine() == "listening\n";
    }
    ~CNobodyListener() { Received(); }
    bool IsListening() const { return m_bListening; }
    std::string Received() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        m_strReceived += m_process.readAllStandardOutput().toStdString();
        return m_strReceived;
    }

private:
    QProcess m_process;
    bool m_bListening = false;
    std::string m_strReceived;
};

TEST_F(ShellOpen, AListenerOfAnotherUserIsSentNothingAndTheStartOpensTheDocument) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root, to listen as uid 65534 through setpriv";
    WriteMine("doc.qsd");
    CSharedFolder shared;
    CNobodyListener nobody(shared.Path("theirs"));
    ASSERT_TRUE(nobody.IsListening());

    const CShellHandOverResult r = ShellHandOver(shared.Path("theirs"), Path("doc.qsd"));
    EXPECT_EQ(r.status, ShellHandOverStatus::otherUser);
    EXPECT_EQ(r.strReason, "the listener runs as user 65534");

    m_strServer = shared.Path("theirs");
    CStderrCapture err;
    ASSERT_TRUE(StartWithShell({"doc.qsd"}));
    const std::string said = err.Stop();
    EXPECT_FALSE(m_pApp->HandedOver());
    EXPECT_EQ(Text(), "mine");
    EXPECT_NE(said.find(shared.Path("theirs") + " is not this user's program"), std::string::npos) << said;
    EXPECT_EQ(nobody.Received(), "");
}

// The squat of the shared temporary folder: another user listens first where the socket was, or makes
// the folder it now lives in. This start hands nothing over, says why, and opens the document itself.
TEST_F(ShellOpen, ASquatterInTheTemporaryFolderGetsNothingAndTheDocumentOpens) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root, to squat as uid 65534 through setpriv";
    WriteMine("doc.qsd");
    const std::string strName = "quillstorm-" + std::to_string(::getuid());
    struct Case {
        const char* name;
        bool bFolder;       // the squatter makes the folder and listens inside it
        const char* why;
    } cases[] = {
        {"the old socket's name", false, " is not a folder"},
        {"the socket's folder", true, " belongs to user 65534, not to 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSharedFolder shared;
        const std::string folder = shared.Path(strName);
        if (c.bFolder) {
            ASSERT_EQ(QProcess::execute("setpriv", AsNobody({"mkdir", "-m", "0777", QString::fromStdString(folder)})), 0);
        }
        CNobodyListener nobody(c.bFolder ? folder + "/socket" : folder);
        ASSERT_TRUE(nobody.IsListening());

        CScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
        CScopedEnv temp("TMPDIR", shared.Path().c_str());
        m_bUsersPlace = true;
        m_ui.Clear();
        CStderrCapture err;
        ASSERT_TRUE(StartWithShell({"doc.qsd"}));
        const std::string said = err.Stop();
        EXPECT_FALSE(m_pApp->HandedOver());
        EXPECT_EQ(Text(), "mine");
        EXPECT_NE(said.find("quillstorm: no hand-over between starts: " + folder + c.why + "\n"), std::string::npos)
            << said;
        m_pApp.reset();
        EXPECT_EQ(nobody.Received(), "");
    }
}

// The running program answers only its own user: a start of uid 65534 that reaches its socket is
// told so and opens nothing.
TEST_F(ShellOpen, TheRunningProgramTakesNothingFromAnotherUser) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root, to connect as uid 65534 through setpriv";
    CSharedFolder shared;
    m_strServer = shared.Path("mine");
    ASSERT_TRUE(StartWithShell({}));
    NewCanvas();
    Type("kept");
    struct stat st {};
    ASSERT_EQ(::stat(m_strServer.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);  // the socket is the user's alone
    ::chmod(m_strServer.c_str(), 0666);  // as if the folder and socket let others in
    QProcess peer;
    peer.start("setpriv", AsNobody({QS_HANDOVERPEER, "send", QString::fromStdString(m_strServer), "/tmp/theirs.qsd"}));
    QElapsedTimer waited;
    waited.start();
    while (peer.state() != QProcess::NotRunning && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        peer.waitForFinished(10);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2 * CShellOpenServer::kRetryMs);
    EXPECT_EQ(peer.readAllStandardOutput().toStdString(), "another user\n");
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "kept");
}

// ---- file names as bytes -----------------------------------------------------------------------------

// A name that is not UTF-8 opens from the command line, stays in the recent-file list, opens when
// handed over and when dropped.
TEST_F(ShellOpen, ANameThatIsNotUtf8Opens) {
    WriteMine("\xff.qsd");
    ASSERT_TRUE(StartWithShell({"\xff.qsd"}));
    EXPECT_EQ(Text(), "mine");
    EXPECT_EQ(v()->m_strPath.str(), "\xff.qsd");
    EXPECT_EQ(m_pApp->m_pDocument->GetPathName().str(), Path("\xff.qsd"));
    m_pApp.reset();  // the recent-file list is written

    ASSERT_TRUE(StartWithShell({}));
    ASSERT_GE(m_pApp->GetRecentFileList().GetCount(), 1);
    EXPECT_EQ(m_pApp->GetRecentFileList()[0].str(), Path("\xff.qsd"));
    EXPECT_EQ(Text(), "");
    ASSERT_TRUE(HandOver(Path("\xff.qsd")));
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "mine");
    EXPECT_EQ(v()->m_strPath.str(), Path("\xff.qsd"));

    v()->OnFileNew();
    QMimeData data;
    data.setData("text/uri-list", "file://" + QByteArray::fromStdString(Path("")) + "%FF.qsd\r\n");
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    ASSERT_EQ(data.urls().size(), 1);
    EXPECT_EQ(CMainFrame::DroppedFileName(data.urls()[0]), Path("\xff.qsd"));
    struct CDropTarget : CMainFrame {
        using CMainFrame::dropEvent;
    };
    (m_pApp->m_pMainWnd->*(&CDropTarget::dropEvent))(&drop);
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "mine");
    EXPECT_EQ(v()->m_strPath.str(), Path("\xff.qsd"));
    ::unlink(Path("\xff.qsd").c_str());  // a name the temporary folder's removal cannot spell
}

TEST(ShellDrop, ADroppedURLNamesItsFileByteForByte) {
    struct Case {
        const char* url;
        const char* name;
    } cases[] = {
        {"file:///tmp/%FF.qsd", "/tmp/\xff.qsd"},
        {"file:///tmp/a%20b.qsd", "/tmp/a b.qsd"},
        {"file:///tmp/%C3%A9.qsd", "/tmp/\xc3\xa9.qsd"},
        {"file://localhost/tmp/x.qsd", "/tmp/x.qsd"},
        {"file://host/share/x.qsd", "//host/share/x.qsd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(CMainFrame::DroppedFileName(QUrl::fromEncoded(c.url)), c.name);
    }
}

// ---- the program itself ------------------------------------------------------------------------------

// The program run as a later start, with its arguments as bytes (through sh and printf), while this
// process's program listens in a private runtime folder.
struct CLaterStart {
    int nExit = -1;
    std::string strErr;
};

class ShellProgram : public ShellOpen {
protected:
    CLaterStart RunLater(const std::string& strPrintfArg) {
        const QString runtime = m_dir.path() + "/runtime";
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("XDG_DATA_HOME", m_dir.path() + "/later-data");
        env.insert("XDG_CONFIG_HOME", m_dir.path() + "/later-config");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_dir.path());
        process.start("sh", {"-c", "exec \"$0\" --no-splash --settings=later.ini \"$(printf \"$1\")\"", QS_PROGRAM,
                             QString::fromStdString(strPrintfArg)});
        QElapsedTimer waited;
        waited.start();
        while (process.state() != QProcess::NotRunning && waited.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            process.waitForFinished(10);
        }
        CLaterStart r;
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
            return r;
        }
        r.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.strErr = process.readAllStandardError().toStdString();
        return r;
    }
};

TEST_F(ShellProgram, ALaterStartHandsItsBytesOverOrSaysWhyItWasRefused) {
    MakeFolder(m_dir.path().toStdString() + "/runtime", 0700);
    m_strServer = m_dir.path().toStdString() + "/runtime/quillstorm-" + std::to_string(::getuid());
    WriteMine("\xff.qsd");
    ASSERT_TRUE(StartWithShell({}));
    NewCanvas();

    // A name that is not UTF-8, relative to the later start's folder: handed over as the same bytes.
    CLaterStart r = RunLater("\\377.qsd");
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strErr.find("quillstorm:"), std::string::npos) << r.strErr;
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(Text(), "mine");
    EXPECT_EQ(v()->m_strPath.str(), Path("\xff.qsd"));

    // A path longer than a path can be: refused, said on standard error, a failed start.
    const std::string strLong = "/" + std::string(kShellMaxPath + 10, 'a');
    r = RunLater(strLong);
    EXPECT_NE(r.nExit, 0);
    EXPECT_NE(r.strErr.find("quillstorm: the running program refused /aaa"), std::string::npos) << r.strErr;
    EXPECT_NE(r.strErr.find(": path too long\n"), std::string::npos) << r.strErr;
    EXPECT_EQ(v()->m_strPath.str(), Path("\xff.qsd"));
    ::unlink(Path("\xff.qsd").c_str());  // a name the temporary folder's removal cannot spell
}

}  // namespace
