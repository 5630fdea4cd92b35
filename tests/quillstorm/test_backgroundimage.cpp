// Background images: the image wrapper's load path (types by signature and by extension, resolutions,
// texts of markers and error codes), the eight formats shown by the paint, broken and hostile files,
// the background-image commands (scripted) and a document that brings its image back when reopened.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "appfixture.h"
#include "platform/gdi/surface.h"
#include "pumenu/commandids.h"
#include "quillstorm/backgroundimagedialog.h"
#include "quillstorm/pximage.h"
#include "tests/pixmill/pxtest.h"

namespace {

namespace fs = std::filesystem;
using pxtest::Bytes;
using pxtest::Image;

constexpr COLORREF kBack = RGB(10, 200, 30);

// ---- the wrapper alone ------------------------------------------------------------------------------

TEST(RgbImage, FormatFromExtensionTable) {
    struct Case {
        const char* path;
        int type;
    } cases[] = {
        {"a.BMP", IFT_BMP},
        {"a.JPG", IFT_JPEG},
        {"a.JPEG", IFT_JPEG},
        {"a.PNG", IFT_PNG},
        {"a.PCX", IFT_PCX},
        {"a.TIF", IFT_TIFF},
        {"a.TIFF", IFT_TIFF},
        {"a.WMF", IFT_WMF},
        {"a.EMF", IFT_EMF},
        {"a.TGA", IFT_TGA},
        {"/home/u/pics/PICTURE.TGA", IFT_TGA},
        {"a.tga", IFT_NONE},  // compared case-sensitively
        {"a.png", IFT_NONE},
        {"a.Jpg", IFT_NONE},
        {"a.PNG  ", IFT_PNG},  // trailing white space is removed
        {"a.TGA\t \n", IFT_TGA},
        {"a. PNG", IFT_NONE},
        {"my.pic.TGA", IFT_NONE},  // from the first dot: ".pic.TGA"
        {"/tmp/my.dir/pic.TGA", IFT_TGA},  // a dot in a folder's name does not count
        {"/tmp/my.dir/picture", IFT_NONE},
        {"picture", IFT_NONE},
        {"", IFT_NONE},
        {".PNG", IFT_PNG},
        {"a.", IFT_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(CRgbImage::FormatFromExtension(c.path), c.type) << '"' << c.path << '"';
    EXPECT_EQ(CRgbImage::FormatFromExtension(nullptr), IFT_NONE);
}

TEST(RgbImage, SetResolutionTable) {
    struct Case {
        int type;
        UINT x, y, unit;
        CSize dpi;
    } cases[] = {
        {IFT_JPEG, 300, 200, 1, {300, 200}},     // dots per inch
        {IFT_JPEG, 118, 118, 2, {299, 299}},     // 118 x 2.54 = 299.72
        {IFT_JPEG, 1, 1, 0, {96, 96}},           // an aspect ratio only
        {IFT_PNG, 3780, 3780, 1, {93, 93}},      // 3780 / 100 = 37 (integers), 37 x 2.54 = 93.98
        {IFT_PNG, 3799, 5000, 1, {93, 127}},     // 37 x 2.54, 50 x 2.54
        {IFT_PNG, 3780, 3780, 0, {96, 96}},      // unit unknown
        {IFT_TIFF, 72, 150, 2, {72, 150}},       // inch
        {IFT_TIFF, 100, 10, 3, {254, 25}},       // centimetre: 254, 25.4
        {IFT_TIFF, 72, 72, 1, {96, 96}},         // no absolute unit
        {IFT_BMP, 300, 300, 1, {96, 96}},        // another type
        {IFT_TGA, 300, 300, 2, {96, 96}},
        {IFT_JPEG, 0xFFFFFFFFu, 72, 1, {96, 96}},    // does not fit an int
        {IFT_JPEG, 900000000u, 72, 2, {96, 96}},     // x 2.54 does not fit an int
        {IFT_TIFF, 72, 0x80000000u, 2, {96, 96}},
        {IFT_PNG, 0xFFFFFFFFu, 100, 1, {109092166, 2}},  // 42949672 x 2.54 still fits
        {IFT_JPEG, static_cast<UINT>(INT_MAX), 1, 1, {INT_MAX, 1}},
    };
    for (const Case& c : cases) {
        CRgbImage image;
        image.m_resolution = CSize(1, 1);
        image.SetResolution(c.type, c.x, c.y, c.unit);
        EXPECT_EQ(image.m_resolution, c.dpi) << c.type << " " << c.x << " " << c.y << " " << c.unit;
    }
}

TEST(RgbImage, MarkerDataTextAndErrorTexts) {
    BYTE data[30];
    for (int i = 0; i < 30; ++i) data[i] = static_cast<BYTE>(i * 9 + 0xA0);
    // The first 20 bytes: a0 a9 b2 bb c4 cd d6 df e8 f1 fa 03 0c 15 1e 27 30 39 42 4b.
    const std::string expected = "a0a9b2bbc4cdd6dfe8f1fa030c151e273039424b";
    EXPECT_EQ(CRgbImage::MarkerDataText(data, 30).str(), expected + "...");
    EXPECT_EQ(CRgbImage::MarkerDataText(data, 30).GetLength(), 43);
    EXPECT_EQ(CRgbImage::MarkerDataText(data, 20).str(), expected);
    EXPECT_EQ(CRgbImage::MarkerDataText(data, 21).str(), expected + "...");
    EXPECT_EQ(CRgbImage::MarkerDataText(data, 2).str(), "a0a9");
    EXPECT_EQ(CRgbImage::MarkerDataText(data, 0).str(), "");

    struct Case {
        int code;
        const char* text;
    } cases[] = {
        {0, "no err"},
        {2, "error on file open"},
        {5, "bad user param"},
        {15, "bad PNG file"},
        {16, "internal PNG lib behavior - contact tin lantern s.w."},
        {29, "a call to BitBlt failed."},
        {32, "bad TGA File"},
        {35, "a call to the fn CreateDIBitmap failed"},
        {8, "Error #8!"},
        {21, "Error #21!"},
        {36, "Error #36!"},
        {38, "Error #38!"},
        {-1, "Error #4294967295!"},
    };
    for (const Case& c : cases) EXPECT_EQ(CRgbImage::GetErrorText(c.code).str(), c.text) << c.code;
}

TEST(RgbImage, EmptyImageAndLocks) {
    CRgbImage image;
    EXPECT_EQ(image.GetSize(), CSize(0, 0));
    EXPECT_EQ(image.m_resolution, CSize(96, 96));
    EXPECT_EQ(image.Lock(), nullptr);
    image.Unlock();
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(nullptr, 2, 2));
    EXPECT_EQ(image.CreateBitmap(&bitmap, nullptr), 5);
    BITMAP bm;
    ASSERT_TRUE(bitmap.GetBitmap(&bm));
    EXPECT_EQ(bm.bmWidth, 2) << "left as it was";

    // Sizes whose buffer cannot be had, computed in 64 bits (70000 x 3 x 70000 wraps 32 bits).
    for (CSize size : {CSize(-1, 5), CSize(70000, 70000), CSize(INT_MAX, INT_MAX)}) {
        EXPECT_EQ(image.Allocate(size), 1);
        EXPECT_EQ(image.GetSize(), CSize(0, 0));
        EXPECT_EQ(image.m_hBuffer, nullptr);
    }
    ASSERT_EQ(image.Allocate(CSize(3, 2)), 0);
    EXPECT_EQ(GlobalSize(image.m_hBuffer), 18u);
    BYTE* p = image.Lock();
    EXPECT_EQ(image.m_nLock, 1);
    p[0] = 200;  // pixel (0, 0) red
    image.Unlock();
    EXPECT_EQ(image.m_nLock, 0);
    EXPECT_EQ(image.CreateBitmap(&bitmap, nullptr), 0);
    ASSERT_TRUE(bitmap.GetBitmap(&bm));
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmHeight, 2);
    EXPECT_EQ(gdi::PixelToColor(bitmap.GetSurface().Row(0)[0]) & 0xFFFFFF, RGB(200, 0, 0));
    image.Clear();
    EXPECT_EQ(image.GetSize(), CSize(0, 0));
}

TEST(RgbImage, PaletteIsTheLibrarysOptimalPaletteOfThePixels) {
    // A JPEG reads its palette while it decodes; it must be the one ComputeOptimalPalette gives for the
    // pixels read, from memory and from a file, as for a PNG. The JPEG is large enough for its histogram
    // to be counted on the work pool.
    const Image picture = pxtest::Pattern(1100, 800, 4);
    const Bytes jpeg = pxtest::EncodeBy(1u << 23, nullptr, [&](SinkHandle sink) {
        return WriteRgbAsJpeg(sink, picture.rgb.data(), picture.w, picture.h, 90, FALSE);
    });
    const Bytes png = pxtest::EncodeBy(1u << 23, nullptr, [&](SinkHandle sink) {
        return WriteRgbAsPng(sink, picture.rgb.data(), picture.w, picture.h, 0);
    });
    pxtest::TempDir dir;
    pxtest::WriteFileBytes(dir.Path("pic.jpg"), jpeg);
    for (int nSource = 0; nSource < 3; ++nSource) {
        SCOPED_TRACE(nSource);
        CRgbImage image;
        const int nCode = nSource == 0   ? image.LoadFromMemory(jpeg.data(), static_cast<UINT>(jpeg.size()))
                          : nSource == 1 ? image.Load(dir.Path("pic.jpg").c_str())
                                         : image.LoadFromMemory(png.data(), static_cast<UINT>(png.size()));
        ASSERT_EQ(nCode, 0);
        ASSERT_EQ(image.GetSize(), CSize(1100, 800));
        RGBQUAD quads[256] = {};
        ASSERT_TRUE(ComputeOptimalPalette(static_cast<const BYTE*>(image.m_hBuffer), 1100, 800, 256, quads));
        ASSERT_EQ(image.m_palette.GetEntryCount(), 256);
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& e = image.m_palette.Entries()[static_cast<size_t>(i)];
            ASSERT_EQ(RGB(e.peRed, e.peGreen, e.peBlue), RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue))
                << "entry " << i;
        }
    }
}

