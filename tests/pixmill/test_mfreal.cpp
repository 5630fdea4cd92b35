// Metafiles that other programs wrote (tests/pixmill/metafiles/), played and compared loosely with the
// pictures other renderers made of them: both pictures are cut into the same grid of windows and each
// window's mean colour compared, so anti-aliasing, text rasterisation and a resolution that differs do
// not count, while a shape missing, misplaced, in another colour or unclipped does. The office
// program's drawings are held to windows about a line of text high, so that text drawn at the wrong
// angle or in the wrong letters counts too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "pixmill/pixmill.h"
#include "pixmill/pxmetafile.h"
#include "pxtest.h"

namespace {

using pxtest::Bytes;
using pxtest::Owned;

// The grid: windows across the wider edge; the other edge gets as many as keep them near square.
constexpr int kWindows = 24;
// A window's difference: the mean over its three channels of |mean of ours - mean of the reference|,
// in 0..255. The picture passes when the mean over all windows and the worst window stay below these.
constexpr double kMeanTolerance = 8;
constexpr double kWorstTolerance = 80;

struct Picture {
    Owned rgb;
    UINT w = 0, h = 0;
};

std::string Fixture(const std::string& name) {
    const char* src = std::getenv("QS_SOURCE_DIR");
    return std::string(src ? src : "../..") + "/tests/pixmill/metafiles/" + name;
}

Picture Reference(const std::string& png) {
    Picture p;
    SourceHandle source = OpenFileSource(Fixture(png).c_str());
    if (!source) return p;
    p.rgb = Owned(ReadPngToRgb(source, &p.w, &p.h));
    CloseSource(source);
    return p;
}

// Mean colours of the grid's windows.
std::vector<double> WindowMeans(const BYTE* rgb, UINT w, UINT h, int cols, int rows) {
    std::vector<double> out(static_cast<size_t>(cols * rows * 3), 0);
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < cols; ++i) {
            const UINT x0 = static_cast<UINT>(uint64_t{w} * i / cols), x1 = static_cast<UINT>(uint64_t{w} * (i + 1) / cols);
            const UINT y0 = static_cast<UINT>(uint64_t{h} * j / rows), y1 = static_cast<UINT>(uint64_t{h} * (j + 1) / rows);
            double sum[3] = {0, 0, 0};
            for (UINT y = y0; y < y1; ++y)
                for (UINT x = x0; x < x1; ++x)
                    for (int c = 0; c < 3; ++c) sum[c] += rgb[(size_t{y} * w + x) * 3 + c];
            const double n = std::max<double>(1, double(x1 - x0) * double(y1 - y0));
            for (int c = 0; c < 3; ++c) out[static_cast<size_t>((j * cols + i) * 3 + c)] = sum[c] / n;
        }
    }
    return out;
}

struct Difference {
    double mean = 0;
    double worst = 0;
};

// A part of the picture left out of the comparison, in fractions of its width and height.
struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
};

// The difference over a grid of cols x rows windows.
Difference CompareOnGrid(const BYTE* a, UINT aw, UINT ah, const BYTE* b, UINT bw, UINT bh, int cols, int rows,
                         const Box& skip = {}) {
    const std::vector<double> ma = WindowMeans(a, aw, ah, cols, rows), mb = WindowMeans(b, bw, bh, cols, rows);
    Difference d;
    size_t n = 0;
    for (size_t k = 0; k < ma.size(); k += 3) {
        const size_t window = k / 3;
        const double cx = (double(window % cols) + 0.5) / cols, cy = (double(window / cols) + 0.5) / rows;
        if (cx >= skip.left && cx < skip.right && cy >= skip.top && cy < skip.bottom) continue;
        ++n;
        const double v = (std::fabs(ma[k] - mb[k]) + std::fabs(ma[k + 1] - mb[k + 1]) + std::fabs(ma[k + 2] - mb[k + 2])) / 3;
        d.mean += v;
        d.worst = std::max(d.worst, v);
    }
    d.mean /= static_cast<double>(std::max<size_t>(n, 1));
    return d;
}

// The difference over kWindows windows across the wider edge.
Difference Compare(const BYTE* a, UINT aw, UINT ah, const BYTE* b, UINT bw, UINT bh, const Box& skip = {}) {
    const int cols = aw >= ah ? kWindows : std::max(1, static_cast<int>(std::lround(kWindows * double(aw) / ah)));
    const int rows = aw >= ah ? std::max(1, static_cast<int>(std::lround(kWindows * double(ah) / aw))) : kWindows;
    return CompareOnGrid(a, aw, ah, b, bw, bh, cols, rows, skip);
}

