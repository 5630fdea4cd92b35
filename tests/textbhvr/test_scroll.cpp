// Scroll (ticker wrap, vertical columns, stacking) and load file.
#include "kinetype/ktloadfilebhvr.h"
#include "kinetype/ktscrollbhvr.h"
#include "textbhvr/textfixture.h"

namespace {

class Scroll : public TextTest {
protected:
    // A passage at (x, y) holding one word of n fixed-width glyphs (10 px wide, 10 px above the
    // baseline).
    CKTPassage* Block(double x, double y, int n) {
        CKTPassage* p = NewPassage(x, y);
        AddWord(p, std::string(static_cast<size_t>(n), 'a'));
        return p;
    }
    CKTScrollBhvr* Scroller(double dSpeed, int nOrientation, int nJustify, std::initializer_list<CKTElement*> elements) {
        auto* p = Add(new CKTScrollBhvr);
        p->m_dScrollSpeed = dSpeed;
        p->m_nOrientation = nOrientation;
        p->m_nJustify = nJustify;
        for (CKTElement* e : elements) EXPECT_TRUE(p->AddElement(e));
        return p;
    }
    static double X(CKTElement* p) { return p->GetAbsolutePosition().x; }
    static double Y(CKTElement* p) { return p->GetAbsolutePosition().y; }
};

TEST_F(Scroll, ATickerToTheLeftWrapsBehindTheElementAhead) {
    CKTPassage* pA = Block(0, 100, 5);
    CKTPassage* pB = Block(100, 100, 5);
    CKTPassage* pC = Block(200, 100, 5);
    Scroller(-0.5, 0, 0, {pA, pB, pC});
    // A's right edge (its truncated x + 50) passes 0 at x = -51: then it jumps to the window's right
    // edge (640).
    Steps(101);
    EXPECT_DOUBLE_EQ(X(pA), -50.5);
    Steps(1);
    EXPECT_DOUBLE_EQ(X(pA), 640.0);
    EXPECT_DOUBLE_EQ(X(pB), 49.0);
    // B passes at step 302, when A has come back to 640 - 100 = 540: B goes to A's right edge.
    Steps(199);
    EXPECT_DOUBLE_EQ(X(pB), -50.5);
    Steps(1);
    EXPECT_DOUBLE_EQ(X(pA), 540.0);
    EXPECT_DOUBLE_EQ(X(pB), 590.0);
    EXPECT_DOUBLE_EQ(X(pC), 49.0);
    EXPECT_DOUBLE_EQ(Y(pA), 100.0);
}

TEST_F(Scroll, ATickerToTheRightWalksFromTheTail) {
    CKTPassage* pA = Block(500, 50, 5);
    CKTPassage* pB = Block(600, 50, 5);
    Scroller(2.0, 0, 0, {pA, pB});
    // B (first of the walk) leaves when its left edge passes 640: it goes to the left edge, its
    // right edge at 0 (moved by minus its right edge).
    Steps(20);
    EXPECT_DOUBLE_EQ(X(pB), 640.0);
    Steps(1);
    EXPECT_DOUBLE_EQ(X(pB), -50.0);
    // A follows at its step 71 (x 642) and lines up its right edge with B's position.
    Steps(50);
    EXPECT_DOUBLE_EQ(X(pB), 50.0);
    EXPECT_DOUBLE_EQ(X(pA), 0.0);
}

TEST_F(Scroll, AVerticalColumnAlignsAndWrapsBelowTheElementAhead) {
    const struct {
        int nJustify;
        int (*edge)(const CRect&);
    } cases[] = {{0, [](const CRect& r) { return static_cast<int>(r.left); }},
                 {1, [](const CRect& r) { return static_cast<int>((r.left + r.right) / 2); }},
                 {2, [](const CRect& r) { return static_cast<int>(r.right); }}};
    for (const auto& c : cases) {
        CKTPassage* pA = Block(100, 20, 3);
        CKTPassage* pB = Block(300, 40, 7);
        CKTPassage* pC = Block(50, 60, 4);
        auto* pScroll = Scroller(-1.0, 1, c.nJustify, {pA, pB, pC});
        Steps(1);
        EXPECT_DOUBLE_EQ(X(pA), 100.0);  // the first of the walk is not aligned
        EXPECT_EQ(c.edge(pB->GetAbsoluteBounds()), c.edge(pA->GetAbsoluteBounds())) << c.nJustify;
        EXPECT_EQ(c.edge(pC->GetAbsoluteBounds()), c.edge(pA->GetAbsoluteBounds())) << c.nJustify;
        EXPECT_DOUBLE_EQ(Y(pA), 19.0);
        // A leaves through the top (its bottom, the baseline, below 0) and goes to the window's
        // bottom; B then goes 2 px below A.
        Steps(19);
        EXPECT_DOUBLE_EQ(Y(pA), 0.0);
        Steps(1);
        EXPECT_EQ(pA->GetAbsoluteBounds().top, 480);
        Steps(20);
        EXPECT_EQ(pB->GetAbsoluteBounds().top, pA->GetAbsoluteBounds().bottom + 2);
        EXPECT_EQ(c.edge(pB->GetAbsoluteBounds()), c.edge(pA->GetAbsoluteBounds()));
        pScroll->StopListening();
    }
}

TEST_F(Scroll, DownwardsTheColumnWrapsAboveTheElementAhead) {
    CKTPassage* pA = Block(100, 470, 3);
    CKTPassage* pB = Block(100, 490, 3);  // outside already: wraps at once, first of the walk
    Scroller(1.0, 1, 0, {pA, pB});
    Steps(1);
    EXPECT_EQ(pB->GetAbsoluteBounds().bottom, 0);  // moved by minus its bottom
    Steps(20);                                     // A's top passes 480
    EXPECT_EQ(pA->GetAbsoluteBounds().bottom, pB->GetAbsoluteBounds().top - 2);
}

TEST_F(Scroll, StackingPutsTheElementsIntoAColumn) {
    const struct {
        double dSpeed;
        int nJustify;
    } cases[] = {{-1.0, 0}, {-1.0, 2}, {1.0, 1}};
    for (const auto& c : cases) {
        CKTPassage* pA = Block(100, 50, 3);
        CKTPassage* pB = Block(300, 300, 7);
        CKTPassage* pC = Block(20, 10, 5);
        auto* pScroll = Scroller(c.dSpeed, 1, c.nJustify, {pA, pB, pC});
        pScroll->StackElements();
        if (c.dSpeed < 0) {  // A stays; B 2 px below A, C 2 px below B
            EXPECT_DOUBLE_EQ(X(pA), 100.0);
            EXPECT_DOUBLE_EQ(Y(pA), 50.0);
            EXPECT_EQ(pB->GetAbsoluteBounds().top, pA->GetAbsoluteBounds().bottom + 2);
            EXPECT_EQ(pC->GetAbsoluteBounds().top, pB->GetAbsoluteBounds().bottom + 2);
        } else {  // C (first of the walk) on A's place; B above C, A above B
            EXPECT_DOUBLE_EQ(X(pC), 100.0);
            EXPECT_DOUBLE_EQ(Y(pC), 50.0);
            EXPECT_EQ(pB->GetAbsoluteBounds().bottom, pC->GetAbsoluteBounds().top - 2);
            EXPECT_EQ(pA->GetAbsoluteBounds().bottom, pB->GetAbsoluteBounds().top - 2);
        }
        const CRect a = pA->GetAbsoluteBounds(), b = pB->GetAbsoluteBounds(), cc = pC->GetAbsoluteBounds();
        switch (c.nJustify) {
        case 0: EXPECT_TRUE(a.left == b.left && b.left == cc.left); break;
        case 1: EXPECT_TRUE(pA->GetCenter().x == pB->GetCenter().x && pB->GetCenter().x == pC->GetCenter().x); break;
        case 2: EXPECT_TRUE(a.right == b.right && b.right == cc.right); break;
        }
        pScroll->StopListening();
    }
    CKTScrollBhvr empty;
    empty.StackElements();  // nothing to stack
}

TEST_F(Scroll, OtherOrientationsAndAStandingTickerMoveNothing) {
    CKTPassage* pA = Block(-100, 50, 3);  // outside the window
    auto* pScroll = Scroller(-1.0, 2, 0, {pA});
    Steps(5);
    EXPECT_DOUBLE_EQ(X(pA), -100.0);
    pScroll->m_nOrientation = 0;
    pScroll->m_dScrollSpeed = 0.0;
    Steps(5);
    EXPECT_DOUBLE_EQ(X(pA), -100.0);
}

TEST_F(Scroll, LoadFileHandsItsNameOverOnce) {
    auto* pLoad = Add(new CKTLoadFileBhvr);
    pLoad->m_strFileName = "next.qsd";
    EXPECT_EQ(Book().GetListenerCount(EV_POSTSTEP), 1);
    EXPECT_EQ(Book().GetListenerCount(EV_STEP), 0);
    EXPECT_FALSE(pLoad->IsDone());
    Steps(1);
    EXPECT_EQ(Book().m_strPendingLoad, "next.qsd");
    EXPECT_TRUE(pLoad->IsDone());
    Book().m_strPendingLoad.Empty();  // as the view does when it opens the document
    Steps(5);
    EXPECT_TRUE(Book().m_strPendingLoad.IsEmpty());
    EXPECT_EQ(pLoad->GetName(), "Load File");
}

}  // namespace