// ---- files ------------------------------------------------------------------------------------------

// A test with the program started, a canvas of 40 x 30 and a scratch folder for the tools.
class Backgrounds : public AppFixture {
protected:
    pxtest::TempDir m_tools;
    Image m_picture = pxtest::Pattern(23, 17);

    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(Start());
        View()->m_bCaretShown = 0;
        View()->SetCanvasSize(40, 30);
        ASSERT_EQ(View()->width(), 40);
        Book()->SetBackgroundColor(kBack);
    }

    void Draw() { View()->OnDraw(View()->GetDC()); }
    COLORREF At(int x, int y) const {
        const gdi::Surface* s = View()->GetBackBuffer();
        if (!s || !s->Contains(x, y)) return CLR_INVALID;
        return gdi::PixelToColor(s->Row(y)[x]) & 0xFFFFFF;
    }
    static COLORREF Pixel(const Image& image, UINT x, UINT y) {
        const BYTE* p = &image.rgb[(size_t{y} * image.w + x) * 3];
        return RGB(p[0], p[1], p[2]);
    }
    // The back buffer shows the image at (0, 0) and the background colour beside it.
    void ExpectShown(const Image& image) {
        Draw();
        for (UINT y = 0; y < image.h; ++y)
            for (UINT x = 0; x < image.w; ++x)
                ASSERT_EQ(At(static_cast<int>(x), static_cast<int>(y)), Pixel(image, x, y)) << x << "," << y;
        EXPECT_EQ(At(static_cast<int>(image.w), 0), kBack);
        EXPECT_EQ(At(0, static_cast<int>(image.h)), kBack);
    }

    // The file `tool in.ppm` writes for the picture, saved in the program's folder as name.
    std::string MakeFile(const std::string& tool, const std::string& name) {
        const Bytes bytes = pxtest::MakeWithTool(m_tools, m_picture, tool, "made.bin");
        EXPECT_FALSE(bytes.empty()) << tool;
        pxtest::WriteFileBytes(Path(name.c_str()), bytes);
        return Path(name.c_str());
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        pxtest::WriteFileBytes(Path(name.c_str()), bytes);
        return Path(name.c_str());
    }
    // What `reader path` decodes.
    Image Decoded(const std::string& reader, const std::string& path) {
        Image image;
        EXPECT_TRUE(pxtest::ToolImage(reader + " " + path, image)) << reader;
        return image;
    }
};

