// The JPEG codec against cjpeg / djpeg / wrjpgcom / rdjpgcom and ImageMagick, with files edited at
// marker level.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "pixmill/pxalloc.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Decoded;
using pxtest::Image;

// ---- Files at marker level ----

// One marker segment: its bytes from the 0xFF of the marker, including (for SOS) the entropy-coded data
// that follows up to the next marker.
struct Segment {
    BYTE marker;
    Bytes bytes;
};

std::vector<Segment> Segments(const Bytes& jpeg) {
    std::vector<Segment> segments;
    size_t i = 0;
    while (i + 1 < jpeg.size()) {
        if (jpeg[i] != 0xFF) break;
        const BYTE marker = jpeg[i + 1];
        size_t end = i + 2;
        if (marker != 0xD8 && marker != 0xD9 && end + 2 <= jpeg.size()) end += (jpeg[end] << 8) | jpeg[end + 1];
        if (marker == 0xDA) {
            // Entropy-coded data: up to a marker that is neither stuffing (FF 00) nor a restart (FF D0-D7).
            while (end + 1 < jpeg.size() &&
                   !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 && !(jpeg[end + 1] >= 0xD0 && jpeg[end + 1] <= 0xD7)))
                ++end;
        }
        end = std::min(end, jpeg.size());
        segments.push_back(Segment{marker, Bytes(jpeg.begin() + i, jpeg.begin() + end)});
        i = end;
    }
    return segments;
}

Bytes Join(const std::vector<Segment>& segments) {
    Bytes out;
    for (const Segment& s : segments) out.insert(out.end(), s.bytes.begin(), s.bytes.end());
    return out;
}

bool HasMarker(const Bytes& jpeg, BYTE marker) {
    for (const Segment& s : Segments(jpeg))
        if (s.marker == marker) return true;
    return false;
}

// An APPn or COM segment with the payload.
Segment MarkerSegment(BYTE marker, const Bytes& payload) {
    Bytes b = {0xFF, marker, static_cast<BYTE>((payload.size() + 2) >> 8), static_cast<BYTE>(payload.size() + 2)};
    b.insert(b.end(), payload.begin(), payload.end());
    return Segment{marker, b};
}

// The file with the segment put after SOI.
Bytes WithSegment(const Bytes& jpeg, const Segment& segment) {
    std::vector<Segment> s = Segments(jpeg);
    s.insert(s.begin() + 1, segment);
    return Join(s);
}

