// CWordnozzleDialog ("Set Wordnozzle Parameters"): the text sprayer's source file (typed, or chosen
// with the "Source File:" button), the spray speed, the lifespan's base duration and random variation,
// and the chunk mode. The caller sets the members, runs DoModal and reads them after IDOK.
#pragma once

#include "platform/ui/paramdialog.h"

class CWordnozzleDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 165;
    static constexpr int IDC_FILE = 1057;
    static constexpr int IDC_BROWSE = 1058;
    static constexpr int IDC_SPEED = 1059;
    static constexpr int IDC_BASE = 1061;
    static constexpr int IDC_VARIATION = 1062;
    static constexpr int IDC_CHUNK = 1069;

    CWordnozzleDialog();

    // The open dialog for text files; on OK the chosen file's full path goes into m_strFile and the
    // file edit (the dialog makes its folder current, as every file dialog of the program does).
    // Cancel changes nothing.
    void OnBrowse();

    CString m_strFile;          // "Source File:"
    float m_fSpeed = 0.0f;      // "Spray Speed (0 - 1)"
    double m_dVariation = 0.0;  // "Random variation"
    double m_dBase = 0.0;       // "Base duration"
    int m_nChunk = 1;           // "Chunk:" 0 glyph, 1 word, 2 passage
};
