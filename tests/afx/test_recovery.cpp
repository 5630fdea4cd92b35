// Saves that a kill cuts short: the recovery copy a save in place writes first, where it goes and
// with what mode, the folder that holds it, what it never renames over, and what the next completed
// save clears away (and what it leaves). A kill is a child process that saves and ends at once
// (_exit) at one step of the save.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <vector>

#include "afxtest.h"
#include "envscope.h"
#include "filesizelimit.h"

namespace {

const std::string kOld = "the old scene, a good deal longer than the new one it gives way to";
const std::string kNew = "the new scene";

AfxReplaceStep g_killAt;
void KillHere(AfxReplaceStep step) {
    if (step == g_killAt) ::_exit(0);
}

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/afxrecoveryXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_root = tmpl;
        m_dir = m_root + "/docs";
        ASSERT_EQ(::mkdir(m_dir.c_str(), 0755), 0);
        m_cache = m_root + "/cache";
        m_xdg.emplace("XDG_CACHE_HOME", m_cache);
    }
    void TearDown() override {
        m_xdg.reset();
        std::string cmd = "chmod -R u+w '" + m_root + "' && rm -rf '" + m_root + "'";
        (void)std::system(cmd.c_str());
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    std::string CacheFolder() const { return m_cache + "/quillstorm"; }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static mode_t Mode(const std::string& path) {
        struct stat st{};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }
    static bool Exists(const std::string& path) {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0;
    }
    // A folder's entries, hidden ones too.
    static std::set<std::string> Entries(const std::string& folder) {
        std::set<std::string> out;
        if (!Exists(folder)) return out;
        std::string cmd = "ls -A '" + folder + "' > '" + folder + ".ls' 2>/dev/null";
        (void)std::system(cmd.c_str());
        std::ifstream f(folder + ".ls");
        for (std::string line; std::getline(f, line);) out.insert(line);
        ::unlink((folder + ".ls").c_str());
        return out;
    }
    static void Save(const std::string& path, const std::string& text) {
        AfxReplaceFileContents(path.c_str(), reinterpret_cast<const BYTE*>(text.data()), text.size());
    }
    // A save that may remove (and rename over) exactly the copies named, as the program lets a save
    // remove the copies its user answered for.
    static void SaveReleasing(const std::string& path, const std::string& text, const std::set<std::string>& copies) {
        AfxReplaceOptions options;
        options.mayRemoveCopy = [&copies](const std::string& copy, const AfxFileStamp&) { return copies.count(copy) > 0; };
        AfxReplaceFileContents(path.c_str(), reinterpret_cast<const BYTE*>(text.data()), text.size(), options);
    }
    // A save in place that fails once its copy is complete (as a kill would cut it there): the copy it
    // left, "" when it failed before.
    static std::string CopyOfACutSave(const std::string& path, const std::string& text,
                                      const std::set<std::string>& released = {}) {
        const AfxReplaceStepHook pOld = AfxSetReplaceStepHookForTesting([](AfxReplaceStep step) {
            if (step == AfxReplaceStep::recoveryWritten) AfxThrowFileException(CFileException::genericException);
        });
        std::string left = "not set";
        AfxReplaceOptions options;
        options.mayRemoveCopy = [&released](const std::string& copy, const AfxFileStamp&) { return released.count(copy) > 0; };
        options.pCopyLeft = &left;
        try {
            AfxReplaceFileContents(path.c_str(), reinterpret_cast<const BYTE*>(text.data()), text.size(), options);
            ADD_FAILURE() << "the save was not cut";
        } catch (const CFileException&) {
        }
        AfxSetReplaceStepHookForTesting(pOld);
        return left;
    }
    // Saves in a child that ends at `step`; TRUE when it ended there (and not by finishing the save).
    static bool SaveKilledAt(const std::string& path, const std::string& text, AfxReplaceStep step) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            g_killAt = step;
            AfxSetReplaceStepHookForTesting(KillHere);
            try {
                Save(path, text);
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(1);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(pid, &status, 0), pid);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // A document with a second link beside it: saves over it write in place.
    void HardLinked(const std::string& name, const std::string& text, mode_t mode = 0644) {
        Write(Path(name), text);
        ASSERT_EQ(::chmod(Path(name).c_str(), mode), 0);
        ASSERT_EQ(::link(Path(name).c_str(), Path(name + ".link").c_str()), 0);
    }

    // Leaves in the cache what cut saves of scene.qsd (a copy, m_sceneCacheCopy, and a copy's temporary
    // file) and of another document (a copy, m_otherCopy) leave there; scene.qsd keeps its content.
    bool MakeCacheLeftovers() {
        if (::chmod(m_dir.c_str(), 01777) != 0) return false;
        const bool bLinked = Exists(Path("scene.qsd.link"));
        if (!bLinked && ::link(Path("scene.qsd").c_str(), Path("cut.link").c_str()) != 0) return false;
        const std::string content = Read(Path("scene.qsd"));
        bool ok = SaveKilledAt(Path("scene.qsd"), kNew, AfxReplaceStep::recoveryTemporaryWritten) &&
                  SaveKilledAt(Path("scene.qsd"), kNew, AfxReplaceStep::recoveryWritten);
        if (!bLinked) ::unlink(Path("cut.link").c_str());
        const std::set<std::string> before = Entries(CacheFolder());
        for (const std::string& e : before)
            if (e[0] != '.') m_sceneCacheCopy = e;
        HardLinked("another.qsd", kOld);
        ok = ok && SaveKilledAt(Path("another.qsd"), kNew, AfxReplaceStep::recoveryWritten);
        ::unlink(Path("another.qsd").c_str());
        ::unlink(Path("another.qsd.link").c_str());
        for (const std::string& e : Entries(CacheFolder()))
            if (!before.count(e)) m_otherCopy = e;
        return ok && before.size() == 2 && !m_otherCopy.empty() && Read(Path("scene.qsd")) == content &&
               ::chmod(m_dir.c_str(), 0755) == 0;
    }

    std::string m_root, m_dir, m_cache;
    std::string m_otherCopy;       // in the cache: another document's copy
    std::string m_sceneCacheCopy;  // in the cache: scene.qsd's copy
    std::optional<CEnvScope> m_xdg;
};


