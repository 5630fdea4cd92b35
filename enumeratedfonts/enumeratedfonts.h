// The installed-font catalogue: outline font families sorted by name, each with its faces (styles).
//
// The catalogue is built from a font source. The program's source is fontconfig's list of scalable
// TrueType and OpenType fonts (CFontconfigSource); tests hand in a source of their own. A face enters
// the catalogue only if it is TrueType and the source's installed-font list names it exactly (its full
// name followed by " (TrueType)", compared case-sensitively); a family left with no face is dropped.
// Families are sorted by a stable byte-order comparison of their names; faces keep the source's order.
//
// An empty catalogue is a normal state: counts are 0 and every lookup returns NULL.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/logfont.h"

constexpr int LF_FULLFACESIZE = 64;

constexpr int RASTER_FONTTYPE = 0x0001;
constexpr int DEVICE_FONTTYPE = 0x0002;
constexpr int TRUETYPE_FONTTYPE = 0x0004;

// A face as font enumeration reports it: its LOGFONT, full name ("Liberation Sans Bold") and style
// name ("Bold"), all Windows-1252 and NUL-terminated.
struct ENUMLOGFONT {
    LOGFONT elfLogFont;
    CHAR elfFullName[LF_FULLFACESIZE];
    CHAR elfStyle[LF_FACESIZE];
};

// Where the catalogue's fonts come from.
class CFontSource {
public:
    struct Family {
        std::string name;  // Windows-1252, at most 31 bytes (the LOGFONT face name)
        int nFontType;     // TRUETYPE_FONTTYPE for outline families
    };
    struct Face {
        ENUMLOGFONT elf;
        int nFontType;
    };

    virtual ~CFontSource() = default;
    // The families, in enumeration order.
    virtual std::vector<Family> EnumFamilies() const = 0;
    // The faces of a family named as EnumFamilies names it, in enumeration order.
    virtual std::vector<Face> EnumFaces(const std::string& family) const = 0;
    // The entry names of the installed-font list. False when the list cannot be read.
    virtual bool GetInstalledFontNames(std::vector<std::string>* names) const = 0;
};

// fontconfig's scalable fonts. TrueType and OpenType (CFF) files are TrueType faces; Type 1 and other
// formats are listed with font type 0. Families are the legacy (four-style) family names, so that a
// face's LOGFONT (face name, weight, italic) resolves back to that face; they are listed in byte
// order, faces within a family by weight, slant, width, style name and file, so the order is the same
// on every machine that has the same fonts. Names that Windows-1252 cannot spell are left out; longer
// names are cut to fit. The installed-font list holds every TrueType face. The list is read once, when
// the source is made.
class CFontconfigSource : public CFontSource {
public:
    CFontconfigSource();
    std::vector<Family> EnumFamilies() const override;
    std::vector<Face> EnumFaces(const std::string& family) const override;
    bool GetInstalledFontNames(std::vector<std::string>* names) const override;

private:
    struct Entry {
        std::string family;
        Face face;
    };
    std::vector<Entry> m_entries;  // grouped by family, in enumeration order
};

class CEnumeratedFont {
public:
    // A copy of the reported face with lfWidth 0.
    explicit CEnumeratedFont(const ENUMLOGFONT& elf);
    LOGFONT* GetLogFont() { return &m_elf.elfLogFont; }
    const LOGFONT* GetLogFont() const { return &m_elf.elfLogFont; }
    const char* GetStyleName() const { return m_elf.elfStyle; }

    ENUMLOGFONT m_elf;
};

class CEnumeratedFontFamily {
public:
    explicit CEnumeratedFontFamily(const char* name);
    ~CEnumeratedFontFamily();
    CEnumeratedFontFamily(const CEnumeratedFontFamily&) = delete;
    CEnumeratedFontFamily& operator=(const CEnumeratedFontFamily&) = delete;

    int GetFontCount() const;
    // Face j, or NULL when j is not a face's index.
    CEnumeratedFont* GetFont(int j) const;
    // Takes ownership.
    void AddFont(CEnumeratedFont* pFont);
    const char* GetName() const { return m_szName; }

    char m_szName[LF_FACESIZE];
    std::vector<CEnumeratedFont*>* m_pFonts;  // owned, and so are the faces
};

class CEnumeratedFonts {
public:
    CEnumeratedFonts();
    ~CEnumeratedFonts();
    CEnumeratedFonts(const CEnumeratedFonts&) = delete;
    CEnumeratedFonts& operator=(const CEnumeratedFonts&) = delete;

    // Fills the catalogue from fontconfig (CFontconfigSource), replacing what it held.
    void Build();
    // Fills the catalogue from a source, replacing what it held.
    void Build(const CFontSource& source);

    int GetFamilyCount() const;
    // Family i, or NULL when i is not a family's index.
    CEnumeratedFontFamily* GetFamily(int i) const;
    // Faces over all families; counted on the first call and kept.
    int GetTotalCount();
    // The LOGFONT of face n over all families, n taken modulo the total (C remainder): GetFont(total) is
    // GetFont(0). NULL for a negative remainder and for an empty catalogue.
    LOGFONT* GetFont(int n);

    // Takes ownership.
    void AddFamily(CEnumeratedFontFamily* pFamily);
    // Deletes the last family (nothing when there is none).
    void RemoveLastFamily();

    std::vector<CEnumeratedFontFamily*>* m_pFamilies;  // owned, and so are the families
    int m_nTotal;

private:
    void SortFamilies();
    void Clear();
};
