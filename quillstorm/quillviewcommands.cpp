// The command dispatcher of the view: every menu item, function key and live preview ends in
// ExecuteCommand, which looks its id up in one table of commands. Rows that share a shape share a
// handler and differ by their arguments (a colour, a point size, a canvas size, an element kind), so
// a new command is a new row.
//
// Rules every handler keeps:
// - A command whose precondition is not met (no selection, no word, no book) does nothing, silently.
// - The modified flag follows the command's group: typographic commands mark the document modified
//   only when something is selected, canvas commands and the part of speech always, selection,
//   simulation, pane and file commands never.
// - Dialogs are modal and the frame timer keeps ticking inside them: elements may die and the book may
//   be replaced meanwhile. So nothing read before a dialog is used after it; the book, the selection
//   and the preview are read again from the view (whose element pointers the book's element-deleted
//   callback keeps valid). Anything but OK changes nothing.
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktword.h"
#include "platform/gdi/surface.h"
#include "platform/ui/uiservices.h"
#include "pumenu/commandids.h"
#include "pumenu/popupcontents.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/backgroundimagedialog.h"
#include "quillstorm/canvassizedialog.h"
#include "quillstorm/fontsizedialog.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/propertypanel.h"
#include "quillstorm/pximage.h"
#include "quillstorm/quill.h"
#include "quillstorm/timelinepanel.h"

