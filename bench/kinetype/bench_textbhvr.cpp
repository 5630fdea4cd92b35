// The text behaviours' speed: one synonym-shift step that rebuilds 500 words (2,500 default-rendered
// glyphs), laid out as 50 lines of 10 words and as one line of 500; one cryptographic scramble step of
// 10,000 glyphs; one scroll step of 1,000 words; attaching 1,000 words with the installed WordNet
// database.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kinetype/ktbook.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktlexicon.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktregister.h"
#include "kinetype/ktscrollbhvr.h"
#include "kinetype/ktsynshiftbhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"

namespace {

LOGFONT TextFont() {
    LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = 90;  // 9 points
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

// Every word has the same two five-letter entries.
class TwoWordLexicon : public CKTLexicon {
public:
    BOOL Init() override { return TRUE; }
    std::vector<KTSynset> FindSynsets(const char*, int, int, int) override {
        KTSynset s;
        s.words = {CString("fghij"), CString("abcde")};
        s.nWhichWord = 2;
        return {s};
    }
};

struct Scene {
    CKTFakeWindow wnd{1280, 720};
    std::unique_ptr<CKTBook> pBook;
    Scene() {
        KTRegisterClasses();
        g_bLoading = 0;
        pBook = std::make_unique<CKTBook>();
        pBook->SetWindow(&wnd);
        pBook->SetRunState(1);
    }
    ~Scene() { pBook.reset(); }
    // nLines passages of nWords words of text each, one line apart.
    std::vector<CKTWord*> Fill(int nLines, int nWords, const std::vector<std::string>& texts) {
        std::vector<CKTWord*> words;
        size_t k = 0;
        for (int l = 0; l < nLines; l++) {
            auto* pPassage = new CKTPassage;
            pBook->GetRoot()->AppendChild(pPassage, FALSE);
            pPassage->MoveBy(CKTVector(10, 14 + l * 14, 0));
            pPassage->SetFont(TextFont());
            for (int w = 0; w < nWords; w++) {
                auto* pWord = new CKTWord;
                pWord->SetFont(TextFont());
                pPassage->AppendChild(pWord, TRUE);
                for (char c : texts[k++ % texts.size()]) {
                    auto* pGlyph = new CKTGlyph;
                    pGlyph->SetFont(TextFont());
                    pGlyph->SetChar(c);
                    pWord->AppendChild(pGlyph, TRUE);
                }
                words.push_back(pWord);
            }
        }
        return words;
    }
    template <class T>
    T* Add(T* p) {
        pBook->AddBehavior(p);
        p->StartListening();
        return p;
    }
};

void SynShiftStep(benchmark::State& state, int nLines, int nWords) {
    TwoWordLexicon lexicon;
    CKTLexicon* pOld = KTSetLexicon(&lexicon);
    {
        Scene scene;
        auto* pShift = scene.Add(new CKTSynShiftBhvr);
        pShift->SetSpeed(1.0);  // a shift at every step
        for (CKTWord* pWord : scene.Fill(nLines, nWords, {"abcde"})) pShift->AddElement(pWord);
        scene.pBook->Step();
        for (auto _ : state) scene.pBook->Step();
        state.SetItemsProcessed(state.iterations() * nLines * nWords * 5);
    }
    KTSetLexicon(pOld);
}

void BM_SynShiftStep500WordsIn50Lines(benchmark::State& state) { SynShiftStep(state, 50, 10); }
BENCHMARK(BM_SynShiftStep500WordsIn50Lines)->Unit(benchmark::kMillisecond);

void BM_SynShiftStep500WordsInOneLine(benchmark::State& state) { SynShiftStep(state, 1, 500); }
BENCHMARK(BM_SynShiftStep500WordsInOneLine)->Unit(benchmark::kMillisecond);

void BM_ScrambleStep10000Glyphs(benchmark::State& state) {
    Scene scene;
    auto* pCrypt = scene.Add(new CKTCryptographicBhvr);
    pCrypt->SetSpeed(1.0);
    pCrypt->SetContinuous(TRUE);
    for (CKTWord* pWord : scene.Fill(50, 40, {"abcde"}))
        for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling()) pCrypt->AddElement(g);
    scene.pBook->Step();
    for (auto _ : state) scene.pBook->Step();
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_ScrambleStep10000Glyphs)->Unit(benchmark::kMicrosecond);

void BM_ScrollStep1000Words(benchmark::State& state) {
    Scene scene;
    auto* pScroll = scene.Add(new CKTScrollBhvr);
    for (CKTWord* pWord : scene.Fill(50, 20, {"abcde"})) pScroll->AddElement(pWord);
    scene.pBook->Step();
    for (auto _ : state) scene.pBook->Step();
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ScrollStep1000Words)->Unit(benchmark::kMicrosecond);

// 1,000 nouns of the installed database (every 50th single word of its noun index), each attached to
// a new synonym shift that looks it up; the database is opened before the timing starts.
void BM_Attach1000WordsWordNet(benchmark::State& state) {
    std::vector<std::string> nouns;
    std::ifstream index("/usr/share/wordnet/index.noun");
    std::string line;
    for (int n = 0; std::getline(index, line) && nouns.size() < 1000;) {
        if (line.empty() || line[0] == ' ') continue;
        const std::string word = line.substr(0, line.find(' '));
        if (word.find_first_not_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos) continue;
        if (n++ % 50 == 0) nouns.push_back(word);
    }
    if (nouns.size() < 1000) {
        state.SkipWithError("the WordNet noun index is not installed");
        return;
    }
    Scene scene;
    std::vector<CKTWord*> words = scene.Fill(50, 20, nouns);
    KTGetLexicon().Init();
    size_t nSynonyms = 0;
    for (auto _ : state) {
        auto* pShift = scene.Add(new CKTSynShiftBhvr);
        for (CKTWord* pWord : words) pShift->AddElement(pWord);
        state.PauseTiming();
        nSynonyms = 0;
        for (CKTWord* pWord : words)
            if (auto* p = CKTCStringArrayBhvrProp::Cast(pWord->GetProp(PROP_SYNONYMS))) nSynonyms += p->m_value.GetSize() > 0;
        scene.pBook->RemoveBehavior(pShift);
        delete pShift;
        state.ResumeTiming();
    }
    state.counters["words"] = static_cast<double>(words.size());
    state.counters["with_list"] = static_cast<double>(nSynonyms);
}
BENCHMARK(BM_Attach1000WordsWordNet)->Unit(benchmark::kMillisecond);

}  // namespace
