// Metafile records beyond the common families: clip masks and regions, pattern brushes, arcs and rounded
// corners, pixels and flood fills, raster operations, palettes, gradients and the blits with masks,
// alpha and transparency. Every metafile is made by the byte builder; the probes follow from the
// mapping and the drawing layer's pixel rules.
#include <gtest/gtest.h>

#include <cstring>

#include "mfbuild.h"
#include "mfplay.h"
#include "pixmill/pxalloc.h"

namespace {

using namespace mfbuild;
using namespace mfplay;

constexpr uint32_t kSrcCopy = 0x00CC0020;

// EXTSELECTCLIPRGN of rectangles in device pixels (none: the whole picture).
void ClipRegion(Emf& e, const std::vector<RECT>& rects, int mode) {
    const Bytes data = rects.empty() ? Bytes() : RgnData(rects);
    Fields f;
    f.U32(static_cast<uint32_t>(data.size())).U32(static_cast<uint32_t>(mode)).Raw(data);
    e.Record(EMR_EXTSELECTCLIPRGN, f);
}

void RedEverywhere(Emf& e) {
    SelectNewBrush(e, 7, kRed);
    NullPen(e);
    e.Dwords(EMR_RECTANGLE, {0, 0, 49, 49});
}

// The records of a region fill: bounds, the region's size, [brush], [frame], the data.
Fields RegionRecord(const std::vector<RECT>& rects, std::initializer_list<uint32_t> between) {
    const Bytes data = RgnData(rects);
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).U32(static_cast<uint32_t>(data.size()));
    for (uint32_t v : between) f.U32(v);
    return f.Raw(data);
}

// Black pixels of a 48 x 48 play in each quarter around (24, 24): top-left, top-right, bottom-left,
// bottom-right.
std::array<int, 4> BlackQuarters(const Played& p) {
    std::array<int, 4> n{};
    for (UINT y = 0; y < 48; ++y)
        for (UINT x = 0; x < 48; ++x)
            if (x != 24 && y != 24 && p.At(x, y) == kBlack) ++n[(y > 24 ? 2 : 0) + (x > 24 ? 1 : 0)];
    return n;
}

}  // namespace

TEST(MetafileRecords, EmfClipping) {
    std::vector<EmfRow> rows = {
        {"a rectangle excluded", [](Emf& e) { e.Dwords(EMR_EXCLUDECLIPRECT, {10, 10, 20, 20}); RedEverywhere(e); },
         {{15, 15, kGrey}, {10, 10, kGrey}, {19, 19, kGrey}, {9, 15, kRed}, {20, 15, kRed}, {15, 20, kRed}}},
        {"region copied, then or'ed", [](Emf& e) {
             ClipRegion(e, {{0, 0, 10, 10}}, 5);
             ClipRegion(e, {{30, 30, 40, 40}}, 2);
             RedEverywhere(e);
         },
         {{5, 5, kRed}, {35, 35, kRed}, {20, 20, kGrey}, {10, 10, kGrey}}},
        {"region and'ed", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 20, 20});
             ClipRegion(e, {{10, 10, 30, 30}}, 1);
             RedEverywhere(e);
         },
         {{15, 15, kRed}, {5, 5, kGrey}, {25, 25, kGrey}}},
        {"region xor'ed", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 20, 20});
             ClipRegion(e, {{10, 10, 30, 30}}, 3);
             RedEverywhere(e);
         },
         {{5, 5, kRed}, {15, 15, kGrey}, {25, 25, kRed}, {40, 40, kGrey}}},
        {"region taken away", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 20, 20});
             ClipRegion(e, {{10, 10, 30, 30}}, 4);
             RedEverywhere(e);
         },
         {{5, 5, kRed}, {15, 15, kGrey}, {25, 25, kGrey}}},
        {"a region of two rectangles, with the clip before it or'ed", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 5, 5});
             ClipRegion(e, {{10, 10, 15, 15}, {30, 30, 35, 35}}, 2);
             RedEverywhere(e);
         },
         {{2, 2, kRed}, {12, 12, kRed}, {32, 32, kRed}, {20, 20, kGrey}}},
        {"a copy of no region removes the clip", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 5, 5});
             ClipRegion(e, {}, 5);
             RedEverywhere(e);
         },
         {{40, 40, kRed}}},
        {"a copy of a region of no rectangles leaves nothing to draw on", [](Emf& e) {
             Fields f;
             const Bytes data = RgnData({});
             f.U32(static_cast<uint32_t>(data.size())).U32(5).Raw(data);
             e.Record(EMR_EXTSELECTCLIPRGN, f);
             RedEverywhere(e);
         },
         {{5, 5, kGrey}, {30, 30, kGrey}}},
        {"the clip offset", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 10, 10}).Dwords(EMR_OFFSETCLIPRGN, {20, 20});
             RedEverywhere(e);
         },
         {{25, 25, kRed}, {20, 20, kRed}, {29, 29, kRed}, {5, 5, kGrey}, {30, 30, kGrey}}},
        {"the clip from a path", [](Emf& e) {
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_MOVETOEX, {0, 0}).Dwords(EMR_LINETO, {40, 0}).Dwords(EMR_LINETO, {0, 40});
             e.Record(EMR_CLOSEFIGURE, {}).Record(EMR_ENDPATH, {}).Dwords(EMR_SELECTCLIPPATH, {5});
             RedEverywhere(e);
         },
         {{5, 5, kRed}, {30, 5, kRed}, {30, 30, kGrey}, {45, 2, kGrey}}},
        {"the path's clip and'ed with a rectangle", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 10, 48});
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_RECTANGLE, {0, 0, 48, 20}).Record(EMR_ENDPATH, {}).Dwords(EMR_SELECTCLIPPATH, {1});
             RedEverywhere(e);
         },
         {{5, 5, kRed}, {15, 5, kGrey}, {5, 30, kGrey}}},
        {"the mask is kept and restored with the state", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 20, 20}).Record(EMR_SAVEDC, {});
             e.Dwords(EMR_EXCLUDECLIPRECT, {0, 0, 10, 10}).Dwords(EMR_RESTOREDC, {-1});
             RedEverywhere(e);
         },
         {{5, 5, kRed}, {15, 15, kRed}, {25, 25, kGrey}}},
        {"a clip in logical units follows the mapping", [](Emf& e) {
             e.Dwords(EMR_SETVIEWPORTORGEX, {10, 10}).Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 10, 10});
             e.Dwords(EMR_SETVIEWPORTORGEX, {0, 0});
             RedEverywhere(e);
         },
         {{10, 10, kRed}, {19, 19, kRed}, {9, 9, kGrey}, {20, 20, kGrey}}},
        {"opaque text clipped to its rectangle stays inside the clip", [](Emf& e) {
             e.Dwords(EMR_EXCLUDECLIPRECT, {30, 30, 35, 48});
             e.Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}}).Record(EMR_EXTTEXTOUTW, EmfText(30, 30, "", 2, {30, 30, 40, 40}));
         },
         {{36, 36, kBlue}, {32, 32, kGrey}}},
        {"a DIB through the clip", [](Emf& e) {
             e.Dwords(EMR_EXCLUDECLIPRECT, {8, 8, 12, 12});
             e.Record(EMR_STRETCHDIBITS, EmfStretchDib(8, 8, 16, 16, 0, 0, 2, 2, Dib2x2()));
         },
         {{9, 9, kGrey}, {13, 13, kRed}, {16, 8, kGreen}}},
    };
    // No region with any mode but a copy changes nothing: the platform refuses the call.
    static const char* const noRegion[] = {"no region and'ed changes nothing", "no region or'ed changes nothing",
                                           "no region xor'ed changes nothing", "no region taken away changes nothing"};
    for (int mode = 1; mode <= 4; ++mode) {
        rows.push_back({noRegion[mode - 1], [mode](Emf& e) {
                            e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 20, 20});
                            ClipRegion(e, {}, mode);
                            RedEverywhere(e);
                        },
                        {{5, 5, kRed}, {30, 30, kGrey}}});
    }
    CheckEmfRows(rows);
}

