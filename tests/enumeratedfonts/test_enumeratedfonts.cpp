// The installed-font catalogue: order, filtering and indexing with a scripted source; an empty
// catalogue; and the fontconfig source on this machine's fonts.
#include <gtest/gtest.h>

#include <strings.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "enumeratedfonts/enumeratedfonts.h"
#include "platform/gdi/cp1252.h"
#include "platform/gdi/font.h"
#include "platform/gdi/fontengine.h"

namespace {

struct FakeFace {
    FakeFace(const char* s, int t = TRUETYPE_FONTTYPE, const char* full = "") : style(s), type(t), fullName(full) {}
    std::string style;
    int type;
    std::string fullName;  // empty: "<family> <style>"
};
struct FakeFamily {
    std::string name;
    int type = TRUETYPE_FONTTYPE;
    std::vector<FakeFace> faces;
};

// A source scripted by the test. Installed names are all TrueType faces' "<full name> (TrueType)"
// unless the test gives its own list.
class FakeSource : public CFontSource {
public:
    std::vector<FakeFamily> families;
    bool listReadable = true;
    bool customList = false;
    std::vector<std::string> installed;
    mutable int listReads = 0;
    mutable std::map<std::string, int> calls;

    static std::string FullName(const FakeFamily& fam, const FakeFace& f) {
        return f.fullName.empty() ? fam.name + " " + f.style : f.fullName;
    }
    std::vector<Family> EnumFamilies() const override {
        std::vector<Family> out;
        for (const FakeFamily& f : families) out.push_back(Family{f.name, f.type});
        return out;
    }
    // The k-th call for a name enumerates the k-th family of that name.
    std::vector<Face> EnumFaces(const std::string& family) const override {
        std::vector<Face> out;
        int skip = calls[family]++;
        for (const FakeFamily& fam : families) {
            if (fam.name != family || skip-- > 0) continue;
            for (const FakeFace& f : fam.faces) {
                Face face{};
                std::strncpy(face.elf.elfLogFont.lfFaceName, fam.name.c_str(), LF_FACESIZE - 1);
                face.elf.elfLogFont.lfWidth = 7;  // the catalogue clears it
                face.elf.elfLogFont.lfHeight = -13;
                std::strncpy(face.elf.elfFullName, FullName(fam, f).c_str(), LF_FULLFACESIZE - 1);
                std::strncpy(face.elf.elfStyle, f.style.c_str(), LF_FACESIZE - 1);
                face.nFontType = f.type;
                out.push_back(face);
            }
            break;
        }
        return out;
    }
    bool GetInstalledFontNames(std::vector<std::string>* names) const override {
        ++listReads;
        if (!listReadable) return false;
        if (customList) {
            *names = installed;
            return true;
        }
        names->clear();
        for (const FakeFamily& fam : families) {
            for (const FakeFace& f : fam.faces) names->push_back(FullName(fam, f) + " (TrueType)");
        }
        return true;
    }
};

std::vector<std::string> FamilyNames(const CEnumeratedFonts& c) {
    std::vector<std::string> out;
    for (int i = 0; i < c.GetFamilyCount(); ++i) out.push_back(c.GetFamily(i)->m_szName);
    return out;
}

std::vector<std::string> StyleNames(const CEnumeratedFontFamily* f) {
    std::vector<std::string> out;
    for (int j = 0; j < f->GetFontCount(); ++j) out.push_back(f->GetFont(j)->GetStyleName());
    return out;
}

}  // namespace

