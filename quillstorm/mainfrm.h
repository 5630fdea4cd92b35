// CMainFrame: the top-level window. No menu bar; the title names the document and the program; the
// close prompt; the frame's accelerators as shortcuts (they reach the view's handlers and never the
// canvas); dropped files; a user's resize tells the view to show the canvas size.
#pragma once

#include <QSize>
#include <QWidget>

#include "platform/afx/afx.h"

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
    // Moves the frame so that its outer rectangle is rc.
    void SetWindowRect(const CRect& rc);
    // "<document title> - Quillstorm!".
    void UpdateFrameTitle();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void AddAccelerators();

    CQuillDoc* m_pDoc;
    CQuillView* m_pView = nullptr;
    QSize m_expectedSize;  // the client size our own last move asked for
    CRect m_rcRequested;   // the outer rectangle of our last move (applied again once the borders are known)
    bool m_bHasRequest = false;
};
