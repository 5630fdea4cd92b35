// Reports the worker pool as a program sees it at start: "threads=N" for WorkThreads() and, with
// --require N, after RequireWorkThreads(N); with --meet, "meet=1" when two bodies of one ParallelFor ran
// at the same time (each waits for another to join it, all of them 30 s at most), else "meet=0".
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/kernel/workpool.h"

int main(int argc, char** argv) {
    bool bMeet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--require") == 0 && i + 1 < argc) qs::RequireWorkThreads(std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--meet") == 0) bMeet = true;
    }
    std::printf("threads=%d\n", qs::WorkThreads());
    if (bMeet) {
        std::atomic<int> nIn{0};
        std::atomic<bool> bMet{false};
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        qs::ParallelFor(4, 2, 1, [&](size_t, size_t) {
            if (++nIn >= 2) bMet = true;
            while (!bMet && std::chrono::steady_clock::now() < tEnd) std::this_thread::yield();
            --nIn;
        });
        std::printf("meet=%d\n", bMet ? 1 : 0);
    }
    return 0;
}
