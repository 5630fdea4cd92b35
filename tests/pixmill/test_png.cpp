// The PNG codec against pnmtopng / pngtopam, with chunk-level checks and hand-made hostile files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "pixmill/pxalloc.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Decoded;
using pxtest::Image;
using pxtest::Samples;

// ---- Files at chunk level ----

struct Chunk {
    std::string type;
    Bytes data;
};

uint32_t GetBe32(const BYTE* p) { return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]; }
void PutBe32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<BYTE>(v >> s));
}

std::vector<Chunk> Chunks(const Bytes& png) {
    std::vector<Chunk> chunks;
    size_t i = 8;
    while (i + 12 <= png.size()) {
        const uint32_t n = GetBe32(&png[i]);
        if (i + 12 + n > png.size()) break;
        chunks.push_back(Chunk{std::string(png.begin() + i + 4, png.begin() + i + 8),
                               Bytes(png.begin() + i + 8, png.begin() + i + 8 + n)});
        i += 12 + n;
    }
    return chunks;
}

const Chunk* Find(const std::vector<Chunk>& chunks, const std::string& type) {
    for (const Chunk& c : chunks)
        if (c.type == type) return &c;
    return nullptr;
}

// A PNG file of the chunks, each with its CRC.
Bytes PngOf(const std::vector<Chunk>& chunks) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Chunk& c : chunks) {
        PutBe32(b, static_cast<uint32_t>(c.data.size()));
        const size_t start = b.size();
        b.insert(b.end(), c.type.begin(), c.type.end());
        b.insert(b.end(), c.data.begin(), c.data.end());
        PutBe32(b, static_cast<uint32_t>(crc32(0, &b[start], static_cast<uInt>(b.size() - start))));
    }
    return b;
}

Chunk Ihdr(uint32_t w, uint32_t h, BYTE depth, BYTE colorType) {
    Chunk c{"IHDR", {}};
    PutBe32(c.data, w);
    PutBe32(c.data, h);
    c.data.insert(c.data.end(), {depth, colorType, 0, 0, 0});
    return c;
}

// zlib data of the bytes.
Bytes Deflated(const Bytes& raw) {
    uLongf n = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(n);
    compress(out.data(), &n, raw.data(), static_cast<uLong>(raw.size()));
    out.resize(n);
    return out;
}

// ---- Pictures and expectations ----

Samples RandomSamples(UINT w, UINT h, UINT channels, UINT maxval, uint32_t seed) {
    Samples s{w, h, channels, maxval, std::vector<uint32_t>(size_t{w} * h * channels)};
    for (uint32_t& v : s.v) {
        seed = seed * 1664525u + 1013904223u;
        v = (seed >> 8) % (maxval + 1);
    }
    return s;
}

// An alpha plane with fully transparent, fully opaque and partial values.
Samples AlphaPlane(UINT w, UINT h, UINT maxval) {
    Samples a = RandomSamples(w, h, 1, maxval, 99);
    for (size_t i = 0; i < a.v.size(); i += 5) a.v[i] = 0;
    for (size_t i = 2; i < a.v.size(); i += 5) a.v[i] = maxval;
    return a;
}

Samples FromImage(const Image& image) {
    Samples s{image.w, image.h, 3, 255, std::vector<uint32_t>(image.rgb.begin(), image.rgb.end())};
    return s;
}

// A sample as libpng gives it at 8 bits: 16-bit samples keep their high byte; grey of 1, 2 and 4 bits
// scales to 255.
BYTE To8(uint32_t v, UINT maxval) {
    if (maxval == 65535) return static_cast<BYTE>(v >> 8);
    return static_cast<BYTE>(v * 255 / maxval);
}

// The straight alpha blend of libpng at 8 and 16 bits (a 16-bit background is the 8-bit one x 257),
// rounded to nearest, kept at 8 bits.
BYTE Blend(uint32_t fg, uint32_t alpha, BYTE bg, UINT maxval) {
    if (maxval == 65535) {
        const uint64_t v = (uint64_t{fg} * alpha + uint64_t{bg} * 257 * (65535 - alpha) + 32767) / 65535;
        return static_cast<BYTE>(v >> 8);
    }
    return static_cast<BYTE>((fg * alpha + bg * (255 - alpha) + 127) / 255);
}

