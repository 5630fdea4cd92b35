// CTimelinePanel: the timeline pane, a fixed picture of a timeline with one text track. It has no
// function beyond being shown, moved and blended; the view owns it. Opaque, it draws straight onto the
// target with the target's current pen and brush for its outline; translucent, it draws off screen
// (a black frame filled white) and blends half and half with what lies beneath.
#pragma once

#include "platform/afx/afx.h"
#include "platform/gdi/dc.h"

class CTimelinePanel : public CObject {
public:
    CTimelinePanel();
    ~CTimelinePanel() override;

    void SetTranslucent() { m_bTranslucent = 1; }
    void ClearTranslucent() { m_bTranslucent = 0; }
    BOOL IsTranslucent() const { return m_bTranslucent ? TRUE : FALSE; }
    void SetVisible(BOOL bVisible) { m_bVisible = bVisible ? 1 : 0; }
    BOOL IsVisible() const { return m_bVisible ? TRUE : FALSE; }

    // Paints the pane onto pDC at m_rcPanel.
    void Draw(CDC* pDC);

    CBrush m_brLight;
    CBrush m_brDark;
    CBrush m_brBar;
    CBrush m_brLine;
    CFont m_fontText;
    CRect m_rcPanel;
    BYTE m_bTranslucent;
    BYTE m_bVisible;

private:
    // The picture with the pane's top-left corner at o on pDC.
    void DrawPicture(CDC* pDC, CPoint o);
};
