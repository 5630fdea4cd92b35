#include "winquicktime/winquicktime.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kinetype/ktwindow.h"
#include "platform/ui/uiservices.h"

CWinQuickTime g_quickTime;
BOOL g_bCapturing = FALSE;
HDC g_hMovieDC = nullptr;

namespace {

// The temporary file of a movie, written through its descriptor.
class CFileMovieSink : public CMovieSink {
public:
    explicit CFileMovieSink(int fd) : m_fd(fd) {}
    ~CFileMovieSink() override {
        if (m_fd >= 0) ::close(m_fd);
    }

    BOOL Write(const uint8_t* pData, size_t nSize) override {
        while (nSize > 0) {
            const ssize_t n = ::write(m_fd, pData, nSize);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return FALSE;
            pData += n;
            nSize -= static_cast<size_t>(n);
        }
        return TRUE;
    }

    int64_t Seek(int64_t nOffset, int nWhence) override {
        const off_t pos = ::lseek(m_fd, static_cast<off_t>(nOffset), nWhence);
        return pos < 0 ? -1 : static_cast<int64_t>(pos);
    }

    int64_t Size() override {
        struct stat st;
        return ::fstat(m_fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    }

    BOOL Close() override {
        if (m_fd < 0) return FALSE;
        const bool bSynced = ::fsync(m_fd) == 0;
        const bool bClosed = ::close(m_fd) == 0;
        m_fd = -1;
        return bSynced && bClosed ? TRUE : FALSE;
    }

private:
    int m_fd;
};

// The muxer's output callbacks over a sink (the buffer is const from libavformat 61 on).
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using IoBuffer = const uint8_t*;
#else
using IoBuffer = uint8_t*;
#endif

int WriteToSink(void* pOpaque, IoBuffer pData, int nSize) {
    if (nSize < 0) return AVERROR(EINVAL);
    return static_cast<CMovieSink*>(pOpaque)->Write(pData, static_cast<size_t>(nSize)) ? nSize : AVERROR(EIO);
}

int64_t SeekInSink(void* pOpaque, int64_t nOffset, int nWhence) {
    auto* pSink = static_cast<CMovieSink*>(pOpaque);
    if (nWhence & AVSEEK_SIZE) {
        const int64_t n = pSink->Size();
        return n < 0 ? AVERROR(EIO) : n;
    }
    const int64_t pos = pSink->Seek(nOffset, nWhence & ~AVSEEK_FORCE);
    return pos < 0 ? AVERROR(EIO) : pos;
}

constexpr int kIoBufferSize = 64 * 1024;

// The file a movie chosen as strPath replaces: a symbolic link's target when it resolves.
std::string TargetOf(const std::string& strPath) {
    struct stat st;
    if (::lstat(strPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* pReal = ::realpath(strPath.c_str(), nullptr)) {
            std::string strReal = pReal;
            std::free(pReal);
            return strReal;
        }
    }
    return strPath;
}

// Creates a new temporary file beside strTarget (a hidden name in the same folder, so that the rename
// stays on one file system), with the mode a new file gets. -1 when it cannot be created.
int CreateTempBeside(const std::string& strTarget, std::string* pTempPath) {
    const size_t slash = strTarget.rfind('/');
    const std::string strFolder = slash == std::string::npos ? std::string() : strTarget.substr(0, slash + 1);
    const std::string strName = slash == std::string::npos ? strTarget : strTarget.substr(slash + 1);
    if (strName.empty()) return -1;
    static unsigned s_nSerial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof(suffix), ".%ld-%u.part", static_cast<long>(::getpid()), ++s_nSerial);
        const std::string strTemp = strFolder + "." + strName + suffix;
        const int fd = ::open(strTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *pTempPath = strTemp;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// B, G, R, X rows of the frame DC's bitmap to the encoder's R, G, B rows.
void ConvertRows(const gdi::Surface& src, AVFrame* pFrame) {
    const int w = src.Width();
    for (int y = 0; y < src.Height(); ++y) {
        const uint32_t* s = src.Row(y);
        uint8_t* d = pFrame->data[0] + static_cast<ptrdiff_t>(y) * pFrame->linesize[0];
        for (int x = 0; x < w; ++x) {
            const uint32_t p = s[x];  // 0x00RRGGBB
            d[0] = static_cast<uint8_t>(p >> 16);
            d[1] = static_cast<uint8_t>(p >> 8);
            d[2] = static_cast<uint8_t>(p);
            d += 3;
        }
    }
}

}  // namespace

// Everything an open movie holds. Its destructor frees all of it and removes the temporary file when
// it is still there.
struct CWinQuickTime::Movie {
    std::string strTarget;  // the file the finished movie replaces
    std::string strTemp;    // where the movie is written meanwhile ("" once renamed or removed)
    std::unique_ptr<CMovieSink> pSink;
    AVIOContext* pIo = nullptr;
    AVFormatContext* pFormat = nullptr;
    AVStream* pStream = nullptr;
    AVCodecContext* pEncoder = nullptr;
    // Two frames in turn: the encoder keeps a reference to the frame before, so the next one is always
    // free to be written without a copy.
    AVFrame* pFrames[2] = {nullptr, nullptr};
    AVPacket* pPacket = nullptr;
    CBitmap frameBitmap;
    CDC frameDC;
    CBitmap* pOldBitmap = nullptr;
    int nWidth = 0;
    int nHeight = 0;
    int64_t nFrames = 0;
    bool bWriteFailed = false;

