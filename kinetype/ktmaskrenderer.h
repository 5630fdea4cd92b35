// CKTMaskRenderer: what the renderers that draw a glyph pixel by pixel from a mask of its outline
// share (transparent, trail, colour static, test; splatter, erosion, erode edge). It is not stored on
// its own: each concrete class writes the renderer base part and then its own fields.
//
// The cache: the glyph's integer outline (CKTGlyphRegion) in the renderer's point font, and from it a
// WINDING region whose bounding box is the mask's rectangle. The mask holds IntsPerPixel() ints per
// pixel of that box, row by row from the top-left, filled by the subclass (FillMask) from
// CRgn::PtInRegion. The box is the glyph's extent (GetExtent), relative to its origin on the baseline.
//
// Invariants:
// - A mask is read only with the rectangle it was built for: HasMask() is TRUE only while the extent
//   equals that rectangle. A build sets the extent from its own region's box; a rebuild for the
//   character 0, or one that finds no outline (a space), frees the old mask, so such a glyph draws
//   nothing.
// - The character 0 and the space have the font's metrics box as their extent (GetExtent), and no mask.
// - SetChar, SetFont and SetPointSize throw the cache and the extent away; the next draw, pre-step or
//   extent query rebuilds them. SetChar also marks the element's bounds stale.
// - A mask whose size passes the limit (SetMaskLimit) or cannot be allocated is not built: the cache
//   counts as valid, so the glyph stays undrawn until its character, font or size changes.
// - No device context, a point font that cannot be made or selected, or a region that cannot be made:
//   a debug assertion, and in release nothing is built (and tried again at the next use).
//
// Drawing (Draw, event 0): nothing without an element or a book, or when the element's absolute bounds
// miss the book's client rectangle (a visibility test only, pixels are not clipped to it); otherwise
// the cache is built when invalid and DrawMask paints from the mask's top-left pixel in window
// coordinates, the glyph's absolute point plus the extent's top-left.
#pragma once

#include <algorithm>
#include <cstdint>

#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyphregion.h"
#include "kinetype/ktpixelbatch.h"
#include "platform/gdi/dc.h"

class CKTBook;

class CKTMaskRenderer : public CKTElementRenderer {
    DECLARE_DYNAMIC(CKTMaskRenderer)

public:
    ~CKTMaskRenderer() override;

    // The shared drawing frame (above).
    void Draw() override;
    void OnStep() override;      // nothing
    void OnPostStep() override;  // nothing
    BOOL AllowsChildRenderers() override;  // TRUE
    // NULL: leaves the lists of events 0 and 3 (the element pointer is kept). Otherwise remembers the
    // element, joins events 0 and 3 when it is a glyph, and hands each child a Clone (which stays a
    // master). The transparent and erosion renderers attach as master and copies instead.
    void SetElement(CKTElement* pElement, BYTE bFlag) override;
    // The extent, computed when stale and a device context is given: first the cache is built (when
    // invalid); then the character 0 and the space get the metrics box of the point font (black-box
    // origin x to it plus the advance, minus the black-box height to 0), any other character its
    // outline region's box (kept as it was when the glyph has no outline). A fresh extent marks the
    // element's bounds stale. Without a context nothing is computed and the extent stays stale.
    CRect GetExtent(CDC* pDC) override;
    // Stores the character and throws cache and extent away; the element's bounds become stale.
    void SetChar(char c) override;
    void SetColor(COLORREF cr) override;  // stores the colour only
    // Store the value and throw cache and extent away.
    void SetFont(LOGFONT lf) override;
    void SetPointSize(int nPoints) override;

    // Builds the outline and the mask when the cache is invalid (see the top of the file). pDC must not
    // be NULL unless the character is 0.
    virtual void BuildCache(CDC* pDC);

    COLORREF GetColor() const { return m_crColor; }
    LOGFONT GetFont() const { return m_lf; }
    int GetPointSize() const { return m_nPointSize; }
    char GetChar() const { return m_cChar; }
    BOOL IsCacheValid() const { return m_bCacheValid ? TRUE : FALSE; }
    BOOL IsExtentValid() const { return m_bExtentValid ? TRUE : FALSE; }
    const CKTGlyphRegion& GetRegion() const { return m_region; }
    // The mask (NULL when there is none to read), its rectangle and its ints per pixel.
    const int* GetMask() const {
        WaitPixels();
        return HasMask() ? m_pMask : nullptr;
    }
    CRect GetMaskRect() const { return m_rcMask; }
    int IntsPerPixel() const { return m_nIntsPerPixel; }

    // The largest mask built, in ints (width x height x ints per pixel); returns the previous limit.
    // For tests; the default holds any glyph the font engine makes (2048-pixel em) and stays far from
    // what a 32-bit product could overflow.
    static int64_t SetMaskLimit(int64_t nInts);

    // The pixel work this renderer queued for the end of the pre-step (ktpixelbatch.h). Called by the
    // batch, possibly on a worker thread: it touches this renderer's mask and what it queued alone.
    void RunQueuedPixels();

protected:
    // nIntsPerPixel: 1 for a plain mask, 4 for cells (inside, red, green, blue); 0 builds no mask.
    CKTMaskRenderer(int nType, int nIntsPerPixel);

