#include "quillstorm/shellintegration.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include "platform/afx/afx.h"
#include "platform/kernel/fdreserve.h"
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

// ---- the display ----------------------------------------------------------------------------------

std::string ShellXDisplayName(const std::string& strDisplay) {
    // "[host]:number[.screen]": the number follows the last ':' (a DECnet "host::0" or an IPv6
    // host keeps its own colons).
    const size_t colon = strDisplay.rfind(':');
    if (colon == std::string::npos) return strDisplay;
    const size_t nDigits = strDisplay.find_first_not_of("0123456789", colon + 1);
    const size_t end = nDigits == std::string::npos ? strDisplay.size() : nDigits;
    if (end == colon + 1) return strDisplay;  // no display number
    if (end < strDisplay.size()) {
        // Only a screen number may follow: '.' and digits to the end.
        if (strDisplay[end] != '.' || end + 1 == strDisplay.size() ||
            strDisplay.find_first_not_of("0123456789", end + 1) != std::string::npos)
            return strDisplay;
    }
    std::string host = strDisplay.substr(0, colon);
    if (host == "unix") host.clear();  // the local socket, as with no host
    return host + strDisplay.substr(colon, end - colon);
}

const char* ShellDisplayOption(int argc, char** argv) {
    const char* pszDisplay = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0 || std::strcmp(argv[i], "--display") == 0) pszDisplay = argv[++i];
    }
    return pszDisplay;
}

std::string ShellDisplayName(const std::string& strPlatform, const char* pszXDisplay, const char* pszWaylandDisplay) {
    if (strPlatform == "xcb") return "x11-" + ShellXDisplayName(pszXDisplay ? pszXDisplay : "");
    if (strPlatform == "wayland")
        return std::string("wayland-") + (pszWaylandDisplay && *pszWaylandDisplay ? pszWaylandDisplay : "wayland-0");
    return strPlatform;
}

std::string ShellProcessDisplay(const char* pszXDisplayOption) {
    const QString platform = QGuiApplication::instance() ? QGuiApplication::platformName() : QString();
    return ShellDisplayName(platform.toStdString(), pszXDisplayOption ? pszXDisplayOption : std::getenv("DISPLAY"),
                            std::getenv("WAYLAND_DISPLAY"));
}

std::string ShellDisplayFileName(const std::string& strDisplay) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : strDisplay) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
            (u == '.' && !out.empty())) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    if (out.empty()) return "%";
    // A host name can be long, and a socket's whole path must stay within 107 bytes.
    constexpr size_t kLongest = 40;
    if (out.size() > kLongest) {
        // The first 16 hex digits of the name's SHA-1: the same in every run and every version.
        const QByteArray hash = QCryptographicHash::hash(
            QByteArray(strDisplay.data(), static_cast<qsizetype>(strDisplay.size())), QCryptographicHash::Sha1);
        out = out.substr(0, kLongest - 17) + "-" + hash.toHex().left(16).toStdString();
    }
    return out;
}

