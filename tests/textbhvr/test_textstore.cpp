// The stored forms of the text behaviours: byte layouts, round trips, hostile values, whole books.
#include <climits>

#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/kttesthelp.h"
#include "kinetype/ktloadfilebhvr.h"
#include "kinetype/ktscrollbhvr.h"
#include "kinetype/ktsequencialbhvr.h"
#include "kinetype/ktsynshiftbhvr.h"
#include "textbhvr/textfixture.h"

using kttest::Bytes;
using kttest::ByteWriter;

namespace {

struct Reg {
    DWORD a, b;
};

// A stored behaviour alone: its class record, the behaviour part (no elements, no referrers), then
// the caller's fields.
ByteWriter BehaviorBytes(const std::string& name, DWORD nType, DWORD nMask, std::vector<Reg> events,
                         std::vector<Reg> elemProps, std::vector<Reg> bookProps, DWORD bRunning = 0) {
    ByteWriter w;
    w.newClass(name);
    w.u32(nType).u32(nMask).u32(bRunning);
    for (const auto* regs : {&events, &elemProps, &bookProps}) {
        w.u16(static_cast<unsigned>(regs->size()));
        for (const Reg& r : *regs) w.u32(r.a).u32(r.b);
    }
    w.u16(0).u16(0);  // elements, referrers
    return w;
}

ByteWriter SynShiftBytes(int nShift, int nType, int nSense, double dSpeed, double dAcc) {
    ByteWriter w = BehaviorBytes("CKTSynShiftBhvr", 6, 2, {{1, 0}}, {{3, 3}}, {{0, 0}});
    w.u32(static_cast<DWORD>(nShift)).u32(static_cast<DWORD>(nType)).u32(static_cast<DWORD>(nSense));
    w.f64(dSpeed).f64(dAcc);
    return w;
}

ByteWriter CryptBytes(double dSpeed, double dAcc, int nMin, int nMax, int nDone) {
    ByteWriter w = BehaviorBytes("CKTCryptographicBhvr", 11, 1, {{1, 0}}, {{5, 6}, {6, 6}}, {});
    w.f64(dSpeed).f64(dAcc).u32(static_cast<DWORD>(nMin)).u32(static_cast<DWORD>(nMax)).u32(static_cast<DWORD>(nDone));
    return w;
}

// Chunk, order, hold, entry, word, character, justification, ticks.
ByteWriter SeqBytes(std::vector<int> numbers) {
    ByteWriter w = BehaviorBytes("CKTSequencialBhvr", 26, 7, {{1, 0}}, {}, {});
    for (int n : numbers) w.u32(static_cast<DWORD>(n));
    return w;
}

// Loads one object as a document of version fVersion would; on failure frees what the archive made
// and returns NULL with the archive exception's cause.
CObject* Load(const Bytes& bytes, float fVersion, int* pCause = nullptr, bool* pAtEnd = nullptr) {
    CKTLoadingScope loading(fVersion);
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
        CObject* p = ar.ReadObject(nullptr);
        if (pAtEnd) *pAtEnd = ar.GetBytesLeft() == 0;
        return p;
    } catch (CArchiveException& e) {
        if (pCause) *pCause = e.m_cause;
    }
    std::vector<CObject*> made = ar.TakeLoadedObjects();
    for (CObject* p : made)
        if (p->IsKindOf(RUNTIME_CLASS(CKTComponent))) static_cast<CKTComponent*>(p)->ForgetLinks();
    for (CObject* p : made) delete p;
    return nullptr;
}

template <class T>
std::unique_ptr<T> LoadAs(const Bytes& bytes, float fVersion = KT_FILE_VERSION) {
    bool bAtEnd = false;
    CObject* p = Load(bytes, fVersion, nullptr, &bAtEnd);
    EXPECT_NE(p, nullptr);
    EXPECT_TRUE(bAtEnd) << "the whole stored form is read";
    EXPECT_TRUE(p && p->IsKindOf(RUNTIME_CLASS(T)));
    return std::unique_ptr<T>(static_cast<T*>(p));
}

