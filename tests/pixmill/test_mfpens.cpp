// Metafile pens: the dash styles and user styles of wide geometric pens, their end caps and joins and the
// miter limit, and the dashes of one-pixel pens on the shapes the drawing layer draws. Probes follow from
// the outline's geometry: a pixel is inked when its centre lies inside it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "mfbuild.h"
#include "mfplay.h"

namespace {

using namespace mfbuild;
using namespace mfplay;

// The address sanitizer's allocator keeps freed blocks aside: a process's resident size then says nothing
// of what it held at once.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kOwnAllocator = true;
#else
constexpr bool kOwnAllocator = false;
#endif
#else
constexpr bool kOwnAllocator = false;
#endif

constexpr uint32_t kGeometric = 0x10000, kCapSquare = 0x100, kCapFlat = 0x200, kJoinBevel = 0x1000,
                   kJoinMiter = 0x2000;

// EXTCREATEPEN into slot 1, selected: a pen of the style and width (logical units) in red, with the user
// style's lengths.
void ExtPen(Emf& e, uint32_t style, uint32_t width, const std::vector<uint32_t>& user = {}) {
    Fields f;
    f.U32(1).U32(0).U32(0).U32(0).U32(0).U32(style).U32(width).U32(0).U32(kRed).U32(0);
    f.U32(static_cast<uint32_t>(user.size()));
    for (uint32_t d : user) f.U32(d);
    e.Record(EMR_EXTCREATEPEN, f).Dwords(EMR_SELECTOBJECT, {1});
}

void Line(Emf& e, std::vector<POINT> pts) { e.Record(EMR_POLYLINE, EmfPoints(pts, false)); }

}  // namespace

