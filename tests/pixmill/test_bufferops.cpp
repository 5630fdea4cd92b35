// Buffer operations: grey, shuffles, counting, palette mapping, flips, crops and fills, and the progress
// each one reports.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include "pixmill/pxbuffer.h"
#include "pixmill/pxstream.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using Calls = std::vector<std::pair<UINT, UINT>>;

thread_local Calls t_calls;
thread_local BOOL t_answer = TRUE;
BOOL Record(UINT done, UINT total) {
    t_calls.emplace_back(done, total);
    return t_answer;
}

// Runs f with the recording callback answering `answer`; the calls it saw.
Calls Progress(const std::function<void()>& f, BOOL answer = TRUE) {
    t_calls.clear();
    t_answer = answer;
    SetProgressCallback(Record);
    f();
    SetProgressCallback(nullptr);
    return t_calls;
}

RGBQUAD Quad(BYTE r, BYTE g, BYTE b, BYTE reserved = 0) { return RGBQUAD{b, g, r, reserved}; }

TEST(Grey, TruncatesTheDoubleSumInChannelOrder) {
    struct Case {
        BYTE r, g, b, grey;
    } cases[] = {
        {255, 255, 255, 255}, {100, 100, 100, 100}, {1, 1, 1, 0}, {128, 128, 128, 127},
        {255, 0, 0, 76},      {0, 255, 0, 149},     {0, 0, 255, 29}, {10, 20, 30, 18},
    };
    for (const Case& c : cases) {
        const BYTE rgb[3] = {c.r, c.g, c.b};
        BYTE grey = 0xEE;
        EXPECT_TRUE(RgbToGray(rgb, 1, 1, &grey));
        EXPECT_EQ(grey, c.grey) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        BYTE copy[3] = {c.r, c.g, c.b};
        EXPECT_TRUE(DesaturateRgb(copy, 1, 1));
        EXPECT_EQ(copy[0], c.grey);
        EXPECT_EQ(copy[1], c.grey);
        EXPECT_EQ(copy[2], c.grey);
    }
    BYTE out;
    EXPECT_FALSE(RgbToGray(nullptr, 1, 1, &out));
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_FALSE(DesaturateRgb(nullptr, 1, 1));
    EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST(Shuffles, SwapExpandReplaceAndPlanes) {
    BYTE rgb[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(SwapRedBlue(rgb, 2, 1));
    EXPECT_EQ(Bytes(rgb, rgb + 6), (Bytes{3, 2, 1, 6, 5, 4}));

    RGBQUAD palette[256] = {};
    palette[7] = Quad(10, 20, 30);
    palette[200] = Quad(200, 100, 50);
    const BYTE indices[2] = {200, 7};
    EXPECT_TRUE(Expand8BitToRgb(indices, rgb, 2, 1, 12345, palette));
    EXPECT_EQ(Bytes(rgb, rgb + 6), (Bytes{200, 100, 50, 10, 20, 30}));
    EXPECT_FALSE(Expand8BitToRgb(indices, rgb, 2, 1, 0, nullptr));
    EXPECT_EQ(GetLastErrorCode(), 5);

    EXPECT_TRUE(ReplaceRgbColor(rgb, 2, 1, RGB(10, 20, 30), RGB(1, 2, 3)));
    EXPECT_EQ(Bytes(rgb, rgb + 6), (Bytes{200, 100, 50, 1, 2, 3}));

    BYTE r[2], g[2], b[2];
    EXPECT_TRUE(SplitRgbPlanes(rgb, 2, 1, r, g, b));
    EXPECT_EQ(Bytes(r, r + 2), (Bytes{200, 1}));
    EXPECT_EQ(Bytes(b, b + 2), (Bytes{50, 3}));
    BYTE merged[6] = {};
    EXPECT_TRUE(MergeRgbPlanes(merged, 2, 1, r, g, b));
    EXPECT_EQ(Bytes(merged, merged + 6), Bytes(rgb, rgb + 6));
    EXPECT_FALSE(SplitRgbPlanes(rgb, 2, 1, r, nullptr, b));
    EXPECT_EQ(GetLastErrorCode(), 5);

    BYTE rgba[8] = {};
    EXPECT_TRUE(RgbToRgba(rgb, 2, 1, 77, rgba));
    EXPECT_EQ(Bytes(rgba, rgba + 8), (Bytes{200, 100, 50, 77, 1, 2, 3, 77}));
    const BYTE alpha[2] = {9, 8};
    EXPECT_TRUE(SetAlphaChannel(rgba, 2, 1, alpha));
    BYTE backRgb[6] = {}, backAlpha[2] = {};
    EXPECT_TRUE(SplitRgba(rgba, 2, 1, backRgb, backAlpha));
    EXPECT_EQ(Bytes(backRgb, backRgb + 6), Bytes(rgb, rgb + 6));
    EXPECT_EQ(Bytes(backAlpha, backAlpha + 2), (Bytes{9, 8}));
    EXPECT_TRUE(SplitRgba(rgba, 2, 1, nullptr, backAlpha));
    EXPECT_FALSE(SplitRgba(rgba, 2, 1, nullptr, nullptr));
    EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST(CountColors, BothTableSizesCountEveryBand) {
    struct Case {
        std::vector<COLORREF> colours;  // as 0xRRGGBB values
        UINT expected;
    } cases[] = {
        {{0, 0, 0, 0}, 1},
        {{0x000000, 0x800000}, 2},
        {{0x000001, 0x3FFFFF, 0x400000, 0x7FFFFF, 0x800000, 0xBFFFFF, 0xC00000, 0xFFFFFF, 0x3FFFFF, 0xC00000}, 8},
    };
    for (const Case& c : cases) {
        Bytes rgb;
        for (COLORREF v : c.colours) {
            rgb.push_back(static_cast<BYTE>(v >> 16));
            rgb.push_back(static_cast<BYTE>(v >> 8));
            rgb.push_back(static_cast<BYTE>(v));
        }
        const UINT n = static_cast<UINT>(c.colours.size());
        EXPECT_EQ(CountRgbColors(rgb.data(), n, 1, TRUE), c.expected);
        EXPECT_EQ(CountRgbColors(rgb.data(), 1, n, FALSE), c.expected);
        EXPECT_EQ(GetLastErrorCode(), 0);
    }
    EXPECT_EQ(CountRgbColors(nullptr, 1, 1, TRUE), 0u);
    EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST(MapToPalette, NearestFirstOfEqualAndLimits) {
    RGBQUAD palette[4] = {Quad(0, 0, 0), Quad(100, 100, 100), Quad(0, 0, 0), Quad(50, 50, 50)};
    // (25, 25, 25) is as near to 0 as to 50: the first wins. (75, 75, 75) ties 50 and 100: 1 comes first.
    const BYTE rgb[] = {25, 25, 25, 75, 75, 75, 60, 60, 60, 255, 255, 255, 0, 0, 0};
    BYTE out[5] = {};
    EXPECT_TRUE(MapRgbToPalette(rgb, 5, 1, out, 4, palette));
    EXPECT_EQ(Bytes(out, out + 5), (Bytes{0, 1, 3, 1, 0}));
    // n = 0 leaves every pixel at index 0.
    EXPECT_TRUE(MapRgbToPalette(rgb, 5, 1, out, 0, palette));
    EXPECT_EQ(Bytes(out, out + 5), (Bytes{0, 0, 0, 0, 0}));
    RGBQUAD big[257] = {};
    EXPECT_FALSE(MapRgbToPalette(rgb, 5, 1, out, 257, big));
    EXPECT_EQ(GetLastErrorCode(), 5);
}

TEST(WholeBuffer, FlipMirrorCopyAndPack) {
    BYTE rows[9] = {1, 1, 1, 2, 2, 2, 3, 3, 3};
    EXPECT_TRUE(FlipVertical(rows, 3, 3));
    EXPECT_EQ(Bytes(rows, rows + 9), (Bytes{3, 3, 3, 2, 2, 2, 1, 1, 1}));

    BYTE rgb[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_TRUE(MirrorHorizontal(rgb, 3, 1));
    EXPECT_EQ(Bytes(rgb, rgb + 9), (Bytes{7, 8, 9, 4, 5, 6, 1, 2, 3}));

    const BYTE src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    BYTE dst[6] = {0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(CopyRows(src, 4, 2, 3, dst));
    EXPECT_EQ(Bytes(dst, dst + 6), (Bytes{1, 2, 3, 5, 6, 7}));
    EXPECT_FALSE(CopyRows(nullptr, 4, 2, 3, dst));
    EXPECT_EQ(GetLastErrorCode(), 5);

    struct Case {
        Bytes values;
        UINT w, h, bits;
        Bytes packed;
    } cases[] = {
        {{1, 2, 3}, 3, 1, 4, {0x12, 0x30}},
        {{1, 2, 3, 4}, 2, 2, 3, {0x29, 0xC0}},  // rows are not aligned: 001 010 011 100
        {{0xFF, 0, 0xFF, 0xFE, 1, 1, 1, 1, 1}, 9, 1, 1, {0xAF, 0x80}},  // values masked to their low bit
        {{0xAB, 0x12}, 1, 2, 8, {0xAB, 0x12}},
    };
    for (const Case& c : cases) {
        Bytes out(c.packed.size(), 0xEE);
        EXPECT_TRUE(PackIndices(c.values.data(), c.w, c.h, out.data(), c.bits));
        EXPECT_EQ(out, c.packed) << c.bits;
    }
    BYTE out[2];
    for (UINT bits : {0u, 9u}) {
        EXPECT_FALSE(PackIndices(src, 2, 1, out, bits));
        EXPECT_EQ(GetLastErrorCode(), 5);
    }
}

TEST(Internal, CropFillAndDibBits) {
    // A 4 x 3 image whose pixel (x, y) is (x, y, 9).
    Bytes img(4 * 3 * 3);
    for (UINT y = 0; y < 3; ++y)
        for (UINT x = 0; x < 4; ++x) {
            img[(y * 4 + x) * 3] = static_cast<BYTE>(x);
            img[(y * 4 + x) * 3 + 1] = static_cast<BYTE>(y);
            img[(y * 4 + x) * 3 + 2] = 9;
        }
    ErrorCode err = ErrorCode::None;
    pxtest::Owned crop(px::CropRgb(err, img.data(), 4, 3, 3, 1, 1, 3, 3));
    ASSERT_TRUE(crop);
    EXPECT_EQ(GlobalSize(crop.get()), 12u);
    EXPECT_EQ(Bytes(crop.get(), crop.get() + 12), (Bytes{1, 1, 9, 2, 1, 9, 1, 2, 9, 2, 2, 9}));
    struct Bad {
        UINT l, t, r, b;
    } bad[] = {{2, 0, 2, 1}, {0, 0, 5, 1}, {0, 1, 1, 1}, {0, 0, 1, 4}, {3, 0, 1, 1}};
    for (const Bad& c : bad) {
        err = ErrorCode::None;
        EXPECT_EQ(px::CropRgb(err, img.data(), 4, 3, 3, c.l, c.t, c.r, c.b), nullptr);
        EXPECT_EQ(err, ErrorCode::BadParam);
    }

    Bytes filled = img;
    err = ErrorCode::None;
    EXPECT_TRUE(px::FillRgbRect(err, filled.data(), 4, 3, 1, 2, 3, 1, RGB(7, 7, 7)));
    for (UINT x = 0; x < 4; ++x) {
        const BYTE* p = &filled[(2 * 4 + x) * 3];
        if (x == 0) EXPECT_EQ(Bytes(p, p + 3), (Bytes{0, 2, 9}));
        else EXPECT_EQ(Bytes(p, p + 3), (Bytes{7, 7, 7}));
    }
    EXPECT_TRUE(px::FillRgbRect(err, filled.data(), 4, 3, 0, 0, 1, 1, RGB(1, 2, 3)));
    EXPECT_EQ(Bytes(filled.begin(), filled.begin() + 3), (Bytes{1, 2, 3}));
    // Rectangles that do not fit leave the image alone and still succeed.
    const Bytes before = filled;
    struct Rect {
        int x, y;
        UINT w, h;
    } outside[] = {{-1, 0, 1, 1}, {0, -1, 1, 1}, {2, 0, 3, 1}, {0, 2, 1, 2}, {INT_MAX, 0, 0xFFFFFFFF, 1}};
    for (const Rect& r : outside) EXPECT_TRUE(px::FillRgbRect(err, filled.data(), 4, 3, r.x, r.y, r.w, r.h, 0));
    EXPECT_EQ(filled, before);
    EXPECT_EQ(err, ErrorCode::None);

    // Bottom row first, blue green red, the pad bytes untouched.
    const BYTE rgb[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    BYTE bits[16];
    std::memset(bits, 0xEE, sizeof(bits));
    EXPECT_TRUE(px::RgbToDibBits(err, rgb, bits, 2, 2, 8));
    EXPECT_EQ(Bytes(bits, bits + 16),
              (Bytes{9, 8, 7, 12, 11, 10, 0xEE, 0xEE, 3, 2, 1, 6, 5, 4, 0xEE, 0xEE}));
    EXPECT_FALSE(px::RgbToDibBits(err, rgb, bits, 2, 2, 5));
    EXPECT_EQ(err, ErrorCode::BadParam);
}

TEST(Progress, EachOperationReportsItsOwnCounts) {
    Bytes rgb = pxtest::Pattern(2, 2).rgb;
    Bytes rgb3 = pxtest::Pattern(3, 3).rgb;
    BYTE out[16] = {};
    Bytes big(3 * 3 * 3);
    RGBQUAD palette[256] = {};
    ErrorCode err = ErrorCode::None;
    struct Case {
        const char* name;
        std::function<void()> run;
        Calls calls;
    } cases[] = {
        {"gray", [&] { RgbToGray(rgb.data(), 2, 2, out); }, {{0, 2}, {1, 2}}},
        {"desaturate", [&] { DesaturateRgb(rgb.data(), 2, 2); }, {{0, 2}, {1, 2}}},
        {"expand", [&] { Expand8BitToRgb(out, big.data(), 2, 2, 0, palette); }, {{0, 2}, {1, 2}}},
        {"replace", [&] { ReplaceRgbColor(rgb.data(), 2, 2, 0, 0); }, {{0, 2}, {1, 2}}},
        {"map", [&] { MapRgbToPalette(rgb.data(), 2, 2, out, 4, palette); }, {{0, 2}, {0, 2}, {1, 2}, {1, 2}}},
        {"resize", [&] { ResizeRgb(rgb.data(), 2, 2, big.data(), 3, 3); }, {{0, 3}, {1, 3}, {2, 3}}},
        {"keyed", [&] { ResizeRgbKeyed(rgb.data(), 2, 2, big.data(), 3, 3, 0); }, {}},
        {"shrink", [&] { ShrinkRgbByAveraging(rgb3.data(), 3, 3, out, 1, 1); }, {{0, 1}}},
        {"flip2", [&] { FlipVertical(rgb.data(), 6, 2); }, {{0, 2}}},
        {"flip3", [&] { FlipVertical(rgb3.data(), 9, 3); }, {{0, 3}, {2, 3}}},
        {"mirror", [&] { MirrorHorizontal(rgb.data(), 2, 2); }, {{0, 2}, {1, 2}}},
        {"pack", [&] { PackIndices(out, 2, 2, big.data(), 4); }, {{0, 2}, {1, 2}}},
        {"swap", [&] { SwapRedBlue(rgb.data(), 2, 2); }, {}},
        // Called directly, the internal operation runs alone and reports (source row, height).
        {"crop", [&] { GlobalFree(px::CropRgb(err, rgb3.data(), 3, 3, 3, 0, 1, 2, 3)); }, {{1, 3}, {2, 3}}},
        {"fill", [&] { px::FillRgbRect(err, rgb3.data(), 3, 3, 0, 1, 2, 2, 0); }, {{0, 2}, {1, 2}}},
        {"reduce", [&] { ReduceRgbTo8Bit(rgb.data(), 2, 2, out, 4, palette); }, {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}}},
        {"optimal", [&] { ComputeOptimalPalette(rgb.data(), 2, 2, 4, palette); }, {{0, 4}, {1, 4}, {2, 4}, {3, 4}}},
    };
    for (const Case& c : cases) EXPECT_EQ(Progress(c.run), c.calls) << c.name;
}

TEST(Progress, AbortsKeepTheRowsDoneAndFreeWorkMemory) {
    // FALSE on the first report: the rows done so far stay.
    Bytes rgb = {10, 20, 30, 40, 50, 60};
    BYTE out[2] = {0xEE, 0xEE};
    EXPECT_EQ(Progress([&] { EXPECT_FALSE(RgbToGray(rgb.data(), 1, 2, out)); }, FALSE).size(), 1u);
    EXPECT_EQ(GetLastErrorCode(), 14);
    EXPECT_EQ(out[0], px::GreyOf(10, 20, 30));
    EXPECT_EQ(out[1], 0xEE);
    // A cropped block is freed on abort (the leak checker of the sanitizer build watches).
    ErrorCode err = ErrorCode::None;
    Progress([&] { EXPECT_EQ(px::CropRgb(err, rgb.data(), 1, 2, 3, 0, 0, 1, 2), nullptr); }, FALSE);
    EXPECT_EQ(err, ErrorCode::Aborted);
    // Quantiser aborts at each of its report points free its tables.
    RGBQUAD palette[256];
    static thread_local size_t s_nAllowed;
    for (size_t stopAt = 0; stopAt < 5; ++stopAt) {
        t_calls.clear();
        s_nAllowed = stopAt;
        SetProgressCallback([](UINT done, UINT total) -> BOOL {
            t_calls.emplace_back(done, total);
            return t_calls.size() <= s_nAllowed;
        });
        EXPECT_FALSE(ReduceRgbTo8Bit(rgb.data(), 1, 2, out, 4, palette));
        EXPECT_EQ(GetLastErrorCode(), 14);
        EXPECT_EQ(t_calls.size(), stopAt + 1);
        SetProgressCallback(nullptr);
    }
}

TEST(Detect, SignaturesInTableOrder) {
    struct Case {
        Bytes head;
        size_t offset;
        FileFormat format;
    } cases[] = {
        {{'B', 'M'}, 0, FileFormat::Bmp},
        {{'G', 'I', 'F', '8', '9', 'a'}, 0, FileFormat::Gif},
        {{'G', 'I', 'F', '8', '7', 'a'}, 0, FileFormat::Gif},
        {{0xFF, 0xD8, 0xFF, 0xE0}, 0, FileFormat::Jpeg},
        {{0xFF, 0xD8, 0xFF, 0xDB}, 0, FileFormat::Jpeg},
        {{0x0A, 0x00}, 0, FileFormat::Pcx},
        {{0x0A, 0x02}, 0, FileFormat::Pcx},
        {{0x0A, 0x03}, 0, FileFormat::Pcx},
        {{0x0A, 0x05}, 0, FileFormat::Pcx},
        {{0x0A, 0x04}, 0, FileFormat::Unknown},
        {{'M', 'M'}, 0, FileFormat::Tiff},
        {{'I', 'I'}, 0, FileFormat::Tiff},
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, 0, FileFormat::Png},
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x00}, 0, FileFormat::Unknown},
        {{0x01, 0x00, 0x09, 0x00, 0x00}, 0, FileFormat::Wmf},
        {{0xD7, 0xCD, 0xC6, 0x9A}, 0, FileFormat::Wmf},
        {{' ', 'E', 'M', 'F'}, 40, FileFormat::Emf},
        {{' ', 'E', 'M', 'F'}, 39, FileFormat::Unknown},
        {{'I', 'I', 0, 0}, 0, FileFormat::Tiff},
    };
    for (const Case& c : cases) {
        Bytes data(60, 0x55);
        std::copy(c.head.begin(), c.head.end(), data.begin() + static_cast<long>(c.offset));
        SourceHandle src = OpenMemorySource(data.data(), static_cast<UINT>(data.size()));
        EXPECT_EQ(DetectFileFormat(src), c.format) << int(c.head[0]) << " at " << c.offset;
        EXPECT_EQ(GetLastErrorCode(), 0);
        EXPECT_EQ(TellStream(src), 44u);  // the source is left after the 44 bytes
        CloseSource(src);
    }
}

TEST(Detect, ShortDataAndBadHandles) {
    Bytes data = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
    SourceHandle src = OpenMemorySource(data.data(), 10);
    EXPECT_EQ(DetectFileFormat(src), FileFormat::Unknown);
    EXPECT_EQ(GetLastErrorCode(), 3);
    CloseSource(src);
    EXPECT_EQ(DetectFileFormat(nullptr), FileFormat::Unknown);
    EXPECT_EQ(GetLastErrorCode(), 5);
    EXPECT_EQ(DetectFileFormat(src), FileFormat::Unknown);  // closed
    EXPECT_EQ(GetLastErrorCode(), 38);
    Bytes ok(44, 0);
    ok[0] = 'B';
    ok[1] = 'M';
    src = OpenMemorySource(ok.data(), 44);
    src->m_dwTailMagic ^= 1;
    EXPECT_EQ(DetectFileFormat(src), FileFormat::Unknown);
    EXPECT_EQ(GetLastErrorCode(), 38);
    src->m_dwTailMagic ^= 1;
    EXPECT_EQ(DetectFileFormat(src), FileFormat::Bmp);
    EXPECT_EQ(GetLastErrorCode(), 0);
    CloseSource(src);
}

}  // namespace
