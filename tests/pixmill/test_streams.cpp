// Sources and sinks over files, memory and callbacks; the handle test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pixmill/pxstream.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;

TEST(MemoryStreams, OpeningNeedsPointerAndSize) {
    BYTE data[4] = {};
    struct Case {
        const void* p;
        UINT n;
    } cases[] = {{data, 0}, {nullptr, 4}, {nullptr, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(OpenMemorySource(c.p, c.n), nullptr);
        EXPECT_EQ(GetLastErrorCode(), 5);
        EXPECT_EQ(OpenMemorySink(const_cast<void*>(c.p), c.n), nullptr);
        EXPECT_EQ(GetLastErrorCode(), 5);
    }
}

TEST(MemoryStreams, SinkOfCapacityNHoldsNMinusOneBytes) {
    BYTE data[100];
    BYTE bytes[99] = {};
    SinkHandle sink = OpenMemorySink(data, sizeof(data));
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(WriteStream(sink, bytes, 99));
    EXPECT_FALSE(WriteStream(sink, bytes, 1));
    EXPECT_EQ(GetStreamSize(sink), 99u);
    EXPECT_EQ(CloseSink(sink), 99u);
}

TEST(MemoryStreams, SourceReadSeekAndEnd) {
    BYTE data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    BYTE buf[20];
    SourceHandle src = OpenMemorySource(data, 10);
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(ReadStream(src, buf, 20), 10u);
    EXPECT_EQ(ReadStream(src, buf, 20), 0u);
    EXPECT_EQ(GetStreamSize(src), 10u);

    // Seek (offset, origin) -> success, position after; each row starts where the previous one left.
    struct Case {
        LONG offset;
        int origin;
        BOOL ok;
        UINT pos;
    } cases[] = {
        {0, 2, 1, 10},   {-4, 2, 1, 6},   {-10, 2, 1, 0},  {-11, 2, 0, 0},  {1, 2, 0, 0},
        {9, 0, 1, 9},    {10, 0, 0, 9},   {-1, 0, 0, 9},   {-9, 1, 1, 0},   {-1, 1, 0, 0},
        {9, 1, 1, 9},    {1, 1, 0, 9},    {0, 3, 0, 9},    {-7, 1, 1, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SeekStream(src, c.offset, c.origin), c.ok) << c.offset << "," << c.origin;
        EXPECT_EQ(TellStream(src), c.pos) << c.offset << "," << c.origin;
    }
    EXPECT_EQ(ReadStream(src, buf, 3), 3u);
    EXPECT_EQ(std::memcmp(buf, data + 2, 3), 0);

    // The end rule: a memory stream is at its end while its last byte is still unread.
    SeekStream(src, 8, 0);
    EXPECT_FALSE(IsStreamAtEnd(src));
    SeekStream(src, 9, 0);
    EXPECT_TRUE(IsStreamAtEnd(src));
    EXPECT_EQ(CloseSource(src), 9u);
}

TEST(MemoryStreams, SinkSeeksFromItsHighWater) {
    BYTE data[16] = {};
    SinkHandle sink = OpenMemorySink(data, sizeof(data));
    EXPECT_TRUE(WriteStream(sink, "abcdef", 6));
    EXPECT_TRUE(SeekStream(sink, -4, 2));
    EXPECT_TRUE(WriteStream(sink, "XY", 2));
    EXPECT_EQ(TellStream(sink), 4u);
    EXPECT_EQ(GetStreamSize(sink), 6u);
    EXPECT_FALSE(SeekStream(sink, -7, 2));
    EXPECT_EQ(std::memcmp(data, "abXYef", 6), 0);
    CloseSink(sink);
}

TEST(MemoryStreams, WriteEndIsCheckedIn64Bits) {
    // A sink that claims nearly 4 GB over a small block: a write whose end passes 2^32 must be refused,
    // not wrapped into the block's start.
    BYTE data[8] = {};
    SinkHandle sink = OpenMemorySink(data, 0xFFFFFFFFu);
    ASSERT_TRUE(SeekStream(sink, INT32_MAX, 0));
    ASSERT_TRUE(SeekStream(sink, INT32_MAX, 1));
    EXPECT_EQ(TellStream(sink), 0xFFFFFFFEu);
    EXPECT_FALSE(WriteStream(sink, "ab", 2));
    px::Stream stream(sink);
    EXPECT_FALSE(stream.Write(data, 0x10000, 0x10000));  // size x count = 2^32
    for (BYTE b : data) EXPECT_EQ(b, 0);
    CloseSink(sink);
}

TEST(Streams, ReadingASinkOrWritingASourceDoesNothing) {
    BYTE data[8] = {1, 2, 3};
    BYTE buf[8];
    SinkHandle sink = OpenMemorySink(data, sizeof(data));
    SourceHandle src = OpenMemorySource(data, sizeof(data));
    EXPECT_EQ(ReadStream(nullptr, buf, 4), 0u);
    EXPECT_EQ(ReadStream(sink, buf, 4), 0u);
    EXPECT_FALSE(WriteStream(src, buf, 4));
    EXPECT_EQ(GetLastErrorCode(), 5);  // a good handle leaves the last error as it was
    CloseSink(sink);
    CloseSource(src);
}

TEST(Streams, NullClosedAndForeignHandles) {
    BYTE data[8] = {};
    BYTE buf[4];
    SourceHandle closed = OpenMemorySource(data, sizeof(data));
    CloseSource(closed);
    StreamBlock* foreign = reinterpret_cast<StreamBlock*>(data);
    for (StreamBlock* h : {static_cast<StreamBlock*>(nullptr), closed, foreign}) {
        const int code = h ? 38 : 5;
        EXPECT_EQ(ReadStream(h, buf, 4), 0u);
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_FALSE(WriteStream(h, buf, 4));
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_FALSE(SeekStream(h, 0, 0));
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_EQ(TellStream(h), 0u);
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_EQ(GetStreamSize(h), 0u);
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_FALSE(IsStreamAtEnd(h));
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_EQ(CloseSource(h), 0u);
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_EQ(CloseSink(h), 0u);
        EXPECT_EQ(GetLastErrorCode(), code);
    }
}

TEST(Streams, OverwrittenMagicFailsTheHandleTest) {
    BYTE data[8] = {};
    for (int which = 0; which < 2; ++which) {
        SourceHandle src = OpenMemorySource(data, sizeof(data));
        ASSERT_TRUE(px::Stream(src).IsValid());
        DWORD& magic = which == 0 ? src->m_dwHeadMagic : src->m_dwTailMagic;
        const DWORD saved = magic;
        magic = 0;
        EXPECT_FALSE(px::Stream(src).IsValid());
        BYTE buf[2];
        EXPECT_EQ(ReadStream(src, buf, 2), 0u);
        EXPECT_EQ(GetLastErrorCode(), 38);
        magic = saved;
        EXPECT_TRUE(px::Stream(src).IsValid());
        CloseSource(src);
    }
}

TEST(FileStreams, WriteThenReadBack) {
    pxtest::TempDir dir;
    const std::string path = dir.Path("stream.bin");
    SinkHandle sink = OpenFileSink(path.c_str());
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(WriteStream(sink, "0123456789", 10));
    EXPECT_EQ(GetStreamSize(sink), 10u);
    EXPECT_EQ(TellStream(sink), 10u);
    EXPECT_EQ(CloseSink(sink), 10u);

    SourceHandle src = OpenFileSource(path.c_str());
    ASSERT_NE(src, nullptr);
    EXPECT_STREQ(src->m_szPath, path.c_str());
    BYTE buf[16] = {};
    EXPECT_TRUE(SeekStream(src, -4, 2));
    EXPECT_EQ(ReadStream(src, buf, 16), 4u);
    EXPECT_EQ(std::memcmp(buf, "6789", 4), 0);
    EXPECT_TRUE(IsStreamAtEnd(src));
    EXPECT_EQ(GetStreamSize(src), 10u);
    EXPECT_EQ(CloseSource(src), 10u);
}

TEST(FileStreams, OpenFailures) {
    pxtest::TempDir dir;
    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent-dir/x.bmp"}) {
        EXPECT_EQ(OpenFileSource(path), nullptr);
        EXPECT_EQ(GetLastErrorCode(), 2);
    }
    EXPECT_EQ(OpenFileSink(dir.Path("no/such/dir").c_str()), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 2);
    // A path longer than the record's field still opens; the field keeps its first 259 characters.
    const std::string name(200, 'a');
    const std::string longPath = dir.Path(name) + "/" + std::string(100, 'b');
    ASSERT_TRUE(pxtest::Run("mkdir -p '" + dir.Path(name) + "'"));
    SinkHandle sink = OpenFileSink(longPath.c_str());
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(std::strlen(sink->m_szPath), 259u);
    CloseSink(sink);
}

