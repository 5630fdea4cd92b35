// Synonym shift through a fake lexicon: the lists words get, opening the database, and the shifts.
#include <climits>

#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktsynshiftbhvr.h"
#include "kinetype/ktrecorder.h"
#include "textbhvr/textfixture.h"

namespace {

std::vector<std::string> Synonyms(CKTElement* pWord) {
    std::vector<std::string> v;
    auto* p = CKTCStringArrayBhvrProp::Cast(pWord->GetProp(PROP_SYNONYMS));
    if (!p) return v;
    for (INT_PTR i = 0; i < p->m_value.GetSize(); i++) v.push_back(p->m_value[i].str());
    return v;
}

typedef std::vector<std::string> Strings;

// Steps until an accumulator gaining dSpeed per step reaches 1.0. At the default 0.1 that is 11, not
// 10: ten additions of 0.1 give 0.9999999999999999.
int StepsPerShift(double dSpeed) {
    double d = 0.0;
    int n = 0;
    while (d < 1.0) {
        d += dSpeed;
        n++;
    }
    return n;
}
const int kDefaultPeriod = StepsPerShift(0.1);

class SynShift : public TextTest {
protected:
    CKTBoolBhvrProp* Flag() { return CKTBoolBhvrProp::Cast(Book().GetBookProp(BOOKPROP_SYNSHIFT)); }
    kttest::Log m_log;  // outlives the book (recording behaviours log their deletion)
};

TEST_F(SynShift, ListIsOwnTextThenSynonymsWithoutSelfAndMultiWordEntries) {
    m_lexicon.Add("Quick", {"quick", "speedy"}, 1);
    m_lexicon.Add("Quick", {"flying", "quick", "fast"}, 2);
    m_lexicon.Add("Quick", {"hot_dog", "quick", "speedy"}, 2);  // a repeat is kept, '_' is not
    CKTWord* pWord = AddWord(NewPassage(), "Quick");
    pWord->SetPartOfSpeech(3);
    auto* pShift = Add(new CKTSynShiftBhvr);

    ASSERT_TRUE(pShift->AddElement(pWord));
    EXPECT_EQ(Synonyms(pWord), (Strings{"Quick", "speedy", "flying", "fast", "speedy"}));
    ASSERT_EQ(m_lexicon.m_calls.size(), 1u);
    EXPECT_EQ(m_lexicon.m_calls[0].word, "Quick");
    EXPECT_EQ(m_lexicon.m_calls[0].nPartOfSpeech, 3);
    EXPECT_EQ(m_lexicon.m_calls[0].nSearchType, 2);
    EXPECT_EQ(m_lexicon.m_calls[0].nSense, 0);
    EXPECT_EQ(TextOf(pWord), "Quick");
}

TEST_F(SynShift, WordsNotFoundOrOnlyThemselvesAndGlyphsAndSecondAttachments) {
    m_lexicon.Add("alone", {"alone", "all_alone"}, 1);
    CKTPassage* pPassage = NewPassage();
    CKTWord* pMissing = AddWord(pPassage, "xyzzy");
    CKTWord* pAlone = AddWord(pPassage, "alone");
    auto* pShift = Add(new CKTSynShiftBhvr);

    EXPECT_TRUE(pShift->AddElement(pMissing));
    EXPECT_TRUE(Synonyms(pMissing).empty());
    EXPECT_TRUE(pShift->AddElement(pAlone));
    EXPECT_EQ(Synonyms(pAlone), (Strings{"alone"}));
    EXPECT_FALSE(pShift->AddElement(pAlone));  // attached already: no second lookup
    EXPECT_FALSE(pShift->AddElement(pAlone->GetFirstChild()));
    EXPECT_FALSE(pShift->AddElement(pPassage));
    EXPECT_EQ(m_lexicon.m_calls.size(), 2u);

    // [own text] alone: every shift rebuilds the same letters with new glyphs.
    CKTElement* pOld = pAlone->GetFirstChild();
    ASSERT_EQ(kDefaultPeriod, 11);
    Steps(kDefaultPeriod);
    EXPECT_EQ(TextOf(pAlone), "alone");
    EXPECT_NE(pAlone->GetFirstChild(), pOld);
    EXPECT_EQ(TextOf(pMissing), "xyzzy");
}

TEST_F(SynShift, PartOfSpeechOutsideOneToFourLooksUpNouns) {
    const struct {
        int nSet;  // 0: never set
        int nLookedUp;
    } cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 1}, {-1, 1}, {INT_MIN, 1}};
    CKTPassage* pPassage = NewPassage();
    auto* pShift = Add(new CKTSynShiftBhvr);
    for (const auto& c : cases) {
        CKTWord* pWord = AddWord(pPassage, "w");
        if (c.nSet) pWord->SetPartOfSpeech(c.nSet);
        m_lexicon.m_calls.clear();
        pShift->AddElement(pWord);
        ASSERT_EQ(m_lexicon.m_calls.size(), 1u);
        EXPECT_EQ(m_lexicon.m_calls[0].nPartOfSpeech, c.nLookedUp) << "set " << c.nSet;
    }
}