TEST_F(Backgrounds, EachFormatLoadsAndIsShown) {
    struct Case {
        const char* tool;
        const char* name;
        const char* reader;
    } cases[] = {
        {"ppmtobmp", "pic.bmp", "bmptopnm"},
        {"cjpeg -quality 85", "pic.jpg", "djpeg -pnm"},
        {"pnmtopng", "pic.png", "pngtopam"},
        {"ppmtopcx", "pic.pcx", "pcxtoppm"},
        {"pnmtotiff -lzw", "pic.tif", "tifftopnm"},
        {"pamtotga", "PIC.TGA", "tgatoppm"},  // found by its extension only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = MakeFile(c.tool, c.name);
        const Image expected = Decoded(c.reader, path);
        ASSERT_EQ(expected.w, m_picture.w);
        CRgbImage image;
        ASSERT_EQ(image.Load(path.c_str()), 0);
        EXPECT_EQ(image.GetSize(), CSize(23, 17));
        EXPECT_TRUE(image.m_palette.IsCreated());
        EXPECT_EQ(image.m_palette.GetEntryCount(), 256);
        ASSERT_TRUE(View()->SetBackgroundImage(CString(path.c_str())));
        ExpectShown(expected);
    }
    // ppm2tiff, the tool of the setup list, writes to a named file.
    const Bytes tiff = pxtest::CommandFile(m_tools, "ppm2tiff -c none " + m_tools.Path("in.ppm") + " t.tif && cat t.tif");
    const std::string tiffPath = Write("pic2.tiff", tiff);
    ASSERT_TRUE(View()->SetBackgroundImage(CString(tiffPath.c_str())));
    ExpectShown(m_picture);

    // The metafiles, from the library's own writers: one 24-bit DIB played at its own size (24 pixels
    // are a whole number of 0.01 mm at 96 dots per inch, so the frame gives the size back exactly).
    const Image square = pxtest::Pattern(24, 24);
    const Bytes emf = pxtest::Encode(WriteRgbAsEmf, square.rgb.data(), square.w, square.h);
    const Bytes wmf = pxtest::EncodeBy(1u << 22, nullptr, [&](SinkHandle sink) {
        return WriteRgbAsWmf(sink, square.rgb.data(), square.w, square.h, TRUE);
    });
    for (const std::string& path : {Write("pic.EMF", emf), Write("pic.WMF", wmf)}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(View()->SetBackgroundImage(CString(path.c_str())));
        ExpectShown(square);
    }
}

