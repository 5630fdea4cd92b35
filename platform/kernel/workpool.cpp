#include "platform/kernel/workpool.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

namespace qs {

namespace {

int ReadWorkThreads() {
    if (const char* env = std::getenv("QS_THREADS")) {
        char* end = nullptr;
        long v = std::strtol(env, &end, 10);
        if (end != env && *end == '\0' && v > 0) return v > 1024 ? 1024 : static_cast<int>(v);
    }
    unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1 : static_cast<int>(hw);
}

tbb::task_arena& Arena() {
    // Made once and kept for the life of the process.
    static tbb::task_arena arena(WorkThreads());
    return arena;
}

}  // namespace

int WorkThreads() {
    static const int threads = ReadWorkThreads();
    return threads;
}

void ParallelFor(size_t n, size_t minParallel, size_t grain,
                                  const std::function<void(size_t begin, size_t end)>& body) {
    if (n == 0) return;
    if (WorkThreads() <= 1 || n < minParallel || n < 2) {
        body(0, n);
        return;
    }
    if (grain == 0) grain = 1;
    // The pool's own hand-over orders what the caller wrote before the call with the bodies, and the
    // bodies with what the caller reads after it. The same order is stated once more with atomics of
    // this file, which costs two atomic operations per range and lets a thread checker that cannot see
    // inside the pool's library see it.
    std::atomic<size_t> handOver{0};
    handOver.store(1, std::memory_order_release);
    Arena().execute([&] {
        tbb::parallel_for(tbb::blocked_range<size_t>(0, n, grain), [&](const tbb::blocked_range<size_t>& r) {
            (void)handOver.load(std::memory_order_acquire);
            body(r.begin(), r.end());
            handOver.fetch_add(1, std::memory_order_acq_rel);
        });
    });
    (void)handOver.load(std::memory_order_acquire);
}

// The tasks not yet taken, and how many are running. The pool's calls each take one task, if any is
// left; a call that finds none (the caller took it in Wait) does nothing.
struct BackgroundTasks::Queue {
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<std::function<void()>> waiting;
    size_t nRunning = 0;

    // Runs the oldest waiting task; false when there was none.
    bool RunOne() {
        std::unique_lock<std::mutex> lock(mutex);
        if (waiting.empty()) return false;
        std::function<void()> task = std::move(waiting.front());
        waiting.pop_front();
        ++nRunning;
        lock.unlock();
        task();
        lock.lock();
        if (--nRunning == 0 && waiting.empty()) idle.notify_all();
        return true;
    }
};

BackgroundTasks::BackgroundTasks() : m_queue(std::make_shared<Queue>()) {}

BackgroundTasks::~BackgroundTasks() { Wait(); }

bool BackgroundTasks::Run(std::function<void()> task) noexcept {
    if (WorkThreads() <= 1) {
        task();
        return true;
    }
    bool bQueued = false;
    try {
        {
            std::lock_guard<std::mutex> lock(m_queue->mutex);
            m_queue->waiting.push_back(std::move(task));
        }
        bQueued = true;
        Arena().enqueue([queue = m_queue] { queue->RunOne(); });
    } catch (...) {
        // A task queued but not handed to the pool is run by Wait.
        return bQueued;
    }
    return true;
}

void BackgroundTasks::Wait() noexcept {
    while (m_queue->RunOne()) {
    }
    std::unique_lock<std::mutex> lock(m_queue->mutex);
    m_queue->idle.wait(lock, [&] { return m_queue->nRunning == 0 && m_queue->waiting.empty(); });
}

}  // namespace qs
