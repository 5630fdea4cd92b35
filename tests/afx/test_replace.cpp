// AfxReplaceFileContents: a save over a file changes its bytes and nothing else. Each case sets up a
// file, saves over it, and checks the content, the inode (renamed or written in place), the links,
// owner, group and mode, and what a refused save leaves.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "afxtest.h"
#include "filesizelimit.h"

namespace {

class Replace : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/afxreplaceXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        std::string cmd = "chmod -R u+w '" + m_dir + "' && rm -rf '" + m_dir + "'";
        (void)std::system(cmd.c_str());
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static struct stat Stat(const std::string& path) {
        struct stat st{};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st;
    }
    static bool IsLink(const std::string& path) {
        struct stat st{};
        return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }
    // The folder's entries, hidden ones too: a temporary file left behind would show.
    std::string Entries() const {
        std::string cmd = "ls -A '" + m_dir + "' > '" + m_dir + ".ls'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        std::string out = Read(m_dir + ".ls");
        ::unlink((m_dir + ".ls").c_str());
        for (char& c : out)
            if (c == '\n') c = ' ';
        return out;
    }
    static void Save(const std::string& path, const std::string& text) {
        AfxReplaceFileContents(path.c_str(), reinterpret_cast<const BYTE*>(text.data()), text.size());
    }

    std::string m_dir;
};

const std::string kNew = "the new content, longer than the old";

TEST_F(Replace, AnOwnFileWithOneLinkIsReplacedByARenameKeepingItsMode) {
    const std::string path = Path("scene.qsd");
    Write(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const struct stat before = Stat(path);
    Save(path, kNew);
    const struct stat after = Stat(path);
    EXPECT_EQ(Read(path), kNew);
    EXPECT_NE(after.st_ino, before.st_ino) << "a new file took the name";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(Entries(), "scene.qsd ");
}

TEST_F(Replace, AHardLinkedFileIsWrittenInPlaceAndBothNamesSeeIt) {
    const std::string path = Path("scene.qsd");
    Write(path, "an old content that is longer than the new");
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    ASSERT_EQ(::link(path.c_str(), Path("other.qsd").c_str()), 0);
    const struct stat before = Stat(path);
    Save(path, "short");
    const struct stat after = Stat(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(Read(path), "short");
    EXPECT_EQ(Read(Path("other.qsd")), "short");  // truncated to the new length
    EXPECT_EQ(Entries(), "other.qsd scene.qsd ");
}

TEST_F(Replace, AnotherOwnersFileKeepsItsOwnerAndAGroupIsKept) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file away needs the superuser";
    struct Case {
        const char* name;
        uid_t uid;
        gid_t gid;
        bool bInPlace;
    } cases[] = {
        {"another owner", 65534, 65534, true},
        {"own file, another group", 0, 65534, false},  // the rename path gives the new file the group
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("scene.qsd");
        Write(path, "old");
        ASSERT_EQ(::chown(path.c_str(), c.uid, c.gid), 0);
        ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
        const struct stat before = Stat(path);
        Save(path, kNew);
        const struct stat after = Stat(path);
        EXPECT_EQ(Read(path), kNew);
        EXPECT_EQ(after.st_ino == before.st_ino, c.bInPlace);
        EXPECT_EQ(after.st_uid, c.uid);
        EXPECT_EQ(after.st_gid, c.gid);
        EXPECT_EQ(after.st_mode & 07777, 0664u);
        EXPECT_EQ(Entries(), "scene.qsd ");
        ::unlink(path.c_str());
    }
}

TEST_F(Replace, SymbolicLinksAreWrittenThrough) {
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 0755), 0);
    Write(Path("sub/target.qsd"), "old");
    ASSERT_EQ(::symlink("sub/target.qsd", Path("link.qsd").c_str()), 0);
    ASSERT_EQ(::symlink("link.qsd", Path("chain.qsd").c_str()), 0);
    ASSERT_EQ(::symlink("missing.qsd", Path("sub/dangling.qsd").c_str()), 0);

    Save(Path("chain.qsd"), kNew);
    EXPECT_TRUE(IsLink(Path("chain.qsd")));
    EXPECT_TRUE(IsLink(Path("link.qsd")));
    EXPECT_EQ(Read(Path("sub/target.qsd")), kNew);

    // A dangling link: the file it names is created beside the link, relative to the link's folder.
    Save(Path("sub/dangling.qsd"), "made");
    EXPECT_TRUE(IsLink(Path("sub/dangling.qsd")));
    EXPECT_EQ(Read(Path("sub/missing.qsd")), "made");
    EXPECT_EQ(Entries(), "chain.qsd link.qsd sub ");

    // A loop of links is a bad path; nothing is created.
    ASSERT_EQ(::symlink("loop2.qsd", Path("loop1.qsd").c_str()), 0);
    ASSERT_EQ(::symlink("loop1.qsd", Path("loop2.qsd").c_str()), 0);
    try {
        Save(Path("loop1.qsd"), kNew);
        ADD_FAILURE() << "saved through a loop";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::badPath);
    }
}