class TextStore : public TextTest {};

TEST_F(TextStore, NewBehavioursStoreTheirDefaults) {
    CKTSynShiftBhvr shift;
    EXPECT_EQ(kttest::StoreObject(&shift), SynShiftBytes(0, 2, 0, 0.1, 0.0).b);

    CKTCryptographicBhvr crypt;
    ByteWriter w = CryptBytes(0.5, 0.0, 12, 36, 0);
    w.u32(0);
    EXPECT_EQ(kttest::StoreObject(&crypt), w.b);
    crypt.SetContinuous(TRUE);
    w.b.back() = 0, w.b[w.b.size() - 4] = 1;
    EXPECT_EQ(kttest::StoreObject(&crypt), w.b);

    CKTSequencialBhvr seq;  // without a source: the eight numbers and -1
    ByteWriter s = SeqBytes({4, 0, 10, 0, 0, 0, 0, 0});
    s.u32(0xFFFFFFFF);
    EXPECT_EQ(kttest::StoreObject(&seq), s.b);

    CKTScrollBhvr scroll;
    ByteWriter c = BehaviorBytes("CKTScrollBhvr", 27, 7, {{1, 0}}, {}, {});
    c.f64(-0.5).u32(0).u32(0);
    EXPECT_EQ(kttest::StoreObject(&scroll), c.b);

    CKTLoadFileBhvr load;
    load.m_strFileName = "violentmorbidity.qsd";
    ByteWriter l = BehaviorBytes("CKTLoadFileBhvr", 28, 7, {{4, 0}}, {}, {});
    l.str("violentmorbidity.qsd");
    EXPECT_EQ(kttest::StoreObject(&load), l.b);
}

TEST_F(TextStore, StoredValuesComeBackAndStoreAgainByteForByte) {
    const Bytes shift = SynShiftBytes(-7, 5, 3, 0.25, 0.75).b;
    auto pShift = LoadAs<CKTSynShiftBhvr>(shift);
    EXPECT_EQ(pShift->GetShift(), -7);
    EXPECT_EQ(pShift->GetSearchType(), 5);
    EXPECT_EQ(pShift->GetSense(), 3);
    EXPECT_EQ(pShift->GetSpeed(), 0.25);
    EXPECT_EQ(pShift->GetAppliesTo(), APPLIES_TO_WORD);
    EXPECT_EQ(Book().GetListenerCount(EV_STEP), 0);  // a loaded behaviour registers nothing itself
    EXPECT_EQ(kttest::StoreObject(pShift.get()), shift);

    ByteWriter crypt = CryptBytes(0.125, 0.5, 40, 3, 17);
    crypt.u32(1);
    auto pCrypt = LoadAs<CKTCryptographicBhvr>(crypt.b);
    EXPECT_EQ(pCrypt->GetMinShifts(), 40);
    EXPECT_EQ(pCrypt->GetMaxShifts(), 3);
    EXPECT_EQ(pCrypt->GetStepsDone(), 17);
    EXPECT_EQ(pCrypt->IsContinuous(), 1);
    EXPECT_EQ(kttest::StoreObject(pCrypt.get()), crypt.b);

    ByteWriter seq = SeqBytes({2, 1, 7, 1, 2, 3, 2, 5});
    seq.u32(2).str("first, one").str("second");
    seq.u16(2).str("first, one").str("second");
    auto pSeq = LoadAs<CKTSequencialBhvr>(seq.b);
    EXPECT_EQ(pSeq->GetChunk(), 2);
    EXPECT_EQ(pSeq->GetOrder(), 1);
    EXPECT_EQ(pSeq->GetHold(), 7u);
    EXPECT_EQ(pSeq->GetEntryIndex(), 1);
    EXPECT_EQ(pSeq->GetWordIndex(), 2);
    EXPECT_EQ(pSeq->GetCharIndex(), 3);
    EXPECT_EQ(pSeq->GetJustification(), 2);
    ASSERT_EQ(pSeq->GetWords().GetSize(), 3);
    EXPECT_EQ(pSeq->GetCurrentWord(), "second");
    EXPECT_EQ(kttest::StoreObject(pSeq.get()), seq.b);

    ByteWriter scroll = BehaviorBytes("CKTScrollBhvr", 27, 7, {{1, 0}}, {}, {});
    scroll.f64(3.5).u32(1).u32(2);
    auto pScroll = LoadAs<CKTScrollBhvr>(scroll.b);
    EXPECT_EQ(pScroll->m_dScrollSpeed, 3.5);
    EXPECT_EQ(pScroll->m_nOrientation, 1);
    EXPECT_EQ(pScroll->m_nJustify, 2);
    EXPECT_EQ(kttest::StoreObject(pScroll.get()), scroll.b);
}

