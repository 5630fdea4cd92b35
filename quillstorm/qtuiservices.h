// The UI services over Qt Widgets: QMessageBox, QFileDialog, QColorDialog, and parameter dialogs
// shown as a window of widgets made from the dialog's controls (labelled rows, group boxes with
// their rows, lists, radio buttons, owner-drawn buttons painted by the dialog on a surface of the
// drawing layer, OK and Cancel). The user's typing, picks and clicks go to the dialog, and the
// widgets follow its state after each. Texts cross as Windows-1252, a multi-line edit's line breaks
// as CR LF; file names as bytes, the file dialog's chosen name taken back to the bytes it stands for
// (dialogfilename.h). Widgets of controls with an id are named "id<control id>" (OK "id1", Cancel "id2").
// Each call runs a modal event loop, so the frame timer keeps stepping and painting.
#pragma once

#include "platform/ui/uiservices.h"

class QWidget;

class CQtUIServices : public ui::CUIServices {
public:
    int MessageBox(const std::string& strText, const std::string& strCaption, UINT nType) override;
    BOOL FileDialog(const ui::FileDialogRequest& request, std::string* pPath) override;
    BOOL ChooseColor(COLORREF crInitial, DWORD dwFlags, COLORREF* pResult) override;
    int DoModal(ui::CParamDialog& dialog) override;

private:
    static QWidget* Owner();
};