TEST_F(Replace, ANewFileIsCreated) {
    const mode_t mask = ::umask(022);
    Save(Path("new.qsd"), kNew);
    ::umask(mask);
    EXPECT_EQ(Read(Path("new.qsd")), kNew);
    EXPECT_EQ(Stat(Path("new.qsd")).st_mode & 07777, 0644u);
    EXPECT_EQ(Entries(), "new.qsd ");
}

// Refused before anything changes: read-only for its owner (whoever saves, the superuser too), a
// folder, a named pipe (never waited on), a missing folder.
TEST_F(Replace, RefusedFilesStayAsTheyWere) {
    Write(Path("ro.qsd"), "old");
    ASSERT_EQ(::chmod(Path("ro.qsd").c_str(), 0444), 0);
    ASSERT_EQ(::link(Path("ro.qsd").c_str(), Path("ro2.qsd").c_str()), 0);
    ASSERT_EQ(::mkdir(Path("folder.qsd").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(Path("pipe.qsd").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("ro.qsd", Path("rolink.qsd").c_str()), 0);
    struct Case {
        std::string name;
        int nCause;
        std::string message;
    } cases[] = {
        {"ro.qsd", CFileException::accessDenied, "Access to %s was denied."},
        {"ro2.qsd", CFileException::accessDenied, "Access to %s was denied."},
        {"rolink.qsd", CFileException::accessDenied, "Access to %s was denied."},
        {"folder.qsd", CFileException::accessDenied, "Access to %s was denied."},
        {"pipe.qsd", CFileException::genericException, "An unexpected error occurred while accessing %s."},
        {"none/x.qsd", CFileException::fileNotFound, "%s was not found."},
    };
    const std::string before = Entries();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path(c.name);
        try {
            Save(path, kNew);
            ADD_FAILURE() << "saved";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, c.nCause);
            CString expected;
            expected.Format(c.message.c_str(), path.c_str());
            EXPECT_EQ(e.GetErrorMessage(), expected);
        }
    }
    EXPECT_EQ(Read(Path("ro.qsd")), "old");
    EXPECT_EQ(Stat(Path("ro.qsd")).st_mode & 07777, 0444u);
    EXPECT_EQ(Entries(), before);
}

// A disk too full for the new content: the save fails before a byte of the old file changes, in place
// (the size is reserved first) and by a rename (the temporary file fails) alike.
TEST_F(Replace, AFullDiskFailsBeforeTheOldContentChanges) {
    const std::string old = "old content";
    for (bool bLinked : {true, false}) {
        SCOPED_TRACE(bLinked ? "in place" : "by a rename");
        const std::string path = Path("scene.qsd");
        Write(path, old);
        if (bLinked) {
            ASSERT_EQ(::link(path.c_str(), Path("other.qsd").c_str()), 0);
        }
        try {
            CFileSizeLimit limit(old.size() + 4);
            ASSERT_TRUE(limit.IsSet());
            Save(path, kNew);
            ADD_FAILURE() << "saved";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, CFileException::diskFull);
            EXPECT_EQ(e.m_strFileName, CString(path.c_str()));
        }
        EXPECT_EQ(Read(path), old);
        EXPECT_EQ(Stat(path).st_size, static_cast<off_t>(old.size()));
        EXPECT_EQ(Entries(), bLinked ? "other.qsd scene.qsd " : "scene.qsd ");
        ::unlink(path.c_str());
        ::unlink(Path("other.qsd").c_str());
    }
}

}  // namespace
