// The records of enhanced metafiles. Every record starts with its type and size (DWORDs); offsets inside
// a record count from its start.
#include <algorithm>
#include <string>
#include <vector>

#include "pixmill/pxmfrecords.h"
#include "platform/crt/cp1252.h"

namespace px::mf {

namespace {

enum EmfRecord : uint32_t {
    kHeader = 1,
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyBezierTo = 5,
    kPolylineTo = 6,
    kPolyPolyline = 7,
    kPolyPolygon = 8,
    kSetWindowExtEx = 9,
    kSetWindowOrgEx = 10,
    kSetViewportExtEx = 11,
    kSetViewportOrgEx = 12,
    kEof = 14,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kMoveToEx = 27,
    kIntersectClipRect = 30,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kEllipse = 42,
    kRectangle = 43,
    kCreatePalette = 49,
    kLineTo = 54,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kBitBlt = 76,
    kStretchBlt = 77,
    kSetDiBitsToDevice = 80,
    kStretchDiBits = 81,
    kExtCreateFontIndirectW = 82,
    kExtTextOutA = 83,
    kExtTextOutW = 84,
    kPolyBezier16 = 85,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolyBezierTo16 = 88,
    kPolylineTo16 = 89,
    kPolyPolyline16 = 90,
    kPolyPolygon16 = 91,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrushPt = 94,
    kExtCreatePen = 95,
};

constexpr DWORD kStockBit = 0x80000000u;

// n points from `at`: 8-byte POINTLs, or 4-byte POINTS when bShort; false when they do not fit.
bool Points(const Fields& r, size_t at, uint64_t n, bool bShort, std::vector<DPoint>& out) {
    const uint64_t each = bShort ? 4 : 8;
    if (n > r.Size() / each || !r.Has(at, n * each)) return false;
    out.resize(static_cast<size_t>(n));
    for (size_t i = 0; i < n; ++i) {
        out[i] = bShort ? DPoint{double(r.I16(at + 4 * i)), double(r.I16(at + 4 * i + 2))}
                        : DPoint{double(r.I32(at + 8 * i)), double(r.I32(at + 8 * i + 4))};
    }
    return true;
}

Xform XformAt(const Fields& r, size_t at) {
    return Xform{r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16), r.F32(at + 20)};
}

// The DIB of a bitmap record: its header at offBmi (cbBmi bytes) and its bits at offBits (cbBits bytes),
// both inside the record. False when there is none or it does not fit.
bool DibOf(const Fields& r, size_t fields, const BITMAPINFO** bmi, size_t* cbInfo, const BYTE** bits, size_t* cbBits) {
    const uint32_t offBmi = r.U32(fields), cbBmi = r.U32(fields + 4), offBits = r.U32(fields + 8),
                   cbBitsIn = r.U32(fields + 12);
    if (cbBmi < sizeof(BITMAPINFOHEADER) || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBitsIn)) return false;
    *bmi = reinterpret_cast<const BITMAPINFO*>(r.At(offBmi));
    *cbInfo = cbBmi;
    *bits = r.At(offBits);
    *cbBits = cbBitsIn;
    return true;
}

