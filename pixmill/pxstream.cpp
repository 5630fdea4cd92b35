#include "pixmill/pxstream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace px {

namespace {

// The open handles. A handle is looked up here before its block is read, so a closed or foreign pointer
// is refused without touching the memory it points to.
struct HandleSet {
    std::mutex mutex;
    std::unordered_set<const StreamBlock*> handles;
};

HandleSet& OpenHandles() {
    static HandleSet* s_pSet = new HandleSet;  // never destroyed: handles may be closed during exit
    return *s_pSet;
}

bool AddOpenHandle(const StreamBlock* pBlock) {
    HandleSet& set = OpenHandles();
    std::lock_guard<std::mutex> lock(set.mutex);
    return set.handles.insert(pBlock).second;
}

void RemoveOpenHandle(const StreamBlock* pBlock) {
    HandleSet& set = OpenHandles();
    std::lock_guard<std::mutex> lock(set.mutex);
    set.handles.erase(pBlock);
}

void SetMagic(StreamBlock* pBlock) {
    pBlock->m_dwHeadMagic = kHeadMagic;
    pBlock->m_dwTailMagic = kTailMagic;
}

// Fills a zero block as an open file stream; false when the path is empty or the file does not open.
bool OpenFileBlock(StreamBlock* pBlock, const char* path, BOOL bSink) {
    if (!path || !*path) return false;
    FILE* pFile = std::fopen(path, bSink ? "wb" : "rb");
    if (!pFile) return false;
    pBlock->m_pFile = pFile;
    // The path field keeps 259 characters; a longer path still opens, its name is only cut here.
    std::strncpy(pBlock->m_szPath, path, sizeof(pBlock->m_szPath) - 1);
    pBlock->m_szPath[sizeof(pBlock->m_szPath) - 1] = '\0';
    pBlock->m_nKind = kFileStream;
    pBlock->m_bIsSink = bSink ? 1 : 0;
    SetMagic(pBlock);
    return true;
}

StreamBlock* NewBlock() { return static_cast<StreamBlock*>(AllocBlock(sizeof(StreamBlock))); }

// Registers a freshly opened block and returns it as the handle; on failure closes and frees it.
StreamBlock* Publish(StreamBlock* pBlock) {
    bool bAdded = false;
    try {
        bAdded = AddOpenHandle(pBlock);
    } catch (...) {
        bAdded = false;
    }
    if (bAdded) return pBlock;
    Stream(pBlock).Close();
    GlobalFree(pBlock);
    SetLastErrorCode(ErrorCode::OutOfMemory);
    return nullptr;
}

}  // namespace

bool IsOpenHandle(const StreamBlock* pBlock) {
    if (!pBlock) return false;
    HandleSet& set = OpenHandles();
    std::lock_guard<std::mutex> lock(set.mutex);
    return set.handles.count(pBlock) != 0;
}

Stream::Stream() : m_pBlock(&m_embedded) {}

Stream::~Stream() {
    if (m_pBlock == &m_embedded && m_embedded.m_pFile) Close();
}

Stream& Stream::operator=(const Stream& other) {
    m_pBlock = other.m_pBlock;
    return *this;
}

BOOL Stream::OpenFile(const char* path, BOOL bSink) {
    if (m_pBlock != &m_embedded) return FALSE;
    if (m_embedded.m_pFile) Close();
    m_embedded = StreamBlock{};
    return OpenFileBlock(&m_embedded, path, bSink) ? TRUE : FALSE;
}

bool Stream::IsValid() const {
    if (!m_pBlock) return false;
    if (m_pBlock != &m_embedded && !IsOpenHandle(m_pBlock)) return false;
    const StreamBlock& b = *m_pBlock;
    if (b.m_nKind != kFileStream && b.m_nKind != kMemoryStream && b.m_nKind != kCallbackStream) return false;
    if (b.m_dwHeadMagic != kHeadMagic || b.m_dwTailMagic != kTailMagic) return false;
    if (b.m_nKind == kFileStream && !b.m_pFile) return false;
    if (b.m_nKind == kMemoryStream && (!b.m_pMem || b.m_nMemSize == 0)) return false;
    return true;
}

UINT Stream::Read(void* buffer, UINT count) {
    StreamBlock& b = *m_pBlock;
    if (b.m_bIsSink || count == 0) return 0;
    switch (b.m_nKind) {
    case kFileStream:
        return static_cast<UINT>(std::fread(buffer, 1, count, b.m_pFile));
    case kMemoryStream: {
        if (b.m_nPos >= b.m_nMemSize) return 0;
        const UINT n = std::min(b.m_nMemSize - b.m_nPos, count);
        std::memcpy(buffer, b.m_pMem + b.m_nPos, n);
        b.m_nPos += n;
        return n;
    }
    case kCallbackStream:
        return b.m_pfnRead(buffer, count, b.m_pUser);
    default:
        return 0;
    }
}

