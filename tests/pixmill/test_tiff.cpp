// The TIFF codec against ppm2tiff / pnmtotiff / pamtotiff / tiffcp / tiffset and tifftopnm / tiff2rgba,
// with tags read back through libtiff and hand-made hostile files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <tiffio.h>

#include "pixmill/pxalloc.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Decoded;
using pxtest::Image;
using pxtest::Samples;

// ---- Hand-made files: one little-endian directory of inline values, then the strip data ----

struct Entry {
    uint16_t tag;
    uint16_t type;  // 3 SHORT, 4 LONG
    uint32_t count;
    uint32_t value;
};

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// Offset of the data that follows a directory of n entries at offset 8.
uint32_t DataOffset(size_t n) { return static_cast<uint32_t>(8 + 2 + 12 * n + 4); }

Bytes TiffOf(const std::vector<Entry>& entries, const Bytes& data, uint32_t nextDirectory = 0) {
    Bytes b = {'I', 'I', 42, 0};
    Put32(b, 8);
    Put16(b, static_cast<uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        Put16(b, e.tag);
        Put16(b, e.type);
        Put32(b, e.count);
        if (e.type == 3) {
            Put16(b, e.value);
            Put16(b, 0);
        } else {
            Put32(b, e.value);
        }
    }
    Put32(b, nextDirectory);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// An 8-bit grey image of w x h in one uncompressed strip of `stripBytes` bytes at `stripOffset`.
std::vector<Entry> GreyEntries(uint32_t w, uint32_t h, uint32_t stripOffset, uint32_t stripBytes) {
    return {{256, 4, 1, w},           {257, 4, 1, h},           {258, 3, 1, 8},           {259, 3, 1, 1},
            {262, 3, 1, 1},           {273, 4, 1, stripOffset}, {277, 3, 1, 1},           {278, 4, 1, h},
            {279, 4, 1, stripBytes}};
}

// ---- Tags of a written file, through libtiff ----

struct Tags {
    uint16_t compression = 0, photometric = 0, samples = 0, bits = 0, unit = 0, orientation = 0;
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    float xres = 0, yres = 0;
    std::string software;
};

bool ReadTags(const std::string& path, Tags& t) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return false;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &t.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &t.samples);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &t.bits);
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &t.unit);
    TIFFGetField(tif, TIFFTAG_ORIENTATION, &t.orientation);
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &t.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &t.height);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &t.rowsPerStrip);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &t.xres);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &t.yres);
    char* software = nullptr;
    if (TIFFGetField(tif, TIFFTAG_SOFTWARE, &software)) t.software = software;
    TIFFClose(tif);
    return true;
}

Image Flipped(const Image& image) {
    Image out = image;
    const size_t row = size_t{image.w} * 3;
    for (UINT y = 0; y < image.h; ++y)
        std::memcpy(&out.rgb[y * row], &image.rgb[(image.h - 1 - y) * row], row);
    return out;
}

Decoded ReadPage(const Bytes& file, UINT page, UINT start = 0) {
    return pxtest::DecodeBy(
        file, [&](SourceHandle s, Decoded& d) { return ReadTiffPageToRgb(s, &d.w, &d.h, page); }, start);
}

UINT PageCount(const Bytes& file, int* err) {
    SourceHandle source = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
    const UINT n = GetTiffPageCount(source);
    *err = GetLastErrorCode();
    CloseSource(source);
    return n;
}

Bytes WriteRgb(const Image& image, int* err = nullptr, UINT capacity = 1u << 22) {
    return pxtest::EncodeBy(capacity, err,
                            [&](SinkHandle sink) { return WriteRgbAsTiff(sink, image.rgb.data(), image.w, image.h); });
}

