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
    kSetBrushOrgEx = 13,
    kEof = 14,
    kSetPixelV = 15,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetRop2 = 20,
    kSetStretchBltMode = 21,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kOffsetClipRgn = 26,
    kMoveToEx = 27,
    kExcludeClipRect = 29,
    kIntersectClipRect = 30,
    kScaleViewportExtEx = 31,
    kScaleWindowExtEx = 32,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kAngleArc = 41,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
    kSelectPalette = 48,
    kCreatePalette = 49,
    kSetPaletteEntries = 50,
    kRealizePalette = 52,
    kExtFloodFill = 53,
    kLineTo = 54,
    kArcTo = 55,
    kPolyDraw = 56,
    kSetArcDirection = 57,
    kSetMiterLimit = 58,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kFlattenPath = 65,
    kWidenPath = 66,
    kSelectClipPath = 67,
    kAbortPath = 68,
    kFillRgn = 71,
    kFrameRgn = 72,
    kInvertRgn = 73,
    kPaintRgn = 74,
    kExtSelectClipRgn = 75,
    kBitBlt = 76,
    kStretchBlt = 77,
    kMaskBlt = 78,
    kPlgBlt = 79,
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
    kPolyDraw16 = 92,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrushPt = 94,
    kExtCreatePen = 95,
    kPolyTextOutA = 96,
    kPolyTextOutW = 97,
    kSmallTextOut = 108,
    kSetTextJustification = 120,
    kAlphaBlend = 114,
    kTransparentBlt = 116,
    kGradientFill = 118,
};

constexpr UINT kEtoNoRect = 0x0100, kEtoSmallChars = 0x0200;

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
    SetDibBitsToDevice(player, r.I32(24), r.I32(28), r.I32(32), r.I32(36), r.I32(40), r.I32(44), r.U32(68), r.U32(72), bmi,
                       cbInfo, bits, cbBits, r.U32(64));
}

}  // namespace

void SetDibBitsToDevice(Player& player, int64_t xDest, int64_t yDest, int64_t xSrc, int64_t ySrc, int64_t cx,
                        int64_t cy, uint32_t startScan, uint32_t scanLines, const BITMAPINFO* bmi, size_t cbInfo,
                        const BYTE* bits, size_t cbBits, UINT usage) {
    gdi::DibFormat f;
    if (!gdi::ParseDib(bmi, cbInfo, usage, &f)) return;
    const bool rle = f.compression == BI_RLE8 || f.compression == BI_RLE4;
    const int64_t H = f.height;
    const int64_t start = rle ? 0 : startScan;
    if (start >= H || cx <= 0 || cy <= 0) return;
    const int64_t lines = rle ? H : std::min<int64_t>(scanLines, H - start);
    if (lines <= 0) return;
    // Rows of the whole picture, top row 0: the band the bits hold and the source rectangle.
    const int64_t bandTop = f.topDown ? start : H - start - lines;
    const int64_t srcTop = f.topDown ? ySrc : H - ySrc - cy;
    const int64_t r0 = std::max(bandTop, srcTop), r1 = std::min(bandTop + lines, srcTop + cy);
    if (r0 >= r1) return;
    // The band as a DIB of its own height.
    std::vector<BYTE> band(reinterpret_cast<const BYTE*>(bmi), reinterpret_cast<const BYTE*>(bmi) + cbInfo);
    const int32_t bandHeight = static_cast<int32_t>(f.topDown ? -lines : lines);
    std::memcpy(band.data() + 8, &bandHeight, 4);
    const int64_t ys = f.topDown ? r0 - bandTop : (bandTop + lines) - r1;
    player.DrawDib(double(xDest), double(yDest + (r0 - srcTop)), double(cx), double(r1 - r0), static_cast<int>(xSrc),
                   static_cast<int>(ys), static_cast<int>(cx), static_cast<int>(r1 - r0), true,
                   reinterpret_cast<const BITMAPINFO*>(band.data()), cbInfo, bits, cbBits, usage, SRCCOPY);
}

