// CParamDialog: a modal dialog as plain code over the state of its controls. A dialog class declares
// its template (the controls, their labels, group boxes and lists) and its exchange list (which
// member goes to which control, with its range) in its constructor, and handles clicks and list
// changes in plain member functions. The UI services show it (the toolkit lays the controls out and
// keeps its widgets and this state in step); tests drive the same object without a toolkit:
//
//     ui.AnswerDialog([](ui::CParamDialog& d) {
//         d.TypeText(1009, "0");          // what the user types into a control
//         d.ClickButton(IDOK);            // the range message appears; the dialog stays open
//         EXPECT_FALSE(d.IsEnded());
//         EXPECT_EQ(d.GetFocusId(), 1009);
//         d.TypeText(1009, "2.5");
//         return IDOK;                    // OK pressed once more
//     });
//
// The exchange (UpdateData) runs in the exchange list's order, whatever the layout: members into
// controls when the dialog opens, controls into members on OK. Reading back stops at the first field
// that does not parse or lies outside its range: the class library's message, the focus to that
// control, the dialog stays open. A number field the user cannot edit (disabled, or in a disabled
// group box) is skipped on OK: its member keeps its value, in range or not. Text fields and lists
// are read back whether enabled or not. Numbers are shown by FieldToText so that an unedited field gives
// back exactly the member it showed.
//
// Control texts are Windows-1252 bytes; a multi-line edit holds its line breaks as CR LF.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/afx/afxgeom.h"
#include "platform/afx/afxstr.h"
#include "platform/crt/wintypes.h"
#include "platform/ui/uiservices.h"  // IDOK, MB_OK, AfxMessageBox: what dialog code uses

class CDC;

namespace ui {

// The id of controls that have none (labels and group boxes no code refers to).
constexpr int IDC_STATIC = -1;

enum class ControlType {
    Static,         // a label
    GroupBox,       // a titled frame around the controls declared between BeginGroup and EndGroup
    Edit,           // a one-line edit box
    MultiLineEdit,  // several lines, a vertical scroll bar, Enter starts a new line
    DropList,       // a drop-down list: the user picks an item, the text cannot be typed
    DropDown,       // an editable drop-down list: the user types, or picks an item as the text
    ListBox,        // a list box: the user picks a row
    RadioButton,    // the radio buttons of one group box exclude each other
    CheckBox,
    PushButton,     // runs its click handler
    ColorButton,    // an owner-drawn push button: OnDrawItem draws it
};

// One control's state: what the user sees and changes.
struct DialogControl {
    int nId = IDC_STATIC;
    ControlType type = ControlType::Static;
    std::string strText;             // label, caption, title, or the edit's contents
    std::vector<std::string> items;  // lists
    int nCurSel = -1;                // lists: the selected row, -1 none
    bool bEnabled = true;
    bool bChecked = false;           // radio buttons and check boxes
    bool bSorted = false;            // lists: items are kept sorted (by bytes, case folded as ASCII)
    int nLimitText = 0;              // edits: the most characters the user can type (0: no limit)
    int nGroup = -1;                 // the index (in GetControls()) of the group box around it; -1 none
    bool bLabel = false;             // a Static (or push button) that labels the control declared after it (one row)
};

// One member bound to a control, in exchange order.
struct DialogField {
    enum class Kind {
        Float,   // float*: an edit's text
        Double,  // double*
        Int,     // int*
        UInt,    // UINT*
        Text,    // CString*: an edit's (or editable list's) text, at most nMaxChars when not 0
        Index,   // int*: a list's selected row, -1 for none
    };
    Kind kind = Kind::Float;
    int nId = 0;             // the control
    void* pValue = nullptr;
    bool bRange = false;     // numbers: checked against [dMin, dMax] in the field's own type
    double dMin = 0.0;
    double dMax = 0.0;
    int nMaxChars = 0;
};

// A field of the given kind, control id and value, without range or limit.
inline DialogField Field(DialogField::Kind kind, int nId, void* pValue) {
    DialogField f;
    f.kind = kind;
    f.nId = nId;
    f.pValue = pValue;
    return f;
}

// A number as an edit control shows it: the shortest of "%.6g" ... "%.9g" (float) or "%.15g" ...
// "%.17g" (double) that reads back as the same value, so OK without an edit keeps the member; ints
// "%d", UINTs "%u". A float's range bounds are shown the same way after rounding to float.
std::string FormatFloat(float f);
std::string FormatDouble(double d);
// A field's value as its control shows it: numbers as above, a Text field's text; "" for an Index.
std::string FieldToText(const DialogField& field);
// Parses text into the field's value. Numbers: blanks around them allowed, nothing else. A float or
// double takes a finite decimal number only (sign, digits with at most one point, an optional
// exponent): "nan", "inf" and hexadecimal give "Please enter a number."; a value beyond the field
// type's range fails as out of range without being converted; the range is checked in the field's
// own type (a float field compares the float it would store with the float bounds). Integers take
// decimal digits with an optional sign (a UINT no '-'). On failure the value is unchanged and
// *pError holds the class library's message: "Please enter a number.", "Please enter an integer.",
// "Please enter a positive integer.", "Please enter a number between %1 and %2.", "Please enter an
// integer between %1 and %2.", "Please enter no more than %1 characters.", the bounds written as
// FieldToText writes numbers. An Index field takes no text (FALSE, no message).
bool TextToField(const DialogField& field, const std::string& strText, std::string* pError);
// A Float, Double, Int or UInt field.
bool IsNumberField(const DialogField& field);

class CParamDialog {
public:
    CParamDialog(UINT nIDTemplate, std::string strTitle);
    virtual ~CParamDialog() = default;
    CParamDialog(const CParamDialog&) = delete;
    CParamDialog& operator=(const CParamDialog&) = delete;

