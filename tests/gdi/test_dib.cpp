// Device-independent bitmaps, DIB sections, monochrome bitmaps, palettes and device capabilities.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/dib.h"
#include "test_draw_util.h"

using drawtest::Canvas;

namespace {

// A packed DIB built byte by byte: header, optional masks or colour table, then the bits.
struct Dib {
    std::vector<BYTE> info;  // header and table
    std::vector<BYTE> bits;

    Dib(LONG w, LONG h, WORD bitCount, DWORD compression = BI_RGB, DWORD clrUsed = 0) {
        BITMAPINFOHEADER hdr{};
        hdr.biSize = 40;
        hdr.biWidth = w;
        hdr.biHeight = h;
        hdr.biPlanes = 1;
        hdr.biBitCount = bitCount;
        hdr.biCompression = compression;
        hdr.biClrUsed = clrUsed;
        info.resize(40);
        std::memcpy(info.data(), &hdr, 40);
    }
    Dib& Color(BYTE r, BYTE g, BYTE b) {
        info.insert(info.end(), {b, g, r, 0});
        return *this;
    }
    Dib& Dword(DWORD v) {
        for (int i = 0; i < 4; ++i) info.push_back(static_cast<BYTE>(v >> (8 * i)));
        return *this;
    }
    Dib& Bytes(std::initializer_list<BYTE> b) {
        bits.insert(bits.end(), b);
        return *this;
    }
    void SetSizeImage(DWORD n) { std::memcpy(info.data() + 20, &n, 4); }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// The DIB decoded through CreateDIBitmap, as COLORREFs row by row from the top.
std::vector<COLORREF> Decode(const Dib& d) {
    HBITMAP bm = CreateDIBitmap(nullptr, &d.Info()->bmiHeader, CBM_INIT, d.bits.data(), d.Info(), DIB_RGB_COLORS);
    std::vector<COLORREF> out;
    if (!bm) return out;
    const gdi::Surface& s = bm->GetSurface();
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) out.push_back(gdi::PixelToColor(s.Row(y)[x]));
    DeleteObject(bm);
    return out;
}

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kBlack = 0,
                   kWhite = RGB(255, 255, 255);

}  // namespace

// ---- decoding every format -----------------------------------------------------------------------

TEST(Dib, DecodesEachFormat) {
    struct Case {
        const char* name;
        Dib dib;
        std::vector<COLORREF> expected;  // top row first
    };
    std::vector<Case> cases;
    // 1 bit, 9 pixels wide, bottom-up: rows of 4 bytes; the bottom row comes first.
    cases.push_back({"1 bit", Dib(9, 2, 1).Color(255, 0, 0).Color(0, 0, 255).Bytes({0x80, 0x80, 0, 0, 0x7F, 0x00, 0, 0}),
                     {kRed, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kRed,
                      kBlue, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kBlue}});
    // 4 bits with a table of 3 (index 5 lies past it: black).
    cases.push_back({"4 bits", Dib(3, 1, 4, BI_RGB, 3).Color(255, 0, 0).Color(0, 255, 0).Color(0, 0, 255).Bytes({0x12, 0x50, 0, 0}),
                     {kGreen, kBlue, kBlack}});
    // 8 bits, top-down.
    cases.push_back({"8 bits top-down", Dib(2, -2, 8, BI_RGB, 2).Color(1, 2, 3).Color(4, 5, 6).Bytes({0, 1, 0, 0, 1, 1, 0, 0}),
                     {RGB(1, 2, 3), RGB(4, 5, 6), RGB(4, 5, 6), RGB(4, 5, 6)}});
    // 16 bits 5-5-5: 0x7FFF white, 0x4210 (16, 16, 16) -> 16 << 3 | 16 >> 2 = 132.
    cases.push_back({"16 bits", Dib(2, 1, 16).Bytes({0xFF, 0x7F, 0x10, 0x42}), {kWhite, RGB(132, 132, 132)}});
    // 16 bits 5-6-5 bit fields: 0xF800 red 255; 0x0400 green 32 of 63 -> (32 * 255 + 31) / 63 = 130.
    cases.push_back({"16 bits 5-6-5", Dib(2, 1, 16, BI_BITFIELDS).Dword(0xF800).Dword(0x07E0).Dword(0x001F).Bytes({0x00, 0xF8, 0x00, 0x04}),
                     {kRed, RGB(0, 130, 0)}});
    cases.push_back({"24 bits", Dib(2, 1, 24).Bytes({1, 2, 3, 4, 5, 6, 0, 0}), {RGB(3, 2, 1), RGB(6, 5, 4)}});
    cases.push_back({"32 bits", Dib(1, 2, 32).Bytes({1, 2, 3, 99, 4, 5, 6, 99}), {RGB(6, 5, 4), RGB(3, 2, 1)}});
    // 32-bit fields with blue in the high byte: 0x10203040 -> red 0x40, green 0x30, blue 0x10.
    cases.push_back({"32 bit fields", Dib(1, 1, 32, BI_BITFIELDS).Dword(0x000000FF).Dword(0x0000FF00).Dword(0xFF000000).Bytes({0x40, 0x30, 0x20, 0x10}),
                     {RGB(0x40, 0x30, 0x10)}});
    for (const Case& c : cases) EXPECT_EQ(Decode(c.dib), c.expected) << c.name;
}

