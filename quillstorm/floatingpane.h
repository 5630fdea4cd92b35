// What the two floating panes (the properties panel, the timeline) share: their place, visibility and
// blend, and the off-screen image they are drawn through.
//
// CPaneImage: only the part of a pane that lies on the target is made, drawn and put back, so a pane
// that reaches past the target's edges costs no memory for what lies outside and touches nothing
// there. The target's pixels come out the same as if the whole pane had been drawn off screen and
// copied. Use: Begin; draw the pane on GetDC() with its top-left corner at Origin() (negative where the
// pane starts left of or above the target); End copies the image onto the target or blends it there.
#pragma once

#include "platform/afx/afx.h"
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

// Base of the floating panes: CObject, not stored. Shown, hidden, blended and made opaque by the
// view's commands; moved by the view's drags (m_rcPanel offset by the mouse).
class CFloatingPane : public CObject {
public:
    void SetTranslucent() { m_bTranslucent = 1; }
    void ClearTranslucent() { m_bTranslucent = 0; }
    BOOL IsTranslucent() const { return m_bTranslucent ? TRUE : FALSE; }
    void SetVisible(BOOL bVisible) { m_bVisible = bVisible ? 1 : 0; }
    BOOL IsVisible() const { return m_bVisible ? TRUE : FALSE; }

    CRect m_rcPanel;       // the pane's place on the canvas
    BYTE m_bTranslucent;   // blended half and half with what lies beneath
    BYTE m_bVisible;

protected:
    // At rc, visible and opaque.
    explicit CFloatingPane(const CRect& rc) : m_rcPanel(rc), m_bTranslucent(0), m_bVisible(1) {}
    // The pane's picture with its top-left corner at o on pDC.
    virtual void DrawPicture(CDC* pDC, CPoint o) = 0;
    // The picture off screen (the part on pDC), then copied or, translucent, blended onto pDC.
    void DrawOffScreen(CDC* pDC);
};
