// The font engine: fontconfig resolves a LOGFONT to a file, FreeType opens it once and makes one size
// per LOGFONT; each size caches, per Windows-1252 code, the glyph's metrics, native outline and
// monochrome pixels, all from one hinted load (FT_LOAD_TARGET_MONO), so they always agree.
#include "platform/gdi/fontengine.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <strings.h>
#include <list>
#include <map>
#include <string_view>
#include <unordered_map>

#include <fontconfig/fontconfig.h>
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include "platform/gdi/cp1252.h"
#include "platform/gdi/fontoutline.h"

namespace gdi {

namespace {

// Pixel heights and widths beyond this are clamped (glyph outlines must fit 16.16 fixed point, and
// glyph bitmaps must stay reasonable).
constexpr int kMaxPixels = 2048;
// A LOGFONT height of 0 asks for a default size: this cell height.
constexpr int kDefaultCellHeight = 16;
// The last resort when fontconfig finds nothing at all.
constexpr const char* kFallbackFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The symbol face the program draws arrowheads with. When it is not installed, the fallback face
// draws these codes as the Unicode shapes that look like the symbol face's glyphs (without this they
// would read as Windows-1252 letters: 0xD7 the multiplication sign, 0xD8 an O with a stroke).
constexpr const char* kArrowSymbolFace = "Wingdings";
struct SymbolStandIn {
    BYTE code;
    uint32_t unicode;
};
constexpr SymbolStandIn kArrowStandIns[] = {
    {0xD7, 0x25C4},  // left arrowhead: black left-pointing pointer
    {0xD8, 0x25BA},  // right arrowhead: black right-pointing pointer
};

}  // namespace

class FaceFile {
public:
    ~FaceFile() {
        if (face) FT_Done_Face(face);
    }
    FT_Face face = nullptr;
    bool symbol = false;  // only a symbol character map: codes map to 0xF000 + code
};

namespace {

struct FaceKey {
    unsigned char bytes[sizeof(LOGFONT)];
    bool operator==(const FaceKey& o) const {
        // Eight bytes at a time, kept inline: seven words and the last eight bytes (overlapping).
        static_assert(sizeof bytes > 8);
        uint64_t diff = 0;
        auto word = [](const unsigned char* p) {
            uint64_t w;
            std::memcpy(&w, p, sizeof w);
            return w;
        };
        for (size_t i = 0; i + 8 <= sizeof bytes; i += 8) diff |= word(bytes + i) ^ word(o.bytes + i);
        diff |= word(bytes + sizeof bytes - 8) ^ word(o.bytes + sizeof bytes - 8);
        return diff == 0;
    }
};
struct FaceKeyHash {
    size_t operator()(const FaceKey& k) const {
        return std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char*>(k.bytes), sizeof k.bytes));
    }
};

struct Engine {
    Engine() {
        ftOk = FT_Init_FreeType(&library) == 0;
        fcOk = FcInit() == FcTrue;
    }
    std::mutex mutex;
    FT_Library library = nullptr;
    bool ftOk = false;
    bool fcOk = false;
    // The LOGFONT cache: most recently asked first, found by key.
    struct Cached {
        FaceKey key;
        std::shared_ptr<const FontFace> face;
    };
    std::list<Cached> lru;
    std::unordered_map<FaceKey, std::list<Cached>::iterator, FaceKeyHash> faces;
    std::map<std::pair<std::string, int>, std::weak_ptr<FaceFile>> files;
    std::unordered_map<std::string, std::vector<ResolvedFace>> resolved;
};

// Never destroyed: faces held by static objects must stay valid until the process ends.
Engine& TheEngine() {
    static Engine* engine = new Engine;
    return *engine;
}

int ClampInt(int64_t v, int lo, int hi) {
    return static_cast<int>(v < lo ? lo : (v > hi ? hi : v));
}

// ---- fontconfig ---------------------------------------------------------------------------------

std::string GetString(FcPattern* p, const char* object, int id = 0) {
    FcChar8* s = nullptr;
    if (FcPatternGetString(p, object, id, &s) != FcResultMatch || !s) return std::string();
    return reinterpret_cast<const char*>(s);
}

