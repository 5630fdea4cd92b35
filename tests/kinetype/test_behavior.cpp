// The behaviour base: the applies-to mask, attaching and detaching both ways, shared element and book
// properties with their counts, a slot of the wrong class, starting and stopping, referrers and the
// destruction order.
#include <gtest/gtest.h>

#include <memory>

#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktglyph.h"
#include "kinetype/kttext.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kinetype/ktword.h"
#include "ktrecorder.h"

using kttest::CRecordingBhvr;
using kttest::Log;

namespace {

class BehaviorTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_bLoading = 0;
        m_pBook = std::make_unique<CKTBook>();
    }
    void TearDown() override { m_pBook.reset(); }

    // Links of an element to behaviours.
    static int LinkCount(CKTElement* p) {
        int n = 0;
        for (POSITION pos = p->GetFirstBehaviorPosition(); pos; p->GetNextBehavior(pos)) n++;
        return n;
    }

    Log m_log;
    std::unique_ptr<CKTBook> m_pBook;
};

}  // namespace

TEST_F(BehaviorTest, AppliesToMaskByKind) {
    struct Case {
        int nMask;
        int nKind;
        BOOL bApplies;
    } cases[] = {
        {1, 5, TRUE}, {1, 4, FALSE}, {2, 4, TRUE}, {2, 2, FALSE}, {4, 2, TRUE}, {4, 5, FALSE},
        {7, 1, FALSE}, {7, 0, FALSE}, {7, 3, FALSE}, {0, 5, FALSE}, {-1, 5, TRUE},
    };
    for (const Case& c : cases) {
        CKTBehavior b;
        b.SetAppliesTo(c.nMask);
        EXPECT_EQ(b.IsApplicable(c.nKind), c.bApplies) << "mask " << c.nMask << " kind " << c.nKind;
    }
    CKTBehavior b;
    EXPECT_EQ(b.GetAppliesTo(), 7);
    EXPECT_EQ(b.GetType(), 0);
    EXPECT_EQ(b.GetName(), "Unidentified Behavior");
}

TEST_F(BehaviorTest, AttachOnlyMatchingKindsOnce) {
    CRecordingBhvr b(m_log, "B");
    b.SetAppliesTo(APPLIES_TO_GLYPH);
    b.NeedElementProp(PROP_VELOCITY, PROPTYPE_VECTOR);
    CKTWord word;
    CKTGlyph glyph;
    EXPECT_FALSE(b.AddElement(&word));
    EXPECT_FALSE(b.AddElement(nullptr));
    EXPECT_TRUE(b.AddElement(&glyph));
    EXPECT_FALSE(b.AddElement(&glyph));
    EXPECT_EQ(b.GetElementCount(), 1);
    EXPECT_EQ(LinkCount(&glyph), 1);
    ASSERT_NE(glyph.GetProp(PROP_VELOCITY), nullptr);
    EXPECT_EQ(glyph.GetProp(PROP_VELOCITY)->GetRefCount(), 1);
    EXPECT_TRUE(b.RemoveElement(&glyph));
    EXPECT_FALSE(b.RemoveElement(&glyph));
    EXPECT_EQ(LinkCount(&glyph), 0);
    EXPECT_EQ(glyph.GetProp(PROP_VELOCITY), nullptr);
}

TEST_F(BehaviorTest, SharedElementPropertyCountsItsHolders) {
    CKTGlyph glyph;
    auto a = std::make_unique<CRecordingBhvr>(m_log, "A");
    auto b = std::make_unique<CRecordingBhvr>(m_log, "B");
    for (CRecordingBhvr* p : {a.get(), b.get()}) {
        p->NeedElementProp(PROP_ACCELERATION, PROPTYPE_VECTOR);
        p->AddElement(&glyph);
    }
    auto* pAccel = CKTVectorBhvrProp::Cast(glyph.GetProp(PROP_ACCELERATION));
    ASSERT_NE(pAccel, nullptr);
    EXPECT_EQ(pAccel->GetRefCount(), 2);
    pAccel->SetValue(CKTVector(1, 2, 0));
    a->RemoveElement(&glyph);
    ASSERT_EQ(glyph.GetProp(PROP_ACCELERATION), pAccel);
    EXPECT_EQ(pAccel->GetRefCount(), 1);
    EXPECT_TRUE(pAccel->GetValue() == CKTVector(1, 2, 0));
    b.reset();  // destruction detaches
    EXPECT_EQ(glyph.GetProp(PROP_ACCELERATION), nullptr);
    a->AddElement(&glyph);
    ASSERT_NE(CKTVectorBhvrProp::Cast(glyph.GetProp(PROP_ACCELERATION)), nullptr);
    EXPECT_TRUE(CKTVectorBhvrProp::Cast(glyph.GetProp(PROP_ACCELERATION))->GetValue() == CKTVector());
}

TEST_F(BehaviorTest, SlotOfAnotherClassIsNeitherSharedNorReplaced) {
    CKTGlyph glyph;
    auto* pWrong = new CKTBoolBhvrProp(PROP_VELOCITY);  // as a broken file may leave it
    glyph.SetProp(PROP_VELOCITY, pWrong);
    CRecordingBhvr b(m_log, "B");
    b.NeedElementProp(PROP_VELOCITY, PROPTYPE_VECTOR);
    b.NeedElementProp(PROP_ACCELERATION, PROPTYPE_VECTOR);
    EXPECT_TRUE(b.AddElement(&glyph));
    EXPECT_EQ(glyph.GetProp(PROP_VELOCITY), pWrong);
    EXPECT_EQ(pWrong->GetRefCount(), 0);
    ASSERT_NE(glyph.GetProp(PROP_ACCELERATION), nullptr);
    b.RemoveElement(&glyph);
    EXPECT_EQ(glyph.GetProp(PROP_VELOCITY), pWrong);  // still the element's
    EXPECT_EQ(glyph.GetProp(PROP_ACCELERATION), nullptr);
}

