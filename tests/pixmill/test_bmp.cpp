// The BMP codec against netpbm and ImageMagick files and small hand-made fixtures.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>

#include "pixmill/pxalloc.h"
#include "pixmill/pxstream.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Decode;
using pxtest::Image;

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<BYTE>(v);
    b[at + 1] = static_cast<BYTE>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
uint32_t Get32(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24); }

// A BMP file: headers (the information header `headerSize` bytes long), `palette` entries written as
// given (r, g, b triples), then `pixels` at the offset the header names.
Bytes MakeBmp(int32_t w, int32_t h, int bits, int compression, const std::vector<std::array<BYTE, 3>>& palette = {},
              const Bytes& pixels = {}, uint32_t headerSize = 40, int64_t clrUsed = -1) {
    Bytes b(14 + headerSize + 4 * palette.size());
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size() + pixels.size()));
    Put32(b, 10, static_cast<uint32_t>(b.size()));
    Put32(b, 14, headerSize);
    Put32(b, 18, static_cast<uint32_t>(w));
    Put32(b, 22, static_cast<uint32_t>(h));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 30, compression);
    Put32(b, 34, static_cast<uint32_t>(pixels.size()));
    Put32(b, 46, static_cast<uint32_t>(clrUsed >= 0 ? clrUsed : static_cast<int64_t>(palette.size())));
    for (size_t i = 0; i < palette.size(); ++i) {
        BYTE* q = &b[14 + headerSize + 4 * i];
        q[0] = palette[i][2];
        q[1] = palette[i][1];
        q[2] = palette[i][0];
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// An image from rows of (r, g, b) triples given top row first.
Image Rows(UINT w, UINT h, const Bytes& rgb) { return Image{w, h, rgb}; }

using BmpTest = pxtest::ToolTest;

TEST_F(BmpTest, EveryBitDepthOfPpmtobmp) {
    struct Case {
        int bpp;
        UINT colors;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {24, 0}};
    for (const Case& c : cases) {
        const Image picture = c.colors ? pxtest::PalettePattern(13, 7, c.colors) : pxtest::Pattern(13, 7);
        const Bytes file = Make(picture, "ppmtobmp -bpp=" + std::to_string(c.bpp));
        ASSERT_GT(file.size(), 54u);
        ASSERT_EQ(file[28], c.bpp);
        const Image expected = ReadBack(file, "bmptopnm");
        EXPECT_EQ(expected, picture) << c.bpp;
        pxtest::Decoded rgb = Decode(ReadBmpToRgb, file);
        EXPECT_EQ(rgb.err, 0) << c.bpp;
        EXPECT_EQ(rgb.AsImage(), expected) << c.bpp;
        // The 8-bit reader gives the indices and the palette they refer to.
        pxtest::Decoded pal = Decode(ReadBmpTo8Bit, file);
        if (c.bpp == 24) {
            EXPECT_EQ(pal.err, 28);
            EXPECT_FALSE(pal.buffer);
            continue;
        }
        ASSERT_EQ(pal.err, 0) << c.bpp;
        const Bytes indices = pal.Pixels(1);
        Image expanded{pal.w, pal.h, Bytes(indices.size() * 3)};
        for (size_t i = 0; i < indices.size(); ++i) {
            ASSERT_LT(indices[i], 1u << c.bpp);
            const RGBQUAD& q = pal.palette[indices[i]];
            expanded.rgb[3 * i] = q.rgbRed;
            expanded.rgb[3 * i + 1] = q.rgbGreen;
            expanded.rgb[3 * i + 2] = q.rgbBlue;
        }
        EXPECT_EQ(expanded, expected) << c.bpp;
    }
}

TEST_F(BmpTest, BothRowOrdersAndStartPosition) {
    const Image picture = pxtest::Pattern(5, 4);
    const Bytes bottomUp = Make(picture, "ppmtobmp -bpp=24");
    // The same file top-down: negative height, the rows in the other order.
    Bytes topDown = bottomUp;
    const uint32_t off = Get32(bottomUp, 10);
    const size_t stride = 16;
    Put32(topDown, 22, static_cast<uint32_t>(-4));
    for (size_t r = 0; r < 4; ++r)
        std::memcpy(&topDown[off + r * stride], &bottomUp[off + (3 - r) * stride], stride);
    for (const Bytes* file : {&bottomUp, static_cast<const Bytes*>(&topDown)}) {
        pxtest::Decoded d = Decode(ReadBmpToRgb, *file);
        EXPECT_EQ(d.err, 0);
        EXPECT_EQ(d.AsImage(), picture);
    }
    // The reader starts at the source's position: the file behind 7 bytes of something else.
    Bytes behind = {1, 2, 3, 4, 5, 6, 7};
    behind.insert(behind.end(), bottomUp.begin(), bottomUp.end());
    // ...but the pixel offset counts from the file's start, which here is 7 bytes in.
    pxtest::Decoded d = Decode(ReadBmpToRgb, behind, 7);
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.AsImage(), picture);
}

