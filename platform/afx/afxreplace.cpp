// AfxReplaceFileContents: a save over a file that changes only its bytes; the recovery copy that
// makes a save in place survive a kill; the leftovers a killed save leaves. See afxfile.h.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/afx/afxfile.h"

namespace {

// Symbolic links followed before the chain counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;

// A temporary name adds "." before and ".tmp" and up to 9 digits after the name it stands for, so a
// name that gets one stays within NAME_MAX.
constexpr size_t kMaxTemporaryStem = NAME_MAX - 14;
constexpr char kTemporaryInfix[] = ".tmp";
constexpr char kRecoverySuffix[] = ".recovery.qsd";
constexpr char kCacheFolderName[] = "quillstorm";
// Names a copy may take in the cache folder, when the first is held by a copy that must stay.
constexpr int kCacheCopyNames = 9;

AfxReplaceStepHook g_pStepHook = nullptr;

void Step(AfxReplaceStep step) {
    if (g_pStepHook) g_pStepHook(step);
}

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
    CFd(CFd&& o) noexcept : m_fd(o.Release()) {}
    CFd& operator=(CFd&& o) noexcept {
        if (this != &o) {
            if (m_fd >= 0) ::close(m_fd);
            m_fd = o.Release();
        }
        return *this;
    }
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

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

// The absolute path of a file whose links are followed: its folder with every link resolved, then
// its name. A folder that cannot be resolved is taken as it is written (from the working directory).
std::string FullPathOf(const std::string& file) {
    std::string folder = FolderOf(file);
    if (char* real = ::realpath(folder.c_str(), nullptr)) {
        folder = real;
        std::free(real);
    } else if (folder[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) folder = std::string(cwd) + "/" + folder;
    }
    return (folder == "/" ? "" : folder) + "/" + NameOf(file);
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

// ---- temporary files ------------------------------------------------------------------------------

// A temporary file for `name` is ".<name>.tmp<digits>" in the same folder.
std::string TemporaryPrefix(const std::string& name) { return "." + name + kTemporaryInfix; }

bool IsTemporaryOf(const std::string& entry, const std::string& prefix) {
    if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0) return false;
    for (size_t i = prefix.size(); i < entry.size(); i++)
        if (entry[i] < '0' || entry[i] > '9') return false;
    return true;
}

// A new file that nothing bears yet, named for `name` in the folder dirfd, created with nMode (less
// the umask).
int CreateTemporaryAt(int dirfd, const std::string& name, mode_t nMode, std::string* pTemp, const CReplaceError& error) {
    static std::minstd_rand s_rng(std::random_device{}());
    for (int i = 0; i < 100; i++) {
        *pTemp = TemporaryPrefix(name) + std::to_string(s_rng() % 1000000000u);
        const int fd = ::openat(dirfd, pTemp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, nMode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) error.Errno(errno);
    }
    error.Errno(EEXIST);
}

// The entry `name` of dirfd when it is a regular file of the caller's own (never through a link),
// with its stamp in *pStamp when given.
bool IsOwnRegularFile(int dirfd, const char* name, AfxFileStamp* pStamp = nullptr) {
    struct stat st;
    if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if (pStamp) *pStamp = AfxStampOf(st);
    return true;
}

// Removes the temporary files of `names` that killed saves left in dirfd: the caller's own regular
// files of those names' pattern, nothing else. One pass over the folder.
void RemoveTemporariesAt(int dirfd, const std::vector<std::string>& names) {
    const int fd = ::dup(dirfd);
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    std::vector<std::string> prefixes;
    for (const std::string& name : names) prefixes.push_back(TemporaryPrefix(name));
    bool bRemoved = false;
    while (const dirent* e = ::readdir(dir)) {
        for (const std::string& prefix : prefixes) {
            if (IsTemporaryOf(e->d_name, prefix) && IsOwnRegularFile(dirfd, e->d_name)) {
                bRemoved = ::unlinkat(dirfd, e->d_name, 0) == 0 || bRemoved;
                break;
            }
        }
    }
    ::closedir(dir);
    if (bRemoved) ::fsync(dirfd);
}

// ---- the recovery copy ----------------------------------------------------------------------------

// FNV-1a, 64 bits: a short name for a full path that stays the same from run to run.
std::string PathHash(const std::string& path) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : path) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::string CopyNameBeside(const std::string& name) { return name + kRecoverySuffix; }