    // Fills the freshly allocated, zeroed mask of box's size from the region, row by row.
    virtual void FillMask(const CRgn& rgn, const CRect& box);
    // Paints the mask with its top-left pixel at (x0, y0) in window coordinates. The whole mask
    // rectangle from there lies inside the int range.
    virtual void DrawMask(CDC* pDC, int x0, int y0);

    // Queues ComputePixels for the end of the pre-step (ktpixelbatch.h), with its rough cost.
    void QueuePixels(size_t nCost);
    // The queued part of a pre-step: the pixel loop over the mask with what the turn handed it.
    virtual void ComputePixels();
    // Before anything reads, rebuilds or frees the mask: the queued work, when there is some, has run.
    void WaitPixels() const {
        if (m_bPixelsQueued) KTFinishPixels();
    }

    // A mask to read: allocated, and built for the current extent.
    BOOL HasMask() const { return m_pMask && m_rcMask == m_rcExtent; }
    int MaskWidth() const { return m_rcMask.right - m_rcMask.left; }
    int MaskHeight() const { return m_rcMask.bottom - m_rcMask.top; }
    void FreeMask();
    // The character 0 or the space: no outline to draw.
    BOOL IsBlank() const { return m_cChar == 0 || m_cChar == ' '; }
    // The outline of m_cChar in the point font, assigned to m_region. FALSE (asserted) when the font
    // cannot be made or selected. (Virtual so that tests can hand in outlines of their own.)
    virtual BOOL BuildOutline(CDC* pDC);
    // The book's mouse point relative to the mask's top-left pixel (saturated to the int range).
    CPoint MaskMousePoint(const CKTBook& book);
    // The book's mouse point relative to the element's origin (saturated).
    CPoint LocalMousePoint(const CKTBook& book);
    // The current book's device context for a build (asserted); NULL when there is none.
    static CDC* BuildDC(const CKTBook& book);

    // The painting loop of DrawMask: calls fn(index, pixel) for every mask entry whose pixel (x0 + column,
    // y0 + row) lies on pDC's surface, row by row, left to right; index is the entry's (row x width +
    // column), pixel the surface's 0x00RRGGBB value (gdi::PixelToColor and ColorToPixel convert). What
    // falls off the surface is skipped, as SetPixel and GetPixel skip it, so painting through the pixel
    // equals a GetPixel and SetPixel pair, one surface row at a time.
    template <class Fn>
    void ForEachSurfacePixel(CDC* pDC, int x0, int y0, Fn fn) const {
        gdi::Surface* pSurface = pDC->GetSurface();
        if (!pSurface || pSurface->IsEmpty()) return;
        const int w = MaskWidth(), h = MaskHeight();
        const int c0 = x0 < 0 ? -x0 : 0, r0 = y0 < 0 ? -y0 : 0;
        const int c1 = static_cast<int>(std::min<int64_t>(w, int64_t{pSurface->Width()} - x0));
        const int r1 = static_cast<int>(std::min<int64_t>(h, int64_t{pSurface->Height()} - y0));
        for (int r = r0; r < r1; r++) {
            uint32_t* pRow = pSurface->Row(y0 + r) + x0;
            const int iRow = r * w;
            for (int c = c0; c < c1; c++) fn(iRow + c, pRow[c]);
        }
    }

    // Calls fn(index, column, row, inside) for every pixel of box, row by row, left to right, with
    // inside = CRgn::PtInRegion(box.left + column, box.top + row).
    template <class Fn>
    static void ForEachPixel(const CRgn& rgn, const CRect& box, Fn fn) {
        const int w = box.right - box.left, h = box.bottom - box.top;
        int i = 0;
        for (int r = 0; r < h; r++)
            for (int c = 0; c < w; c++, i++) fn(i, c, r, rgn.PtInRegion(box.left + c, box.top + r) ? true : false);
    }

    // The element's drawing state, pushed in by the element.
    COLORREF m_crColor;
    LOGFONT m_lf;
    int m_nPointSize;
    char m_cChar;

    CRect m_rcExtent;
    BYTE m_bExtentValid;
    BYTE m_bCacheValid;
    // IntsPerPixel() ints per pixel of m_rcMask, owned; NULL when none was built.
    int* m_pMask;
    CRect m_rcMask;  // the rectangle m_pMask was built for
    CKTGlyphRegion m_region;
    BYTE m_bPixelsQueued;  // in the pixel batch, its work not yet run

private:
    // Sets the extent from a build's box; a changed or fresh extent marks the element's bounds stale.
    void TakeExtent(const CRect& rc);
    // The point font's metrics box of the character (for 0 and the space).
    BOOL MetricsBox(CDC* pDC, CRect* pBox);

    const int m_nIntsPerPixel;
};

// Saturating integer helpers shared by the mask renderers.
inline LONG KTSaturate(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<LONG>(v);
}
inline CRect KTOffsetRect(const CRect& rc, CPoint pt) {
    return CRect(KTSaturate(int64_t{rc.left} + pt.x), KTSaturate(int64_t{rc.top} + pt.y),
                 KTSaturate(int64_t{rc.right} + pt.x), KTSaturate(int64_t{rc.bottom} + pt.y));
}
