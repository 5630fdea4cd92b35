// Mouse-driven motion: move to mouse, move away, throwable and explode.
#include <climits>
#include <cmath>
#include <vector>

#include "effects/effectsfixture.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktexplodebhvr.h"
#include "kinetype/ktmoveawayfrommousebhvr.h"
#include "kinetype/ktmovetomousebhvr.h"
#include "kinetype/ktphysics.h"
#include "kinetype/ktthrowablebhvr.h"

namespace {

class MotionTest : public EffectsTest {
protected:
    void SetUp() override {
        EffectsTest::SetUp();
        Book().SetRunState(1);
    }
};

}  // namespace

TEST_F(MotionTest, MoveToMouseHalvesTheWayToTheOffset) {
    CKTGlyph* g = LoneGlyph(95, 95);  // centre (100, 100)
    CKTMoveToMouseBhvr* p = Add(new CKTMoveToMouseBhvr);
    ASSERT_TRUE(p->AddElement(g));
    ASSERT_NE(KTGetIntegrator(), nullptr);
    EXPECT_NE(KTGetIntegrator()->FindElement(g), nullptr);
    Book().OnMouseMove(CPoint(140, 70));
    Book().Step();
    EXPECT_VEC_EQ(Vel(g), 20.0, -15.0, 0.0);
    EXPECT_VEC_EQ(g->GetAbsolutePosition(), 97.0, 93.5, 0.0);  // the integrator moved it by v / 10
    PlaceAt(g, 95, 95);  // as if it had not moved
    Book().Step();
    EXPECT_VEC_EQ(Vel(g), 30.0, -22.5, 0.0);
}