// A text clipped to its rectangle is cut to it and to the clip: red only left of the rectangle's right
// edge and outside the excluded band.
TEST(MetafileRecords, ClippedTextStaysInItsRectangleAndTheClip) {
    Emf e = Emf48();
    e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFont(1, -40, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
    e.Dwords(EMR_SETTEXTCOLOR, {int64_t{kRed}}).Dwords(EMR_SETBKMODE, {1});
    e.Dwords(EMR_EXCLUDECLIPRECT, {12, 0, 16, 48});
    e.Record(EMR_EXTTEXTOUTW, EmfText(4, 2, "H", 4, {0, 0, 24, 48}));
    const Played p = Play(e.Finish());
    ASSERT_EQ(p.err, 0);
    int inside = 0, cut = 0, excluded = 0;
    for (UINT y = 0; y < 48; ++y)
        for (UINT x = 0; x < 48; ++x)
            if (p.At(x, y) == kRed) ++(x >= 24 ? cut : x >= 12 && x < 16 ? excluded : inside);
    EXPECT_GT(inside, 40);
    EXPECT_EQ(cut, 0);
    EXPECT_EQ(excluded, 0);
}

// The clip masks a play keeps alive (the state's and the saved states') are bounded: with the allocation
// limit lowered to 32 KiB the bound is 32 KiB, and a 48 x 48 picture's masks hold a byte a pixel of their
// box. A file that passes the bound fails whole; drawing it unclipped would show what its clips hide.
TEST(MetafileRecords, ClipMasksWithinTheirBound) {
    px::SetAllocationLimitForTesting(32u << 10);
    struct Row {
        const char* name;
        std::function<void(Emf&)> records;
        int code;
        std::vector<Probe> probes;
    } rows[] = {
        {"saved clips of the whole picture past the bound fail the file", [](Emf& e) {
             for (int i = 0; i < 30; ++i) e.Record(EMR_SAVEDC, {}).Dwords(EMR_EXCLUDECLIPRECT, {i, 0, i + 1, 1});
             RedEverywhere(e);
         }, 1, {}},
        {"the same clips fewer times play", [](Emf& e) {
             for (int i = 0; i < 10; ++i) e.Record(EMR_SAVEDC, {}).Dwords(EMR_EXCLUDECLIPRECT, {i, 0, i + 1, 1});
             RedEverywhere(e);
         }, 0, {{5, 0, kGrey}, {5, 1, kRed}, {20, 0, kRed}}},
        {"small clips take the bytes of their boxes only", [](Emf& e) {
             for (int i = 0; i < 200; ++i) e.Record(EMR_SAVEDC, {}).Dwords(EMR_INTERSECTCLIPRECT, {10, 10, 12 + i % 3, 12});
             RedEverywhere(e);
         }, 0, {{10, 10, kRed}, {11, 11, kRed}, {12, 10, kGrey}, {20, 20, kGrey}}},
    };
    for (const Row& row : rows) {
        Emf e = Emf48();
        row.records(e);
        const Played p = Play(e.Finish());
        EXPECT_EQ(p.err, row.code) << row.name;
        EXPECT_EQ(static_cast<bool>(p.rgb), row.code == 0) << row.name;
        if (!p.rgb) continue;
        for (const Probe& probe : row.probes)
            EXPECT_EQ(p.At(probe.x, probe.y), probe.color) << row.name << " at " << probe.x << ", " << probe.y;
    }
    px::SetAllocationLimitForTesting(0);
}

TEST(MetafileRecords, EmfPatternBrushesReplaceTheBrush) {
    // A 2 x 2 pattern tiles the raster from its origin; a red brush selected before it must not show.
    const Bytes pattern = Dib2x2();
    const Bytes mono = Dib1(2, 2, {0, 1, 1, 0}, {kBlack, kWhite});
    const std::vector<EmfRow> rows = {
        {"a DIB pattern brush", [&](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, pattern)).Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 10, kRed}, {11, 10, kGreen}, {10, 11, kBlue}, {11, 11, kWhite}, {20, 21, kBlue}, {30, 30, kGrey}}},
        {"a DIB pattern brush under a pen", [&](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, pattern)).Dwords(EMR_SELECTOBJECT, {2});
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 10, kBlack}, {29, 29, kBlack}, {11, 11, kWhite}, {12, 11, kBlue}}},
        {"a pattern brush in a polygon", [&](Emf& e) {
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, pattern)).Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Record(EMR_POLYGON, EmfPoints({{10, 10}, {40, 10}, {10, 40}}, false));
         },
         {{12, 12, kRed}, {13, 12, kGreen}, {38, 38, kGrey}}},
        {"a monochrome brush in the text and background colours", [&](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             e.Dwords(EMR_SETTEXTCOLOR, {int64_t{kBlue}}).Dwords(EMR_SETBKCOLOR, {int64_t{kGreen}});
             e.Record(EMR_CREATEMONOBRUSH, PatternBrush(2, mono)).Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 10, kBlue}, {11, 10, kGreen}, {10, 11, kGreen}, {11, 11, kBlue}}},
        {"a pattern brush whose bitmap cannot be read paints nothing", [&](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             Fields f = PatternBrush(2, pattern);
             f.b[20] = 0xF0;  // the bits' size past the record
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, f).Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{20, 20, kGrey}}},
        {"a hatch over the background colour", [](Emf& e) {
             e.Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}});
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kRed, 2, 0)).Dwords(EMR_SELECTOBJECT, {1});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 16, kRed}, {20, 24, kRed}, {10, 17, kBlue}, {12, 20, kBlue}, {30, 30, kGrey}}},
        {"a cross hatch in TRANSPARENT mode leaves its gaps", [](Emf& e) {
             e.Dwords(EMR_SETBKMODE, {1});
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kRed, 2, 4)).Dwords(EMR_SELECTOBJECT, {1});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{11, 16, kRed}, {16, 11, kRed}, {11, 11, kGrey}, {20, 20, kGrey}}},
        {"a diagonal hatch", [](Emf& e) {
             e.Dwords(EMR_SETBKMODE, {1});
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kRed, 2, 2)).Dwords(EMR_SELECTOBJECT, {1});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{11, 11, kRed}, {20, 12, kRed}, {12, 11, kGrey}}},
        {"the brush origin moves where the pattern starts", [&](Emf& e) {
             e.Dwords(13, {1, 0});  // EMR_SETBRUSHORGEX
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, pattern)).Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 10, kGreen}, {11, 10, kRed}, {10, 11, kWhite}, {11, 11, kBlue}}},
        {"the brush origin moves where a hatch starts", [](Emf& e) {
             e.Dwords(13, {0, 3}).Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}});
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kRed, 2, 0)).Dwords(EMR_SELECTOBJECT, {1});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{15, 11, kRed}, {15, 19, kRed}, {15, 16, kBlue}, {15, 24, kBlue}}},
        {"the brush origin is kept with the state", [&](Emf& e) {
             e.Record(EMR_SAVEDC, {}).Dwords(13, {1, 0}).Dwords(EMR_RESTOREDC, {-1});
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, pattern)).Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 10, kRed}, {11, 10, kGreen}}},
        {"the brush origin moves the brush's bit block transfer", [&](Emf& e) {
             e.Dwords(13, {1, 1});
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, pattern)).Dwords(EMR_SELECTOBJECT, {2});
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).I32(0).I32(40).I32(8).I32(8).U32(kPatCopy).I32(0).I32(0);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
             e.Record(EMR_BITBLT, f);
         },
         {{1, 41, kRed}, {0, 41, kGreen}, {1, 40, kBlue}, {0, 40, kWhite}}},
        {"a pattern of palette indices takes the palette selected when it paints", [](Emf& e) {
             // Pixels 0 and 1 of a 2 x 1 pattern whose table holds the indices 1 and 0.
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, Dib1(2, 1, {0, 1}, {1, 0}, true), 1));
             Fields pal;
             pal.U32(3).U16(0x300).U16(2).U32(kGreen).U32(kBlue);
             e.Record(EMR_CREATEPALETTE, pal).Dwords(EMR_SELECTPALETTE, {3}).Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 10, kBlue}, {11, 10, kGreen}, {12, 11, kBlue}}},
        {"a pattern of palette indices without a palette takes the default one", [](Emf& e) {
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, Dib1(2, 1, {0, 1}, {1, 0}, true), 1));
             e.Dwords(EMR_SELECTOBJECT, {2});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{10, 10, RGB(128, 0, 0)}, {11, 10, kBlack}}},
        {"the brush's bit block transfer tiles the pattern", [&](Emf& e) {
             e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(2, pattern)).Dwords(EMR_SELECTOBJECT, {2});
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).I32(0).I32(40).I32(8).I32(8).U32(kPatCopy).I32(0).I32(0);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
             e.Record(EMR_BITBLT, f);
         },
         {{0, 40, kRed}, {1, 40, kGreen}, {0, 41, kBlue}, {7, 47, kWhite}, {8, 47, kGrey}}},
    };
    CheckEmfRows(rows);
}

