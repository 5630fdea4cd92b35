// Seeded scenes of the randomised and per-pixel renderers run for 100 frames with a moving mouse:
// after every frame a hash of every mask entry of every glyph and of the painted surface is chained
// into one value, and the generator's state is taken at the end. The expected values are what the
// plain one-glyph-after-another loops produce; any change in how the pixels are computed (or on how
// many threads) must leave them as they are. The pool has at least four threads here whatever the
// machine (main.cpp); CTest runs these once more with QS_THREADS=1.
#include <atomic>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/kterparticle.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktpixelbatch.h"
#include "platform/kernel/workpool.h"
#include "rendererfixture.h"

namespace rtest {
namespace {

struct Hash {
    uint64_t h = 1469598103934665603ull;
    void Add(uint64_t v) {
        for (int i = 0; i < 8; i++) {
            h ^= (v >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    }
};

// A pre-step listener between the glyphs' own: draws from the generator, asks a glyph that already had
// its turn for its extent, and now and then changes that glyph's character.
class CMeddler : public CKTComponent {
public:
    CKTGlyph* m_pGlyph = nullptr;
    int m_nFrame = 0;
    void OnEvent(int nEvent) override {
        if (nEvent != EV_PRESTEP) return;
        m_nFrame++;
        const int n = crt::rand();
        if (m_pGlyph) {
            CKTElementRenderer* p = m_pGlyph->GetRenderer();
            const CRect rc = p->GetExtent(GetBook()->GetCurrentDC());
            m_nSum += rc.Width() + n;
            if (m_nFrame % 7 == 0) m_pGlyph->SetChar(m_nFrame % 14 ? 'a' : 'M');
        }
    }
    long long m_nSum = 0;
};

class Determinism : public RendererTest {
protected:
    // Even these small scenes go through the worker pool (unless QS_THREADS=1).
    void SetUp() override {
        RendererTest::SetUp();
        m_nOldMinCost = KTSetMinParallelCost(0);
    }
    void TearDown() override {
        KTSetMinParallelCost(m_nOldMinCost);
        RendererTest::TearDown();
    }
    size_t m_nOldMinCost = 0;

    // Words placed down the window, each with a renderer from its maker.
    void AddStyled(const std::string& text, int y, const std::function<CKTElementRenderer*()>& make,
                   LONG lfHeight = 320) {
        CKTWord* pWord = AddWord(text, 8, y, lfHeight);
        CKTElementRenderer* p = make();
        if (!pWord->SetRenderer(p, TRUE)) delete p;
        m_words.push_back(pWord);
    }

    // Point i of a path that crosses the words back and forth; a still mouse stays at point 0.
    static CPoint Path(int i) {
        const int x = (i * 23) % 600;
        const int y = 30 + (i * 11) % 200;
        return CPoint(x < 300 ? x : 600 - x, y);
    }

    struct Result {
        uint64_t frames;
        uint32_t rand;
    };
    Result Run(bool bMoving, int nFrames = 100) {
        Hash hash;
        for (int i = 0; i < nFrames; i++) {
            Tick(bMoving ? Path(i) : Path(0));
            Paint();
            for (CKTWord* pWord : m_words)
                for (int g = 0; g < pWord->GetChildCount(); g++) {
                    auto* p = dynamic_cast<CKTMaskRenderer*>(Glyph(pWord, g)->GetRenderer());
                    if (!p) continue;
                    const int* pMask = p->GetMask();
                    hash.Add(0x9E3779B97F4A7C15ull + g);
                    if (!pMask) continue;
                    const CRect rc = p->GetMaskRect();
                    const size_t n = static_cast<size_t>(rc.Width()) * rc.Height() * p->IntsPerPixel();
                    for (size_t k = 0; k < n; k++) hash.Add(static_cast<uint32_t>(pMask[k]));
                }
            gdi::Surface& s = m_wnd.GetSurface();
            for (int y = 0; y < s.Height(); y++) {
                const uint32_t* pRow = s.Row(y);
                for (int x = 0; x < s.Width(); x++) hash.Add(pRow[x]);
            }
        }
        return Result{hash.h, crt::rand_state()};
    }

    std::vector<CKTWord*> m_words;
};

// Unless QS_THREADS says otherwise, the scenes below run their pixel work on several threads, on any
// machine.
TEST_F(Determinism, ThePoolHasAtLeastFourThreads) {
    if (const char* env = std::getenv("QS_THREADS"); env && *env) GTEST_SKIP() << "QS_THREADS=" << env;
    EXPECT_GE(qs::WorkThreads(), 4);
}

TEST_F(Determinism, TrailWithOnePoint) {
    AddStyled("Quill", 60, [] { return new CKTERTrail; });
    AddStyled("storm", 130, [] { return new CKTERTrail; });
    const Result r = Run(false);
    EXPECT_EQ(r.frames, 0x104F518FC189D1CBull);
    EXPECT_EQ(r.rand, 0x4DB793AFu);
}

TEST_F(Determinism, TrailWithTenPoints) {
    AddStyled("Quill", 60, [] { return new CKTERTrail; });
    AddStyled("storm", 130, [] { return new CKTERTrail; });
    const Result r = Run(true);
    EXPECT_EQ(r.frames, 0xC4A8A1F1BB0A1761ull);
    EXPECT_EQ(r.rand, 0x7E057559u);
}

// Glyphs far to the right of and below the mouse's path: their trail points lie beyond the reach of
// any shared table of weights.
TEST_F(Determinism, TrailFarFromTheMouse) {
    AddStyled("Qu", 60, [] { return new CKTERTrail; });
    AddStyled("st", 1300, [] { return new CKTERTrail; });
    AddStyled("il", 100, [] { return new CKTERTrail; });
    m_words.back()->MoveBy(CKTVector(2600, 0, 0));
    const Result r = Run(true);
    EXPECT_EQ(r.frames, 0xFB67FA6F577B8DB7ull);
    EXPECT_EQ(r.rand, 0xD515C369u);
}

TEST_F(Determinism, ColorStatic) {
    AddStyled("Quill", 60, [] { return new CKTERColorStatic; });
    AddStyled("storm", 130, [] { return new CKTERColorStatic; });
    const Result r = Run(true);
    EXPECT_EQ(r.frames, 0x7B0C81773AAEF141ull);
    EXPECT_EQ(r.rand, 0x61B9FBE1u);
}

TEST_F(Determinism, Splatter) {
    AddStyled("Quill", 60, [] { return new CKTERSplatter; });
    AddStyled("storm", 130, [] {
        auto* p = new CKTERSplatter;
        p->SetMouseOverRate(-0.3f);
        p->SetMouseOutsideRate(0.05f);
        return p;
    });
    const Result r = Run(true);
    EXPECT_EQ(r.frames, 0xAE0B03DD7E9D68CBull);
    EXPECT_EQ(r.rand, 0x4896315Au);
}

// Every randomised style in one document, with a behaviour that scrambles characters (and draws) on
// the step and a listener that draws, measures and changes a character in the middle of the pre-step.
TEST_F(Determinism, MixedDocument) {
    AddStyled("Trail", 40, [] { return new CKTERTrail; }, 240);
    AddStyled("Noise", 80, [] { return new CKTERColorStatic; }, 240);
    auto* pMeddler = new CMeddler;
    pMeddler->m_pGlyph = Glyph(m_words[1], 1);
    pMeddler->RegisterEvent(EV_PRESTEP, 0);
    AddStyled("Splat", 120, [] { return new CKTERSplatter; }, 240);
    AddStyled("Erode", 160, [] { return new CKTERErosion; }, 240);
    AddStyled("Edge", 200, [] { return new CKTERErodeEdge; }, 240);
    AddStyled("Fly", 230, [] { return new CKTERParticle; }, 240);
    AddStyled("Cold", 40, [] { return new CKTERColorStatic; }, 200);
    m_words.back()->MoveBy(CKTVector(180, 0, 0));
    AddStyled("Wake", 120, [] { return new CKTERTrail; }, 200);
    m_words.back()->MoveBy(CKTVector(180, 0, 0));

    auto* pCrypt = new CKTCryptographicBhvr;
    pCrypt->SetSpeed(0.5);
    pCrypt->SetContinuous(TRUE);
    Book().AddBehavior(pCrypt);
    for (int w : {0, 1, 2, 6})
        for (int g = 0; g < m_words[w]->GetChildCount(); g += 2) pCrypt->AddElement(Glyph(m_words[w], g));
    pCrypt->StartListening();

    const Result r = Run(true);
    EXPECT_EQ(r.frames, 0x22D239C06EF36D7Cull);
    EXPECT_EQ(r.rand, 0x895B55B5u);
    EXPECT_NE(pMeddler->m_nSum, 0);
    pMeddler->UnregisterEvent(EV_PRESTEP);
    delete pMeddler;
}

// ---- the pixel batch ---------------------------------------------------------------------------------

// A renderer whose queued work counts its runs in a counter that outlives it, and may throw.
class CProbe : public CKTERTest {
public:
    explicit CProbe(std::atomic<int>* pRuns, bool bThrow = false) : m_pRuns(pRuns), m_bThrow(bThrow) {}
    void Queue() { QueuePixels(1); }
    bool IsQueued() const { return m_bPixelsQueued != 0; }

protected:
    void ComputePixels() override {
        ++*m_pRuns;
        if (m_bThrow) throw std::runtime_error("pixels");
    }

private:
    std::atomic<int>* m_pRuns;
    bool m_bThrow;
};

// On the pool (every batch handed to it) and on the calling thread (none).
class PixelBatch : public RendererTest, public ::testing::WithParamInterface<size_t> {
protected:
    void SetUp() override {
        RendererTest::SetUp();
        m_nOldMinCost = KTSetMinParallelCost(GetParam());
    }
    void TearDown() override {
        KTFinishPixels();
        KTSetMinParallelCost(m_nOldMinCost);
        RendererTest::TearDown();
    }
    size_t m_nOldMinCost = 0;
};

// A renderer destroyed while its work is queued is taken out of the queue: its work never runs, and the
// destructor runs no batch; the rest of the batch runs at its time.
TEST_P(PixelBatch, ARendererDestroyedWhileQueuedLeavesTheQueue) {
    for (size_t nDoomed : {size_t(0), size_t(2), size_t(4)}) {
        SCOPED_TRACE(nDoomed);
        std::vector<std::atomic<int>> runs(5);
        std::vector<std::unique_ptr<CProbe>> probes;
        for (std::atomic<int>& n : runs) probes.push_back(std::make_unique<CProbe>(&n));
        for (auto& p : probes) p->Queue();
        const uint64_t nBatch = KTPixelBatchNumber();
        probes[nDoomed].reset();
        EXPECT_EQ(KTPixelBatchNumber(), nBatch) << "no batch runs in the destructor";
        for (size_t i = 0; i < probes.size(); ++i) {
            if (i == nDoomed) continue;
            EXPECT_TRUE(probes[i]->IsQueued()) << i;
            EXPECT_EQ(runs[i].load(), 0) << i;
        }
        KTFinishPixels();
        EXPECT_EQ(KTPixelBatchNumber(), nBatch + 1);
        for (size_t i = 0; i < probes.size(); ++i) {
            EXPECT_EQ(runs[i].load(), i == nDoomed ? 0 : 1) << i;
            if (probes[i]) {
                EXPECT_FALSE(probes[i]->IsQueued()) << i;
            }
        }
        // The only one queued: the queue is empty after it.
        probes[(nDoomed + 1) % probes.size()]->Queue();
        probes[(nDoomed + 1) % probes.size()].reset();
        KTFinishPixels();
        EXPECT_EQ(KTPixelBatchNumber(), nBatch + 1) << "nothing left to run";
    }
}

// A job that throws: every other job of its batch still runs, none stays marked as queued, the
// exception reaches the caller, and the next batch runs as usual.
TEST_P(PixelBatch, AJobThatThrowsLeavesNoneQueued) {
    for (size_t nThrower : {size_t(0), size_t(3), size_t(6)}) {
        SCOPED_TRACE(nThrower);
        std::vector<std::atomic<int>> runs(7);
        std::vector<std::unique_ptr<CProbe>> probes;
        for (size_t i = 0; i < runs.size(); ++i) probes.push_back(std::make_unique<CProbe>(&runs[i], i == nThrower));
        for (auto& p : probes) p->Queue();
        EXPECT_THROW(KTFinishPixels(), std::runtime_error);
        for (size_t i = 0; i < probes.size(); ++i) {
            EXPECT_EQ(runs[i].load(), 1) << i;
            EXPECT_FALSE(probes[i]->IsQueued()) << i;
        }
        probes[nThrower].reset();  // its destructor finds nothing queued
        for (size_t i = 0; i < probes.size(); ++i)
            if (probes[i]) probes[i]->Queue();
        KTFinishPixels();
        for (size_t i = 0; i < probes.size(); ++i) {
            if (probes[i]) {
                EXPECT_EQ(runs[i].load(), 2) << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OnThePoolAndOnTheCallingThread, PixelBatch, ::testing::Values(size_t(0), SIZE_MAX),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return info.param == 0 ? std::string("Pool") : std::string("CallingThread");
                         });

}  // namespace
}  // namespace rtest
