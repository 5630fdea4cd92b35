// CQuillDoc: the document. It owns the scene's book and hands every file the program opens to the
// view's loader; the view writes documents itself. Its own modified flag is never set.
#pragma once

#include "platform/afx/afx.h"

class CKTBook;
class CMainFrame;

class CQuillDoc : public CObject {
    DECLARE_SERIAL(CQuillDoc)

public:
    // A new, empty book.
    CQuillDoc();
    // Deletes the book (and with it the scene).
    ~CQuillDoc() override;

    // Reads and writes nothing: documents are written by the view.
    void Serialize(CArchive& ar) override;
    // A new document: nothing beyond the base (the path name is cleared).
    virtual BOOL OnNewDocument();
    // FALSE without a view; otherwise the view's LoadDocument, and on success the view's save path
    // becomes the path. TRUE when the load returned TRUE.
    virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);

    // The framework's document name, kept as a full path: the window title shows its file name, and
    // setting it adds the path to the recent-file list.
    void SetPathName(const CString& strPathName, BOOL bAddToMRU = TRUE);
    const CString& GetPathName() const { return m_strPathName; }
    // "Untitled" without a path, else the path's file name.
    CString GetTitle() const;
    // The frame whose title follows the document (not owned).
    void SetFrame(CMainFrame* pFrame) { m_pFrame = pFrame; }

    CKTBook* m_pBook;

private:
    CString m_strPathName;
    CMainFrame* m_pFrame = nullptr;
};
