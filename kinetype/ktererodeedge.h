// CKTERErodeEdge (type 12, "erodeedge"): only the current edge of the glyph is drawn, an outline one
// pixel wide that creeps inward while pixels erode and outward again while they regrow
// (CKTErodingRenderer).
//
// Mask entries are flags: 1 inside (never changes), 2 on the border of the glyph as built (never
// changes), 4 present, 8 on the current front (only with 4). A build gives inside pixels 1 | 4 and the
// border ones (in the first or last row or column, or next to an outside pixel left, right, above or
// below) 2 | 8 as well, so a fresh glyph shows its outline. Entries with flag 8 are drawn.
// - Erosion candidates: flag 8. A change clears 4 and 8 and puts on the front each neighbour (left,
//   right, up, down, within the mask) that has 1 and 4.
// - Regrowth candidates: flag 8 without flag 2. A change clears 8 and gives 8 | 4 to each neighbour
//   that has 1 but not 4. A front pixel on the border as built therefore stays until it erodes.
//
// Stored form: the base part, then the mouse-over and mouse-outside rates (floats).
#pragma once

#include "kinetype/kterodingrenderer.h"

class CKTERErodeEdge : public CKTErodingRenderer {
    DECLARE_SERIAL(CKTERErodeEdge)

public:
    enum : int { kInside = 1, kBorder = 2, kPresent = 4, kFront = 8 };

    CKTERErodeEdge();
    CKTElementRenderer* Clone() override;

protected:
    void FillMask(const CRgn& rgn, const CRect& box) override;
    void DrawMask(CDC* pDC, int x0, int y0) override;
    void ErosionPass(float p) override;
    void RegrowthPass(float p) override;
    // Calls fn(entry) for the neighbours of the entry at (c, r) that lie in the mask, in the order left,
    // right, up, down.
    template <class Fn>
    void ForEachNeighbour(int c, int r, Fn fn);
};