TEST_F(BehaviorTest, UnknownTypeCodeOrSlotLeavesTheSlotEmpty) {
    CKTGlyph glyph;
    CRecordingBhvr b(m_log, "B");
    b.NeedElementProp(PROP_SAVED_SIZE, 99);
    b.NeedElementProp(PROP_COUNT, PROPTYPE_INT);  // outside the array: nothing created, nothing leaked
    EXPECT_TRUE(b.AddElement(&glyph));
    EXPECT_EQ(glyph.GetProp(PROP_SAVED_SIZE), nullptr);
    EXPECT_TRUE(b.RemoveElement(&glyph));
}

TEST_F(BehaviorTest, BookPropertyCreatedByTheFirstHolderAndFreedByTheLast) {
    auto a = std::make_unique<CRecordingBhvr>(m_log, "A");
    auto b = std::make_unique<CRecordingBhvr>(m_log, "B");
    for (CRecordingBhvr* p : {a.get(), b.get()}) {
        p->NeedBookProp(BOOKPROP_INTEGRATOR, PROPTYPE_BHVRPTR);
        p->AcquireBookProps();
    }
    CKTBhvrProp* pProp = m_pBook->GetBookProp(BOOKPROP_INTEGRATOR);
    ASSERT_NE(pProp, nullptr);
    EXPECT_TRUE(pProp->IsOfType(PROPTYPE_BHVRPTR));
    EXPECT_EQ(pProp->GetRefCount(), 2);
    a.reset();
    EXPECT_EQ(pProp->GetRefCount(), 1);
    b.reset();
    EXPECT_EQ(m_pBook->GetBookProp(BOOKPROP_INTEGRATOR), nullptr);
}

TEST_F(BehaviorTest, StartAndStopListening) {
    CRecordingBhvr other(m_log, "O");
    other.Listen(EV_PRESTEP, 0);
    other.Listen(EV_POSTSTEP, 0);
    other.StartListening();
    CRecordingBhvr b(m_log, "B");
    b.Listen(EV_PRESTEP, 1);
    b.Listen(EV_POSTSTEP, 0);
    b.Listen(42, 0);  // refused by the book; still counts as running
    b.StartListening();
    b.StartListening();
    EXPECT_TRUE(b.IsRunning());
    EXPECT_EQ(m_pBook->GetListenerCount(EV_PRESTEP), 2);
    POSITION pos = m_pBook->GetFirstListenerPosition(EV_PRESTEP);
    EXPECT_EQ(m_pBook->GetNextListener(EV_PRESTEP, pos), &b);  // head
    pos = m_pBook->GetFirstListenerPosition(EV_POSTSTEP);
    m_pBook->GetNextListener(EV_POSTSTEP, pos);
    EXPECT_EQ(m_pBook->GetNextListener(EV_POSTSTEP, pos), &b);  // tail
    b.StopListening();
    b.StopListening();
    EXPECT_FALSE(b.IsRunning());
    EXPECT_EQ(m_pBook->GetListenerCount(EV_PRESTEP), 1);
    EXPECT_EQ(m_pBook->GetListenerCount(EV_POSTSTEP), 1);
}

TEST_F(BehaviorTest, DestructionTellsReferrersThenDetachesElements) {
    CRecordingBhvr t1(m_log, "T1"), t2(m_log, "T2");
    CKTGlyph g1, g2;
    {
        CRecordingBhvr b(m_log, "B");
        b.AddReferrer(&t1);
        b.AddReferrer(&t2);
        b.AddElement(&g1);
        b.AddElement(&g2);
        b.Listen(EV_STEP, 0);
        b.StartListening();
        m_log.clear();
    }
    EXPECT_EQ(m_log, (Log{"B:deleted", "T1:dying-heard", "T2:dying-heard"}));
    EXPECT_EQ(LinkCount(&g1), 0);
    EXPECT_EQ(LinkCount(&g2), 0);
    EXPECT_EQ(m_pBook->GetListenerCount(EV_STEP), 0);
}

TEST_F(BehaviorTest, ReferrersAddAndRemove) {
    CRecordingBhvr b(m_log, "B"), t(m_log, "T");
    EXPECT_FALSE(b.RemoveReferrer(&t));
    b.AddReferrer(&t);
    b.AddReferrer(&t);
    EXPECT_TRUE(b.RemoveReferrer(&t));
    POSITION pos = b.GetFirstReferrerPosition();
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(b.GetNextReferrer(pos), &t);
    EXPECT_TRUE(b.OnBehaviorDying(&t));
    EXPECT_EQ(b.GetFirstReferrerPosition(), nullptr);
}

TEST_F(BehaviorTest, ElementDestructionDetachesItFromItsBehaviours) {
    CRecordingBhvr b(m_log, "B");
    b.NeedElementProp(PROP_VELOCITY, PROPTYPE_VECTOR);
    auto* pGlyph = new CKTGlyph;
    b.AddElement(pGlyph);
    delete pGlyph;
    EXPECT_EQ(b.GetElementCount(), 0);
    EXPECT_EQ(b.FindElement(pGlyph), nullptr);
}
