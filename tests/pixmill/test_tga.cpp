// The TGA codec against pamtotga / tgatoppm and small hand-made files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pixmill/pxalloc.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Decode;
using pxtest::Image;

struct TgaSpec {
    BYTE type = 2;
    BYTE bits = 24;
    UINT w = 1, h = 1;
    BYTE descriptor = 0x20;
    BYTE mapType = 0;
    UINT mapFirst = 0, mapLength = 0;
    BYTE mapBits = 0;
    Bytes id;
};

// A TGA file: the header of `s`, its ID, then `rest` (colour map and pixel data).
Bytes MakeTga(const TgaSpec& s, const Bytes& rest) {
    Bytes b(18, 0);
    b[0] = static_cast<BYTE>(s.id.size());
    b[1] = s.mapType;
    b[2] = s.type;
    b[3] = static_cast<BYTE>(s.mapFirst);
    b[4] = static_cast<BYTE>(s.mapFirst >> 8);
    b[5] = static_cast<BYTE>(s.mapLength);
    b[6] = static_cast<BYTE>(s.mapLength >> 8);
    b[7] = s.mapBits;
    b[12] = static_cast<BYTE>(s.w);
    b[13] = static_cast<BYTE>(s.w >> 8);
    b[14] = static_cast<BYTE>(s.h);
    b[15] = static_cast<BYTE>(s.h >> 8);
    b[16] = s.bits;
    b[17] = s.descriptor;
    b.insert(b.end(), s.id.begin(), s.id.end());
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

class TgaTest : public pxtest::ToolTest {
protected:
    Bytes MakeTgaWith(const Image& picture, const std::string& options) { return Make(picture, "pamtotga " + options); }
    Image Expected(const Bytes& file) { return ReadBack(file, "tgatoppm"); }
};

TEST_F(TgaTest, TypesOfPamtotga) {
    struct Case {
        const char* options;
        UINT colors;
        BYTE type;
        bool b8;
    } cases[] = {
        {"-rgb -norle", 0, 2, false}, {"-rgb", 0, 10, false},  {"-cmap -norle", 40, 1, true},
        {"-cmap", 40, 9, true},       {"-mono -norle", 0, 3, false}, {"-mono", 0, 11, false},
    };
    for (const Case& c : cases) {
        Image picture = c.colors ? pxtest::PalettePattern(23, 9, c.colors) : pxtest::Pattern(23, 9);
        if (std::string(c.options).find("mono") != std::string::npos)
            for (size_t i = 0; i < picture.rgb.size(); i += 3) picture.rgb[i + 1] = picture.rgb[i + 2] = picture.rgb[i];
        const Bytes file = MakeTgaWith(picture, c.options);
        ASSERT_GT(file.size(), 18u) << c.options;
        ASSERT_EQ(file[2], c.type) << c.options;
        ASSERT_EQ(file[17] & 0x20, 0) << "pamtotga writes the bottom row first";
        const Image expected = Expected(file);
        EXPECT_EQ(expected, picture) << c.options;
        pxtest::Decoded d = Decode(ReadTgaToRgb, file);
        EXPECT_EQ(d.err, 0) << c.options;
        EXPECT_EQ(d.AsImage(), expected) << c.options;
        pxtest::Decoded pal = Decode(ReadTgaTo8Bit, file);
        if (!c.b8) {
            EXPECT_EQ(pal.err, 28) << c.options;
            continue;
        }
        ASSERT_EQ(pal.err, 0) << c.options;
        const Bytes indices = pal.Pixels(1);
        Image expanded{pal.w, pal.h, Bytes(indices.size() * 3)};
        for (size_t i = 0; i < indices.size(); ++i) {
            expanded.rgb[3 * i] = pal.palette[indices[i]].rgbRed;
            expanded.rgb[3 * i + 1] = pal.palette[indices[i]].rgbGreen;
            expanded.rgb[3 * i + 2] = pal.palette[indices[i]].rgbBlue;
        }
        EXPECT_EQ(expanded, expected) << c.options;
    }
}

TEST_F(TgaTest, BothOriginsAndPacketsAcrossRows) {
    // 3 x 2 true colour, top row first in the file: red, green, blue / white, black, grey.
    const Bytes pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    const Bytes top = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    const Bytes bottom = {255, 255, 255, 0, 0, 0, 128, 128, 128};
    TgaSpec s;
    s.w = 3;
    s.h = 2;
    s.id = {'i', 'd'};
    Bytes topFirst = top, bottomFirst = bottom;
    topFirst.insert(topFirst.end(), bottom.begin(), bottom.end());
    bottomFirst.insert(bottomFirst.end(), top.begin(), top.end());
    EXPECT_EQ(Decode(ReadTgaToRgb, MakeTga(s, pixels)).Pixels(3), topFirst);
    s.descriptor = 0;  // bottom-left origin: the last file row is buffer row 0
    EXPECT_EQ(Decode(ReadTgaToRgb, MakeTga(s, pixels)).Pixels(3), bottomFirst);

    // Run-length: a run of 4 yellow crosses from the first row into the second, then 2 raw pixels.
    s.type = 10;
    s.descriptor = 0x20;
    const Bytes rle = {0x83, 0, 255, 255, 0x01, 255, 0, 0, 0, 0, 255};
    pxtest::Decoded d = Decode(ReadTgaToRgb, MakeTga(s, rle));
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.Pixels(3), (Bytes{255, 255, 0, 255, 255, 0, 255, 255, 0, 255, 255, 0, 0, 0, 255, 255, 0, 0}));
    // A packet running past the image's end is cut there.
    const Bytes overlong = {0xFF, 1, 2, 3};
    d = Decode(ReadTgaToRgb, MakeTga(s, overlong));
    EXPECT_EQ(d.err, 0);
    const Bytes cutRun = d.Pixels(3);
    for (size_t i = 0; i < 18; i += 3) EXPECT_EQ(Bytes(cutRun.begin() + i, cutRun.begin() + i + 3), (Bytes{3, 2, 1}));
}