TEST(MetafileRecords, EmfShapesAndPixels) {
    const std::vector<EmfRow> rows = {
        {"a pixel", [](Emf& e) { e.Dwords(EMR_SETPIXELV, {10, 10, int64_t{kBlue}}); },
         {{10, 10, kBlue}, {11, 10, kGrey}, {10, 11, kGrey}}},
        {"a rounded rectangle", [](Emf& e) { SelectNewBrush(e, 1, kRed); NullPen(e); e.Dwords(EMR_ROUNDRECT, {8, 8, 40, 40, 16, 16}); },
         {{24, 24, kRed}, {8, 24, kRed}, {24, 8, kRed}, {12, 12, kRed}, {8, 8, kGrey}, {9, 9, kGrey}, {38, 38, kGrey}}},
        {"a pie: counter-clockwise from the right to the top", [](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_PIE, {8, 8, 40, 40, 40, 24, 24, 8});
         },
         {{30, 18, kRed}, {18, 30, kGrey}, {18, 18, kGrey}, {30, 30, kGrey}}},
        {"a pie clockwise", [](Emf& e) {
             e.Dwords(EMR_SETARCDIRECTION, {2});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_PIE, {8, 8, 40, 40, 40, 24, 24, 8});
         },
         {{30, 18, kGrey}, {18, 30, kRed}, {18, 18, kRed}, {30, 30, kRed}}},
        {"a pie with y up: the direction holds on the raster", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {8}).Dwords(EMR_SETWINDOWEXTEX, {48, -48}).Dwords(EMR_SETVIEWPORTEXTEX, {48, 48});
             e.Dwords(EMR_SETWINDOWORGEX, {0, 48});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             // Logical (40, 24) is raster (40, 24); logical (24, 40) is raster (24, 8).
             e.Dwords(EMR_PIE, {8, 8, 40, 40, 40, 24, 24, 40});
         },
         {{30, 18, kRed}, {18, 30, kGrey}, {18, 18, kGrey}, {30, 30, kGrey}}},
        {"a chord", [](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_CHORD, {8, 8, 40, 40, 40, 24, 24, 8});
         },
         {{33, 15, kRed}, {28, 20, kGrey}, {18, 30, kGrey}}},
        {"an arc to: a line to its start, then the current position at its end", [](Emf& e) {
             e.Dwords(EMR_MOVETOEX, {0, 24}).Dwords(EMR_ARCTO, {8, 8, 40, 40, 40, 24, 24, 8}).Dwords(EMR_LINETO, {24, 0});
         },
         {{4, 24, kBlack}, {24, 4, kBlack}, {4, 25, kGrey}}},
        {"an angle arc", [](Emf& e) {
             Fields f;
             f.I32(24).I32(24).U32(16).F32(0).F32(90);
             e.Dwords(EMR_MOVETOEX, {0, 24}).Record(EMR_ANGLEARC, f).Dwords(EMR_LINETO, {24, 0});
         },
         {{4, 24, kBlack}, {24, 4, kBlack}, {4, 25, kGrey}}},
        {"points drawn by their types, a figure closed", [](Emf& e) {
             Fields f = EmfPoints({{5, 5}, {40, 5}, {40, 40}}, false);
             f.b.push_back(6);
             f.b.push_back(2);
             f.b.push_back(3);
             e.Record(EMR_POLYDRAW, f);
         },
         {{20, 5, kBlack}, {40, 20, kBlack}, {20, 20, kBlack}, {30, 20, kGrey}}},
        {"points of 16 bits drawn by their types", [](Emf& e) {
             Fields f = EmfPoints({{5, 5}, {40, 5}, {40, 40}}, true);
             f.b.push_back(6);
             f.b.push_back(2);
             f.b.push_back(2);
             e.Record(EMR_POLYDRAW16, f);
         },
         {{20, 5, kBlack}, {40, 20, kBlack}, {20, 20, kGrey}}},
        {"viewport extents scaled", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {8}).Dwords(EMR_SETWINDOWEXTEX, {100, 100}).Dwords(EMR_SETVIEWPORTEXTEX, {48, 48});
             e.Dwords(EMR_SCALEVIEWPORTEXTEX, {1, 2, 1, 2});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 50, 50});
         },
         {{10, 10, kRed}, {12, 12, kGrey}}},
        {"window extents scaled", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {8}).Dwords(EMR_SETWINDOWEXTEX, {100, 100}).Dwords(EMR_SETVIEWPORTEXTEX, {48, 48});
             e.Dwords(EMR_SCALEWINDOWEXTEX, {2, 1, 2, 1});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 100, 100});
         },
         {{22, 22, kRed}, {24, 24, kGrey}}},
        {"a region filled with a brush", [](Emf& e) {
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kBlue)).Record(EMR_FILLRGN, RegionRecord({{10, 10, 20, 20}}, {1}));
         },
         {{10, 10, kBlue}, {19, 19, kBlue}, {20, 20, kGrey}, {9, 9, kGrey}}},
        {"a region painted with the brush in force", [](Emf& e) {
             SelectNewBrush(e, 1, kGreen);
             e.Record(EMR_PAINTRGN, RegionRecord({{10, 10, 20, 20}, {30, 30, 40, 40}}, {}));
         },
         {{10, 10, kGreen}, {35, 35, kGreen}, {25, 25, kGrey}}},
        {"a region framed", [](Emf& e) {
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kBlue)).Record(EMR_FRAMERGN, RegionRecord({{10, 10, 30, 30}}, {1, 2, 2}));
         },
         {{10, 20, kBlue}, {11, 20, kBlue}, {12, 20, kGrey}, {20, 20, kGrey}, {29, 20, kBlue}, {20, 28, kBlue}, {30, 20, kGrey}}},
        {"a region inverted", [](Emf& e) { e.Record(EMR_INVERTRGN, RegionRecord({{10, 10, 20, 20}}, {})); },
         {{10, 10, RGB(127, 127, 127)}, {20, 20, kGrey}}},
        {"a flood fill up to a border", [](Emf& e) {
             e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 5}}).Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
             SelectNewBrush(e, 1, kRed);
             e.Dwords(EMR_EXTFLOODFILL, {20, 20, int64_t{kBlack}, 0});
         },
         {{20, 20, kRed}, {11, 11, kRed}, {10, 10, kBlack}, {5, 5, kGrey}}},
        {"a flood fill of a surface", [](Emf& e) {
             e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 5}}).Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
             SelectNewBrush(e, 1, kRed);
             e.Dwords(EMR_EXTFLOODFILL, {5, 5, int64_t{kGrey}, 1});
         },
         {{5, 5, kRed}, {40, 40, kRed}, {20, 20, kGrey}, {10, 10, kBlack}}},
    };
    CheckEmfRows(rows);
    // An arc strokes only the quarter between its radials, in the arc direction.
    for (int direction : {1, 2}) {
        Emf e = Emf48();
        e.Dwords(EMR_SETARCDIRECTION, {direction}).Dwords(EMR_ARC, {8, 8, 40, 40, 40, 24, 24, 8});
        const Played p = Play(e.Finish());
        ASSERT_EQ(p.err, 0);
        const std::array<int, 4> n = BlackQuarters(p);
        if (direction == 1) {
            EXPECT_GT(n[1], 10);
            EXPECT_EQ(n[0] + n[2] + n[3], 0);
        } else {
            EXPECT_EQ(n[1], 0);
            EXPECT_GT(n[0], 10);
            EXPECT_GT(n[2], 10);
            EXPECT_GT(n[3], 10);
        }
    }
}