// The names a copy may take in the cache: "<hash of the full path>-<name>.recovery.qsd", then
// "<hash>.<n>-<name>.recovery.qsd" for n from 2 to kCacheCopyNames, each with the name cut so that the
// whole fits a temporary.
std::vector<std::string> CopyNamesInCache(const std::string& fullPath) {
    std::vector<std::string> names;
    for (int n = 1; n <= kCacheCopyNames; n++) {
        const std::string head = PathHash(fullPath) + (n == 1 ? std::string() : "." + std::to_string(n)) + "-";
        std::string name = NameOf(fullPath);
        const size_t room = kMaxTemporaryStem - head.size() - (sizeof kRecoverySuffix - 1);
        if (name.size() > room) name.resize(room);
        names.push_back(head + name + kRecoverySuffix);
    }
    return names;
}

// The base of the cache: $XDG_CACHE_HOME when it is an absolute path, else ~/.cache.
std::string CacheBase() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* pw = ::getpwuid(::geteuid());
        home = pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : nullptr;
    }
    return home ? std::string(home) + "/.cache" : std::string();
}

// Makes each missing folder of path (mode 0700); 0 or the errno of the first that fails.
int MakeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); i++) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

// A folder that takes a document's copy beside it: the caller's own, writable by its owner, and
// writable by neither its group nor others (who could otherwise take, swap or block the copy's name).
bool FolderTakesCopies(int dirfd) {
    struct stat st;
    return ::fstat(dirfd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & (S_IWUSR | S_IXUSR)) == (S_IWUSR | S_IXUSR) && !(st.st_mode & (S_IWGRP | S_IWOTH));
}

// Whether a copy may go under `name` in the folder dirfd (path `folder`): nothing is there, or a
// regular file of the caller's own (never through a link) that the caller lets the save replace.
bool NameTakesCopy(int dirfd, const std::string& folder, const std::string& name, const AfxReplaceOptions& options) {
    struct stat st;
    if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && options.mayRemoveCopy &&
           options.mayRemoveCopy(folder + "/" + name, AfxStampOf(st));
}

struct CopyPlace {
    CFd dir;             // the folder, open
    std::string folder;  // its path
    std::string name;    // the copy's name in it
    std::string Path() const { return folder + "/" + name; }
};

// Where a save in place of `file` (links followed) puts its copy: beside the file when that folder
// takes copies, the name fits and it is free to take, else the first free name in the private cache
// folder. The errno when none can be used: the folder's, or EEXIST (with *pPlace naming the first
// name in the cache) when every name is held.
int PlaceCopy(const std::string& file, const AfxReplaceOptions& options, CopyPlace* pPlace) {
    const std::string full = FullPathOf(file);
    const std::string folder = FolderOf(full);
    const std::string beside = CopyNameBeside(NameOf(full));
    if (beside.size() <= kMaxTemporaryStem) {
        CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
        if (dir.Get() >= 0 && FolderTakesCopies(dir.Get()) && NameTakesCopy(dir.Get(), folder, beside, options)) {
            pPlace->dir = std::move(dir);
            pPlace->folder = folder;
            pPlace->name = beside;
            return 0;
        }
    }
    const std::string base = CacheBase();
    if (base.empty()) return ENOENT;
    if (const int err = MakeFolders(base)) return err;
    pPlace->folder = base + "/" + kCacheFolderName;
    int fd = -1;
    if (const int err = AfxOpenPrivateFolder(pPlace->folder.c_str(), &fd)) return err;
    pPlace->dir = CFd(fd);
    const std::vector<std::string> names = CopyNamesInCache(full);
    for (const std::string& name : names) {
        if (NameTakesCopy(pPlace->dir.Get(), pPlace->folder, name, options)) {
            pPlace->name = name;
            return 0;
        }
    }
    pPlace->name = names.front();
    return EEXIST;
}

// Removes a temporary file (by name in an open folder) when it goes out of scope, unless kept: the
// temporary of a save that failed part way does not stay behind.
struct CTemporaryRemover {
    int dirfd;
    const std::string& name;
    bool bKeep = false;
    ~CTemporaryRemover() {
        if (!bKeep) ::unlinkat(dirfd, name.c_str(), 0);
    }
};