TEST_F(SynShift, EmptyAndOverlongWordsAreNotLookedUp) {
    CKTPassage* pPassage = NewPassage();
    auto* pShift = Add(new CKTSynShiftBhvr);
    const struct {
        size_t nLength;
        bool bLookedUp;
    } cases[] = {{0, false}, {1, true}, {255, true}, {256, false}, {300, false}};
    for (const auto& c : cases) {
        const std::string text(c.nLength, 'a');
        m_lexicon.m_table[text].push_back(KTSynset{{CString("b")}, 0});
        CKTWord* pWord = AddWord(pPassage, text);
        m_lexicon.m_calls.clear();
        EXPECT_TRUE(pShift->AddElement(pWord));
        EXPECT_EQ(m_lexicon.m_calls.size(), c.bLookedUp ? 1u : 0u) << c.nLength;
        EXPECT_EQ(Synonyms(pWord).size(), c.bLookedUp ? 2u : 0u) << c.nLength;
    }
}

TEST_F(SynShift, TheDatabaseOpensOnceAndAFailureIsRetriedAtTheNextAttachment) {
    m_lexicon.Add("dog", {"dog", "hound"}, 1);
    m_lexicon.m_initResults = {FALSE, TRUE};
    CKTPassage* pPassage = NewPassage();
    auto* pShift = Add(new CKTSynShiftBhvr);
    ASSERT_NE(Flag(), nullptr);
    EXPECT_FALSE(Flag()->GetValue());

    CKTWord* pFirst = AddWord(pPassage, "dog");
    EXPECT_TRUE(pShift->AddElement(pFirst));  // the open fails: attached, no list, no lookup
    EXPECT_EQ(m_lexicon.m_nInits, 1);
    EXPECT_TRUE(m_lexicon.m_calls.empty());
    EXPECT_TRUE(Synonyms(pFirst).empty());
    EXPECT_FALSE(Flag()->GetValue());
    EXPECT_TRUE(pShift->FindElement(pFirst) != nullptr);

    CKTWord* pSecond = AddWord(pPassage, "dog");
    EXPECT_TRUE(pShift->AddElement(pSecond));  // tried again, opens
    EXPECT_EQ(m_lexicon.m_nInits, 2);
    EXPECT_TRUE(Flag()->GetValue());
    EXPECT_EQ(Synonyms(pSecond), (Strings{"dog", "hound"}));

    pShift->AddElement(AddWord(pPassage, "dog"));  // open: not asked again
    EXPECT_EQ(m_lexicon.m_nInits, 2);

    // A second behaviour of the book shares the flag.
    auto* pOther = Add(new CKTSynShiftBhvr);
    EXPECT_EQ(Flag()->GetRefCount(), 2);
    pOther->AddElement(AddWord(pPassage, "dog"));
    EXPECT_EQ(m_lexicon.m_nInits, 2);
}

