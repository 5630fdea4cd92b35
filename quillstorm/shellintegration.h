// The desktop's side of documents, the freedesktop way: the document type (a MIME type) and the
// program's desktop entry, written into the user's data folder at start-up; and the hand-over of a
// document from a later start to the program that already runs on the same display, over a local
// socket named per user and display.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;

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

// ---- the hand-over -------------------------------------------------------------------------------
// A later start hands its document to the program that already runs: one line per document, the
// absolute path as bytes (file names are bytes here, whatever the locale), answered by one line:
// "ok" when the path was taken for opening, a short reason when it was refused.

// The longest path a line may carry (PATH_MAX counts the terminating zero).
constexpr size_t kShellMaxPath = PATH_MAX - 1;

// "" when strFolder is a folder of uid's, not reached through a symbolic link, that nobody else can
// enter or read (no group or other permission bits); else why not, for the user to read.
std::string ShellCheckPrivateFolder(const std::string& strFolder, uid_t uid);

// The display a program shows on, as one name for the hand-over: starts on the same display hand
// their documents to the program there; a start on another display opens its own window.
//  - X ("xcb"): "x11-" and the display that the toolkit's -display option names, else $DISPLAY, as
//    ShellXDisplayName gives it (":41" and ":41.0" are one display);
//  - Wayland ("wayland"): "wayland-" and $WAYLAND_DISPLAY, "wayland-0" when unset or empty;
//  - any other platform ("offscreen", "minimal", ...): its own name.
std::string ShellDisplayName(const std::string& strPlatform, const char* pszXDisplay, const char* pszWaylandDisplay);
// The X display a display string names, for all its screens: the host part as it is (the local
// "unix" host as none), the display number without the screen number: "host:41.2" gives "host:41",
// "unix:41.0" gives ":41". A string not of the form "[host]:number[.screen]" stays as it is.
std::string ShellXDisplayName(const std::string& strDisplay);
// The display name Qt's X platform takes from the arguments, which QApplication then takes out of
// them: the value after the last "-display" (or "--display"); NULL when there is none.
const char* ShellDisplayOption(int argc, char** argv);
// This process's display, from the toolkit's platform (a QGuiApplication exists) and the
// environment; pszXDisplayOption is ShellDisplayOption of the arguments, or NULL.
std::string ShellProcessDisplay(const char* pszXDisplayOption);
// The display name as part of a file name: letters, digits, '.' and '-' as they are, every other
// byte as '%' and two upper-case hex digits; one longer than 40 bytes cut and ended by a hash of the
// whole, so that a socket's path stays short. Never empty, never a hidden name.
std::string ShellDisplayFileName(const std::string& strDisplay);

// Where the running program on the display strDisplay listens for the user uid: the socket
// "quillstorm-<uid>-<display>" in the runtime folder pszRuntimeDir (the value of XDG_RUNTIME_DIR, or
// NULL) when that is a private folder of the user's; else the socket "<display>" in the folder
// "<strTempDir>/quillstorm-<uid>", made with mode 0700 when missing (<display> is
// ShellDisplayFileName of strDisplay). strSocket is empty when that folder is not private
// (strRefusal then says why): the program then runs without hand-over.
struct CShellServerPlace {
    std::string strSocket;
    std::string strRefusal;
};
CShellServerPlace ShellServerPlace(const char* pszRuntimeDir, const std::string& strTempDir, uid_t uid,
                                   const std::string& strDisplay);
// The same for this process's user, from its environment ($TMPDIR, else /tmp).
CShellServerPlace ShellServerPlace(const std::string& strDisplay);

// strPath made absolute in the current directory and lexically normal, byte for byte.
std::string ShellAbsolutePath(const std::string& strPath);
// A path for a message: control bytes shown as '?'; the rest as it is.
std::string ShellPrintablePath(const std::string& strPath);