TEST(EnumeratedFonts, FamiliesSortByBytesAndOnlyTrueTypeStays) {
    FakeSource src;
    src.families = {{"arial", TRUETYPE_FONTTYPE, {{"Regular"}}},
                    {"Modern", RASTER_FONTTYPE, {{"Regular"}}},
                    {"Courier New", TRUETYPE_FONTTYPE, {{"Regular"}, {"Bold"}}},
                    {"Arial Black", TRUETYPE_FONTTYPE, {{"Regular"}}},
                    {"Symbolic", TRUETYPE_FONTTYPE, {{"Vector", 0}}}};
    CEnumeratedFonts c;
    c.Build(src);
    EXPECT_EQ(FamilyNames(c), (std::vector<std::string>{"Arial Black", "Courier New", "arial"}));
    EXPECT_EQ(StyleNames(c.GetFamily(1)), (std::vector<std::string>{"Regular", "Bold"}));
    EXPECT_EQ(c.GetTotalCount(), 4);
    for (int n = 0; n < 4; ++n) EXPECT_EQ(c.GetFont(n)->lfWidth, 0);
    EXPECT_EQ(c.GetFont(0)->lfHeight, -13);
    EXPECT_STREQ(c.GetFamily(1)->GetFont(1)->m_elf.elfFullName, "Courier New Bold");
    EXPECT_EQ(src.listReads, 1);  // read once, at the first TrueType face
}

TEST(EnumeratedFonts, EqualNamesKeepTheirOrder) {
    FakeSource src;
    src.families = {{"Zeta", TRUETYPE_FONTTYPE, {{"Regular"}}},
                    {"Same", TRUETYPE_FONTTYPE, {{"First", TRUETYPE_FONTTYPE, "Same One"}}},
                    {"Alpha", TRUETYPE_FONTTYPE, {{"Regular"}}},
                    {"Same", TRUETYPE_FONTTYPE, {{"Second", TRUETYPE_FONTTYPE, "Same Two"}}}};
    CEnumeratedFonts c;
    c.Build(src);
    ASSERT_EQ(FamilyNames(c), (std::vector<std::string>{"Alpha", "Same", "Same", "Zeta"}));
    EXPECT_EQ(StyleNames(c.GetFamily(1)), (std::vector<std::string>{"First"}));
    EXPECT_EQ(StyleNames(c.GetFamily(2)), (std::vector<std::string>{"Second"}));
}

TEST(EnumeratedFonts, InstalledListDecides) {
    FakeSource src;
    src.families = {{"Lucida", TRUETYPE_FONTTYPE, {{"Regular"}, {"Bold"}}},
                    {"Gone", TRUETYPE_FONTTYPE, {{"Regular"}}}};
    src.customList = true;
    src.installed = {"Lucida Regular (TrueType)", "lucida bold (TrueType)", "Gone Regular", "Other (TrueType)"};
    CEnumeratedFonts c;
    c.Build(src);
    ASSERT_EQ(FamilyNames(c), (std::vector<std::string>{"Lucida"}));  // "Gone" lost its only face
    EXPECT_EQ(StyleNames(c.GetFamily(0)), (std::vector<std::string>{"Regular"}));  // case matters

    FakeSource unreadable;
    unreadable.families = src.families;
    unreadable.listReadable = false;
    c.Build(unreadable);
    EXPECT_EQ(c.GetFamilyCount(), 0);
    EXPECT_EQ(unreadable.listReads, 3);  // tried again for each face
}

TEST(EnumeratedFonts, GetFontWrapsModuloTheTotal) {
    FakeSource src;
    src.families = {{"A", TRUETYPE_FONTTYPE, {{"a0"}, {"a1"}}}, {"B", TRUETYPE_FONTTYPE, {{"b0"}, {"b1"}, {"b2"}}}};
    CEnumeratedFonts c;
    c.Build(src);
    ASSERT_EQ(c.GetTotalCount(), 5);
    const LOGFONT* a0 = c.GetFamily(0)->GetFont(0)->GetLogFont();
    const LOGFONT* b0 = c.GetFamily(1)->GetFont(0)->GetLogFont();
    const LOGFONT* b2 = c.GetFamily(1)->GetFont(2)->GetLogFont();
    struct Case {
        int n;
        const LOGFONT* face;
    } cases[] = {{0, a0}, {2, b0}, {4, b2}, {5, a0}, {7, b0}, {-5, a0}, {-1, nullptr}, {-6, nullptr},
                 {INT32_MIN, nullptr}, {INT32_MAX, c.GetFont(INT32_MAX % 5)}};
    for (const Case& k : cases) EXPECT_EQ(c.GetFont(k.n), k.face) << k.n;
    EXPECT_EQ(c.GetFamily(2), nullptr);
    EXPECT_EQ(c.GetFamily(-1), nullptr);
    EXPECT_EQ(c.GetFamily(0)->GetFont(2), nullptr);
    EXPECT_EQ(c.GetFamily(0)->GetFont(-1), nullptr);
}

