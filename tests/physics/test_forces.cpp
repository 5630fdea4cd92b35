// Drag, cruise and stay in window: what each adds to or sets on an element.
#include <cmath>
#include <vector>

#include "physics/physicsfixture.h"

#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktphysics.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/ktviscousdragbhvr.h"

TEST_F(PhysicsTest, DragAddsMinusDragTimesVelocity) {
    CKTViscousDragBhvr* pDrag = Add(new CKTViscousDragBhvr);
    EXPECT_EQ(pDrag->GetType(), 15);
    EXPECT_EQ(pDrag->GetName(), "Viscous Drag");
    EXPECT_EQ(pDrag->GetDrag(), 0.1);
    pDrag->SetDrag(0.25);
    CKTGlyph* g = LoneGlyph(10, 10);
    pDrag->AddElement(g);
    SetVel(g, CKTVector(8, -4, 2));
    SetAcc(g, CKTVector(1, 1, 1));
    pDrag->OnEvent(EV_STEP);  // only the post-step counts
    EXPECT_VEC_EQ(Acc(g), 1.0, 1.0, 1.0);
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(g), 1.0 - 2.0, 1.0 + 1.0, 1.0 - 0.5);
}

// A behaviour whose elements died keeps its list of them; the room of that list goes back when the
// list is built again for far fewer elements.
TEST_F(PhysicsTest, MotionListGivesBackRoomForElementsThatLeft) {
    CKTViscousDragBhvr* pDrag = Add(new CKTViscousDragBhvr);
    std::vector<CKTGlyph*> glyphs;
    for (int i = 0; i < 200; i++) {
        glyphs.push_back(LoneGlyph(i, 10));
        pDrag->AddElement(glyphs.back());
    }
    CKTMotionList list;
    EXPECT_EQ(list.Get(*pDrag).size(), 200u);
    EXPECT_GE(list.GetRoom(), 200u);
    for (int i = 0; i < 150; i++) pDrag->RemoveElement(glyphs[i]);
    EXPECT_EQ(list.Get(*pDrag).size(), 50u);  // a quarter and more: the room stays
    EXPECT_GE(list.GetRoom(), 200u);
    for (int i = 150; i < 199; i++) pDrag->RemoveElement(glyphs[i]);
    ASSERT_EQ(list.Get(*pDrag).size(), 1u);
    EXPECT_EQ(list.Get(*pDrag)[0].pElement, glyphs[199]);
    EXPECT_EQ(list.GetRoom(), 1u);
    pDrag->RemoveElement(glyphs[199]);
    EXPECT_TRUE(list.Get(*pDrag).empty());
    EXPECT_LE(list.GetRoom(), 1u);
}

// The physics walks keep each element's properties from one step to the next; what they read must
// follow every change of a slot or of the behaviour's elements made between steps.
TEST_F(PhysicsTest, WalksFollowPropertyAndElementChanges) {
    CKTViscousDragBhvr* pDrag = Add(new CKTViscousDragBhvr);  // acceleration -= 0.1 x velocity
    CKTGlyph* g = LoneGlyph(10, 10);
    CKTGlyph* h = LoneGlyph(40, 10);
    pDrag->AddElement(g);
    SetVel(g, CKTVector(10, 20, 0));
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(g), -1.0, -2.0, 0.0);

    // Another velocity property put in the slot is the one read.
    CKTBhvrProp* pOld = g->GetProp(PROP_VELOCITY);
    CKTVectorBhvrProp* pNew = new CKTVectorBhvrProp(PROP_VELOCITY);
    pNew->SetValue(CKTVector(100, 0, 0));
    g->SetProp(PROP_VELOCITY, pNew);
    SetAcc(g, CKTVector(0, 0, 0));
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(g), -10.0, 0.0, 0.0);

    // A property of another class in the slot: the element is skipped.
    CKTBoolBhvrProp* pWrong = new CKTBoolBhvrProp(PROP_VELOCITY);
    g->SetProp(PROP_VELOCITY, pWrong);
    SetAcc(g, CKTVector(1, 1, 1));
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(g), 1.0, 1.0, 1.0);
    g->SetProp(PROP_VELOCITY, pOld);
    delete pNew;
    delete pWrong;

    // Detached, the element is left alone (its properties stay: the integrator holds them too);
    // attached again, it is walked again; a new element is taken.
    pDrag->RemoveElement(g);
    SetAcc(g, CKTVector(0, 0, 0));
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(g), 0.0, 0.0, 0.0);
    pDrag->AddElement(g);
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(g), -1.0, -2.0, 0.0);
    pDrag->RemoveElement(g);
    pDrag->AddElement(h);
    SetVel(h, CKTVector(0, 30, 0));
    SetAcc(g, CKTVector(0, 0, 0));
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(g), 0.0, 0.0, 0.0);
    EXPECT_VEC_EQ(Acc(h), 0.0, -3.0, 0.0);

    // Properties deleted and made anew when the last holder lets go and an element is attached again
    // (the integrator holds them as well: both let go).
    pDrag->RemoveElement(h);
    CKTBehavior* pIntegrator = nullptr;
    for (POSITION pos = Book().GetFirstBehaviorPosition(); pos;)
        if (CKTBehavior* p = Book().GetNextBehavior(pos); p->GetType() == BHVR_EULER) pIntegrator = p;
    ASSERT_NE(pIntegrator, nullptr);
    pIntegrator->RemoveElement(h);
    EXPECT_EQ(h->GetProp(PROP_VELOCITY), nullptr);
    pDrag->AddElement(h);
    SetVel(h, CKTVector(0, 50, 0));
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(h), 0.0, -5.0, 0.0);

    // An attached element destroyed between steps is gone from the walk.
    CKTGlyph* k = LoneGlyph(70, 10);
    pDrag->AddElement(k);
    pDrag->OnEvent(EV_POSTSTEP);
    delete k->GetParent()->GetParent();
    SetAcc(h, CKTVector(0, 0, 0));
    pDrag->OnEvent(EV_POSTSTEP);
    EXPECT_VEC_EQ(Acc(h), 0.0, -5.0, 0.0);
    EXPECT_EQ(pDrag->GetElementCount(), 1);
}

