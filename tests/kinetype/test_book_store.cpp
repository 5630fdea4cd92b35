// The book's stored form: a round trip of a scene with passages, words, glyphs, renderers, behaviours,
// properties, listener lists and queues; the version gates (0.969, 0.9, 0.7); and loads that fail
// (short, hostile or inconsistent streams) freeing what they built.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/kterdefault.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"
#include "kttesthelp.h"
#include "test_element_fixture.h"

using kttest::ByteWriter;
using kttest::Bytes;

// A stored behaviour with a settable event table and property needs (registered by the fixture).
class CKTStoreTestBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTStoreTestBhvr)

public:
    CKTStoreTestBhvr() : CKTBehavior(77) {}
    void Listen(int nEvent, int nPriority) { m_events.Add({nEvent, nPriority}); }
    void NeedElementProp(int nId, int nType) { m_elemPropReqs.Add({nId, nType}); }
    void NeedBookProp(int nId, int nType) { m_bookPropReqs.Add({nId, nType}); }
};
IMPLEMENT_SERIAL(CKTStoreTestBhvr, CKTBehavior, 0)

namespace {

// A word of the test font's glyphs, appended to the passage with the line flow.
CKTWord* MakeWord(CKTPassage* pPassage, const char* text) {
    CKTWord* pWord = kttest::NewWord(text);
    pPassage->AppendChild(pWord, TRUE);
    return pWord;
}

using kttest::GlyphOf;

std::vector<CKTElement*> g_deleted;
void RecordDeleted(CKTElement* p) { g_deleted.push_back(p); }

class BookStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        AfxRegisterClass(RUNTIME_CLASS(CKTStoreTestBhvr));
        g_bLoading = 0;
        g_deleted.clear();
    }
    void TearDown() override {
        m_pLoaded.reset();
        m_pBook.reset();
    }

    // The scene every round trip uses. Every behaviour is attached to an element, so the behaviours
    // are written inside the tree and the behaviour list holds back-references only.
    void BuildScene() {
        m_pBook = std::make_unique<CKTBook>();
        CKTBook& book = *m_pBook;
        book.SetWindow(&m_wnd);
        book.SetRunState(1);
        book.Step();
        book.Step();
        book.Step();
        book.SetRunState(0);
        book.SetBackgroundColor(RGB(1, 2, 3));
        book.SetBackgroundImage("paper.png");
        book.SetBackgroundImageLayout(6);

        auto* pP1 = new CKTPassage;
        book.GetRoot()->AppendChild(pP1, FALSE);
        pP1->MoveBy(CKTVector(20, 40, 0));
        CKTWord* pW1 = MakeWord(pP1, "ab");
        MakeWord(pP1, "\rc");
        CKTWord* pW3 = MakeWord(pP1, "de");
        pP1->SetColor(RGB(200, 0, 0));
        auto* pP2 = new CKTPassage;
        book.GetRoot()->AppendChild(pP2, FALSE);
        pP2->MoveBy(CKTVector(300.5, 100.25, 0));
        CKTWord* pW4 = MakeWord(pP2, "xy");
        pW4->SetColor(RGB(0, 0, 255));
        pW4->SetRenderer(new CKTERDefault, TRUE);  // copies for x and y
        pW4->SetPartOfSpeech(3);

        auto* pEuler = new CKTEulerBhvr;
        book.AddBehavior(pEuler);
        pEuler->StartListening();
        pEuler->AddElement(GlyphOf(pW1, 0));
        pEuler->AddElement(GlyphOf(pW1, 1));
        CKTVectorBhvrProp::Cast(GlyphOf(pW1, 0)->GetProp(PROP_VELOCITY))->SetValue(CKTVector(1.5, -2, 0));

        auto* pT1 = new CKTStoreTestBhvr;
        pT1->Listen(EV_STEP, 1);
        pT1->Listen(EV_MOUSEMOVE, 0);
        pT1->Listen(EV_DRAW, 0);
        pT1->NeedElementProp(PROP_SAVED_SIZE, PROPTYPE_INT);
        pT1->NeedElementProp(PROP_SYNONYMS, PROPTYPE_CSTRINGARRAY);
        pT1->NeedBookProp(BOOKPROP_INTEGRATOR, PROPTYPE_BHVRPTR);
        pT1->AcquireBookProps();
        CKTBhvrPtrBhvrProp::Cast(book.GetBookProp(BOOKPROP_INTEGRATOR))->SetValue(pEuler);
        pT1->SetAppliesTo(APPLIES_TO_PASSAGE | APPLIES_TO_WORD);
        book.AddBehavior(pT1);
        pT1->StartListening();
        pT1->AddElement(pP2);
        pT1->AddElement(pW4);
        CKTIntBhvrProp::Cast(pW4->GetProp(PROP_SAVED_SIZE))->SetValue(16);
        CKTCStringArrayBhvrProp::Cast(pW4->GetProp(PROP_SYNONYMS))->m_value.Add("pair");

        auto* pT2 = new CKTStoreTestBhvr;  // waits in the start queue, refers to T1
        pT2->Listen(EV_POSTSTEP, 0);
        book.AddBehavior(pT2);
        pT2->AddElement(GlyphOf(pW1, 0));
        pT1->AddReferrer(pT2);
        book.QueueStart(pT2);

        auto* pT3 = new CKTStoreTestBhvr;  // runs, waits in the stop queue
        pT3->Listen(EV_PRESTEP, 1);
        book.AddBehavior(pT3);
        pT3->StartListening();
        pT3->AddElement(GlyphOf(pW4, 0));
        book.QueueStop(pT3);

        auto* pSpraying = new CKTBoolBhvrProp(PROP_SPRAYING);  // the sprayer's: count 0
        pSpraying->SetValue(TRUE);
        pP2->SetProp(PROP_SPRAYING, pSpraying);

        // A glyph dies while the book is stopped: detached, waiting in the deletion queue.
        GlyphOf(pW3, 1)->Die(TRUE, FALSE);
        ASSERT_EQ(book.GetMoribundList().GetCount(), 1);
    }

    // Loads bytes into m_pLoaded as a file of version fVersion.
    void Load(const Bytes& bytes, float fVersion) {
        m_pLoaded.reset();
        {
            CKTLoadingScope loading(fVersion);
            m_pLoaded = std::make_unique<CKTBook>();
        }
        kttest::LoadBook(*m_pLoaded, bytes, fVersion);
        m_pLoaded->SetWindow(&m_wnd2);
    }

    // Loading bytes fails with an archive error of that cause and leaves the book empty.
    void ExpectLoadFails(const Bytes& bytes, int nCause, const char* what) {
        m_pLoaded.reset();
        {
            CKTLoadingScope loading(KT_FILE_VERSION);
            m_pLoaded = std::make_unique<CKTBook>();
        }
        try {
            kttest::LoadBook(*m_pLoaded, bytes, KT_FILE_VERSION);
            ADD_FAILURE() << what << ": loaded";
        } catch (CArchiveException& e) {
            if (nCause >= 0) {
                EXPECT_EQ(e.m_cause, nCause) << what;
            }
        } catch (CException&) {
            if (nCause >= 0) {
                ADD_FAILURE() << what << ": not an archive error";
            }
        }
        EXPECT_EQ(m_pLoaded->GetRoot(), nullptr) << what;
        EXPECT_EQ(m_pLoaded->GetBehaviorCount(), 0) << what;
        m_pLoaded.reset();
    }

    static std::vector<const CRuntimeClass*> ListenerClasses(CKTBook& book, int nEvent) {
        std::vector<const CRuntimeClass*> v;
        for (POSITION pos = book.GetFirstListenerPosition(nEvent); pos;)
            v.push_back(book.GetNextListener(nEvent, pos)->GetRuntimeClass());
        return v;
    }

    // Where field 5 (the image name) starts: run state, clock, the root's object, the colour. The root
    // is the stream's first object, so its bytes are those of the root stored alone.
    size_t ImageFieldOffset() { return 4 + 8 + kttest::StoreObject(m_pBook->GetRoot()).size() + 4; }

    CKTFakeWindow m_wnd{320, 200};
    CKTFakeWindow m_wnd2{320, 200};
    std::unique_ptr<CKTBook> m_pBook;
    std::unique_ptr<CKTBook> m_pLoaded;
};

}  // namespace

