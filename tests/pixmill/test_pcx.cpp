// The PCX codec against ppmtopcx / pcxtoppm and small hand-made files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "pixmill/pxalloc.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Decode;
using pxtest::Image;

// A PCX file: the 128-byte header and the given data (already run-length coded).
Bytes MakePcx(UINT w, UINT h, BYTE bits, BYTE planes, UINT bytesPerLine, const Bytes& data, BYTE version = 5) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = version;
    b[2] = 1;
    b[3] = bits;
    b[8] = static_cast<BYTE>(w - 1);
    b[9] = static_cast<BYTE>((w - 1) >> 8);
    b[10] = static_cast<BYTE>(h - 1);
    b[11] = static_cast<BYTE>((h - 1) >> 8);
    b[65] = planes;
    b[66] = static_cast<BYTE>(bytesPerLine);
    b[67] = static_cast<BYTE>(bytesPerLine >> 8);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

class PcxTest : public pxtest::ToolTest {
protected:
    Bytes MakePcxWith(const Image& picture, const std::string& options) { return Make(picture, "ppmtopcx " + options); }
    Image Expected(const Bytes& file) { return ReadBack(file, "pcxtoppm"); }
};

Image Expand(const pxtest::Decoded& d) {
    const Bytes indices = d.Pixels(1);
    Image image{d.w, d.h, Bytes(indices.size() * 3)};
    for (size_t i = 0; i < indices.size(); ++i) {
        image.rgb[3 * i] = d.palette[indices[i]].rgbRed;
        image.rgb[3 * i + 1] = d.palette[indices[i]].rgbGreen;
        image.rgb[3 * i + 2] = d.palette[indices[i]].rgbBlue;
    }
    return image;
}

TEST_F(PcxTest, LayoutsOfPpmtopcx) {
    struct Case {
        const char* options;
        UINT colors;   // 0: a full-colour picture
        BYTE bits, planes;
        bool b8;       // the 8-bit reader accepts it
    } cases[] = {
        {"-24bit", 0, 8, 3, false},
        {"-8bit", 200, 8, 1, true},
        {"", 16, 1, 4, true},        // 16 colours in four 1-bit planes
        {"-packed", 16, 4, 1, true}, // 16 colours packed two to a byte
    };
    for (const Case& c : cases) {
        const Image picture = c.colors ? pxtest::PalettePattern(13, 7, c.colors) : pxtest::Pattern(13, 7);
        const Bytes file = MakePcxWith(picture, c.options);
        ASSERT_GT(file.size(), 128u) << c.options;
        ASSERT_EQ(file[3], c.bits) << c.options;
        ASSERT_EQ(file[65], c.planes) << c.options;
        const Image expected = Expected(file);
        EXPECT_EQ(expected, picture) << c.options;
        pxtest::Decoded rgb = Decode(ReadPcxToRgb, file);
        EXPECT_EQ(rgb.err, 0) << c.options;
        EXPECT_EQ(rgb.AsImage(), expected) << c.options;
        pxtest::Decoded pal = Decode(ReadPcxTo8Bit, file);
        if (!c.b8) {
            EXPECT_EQ(pal.err, 28);
            EXPECT_FALSE(pal.buffer);
            continue;
        }
        EXPECT_EQ(pal.err, 0) << c.options;
        EXPECT_EQ(Expand(pal), expected) << c.options;
    }
}

TEST_F(PcxTest, OneBitIsBlackAndWhiteWhateverThePaletteSays) {
    // Width 10: all ten pixels of every row convert. The picture's two colours are not black and white.
    const Image picture = pxtest::PalettePattern(10, 3, 2);
    const Bytes file = MakePcxWith(picture, "");
    ASSERT_GT(file.size(), 128u);
    ASSERT_EQ(file[3], 1);
    ASSERT_EQ(file[65], 1);
    const Image tool = Expected(file);
    EXPECT_EQ(tool, picture);
    // The header palette's entry 0 is the picture's first colour; every pixel of that colour reads black.
    const BYTE* zero = &file[16];
    Image expected = tool;
    for (size_t i = 0; i < expected.rgb.size(); i += 3) {
        const bool bIsZero = std::memcmp(&tool.rgb[i], zero, 3) == 0;
        std::memset(&expected.rgb[i], bIsZero ? 0 : 255, 3);
    }
    pxtest::Decoded d = Decode(ReadPcxToRgb, file);
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.AsImage(), expected);
}

