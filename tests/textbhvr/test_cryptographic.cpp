// Cryptographic scramble: shift counts, scramble steps, the letters coming back.
#include <climits>

#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktintbhvrprop.h"
#include "textbhvr/textfixture.h"

namespace {

// The C runtime's generator, computed here: seed * 214013 + 2531011, bits 16 to 30, first seed 1.
struct Lcg {
    uint32_t seed = 1;
    int Next() {
        seed = seed * 214013u + 2531011u;
        return static_cast<int>((seed >> 16) & 0x7FFF);
    }
};

class Cryptographic : public TextTest {
protected:
    // A word of text whose glyphs all get a new scramble with the given range.
    CKTCryptographicBhvr* Scramble(CKTWord* pWord, int nMin, int nMax, BOOL bContinuous = FALSE) {
        auto* p = Add(new CKTCryptographicBhvr);
        p->SetShiftRange(nMin, nMax);
        p->SetContinuous(bContinuous);
        for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling()) EXPECT_TRUE(p->AddElement(g));
        return p;
    }
    static int Prop(CKTElement* p, int nId) { return CKTIntBhvrProp::Cast(p->GetProp(nId))->GetValue(); }
};

TEST_F(Cryptographic, ShiftCountsFromTheOrderedRange) {
    const struct {
        int nMin, nMax;
    } cases[] = {{12, 36}, {36, 12}, {20, 20}, {0, 1}, {INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}, {-5, -5}};
    for (const auto& c : cases) {
        crt::reset_rand();
        Lcg lcg;
        CKTWord* pWord = AddWord(NewPassage(), "abcdef");
        Scramble(pWord, c.nMin, c.nMax);
        const long long lo = std::min(c.nMin, c.nMax), hi = std::max(c.nMin, c.nMax);
        for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling()) {
            const long long expected = hi == lo ? lo : lcg.Next() % (hi - lo) + lo;
            EXPECT_EQ(Prop(g, PROP_CRYPT_STATE), expected) << c.nMin << ".." << c.nMax;
            EXPECT_EQ(Prop(g, PROP_SAVED_CHAR), static_cast<CKTGlyph*>(g)->GetChar());
        }
        EXPECT_EQ(crt::rand_state(), lcg.seed) << "equal bounds draw nothing";
    }
    // From seed 1 the first count is 41 % 24 + 12.
    crt::reset_rand();
    CKTWord* pWord = AddWord(NewPassage(), "x");
    Scramble(pWord, 12, 36);
    EXPECT_EQ(Prop(pWord->GetFirstChild(), PROP_CRYPT_STATE), 29);
}

TEST_F(Cryptographic, ScrambleStepsThenEveryLetterComesBackAndStays) {
    const struct {
        int nMin, nMax;
        double dSpeed;
    } cases[] = {{12, 36, 0.5}, {36, 12, 0.5}, {5, 5, 1.0}, {1, 3, 0.25}};
    for (const auto& c : cases) {
        crt::reset_rand();
        Lcg lcg;
        const std::string text = "Hi\rthere\xE9";  // a line break and a code from 128 up
        CKTWord* pWord = AddWord(NewPassage(), text);
        auto* pCrypt = Scramble(pWord, c.nMin, c.nMax);
        pCrypt->SetSpeed(c.dSpeed);
        const int lo = std::min(c.nMin, c.nMax), hi = std::max(c.nMin, c.nMax);
        std::vector<int> counts;
        for (size_t i = 0; i < text.size(); i++) counts.push_back(hi == lo ? lo : lcg.Next() % (hi - lo) + lo);

        int nStepsPerScramble = 0;
        for (double d = 0.0; d < 1.0; d += c.dSpeed) nStepsPerScramble++;
        for (int k = 1; k <= hi; k++) {
            Steps(nStepsPerScramble - 1);
            Steps(1);
            std::string expected;
            for (size_t i = 0; i < text.size(); i++) expected += k < counts[i] ? static_cast<char>(lcg.Next() % 95 + 32) : text[i];
            ASSERT_EQ(TextOf(pWord), expected) << "scramble step " << k << " of " << c.nMin << ".." << c.nMax;
            EXPECT_EQ(pCrypt->GetStepsDone(), k);
        }
        EXPECT_EQ(TextOf(pWord), text);
        const uint32_t state = crt::rand_state();
        Steps(50);
        EXPECT_EQ(TextOf(pWord), text);
        EXPECT_EQ(crt::rand_state(), state);
        EXPECT_EQ(pCrypt->GetStepsDone(), hi);
        EXPECT_EQ(Prop(pWord->GetChildAt(2), PROP_SAVED_CHAR), 13);
        EXPECT_EQ(Prop(pWord->GetChildAt(8), PROP_SAVED_CHAR), -23);  // 0xE9 as a signed char
    }
}

