#include "quillstorm/shellintegration.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include "platform/afx/afx.h"
#include "quillstorm/shellfiles.h"

namespace {

constexpr int kToolTimeoutMs = 30000;

// One argument of a desktop entry's Exec key: quoted when it holds a reserved character, with '"',
// '`', '$' and '\' escaped inside the quotes; then, because the file's string escapes are undone
// before the quoting, every backslash written twice; a '%' is written "%%".
QString ExecArgument(const QString& arg) {
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool bQuote = arg.isEmpty();
    for (QChar c : arg) bQuote = bQuote || kReserved.contains(c);
    QString out;
    for (QChar c : arg) {
        if (bQuote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
        out += c;
    }
    if (bQuote) out = '"' + out + '"';
    out.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    out.replace(QStringLiteral("%"), QStringLiteral("%%"));
    return out;
}

// Writes bytes to path (its folder made first) unless the file holds them already. TRUE when written.
bool WriteIfDifferent(const QString& path, const QByteArray& bytes) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() && existing.readAll() == bytes)
        return false;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        TRACE("Shell registration: cannot make the folder of %s\n", qPrintable(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        TRACE("Shell registration: cannot write %s (%s)\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

// Runs the tool on the folder when it is on the PATH. TRUE when it ran and succeeded.
bool RunDatabaseTool(const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        TRACE("Shell registration: %s is not installed\n", qPrintable(tool));
        return false;
    }
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, {folder});
    if (!process.waitForFinished(kToolTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        TRACE("Shell registration: %s %s failed\n", qPrintable(tool), qPrintable(folder));
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(1000);
        }
        return false;
    }
    return true;
}

}  // namespace

QString ShellMimePackageText() { return QString::fromUtf8(kShellMimePackage); }

QString ShellDesktopEntryText(const QString& strProgram) {
    QString text = QString::fromUtf8(kShellDesktopTemplate);
    text.replace(QStringLiteral("@QS_EXEC@"), ExecArgument(strProgram));
    return text;
}

QString ShellUserDataFolder() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }

CShellRegistration RegisterShellFileTypes(const QString& strDataFolder, const QString& strProgram) {
    CShellRegistration r;
    if (strDataFolder.isEmpty()) return r;
    for (QChar c : strProgram) {
        if (c.unicode() < 32) {  // no desktop entry can name such a program
            TRACE("Shell registration: the program's path cannot go into a desktop entry\n");
            return r;
        }
    }
    const QDir data(strDataFolder);
    const QString mime = data.filePath(QStringLiteral("mime"));
    const QString applications = data.filePath(QStringLiteral("applications"));
    r.bMimeWritten = WriteIfDifferent(mime + "/packages/" + kQuillMimePackage, ShellMimePackageText().toUtf8());
    r.bDesktopWritten =
        WriteIfDifferent(applications + "/" + kQuillDesktopEntry, ShellDesktopEntryText(strProgram).toUtf8());
    const bool bMimeKnown = QFileInfo::exists(mime + "/packages/" + kQuillMimePackage);
    const bool bDesktopKnown = QFileInfo::exists(applications + "/" + kQuillDesktopEntry);
    if (bMimeKnown && (r.bMimeWritten || !QFileInfo::exists(mime + "/mime.cache")) &&
        RunDatabaseTool(QStringLiteral("update-mime-database"), mime))
        r.ran << QStringLiteral("update-mime-database");
    if (bDesktopKnown && (r.bDesktopWritten || !QFileInfo::exists(applications + "/mimeinfo.cache")) &&
        RunDatabaseTool(QStringLiteral("update-desktop-database"), applications))
        r.ran << QStringLiteral("update-desktop-database");
    return r;
}

// ---- the hand-over's place -------------------------------------------------------------------------

