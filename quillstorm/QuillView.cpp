// The view's construction, window creation and destruction, the frame tick, resizing, focus, MIDI
// plumbing and the book's window.
#include "quillstorm/QuillView.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QTimerEvent>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "platform/afx/afxobj.h"
#include "platform/gdi/cp1252.h"
#include "platform/ui/virtualkeys.h"
#include "pumenu/pumenu.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/propertypanel.h"
#include "quillstorm/pximage.h"
#include "quillstorm/quill.h"
#include "quillstorm/quilldoc.h"
#include "quillstorm/timelinepanel.h"

CQuillView* g_pView = nullptr;
HMIDIIN g_hMidiIn = nullptr;
const CFontSource* CQuillView::s_pFontSource = nullptr;

// Carries MIDI messages from the driver's thread to the GUI thread, in arrival order. The driver's
// proc pushes into the queue and, when the queue was empty, asks the GUI thread (a queued call on this
// object) to drain it. Detach stops the posting before the device closes.
class CMidiRelay : public QObject {
public:
    explicit CMidiRelay(CQuillView* pView) : m_pView(pView) {}

    static void CALLBACK_Proc(HMIDIIN, UINT wMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
        auto* self = reinterpret_cast<CMidiRelay*>(dwInstance);
        if (wMsg != MIM_DATA || self->m_bDetached.load()) return;
        if (self->m_queue.Push(static_cast<DWORD>(dwParam1), static_cast<DWORD>(dwParam2)))
            QMetaObject::invokeMethod(self, [self] { self->Drain(); }, Qt::QueuedConnection);
    }

    void Drain() {
        for (const midi::CMidiMessageQueue::Message& m : m_queue.Drain()) {
            if (m_bDetached.load()) return;
            m_pView->DeliverMidiMessage(m.dwMsg);
        }
    }

    void Detach() {
        m_bDetached.store(true);
        m_queue.Clear();
    }

private:
    CQuillView* m_pView;
    midi::CMidiMessageQueue m_queue;
    std::atomic<bool> m_bDetached{false};
};

CQuillView::CQuillView(CQuillDoc* pDoc, QWidget* pParent)
    : QWidget(pParent),
      m_bModified(0),
      m_strPath("Untitled.qsd"),
      m_pMemDC(nullptr),
      m_pBackBitmap(nullptr),
      m_pOldBitmap(nullptr),
      m_pClientRect(nullptr),
      m_pImageDC(nullptr),
      m_pBackImage(nullptr),
      m_pScaledImage(nullptr),
      m_nImageWidth(0),
      m_nImageHeight(0),
      m_nMouseMode(0),
      m_rcCanvas(0, 0, 652, 511),
      m_bStartFullScreen(0),
      m_ptCaret(50, 50),
      m_pTextRoot(nullptr),
      m_pCurPassage(nullptr),
      m_pCurWord(nullptr),
      m_pCurGlyph(nullptr),
      m_pSelected(nullptr),
      m_pPrevSelected(nullptr),
      m_nClickAge(51),
      m_ptLastClick(0, 0),
      m_bCaretHidden(0),
      m_bCaretShown(1),
      m_ptPrevMouse(0, 0),
      m_crTypingColor(RGB(0, 0, 0)),
      m_nPointSize(24),
      m_pDefaultRenderer(new CKTERDefault),
      m_pMenu(new CPUMenu),
      m_pSimulateItem(nullptr),
      m_pCaptureItem(nullptr),
      m_pHierarchyItem(nullptr),
      m_pPanelItem(nullptr),
      m_pTransparentItem(nullptr),
      m_pCursorItem(nullptr),
      m_pWordnozzleItem(nullptr),
      m_pFullScreenItem(nullptr),
      m_nHoverCommand(0),
      m_pPreview(nullptr),
      m_strTitle("Quillstorm!"),
      m_pCollisionDetector(nullptr),
      m_bSizeChanged(0),
      m_bCursorShown(1),
      m_nLastBehaviorCommand(0),
      m_bShowHierarchy(0),
      m_pPropertyPanel(new CPropertyPanel),
      m_pTimeline(new CTimelinePanel),
      m_bShowGrid(0),
      m_pGridItem(nullptr),
      m_nChunkMode(2),
      m_bSpraying(0),
      m_fSpraySpeed(0.1f),
      m_fSprayClock(0.0f),
      m_pSprayPassage(nullptr),
      m_pSprayWord(nullptr),
      m_pSprayGlyph(nullptr),
      m_pSprayed(nullptr),
      m_dRestartRamp(-1.0),
      m_dwLastMidiMsg(0),
      m_pDocument(pDoc) {
    // The typing font until the catalogue gives one: the fallback face at the typing size.
    std::memset(&m_logFont, 0, sizeof(m_logFont));
    m_logFont.lfHeight = m_nPointSize * 10;
    m_logFont.lfWeight = FW_NORMAL;
    std::memset(m_bNoteHeld, 0, sizeof(m_bNoteHeld));
    // Both panes start hidden.
    m_pPropertyPanel->SetVisible(FALSE);
    m_pTimeline->SetVisible(FALSE);
    InitSprayer();
    g_pView = this;
    g_hMidiIn = nullptr;

    // The window: opaque (every paint covers it), mouse moves without a button, keyboard focus.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_windowDC.CreateCompatibleDC(nullptr);
}

