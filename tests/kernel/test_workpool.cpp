#include <gtest/gtest.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/workpool.h"

extern char** environ;

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

// A range that throws ends only itself: every other index still runs once, and the caller gets the
// exception after all of them. (On one work thread the whole range is one call: nothing else to run.)
TEST(WorkPool, ABodyThatThrowsLeavesTheOtherRangesToRun) {
    for (size_t nThrow : {size_t(0), size_t(31), size_t(63)}) {
        std::vector<std::atomic<int>> hits(64);
        EXPECT_THROW(qs::ParallelFor(64, 2, 1,
                                     [&](size_t b, size_t e) {
                                         for (size_t i = b; i < e; ++i) {
                                             if (i == nThrow) throw std::runtime_error("body");
                                             hits[i].fetch_add(1);
                                         }
                                     }),
                     std::runtime_error);
        if (qs::WorkThreads() <= 1) continue;
        for (size_t i = 0; i < 64; ++i) EXPECT_EQ(hits[i].load(), i == nThrow ? 0 : 1) << "index " << i << ", throw at " << nThrow;
    }
}

// ---- the thread count a fresh program reads --------------------------------------------------------

struct HelperRun {
    std::string out, err;
};

// Runs the helper with QS_THREADS set to value (unset for nullopt) and the given arguments, on the
// CPUs of nCpus (all of this process's when 0); what it wrote to standard output and error.
HelperRun RunHelper(const std::optional<std::string>& value, const std::vector<std::string>& args, int nCpus = 0) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "QS_THREADS=", 11) != 0) env.emplace_back(*e);
    if (value) env.push_back("QS_THREADS=" + *value);
    std::vector<char*> envp, argv;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string prog = QS_WORKTHREADS;
    std::vector<std::string> argStore = args;
    argv.push_back(prog.data());
    for (std::string& s : argStore) argv.push_back(s.data());
    argv.push_back(nullptr);

    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) ADD_FAILURE() << "pipe";
    // A child with fewer CPUs: the affinity is inherited through exec, so set it here and put it back.
    cpu_set_t old;
    CPU_ZERO(&old);
    sched_getaffinity(0, sizeof old, &old);
    if (nCpus > 0) {
        cpu_set_t few;
        CPU_ZERO(&few);
        for (int c = 0, n = 0; c < CPU_SETSIZE && n < nCpus; ++c)
            if (CPU_ISSET(c, &old)) CPU_SET(c, &few), ++n;
        sched_setaffinity(0, sizeof few, &few);
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    posix_spawn_file_actions_addclose(&fa, err[0]);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    if (nCpus > 0) sched_setaffinity(0, sizeof old, &old);
    close(out[1]);
    close(err[1]);
    HelperRun r;
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << prog;
    } else {
        // Both pipes to their end (the helper writes little, so the order cannot block it).
        char buf[4096];
        ssize_t n;
        while ((n = read(out[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<size_t>(n));
        while ((n = read(err[0], buf, sizeof buf)) > 0) r.err.append(buf, static_cast<size_t>(n));
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    close(out[0]);
    close(err[0]);
    return r;
}

// What QS_THREADS gives, and what is said about it on standard error.
TEST(WorkPool, ThreadsFromTheEnvironmentAndWhatIsReported) {
    const std::string all = std::to_string(qs::MachineThreads());
    auto notANumber = [&](const std::string& shown) {
        return "QS_THREADS=\"" + shown + "\" is not a whole number from 1 to 1024: the worker pool uses all " + all +
               " processor threads.\n";
    };
    struct Case {
        std::optional<std::string> value;
        std::string threads;
        std::string err;
    } cases[] = {
        {std::nullopt, all, ""},
        {"", all, ""},
        {"1", "1", ""},
        {"4", "4", ""},
        {"007", "7", ""},
        {"1024", "1024", ""},
        {"0", all, notANumber("0")},
        {"-1", all, notANumber("-1")},
        {"abc", all, notANumber("abc")},
        {"4x", all, notANumber("4x")},
        {" 4", all, notANumber(" 4")},
        {"+4", all, notANumber("+4")},
        {"4.5", all, notANumber("4.5")},
        {"\x1b[2J", all, notANumber("\\x1B[2J")},
        {"1025", "1024", "QS_THREADS=\"1025\" is more than 1024: the worker pool uses 1024 threads.\n"},
        {"99999999999999999999999", "1024",
         "QS_THREADS=\"99999999999999999999999\" is more than 1024: the worker pool uses 1024 threads.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? "QS_THREADS=" + *c.value : "QS_THREADS unset");
        const HelperRun r = RunHelper(c.value, {});
        EXPECT_EQ(r.out, "threads=" + c.threads + "\n");
        EXPECT_EQ(r.err, c.err);
        std::string warning;
        EXPECT_EQ(std::to_string(qs::WorkThreadsFor(c.value ? c.value->c_str() : nullptr, qs::MachineThreads(), &warning)),
                  c.threads);
        EXPECT_EQ(warning.empty() ? "" : warning + "\n", c.err);
    }
}

// A test's floor holds on a machine of one CPU, and two bodies really run at once there; a count that
// QS_THREADS sets is kept. (One CPU alone gives one thread: the work stays on the calling thread.)
TEST(WorkPool, AFloorForTestsRunsTheParallelPathOnOneCpu) {
    struct Case {
        std::optional<std::string> value;
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {std::nullopt, {}, "threads=1\n"},
        {std::nullopt, {"--require", "4", "--meet"}, "threads=4\nmeet=1\n"},
        {"abc", {"--require", "4"}, "threads=4\n"},
        {"1", {"--require", "4"}, "threads=1\n"},
        {"2", {"--require", "4", "--meet"}, "threads=2\nmeet=1\n"},
    };
    for (const Case& c : cases) {
        std::string trace = c.value ? "QS_THREADS=" + *c.value : "QS_THREADS unset";
        for (const std::string& a : c.args) trace += " " + a;
        SCOPED_TRACE(trace);
        EXPECT_EQ(RunHelper(c.value, c.args, 1).out, c.out);
    }
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
