// Round trips of whole scenes (every stored class), hostile documents (every cut of a document, the
// seed corpus and its mutants) and a passage far longer than the default nesting limit.
#include <cstdlib>
#include <fstream>

#include "document/doctest.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcpointbhvrprop.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktword.h"
#include "tests/kinetype/kttesthelp.h"

namespace {

std::vector<int> BehaviorTypes(CKTBook& book) {
    std::vector<int> out;
    for (POSITION pos = book.GetFirstBehaviorPosition(); pos;) out.push_back(book.GetNextBehavior(pos)->GetType());
    return out;
}

std::vector<INT_PTR> ListenerCounts(CKTBook& book) {
    std::vector<INT_PTR> out;
    for (int e = 0; e < EV_COUNT; e++) out.push_back(book.GetListenerCount(e));
    return out;
}

// The glyph that holds the scene's element properties (third word of the second passage).
CKTElement* PropGlyph(CKTBook& book) {
    return book.GetRoot()->GetChildAt(1)->GetChildAt(2)->GetFirstChild();
}

TEST_F(DocTest, EverySceneClassRoundTrips) {
    FzdSceneBook source;
    FzdBuildScene(*source, FzdScene::everything);
    const FzdBytes bytes = KTSaveDocument(*source, 640, 480);
    LoadedDoc doc(KTLoadDocument(bytes, CString("all.qsd")));
    ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
    EXPECT_EQ(doc.r.path, KTLoadPath::first);
    EXPECT_FALSE(doc.r.bAddedDetector);

    // Every stored field: the loaded book stores exactly what the source stored, except that a load
    // leaves every element's bounds stale (measured again with this machine's fonts).
    kttest::MarkBoundsStale(*source);
    EXPECT_EQ(KTSaveDocument(doc.book(), 640, 480), KTSaveDocument(*source, 640, 480));

    // And what that means for the scene.
    CKTBook& b = doc.book();
    EXPECT_EQ(TextOf(b), TextOf(*source));
    EXPECT_EQ(b.GetClock(), source->GetClock());
    EXPECT_EQ(b.GetRunState(), 0);
    EXPECT_EQ(b.GetBackgroundColor(), RGB(16, 32, 48));
    EXPECT_EQ(b.GetBackgroundImage(), "backdrop.png");
    EXPECT_EQ(b.GetBackgroundImageLayout(), 5);
    EXPECT_EQ(BehaviorTypes(b), BehaviorTypes(*source));
    EXPECT_EQ(ListenerCounts(b), ListenerCounts(*source));
    EXPECT_EQ(b.GetMoribundList().GetCount(), 1);
    EXPECT_EQ(b.GetStartQueue().GetCount(), 1);
    EXPECT_EQ(b.GetStopQueue().GetCount(), 1);
    EXPECT_EQ(KTGetCollisionDetector(b)->GetElementCount(), KTGetCollisionDetector(*source)->GetElementCount());
    CKTBoolBhvrProp* pSynShift = CKTBoolBhvrProp::Cast(b.GetBookProp(BOOKPROP_SYNSHIFT));
    ASSERT_NE(pSynShift, nullptr);
    EXPECT_TRUE(pSynShift->GetValue());
    CKTElement* pGlyph = PropGlyph(b);
    CKTCStringArrayBhvrProp* pSynonyms = CKTCStringArrayBhvrProp::Cast(pGlyph->GetProp(PROP_SYNONYMS));
    ASSERT_NE(pSynonyms, nullptr);
    ASSERT_EQ(pSynonyms->m_value.GetSize(), 2);
    EXPECT_EQ(pSynonyms->m_value[1], "quick");
    EXPECT_EQ(CKTDoubleBhvrProp::Cast(pGlyph->GetProp(PROP_INFECTION))->GetValue(), 0.25);
    EXPECT_EQ(CKTIntBhvrProp::Cast(pGlyph->GetProp(PROP_SAVED_CHAR))->GetValue(), 'k');
    EXPECT_EQ(CKTCPointBhvrProp::Cast(pGlyph->GetProp(PROP_SAVED_SIZE))->m_value, CPoint(3, -4));
    for (CKTElement* pPassage = b.GetRoot()->GetFirstChild(), *pSource = source->GetRoot()->GetFirstChild();
         pPassage && pSource; pPassage = pPassage->GetNextSibling(), pSource = pSource->GetNextSibling()) {
        EXPECT_EQ(pPassage->GetRelativePosition().x, pSource->GetRelativePosition().x);
        EXPECT_EQ(pPassage->GetRelativePosition().y, pSource->GetRelativePosition().y);
        EXPECT_EQ(pPassage->GetColor(), pSource->GetColor());
    }

    // The loaded scene runs and draws once it is the current book with a window.
    CKTFakeWindow wnd(640, 480);
    {
        CKTCurrentBookScope current(&b);
        b.SetWindow(&wnd);
        b.SetRunState(1);
        for (int i = 0; i < 20; i++) b.Step();
        b.Draw(wnd.GetPaintDC());
        EXPECT_EQ(b.GetMoribundList().GetCount(), 0);
        b.SetWindow(nullptr);
    }
}

// Every cut of a saved document fails cleanly, and the user's scene stays current and unchanged.
TEST_F(DocTest, EveryCutOfADocumentFails) {
    for (FzdScene scene : {FzdScene::typed, FzdScene::everything}) {
        const FzdBytes bytes = FzdMakeDocument(scene);
        for (size_t n = 0; n < bytes.size(); n++) {
            KTLoadResult r = KTLoadDocument(bytes.data(), n, CString("cut.qsd"));
            ASSERT_EQ(r.status, KTLoadStatus::failed) << n;
            ASSERT_EQ(r.pBook, nullptr);
            ASSERT_EQ(g_pCurrentBook, User());
            ASSERT_EQ(g_bLoading, 0);
            ASSERT_FALSE(r.strMessage.IsEmpty());
        }
    }
}

// ---- the fuzzer's seed corpus ------------------------------------------------------------------------

std::string CorpusDir() {
    const char* src = std::getenv("QS_SOURCE_DIR");
    return std::string(src ? src : "../..") + "/fuzz/corpus/document/";
}

TEST_F(DocTest, CorpusFilesAreTheGeneratedSeeds) {
    const bool update = std::getenv("QS_UPDATE_CORPUS") != nullptr;
    for (const FzdSeed& seed : FzdMakeSeeds()) {
        SCOPED_TRACE(seed.name);
        const std::string path = CorpusDir() + seed.name;
        if (update) WriteFileBytes(path, seed.bytes);
        EXPECT_EQ(ReadFileBytes(path), seed.bytes) << path << " differs (QS_UPDATE_CORPUS=1 rewrites it)";
    }
}

TEST_F(DocTest, SeedsLoadAndTheirMutantsFailOrLoadCleanly) {
    for (const FzdSeed& seed : FzdMakeSeeds()) {
        SCOPED_TRACE(seed.name);
        EXPECT_TRUE(FzdLoadAndCheck(seed.bytes.data(), seed.bytes.size()));
        if (seed.bytes.size() > 6000) continue;
        for (size_t i = 0; i < seed.bytes.size(); i++) {
            for (BYTE v : {BYTE(0x00), BYTE(0x01), BYTE(0x7F), BYTE(0xFF)}) {
                FzdBytes m = seed.bytes;
                if (m[i] == v) continue;
                m[i] = v;
                FzdLoadAndCheck(m.data(), m.size());  // aborts on a breach
            }
        }
    }
}

// ---- a long passage ----------------------------------------------------------------------------------

// One passage holding one word of 100,000 glyphs: each glyph's next sibling is stored inside it, so
// the document nests 100,000 objects deep.
FzdBytes LongPassage(size_t nGlyphs) {
    FzdSceneBook book;
    FzdBuildScene(*book, FzdScene::empty);
    auto* pPassage = new CKTPassage;
    book->GetRoot()->AppendChild(pPassage, FALSE);
    auto* pWord = new CKTWord;
    pPassage->AppendChild(pWord, FALSE);
    CKTElement* pLast = nullptr;
    for (size_t i = 0; i < nGlyphs; i++) {
        auto* pGlyph = new CKTGlyph;
        pGlyph->SetChar(static_cast<char>('a' + i % 26));
        pWord->InsertChild(pGlyph, pLast, FALSE);
        pLast = pGlyph;
    }
    return KTSaveDocument(*book, 640, 480);
}

TEST_F(DocTest, APassageOfAHundredThousandGlyphsRoundTrips) {
    const size_t kGlyphs = 100000;
    const FzdBytes bytes = LongPassage(kGlyphs);
    LoadedDoc doc(KTLoadDocument(bytes, CString("long.qsd")));
    ASSERT_EQ(doc.r.status, KTLoadStatus::loaded) << doc.r.strMessage.GetString();
    CKTElement* pWord = doc.book().GetRoot()->GetFirstChild()->GetFirstChild();
    size_t n = 0;
    bool bInOrder = true;
    for (CKTElement* p = pWord->GetFirstChild(); p; p = p->GetNextSibling(), n++)
        bInOrder = bInOrder && static_cast<CKTGlyph*>(p)->GetChar() == static_cast<char>('a' + n % 26);
    EXPECT_EQ(n, kGlyphs);
    EXPECT_TRUE(bInOrder);
    EXPECT_EQ(KTSaveDocument(doc.book(), 640, 480), bytes);

    // On a small stack the same document fails cleanly, reading and writing.
    KTSetDocumentStackSizeForTesting(8u << 20);
    LoadedDoc small(KTLoadDocument(bytes, CString("long.qsd")));
    bool bSaveFailed = false;
    try {
        KTSaveDocument(doc.book(), 640, 480);
    } catch (const CArchiveException& e) {
        bSaveFailed = e.m_cause == CArchiveException::genericException;
    }
    KTSetDocumentStackSizeForTesting(0);
    EXPECT_EQ(small.r.status, KTLoadStatus::failed);
    EXPECT_EQ(small.r.error.nCause, CArchiveException::badIndex);
    EXPECT_TRUE(bSaveFailed);
}

}  // namespace