CQuillView::~CQuillView() {
    if (!m_bDestroyed) OnDestroy();
    // A hover preview whose menu never closed (it is outside the book's tree: the view owns it).
    delete m_pPreview;
    m_pPreview = nullptr;
    // The book must not reach the view any more (it is deleted after the view).
    if (g_pView == this) g_pView = nullptr;
    if (m_pDocument && m_pDocument->m_pBook) {
        m_pDocument->m_pBook->SetElementDeletedCallback(nullptr);
        m_pDocument->m_pBook->SetWindow(nullptr);
    }
    delete m_pPropertyPanel;
    m_pPropertyPanel = nullptr;
    delete m_pTimeline;
    m_pTimeline = nullptr;
    delete m_pMenu;
    m_pMenu = nullptr;
    DropBackBuffer();
    delete m_pMemDC;
    delete m_pImageDC;
    delete m_pBackImage;
    delete m_pDefaultRenderer;
    FreeSprayer();
    delete m_pMidiRelay;
}

CKTBook* CQuillView::GetBook() const { return m_pDocument ? m_pDocument->m_pBook : nullptr; }

// ---- window creation and destruction --------------------------------------------------------------

int CQuillView::OnCreate() {
    // 2. The frame timer.
    m_frameTimer.start(kFramePeriodMs, Qt::PreciseTimer, this);
    // 3. The frame: window mode at creation puts it at (0, 0), 652 x 511.
    SetFullScreen(m_bStartFullScreen);
    // 4. The book: its root, its window and the element-deleted callback.
    AttachBook();
    // 5. The font catalogue; the typing font is its first face at the typing size.
    if (s_pFontSource)
        m_fonts.Build(*s_pFontSource);
    else
        m_fonts.Build();
    if (CEnumeratedFontFamily* pFamily = m_fonts.GetFamily(0)) {
        if (CEnumeratedFont* pFont = pFamily->GetFont(0)) {
            m_logFont = *pFont->GetLogFont();
            m_logFont.lfHeight = m_nPointSize * 10;
        }
    }
    // 6. The pop-up menu.
    BuildPopupMenu();
    // 7. The collision detector, added and started.
    CreateCollisionDetector();
    // 8. MIDI input.
    OpenMidiInput();
    return 0;
}

void CQuillView::OnDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = TRUE;
    // Shut-down order: the timer, the MIDI callback, MIDI input; the view and then the book follow.
    m_frameTimer.stop();
    CloseMidiInput();
    // A running capture is finished, so that the movie is complete.
    EndMovieCapture();
}

