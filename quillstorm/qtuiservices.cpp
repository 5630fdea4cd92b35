#include "quillstorm/qtuiservices.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <functional>
#include <vector>

#include "platform/gdi/cp1252.h"
#include "platform/gdi/dc.h"
#include "platform/kernel/fdreserve.h"
#include "platform/ui/paramdialog.h"
#include "quillstorm/dialogfilename.h"

namespace {

QString FromCp1252(const std::string& s) { return QString::fromStdString(gdi::Cp1252ToUtf8(s)); }

// A window needs a descriptor while it opens (on X the server passes the window's memory as one, and
// with no slot free to take it the connection waits forever): with none free, the reserve makes room
// for the time the window is up.
bool ShortOfDescriptors() { return !kernel::CanOpenDescriptors(kernel::kWindowDescriptors); }

// Characters the code page cannot hold become '?'.
std::string ToCp1252(const QString& s) {
    std::string out;
    for (char32_t u : s.toUcs4()) {
        const int c = gdi::UnicodeToCp1252(u);
        out += c < 0 ? '?' : static_cast<char>(c);
    }
    return out;
}

QString ToQtFilter(const ui::FileFilter& f) {
    QStringList patterns;
    for (const std::string& p : f.patterns) patterns << QString::fromStdString(p);
    const QString joined = patterns.join(' ');
    const QString name = FromCp1252(f.name);
    // "Quillstorm Files (*.qsd)" already ends with its patterns, which is the form Qt reads.
    if (name.endsWith("(" + joined + ")")) return name;
    return name + " (" + joined + ")";
}

QMessageBox::StandardButton ToQt(int nId) {
    switch (nId) {
        case IDOK: return QMessageBox::Ok;
        case IDCANCEL: return QMessageBox::Cancel;
        case IDABORT: return QMessageBox::Abort;
        case IDRETRY: return QMessageBox::Retry;
        case IDIGNORE: return QMessageBox::Ignore;
        case IDYES: return QMessageBox::Yes;
        case IDNO: return QMessageBox::No;
        default: return QMessageBox::NoButton;
    }
}

QMessageBox::Icon IconOf(UINT nType) {
    switch (nType & MB_ICONMASK) {
        case MB_ICONHAND: return QMessageBox::Critical;
        case MB_ICONQUESTION: return QMessageBox::Question;
        case MB_ICONEXCLAMATION: return QMessageBox::Warning;
        case MB_ICONASTERISK: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF ToColorRef(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

}  // namespace

QWidget* CQtUIServices::Owner() {
    QWidget* p = QApplication::activeModalWidget();
    if (!p) p = QApplication::activeWindow();
    return p;
}

int CQtUIServices::MessageBox(const std::string& strText, const std::string& strCaption, UINT nType) {
    const kernel::CDescriptorRoom room(ShortOfDescriptors());
    QMessageBox box(IconOf(nType), FromCp1252(strCaption), FromCp1252(strText), QMessageBox::NoButton, Owner());
    const std::vector<int> ids = ui::MessageBoxButtons(nType);
    for (int id : ids) box.addButton(ToQt(id));
    box.setDefaultButton(ToQt(ui::MessageBoxDefaultButton(nType)));
    const int escape = ui::MessageBoxEscapeResult(nType);
    if (escape) box.setEscapeButton(box.button(ToQt(escape)));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int id : ids)
        if (clicked && clicked == box.button(ToQt(id))) return id;
    return ui::MessageBoxUnansweredResult(nType);
}

namespace {

// The toolkit's file dialog, taking the chosen name back to the bytes it stands for before it closes
// (dialogfilename.h). A name that stands for no bytes, or for more than one name, is refused with a
// message and the dialog stays open. The toolkit looks for a name that does not exist when the shown
// name replaced bytes, so the checks it would make (a file to replace) are made here on the bytes.
class CFileNameDialog : public QFileDialog {
public:
    CFileNameDialog(QWidget* pOwner, const QString& strTitle, std::string strProposed)
        : QFileDialog(pOwner, strTitle), m_strProposed(std::move(strProposed)) {}

    // The bytes of the accepted name ("" before a name was accepted).
    const std::string& ChosenPath() const { return m_strChosen; }

    void accept() override {
        m_strChosen.clear();
        const QStringList files = selectedFiles();
        if (files.isEmpty()) return;
        const QString strChosen = files.first();
        const CDialogFileName name = ResolveDialogFileName(strChosen, m_strProposed);
        if (name.status == DialogFileNameStatus::exact) {
            // The toolkit's own way: a folder is entered, an existing file asked about.
            m_strChosen = name.strPath;
            QFileDialog::accept();
            return;
        }
        if (name.status != DialogFileNameStatus::matched) {
            QMessageBox::warning(this, windowTitle(), Refusal(strChosen, name.status));
            return;
        }
        struct stat st {};
        const bool bExists = ::stat(name.strPath.c_str(), &st) == 0;
        // A folder, or a file that must exist and does not: the toolkit's own answer.
        if ((bExists && S_ISDIR(st.st_mode)) || (!bExists && fileMode() == ExistingFile)) {
            QFileDialog::accept();
            return;
        }
        if (acceptMode() == AcceptSave && bExists && !testOption(DontConfirmOverwrite)) {
            const QString strAsk =
                QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(strChosen.section('/', -1));
            if (QMessageBox::warning(this, windowTitle(), strAsk, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) != QMessageBox::Yes)
                return;
        }
        m_strChosen = name.strPath;
        QDialog::accept();
    }

private:
    QString Refusal(const QString& strChosen, DialogFileNameStatus status) const {
        const bool bSave = acceptMode() == AcceptSave;
        const QString strFolder = strChosen.section('/', 0, -2);
        QString s = strChosen.section('/', -1) + (bSave ? " cannot be saved" : " cannot be opened") +
                    " under this name.\n\nEach \uFFFD in it stands for a byte that is not valid text in this "
                    "system's encoding, and ";
        s += status == DialogFileNameStatus::ambiguous
                 ? "more than one file in " + strFolder + " is shown under this name, so the one meant cannot be told."
                 : "no file in " + strFolder + " has such a name.";
        s += bSave ? " Choose another name." : " Choose another file.";
        return s;
    }

    std::string m_strProposed;
    std::string m_strChosen;
};

}  // namespace

BOOL CQtUIServices::FileDialog(const ui::FileDialogRequest& request, std::string* pPath) {
    const kernel::CDescriptorRoom room(ShortOfDescriptors());
    // File names cross as bytes: shown as the toolkit reads them, taken back to the bytes they stand for.
    CFileNameDialog dialog(Owner(), FromCp1252(request.strTitle), request.strFileName);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (request.bOpen)
        dialog.setFileMode((request.dwFlags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    else
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !(request.dwFlags & OFN_OVERWRITEPROMPT));
    QStringList filters;
    for (const ui::FileFilter& f : ui::ParseFileFilter(request.strFilter)) filters << ToQtFilter(f);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    std::string ext = request.strDefExt;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    if (!ext.empty()) dialog.setDefaultSuffix(QString::fromStdString(ext));
    if (!request.strFileName.empty()) {
        // A relative name is in the current directory, where a save under it writes.
        if (request.strFileName[0] != '/') dialog.setDirectory(QDir::currentPath());
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(request.strFileName)));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenPath().empty()) return FALSE;
    const std::string path = ui::ApplyDefaultExtension(dialog.ChosenPath(), request.strDefExt);
    ui::ChangeToFileFolder(path, request.dwFlags);
    if (pPath) *pPath = path;
    return TRUE;
}

BOOL CQtUIServices::ChooseColor(COLORREF crInitial, DWORD, COLORREF* pResult) {
    const kernel::CDescriptorRoom room(ShortOfDescriptors());
    QColorDialog dialog(ToQColor(crInitial), Owner());
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted) return FALSE;
    if (pResult) *pResult = ToColorRef(dialog.selectedColor());
    return TRUE;
}

