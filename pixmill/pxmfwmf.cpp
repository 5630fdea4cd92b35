// The records of Windows metafiles. Parameters are 16-bit words in the reverse order of the call's
// arguments (y before x, bottom before left).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pixmill/pxmfrecords.h"

namespace px::mf {

namespace {

enum WmfFunction : uint16_t {
    kEof = 0x0000,
    kSaveDc = 0x001E,
    kRestoreDc = 0x0127,
    kSetMapMode = 0x0103,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kSetBkColor = 0x0201,
    kSetBkMode = 0x0102,
    kSetTextColor = 0x0209,
    kSetTextAlign = 0x012E,
    kSetPolyFillMode = 0x0106,
    kIntersectClipRect = 0x0416,
    kCreatePenIndirect = 0x02FA,
    kCreateBrushIndirect = 0x02FC,
    kCreateFontIndirect = 0x02FB,
    kCreatePalette = 0x00F7,
    kCreatePatternBrush = 0x01F9,
    kDibCreatePatternBrush = 0x0142,
    kCreateRegion = 0x06FF,
    kCreateBitmapIndirect = 0x02FD,
    kCreateBitmap = 0x06FE,
    kSelectObject = 0x012D,
    kDeleteObject = 0x01F0,
    kMoveTo = 0x0214,
    kLineTo = 0x0213,
    kPolyline = 0x0325,
    kPolygon = 0x0324,
    kPolyPolygon = 0x0538,
    kRectangle = 0x041B,
    kEllipse = 0x0418,
    kTextOut = 0x0521,
    kExtTextOut = 0x0A32,
    kSetTextCharExtra = 0x0108,
    kSetTextJustification = 0x020A,
    kStretchDib = 0x0F43,
    kDibStretchBlt = 0x0B41,
    kDibBitBlt = 0x0940,
    kSetRop2 = 0x0104,
    kSetStretchBltMode = 0x0107,
    kSetPixel = 0x041F,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kRoundRect = 0x061C,
    kFloodFill = 0x0419,
    kExtFloodFill = 0x0548,
    kBitBlt = 0x0922,
    kStretchBlt = 0x0B23,
    kSetDibToDev = 0x0D33,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kExcludeClipRect = 0x0415,
    kOffsetClipRgn = 0x0220,
    kSelectClipRegion = 0x012C,
    kFillRegion = 0x0228,
    kFrameRegion = 0x0429,
    kInvertRegion = 0x012A,
    kPaintRegion = 0x012B,
    kPatBlt = 0x061D,
    kSelectPalette = 0x0234,
    kRealizePalette = 0x0035,
    kSetPalEntries = 0x0037,
    kEscape = 0x0626,
};

// The escape that sets the miter limit.
constexpr uint16_t kEscapeSetMiterLimit = 0x0017;



// n points of (x, y) words from `at`; false when they do not fit.
bool Points(const Fields& r, size_t at, size_t n, std::vector<DPoint>& out) {
    if (!r.Has(at, uint64_t{n} * 4)) return false;
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = {double(r.I16(at + 4 * i)), double(r.I16(at + 4 * i + 2))};
    return true;
}

// A packed DIB from `at` to the record's end: its header block and its bits.
void DrawPackedDib(Player& player, const Fields& r, size_t at, double xd, double yd, double wd, double hd, int xs,
                   int ys, int ws, int hs, bool bDibRows, UINT usage, DWORD rop) {
    if (!r.Has(at, sizeof(BITMAPINFOHEADER))) return;
    const auto* bmi = reinterpret_cast<const BITMAPINFO*>(r.At(at));
    const size_t n = r.Size() - at;
    gdi::DibFormat f;
    if (!gdi::ParseDib(bmi, n, usage, &f) || f.infoBytes > n) return;
    const size_t info = static_cast<size_t>(f.infoBytes);
    player.DrawDib(xd, yd, wd, hd, xs, ys, ws, hs, bDibRows, bmi, info, r.At(at + info), n - info, usage, rop);
}

// The destination of a blit without a bitmap: its last four words are height, width, y and x.
void PatBltFromEnd(Player& player, const Fields& r) {
    if (r.Size() < 12) return;
    const size_t end = r.Size();
    player.PatBlt(r.I16(end - 2), r.I16(end - 4), r.I16(end - 6), r.I16(end - 8), r.U32(0));
}

// A region record's rectangles: a 22-byte header (its scan count at 10), then scans of a word count of
// x coordinates, top and bottom, the (left, right) pairs and the count again.
Rects RegionRects(const Fields& r) {
    Rects rects;
    if (!r.Has(0, 22)) return rects;
    const size_t scans = r.U16(10);
    size_t at = 22;
    for (size_t i = 0; i < scans; ++i) {
        if (!r.Has(at, 6)) break;
        const size_t count = r.U16(at);
        const double top = r.I16(at + 2), bottom = r.I16(at + 4);
        if (!r.Has(at + 6, 2 * uint64_t{count} + 2)) break;
        for (size_t k = 0; k + 1 < count; k += 2)
            rects.push_back({double(r.I16(at + 6 + 2 * k)), top, double(r.I16(at + 8 + 2 * k)), bottom});
        at += 6 + 2 * count + 2;
    }
    return rects;
}

// A device-dependent bitmap of the old blits (type, width, height, bytes a row, planes, bits a pixel, then
// the rows, top first) as a top-down DIB: 1-bit bitmaps take the text colour for 0 and the background
// colour for 1, as a monochrome bitmap blitted onto colour does. False for a layout it cannot be.
bool Bitmap16ToDib(const Fields& r, size_t at, COLORREF text, COLORREF bk, std::vector<BYTE>& dib, size_t* infoBytes) {
    if (!r.Has(at, 10)) return false;
    const int w = r.I16(at + 2), h = r.I16(at + 4), rowBytes = r.I16(at + 6);
    const int planes = r.U8(at + 8), bpp = r.U8(at + 9);
    if (w <= 0 || h <= 0 || planes != 1 || (bpp != 1 && bpp != 24 && bpp != 32) || rowBytes <= 0) return false;
    if (uint64_t{static_cast<uint32_t>(rowBytes)} * 8 < uint64_t{static_cast<uint32_t>(w)} * bpp) return false;
    if (!r.Has(at + 10, uint64_t{static_cast<uint32_t>(rowBytes)} * static_cast<uint32_t>(h))) return false;
    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    const size_t table = bpp == 1 ? 8 : 0;
    *infoBytes = 40 + table;
    dib.assign(*infoBytes + stride * static_cast<size_t>(h), 0);
    BITMAPINFOHEADER hdr{};
    hdr.biSize = 40;
    hdr.biWidth = w;
    hdr.biHeight = -h;
    hdr.biPlanes = 1;
    hdr.biBitCount = static_cast<WORD>(bpp);
    hdr.biCompression = BI_RGB;
    std::memcpy(dib.data(), &hdr, 40);
    if (bpp == 1) {
        const BYTE t[8] = {GetBValue(text), GetGValue(text), GetRValue(text), 0, GetBValue(bk), GetGValue(bk), GetRValue(bk), 0};
        std::memcpy(dib.data() + 40, t, 8);
    }
    const size_t copy = std::min(stride, static_cast<size_t>(rowBytes));
    for (int y = 0; y < h; ++y) std::memcpy(dib.data() + *infoBytes + stride * y, r.At(at + 10 + static_cast<size_t>(rowBytes) * y), copy);
    return true;
}

void OldBlit(Player& player, const Fields& r, bool bStretch) {
    // Without a bitmap the record holds a reserved word in its place; its destination ends it.
    const size_t plain = bStretch ? 22 : 18;
    if (r.Size() == plain) {
        PatBltFromEnd(player, r);
        return;
    }
    const size_t at = bStretch ? 20 : 16;
    std::vector<BYTE> dib;
    size_t info = 0;
    if (!Bitmap16ToDib(r, at, player.TextColor(), player.BkColor(), dib, &info)) return;
    const auto* bmi = reinterpret_cast<const BITMAPINFO*>(dib.data());
    if (bStretch) {
        player.DrawDib(r.I16(18), r.I16(16), r.I16(14), r.I16(12), r.I16(10), r.I16(8), r.I16(6), r.I16(4), false, bmi, info,
                       dib.data() + info, dib.size() - info, DIB_RGB_COLORS, r.U32(0));
    } else {
        player.DrawDib(r.I16(14), r.I16(12), r.I16(10), r.I16(8), r.I16(6), r.I16(4), r.I16(10), r.I16(8), false, bmi, info,
                       dib.data() + info, dib.size() - info, DIB_RGB_COLORS, r.U32(0));
    }
}

bool PaletteEntries(const Fields& r, size_t at, size_t n, std::vector<PALETTEENTRY>& out) {
    if (!r.Has(at, uint64_t{n} * 4)) return false;
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = PALETTEENTRY{r.U8(at + 4 * i), r.U8(at + 4 * i + 1), r.U8(at + 4 * i + 2), r.U8(at + 4 * i + 3)};
    return true;
}

Object OtherObject() {
    Object o;
    o.kind = Object::Kind::Other;
    return o;
}

void Play(Player& player, uint16_t function, const Fields& r) {
    std::vector<DPoint> pts;
    switch (function) {
        case kSaveDc: player.SaveDC(); break;
        case kRestoreDc: if (r.Has(0, 2)) player.RestoreDC(r.I16(0)); break;
        case kSetMapMode: if (r.Has(0, 2)) player.SetMapMode(r.U16(0)); break;
        case kSetWindowOrg: if (r.Has(0, 4)) player.SetWindowOrg(r.I16(2), r.I16(0)); break;
        case kSetWindowExt: if (r.Has(0, 4)) player.SetWindowExt(r.I16(2), r.I16(0)); break;
        case kSetViewportOrg: if (r.Has(0, 4)) player.SetViewportOrg(r.I16(2), r.I16(0)); break;
        case kSetViewportExt: if (r.Has(0, 4)) player.SetViewportExt(r.I16(2), r.I16(0)); break;
        case kSetBkColor: if (r.Has(0, 4)) player.SetBkColor(r.U32(0)); break;
        case kSetBkMode: if (r.Has(0, 2)) player.SetBkMode(r.U16(0)); break;
        case kSetTextColor: if (r.Has(0, 4)) player.SetTextColor(r.U32(0)); break;
        case kSetTextAlign: if (r.Has(0, 2)) player.SetTextAlign(r.U16(0)); break;
        case kSetPolyFillMode: if (r.Has(0, 2)) player.SetPolyFillMode(r.U16(0)); break;
        case kIntersectClipRect:
            if (r.Has(0, 8)) player.IntersectClipRect(r.I16(6), r.I16(4), r.I16(2), r.I16(0));
            break;
        case kCreatePenIndirect:
        case kCreateBrushIndirect:
        case kCreateFontIndirect:
        case kCreatePalette:
        case kCreatePatternBrush:
        case kDibCreatePatternBrush:
        case kCreateRegion:
        case kCreateBitmapIndirect:
        case kCreateBitmap: {
            // Every create record takes the lowest free slot, whether or not the player uses what it makes.
            Object o = OtherObject();
            if (function == kCreatePenIndirect && r.Has(0, 10)) {
                o.kind = Object::Kind::Pen;
                o.pen = PenInfo{r.U16(0), double(r.I16(2) < 0 ? -r.I16(2) : r.I16(2)), r.U32(6)};
            } else if (function == kCreateBrushIndirect && r.Has(0, 8)) {
                o.kind = Object::Kind::Brush;
                o.brush = BrushInfo{r.U16(0), r.U32(2), nullptr, r.U16(6)};
            } else if (function == kCreateRegion) {
                o.kind = Object::Kind::Region;
                o.rects = RegionRects(r);
            } else if (function == kCreatePalette && r.Has(0, 4)) {
                std::vector<PALETTEENTRY> entries;
                if (PaletteEntries(r, 4, r.U16(2), entries)) {
                    const size_t slot = player.FreeSlot();
                    player.CreatePalette(slot, entries);
                    if (slot < player.ObjectSlots()) break;
                }
            } else if (function == kDibCreatePatternBrush && r.Has(0, 4 + sizeof(BITMAPINFOHEADER))) {
                // A pattern brush replaces the brush in force when selected; one whose bitmap cannot be
                // read paints nothing.
                o.kind = Object::Kind::Brush;
                const auto* bmi = reinterpret_cast<const BITMAPINFO*>(r.At(4));
                const size_t n = r.Size() - 4;
                const UINT usage = r.U16(2) == DIB_PAL_COLORS ? DIB_PAL_COLORS : DIB_RGB_COLORS;
                gdi::DibFormat f;
                if (gdi::ParseDib(bmi, n, usage, &f) && f.infoBytes <= n) {
                    const size_t info = static_cast<size_t>(f.infoBytes);
                    o.brush.pattern = PatternFromDib(bmi, info, r.At(4 + info), n - info, usage, false);
                }
                o.brush.style = o.brush.pattern ? kBsPattern : kBsNull;
            } else if (function == kCreatePatternBrush) {
                o.kind = Object::Kind::Brush;
                std::vector<BYTE> dib;
                size_t info = 0;
                // The bitmap's header, 18 reserved bytes, then its rows.
                std::vector<BYTE> joined;
                if (r.Has(0, 28)) {
                    joined.assign(r.At(0), r.At(0) + 10);
                    joined.insert(joined.end(), r.At(28), r.At(0) + r.Size());
                }
                if (!joined.empty() && Bitmap16ToDib(Fields(joined.data(), joined.size()), 0, 0, 0xFFFFFF, dib, &info)) {
                    const auto* bmi = reinterpret_cast<const BITMAPINFO*>(dib.data());
                    o.brush.pattern = PatternFromDib(bmi, info, dib.data() + info, dib.size() - info, DIB_RGB_COLORS,
                                                     bmi->bmiHeader.biBitCount == 1);
                }
                o.brush.style = o.brush.pattern ? kBsPattern : kBsNull;
            } else if (function == kCreateFontIndirect && r.Has(0, 18)) {
                o.kind = Object::Kind::Font;
                LOGFONT& lf = o.font;
                lf.lfHeight = r.I16(0);
                lf.lfWidth = r.I16(2);
                lf.lfEscapement = r.I16(4);
                lf.lfOrientation = r.I16(6);
                lf.lfWeight = r.I16(8);
                lf.lfItalic = r.U8(10);
                lf.lfUnderline = r.U8(11);
                lf.lfStrikeOut = r.U8(12);
                lf.lfCharSet = r.U8(13);
                lf.lfOutPrecision = r.U8(14);
                lf.lfClipPrecision = r.U8(15);
                lf.lfQuality = r.U8(16);
                lf.lfPitchAndFamily = r.U8(17);
                for (size_t i = 0; i + 1 < LF_FACESIZE && r.Has(18 + i, 1); ++i) lf.lfFaceName[i] = static_cast<char>(r.U8(18 + i));
            }
            player.CreateObject(player.FreeSlot(), o);
            break;
        }
        case kSelectObject: if (r.Has(0, 2)) player.SelectObject(r.U16(0)); break;
        case kSelectPalette: if (r.Has(0, 2)) player.SelectPalette(r.U16(0)); break;
        case kRealizePalette: break;  // the raster has no palette of its own
        case kSetPalEntries: {
            std::vector<PALETTEENTRY> entries;
            if (r.Has(0, 4) && PaletteEntries(r, 4, r.U16(2), entries)) player.SetPaletteEntries(SIZE_MAX, r.U16(0), entries);
            break;
        }
        case kSetRop2: if (r.Has(0, 2)) player.SetRop2(r.U16(0)); break;
        case kSetStretchBltMode: if (r.Has(0, 2)) player.SetStretchBltMode(r.U16(0)); break;
        case kSetPixel: if (r.Has(0, 8)) player.SetPixel({double(r.I16(6)), double(r.I16(4))}, r.U32(0)); break;
        case kFloodFill: if (r.Has(0, 8)) player.FloodFill({double(r.I16(6)), double(r.I16(4))}, r.U32(0), false); break;
        case kExtFloodFill:
            if (r.Has(0, 10)) player.FloodFill({double(r.I16(8)), double(r.I16(6))}, r.U32(2), r.U16(0) == 1);
            break;
        case kArc:
        case kPie:
        case kChord:
            if (r.Has(0, 16)) {
                const Player::ArcKind kind = function == kArc ? Player::ArcKind::Arc
                                             : function == kPie ? Player::ArcKind::Pie
                                                                : Player::ArcKind::Chord;
                player.ArcShape(kind, r.I16(14), r.I16(12), r.I16(10), r.I16(8), {double(r.I16(6)), double(r.I16(4))},
                                {double(r.I16(2)), double(r.I16(0))});
            }
            break;
        case kRoundRect:
            if (r.Has(0, 12)) player.RoundRect(r.I16(10), r.I16(8), r.I16(6), r.I16(4), r.I16(2), r.I16(0));
            break;
        case kOffsetWindowOrg: if (r.Has(0, 4)) player.OffsetWindowOrg(r.I16(2), r.I16(0)); break;
        case kOffsetViewportOrg: if (r.Has(0, 4)) player.OffsetViewportOrg(r.I16(2), r.I16(0)); break;
        case kScaleWindowExt: if (r.Has(0, 8)) player.ScaleWindowExt(r.I16(6), r.I16(4), r.I16(2), r.I16(0)); break;
        case kScaleViewportExt: if (r.Has(0, 8)) player.ScaleViewportExt(r.I16(6), r.I16(4), r.I16(2), r.I16(0)); break;
        case kExcludeClipRect:
            if (r.Has(0, 8)) player.ExcludeClipRect(r.I16(6), r.I16(4), r.I16(2), r.I16(0));
            break;
        case kOffsetClipRgn: if (r.Has(0, 4)) player.OffsetClipRgn(r.I16(2), r.I16(0)); break;
        case kSelectClipRegion: if (r.Has(0, 2)) player.SelectClipRegion(r.U16(0)); break;
        case kFillRegion:
            if (r.Has(0, 4) && player.RegionAt(r.U16(0))) player.FillRegion(*player.RegionAt(r.U16(0)), r.U16(2));
            break;
        case kFrameRegion:
            if (r.Has(0, 8) && player.RegionAt(r.U16(0)))
                player.FrameRegion(*player.RegionAt(r.U16(0)), r.U16(2), r.I16(6), r.I16(4));
            break;
        case kInvertRegion: if (r.Has(0, 2) && player.RegionAt(r.U16(0))) player.InvertRegion(*player.RegionAt(r.U16(0))); break;
        case kPaintRegion:
            if (r.Has(0, 2) && player.RegionAt(r.U16(0))) player.FillRegion(*player.RegionAt(r.U16(0)), SIZE_MAX);
            break;
        case kPatBlt: if (r.Has(0, 12)) player.PatBlt(r.I16(10), r.I16(8), r.I16(6), r.I16(4), r.U32(0)); break;
        case kBitBlt: OldBlit(player, r, false); break;
        case kStretchBlt: OldBlit(player, r, true); break;
        case kSetDibToDev:
            if (r.Has(0, 18 + sizeof(BITMAPINFOHEADER))) {
                const auto* bmi = reinterpret_cast<const BITMAPINFO*>(r.At(18));
                const size_t n = r.Size() - 18;
                const UINT usage = r.U16(0);
                gdi::DibFormat f;
                if (!gdi::ParseDib(bmi, n, usage, &f) || f.infoBytes > n) break;
                const size_t info = static_cast<size_t>(f.infoBytes);
                SetDibBitsToDevice(player, r.I16(16), r.I16(14), r.I16(8), r.I16(6), r.I16(12), r.I16(10), r.U16(4), r.U16(2),
                                   bmi, info, r.At(18 + info), n - info, usage);
            }
            break;
        case kDeleteObject: if (r.Has(0, 2)) player.DeleteObject(r.U16(0)); break;
        case kMoveTo: if (r.Has(0, 4)) player.MoveTo({double(r.I16(2)), double(r.I16(0))}); break;
        case kLineTo: if (r.Has(0, 4)) player.LineTo({double(r.I16(2)), double(r.I16(0))}); break;
        case kPolyline:
        case kPolygon:
            if (r.Has(0, 2) && Points(r, 2, r.U16(0), pts)) {
                if (function == kPolyline) player.Polyline(pts);
                else player.Polygon(pts);
            }
            break;
        case kPolyPolygon: {
            if (!r.Has(0, 2)) break;
            const size_t polys = r.U16(0);
            if (!r.Has(2, 2 * uint64_t{polys})) break;
            std::vector<size_t> counts(polys);
            size_t total = 0;
            for (size_t i = 0; i < polys; ++i) total += counts[i] = r.U16(2 + 2 * i);
            if (Points(r, 2 + 2 * polys, total, pts)) player.PolyPolygon(pts, counts);
            break;
        }
        case kRectangle:
            if (r.Has(0, 8)) player.Rectangle(r.I16(6), r.I16(4), r.I16(2), r.I16(0));
            break;
        case kEllipse:
            if (r.Has(0, 8)) player.Ellipse(r.I16(6), r.I16(4), r.I16(2), r.I16(0));
            break;
        case kTextOut: {
            if (!r.Has(0, 2)) break;
            const size_t n = r.U16(0), padded = (n + 1) & ~size_t{1};
            if (!r.Has(2, padded + 4)) break;
            TextRun run;
            run.units.assign(r.At(2), r.At(2) + n);
            run.ref = {double(r.I16(2 + padded + 2)), double(r.I16(2 + padded))};
            player.TextOut(run);
            break;
        }
        case kExtTextOut: {
            // The reference point, count, options, a rectangle with ETO_OPAQUE or ETO_CLIPPED, the
            // string padded to a word, then, when the record holds them, an advance for each byte (two
            // with ETO_PDY). With ETO_GLYPH_INDEX each byte is a glyph index.
            if (!r.Has(0, 8)) break;
            const size_t n = r.U16(4);
            TextRun run;
            run.options = r.U16(6);
            size_t at = 8;
            run.hasRect = (run.options & (kEtoOpaque | kEtoClipped)) != 0;
            if (run.hasRect) {
                if (!r.Has(8, 8)) break;
                for (int i = 0; i < 4; ++i) run.rect[i] = r.I16(8 + 2 * static_cast<size_t>(i));
                at = 16;
            }
            if (!r.Has(at, n)) break;
            if (run.options & kEtoGlyphIndex) run.kind = TextRun::Units::GlyphIndices;
            run.units.assign(r.At(at), r.At(at) + n);
            const size_t dxAt = at + ((n + 1) & ~size_t{1});
            const size_t perChar = (run.options & kEtoPdy) ? 2 : 1;
            if (n > 0 && r.Has(dxAt, 2 * perChar * n)) {
                for (size_t i = 0; i < n; ++i) {
                    run.dx.push_back(r.I16(dxAt + 2 * perChar * i));
                    if (perChar == 2) run.dy.push_back(r.I16(dxAt + 4 * i + 2));
                }
            }
            run.ref = {double(r.I16(2)), double(r.I16(0))};
            player.TextOut(run);
            break;
        }
        // The extra is read signed: SetTextCharacterExtra takes an int, and a recorder keeps a narrowing
        // negative extra in the field's 16 bits.
        case kSetTextCharExtra: if (r.Has(0, 2)) player.SetTextCharExtra(r.I16(0)); break;
        case kSetTextJustification: if (r.Has(0, 4)) player.SetTextJustification(r.U16(2), r.U16(0)); break;
        case kStretchDib:
            if (r.Has(0, 22))
                DrawPackedDib(player, r, 22, r.I16(20), r.I16(18), r.I16(16), r.I16(14), r.I16(12), r.I16(10), r.I16(8),
                              r.I16(6), true, r.U16(4), r.U32(0));
            break;
        case kDibStretchBlt:
            if (r.Has(0, 20 + sizeof(BITMAPINFOHEADER)))
                DrawPackedDib(player, r, 20, r.I16(18), r.I16(16), r.I16(14), r.I16(12), r.I16(10), r.I16(8), r.I16(6),
                              r.I16(4), false, DIB_RGB_COLORS, r.U32(0));
            else
                PatBltFromEnd(player, r);
            break;
        case kDibBitBlt:
            if (r.Has(0, 16 + sizeof(BITMAPINFOHEADER)))
                DrawPackedDib(player, r, 16, r.I16(14), r.I16(12), r.I16(10), r.I16(8), r.I16(6), r.I16(4), r.I16(10),
                              r.I16(8), false, DIB_RGB_COLORS, r.U32(0));
            else
                PatBltFromEnd(player, r);
            break;
        case kEscape:
            if (r.Has(0, 8) && r.U16(0) == kEscapeSetMiterLimit && r.U16(2) >= 4) player.SetMiterLimit(r.I32(4));
            break;
        default:
            break;
    }
}

}  // namespace

ErrorCode PlayWmfRecords(Player& player, const BYTE* records, size_t size, bool* pEof) {
    *pEof = false;
    // The header (its size in words is checked by the loader) is followed by the records.
    size_t pos = size_t{GetLe16(records + 2)} * 2;
    while (pos < size) {
        if (size - pos < 6) return ErrorCode::BadMetafile;
        const uint64_t bytes = uint64_t{GetLe32(records + pos)} * 2;
        const uint16_t function = GetLe16(records + pos + 4);
        if (bytes < 6 || bytes > size - pos) return ErrorCode::BadMetafile;
        if (function == kEof) {
            *pEof = true;
            return ErrorCode::None;
        }
        Play(player, function, Fields(records + pos + 6, static_cast<size_t>(bytes) - 6));
        if (player.Error() != ErrorCode::None) return player.Error();
        pos += static_cast<size_t>(bytes);
    }
    return ErrorCode::None;
}

}  // namespace px::mf
