// Large blocks stay mapped blocks of their own after a bigger one was freed, so that freeing them
// gives their memory back (without the fixed threshold, freeing the 8 MiB block makes the heap hand
// out the next 1 MiB block itself). Each block is looked at on its own: the C library's mark on it,
// and its pages after the free. That runs in a child process of one thread, where no other thread can
// map memory at the freed block's address in between.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel/heaptune.h"

namespace {

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

// The GNU C library marks a block it mapped on its own (and unmaps when freed) with bit 1 of the size
// word just before the block. (Addresses as integers: the word lies outside the block.)
bool IsMappedBlock(uintptr_t block) {
    size_t nSize = 0;
    std::memcpy(&nSize, reinterpret_cast<const void*>(block - sizeof nSize), sizeof nSize);
    return (nSize & 2) != 0;
}

// Whether any page of [block, block + n) is mapped: mincore fails with ENOMEM on a page that is not.
bool AnyPageMapped(uintptr_t block, size_t n) {
    const uintptr_t nPage = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    unsigned char resident = 0;
    for (uintptr_t a = block & ~(nPage - 1); a < block + n; a += nPage)
        if (mincore(reinterpret_cast<void*>(a), nPage, &resident) == 0) return true;
    return false;
}

// In the child: 0 when every check holds, else the number of the first that failed (and why on stderr).
int CheckLargeBlocksGoBack() {
    if (!kernel::LimitHeapRetention()) return 1;
    void* pBig = std::malloc(8 << 20);
    if (!pBig) return 2;
    std::free(pBig);
    constexpr size_t kBlock = 1 << 20;
    void* pBlock = std::malloc(kBlock);
    if (!pBlock) return 3;
    static_cast<volatile char*>(pBlock)[0] = 1;
    const uintptr_t block = reinterpret_cast<uintptr_t>(pBlock);
    if (!IsMappedBlock(block)) {
        std::fprintf(stderr, "the 1 MiB block came from the heap\n");
        return 4;
    }
    std::free(pBlock);
    if (AnyPageMapped(block, kBlock)) {
        std::fprintf(stderr, "the freed block's pages are still mapped\n");
        return 5;
    }
    return 0;
}

TEST(HeapTune, LargeBlocksStayMappedAfterABiggerOneIsFreed) {
    if (kOwnAllocator) GTEST_SKIP() << "the sanitizer has its own allocator";
    EXPECT_EXIT(std::_Exit(CheckLargeBlocksGoBack()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
