// The metafile record player: a device context's state as the records set it (mapping, world transform,
// colours, modes, selected pen, brush, font and palette, current position, path, clip mask), the object
// table, and the drawing of shapes, regions, text and bitmaps onto a raster through the drawing layer.
//
// Coordinates: a record's logical point goes through the world transform (enhanced metafiles), then
// the page mapping (window origin and extent onto viewport origin and extent, or a fixed mapping mode
// of the reference device) into reference-device pixels, and from there onto the raster: the picture's
// frame, in reference pixels, is stretched over the whole raster. The player does all of that itself;
// the drawing layer only ever sees raster pixels, rounded to nearest and saturated to its coordinate
// range.
//
// The drawing layer draws one-pixel pens; wider pens are stroked here as filled polygons with their
// dashes, end caps, joins and miter limit (pxmfstroke.cpp). Dashed one-pixel pens stroke their dashes as
// open figures; the dashed styles of pens of CreatePen wider than a pixel draw solid, as the platform
// makes them. Hatched brushes draw 8 x 8 hatches in their colour over the background colour (nothing in
// TRANSPARENT mode); pattern brushes tile their bitmap from the brush origin (the raster's top-left
// corner until SETBRUSHORGEX moves it); a DIB_PAL_COLORS pattern takes its colours from the palette
// selected when it paints. Arcs, chords and pies run in the arc direction as it shows on the raster,
// whatever the mapping's orientation.
//
// The clip is a mask of raster pixels over the box of its shape (none: the whole raster), combined with
// each clip record's shape and kept with the rest of the state by SaveDC; the masks alive are bounded,
// and a file that passes the bound fails (pxmfclip.cpp). While a clip, a binary raster operation other
// than R2_COPYPEN or a pattern brush is in force, shapes are drawn onto a work bitmap that starts out
// with a marker no drawing writes (the top byte of a pixel set); the pixels drawn then go onto the raster
// through the clip, the pattern and the raster operation. Blits combine the destination, their source
// and the brush pixel by pixel through the clip with any of the 256 ternary raster operations
// (pxmfrop.cpp).
//
// Regions are lists of rectangles: a region object's in logical units, EXTSELECTCLIPRGN's in
// reference-device pixels.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "pixmill/pxcore.h"
#include "platform/gdi/dib.h"

namespace px::mf {

// Mapping modes.
constexpr int kMmText = 1, kMmLoMetric = 2, kMmHiMetric = 3, kMmLoEnglish = 4, kMmHiEnglish = 5, kMmTwips = 6,
              kMmIsotropic = 7, kMmAnisotropic = 8;
// Pen styles (low four bits) and brush styles.
constexpr int kPsNull = 5;
constexpr UINT kBsSolid = 0, kBsNull = 1, kBsHatched = 2, kBsPattern = 3;
// Binary raster operations (the pen's and brush's colour against the raster's).
constexpr int kR2Black = 1, kR2Nop = 11, kR2CopyPen = 13, kR2White = 16;
// Arc directions.
constexpr int kAdCounterClockwise = 1, kAdClockwise = 2;
// Ways a clip shape combines with the clip in force.
constexpr int kRgnAnd = 1, kRgnOr = 2, kRgnXor = 3, kRgnDiff = 4, kRgnCopy = 5;
// ExtTextOut options.
constexpr UINT kEtoOpaque = 0x0002, kEtoClipped = 0x0004, kEtoGlyphIndex = 0x0010, kEtoPdy = 0x2000;

struct DPoint {
    double x = 0;
    double y = 0;
};

// x' = x m11 + y m21 + dx, y' = x m12 + y m22 + dy.
struct Xform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    DPoint Apply(DPoint p) const { return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy}; }
    // This transform, then `next`.
    Xform Then(const Xform& next) const;
    bool IsFinite() const;
};

// A raster coordinate: the nearest whole pixel, saturated to the drawing layer's coordinate range.
int ToPixel(double v);

// A path keeps at most this many points; figures beyond it are dropped.
constexpr size_t kMaxPathPoints = size_t{1} << 22;

