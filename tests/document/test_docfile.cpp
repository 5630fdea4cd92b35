// Document files: a save changes only the file's bytes (links, owner and mode stay) and a failed save
// keeps the old file (and leaves no temporary file); loads name the file in their messages; the
// session's ledger of recovery copies decides which copies a save may remove.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "afx/envscope.h"
#include "afx/filesizelimit.h"
#include "document/doctest.h"
#include "kinetype/ktrecoveryledger.h"

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
// loads as the scene that was saved. With the session's ledger, the copy goes with the next completed
// save (the save that left it was this session's own); without one (another program's save, say) it
// stays.
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
        for (bool bLedger : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (bLedger ? ", with the ledger" : ", without a ledger"));
            TempDir dir;
            const std::string path = dir.Path("scene.qsd");
            // An old document longer than the new one, with a second name: the save writes in place.
            FzdBytes old = m_userBytes;
            old.insert(old.end() - 8, 4096, BYTE(0xAB));
            WriteFileBytes(path, old);
            ASSERT_EQ(::link(path.c_str(), dir.Path("second.qsd").c_str()), 0);
            CKTRecoveryLedger ledger;
            CKTRecoveryLedger* pLedger = bLedger ? &ledger : nullptr;

            s_cutAt = c.step;
            const AfxReplaceStepHook pOld = AfxSetReplaceStepHookForTesting([](AfxReplaceStep step) {
                if (step == s_cutAt) AfxThrowFileException(CFileException::genericException);
            });
            EXPECT_FALSE(KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str()), pLedger).bSaved);
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
            // The open notice asks about it all the same: the file may be a blend.
            EXPECT_EQ(ledger.Find(CString(path.c_str())).strPath, copy);
            EXPECT_FALSE(ledger.Find(CString(path.c_str())).bAnswered);

            ASSERT_TRUE(KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str()), pLedger).bSaved);
            EXPECT_EQ(ReadFileBytes(path), m_userBytes);
            if (bLedger) {
                EXPECT_EQ(KTFindRecoveryCopy(CString(path.c_str())), CString());
                EXPECT_EQ(dir.Names(), (std::vector<std::string>{"scene.qsd", "second.qsd"}));
            } else {
                EXPECT_EQ(KTFindRecoveryCopy(CString(path.c_str())), copy);
                EXPECT_EQ(dir.Names(), (std::vector<std::string>{"scene.qsd", "scene.qsd.recovery.qsd", "second.qsd"}));
            }
        }
    }
}

