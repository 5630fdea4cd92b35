#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/globalmem.h"

namespace {

bool AllBytes(const void* p, size_t n, unsigned char v) {
    const unsigned char* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != v) return false;
    return true;
}

TEST(GlobalMemory, ZeroInitialisedBlockKnowsItsSize) {
    HGLOBAL h = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 1000);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 1000u);
    EXPECT_TRUE(AllBytes(h, 1000, 0));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(h) % 16, 0u);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, NullHandleAndImpossibleSizes) {
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(GlobalSize(nullptr), 0u);
    EXPECT_EQ(GlobalReAlloc(nullptr, 10, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalAlloc(GMEM_FIXED, SIZE_MAX), nullptr);
    HGLOBAL h = GlobalAlloc(GPTR, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    GlobalFree(h);
}

TEST(GlobalMemory, ReAllocMovesOnlyWhenAllowed) {
    HGLOBAL h = GlobalAlloc(GPTR, 16);
    ASSERT_NE(h, nullptr);
    std::memset(h, 0xAB, 16);
    // A fixed block cannot grow in place here, but it can shrink.
    EXPECT_EQ(GlobalReAlloc(h, 1 << 20, GMEM_ZEROINIT), nullptr);
    EXPECT_EQ(GlobalSize(h), 16u);
    EXPECT_EQ(GlobalReAlloc(h, 8, 0), h);
    EXPECT_EQ(GlobalSize(h), 8u);
    // Growing a movable block keeps the old bytes and zero-fills the new ones.
    HGLOBAL g = GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(GlobalSize(g), size_t{1} << 20);
    EXPECT_TRUE(AllBytes(g, 8, 0xAB));
    EXPECT_TRUE(AllBytes(static_cast<char*>(g) + 8, (1 << 20) - 8, 0));
    EXPECT_EQ(GlobalFree(g), nullptr);
}

}  // namespace