TEST_F(BookStoreTest, RoundTripKeepsEveryStoredField) {
    BuildScene();
    m_pBook->Draw(m_wnd.GetPaintDC());  // before a second book becomes current
    Bytes saved = kttest::StoreBook(*m_pBook);
    Load(saved, KT_FILE_VERSION);
    // The renderers' font and character pushes made the stored bounds of every glyph stale: they are
    // measured again.
    for (CKTElement* p = m_pLoaded->GetRoot()->GetFirstChild(); p; p = p->GetNextSibling())
        for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
            for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) EXPECT_FALSE(g->IsBoundsValid());
    // Every stored field is in the bytes: storing the loaded book again gives the same bytes, the
    // bounds flags aside (compared with every flag clear in both books).
    kttest::MarkBoundsStale(*m_pBook);
    kttest::MarkBoundsStale(*m_pLoaded);
    EXPECT_EQ(kttest::StoreBook(*m_pLoaded), kttest::StoreBook(*m_pBook));
    EXPECT_NE(kttest::StoreBook(*m_pBook), saved);  // the source's bounds were valid when saved

    CKTBook& book = *m_pLoaded;
    EXPECT_EQ(book.GetRunState(), 0);
    EXPECT_EQ(book.GetClock(), m_pBook->GetClock());
    EXPECT_EQ(book.GetBackgroundColor(), RGB(1, 2, 3));
    EXPECT_EQ(book.GetBackgroundImage(), "paper.png");
    EXPECT_EQ(book.GetBackgroundImageLayout(), 6);
    for (int e = 0; e < EV_COUNT; e++)
        EXPECT_EQ(ListenerClasses(book, e), ListenerClasses(*m_pBook, e)) << "event " << e;
    EXPECT_EQ(book.GetBehaviorCount(), 4);
    EXPECT_EQ(book.GetStartQueue().GetCount(), 1);
    EXPECT_EQ(book.GetStopQueue().GetCount(), 1);
    ASSERT_EQ(book.GetMoribundList().GetCount(), 1);

    // References come back as the loaded objects themselves.
    POSITION pos = book.GetFirstBehaviorPosition();
    CKTBehavior* pEuler = book.GetNextBehavior(pos);
    EXPECT_TRUE(pEuler->IsKindOf(RUNTIME_CLASS(CKTEulerBhvr)));
    EXPECT_TRUE(pEuler->IsRunning());
    EXPECT_EQ(CKTBhvrPtrBhvrProp::Cast(book.GetBookProp(BOOKPROP_INTEGRATOR))->GetValue(), pEuler);
    CKTElement* pP1 = book.GetRoot()->GetFirstChild();
    CKTElement* pGlyphA = pP1->GetFirstChild()->GetFirstChild();
    POSITION posElem = pEuler->GetFirstElementPosition();
    EXPECT_EQ(pEuler->GetNextElement(posElem), pGlyphA);
    CKTVectorBhvrProp* pVel = CKTVectorBhvrProp::Cast(pGlyphA->GetProp(PROP_VELOCITY));
    ASSERT_NE(pVel, nullptr);
    EXPECT_TRUE(pVel->GetValue() == CKTVector(1.5, -2, 0));
    EXPECT_EQ(pVel->GetRefCount(), 1);

    // Renderers got font, colour and character from their elements: both books draw the same pixels.
    book.Draw(m_wnd2.GetPaintDC());
    const gdi::Surface& a = m_wnd.GetSurface();
    const gdi::Surface& b = m_wnd2.GetSurface();
    EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), a.BytesPerLine() * static_cast<size_t>(a.Height())), 0);
    int nInk = 0;
    for (int i = 0; i < a.Width() * a.Height(); i++) nInk += a.Bits()[i] != 0;
    EXPECT_GT(nInk, 0);
}

