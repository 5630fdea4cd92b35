#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <cerrno>
#include <cstdlib>

#include "afxtest.h"

namespace {

class CFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/afxfileXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + m_dir + "'";
        (void)std::system(cmd.c_str());
    }
    std::string Path(const char* name) const { return m_dir + "/" + name; }
    std::string m_dir;
};

TEST_F(CFileTest, WriteReadSeek) {
    std::string path = Path("a.bin");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        f.Write("hello world", 11);
        EXPECT_EQ(f.GetLength(), 11u);
        f.Close();
    }
    CFile f;
    ASSERT_TRUE(f.Open(path.c_str(), CFile::modeRead));
    EXPECT_EQ(f.GetFilePath(), CString(path.c_str()));
    EXPECT_EQ(f.GetFileName(), "a.bin");
    char buf[32] = {};
    EXPECT_EQ(f.Read(buf, 5), 5u);
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(f.Seek(-5, CFile::end), 6u);
    EXPECT_EQ(f.Read(buf, 32), 5u);  // short read at the end
    EXPECT_EQ(f.Read(buf, 32), 0u);
    f.SeekToBegin();
    EXPECT_EQ(f.GetPosition(), 0u);
    try {
        f.Seek(-1, CFile::begin);
        ADD_FAILURE();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::badSeek);
    }
    f.Close();
    f.Close();  // closing twice does nothing
}

TEST_F(CFileTest, CreateTruncatesUnlessNoTruncate) {
    std::string path = Path("t.bin");
    { CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite); f.Write("12345", 5); }
    { CFile f(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite); EXPECT_EQ(f.GetLength(), 5u); }
    { CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite); EXPECT_EQ(f.GetLength(), 0u); }
}

TEST_F(CFileTest, OpenFailuresNameTheCauseAndTheFile) {
    std::string missing = Path("missing.qsd");
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(missing.c_str(), CFile::modeRead, &e));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_lOsError, ENOENT);
    EXPECT_EQ(e.GetErrorMessage(), CString(missing.c_str()) + " was not found.");
    try {
        CFile g(missing.c_str(), CFile::modeRead);
        ADD_FAILURE();
    } catch (const CFileException& x) {
        EXPECT_EQ(x.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(x.m_strFileName, CString(missing.c_str()));
    }
    EXPECT_FALSE(f.Open(m_dir.c_str(), CFile::modeRead, &e));  // a directory
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_FALSE(f.Open((Path("no/such/dir")).c_str(), CFile::modeCreate | CFile::modeWrite, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(CFileException(CFileException::accessDenied, -1, "x.qsd").GetErrorMessage(),
              "Access to x.qsd was denied.");
    EXPECT_EQ(CFileException(CFileException::diskFull).GetErrorMessage(),
              "The disk is full while accessing an unnamed file.");
}

// A named pipe, a socket or a device is not a file: refused at once (a pipe without a writer would
// block a read open, one without a reader a write open), the same way for every mode, and a
// symbolic link to one is refused alike.
TEST_F(CFileTest, OnlyRegularFilesOpen) {
    const std::string fifo = Path("pipe.qsd");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string sock = Path("sock.qsd");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sock.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::string link = Path("link.qsd");
    ASSERT_EQ(::symlink(fifo.c_str(), link.c_str()), 0);
    for (const std::string& path : {fifo, sock, link, std::string("/dev/null"), std::string("/dev/zero")}) {
        for (UINT mode : {UINT(CFile::modeRead), UINT(CFile::modeWrite), UINT(CFile::modeCreate | CFile::modeWrite),
                          UINT(CFile::modeReadWrite)}) {
            SCOPED_TRACE(path + " mode " + std::to_string(mode));
            CFile f;
            CFileException e;
            EXPECT_FALSE(f.Open(path.c_str(), mode, &e));
            EXPECT_FALSE(f.IsOpen());
            EXPECT_EQ(e.m_cause, CFileException::genericException);
            EXPECT_EQ(e.m_lOsError, -1);
            EXPECT_EQ(e.GetErrorMessage(), CString(("An unexpected error occurred while accessing " + path + ".").c_str()));
        }
    }
    ::close(s);
    // A regular file behind a link opens, and blocks as a file does (not at all).
    const std::string file = Path("file.qsd");
    { CFile f(file.c_str(), CFile::modeCreate | CFile::modeWrite); }
    ASSERT_EQ(::symlink(file.c_str(), Path("filelink.qsd").c_str()), 0);
    CFile f;
    EXPECT_TRUE(f.Open(Path("filelink.qsd").c_str(), CFile::modeRead));
}

TEST_F(CFileTest, RemoveAndRename) {
    std::string a = Path("a"), b = Path("b");
    { CFile f(a.c_str(), CFile::modeCreate | CFile::modeWrite); }
    CFile::Rename(a.c_str(), b.c_str());
    CFile::Remove(b.c_str());
    EXPECT_THROW(CFile::Remove(b.c_str()), CFileException);
}

TEST(CMemFileOps, ReadWriteSeek) {
    CMemFile m;
    m.Write("abcdef", 6);
    EXPECT_EQ(m.GetLength(), 6u);
    m.Seek(2, CFile::begin);
    m.Write("XY", 2);
    m.SeekToBegin();
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 6u);
    EXPECT_STREQ(buf, "abXYef");
    m.Seek(10, CFile::begin);  // past the end: a later write fills the gap with zeros
    m.Write("z", 1);
    EXPECT_EQ(m.GetLength(), 11u);
    EXPECT_EQ(m.GetBytes()[7], 0);
    EXPECT_THROW(m.Seek(-1, CFile::begin), CFileException);
    m.Close();
    EXPECT_THROW(m.Read(buf, 1), CFileException);
    EXPECT_EQ(m.DetachBytes().size(), 11u);
}

}  // namespace
