// CKTERTrail (type 14): the glyph coloured from the last ten mouse positions. Each position, relative
// to the glyph's mask, carries a random colour; every inside pixel takes the mix of those colours
// weighted by w' (CKTCellMaskRenderer) of its distance to each position, the sum of weights counting
// as at least 1, so pixels far from every position darken toward black.
//
// Each pre-step appends the mouse position when it differs from the last one (a still mouse over a
// still glyph adds nothing), with a colour drawn red, green, blue (rand() x 255 / 32767, truncated);
// an eleventh position drops the oldest with its colour.
//
// Stored form: the base part, then radius, speed and spacing. A document older than 0.93 holds two
// floats there instead, which are read into two fields nothing else uses; the parameters keep their
// defaults.
#pragma once

#include <vector>

#include "kinetype/ktcellmaskrenderer.h"

class CKTERTrail : public CKTCellMaskRenderer {
    DECLARE_SERIAL(CKTERTrail)

public:
    static constexpr size_t kMaxTrail = 10;

    // Radius 10, speed 2, spacing 0.2; an empty trail.
    CKTERTrail();

    // A new trail renderer with the three parameters (a master: every glyph animates by itself).
    CKTElementRenderer* Clone() override;

    const std::vector<POINT>& GetTrail() const { return m_trail; }
    const std::vector<COLORREF>& GetTrailColors() const { return m_trailColors; }

    void Serialize(CArchive& ar) override;

protected:
    // The new point and its colour; the cell loop is queued.
    void Recolor(const CKTBook& book) override;
    // Every inside cell mixed from the trail's colours.
    void ComputePixels() override;
    std::vector<POINT> m_trail;           // mask coordinates, oldest first
    std::vector<COLORREF> m_trailColors;  // one per entry of m_trail
    class CKTTrailWeights* m_pWeights;       // the queued frame's shared weights, or NULL
    float m_fLegacy1;                     // the two values of documents before 0.93
    float m_fLegacy2;
};
