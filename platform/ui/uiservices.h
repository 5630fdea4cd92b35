// UI services: the one interface through which the program asks the user something — message boxes
// with the platform's button sets and results, the common file open and save dialogs, the colour
// dialog and parameter dialogs (paramdialog.h). The application installs the windowing toolkit's
// implementation at start-up; tests install a scripted one (scriptedui.h). Nothing here depends on a
// toolkit.
//
// Texts (message, caption, labels, filters) are Windows-1252 bytes; paths are the file system's bytes.
// Every call is modal: it returns when the user answered. The program's frame timer keeps running
// meanwhile (the toolkit runs its event loop inside the call).
#pragma once

#include <string>
#include <vector>

#include "platform/crt/wintypes.h"

// Message box button sets (the low four bits of the type) and icons.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_DEFMASK = 0xF00;

// Results: the button pressed.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// File dialog flags (the ones the program uses).
constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

// Colour dialog flags.
constexpr DWORD CC_RGBINIT = 0x00000001;
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_ENABLEHOOK = 0x00000010;

namespace ui {

// The buttons of a message box type, in display order (MB_OK: {IDOK}; MB_YESNOCANCEL: {IDYES, IDNO,
// IDCANCEL} ...). An unknown set counts as MB_OK.
std::vector<int> MessageBoxButtons(UINT nType);
// The button that answers when the box is dismissed without a choice (Escape, the close button):
// IDCANCEL where the set has Cancel, IDOK for MB_OK; 0 for sets that cannot be dismissed (MB_YESNO,
// MB_ABORTRETRYIGNORE): the box then stays open.
int MessageBoxEscapeResult(UINT nType);
// The default button: the MB_DEFBUTTONn'th of the set (the first when the set is shorter).
int MessageBoxDefaultButton(UINT nType);
// The answer of a box that gets no choice at all (no one to ask, or closed without a button): the
// escape result, else the default button.
int MessageBoxUnansweredResult(UINT nType);
// "OK", "Cancel", "&Yes" ... for a result id ("" for an unknown one).
const char* MessageBoxButtonText(int nId);

// One entry of a file dialog filter.
struct FileFilter {
    std::string name;                   // "Quillstorm Files (*.qsd)"
    std::vector<std::string> patterns;  // {"*.qsd"}; the pattern text is split at ';'
};
// The class library's filter form, "name|patterns|name|patterns||": pairs separated by '|', ended by
// "||" (a missing end is accepted; a name without patterns is dropped).
std::vector<FileFilter> ParseFileFilter(const std::string& strFilter);

struct FileDialogRequest {
    bool bOpen = true;           // open (TRUE) or save dialog
    std::string strDefExt;       // appended (with a dot) to a chosen name without extension; "" none
    std::string strFileName;     // initial file name
    DWORD dwFlags = 0;           // OFN_ flags
    std::string strFilter;       // the class library's filter form
    std::string strTitle;        // "" for the toolkit's own ("Open", "Save As")
};

// The default extension appended when the file name part of strPath has no '.' (strDefExt may start
// with a '.'); strPath unchanged otherwise.
std::string ApplyDefaultExtension(const std::string& strPath, const std::string& strDefExt);
// The part after the last '/': what the class library's GetFileName gives.
std::string PathFileName(const std::string& strPath);
// What a file dialog does with its result: unless dwFlags has OFN_NOCHANGEDIR, the folder of strPath
// becomes the current directory. FALSE when that folder cannot be entered (the directory stays).
BOOL ChangeToFileFolder(const std::string& strPath, DWORD dwFlags);

class CParamDialog;  // paramdialog.h

class CUIServices {
public:
    virtual ~CUIServices() = default;
    // The button pressed (IDOK, IDCANCEL, IDYES, IDNO ...).
    virtual int MessageBox(const std::string& strText, const std::string& strCaption, UINT nType) = 0;
    // TRUE with the chosen full path; FALSE when cancelled. The default extension is applied already.
    // As on the platform, a chosen file makes its folder the process's current directory unless
    // OFN_NOCHANGEDIR is given (ChangeToFileFolder): a caller that keeps only the file's name and
    // opens that name later reaches the chosen file.
    virtual BOOL FileDialog(const FileDialogRequest& request, std::string* pPath) = 0;
    // TRUE with the chosen colour; FALSE when cancelled.
    virtual BOOL ChooseColor(COLORREF crInitial, DWORD dwFlags, COLORREF* pResult) = 0;
    // Shows the dialog modally: StartModal, then the user's typing, picks and clicks go to the
    // dialog's TypeText, PickItem and ClickButton until it has ended. IDOK or IDCANCEL.
    virtual int DoModal(CParamDialog& dialog) = 0;
};

// The installed services. Before anything is installed: a silent stand-in that answers every box with
// its escape result (else its default button) and cancels every dialog.
CUIServices* GetUIServices();
// Installs p (NULL: the stand-in again); returns the previously installed one (NULL for the
// stand-in). The caller keeps ownership.
CUIServices* SetUIServices(CUIServices* p);

// The caption of boxes shown without one (the application's title).
void SetAppTitle(const std::string& strTitle);
const std::string& GetAppTitle();

}  // namespace ui

// The class library's message box: the application title as caption.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK);
