#include "quillstorm/qtuiservices.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <vector>

#include "platform/gdi/cp1252.h"

namespace {

QString FromCp1252(const std::string& s) { return QString::fromStdString(gdi::Cp1252ToUtf8(s)); }

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

BOOL CQtUIServices::FileDialog(const ui::FileDialogRequest& request, std::string* pPath) {
    QFileDialog dialog(Owner(), FromCp1252(request.strTitle));
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
    if (!request.strFileName.empty()) dialog.selectFile(QString::fromStdString(request.strFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return FALSE;
    const std::string path = ui::ApplyDefaultExtension(dialog.selectedFiles().first().toStdString(), request.strDefExt);
    ui::ChangeToFileFolder(path, request.dwFlags);
    if (pPath) *pPath = path;
    return TRUE;
}

BOOL CQtUIServices::ChooseColor(COLORREF crInitial, DWORD, COLORREF* pResult) {
    QColorDialog dialog(ToQColor(crInitial), Owner());
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted) return FALSE;
    if (pResult) *pResult = ToColorRef(dialog.selectedColor());
    return TRUE;
}

namespace {

// One control of the generic form, with what reads it back.
struct FormControl {
    const ui::DialogField* pField;
    QWidget* pWidget;
    COLORREF crColor = 0;  // Color fields: the colour chosen so far
};

void PaintColorButton(QPushButton* pButton, COLORREF cr) {
    pButton->setStyleSheet(QString("background-color: %1; border: 1px solid black;").arg(ToQColor(cr).name()));
}

}  // namespace

int CQtUIServices::DoModal(ui::CParamDialog& dlg) {
    using Kind = ui::DialogField::Kind;
    QDialog dialog(Owner());
    dialog.setWindowTitle(FromCp1252(dlg.GetTitle()));
    auto* pForm = new QFormLayout;
    std::vector<std::unique_ptr<FormControl>> controls;
    for (const ui::DialogField& f : dlg.GetFields()) {
        auto c = std::make_unique<FormControl>();
        c->pField = &f;
        const QString label = FromCp1252(f.strLabel);
        switch (f.kind) {
            case Kind::Label:
                pForm->addRow(new QLabel(label));
                continue;
            case Kind::Float:
            case Kind::Double:
            case Kind::Int:
            case Kind::UInt:
                c->pWidget = new QLineEdit(FromCp1252(ui::FieldToText(f)));
                break;
            case Kind::Text:
                if (f.bMultiLine) {
                    c->pWidget = new QPlainTextEdit(FromCp1252(ui::FieldToText(f)));
                } else if (!f.choices.empty()) {
                    // An editable drop-down list: the entries are suggestions, the text is the value.
                    auto* pCombo = new QComboBox;
                    pCombo->setEditable(true);
                    pCombo->setInsertPolicy(QComboBox::NoInsert);
                    for (const std::string& s : f.choices) pCombo->addItem(FromCp1252(s));
                    pCombo->setEditText(FromCp1252(ui::FieldToText(f)));
                    if (f.nMaxChars > 0) pCombo->lineEdit()->setMaxLength(f.nMaxChars);
                    c->pWidget = pCombo;
                } else {
                    auto* pEdit = new QLineEdit(FromCp1252(ui::FieldToText(f)));
                    if (f.nMaxChars > 0) pEdit->setMaxLength(f.nMaxChars);
                    c->pWidget = pEdit;
                }
                break;
            case Kind::Bool: {
                auto* pBox = new QCheckBox(label);
                pBox->setChecked(f.pValue && *static_cast<const BYTE*>(f.pValue));
                pForm->addRow(pBox);
                c->pWidget = pBox;
                controls.push_back(std::move(c));
                continue;
            }
            case Kind::Choice: {
                auto* pCombo = new QComboBox;
                for (const std::string& s : f.choices) pCombo->addItem(FromCp1252(s));
                if (f.pValue) pCombo->setCurrentIndex(*static_cast<const int*>(f.pValue));
                c->pWidget = pCombo;
                break;
            }
            case Kind::Color: {
                auto* pButton = new QPushButton;
                c->crColor = f.pValue ? *static_cast<const COLORREF*>(f.pValue) : 0;
                PaintColorButton(pButton, c->crColor);
                FormControl* pc = c.get();
                QObject::connect(pButton, &QPushButton::clicked, [this, pc, pButton] {
                    COLORREF cr;
                    if (ChooseColor(pc->crColor, CC_FULLOPEN, &cr)) {
                        pc->crColor = cr;
                        PaintColorButton(pButton, cr);
                    }
                });
                c->pWidget = pButton;
                break;
            }
            case Kind::Button: {
                auto* pButton = new QPushButton(label);
                const int id = f.nId;
                QObject::connect(pButton, &QPushButton::clicked, [&dlg, &controls, id] {
                    // A button may set text fields (a file chosen by browsing): those it changed show
                    // their new value; what the user typed elsewhere stays.
                    std::vector<std::string> before;
                    for (const auto& c : controls) before.push_back(ui::FieldToText(*c->pField));
                    dlg.OnButton(id);
                    for (size_t i = 0; i < before.size(); ++i) {
                        const ui::DialogField& field = *controls[i]->pField;
                        const std::string now = ui::FieldToText(field);
                        if (field.kind != Kind::Text || now == before[i]) continue;
                        QWidget* pWidget = controls[i]->pWidget;
                        if (auto* pEdit = qobject_cast<QLineEdit*>(pWidget)) pEdit->setText(FromCp1252(now));
                        if (auto* pCombo = qobject_cast<QComboBox*>(pWidget)) pCombo->setEditText(FromCp1252(now));
                        if (auto* pText = qobject_cast<QPlainTextEdit*>(pWidget)) pText->setPlainText(FromCp1252(now));
                    }
                });
                pForm->addRow(pButton);
                continue;
            }
        }
        pForm->addRow(label, c->pWidget);
        controls.push_back(std::move(c));
    }
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* pLayout = new QVBoxLayout(&dialog);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pButtons);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, [&] {
        // Read back in order; the first refusal keeps the dialog open with the focus on its control.
        for (const auto& c : controls) {
            const ui::DialogField& f = *c->pField;
            std::string error;
            bool ok = true;
            switch (f.kind) {
                case Kind::Float:
                case Kind::Double:
                case Kind::Int:
                case Kind::UInt:
                    ok = ui::TextToField(f, ToCp1252(static_cast<QLineEdit*>(c->pWidget)->text()), &error);
                    break;
                case Kind::Text: {
                    QString text;
                    if (f.bMultiLine)
                        text = static_cast<QPlainTextEdit*>(c->pWidget)->toPlainText();
                    else if (!f.choices.empty())
                        text = static_cast<QComboBox*>(c->pWidget)->currentText();
                    else
                        text = static_cast<QLineEdit*>(c->pWidget)->text();
                    ok = ui::TextToField(f, ToCp1252(text), &error);
                    break;
                }
                case Kind::Bool:
                    if (f.pValue) *static_cast<BYTE*>(f.pValue) = static_cast<QCheckBox*>(c->pWidget)->isChecked();
                    break;
                case Kind::Choice:
                    if (f.pValue) *static_cast<int*>(f.pValue) = static_cast<QComboBox*>(c->pWidget)->currentIndex();
                    break;
                case Kind::Color:
                    if (f.pValue) *static_cast<COLORREF*>(f.pValue) = c->crColor;
                    break;
                default:
                    break;
            }
            if (!ok) {
                MessageBox(error, ui::GetAppTitle(), MB_OK | MB_ICONEXCLAMATION);
                c->pWidget->setFocus();
                return;
            }
        }
        if (dlg.OnOK()) dialog.accept();
    });
    return dialog.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}
