// The class library's exceptions: thrown by value, caught by reference.
//
//     try { ... } catch (CException& e) { CString msg = e.GetErrorMessage(); ... }
//
// In every message %1 stands for the file name; an exception without a file name says
// "an unnamed file" there.
#pragma once

#include <exception>
#include <string>

#include "platform/afx/afxobj.h"
#include "platform/afx/afxstr.h"

class CException : public CObject, public std::exception {
    DECLARE_DYNAMIC(CException)
    CException() = default;
    CException(const CException& e) : CObject(e), std::exception(e) {}
    CException& operator=(const CException&) { return *this; }

    // Copies the message into lpszError (at most nMaxError - 1 characters and a terminator).
    // TRUE when there is a message. *pnHelpContext, when given, is set to 0.
    virtual BOOL GetErrorMessage(char* lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;
    // The whole message.
    virtual CString GetErrorMessage() const;
    const char* what() const noexcept override;

private:
    mutable std::string m_what;
};

// Out of memory (a failed object creation while loading).
class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
    CString GetErrorMessage() const override;  // "Out of memory."
    using CException::GetErrorMessage;
};

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
    enum {
        none = 0,
        genericException = 1,
        readOnly = 2,     // a write to a loading archive
        endOfFile = 3,    // the stream ends inside a value, count, tag or string
        writeOnly = 4,    // a read from a storing archive
        badIndex = 5,     // an object or class number out of range, a number naming the wrong kind,
                          // the numbering reaching 0x3FFFFFFE, objects nested too deeply
        badClass = 6,     // class name too long, truncated or unknown; object not of the required class
        badSchema = 7,    // a stored schema other than the class's
    };
    explicit CArchiveException(int cause = none, const char* lpszArchiveName = nullptr);

    // The message of this cause with %1 replaced by m_strFileName.
    CString GetErrorMessage() const override;
    using CException::GetErrorMessage;
    // The message text of a cause with %1 still in it (an unknown cause gives cause 1's text).
    static const char* MessageTemplate(int cause);

    int m_cause;
    CString m_strFileName;
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };
    explicit CFileException(int cause = none, LONG lOsError = -1, const char* lpszFileName = nullptr);

    CString GetErrorMessage() const override;
    using CException::GetErrorMessage;
    static const char* MessageTemplate(int cause);
    // The cause for a POSIX errno value.
    static int ErrnoToException(int nErrno);

    int m_cause;
    LONG m_lOsError;  // errno, or -1
    CString m_strFileName;
};

// %1 in pszTemplate replaced by the file name ("an unnamed file" when it is empty).
CString AfxFormatFileMessage(const char* pszTemplate, const CString& strFileName);

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowArchiveException(int cause, const char* lpszArchiveName = nullptr);
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, const char* lpszFileName = nullptr);