TEST_F(TgaTest, SixteenBitPixelsAndMapsUseTimesEight) {
    // 15/16 bits: five bits a channel times 8 (at most 248), the top bit ignored.
    TgaSpec s;
    s.bits = 16;
    s.w = 3;
    const Bytes px16 = {0xFF, 0xFF, 0x00, 0x7C, 0x21, 0x04};  // 0xFFFF, 0x7C00, 0x0421
    pxtest::Decoded d = Decode(ReadTgaToRgb, MakeTga(s, px16));
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.Pixels(3), (Bytes{248, 248, 248, 248, 0, 0, 8, 8, 8}));
    // A colour map of 16-bit entries from pamtotga -cmap16; expected from the rule on its own entries.
    const Image picture = pxtest::PalettePattern(7, 5, 12);
    const Bytes file = MakeTgaWith(picture, "-cmap16 -norle");
    ASSERT_GT(file.size(), 18u);
    ASSERT_EQ(file[7], 15);
    const size_t mapAt = 18 + file[0];
    const UINT first = file[3] | (file[4] << 8);
    ASSERT_EQ(first, 0u);
    const size_t pixelsAt = mapAt + 2 * (file[5] | (file[6] << 8));
    Image expected{7, 5, Bytes(7 * 5 * 3)};
    for (UINT y = 0; y < 5; ++y)
        for (UINT x = 0; x < 7; ++x) {
            const BYTE index = file[pixelsAt + (4 - y) * 7 + x];  // bottom row first
            const UINT v = file[mapAt + 2 * index] | (file[mapAt + 2 * index + 1] << 8);
            BYTE* p = &expected.rgb[(y * 7 + x) * 3];
            p[0] = static_cast<BYTE>(((v >> 10) & 31) * 8);
            p[1] = static_cast<BYTE>(((v >> 5) & 31) * 8);
            p[2] = static_cast<BYTE>((v & 31) * 8);
        }
    d = Decode(ReadTgaToRgb, file);
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.AsImage(), expected);
}

