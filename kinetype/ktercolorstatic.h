// CKTERColorStatic (type 13): the glyph's colour mixed with random noise whose strength w'
// (CKTCellMaskRenderer) falls off with the distance from the mouse and ripples with it. Each pre-step
// every inside pixel becomes, channel by channel (red, green, blue, one rand() each, in that order),
// (1 - w') x the colour + n x w' x 255 / 32767, truncated. Far from the mouse a glyph shows nearly its
// own colour.
//
// Stored form: the base part, then radius, speed and spacing (floats).
#pragma once

#include "kinetype/ktcellmaskrenderer.h"

class CKTERColorStatic : public CKTCellMaskRenderer {
    DECLARE_SERIAL(CKTERColorStatic)

public:
    // Radius 50, speed 2, spacing 0.2.
    CKTERColorStatic();

    // A new colour-static renderer with the three parameters (a master of its own).
    CKTElementRenderer* Clone() override;

protected:
    // Takes the frame's mouse point, colour and weight, and reserves three draws per inside cell.
    void Recolor(const CKTBook& book) override;
    // Every inside cell from its three draws.
    void ComputePixels() override;

    CPoint m_ptMouse;    // the queued frame's mouse point in mask coordinates
    BYTE m_channel[3];   // and the colour's red, green and blue
    uint32_t m_nRand;    // the generator's state where the cells' draws begin
};
