// CBackgroundImageDialog: the background image's file and layout ("Set background image..."). The
// caller sets m_strFileName (the book's image name) and m_nLayout (its layout), runs DoModal and reads
// both after IDOK, together with m_strPath: the full path chosen with the browse button in this
// opening of the dialog, empty when the user did not browse (a typed name changes only m_strFileName).
#pragma once

#include "platform/ui/paramdialog.h"

class CBackgroundImageDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 172;
    static constexpr int IDC_BROWSE = 1058;
    static constexpr int IDC_FILE_NAME = 1071;
    static constexpr int IDC_LAYOUT = 1072;

    CBackgroundImageDialog();

    CString m_strFileName;  // the file name, without its folder
    int m_nLayout = -1;     // 0 to 6, the book's layout codes; -1 none
    CString m_strPath;      // not exchanged: the full path the browse button chose

protected:
    // The browse button: the open dialog (BMP and JPG filters); OK stores the full path and the file
    // name and shows the name.
    void OnBrowse();
};
