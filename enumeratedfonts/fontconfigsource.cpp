// CFontconfigSource: fontconfig's scalable fonts as a font source for the catalogue.
#include <algorithm>
#include <cstring>
#include <tuple>

#include <fontconfig/fontconfig.h>

#include "enumeratedfonts/enumeratedfonts.h"
#include "platform/gdi/cp1252.h"

namespace {


// The values of an object whose language is English (all of them when none is), in pattern order.
std::vector<std::string> EnglishValues(FcPattern* p, const char* object, const char* langObject) {
    std::vector<std::string> all, english;
    FcChar8* s = nullptr;
    for (int i = 0; FcPatternGetString(p, object, i, &s) == FcResultMatch; ++i) {
        all.emplace_back(reinterpret_cast<const char*>(s));
        FcChar8* lang = nullptr;
        if (FcPatternGetString(p, langObject, i, &lang) == FcResultMatch &&
            std::strncmp(reinterpret_cast<const char*>(lang), "en", 2) == 0) {
            english.emplace_back(reinterpret_cast<const char*>(s));
        }
    }
    return english.empty() ? all : english;
}

// Copies a Windows-1252 name into a fixed field, cut to fit; false when the name cannot be spelled.
bool PutName(const std::string& utf8, char* field, size_t size, std::string* name1252) {
    std::string s;
    if (utf8.empty() || !gdi::Utf8ToCp1252(utf8, &s) || s.find('\0') != std::string::npos) return false;
    if (s.size() > size - 1) s.resize(size - 1);
    std::memset(field, 0, size);
    std::memcpy(field, s.data(), s.size());
    if (name1252) *name1252 = s;
    return true;
}

struct Listed {
    std::string family;
    CFontSource::Face face;
    int weight, slant, width;
    std::string file;
    int index;
    auto Key() const {
        // TrueType faces first, so that of two faces with one full name the TrueType one is kept.
        return std::make_tuple(family, !(face.nFontType & TRUETYPE_FONTTYPE), weight, slant, width,
                               std::string(face.elf.elfStyle), file, index);
    }
};

}  // namespace

CFontconfigSource::CFontconfigSource() {
    if (FcInit() != FcTrue) return;
    FcPattern* pat = FcPatternBuild(nullptr, FC_SCALABLE, FcTypeBool, FcTrue, static_cast<char*>(nullptr));
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_STYLE, FC_STYLELANG, FC_FULLNAME,
                                       FC_FULLNAMELANG, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_SPACING, FC_FONTFORMAT,
                                       FC_FILE, FC_INDEX, FC_VARIABLE, static_cast<char*>(nullptr));
    FcFontSet* set = (pat && os) ? FcFontList(nullptr, pat, os) : nullptr;
    std::vector<Listed> list;
    for (int i = 0; set && i < set->nfont; ++i) {
        FcPattern* p = set->fonts[i];
        FcBool variable = FcFalse;
        if (FcPatternGetBool(p, FC_VARIABLE, 0, &variable) == FcResultMatch && variable) continue;

        // The legacy family comes last among fontconfig's family names; its style at the same place.
        const std::vector<std::string> families = EnglishValues(p, FC_FAMILY, FC_FAMILYLANG);
        const std::vector<std::string> styles = EnglishValues(p, FC_STYLE, FC_STYLELANG);
        const std::vector<std::string> fullNames = EnglishValues(p, FC_FULLNAME, FC_FULLNAMELANG);
        if (families.empty()) continue;
        const size_t which = families.size() - 1;
        const std::string style =
            styles.size() > which ? styles[which] : (styles.empty() ? std::string("Regular") : styles.back());
        const std::string fullName =
            fullNames.empty() ? families[which] + (style == "Regular" ? "" : " " + style) : fullNames.back();

        Listed e{};
        LOGFONT& lf = e.face.elf.elfLogFont;
        if (!PutName(families[which], lf.lfFaceName, LF_FACESIZE, &e.family) ||
            !PutName(style, e.face.elf.elfStyle, LF_FACESIZE, nullptr) ||
            !PutName(fullName, e.face.elf.elfFullName, LF_FULLFACESIZE, nullptr)) {
            continue;
        }
        FcChar8* s = nullptr;
        const std::string format =
            FcPatternGetString(p, FC_FONTFORMAT, 0, &s) == FcResultMatch ? reinterpret_cast<const char*>(s) : "";
        e.face.nFontType = (format == "TrueType" || format == "CFF") ? TRUETYPE_FONTTYPE : 0;
        e.weight = FC_WEIGHT_REGULAR;
        e.slant = FC_SLANT_ROMAN;
        e.width = FC_WIDTH_NORMAL;
        int spacing = FC_PROPORTIONAL;
        FcPatternGetInteger(p, FC_WEIGHT, 0, &e.weight);
        FcPatternGetInteger(p, FC_SLANT, 0, &e.slant);
        FcPatternGetInteger(p, FC_WIDTH, 0, &e.width);
        FcPatternGetInteger(p, FC_SPACING, 0, &spacing);
        e.file = FcPatternGetString(p, FC_FILE, 0, &s) == FcResultMatch ? reinterpret_cast<const char*>(s) : "";
        e.index = 0;
        FcPatternGetInteger(p, FC_INDEX, 0, &e.index);

        lf.lfWeight = FcWeightToOpenType(e.weight);
        lf.lfItalic = e.slant != FC_SLANT_ROMAN ? 1 : 0;
        lf.lfCharSet = ANSI_CHARSET;
        lf.lfOutPrecision = OUT_STROKE_PRECIS;
        lf.lfClipPrecision = CLIP_STROKE_PRECIS;
        lf.lfQuality = DRAFT_QUALITY;
        lf.lfPitchAndFamily = spacing >= FC_MONO ? FIXED_PITCH : VARIABLE_PITCH;
        list.push_back(std::move(e));
    }
    if (set) FcFontSetDestroy(set);
    if (os) FcObjectSetDestroy(os);
    if (pat) FcPatternDestroy(pat);

    std::sort(list.begin(), list.end(), [](const Listed& a, const Listed& b) { return a.Key() < b.Key(); });
    for (const Listed& e : list) {
        const bool duplicate = std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& x) {
            return x.family == e.family && std::strcmp(x.face.elf.elfFullName, e.face.elf.elfFullName) == 0;
        });
        if (!duplicate) m_entries.push_back(Entry{e.family, e.face});
    }
}

std::vector<CFontSource::Family> CFontconfigSource::EnumFamilies() const {
    std::vector<Family> out;
    for (const Entry& e : m_entries) {
        if (out.empty() || out.back().name != e.family) out.push_back(Family{e.family, 0});
        out.back().nFontType |= e.face.nFontType;
    }
    return out;
}

std::vector<CFontSource::Face> CFontconfigSource::EnumFaces(const std::string& family) const {
    std::vector<Face> out;
    for (const Entry& e : m_entries) {
        if (e.family == family) out.push_back(e.face);
    }
    return out;
}

bool CFontconfigSource::GetInstalledFontNames(std::vector<std::string>* names) const {
    names->clear();
    for (const Entry& e : m_entries) {
        if (e.face.nFontType & TRUETYPE_FONTTYPE) names->push_back(std::string(e.face.elf.elfFullName) + " (TrueType)");
    }
    return true;
}
