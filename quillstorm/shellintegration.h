// The desktop's side of documents, the freedesktop way: the document type (a MIME type) and the
// program's desktop entry, written into the user's data folder at start-up; and the hand-over of a
// document from a later start to the program that already runs, over a local socket named per user.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;
class QLocalSocket;

// The document type: *.qsd, or "version " at offset 1 (every version's string starts so).
constexpr char kQuillMimeType[] = "application/x-quillstorm-document";
// File names in the data folder: mime/packages/<package> and applications/<desktop entry>.
constexpr char kQuillMimePackage[] = "quillstorm.xml";
constexpr char kQuillDesktopEntry[] = "quillstorm.desktop";

// The MIME package's text (shared-mime-info XML), as installed.
QString ShellMimePackageText();
// The desktop entry's text with Exec running strProgram on the chosen file (%f), the command quoted
// as desktop entries want it.
QString ShellDesktopEntryText(const QString& strProgram);
// The user's data folder: $XDG_DATA_HOME, else ~/.local/share.
QString ShellUserDataFolder();

struct CShellRegistration {
    bool bMimeWritten = false;     // mime/packages/quillstorm.xml was missing or different
    bool bDesktopWritten = false;  // applications/quillstorm.desktop was missing or different
    QStringList ran;               // the database tools that ran, by name
};
// Writes the MIME package and the desktop entry (Exec naming strProgram) into strDataFolder when they
// are missing or differ, then runs update-mime-database on its mime folder and update-desktop-database
// on its applications folder, each when it is on the PATH and its folder changed or has no database
// yet. A failure is a debug trace only.
CShellRegistration RegisterShellFileTypes(const QString& strDataFolder, const QString& strProgram);

// Where the running program listens for this user: a socket in $XDG_RUNTIME_DIR, else in the
// temporary folder, named after the user's id.
QString ShellServerName();

// A later start: hands the absolute path strPath to the program listening at strServerName. TRUE once
// that program has taken it; FALSE when none listens or it does not answer within nTimeoutMs.
bool ShellHandOver(const QString& strServerName, const QString& strPath, int nTimeoutMs = 5000);

// The running program's end: takes paths from later starts. Each path (one line, UTF-8) is answered
// at once and then handed to the callback from the event loop, so a later start never waits for the
// open itself (which may ask to save the scene).
class CShellOpenServer : public QObject {
    Q_OBJECT

public:
    explicit CShellOpenServer(std::function<void(const QString&)> onOpen, QObject* pParent = nullptr);
    ~CShellOpenServer() override;

    // Listens at strServerName, for this user only. A program that answers there already keeps the
    // name (FALSE); a socket left by one that ended is removed first.
    bool Listen(const QString& strServerName);
    bool IsListening() const;

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* pSocket);

    std::function<void(const QString&)> m_onOpen;
    QLocalServer* m_pServer;
};
