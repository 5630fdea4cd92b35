// The off-screen image of a floating pane (the properties panel, the timeline). Only the part of the
// pane that lies on the target is made, drawn and put back: a pane that reaches past the target's
// edges costs no memory for what lies outside, and touches nothing there. The target's pixels come
// out the same as if the whole pane had been drawn off screen and copied.
//
// Use: Begin; draw the pane on GetDC() with its top-left corner at Origin() (negative where the pane
// starts left of or above the target); End copies the image onto the target or blends it there.
#pragma once

#include "platform/afx/afxgeom.h"
#include "platform/gdi/dc.h"

class CPaneImage {
public:
    CPaneImage() = default;
    ~CPaneImage();
    CPaneImage(const CPaneImage&) = delete;
    CPaneImage& operator=(const CPaneImage&) = delete;

    // Makes the image for rcPane (target coordinates) on pTarget. FALSE when no pixel of the pane lies
    // on the target, or there is no memory for the image: nothing is to be drawn then.
    BOOL Begin(CDC* pTarget, const CRect& rcPane);
    CDC* GetDC() { return &m_dc; }
    CPoint Origin() const { return m_ptOrigin; }
    // Puts the image on the target: copied, or with bBlend each colour byte the average of the image's
    // and the target's, rounded down (the half-and-half blend). Then the image is released.
    void End(BOOL bBlend);

    // The half-and-half blend of src (from its (0, 0)) over dst's pixels at rc, which must lie on dst
    // and within src's size: each colour byte becomes (a + b) / 2 in integers.
    static void Blend(gdi::Surface& dst, const CRect& rc, const gdi::Surface& src);

private:
    void Release();

    CDC* m_pTarget = nullptr;
    CRect m_rcVisible;
    CPoint m_ptOrigin;
    CDC m_dc;
    CBitmap m_bitmap;
    CBitmap* m_pOldBitmap = nullptr;
};