// The CMYK samples libjpeg decodes from a four-component file (w x h x 4).
Bytes CmykSamples(const Bytes& jpeg, UINT& w, UINT& h) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_CMYK;
    jpeg_start_decompress(&cinfo);
    w = cinfo.output_width;
    h = cinfo.output_height;
    Bytes out(size_t{w} * h * 4);
    while (cinfo.output_scanline < h) {
        JSAMPROW row = &out[size_t{cinfo.output_scanline} * w * 4];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

Bytes GreyOfImage(const Image& image) {
    Bytes grey(size_t{image.w} * image.h);
    for (size_t p = 0; p < grey.size(); ++p) {
        const BYTE* q = &image.rgb[3 * p];
        grey[p] = static_cast<BYTE>(static_cast<int>(0.299 * q[0] + 0.587 * q[1] + 0.114 * q[2]));
    }
    return grey;
}

Bytes WriteJpeg(const Image& image, int quality, BOOL progressive, int* err = nullptr, UINT capacity = 1u << 22) {
    return pxtest::EncodeBy(capacity, err, [&](SinkHandle sink) {
        return WriteRgbAsJpeg(sink, image.rgb.data(), image.w, image.h, quality, progressive);
    });
}

// The comments rdjpgcom finds in the file, one a line.
std::string ToolComments(const pxtest::TempDir& dir, const Bytes& jpeg) {
    const Bytes out = pxtest::CommandFile(dir, "rdjpgcom " + pxtest::Put(dir, "c.jpg", jpeg), "comments.txt");
    return std::string(out.begin(), out.end());
}

// Each test starts from the thread's defaults and leaves them so.
class JpegTest : public pxtest::ToolTest {
protected:
    void TearDown() override {
        SetJpegDctMethod(0);
        SetJpegDensity(1, 1, 0);
        ClearJpegWriteComments();
        ClearJpegWriteMarkers();
        ClearJpegComments();
        ClearJpegMarkers();
        SetProgressCallback(nullptr);
    }
    Bytes Cjpeg(const Image& picture, const std::string& options) { return Make(picture, "cjpeg " + options); }
};

TEST_F(JpegTest, VariantsReadAsDjpegDecodesThem) {
    const Image picture = pxtest::Pattern(45, 29);
    struct Case {
        const char* cjpeg;
        BYTE sof;
        bool bGrey;
    } cases[] = {
        {"-quality 85", 0xC0, false},
        {"-quality 85 -sample 1x1", 0xC0, false},
        {"-quality 85 -sample 2x1", 0xC0, false},
        {"-quality 60 -progressive", 0xC2, false},
        {"-quality 85 -restart 1", 0xC0, false},
        {"-quality 85 -restart 3B -optimize", 0xC1, false},
        {"-quality 85 -grayscale", 0xC0, true},
        {"-quality 85 -grayscale -progressive", 0xC2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cjpeg);
        const Bytes file = Cjpeg(picture, c.cjpeg);
        ASSERT_TRUE(HasMarker(file, c.sof) || (c.sof == 0xC1 && HasMarker(file, 0xC0)));
        if (std::string(c.cjpeg).find("restart") != std::string::npos) {
            ASSERT_TRUE(HasMarker(file, 0xDD));
        }
        const Image expected = ReadBack(file, "djpeg -dct int -pnm");
        const Decoded rgb = pxtest::Decode(ReadJpegToRgb, file);
        EXPECT_EQ(rgb.err, 0);
        EXPECT_EQ(rgb.AsImage(), expected);
        // Grey files give their one component; colour ones the weighted sum.
        const Decoded grey = pxtest::Decode(ReadJpegToGray, file);
        EXPECT_EQ(grey.err, 0);
        Bytes expectedGrey = GreyOfImage(expected);
        if (c.bGrey) {
            for (size_t p = 0; p < expectedGrey.size(); ++p) expectedGrey[p] = expected.rgb[3 * p];
        }
        EXPECT_EQ(grey.Pixels(1), expectedGrey);
    }
}

TEST_F(JpegTest, ReadingKeepsTheDefaultDctWhateverTheMethodSet) {
    // The method set applies to writing only: every read decodes as djpeg's default, the slow integer
    // DCT, and not as the fast or floating-point one would.
    const Bytes file = Cjpeg(pxtest::Pattern(64, 40), "-quality 90");
    const Image slow = ReadBack(file, "djpeg -pnm -dct int");
    ASSERT_NE(slow, ReadBack(file, "djpeg -pnm -dct fast"));
    ASSERT_NE(slow, ReadBack(file, "djpeg -pnm -dct float"));
    for (int method : {0, 1, 2, 3, 7}) {
        SCOPED_TRACE(method);
        SetJpegDctMethod(method);
        const Decoded d = pxtest::Decode(ReadJpegToRgb, file);
        EXPECT_EQ(d.err, 0);
        EXPECT_EQ(d.AsImage(), slow);
    }
}

TEST_F(JpegTest, CmykFromItsSamples) {
    const Image picture = pxtest::Pattern(33, 21);
    Put("in.ppm", pxtest::MakePpm(picture));
    const Bytes file = Command("convert in.ppm -colorspace CMYK -quality 92 jpg:-");
    UINT w = 0, h = 0;
    const Bytes cmyk = CmykSamples(file, w, h);
    Bytes expected(size_t{w} * h * 3);
    for (size_t p = 0; p < size_t{w} * h; ++p)
        for (int c = 0; c < 3; ++c) expected[3 * p + c] = static_cast<BYTE>(cmyk[4 * p + c] * cmyk[4 * p + 3] / 255);
    const Decoded d = pxtest::Decode(ReadJpegToRgb, file);
    EXPECT_EQ(d.err, 0);
    EXPECT_EQ(d.w, w);
    EXPECT_EQ(d.Pixels(3), expected);
    // The Adobe segment is APP14, which the reader keeps.
    ASSERT_EQ(GetJpegMarkerCount(), 1u);
    BYTE* data = nullptr;
    UINT length = 0, code = 0;
    ASSERT_TRUE(GetJpegMarker(0, &data, &length, &code));
    EXPECT_EQ(code, 0xEEu);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), "Adobe");
    GlobalFree(data);
    // Four components do not make grey: the buffer comes back, zero, with the code.
    const Decoded grey = pxtest::Decode(ReadJpegToGray, file);
    EXPECT_EQ(grey.err, 28);
    ASSERT_TRUE(grey.buffer);
    EXPECT_EQ(grey.Pixels(1), Bytes(size_t{w} * h, 0));
}