TEST_F(BmpTest, SixteenAndThirtyTwoBitPixels) {
    // 16 bits, 5-5-5, the three low bits of every channel set; 2 x 2, bottom row (0x7FFF, 0x0000) first,
    // then the top row (0x7C00, 0x0421). A file this small has no room for the unused palette.
    const Bytes rows16 = {0xFF, 0x7F, 0x00, 0x00, 0x00, 0x7C, 0x21, 0x04};
    pxtest::Decoded d = Decode(ReadBmpToRgb, MakeBmp(2, 2, 16, 0, {}, rows16));
    ASSERT_EQ(d.err, 0);
    EXPECT_EQ(d.AsImage(), Rows(2, 2, Bytes{255, 7, 7, 15, 15, 15, 255, 255, 255, 7, 7, 7}));
    // 32 bits: blue, green, red, ignored.
    const Bytes rows32 = {3, 2, 1, 99, 30, 20, 10, 0};
    d = Decode(ReadBmpToRgb, MakeBmp(2, -1, 32, 0, {}, rows32));
    ASSERT_EQ(d.err, 0);
    EXPECT_EQ(d.AsImage(), Rows(2, 1, Bytes{1, 2, 3, 10, 20, 30}));
}

TEST_F(BmpTest, Rle8FromImageMagickWithBothHeaderSizes) {
    const Image picture = pxtest::PalettePattern(13, 7, 20);
    for (const char* format : {"bmp3:", ""}) {
        pxtest::WriteFileBytes(m_dir.Path("in.ppm"), pxtest::MakePpm(picture));
        const std::string out = m_dir.Path("rle.bmp");
        ASSERT_TRUE(pxtest::Run("convert " + m_dir.Path("in.ppm") + " -type Palette -compress RLE " + format + out));
        const Bytes file = pxtest::ReadFileBytes(out);
        ASSERT_EQ(Get32(file, 30), 1u) << "RLE8";
        Image expected;
        ASSERT_TRUE(pxtest::ToolImage("convert " + out + " ppm:-", expected));
        EXPECT_EQ(expected, picture);
        pxtest::Decoded d = Decode(ReadBmpToRgb, file);
        EXPECT_EQ(d.err, 0) << format << " header " << Get32(file, 14);
        EXPECT_EQ(d.AsImage(), expected) << format;
        EXPECT_EQ(Decode(ReadBmpTo8Bit, file).err, 7);
    }
}