TEST_F(SynShift, AMissingOrForeignBookFlagCountsAsNotOpen) {
    m_lexicon.Add("dog", {"dog", "hound"}, 1);
    CKTPassage* pPassage = NewPassage();
    auto* pShift = Add(new CKTSynShiftBhvr);
    // A file may leave the slot empty or put a property of another class there.
    CKTBhvrProp* pFlag = Book().GetBookProp(BOOKPROP_SYNSHIFT);
    auto* pForeign = new CKTIntBhvrProp(BOOKPROP_SYNSHIFT);
    pForeign->SetValue(1);
    for (CKTBhvrProp* pSlot : {static_cast<CKTBhvrProp*>(nullptr), static_cast<CKTBhvrProp*>(pForeign)}) {
        Book().SetBookProp(BOOKPROP_SYNSHIFT, pSlot);
        const int nInits = m_lexicon.m_nInits;
        CKTWord* pWord = AddWord(pPassage, "dog");
        EXPECT_TRUE(pShift->AddElement(pWord));
        EXPECT_EQ(m_lexicon.m_nInits, nInits + 1);
        EXPECT_EQ(Synonyms(pWord), (Strings{"dog", "hound"}));
    }
    Book().SetBookProp(BOOKPROP_SYNSHIFT, pFlag);
    delete pForeign;
}

TEST_F(SynShift, ShiftsWalkTheListWithRendererClonesAndCarriedBehaviours) {
    m_lexicon.Add("fast", {"fast", "quick", "speedy"}, 1);
    CKTPassage* pPassage = NewPassage(100, 200);
    CKTWord* pWord = AddWord(pPassage, "fast");
    CKTWord* pNext = AddWord(pPassage, "next");
    pWord->SetColor(0x00AA00);
    ASSERT_TRUE(pWord->SetRenderer(new CKTERFixed, TRUE));
    LOGFONT lfWord = Font(360, "Liberation Serif");
    pWord->SetFont(lfWord);
    ASSERT_DOUBLE_EQ(pNext->GetRelativePosition().x, 40.0);

    auto* pGlyphBhvr = Add(new kttest::CRecordingBhvr(m_log, "glyphs"));
    pGlyphBhvr->SetAppliesTo(APPLIES_TO_GLYPH);
    auto* pWordBhvr = Add(new kttest::CRecordingBhvr(m_log, "word"));
    pGlyphBhvr->AddElement(pWord->GetChildAt(1));
    pGlyphBhvr->AddElement(pWord->GetChildAt(3));
    pWordBhvr->AddElement(pWord);
    auto* pShift = Add(new CKTSynShiftBhvr);
    ASSERT_TRUE(pShift->AddElement(pWord));

    int nDeleted = 0;
    static int* s_pDeleted;
    s_pDeleted = &nDeleted;
    Book().SetElementDeletedCallback([](CKTElement*) { (*s_pDeleted)++; });

    const char* expected[] = {"quick", "speedy", "fast", "quick"};
    int nOldGlyphs = 4;
    for (const char* text : expected) {
        Steps(kDefaultPeriod - 1);
        EXPECT_EQ(nDeleted, 0);
        Steps(1);
        EXPECT_EQ(TextOf(pWord), text);
        EXPECT_EQ(nDeleted, nOldGlyphs);  // the old glyphs died and were deleted after the tick
        nDeleted = 0;
        nOldGlyphs = pWord->GetChildCount();

        // New glyphs: the word's font and colour, a copy of its renderer, the carried behaviour.
        const int n = pWord->GetChildCount();
        ASSERT_EQ(n, static_cast<int>(std::strlen(text)));
        EXPECT_EQ(pGlyphBhvr->GetElementCount(), n);
        for (int i = 0; i < n; i++) {
            CKTElement* pGlyph = pWord->GetChildAt(i);
            EXPECT_EQ(std::memcmp(&lfWord, &static_cast<const LOGFONT&>(pGlyph->GetFont()), sizeof lfWord), 0);
            EXPECT_EQ(pGlyph->GetColor(), 0x00AA00u);
            ASSERT_NE(pGlyph->GetRenderer(), nullptr);
            EXPECT_EQ(pGlyph->GetRenderer()->GetType(), RENDERER_TEST);
            EXPECT_NE(pGlyph->GetRenderer(), pWord->GetRenderer());
            EXPECT_TRUE(pGlyph->HasBehavior(pGlyphBhvr));
            EXPECT_FALSE(pGlyph->HasBehavior(pWordBhvr));
            // Appended with the line flow: each glyph right of the one before.
            EXPECT_DOUBLE_EQ(pGlyph->GetRelativePosition().x, 10.0 * i);
        }
        EXPECT_TRUE(pWord->HasBehavior(pWordBhvr));
        EXPECT_EQ(pWord->GetParent(), pPassage);
        // The line re-flowed: the next word follows the rebuilt word.
        EXPECT_DOUBLE_EQ(pNext->GetRelativePosition().x, 10.0 * n);
    }
    EXPECT_EQ(pShift->GetShift(), 4);
    Book().SetElementDeletedCallback(nullptr);
}

