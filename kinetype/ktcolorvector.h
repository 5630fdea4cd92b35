// Colours as vectors, for the behaviours that blend colours (fade, focal fade): a COLORREF
// (0x00BBGGRR) becomes (red, green, blue) as doubles, and a vector becomes a colour again with each
// channel clamped to 0 .. 255, truncated toward zero and masked to 8 bits.
#pragma once

#include "platform/crt/crt.h"
#include "platform/crt/wintypes.h"
#include "vector3d/vector3d.h"

inline CKTVector KTColorToVector(COLORREF cr) {
    return CKTVector(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}

// A channel clamped to 0 .. 255 and truncated (NaN gives 0).
inline int KTColorChannel(double d) {
    if (d < 0.0) d = 0.0;
    if (d > 255.0) d = 255.0;
    return TruncToInt(d) & 0xFF;
}

inline COLORREF KTVectorToColor(const CKTVector& v) {
    return RGB(KTColorChannel(v.x), KTColorChannel(v.y), KTColorChannel(v.z));
}