// Pen styles: the line style (low four bits), end cap and join.
constexpr int kPsDash = 1, kPsDot = 2, kPsDashDot = 3, kPsDashDotDot = 4, kPsUserStyle = 7, kPsAlternate = 8;
constexpr int kPsEndCapMask = 0x0F00, kPsEndCapSquare = 0x0100, kPsEndCapFlat = 0x0200;
constexpr int kPsJoinMask = 0xF000, kPsJoinBevel = 0x1000, kPsJoinMiter = 0x2000;

struct PenInfo {
    PenInfo() = default;
    PenInfo(int s, double w, COLORREF c) : style(s), width(w), color(c) {}
    int style = 0;       // PS_SOLID with round ends and joins; the record's whole style
    double width = 0;    // logical units; 0: one pixel
    COLORREF color = 0;
    // A geometric pen of ExtCreatePen keeps its dashed styles at any width; the others' wide dashed pens
    // draw solid, as the platform's CreatePen makes them.
    bool geometric = false;
    // PS_USERSTYLE: dash and gap lengths in turn, in logical units for a geometric pen, in pixels for a
    // cosmetic one.
    std::vector<double> userStyle;
};

// A pattern brush's bitmap: raster pixels (0x00RRGGBB), top row first; a monochrome one holds 0 and 1,
// drawn in the text and background colours. A pixel with its top byte set leaves the raster as it is
// (the gaps of a hatch in TRANSPARENT mode).
struct Pattern {
    int width = 0, height = 0;
    bool monochrome = false;
    // DIB_PAL_COLORS: the pixels hold indices into the palette selected when the brush paints (0x10000:
    // an entry the colour table lacks, black).
    bool paletteIndices = false;
    std::vector<uint32_t> pixels;
};

struct BrushInfo {
    UINT style = kBsSolid;
    COLORREF color = 0xFFFFFF;
    std::shared_ptr<const Pattern> pattern;  // kBsPattern
    UINT hatch = 0;                          // kBsHatched: HS_HORIZONTAL 0 ... HS_DIAGCROSS 5
};

// A set of raster pixels: the box [left, right) x [top, bottom) that holds them, within the raster, and
// one byte a pixel over that box only (non-zero inside), row by row.
struct Mask {
    int left = 0, top = 0, right = 0, bottom = 0;
    std::vector<uint8_t> bits;
    int Width() const { return right - left; }
    bool IsEmpty() const { return left >= right || top >= bottom; }
    bool Inside(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom &&
               bits[static_cast<size_t>(y - top) * static_cast<size_t>(right - left) + static_cast<size_t>(x - left)] != 0;
    }
    uint8_t* Row(int y) { return bits.data() + static_cast<size_t>(y - top) * static_cast<size_t>(right - left); }
    const uint8_t* Row(int y) const {
        return bits.data() + static_cast<size_t>(y - top) * static_cast<size_t>(right - left);
    }
    // Shrinks the box to the pixels inside (an empty box when there are none).
    void Trim();
};
using MaskPtr = std::shared_ptr<const Mask>;

// A region object: rectangles (left, top, right, bottom) in the units of the record that made it.
using Rects = std::vector<std::array<double, 4>>;

// An entry of the object table.
struct Object {
    enum class Kind { Empty, Pen, Brush, Font, Region, Palette, Other } kind = Kind::Empty;
    PenInfo pen;
    BrushInfo brush;
    LOGFONT font{};
    Rects rects;                                // Region
    std::vector<PALETTEENTRY> palette;          // Palette: its entries
    std::shared_ptr<CPalette> layerPalette;     // Palette: the layer's palette of them
};

// The reference device a picture was made for: its size in pixels and in millimetres.
struct ReferenceDevice {
    double pixelsX = 1920, pixelsY = 1440;
    double millimetresX = 508, millimetresY = 381;
};