// SetDIBitsToDevice: only the scan lines the record holds, copied 1:1 in logical units.
void SetDibBits(Player& player, const Fields& r) {
    const BITMAPINFO* bmi;
    const BYTE* bits;
    size_t cbInfo, cbBits;
    if (!r.Has(0, 76) || !DibOf(r, 48, &bmi, &cbInfo, &bits, &cbBits)) return;
    const UINT usage = r.U32(64);
    gdi::DibFormat f;
    if (!gdi::ParseDib(bmi, cbInfo, usage, &f)) return;
    const int64_t xDest = r.I32(24), yDest = r.I32(28), xSrc = r.I32(32), ySrc = r.I32(36);
    const int64_t cx = r.I32(40), cy = r.I32(44);
    const bool rle = f.compression == BI_RLE8 || f.compression == BI_RLE4;
    const int64_t H = f.height;
    const int64_t start = rle ? 0 : r.U32(68);
    if (start >= H || cx <= 0 || cy <= 0) return;
    const int64_t lines = rle ? H : std::min<int64_t>(r.U32(72), H - start);
    if (lines <= 0) return;
    // Rows of the whole picture, top row 0: the band the bits hold and the source rectangle.
    const int64_t bandTop = f.topDown ? start : H - start - lines;
    const int64_t srcTop = f.topDown ? ySrc : H - ySrc - cy;
    const int64_t r0 = std::max(bandTop, srcTop), r1 = std::min(bandTop + lines, srcTop + cy);
    if (r0 >= r1) return;
    // The band as a DIB of its own height.
    std::vector<BYTE> band(r.At(r.U32(48)), r.At(r.U32(48)) + cbInfo);
    const int32_t bandHeight = static_cast<int32_t>(f.topDown ? -lines : lines);
    std::memcpy(band.data() + 8, &bandHeight, 4);
    const int64_t ys = f.topDown ? r0 - bandTop : (bandTop + lines) - r1;
    player.DrawDib(double(xDest), double(yDest + (r0 - srcTop)), double(cx), double(r1 - r0), static_cast<int>(xSrc),
                   static_cast<int>(ys), static_cast<int>(cx), static_cast<int>(r1 - r0), true,
                   reinterpret_cast<const BITMAPINFO*>(band.data()), cbInfo, bits, cbBits, usage, SRCCOPY);
}

// BITBLT and STRETCHBLT: a source bitmap (top-down coordinates) or, without one, a pattern operation.
void Blit(Player& player, const Fields& r, bool bStretch) {
    if (!r.Has(0, bStretch ? 108 : 100)) return;
    const double x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
    const DWORD rop = r.U32(40);
    const BITMAPINFO* bmi;
    const BYTE* bits;
    size_t cbInfo, cbBits;
    if (r.U32(88) == 0) {
        player.PatBlt(x, y, cx, cy, rop);
        return;
    }
    if (!DibOf(r, 84, &bmi, &cbInfo, &bits, &cbBits)) return;
    const int ws = bStretch ? r.I32(100) : static_cast<int>(cx), hs = bStretch ? r.I32(104) : static_cast<int>(cy);
    player.DrawDib(x, y, cx, cy, r.I32(44), r.I32(48), ws, hs, false, bmi, cbInfo, bits, cbBits, r.U32(80), rop);
}

void Text(Player& player, const Fields& r, bool bWide) {
    if (!r.Has(0, 76)) return;
    const uint64_t n = r.U32(44), off = r.U32(48);
    const UINT options = r.U32(52);
    if (!r.Has(off, n * (bWide ? 2 : 1))) return;
    std::string text;
    if (bWide) {
        std::u16string w(static_cast<size_t>(n), u'\0');
        for (size_t i = 0; i < n; ++i) w[i] = static_cast<char16_t>(r.U16(static_cast<size_t>(off) + 2 * i));
        text = crt::Utf16ToCp1252(w);
    } else {
        text.assign(reinterpret_cast<const char*>(r.At(static_cast<size_t>(off))), static_cast<size_t>(n));
    }
    const double rect[4] = {double(r.I32(56)), double(r.I32(60)), double(r.I32(64)), double(r.I32(68))};
    const bool hasRect = (options & (kEtoOpaque | kEtoClipped)) != 0;
    player.TextOut({double(r.I32(36)), double(r.I32(40))}, text, options, hasRect ? rect : nullptr);
}

// The slot an object record names: 1 to the table's size (0 is the metafile itself).
bool Slot(const Player& player, uint32_t index, size_t* slot) {
    if (index == 0 || index >= player.ObjectSlots()) return false;
    *slot = index;
    return true;
}

