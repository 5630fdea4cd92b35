// Free heap pages go back to the system: blocks freed in the middle of the heap (a live block after
// them keeps the heap from shrinking at its end) stop counting as resident once they are returned.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/kernel/heaptrim.h"

namespace {

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kOwnAllocator = true;
#else
constexpr bool kOwnAllocator = false;
#endif
#else
constexpr bool kOwnAllocator = false;
#endif

TEST(HeapTrim, FreedPagesInsideTheHeapAreReturned) {
    if (kOwnAllocator) GTEST_SKIP() << "the sanitizer's allocator keeps its own pages";
    // 48 MiB of small blocks (below the size the C library maps on its own), touched, then all freed
    // but the last, which pins the heap's end.
    constexpr size_t kBlock = 16 * 1024;
    constexpr size_t kCount = 48 * 1024 * 1024 / kBlock;
    std::vector<char*> blocks;
    for (size_t i = 0; i < kCount; i++) {
        char* p = static_cast<char*>(std::malloc(kBlock));
        ASSERT_NE(p, nullptr);
        for (size_t j = 0; j < kBlock; j += 1024) p[j] = static_cast<char>(j);
        blocks.push_back(p);
    }
    for (size_t i = 0; i + 1 < blocks.size(); i++) std::free(blocks[i]);
    const long nBefore = ResidentKiB();
    kernel::ReturnFreeHeapPages();
    const long nAfter = ResidentKiB();
    std::free(blocks.back());
    EXPECT_LT(nAfter, nBefore - 32 * 1024) << nBefore << " KiB before, " << nAfter << " KiB after";
}

}  // namespace