TEST_F(PcxTest, PaletteFromFileAndFromMemoryAgree) {
    const Image picture = pxtest::PalettePattern(21, 11, 256, 7);
    const Bytes file = MakePcxWith(picture, "-8bit");
    pxtest::WriteFileBytes(m_dir.Path("p.pcx"), file);
    SourceHandle src = OpenFileSource(m_dir.Path("p.pcx").c_str());
    pxtest::Decoded fromFile;
    fromFile.buffer = pxtest::Owned(ReadPcxTo8Bit(src, &fromFile.w, &fromFile.h, fromFile.palette));
    EXPECT_EQ(GetLastErrorCode(), 0);
    CloseSource(src);
    pxtest::Decoded fromMemory = Decode(ReadPcxTo8Bit, file);
    EXPECT_EQ(fromMemory.err, 0);
    EXPECT_EQ(std::memcmp(fromFile.palette, fromMemory.palette, sizeof(fromFile.palette)), 0);
    EXPECT_EQ(fromFile.Pixels(1), fromMemory.Pixels(1));
    EXPECT_EQ(Expand(fromMemory), picture);
    // The reader rewinds: a source positioned elsewhere reads the same.
    EXPECT_EQ(Decode(ReadPcxToRgb, file, 100).AsImage(), picture);
}