// What the session's ledger makes of a copy beside a document: the copy the open notice is about,
// and whether the document's next save may remove it. An answer holds while the copy is the file it
// was when answered; a file opened or saved as a document is never a copy to remove or to ask about.
TEST_F(DocTest, TheLedgerLetsASaveRemoveOnlyAnsweredUnchangedCopies) {
    using Ledger = CKTRecoveryLedger;
    struct Case {
        const char* name;
        std::function<void(Ledger&, const CString& doc, const CString& copy)> history;
        bool bAsked;      // Find names the copy, not answered
        bool bAnswered;   // Find names the copy, answered
        Ledger::Answer answer;
        bool bRemoved;    // the document's next save through the ledger removes the copy
    };
    auto answer = [](Ledger::Answer a) {
        return [a](Ledger& l, const CString& doc, const CString&) { l.Answered(doc, l.Find(doc), a); };
    };
    const Case cases[] = {
        {"nothing answered", [](Ledger&, const CString&, const CString&) {}, true, false, Ledger::openFile, false},
        {"declined", answer(Ledger::openFile), false, true, Ledger::openFile, true},
        {"recovered", answer(Ledger::recover), false, true, Ledger::recover, true},
        {"declined, then the copy rewritten",
         [](Ledger& l, const CString& doc, const CString& copy) {
             l.Answered(doc, l.Find(doc), Ledger::openFile);
             WriteFileBytes(copy.str(), {1, 2, 3});
         },
         true, false, Ledger::openFile, false},
        {"declined, then the copy opened as a document",
         [](Ledger& l, const CString& doc, const CString& copy) {
             l.Answered(doc, l.Find(doc), Ledger::openFile);
             l.AddDocument(copy);
         },
         false, false, Ledger::openFile, false},
        {"declined for another document",
         [](Ledger& l, const CString& doc, const CString&) {
             Ledger::Copy c = l.Find(doc);
             l.Answered(doc + ".other", c, Ledger::openFile);
         },
         true, false, Ledger::openFile, false},
        {"left by a failed save of this session",
         [](Ledger& l, const CString& doc, const CString& copy) { l.LeftBySave(doc, copy.str()); }, true, false,
         Ledger::openFile, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const CString doc(dir.Path("scene.qsd").c_str());
        const CString copy(dir.Path("scene.qsd.recovery.qsd").c_str());
        WriteFileBytes(doc.str(), m_userBytes);
        WriteFileBytes(copy.str(), m_userBytes);
        Ledger ledger;
        c.history(ledger, doc, copy);

        const Ledger::Copy found = ledger.Find(doc);
        EXPECT_EQ(found.strPath, c.bAsked || c.bAnswered ? copy : CString());
        EXPECT_EQ(found.bAnswered, c.bAnswered ? TRUE : FALSE);
        if (c.bAnswered) {
            EXPECT_EQ(found.answer, c.answer);
        }

        ASSERT_TRUE(KTSaveDocumentFile(*User(), 640, 480, doc, &ledger).bSaved);
        EXPECT_EQ(fs::exists(copy.str()), !c.bRemoved);
        // The saved file is a document of the session now.
        EXPECT_TRUE(ledger.IsDocument(doc.str()));
    }
}

// When every name a copy could take is held by copies that must stay, the save fails before the file
// changes and says why, naming the first name in the cache.
TEST_F(DocTest, ASaveWhoseCopyFindsNoNameSaysWhy) {
    TempDir dir;
    const std::string cache = dir.Path("cache");
    CEnvScope xdg("XDG_CACHE_HOME", cache);
    const std::string path = dir.Path("scene.qsd");
    WriteFileBytes(path, {9, 9, 9});
    ASSERT_EQ(::link(path.c_str(), dir.Path("second.qsd").c_str()), 0);
    // Ten saves cut short, each leaving a copy that no one answered for: beside, then nine in the cache.
    const AfxReplaceStepHook pOld = AfxSetReplaceStepHookForTesting([](AfxReplaceStep step) {
        if (step == AfxReplaceStep::recoveryWritten) AfxThrowFileException(CFileException::genericException);
    });
    for (int i = 0; i < 10; i++) EXPECT_FALSE(KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str())).bSaved);
    AfxSetReplaceStepHookForTesting(pOld);
    EXPECT_EQ(AfxFindRecoveryCopies(path.c_str()).size(), 10u);

    const KTSaveResult s = KTSaveDocumentFile(*User(), 640, 480, CString(path.c_str()));
    EXPECT_FALSE(s.bSaved);
    const std::vector<AfxRecoveryCopy> copies = AfxFindRecoveryCopies(path.c_str());
    ASSERT_EQ(copies.size(), 10u);
    EXPECT_EQ(s.error.strMessage, KTCopyNamesHeldMessage(CString(path.c_str()), CString(copies[1].path.c_str())));
    EXPECT_EQ(s.error.strMessage, CString(path.c_str()) +
                                      " was not saved: this save writes a recovery copy first, and every name that copy "
                                      "could take is held by another file, such as\n" +
                                      CString(copies[1].path.c_str()) +
                                      "\nNothing was changed. Move those files away, then save again.");
    EXPECT_EQ(ReadFileBytes(path), (FzdBytes{9, 9, 9}));
}

}  // namespace