// A kill at each step leaves the old file whole, or the new content whole in the file or in the copy
// that the next open would name; the next completed save that may remove that copy leaves the file new
// and nothing else, one that may not leaves the copy.
TEST_F(Recovery, AKillAtEachStepLeavesAWholeVersionAndTheNextSaveClearsUp) {
    struct Case {
        const char* name;
        bool bLinked;
        AfxReplaceStep step;
        std::string fileAfter;  // what the file holds after the kill
        bool bCopy;             // a copy with the new content is named
        size_t nTemporaries;    // hidden temporary files left in the folder
    } cases[] = {
        {"rename: temporary complete", false, AfxReplaceStep::temporaryWritten, kOld, false, 1},
        {"in place: copy's temporary complete", true, AfxReplaceStep::recoveryTemporaryWritten, kOld, false, 1},
        {"in place: copy complete", true, AfxReplaceStep::recoveryWritten, kOld, true, 0},
        {"in place: bytes written, not cut", true, AfxReplaceStep::contentWritten, kNew + kOld.substr(kNew.size()),
         true, 0},
        {"in place: file complete", true, AfxReplaceStep::contentSynced, kNew, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("scene.qsd");
        if (c.bLinked)
            HardLinked("scene.qsd", kOld);
        else
            Write(path, kOld);
        ASSERT_TRUE(SaveKilledAt(path, kNew, c.step)) << "the save did not reach the step";

        EXPECT_EQ(Read(path), c.fileAfter);
        const std::string copy = AfxFindRecoveryCopy(path.c_str());
        if (c.bCopy) {
            EXPECT_EQ(copy, Path("scene.qsd.recovery.qsd"));
            EXPECT_EQ(Read(copy), kNew);
        } else {
            EXPECT_EQ(copy, "");
        }
        size_t nTemporaries = 0;
        for (const std::string& e : Entries(m_dir)) nTemporaries += e[0] == '.';
        EXPECT_EQ(nTemporaries, c.nTemporaries);

        // A save that may not remove the copy (nobody answered for it) leaves it as it is, its own
        // copy going to the cache; one that may leaves the file new and nothing else.
        if (c.bCopy) {
            Save(path, kNew);
            EXPECT_EQ(Read(path), kNew);
            EXPECT_EQ(AfxFindRecoveryCopy(path.c_str()), copy);
            EXPECT_EQ(Read(copy), kNew);
            EXPECT_EQ(Entries(CacheFolder()), std::set<std::string>{});
        }
        SaveReleasing(path, kNew, {copy});
        EXPECT_EQ(Read(path), kNew);
        EXPECT_EQ(AfxFindRecoveryCopy(path.c_str()), "");
        const std::set<std::string> clean =
            c.bLinked ? std::set<std::string>{"scene.qsd", "scene.qsd.link"} : std::set<std::string>{"scene.qsd"};
        EXPECT_EQ(Entries(m_dir), clean);
        ::unlink(path.c_str());
        ::unlink(Path("scene.qsd.link").c_str());
    }
}

// The copy never shows more than the file: its mode is the original's without execute bits (the same
// group here), its temporary file's too. In the cache its folder is 0700.
TEST_F(Recovery, TheCopysModeIsNoWiderThanTheFiles) {
    struct Case {
        mode_t original;
        mode_t copy;
    } cases[] = {{0600, 0600}, {0644, 0644}, {0640, 0640}, {0604, 0604}, {0755, 0644}, {0660, 0660}};
    for (bool bInCache : {false, true}) {
        // A folder that everyone may write takes no copies beside its files.
        ASSERT_EQ(::chmod(m_dir.c_str(), bInCache ? 01777 : 0755), 0);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.original) + (bInCache ? " in the cache" : " beside"));
            HardLinked("scene.qsd", kOld, c.original);
            ASSERT_TRUE(SaveKilledAt(Path("scene.qsd"), kNew, AfxReplaceStep::recoveryTemporaryWritten));
            std::set<std::string> temps = Entries(bInCache ? CacheFolder() : m_dir);
            for (const std::string& e : temps) {
                if (e[0] == '.') {
                    EXPECT_EQ(Mode((bInCache ? CacheFolder() : m_dir) + "/" + e) & ~c.copy, 0u) << e;
                }
            }

            ASSERT_TRUE(SaveKilledAt(Path("scene.qsd"), kNew, AfxReplaceStep::recoveryWritten));
            const std::string copy = AfxFindRecoveryCopy(Path("scene.qsd").c_str());
            ASSERT_NE(copy, "");
            EXPECT_EQ(copy.rfind(bInCache ? CacheFolder() + "/" : m_dir + "/", 0), 0u) << copy;
            EXPECT_EQ(Read(copy), kNew);
            EXPECT_EQ(Mode(copy), c.copy);
            if (bInCache) {
                EXPECT_EQ(Mode(CacheFolder()), 0700u);
            }
            SaveReleasing(Path("scene.qsd"), kNew, {copy});
            EXPECT_FALSE(Exists(copy));
            ::unlink(Path("scene.qsd").c_str());
            ::unlink(Path("scene.qsd.link").c_str());
        }
    }
}

