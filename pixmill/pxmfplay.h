// The metafile record player: a device context's state as the records set it (mapping, world transform,
// colours, modes, selected pen, brush and font, current position, path, clip rectangle), the object
// table, and the drawing of shapes, text and bitmaps onto a raster through the drawing layer.
//
// Coordinates: a record's logical point goes through the world transform (enhanced metafiles), then
// the page mapping (window origin and extent onto viewport origin and extent, or a fixed mapping mode
// of the reference device) into reference-device pixels, and from there onto the raster: the picture's
// frame, in reference pixels, is stretched over the whole raster. The player does all of that itself;
// the drawing layer only ever sees raster pixels, rounded to nearest and saturated to its coordinate
// range.
//
// The drawing layer draws one-pixel pens; wider pens are stroked here as filled polygons (each segment a
// quadrilateral, each joint and end a disc). Pen styles other than solid and null draw solid; hatched
// brushes fill solid in their colour; pattern brushes and palettes take their object slot and select
// nothing. The clip rectangle is applied by drawing through a work bitmap of its size.
#pragma once

#include <cstddef>
#include <cstdint>
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
constexpr UINT kBsSolid = 0, kBsNull = 1, kBsHatched = 2;
// ExtTextOut options.
constexpr UINT kEtoOpaque = 0x0002, kEtoClipped = 0x0004;

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

struct PenInfo {
    int style = 0;       // PS_SOLID
    double width = 0;    // logical units; 0: one pixel
    COLORREF color = 0;
};

struct BrushInfo {
    UINT style = kBsSolid;
    COLORREF color = 0xFFFFFF;
};

// An entry of the object table.
struct Object {
    enum class Kind { Empty, Pen, Brush, Font, Other } kind = Kind::Empty;
    PenInfo pen;
    BrushInfo brush;
    LOGFONT font{};
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
    bool clipped = false;     // the clip rectangle, in raster pixels
    int clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
};

class Player {
public:
    // Plays onto the raster bitmap selected into `dc`, of width x height pixels.
    Player(CDC& dc, int width, int height, const PlaySetup& setup);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

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
    void SetBkMode(int mode);
    void SetTextAlign(UINT align) { m_state.textAlign = align; }
    void SetPolyFillMode(int mode);
    void SaveDC();
    // n < 0: the state n saves back; n > 0: the n-th save. Others are ignored.
    void RestoreDC(int n);
    void IntersectClipRect(double left, double top, double right, double bottom);

    // ---- objects: slots of the table; a slot outside it or an empty one is ignored.
    size_t ObjectSlots() const { return m_objects.size(); }
    // The lowest free slot, or ObjectSlots() when the table is full.
    size_t FreeSlot() const;
    void CreateObject(size_t slot, const Object& object);
    void SelectObject(size_t slot);
    // A stock object by its index (WHITE_BRUSH 0 ... NULL_PEN 8, the fonts 10 to 17, DC_BRUSH 18, DC_PEN 19).
    void SelectStockObject(DWORD index);
    void DeleteObject(size_t slot);

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
    // Text of Windows-1252 bytes at the reference point; rect (logical, may be NULL) for ETO_OPAQUE and
    // ETO_CLIPPED.
    void TextOut(DPoint ref, const std::string& text, UINT options, const double* rect);
    // A DIB onto the logical destination rectangle. The source rectangle counts its rows as StretchDIBits
    // does (from the bottom of a bottom-up DIB) when bDibRows, else from the top as for a bitmap.
    // A DIB that does not fit its bytes, a raster operation the layer lacks or DIB_PAL_COLORS draw
    // nothing.
    void DrawDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                 bool bDibRows, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage,
                 DWORD rop);
    // A raster operation without a source on the logical rectangle (PATCOPY, PATINVERT, DSTINVERT,
    // BLACKNESS, WHITENESS; others draw nothing).
    void PatBlt(double x, double y, double w, double h, DWORD rop);

    // ---- paths
    void BeginPath();
    void EndPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();

private:
    // The path between BeginPath and its use: raster figures.
    struct Path {
        bool recording = false;
        bool ended = false;
        std::vector<std::vector<DPoint>> figures;
        std::vector<bool> closed;
        size_t points = 0;
    };

    void UpdateTransform();
    DPoint ToRaster(DPoint p) const { return m_toRaster.Apply(p); }
    double PenWidthPixels() const;
    bool PenVisible() const { return (m_state.pen.style & 0x0F) != kPsNull; }
    bool BrushVisible() const { return m_state.brush.style == kBsSolid || m_state.brush.style == kBsHatched; }
    bool AxisAligned() const { return m_toRaster.m12 == 0 && m_toRaster.m21 == 0; }

    std::vector<DPoint> ToRaster(const std::vector<DPoint>& pts) const;
    // Raster figures (each a list of points, closed or not): the brush fills them all under the fill
    // mode, the pen strokes them.
    void FillFigures(const std::vector<std::vector<DPoint>>& figures, int fillMode);
    // Fills raster polygons in one colour under a fill mode, with no outline.
    void FillRaster(const std::vector<std::vector<DPoint>>& figures, COLORREF color, int fillMode);
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

    // Runs draw(dc, dx, dy) with dx, dy to subtract from raster coordinates: on the raster itself, or,
    // while a clip rectangle is in force, on a work bitmap of the clip that is then copied back.
    template <class Draw>
    void Paint(Draw draw);

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
};

}  // namespace px::mf
