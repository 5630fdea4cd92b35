// Document files: a save changes only the file's bytes (links, owner and mode stay) and a failed save
// keeps the old file (and leaves no temporary file); loads name the file in their messages.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "afx/filesizelimit.h"
#include "document/doctest.h"

namespace {

namespace fs = std::filesystem;

TEST_F(DocTest, ASavedFileLoadsBack) {
    TempDir dir;
    const std::string path = dir.Path("scene.qsd");
    KTSaveResult saved = KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str()));
    ASSERT_TRUE(saved.bSaved) << saved.error.strMessage.GetString();
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"scene.qsd"});
    EXPECT_EQ(ReadFileBytes(path), m_userBytes);
    LoadedDoc doc(KTLoadDocumentFile(CString(path.c_str())));
    ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
    EXPECT_EQ(doc.r.path, KTLoadPath::first);
    EXPECT_EQ(TextOf(doc.book()), TextOf(*User()));

    // The retry rewinds the file itself.
    const std::string old = dir.Path("old.qsd");
    WriteFileBytes(old, FzdMakeDocument(FzdScene::typed, nullptr, 0.0f));
    LoadedDoc retried(KTLoadDocumentFile(CString(old.c_str())));
    ASSERT_EQ(retried.r.status, KTLoadStatus::loaded);
    EXPECT_EQ(retried.r.path, KTLoadPath::retry);
    EXPECT_EQ(TextOf(retried.book()), TextOf(*User()));
}

TEST_F(DocTest, ASaveOverAFileKeepsItsPermissionsAndLinks) {
    TempDir dir;
    const std::string path = dir.Path("scene.qsd");
    WriteFileBytes(path, {1, 2, 3});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    fs::create_symlink("scene.qsd", dir.Path("link.qsd"));

    ASSERT_TRUE(KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str())).bSaved);
    EXPECT_EQ(ReadFileBytes(path), m_userBytes);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));

    // Through the link: the link stays, the file it names is replaced.
    FzdBytes other = KTSaveDocument(*User(), 320, 200);
    ASSERT_TRUE(KTSaveDocumentFile(*User(), 320, 200, CString(dir.Path("link.qsd").c_str())).bSaved);
    EXPECT_TRUE(fs::is_symlink(dir.Path("link.qsd")));
    EXPECT_EQ(ReadFileBytes(path), other);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.qsd", "scene.qsd"}));

    // A second name of the file: both names see the new document.
    ASSERT_EQ(::link(path.c_str(), dir.Path("second.qsd").c_str()), 0);
    ASSERT_TRUE(KTSaveDocumentFile(*User(), 640, 480, CString(dir.Path("second.qsd").c_str())).bSaved);
    EXPECT_EQ(ReadFileBytes(path), m_userBytes);
    EXPECT_EQ(ReadFileBytes(dir.Path("second.qsd")), m_userBytes);
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));

    // A read-only file is refused, also for the superuser, and stays as it was.
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    KTSaveResult refused = KTSaveDocumentFile(*User(), 320, 200, CString(path.c_str()));
    EXPECT_FALSE(refused.bSaved);
    EXPECT_EQ(refused.error.nCause, CFileException::accessDenied);
    EXPECT_EQ(refused.error.strMessage, "Access to " + CString(path.c_str()) + " was denied.");
    EXPECT_EQ(ReadFileBytes(path), m_userBytes);
}

TEST_F(DocTest, AFailedSaveKeepsTheOldFile) {
    TempDir dir;
    const FzdBytes kOld = {'o', 'l', 'd'};
    struct Case {
        const char* name;
        int nCause;
        const char* message;  // %s: the path
    };
    const Case cases[] = {
        {"write fails", CFileException::diskFull, "The disk is full while accessing %s."},
        {"folder is a file", CFileException::badPath, "%s contains an incorrect path."},
        {"target is a folder", CFileException::accessDenied, "Access to %s was denied."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name;
        std::string path = dir.Path("scene.qsd");
        std::unique_ptr<CFileSizeLimit> limit;
        if (name == "write fails") {
            WriteFileBytes(path, kOld);
            limit = std::make_unique<CFileSizeLimit>(100);
            ASSERT_TRUE(limit->IsSet());
        } else if (name == "folder is a file") {
            WriteFileBytes(dir.Path("notafolder"), kOld);
            path = dir.Path("notafolder/scene.qsd");
        } else {
            fs::create_directory(path);
        }
        KTSaveResult saved = KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str()));
        limit.reset();
        EXPECT_FALSE(saved.bSaved);
        EXPECT_EQ(saved.error.nKind, KTDocumentError::file);
        EXPECT_EQ(saved.error.nCause, c.nCause);
        CString expected;
        expected.Format(c.message, path.c_str());
        EXPECT_EQ(saved.error.strMessage, expected);
        // Nothing changed and no temporary file is left.
        if (name == "write fails") {
            EXPECT_EQ(ReadFileBytes(path), kOld);
            EXPECT_EQ(dir.Names(), std::vector<std::string>{"scene.qsd"});
        } else if (name == "folder is a file") {
            EXPECT_EQ(ReadFileBytes(dir.Path("notafolder")), kOld);
            EXPECT_EQ(dir.Names(), std::vector<std::string>{"notafolder"});
        } else {
            EXPECT_TRUE(fs::is_directory(path));
            EXPECT_TRUE(fs::is_empty(path));
            EXPECT_EQ(dir.Names(), std::vector<std::string>{"scene.qsd"});
        }
        fs::remove_all(dir.Path("scene.qsd"));
        fs::remove_all(dir.Path("notafolder"));
    }
}