TEST_F(Backgrounds, SignatureBeforeExtension) {
    // A PNG named .dat loads by its signature, and a BMP named .PNG as a BMP.
    const std::string png = MakeFile("pnmtopng", "picture.dat");
    CRgbImage image;
    EXPECT_EQ(CRgbImage::DetectFormatByFile(png.c_str()), IFT_PNG);
    EXPECT_EQ(image.Load(png.c_str()), 0);
    EXPECT_EQ(image.GetSize(), CSize(23, 17));
    const std::string bmp = MakeFile("ppmtobmp", "looks.PNG");
    EXPECT_EQ(CRgbImage::DetectFormatByFile(bmp.c_str()), IFT_BMP);
    EXPECT_EQ(image.Load(bmp.c_str()), 0);

    // A TGA under a lower-case extension is not recognised: nothing is read, and that is no success.
    const std::string tga = MakeFile("pamtotga", "picture.tga");
    EXPECT_EQ(CRgbImage::DetectFormatByFile(tga.c_str()), IFT_NONE);
    EXPECT_EQ(image.Load(tga.c_str()), 5);
    EXPECT_EQ(image.GetSize(), CSize(0, 0));
    EXPECT_EQ(image.m_hBuffer, nullptr);
    // A dotted folder does not hide the extension.
    fs::create_directories(Path("my.dir"));
    fs::copy_file(tga, Path("my.dir/PICTURE.TGA"));
    EXPECT_EQ(image.Load(Path("my.dir/PICTURE.TGA").c_str()), 0);
    fs::copy_file(tga, Path("my.pic.TGA"));
    EXPECT_EQ(image.Load(Path("my.pic.TGA").c_str()), 5);

    // Missing files: the open error.
    EXPECT_EQ(image.Load(Path("missing.png").c_str()), 2);
    EXPECT_EQ(image.Load(Path("missing.dat").c_str()), 2);
    EXPECT_EQ(CRgbImage::DetectFormatByFile(Path("missing.png").c_str()), IFT_NONE);
}