// The families a substituted pattern binds strongly: the one asked for and its metric-compatible
// aliases (Arial -> Liberation Sans), not the weak defaults fontconfig appends for any name.
std::vector<std::string> StrongFamilies(FcPattern* p) {
    std::vector<std::string> names;
    FcValue v;
    FcValueBinding b;
    for (int i = 0; FcPatternGetWithBinding(p, FC_FAMILY, i, &v, &b) == FcResultMatch; ++i) {
        if (v.type == FcTypeString && b != FcValueBindingWeak) names.push_back(reinterpret_cast<const char*>(v.u.s));
    }
    return names;
}

bool HasFamily(FcPattern* font, const std::vector<std::string>& names, std::string* matched) {
    for (int i = 0;; ++i) {
        FcChar8* s = nullptr;
        if (FcPatternGetString(font, FC_FAMILY, i, &s) != FcResultMatch) return false;
        for (const std::string& n : names) {
            if (FcStrCmpIgnoreCase(s, reinterpret_cast<const FcChar8*>(n.c_str())) == 0) {
                *matched = reinterpret_cast<const char*>(s);
                return true;
            }
        }
    }
}

// fontconfig's best scalable face for a family name. With requireFamily, only a face of that family or
// of one of its strong aliases is accepted.
bool MatchFamily(const std::string& familyUtf8, int weight, bool italic, bool requireFamily, ResolvedFace* out) {
    FcPattern* p = FcPatternCreate();
    if (!p) return false;
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
    FcPatternAddInteger(p, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(p, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    const std::vector<std::string> strong = StrongFamilies(p);
    FcResult result = FcResultNoMatch;
    FcPattern* m = FcFontMatch(nullptr, p, &result);
    FcPatternDestroy(p);
    if (!m) return false;

    bool ok = true;
    FcBool scalable = FcFalse;
    if (FcPatternGetBool(m, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) ok = false;
    std::string family;
    if (ok && requireFamily && !HasFamily(m, strong, &family)) ok = false;
    if (ok) {
        if (family.empty()) family = GetString(m, FC_FAMILY);
        // The face's own weight and slant are read from the file when it is opened (FontFace::Create).
        int index = 0;
        FcPatternGetInteger(m, FC_INDEX, 0, &index);
        out->file = GetString(m, FC_FILE);
        out->index = index;
        out->family = family;
        out->style = GetString(m, FC_STYLE);
        ok = !out->file.empty();
    }
    FcPatternDestroy(m);
    return ok;
}

// Face names are cut to 31 bytes; a name of exactly that length may be the start of a longer family
// name. The byte-wise first installed family that begins with it, or empty.
std::string FamilyWithPrefix(const std::string& prefix1252) {
    std::string best;
    FcPattern* p = FcPatternBuild(nullptr, FC_SCALABLE, FcTypeBool, FcTrue, static_cast<char*>(nullptr));
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
    FcFontSet* set = (p && os) ? FcFontList(nullptr, p, os) : nullptr;
    if (set) {
        std::string name1252;
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* s = nullptr;
            for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &s) == FcResultMatch; ++k) {
                std::string utf8 = reinterpret_cast<const char*>(s);
                if (!Utf8ToCp1252(utf8, &name1252) || name1252.size() <= prefix1252.size()) continue;
                if (name1252.compare(0, prefix1252.size(), prefix1252) != 0) continue;
                if (best.empty() || utf8 < best) best = utf8;
            }
        }
        FcFontSetDestroy(set);
    }
    if (os) FcObjectSetDestroy(os);
    if (p) FcPatternDestroy(p);
    return best;
}

