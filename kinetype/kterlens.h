// CKTERLens (type 3, "lens"): a glyph seen through a lens held at the mouse. Every pre-step recomputes
// the working outline from the rest outline (integer vertices), moving each vertex straight away from
// the mouse by G g pixels, g = F - (F - 1) / (r + 1) with r its distance from the mouse, each component
// truncated toward zero; a vertex at the mouse point stays. The glyph is drawn as its filled outline.
//
// Arithmetic is in double; moved coordinates are clamped to +-kVertexLimit before they become
// integers. A vertex whose displacement has no value (NaN or infinite parameters) stays at rest.
//
// Stored form: the renderer base part, then F and G as floats (falloff first).
#pragma once

#include "kinetype/kteroutline.h"

class CKTERLens : public CKTEROutline {
    DECLARE_SERIAL(CKTERLens)

public:
    CKTERLens();

    // A new lens renderer with both parameters.
    CKTElementRenderer* Clone() override;
    // Builds the integer rest outline and its working copy from the font on pDC; nothing while valid.
    void BuildOutline(CDC* pDC);
    // Event 0: fills the working outline when the glyph lies in the client area.
    void Draw() override;
    // Event 3, while the book runs: recomputes the working outline from the rest outline.
    void OnPreStep() override;
    void Serialize(CArchive& ar) override;

    const CKTGlyphRegion& GetRestOutline() const { return m_restOutline; }
    const CKTGlyphRegion& GetOutline() const { return m_outline; }

    float m_fMagnification;  // "Magnification" (G), 1.0
    float m_fFalloff;        // "Falloff" (F), 20.0

protected:
    // Builds when needed, then the box of the working outline's region.
    void MeasureOutline(CDC* pDC) override;
    // Makes rest the rest outline and the working outline as if built from the font.
    void InstallOutline(const CKTGlyphRegion& rest);

    CKTGlyphRegion m_restOutline;
    CKTGlyphRegion m_outline;
};
