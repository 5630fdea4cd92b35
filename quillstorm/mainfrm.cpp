#include "quillstorm/mainfrm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/ui/uiservices.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/quill.h"
#include "quillstorm/quilldoc.h"

CMainFrame::CMainFrame(CQuillDoc* pDoc) : QWidget(nullptr), m_pDoc(pDoc) {
    // PreCreateWindow: no menu, the window name.
    setWindowTitle(kWindowName);
    setProperty("quillstormMainFrame", true);
    setAttribute(Qt::WA_QuitOnClose, true);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    AddAccelerators();
}

CMainFrame::~CMainFrame() { DestroyWindow(); }

BOOL CMainFrame::Create() {
    m_pView = new CQuillView(m_pDoc, this);
    layout()->addWidget(m_pView);
    if (m_pView->OnCreate() != 0) return FALSE;
    m_pView->setFocus();
    UpdateFrameTitle();
    return TRUE;
}

void CMainFrame::DestroyWindow() {
    if (!m_pView) return;
    CQuillView* pView = m_pView;
    m_pView = nullptr;
    pView->OnDestroy();
    delete pView;
}

void CMainFrame::AddAccelerators() {
    struct Accelerator {
        QKeySequence keys;
        void (*run)(CQuillView*);
    };
    const Accelerator table[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), [](CQuillView* v) { v->OnFileNew(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_O), [](CQuillView* v) { v->OnFileOpen(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_S), [](CQuillView* v) { v->OnFileSave(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_A), [](CQuillView* v) { v->OnFileSaveAs(); }},
        // Copy and paste run only while enabled (their update handlers), as a routed command does.
        {QKeySequence(Qt::CTRL | Qt::Key_C), [](CQuillView* v) { if (v->OnUpdateEditCopy()) v->OnEditCopy(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), [](CQuillView* v) { if (v->OnUpdateEditCopy()) v->OnEditCopy(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_V), [](CQuillView* v) { if (v->OnUpdateEditPaste()) v->OnEditPaste(); }},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), [](CQuillView* v) { if (v->OnUpdateEditPaste()) v->OnEditPaste(); }},
        // Cut and undo have no handler: the keys are taken and nothing happens.
        {QKeySequence(Qt::CTRL | Qt::Key_X), nullptr},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), nullptr},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), nullptr},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), nullptr},
    };
    for (const Accelerator& a : table) {
        auto* pShortcut = new QShortcut(a.keys, this);
        pShortcut->setContext(Qt::WindowShortcut);
        auto run = a.run;
        connect(pShortcut, &QShortcut::activated, this, [this, run] {
            if (run && m_pView) run(m_pView);
        });
    }
}

BOOL CMainFrame::OnClose() {
    if (m_pView && m_pView->m_bModified) {
        const int r = AfxMessageBox("Save changes before exiting Quillstorm!?", MB_YESNOCANCEL);
        if (r == IDCANCEL) return FALSE;
        // Yes: Save As; the window closes only when the scene was written.
        if (r == IDYES && !m_pView->OnFileSaveAs()) return FALSE;
    }
    return TRUE;
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    if (!OnClose()) {
        e->ignore();
        return;
    }
    DestroyWindow();
    e->accept();
}

void CMainFrame::OnSizing() {
    if (m_pView) m_pView->m_bSizeChanged = 1;
}

void CMainFrame::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    CheckWindowRect();
    if (e->size() == m_expectedSize) {
        m_expectedSize = QSize();
        return;
    }
    // Only a resize the window system reports and this program did not ask for is the user's sizing.
    if (e->spontaneous() && !IsPlacingWindow()) OnSizing();
}

void CMainFrame::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    CheckWindowRect();
}

void CMainFrame::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) CheckWindowRect();
}

void CMainFrame::UpdateWindow() {
    QElapsedTimer waited;
    waited.start();
    while (isVisible() && windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // The caption and borders are known once the frame is shown: the outer rectangle asked for before
    // is applied again with them.
    if (m_bHasRequest && !isFullScreen() && GetWindowRect() != m_rcRequested) SetWindowRect(m_rcRequested);
    if (m_pView) m_pView->repaint();
}

void CMainFrame::DragAcceptFiles(BOOL bAccept) { setAcceptDrops(bAccept != FALSE); }

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) {
        for (const QUrl& url : e->mimeData()->urls()) {
            if (url.isLocalFile()) {
                e->acceptProposedAction();
                return;
            }
        }
    }
    QWidget::dragEnterEvent(e);
}