// The faces to try, best first: the face asked for (when fontconfig has it or a strong alias of it),
// then the default face, then whatever fontconfig offers for sans-serif, then the default face's file.
std::vector<ResolvedFace> Candidates(const std::string& name1252, int weight, bool italic) {
    std::vector<ResolvedFace> list;
    ResolvedFace r;
    if (TheEngine().fcOk) {
        if (!name1252.empty()) {
            const std::string utf8 = Cp1252ToUtf8(name1252);
            if (MatchFamily(utf8, weight, italic, true, &r)) {
                list.push_back(r);
            } else if (name1252.size() == LF_FACESIZE - 1) {
                const std::string longer = FamilyWithPrefix(name1252);
                if (!longer.empty() && MatchFamily(longer, weight, italic, true, &r)) list.push_back(r);
            }
        }
        r = ResolvedFace();
        if (MatchFamily(kFallbackFaceName, weight, italic, true, &r)) {
            r.fallback = true;
            list.push_back(r);
        }
        r = ResolvedFace();
        if (MatchFamily("sans-serif", weight, italic, false, &r)) {
            r.fallback = true;
            list.push_back(r);
        }
    }
    r = ResolvedFace();
    r.file = kFallbackFile;
    r.family = kFallbackFaceName;
    r.style = "Book";
    r.fallback = true;
    list.push_back(r);
    return list;
}

const std::vector<ResolvedFace>& CachedCandidates(const std::string& name1252, int weight, bool italic) {
    Engine& e = TheEngine();
    const std::string key = name1252 + '\0' + std::to_string(weight) + (italic ? "i" : "r");
    auto it = e.resolved.find(key);
    if (it == e.resolved.end()) {
        if (e.resolved.size() > 1024) e.resolved.clear();
        it = e.resolved.emplace(key, Candidates(name1252, weight, italic)).first;
    }
    return it->second;
}

// ---- FreeType -----------------------------------------------------------------------------------

std::shared_ptr<FaceFile> OpenFaceFile(const std::string& file, int index) {
    Engine& e = TheEngine();
    if (!e.ftOk) return nullptr;
    auto key = std::make_pair(file, index);
    auto it = e.files.find(key);
    if (it != e.files.end()) {
        if (auto live = it->second.lock()) return live;
    }
    auto ff = std::make_shared<FaceFile>();
    if (FT_New_Face(e.library, file.c_str(), index, &ff->face) != 0) {
        ff->face = nullptr;
        return nullptr;
    }
    if (!FT_IS_SCALABLE(ff->face)) return nullptr;
    if (FT_Select_Charmap(ff->face, FT_ENCODING_UNICODE) != 0) {
        ff->symbol = FT_Select_Charmap(ff->face, FT_ENCODING_MS_SYMBOL) == 0;
    }
    e.files[key] = ff;
    return ff;
}

GLYPHMETRICS EmptyMetrics(int advance) {
    GLYPHMETRICS gm{};
    gm.gmBlackBoxX = 1;
    gm.gmBlackBoxY = 1;
    gm.gmCellIncX = static_cast<SHORT>(ClampInt(advance, SHRT_MIN, SHRT_MAX));
    return gm;
}

// The missing glyph of a font whose own has no outline: the box the platform's fonts draw there, so
// that a line break or an unmapped code still has a size. Advance half the em; black box from the
// baseline to the ascent, a hollow rectangle whose sides are an em's sixteenth thick (at least one
// pixel), set in from the advance by that much; solid when too small to be hollow. Outline and pixels
// are the same whole-pixel rectangles.
void BuildMissingBox(int emX, int emY, int ascent, GlyphData& g) {
    const int advance = std::max(1, emX / 2);
    const int stroke = std::max(1, emY / 16);
    const int inset = advance > 2 * stroke ? stroke : 0;
    const int left = inset;
    const int width = std::max(1, advance - 2 * inset);
    const int height = std::max(1, ascent);
    g.gm = EmptyMetrics(advance);
    g.gm.gmBlackBoxX = static_cast<UINT>(width);
    g.gm.gmBlackBoxY = static_cast<UINT>(height);
    g.gm.gmptGlyphOrigin.x = left;
    g.gm.gmptGlyphOrigin.y = height;

    // Rectangles in 26.6 pixels, y up: the outer one clockwise, the hole counter-clockwise.
    const bool hollow = width > 2 * stroke && height > 2 * stroke;
    auto at = [](int x, int y) { return OutlinePoint{x * 64, y * 64, OutlinePoint::kOn}; };
    const int x0 = left, x1 = left + width, y0 = 0, y1 = height;
    std::vector<OutlinePoint> points = {at(x0, y0), at(x0, y1), at(x1, y1), at(x1, y0)};
    std::vector<int> ends = {3};
    if (hollow) {
        const int i0 = x0 + stroke, i1 = x1 - stroke, j0 = y0 + stroke, j1 = y1 - stroke;
        points.insert(points.end(), {at(i0, j0), at(i1, j0), at(i1, j1), at(i0, j1)});
        ends.push_back(7);
    }
    EncodeNativeOutline(points, ends, g.native);

    // Rows top first, columns from the black box's left.
    g.spans.clear();
    for (int r = 0; r < height; ++r) {
        if (!hollow || r < stroke || r >= height - stroke) {
            g.spans.push_back(GlyphSpan{r, 0, width});
        } else {
            g.spans.push_back(GlyphSpan{r, 0, stroke});
            g.spans.push_back(GlyphSpan{r, width - stroke, width});
        }
    }
}

