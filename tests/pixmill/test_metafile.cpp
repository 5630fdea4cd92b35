// Metafiles: small EMF and WMF files made by the byte builder, played from memory and from files, with
// pixel probes computed by hand from the mapping and the drawing layer's pixel rules; the frame and
// extent arithmetic; the writers; hostile files.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "mfbuild.h"
#include "mfplay.h"
#include "pixmill/pxalloc.h"
#include "pixmill/pxmetafile.h"
#include "pxtest.h"

namespace {

using namespace mfbuild;
using namespace mfplay;
using pxtest::Owned;

}  // namespace

TEST(Metafile, EmfRecordFamilies) {
    const Bytes dib = Dib2x2();
    const std::vector<POINT> pentagram = {{24, 4}, {36, 40}, {5, 17}, {43, 17}, {12, 40}};
    const std::vector<EmfRow> rows = {
        {"rectangle, null pen", [](Emf& e) { SelectNewBrush(e, 1, kRed); NullPen(e); e.Dwords(EMR_RECTANGLE, {10, 10, 30, 20}); },
         {{10, 10, kRed}, {28, 18, kRed}, {29, 18, kGrey}, {28, 19, kGrey}, {9, 10, kGrey}}},
        {"rectangle with a pen", [](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             e.Record(EMR_CREATEPEN, EmfPen(2, kBlue)).Dwords(EMR_SELECTOBJECT, {2});
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 20});
         },
         {{11, 11, kRed}, {10, 15, kBlue}, {29, 15, kBlue}, {20, 19, kBlue}, {20, 20, kGrey}}},
        {"ellipse", [](Emf& e) { SelectNewBrush(e, 1, kGreen); NullPen(e); e.Dwords(EMR_ELLIPSE, {8, 8, 40, 40}); },
         {{24, 24, kGreen}, {24, 8, kGreen}, {8, 8, kGrey}, {39, 39, kGrey}}},
        {"polygon", [](Emf& e) { SelectNewBrush(e, 1, kBlue); NullPen(e); e.Record(EMR_POLYGON, EmfPoints({{10, 10}, {40, 10}, {10, 40}}, false)); },
         {{12, 12, kBlue}, {30, 12, kBlue}, {38, 38, kGrey}}},
        {"polygon, 16-bit points", [](Emf& e) { SelectNewBrush(e, 1, kBlue); NullPen(e); e.Record(EMR_POLYGON16, EmfPoints({{10, 10}, {40, 10}, {10, 40}}, true)); },
         {{12, 12, kBlue}, {30, 12, kBlue}, {38, 38, kGrey}}},
        {"polyline", [](Emf& e) { e.Record(EMR_POLYLINE, EmfPoints({{5, 5}, {40, 5}, {40, 40}}, false)); },
         {{20, 5, kBlack}, {40, 20, kBlack}, {40, 40, kGrey}, {20, 6, kGrey}}},
        {"move and line", [](Emf& e) { e.Dwords(EMR_MOVETOEX, {5, 44}).Dwords(EMR_LINETO, {40, 44}); },
         {{5, 44, kBlack}, {39, 44, kBlack}, {40, 44, kGrey}, {5, 45, kGrey}}},
        {"polypolygon", [](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).U32(2).U32(8).U32(4).U32(4);
             for (POINT p : std::vector<POINT>{{5, 5}, {15, 5}, {15, 15}, {5, 15}, {25, 25}, {35, 25}, {35, 35}, {25, 35}}) f.I32(p.x).I32(p.y);
             e.Record(EMR_POLYPOLYGON, f);
         },
         {{10, 10, kRed}, {30, 30, kRed}, {20, 20, kGrey}}},
        {"polybezier", [](Emf& e) { e.Record(EMR_POLYBEZIER16, EmfPoints({{5, 30}, {15, 30}, {25, 30}, {35, 30}}, true)); },
         {{20, 30, kBlack}, {34, 30, kBlack}, {20, 31, kGrey}, {20, 29, kGrey}}},
        {"polybezier from the current position", [](Emf& e) {
             e.Dwords(EMR_MOVETOEX, {5, 30}).Record(EMR_POLYBEZIERTO16, EmfPoints({{15, 30}, {25, 30}, {35, 30}}, true));
             e.Dwords(EMR_LINETO, {35, 40});  // from the curve's end
         },
         {{20, 30, kBlack}, {35, 35, kBlack}, {36, 35, kGrey}}},
        {"wide pen, stroked as polygons", [](Emf& e) {
             e.Record(EMR_CREATEPEN, EmfPen(1, kRed, 6)).Dwords(EMR_SELECTOBJECT, {1});
             e.Record(EMR_POLYLINE, EmfPoints({{10, 24}, {38, 24}}, false));
         },
         {{24, 21, kRed}, {24, 26, kRed}, {24, 20, kGrey}, {24, 27, kGrey}, {8, 24, kRed}, {42, 24, kGrey}}},
        {"path filled", [](Emf& e) {
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_MOVETOEX, {10, 10}).Dwords(EMR_LINETO, {30, 10}).Dwords(EMR_LINETO, {30, 30});
             e.Record(EMR_CLOSEFIGURE, {}).Record(EMR_ENDPATH, {});
             SelectNewBrush(e, 1, kGreen);
             e.Dwords(EMR_FILLPATH, {0, 0, 0, 0});
         },
         {{28, 12, kGreen}, {12, 28, kGrey}, {10, 5, kGrey}}},
        {"path stroked", [](Emf& e) {
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_MOVETOEX, {5, 40}).Dwords(EMR_LINETO, {40, 40}).Record(EMR_ENDPATH, {});
             e.Dwords(EMR_STROKEPATH, {0, 0, 0, 0});
         },
         {{20, 40, kBlack}, {20, 41, kGrey}}},
        {"shapes inside a path draw nothing by themselves", [](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_RECTANGLE, {10, 10, 30, 30}).Record(EMR_ENDPATH, {});
         },
         {{20, 20, kGrey}, {10, 10, kGrey}}},
        {"path of a rectangle, stroked and filled", [](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             e.Record(EMR_BEGINPATH, {}).Dwords(EMR_RECTANGLE, {10, 10, 30, 30}).Record(EMR_ENDPATH, {});
             e.Dwords(EMR_STROKEANDFILLPATH, {0, 0, 0, 0});
         },
         {{20, 20, kRed}, {10, 20, kBlack}, {30, 20, kBlack}, {31, 20, kGrey}}},
        {"world translation", [](Emf& e) {
             Fields xf;
             xf.F32(1).F32(0).F32(0).F32(1).F32(10).F32(5);
             e.Record(EMR_SETWORLDTRANSFORM, xf);
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 10, 10});
         },
         {{10, 5, kRed}, {18, 13, kRed}, {19, 13, kGrey}, {9, 5, kGrey}}},
        {"world scale, set by modification", [](Emf& e) {
             Fields xf;
             xf.F32(2).F32(0).F32(0).F32(2).F32(0).F32(0).U32(4);
             e.Record(EMR_MODIFYWORLDTRANSFORM, xf);
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 10, 10});
         },
         {{18, 18, kRed}, {19, 19, kGrey}}},
        {"world rotation", [](Emf& e) {
             Fields xf;  // x' = 40 - y, y' = x
             xf.F32(0).F32(1).F32(-1).F32(0).F32(40).F32(0);
             e.Record(EMR_SETWORLDTRANSFORM, xf);
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 20, 10});
         },
         {{35, 10, kRed}, {30, 19, kRed}, {29, 10, kGrey}, {35, 20, kGrey}}},
        {"anisotropic mapping", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {8}).Dwords(EMR_SETWINDOWEXTEX, {100, 100}).Dwords(EMR_SETVIEWPORTEXTEX, {48, 48});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 50, 50});
         },
         {{22, 22, kRed}, {23, 23, kGrey}}},
        {"isotropic mapping keeps one scale", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {7}).Dwords(EMR_SETWINDOWEXTEX, {100, 50}).Dwords(EMR_SETVIEWPORTEXTEX, {48, 48});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 100, 50});
         },
         {{46, 22, kRed}, {10, 23, kGrey}}},
        {"tenths of a millimetre, y up", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {2});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 127, -127});  // 12.7 mm: 48 pixels
         },
         {{0, 0, kRed}, {46, 46, kRed}, {47, 47, kGrey}}},
        {"viewport and window origins", [](Emf& e) {
             e.Dwords(EMR_SETVIEWPORTORGEX, {20, 20}).Dwords(EMR_SETWINDOWORGEX, {-5, 0});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 10, 10});
         },
         {{25, 20, kRed}, {24, 20, kGrey}, {33, 28, kRed}, {34, 28, kGrey}}},
        {"clip rectangle", [](Emf& e) {
             e.Dwords(EMR_INTERSECTCLIPRECT, {10, 10, 20, 20});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {0, 0, 48, 48});
         },
         {{15, 15, kRed}, {10, 10, kRed}, {19, 19, kRed}, {9, 15, kGrey}, {20, 15, kGrey}, {15, 20, kGrey}}},
        {"saved and restored state", [](Emf& e) {
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kRed)).Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(2, kBlue));
             e.Dwords(EMR_SELECTOBJECT, {1}).Record(EMR_SAVEDC, {}).Dwords(EMR_SELECTOBJECT, {2});
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 0, 5, 5}).Dwords(EMR_RESTOREDC, {-1});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 30, 30});
         },
         {{20, 20, kRed}}},
        {"stock objects", [](Emf& e) {
             e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 4}});
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 20, 20});
         },
         {{15, 15, kBlack}, {20, 20, kGrey}}},
        {"a deleted object stays selected, a new one in its slot does not", [](Emf& e) {
             SelectNewBrush(e, 1, kRed);
             e.Dwords(EMR_DELETEOBJECT, {1}).Dwords(EMR_SELECTOBJECT, {1});
             e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kBlue));
             NullPen(e);
             e.Dwords(EMR_RECTANGLE, {10, 10, 20, 20});
         },
         {{15, 15, kRed}}},
        {"polygon fill modes: alternate", [&](Emf& e) { SelectNewBrush(e, 1, kRed); NullPen(e); e.Record(EMR_POLYGON, EmfPoints(pentagram, false)); },
         {{24, 24, kGrey}, {24, 8, kRed}}},
        {"polygon fill modes: winding", [&](Emf& e) {
             e.Dwords(EMR_SETPOLYFILLMODE, {2});
             SelectNewBrush(e, 1, kRed);
             NullPen(e);
             e.Record(EMR_POLYGON, EmfPoints(pentagram, false));
         },
         {{24, 24, kRed}, {24, 8, kRed}}},
        {"opaque text rectangle", [](Emf& e) {
             e.Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}}).Record(EMR_EXTTEXTOUTW, EmfText(30, 30, "", 2, {30, 30, 40, 40}));
         },
         {{30, 30, kBlue}, {39, 39, kBlue}, {40, 40, kGrey}, {29, 35, kGrey}}},
        {"a DIB stretched", [&](Emf& e) { e.Record(EMR_STRETCHDIBITS, EmfStretchDib(8, 8, 16, 16, 0, 0, 2, 2, dib)); },
         {{8, 8, kRed}, {15, 15, kRed}, {16, 8, kGreen}, {8, 16, kBlue}, {23, 23, kWhite}, {7, 7, kGrey}, {24, 24, kGrey}}},
        {"a DIB's source rectangle counts from its bottom row", [&](Emf& e) {
             e.Record(EMR_STRETCHDIBITS, EmfStretchDib(30, 30, 4, 4, 1, 0, 1, 1, dib));
         },
         {{30, 30, kWhite}, {33, 33, kWhite}, {34, 34, kGrey}}},
        {"bit block transfer of a bitmap (rows from the top)", [&](Emf& e) {
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).I32(40).I32(0).I32(4).I32(4).U32(0x00CC0020).I32(1).I32(0);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(100).U32(40).U32(140).U32(static_cast<uint32_t>(dib.size() - 40));
             e.Record(EMR_BITBLT, f.Raw(dib));
         },
         {{40, 0, kGreen}, {40, 1, kWhite}, {39, 0, kGrey}}},
        {"a bitmap stretched by STRETCHBLT, inverted onto the background", [&](Emf& e) {
             Fields f;  // the source's right column (green over white) onto 2 x 8 pixels, NOTSRCCOPY
             f.I32(0).I32(0).I32(0).I32(0).I32(44).I32(20).I32(2).I32(8).U32(0x00330008).I32(1).I32(0);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(108).U32(40).U32(148).U32(static_cast<uint32_t>(dib.size() - 40));
             f.I32(1).I32(2);
             e.Record(EMR_STRETCHBLT, f.Raw(dib));
         },
         {{44, 20, RGB(255, 0, 255)}, {45, 23, RGB(255, 0, 255)}, {44, 24, kBlack}, {45, 27, kBlack}, {46, 24, kGrey}}},
        {"bit block transfer of the brush", [](Emf& e) {
             SelectNewBrush(e, 1, kBlue);
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).I32(0).I32(40).I32(8).I32(8).U32(kPatCopy).I32(0).I32(0);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
             e.Record(EMR_BITBLT, f);
         },
         {{0, 40, kBlue}, {7, 47, kBlue}, {8, 47, kGrey}}},
        {"bits set to the device, one scan line of two", [&](Emf& e) {
             // The bits hold scan line 1 only: the picture's top row (red, green).
             Fields f;
             const Bytes top(dib.begin() + 48, dib.end());
             Bytes info(dib.begin(), dib.begin() + 40);
             f.I32(0).I32(0).I32(0).I32(0).I32(0).I32(40).I32(0).I32(0).I32(2).I32(2);
             f.U32(76).U32(40).U32(116).U32(static_cast<uint32_t>(top.size())).U32(0).U32(1).U32(1);
             e.Record(EMR_SETDIBITSTODEVICE, f.Raw(info).Raw(top));
         },
         {{0, 40, kRed}, {1, 40, kGreen}, {0, 41, kGrey}}},
    };
    CheckEmfRows(rows);
}

