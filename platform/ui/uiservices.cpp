#include "platform/ui/uiservices.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

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

namespace {

std::string Format(const char* pszFormat, double v) {
    char buf[64];
    std::snprintf(buf, sizeof(buf), pszFormat, v);
    return buf;
}

std::string Replace12(std::string s, const std::string& a, const std::string& b) {
    const size_t p1 = s.find("%1");
    if (p1 != std::string::npos) s.replace(p1, 2, a);
    const size_t p2 = s.find("%2");
    if (p2 != std::string::npos) s.replace(p2, 2, b);
    return s;
}

// The text without blanks around it; false when nothing is left.
bool Trim(const std::string& s, std::string* pOut) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    *pOut = s.substr(b, e - b);
    return !pOut->empty();
}

bool ParseDouble(const std::string& text, double* pValue) {
    std::string t;
    if (!Trim(text, &t)) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno == ERANGE) return false;
    *pValue = v;
    return true;
}

bool ParseInteger(const std::string& text, bool bUnsigned, long long* pValue) {
    std::string t;
    if (!Trim(text, &t)) return false;
    if (bUnsigned && t[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (end != t.c_str() + t.size() || errno == ERANGE) return false;
    if (bUnsigned ? (v < 0 || v > 0xFFFFFFFFll) : (v < INT_MIN || v > INT_MAX)) return false;
    *pValue = v;
    return true;
}

}  // namespace

std::string FieldToText(const DialogField& f) {
    if (!f.pValue) return std::string();
    switch (f.kind) {
        case DialogField::Kind::Float: return Format("%.6g", *static_cast<const float*>(f.pValue));
        case DialogField::Kind::Double: return Format("%.15g", *static_cast<const double*>(f.pValue));
        case DialogField::Kind::Int: return std::to_string(*static_cast<const int*>(f.pValue));
        case DialogField::Kind::UInt: return std::to_string(*static_cast<const UINT*>(f.pValue));
        case DialogField::Kind::Text: return *static_cast<const std::string*>(f.pValue);
        default: return std::string();
    }
}

bool TextToField(const DialogField& f, const std::string& strText, std::string* pError) {
    std::string error;
    switch (f.kind) {
        case DialogField::Kind::Float:
        case DialogField::Kind::Double: {
            const bool bFloat = f.kind == DialogField::Kind::Float;
            const char* fmt = bFloat ? "%.6g" : "%.15g";
            double v = 0.0;
            if (!ParseDouble(strText, &v)) {
                error = "Please enter a number.";
            } else if (bFloat ? (f.bRange && (static_cast<float>(v) < static_cast<float>(f.dMin) ||
                                              static_cast<float>(v) > static_cast<float>(f.dMax)))
                              : (f.bRange && (v < f.dMin || v > f.dMax))) {
                error = Replace12("Please enter a number between %1 and %2.", Format(fmt, f.dMin), Format(fmt, f.dMax));
            } else if (f.pValue) {
                if (bFloat)
                    *static_cast<float*>(f.pValue) = static_cast<float>(v);
                else
                    *static_cast<double*>(f.pValue) = v;
            }
            break;
        }
        case DialogField::Kind::Int:
        case DialogField::Kind::UInt: {
            const bool bUnsigned = f.kind == DialogField::Kind::UInt;
            long long v = 0;
            if (!ParseInteger(strText, bUnsigned, &v)) {
                error = bUnsigned ? "Please enter a positive integer." : "Please enter an integer.";
            } else if (f.bRange && (static_cast<double>(v) < f.dMin || static_cast<double>(v) > f.dMax)) {
                error = Replace12("Please enter an integer between %1 and %2.",
                                  std::to_string(static_cast<long long>(f.dMin)),
                                  std::to_string(static_cast<long long>(f.dMax)));
            } else if (f.pValue) {
                if (bUnsigned)
                    *static_cast<UINT*>(f.pValue) = static_cast<UINT>(v);
                else
                    *static_cast<int*>(f.pValue) = static_cast<int>(v);
            }
            break;
        }
        case DialogField::Kind::Text:
            if (f.nMaxChars > 0 && static_cast<int>(strText.size()) > f.nMaxChars)
                error = Replace12("Please enter no more than %1 characters.", std::to_string(f.nMaxChars), "");
            else if (f.pValue)
                *static_cast<std::string*>(f.pValue) = strText;
            break;
        default:
            break;
    }
    if (!error.empty()) {
        if (pError) *pError = error;
        return false;
    }
    return true;
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
