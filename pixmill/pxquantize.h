// The octree quantiser's histogram as a reader can feed it: the pixels of an RGB image counted on the work
// pool in runs as they become final, so that an image is counted behind its decoder instead of in a pass
// of its own afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "pixmill/pxcore.h"
#include "platform/kernel/workpool.h"

namespace px {

// A node of the octree: level 5 holds the 32768 leaves, one per colour's top five bits of red, green and
// blue.
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

// The channel sums and pixel counts of the leaves for one RGB image. The sums are integers, so the order
// in which pixels are added does not matter: runs counted side by side into tables of their own and
// added leaf by leaf give exactly the leaves of one pass over the finished image.
//
// A reader attaches its result buffer, reports how many of its first pixels are final as it goes, and
// hands the counter to QuantizeRgb, which finishes the count once the whole buffer is final. Pixels
// reported final must not change afterwards. One thread uses the object; the pool's calls count runs.
class PaletteCounter {
public:
    PaletteCounter();
    // Waits for the runs under way.
    ~PaletteCounter();
    PaletteCounter(const PaletteCounter&) = delete;
    PaletteCounter& operator=(const PaletteCounter&) = delete;

    // The image to count (width x height pixels of 3 bytes). False when there is no memory for the
    // bookkeeping: the counter then counts nothing ahead, and Finish counts the whole image.
    bool Attach(const BYTE* rgb, UINT width, UINT height) noexcept;
    bool IsOf(const BYTE* rgb, UINT width, UINT height) const {
        return m_rgb == rgb && m_width == width && m_height == height;
    }
    // The first nPixels pixels are final: whole runs of them go to the pool.
    void Ready(uint64_t nPixels) noexcept;
    // Waits for the runs under way; the image may be freed afterwards (without a Finish).
    void Abandon() noexcept { m_tasks.Wait(); }
    // The whole image is final: counts what is left, waits for the pool and adds every table into the
    // 32768 leaves (zero on entry).
    void Finish(OctreeNode* leaves);

private:
    struct Table;
    // A table with room for nPixels more pixels, taken for one run; NULL when none can be had.
    Table* TakeTable(size_t nPixels) noexcept;
    void GiveBack(Table* table) noexcept;
    void HandOver(size_t run) noexcept;
    size_t RunPixels(size_t run) const;

    const BYTE* m_rgb = nullptr;
    UINT m_width = 0;
    UINT m_height = 0;
    size_t m_nPixels = 0;
    bool m_bAhead = false;        // runs are counted on the pool (large images)
    size_t m_nHandedOver = 0;     // runs handed to the pool, from the first
    std::vector<BYTE> m_counted;  // per run: 1 once its pixels are in a table
    std::mutex m_tablesMutex;
    std::vector<std::unique_ptr<Table>> m_tables;
    Table* m_pFreeTables = nullptr;  // linked through the tables
    qs::BackgroundTasks m_tasks;  // last: the runs under way use the members above
};

// Test-only hook: the most pixels one table counts (0: the default, 2^24) and the most tables one counter
// takes (SIZE_MAX: no bound), so that tests reach runs that overflow into further tables, and runs left
// without a table, without images of tens of millions of pixels or a failing allocator.
void SetCounterTablesForTesting(size_t nPixelsPerTable, size_t nMaxTables);

}  // namespace px
