#include "platform/ui/paramdialog.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/afx/afxfile.h"
#include "platform/crt/crt.h"
#include "platform/gdi/dc.h"
#include "platform/ui/uiservices.h"

namespace ui {

// ---- numbers as text -------------------------------------------------------------------------------

namespace {

std::string Printf(const char* pszFormat, int nPrecision, double v) {
    char buf[64];
    std::snprintf(buf, sizeof(buf), pszFormat, nPrecision, v);
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

// A finite decimal number: [sign] (digits [. digits] | . digits) [(e|E) [sign] digits].
bool IsDecimal(const std::string& t) {
    size_t i = 0;
    const size_t n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    size_t nDigits = 0;
    while (i < n && crt::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++nDigits;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && crt::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++nDigits;
    }
    if (nDigits == 0) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        size_t nExp = 0;
        while (i < n && crt::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++nExp;
        if (nExp == 0) return false;
    }
    return i == n;
}

enum class Parsed { Ok, NotANumber, OutOfType };

// A decimal number as a double; OutOfType when it lies beyond the largest double (an underflow gives
// the nearest value, 0 or a denormal).
Parsed ParseDecimal(const std::string& text, double* pValue) {
    std::string t;
    if (!Trim(text, &t) || !IsDecimal(t)) return Parsed::NotANumber;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size()) return Parsed::NotANumber;
    if (errno == ERANGE && std::fabs(v) == HUGE_VAL) return Parsed::OutOfType;
    *pValue = v;
    return Parsed::Ok;
}

bool ParseInteger(const std::string& text, bool bUnsigned, long long* pValue) {
    std::string t;
    if (!Trim(text, &t)) return false;
    if (bUnsigned && t[0] == '-') return false;
    if (!crt::isdigit(static_cast<unsigned char>(t[0])) && t[0] != '+' && t[0] != '-') return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (end != t.c_str() + t.size() || errno == ERANGE) return false;
    if (bUnsigned ? (v < 0 || v > 0xFFFFFFFFll) : (v < INT_MIN || v > INT_MAX)) return false;
    *pValue = v;
    return true;
}

}  // namespace

std::string FormatFloat(float f) {
    if (!std::isfinite(f)) return Printf("%.*g", 6, f);
    std::string s;
    for (int p = 6; p <= 9; ++p) {
        s = Printf("%.*g", p, f);
        if (std::strtof(s.c_str(), nullptr) == f) break;
    }
    return s;
}

std::string FormatDouble(double d) {
    if (!std::isfinite(d)) return Printf("%.*g", 15, d);
    std::string s;
    for (int p = 15; p <= 17; ++p) {
        s = Printf("%.*g", p, d);
        if (std::strtod(s.c_str(), nullptr) == d) break;
    }
    return s;
}

std::string FieldToText(const DialogField& f) {
    if (!f.pValue) return std::string();
    switch (f.kind) {
        case DialogField::Kind::Float: return FormatFloat(*static_cast<const float*>(f.pValue));
        case DialogField::Kind::Double: return FormatDouble(*static_cast<const double*>(f.pValue));
        case DialogField::Kind::Int: return std::to_string(*static_cast<const int*>(f.pValue));
        case DialogField::Kind::UInt: return std::to_string(*static_cast<const UINT*>(f.pValue));
        case DialogField::Kind::Text: return static_cast<const CString*>(f.pValue)->str();
        default: return std::string();
    }
}

bool IsNumberField(const DialogField& f) {
    switch (f.kind) {
        case DialogField::Kind::Float:
        case DialogField::Kind::Double:
        case DialogField::Kind::Int:
        case DialogField::Kind::UInt: return true;
        default: return false;
    }
}

bool TextToField(const DialogField& f, const std::string& strText, std::string* pError) {
    std::string error;
    switch (f.kind) {
        case DialogField::Kind::Float:
        case DialogField::Kind::Double: {
            const bool bFloat = f.kind == DialogField::Kind::Float;
            const std::string strRange =
                Replace12("Please enter a number between %1 and %2.",
                          bFloat ? FormatFloat(static_cast<float>(f.dMin)) : FormatDouble(f.dMin),
                          bFloat ? FormatFloat(static_cast<float>(f.dMax)) : FormatDouble(f.dMax));
            double v = 0.0;
            Parsed parsed = ParseDecimal(strText, &v);
            if (parsed == Parsed::Ok && bFloat && std::fabs(v) > FLT_MAX) parsed = Parsed::OutOfType;
            if (parsed == Parsed::NotANumber) {
                error = "Please enter a number.";
            } else if (parsed == Parsed::OutOfType) {
                error = f.bRange ? strRange : std::string("Please enter a number.");
            } else if (bFloat) {
                const float fv = static_cast<float>(v);
                if (f.bRange && (fv < static_cast<float>(f.dMin) || fv > static_cast<float>(f.dMax)))
                    error = strRange;
                else if (f.pValue)
                    *static_cast<float*>(f.pValue) = fv;
            } else {
                if (f.bRange && (v < f.dMin || v > f.dMax))
                    error = strRange;
                else if (f.pValue)
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
            if (f.nMaxChars > 0 && static_cast<long long>(strText.size()) > f.nMaxChars)
                error = Replace12("Please enter no more than %1 characters.", std::to_string(f.nMaxChars), "");
            else if (f.pValue)
                *static_cast<CString*>(f.pValue) = CString(std::string_view(strText));
            break;
        case DialogField::Kind::Index:
            return false;
    }
    if (!error.empty()) {
        if (pError) *pError = error;
        return false;
    }
    return true;
}

// ---- the dialog ----------------------------------------------------------------------------------

CParamDialog::CParamDialog(UINT nIDTemplate, std::string strTitle)
    : m_nIDTemplate(nIDTemplate), m_strTitle(std::move(strTitle)) {}

int CParamDialog::DoModal() { return GetUIServices()->DoModal(*this); }

const DialogControl* CParamDialog::GetDlgItem(int nId) const {
    for (const DialogControl& c : m_controls)
        if (c.nId == nId) return &c;
    return nullptr;
}

DialogControl* CParamDialog::Item(int nId) { return const_cast<DialogControl*>(GetDlgItem(nId)); }

CString CParamDialog::GetDlgItemText(int nId) const {
    const DialogControl* c = GetDlgItem(nId);
    return c ? CString(std::string_view(c->strText)) : CString();
}

BOOL CParamDialog::IsDlgItemEnabled(int nId) const {
    const DialogControl* c = GetDlgItem(nId);
    return c && c->bEnabled ? TRUE : FALSE;
}

UINT CParamDialog::IsDlgButtonChecked(int nId) const {
    const DialogControl* c = GetDlgItem(nId);
    return c && c->bChecked ? 1 : 0;
}

int CParamDialog::GetCurSel(int nId) const {
    const DialogControl* c = GetDlgItem(nId);
    return c ? c->nCurSel : -1;
}

int CParamDialog::GetCount(int nId) const {
    const DialogControl* c = GetDlgItem(nId);
    return c ? static_cast<int>(c->items.size()) : 0;
}

CString CParamDialog::GetLBText(int nId, int nIndex) const {
    const DialogControl* c = GetDlgItem(nId);
    if (!c || nIndex < 0 || nIndex >= static_cast<int>(c->items.size())) return CString();
    return CString(std::string_view(c->items[static_cast<size_t>(nIndex)]));
}

// ---- the template ----------------------------------------------------------------------------------

DialogControl& CParamDialog::Add(ControlType type, int nId, const std::string& strText) {
    DialogControl c;
    c.nId = nId;
    c.type = type;
    c.strText = strText;
    c.nGroup = m_nOpenGroup;
    m_controls.push_back(std::move(c));
    return m_controls.back();
}

void CParamDialog::AddLabelled(ControlType type, int nId, const std::string& strLabel, int nLabelId) {
    if (!strLabel.empty() || nLabelId != IDC_STATIC) Add(ControlType::Static, nLabelId, strLabel).bLabel = true;
    Add(type, nId, std::string());
}

void CParamDialog::AddLabel(const std::string& strText, int nId) { Add(ControlType::Static, nId, strText); }

void CParamDialog::AddEdit(int nId, const std::string& strLabel, int nLabelId) {
    AddLabelled(ControlType::Edit, nId, strLabel, nLabelId);
}

void CParamDialog::AddMultiLineEdit(int nId, const std::string& strLabel, int nLabelId) {
    AddLabelled(ControlType::MultiLineEdit, nId, strLabel, nLabelId);
}

void CParamDialog::AddDropList(int nId, const std::string& strLabel, std::vector<std::string> items, int nLabelId) {
    AddLabelled(ControlType::DropList, nId, strLabel, nLabelId);
    m_controls.back().items = std::move(items);
}

void CParamDialog::AddDropDown(int nId, const std::string& strLabel, std::vector<std::string> items, bool bSorted,
                               int nLabelId) {
    AddLabelled(ControlType::DropDown, nId, strLabel, nLabelId);
    m_controls.back().bSorted = bSorted;
    for (const std::string& s : items) AddString(nId, CString(std::string_view(s)));
}

void CParamDialog::AddListBox(int nId, const std::string& strLabel, int nLabelId) {
    AddLabelled(ControlType::ListBox, nId, strLabel, nLabelId);
}

void CParamDialog::AddRadioButton(int nId, const std::string& strText) { Add(ControlType::RadioButton, nId, strText); }
void CParamDialog::AddCheckBox(int nId, const std::string& strText) { Add(ControlType::CheckBox, nId, strText); }
void CParamDialog::AddPushButton(int nId, const std::string& strText) { Add(ControlType::PushButton, nId, strText); }

void CParamDialog::AddSourceText(int nEditId, int nLoadButtonId) {
    AddMultiLineEdit(nEditId, "Source Text:");
    AddPushButton(nLoadButtonId, "load text file");
    MapClicked(nLoadButtonId, [this, nEditId] { LoadTextFile(nEditId); });
}

void CParamDialog::AddButtonEdit(int nButtonId, const std::string& strButton, int nEditId) {
    Add(ControlType::PushButton, nButtonId, strButton).bLabel = true;
    Add(ControlType::Edit, nEditId, std::string());
}

void CParamDialog::AddColorButton(int nId, const std::string& strLabel, COLORREF* pColor, int nLabelId) {
    AddLabelled(ControlType::ColorButton, nId, strLabel, nLabelId);
    m_colors.emplace_back(nId, pColor);
}

void CParamDialog::BeginGroup(const std::string& strTitle, int nId) {
    Add(ControlType::GroupBox, nId, strTitle);
    m_nOpenGroup = static_cast<int>(m_controls.size()) - 1;
}

void CParamDialog::EndGroup() { m_nOpenGroup = -1; }

void CParamDialog::SetButtonTexts(const std::string& strOK, const std::string& strCancel) {
    m_strOKText = strOK;
    m_strCancelText = strCancel;
}

// ---- the exchange list -----------------------------------------------------------------------------

void CParamDialog::AddField(DialogField field) { m_fields.push_back(field); }

void CParamDialog::AddRanged(DialogField::Kind kind, int nId, void* pValue, double dMin, double dMax) {
    DialogField f = Field(kind, nId, pValue);
    f.bRange = true;
    f.dMin = dMin;
    f.dMax = dMax;
    AddField(f);
}

void CParamDialog::ExchangeFloat(int nId, float* pValue, float fMin, float fMax) {
    AddRanged(DialogField::Kind::Float, nId, pValue, fMin, fMax);
}
void CParamDialog::ExchangeDouble(int nId, double* pValue, double dMin, double dMax) {
    AddRanged(DialogField::Kind::Double, nId, pValue, dMin, dMax);
}
void CParamDialog::ExchangeInt(int nId, int* pValue, int nMin, int nMax) {
    AddRanged(DialogField::Kind::Int, nId, pValue, nMin, nMax);
}
void CParamDialog::ExchangeUInt(int nId, UINT* pValue, UINT nMin, UINT nMax) {
    AddRanged(DialogField::Kind::UInt, nId, pValue, nMin, nMax);
}

void CParamDialog::ExchangeText(int nId, CString* pValue, int nMaxChars) {
    DialogField f = Field(DialogField::Kind::Text, nId, pValue);
    f.nMaxChars = nMaxChars;
    AddField(f);
}

void CParamDialog::ExchangeIndex(int nId, int* pValue) { AddField(Field(DialogField::Kind::Index, nId, pValue)); }

void CParamDialog::MapClicked(int nId, std::function<void()> handler) { m_clicked.emplace_back(nId, std::move(handler)); }

void CParamDialog::MapSelChange(int nId, std::function<void()> handler) {
    m_selChange.emplace_back(nId, std::move(handler));
}

void CParamDialog::RunHandler(const std::vector<std::pair<int, std::function<void()>>>& map, int nId) {
    for (const auto& [id, handler] : map)
        if (id == nId && handler) {
            handler();
            return;
        }
}

// ---- what the class library does ------------------------------------------------------------------

BOOL CParamDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CParamDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CParamDialog::OnCancel() { EndDialog(IDCANCEL); }

void CParamDialog::EndDialog(int nResult) { m_nResult = nResult ? nResult : IDCANCEL; }

BOOL CParamDialog::UpdateData(BOOL bSaveAndValidate) {
    for (const DialogField& f : m_fields) {
        DialogControl* c = Item(f.nId);
        if (!c) continue;
        if (!bSaveAndValidate) {
            if (f.kind == DialogField::Kind::Index) {
                SetCurSel(f.nId, f.pValue ? *static_cast<const int*>(f.pValue) : -1);
            } else {
                c->strText = FieldToText(f);
                if (f.kind == DialogField::Kind::Text) c->nLimitText = f.nMaxChars;
            }
            continue;
        }
        if (f.kind == DialogField::Kind::Index) {
            if (f.pValue) *static_cast<int*>(f.pValue) = c->nCurSel;
            continue;
        }
        // A number the user cannot edit is neither checked nor read: its member goes back as it came,
        // even when it lies outside the field's range (the dialog could not be confirmed otherwise).
        if (IsNumberField(f) && !IsEnabledForUser(*c)) continue;
        std::string error;
        if (!TextToField(f, c->strText, &error)) {
            AfxMessageBox(error.c_str(), MB_OK | MB_ICONEXCLAMATION);
            GotoDlgCtrl(f.nId);
            return FALSE;
        }
    }
    return TRUE;
}

// ---- control state ---------------------------------------------------------------------------------

void CParamDialog::EnableDlgItem(int nId, BOOL bEnable) {
    if (DialogControl* c = Item(nId)) c->bEnabled = bEnable != FALSE;
}

void CParamDialog::CheckDlgButton(int nId, UINT nCheck) {
    if (DialogControl* c = Item(nId)) c->bChecked = nCheck != 0;
}

void CParamDialog::SetDlgItemText(int nId, const CString& strText) {
    if (DialogControl* c = Item(nId)) c->strText = strText.str();
}

void CParamDialog::ResetContent(int nId) {
    if (DialogControl* c = Item(nId)) {
        c->items.clear();
        c->nCurSel = -1;
    }
}

int CParamDialog::AddString(int nId, const CString& strItem) {
    DialogControl* c = Item(nId);
    if (!c) return -1;
    auto at = c->items.end();
    if (c->bSorted)
        at = std::upper_bound(c->items.begin(), c->items.end(), strItem.str(), [](const std::string& a, const std::string& b) {
            return CString(std::string_view(a)).CompareNoCase(b.c_str()) < 0;
        });
    const int nIndex = static_cast<int>(at - c->items.begin());
    c->items.insert(at, strItem.str());
    if (c->nCurSel >= nIndex) ++c->nCurSel;
    return nIndex;
}

int CParamDialog::SetCurSel(int nId, int nIndex) {
    DialogControl* c = Item(nId);
    if (!c) return -1;
    c->nCurSel = nIndex >= 0 && nIndex < static_cast<int>(c->items.size()) ? nIndex : -1;
    if (c->nCurSel >= 0 && c->type == ControlType::DropDown) c->strText = c->items[static_cast<size_t>(c->nCurSel)];
    return c->nCurSel;
}

void CParamDialog::GotoDlgCtrl(int nId) {
    m_nFocusId = nId;
    ++m_nFocusSerial;
}

// ---- what the user does ----------------------------------------------------------------------------

void CParamDialog::StartModal() {
    m_nResult = 0;
    m_nFocusId = 0;
    OnInitDialog();
}

bool CParamDialog::IsEnabledForUser(const DialogControl& c) const {
    return c.bEnabled && (c.nGroup < 0 || m_controls[static_cast<size_t>(c.nGroup)].bEnabled);
}

DialogControl* CParamDialog::ItemForUser(int nId) {
    DialogControl* c = Item(nId);
    return c && IsEnabledForUser(*c) ? c : nullptr;
}

BOOL CParamDialog::TypeText(int nId, const std::string& strText) {
    DialogControl* c = ItemForUser(nId);
    if (!c || (c->type != ControlType::Edit && c->type != ControlType::MultiLineEdit && c->type != ControlType::DropDown))
        return FALSE;
    c->strText = c->nLimitText > 0 && static_cast<int>(strText.size()) > c->nLimitText
                     ? strText.substr(0, static_cast<size_t>(c->nLimitText))
                     : strText;
    return TRUE;
}

BOOL CParamDialog::ClickButton(int nId) {
    if (IsEnded()) return FALSE;
    if (nId == IDOK) {
        OnOK();
        return TRUE;
    }
    if (nId == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    DialogControl* c = ItemForUser(nId);
    if (!c) return FALSE;
    switch (c->type) {
        case ControlType::RadioButton:
            for (DialogControl& other : m_controls)
                if (other.type == ControlType::RadioButton && other.nGroup == c->nGroup) other.bChecked = false;
            c->bChecked = true;
            break;
        case ControlType::CheckBox:
            c->bChecked = !c->bChecked;
            break;
        case ControlType::ColorButton:
            for (const auto& [id, pColor] : m_colors)
                if (id == nId && pColor) ChooseColorFor(pColor);
            break;
        case ControlType::PushButton:
            break;
        default:
            return FALSE;
    }
    RunHandler(m_clicked, nId);
    return TRUE;
}

BOOL CParamDialog::PickItem(int nId, int nIndex) {
    DialogControl* c = ItemForUser(nId);
    if (!c || (c->type != ControlType::DropList && c->type != ControlType::DropDown && c->type != ControlType::ListBox))
        return FALSE;
    if (nIndex < -1 || nIndex >= static_cast<int>(c->items.size())) return FALSE;
    SetCurSel(nId, nIndex);
    RunHandler(m_selChange, nId);
    return TRUE;
}

BOOL CParamDialog::PickItem(int nId, const std::string& strItem) {
    const DialogControl* c = GetDlgItem(nId);
    if (!c) return FALSE;
    const auto it = std::find(c->items.begin(), c->items.end(), strItem);
    if (it == c->items.end()) return FALSE;
    return PickItem(nId, static_cast<int>(it - c->items.begin()));
}

// ---- owner drawing, colours and text files ----------------------------------------------------------

void CParamDialog::OnDrawItem(int nId, CDC* pDC, const CRect& rcItem) {
    for (const auto& [id, pColor] : m_colors)
        if (id == nId && pColor) DrawColorItem(pDC, rcItem, *pColor);
}

void CParamDialog::DrawColorItem(CDC* pDC, const CRect& rcItem, COLORREF cr) {
    if (!pDC) return;
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CBrush brush(cr);
    CPen* pOldPen = pDC->SelectObject(&pen);
    CBrush* pOldBrush = pDC->SelectObject(&brush);
    pDC->Rectangle(&rcItem);
    if (pOldPen) pDC->SelectObject(pOldPen);
    if (pOldBrush) pDC->SelectObject(pOldBrush);
}

BOOL CParamDialog::ChooseColorFor(COLORREF* pColor) {
    if (!pColor) return FALSE;
    COLORREF cr = *pColor;
    if (!GetUIServices()->ChooseColor(*pColor, CC_FULLOPEN | CC_RGBINIT, &cr)) return FALSE;
    *pColor = cr;
    return TRUE;
}

BOOL CParamDialog::LoadTextFile(int nEditId) {
    FileDialogRequest request;
    request.bOpen = true;
    request.dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.strFilter = "Data Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    std::string strPath;
    if (!GetUIServices()->FileDialog(request, &strPath)) return FALSE;

    std::string bytes;
    CFileException error;
    CFile file;
    BOOL bRead = file.Open(strPath.c_str(), CFile::modeRead | CFile::typeText, &error);
    if (bRead) {
        try {
            char buf[65536];
            while (UINT n = file.Read(buf, sizeof(buf))) bytes.append(buf, n);
            file.Close();
        } catch (CFileException& e) {
            error.m_cause = e.m_cause;
            error.m_lOsError = e.m_lOsError;
            error.m_strFileName = e.m_strFileName;
            file.Abort();
            bRead = FALSE;
        }
    }
    if (!bRead) {
        std::string strMessage = error.GetErrorMessage().str();
        if (strMessage.size() > 254) strMessage.resize(254);
        AfxMessageBox(("The data file could not be opened because of this error: " + strMessage).c_str(), MB_OK);
        return FALSE;
    }
    // Line by line, as a text file reads: each line (CR LF or LF ended, or the last one unended)
    // followed by CR LF.
    const std::string text = crt::text_mode(bytes);
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        const size_t nl = text.find('\n', start);
        const size_t end = nl == std::string::npos ? text.size() : nl;
        out.append(text, start, end - start);
        out += "\r\n";
        start = end + 1;
    }
    SetDlgItemText(nEditId, CString(std::string_view(out)));
    return TRUE;
}

BOOL CParamDialog::CheckAlphanumericText(int nEditId) {
    const DialogControl* c = GetDlgItem(nEditId);
    if (c)
        for (char ch : c->strText)
            if (crt::isalnum(static_cast<unsigned char>(ch))) return TRUE;
    AfxMessageBox("There must be at least some alpha numeric\ntext for this behavior to work.\n", MB_OK);
    return FALSE;
}

}  // namespace ui
