// CMainFrame: the top-level window. No menu bar; the title names the document and the program; the
// close prompt; the frame's accelerators as shortcuts (they reach the view's handlers and never the
// canvas); dropped files; a user's resize tells the view to show the canvas size.
#pragma once

#include <QElapsedTimer>
#include <QMargins>
#include <QSize>
#include <QWidget>

#include <string>

#include "platform/afx/afx.h"

class QUrl;

class CQuillDoc;
class CQuillView;

class CMainFrame : public QWidget {
    Q_OBJECT

public:
    // The window name of the frame ("Quillstorm!").
    static constexpr const char* kWindowName = "Quillstorm!";

    explicit CMainFrame(CQuillDoc* pDoc);
    ~CMainFrame() override;

    // Creates the view that fills the frame and runs its window creation. FALSE when that fails.
    BOOL Create();
    CQuillView* GetActiveView() const { return m_pView; }
    // The view's window destruction, then the view: afterwards the frame has no view.
    void DestroyWindow();

    // The close prompt. TRUE when the window may close.
    BOOL OnClose();
    // A resize by the user: the view shows the client size until the next mouse move or button release.
    void OnSizing();
    void DragAcceptFiles(BOOL bAccept);
    // Paints the view now: once the window system has shown the frame (waiting a little for it), the
    // view's paint runs before this returns.
    void UpdateWindow();

    // The frame's outer rectangle (caption and borders included), in screen coordinates.
    CRect GetWindowRect() const;
    // Moves the frame so that its outer rectangle is rc. The caption and borders are those the window
    // system last gave the frame while it was not full screen. For a second after (IsPlacingWindow),
    // while the window system restores, frames and places the window, a frame found elsewhere is put
    // back (a few times at most); later moves are the user's.
    void SetWindowRect(const CRect& rc);
    BOOL IsPlacingWindow() const;
    // Full screen on the given screen rectangle, or back to the outer rectangle rc.
    void ShowFullScreen(const QRect& rcScreen);
    void ShowWindowed(const CRect& rc);
    // "<document title> - Quillstorm!".
    void UpdateFrameTitle();
    // The file name a dropped local file's URL names, as bytes (a name need not be UTF-8).
    static std::string DroppedFileName(const QUrl& url);

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void AddAccelerators();
    // The caption's and borders' widths around the client area now (0 while full screen or before the
    // window system has framed the window).
    QMargins Decorations() const;
    // Moves the client area inside m_rcRequested, less the decorations last known.
    void ApplyWindowRect();
    // After a move, resize or state change: remembers the decorations, and, while placing, applies
    // the request again (from the event loop) when the frame is not where it was asked to be.
    void CheckWindowRect();

    CQuillDoc* m_pDoc;
    CQuillView* m_pView = nullptr;
    QSize m_expectedSize;  // the client size our own last move asked for
    CRect m_rcRequested;   // the outer rectangle of our last move
    bool m_bHasRequest = false;
    QMargins m_decorations;      // as the window system last framed the window (not full screen)
    int m_nCorrections = 0;      // times the request may still be applied again
    QElapsedTimer m_requestAge;  // since the request
    bool m_bCorrectionQueued = false;
};
