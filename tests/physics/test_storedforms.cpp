// Stored forms: the bytes of each class written alone, a load that writes the same bytes again, the
// cruise form of files older than 0.8, and a whole scene saved and loaded through the book.
#include <functional>
#include <string>

#include "physics/physicsfixture.h"

#include "kinetype/kttesthelp.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktconnbyspringsbhvr.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktkilloncollision.h"
#include "kinetype/ktphysics.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/ktviscousdragbhvr.h"

using kttest::ByteWriter;
using kttest::Bytes;

namespace {

struct Reg {
    unsigned a, b;
};

// The behaviour part of a behaviour that is not running and has no elements and no referrers.
void BasePart(ByteWriter& w, unsigned nType, std::initializer_list<Reg> events, std::initializer_list<Reg> elemProps,
              std::initializer_list<Reg> bookProps) {
    w.u32(nType).u32(7).u32(0);
    for (auto table : {events, elemProps, bookProps}) {
        w.u16(static_cast<unsigned>(table.size()));
        for (const Reg& r : table) w.u32(r.a).u32(r.b);
    }
    w.u16(0).u16(0);
}

const std::initializer_list<Reg> kMotionProps = {{1, 2}, {2, 2}};
const std::initializer_list<Reg> kIntegratorSlot = {{1, 4}};

class StoredFormTest : public PhysicsTest {
protected:
    // Stores p alone, checks the bytes, loads them back (as a file of the current version) and checks
    // that the loaded object stores the same bytes; returns the loaded object (the caller deletes it).
    CObject* CheckForm(const CObject* p, const Bytes& expected) {
        Bytes bytes = kttest::StoreObject(p);
        EXPECT_EQ(bytes, expected);
        CObject* pLoaded = nullptr;
        {
            CKTLoadingScope loading(KT_FILE_VERSION);
            pLoaded = kttest::LoadObject(bytes, p->GetRuntimeClass());
        }
        EXPECT_NE(pLoaded, nullptr);
        if (pLoaded) {
            EXPECT_EQ(pLoaded->GetRuntimeClass(), p->GetRuntimeClass());
            EXPECT_EQ(kttest::StoreObject(pLoaded), bytes);
        }
        return pLoaded;
    }
    // Loaded behaviours are not in the book; they hold no elements. Their destruction releases the
    // book slot they name, so each is checked in a scene of its own.
    template <class T>
    void CheckBehaviour(T* p, const Bytes& expected) {
        CObject* pLoaded = CheckForm(p, expected);
        delete pLoaded;
        delete p;
    }
};

}  // namespace

TEST_F(StoredFormTest, Gravity) {
    CKTGravityBhvr* p = new CKTGravityBhvr;
    p->SetElasticity(0.25);
    p->SetFeedback(0.75);
    p->SetMagnitude(12.5);
    p->SetPlaneY(-3);
    p->SetGroundType(2);
    ByteWriter w;
    w.newClass("CKTGravityBhvr");
    BasePart(w, 14, {{3, 0}, {1, 0}}, {{1, 2}, {2, 2}, {8, 0}}, kIntegratorSlot);
    w.f64(0.25).f64(0.75).f64(12.5).u32(static_cast<DWORD>(-3)).u16(0).u32(2);
    CheckBehaviour(p, w.b);
}

