// What one session of the program knows about recovery copies: which copies the user answered in the
// open notice, for which document, and which files the program opened or saved as documents.
//
// A save in place that a kill cut short leaves the whole new document in a recovery copy
// (AfxReplaceFileContents). A copy is a file like any other: the user may open it, work in it and save
// it. So a save of a document removes (or renames over) an existing copy only when this ledger lets it:
//  - a copy the user answered in the open notice (recovered or declined), for that document, while it
//    is still the file it was when the notice named it (AfxFileStamp);
//  - a copy an earlier save of that document left in this session when it failed part way, while it
//    is still as that save left it;
// and never a file the program opened or saved as a document in this session (the document open now
// among them), whatever its name. Every other copy stays.
//
// The notice (Find) is about a copy of the document that is not a document of this session; a copy
// answered already, and unchanged since, is not asked about again: its answer holds for the session.
// A copy a failed save of this session left is asked about like one found at the start.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/afx/afx.h"

class CKTRecoveryLedger {
public:
    enum Answer {
        recover,   // the copy's scene, under the document's name, unsaved
        openFile,  // the file as it stands
    };

    struct Copy {
        CString strPath;  // empty: no copy to speak of
        AfxFileStamp stamp;
        BOOL bAnswered = FALSE;  // answered in this session, unchanged since: answer holds
        Answer answer = openFile;
    };

    // The copy that opening strDocument is about: the first copy of the document (in the order of
    // AfxFindRecoveryCopies) that is no document of this session and that was not answered as it is
    // now; else the first answered one (bAnswered); else none.
    Copy Find(const CString& strDocument) const;
    // The user answered the notice about `copy` (as Find gave it) of strDocument.
    void Answered(const CString& strDocument, const Copy& copy, Answer answer);
    // A failed save of strDocument left the copy strCopy behind (as it is now).
    void LeftBySave(const CString& strDocument, const std::string& strCopy);
    // The program opened or saved strPath as a document.
    void AddDocument(const CString& strPath);
    BOOL IsDocument(const std::string& strPath) const;

    // For a save of strDocument: whether the copy at strCopy, whose stamp is `stamp`, may be replaced
    // and removed.
    BOOL MayRemove(const CString& strDocument, const std::string& strCopy, const AfxFileStamp& stamp) const;

private:
    enum Kind { answeredRecover, answeredOpenFile, leftBySave };
    struct Entry {
        std::string document;  // canonical paths (AfxCanonicalFilePath)
        std::string copy;
        AfxFileStamp stamp;
        Kind kind;
    };
    void Record(const std::string& document, const std::string& copy, const AfxFileStamp& stamp, Kind kind);
    const Entry* EntryOf(const std::string& document, const std::string& copy, const AfxFileStamp& stamp) const;

    std::vector<Entry> m_entries;
    std::set<std::string> m_documents;
};
