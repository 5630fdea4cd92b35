// AddFrame at 1280 x 720 (conversion, encoding, writing to the movie file) on a frame of text over a
// plain background and on a frame of noise, beside the encoder alone on the same 24-bit RGB frames.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include <unistd.h>

#include "platform/gdi/dc.h"
#include "winquicktime/winquicktime.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
// The movie starts again after this many frames, so that a run of noise frames stays within a few
// hundred megabytes of disc.
constexpr int kFramesPerMovie = 50;

enum Frame { kText = 0, kNoise = 1 };

// Lines of dark text (18 points) over a light plain background, or every pixel random.
void PaintFrame(CDC* pDC, int nFrame) {
    gdi::Surface* s = pDC->GetSurface();
    if (nFrame == kNoise) {
        std::mt19937 random(1);
        for (int y = 0; y < s->Height(); ++y)
            for (int x = 0; x < s->Width(); ++x) s->Row(y)[x] = random() & 0xFFFFFFu;
        return;
    }
    const CRect rc(0, 0, s->Width(), s->Height());
    pDC->FillSolidRect(&rc, RGB(236, 232, 220));
    LOGFONT lf;
    std::memset(&lf, 0, sizeof(lf));
    lf.lfHeight = 180;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    CFont font;
    font.CreatePointFontIndirect(&lf);
    CFont* pOld = pDC->SelectObject(&font);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(RGB(30, 40, 90));
    const char* line = "Type that lives, moves and answers back: living words on the canvas.";
    for (int y = 20; y + 30 < kHeight; y += 36) pDC->TextOut(20 + (y % 50), y, line);
    pDC->SelectObject(pOld);
}

// A scratch folder for the movie, removed with it.
class CScratchMovie {
public:
    CScratchMovie() {
        char pattern[] = "/tmp/qs-bench-movie-XXXXXX";
        if (mkdtemp(pattern)) m_strDir = pattern;
    }
    ~CScratchMovie() {
        if (m_strDir.empty()) return;
        unlink(Path().c_str());
        rmdir(m_strDir.c_str());
    }
    std::string Path() const { return m_strDir + "/bench.mov"; }

private:
    std::string m_strDir;
};

void BM_AddFrame(benchmark::State& state) {
    const int nFrame = static_cast<int>(state.range(0));
    CScratchMovie movie;
    CWinQuickTime writer;
    const RECT rc{0, 0, kWidth, kHeight};
    HDC hdc = writer.StartMovie(movie.Path().c_str(), nullptr, &rc);
    if (!hdc) {
        state.SkipWithError("StartMovie failed");
        return;
    }
    PaintFrame(hdc, nFrame);
    int nInMovie = 0;
    for (auto _ : state) {
        if (writer.AddFrame() != 0) {
            state.SkipWithError("AddFrame failed");
            break;
        }
        if (++nInMovie == kFramesPerMovie) {
            state.PauseTiming();
            writer.FinishMovie();
            hdc = writer.StartMovie(movie.Path().c_str(), nullptr, &rc);
            if (hdc) PaintFrame(hdc, nFrame);
            nInMovie = 0;
            state.ResumeTiming();
            if (!hdc) {
                state.SkipWithError("StartMovie failed");
                break;
            }
        }
    }
    writer.FinishMovie();
    state.SetLabel(nFrame == kText ? "text" : "noise");
}

// The encoder alone, as the writer sets it up, on the same frames already in 24-bit RGB.
void BM_EncoderAlone(benchmark::State& state) {
    const int nFrame = static_cast<int>(state.range(0));
    CDC dc;
    CBitmap bitmap;
    dc.CreateCompatibleDC(nullptr);
    bitmap.CreateCompatibleBitmap(&dc, kWidth, kHeight);
    CBitmap* pOldBitmap = dc.SelectObject(&bitmap);
    PaintFrame(&dc, nFrame);

    const AVCodec* pCodec = avcodec_find_encoder_by_name("qtrle");
    AVCodecContext* pEncoder = avcodec_alloc_context3(pCodec);
    pEncoder->width = kWidth;
    pEncoder->height = kHeight;
    pEncoder->pix_fmt = AV_PIX_FMT_RGB24;
    pEncoder->time_base = AVRational{1, 600};
    pEncoder->gop_size = 1;
    avcodec_open2(pEncoder, pCodec, nullptr);
    AVFrame* frames[2];
    for (AVFrame*& f : frames) {
        f = av_frame_alloc();
        f->format = AV_PIX_FMT_RGB24;
        f->width = kWidth;
        f->height = kHeight;
        av_frame_get_buffer(f, 0);
        const gdi::Surface& s = bitmap.GetSurface();
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* d = f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0];
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t p = s.Row(y)[x];
                *d++ = static_cast<uint8_t>(p >> 16);
                *d++ = static_cast<uint8_t>(p >> 8);
                *d++ = static_cast<uint8_t>(p);
            }
        }
    }
    AVPacket* pPacket = av_packet_alloc();
    int64_t n = 0;
    size_t nBytes = 0;
    for (auto _ : state) {
        AVFrame* f = frames[n & 1];
        f->pts = n * 60;
        avcodec_send_frame(pEncoder, f);
        while (avcodec_receive_packet(pEncoder, pPacket) == 0) {
            nBytes += static_cast<size_t>(pPacket->size);
            av_packet_unref(pPacket);
        }
        ++n;
    }
    state.counters["bytes/frame"] = n ? static_cast<double>(nBytes) / static_cast<double>(n) : 0.0;
    state.SetLabel(nFrame == kText ? "text" : "noise");
    av_packet_free(&pPacket);
    av_frame_free(&frames[0]);
    av_frame_free(&frames[1]);
    avcodec_free_context(&pEncoder);
    dc.SelectObject(pOldBitmap);
}

// With repetitions, the fastest repetition beside the median: on a shared machine it is the figure
// least disturbed by other work.
double Fastest(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); }

BENCHMARK(BM_AddFrame)->Arg(kText)->Arg(kNoise)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_EncoderAlone)->Arg(kText)->Arg(kNoise)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

}  // namespace