// What a play starts from.
struct PlaySetup {
    ReferenceDevice reference;
    // The frame in reference pixels: it covers the raster.
    double frameLeft = 0, frameTop = 0, frameRight = 1, frameBottom = 1;
    // The page mapping at the start.
    int mapMode = kMmText;
    double windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
    double viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;
    size_t objectSlots = 0;  // size of the object table
};

// The device context's state that SaveDC keeps and RestoreDC brings back.
struct DcState {
    int mapMode = kMmText;
    double windowOrgX = 0, windowOrgY = 0, windowExtX = 1, windowExtY = 1;
    double viewportOrgX = 0, viewportOrgY = 0, viewportExtX = 1, viewportExtY = 1;
    Xform world;
    COLORREF bk = 0xFFFFFF;
    COLORREF text = 0;
    int bkMode = OPAQUE;
    UINT textAlign = 0;
    int polyFillMode = ALTERNATE;
    PenInfo pen;            // the stock black pen at first
    BrushInfo brush;        // the stock white brush
    LOGFONT font{};
    bool defaultFont = true;  // no font selected: the layer's default font
    DPoint current;           // logical
    MaskPtr clip;             // none: the whole raster
    int rop2 = kR2CopyPen;
    int arcDirection = kAdCounterClockwise;
    int stretchMode = 1;      // BLACKONWHITE; the layer stretches by the nearest pixel whatever it is
    POINT brushOrg{0, 0};     // raster pixels: where patterns and hatches start
    double miterLimit = 10;   // the longest miter join, in pen widths; longer ones are bevelled
    std::shared_ptr<CPalette> palette;  // none: the default palette
    size_t paletteSlot = SIZE_MAX;      // the object slot of the selected palette
    double charExtra = 0;               // logical units added to each character's advance
    double breakExtra = 0;              // logical units spread over breakCount break characters
    int breakCount = 0;
};

// A text record's text (pxmftext.cpp): its characters as the record holds them, the advances it
// gives, the reference point and the ExtTextOut options with their rectangle.
struct TextRun {
    // Bytes in the code page of the selected font's character set, UTF-16 code units, or glyph
    // indices of the selected font.
    enum class Units { Bytes, Utf16, GlyphIndices } kind = Units::Bytes;
    std::vector<uint32_t> units;
    // Each unit's advance in logical units (empty: the font's own), and with ETO_PDY each unit's
    // move along the font's up direction.
    std::vector<double> dx, dy;
    DPoint ref;
    UINT options = 0;
    bool hasRect = false;
    double rect[4] = {0, 0, 0, 0};  // logical left, top, right, bottom
    bool advanced = false;          // GM_ADVANCED: the text follows the whole transform
};

class Player {
public:
    // Plays onto the raster bitmap selected into `dc`, of width x height pixels.
    Player(CDC& dc, int width, int height, const PlaySetup& setup);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // What ends the play early: ErrorCode::OutOfMemory when the clip masks alive would pass their bound,
    // for drawing on without the clip a file asked for would be wrong. The record loops stop at the
    // record that failed.
    ErrorCode Error() const { return m_error; }

    // ---- state records
    void SetMapMode(int mode);
    void SetWindowOrg(double x, double y);
    void SetWindowExt(double x, double y);
    void SetViewportOrg(double x, double y);
    void SetViewportExt(double x, double y);
    void SetWorldTransform(const Xform& xf);
    // 1 identity, 2 xf before the present transform, 3 after it, 4 set.
    void ModifyWorldTransform(const Xform& xf, DWORD mode);
    void SetBkColor(COLORREF c) { m_state.bk = c & 0xFFFFFF; }
    void SetTextColor(COLORREF c) { m_state.text = c & 0xFFFFFF; }
    COLORREF TextColor() const { return m_state.text; }
    COLORREF BkColor() const { return m_state.bk; }
    void SetBkMode(int mode);
    void SetTextAlign(UINT align) { m_state.textAlign = align; }
    void SetTextCharExtra(double extra) { m_state.charExtra = std::isfinite(extra) ? extra : 0; }
    void SetTextJustification(double breakExtra, int breakCount);
    void SetPolyFillMode(int mode);
    void SaveDC();
    // n < 0: the state n saves back; n > 0: the n-th save. Others are ignored.
    void RestoreDC(int n);
    void SetRop2(int rop2);
    void SetStretchBltMode(int mode);
    void SetArcDirection(int direction);
    // The miter limit: 1 or more (others are refused).
    void SetMiterLimit(double limit);
    // Where patterns and hatches start, in reference-device pixels from the picture's top-left corner.
    void SetBrushOrg(double x, double y);
    // Extents multiplied by num / den, truncated as whole numbers (isotropic and anisotropic modes only).
    void ScaleWindowExt(int xNum, int xDen, int yNum, int yDen);
    void ScaleViewportExt(int xNum, int xDen, int yNum, int yDen);
    void OffsetWindowOrg(double dx, double dy);
    void OffsetViewportOrg(double dx, double dy);

