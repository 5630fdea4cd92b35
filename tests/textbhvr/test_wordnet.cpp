// Synonym shift over the installed WordNet 3.0 database (wordnet-base), through the real adapter.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktsequencialbhvr.h"
#include "kinetype/ktsynshiftbhvr.h"
#include "kinetype/ktwordnetlexicon.h"
#include "textbhvr/textfixture.h"

namespace {

typedef std::vector<std::string> Strings;

Strings Synonyms(CKTElement* pWord) {
    Strings v;
    auto* p = CKTCStringArrayBhvrProp::Cast(pWord->GetProp(PROP_SYNONYMS));
    if (!p) return v;
    for (INT_PTR i = 0; i < p->m_value.GetSize(); i++) v.push_back(p->m_value[i].str());
    return v;
}

Strings Head(const Strings& v, size_t n) { return Strings(v.begin(), v.begin() + static_cast<long>(std::min(n, v.size()))); }

// The text behaviours' scenes with the real database in place of the fake.
class WordNet : public TextTest {
protected:
    void SetUp() override {
        TextTest::SetUp();
        KTSetLexicon(nullptr);
    }
    CKTWord* Attach(const std::string& text, int nPartOfSpeech) {
        CKTWord* pWord = AddWord(NewPassage(), text);
        pWord->SetPartOfSpeech(nPartOfSpeech);
        if (!m_pShift) m_pShift = Add(new CKTSynShiftBhvr);
        EXPECT_TRUE(m_pShift->AddElement(pWord));
        return pWord;
    }
    CKTSynShiftBhvr* m_pShift = nullptr;
};

TEST_F(WordNet, DogAsANounAndWordsTheDatabaseLacks) {
    EXPECT_EQ(Head(Synonyms(Attach("dog", 1)), 4), (Strings{"dog", "frump", "cad", "bounder"}));
    EXPECT_TRUE(Synonyms(Attach("xyzzy", 1)).empty());
    auto* pFlag = CKTBoolBhvrProp::Cast(Book().GetBookProp(BOOKPROP_SYNSHIFT));
    ASSERT_NE(pFlag, nullptr);
    EXPECT_TRUE(pFlag->GetValue());
}

TEST_F(WordNet, QuickAsAnAdjectiveKeepsItsOwnSpelling) {
    EXPECT_EQ(Head(Synonyms(Attach("quick", 3)), 4), (Strings{"quick", "speedy", "flying", "fast"}));
    // The library lowercases its argument: it gets a copy, and the list starts with the text as typed.
    CKTWord* pWord = Attach("Quick", 3);
    EXPECT_EQ(Head(Synonyms(pWord), 4), (Strings{"Quick", "speedy", "flying", "fast"}));
    EXPECT_EQ(TextOf(pWord), "Quick");
    EXPECT_EQ(pWord->GetText(), "Quick");
}

TEST_F(WordNet, LookupsTheLibraryCannotRunSafelyFindNothing) {
    CKTWordNetLexicon& wn = CKTWordNetLexicon::Instance();
    ASSERT_TRUE(wn.Init());
    EXPECT_FALSE(wn.FindSynsets("dog", 1, 2, 0).empty());
    EXPECT_TRUE(wn.FindSynsets(nullptr, 1, 2, 0).empty());
    EXPECT_TRUE(wn.FindSynsets("", 1, 2, 0).empty());
    EXPECT_TRUE(wn.FindSynsets("dog", 0, 2, 0).empty());
    EXPECT_TRUE(wn.FindSynsets("dog", 5, 2, 0).empty());
    // Coordinate terms (26) read through an empty result: a sense the word lacks would crash.
    EXPECT_TRUE(wn.FindSynsets("dog", 1, 26, 99).empty());
    EXPECT_TRUE(wn.FindSynsets("dog", 1, -26, 99).empty());
    EXPECT_TRUE(wn.FindSynsets("dog", 1, INT_MIN, 0).empty());
    const std::string longest(KT_MAX_LEXICON_WORD, 'x');
    EXPECT_TRUE(wn.FindSynsets(longest.c_str(), 1, 2, 0).empty());  // looked up, not found
    const std::string tooLong(KT_MAX_LEXICON_WORD + 1, 'x');
    EXPECT_TRUE(wn.FindSynsets(tooLong.c_str(), 1, 2, 0).empty());
    // Other search types and senses the stored form may hold run and end.
    for (int nType : {-2, 0, 1, 3, 5, 23, 25, 27, 31, 40, 1000, INT_MAX})
        for (int nSense : {-1, 0, 1, 2, 99}) wn.FindSynsets("dog", 1, nType, nSense);
}

// Reads what fd 2 receives while fn runs.
template <class F>
std::string CaptureStderr(F fn) {
    char path[] = "/tmp/qs-wordnet-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return "(no capture)";
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(fd, 2);
    fn();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(fd);
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    std::remove(path);
    return ss.str();
}

// Each in a new process: the library opens once per process.
class WordNetDeathTest : public TextTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        TextTest::SetUp();
        KTSetLexicon(nullptr);
    }
};