// The cache folder's copy is named by the document's full path: two documents of the same name in
// different folders get different copies, and a relative path, a link or a ".." finds the same copy.
TEST_F(Recovery, CopiesInTheCacheAreNamedByTheFullPath) {
    ASSERT_EQ(::chmod(m_dir.c_str(), 01777), 0);
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 01777), 0);
    HardLinked("scene.qsd", kOld);
    HardLinked("sub/scene.qsd", kOld);
    ASSERT_TRUE(SaveKilledAt(Path("scene.qsd"), kNew, AfxReplaceStep::recoveryWritten));
    ASSERT_TRUE(SaveKilledAt(Path("sub/scene.qsd"), "sub scene", AfxReplaceStep::recoveryWritten));
    const std::string a = AfxFindRecoveryCopy(Path("scene.qsd").c_str());
    const std::string b = AfxFindRecoveryCopy(Path("sub/scene.qsd").c_str());
    ASSERT_NE(a, "");
    ASSERT_NE(b, "");
    EXPECT_NE(a, b);
    EXPECT_EQ(Read(a), kNew);
    EXPECT_EQ(Read(b), "sub scene");
    const std::string name = a.substr(a.rfind('/') + 1);
    EXPECT_EQ(name.size(), 16 + 1 + std::string("scene.qsd.recovery.qsd").size()) << name;
    EXPECT_EQ(name.substr(16), "-scene.qsd.recovery.qsd");

    ASSERT_EQ(::symlink("sub/scene.qsd", Path("link.qsd").c_str()), 0);
    EXPECT_EQ(AfxFindRecoveryCopy(Path("link.qsd").c_str()), b);
    EXPECT_EQ(AfxFindRecoveryCopy((Path("sub") + "/../scene.qsd").c_str()), a);
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(Path("sub").c_str()), 0);
    EXPECT_EQ(AfxFindRecoveryCopy("scene.qsd"), b);
    EXPECT_EQ(AfxFindRecoveryCopy("../scene.qsd"), a);
    ASSERT_EQ(::chdir(cwd), 0);
    // A name too long for a copy beside it still gets one in the cache, cut to fit.
    const std::string longName(240, 'n');
    ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
    HardLinked(longName, kOld);
    ASSERT_TRUE(SaveKilledAt(Path(longName), kNew, AfxReplaceStep::recoveryWritten));
    const std::string c = AfxFindRecoveryCopy(Path(longName).c_str());
    EXPECT_EQ(c.rfind(CacheFolder() + "/", 0), 0u) << c;
    EXPECT_EQ(Read(c), kNew);
}

