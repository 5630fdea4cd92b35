#include "platform/afx/afxexcept.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

BOOL CException::GetErrorMessage(char* lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    CString msg = GetErrorMessage();
    if (lpszError && nMaxError > 0) {
        size_t n = std::min(static_cast<size_t>(msg.GetLength()), static_cast<size_t>(nMaxError) - 1);
        std::memcpy(lpszError, msg.GetString(), n);
        lpszError[n] = '\0';
    }
    return msg.IsEmpty() ? FALSE : TRUE;
}

CString CException::GetErrorMessage() const { return CString(); }

const char* CException::what() const noexcept {
    try {
        m_what = GetErrorMessage().str();
    } catch (...) {
        return "exception";
    }
    return m_what.c_str();
}

CString CMemoryException::GetErrorMessage() const { return CString("Out of memory."); }

CString AfxFormatFileMessage(const char* pszTemplate, const CString& strFileName) {
    CString name = strFileName.IsEmpty() ? CString("an unnamed file") : strFileName;
    CString out;
    for (const char* p = pszTemplate; *p; p++) {
        if (p[0] == '%' && p[1] == '1') {
            out += name;
            p++;
        } else {
            out += *p;
        }
    }
    return out;
}

CArchiveException::CArchiveException(int cause, const char* lpszArchiveName)
    : m_cause(cause), m_strFileName(lpszArchiveName) {}

const char* CArchiveException::MessageTemplate(int cause) {
    switch (cause) {
        case none: return "No error occurred.";
        case genericException: return "An unknown error occurred while accessing %1.";
        case readOnly: return "An attempt was made to write to the reading %1.";
        case endOfFile: return "An attempt was made to access %1 past its end.";
        case writeOnly: return "An attempt was made to read from the writing %1.";
        case badIndex: return "%1 has a bad format.";
        case badClass: return "%1 contained an unexpected object.";
        case badSchema: return "%1 contains an incorrect schema.";
        default: return "An unknown error occurred while accessing %1.";
    }
}

CString CArchiveException::GetErrorMessage() const {
    return AfxFormatFileMessage(MessageTemplate(m_cause), m_strFileName);
}

CFileException::CFileException(int cause, LONG lOsError, const char* lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

const char* CFileException::MessageTemplate(int cause) {
    switch (cause) {
        case none: return "No error occurred.";
        case genericException: return "An unexpected error occurred while accessing %1.";
        case fileNotFound: return "%1 was not found.";
        case badPath: return "%1 contains an incorrect path.";
        case tooManyOpenFiles: return "%1 could not be opened because there are too many open files.";
        case accessDenied: return "Access to %1 was denied.";
        case invalidFile: return "An incorrect file handle was associated with %1.";
        case removeCurrentDir: return "%1 could not be removed because it is the current directory.";
        case directoryFull: return "%1 could not be created because the directory is full.";
        case badSeek: return "Seek failed on %1.";
        case hardIO: return "A hardware input/output error was reported while accessing %1.";
        case sharingViolation: return "A sharing violation occurred while accessing %1.";
        case lockViolation: return "A locking violation occurred while accessing %1.";
        case diskFull: return "The disk is full while accessing %1.";
        case endOfFile: return "An attempt was made to access %1 past its end.";
        default: return "An unexpected error occurred while accessing %1.";
    }
}

CString CFileException::GetErrorMessage() const {
    return AfxFormatFileMessage(MessageTemplate(m_cause), m_strFileName);
}

int CFileException::ErrnoToException(int nErrno) {
    switch (nErrno) {
        case 0: return none;
        case ENOENT: return fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return badPath;
        case EMFILE:
        case ENFILE: return tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EEXIST: return accessDenied;
        case EBADF: return invalidFile;
        case EBUSY: return sharingViolation;
        case ENOLCK:
        case EDEADLK: return lockViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return diskFull;
        case EIO: return hardIO;
        case ESPIPE:
        case EOVERFLOW: return badSeek;
        default: return genericException;
    }
}

void AfxThrowMemoryException() { throw CMemoryException(); }

void AfxThrowArchiveException(int cause, const char* lpszArchiveName) {
    throw CArchiveException(cause, lpszArchiveName);
}

void AfxThrowFileException(int cause, LONG lOsError, const char* lpszFileName) {
    throw CFileException(cause, lOsError, lpszFileName);
}