    // ---- clipping: logical rectangles, regions and the path combined with the clip in force
    void IntersectClipRect(double left, double top, double right, double bottom);
    void ExcludeClipRect(double left, double top, double right, double bottom);
    // Moves the clip by a logical offset.
    void OffsetClipRgn(double dx, double dy);
    // A region's rectangles in reference-device pixels (bLogical false) or logical units; mode kRgnAnd ...
    // kRgnCopy. No region (nullptr) with kRgnCopy removes the clip; with any other mode it changes
    // nothing, as the platform refuses the call. A region of no rectangles is the empty set.
    void SelectClipRects(const Rects* rects, bool bLogical, int mode);
    // The clip from a region object (slot), combined as kRgnCopy; an empty or missing slot removes it.
    void SelectClipRegion(size_t slot);
    void SelectClipPath(int mode);

    // ---- objects: slots of the table; a slot outside it or an empty one is ignored.
    size_t ObjectSlots() const { return m_objects.size(); }
    // The lowest free slot, or ObjectSlots() when the table is full.
    size_t FreeSlot() const;
    void CreateObject(size_t slot, const Object& object);
    void SelectObject(size_t slot);
    // A stock object by its index (WHITE_BRUSH 0 ... NULL_PEN 8, the fonts 10 to 17, DC_BRUSH 18, DC_PEN 19).
    void SelectStockObject(DWORD index);
    void DeleteObject(size_t slot);
    // A palette object into the slot, from its entries.
    void CreatePalette(size_t slot, const std::vector<PALETTEENTRY>& entries);
    // Entries from `start` of the palette in the slot, or of the selected palette (slot SIZE_MAX).
    void SetPaletteEntries(size_t slot, size_t start, const std::vector<PALETTEENTRY>& entries);
    void SelectPalette(size_t slot);  // SIZE_MAX: the default palette
    // The region object in a slot (nullptr when there is none).
    const Rects* RegionAt(size_t slot) const;

