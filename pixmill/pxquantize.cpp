// The octree colour quantiser: an optimal palette of up to 256 colours for an RGB image, and the mapping
// of the image onto it with error diffusion.
#include "pixmill/pxquantize.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "pixmill/pxbuffer.h"

namespace px {

namespace {

constexpr int kLevels = 6;
constexpr UINT kNodesAt[kLevels] = {1, 8, 64, 512, 4096, 32768};

struct HeapEntry {
    BYTE level;
    WORD node;
};

// The 15-bit leaf index interleaves the top five bits of red, green and blue, red highest:
// bit 14 = red bit 7, 13 = green bit 7, 12 = blue bit 7, ..., 2 = red bit 3, 1 = green bit 3, 0 = blue bit 3.
struct LeafIndexTables {
    uint16_t red[256], green[256], blue[256];
    constexpr LeafIndexTables() : red(), green(), blue() {
        for (UINT v = 0; v < 256; ++v) {
            uint16_t r = 0, g = 0, b = 0;
            for (UINT k = 0; k < 5; ++k) {
                const UINT bit = (v >> (7 - k)) & 1;
                r = static_cast<uint16_t>(r | (bit << (14 - 3 * k)));
                g = static_cast<uint16_t>(g | (bit << (13 - 3 * k)));
                b = static_cast<uint16_t>(b | (bit << (12 - 3 * k)));
            }
            red[v] = r;
            green[v] = g;
            blue[v] = b;
        }
    }
};
constexpr LeafIndexTables kLeafIndex;

// Squares of the differences -255 ... 255.
struct SquareTable {
    int v[511];
    constexpr SquareTable() : v() {
        for (int d = -255; d <= 255; ++d) v[d + 255] = d * d;
    }
    int operator()(int d) const { return v[d + 255]; }
};
constexpr SquareTable kSquare;

// The leaf sums of the pixels one table counted. A table counts at most kMaxTablePixels pixels, so that
// its sums of 8-bit channels fit 32 bits.
struct SliceLeaf {
    uint32_t sumRed;
    uint32_t sumGreen;
    uint32_t sumBlue;
    uint32_t count;
};
constexpr size_t kMaxTablePixels = size_t{1} << 24;
std::atomic<size_t> g_nPixelsPerTable{kMaxTablePixels};
std::atomic<size_t> g_nMaxTables{SIZE_MAX};
// Images of fewer pixels are counted in one pass on the calling thread, straight into the leaves: for
// them the tables cost more to clear and add up than the pool saves.
constexpr size_t kCountedAheadPixels = size_t{1} << 19;
// The pixels of one run, the pool's unit of work.
constexpr size_t kRunPixels = size_t{1} << 16;

// Adds the pixels' channels and counts into the leaves their colours fall in.
template <class Leaf>
void CountPixels(const BYTE* p, size_t nPixels, Leaf* leaves) {
    for (size_t i = 0; i < nPixels; ++i, p += 3) {
        Leaf& leaf = leaves[kLeafIndex.red[p[0]] | kLeafIndex.green[p[1]] | kLeafIndex.blue[p[2]]];
        leaf.sumRed += p[0];
        leaf.sumGreen += p[1];
        leaf.sumBlue += p[2];
        ++leaf.count;
    }
}

class OctreeQuantizer {
public:
    // pCounted: a counter attached to this image that has counted part of it already, or NULL.
    OctreeQuantizer(const BYTE* rgb, UINT width, UINT height, PaletteCounter* pCounted)
        : m_rgb(rgb), m_width(width), m_height(height), m_pCounted(pCounted) {}

    // The steps of the quantiser; each false return has set err.
    bool AllocateLevels(ErrorCode& err);
    bool Build(ErrorCode& err);
    void Reduce(UINT target);
    void NamePalette() { Name(0, 0); }
    bool MapWithDiffusion(ErrorCode& err, BYTE* out);
    void CopyPalette(RGBQUAD* palette, UINT n) const;

private:
    OctreeNode& Node(int level, UINT number) { return m_levels[level][number]; }
    UINT Weight(UINT i) { return Node(m_heap[i].level, m_heap[i].node).weight; }
    void SiftDown(UINT i);
    void Name(int level, UINT node);
    BYTE Nearest(int r, int g, int b) const;

