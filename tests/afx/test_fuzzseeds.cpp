// The archive fuzzer's seed corpus: the files in fuzz/corpus/archive are the ones the graph classes
// write (QS_UPDATE_CORPUS=1 rewrites them), each loads and round-trips, and every cut-short or
// single-byte-changed seed fails or loads cleanly.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "afxtest.h"
#include "fuzz/archive/fuzzgraph.h"

namespace {

std::string CorpusDir() {
    const char* src = std::getenv("QS_SOURCE_DIR");
    return std::string(src ? src : "../..") + "/fuzz/corpus/archive/";
}

TEST(FuzzSeeds, CorpusFilesAreTheGeneratedSeeds) {
    bool update = std::getenv("QS_UPDATE_CORPUS") != nullptr;
    for (const auto& [name, bytes] : FzMakeSeeds()) {
        SCOPED_TRACE(name);
        std::string path = CorpusDir() + name;
        if (update) {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path << " missing (run with QS_UPDATE_CORPUS=1)";
        Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(file, bytes);
    }
}

TEST(FuzzSeeds, SeedsLoadAndMutantsFailCleanly) {
    for (const auto& [name, bytes] : FzMakeSeeds()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(FzLoadAndCheck(bytes.data(), bytes.size()));
        for (size_t n = 0; n < bytes.size(); n++) EXPECT_FALSE(FzLoadAndCheck(bytes.data(), n)) << n;
        if (bytes.size() > 400) continue;
        for (size_t i = 0; i < bytes.size(); i++) {
            for (BYTE v : {BYTE(0x00), BYTE(0x7F), BYTE(0x80), BYTE(0xFF)}) {
                Bytes m = bytes;
                m[i] = v;
                FzLoadAndCheck(m.data(), m.size());  // either way; it must not crash or leak
            }
        }
    }
}

TEST(FuzzSeeds, TheWideSeedReadsAsEightBitText) {
    for (const auto& [name, bytes] : FzMakeSeeds()) {
        if (name != "wide") continue;
        CMemFile in(bytes.data(), bytes.size());
        CArchive ar(&in, CArchive::load);
        CFzNode* p = nullptr;
        ar >> p;
        EXPECT_EQ(p->m_strName, "AB");
        for (CObject* o : ar.TakeLoadedObjects()) delete o;
    }
}

}  // namespace