TEST_F(StoredFormTest, DragCruiseStayBounceAccelerateKill) {
    struct Row {
        const char* what;
        std::function<CKTBehavior*()> make;
        std::function<void(ByteWriter&)> expect;
    } rows[] = {
        {"drag",
         [] {
             CKTViscousDragBhvr* p = new CKTViscousDragBhvr;
             p->SetDrag(0.375);
             return p;
         },
         [](ByteWriter& w) {
             w.newClass("CKTViscousDragBhvr");
             BasePart(w, 15, {{4, 1}}, kMotionProps, kIntegratorSlot);
             w.f64(0.375);
         }},
        {"cruise",
         [] {
             CKTCruiseBhvr* p = new CKTCruiseBhvr;
             p->SetMaxAcceleration(20.0);
             return p;
         },
         [](ByteWriter& w) {
             w.newClass("CKTCruiseBhvr");
             BasePart(w, 4, {{1, 0}}, kMotionProps, kIntegratorSlot);
             w.f64(20.0);
         }},
        {"stay in window",
         [] {
             CKTStayInWindowBhvr* p = new CKTStayInWindowBhvr;
             p->SetResponse(1);
             p->SetResponseFactor(0.5);
             p->SetMargins(CRect(1, -2, 3, -4));
             return p;
         },
         [](ByteWriter& w) {
             w.newClass("CKTStayInWindowBhvr");
             BasePart(w, 20, {{4, 1}}, kMotionProps, kIntegratorSlot);
             w.u32(1).f64(0.5).u32(0).u32(1).u32(static_cast<DWORD>(-2)).u32(3).u32(static_cast<DWORD>(-4));
         }},
        {"bounce",
         [] {
             CKTBounceOnCollision* p = new CKTBounceOnCollision;
             p->SetElasticity(0.875);
             return p;
         },
         [](ByteWriter& w) {
             w.newClass("CKTBounceOnCollision");
             BasePart(w, 22, {{4, 1}}, kMotionProps, kIntegratorSlot);
             w.f64(0.875);
         }},
        {"accelerate",
         [] {
             CKTAccelerateOnCollision* p = new CKTAccelerateOnCollision;
             p->SetMagnitude(3.5);
             return p;
         },
         [](ByteWriter& w) {
             w.newClass("CKTAccelerateOnCollision");
             BasePart(w, 21, {{4, 1}}, kMotionProps, kIntegratorSlot);
             w.f64(3.5);
         }},
        {"kill", [] { return new CKTKillOnCollision; },
         [](ByteWriter& w) {
             w.newClass("CKTKillOnCollision");
             BasePart(w, 23, {{4, 1}}, {}, {});
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        ByteWriter w;
        row.expect(w);
        CheckBehaviour(row.make(), w.b);
    }
}

TEST_F(StoredFormTest, DetectorAndEdge) {
    CKT1DCollisionDetBhvr* p = new CKT1DCollisionDetBhvr;
    ByteWriter w;
    w.newClass("CKT1DCollisionDetBhvr");
    BasePart(w, 1, {{3, 1}}, {{0, 0}}, {{2, 4}});
    w.u16(0).u16(0);  // no edges, no open elements
    CheckBehaviour(p, w.b);

    CKT1DCollEdge edge(nullptr, TRUE);
    ByteWriter e;
    e.newClass("CKT1DCollEdge").u16(0).u32(1);
    delete CheckForm(&edge, e.b);
}

TEST_F(StoredFormTest, SpringsWithTheirDragBehaviour) {
    CKTConnBySpringsBhvr* p = new CKTConnBySpringsBhvr;
    p->SetSpringConstant(2.5);
    p->SetDamping(0.125);
    CKTViscousDragBhvr* pDrag = p->GetDragBehavior();
    ByteWriter w;
    w.newClass("CKTConnBySpringsBhvr");  // class 1, object 2
    BasePart(w, 7, {{1, 0}}, kMotionProps, kIntegratorSlot);
    w.u16(0);                            // no springs
    w.newClass("CKTViscousDragBhvr");    // class 3, object 4: the drag behaviour, running, referred to
    w.u32(15).u32(7).u32(1).u16(1).u32(4).u32(1).u16(2).u32(1).u32(2).u32(2).u32(2).u16(1).u32(1).u32(4);
    w.u16(0).u16(1).u16(2);              // no elements; one referrer: object 2
    w.f64(0.1);
    w.f64(2.5).f64(0.125);
    Bytes bytes = kttest::StoreObject(p);
    EXPECT_EQ(bytes, w.b);

    CObject* pLoaded = nullptr;
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        pLoaded = kttest::LoadObject(bytes, RUNTIME_CLASS(CKTConnBySpringsBhvr));
    }
    CKTConnBySpringsBhvr* pSprings = static_cast<CKTConnBySpringsBhvr*>(pLoaded);
    ASSERT_NE(pSprings->GetDragBehavior(), nullptr);
    EXPECT_EQ(pSprings->GetFriction(), 0.1);
    EXPECT_EQ(pSprings->GetSpringConstant(), 2.5);
    EXPECT_EQ(pSprings->GetDamping(), 0.125);
    EXPECT_EQ(kttest::StoreObject(pSprings), bytes);
    CKTViscousDragBhvr* pLoadedDrag = pSprings->GetDragBehavior();
    delete pSprings;  // leaves the loaded drag behaviour's referrers
    EXPECT_EQ(pLoadedDrag->GetFirstReferrerPosition(), nullptr);
    delete pLoadedDrag;
    Book().RemoveBehavior(p);
    delete p;
    EXPECT_TRUE(Book().RemoveBehavior(pDrag));
    delete pDrag;
}

TEST_F(StoredFormTest, CruiseOlderThan08HasADroppedDouble) {
    for (float fVersion : {0.7f, 0.79f, 0.8f, 0.969f}) {
        SCOPED_TRACE(fVersion);
        ByteWriter w;
        w.newClass("CKTCruiseBhvr");
        BasePart(w, 4, {{1, 0}}, kMotionProps, kIntegratorSlot);
        if (fVersion < 0.8f) w.f64(99.0);  // the dropped one
        w.f64(42.0);
        CObject* pLoaded = nullptr;
        {
            CKTLoadingScope loading(fVersion);
            pLoaded = kttest::LoadObject(w.b, RUNTIME_CLASS(CKTCruiseBhvr));
        }
        EXPECT_EQ(static_cast<CKTCruiseBhvr*>(pLoaded)->GetMaxAcceleration(), 42.0);
        delete pLoaded;
    }
}

TEST_F(StoredFormTest, ShortStreamsFailCleanly) {
    CKTGravityBhvr* p = new CKTGravityBhvr;
    Bytes bytes = kttest::StoreObject(p);
    delete p;
    for (size_t nCut : {size_t(1), size_t(8), size_t(20)}) {
        SCOPED_TRACE(nCut);
        Bytes cut(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(nCut));
        CKTLoadingScope loading(KT_FILE_VERSION);
        CMemFile file(cut.data(), cut.size());
        CArchive ar(&file, CArchive::load);
        EXPECT_THROW(ar.ReadObject(RUNTIME_CLASS(CKTGravityBhvr)), CArchiveException);
        // Freed as a loader frees a failed load: links forgotten first, then each object once.
        std::vector<CObject*> built = ar.TakeLoadedObjects();
        for (CObject* pBuilt : built)
            if (pBuilt->IsKindOf(RUNTIME_CLASS(CKTComponent))) static_cast<CKTComponent*>(pBuilt)->ForgetLinks();
        for (CObject* pBuilt : built) delete pBuilt;
    }
}

namespace {

// Finds the first behaviour of class T in the book's list.
template <class T>
T* Find(CKTBook& book) {
    for (POSITION pos = book.GetFirstBehaviorPosition(); pos;) {
        CKTBehavior* p = book.GetNextBehavior(pos);
        if (p->IsKindOf(RUNTIME_CLASS(T))) return static_cast<T*>(p);
    }
    return nullptr;
}

}  // namespace

TEST_F(StoredFormTest, WholeSceneThroughTheBook) {
    CKTPassage* pPassage = NewPassage(0, 0);
    CKTWord* pWord = NewWord(pPassage);
    CKTGlyph* g[4];
    for (int i = 0; i < 4; i++) g[i] = NewGlyph(pWord, 40.0 * i + 10, 100);
    CKTGravityBhvr* pGravity = Add(new CKTGravityBhvr);
    pGravity->SetGroundType(1);
    pGravity->SetGroundElement(pPassage);
    CKTConnBySpringsBhvr* pSprings = Add(new CKTConnBySpringsBhvr);
    CKT1DCollisionDetBhvr* pDetector = Add(new CKT1DCollisionDetBhvr);
    CKTStayInWindowBhvr* pStay = Add(new CKTStayInWindowBhvr);
    pStay->SetMargins(CRect(5, 5, 5, 5));
    CKTCruiseBhvr* pCruise = Add(new CKTCruiseBhvr);
    CKTBounceOnCollision* pBounce = Add(new CKTBounceOnCollision);
    CKTAccelerateOnCollision* pAccel = Add(new CKTAccelerateOnCollision);
    CKTKillOnCollision* pKill = Add(new CKTKillOnCollision);
    for (CKTGlyph* p : g) {
        pGravity->AddElement(p);
        pSprings->AddElement(p);
        pDetector->AddElement(p);
        pStay->AddElement(p);
        pCruise->AddElement(p);
        pBounce->AddElement(p);
        pAccel->AddElement(p);
    }
    pKill->AddElement(g[3]);
    Book().SetRunState(1);
    Book().Step();
    Bytes saved = kttest::StoreBook(Book());

    TearDown();
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        m_pBook = std::make_unique<CKTBook>();
    }
    m_pBook->SetWindow(&m_wnd);
    ASSERT_NO_THROW(kttest::LoadBook(Book(), saved, KT_FILE_VERSION));
    EXPECT_EQ(kttest::StoreBook(Book()), saved);

    CKTGravityBhvr* pG = Find<CKTGravityBhvr>(Book());
    CKTConnBySpringsBhvr* pS = Find<CKTConnBySpringsBhvr>(Book());
    CKT1DCollisionDetBhvr* pD = Find<CKT1DCollisionDetBhvr>(Book());
    ASSERT_TRUE(pG && pS && pD);
    CKTElement* pLoadedPassage = Book().GetRoot()->GetFirstChild();
    EXPECT_EQ(pG->GetGroundElement(), pLoadedPassage);
    EXPECT_EQ(pG->GetGroundType(), 1);
    ASSERT_EQ(pS->GetSpringCount(), 3);
    CKTElement* pLoadedWord = pLoadedPassage->GetFirstChild();
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(pS->GetSpring(i).m_pA, pLoadedWord->GetChildAt(i));
        EXPECT_EQ(pS->GetSpring(i).m_pB, pLoadedWord->GetChildAt(i + 1));
        EXPECT_EQ(pS->GetSpring(i).m_dRestLength, 40.0);
    }
    EXPECT_EQ(pS->GetDragBehavior(), Find<CKTViscousDragBhvr>(Book()));
    EXPECT_EQ(pD->GetEdgeCount(), 8);
    CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(Book().GetBookProp(BOOKPROP_COLLISION_DETECTOR));
    ASSERT_NE(pSlot, nullptr);
    EXPECT_EQ(pSlot->GetValue(), pD);
    EXPECT_EQ(KTGetIntegrator(), Find<CKTEulerBhvr>(Book()));
    EXPECT_EQ(Find<CKTStayInWindowBhvr>(Book())->GetMargins(), CRect(5, 5, 5, 5));
    // The loaded scene runs: the ground element dies and is forgotten; the behaviours keep going.
    for (int i = 0; i < 5; i++) Book().Step();
    pLoadedPassage->Die(FALSE, FALSE);
    EXPECT_EQ(pG->GetGroundElement(), nullptr);
    Book().Step();
    Book().Step();
}