// The complete new content under the copy's name, by a temporary file renamed once complete and
// synced, file and folder: a kill leaves either no copy or a whole one. Its mode is the original's
// without execute bits, and without group bits unless it could be given the original's group.
// Returns the copy's status as it was written (device and inode tell it from a file put there later).
struct stat WriteCopy(const CopyPlace& place, const struct stat& original, const BYTE* pData, size_t nCount,
                      const CReplaceError& error) {
    std::string temp;
    CFd fd(CreateTemporaryAt(place.dir.Get(), place.name, 0600, &temp, error));
    CTemporaryRemover remover{place.dir.Get(), temp};
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) error.Errno(errno);
    mode_t nMode = original.st_mode & 0666;
    if (st.st_gid != original.st_gid && ::fchown(fd.Get(), static_cast<uid_t>(-1), original.st_gid) != 0) nMode &= ~070;
    if (nCount > 0) {
        const int r = ::posix_fallocate(fd.Get(), 0, static_cast<off_t>(nCount));
        if (r != 0) error.Errno(r);
    }
    WriteAll(fd.Get(), pData, nCount, error);
    if (::fchmod(fd.Get(), nMode) != 0) error.Errno(errno);
    Sync(fd.Get(), error);
    if (::close(fd.Release()) != 0 && errno != EINTR) error.Errno(errno);
    Step(AfxReplaceStep::recoveryTemporaryWritten);
    if (::renameat(place.dir.Get(), temp.c_str(), place.dir.Get(), place.name.c_str()) != 0) error.Errno(errno);
    remover.bKeep = true;
    // A copy whose name may not reach the disk fails the save; it goes, since the file is untouched.
    if (::fsync(place.dir.Get()) != 0 && errno != EINVAL && errno != EROFS) {
        const int err = errno;
        ::unlinkat(place.dir.Get(), place.name.c_str(), 0);
        error.Errno(err);
    }
    return st;
}

// In place: the file keeps its inode, so its links, owner, group and mode stay. The complete new
// content goes to a recovery copy first; a copy that cannot be written fails the save before the
// file changes. Then the new size is reserved (a full disk fails with the old content whole: the
// size is put back and the copy goes, unless it took the place of an earlier copy, whose content it
// now stands for), the bytes, the new end and a sync; then the copy goes. A failure after the first
// byte changed keeps the copy: it is the only whole version.
void ReplaceInPlace(const std::string& target, const BYTE* pData, size_t nCount, const AfxReplaceOptions& options,
                    const CReplaceError& error) {
    CFd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.Get() < 0) error.Errno(errno);
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) error.Errno(errno);
    if (!S_ISREG(st.st_mode)) error.Cause(CFileException::genericException, -1);

    CopyPlace place;
    if (const int err = PlaceCopy(target, options, &place)) {
        const std::string named = err == EEXIST ? place.Path() : place.folder.empty() ? CacheBase() : place.folder;
        AfxThrowFileException(CFileException::ErrnoToException(err), err, named.c_str());
    }
    struct stat earlier;
    const bool bReplacesCopy = ::fstatat(place.dir.Get(), place.name.c_str(), &earlier, AT_SYMLINK_NOFOLLOW) == 0;
    const struct stat copy = WriteCopy(place, st, pData, nCount, error);
    if (options.pCopyLeft) *options.pCopyLeft = place.Path();
    // Only the copy this save wrote goes, by its inode: never a file that took its name since.
    auto removeCopy = [&] {
        struct stat now;
        if (::fstatat(place.dir.Get(), place.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_dev != copy.st_dev ||
            now.st_ino != copy.st_ino)
            return;
        if (::unlinkat(place.dir.Get(), place.name.c_str(), 0) == 0) ::fsync(place.dir.Get());
        if (options.pCopyLeft) options.pCopyLeft->clear();
    };
    Step(AfxReplaceStep::recoveryWritten);

    if (nCount > 0) {
        const int r = ::posix_fallocate(fd.Get(), 0, static_cast<off_t>(nCount));
        if (r != 0) {
            struct stat now;
            if (::fstat(fd.Get(), &now) == 0 && now.st_size != st.st_size) (void)::ftruncate(fd.Get(), st.st_size);
            if (!bReplacesCopy) removeCopy();
            error.Errno(r);
        }
    }
    WriteAll(fd.Get(), pData, nCount, error);
    Step(AfxReplaceStep::contentWritten);
    if (::ftruncate(fd.Get(), static_cast<off_t>(nCount)) != 0) error.Errno(errno);
    Sync(fd.Get(), error);
    if (::close(fd.Release()) != 0 && errno != EINTR) error.Errno(errno);
    Step(AfxReplaceStep::contentSynced);
    removeCopy();
}