TEST_F(TextStore, TheContinuousFlagIsReadFromVersion091On) {
    const struct {
        float fVersion;
        bool bHasFlag;
        BYTE expected;
    } cases[] = {{0.9f, false, 0}, {0.909f, false, 0}, {0.91f, true, 1}, {0.969f, true, 1}};
    for (const auto& c : cases) {
        ByteWriter w = CryptBytes(0.5, 0.0, 12, 36, 0);
        if (c.bHasFlag) w.u32(7);
        auto p = LoadAs<CKTCryptographicBhvr>(w.b, c.fVersion);
        EXPECT_EQ(p->IsContinuous(), c.expected) << c.fVersion;
    }
}

TEST_F(TextStore, TheSecondCopyOfTheEntriesWins) {
    ByteWriter w = SeqBytes({4, 0, 10, 0, 0, 0, 0, 0});
    w.u32(1).str("stale copy");
    w.u16(2).str("fresh").str("lines");
    auto p = LoadAs<CKTSequencialBhvr>(w.b);
    ASSERT_NE(p->GetSource(), nullptr);
    ASSERT_EQ(p->GetSource()->GetSize(), 2);
    EXPECT_EQ(p->GetSource()->GetAt(0), "fresh");
    EXPECT_EQ(p->GetWords().GetSize(), 2);
}

TEST_F(TextStore, BadEntryCountsFailCleanly) {
    const struct {
        int n;
        int nCause;
    } cases[] = {{-2, CArchiveException::badIndex}, {INT_MIN, CArchiveException::badIndex},
                 {INT_MAX, CArchiveException::endOfFile}, {3, CArchiveException::endOfFile}};
    for (const auto& c : cases) {
        ByteWriter w = SeqBytes({4, 0, 10, 0, 0, 0, 0, 0});
        w.u32(static_cast<DWORD>(c.n)).str("only one");
        int nCause = 0;
        EXPECT_EQ(Load(w.b, KT_FILE_VERSION, &nCause), nullptr) << c.n;
        EXPECT_EQ(nCause, c.nCause) << c.n;
    }
}

TEST_F(TextStore, StoredIndicesAndCountsAreSafeToRun) {
    // Indices past every list, the word list empty, extreme shift ranges and step counts.
    ByteWriter seq = SeqBytes({1, 2, 0, 99, -5, 1000, 0, 0});
    seq.u32(2).str("ab").str("");
    seq.u16(2).str("ab").str("");
    auto pSeq = LoadAs<CKTSequencialBhvr>(seq.b);
    CKTWord* pWord = AddWord(NewPassage(), "x");
    pSeq->AddElement(pWord->GetFirstChild());
    for (int nChunk : {1, 2, 4})
        for (int nOrder : {0, 1, 2})
            for (int i = 0; i < 5; i++) {
                pSeq->SetChunk(nChunk);
                pSeq->SetOrder(nOrder);
                pSeq->OnEvent(EV_STEP);
            }
    EXPECT_TRUE(TextOf(pWord) == "a" || TextOf(pWord) == "b");

    ByteWriter crypt = CryptBytes(1.0, 0.0, INT_MIN, INT_MAX, INT_MAX);
    crypt.u32(1);
    auto pCrypt = LoadAs<CKTCryptographicBhvr>(crypt.b);
    pCrypt->AddElement(pWord->GetFirstChild());
    for (int i = 0; i < 3; i++) pCrypt->OnEvent(EV_STEP);  // the step count wraps
    EXPECT_EQ(pCrypt->GetStepsDone(), INT_MIN + 2);
    pCrypt->RemoveAllElements();
}