// Each test starts from the thread's defaults and leaves them so.
class TiffTest : public pxtest::ToolTest {
protected:
    void TearDown() override {
        SetTiffResolution(1, 1, 1);
        SetTiffCompression(1);
        SetProgressCallback(nullptr);
    }
    // The image libtiff's RGBA conversion gives, by tiff2rgba and tifftopnm.
    Image ThroughRgba(const Bytes& file) {
        Put("rgba-in.tif", file);
        Image image;
        EXPECT_TRUE(pxtest::ParsePnm(Command("tiff2rgba rgba-in.tif rgba-out.tif && tifftopnm rgba-out.tif"), image));
        return image;
    }
    // The picture through `maker in.ppm x.tif` (a tool writing its output to a named file) and then
    // `tiffcp options`.
    Bytes MakeTiff(const Samples& picture, const std::string& maker, const std::string& tiffcp = "") {
        Put(picture.channels == 1 ? "in.pgm" : "in.ppm", picture);
        const std::string in = picture.channels == 1 ? "in.pgm" : "in.ppm";
        std::string command = maker + " " + in + " made.tif";
        if (!tiffcp.empty()) command += " && tiffcp " + tiffcp + " made.tif copied.tif && cat copied.tif";
        else command += " && cat made.tif";
        return Command(command);
    }
};

Samples SamplesOf(const Image& image) {
    return Samples{image.w, image.h, 3, 255, std::vector<uint32_t>(image.rgb.begin(), image.rgb.end())};
}

TEST_F(TiffTest, CompressionsAndLayoutsReadAsLibtiffConvertsThem) {
    const Image picture = pxtest::Pattern(37, 27);
    struct Case {
        const char* tiffcp;
        bool bLossless;
    } cases[] = {
        {"-c none", true},         {"-c packbits", true},        {"-c lzw", true},
        {"-c lzw:2", true},        {"-c zip", true},             {"-c jpeg", false},
        {"-c none -r 4", true},    {"-c lzw -t -w 16 -l 16", true}, {"-c jpeg -t -w 16 -l 16", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tiffcp);
        const Bytes file = MakeTiff(SamplesOf(picture), "ppm2tiff -c none", c.tiffcp);
        const Decoded d = pxtest::Decode(ReadTiffToRgb, file);
        EXPECT_EQ(d.err, 0);
        EXPECT_EQ(d.AsImage(), ThroughRgba(file));
        if (c.bLossless) {
            EXPECT_EQ(d.AsImage(), picture);
            EXPECT_EQ(ReadBack(file, "tifftopnm"), picture);
        }
        // The block keeps libtiff's raster size.
        EXPECT_EQ(GlobalSize(d.buffer.get()), size_t{37} * 27 * 4);
    }
}

