// DIBs, bitmaps, palettes and drawing: conversions against netpbm and ImageMagick files, drawing probes
// on a memory DC, devices without the capabilities an operation needs, and hostile DIB blocks.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

#include <sys/mman.h>
#include <unistd.h>

#include "pixmill/pxalloc.h"
#include "platform/gdi/dib.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Image;
using pxtest::Owned;

// A copy of the bytes in a global-memory block (the library's DIBs live in such blocks).
Owned GlobalCopy(const Bytes& b) {
    auto* p = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, b.size()));
    std::memcpy(p, b.data(), b.size());
    return Owned(p);
}

uint32_t Get32(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24); }

// The DIB of a BMP file: its information header and colour table, then the pixels from the file's
// pixel offset.
Bytes DibOfBmp(const Bytes& file) {
    const uint32_t headerSize = Get32(file, 14), bits = file[28], clrUsed = Get32(file, 46), offBits = Get32(file, 10);
    const uint32_t entries = bits <= 8 ? (clrUsed ? clrUsed : 1u << bits) : 0;
    Bytes dib(file.begin() + 14, file.begin() + 14 + headerSize + 4 * entries);
    dib.insert(dib.end(), file.begin() + offBits, file.end());
    return dib;
}

Image FromBuffer(const BYTE* rgb, UINT w, UINT h) {
    Image image{w, h, {}};
    if (rgb) image.rgb.assign(rgb, rgb + size_t{w} * h * 3);
    return image;
}

// The RGB image of a bitmap, through DdbToRgb on the reference screen.
Image BitmapImage(HBITMAP bitmap, int* err = nullptr) {
    HDC screen = GetDC(nullptr);
    UINT w = 0, h = 0;
    Owned rgb(DdbToRgb(bitmap, &w, &h, screen, nullptr));
    if (err) *err = GetLastErrorCode();
    ReleaseDC(nullptr, screen);
    return FromBuffer(rgb.get(), w, h);
}

Bytes Flatten(const RGBQUAD* palette, const Bytes& indices) {
    Bytes rgb;
    for (BYTE i : indices) rgb.insert(rgb.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
    return rgb;
}

// A memory DC drawing into a width x height bitmap filled with one colour.
struct Canvas {
    CDC dc;
    CBitmap bitmap;
    CBitmap* old = nullptr;
    Canvas(int w, int h, COLORREF fill) {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(&dc, w, h);
        old = dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, w, h, fill);
    }
    ~Canvas() { dc.SelectObject(old); }
    COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
};

COLORREF PixelOf(const Image& image, UINT x, UINT y) {
    const BYTE* p = &image.rgb[(size_t{y} * image.w + x) * 3];
    return RGB(p[0], p[1], p[2]);
}

// A 256-entry palette whose first entries are distinct colours, and an 8-bit picture over them.
struct EightBit {
    RGBQUAD palette[256] = {};
    Bytes pixels;
    UINT w, h;
    EightBit(UINT width, UINT height) : w(width), h(height) {
        for (int i = 0; i < 256; ++i)
            palette[i] = RGBQUAD{static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3 + 1), 0};
        for (UINT i = 0; i < w * h; ++i) pixels.push_back(static_cast<BYTE>((i * 37 + i / w) % 256));
    }
    COLORREF At(UINT x, UINT y) const {
        const RGBQUAD& q = palette[pixels[y * w + x]];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
};

constexpr COLORREF kBack = RGB(1, 2, 3);

class DibTest : public pxtest::ToolTest {
protected:
    void TearDown() override {
        SetUseDibSection(0);
        px::SetAllocationLimitForTesting(0);
    }
};

}  // namespace

// ---- packed DIBs ---------------------------------------------------------------------------------

