#include "platform/kernel/globalmem.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The header in front of every block; 16 bytes, so the block keeps malloc's alignment.
struct BlockHeader {
    size_t nSize;
    uint64_t nMagic;
};
static_assert(sizeof(BlockHeader) == 16);

constexpr uint64_t kLiveMagic = 0x474C4F42414C4D45ull;   // "GLOBALME"
constexpr uint64_t kFreedMagic = 0x46524545444D454Dull;  // "FREEDMEM"

BlockHeader* HeaderOf(HGLOBAL hMem) {
    return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(hMem) - sizeof(BlockHeader));
}

HGLOBAL BlockOf(BlockHeader* pHeader) { return reinterpret_cast<unsigned char*>(pHeader) + sizeof(BlockHeader); }

// Large blocks (whole images) ask for transparent huge pages where the kernel offers them on request:
// first touching a 36 MB image then takes a few dozen page faults instead of thousands. Only the
// 2 MB-aligned interior of the block is advised; the kernel ignores the advice when it has none.
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kHugeAdviceFrom = 4 * kHugePage;

void AdviseHugePages(void* p, size_t n) {
    if (n < kHugeAdviceFrom) return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + n) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

bool IsLiveBlock(HGLOBAL hMem) { return hMem && HeaderOf(hMem)->nMagic == kLiveMagic; }

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (dwBytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    const size_t nTotal = dwBytes + sizeof(BlockHeader);
    void* p = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, nTotal) : std::malloc(nTotal);
    if (!p) return nullptr;
    BlockHeader* pHeader = static_cast<BlockHeader*>(p);
    pHeader->nSize = dwBytes;
    pHeader->nMagic = kLiveMagic;
    AdviseHugePages(p, nTotal);
    return BlockOf(pHeader);
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    if (!IsLiveBlock(hMem) || dwBytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    BlockHeader* pHeader = HeaderOf(hMem);
    const size_t nOld = pHeader->nSize;
    if (!(uFlags & GMEM_MOVEABLE)) {
        // A fixed block cannot move: it can only keep its place, which a shrink always can.
        if (dwBytes > nOld) return nullptr;
        pHeader->nSize = dwBytes;
        return hMem;
    }
    void* p = std::realloc(pHeader, dwBytes + sizeof(BlockHeader));
    if (!p) return nullptr;
    pHeader = static_cast<BlockHeader*>(p);
    pHeader->nSize = dwBytes;
    if (dwBytes > nOld) AdviseHugePages(p, dwBytes + sizeof(BlockHeader));
    HGLOBAL hNew = BlockOf(pHeader);
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > nOld) std::memset(static_cast<unsigned char*>(hNew) + nOld, 0, dwBytes - nOld);
    return hNew;
}

SIZE_T GlobalSize(HGLOBAL hMem) { return IsLiveBlock(hMem) ? HeaderOf(hMem)->nSize : 0; }

HGLOBAL GlobalFree(HGLOBAL hMem) {
    if (!hMem) return nullptr;
    if (!IsLiveBlock(hMem)) return hMem;
    BlockHeader* pHeader = HeaderOf(hMem);
    pHeader->nMagic = kFreedMagic;
    std::free(pHeader);
    return nullptr;
}
