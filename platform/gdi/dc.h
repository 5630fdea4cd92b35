// Device contexts and drawing objects: CDC, CPen, CBrush, CBitmap, CRgn, with the platform's pixel rules
// and no antialiasing. Every DC draws into a gdi::Surface (32 bits a pixel, B,G,R,X, top-down) and clips
// to it; there are no clip regions, mapping modes or raster operations on pens.
//
// Pixel rules (all coordinates are pixel indices, y down):
//   - LineTo draws from the current position up to, not including, the end point. The major axis is the
//     one with the larger extent (x when they are equal); each step along it lights one pixel whose minor
//     coordinate is the exact line's value rounded to nearest, halves rounded up (towards +x or +y). So a
//     line and its reverse can light different pixels at ties, as the platform's lines can.
//   - Rectangle(l, t, r, b): right and bottom lie outside. A visible pen outlines the border pixels of
//     [l, r) x [t, b) and the brush fills what is inside the outline. With the null pen the brush fills
//     [l, r - 1) x [t, b - 1), one pixel less in width and height, as on the platform.
//   - Ellipse(l, t, r, b): the pixels whose centres lie in the ellipse inscribed in [l, r) x [t, b)
//     (boundary included); a visible pen draws those of them that have a 4-neighbour outside, so the
//     outline lies inside the bounding rectangle and is one pixel thick; the brush fills the rest.
//   - Polygon, PolyPolygon, FillRgn and regions: one rasteriser sampling pixel centres (region.h), under
//     the DC's polygon fill mode (ALTERNATE after creation) or the region's mode. A visible pen then
//     draws each polygon's closed outline with LineTo's rule.
//   - Pens: PS_SOLID of width 0 or 1 draws one pixel wide; wider pens are drawn one pixel wide as well
//     (no caller needs more). PS_NULL draws nothing. Brushes: BS_SOLID fills, BS_NULL (= BS_HOLLOW) does not.
//   - SetPixel/GetPixel off the surface: ignored / CLR_INVALID. A memory DC without a bitmap of its own
//     has no surface: everything it draws is dropped and GetPixel gives CLR_INVALID.
//   - BitBlt and StretchBlt take SRCCOPY, SRCAND, SRCPAINT, NOTSRCCOPY, SRCINVERT, SRCERASE, NOTSRCERASE
//     and MERGEPAINT, applied to the 24 colour bits (the X byte of the result is 0); PatBlt takes
//     PATCOPY, PATINVERT, DSTINVERT, BLACKNESS and WHITENESS.
//   - Monochrome bitmaps (CreateBitmap with 1 bit a pixel) hold black and white. A blit from a colour
//     source into a monochrome destination gives white (1) where the source pixel equals the source DC's
//     background colour and black (0) elsewhere; a blit from a monochrome source into a colour
//     destination turns 0 into the destination DC's text colour and 1 into its background colour; the
//     raster operation then applies to those colours. Anything drawn on a monochrome bitmap reads back
//     as the nearer of black and white (by the sum of its channels).
//   - BitBlt copies the part of the rectangle that lies inside both surfaces (clipped on both sides; the
//     rest of the destination is left as it was); overlapping copies within one surface are safe.
//   - StretchBlt, nearest pixel: destination pixel d (of a destination extent w starting at x) takes the
//     source pixel xSrc + floor((d - x + 0.5) * wSrc / w), the source pixel under the destination
//     pixel's centre; the same for rows. A negative extent mirrors. Source pixels outside the source
//     surface leave their destination pixels as they were.
//   - Text: TextOut places the text cell by the alignment (TA_LEFT / TA_CENTER / TA_RIGHT with TA_TOP /
//     TA_BASELINE / TA_BOTTOM; TA_CENTER puts the left edge at x - width / 2, integer division) and, in
//     OPAQUE mode, first fills the cell with the background colour. TA_UPDATECP is not supported.
//
// Handles (handles.h): HDC, HPEN, HBRUSH, HBITMAP, HRGN and HPALETTE are pointers to the objects
// themselves (HDC is a CDC*), HFONT is a CFont*, HGDIOBJ a CGdiObject*. The flat functions at the end create objects on the heap
// (DeleteObject / DeleteDC free them) and otherwise forward to the members. Stock objects are never freed.
//
// Lifetimes: selecting returns the previous object (a stock object or the default font at first). An
// object deleted or destroyed while selected is replaced in every DC holding it by the DC's default (stock
// pen, brush, an empty bitmap); a selected CFont must outlive its selection (fonts are not tracked).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/afx/afxgeom.h"
#include "platform/crt/wintypes.h"
#include "platform/gdi/devcaps.h"
#include "platform/gdi/font.h"
#include "platform/gdi/handles.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

