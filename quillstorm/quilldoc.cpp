#include "quillstorm/quilldoc.h"

#include "kinetype/ktbook.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/quill.h"
#include "quillstorm/shellintegration.h"

IMPLEMENT_SERIAL(CQuillDoc, CObject, 0)

CQuillDoc::CQuillDoc() : m_pBook(new CKTBook) {}

CQuillDoc::~CQuillDoc() {
    delete m_pBook;
    m_pBook = nullptr;
}

void CQuillDoc::Serialize(CArchive&) {}

BOOL CQuillDoc::OnNewDocument() {
    m_strPathName.Empty();
    if (m_pFrame) m_pFrame->UpdateFrameTitle();
    return TRUE;
}

BOOL CQuillDoc::OnOpenDocument(LPCTSTR lpszPathName) {
    if (!g_pView) return FALSE;
    const CString strPath(lpszPathName);
    if (!g_pView->LoadDocument(strPath)) return FALSE;
    g_pView->NameScene(strPath);
    return TRUE;
}

void CQuillDoc::SetPathName(const CString& strPathName, BOOL bAddToMRU) {
    // The framework keeps the full path (a relative name is taken in the current directory now), and
    // the recent-file list gets that full path, so its entries stay valid whatever the directory.
    m_strPathName = CString(ShellAbsolutePath(strPathName.str()));
    if (bAddToMRU && CQuillApp::Get()) CQuillApp::Get()->AddToRecentFileList(m_strPathName);
    if (m_pFrame) m_pFrame->UpdateFrameTitle();
}

CString CQuillDoc::GetTitle() const {
    if (m_strPathName.IsEmpty()) return CString("Untitled");
    const int slash = m_strPathName.ReverseFind('/');
    return slash < 0 ? m_strPathName : m_strPathName.Mid(slash + 1);
}