std::shared_ptr<const Pattern> PatternFromDib(const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits,
                                              UINT usage, bool bMono) {
    gdi::DibFormat f;
    if (!gdi::ParseDib(bmi, cbInfo, usage, &f) || f.width > 4096 || f.height > 4096) return nullptr;
    gdi::Surface s;
    if (!s.Create(f.width, f.height)) return nullptr;
    uint32_t colors[256];
    gdi::DibColorTable(f, usage, nullptr, colors);
    const bool bMonochrome = bMono && f.bits == 1;
    const bool bIndices = !bMonochrome && usage == DIB_PAL_COLORS && f.bits <= 8;
    if (bMonochrome) {
        for (uint32_t i = 0; i < 256; ++i) colors[i] = i & 1;
    } else if (bIndices) {
        // The table's palette indices, resolved when the brush paints.
        const BYTE* t = static_cast<const BYTE*>(f.table);
        for (uint32_t i = 0; i < 256; ++i) colors[i] = t && i < f.tableEntries ? uint32_t{t[2 * i]} | uint32_t{t[2 * i + 1]} << 8 : 0x10000;
    }
    if (!gdi::DecodeDib(f, colors, bits, cbBits, s)) return nullptr;
    auto p = std::make_shared<Pattern>();
    p->width = f.width;
    p->height = f.height;
    p->monochrome = bMonochrome;
    p->paletteIndices = bIndices;
    p->pixels.assign(s.Bits(), s.Bits() + static_cast<size_t>(f.width) * static_cast<size_t>(f.height));
    for (uint32_t& v : p->pixels) v &= 0xFFFFFFu;
    return p;
}