struct BITMAPINFO;  // dib.h

namespace gdi {
class StockObjects;
struct DibSection;
}

// ---- constants ---------------------------------------------------------------------------------

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;

// Brush styles.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Text alignment: one horizontal and one vertical flag.
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

// Raster operations of BitBlt and StretchBlt (on 32-bit surfaces, channel by channel on the 24 colour bits).
constexpr DWORD SRCCOPY = 0x00CC0020;      // source
constexpr DWORD SRCPAINT = 0x00EE0086;     // source OR destination
constexpr DWORD SRCAND = 0x008800C6;       // source AND destination
constexpr DWORD NOTSRCCOPY = 0x00330008;   // NOT source
constexpr DWORD SRCINVERT = 0x00660046;    // source XOR destination
constexpr DWORD SRCERASE = 0x00440328;     // source AND NOT destination
constexpr DWORD NOTSRCERASE = 0x001100A6;  // NOT (source OR destination)
constexpr DWORD MERGEPAINT = 0x00BB0226;   // NOT source OR destination
// Raster operations without a source (PatBlt).
constexpr DWORD PATCOPY = 0x00F00021;      // the brush
constexpr DWORD PATINVERT = 0x005A0049;    // brush XOR destination
constexpr DWORD DSTINVERT = 0x00550009;    // NOT destination
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// Mapping modes: the layer draws in device pixels (MM_TEXT) only.
constexpr int MM_TEXT = 1;

// Stock palette (GetStockObject): the 20 static colours of the platform.
constexpr int DEFAULT_PALETTE = 15;

// Region results.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// The platform's bitmap record (GetBitmap). bmBits points at the pixels, as for a DIB section.
struct BITMAP {
    LONG bmType;        // 0
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;  // bytes a row: width x 4; a monochrome bitmap's rows of whole WORDs; a DIB section's stride
    WORD bmPlanes;      // 1
    WORD bmBitsPixel;   // 32, 1 for a monochrome bitmap, a DIB section's bit count
    void* bmBits;       // NULL for a monochrome bitmap; a DIB section's bits
};

// A logical palette's entry and the palette record of CreatePalette.
struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
struct LOGPALETTE {
    WORD palVersion;  // 0x300
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];  // palNumEntries entries
};

// ---- drawing objects ---------------------------------------------------------------------------

// Base of pens, brushes, bitmaps and regions. An object is "created" once one of its Create functions
// succeeded; DeleteObject (or the destructor) frees what it holds, and it can be created again.
class CGdiObject {
public:
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Frees the contents and deselects the object from every DC that holds it. FALSE when the object
    // was not created or is a stock object (stock objects cannot be deleted).
    BOOL DeleteObject();
    // This object when created, else NULL.
    HGDIOBJ GetSafeHandle() const { return m_bCreated ? const_cast<CGdiObject*>(this) : nullptr; }
    operator HGDIOBJ() const { return GetSafeHandle(); }
    bool IsCreated() const { return m_bCreated; }
    bool IsStock() const { return m_bStock; }
    // Whether a DC holds the object now (never for stock objects).
    bool IsSelected() const { return !m_selectedIn.empty(); }