// Palette of the RLE fixtures: entry 0 is grey, then red, green, blue, white.
const std::vector<std::array<BYTE, 3>> kRlePalette = {{9, 9, 9}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

TEST_F(BmpTest, Rle8EscapesAndCutRuns) {
    // 4 x 3, bottom row first in the data.
    const Bytes data = {
        0x06, 0x01,              // a run of 6 red in a row of 4: cut at the row's end
        0x00, 0x00,              // end of line
        0x00, 0x03, 2, 3, 4, 0,  // absolute run of 3 (green, blue, white) and its pad byte
        0x00, 0x02, 0x02, 0x01,  // delta: 2 right (x = 5, clamped to 4), 1 up: row 0, x 4
        0x00, 0x00,              // end of line... now below row 0 would follow
        0x00, 0x01,              // end of bitmap
    };
    pxtest::Decoded d = Decode(ReadBmpToRgb, MakeBmp(4, 3, 8, 1, kRlePalette, data));
    ASSERT_EQ(d.err, 0);
    const Bytes R = {255, 0, 0}, G = {0, 255, 0}, B = {0, 0, 255}, W = {255, 255, 255}, K = {9, 9, 9};
    Bytes expected;
    for (const Bytes* p : {&K, &K, &K, &K, &G, &B, &W, &K, &R, &R, &R, &R}) expected.insert(expected.end(), p->begin(), p->end());
    EXPECT_EQ(d.AsImage(), Rows(4, 3, expected));
}

TEST_F(BmpTest, Rle4RunsAbsoluteAndDelta) {
    // 5 x 2. Bottom row: a run of 3 alternating 1 / 2, then an absolute run of 3 nibbles (3, 4, 1) in
    // two data bytes (an even count: no pad), its last pixel cut at the row's end. Top row: two whites,
    // a delta of one to the right, a blue. Pixels never written keep entry 0.
    const Bytes data = {
        0x03, 0x12,              // red, green, red
        0x00, 0x03, 0x34, 0x10,  // absolute: blue, white, red (the last nibble unused) -> cut at x = 5
        0x00, 0x00,              // end of line -> top row
        0x02, 0x44,              // white, white
        0x00, 0x02, 0x01, 0x00,  // delta 1 right, 0 down
        0x01, 0x30,              // blue at x = 3
        0x00, 0x01,              // end of bitmap
    };
    pxtest::Decoded d = Decode(ReadBmpToRgb, MakeBmp(5, 2, 4, 2, kRlePalette, data));
    ASSERT_EQ(d.err, 0);
    const Bytes R = {255, 0, 0}, G = {0, 255, 0}, B = {0, 0, 255}, W = {255, 255, 255}, K = {9, 9, 9};
    Bytes expected;
    for (const Bytes* p : {&W, &W, &K, &B, &K, &R, &G, &R, &B, &W}) expected.insert(expected.end(), p->begin(), p->end());
    EXPECT_EQ(d.AsImage(), Rows(5, 2, expected));
}

TEST_F(BmpTest, RleRereadsItsHeadersFromWhereTheReaderBegan) {
    const Bytes file = MakeBmp(2, 1, 8, 1, kRlePalette, Bytes{0x02, 0x03, 0x00, 0x01});
    Bytes behind = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // something else first, even a "BM"
    behind.insert(behind.end(), file.begin(), file.end());
    pxtest::Decoded d = Decode(ReadBmpToRgb, behind, 13);
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.Pixels(3), (Bytes{0, 0, 255, 0, 0, 255}));
}

TEST_F(BmpTest, TruncatedFilesReturnThePartlyFilledBuffer) {
    const Image picture = pxtest::Pattern(6, 4);
    const Bytes file = Make(picture, "ppmtobmp -bpp=24");
    const uint32_t off = Get32(file, 10);
    // Two of four rows (stride 20): the two bottom rows are there, the others are zero.
    const Bytes cut(file.begin(), file.begin() + off + 2 * 20 + 7);
    pxtest::Decoded d = Decode(ReadBmpToRgb, cut);
    EXPECT_EQ(d.err, 3);
    ASSERT_TRUE(d.buffer);
    EXPECT_EQ(d.w, 6u);
    EXPECT_EQ(d.h, 4u);
    Image expected = picture;
    std::fill(expected.rgb.begin(), expected.rgb.begin() + 2 * 18, 0);
    EXPECT_EQ(d.AsImage(), expected);
    // Cut inside the header: nothing.
    for (size_t n : {size_t{10}, size_t{30}}) {
        pxtest::Decoded h = Decode(ReadBmpToRgb, Bytes(file.begin(), file.begin() + static_cast<long>(n)));
        EXPECT_EQ(h.err, 3);
        EXPECT_FALSE(h.buffer);
        EXPECT_EQ(h.w, 0u);
    }
    // An RLE file cut in the middle keeps what it decoded.
    const Bytes rle = MakeBmp(4, 2, 8, 1, kRlePalette, Bytes{0x04, 0x01, 0x00, 0x00, 0x02});
    pxtest::Decoded r = Decode(ReadBmpToRgb, rle);
    EXPECT_EQ(r.err, 3);
    ASSERT_TRUE(r.buffer);
    EXPECT_EQ(r.Pixels(3)[12], 255);  // bottom row red
    EXPECT_EQ(r.Pixels(3)[0], 9);     // top row still entry 0
}

