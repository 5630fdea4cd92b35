// The collision detector (edge order, collision lists across words and passages, clearing) and the
// three responses (the bounce table, accelerate's distance factors, kill without dangling walks).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "physics/physicsfixture.h"

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktkilloncollision.h"

namespace {

typedef std::vector<CKTElement*> Elements;

Elements CollisionsOf(CKTElement* p) {
    Elements out;
    for (POSITION pos = p->GetFirstCollisionPosition(); pos;) out.push_back(p->GetNextCollision(pos));
    return out;
}

class CollisionTest : public PhysicsTest {
protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        m_pDet = Add(new CKT1DCollisionDetBhvr);
    }
    std::vector<int> EdgeCoordinates() const {
        std::vector<int> out;
        for (INT_PTR i = 0; i < m_pDet->GetEdgeCount(); i++) out.push_back(m_pDet->GetEdge(i)->GetCoordinate());
        return out;
    }
    void Detect() { m_pDet->OnEvent(EV_PRESTEP); }

    CKT1DCollisionDetBhvr* m_pDet = nullptr;
};

}  // namespace

TEST_F(CollisionTest, ConstructorTakesBookPropertyTwo) {
    EXPECT_EQ(m_pDet->GetType(), 1);
    EXPECT_EQ(m_pDet->GetName(), "1D Collision Detection");
    CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(Book().GetBookProp(BOOKPROP_COLLISION_DETECTOR));
    ASSERT_NE(pSlot, nullptr);
    EXPECT_EQ(pSlot->GetValue(), m_pDet);
    CKT1DCollisionDetBhvr* pSecond = Add(new CKT1DCollisionDetBhvr);
    EXPECT_EQ(pSlot->GetValue(), pSecond);
    EXPECT_EQ(pSlot->GetRefCount(), 2);
}

TEST_F(CollisionTest, EdgesGoWhereTheirCoordinatesSay) {
    CKTGlyph* a = LoneGlyph(50, 0);
    CKTGlyph* b = LoneGlyph(10, 0);
    CKTGlyph* c = LoneGlyph(30, 0);
    m_pDet->AddElement(a);
    EXPECT_EQ(EdgeCoordinates(), (std::vector<int>{50, 60}));
    m_pDet->AddElement(b);
    m_pDet->AddElement(c);
    EXPECT_EQ(EdgeCoordinates(), (std::vector<int>{10, 20, 30, 40, 50, 60}));
    EXPECT_FALSE(m_pDet->AddElement(c));
    EXPECT_EQ(m_pDet->GetEdgeCount(), 6);
    // Zero width: the right edge goes in front of the left one.
    CKTGlyph* z = LoneGlyph(20, 0, 0, 10);
    m_pDet->AddElement(z);
    EXPECT_EQ(EdgeCoordinates(), (std::vector<int>{10, 20, 20, 20, 30, 40, 50, 60}));
    EXPECT_EQ(m_pDet->GetEdge(1)->m_pElement, z);
    EXPECT_TRUE(m_pDet->GetEdge(1)->m_bRightEdge);
    EXPECT_EQ(m_pDet->GetEdge(2)->m_pElement, z);
    EXPECT_FALSE(m_pDet->GetEdge(2)->m_bRightEdge);
    // Detaching deletes the element's two edges.
    EXPECT_TRUE(m_pDet->RemoveElement(b));
    EXPECT_EQ(EdgeCoordinates(), (std::vector<int>{20, 20, 30, 40, 50, 60}));
    // The pre-step sorts again after moves; equal coordinates keep their order.
    PlaceAt(a, 0, 0);
    Detect();
    EXPECT_EQ(EdgeCoordinates(), (std::vector<int>{0, 10, 20, 20, 30, 40}));
    EXPECT_EQ(m_pDet->GetEdge(2)->m_pElement, z);
    EXPECT_TRUE(m_pDet->GetEdge(2)->m_bRightEdge);
}