TEST(MetafileRecords, EmfModesPathsAndText) {
    const std::vector<EmfRow> rows = {
        {"xor pen: a white brush inverts", [](Emf& e) {
             e.Dwords(EMR_SETROP2, {7});
             SelectNewBrush(e, 1, kWhite);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 20, 20});
         },
         {{10, 10, RGB(127, 127, 127)}, {20, 20, kGrey}}},
        {"no-operation pen draws nothing", [](Emf& e) {
             e.Dwords(EMR_SETROP2, {11});
             SelectNewBrush(e, 1, kRed);
             e.Dwords(EMR_RECTANGLE, {10, 10, 20, 20});
         },
         {{10, 10, kGrey}, {15, 15, kGrey}}},
        {"mask pen on a line", [](Emf& e) {
             e.Dwords(EMR_SETROP2, {9});  // pen AND destination
             e.Record(EMR_CREATEPEN, EmfPen(1, RGB(255, 0, 255))).Dwords(EMR_SELECTOBJECT, {1});
             e.Dwords(EMR_MOVETOEX, {5, 5}).Dwords(EMR_LINETO, {40, 5});
         },
         {{10, 5, RGB(128, 0, 128)}, {10, 6, kGrey}}},
        {"a dashed pen: strokes and gaps along the line", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kBlack, 0, 1)).Dwords(EMR_SELECTOBJECT, {1});
             e.Dwords(EMR_MOVETOEX, {0, 10}).Dwords(EMR_LINETO, {48, 10});
         },
         {{2, 10, kBlack}, {15, 10, kBlack}, {21, 10, kGrey}, {30, 10, kBlack}, {45, 10, kGrey}}},
        {"a dotted pen's pattern runs on round a corner", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kBlack, 0, 2)).Dwords(EMR_SELECTOBJECT, {1});
             e.Record(EMR_POLYLINE, EmfPoints({{0, 10}, {4, 10}, {4, 30}}, false));
         },
         {{1, 10, kBlack}, {3, 10, kGrey}, {4, 11, kGrey}, {4, 13, kBlack}, {4, 16, kGrey}}},
        {"a wide dashed pen draws solid", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 4, 1)).Dwords(EMR_SELECTOBJECT, {1});
             e.Record(EMR_POLYLINE, EmfPoints({{2, 30}, {46, 30}}, false));
         },
         {{7, 30, kRed}, {16, 30, kRed}, {23, 30, kRed}}},
        {"the raster operation is kept with the state", [](Emf& e) {
             e.Record(EMR_SAVEDC, {}).Dwords(EMR_SETROP2, {11}).Dwords(EMR_RESTOREDC, {-1});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 20, 20});
         },
         {{10, 10, kRed}}},
        {"a stretch mode changes nothing on the raster", [](Emf& e) {
             e.Dwords(EMR_SETSTRETCHBLTMODE, {3}).Record(EMR_STRETCHDIBITS, EmfStretchDib(8, 8, 16, 16, 0, 0, 2, 2, Dib2x2()));
         },
         {{8, 8, kRed}, {16, 8, kGreen}}},
        {"a flattened path fills as it was", [](Emf& e) {
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_ELLIPSE, {8, 8, 40, 40}).Record(EMR_ENDPATH, {}).Record(EMR_FLATTENPATH, {});
             SelectNewBrush(e, 1, kGreen);
             e.Dwords(EMR_FILLPATH, {0, 0, 0, 0});
         },
         {{24, 24, kGreen}, {9, 9, kGrey}}},
        {"a widened path fills the stroke's outline", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kBlue, 6)).Dwords(EMR_SELECTOBJECT, {1});
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_MOVETOEX, {10, 24}).Dwords(EMR_LINETO, {38, 24}).Record(EMR_ENDPATH, {});
             e.Record(EMR_WIDENPATH, {});
             SelectNewBrush(e, 2, kRed);
             e.Dwords(EMR_FILLPATH, {0, 0, 0, 0});
         },
         {{24, 22, kRed}, {24, 26, kRed}, {24, 30, kGrey}, {24, 18, kGrey}}},
        {"an aborted path leaves nothing to fill", [](Emf& e) {
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_RECTANGLE, {10, 10, 30, 30}).Record(EMR_ENDPATH, {}).Record(EMR_ABORTPATH, {});
             SelectNewBrush(e, 1, kRed);
             e.Dwords(EMR_FILLPATH, {0, 0, 0, 0});
         },
         {{20, 20, kGrey}}},
        {"small text's opaque rectangle", [](Emf& e) {
             Fields f;
             f.I32(30).I32(30).U32(0).U32(2).U32(1).F32(1).F32(1).I32(30).I32(30).I32(40).I32(40);
             e.Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}}).Record(EMR_SMALLTEXTOUT, f);
         },
         {{30, 30, kBlue}, {39, 39, kBlue}, {40, 40, kGrey}}},
        {"several texts of bytes: their opaque rectangles", [](Emf& e) {
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).U32(1).F32(1).F32(1).U32(1);
             f.I32(40).I32(0).U32(0).U32(0).U32(2).I32(40).I32(0).I32(48).I32(8).U32(0);
             e.Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}}).Record(EMR_POLYTEXTOUTA, f);
         },
         {{40, 0, kBlue}, {47, 7, kBlue}, {39, 0, kGrey}}},
        {"several texts' opaque rectangles", [](Emf& e) {
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).U32(1).F32(1).F32(1).U32(2);
             for (RECT r : {RECT{0, 0, 5, 5}, RECT{40, 40, 45, 45}})
                 f.I32(r.left).I32(r.top).U32(0).U32(0).U32(2).I32(r.left).I32(r.top).I32(r.right).I32(r.bottom).U32(0);
             e.Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}}).Record(EMR_POLYTEXTOUTW, f);
         },
         {{0, 0, kBlue}, {44, 44, kBlue}, {20, 20, kGrey}, {45, 45, kGrey}}},
    };
    CheckEmfRows(rows);
    // Text drawn by SMALLTEXTOUT (bytes) and POLYTEXTOUTW lands left of its reference point when
    // right-aligned, as EXTTEXTOUT's does.
    for (uint32_t type : {EMR_SMALLTEXTOUT, EMR_POLYTEXTOUTW}) {
        Emf e = Emf48();
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFont(1, -20, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Dwords(EMR_SETTEXTCOLOR, {int64_t{kRed}}).Dwords(EMR_SETBKMODE, {1}).Dwords(EMR_SETTEXTALIGN, {2});
        Fields f;
        if (type == EMR_SMALLTEXTOUT) {
            f.I32(30).I32(10).U32(1).U32(0x300).U32(1).F32(1).F32(1).Raw(std::string("H"));
        } else {
            f.I32(0).I32(0).I32(0).I32(0).U32(1).F32(1).F32(1).U32(1);
            f.I32(30).I32(10).U32(1).U32(80).U32(0).I32(0).I32(0).I32(0).I32(0).U32(0).U16('H');
        }
        e.Record(type, f);
        const Played p = Play(e.Finish());
        ASSERT_EQ(p.err, 0);
        int left = 0, right = 0;
        for (UINT y = 0; y < 48; ++y)
            for (UINT x = 0; x < 48; ++x)
                if (p.At(x, y) == kRed) ++(x < 30 ? left : right);
        EXPECT_GT(left, 20) << type;
        EXPECT_EQ(right, 0) << type;
    }
}