TEST_F(DibTest, TheLibrarysOwnDibs) {
    // A 1 x 1 red image: 40 bytes of header and one row of 4 bytes, blue, green, red, pad.
    const BYTE red[] = {255, 0, 0};
    Owned dib(CreateDibFromRgb(red, 1, 1));
    ASSERT_TRUE(dib);
    EXPECT_EQ(GetLastErrorCode(), 0);
    ASSERT_EQ(GlobalSize(dib.get()), 44u);
    EXPECT_EQ(Bytes(dib.get() + 40, dib.get() + 44), (Bytes{0x00, 0x00, 0xFF, 0x00}));
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.get(), 40);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biSizeImage, 4u);
    EXPECT_EQ(h.biClrUsed, 0u);
    // 8 bits: the whole palette, image size 0, rows bottom row first.
    EightBit image(3, 2);
    Owned dib8(CreateDibFrom8Bit(image.pixels.data(), 3, 2, image.palette));
    ASSERT_TRUE(dib8);
    ASSERT_EQ(GlobalSize(dib8.get()), 40u + 1024u + 2 * 4u);
    std::memcpy(&h, dib8.get(), 40);
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biClrImportant, 256u);
    EXPECT_EQ(std::memcmp(dib8.get() + 40, image.palette, 1024), 0);
    EXPECT_EQ(Bytes(dib8.get() + 1064, dib8.get() + 1067), Bytes(image.pixels.begin() + 3, image.pixels.end()));
    // Nothing to convert.
    EXPECT_EQ(CreateDibFromRgb(nullptr, 1, 1), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_EQ(CreateDibFromRgb(red, 0, 1), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST_F(DibTest, BothRowOrders) {
    const Image picture = pxtest::Pattern(5, 4);
    Owned bottomUp(CreateDibFromRgb(picture.rgb.data(), 5, 4));
    ASSERT_TRUE(bottomUp);
    // The same DIB top-down: negative height, the rows in the other order.
    Bytes topDown(bottomUp.get(), bottomUp.get() + GlobalSize(bottomUp.get()));
    const size_t stride = 16;
    const int32_t negative = -4;
    std::memcpy(&topDown[8], &negative, 4);
    for (size_t r = 0; r < 4; ++r) std::memcpy(&topDown[40 + r * stride], bottomUp.get() + 40 + (3 - r) * stride, stride);
    Owned topDownBlock = GlobalCopy(topDown);
    for (const Owned* dib : {&bottomUp, &topDownBlock}) {
        UINT w = 0, h = 0;
        Owned rgb(DibToRgb(dib->get(), &w, &h));
        EXPECT_EQ(GetLastErrorCode(), 0);
        EXPECT_EQ(FromBuffer(rgb.get(), w, h), picture);
        // The drawing layer reads the same picture.
        HBITMAP bitmap = CreateDdbFromDib(dib->get(), nullptr, nullptr);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(BitmapImage(bitmap), picture);
        DeleteObject(bitmap);
    }
}

TEST_F(DibTest, DibsOfNetpbmAndImageMagickFiles) {
    struct Case {
        const char* tool;
        UINT colors;
    } cases[] = {{"ppmtobmp -bpp=1", 2}, {"ppmtobmp -bpp=4", 16}, {"ppmtobmp -bpp=8", 256}, {"ppmtobmp -bpp=24", 0},
                 {"RLE8", 20}};
    for (const Case& c : cases) {
        // bmptopnm refuses some of ImageMagick's RLE8 rows of odd widths: that file is 16 pixels wide.
        const bool rle = std::string(c.tool) == "RLE8";
        const Image picture = c.colors ? pxtest::PalettePattern(rle ? 16 : 13, 7, c.colors) : pxtest::Pattern(13, 7);
        Bytes file;
        if (rle) {
            pxtest::WriteFileBytes(m_dir.Path("in.ppm"), pxtest::MakePpm(picture));
            ASSERT_TRUE(pxtest::Run("convert " + m_dir.Path("in.ppm") + " -type Palette -compress RLE bmp3:" +
                                    m_dir.Path("rle.bmp")));
            file = pxtest::ReadFileBytes(m_dir.Path("rle.bmp"));
            ASSERT_EQ(Get32(file, 30), 1u);
        } else {
            file = Make(picture, c.tool);
        }
        const Image expected = ReadBack(file, "bmptopnm");
        EXPECT_EQ(expected, picture) << c.tool;
        Owned dib = GlobalCopy(DibOfBmp(file));
        UINT w = 0, h = 0;
        Owned rgb(DibToRgb(dib.get(), &w, &h));
        EXPECT_EQ(GetLastErrorCode(), 0) << c.tool;
        EXPECT_EQ(FromBuffer(rgb.get(), w, h), expected) << c.tool;
        HBITMAP bitmap = CreateDdbFromDib(dib.get(), nullptr, nullptr);
        ASSERT_NE(bitmap, nullptr) << c.tool;
        EXPECT_EQ(BitmapImage(bitmap), expected) << c.tool;
        DeleteObject(bitmap);
    }
}

TEST_F(DibTest, BitmapsRoundTripExactly) {
    const Image picture = pxtest::Pattern(37, 23);
    for (BOOL sections : {0, 1}) {
        SetUseDibSection(sections);
        HBITMAP bitmap = CreateDdbFromRgb(picture.rgb.data(), 37, 23, nullptr, nullptr);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(GetLastErrorCode(), 0);
        BITMAP bm;
        GetObject(bitmap, sizeof bm, &bm);
        EXPECT_EQ(bm.bmBitsPixel, sections ? 24 : 32);
        int err = -1;
        EXPECT_EQ(BitmapImage(bitmap, &err), picture) << sections;
        EXPECT_EQ(err, 0);
        // Back to a DIB of the bitmap's own depth, and that DIB to RGB.
        Owned dib(CreateDibFromDdb(bitmap, nullptr));
        ASSERT_TRUE(dib);
        UINT w = 0, h = 0;
        Owned rgb(DibToRgb(dib.get(), &w, &h));
        EXPECT_EQ(FromBuffer(rgb.get(), w, h), picture);
        DeleteObject(bitmap);
    }
    // The library's own 8-bit DIB (image size 0) made into a DIB section still holds its rows.
    SetUseDibSection(1);
    EightBit image(7, 5);
    Owned dib8(CreateDibFrom8Bit(image.pixels.data(), 7, 5, image.palette));
    HBITMAP section = CreateDdbFromDib(dib8.get(), nullptr, nullptr);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(BitmapImage(section), (Image{7, 5, Flatten(image.palette, image.pixels)}));
    DeleteObject(section);
}

TEST_F(DibTest, PaletteDevices) {
    // A palette device gets a palette of the DIB's table and reads bitmaps through its system palette;
    // the true-colour bitmaps come back unchanged.
    Canvas device(1, 1, 0);
    device.dc.SetDeviceCaps(gdi::ScreenWithRasterCaps(RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_PALETTE));
    EightBit image(4, 3);
    Owned dib8(CreateDibFrom8Bit(image.pixels.data(), 4, 3, image.palette));
    HBITMAP bitmap = CreateDdbFromDib(dib8.get(), nullptr, &device.dc);
    ASSERT_NE(bitmap, nullptr);
    UINT w = 0, h = 0;
    Owned rgb(DdbToRgb(bitmap, &w, &h, &device.dc, nullptr));
    EXPECT_EQ(GetLastErrorCode(), 0);
    EXPECT_EQ(FromBuffer(rgb.get(), w, h), (Image{4, 3, Flatten(image.palette, image.pixels)}));
    DeleteObject(bitmap);
}

TEST_F(DibTest, DibBitsToRgbReadsOnlyTheDeclaredTable) {
    // Each table ends where a page ends and the next page cannot be read: a read of one entry more
    // faults. Indices past the declared entries read black.
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* map = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    ASSERT_EQ(mprotect(static_cast<BYTE*>(map) + page, page, PROT_NONE), 0);
    struct Case {
        WORD bits;
        DWORD clrUsed;
        UINT entries;  // what the header declares
        BYTE indices[8];
    } cases[] = {
        {1, 0, 2, {1, 0, 1, 1, 0, 0, 0, 1}},
        {1, 2, 2, {0, 1, 0, 0, 1, 1, 1, 0}},
        {4, 0, 16, {0, 15, 3, 9, 15, 1, 0, 2}},
        {4, 3, 3, {0, 1, 2, 3, 15, 2, 1, 0}},
        {8, 2, 2, {0, 1, 2, 255, 1, 0, 3, 1}},
        {8, 0, 256, {0, 1, 2, 255, 128, 0, 3, 1}},
        {8, 1000, 256, {7, 255, 254, 0, 1, 2, 3, 4}},  // more colours used than 8 bits can index
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bits << " bits, " << c.clrUsed << " colours used");
        auto* table = reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(map) + page - c.entries * sizeof(RGBQUAD));
        for (UINT i = 0; i < c.entries; ++i)
            table[i] = RGBQUAD{static_cast<BYTE>(i + 1), static_cast<BYTE>(2 * i + 2), static_cast<BYTE>(255 - i), 0};
        BYTE row[8] = {};  // one row, padded to 4 bytes
        for (UINT x = 0; x < 8; ++x) {
            if (c.bits == 1) row[0] = static_cast<BYTE>(row[0] | (c.indices[x] << (7 - x)));
            if (c.bits == 4) row[x / 2] = static_cast<BYTE>(row[x / 2] | (c.indices[x] << ((x & 1) ? 0 : 4)));
            if (c.bits == 8) row[x] = c.indices[x];
        }
        const BITMAPINFOHEADER h{40, 8, 1, 1, c.bits, BI_RGB, 0, 0, 0, c.clrUsed, 0};
        UINT w = 0, hh = 0;
        Owned rgb(DibBitsToRgb(row, &h, table, &w, &hh));
        ASSERT_EQ(GetLastErrorCode(), 0);
        ASSERT_TRUE(rgb);
        ASSERT_EQ(w, 8u);
        ASSERT_EQ(hh, 1u);
        Bytes expected;
        for (BYTE i : c.indices) {
            if (i < c.entries)
                expected.insert(expected.end(), {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue});
            else
                expected.insert(expected.end(), {0, 0, 0});
        }
        EXPECT_EQ(Bytes(rgb.get(), rgb.get() + 24), expected);
    }
    // An RLE8 image starts as entry 0 of a one-entry table; a run of an index past it is black.
    auto* one = reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(map) + page - sizeof(RGBQUAD));
    *one = RGBQUAD{30, 20, 10, 0};
    const BYTE rle[] = {2, 5, 0, 1};
    const BITMAPINFOHEADER h{40, 4, 1, 1, 8, BI_RLE8, sizeof rle, 0, 0, 1, 0};
    UINT w = 0, hh = 0;
    Owned rgb(DibBitsToRgb(rle, &h, one, &w, &hh));
    ASSERT_EQ(GetLastErrorCode(), 0);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(Bytes(rgb.get(), rgb.get() + 12), (Bytes{0, 0, 0, 0, 0, 0, 10, 20, 30, 10, 20, 30}));
    munmap(map, 2 * page);
}

