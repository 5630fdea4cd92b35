// AfxReplaceFileContents: a save over a file that changes only its bytes. See afxfile.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>
#include <string>

#include "platform/afx/afxfile.h"

namespace {

// Symbolic links followed before the chain counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;

// Every failure of one replacement names the path the caller gave.
class CReplaceError {
public:
    explicit CReplaceError(const char* lpszPath) : m_strPath(lpszPath) {}
    [[noreturn]] void Errno(int nErrno) const {
        AfxThrowFileException(CFileException::ErrnoToException(nErrno), nErrno, m_strPath);
    }
    [[noreturn]] void Cause(int nCause, int nErrno) const { AfxThrowFileException(nCause, nErrno, m_strPath); }

private:
    const char* m_strPath;
};

// The descriptor closes with the scope (errors ignored: the paths that care close it themselves).
class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path names once every symbolic link on its last component is followed; it need not
// exist (a dangling link names the file it would create).
std::string FollowLinks(const std::string& path, const CReplaceError& error) {
    std::string p = path;
    for (int i = 0; i < kMaxLinks; i++) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf - 1);
        if (n < 0) error.Errno(errno);
        const std::string target(buf, static_cast<size_t>(n));
        p = !target.empty() && target[0] == '/' ? target : FolderOf(p) + "/" + target;
    }
    error.Errno(ELOOP);
}

void WriteAll(int fd, const BYTE* pData, size_t nCount, const CReplaceError& error) {
    size_t done = 0;
    while (done < nCount) {
        const ssize_t n = ::pwrite(fd, pData + done, nCount - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            error.Errno(errno);
        }
        if (n == 0) error.Errno(ENOSPC);
        done += static_cast<size_t>(n);
    }
}

void Sync(int fd, const CReplaceError& error) {
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) error.Errno(errno);
}

// The folder's entry of a rename reaches the disk (a failure to sync it is not the save's).
void SyncFolder(const std::string& folder) {
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) ::fsync(dir.Get());
}

// In place: the file keeps its inode, so its links, owner, group and mode stay. The new size is
// reserved first, so a full disk fails before a byte of the old content changes (the size is put
// back); then the bytes, the new end and a sync.
void ReplaceInPlace(const std::string& target, const BYTE* pData, size_t nCount, const CReplaceError& error) {
    CFd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.Get() < 0) error.Errno(errno);
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) error.Errno(errno);
    if (!S_ISREG(st.st_mode)) error.Cause(CFileException::genericException, -1);
    if (nCount > 0) {
        const int r = ::posix_fallocate(fd.Get(), 0, static_cast<off_t>(nCount));
        if (r != 0) {
            struct stat now;
            if (::fstat(fd.Get(), &now) == 0 && now.st_size != st.st_size) (void)::ftruncate(fd.Get(), st.st_size);
            error.Errno(r);
        }
    }
    WriteAll(fd.Get(), pData, nCount, error);
    if (::ftruncate(fd.Get(), static_cast<off_t>(nCount)) != 0) error.Errno(errno);
    Sync(fd.Get(), error);
    if (::close(fd.Release()) != 0 && errno != EINTR) error.Errno(errno);
}

// A new file beside the target that nothing bears yet, created (mode 0666 less the umask).
int CreateTemporary(const std::string& target, std::string* pTemp, const CReplaceError& error) {
    static std::minstd_rand s_rng(std::random_device{}());
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int i = 0; i < 100; i++) {
        *pTemp = folder + "." + name + ".tmp" + std::to_string(s_rng() % 1000000000u);
        const int fd = ::open(pTemp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) error.Errno(errno);
    }
    error.Errno(EEXIST);
}

// Through a temporary file renamed over the target once complete: a failure leaves the old file as
// it was. An existing target's mode and group go to the new file first. FALSE (nothing changed) when
// the group cannot be kept: the caller writes in place then.
BOOL ReplaceByRename(const std::string& target, const struct stat* pOld, const BYTE* pData, size_t nCount,
                     const CReplaceError& error) {
    std::string temp;
    CFd fd(CreateTemporary(target, &temp, error));
    struct Remover {
        const std::string& path;
        bool bKeep = false;
        ~Remover() {
            if (!bKeep) ::unlink(path.c_str());
        }
    } remover{temp};
    if (pOld) {
        struct stat st;
        if (::fstat(fd.Get(), &st) != 0) error.Errno(errno);
        if (st.st_gid != pOld->st_gid && ::fchown(fd.Get(), static_cast<uid_t>(-1), pOld->st_gid) != 0) return FALSE;
        if (::fchmod(fd.Get(), pOld->st_mode & 07777) != 0) error.Errno(errno);
    }
    WriteAll(fd.Get(), pData, nCount, error);
    Sync(fd.Get(), error);
    if (::close(fd.Release()) != 0 && errno != EINTR) error.Errno(errno);
    if (std::rename(temp.c_str(), target.c_str()) != 0) error.Errno(errno);
    remover.bKeep = true;
    SyncFolder(FolderOf(target));
    return TRUE;
}

}  // namespace

void AfxReplaceFileContents(const char* lpszFileName, const BYTE* pData, size_t nCount) {
    const CReplaceError error(lpszFileName);
    if (!lpszFileName || !*lpszFileName) error.Errno(ENOENT);
    const std::string target = FollowLinks(lpszFileName, error);
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) error.Errno(errno);
        ReplaceByRename(target, nullptr, pData, nCount, error);  // a new file
        return;
    }
    if (S_ISDIR(st.st_mode)) error.Errno(EISDIR);
    if (!S_ISREG(st.st_mode)) error.Cause(CFileException::genericException, -1);
    // Read-only for its owner: refused whoever saves, the superuser included.
    if (!(st.st_mode & S_IWUSR)) error.Errno(EACCES);
    const std::string folder = FolderOf(target);
    const bool bRenameKeepsAll =
        st.st_nlink == 1 && st.st_uid == ::geteuid() && ::access(folder.c_str(), W_OK | X_OK) == 0;
    if (bRenameKeepsAll && ReplaceByRename(target, &st, pData, nCount, error)) return;
    ReplaceInPlace(target, pData, nCount, error);
}