// The monochrome bitmap's set pixels as spans, and the black box around them; (left, top) is the
// bitmap's top-left pixel relative to the origin, y up.
void TakeBitmap(const FT_Bitmap& bm, int left, int top, GlyphData& g) {
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO || !bm.buffer) return;
    const int rows = static_cast<int>(bm.rows);
    const int width = static_cast<int>(bm.width);
    int minRow = INT_MAX, maxRow = -1, minCol = INT_MAX, maxCol = -1;
    for (int r = 0; r < rows; ++r) {
        const unsigned char* line =
            bm.pitch >= 0 ? bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch
                          : bm.buffer + static_cast<ptrdiff_t>(rows - 1 - r) * -bm.pitch;
        int c = 0;
        while (c < width) {
            if (!(line[c >> 3] & (0x80 >> (c & 7)))) {
                ++c;
                continue;
            }
            const int start = c;
            while (c < width && (line[c >> 3] & (0x80 >> (c & 7)))) ++c;
            g.spans.push_back(GlyphSpan{r, start, c});
            minRow = std::min(minRow, r);
            maxRow = r;
            minCol = std::min(minCol, start);
            maxCol = std::max(maxCol, c - 1);
        }
    }
    if (g.spans.empty()) return;
    for (GlyphSpan& s : g.spans) {
        s.row -= minRow;
        s.x0 -= minCol;
        s.x1 -= minCol;
    }
    g.gm.gmBlackBoxX = static_cast<UINT>(maxCol - minCol + 1);
    g.gm.gmBlackBoxY = static_cast<UINT>(maxRow - minRow + 1);
    g.gm.gmptGlyphOrigin.x = left + minCol;
    g.gm.gmptGlyphOrigin.y = top - minRow;
}

}  // namespace

// ---- FontFace -----------------------------------------------------------------------------------

FontFace::~FontFace() {
    if (m_size) FT_Done_Size(m_size);
    for (std::atomic<const GlyphData*>& slot : m_glyphs) delete slot.load(std::memory_order_relaxed);
}

FT_UInt FontFace::GlyphIndex(BYTE code) const {
    if (code < 32) return 0;  // control codes, the line break among them, have the missing glyph
    const uint32_t u = Cp1252ToUnicode(code);
    if (u == 0) return 0;
    FT_Face face = m_file->face;
    if (m_resolved.symbolStandIns) {
        for (const SymbolStandIn& s : kArrowStandIns) {
            if (s.code != code) continue;
            if (const FT_UInt gi = FT_Get_Char_Index(face, s.unicode)) return gi;
        }
    }
    if (m_file->symbol) {
        FT_UInt gi = FT_Get_Char_Index(face, 0xF000u | code);
        return gi ? gi : FT_Get_Char_Index(face, code);
    }
    return FT_Get_Char_Index(face, u);
}