bool Stream::ReadExact(void* buffer, UINT count) {
    UINT nDone = 0;
    while (nDone < count) {
        const UINT n = Read(static_cast<BYTE*>(buffer) + nDone, count - nDone);
        if (n == 0 || n > count - nDone) break;
        nDone += n;
    }
    return nDone == count;
}

const BYTE* Stream::ReadInPlace(UINT count) {
    StreamBlock& b = *m_pBlock;
    if (b.m_nKind != kMemoryStream || b.m_bIsSink || b.m_nPos > b.m_nMemSize || b.m_nMemSize - b.m_nPos < count)
        return nullptr;
    const BYTE* p = b.m_pMem + b.m_nPos;
    b.m_nPos += count;
    return p;
}

const BYTE* Stream::ReadRestInPlace(UINT& count) {
    const StreamBlock& b = *m_pBlock;
    count = 0;
    if (b.m_nKind != kMemoryStream || b.m_bIsSink || b.m_nPos >= b.m_nMemSize) return nullptr;
    count = b.m_nMemSize - b.m_nPos;
    return ReadInPlace(count);
}

BOOL Stream::Write(const void* buffer, UINT size, UINT count) {
    StreamBlock& b = *m_pBlock;
    if (!b.m_bIsSink) return 0;
    const uint64_t n = SizeMul(size, count);
    switch (b.m_nKind) {
    case kFileStream:
        return std::fwrite(buffer, size, count, b.m_pFile) == count ? 1 : 0;
    case kMemoryStream:
        // The end must stay below the capacity: a sink of capacity N holds N - 1 bytes.
        if (SizeAdd(b.m_nPos, n) >= b.m_nMemSize) return 0;
        if (n) std::memcpy(b.m_pMem + b.m_nPos, buffer, static_cast<size_t>(n));
        b.m_nPos += static_cast<UINT>(n);
        b.m_nHighWater = std::max(b.m_nHighWater, b.m_nPos);
        return 1;
    case kCallbackStream:
        if (n > UINT32_MAX) return 0;
        return b.m_pfnWrite(buffer, static_cast<UINT>(n), b.m_pUser) ? 1 : 0;
    default:
        return 0;
    }
}

BOOL Stream::Seek(LONG offset, int origin) {
    StreamBlock& b = *m_pBlock;
    switch (b.m_nKind) {
    case kFileStream:
        return std::fseek(b.m_pFile, offset, origin) == 0 ? 1 : 0;
    case kMemoryStream: {
        // The position stays within 0 ... size; origins 0 and 1 stop short of the end.
        int64_t nNew = 0;
        if (origin == 0) {
            nNew = offset;
            if (nNew < 0 || nNew >= static_cast<int64_t>(b.m_nMemSize)) return 0;
        } else if (origin == 1) {
            nNew = static_cast<int64_t>(b.m_nPos) + offset;
            if (nNew < 0 || nNew >= static_cast<int64_t>(b.m_nMemSize)) return 0;
        } else if (origin == 2) {
            if (offset > 0) return 0;
            nNew = static_cast<int64_t>(b.m_bIsSink ? b.m_nHighWater : b.m_nMemSize) + offset;
            if (nNew < 0) return 0;
        } else {
            return 0;
        }
        b.m_nPos = static_cast<UINT>(nNew);
        return 1;
    }
    case kCallbackStream:
        return b.m_pfnSeek(offset, origin, b.m_pUser);
    default:
        return 0;
    }
}

UINT Stream::Tell() {
    StreamBlock& b = *m_pBlock;
    switch (b.m_nKind) {
    case kFileStream:
        return static_cast<UINT>(static_cast<uint64_t>(ftello(b.m_pFile)) & 0xFFFFFFFFu);
    case kMemoryStream:
        return b.m_nPos;
    case kCallbackStream:
        return b.m_pfnTell(b.m_pUser);
    default:
        return 0;
    }
}

UINT Stream::Size() {
    StreamBlock& b = *m_pBlock;
    switch (b.m_nKind) {
    case kFileStream: {
        if (b.m_bIsSink) std::fflush(b.m_pFile);
        struct stat st {};
        if (fstat(fileno(b.m_pFile), &st) != 0) return 0;
        return static_cast<UINT>(static_cast<uint64_t>(st.st_size) & 0xFFFFFFFFu);
    }
    case kMemoryStream:
        return b.m_bIsSink ? b.m_nHighWater : b.m_nMemSize;
    case kCallbackStream:
        return b.m_pfnSize(b.m_pUser);
    default:
        return 0;
    }
}