struct RealFile {
    const char* metafile;
    const char* reference;
    const char* madeBy;
    Box skip;  // where the reference renderer is known to draw something else
};

}  // namespace

TEST(MetafileRealFiles, MatchTheirReferenceRenderings) {
    const RealFile files[] = {
        {"pstoedit-shapes.emf", "pstoedit-shapes.emf.png", "pstoedit from PostScript; reference: Ghostscript of the PostScript over the frame", {}},
        {"inkscape-shapes.emf", "inkscape-shapes.emf.png", "Inkscape from SVG; reference: Inkscape", {}},
        // The text of this one is glyph outlines in polygons; wmf2gd drops the u of "Quill" and fills
        // the l's solid, so the text's box is left out.
        {"inkscape-shapes.wmf", "inkscape-shapes.wmf.png", "Inkscape from SVG; reference: wmf2gd", {0.5, 0, 0.85, 0.25}},
    };
    for (const RealFile& f : files) {
        SCOPED_TRACE(std::string(f.metafile) + " (" + f.madeBy + ")");
        const Picture ref = Reference(f.reference);
        ASSERT_TRUE(ref.rgb);
        Picture ours;
        ours.rgb = Owned(ReadMetafileToRgb(Fixture(f.metafile).c_str(), &ours.w, &ours.h, 100, 100, 0xFFFFFF));
        ASSERT_TRUE(ours.rgb);
        EXPECT_EQ(GetLastErrorCode(), 0);
        // The same proportions (within the rounding of either renderer's size).
        EXPECT_NEAR(double(ours.w) / ours.h, double(ref.w) / ref.h, 0.03);
        const Difference d = Compare(ours.rgb.get(), ours.w, ours.h, ref.rgb.get(), ref.w, ref.h, f.skip);
        EXPECT_LT(d.mean, kMeanTolerance);
        EXPECT_LT(d.worst, kWorstTolerance);
        // The comparison sees a picture with nothing drawn.
        const std::vector<BYTE> blank(size_t{ours.w} * ours.h * 3, 255);
        const Difference none = Compare(blank.data(), ours.w, ours.h, ref.rgb.get(), ref.w, ref.h, f.skip);
        EXPECT_GT(none.worst, kWorstTolerance);
        if (const char* dump = std::getenv("QS_MF_DUMP")) {
            pxtest::Image image;
            image.w = ours.w;
            image.h = ours.h;
            image.rgb.assign(ours.rgb.get(), ours.rgb.get() + size_t{ours.w} * ours.h * 3);
            pxtest::WriteFileBytes(std::string(dump) + "/" + f.metafile + ".ppm", pxtest::MakePpm(image));
        }
        if (std::getenv("QS_MF_REPORT"))
            std::printf("%s: %u x %u, window difference mean %.2f worst %.2f (blank: mean %.2f worst %.2f)\n", f.metafile,
                        ours.w, ours.h, d.mean, d.worst, none.mean, none.worst);
    }
}

namespace {

// ---- an office program's drawings (metafiles/libreoffice/, made by its make.sh)

// Windows about a line of text high: 32 x 20 over pictures of about 380 x 265 pixels, 12 x 13 each.
constexpr int kLineCols = 32, kLineRows = 20;
// The worst window of an office drawing must differ by less than this.
constexpr double kLineWorst = 50;

uint32_t Le32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24; }
uint16_t Le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

Picture Played(const Bytes& file) {
    Picture p;
    ErrorCode err = ErrorCode::None;
    p.rgb = Owned(px::ReadMetafileFromMemory(err, file.data(), file.size(), &p.w, &p.h, 100, 100, 0xFFFFFF));
    EXPECT_EQ(err, ErrorCode::None);
    return p;
}

// The picture moved by (dx, dy) pixels, white coming in at the edges.
std::vector<BYTE> Shifted(const Picture& p, int dx, int dy) {
    std::vector<BYTE> out(size_t{p.w} * p.h * 3, 255);
    for (int64_t y = 0; y < p.h; ++y)
        for (int64_t x = 0; x < p.w; ++x) {
            const int64_t sx = x - dx, sy = y - dy;
            if (sx < 0 || sy < 0 || sx >= p.w || sy >= p.h) continue;
            std::copy_n(p.rgb.get() + (sy * p.w + sx) * 3, 3, out.data() + (y * p.w + x) * 3);
        }
    return out;
}