TEST_F(StoredFormTest, LoadedDetectorWithAnEdgeOfNoElementIsRejected) {
    CKTGlyph* g = LoneGlyph(10, 10);
    CKT1DCollisionDetBhvr* pDetector = Add(new CKT1DCollisionDetBhvr);
    pDetector->AddElement(g);
    Bytes saved = kttest::StoreBook(Book());
    // The book's stored form ends with the listener lists; the detector's edges are stored inside the
    // behaviour list. Find the second edge record: a class tag of CKT1DCollEdge, an element reference,
    // the flag 1, and then the detector's empty active list (WORD 0).
    std::string name = "CKT1DCollEdge";
    auto it = std::search(saved.begin(), saved.end(), name.begin(), name.end());
    ASSERT_NE(it, saved.end());
    size_t nFirst = static_cast<size_t>(it - saved.begin()) + name.size();  // element ref, then flag 0
    size_t nSecond = nFirst + 2 + 4;                                         // class tag, element ref, flag 1
    ASSERT_LE(nSecond + 2 + 2 + 4, saved.size());
    EXPECT_EQ(saved[nSecond + 4], 1);
    Bytes broken = saved;
    broken[nSecond + 2] = 0;  // the second edge names no element
    broken[nSecond + 3] = 0;
    TearDown();
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        m_pBook = std::make_unique<CKTBook>();
    }
    EXPECT_THROW(kttest::LoadBook(Book(), broken, KT_FILE_VERSION), CArchiveException);
    EXPECT_NO_THROW(kttest::LoadBook(Book(), saved, KT_FILE_VERSION));
}