    enum class Kind { Pen, Brush, Bitmap, Region, Palette };
    Kind GetKind() const { return m_kind; }

protected:
    explicit CGdiObject(Kind kind) : m_kind(kind) {}
    // Called by DeleteObject once the object is deselected everywhere.
    virtual void ReleaseContents() {}
    // Removes the object from every DC that holds it (each DC selects its default instead). Derived
    // destructors call it while their contents still exist.
    void Deselect();

    bool m_bCreated = false;

private:
    friend class CDC;
    friend class gdi::StockObjects;

    Kind m_kind;
    bool m_bStock = false;
    std::vector<CDC*> m_selectedIn;  // DCs this object is selected into (not kept for stock objects)
};

class CPen : public CGdiObject {
public:
    CPen() : CGdiObject(Kind::Pen) {}
    CPen(int nPenStyle, int nWidth, COLORREF crColor);
    ~CPen() override;

    // PS_SOLID or PS_NULL; a negative width counts as 0. FALSE for another style or when already created.
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    static CPen* FromHandle(HPEN h) { return h; }
    operator HPEN() const { return m_bCreated ? const_cast<CPen*>(this) : nullptr; }

    int GetStyle() const { return m_nStyle; }
    int GetWidth() const { return m_nWidth; }
    COLORREF GetColor() const { return m_crColor; }

private:
    int m_nStyle = PS_SOLID;
    int m_nWidth = 0;
    COLORREF m_crColor = 0;
};

class CBrush : public CGdiObject {
public:
    CBrush() : CGdiObject(Kind::Brush) {}
    explicit CBrush(COLORREF crColor);  // a solid brush
    ~CBrush() override;

    BOOL CreateSolidBrush(COLORREF crColor);
    // A brush of style BS_SOLID or BS_NULL (the stock NULL_BRUSH is one too).
    BOOL CreateBrush(UINT nStyle, COLORREF crColor);
    static CBrush* FromHandle(HBRUSH h) { return h; }
    operator HBRUSH() const { return m_bCreated ? const_cast<CBrush*>(this) : nullptr; }

    UINT GetStyle() const { return m_nStyle; }
    COLORREF GetColor() const { return m_crColor; }

private:
    UINT m_nStyle = BS_SOLID;
    COLORREF m_crColor = 0;
};

// A 32-bit bitmap: a gdi::Surface. Only memory DCs select bitmaps, one DC at a time.
// A monochrome bitmap keeps its black and white pixels in a surface as well. A DIB section (dib.h) keeps
// its pixels in the DIB's own format, where the caller reads and writes them; its surface is filled from
// those bits when it is selected into a DC, and what was drawn goes back into the bits when it leaves the
// DC (another bitmap selected, or the DC deleted).
class CBitmap : public CGdiObject {
public:
    CBitmap();
    ~CBitmap() override;

    // A width x height bitmap, all black (sizes of 0 give an empty bitmap, which is valid). pDC may be
    // NULL: every DC here is 32-bit. FALSE for negative sizes, when out of memory, or when created already.
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    // 1 plane of 32 bits a pixel, lpBits (may be NULL) holding width x height pixels in the surface's
    // layout; or 1 plane of 1 bit, a monochrome bitmap, lpBits holding rows of whole WORDs, leftmost
    // pixel in the high bit, 1 white.
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
    // As CreateCompatibleBitmap, with the pixels left undefined: for a caller that writes every one of
    // them at once (the DIB decoder).
    BOOL CreateUninitialized(int nWidth, int nHeight);
    // A DIB section of the header's format (dib.h); *ppvBits (may be NULL) receives its bits, all 0.
    BOOL CreateDIBSection(const BITMAPINFO* pbmi, UINT usage, void** ppvBits);
    static CBitmap* FromHandle(HBITMAP h) { return h; }
    operator HBITMAP() const { return m_bCreated ? const_cast<CBitmap*>(this) : nullptr; }

