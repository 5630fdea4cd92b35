// Springs: which springs exist after attaching and removing elements, the force of one spring, and the
// drag behaviour the springs make and share their lifetime with.
#include <cmath>

#include "physics/physicsfixture.h"

#include "kinetype/ktconnbyspringsbhvr.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktphysics.h"
#include "kinetype/ktviscousdragbhvr.h"

namespace {

class SpringsTest : public PhysicsTest {
protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        m_pSprings = Add(new CKTConnBySpringsBhvr);
        e[0] = LoneGlyph(0, 0);
        e[1] = LoneGlyph(30, 40);   // 50 from e0
        e[2] = LoneGlyph(30, 100);  // 60 from e1
        for (CKTGlyph* p : e) m_pSprings->AddElement(p);
    }
    // The springs as (index of A, index of B, rest length); -1 for an element not among e.
    struct S {
        int a, b;
        double rest;
        bool operator==(const S& o) const { return a == o.a && b == o.b && rest == o.rest; }
    };
    int IndexOf(CKTElement* p) const {
        for (int i = 0; i < 3; i++)
            if (e[i] == p) return i;
        return -1;
    }
    std::vector<S> Springs() const {
        std::vector<S> out;
        for (INT_PTR i = 0; i < m_pSprings->GetSpringCount(); i++) {
            const CKTSpring& s = m_pSprings->GetSpring(i);
            out.push_back({IndexOf(s.m_pA), IndexOf(s.m_pB), s.m_dRestLength});
        }
        return out;
    }

    CKTConnBySpringsBhvr* m_pSprings = nullptr;
    CKTGlyph* e[3] = {};
};

}  // namespace

TEST_F(SpringsTest, AttachMakesConsecutiveSpringsAndSkipsTheAnchor) {
    EXPECT_EQ(m_pSprings->GetType(), 7);
    EXPECT_EQ(m_pSprings->GetName(), "Connected by Springs");
    EXPECT_EQ(m_pSprings->GetSpringConstant(), 1.0);
    EXPECT_EQ(m_pSprings->GetDamping(), 0.5);
    EXPECT_EQ(Springs(), (std::vector<S>{{0, 1, 50.0}, {1, 2, 60.0}}));
    CKTEulerBhvr* pIntegrator = KTGetIntegrator();
    ASSERT_NE(pIntegrator, nullptr);
    CKTViscousDragBhvr* pDrag = m_pSprings->GetDragBehavior();
    ASSERT_NE(pDrag, nullptr);
    // The first element is the anchor: neither integrated nor dragged on this behaviour's account.
    EXPECT_EQ(pIntegrator->FindElement(e[0]), nullptr);
    EXPECT_EQ(pDrag->FindElement(e[0]), nullptr);
    for (int i : {1, 2}) {
        EXPECT_NE(pIntegrator->FindElement(e[i]), nullptr);
        EXPECT_NE(pDrag->FindElement(e[i]), nullptr);
    }
    EXPECT_FALSE(m_pSprings->AddElement(e[1]));  // attached already: no second spring
    EXPECT_EQ(m_pSprings->GetSpringCount(), 2);
}

TEST_F(SpringsTest, RemovingFirstMiddleOrLast) {
    struct Row {
        int removed;
        std::vector<S> left;
    } rows[] = {
        {0, {{1, 2, 60.0}}},  // spring 0 goes
        {1, {{0, 2, 50.0}}},  // e0 takes e2, keeping the (e0, e1) rest length
        {2, {{0, 1, 50.0}}},  // the last spring goes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.removed);
        TearDown();  // a fresh scene per row (the old book goes before the new one is made)
        SetUp();
        EXPECT_TRUE(m_pSprings->RemoveElement(e[row.removed]));
        EXPECT_EQ(Springs(), row.left);
        // Removal from a physics behaviour leaves the element with the integrator.
        if (row.removed != 0) {
            EXPECT_NE(KTGetIntegrator()->FindElement(e[row.removed]), nullptr);
        }
        EXPECT_FALSE(m_pSprings->RemoveElement(e[row.removed]));
    }
}

TEST_F(SpringsTest, RemovingEveryElementEmptiesTheSprings) {
    m_pSprings->RemoveElement(e[1]);
    m_pSprings->RemoveElement(e[0]);
    EXPECT_EQ(m_pSprings->GetSpringCount(), 0);
    m_pSprings->RemoveElement(e[2]);
    EXPECT_EQ(m_pSprings->GetSpringCount(), 0);
}

TEST_F(SpringsTest, DyingElementsCloseTheChain) {
    e[1]->Die(FALSE, TRUE);
    EXPECT_EQ(Springs(), (std::vector<S>{{0, 2, 50.0}}));
    Book().SetRunState(1);
    Book().Step();  // deletes e1; the springs never name it again
    Book().Step();
}

