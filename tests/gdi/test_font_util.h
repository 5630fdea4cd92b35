// Helpers of the font tests: reading GGO_NATIVE records back, and making fonts.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/font.h"

namespace fonttest {

struct Record {
    WORD type;
    std::vector<POINTFX> points;
};
struct Contour {
    POINTFX start;
    std::vector<Record> records;
};

inline double ToDouble(FIXED f) { return f.value + f.fract / 65536.0; }

// Reads native records; fails the test (and returns what it read) on any malformed size.
inline std::vector<Contour> ParseNative(const std::vector<BYTE>& bytes) {
    std::vector<Contour> out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        TTPOLYGONHEADER h;
        if (bytes.size() - pos < sizeof h) {
            ADD_FAILURE() << "truncated header at " << pos;
            return out;
        }
        std::memcpy(&h, bytes.data() + pos, sizeof h);
        EXPECT_EQ(h.dwType, TT_POLYGON_TYPE);
        if (h.cb < sizeof h || h.cb > bytes.size() - pos) {
            ADD_FAILURE() << "bad contour size " << h.cb << " at " << pos;
            return out;
        }
        Contour c;
        c.start = h.pfxStart;
        size_t r = pos + sizeof h;
        const size_t end = pos + h.cb;
        while (r < end) {
            WORD head[2];
            if (end - r < sizeof head) {
                ADD_FAILURE() << "truncated record";
                return out;
            }
            std::memcpy(head, bytes.data() + r, sizeof head);
            Record rec;
            rec.type = head[0];
            if (end - r < 4 + 8 * size_t{head[1]}) {
                ADD_FAILURE() << "record past its contour";
                return out;
            }
            rec.points.resize(head[1]);
            if (head[1]) std::memcpy(rec.points.data(), bytes.data() + r + 4, 8 * size_t{head[1]});
            r += 4 + 8 * size_t{head[1]};
            c.records.push_back(rec);
        }
        out.push_back(c);
        pos = end;
    }
    return out;
}

inline LOGFONT MakeLogFont(int height, const char* face, int weight = FW_NORMAL, bool italic = false) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfItalic = italic ? 1 : 0;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

// The native outline of a code as bytes (asks for the size first, as callers do).
inline std::vector<BYTE> NativeOutline(const gdi::FontFace& face, UINT code, GLYPHMETRICS* gm = nullptr) {
    GLYPHMETRICS m;
    const DWORD size = gdi::FontGlyphOutline(face, code, GGO_NATIVE, &m, 0, nullptr, nullptr);
    EXPECT_NE(size, GDI_ERROR);
    std::vector<BYTE> buf(size == GDI_ERROR ? 0 : size);
    if (!buf.empty()) {
        EXPECT_EQ(gdi::FontGlyphOutline(face, code, GGO_NATIVE, &m, size, buf.data(), nullptr), size);
    }
    if (gm) *gm = m;
    return buf;
}

}  // namespace fonttest
