// What the PNG, JPEG and TIFF codecs share: the handle checks of their readers and writers, option
// functions that leave the last error, and threads that decode at once with options of their own.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "pixmill/pxstream.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Decoded;
using pxtest::Image;

// A call of one reader or writer on a handle, returning whether it gave a result.
using HandleCall = std::function<bool(StreamBlock*)>;

struct Call {
    const char* name;
    bool bSink;
    HandleCall call;
};

std::vector<Call> Calls() {
    static const Image picture = pxtest::Pattern(4, 4);
    static RGBQUAD palette[256] = {};
    static UINT w = 0, h = 0;
    const BYTE* rgb = picture.rgb.data();
    return {
        {"ReadPngToRgb", false, [](StreamBlock* s) { return ReadPngToRgb(s, &w, &h) != nullptr; }},
        {"ReadPngToRgba", false, [](StreamBlock* s) { return ReadPngToRgba(s, &w, &h, 0) != nullptr; }},
        {"ReadJpegToRgb", false, [](StreamBlock* s) { return ReadJpegToRgb(s, &w, &h) != nullptr; }},
        {"ReadJpegToGray", false, [](StreamBlock* s) { return ReadJpegToGray(s, &w, &h) != nullptr; }},
        {"ReadTiffToRgb", false, [](StreamBlock* s) { return ReadTiffToRgb(s, &w, &h) != nullptr; }},
        {"ReadTiffPageToRgb", false, [](StreamBlock* s) { return ReadTiffPageToRgb(s, &w, &h, 0) != nullptr; }},
        {"GetTiffPageCount", false, [](StreamBlock* s) { return GetTiffPageCount(s) != 0; }},
        {"WriteRgbAsPng", true, [rgb](StreamBlock* s) { return WriteRgbAsPng(s, rgb, 4, 4, 0) != 0; }},
        {"Write8BitAsPng", true, [rgb](StreamBlock* s) { return Write8BitAsPng(s, rgb, 4, 4, palette, 0) != 0; }},
        {"WriteRgbAsJpeg", true, [rgb](StreamBlock* s) { return WriteRgbAsJpeg(s, rgb, 4, 4, 75, 0) != 0; }},
        {"WriteGrayAsJpeg", true, [rgb](StreamBlock* s) { return WriteGrayAsJpeg(s, rgb, 4, 4, 75, 0) != 0; }},
        {"WriteRgbAsTiff", true, [rgb](StreamBlock* s) { return WriteRgbAsTiff(s, rgb, 4, 4) != 0; }},
        {"Write8BitAsTiff", true, [rgb](StreamBlock* s) { return Write8BitAsTiff(s, rgb, 4, 4, palette) != 0; }},
    };
}

TEST(CodecHandles, NullClosedAndOverwrittenHandles) {
    Bytes data(4096, 0);
    for (const Call& c : Calls()) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.call(nullptr));
        EXPECT_EQ(GetLastErrorCode(), 5);
        StreamBlock* closed = c.bSink ? OpenMemorySink(data.data(), 4096) : OpenMemorySource(data.data(), 4096);
        c.bSink ? CloseSink(closed) : CloseSource(closed);
        EXPECT_FALSE(c.call(closed));
        EXPECT_EQ(GetLastErrorCode(), 38);
        StreamBlock* open = c.bSink ? OpenMemorySink(data.data(), 4096) : OpenMemorySource(data.data(), 4096);
        const DWORD magic = open->m_dwTailMagic;
        open->m_dwTailMagic = 0;
        EXPECT_FALSE(c.call(open));
        EXPECT_EQ(GetLastErrorCode(), 38);
        open->m_dwTailMagic = magic;
        // The writers succeed afterwards: a success leaves 0.
        if (c.bSink) {
            EXPECT_TRUE(c.call(open));
            EXPECT_EQ(GetLastErrorCode(), 0);
        }
        c.bSink ? CloseSink(open) : CloseSource(open);
    }
}

