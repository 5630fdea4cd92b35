#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/kernel/workpool.h"

namespace {

TEST(WorkPool, EveryIndexRunsExactlyOnce) {
    struct Case { size_t n, minParallel, grain; };
    const Case cases[] = {{0, 1, 1}, {1, 1, 1}, {7, 100, 1}, {1000, 2, 1}, {1000, 2, 64}, {100000, 16, 8}};
    for (const Case& c : cases) {
        std::vector<std::atomic<int>> hits(c.n);
        qs::ParallelFor(c.n, c.minParallel, c.grain, [&](size_t b, size_t e) {
            ASSERT_LE(b, e);
            ASSERT_LE(e, c.n);
            for (size_t i = b; i < e; ++i) hits[i].fetch_add(1);
        });
        for (size_t i = 0; i < c.n; ++i) ASSERT_EQ(hits[i].load(), 1) << "n " << c.n << " index " << i;
    }
}

TEST(WorkPool, SmallWorkStaysOnTheCallingThreadAsOneRange) {
    std::vector<std::pair<size_t, size_t>> ranges;
    qs::ParallelFor(5, 6, 1, [&](size_t b, size_t e) { ranges.emplace_back(b, e); });
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0], std::make_pair(size_t(0), size_t(5)));
    EXPECT_GE(qs::WorkThreads(), 1);
}

}  // namespace