// The RGB image libpng gives for pngtopam's samples over the background, with no gamma correction.
// The samples' alpha channel counts when the file has one.
Image OverBackground(const Samples& s, const BYTE bg[3], bool bFileAlpha) {
    Image image{s.w, s.h, Bytes(size_t{s.w} * s.h * 3)};
    const bool bAlpha = bFileAlpha && (s.channels == 2 || s.channels == 4);
    const UINT colour = s.channels >= 3 ? 3 : 1;
    for (size_t p = 0; p < size_t{s.w} * s.h; ++p) {
        for (UINT c = 0; c < 3; ++c) {
            const uint32_t v = s.v[p * s.channels + (colour == 3 ? c : 0)];
            if (!bAlpha) {
                image.rgb[3 * p + c] = To8(v, s.maxval);
            } else {
                const uint32_t a = s.v[p * s.channels + s.channels - 1];
                image.rgb[3 * p + c] = Blend(v, a, bg[c], s.maxval);
            }
        }
    }
    return image;
}

// 4-byte pixels: the colour channels at 8 bits, then the file's alpha channel or the filler.
Bytes Rgba(const Samples& s, BYTE filler, bool bFileAlpha) {
    Bytes out(size_t{s.w} * s.h * 4);
    const bool bAlpha = bFileAlpha && (s.channels == 2 || s.channels == 4);
    for (size_t p = 0; p < size_t{s.w} * s.h; ++p) {
        for (UINT c = 0; c < 3; ++c) out[4 * p + c] = To8(s.v[p * s.channels + (s.channels >= 3 ? c : 0)], s.maxval);
        out[4 * p + 3] = bAlpha ? To8(s.v[p * s.channels + s.channels - 1], s.maxval) : filler;
    }
    return out;
}

// The largest difference between two equally sized byte strings.
int MaxDiff(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 256;
    int d = 0;
    for (size_t i = 0; i < a.size(); ++i) d = std::max(d, std::abs(int{a[i]} - int{b[i]}));
    return d;
}

// Checks entry `index` of a text list through its getter (GetPngText or GetPngWriteText), which hands
// out copies the test frees.
void ExpectText(BOOL (*get)(UINT, char**, char**, DWORD*), UINT index, const std::string& key,
                const std::string& text, DWORD compressed) {
    char* keyCopy = nullptr;
    char* textCopy = nullptr;
    DWORD flag = 9;
    ASSERT_TRUE(get(index, &keyCopy, &textCopy, &flag));
    EXPECT_EQ(std::string(keyCopy), key);
    EXPECT_EQ(std::string(textCopy), text);
    EXPECT_EQ(GlobalSize(keyCopy), key.size() + 1);
    EXPECT_EQ(GlobalSize(textCopy), text.size() + 1);
    EXPECT_EQ(flag, compressed);
    GlobalFree(keyCopy);
    GlobalFree(textCopy);
}

Decoded ReadRgba(const Bytes& file, BYTE filler) {
    return pxtest::DecodeBy(file, [&](SourceHandle s, Decoded& d) { return ReadPngToRgba(s, &d.w, &d.h, filler); });
}

Bytes WriteRgb(const Image& image, double gamma, int* err = nullptr, UINT capacity = 1u << 22) {
    return pxtest::EncodeBy(capacity, err,
                            [&](SinkHandle sink) { return WriteRgbAsPng(sink, image.rgb.data(), image.w, image.h, gamma); });
}

// Each test starts from the thread's defaults and leaves them so.
class PngTest : public pxtest::ToolTest {
protected:
    void TearDown() override {
        SetPngScreenGamma(2.9);
        SetPngBackground(0, 0, 0, 0, 0);
        SetPngPaletteAlpha(0);
        SetPngResolution(1, 1, 0);
        ClearPngWriteTexts();
        ClearPngTexts();
        SetProgressCallback(nullptr);
    }
    // pnmtopng with the options over the samples (and an alpha plane).
    Bytes MakePng(const Samples& s, const std::string& options, const Samples* alpha = nullptr) {
        Put("in.pnm", s);
        std::string command = "pnmtopng " + options;
        if (alpha) {
            Put("alpha.pgm", *alpha);
            command += " -alpha=alpha.pgm";
        }
        return Command(command + " in.pnm");
    }
};

struct TypeCase {
    const char* name;
    UINT channels;  // of the picture; alpha comes on top
    UINT maxval;
    UINT colors;  // palette pictures: the number of colours
    bool bAlpha;
    const char* options;
    BYTE colorType, depth;  // what pnmtopng must write
};