    // Runs the dialog through the installed UI services: IDOK or IDCANCEL. The members are read
    // after IDOK only.
    int DoModal();

    UINT GetTemplateId() const { return m_nIDTemplate; }
    const std::string& GetTitle() const { return m_strTitle; }
    // The controls in layout order (group boxes before the controls inside them).
    const std::vector<DialogControl>& GetControls() const { return m_controls; }
    // The control with that id (the first, for IDC_STATIC), or NULL.
    const DialogControl* GetDlgItem(int nId) const;
    // The exchange list, in order.
    const std::vector<DialogField>& GetFields() const { return m_fields; }
    // The captions of the OK (id 1) and Cancel (id 2) buttons; an empty Cancel caption: no Cancel
    // button (Escape and the window's close button still cancel).
    const std::string& GetOKText() const { return m_strOKText; }
    const std::string& GetCancelText() const { return m_strCancelText; }

    // Control state as dialog code and tests read it.
    CString GetDlgItemText(int nId) const;
    BOOL IsDlgItemEnabled(int nId) const;
    UINT IsDlgButtonChecked(int nId) const;
    int GetCurSel(int nId) const;
    int GetCount(int nId) const;
    CString GetLBText(int nId, int nIndex) const;

    // ---- what the user does: the UI services call these, tests script them. A disabled or missing
    // control takes nothing (FALSE).
    // Opens the dialog: not ended, no focus request, then OnInitDialog.
    void StartModal();
    // The new text of an edit or editable list (the user typed it), cut to the control's limit.
    BOOL TypeText(int nId, const std::string& strText);
    // A click: IDOK runs OnOK, IDCANCEL OnCancel; a radio button is checked (the others of its group
    // box unchecked), a check box toggled, a colour button bound to a colour asks for the colour;
    // then the control's click handler runs.
    BOOL ClickButton(int nId);
    // The user selects row nIndex of a list (-1: none); an editable list takes the row's text. Then
    // the list's selection-change handler runs.
    BOOL PickItem(int nId, int nIndex);
    // The row whose text is strItem, as PickItem; FALSE when no row has that text.
    BOOL PickItem(int nId, const std::string& strItem);
    BOOL IsEnded() const { return m_nResult != 0; }
    // IDOK or IDCANCEL once ended, 0 while open.
    int GetResult() const { return m_nResult; }
    // The control that has (or was last given) the focus; 0 when none was given.
    int GetFocusId() const { return m_nFocusId; }
    // Grows each time dialog code moves the focus (the toolkit follows it).
    int GetFocusSerial() const { return m_nFocusSerial; }

    // Draws the owner-drawn control nId on pDC, whose item rectangle is rcItem. The base draws a
    // colour button bound to a colour (DrawColorItem) and nothing else.
    virtual void OnDrawItem(int nId, CDC* pDC, const CRect& rcItem);
    // The colour field's look: a rectangle over the whole item, a solid black pen one pixel wide and a
    // solid brush of cr; the DC's pen and brush are restored.
    static void DrawColorItem(CDC* pDC, const CRect& rcItem, COLORREF cr);

protected:
    // ---- the template, in layout order (constructors). Labels that code enables have an id.
    void AddLabel(const std::string& strText, int nId = IDC_STATIC);
    void AddEdit(int nId, const std::string& strLabel, int nLabelId = IDC_STATIC);
    void AddMultiLineEdit(int nId, const std::string& strLabel, int nLabelId = IDC_STATIC);
    // The source text of a text behaviour: a multi-line edit "Source Text:" and a "load text file"
    // button below it that fills the edit (LoadTextFile).
    void AddSourceText(int nEditId, int nLoadButtonId);
    void AddDropList(int nId, const std::string& strLabel, std::vector<std::string> items, int nLabelId = IDC_STATIC);
    void AddDropDown(int nId, const std::string& strLabel, std::vector<std::string> items, bool bSorted,
                     int nLabelId = IDC_STATIC);
    void AddListBox(int nId, const std::string& strLabel = std::string(), int nLabelId = IDC_STATIC);
    void AddRadioButton(int nId, const std::string& strText);
    void AddCheckBox(int nId, const std::string& strText);
    void AddPushButton(int nId, const std::string& strText);
    // An edit with a push button in front of it on its row (a browse button beside the file name):
    // the button takes the place of the edit's label.
    void AddButtonEdit(int nButtonId, const std::string& strButton, int nEditId);
    // An owner-drawn button showing *pColor; a click asks for a new colour (ChooseColorFor) before
    // the button's own handler runs.
    void AddColorButton(int nId, const std::string& strLabel, COLORREF* pColor, int nLabelId = IDC_STATIC);
    // The controls added until EndGroup sit in a group box with this title.
    void BeginGroup(const std::string& strTitle, int nId = IDC_STATIC);
    void EndGroup();
    void SetButtonTexts(const std::string& strOK, const std::string& strCancel);