void CQuillView::ClearSceneReferences() {
    m_pTextRoot = nullptr;
    m_pCurPassage = nullptr;
    m_pCurWord = nullptr;
    m_pCurGlyph = nullptr;
    m_pSelected = nullptr;
    m_pPrevSelected = nullptr;
    m_pSprayed = nullptr;
    m_pSprayGlyph = nullptr;
    m_pSprayWord = nullptr;
    m_pSprayPassage = nullptr;
    m_selection.RemoveAll();
    // The sprayer's behaviours belong to the scene too.
    m_pLifespan = nullptr;
    m_templates.RemoveAll();
}

void CQuillView::AttachBook() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    m_pTextRoot = pBook->GetRoot();
    pBook->SetWindow(this);
    pBook->SetElementDeletedCallback(PurgeElementReferences);
}

void CQuillView::CreateCollisionDetector() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    m_pCollisionDetector = new CKT1DCollisionDetBhvr;
    pBook->AddBehavior(m_pCollisionDetector);
    m_pCollisionDetector->StartListening();
}

// ---- MIDI ----------------------------------------------------------------------------------------

void CQuillView::OpenMidiInput() {
    // The program runs without MIDI; the reason goes to the standard error in every build, so that a
    // user whose keyboard does nothing can see why.
    if (midiInGetNumDevs() == 0) {
        const std::string why = midiInGetStatusText();
        std::fprintf(stderr, "No Midi device found%s%s%s\n", why.empty() ? "" : " (", why.c_str(), why.empty() ? "" : ")");
        return;
    }
    if (!m_pMidiRelay) m_pMidiRelay = new CMidiRelay(this);
    const MMRESULT r = midiInOpen(&g_hMidiIn, 0, &CMidiRelay::CALLBACK_Proc, reinterpret_cast<DWORD_PTR>(m_pMidiRelay));
    if (r != MMSYSERR_NOERROR) {
        std::fprintf(stderr, "Error opening midi device\n");
        g_hMidiIn = nullptr;
        return;
    }
    MIDIINCAPS caps;
    midiInGetDevCaps(0, &caps, sizeof(caps));
    midiInStart(g_hMidiIn);
    TRACE("Midi input started\n");
}

void CQuillView::CloseMidiInput() {
    if (m_pMidiRelay) m_pMidiRelay->Detach();
    if (g_hMidiIn) {
        midiInStop(g_hMidiIn);
        midiInReset(g_hMidiIn);
        midiInClose(g_hMidiIn);
        g_hMidiIn = nullptr;
    }
}

void CQuillView::DeliverMidiMessage(DWORD dwMsg) {
    if (m_bDestroyed) return;
    // A key let go is not held any more, whatever happens to the rest of its message.
    ClearHeldFlag(dwMsg);
    // A message that arrives while a document loads, a tick steps or another message is handled (a
    // message box of the sprayer runs its own loop) is dropped.
    if (g_bLoading || m_bTickBusy || m_bHandlingMidi) return;
    if (m_onMidiMessage) m_onMidiMessage(dwMsg);
    m_bHandlingMidi = TRUE;
    OnMidiData(reinterpret_cast<WPARAM>(g_hMidiIn), static_cast<LPARAM>(dwMsg));
    m_bHandlingMidi = FALSE;
}

// ---- the frame tick ------------------------------------------------------------------------------

namespace {
// With QS_TRACE_TICKS in the environment: every 60 ticks, how many ticks stepped and frames were drawn
// since the first tick, and the seconds that took, on stderr (a debug trace for frame-rate checks).
void TraceTicks(int nTicks, int nFrames) {
    static const bool bOn = std::getenv("QS_TRACE_TICKS") != nullptr;
    if (!bOn) return;
    static const auto start = std::chrono::steady_clock::now();
    if (nTicks % 60 != 0) return;
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "quillstorm: %d ticks, %d frames in %.2f s\n", nTicks, nFrames, dSeconds);
}
}  // namespace