const TypeCase kTypes[] = {
    {"grey 1", 1, 1, 0, false, "", 0, 1},
    {"grey 2", 1, 3, 0, false, "", 0, 2},
    {"grey 4", 1, 15, 0, false, "", 0, 4},
    {"grey 8", 1, 255, 0, false, "", 0, 8},
    {"grey 16", 1, 65535, 0, false, "", 0, 16},
    {"rgb 8", 3, 255, 0, false, "-force", 2, 8},
    {"rgb 16", 3, 65535, 0, false, "-force", 2, 16},
    {"palette 1", 3, 255, 2, false, "", 3, 1},
    {"palette 2", 3, 255, 4, false, "", 3, 2},
    {"palette 4", 3, 255, 16, false, "", 3, 4},
    {"palette 8", 3, 255, 200, false, "", 3, 8},
    {"grey alpha 8", 1, 255, 0, true, "", 4, 8},
    {"grey alpha 16", 1, 65535, 0, true, "", 4, 16},
    {"rgb alpha 8", 3, 255, 0, true, "-force", 6, 8},
    {"rgb alpha 16", 3, 65535, 0, true, "-force", 6, 16},
    {"rgb 8 interlaced", 3, 255, 0, false, "-force -interlace", 2, 8},
    {"palette 8 interlaced", 3, 255, 200, false, "-interlace", 3, 8},
    {"rgb alpha 8 interlaced", 3, 255, 0, true, "-force -interlace", 6, 8},
};

TEST_F(PngTest, ColourTypesAndDepthsReadAsRgbAndRgba) {
    const BYTE bg[3] = {20, 140, 250};
    for (const TypeCase& c : kTypes) {
        SCOPED_TRACE(c.name);
        const UINT w = 37, h = 11;
        const Samples picture = c.colors ? FromImage(pxtest::PalettePattern(w, h, c.colors))
                                         : RandomSamples(w, h, c.channels, c.maxval, 7);
        const Samples alpha = AlphaPlane(w, h, c.maxval);
        const Bytes file = MakePng(picture, c.options, c.bAlpha ? &alpha : nullptr);
        const std::vector<Chunk> chunks = Chunks(file);
        const Chunk* ihdr = Find(chunks, "IHDR");
        ASSERT_TRUE(ihdr);
        ASSERT_EQ(ihdr->data[9], c.colorType);
        ASSERT_EQ(ihdr->data[8], c.depth);
        const Samples expected = ReadSamples(file, "pngtopam -alphapam");

        // Straight blending: a screen gamma of 1 with no gAMA makes no correction anywhere.
        SetPngScreenGamma(1.0);
        SetPngBackground(0, bg[0], bg[1], bg[2], 0);
        const Decoded rgb = pxtest::Decode(ReadPngToRgb, file);
        EXPECT_EQ(rgb.err, 0);
        EXPECT_EQ(rgb.AsImage(), OverBackground(expected, bg, c.bAlpha));

        const Decoded rgba = ReadRgba(file, 0x5A);
        EXPECT_EQ(rgba.err, 0);
        EXPECT_EQ(rgba.Pixels(4), Rgba(expected, 0x5A, c.bAlpha));
    }
}

TEST_F(PngTest, AlphaAtTheDefaultScreenGammaBlendsInLinearLight) {
    // Without gAMA the file gamma is 1 / 2.9: colours keep their values, but libpng blends the partly
    // transparent ones in linear light, through its 8-bit tables of v^2.9 and v^(1/2.9).
    const UINT w = 40, h = 9;
    const Samples picture = RandomSamples(w, h, 3, 255, 3);
    const Samples alpha = AlphaPlane(w, h, 255);
    const Bytes file = MakePng(picture, "-force", &alpha);
    const Samples s = ReadSamples(file, "pngtopam -alphapam");
    const BYTE bg[3] = {200, 30, 90};
    SetPngBackground(0, bg[0], bg[1], bg[2], 0);
    const Decoded d = pxtest::Decode(ReadPngToRgb, file);
    ASSERT_EQ(d.err, 0);
    auto table = [](double v, double g) { return static_cast<BYTE>(std::floor(255 * std::pow(v / 255, g) + 0.5)); };
    Bytes expected(size_t{w} * h * 3);
    for (size_t p = 0; p < size_t{w} * h; ++p) {
        const uint32_t a = s.v[4 * p + 3];
        for (int c = 0; c < 3; ++c) {
            const uint32_t fg = s.v[4 * p + c];
            BYTE v = static_cast<BYTE>(fg);
            if (a == 0) v = bg[c];
            if (a != 0 && a != 255) v = table(Blend(table(fg, 2.9), a, table(bg[c], 2.9), 255), 1 / 2.9);
            expected[3 * p + c] = v;
        }
    }
    EXPECT_EQ(d.Pixels(3), expected);
}