TEST_F(CollisionTest, ListsAcrossWordsAndPassages) {
    enum Layout { SameWord, TwoWords, TwoPassages, Touching, TouchingBelow };
    struct Row {
        const char* what;
        Layout layout;
    } rows[] = {{"one word", SameWord},
                {"two words of one passage", TwoWords},
                {"two passages", TwoPassages},
                {"touching side by side", Touching},
                {"touching one above the other", TouchingBelow}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        CKTPassage* p1 = NewPassage();
        CKTPassage* p2 = row.layout == TwoPassages ? NewPassage() : p1;
        CKTWord* w1 = NewWord(p1);
        CKTWord* w2 = row.layout == SameWord ? w1 : NewWord(p2);
        CKTGlyph* g1 = NewGlyph(w1, 100, 100);
        double x2 = row.layout == Touching ? 110 : 105;
        double y2 = row.layout == TouchingBelow ? 110 : 103;
        if (row.layout == TouchingBelow) x2 = 100;
        CKTGlyph* g2 = NewGlyph(w2, x2, y2);
        m_pDet->AddElement(g1);
        m_pDet->AddElement(g2);
        // Stale entries from an earlier tick must not survive.
        p1->AddCollision(g1);
        w1->AddCollision(g2);
        Detect();
        bool collide = row.layout != Touching && row.layout != TouchingBelow;
        EXPECT_EQ(CollisionsOf(g1), collide ? Elements{g2} : Elements{});
        EXPECT_EQ(CollisionsOf(g2), collide ? Elements{g1} : Elements{});
        bool words = collide && w1 != w2;
        bool passages = collide && p1 != p2;
        EXPECT_EQ(CollisionsOf(w1), words ? Elements{g2} : Elements{});
        EXPECT_EQ(CollisionsOf(w2), words ? Elements{g1} : Elements{});
        EXPECT_EQ(CollisionsOf(p1), passages ? Elements{g2} : Elements{});
        EXPECT_EQ(CollisionsOf(p2), passages ? Elements{g1} : Elements{});
        EXPECT_TRUE(CollisionsOf(Book().GetRoot()).empty());
    }
}

TEST_F(CollisionTest, ListOrderFollowsTheSweep) {
    CKTWord* w = NewWord(NewPassage());
    CKTGlyph* g3 = NewGlyph(w, 6, 0);
    CKTGlyph* g1 = NewGlyph(w, 0, 0);
    CKTGlyph* g2 = NewGlyph(w, 3, 0);
    CKTGlyph* far = NewGlyph(w, 300, 0);
    CKTGlyph* thin = NewGlyph(w, 4, 0, 0, 10);  // zero width: toggles open and closed, meets nothing
    for (CKTGlyph* g : {g3, g1, thin, g2, far}) m_pDet->AddElement(g);
    Detect();
    EXPECT_EQ(CollisionsOf(g1), (Elements{g2, g3}));
    EXPECT_EQ(CollisionsOf(g2), (Elements{g1, g3}));
    EXPECT_EQ(CollisionsOf(g3), (Elements{g1, g2}));
    EXPECT_TRUE(CollisionsOf(far).empty());
    EXPECT_TRUE(CollisionsOf(thin).empty());
    // The public halves give the same lists.
    m_pDet->SortEdges();
    m_pDet->Sweep();
    EXPECT_EQ(CollisionsOf(g1), (Elements{g2, g3}));
    EXPECT_EQ(CollisionsOf(g3), (Elements{g1, g2}));
    // Every sweep flag ends closed.
    for (CKTGlyph* g : {g1, g2, g3, far, thin})
        EXPECT_FALSE(CKTBoolBhvrProp::Cast(g->GetProp(PROP_SWEEP_OPEN))->GetValue());
}

TEST_F(CollisionTest, AWordAndItsGlyphsTogether) {
    // Mask 7: a word attached with its glyphs collides with a foreign glyph and with its own glyphs.
    CKTPassage* p = NewPassage();
    CKTWord* w = NewWord(p);
    CKTGlyph* g = NewGlyph(w, 0, 0);
    CKTGlyph* h = NewGlyph(NewWord(p), 5, 5);
    m_pDet->AddElement(w);
    m_pDet->AddElement(g);
    m_pDet->AddElement(h);
    Detect();
    // g's left edge went in front of w's equal one, so g opens first, then w (meets g), then h (meets
    // g, then w). w is g's parent, so w itself lands in w's list (the pair's foreign parent is w).
    EXPECT_EQ(CollisionsOf(w), (Elements{g, w, h, h}));
    EXPECT_EQ(CollisionsOf(g), (Elements{w, h}));
    EXPECT_EQ(CollisionsOf(h), (Elements{g, w}));
    EXPECT_EQ(CollisionsOf(p), (Elements{g, w, h, w}));
    EXPECT_EQ(CollisionsOf(Book().GetRoot()), (Elements{g, h}));
}

