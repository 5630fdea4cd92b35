// The metafile and DIB fuzz targets' inputs: every seed of fuzz/corpus/{metafile,dib} passes the
// targets' checks and converts; so do its truncations and its first bytes changed. Inputs kept in
// fuzz/regress/metafile/ (hostile files, some found by fuzzing) pass the checks, with a picture or a code
// (the sanitizer build reports any undefined behaviour on the way); those in fuzz/regress/dib/ fail with a
// code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/mffuzz/mffuzz.h"
#include "pixmill/pxalloc.h"
#include "pxtest.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(const std::string& folder) {
    const char* src = std::getenv("QS_SOURCE_DIR");
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(std::string(src ? src : "../..") + "/fuzz/" + folder, ec))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Each seed as it is, cut at every length, and with each of its first 100 bytes changed.
template <class Run>
void Mutate(const pxtest::Bytes& bytes, Run run) {
    for (size_t n = 0; n < bytes.size(); ++n) run(bytes.data(), n);
    for (size_t i = 0; i < std::min<size_t>(bytes.size(), 100); ++i) {
        for (BYTE flip : {BYTE{0xFF}, BYTE{0x80}, BYTE{0x01}}) {
            pxtest::Bytes mutant = bytes;
            mutant[i] ^= flip;
            run(mutant.data(), mutant.size());
        }
    }
}

class MetafileFuzzInputs : public ::testing::Test {
protected:
    void SetUp() override { px::SetAllocationLimitForTesting(256u << 10); }
    void TearDown() override { px::SetAllocationLimitForTesting(0); }
};

TEST_F(MetafileFuzzInputs, SeedsPlayAndTheirMutantsPassTheChecks) {
    const std::vector<fs::path> seeds = Inputs("corpus/metafile");
    EXPECT_GE(seeds.size(), 5u);
    for (const fs::path& seed : seeds) {
        SCOPED_TRACE(seed.string());
        const pxtest::Bytes bytes = pxtest::ReadFileBytes(seed.string());
        EXPECT_EQ(FzPlayMetafile(bytes.data(), bytes.size()), 0);
        Mutate(bytes, FzPlayMetafile);
    }
    const std::vector<fs::path> regress = Inputs("regress/metafile");
    EXPECT_GE(regress.size(), 1u);
    for (const fs::path& input : regress) {
        SCOPED_TRACE(input.string());
        const pxtest::Bytes bytes = pxtest::ReadFileBytes(input.string());
        FzPlayMetafile(bytes.data(), bytes.size());
        Mutate(bytes, FzPlayMetafile);
    }
}

TEST_F(MetafileFuzzInputs, DibSeedsConvertAndTheirMutantsPassTheChecks) {
    const std::vector<fs::path> seeds = Inputs("corpus/dib");
    EXPECT_GE(seeds.size(), 5u);
    for (const fs::path& seed : seeds) {
        SCOPED_TRACE(seed.string());
        const pxtest::Bytes bytes = pxtest::ReadFileBytes(seed.string());
        const std::vector<int> codes = FzConvertDib(bytes.data(), bytes.size());
        ASSERT_EQ(codes.size(), 4u);
        EXPECT_EQ(codes[1], 0);  // a bitmap of every DIB the layer takes
        EXPECT_EQ(codes[3], 0);  // and drawn
        Mutate(bytes, [](const BYTE* p, size_t n) { FzConvertDib(p, n); });
    }
    for (const fs::path& input : Inputs("regress/dib")) {
        const pxtest::Bytes bytes = pxtest::ReadFileBytes(input.string());
        for (int code : FzConvertDib(bytes.data(), bytes.size())) EXPECT_NE(code, 0) << input.string();
    }
}

}  // namespace