CShellServerPlace ShellServerPlace(const char* pszRuntimeDir, const std::string& strTempDir, uid_t uid,
                                   const std::string& strDisplay) {
    const std::string strUid = std::to_string(uid);
    const std::string strName = ShellDisplayFileName(strDisplay);
    CShellServerPlace place;
    if (pszRuntimeDir && *pszRuntimeDir) {
        const std::string runtime = WithoutTrailingSlashes(pszRuntimeDir);
        const std::string why = ShellCheckPrivateFolder(runtime, uid);
        if (why.empty()) {
            place.strSocket = runtime + "/quillstorm-" + strUid + "-" + strName;
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
    if (place.strRefusal.empty()) place.strSocket = folder + "/" + strName;
    return place;
}

CShellServerPlace ShellServerPlace(const std::string& strDisplay) {
    const char* pszTemp = std::getenv("TMPDIR");
    return ShellServerPlace(std::getenv("XDG_RUNTIME_DIR"), pszTemp && *pszTemp ? pszTemp : "/tmp", ::getuid(),
                            strDisplay);
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

namespace {

constexpr int kBacklog = 64;
constexpr size_t kReadChunk = 8192;

}  // namespace

// One later start's connection: its unfinished line, whether the rest of an over-long line is being
// dropped, and the answers it has not taken yet. A QObject so that it goes by deleteLater, after the
// event that closed it, and its notifiers and timer with it; fd is -1 once it is closed.
struct CShellOpenServer::CConnection : QObject {
    CConnection(int fdConn, QObject* pParent) : QObject(pParent), fd(fdConn) {}
    ~CConnection() override {
        if (fd >= 0) ::close(fd);
    }
    int fd;
    QSocketNotifier* pRead = nullptr;
    QSocketNotifier* pWrite = nullptr;
    QTimer* pIdle = nullptr;
    std::string strLine;
    bool bSkipping = false;
    std::string strOut;      // answers not sent yet
    bool bPeerDone = false;  // the peer has sent all it will send
    uint64_t nLastActive = 0;
};

CShellOpenServer::CShellOpenServer(std::function<bool(const std::string&)> onOpen, QObject* pParent)
    : QObject(pParent), m_onOpen(std::move(onOpen)), m_pResume(new QTimer(this)), m_pDeliver(new QTimer(this)) {
    m_pDeliver->setSingleShot(true);
    connect(m_pDeliver, &QTimer::timeout, this, &CShellOpenServer::Deliver);
    m_pResume->setSingleShot(true);
    connect(m_pResume, &QTimer::timeout, this, &CShellOpenServer::ResumeAccepting);
}

CShellOpenServer::~CShellOpenServer() {
    for (CConnection* pConn : std::vector<CConnection*>(m_connections)) Close(pConn);
    if (m_pAcceptNotifier) m_pAcceptNotifier->setEnabled(false);
    if (m_nListenFd >= 0) ::close(m_nListenFd);
    if (!m_strSocket.empty()) {
        struct stat st {};
        if (::lstat(m_strSocket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid())
            ::unlink(m_strSocket.c_str());
    }
}

bool CShellOpenServer::Listen(const std::string& strSocket) {
    if (m_nListenFd >= 0) return false;
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
    CFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.Get() < 0 || ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        TRACE("Shell open: cannot listen at %s (%s)\n", ShellPrintablePath(strSocket).c_str(), std::strerror(errno));
        return false;
    }
    m_strSocket = strSocket;
    ::chmod(strSocket.c_str(), 0600);
    if (::listen(fd.Get(), kBacklog) != 0) {
        TRACE("Shell open: cannot listen at %s (%s)\n", ShellPrintablePath(strSocket).c_str(), std::strerror(errno));
        return false;
    }
    m_nListenFd = fd.Release();
    m_pAcceptNotifier = new QSocketNotifier(static_cast<qintptr>(m_nListenFd), QSocketNotifier::Read, this);
    connect(m_pAcceptNotifier, &QSocketNotifier::activated, this, &CShellOpenServer::OnAcceptable);
    return true;
}

bool CShellOpenServer::IsListening() const { return m_nListenFd >= 0; }

std::string CShellOpenServer::CheckLine(const std::string& strLine) {
    if (strLine.size() > kShellMaxPath) return "path too long";
    if (strLine.find('\0') != std::string::npos) return "NUL byte in the path";
    if (strLine.empty() || strLine[0] != '/') return "not an absolute path";
    return "ok";
}

void CShellOpenServer::OnAcceptable() {
    // A few at a time, so that a flood of connections leaves the rest of the program its turn.
    for (int n = 0; n < kMaxConnections; ++n) {
        // The reserve comes first: what the program needs to tell its user is not taken here.
        if (kernel::DescriptorRoomOpen()) return PauseAccepting();
        kernel::TakeDescriptorReserve();
        const int fd = ::accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            const int err = errno;
            if (err == EINTR || err == ECONNABORTED) continue;
            if (err == EAGAIN || err == EWOULDBLOCK) return;
            if (kernel::IsDescriptorShortage(err) || err == ENOBUFS || err == ENOMEM) {
                // The connection that waited longest makes room; with none, later.
                if (CConnection* pOld = LongestWaiting()) {
                    Close(pOld);
                    continue;
                }
            } else {
                TRACE("Shell open: accept failed (%s)\n", std::strerror(err));
            }
            return PauseAccepting();  // the connection stays in the backlog meanwhile
        }
        // What a window needs stays free: one opened now would wait for it forever.
        if (!kernel::CanOpenDescriptors(kernel::kWindowDescriptors)) {
            CConnection* pOld = LongestWaiting();
            if (!pOld) {
                ::close(fd);
                return PauseAccepting();
            }
            Close(pOld);
        }
        Serve(fd);
    }
}

void CShellOpenServer::PauseAccepting() {
    m_pAcceptNotifier->setEnabled(false);
    m_pResume->start(kShortagePauseMs);
}

void CShellOpenServer::ResumeAccepting() {
    if (m_pAcceptNotifier) m_pAcceptNotifier->setEnabled(true);
}

CShellOpenServer::CConnection* CShellOpenServer::LongestWaiting() const {
    CConnection* pOldest = nullptr;
    for (CConnection* pConn : m_connections)
        if (!pOldest || pConn->nLastActive < pOldest->nLastActive) pOldest = pConn;
    return pOldest;
}

void CShellOpenServer::Serve(int fd) {
    // Only this user's own starts hand documents over.
    if (PeerUid(fd) != static_cast<long>(::getuid())) {
        static constexpr char kOtherUser[] = "another user\n";
        (void)::send(fd, kOtherUser, sizeof kOtherUser - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(fd);
        return;
    }
    if (ConnectionCount() >= kMaxConnections) Close(LongestWaiting());
    auto* pConn = new CConnection(fd, this);
    pConn->nLastActive = ++m_nActivity;
    pConn->pRead = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, pConn);
    pConn->pWrite = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Write, pConn);
    pConn->pWrite->setEnabled(false);
    pConn->pIdle = new QTimer(pConn);
    pConn->pIdle->setSingleShot(true);
    connect(pConn->pRead, &QSocketNotifier::activated, pConn, [this, pConn] { OnReadable(pConn); });
    connect(pConn->pWrite, &QSocketNotifier::activated, pConn, [this, pConn] { OnWritable(pConn); });
    connect(pConn->pIdle, &QTimer::timeout, pConn, [this, pConn] { Close(pConn); });
    pConn->pIdle->start(m_nIdleMs);
    m_connections.push_back(pConn);
    OnReadable(pConn);  // a later start's line is there before it is accepted
}

void CShellOpenServer::OnReadable(CConnection* pConn) {
    if (pConn->fd < 0) return;
    char buf[kReadChunk];
    const ssize_t nRead = ::recv(pConn->fd, buf, sizeof buf, MSG_DONTWAIT);
    if (nRead < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) Close(pConn);
        return;
    }
    if (nRead == 0) {
        pConn->bPeerDone = true;
        return Send(pConn);  // closes once the answers are out
    }
    const char* p = buf;
    const char* const end = buf + nRead;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* stop = nl ? nl : end;
        if (!pConn->bSkipping) {
            // One byte more than a path may have is enough to know that the line is too long.
            const size_t room = kShellMaxPath + 1 - pConn->strLine.size();
            pConn->strLine.append(p, std::min(room, static_cast<size_t>(stop - p)));
        }
        if (nl) {
            if (!pConn->bSkipping) Answer(pConn, pConn->strLine);
            pConn->strLine.clear();
            pConn->bSkipping = false;
            p = nl + 1;
        } else {
            if (!pConn->bSkipping && pConn->strLine.size() > kShellMaxPath) {
                // Answered now; the rest of the line, however long, is dropped.
                Answer(pConn, pConn->strLine);
                pConn->strLine.clear();
                pConn->bSkipping = true;
            }
            p = end;
        }
    }
    Send(pConn);
}

