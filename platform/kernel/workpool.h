// The program's one pool of worker threads, for per-pixel and per-glyph work that can run side by side.
//
// The pool lives for the whole process (oneTBB's arena, made on first use); no call starts a thread of
// its own. QS_THREADS in the environment sets how many threads the pool may use; QS_THREADS=1 runs every
// body on the calling thread. Bodies must not touch state another body writes, and must not call back
// into anything that draws random numbers or reports errors through per-thread state: the caller reserves
// what a body needs before the call and merges what it produces after it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace qs {

// How many threads parallel work may use (at least 1): QS_THREADS when it holds a positive number, else
// the machine's hardware threads. Read once, on first use.
int WorkThreads();

// Calls body(begin, end) over disjoint ranges that together cover [0, n), and returns when every call has
// finished. With one work thread, or when n is below minParallel, the whole range runs on the calling
// thread as body(0, n). grain is the smallest range handed to one call.
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
