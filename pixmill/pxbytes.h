// Little-endian fields of file headers.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>

#include "platform/crt/wintypes.h"

namespace px {

inline WORD GetLe16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline DWORD GetLe32(const BYTE* p) {
    return DWORD{p[0]} | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16) | (DWORD{p[3]} << 24);
}
inline LONG GetLeLong(const BYTE* p) { return static_cast<LONG>(GetLe32(p)); }

inline void PutLe16(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
inline void PutLe32(BYTE* p, DWORD v) {
    PutLe16(p, v & 0xFFFF);
    PutLe16(p + 2, v >> 16);
}

// Copies n three-byte pixels from src to dst with the first and third byte swapped (blue, green, red to
// red, green, blue and back). dst may equal src. Four pixels at a time as three 32-bit words.
inline void CopySwapped24(BYTE* dst, const BYTE* src, size_t n) {
    static_assert(std::endian::native == std::endian::little);
    size_t i = 0;
    for (; i + 4 <= n; i += 4, src += 12, dst += 12) {
        uint32_t a, b, c;  // a = b0 g0 r0 b1, b = g1 r1 b2 g2, c = r2 b3 g3 r3 (lowest byte first)
        std::memcpy(&a, src, 4);
        std::memcpy(&b, src + 4, 4);
        std::memcpy(&c, src + 8, 4);
        const uint32_t x = ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | ((b & 0xFF00) << 16);
        const uint32_t y = (b & 0xFF) | ((a >> 16) & 0xFF00) | ((c & 0xFF) << 16) | (b & 0xFF000000);
        const uint32_t z = ((b >> 16) & 0xFF) | ((c >> 16) & 0xFF00) | (c & 0xFF0000) | ((c << 16) & 0xFF000000);
        std::memcpy(dst, &x, 4);
        std::memcpy(dst + 4, &y, 4);
        std::memcpy(dst + 8, &z, 4);
    }
    for (; i < n; ++i, src += 3, dst += 3) {
        const BYTE first = src[0], second = src[1], third = src[2];
        dst[0] = third;
        dst[1] = second;
        dst[2] = first;
    }
}

}  // namespace px
