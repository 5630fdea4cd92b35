// Gravity: classification at the ground (the rest threshold of 5 either way), landings and the feedback
// to resting elements, the ground types, and the ground element's death.
#include <vector>

#include "physics/physicsfixture.h"

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktgravitybhvr.h"

namespace {

class GravityTest : public PhysicsTest {
protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        m_pGravity = Add(new CKTGravityBhvr);
    }
    BOOL Resting(CKTElement* p) { return CKTBoolBhvrProp::Cast(p->GetProp(PROP_GRAVITY_STATE))->GetValue(); }
    CKTGravityBhvr* m_pGravity = nullptr;
};

}  // namespace

TEST_F(GravityTest, TablesNameAndIntegratorHookUp) {
    EXPECT_EQ(m_pGravity->GetType(), 14);
    EXPECT_EQ(m_pGravity->GetName(), "Gravity");
    EXPECT_EQ(m_pGravity->GetGroundType(), 0);
    EXPECT_EQ(m_pGravity->GetElasticity(), 0.2);
    EXPECT_EQ(m_pGravity->GetFeedback(), 0.5);
    EXPECT_EQ(m_pGravity->GetMagnitude(), 30.0);
    EXPECT_EQ(m_pGravity->GetPlaneY(), 200);
    // The first physics behaviour made the integrator: in the book, running, in book property 1.
    CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(Book().GetBookProp(BOOKPROP_INTEGRATOR));
    ASSERT_NE(pSlot, nullptr);
    CKTBehavior* pIntegrator = pSlot->GetValue();
    ASSERT_NE(pIntegrator, nullptr);
    EXPECT_TRUE(pIntegrator->IsKindOf(RUNTIME_CLASS(CKTEulerBhvr)));
    EXPECT_TRUE(pIntegrator->IsRunning());
    EXPECT_EQ(pSlot->GetRefCount(), 1);
    EXPECT_EQ(Book().GetBehaviorCount(), 2);
    // A second one finds it.
    CKTGravityBhvr* pSecond = Add(new CKTGravityBhvr);
    EXPECT_EQ(pSlot->GetValue(), pIntegrator);
    EXPECT_EQ(pSlot->GetRefCount(), 2);
    EXPECT_EQ(Book().GetBehaviorCount(), 3);
    // Enrolment: attached once to the integrator however many physics behaviours hold the element;
    // removing it from a physics behaviour leaves it with the integrator.
    CKTGlyph* g = LoneGlyph(10, 10);
    EXPECT_TRUE(m_pGravity->AddElement(g));
    EXPECT_FALSE(m_pGravity->AddElement(g));
    EXPECT_TRUE(pSecond->AddElement(g));
    EXPECT_EQ(pIntegrator->GetElementCount(), 1);
    EXPECT_TRUE(m_pGravity->RemoveElement(g));
    EXPECT_NE(pIntegrator->FindElement(g), nullptr);
}

// The behaviour stays after its elements died: the next pre-step gives back the lists' room.
TEST_F(GravityTest, PreStepWithoutElementsGivesBackTheListsRoom) {
    std::vector<CKTGlyph*> glyphs;
    for (int i = 0; i < 100; i++) {
        glyphs.push_back(LoneGlyph(i, 10));
        m_pGravity->AddElement(glyphs.back());
    }
    m_pGravity->OnEvent(EV_PRESTEP);
    EXPECT_EQ(m_pGravity->GetFallingCount() + m_pGravity->GetRestingCount(), 100u);
    EXPECT_GE(m_pGravity->GetListRoom(), 100u);
    for (CKTGlyph* g : glyphs) m_pGravity->RemoveElement(g);
    m_pGravity->OnEvent(EV_PRESTEP);
    EXPECT_EQ(m_pGravity->GetFallingCount() + m_pGravity->GetRestingCount(), 0u);
    EXPECT_EQ(m_pGravity->GetListRoom(), 0u);
}

TEST_F(GravityTest, RestThresholdAndLanding) {
    // Plane at 200. Each row: the element's y and vertical velocity before the pre-step; whether it
    // rests; whether the step sees it land (reversed and scaled by the elasticity 0.2).
    struct Row {
        double y, vy;
        bool rests, lands;
    } rows[] = {
        {200.0, 4.9, true, false},    // below 5 down: rests, no gravity
        {200.0, -4.9, true, false},   // below 5 up: rests as well
        {200.0, 5.0, false, true},    // 5 is not below 5
        {200.0, -5.0, false, true},   // moving up at the line: reversed too
        {203.0, 12.0, false, true},   // 3 below: put onto the line, then lands
        {150.0, 2.0, false, false},   // above the line: falls
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "y " << row.y << " vy " << row.vy);
        CKTGlyph* g = LoneGlyph(0, row.y);
        m_pGravity->AddElement(g);
        SetVel(g, CKTVector(1.0, row.vy, 0.0));
        m_pGravity->OnEvent(EV_PRESTEP);
        EXPECT_EQ(Resting(g), row.rests ? TRUE : FALSE);
        EXPECT_EQ(g->GetAbsolutePosition().y, row.y >= 200.0 ? 200.0 : row.y);
        m_pGravity->OnEvent(EV_STEP);
        double vy = row.rests ? 0.0 : (row.lands ? -0.2 * row.vy : row.vy);
        EXPECT_VEC_EQ(Vel(g), 1.0, vy, 0.0);
        EXPECT_VEC_EQ(Acc(g), 0.0, row.rests ? 0.0 : 30.0, 0.0);
        m_pGravity->RemoveElement(g);
    }
}

