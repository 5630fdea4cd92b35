// The image fuzz targets' inputs: every seed of fuzz/corpus/<format> passes the targets'
// checks and its RGB reading succeeds; every seed cut short or with a header byte changed passes the
// checks too; inputs kept in fuzz/regress/<format>/ (found by fuzzing) fail with a code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/imagefuzz/imagefuzz.h"
#include "pixmill/pxalloc.h"
#include "pxtest.h"

namespace {

namespace fs = std::filesystem;

std::string FuzzDir() {
    const char* src = std::getenv("QS_SOURCE_DIR");
    return std::string(src ? src : "../..") + "/fuzz/";
}

struct Kind {
    const char* name;
    FzImage image;
};
constexpr Kind kKinds[] = {{"bmp", FzImage::Bmp},   {"pcx", FzImage::Pcx},   {"tga", FzImage::Tga},
                           {"detect", FzImage::Detect}, {"png", FzImage::Png}, {"jpeg", FzImage::Jpeg},
                           {"tiff", FzImage::Tiff}};

std::vector<fs::path> Files(const std::string& dir) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzInputs : public ::testing::Test {
protected:
    void SetUp() override { FzLowerAllocationLimit(); }
    void TearDown() override { px::SetAllocationLimitForTesting(0); }
};

TEST_F(FuzzInputs, SeedsReadAndTheirMutantsPassTheChecks) {
    for (const Kind& k : kKinds) {
        const std::vector<fs::path> seeds = Files(FuzzDir() + "corpus/" + k.name);
        EXPECT_GE(seeds.size(), 5u) << k.name;
        for (const fs::path& seed : seeds) {
            SCOPED_TRACE(seed.string());
            const pxtest::Bytes bytes = pxtest::ReadFileBytes(seed.string());
            const std::vector<int> codes = FzReadImage(k.image, bytes.data(), bytes.size());
            ASSERT_FALSE(codes.empty());
            EXPECT_EQ(codes[0], 0);  // the RGB reader (or detection) from memory
            for (size_t n = 0; n < bytes.size(); ++n) FzReadImage(k.image, bytes.data(), n);
            for (size_t i = 0; i < std::min<size_t>(bytes.size(), 80); ++i) {
                for (BYTE flip : {BYTE{0xFF}, BYTE{0x80}, BYTE{0x01}}) {
                    pxtest::Bytes mutant = bytes;
                    mutant[i] ^= flip;
                    FzReadImage(k.image, mutant.data(), mutant.size());
                }
            }
        }
    }
}

TEST_F(FuzzInputs, FoundInputsFailWithACode) {
    for (const Kind& k : kKinds) {
        for (const fs::path& input : Files(FuzzDir() + "regress/" + k.name)) {
            SCOPED_TRACE(input.string());
            const pxtest::Bytes bytes = pxtest::ReadFileBytes(input.string());
            for (int code : FzReadImage(k.image, bytes.data(), bytes.size())) EXPECT_NE(code, 0);
        }
    }
}

}  // namespace