TEST(Metafile, TextInTheLayersFonts) {
    // Right-aligned text ends at its reference point.
    {
        Emf e = Emf48();
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFont(1, -20, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Dwords(EMR_SETTEXTCOLOR, {int64_t{kRed}}).Dwords(EMR_SETBKMODE, {1}).Dwords(EMR_SETTEXTALIGN, {2});
        e.Record(EMR_EXTTEXTOUTW, EmfText(30, 10, "H"));
        const Played p = Play(e.Finish());
        ASSERT_EQ(p.err, 0);
        int left = 0, right = 0;
        for (UINT y = 0; y < 48; ++y)
            for (UINT x = 0; x < 48; ++x)
                if (p.At(x, y) == kRed) ++(x < 30 ? left : right);
        EXPECT_GT(left, 20);
        EXPECT_EQ(right, 0);
    }
    // Red text inside its cell, nothing outside; OPAQUE fills the cell with the background colour.
    for (int mode : {1, 2}) {
        Emf e = Emf48();
        e.Record(EMR_EXTCREATEFONTINDIRECTW, EmfFont(1, -20, "DejaVu Sans")).Dwords(EMR_SELECTOBJECT, {1});
        e.Dwords(EMR_SETTEXTCOLOR, {int64_t{kRed}}).Dwords(EMR_SETBKMODE, {mode}).Dwords(EMR_SETBKCOLOR, {int64_t{kBlue}});
        e.Record(EMR_EXTTEXTOUTW, EmfText(10, 10, "H"));
        const Played p = Play(e.Finish());
        ASSERT_EQ(p.err, 0);
        int red = 0, blue = 0, outside = 0;
        for (UINT y = 0; y < 48; ++y) {
            for (UINT x = 0; x < 48; ++x) {
                const COLORREF c = p.At(x, y);
                const bool inCell = x >= 10 && x < 40 && y >= 10 && y < 40;
                if (c == kRed) ++red;
                if (c == kBlue) ++blue;
                if (!inCell && c != kGrey) ++outside;
            }
        }
        EXPECT_GT(red, 20) << mode;
        EXPECT_EQ(outside, 0) << mode;
        EXPECT_EQ(blue > 0, mode == 2) << mode;
    }
}

// ---- Windows metafiles -----------------------------------------------------------------------------

TEST(Metafile, WmfRecordFamilies) {
    const Bytes dib = Dib2x2();
    const std::vector<WmfRow> rows = {
        {"rectangle", [](Wmf& w) { WmfNewBrush(w, kRed); w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {20, 30, 10, 10}); },
         {{10, 10, kRed}, {28, 18, kRed}, {29, 18, kGrey}, {28, 19, kGrey}}},
        {"rectangle with a pen", [](Wmf& w) {
             WmfNewBrush(w, kRed);
             w.Record(META_CREATEPENINDIRECT, WmfPen(kBlue)).Record(META_SELECTOBJECT, {1}).Record(META_SELECTOBJECT, {2});
             w.Record(META_RECTANGLE, {20, 30, 10, 10});
         },
         {{11, 11, kRed}, {10, 15, kBlue}, {29, 15, kBlue}, {20, 20, kGrey}}},
        {"ellipse", [](Wmf& w) { WmfNewBrush(w, kGreen); w.Record(META_SELECTOBJECT, {1}).Record(META_ELLIPSE, {40, 40, 8, 8}); },
         {{24, 24, kGreen}, {24, 8, kGreen}, {8, 8, kGrey}}},
        {"polygon", [](Wmf& w) { WmfNewBrush(w, kBlue); w.Record(META_SELECTOBJECT, {1}).Record(META_POLYGON, WmfPoints({{10, 10}, {40, 10}, {10, 40}})); },
         {{12, 12, kBlue}, {38, 38, kGrey}}},
        {"polyline", [](Wmf& w) {
             w.Record(META_CREATEPENINDIRECT, WmfPen(kBlack)).Record(META_SELECTOBJECT, {1});
             w.Record(META_POLYLINE, WmfPoints({{5, 5}, {40, 5}, {40, 40}}));
         },
         {{20, 5, kBlack}, {40, 20, kBlack}, {40, 40, kGrey}}},
        {"move and line", [](Wmf& w) {
             w.Record(META_CREATEPENINDIRECT, WmfPen(kBlack)).Record(META_SELECTOBJECT, {1});
             w.Record(META_MOVETO, {44, 5}).Record(META_LINETO, {44, 40});
         },
         {{5, 44, kBlack}, {39, 44, kBlack}, {40, 44, kGrey}}},
        {"polypolygon", [](Wmf& w) {
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1});
             w.Record(META_POLYPOLYGON, {2, 4, 4, 5, 5, 15, 5, 15, 15, 5, 15, 25, 25, 35, 25, 35, 35, 25, 35});
         },
         {{10, 10, kRed}, {30, 30, kRed}, {20, 20, kGrey}}},
        {"text", [](Wmf& w) {
             w.Record(META_CREATEFONTINDIRECT, WmfFont(-20, "DejaVu Sans")).Record(META_SELECTOBJECT, {1});
             w.Record(META_SETTEXTCOLOR, {static_cast<int>(kRed & 0xFFFF), static_cast<int>(kRed >> 16)});
             w.Record(META_SETBKMODE, {1});
             Fields t;
             t.U16(1).Raw(std::string("H")).U16(0).I16(10).I16(10);
             t.b.erase(t.b.begin() + 3);  // one byte of text and its pad byte
             w.Record(META_TEXTOUT, t);
         },
         {{5, 5, kGrey}, {45, 45, kGrey}}},
        {"text with an opaque rectangle", [](Wmf& w) {
             w.Record(META_SETBKCOLOR, {static_cast<int>(kBlue & 0xFFFF), static_cast<int>(kBlue >> 16)});
             Fields t;
             t.I16(30).I16(30).U16(0).U16(2).I16(30).I16(30).I16(40).I16(40);
             w.Record(META_EXTTEXTOUT, t);
         },
         {{30, 30, kBlue}, {39, 39, kBlue}, {40, 40, kGrey}}},
        {"a DIB stretched", [&](Wmf& w) {
             Fields f;
             f.U32(0x00CC0020).U16(0).I16(2).I16(2).I16(0).I16(0).I16(16).I16(16).I16(8).I16(8).Raw(dib);
             w.Record(META_STRETCHDIB, f);
         },
         {{8, 8, kRed}, {16, 8, kGreen}, {8, 16, kBlue}, {23, 23, kWhite}, {24, 24, kGrey}}},
        {"a bitmap stretched (rows from the top)", [&](Wmf& w) {
             Fields f;
             f.U32(0x00CC0020).I16(1).I16(1).I16(1).I16(0).I16(4).I16(4).I16(40).I16(40).Raw(dib);
             w.Record(META_DIBSTRETCHBLT, f);
         },
         {{40, 40, kBlue}, {43, 43, kBlue}, {44, 44, kGrey}}},
        {"a bitmap copied", [&](Wmf& w) {
             Fields f;
             f.U32(0x00CC0020).I16(0).I16(0).I16(2).I16(2).I16(0).I16(40).Raw(dib);
             w.Record(META_DIBBITBLT, f);
         },
         {{40, 0, kRed}, {41, 1, kWhite}, {42, 0, kGrey}}},
        {"the brush copied (no bitmap)", [](Wmf& w) {
             WmfNewBrush(w, kBlue);
             w.Record(META_SELECTOBJECT, {1});
             Fields f;
             f.U32(kPatCopy).I16(0).I16(8).I16(8).I16(40).I16(0);
             w.Record(META_DIBBITBLT, f);
         },
         {{0, 40, kBlue}, {7, 47, kBlue}, {8, 40, kGrey}}},
        {"window of twice the box", [](Wmf& w) {
             w.Record(META_SETWINDOWEXT, {96, 96});
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {48, 48, 0, 0});
         },
         {{22, 22, kRed}, {23, 23, kGrey}}},
        {"window origin", [](Wmf& w) {
             w.Record(META_SETWINDOWORG, {-10, -10});
             WmfNewBrush(w, kRed);
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {10, 10, 0, 0});
         },
         {{10, 10, kRed}, {9, 9, kGrey}}},
        {"saved and restored state", [](Wmf& w) {
             WmfNewBrush(w, kRed);
             WmfNewBrush(w, kBlue);
             w.Record(META_SELECTOBJECT, {1}).Record(META_SAVEDC, {}).Record(META_SELECTOBJECT, {2}).Record(META_RESTOREDC, {-1});
             w.Record(META_RECTANGLE, {30, 30, 10, 10});
         },
         {{20, 20, kRed}}},
        {"each create record fills the lowest free slot", [](Wmf& w) {
             WmfNewBrush(w, kRed);    // slot 1
             WmfNewBrush(w, kBlue);   // slot 2
             w.Record(META_DELETEOBJECT, {1});
             WmfNewBrush(w, kGreen);  // slot 1 again
             w.Record(META_SELECTOBJECT, {1}).Record(META_RECTANGLE, {30, 30, 10, 10});
         },
         {{20, 20, kGreen}}},
        {"other create records take their slot too", [](Wmf& w) {
             WmfNewBrush(w, kRed);  // slot 1
             w.Record(META_DELETEOBJECT, {1}).Record(META_CREATEPALETTE, {0x300, 0});  // the palette: slot 1
             WmfNewBrush(w, kGreen);                                                 // slot 2
             w.Record(META_SELECTOBJECT, {2}).Record(META_RECTANGLE, {30, 30, 10, 10});
         },
         {{20, 20, kGreen}}},
    };
    CheckWmfRows(rows);
}