namespace {

using ui::ControlType;

// Line breaks: CR LF in the dialog's state, LF in the toolkit's text.
std::string ToCrLf(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string FromCrLf(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

QStringList ToQt(const std::vector<std::string>& items) {
    QStringList out;
    for (const std::string& s : items) out << FromCp1252(s);
    return out;
}

// An owner-drawn button: the dialog draws it (OnDrawItem) on a surface of the drawing layer.
class COwnerDrawButton : public QPushButton {
public:
    COwnerDrawButton(ui::CParamDialog& dlg, int nId) : m_dlg(dlg), m_nId(nId) { setMinimumSize(60, 24); }

protected:
    void paintEvent(QPaintEvent*) override {
        gdi::Surface surface;
        if (!surface.Create(width(), height())) return;
        CDC dc;
        dc.AttachSurface(&surface);
        const QColor face = palette().color(QPalette::Button);
        dc.FillSolidRect(0, 0, width(), height(), RGB(face.red(), face.green(), face.blue()));
        m_dlg.OnDrawItem(m_nId, &dc, CRect(0, 0, width(), height()));
        dc.DeleteDC();
        const QImage image(reinterpret_cast<const uchar*>(surface.Bits()), surface.Width(), surface.Height(),
                           static_cast<qsizetype>(surface.BytesPerLine()), QImage::Format_RGB32);
        QPainter painter(this);
        painter.drawImage(0, 0, image);
    }

private:
    ui::CParamDialog& m_dlg;
    int m_nId;
};

// The window of one parameter dialog: widgets made from the dialog's controls, the user's actions
// passed to the dialog, and the widgets brought in step with the dialog's state after each of them.
class CQtParamDialog : public QDialog {
public:
    CQtParamDialog(ui::CParamDialog& dlg, QWidget* pOwner) : QDialog(pOwner), m_dlg(dlg) {
        setWindowTitle(FromCp1252(dlg.GetTitle()));
        Build();
    }

    int Run() {
        m_dlg.StartModal();
        if (m_dlg.IsEnded()) return m_dlg.GetResult();
        Sync();
        exec();
        return m_dlg.IsEnded() ? m_dlg.GetResult() : IDCANCEL;
    }

    // Escape and the window's close button: the dialog's Cancel.
    void reject() override {
        Act([this] { m_dlg.ClickButton(IDCANCEL); });
    }

private:
    const std::vector<ui::DialogControl>& Controls() const { return m_dlg.GetControls(); }

    // Runs one action of the user on the dialog, then shows its state; closes once it has ended.
    void Act(const std::function<void()>& action) {
        action();
        Sync();
        if (m_dlg.IsEnded()) done(m_dlg.GetResult() == IDOK ? QDialog::Accepted : QDialog::Rejected);
    }

    QFormLayout* FormFor(int nGroup, QVBoxLayout* pMain) {
        if (nGroup >= 0) return m_groupForms[static_cast<size_t>(nGroup)];
        if (!m_pTopForm) {
            m_pTopForm = new QFormLayout;
            pMain->addLayout(m_pTopForm);
        }
        return m_pTopForm;
    }

    QWidget* Make(const ui::DialogControl& c) {
        const int nId = c.nId;
        switch (c.type) {
            case ControlType::Static: {
                auto* p = new QLabel(FromCp1252(c.strText));
                p->setWordWrap(!c.bLabel);  // a note on its own row wraps; a field's label does not
                return p;
            }
            case ControlType::GroupBox: return new QGroupBox(FromCp1252(c.strText));
            case ControlType::Edit: {
                auto* p = new QLineEdit;
                connect(p, &QLineEdit::textEdited, this, [this, nId](const QString& t) { m_dlg.TypeText(nId, ToCp1252(t)); });
                return p;
            }
            case ControlType::MultiLineEdit: {
                auto* p = new QPlainTextEdit;
                p->setLineWrapMode(QPlainTextEdit::NoWrap);
                p->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                p->setMinimumHeight(6 * p->fontMetrics().lineSpacing());
                connect(p, &QPlainTextEdit::textChanged, this,
                        [this, p, nId] { m_dlg.TypeText(nId, ToCrLf(ToCp1252(p->toPlainText()))); });
                return p;
            }
            case ControlType::DropList:
            case ControlType::DropDown: {
                auto* p = new QComboBox;
                if (c.type == ControlType::DropDown) {
                    p->setEditable(true);
                    p->setInsertPolicy(QComboBox::NoInsert);
                    connect(p, &QComboBox::editTextChanged, this, [this, nId](const QString& t) { m_dlg.TypeText(nId, ToCp1252(t)); });
                }
                connect(p, &QComboBox::activated, this, [this, nId](int i) { Act([this, nId, i] { m_dlg.PickItem(nId, i); }); });
                return p;
            }
            case ControlType::ListBox: {
                auto* p = new QListWidget;
                connect(p, &QListWidget::currentRowChanged, this,
                        [this, nId](int i) { Act([this, nId, i] { m_dlg.PickItem(nId, i); }); });
                return p;
            }
            case ControlType::RadioButton:
            case ControlType::CheckBox:
            case ControlType::PushButton:
            case ControlType::ColorButton: {
                QAbstractButton* p = nullptr;
                if (c.type == ControlType::RadioButton) {
                    auto* r = new QRadioButton(FromCp1252(c.strText));
                    r->setAutoExclusive(false);  // the dialog checks and unchecks
                    p = r;
                } else if (c.type == ControlType::CheckBox) {
                    p = new QCheckBox(FromCp1252(c.strText));
                } else {
                    auto* b = c.type == ControlType::ColorButton ? new COwnerDrawButton(m_dlg, nId)
                                                                 : new QPushButton(FromCp1252(c.strText));
                    b->setAutoDefault(false);
                    p = b;
                }
                connect(p, &QAbstractButton::clicked, this, [this, nId] { Act([this, nId] { m_dlg.ClickButton(nId); }); });
                return p;
            }
        }
        return nullptr;
    }

    void Build() {
        auto* pMain = new QVBoxLayout(this);
        const auto& controls = Controls();
        m_widgets.assign(controls.size(), nullptr);
        m_groupForms.assign(controls.size(), nullptr);
        QWidget* pPendingLabel = nullptr;  // a label, or a button in a label's place
        for (size_t i = 0; i < controls.size(); ++i) {
            const ui::DialogControl& c = controls[i];
            QWidget* w = Make(c);
            m_widgets[i] = w;
            if (c.nId != ui::IDC_STATIC) w->setObjectName(QString("id%1").arg(c.nId));
            if (c.type == ControlType::GroupBox) {
                auto* pForm = new QFormLayout(static_cast<QGroupBox*>(w));
                m_groupForms[i] = pForm;
                pMain->addWidget(w);
                m_pTopForm = nullptr;  // controls after the group start a new block below it
                continue;
            }
            if (c.bLabel && (c.type == ControlType::Static || c.type == ControlType::PushButton)) {
                pPendingLabel = w;
                continue;
            }
            QFormLayout* pForm = FormFor(c.nGroup, pMain);
            if (pPendingLabel) {
                if (auto* pLabel = qobject_cast<QLabel*>(pPendingLabel)) pLabel->setBuddy(w);
                pForm->addRow(pPendingLabel, w);
                pPendingLabel = nullptr;
            } else {
                pForm->addRow(w);
            }
        }
        auto* pButtons = new QHBoxLayout;
        pButtons->addStretch();
        auto* pOK = new QPushButton(FromCp1252(m_dlg.GetOKText()));
        pOK->setObjectName("id1");
        pOK->setDefault(true);
        connect(pOK, &QPushButton::clicked, this, [this] { Act([this] { m_dlg.ClickButton(IDOK); }); });
        pButtons->addWidget(pOK);
        if (!m_dlg.GetCancelText().empty()) {
            auto* pCancel = new QPushButton(FromCp1252(m_dlg.GetCancelText()));
            pCancel->setObjectName("id2");
            pCancel->setAutoDefault(false);
            connect(pCancel, &QPushButton::clicked, this, [this] { reject(); });
            pButtons->addWidget(pCancel);
        }
        pMain->addLayout(pButtons);
    }

    // The widgets from the dialog's state.
    void Sync() {
        const auto& controls = Controls();
        for (size_t i = 0; i < controls.size(); ++i) {
            const ui::DialogControl& c = controls[i];
            QWidget* w = m_widgets[i];
            if (!w) continue;
            const QSignalBlocker block(w);
            w->setEnabled(c.bEnabled);
            const QString text = FromCp1252(c.type == ControlType::MultiLineEdit ? FromCrLf(c.strText) : c.strText);
            switch (c.type) {
                case ControlType::Static:
                    if (static_cast<QLabel*>(w)->text() != text) static_cast<QLabel*>(w)->setText(text);
                    break;
                case ControlType::GroupBox: static_cast<QGroupBox*>(w)->setTitle(text); break;
                case ControlType::Edit: {
                    auto* p = static_cast<QLineEdit*>(w);
                    p->setMaxLength(c.nLimitText > 0 ? c.nLimitText : 32767);
                    if (p->text() != text) p->setText(text);
                    break;
                }
                case ControlType::MultiLineEdit: {
                    auto* p = static_cast<QPlainTextEdit*>(w);
                    if (p->toPlainText() != text) p->setPlainText(text);
                    break;
                }
                case ControlType::DropList:
                case ControlType::DropDown: {
                    auto* p = static_cast<QComboBox*>(w);
                    const QStringList items = ToQt(c.items);
                    QStringList now;
                    for (int k = 0; k < p->count(); ++k) now << p->itemText(k);
                    if (now != items) {
                        p->clear();
                        p->addItems(items);
                    }
                    p->setCurrentIndex(c.nCurSel);
                    if (c.type == ControlType::DropDown) {
                        if (c.nLimitText > 0) p->lineEdit()->setMaxLength(c.nLimitText);
                        if (p->currentText() != text) p->setEditText(text);
                    }
                    break;
                }
                case ControlType::ListBox: {
                    auto* p = static_cast<QListWidget*>(w);
                    const QStringList items = ToQt(c.items);
                    QStringList now;
                    for (int k = 0; k < p->count(); ++k) now << p->item(k)->text();
                    if (now != items) {
                        p->clear();
                        p->addItems(items);
                    }
                    p->setCurrentRow(c.nCurSel);
                    break;
                }
                case ControlType::RadioButton:
                case ControlType::CheckBox: static_cast<QAbstractButton*>(w)->setChecked(c.bChecked); break;
                case ControlType::PushButton: break;
                case ControlType::ColorButton: w->update(); break;
            }
        }
        if (m_dlg.GetFocusSerial() != m_nFocusSerial) {
            m_nFocusSerial = m_dlg.GetFocusSerial();
            for (size_t i = 0; i < controls.size(); ++i) {
                if (controls[i].nId != m_dlg.GetFocusId() || !m_widgets[i]) continue;
                m_widgets[i]->setFocus(Qt::OtherFocusReason);
                if (auto* p = qobject_cast<QLineEdit*>(m_widgets[i])) p->selectAll();
                break;
            }
        }
    }

    ui::CParamDialog& m_dlg;
    std::vector<QWidget*> m_widgets;         // one a control (owned by this window)
    std::vector<QFormLayout*> m_groupForms;  // the form inside each group box, by control index
    QFormLayout* m_pTopForm = nullptr;       // the rows outside group boxes, since the last group
    int m_nFocusSerial = 0;
};

}  // namespace

int CQtUIServices::DoModal(ui::CParamDialog& dlg) {
    const kernel::CDescriptorRoom room(ShortOfDescriptors());
    CQtParamDialog dialog(dlg, Owner());
    return dialog.Run();
}