    // ---- drawing, in logical coordinates
    void MoveTo(DPoint p);
    void LineTo(DPoint p);
    void Polyline(const std::vector<DPoint>& pts);
    // From the current position through the points, which becomes the last one.
    void PolylineTo(const std::vector<DPoint>& pts);
    // Cubic Bezier segments: 1 + 3n points, or 3n after the current position (bTo).
    void PolyBezier(const std::vector<DPoint>& pts, bool bTo);
    void Polygon(const std::vector<DPoint>& pts);
    void PolyPolygon(const std::vector<DPoint>& pts, const std::vector<size_t>& counts);
    void PolyPolyline(const std::vector<DPoint>& pts, const std::vector<size_t>& counts);
    void Rectangle(double left, double top, double right, double bottom);
    void Ellipse(double left, double top, double right, double bottom);
    // Rounded corners of the ellipse of cornerW x cornerH.
    void RoundRect(double left, double top, double right, double bottom, double cornerW, double cornerH);
    // The ellipse in the box from the radial through `start` to the one through `end`, in the arc
    // direction. Arc strokes it; ArcTo first draws a line from the current position to its start and
    // moves the current position to its end; Chord closes it with a line, Pie with lines to the centre,
    // and both are filled.
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void ArcShape(ArcKind kind, double left, double top, double right, double bottom, DPoint start, DPoint end);
    // A line from the current position to the circle's point at startDeg, then the arc over sweepDeg
    // (counter-clockwise for positive); the current position ends on it.
    void AngleArc(DPoint centre, double radius, double startDeg, double sweepDeg);
    // Points with PT_MOVETO, PT_LINETO and PT_BEZIERTO types (PT_CLOSEFIGURE may be or'ed in).
    void PolyDraw(const std::vector<DPoint>& pts, const std::vector<BYTE>& types);
    void SetPixel(DPoint p, COLORREF color);
    // Regions: logical rectangles filled with a brush object (slot; SIZE_MAX: the selected brush),
    // framed with it (a frame w x h logical units wide), or inverted.
    void FillRegion(const Rects& rects, size_t brushSlot);
    void FrameRegion(const Rects& rects, size_t brushSlot, double w, double h);
    void InvertRegion(const Rects& rects);
    // Fills the area around p: of the colour (bSurface) or up to a border of it, with the brush.
    void FloodFill(DPoint p, COLORREF color, bool bSurface);
    // A gradient over the vertices (logical points, 16-bit colour channels): rectangles (mode 0
    // horizontal, 1 vertical) or triangles (mode 2), each a list of vertex indices.
    struct Vertex {
        DPoint p;
        double r = 0, g = 0, b = 0;
    };
    void GradientFill(const std::vector<Vertex>& vertices, const std::vector<std::vector<uint32_t>>& pieces, int mode);
    // Text in the selected font (pxmftext.cpp).
    void TextOut(const TextRun& run);
    // A DIB onto the logical destination rectangle with a ternary raster operation (any of the 256: the
    // third byte of rop is its truth table over the brush, the source and the destination). The source
    // rectangle counts its rows as StretchDIBits does (from the bottom of a bottom-up DIB) when bDibRows,
    // else from the top as for a bitmap. DIB_PAL_COLORS tables index the selected palette. A DIB that does
    // not fit its bytes draws nothing.
    void DrawDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                 bool bDibRows, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage,
                 DWORD rop);
    // A ternary raster operation without a source on the logical rectangle; one that reads a source draws
    // nothing, as the platform refuses it.
    void PatBlt(double x, double y, double w, double h, DWORD rop);
    // A DIB drawn as DrawDib draws it with SRCCOPY, keeping the raster wherever the stretched source has
    // the colour `transparent` (TransparentBlt), or blended onto it (AlphaBlend: constant alpha 0 to 255,
    // and the source's own alpha when bSourceAlpha, for 32-bit DIBs of premultiplied colours).
    void TransparentDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc,
                        int hSrc, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage,
                        COLORREF transparent);
    void AlphaDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage, int alpha,
                  bool bSourceAlpha);
    // A DIB through a monochrome mask DIB (mask pixel 1: the raster operation's foreground, 0: its
    // background operation, the top byte of rop), as MaskBlt; no mask: as DrawDib.
    void MaskDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, const BITMAPINFO* bmi,
                 size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage, DWORD rop, const BITMAPINFO* maskBmi,
                 size_t cbMaskInfo, const BYTE* maskBits, size_t cbMaskBits, int xMask, int yMask);
    // A DIB onto the parallelogram of three logical points (top-left, top-right, bottom-left).
    void PlgDib(const DPoint corners[3], int xSrc, int ySrc, int wSrc, int hSrc, const BITMAPINFO* bmi, size_t cbInfo,
                const BYTE* bits, size_t cbBits, UINT usage);

    // ---- paths
    void BeginPath();
    void EndPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void FlattenPath() {}  // the path holds lines only
    // The path becomes the outline of its stroke with the pen.
    void WidenPath();
    void AbortPath();