void CShellOpenServer::OnWritable(CConnection* pConn) {
    if (pConn->fd >= 0) Send(pConn);
}

void CShellOpenServer::Answer(CConnection* pConn, const std::string& strLine) {
    const std::string answer = CheckLine(strLine);
    pConn->strOut += answer + '\n';
    pConn->nLastActive = ++m_nActivity;
    pConn->pIdle->start(m_nIdleMs);
    if (answer != "ok") return;
    m_strPending = strLine;
    if (!m_pDeliver->isActive()) m_pDeliver->start(0);
}

void CShellOpenServer::Send(CConnection* pConn) {
    size_t nSent = 0;
    while (nSent < pConn->strOut.size()) {
        const ssize_t n =
            ::send(pConn->fd, pConn->strOut.data() + nSent, pConn->strOut.size() - nSent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) return Close(pConn);  // the peer went away
        nSent += static_cast<size_t>(n);
    }
    pConn->strOut.erase(0, nSent);
    if (pConn->bPeerDone && pConn->strOut.empty()) return Close(pConn);
    pConn->pWrite->setEnabled(!pConn->strOut.empty());
    // A peer that does not take its answers is not read from until it does.
    pConn->pRead->setEnabled(!pConn->bPeerDone && pConn->strOut.size() < kMaxUnsent);
}

void CShellOpenServer::Close(CConnection* pConn) {
    if (!pConn || pConn->fd < 0) return;
    pConn->pRead->setEnabled(false);
    pConn->pWrite->setEnabled(false);
    pConn->pIdle->stop();
    ::close(pConn->fd);
    pConn->fd = -1;
    m_connections.erase(std::find(m_connections.begin(), m_connections.end(), pConn));
    pConn->deleteLater();
}

void CShellOpenServer::Deliver() {
    if (m_strPending.empty()) return;
    std::string path = std::exchange(m_strPending, std::string());
    // The open may run dialogs, in which further paths arrive and replace this one as the one waiting.
    const bool bTaken = m_onOpen(path);
    if (!bTaken && m_strPending.empty()) m_strPending = std::move(path);
    if (!m_strPending.empty()) m_pDeliver->start(bTaken ? 0 : kRetryMs);
}
