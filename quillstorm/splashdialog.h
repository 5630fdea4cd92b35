// The splash: a frameless 400 x 298 picture centred over the main window, with the version text in
// green on black in its lower right; it closes after 16 one-second ticks or when a mouse button is
// released over it. The picture is drawn by the program (no image file).
#pragma once

#include <QBasicTimer>
#include <QDialog>
#include <QRect>

class CSplashDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 298;
    static constexpr int kTimerId = 1;  // the platform's id of the one-second timer
    // The version static: dialog units (183, 160, 70 x 8) on the dialog's 8-point font.
    static QRect VersionRect();

    explicit CSplashDialog(QWidget* pParent = nullptr);
    ~CSplashDialog() override;

    // Runs the dialog modally (IDOK/IDCANCEL are not distinguished: the splash only closes).
    int DoModal();

    // One tick of the one-second timer: public so tests can drive it.
    void OnTimer(int nIDEvent);
    // TRUE once a close has been posted (the dialog closes when the event loop next runs).
    bool IsClosePosted() const { return m_bClosePosted; }

    int m_nTimeout = 15;
    int m_nCount = 0;
    QString m_strVersion;  // the static's text, set when the dialog is initialised

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void done(int r) override;

private:
    void OnInitDialog();
    void PostClose();
    void CenterOverOwner();

    QBasicTimer m_timer;
    bool m_bClosePosted = false;
    bool m_bInitialised = false;
};
