// CKTEROutline: what every outline renderer shares (drift, clay, pull, pulse, lens, particle): the
// attributes the element pushes in, the cached extent, attachment with copies for the children, and
// the drawing helpers. Concrete renderers derive from it (or from CKTERFloatOutline) and add their
// outlines, extent, drawing, pre-step and stored fields.
//
// Attachment: on a glyph the renderer joins event 0 (draw), then event 3 (pre-step); on a word or a
// passage it joins nothing and hands each child its own Clone (copies already handed out keep the
// parameters they were made with). SetElement(NULL) leaves both events and keeps the element pointer.
//
// Caches: m_bOutlineValid says the outlines belong to the current character, font and point size;
// SetChar, SetFont and SetPointSize clear it (the next build starts from rest), SetColor does not.
// m_bExtentValid says m_rcExtent (relative to the glyph's baseline origin) is current; whoever moves
// vertices clears it and marks the element's bounds stale through the element's public API.
//
// Coordinates: outline vertices are pixels relative to the glyph's origin on the baseline, y down.
// Moved vertices saturate at +-kVertexLimit, so integer conversions and region arithmetic never
// overflow; the drawing layer rasterises only the visible part of a shape that large.
//
// Device contexts: all drawing and measuring goes to the book's current DC. A missing DC or a point
// font that cannot be made or selected is a debug assertion; in release nothing is built or drawn.
#pragma once

#include <initializer_list>

#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyphregion.h"

class CKTBook;

class CKTEROutline : public CKTElementRenderer {
    DECLARE_DYNAMIC(CKTEROutline)

public:
    // Moved vertices (and drift velocities) are clamped to +-2^27 pixels.
    static constexpr double kVertexLimit = 134217728.0;

    void OnStep() override;      // nothing
    void OnPostStep() override;  // nothing
    void SetElement(CKTElement* pElement, BYTE bFlag) override;
    BOOL AllowsChildRenderers() override;  // TRUE
    void SetChar(char c) override;          // outlines and extent stale, element bounds stale
    void SetFont(LOGFONT lf) override;      // the same
    void SetPointSize(int nPoints) override;  // the same
    void SetColor(COLORREF cr) override;    // the colour only
    // When stale: for a character other than the space (given a DC) the box of the shape as drawn
    // (MeasureOutline), for the space the metrics box; then the extent is current and the element's
    // bounds are marked stale. A character without contours keeps the previous extent.
    CRect GetExtent(CDC* pDC) override;

    COLORREF GetColor() const { return m_crColor; }
    LOGFONT GetFont() const { return m_lf; }
    int GetPointSize() const { return m_nPointSize; }
    char GetChar() const { return m_cChar; }
    BOOL IsOutlineValid() const { return m_bOutlineValid ? TRUE : FALSE; }
    BOOL IsExtentValid() const { return m_bExtentValid ? TRUE : FALSE; }

protected:
    // Colour 0, a zeroed font, point size 12, character 0, extent (0, 0, 0, 0), both caches stale.
    explicit CKTEROutline(int nType);

    // m_rcExtent := the box of the shape as drawn, building the outline first when needed; an outline
    // without vertices leaves it as it was.
    virtual void MeasureOutline(CDC* pDC) = 0;
    // *pOutline := the outline of m_cChar in the point font of m_lf, read on pDC (the previous font is
    // selected back). FALSE, and nothing changed, without a DC or a font.
    template <class TOutline>
    BOOL ReadOutline(CDC* pDC, TOutline* pOutline);
    // m_rcExtent := the metrics box of the space in the point font of m_lf: (origin x, -black box
    // height, origin x + advance, 0), as the default renderer measures it.
    void SetSpaceExtent(CDC* pDC);
    // The outlines no longer match the character, font or size: both caches stale, bounds stale.
    void InvalidateOutline();
    // The shape moved: the extent stale, the element's bounds stale.
    void InvalidateExtent();
    // The element's bounds (upward) when there is an element.
    void InvalidateElementBounds();
    // Whether there is an element and its absolute bounds meet the book's client rectangle.
    BOOL IsOnScreen(CKTBook* pBook);
    // The book's mouse point in glyph coordinates (relative to the element's absolute point).
    void GetMouseInGlyph(CKTBook* pBook, double* pX, double* pY);