// ---- drawing --------------------------------------------------------------------------------------

TEST_F(DibTest, DrawingPlacesThePixels) {
    const Image picture = pxtest::Pattern(6, 5);
    EightBit image(8, 9);
    Owned dib(CreateDibFromRgb(picture.rgb.data(), 6, 5));
    struct Case {
        const char* name;
        std::function<BOOL(HDC)> draw;
        int x, y, w, h;                            // where the picture lands
        std::function<COLORREF(int, int)> expect;  // its pixel (i, j) there
    };
    const Case cases[] = {
        {"DrawRgb", [&](HDC dc) { return DrawRgb(dc, picture.rgb.data(), 6, 5, 2, 1, 6, 5, nullptr); }, 2, 1, 6, 5,
         [&](int i, int j) { return PixelOf(picture, i, j); }},
        {"DrawRgb part", [&](HDC dc) { return DrawRgb(dc, picture.rgb.data(), 6, 5, 0, 0, 3, 2, nullptr); }, 0, 0, 3, 2,
         [&](int i, int j) { return PixelOf(picture, i, j); }},
        {"DrawRgbRegion", [&](HDC dc) { return DrawRgbRegion(dc, picture.rgb.data(), 6, 5, 4, 4, 1, 2, 5, 3, nullptr); },
         4, 4, 5, 3, [&](int i, int j) { return PixelOf(picture, 1 + i, 2 + j); }},
        {"Draw8Bit", [&](HDC dc) { return Draw8Bit(dc, image.pixels.data(), 8, 9, image.palette, 1, 1, 8, 9, nullptr); },
         1, 1, 8, 9, [&](int i, int j) { return image.At(i, j); }},
        {"Draw8BitRegion (2, 3, 4, 5)",
         [&](HDC dc) { return Draw8BitRegion(dc, image.pixels.data(), 8, 9, image.palette, 7, 6, 2, 3, 4, 5, nullptr); },
         7, 6, 4, 5, [&](int i, int j) { return image.At(2 + i, 3 + j); }},
        {"StretchDrawRgb", [&](HDC dc) { return StretchDrawRgb(dc, picture.rgb.data(), 6, 5, 3, 2, 12, 10); }, 3, 2, 12,
         10, [&](int i, int j) { return PixelOf(picture, i / 2, j / 2); }},
        {"StretchDrawRgbRegion",
         [&](HDC dc) { return StretchDrawRgbRegion(dc, picture.rgb.data(), 6, 5, 0, 0, 5, 0, 1, 5); }, 0, 0, 1, 5,
         [&](int, int j) { return PixelOf(picture, 5, j); }},
        {"StretchDraw8Bit",
         [&](HDC dc) { return StretchDraw8Bit(dc, image.pixels.data(), 8, 9, image.palette, 0, 0, 4, 9); }, 0, 0, 4, 9,
         [&](int i, int j) { return image.At(2 * i + 1, j); }},
        {"StretchDraw8BitRegion",
         [&](HDC dc) { return StretchDraw8BitRegion(dc, image.pixels.data(), 8, 9, image.palette, 5, 5, 6, 7, 2, 2); },
         5, 5, 2, 2, [&](int i, int j) { return image.At(6 + i, 7 + j); }},
        {"StretchDrawDib", [&](HDC dc) { return StretchDrawDib(dc, dib.get(), 2, 2, 6, 10); }, 2, 2, 6, 10,
         [&](int i, int j) { return PixelOf(picture, i, j / 2); }},
    };
    for (const Case& c : cases) {
        Canvas canvas(20, 20, kBack);
        EXPECT_EQ(c.draw(&canvas.dc), TRUE) << c.name;
        EXPECT_EQ(GetLastErrorCode(), 0) << c.name;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                const COLORREF expected = inside ? c.expect(x - c.x, y - c.y) : kBack;
                ASSERT_EQ(canvas.At(x, y), expected) << c.name << " at " << x << ", " << y;
            }
        }
    }
}

