#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
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

TEST(WorkPool, BackgroundTasksHaveAllRunWhenWaitReturns) {
    // Tasks that write plain memory the caller reads after Wait, handed over while the caller works; the
    // destructor waits for a second group left unwaited.
    constexpr size_t kTasks = 200;
    std::vector<size_t> written(kTasks, 0);
    std::vector<size_t> later(kTasks, 0);
    {
        qs::BackgroundTasks tasks;
        for (size_t i = 0; i < kTasks; ++i) {
            ASSERT_TRUE(tasks.Run([&written, i] {
                size_t sum = 0;
                for (size_t k = 0; k <= i * 100; ++k) sum += k;
                written[i] = sum;
            }));
        }
        tasks.Wait();
        for (size_t i = 0; i < kTasks; ++i) ASSERT_EQ(written[i], (i * 100) * (i * 100 + 1) / 2) << i;
        tasks.Wait();  // nothing left: returns at once
        qs::BackgroundTasks unwaited;
        for (size_t i = 0; i < kTasks; ++i) ASSERT_TRUE(unwaited.Run([&later, i] { later[i] = i + 1; }));
    }
    for (size_t i = 0; i < kTasks; ++i) ASSERT_EQ(later[i], i + 1) << i;
}

TEST(WorkPool, BackgroundTasksRunBesideTheCaller) {
    // With more than one work thread a task runs while the caller is still busy: the caller waits for the
    // task's flag before it calls Wait (a generous bound keeps a broken pool from hanging the test).
    if (qs::WorkThreads() <= 1) GTEST_SKIP() << "one work thread: tasks run inside Run";
    std::atomic<bool> bRan{false};
    qs::BackgroundTasks tasks;
    ASSERT_TRUE(tasks.Run([&] { bRan.store(true); }));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!bRan.load() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_TRUE(bRan.load());
    tasks.Wait();
}

}  // namespace
