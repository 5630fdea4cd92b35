// The desktop's side: the desktop entry's Exec line, the document type and desktop entry written into
// a data folder (and the databases built from them), and documents handed from a later start to the
// running program.
#include <QCoreApplication>
#include <QDir>
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
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <thread>

#include "test_document.h"

#include "kinetype/ktglobals.h"
#include "platform/kernel/fdreserve.h"
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
    std::string m_strDisplay;    // the display StartWithShell's program shows on (empty: this process's)
    BOOL StartWithShell(std::vector<std::string> args) {
        args.push_back("--no-splash");
        args.push_back("--settings=" + (m_dir.path() + "/settings.ini").toStdString());
        CQuillStartup startup = CQuillStartup::FromArguments(args);
        startup.strDataFolder = (m_dir.path() + "/data").toStdString();
        startup.strDisplay = m_strDisplay;
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
    bool HandOver(const std::string& path, std::string socket = std::string()) {
        if (socket.empty()) socket = Server().toStdString();
        std::atomic<int> result{-1};
        std::thread later([&] { result = ShellHandOver(socket, path).status == ShellHandOverStatus::taken ? 1 : 0; });
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

// An empty file (the descriptor closed: a program started later would inherit it).
void MakeFile(const std::string& path, mode_t mode) {
    const int fd = ::creat(path.c_str(), mode);
    ASSERT_GE(fd, 0) << path;
    ::close(fd);
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
        {"file", [](const std::string& p) { MakeFile(p, 0600); }, " is not a folder"},
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
    const CShellServerPlace place = ShellServerPlace(nullptr, shared.Path(), ::getuid(), "x11-:41");
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
        {"old socket name", nullptr, [](const std::string& p) { MakeFile(p, 0777); }, false,
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
        const CShellServerPlace place = ShellServerPlace(c.runtime ? runtime.c_str() : nullptr, temp, uid, "x11-:41");
        ::umask(oldMask);
        if (*c.refusal) {
            EXPECT_EQ(place.strSocket, "");
            EXPECT_EQ(place.strRefusal, folder + c.refusal);
            continue;
        }
        EXPECT_EQ(place.strRefusal, "");
        if (c.bInRuntime) {
            EXPECT_EQ(place.strSocket, base + "/private/quillstorm-" + strUid + "-x11-%3A41");
            EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder)));
        } else {
            EXPECT_EQ(place.strSocket, folder + "/x11-%3A41");
            struct stat st {};
            ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, 0700u);
            EXPECT_EQ(st.st_uid, uid);
        }
    }
}

// ---- one program per display ------------------------------------------------------------------------

