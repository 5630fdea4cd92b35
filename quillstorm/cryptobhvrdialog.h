// CCryptoBhvrDialog ("Set Cryptographic Parameters"): how fast the letters scramble and whether they go
// on for ever ("Continuous") or make a number of shifts between a minimum and a maximum ("Limited",
// which alone enables the two counts). The caller sets the members, runs DoModal and reads them after
// IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CCryptoBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 144;
    static constexpr int IDC_MIN_SHIFTS = 1007;
    static constexpr int IDC_MAX_SHIFTS = 1008;
    static constexpr int IDC_SPEED = 1009;
    static constexpr int IDC_CONTINUOUS = 1036;
    static constexpr int IDC_LIMITED = 1037;
    static constexpr int IDC_MIN_LABEL = 1038;
    static constexpr int IDC_MAX_LABEL = 1039;

    CCryptoBhvrDialog();

    int m_nMaxShifts = 0;     // "Maximum"
    int m_nMinShifts = 0;     // "Minumum"
    double m_dSpeed = 0.0;    // "Speed (0 - 1)"
    BYTE m_bContinuous = 1;   // not exchanged: the radio group

protected:
    // The radio button of m_bContinuous checked, and its handler run.
    BOOL OnInitDialog() override;

private:
    void OnContinuous();
    void OnLimited();
    void EnableCounts(BOOL bEnable);
};
