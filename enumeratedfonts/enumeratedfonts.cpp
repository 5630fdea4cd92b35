#include "enumeratedfonts/enumeratedfonts.h"

#include <algorithm>
#include <cstring>

// ---- CEnumeratedFont ----------------------------------------------------------------------------

CEnumeratedFont::CEnumeratedFont(const ENUMLOGFONT& elf) : m_elf(elf) {
    m_elf.elfLogFont.lfWidth = 0;
    m_elf.elfLogFont.lfFaceName[LF_FACESIZE - 1] = 0;
    m_elf.elfFullName[LF_FULLFACESIZE - 1] = 0;
    m_elf.elfStyle[LF_FACESIZE - 1] = 0;
}

// ---- CEnumeratedFontFamily ----------------------------------------------------------------------

CEnumeratedFontFamily::CEnumeratedFontFamily(const char* name) : m_pFonts(new std::vector<CEnumeratedFont*>) {
    std::memset(m_szName, 0, sizeof m_szName);
    if (name) std::strncpy(m_szName, name, LF_FACESIZE - 1);
}

CEnumeratedFontFamily::~CEnumeratedFontFamily() {
    while (!m_pFonts->empty()) {
        delete m_pFonts->back();
        m_pFonts->pop_back();
    }
    delete m_pFonts;
}

int CEnumeratedFontFamily::GetFontCount() const { return static_cast<int>(m_pFonts->size()); }

CEnumeratedFont* CEnumeratedFontFamily::GetFont(int j) const {
    return (j >= 0 && j < GetFontCount()) ? (*m_pFonts)[static_cast<size_t>(j)] : nullptr;
}

void CEnumeratedFontFamily::AddFont(CEnumeratedFont* pFont) {
    if (pFont) m_pFonts->push_back(pFont);
}

// ---- CEnumeratedFonts ---------------------------------------------------------------------------

CEnumeratedFonts::CEnumeratedFonts() : m_pFamilies(new std::vector<CEnumeratedFontFamily*>), m_nTotal(-1) {}

CEnumeratedFonts::~CEnumeratedFonts() {
    Clear();
    delete m_pFamilies;
}

void CEnumeratedFonts::Clear() {
    for (CEnumeratedFontFamily* f : *m_pFamilies) delete f;
    m_pFamilies->clear();
    m_nTotal = -1;
}

void CEnumeratedFonts::Build() { Build(CFontconfigSource()); }

void CEnumeratedFonts::Build(const CFontSource& source) {
    Clear();
    // The installed-font list is read when the first TrueType face needs it (and again for the next
    // face if it could not be read).
    bool listOpen = false;
    std::vector<std::string> installed;

    for (const CFontSource::Family& fam : source.EnumFamilies()) {
        if (!(fam.nFontType & TRUETYPE_FONTTYPE)) continue;
        CEnumeratedFontFamily* family = new CEnumeratedFontFamily(fam.name.c_str());
        AddFamily(family);
        for (const CFontSource::Face& face : source.EnumFaces(fam.name)) {
            if (!(face.nFontType & TRUETYPE_FONTTYPE)) continue;
            if (!listOpen) {
                installed.clear();
                listOpen = source.GetInstalledFontNames(&installed);
                if (!listOpen) continue;
            }
            const std::string fullName(face.elf.elfFullName, strnlen(face.elf.elfFullName, LF_FULLFACESIZE));
            const std::string entry = fullName + " (TrueType)";
            if (std::find(installed.begin(), installed.end(), entry) == installed.end()) continue;
            family->AddFont(new CEnumeratedFont(face.elf));
        }
        if (family->GetFontCount() == 0) RemoveLastFamily();
    }
    SortFamilies();
}

void CEnumeratedFonts::SortFamilies() {
    std::stable_sort(m_pFamilies->begin(), m_pFamilies->end(),
                     [](const CEnumeratedFontFamily* a, const CEnumeratedFontFamily* b) {
                         return std::strcmp(a->m_szName, b->m_szName) < 0;
                     });
}

int CEnumeratedFonts::GetFamilyCount() const { return static_cast<int>(m_pFamilies->size()); }

CEnumeratedFontFamily* CEnumeratedFonts::GetFamily(int i) const {
    return (i >= 0 && i < GetFamilyCount()) ? (*m_pFamilies)[static_cast<size_t>(i)] : nullptr;
}

int CEnumeratedFonts::GetTotalCount() {
    if (m_nTotal < 0) {
        int total = 0;
        for (const CEnumeratedFontFamily* f : *m_pFamilies) total += f->GetFontCount();
        m_nTotal = total;
    }
    return m_nTotal;
}

LOGFONT* CEnumeratedFonts::GetFont(int n) {
    const int total = GetTotalCount();
    if (total <= 0) return nullptr;
    int k = n % total;
    if (k < 0) return nullptr;
    for (CEnumeratedFontFamily* f : *m_pFamilies) {
        const int count = f->GetFontCount();
        if (k < count) return f->GetFont(k)->GetLogFont();
        k -= count;
    }
    return nullptr;
}

void CEnumeratedFonts::AddFamily(CEnumeratedFontFamily* pFamily) {
    if (pFamily) m_pFamilies->push_back(pFamily);
}

void CEnumeratedFonts::RemoveLastFamily() {
    if (m_pFamilies->empty()) return;
    delete m_pFamilies->back();
    m_pFamilies->pop_back();
}