// The display a program shows on, as the toolkit's platform reaches it: every screen of an X display
// is that display, the local "unix" host is no host, and each other platform is a display of its own.
TEST(ShellDisplay, EachDisplayHasOneName) {
    struct Case {
        const char* platform;
        const char* x;        // $DISPLAY or the -display option, NULL when unset
        const char* wayland;  // $WAYLAND_DISPLAY, NULL when unset
        const char* name;
    } cases[] = {
        {"xcb", ":41", nullptr, "x11-:41"},
        {"xcb", ":41.0", nullptr, "x11-:41"},
        {"xcb", ":41.3", nullptr, "x11-:41"},
        {"xcb", "unix:41", nullptr, "x11-:41"},
        {"xcb", "unix:41.1", nullptr, "x11-:41"},
        {"xcb", "host:41.2", nullptr, "x11-host:41"},
        {"xcb", "localhost:10.0", nullptr, "x11-localhost:10"},  // over TCP: a way of its own
        {"xcb", "host::41.0", nullptr, "x11-host::41"},
        {"xcb", "/tmp/.X11-unix/X41", nullptr, "x11-/tmp/.X11-unix/X41"},
        {"xcb", ":41.", nullptr, "x11-:41."},   // no screen number after the dot: as it is
        {"xcb", ":41.0x", nullptr, "x11-:41.0x"},
        {"xcb", "host:", nullptr, "x11-host:"},
        {"xcb", "", nullptr, "x11-"},
        {"xcb", nullptr, nullptr, "x11-"},
        {"xcb", ":41", "wayland-1", "x11-:41"},  // X under a Wayland session: the X display
        {"wayland", ":41", "wayland-1", "wayland-wayland-1"},
        {"wayland", nullptr, nullptr, "wayland-wayland-0"},
        {"wayland", nullptr, "", "wayland-wayland-0"},
        {"wayland", nullptr, "/run/user/1000/wayland-1", "wayland-/run/user/1000/wayland-1"},
        {"offscreen", ":41", "wayland-0", "offscreen"},
        {"minimal", ":41", nullptr, "minimal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platform) + " " + (c.x ? c.x : "(unset)") + " " + (c.wayland ? c.wayland : "(unset)"));
        EXPECT_EQ(ShellDisplayName(c.platform, c.x, c.wayland), c.name);
    }
}

// Qt's X platform takes "-display NAME" (or "--display NAME") out of the arguments; the last one counts.
TEST(ShellDisplay, TheDisplayOptionIsTheToolkits) {
    struct Case {
        std::vector<const char*> args;
        const char* display;  // NULL: none
    } cases[] = {
        {{"quillstorm", "doc.qsd"}, nullptr},
        {{"quillstorm", "-display", ":42", "doc.qsd"}, ":42"},
        {{"quillstorm", "--display", "host:3.1"}, "host:3.1"},
        {{"quillstorm", "-display", ":42", "-display", ":43"}, ":43"},
        {{"quillstorm", "doc.qsd", "-display"}, nullptr},  // no value follows
        {{"quillstorm", "-displays", ":42"}, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
        const char* found = ShellDisplayOption(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(found ? std::string(found) : std::string("(none)"), c.display ? c.display : "(none)");
    }
}

// The name in a socket's file name: readable where it can be, one-to-one, never hidden, and short
// whatever the host name.
TEST(ShellDisplay, TheSocketNameIsASafeFileName) {
    struct Case {
        std::string display;
        const char* file;
    } cases[] = {
        {"x11-:41", "x11-%3A41"},
        {"x11-host.example:41", "x11-host.example%3A41"},
        {"x11-/tmp/.X11-unix/X41", "x11-%2Ftmp%2F.X11-unix%2FX41"},
        {"wayland-wayland-0", "wayland-wayland-0"},
        {"offscreen", "offscreen"},
        {"a%3A", "a%253A"},
        {"a_b c", "a%5Fb%20c"},
        {".hidden", "%2Ehidden"},
        {"..", "%2E."},
        {"\xff\n", "%FF%0A"},
        {"", "%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display);
        EXPECT_EQ(ShellDisplayFileName(c.display), c.file);
    }
    const std::string host(200, 'h');
    const std::string a = ShellDisplayFileName("x11-" + host + ":41");
    const std::string b = ShellDisplayFileName("x11-" + host + ":42");
    EXPECT_NE(a, b);
    EXPECT_LE(a.size(), 40u);
    EXPECT_EQ(a.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-%"), std::string::npos) << a;
}

// Starts on one display meet at one socket; starts on two displays never do, in the runtime folder
// and in the temporary folder alike.
TEST(ShellPlace, EachDisplayHasASocketOfItsOwn) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    MakeFolder(base + "/runtime", 0700);
    MakeFolder(base + "/tmp", 01777);
    const std::string runtimeFolder = base + "/runtime";
    for (const char* runtime : {runtimeFolder.c_str(), static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(runtime ? "runtime folder" : "temporary folder");
        auto socket = [&](const char* platform, const char* x, const char* wayland) {
            return ShellServerPlace(runtime, base + "/tmp", ::getuid(), ShellDisplayName(platform, x, wayland)).strSocket;
        };
        const std::string x41 = socket("xcb", ":41", nullptr);
        ASSERT_NE(x41, "");
        EXPECT_EQ(socket("xcb", ":41.0", nullptr), x41);
        EXPECT_EQ(socket("xcb", "unix:41.2", nullptr), x41);
        const std::string others[] = {
            socket("xcb", ":42", nullptr),         socket("xcb", ":4", nullptr),
            socket("xcb", "host:41", nullptr),     socket("wayland", nullptr, nullptr),
            socket("wayland", nullptr, "wayland-1"), socket("offscreen", ":41", nullptr),
        };
        std::set<std::string> distinct{x41};
        for (const std::string& other : others) {
            EXPECT_NE(other, "");
            distinct.insert(other);
        }
        EXPECT_EQ(distinct.size(), std::size(others) + 1);
    }
}

// A start on another display opens its own window, whatever runs on this one; a start on this
// display, by any of its names, hands its document over.
TEST_F(ShellOpen, ADocumentGoesOnlyToTheProgramOnItsDisplay) {
    WriteMine("doc.qsd");
    const std::string runtime = m_dir.path().toStdString() + "/runtime";
    MakeFolder(runtime, 0700);
    CScopedEnv env("XDG_RUNTIME_DIR", runtime.c_str());
    m_bUsersPlace = true;
    m_strDisplay = ShellDisplayName("xcb", ":41", nullptr);
    ASSERT_TRUE(StartWithShell({}));
    NewCanvas();
    Type("kept");  // a document handed over asks first
    auto socketOf = [](const char* x) { return ShellServerPlace(ShellDisplayName("xcb", x, nullptr)).strSocket; };

    for (const char* other : {":42", ":4", "host:41"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(ShellHandOver(socketOf(other), Path("doc.qsd"), 2000).status, ShellHandOverStatus::noProgram);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "kept");

    m_ui.AnswerMessageBox(IDNO);
    ASSERT_TRUE(HandOver(Path("doc.qsd"), socketOf(":41.0")));
    ASSERT_EQ(m_ui.Calls().size(), 1u);
    EXPECT_EQ(m_ui.Calls()[0].strText, "Save changes before opening a new file?");
    EXPECT_EQ(Text(), "mine");
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
    // The waiting path is offered (and declined) again and again while the program is busy.
    waited.restart();
    while (nAsked == 0 && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
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
    while (opened.empty() && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(opened, std::vector<std::string>{"/tmp/last.qsd"});
    // Nothing waits any more, and the peer has gone: nothing else can open.
    EXPECT_EQ(server.PendingPath(), "");
}

// A peer's end of a connection to the server, for the tests of what the server holds: what it has
// received, and whether the server has closed the connection.
class CPeer {
public:
    explicit CPeer(const std::string& socket) : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, socket.data(), std::min(socket.size(), sizeof addr.sun_path - 1));
        m_bConnected = m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~CPeer() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CPeer(const CPeer&) = delete;
    CPeer& operator=(const CPeer&) = delete;

    bool IsConnected() const { return m_bConnected; }
    // Sends what the socket takes now of bytes; how much that was.
    size_t Send(const char* p, size_t n) {
        const ssize_t nSent = ::send(m_fd, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        return nSent > 0 ? static_cast<size_t>(nSent) : 0;
    }
    size_t Send(const std::string& bytes) { return Send(bytes.data(), bytes.size()); }
    // Takes what has arrived; TRUE when the server has closed the connection.
    bool Closed() {
        char buf[65536];
        for (ssize_t n; !m_bClosed;) {
            n = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0)
                m_strReceived.append(buf, static_cast<size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                m_bClosed = true;
            else if (errno != EINTR)
                break;
        }
        return m_bClosed;
    }
    const std::string& Received() const { return m_strReceived; }
    // Forgets what has arrived (it is counted elsewhere).
    void ClearReceived() { m_strReceived.clear(); }

private:
    int m_fd;
    bool m_bConnected = false;
    bool m_bClosed = false;
    std::string m_strReceived;
};

// A later start's hand-over of path to the socket, from another thread while this one serves.
ShellHandOverStatus HandOverServed(const std::string& socket, const std::string& path) {
    std::atomic<int> status{-1};
    std::thread later([&] { status = static_cast<int>(ShellHandOver(socket, path).status); });
    QElapsedTimer waited;
    waited.start();
    while (status < 0 && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    later.join();
    return static_cast<ShellHandOverStatus>(status.load());
}

// Processes events until done() holds, nMs at most; done() then.
bool ServeUntil(const std::function<bool()>& done, int nMs = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < nMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// More connections than the server serves at once: each new one closes the one that has waited
// longest for a line, so a flood that holds its connections never shuts a later start out.
TEST(ShellServer, AFloodOfConnectionsIsBoundedAndALaterStartGetsThrough) {
    QTemporaryDir dir;
    std::vector<std::string> opened;
    CShellOpenServer server([&](const std::string& p) {
        opened.push_back(p);
        return true;
    });
    server.SetIdleTime(10 * 60 * 1000);  // only the bound closes connections here
    const std::string socket = dir.path().toStdString() + "/socket";
    ASSERT_TRUE(server.Listen(socket));

    constexpr int kMax = CShellOpenServer::kMaxConnections;
    constexpr int kMore = 8;
    std::vector<std::unique_ptr<CPeer>> flood;
    for (int i = 0; i < kMax + kMore; ++i) {
        flood.push_back(std::make_unique<CPeer>(socket));
        ASSERT_TRUE(flood.back()->IsConnected()) << i;
    }
    auto closed = [&] {
        int n = 0;
        for (auto& p : flood) n += p->Closed() ? 1 : 0;
        return n;
    };
    EXPECT_TRUE(ServeUntil([&] { return closed() >= kMore; }));
    for (int i = 0; i < kMax + kMore; ++i) EXPECT_EQ(flood[static_cast<size_t>(i)]->Closed(), i < kMore) << i;
    EXPECT_EQ(server.ConnectionCount(), kMax);

    EXPECT_EQ(HandOverServed(socket, "/tmp/later.qsd"), ShellHandOverStatus::taken);
    EXPECT_TRUE(ServeUntil([&] { return !opened.empty() && flood[kMore]->Closed(); }));
    EXPECT_EQ(opened, std::vector<std::string>{"/tmp/later.qsd"});
    EXPECT_EQ(closed(), kMore + 1);  // the longest waiting made room for the later start
    EXPECT_LE(server.ConnectionCount(), kMax);
    EXPECT_TRUE(server.IsListening());
}

// A connection that brings no whole line within the idle time is closed, whatever it sent or took.
TEST(ShellServer, AConnectionWithoutALineIsClosedWhenIdle) {
    QTemporaryDir dir;
    CShellOpenServer server([](const std::string&) { return true; });
    server.SetIdleTime(100);
    const std::string socket = dir.path().toStdString() + "/socket";
    ASSERT_TRUE(server.Listen(socket));
    CPeer silent(socket), partial(socket), answered(socket);
    ASSERT_TRUE(silent.IsConnected() && partial.IsConnected() && answered.IsConnected());
    partial.Send("/tmp/no-end");
    answered.Send("/tmp/a.qsd\n");
    EXPECT_TRUE(ServeUntil([&] { return silent.Closed() && partial.Closed() && answered.Closed(); }));
    EXPECT_EQ(silent.Received(), "");
    EXPECT_EQ(partial.Received(), "");
    EXPECT_EQ(answered.Received(), "ok\n");
    EXPECT_EQ(server.ConnectionCount(), 0);
}

// A peer that sends line after line and takes none of its answers is not read from beyond a bound, so
// the answers kept for it stay few; once it reads, the rest of its lines are answered.
TEST(ShellServer, APeerThatTakesNoAnswersIsNotReadFrom) {
    QTemporaryDir dir;
    CShellOpenServer server([](const std::string&) { return true; });
    const std::string socket = dir.path().toStdString() + "/socket";
    ASSERT_TRUE(server.Listen(socket));
    CPeer peer(socket);
    ASSERT_TRUE(peer.IsConnected());
    std::string lines;
    for (int i = 0; i < 512 * 1024; ++i) lines += "/\n";

    // Sent as far as the socket takes it, the server running, until neither moves any more.
    size_t nSent = 0;
    for (int nStill = 0; nStill < 100 && nSent < lines.size();) {
        const size_t n = peer.Send(lines.data() + nSent, lines.size() - nSent);
        nSent += n;
        QCoreApplication::processEvents();
        nStill = n == 0 ? nStill + 1 : 0;
    }
    EXPECT_LT(nSent, lines.size() / 2);

    size_t nAnswers = 0;
    auto answered = [&] {
        nSent += peer.Send(lines.data() + nSent, lines.size() - nSent);
        peer.Closed();
        nAnswers += static_cast<size_t>(std::count(peer.Received().begin(), peer.Received().end(), '\n'));
        peer.ClearReceived();
        return nAnswers == lines.size() / 2;
    };
    EXPECT_TRUE(ServeUntil(answered));
    EXPECT_EQ(nSent, lines.size());
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

// The program run in a process of its own, with its arguments as bytes (through sh and printf), in a
// private runtime folder; this process's program may listen there too.
struct CLaterStart {
    int nExit = -1;
    std::string strErr;
};

// Descriptors open in the process pid with a number below nLimit (those it may still open).
int DescriptorsBelow(qint64 pid, int nLimit) {
    int n = 0;
    if (DIR* d = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
        while (const dirent* e = ::readdir(d)) n += e->d_name[0] != '.' && std::atoi(e->d_name) < nLimit ? 1 : 0;
        ::closedir(d);
    }
    return n;
}

// TRUE when a program listens at the socket.
bool Answers(const std::string& socket) {
    CPeer peer(socket);
    return peer.IsConnected();
}

class ShellProgram : public ShellOpen {
protected:
    std::string Runtime() const { return m_dir.path().toStdString() + "/runtime"; }
    // Where the program on the platform's display listens.
    std::string SocketOn(const char* pszPlatform) const {
        return ShellServerPlace(Runtime().c_str(), "/tmp", ::getuid(), ShellDisplayName(pszPlatform, nullptr, nullptr))
            .strSocket;
    }
    // Starts the program on the platform with the one argument that printf makes of strPrintfArg,
    // its settings in pszSettings; with nFileLimit, no more than that many descriptors open.
    void StartProgram(QProcess& process, const std::string& strPrintfArg, const char* pszPlatform,
                      const char* pszSettings, int nFileLimit = 0) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", pszPlatform);
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(Runtime()));
        env.insert("XDG_DATA_HOME", m_dir.path() + "/later-data");
        env.insert("XDG_CONFIG_HOME", m_dir.path() + "/later-config");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_dir.path());
        const QString limit = nFileLimit > 0 ? QString("ulimit -n %1 && ").arg(nFileLimit) : QString();
        process.start("sh", {"-c", limit + "exec \"$0\" --no-splash --settings=\"$2\" \"$(printf \"$1\")\"", QS_PROGRAM,
                             QString::fromStdString(strPrintfArg), pszSettings});
    }
    // A later start on the platform, to its end (30 s at most).
    CLaterStart RunLater(const std::string& strPrintfArg, const char* pszPlatform = "offscreen") {
        QProcess process;
        StartProgram(process, strPrintfArg, pszPlatform, "later.ini");
        ServeUntil([&] { return process.state() == QProcess::NotRunning || process.waitForFinished(10); }, 30000);
        CLaterStart r;
        if (process.state() != QProcess::NotRunning) {
            Stop(process);
            return r;
        }
        r.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.strErr = process.readAllStandardError().toStdString();
        return r;
    }
    static void Stop(QProcess& process) {
        process.kill();
        process.waitForFinished(5000);
    }
};

TEST_F(ShellProgram, ALaterStartHandsItsBytesOverOrSaysWhyItWasRefused) {
    MakeFolder(Runtime(), 0700);
    m_strServer = SocketOn("offscreen");
    WriteMine("\xff.qsd");
    ASSERT_TRUE(StartWithShell({}));
    NewCanvas();

    // A name that is not UTF-8, relative to the later start's folder: handed over as the same bytes.
    CLaterStart r = RunLater("\\377.qsd");
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_EQ(r.strErr.find("quillstorm:"), std::string::npos) << r.strErr;
    EXPECT_TRUE(ServeUntil([&] { return Text() == "mine"; }));
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

// A start on another display (here another platform: another display is out of a test's reach)
// opens its own window, and the program on this one hears nothing of it.
TEST_F(ShellProgram, AStartOnAnotherDisplayOpensItsOwnWindow) {
    MakeFolder(Runtime(), 0700);
    m_strServer = SocketOn("offscreen");
    WriteMine("doc.qsd");
    ASSERT_TRUE(StartWithShell({}));
    NewCanvas();
    Type("kept");

    QProcess other;
    StartProgram(other, "doc.qsd", "minimal", "other.ini");
    // Its window is up once it listens, on its own display.
    EXPECT_TRUE(ServeUntil([&] { return Answers(SocketOn("minimal")) || other.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(other.state(), QProcess::Running) << other.readAllStandardError().toStdString();
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(Text(), "kept");
    Stop(other);
}

// A flood of connections beyond the descriptors the running program may open: it goes on listening,
// and later starts hand their documents over during the flood and after it.
TEST_F(ShellProgram, AFloodBeyondTheProgramsDescriptorsLeavesItListening) {
    MakeFolder(Runtime(), 0700);
    WriteMine("doc.qsd");
    constexpr int kLimit = 40;
    QProcess running;
    StartProgram(running, "", "offscreen", "running.ini", kLimit);
    const std::string socket = SocketOn("offscreen");
    ASSERT_TRUE(ServeUntil([&] { return Answers(socket) || running.state() == QProcess::NotRunning; }, 30000));
    ASSERT_EQ(running.state(), QProcess::Running) << running.readAllStandardError().toStdString();
    // A hand-over before the flood, one during it and one after it. (The first also lets a sanitizer
    // check the types of an open while descriptors are free: it opens descriptors of its own then.)
    CLaterStart r = RunLater("doc.qsd");
    EXPECT_EQ(r.nExit, 0) << r.strErr;

    QProcess flood;
    flood.start(QS_HANDOVERPEER, {"hold", QString::fromStdString(socket), "200"});
    ASSERT_TRUE(ServeUntil([&] { return flood.waitForReadyRead(10) || flood.canReadLine(); }, 30000));
    EXPECT_EQ(flood.readLine().toStdString(), "held 200\n");
    // The program has used up what it may open (all but what it keeps free for a window).
    EXPECT_TRUE(ServeUntil(
        [&] { return DescriptorsBelow(running.processId(), kLimit) >= kLimit - kernel::kWindowDescriptors; }));

    r = RunLater("doc.qsd");
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    flood.closeWriteChannel();
    EXPECT_TRUE(flood.waitForFinished(10000));
    r = RunLater("doc.qsd");
    EXPECT_EQ(r.nExit, 0) << r.strErr;
    EXPECT_TRUE(Answers(socket));
    EXPECT_EQ(running.state(), QProcess::Running) << running.readAllStandardError().toStdString();
    Stop(running);
}

}  // namespace
