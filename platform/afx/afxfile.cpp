#include "platform/afx/afxfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)

CFile::CFile() = default;

CFile::CFile(const char* lpszFileName, UINT nOpenFlags) {
    CFileException e;
    if (!Open(lpszFileName, nOpenFlags, &e)) throw e;
}

CFile::~CFile() {
    if (m_fd >= 0) ::close(m_fd);
}

BOOL CFile::Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (m_fd >= 0) Abort();
    m_strFileName = lpszFileName;
    int flags = O_CLOEXEC;
    switch (nOpenFlags & 3) {
        case modeRead: flags |= O_RDONLY; break;
        case modeWrite: flags |= O_WRONLY; break;
        default: flags |= O_RDWR; break;
    }
    if (nOpenFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(nOpenFlags & modeNoTruncate)) flags |= O_TRUNC;
    }
    // Only regular files are files here. A named pipe, socket or device is refused before it is opened
    // when it can be seen (opening a pipe waits for its other end, a device may act on being opened),
    // and, should one take the name's place meanwhile, after a non-blocking open.
    bool bNotAFile = false;
    int fd = -1;
    int err = ENOENT;
    struct stat st;
    if (lpszFileName && ::stat(lpszFileName, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        bNotAFile = true;
    } else if (lpszFileName) {
        fd = ::open(lpszFileName, flags | O_NONBLOCK, 0666);
        err = errno;
    }
    if (fd >= 0) {
        if (::fstat(fd, &st) != 0) {
            err = errno;
        } else if (S_ISDIR(st.st_mode)) {
            err = EISDIR;
        } else if (!S_ISREG(st.st_mode)) {
            bNotAFile = true;
        } else {
            const int fl = ::fcntl(fd, F_GETFL);
            if (fl != -1 && ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == 0) {
                m_fd = fd;
                return TRUE;
            }
            err = errno;
        }
        ::close(fd);
    }
    if (pError) {
        pError->m_cause = bNotAFile ? CFileException::genericException : CFileException::ErrnoToException(err);
        pError->m_lOsError = bNotAFile ? -1 : err;
        pError->m_strFileName = lpszFileName;
    }
    return FALSE;
}

void CFile::CheckOpen() const {
    if (!IsOpen()) AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
}

void CFile::ThrowErrno(int nErrno) const {
    AfxThrowFileException(CFileException::ErrnoToException(nErrno), nErrno, m_strFileName);
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    CheckOpen();
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::read(m_fd, static_cast<char*>(lpBuf) + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (n == 0) break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    CheckOpen();
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::write(m_fd, static_cast<const char*>(lpBuf) + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (n == 0) ThrowErrno(ENOSPC);
        done += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    CheckOpen();
    int whence = nFrom == begin ? SEEK_SET : (nFrom == current ? SEEK_CUR : SEEK_END);
    off_t r = ::lseek(m_fd, static_cast<off_t>(lOff), whence);
    if (r < 0) AfxThrowFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<ULONGLONG>(r);
}

ULONGLONG CFile::GetLength() const {
    CheckOpen();
    struct stat st;
    if (::fstat(m_fd, &st) != 0) ThrowErrno(errno);
    return static_cast<ULONGLONG>(st.st_size);
}

ULONGLONG CFile::GetPosition() const {
    CheckOpen();
    off_t r = ::lseek(m_fd, 0, SEEK_CUR);
    if (r < 0) AfxThrowFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<ULONGLONG>(r);
}

void CFile::SetLength(ULONGLONG dwNewLen) {
    CheckOpen();
    if (::ftruncate(m_fd, static_cast<off_t>(dwNewLen)) != 0) ThrowErrno(errno);
}

void CFile::Flush() {
    if (m_fd < 0) return;
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) ThrowErrno(errno);
}

void CFile::Close() {
    if (m_fd < 0) return;
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
}

void CFile::Abort() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

CString CFile::GetFileName() const {
    int slash = m_strFileName.ReverseFind('/');
    return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

void CFile::Remove(const char* lpszFileName) {
    if (::unlink(lpszFileName) != 0) {
        int err = errno;
        AfxThrowFileException(CFileException::ErrnoToException(err), err, lpszFileName);
    }
}

void CFile::Rename(const char* lpszOldName, const char* lpszNewName) {
    if (std::rename(lpszOldName, lpszNewName) != 0) {
        int err = errno;
        AfxThrowFileException(CFileException::ErrnoToException(err), err, lpszOldName);
    }
}

// ---------------------------------------------------------------------------------------------------

CMemFile::CMemFile(const BYTE* pData, size_t nSize) : m_data(pData, pData + nSize) {}

CMemFile::CMemFile(std::vector<BYTE> bytes) : m_data(std::move(bytes)) {}

BOOL CMemFile::Open(const char*, UINT, CFileException* pError) {
    if (pError) {
        pError->m_cause = CFileException::genericException;
        pError->m_lOsError = -1;
    }
    return FALSE;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
    CheckOpen();
    if (m_nPos >= m_data.size()) return 0;
    size_t n = std::min(static_cast<size_t>(nCount), m_data.size() - static_cast<size_t>(m_nPos));
    if (n) std::memcpy(lpBuf, m_data.data() + m_nPos, n);
    m_nPos += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
    CheckOpen();
    if (nCount == 0) return;
    ULONGLONG end = m_nPos + nCount;
    if (end > m_data.max_size()) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
    if (end > m_data.size()) m_data.resize(static_cast<size_t>(end));
    std::memcpy(m_data.data() + m_nPos, lpBuf, nCount);
    m_nPos = end;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
    CheckOpen();
    LONGLONG base = nFrom == begin ? 0 : (nFrom == current ? static_cast<LONGLONG>(m_nPos)
                                                            : static_cast<LONGLONG>(m_data.size()));
    if ((lOff < 0 && base + lOff < 0) ||
        (lOff > 0 && base > std::numeric_limits<LONGLONG>::max() - lOff))
        AfxThrowFileException(CFileException::badSeek, -1, m_strFileName);
    m_nPos = static_cast<ULONGLONG>(base + lOff);
    return m_nPos;
}

void CMemFile::SetLength(ULONGLONG dwNewLen) {
    CheckOpen();
    if (dwNewLen > m_data.max_size()) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
    m_data.resize(static_cast<size_t>(dwNewLen));
    if (m_nPos > dwNewLen) m_nPos = dwNewLen;
}

void CMemFile::Close() { m_bOpen = false; }

std::vector<BYTE> CMemFile::DetachBytes() {
    std::vector<BYTE> out;
    out.swap(m_data);
    m_nPos = 0;
    return out;
}