TEST_F(TgaTest, ColourMapPositionsAndGreyWithAMap) {
    // A map of 3 entries starting at index 254: 254 and 255 are kept, the third is read and dropped.
    TgaSpec s;
    s.type = 1;
    s.bits = 8;
    s.w = 3;
    s.mapType = 1;
    s.mapFirst = 254;
    s.mapLength = 3;
    s.mapBits = 24;
    const Bytes rest = {30, 20, 10, 60, 50, 40, 90, 80, 70, 254, 255, 7};
    pxtest::Decoded d = Decode(ReadTgaToRgb, MakeTga(s, rest));
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.Pixels(3), (Bytes{10, 20, 30, 40, 50, 60, 0, 0, 0}));
    pxtest::Decoded pal = Decode(ReadTgaTo8Bit, MakeTga(s, rest));
    EXPECT_EQ(pal.err, 0);
    EXPECT_EQ(pal.Pixels(1), (Bytes{254, 255, 7}));
    EXPECT_EQ(pal.palette[255].rgbRed, 40);
    EXPECT_EQ(pal.palette[255].rgbBlue, 60);
    EXPECT_EQ(pal.palette[7].rgbRed, 0);
    // A grey run-length image (type 11) with a map present is not colour-mapped: its bytes are grey.
    s.type = 11;
    const Bytes grey = {30, 20, 10, 60, 50, 40, 90, 80, 70, 0x82, 77};
    d = Decode(ReadTgaToRgb, MakeTga(s, grey));
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.Pixels(3), Bytes(9, 77));
    EXPECT_EQ(Decode(ReadTgaTo8Bit, MakeTga(s, grey)).err, 28);
}

TEST_F(TgaTest, WritersRoundTrip) {
    const Image picture = pxtest::Pattern(19, 6);
    int err = -1;
    const Bytes file = pxtest::Encode(WriteRgbAsTga, picture.rgb.data(), 19, 6, &err);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(file.size(), 18u + 19 * 6 * 3);
    EXPECT_EQ(file[17], 0x20);
    EXPECT_EQ(Expected(file), picture);
    EXPECT_EQ(Decode(ReadTgaToRgb, file).AsImage(), picture);

    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i * 3), BYTE(i), BYTE(255 - i), 0};
    Bytes indices(19 * 6);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<BYTE>(i * 11);
    const Bytes file8 = pxtest::Encode(Write8BitAsTga, indices.data(), 19, 6, palette, &err);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(file8.size(), 18u + 768 + 19 * 6);
    EXPECT_EQ(file8[17], 0x28);
    pxtest::Decoded back = Decode(ReadTgaTo8Bit, file8);
    EXPECT_EQ(back.err, 0);
    EXPECT_EQ(back.Pixels(1), indices);
    EXPECT_EQ(std::memcmp(back.palette, palette, sizeof(palette)), 0);
    Image expanded{19, 6, Bytes(19 * 6 * 3)};
    ASSERT_TRUE(Expand8BitToRgb(indices.data(), expanded.rgb.data(), 19, 6, 0, palette));
    EXPECT_EQ(Expected(file8), expanded);

    struct Bad {
        const char* name;
        UINT w, h;
        bool b8, palette;
        UINT capacity;
        int code;
    } bad[] = {{"no palette", 2, 2, true, false, 1 << 20, 5}, {"zero height", 2, 0, false, true, 1 << 20, 5},
               {"too wide", 65536, 1, false, true, 1 << 20, 5}, {"small sink", 2, 2, false, true, 24, 4}};
    const Bytes pixels(12, 0);
    for (const Bad& b : bad) {
        err = -1;
        const Bytes out = b.b8 ? pxtest::Encode(Write8BitAsTga, pixels.data(), b.w, b.h, b.palette ? palette : nullptr,
                                                &err, b.capacity)
                               : pxtest::Encode(WriteRgbAsTga, pixels.data(), b.w, b.h, &err, b.capacity);
        EXPECT_TRUE(out.empty()) << b.name;
        EXPECT_EQ(err, b.code) << b.name;
    }
}