TEST_F(DibTest, TransparentColourLeavesTheDestination) {
    // A 4 x 3 picture whose key-coloured pixels form a diagonal.
    const COLORREF key = RGB(255, 0, 255);
    Image picture = pxtest::Pattern(4, 3);
    for (UINT i = 0; i < 3; ++i) {
        BYTE* p = &picture.rgb[(i * 4 + i) * 3];
        p[0] = 255;
        p[1] = 0;
        p[2] = 255;
    }
    Canvas canvas(8, 8, kBack);
    canvas.dc.SetPixel(3, 3, RGB(9, 9, 9));  // a destination pixel under the key
    EXPECT_EQ(DrawRgbTransparent(&canvas.dc, picture.rgb.data(), 4, 3, 2, 2, key), TRUE);
    EXPECT_EQ(GetLastErrorCode(), 0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            COLORREF expected = kBack;
            if (x >= 2 && x < 6 && y >= 2 && y < 5) expected = PixelOf(picture, x - 2, y - 2);
            if (expected == key) expected = (x == 3 && y == 3) ? RGB(9, 9, 9) : kBack;
            ASSERT_EQ(canvas.At(x, y), expected) << x << ", " << y;
        }
    }
    // The caller's bitmap keeps its pixels.
    HBITMAP bitmap = CreateDdbFromRgb(picture.rgb.data(), 4, 3, nullptr, nullptr);
    EXPECT_EQ(DrawBitmapTransparent(&canvas.dc, bitmap, 0, 0, key), TRUE);
    EXPECT_EQ(BitmapImage(bitmap), picture);
    DeleteObject(bitmap);
}