TEST_F(BmpTest, ProgressBeforeEachRowAndAbort) {
    static thread_local std::vector<std::pair<UINT, UINT>> s_calls;
    static thread_local BOOL s_answer;
    SetProgressCallback([](UINT done, UINT total) -> BOOL {
        s_calls.emplace_back(done, total);
        return s_answer;
    });
    const Bytes rows = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
    struct Case {
        int32_t height;
        std::vector<std::pair<UINT, UINT>> calls;
    } cases[] = {{3, {{0, 3}, {1, 3}, {2, 3}}}, {-3, {{2, 3}, {1, 3}, {0, 3}}}};
    for (const Case& c : cases) {
        s_calls.clear();
        s_answer = TRUE;
        EXPECT_EQ(Decode(ReadBmpToRgb, MakeBmp(1, c.height, 24, 0, {}, rows)).err, 0);
        EXPECT_EQ(s_calls, c.calls);
    }
    s_calls.clear();
    s_answer = FALSE;
    pxtest::Decoded d = Decode(ReadBmpToRgb, MakeBmp(1, 3, 24, 0, {}, rows));
    EXPECT_EQ(d.err, 14);
    EXPECT_TRUE(d.buffer);  // returned with the error, nothing converted yet
    EXPECT_EQ(d.Pixels(3), Bytes(9, 0));
    s_answer = -1;  // a negative answer does not stop the BMP reader
    EXPECT_EQ(Decode(ReadBmpToRgb, MakeBmp(1, 3, 24, 0, {}, rows)).err, 0);
    SetProgressCallback(nullptr);
}