TEST_F(TiffTest, PhotometricsAndDepths) {
    const UINT w = 29, h = 13;
    Samples grey{w, h, 1, 255, std::vector<uint32_t>(w * h)};
    for (size_t i = 0; i < grey.v.size(); ++i) grey.v[i] = (i * 37) % 256;
    Samples deep{w, h, 3, 65535, std::vector<uint32_t>(w * h * 3)};
    for (size_t i = 0; i < deep.v.size(); ++i) deep.v[i] = (i * 7919) % 65536;
    Samples alpha{w, h, 4, 255, std::vector<uint32_t>(w * h * 4)};
    for (size_t i = 0; i < alpha.v.size(); ++i) alpha.v[i] = (i * 53) % 256;
    struct Case {
        const char* name;
        Samples picture;
        const char* maker;
        uint16_t photometric;
        uint16_t bits;
    } cases[] = {
        {"palette", SamplesOf(pxtest::PalettePattern(w, h, 40)), "pnmtotiff", 3, 8},
        {"grey", grey, "ppm2tiff -c lzw", 1, 8},
        {"rgb 16", deep, "ppm2tiff -c zip", 2, 16},
        {"rgba", alpha, "pamtotiff -lzw -truecolor", 2, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file;
        if (std::string(c.maker).rfind("ppm2tiff", 0) == 0) {
            file = MakeTiff(c.picture, c.maker);
        } else {
            Put(c.picture.channels == 4 ? "in.pam" : "in.ppm", c.picture);
            file = Command(std::string(c.maker) + (c.picture.channels == 4 ? " in.pam" : " in.ppm"));
        }
        Tags tags;
        ASSERT_TRUE(ReadTags(Put("check.tif", file), tags));
        ASSERT_EQ(tags.photometric, c.photometric);
        ASSERT_EQ(tags.bits, c.bits);
        const Decoded d = pxtest::Decode(ReadTiffToRgb, file);
        EXPECT_EQ(d.err, 0);
        EXPECT_EQ(d.AsImage(), ThroughRgba(file));
        if (c.picture.channels != 4 && c.bits == 8) {
            EXPECT_EQ(d.AsImage(), pxtest::ToImage(c.picture));
        }
    }
}

TEST_F(TiffTest, OrientationsAndResolution) {
    const Image picture = pxtest::Pattern(21, 11);
    const Bytes topLeft = MakeTiff(SamplesOf(picture), "ppm2tiff -c lzw");
    Put("flip.tif", topLeft);
    const Bytes bottomLeft = Command("tiffset -s 274 4 flip.tif && tiffset -s 282 72.5 flip.tif && "
                                     "tiffset -s 283 150.9 flip.tif && tiffset -s 296 3 flip.tif && cat flip.tif");

    const Decoded top = pxtest::Decode(ReadTiffToRgb, topLeft);
    EXPECT_EQ(top.err, 0);
    EXPECT_EQ(top.AsImage(), picture);
    UINT x = 0, y = 0, unit = 0;
    EXPECT_FALSE(GetTiffResolution(&x, &y, &unit));
    EXPECT_EQ(x, 0xFFFFFFFFu);
    EXPECT_EQ(y, 0xFFFFFFFFu);
    EXPECT_EQ(unit, 0xFFFFFFFFu);

    // Row 0 of the file is the bottom row.
    const Decoded bottom = pxtest::Decode(ReadTiffToRgb, bottomLeft);
    EXPECT_EQ(bottom.err, 0);
    EXPECT_EQ(bottom.AsImage(), Flipped(picture));
    EXPECT_EQ(bottom.AsImage(), ThroughRgba(bottomLeft));
    EXPECT_TRUE(GetTiffResolution(&x, &y, &unit));
    EXPECT_EQ(x, 72u);
    EXPECT_EQ(y, 150u);
    EXPECT_EQ(unit, 3u);

    // The next read replaces the resolution.
    pxtest::Decode(ReadTiffToRgb, topLeft);
    EXPECT_FALSE(GetTiffResolution(&x, &y, &unit));
}

TEST_F(TiffTest, PagesAndPosition) {
    const Image first = pxtest::Pattern(10, 6, 1);
    const Image second = pxtest::Pattern(7, 9, 2);
    Put("a.ppm", pxtest::MakePpm(first));
    Put("b.ppm", pxtest::MakePpm(second));
    const Bytes two = Command("ppm2tiff a.ppm a.tif && ppm2tiff -c lzw b.ppm b.tif && tiffcp a.tif b.tif two.tif && cat two.tif");
    int err = -1;
    EXPECT_EQ(PageCount(two, &err), 2u);
    EXPECT_EQ(err, 0);
    const Decoded page0 = ReadPage(two, 0);
    EXPECT_EQ(page0.AsImage(), first);
    const Decoded page1 = ReadPage(two, 1);
    EXPECT_EQ(page1.err, 0);
    EXPECT_EQ(page1.AsImage(), second);
    const Decoded page2 = ReadPage(two, 2);
    EXPECT_EQ(page2.err, 20);
    EXPECT_FALSE(page2.buffer);

    // The reader starts at position 0, whatever the source's position: data placed after other bytes
    // is not a TIFF file.
    Bytes shifted(16, 0);
    shifted.insert(shifted.end(), two.begin(), two.end());
    EXPECT_EQ(ReadPage(shifted, 0, 16).err, 20);
    EXPECT_EQ(ReadPage(two, 1, 100).AsImage(), second);
}

TEST_F(TiffTest, WriterCompressionsReadBackByTifftopnm) {
    // Wide enough that a strip holds fewer rows than the image: JPEG needs them in whole blocks.
    const Image picture = pxtest::Pattern(300, 50);
    SetTiffResolution(300, 200, 2);
    struct Case {
        UINT compression;
        bool bLossless;
    } cases[] = {{1, true}, {5, true}, {8, true}, {32946, true}, {32773, true}, {7, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.compression);
        SetTiffCompression(c.compression);
        int err = -1;
        const Bytes file = WriteRgb(picture, &err);
        ASSERT_EQ(err, 0);
        Tags tags;
        ASSERT_TRUE(ReadTags(Put("w.tif", file), tags));
        EXPECT_EQ(tags.compression, c.compression);
        EXPECT_EQ(tags.photometric, 2);
        EXPECT_EQ(tags.samples, 3);
        EXPECT_EQ(tags.orientation, 1);
        EXPECT_EQ(tags.unit, 2);
        EXPECT_EQ(tags.xres, 300.0f);
        EXPECT_EQ(tags.yres, 200.0f);
        EXPECT_EQ(tags.software, std::string("Pixmill, using ") + TIFFGetVersion());
        EXPECT_LT(tags.rowsPerStrip, picture.h);
        EXPECT_EQ(tags.rowsPerStrip % (c.compression == 7 ? 8 : 1), 0u);
        const Image back = ReadBack(file, "tifftopnm");
        if (c.bLossless) {
            EXPECT_EQ(back, picture);
        } else {
            EXPECT_EQ(back.w, picture.w);
            EXPECT_EQ(back, pxtest::Decode(ReadTiffToRgb, file).AsImage());
        }
    }
}

TEST_F(TiffTest, PaletteWriterAndRefusedCompressions) {
    const UINT w = 19, h = 7;
    RGBQUAD palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), static_cast<BYTE>(i), 0};
    Bytes pixels(size_t{w} * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i * 13);
    Image expected{w, h, {}};
    for (BYTE p : pixels) expected.rgb.insert(expected.rgb.end(), {palette[p].rgbRed, palette[p].rgbGreen, palette[p].rgbBlue});
    for (UINT compression : {1u, 5u, 7u}) {
        SCOPED_TRACE(compression);
        SetTiffCompression(compression);
        int err = -1;
        const Bytes file = pxtest::EncodeBy(1u << 20, &err, [&](SinkHandle sink) {
            return Write8BitAsTiff(sink, pixels.data(), w, h, palette);
        });
        ASSERT_EQ(err, 0);
        Tags tags;
        ASSERT_TRUE(ReadTags(Put("p.tif", file), tags));
        EXPECT_EQ(tags.compression, compression == 7 ? 1 : compression);  // JPEG cannot hold a palette
        EXPECT_EQ(tags.photometric, 3);
        EXPECT_EQ(ReadBack(file, "tifftopnm"), expected);
        EXPECT_EQ(pxtest::Decode(ReadTiffToRgb, file).AsImage(), expected);
    }
    // Schemes libtiff cannot encode for an RGB image (the CCITT ones need 1-bit images) fail at the first
    // row; a value that is no Compression tag value is refused before.
    const Image picture = pxtest::Pattern(16, 16);
    struct Refused {
        UINT compression;
        int err;
    } refused[] = {{2, 4}, {3, 4}, {4, 4}, {12345, 4}, {70000, 20}};
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.compression);
        SetTiffCompression(r.compression);
        int err = -1;
        EXPECT_TRUE(WriteRgb(picture, &err).empty());
        EXPECT_EQ(err, r.err);
    }
}