TEST_F(PhysicsTest, CruiseFirstDrawsFromSeedOne) {
    CKTCruiseBhvr* pCruise = Add(new CKTCruiseBhvr);
    EXPECT_EQ(pCruise->GetType(), 4);
    EXPECT_EQ(pCruise->GetName(), "Cruise");
    EXPECT_EQ(pCruise->GetMaxAcceleration(), 50.0);
    CKTGlyph* g = LoneGlyph(10, 10);
    pCruise->AddElement(g);
    SetAcc(g, CKTVector(0, 0, 7));
    crt::reset_rand();
    pCruise->OnEvent(EV_STEP);
    // rand() from seed 1 gives 41 and 18467: 41 % 50 - 25 = 16, 18467 % 50 - 25 = -8; z untouched.
    EXPECT_VEC_EQ(Acc(g), 16.0, -8.0, 7.0);
    crt::reset_rand();
    crt::rand();
    crt::rand();
    uint32_t after = crt::rand_state();
    crt::reset_rand();
    pCruise->OnEvent(EV_STEP);
    EXPECT_EQ(crt::rand_state(), after);  // two draws per element
}

TEST_F(PhysicsTest, CruiseRangeAndDegenerateMaximum) {
    CKTCruiseBhvr* pCruise = Add(new CKTCruiseBhvr);
    CKTGlyph* g = LoneGlyph(10, 10);
    pCruise->AddElement(g);
    for (int i = 0; i < 200; i++) {
        SetAcc(g, CKTVector(0, 0, 0));
        pCruise->OnEvent(EV_STEP);
        CKTVector a = Acc(g);
        ASSERT_GE(a.x, -25.0);
        ASSERT_LE(a.x, 24.0);
        ASSERT_GE(a.y, -25.0);
        ASSERT_LE(a.y, 24.0);
    }
    // A maximum that truncates to 0 adds nothing and draws nothing (the divisor would be 0).
    for (double dMax : {0.0, 0.5, 0.999, double(NAN), double(INFINITY)}) {
        SCOPED_TRACE(dMax);
        pCruise->SetMaxAcceleration(dMax);
        SetAcc(g, CKTVector(3, 4, 5));
        uint32_t before = crt::rand_state();
        pCruise->OnEvent(EV_STEP);
        EXPECT_EQ(crt::rand_state(), before);
        EXPECT_VEC_EQ(Acc(g), 3.0, 4.0, 5.0);
    }
    // A = 1: n = 1, h = 0.5: every step adds -0.5, one draw per axis.
    pCruise->SetMaxAcceleration(1.0);
    SetAcc(g, CKTVector(0, 0, 0));
    pCruise->OnEvent(EV_STEP);
    EXPECT_VEC_EQ(Acc(g), -0.5, -0.5, 0.0);
}

namespace {

struct StayRow {
    const char* what;
    int response;
    CRect box;          // the element's absolute bounds (10 x 10 boxes placed by their top left)
    CKTVector v, a;     // before
    CKTVector vAfter, aAfter;
    CPoint moved;       // the move of its top left
};

}  // namespace