TEST_F(BookStoreTest, QueuesSavedWhileStoppedApplyAtTheFirstRunningStep) {
    BuildScene();
    Load(kttest::StoreBook(*m_pBook), KT_FILE_VERSION);
    CKTBook& book = *m_pLoaded;
    book.SetElementDeletedCallback(RecordDeleted);
    auto* pDead = static_cast<CKTElement*>(book.GetMoribundList().GetHead());
    CKTBehavior* pT2 = book.GetStartQueue().GetHead();
    CKTBehavior* pT3 = book.GetStopQueue().GetHead();
    EXPECT_FALSE(pT2->IsRunning());
    EXPECT_TRUE(pT3->IsRunning());
    book.Step();  // stopped
    EXPECT_TRUE(g_deleted.empty());
    book.SetRunState(1);
    book.Step();
    EXPECT_EQ(g_deleted, (std::vector<CKTElement*>{pDead}));
    EXPECT_TRUE(pT2->IsRunning());
    EXPECT_FALSE(pT3->IsRunning());
}

TEST_F(BookStoreTest, StoreAlwaysWritesTheCurrentForm) {
    BuildScene();
    g_fFileVersion = 0.7f;  // left over from loading an old file
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        m_pBook->Serialize(ar);
        ar.Close();
    }
    g_fFileVersion = 0.0f;
    EXPECT_EQ(file.GetBytes(), kttest::StoreBook(*m_pBook));
}