TEST_F(CollisionTest, StaleFlagsAndDetachedElements) {
    CKTGlyph* g1 = LoneGlyph(0, 0);
    CKTGlyph* g2 = LoneGlyph(5, 0);
    m_pDet->AddElement(g1);
    m_pDet->AddElement(g2);
    CKTBoolBhvrProp::Cast(g1->GetProp(PROP_SWEEP_OPEN))->SetValue(TRUE);  // left open by an old sweep
    Detect();
    EXPECT_EQ(CollisionsOf(g1), Elements{g2});
    EXPECT_EQ(CollisionsOf(g2), Elements{g1});
    // g2 leaves the detector but stays in the tree: the next sweep clears what it had.
    m_pDet->RemoveElement(g2);
    Detect();
    EXPECT_TRUE(CollisionsOf(g1).empty());
    EXPECT_TRUE(CollisionsOf(g2).empty());
    // An element out of the tree but still attached is cleared too.
    CKTGlyph* g3 = LoneGlyph(0, 0);
    m_pDet->AddElement(g3);
    Detect();
    EXPECT_EQ(CollisionsOf(g3), Elements{g1});
    CKTElement* pWord = g3->GetParent();
    pWord->RemoveChild(g3, FALSE);
    PlaceAt(g3, 400, 400);
    Detect();
    EXPECT_TRUE(CollisionsOf(g3).empty());
    EXPECT_TRUE(CollisionsOf(g1).empty());
    pWord->AppendChild(g3, FALSE);
}

