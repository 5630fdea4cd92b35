#include "quillstorm/shellintegration.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/afx/afx.h"
#include "quillstorm/shellfiles.h"

namespace {

// A path longer than this is no path: a later start that sends more is cut off.
constexpr qint64 kMaxLine = 64 * 1024;
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

QString ShellServerName() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::tempPath();
    return folder + "/quillstorm-" + QString::number(::getuid());
}

bool ShellHandOver(const QString& strServerName, const QString& strPath, int nTimeoutMs) {
    if (strPath.isEmpty() || strPath.contains('\n')) return false;
    QDeadlineTimer deadline(nTimeoutMs);
    QLocalSocket socket;
    socket.connectToServer(strServerName);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) return false;
    socket.write(strPath.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}

CShellOpenServer::CShellOpenServer(std::function<void(const QString&)> onOpen, QObject* pParent)
    : QObject(pParent), m_onOpen(std::move(onOpen)), m_pServer(new QLocalServer(this)) {
    connect(m_pServer, &QLocalServer::newConnection, this, &CShellOpenServer::OnNewConnection);
}

CShellOpenServer::~CShellOpenServer() { m_pServer->close(); }

bool CShellOpenServer::Listen(const QString& strServerName) {
    {
        QLocalSocket probe;
        probe.connectToServer(strServerName);
        if (probe.waitForConnected(500)) return false;  // another program has the name
    }
    QLocalServer::removeServer(strServerName);
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pServer->listen(strServerName)) {
        TRACE("Shell open: cannot listen at %s (%s)\n", qPrintable(strServerName), qPrintable(m_pServer->errorString()));
        return false;
    }
    return true;
}

bool CShellOpenServer::IsListening() const { return m_pServer->isListening(); }

void CShellOpenServer::OnNewConnection() {
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] { OnReadyRead(pSocket); });
        OnReadyRead(pSocket);
    }
}

void CShellOpenServer::OnReadyRead(QLocalSocket* pSocket) {
    while (pSocket->canReadLine()) {
        QByteArray line = pSocket->readLine(kMaxLine);
        if (line.endsWith('\n')) line.chop(1);
        const QString path = QString::fromUtf8(line);
        pSocket->write("ok\n");
        pSocket->flush();
        if (!path.isEmpty())
            QMetaObject::invokeMethod(this, [this, path] { m_onOpen(path); }, Qt::QueuedConnection);
    }
    if (pSocket->bytesAvailable() > kMaxLine) pSocket->abort();
}