TEST_F(BookStoreTest, VersionGates) {
    BuildScene();
    // The old forms need no listeners on events 5 to 8 (their lists are the last 4 x 2 bytes).
    Bytes current = kttest::StoreBook(*m_pBook);
    size_t nImage = ImageFieldOffset();
    ASSERT_EQ(current[nImage], 9);  // "paper.png"
    Bytes v09 = current;
    v09.erase(v09.begin() + static_cast<std::ptrdiff_t>(nImage), v09.begin() + static_cast<std::ptrdiff_t>(nImage + 1 + 9 + 4));
    Bytes v07 = v09;
    for (int i = 0; i < 8; i++) ASSERT_EQ(v07[v07.size() - 1 - i], 0);
    v07.resize(v07.size() - 8);

    struct Case {
        const char* what;
        const Bytes* bytes;
        float fVersion;
        const char* image;
        int nLayout;
    } cases[] = {
        {"0.969", &current, 0.969f, "paper.png", 6},
        {"0.9: no image fields, 9 lists", &v09, 0.9f, "", 0},
        {"0.7: no image fields, 5 lists", &v07, 0.7f, "", 0},
    };
    for (const Case& c : cases) {
        Load(*c.bytes, c.fVersion);
        EXPECT_EQ(m_pLoaded->GetBackgroundImage(), c.image) << c.what;
        EXPECT_EQ(m_pLoaded->GetBackgroundImageLayout(), c.nLayout) << c.what;
        EXPECT_EQ(m_pLoaded->GetBackgroundColor(), RGB(1, 2, 3)) << c.what;
        for (int e = 0; e < EV_COUNT; e++)
            EXPECT_EQ(ListenerClasses(*m_pLoaded, e), ListenerClasses(*m_pBook, e)) << c.what << " event " << e;
    }
    // Read as 0.969, the 0.9 bytes do not fit.
    ExpectLoadFails(v09, -1, "0.9 bytes read as 0.969");
}

