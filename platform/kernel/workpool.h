// The program's one pool of worker threads, for per-pixel and per-glyph work that can run side by side.
//
// The pool lives for the whole process (oneTBB's arena, made on first use); no call starts a thread of
// its own. QS_THREADS in the environment sets how many threads the pool may use, a whole number from 1
// to kMaxWorkThreads; QS_THREADS=1 runs every body on the calling thread. Bodies must not touch state
// another body writes, and must not call back into anything that draws random numbers or reports errors
// through per-thread state: the caller reserves what a body needs before the call and merges what it
// produces after it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace qs {

// The most threads QS_THREADS may ask for; a larger number gives this many.
constexpr int kMaxWorkThreads = 1024;

// The processor threads this process may run on (its CPU affinity), at least 1.
int MachineThreads();

// How many threads a QS_THREADS value gives on a machine of nMachine threads: the value when it is a
// whole number from 1 to kMaxWorkThreads (decimal digits only), kMaxWorkThreads for a larger one, and
// nMachine when the variable is unset (NULL) or empty. Any other value (0, -1, "abc", "4x", " 4") also
// gives nMachine. *pstrWarning receives the line to report, or is emptied when there is none: a value
// that is neither used as it stands nor unset is reported.
int WorkThreadsFor(const char* pszValue, int nMachine, std::string* pstrWarning);

// How many threads parallel work may use (at least 1): WorkThreadsFor(QS_THREADS, MachineThreads()),
// raised to the floor RequireWorkThreads set when QS_THREADS does not set the count. Read once, on first
// use; the warning, if any, goes to standard error then.
int WorkThreads();

// For tests that must run the parallel path on any machine, one core included: unless QS_THREADS holds
// a valid count, the pool has at least nAtLeast threads (oneTBB is told to allow that many beyond the
// machine's). Call before the first parallel work; returns WorkThreads() (unchanged once the pool is
// made).
int RequireWorkThreads(int nAtLeast);

// Calls body(begin, end) over disjoint ranges that together cover [0, n), and returns when every call has
// finished. With one work thread, or when n is below minParallel, the whole range runs on the calling
// thread as body(0, n). grain is the smallest range handed to one call. A body that throws ends its own
// range; every other range still runs, and the first exception thrown is rethrown here once all are done.
void ParallelFor(size_t n, size_t minParallel, size_t grain,
                 const std::function<void(size_t begin, size_t end)>& body);

// Tasks handed to the pool to run while the caller goes on with work of its own. Wait returns once every
// task handed over has run: the caller first runs itself the tasks no pool thread has taken yet, then
// waits for those under way. With one work thread Run calls the task at once, on the calling thread.
// Tasks follow the rules of ParallelFor's bodies and must not throw. What the caller wrote before Run is
// seen by the task, and what the task wrote is seen by the caller after Wait.
class BackgroundTasks {
public:
    BackgroundTasks();
    // Waits for the tasks.
    ~BackgroundTasks();
    BackgroundTasks(const BackgroundTasks&) = delete;
    BackgroundTasks& operator=(const BackgroundTasks&) = delete;

    // False when there was no memory to hand the task over: it has not run, and will not.
    bool Run(std::function<void()> task) noexcept;
    void Wait() noexcept;

private:
    struct Queue;
    std::shared_ptr<Queue> m_queue;  // shared with the pool's calls, which may outlive this object
};

}  // namespace qs
