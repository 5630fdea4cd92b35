#include "platform/kernel/workpool.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

namespace qs {

namespace {

// The floor RequireWorkThreads sets (1: none).
std::atomic<int> g_nRequired{1};

// The value as it can be printed: printable ASCII as it is, other bytes as \xHH, at most 40 bytes.
std::string Printable(const char* psz) {
    std::string s;
    size_t n = 0;
    for (; psz[n] && n < 40; ++n) {
        const unsigned char c = static_cast<unsigned char>(psz[n]);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            s += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            s += hex;
        }
    }
    if (psz[n]) s += "...";
    return s;
}

struct ThreadCount {
    int n;
    bool bFromValue;  // the value set the count (as it stands, or capped)
    std::string strWarning;
};

ThreadCount CountFor(const char* pszValue, int nMachine) {
    if (nMachine < 1) nMachine = 1;
    if (!pszValue || !*pszValue) return {nMachine, false, {}};
    if (pszValue[std::strspn(pszValue, "0123456789")] == '\0') {
        // Decimal digits only: leading zeros are fine, and the size is known without overflow.
        size_t i = 0;
        while (pszValue[i] == '0') ++i;
        long long v = 0;
        for (; pszValue[i] && v <= kMaxWorkThreads; ++i) v = v * 10 + (pszValue[i] - '0');
        if (v >= 1 && v <= kMaxWorkThreads) return {static_cast<int>(v), true, {}};
        if (v > kMaxWorkThreads)
            return {kMaxWorkThreads, true,
                    "QS_THREADS=\"" + Printable(pszValue) + "\" is more than " + std::to_string(kMaxWorkThreads) +
                        ": the worker pool uses " + std::to_string(kMaxWorkThreads) + " threads."};
    }
    return {nMachine, false,
            "QS_THREADS=\"" + Printable(pszValue) + "\" is not a whole number from 1 to " +
                std::to_string(kMaxWorkThreads) + ": the worker pool uses all " + std::to_string(nMachine) +
                " processor threads."};
}

int ReadWorkThreads() {
    const ThreadCount count = CountFor(std::getenv("QS_THREADS"), MachineThreads());
    if (!count.strWarning.empty()) std::fprintf(stderr, "%s\n", count.strWarning.c_str());
    const int nRequired = g_nRequired.load();
    return !count.bFromValue && count.n < nRequired ? nRequired : count.n;
}

struct Pool {
    // oneTBB runs no more threads in all than its global limit, by default the machine's: a pool asked
    // for more (a test's floor on a small machine) raises the limit for the life of the process.
    tbb::global_control limit{tbb::global_control::max_allowed_parallelism, static_cast<size_t>(WorkThreads())};
    tbb::task_arena arena{WorkThreads()};
};

tbb::task_arena& Arena() {
    // Made once and kept for the life of the process.
    static Pool pool;
    return pool.arena;
}

}  // namespace

int MachineThreads() {
    const int n = tbb::info::default_concurrency();
    return n < 1 ? 1 : n;
}

int WorkThreadsFor(const char* pszValue, int nMachine, std::string* pstrWarning) {
    ThreadCount count = CountFor(pszValue, nMachine);
    *pstrWarning = std::move(count.strWarning);
    return count.n;
}

int WorkThreads() {
    static const int threads = ReadWorkThreads();
    return threads;
}

int RequireWorkThreads(int nAtLeast) {
    int nOld = g_nRequired.load();
    while (nAtLeast > nOld && !g_nRequired.compare_exchange_weak(nOld, nAtLeast)) {
    }
    return WorkThreads();
}

void ParallelFor(size_t n, size_t minParallel, size_t grain,
                                  const std::function<void(size_t begin, size_t end)>& body) {
    if (n == 0) return;
    if (WorkThreads() <= 1 || n < minParallel || n < 2) {
        body(0, n);
        return;
    }
    if (grain == 0) grain = 1;
    // A body's exception is kept, not let through the pool: oneTBB would cancel the ranges not yet run.
    std::mutex mutexError;
    std::exception_ptr pError;
    // The pool's own hand-over orders what the caller wrote before the call with the bodies, and the
    // bodies with what the caller reads after it. The same order is stated once more with atomics of
    // this file, which costs two atomic operations per range and lets a thread checker that cannot see
    // inside the pool's library see it.
    std::atomic<size_t> handOver{0};
    handOver.store(1, std::memory_order_release);
    Arena().execute([&] {
        tbb::parallel_for(tbb::blocked_range<size_t>(0, n, grain), [&](const tbb::blocked_range<size_t>& r) {
            (void)handOver.load(std::memory_order_acquire);
            try {
                body(r.begin(), r.end());
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutexError);
                if (!pError) pError = std::current_exception();
            }
            handOver.fetch_add(1, std::memory_order_acq_rel);
        });
    });
    (void)handOver.load(std::memory_order_acquire);
    if (pError) std::rethrow_exception(pError);
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
