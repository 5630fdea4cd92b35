// File names that are not valid UTF-8 through the toolkit's file dialogs: the shown name taken back to
// its bytes, Save As and Open of such a document in the real dialogs, and a name that stands for no
// file refused.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <filesystem>

#include "quillstorm/dialogfilename.h"
#include "scopedqtui.h"
#include "test_document.h"

namespace {

#define FFFD "\xef\xbf\xbd"  // U+FFFD in UTF-8: what the toolkit shows for each byte that is not UTF-8

// The names in a folder, byte for byte.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") out.push_back(e->d_name);
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string Cwd() {
    char buf[4096];
    return getcwd(buf, sizeof buf) ? buf : "";
}

QString Shown(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

TEST(DialogFileName, TakesTheShownNameBackToItsBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path().toStdString();  // ASCII
    // The toolkit cannot remove names it cannot read: they go by their bytes.
    const std::unique_ptr<const std::string, void (*)(const std::string*)> cleanup(
        &d, [](const std::string* p) { std::filesystem::remove_all(*p); });
    for (const char* name : {"\xfe\xff" "2.qsd", "\xe9t\xe9.qsd", "\xe9t\xe8.qsd", "plain.qsd", FFFD ".qsd"}) {
        const int fd = ::open((d + "/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }
    ASSERT_EQ(::mkdir((d + "/\xff").c_str(), 0755), 0);
    ::close(::open((d + "/\xff/a.qsd").c_str(), O_CREAT | O_WRONLY, 0644));

    using S = DialogFileNameStatus;
    struct Case {
        const char* name;
        const char* chosen;    // the dialog's text (UTF-8), in the folder
        std::string proposed;  // bytes the dialog was filled from ("" none; relative: in the folder)
        S status;
        const char* path;      // the bytes, in the folder (nullptr: none)
    };
    const Case cases[] = {
        {"a UTF-8 name", "plain.qsd", "", S::exact, "plain.qsd"},
        {"a new UTF-8 name", "n\xc3\xa9w.qsd", "", S::exact, "n\xc3\xa9w.qsd"},
        {"the proposed name as shown", FFFD FFFD "2.qsd", d + "/\xfe\xff" "2.qsd", S::matched, "\xfe\xff" "2.qsd"},
        {"a relative proposal", FFFD FFFD "2.qsd", "\xfe\xff" "2.qsd", S::matched, "\xfe\xff" "2.qsd"},
        {"the one name in the folder shown so", FFFD FFFD "2.qsd", "", S::matched, "\xfe\xff" "2.qsd"},
        {"two names shown alike", FFFD "t" FFFD ".qsd", "", S::ambiguous, nullptr},
        {"two names shown alike, one proposed", FFFD "t" FFFD ".qsd", d + "/\xe9t\xe8.qsd", S::matched, "\xe9t\xe8.qsd"},
        {"a name edited around its replaced bytes", FFFD FFFD "3.qsd", d + "/\xfe\xff" "2.qsd", S::unknown, nullptr},
        {"a proposal whose file is gone", FFFD FFFD "9.qsd", d + "/\xaa\xbb" "9.qsd", S::matched, "\xaa\xbb" "9.qsd"},
        {"a folder shown so", FFFD "/a.qsd", "", S::matched, "\xff/a.qsd"},
        {"a new name in a folder shown so", FFFD "/new.qsd", "", S::matched, "\xff/new.qsd"},
        {"a name that really holds U+FFFD", FFFD ".qsd", "", S::matched, FFFD ".qsd"},
    };
    const std::string old = Cwd();
    ASSERT_EQ(chdir(d.c_str()), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CDialogFileName r = ResolveDialogFileName(QString::fromUtf8(d + "/" + c.chosen), c.proposed);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.strPath, c.path ? d + "/" + c.path : "");
    }
    ASSERT_EQ(chdir(old.c_str()), 0);
}

// A message box that the next step opens: answered with button (where it has none, its escape button
// or else its last), its text kept.
void AnswerTheNextBox(QMessageBox::StandardButton button, QString* pText) {
    QTimer::singleShot(0, [button, pText] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!pBox) return;
        *pText = pBox->text();
        QAbstractButton* pButton = pBox->button(button);
        if (!pButton) pButton = pBox->escapeButton();
        if (!pButton && !pBox->buttons().isEmpty()) pButton = pBox->buttons().back();
        if (pButton) pButton->click();
    });
}

// A document in a folder of its own under a name that is not UTF-8, opened from the command line as
// an absolute path; the toolkit's dialogs answer.
class NameNotUtf8 : public DocumentFixture {
protected:
    const std::string kName = "\xfe\xff" "2.qsd";
    std::string m_strFolder;
    std::string m_strDoc;
    std::vector<BYTE> m_stored;

    void SetUp() override {
        DocumentFixture::SetUp();
        m_strFolder = Path("doc");
        ASSERT_EQ(::mkdir(m_strFolder.c_str(), 0755), 0);
        m_strDoc = m_strFolder + "/" + kName;
        Type("stored");
        m_stored = KTSaveDocument(*Book(), 640, 480);
        Reopen();
    }

    void TearDown() override {
        DocumentFixture::TearDown();
        std::filesystem::remove_all(m_strFolder);  // the toolkit cannot remove names it cannot read
    }

    // The stored document, and the program started again on it.
    void Reopen() {
        std::ofstream(m_strDoc, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(m_stored.data()), static_cast<std::streamsize>(m_stored.size()));
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        m_pApp.reset();
        ASSERT_TRUE(Start({m_strDoc}));
        NewCanvas();
        ASSERT_EQ(Text(), "stored");
    }

    // The frame's accelerators (the window active again after a dialog).
    void Keys(QKeyCombination keys) {
        Frame()->activateWindow();
        QApplication::setActiveWindow(Frame());
        QTest::keySequence(View(), QKeySequence(keys));
    }
};

// Save As with the proposed name: the dialog shows it with U+FFFD in place of the bytes; Return (and
// Yes to replacing it) rewrites the document itself and writes no other file; the scene keeps the
// name, so Ctrl+S writes there too. No to replacing it, or a name edited around the replaced bytes
// (refused with a message), writes nothing and the scene keeps its name.
TEST_F(NameNotUtf8, SaveAsWithTheProposedNameRewritesTheDocument) {
    struct Case {
        const char* name;
        const char* typed;                  // the name typed over the proposal (nullptr: the proposal)
        QMessageBox::StandardButton answer;  // to the box that Return brings up
        const char* box;                    // what the box says (a part)
        bool bSaved;
    };
    const Case cases[] = {
        {"Return, Yes", nullptr, QMessageBox::Yes, "already exists", true},
        {"Return, No", nullptr, QMessageBox::No, "already exists", false},
        {"an edited name", FFFD FFFD "3.qsd", QMessageBox::Ok, FFFD FFFD "3.qsd cannot be saved under this name.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (&c != cases) Reopen();
        Type("!");
        const std::vector<BYTE> now = KTSaveDocument(*Book(), 640, 480);
        CScopedQtUIServices qt;
        QString shown, box;
        bool bStayedOpen = false;
        QTimer::singleShot(0, [&] {
            auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!pDialog) return;
            auto* pEdit = pDialog->findChild<QLineEdit*>("fileNameEdit");
            if (pEdit) {
                shown = pEdit->text();
                if (c.typed) pEdit->setText(QString::fromUtf8(c.typed));
                AnswerTheNextBox(c.answer, &box);
                QTest::keyClick(pEdit, Qt::Key_Return);
            }
            bStayedOpen = pDialog->isVisible();
            if (bStayedOpen) pDialog->reject();
        });
        Keys(Qt::CTRL | Qt::Key_A);

        EXPECT_EQ(shown, Shown(kName));
        EXPECT_TRUE(box.contains(QString::fromUtf8(c.box))) << box.toStdString();
        EXPECT_EQ(bStayedOpen, !c.bSaved);
        EXPECT_EQ(Names(m_strFolder), std::vector<std::string>{kName});
        EXPECT_EQ(ReadBytes(m_strDoc), c.bSaved ? now : m_stored);
        EXPECT_EQ(v()->m_bModified, c.bSaved ? 0 : 1);
        EXPECT_EQ(v()->m_strPath.str(), c.bSaved ? kName : m_strDoc);
        if (!c.bSaved) continue;
        EXPECT_EQ(Cwd(), m_strFolder);
        Type("?");
        Keys(Qt::CTRL | Qt::Key_S);
        EXPECT_EQ(Names(m_strFolder), std::vector<std::string>{kName});
        EXPECT_EQ(ReadBytes(m_strDoc), KTSaveDocument(*Book(), 640, 480));
    }
}

// Open: the toolkit's listing leaves out names that are not UTF-8, but a name given as it is shown
// (pasted from the title, say) opens the document and names the scene; Ctrl+S then writes it.
TEST_F(NameNotUtf8, OpenOfTheShownNameLoadsTheDocument) {
    v()->OnFileNew();
    Type("mine");
    v()->m_bModified = 0;
    CScopedQtUIServices qt;
    QString box;
    QTimer::singleShot(0, [&] {
        auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!pDialog) return;
        if (auto* pEdit = pDialog->findChild<QLineEdit*>("fileNameEdit")) {
            pEdit->setText(Shown(m_strDoc));
            AnswerTheNextBox(QMessageBox::Ok, &box);
            QTest::keyClick(pEdit, Qt::Key_Return);
        }
        if (pDialog->isVisible()) pDialog->reject();
    });
    Keys(Qt::CTRL | Qt::Key_O);

    EXPECT_EQ(box, "");
    EXPECT_EQ(Text(), "stored");
    ASSERT_EQ(v()->m_strPath.str(), kName);  // else Ctrl+S would ask for a name
    EXPECT_EQ(Cwd(), m_strFolder);
    Type("!");
    Keys(Qt::CTRL | Qt::Key_S);
    EXPECT_EQ(Names(m_strFolder), std::vector<std::string>{kName});
    EXPECT_EQ(ReadBytes(m_strDoc), KTSaveDocument(*Book(), 640, 480));
}

}  // namespace