TEST_F(CollisionTest, BounceTable) {
    CKTBounceOnCollision* pBounce = Add(new CKTBounceOnCollision);
    EXPECT_EQ(pBounce->GetType(), 22);
    EXPECT_EQ(pBounce->GetName(), "bounce on collision");
    EXPECT_EQ(pBounce->GetElasticity(), 1.0);
    pBounce->SetElasticity(0.5);
    struct Row {
        const char* what;
        CRect other;     // the collider's box (the element is the box (0, 0, 10, 10) at (100, 100))
        CKTVector v;
        CKTVector vAfter;
        CPoint moved;
    } rows[] = {
        {"wider than tall: y reverses", CRect(2, 7, 12, 17), CKTVector(3, 4, 1), CKTVector(1.5, -2, 0.5), CPoint(0, -3)},
        {"wider than tall, moving up", CRect(2, 7, 12, 17), CKTVector(3, -4, 0), CKTVector(1.5, 2, 0), CPoint(0, 3)},
        {"taller than wide: x reverses", CRect(7, 2, 17, 12), CKTVector(3, 4, 0), CKTVector(-1.5, 2, 0), CPoint(-3, 0)},
        {"taller than wide, moving left", CRect(7, 2, 17, 12), CKTVector(-3, 4, 0), CKTVector(1.5, 2, 0), CPoint(3, 0)},
        {"taller than wide, no x speed", CRect(7, 2, 17, 12), CKTVector(0, 4, 0), CKTVector(-0.0, 2, 0), CPoint(-3, 0)},
        {"square: both reverse", CRect(6, 6, 16, 16), CKTVector(3, 4, 0), CKTVector(-1.5, -2, 0), CPoint(-4, -4)},
        {"contained: nothing", CRect(-5, -5, 20, 20), CKTVector(3, 4, 0), CKTVector(3, 4, 0), CPoint(0, 0)},
        {"apart: nothing", CRect(10, 0, 20, 10), CKTVector(3, 4, 0), CKTVector(3, 4, 0), CPoint(0, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CKTGlyph* g = LoneGlyph(100, 100);
        CKTGlyph* c = LoneGlyph(100 + row.other.left, 100 + row.other.top, row.other.Width(), row.other.Height());
        pBounce->AddElement(g);
        SetVel(g, row.v);
        g->AddCollision(c);  // the first collider counts
        g->AddCollision(LoneGlyph(100, 100));
        pBounce->OnEvent(EV_POSTSTEP);
        EXPECT_VEC_EQ(Vel(g), row.vAfter.x, row.vAfter.y, row.vAfter.z);
        EXPECT_EQ(g->GetAbsolutePoint(), CPoint(100, 100) + row.moved);
        g->ClearCollisions();
        pBounce->RemoveElement(g);
    }
}

TEST_F(CollisionTest, AccelerateDistanceFactors) {
    CKTAccelerateOnCollision* pAccel = Add(new CKTAccelerateOnCollision);
    EXPECT_EQ(pAccel->GetType(), 21);
    EXPECT_EQ(pAccel->GetName(), "accelerate on collision");
    EXPECT_EQ(pAccel->GetMagnitude(), 25.0);
    struct Row {
        const char* what;
        std::vector<CPoint> colliders;  // offsets of the colliders' boxes from the element's
        CKTVector direction;            // of the push; zero: the acceleration stays (7, 7, 7)
        double factor;
    } rows[] = {
        {"4 px: 10 x", {CPoint(-4, 0)}, CKTVector(1, 0, 0), 10.0},
        {"4 px below: pushed up", {CPoint(0, 4)}, CKTVector(0, -1, 0), 10.0},
        {"5 px: 5 x", {CPoint(-3, -4)}, CKTVector(3, 4, 0), 5.0},
        {"7 px: 5 x", {CPoint(7, 0)}, CKTVector(-1, 0, 0), 5.0},
        {"10 px: 2 x", {CPoint(0, -10)}, CKTVector(0, 1, 0), 2.0},
        {"12 px: 2 x", {CPoint(12, 0)}, CKTVector(-1, 0, 0), 2.0},
        {"the sum points, the nearest decides", {CPoint(-12, 0), CPoint(0, -3)}, CKTVector(12, 3, 0), 10.0},
        {"symmetric: no push", {CPoint(-6, 0), CPoint(6, 0)}, CKTVector(), 0.0},
        {"same centre: no push", {CPoint(0, 0)}, CKTVector(), 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CKTGlyph* g = LoneGlyph(100, 100);
        pAccel->AddElement(g);
        SetAcc(g, CKTVector(7, 7, 7));  // replaced, not added to
        for (CPoint off : row.colliders) g->AddCollision(LoneGlyph(100 + off.x, 100 + off.y));
        pAccel->OnEvent(EV_POSTSTEP);
        CKTVector expected(7, 7, 7);
        if (row.factor != 0.0) {
            CKTVector unit = row.direction;
            unit /= unit.Length();
            expected = unit * (row.factor * 25.0);
        }
        CKTVector a = Acc(g);
        EXPECT_VEC_EQ(a, expected.x, expected.y, expected.z);
        EXPECT_TRUE(std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z));
        g->ClearCollisions();
        pAccel->RemoveElement(g);
    }
    for (double d : {0.0, 4.999, 5.0, 9.999, 10.0, 666666.0})
        EXPECT_EQ(CKTAccelerateOnCollision::DistanceFactor(d), d < 5.0 ? 10.0 : d < 10.0 ? 5.0 : 2.0);
}

TEST_F(CollisionTest, KillAGlyphAndItsWordInOneWalk) {
    for (bool bWordFirst : {false, true}) {
        SCOPED_TRACE(bWordFirst ? "word attached first" : "glyph attached first");
        TearDown();
        SetUp();
        CKTKillOnCollision* pKill = Add(new CKTKillOnCollision);
        EXPECT_EQ(pKill->GetType(), 23);
        EXPECT_EQ(pKill->GetName(), "kill on collision");
        CKTPassage* p = NewPassage();
        CKTWord* w = NewWord(p);
        CKTGlyph* g = NewGlyph(w, 0, 0);
        CKTGlyph* other = LoneGlyph(5, 5);
        CKTGlyph* bystander = LoneGlyph(300, 300);
        for (CKTElement* e : {static_cast<CKTElement*>(g), static_cast<CKTElement*>(other), static_cast<CKTElement*>(bystander)})
            m_pDet->AddElement(e);
        if (bWordFirst) pKill->AddElement(w);
        pKill->AddElement(g);
        if (!bWordFirst) pKill->AddElement(w);
        pKill->AddElement(bystander);
        Book().SetRunState(1);
        Book().Step();  // g and w collide with `other`: g dies, w and p die empty with it
        EXPECT_EQ(pKill->GetElementCount(), 1);
        EXPECT_EQ(m_pDet->GetElementCount(), 2);
        EXPECT_EQ(m_pDet->GetEdgeCount(), 4);
        EXPECT_EQ(Book().GetRoot()->GetChildCount(), 2);
        Book().Step();
        EXPECT_TRUE(CollisionsOf(other).empty());
    }
}

TEST_F(CollisionTest, KillEveryGlyphOfAWord) {
    CKTKillOnCollision* pKill = Add(new CKTKillOnCollision);
    CKTPassage* p = NewPassage();
    CKTWord* w = NewWord(p);
    std::vector<CKTGlyph*> glyphs;
    for (int i = 0; i < 4; i++) glyphs.push_back(NewGlyph(w, i * 5, 0));
    for (CKTGlyph* g : glyphs) {
        m_pDet->AddElement(g);
        pKill->AddElement(g);
    }
    pKill->AddElement(w);
    pKill->AddElement(p);
    Detect();
    pKill->OnEvent(EV_POSTSTEP);
    for (CKTGlyph* g : glyphs) EXPECT_TRUE(Book().IsMoribund(g));
    EXPECT_TRUE(Book().IsMoribund(w));
    EXPECT_TRUE(Book().IsMoribund(p));
    EXPECT_EQ(pKill->GetElementCount(), 0);
    Book().SetRunState(1);
    Book().Step();
    EXPECT_EQ(Book().GetRoot()->GetChildCount(), 0);
    EXPECT_EQ(m_pDet->GetEdgeCount(), 0);
}

TEST_F(CollisionTest, TwoDetectorsKeepEachOthersLists) {
    // m_pDet holds g1 and g2 (word w of passage P), the second detector g3 (word w2) and g4 (word w3),
    // both of passage Q. Each pair overlaps, the pairs lie apart. Whichever detector sweeps last, both
    // keep what they found.
    for (bool bSecondFirst : {false, true}) {
        SCOPED_TRACE(bSecondFirst ? "second detector sweeps first" : "first detector sweeps first");
        TearDown();
        SetUp();
        CKT1DCollisionDetBhvr* pOther = Add(new CKT1DCollisionDetBhvr);
        CKTPassage* P = NewPassage();
        CKTWord* w = NewWord(P);
        CKTGlyph* g1 = NewGlyph(w, 0, 0);
        CKTGlyph* g2 = NewGlyph(w, 5, 0);
        CKTPassage* Q = NewPassage();
        CKTWord* w2 = NewWord(Q);
        CKTWord* w3 = NewWord(Q);
        CKTGlyph* g3 = NewGlyph(w2, 100, 100);
        CKTGlyph* g4 = NewGlyph(w3, 104, 104);
        m_pDet->AddElement(g1);
        m_pDet->AddElement(g2);
        pOther->AddElement(g3);
        pOther->AddElement(g4);
        auto SweepBoth = [&] {
            for (CKT1DCollisionDetBhvr* d : bSecondFirst ? std::vector{pOther, m_pDet} : std::vector{m_pDet, pOther})
                d->OnEvent(EV_PRESTEP);
        };
        SweepBoth();
        EXPECT_EQ(CollisionsOf(g1), Elements{g2});
        EXPECT_EQ(CollisionsOf(g2), Elements{g1});
        EXPECT_TRUE(CollisionsOf(w).empty());
        EXPECT_EQ(CollisionsOf(g3), Elements{g4});
        EXPECT_EQ(CollisionsOf(g4), Elements{g3});
        EXPECT_EQ(CollisionsOf(w2), Elements{g4});
        EXPECT_EQ(CollisionsOf(w3), Elements{g3});
        EXPECT_TRUE(CollisionsOf(Q).empty());

        // g2 (still in w) moves over to the second detector, between g3 and g4: the three overlap.
        // The first detector's next sweep leaves what the second found for g2 alone. Only w and P, the
        // parent and grandparent of an element of each, are cleared by both: they keep what the
        // later sweep left.
        m_pDet->RemoveElement(g2);
        PlaceAt(g2, 102, 102);
        pOther->AddElement(g2);
        for (int nPass = 0; nPass < 2; nPass++) {
            SweepBoth();
            EXPECT_TRUE(CollisionsOf(g1).empty());
            EXPECT_EQ(CollisionsOf(g2), (Elements{g3, g4}));
            EXPECT_EQ(CollisionsOf(g3), (Elements{g2, g4}));
            EXPECT_EQ(CollisionsOf(g4), (Elements{g3, g2}));
            EXPECT_EQ(CollisionsOf(w2), (Elements{g2, g4}));
            EXPECT_EQ(CollisionsOf(w3), (Elements{g3, g2}));
            EXPECT_EQ(CollisionsOf(Q), (Elements{g2, g2}));
            for (CKTElement* pShared : {static_cast<CKTElement*>(w), static_cast<CKTElement*>(P)})
                EXPECT_EQ(CollisionsOf(pShared), bSecondFirst ? Elements{} : (Elements{g3, g4}));
        }
    }
}

TEST_F(CollisionTest, ListsOfAStoppedOrRemovedDetectorNameNoDeletedElement) {
    CKTGlyph* g1 = LoneGlyph(0, 0);
    CKTGlyph* g2 = LoneGlyph(5, 0);
    CKTGlyph* g3 = LoneGlyph(2, 2);
    for (CKTGlyph* g : {g1, g2, g3}) m_pDet->AddElement(g);
    Detect();
    EXPECT_EQ(CollisionsOf(g1), (Elements{g3, g2}));
    // Stopped, the detector's lists stay as the last sweep left them ...
    m_pDet->StopListening();
    Book().SetRunState(1);
    Book().Step();
    EXPECT_EQ(CollisionsOf(g1), (Elements{g3, g2}));
    // ... until an element they may name leaves the scene.
    g2->Die(FALSE, TRUE);
    Book().Step();  // g2 deleted
    EXPECT_TRUE(CollisionsOf(g1).empty());
    EXPECT_TRUE(CollisionsOf(g3).empty());
    EXPECT_TRUE(CollisionsOf(g1->GetParent()).empty());
    // A removed detector leaves no list behind.
    m_pDet->StartListening();
    Detect();
    EXPECT_EQ(CollisionsOf(g1), (Elements{g3}));
    Book().RemoveBehavior(m_pDet);
    delete m_pDet;
    m_pDet = nullptr;
    EXPECT_TRUE(CollisionsOf(g1).empty());
    EXPECT_TRUE(CollisionsOf(g3->GetParent()).empty());
}

// The sweep's lists against the definition, worked out here on its own: the edges in the detector's
// order, each element's first edge opening it and its second closing it, an opening element tested
// against every open element in the order they opened. Random scenes of glyphs and words (ties,
// empty and inverted rectangles, elements much taller than the rest, coordinates far apart), swept
// several times while elements move, leave and come back.
TEST_F(CollisionTest, SweepMatchesTheWalkOverEveryOpenElement) {
    struct Lcg {
        uint32_t s;
        int operator()(int n) {
            s = s * 1103515245u + 12345u;
            return static_cast<int>((s >> 8) % static_cast<uint32_t>(n));
        }
    };
    auto Expected = [this]() {
        std::map<CKTElement*, Elements> lists;
        std::vector<CKTElement*> open;
        for (INT_PTR i = 0; i < m_pDet->GetEdgeCount(); i++) {
            CKTElement* e = m_pDet->GetEdge(i)->m_pElement;
            auto it = std::find(open.begin(), open.end(), e);
            if (it != open.end()) {
                open.erase(it);
                continue;
            }
            const CRect re = e->GetAbsoluteBounds();
            for (CKTElement* a : open) {
                const CRect ra = a->GetAbsoluteBounds();
                if (std::max(re.left, ra.left) >= std::min(re.right, ra.right)) continue;
                if (std::max(re.top, ra.top) >= std::min(re.bottom, ra.bottom)) continue;
                lists[e].push_back(a);
                lists[a].push_back(e);
                CKTElement *pe = e->GetParent(), *pa = a->GetParent();
                if (pe == pa) continue;
                if (pa) lists[pa].push_back(e);
                if (pe) lists[pe].push_back(a);
                CKTElement *ge = pe ? pe->GetParent() : nullptr, *ga = pa ? pa->GetParent() : nullptr;
                if (ge == ga) continue;
                if (ga) lists[ga].push_back(e);
                if (ge) lists[ge].push_back(a);
            }
            open.push_back(e);
        }
        return lists;
    };
    auto Every = [](CKTElement* pRoot) {
        std::vector<CKTElement*> out{pRoot};
        for (size_t i = 0; i < out.size(); i++)
            for (CKTElement* c = out[i]->GetFirstChild(); c; c = c->GetNextSibling()) out.push_back(c);
        return out;
    };
    for (uint32_t nSeed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(testing::Message() << "seed " << nSeed);
        TearDown();
        SetUp();
        Lcg rnd{nSeed};
        const int nSpread = nSeed % 3 == 0 ? 2000000000 / 4 : 400;  // far apart, or crowded with ties
        std::vector<CKTGlyph*> glyphs;
        std::vector<CKTWord*> words;
        for (int p = 0; p < 4; p++) {
            CKTPassage* pPassage = NewPassage(rnd(50), rnd(50));
            for (int w = 0; w < 6; w++) {
                CKTWord* pWord = NewWord(pPassage, rnd(40), rnd(40));
                words.push_back(pWord);
                for (int g = 0; g < 8; g++) {
                    const int nKind = rnd(20);
                    const int h = nKind == 0 ? 0 : nKind == 1 ? -6 : nKind == 2 ? 300 : 4 + rnd(20);
                    glyphs.push_back(NewGlyph(pWord, rnd(nSpread) - nSpread / 8, rnd(nSpread) - nSpread / 8, rnd(12), h));
                }
            }
        }
        for (CKTGlyph* g : glyphs) m_pDet->AddElement(g);
        for (size_t i = 0; i < words.size(); i += 3) m_pDet->AddElement(words[i]);  // some words too
        for (int nPass = 0; nPass < 5; nPass++) {
            SCOPED_TRACE(testing::Message() << "pass " << nPass);
            m_pDet->SortEdges();
            const std::map<CKTElement*, Elements> expected = Expected();
            m_pDet->Sweep();
            size_t nEntries = 0;
            for (const auto& entry : expected) nEntries += entry.second.size();
            if (nSpread < 1000) {
                EXPECT_GT(nEntries, 200u);  // crowded: plenty to get wrong
            }
            for (CKTElement* p : Every(Book().GetRoot())) {
                auto it = expected.find(p);
                EXPECT_EQ(CollisionsOf(p), it == expected.end() ? Elements{} : it->second) << "kind " << p->GetKind();
            }
            // Some glyphs move, one leaves the detector, one comes back.
            for (int i = 0; i < 10; i++) {
                CKTGlyph* g = glyphs[static_cast<size_t>(rnd(static_cast<int>(glyphs.size())))];
                g->MoveBy(CKTVector(rnd(31) - 15, rnd(31) - 15, 0.0));
            }
            m_pDet->RemoveElement(glyphs[static_cast<size_t>(nPass * 7)]);
            if (nPass > 0) m_pDet->AddElement(glyphs[static_cast<size_t>((nPass - 1) * 7)]);
        }
    }
}

// The room the band lists and the band array take in a burst is given back once the scene has been
// quiet for a while: a crowd of 400 glyphs on one spot (one band holding them all open at once), or
// 400 glyphs strung down a tall column (thousands of bands); then all but four glyphs leave and the
// detector sweeps on. The lists still come out right afterwards.
TEST_F(CollisionTest, RoomOfABurstIsGivenBackAfterAQuietSpell) {
    struct Case {
        const char* name;
        int nStepY;  // each glyph this far below the previous one
    };
    for (const Case& c : {Case{"a crowd on one spot", 0}, Case{"a tall column", 40}}) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        CKTWord* pWord = NewWord(NewPassage());
        std::vector<CKTGlyph*> glyphs;
        for (int i = 0; i < 400; i++) glyphs.push_back(NewGlyph(pWord, 100 + i % 3, 100 + i * c.nStepY));
        for (CKTGlyph* g : glyphs) m_pDet->AddElement(g);
        for (int i = 0; i < 4; i++) Detect();
        const size_t nBurstRoom = m_pDet->GetBandRoom();
        const size_t nBurstBands = m_pDet->GetBandsKept();
        if (c.nStepY == 0)
            EXPECT_GE(nBurstRoom, 400u);
        else
            EXPECT_GE(nBurstBands, 400u);

        for (size_t i = 4; i < glyphs.size(); i++) m_pDet->RemoveElement(glyphs[i]);
        for (CKTGlyph* g : {glyphs[1], glyphs[2], glyphs[3]}) g->MoveBy(glyphs[0]->GetRelativePosition() - g->GetRelativePosition());
        for (int i = 0; i < 200; i++) Detect();
        EXPECT_LE(m_pDet->GetBandRoom(), 64u);
        EXPECT_LE(m_pDet->GetBandsKept(), 16u);
        for (int i = 0; i < 4; i++) EXPECT_EQ(CollisionsOf(glyphs[static_cast<size_t>(i)]).size(), 3u) << i;
    }
}