TEST_F(SpringsTest, ForceOfOneSpring) {
    // A at (0, 0), B at (30, 40): d = A - B = (-30, -40), L = 50; rest 40 (stretched by 10).
    CKTSpring spring(e[0], e[1]);
    spring.m_dRestLength = 40.0;
    SetVel(e[0], CKTVector(1, 2, 0));
    SetVel(e[1], CKTVector(-1, 0, 0));
    SetAcc(e[0], CKTVector(0, 0, 0));
    SetAcc(e[1], CKTVector(5, 5, 0));
    spring.ApplyForce(2.0, 0.5);
    double f = (40.0 - 50.0) * 2.0;
    f = f - 0.5 * (CKTVector(2, 2, 0).Dot(CKTVector(-30, -40, 0)) / 50.0);
    f = f / 50.0;
    CKTVector F = CKTVector(-30, -40, 0) * f;
    EXPECT_VEC_EQ(Acc(e[0]), F.x, F.y, 0.0);
    EXPECT_VEC_EQ(Acc(e[1]), 5.0 - F.x, 5.0 - F.y, 0.0);
    EXPECT_GT(Acc(e[0]).x, 0.0);  // stretched: A is pulled toward B
}

TEST_F(SpringsTest, NoForceAtTheSamePositionOrWithoutAnEnd) {
    PlaceAt(e[1], 0, 0);
    CKTSpring spring(e[0], e[1]);
    EXPECT_EQ(spring.m_dRestLength, 0.0);
    spring.m_dRestLength = 10.0;
    SetAcc(e[0], CKTVector(1, 1, 0));
    spring.ApplyForce(1.0, 0.5);
    EXPECT_VEC_EQ(Acc(e[0]), 1.0, 1.0, 0.0);
    CKTSpring half(e[0], nullptr);
    EXPECT_EQ(half.m_pA, e[0]);  // both ends are kept as given
    EXPECT_EQ(half.m_pB, nullptr);
    EXPECT_EQ(half.m_dRestLength, 0.0);
    half.ApplyForce(1.0, 0.5);
    EXPECT_VEC_EQ(Acc(e[0]), 1.0, 1.0, 0.0);
}

TEST_F(SpringsTest, DragBehaviourLifetime) {
    CKTViscousDragBhvr* pDrag = m_pSprings->GetDragBehavior();
    EXPECT_EQ(pDrag->GetDrag(), 0.1);
    EXPECT_TRUE(pDrag->IsRunning());
    // The book's list: the integrator, the drag behaviour, then the springs (added after construction).
    POSITION posB = Book().GetFirstBehaviorPosition();
    EXPECT_EQ(Book().GetNextBehavior(posB), KTGetIntegrator());
    EXPECT_EQ(Book().GetNextBehavior(posB), pDrag);
    EXPECT_EQ(Book().GetNextBehavior(posB), m_pSprings);
    POSITION pos = pDrag->GetFirstReferrerPosition();
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(pDrag->GetNextReferrer(pos), m_pSprings);
    m_pSprings->SetFriction(0.3);
    EXPECT_EQ(pDrag->GetDrag(), 0.3);
    EXPECT_EQ(m_pSprings->GetFriction(), 0.3);

    // The springs go first: they leave the drag behaviour's referrers.
    Book().RemoveBehavior(m_pSprings);
    delete m_pSprings;
    m_pSprings = nullptr;
    EXPECT_EQ(pDrag->GetFirstReferrerPosition(), nullptr);
    EXPECT_TRUE(Book().RemoveBehavior(pDrag));
    delete pDrag;
}

TEST_F(SpringsTest, DragBehaviourDestroyedFirstIsForgotten) {
    CKTViscousDragBhvr* pDrag = m_pSprings->GetDragBehavior();
    Book().RemoveBehavior(pDrag);
    delete pDrag;
    EXPECT_EQ(m_pSprings->GetDragBehavior(), nullptr);
    m_pSprings->SetFriction(0.7);  // nothing to forward to
    EXPECT_EQ(m_pSprings->GetFriction(), 0.0);
    CKTGlyph* g = LoneGlyph(5, 5);
    EXPECT_TRUE(m_pSprings->AddElement(g));
    EXPECT_EQ(m_pSprings->GetSpringCount(), 3);
}

TEST_F(SpringsTest, OnBehaviorDyingForgetsOnlyTheDrag) {
    CKTBehavior* pTrigger = Add(new CKTBehavior(1000));
    m_pSprings->AddReferrer(pTrigger);
    EXPECT_FALSE(m_pSprings->OnBehaviorDying(pTrigger));  // not the drag behaviour...
    EXPECT_EQ(m_pSprings->GetFirstReferrerPosition(), nullptr);  // ...but no longer a referrer
    EXPECT_NE(m_pSprings->GetDragBehavior(), nullptr);
    EXPECT_TRUE(m_pSprings->OnBehaviorDying(m_pSprings->GetDragBehavior()));
    EXPECT_EQ(m_pSprings->GetDragBehavior(), nullptr);
}

TEST_F(SpringsTest, StepPullsTheChainTogether) {
    PlaceAt(e[2], 30, 160);  // stretched by 60 against its rest length
    Book().SetRunState(1);
    Book().Step();
    EXPECT_LT(Vel(e[2]).y, 0.0);
    EXPECT_GT(Vel(e[1]).y, 0.0);
    EXPECT_EQ(e[0]->GetAbsolutePosition().y, 0.0);  // the anchor does not move
}