TEST_F(Backgrounds, ResolutionsFromTheFiles) {
    // JFIF density 118 dots per centimetre, patched into cjpeg's header (units at 13, x at 14, y at 16).
    Bytes jpeg = pxtest::MakeWithTool(m_tools, m_picture, "cjpeg", "made.bin");
    ASSERT_GT(jpeg.size(), 18u);
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(&jpeg[6]), 4), "JFIF");
    jpeg[13] = 2;
    jpeg[14] = 0, jpeg[15] = 118, jpeg[16] = 0, jpeg[17] = 118;
    CRgbImage image;
    ASSERT_EQ(image.Load(Write("dense.jpg", jpeg).c_str()), 0);
    EXPECT_EQ(image.m_resolution, CSize(299, 299));

    ASSERT_EQ(image.Load(MakeFile("pnmtopng -size='3780 3780 1'", "phys.png").c_str()), 0);
    EXPECT_EQ(image.m_resolution, CSize(93, 93));
    ASSERT_EQ(image.Load(MakeFile("pnmtopng", "plain.png").c_str()), 0);
    EXPECT_EQ(image.m_resolution, CSize(96, 96));

    pxtest::WriteFileBytes(m_tools.Path("in.ppm"), pxtest::MakePpm(m_picture));
    const Bytes tiffInch = pxtest::CommandFile(m_tools, "ppm2tiff -R 150 in.ppm a.tif && cat a.tif");
    ASSERT_EQ(image.Load(Write("inch.tif", tiffInch).c_str()), 0);
    EXPECT_EQ(image.m_resolution, CSize(150, 150));
    const Bytes tiffCm = pxtest::CommandFile(m_tools, "ppm2tiff -R 100 in.ppm b.tif && tiffset -s 296 3 b.tif && cat b.tif");
    ASSERT_EQ(image.Load(Write("cm.tif", tiffCm).c_str()), 0);
    EXPECT_EQ(image.m_resolution, CSize(254, 254));
}

TEST_F(Backgrounds, BrokenAndHostileFilesKeepTheShownImage) {
    const std::string good = MakeFile("ppmtobmp", "good.bmp");
    ASSERT_TRUE(View()->SetBackgroundImage(CString(good.c_str())));
    const Image expected = Decoded("bmptopnm", good);

    const Bytes png = pxtest::MakeWithTool(m_tools, m_picture, "pnmtopng", "made.bin");
    // A BMP header declaring 100000 x 100000 pixels of 24 bits over a few bytes.
    Bytes huge = {'B', 'M', 0x46, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0, 0, 0xA0, 0x86, 1, 0, 0xA0, 0x86, 1, 0,
                  1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    huge.resize(0x46, 0x55);
    Bytes noise(300);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<BYTE>(i * 37 + 11);
    noise[0] = 0x89;  // looks like nothing the library knows
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"cut.png", Bytes(png.begin(), png.begin() + static_cast<long>(png.size() / 2))},
        {"huge.bmp", huge},
        {"empty.png", {}},
        {"tiny.jpg", {0xFF, 0xD8, 0xFF}},
        {"noise.PCX", noise},
        {"noise.TGA", noise},
        {"noise.EMF", noise},
        {"noise.WMF", noise},
        {"folder.png", {}},
    };
    fs::create_directories(Path("folder.PNG"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.bytes);
        CRgbImage image;
        EXPECT_NE(image.Load(path.c_str()), 0);
        EXPECT_EQ(View()->SetBackgroundImage(CString(path.c_str())), FALSE);
        ExpectShown(expected);
    }
    CRgbImage image;
    EXPECT_NE(image.Load(Path("folder.PNG").c_str()), 0);
}