namespace {

struct CommandRow;
using CommandHandler = void (*)(CQuillView& v, const CommandRow& row, BOOL bAsk);

// One command: its id, its handler and the handler's arguments.
struct CommandRow {
    UINT nId;
    CommandHandler run;
    DWORD a = 0;
    DWORD b = 0;
};

void SetItemLabel(CPUMenuItem* pItem, const char* pszLabel) {
    if (pItem) pItem->SetLabel(pszLabel);
}

BOOL HasSelection(const CQuillView& v) { return v.m_selection.IsEmpty() ? FALSE : TRUE; }

// ---- typographic commands ------------------------------------------------------------------------

// The typing colour, and each selected element's.
void ApplyColor(CQuillView& v, COLORREF cr) {
    if (HasSelection(v)) v.m_bModified = 1;
    for (POSITION pos = v.m_selection.GetHeadPosition(); pos;) v.m_selection.GetNext(pos)->SetColor(cr);
    v.m_crTypingColor = cr;
}

void ColorPreset(CQuillView& v, const CommandRow& row, BOOL) { ApplyColor(v, row.a); }

void TypingColorDialog(CQuillView& v, const CommandRow&, BOOL) {
    COLORREF cr = v.m_crTypingColor;
    if (!ui::GetUIServices()->ChooseColor(v.m_crTypingColor, CC_FULLOPEN | CC_RGBINIT, &cr)) return;
    ApplyColor(v, cr);
}

// The typing size (the font's height in tenths of a point), each selected element's and the preview's.
void ApplyPointSize(CQuillView& v, int nPoints) {
    v.m_nPointSize = nPoints;
    v.m_logFont.lfHeight = nPoints * 10;
    if (HasSelection(v)) v.m_bModified = 1;
    for (POSITION pos = v.m_selection.GetHeadPosition(); pos;) v.m_selection.GetNext(pos)->SetFontSize(nPoints);
    if (v.m_pPreview) v.m_pPreview->SetFontSize(nPoints);
}

void PointSize(CQuillView& v, const CommandRow& row, BOOL) { ApplyPointSize(v, PointSizeOfCommand(row.nId)); }

// Shown whatever bAsk says.
void FontSizeDialog(CQuillView& v, const CommandRow&, BOOL) {
    CFontSizeDialog dlg;
    dlg.m_nSize = v.m_nPointSize > 0 ? static_cast<UINT>(v.m_nPointSize) : 0;
    if (dlg.DoModal() != IDOK) return;
    ApplyPointSize(v, static_cast<int>(dlg.m_nSize));
}

// A font item: the catalogue's face at the typing size. An id that names no font does nothing.
void ApplyFontItem(CQuillView& v, UINT nId) {
    const LOGFONT lf = FontFromMenuId(v.m_fonts, nId);
    if (lf.lfFaceName[0] == '\0') return;
    v.m_logFont = lf;
    v.m_logFont.lfHeight = v.m_nPointSize * 10;
    if (HasSelection(v)) v.m_bModified = 1;
    for (POSITION pos = v.m_selection.GetHeadPosition(); pos;) v.m_selection.GetNext(pos)->SetFont(v.m_logFont);
    if (v.m_pPreview) v.m_pPreview->SetFont(v.m_logFont);
}

// Only on a selected word. The part of speech is stored with the word, so the document changes.
void PartOfSpeech(CQuillView& v, const CommandRow& row, BOOL) {
    if (!v.m_pSelected || v.m_pSelected->GetKind() != KIND_WORD) return;
    auto* pWord = dynamic_cast<CKTWord*>(v.m_pSelected);
    if (!pWord) return;
    pWord->SetPartOfSpeech(static_cast<int>(row.a));
    v.m_bModified = 1;
}

// ---- canvas commands -----------------------------------------------------------------------------

void ApplyCanvasColor(CQuillView& v, COLORREF cr) {
    CKTBook* pBook = v.GetBook();
    if (!pBook) return;
    pBook->SetBackgroundColor(cr);
    v.m_bModified = 1;
}

void CanvasColorPreset(CQuillView& v, const CommandRow& row, BOOL) { ApplyCanvasColor(v, row.a); }

void CanvasColorDialog(CQuillView& v, const CommandRow&, BOOL) {
    CKTBook* pBook = v.GetBook();
    if (!pBook) return;
    COLORREF cr = pBook->GetBackgroundColor();
    if (!ui::GetUIServices()->ChooseColor(pBook->GetBackgroundColor(), CC_FULLOPEN | CC_RGBINIT, &cr)) return;
    ApplyCanvasColor(v, cr);  // the book of now, which may not be the one the dialog started from
}

// The canvas (the client area) w x h, each side at most kMaxCanvasSide. A canvas whose back buffer
// cannot be allocated is refused with a message, and nothing changes.
void ApplyCanvasSize(CQuillView& v, UINT w, UINT h) {
    const int nWidth = static_cast<int>(std::min<UINT>(w, CQuillView::kMaxCanvasSide));
    const int nHeight = static_cast<int>(std::min<UINT>(h, CQuillView::kMaxCanvasSide));
    {
        gdi::Surface probe;  // what the next paint allocates for its back buffer
        if (!probe.Create(nWidth, nHeight)) {
            char text[128];
            std::snprintf(text, sizeof(text), "There is not enough memory for a canvas of %d x %d.", nWidth, nHeight);
            AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    v.SetCanvasSize(nWidth, nHeight);
    v.m_bModified = 1;
}

void CanvasSizePreset(CQuillView& v, const CommandRow& row, BOOL) { ApplyCanvasSize(v, row.a, row.b); }

void CanvasSizeDialog(CQuillView& v, const CommandRow&, BOOL) {
    CCanvasSizeDialog dlg;
    CRect rc;
    v.GetClientRect(&rc);
    dlg.m_nWidth = static_cast<UINT>(std::max(0, rc.Width()));
    dlg.m_nHeight = static_cast<UINT>(std::max(0, rc.Height()));
    if (dlg.DoModal() != IDOK) return;
    ApplyCanvasSize(v, dlg.m_nWidth, dlg.m_nHeight);
}

void BackgroundImage(CQuillView& v, const CommandRow& row, BOOL) { v.ExecuteBackgroundImageCommand(row.nId); }

// ---- selection commands --------------------------------------------------------------------------

void MoveSelection(CQuillView& v, const CommandRow&, BOOL) {
    if (HasSelection(v)) v.m_nMouseMode = 1;
}

void SelectNothing(CQuillView& v, const CommandRow&, BOOL) {
    v.m_pSelected = nullptr;
    if (!v.m_bCaretHidden) v.m_bCaretShown = 1;
    v.m_selection.RemoveAll();
}

// The caret's glyph, word or passage (row.a: its kind) becomes the only selected element.
void SelectCaretElement(CQuillView& v, const CommandRow& row, BOOL) {
    v.m_selection.RemoveAll();
    switch (row.a) {
        case KIND_GLYPH: v.m_pSelected = v.m_pCurGlyph; break;
        case KIND_WORD: v.m_pSelected = v.m_pCurWord; break;
        default: v.m_pSelected = v.m_pCurPassage; break;
    }
    v.m_bCaretShown = 0;
    if (v.m_pSelected) v.m_selection.AddTail(v.m_pSelected);
}

void AddOnce(CKTElementList& list, CKTElement* pElement) {
    if (pElement && !list.Find(pElement)) list.AddTail(pElement);
}

// The children of pElement that are of kind nKind, in order.
template <class F>
void ForEachChildOfKind(CKTElement* pElement, int nKind, F f) {
    for (CKTElement* p = pElement->GetFirstChild(); p; p = p->GetNextSibling())
        if (p->GetKind() == nKind) f(p);
}

// What one selected element contributes to a selection of elements of kind nWanted.
void Contribute(CKTElementList& out, CKTElement* e, int nWanted) {
    const int nKind = e->GetKind();
    if (nKind != KIND_PASSAGE && nKind != KIND_WORD && nKind != KIND_GLYPH) return;
    if (nKind == nWanted) {
        AddOnce(out, e);
    } else if (nWanted == KIND_GLYPH && nKind == KIND_PASSAGE) {
        ForEachChildOfKind(e, KIND_WORD, [&](CKTElement* w) { ForEachChildOfKind(w, KIND_GLYPH, [&](CKTElement* g) { AddOnce(out, g); }); });
    } else if (nWanted == KIND_GLYPH || (nWanted == KIND_WORD && nKind == KIND_PASSAGE)) {
        ForEachChildOfKind(e, nWanted, [&](CKTElement* c) { AddOnce(out, c); });
    } else {
        // Upward: the word of a glyph, the passage of a word, the passage of a glyph's word.
        AddOnce(out, e->FindRelative(nWanted));
    }
}

// The selection becomes the elements of kind row.a that the selected elements hold or belong to,
// each once; m_pSelected stays.
void ExpandSelection(CQuillView& v, const CommandRow& row, BOOL) {
    CKTElementList previous;
    previous.AddTail(&v.m_selection);
    v.m_selection.RemoveAll();
    for (POSITION pos = previous.GetHeadPosition(); pos;) Contribute(v.m_selection, previous.GetNext(pos), static_cast<int>(row.a));
}

// ---- simulation and panes ------------------------------------------------------------------------

// Runs the book unless it runs (any state but 1 starts it); stopping puts the caret back on its
// elements, which may have moved.
void Simulate(CQuillView& v, const CommandRow&, BOOL) {
    CKTBook* pBook = v.GetBook();
    if (!pBook) return;
    if (pBook->GetRunState() != 1) {
        pBook->SetRunState(1);
        SetItemLabel(v.m_pSimulateItem, "stop simulate");
    } else {
        pBook->SetRunState(0);
        SetItemLabel(v.m_pSimulateItem, "simulate");
        v.UpdateCaret();
    }
}

void ToggleCaret(CQuillView& v, const CommandRow&, BOOL) {
    v.m_bCaretHidden = v.m_bCaretHidden ? 0 : 1;
    if (v.m_bCaretHidden) {
        SetItemLabel(v.m_pCursorItem, "show cursor");
        v.m_bCaretShown = 0;
    } else {
        SetItemLabel(v.m_pCursorItem, "hide cursor");
        if (!HasSelection(v)) v.m_bCaretShown = 1;
    }
}

void ToggleGrid(CQuillView& v, const CommandRow&, BOOL) {
    v.m_bShowGrid = v.m_bShowGrid ? 0 : 1;
    SetItemLabel(v.m_pGridItem, v.m_bShowGrid ? "hide grid" : "show grid");
}

void ToggleHierarchy(CQuillView& v, const CommandRow&, BOOL) {
    v.m_bShowHierarchy = v.m_bShowHierarchy ? 0 : 1;
    SetItemLabel(v.m_pHierarchyItem, v.m_bShowHierarchy ? "hide hierarchy" : "show hierarchy");
}

void TogglePropertyPanel(CQuillView& v, const CommandRow&, BOOL) {
    CPropertyPanel* p = v.m_pPropertyPanel;
    if (!p) return;
    if (p->IsVisible()) {
        p->SetVisible(FALSE);
        SetItemLabel(v.m_pPanelItem, "show property panel");
    } else {
        p->SetVisible(TRUE);
        SetItemLabel(v.m_pPanelItem, "hide property panel");
    }
}

void TogglePanelBlend(CQuillView& v, const CommandRow&, BOOL) {
    CPropertyPanel* p = v.m_pPropertyPanel;
    if (!p) return;
    if (p->IsTranslucent()) {
        p->ClearTranslucent();
        SetItemLabel(v.m_pTransparentItem, "transparent");
    } else {
        p->SetTranslucent();
        SetItemLabel(v.m_pTransparentItem, "opaque");
    }
}

// The timeline's commands have no menu item and change no label.
void ToggleTimeline(CQuillView& v, const CommandRow&, BOOL) {
    if (v.m_pTimeline) v.m_pTimeline->SetVisible(!v.m_pTimeline->IsVisible());
}

void ToggleTimelineBlend(CQuillView& v, const CommandRow&, BOOL) {
    if (!v.m_pTimeline) return;
    if (v.m_pTimeline->IsTranslucent())
        v.m_pTimeline->ClearTranslucent();
    else
        v.m_pTimeline->SetTranslucent();
}

void ToggleFullScreen(CQuillView& v, const CommandRow&, BOOL) {
    v.m_bStartFullScreen = v.m_bStartFullScreen ? 0 : 1;
    v.SetFullScreen(v.m_bStartFullScreen);
    SetItemLabel(v.m_pFullScreenItem, v.m_bStartFullScreen ? "window" : "fullscreen");
}

// ---- general commands ----------------------------------------------------------------------------

void FileNew(CQuillView& v, const CommandRow&, BOOL) { v.OnFileNew(); }
void FileOpen(CQuillView& v, const CommandRow&, BOOL) { v.OnFileOpen(); }
void FileSave(CQuillView& v, const CommandRow&, BOOL) { v.OnFileSave(); }
void FileSaveAs(CQuillView& v, const CommandRow&, BOOL) { v.OnFileSaveAs(); }

// Asks the main window to close once this command has returned (its close prompt runs then).
void Exit(CQuillView& v, const CommandRow&, BOOL) {
    QWidget* pMain = CQuillApp::Get() && CQuillApp::Get()->m_pMainWnd ? CQuillApp::Get()->m_pMainWnd : v.window();
    QMetaObject::invokeMethod(pMain, [pMain] { pMain->close(); }, Qt::QueuedConnection);
}

void MovieCapture(CQuillView& v, const CommandRow&, BOOL) { v.ToggleMovieCapture(); }
void Wordnozzle(CQuillView& v, const CommandRow&, BOOL) { v.ToggleWordnozzle(); }
void SoftType(CQuillView& v, const CommandRow& row, BOOL bAsk) { v.ExecuteSoftTypeCommand(row.nId, bAsk); }
void Behavior(CQuillView& v, const CommandRow& row, BOOL bAsk) { v.ExecuteBehaviorCommand(row.nId, bAsk); }

// ---- the table -----------------------------------------------------------------------------------

// The program's blue: "blue", its "light" and the canvas "blue" alike.
constexpr COLORREF kBlue = RGB(61, 95, 141);

constexpr CommandRow kCommands[] = {
    // typographic
    {ID_TYPE_COLOR, TypingColorDialog},
    {ID_TYPE_SIZE, FontSizeDialog},
    {ID_COLOR_RED, ColorPreset, RGB(255, 0, 0)},
    {ID_COLOR_GREEN, ColorPreset, RGB(0, 255, 0)},
    {ID_COLOR_BLUE, ColorPreset, kBlue},
    {ID_COLOR_BLACK, ColorPreset, RGB(0, 0, 0)},
    {ID_COLOR_WHITE, ColorPreset, RGB(255, 255, 255)},
    {ID_COLOR_BLUE_LIGHT, ColorPreset, kBlue},
    {ID_COLOR_BLUE_LIGHTER, ColorPreset, RGB(58, 104, 197)},
    {ID_COLOR_BLUE_LIGHTEST, ColorPreset, RGB(100, 125, 158)},
    {ID_COLOR_LIGHT_GRAY, ColorPreset, RGB(204, 204, 204)},
    {ID_COLOR_GRAY, ColorPreset, RGB(125, 125, 125)},
    {ID_SIZE_SMALLEST, PointSize},
    {ID_SIZE_SMALLER, PointSize},
    {ID_SIZE_SMALL, PointSize},
    {ID_SIZE_MEDIUM, PointSize},
    {ID_SIZE_LARGE, PointSize},
    {ID_SIZE_LARGER, PointSize},
    {ID_SIZE_LARGEST, PointSize},
    {ID_POS_NOUN, PartOfSpeech, 1},
    {ID_POS_VERB, PartOfSpeech, 2},
    {ID_POS_ADJECTIVE, PartOfSpeech, 3},
    {ID_POS_ADVERB, PartOfSpeech, 4},
    // softtypes
    {ID_SOFTTYPE_DEFAULT, SoftType},
    {ID_SOFTTYPE_PARTICLE, SoftType},
    {ID_SOFTTYPE_LENS, SoftType},
    {ID_SOFTTYPE_PULL, SoftType},
    {ID_SOFTTYPE_PULSE, SoftType},
    {ID_SOFTTYPE_DISINTEGRATE, SoftType},
    {ID_SOFTTYPE_EROSION, SoftType},
    {ID_SOFTTYPE_CLAY, SoftType},
    {ID_SOFTTYPE_DRIFT, SoftType},
    {ID_SOFTTYPE_ERODE_EDGE, SoftType},
    {ID_SOFTTYPE_COLORSTATIC, SoftType},
    {ID_SOFTTYPE_TRAIL, SoftType},
    {ID_SOFTTYPE_TRANSPARENT, SoftType},
    // canvas
    {ID_CANVAS_BLACK, CanvasColorPreset, RGB(0, 0, 0)},
    {ID_CANVAS_BLUE, CanvasColorPreset, kBlue},
    {ID_CANVAS_GREEN, CanvasColorPreset, RGB(0, 255, 0)},
    {ID_CANVAS_RED, CanvasColorPreset, RGB(255, 0, 0)},
    {ID_CANVAS_WHITE, CanvasColorPreset, RGB(255, 255, 255)},
    {ID_CANVAS_COLOR, CanvasColorDialog},
    {ID_CANVAS_SIZE, CanvasSizeDialog},
    {ID_CANVAS_160X120, CanvasSizePreset, 160, 120},
    {ID_CANVAS_320X240, CanvasSizePreset, 320, 240},
    {ID_CANVAS_640X480, CanvasSizePreset, 640, 480},
    {ID_CANVAS_800X600, CanvasSizePreset, 800, 600},
    {ID_CANVAS_IMAGE, BackgroundImage},
    {ID_CANVAS_NO_IMAGE, BackgroundImage},
    // selection
    {ID_MOVE_SELECTION, MoveSelection},
    {ID_SELECT_NOTHING, SelectNothing},
    {ID_SELECT_GLYPH, SelectCaretElement, KIND_GLYPH},
    {ID_SELECT_WORD, SelectCaretElement, KIND_WORD},
    {ID_SELECT_PASSAGE, SelectCaretElement, KIND_PASSAGE},
    {ID_SELECT_GLYPHS, ExpandSelection, KIND_GLYPH},
    {ID_SELECT_WORDS, ExpandSelection, KIND_WORD},
    {ID_SELECT_PASSAGES, ExpandSelection, KIND_PASSAGE},
    // behaviours
    {ID_BHVR_PULL_TO_LOAD, Behavior},
    {ID_BHVR_THROWABLE, Behavior},
    {ID_BHVR_MOVE_TO_MOUSE, Behavior},
    {ID_BHVR_CRUISE, Behavior},
    {ID_BHVR_FADE, Behavior},
    {ID_BHVR_DIES_ON_CONTACT, Behavior},
    {ID_BHVR_SYNONYM_SHIFT, Behavior},
    {ID_BHVR_RAIN_WHEN_STILL, Behavior},
    {ID_BHVR_EXPLODE, Behavior},
    {ID_BHVR_CRYPTOGRAPHIC, Behavior},
    {ID_BHVR_VIRAL, Behavior},
    {ID_BHVR_WAVE, Behavior},
    {ID_BHVR_SPRINGS, Behavior},
    {ID_BHVR_MOVE_AWAY_FROM_MOUSE, Behavior},
    {ID_BHVR_GRAVITY, Behavior},
    {ID_BHVR_REMOVE, Behavior},
    {ID_BHVR_PULL_AND_FADE, Behavior},
    {ID_BHVR_LOAD_ON_CLICK, Behavior},
    {ID_BHVR_THROB, Behavior},
    {ID_BHVR_RAIN, Behavior},
    {ID_BHVR_CONCRETE, Behavior},
    {ID_BHVR_SNAKELIKE, Behavior},
    {ID_BHVR_FOCAL_FADE, Behavior},
    {ID_BHVR_LIFESPAN, Behavior},
    {ID_BHVR_SEQUENTIAL, Behavior},
    {ID_BHVR_SCROLL, Behavior},
    {ID_BHVR_LINES, Behavior},
    {ID_BHVR_ADD_SAME, Behavior},
    {ID_BHVR_REMOVE_ALL, Behavior},
    {ID_SIMULATE, Simulate},
    {ID_WORDNOZZLE, Wordnozzle},
    // general
    {ID_FILECMD_NEW, FileNew},
    {ID_FILECMD_OPEN, FileOpen},
    {ID_FILECMD_SAVE, FileSave},
    {ID_FILECMD_SAVE_AS, FileSaveAs},
    {ID_EXIT, Exit},
    {ID_MOVIE_CAPTURE, MovieCapture},
    {ID_TOGGLE_CURSOR, ToggleCaret},
    {ID_SHOW_GRID, ToggleGrid},
    {ID_SHOW_HIERARCHY, ToggleHierarchy},
    {ID_SHOW_PROPERTY_PANEL, TogglePropertyPanel},
    {ID_TRANSPARENT_PANEL, TogglePanelBlend},
    {ID_SHOW_TIMELINE, ToggleTimeline},
    {ID_TRANSPARENT_TIMELINE, ToggleTimelineBlend},
    {ID_FULLSCREEN, ToggleFullScreen},
};

// Every row names a command id of the table's range, and no id has two rows.
constexpr bool RowsAreDistinctCommands() {
    for (size_t i = 0; i < std::size(kCommands); ++i) {
        if (kCommands[i].nId < ID_COMMAND_FIRST || kCommands[i].nId > ID_COMMAND_LAST) return false;
        for (size_t j = 0; j < i; ++j)
            if (kCommands[j].nId == kCommands[i].nId) return false;
    }
    return true;
}
static_assert(RowsAreDistinctCommands(), "a command id with two rows, or outside 3..133");

const CommandRow* FindCommand(UINT nId) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands), [nId](const CommandRow& r) { return r.nId == nId; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

void RunRow(CQuillView& v, UINT nId) {
    if (const CommandRow* pRow = FindCommand(nId)) pRow->run(v, *pRow, TRUE);
}

}  // namespace

void CQuillView::ExecuteCommand(UINT nId, BOOL bAsk) {
    if (!GetDocument()) return;
    if (nId >= static_cast<UINT>(ID_FONT_FIRST)) {
        ApplyFontItem(*this, nId);
        return;
    }
    if (nId < static_cast<UINT>(ID_COMMAND_FIRST) || nId > static_cast<UINT>(ID_COMMAND_LAST)) return;
    if (const CommandRow* pRow = FindCommand(nId)) pRow->run(*this, *pRow, bAsk);
}

// ---- the frame's commands ------------------------------------------------------------------------

void CQuillView::OnShowHierarchy() { RunRow(*this, ID_SHOW_HIERARCHY); }
void CQuillView::OnShowPropertyPanel() { RunRow(*this, ID_SHOW_PROPERTY_PANEL); }
void CQuillView::OnTransparentPanel() { RunRow(*this, ID_TRANSPARENT_PANEL); }
void CQuillView::OnShowTimeline() { RunRow(*this, ID_SHOW_TIMELINE); }
void CQuillView::OnTransparentTimeline() { RunRow(*this, ID_TRANSPARENT_TIMELINE); }
BOOL CQuillView::OnUpdateShowHierarchy() const { return m_bShowHierarchy ? TRUE : FALSE; }
BOOL CQuillView::OnUpdateShowPropertyPanel() const { return m_pPropertyPanel && m_pPropertyPanel->IsVisible(); }
BOOL CQuillView::OnUpdateTransparentPanel() const { return m_pPropertyPanel && m_pPropertyPanel->IsTranslucent(); }
BOOL CQuillView::OnUpdateShowTimeline() const { return m_pTimeline && m_pTimeline->IsVisible(); }
BOOL CQuillView::OnUpdateTransparentTimeline() const { return m_pTimeline && m_pTimeline->IsTranslucent(); }

// ---- full screen ---------------------------------------------------------------------------------

// The window system's full-screen mode for the frame. Entering it keeps the frame's rectangle in
// m_rcCanvas; leaving it puts the frame back exactly there, on top.
void CQuillView::SetFullScreen(BOOL bFull) {
    auto* pFrame = qobject_cast<CMainFrame*>(window());
    if (!pFrame) return;
    if (bFull) {
        // The outer rectangle, caption and borders included, is what leaving full screen restores.
        if (!pFrame->isFullScreen()) m_rcCanvas = pFrame->GetWindowRect();
        const QScreen* pScreen = pFrame->screen() ? pFrame->screen() : QGuiApplication::primaryScreen();
        pFrame->ShowFullScreen(pScreen ? pScreen->geometry() : pFrame->geometry());
    } else {
        pFrame->ShowWindowed(m_rcCanvas);
    }
    pFrame->raise();
}

// ---- the background image -----------------------------------------------------------------------------

void CQuillView::ExecuteBackgroundImageCommand(UINT nId) {
    if (nId == ID_CANVAS_NO_IMAGE) {
        // The book keeps the name and the layout: a document saved now brings the image back.
        delete m_pBackImage;
        m_pBackImage = nullptr;
        delete m_pScaledImage;
        m_pScaledImage = nullptr;
        m_bModified = 1;
        return;
    }
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    CBackgroundImageDialog dlg;
    dlg.m_strFileName = pBook->GetBackgroundImage();
    dlg.m_nLayout = pBook->GetBackgroundImageLayout();
    if (dlg.DoModal() != IDOK) return;
    pBook = GetBook();  // the frame timer ran while the dialog was open
    if (!pBook) return;
    if (dlg.m_strPath.IsEmpty() && m_pBackImage && !dlg.m_strFileName.IsEmpty() &&
        dlg.m_strFileName == pBook->GetBackgroundImage()) {
        // The shown image under its own name, not browsed again: only the layout changes, and the next
        // paint lays the image out for it.
        pBook->SetBackgroundImageLayout(dlg.m_nLayout);
        delete m_pScaledImage;
        m_pScaledImage = nullptr;
        m_bModified = 1;
        return;
    }
    // Without browsing the path is empty, which removes the image; the name is stored all the same.
    if (!SetBackgroundImage(dlg.m_strPath)) {
        AfxMessageBox("Unable to load the designated background image.", MB_OK);
        return;
    }
    pBook->SetBackgroundImage(dlg.m_strFileName);
    pBook->SetBackgroundImageLayout(dlg.m_nLayout);
    m_bModified = 1;
}