TEST(MetafileRecords, EmfPalettesGradientsAndBlits) {
    const Bytes dib = Dib2x2();
    // Two pixels whose table indexes the palette: index 1 then index 0.
    const Bytes palDib = Dib1(2, 1, {0, 1}, {1, 0}, true);
    auto palette = [](Emf& e) {
        Fields f;
        f.U32(2).U16(0x300).U16(2).U32(kGreen).U32(kBlue);
        e.Record(EMR_CREATEPALETTE, f).Dwords(EMR_SELECTPALETTE, {2}).Record(EMR_REALIZEPALETTE, {});
    };
    auto palStretch = [&](Emf& e) {
        Fields f;
        const uint32_t info = static_cast<uint32_t>(DibInfoBytes(palDib, true));
        f.I32(0).I32(0).I32(0).I32(0).I32(8).I32(8).I32(0).I32(0).I32(2).I32(1);
        f.U32(80).U32(info).U32(80 + info).U32(static_cast<uint32_t>(palDib.size() - info)).U32(1).U32(kSrcCopy).I32(8).I32(4);
        e.Record(EMR_STRETCHDIBITS, f.Raw(palDib));
    };
    const Bytes mask = Dib1(2, 2, {1, 0, 0, 1}, {kBlack, kWhite});
    const std::vector<EmfRow> rows = {
        {"a DIB of palette indices through the selected palette", [&](Emf& e) { palette(e); palStretch(e); },
         {{8, 8, kBlue}, {11, 11, kBlue}, {12, 8, kGreen}, {15, 11, kGreen}, {16, 8, kGrey}}},
        {"palette entries changed", [&](Emf& e) {
             palette(e);
             Fields f;
             f.U32(2).U32(0).U32(1).U32(kRed);
             e.Record(EMR_SETPALETTEENTRIES, f);
             palStretch(e);
         },
         {{8, 8, kBlue}, {12, 8, kRed}}},
        {"the default palette selected back", [&](Emf& e) {
             palette(e);
             e.Dwords(EMR_SELECTPALETTE, {int64_t{kStock | 15}});
             palStretch(e);
         },
         {{8, 8, RGB(128, 0, 0)}, {12, 8, kBlack}}},
        {"a horizontal gradient", [](Emf& e) {
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).U32(2).U32(1).U32(0);
             f.I32(0).I32(0).U16(0xFF00).U16(0).U16(0).U16(0).I32(48).I32(48).U16(0).U16(0).U16(0xFF00).U16(0);
             f.U32(0).U32(1);
             e.Record(EMR_GRADIENTFILL, f);
         },
         {{0, 10, kRed}, {0, 47, kRed}, {24, 10, RGB(127, 0, 127)}}},
        {"a vertical gradient", [](Emf& e) {
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).U32(2).U32(1).U32(1);
             f.I32(0).I32(0).U16(0).U16(0xFF00).U16(0).U16(0).I32(48).I32(24).U16(0).U16(0xFF00).U16(0).U16(0);
             f.U32(0).U32(1);
             e.Record(EMR_GRADIENTFILL, f);
         },
         {{10, 0, kGreen}, {10, 23, kGreen}, {10, 24, kGrey}}},
        {"a triangle gradient of one colour", [](Emf& e) {
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).U32(3).U32(1).U32(2);
             for (POINT p : {POINT{0, 0}, POINT{40, 0}, POINT{0, 40}}) f.I32(p.x).I32(p.y).U16(0).U16(0).U16(0xFFFF).U16(0);
             f.U32(0).U32(1).U32(2);
             e.Record(EMR_GRADIENTFILL, f);
         },
         {{5, 5, kBlue}, {30, 5, kBlue}, {30, 30, kGrey}}},
        {"a transparent colour keeps the raster", [&](Emf& e) {
             e.Record(EMR_TRANSPARENTBLT, EmfSourceBlit(8, 8, 16, 16, kWhite, 0, 0, dib, true, 2, 2));
         },
         {{8, 8, kRed}, {16, 8, kGreen}, {8, 16, kBlue}, {23, 23, kGrey}}},
        {"constant alpha blends", [&](Emf& e) {
             e.Record(EMR_ALPHABLEND, EmfSourceBlit(8, 8, 16, 16, 0x00800000, 0, 0, dib, true, 2, 2));
         },
         {{8, 8, RGB(191, 63, 63)}, {23, 23, RGB(191, 191, 191)}, {7, 7, kGrey}}},
        {"a mask: the source where it is 1, the raster where it is 0", [&](Emf& e) {
             const uint32_t src = 128, msk = static_cast<uint32_t>(128 + dib.size());
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).I32(40).I32(0).I32(2).I32(2).U32(0xAACC0020).I32(0).I32(0);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(src).U32(40).U32(src + 40);
             f.U32(static_cast<uint32_t>(dib.size() - 40));
             f.I32(0).I32(0).U32(0).U32(msk).U32(48).U32(msk + 48).U32(static_cast<uint32_t>(mask.size() - 48));
             e.Record(EMR_MASKBLT, f.Raw(dib).Raw(mask));
         },
         {{40, 0, kRed}, {41, 0, kGrey}, {40, 1, kGrey}, {41, 1, kWhite}}},
        {"a parallelogram of a bitmap", [&](Emf& e) {
             const uint32_t info = 40;
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).I32(10).I32(10).I32(14).I32(10).I32(10).I32(14).I32(0).I32(0).I32(2).I32(2);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(140).U32(info).U32(140 + info);
             f.U32(static_cast<uint32_t>(dib.size() - info)).I32(0).I32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
             e.Record(EMR_PLGBLT, f.Raw(dib));
         },
         {{10, 10, kRed}, {12, 10, kGreen}, {10, 12, kBlue}, {13, 13, kWhite}, {14, 14, kGrey}}},
    };
    CheckEmfRows(rows);
}

