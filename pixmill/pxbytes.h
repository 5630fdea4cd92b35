// Little-endian fields of file headers.
#pragma once

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

}  // namespace px