TEST_F(Cryptographic, ContinuousNeverRestores) {
    Lcg lcg;
    CKTWord* pWord = AddWord(NewPassage(), "abc");
    auto* pCrypt = Scramble(pWord, 1, 2, TRUE);
    for (int i = 0; i < 3; i++) lcg.Next();
    for (int k = 1; k <= 100; k++) {
        Steps(2);
        std::string expected;
        for (int i = 0; i < 3; i++) expected += static_cast<char>(lcg.Next() % 95 + 32);
        ASSERT_EQ(TextOf(pWord), expected) << k;
    }
    EXPECT_EQ(pCrypt->GetStepsDone(), 100);
}

TEST_F(Cryptographic, ASecondScrambleKeepsTheSavedLetter) {
    CKTWord* pWord = AddWord(NewPassage(), "ab");
    auto* pFirst = Scramble(pWord, 4, 4);
    pFirst->SetSpeed(1.0);
    Steps(2);
    ASSERT_NE(TextOf(pWord), "ab");
    auto* pSecond = Scramble(pWord, 8, 8);  // attached while the glyphs show scrambled letters
    pSecond->SetSpeed(1.0);
    EXPECT_EQ(CKTIntBhvrProp::Cast(pWord->GetChildAt(0)->GetProp(PROP_SAVED_CHAR))->GetRefCount(), 2);
    for (int i = 0; i < 2; i++) EXPECT_EQ(Prop(pWord->GetChildAt(i), PROP_SAVED_CHAR), "ab"[i]);
    Steps(10);
    EXPECT_EQ(TextOf(pWord), "ab");
    // Once both let go, a new scramble saves the letter it finds.
    pFirst->RemoveAllElements();
    pSecond->RemoveAllElements();
    EXPECT_EQ(pWord->GetChildAt(0)->GetProp(PROP_SAVED_CHAR), nullptr);
    static_cast<CKTGlyph*>(pWord->GetChildAt(0))->SetChar('z');
    Scramble(pWord, 1, 1);
    EXPECT_EQ(Prop(pWord->GetChildAt(0), PROP_SAVED_CHAR), 'z');
}

TEST_F(Cryptographic, WordsArePassedByAndBrokenGlyphsSkipped) {
    CKTWord* pWord = AddWord(NewPassage(), "ab");
    auto* pCrypt = Add(new CKTCryptographicBhvr);
    EXPECT_FALSE(pCrypt->AddElement(pWord));
    pCrypt->SetShiftRange(3, 3);
    pCrypt->SetSpeed(1.0);
    pCrypt->AddElement(pWord->GetChildAt(0));
    pCrypt->AddElement(pWord->GetChildAt(1));
    // As a broken file could have it: the second glyph's count slot holds another class.
    CKTElement* pBroken = pWord->GetChildAt(1);
    CKTBhvrProp* pState = pBroken->GetProp(PROP_CRYPT_STATE);
    auto* pForeign = new CKTBhvrProp(PROP_CRYPT_STATE, PROPTYPE_INT);
    pBroken->SetProp(PROP_CRYPT_STATE, pForeign);
    Steps(1);
    EXPECT_NE(TextOf(pWord)[0], 'a');
    EXPECT_EQ(TextOf(pWord)[1], 'b');
    pBroken->SetProp(PROP_CRYPT_STATE, pState);
    delete pForeign;
}

TEST_F(Cryptographic, SetContinuousKeepsTheLowByte) {
    CKTCryptographicBhvr crypt;
    crypt.SetContinuous(0x101);
    EXPECT_EQ(crypt.IsContinuous(), 1);
    crypt.SetContinuous(0x100);
    EXPECT_EQ(crypt.IsContinuous(), 0);
    EXPECT_EQ(crypt.GetName(), "Cryptographic");
    EXPECT_EQ(crypt.GetAppliesTo(), APPLIES_TO_GLYPH);
}

}  // namespace
