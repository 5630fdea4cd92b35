// CQuillApp: the application object and its start-up; the recent-file list; and the small
// process-wide functions the view uses (the element-deleted callback, the colour-dialog hook, the
// colour inversion).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/afx/afx.h"

class QSettings;
class CKTElement;
class CShellOpenServer;
class CMainFrame;
class CQuillDoc;
class CQtUIServices;

// What main() hands to InitInstance: the command line as the class library's command-line record
// sees it, plus the start-up options for headless runs.
struct CQuillStartup {
    // The class library's shell command: a new document, or open the named file.
    enum class Command { FileNew, FileOpen };
    Command command = Command::FileNew;
    std::string strFileName;     // the file to open (FileOpen)
    bool bShowSplash = true;     // --no-splash: start without the splash
    std::string strSettingsFile; // --settings=FILE: settings in that file (INI form) instead of the user's
    // The desktop's side (not options: the program always has it; tests switch it off or point it
    // elsewhere): the document type and desktop entry written into the data folder (empty: the
    // user's), and the running program's socket path (empty: the user's) that later starts hand their
    // document to. File names are bytes, as the command line gave them.
    bool bShellIntegration = true;
    std::string strDataFolder;
    std::string strServerName;
    // The display the program shows on, as ShellDisplayName gives it: its socket is that display's
    // (empty: this process's display, from its platform and environment). main sets it, since the
    // toolkit takes its -display option out of the arguments.
    std::string strDisplay;

    // Parses the arguments after the program's name: options start with '-' (unknown ones are
    // ignored); the first other argument is the file to open, a relative or an absolute path alike.
    // A lone "-" is not an option.
    static CQuillStartup FromArguments(const std::vector<std::string>& args);
};

// The class library's most-recently-used file list: newest first, at most m_nSize entries.
class CRecentFileList {
public:
    explicit CRecentFileList(int nSize = 4) : m_nSize(nSize) {}
    // Puts the path first (an equal entry further down is removed).
    void Add(const CString& strPathName);
    void Remove(int nIndex);
    int GetSize() const { return m_nSize; }
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    const CString& operator[](int nIndex) const { return m_entries[static_cast<size_t>(nIndex)]; }
    // Section "Recent File List", entries "File1" ... "File<size>".
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

private:
    int m_nSize;
    std::vector<CString> m_entries;
};

class CQuillApp {
public:
    // The class library's registry key and the application's name under it.
    static constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
    static constexpr const char* kAppName = "Quillstorm!";

    CQuillApp();
    ~CQuillApp();
    CQuillApp(const CQuillApp&) = delete;
    CQuillApp& operator=(const CQuillApp&) = delete;

    // The one application object, or NULL.
    static CQuillApp* Get();

    // The start-up: settings and recent files, the document, frame and view, the command line, the
    // window shown, a command-line document read the second time, drops accepted, the splash.
    // FALSE when creation or the command line's document fails: the program ends.
    BOOL InitInstance(const CQuillStartup& startup);
    // Writes the settings and deletes what is left (frame, view, then the document with its book).
    int ExitInstance();
    // TRUE while the main window exists.
    BOOL IsRunning() const { return m_pMainWnd ? TRUE : FALSE; }
    // TRUE when InitInstance gave the command line's document to the program already running (and
    // returned FALSE: this start ends, successfully).
    BOOL HandedOver() const { return m_bHandedOver; }
    // TRUE when the program already running refused the command line's document (this start ends
    // with a failure, having said why on standard error).
    BOOL HandOverRefused() const { return m_bHandOverRefused; }

    // Opens a file as the framework does for drops, the recent-file list and the shell: the save
    // prompt of Open when the scene is modified, then the document's OnOpenDocument; on success the
    // path becomes the document's path name. FALSE when cancelled (*pbCancelled TRUE) or not loaded.
    BOOL OpenDocumentFile(const CString& strPath, BOOL* pbCancelled = nullptr);
    // A document a later start handed over: opened as a dropped file, and the window raised. FALSE
    // while a dialog is open (the document is offered again later).
    BOOL OpenHandedOverDocument(const CString& strPath);
    void AddToRecentFileList(const CString& strPathName);
    CRecentFileList& GetRecentFileList() { return m_recentFiles; }
    QSettings* GetSettings() const { return m_pSettings.get(); }

    CMainFrame* m_pMainWnd = nullptr;
    CQuillDoc* m_pDocument = nullptr;

private:
    void DeleteMainFrame();
    // Offers the command line's document to the program listening at strSocket. FALSE when this
    // start ends here (taken, or refused); TRUE when it opens the document itself.
    BOOL HandOverDocument(const std::string& strSocket, const std::string& strFileName);
    void DeleteDocument();

    std::unique_ptr<QSettings> m_pSettings;
    CRecentFileList m_recentFiles{4};
    std::unique_ptr<CQtUIServices> m_pUIServices;
    std::unique_ptr<CShellOpenServer> m_pShellServer;
    BOOL m_bHandedOver = FALSE;
    BOOL m_bHandOverRefused = FALSE;
};

// The program's version string: the first field of every document, and the splash's text.
constexpr char kQuillVersionString[] = "version 0.969 alpha";

// The class library's report of an exception: a message box (OK) with the exception's message.
void ReportException(const CException& e);

// Registers every stored class of the program (the scene library's and the document's). main() and
// the test mains call it before anything is loaded.
void QuillRegisterClasses();

// The book's element-deleted callback: clears the view's references to pElement and its subtree.
void PurgeElementReferences(CKTElement* pElement);
// The colour-dialog hook: handles no message (0 for every message), so the dialog does its default.
UINT ColorDialogHook(void* hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Every bit of the low 24 bits flipped; the high byte 0.
constexpr COLORREF InvertColor(COLORREF c) { return ~c & 0x00FFFFFFu; }
