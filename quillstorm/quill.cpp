#include "quillstorm/quill.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSettings>

#include <cstdio>

#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktword.h"
#include "kinetype/ktregister.h"
#include "platform/kernel/fdreserve.h"
#include "platform/kernel/heaptune.h"
#include "platform/kernel/workpool.h"
#include "platform/ui/uiservices.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/qtuiservices.h"
#include "quillstorm/quilldoc.h"
#include "quillstorm/shellintegration.h"
#include "quillstorm/splashdialog.h"

namespace {
CQuillApp* g_pApp = nullptr;
}

// ---- command line --------------------------------------------------------------------------------

CQuillStartup CQuillStartup::FromArguments(const std::vector<std::string>& args) {
    CQuillStartup s;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--no-splash") {
            s.bShowSplash = false;
        } else if (a.rfind("--settings=", 0) == 0) {
            s.strSettingsFile = a.substr(11);
        } else if (a == "--settings" && i + 1 < args.size()) {
            s.strSettingsFile = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            // An option this program does not know: ignored.
        } else if (s.command == Command::FileNew && !a.empty()) {
            s.command = Command::FileOpen;
            s.strFileName = a;
        }
    }
    return s;
}

// ---- recent files --------------------------------------------------------------------------------

void CRecentFileList::Add(const CString& strPathName) {
    if (strPathName.IsEmpty() || m_nSize <= 0) return;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i] == strPathName) {
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    m_entries.insert(m_entries.begin(), strPathName);
    if (static_cast<int>(m_entries.size()) > m_nSize) m_entries.resize(static_cast<size_t>(m_nSize));
}

void CRecentFileList::Remove(int nIndex) {
    if (nIndex >= 0 && nIndex < GetCount()) m_entries.erase(m_entries.begin() + nIndex);
}