TEST_F(JpegTest, CommentsMarkersAndDensityOfTheLastRead) {
    const Image picture = pxtest::Pattern(16, 16);
    const Bytes plain = Cjpeg(picture, "-quality 80");
    Put("plain.jpg", plain);
    Bytes file = Command("wrjpgcom -comment 'first words' plain.jpg | wrjpgcom -comment 'second words'");
    // JFIF density 300 x 150 dots per inch.
    ASSERT_EQ(std::string(file.begin() + 6, file.begin() + 10), "JFIF");
    file[13] = 1;
    file[14] = 0x01, file[15] = 0x2C;
    file[16] = 0x00, file[17] = 0x96;
    Bytes app1(100);
    for (size_t i = 0; i < app1.size(); ++i) app1[i] = static_cast<BYTE>(i * 7 + 1);
    file = WithSegment(file, MarkerSegment(0xE1, app1));

    const Decoded d = pxtest::Decode(ReadJpegToRgb, file);
    ASSERT_EQ(d.err, 0);
    ASSERT_EQ(GetJpegCommentCount(), 2u);
    const char* expectedComments[] = {"first words", "second words"};
    for (UINT i = 0; i < 2; ++i) {
        char* comment = GetJpegComment(i);
        ASSERT_TRUE(comment);
        EXPECT_STREQ(comment, expectedComments[i]);
        GlobalFree(comment);
    }
    EXPECT_EQ(GetJpegComment(2), nullptr);
    ASSERT_EQ(GetJpegMarkerCount(), 1u);  // the JFIF APP0 segment is not kept
    BYTE* data = nullptr;
    UINT length = 0, code = 0;
    ASSERT_TRUE(GetJpegMarker(0, &data, &length, &code));
    EXPECT_EQ(code, 0xE1u);
    EXPECT_EQ(length, 100u);
    EXPECT_EQ(GlobalSize(data), 100u);
    EXPECT_EQ(Bytes(data, data + 100), app1);
    GlobalFree(data);
    EXPECT_FALSE(GetJpegMarker(1, &data, &length, &code));
    EXPECT_EQ(data, nullptr);
    UINT x = 0, y = 0, unit = 0;
    EXPECT_TRUE(GetJpegDensity(&x, &y, &unit));
    EXPECT_EQ(x, 300u);
    EXPECT_EQ(y, 150u);
    EXPECT_EQ(unit, 1u);

    // Without JFIF: 1, 1, 0; the lists of the earlier read are gone.
    std::vector<Segment> segments = Segments(plain);
    ASSERT_EQ(segments[1].marker, 0xE0);
    segments.erase(segments.begin() + 1);
    ASSERT_EQ(pxtest::Decode(ReadJpegToRgb, Join(segments)).err, 0);
    EXPECT_TRUE(GetJpegDensity(&x, &y, &unit));
    EXPECT_EQ(x, 1u);
    EXPECT_EQ(y, 1u);
    EXPECT_EQ(unit, 0u);
    EXPECT_EQ(GetJpegCommentCount(), 0u);
    EXPECT_EQ(GetJpegMarkerCount(), 0u);

    ASSERT_EQ(pxtest::Decode(ReadJpegToRgb, file).err, 0);
    EXPECT_TRUE(ClearJpegComments());
    EXPECT_TRUE(ClearJpegMarkers());
    EXPECT_EQ(GetJpegCommentCount(), 0u);
    EXPECT_EQ(GetJpegMarkerCount(), 0u);
}

TEST_F(JpegTest, DataCutInsideTheScanReadsAtFullSize) {
    const Image picture = pxtest::Pattern(64, 64);
    for (const char* options : {"-quality 90", "-quality 90 -progressive"}) {
        SCOPED_TRACE(options);
        const Bytes file = Cjpeg(picture, options);
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * 6 / 10));
        const Decoded d = pxtest::Decode(ReadJpegToRgb, cut);
        EXPECT_EQ(d.err, 0);
        EXPECT_EQ(d.w, 64u);
        EXPECT_EQ(d.h, 64u);
        // djpeg ends the data the same way (and warns, with its exit code).
        Put("cut.jpg", cut);
        Image expected;
        ASSERT_TRUE(pxtest::ParsePnm(Command("djpeg -pnm cut.jpg || true"), expected));
        EXPECT_EQ(d.AsImage(), expected);
    }
}

