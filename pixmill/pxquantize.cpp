// The octree colour quantiser: an optimal palette of up to 256 colours for an RGB image, and the mapping
// of the image onto it with error diffusion.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "pixmill/pxbuffer.h"
#include "platform/kernel/workpool.h"

namespace px {

namespace {

constexpr int kLevels = 6;
constexpr UINT kNodesAt[kLevels] = {1, 8, 64, 512, 4096, 32768};

struct OctreeNode {
    // Sums are 64-bit so that a large image of one colour cannot wrap them.
    uint64_t sumRed;
    uint64_t sumGreen;
    uint64_t sumBlue;
    UINT count;   // pixels merged into this node
    UINT weight;  // pixels in the whole subtree (the heap's key)
    BYTE mask;    // bit b: child b exists
    BYTE index;   // palette index once named
};

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

// The leaf sums of the pixels one table counted. A table counts at most kMaxSlicePixels pixels, so that
// its sums of 8-bit channels fit 32 bits.
struct SliceLeaf {
    uint32_t sumRed;
    uint32_t sumGreen;
    uint32_t sumBlue;
    uint32_t count;
};
constexpr size_t kMaxSlicePixels = size_t{1} << 24;
// Images of fewer pixels are counted in one pass on the calling thread, straight into the leaves: for
// them the tables cost more to clear and add up than the pool saves.
constexpr size_t kSlicedPixels = size_t{1} << 19;
// The fewest pixels worth a table of their own, and the pixels taken at a time.
constexpr size_t kMinSlicePixels = size_t{1} << 17;
constexpr size_t kRunPixels = size_t{1} << 15;

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
    OctreeQuantizer(const BYTE* rgb, UINT width, UINT height) : m_rgb(rgb), m_width(width), m_height(height) {}

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
    // The histogram: every pixel's channels and count added into its leaf.
    void CountLeaves(OctreeNode* leaves);
    void SiftDown(UINT i);
    void Name(int level, UINT node);
    BYTE Nearest(int r, int g, int b) const;

    const BYTE* m_rgb;
    UINT m_width;
    UINT m_height;
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
    CountLeaves(leaves);
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

void OctreeQuantizer::CountLeaves(OctreeNode* leaves) {
    const size_t nPixels = size_t{m_width} * m_height;
    // The sums are integers, so their order does not matter: pixels counted side by side into tables of
    // their own and added leaf by leaf give exactly the leaves of one pass. One table per work thread;
    // each call takes runs of kRunPixels pixels from a shared counter while any are left and its table
    // has room, so a thread held up elsewhere delays no one (with one work thread, the tables fill one
    // after the other on this thread). The tables are taken here, on the calling thread; the pool's
    // calls only count and add, and touch no per-thread state.
    const size_t nRoom = kMaxSlicePixels - kRunPixels;  // a table that stops for room holds more
    size_t nTables = std::min(static_cast<size_t>(qs::WorkThreads()), nPixels / kMinSlicePixels);
    nTables = std::max(nTables, (nPixels + nRoom - 1) / nRoom);
    GlobalBuffer block;
    if (nPixels >= kSlicedPixels) block.Allocate(SizeMul(nTables, kNodesAt[5], sizeof(SliceLeaf)));
    if (!block) {
        // A small image, or no memory for the tables: one pass on this thread.
        CountPixels(m_rgb, nPixels, leaves);
        return;
    }
    SliceLeaf* tables = reinterpret_cast<SliceLeaf*>(block.Get());
    std::atomic<size_t> next{0};
    qs::ParallelFor(nTables, 2, 1, [&](size_t begin, size_t end) {
        for (size_t t = begin; t < end; ++t) {
            for (size_t counted = 0; counted + kRunPixels <= kMaxSlicePixels;) {
                const size_t first = next.fetch_add(kRunPixels, std::memory_order_relaxed);
                if (first >= nPixels) break;
                const size_t n = std::min(kRunPixels, nPixels - first);
                CountPixels(m_rgb + 3 * first, n, tables + t * kNodesAt[5]);
                counted += n;
            }
        }
    });
    // Leaf by leaf on this thread: a few hundred thousand additions, less than waking the pool again.
    for (size_t t = 0; t < nTables; ++t) {
        const SliceLeaf* table = tables + t * kNodesAt[5];
        for (size_t c = 0; c < kNodesAt[5]; ++c) {
            leaves[c].sumRed += table[c].sumRed;
            leaves[c].sumGreen += table[c].sumGreen;
            leaves[c].sumBlue += table[c].sumBlue;
            leaves[c].count += table[c].count;
        }
    }
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

BOOL QuantizeRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n, RGBQUAD* palette) {
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
    OctreeQuantizer quantizer(rgb, width, height);
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