BOOL Stream::AtEnd() {
    StreamBlock& b = *m_pBlock;
    switch (b.m_nKind) {
    case kFileStream:
        return std::feof(b.m_pFile) ? 1 : 0;
    case kMemoryStream:
        // At the end while the last byte is still unread (the rule callers have always seen).
        return b.m_nPos >= b.m_nMemSize - 1 ? 1 : 0;
    case kCallbackStream:
        return b.m_pfnEof(b.m_pUser);
    default:
        return 0;
    }
}

BOOL Stream::Close() {
    StreamBlock& b = *m_pBlock;
    switch (b.m_nKind) {
    case kFileStream: {
        if (!b.m_pFile) return 0;
        const BOOL bOk = std::fclose(b.m_pFile) == 0 ? 1 : 0;
        b.m_pFile = nullptr;
        return bOk;
    }
    case kMemoryStream:
        return 1;
    case kCallbackStream:
        return b.m_pfnClose(b.m_pUser);
    default:
        return 0;
    }
}

size_t StreamReader::Read(BYTE* p, size_t count) {
    size_t nDone = 0;
    while (nDone < count) {
        if (m_nPos == m_nLen) {
            // Large requests go straight to the stream; small ones through the buffer.
            if (count - nDone >= kBufferSize && !m_bEnd && m_pData == m_buffer) {
                const UINT nAsk = static_cast<UINT>(std::min<size_t>(count - nDone, 0x40000000));
                const UINT nGot = std::min(m_stream.Read(p + nDone, nAsk), nAsk);
                nDone += nGot;
                if (nGot == 0) m_bEnd = true;
                continue;
            }
            if (!Refill()) break;
        }
        const size_t n = std::min(count - nDone, m_nLen - m_nPos);
        std::memcpy(p + nDone, m_pData + m_nPos, n);
        m_nPos += n;
        nDone += n;
    }
    return nDone;
}

const BYTE* StreamReader::ReadView(size_t count, BYTE* scratch) {
    if (m_nPos == m_nLen) Refill();
    if (m_nLen - m_nPos >= count) {
        const BYTE* p = m_pData + m_nPos;
        m_nPos += count;
        return p;
    }
    return Read(scratch, count) == count ? scratch : nullptr;
}

// Called when everything buffered has been consumed.
bool StreamReader::Refill() {
    if (m_bEnd) return false;
    // A memory source: the rest of its block becomes the buffer, read in place.
    UINT nRest = 0;
    if (const BYTE* pRest = m_stream.ReadRestInPlace(nRest)) {
        m_pData = pRest;
        m_nPos = 0;
        m_nLen = nRest;
        m_bEnd = true;
        return true;
    }
    m_pData = m_buffer;
    // A callback may hand out fewer bytes than asked (only nothing means the end), or claim more than
    // it was asked for: never believe more than the buffer holds.
    const UINT nGot = std::min<UINT>(m_stream.Read(m_buffer, kBufferSize), kBufferSize);
    m_nPos = 0;
    m_nLen = nGot;
    if (nGot == 0) m_bEnd = true;
    return nGot > 0;
}

}  // namespace px

using px::Stream;

namespace {

// The block behind a handle that a stream function may use: NULL stores BadParam, a handle that fails
// the handle test stores InvalidHandle; both give NULL. Success leaves the last error alone.
StreamBlock* CheckedHandle(StreamBlock* handle) {
    if (!handle) {
        px::SetLastErrorCode(ErrorCode::BadParam);
        return nullptr;
    }
    if (!Stream(handle).IsValid()) {
        px::SetLastErrorCode(ErrorCode::InvalidHandle);
        return nullptr;
    }
    return handle;
}

// Closing needs only an open handle; the magic numbers are not tested.
StreamBlock* ClosableHandle(StreamBlock* handle) {
    if (!handle) {
        px::SetLastErrorCode(ErrorCode::BadParam);
        return nullptr;
    }
    if (!px::IsOpenHandle(handle)) {
        px::SetLastErrorCode(ErrorCode::InvalidHandle);
        return nullptr;
    }
    return handle;
}

StreamBlock* OpenFileHandle(const char* path, BOOL bSink) {
    StreamBlock* pBlock = px::NewBlock();
    if (!pBlock) {
        px::SetLastErrorCode(ErrorCode::OutOfMemory);
        return nullptr;
    }
    if (!px::OpenFileBlock(pBlock, path, bSink)) {
        GlobalFree(pBlock);
        px::SetLastErrorCode(ErrorCode::FileOpen);
        return nullptr;
    }
    return px::Publish(pBlock);
}

StreamBlock* OpenMemoryHandle(void* data, UINT size, BOOL bSink) {
    if (!data || size == 0) {
        px::SetLastErrorCode(ErrorCode::BadParam);
        return nullptr;
    }
    StreamBlock* pBlock = px::NewBlock();
    if (!pBlock) {
        px::SetLastErrorCode(ErrorCode::OutOfMemory);
        return nullptr;
    }
    pBlock->m_pMem = static_cast<BYTE*>(data);
    pBlock->m_nMemSize = size;
    pBlock->m_nKind = px::kMemoryStream;
    pBlock->m_bIsSink = bSink;
    px::SetMagic(pBlock);
    return px::Publish(pBlock);
}

StreamBlock* OpenCallbackHandle(StreamOpenProc open, StreamReadProc read, StreamWriteProc write, StreamSeekProc seek,
                                StreamTellProc tell, StreamSizeProc size, StreamEofProc eof, StreamCloseProc close,
                                DWORD_PTR user, BOOL bSink) {
    const bool bTransfer = bSink ? write != nullptr : read != nullptr;
    if (!open || !bTransfer || !seek || !tell || !size || !eof || !close) {
        px::SetLastErrorCode(ErrorCode::BadParam);
        return nullptr;
    }
    StreamBlock* pBlock = px::NewBlock();
    if (!pBlock) {
        px::SetLastErrorCode(ErrorCode::OutOfMemory);
        return nullptr;
    }
    pBlock->m_pfnOpen = open;
    pBlock->m_pfnRead = read;
    pBlock->m_pfnWrite = write;
    pBlock->m_pfnSeek = seek;
    pBlock->m_pfnTell = tell;
    pBlock->m_pfnSize = size;
    pBlock->m_pfnEof = eof;
    pBlock->m_pfnClose = close;
    pBlock->m_pUser = user;
    pBlock->m_nKind = px::kCallbackStream;
    pBlock->m_bIsSink = bSink;
    px::SetMagic(pBlock);
    if (!open(user)) {
        GlobalFree(pBlock);
        px::SetLastErrorCode(ErrorCode::BadParam);
        return nullptr;
    }
    return px::Publish(pBlock);
}

}  // namespace