// Where the cache is: $XDG_CACHE_HOME when it is absolute, else ~/.cache; missing folders are made
// 0700.
TEST_F(Recovery, TheCacheFolderFollowsTheEnvironment) {
    ASSERT_EQ(::chmod(m_dir.c_str(), 01777), 0);
    const std::string home = m_root + "/home";
    ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
    CEnvScope homeScope("HOME", home);
    struct Case {
        const char* name;
        std::optional<std::string> xdg;
        std::string folder;
    } cases[] = {
        {"set", m_root + "/xdg/deep", m_root + "/xdg/deep/quillstorm"},
        {"unset", std::nullopt, home + "/.cache/quillstorm"},
        {"relative", std::string("relative/cache"), home + "/.cache/quillstorm"},
        {"empty", std::string(""), home + "/.cache/quillstorm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CEnvScope xdg("XDG_CACHE_HOME", c.xdg);
        HardLinked("scene.qsd", kOld);
        ASSERT_TRUE(SaveKilledAt(Path("scene.qsd"), kNew, AfxReplaceStep::recoveryWritten));
        const std::string copy = AfxFindRecoveryCopy(Path("scene.qsd").c_str());
        EXPECT_EQ(copy.substr(0, copy.rfind('/')), c.folder);
        EXPECT_EQ(Mode(c.folder), 0700u);
        EXPECT_EQ(Read(copy), kNew);
        SaveReleasing(Path("scene.qsd"), kNew, {copy});
        EXPECT_FALSE(Exists(copy));
        ::unlink(Path("scene.qsd").c_str());
        ::unlink(Path("scene.qsd.link").c_str());
    }
}

// A cache folder that others could read or swap is refused: the save fails, naming the folder,
// before the file changes, and nothing is written there.
TEST_F(Recovery, AnUnsafeCacheFolderFailsTheSaveBeforeTheFileChanges) {
    ASSERT_EQ(::chmod(m_dir.c_str(), 01777), 0);
    ASSERT_EQ(::mkdir(m_cache.c_str(), 0700), 0);
    const std::string elsewhere = m_root + "/elsewhere";
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
    struct Case {
        const char* name;
        std::function<void()> make;
        bool bNeedsRoot;
    } cases[] = {
        {"a link to a private folder", [&] { ASSERT_EQ(::symlink(elsewhere.c_str(), CacheFolder().c_str()), 0); },
         false},
        {"a file", [&] { Write(CacheFolder(), ""); }, false},
        {"open to others", [&] { ASSERT_EQ(::mkdir(CacheFolder().c_str(), 0755), 0); }, false},
        {"open to the group", [&] { ASSERT_EQ(::mkdir(CacheFolder().c_str(), 0770), 0); ::chmod(CacheFolder().c_str(), 0770); },
         false},
        {"another user's",
         [&] {
             ASSERT_EQ(::mkdir(CacheFolder().c_str(), 0700), 0);
             ASSERT_EQ(::chown(CacheFolder().c_str(), 65534, 65534), 0);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bNeedsRoot && ::geteuid() != 0) {
            std::printf("skipped \"%s\": giving a folder to another user needs the superuser\n", c.name);
            continue;
        }
        c.make();
        HardLinked("scene.qsd", kOld);
        try {
            Save(Path("scene.qsd"), kNew);
            ADD_FAILURE() << "saved";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_strFileName, CString(CacheFolder().c_str()));
        }
        EXPECT_EQ(Read(Path("scene.qsd")), kOld);
        EXPECT_EQ(Entries(elsewhere), std::set<std::string>{});
        EXPECT_EQ(AfxFindRecoveryCopy(Path("scene.qsd").c_str()), "");
        ::unlink(Path("scene.qsd").c_str());
        ::unlink(Path("scene.qsd.link").c_str());
        ::unlink(CacheFolder().c_str());
        ::rmdir(CacheFolder().c_str());
    }
    // The same checks through the function itself: a safe folder opens, an existing one is kept.
    int fd = -1;
    EXPECT_EQ(AfxOpenPrivateFolder(CacheFolder().c_str(), &fd), 0);
    EXPECT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(Mode(CacheFolder()), 0700u);
    EXPECT_EQ(AfxOpenPrivateFolder(CacheFolder().c_str(), &fd), 0);
    ::close(fd);
    EXPECT_EQ(AfxOpenPrivateFolder((m_root + "/none/x").c_str(), &fd), ENOENT);
    EXPECT_EQ(fd, -1);
}

// A disk too full for the copy fails the save before the file changes, beside or in the cache, and
// leaves no copy and no temporary file.
TEST_F(Recovery, ACopyThatDoesNotFitFailsTheSave) {
    for (bool bInCache : {false, true}) {
        SCOPED_TRACE(bInCache ? "in the cache" : "beside");
        ASSERT_EQ(::chmod(m_dir.c_str(), bInCache ? 01777 : 0755), 0);
        HardLinked("scene.qsd", "old");
        const std::string big(4096, 'x');
        try {
            CFileSizeLimit limit(1024);
            ASSERT_TRUE(limit.IsSet());
            Save(Path("scene.qsd"), big);
            ADD_FAILURE() << "saved";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, CFileException::diskFull);
        }
        EXPECT_EQ(Read(Path("scene.qsd")), "old");
        EXPECT_EQ(Entries(m_dir), (std::set<std::string>{"scene.qsd", "scene.qsd.link"}));
        for (const std::string& e : Entries(CacheFolder())) ADD_FAILURE() << "left in the cache: " << e;
        ::unlink(Path("scene.qsd").c_str());
        ::unlink(Path("scene.qsd.link").c_str());
    }
}