// Through a temporary file renamed over the target once complete: a failure leaves the old file as
// it was. An existing target's mode and group go to the new file first. FALSE (nothing changed) when
// the group cannot be kept: the caller writes in place then.
BOOL ReplaceByRename(const std::string& target, const struct stat* pOld, const BYTE* pData, size_t nCount,
                     const CReplaceError& error) {
    const std::string folder = FolderOf(target);
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0) error.Errno(errno);
    std::string temp;
    CFd fd(CreateTemporaryAt(dir.Get(), NameOf(target), 0666, &temp, error));
    CTemporaryRemover remover{dir.Get(), temp};
    if (pOld) {
        struct stat st;
        if (::fstat(fd.Get(), &st) != 0) error.Errno(errno);
        if (st.st_gid != pOld->st_gid && ::fchown(fd.Get(), static_cast<uid_t>(-1), pOld->st_gid) != 0) return FALSE;
        if (::fchmod(fd.Get(), pOld->st_mode & 07777) != 0) error.Errno(errno);
    }
    WriteAll(fd.Get(), pData, nCount, error);
    Sync(fd.Get(), error);
    if (::close(fd.Release()) != 0 && errno != EINTR) error.Errno(errno);
    Step(AfxReplaceStep::temporaryWritten);
    if (::renameat(dir.Get(), temp.c_str(), dir.Get(), NameOf(target).c_str()) != 0) error.Errno(errno);
    remover.bKeep = true;
    ::fsync(dir.Get());
    return TRUE;
}

// The names a save of `file` (links followed) may have given its copies, beside it and in the cache
// folder, with the folders that hold them: f(dirfd, folder, names) for each folder that exists and
// may hold copies (nothing is made to look).
template <typename F>
void ForEachCopyFolder(const std::string& file, F&& f) {
    const std::string full = FullPathOf(file);
    {
        CFd dir(::open(FolderOf(full).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.Get() >= 0) f(dir.Get(), FolderOf(full), std::vector<std::string>{CopyNameBeside(NameOf(full))});
    }
    const std::string base = CacheBase();
    if (base.empty()) return;
    const std::string folder = base + "/" + kCacheFolderName;
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    struct stat st;
    if (dir.Get() < 0 || ::fstat(dir.Get(), &st) != 0 || st.st_uid != ::geteuid()) return;
    f(dir.Get(), folder, CopyNamesInCache(full));
}

// After a completed save: what killed saves of the same document left goes, the caller's own regular
// files only: temporary files of the document and of its copies, and the copies the caller lets go.
void RemoveLeftovers(const std::string& target, const AfxReplaceOptions& options) {
    {
        CFd dir(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.Get() >= 0) RemoveTemporariesAt(dir.Get(), {NameOf(target)});
    }
    ForEachCopyFolder(target, [&options](int dirfd, const std::string& folder, const std::vector<std::string>& names) {
        RemoveTemporariesAt(dirfd, names);
        if (!options.mayRemoveCopy) return;
        bool bRemoved = false;
        for (const std::string& name : names) {
            AfxFileStamp stamp;
            if (IsOwnRegularFile(dirfd, name.c_str(), &stamp) && options.mayRemoveCopy(folder + "/" + name, stamp))
                bRemoved = ::unlinkat(dirfd, name.c_str(), 0) == 0 || bRemoved;
        }
        if (bRemoved) ::fsync(dirfd);
    });
}

}  // namespace

