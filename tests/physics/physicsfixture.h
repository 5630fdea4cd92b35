// Scenes for the physics and collision tests: a book on a fake window, and glyphs whose bounds are a
// fixed box (a renderer that measures nothing), placed where a test says.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktword.h"
#include "kinetype/ktfakewindow.h"
#include "platform/crt/crt.h"

// A renderer whose extent is a fixed box relative to the glyph's origin.
class CKTERBox : public CKTElementRenderer {
    DECLARE_SERIAL(CKTERBox)

public:
    CKTERBox() : CKTElementRenderer(7) {}
    explicit CKTERBox(const CRect& rc) : CKTElementRenderer(7), m_rc(rc) {}
    CKTElementRenderer* Clone() override { return new CKTERBox(m_rc); }
    BOOL AllowsChildRenderers() override { return TRUE; }
    CRect GetExtent(CDC*) override { return m_rc; }
    CRect m_rc;
};

class PhysicsTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    void SetUp() override {
        g_bLoading = 0;
        crt::reset_rand();
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
    }
    void TearDown() override { m_pBook.reset(); }

    CKTBook& Book() { return *m_pBook; }

    CKTPassage* NewPassage(double x = 0.0, double y = 0.0) {
        CKTPassage* p = new CKTPassage;
        m_pBook->GetRoot()->AppendChild(p, FALSE);
        p->MoveBy(CKTVector(x, y, 0.0));
        return p;
    }
    CKTWord* NewWord(CKTPassage* pPassage, double x = 0.0, double y = 0.0) {
        CKTWord* p = new CKTWord;
        pPassage->AppendChild(p, FALSE);
        p->MoveBy(CKTVector(x, y, 0.0));
        return p;
    }
    // A glyph at (x, y) in its word whose bounds are (0, 0, w, h) from there.
    CKTGlyph* NewGlyph(CKTWord* pWord, double x, double y, int w = 10, int h = 10) {
        CKTGlyph* p = new CKTGlyph;
        p->SetChar('x');
        pWord->AppendChild(p, FALSE);
        CKTERBox* pRenderer = new CKTERBox(CRect(0, 0, w, h));
        if (!p->SetRenderer(pRenderer, TRUE)) delete pRenderer;
        p->MoveBy(CKTVector(x, y, 0.0));
        return p;
    }
    // A glyph alone in a new word of a new passage, at absolute (x, y).
    CKTGlyph* LoneGlyph(double x, double y, int w = 10, int h = 10) {
        return NewGlyph(NewWord(NewPassage()), x, y, w, h);
    }

    // Adds a behaviour to the book and starts it, as the commands do.
    template <class T>
    T* Add(T* pBhvr) {
        m_pBook->AddBehavior(pBhvr);
        pBhvr->StartListening();
        return pBhvr;
    }

    static CKTVector Vel(CKTElement* p) { return CKTVectorBhvrProp::Cast(p->GetProp(PROP_VELOCITY))->GetValue(); }
    static CKTVector Acc(CKTElement* p) { return CKTVectorBhvrProp::Cast(p->GetProp(PROP_ACCELERATION))->GetValue(); }
    static void SetVel(CKTElement* p, CKTVector v) { CKTVectorBhvrProp::Cast(p->GetProp(PROP_VELOCITY))->SetValue(v); }
    static void SetAcc(CKTElement* p, CKTVector v) {
        CKTVectorBhvrProp::Cast(p->GetProp(PROP_ACCELERATION))->SetValue(v);
    }
    static void PlaceAt(CKTElement* p, double x, double y) {
        CKTVector at = p->GetAbsolutePosition();
        p->MoveBy(CKTVector(x - at.x, y - at.y, 0.0));
    }

    CKTFakeWindow m_wnd{kWidth, kHeight};
    std::unique_ptr<CKTBook> m_pBook;
};

// Vectors compared exactly, with a readable failure.
#define EXPECT_VEC_EQ(v, ex, ey, ez) \
    do {                             \
        CKTVector v_ = (v);          \
        EXPECT_EQ(v_.x, (ex));       \
        EXPECT_EQ(v_.y, (ey));       \
        EXPECT_EQ(v_.z, (ez));       \
    } while (0)