    // Fills the record; returns sizeof(BITMAP), or 0 when not created.
    int GetBitmap(BITMAP* pBitMap) const;
    // Copies min(dwCount, size) bytes of the pixels out / in (rows of width x 4 bytes, top row first);
    // returns the bytes copied (0 when not created).
    DWORD GetBitmapBits(DWORD dwCount, void* lpBits) const;
    DWORD SetBitmapBits(DWORD dwCount, const void* lpBits);

    // The pixels (an empty surface when not created).
    gdi::Surface& GetSurface() { return m_surface; }
    const gdi::Surface& GetSurface() const { return m_surface; }

    bool IsMonochrome() const { return m_bMonochrome; }
    // The section's bits and format, or NULL for a bitmap that is not a DIB section.
    gdi::DibSection* GetDibSection() const { return m_pDib.get(); }
    // DIB sections: the surface from the bits, and the bits from the surface (dib.cpp).
    void LoadFromDibBits();
    void StoreToDibBits();

protected:
    void ReleaseContents() override;

private:
    gdi::Surface m_surface;
    bool m_bMonochrome = false;
    std::unique_ptr<gdi::DibSection> m_pDib;
};

class CRgn : public CGdiObject {
public:
    CRgn() : CGdiObject(Kind::Region) {}
    ~CRgn() override;

    // Each Create fails (FALSE) when the region already exists.
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);  // pixels [x1, x2) x [y1, y2), after ordering
    BOOL CreateRectRgnIndirect(LPCRECT lpRect);
    // nMode ALTERNATE or WINDING; pixel-centre sampling (region.h). FALSE on a count below 0 or a bad mode.
    BOOL CreatePolygonRgn(const POINT* lpPoints, int nCount, int nMode);
    BOOL CreatePolyPolygonRgn(const POINT* lpPoints, const int* lpPolyCounts, int nCount, int nPolyFillMode);

    BOOL PtInRegion(int x, int y) const;
    BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
    // The bounding box ((0, 0, 0, 0) when empty); NULLREGION, SIMPLEREGION (one rectangle), COMPLEXREGION,
    // or ERROR when the region was not created. For a polygon region more than gdi::Region::kExactRows
    // rows tall with slanted edges: the box of its vertices, and COMPLEXREGION (region.h).
    int GetRgnBox(LPRECT lpRect) const;
    // Moves the region; the region's type (as GetRgnBox), or ERROR when not created.
    int OffsetRgn(int x, int y);
    int OffsetRgn(POINT point) { return OffsetRgn(point.x, point.y); }

    static CRgn* FromHandle(HRGN h) { return h; }
    operator HRGN() const { return m_bCreated ? const_cast<CRgn*>(this) : nullptr; }

    const gdi::Region& GetRegion() const { return m_region; }

protected:
    void ReleaseContents() override;

private:
    int Type() const;
    gdi::Region m_region;
};

// A logical palette. On the true-colour devices of the layer palettes do not change pixels; they are
// selected, realised and read back as the platform's calls expect, and a palette device (RC_PALETTE)
// reports the realised entries as its system palette.
class CPalette : public CGdiObject {
public:
    CPalette() : CGdiObject(Kind::Palette) {}
    ~CPalette() override;

    // palVersion 0x300 and 1 to 65535 entries; FALSE otherwise or when created already.
    BOOL CreatePalette(const LOGPALETTE* lpLogPalette);
    static CPalette* FromHandle(HPALETTE h) { return h; }
    operator HPALETTE() const { return m_bCreated ? const_cast<CPalette*>(this) : nullptr; }

    int GetEntryCount() const { return static_cast<int>(m_entries.size()); }
    // Copies entries nStartIndex onwards, at most nNumEntries; the number copied.
    UINT GetPaletteEntries(UINT nStartIndex, UINT nNumEntries, PALETTEENTRY* lpPaletteColors) const;
    const std::vector<PALETTEENTRY>& Entries() const { return m_entries; }

protected:
    void ReleaseContents() override;

private:
    friend class gdi::StockObjects;
    std::vector<PALETTEENTRY> m_entries;
};