TEST_F(PngTest, TransparentColourAndFileBackground) {
    const BYTE bg[3] = {1, 2, 3};
    struct Case {
        const char* name;
        Samples picture;
        const char* options;
        bool bAlphaInRgba;  // the transparency becomes alpha in ReadPngToRgba (expanded types only)
    } cases[] = {
        {"rgb", FromImage(pxtest::PalettePattern(30, 8, 300)), "-force -transparent =rgb:25/eb/05", false},
        {"palette", FromImage(pxtest::PalettePattern(30, 8, 12)), "-transparent =rgb:25/eb/05", true},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Every seventh pixel takes the transparent colour.
        for (size_t p = 0; p < c.picture.v.size(); p += 3 * 7) {
            c.picture.v[p] = 0x25;
            c.picture.v[p + 1] = 0xEB;
            c.picture.v[p + 2] = 0x05;
        }
        const Bytes file = MakePng(c.picture, c.options);
        ASSERT_TRUE(Find(Chunks(file), "tRNS"));
        SetPngBackground(0, bg[0], bg[1], bg[2], 0);
        const Decoded d = pxtest::Decode(ReadPngToRgb, file);
        ASSERT_EQ(d.err, 0);
        const Decoded rgba = ReadRgba(file, 0x77);
        ASSERT_EQ(rgba.err, 0);
        for (size_t p = 0; p < size_t{d.w} * d.h; ++p) {
            const bool bKey = c.picture.v[3 * p] == 0x25 && c.picture.v[3 * p + 1] == 0xEB && c.picture.v[3 * p + 2] == 0x05;
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(d.buffer.get()[3 * p + k], bKey ? bg[k] : c.picture.v[3 * p + k]) << p;
                ASSERT_EQ(rgba.buffer.get()[4 * p + k], c.picture.v[3 * p + k]) << p;
            }
            ASSERT_EQ(rgba.buffer.get()[4 * p + 3], c.bAlphaInRgba ? (bKey ? 0 : 255) : 0x77) << p;
        }
    }

    // A bKGD chunk wins over the thread's background.
    const Samples picture = RandomSamples(20, 6, 3, 255, 5);
    const Samples alpha = AlphaPlane(20, 6, 255);
    const Bytes file = MakePng(picture, "-force -background=rgb:10/20/30", &alpha);
    ASSERT_TRUE(Find(Chunks(file), "bKGD"));
    SetPngScreenGamma(1.0);
    SetPngBackground(0, 200, 200, 200, 200);
    const BYTE fileBg[3] = {0x10, 0x20, 0x30};
    const Decoded d = pxtest::Decode(ReadPngToRgb, file);
    EXPECT_EQ(d.AsImage(), OverBackground(ReadSamples(file, "pngtopam -alphapam"), fileBg, true));
}

TEST_F(PngTest, GammaFromTheFileAndTheScreenGammaBetweenReads) {
    const Samples picture = RandomSamples(64, 4, 3, 255, 11);
    const Bytes file = MakePng(picture, "-force -gamma .45");
    const std::vector<Chunk> chunks = Chunks(file);
    const Chunk* gama = Find(chunks, "gAMA");
    ASSERT_TRUE(gama);
    ASSERT_EQ(GetBe32(gama->data.data()), 45000u);
    const Bytes plain = MakePng(picture, "-force");
    // The correction raises each value to 1 / (file gamma x screen gamma).
    auto corrected = [&](double screen) {
        Bytes out(picture.v.size());
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<BYTE>(std::floor(255 * std::pow(picture.v[i] / 255.0, 1 / (0.45 * screen)) + 0.5));
        return out;
    };
    const Bytes original(picture.v.begin(), picture.v.end());
    struct Step {
        double screen;  // 0: leave the thread's value
        Bytes expected;
        Bytes expectedPlain;
    } steps[] = {
        {0, corrected(2.9), original},
        {1 / 0.45, original, original},
        {1.0, corrected(1.0), original},
        {2.9, corrected(2.9), original},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.screen);
        if (s.screen > 0) SetPngScreenGamma(s.screen);
        const Decoded d = pxtest::Decode(ReadPngToRgb, file);
        ASSERT_EQ(d.err, 0);
        EXPECT_LE(MaxDiff(d.Pixels(3), s.expected), 1);
        EXPECT_EQ(pxtest::Decode(ReadPngToRgb, plain).Pixels(3), s.expectedPlain);
    }
    // The option leaves the last error as it was.
    pxtest::Decode(ReadPngToRgb, Bytes(file.begin(), file.begin() + 40));
    ASSERT_EQ(GetLastErrorCode(), 15);
    SetPngScreenGamma(2.2);
    SetPngBackground(1, 2, 3, 4, 5);
    SetPngResolution(1, 2, 1);
    AddPngText("t", "k", 0);
    EXPECT_EQ(GetLastErrorCode(), 15);
}