TEST(CodecHandles, OptionFunctionsLeaveTheLastError) {
    UINT w = 0, h = 0;
    EXPECT_EQ(ReadTiffToRgb(nullptr, &w, &h), nullptr);
    ASSERT_EQ(GetLastErrorCode(), 5);
    UINT x, y, unit;
    char* key = nullptr;
    char* text = nullptr;
    DWORD compressed = 0;
    BYTE* data = nullptr;
    const BYTE marker[2] = {1, 2};
    SetPngScreenGamma(2.9);
    SetPngBackground(0, 0, 0, 0, 0);
    SetPngPaletteAlpha(0);
    SetPngResolution(1, 1, 0);
    GetPngResolution(&x, &y, &unit);
    GetPngTextCount();
    GetPngText(0, &key, &text, &compressed);
    ClearPngTexts();
    AddPngText("t", "k", 0);
    GetPngWriteTextCount();
    GetPngWriteText(0, &key, &text, &compressed);
    GlobalFree(key);
    GlobalFree(text);
    ClearPngWriteTexts();
    SetJpegDctMethod(0);
    SetJpegDensity(1, 1, 0);
    GetJpegDensity(&x, &y, &unit);
    GetJpegCommentCount();
    GlobalFree(GetJpegComment(0));
    ClearJpegComments();
    GetJpegMarkerCount();
    GetJpegMarker(0, &data, &unit, &x);
    ClearJpegMarkers();
    AddJpegComment("c");
    GlobalFree(GetJpegWriteComment(0));
    GetJpegWriteCommentCount();
    ClearJpegWriteComments();
    AddJpegMarker(marker, 2, 0xE3);
    GetJpegWriteMarkerCount();
    ClearJpegWriteMarkers();
    SetTiffResolution(1, 1, 1);
    SetTiffCompression(1);
    GetTiffResolution(&x, &y, &unit);
    EXPECT_EQ(GetLastErrorCode(), 5);
}

// Two threads read the same files at once, each with options of its own, many times over.
class CodecThreads : public pxtest::ToolTest {};

TEST_F(CodecThreads, DecodeAtOnceWithTheirOwnOptions) {
    const Image picture = pxtest::Pattern(96, 64);
    const Bytes png = Make(picture, "pnmtopng -force -gamma .45");
    const Bytes jpeg = Make(picture, "cjpeg -quality 90");
    Put("in.ppm", pxtest::MakePpm(picture));
    const Bytes tiff72 = Command("ppm2tiff -c lzw -R 72 in.ppm t.tif && cat t.tif");
    const Bytes tiffPlain = Make(picture, "pnmtotiff -lzw");

    struct Options {
        double screenGamma;
        int dct;
        const Bytes* tiff;
        // what the reads give and what a JPEG write makes on this thread
        Bytes pngPixels, jpegWritten;
        BOOL bTiffResolution;
    } options[2] = {{2.9, 1, &tiff72, {}, {}, TRUE}, {1 / 0.45, 2, &tiffPlain, {}, {}, FALSE}};
    // The DCT method is an option of writing; reading keeps the library's default on every thread.
    auto writeJpeg = [&] {
        return pxtest::EncodeBy(1u << 20, nullptr, [&](SinkHandle sink) {
            return WriteRgbAsJpeg(sink, picture.rgb.data(), picture.w, picture.h, 90, FALSE);
        });
    };
    const Bytes jpegPixels = pxtest::Decode(ReadJpegToRgb, jpeg).Pixels(3);
    auto apply = [](const Options& o) {
        SetPngScreenGamma(o.screenGamma);
        SetJpegDctMethod(o.dct);
    };
    for (Options& o : options) {
        apply(o);
        o.pngPixels = pxtest::Decode(ReadPngToRgb, png).Pixels(3);
        o.jpegWritten = writeJpeg();
        ASSERT_EQ(pxtest::Decode(ReadJpegToRgb, jpeg).Pixels(3), jpegPixels);
    }
    SetPngScreenGamma(2.9);
    SetJpegDctMethod(0);
    ASSERT_NE(options[0].pngPixels, options[1].pngPixels);
    ASSERT_NE(options[0].jpegWritten, options[1].jpegWritten);

    std::atomic<int> failures{0};
    auto work = [&](const Options& o) {
        apply(o);
        for (int i = 0; i < 25; ++i) {
            const Decoded p = pxtest::Decode(ReadPngToRgb, png);
            const Decoded j = pxtest::Decode(ReadJpegToRgb, jpeg);
            const Decoded t = pxtest::Decode(ReadTiffToRgb, *o.tiff);
            UINT x = 0, y = 0, unit = 0;
            const BOOL bRes = GetTiffResolution(&x, &y, &unit);
            if (p.err || j.err || t.err || p.Pixels(3) != o.pngPixels || j.Pixels(3) != jpegPixels ||
                writeJpeg() != o.jpegWritten || t.AsImage() != picture || bRes != o.bTiffResolution ||
                (bRes && x != 72))
                ++failures;
        }
    };
    std::thread a(work, std::cref(options[0]));
    std::thread b(work, std::cref(options[1]));
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
