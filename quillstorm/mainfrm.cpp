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
    if (e->size() == m_expectedSize) {
        m_expectedSize = QSize();
        return;
    }
    // Only a resize the window system reports and this program did not ask for is the user's sizing.
    if (e->spontaneous()) OnSizing();
}

void CMainFrame::UpdateWindow() {
    QElapsedTimer waited;
    waited.start();
    while (isVisible() && windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // The caption and borders are known once the frame is shown: the outer rectangle asked for before
    // is applied again with them.
    if (m_bHasRequest && GetWindowRect() != m_rcRequested) SetWindowRect(m_rcRequested);
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

void CMainFrame::dropEvent(QDropEvent* e) {
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    if (files.isEmpty()) return;
    e->acceptProposedAction();
    activateWindow();
    // Each dropped file in turn, as the framework opens them; a cancelled prompt ends the drop.
    for (const QString& f : files) {
        if (!CQuillApp::Get()) break;
        BOOL bCancelled = FALSE;
        CQuillApp::Get()->OpenDocumentFile(CString(f.toStdString().c_str()), &bCancelled);
        if (bCancelled) break;
    }
}

CRect CMainFrame::GetWindowRect() const {
    const QRect r = frameGeometry();
    return CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

void CMainFrame::SetWindowRect(const CRect& rc) {
    m_rcRequested = rc;
    m_bHasRequest = true;
    // The caption and borders, as far as the window system has told them.
    const int dw = frameGeometry().width() - width();
    const int dh = frameGeometry().height() - height();
    const QSize client(std::max(0, rc.Width() - dw), std::max(0, rc.Height() - dh));
    move(rc.left, rc.top);
    if (client != size()) {
        m_expectedSize = client;
        resize(client);
    }
}

void CMainFrame::UpdateFrameTitle() {
    const CString title = (m_pDoc ? m_pDoc->GetTitle() : CString("Untitled")) + " - " + kWindowName;
    setWindowTitle(QString::fromStdString(title.str()));
}