TEST(Dib, RunLengthEncoded) {
    const COLORREF c0 = RGB(9, 9, 9), c1 = kRed, c2 = kBlue;
    // RLE8, 4 x 3, bottom row first: a run of 3, a delta (0, +1), a run of 1, end of line, an absolute run
    // of 3 with its pad byte, a run of 9 cut at the row's end, end of bitmap.
    Dib rle8(4, 3, 8, BI_RLE8, 3);
    rle8.Color(9, 9, 9).Color(255, 0, 0).Color(0, 0, 255);
    rle8.Bytes({3, 1, 0, 2, 0, 1, 1, 2, 0, 0, 0, 3, 2, 1, 2, 0, 9, 1, 0, 1});
    rle8.SetSizeImage(static_cast<DWORD>(rle8.bits.size()));
    EXPECT_EQ(Decode(rle8), (std::vector<COLORREF>{c2, c1, c2, c1,  //
                                                   c0, c0, c0, c2,  //
                                                   c1, c1, c1, c0}));
    // RLE4: a run of 5 alternating 1 and 2, then an absolute run of 3 (1, 0, 2) padded to a pair.
    Dib rle4(8, 1, 4, BI_RLE4, 3);
    rle4.Color(9, 9, 9).Color(255, 0, 0).Color(0, 0, 255);
    rle4.Bytes({5, 0x12, 0, 3, 0x10, 0x20, 0, 1});
    rle4.SetSizeImage(static_cast<DWORD>(rle4.bits.size()));
    EXPECT_EQ(Decode(rle4), (std::vector<COLORREF>{c1, c2, c1, c2, c1, c1, c0, c2}));
    // Data cut short: what was decoded stays, the rest is colour 0.
    Dib cut(4, 1, 8, BI_RLE8, 2);
    cut.Color(9, 9, 9).Color(255, 0, 0).Bytes({2, 1, 0});
    cut.SetSizeImage(3);
    EXPECT_EQ(Decode(cut), (std::vector<COLORREF>{c1, c1, c0, c0}));
}