TEST_F(TiffTest, WriterFailures) {
    const Image picture = pxtest::Pattern(64, 64);
    int err = -1;
    // A sink too small for the strips, or for the directory written last.
    EXPECT_TRUE(WriteRgb(picture, &err, 2000).empty());
    EXPECT_EQ(err, 4);
    const size_t full = WriteRgb(picture).size();
    EXPECT_TRUE(WriteRgb(picture, &err, static_cast<UINT>(full - 20)).empty());
    EXPECT_EQ(err, 4);
    EXPECT_TRUE(pxtest::EncodeBy(1u << 16, &err, [&](SinkHandle sink) {
                    return WriteRgbAsTiff(sink, picture.rgb.data(), 0, 4);
                }).empty());
    EXPECT_EQ(err, 5);
    SetProgressCallback([](UINT, UINT) -> BOOL { return -1; });
    EXPECT_TRUE(WriteRgb(picture, &err).empty());
    EXPECT_EQ(err, 14);
    EXPECT_EQ(pxtest::Decode(ReadTiffToRgb, MakeTiff(SamplesOf(picture), "ppm2tiff")).err, 14);
}

TEST_F(TiffTest, HostileFilesFailWithACode) {
    const Bytes strip(12, 0x80);  // 4 x 3 grey
    const Bytes good = TiffOf(GreyEntries(4, 3, DataOffset(9), 12), strip);
    const Bytes real = MakeTiff(SamplesOf(pxtest::Pattern(40, 30)), "ppm2tiff -c lzw");
    struct Case {
        const char* name;
        Bytes file;
        int err;
        int pages;  // GetTiffPageCount, -1: fails
    } cases[] = {
        {"hand-made", good, 0, 1},
        {"cut inside the strips", Bytes(real.begin(), real.begin() + static_cast<std::ptrdiff_t>(real.size() / 2)), 20, -1},
        {"cut in the header", Bytes(real.begin(), real.begin() + 6), 20, -1},
        {"not a TIFF", Bytes(200, 0x49), 20, -1},
        {"60000 x 60000", TiffOf(GreyEntries(60000, 60000, DataOffset(9), 12), strip), 1, 1},
        {"strip past the end", TiffOf(GreyEntries(4, 3, 100000, 12), strip), 20, 1},
        {"directory past the end", [] {
             Bytes b = {'I', 'I', 42, 0};
             Put32(b, 0x7FFFFFF0);
             return b;
         }(), 20, -1},
        {"directory beyond 2 GB", [] {
             Bytes b = {'I', 'I', 42, 0};
             Put32(b, 0x90000000);
             return b;
         }(), 20, -1},
        {"directory loop", TiffOf(GreyEntries(4, 3, DataOffset(9), 12), strip, 8), 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded d = pxtest::Decode(ReadTiffToRgb, c.file);
        EXPECT_EQ(d.w, 0u + (c.err == 0 ? 4 : 0));
        EXPECT_EQ(d.err, c.err);
        EXPECT_EQ(static_cast<bool>(d.buffer), c.err == 0);
        int err = -1;
        const UINT pages = PageCount(c.file, &err);
        EXPECT_EQ(pages, c.pages < 0 ? 0u : static_cast<UINT>(c.pages));
        EXPECT_EQ(err, c.pages < 0 ? 20 : 0);
        EXPECT_EQ(ReadPage(c.file, 1).err, 20);
    }
}

TEST_F(TiffTest, ResolutionPastAUintCountsAsAbsent) {
    // XResolution 4294967295 / 1 becomes the float 4294967296; YResolution 300 / 1.
    std::vector<Entry> entries = GreyEntries(4, 3, DataOffset(12) + 16, 12);
    entries.push_back({282, 5, 1, DataOffset(12)});
    entries.push_back({283, 5, 1, DataOffset(12) + 8});
    entries.push_back({296, 3, 1, 2});
    Bytes data;
    for (uint32_t v : {0xFFFFFFFFu, 1u, 300u, 1u}) Put32(data, v);
    data.insert(data.end(), 12, 0x40);
    const Decoded d = pxtest::Decode(ReadTiffToRgb, TiffOf(entries, data));
    ASSERT_EQ(d.err, 0);
    UINT x = 0, y = 0, unit = 0;
    EXPECT_FALSE(GetTiffResolution(&x, &y, &unit));
    EXPECT_EQ(x, 0xFFFFFFFFu);
    EXPECT_EQ(y, 300u);
    EXPECT_EQ(unit, 2u);
}

TEST_F(TiffTest, ASourceThatCannotSeekToItsStart) {
    SourceHandle source = pxtest::OpenEmptySource(false);
    UINT w = 1, h = 1;
    EXPECT_EQ(ReadTiffToRgb(source, &w, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 3);
    EXPECT_EQ(w, 0u);
    EXPECT_EQ(h, 0u);
    CloseSource(source);
}

}  // namespace
