// Reading movies back for the tests: the container's track, the samples and their timing through
// libavformat, the frames decoded through libavcodec as R, G, B rows; the reports of the ffprobe and
// mediainfo tools; the pattern the tests paint; and a movie sink that gives out.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "platform/gdi/surface.h"
#include "winquicktime/winquicktime.h"

namespace movietest {

struct Sample {
    int64_t pts = 0;
    int64_t duration = 0;
    bool bKey = false;
};

struct Movie {
    std::string strError;  // empty when read
    std::string strFormat;  // the container as libavformat names it
    std::string strCodec;
    uint32_t nCodecTag = 0;
    int nWidth = 0;
    int nHeight = 0;
    AVRational timeBase{0, 1};
    int64_t nStreamDuration = 0;
    int nVideoStreams = 0;
    std::vector<Sample> samples;
    // Each decoded frame: nHeight rows of nWidth x 3 bytes R, G, B.
    std::vector<std::vector<uint8_t>> frames;
};

// Reads the movie's first video track and, with bDecode, decodes every frame.
inline Movie ReadMovie(const std::string& strPath, bool bDecode = true) {
    Movie movie;
    AVFormatContext* pFormat = nullptr;
    if (avformat_open_input(&pFormat, strPath.c_str(), nullptr, nullptr) < 0) {
        movie.strError = "cannot open " + strPath;
        return movie;
    }
    AVCodecContext* pDecoder = nullptr;
    AVPacket* pPacket = av_packet_alloc();
    AVFrame* pFrame = av_frame_alloc();
    auto takeFrames = [&] {
        while (avcodec_receive_frame(pDecoder, pFrame) == 0) {
            if (pFrame->format != AV_PIX_FMT_RGB24) {
                movie.strError = "decoded frames are not RGB24";
            } else {
                std::vector<uint8_t> rgb(static_cast<size_t>(pFrame->width) * pFrame->height * 3);
                for (int y = 0; y < pFrame->height; ++y)
                    std::copy_n(pFrame->data[0] + static_cast<ptrdiff_t>(y) * pFrame->linesize[0], pFrame->width * 3,
                                rgb.begin() + static_cast<ptrdiff_t>(y) * pFrame->width * 3);
                movie.frames.push_back(std::move(rgb));
            }
            av_frame_unref(pFrame);
        }
    };
    movie.strFormat = pFormat->iformat->name;
    do {
        if (avformat_find_stream_info(pFormat, nullptr) < 0) {
            movie.strError = "no stream info";
            break;
        }
        int nStream = -1;
        for (unsigned i = 0; i < pFormat->nb_streams; ++i) {
            if (pFormat->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
            ++movie.nVideoStreams;
            if (nStream < 0) nStream = static_cast<int>(i);
        }
        if (nStream < 0) {
            movie.strError = "no video track";
            break;
        }
        const AVStream* pStream = pFormat->streams[nStream];
        movie.strCodec = avcodec_get_name(pStream->codecpar->codec_id);
        movie.nCodecTag = pStream->codecpar->codec_tag;
        movie.nWidth = pStream->codecpar->width;
        movie.nHeight = pStream->codecpar->height;
        movie.timeBase = pStream->time_base;
        movie.nStreamDuration = pStream->duration;
        if (bDecode) {
            const AVCodec* pCodec = avcodec_find_decoder(pStream->codecpar->codec_id);
            pDecoder = pCodec ? avcodec_alloc_context3(pCodec) : nullptr;
            if (!pDecoder || avcodec_parameters_to_context(pDecoder, pStream->codecpar) < 0 ||
                avcodec_open2(pDecoder, pCodec, nullptr) < 0) {
                movie.strError = "no decoder";
                break;
            }
        }
        while (av_read_frame(pFormat, pPacket) >= 0) {
            if (pPacket->stream_index == nStream) {
                movie.samples.push_back({pPacket->pts, pPacket->duration, (pPacket->flags & AV_PKT_FLAG_KEY) != 0});
                if (pDecoder && avcodec_send_packet(pDecoder, pPacket) == 0) takeFrames();
            }
            av_packet_unref(pPacket);
        }
        if (pDecoder && avcodec_send_packet(pDecoder, nullptr) == 0) takeFrames();
    } while (false);
    av_frame_free(&pFrame);
    av_packet_free(&pPacket);
    avcodec_free_context(&pDecoder);
    avformat_close_input(&pFormat);
    return movie;
}

// The standard output of a shell command, and whether it exited with 0.
inline bool RunCommand(const std::string& strCommand, std::string* pOutput) {
    pOutput->clear();
    FILE* p = popen(strCommand.c_str(), "r");
    if (!p) return false;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) pOutput->append(buf, n);
    const int status = pclose(p);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The path quoted for the shell.
inline std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Red, green and blue of the test pattern at (x, y) in frame f: three different functions, so that
// swapped channels, mirrored or flipped rows and a wrong row stride all change what is read back.
inline uint8_t PatternR(int x, int y, int f) { return static_cast<uint8_t>(x * 5 + y * 11 + f * 17); }
inline uint8_t PatternG(int x, int y, int f) { return static_cast<uint8_t>(x * 13 + y * 3 + f * 29 + 101); }
inline uint8_t PatternB(int x, int y, int f) { return static_cast<uint8_t>(x * 7 + y * 19 + f * 37 + 53); }

// Paints frame f of the pattern into a surface (pixels 0x00RRGGBB).
inline void PaintPattern(gdi::Surface* pSurface, int f) {
    for (int y = 0; y < pSurface->Height(); ++y)
        for (int x = 0; x < pSurface->Width(); ++x)
            pSurface->Row(y)[x] = (uint32_t{PatternR(x, y, f)} << 16) | (uint32_t{PatternG(x, y, f)} << 8) |
                                  PatternB(x, y, f);
}

// Frame f of the pattern as R, G, B rows of w x h.
inline std::vector<uint8_t> PatternRgb(int w, int h, int f) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            rgb.push_back(PatternR(x, y, f));
            rgb.push_back(PatternG(x, y, f));
            rgb.push_back(PatternB(x, y, f));
        }
    }
    return rgb;
}

// A sink that passes the first nLimit bytes to the file and fails every write after them (a full
// disc, a removed medium).
class CFailingSink : public CMovieSink {
public:
    CFailingSink(std::unique_ptr<CMovieSink> pInner, int64_t nLimit) : m_pInner(std::move(pInner)), m_nLeft(nLimit) {}
    BOOL Write(const uint8_t* p, size_t n) override {
        if (static_cast<int64_t>(n) > m_nLeft) {
            if (m_nLeft > 0) m_pInner->Write(p, static_cast<size_t>(m_nLeft));
            m_nLeft = 0;
            return FALSE;
        }
        m_nLeft -= static_cast<int64_t>(n);
        return m_pInner->Write(p, n);
    }
    int64_t Seek(int64_t nOffset, int nWhence) override { return m_pInner->Seek(nOffset, nWhence); }
    int64_t Size() override { return m_pInner->Size(); }
    BOOL Close() override { return m_pInner->Close(); }

private:
    std::unique_ptr<CMovieSink> m_pInner;
    int64_t m_nLeft;
};

}  // namespace movietest