// The library's regression inputs go through Load under every extension and from memory.
TEST_F(Backgrounds, FuzzRegressionInputsUnderEveryExtension) {
    const char* src = std::getenv("QS_SOURCE_DIR");
    // Without the variable: the source folder two above the tests' working folder (left in SetUp).
    const fs::path root = (src ? fs::path(src) : fs::path(m_strOldCwd) / "../..") / "fuzz";
    std::vector<fs::path> inputs;
    for (const char* dir : {"regress", "corpus"}) {
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(root / dir, ec))
            if (e.is_regular_file() && e.file_size() < (1u << 20) &&
                e.path().string().find("document") == std::string::npos &&
                e.path().string().find("archive") == std::string::npos)
                inputs.push_back(e.path());
    }
    ASSERT_FALSE(inputs.empty());
    int nLoaded = 0;
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        const Bytes bytes = pxtest::ReadFileBytes(input.string());
        for (const char* ext : {".BMP", ".JPG", ".PNG", ".PCX", ".TIF", ".TGA", ".WMF", ".EMF", ".dat"}) {
            const std::string path = Write(std::string("input") + ext, bytes);
            CRgbImage image;
            const int code = image.Load(path.c_str());
            if (code == 0) {
                ++nLoaded;
                EXPECT_GT(image.GetSize().cx, 0);
                EXPECT_NE(image.m_hBuffer, nullptr);
            }
        }
        CRgbImage image;
        const int code = image.LoadFromMemory(bytes.data(), static_cast<UINT>(bytes.size()));
        EXPECT_TRUE(code != 0 || image.m_hBuffer) << code;
    }
    EXPECT_GT(nLoaded, 0);
}

TEST_F(Backgrounds, LoadFromMemoryBySignatureOnly) {
    const Bytes png = pxtest::MakeWithTool(m_tools, m_picture, "pnmtopng", "made.bin");
    CRgbImage image;
    ASSERT_EQ(image.LoadFromMemory(png.data(), static_cast<UINT>(png.size())), 0);
    EXPECT_EQ(image.GetSize(), CSize(23, 17));
    EXPECT_EQ(memcmp(image.m_hBuffer, Decoded("pngtopam", MakeFile("pnmtopng", "m.png")).rgb.data(), 23 * 17 * 3), 0);
    const Bytes tga = pxtest::MakeWithTool(m_tools, m_picture, "pamtotga", "made.bin");
    EXPECT_EQ(image.LoadFromMemory(tga.data(), static_cast<UINT>(tga.size())), 5);
    EXPECT_EQ(image.m_hBuffer, nullptr);
    const Bytes emf = pxtest::Encode(WriteRgbAsEmf, m_picture.rgb.data(), m_picture.w, m_picture.h);
    EXPECT_EQ(image.LoadFromMemory(emf.data(), static_cast<UINT>(emf.size())), 5);
    EXPECT_NE(image.LoadFromMemory(nullptr, 0), 0);
    EXPECT_NE(image.LoadFromMemory(png.data(), 10), 0);
}

// ---- the commands -----------------------------------------------------------------------------------

class BackgroundCommands : public Backgrounds {
protected:
    // Command 130 with the dialog worked by `action`.
    void RunDialog(ui::CScriptedUIServices::DialogAction action) {
        m_ui.AnswerDialog(std::move(action));
        View()->ExecuteCommand(ID_CANVAS_IMAGE, TRUE);
    }
};