// ---- device context ----------------------------------------------------------------------------

// A DC is either a memory DC (CreateCompatibleDC: draws into the bitmap selected into it, nothing while
// none is) or attached to a surface it does not own (AttachSurface: a window's buffer). Its state is
// kept until changed: pen (stock BLACK_PEN: black, width 0), brush (stock WHITE_BRUSH), font (the
// default font, gdi::DefaultFont()), text colour black, background white and OPAQUE, alignment
// TA_LEFT | TA_TOP, polygon fill mode ALTERNATE, current position (0, 0).
class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // This DC once created or attached, else NULL.
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    static CDC* FromHandle(HDC h) { return h; }

    // A memory DC (pDC may be NULL). FALSE when this DC exists already.
    BOOL CreateCompatibleDC(CDC* pDC);
    // A DC drawing into pSurface, which must outlive it (or be detached first). FALSE when this DC exists
    // already or pSurface is NULL.
    BOOL AttachSurface(gdi::Surface* pSurface);
    // A DC of a device without pixels of its own (the reference screen of GetDC(NULL)): what is drawn on
    // it is dropped. FALSE when this DC exists already.
    BOOL CreateDeviceDC(const gdi::DeviceCaps& caps);
    // Deselects everything, resets the state and frees the DC (it can be created again). FALSE when it
    // did not exist.
    BOOL DeleteDC();

    // The surface drawn into: the attached surface, or the selected bitmap's; NULL when there is none.
    gdi::Surface* GetSurface() const { return m_pSurface; }

    // ---- the device (devcaps.h). A memory DC describes the device of the DC it was made compatible
    // with (the reference screen for NULL); the description survives DeleteDC only until the DC is made
    // again.
    void SetDeviceCaps(const gdi::DeviceCaps& caps) { m_caps = caps; }
    const gdi::DeviceCaps& GetDeviceCapsRecord() const { return m_caps; }
    int GetDeviceCaps(int nIndex) const;
    // MM_TEXT only: SetMapMode returns the previous mode (MM_TEXT), or 0 for any other mode, which is
    // not taken; DPtoLP leaves the points as they are.
    int GetMapMode() const { return MM_TEXT; }
    int SetMapMode(int nMapMode);
    BOOL DPtoLP(LPPOINT lpPoints, int nCount = 1) const;

    // ---- palettes: the previous palette (DEFAULT_PALETTE at first), or NULL (and no change) for a NULL or
    // uncreated palette or a DC that does not exist. RealizePalette: on a palette device the number of
    // entries realised (they become its system palette); 0 elsewhere, and GDI_ERROR without a DC.
    CPalette* SelectPalette(CPalette* pPalette, BOOL bForceBackground);
    UINT RealizePalette();
    CPalette* GetCurrentPalette() const { return m_pPalette; }
    // The system palette of a palette device: the 20 static colours at 0-9 and 246-255, the last realised
    // palette's first 236 entries from 10. Entries nStartIndex onwards, at most nNumEntries; the number
    // copied (0 on a device without RC_PALETTE).
    UINT GetSystemPaletteEntries(UINT nStartIndex, UINT nNumEntries, PALETTEENTRY* lpPaletteColors) const;
    // The surface's rectangle; NULLREGION when it is empty (or there is none), else SIMPLEREGION.
    int GetClipBox(LPRECT lpRect) const;

    // ---- selection: each returns the previous object, or NULL (and changes nothing) when the object is
    // NULL or not created, or the DC does not exist; a bitmap also fails on a DC that is not a memory DC
    // and when it is selected into another DC.
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    CGdiObject* SelectObject(CGdiObject* pObject);  // a pen, brush or bitmap (not a region)
    // A stock pen or brush (WHITE_BRUSH ... NULL_PEN).
    CGdiObject* SelectStockObject(int nIndex);

    CPen* GetCurrentPen() const { return m_pPen; }
    CBrush* GetCurrentBrush() const { return m_pBrush; }
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const { return m_pBitmap; }

    // ---- attributes: each setter returns the previous value.
    COLORREF SetTextColor(COLORREF crColor);
    COLORREF GetTextColor() const { return m_crText; }
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF GetBkColor() const { return m_crBk; }
    int SetBkMode(int nBkMode);  // TRANSPARENT or OPAQUE; 0 (and no change) for another value
    int GetBkMode() const { return m_nBkMode; }
    UINT SetTextAlign(UINT nFlags);
    UINT GetTextAlign() const { return m_nTextAlign; }
    int SetPolyFillMode(int nPolyFillMode);  // ALTERNATE or WINDING; 0 (and no change) for another value
    int GetPolyFillMode() const { return m_nPolyFillMode; }

    // ---- lines and shapes (pixel rules above). The BOOL results are FALSE only for bad arguments or a
    // DC that does not exist; drawing entirely off the surface succeeds and changes nothing.
    CPoint MoveTo(int x, int y);  // returns the previous position
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    CPoint GetCurrentPosition() const { return m_ptCurrent; }

    BOOL Rectangle(int x1, int y1, int x2, int y2);
    BOOL Rectangle(LPCRECT lpRect) { return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL Ellipse(int x1, int y1, int x2, int y2);
    BOOL Ellipse(LPCRECT lpRect) { return Ellipse(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL Polygon(const POINT* lpPoints, int nCount);  // nCount >= 2
    BOOL PolyPolygon(const POINT* lpPoints, const int* lpPolyCounts, int nCount);

    // Fills [left, right) x [top, bottom) with the brush (a null brush fills nothing).
    void FillRect(LPCRECT lpRect, CBrush* pBrush);
    // Fills with the colour. As on the platform this sets the background colour to crColor.
    void FillSolidRect(LPCRECT lpRect, COLORREF crColor);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor);
    BOOL FillRgn(CRgn* pRgn, CBrush* pBrush);

    // The colour set (its 24 colour bits), or CLR_INVALID off the surface.
    COLORREF SetPixel(int x, int y, COLORREF crColor);
    COLORREF SetPixel(POINT point, COLORREF crColor) { return SetPixel(point.x, point.y, crColor); }
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT point) const { return GetPixel(point.x, point.y); }

    // dwRop: a raster operation with a source (above; FALSE for any other). pSrcDC may be this DC.
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, DWORD dwRop);
    // dwRop: PATCOPY, PATINVERT (the selected brush; a null brush leaves the pixels), DSTINVERT, BLACKNESS,
    // WHITENESS on [x, x + nWidth) x [y, y + nHeight) (negative extents count back from x, y).
    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop);

    // ---- text, in the selected font (font.h). Text is nCount bytes of Windows-1252.
    BOOL TextOut(int x, int y, const char* lpszString, int nCount);
    BOOL TextOut(int x, int y, const char* lpszString);  // zero-terminated
    CSize GetTextExtent(const char* lpszString, int nCount) const;
    CSize GetTextExtent(const char* lpszString) const;
    BOOL GetTextMetrics(TEXTMETRIC* lpMetrics) const;
    // GGO_METRICS or GGO_NATIVE of nChar (see gdi::FontGlyphOutline); GDI_ERROR when the DC does not exist
    // or its font has no face.
    DWORD GetGlyphOutline(UINT nChar, UINT nFormat, GLYPHMETRICS* lpgm, DWORD cbBuffer, void* lpBuffer,
                          const MAT2* lpmat2) const;