// What the next completed save removes: the user's own regular files of this document's temporary
// pattern, and this document's copies when the caller lets it (as the program does for the copies its
// user answered for). Others' files, other documents' files, links, folders, look-alikes, and copies
// the caller keeps, stay.
TEST_F(Recovery, ACompletedSaveRemovesOnlyTheDocumentsOwnLeftovers) {
    const bool bRoot = ::geteuid() == 0;
    if (!bRoot) std::printf("skipped the other user's files: giving a file away needs the superuser\n");
    for (bool bLinked : {false, true}) {
        for (bool bReleased : {false, true}) {
            SCOPED_TRACE(std::string(bLinked ? "in place" : "by a rename") +
                         (bReleased ? ", copies released" : ", copies kept"));
            ASSERT_EQ(::mkdir(m_dir.c_str(), 0755) == 0 || errno == EEXIST, true);
            if (bLinked)
                HardLinked("scene.qsd", kOld);
            else
                Write(Path("scene.qsd"), kOld);
            Write(Path("victim"), "keep");
            const std::set<std::string> removed = {".scene.qsd.tmp1", ".scene.qsd.tmp123456789",
                                                   ".scene.qsd.recovery.qsd.tmp42"};
            for (const std::string& e : removed) Write(Path(e), "stale");
            Write(Path("scene.qsd.recovery.qsd"), "stale");
            std::set<std::string> kept = {".scene.qsd.tmp",   ".scene.qsd.tmp12x", ".scene.qsd.tmp-1",
                                          ".other.qsd.tmp5",  "scene.qsd.tmp5",    ".scene.qsd.tmp77",
                                          ".scene.qsd.tmp88", "other.qsd.recovery.qsd", "victim"};
            for (const std::string& e : kept)
                if (e != ".scene.qsd.tmp77" && e != ".scene.qsd.tmp88" && e != "victim") Write(Path(e), "other");
            ASSERT_EQ(::symlink("victim", Path(".scene.qsd.tmp77").c_str()), 0);
            ASSERT_EQ(::mkdir(Path(".scene.qsd.tmp88").c_str(), 0755), 0);
            if (bRoot) {
                Write(Path(".scene.qsd.tmp99"), "theirs");
                ASSERT_EQ(::chown(Path(".scene.qsd.tmp99").c_str(), 65534, 65534), 0);
                kept.insert(".scene.qsd.tmp99");
            }
            // A copy of this document left in the cache, and that of another document.
            ASSERT_EQ(MakeCacheLeftovers(), true);

            const std::string cacheCopy = CacheFolder() + "/" + m_sceneCacheCopy;
            if (bReleased)
                SaveReleasing(Path("scene.qsd"), kNew, {Path("scene.qsd.recovery.qsd"), cacheCopy});
            else
                Save(Path("scene.qsd"), kNew);
            EXPECT_EQ(Read(Path("scene.qsd")), kNew);
            std::set<std::string> expected = kept;
            expected.insert("scene.qsd");
            if (bLinked) expected.insert("scene.qsd.link");
            if (!bReleased) expected.insert("scene.qsd.recovery.qsd");
            EXPECT_EQ(Entries(m_dir), expected);
            EXPECT_EQ(Read(Path("victim")), "keep");
            std::set<std::string> expectedInCache = {m_otherCopy};
            if (!bReleased) expectedInCache.insert(m_sceneCacheCopy);
            EXPECT_EQ(Entries(CacheFolder()), expectedInCache);
            if (!bReleased) {
                EXPECT_EQ(Read(Path("scene.qsd.recovery.qsd")), "stale");
                EXPECT_EQ(Read(cacheCopy), kNew);
            }
            std::string cmd = "rm -rf '" + m_dir + "' '" + CacheFolder() + "'";
            ASSERT_EQ(std::system(cmd.c_str()), 0);
        }
    }
}