// The picture without its smoothing: each pixel takes the colour of the darkest or the lightest pixel
// of the 3 x 3 around it, whichever its brightness is nearer, so soft edges become hard steps while
// flat areas stay as they are.
std::vector<BYTE> Unsmoothed(const Picture& p) {
    const BYTE* in = p.rgb.get();
    auto light = [&](int64_t x, int64_t y) {
        const BYTE* q = in + (y * p.w + x) * 3;
        return 299 * q[0] + 587 * q[1] + 114 * q[2];
    };
    std::vector<BYTE> out(in, in + size_t{p.w} * p.h * 3);
    for (int64_t y = 0; y < p.h; ++y)
        for (int64_t x = 0; x < p.w; ++x) {
            int64_t dark = y * p.w + x, bright = dark;
            for (int64_t j = std::max<int64_t>(0, y - 1); j <= std::min<int64_t>(p.h - 1, y + 1); ++j)
                for (int64_t i = std::max<int64_t>(0, x - 1); i <= std::min<int64_t>(p.w - 1, x + 1); ++i) {
                    if (light(i, j) < light(dark % p.w, dark / p.w)) dark = j * p.w + i;
                    if (light(i, j) > light(bright % p.w, bright / p.w)) bright = j * p.w + i;
                }
            const int own = light(x, y);
            const int64_t to = own - light(dark % p.w, dark / p.w) <= light(bright % p.w, bright / p.w) - own ? dark : bright;
            std::copy_n(in + to * 3, 3, out.data() + (y * p.w + x) * 3);
        }
    return out;
}

bool IsEmf(const Bytes& file) { return file.size() >= 8 && Le32(file, 0) == 1; }

// Calls f(offset of the record, its type) for every record of an EMF.
template <class F>
void EachEmfRecord(const Bytes& file, F f) {
    for (size_t at = 0; at + 8 <= file.size();) {
        const uint32_t type = Le32(file, at), size = Le32(file, at + 4);
        if (size < 8 || size > file.size() - at) return;
        f(at, type);
        at += size;
    }
}

// Calls f(offset of the record's parameters, its function) for every record of a WMF.
template <class F>
void EachWmfRecord(const Bytes& file, F f) {
    size_t at = file.size() >= 4 && Le32(file, 0) == px::kPlaceableKey ? px::kPlaceableBytes : 0;
    if (at + 18 > file.size()) return;
    at += 2 * size_t{Le16(file, at + 2)};
    while (at + 6 <= file.size()) {
        const uint64_t size = 2 * uint64_t{Le32(file, at)};
        if (size < 6 || size > file.size() - at) return;
        f(at + 6, Le16(file, at + 4));
        at += static_cast<size_t>(size);
    }
}

// A mistake made in a metafile's own bytes: every font's escapement and orientation 0, so turned text
// comes out level.
Bytes Level(Bytes file) {
    if (IsEmf(file)) {
        EachEmfRecord(file, [&](size_t at, uint32_t type) {
            if (type == 82 && at + 28 <= file.size()) std::fill_n(file.begin() + static_cast<ptrdiff_t>(at + 20), 8, 0);
        });
    } else {
        EachWmfRecord(file, [&](size_t at, uint16_t function) {
            if (function == 0x02FB && at + 8 <= file.size()) std::fill_n(file.begin() + static_cast<ptrdiff_t>(at + 4), 4, 0);
        });
    }
    return file;
}

// Another: text beyond Windows-1252 lost. In an EMF every UTF-16 unit of EXTTEXTOUTW past ASCII becomes
// '?'; in a WMF every font's character set becomes ANSI, so its text reads as Windows-1252.
Bytes Unlettered(Bytes file) {
    if (IsEmf(file)) {
        EachEmfRecord(file, [&](size_t at, uint32_t type) {
            if (type != 84 || at + 76 > file.size()) return;
            const uint64_t n = Le32(file, at + 44), off = at + uint64_t{Le32(file, at + 48)};
            for (uint64_t i = 0; i < n && off + 2 * i + 2 <= file.size(); ++i) {
                const size_t u = static_cast<size_t>(off + 2 * i);
                if (Le16(file, u) >= 0x80) {
                    file[u] = '?';
                    file[u + 1] = 0;
                }
            }
        });
    } else {
        EachWmfRecord(file, [&](size_t at, uint16_t function) {
            if (function == 0x02FB && at + 14 <= file.size()) file[at + 13] = 0;
        });
    }
    return file;
}