// A file that holds 5 listener lists leaves lists 5 to 8 to be rebuilt: each running behaviour joins
// them as starting the behaviours in the order of the behaviour list would have put it there. Running
// behaviours are started in that order here, their entries on events 5 to 8 taken out again (so the
// old form is the current one without its 4 empty lists); a 0.7 load must bring back what the starts
// gave, a current load what the file holds.
TEST_F(BookStoreTest, RunningBehavioursJoinTheListsAFiveListFileLacks) {
    m_pBook = std::make_unique<CKTBook>();
    CKTBook& book = *m_pBook;
    book.SetWindow(&m_wnd);
    struct Bhvr {
        std::vector<std::pair<int, int>> events;  // (event, priority) in table order
        bool bRunning;
        bool bListedTwice;
    };
    const Bhvr table[] = {
        {{{EV_LBUTTONDOWN, 0}, {EV_STEP, 0}, {EV_LBUTTONUP, 0}}, true, false},
        {{{EV_LBUTTONDOWN, 1}, {EV_RBUTTONUP, 0}}, true, false},
        {{{EV_LBUTTONDOWN, 0}, {EV_RBUTTONDOWN, 0}}, false, false},  // stopped: joins nothing
        {{{EV_LBUTTONUP, 1}, {EV_LBUTTONDOWN, 0}, {EV_PRESTEP, 1}}, true, true},
    };
    for (size_t i = 0; i < std::size(table); i++) {
        auto* p = new CKTStoreTestBhvr;
        p->SetAppliesTo(static_cast<int>(i) + 1);  // tells the behaviours apart in the loaded book
        for (const auto& [nEvent, nPriority] : table[i].events) p->Listen(nEvent, nPriority);
        book.AddBehavior(p);
        if (table[i].bListedTwice) book.AddBehavior(p);
        if (table[i].bRunning) p->StartListening();
    }
    // The lists as the starts left them, as the behaviours' numbers (1 to 4, by the applies-to mask).
    auto numbers = [](const CKTBook& b, int nEvent) {
        std::vector<int> v;
        for (POSITION pos = b.GetFirstListenerPosition(nEvent); pos;)
            v.push_back(static_cast<CKTBehavior*>(b.GetNextListener(nEvent, pos))->GetAppliesTo());
        return v;
    };
    std::vector<int> started[EV_COUNT];
    for (int e = 0; e < EV_COUNT; e++) started[e] = numbers(book, e);
    ASSERT_EQ(started[EV_LBUTTONDOWN], (std::vector<int>{2, 1, 4}));
    ASSERT_EQ(started[EV_LBUTTONUP], (std::vector<int>{4, 1}));
    for (int e = EV_LBUTTONDOWN; e < EV_COUNT; e++)
        for (POSITION pos = book.GetFirstBehaviorPosition(); pos;) {
            CKTBehavior* p = book.GetNextBehavior(pos);
            while (book.RemoveListener(p, e)) {
            }
        }
    const Bytes current = kttest::StoreBook(book);
    for (int i = 0; i < 8; i++) ASSERT_EQ(current[current.size() - 1 - i], 0);
    Bytes v07(current.begin(), current.end() - 8);
    const size_t nImage = ImageFieldOffset();
    ASSERT_EQ(v07[nImage], 0);  // no image name; then the layout
    v07.erase(v07.begin() + static_cast<std::ptrdiff_t>(nImage), v07.begin() + static_cast<std::ptrdiff_t>(nImage + 1 + 4));

    Load(v07, 0.7f);
    for (int e = 0; e < EV_COUNT; e++) EXPECT_EQ(numbers(*m_pLoaded, e), started[e]) << "event " << e;
    // Saved again, the file holds them: six more back-references of two bytes.
    EXPECT_EQ(kttest::StoreBook(*m_pLoaded).size(), current.size() + 2 * 6);
    Load(current, KT_FILE_VERSION);
    for (int e = EV_LBUTTONDOWN; e < EV_COUNT; e++) EXPECT_TRUE(numbers(*m_pLoaded, e).empty()) << "event " << e;
}

TEST_F(BookStoreTest, EveryTruncationFailsCleanly) {
    BuildScene();
    Bytes saved = kttest::StoreBook(*m_pBook);
    for (size_t n = 0; n < saved.size(); n++) {
        Bytes cut(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(n));
        ExpectLoadFails(cut, -1, ("cut at " + std::to_string(n)).c_str());
    }
}

TEST_F(BookStoreTest, RootMustBeAText) {
    ExpectLoadFails(ByteWriter().u32(0).f64(0).u16(0).b, CArchiveException::badIndex, "NULL root");
    ByteWriter passageRoot;
    passageRoot.u32(0).f64(0).newClass("CKTPassage");
    ExpectLoadFails(passageRoot.b, CArchiveException::badClass, "passage as root");
}