TEST_F(JpegTest, ProgressAbortReturnsTheRowsSoFar) {
    static UINT s_calls = 0;
    SetProgressCallback([](UINT done, UINT total) -> BOOL {
        EXPECT_EQ(done, s_calls);
        EXPECT_EQ(total, 24u);
        return ++s_calls < 5 ? TRUE : -1;
    });
    const Image picture = pxtest::Pattern(20, 24);
    const Bytes file = Cjpeg(picture, "-quality 95 -sample 1x1");
    const Image expected = ReadBack(file, "djpeg -pnm");
    const Decoded d = pxtest::Decode(ReadJpegToRgb, file);
    EXPECT_EQ(d.err, 14);
    ASSERT_TRUE(d.buffer);
    EXPECT_EQ(s_calls, 5u);
    const Bytes got = d.Pixels(3);
    const size_t done = size_t{20} * 5 * 3;
    EXPECT_EQ(Bytes(got.begin(), got.begin() + done), Bytes(expected.rgb.begin(), expected.rgb.begin() + done));
    EXPECT_EQ(Bytes(got.begin() + done, got.end()), Bytes(got.size() - done, 0));
}

TEST_F(JpegTest, WriterMatchesCjpegAndReadsBack) {
    const Image picture = pxtest::Pattern(50, 34);
    struct Case {
        int quality;
        BOOL progressive;
        int dct;
        const char* cjpeg;
    } cases[] = {
        {75, 0, 0, "-quality 75"},
        {75, 1, 0, "-quality 75 -progressive"},
        {95, 0, 2, "-quality 95 -dct fast"},
        {40, 1, 3, "-quality 40 -progressive -dct float"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cjpeg);
        SetJpegDctMethod(c.dct);
        int err = -1;
        const Bytes file = WriteJpeg(picture, c.quality, c.progressive, &err);
        ASSERT_EQ(err, 0);
        EXPECT_EQ(HasMarker(file, 0xC2), c.progressive != FALSE);
        EXPECT_EQ(HasMarker(file, 0xC0), c.progressive == FALSE);
        EXPECT_EQ(file, Cjpeg(picture, c.cjpeg));
        SetJpegDctMethod(0);
        EXPECT_EQ(pxtest::Decode(ReadJpegToRgb, file).AsImage(), ReadBack(file, "djpeg -pnm"));
    }
    // Grey.
    Bytes grey = GreyOfImage(picture);
    int err = -1;
    const Bytes file = pxtest::EncodeBy(1u << 20, &err, [&](SinkHandle sink) {
        return WriteGrayAsJpeg(sink, grey.data(), picture.w, picture.h, 75, FALSE);
    });
    ASSERT_EQ(err, 0);
    Image greyPicture{picture.w, picture.h, {}};
    for (BYTE g : grey) greyPicture.rgb.insert(greyPicture.rgb.end(), {g, g, g});
    EXPECT_EQ(file, Cjpeg(greyPicture, "-quality 75 -grayscale"));
    const Decoded back = pxtest::Decode(ReadJpegToGray, file);
    EXPECT_EQ(back.err, 0);
    const Image expected = ReadBack(file, "djpeg -pnm");
    Bytes expectedGrey(size_t{picture.w} * picture.h);
    for (size_t p = 0; p < expectedGrey.size(); ++p) expectedGrey[p] = expected.rgb[3 * p];
    EXPECT_EQ(back.Pixels(1), expectedGrey);
    EXPECT_EQ(pxtest::Decode(ReadJpegToRgb, file).AsImage(), expected);
}