struct OfficeDrawing {
    const char* name;
    const char* what;
    bool turnedText;    // the level mistake must show
    bool otherScripts;  // the lost letters must show
};

}  // namespace

// LibreOffice's EMF and WMF of each drawing against the PNG it drew of the same drawing. The rule's
// limit is checked both ways on each: the reference moved by a pixel, or with hard edges, passes; a
// blank picture, and the metafile played with level text or lost letters, fail.
TEST(MetafileRealFiles, OfficeDrawingsMatchTheOfficeProgramsPictures) {
    const OfficeDrawing drawings[] = {
        {"text-rotated", "text at 0, 45, -45, 90 and 270 degrees in a sans and a serif face", true, false},
        {"text-scripts", "Greek and Cyrillic in three faces, a justified paragraph", false, true},
        {"lines", "dashed and dotted lines 1 and 6 pixels wide with their caps and joins", false, false},
        {"fills", "hatches, gradients cut to their shapes, a group with a cropped picture", false, false},
        {"chart", "a bar chart: a Cyrillic title, a vertical axis title, labels at 45 degrees", true, true},
    };
    for (const OfficeDrawing& d : drawings) {
        const std::string base = std::string("libreoffice/") + d.name;
        SCOPED_TRACE(base + ": " + d.what);
        const Picture ref = Reference(base + ".png");
        ASSERT_TRUE(ref.rgb);
        auto rule = [&](const BYTE* rgb, UINT w, UINT h) {
            return CompareOnGrid(rgb, w, h, ref.rgb.get(), ref.w, ref.h, kLineCols, kLineRows);
        };
        double movedWorst = 0;
        for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{0, 1}, std::pair{1, 1}, std::pair{-1, -1}}) {
            const std::vector<BYTE> moved = Shifted(ref, dx, dy);
            const double worst = rule(moved.data(), ref.w, ref.h).worst;
            EXPECT_LT(worst, kLineWorst) << "moved by " << dx << ", " << dy;
            movedWorst = std::max(movedWorst, worst);
        }
        const std::vector<BYTE> hard = Unsmoothed(ref);
        const Difference unsmoothed = rule(hard.data(), ref.w, ref.h);
        EXPECT_LT(unsmoothed.worst, kLineWorst) << "unsmoothed";
        const std::vector<BYTE> blank(size_t{ref.w} * ref.h * 3, 255);
        const Difference none = rule(blank.data(), ref.w, ref.h);
        EXPECT_GT(none.worst, kLineWorst) << "blank";
        if (std::getenv("QS_MF_REPORT"))
            std::printf("%s.png: moved by a pixel worst %.2f, unsmoothed worst %.2f, blank worst %.2f\n", d.name,
                        movedWorst, unsmoothed.worst, none.worst);

        for (const char* ext : {".emf", ".wmf"}) {
            SCOPED_TRACE(ext);
            const Bytes file = pxtest::ReadFileBytes(Fixture(base + ext));
            ASSERT_FALSE(file.empty());
            const Picture ours = Played(file);
            ASSERT_TRUE(ours.rgb);
            EXPECT_NEAR(double(ours.w) / ours.h, double(ref.w) / ref.h, 0.03);
            const Difference diff = rule(ours.rgb.get(), ours.w, ours.h);
            EXPECT_LT(diff.mean, kMeanTolerance);
            EXPECT_LT(diff.worst, kLineWorst);
            Difference level, unlettered;
            if (d.turnedText) {
                const Picture p = Played(Level(file));
                level = rule(p.rgb.get(), p.w, p.h);
                EXPECT_GT(level.worst, kLineWorst) << "level text";
            }
            if (d.otherScripts) {
                const Picture p = Played(Unlettered(file));
                unlettered = rule(p.rgb.get(), p.w, p.h);
                EXPECT_GT(unlettered.worst, kLineWorst) << "lost letters";
            }
            if (const char* dump = std::getenv("QS_MF_DUMP")) {
                pxtest::Image image;
                image.w = ours.w;
                image.h = ours.h;
                image.rgb.assign(ours.rgb.get(), ours.rgb.get() + size_t{ours.w} * ours.h * 3);
                pxtest::WriteFileBytes(std::string(dump) + "/" + d.name + ext + ".ppm", pxtest::MakePpm(image));
            }
            if (std::getenv("QS_MF_REPORT"))
                std::printf("%s%s: window difference mean %.2f worst %.2f; level text worst %.2f, lost letters worst %.2f\n",
                            d.name, ext, diff.mean, diff.worst, level.worst, unlettered.worst);
        }
    }
}