TEST(EnumeratedFonts, EmptyCatalogueIsSafe) {
    CEnumeratedFonts c;
    EXPECT_EQ(c.GetFamilyCount(), 0);
    EXPECT_EQ(c.GetFamily(0), nullptr);
    EXPECT_EQ(c.GetTotalCount(), 0);
    for (int n : {0, 1, -1, INT32_MIN, INT32_MAX}) EXPECT_EQ(c.GetFont(n), nullptr) << n;
    FakeSource none;
    c.Build(none);
    EXPECT_EQ(c.GetTotalCount(), 0);
    EXPECT_EQ(c.GetFont(3), nullptr);
    c.RemoveLastFamily();  // nothing to remove
    EXPECT_EQ(c.GetFamilyCount(), 0);
}

TEST(EnumeratedFonts, RebuildReplacesAndRecounts) {
    FakeSource one, two;
    one.families = {{"One", TRUETYPE_FONTTYPE, {{"Regular"}}}};
    two.families = {{"Two", TRUETYPE_FONTTYPE, {{"Regular"}, {"Italic"}}}, {"Three", TRUETYPE_FONTTYPE, {{"Regular"}}}};
    CEnumeratedFonts c;
    c.Build(one);
    EXPECT_EQ(c.GetTotalCount(), 1);
    c.Build(two);
    EXPECT_EQ(FamilyNames(c), (std::vector<std::string>{"Three", "Two"}));
    EXPECT_EQ(c.GetTotalCount(), 3);
}

TEST(EnumeratedFontsFontconfig, SortedDeterministicAndResolvable) {
    CEnumeratedFonts c, again;
    c.Build();
    again.Build();
    ASSERT_GT(c.GetFamilyCount(), 0) << "no outline fonts found by fontconfig";
    ASSERT_EQ(c.GetFamilyCount(), again.GetFamilyCount());
    ASSERT_EQ(c.GetTotalCount(), again.GetTotalCount());
    for (int n = 0; n < c.GetTotalCount(); ++n) {
        EXPECT_EQ(0, std::memcmp(c.GetFont(n), again.GetFont(n), sizeof(LOGFONT))) << n;
    }

    bool dejaVuBook = false;
    for (int i = 0; i < c.GetFamilyCount(); ++i) {
        const CEnumeratedFontFamily* fam = c.GetFamily(i);
        if (i > 0) {
            EXPECT_LE(std::strcmp(c.GetFamily(i - 1)->m_szName, fam->m_szName), 0);
        }
        ASSERT_GT(fam->GetFontCount(), 0);
        for (int j = 0; j < fam->GetFontCount(); ++j) {
            const CEnumeratedFont* face = fam->GetFont(j);
            SCOPED_TRACE(std::string(fam->m_szName) + " / " + face->GetStyleName());
            const LOGFONT* lf = face->GetLogFont();
            EXPECT_EQ(lf->lfWidth, 0);
            EXPECT_STREQ(lf->lfFaceName, fam->m_szName);
            EXPECT_GT(std::strlen(face->GetStyleName()), 0u);
            dejaVuBook |= std::strcmp(fam->m_szName, "DejaVu Sans") == 0 && std::strcmp(face->GetStyleName(), "Book") == 0;
            // A face's LOGFONT resolves back to a face of its family that has its style.
            LOGFONT sized = *lf;
            sized.lfHeight = 240;
            CFont font;
            ASSERT_TRUE(font.CreatePointFontIndirect(&sized));
            const gdi::ResolvedFace& r = font.Face()->Resolved();
            EXPECT_FALSE(r.fallback);
            EXPECT_EQ(strcasecmp(r.family.c_str(), gdi::Cp1252ToUtf8(fam->m_szName).c_str()), 0) << r.family;
            EXPECT_FALSE(r.embolden);
            EXPECT_FALSE(r.oblique);
        }
    }
    EXPECT_TRUE(dejaVuBook);
}