TEST_F(MotionTest, MoveAwayStepsTenPixelsInsideTheInnerArea) {
    // Window 640 x 480: the inner area is (50, 50, 590, 430). Glyphs are 10 x 10 boxes from their point.
    struct Row {
        const char* what;
        CPoint at, mouse;
        CPoint after;
    } rows[] = {
        {"mouse 3 px left", {200, 200}, {197, 200}, {210, 200}},
        {"diagonal", {300, 300}, {303, 304}, {294, 292}},
        {"mouse on the point", {300, 300}, {300, 300}, {300, 300}},
        {"right edge would pass the inner edge", {575, 200}, {572, 200}, {575, 200}},
        {"right edge reaches the inner edge", {570, 200}, {567, 200}, {580, 200}},
        {"only the blocked axis stays", {575, 200}, {572, 197}, {575, 207}},  // dist 4: (7.5, 7.5)
        {"wholly in the border band", {10, 10}, {0, 0}, {10, 10}},
        {"left edge would pass", {55, 200}, {58, 200}, {55, 200}},
        {"top edge reaches", {200, 60}, {200, 63}, {200, 50}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CKTGlyph* g = LoneGlyph(row.at.x, row.at.y);
        auto* p = Add(new CKTMoveAwayFromMouseBhvr);
        p->AddElement(g);
        Book().OnMouseMove(row.mouse);
        Book().Step();
        EXPECT_EQ(g->GetAbsolutePoint(), row.after);
        Book().RemoveBehavior(p);
        delete p;
    }
}

TEST_F(MotionTest, MoveAwayFarOutsideTheWindowDoesNotOverflow) {
    struct Row {
        CPoint mouse, at, step;
    } rows[] = {
        {{0, 0}, {100000, 100000}, {7, 7}},  // squares beyond the int range
        {{0, 0}, {INT_MIN, INT_MIN}, {-7, -7}},
        {{INT_MAX, 0}, {INT_MIN, 0}, {-10, 0}},
        {{3, 4}, {0, 0}, {-6, -8}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.at.x << "," << row.at.y);
        EXPECT_EQ(CKTMoveAwayFromMouseBhvr::StepAway(row.mouse, row.at), row.step);
    }
    CKTGlyph* g = LoneGlyph(2.0e9, -2.0e9);
    auto* p = Add(new CKTMoveAwayFromMouseBhvr);
    p->AddElement(g);
    Book().OnMouseMove(CPoint(10, 10));
    Book().Step();
    EXPECT_EQ(g->GetAbsolutePoint(), CPoint(2000000000, -2000000000));
}

TEST_F(MotionTest, ThrowableThrowsWithTheTravelSinceTheOldestPoint) {
    CKTGlyph* g = LoneGlyph(100, 100);  // bounds (100, 100, 110, 110), centre (105, 105)
    CKTThrowableBhvr* p = Add(new CKTThrowableBhvr);
    p->AddElement(g);
    Book().OnMouseMove(CPoint(105, 105));
    Book().OnLButtonDown(CPoint(105, 105));
    EXPECT_EQ(p->GetGrabbed(), g);
    for (int x : {118, 131, 145}) {
        Book().OnMouseMove(CPoint(x, 105));
        Book().Step();
        EXPECT_EQ(g->GetCenter(), CPoint(x, 105));  // dragged (the integrator adds nothing yet)
    }
    Book().OnLButtonUp(CPoint(145, 105));
    EXPECT_EQ(p->GetGrabbed(), nullptr);
    EXPECT_VEC_EQ(Vel(g), 40.0, 0.0, 0.0);

    // More than five points: only the last five count.
    SetVel(g, CKTVector());
    Book().OnLButtonDown(CPoint(145, 105));
    for (int x = 150; x <= 210; x += 10) {
        Book().OnMouseMove(CPoint(x, 105));
        Book().Step();
    }
    EXPECT_EQ(p->GetHistoryCount(), 5u);
    EXPECT_EQ(p->GetHistoryPoint(0), CPoint(170, 105));
    Book().OnMouseMove(CPoint(215, 100));
    Book().OnLButtonUp(CPoint(215, 100));
    EXPECT_VEC_EQ(Vel(g), 45.0, -5.0, 0.0);

    // A release without a held element, a press on empty space: nothing.
    Book().OnLButtonUp(CPoint(0, 0));
    EXPECT_VEC_EQ(Vel(g), 45.0, -5.0, 0.0);
    Book().OnMouseMove(CPoint(600, 20));
    Book().OnLButtonDown(CPoint(600, 20));
    EXPECT_EQ(p->GetGrabbed(), nullptr);
    EXPECT_EQ(p->GetHistoryCount(), 0u);
}

TEST_F(MotionTest, ThrowablePressOverManyElementsKeepsFivePoints) {
    CKTThrowableBhvr* p = Add(new CKTThrowableBhvr);
    std::vector<CKTGlyph*> g;
    for (int i = 0; i < 7; i++) {
        g.push_back(LoneGlyph(100, 100));
        p->AddElement(g.back());
    }
    Book().OnMouseMove(CPoint(102, 103));
    Book().OnLButtonDown(CPoint(102, 103));
    EXPECT_EQ(p->GetGrabbed(), g.back());  // the last in list order
    EXPECT_EQ(p->GetHistoryCount(), 5u);
    for (UINT i = 0; i < 5; i++) EXPECT_EQ(p->GetHistoryPoint(i), CPoint(102, 103));
}

// A held element that is detached or dies mid-drag is let go with the points of its drag: the next
// throw measures only its own travel.
TEST_F(MotionTest, ThrowableLetsGoOfAnElementThatLeaves) {
    enum class How { Removed, AllRemoved, Died };
    for (How how : {How::Removed, How::AllRemoved, How::Died}) {
        SCOPED_TRACE(static_cast<int>(how));
        CKTGlyph* g = LoneGlyph(100, 100);
        CKTGlyph* h = LoneGlyph(300, 300);  // centre (305, 305)
        CKTThrowableBhvr* p = Add(new CKTThrowableBhvr);
        p->AddElement(g);
        p->AddElement(h);
        Book().OnMouseMove(CPoint(105, 105));
        Book().OnLButtonDown(CPoint(105, 105));
        ASSERT_EQ(p->GetGrabbed(), g);
        for (int x : {125, 145}) {
            Book().OnMouseMove(CPoint(x, 105));
            Book().Step();
        }
        ASSERT_EQ(p->GetHistoryCount(), 3u);
        switch (how) {
            case How::Removed: p->RemoveElement(g); break;
            case How::AllRemoved:
                p->RemoveAllElements();
                p->AddElement(h);
                break;
            case How::Died: g->Die(FALSE, TRUE); break;
        }
        EXPECT_EQ(p->GetGrabbed(), nullptr);
        EXPECT_EQ(p->GetHistoryCount(), 0u);
        Book().Step();  // the dead glyph is deleted; nothing reads it
        Book().OnLButtonUp(CPoint(150, 105));

        // A new drag on the other glyph, 20 px to the right: thrown with those 20 px only.
        SetVel(h, CKTVector());
        Book().OnMouseMove(CPoint(305, 305));
        Book().OnLButtonDown(CPoint(305, 305));
        ASSERT_EQ(p->GetGrabbed(), h);
        Book().OnMouseMove(CPoint(325, 305));
        Book().Step();
        Book().OnLButtonUp(CPoint(325, 305));
        EXPECT_VEC_EQ(Vel(h), 20.0, 0.0, 0.0);
        Book().RemoveBehavior(p);
        delete p;
    }
}

TEST_F(MotionTest, ExplodeKicksOnceWithThreeDrawsPerElement) {
    std::vector<CKTGlyph*> g;
    for (int i = 0; i < 4; i++) g.push_back(LoneGlyph(100.0 + 20 * i, 200));
    CKTExplodeBhvr* p = Add(new CKTExplodeBhvr);
    EXPECT_EQ(p->GetMinForce(), 500.0);
    EXPECT_EQ(p->GetMaxForce(), 2000.0);
    for (CKTGlyph* pGlyph : g) p->AddElement(pGlyph);
    crt::reset_rand();
    Book().Step();
    // From seed 1: rand() gives 41, 18467, 6334: d = (-0.99750, 0.12717) normalised, f = 789.96.
    CKTVector a = Acc(g[0]);
    EXPECT_NEAR(a.x, -783.61, 0.01);
    EXPECT_NEAR(a.y, 99.90, 0.01);
    EXPECT_EQ(a.z, 0.0);
    for (CKTGlyph* pGlyph : g) {
        double f = Acc(pGlyph).Length();
        EXPECT_GE(f, 500.0);
        EXPECT_LE(f, 2000.0);
    }
    uint32_t nAfter = crt::rand_state();
    crt::reset_rand();
    for (int i = 0; i < 3 * 4; i++) crt::rand();
    EXPECT_EQ(nAfter, crt::rand_state());
    EXPECT_TRUE(p->IsDone());
    Book().Step();
    EXPECT_VEC_EQ(Acc(g[0]), 0.0, 0.0, 0.0);  // cleared by the integrator, not kicked again
    EXPECT_EQ(nAfter, crt::rand_state());

    // Stored done: a loaded document does not explode again.
    Reload();
    CKTExplodeBhvr* pLoaded = Find<CKTExplodeBhvr>();
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_TRUE(pLoaded->IsDone());
    Book().Step();
    EXPECT_VEC_EQ(Acc(GlyphAt(0)), 0.0, 0.0, 0.0);
}