    const BYTE* m_rgb;
    UINT m_width;
    UINT m_height;
    PaletteCounter* m_pCounted;
    GlobalBuffer m_levelBlocks[kLevels];
    OctreeNode* m_levels[kLevels] = {};
    GlobalBuffer m_heapBlock;
    HeapEntry* m_heap = nullptr;  // 1-based
    UINT m_n = 0;                 // entries in the heap
    BYTE m_red[256] = {}, m_green[256] = {}, m_blue[256] = {};
    UINT m_nColors = 0;  // palette entries named
};

bool OctreeQuantizer::AllocateLevels(ErrorCode& err) {
    for (int k = 0; k < kLevels; ++k) {
        if (!m_levelBlocks[k].Allocate(SizeMul(kNodesAt[k], sizeof(OctreeNode)))) {
            err = ErrorCode::OutOfMemory;
            return false;
        }
        m_levels[k] = reinterpret_cast<OctreeNode*>(m_levelBlocks[k].Get());
    }
    return true;
}

bool OctreeQuantizer::Build(ErrorCode& err) {
    if (!m_heapBlock.Allocate(SizeMul(kNodesAt[5] + 1, sizeof(HeapEntry)))) {
        err = ErrorCode::OutOfMemory;
        return false;
    }
    m_heap = reinterpret_cast<HeapEntry*>(m_heapBlock.Get());
    OctreeNode* leaves = m_levels[5];
    // The histogram: every pixel's channels and count added into its leaf.
    PaletteCounter own;
    PaletteCounter* counter = m_pCounted;
    if (!counter) {
        own.Attach(m_rgb, m_width, m_height);
        counter = &own;
    }
    counter->Finish(leaves);
    for (UINT c = 0; c < kNodesAt[5]; ++c) {
        OctreeNode& leaf = leaves[c];
        if (!leaf.count) continue;
        m_heap[++m_n] = HeapEntry{5, static_cast<WORD>(c)};
        leaf.weight = leaf.count;
        for (int k = 4; k >= 0; --k) {
            OctreeNode& ancestor = Node(k, c >> (3 * (5 - k)));
            ancestor.weight += leaf.count;
            ancestor.mask = static_cast<BYTE>(ancestor.mask | (1u << ((c >> (3 * (4 - k))) & 7)));
        }
    }
    for (UINT i = m_n; i >= 1; --i) SiftDown(i);
    return true;
}

void OctreeQuantizer::SiftDown(UINT i) {
    const HeapEntry kept = m_heap[i];
    const UINT key = Node(kept.level, kept.node).weight;
    while (i <= m_n / 2) {
        UINT c = 2 * i;
        if (c < m_n && Weight(c) > Weight(c + 1)) ++c;
        if (key <= Weight(c)) break;
        m_heap[i] = m_heap[c];
        i = c;
    }
    m_heap[i] = kept;
}

void OctreeQuantizer::Reduce(UINT target) {
    while (m_n > target) {
        const HeapEntry taken = m_heap[1];
        const int parentLevel = std::max(0, taken.level - 1);
        const UINT parentNumber = taken.node >> 3;
        OctreeNode& parent = Node(parentLevel, parentNumber);
        if (parent.count != 0) {
            m_heap[1] = m_heap[m_n--];
        } else {
            m_heap[1] = HeapEntry{static_cast<BYTE>(parentLevel), static_cast<WORD>(parentNumber)};
        }
        const OctreeNode& node = Node(taken.level, taken.node);
        parent.sumRed += node.sumRed;
        parent.sumGreen += node.sumGreen;
        parent.sumBlue += node.sumBlue;
        parent.count += node.count;
        parent.mask = static_cast<BYTE>(parent.mask & ~(1u << (taken.node & 7)));
        SiftDown(1);
    }
}

void OctreeQuantizer::Name(int level, UINT number) {
    OctreeNode& node = Node(level, number);
    if (level < kLevels - 1) {
        for (int bit = 7; bit >= 0; --bit)
            if (node.mask & (1u << bit)) Name(level + 1, number * 8 + static_cast<UINT>(bit));
    }
    if (node.count != 0 && m_nColors < 256) {
        const uint64_t n = node.count;
        node.index = static_cast<BYTE>(m_nColors);
        m_red[m_nColors] = static_cast<BYTE>((node.sumRed + n / 2) / n);
        m_green[m_nColors] = static_cast<BYTE>((node.sumGreen + n / 2) / n);
        m_blue[m_nColors] = static_cast<BYTE>((node.sumBlue + n / 2) / n);
        ++m_nColors;
    }
}

BYTE OctreeQuantizer::Nearest(int r, int g, int b) const {
    int nBest = 200000;
    UINT iBest = 0;
    for (UINT i = 0; i < m_nColors; ++i) {
        const int d = kSquare(r - m_red[i]) + kSquare(g - m_green[i]) + kSquare(b - m_blue[i]);
        if (d < nBest) {
            nBest = d;
            iBest = i;
        }
    }
    return static_cast<BYTE>(iBest);
}

bool OctreeQuantizer::MapWithDiffusion(ErrorCode& err, BYTE* out) {
    // The nearest colour per 5-5-5 cell, found once; -1 while unknown.
    GlobalBuffer cacheBlock(SizeMul(32768, sizeof(int16_t)));
    // Two rows of error triples with a border entry at each end: the current row's accumulators and the
    // starting accumulators of the row below.
    const uint64_t nRowEntries = SizeAdd(m_width, 2);
    GlobalBuffer rowBlock(SizeMul(nRowEntries, 2, 3, sizeof(int16_t)));
    if (!cacheBlock || !rowBlock) {
        err = ErrorCode::OutOfMemory;
        return false;
    }
    int16_t* cache = reinterpret_cast<int16_t*>(cacheBlock.Get());
    std::fill(cache, cache + 32768, int16_t{-1});
    int16_t* cur = reinterpret_cast<int16_t*>(rowBlock.Get());
    int16_t* below = cur + nRowEntries * 3;
    const size_t nRow = size_t{m_width} * 3;
    for (UINT y = 0; y < m_height; ++y) {
        const bool bLeftToRight = (y & 1) == 0;
        const int step = bLeftToRight ? 1 : -1;
        // The borders collect the error pushed past the row's ends; it is never read.
        for (int c = 0; c < 3; ++c) cur[c] = cur[(nRowEntries - 1) * 3 + c] = 0;
        const BYTE* src = m_rgb + size_t{y} * nRow;
        BYTE* dst = out + size_t{y} * m_width;
        for (UINT i = 0; i < m_width; ++i) {
            const UINT x = bLeftToRight ? i : m_width - 1 - i;
            int16_t* acc = cur + (size_t{x} + 1) * 3;
            int v[3];
            for (int c = 0; c < 3; ++c) v[c] = std::clamp(src[3 * size_t{x} + c] + (acc[c] >> 1), 0, 255);
            const UINT cell = UINT(v[0] >> 3) * 1024 + UINT(v[1] >> 3) * 32 + UINT(v[2] >> 3);
            if (cache[cell] < 0) cache[cell] = Nearest((v[0] & 248) + 4, (v[1] & 248) + 4, (v[2] & 248) + 4);
            const BYTE index = static_cast<BYTE>(cache[cell]);
            dst[x] = index;
            const int colour[3] = {m_red[index], m_green[index], m_blue[index]};
            int16_t* next = acc + 3 * step;
            int16_t* under = below + (size_t{x} + 1) * 3;
            for (int c = 0; c < 3; ++c) {
                const int16_t e = static_cast<int16_t>(std::clamp(v[c] - colour[c], -20, 20));
                next[c] = static_cast<int16_t>(next[c] + e);
                under[c] = e;
            }
        }
        std::swap(cur, below);
    }
    return true;
}

void OctreeQuantizer::CopyPalette(RGBQUAD* palette, UINT n) const {
    // Entries past the colours named are black; the reserved bytes keep what the caller had.
    for (UINT i = 0; i < n; ++i) {
        palette[i].rgbBlue = m_blue[i];
        palette[i].rgbGreen = m_green[i];
        palette[i].rgbRed = m_red[i];
    }
}

}  // namespace

// ---- PaletteCounter ----

struct PaletteCounter::Table {
    GlobalBuffer block;
    SliceLeaf* leaves = nullptr;
    size_t nCounted = 0;
    Table* pNextFree = nullptr;
};

PaletteCounter::PaletteCounter() = default;

PaletteCounter::~PaletteCounter() { m_tasks.Wait(); }

bool PaletteCounter::Attach(const BYTE* rgb, UINT width, UINT height) noexcept {
    m_rgb = rgb;
    m_width = width;
    m_height = height;
    m_nPixels = size_t{width} * height;
    if (!rgb || m_nPixels < kCountedAheadPixels) return true;
    try {
        m_counted.assign((m_nPixels + kRunPixels - 1) / kRunPixels, 0);
    } catch (...) {
        return false;
    }
    m_bAhead = true;
    return true;
}

size_t PaletteCounter::RunPixels(size_t run) const { return std::min(kRunPixels, m_nPixels - run * kRunPixels); }

void PaletteCounter::Ready(uint64_t nPixels) noexcept {
    if (!m_bAhead) return;
    while (m_nHandedOver < m_counted.size() && m_nHandedOver * kRunPixels + RunPixels(m_nHandedOver) <= nPixels)
        HandOver(m_nHandedOver++);
}

void PaletteCounter::HandOver(size_t run) noexcept {
    // A run that cannot be handed over, or finds no table, stays uncounted for Finish.
    try {
        m_tasks.Run([this, run] {
            const size_t n = RunPixels(run);
            Table* table = TakeTable(n);
            if (!table) return;
            CountPixels(m_rgb + 3 * run * kRunPixels, n, table->leaves);
            table->nCounted += n;
            m_counted[run] = 1;
            GiveBack(table);
        });
    } catch (...) {
    }
}

PaletteCounter::Table* PaletteCounter::TakeTable(size_t nPixels) noexcept {
    const size_t nRoom = g_nPixelsPerTable.load(std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(m_tablesMutex);
    // A table without room for the run leaves the free list for good.
    while (m_pFreeTables) {
        Table* table = m_pFreeTables;
        m_pFreeTables = table->pNextFree;
        if (table->nCounted + nPixels <= nRoom) return table;
    }
    if (m_tables.size() >= g_nMaxTables.load(std::memory_order_relaxed)) return nullptr;
    try {
        auto table = std::make_unique<Table>();
        if (!table->block.Allocate(SizeMul(kNodesAt[5], sizeof(SliceLeaf)))) return nullptr;
        table->leaves = reinterpret_cast<SliceLeaf*>(table->block.Get());
        m_tables.push_back(std::move(table));
        return m_tables.back().get();
    } catch (...) {
        return nullptr;
    }
}

void PaletteCounter::GiveBack(Table* table) noexcept {
    std::lock_guard<std::mutex> lock(m_tablesMutex);
    table->pNextFree = m_pFreeTables;
    m_pFreeTables = table;
}

void PaletteCounter::Finish(OctreeNode* leaves) {
    if (m_bAhead) {
        while (m_nHandedOver < m_counted.size()) HandOver(m_nHandedOver++);
    }
    m_tasks.Wait();
    if (!m_bAhead) {
        CountPixels(m_rgb, m_nPixels, leaves);
    } else {
        // Runs no table took (no memory): counted here, straight into the leaves.
        for (size_t run = 0; run < m_counted.size(); ++run)
            if (!m_counted[run]) CountPixels(m_rgb + 3 * run * kRunPixels, RunPixels(run), leaves);
    }
    // Leaf by leaf on this thread: a few hundred thousand additions, less than waking the pool again.
    for (const std::unique_ptr<Table>& table : m_tables) {
        const SliceLeaf* t = table->leaves;
        for (size_t c = 0; c < kNodesAt[5]; ++c) {
            leaves[c].sumRed += t[c].sumRed;
            leaves[c].sumGreen += t[c].sumGreen;
            leaves[c].sumBlue += t[c].sumBlue;
            leaves[c].count += t[c].count;
        }
    }
}

void SetCounterTablesForTesting(size_t nPixelsPerTable, size_t nMaxTables) {
    g_nPixelsPerTable.store(nPixelsPerTable ? std::min(nPixelsPerTable, kMaxTablePixels) : kMaxTablePixels,
                            std::memory_order_relaxed);
    g_nMaxTables.store(nMaxTables, std::memory_order_relaxed);
}

// ---- the quantiser's steps ----

BOOL QuantizeRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n, RGBQUAD* palette,
                 PaletteCounter* pCounted) {
    DepthGuard depth;
    const bool bMap = out != nullptr;
    if (!rgb || !palette || SizeMul(width, height, 3) == UINT64_MAX) {
        err = ErrorCode::BadParam;
        return FALSE;
    }
    const UINT target = std::clamp<UINT>(n, 1, 256);
    const UINT total = bMap ? 5 : 4;
    auto stops = [&](UINT done) {
        if (!ProgressStops(done, total, AbortRule::OnFalse)) return false;
        err = ErrorCode::Aborted;
        return true;
    };
    if (pCounted && !pCounted->IsOf(rgb, width, height)) pCounted = nullptr;
    OctreeQuantizer quantizer(rgb, width, height, pCounted);
    if (stops(0)) return FALSE;
    if (!quantizer.AllocateLevels(err)) return FALSE;
    if (stops(1)) return FALSE;
    if (!quantizer.Build(err)) return FALSE;
    if (stops(2)) return FALSE;
    quantizer.Reduce(target);
    quantizer.NamePalette();
    if (stops(3)) return FALSE;
    if (bMap) {
        if (!quantizer.MapWithDiffusion(err, out)) return FALSE;
        if (stops(4)) return FALSE;
    }
    quantizer.CopyPalette(palette, target);
    return TRUE;
}

}  // namespace px

BOOL ReduceRgbTo8Bit(const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n, RGBQUAD* palette) {
    return px::RunWorker([&](ErrorCode& err) {
        if (!out) {
            err = ErrorCode::BadParam;
            return FALSE;
        }
        return px::QuantizeRgb(err, rgb, width, height, out, n, palette);
    });
}

BOOL ComputeOptimalPalette(const BYTE* rgb, UINT width, UINT height, UINT n, RGBQUAD* palette) {
    return px::RunWorker([&](ErrorCode& err) { return px::QuantizeRgb(err, rgb, width, height, nullptr, n, palette); });
}