TEST(Dib, RefusedHeaders) {
    std::vector<Dib> bad;
    bad.push_back(Dib(0, 1, 24));
    bad.push_back(Dib(1, 0, 24));
    bad.push_back(Dib(1, 1, 2));
    bad.push_back(Dib(1, 1, 24, BI_RLE8));
    bad.push_back(Dib(1, -1, 8, BI_RLE8));  // RLE is bottom-up only
    bad.push_back(Dib(1, 1, 24, BI_BITFIELDS));
    bad.push_back(Dib(1, 1, 24, 7));
    bad.push_back(Dib(1 << 15, 1 << 15, 24));  // larger than any surface
    for (const Dib& d : bad) {
        gdi::DibFormat f;
        EXPECT_FALSE(gdi::ParseDib(d.Info(), d.info.size(), DIB_RGB_COLORS, &f));
    }
    // Bounded variants: the header, the table and stride x |height| must fit what holds them.
    Dib ok(3, 2, 8, BI_RGB, 2);
    ok.Color(1, 1, 1).Color(2, 2, 2).Bytes({0, 1, 0, 0, 1, 0, 0, 0});
    gdi::DibFormat f;
    EXPECT_TRUE(gdi::ParseDib(ok.Info(), ok.info.size(), DIB_RGB_COLORS, &f));
    EXPECT_EQ(f.infoBytes, 48u);
    EXPECT_EQ(f.stride, 4u);
    EXPECT_FALSE(gdi::ParseDib(ok.Info(), ok.info.size() - 1, DIB_RGB_COLORS, &f));
    Canvas canvas(3, 2);
    EXPECT_EQ(gdi::StretchDIBitsChecked(canvas.dc, 0, 0, 3, 2, 0, 0, 3, 2, ok.bits.data(), ok.bits.size(), ok.Info(),
                                        ok.info.size(), DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(gdi::StretchDIBitsChecked(canvas.dc, 0, 0, 3, 2, 0, 0, 3, 2, ok.bits.data(), ok.bits.size() - 1,
                                        ok.Info(), ok.info.size(), DIB_RGB_COLORS, SRCCOPY),
              0);
}

TEST(Dib, PaletteIndices) {
    // DIB_PAL_COLORS: WORD indices into the DC's palette.
    std::vector<BYTE> lp(4 + 2 * 4);
    auto* pal = reinterpret_cast<LOGPALETTE*>(lp.data());
    pal->palVersion = 0x300;
    pal->palNumEntries = 2;
    pal->palPalEntry[0] = {10, 20, 30, 0};
    pal->palPalEntry[1] = {40, 50, 60, 0};
    HPALETTE hpal = CreatePalette(pal);
    ASSERT_NE(hpal, nullptr);
    Canvas canvas(2, 1);
    HPALETTE old = SelectPalette(canvas.dc, hpal, FALSE);
    Dib d(2, 1, 8, BI_RGB, 2);
    d.info.insert(d.info.end(), {1, 0, 0, 0});
    d.Bytes({0, 1, 0, 0});
    EXPECT_EQ(StretchDIBits(canvas.dc, 0, 0, 2, 1, 0, 0, 2, 1, d.bits.data(), d.Info(), DIB_PAL_COLORS, SRCCOPY), 1);
    EXPECT_EQ(canvas.At(0, 0), RGB(40, 50, 60));
    EXPECT_EQ(canvas.At(1, 0), RGB(10, 20, 30));
    SelectPalette(canvas.dc, old, FALSE);
    DeleteObject(hpal);
}

// ---- drawing DIBs --------------------------------------------------------------------------------

TEST(Dib, SourceRectanglesCountFromTheBottomOfBottomUpDibs) {
    // One column of four rows: A at the bottom (first in memory) to D at the top.
    const COLORREF A = RGB(1, 0, 0), B = RGB(2, 0, 0), C = RGB(3, 0, 0), D = RGB(4, 0, 0);
    Dib up(1, 4, 24);
    up.Bytes({0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0});
    Dib down(1, -4, 24);
    down.bits = up.bits;  // now A is the top row
    struct Case {
        const Dib* dib;
        int ySrc;
        COLORREF expected;
    } cases[] = {{&up, 0, A}, {&up, 1, B}, {&up, 3, D}, {&down, 0, A}, {&down, 1, B}};
    for (const Case& c : cases) {
        Canvas canvas(1, 1);
        EXPECT_EQ(StretchDIBits(canvas.dc, 0, 0, 1, 1, 0, c.ySrc, 1, 1, c.dib->bits.data(), c.dib->Info(),
                                DIB_RGB_COLORS, SRCCOPY),
                  4);
        EXPECT_EQ(canvas.At(0, 0), c.expected) << c.ySrc;
    }
    // Stretched 1 x 4 onto 2 x 8, mirrored left to right (no visible change for one column).
    Canvas canvas(2, 8);
    EXPECT_EQ(StretchDIBits(canvas.dc, 2, 0, -2, 8, 0, 0, 1, 4, up.bits.data(), up.Info(), DIB_RGB_COLORS, SRCCOPY), 4);
    const COLORREF column[] = {D, D, C, C, B, B, A, A};
    for (int y = 0; y < 8; ++y) EXPECT_EQ(canvas.At(1, y), column[y]) << y;
    // A raster operation applies: SRCAND with white keeps the picture, with black gives black.
    Canvas black(1, 4, kBlack);
    StretchDIBits(black.dc, 0, 0, 1, 4, 0, 0, 1, 4, up.bits.data(), up.Info(), DIB_RGB_COLORS, SRCAND);
    EXPECT_EQ(black.At(0, 0), kBlack);
}

TEST(Dib, SetDIBitsToDeviceDrawsTheBandItHolds) {
    // A 1 x 4 bottom-up picture of which the bits hold scan lines 1 and 2 (rows 2 and 1 from the top).
    Dib d(1, 4, 24);
    d.Bytes({0, 0, 10, 0, 0, 0, 20, 0});
    Canvas canvas(1, 4);
    EXPECT_EQ(SetDIBitsToDevice(canvas.dc, 0, 0, 1, 4, 0, 0, 1, 2, d.bits.data(), d.Info(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(canvas.At(0, 0), drawtest::kBack);
    EXPECT_EQ(canvas.At(0, 1), RGB(20, 0, 0));
    EXPECT_EQ(canvas.At(0, 2), RGB(10, 0, 0));
    EXPECT_EQ(canvas.At(0, 3), drawtest::kBack);
}

// ---- GetDIBits, DIB sections, GetObject ----------------------------------------------------------

TEST(Dib, GetDIBitsWritesEachFormat) {
    Canvas canvas(3, 2);
    canvas.dc.SetPixel(0, 0, RGB(10, 20, 30));
    canvas.dc.SetPixel(1, 0, kRed);
    canvas.dc.SetPixel(2, 1, kBlack);
    HDC screen = GetDC(nullptr);
    std::vector<BYTE> block(40 + 256 * 4);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(block.data());
    auto ask = [&](WORD bits, LONG height) {
        std::memset(block.data(), 0, block.size());
        bmi->bmiHeader.biSize = 40;
        bmi->bmiHeader.biWidth = 3;
        bmi->bmiHeader.biHeight = height;
        bmi->bmiHeader.biPlanes = 1;
        bmi->bmiHeader.biBitCount = bits;
    };
    // Header only: the size of the image.
    ask(24, 2);
    EXPECT_EQ(GetDIBits(screen, &canvas.bitmap, 0, 2, nullptr, bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(bmi->bmiHeader.biSizeImage, 24u);  // stride 12 x 2
    // 24 bits bottom-up: the bottom row first.
    std::vector<BYTE> bits(24, 0xEE);
    EXPECT_EQ(GetDIBits(screen, &canvas.bitmap, 0, 2, bits.data(), bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(std::vector<BYTE>(bits.begin(), bits.begin() + 12),
              (std::vector<BYTE>{255, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<BYTE>(bits.begin() + 12, bits.end()),
              (std::vector<BYTE>{30, 20, 10, 0, 0, 255, 255, 255, 255, 0, 0, 0}));
    // 32 bits top-down, only scan line 1.
    ask(32, -2);
    std::vector<BYTE> bits32(12);
    EXPECT_EQ(GetDIBits(screen, &canvas.bitmap, 1, 5, bits32.data(), bmi, DIB_RGB_COLORS), 1);
    EXPECT_EQ(bits32, (std::vector<BYTE>{255, 255, 255, 0, 255, 255, 255, 0, 0, 0, 0, 0}));
    // 1 bit: black and white, each pixel its nearer one.
    ask(1, 2);
    std::vector<BYTE> bits1(8);
    EXPECT_EQ(GetDIBits(screen, &canvas.bitmap, 0, 2, bits1.data(), bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(bmi->bmiColors[1].rgbRed, 255);
    EXPECT_EQ(bits1[0], 0xC0);  // bottom row: white, white, black
    EXPECT_EQ(bits1[4], 0x20);  // top row: (10, 20, 30) black, red black, white
    // A width other than the bitmap's is refused.
    ask(24, 2);
    bmi->bmiHeader.biWidth = 4;
    EXPECT_EQ(GetDIBits(screen, &canvas.bitmap, 0, 2, bits.data(), bmi, DIB_RGB_COLORS), 0);
    ReleaseDC(nullptr, screen);
}

TEST(Dib, SectionsKeepTheirOwnFormat) {
    Dib d(3, 2, 8, BI_RGB, 3);
    d.Color(0, 0, 0).Color(255, 0, 0).Color(0, 0, 255);
    void* pv = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, d.Info(), DIB_RGB_COLORS, &pv, nullptr, 0);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(pv, nullptr);
    BYTE* bits = static_cast<BYTE*>(pv);
    bits[0] = 1;  // bottom row, left: red
    bits[4 + 2] = 2;  // top row, right: blue
    DIBSECTION ds;
    EXPECT_EQ(GetObject(section, sizeof ds, &ds), static_cast<int>(sizeof(DIBSECTION)));
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 8);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 4);
    EXPECT_EQ(ds.dsBm.bmBits, pv);
    EXPECT_EQ(ds.dsBmih.biSizeImage, 8u);
    BITMAP bm;
    EXPECT_EQ(GetObject(section, sizeof bm, &bm), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(GetObject(section, 0, nullptr), static_cast<int>(sizeof(DIBSECTION)));

    // Selected: the bits show; drawing goes back to the bits when the section leaves the DC.
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap* old = dc.SelectObject(section);
    EXPECT_EQ(dc.GetPixel(0, 1), kRed);
    EXPECT_EQ(dc.GetPixel(2, 0), kBlue);
    EXPECT_EQ(dc.GetPixel(1, 0), kBlack);
    dc.SetPixel(1, 0, RGB(250, 10, 10));  // nearest entry: red
    dc.SelectObject(old);
    EXPECT_EQ(bits[4 + 1], 1);

    // GetDIBits in the section's own format gives its bits and table unchanged.
    std::vector<BYTE> block(40 + 256 * 4);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(block.data());
    bmi->bmiHeader = BITMAPINFOHEADER{40, 3, 2, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> out(8);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, section, 0, 2, out.data(), bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(out, std::vector<BYTE>(bits, bits + 8));
    EXPECT_EQ(bmi->bmiColors[2].rgbBlue, 255);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(DeleteObject(section));

    // Compressed sections do not exist.
    Dib rle(2, 2, 8, BI_RLE8);
    EXPECT_EQ(CreateDIBSection(nullptr, rle.Info(), DIB_RGB_COLORS, &pv, nullptr, 0), nullptr);
    EXPECT_EQ(pv, nullptr);
}

// ---- monochrome bitmaps --------------------------------------------------------------------------

TEST(Monochrome, ColourRulesOfBlits) {
    Canvas colour(3, 1);
    colour.dc.SetPixel(0, 0, kRed);
    colour.dc.SetPixel(1, 0, kGreen);
    colour.dc.SetPixel(2, 0, kRed);
    CBitmap maskBits;
    ASSERT_TRUE(maskBits.CreateBitmap(3, 1, 1, 1, nullptr));
    BITMAP bm;
    maskBits.GetBitmap(&bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidthBytes, 2);
    CDC mask;
    mask.CreateCompatibleDC(nullptr);
    CBitmap* old = mask.SelectObject(&maskBits);
    // To monochrome: the source's background colour gives white (1), anything else black (0).
    colour.dc.SetBkColor(kRed);
    EXPECT_TRUE(mask.BitBlt(0, 0, 3, 1, &colour.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(mask.GetPixel(0, 0), kWhite);
    EXPECT_EQ(mask.GetPixel(1, 0), kBlack);
    EXPECT_EQ(mask.GetPixel(2, 0), kWhite);
    // From monochrome: 0 takes the destination's text colour, 1 its background colour.
    Canvas dst(3, 1);
    dst.dc.SetTextColor(kBlue);
    dst.dc.SetBkColor(kGreen);
    EXPECT_TRUE(dst.dc.BitBlt(0, 0, 3, 1, &mask, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.At(0, 0), kGreen);
    EXPECT_EQ(dst.At(1, 0), kBlue);
    // Stretched the same way, then with a raster operation on the mapped colours.
    Canvas wide(6, 1, RGB(0x0F, 0x0F, 0x0F));
    wide.dc.SetTextColor(kBlack);
    wide.dc.SetBkColor(kWhite);
    EXPECT_TRUE(wide.dc.StretchBlt(0, 0, 6, 1, &mask, 0, 0, 3, 1, SRCAND));
    EXPECT_EQ(wide.At(0, 0), RGB(0x0F, 0x0F, 0x0F));
    EXPECT_EQ(wide.At(2, 0), kBlack);
    // Monochrome to monochrome with NOTSRCCOPY inverts.
    CBitmap invBits;
    invBits.CreateBitmap(3, 1, 1, 1, nullptr);
    CDC inv;
    inv.CreateCompatibleDC(nullptr);
    CBitmap* oldInv = inv.SelectObject(&invBits);
    EXPECT_TRUE(inv.BitBlt(0, 0, 3, 1, &mask, 0, 0, NOTSRCCOPY));
    EXPECT_EQ(inv.GetPixel(0, 0), kBlack);
    EXPECT_EQ(inv.GetPixel(1, 0), kWhite);
    inv.SelectObject(oldInv);
    mask.SelectObject(old);
}

TEST(Monochrome, CreatedFromWordRowsAndReadAsOneBitDibs) {
    const BYTE rows[] = {0xA0, 0x00, 0x40, 0x00};  // 3 x 2: 1 0 1 / 0 1 0
    HBITMAP bm = CreateBitmap(3, 2, 1, 1, rows);
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(CreateBitmap(3, 2, 2, 1, rows), nullptr);
    std::vector<BYTE> block(40 + 8);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(block.data());
    bmi->bmiHeader = BITMAPINFOHEADER{40, 3, 2, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> out(8);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, bm, 0, 2, out.data(), bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(out[0], 0x40);  // the bottom row first
    EXPECT_EQ(out[4], 0xA0);
    ReleaseDC(nullptr, screen);
    DeleteObject(bm);
}

// ---- raster operations, palettes, devices --------------------------------------------------------

TEST(Blits, MoreRasterOperationsAndPatBlt) {
    Canvas src(1, 1, RGB(0xF0, 0x0F, 0x55));
    struct Case {
        DWORD rop;
        COLORREF expected;  // over a destination of (0x33, 0x3C, 0x43)
    } cases[] = {
        {SRCINVERT, RGB(0xC3, 0x33, 0x16)},
        {SRCERASE, RGB(0xC0, 0x03, 0x14)},
        {NOTSRCERASE, RGB(0x0C, 0xC0, 0xA8)},
        {MERGEPAINT, RGB(0x3F, 0xFC, 0xEB)},
    };
    for (const Case& c : cases) {
        Canvas dst(1, 1, RGB(0x33, 0x3C, 0x43));
        EXPECT_TRUE(dst.dc.BitBlt(0, 0, 1, 1, &src.dc, 0, 0, c.rop));
        EXPECT_EQ(dst.At(0, 0), c.expected) << std::hex << c.rop;
    }
    Canvas dst(4, 1, RGB(0x33, 0x3C, 0x43));
    CBrush brush(RGB(0xF0, 0x0F, 0x55));
    dst.dc.SelectObject(&brush);
    EXPECT_TRUE(dst.dc.PatBlt(0, 0, 1, 1, PATCOPY));
    EXPECT_TRUE(dst.dc.PatBlt(2, 0, -1, 1, PATINVERT));  // pixel 1
    EXPECT_TRUE(dst.dc.PatBlt(2, 0, 1, 1, DSTINVERT));
    EXPECT_TRUE(dst.dc.PatBlt(3, 0, 1, 1, WHITENESS));
    EXPECT_FALSE(dst.dc.PatBlt(3, 0, 1, 1, SRCCOPY));
    EXPECT_EQ(dst.At(0, 0), RGB(0xF0, 0x0F, 0x55));
    EXPECT_EQ(dst.At(1, 0), RGB(0xC3, 0x33, 0x16));
    EXPECT_EQ(dst.At(2, 0), RGB(0xCC, 0xC3, 0xBC));
    EXPECT_EQ(dst.At(3, 0), kWhite);
    dst.dc.SelectStockObject(WHITE_BRUSH);
}

TEST(Palettes, CreateSelectRealise) {
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
    std::vector<BYTE> lp(4 + 3 * 4);
    auto* pal = reinterpret_cast<LOGPALETTE*>(lp.data());
    pal->palVersion = 0x300;
    pal->palNumEntries = 0;
    EXPECT_EQ(CreatePalette(pal), nullptr);
    pal->palNumEntries = 3;
    pal->palPalEntry[0] = {1, 2, 3, 0};
    pal->palPalEntry[1] = {4, 5, 6, 0};
    pal->palPalEntry[2] = {7, 8, 9, 0};
    HPALETTE hpal = CreatePalette(pal);
    ASSERT_NE(hpal, nullptr);
    WORD n = 0;
    EXPECT_EQ(GetObject(hpal, sizeof n, &n), 2);
    EXPECT_EQ(n, 3);
    PALETTEENTRY e[4] = {};
    EXPECT_EQ(GetPaletteEntries(hpal, 1, 4, e), 2u);
    EXPECT_EQ(e[1].peBlue, 9);

    // A true-colour screen realises nothing and has no system palette.
    Canvas canvas(1, 1);
    EXPECT_EQ(SelectPalette(canvas.dc, hpal, FALSE), GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(RealizePalette(canvas.dc), 0u);
    EXPECT_EQ(GetSystemPaletteEntries(canvas.dc, 0, 4, e), 0u);
    // A palette device: the realised entries follow the ten low static colours.
    canvas.dc.SetDeviceCaps(gdi::ScreenWithRasterCaps(RC_BITBLT | RC_PALETTE | RC_DI_BITMAP));
    EXPECT_EQ(RealizePalette(canvas.dc), 3u);
    PALETTEENTRY sys[256];
    EXPECT_EQ(GetSystemPaletteEntries(canvas.dc, 0, 255, sys), 255u);
    EXPECT_EQ(sys[1].peRed, 128);  // dark red
    EXPECT_EQ(sys[10].peRed, 1);
    EXPECT_EQ(sys[12].peBlue, 9);
    EXPECT_EQ(sys[13].peRed, 0);
    EXPECT_EQ(sys[254].peRed, 0);  // cyan, the 19th static colour
    EXPECT_EQ(sys[254].peGreen, 255);
    // Deleting a selected palette puts the default one back.
    EXPECT_TRUE(DeleteObject(hpal));
    EXPECT_EQ(canvas.dc.GetCurrentPalette(), GetStockObject(DEFAULT_PALETTE));
}

TEST(Devices, ReferenceScreenAndOthers) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    struct Case {
        int index, value;
    } cases[] = {{TECHNOLOGY, DT_RASDISPLAY}, {HORZRES, 1920}, {VERTRES, 1440}, {HORZSIZE, 508}, {VERTSIZE, 381},
                 {LOGPIXELSX, 96}, {LOGPIXELSY, 96}, {BITSPIXEL, 32}, {PLANES, 1}, {NUMCOLORS, -1},
                 {RASTERCAPS, RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_STRETCHDIB}, {SIZEPALETTE, 0}};
    for (const Case& c : cases) EXPECT_EQ(GetDeviceCaps(screen, c.index), c.value) << c.index;
    // 0.01 mm and pixels convert exactly: 2540 hundredths of a millimetre are 96 pixels.
    EXPECT_EQ(2540 * GetDeviceCaps(screen, HORZRES) % (GetDeviceCaps(screen, HORZSIZE) * 100), 0);
    EXPECT_EQ(2540 * GetDeviceCaps(screen, HORZRES) / (GetDeviceCaps(screen, HORZSIZE) * 100), 96);
    // The screen has no pixels: drawing is dropped and reads are invalid.
    EXPECT_EQ(SetPixel(screen, 0, 0, kRed), CLR_INVALID);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(screen)), nullptr);
    EXPECT_EQ(GetMapMode(screen), MM_TEXT);
    EXPECT_EQ(SetMapMode(screen, 8), 0);
    EXPECT_EQ(GetDeviceCaps(nullptr, HORZRES), 0);

    // A memory DC describes the device it was made compatible with.
    CDC printer;
    printer.CreateDeviceDC(gdi::ScreenWithRasterCaps(RC_STRETCHDIB));
    HDC mem = CreateCompatibleDC(&printer);
    EXPECT_EQ(GetDeviceCaps(mem, RASTERCAPS), RC_STRETCHDIB);
    DeleteDC(mem);
    mem = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(mem, HORZRES), 1920);
    DeleteDC(mem);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}
