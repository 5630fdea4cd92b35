// CKTERErosion (type 9, "erosion"): pixels vanish only from the edge of what is left, each vanishing
// pixel thinning its neighbours, and vanished pixels grow back; where another element overlaps the
// glyph its pixels are cleared every pre-step (CKTErodingRenderer).
//
// Mask entries: -1 outside the glyph (never changes), 0 vanished, above 0 present: a build stores the
// number of inside pixels among the eight neighbours (so an inside pixel without inside neighbours
// holds 0 and is not drawn), and the passes raise and lower it as neighbours change.
// - Erosion candidates: entries above 0 in the first or last row or column, or whose 3 x 3
//   neighbourhood (clipped to the mask, itself included) holds an entry below 1. A change lowers every
//   entry of the neighbourhood above 0 by one and sets the entry to 0.
// - Regrowth candidates: entries equal to 0. A change raises every neighbour above 0 by one and sets
//   the entry to 1 plus the number of those neighbours.
// - Overlaps: before the mouse test, for each element of the glyph's collision list (filled earlier in
//   the same pre-step by the book's running collision detector; without one the lists may be stale and
//   are not read) whose absolute bounds meet the glyph's, the overlap in mask coordinates, clamped to
//   the mask and with both ends included (one row and column beyond it), is cleared: every entry above
//   0 becomes 0 and counts as vanished.
//
// Stored form: the base part, then the mouse-over and mouse-outside rates (floats).
#pragma once

#include "kinetype/kterodingrenderer.h"

class CKTERErosion : public CKTErodingRenderer {
    DECLARE_SERIAL(CKTERErosion)

public:
    CKTERErosion();
    CKTElementRenderer* Clone() override;

protected:
    void FillMask(const CRgn& rgn, const CRect& box) override;
    void DrawMask(CDC* pDC, int x0, int y0) override;
    void BeforePasses(CKTBook& book) override;
    void ErosionPass(float p) override;
    void RegrowthPass(float p) override;
};