TEST_F(PhysicsTest, StayInWindowResponses) {
    CKTStayInWindowBhvr* pStay = Add(new CKTStayInWindowBhvr);
    EXPECT_EQ(pStay->GetType(), 20);
    EXPECT_EQ(pStay->GetName(), "stay in window");
    EXPECT_EQ(pStay->GetResponse(), 2);
    EXPECT_EQ(pStay->GetResponseFactor(), 50.0);
    const double k = 1.0 / std::sqrt(2.0);
    CKTVector v(4, -6, 1), a(1, 2, 3), zero;
    const StayRow rows[] = {
        {"inside", 0, CRect(100, 100, 110, 110), v, a, v, a, CPoint(0, 0)},
        {"stop: out 7 right", 0, CRect(637, 100, 647, 110), v, a, zero, zero, CPoint(-7, 0)},
        {"stop: out 3 above", 0, CRect(100, -3, 110, 7), v, a, zero, zero, CPoint(0, 3)},
        {"stop: wholly outside, not moved", 0, CRect(700, 100, 710, 110), v, a, zero, zero, CPoint(0, 0)},
        {"bounce: out 7 right", 1, CRect(637, 100, 647, 110), v, a, CKTVector(-4 * 2.0, -6 * 2.0, 1 * 2.0), a,
         CPoint(-7, 0)},
        {"bounce: out left and below", 1, CRect(-2, 475, 8, 485), v, a, CKTVector(-4 * 2.0, 6 * 2.0, 2.0), a,
         CPoint(2, -5)},
        {"bounce: wholly outside", 1, CRect(-50, 100, -40, 110), v, a, v, a, CPoint(0, 0)},
        {"accelerate: centre inside", 2, CRect(634, 100, 644, 110), v, a, v, a, CPoint(0, 0)},
        {"accelerate: centre left", 2, CRect(-6, 100, 4, 110), v, a, v, CKTVector(1 + 2.0, 2, 3), CPoint(0, 0)},
        {"accelerate: centre left and above", 2, CRect(-6, -6, 4, 4), v, a, v,
         CKTVector(1 + k * 2.0, 2 + k * 2.0, 3), CPoint(0, 0)},
        {"accelerate: centre right and below", 2, CRect(636, 476, 646, 486), v, a, v,
         CKTVector(1 - k * 2.0, 2 - k * 2.0, 3), CPoint(0, 0)},
        {"unknown response", 5, CRect(700, 100, 710, 110), v, a, v, a, CPoint(0, 0)},
    };
    pStay->SetResponseFactor(2.0);
    for (const StayRow& row : rows) {
        SCOPED_TRACE(row.what);
        pStay->SetResponse(row.response);
        CKTGlyph* g = LoneGlyph(row.box.left, row.box.top);
        pStay->AddElement(g);
        SetVel(g, row.v);
        SetAcc(g, row.a);
        pStay->OnEvent(EV_POSTSTEP);
        EXPECT_VEC_EQ(Vel(g), row.vAfter.x, row.vAfter.y, row.vAfter.z);
        EXPECT_VEC_EQ(Acc(g), row.aAfter.x, row.aAfter.y, row.aAfter.z);
        EXPECT_EQ(g->GetAbsoluteBounds(), row.box + row.moved);
        pStay->RemoveElement(g);
    }
}

TEST_F(PhysicsTest, StayInWindowBoundary) {
    CKTStayInWindowBhvr* pStay = Add(new CKTStayInWindowBhvr);
    EXPECT_EQ(pStay->GetBoundary(), CRect(0, 0, kWidth, kHeight));
    pStay->SetMargins(CRect(10, -20, 30, -40));  // positive enlarges, negative shrinks
    EXPECT_EQ(pStay->GetBoundary(), CRect(-10, 20, kWidth + 30, kHeight - 40));
    m_wnd.SetClientRect(CRect(0, 0, 100, 50));
    EXPECT_EQ(pStay->GetBoundary(), CRect(-10, 20, 130, 10));
}

TEST_F(PhysicsTest, ExtremeCoordinatesStayDefined) {
    // A file can hold any margins and positions: the responses must not overflow (the sanitizer
    // build traps signed overflow) and must leave finite values.
    CKTStayInWindowBhvr* pStay = Add(new CKTStayInWindowBhvr);
    CKTGlyph* far = LoneGlyph(2.1e9, -2.1e9, 10, 10);
    CKTGlyph* wide = LoneGlyph(-2.0e9, 0, 2000000000, 2000000000);
    // Two elements each wider than the int range allows a width to be, overlapping by almost all.
    CKTGlyph* huge[2];
    for (int i = 0; i < 2; i++) {
        huge[i] = LoneGlyph(i, i);
        huge[i]->SetRenderer(new CKTERBox(CRect(-2000000000, -2000000000, 2000000000, 2000000000)), TRUE);
    }
    pStay->AddElement(far);
    pStay->AddElement(wide);
    pStay->AddElement(huge[0]);
    CKTBounceOnCollision* pBounce = Add(new CKTBounceOnCollision);
    pBounce->AddElement(huge[0]);
    huge[0]->AddCollision(huge[1]);
    pBounce->OnEvent(EV_POSTSTEP);
    for (CRect margins : {CRect(INT_MAX, INT_MAX, INT_MAX, INT_MAX), CRect(INT_MIN, INT_MIN, INT_MIN, INT_MIN),
                          CRect(0, 0, 0, 0)}) {
        pStay->SetMargins(margins);
        for (int response : {0, 1, 2}) {
            pStay->SetResponse(response);
            pStay->OnEvent(EV_POSTSTEP);
            for (CKTGlyph* g : {far, wide, huge[0]}) {
                CKTVector p = g->GetAbsolutePosition();
                EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
            }
        }
    }
}