    ~Movie() {
        if (pOldBitmap) frameDC.SelectObject(pOldBitmap);
        frameDC.DeleteDC();
        frameBitmap.DeleteObject();
        av_packet_free(&pPacket);
        av_frame_free(&pFrames[0]);
        av_frame_free(&pFrames[1]);
        avcodec_free_context(&pEncoder);
        if (pFormat) {
            pFormat->pb = nullptr;  // ours, freed below
            avformat_free_context(pFormat);
        }
        FreeIo();
        pSink.reset();
        RemoveTemp();
    }

    void FreeIo() {
        if (!pIo) return;
        av_freep(&pIo->buffer);
        avio_context_free(&pIo);
    }

    void RemoveTemp() {
        if (strTemp.empty()) return;
        ::unlink(strTemp.c_str());
        strTemp.clear();
    }

    // Writes one encoded packet (timed in the encoder's time base) to the movie.
    bool WritePacket() {
        pPacket->duration = kFrameDuration;
        av_packet_rescale_ts(pPacket, pEncoder->time_base, pStream->time_base);
        pPacket->stream_index = pStream->index;
        const int r = av_write_frame(pFormat, pPacket);
        av_packet_unref(pPacket);
        if (r < 0 || pIo->error < 0) bWriteFailed = true;
        return !bWriteFailed;
    }