TEST_F(DibTest, CaptureAndDeviceCapabilities) {
    Canvas canvas(10, 10, kBack);
    canvas.dc.SetPixel(4, 5, RGB(200, 100, 50));
    Owned captured(CaptureDcToRgb(&canvas.dc, 3, 4, 3, 2));
    ASSERT_TRUE(captured);
    EXPECT_EQ(GetLastErrorCode(), 0);
    EXPECT_EQ(Bytes(captured.get() + 12, captured.get() + 15), (Bytes{200, 100, 50}));  // (1, 1) of the capture
    EXPECT_EQ(Bytes(captured.get(), captured.get() + 3), (Bytes{1, 2, 3}));

    // Devices lacking a capability the operation needs: code 26.
    const Image picture = pxtest::Pattern(2, 2);
    HBITMAP bitmap = CreateDdbFromRgb(picture.rgb.data(), 2, 2, nullptr, nullptr);
    CDC printer;
    printer.CreateDeviceDC(gdi::ScreenWithRasterCaps(RC_DI_BITMAP | RC_STRETCHDIB));
    CDC plotter;
    plotter.CreateDeviceDC(gdi::ScreenWithRasterCaps(0));
    UINT w = 0, h = 0;
    struct Case {
        const char* name;
        std::function<bool()> call;  // true when it returned nothing
        int code;
    } cases[] = {
        {"CaptureDcToRgb without RC_BITBLT", [&] { return !CaptureDcToRgb(&printer, 0, 0, 1, 1); }, 26},
        {"CaptureDcToRgb of nothing", [&] { return !CaptureDcToRgb(&canvas.dc, 0, 0, 0, 1); }, 5},
        {"CaptureDcToRgb of no DC", [&] { return !CaptureDcToRgb(nullptr, 0, 0, 1, 1); }, 5},
        {"DdbToRgb without RC_DI_BITMAP", [&] { return !DdbToRgb(bitmap, &w, &h, &plotter, nullptr); }, 26},
        {"DdbToRgb without a DC", [&] { return !DdbToRgb(bitmap, &w, &h, nullptr, nullptr); }, 26},
        {"DrawBitmap without RC_BITBLT", [&] { return !DrawBitmap(&printer, bitmap, 0, 0, 2, 2, nullptr); }, 26},
        {"DrawBitmapTransparent without RC_BITMAP64",
         [&] { return !DrawBitmapTransparent(&printer, bitmap, 0, 0, 0); }, 26},
        {"StretchDrawRgb without RC_STRETCHDIB",
         [&] { return !StretchDrawRgb(&plotter, picture.rgb.data(), 2, 2, 0, 0, 2, 2); }, 26},
        {"CreateDdbFromRgb without RC_DI_BITMAP",
         [&] { return !CreateDdbFromRgb(picture.rgb.data(), 2, 2, nullptr, &plotter); }, 26},
        {"DrawBitmap of no bitmap", [&] { return !DrawBitmap(&canvas.dc, nullptr, 0, 0, 2, 2, nullptr); }, 5},
        {"Draw8Bit without a palette",
         [&] { return !Draw8Bit(&canvas.dc, picture.rgb.data(), 2, 2, nullptr, 0, 0, 2, 2, nullptr); }, 5},
        {"StretchDrawDib of no DIB", [&] { return !StretchDrawDib(&canvas.dc, nullptr, 0, 0, 2, 2); }, 5},
        // Bitmaps larger than the drawing layer makes (2^28 pixels) cannot be created.
        {"CaptureDcToRgb into a bitmap that cannot be created",
         [&] { return !CaptureDcToRgb(&canvas.dc, 0, 0, 20000, 20000); }, 23},
        {"CreateDdbFromRgb into a DIB section that cannot be made", [&] {
             const Image big = pxtest::Pattern(200, 200);  // 120000 bytes of rows, past the limit below
             SetUseDibSection(1);
             px::SetAllocationLimitForTesting(1 << 16);
             const bool bNone = !CreateDdbFromRgb(big.rgb.data(), 200, 200, nullptr, nullptr);
             px::SetAllocationLimitForTesting(0);
             SetUseDibSection(0);
             return bNone;
         }, 39},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.call()) << c.name;
        EXPECT_EQ(GetLastErrorCode(), c.code) << c.name;
    }
    EXPECT_EQ(w, 0u);
    // A bitmap selected into another DC cannot be drawn from.
    CDC holder;
    holder.CreateCompatibleDC(nullptr);
    CBitmap* old = holder.SelectObject(bitmap);
    EXPECT_EQ(DrawBitmap(&canvas.dc, bitmap, 0, 0, 2, 2, nullptr), FALSE);
    EXPECT_EQ(GetLastErrorCode(), 37);
    holder.SelectObject(old);
    EXPECT_EQ(DrawBitmap(&canvas.dc, bitmap, 0, 0, 2, 2, nullptr), TRUE);
    EXPECT_EQ(GetLastErrorCode(), 0);
    DeleteObject(bitmap);
}

