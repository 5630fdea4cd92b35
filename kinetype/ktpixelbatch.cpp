#include "kinetype/ktpixelbatch.h"

#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "kinetype/ktmaskrenderer.h"
#include "platform/kernel/workpool.h"

namespace {

// Below this many inner-loop steps (some 50 microseconds) a batch costs less than handing it to other
// threads.
size_t g_nMinParallelCost = 4096;

struct CQueued {
    CKTMaskRenderer* p;
    size_t nCost;
};

std::vector<CQueued>& Queue() {
    static std::vector<CQueued> queue;
    return queue;
}
size_t g_nQueuedCost = 0;
uint64_t g_nBatches = 0;

}  // namespace

void KTQueuePixels(CKTMaskRenderer* p, size_t nCost) {
    Queue().push_back(CQueued{p, nCost});
    g_nQueuedCost += nCost;
}

void KTCancelPixels(CKTMaskRenderer* p) {
    std::vector<CQueued>& queue = Queue();
    for (auto it = queue.begin(); it != queue.end();) {
        if (it->p == p) {
            g_nQueuedCost -= it->nCost;
            it = queue.erase(it);
        } else {
            ++it;
        }
    }
}

size_t KTSetMinParallelCost(size_t nCost) {
    const size_t nOld = g_nMinParallelCost;
    g_nMinParallelCost = nCost;
    return nOld;
}

uint64_t KTPixelBatchNumber() { return g_nBatches; }

void KTFinishPixels() {
    std::vector<CQueued>& queue = Queue();
    if (queue.empty()) return;
    g_nBatches++;
    // Taken out first: nothing a job does queues more, but the queue is clean before any job runs.
    std::vector<CQueued> jobs;
    jobs.swap(queue);
    const size_t nCost = g_nQueuedCost;
    g_nQueuedCost = 0;
    const size_t nMinParallel = nCost < g_nMinParallelCost ? jobs.size() + 1 : 2;
    // A job that throws does not keep the others from running: each renderer's work is done (or given
    // up) and none stays marked as queued. The first exception is passed on once all have run.
    std::mutex mutexError;
    std::exception_ptr pError;
    qs::ParallelFor(jobs.size(), nMinParallel, 1, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; i++) {
            try {
                jobs[i].p->RunQueuedPixels();
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutexError);
                if (!pError) pError = std::current_exception();
            }
        }
    });
    // Kept for the next frame's batch (its capacity, not its entries).
    jobs.clear();
    if (queue.empty()) queue.swap(jobs);
    if (pError) std::rethrow_exception(pError);
}
