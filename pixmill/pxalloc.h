// Allocation of the library's blocks: one allocator for pixels, rows, palettes, strings and work
// memory, which refuses any block of the allocation limit or more, and the size arithmetic that feeds it.
//
// Sizes are computed in 64 bits and saturate instead of wrapping, so a product of header fields that
// does not fit is simply too large: it fails the limit and becomes ErrorCode::OutOfMemory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/kernel/globalmem.h"

namespace px {

// Blocks of this many bytes or more are refused.
constexpr uint64_t kAllocationLimit = 0x7FFDEFFF;

// a x b, or UINT64_MAX when the product does not fit.
constexpr uint64_t SizeMul(uint64_t a, uint64_t b) {
    uint64_t r = 0;
    return __builtin_mul_overflow(a, b, &r) ? UINT64_MAX : r;
}
template <class... Rest>
constexpr uint64_t SizeMul(uint64_t a, uint64_t b, uint64_t c, Rest... rest) {
    return SizeMul(SizeMul(a, b), c, static_cast<uint64_t>(rest)...);
}
// a + b, or UINT64_MAX when the sum does not fit.
constexpr uint64_t SizeAdd(uint64_t a, uint64_t b) {
    uint64_t r = 0;
    return __builtin_add_overflow(a, b, &r) ? UINT64_MAX : r;
}

// The limit in force: kAllocationLimit unless a test or fuzz target lowered it.
uint64_t AllocationLimit();
// Test-only hook: refuse blocks of nLimit bytes or more from now on (0 restores kAllocationLimit), so
// that a tiny hostile file declaring a huge image fails at once instead of allocating it.
void SetAllocationLimitForTesting(uint64_t nLimit);

// A zero-filled fixed global-memory block of nBytes bytes, or NULL when nBytes reaches the limit or the
// memory cannot be had. The caller frees it with GlobalFree.
void* AllocBlock(uint64_t nBytes);

// A new block holding the n bytes at p followed by a zero byte when bTerminate (strings); NULL when it
// cannot be had. The caller frees it with GlobalFree.
void* CopyToBlock(const void* p, uint64_t n, bool bTerminate);

// Owns one block from AllocBlock and frees it on destruction unless Release hands it on.
class GlobalBuffer {
public:
    GlobalBuffer() = default;
    explicit GlobalBuffer(uint64_t nBytes) : m_p(static_cast<uint8_t*>(AllocBlock(nBytes))) {}
    ~GlobalBuffer() { Reset(); }
    GlobalBuffer(GlobalBuffer&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    GlobalBuffer& operator=(GlobalBuffer&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }
    GlobalBuffer(const GlobalBuffer&) = delete;
    GlobalBuffer& operator=(const GlobalBuffer&) = delete;

    // Takes over a global-memory block (NULL: none), which it will free.
    static GlobalBuffer Adopt(void* p) {
        GlobalBuffer b;
        b.m_p = static_cast<uint8_t*>(p);
        return b;
    }
    // Frees what it held and allocates nBytes; false (and empty) when the block cannot be had.
    bool Allocate(uint64_t nBytes) {
        Reset();
        m_p = static_cast<uint8_t*>(AllocBlock(nBytes));
        return m_p != nullptr;
    }
    uint8_t* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Gives up ownership: the caller frees the block.
    uint8_t* Release() {
        uint8_t* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Reset() {
        if (m_p) GlobalFree(m_p);
        m_p = nullptr;
    }

private:
    uint8_t* m_p = nullptr;
};

}  // namespace px
