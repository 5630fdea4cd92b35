#include "quillstorm/splashdialog.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "quillstorm/quill.h"

namespace {
// Dialog units to pixels for the 8-point dialog font: 6 x 13 base units (MulDiv, rounded).
int DluX(int x) { return (x * 6 + 2) / 4; }
int DluY(int y) { return (y * 13 + 4) / 8; }
}  // namespace

QRect CSplashDialog::VersionRect() { return QRect(DluX(183), DluY(160), DluX(70), DluY(8)); }

CSplashDialog::CSplashDialog(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::FramelessWindowHint) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setModal(true);
}

CSplashDialog::~CSplashDialog() { m_timer.stop(); }

int CSplashDialog::DoModal() { return exec(); }

void CSplashDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_bInitialised) return;
    m_bInitialised = true;
    // Creation: centred over the owner, then the one-second timer; then the dialog's initialisation.
    CenterOverOwner();
    m_timer.start(1000, this);
    OnInitDialog();
}

void CSplashDialog::OnInitDialog() { m_strVersion = kQuillVersionString; }

void CSplashDialog::CenterOverOwner() {
    // Without a parent the owner is the application's main window.
    QWidget* pOwner = parentWidget();
    if (!pOwner) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible() && w->property("quillstormMainFrame").toBool()) pOwner = w;
    }
    QRect area;
    if (pOwner)
        area = pOwner->frameGeometry();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid()) move(area.left() + (area.width() - kWidth) / 2, area.top() + (area.height() - kHeight) / 2);
}

void CSplashDialog::OnTimer(int nIDEvent) {
    if (nIDEvent != kTimerId) return;
    m_nCount += 1;
    if (m_nTimeout >= 0 && m_nCount > m_nTimeout) PostClose();
}

void CSplashDialog::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_timer.timerId())
        OnTimer(kTimerId);
    else
        QDialog::timerEvent(e);
}

void CSplashDialog::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton) PostClose();
    QDialog::mouseReleaseEvent(e);
}

void CSplashDialog::PostClose() {
    if (m_bClosePosted) return;
    m_bClosePosted = true;
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void CSplashDialog::done(int r) {
    m_timer.stop();  // destruction of the window: the timer goes with it
    QDialog::done(r);
}

void CSplashDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    // The picture: the program's name in large letters over a scatter of small ones, as living type.
    QFont big("DejaVu Serif");
    big.setPixelSize(58);
    big.setItalic(true);
    p.setFont(big);
    p.setPen(QColor(245, 166, 92));
    p.drawText(QRect(0, 70, kWidth, 90), Qt::AlignHCenter | Qt::AlignVCenter, "Quillstorm!");
    QFont small("DejaVu Sans");
    small.setPixelSize(13);
    p.setFont(small);
    const char letters[] = "living type falls springs collides throbs explodes";
    unsigned seed = 1;
    for (int i = 0; letters[i]; ++i) {
        seed = seed * 214013u + 2531011u;
        const int x = 20 + static_cast<int>((seed >> 16) % 360);
        seed = seed * 214013u + 2531011u;
        const int y = 175 + static_cast<int>((seed >> 16) % 60);
        p.setPen(QColor(60 + i * 3, 60 + i * 3, 90 + i * 3));
        p.drawText(x, y, QString(QChar(letters[i])));
    }
    // The version static: right-aligned, RGB(0, 180, 0) on black.
    QFont font("Liberation Sans");  // metrics of the dialog's 8-point face: the text fits the static
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(QColor(0, 180, 0));
    p.drawText(VersionRect(), Qt::AlignRight | Qt::AlignTop, m_strVersion);
}
