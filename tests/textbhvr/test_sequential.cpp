// Sequential text: the source and its words, the steps by chunk and order, showing and justifying.
#include "kinetype/kterdefault.h"
#include "kinetype/ktsequencialbhvr.h"
#include "textbhvr/textfixture.h"

namespace {

typedef std::vector<std::string> Strings;

struct Lcg {
    uint32_t seed = 1;
    int Next() {
        seed = seed * 214013u + 2531011u;
        return static_cast<int>((seed >> 16) & 0x7FFF);
    }
};

Strings ToStrings(const CStringArray* p) {
    Strings v;
    if (p)
        for (INT_PTR i = 0; i < p->GetSize(); i++) v.push_back(p->GetAt(i).str());
    return v;
}

CStringArray* NewArray(const Strings& entries) {
    auto* p = new CStringArray;
    for (const std::string& s : entries) p->Add(CString(s.c_str()));
    return p;
}

class Sequential : public TextTest {
protected:
    // A started sequential behaviour over text, showing in pElement.
    CKTSequencialBhvr* Seq(const CString& text, int nChunk, int nOrder, UINT nHold, CKTElement* pElement) {
        auto* p = Add(new CKTSequencialBhvr);
        EXPECT_TRUE(p->SetSourceText(text));
        p->SetChunk(nChunk);
        p->SetOrder(nOrder);
        p->SetHold(nHold);
        if (pElement) {
            EXPECT_TRUE(p->AddElement(pElement));
        }
        return p;
    }
    // A passage whose glyphs (and the glyphs shown in it) have fixed widths.
    CKTPassage* FixedPassage(double x = 100.0) {
        CKTPassage* p = NewPassage(x, 100.0);
        EXPECT_TRUE(p->SetRenderer(new CKTERFixed, TRUE));
        return p;
    }
};

TEST_F(Sequential, SourceTextIsTheRunsOfPrintableCharacters) {
    const struct {
        const char* text;
        Strings entries;
    } cases[] = {
        {"Hello, world!\r\nSecond line\n", {"Hello, world!", "Second line"}},
        {"a\tb", {"a", "b"}},
        {"\n\n\r", {}},
        {"", {}},
        {"caf\xE9 au lait", {"caf", " au lait"}},
        {"  spaced  \n", {"  spaced  "}},
        {"x\x7Fy", {"x", "y"}},
    };
    CKTSequencialBhvr seq;
    for (const auto& c : cases) {
        EXPECT_TRUE(seq.SetSourceText(c.text));
        EXPECT_EQ(ToStrings(seq.GetSource()), c.entries) << c.text;
    }
}

TEST_F(Sequential, WordListKeepsAlphanumericRuns) {
    const struct {
        Strings entries;
        Strings words;
    } cases[] = {
        {{"don't stop"}, {"dont", "stop"}},
        {{"Hello, world!"}, {"Hello", "world"}},
        {{"  a  b  "}, {"a", "b"}},
        {{"x-y z"}, {"xy", "z"}},
        {{"ab", "cd"}, {"ab", "cd"}},
        {{"caf\xE9s 42"}, {"cafs", "42"}},
        {{"!!!", ""}, {}},
        {{}, {}},
    };
    CKTSequencialBhvr seq;
    for (const auto& c : cases) {
        EXPECT_TRUE(seq.SetSourceEntries(NewArray(c.entries)));
        EXPECT_EQ(ToStrings(&seq.GetWords()), c.words);
    }
    EXPECT_FALSE(seq.SetSourceEntries(nullptr));  // the old source is freed, no words are left
    EXPECT_TRUE(seq.GetWords().IsEmpty());
    EXPECT_EQ(seq.GetSource(), nullptr);
    CStringArray* pSource = NewArray({"same"});
    seq.SetSourceEntries(pSource);
    EXPECT_TRUE(seq.SetSourceEntries(pSource));  // the same array again is kept
    EXPECT_EQ(ToStrings(seq.GetSource()), Strings{"same"});
}

TEST_F(Sequential, AnEntryShowsAsWordsAndSpaceWords) {
    CKTPassage* pPassage = FixedPassage();
    auto* pSeq = Seq("Hello, world!\nNext one", 4, 0, 1, pPassage);
    pSeq->ShowEntry(pSeq->GetCurrentEntry());
    EXPECT_EQ(TextOf(pPassage), "Hello| |world");
    ASSERT_EQ(pPassage->GetChildCount(), 3);
    CKTElement* pHello = pPassage->GetChildAt(0);
    CKTElement* pSpace = pPassage->GetChildAt(1);
    CKTElement* pWorld = pPassage->GetChildAt(2);
    // Words and glyphs take the passage's font and colour, layout on; the letters a copy of its
    // renderer, the space its own default renderer.
    for (CKTElement* pWord : {pHello, pSpace, pWorld}) {
        EXPECT_EQ(pWord->GetColor(), 0x112233u);
        EXPECT_TRUE(pWord->IsAutoLayout());
        for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling()) {
            EXPECT_EQ(g->GetColor(), 0x112233u);
            EXPECT_EQ(g->GetFont().lfHeight, 240);
            EXPECT_TRUE(g->IsAutoLayout());
            EXPECT_EQ(g->GetRendererType(), pWord == pSpace ? RENDERER_DEFAULT : RENDERER_TEST);
            EXPECT_NE(g->GetRenderer(), pPassage->GetRenderer());
        }
    }
    // Laid out left to right with the line flow.
    EXPECT_DOUBLE_EQ(pSpace->GetRelativePosition().x, 50.0);
    EXPECT_GT(pSpace->GetWidth(), 0);
    EXPECT_DOUBLE_EQ(pWorld->GetRelativePosition().x, 50.0 + pSpace->GetWidth());
    EXPECT_DOUBLE_EQ(pWorld->GetChildAt(4)->GetRelativePosition().x, 41.0);  // after 'w' (11 px)