    // ---- the exchange list (DoDataExchange), in the order of these calls.
    void ExchangeFloat(int nId, float* pValue, float fMin, float fMax);
    void ExchangeDouble(int nId, double* pValue, double dMin, double dMax);
    void ExchangeInt(int nId, int* pValue, int nMin, int nMax);
    void ExchangeUInt(int nId, UINT* pValue, UINT nMin, UINT nMax);
    void ExchangeText(int nId, CString* pValue, int nMaxChars = 0);
    void ExchangeIndex(int nId, int* pValue);

    // ---- the message map
    void MapClicked(int nId, std::function<void()> handler);
    void MapSelChange(int nId, std::function<void()> handler);

    // ---- what the class library calls
    // The members into the controls (UpdateData(FALSE)); TRUE.
    virtual BOOL OnInitDialog();
    // UpdateData(TRUE), and when every field passed, EndDialog(IDOK). An override that refuses shows
    // its message and returns without calling this.
    virtual void OnOK();
    virtual void OnCancel();
    // FALSE: every member into its control. TRUE: every control into its member, stopping at the
    // first failure (message, focus, FALSE); earlier members keep what they took. Disabled number
    // fields are left out of the TRUE direction (their members stay).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void EndDialog(int nResult);

    // ---- control state as dialog code changes it (a missing id changes nothing)
    DialogControl* Item(int nId);
    void EnableDlgItem(int nId, BOOL bEnable);
    void CheckDlgButton(int nId, UINT nCheck);
    void SetDlgItemText(int nId, const CString& strText);
    void ResetContent(int nId);
    // The row's index (sorted lists insert in order), or -1.
    int AddString(int nId, const CString& strItem);
    // nIndex, or -1 (nothing selected) for an index outside the list.
    int SetCurSel(int nId, int nIndex);
    void GotoDlgCtrl(int nId);

    // ---- helpers of the shared mechanics
    // The colour dialog fully opened at *pColor; TRUE with the chosen colour stored.
    static BOOL ChooseColorFor(COLORREF* pColor);
    // "load text file": the open dialog (hide read-only, overwrite prompt, "Data Files (*.txt)|*.txt|
    // All Files (*.*)|*.*||"); the chosen file's lines, each followed by CR LF, into edit nEditId.
    // A file that does not open shows "The data file could not be opened because of this error: "
    // and the error (at most 254 characters) and keeps the text. FALSE when nothing was loaded.
    BOOL LoadTextFile(int nEditId);
    // The check of an OnOK that needs text: TRUE when edit nEditId holds a letter or digit (ASCII);
    // otherwise "There must be at least some alpha numeric\ntext for this behavior to work.\n" (OK
    // button) and FALSE: the caller returns and the dialog stays open.
    BOOL CheckAlphanumericText(int nEditId);

private:
    DialogControl& Add(ControlType type, int nId, const std::string& strText);
    void AddLabelled(ControlType type, int nId, const std::string& strLabel, int nLabelId);
    void AddField(DialogField field);
    void AddRanged(DialogField::Kind kind, int nId, void* pValue, double dMin, double dMax);
    // The user can reach the control: it and its group box are enabled.
    bool IsEnabledForUser(const DialogControl& c) const;
    DialogControl* ItemForUser(int nId);
    void RunHandler(const std::vector<std::pair<int, std::function<void()>>>& map, int nId);

    UINT m_nIDTemplate;
    std::string m_strTitle;
    std::string m_strOKText = "OK";
    std::string m_strCancelText = "Cancel";
    std::vector<DialogControl> m_controls;
    std::vector<DialogField> m_fields;
    std::vector<std::pair<int, std::function<void()>>> m_clicked;
    std::vector<std::pair<int, std::function<void()>>> m_selChange;
    std::vector<std::pair<int, COLORREF*>> m_colors;
    int m_nOpenGroup = -1;
    int m_nResult = 0;
    int m_nFocusId = 0;
    int m_nFocusSerial = 0;
};

}  // namespace ui