    // Stores or loads the floats in order (the parameters of a stored form).
    static void SerializeFloats(CArchive& ar, std::initializer_list<float*> fields);
    // v clamped to +-kVertexLimit (v finite or infinite, not NaN).
    static double Saturate(double v);
    // *pBox := the bounding box of the outline's region (WINDING); FALSE when no region was made.
    static BOOL GetOutlineBox(const CKTGlyphRegion& outline, CRect* pBox);
    // Moves every vertex by pt, saturating.
    static void MoveOutline(CKTGlyphRegion& outline, CPoint pt);
    // Fills the outline moved to pt as a region (WINDING) with a solid brush of cr; no pen.
    static void FillOutline(CDC* pDC, CKTGlyphRegion outline, CPoint pt, COLORREF cr);

    COLORREF m_crColor;
    LOGFONT m_lf;
    int m_nPointSize;
    char m_cChar;
    CRect m_rcExtent;
    BYTE m_bExtentValid;
    BYTE m_bOutlineValid;
};

// CKTERFloatOutline: the outline renderers that move vertices by fractions of a pixel (drift, clay,
// pull, pulse). They keep the rest outline built from the font and a working copy with the same
// polygons whose vertices move; the working outline is what is measured and drawn.
class CKTERFloatOutline : public CKTEROutline {
    DECLARE_DYNAMIC(CKTERFloatOutline)

public:
    // Builds the rest outline and the working copy from the font on pDC; nothing while the outlines
    // are valid. Afterwards the extent is stale and the element's bounds too.
    void BuildOutline(CDC* pDC);
    // Event 0, running or not: fills the working outline at the glyph's position with the element's
    // colour when the glyph lies in the client area (a line break's outline too).
    void Draw() override;

    const CKTFloatGlyphRegion& GetRestOutline() const { return m_restOutline; }
    const CKTFloatGlyphRegion& GetOutline() const { return m_outline; }

protected:
    explicit CKTERFloatOutline(int nType) : CKTEROutline(nType) {}

    // Builds when needed, then the box of the working outline's region.
    void MeasureOutline(CDC* pDC) override;
    // Makes rest the rest outline and the working outline as if built from the font.
    void InstallOutline(const CKTFloatGlyphRegion& rest);
    // *pdx, *pdy := ptMouse - ptPrev, the mouse's motion since the previous pre-step. When bSeen is
    // clear, ptPrev first becomes ptMouse and bSeen is set, so the motion is zero. The caller stores the
    // new point in ptPrev after the step.
    static void GetMouseMotion(CPoint ptMouse, CPoint& ptPrev, BYTE& bSeen, double* pdx, double* pdy);
    // The step a mouse motion (dx, dy) gives working vertex i (drift and clay): k (dx, dy) with
    // k = A / (B + d), d its distance from the mouse (mx, my) in glyph coordinates, minus S u / e when the
    // displacement from rest u, of length e, is longer than eMin. FALSE when the weight has no value
    // (B + d = 0).
    bool GetMotionStep(int i, double mx, double my, double dx, double dy, double A, double B, double S, double eMin,
                       double* px, double* py) const;
    // Called after each build, with both outlines in place (drift allocates its velocities).
    virtual void OnOutlineBuilt() {}
    // A moved coordinate as stored: saturated, then a float.
    static float StoreCoord(double v) { return static_cast<float>(Saturate(v)); }

    CKTFloatGlyphRegion m_restOutline;
    CKTFloatGlyphRegion m_outline;
};
