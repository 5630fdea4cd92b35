#include "platform/ui/uiservices.h"

#include <unistd.h>

namespace ui {

namespace {

class CSilentUIServices : public CUIServices {
public:
    int MessageBox(const std::string&, const std::string&, UINT nType) override {
        return MessageBoxUnansweredResult(nType);
    }
    BOOL FileDialog(const FileDialogRequest&, std::string*) override { return FALSE; }
    BOOL ChooseColor(COLORREF, DWORD, COLORREF*) override { return FALSE; }
    int DoModal(CParamDialog&) override { return IDCANCEL; }
};

CSilentUIServices g_silent;
CUIServices* g_pServices = nullptr;
std::string g_strAppTitle;

}  // namespace

std::vector<int> MessageBoxButtons(UINT nType) {
    switch (nType & MB_TYPEMASK) {
        case MB_OKCANCEL: return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO: return {IDYES, IDNO};
        case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
        default: return {IDOK};
    }
}

int MessageBoxEscapeResult(UINT nType) {
    const std::vector<int> buttons = MessageBoxButtons(nType);
    for (int id : buttons)
        if (id == IDCANCEL) return IDCANCEL;
    if (buttons.size() == 1) return IDOK;
    return 0;
}

int MessageBoxDefaultButton(UINT nType) {
    const std::vector<int> buttons = MessageBoxButtons(nType);
    const size_t n = (nType & MB_DEFMASK) >> 8;
    return n < buttons.size() ? buttons[n] : buttons[0];
}

int MessageBoxUnansweredResult(UINT nType) {
    const int r = MessageBoxEscapeResult(nType);
    return r ? r : MessageBoxDefaultButton(nType);
}

const char* MessageBoxButtonText(int nId) {
    switch (nId) {
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        case IDABORT: return "&Abort";
        case IDRETRY: return "&Retry";
        case IDIGNORE: return "&Ignore";
        case IDYES: return "&Yes";
        case IDNO: return "&No";
        default: return "";
    }
}

std::vector<FileFilter> ParseFileFilter(const std::string& strFilter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= strFilter.size()) {
        const size_t bar = strFilter.find('|', start);
        const size_t end = bar == std::string::npos ? strFilter.size() : bar;
        parts.push_back(strFilter.substr(start, end - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::vector<FileFilter> out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // the "||" end
        FileFilter f;
        f.name = parts[i];
        size_t p = 0;
        const std::string& pat = parts[i + 1];
        while (p <= pat.size()) {
            const size_t semi = pat.find(';', p);
            const size_t e = semi == std::string::npos ? pat.size() : semi;
            if (e > p) f.patterns.push_back(pat.substr(p, e - p));
            if (semi == std::string::npos) break;
            p = semi + 1;
        }
        if (!f.patterns.empty()) out.push_back(f);
    }
    return out;
}

std::string PathFileName(const std::string& strPath) {
    const size_t slash = strPath.rfind('/');
    return slash == std::string::npos ? strPath : strPath.substr(slash + 1);
}

BOOL ChangeToFileFolder(const std::string& strPath, DWORD dwFlags) {
    if (dwFlags & OFN_NOCHANGEDIR) return TRUE;
    const size_t slash = strPath.rfind('/');
    if (slash == std::string::npos) return TRUE;  // a bare name: already relative to the current directory
    const std::string folder = slash == 0 ? std::string("/") : strPath.substr(0, slash);
    return ::chdir(folder.c_str()) == 0 ? TRUE : FALSE;
}

std::string ApplyDefaultExtension(const std::string& strPath, const std::string& strDefExt) {
    std::string ext = strDefExt;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    if (ext.empty() || strPath.empty()) return strPath;
    if (PathFileName(strPath).find('.') != std::string::npos) return strPath;
    return strPath + "." + ext;
}

CUIServices* GetUIServices() { return g_pServices ? g_pServices : &g_silent; }

CUIServices* SetUIServices(CUIServices* p) {
    CUIServices* pOld = g_pServices;
    g_pServices = p;
    return pOld;
}

void SetAppTitle(const std::string& strTitle) { g_strAppTitle = strTitle; }
const std::string& GetAppTitle() { return g_strAppTitle; }

}  // namespace ui

int AfxMessageBox(const char* lpszText, UINT nType) {
    return ui::GetUIServices()->MessageBox(lpszText ? lpszText : "", ui::GetAppTitle(), nType);
}