void CQuillView::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != kFrameTimerId) return;
    CKTBook* pBook = GetBook();
    // A tick that comes while a document loads, or while another tick is still stepping (a modal loop
    // inside it), does not step; its repaint shows the last frame.
    if (!m_bTickBusy && !g_bLoading && pBook) {
        m_bTickBusy = TRUE;
        // 1. One scene step (nothing when the book is stopped).
        pBook->Step();
        ++m_nTicksStepped;
        TraceTicks(m_nTicksStepped, m_nFramesDrawn);
        // 2. The click age.
        m_nClickAge += 1;
        // 3. The sprayer's clock, whether or not it runs.
        m_fSprayClock += m_fSpraySpeed;
        // 4. A document that a behaviour asked for, tried once.
        pBook = GetBook();
        if (pBook && !pBook->m_strPendingLoad.IsEmpty()) {
            const CString strName = pBook->m_strPendingLoad;
            pBook->m_strPendingLoad.Empty();
            if (LoadDocument(strName)) {
                if (m_pDocument) m_pDocument->SetPathName(strName);
                m_strPath = strName;
            }
        }
        // 5. The sprayer's part of the tick.
        if (m_bSpraying) SprayerTick();
        m_bTickBusy = FALSE;
    }
    // 6. The redraw, painted at once, once there is a client rectangle.
    if (m_pClientRect && !m_bDestroyed)
        repaint(QRect(m_pClientRect->left, m_pClientRect->top, m_pClientRect->Width(), m_pClientRect->Height()));
}

void CQuillView::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_frameTimer.timerId())
        OnTimer(kFrameTimerId);
    else
        QWidget::timerEvent(e);
}

// ---- resize and focus ----------------------------------------------------------------------------

void CQuillView::DropBackBuffer() {
    if (m_pBackBitmap) {
        if (m_pMemDC && m_pOldBitmap) m_pMemDC->SelectObject(m_pOldBitmap);
        delete m_pBackBitmap;
        m_pBackBitmap = nullptr;
    }
    delete m_pClientRect;
    m_pClientRect = nullptr;
    delete m_pScaledImage;
    m_pScaledImage = nullptr;
}

void CQuillView::OnSize(UINT, int, int) {
    DropBackBuffer();
    if (CKTBook* pBook = GetBook()) pBook->OnSize();
}

void CQuillView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    OnSize(0, e->size().width(), e->size().height());
}

void CQuillView::OnSetFocus() {
    if (m_bSpraying && m_bCursorShown == 1) {
        m_bCursorShown = 0;
        setCursor(Qt::BlankCursor);
    }
}

void CQuillView::OnKillFocus() {
    if (m_bSpraying && m_bCursorShown == 0) {
        m_bCursorShown = 1;
        unsetCursor();
    }
}

void CQuillView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    OnSetFocus();
}

void CQuillView::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    OnKillFocus();
}

// ---- painting and the window --------------------------------------------------------------------

void CQuillView::paintEvent(QPaintEvent*) {
    if (m_bPainting) return;  // the paint is not re-entered
    m_bPainting = TRUE;
    OnDraw(&m_windowDC);
    m_bPainting = FALSE;
    QPainter painter(this);
    const gdi::Surface* pFrame = GetBackBuffer();
    if (pFrame && !pFrame->IsEmpty()) {
        // The back buffer's bytes are B, G, R, X top-down: the layout of Format_RGB32, shown in place.
        const QImage image(reinterpret_cast<const uchar*>(pFrame->Bits()), pFrame->Width(), pFrame->Height(),
                           static_cast<qsizetype>(pFrame->BytesPerLine()), QImage::Format_RGB32);
        painter.drawImage(0, 0, image);
    } else {
        painter.fillRect(rect(), Qt::white);
    }
}

CDC* CQuillView::GetDC() { return &m_windowDC; }

int CQuillView::ReleaseDC(CDC*) { return 1; }

void CQuillView::GetClientRect(LPRECT lpRect) const {
    lpRect->left = 0;
    lpRect->top = 0;
    lpRect->right = width();
    lpRect->bottom = height();
}

