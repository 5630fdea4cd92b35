// The UI services over Qt Widgets: QMessageBox, QFileDialog, QColorDialog and a generic form for
// parameter dialogs. Each call runs a modal event loop, so the frame timer keeps stepping and painting.
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