TEST_F(TgaTest, FailuresFreeTheBuffer) {
    TgaSpec s;
    s.w = 2;
    s.h = 2;
    const Bytes full(12, 9);
    // Truncated: code 3, no buffer, width and height 0.
    pxtest::Decoded cut = Decode(ReadTgaToRgb, MakeTga(s, Bytes(full.begin(), full.begin() + 7)));
    EXPECT_EQ(cut.err, 3);
    EXPECT_FALSE(cut.buffer);
    EXPECT_EQ(cut.w, 0u);
    EXPECT_EQ(cut.h, 0u);

    static thread_local BOOL s_answer;
    SetProgressCallback([](UINT, UINT) -> BOOL { return s_answer; });
    s_answer = -1;  // the RGB reader stops only on 0
    EXPECT_EQ(Decode(ReadTgaToRgb, MakeTga(s, full)).err, 0);
    s_answer = 0;
    pxtest::Decoded aborted = Decode(ReadTgaToRgb, MakeTga(s, full));
    EXPECT_EQ(aborted.err, 14);
    EXPECT_FALSE(aborted.buffer);
    EXPECT_EQ(aborted.w, 0u);
    TgaSpec m;
    m.type = 1;
    m.bits = 8;
    m.mapType = 1;
    m.mapLength = 1;
    m.mapBits = 24;
    s_answer = -1;  // the 8-bit reader stops on 0 or less
    EXPECT_EQ(Decode(ReadTgaTo8Bit, MakeTga(m, Bytes{1, 2, 3, 0})).err, 14);
    SetProgressCallback(nullptr);

    auto with = [](TgaSpec spec, auto change) {
        change(spec);
        return spec;
    };
    struct Case {
        const char* name;
        TgaSpec spec;
        Bytes rest;
        int code;
    } cases[] = {
        {"short header", s, {}, 3},
        {"type 0", with(s, [](TgaSpec& t) { t.type = 0; }), full, 32},
        {"type 4", with(s, [](TgaSpec& t) { t.type = 4; }), full, 32},
        {"depth 12", with(s, [](TgaSpec& t) { t.bits = 12; }), full, 32},
        {"depth 33", with(s, [](TgaSpec& t) { t.bits = 33; }), full, 32},
        {"width 0", with(s, [](TgaSpec& t) { t.w = 0; }), full, 32},
        {"height 0", with(s, [](TgaSpec& t) { t.h = 0; }), full, 32},
        {"map entries of 12 bits", with(s, [](TgaSpec& t) { t.mapType = 1; t.mapLength = 1; t.mapBits = 12; }), full, 32},
        {"index past the palette", with(s, [](TgaSpec& t) { t.type = 1; t.bits = 16; t.mapType = 1; t.mapLength = 1; t.mapBits = 24; }),
         Bytes{1, 2, 3, 0x2C, 0x01, 0, 0, 0, 0, 0, 0}, 32},
        {"map short", with(s, [](TgaSpec& t) { t.type = 1; t.bits = 8; t.mapType = 1; t.mapLength = 300; t.mapBits = 32; }), full, 3},
        {"ID short", with(s, [](TgaSpec& t) { t.id = Bytes(40, 1); }), {}, 3},
        {"huge", with(s, [](TgaSpec& t) { t.w = 65535; t.h = 65535; }), full, 1},
    };
    for (const Case& c : cases) {
        Bytes file = MakeTga(c.spec, c.rest);
        if (std::string(c.name) == "short header") file.resize(17);
        if (std::string(c.name) == "ID short") file.resize(30);
        pxtest::Decoded d = Decode(ReadTgaToRgb, file);
        EXPECT_EQ(d.err, c.code) << c.name;
        EXPECT_FALSE(d.buffer) << c.name;
        EXPECT_EQ(d.w, 0u) << c.name;
    }
    // The 8-bit reader needs a colour-mapped image of 8 bits or less, with its map.
    EXPECT_EQ(Decode(ReadTgaTo8Bit, MakeTga(s, full)).err, 28);
    EXPECT_EQ(Decode(ReadTgaTo8Bit, MakeTga(with(s, [](TgaSpec& t) { t.type = 1; t.bits = 8; }), full)).err, 32);
    px::SetAllocationLimitForTesting(1 << 20);
    EXPECT_EQ(Decode(ReadTgaToRgb, MakeTga(with(s, [](TgaSpec& t) { t.w = 1000; t.h = 1000; t.type = 10; }), {0xFF, 1, 2, 3})).err, 1);
    px::SetAllocationLimitForTesting(0);
}

}  // namespace
