// The file commands: New, Open, Save, Save As, the scene reset and the canvas size. Reading documents
// (LoadDocument) is not available yet: it reports a file that does not open and refuses every other.
#include <cstdio>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"
#include "platform/ui/uiservices.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/quill.h"
#include "quillstorm/quilldoc.h"

namespace {

constexpr char kFileFilter[] = "Quillstorm Files (*.qsd)|*.qsd||";
constexpr char kUntitled[] = "Untitled.qsd";

// The version number of the program's version string ("version 0.969 alpha").
float OwnFileVersion() {
    float v = 0.0f;
    std::sscanf(kQuillVersionString, "version %f", &v);
    return v;
}

}  // namespace

BOOL CQuillView::LoadDocument(const CString& strPath) {
    CFile file;
    CFileException fe;
    if (!file.Open(strPath, CFile::modeRead, &fe)) {
        ReportException(fe);
        return FALSE;
    }
    file.Abort();
    TRACE("LoadDocument: reading documents is not available yet (%s)\n", strPath.GetString());
    return FALSE;
}

BOOL CQuillView::SaveModifiedBeforeOpen() {
    if (!m_bModified) return TRUE;
    const int r = AfxMessageBox("Save changes before opening a new file?", MB_YESNOCANCEL);
    if (r == IDCANCEL) return FALSE;
    if (r == IDYES) OnFileSave();
    return TRUE;
}

// A new book in place of the current one. The view lets go of the old scene before it is deleted.
static void ReplaceBook(CQuillView* pView) {
    CQuillDoc* pDoc = pView->GetDocument();
    pView->ClearSceneReferences();
    pView->m_pCollisionDetector = nullptr;
    if (pDoc->m_pBook) pDoc->m_pBook->SetElementDeletedCallback(nullptr);
    delete pDoc->m_pBook;
    pDoc->m_pBook = nullptr;
    pDoc->m_pBook = new CKTBook;
    pView->ClearSceneReferences();
    pView->CreateCollisionDetector();
    pView->AttachBook();
}

void CQuillView::OnFileNew() {
    if (!SaveModifiedBeforeOpen()) return;
    ReplaceBook(this);
    if (m_pSimulateItem) m_pSimulateItem->SetLabel("simulate");
    GetBook()->SetBackgroundColor(RGB(255, 255, 255));
    m_bModified = 0;
    m_strPath = kUntitled;
}

void CQuillView::OnFileOpen() {
    if (!SaveModifiedBeforeOpen()) return;
    ui::FileDialogRequest request;
    request.bOpen = true;
    request.dwFlags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    request.strFilter = kFileFilter;
    std::string path;
    if (!ui::GetUIServices()->FileDialog(request, &path)) return;
    m_strPath = CString(ui::PathFileName(path).c_str());
    const CString strPath(path.c_str());
    if (LoadDocument(strPath) && m_pDocument) m_pDocument->SetPathName(strPath);
}

BOOL CQuillView::OnFileSave() {
    CKTBook* pBook = GetBook();
    if (!pBook) return FALSE;
    CFile file;
    CFileException fe;
    if (!file.Open(m_strPath, CFile::modeCreate | CFile::modeWrite, &fe)) {
        ReportException(fe);
        return FALSE;
    }
    try {
        CArchive ar(&file, CArchive::store, 4096);
        g_fFileVersion = OwnFileVersion();
        ar << CString(kQuillVersionString);
        pBook->Serialize(ar);
        CRect rc;
        GetClientRect(&rc);
        ar << static_cast<LONG>(rc.Width());
        ar << static_cast<LONG>(rc.Height());
        ar.Close();
        file.Close();
    } catch (const CException& e) {
        // The file is left incomplete; the scene counts as unsaved.
        file.Abort();
        ReportException(e);
        return FALSE;
    }
    m_bModified = 0;
    return TRUE;
}

BOOL CQuillView::OnFileSaveAs() {
    ui::FileDialogRequest request;
    request.bOpen = false;
    request.strDefExt = ".qsd";
    request.strFileName = m_strPath.str();
    request.dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.strFilter = kFileFilter;
    std::string path;
    if (!ui::GetUIServices()->FileDialog(request, &path)) return FALSE;
    m_strPath = CString(ui::PathFileName(path).c_str());
    const BOOL bSaved = OnFileSave();
    if (m_pDocument) m_pDocument->SetPathName(CString(path.c_str()));
    return bSaved;
}

void CQuillView::ResetDocument() {
    const COLORREF crBack = GetBook() ? GetBook()->GetBackgroundColor() : RGB(255, 255, 255);
    ReplaceBook(this);
    CKTBook* pBook = GetBook();
    pBook->SetBackgroundColor(crBack);
    m_bModified = 0;
    m_strPath = kUntitled;
    pBook->SetRunState(1);
    if (m_pSimulateItem) m_pSimulateItem->SetLabel("stop simulate");
    SprayText();
    if (m_dwLastMidiMsg != 0) OnMidiData(0, static_cast<LPARAM>(m_dwLastMidiMsg));
}

void CQuillView::SetCanvasSize(int w, int h) {
    auto* pFrame = qobject_cast<CMainFrame*>(window());
    if (!pFrame) return;
    // The frame's outer size is the client size plus what its caption and borders take; the client
    // area of the view is the frame's client area.
    const CRect outer = pFrame->GetWindowRect();
    const int dw = outer.Width() - pFrame->width();
    const int dh = outer.Height() - pFrame->height();
    pFrame->SetWindowRect(CRect(0, 0, w + dw, h + dh));
}