TEST_F(BmpTest, WritersAndRoundTrips) {
    // 3 x 1 RGB: 54 header bytes and one row of 9 + 3 pad bytes.
    const BYTE rgb[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    int err = -1;
    const Bytes small = pxtest::Encode(WriteRgbAsBmp, rgb, 3, 1, &err);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(small.size(), 66u);
    EXPECT_EQ(Get32(small, 2), 66u);
    EXPECT_EQ(Get32(small, 34), 12u);
    EXPECT_EQ(Bytes(small.begin() + 54, small.end()), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));

    // Larger pictures read back by bmptopnm and by our reader.
    const Image picture = pxtest::Pattern(17, 9);
    const Bytes file24 = pxtest::Encode(WriteRgbAsBmp, picture.rgb.data(), 17, 9, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(ReadBack(file24, "bmptopnm"), picture);
    EXPECT_EQ(Decode(ReadBmpToRgb, file24).AsImage(), picture);

    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    Bytes indices(17 * 9);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<BYTE>(i * 13);
    const Bytes file8 = pxtest::Encode(Write8BitAsBmp, indices.data(), 17, 9, palette, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(Get32(file8, 10), 1078u);
    EXPECT_EQ(file8.size(), 1078u + 20 * 9);
    pxtest::Decoded back = Decode(ReadBmpTo8Bit, file8);
    EXPECT_EQ(back.Pixels(1), indices);
    EXPECT_EQ(std::memcmp(back.palette, palette, sizeof(palette)), 0);
    Image expanded{17, 9, Bytes(17 * 9 * 3)};
    ASSERT_TRUE(Expand8BitToRgb(indices.data(), expanded.rgb.data(), 17, 9, 0, palette));
    EXPECT_EQ(ReadBack(file8, "bmptopnm"), expanded);
}

TEST_F(BmpTest, WriterFailures) {
    const BYTE rgb[12] = {};
    RGBQUAD palette[256] = {};
    int err = -1;
    struct Run {
        const char* name;
        std::function<Bytes()> run;
        int code;
    } runs[] = {
        {"null pixels", [&] { return pxtest::Encode(WriteRgbAsBmp, nullptr, 2, 2, &err); }, 5},
        {"no palette", [&] { return pxtest::Encode(Write8BitAsBmp, rgb, 2, 2, nullptr, &err); }, 5},
        {"zero width", [&] { return pxtest::Encode(WriteRgbAsBmp, rgb, 0, 2, &err); }, 5},
        {"too wide", [&] { return pxtest::Encode(WriteRgbAsBmp, rgb, 0x80000000u, 1, &err); }, 5},
        {"header does not fit", [&] { return pxtest::Encode(WriteRgbAsBmp, rgb, 2, 2, &err, 54); }, 4},
        {"rows do not fit", [&] { return pxtest::Encode(Write8BitAsBmp, rgb, 2, 2, palette, &err, 1080); }, 4},
    };
    for (const Run& r : runs) {
        err = -1;
        EXPECT_TRUE(r.run().empty()) << r.name;
        EXPECT_EQ(err, r.code) << r.name;
    }
    // An abort stops the writer with 0.
    SetProgressCallback([](UINT, UINT) -> BOOL { return FALSE; });
    EXPECT_TRUE(pxtest::Encode(WriteRgbAsBmp, rgb, 2, 2, &err).empty());
    EXPECT_EQ(err, 14);
    SetProgressCallback(nullptr);
}

TEST_F(BmpTest, HandlesAndArguments) {
    const Bytes file = MakeBmp(1, 1, 24, 0, {}, Bytes{1, 2, 3, 0});
    UINT w = 9, h = 9;
    EXPECT_EQ(ReadBmpToRgb(nullptr, &w, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    SourceHandle src = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
    EXPECT_EQ(ReadBmpToRgb(src, nullptr, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    RGBQUAD palette[256];
    EXPECT_EQ(ReadBmpTo8Bit(src, &w, &h, nullptr), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    src->m_dwHeadMagic = 0x1996;
    EXPECT_EQ(ReadBmpToRgb(src, &w, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 38);
    src->m_dwHeadMagic = 0x03031996;
    // DetectFileFormat first, then back to the start for the reader; a success after failures gives 0.
    EXPECT_EQ(DetectFileFormat(src), FileFormat::Bmp);
    SeekStream(src, 0, 0);
    pxtest::Owned p(ReadBmpToRgb(src, &w, &h));
    EXPECT_TRUE(p);
    EXPECT_EQ(GetLastErrorCode(), 0);
    CloseSource(src);
    EXPECT_EQ(ReadBmpTo8Bit(src, &w, &h, palette), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 38);
    // A sink given to a reader reads nothing; a closed sink is refused before anything is written.
    BYTE mem[64];
    SinkHandle sink = OpenMemorySink(mem, sizeof(mem));
    EXPECT_EQ(ReadBmpToRgb(sink, &w, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 3);
    CloseSink(sink);
    const BYTE rgb[3] = {};
    EXPECT_EQ(WriteRgbAsBmp(sink, rgb, 1, 1), 0u);
    EXPECT_EQ(GetLastErrorCode(), 38);
    EXPECT_EQ(WriteRgbAsBmp(nullptr, rgb, 1, 1), 0u);
    EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST_F(BmpTest, HostileHeaders) {
    const Bytes px = {1, 2, 3, 0};
    // A longer information header puts the palette at 14 + its size.
    const Bytes v3 = MakeBmp(1, 1, 8, 0, {{10, 20, 30}, {40, 50, 60}}, Bytes{1, 0, 0, 0}, 56);
    pxtest::Decoded longer = Decode(ReadBmpToRgb, v3);
    EXPECT_EQ(longer.err, 0);
    EXPECT_EQ(longer.Pixels(3), (Bytes{40, 50, 60}));
    // Entries the file lacks are black.
    pxtest::Decoded missing = Decode(ReadBmpToRgb, MakeBmp(2, 1, 8, 0, {{10, 20, 30}}, Bytes{0, 5, 0, 0}));
    EXPECT_EQ(missing.err, 0);
    EXPECT_EQ(missing.Pixels(3), (Bytes{10, 20, 30, 0, 0, 0}));
    pxtest::Decoded missing8 = Decode(ReadBmpTo8Bit, MakeBmp(2, 1, 8, 0, {{10, 20, 30}}, Bytes{0, 5, 0, 0}));
    EXPECT_EQ(missing8.err, 0);
    EXPECT_EQ(missing8.palette[5].rgbRed, 0);
    EXPECT_EQ(missing8.palette[0].rgbRed, 10);

    struct Case {
        const char* name;
        Bytes file;
        int code;
    } cases[] = {
        {"not BM", [&] { Bytes b = MakeBmp(1, 1, 24, 0, {}, px); b[1] = 'A'; return b; }(), 6},
        {"header under 40", [&] { Bytes b = MakeBmp(1, 1, 24, 0, {}, px); Put32(b, 14, 12); return b; }(), 6},
        {"header past the data", [&] { Bytes b = MakeBmp(1, 1, 24, 0, {}, px); Put32(b, 14, 0x7FFFFFF0); return b; }(), 6},
        {"header past 2 GB", [&] { Bytes b = MakeBmp(1, 1, 24, 0, {}, px); Put32(b, 14, 0xFFFFFFF0); return b; }(), 6},
        {"width 0", MakeBmp(0, 1, 24, 0, {}, px), 6},
        {"width negative", MakeBmp(-3, 1, 24, 0, {}, px), 6},
        {"height 0", MakeBmp(1, 0, 24, 0, {}, px), 6},
        {"2 bits", MakeBmp(1, 1, 2, 0, {{1, 1, 1}}, px), 6},
        {"bit fields", MakeBmp(1, 1, 32, 3, {}, px), 6},
        {"RLE8 with 4 bits", MakeBmp(1, 1, 4, 1, {}, px), 6},
        {"RLE top-down", MakeBmp(1, -1, 8, 1, {}, Bytes{0, 1}), 6},
        {"pixel offset past the end", [&] { Bytes b = MakeBmp(1, 1, 24, 0, {}, px); Put32(b, 10, 0x10000); return b; }(), 6},
        {"pixel offset 2 GB on", [&] { Bytes b = MakeBmp(1, 1, 24, 0, {}, px); Put32(b, 10, 0x80000000u); return b; }(), 6},
        {"pixel offset 4 GB on", [&] { Bytes b = MakeBmp(1, 1, 24, 0, {}, px); Put32(b, 10, 0xFFFFFFFFu); return b; }(), 6},
        {"huge 24-bit", MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, {}, px), 1},
        {"height INT_MIN", MakeBmp(2, INT32_MIN, 24, 0, {}, px), 1},
        {"huge RLE", MakeBmp(60000, 60000, 8, 1, kRlePalette, Bytes{0, 1}), 1},
        {"palette short", MakeBmp(1, 1, 8, 0, {}, Bytes{}, 40, 16), 3},
    };
    for (const Case& c : cases) {
        pxtest::Decoded d = Decode(ReadBmpToRgb, c.file);
        EXPECT_EQ(d.err, c.code) << c.name;
        EXPECT_FALSE(d.buffer) << c.name;
        EXPECT_EQ(d.w, 0u) << c.name;
        EXPECT_EQ(d.h, 0u) << c.name;
    }

    // RLE deltas far past the image are clamped: x to the width, the row stops at -1.
    const Bytes wild = {0x00, 0x02, 0xFF, 0xFF, 0x02, 0x01, 0x00, 0x02, 0xFF, 0xFF, 0x00, 0x00, 0x05, 0x02, 0x00, 0x01};
    pxtest::Decoded w = Decode(ReadBmpToRgb, MakeBmp(3, 2, 8, 1, kRlePalette, wild));
    EXPECT_EQ(w.err, 0);
    EXPECT_EQ(w.Pixels(3), Bytes(18, 9));

    // A tiny RLE file declaring a large image fails at once under a lowered limit.
    px::SetAllocationLimitForTesting(1 << 20);
    EXPECT_EQ(Decode(ReadBmpToRgb, MakeBmp(1000, 1000, 8, 1, kRlePalette, Bytes{0, 1})).err, 1);
    EXPECT_EQ(Decode(ReadBmpTo8Bit, MakeBmp(2000, 1000, 8, 0, kRlePalette, Bytes{0, 1})).err, 1);
    px::SetAllocationLimitForTesting(0);
}

}  // namespace