enum class ShellHandOverStatus {
    taken,       // the running program took the path for opening
    noProgram,   // nothing answers there (or not in time): this start opens the document itself
    otherUser,   // the listener is another user's: it was sent nothing
    unsendable,  // the path holds a line break, which a line cannot carry
    refused,     // the running program refused the path; strReason is its answer
};
struct CShellHandOverResult {
    ShellHandOverStatus status = ShellHandOverStatus::noProgram;
    std::string strReason;
};
// A later start: hands the absolute path strPath to the program listening at the socket strSocket,
// after checking that the listener runs as this process's user.
CShellHandOverResult ShellHandOver(const std::string& strSocket, const std::string& strPath, int nTimeoutMs = 5000);

// The running program's end: takes paths from later starts of the same user. Each line is answered at
// once; a taken path waits for the event loop, so a later start never waits for the open itself (which
// may ask to save the scene). Paths taken while one waits replace it: the last one wins, and at most
// one waits.
//
// What the server holds is bounded whatever its peers do: at most kMaxConnections connections at once
// (a new one closes the connection that has waited longest for a line), each closed when it brings no
// line for the idle time, and a peer that does not read its answers is not read from until it does.
// When no descriptor is free, or an accept would take the last ones (a window being opened needs them),
// the connection that has waited longest makes room; with none to close, accepting pauses a moment
// (a connection accepted already is closed unanswered: its start opens a window of its own). It
// pauses too while a message has the reserve's room (platform/kernel/fdreserve.h). The listener
// never gives up its socket.
class CShellOpenServer : public QObject {
    Q_OBJECT

public:
    // onOpen opens a path; FALSE when it cannot now (a dialog is open): the server asks again shortly,
    // with the latest path by then.
    explicit CShellOpenServer(std::function<bool(const std::string&)> onOpen, QObject* pParent = nullptr);
    ~CShellOpenServer() override;

    // Listens at the socket strSocket, for this user only. A program that answers there already keeps
    // the name (FALSE); a socket left by one that ended is removed first.
    bool Listen(const std::string& strSocket);
    bool IsListening() const;
    // The path that waits for the event loop, or empty.
    std::string PendingPath() const { return m_strPending; }

    // The answer to one line (without its line break): "ok" for a path to open, else the reason.
    static std::string CheckLine(const std::string& strLine);

    // How long a path waits when onOpen could not take it.
    static constexpr int kRetryMs = 250;
    // The most connections served at once.
    static constexpr int kMaxConnections = 32;
    // How long a connection may go without bringing a whole line.
    static constexpr int kIdleMs = 5000;
    // How long accepting pauses when the process is short of descriptors.
    static constexpr int kShortagePauseMs = 250;
    // The most answer bytes kept for a peer that does not read them.
    static constexpr size_t kMaxUnsent = 64 * 1024;

    // The idle time instead of kIdleMs (tests shorten it).
    void SetIdleTime(int nMs) { m_nIdleMs = nMs; }
    // The connections open now.
    int ConnectionCount() const { return static_cast<int>(m_connections.size()); }

private:
    struct CConnection;
    void OnAcceptable();
    void PauseAccepting();
    void ResumeAccepting();
    void Serve(int fd);
    void OnReadable(CConnection* pConn);
    void OnWritable(CConnection* pConn);
    void Answer(CConnection* pConn, const std::string& strLine);
    void Send(CConnection* pConn);
    void Close(CConnection* pConn);
    CConnection* LongestWaiting() const;
    void Deliver();

    std::function<bool(const std::string&)> m_onOpen;
    int m_nListenFd = -1;
    QSocketNotifier* m_pAcceptNotifier = nullptr;
    QTimer* m_pResume;   // accepting again after a shortage
    QTimer* m_pDeliver;
    std::vector<CConnection*> m_connections;  // children of this object, oldest first
    uint64_t m_nActivity = 0;                 // counts accepts and lines, to find the longest waiting
    int m_nIdleMs = kIdleMs;
    std::string m_strPending;  // empty: none waits (an empty path is never taken)
    std::string m_strSocket;   // the socket this server made, removed when it closes
};
