#include "pixmill/pxalloc.h"

#include <atomic>
#include <cstring>

namespace px {

namespace {
std::atomic<uint64_t> g_nLimit{kAllocationLimit};
}

uint64_t AllocationLimit() { return g_nLimit.load(std::memory_order_relaxed); }

void SetAllocationLimitForTesting(uint64_t nLimit) {
    g_nLimit.store(nLimit ? nLimit : kAllocationLimit, std::memory_order_relaxed);
}

void* AllocBlock(uint64_t nBytes) {
    if (nBytes >= AllocationLimit()) return nullptr;
    return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(nBytes));
}

void* CopyToBlock(const void* p, uint64_t n, bool bTerminate) {
    void* block = AllocBlock(SizeAdd(n, bTerminate ? 1 : 0));
    if (block && n) std::memcpy(block, p, static_cast<size_t>(n));
    return block;
}

}  // namespace px