TEST_F(TextStore, AStoredShiftCountMayBeNegativeOrAtTheLimit) {
    m_lexicon.Add("fast", {"fast", "quick", "speedy"}, 1);
    const struct {
        int nStored;
        const char* shown;
    } cases[] = {{-5, "speedy"}, {-1, "fast"}, {INT_MAX, "quick"}, {INT_MIN, "speedy"}, {2, "fast"}};
    for (const auto& c : cases) {
        auto p = LoadAs<CKTSynShiftBhvr>(SynShiftBytes(c.nStored, 2, 0, 1.0, 0.0).b);
        CKTWord* pWord = AddWord(NewPassage(), "fast");
        ASSERT_TRUE(p->AddElement(pWord));
        p->OnEvent(EV_STEP);
        // Entry (shift + 1) mod 3, never negative; INT_MAX + 1 wraps to INT_MIN.
        EXPECT_EQ(TextOf(pWord), c.shown) << c.nStored;
        p->RemoveAllElements();
    }
}

TEST_F(TextStore, ABookWithEveryTextBehaviourRoundTripsAndRunsWithoutTheDatabase) {
    m_lexicon.Add("fast", {"fast", "quick", "speedy"}, 1);
    CKTPassage* pPassage = NewPassage(50, 100);
    CKTWord* pFast = AddWord(pPassage, "fast");
    CKTWord* pOther = AddWord(pPassage, "ok");
    auto* pShift = Add(new CKTSynShiftBhvr);
    pShift->SetSpeed(0.5);
    pShift->AddElement(pFast);
    auto* pCrypt = Add(new CKTCryptographicBhvr);
    for (CKTElement* g = pOther->GetFirstChild(); g; g = g->GetNextSibling()) pCrypt->AddElement(g);
    CKTPassage* pLines = NewPassage(50, 200);
    auto* pSeq = Add(new CKTSequencialBhvr);
    pSeq->SetSourceText("one two\nthree");
    pSeq->SetHold(3);
    pSeq->AddElement(pLines);
    auto* pScroll = Add(new CKTScrollBhvr);
    pScroll->AddElement(pLines);
    auto* pLoad = Add(new CKTLoadFileBhvr);
    pLoad->m_strFileName = "again.qsd";
    Steps(3);
    EXPECT_EQ(Book().m_strPendingLoad, "again.qsd");
    Book().m_strPendingLoad.Empty();

    // A load leaves every element's bounds stale (the renderers' font and character pushes): the
    // stored form to compare with has every bounds flag clear.
    kttest::MarkBoundsStale(Book());
    const Bytes stored = kttest::StoreBook(Book());
    m_pBook.reset();
    m_lexicon.m_table.clear();
    m_lexicon.m_calls.clear();
    m_lexicon.m_bInitResult = FALSE;  // no database now
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        m_pBook = std::make_unique<CKTBook>();
    }
    kttest::LoadBook(Book(), stored, KT_FILE_VERSION);
    m_pBook->SetWindow(&m_wnd);
    EXPECT_EQ(kttest::StoreBook(Book()), stored);

    // The loaded scene runs on: the word shifts through its stored list, the load asks again.
    CKTElement* pWord = Book().GetRoot()->GetFirstChild()->GetFirstChild();
    const std::string before = TextOf(pWord);
    Steps(2);
    EXPECT_NE(TextOf(pWord), before);
    EXPECT_EQ(Book().m_strPendingLoad, "again.qsd");
    Steps(100);
    EXPECT_EQ(m_lexicon.m_calls.size(), 0u);
}

}  // namespace