    // Sends pFrame (NULL: the end of the stream) and writes every packet the encoder gives back.
    bool Encode(const AVFrame* pFrame) {
        if (avcodec_send_frame(pEncoder, pFrame) < 0) return false;
        for (;;) {
            const int r = avcodec_receive_packet(pEncoder, pPacket);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) return false;
            if (!WritePacket()) return false;
        }
    }
};

CWinQuickTime::CWinQuickTime() = default;

CWinQuickTime::~CWinQuickTime() = default;

int CWinQuickTime::GetWidth() const { return m_pMovie ? m_pMovie->nWidth : 0; }
int CWinQuickTime::GetHeight() const { return m_pMovie ? m_pMovie->nHeight : 0; }
int64_t CWinQuickTime::GetFrameCount() const { return m_pMovie ? m_pMovie->nFrames : 0; }

HDC CWinQuickTime::StartMovie(LPCTSTR lpszPath, CKTWindow* pWnd, const RECT* pRect) {
    // 1. The container and the encoder: their absence is the one failure the user is told of here,
    // besides a file that cannot be created.
    const AVOutputFormat* pMuxer = av_guess_format(m_strMuxer.c_str(), nullptr, nullptr);
    const AVCodec* pCodec = avcodec_find_encoder_by_name(m_strEncoder.c_str());
    if (!pMuxer || !pCodec) {
        ui::GetUIServices()->MessageBox(kInstallMessage, kInstallCaption, MB_OK);
        return nullptr;
    }
    if (m_pMovie || !lpszPath || !pRect) return nullptr;
    const int64_t w = static_cast<int64_t>(pRect->right) - pRect->left;
    const int64_t h = static_cast<int64_t>(pRect->bottom) - pRect->top;
    if (w <= 0 || h <= 0 || w > INT_MAX || h > INT_MAX) return nullptr;

    auto pMovie = std::make_unique<Movie>();
    Movie& m = *pMovie;
    m.nWidth = static_cast<int>(w);
    m.nHeight = static_cast<int>(h);

    // 2. The file: a temporary one beside the chosen name.
    m.strTarget = TargetOf(lpszPath);
    const int fd = CreateTempBeside(m.strTarget, &m.strTemp);
    if (fd < 0) {
        AfxMessageBox(kWriteErrorMessage, MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    m.pSink = std::make_unique<CFileMovieSink>(fd);
    if (m_sinkFilter) {
        m.pSink = m_sinkFilter(std::move(m.pSink));
        if (!m.pSink) return nullptr;
    }

    // 3. The encoder: QuickTime Animation on 24-bit RGB, timed in the media's time scale, every frame
    // a key frame.
    m.pEncoder = avcodec_alloc_context3(pCodec);
    if (!m.pEncoder) return nullptr;
    m.pEncoder->width = m.nWidth;
    m.pEncoder->height = m.nHeight;
    m.pEncoder->pix_fmt = AV_PIX_FMT_RGB24;
    m.pEncoder->time_base = AVRational{1, kTimeScale};
    m.pEncoder->framerate = AVRational{kTimeScale, kFrameDuration};
    m.pEncoder->gop_size = 1;
    if (pMuxer->flags & AVFMT_GLOBALHEADER) m.pEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(m.pEncoder, pCodec, nullptr) < 0) return nullptr;

    // 4. The frames and the packet.
    for (AVFrame*& pFrame : m.pFrames) {
        pFrame = av_frame_alloc();
        if (!pFrame) return nullptr;
        pFrame->format = AV_PIX_FMT_RGB24;
        pFrame->width = m.nWidth;
        pFrame->height = m.nHeight;
        if (av_frame_get_buffer(pFrame, 0) < 0) return nullptr;
    }
    m.pPacket = av_packet_alloc();
    if (!m.pPacket) return nullptr;

    // 5. The container over the sink, with one video track.
    if (avformat_alloc_output_context2(&m.pFormat, pMuxer, nullptr, nullptr) < 0 || !m.pFormat) return nullptr;
    auto* pBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!pBuffer) return nullptr;
    m.pIo = avio_alloc_context(pBuffer, kIoBufferSize, 1, m.pSink.get(), nullptr, WriteToSink, SeekInSink);
    if (!m.pIo) {
        av_free(pBuffer);
        return nullptr;
    }
    m.pFormat->pb = m.pIo;
    m.pFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
    m.pStream = avformat_new_stream(m.pFormat, nullptr);
    if (!m.pStream) return nullptr;
    if (avcodec_parameters_from_context(m.pStream->codecpar, m.pEncoder) < 0) return nullptr;
    m.pStream->codecpar->codec_tag = 0;  // the container's own: "rle "
    m.pStream->time_base = m.pEncoder->time_base;
    m.pStream->avg_frame_rate = m.pEncoder->framerate;
    // The mov muxer doubles a video time scale under 10,000 unless told the one to use.
    AVDictionary* pOptions = nullptr;
    av_dict_set_int(&pOptions, "video_track_timescale", kTimeScale, 0);
    const int r = avformat_write_header(m.pFormat, &pOptions);
    av_dict_free(&pOptions);
    if (r < 0 || m.pIo->error < 0) {
        // The file takes no bytes: the same as a file that cannot be created.
        if (m.pIo->error < 0) AfxMessageBox(kWriteErrorMessage, MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }

    // 6. The frame DC: a memory DC compatible with the window's, over a 32-bit top-down bitmap of the
    // movie's size.
    CDC* pWindowDC = pWnd ? pWnd->GetDC() : nullptr;
    const BOOL bDC = m.frameDC.CreateCompatibleDC(pWindowDC);
    if (pWnd) pWnd->ReleaseDC(pWindowDC);
    if (!bDC) return nullptr;
    if (!m.frameBitmap.CreateCompatibleBitmap(&m.frameDC, m.nWidth, m.nHeight)) return nullptr;
    m.pOldBitmap = m.frameDC.SelectObject(&m.frameBitmap);
    if (!m.pOldBitmap) return nullptr;

    m_pMovie = std::move(pMovie);
    return m_pMovie->frameDC.GetSafeHdc();
}

int CWinQuickTime::AddFrame() {
    if (!m_pMovie || m_pMovie->bWriteFailed) return 1;
    Movie& m = *m_pMovie;
    AVFrame* pFrame = m.pFrames[m.nFrames & 1];
    if (!av_frame_is_writable(pFrame) && av_frame_make_writable(pFrame) < 0) return 1;
    ConvertRows(m.frameBitmap.GetSurface(), pFrame);
    pFrame->pts = m.nFrames * kFrameDuration;
    if (!m.Encode(pFrame)) return 1;
    ++m.nFrames;
    return 0;
}

int CWinQuickTime::FinishMovie() {
    if (!m_pMovie) return 1;
    // A movie has its video track even when no paint came (a hidden window): then it holds the frame
    // DC as it is, one black frame.
    if (m_pMovie->nFrames == 0) AddFrame();
    std::unique_ptr<Movie> pMovie = std::move(m_pMovie);
    Movie& m = *pMovie;
    // The encoder's last packets, the index, the buffer: any failure leaves the chosen name alone.
    bool bOk = !m.bWriteFailed && m.Encode(nullptr) && !m.bWriteFailed;
    if (bOk) bOk = av_write_trailer(m.pFormat) == 0;
    if (bOk) {
        avio_flush(m.pIo);
        bOk = m.pIo->error >= 0;
    }
    m.FreeIo();
    if (m.pFormat) m.pFormat->pb = nullptr;
    bOk = m.pSink->Close() && bOk;
    m.pSink.reset();
    if (bOk) {
        // A replaced file keeps its mode and, where allowed, its owner.
        struct stat st;
        if (::stat(m.strTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            // The owner first: a change of owner clears the set-id bits that the mode then restores.
            if (::chown(m.strTemp.c_str(), st.st_uid, st.st_gid) != 0) {
                // Another user's file: the movie stays ours.
            }
            ::chmod(m.strTemp.c_str(), st.st_mode & 07777);
        }
        bOk = ::rename(m.strTemp.c_str(), m.strTarget.c_str()) == 0;
        if (bOk) m.strTemp.clear();
    }
    return bOk ? 0 : 1;  // the movie's destructor frees the rest and removes a temporary file left
}
