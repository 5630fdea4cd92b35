// Parameter dialogs shown by the Qt UI services (offscreen): the window made from the controls, the
// user's typing and clicks reaching the dialog, the message of a failing field over the open dialog,
// radio buttons switching fields, lists, CR LF text, the owner-drawn colour button and Windows-1252
// texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "platform/ui/scriptedui.h"
#include "quillstorm/backgroundimagedialog.h"
#include "scopedqtui.h"
#include "ui/sampledialog.h"

namespace {

// The Qt services for one test.
class QtDialogs : public ::testing::Test {
protected:
    CScopedQtUIServices m_services;

    // Runs fn on the dialog window once it is shown; fn must close it.
    static void OnShown(std::function<void(QDialog*)> fn) {
        QTimer::singleShot(0, [fn] {
            auto* p = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(p, nullptr);
            fn(p);
        });
    }
    // Answers the next message box with OK, keeping its text.
    static void AnswerNextBox(QString* pText) {
        QTimer::singleShot(0, [pText] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(pBox, nullptr);
            *pText = pBox->text();
            pBox->button(QMessageBox::Ok)->click();
        });
    }
    template <class W>
    static W* Find(QDialog* p, int nId) {
        return p->findChild<W*>(QString("id%1").arg(nId));
    }
    static QStringList Labels(QWidget* p) {
        QStringList out;
        for (QLabel* l : p->findChildren<QLabel*>()) out << l->text();
        return out;
    }
};

TEST_F(QtDialogs, TheWindowShowsTheTemplateAndKeepsItOpenOnABadValue) {
    CSampleDialog dlg;
    dlg.m_strText = "\xE9t\xE9\r\nline";  // "été", Windows-1252
    QString message;
    bool bStillOpen = false;
    OnShown([&](QDialog* p) {
        EXPECT_EQ(p->windowTitle(), "Sample Parameters");
        const QStringList labels = Labels(p);
        for (const char* l : {"Size", "Count", "List:", "Source Text:", "End Color"}) EXPECT_TRUE(labels.contains(l)) << l;
        auto* pGroup = p->findChild<QGroupBox*>();
        ASSERT_NE(pGroup, nullptr);
        EXPECT_EQ(pGroup->title(), "Shape");
        EXPECT_EQ(Find<QRadioButton>(p, 1002)->parentWidget(), pGroup) << "the radio buttons sit in the group box";
        EXPECT_TRUE(Find<QRadioButton>(p, 1002)->isChecked());
        EXPECT_FALSE(Find<QLineEdit>(p, 1004)->isEnabled());
        EXPECT_EQ(Find<QPlainTextEdit>(p, 1007)->toPlainText(), QString::fromUtf8("été\nline"));
        EXPECT_EQ(Find<QComboBox>(p, 1006)->count(), 3);
        EXPECT_EQ(Find<QComboBox>(p, 1006)->currentIndex(), -1);

        // The radio button switches the count on; a bad count brings the message, the dialog stays.
        Find<QRadioButton>(p, 1003)->click();
        EXPECT_TRUE(Find<QLineEdit>(p, 1004)->isEnabled());
        EXPECT_FALSE(Find<QRadioButton>(p, 1002)->isChecked());
        QLineEdit* pCount = Find<QLineEdit>(p, 1004);
        pCount->selectAll();
        QTest::keyClicks(pCount, "200");
        AnswerNextBox(&message);
        Find<QPushButton>(p, IDOK)->click();
        bStillOpen = p->isVisible();
        EXPECT_EQ(dlg.GetFocusId(), 1004);

        // Good values, a list row and more text; then OK closes.
        pCount->selectAll();
        QTest::keyClicks(pCount, "12");
        Find<QComboBox>(p, 1006)->setCurrentIndex(1);
        emit Find<QComboBox>(p, 1006)->activated(1);
        QPlainTextEdit* pText = Find<QPlainTextEdit>(p, 1007);
        pText->moveCursor(QTextCursor::End);
        QTest::keyClick(pText, Qt::Key_Return);
        QTest::keyClicks(pText, "x");
        Find<QPushButton>(p, IDOK)->click();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(message, "Please enter an integer between 0 and 100.");
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(dlg.m_nCount, 12);
    EXPECT_EQ(dlg.m_nList, 1);
    EXPECT_EQ(dlg.m_selChanges, std::vector<int>{1});
    EXPECT_EQ(dlg.m_strText, "\xE9t\xE9\r\nline\r\nx");
}

// The background image's window: the note word for word (two blanks after "path)."), the layouts in
// their order, and a name typed without browsing, which leaves the path empty.
TEST_F(QtDialogs, TheBackgroundImageDialogShowsItsNoteAndLayouts) {
    CBackgroundImageDialog dlg;
    dlg.m_strFileName = "old.bmp";
    dlg.m_nLayout = 4;
    OnShown([&](QDialog* p) {
        EXPECT_EQ(p->windowTitle(), "Set background image...");
        EXPECT_TRUE(Labels(p).contains(
            "Please note that only the background image file name will be saved with your Quillstorm! file (not the "
            "file path).  This means that you must move any background image file into the same directory as your "
            "saved .qsd file for it to be properly loaded."));
        EXPECT_EQ(Find<QPushButton>(p, 1058)->text(), "Source File:");
        QComboBox* pLayout = Find<QComboBox>(p, 1072);
        ASSERT_NE(pLayout, nullptr);
        QStringList items;
        for (int i = 0; i < pLayout->count(); ++i) items << pLayout->itemText(i);
        EXPECT_EQ(items, QStringList({"Upper Left", "Upper Right", "Lower Left", "Lower Right", "Centered",
                                      "Stretched", "Tiled"}));
        EXPECT_EQ(pLayout->currentText(), "Centered");
        QLineEdit* pName = Find<QLineEdit>(p, 1071);
        EXPECT_EQ(pName->text(), "old.bmp");
        pName->selectAll();
        QTest::keyClicks(pName, "new.PNG");
        pLayout->setCurrentIndex(6);
        emit pLayout->activated(6);
        Find<QPushButton>(p, IDOK)->click();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strFileName, "new.PNG");
    EXPECT_EQ(dlg.m_nLayout, 6);
    EXPECT_TRUE(dlg.m_strPath.IsEmpty());
}

TEST_F(QtDialogs, EscapeCancelsAndTheMembersStay) {
    CSampleDialog dlg;
    dlg.m_strText = "a";
    OnShown([&](QDialog* p) {
        QLineEdit* pSize = Find<QLineEdit>(p, 1001);
        pSize->selectAll();
        QTest::keyClicks(pSize, "7");
        QTest::keyClick(p, Qt::Key_Escape);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_dSize, 2.5);
}

TEST_F(QtDialogs, TheColourButtonIsPaintedByTheDialog) {
    CSampleDialog dlg;
    dlg.m_strText = "a";
    dlg.m_crColor = RGB(200, 40, 10);
    OnShown([&](QDialog* p) {
        QPushButton* pButton = Find<QPushButton>(p, 1008);
        ASSERT_NE(pButton, nullptr);
        const QImage image = pButton->grab().toImage();
        ASSERT_GT(image.width(), 4);
        EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFFu, 0x000000u) << "the black frame";
        EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1) & 0xFFFFFFu, 0x000000u);
        EXPECT_EQ(image.pixel(image.width() / 2, image.height() / 2) & 0xFFFFFFu, 0xC8280Au);
        p->reject();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

}  // namespace