TEST_F(JpegTest, WriteListsStayUntilCleared) {
    const Image picture = pxtest::Pattern(16, 8);
    ASSERT_TRUE(AddJpegComment("made here"));
    ASSERT_TRUE(AddJpegComment(""));  // empty comments are not written
    ASSERT_EQ(GetJpegWriteCommentCount(), 2u);
    char* comment = GetJpegWriteComment(0);
    EXPECT_STREQ(comment, "made here");
    GlobalFree(comment);
    EXPECT_EQ(GetJpegWriteComment(2), nullptr);
    const Bytes app2 = {'I', 'C', 'C', 0, 1, 2, 3};
    ASSERT_TRUE(AddJpegMarker(app2.data(), static_cast<UINT>(app2.size()), 0xE2));
    EXPECT_FALSE(AddJpegMarker(nullptr, 4, 0xE3));
    ASSERT_EQ(GetJpegWriteMarkerCount(), 1u);
    SetJpegDensity(300, 200, 1);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const Bytes file = WriteJpeg(picture, 80, round);
        EXPECT_EQ(ToolComments(m_dir, file), "made here\n");
        ASSERT_EQ(pxtest::Decode(ReadJpegToRgb, file).err, 0);
        ASSERT_EQ(GetJpegMarkerCount(), 1u);
        BYTE* data = nullptr;
        UINT length = 0, code = 0;
        ASSERT_TRUE(GetJpegMarker(0, &data, &length, &code));
        EXPECT_EQ(code, 0xE2u);
        EXPECT_EQ(Bytes(data, data + length), app2);
        GlobalFree(data);
        UINT x = 0, y = 0, unit = 0;
        GetJpegDensity(&x, &y, &unit);
        EXPECT_EQ(x, 300u);
        EXPECT_EQ(y, 200u);
        EXPECT_EQ(unit, 1u);
        EXPECT_EQ(GetJpegWriteCommentCount(), 2u);
        EXPECT_EQ(GetJpegWriteMarkerCount(), 1u);
    }
    EXPECT_TRUE(ClearJpegWriteComments());
    EXPECT_TRUE(ClearJpegWriteMarkers());
    const Bytes file = WriteJpeg(picture, 80, FALSE);
    EXPECT_EQ(ToolComments(m_dir, file), "");
    pxtest::Decode(ReadJpegToRgb, file);
    EXPECT_EQ(GetJpegMarkerCount(), 0u);
}