namespace {

std::string WithoutTrailingSlashes(std::string s) {
    // "dir/" would follow a symbolic link named dir even with O_NOFOLLOW.
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

std::string ShellCheckPrivateFolder(const std::string& strFolder, uid_t uid) {
    const std::string folder = WithoutTrailingSlashes(strFolder);
    if (folder.empty()) return "no folder is named";
    struct stat st {};
    int err = 0;
    const std::string name = ShellPrintablePath(folder);
    switch (AfxCheckPrivateFolder(folder.c_str(), uid, nullptr, &st, &err)) {
    case AfxFolderFault::None: return std::string();
    case AfxFolderFault::Link: return name + " is a symbolic link";
    case AfxFolderFault::NotFolder: return name + " is not a folder";
    case AfxFolderFault::OtherOwner:
        return name + " belongs to user " + std::to_string(st.st_uid) + ", not to " + std::to_string(uid);
    case AfxFolderFault::OpenToOthers:
        return name + " is open to other users (mode " + ModeText(st.st_mode) + ")";
    case AfxFolderFault::Error: break;
    }
    return name + ": " + std::strerror(err);
}

CShellServerPlace ShellServerPlace(const char* pszRuntimeDir, const std::string& strTempDir, uid_t uid) {
    const std::string strUid = std::to_string(uid);
    CShellServerPlace place;
    if (pszRuntimeDir && *pszRuntimeDir) {
        const std::string runtime = WithoutTrailingSlashes(pszRuntimeDir);
        const std::string why = ShellCheckPrivateFolder(runtime, uid);
        if (why.empty()) {
            place.strSocket = runtime + "/quillstorm-" + strUid;
            return place;
        }
        TRACE("Shell open: the runtime folder is not used: %s\n", why.c_str());
    }
    const std::string temp = WithoutTrailingSlashes(strTempDir.empty() ? std::string("/tmp") : strTempDir);
    const std::string folder = temp + "/quillstorm-" + strUid;
    // Made private from the start (the mode is applied again in case the umask took the owner's bits);
    // one that exists already must have been made so, by this user.
    if (::mkdir(folder.c_str(), 0700) == 0) ::chmod(folder.c_str(), 0700);
    place.strRefusal = ShellCheckPrivateFolder(folder, uid);
    if (place.strRefusal.empty()) place.strSocket = folder + "/socket";
    return place;
}

CShellServerPlace ShellServerPlace() {
    const char* pszTemp = std::getenv("TMPDIR");
    return ShellServerPlace(std::getenv("XDG_RUNTIME_DIR"), pszTemp && *pszTemp ? pszTemp : "/tmp", ::getuid());
}

std::string ShellAbsolutePath(const std::string& strPath) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(strPath), ec);
    return ec ? strPath : full.lexically_normal().string();
}

std::string ShellPrintablePath(const std::string& strPath) {
    std::string out = strPath;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return out;
}

// ---- the later start's side ------------------------------------------------------------------------

namespace {

// A Unix socket's address for path; FALSE when the path does not fit.
bool SocketAddress(const std::string& path, sockaddr_un& addr) {
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path || path.find('\0') != std::string::npos) return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

// The user id of the process at the other end of a connected Unix socket, or -1.
long PeerUid(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return -1;
    return static_cast<long>(cred.uid);
}

class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// Connects to the socket at path, with the send and receive timeouts set; -1 when nothing listens.
int ConnectTo(const std::string& path, int nTimeoutMs) {
    sockaddr_un addr;
    if (!SocketAddress(path, addr)) return -1;
    CFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) return -1;
    timeval tv{};
    tv.tv_sec = nTimeoutMs / 1000;
    tv.tv_usec = static_cast<suseconds_t>(nTimeoutMs % 1000) * 1000;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return -1;
    return fd.Release();
}

}  // namespace

