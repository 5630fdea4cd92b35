// The Qt UI services installed for as long as the object lives (the previous services come back).
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "quillstorm/qtuiservices.h"

class CScopedQtUIServices : public CQtUIServices {
public:
    CScopedQtUIServices() : m_pOld(ui::SetUIServices(this)) {}
    ~CScopedQtUIServices() override { ui::SetUIServices(m_pOld); }
    CScopedQtUIServices(const CScopedQtUIServices&) = delete;
    CScopedQtUIServices& operator=(const CScopedQtUIServices&) = delete;

private:
    ui::CUIServices* m_pOld;
};

// In an open Qt parameter dialog: replaces the text of pEdit by what the user types, presses OK and
// answers the message box that OK brings up with its OK button (its text into *pMessage). TRUE when
// the dialog is still open afterwards.
inline bool TypeAndPressOKAnsweringTheMessage(QWidget* pDialog, QLineEdit* pEdit, const QString& strTyped,
                                             QString* pMessage) {
    pEdit->selectAll();
    QTest::keyClicks(pEdit, strTyped);
    QTimer::singleShot(0, [pMessage] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(pBox, nullptr);
        *pMessage = pBox->text();
        pBox->button(QMessageBox::Ok)->click();
    });
    pDialog->findChild<QPushButton*>("id1")->click();
    return pDialog->isVisible();
}