TEST_F(PcxTest, RunsAreCutAtTheLineEnd) {
    // 2 x 2, one 8-bit plane. A run of 3 in a line of 2 drops its third byte: the second line starts with
    // the next code. Without a 256-colour table the palette is a grey ramp.
    const Bytes file = MakePcx(2, 2, 8, 1, 2, Bytes{0xC3, 5, 7, 8});
    pxtest::Decoded d = Decode(ReadPcxToRgb, file);
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.Pixels(3), (Bytes{5, 5, 5, 5, 5, 5, 7, 7, 7, 8, 8, 8}));
    // Data that ends early decodes as zeros, without an error.
    pxtest::Decoded early = Decode(ReadPcxToRgb, MakePcx(2, 2, 8, 1, 2, Bytes{0xC1, 9}));
    EXPECT_EQ(early.err, 0);
    EXPECT_EQ(early.Pixels(3), (Bytes{9, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Long lines over little data: 65535 lines of 8 planes x 16000 bytes declared, one byte given. The
    // lines past the data are zeros (and cost no more than the output).
    pxtest::Decoded tall = Decode(ReadPcxToRgb, MakePcx(1, 65535, 1, 8, 16000, Bytes{0x00}));
    EXPECT_EQ(tall.err, 0);
    EXPECT_EQ(tall.Pixels(3), Bytes(65535 * 3, 0));
    // Two and three pixel bits are layouts the reader does not decode: every value is 0.
    for (BYTE planes : {BYTE{2}, BYTE{3}}) {
        pxtest::Decoded zero = Decode(ReadPcxTo8Bit, MakePcx(8, 1, 1, planes, 1, Bytes{0xFF, 0xAA, 0x55}));
        EXPECT_EQ(zero.err, 0);
        EXPECT_EQ(zero.Pixels(1), Bytes(8, 0));
    }
}

TEST_F(PcxTest, EveryCombinationOfBitsAndPlanes) {
    // One outcome per plane count 0 to 4: D decodes, Z every pixel reads 0, P refused with BadPcx (22),
    // W refused with WrongBitDepth (28).
    struct Row {
        BYTE bits;
        const char* rgb;    // ReadPcxToRgb
        const char* eight;  // ReadPcxTo8Bit
    } rows[] = {
        {0, "PPPPP", "PPPPP"},
        {1, "PDZZD", "PDZZD"},  // 2 and 3 one-bit planes are layouts of 2 and 3 pixel bits
        {2, "PZZZZ", "PZZZZ"},
        {3, "PZZZZ", "PZZWW"},
        {4, "PDZZZ", "PDZWW"},
        {8, "PDZDP", "PDWWW"},  // 8 x 3 is RGB; 8 x 4 is 32 bits
        {9, "PZZPP", "PWWWW"},
    };
    // What pixel 0 of the decoding layouts reads: its value and its colour. The planes hold the bytes
    // 0xB5, 0xB6, 0xB7, 0xB8; the header palette's entry i is (0x10 + i, 0x20 + i, 0x30 + i).
    struct Decoded0 {
        BYTE bits, planes;
        BYTE value;
        BYTE rgb[3];
    } decoded[] = {
        {1, 1, 1, {255, 255, 255}},       // one pixel bit: black and white
        {1, 4, 15, {0x1F, 0x2F, 0x3F}},   // bit 7 of every plane
        {4, 1, 0xB, {0x1B, 0x2B, 0x3B}},  // the high nibble
        {8, 1, 0xB5, {0xB5, 0xB5, 0xB5}}, // no 256-colour table: the grey ramp
        {8, 3, 0, {0xB5, 0xB6, 0xB7}},    // red, green, blue from planes 0, 1, 2
    };
    constexpr UINT kW = 8, kH = 2;
    for (const Row& row : rows) {
        for (BYTE planes = 0; planes <= 4; ++planes) {
            const UINT bytesPerLine = std::max<UINT>(1, row.bits);  // 8 pixels of `bits` bits
            Bytes data;
            for (UINT y = 0; y < kH; ++y)
                for (UINT p = 0; p < planes; ++p) data.insert(data.end(), bytesPerLine, static_cast<BYTE>(0xB5 + p));
            Bytes file = MakePcx(kW, kH, row.bits, planes, bytesPerLine, data);
            for (BYTE i = 0; i < 16; ++i) {
                file[16 + 3 * i] = static_cast<BYTE>(0x10 + i);
                file[17 + 3 * i] = static_cast<BYTE>(0x20 + i);
                file[18 + 3 * i] = static_cast<BYTE>(0x30 + i);
            }
            const UINT pixelBits = UINT{row.bits} * planes;
            // The colour of entry 0: the header's for fewer than 8 pixel bits, else the grey ramp's.
            const Bytes zero = pixelBits < 8 ? Bytes{0x10, 0x20, 0x30} : Bytes{0, 0, 0};
            const Decoded0* d0 = nullptr;
            for (const Decoded0& d : decoded)
                if (d.bits == row.bits && d.planes == planes) d0 = &d;
            for (bool b8 : {false, true}) {
                SCOPED_TRACE(::testing::Message() << int{row.bits} << " bits x " << int{planes} << " planes, "
                                                  << (b8 ? "8-bit" : "RGB"));
                const char outcome = (b8 ? row.eight : row.rgb)[planes];
                const pxtest::Decoded r = b8 ? Decode(ReadPcxTo8Bit, file) : Decode(ReadPcxToRgb, file);
                if (outcome == 'P' || outcome == 'W') {
                    EXPECT_EQ(r.err, outcome == 'P' ? 22 : 28);
                    EXPECT_FALSE(r.buffer);
                    EXPECT_EQ(r.w + r.h, 0u);
                    continue;
                }
                ASSERT_EQ(r.err, 0);
                ASSERT_TRUE(r.buffer);
                ASSERT_EQ(r.w, kW);
                ASSERT_EQ(r.h, kH);
                const Bytes pixels = r.Pixels(b8 ? 1 : 3);
                ASSERT_EQ(outcome == 'D', d0 != nullptr);
                if (outcome == 'Z') {
                    for (size_t i = 0; i < size_t{kW} * kH; ++i) {
                        if (b8) {
                            ASSERT_EQ(pixels[i], 0) << i;
                        } else {
                            ASSERT_EQ(Bytes(pixels.begin() + 3 * i, pixels.begin() + 3 * i + 3), zero) << i;
                        }
                    }
                } else if (b8) {
                    EXPECT_EQ(pixels[0], d0->value);
                } else {
                    EXPECT_EQ(Bytes(pixels.begin(), pixels.begin() + 3), Bytes(d0->rgb, d0->rgb + 3));
                }
            }
        }
    }
}

TEST_F(PcxTest, WritersAndRuns) {
    // A run of 100 equal bytes is written as 63 and 37.
    const Bytes same(100, 0x42);
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i / 2), BYTE(255 - i), 0};
    int err = -1;
    const Bytes runs = pxtest::Encode(Write8BitAsPcx, same.data(), 100, 1, palette, &err);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(runs.size(), 128u + 4 + 769);
    EXPECT_EQ(Bytes(runs.begin() + 128, runs.begin() + 132), (Bytes{0xFF, 0x42, 0xE5, 0x42}));
    EXPECT_EQ(runs[132], 0x0C);
    EXPECT_EQ(Bytes(runs.begin() + 133, runs.begin() + 136), (Bytes{255, 0, 0}));
    // RGB of width 3: bytes per line 4, each plane padded with a zero.
    const BYTE rgb[9] = {1, 2, 3, 4, 5, 6, 0xC7, 8, 9};
    const Bytes three = pxtest::Encode(WriteRgbAsPcx, rgb, 3, 1, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(three[66], 4);
    EXPECT_EQ(three[65], 3);
    EXPECT_EQ(Bytes(three.begin() + 128, three.end()),
              (Bytes{1, 4, 0xC1, 0xC7, 0, 2, 5, 8, 0, 3, 6, 9, 0}));  // 0xC7 alone must be coded as a run

    // Round trips read back by pcxtoppm and our reader.
    const Image picture = pxtest::Pattern(31, 9);
    const Bytes file = pxtest::Encode(WriteRgbAsPcx, picture.rgb.data(), 31, 9, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(Expected(file), picture);
    EXPECT_EQ(Decode(ReadPcxToRgb, file).AsImage(), picture);
    Bytes indices(31 * 9);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<BYTE>(i % 7 ? i : 0);
    const Bytes file8 = pxtest::Encode(Write8BitAsPcx, indices.data(), 31, 9, palette, &err);
    EXPECT_EQ(err, 0);
    pxtest::Decoded back = Decode(ReadPcxTo8Bit, file8);
    EXPECT_EQ(back.Pixels(1), indices);
    EXPECT_EQ(Expand(back), Expected(file8));

    struct Bad {
        const char* name;
        UINT w, h;
        bool b8;
        bool palette;
        UINT capacity;
        int code;
    } bad[] = {
        {"no palette", 2, 2, true, false, 1 << 20, 5}, {"zero width", 0, 2, false, true, 1 << 20, 5},
        {"too wide", 65535, 1, false, true, 1 << 20, 5}, {"small sink", 2, 2, false, true, 130, 4},
    };
    const Bytes pixels(12, 0);
    for (const Bad& b : bad) {
        err = -1;
        const Bytes out = b.b8 ? pxtest::Encode(Write8BitAsPcx, pixels.data(), b.w, b.h, b.palette ? palette : nullptr,
                                                &err, b.capacity)
                               : pxtest::Encode(WriteRgbAsPcx, pixels.data(), b.w, b.h, &err, b.capacity);
        EXPECT_TRUE(out.empty()) << b.name;
        EXPECT_EQ(err, b.code) << b.name;
    }
}

TEST_F(PcxTest, ProgressAbortAndHostileHeaders) {
    static thread_local std::vector<std::pair<UINT, UINT>> s_calls;
    static thread_local BOOL s_answer;
    SetProgressCallback([](UINT done, UINT total) -> BOOL {
        s_calls.emplace_back(done, total);
        return s_answer;
    });
    const Bytes file = MakePcx(2, 3, 8, 1, 2, Bytes{0xC2, 1, 0xC2, 2, 0xC2, 3});
    s_answer = TRUE;
    EXPECT_EQ(Decode(ReadPcxToRgb, file).err, 0);
    EXPECT_EQ(s_calls, (std::vector<std::pair<UINT, UINT>>{{0, 3}, {1, 3}, {2, 3}}));
    s_answer = -1;  // 0 or less stops the PCX reader, which returns the rows done
    pxtest::Decoded d = Decode(ReadPcxToRgb, file);
    EXPECT_EQ(d.err, 14);
    ASSERT_TRUE(d.buffer);
    EXPECT_EQ(d.Pixels(3), (Bytes{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    const BYTE rgb[12] = {};
    int err = 0;
    EXPECT_TRUE(pxtest::Encode(WriteRgbAsPcx, rgb, 2, 2, &err).empty());
    EXPECT_EQ(err, 14);
    SetProgressCallback(nullptr);

    struct Case {
        const char* name;
        Bytes file;
        int code;
    } cases[] = {
        {"short header", Bytes(100, 10), 22},
        {"manufacturer", [] { Bytes b = MakePcx(2, 2, 8, 1, 2, {}); b[0] = 11; return b; }(), 22},
        {"version 4", MakePcx(2, 2, 8, 1, 2, {}, 4), 22},
        {"x max below x min", [] { Bytes b = MakePcx(2, 2, 8, 1, 2, {}); b[4] = 9; return b; }(), 22},
        {"y max below y min", [] { Bytes b = MakePcx(2, 2, 8, 1, 2, {}); b[6] = 9; return b; }(), 22},
        {"line too short", MakePcx(9, 2, 8, 1, 8, {}), 22},
        {"1-bit line too short", MakePcx(17, 2, 1, 1, 2, {}), 22},
        {"32 bits", MakePcx(2, 2, 8, 4, 2, {}), 22},
        {"no planes", MakePcx(2, 2, 8, 0, 2, {0xC4, 7}), 22},
        {"no bits per plane", MakePcx(2, 2, 0, 1, 2, {0xC4, 7}), 22},
        {"huge", MakePcx(65535, 65535, 8, 3, 65535, {0xC1, 0}), 1},
    };
    for (const Case& c : cases) {
        pxtest::Decoded r = Decode(ReadPcxToRgb, c.file);
        EXPECT_EQ(r.err, c.code) << c.name;
        EXPECT_FALSE(r.buffer) << c.name;
        EXPECT_EQ(r.w, 0u) << c.name;
    }
    EXPECT_EQ(Decode(ReadPcxTo8Bit, MakePcx(2, 2, 8, 3, 2, {})).err, 28);
    px::SetAllocationLimitForTesting(1 << 20);
    EXPECT_EQ(Decode(ReadPcxTo8Bit, MakePcx(2000, 1000, 8, 1, 2000, {0xC1, 0})).err, 1);
    px::SetAllocationLimitForTesting(0);
}

}  // namespace