FT_UInt FontFace::CodePointIndex(uint32_t u) const {
    if (u < 32) return 0;
    FT_Face face = m_file->face;
    const bool symbolCode = u >= 0xF000 && u <= 0xF0FF;
    // A symbol face maps U+0020-U+00FF and the symbol codes U+F020-U+F0FF alike, as its 8-bit codes.
    if (m_file->symbol) return (u < 0x100 || symbolCode) ? GlyphIndex(static_cast<BYTE>(u)) : FT_Get_Char_Index(face, u);
    const FT_UInt gi = FT_Get_Char_Index(face, u);
    // Symbol codes a Unicode face lacks read as their byte does in 8-bit text.
    return gi || !symbolCode ? gi : GlyphIndex(static_cast<BYTE>(u));
}

const GlyphData& FontFace::Glyph(BYTE code) const {
    std::atomic<const GlyphData*>& slot = m_glyphs[code];
    if (const GlyphData* g = slot.load(std::memory_order_acquire)) return *g;
    auto lock = EngineLock();
    const GlyphData* g = slot.load(std::memory_order_relaxed);  // another thread may have built it
    if (!g) {
        auto built = std::make_unique<GlyphData>();
        BuildGlyph(GlyphIndex(code), *built);
        m_nBytes.fetch_add(sizeof(GlyphData) + built->native.capacity() + built->spans.capacity() * sizeof(GlyphSpan),
                           std::memory_order_relaxed);
        g = built.release();
        slot.store(g, std::memory_order_release);
    }
    return *g;
}

const GlyphData& FontFace::IndexGlyph(FT_UInt index, GlyphData& spare) const {
    auto it = m_indexGlyphs.find(index);
    if (it != m_indexGlyphs.end()) return *it->second;
    if (m_nBytes.load(std::memory_order_relaxed) >= kIndexGlyphBytes) {
        spare = GlyphData();
        BuildGlyph(index, spare);
        return spare;
    }
    auto built = std::make_unique<GlyphData>();
    BuildGlyph(index, *built);
    m_nBytes.fetch_add(sizeof(GlyphData) + built->native.capacity() + built->spans.capacity() * sizeof(GlyphSpan) + 32,
                       std::memory_order_relaxed);
    return *m_indexGlyphs.emplace(index, std::move(built)).first->second;
}

void FontFace::Synthesize(FT_Outline& outline, FT_Pos* advance) const {
    if (m_resolved.embolden) {
        // Whole pixels, so the monochrome strokes stay even: about a 24th of the em, at least one.
        const FT_Pos strength = std::max<FT_Pos>(64, ((m_yppem * 64 / 24) + 32) & ~63);
        FT_Outline_EmboldenXY(&outline, strength, 0);
        *advance += strength;
    }
    if (m_resolved.oblique) {
        FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};  // x += 0.2126 y
        FT_Outline_Transform(&outline, &shear);
    }
}

void FontFace::BuildGlyph(FT_UInt gi, GlyphData& g) const {
    g.gm = EmptyMetrics(0);
    FT_Face face = m_file->face;
    if (FT_Activate_Size(m_size) != 0) return;
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO;
    FT_Error err = FT_Load_Glyph(face, gi, flags);
    if (err && gi != 0) {
        gi = 0;
        err = FT_Load_Glyph(face, 0, flags);
    }
    const bool missing = gi == 0;
    if (err || (missing && (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || face->glyph->outline.n_points <= 0))) {
        if (missing) BuildMissingBox(m_xppem, m_yppem, m_tm.tmAscent, g);
        return;
    }

    FT_GlyphSlot slot = face->glyph;
    FT_Pos advance = slot->advance.x;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
        g.gm = EmptyMetrics(static_cast<int>((advance + 32) >> 6));
        return;
    }
    FT_Outline& outline = slot->outline;
    Synthesize(outline, &advance);
    g.gm = EmptyMetrics(static_cast<int>((advance + 32) >> 6));

    std::vector<OutlinePoint> points(static_cast<size_t>(std::max<int>(0, outline.n_points)));
    for (size_t i = 0; i < points.size(); ++i) {
        const char tag = FT_CURVE_TAG(outline.tags[i]);
        points[i].x = static_cast<int32_t>(outline.points[i].x);
        points[i].y = static_cast<int32_t>(outline.points[i].y);
        points[i].kind = tag == FT_CURVE_TAG_ON      ? OutlinePoint::kOn
                         : tag == FT_CURVE_TAG_CUBIC ? OutlinePoint::kCubic
                                                     : OutlinePoint::kConic;
    }
    std::vector<int> ends(static_cast<size_t>(std::max<int>(0, outline.n_contours)));
    for (size_t i = 0; i < ends.size(); ++i) ends[i] = outline.contours[i];
    EncodeNativeOutline(points, ends, g.native);

    if (outline.n_points > 0 && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0)
        TakeBitmap(slot->bitmap, slot->bitmap_left, slot->bitmap_top, g);
}