TEST_F(SynShift, AWordWithoutRendererGetsDefaultRenderedGlyphs) {
    m_lexicon.Add("fast", {"fast", "quick"}, 1);
    CKTWord* pWord = AddWord(NewPassage(), "fast");
    auto* pShift = Add(new CKTSynShiftBhvr);
    pShift->AddElement(pWord);
    ASSERT_EQ(pWord->GetRenderer(), nullptr);
    Steps(kDefaultPeriod);
    ASSERT_EQ(TextOf(pWord), "quick");
    for (int i = 0; i < 5; i++) EXPECT_EQ(pWord->GetChildAt(i)->GetRendererType(), RENDERER_DEFAULT);
    // Laid out like typed glyphs: a later font change re-flows them with their new widths.
    pWord->SetFont(Font(720));
    for (int i = 0; i + 1 < 5; i++) {
        CKTElement* pGlyph = pWord->GetChildAt(i);
        EXPECT_TRUE(pGlyph->IsAutoLayout());
        EXPECT_DOUBLE_EQ(pWord->GetChildAt(i + 1)->GetRelativePosition().x - pGlyph->GetRelativePosition().x,
                         pGlyph->GetWidth())
            << i;
    }
}

TEST_F(SynShift, CarriedGlyphBehavioursKeepWorking) {
    // A cryptographic scramble on the old glyphs scrambles the new ones.
    m_lexicon.Add("ab", {"ab", "cd"}, 1);
    CKTWord* pWord = AddWord(NewPassage(), "ab");
    auto* pCrypt = Add(new CKTCryptographicBhvr);
    pCrypt->SetSpeed(1.0);
    pCrypt->SetContinuous(TRUE);
    for (int i = 0; i < 2; i++) pCrypt->AddElement(pWord->GetChildAt(i));
    auto* pShift = Add(new CKTSynShiftBhvr);
    pShift->SetSpeed(1.0);
    pShift->AddElement(pWord);
    Steps(1);
    ASSERT_EQ(pWord->GetChildCount(), 2);
    EXPECT_EQ(pCrypt->GetElementCount(), 2);
    for (int i = 0; i < 2; i++) {
        CKTElement* pGlyph = pWord->GetChildAt(i);
        EXPECT_TRUE(pGlyph->HasBehavior(pCrypt));
        auto* pSaved = CKTIntBhvrProp::Cast(pGlyph->GetProp(PROP_SAVED_CHAR));
        ASSERT_NE(pSaved, nullptr);
        EXPECT_EQ(pSaved->GetValue(), "cd"[i]);
    }
}

TEST_F(SynShift, AWordWithoutAListPropertyIsSkipped) {
    m_lexicon.Add("fast", {"fast", "quick"}, 1);
    CKTPassage* pPassage = NewPassage();
    CKTWord* pBroken = AddWord(pPassage, "fast");
    CKTWord* pGood = AddWord(pPassage, "fast");
    auto* pShift = Add(new CKTSynShiftBhvr);
    pShift->SetSpeed(1.0);
    pShift->AddElement(pBroken);
    pShift->AddElement(pGood);
    // As a broken file could have it: another class in the slot.
    CKTBhvrProp* pList = pBroken->GetProp(PROP_SYNONYMS);
    auto* pForeign = new CKTIntBhvrProp(PROP_SYNONYMS);
    pBroken->SetProp(PROP_SYNONYMS, pForeign);
    Steps(1);
    EXPECT_EQ(TextOf(pBroken), "fast");
    EXPECT_EQ(TextOf(pGood), "quick");
    pBroken->SetProp(PROP_SYNONYMS, pList);
    delete pForeign;
}

}  // namespace
