// The public interface's wrapper steps over every reader and writer that takes a handle: a NULL handle,
// a handle whose magic numbers were overwritten, a handle of the wrong direction, success after failure;
// and the option functions, which leave the last error as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "pixmill/pxstream.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;

const pxtest::Image& Picture() {
    static const pxtest::Image image = pxtest::Pattern(6, 5);
    return image;
}

// An 8-bit picture: indices and a 256-entry palette.
struct EightBit {
    Bytes pixels = Bytes(30);
    RGBQUAD palette[256] = {};
    EightBit() {
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i * 7);
        for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i / 2), 9, 0};
    }
};
const EightBit& Indexed() {
    static const EightBit e;
    return e;
}

struct Reader {
    const char* name;
    std::function<BYTE*(SourceHandle, UINT*, UINT*)> read;
    UINT (*write)(SinkHandle, const BYTE*, UINT, UINT);  // makes a file the reader takes
    bool bBuffer = true;                                 // the result is a buffer to free
};

struct Writer {
    const char* name;
    std::function<UINT(SinkHandle)> write;
};

RGBQUAD g_palette[256];

const std::vector<Reader>& Readers() {
    static const std::vector<Reader> readers = {
        {"ReadBmpToRgb", ReadBmpToRgb, WriteRgbAsBmp},
        {"ReadBmpTo8Bit", [](SourceHandle s, UINT* w, UINT* h) { return ReadBmpTo8Bit(s, w, h, g_palette); },
         [](SinkHandle s, const BYTE*, UINT, UINT) { return Write8BitAsBmp(s, Indexed().pixels.data(), 6, 5, Indexed().palette); }},
        {"ReadPcxToRgb", ReadPcxToRgb, WriteRgbAsPcx},
        {"ReadPcxTo8Bit", [](SourceHandle s, UINT* w, UINT* h) { return ReadPcxTo8Bit(s, w, h, g_palette); },
         [](SinkHandle s, const BYTE*, UINT, UINT) { return Write8BitAsPcx(s, Indexed().pixels.data(), 6, 5, Indexed().palette); }},
        {"ReadTgaToRgb", ReadTgaToRgb, WriteRgbAsTga},
        {"ReadTgaTo8Bit", [](SourceHandle s, UINT* w, UINT* h) { return ReadTgaTo8Bit(s, w, h, g_palette); },
         [](SinkHandle s, const BYTE*, UINT, UINT) { return Write8BitAsTga(s, Indexed().pixels.data(), 6, 5, Indexed().palette); }},
        {"ReadPngToRgb", ReadPngToRgb, [](SinkHandle s, const BYTE* rgb, UINT w, UINT h) { return WriteRgbAsPng(s, rgb, w, h, 0); }},
        {"ReadPngToRgba", [](SourceHandle s, UINT* w, UINT* h) { return ReadPngToRgba(s, w, h, 255); },
         [](SinkHandle s, const BYTE* rgb, UINT w, UINT h) { return WriteRgbAsPng(s, rgb, w, h, 0); }},
        {"ReadJpegToRgb", ReadJpegToRgb, [](SinkHandle s, const BYTE* rgb, UINT w, UINT h) { return WriteRgbAsJpeg(s, rgb, w, h, 75, 0); }},
        {"ReadJpegToGray", ReadJpegToGray, [](SinkHandle s, const BYTE* rgb, UINT w, UINT h) { return WriteRgbAsJpeg(s, rgb, w, h, 75, 1); }},
        {"ReadTiffToRgb", ReadTiffToRgb, WriteRgbAsTiff},
        {"ReadTiffPageToRgb", [](SourceHandle s, UINT* w, UINT* h) { return ReadTiffPageToRgb(s, w, h, 0); }, WriteRgbAsTiff},
        // Results that are not buffers come back as a non-NULL pointer on success.
        {"GetTiffPageCount",
         [](SourceHandle s, UINT* w, UINT* h) {
             *w = *h = 1;
             return reinterpret_cast<BYTE*>(static_cast<intptr_t>(GetTiffPageCount(s)));
         },
         WriteRgbAsTiff, false},
        {"DetectFileFormat",
         [](SourceHandle s, UINT* w, UINT* h) {
             *w = *h = 1;
             return reinterpret_cast<BYTE*>(static_cast<intptr_t>(DetectFileFormat(s)));
         },
         WriteRgbAsBmp, false},
    };
    return readers;
}

const std::vector<Writer>& Writers() {
    const BYTE* rgb = Picture().rgb.data();
    const EightBit& e = Indexed();
    static const std::vector<Writer> writers = {
        {"WriteRgbAsBmp", [=](SinkHandle s) { return WriteRgbAsBmp(s, rgb, 6, 5); }},
        {"Write8BitAsBmp", [&](SinkHandle s) { return Write8BitAsBmp(s, e.pixels.data(), 6, 5, e.palette); }},
        {"WriteRgbAsPcx", [=](SinkHandle s) { return WriteRgbAsPcx(s, rgb, 6, 5); }},
        {"Write8BitAsPcx", [&](SinkHandle s) { return Write8BitAsPcx(s, e.pixels.data(), 6, 5, e.palette); }},
        {"WriteRgbAsTga", [=](SinkHandle s) { return WriteRgbAsTga(s, rgb, 6, 5); }},
        {"Write8BitAsTga", [&](SinkHandle s) { return Write8BitAsTga(s, e.pixels.data(), 6, 5, e.palette); }},
        {"WriteRgbAsEmf", [=](SinkHandle s) { return WriteRgbAsEmf(s, rgb, 6, 5); }},
        {"WriteRgbAsWmf", [=](SinkHandle s) { return WriteRgbAsWmf(s, rgb, 6, 5, 1); }},
        {"WriteRgbAsPng", [=](SinkHandle s) { return WriteRgbAsPng(s, rgb, 6, 5, 2.0); }},
        {"Write8BitAsPng", [&](SinkHandle s) { return Write8BitAsPng(s, e.pixels.data(), 6, 5, e.palette, 0); }},
        {"WriteRgbAsJpeg", [=](SinkHandle s) { return WriteRgbAsJpeg(s, rgb, 6, 5, 75, 1); }},
        {"WriteGrayAsJpeg", [&](SinkHandle s) { return WriteGrayAsJpeg(s, e.pixels.data(), 6, 5, 75, 0); }},
        {"WriteRgbAsTiff", [=](SinkHandle s) { return WriteRgbAsTiff(s, rgb, 6, 5); }},
        {"Write8BitAsTiff", [&](SinkHandle s) { return Write8BitAsTiff(s, e.pixels.data(), 6, 5, e.palette); }},
    };
    return writers;
}