TEST_F(DocTest, LoadsNameTheFileInTheirMessages) {
    TempDir dir;
    const std::string missing = dir.Path("missing.qsd");
    LoadedDoc none(KTLoadDocumentFile(CString(missing.c_str())));
    EXPECT_EQ(none.r.status, KTLoadStatus::openFailed);
    EXPECT_EQ(none.r.error.nKind, KTDocumentError::file);
    EXPECT_EQ(none.r.error.nCause, CFileException::fileNotFound);
    EXPECT_EQ(none.r.strMessage, CString(missing.c_str()) + " was not found.");

    const std::string broken = dir.Path("broken.qsd");
    WriteFileBytes(broken, {0x13, 'v', 'e', 'r'});
    LoadedDoc bad(KTLoadDocumentFile(CString(broken.c_str())));
    EXPECT_EQ(bad.r.status, KTLoadStatus::failed);
    EXPECT_EQ(bad.r.strMessage,
              "The data from this pre-release or unidentified version file could not be loaded because of this "
              "error: \nAn attempt was made to access " +
                  CString(broken.c_str()) + " past its end.");
}

// A save in place cut short after the recovery copy is complete (here by a failure at that step, as a
// kill would): the file is the old document or a blend, the copy named for it is the new document and
// loads as the scene that was saved; the next completed save leaves no copy.
TEST_F(DocTest, ASaveInPlaceCutShortLeavesTheWholeDocumentInItsRecoveryCopy) {
    static AfxReplaceStep s_cutAt;
    struct Case {
        const char* name;
        AfxReplaceStep step;
        bool bFileOld;  // the file still holds the old document (else a blend of the two)
    } cases[] = {
        {"copy complete", AfxReplaceStep::recoveryWritten, true},
        {"bytes written, not cut", AfxReplaceStep::contentWritten, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.Path("scene.qsd");
        // An old document longer than the new one, with a second name: the save writes in place.
        FzdBytes old = m_userBytes;
        old.insert(old.end() - 8, 4096, BYTE(0xAB));
        WriteFileBytes(path, old);
        ASSERT_EQ(::link(path.c_str(), dir.Path("second.qsd").c_str()), 0);

        s_cutAt = c.step;
        const AfxReplaceStepHook pOld = AfxSetReplaceStepHookForTesting([](AfxReplaceStep step) {
            if (step == s_cutAt) AfxThrowFileException(CFileException::genericException);
        });
        EXPECT_FALSE(KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str())).bSaved);
        AfxSetReplaceStepHookForTesting(pOld);

        const FzdBytes file = ReadFileBytes(path);
        if (c.bFileOld) {
            EXPECT_EQ(file, old);
        } else {
            EXPECT_NE(file, old);
            EXPECT_NE(file, m_userBytes);
        }
        const CString copy = KTFindRecoveryCopy(CString(path.c_str()));
        EXPECT_EQ(copy, CString(dir.Path("scene.qsd.recovery.qsd").c_str()));
        EXPECT_EQ(ReadFileBytes(copy.str()), m_userBytes);
        LoadedDoc doc(KTLoadDocumentFile(copy));
        ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
        EXPECT_EQ(TextOf(doc.book()), TextOf(*User()));

        ASSERT_TRUE(KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str())).bSaved);
        EXPECT_EQ(ReadFileBytes(path), m_userBytes);
        EXPECT_EQ(KTFindRecoveryCopy(CString(path.c_str())), CString());
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"scene.qsd", "second.qsd"}));
    }
}

}  // namespace