TEST(Metafile, ExtentsAndRasterSizes) {
    // A placeable box of (0, 0, 1000, 500) at 1000 units per inch: extents 2540 x 1270 (0.01 mm), which the
    // 96-dpi reference screen shows as 96 x 48 pixels; the box's units cover them.
    Wmf box;
    box.Record(META_CREATEBRUSHINDIRECT, WmfBrush(kRed)).Record(META_SELECTOBJECT, {0});
    box.Record(META_RECTANGLE, {250, 500, 0, 0});  // the box's left half, top half: 48 x 24 pixels
    Played p = Play(box.FinishPlaceable(1000, 0, 0, 1000, 500));
    ASSERT_EQ(p.err, 0);
    EXPECT_EQ(p.w, 96u);
    EXPECT_EQ(p.h, 48u);
    EXPECT_EQ(p.At(1, 1), kRed);
    EXPECT_EQ(p.At(46, 22), kRed);
    EXPECT_EQ(p.At(48, 10), kGrey);
    EXPECT_EQ(p.At(10, 24), kGrey);
    // A box that does not start at 0: its corner is the window's origin.
    Wmf shifted;
    shifted.Record(META_CREATEBRUSHINDIRECT, WmfBrush(kRed)).Record(META_SELECTOBJECT, {0});
    shifted.Record(META_RECTANGLE, {200, 200, 100, 100});
    p = Play(shifted.FinishPlaceable(96, 100, 100, 148, 148));
    ASSERT_EQ(p.err, 0);
    EXPECT_EQ(p.w, 48u);
    EXPECT_EQ(p.At(0, 0), kBlack);  // the pen's outline
    EXPECT_EQ(p.At(1, 1), kRed);

    // Without the placeable header: 1000 x 1000 hundredths of a millimetre whatever the defaults,
    // 1000 x 1920 / 50800 = 37.8 -> 37 pixels.
    Wmf plain;
    p = Play(plain.Finish());
    ASSERT_EQ(p.err, 0);
    EXPECT_EQ(p.w, 37u);
    EXPECT_EQ(p.h, 37u);

    // The background shows wherever nothing is drawn.
    p = Play(Emf48().Finish(), RGB(1, 2, 3));
    ASSERT_EQ(p.err, 0);
    EXPECT_EQ(p.At(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(p.At(47, 47), RGB(1, 2, 3));

    // An EMF's raster: each frame edge x device pixels / (millimetres x 100), truncated, then right - left.
    struct Case {
        int32_t right, bottom, devX, devY, mmX, mmY;
        UINT w, h;
    } cases[] = {{1270, 1270, 1920, 1440, 508, 381, 48, 48},
                 {264, 264, 1920, 1440, 508, 381, 9, 9},  // the frame a 10 x 10 image is written with
                 {1000, 2000, 800, 600, 320, 240, 25, 50},
                 {999, 999, 100, 100, 1, 1, 999, 999}};
    for (const Case& c : cases) {
        p = Play(Emf(c.right, c.bottom, 1, c.devX, c.devY, c.mmX, c.mmY).Finish());
        ASSERT_EQ(p.err, 0) << c.right;
        EXPECT_EQ(p.w, c.w) << c.right;
        EXPECT_EQ(p.h, c.h) << c.right;
    }
}

// ---- writers ----------------------------------------------------------------------------------------

namespace {

using WriterCall = std::function<UINT(SinkHandle, const BYTE*, UINT, UINT)>;

Bytes Write(const WriterCall& write, const pxtest::Image& image, int* err = nullptr) {
    Bytes out(1u << 20);
    SinkHandle sink = OpenMemorySink(out.data(), static_cast<UINT>(out.size()));
    const UINT n = write(sink, image.rgb.data(), image.w, image.h);
    if (err) *err = GetLastErrorCode();
    CloseSink(sink);
    out.resize(n);
    return out;
}

uint32_t Le32(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24); }
uint16_t Le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

}  // namespace

TEST(Metafile, WritersRoundTrip) {
    const WriterCall emf = [](SinkHandle s, const BYTE* rgb, UINT w, UINT h) { return WriteRgbAsEmf(s, rgb, w, h); };
    const WriterCall placeable = [](SinkHandle s, const BYTE* rgb, UINT w, UINT h) { return WriteRgbAsWmf(s, rgb, w, h, 1); };
    const WriterCall plain = [](SinkHandle s, const BYTE* rgb, UINT w, UINT h) { return WriteRgbAsWmf(s, rgb, w, h, 0); };
    const pxtest::Image picture = pxtest::Pattern(24, 24);
    // 24 pixels are 635 hundredths of a millimetre exactly: both kinds come back pixel for pixel.
    for (const WriterCall* writer : {&emf, &placeable}) {
        int err = -1;
        const Bytes file = Write(*writer, picture, &err);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(err, 0);
        const Played p = Play(file);
        ASSERT_EQ(p.err, 0);
        EXPECT_EQ((pxtest::Image{p.w, p.h, Bytes(p.rgb.get(), p.rgb.get() + p.w * p.h * 3)}), picture);
    }
    // The EMF frame of a 10 x 10 image: 10 x 508 x 100 / 1920 = 264 (0.01 mm); read back as 9 x 9.
    const pxtest::Image small = pxtest::Pattern(10, 10);
    const Bytes file = Write(emf, small);
    ASSERT_GE(file.size(), 88u);
    EXPECT_EQ(Le32(file, 24 + 8), 264u);
    EXPECT_EQ(Le32(file, 24 + 12), 264u);
    EXPECT_EQ(Le32(file, 48), file.size());
    Played p = Play(file);
    EXPECT_EQ(p.err, 0);
    EXPECT_EQ(p.w, 9u);
    EXPECT_EQ(p.h, 9u);
    // The placeable header: 22 bytes more, the frame in 1/1000 inch, and the checksum of its ten words.
    const Bytes withHeader = Write(placeable, small), without = Write(plain, small);
    ASSERT_EQ(withHeader.size(), without.size() + 22);
    EXPECT_EQ(Le32(withHeader, 0), 0x9AC6CDD7u);
    EXPECT_EQ(Le16(withHeader, 10), 264 * 1000 / 2540);
    EXPECT_EQ(Le16(withHeader, 14), 1000);
    uint16_t sum = 0;
    for (size_t i = 0; i < 10; ++i) sum ^= Le16(withHeader, 2 * i);
    EXPECT_EQ(Le16(withHeader, 20), sum);
    EXPECT_TRUE(std::equal(without.begin(), without.end(), withHeader.begin() + 22));
    // Without the header the Windows metafile plays at 1000 x 1000 hundredths of a millimetre.
    p = Play(without);
    EXPECT_EQ(p.err, 0);
    EXPECT_EQ(p.w, 37u);
    // A frame the placeable header's 16-bit box cannot hold at 1000 units per inch takes a smaller unit.
    const pxtest::Image wide = pxtest::Pattern(4000, 2);
    const Bytes big = Write(placeable, wide);
    ASSERT_FALSE(big.empty());
    const uint16_t upi = Le16(big, 14);
    EXPECT_LT(upi, 1000);
    EXPECT_LE(Le16(big, 10), 32767);
    p = Play(big);
    EXPECT_EQ(p.err, 0);
    EXPECT_NEAR(p.w, 4000.0, 4000.0 * 3 / upi);
    // Images a Windows metafile cannot hold, a sink too small, no image.
    int err = -1;
    EXPECT_TRUE(Write(plain, pxtest::Image{40000, 1, Bytes(120000)}, &err).empty());
    EXPECT_EQ(err, 5);
    Bytes tiny(100);
    SinkHandle sink = OpenMemorySink(tiny.data(), 100);
    EXPECT_EQ(WriteRgbAsEmf(sink, picture.rgb.data(), 24, 24), 0u);
    EXPECT_EQ(GetLastErrorCode(), 4);
    EXPECT_EQ(WriteRgbAsWmf(sink, nullptr, 24, 24, 1), 0u);
    EXPECT_EQ(GetLastErrorCode(), 5);
    CloseSink(sink);
}

TEST(Metafile, FilesAndTheirErrors) {
    pxtest::TempDir dir;
    const pxtest::Image picture = pxtest::Pattern(24, 24);
    SinkHandle sink = OpenFileSink(dir.Path("image.emf").c_str());
    ASSERT_NE(WriteRgbAsEmf(sink, picture.rgb.data(), 24, 24), 0u);
    CloseSink(sink);
    UINT w = 0, h = 0;
    Owned rgb(ReadMetafileToRgb(dir.Path("image.emf").c_str(), &w, &h, 100, 100, kGrey));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(GetLastErrorCode(), 0);
    EXPECT_EQ(Bytes(rgb.get(), rgb.get() + w * h * 3), picture.rgb);
    pxtest::WriteFileBytes(dir.Path("empty.wmf"), {});
    pxtest::WriteFileBytes(dir.Path("junk.wmf"), Bytes(100, 7));
    struct Case {
        const char* path;
        int code;
    } cases[] = {{nullptr, 5}, {"missing.emf", 2}, {"empty.wmf", 27}, {"junk.wmf", 40}};
    for (const Case& c : cases) {
        const std::string path = c.path ? dir.Path(c.path) : "";
        w = h = 7;
        EXPECT_EQ(ReadMetafileToRgb(c.path ? path.c_str() : nullptr, &w, &h, 100, 100, kGrey), nullptr);
        EXPECT_EQ(GetLastErrorCode(), c.code) << (c.path ? c.path : "null");
        EXPECT_EQ(w + h, 0u);
    }
}

namespace {

int g_nReports = 0;
BOOL StopAtSecond(UINT done, UINT total) {
    EXPECT_EQ(total, 4u);
    EXPECT_EQ(done, static_cast<UINT>(g_nReports));
    return ++g_nReports < 2;
}

}  // namespace

TEST(Metafile, ProgressStopsTheRead) {
    SetProgressCallback(StopAtSecond);
    g_nReports = 0;
    const Played p = Play(Emf48().Finish());
    SetProgressCallback(nullptr);
    EXPECT_EQ(p.err, 14);
    EXPECT_FALSE(p.rgb);
    EXPECT_EQ(g_nReports, 2);
}

// ---- hostile files ------------------------------------------------------------------------------------

TEST(Metafile, HostileFiles) {
    const Bytes dib = Dib2x2();
    auto emfWith = [](std::function<void(Emf&)> f) {
        Emf e = Emf48();
        f(e);
        return e.Finish();
    };
    auto wmfWith = [](std::function<void(Wmf&)> f, int upi = 96, int right = 48, int bottom = 48) {
        Wmf w;
        f(w);
        return w.FinishPlaceable(upi, 0, 0, right, bottom);
    };
    Bytes cutEmf = emfWith([](Emf& e) { e.Dwords(EMR_RECTANGLE, {0, 0, 10, 10}); });
    cutEmf.resize(cutEmf.size() - 24);  // the rectangle's last bytes and EOF
    Bytes cutWmf = wmfWith([](Wmf& w) { w.Record(META_RECTANGLE, {10, 10, 0, 0}); });
    cutWmf.resize(cutWmf.size() - 8);
    // The header's size follows the cut, so the record loop finds the record past the data.
    const uint32_t cutWords = static_cast<uint32_t>((cutWmf.size() - 22) / 2);
    std::memcpy(&cutWmf[22 + 6], &cutWords, 4);
    // Files cut at a record boundary: their headers claim the bytes that are missing.
    Bytes cutEmfAtRecord = emfWith([](Emf& e) { e.Dwords(EMR_RECTANGLE, {0, 0, 10, 10}); });
    cutEmfAtRecord.resize(cutEmfAtRecord.size() - 20);  // EOF
    Bytes cutPlaceableWmf = wmfWith([](Wmf& w) { w.Record(META_RECTANGLE, {10, 10, 0, 0}); });
    cutPlaceableWmf.resize(cutPlaceableWmf.size() - 6);  // EOF
    Wmf plain;
    plain.Record(META_RECTANGLE, {10, 10, 0, 0});
    Bytes cutPlainWmf = plain.Finish();
    cutPlainWmf.resize(cutPlainWmf.size() - 6);
    struct Case {
        const char* name;
        Bytes file;
        int code;
    } cases[] = {
        {"an EMF record past the data", cutEmf, 27},
        {"a WMF record past the data", cutWmf, 27},
        {"an EMF shorter than its header's size", cutEmfAtRecord, 27},
        {"a WMF shorter than its header's size", cutPlainWmf, 27},
        {"a placeable WMF shorter than its header's size", cutPlaceableWmf, 40},
        {"an EMF record of 4 bytes", emfWith([](Emf& e) { e.RawBytes({43, 0, 0, 0, 4, 0, 0, 0}); }), 27},
        {"an EMF record size not a multiple of 4", emfWith([](Emf& e) { e.RawBytes({43, 0, 0, 0, 10, 0, 0, 0, 0, 0}); }), 27},
        {"a WMF record of 2 words", wmfWith([](Wmf& w) { w.RawBytes({2, 0, 0, 0, 0x1B, 0x04}); }), 27},
        {"no millimetres in the EMF header", Emf(1270, 1270, 1, 1920, 1440, 0, 381).Finish(), 27},
        {"no device pixels in the EMF header", Emf(1270, 1270, 1, 1920, 0, 508, 381).Finish(), 27},
        {"an EMF frame of no pixels", Emf(2, 1270).Finish(), 27},
        {"an EMF header record longer than the file", [] { Bytes b = Emf48().Finish(); b[4] = 0xFF; b[5] = 0xFF; return b; }(), 27},
        {"no units per inch", wmfWith([](Wmf&) {}, 0), 40},
        {"an empty box", wmfWith([](Wmf&) {}, 96, 0, 48), 40},
        {"an inverted box", wmfWith([](Wmf&) {}, 96, 48, -48), 40},
        {"a placeable header before no metafile", [] { Bytes b = Wmf().FinishPlaceable(96, 0, 0, 48, 48); b[22] = 9; return b; }(), 40},
        {"not a metafile", Bytes(64, 0x42), 40},
        {"a frame larger than memory allows", Emf(2000000000, 2000000000).Finish(), 1},
    };
    for (const Case& c : cases) {
        const Played p = Play(c.file);
        EXPECT_EQ(p.err, c.code) << c.name;
        EXPECT_FALSE(p.rgb) << c.name;
        EXPECT_EQ(p.w + p.h, 0u) << c.name;
    }
    // A header that counts more bytes than the file holds, before a file that ends with its end-of-file
    // record, is a writer's miscount, not a cut: the picture plays.
    {
        Bytes overcounted = wmfWith([](Wmf& w) {
            w.Record(META_CREATEBRUSHINDIRECT, WmfBrush(kRed)).Record(META_SELECTOBJECT, {0}).Record(META_RECTANGLE, {40, 40, 30, 30});
        });
        const uint32_t words = static_cast<uint32_t>(overcounted.size() / 2);  // the placeable header counted too
        std::memcpy(&overcounted[22 + 6], &words, 4);
        const Played p = Play(overcounted);
        EXPECT_EQ(p.err, 0);
        ASSERT_TRUE(p.rgb);
        EXPECT_EQ(p.At(35, 35), kRed);
    }
    // Records that lie about their contents are passed over; what follows still plays.
    const auto redSquare = [](Emf& e) { SelectNewBrush(e, 1, kRed); NullPen(e); e.Dwords(EMR_RECTANGLE, {30, 30, 40, 40}); };
    struct Skipped {
        const char* name;
        std::function<void(Emf&)> record;
    } skipped[] = {
        {"a count past its record", [](Emf& e) { Fields f; f.I32(0).I32(0).I32(0).I32(0).U32(1000000).I32(1).I32(1); e.Record(EMR_POLYGON, f); }},
        {"polygon counts past the point count", [](Emf& e) { Fields f; f.I32(0).I32(0).I32(0).I32(0).U32(1).U32(2).U32(0x7FFFFFFF).I32(0).I32(0).I32(5).I32(5); e.Record(EMR_POLYPOLYGON, f); }},
        {"an object past the table", [](Emf& e) { e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(5000, kBlue)).Dwords(EMR_SELECTOBJECT, {5000}); }},
        {"object 0", [](Emf& e) { e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(0, kBlue)).Dwords(EMR_SELECTOBJECT, {0}); }},
        {"a DIB whose bits are short", [&](Emf& e) { Fields f = EmfStretchDib(0, 0, 48, 48, 0, 0, 2, 2, dib); f.b[52] = 4; e.Record(EMR_STRETCHDIBITS, f); }},
        {"a DIB header past its record", [&](Emf& e) { Fields f = EmfStretchDib(0, 0, 48, 48, 0, 0, 2, 2, dib); f.b[40] = 0xF0; e.Record(EMR_STRETCHDIBITS, f); }},
        {"a string past its record", [](Emf& e) { Fields f = EmfText(0, 0, "abc"); f.b[36] = 200; e.Record(EMR_EXTTEXTOUTW, f); }},
        {"a record too short for its fields", [](Emf& e) { e.Dwords(EMR_RECTANGLE, {0, 0}); }},
        {"coordinates at the ends of their range", [](Emf& e) {
             SelectNewBrush(e, 2, kBlue);
             e.Dwords(EMR_RECTANGLE, {INT32_MIN, INT32_MIN, INT32_MAX, 10});
             e.Dwords(EMR_ELLIPSE, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
             e.Record(EMR_CREATEPEN, EmfPen(3, kBlue, 1000000)).Dwords(EMR_SELECTOBJECT, {3});
             e.Record(EMR_POLYLINE, EmfPoints({{INT32_MIN, 0}, {INT32_MAX, 0}}, false));
             e.Dwords(EMR_SELECTOBJECT, {int64_t{kStock | 7}});
             e.Dwords(EMR_INTERSECTCLIPRECT, {0, 20, 48, 48});
         }},
        {"a world transform of huge and impossible numbers", [](Emf& e) {
             Fields xf;
             xf.F32(1e30f).F32(0).F32(0).F32(1e30f).F32(std::numeric_limits<float>::quiet_NaN()).F32(0);
             e.Record(EMR_SETWORLDTRANSFORM, xf);
             xf = Fields();
             xf.F32(1e30f).F32(1e30f).F32(1e30f).F32(1e30f).F32(0).F32(0).U32(4);
             e.Record(EMR_MODIFYWORLDTRANSFORM, xf);
             e.Dwords(EMR_RECTANGLE, {0, 0, 10, 10});
             e.Dwords(EMR_MODIFYWORLDTRANSFORM, {0, 0, 0, 0, 0, 0, 1});  // identity again
         }},
        {"a wide pen under a transform of huge numbers", [](Emf& e) {
             Fields xf;
             xf.F32(1e20f).F32(0).F32(0).F32(1e20f).F32(0).F32(0);
             e.Record(EMR_SETWORLDTRANSFORM, xf);
             e.Record(EMR_CREATEPEN, EmfPen(3, kBlue, 5)).Dwords(EMR_SELECTOBJECT, {3});
             e.Record(EMR_POLYLINE, EmfPoints({{0, 0}, {1, 1}}, false));
             e.Dwords(EMR_MODIFYWORLDTRANSFORM, {0, 0, 0, 0, 0, 0, 1});
         }},
        {"deep saves", [](Emf& e) { for (int i = 0; i < 5000; ++i) e.Record(EMR_SAVEDC, {}); e.Dwords(EMR_RESTOREDC, {-100000}); }},
        {"deep saves, each with a clip of its own", [](Emf& e) {
             for (int i = 0; i < 5000; ++i) e.Record(EMR_SAVEDC, {}).Dwords(EMR_EXCLUDECLIPRECT, {i % 20, 0, i % 20 + 1, 1});
         }},
        {"clip records of impossible modes and regions", [](Emf& e) {
             Fields f;
             f.U32(48).U32(9).U32(32).U32(1).U32(0x7FFFFFFF).U32(0);
             e.Record(75, f);  // EXTSELECTCLIPRGN: a mode past the five, a count past the data
             e.Dwords(67, {77});  // SELECTCLIPPATH without a path
             e.Dwords(26, {INT32_MAX, INT32_MIN});  // OFFSETCLIPRGN without a clip
         }},
    };
    for (const Skipped& s : skipped) {
        const Played p = Play(emfWith([&](Emf& e) { s.record(e); redSquare(e); }));
        EXPECT_EQ(p.err, 0) << s.name;
        ASSERT_TRUE(p.rgb) << s.name;
        EXPECT_EQ(p.At(35, 35), kRed) << s.name;
    }
    // Mapping fields at the ends of their range, from records and from a header of 2,000,000,000
    // millimetres (from which the isotropic and metric modes take their extents): every extent, origin
    // and transform that cannot be taken leaves the mapping as it was, and the picture still plays.
    struct Extreme {
        const char* name;
        std::function<void(Emf&)> records;
    } extremes[] = {
        {"isotropic extents scaled by the largest numerator", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {7});
             e.Dwords(EMR_SCALEWINDOWEXTEX, {INT32_MAX, 1, INT32_MAX, 1}).Dwords(EMR_SCALEVIEWPORTEXTEX, {INT32_MAX, 1, INT32_MAX, 1});
         }},
        {"metric extents scaled by the smallest numerator and denominator", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {5}).Dwords(EMR_SETMAPMODE, {8});
             e.Dwords(EMR_SCALEWINDOWEXTEX, {INT32_MIN, -1, INT32_MIN, 1}).Dwords(EMR_SCALEVIEWPORTEXTEX, {INT32_MIN, -1, 1, INT32_MIN});
         }},
        {"origins at the ends of their range", [](Emf& e) {
             e.Dwords(EMR_SETMAPMODE, {6});
             e.Dwords(EMR_SETWINDOWORGEX, {INT32_MIN, INT32_MAX}).Dwords(EMR_SETVIEWPORTORGEX, {INT32_MAX, INT32_MIN});
         }},
        {"a world transform multiplied past the largest double", [](Emf& e) {
             Fields xf;
             xf.F32(3e38f).F32(0).F32(0).F32(3e38f).F32(3e38f).F32(3e38f).U32(2);
             for (int i = 0; i < 12; ++i) e.Record(EMR_MODIFYWORLDTRANSFORM, xf);
         }},
    };
    for (const Extreme& x : extremes) {
        Emf e(2000000000, 2000000000, 4, 1920, 1440, 2000000000, 2000000000);
        x.records(e);
        e.Dwords(EMR_SETMAPMODE, {1}).Dwords(EMR_MODIFYWORLDTRANSFORM, {0, 0, 0, 0, 0, 0, 1});
        e.Dwords(EMR_SETWINDOWORGEX, {0, 0}).Dwords(EMR_SETVIEWPORTORGEX, {0, 0});
        SelectNewBrush(e, 1, kRed);
        NullPen(e);
        e.Dwords(EMR_RECTANGLE, {0, 0, 100, 100});
        const Played played = Play(e.Finish());
        ASSERT_EQ(played.err, 0) << x.name;
        EXPECT_EQ(played.w, 19u) << x.name;
        EXPECT_EQ(played.h, 14u) << x.name;
        EXPECT_EQ(played.At(10, 10), kRed) << x.name;
    }
    // A WMF object index past its table and a polygon count past its record.
    const Played p = Play(wmfWith([](Wmf& w) {
        w.Record(META_SELECTOBJECT, {7000}).Record(META_DELETEOBJECT, {7000});
        w.Record(META_POLYGON, {30000, 1, 1});
        w.Record(META_CREATEBRUSHINDIRECT, WmfBrush(kRed)).Record(META_SELECTOBJECT, {0});
        w.Record(META_RECTANGLE, {40, 40, 30, 30});
    }));
    EXPECT_EQ(p.err, 0);
    EXPECT_EQ(p.At(35, 35), kRed);
}