// ---- Qt input to the view's handlers --------------------------------------------------------------

namespace {
CPoint PointOf(const QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    return CPoint(p.x(), p.y());
}
}  // namespace

UINT CQuillView::MouseFlagsOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    UINT n = 0;
    if (buttons & Qt::LeftButton) n |= MK_LBUTTON;
    if (buttons & Qt::RightButton) n |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) n |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) n |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) n |= MK_CONTROL;
    return n;
}

UINT CQuillView::VirtualKeyOf(int nQtKey) {
    if (nQtKey >= Qt::Key_A && nQtKey <= Qt::Key_Z) return static_cast<UINT>('A' + (nQtKey - Qt::Key_A));
    if (nQtKey >= Qt::Key_0 && nQtKey <= Qt::Key_9) return static_cast<UINT>('0' + (nQtKey - Qt::Key_0));
    if (nQtKey >= Qt::Key_F1 && nQtKey <= Qt::Key_F24) return VK_F1 + static_cast<UINT>(nQtKey - Qt::Key_F1);
    switch (nQtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    default: return 0;
    }
}

void CQuillView::mouseMoveEvent(QMouseEvent* e) { OnMouseMove(MouseFlagsOf(e->buttons(), e->modifiers()), PointOf(e)); }

void CQuillView::mousePressEvent(QMouseEvent* e) {
    m_lastPressButton = e->button();
    m_nLastPressTime = e->timestamp();
    const UINT nFlags = MouseFlagsOf(e->buttons(), e->modifiers());
    if (e->button() == Qt::LeftButton) OnLButtonDown(nFlags, PointOf(e));
    if (e->button() == Qt::RightButton) OnRButtonDown(nFlags, PointOf(e));
}

void CQuillView::mouseReleaseEvent(QMouseEvent* e) {
    const UINT nFlags = MouseFlagsOf(e->buttons(), e->modifiers());
    if (e->button() == Qt::LeftButton) OnLButtonUp(nFlags, PointOf(e));
    if (e->button() == Qt::RightButton) OnRButtonUp(nFlags, PointOf(e));
}

// A double click the toolkit reports: the left button has its double-click handler (which applies the
// view's own double-click rule), the right one is a plain press. The toolkit usually delivers the
// second press itself just before (same button, same time): then the press has been handled and the
// report adds nothing, so each physical press reaches the handlers once.
void CQuillView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == m_lastPressButton && e->timestamp() == m_nLastPressTime) return;
    m_lastPressButton = e->button();
    m_nLastPressTime = e->timestamp();
    const UINT nFlags = MouseFlagsOf(e->buttons(), e->modifiers());
    if (e->button() == Qt::LeftButton) OnLButtonDblClk(nFlags, PointOf(e));
    if (e->button() == Qt::RightButton) OnRButtonDown(nFlags, PointOf(e));
}

// A key goes to OnKeyDown as its virtual-key code, then its text to OnChar one Windows-1252 byte a
// character (Backspace, Tab, Return and Escape type 8, 9, 13 and 27; the Delete key types nothing;
// characters the code page cannot hold are dropped). The frame's accelerators never get here.
void CQuillView::keyPressEvent(QKeyEvent* e) {
    if (const UINT nVirtualKey = VirtualKeyOf(e->key())) OnKeyDown(nVirtualKey, 1, 0);
    if (e->key() == Qt::Key_Delete) return;
    for (const char32_t u : e->text().toUcs4()) {
        const int b = gdi::UnicodeToCp1252(u);
        if (b >= 0) OnChar(static_cast<UINT>(b), 1, 0);
    }
}

void CQuillView::keyReleaseEvent(QKeyEvent* e) {
    if (const UINT nVirtualKey = VirtualKeyOf(e->key())) OnKeyUp(nVirtualKey, 1, 0);
}

// Tab and Backtab belong to the canvas, not to focus navigation.
bool CQuillView::focusNextPrevChild(bool) { return false; }
