// CWordnozzleDialog: the text sprayer's parameters ("Set Wordnozzle Parameters"): the source file (typed,
// or chosen with the "Source File:" button), the spray speed, the lifespan's base duration and random
// variation, and the chunk mode. The caller fills the members, runs DoModal and reads them after IDOK.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/uiservices.h"

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
    CWordnozzleDialog(const CWordnozzleDialog&) = delete;
    CWordnozzleDialog& operator=(const CWordnozzleDialog&) = delete;

    // IDOK or IDCANCEL, through the installed UI services.
    int DoModal();

    std::string GetTitle() const override { return "Set Wordnozzle Parameters"; }
    const std::vector<ui::DialogField>& GetFields() const override { return m_fields; }
    void OnButton(int nId) override;
    // The open dialog for text files; on OK m_strFile is the chosen file's full path (the dialog makes
    // its folder current, as every file dialog of the program does). Cancel changes nothing.
    void OnBrowse();

    std::string m_strFile;     // "Source File:"
    float m_fSpeed = 0.0f;     // "Spray Speed (0 - 1)", 0 to 1
    double m_dVariation = 0.0; // "Random variation", 0 to 100,000
    double m_dBase = 0.0;      // "Base duration", 0 to 100,000
    int m_nChunk = 1;          // "Chunk:" 0 glyph, 1 word, 2 passage

private:
    std::vector<ui::DialogField> m_fields;  // point into this object
};