AfxFolderFault AfxCheckPrivateFolder(const char* lpszFolder, uid_t uid, int* pFd, struct stat* pSt, int* pErr) {
    if (pFd) *pFd = -1;
    *pErr = 0;
    std::string folder = lpszFolder ? lpszFolder : "";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) {
        *pErr = ENOENT;
        return AfxFolderFault::Error;
    }
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (dir.Get() < 0) {
        const int err = errno;
        if (err == ELOOP) return AfxFolderFault::Link;
        if (err == ENOTDIR) {
            // O_NOFOLLOW with O_DIRECTORY reports a link to a non-folder as ENOTDIR.
            if (::lstat(folder.c_str(), pSt) == 0 && S_ISLNK(pSt->st_mode)) return AfxFolderFault::Link;
            return AfxFolderFault::NotFolder;
        }
        *pErr = err;
        return AfxFolderFault::Error;
    }
    if (::fstat(dir.Get(), pSt) != 0) {
        *pErr = errno;
        return AfxFolderFault::Error;
    }
    if (!S_ISDIR(pSt->st_mode)) return AfxFolderFault::NotFolder;
    if (pSt->st_uid != uid) return AfxFolderFault::OtherOwner;
    if ((pSt->st_mode & 077) != 0) return AfxFolderFault::OpenToOthers;
    if (pFd) *pFd = dir.Release();
    return AfxFolderFault::None;
}

int AfxOpenPrivateFolder(const char* lpszFolder, int* pFd) {
    *pFd = -1;
    if (::mkdir(lpszFolder, 0700) != 0 && errno != EEXIST) return errno;
    struct stat st;
    int err = 0;
    switch (AfxCheckPrivateFolder(lpszFolder, ::geteuid(), pFd, &st, &err)) {
    case AfxFolderFault::None: return 0;
    case AfxFolderFault::NotFolder: return ENOTDIR;
    case AfxFolderFault::Error: return err;
    default: return EACCES;
    }
}

AfxFileStamp AfxStampOf(const struct stat& st) {
    AfxFileStamp stamp;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.ctimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return stamp;
}

std::string AfxCanonicalFilePath(const char* lpszFileName) {
    if (!lpszFileName || !*lpszFileName) return {};
    std::string file = lpszFileName;
    try {
        file = FollowLinks(lpszFileName, CReplaceError(lpszFileName));
    } catch (const CException&) {
        // A loop of links: the name as written.
    }
    return FullPathOf(file);
}

std::vector<AfxRecoveryCopy> AfxFindRecoveryCopies(const char* lpszFileName) {
    std::vector<AfxRecoveryCopy> found;
    if (!lpszFileName || !*lpszFileName) return found;
    std::string file;
    try {
        file = FollowLinks(lpszFileName, CReplaceError(lpszFileName));
    } catch (const CException&) {
        return found;
    }
    ForEachCopyFolder(file, [&found](int dirfd, const std::string& folder, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            AfxRecoveryCopy copy;
            if (IsOwnRegularFile(dirfd, name.c_str(), &copy.stamp)) {
                copy.path = folder + "/" + name;
                found.push_back(copy);
            }
        }
    });
    return found;
}

std::string AfxFindRecoveryCopy(const char* lpszFileName) {
    const std::vector<AfxRecoveryCopy> copies = AfxFindRecoveryCopies(lpszFileName);
    return copies.empty() ? std::string() : copies.front().path;
}

AfxReplaceStepHook AfxSetReplaceStepHookForTesting(AfxReplaceStepHook pHook) {
    const AfxReplaceStepHook pOld = g_pStepHook;
    g_pStepHook = pHook;
    return pOld;
}

void AfxReplaceFileContents(const char* lpszFileName, const BYTE* pData, size_t nCount,
                            const AfxReplaceOptions& options) {
    if (options.pCopyLeft) options.pCopyLeft->clear();
    const CReplaceError error(lpszFileName);
    if (!lpszFileName || !*lpszFileName) error.Errno(ENOENT);
    const std::string target = FollowLinks(lpszFileName, error);
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) error.Errno(errno);
        ReplaceByRename(target, nullptr, pData, nCount, error);  // a new file
        RemoveLeftovers(target, options);
        return;
    }
    if (S_ISDIR(st.st_mode)) error.Errno(EISDIR);
    if (!S_ISREG(st.st_mode)) error.Cause(CFileException::genericException, -1);
    // Read-only for its owner: refused whoever saves, the superuser included.
    if (!(st.st_mode & S_IWUSR)) error.Errno(EACCES);
    const std::string folder = FolderOf(target);
    const bool bRenameKeepsAll =
        st.st_nlink == 1 && st.st_uid == ::geteuid() && ::access(folder.c_str(), W_OK | X_OK) == 0;
    if (!bRenameKeepsAll || !ReplaceByRename(target, &st, pData, nCount, error))
        ReplaceInPlace(target, pData, nCount, options, error);
    RemoveLeftovers(target, options);
}