TEST(MetafileRecords, WmfRecords) {
    const Bytes dib = Dib2x2();
    // An old bitmap: 2 x 2 at 1 bit, rows of one word: top row 0 1, bottom row 1 0.
    Fields bitmap16;
    bitmap16.I16(0).I16(2).I16(2).I16(2).U16(0x0101).U16(0x40).U16(0x80);
    auto colors = [](Wmf& w) {
        w.Record(META_SETTEXTCOLOR, {static_cast<int>(kRed & 0xFFFF), static_cast<int>(kRed >> 16)});
        w.Record(META_SETBKCOLOR, {static_cast<int>(kBlue & 0xFFFF), static_cast<int>(kBlue >> 16)});
    };
    const Bytes palDib = Dib1(2, 1, {0, 1}, {1, 0}, true);
    auto palette = [](Wmf& w) {
        Fields f;
        f.U16(0x300).U16(2).U32(kGreen).U32(kBlue);
        w.Record(META_CREATEPALETTE, f).Record(META_SELECTPALETTE, {1}).Record(META_REALIZEPALETTE, {});
    };
    auto palStretch = [&](Wmf& w) {
        Fields f;
        f.U32(kSrcCopy).U16(1).I16(1).I16(2).I16(0).I16(0).I16(4).I16(8).I16(8).I16(8).Raw(palDib);
        w.Record(META_STRETCHDIB, f);
    };
    auto redFill = [](Wmf& w) {
        WmfNewBrush(w, kRed);
        w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {49, 49, 0, 0});
    };
    auto region = [](Wmf& w, std::vector<RECT> rects) { w.Record(META_CREATEREGION, WmfRegion(rects)); };
    const std::vector<WmfRow> rows = {
        {"a pixel", [](Wmf& w) { w.Record(META_SETPIXEL, {static_cast<int>(kBlue & 0xFFFF), static_cast<int>(kBlue >> 16), 10, 10}); },
         {{10, 10, kBlue}, {11, 10, kGrey}}},
        {"a pie", [](Wmf& w) {
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_PIE, {8, 24, 24, 40, 40, 40, 8, 8});
         },
         {{30, 18, kRed}, {18, 30, kGrey}, {18, 18, kGrey}}},
        {"a chord", [](Wmf& w) {
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_CHORD, {8, 24, 24, 40, 40, 40, 8, 8});
         },
         {{33, 15, kRed}, {28, 20, kGrey}}},
        {"an arc", [](Wmf& w) {
             w.Record(META_CREATEPENINDIRECT, WmfPen(kBlack)).Record(META_SELECTOBJECT, {1});
             w.Record(META_ARC, {8, 24, 24, 40, 40, 40, 8, 8});
         },
         {{40, 24, kBlack}, {35, 13, kBlack}, {18, 30, kGrey}, {30, 30, kGrey}, {18, 18, kGrey}}},
        {"a rounded rectangle", [](Wmf& w) {
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_ROUNDRECT, {16, 16, 40, 40, 8, 8});
         },
         {{24, 24, kRed}, {8, 24, kRed}, {9, 9, kGrey}}},
        {"a flood fill up to a border", [](Wmf& w) {
             w.Record(META_CREATEPENINDIRECT, WmfPen(kBlack)).Record(META_SELECTOBJECT, {1});
             w.Record(META_RECTANGLE, {30, 30, 10, 10});  // the first brush: white
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {2}).Record(META_FLOODFILL, {0, 0, 20, 20});
         },
         {{20, 20, kRed}, {10, 10, kBlack}, {5, 5, kGrey}}},
        {"a flood fill of a surface", [](Wmf& w) {
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_EXTFLOODFILL, {1, static_cast<int>(kGrey & 0xFFFF), static_cast<int>(kGrey >> 16), 5, 5});
         },
         {{5, 5, kRed}, {40, 40, kRed}}},
        {"an old bitmap copied", [&](Wmf& w) {
             colors(w);
             Fields f;
             f.U32(kSrcCopy).I16(0).I16(0).I16(2).I16(2).I16(0).I16(40).Raw(bitmap16.b);
             w.Record(META_BITBLT, f);
         },
         {{40, 0, kRed}, {41, 0, kBlue}, {40, 1, kBlue}, {41, 1, kRed}, {42, 0, kGrey}}},
        {"an old bitmap stretched", [&](Wmf& w) {
             colors(w);
             Fields f;
             f.U32(kSrcCopy).I16(2).I16(2).I16(0).I16(0).I16(4).I16(4).I16(40).I16(40).Raw(bitmap16.b);
             w.Record(META_STRETCHBLT, f);
         },
         {{40, 40, kRed}, {42, 40, kBlue}, {43, 43, kRed}, {44, 44, kGrey}}},
        {"the old blit without a bitmap", [](Wmf& w) {
             WmfNewBrush(w, kBlue);
             w.Record(META_SELECTOBJECT, {1});
             Fields f;
             f.U32(kPatCopy).I16(0).I16(0).I16(0).I16(8).I16(8).I16(40).I16(0);
             w.Record(META_BITBLT, f);
         },
         {{0, 40, kBlue}, {7, 47, kBlue}, {8, 40, kGrey}}},
        {"the old stretch without a bitmap", [](Wmf& w) {
             WmfNewBrush(w, kBlue);
             w.Record(META_SELECTOBJECT, {1});
             Fields f;
             f.U32(kPatCopy).I16(0).I16(0).I16(0).I16(0).I16(0).I16(8).I16(8).I16(40).I16(0);
             w.Record(META_STRETCHBLT, f);
         },
         {{0, 40, kBlue}, {7, 47, kBlue}, {8, 40, kGrey}}},
        {"the brush by PATBLT", [](Wmf& w) {
             WmfNewBrush(w, kBlue);
             w.Record(META_SELECTOBJECT, {1});
             Fields f;
             f.U32(kPatCopy).I16(8).I16(8).I16(40).I16(0);
             w.Record(META_PATBLT, f);
         },
         {{0, 40, kBlue}, {7, 47, kBlue}, {8, 40, kGrey}}},
        {"bits set to the device", [&](Wmf& w) {
             Fields f;
             f.U16(0).U16(2).U16(0).I16(0).I16(0).I16(2).I16(2).I16(40).I16(0).Raw(dib);
             w.Record(META_SETDIBTODEV, f);
         },
         {{0, 40, kRed}, {1, 40, kGreen}, {0, 41, kBlue}, {1, 41, kWhite}, {2, 40, kGrey}}},
        {"window origin offset", [](Wmf& w) {
             w.Record(META_SETWINDOWORG, {-5, -5}).Record(META_OFFSETWINDOWORG, {-5, -5});
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {10, 10, 0, 0});
         },
         {{10, 10, kRed}, {9, 9, kGrey}}},
        {"viewport origin offset", [](Wmf& w) {
             w.Record(META_OFFSETVIEWPORTORG, {10, 10});
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {10, 10, 0, 0});
         },
         {{10, 10, kRed}, {9, 9, kGrey}}},
        {"window extents scaled", [](Wmf& w) {
             w.Record(META_SCALEWINDOWEXT, {1, 2, 1, 2});  // 48 x 2: half the scale
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {48, 48, 0, 0});
         },
         {{22, 22, kRed}, {24, 24, kGrey}}},
        {"viewport extents scaled", [](Wmf& w) {
             w.Record(META_SCALEVIEWPORTEXT, {2, 1, 2, 1});  // viewport halved
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {48, 48, 0, 0});
         },
         {{22, 22, kRed}, {24, 24, kGrey}}},
        {"a rectangle excluded from the clip", [&](Wmf& w) { w.Record(META_EXCLUDECLIPRECT, {20, 20, 10, 10}); redFill(w); },
         {{15, 15, kGrey}, {9, 15, kRed}, {20, 15, kRed}}},
        {"the clip offset", [&](Wmf& w) { w.Record(META_INTERSECTCLIPRECT, {10, 10, 0, 0}).Record(META_OFFSETCLIPRGN, {20, 20}); redFill(w); },
         {{25, 25, kRed}, {5, 5, kGrey}}},
        {"a region selected as the clip", [&](Wmf& w) {
             region(w, {{0, 0, 10, 10}, {30, 30, 40, 40}});  // slot 1
             w.Record(META_SELECTCLIPREGION, {1});
             WmfNewBrush(w, kRed);  // slot 2
             w.Record(META_SELECTOBJECT, {2}).Record(META_RECTANGLE, {49, 49, 0, 0});
         },
         {{5, 5, kRed}, {35, 35, kRed}, {20, 20, kGrey}}},
        {"a region selected as an object is the clip too", [&](Wmf& w) {
             region(w, {{0, 0, 10, 10}});
             w.Record(META_SELECTOBJECT, {1});
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {2}).Record(META_RECTANGLE, {49, 49, 0, 0});
         },
         {{5, 5, kRed}, {20, 20, kGrey}}},
        {"a region filled", [&](Wmf& w) {
             region(w, {{10, 10, 20, 20}});
             WmfNewBrush(w, kBlue);
             w.Record(META_FILLREGION, {1, 2});
         },
         {{10, 10, kBlue}, {19, 19, kBlue}, {20, 20, kGrey}}},
        {"a region painted with the brush in force", [&](Wmf& w) {
             region(w, {{10, 10, 20, 20}});
             WmfNewBrush(w, kGreen);
             w.Record(META_SELECTOBJECT, {2}).Record(META_PAINTREGION, {1});
         },
         {{15, 15, kGreen}, {25, 25, kGrey}}},
        {"a region framed", [&](Wmf& w) {
             region(w, {{10, 10, 30, 30}});
             WmfNewBrush(w, kBlue);
             w.Record(META_FRAMEREGION, {1, 2, 2, 2});
         },
         {{10, 20, kBlue}, {11, 20, kBlue}, {12, 20, kGrey}, {20, 20, kGrey}}},
        {"a region inverted", [&](Wmf& w) { region(w, {{10, 10, 20, 20}}); w.Record(META_INVERTREGION, {1}); },
         {{10, 10, RGB(127, 127, 127)}, {20, 20, kGrey}}},
        {"xor pen", [](Wmf& w) {
             w.Record(META_SETROP2, {7});
             WmfNewBrush(w, kWhite);
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {20, 20, 10, 10});
         },
         {{10, 10, RGB(127, 127, 127)}}},
        {"a stretch mode changes nothing on the raster", [&](Wmf& w) {
             w.Record(META_SETSTRETCHBLTMODE, {3});
             Fields f;
             f.U32(kSrcCopy).U16(0).I16(2).I16(2).I16(0).I16(0).I16(16).I16(16).I16(8).I16(8).Raw(dib);
             w.Record(META_STRETCHDIB, f);
         },
         {{8, 8, kRed}, {16, 8, kGreen}}},
        {"a DIB of palette indices through the selected palette", [&](Wmf& w) { palette(w); palStretch(w); },
         {{8, 8, kBlue}, {12, 8, kGreen}, {16, 8, kGrey}}},
        {"palette entries changed", [&](Wmf& w) {
             palette(w);
             Fields f;
             f.U16(0).U16(1).U32(kRed);
             w.Record(META_SETPALENTRIES, f);
             palStretch(w);
         },
         {{8, 8, kBlue}, {12, 8, kRed}}},
        {"a vertical hatch", [](Wmf& w) {
             w.Record(META_SETBKMODE, {1}).Record(META_CREATEBRUSHINDIRECT, WmfBrush(kRed, 2, 1));
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {30, 30, 10, 10});
         },
         {{16, 11, kRed}, {24, 20, kRed}, {17, 11, kGrey}}},
        {"an old monochrome pattern brush in the text and background colours", [&](Wmf& w) {
             colors(w);
             Fields f;
             f.I16(0).I16(2).I16(2).I16(2).U16(0x0101);
             for (int i = 0; i < 9; ++i) f.U16(0);  // reserved
             f.U16(0x40).U16(0x80);
             w.Record(META_CREATEPATTERNBRUSH, f).Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {30, 30, 10, 10});
         },
         {{10, 10, kRed}, {11, 10, kBlue}, {10, 11, kBlue}, {11, 11, kRed}}},
        {"a pattern of palette indices through the selected palette", [&](Wmf& w) {
             palette(w);  // slot 1
             Fields f;
             f.U16(5).U16(1).Raw(Dib1(2, 1, {0, 1}, {1, 0}, true));
             w.Record(META_DIBCREATEPATTERNBRUSH, f).Record(META_SELECTOBJECT, {2});
             w.Record(META_RECTANGLE, {30, 30, 10, 10});
         },
         {{10, 11, kBlue}, {11, 11, kGreen}, {12, 11, kBlue}}},
        {"a DIB pattern brush replaces the brush", [&](Wmf& w) {
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1});
             Fields f;
             f.U16(5).U16(0).Raw(dib);
             w.Record(META_DIBCREATEPATTERNBRUSH, f).Record(META_SELECTOBJECT, {2});
             w.Record(META_RECTANGLE, {30, 30, 10, 10});
         },
         {{10, 10, kRed}, {11, 10, kGreen}, {10, 11, kBlue}, {11, 11, kWhite}}},
    };
    CheckWmfRows(rows);
}
