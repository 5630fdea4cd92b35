// The Euler integrator: one step's arithmetic with its two limits, the clearing of accelerations, the
// tick order with a force behaviour, and elements held once.
#include <gtest/gtest.h>

#include <memory>

#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktglyph.h"
#include "kinetype/kttext.h"
#include "kinetype/ktvectorbhvrprop.h"

namespace {

class EulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_bLoading = 0;
        m_pBook = std::make_unique<CKTBook>();
        m_pEuler = new CKTEulerBhvr;
        m_pBook->AddBehavior(m_pEuler);
        m_pEuler->StartListening();
        m_pBook->SetRunState(1);
    }
    void TearDown() override { m_pBook.reset(); }

    static CKTVectorBhvrProp* Prop(CKTElement* p, int nId) { return CKTVectorBhvrProp::Cast(p->GetProp(nId)); }

    std::unique_ptr<CKTBook> m_pBook;
    CKTEulerBhvr* m_pEuler = nullptr;  // the book's
};

// Adds a fixed acceleration to one element on the step event, as force behaviours do.
class CPush : public CKTBehavior {
public:
    CPush(CKTElement* p, CKTVector a) : m_pElement(p), m_a(a) {
        m_events.Add({EV_STEP, 0});
        StartListening();
    }
    void OnEvent(int) override {
        CKTVectorBhvrProp* pAccel = CKTVectorBhvrProp::Cast(m_pElement->GetProp(PROP_ACCELERATION));
        pAccel->SetValue(pAccel->GetValue() + m_a);
    }
    CKTElement* m_pElement;
    CKTVector m_a;
};

}  // namespace

TEST_F(EulerTest, TablesAndName) {
    EXPECT_EQ(m_pEuler->GetType(), 8);
    EXPECT_EQ(m_pEuler->GetName(), "Euler Integration");
    EXPECT_EQ(m_pEuler->GetAppliesTo(), 7);
    EXPECT_EQ(m_pBook->GetListenerCount(EV_PRESTEP), 1);
    EXPECT_EQ(m_pBook->GetListenerCount(EV_POSTSTEP), 1);
    CKTLoadingScope loading(KT_FILE_VERSION);
    CKTEulerBhvr loaded;  // tables come from the file
    CKTGlyph glyph;
    loaded.AddElement(&glyph);
    EXPECT_EQ(glyph.GetProp(PROP_VELOCITY), nullptr);
}

TEST_F(EulerTest, OneTickOfVelocityAndPosition) {
    struct Case {
        const char* what;
        CKTVector v0;
        CKTVector a;       // added during the step
        CKTVector v1;      // stored velocity afterwards
        CKTVector moved;   // position change
    } cases[] = {
        {"plain", {0, 0, 0}, {0, 10, 0}, {0, 1, 0}, {0, 0.1, 0}},
        {"at rest", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        // Limited to 1e10, the acceleration adds exactly 1e9 and cancels v0; unlimited it would not.
        {"acceleration limit", {0, -1.0e9, 0}, {0, 1.0e12, 0}, {0, 0, 0}, {0, 0, 0}},
        {"velocity limit", {2.0e6, 0, 0}, {0, 0, 0}, {1.0e6, 0, 0}, {1.0e5, 0, 0}},
        {"mixed", {3, -4, 0}, {10, 20, 0}, {3 + 10 * 0.1, -4 + 20 * 0.1, 0},
         {(3 + 10 * 0.1) * 0.1, (-4 + 20 * 0.1) * 0.1, 0}},
    };
    for (const Case& c : cases) {
        auto* pGlyph = new CKTGlyph;
        m_pBook->GetRoot()->AppendChild(pGlyph, FALSE);
        m_pEuler->AddElement(pGlyph);
        Prop(pGlyph, PROP_VELOCITY)->SetValue(c.v0);
        Prop(pGlyph, PROP_ACCELERATION)->SetValue(CKTVector(5, 5, 5));  // cleared by the pre-step
        auto* pPush = new CPush(pGlyph, c.a);
        m_pBook->AddBehavior(pPush);
        CKTVector before = pGlyph->GetRelativePosition();
        m_pBook->Step();
        CKTVector v = Prop(pGlyph, PROP_VELOCITY)->GetValue();
        CKTVector moved = pGlyph->GetRelativePosition() - before;
        EXPECT_DOUBLE_EQ(v.x, c.v1.x) << c.what;
        EXPECT_DOUBLE_EQ(v.y, c.v1.y) << c.what;
        EXPECT_DOUBLE_EQ(v.z, c.v1.z) << c.what;
        EXPECT_DOUBLE_EQ(moved.x, c.moved.x) << c.what;
        EXPECT_DOUBLE_EQ(moved.y, c.moved.y) << c.what;
        EXPECT_TRUE(Prop(pGlyph, PROP_ACCELERATION)->GetValue() == c.a) << c.what;  // not written back
        m_pBook->RemoveBehavior(pPush);
        delete pPush;
        m_pEuler->RemoveElement(pGlyph);
    }
}

TEST_F(EulerTest, ExactResultOfTheDocumentedCase) {
    auto* pGlyph = new CKTGlyph;
    m_pBook->GetRoot()->AppendChild(pGlyph, FALSE);
    m_pEuler->AddElement(pGlyph);
    m_pBook->AddBehavior(new CPush(pGlyph, CKTVector(0, 10, 0)));
    m_pBook->Step();
    EXPECT_TRUE(Prop(pGlyph, PROP_VELOCITY)->GetValue() == CKTVector(0, 10 * 0.1, 0));
    EXPECT_TRUE(pGlyph->GetRelativePosition() == CKTVector(0, (10 * 0.1) * 0.1, 0));
}

TEST_F(EulerTest, ElementAttachedTwiceIsIntegratedOnce) {
    auto* pGlyph = new CKTGlyph;
    m_pBook->GetRoot()->AppendChild(pGlyph, FALSE);
    EXPECT_TRUE(m_pEuler->AddElement(pGlyph));
    EXPECT_FALSE(m_pEuler->AddElement(pGlyph));
    Prop(pGlyph, PROP_VELOCITY)->SetValue(CKTVector(10, 0, 0));
    m_pBook->Step();
    EXPECT_DOUBLE_EQ(pGlyph->GetRelativePosition().x, 1.0);
}

TEST_F(EulerTest, SlotsOfAnotherClassAreSkipped) {
    auto* pGlyph = new CKTGlyph;
    m_pBook->GetRoot()->AppendChild(pGlyph, FALSE);
    pGlyph->SetProp(PROP_ACCELERATION, new CKTBoolBhvrProp(PROP_ACCELERATION));
    m_pEuler->AddElement(pGlyph);
    Prop(pGlyph, PROP_VELOCITY)->SetValue(CKTVector(10, 0, 0));
    m_pBook->Step();
    EXPECT_TRUE(pGlyph->GetRelativePosition() == CKTVector());
}