// Each style on a line from x = 2 to 46 at y = 24, 4 pixels wide with flat ends: a dash 3 widths long (12),
// a dot 1 (4), gaps 1 (4); a user style in logical units (here pixels), an odd count running through
// twice with dashes and gaps changed round.
TEST(MetafilePens, WideDashStylesInkTheirDashesAndLeaveTheirGaps) {
    const std::vector<EmfRow> rows = {
        {"dash", [](Emf& e) { ExtPen(e, kGeometric | kCapFlat | 1, 4); Line(e, {{2, 24}, {46, 24}}); },
         {{8, 24, kRed}, {16, 24, kGrey}, {24, 24, kRed}, {32, 24, kGrey}, {40, 24, kRed}, {8, 22, kRed}, {8, 21, kGrey}}},
        {"dot", [](Emf& e) { ExtPen(e, kGeometric | kCapFlat | 2, 4); Line(e, {{2, 24}, {46, 24}}); },
         {{4, 24, kRed}, {8, 24, kGrey}, {12, 24, kRed}, {16, 24, kGrey}, {20, 24, kRed}}},
        {"dash dot", [](Emf& e) { ExtPen(e, kGeometric | kCapFlat | 3, 4); Line(e, {{2, 24}, {46, 24}}); },
         {{8, 24, kRed}, {16, 24, kGrey}, {20, 24, kRed}, {24, 24, kGrey}, {30, 24, kRed}, {40, 24, kGrey}, {44, 24, kRed}}},
        {"dash dot dot", [](Emf& e) { ExtPen(e, kGeometric | kCapFlat | 4, 4); Line(e, {{2, 24}, {46, 24}}); },
         {{8, 24, kRed}, {16, 24, kGrey}, {20, 24, kRed}, {24, 24, kGrey}, {28, 24, kRed}, {32, 24, kGrey}, {40, 24, kRed}}},
        {"a user style", [](Emf& e) { ExtPen(e, kGeometric | kCapFlat | 7, 4, {5, 3}); Line(e, {{2, 24}, {46, 24}}); },
         {{4, 24, kRed}, {8, 24, kGrey}, {12, 24, kRed}, {16, 24, kGrey}, {20, 24, kRed}}},
        {"a user style of an odd count", [](Emf& e) { ExtPen(e, kGeometric | kCapFlat | 7, 4, {6, 2, 2}); Line(e, {{2, 24}, {46, 24}}); },
         {{5, 24, kRed}, {9, 24, kGrey}, {11, 24, kRed}, {15, 24, kGrey}, {19, 24, kRed}, {21, 24, kGrey}, {25, 24, kRed}}},
        {"a user style scales with the mapping", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {8}).Dwords(EMR_SETWINDOWEXTEX, {96, 96}).Dwords(EMR_SETVIEWPORTEXTEX, {48, 48});
             ExtPen(e, kGeometric | kCapFlat | 7, 8, {10, 6});
             Line(e, {{4, 48}, {92, 48}});
         },
         {{4, 24, kRed}, {8, 24, kGrey}, {12, 24, kRed}, {16, 24, kGrey}}},
        {"dashes run on round a corner", [](Emf& e) {
             ExtPen(e, kGeometric | kCapFlat | 1, 4);
             Line(e, {{2, 10}, {10, 10}, {10, 46}});
         },
         {{6, 10, kRed}, {10, 12, kRed}, {10, 16, kGrey}, {10, 24, kRed}}},
        {"a dash ends flat inside the figure, round at its ends", [](Emf& e) {
             ExtPen(e, kGeometric | 1, 4);
             Line(e, {{2, 24}, {46, 24}});
         },
         {{0, 24, kRed}, {15, 24, kGrey}, {17, 24, kGrey}, {47, 24, kRed}}},
        {"a pen of CreatePen wider than a pixel draws solid", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 4, 1)).Dwords(EMR_SELECTOBJECT, {1});
             Line(e, {{2, 24}, {46, 24}});
         },
         {{8, 24, kRed}, {16, 24, kRed}, {32, 24, kRed}}},
        {"a one-pixel dotted pen outlines a rectangle with dots", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 0, 2)).Dwords(EMR_SELECTOBJECT, {1});
             e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 5}}).Dwords(EMR_RECTANGLE, {10, 10, 40, 40});
         },
         {{11, 10, kRed}, {14, 10, kGrey}, {17, 10, kRed}, {20, 20, kGrey}}},
        {"a one-pixel dashed pen outlines an ellipse with dashes", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 0, 1)).Dwords(EMR_SELECTOBJECT, {1});
             e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 5}}).Dwords(EMR_ELLIPSE, {4, 4, 44, 44});
         },
         {{24, 24, kGrey}}},
    };
    CheckEmfRows(rows);
    // The dashed ellipse: its outline has gaps, unlike a solid one's.
    auto outline = [](uint32_t style) {
        Emf e = Emf48();
        e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 0, style)).Dwords(EMR_SELECTOBJECT, {1});
        e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 5}}).Dwords(EMR_ELLIPSE, {4, 4, 44, 44});
        const Played p = Play(e.Finish());
        int red = 0;
        for (UINT y = 0; y < 48; ++y)
            for (UINT x = 0; x < 48; ++x) red += p.At(x, y) == kRed;
        return red;
    };
    const int solid = outline(0), dashed = outline(1);
    EXPECT_GT(dashed, solid / 2);
    EXPECT_LT(dashed, solid * 9 / 10);
}