bool FontFace::TurnedGlyph(FT_UInt gi, const FT_Matrix& m, FT_Vector shift, GlyphData& g) const {
    g = GlyphData();
    g.gm = EmptyMetrics(0);
    FT_Face face = m_file->face;
    if (FT_Activate_Size(m_size) != 0) return false;
    // Hinted as the unturned glyph is, so that turned text keeps the stems' weights of level text.
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(face, gi, flags) != 0 && (gi == 0 || FT_Load_Glyph(face, 0, flags) != 0)) return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points <= 0) return false;
    FT_Outline& outline = slot->outline;
    FT_Pos advance = slot->advance.x;
    Synthesize(outline, &advance);
    FT_Outline_Transform(&outline, &m);
    FT_Outline_Translate(&outline, shift.x, shift.y);
    FT_BBox box;
    FT_Outline_Get_CBox(&outline, &box);
    const FT_Pos left = box.xMin >> 6, bottom = box.yMin >> 6, right = (box.xMax + 63) >> 6, top = (box.yMax + 63) >> 6;
    if (right - left > kMaxTurnedPixels || top - bottom > kMaxTurnedPixels || right <= left || top <= bottom) return false;
    FT_Bitmap bm;
    FT_Bitmap_Init(&bm);
    bm.rows = static_cast<unsigned>(top - bottom);
    bm.width = static_cast<unsigned>(right - left);
    bm.pitch = static_cast<int>((bm.width + 7) / 8);
    bm.pixel_mode = FT_PIXEL_MODE_MONO;
    bm.num_grays = 2;
    std::vector<unsigned char> pixels(static_cast<size_t>(bm.pitch) * bm.rows, 0);
    bm.buffer = pixels.data();
    FT_Outline_Translate(&outline, -left * 64, -bottom * 64);
    if (FT_Outline_Get_Bitmap(TheEngine().library, &outline, &bm) != 0) return false;
    TakeBitmap(bm, static_cast<int>(left), static_cast<int>(top), g);
    return !g.spans.empty();
}