TEST_F(BackgroundCommands, BrowseAndOkShowsTheImageAndStoresItsName) {
    fs::create_directories(Path("pics"));
    const std::string bmp = MakeFile("ppmtobmp", "pics/pic.bmp");
    const Image expected = Decoded("bmptopnm", bmp);
    Book()->SetBackgroundImageLayout(2);
    View()->m_bModified = 0;
    std::string strShownName;
    int nShownLayout = -2;
    m_ui.AnswerFileDialog(bmp);
    RunDialog([&](ui::CParamDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(CBackgroundImageDialog::IDC_FILE_NAME), "");
        nShownLayout = d.GetCurSel(CBackgroundImageDialog::IDC_LAYOUT);
        d.ClickButton(CBackgroundImageDialog::IDC_BROWSE);
        strShownName = d.GetDlgItemText(CBackgroundImageDialog::IDC_FILE_NAME).str();
        d.PickItem(CBackgroundImageDialog::IDC_LAYOUT, "Upper Left");
        return IDOK;
    });
    EXPECT_EQ(nShownLayout, 2);
    EXPECT_EQ(strShownName, "pic.bmp");
    ASSERT_GE(m_ui.Calls().size(), 2u);
    const ui::FileDialogRequest& request = m_ui.Calls()[0].file;
    EXPECT_TRUE(request.bOpen);
    EXPECT_EQ(request.strFilter, "Bitmap Files (*.bmp)|*.bmp|JPG Files (*.jpg)|*.jpg||");
    EXPECT_EQ(request.dwFlags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(m_ui.Calls()[1].strText, "Set background image...");
    EXPECT_TRUE(m_ui.AllScripted());
    EXPECT_EQ(Book()->GetBackgroundImage(), "pic.bmp");
    EXPECT_EQ(Book()->GetBackgroundImageLayout(), 0);
    EXPECT_EQ(View()->m_bModified, 1);
    ExpectShown(expected);
}

