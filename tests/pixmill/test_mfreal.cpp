// Metafiles that other programs wrote (tests/pixmill/metafiles/), played and compared loosely with the
// pictures other renderers made of them: both pictures are cut into the same grid of windows and each
// window's mean colour compared, so anti-aliasing, text rasterisation and a resolution that differs do
// not count, while a shape missing, misplaced, in another colour or unclipped does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "pixmill/pixmill.h"
#include "pxtest.h"

namespace {

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

Difference Compare(const BYTE* a, UINT aw, UINT ah, const BYTE* b, UINT bw, UINT bh, const Box& skip = {}) {
    const int cols = aw >= ah ? kWindows : std::max(1, static_cast<int>(std::lround(kWindows * double(aw) / ah)));
    const int rows = aw >= ah ? std::max(1, static_cast<int>(std::lround(kWindows * double(ah) / aw))) : kWindows;
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