void CRecentFileList::ReadList(QSettings& settings) {
    m_entries.clear();
    settings.beginGroup("Recent File List");
    for (int i = 1; i <= m_nSize; ++i) {
        // A name that is not UTF-8 is stored as bytes; the others as text, as they always were.
        const QVariant v = settings.value(QString("File%1").arg(i));
        const QByteArray name = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
        if (!name.isEmpty() && !name.contains('\0')) m_entries.emplace_back(std::string_view(name.constData(), name.size()));
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const {
    settings.beginGroup("Recent File List");
    settings.remove("");
    for (int i = 0; i < GetCount(); ++i) {
        const std::string& name = m_entries[static_cast<size_t>(i)].str();
        const QByteArray bytes(name.data(), static_cast<qsizetype>(name.size()));
        const QString text = QString::fromUtf8(bytes);
        if (text.toUtf8() == bytes)
            settings.setValue(QString("File%1").arg(i + 1), text);
        else
            settings.setValue(QString("File%1").arg(i + 1), bytes);
    }
    settings.endGroup();
}

// ---- the application -----------------------------------------------------------------------------

CQuillApp::CQuillApp() {
    ASSERT(!g_pApp);
    g_pApp = this;
}

CQuillApp::~CQuillApp() {
    ExitInstance();
    if (g_pApp == this) g_pApp = nullptr;
}

CQuillApp* CQuillApp::Get() { return g_pApp; }

BOOL CQuillApp::InitInstance(const CQuillStartup& startup) {
    // 1. Control containment and 3-D controls: nothing to do on this platform.
    ui::SetAppTitle(kAppName);
    // A long run's large blocks go back to the system when freed (see heaptune.h).
    kernel::LimitHeapRetention();
    // The worker pool's size, read now so that a QS_THREADS it cannot use is reported at start.
    (void)qs::WorkThreads();
    // A few descriptors kept for telling the user when the process runs out of them (see fdreserve.h).
    kernel::TakeDescriptorReserve();
    // The toolkit's UI services, unless some are installed already (tests script their own).
    if (ui::CUIServices* pInstalled = ui::SetUIServices(nullptr)) {
        ui::SetUIServices(pInstalled);
    } else if (QApplication::instance()) {
        m_pUIServices = std::make_unique<CQtUIServices>();
        ui::SetUIServices(m_pUIServices.get());
    }

    // 2. The settings under the class library's key, and the recent-file list of 4 entries.
    if (startup.strSettingsFile.empty())
        m_pSettings = std::make_unique<QSettings>(kRegistryKey, kAppName);
    else
        m_pSettings = std::make_unique<QSettings>(QString::fromStdString(startup.strSettingsFile), QSettings::IniFormat);
    m_recentFiles.ReadList(*m_pSettings);

    // 4. The desktop's side: the document type and the desktop entry in the data folder, re-written
    // when they differ; a document for a program that runs already goes to it, and this start ends.
    const bool bOpen = startup.command == CQuillStartup::Command::FileOpen;
    const CString strFile(startup.strFileName);
    std::string strSocket;
    if (startup.bShellIntegration) {
        const QString strData = startup.strDataFolder.empty() ? ShellUserDataFolder()
                                                              : QString::fromStdString(startup.strDataFolder);
        RegisterShellFileTypes(strData, QCoreApplication::applicationFilePath());
        strSocket = startup.strServerName;
        if (strSocket.empty()) {
            const CShellServerPlace place =
                ShellServerPlace(startup.strDisplay.empty() ? ShellProcessDisplay(nullptr) : startup.strDisplay);
            if (place.strSocket.empty())
                std::fprintf(stderr, "quillstorm: no hand-over between starts: %s\n", place.strRefusal.c_str());
            strSocket = place.strSocket;
        }
        if (bOpen && !strSocket.empty() && !HandOverDocument(strSocket, startup.strFileName)) return FALSE;
    }

    // 3 and 5. The single-document template's objects: document, frame and view (the view's window
    // creation runs inside the frame's).
    m_pDocument = new CQuillDoc;
    m_pMainWnd = new CMainFrame(m_pDocument);
    m_pDocument->SetFrame(m_pMainWnd);
    if (!m_pMainWnd->Create()) {
        DeleteMainFrame();
        return FALSE;
    }
    if (bOpen) {
        if (!m_pDocument->OnOpenDocument(strFile)) {
            DeleteMainFrame();
            return FALSE;
        }
        m_pDocument->SetPathName(strFile);
    } else {
        m_pDocument->OnNewDocument();
    }

    // 6. Shown and painted at once.
    m_pMainWnd->show();
    m_pMainWnd->UpdateWindow();

    // 7. A command-line document is read again, now with a client rectangle; it becomes the save path
    // only when this read succeeds.
    if (bOpen) {
        if (CQuillView* pView = m_pMainWnd->GetActiveView()) {
            if (pView->LoadDocument(strFile)) pView->NameScene(strFile);
        }
    }

    // 8. Dropped files, and documents that later starts hand over.
    m_pMainWnd->DragAcceptFiles(TRUE);
    if (!strSocket.empty()) {
        m_pShellServer = std::make_unique<CShellOpenServer>(
            [this](const std::string& path) { return OpenHandedOverDocument(CString(path)) != FALSE; });
        m_pShellServer->Listen(strSocket);
    }

    // 9. The splash, modally; the frame timer keeps stepping and painting behind it.
    if (startup.bShowSplash && m_pMainWnd) {
        CSplashDialog splash;
        splash.DoModal();
    }
    return TRUE;
}

int CQuillApp::ExitInstance() {
    m_pShellServer.reset();
    // A start that handed its document over (or was refused) leaves the settings to the program that runs.
    if (m_pSettings && !m_bHandedOver && !m_bHandOverRefused) {
        m_recentFiles.WriteList(*m_pSettings);
        m_pSettings->sync();
    }
    DeleteMainFrame();
    DeleteDocument();
    m_pSettings.reset();
    if (m_pUIServices) {
        if (ui::GetUIServices() == m_pUIServices.get()) ui::SetUIServices(nullptr);
        m_pUIServices.reset();
    }
    return 0;
}

void CQuillApp::DeleteMainFrame() {
    if (!m_pMainWnd) return;
    m_pMainWnd->DestroyWindow();
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
}

void CQuillApp::DeleteDocument() {
    delete m_pDocument;
    m_pDocument = nullptr;
}

BOOL CQuillApp::OpenDocumentFile(const CString& strPath, BOOL* pbCancelled) {
    if (pbCancelled) *pbCancelled = FALSE;
    if (!m_pDocument) return FALSE;
    CQuillView* pView = g_pView;
    if (pView && !pView->SaveModifiedBeforeOpen()) {
        if (pbCancelled) *pbCancelled = TRUE;
        return FALSE;
    }
    if (!m_pDocument->OnOpenDocument(strPath)) return FALSE;
    m_pDocument->SetPathName(strPath);
    return TRUE;
}

BOOL CQuillApp::OpenHandedOverDocument(const CString& strPath) {
    if (!m_pMainWnd) return TRUE;  // nothing to open it in: dropped
    // Not under an open dialog or message box (the splash aside): it would act on a scene that the
    // open replaces. The server asks again shortly.
    QWidget* pModal = QApplication::activeModalWidget();
    if (pModal && !qobject_cast<CSplashDialog*>(pModal)) return FALSE;
    if (m_pMainWnd->windowState() & Qt::WindowMinimized)
        m_pMainWnd->setWindowState(m_pMainWnd->windowState() & ~Qt::WindowMinimized);
    m_pMainWnd->raise();
    m_pMainWnd->activateWindow();
    OpenDocumentFile(strPath);
    return TRUE;
}

BOOL CQuillApp::HandOverDocument(const std::string& strSocket, const std::string& strFileName) {
    const std::string strPath = ShellAbsolutePath(strFileName);
    const CShellHandOverResult r = ShellHandOver(strSocket, strPath);
    switch (r.status) {
        case ShellHandOverStatus::taken:
            m_bHandedOver = TRUE;
            return FALSE;
        case ShellHandOverStatus::refused:
            std::fprintf(stderr, "quillstorm: the running program refused %s: %s\n", ShellPrintablePath(strPath).c_str(),
                         r.strReason.c_str());
            m_bHandOverRefused = TRUE;
            return FALSE;
        case ShellHandOverStatus::otherUser:
            std::fprintf(stderr, "quillstorm: %s is not this user's program (%s); it was sent nothing\n",
                         ShellPrintablePath(strSocket).c_str(), r.strReason.c_str());
            return TRUE;
        case ShellHandOverStatus::unsendable:
        case ShellHandOverStatus::noProgram: return TRUE;
    }
    return TRUE;
}

void CQuillApp::AddToRecentFileList(const CString& strPathName) { m_recentFiles.Add(strPathName); }

// ---- process-wide helpers ------------------------------------------------------------------------

void QuillRegisterClasses() {
    KTRegisterClasses();
    AfxRegisterClass(RUNTIME_CLASS(CQuillDoc));
}

namespace {

// A (passage, word, glyph) position in the text: the level that is pElement goes, and the levels
// below it go with it.
void PurgeTextPosition(CKTElement* pElement, CKTPassage*& pPassage, CKTWord*& pWord, CKTGlyph*& pGlyph) {
    if (static_cast<CKTElement*>(pPassage) == pElement) {
        pPassage = nullptr;
        pWord = nullptr;
        pGlyph = nullptr;
    } else if (static_cast<CKTElement*>(pWord) == pElement) {
        pWord = nullptr;
        pGlyph = nullptr;
    } else if (static_cast<CKTElement*>(pGlyph) == pElement) {
        pGlyph = nullptr;
    }
}

}  // namespace

void PurgeElementReferences(CKTElement* pElement) {
    CQuillView* v = g_pView;
    if (!v || !pElement) return;
    // 1. Every occurrence leaves the selection.
    for (POSITION pos = v->m_selection.GetHeadPosition(); pos;) {
        const POSITION cur = pos;
        if (v->m_selection.GetNext(pos) == pElement) v->m_selection.RemoveAt(cur);
    }
    // 2. The subtree, first child to last.
    for (CKTElement* pChild = pElement->GetFirstChild(); pChild; pChild = pChild->GetNextSibling())
        PurgeElementReferences(pChild);
    // 3. The view's pointers, with their dependants. The level the selection came from and the hover
    // preview are cleared too, so that no pointer of the view outlives its element.
    if (v->m_pSelected == pElement) v->m_pSelected = nullptr;
    if (v->m_pPrevSelected == pElement) v->m_pPrevSelected = nullptr;
    if (static_cast<CKTElement*>(v->m_pPreview) == pElement) v->m_pPreview = nullptr;
    PurgeTextPosition(pElement, v->m_pCurPassage, v->m_pCurWord, v->m_pCurGlyph);
    if (v->m_pSprayed == pElement) v->m_pSprayed = nullptr;
    PurgeTextPosition(pElement, v->m_pSprayPassage, v->m_pSprayWord, v->m_pSprayGlyph);
}

void ReportException(const CException& e) { AfxMessageBox(e.GetErrorMessage(), MB_OK); }

UINT ColorDialogHook(void*, UINT, WPARAM, LPARAM) { return 0; }