private:
    friend class CGdiObject;
    void Reset();                      // default state, no selections
    void SelectBitmapSurface(CBitmap* pBitmap);  // the surface of a newly selected bitmap
    void Forget(CGdiObject* pObject);  // pObject is being deleted: select the default in its place
    void Track(CGdiObject* pOld, CGdiObject* pNew);
    template <class T>
    T* Swap(T*& slot, T* pObject);  // the selection of a pen or brush
    const gdi::FontFace* Face() const;

    bool m_bMemory = false;
    gdi::Surface* m_pSurface = nullptr;
    CPen* m_pPen = nullptr;
    CBrush* m_pBrush = nullptr;
    CFont* m_pFont = nullptr;  // NULL: the default font
    CBitmap* m_pBitmap = nullptr;
    CPalette* m_pPalette = nullptr;
    gdi::DeviceCaps m_caps = gdi::ReferenceScreen();
    std::vector<PALETTEENTRY> m_realized;  // a palette device's last realised entries
    COLORREF m_crText = 0;
    COLORREF m_crBk = 0xFFFFFF;
    int m_nBkMode = OPAQUE;
    UINT m_nTextAlign = 0;
    int m_nPolyFillMode = ALTERNATE;
    CPoint m_ptCurrent;
};

// ---- flat functions over handles --------------------------------------------------------------