private:
    // The path between BeginPath and its use: raster figures.
    struct Path {
        bool recording = false;
        bool ended = false;
        std::vector<std::vector<DPoint>> figures;
        std::vector<bool> closed;
        size_t points = 0;
        bool widened = false;  // the outline of a stroke: filled under WINDING
    };

    // m_toRaster from the state's mapping; false (and m_toRaster kept) when the mapping is not finite.
    bool UpdateTransform();
    // Changes the state's mapping, unless the change leaves no finite mapping.
    template <class Change>
    void Remap(Change change);
    DPoint ToRaster(DPoint p) const { return m_toRaster.Apply(p); }
    double PenWidthPixels() const;
    bool PenVisible() const { return (m_state.pen.style & 0x0F) != kPsNull; }
    static bool Paints(const BrushInfo& b) {
        return b.style == kBsSolid || (b.style == kBsHatched && b.hatch <= 5) || (b.style == kBsPattern && b.pattern);
    }
    bool BrushVisible() const { return Paints(m_state.brush); }
    bool AxisAligned() const { return m_toRaster.m12 == 0 && m_toRaster.m21 == 0; }

    std::vector<DPoint> ToRaster(const std::vector<DPoint>& pts) const;
    // Raster figures (each a list of points, closed or not): the brush fills them all under the fill
    // mode, the pen strokes them.
    void FillFigures(const std::vector<std::vector<DPoint>>& figures, int fillMode);
    // Fills raster polygons in one colour under a fill mode, with no outline.
    void FillRaster(const std::vector<std::vector<DPoint>>& figures, COLORREF color, int fillMode,
                    const Pattern* pattern = nullptr);
    // The layer's own rectangle or ellipse on the raster box from a to b, with the pen and brush.
    void PaintLayerShape(bool bEllipse, DPoint a, DPoint b);
    void StrokeFigures(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed);
    void FillAndStroke(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed);
    // A figure into the path being recorded; false when no path is being recorded.
    bool AddToPath(std::vector<DPoint> raster, bool closed);
    // Extends the path's open figure (or starts one at the current position) by raster points.
    void ExtendPath(const std::vector<DPoint>& raster);
    void ClearPath();
    std::vector<DPoint> EllipsePoints(double left, double top, double right, double bottom) const;
    void BezierTo(std::vector<DPoint>& out, DPoint p0, DPoint p1, DPoint p2, DPoint p3) const;

    // Runs draw(dc, dx, dy) with dx, dy to subtract from raster coordinates: on the raster itself, or on
    // a marked work bitmap whose drawn pixels go onto the raster through the clip (and `extra`, when
    // given), the pattern (when given) and, when bRop2, the binary raster operation.
    // `bound` (raster pixels), when given, holds every pixel the draw can change: only that part of the
    // raster goes through the work bitmap. With bCut, the draw is cut to `bound`: pixels it draws outside
    // are left as they are (a text clipped to its own box).
    template <class Draw>
    void Paint(Draw draw, const Pattern* pattern = nullptr, bool bRop2 = false, const Mask* extra = nullptr,
               const RECT* bound = nullptr, bool bCut = false);
    // The same for draws that read the raster (blits): the work bitmap starts as a copy of it.
    template <class Draw>
    void PaintOver(Draw draw, const Mask* extra = nullptr, const RECT* bound = nullptr);
    // The part of the raster a clipped draw can change: the raster within the clip, `extra` and `bound`
    // (each when given); false when that is empty.
    bool PaintBox(const Mask* clip, const Mask* extra, const RECT* bound, RECT& box) const;
    // The work bitmap for a box of the raster, selected into m_clipDc; false when it cannot be had.
    bool WorkBitmap(int w, int h);
    // The brush's pattern with a monochrome one's colours resolved, a hatch's pattern, or nullptr for a
    // solid brush.
    std::shared_ptr<const Pattern> BrushPattern(const BrushInfo& brush) const;
    // Fills raster figures with a brush (its colour or pattern), with no outline.
    void FillWithBrush(const std::vector<std::vector<DPoint>>& figures, const BrushInfo& brush, int fillMode);
    // The mask of raster figures under a fill rule, and of rectangles through a transform: sized by the
    // shape's box within the raster.
    Mask MaskOf(const std::vector<std::vector<DPoint>>& figures, int fillMode);
    Mask MaskOfRects(const Rects& rects, const Xform& xf);
    // An empty mask (all outside) over the box cut to the raster; false, with the play failed, when its
    // memory cannot be had.
    bool NewMask(Mask& m, RECT box);
    void CombineClip(Mask shape, int mode);
    // The mask as a clip to keep, counted against the bound of the bytes of masks alive; past the bound
    // the play fails with ErrorCode::OutOfMemory (and the clip in force comes back).
    MaskPtr KeepMask(Mask&& m);
    void Fail(ErrorCode e) {
        if (m_error == ErrorCode::None) m_error = e;
    }
    // Points of the ellipse in the box from parameter t0 over sweep (radians, in the ellipse's own
    // parameter), in raster pixels.
    std::vector<DPoint> EllipseArc(double left, double top, double right, double bottom, double t0, double sweep) const;
    // The sweep from t0 to t1 in the arc direction as it shows on the raster.
    double ArcSweep(double t0, double t1) const;
    // The dash pattern of the pen in force for a stroke of `width` pixels: dash and gap lengths in raster
    // pixels in turn; empty for a solid line.
    std::vector<double> PenDashes(double width) const;
    // The outline of the figures stroked with the pen in force at `width` pixels (its dashes, ends,
    // joins and miter limit): polygons each turning the same way, filled under WINDING, handed one by one
    // to emit(std::vector<DPoint>&&). Only the part near the raster is made.
    template <class Emit>
    void WidePenOutline(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed, double width,
                        Emit&& emit) const;
    // The same outline's polygons up to maxPoints points; those past them are left out.
    std::vector<std::vector<DPoint>> WidePenPieces(const std::vector<std::vector<DPoint>>& figures,
                                                   const std::vector<bool>& closed, double width,
                                                   size_t maxPoints) const;
    // Strokes the figures with the pen in force at `width` pixels, wider than one.
    void StrokeWide(const std::vector<std::vector<DPoint>>& figures, const std::vector<bool>& closed, double width);
    // The brush of a slot (SIZE_MAX: the selected one); false when the slot holds none.
    bool BrushOf(size_t slot, BrushInfo* brush) const;
    // The stretched DIB on a work bitmap of the destination rectangle; false when nothing draws.
    struct Stretched;
    // Source rows count as StretchDIBits counts them when bDibRows, else from the top. Pixels the source
    // does not cover hold paint::kUndrawn.
    bool StretchToWork(Stretched& out, double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc,
                       int wSrc, int hSrc, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits,
                       UINT usage, bool bDibRows = false);
    // A ternary raster operation over the raster box, through the clip: each pixel of the destination,
    // the source (`src`, when given: its top-left raster pixel at (srcX, srcY), marked pixels leave the
    // destination) and the brush. With a mask (a surface of the same placement as the source), pixels
    // where it is black take the background operation `backIndex` instead of the foreground one.
    void RopBlit(RECT box, DWORD rop, const gdi::Surface* src, int srcX, int srcY, const gdi::Surface* mask = nullptr,
                 DWORD backIndex = 0xAA);

    CDC& m_dc;
    int m_width;
    int m_height;
    PlaySetup m_setup;
    DcState m_state;
    std::vector<DcState> m_saved;
    std::vector<Object> m_objects;
    Path m_path;
    Xform m_toRaster;
    // Layer objects reused between records.
    CPen m_pen;
    CBrush m_brush;
    std::unique_ptr<CFont> m_font;
    LOGFONT m_fontKey{};
    CDC m_clipDc;
    CBitmap m_clipBitmap;
    std::shared_ptr<size_t> m_maskBytes = std::make_shared<size_t>(0);  // bytes of the masks alive
    ErrorCode m_error = ErrorCode::None;
};

// The rectangles of a region record: an RGNDATA block (32-byte header, then RECTLs) of n bytes.
Rects RegionDataRects(const BYTE* p, size_t n);

}  // namespace px::mf
