// Large blocks stay mapped blocks of their own after a bigger one was freed, so that freeing them
// gives their memory back (without the fixed threshold, freeing the 8 MiB block makes the heap hand
// out the next 1 MiB block itself).
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>

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

size_t MappedBytes() { return mallinfo2().hblkhd; }

TEST(HeapTune, LargeBlocksStayMappedAfterABiggerOneIsFreed) {
    if (kOwnAllocator) GTEST_SKIP() << "the sanitizer has its own allocator";
    kernel::LimitHeapRetention();
    void* pBig = std::malloc(8 << 20);
    ASSERT_NE(pBig, nullptr);
    std::free(pBig);
    const size_t nBefore = MappedBytes();
    void* pBlock = std::malloc(1 << 20);
    ASSERT_NE(pBlock, nullptr);
    EXPECT_GE(MappedBytes(), nBefore + (1 << 20));
    std::free(pBlock);
    EXPECT_EQ(MappedBytes(), nBefore);
}

}  // namespace