TEST_F(BookStoreTest, PropertyArrayGrowsToThreeSlots) {
    // The empty scene's tail: 4 empty lists, the array of 3 slots, 9 empty lists. Build a book with
    // nothing but a root and a 1-slot array.
    m_pBook = std::make_unique<CKTBook>();
    Bytes small = kttest::StoreBook(*m_pBook);
    // ... 00 00 x4 (lists), 03 00 00 00 00 00 00 00 (array), 00 00 x9
    size_t nArray = small.size() - 9 * 2 - 8;
    ASSERT_EQ(small[nArray], 3);
    Bytes oneSlot(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(nArray));
    ByteWriter tail;
    tail.u16(1).u16(0);
    for (int i = 0; i < 9; i++) tail.u16(0);
    oneSlot.insert(oneSlot.end(), tail.b.begin(), tail.b.end());
    Load(oneSlot, KT_FILE_VERSION);
    EXPECT_EQ(m_pLoaded->GetBookProp(2), nullptr);
    auto* pDetector = new CKTBhvrPtrBhvrProp(BOOKPROP_COLLISION_DETECTOR);
    m_pLoaded->SetBookProp(BOOKPROP_COLLISION_DETECTOR, pDetector);
    EXPECT_EQ(m_pLoaded->GetBookProp(BOOKPROP_COLLISION_DETECTOR), pDetector);
}

// Inconsistent graphs that a file can describe: each is refused (bad index) and freed.
TEST_F(BookStoreTest, InconsistentGraphsAreRefused) {
    m_pBook = std::make_unique<CKTBook>();
    Bytes empty = kttest::StoreBook(*m_pBook);
    // The empty book: 4 + 8, root (FF FF 00 00, 07 00, "CKTText", element fields), colour, image, lists.
    // The root is object 2; its class is 1. The deletion queue list comes right after the behaviour list.
    size_t nImage = ImageFieldOffset();
    size_t nBehaviors = nImage + 1 + 4;  // empty name, layout
    ASSERT_EQ(empty[nBehaviors], 0);
    auto withList = [&](size_t nAt, std::initializer_list<unsigned> words) {
        Bytes b = empty;
        ByteWriter w;
        for (unsigned v : words) w.u16(v);
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(nAt), b.begin() + static_cast<std::ptrdiff_t>(nAt + 2));
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(nAt), w.b.begin(), w.b.end());
        return b;
    };
    ExpectLoadFails(withList(nBehaviors + 2, {1, 2}), CArchiveException::badIndex, "root in the deletion queue");
    ExpectLoadFails(withList(nBehaviors + 2, {2, 2, 2}), CArchiveException::badIndex, "the root queued twice");
    // A listener list naming the root is harmless (elements ignore events) and loads.
    m_pLoaded.reset();
    Load(withList(empty.size() - 2, {1, 2}), KT_FILE_VERSION);
    m_pLoaded->Draw(m_wnd2.GetPaintDC());
    EXPECT_EQ(m_pLoaded->GetListenerCount(EV_RBUTTONUP), 1);
}

// Every single-byte change of a stored scene either loads a scene that steps, draws and goes away, or
// fails cleanly. (The sanitizer build turns any out-of-bounds access or double free into a failure.)
TEST_F(BookStoreTest, ByteMutationsNeverBreakTheProcess) {
    BuildScene();
    Bytes saved = kttest::StoreBook(*m_pBook);
    m_pBook.reset();
    int nLoaded = 0;
    for (size_t i = 0; i < saved.size(); i++) {
        for (BYTE delta : {1, 0x80, 0xFF}) {
            Bytes b = saved;
            b[i] = static_cast<BYTE>(b[i] + delta);
            m_pLoaded.reset();
            {
                CKTLoadingScope loading(KT_FILE_VERSION);
                m_pLoaded = std::make_unique<CKTBook>();
            }
            try {
                kttest::LoadBook(*m_pLoaded, b, KT_FILE_VERSION);
            } catch (CException&) {
                continue;
            } catch (std::bad_alloc&) {
                continue;
            }
            nLoaded++;
            m_pLoaded->SetWindow(&m_wnd2);
            m_pLoaded->SetRunState(1);
            m_pLoaded->Step();
            m_pLoaded->Draw(m_wnd2.GetPaintDC());
            m_pLoaded->Step();
        }
    }
    m_pLoaded.reset();
    EXPECT_GT(nLoaded, 0);  // values that change nothing structural still load
}