// The stock pens and brushes (NULL for another index). Never freed; DeleteObject ignores them.
HGDIOBJ GetStockObject(int i);
HPEN CreatePen(int iStyle, int cWidth, COLORREF color);   // NULL on failure
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                 DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                 DWORD iQuality, DWORD iPitchAndFamily, const char* pszFaceName);
HRGN CreateRectRgn(int x1, int y1, int x2, int y2);
HRGN CreatePolygonRgn(const POINT* pptl, int cPoint, int iMode);
HRGN CreatePolyPolygonRgn(const POINT* pptl, const int* pc, int cPoly, int iMode);
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// 1 plane of 32 or 1 bits (CBitmap::CreateBitmap).
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
HPALETTE CreatePalette(const LOGPALETTE* plpal);
HDC CreateCompatibleDC(HDC hdc);
// GetDC(NULL): a new DC of the reference screen (devcaps.h), released with ReleaseDC. There are no
// windows in the layer: any other argument gives NULL.
typedef struct HWND__* HWND;
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hdc);  // 1 when the DC was released
int GetDeviceCaps(HDC hdc, int index);  // 0 for a NULL DC
// Frees an object made by the functions above (or any heap-allocated object); stock objects and NULL
// give FALSE.
BOOL DeleteObject(HGDIOBJ ho);
BOOL DeleteObject(HFONT hf);
BOOL DeleteDC(HDC hdc);

inline HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) { return hdc ? hdc->SelectObject(h) : nullptr; }
inline HPEN SelectObject(HDC hdc, HPEN h) { return hdc ? hdc->SelectObject(h) : nullptr; }
inline HBRUSH SelectObject(HDC hdc, HBRUSH h) { return hdc ? hdc->SelectObject(h) : nullptr; }
inline HBITMAP SelectObject(HDC hdc, HBITMAP h) { return hdc ? hdc->SelectObject(h) : nullptr; }
inline HFONT SelectObject(HDC hdc, HFONT h) { return hdc ? hdc->SelectObject(h) : nullptr; }
inline HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd) {
    return hdc ? hdc->SelectPalette(hPal, bForceBkgd) : nullptr;
}
inline UINT RealizePalette(HDC hdc) { return hdc ? hdc->RealizePalette() : GDI_ERROR; }
inline UINT GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries) {
    return hdc ? hdc->GetSystemPaletteEntries(iStart, cEntries, pPalEntries) : 0;
}
inline UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, PALETTEENTRY* pPalEntries) {
    return hpal ? hpal->GetPaletteEntries(iStart, cEntries, pPalEntries) : 0;
}
inline int GetMapMode(HDC hdc) { return hdc && hdc->m_hDC ? hdc->GetMapMode() : 0; }
inline int SetMapMode(HDC hdc, int mode) { return hdc && hdc->m_hDC ? hdc->SetMapMode(mode) : 0; }
inline BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c) { return hdc ? hdc->DPtoLP(lppt, c) : FALSE; }