void Play(Player& player, uint32_t type, const Fields& r) {
    std::vector<DPoint> pts;
    size_t slot = 0;
    switch (type) {
        case kSetWindowExtEx: if (r.Has(0, 16)) player.SetWindowExt(r.I32(8), r.I32(12)); break;
        case kSetWindowOrgEx: if (r.Has(0, 16)) player.SetWindowOrg(r.I32(8), r.I32(12)); break;
        case kSetViewportExtEx: if (r.Has(0, 16)) player.SetViewportExt(r.I32(8), r.I32(12)); break;
        case kSetViewportOrgEx: if (r.Has(0, 16)) player.SetViewportOrg(r.I32(8), r.I32(12)); break;
        case kSetMapMode: if (r.Has(0, 12)) player.SetMapMode(r.I32(8)); break;
        case kSetBkMode: if (r.Has(0, 12)) player.SetBkMode(r.I32(8)); break;
        case kSetPolyFillMode: if (r.Has(0, 12)) player.SetPolyFillMode(r.I32(8)); break;
        case kSetTextAlign: if (r.Has(0, 12)) player.SetTextAlign(r.U32(8)); break;
        case kSetTextColor: if (r.Has(0, 12)) player.SetTextColor(r.U32(8)); break;
        case kSetBkColor: if (r.Has(0, 12)) player.SetBkColor(r.U32(8)); break;
        case kMoveToEx: if (r.Has(0, 16)) player.MoveTo({double(r.I32(8)), double(r.I32(12))}); break;
        case kLineTo: if (r.Has(0, 16)) player.LineTo({double(r.I32(8)), double(r.I32(12))}); break;
        case kIntersectClipRect:
            if (r.Has(0, 24)) player.IntersectClipRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case kSaveDc: player.SaveDC(); break;
        case kRestoreDc: if (r.Has(0, 12)) player.RestoreDC(r.I32(8)); break;
        case kSetWorldTransform: if (r.Has(0, 32)) player.SetWorldTransform(XformAt(r, 8)); break;
        case kModifyWorldTransform:
            if (r.Has(0, 36)) player.ModifyWorldTransform(XformAt(r, 8), r.U32(32));
            break;
        case kSelectObject:
            if (!r.Has(0, 12)) break;
            if (r.U32(8) & kStockBit) player.SelectStockObject(r.U32(8) & ~kStockBit);
            else if (Slot(player, r.U32(8), &slot)) player.SelectObject(slot);
            break;
        case kDeleteObject:
            if (r.Has(0, 12) && Slot(player, r.U32(8), &slot)) player.DeleteObject(slot);
            break;
        case kCreatePen:
            if (r.Has(0, 28) && Slot(player, r.U32(8), &slot)) {
                Object o;
                o.kind = Object::Kind::Pen;
                o.pen = PenInfo{static_cast<int>(r.U32(12)), double(r.I32(16) < 0 ? 0 : r.I32(16)), r.U32(24)};
                player.CreateObject(slot, o);
            }
            break;
        case kExtCreatePen:
            if (r.Has(0, 52) && Slot(player, r.U32(8), &slot)) {
                // A cosmetic pen is one pixel wide; a geometric one (0x10000) has a width in logical units. A
                // pen whose brush is hollow draws nothing.
                const uint32_t style = r.U32(28);
                Object o;
                o.kind = Object::Kind::Pen;
                o.pen = PenInfo{r.U32(36) == kBsNull ? kPsNull : static_cast<int>(style & 0x0F),
                                (style & 0x000F0000u) ? double(r.U32(32) > 0x7FFFFFFF ? 0 : r.U32(32)) : 0, r.U32(40)};
                player.CreateObject(slot, o);
            }
            break;
        case kCreateBrushIndirect:
            if (r.Has(0, 24) && Slot(player, r.U32(8), &slot)) {
                Object o;
                o.kind = Object::Kind::Brush;
                o.brush = BrushInfo{r.U32(12), r.U32(16)};
                player.CreateObject(slot, o);
            }
            break;
        case kExtCreateFontIndirectW:
            if (r.Has(0, 104) && Slot(player, r.U32(8), &slot)) {
                Object o;
                o.kind = Object::Kind::Font;
                LOGFONT& lf = o.font;
                lf.lfHeight = r.I32(12);
                lf.lfWidth = r.I32(16);
                lf.lfEscapement = r.I32(20);
                lf.lfOrientation = r.I32(24);
                lf.lfWeight = r.I32(28);
                lf.lfItalic = r.U8(32);
                lf.lfUnderline = r.U8(33);
                lf.lfStrikeOut = r.U8(34);
                lf.lfCharSet = r.U8(35);
                lf.lfOutPrecision = r.U8(36);
                lf.lfClipPrecision = r.U8(37);
                lf.lfQuality = r.U8(38);
                lf.lfPitchAndFamily = r.U8(39);
                std::u16string face;
                for (size_t i = 0; i < LF_FACESIZE && r.U16(40 + 2 * i) != 0; ++i) face += static_cast<char16_t>(r.U16(40 + 2 * i));
                const std::string narrow = crt::Utf16ToCp1252(face);
                std::memcpy(lf.lfFaceName, narrow.data(), std::min<size_t>(narrow.size(), LF_FACESIZE - 1));
                player.CreateObject(slot, o);
            }
            break;
        case kCreatePalette:
        case kCreateMonoBrush:
        case kCreateDibPatternBrushPt:
            if (r.Has(0, 12) && Slot(player, r.U32(8), &slot)) {
                Object o;
                o.kind = Object::Kind::Other;
                player.CreateObject(slot, o);
            }
            break;
        case kPolygon:
        case kPolyline:
        case kPolyBezier:
        case kPolyBezierTo:
        case kPolylineTo:
        case kPolygon16:
        case kPolyline16:
        case kPolyBezier16:
        case kPolyBezierTo16:
        case kPolylineTo16: {
            const bool bShort = type >= kPolyBezier16;
            if (!r.Has(0, 28) || !Points(r, 28, r.U32(24), bShort, pts)) break;
            switch (bShort ? type - (kPolyBezier16 - kPolyBezier) : type) {
                case kPolygon: player.Polygon(pts); break;
                case kPolyline: player.Polyline(pts); break;
                case kPolyBezier: player.PolyBezier(pts, false); break;
                case kPolyBezierTo: player.PolyBezier(pts, true); break;
                default: player.PolylineTo(pts); break;
            }
            break;
        }
        case kPolyPolygon:
        case kPolyPolyline:
        case kPolyPolygon16:
        case kPolyPolyline16: {
            const bool bShort = type == kPolyPolygon16 || type == kPolyPolyline16;
            if (!r.Has(0, 32)) break;
            const uint64_t polys = r.U32(24), total = r.U32(28);
            if (polys > r.Size() / 4 || !r.Has(32, polys * 4)) break;
            std::vector<size_t> counts(static_cast<size_t>(polys));
            uint64_t sum = 0;
            for (size_t i = 0; i < polys; ++i) sum += counts[i] = r.U32(32 + 4 * i);
            if (sum > total || !Points(r, 32 + 4 * static_cast<size_t>(polys), total, bShort, pts)) break;
            if (type == kPolyPolygon || type == kPolyPolygon16) player.PolyPolygon(pts, counts);
            else player.PolyPolyline(pts, counts);
            break;
        }
        case kEllipse: if (r.Has(0, 24)) player.Ellipse(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
        case kRectangle: if (r.Has(0, 24)) player.Rectangle(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
        case kBeginPath: player.BeginPath(); break;
        case kEndPath: player.EndPath(); break;
        case kCloseFigure: player.CloseFigure(); break;
        case kFillPath: player.FillPath(); break;
        case kStrokePath: player.StrokePath(); break;
        case kStrokeAndFillPath: player.StrokeAndFillPath(); break;
        case kExtTextOutW: Text(player, r, true); break;
        case kExtTextOutA: Text(player, r, false); break;
        case kBitBlt: Blit(player, r, false); break;
        case kStretchBlt: Blit(player, r, true); break;
        case kStretchDiBits: {
            const BITMAPINFO* bmi;
            const BYTE* bits;
            size_t cbInfo, cbBits;
            if (!r.Has(0, 80) || !DibOf(r, 48, &bmi, &cbInfo, &bits, &cbBits)) break;
            player.DrawDib(r.I32(24), r.I32(28), r.I32(72), r.I32(76), r.I32(32), r.I32(36), r.I32(40), r.I32(44), true,
                           bmi, cbInfo, bits, cbBits, r.U32(64), r.U32(68));
            break;
        }
        case kSetDiBitsToDevice: SetDibBits(player, r); break;
        default: break;
    }
}

}  // namespace

ErrorCode PlayEmfRecords(Player& player, const BYTE* records, size_t size) {
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 8) return ErrorCode::BadMetafile;
        const uint32_t type = GetLe32(records + pos), bytes = GetLe32(records + pos + 4);
        if (bytes < 8 || bytes % 4 != 0 || bytes > size - pos) return ErrorCode::BadMetafile;
        if (type == kEof) return ErrorCode::None;
        Play(player, type, Fields(records + pos, bytes));
        pos += bytes;
    }
    return ErrorCode::None;
}

}  // namespace px::mf
