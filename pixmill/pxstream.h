// Sources and sinks: the record behind a handle, the Stream every codec reads and writes through, the
// set of open handles, and a buffered byte reader for the codecs that decode byte by byte.
#pragma once

#include <cstdio>
#include <utility>

#include "pixmill/pxcore.h"

// The record behind a source or sink handle; a zero-filled global-memory block whose address is the
// handle. The field order is the record's own.
struct StreamBlock {
    DWORD m_dwHeadMagic;  // kHeadMagic once opened
    FILE* m_pFile;        // kind 1
    int m_nKind;          // 1 file, 2 memory block, 3 callbacks
    BYTE* m_pMem;         // kind 2
    UINT m_nMemSize;      // kind 2: the data of a source, the capacity of a sink
    UINT m_nPos;          // kind 2: current position
    UINT m_nHighWater;    // kind 2 sink: the largest position written (the sink's size)
    char m_szPath[260];   // kind 1: the path (cut to 259 characters), else empty
    BOOL m_bIsSink;
    StreamOpenProc m_pfnOpen;
    StreamReadProc m_pfnRead;
    StreamWriteProc m_pfnWrite;
    StreamSeekProc m_pfnSeek;
    StreamTellProc m_pfnTell;
    StreamSizeProc m_pfnSize;
    StreamEofProc m_pfnEof;
    StreamCloseProc m_pfnClose;
    DWORD_PTR m_pUser;  // wide enough for a pointer
    DWORD m_dwTailMagic;  // kTailMagic once opened
};

namespace px {

constexpr DWORD kHeadMagic = 0x03031996;
constexpr DWORD kTailMagic = 0x09241996;

enum StreamKind { kFileStream = 1, kMemoryStream = 2, kCallbackStream = 3 };

// True when the block is an open handle (one that an open function returned and no close freed).
bool IsOpenHandle(const StreamBlock* pBlock);

// A small object over a StreamBlock. A default-constructed Stream has a zero block of its own, which
// OpenFile can open on a path; it closes that file when destroyed. Copies share the block.
class Stream {
public:
    Stream();
    explicit Stream(StreamBlock* pBlock) : m_pBlock(pBlock) {}
    Stream(const Stream& other) : m_pBlock(other.m_pBlock) {}
    virtual ~Stream();
    virtual Stream& operator=(const Stream& other);

    // Opens the embedded block on a file, for reading (bSink FALSE) or writing.
    BOOL OpenFile(const char* path, BOOL bSink);

    // The handle test: an open handle (the embedded block counts as one) of a known kind, both magic
    // numbers in place, a file or a memory block present as its kind requires.
    bool IsValid() const;

    UINT Read(void* buffer, UINT count);
    // True when count bytes were read. A callback may hand out fewer bytes than asked without being at
    // the end, so reading goes on until the count is reached or a read gives nothing.
    bool ReadExact(void* buffer, UINT count);
    // For a memory source holding at least `count` more bytes: their address inside the caller's block,
    // the position moved past them as Read would, without the copy. NULL for any other stream or when
    // fewer bytes are left; the caller then reads into a buffer of its own.
    const BYTE* ReadInPlace(UINT count);
    // For a memory source with bytes left: the address of all of them inside the caller's block, their
    // number in count, and the position moved to the end. NULL (count 0) for any other stream or at the
    // end of the block.
    const BYTE* ReadRestInPlace(UINT& count);
    BOOL Write(const void* buffer, UINT size, UINT count);
    BOOL Write(const void* buffer, UINT count) { return Write(buffer, 1, count); }
    BOOL Seek(LONG offset, int origin);
    BOOL Rewind() { return Seek(0, 0); }
    UINT Tell();
    UINT Size();
    BOOL AtEnd();
    BOOL Close();

    StreamBlock* Block() const { return m_pBlock; }
    bool IsSink() const { return m_pBlock && m_pBlock->m_bIsSink; }

private:
    StreamBlock* m_pBlock;
    StreamBlock m_embedded{};
};

// Reads a stream through a buffer, for decoders that take a byte at a time. It reads ahead, so the
// stream's position afterwards is past what was consumed. A memory source is read in place: the
// reader takes the rest of the block at once.
class StreamReader {
public:
    explicit StreamReader(Stream& stream) : m_stream(stream) {}
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;

    // The next byte; false at the end of the data.
    bool GetByte(BYTE& b) {
        if (m_nPos == m_nLen && !Refill()) return false;
        b = m_pData[m_nPos++];
        return true;
    }
    // Up to count bytes into p; the number read (fewer only at the end of the data).
    size_t Read(BYTE* p, size_t count);
    // The next count bytes: where they already lie together (in the buffer or the source's block) their
    // address, otherwise copied into `scratch` (count bytes). NULL when the data ends first.
    const BYTE* ReadView(size_t count, BYTE* scratch);

private:
    bool Refill();

    static constexpr size_t kBufferSize = 16384;
    Stream& m_stream;
    const BYTE* m_pData = m_buffer;  // the buffer, or the memory source's block
    size_t m_nPos = 0;
    size_t m_nLen = 0;
    bool m_bEnd = false;
    BYTE m_buffer[kBufferSize];
};

// The wrapper of a reader or writer on a handle: a NULL handle stores BadParam, a handle that fails the
// handle test InvalidHandle (both returning 0); otherwise the body runs as RunWorker runs it, with a
// Stream over the handle.
template <class Body>
auto RunOnHandle(StreamBlock* hStream, Body&& body) noexcept -> std::invoke_result_t<Body&, ErrorCode&, Stream&> {
    using Result = std::invoke_result_t<Body&, ErrorCode&, Stream&>;
    if (!hStream) {
        SetLastErrorCode(ErrorCode::BadParam);
        return Result{};
    }
    Stream stream(hStream);
    if (!stream.IsValid()) {
        SetLastErrorCode(ErrorCode::InvalidHandle);
        return Result{};
    }
    return RunWorker([&](ErrorCode& err) { return body(err, stream); });
}

}  // namespace px
