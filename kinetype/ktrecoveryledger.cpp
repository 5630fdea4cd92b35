#include "kinetype/ktrecoveryledger.h"

#include <sys/stat.h>

namespace {

std::string Canonical(const CString& strPath) { return AfxCanonicalFilePath(strPath.str().c_str()); }
std::string Canonical(const std::string& strPath) { return AfxCanonicalFilePath(strPath.c_str()); }

}  // namespace

CKTRecoveryLedger::Copy CKTRecoveryLedger::Find(const CString& strDocument) const {
    const std::string document = Canonical(strDocument);
    Copy answered;
    for (const AfxRecoveryCopy& found : AfxFindRecoveryCopies(strDocument.str().c_str())) {
        if (IsDocument(found.path)) continue;
        const Entry* pEntry = EntryOf(document, Canonical(found.path), found.stamp);
        if (!pEntry || pEntry->kind == leftBySave) {
            Copy copy;
            copy.strPath = CString(found.path.c_str());
            copy.stamp = found.stamp;
            return copy;
        }
        if (answered.strPath.IsEmpty()) {
            answered.strPath = CString(found.path.c_str());
            answered.stamp = found.stamp;
            answered.bAnswered = TRUE;
            answered.answer = pEntry->kind == answeredRecover ? recover : openFile;
        }
    }
    return answered;
}

void CKTRecoveryLedger::Answered(const CString& strDocument, const Copy& copy, Answer answer) {
    if (copy.strPath.IsEmpty()) return;
    Record(Canonical(strDocument), Canonical(copy.strPath), copy.stamp,
           answer == recover ? answeredRecover : answeredOpenFile);
}

void CKTRecoveryLedger::LeftBySave(const CString& strDocument, const std::string& strCopy) {
    struct stat st;
    if (strCopy.empty() || ::lstat(strCopy.c_str(), &st) != 0) return;
    Record(Canonical(strDocument), Canonical(strCopy), AfxStampOf(st), leftBySave);
}

void CKTRecoveryLedger::AddDocument(const CString& strPath) {
    const std::string path = Canonical(strPath);
    if (!path.empty()) m_documents.insert(path);
}

BOOL CKTRecoveryLedger::IsDocument(const std::string& strPath) const {
    return m_documents.count(Canonical(strPath)) ? TRUE : FALSE;
}

BOOL CKTRecoveryLedger::MayRemove(const CString& strDocument, const std::string& strCopy,
                                  const AfxFileStamp& stamp) const {
    const std::string copy = Canonical(strCopy);
    if (m_documents.count(copy)) return FALSE;
    return EntryOf(Canonical(strDocument), copy, stamp) ? TRUE : FALSE;
}

void CKTRecoveryLedger::Record(const std::string& document, const std::string& copy, const AfxFileStamp& stamp,
                               Kind kind) {
    for (Entry& e : m_entries) {
        if (e.document == document && e.copy == copy) {
            e.stamp = stamp;
            e.kind = kind;
            return;
        }
    }
    m_entries.push_back({document, copy, stamp, kind});
}

const CKTRecoveryLedger::Entry* CKTRecoveryLedger::EntryOf(const std::string& document, const std::string& copy,
                                                          const AfxFileStamp& stamp) const {
    for (const Entry& e : m_entries)
        if (e.document == document && e.copy == copy && e.stamp == stamp) return &e;
    return nullptr;
}