// A local file's name, byte for byte: the URL's percent-encoded path decoded as bytes (the decoded
// text would turn a name that is not UTF-8 into another one).
std::string CMainFrame::DroppedFileName(const QUrl& url) {
    QByteArray name = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        name.prepend("//" + url.host(QUrl::FullyEncoded).toLatin1());
    return name.toStdString();
}

void CMainFrame::dropEvent(QDropEvent* e) {
    std::vector<std::string> files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) files.push_back(DroppedFileName(url));
    if (files.empty()) return;
    e->acceptProposedAction();
    activateWindow();
    // Each dropped file in turn, as the framework opens them; a cancelled prompt ends the drop.
    for (const std::string& f : files) {
        if (!CQuillApp::Get()) break;
        BOOL bCancelled = FALSE;
        CQuillApp::Get()->OpenDocumentFile(CString(f), &bCancelled);
        if (bCancelled) break;
    }
}

CRect CMainFrame::GetWindowRect() const {
    const QRect r = frameGeometry();
    return CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

namespace {
// How long, and how often, a frame placement is applied again while the window system frames the
// window (a user's move after that is the user's).
constexpr qint64 kCorrectionWindowMs = 1000;
constexpr int kMaxCorrections = 4;
}  // namespace

QMargins CMainFrame::Decorations() const {
    const QRect f = frameGeometry();
    const QRect g = geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

void CMainFrame::SetWindowRect(const CRect& rc) {
    m_rcRequested = rc;
    m_bHasRequest = true;
    m_nCorrections = kMaxCorrections;
    m_requestAge.start();
    ApplyWindowRect();
}

void CMainFrame::ApplyWindowRect() {
    if (!isFullScreen() && !Decorations().isNull()) m_decorations = Decorations();
    const CRect& rc = m_rcRequested;
    const QMargins& m = m_decorations;
    const QRect client(rc.left + m.left(), rc.top + m.top(), std::max(0, rc.Width() - m.left() - m.right()),
                       std::max(0, rc.Height() - m.top() - m.bottom()));
    if (client.size() != size()) m_expectedSize = client.size();
    setGeometry(client);
}

BOOL CMainFrame::IsPlacingWindow() const {
    return m_bHasRequest && m_nCorrections > 0 && m_requestAge.isValid() && m_requestAge.elapsed() <= kCorrectionWindowMs
               ? TRUE
               : FALSE;
}

void CMainFrame::CheckWindowRect() {
    if (isFullScreen() || !isVisible()) return;
    const QMargins now = Decorations();
    if (!now.isNull()) m_decorations = now;
    if (!IsPlacingWindow() || m_bCorrectionQueued || GetWindowRect() == m_rcRequested) return;
    m_bCorrectionQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_bCorrectionQueued = false;
        if (!IsPlacingWindow() || isFullScreen() || GetWindowRect() == m_rcRequested) return;
        --m_nCorrections;
        ApplyWindowRect();
    });
}

void CMainFrame::ShowFullScreen(const QRect& rcScreen) {
    m_nCorrections = 0;
    if (!isFullScreen() && !Decorations().isNull()) m_decorations = Decorations();
    // The screen's rectangle first (a display without a window manager does not act on the state,
    // and a move after the state would end it).
    setGeometry(rcScreen);
    setWindowState(windowState() | Qt::WindowFullScreen);
}

void CMainFrame::ShowWindowed(const CRect& rc) {
    if (windowState() & Qt::WindowFullScreen) setWindowState(windowState() & ~Qt::WindowFullScreen);
    SetWindowRect(rc);
}

void CMainFrame::UpdateFrameTitle() {
    const CString title = (m_pDoc ? m_pDoc->GetTitle() : CString("Untitled")) + " - " + kWindowName;
    setWindowTitle(QString::fromStdString(title.str()));
}
