// Shared pieces of the document tests: a fixture with the user's scene current (loads must leave it
// alone), a holder that frees a loaded book, and the probe behaviour that records which book is
// current while it is read and destroyed.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fuzz/document/fuzzdoc.h"
#include "kinetype/ktbehavior.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktglobals.h"
#include "kinetype/kttext.h"
#include "platform/crt/crt.h"

// A stored behaviour that notes the current book and the loading flag when it is read, and the
// current book when it is destroyed.
class CKTDocProbeBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTDocProbeBhvr)

public:
    CKTDocProbeBhvr() : CKTBehavior(99) {}
    ~CKTDocProbeBhvr() override;
    void Serialize(CArchive& ar) override;

    static CKTBook* s_pReadWith;  // g_pCurrentBook while the last probe was read
    static BYTE s_bReadLoading;   // g_bLoading then
    static CKTBook* s_pDestroyedWith;
    static int s_nDestroyed;
};

// The loaded book of a result, freed (current while it goes) at the end of the scope.
struct LoadedDoc {
    KTLoadResult r;
    explicit LoadedDoc(KTLoadResult result) : r(result) {}
    ~LoadedDoc() { KTDeleteBook(r.pBook); }
    LoadedDoc(const LoadedDoc&) = delete;
    LoadedDoc& operator=(const LoadedDoc&) = delete;
    CKTBook& book() const { return *r.pBook; }
};

// Every test runs with the user's scene current: a book with one typed passage.
class DocTest : public ::testing::Test {
protected:
    void SetUp() override {
        crt::reset_rand();
        g_bLoading = 0;
        g_fFileVersion = 0.0f;
        m_pUser = std::make_unique<FzdSceneBook>();
        FzdBuildScene(**m_pUser, FzdScene::typed);
        m_userBytes = KTSaveDocument(**m_pUser, 640, 480);
        ASSERT_EQ(g_pCurrentBook, m_pUser->get());
    }
    void TearDown() override {
        // Loads and saves never disturb the user's scene.
        EXPECT_EQ(g_pCurrentBook, m_pUser->get());
        EXPECT_EQ(g_bLoading, 0);
        EXPECT_EQ(KTSaveDocument(**m_pUser, 640, 480), m_userBytes);
        m_pUser.reset();
        EXPECT_EQ(g_pCurrentBook, nullptr);
    }
    CKTBook* User() const { return m_pUser->get(); }

    std::unique_ptr<FzdSceneBook> m_pUser;
    FzdBytes m_userBytes;
};

// The characters of every glyph of a book, passage by passage ('|' between passages).
std::string TextOf(CKTBook& book);
// A unique empty folder under the temporary directory, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    std::vector<std::string> Names() const;  // the folder's entries, sorted
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};
FzdBytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const FzdBytes& bytes);