    Steps(1);  // the next entry: the old words die
    EXPECT_EQ(TextOf(pPassage), "Next| |one");
    EXPECT_EQ(pSeq->GetEntryIndex(), 1);
    Steps(1);
    EXPECT_EQ(TextOf(pPassage), "Hello| |world");

    // Leading and doubled spaces are dropped; a space after a word gives a space word.
    pSeq->ShowEntry("  a  b ");
    EXPECT_EQ(TextOf(pPassage), "a| |b| ");
    // A passage without renderer: letters keep their default renderers.
    CKTPassage* pPlain = NewPassage();
    auto* pOther = Seq("xy", 4, 0, 1, pPlain);
    pOther->ShowEntry("xy");
    EXPECT_EQ(pPlain->GetFirstChild()->GetFirstChild()->GetRendererType(), RENDERER_DEFAULT);
}

TEST_F(Sequential, CharactersInOrderBackwardsAndAtRandom) {
    const struct {
        int nOrder;
        const char* shown;
    } cases[] = {{0, "bcabcab"}, {2, "cbacbac"}};
    for (const auto& c : cases) {
        CKTWord* pWord = AddWord(NewPassage(), "a");
        CKTElement* pGlyph = pWord->GetFirstChild();
        auto* pSeq = Seq("ab\nc", 1, c.nOrder, 0, pGlyph);
        std::string shown;
        for (int i = 0; i < 7; i++) {
            Steps(1);
            shown += TextOf(pGlyph);
        }
        EXPECT_EQ(shown, c.shown) << "order " << c.nOrder;
        pSeq->StopListening();
    }
    crt::reset_rand();
    Lcg lcg;
    CKTWord* pWord = AddWord(NewPassage(), "a");
    CKTElement* pGlyph = pWord->GetFirstChild();
    Seq("ab\nc\nxyz", 1, 1, 1, pGlyph);
    const Strings entries = {"ab", "c", "xyz"};
    for (int i = 0; i < 20; i++) {
        Steps(1);
        const std::string& entry = entries[static_cast<size_t>(lcg.Next() % 3)];
        EXPECT_EQ(TextOf(pGlyph), std::string(1, entry[static_cast<size_t>(lcg.Next() % static_cast<int>(entry.size()))]));
    }
}

TEST_F(Sequential, HoldCountsStepsBetweenChanges) {
    const struct {
        UINT nHold;
        int nChanges;
    } cases[] = {{0, 30}, {1, 30}, {10, 3}, {31, 0}};
    for (const auto& c : cases) {
        CKTWord* pWord = AddWord(NewPassage(), "w");
        auto* pSeq = Seq("a b c d e f g", 2, 0, c.nHold, pWord);
        int nChanges = 0;
        for (int i = 0; i < 30; i++) {
            const int nBefore = pSeq->GetWordIndex();
            Steps(1);
            nChanges += pSeq->GetWordIndex() != nBefore;
        }
        EXPECT_EQ(nChanges, c.nChanges) << "hold " << c.nHold;
        EXPECT_EQ(TextOf(pWord), c.nChanges ? pSeq->GetCurrentWord().str() : "w");
        pSeq->StopListening();
    }
}

TEST_F(Sequential, WordsAtRandomAndBackwardsAndOtherOrders) {
    crt::reset_rand();
    Lcg lcg;
    CKTWord* pWord = AddWord(NewPassage(), "w");
    auto* pSeq = Seq("one two three", 2, 1, 1, pWord);
    const Strings words = {"one", "two", "three"};
    for (int i = 0; i < 10; i++) {
        Steps(1);
        EXPECT_EQ(TextOf(pWord), words[static_cast<size_t>(lcg.Next() % 3)]);
    }
    pSeq->SetOrder(2);
    const int nAt = pSeq->GetWordIndex();
    Steps(1);
    EXPECT_EQ(pSeq->GetWordIndex(), (nAt + 2) % 3);
    pSeq->SetOrder(3);  // no such order: nothing moves
    Steps(5);
    EXPECT_EQ(pSeq->GetWordIndex(), (nAt + 2) % 3);
    pSeq->SetChunk(3);  // no such chunk
    pSeq->SetOrder(0);
    Steps(5);
    EXPECT_EQ(pSeq->GetWordIndex(), (nAt + 2) % 3);
}