std::unique_ptr<FontFace> FontFace::Create(const LOGFONT& lf) {
    const std::string name(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE - 1));
    const int weight = lf.lfWeight <= 0 ? FW_NORMAL : ClampInt(lf.lfWeight, 1, 1000);
    const bool italic = lf.lfItalic != 0;
    for (const ResolvedFace& r : CachedCandidates(name, weight, italic)) {
        std::shared_ptr<FaceFile> file = OpenFaceFile(r.file, r.index);
        if (!file) continue;
        FT_Face face = file->face;
        const int upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;

        // Ascent and descent of the cell: the Windows metrics of the OS/2 table when there is one.
        const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const bool hasOs2 = os2 && os2->version != 0xFFFFu;
        int asc = hasOs2 ? os2->usWinAscent : face->ascender;
        int desc = hasOs2 ? os2->usWinDescent : -face->descender;
        if (asc + desc <= 0) {
            asc = upem * 4 / 5;
            desc = upem - asc;
        }
        int avg = hasOs2 ? os2->xAvgCharWidth : 0;
        if (avg <= 0) avg = upem / 2;

        int height = ClampInt(lf.lfHeight, -kMaxPixels, kMaxPixels);
        if (height == 0) height = kDefaultCellHeight;
        int yppem, ascent, descent;
        if (height > 0) {  // cell height
            yppem = std::max(1, MulDiv(height, upem, asc + desc));
            ascent = MulDiv(asc, height, asc + desc);
            descent = height - ascent;
        } else {  // character height: the em
            yppem = -height;
            ascent = MulDiv(asc, yppem, upem);
            descent = MulDiv(desc, yppem, upem);
        }
        yppem = std::min(yppem, kMaxPixels);
        int xppem = yppem;
        if (lf.lfWidth != 0) {
            const int64_t w = lf.lfWidth < 0 ? -int64_t{lf.lfWidth} : int64_t{lf.lfWidth};
            xppem = ClampInt(MulDiv(ClampInt(w, 1, kMaxPixels), upem, avg), 1, kMaxPixels);
        }

        FT_Size size = nullptr;
        if (FT_New_Size(face, &size) != 0) continue;
        FT_Size_RequestRec req{};
        req.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        req.width = FT_Long{xppem} * 64;
        req.height = FT_Long{yppem} * 64;
        if (FT_Activate_Size(size) != 0 || FT_Request_Size(face, &req) != 0) {
            FT_Done_Size(size);
            continue;
        }

        std::unique_ptr<FontFace> f(new FontFace);
        f->m_file = file;
        f->m_size = size;
        f->m_resolved = r;
        // The style the file itself has (fontconfig reports the synthetic style it would apply), and
        // what must be synthesised to give the style asked for.
        ResolvedFace& res = f->m_resolved;
        res.weight = hasOs2 && os2->usWeightClass ? os2->usWeightClass
                                                   : ((face->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL);
        res.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
        res.embolden = weight >= 600 && res.weight < 600;
        res.oblique = italic && !res.italic;
        res.symbolStandIns = r.fallback && strcasecmp(name.c_str(), kArrowSymbolFace) == 0;
        f->m_xppem = xppem;
        f->m_yppem = yppem;

        TEXTMETRIC& tm = f->m_tm;
        tm.tmAscent = ascent;
        tm.tmDescent = descent;
        tm.tmHeight = ascent + descent;
        tm.tmInternalLeading = std::max(0, tm.tmHeight - yppem);
        const int lineGap = face->height - (face->ascender - face->descender);
        const int extra = lineGap - ((asc + desc) - (face->ascender - face->descender));
        tm.tmExternalLeading = extra > 0 ? MulDiv(extra, yppem, upem) : 0;
        tm.tmAveCharWidth = MulDiv(avg, xppem, upem);
        tm.tmMaxCharWidth = MulDiv(face->max_advance_width, xppem, upem);
        tm.tmWeight = res.embolden ? FW_BOLD : res.weight;
        tm.tmOverhang = 0;
        tm.tmDigitizedAspectX = 96;
        tm.tmDigitizedAspectY = 96;
        tm.tmFirstChar = 32;
        tm.tmLastChar = 255;
        tm.tmDefaultChar = 31;
        tm.tmBreakChar = 32;
        tm.tmItalic = (res.italic || res.oblique) ? 1 : 0;
        tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
        tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
        // Bit 0 set means variable pitch, 2 an outline font, 4 TrueType.
        tm.tmPitchAndFamily = static_cast<BYTE>((FT_IS_FIXED_WIDTH(face) ? 0 : 1) | 2 | (FT_IS_SFNT(face) ? 4 : 0));
        tm.tmCharSet = ANSI_CHARSET;

        // The underline from the face's own position (the stroke's centre) and thickness; the
        // strike-out from the OS/2 table, or without one as thick as the underline, its top a third
        // of the ascent above the baseline.
        FontLines& lines = f->m_lines;
        auto pixels = [&](int64_t units) { return static_cast<int>((units * yppem + (units < 0 ? -upem : upem) / 2) / upem); };
        lines.underlineSize = std::max(1, pixels(face->underline_thickness));
        lines.underlineTop = pixels(-face->underline_position) - lines.underlineSize / 2;
        const bool hasStrike = hasOs2 && os2->yStrikeoutSize > 0;
        lines.strikeSize = hasStrike ? std::max(1, pixels(os2->yStrikeoutSize)) : lines.underlineSize;
        lines.strikeTop = -(hasStrike ? pixels(os2->yStrikeoutPosition) : std::max(1, ascent / 3));
        return f;
    }
    return nullptr;
}

// ---- lock and face cache -------------------------------------------------------------------------