// A callback source over a string, counting the calls.
struct CallbackData {
    std::string text;
    UINT pos = 0;
    int opens = 0;
    int closes = 0;
    BOOL openResult = TRUE;
    std::string written;
};

CallbackData* Data(DWORD_PTR user) { return reinterpret_cast<CallbackData*>(user); }
BOOL CbOpen(DWORD_PTR u) {
    ++Data(u)->opens;
    return Data(u)->openResult;
}
UINT CbRead(void* buf, UINT count, DWORD_PTR u) {
    CallbackData* d = Data(u);
    const UINT n = std::min<UINT>(count, static_cast<UINT>(d->text.size()) - d->pos);
    std::memcpy(buf, d->text.data() + d->pos, n);
    d->pos += n;
    return n;
}
UINT CbWrite(const void* buf, UINT count, DWORD_PTR u) {
    Data(u)->written.append(static_cast<const char*>(buf), count);
    return 1;
}
BOOL CbSeek(LONG offset, int origin, DWORD_PTR u) {
    Data(u)->pos = origin == 0 ? offset : Data(u)->pos + offset;
    return TRUE;
}
UINT CbTell(DWORD_PTR u) { return Data(u)->pos; }
UINT CbSize(DWORD_PTR u) { return static_cast<UINT>(Data(u)->text.size() + Data(u)->written.size()); }
BOOL CbEof(DWORD_PTR u) { return Data(u)->pos >= Data(u)->text.size(); }
BOOL CbClose(DWORD_PTR u) {
    ++Data(u)->closes;
    return TRUE;
}