TEST_F(BackgroundCommands, TypedNamesSameNameLayoutFailureAndCancel) {
    const std::string bmp = MakeFile("ppmtobmp", "pic.bmp");
    const Image expected = Decoded("bmptopnm", bmp);
    m_ui.AnswerFileDialog(bmp);
    RunDialog([](ui::CParamDialog& d) {
        d.ClickButton(CBackgroundImageDialog::IDC_BROWSE);
        d.PickItem(CBackgroundImageDialog::IDC_LAYOUT, "Upper Left");
        return IDOK;
    });
    ExpectShown(expected);

    // The same name, not browsed, a new layout: the image stays and is laid out again (lower right).
    View()->m_bModified = 0;
    RunDialog([](ui::CParamDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(CBackgroundImageDialog::IDC_FILE_NAME), "pic.bmp");
        d.PickItem(CBackgroundImageDialog::IDC_LAYOUT, "Lower Right");
        return IDOK;
    });
    EXPECT_EQ(Book()->GetBackgroundImage(), "pic.bmp");
    EXPECT_EQ(Book()->GetBackgroundImageLayout(), 3);
    EXPECT_EQ(View()->m_bModified, 1);
    Draw();
    EXPECT_EQ(At(40 - 23, 30 - 17), Pixel(expected, 0, 0));
    EXPECT_EQ(At(39, 29), Pixel(expected, 22, 16));
    EXPECT_EQ(At(0, 0), kBack);

    // Cancel changes nothing.
    View()->m_bModified = 0;
    RunDialog([](ui::CParamDialog& d) {
        d.TypeText(CBackgroundImageDialog::IDC_FILE_NAME, "other.png");
        d.PickItem(CBackgroundImageDialog::IDC_LAYOUT, "Tiled");
        return IDCANCEL;
    });
    EXPECT_EQ(Book()->GetBackgroundImage(), "pic.bmp");
    EXPECT_EQ(Book()->GetBackgroundImageLayout(), 3);
    EXPECT_EQ(View()->m_bModified, 0);
    EXPECT_EQ(At(39, 29), Pixel(expected, 22, 16));

    // A browsed file that does not load: the message, the book and the image unchanged.
    const std::string bad = Write("bad.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0});
    m_ui.AnswerFileDialog(bad);
    m_ui.AnswerMessageBox(IDOK);
    const size_t nCalls = m_ui.Calls().size();
    RunDialog([](ui::CParamDialog& d) {
        d.ClickButton(CBackgroundImageDialog::IDC_BROWSE);
        d.PickItem(CBackgroundImageDialog::IDC_LAYOUT, "Centered");
        return IDOK;
    });
    ASSERT_EQ(m_ui.Calls().size(), nCalls + 3);
    const ui::CScriptedUIServices::Call& box = m_ui.Calls().back();
    EXPECT_EQ(box.strText, "Unable to load the designated background image.");
    EXPECT_EQ(box.strCaption, ui::GetAppTitle());
    EXPECT_EQ(box.nType & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Book()->GetBackgroundImage(), "pic.bmp");
    EXPECT_EQ(Book()->GetBackgroundImageLayout(), 3);
    EXPECT_EQ(View()->m_bModified, 0);
    Draw();
    EXPECT_EQ(At(39, 29), Pixel(expected, 22, 16));

    // A new name typed without browsing: the shown image goes, the name is stored all the same.
    RunDialog([](ui::CParamDialog& d) {
        d.TypeText(CBackgroundImageDialog::IDC_FILE_NAME, "typed.png");
        d.PickItem(CBackgroundImageDialog::IDC_LAYOUT, "Tiled");
        return IDOK;
    });
    EXPECT_EQ(Book()->GetBackgroundImage(), "typed.png");
    EXPECT_EQ(Book()->GetBackgroundImageLayout(), 6);
    EXPECT_EQ(View()->m_bModified, 1);
    Draw();
    EXPECT_EQ(At(39, 29), kBack);
    EXPECT_EQ(At(0, 0), kBack);
    EXPECT_TRUE(m_ui.AllScripted());
}

TEST_F(BackgroundCommands, NoneRemovesTheImageAndSaveAndOpenBringItBack) {
    fs::create_directories(Path("doc"));
    const std::string png = MakeFile("pnmtopng", "doc/back.png");
    const Image expected = Decoded("pngtopam", png);
    m_ui.AnswerFileDialog(png);
    RunDialog([](ui::CParamDialog& d) {
        d.ClickButton(CBackgroundImageDialog::IDC_BROWSE);
        d.PickItem(CBackgroundImageDialog::IDC_LAYOUT, "Lower Left");
        return IDOK;
    });
    Draw();
    EXPECT_EQ(At(0, 30 - 17), Pixel(expected, 0, 0));
    m_ui.AnswerFileDialog(Path("doc/scene.qsd"));
    ASSERT_TRUE(View()->OnFileSaveAs());

    View()->m_bModified = 0;
    View()->ExecuteCommand(ID_CANVAS_NO_IMAGE, TRUE);
    EXPECT_EQ(View()->m_bModified, 1);
    EXPECT_EQ(Book()->GetBackgroundImage(), "back.png");
    EXPECT_EQ(Book()->GetBackgroundImageLayout(), 2);
    Draw();
    EXPECT_EQ(At(0, 29), kBack);

    // A new document names no image; opening the saved one (its dialog makes its folder current)
    // loads the image by its name again.
    View()->m_bModified = 0;
    View()->OnFileNew();
    ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
    m_ui.AnswerFileDialog(Path("doc/scene.qsd"));
    View()->OnFileOpen();
    EXPECT_EQ(Book()->GetBackgroundImage(), "back.png");
    Draw();
    EXPECT_EQ(At(0, 30 - 17), Pixel(expected, 0, 0));
    EXPECT_EQ(At(22, 29), Pixel(expected, 22, 16));
    EXPECT_TRUE(m_ui.AllScripted());
}

}  // namespace