// A copy goes beside its document only in a folder of the user's own that only its owner may write;
// any other folder (writable by the group or by others, or another user's) gets it in the cache.
TEST_F(Recovery, ACopyGoesBesideOnlyInAFolderThatOnlyTheUserMayWrite) {
    const bool bRoot = ::geteuid() == 0;
    struct Case {
        const char* name;
        mode_t mode;
        uid_t owner;  // 0: the user's own
        bool bBeside;
    } cases[] = {
        {"own 0700", 0700, 0, true},          {"own 0755", 0755, 0, true},
        {"own 0750", 0750, 0, true},          {"own 0775 (the group may write)", 0775, 0, false},
        {"own 0757 (others may write)", 0757, 0, false}, {"own 0777", 0777, 0, false},
        {"own 01777", 01777, 0, false},       {"own 0555 (not even its owner may write)", 0555, 0, false},
        {"another user's 0755", 0755, 12345, false}, {"another user's 0700", 0700, 12345, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if ((c.owner != 0 || !(c.mode & S_IWUSR)) && !bRoot) {
            std::printf("skipped \"%s\": needs the superuser\n", c.name);
            continue;
        }
        const std::string folder = Path("sub");
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        HardLinked("sub/scene.qsd", kOld);
        ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);
        if (c.owner) {
            ASSERT_EQ(::chown(folder.c_str(), c.owner, c.owner), 0);
        }

        const std::string copy = CopyOfACutSave(Path("sub/scene.qsd"), kNew);
        if (c.bBeside)
            EXPECT_EQ(copy, folder + "/scene.qsd.recovery.qsd");
        else
            EXPECT_EQ(copy.rfind(CacheFolder() + "/", 0), 0u) << copy;
        EXPECT_EQ(Read(copy), kNew);
        EXPECT_EQ(Read(Path("sub/scene.qsd")), kOld);
        SaveReleasing(Path("sub/scene.qsd"), kNew, {copy});
        EXPECT_FALSE(Exists(copy));
        std::string cmd = "chmod 0700 '" + folder + "' && rm -rf '" + folder + "' '" + CacheFolder() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
}

// Whatever holds a copy's name beside the document, other than the user's own regular file the save
// may replace, is never renamed over or removed: the copy goes to the cache, the save completes, and
// the thing at the name is as it was.
TEST_F(Recovery, AnythingButAReleasedCopyAtTheCopysNameStaysAndTheCopyGoesToTheCache) {
    const bool bRoot = ::geteuid() == 0;
    const std::string name = Path("scene.qsd.recovery.qsd");
    struct stat planted{};
    struct Case {
        const char* what;
        std::function<void()> plant;
        std::function<void()> check;  // the thing is as it was planted
        bool bBeside;                  // the save may replace it
        bool bNeedsRoot;
    } cases[] = {
        {"a folder",
         [&] {
             ASSERT_EQ(::mkdir(name.c_str(), 0700), 0);
             Write(name + "/inside", "kept");
         },
         [&] { EXPECT_EQ(Read(name + "/inside"), "kept"); }, false, false},
        {"a link to a file",
         [&] {
             Write(Path("victim"), "kept");
             ASSERT_EQ(::symlink("victim", name.c_str()), 0);
         },
         [&] {
             char buf[64] = {};
             EXPECT_EQ(::readlink(name.c_str(), buf, sizeof buf - 1), 6);
             EXPECT_STREQ(buf, "victim");
             EXPECT_EQ(Read(Path("victim")), "kept");
         },
         false, false},
        {"a dangling link", [&] { ASSERT_EQ(::symlink("nowhere", name.c_str()), 0); },
         [&] { EXPECT_FALSE(Exists(Path("nowhere"))); }, false, false},
        {"a named pipe", [&] { ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0); },
         [&] {}, false, false},
        {"another user's file",
         [&] {
             Write(name, "theirs");
             ASSERT_EQ(::chown(name.c_str(), 12345, 12345), 0);
         },
         [&] {
             EXPECT_EQ(Read(name), "theirs");
             struct stat st{};
             ASSERT_EQ(::lstat(name.c_str(), &st), 0);
             EXPECT_EQ(st.st_uid, 12345u);
         },
         false, true},
        {"the user's own file, kept", [&] { Write(name, "a copy someone works in"); },
         [&] { EXPECT_EQ(Read(name), "a copy someone works in"); }, false, false},
        {"the user's own file, released", [&] { Write(name, "an answered copy"); }, [&] {}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bNeedsRoot && !bRoot) {
            std::printf("skipped \"%s\": giving a file away needs the superuser\n", c.what);
            continue;
        }
        HardLinked("scene.qsd", kOld);
        c.plant();
        ASSERT_EQ(::lstat(name.c_str(), &planted), 0);
        const std::set<std::string> released = c.bBeside ? std::set<std::string>{name} : std::set<std::string>{};

        // Where a save puts its copy (cut short once the copy is complete: the file is untouched).
        const std::string copy = CopyOfACutSave(Path("scene.qsd"), kNew, released);
        if (c.bBeside) {
            EXPECT_EQ(copy, name);
        } else {
            EXPECT_EQ(copy.rfind(CacheFolder() + "/", 0), 0u) << copy;
            struct stat now{};
            ASSERT_EQ(::lstat(name.c_str(), &now), 0);
            EXPECT_EQ(now.st_ino, planted.st_ino);
            EXPECT_EQ(now.st_mode, planted.st_mode);
            c.check();
        }
        EXPECT_EQ(Read(copy), kNew);
        EXPECT_EQ(Read(Path("scene.qsd")), kOld);

        // A completed save (that may remove the copy the cut one left, as the program may).
        std::set<std::string> mayGo = released;
        mayGo.insert(copy);
        SaveReleasing(Path("scene.qsd"), kNew, mayGo);
        EXPECT_EQ(Read(Path("scene.qsd")), kNew);
        EXPECT_EQ(Entries(CacheFolder()), std::set<std::string>{});
        if (c.bBeside) {
            EXPECT_FALSE(Exists(name));
        } else {
            struct stat now{};
            ASSERT_EQ(::lstat(name.c_str(), &now), 0);
            EXPECT_EQ(now.st_ino, planted.st_ino);
            c.check();
        }
        std::string cmd = "rm -rf '" + m_dir + "' '" + CacheFolder() + "' && mkdir -m 0755 '" + m_dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
}

// Copies that must stay hold their names: each new copy takes the next name in the cache, and when
// every name is held the save fails before the file changes, naming the first name in the cache. A
// name the caller lets go is taken again, and only that copy goes.
TEST_F(Recovery, CopiesThatStayHoldTheirNamesAndTheNextCopyTakesAnother) {
    HardLinked("scene.qsd", kOld);
    Write(Path("scene.qsd.recovery.qsd"), "kept beside");
    std::vector<std::string> copies;
    for (int i = 2; i <= 10; i++) {
        SCOPED_TRACE(i);
        const std::string copy = CopyOfACutSave(Path("scene.qsd"), "cut " + std::to_string(i));
        ASSERT_EQ(copy.rfind(CacheFolder() + "/", 0), 0u) << copy;
        copies.push_back(copy);
    }
    const std::string hash = copies[0].substr(CacheFolder().size() + 1, 16);
    EXPECT_EQ(copies[0], CacheFolder() + "/" + hash + "-scene.qsd.recovery.qsd");
    EXPECT_EQ(copies[1], CacheFolder() + "/" + hash + ".2-scene.qsd.recovery.qsd");
    EXPECT_EQ(copies[8], CacheFolder() + "/" + hash + ".9-scene.qsd.recovery.qsd");
    std::vector<std::string> found;
    for (const AfxRecoveryCopy& c : AfxFindRecoveryCopies(Path("scene.qsd").c_str())) found.push_back(c.path);
    std::vector<std::string> expected = {Path("scene.qsd.recovery.qsd")};
    expected.insert(expected.end(), copies.begin(), copies.end());
    EXPECT_EQ(found, expected);

    try {
        Save(Path("scene.qsd"), kNew);
        ADD_FAILURE() << "saved";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::accessDenied);
        EXPECT_EQ(e.m_lOsError, EEXIST);
        EXPECT_EQ(e.m_strFileName, CString(copies[0].c_str()));
    }
    EXPECT_EQ(Read(Path("scene.qsd")), kOld);
    for (int i = 0; i < 9; i++) EXPECT_EQ(Read(copies[i]), "cut " + std::to_string(i + 2));

    SaveReleasing(Path("scene.qsd"), kNew, {copies[4]});
    EXPECT_EQ(Read(Path("scene.qsd")), kNew);
    EXPECT_FALSE(Exists(copies[4]));
    EXPECT_EQ(Read(Path("scene.qsd.recovery.qsd")), "kept beside");
    for (int i = 0; i < 9; i++) {
        if (i != 4) {
            EXPECT_EQ(Read(copies[i]), "cut " + std::to_string(i + 2));
        }
    }
}