// A line from (10, 24) to (38, 24), 8 wide: flat ends at its end points, square ends half a width beyond
// them, round ends a disc about them (the layer's polygons have whole-pixel corners, so the probes keep
// clear of the circle).
TEST(MetafilePens, EndCaps) {
    const std::vector<EmfRow> rows = {
        {"flat", [](Emf& e) { ExtPen(e, kGeometric | kCapFlat, 8); Line(e, {{10, 24}, {38, 24}}); },
         {{10, 24, kRed}, {9, 24, kGrey}, {37, 24, kRed}, {38, 24, kGrey}, {10, 20, kRed}, {10, 28, kGrey}}},
        {"square", [](Emf& e) { ExtPen(e, kGeometric | kCapSquare, 8); Line(e, {{10, 24}, {38, 24}}); },
         {{6, 24, kRed}, {5, 24, kGrey}, {41, 24, kRed}, {42, 24, kGrey}, {6, 21, kRed}, {6, 20, kRed}, {41, 27, kRed}}},
        {"round", [](Emf& e) { ExtPen(e, kGeometric, 8); Line(e, {{10, 24}, {38, 24}}); },
         {{6, 24, kRed}, {5, 24, kGrey}, {41, 24, kRed}, {42, 24, kGrey}, {6, 20, kGrey}, {7, 22, kRed}, {41, 28, kGrey}}},
        {"a pen of CreatePen: round", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 8)).Dwords(EMR_SELECTOBJECT, {1});
             Line(e, {{10, 24}, {38, 24}});
         },
         {{6, 24, kRed}, {6, 20, kGrey}}},
        {"a pen of CreatePen with its end bits", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 8, kCapFlat)).Dwords(EMR_SELECTOBJECT, {1});
             Line(e, {{10, 24}, {38, 24}});
         },
         {{10, 24, kRed}, {9, 24, kGrey}}},
    };
    CheckEmfRows(rows);
}

// Joins of a right angle, (10, 36) to (30, 36) to (30, 16), 8 wide: the outer corner (34, 40) lies within
// the miter, outside the bevel (the line from (30, 40) to (34, 36)) and outside the round join (4 from
// (30, 36)). A sharp turn, (6, 20) to (40, 24) to (6, 28), needs a miter 8.6 widths long: within the
// default limit of 10 it reaches past x = 44; under a limit of 5 it is bevelled.
TEST(MetafilePens, JoinsAndTheMiterLimit) {
    const std::vector<POINT> corner = {{10, 36}, {30, 36}, {30, 16}}, sharp = {{6, 20}, {40, 24}, {6, 28}};
    const std::vector<EmfRow> rows = {
        {"miter", [&](Emf& e) { ExtPen(e, kGeometric | kJoinMiter, 8); Line(e, corner); },
         {{33, 39, kRed}, {32, 38, kRed}, {31, 37, kRed}, {34, 40, kGrey}}},
        {"bevel", [&](Emf& e) { ExtPen(e, kGeometric | kJoinBevel, 8); Line(e, corner); },
         {{33, 39, kGrey}, {32, 38, kGrey}, {31, 37, kRed}}},
        {"round", [&](Emf& e) { ExtPen(e, kGeometric, 8); Line(e, corner); },
         {{33, 39, kGrey}, {32, 38, kRed}, {31, 37, kRed}}},
        {"a sharp miter within the limit", [&](Emf& e) { ExtPen(e, kGeometric | kJoinMiter, 8); Line(e, sharp); },
         {{44, 24, kRed}, {38, 24, kRed}}},
        {"a sharp miter past the limit is bevelled", [&](Emf& e) {
             e.Record(58, Fields().F32(5));  // EMR_SETMITERLIMIT
             ExtPen(e, kGeometric | kJoinMiter, 8);
             Line(e, sharp);
         },
         {{44, 24, kGrey}, {38, 24, kRed}}},
        {"the limit as a whole number", [&](Emf& e) {
             e.Dwords(58, {5});
             ExtPen(e, kGeometric | kJoinMiter, 8);
             Line(e, sharp);
         },
         {{44, 24, kGrey}}},
        {"the limit kept with the state", [&](Emf& e) {
             e.Record(EMR_SAVEDC, {}).Record(58, Fields().F32(5)).Dwords(EMR_RESTOREDC, {-1});
             ExtPen(e, kGeometric | kJoinMiter, 8);
             Line(e, sharp);
         },
         {{44, 24, kRed}}},
        {"a closed figure joins at its first point", [](Emf& e) {
             ExtPen(e, kGeometric | kJoinMiter, 8);
             e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 5}});
             e.Record(EMR_POLYGON, EmfPoints({{10, 10}, {38, 10}, {38, 38}, {10, 38}}, false));
         },
         {{6, 6, kRed}, {41, 6, kRed}, {41, 41, kRed}, {6, 41, kRed}, {24, 24, kGrey}}},
    };
    CheckEmfRows(rows);
    // A Windows metafile's pen of the same style, with the limit set by its escape.
    const std::vector<WmfRow> wmf = {
        {"miter within the limit", [&](Wmf& w) {
             w.Record(META_CREATEPENINDIRECT, WmfPen(kRed, 8, kJoinMiter)).Record(META_SELECTOBJECT, {1});
             w.Record(META_POLYLINE, WmfPoints(sharp));
         },
         {{44, 24, kRed}}},
        {"bevelled past the limit", [&](Wmf& w) {
             w.Record(0x0626, {0x17, 4, 5, 0});  // META_ESCAPE: SETMITERLIMIT 5
             w.Record(META_CREATEPENINDIRECT, WmfPen(kRed, 8, kJoinMiter)).Record(META_SELECTOBJECT, {1});
             w.Record(META_POLYLINE, WmfPoints(sharp));
         },
         {{44, 24, kGrey}, {38, 24, kRed}}},
    };
    CheckWmfRows(wmf);
}