TEST_F(WordNetDeathTest, AMissingDatabaseIsSilentAndTriedAgain) {
    EXPECT_EXIT(
        {
            setenv("WNSEARCHDIR", "/nonexistent/wordnet", 1);
            CKTPassage* pPassage = NewPassage();
            auto* pShift = Add(new CKTSynShiftBhvr);
            CKTWord* pFirst = AddWord(pPassage, "dog");
            CKTWord* pSecond = AddWord(pPassage, "dog");
            const std::string said = CaptureStderr([&] {
                pShift->AddElement(pFirst);
                pShift->AddElement(pSecond);
            });
            auto* pFlag = CKTBoolBhvrProp::Cast(Book().GetBookProp(BOOKPROP_SYNSHIFT));
            // The library says nothing; our own debug trace at most once.
            const bool bQuiet = said.find("WordNet library") == std::string::npos &&
                                said.find("could not be opened") == said.rfind("could not be opened");
            const bool bNone = Synonyms(pFirst).empty() && Synonyms(pSecond).empty() && !pFlag->GetValue();
            unsetenv("WNSEARCHDIR");
            CKTWord* pThird = AddWord(pPassage, "dog");
            pShift->AddElement(pThird);
            const bool bRetried = pFlag->GetValue() && Head(Synonyms(pThird), 2) == (Strings{"dog", "frump"});
            std::_Exit((bQuiet ? 0 : 1) | (bNone ? 0 : 2) | (bRetried ? 0 : 4));
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(WordNetDeathTest, ABookThatSaysOpenStillOpensTheDatabase) {
    // A document saved with the flag set, loaded in a new process: the library opens at the lookup.
    EXPECT_EXIT(
        {
            auto* pShift = Add(new CKTSynShiftBhvr);
            CKTBoolBhvrProp::Cast(Book().GetBookProp(BOOKPROP_SYNSHIFT))->SetValue(TRUE);
            CKTWord* pWord = AddWord(NewPassage(), "dog");
            pShift->AddElement(pWord);
            std::_Exit(Head(Synonyms(pWord), 2) == (Strings{"dog", "frump"}) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A running document to open in the program: "quick" (an adjective) shifting through its synonyms
// above a passage that shows a text line by line. Written to $QS_DEMO_DIR when set, else to the test
// temporary directory, and read back.
TEST_F(WordNet, WritesARunningDocumentThatShiftsAndShowsText) {
    const char* pszDir = std::getenv("QS_DEMO_DIR");
    const std::string path = (pszDir ? std::string(pszDir) + "/" : ::testing::TempDir()) + "textbehaviours.qsd";
    LOGFONT lf = Font(480, "Liberation Serif");
    Add(new CKT1DCollisionDetBhvr);  // as the view gives every book

    CKTPassage* pTop = NewPassage(80, 140);
    pTop->SetFont(lf);
    pTop->SetColor(0x8B0000);
    CKTWord* pQuick = AddWord(pTop, "quick", false);
    pQuick->SetPartOfSpeech(3);
    auto* pShift = Add(new CKTSynShiftBhvr);
    pShift->SetSpeed(0.02);  // a new synonym about every 50 ticks
    ASSERT_TRUE(pShift->AddElement(pQuick));
    ASSERT_EQ(Head(Synonyms(pQuick), 4), (Strings{"quick", "speedy", "flying", "fast"}));

    CKTPassage* pLines = NewPassage(80, 320);
    lf.lfHeight = 280;
    pLines->SetFont(lf);
    pLines->SetColor(0x000000);
    auto* pSeq = Add(new CKTSequencialBhvr);
    ASSERT_TRUE(pSeq->SetSourceText("The quick brown fox\njumps over\nthe lazy dog.\nLiving type, changing!\n"));
    pSeq->SetChunk(4);
    pSeq->SetHold(40);
    pSeq->AddElement(pLines);
    pSeq->ShowEntry(pSeq->GetCurrentEntry());
    ASSERT_EQ(TextOf(pLines), "The| |quick| |brown| |fox");

    const KTSaveResult saved = KTSaveDocumentFile(Book(), 640, 480, CString(path.c_str()));
    ASSERT_TRUE(saved.bSaved) << saved.error.strMessage.str();
    std::printf("document written: %s\n", path.c_str());

    KTLoadResult loaded = KTLoadDocumentFile(CString(path.c_str()));
    ASSERT_EQ(loaded.status, KTLoadStatus::loaded) << loaded.strMessage.str();
    CKTBook* pLoaded = loaded.pBook;
    {
        CKTCurrentBookScope current(pLoaded);
        EXPECT_EQ(pLoaded->GetRunState(), 1);
        CKTElement* pWord = pLoaded->GetRoot()->GetFirstChild()->GetFirstChild();
        EXPECT_EQ(Head(Synonyms(pWord), 4), (Strings{"quick", "speedy", "flying", "fast"}));
        EXPECT_EQ(pLoaded->GetBehaviorCount(), 3);
        EXPECT_FALSE(loaded.bAddedDetector);
    }
    KTDeleteBook(pLoaded);
    if (!pszDir) std::remove(path.c_str());
}

}  // namespace