SourceHandle OpenFileSource(const char* path) { return OpenFileHandle(path, FALSE); }

SourceHandle OpenMemorySource(const void* data, UINT size) {
    return OpenMemoryHandle(const_cast<void*>(data), size, FALSE);
}

SourceHandle OpenCallbackSource(StreamOpenProc open, StreamReadProc read, StreamSeekProc seek, StreamTellProc tell,
                                StreamSizeProc size, StreamEofProc eof, StreamCloseProc close, DWORD_PTR user) {
    return OpenCallbackHandle(open, read, nullptr, seek, tell, size, eof, close, user, FALSE);
}

SinkHandle OpenFileSink(const char* path) { return OpenFileHandle(path, TRUE); }

SinkHandle OpenMemorySink(void* data, UINT capacity) { return OpenMemoryHandle(data, capacity, TRUE); }

SinkHandle OpenCallbackSink(StreamOpenProc open, StreamWriteProc write, StreamSeekProc seek, StreamTellProc tell,
                            StreamSizeProc size, StreamEofProc eof, StreamCloseProc close, DWORD_PTR user) {
    return OpenCallbackHandle(open, nullptr, write, seek, tell, size, eof, close, user, TRUE);
}

UINT ReadStream(StreamBlock* handle, void* buffer, UINT count) {
    if (!CheckedHandle(handle)) return 0;
    if (!buffer && count) {
        px::SetLastErrorCode(ErrorCode::BadParam);
        return 0;
    }
    return Stream(handle).Read(buffer, count);
}

BOOL WriteStream(StreamBlock* handle, const void* buffer, UINT count) {
    if (!CheckedHandle(handle)) return 0;
    if (!buffer && count) {
        px::SetLastErrorCode(ErrorCode::BadParam);
        return 0;
    }
    return Stream(handle).Write(buffer, count);
}

BOOL SeekStream(StreamBlock* handle, LONG offset, int origin) {
    return CheckedHandle(handle) ? Stream(handle).Seek(offset, origin) : 0;
}

UINT TellStream(StreamBlock* handle) { return CheckedHandle(handle) ? Stream(handle).Tell() : 0; }

UINT GetStreamSize(StreamBlock* handle) { return CheckedHandle(handle) ? Stream(handle).Size() : 0; }

BOOL IsStreamAtEnd(StreamBlock* handle) { return CheckedHandle(handle) ? Stream(handle).AtEnd() : 0; }

UINT CloseSource(SourceHandle handle) {
    if (!ClosableHandle(handle)) return 0;
    Stream stream(handle);
    const UINT nPos = stream.Tell();
    stream.Close();
    px::RemoveOpenHandle(handle);
    GlobalFree(handle);
    return nPos;
}

UINT CloseSink(SinkHandle handle) {
    if (!ClosableHandle(handle)) return 0;
    Stream stream(handle);
    const UINT nSize = stream.Size();
    stream.Close();
    px::RemoveOpenHandle(handle);
    GlobalFree(handle);
    return nSize;
}