// The stamp a caller is asked about tells a copy from the same copy rewritten or replaced.
TEST_F(Recovery, TheStampTellsACopyFromItsRewrite) {
    HardLinked("scene.qsd", kOld);
    const std::string copy = CopyOfACutSave(Path("scene.qsd"), kNew);
    const std::vector<AfxRecoveryCopy> before = AfxFindRecoveryCopies(Path("scene.qsd").c_str());
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0].path, copy);
    EXPECT_EQ(AfxFindRecoveryCopies(Path("scene.qsd").c_str())[0].stamp, before[0].stamp);
    // Rewritten in place with bytes of the same length, and replaced by a rename.
    {
        std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
        f.write("X", 1);
    }
    const AfxFileStamp rewritten = AfxFindRecoveryCopies(Path("scene.qsd").c_str())[0].stamp;
    EXPECT_NE(rewritten, before[0].stamp);
    Write(copy + ".new", kNew);
    ASSERT_EQ(::rename((copy + ".new").c_str(), copy.c_str()), 0);
    EXPECT_NE(AfxFindRecoveryCopies(Path("scene.qsd").c_str())[0].stamp, rewritten);
    EXPECT_EQ(AfxCanonicalFilePath((m_dir + "/../docs/scene.qsd").c_str()), Path("scene.qsd"));
}

}  // namespace
