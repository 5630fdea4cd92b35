// CKTFocalFade (type 24, "Focal Fade"): colours its elements by their distance from the mouse.
//
// Each step (event 1), with L the distance from the mouse point to the centre of an element's absolute
// bounds: L < 1 gives m_crFocus; L <= m_dRadius the blend (1 - t) * focus + t * unfocus with
// t = L / m_dRadius (channels clamped to 0 .. 255 and truncated); farther, m_crUnfocus. The colour is
// set on every step, also when it does not change.
//
// Stored form: the behaviour part, then focus and unfocus colours (DWORDs) and the radius (double).
#pragma once

#include "kinetype/ktbehavior.h"

class CKTFocalFade : public CKTBehavior {
    DECLARE_SERIAL(CKTFocalFade)

public:
    // Focus black, unfocus white, radius 20 pixels; event (1, 0) unless loading.
    CKTFocalFade();
    ~CKTFocalFade() override;

    CString GetName() const override;  // "Focal Fade"
    void OnEvent(int nEvent) override;

    void Serialize(CArchive& ar) override;

    // Written directly by the dispatcher.
    COLORREF m_crFocus;
    COLORREF m_crUnfocus;
    double m_dRadius;
};
