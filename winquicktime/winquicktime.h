// CWinQuickTime: the movie writer. It records the canvas into a QuickTime movie file: StartMovie opens
// a movie with one video track of the capture rectangle's size and hands out a memory DC (the frame
// DC); every AddFrame encodes what the frame DC then holds as one more frame; FinishMovie writes the
// file. The one writer of the process is g_quickTime; g_bCapturing and g_hMovieDC are the view's
// capture state.
//
// The file: the QuickTime container (the mov muxer of libavformat, whatever the name's extension),
// one video track in the QuickTime Animation codec (qtrle, sample description "rle ") on 24-bit RGB,
// media time scale 600, every sample of duration 60 (10 frames a second whatever the paint rate) and
// every sample a sync sample (a key frame). The encoder is lossless: the frames decode to exactly the
// pixels that were painted.
//
// Safety: the movie is written to a temporary file beside the chosen one and renamed over it only
// when it is complete, so a failed capture leaves no broken file under the chosen name and keeps a
// file that was there; a replaced file keeps its mode (and, where allowed, its owner), and a chosen
// name that is a symbolic link has the file it points to replaced. FinishMovie and a failed start free
// everything they made (encoder, muxer, frame DC and its bitmap, the temporary file).
//
// No toolkit here: the two messages StartMovie shows go through the UI services.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/crt/wintypes.h"
#include "platform/gdi/dc.h"

class CKTWindow;

// Where the bytes of a movie go: the temporary file, or in tests a sink that wraps it.
class CMovieSink {
public:
    virtual ~CMovieSink() = default;
    // Writes all nSize bytes at the current position. FALSE when they could not all be written.
    virtual BOOL Write(const uint8_t* pData, size_t nSize) = 0;
    // Moves the position as lseek does (SEEK_SET, SEEK_CUR, SEEK_END): the new position, or -1.
    virtual int64_t Seek(int64_t nOffset, int nWhence) = 0;
    // The size in bytes, or -1.
    virtual int64_t Size() = 0;
    // Everything written reaches the disc and the sink is closed. FALSE when that fails.
    virtual BOOL Close() = 0;
};

class CWinQuickTime {
public:
    // Media time scale and the duration of every sample in it.
    static constexpr int kTimeScale = 600;
    static constexpr int kFrameDuration = 60;
    // The messages of a capture that cannot run.
    static constexpr const char* kInstallMessage =
        "Please install Quicktime then restart program if you wish to use this feature.";
    static constexpr const char* kInstallCaption = "Quicktime Error";
    static constexpr const char* kWriteErrorMessage = "Unable to write the movie file.";

    CWinQuickTime();
    // A movie still open is abandoned: everything freed, the temporary file removed, the chosen file
    // untouched.
    ~CWinQuickTime();
    CWinQuickTime(const CWinQuickTime&) = delete;
    CWinQuickTime& operator=(const CWinQuickTime&) = delete;

    // Opens a movie of pRect's size (right - left by bottom - top) to be written to lpszPath, and returns
    // the frame DC: a memory DC over a 32-bit top-down bitmap of that size, all black, which the caller
    // paints each frame into. NULL on any failure, with what was made freed: when the movie encoder or
    // container is not available the box kInstallMessage / kInstallCaption (OK) is shown first; when the
    // file cannot be created or takes no bytes, kWriteErrorMessage; every other failure (an empty
    // rectangle, a movie already open, no memory) is silent. pWnd is the window captured, whose DC the
    // frame DC is made compatible with (NULL: none).
    HDC StartMovie(LPCTSTR lpszPath, CKTWindow* pWnd, const RECT* pRect);
    // Encodes the frame DC's pixels as the next frame and adds it to the movie. 0 when added; 1 when
    // no movie is open or the frame could not be encoded or written (the frame is dropped; once a write
    // has failed the movie cannot be finished and every later frame is dropped too).
    int AddFrame();
    // Ends the movie: the encoder's last frames, the movie's index, the file flushed to disc and renamed
    // over the chosen name; then everything is freed (the frame DC too). 0 when the movie was written;
    // 1 when no movie was open or anything failed (nothing is left under the chosen name that was not
    // there before).
    int FinishMovie();

    BOOL IsOpen() const { return m_pMovie ? TRUE : FALSE; }
    // The size of the open movie's frames (0, 0 when none is open).
    int GetWidth() const;
    int GetHeight() const;
    // The number of frames added to the open movie.
    int64_t GetFrameCount() const;

    // For tests: every movie started from now on writes through the sink this returns for the file's
    // own sink (NULL: the file's sink itself).
    using SinkFilter = std::function<std::unique_ptr<CMovieSink>(std::unique_ptr<CMovieSink>)>;
    void SetSinkFilter(SinkFilter filter) { m_sinkFilter = std::move(filter); }
    // For tests: the container and encoder looked up by StartMovie ("mov" and "qtrle"); a name the
    // libraries do not have stands for libraries installed without it.
    void SetLibraryNames(std::string strMuxer, std::string strEncoder) {
        m_strMuxer = std::move(strMuxer);
        m_strEncoder = std::move(strEncoder);
    }

private:
    struct Movie;

    std::unique_ptr<Movie> m_pMovie;
    SinkFilter m_sinkFilter;
    std::string m_strMuxer = "mov";
    std::string m_strEncoder = "qtrle";
};

// The process's movie writer.
extern CWinQuickTime g_quickTime;
// TRUE while a capture runs.
extern BOOL g_bCapturing;
// The frame DC of the running capture (NULL otherwise).
extern HDC g_hMovieDC;