TEST_F(PngTest, TextsAndResolutionOfTheLastRead) {
    const std::string texts = "Title Plain words\nAuthor Someone\n";
    const std::string ztexts = "Description A longer text, compressed in the file\n";
    Put("t.txt", Bytes(texts.begin(), texts.end()));
    Put("z.txt", Bytes(ztexts.begin(), ztexts.end()));
    const Samples picture = RandomSamples(9, 5, 3, 255, 2);
    // pnmtopng writes one kind of text chunk before IDAT; the zTXt chunk of a second file goes after
    // IDAT, where only the end of the read finds it.
    std::vector<Chunk> withTexts = Chunks(MakePng(picture, "-force -text t.txt -size '2835 3780 1'"));
    const std::vector<Chunk> zipped = Chunks(MakePng(picture, "-force -ztxt z.txt"));
    ASSERT_EQ(withTexts.back().type, "IEND");
    withTexts.insert(withTexts.end() - 1, *Find(zipped, "zTXt"));
    const Bytes file = PngOf(withTexts);

    // The expected list, in file order, from the chunks themselves.
    struct Text {
        std::string key, text;
        DWORD compressed;
    };
    std::vector<Text> expected;
    for (const Chunk& c : Chunks(file)) {
        if (c.type != "tEXt" && c.type != "zTXt") continue;
        const auto nul = std::find(c.data.begin(), c.data.end(), BYTE{0});
        const std::string key(c.data.begin(), nul);
        std::string text(nul + 1, c.data.end());
        if (c.type == "zTXt") {
            Bytes packed(nul + 2, c.data.end());
            Bytes raw(4096);
            uLongf n = static_cast<uLongf>(raw.size());
            ASSERT_EQ(uncompress(raw.data(), &n, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
            text.assign(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(n));
        }
        expected.push_back(Text{key, text, c.type == "zTXt" ? 1u : 0u});
    }
    ASSERT_EQ(expected.size(), 3u);

    ASSERT_EQ(pxtest::Decode(ReadPngToRgb, file).err, 0);
    ASSERT_EQ(GetPngTextCount(), expected.size());
    for (UINT i = 0; i < expected.size(); ++i) ExpectText(GetPngText, i, expected[i].key, expected[i].text, expected[i].compressed);
    char* key = reinterpret_cast<char*>(1);
    char* text = reinterpret_cast<char*>(1);
    DWORD compressed = 1;
    EXPECT_FALSE(GetPngText(GetPngTextCount(), &key, &text, &compressed));
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(compressed, 0u);
    UINT x = 0, y = 0, unit = 0;
    EXPECT_TRUE(GetPngResolution(&x, &y, &unit));
    EXPECT_EQ(x, 2835u);
    EXPECT_EQ(y, 3780u);
    EXPECT_EQ(unit, 1u);

    // The next read replaces both.
    ASSERT_EQ(pxtest::Decode(ReadPngToRgb, MakePng(picture, "-force")).err, 0);
    EXPECT_EQ(GetPngTextCount(), 0u);
    EXPECT_FALSE(GetPngResolution(&x, &y, &unit));
    EXPECT_EQ(x, 0xFFFFFFFFu);
    EXPECT_EQ(y, 0xFFFFFFFFu);
    EXPECT_EQ(unit, 0xFFFFFFFFu);
}

TEST_F(PngTest, InternationalTextsAreTheirUtf8Bytes) {
    // iTXt chunks: plain before IDAT, compressed and empty after it, around a tEXt; each text comes back
    // as the file's UTF-8 bytes, the compressed one flagged 1 as a zTXt is.
    auto itxt = [](const std::string& key, bool bCompressed, const std::string& language, const std::string& translated,
                   const std::string& text) {
        Chunk c{"iTXt", Bytes(key.begin(), key.end())};
        c.data.insert(c.data.end(), {0, static_cast<BYTE>(bCompressed ? 1 : 0), 0});
        c.data.insert(c.data.end(), language.begin(), language.end());
        c.data.push_back(0);
        c.data.insert(c.data.end(), translated.begin(), translated.end());
        c.data.push_back(0);
        const Bytes raw(text.begin(), text.end());
        const Bytes body = bCompressed ? Deflated(raw) : raw;
        c.data.insert(c.data.end(), body.begin(), body.end());
        return c;
    };
    const std::string plain = "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln \xE2\x80\x94 \xE6\x9D\xB1\xE4\xBA\xAC";
    const std::string packed = "Zusammengepresst: \xC3\xA4\xC3\xB6\xC3\xBC " + std::string(200, 'x');
    const std::string latin = "Plain words";
    const Bytes raw3x1 = Deflated(Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    Chunk text{"tEXt", {'A', 'u', 't', 'h', 'o', 'r', 0}};
    text.data.insert(text.data.end(), latin.begin(), latin.end());
    const Bytes file = PngOf({Ihdr(3, 1, 8, 2), itxt("Title", false, "de", "Titel", plain), Chunk{"IDAT", raw3x1},
                              itxt("Comment", true, "", "", packed), text, itxt("Empty", false, "en", "", ""),
                              Chunk{"IEND", {}}});
    const Decoded d = pxtest::Decode(ReadPngToRgb, file);
    ASSERT_EQ(d.err, 0);
    EXPECT_EQ(d.Pixels(3), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_EQ(GetPngTextCount(), 4u);
    ExpectText(GetPngText, 0, "Title", plain, 0);
    ExpectText(GetPngText, 1, "Comment", packed, 1);
    ExpectText(GetPngText, 2, "Author", latin, 0);
    ExpectText(GetPngText, 3, "Empty", "", 0);
}

TEST_F(PngTest, InterlacedProgressOncePerImageRowAndAbort) {
    static std::vector<std::pair<UINT, UINT>> s_calls;
    static BOOL s_answer = TRUE;
    SetProgressCallback([](UINT done, UINT total) {
        s_calls.emplace_back(done, total);
        return s_answer;
    });
    const Samples picture = RandomSamples(13, 10, 3, 255, 4);
    for (const char* options : {"-force", "-force -interlace"}) {
        SCOPED_TRACE(options);
        const Bytes file = MakePng(picture, options);
        s_calls.clear();
        s_answer = TRUE;
        const Decoded d = pxtest::Decode(ReadPngToRgb, file);
        EXPECT_EQ(d.err, 0);
        ASSERT_EQ(s_calls.size(), 10u);
        for (UINT i = 0; i < 10; ++i) EXPECT_EQ(s_calls[i], std::make_pair(i + 1, 10u));
        // FALSE stops the read at once: no buffer.
        s_calls.clear();
        s_answer = FALSE;
        const Decoded aborted = pxtest::Decode(ReadPngToRgb, file);
        EXPECT_EQ(aborted.err, 14);
        EXPECT_FALSE(aborted.buffer);
        EXPECT_EQ(s_calls.size(), 1u);
    }
}

TEST_F(PngTest, WriterChunksAndReadBack) {
    const Image picture = pxtest::Pattern(31, 17);
    SetPngBackground(7, 10, 20, 30, 40);
    SetPngResolution(3000, 2000, 1);
    struct Case {
        double gamma;
        bool bGama;
    } cases[] = {{0, false}, {-1, false}, {2.0, true}, {0.45455, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gamma);
        int err = -1;
        const Bytes file = WriteRgb(picture, c.gamma, &err);
        ASSERT_EQ(err, 0);
        const std::vector<Chunk> chunks = Chunks(file);
        const Chunk* gama = Find(chunks, "gAMA");
        ASSERT_EQ(gama != nullptr, c.bGama);
        if (gama) {
            EXPECT_EQ(GetBe32(gama->data.data()), static_cast<uint32_t>(c.gamma * 100000 + 0.5));
        }
        const Chunk* bkgd = Find(chunks, "bKGD");
        ASSERT_TRUE(bkgd);
        EXPECT_EQ(bkgd->data, (Bytes{0, 10, 0, 20, 0, 30}));
        const Chunk* phys = Find(chunks, "pHYs");
        ASSERT_TRUE(phys);
        EXPECT_EQ(phys->data, (Bytes{0, 0, 0x0B, 0xB8, 0, 0, 0x07, 0xD0, 1}));
        EXPECT_TRUE(Find(chunks, "tIME"));
        EXPECT_EQ(Find(chunks, "IHDR")->data, Ihdr(31, 17, 8, 2).data);
        EXPECT_EQ(ReadBack(file, "pngtopam"), picture);
    }
    // Null pixels.
    int err = -1;
    EXPECT_TRUE(pxtest::EncodeBy(1u << 16, &err, [](SinkHandle sink) { return WriteRgbAsPng(sink, nullptr, 4, 4, 0); })
                    .empty());
    EXPECT_EQ(err, 5);
}

TEST_F(PngTest, PaletteWriterWithAndWithoutPaletteAlpha) {
    const UINT w = 23, h = 7;
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7),
                             static_cast<BYTE>(i % 3 == 0 ? 0 : 255 - i)};
    Bytes pixels(size_t{w} * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i * 11);
    for (BOOL alpha : {FALSE, TRUE}) {
        SCOPED_TRACE(alpha);
        SetPngPaletteAlpha(alpha);
        int err = -1;
        const Bytes file = pxtest::EncodeBy(1u << 20, &err, [&](SinkHandle sink) {
            return Write8BitAsPng(sink, pixels.data(), w, h, palette, 0);
        });
        ASSERT_EQ(err, 0);
        const std::vector<Chunk> chunks = Chunks(file);
        EXPECT_EQ(Find(chunks, "IHDR")->data, Ihdr(w, h, 8, 3).data);
        ASSERT_EQ(Find(chunks, "PLTE")->data.size(), 768u);
        const Chunk* trns = Find(chunks, "tRNS");
        ASSERT_EQ(trns != nullptr, alpha != FALSE);
        if (trns) {
            ASSERT_EQ(trns->data.size(), 256u);
            for (int i = 0; i < 256; ++i) EXPECT_EQ(trns->data[i], palette[i].rgbReserved);
        }
        const Samples back = ReadSamples(file, "pngtopam -alphapam");
        ASSERT_EQ(back.w, w);
        for (size_t p = 0; p < pixels.size(); ++p) {
            const RGBQUAD& q = palette[pixels[p]];
            EXPECT_EQ(back.v[4 * p], q.rgbRed);
            EXPECT_EQ(back.v[4 * p + 1], q.rgbGreen);
            EXPECT_EQ(back.v[4 * p + 2], q.rgbBlue);
            EXPECT_EQ(back.v[4 * p + 3], alpha ? q.rgbReserved : 255u);
        }
    }
    int err = -1;
    pxtest::EncodeBy(1u << 16, &err, [&](SinkHandle sink) { return Write8BitAsPng(sink, pixels.data(), w, h, nullptr, 0); });
    EXPECT_EQ(err, 5);
}

TEST_F(PngTest, WriteListOfTexts) {
    EXPECT_FALSE(AddPngText("no key", "", 0));
    EXPECT_FALSE(AddPngText("no key", nullptr, 0));
    ASSERT_TRUE(AddPngText("Plain words", "Title", 0));
    ASSERT_TRUE(AddPngText("Squeezed words, squeezed words", "Comment", 1));
    ASSERT_EQ(GetPngWriteTextCount(), 2u);
    ExpectText(GetPngWriteText, 1, "Comment", "Squeezed words, squeezed words", 1);
    char* key = nullptr;
    char* text = nullptr;
    DWORD compressed = 0;
    EXPECT_FALSE(GetPngWriteText(2, &key, &text, &compressed));

    const Image picture = pxtest::Pattern(8, 8);
    // A failed write keeps the list.
    int err = -1;
    EXPECT_TRUE(WriteRgb(picture, 0, &err, 100).empty());
    EXPECT_EQ(err, 16);
    EXPECT_EQ(GetPngWriteTextCount(), 2u);

    const Bytes file = WriteRgb(picture, 0, &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(GetPngWriteTextCount(), 0u);
    const std::vector<Chunk> chunks = Chunks(file);
    ASSERT_TRUE(Find(chunks, "tEXt"));
    EXPECT_EQ(Find(chunks, "tEXt")->data, (Bytes{'T', 'i', 't', 'l', 'e', 0, 'P', 'l', 'a', 'i', 'n', ' ', 'w', 'o', 'r', 'd', 's'}));
    ASSERT_TRUE(Find(chunks, "zTXt"));
    ASSERT_EQ(pxtest::Decode(ReadPngToRgb, file).err, 0);
    ASSERT_EQ(GetPngTextCount(), 2u);
    ExpectText(GetPngText, 0, "Title", "Plain words", 0);
    ExpectText(GetPngText, 1, "Comment", "Squeezed words, squeezed words", 1);
    EXPECT_TRUE(ClearPngTexts());
    EXPECT_EQ(GetPngTextCount(), 0u);
}

TEST_F(PngTest, HostileFilesFailWithACodeAndNoBuffer) {
    const Samples picture = RandomSamples(40, 30, 3, 255, 8);
    const Bytes good = MakePng(picture, "-force");
    std::vector<Chunk> chunks = Chunks(good);
    const Bytes raw3x1 = Deflated(Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});  // one filter byte and 3 pixels

    Bytes badCrc = good;
    for (size_t i = 8; i + 8 < badCrc.size(); ++i) {
        if (std::memcmp(&badCrc[i + 4], "IDAT", 4) == 0) {
            badCrc[i + 8 + GetBe32(&badCrc[i]) + 2] ^= 0x55;  // a byte of the CRC
            break;
        }
    }
    Bytes pastTheEnd = PngOf({Ihdr(3, 1, 8, 2), Chunk{"IDAT", raw3x1}});
    pastTheEnd[8 + 25 + 2] += 1;  // the IDAT length (big-endian, after the 25 bytes of IHDR) grows by 256

    // A text chunk that claims 512 MB in a file of a few dozen bytes.
    Bytes hugeText = PngOf({Ihdr(3, 1, 8, 2)});
    PutBe32(hugeText, 0x20000013);
    for (char ch : std::string("zTXtTitle")) hugeText.push_back(static_cast<BYTE>(ch));
    hugeText.insert(hugeText.end(), {0, 0, 0x78, 0x9C, 1, 2, 3});

    struct Case {
        const char* name;
        Bytes file;
        int err;
    } cases[] = {
        {"text chunk of 512 MB", hugeText, 15},
        {"cut inside IDAT", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2)), 15},
        {"cut in the signature", Bytes(good.begin(), good.begin() + 5), 15},
        {"bad IDAT CRC", badCrc, 15},
        {"IDAT past the end", pastTheEnd, 15},
        {"not a PNG", Bytes(100, 0x42), 15},
        {"a million square", PngOf({Ihdr(1000000, 1000000, 8, 2), Chunk{"IDAT", raw3x1}, Chunk{"IEND", {}}}), 1},
        {"width past libpng's limit", PngOf({Ihdr(0x7FFFFFFF, 1, 8, 2), Chunk{"IDAT", raw3x1}, Chunk{"IEND", {}}}), 15},
        {"zero height", PngOf({Ihdr(3, 0, 8, 2), Chunk{"IDAT", raw3x1}, Chunk{"IEND", {}}}), 15},
        {"bad colour type", PngOf({Ihdr(3, 1, 8, 5), Chunk{"IDAT", raw3x1}, Chunk{"IEND", {}}}), 15},
        {"no IDAT", PngOf({Ihdr(3, 1, 8, 2), Chunk{"IEND", {}}}), 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool bRgba : {false, true}) {
            const Decoded d = bRgba ? ReadRgba(c.file, 0) : pxtest::Decode(ReadPngToRgb, c.file);
            EXPECT_EQ(d.err, c.err);
            EXPECT_FALSE(d.buffer);
            EXPECT_EQ(d.w, 0u);
            EXPECT_EQ(d.h, 0u);
        }
    }
    // The hand-made 3 x 1 file itself reads.
    const Decoded small = pxtest::Decode(ReadPngToRgb, PngOf({Ihdr(3, 1, 8, 2), Chunk{"IDAT", raw3x1}, Chunk{"IEND", {}}}));
    EXPECT_EQ(small.err, 0);
    EXPECT_EQ(small.Pixels(3), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(PngTest, HandleChecksAndStartPosition) {
    const Samples picture = RandomSamples(5, 4, 3, 255, 1);
    const Bytes file = MakePng(picture, "-force");
    UINT w = 1, h = 1;
    EXPECT_EQ(ReadPngToRgb(nullptr, &w, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    // The reader starts at the source's position.
    Bytes shifted(13, 0xEE);
    shifted.insert(shifted.end(), file.begin(), file.end());
    const Decoded d = pxtest::Decode(ReadPngToRgb, shifted, 13);
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.AsImage(), pxtest::ToImage(picture));
    // A sink given to a reader reads nothing.
    Bytes space(64);
    SinkHandle sink = OpenMemorySink(space.data(), 64);
    EXPECT_EQ(ReadPngToRgb(sink, &w, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 15);
    CloseSink(sink);
}

}  // namespace