inline COLORREF SetTextColor(HDC hdc, COLORREF c) { return hdc ? hdc->SetTextColor(c) : CLR_INVALID; }
inline COLORREF SetBkColor(HDC hdc, COLORREF c) { return hdc ? hdc->SetBkColor(c) : CLR_INVALID; }
inline int SetBkMode(HDC hdc, int mode) { return hdc ? hdc->SetBkMode(mode) : 0; }
inline UINT SetTextAlign(HDC hdc, UINT align) { return hdc ? hdc->SetTextAlign(align) : GDI_ERROR; }
inline UINT GetTextAlign(HDC hdc) { return hdc ? hdc->GetTextAlign() : GDI_ERROR; }
inline int SetPolyFillMode(HDC hdc, int mode) { return hdc ? hdc->SetPolyFillMode(mode) : 0; }

// lppt (may be NULL) receives the previous position.
inline BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    if (!hdc || !hdc->m_hDC) return FALSE;
    CPoint old = hdc->MoveTo(x, y);
    if (lppt) *lppt = old;
    return TRUE;
}
inline BOOL LineTo(HDC hdc, int x, int y) { return hdc ? hdc->LineTo(x, y) : FALSE; }
inline BOOL Rectangle(HDC hdc, int l, int t, int r, int b) { return hdc ? hdc->Rectangle(l, t, r, b) : FALSE; }
inline BOOL Ellipse(HDC hdc, int l, int t, int r, int b) { return hdc ? hdc->Ellipse(l, t, r, b) : FALSE; }
inline BOOL Polygon(HDC hdc, const POINT* apt, int cpt) { return hdc ? hdc->Polygon(apt, cpt) : FALSE; }
inline BOOL PolyPolygon(HDC hdc, const POINT* apt, const int* asz, int csz) {
    return hdc ? hdc->PolyPolygon(apt, asz, csz) : FALSE;
}
inline int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr) {
    if (!hdc || !hdc->m_hDC || !lprc) return 0;
    hdc->FillRect(lprc, hbr);
    return 1;
}
inline BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr) { return hdc ? hdc->FillRgn(hrgn, hbr) : FALSE; }
inline COLORREF SetPixel(HDC hdc, int x, int y, COLORREF c) { return hdc ? hdc->SetPixel(x, y, c) : CLR_INVALID; }
inline COLORREF GetPixel(HDC hdc, int x, int y) { return hdc ? hdc->GetPixel(x, y) : CLR_INVALID; }
inline BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return hdc ? hdc->BitBlt(x, y, cx, cy, hdcSrc, x1, y1, rop) : FALSE;
}
inline BOOL StretchBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int xSrc, int ySrc, int wSrc, int hSrc,
                       DWORD rop) {
    return hdc ? hdc->StretchBlt(x, y, cx, cy, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop) : FALSE;
}
inline BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) { return hdc ? hdc->PatBlt(x, y, w, h, rop) : FALSE; }
inline BOOL TextOut(HDC hdc, int x, int y, const char* lpString, int c) {
    return hdc ? hdc->TextOut(x, y, lpString, c) : FALSE;
}
BOOL GetTextExtentPoint32(HDC hdc, const char* lpString, int c, SIZE* psizl);
inline BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* lptm) { return hdc ? hdc->GetTextMetrics(lptm) : FALSE; }

inline BOOL PtInRegion(HRGN hrgn, int x, int y) { return hrgn ? hrgn->PtInRegion(x, y) : FALSE; }
inline int GetRgnBox(HRGN hrgn, LPRECT lprc) { return hrgn ? hrgn->GetRgnBox(lprc) : ERROR; }
inline int OffsetRgn(HRGN hrgn, int x, int y) { return hrgn ? hrgn->OffsetRgn(x, y) : ERROR; }
