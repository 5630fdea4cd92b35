// What the metafile tests share: a play from memory, pixel probes, rows of records and the helpers that
// select objects.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "mfbuild.h"
#include "pixmill/pxmetafile.h"
#include "pxtest.h"

namespace mfplay {

using namespace mfbuild;
using pxtest::Owned;

inline constexpr COLORREF kGrey = 0x808080;
inline constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kBlack = 0,
                   kWhite = RGB(255, 255, 255);
inline constexpr uint32_t kPatCopy = 0x00F00021;

// What a play gave back.
struct Played {
    Owned rgb;
    UINT w = 0, h = 0;
    int err = -1;
    COLORREF At(UINT x, UINT y) const {
        const BYTE* p = rgb.get() + (size_t{y} * w + x) * 3;
        return RGB(p[0], p[1], p[2]);
    }
};

inline Played Play(const Bytes& file, COLORREF background = kGrey) {
    Played p;
    ErrorCode err = ErrorCode::None;
    p.rgb = Owned(px::ReadMetafileFromMemory(err, file.data(), file.size(), &p.w, &p.h, 100, 100, background));
    p.err = static_cast<int>(err);
    return p;
}

// A pixel and the colour it must have.
struct Probe {
    UINT x, y;
    COLORREF color;
};

// An EMF of 48 x 48 pixels at 96 dpi (frame 1270 x 1270 hundredths of a millimetre): logical units are
// pixels until a record says otherwise.
inline Emf Emf48() { return Emf(1270, 1270); }

// An EMF row: the records after the header, and the probes.
struct EmfRow {
    const char* name;
    std::function<void(Emf&)> records;
    std::vector<Probe> probes;
};

inline void SelectNewBrush(Emf& e, uint32_t slot, COLORREF c) {
    e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(slot, c)).Dwords(EMR_SELECTOBJECT, {slot});
}
inline void NullPen(Emf& e) { e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 8}}); }

inline Bytes Dib2x2() { return Dib24(2, 2, {kRed, kGreen, kBlue, kWhite}); }

struct WmfRow {
    const char* name;
    std::function<void(Wmf&)> records;
    std::vector<Probe> probes;
};

inline void WmfNewBrush(Wmf& w, COLORREF c) { w.Record(META_CREATEBRUSHINDIRECT, WmfBrush(c)); }

// Plays each row's records in a 48 x 48 EMF and checks its probes.
inline void CheckEmfRows(const std::vector<EmfRow>& rows) {
    for (const EmfRow& row : rows) {
        Emf e = Emf48();
        row.records(e);
        const Played p = Play(e.Finish());
        ASSERT_EQ(p.err, 0) << row.name;
        ASSERT_EQ(p.w, 48u) << row.name;
        ASSERT_EQ(p.h, 48u) << row.name;
        for (const Probe& probe : row.probes)
            EXPECT_EQ(p.At(probe.x, probe.y), probe.color) << row.name << " at " << probe.x << ", " << probe.y;
    }
}

// Each row's metafile is placeable with the box (0, 0, 48, 48) at 96 units per inch: 48 x 48 pixels,
// logical units are pixels. A null pen is slot 0 and selected; the row's first object takes slot 1.
inline void CheckWmfRows(const std::vector<WmfRow>& rows) {
    for (const WmfRow& row : rows) {
        Wmf w(8);
        w.Record(META_CREATEPENINDIRECT, WmfPen(0, 0, 5)).Record(META_SELECTOBJECT, {0});
        row.records(w);
        const Played p = Play(w.FinishPlaceable(96, 0, 0, 48, 48));
        ASSERT_EQ(p.err, 0) << row.name;
        ASSERT_EQ(p.w, 48u) << row.name;
        ASSERT_EQ(p.h, 48u) << row.name;
        for (const Probe& probe : row.probes)
            EXPECT_EQ(p.At(probe.x, probe.y), probe.color) << row.name << " at " << probe.x << ", " << probe.y;
    }
}

}  // namespace mfplay