TEST(CallbackStreams, PassEveryOperationThrough) {
    CallbackData d;
    d.text = "hello world";
    const DWORD_PTR user = reinterpret_cast<DWORD_PTR>(&d);
    SourceHandle src = OpenCallbackSource(CbOpen, CbRead, CbSeek, CbTell, CbSize, CbEof, CbClose, user);
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(d.opens, 1);
    BYTE buf[8] = {};
    EXPECT_TRUE(SeekStream(src, 6, 0));
    EXPECT_EQ(ReadStream(src, buf, 8), 5u);
    EXPECT_EQ(std::memcmp(buf, "world", 5), 0);
    EXPECT_TRUE(IsStreamAtEnd(src));
    EXPECT_EQ(GetStreamSize(src), 11u);
    EXPECT_EQ(CloseSource(src), 11u);
    EXPECT_EQ(d.closes, 1);

    CallbackData w;
    SinkHandle sink = OpenCallbackSink(CbOpen, CbWrite, CbSeek, CbTell, CbSize, CbEof, CbClose,
                                       reinterpret_cast<DWORD_PTR>(&w));
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(WriteStream(sink, "abc", 3));
    EXPECT_EQ(CloseSink(sink), 3u);
    EXPECT_EQ(w.written, "abc");
}

TEST(CallbackStreams, MissingCallbackOrRefusedOpen) {
    CallbackData d;
    const DWORD_PTR user = reinterpret_cast<DWORD_PTR>(&d);
    EXPECT_EQ(OpenCallbackSource(CbOpen, CbRead, CbSeek, nullptr, CbSize, CbEof, CbClose, user), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_EQ(d.opens, 0);
    EXPECT_EQ(OpenCallbackSink(CbOpen, nullptr, CbSeek, CbTell, CbSize, CbEof, CbClose, user), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    d.openResult = FALSE;
    EXPECT_EQ(OpenCallbackSource(CbOpen, CbRead, CbSeek, CbTell, CbSize, CbEof, CbClose, user), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_EQ(d.opens, 1);
}

TEST(Streams, BufferedReaderSeesEveryByte) {
    Bytes data(100000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i * 7);
    SourceHandle src = OpenMemorySource(data.data(), static_cast<UINT>(data.size()));
    px::Stream stream(src);
    px::StreamReader reader(stream);
    Bytes got(data.size() + 10);
    BYTE b = 0;
    ASSERT_TRUE(reader.GetByte(b));
    got[0] = b;
    EXPECT_EQ(reader.Read(got.data() + 1, 30000), 30000u);
    EXPECT_EQ(reader.Read(got.data() + 30001, 5), 5u);
    EXPECT_EQ(reader.Read(got.data() + 30006, 80000), data.size() - 30006);
    EXPECT_FALSE(reader.GetByte(b));
    got.resize(data.size());
    EXPECT_EQ(got, data);
    CloseSource(src);
}

TEST(Streams, EmbeddedBlockOpensAFile) {
    pxtest::TempDir dir;
    pxtest::WriteFileBytes(dir.Path("f"), Bytes{1, 2, 3});
    px::Stream stream;
    EXPECT_FALSE(stream.IsValid());
    ASSERT_TRUE(stream.OpenFile(dir.Path("f").c_str(), FALSE));
    EXPECT_TRUE(stream.IsValid());
    EXPECT_EQ(stream.Size(), 3u);
    EXPECT_FALSE(stream.OpenFile(dir.Path("missing").c_str(), FALSE));
    EXPECT_FALSE(stream.IsValid());
}

}  // namespace