CShellHandOverResult ShellHandOver(const std::string& strSocket, const std::string& strPath, int nTimeoutMs) {
    CShellHandOverResult r;
    if (strPath.find('\n') != std::string::npos) {
        r.status = ShellHandOverStatus::unsendable;
        return r;
    }
    CFd fd(ConnectTo(strSocket, nTimeoutMs));
    if (fd.Get() < 0) return r;  // noProgram
    // Whoever listens there gets nothing unless it is this user: the path is the user's business.
    const long nPeer = PeerUid(fd.Get());
    if (nPeer != static_cast<long>(::getuid())) {
        r.status = ShellHandOverStatus::otherUser;
        r.strReason = nPeer < 0 ? std::string("the listener's user is unknown")
                                : "the listener runs as user " + std::to_string(nPeer);
        return r;
    }
    const std::string line = strPath + '\n';
    for (size_t nSent = 0; nSent < line.size();) {
        const ssize_t n = ::send(fd.Get(), line.data() + nSent, line.size() - nSent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return r;  // noProgram: it went away or did not read in time
        nSent += static_cast<size_t>(n);
    }
    std::string reply;
    QDeadlineTimer deadline(nTimeoutMs);
    while (reply.find('\n') == std::string::npos && reply.size() < 256 && !deadline.hasExpired()) {
        char buf[256];
        const ssize_t n = ::recv(fd.Get(), buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buf, static_cast<size_t>(n));
    }
    const size_t nl = reply.find('\n');
    if (nl == std::string::npos) return r;  // noProgram: no answer
    reply.resize(nl);
    if (reply == "ok") {
        r.status = ShellHandOverStatus::taken;
    } else {
        r.status = ShellHandOverStatus::refused;
        r.strReason = ShellPrintablePath(reply);
    }
    return r;
}

// ---- the running program's side -------------------------------------------------------------------

// A connection's unfinished line, and whether the rest of an over-long line is being dropped.
struct CShellOpenServer::CPeer {
    std::string strLine;
    bool bSkipping = false;
};

CShellOpenServer::CShellOpenServer(std::function<bool(const std::string&)> onOpen, QObject* pParent)
    : QObject(pParent), m_onOpen(std::move(onOpen)), m_pServer(new QLocalServer(this)), m_pDeliver(new QTimer(this)) {
    m_pDeliver->setSingleShot(true);
    connect(m_pDeliver, &QTimer::timeout, this, &CShellOpenServer::Deliver);
    connect(m_pServer, &QLocalServer::newConnection, this, &CShellOpenServer::OnNewConnection);
}

CShellOpenServer::~CShellOpenServer() {
    m_pServer->close();
    if (!m_strSocket.empty()) {
        struct stat st {};
        if (::lstat(m_strSocket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid())
            ::unlink(m_strSocket.c_str());
    }
}

bool CShellOpenServer::Listen(const std::string& strSocket) {
    sockaddr_un addr;
    if (!SocketAddress(strSocket, addr)) {
        TRACE("Shell open: the socket's path is too long: %s\n", ShellPrintablePath(strSocket).c_str());
        return false;
    }
    {
        CFd probe(ConnectTo(strSocket, 500));
        if (probe.Get() >= 0) {
            TRACE("Shell open: a program of user %ld listens at %s already\n", PeerUid(probe.Get()),
                  ShellPrintablePath(strSocket).c_str());
            return false;
        }
    }
    // A socket left by a program that ended; anything else there stays (and the bind then fails).
    struct stat st {};
    if (::lstat(strSocket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(strSocket.c_str());
    CFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0 || ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        TRACE("Shell open: cannot listen at %s (%s)\n", ShellPrintablePath(strSocket).c_str(), std::strerror(errno));
        return false;
    }
    m_strSocket = strSocket;
    ::chmod(strSocket.c_str(), 0600);
    if (::listen(fd.Get(), 16) != 0 || !m_pServer->listen(static_cast<qintptr>(fd.Get()))) {
        TRACE("Shell open: cannot listen at %s\n", ShellPrintablePath(strSocket).c_str());
        return false;
    }
    fd.Release();  // the server's now
    return true;
}

bool CShellOpenServer::IsListening() const { return m_pServer->isListening(); }

std::string CShellOpenServer::CheckLine(const std::string& strLine) {
    if (strLine.size() > kShellMaxPath) return "path too long";
    if (strLine.find('\0') != std::string::npos) return "NUL byte in the path";
    if (strLine.empty() || strLine[0] != '/') return "not an absolute path";
    return "ok";
}

void CShellOpenServer::OnNewConnection() {
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        // Only this user's own starts hand documents over.
        if (PeerUid(static_cast<int>(pSocket->socketDescriptor())) != static_cast<long>(::getuid())) {
            pSocket->write("another user\n");
            pSocket->flush();
            pSocket->disconnectFromServer();
            continue;
        }
        auto peer = std::make_shared<CPeer>();
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket, peer] { OnReadyRead(pSocket, *peer); });
        OnReadyRead(pSocket, *peer);
    }
}

void CShellOpenServer::OnReadyRead(QLocalSocket* pSocket, CPeer& peer) {
    const QByteArray data = pSocket->readAll();
    const char* p = data.constData();
    const char* const end = p + data.size();
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* stop = nl ? nl : end;
        if (!peer.bSkipping) {
            // One byte more than a path may have is enough to know that the line is too long.
            const size_t room = kShellMaxPath + 1 - peer.strLine.size();
            peer.strLine.append(p, std::min(room, static_cast<size_t>(stop - p)));
        }
        if (nl) {
            if (!peer.bSkipping) Answer(pSocket, peer.strLine);
            peer.strLine.clear();
            peer.bSkipping = false;
            p = nl + 1;
        } else {
            if (!peer.bSkipping && peer.strLine.size() > kShellMaxPath) {
                // Answered now; the rest of the line, however long, is dropped.
                Answer(pSocket, peer.strLine);
                peer.strLine.clear();
                peer.bSkipping = true;
            }
            p = end;
        }
    }
    pSocket->flush();
}

void CShellOpenServer::Answer(QLocalSocket* pSocket, const std::string& strLine) {
    const std::string answer = CheckLine(strLine);
    pSocket->write((answer + '\n').c_str());
    if (answer != "ok") return;
    m_strPending = strLine;
    if (!m_pDeliver->isActive()) m_pDeliver->start(0);
}

void CShellOpenServer::Deliver() {
    if (m_strPending.empty()) return;
    std::string path = std::exchange(m_strPending, std::string());
    // The open may run dialogs, in which further paths arrive and replace this one as the one waiting.
    const bool bTaken = m_onOpen(path);
    if (!bTaken && m_strPending.empty()) m_strPending = std::move(path);
    if (!m_strPending.empty()) m_pDeliver->start(bTaken ? 0 : kRetryMs);
}