TEST_F(DibTest, RegionsOutsideTheImage) {
    const Image picture = pxtest::Pattern(6, 5);
    EightBit image(6, 5);
    Canvas canvas(8, 8, kBack);
    struct Case {
        const char* name;
        std::function<BOOL()> call;
    } cases[] = {
        {"src x + src w > width", [&] { return DrawRgbRegion(&canvas.dc, picture.rgb.data(), 6, 5, 0, 0, 3, 0, 4, 1, nullptr); }},
        {"src y + src h > height", [&] { return StretchDrawRgbRegion(&canvas.dc, picture.rgb.data(), 6, 5, 0, 0, 0, 4, 1, 2); }},
        {"a sum past 32 bits", [&] { return DrawRgbRegion(&canvas.dc, picture.rgb.data(), 6, 5, 0, 0, 1, 0, 0xFFFFFFFFu, 1, nullptr); }},
        {"a negative source x", [&] { return Draw8BitRegion(&canvas.dc, image.pixels.data(), 6, 5, image.palette, 0, 0, -1, 0, 2, 2, nullptr); }},
        {"an empty region", [&] { return StretchDraw8BitRegion(&canvas.dc, image.pixels.data(), 6, 5, image.palette, 0, 0, 1, 1, 0, 2); }},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), FALSE) << c.name;
        EXPECT_EQ(GetLastErrorCode(), 5) << c.name;
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(canvas.At(x, y), kBack);
}