TEST_F(GravityTest, LandingKicksEveryRestingElement) {
    CKTGlyph* pLanding = LoneGlyph(0, 203);
    CKTGlyph* pRest1 = LoneGlyph(20, 200);
    CKTGlyph* pRest2 = LoneGlyph(40, 205);
    CKTGlyph* pAbove = LoneGlyph(60, 100);
    for (CKTGlyph* g : {pLanding, pRest1, pRest2, pAbove}) m_pGravity->AddElement(g);
    SetVel(pLanding, CKTVector(0, 12, 0));
    SetVel(pRest1, CKTVector(0, 1, 0));
    SetVel(pRest2, CKTVector(0, -3, 0));
    m_pGravity->OnEvent(EV_PRESTEP);
    EXPECT_EQ(m_pGravity->GetRestingCount(), 2);
    EXPECT_EQ(m_pGravity->GetFallingCount(), 2);
    m_pGravity->OnEvent(EV_STEP);
    double vy = -0.2 * 12.0;  // about -2.4
    EXPECT_VEC_EQ(Vel(pLanding), 0.0, vy, 0.0);
    // Each resting element got 0.5 x that (about -1.2) on top of its zeroed vertical velocity.
    EXPECT_VEC_EQ(Vel(pRest1), 0.0, 0.0 + vy * 0.5, 0.0);
    EXPECT_VEC_EQ(Vel(pRest2), 0.0, 0.0 + vy * 0.5, 0.0);
    EXPECT_VEC_EQ(Acc(pRest1), 0.0, 0.0, 0.0);
    EXPECT_VEC_EQ(Vel(pAbove), 0.0, 0.0, 0.0);
    EXPECT_VEC_EQ(Acc(pAbove), 0.0, 30.0, 0.0);
}

TEST_F(GravityTest, TwoLandingsKickInOrder) {
    CKTGlyph* a = LoneGlyph(0, 200);
    CKTGlyph* b = LoneGlyph(20, 200);
    CKTGlyph* r = LoneGlyph(40, 200);
    for (CKTGlyph* g : {a, b, r}) m_pGravity->AddElement(g);
    SetVel(a, CKTVector(0, 10.1, 0));
    SetVel(b, CKTVector(0, 7.3, 0));
    SetVel(r, CKTVector(0, 0.3, 0));
    m_pGravity->OnEvent(EV_PRESTEP);
    m_pGravity->OnEvent(EV_STEP);
    double vy = 0.0;
    vy += (-0.2 * 10.1) * 0.5;
    vy += (-0.2 * 7.3) * 0.5;
    EXPECT_EQ(Vel(r).y, vy);
}

// The kicks are added one by one to each resting element's own vertical velocity, also when resting
// elements start from different values (set between the pre-step and the step) and when one comes
// back to an earlier value.
TEST_F(GravityTest, KicksAddToEachRestingElementsOwnVelocity) {
    CKTGlyph* a = LoneGlyph(0, 200);
    CKTGlyph* b = LoneGlyph(20, 200);
    CKTGlyph* r[4] = {LoneGlyph(40, 200), LoneGlyph(60, 200), LoneGlyph(80, 200), LoneGlyph(100, 200)};
    for (CKTGlyph* g : {a, b, r[0], r[1], r[2], r[3]}) m_pGravity->AddElement(g);
    SetVel(a, CKTVector(0, 10.1, 0));
    SetVel(b, CKTVector(0, 7.3, 0));
    m_pGravity->OnEvent(EV_PRESTEP);
    ASSERT_EQ(m_pGravity->GetRestingCount(), 4u);
    const double start[4] = {0.0, 0.1, 0.1, -0.0};
    for (int i = 0; i < 4; i++) SetVel(r[i], CKTVector(1.5, start[i], 0));
    SetVel(r[1], CKTVector(1.5, 0.7, 0));  // r[1] differs from r[2], r[2] from r[3]
    m_pGravity->OnEvent(EV_STEP);
    const double ys[4] = {0.0, 0.7, 0.1, -0.0};
    for (int i = 0; i < 4; i++) {
        double vy = ys[i];
        vy += (-0.2 * 10.1) * 0.5;
        vy += (-0.2 * 7.3) * 0.5;
        EXPECT_EQ(Vel(r[i]).y, vy) << i;
        EXPECT_EQ(Vel(r[i]).x, 1.5) << i;
    }
}