Bytes FileFor(const Reader& r) {
    Bytes out(1 << 16);
    SinkHandle sink = OpenMemorySink(out.data(), static_cast<UINT>(out.size()));
    const UINT n = r.write(sink, Picture().rgb.data(), 6, 5);
    CloseSink(sink);
    out.resize(n);
    return out;
}

// Makes the last error non-zero.
void Fail() {
    ReadBmpToRgb(nullptr, nullptr, nullptr);
    ASSERT_EQ(GetLastErrorCode(), 5);
}

}  // namespace

TEST(Interface, EveryReaderChecksItsHandle) {
    for (const Reader& r : Readers()) {
        SCOPED_TRACE(r.name);
        const Bytes file = FileFor(r);
        ASSERT_FALSE(file.empty());
        UINT w = 9, h = 9;
        // NULL: BadParam.
        EXPECT_EQ(r.read(nullptr, &w, &h), nullptr);
        EXPECT_EQ(GetLastErrorCode(), 5);
        // A handle whose head or tail magic number was overwritten: InvalidHandle, nothing read.
        SourceHandle source = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
        for (DWORD* magic : {&source->m_dwHeadMagic, &source->m_dwTailMagic}) {
            const DWORD kept = *magic;
            *magic = 0x12345678;
            EXPECT_EQ(r.read(source, &w, &h), nullptr);
            EXPECT_EQ(GetLastErrorCode(), 38);
            *magic = kept;
        }
        EXPECT_EQ(TellStream(source), 0u);
        // Then the same handle reads, and success after failure leaves 0.
        BYTE* result = r.read(source, &w, &h);
        EXPECT_NE(result, nullptr);
        EXPECT_EQ(GetLastErrorCode(), 0);
        if (r.bBuffer) GlobalFree(result);
        CloseSource(source);
        // A sink given to a reader reads nothing: the format's short-read or format code.
        Bytes room(64);
        SinkHandle sink = OpenMemorySink(room.data(), 64);
        result = r.read(sink, &w, &h);
        EXPECT_EQ(result, nullptr);
        EXPECT_NE(GetLastErrorCode(), 0);
        EXPECT_NE(GetLastErrorCode(), 38);
        CloseSink(sink);
        // A closed handle is not read at all.
        source = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
        CloseSource(source);
        EXPECT_EQ(r.read(source, &w, &h), nullptr);
        EXPECT_EQ(GetLastErrorCode(), 38);
    }
    // The metafile reader takes a path: NULL is BadParam.
    UINT w = 0, h = 0;
    EXPECT_EQ(ReadMetafileToRgb(nullptr, &w, &h, 100, 100, 0), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST(Interface, EveryWriterChecksItsHandle) {
    for (const Writer& wr : Writers()) {
        SCOPED_TRACE(wr.name);
        EXPECT_EQ(wr.write(nullptr), 0u);
        EXPECT_EQ(GetLastErrorCode(), 5);
        Bytes out(1 << 16);
        SinkHandle sink = OpenMemorySink(out.data(), static_cast<UINT>(out.size()));
        for (DWORD* magic : {&sink->m_dwHeadMagic, &sink->m_dwTailMagic}) {
            const DWORD kept = *magic;
            *magic = 0;
            EXPECT_EQ(wr.write(sink), 0u);
            EXPECT_EQ(GetLastErrorCode(), 38);
            *magic = kept;
        }
        EXPECT_EQ(GetStreamSize(sink), 0u);
        const UINT n = wr.write(sink);
        EXPECT_GT(n, 0u);
        EXPECT_EQ(GetLastErrorCode(), 0);
        EXPECT_EQ(CloseSink(sink), n);
        // A source given to a writer writes nothing: the format's write or format code (the JPEG writer
        // still reports the sink's size after a failure while finishing).
        Bytes kept(out.begin(), out.begin() + 64);
        SourceHandle source = OpenMemorySource(out.data(), 64);
        wr.write(source);
        EXPECT_NE(GetLastErrorCode(), 0);
        EXPECT_NE(GetLastErrorCode(), 38);
        EXPECT_TRUE(std::equal(kept.begin(), kept.end(), out.begin()));
        CloseSource(source);
    }
}

TEST(Interface, OptionFunctionsLeaveTheLastError) {
    const std::vector<std::pair<const char*, std::function<void()>>> options = {
        {"SetProgressCallback", [] { SetProgressCallback(nullptr); }},
        {"GetLibraryVersion", [] { char v[20]; GetLibraryVersion(v); }},
        {"SetUseDibSection", [] { SetUseDibSection(0); }},
        {"GetLastErrorCode", [] { GetLastErrorCode(); }},
    };
    for (const auto& [name, call] : options) {
        Fail();
        call();
        EXPECT_EQ(GetLastErrorCode(), 5) << name;
    }
}