// A miter limit of a billion lets a near reversal's miter run on along its bisector, here down and to the
// right at a slope of one half from (24, 24), however far: with the turn's arms a million or ten million
// units long (one unit apart at their far ends) the miter reaches some 2 x 10^7 or 2 x 10^8 pixels, past
// the drawing layer's coordinates, and the picture shows the same.
TEST(MetafilePens, AMiterFarBeyondThePictureKeepsItsDirection) {
    auto play = [](int arm) {
        Emf e = Emf48();
        e.Record(58, Fields().F32(1e9f));  // EMR_SETMITERLIMIT
        ExtPen(e, kGeometric | kJoinMiter, 20);
        Line(e, {{-arm, -arm / 2}, {24, 24}, {-arm, -arm / 2 + 1}});
        return Play(e.Finish());
    };
    const Played near = play(1000000);
    ASSERT_EQ(near.err, 0);
    EXPECT_EQ(near.At(47, 35), kRed);
    EXPECT_EQ(near.At(47, 47), kGrey);
    EXPECT_EQ(near.At(40, 47), kGrey);
    const Played far = play(10000000);
    ASSERT_EQ(far.err, 0);
    int differ = 0;
    for (UINT y = 0; y < 48; ++y)
        for (UINT x = 0; x < 48; ++x) differ += far.At(x, y) != near.At(x, y);
    EXPECT_EQ(differ, 0);
}

// Lines far longer than the picture stroke the part that shows, with the pattern running on as over the
// whole length.
TEST(MetafilePens, LongLinesKeepTheirDashes) {
    const std::vector<EmfRow> rows = {
        {"a wide dashed line from far off", [](Emf& e) {
             ExtPen(e, kGeometric | kCapFlat | 1, 4);
             Line(e, {{-1600000 + 2, 24}, {1000000, 24}});  // 100,000 periods of 16 before the picture
         },
         {{8, 24, kRed}, {16, 24, kGrey}, {24, 24, kRed}, {32, 24, kGrey}}},
        {"a pen far wider than the picture draws its dashes across it", [](Emf& e) {
             ExtPen(e, kGeometric | kCapFlat | 7, 1000000, {10, 10});
             Line(e, {{-1000000, 24}, {1000000, 24}});  // 50,000 periods of 20 before the picture
         },
         {{5, 5, kRed}, {15, 40, kGrey}, {25, 24, kRed}, {35, 2, kGrey}, {45, 46, kRed}}},
        {"a one-pixel dotted line from far off", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 0, 2)).Dwords(EMR_SELECTOBJECT, {1});
             Line(e, {{-600000, 24}, {1000000, 24}});  // 100,000 periods of 6 before the picture
         },
         {{1, 24, kRed}, {4, 24, kGrey}, {7, 24, kRed}}},
    };
    CheckEmfRows(rows);
}