std::unique_lock<std::mutex> EngineLock() { return std::unique_lock<std::mutex>(TheEngine().mutex); }

namespace {

// Drops the least recently asked faces that nobody holds (the cache's reference is their only one)
// until the cache is within kFaceCacheFaces faces and kFaceCacheBytes bytes. A face still held (by a
// font, a device context's selected font, a thread's last face) stays, whatever its age: dropping it
// would not free it, and the next ask for it would make a second copy.
void TrimFaceCache(Engine& e) {
    size_t nBytes = 0;
    for (const Engine::Cached& c : e.lru) nBytes += c.face->Bytes();
    for (auto it = e.lru.end(); it != e.lru.begin() && (e.faces.size() > kFaceCacheFaces || nBytes > kFaceCacheBytes);) {
        --it;
        if (it->face.use_count() != 1) continue;
        nBytes -= it->face->Bytes();
        e.faces.erase(it->key);
        it = e.lru.erase(it);
    }
}

}  // namespace

FaceCacheStats GetFaceCacheStats() {
    Engine& e = TheEngine();
    auto lock = EngineLock();
    FaceCacheStats stats;
    stats.nFaces = e.faces.size();
    for (const Engine::Cached& c : e.lru) stats.nBytes += c.face->Bytes();
    return stats;
}

std::shared_ptr<const FontFace> AcquireFace(const LOGFONT& pixelLf) {
    // Drawing asks for the same font glyph after glyph: each thread remembers the last face it was
    // given, for the LOGFONT it was asked with and for its key. The reference it keeps holds the face
    // in the cache (only faces nobody else holds are dropped), so the cache would give the same face
    // for the key; and it needs no lock.
    thread_local struct {
        FaceKey asked;
        FaceKey key;
        std::shared_ptr<const FontFace> face;
    } last;
    FaceKey asked;
    std::memcpy(asked.bytes, &pixelLf, sizeof pixelLf);
    if (last.face && last.asked == asked) return last.face;

    FaceKey key;
    LOGFONT lf = pixelLf;
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    const size_t len = strnlen(lf.lfFaceName, LF_FACESIZE);
    std::memset(lf.lfFaceName + len, 0, LF_FACESIZE - len);
    std::memcpy(key.bytes, &lf, sizeof lf);
    if (last.face && last.key == key) {
        last.asked = asked;
        return last.face;
    }

    Engine& e = TheEngine();
    std::shared_ptr<const FontFace> face;
    {
        auto lock = EngineLock();
        auto it = e.faces.find(key);
        if (it != e.faces.end()) {
            e.lru.splice(e.lru.begin(), e.lru, it->second);
            face = it->second->face;
        } else {
            face.reset(FontFace::Create(lf).release());
            if (!face) return nullptr;
            e.lru.push_front({key, face});
            e.faces.emplace(key, e.lru.begin());
            TrimFaceCache(e);
        }
    }
    // The face given up here stays in the cache: a cached face is dropped only under the lock.
    last.asked = asked;
    last.key = key;
    last.face = face;
    return face;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t p = int64_t{a} * b;
    const bool negative = (p < 0) != (c < 0);
    const uint64_t ap = p < 0 ? static_cast<uint64_t>(-p) : static_cast<uint64_t>(p);
    const uint64_t ac = c < 0 ? static_cast<uint64_t>(-int64_t{c}) : static_cast<uint64_t>(c);
    const uint64_t q = (ap + ac / 2) / ac;
    if (q > static_cast<uint64_t>(INT_MAX) + (negative ? 1 : 0)) return -1;
    return negative ? static_cast<int>(-static_cast<int64_t>(q)) : static_cast<int>(q);
}

}  // namespace gdi

// fontconfig loses a few hundred bytes while it parses its configuration in FcInit (a plain C program
// that only calls FcInit shows it too). The leak checker of sanitizer builds is told to ignore it.
#if defined(__SANITIZE_ADDRESS__)
#define QS_FONT_ENGINE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QS_FONT_ENGINE_ASAN 1
#endif
#endif
#ifdef QS_FONT_ENGINE_ASAN
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
