#include "quillstorm/backgroundimagedialog.h"

#include <string>

#include "platform/ui/uiservices.h"

CBackgroundImageDialog::CBackgroundImageDialog() : CParamDialog(IDD, "Set background image...") {
    AddPushButton(IDC_BROWSE, "Source File:");
    AddEdit(IDC_FILE_NAME, "");
    AddDropList(IDC_LAYOUT, "Layout:",
                {"Upper Left", "Upper Right", "Lower Left", "Lower Right", "Centered", "Stretched", "Tiled"});
    AddLabel(
        "Please note that only the background image file name will be saved with your Quillstorm! file (not the "
        "file path).  This means that you must move any background image file into the same directory as your "
        "saved .qsd file for it to be properly loaded.");

    ExchangeText(IDC_FILE_NAME, &m_strFileName);
    ExchangeIndex(IDC_LAYOUT, &m_nLayout);

    MapClicked(IDC_BROWSE, [this] { OnBrowse(); });
}

void CBackgroundImageDialog::OnBrowse() {
    ui::FileDialogRequest request;
    request.bOpen = true;
    request.dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.strFilter = "Bitmap Files (*.bmp)|*.bmp|JPG Files (*.jpg)|*.jpg||";
    std::string strPath;
    if (!ui::GetUIServices()->FileDialog(request, &strPath)) return;
    m_strPath = strPath.c_str();
    m_strFileName = ui::PathFileName(strPath).c_str();
    SetDlgItemText(IDC_FILE_NAME, m_strFileName);
}