// ---- palettes and resources -----------------------------------------------------------------------

TEST_F(DibTest, PalettesOfRgbQuads) {
    RGBQUAD quads[300] = {};
    quads[1] = RGBQUAD{3, 2, 1, 0};
    EXPECT_EQ(CreatePaletteFromRgbQuads(quads, 300), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_EQ(CreatePaletteFromRgbQuads(quads, 0), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    HPALETTE pal = CreatePaletteFromRgbQuads(quads, 256);
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(GetLastErrorCode(), 0);
    PALETTEENTRY e[2];
    EXPECT_EQ(GetPaletteEntries(pal, 0, 2, e), 2u);
    EXPECT_EQ(e[1].peRed, 1);
    EXPECT_EQ(e[1].peBlue, 3);
    // Drawing through a palette of the picture's own colours changes nothing on a true-colour device.
    EightBit image(3, 3);
    Canvas canvas(3, 3, kBack);
    EXPECT_EQ(Draw8Bit(&canvas.dc, image.pixels.data(), 3, 3, image.palette, 0, 0, 3, 3, pal), TRUE);
    EXPECT_EQ(canvas.At(2, 1), image.At(2, 1));
    EXPECT_EQ(canvas.dc.GetCurrentPalette(), GetStockObject(DEFAULT_PALETTE));  // selected back
    DeleteObject(pal);
}

TEST_F(DibTest, BitmapResources) {
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x1234);
    EXPECT_EQ(LoadBitmapResource(module, "LOGO", nullptr), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 13);
    // A 4-bit DIB declaring 2 colours used: a resource still carries 16 entries before its bits.
    Bytes dib(40 + 64 + 4);
    const BITMAPINFOHEADER h{40, 3, 1, 1, 4, BI_RGB, 0, 0, 0, 2, 0};
    std::memcpy(dib.data(), &h, 40);
    const BYTE colours[3][3] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    for (int i = 0; i < 3; ++i) {
        dib[40 + 4 * i] = colours[i][2];
        dib[41 + 4 * i] = colours[i][1];
        dib[42 + 4 * i] = colours[i][0];
    }
    dib[104] = 0x21;  // pixels 2, 1, 0
    dib[105] = 0x00;
    ASSERT_TRUE(RegisterResource(module, "logo", RT_BITMAP, dib.data(), static_cast<DWORD>(dib.size())));
    ASSERT_TRUE(RegisterResource(module, MAKEINTRESOURCE(7), RT_BITMAP, dib.data(), static_cast<DWORD>(dib.size())));
    for (const char* name : {"LOGO", MAKEINTRESOURCE(7)}) {
        HBITMAP bitmap = LoadBitmapResource(module, name, nullptr);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(GetLastErrorCode(), 0);
        EXPECT_EQ(BitmapImage(bitmap), (Image{3, 1, Bytes{70, 80, 90, 40, 50, 60, 10, 20, 30}}));
        DeleteObject(bitmap);
    }
    EXPECT_EQ(LoadBitmapResource(module, MAKEINTRESOURCE(8), nullptr), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 13);
    // A resource too short for its rows.
    ASSERT_TRUE(RegisterResource(module, "cut", RT_BITMAP, dib.data(), 105));
    EXPECT_EQ(LoadBitmapResource(module, "cut", nullptr), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 35);
    UnregisterResource(module, "logo", RT_BITMAP);
    UnregisterResource(module, MAKEINTRESOURCE(7), RT_BITMAP);
    UnregisterResource(module, "cut", RT_BITMAP);
}

// ---- hostile DIBs ----------------------------------------------------------------------------------

TEST_F(DibTest, HostileDibBlocks) {
    // A 24-bit 4 x 4 DIB of 40 + 64 bytes, and variants that lie about themselves.
    const Image picture = pxtest::Pattern(4, 4);
    Owned good(CreateDibFromRgb(picture.rgb.data(), 4, 4));
    const Bytes base(good.get(), good.get() + GlobalSize(good.get()));
    auto with = [&](size_t at, int32_t v, size_t cut = 0) {
        Bytes b = base;
        std::memcpy(&b[at], &v, 4);
        b.resize(b.size() - cut);
        return b;
    };
    struct Case {
        const char* name;
        Bytes dib;
        int dibToRgb;  // DibToRgb's code
        int toBitmap;  // CreateDdbFromDib's code
    } cases[] = {
        {"rows past the block", with(8, 4, 1), 6, 35},
        {"taller than the block", with(8, 5), 6, 35},
        {"header size past the block", with(0, 1000), 6, 35},
        {"header size under 40", with(0, 12), 6, 35},
        {"a table of 2^31 entries", with(32, INT32_MIN), 6, 35},
        {"no width", with(4, 0), 6, 35},
        {"bit fields", with(16, 3), 7, 35},
        {"3 bits", with(12, (3 << 16) | 1), 6, 35},
        {"RLE8 top-down", [&] { Bytes b = with(16, 1); int32_t h = -4; std::memcpy(&b[8], &h, 4); b[14] = 8; return b; }(), 6, 35},
        {"RLE4 of 24 bits", with(16, 2), 7, 35},
    };
    for (const Case& c : cases) {
        Owned dib = GlobalCopy(c.dib);
        UINT w = 7, h = 7;
        Owned rgb(DibToRgb(dib.get(), &w, &h));
        EXPECT_EQ(GetLastErrorCode(), c.dibToRgb) << c.name;
        EXPECT_EQ(bool(rgb), c.dibToRgb == 0) << c.name;
        if (!rgb) {
            EXPECT_EQ(w + h, 0u) << c.name;
        }
        HBITMAP bitmap = CreateDdbFromDib(dib.get(), nullptr, nullptr);
        EXPECT_EQ(GetLastErrorCode(), c.toBitmap) << c.name;
        EXPECT_EQ(bitmap != nullptr, c.toBitmap == 0) << c.name;
        if (bitmap) DeleteObject(bitmap);
        Canvas canvas(2, 2, kBack);
        EXPECT_EQ(StretchDrawDib(&canvas.dc, dib.get(), 0, 0, 2, 2), c.toBitmap == 0 ? TRUE : FALSE) << c.name;
    }
    // RLE: a delta below the bottom row stops with BadBmp; data declared past the block is read only
    // within it; a tiny RLE DIB declaring a huge image fails at once under a lowered limit.
    Bytes rle(40 + 8 + 6);
    const BITMAPINFOHEADER h{40, 4, 2, 1, 8, BI_RLE8, 0x7FFFFFFF, 0, 0, 2, 0};
    std::memcpy(rle.data(), &h, 40);
    rle[40 + 4 + 2] = 255;  // entry 1 red
    const BYTE data[] = {2, 1, 0, 2, 0, 5};
    std::memcpy(&rle[48], data, 6);
    Owned rleBlock = GlobalCopy(rle);
    UINT w = 0, hh = 0;
    EXPECT_EQ(DibToRgb(rleBlock.get(), &w, &hh), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 6);
    rle[49 + 4] = 0;  // the delta moves up by 0 rows: decoding ends at the block's end
    Owned rleBlock2 = GlobalCopy(rle);
    Owned rgb(DibToRgb(rleBlock2.get(), &w, &hh));
    EXPECT_EQ(GetLastErrorCode(), 0);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(Bytes(rgb.get() + 12, rgb.get() + 18), (Bytes{255, 0, 0, 255, 0, 0}));  // the bottom row's run
    // Encoders end the last row with an end of line: only data after it is below the image.
    const BYTE closed[] = {2, 1, 0, 0, 2, 1, 0, 0, 0, 1};
    const BYTE pastTheTop[] = {2, 1, 0, 0, 2, 1, 0, 0, 1, 1};
    for (const auto& [data2, code] : {std::pair<const BYTE*, int>{closed, 0}, {pastTheTop, 6}}) {
        Bytes two(40 + 8);
        std::memcpy(two.data(), rle.data(), 48);
        two.insert(two.end(), data2, data2 + 10);
        Owned block = GlobalCopy(two);
        Owned out(DibToRgb(block.get(), &w, &hh));
        EXPECT_EQ(GetLastErrorCode(), code);
        EXPECT_EQ(bool(out), code == 0);
    }
    const int32_t huge = 30000;
    std::memcpy(&rle[4], &huge, 4);
    std::memcpy(&rle[8], &huge, 4);
    Owned hugeBlock = GlobalCopy(rle);
    px::SetAllocationLimitForTesting(1 << 20);
    EXPECT_EQ(DibToRgb(hugeBlock.get(), &w, &hh), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 1);
}