TEST_F(GravityTest, GroundTypes) {
    CKTGlyph* pGround = LoneGlyph(300, 150.7);
    struct Row {
        int type;
        bool groundElement;
        int groundY;
    } rows[] = {
        {0, false, 200},       // the plane
        {1, true, 150},        // the ground element's y, truncated
        {1, false, 0},         // no ground element: 0
        {2, false, kHeight},   // window bottom
        {3, false, kHeight},   // loop at the window bottom
        {4, false, 0},         // none
        {9, false, 0},         // unknown: as none
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        m_pGravity->SetGroundType(row.type);
        m_pGravity->SetGroundElement(row.groundElement ? pGround : nullptr);
        EXPECT_EQ(m_pGravity->GetGroundY(), row.groundY);
    }
}

TEST_F(GravityTest, LoopGroundLiftsAndNeverBounces) {
    m_pGravity->SetGroundType(3);
    CKTGlyph* pBelow = LoneGlyph(0, kHeight + 2.5);  // top at the bottom or below
    CKTGlyph* pAbove = LoneGlyph(20, kHeight - 1.0); // top above it
    m_pGravity->AddElement(pBelow);
    m_pGravity->AddElement(pAbove);
    SetVel(pBelow, CKTVector(0, 40, 0));
    SetVel(pAbove, CKTVector(0, 40, 0));
    m_pGravity->OnEvent(EV_PRESTEP);
    EXPECT_EQ(pBelow->GetAbsolutePosition().y, kHeight + 2.5 - (kHeight + 50));
    EXPECT_EQ(pAbove->GetAbsolutePosition().y, kHeight - 1.0);
    EXPECT_FALSE(Resting(pBelow));
    EXPECT_FALSE(Resting(pAbove));
    m_pGravity->OnEvent(EV_STEP);
    EXPECT_VEC_EQ(Vel(pAbove), 0.0, 40.0, 0.0);  // at the line but no bounce
    EXPECT_VEC_EQ(Acc(pAbove), 0.0, 30.0, 0.0);
}

TEST_F(GravityTest, NoGroundOnlyAccelerates) {
    m_pGravity->SetGroundType(4);
    CKTGlyph* g = LoneGlyph(0, 5000);
    m_pGravity->AddElement(g);
    SetVel(g, CKTVector(0, 1, 0));
    m_pGravity->OnEvent(EV_PRESTEP);
    m_pGravity->OnEvent(EV_STEP);
    EXPECT_EQ(g->GetAbsolutePosition().y, 5000.0);
    EXPECT_VEC_EQ(Vel(g), 0.0, 1.0, 0.0);
    EXPECT_VEC_EQ(Acc(g), 0.0, 30.0, 0.0);
}

TEST_F(GravityTest, GroundElementForgottenWhenItDiesOrIsDestroyed) {
    m_pGravity->SetGroundType(1);
    CKTGlyph* pGround = LoneGlyph(0, 123);
    m_pGravity->SetGroundElement(pGround);
    EXPECT_EQ(m_pGravity->GetGroundY(), 123);
    pGround->Die(FALSE, TRUE);  // not one of gravity's elements
    EXPECT_EQ(m_pGravity->GetGroundElement(), nullptr);
    EXPECT_EQ(m_pGravity->GetGroundY(), 0);
    Book().SetRunState(1);
    Book().Step();  // deletes it; the next ticks read no dead element

    CKTGlyph* pOther = LoneGlyph(0, 77);
    m_pGravity->SetGroundElement(pOther);
    delete pOther;  // destroyed directly
    EXPECT_EQ(m_pGravity->GetGroundElement(), nullptr);
}

TEST_F(GravityTest, DyingElementLeavesTheLists) {
    CKTGlyph* a = LoneGlyph(0, 100);
    CKTGlyph* b = LoneGlyph(0, 200);
    m_pGravity->AddElement(a);
    m_pGravity->AddElement(b);
    m_pGravity->OnEvent(EV_PRESTEP);
    a->Die(FALSE, TRUE);
    b->Die(FALSE, TRUE);
    EXPECT_EQ(m_pGravity->GetFallingCount(), 0);
    EXPECT_EQ(m_pGravity->GetRestingCount(), 0);
    EXPECT_EQ(m_pGravity->GetElementCount(), 0);
}

TEST_F(GravityTest, FallsThroughTheTick) {
    // One tick: the integrator clears, gravity adds 30, the integrator moves by 0.1 x (0.1 x 30).
    CKTGlyph* g = LoneGlyph(0, 10);
    m_pGravity->AddElement(g);
    Book().SetRunState(1);
    Book().Step();
    double vy = 0.0 + 30.0 * 0.1;
    EXPECT_VEC_EQ(Vel(g), 0.0, vy, 0.0);
    EXPECT_EQ(g->GetAbsolutePosition().y, 10.0 + vy * 0.1);
}