namespace {

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

// The graphics mode a text record's iGraphicsMode field names: GM_ADVANCED (2) or, for any other value,
// GM_COMPATIBLE.
bool Advanced(const Fields& r) { return r.U32(24) == 2; }

// A text record's EMRTEXT at `at` (36 in EXTTEXTOUT); its string's and advances' offsets count from the
// record's start. Advances that do not fit the record are left out (the font's own are used).
void Text(Player& player, const Fields& r, bool bWide, size_t at = 36) {
    if (!r.Has(at, 40)) return;
    const uint64_t n = r.U32(at + 8), off = r.U32(at + 12), offDx = r.U32(at + 36);
    const UINT options = r.U32(at + 16);
    const size_t unit = bWide ? 2 : 1;
    if (!r.Has(off, n * unit)) return;
    TextRun run;
    run.kind = (options & kEtoGlyphIndex) ? TextRun::Units::GlyphIndices : bWide ? TextRun::Units::Utf16 : TextRun::Units::Bytes;
    run.units.resize(static_cast<size_t>(n));
    for (size_t i = 0; i < n; ++i) run.units[i] = bWide ? r.U16(static_cast<size_t>(off) + 2 * i) : r.U8(static_cast<size_t>(off) + i);
    const uint64_t perChar = (options & kEtoPdy) ? 2 : 1;
    if (offDx != 0 && n > 0 && r.Has(offDx, n * perChar * 4)) {
        run.dx.resize(static_cast<size_t>(n));
        if (perChar == 2) run.dy.resize(static_cast<size_t>(n));
        for (size_t i = 0; i < n; ++i) {
            run.dx[i] = r.I32(static_cast<size_t>(offDx) + 4 * perChar * i);
            if (perChar == 2) run.dy[i] = r.I32(static_cast<size_t>(offDx) + 8 * i + 4);
        }
    }
    run.ref = {double(r.I32(at)), double(r.I32(at + 4))};
    run.options = options;
    run.hasRect = (options & (kEtoOpaque | kEtoClipped)) != 0;
    for (int i = 0; i < 4; ++i) run.rect[i] = r.I32(at + 20 + 4 * static_cast<size_t>(i));
    run.advanced = Advanced(r);
    player.TextOut(run);
}

// SMALLTEXTOUT: the reference point, count and options, a rectangle unless ETO_NO_RECT, then the
// characters: with ETO_SMALL_CHARS bytes, each the low byte of a UTF-16 unit below 0x100, else 16-bit
// units (glyph indices with ETO_GLYPH_INDEX).
void SmallText(Player& player, const Fields& r) {
    if (!r.Has(0, 36)) return;
    const uint64_t n = r.U32(16);
    const UINT options = r.U32(20);
    const bool hasRectField = (options & kEtoNoRect) == 0;
    const size_t at = hasRectField ? 52 : 36;
    const bool bSmall = (options & kEtoSmallChars) != 0;
    if (!r.Has(at, n * (bSmall ? 1 : 2))) return;
    TextRun run;
    run.kind = (options & kEtoGlyphIndex) ? TextRun::Units::GlyphIndices : TextRun::Units::Utf16;
    run.units.resize(static_cast<size_t>(n));
    for (size_t i = 0; i < n; ++i) run.units[i] = bSmall ? r.U8(at + i) : r.U16(at + 2 * i);
    run.ref = {double(r.I32(8)), double(r.I32(12))};
    run.options = options & ~(kEtoNoRect | kEtoSmallChars);
    run.hasRect = hasRectField && (options & (kEtoOpaque | kEtoClipped)) != 0;
    for (int i = 0; i < 4; ++i) run.rect[i] = r.I32(36 + 4 * static_cast<size_t>(i));
    run.advanced = Advanced(r);
    player.TextOut(run);
}

// A pattern brush of a packed DIB: a monochrome brush's bits are drawn in the text and background
// colours, a DIB pattern brush's in the colours of its table.
std::shared_ptr<const Pattern> PatternOf(const Fields& r, bool bMono) {
    const BITMAPINFO* bmi;
    const BYTE* bits;
    size_t cbInfo, cbBits;
    if (!r.Has(0, 32) || !DibOf(r, 16, &bmi, &cbInfo, &bits, &cbBits)) return nullptr;
    const UINT usage = r.U32(12) == DIB_PAL_COLORS ? DIB_PAL_COLORS : DIB_RGB_COLORS;
    return PatternFromDib(bmi, cbInfo, bits, cbBits, usage, bMono);
}

// Palette entries from `at`: n of them, red, green, blue, flags.
bool PaletteEntries(const Fields& r, size_t at, uint64_t n, std::vector<PALETTEENTRY>& out) {
    if (n > 65535 || !r.Has(at, n * 4)) return false;
    out.resize(static_cast<size_t>(n));
    for (size_t i = 0; i < n; ++i) out[i] = PALETTEENTRY{r.U8(at + 4 * i), r.U8(at + 4 * i + 1), r.U8(at + 4 * i + 2), r.U8(at + 4 * i + 3)};
    return true;
}

// The RGNDATA of a region record: cbRgnData at `countAt`, the data at `dataAt`.
bool RegionOf(const Fields& r, size_t countAt, size_t dataAt, Rects& out) {
    const uint64_t n = r.U32(countAt);
    if (!r.Has(countAt, 4) || !r.Has(dataAt, n)) return false;
    out = RegionDataRects(r.At(dataAt), static_cast<size_t>(n));
    return true;
}

// The blits with a source of STRETCHBLT's layout: ALPHABLEND and TRANSPARENTBLT.
void BlendBlit(Player& player, const Fields& r, bool bAlpha) {
    const BITMAPINFO* bmi;
    const BYTE* bits;
    size_t cbInfo, cbBits;
    if (!r.Has(0, 108) || !DibOf(r, 84, &bmi, &cbInfo, &bits, &cbBits)) return;
    const double x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
    if (bAlpha) {
        // BLENDFUNCTION: operation, flags, constant alpha, AC_SRC_ALPHA.
        player.AlphaDib(x, y, cx, cy, r.I32(44), r.I32(48), r.I32(100), r.I32(104), bmi, cbInfo, bits, cbBits, r.U32(80),
                        r.U8(42), r.U8(43) == 1);
    } else {
        player.TransparentDib(x, y, cx, cy, r.I32(44), r.I32(48), r.I32(100), r.I32(104), bmi, cbInfo, bits, cbBits,
                              r.U32(80), r.U32(40));
    }
}

void MaskBlit(Player& player, const Fields& r) {
    const BITMAPINFO* bmi;
    const BYTE* bits;
    size_t cbInfo, cbBits;
    if (!r.Has(0, 128) || !DibOf(r, 84, &bmi, &cbInfo, &bits, &cbBits)) return;
    const BITMAPINFO* mbmi = nullptr;
    const BYTE* mbits = nullptr;
    size_t cbm = 0, cbmBits = 0;
    if (r.U32(116) != 0 && !DibOf(r, 112, &mbmi, &cbm, &mbits, &cbmBits)) return;
    player.MaskDib(r.I32(24), r.I32(28), r.I32(32), r.I32(36), r.I32(44), r.I32(48), bmi, cbInfo, bits, cbBits,
                   r.U32(80), r.U32(40), mbmi, cbm, mbits, cbmBits, r.I32(100), r.I32(104));
}

void PlgBlit(Player& player, const Fields& r) {
    const BITMAPINFO* bmi;
    const BYTE* bits;
    size_t cbInfo, cbBits;
    if (!r.Has(0, 140) || !DibOf(r, 96, &bmi, &cbInfo, &bits, &cbBits)) return;
    const DPoint corners[3] = {{double(r.I32(24)), double(r.I32(28))}, {double(r.I32(32)), double(r.I32(36))},
                               {double(r.I32(40)), double(r.I32(44))}};
    player.PlgDib(corners, r.I32(48), r.I32(52), r.I32(56), r.I32(60), bmi, cbInfo, bits, cbBits, r.U32(92));
}

void Gradient(Player& player, const Fields& r) {
    if (!r.Has(0, 36)) return;
    const uint64_t nVer = r.U32(24), nPieces = r.U32(28);
    const int mode = static_cast<int>(r.U32(32));
    const uint64_t each = mode == 2 ? 12 : 8;
    if (mode < 0 || mode > 2 || nVer > r.Size() / 16 || nPieces > r.Size() / each || !r.Has(36, nVer * 16 + nPieces * each))
        return;
    std::vector<Player::Vertex> vertices(static_cast<size_t>(nVer));
    for (size_t i = 0; i < nVer; ++i) {
        const size_t at = 36 + 16 * i;
        vertices[i] = {{double(r.I32(at)), double(r.I32(at + 4))}, double(r.U16(at + 8)), double(r.U16(at + 10)), double(r.U16(at + 12))};
    }
    std::vector<std::vector<uint32_t>> pieces(static_cast<size_t>(nPieces));
    const size_t base = 36 + 16 * static_cast<size_t>(nVer);
    for (size_t i = 0; i < nPieces; ++i)
        for (size_t k = 0; k < each / 4; ++k) pieces[i].push_back(r.U32(base + each * i + 4 * k));
    player.GradientFill(vertices, pieces, mode);
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
        case kSetBrushOrgEx: if (r.Has(0, 16)) player.SetBrushOrg(r.I32(8), r.I32(12)); break;
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
                // pen whose brush is hollow draws nothing. A user style holds at most 16 lengths; one of
                // more, or past the record, draws solid.
                const uint32_t style = r.U32(28);
                const bool geometric = (style & 0x000F0000u) != 0;
                Object o;
                o.kind = Object::Kind::Pen;
                o.pen.style = r.U32(36) == kBsNull ? kPsNull : static_cast<int>(style & 0xFFFF);
                o.pen.width = geometric ? double(r.U32(32) > 0x7FFFFFFF ? 0 : r.U32(32)) : 0;
                o.pen.color = r.U32(40);
                o.pen.geometric = geometric;
                const uint64_t entries = r.U32(48);
                if ((style & 0x0F) == static_cast<uint32_t>(kPsUserStyle) && entries <= 16 && r.Has(52, entries * 4))
                    for (size_t i = 0; i < entries; ++i) o.pen.userStyle.push_back(double(r.U32(52 + 4 * i)));
                player.CreateObject(slot, o);
            }
            break;
        case kSetMiterLimit:
            // The limit as the platform's structure holds it, a float; [MS-EMF] reads the same bytes as a
            // whole number, which small numbers then are.
            if (r.Has(0, 12)) player.SetMiterLimit(r.U32(8) <= 0xFFFFFF ? double(r.U32(8)) : double(r.F32(8)));
            break;
        case kCreateBrushIndirect:
            if (r.Has(0, 24) && Slot(player, r.U32(8), &slot)) {
                Object o;
                o.kind = Object::Kind::Brush;
                o.brush = BrushInfo{r.U32(12), r.U32(16), nullptr, r.U32(20)};
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
        case kCreateMonoBrush:
        case kCreateDibPatternBrushPt:
            if (r.Has(0, 12) && Slot(player, r.U32(8), &slot)) {
                // A brush whose bitmap cannot be read is still a brush: selecting it replaces the
                // brush in force, and it paints nothing.
                Object o;
                o.kind = Object::Kind::Brush;
                o.brush.pattern = PatternOf(r, type == kCreateMonoBrush);
                o.brush.style = o.brush.pattern ? kBsPattern : kBsNull;
                player.CreateObject(slot, o);
            }
            break;
        case kCreatePalette: {
            std::vector<PALETTEENTRY> entries;
            if (r.Has(0, 16) && Slot(player, r.U32(8), &slot) && PaletteEntries(r, 16, r.U16(14), entries))
                player.CreatePalette(slot, entries);
            break;
        }
        case kSetPaletteEntries: {
            std::vector<PALETTEENTRY> entries;
            if (r.Has(0, 20) && Slot(player, r.U32(8), &slot) && PaletteEntries(r, 20, r.U32(16), entries))
                player.SetPaletteEntries(slot, r.U32(12), entries);
            break;
        }
        case kSelectPalette:
            if (!r.Has(0, 12)) break;
            if (r.U32(8) & kStockBit) player.SelectPalette(SIZE_MAX);
            else if (Slot(player, r.U32(8), &slot)) player.SelectPalette(slot);
            break;
        case kRealizePalette: break;  // the raster has no palette of its own
        case kSetPixelV:
            if (r.Has(0, 20)) player.SetPixel({double(r.I32(8)), double(r.I32(12))}, r.U32(16));
            break;
        case kSetRop2: if (r.Has(0, 12)) player.SetRop2(r.I32(8)); break;
        case kSetStretchBltMode: if (r.Has(0, 12)) player.SetStretchBltMode(r.I32(8)); break;
        case kSetArcDirection: if (r.Has(0, 12)) player.SetArcDirection(r.I32(8)); break;
        case kScaleViewportExtEx:
            if (r.Has(0, 24)) player.ScaleViewportExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case kScaleWindowExtEx:
            if (r.Has(0, 24)) player.ScaleWindowExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case kExcludeClipRect:
            if (r.Has(0, 24)) player.ExcludeClipRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case kOffsetClipRgn: if (r.Has(0, 16)) player.OffsetClipRgn(r.I32(8), r.I32(12)); break;
        case kExtSelectClipRgn: {
            // No region data: no region (the clip removed by a copy, nothing else).
            Rects rects;
            if (r.Has(0, 16) && r.U32(8) == 0) player.SelectClipRects(nullptr, false, r.I32(12));
            else if (r.Has(0, 16) && RegionOf(r, 8, 16, rects)) player.SelectClipRects(&rects, false, r.I32(12));
            break;
        }
        case kSelectClipPath: if (r.Has(0, 12)) player.SelectClipPath(r.I32(8)); break;
        case kFillRgn: {
            Rects rects;
            if (r.Has(0, 32) && RegionOf(r, 24, 32, rects) && Slot(player, r.U32(28), &slot)) player.FillRegion(rects, slot);
            break;
        }
        case kFrameRgn: {
            Rects rects;
            if (r.Has(0, 40) && RegionOf(r, 24, 40, rects) && Slot(player, r.U32(28), &slot))
                player.FrameRegion(rects, slot, r.I32(32), r.I32(36));
            break;
        }
        case kInvertRgn:
        case kPaintRgn: {
            Rects rects;
            if (!r.Has(0, 28) || !RegionOf(r, 24, 28, rects)) break;
            if (type == kInvertRgn) player.InvertRegion(rects);
            else player.FillRegion(rects, SIZE_MAX);
            break;
        }
        case kExtFloodFill:
            if (r.Has(0, 24)) player.FloodFill({double(r.I32(8)), double(r.I32(12))}, r.U32(16), r.U32(20) == 1);
            break;
        case kRoundRect:
            if (r.Has(0, 32)) player.RoundRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20), r.I32(24), r.I32(28));
            break;
        case kArc:
        case kArcTo:
        case kChord:
        case kPie:
            if (r.Has(0, 40)) {
                const Player::ArcKind kind = type == kArc     ? Player::ArcKind::Arc
                                             : type == kArcTo ? Player::ArcKind::ArcTo
                                             : type == kChord ? Player::ArcKind::Chord
                                                              : Player::ArcKind::Pie;
                player.ArcShape(kind, r.I32(8), r.I32(12), r.I32(16), r.I32(20), {double(r.I32(24)), double(r.I32(28))},
                                {double(r.I32(32)), double(r.I32(36))});
            }
            break;
        case kAngleArc:
            if (r.Has(0, 28))
                player.AngleArc({double(r.I32(8)), double(r.I32(12))}, double(r.U32(16)), r.F32(20), r.F32(24));
            break;
        case kPolyDraw:
        case kPolyDraw16: {
            const bool bShort = type == kPolyDraw16;
            if (!r.Has(0, 28) || !Points(r, 28, r.U32(24), bShort, pts)) break;
            const size_t typesAt = 28 + pts.size() * (bShort ? 4 : 8);
            if (!r.Has(typesAt, pts.size())) break;
            player.PolyDraw(pts, std::vector<BYTE>(r.At(typesAt), r.At(typesAt) + pts.size()));
            break;
        }
        case kFlattenPath: player.FlattenPath(); break;
        case kWidenPath: player.WidenPath(); break;
        case kAbortPath: player.AbortPath(); break;
        case kSmallTextOut: SmallText(player, r); break;
        case kSetTextJustification: if (r.Has(0, 16)) player.SetTextJustification(r.I32(8), r.I32(12)); break;
        case kPolyTextOutA:
        case kPolyTextOutW: {
            if (!r.Has(0, 40)) break;
            const uint64_t n = r.U32(36);
            if (n > r.Size() / 40) break;
            for (size_t i = 0; i < n; ++i) Text(player, r, type == kPolyTextOutW, 40 + 40 * i);
            break;
        }
        case kMaskBlt: MaskBlit(player, r); break;
        case kPlgBlt: PlgBlit(player, r); break;
        case kAlphaBlend: BlendBlit(player, r, true); break;
        case kTransparentBlt: BlendBlit(player, r, false); break;
        case kGradientFill: Gradient(player, r); break;
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

ErrorCode PlayEmfRecords(Player& player, const BYTE* records, size_t size, bool* pEof) {
    *pEof = false;
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 8) return ErrorCode::BadMetafile;
        const uint32_t type = GetLe32(records + pos), bytes = GetLe32(records + pos + 4);
        if (bytes < 8 || bytes % 4 != 0 || bytes > size - pos) return ErrorCode::BadMetafile;
        if (type == kEof) {
            *pEof = true;
            return ErrorCode::None;
        }
        Play(player, type, Fields(records + pos, bytes));
        if (player.Error() != ErrorCode::None) return player.Error();
        pos += bytes;
    }
    return ErrorCode::None;
}

}  // namespace px::mf