// A line scaled so far beyond the picture (its ends some 1e17 pixels off) that a few pixels are lost
// against the distance from its start: the part that shows still takes its dashes, and a user style
// whose gaps are all empty draws solid. One-pixel pens, whose pattern lengths are pixels whatever the
// scale; the pattern's phase at the picture is not pinned, only how much of the row it inks.
TEST(MetafilePens, DashesOfALineFromBeyondTheCoordinatesPrecision) {
    struct Case {
        const char* name;
        std::function<void(Emf&)> pen;
        int minRed, maxRed;  // of the row's 48 pixels
    } cases[] = {
        {"a user style without gaps", [](Emf& e) { ExtPen(e, 7, 0, {2, 0}); }, 48, 48},
        {"a user style without gaps, four lengths", [](Emf& e) { ExtPen(e, 7, 0, {3, 0, 5, 0}); }, 48, 48},
        {"dots", [](Emf& e) { e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 0, 2)).Dwords(EMR_SELECTOBJECT, {1}); }, 18, 30},
        {"a user style of dashes and gaps", [](Emf& e) { ExtPen(e, 7, 0, {4, 4}); }, 18, 30},
    };
    for (const Case& c : cases) {
        Emf e = Emf48();
        e.Record(EMR_SETWORLDTRANSFORM, Fields().F32(1e8f).F32(0).F32(0).F32(1).F32(0).F32(0));
        c.pen(e);
        Line(e, {{-1000000000, 24}, {1000000000, 24}});
        const Played p = Play(e.Finish());
        ASSERT_EQ(p.err, 0) << c.name;
        int red = 0;
        for (UINT x = 0; x < 48; ++x) red += p.At(x, 24) == kRed;
        EXPECT_GE(red, c.minRed) << c.name;
        EXPECT_LE(red, c.maxRed) << c.name;
        EXPECT_EQ(p.At(24, 23), kGrey) << c.name;
    }
}

// A wide round-joined pen along a polyline of 100,000 sharp turns (a 400 KB file): the outline holds a
// disc of up to 128 points at every vertex, some 13 million points in all, which neither the stroke nor
// the widened path holds at once (a path keeps at most 4,194,304 points, as it does when recorded). Each
// play runs in a child process whose largest resident size is read back (under the address sanitizer
// only the picture is checked).
TEST(MetafilePens, AWideStrokeOfManyTurnsHoldsABoundedOutline) {
    std::vector<POINT> turns;
    for (int i = 0; i < 100000; ++i) turns.push_back({i % 2 ? 10 : 40, 10 + i % 7});
    const std::vector<std::pair<const char*, std::function<void(Emf&)>>> cases = {
        {"stroked", [&](Emf& e) { e.Record(EMR_POLYLINE16, EmfPoints(turns, true)); }},
        {"widened and filled", [&](Emf& e) {
             e.Record(EMR_BEGINPATH, {}).Record(EMR_POLYLINE16, EmfPoints(turns, true)).Record(EMR_ENDPATH, {});
             e.Record(EMR_WIDENPATH, {}).Record(EMR_FILLPATH, Fields().I32(0).I32(0).I32(0).I32(0));
         }},
    };
    for (const auto& [name, records] : cases) {
        Emf e = Emf48();
        ExtPen(e, kGeometric, 200);
        SelectNewBrush(e, 2, kRed);
        records(e);
        const Bytes file = e.Finish();
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const Played p = Play(file);
            bool inked = p.err == 0;
            for (UINT y = 0; y < 48 && inked; y += 47)
                for (UINT x = 0; x < 48 && inked; x += 47) inked = p.At(x, y) == kRed;
            _exit(inked ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid) << name;
        ASSERT_TRUE(WIFEXITED(status)) << name;
        EXPECT_EQ(WEXITSTATUS(status), 0) << name << ": the outline covers the picture";
    }
    if (kOwnAllocator) return;
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 256 * 1024) << "kilobytes resident at most";
}