TEST_F(Sequential, AnElementOfAnotherKindOnlyMovesTheIndices) {
    CKTPassage* pPassage = NewPassage();
    CKTWord* pWord = AddWord(pPassage, "keep");
    auto* pSeq = Seq("a\nb\nc", 4, 0, 1, pWord);  // entries shown only in passages
    pSeq->AddElement(pPassage);                   // not the first element
    Steps(2);
    EXPECT_EQ(pSeq->GetEntryIndex(), 2);
    EXPECT_EQ(TextOf(pWord), "keep");
    EXPECT_EQ(TextOf(pPassage), "keep");
}

TEST_F(Sequential, JustificationKeepsAnEdgeOrTheCentre) {
    // Widths are rounded up to even numbers before the move: 40 -> 60 and 41 -> 60 (42 -> 60).
    const struct {
        const char* from;
        int nJustify;
        double dx;
    } cases[] = {{"aaaa", 0, 0.0},  {"aaaa", 1, -10.0}, {"aaaa", 2, -20.0}, {"aaaw", 1, -9.0},
                 {"aaaw", 2, -18.0}, {"aaaw", 5, 0.0},   {"aaaaaaaa", 1, 10.0}};
    for (const auto& c : cases) {
        CKTPassage* pPassage = FixedPassage();
        auto* pSeq = Seq(CString(c.from) + "\naaaaaa", 4, 0, 1, pPassage);
        pSeq->ShowEntry(c.from);
        pSeq->SetJustification(c.nJustify);
        const double x = pPassage->GetRelativePosition().x;
        Steps(1);
        EXPECT_EQ(pPassage->GetWidth(), 60);
        EXPECT_DOUBLE_EQ(pPassage->GetRelativePosition().x - x, c.dx) << c.from << " " << c.nJustify;
        pSeq->StopListening();
    }
    // A word and a glyph: 'a' (10) becomes 'w' (11, even 12), right-justified 2 px left.
    CKTWord* pWord = AddWord(NewPassage(), "a");
    pWord->SetRenderer(new CKTERFixed, TRUE);
    auto* pWords = Seq("a w", 2, 0, 1, pWord);
    pWords->SetJustification(2);
    Steps(1);
    EXPECT_EQ(TextOf(pWord), "w");
    EXPECT_DOUBLE_EQ(pWord->GetRelativePosition().x, -2.0);
    pWords->StopListening();
    CKTElement* pGlyph = AddWord(NewPassage(), "a")->GetFirstChild();
    auto* pChars = Seq("aw", 1, 0, 1, pGlyph);
    pChars->SetJustification(2);
    Steps(1);
    EXPECT_EQ(TextOf(pGlyph), "w");
    EXPECT_DOUBLE_EQ(pGlyph->GetRelativePosition().x, -2.0);
}

TEST_F(Sequential, EmptySourcesEntriesAndWordListsShowNothing) {
    CKTPassage* pPassage = FixedPassage();
    CKTWord* pWord = AddWord(NewPassage(), "w");
    CKTElement* pGlyph = pWord->GetFirstChild();
    for (int nChunk : {4, 2, 1}) {
        for (int nOrder : {0, 1, 2}) {
            CKTElement* pTarget = nChunk == 4 ? static_cast<CKTElement*>(pPassage) : nChunk == 2 ? pWord : pGlyph;
            const std::string before = TextOf(pTarget);
            for (const char* text : {"\n\n", "!!! ???"}) {
                auto* pSeq = Seq(text, nChunk, nOrder, 1, pTarget);
                const uint32_t state = crt::rand_state();
                Steps(5);
                if (std::string(text) == "\n\n" || nChunk == 2) {
                    EXPECT_EQ(TextOf(pTarget), before) << nChunk << "/" << nOrder << " " << text;
                    EXPECT_EQ(crt::rand_state(), state);
                }
                pSeq->StopListening();
            }
            // No source at all.
            auto* pNone = Add(new CKTSequencialBhvr);
            pNone->SetChunk(nChunk);
            pNone->SetOrder(nOrder);
            pNone->SetHold(0);
            pNone->AddElement(pTarget);
            const std::string now = TextOf(pTarget);
            Steps(3);
            EXPECT_EQ(TextOf(pTarget), now);
            pNone->StopListening();
        }
    }
    // Empty entries among others, characters at random: no draw of rand() % 0.
    auto* pSeq = Add(new CKTSequencialBhvr);
    pSeq->SetSourceEntries(NewArray({"", "", "q"}));
    pSeq->SetChunk(1);
    pSeq->SetHold(1);
    pSeq->AddElement(pGlyph);
    for (int nOrder : {0, 1, 2}) {
        pSeq->SetOrder(nOrder);
        Steps(20);
    }
    EXPECT_TRUE(TextOf(pGlyph) == "q" || TextOf(pGlyph) == "w");
    EXPECT_EQ(CKTSequencialBhvr().GetCurrentChar(), 0);
    EXPECT_EQ(CKTSequencialBhvr().GetCurrentEntry(), "");
    EXPECT_EQ(CKTSequencialBhvr().GetCurrentWord(), "");
}

}  // namespace
