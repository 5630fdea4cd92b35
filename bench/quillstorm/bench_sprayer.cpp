// The text sprayer: a passage-mode spray step of an 80-character line, a tick with notes 33 (next
// face) and 38 (size + 5) held, and a soak of 20,000 ticks spraying words at speed 1.0 with a
// lifespan of 0.5 s (live elements and memory at 2,000 and at 20,000 ticks).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "benchprogram.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/kttext.h"
#include "quillstorm/wordnozzledialog.h"

namespace {

// A program whose sprayer runs on a source of the given text (written to a scratch file), with the
// UI services answering the start dialog.
struct Sprayer : BenchProgram {
    class CStartAnswer : public ui::CUIServices {
    public:
        std::string path;
        int nChunk = 1;
        float fSpeed = 0.1f;
        double dLife = 0.1;
        int MessageBox(const std::string&, const std::string&, UINT) override { return IDOK; }
        BOOL FileDialog(const ui::FileDialogRequest&, std::string*) override { return FALSE; }
        BOOL ChooseColor(COLORREF, DWORD, COLORREF*) override { return FALSE; }
        int DoModal(ui::CParamDialog& d) override {
            auto& w = static_cast<CWordnozzleDialog&>(d);
            w.m_strFile = path.c_str();
            w.m_nChunk = nChunk;
            w.m_fSpeed = fSpeed;
            w.m_dBase = dLife;
            return IDOK;
        }
    } answer;
    std::string strPath;

    Sprayer(const std::string& text, int nChunk, float fSpeed, double dLife) : BenchProgram(640, 480) {
        strPath = "/tmp/qs-bench-sprayer-" + std::to_string(getpid()) + ".txt";
        std::ofstream(strPath) << text;
        answer.path = strPath;
        answer.nChunk = nChunk;
        answer.fSpeed = fSpeed;
        answer.dLife = dLife;
        ui::CUIServices* pOld = ui::SetUIServices(&answer);
        Book()->OnMouseMove(CPoint(320, 240));
        View()->ExecuteCommand(116, TRUE);
        ui::SetUIServices(pOld);
    }
    ~Sprayer() { std::remove(strPath.c_str()); }

    void Note(int nNote) { View()->OnMidiData(0, 0x00640090 | nNote << 8); }
};

// One spray step of a line of 80 characters in passage mode: a passage of 80 glyphs in 28 words,
// laid out, each glyph entered into the collision detector, renderer clones given, centred; the piece
// before it released. Before each step (outside the timing) the scene is cut back to the current
// piece and the range(0) - 1 passages sprayed before it: the collision detector's sorted insert grows
// with the glyphs on the canvas.
void BM_SprayStep_Passage80(benchmark::State& state) {
    const std::string line = "It was the best of times, it was the worst of times; it was the age of wisdom...";
    Sprayer s(line + "\n", 2, 0.0f, 100.0);
    CQuillView* v = s.View();
    const int nKeep = static_cast<int>(state.range(0));
    for (int i = 0; i < 40; ++i) v->SprayText();  // faces cached
    for (auto _ : state) {
        state.PauseTiming();
        while (v->m_pTextRoot->GetChildCount() > nKeep) {
            CKTElement* p = v->m_pTextRoot->GetFirstChild();
            PurgeElementReferences(p);
            delete p;
        }
        state.ResumeTiming();
        v->SprayText();
    }
    state.counters["chars"] = static_cast<double>(line.size());
    state.counters["glyphs_before"] = nKeep * 80.0;
}
BENCHMARK(BM_SprayStep_Passage80)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

// A tick (scene step and the sprayer's part; no paint) with notes 33 and 38 held on a word: the next
// face and 5 points more, every tick. The size goes back to 24 every 20 ticks outside the timing;
// every face at every size met is cached by a warm-up round.
void BM_Tick_HeldFontAndSize(benchmark::State& state) {
    Sprayer s("quills\n", 1, 0.0f, 100.0);
    CQuillView* v = s.View();
    s.Book()->SetRunState(1);
    s.Note(33);
    s.Note(38);
    const int nFaces = std::max(1, v->m_fonts.GetTotalCount());
    auto tick = [v] { v->OnTimer(CQuillView::kFrameTimerId); };
    for (int i = 0; i < nFaces * 20; ++i) {
        if (i % 20 == 0) v->m_nSpraySize = 24;
        tick();
    }
    int n = 0;
    for (auto _ : state) {
        if (++n % 20 == 0) {
            state.PauseTiming();
            v->m_nSpraySize = 24;
            state.ResumeTiming();
        }
        tick();
    }
    state.counters["faces"] = nFaces;
}
BENCHMARK(BM_Tick_HeldFontAndSize)->Unit(benchmark::kMicrosecond);

// 20,000 ticks with the left button held, spraying words at speed 1.0 (a word every tick) that live
// 0.5 s (50 steps), each tick painted. Live elements and resident memory at 2,000 and 20,000 ticks.
void BM_Soak_Words20000(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "word" + std::to_string(i) + " ";
    for (auto _ : state) {
        Sprayer s(text + "\n", 1, 1.0f, 0.5);
        CQuillView* v = s.View();
        s.Book()->SetRunState(1);
        QCoreApplication::processEvents();  // the window shown: a tick's repaint paints at once
        v->repaint();
        s.Book()->OnLButtonDown(CPoint(320, 240));
        const int nFrames = v->m_nFramesDrawn;
        CPoint pt(320, 240);
        for (int t = 1; t <= 20000; ++t) {
            pt.x = 100 + t % 400;  // the mouse wanders
            s.Book()->OnMouseMove(pt);
            v->OnTimer(CQuillView::kFrameTimerId);
            if (t == 2000 || t == 20000) {
                const char* at = t == 2000 ? "_2000" : "_20000";
                state.counters[std::string("elements") + at] = CountElements(s.Book()->GetRoot());
                state.counters[std::string("rss_KiB") + at] = static_cast<double>(ResidentKiB());
                state.counters[std::string("behaviors") + at] = static_cast<double>(s.Book()->GetBehaviorCount());
            }
        }
        state.counters["frames"] = v->m_nFramesDrawn - nFrames;
    }
}
BENCHMARK(BM_Soak_Words20000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
