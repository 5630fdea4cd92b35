// CKTCellMaskRenderer: the mask renderers that colour every pixel of the glyph on their own (trail and
// colour static). Not stored on its own.
//
// The mask holds cells of four ints per pixel: inside (1 or 0), red, green, blue. A build sets every
// inside cell to the renderer's colour; the pre-step recolours the inside cells and a draw paints each
// with the low bytes of its red, green and blue. Each glyph animates by itself: a renderer set on a
// word or passage hands its children clones that are masters of their own.
//
// Both styles weigh a pixel at distance d from a point by
//     w = radius / (radius + d),  w' = (sin(frame x speed + spacing x d) + 1) x w x 0.5  (a float),
// and a w' that is not finite (radius 0 at distance 0, a negative radius from a file) counts as 0.
//
// Stored form: the base part, then radius, speed and spacing (floats).
#pragma once

#include <cmath>

#include "kinetype/ktmaskrenderer.h"

class CKTCellMaskRenderer : public CKTMaskRenderer {
    DECLARE_DYNAMIC(CKTCellMaskRenderer)

public:
    // The distance falloff ("Radius"), phase advance per frame ("Speed") and per pixel of distance
    // ("Spacing"). The view writes them directly after the parameter dialog.
    float m_fRadius;
    float m_fSpeed;
    float m_fSpacing;

    // For a glyph that is neither the character 0 nor a space, the cells are built when invalid and,
    // when they exist, recoloured (Recolor, whose pixel loop runs when the pre-step ends); then the
    // frame counter advances, also for blanks.
    void OnPreStep() override;

    int GetFrame() const { return m_nFrame; }
    // The cell of column c, row r (NULL without cells or outside the mask): inside, red, green, blue.
    const int* GetCell(int c, int r) const;

    void Serialize(CArchive& ar) override;

    // w' of a pixel at distance d in the current frame (see the top), with the frame's values taken
    // once: the loops over the cells write through int pointers and draw random numbers, after which
    // members would be read again for every pixel.
    struct CWeight {
        float fRadius;
        float fPhase;  // frame x speed, a float
        float fSpacing;
        float operator()(double d) const {
            const double w = fRadius / (fRadius + d);
            const float fWeight = static_cast<float>((std::sin(fPhase + fSpacing * d) + 1.0) * w * 0.5);
            return std::isfinite(fWeight) ? fWeight : 0.0f;
        }
    };

protected:
    CKTCellMaskRenderer(int nType, float fRadius);

    // One frame's colours of the inside cells, before the frame counter advances: at the renderer's
    // turn, what must happen in order, then the cell loop queued (ComputePixels) with the frame's values.
    virtual void Recolor(const CKTBook& book) = 0;
    void FillMask(const CRgn& rgn, const CRect& box) override;
    void DrawMask(CDC* pDC, int x0, int y0) override;
    CWeight FrameWeight() const { return CWeight{m_fRadius, m_nFrame * m_fSpeed, m_fSpacing}; }
    // Copies the three parameters into a clone.
    void CopyParametersTo(CKTCellMaskRenderer* p) const;

    int m_nFrame;
    int m_nInside;      // inside cells of the mask as built
    CWeight m_weight;   // the queued frame's w'
};
