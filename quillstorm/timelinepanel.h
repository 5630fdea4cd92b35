// CTimelinePanel: the timeline pane, a fixed picture of a timeline with one text track. It has no
// function beyond being shown, moved and blended; the view owns it. Opaque, it draws straight onto the
// target with the target's current pen and brush for its outline; translucent, it draws off screen
// (a black frame filled white) and blends half and half with what lies beneath.
#pragma once

#include "platform/gdi/dc.h"
#include "quillstorm/floatingpane.h"

class CTimelinePanel : public CFloatingPane {
public:
    CTimelinePanel();
    ~CTimelinePanel() override;

    // Paints the pane onto pDC at m_rcPanel.
    void Draw(CDC* pDC);

    CBrush m_brLight;
    CBrush m_brDark;
    CBrush m_brBar;
    CBrush m_brLine;
    CFont m_fontText;

protected:
    void DrawPicture(CDC* pDC, CPoint o) override;
};
