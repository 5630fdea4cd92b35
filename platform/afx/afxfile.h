// CFile (a binary file over a POSIX descriptor) and CMemFile (the same interface over bytes in
// memory). Failures throw CFileException with a cause, the errno value and the file's path.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/afx/afxexcept.h"
#include "platform/afx/afxobj.h"
#include "platform/afx/afxstr.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,     // the share flags are accepted and ignored
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,      // create; truncate an existing file unless modeNoTruncate
        modeNoTruncate = 0x2000,
        typeText = 0x4000,        // accepted and ignored: CFile is always binary
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens or throws CFileException.
    CFile(const char* lpszFileName, UINT nOpenFlags);
    ~CFile() override;  // closes without throwing
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // FALSE on failure, with *pError (when given) filled in; the file stays closed. Only regular files
    // open: a folder is accessDenied, a named pipe, socket or device genericException (m_lOsError -1),
    // refused without waiting for the other end of a pipe.
    virtual BOOL Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Up to nCount bytes; fewer (0 at the end) when the file ends. Errors throw.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // All nCount bytes or a throw (diskFull, accessDenied, ...).
    virtual void Write(const void* lpBuf, UINT nCount);
    // The new position. A position before the start throws badSeek.
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    virtual void SetLength(ULONGLONG dwNewLen);
    virtual void Flush();
    // Closes; an error while closing throws. Closing a closed file does nothing.
    virtual void Close();
    // Closes and ignores every error.
    virtual void Abort();
    virtual BOOL IsOpen() const { return m_fd >= 0 ? TRUE : FALSE; }

    // The path as given to Open, and its last component.
    CString GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;
    void SetFilePath(const char* lpszNewName) { m_strFileName = lpszNewName; }

    static void Remove(const char* lpszFileName);                            // throws on failure
    static void Rename(const char* lpszOldName, const char* lpszNewName);  // throws on failure

protected:
    // Throws invalidFile unless the file is open.
    void CheckOpen() const;
    [[noreturn]] void ThrowErrno(int nErrno) const;

    int m_fd = -1;
    CString m_strFileName;
};

// CStdioFile: a CFile read in text mode, as the C runtime reads a file opened "rt": every CR LF pair
// reads as one LF (a lone CR stays). Read gives the converted bytes, ReadString one line at a time.
// Reading only: the program reads plain-text sources with it. Seeking drops what was buffered;
// positions are those of the file's own bytes.
class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)
    CStdioFile() = default;
    // Opens or throws CFileException.
    CStdioFile(const char* lpszFileName, UINT nOpenFlags);

    BOOL Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    // Up to nCount bytes after the conversion; fewer (0 at the end) when the file ends.
    UINT Read(void* lpBuf, UINT nCount) override;
    // The next line without its LF (a last line without one counts too); FALSE at the end of the file,
    // with rString empty. Every byte value is kept, zeros included.
    BOOL ReadString(CString& rString);
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override;
    void Close() override;
    void Abort() override;

private:
    // The next converted byte, or -1 at the end of the file.
    int GetByte();
    // Refills the buffer; FALSE at the end of the file.
    bool Fill();

    std::vector<char> m_buffer;
    size_t m_nNext = 0;  // next unread byte of m_buffer
};

// What tells one version of a file from another: the file itself (device and inode), its size and
// the times of its last content and status changes. A file rewritten, renamed over, replaced or given
// another mode gets another stamp.
struct AfxFileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    long long mtimeNs = 0;
    long long ctimeNs = 0;
    bool operator==(const AfxFileStamp&) const = default;
};
AfxFileStamp AfxStampOf(const struct stat& st);

// How a save treats what it finds of its file's recovery copies (AfxReplaceFileContents).
struct AfxReplaceOptions {
    // Asked about a regular file of the caller's own found at one of the file's copy names (its full
    // path, and its stamp read without following a link): TRUE lets this save rename its own copy
    // over it and remove it once the save is complete. Empty: every copy found stays.
    std::function<bool(const std::string& strCopy, const AfxFileStamp& stamp)> mayRemoveCopy;
    // When given: set to the copy this save leaves behind (a save in place that failed after its copy
    // was complete), else emptied.
    std::string* pCopyLeft = nullptr;
};