TEST_F(JpegTest, WriterFailures) {
    const Image picture = pxtest::Pattern(200, 150);
    const size_t full = WriteJpeg(picture, 90, FALSE).size();
    ASSERT_GT(full, 3 * 4096u);
    struct Case {
        const char* name;
        BOOL progressive;
        UINT capacity;
        size_t commentBytes;  // comments written at the start
        int err;
        bool bResult;
    } cases[] = {
        {"baseline: rows", FALSE, 6000, 0, 4, false},
        {"progressive: all output at the finish", TRUE, 6000, 0, 9, true},
        {"comments fill the first block", FALSE, 1000, 6000, 9, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearJpegWriteComments();
        if (c.commentBytes) AddJpegComment(std::string(c.commentBytes, 'c').c_str());
        Bytes out(c.capacity);
        SinkHandle sink = OpenMemorySink(out.data(), c.capacity);
        const UINT n = WriteRgbAsJpeg(sink, picture.rgb.data(), picture.w, picture.h, 90, c.progressive);
        EXPECT_EQ(GetLastErrorCode(), c.err);
        EXPECT_EQ(n != 0, c.bResult);
        if (c.bResult) {
            EXPECT_EQ(n, GetStreamSize(sink));
        }
        CloseSink(sink);
    }
    ClearJpegWriteComments();
    int err = -1;
    EXPECT_TRUE(pxtest::EncodeBy(1u << 16, &err, [&](SinkHandle sink) {
                    return WriteRgbAsJpeg(sink, picture.rgb.data(), 0, 5, 75, FALSE);
                }).empty());
    EXPECT_EQ(err, 5);
    EXPECT_TRUE(pxtest::EncodeBy(1u << 16, &err, [&](SinkHandle sink) {
                    return WriteRgbAsJpeg(sink, nullptr, 5, 5, 75, FALSE);
                }).empty());
    EXPECT_EQ(err, 5);
    // Wider than JPEG allows.
    EXPECT_TRUE(pxtest::EncodeBy(1u << 16, &err, [&](SinkHandle sink) {
                    return WriteGrayAsJpeg(sink, picture.rgb.data(), 70000, 1, 75, FALSE);
                }).empty());
    EXPECT_EQ(err, 9);
    // The progress callback stops the rows.
    SetProgressCallback([](UINT, UINT) -> BOOL { return 0; });
    EXPECT_TRUE(WriteJpeg(picture, 75, FALSE, &err).empty());
    EXPECT_EQ(err, 14);
}

// A tiny baseline file whose frame header declares w x h.
Bytes WithFrameSize(const Bytes& jpeg, UINT w, UINT h) {
    std::vector<Segment> s = Segments(jpeg);
    for (Segment& seg : s) {
        if (seg.marker == 0xC0) {
            seg.bytes[5] = static_cast<BYTE>(h >> 8);
            seg.bytes[6] = static_cast<BYTE>(h);
            seg.bytes[7] = static_cast<BYTE>(w >> 8);
            seg.bytes[8] = static_cast<BYTE>(w);
        }
    }
    return Join(s);
}

TEST_F(JpegTest, HostileFilesFailWithACode) {
    const Image picture = pxtest::Pattern(32, 32);
    const Bytes baseline = Cjpeg(picture, "-quality 80");
    const Bytes progressive = Cjpeg(picture, "-quality 80 -progressive");
    // The last scan of a progressive file, repeated until the file has 600 scans.
    std::vector<Segment> many = Segments(progressive);
    ASSERT_EQ(many.back().marker, 0xD9);
    const Segment eoi = many.back();
    many.pop_back();
    const Segment lastScan = many.back();
    ASSERT_EQ(lastScan.marker, 0xDA);
    while (many.size() < 620) many.push_back(lastScan);
    many.push_back(eoi);
    std::vector<Segment> fewer = Segments(progressive);
    fewer.insert(fewer.end() - 1, 20, lastScan);  // 30 scans or so: still read
    // A second frame header after the scan: libjpeg stops in the finish, when the rows are all read.
    std::vector<Segment> twoFrames = Segments(baseline);
    for (const Segment& seg : Segments(baseline))
        if (seg.marker == 0xC0) twoFrames.insert(twoFrames.end() - 1, seg);

    struct Case {
        const char* name;
        Bytes file;
        int err;
        bool bBuffer;
    } cases[] = {
        {"start of image only", Bytes{0xFF, 0xD8}, 9, false},
        {"cut in the header", Bytes(baseline.begin(), baseline.begin() + 100), 9, false},
        {"not a JPEG", Bytes(300, 0x33), 9, false},
        {"65500 x 65500", WithFrameSize(baseline, 65500, 65500), 1, false},
        {"zero width", WithFrameSize(baseline, 0, 32), 9, false},
        {"600 scans", Join(many), 9, false},
        {"30 scans", Join(fewer), 0, true},
        {"second frame after the scan", Join(twoFrames), 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto reader : {ReadJpegToRgb, ReadJpegToGray}) {
            const Decoded d = pxtest::Decode(reader, c.file);
            EXPECT_EQ(d.err, c.err);
            EXPECT_EQ(static_cast<bool>(d.buffer), c.bBuffer);
        }
    }
    // A callback source with no data at all.
    SourceHandle empty = pxtest::OpenEmptySource(true);
    UINT w = 1, h = 1;
    EXPECT_EQ(ReadJpegToRgb(empty, &w, &h), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 9);
    EXPECT_EQ(w, 0u);
    CloseSource(empty);
}

// ---- The read with its palette ----

// What a read gives: the buffer, its size, the last error after the read, the palette (entries the
// palette did not write keep 0x5A) and every progress report.
struct ReadResult {
    bool bBuffer = false;
    Bytes pixels;
    UINT w = 0, h = 0;
    int err = -1;
    std::vector<BYTE> palette;
    std::vector<std::pair<UINT, UINT>> reports;
};

// Progress is recorded; the report numbered s_nStopAt (from 0) stops the operation.
std::vector<std::pair<UINT, UINT>> s_reports;
size_t s_nStopAt = SIZE_MAX;
BOOL Record(UINT done, UINT total) {
    s_reports.emplace_back(done, total);
    return s_reports.size() - 1 == s_nStopAt ? FALSE : TRUE;
}

// Reads the file with read(source, w, h, palette) (which returns the buffer) and gathers the result.
template <class Read>
ReadResult ReadWith(const Bytes& file, size_t nStopAt, Read read) {
    s_reports.clear();
    s_nStopAt = nStopAt;
    SetProgressCallback(Record);
    ReadResult r;
    RGBQUAD palette[256];
    std::memset(palette, 0x5A, sizeof(palette));
    SourceHandle source = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
    pxtest::Owned buffer(read(source, &r.w, &r.h, palette, r.err));
    CloseSource(source);
    SetProgressCallback(nullptr);
    r.bBuffer = static_cast<bool>(buffer);
    if (buffer) r.pixels.assign(buffer.get(), buffer.get() + size_t{r.w} * r.h * 3);
    r.palette.assign(reinterpret_cast<const BYTE*>(palette), reinterpret_cast<const BYTE*>(palette + 256));
    r.reports = s_reports;
    return r;
}

// One test suite of its own, which CTest runs once more with QS_THREADS=1.
using JpegPaletteTest = JpegTest;

TEST_F(JpegPaletteTest, ReadWithPaletteIsTheReadThenThePalette) {
    // Images large enough for the histogram to be counted on the pool behind the decoder, read as
    // ReadJpegToRgb and ComputeOptimalPalette of its buffer read them, with their reports in the same
    // order, also when a read fails part way, when the progress callback stops the rows or the palette,
    // and when the file is no JPEG.
    const Image picture = pxtest::Pattern(1100, 800, 9);
    const Bytes baseline = WriteJpeg(picture, 90, FALSE);
    Put("in.ppm", pxtest::MakePpm(picture));
    std::vector<Segment> twoFrames = Segments(baseline);
    for (const Segment& seg : Segments(baseline))
        if (seg.marker == 0xC0) twoFrames.insert(twoFrames.end() - 1, seg);
    const size_t nRows = 800;
    const Bytes cut(baseline.begin(), baseline.begin() + static_cast<std::ptrdiff_t>(baseline.size() / 2));
    struct Case {
        const char* name;
        Bytes file;
        size_t nStopAt;
        int err;         // the read's
        bool bPalette;   // the palette is written
    } cases[] = {
        {"baseline", baseline, SIZE_MAX, 0, true},
        {"progressive", WriteJpeg(picture, 90, TRUE), SIZE_MAX, 0, true},
        {"cut inside the scan", cut, SIZE_MAX, 0, true},
        {"grey", Cjpeg(picture, "-quality 90 -grayscale"), SIZE_MAX, 0, true},
        {"CMYK", Command("convert in.ppm -colorspace CMYK -quality 90 jpg:-"), SIZE_MAX, 0, true},
        {"second frame after the scan", Join(twoFrames), SIZE_MAX, 3, true},
        {"rows stopped", baseline, 300, 14, true},
        {"palette stopped", baseline, nRows + 2, 0, false},
        {"not a JPEG", Bytes(5000, 0x33), SIZE_MAX, 9, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult twoCalls =
            ReadWith(c.file, c.nStopAt, [](SourceHandle s, UINT* w, UINT* h, RGBQUAD* palette, int& err) {
                BYTE* rgb = ReadJpegToRgb(s, w, h);
                err = GetLastErrorCode();
                if (rgb) ComputeOptimalPalette(rgb, *w, *h, 256, palette);
                return rgb;
            });
        const ReadResult oneCall =
            ReadWith(c.file, c.nStopAt, [](SourceHandle s, UINT* w, UINT* h, RGBQUAD* palette, int& err) {
                BYTE* rgb = ReadJpegToRgbWithPalette(s, w, h, 256, palette);
                err = GetLastErrorCode();
                return rgb;
            });
        EXPECT_EQ(twoCalls.err, c.err);
        EXPECT_EQ(twoCalls.palette != std::vector<BYTE>(1024, 0x5A), c.bPalette);
        EXPECT_EQ(oneCall.err, twoCalls.err);
        EXPECT_EQ(oneCall.bBuffer, twoCalls.bBuffer);
        EXPECT_EQ(oneCall.w, twoCalls.w);
        EXPECT_EQ(oneCall.h, twoCalls.h);
        EXPECT_TRUE(oneCall.pixels == twoCalls.pixels);
        EXPECT_EQ(oneCall.palette, twoCalls.palette);
        EXPECT_EQ(oneCall.reports, twoCalls.reports);
    }
    // The palette is required.
    SourceHandle source = OpenMemorySource(baseline.data(), static_cast<UINT>(baseline.size()));
    UINT w = 0, h = 0;
    EXPECT_EQ(ReadJpegToRgbWithPalette(source, &w, &h, 256, nullptr), nullptr);
    EXPECT_EQ(GetLastErrorCode(), 5);
    CloseSource(source);
}

}  // namespace
