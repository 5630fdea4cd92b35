// CKTThrobBhvr (type 13, "Throb"): makes its elements' point size swell and shrink.
//
// Attaching an element records its point size in its PROP_SAVED_SIZE property (an int). Each step
// (event 1) the scale is multiplied by (1 + m_dStep); on reaching m_dMaxSize or m_dMinSize it is put
// there and the step changes sign, so growth and shrinking are geometric. Every element then gets the
// point size (saved size * scale), truncated toward zero, through its SetFontSize (which resizes and
// re-lays out its subtree). A size whose LOGFONT height (tenths of a point) would not fit an int is not
// applied; an element without its saved size (or with a property of another class there, from a
// file) is skipped.
//
// Stored form: the behaviour part, then minimum, maximum, step, scale (doubles). The saved sizes live
// in the elements' properties.
#pragma once

#include "kinetype/ktbehavior.h"

class CKTThrobBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTThrobBhvr)

public:
    // Minimum 0.5, maximum 2.0, step 0.05, scale 1.0; event (1, 0) and element slot PROP_SAVED_SIZE
    // (int) unless loading.
    CKTThrobBhvr();
    ~CKTThrobBhvr() override;

    CString GetName() const override;  // "Throb"
    void OnEvent(int nEvent) override;
    // The base attach; on success the element's point size goes into its PROP_SAVED_SIZE property.
    BOOL AddElement(CKTElement* pElement) override;

    void SetMinSize(double d) { m_dMinSize = d; }
    double GetMinSize() const { return m_dMinSize; }
    void SetMaxSize(double d) { m_dMaxSize = d; }
    double GetMaxSize() const { return m_dMaxSize; }
    void SetStep(double d) { m_dStep = d; }
    double GetStep() const { return m_dStep; }
    double GetScale() const { return m_dScale; }

    void Serialize(CArchive& ar) override;

private:
    double m_dMinSize;
    double m_dMaxSize;
    double m_dStep;
    double m_dScale;
};