// Makes nCount bytes the whole content of the file lpszFileName, changing nothing else about it: a
// save over a document. Throws CFileException naming lpszFileName.
//  - A symbolic link is written through to the file it names, which is created when missing.
//  - A new file is created through a temporary file beside it (mode 0666 less the umask).
//  - An existing regular file with one link, owned by the caller, in a folder the caller can write:
//    through a temporary file that takes its mode and group and is renamed over it once complete (and
//    the folder synced), so a failure leaves the old file as it was.
//  - Any other regular file (hard links, another owner, a folder the caller cannot write, a group the
//    caller cannot give): written in place, keeping its links, owner, group and mode. A kill in the
//    middle would leave the new bytes followed by the rest of the old ones, so the complete new
//    content first goes to a recovery copy (below), by a temporary file renamed once complete and
//    synced, file and folder. A copy that cannot be written fails the save before the file changes.
//    Then the new size is reserved (posix_fallocate), so a full disk fails before the old content
//    changes; then the bytes, the new length and a sync; then the copy is removed. A failure after
//    the file began to change keeps the copy, and so does a failure of a save whose copy took the
//    place of an earlier one (it is then the only copy).
//  - Refused before anything is written: a file its owner may not write (accessDenied, the superuser
//    included), a folder (accessDenied), anything else that is not a regular file (genericException).
// After a completed save, what killed saves of the same file left is removed: its temporary files
// (".<name>.tmp<digits>" beside it) and the temporary files of its recovery copies, each only when it
// is a regular file of the caller's own (never through a link); and the copies that
// options.mayRemoveCopy allows. Every other copy stays: it may be a document someone works in.
//
// The recovery copy of a file (links followed; <name> its name, <full path> its absolute path with
// the folder's links resolved) takes the first of these names that is free, or that holds a regular
// file of the caller's own that mayRemoveCopy allows. Anything else there (a folder, a link, a named
// pipe, another user's file, a copy that is not allowed) is never renamed over or removed.
//  - "<folder>/<name>.recovery.qsd" when the folder is the caller's own, its owner may write it and
//    neither its group nor others may (where others may write, they could take or block the name);
//  - "<cache>/quillstorm/<hash>-<name>.recovery.qsd", then "<hash>.<n>-<name>.recovery.qsd" for n
//    from 2 to 9, where <cache> is $XDG_CACHE_HOME when it is an absolute path, else ~/.cache; <hash>
//    is the 64-bit FNV-1a of <full path> in 16 lowercase hex digits, and <name> is cut so that the
//    copy's temporary name fits NAME_MAX. The folder "quillstorm" is made with mode 0700 and refused
//    (the save fails, naming it) unless it is a folder, not a link, owned by the caller and closed to
//    everyone else (AfxOpenPrivateFolder).
// When no name is left the save fails before the file changes (accessDenied with m_lOsError EEXIST,
// naming the first copy name in the cache).
// A copy's mode is the file's without execute bits, and without group bits unless the copy could be
// given the file's group; its temporary file is 0600 until its content is complete.
void AfxReplaceFileContents(const char* lpszFileName, const BYTE* pData, size_t nCount,
                            const AfxReplaceOptions& options = {});

// A recovery copy found at one of a file's copy names: a regular file of the caller's own.
struct AfxRecoveryCopy {
    std::string path;
    AfxFileStamp stamp;
};
// The recovery copies that saves of lpszFileName cut short may have left, in the order of the names
// above (beside the file first). Looks only; makes and removes nothing.
std::vector<AfxRecoveryCopy> AfxFindRecoveryCopies(const char* lpszFileName);
// The first of them, "" when there is none.
std::string AfxFindRecoveryCopy(const char* lpszFileName);

// The path by which two names of one file compare equal: symbolic links on the last component
// followed, then the folder's links resolved (a folder that cannot be resolved is taken from the
// working directory as written). "" for an empty name.
std::string AfxCanonicalFilePath(const char* lpszFileName);

// What keeps a folder from being private to a user (AfxCheckPrivateFolder).
enum class AfxFolderFault { None, Link, NotFolder, OtherOwner, OpenToOthers, Error };

// Opens lpszFolder without following a link and checks it through the descriptor, so that what was
// checked is what is used: a folder owned by uid with no group or other permission bits. None with *pFd
// the open folder (the caller closes it; pFd may be null to close it here), else the fault with *pFd -1;
// *pSt gets the folder's status when it could be read (the owner and mode for a message), *pErr the errno
// for Error. A name that ends in slashes is checked without them.
AfxFolderFault AfxCheckPrivateFolder(const char* lpszFolder, uid_t uid, int* pFd, struct stat* pSt, int* pErr);

// Makes the folder lpszFolder with mode 0700 when it is missing (its parent must exist) and opens it:
// 0 and *pFd the open folder (the caller closes it), or an errno with *pFd -1 when it is refused: a
// symbolic link or not a folder, another user's, or open to the group or others (EACCES, ENOTDIR).
int AfxOpenPrivateFolder(const char* lpszFolder, int* pFd);

// For tests: a function called at the steps of a replacement, where a kill would cut it short.
enum class AfxReplaceStep {
    temporaryWritten,          // rename path: the temporary file is complete, not yet renamed
    recoveryTemporaryWritten,  // in place: the copy's temporary file is complete, not yet renamed
    recoveryWritten,           // in place: the copy is complete under its name; the file is untouched
    contentWritten,            // in place: the new bytes are in the file, not yet cut to length
    contentSynced,             // in place: the file is complete and synced; the copy still exists
};
using AfxReplaceStepHook = void (*)(AfxReplaceStep);
// Sets the hook (NULL: none) and returns the previous one.
AfxReplaceStepHook AfxSetReplaceStepHookForTesting(AfxReplaceStepHook pHook);

// A file in memory. Reading from a CMemFile made over bytes sees those bytes (copied); writing grows it.
// The usual pair for "objects -> bytes" and "bytes -> objects":
//
//     CMemFile out;            { CArchive ar(&out, CArchive::store); ar << pObj; ar.Close(); }
//     std::vector<BYTE> bytes = out.GetBytes();
//     CMemFile in(bytes.data(), bytes.size());   CArchive ar(&in, CArchive::load); ...
class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)
    CMemFile() = default;
    CMemFile(const BYTE* pData, size_t nSize);
    explicit CMemFile(std::vector<BYTE> bytes);

    BOOL Open(const char*, UINT, CFileException* pError = nullptr) override;  // not supported: FALSE
    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetLength() const override { return m_data.size(); }
    ULONGLONG GetPosition() const override { return m_nPos; }
    void SetLength(ULONGLONG dwNewLen) override;
    void Flush() override {}
    void Close() override;  // keeps the bytes; reads and writes after it throw
    void Abort() override { Close(); }
    BOOL IsOpen() const override { return m_bOpen ? TRUE : FALSE; }

    const std::vector<BYTE>& GetBytes() const { return m_data; }
    std::vector<BYTE> DetachBytes();  // the bytes; the file is empty afterwards

private:
    std::vector<BYTE> m_data;
    ULONGLONG m_nPos = 0;
    bool m_bOpen = true;
};
