// Internals of the font engine: the resolved face and its glyph cache. Only font.cpp, fontengine.cpp
// and tests (and the soak driver, for the cache figures) include this; everyone else goes through
// font.h.
//
// Lifetimes: the engine (FreeType library, fontconfig, caches) lives for the whole process and is never
// torn down, so faces held by static fonts stay valid until exit. Every call into FreeType and every
// change of a cache happens with the engine lock held (EngineLock); a glyph already built is read
// without it.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/gdi/font.h"

namespace gdi {

// Pixels of a glyph's monochrome rendering: row and [x0, x1) relative to the black box's top-left.
struct GlyphSpan {
    int32_t row;
    int32_t x0;
    int32_t x1;
};

struct GlyphData {
    // Black box (the set pixels), its top-left relative to the pen on the baseline (y up), advance.
    // A glyph without pixels has a 1 x 1 black box at the origin.
    GLYPHMETRICS gm{};
    std::vector<BYTE> native;        // GGO_NATIVE records
    std::vector<GlyphSpan> spans;    // drawn pixels, top row first, all inside the black box
};

class FaceFile;  // one opened FreeType face, shared by every size made from it

// How a LOGFONT was resolved.
struct ResolvedFace {
    std::string file;
    int index = 0;
    std::string family;  // UTF-8, as fontconfig names the face
    std::string style;
    int weight = 400;    // OpenType weight of the face itself (not counting emboldening)
    bool italic = false; // the face itself is italic or oblique
    bool fallback = false;  // the face is the default, not the one asked for
    bool embolden = false;  // bold asked of a face that has none: drawn emboldened
    bool oblique = false;   // italic asked of an upright face: drawn slanted
    bool symbolStandIns = false;  // the arrow symbol face asked, the fallback drawn: its arrowheads stand in
};

class FontFace {
public:
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const TEXTMETRIC& Metrics() const { return m_tm; }
    const FontLines& Lines() const { return m_lines; }
    // What the face holds in memory: the record itself and the glyphs built so far.
    size_t Bytes() const { return sizeof(FontFace) + m_nBytes.load(std::memory_order_relaxed); }
    const ResolvedFace& Resolved() const { return m_resolved; }
    int XPixelsPerEm() const { return m_xppem; }
    int YPixelsPerEm() const { return m_yppem; }
    // The glyph of a Windows-1252 code, built on first use (under the engine lock, which the caller
    // must not hold). A glyph once built never changes.
    const GlyphData& Glyph(BYTE code) const;
    // The glyph index a code maps to (0, the missing glyph, for control codes and unmapped codes).
    // Requires the engine lock.
    FT_UInt GlyphIndex(BYTE code) const;
    // The glyph index of a Unicode code point (FontGlyphIndex in font.h). Requires the engine lock.
    FT_UInt CodePointIndex(uint32_t u) const;
    // The glyph of a glyph index, built as Glyph(BYTE) builds its glyphs (an index the face lacks
    // gives the missing glyph). Kept while the face's glyphs hold less than kIndexGlyphBytes, else
    // built into `spare`, which the result then is. Requires the engine lock.
    const GlyphData& IndexGlyph(FT_UInt index, GlyphData& spare) const;
    // The glyph's outline, hinted as for Glyph(BYTE), turned by `m` (FreeType's 16.16 matrix, y up) and moved by
    // `shift` (26.6 pixels), rendered into g's black box and spans (its metrics' origin relative to
    // the unmoved origin); false, g empty, when there is nothing to draw or the turned glyph would be
    // wider or taller than kMaxTurnedPixels. Requires the engine lock.
    bool TurnedGlyph(FT_UInt index, const FT_Matrix& m, FT_Vector shift, GlyphData& g) const;

    // Makes a face at the size a pixel LOGFONT asks for; NULL when no face can be opened at all.
    // Requires the engine lock.
    static std::unique_ptr<FontFace> Create(const LOGFONT& pixelLf);

private:
    FontFace() = default;
    void BuildGlyph(FT_UInt index, GlyphData& g) const;
    // The emboldening and slant a loaded outline is drawn with; the advance (26.6) grows with the
    // emboldening.
    void Synthesize(FT_Outline& outline, FT_Pos* advance) const;

    std::shared_ptr<FaceFile> m_file;
    FT_Size m_size = nullptr;
    ResolvedFace m_resolved;
    int m_xppem = 0;
    int m_yppem = 0;
    TEXTMETRIC m_tm{};
    FontLines m_lines{};
    // Built glyphs, published with release ordering once complete, deleted with the face.
    mutable std::array<std::atomic<const GlyphData*>, 256> m_glyphs{};
    mutable std::atomic<size_t> m_nBytes{0};  // the built glyphs' bytes
    // Glyphs built by index (under the engine lock), deleted with the face.
    mutable std::unordered_map<FT_UInt, std::unique_ptr<const GlyphData>> m_indexGlyphs;
};

// Glyphs a face keeps by index while all its glyphs hold fewer bytes than this; past it they are
// built for each use (text of many glyph indices at a large size would otherwise grow without end).
constexpr size_t kIndexGlyphBytes = size_t{8} << 20;
// A turned glyph wider or taller than this many pixels is not drawn.
constexpr int kMaxTurnedPixels = 4096;

// The part of a clip rectangle inside the surface; false when that is empty.
bool SurfaceBox(const Surface& surface, const RECT& clip, RECT* box);
// Sets the pixels of a glyph's spans whose black box has its top-left at (gx, gy), within box, which
// must lie inside the surface (SurfaceBox).
void PaintGlyph(Surface& surface, const RECT& box, int64_t gx, int64_t gy, const GlyphData& g, uint32_t pixel);

// The lock that serialises FreeType and the caches.
std::unique_lock<std::mutex> EngineLock();

// The shared face for a LOGFONT whose height is already in pixels; cached by the LOGFONT's bytes (face
// name cut to 31 bytes, bytes after its end ignored). NULL only when no face can be opened at all.
//
// The cache's bound: each time a new face is made, the least recently asked faces that nobody else
// holds are dropped until at most kFaceCacheFaces faces and kFaceCacheBytes bytes (faces and their
// built glyphs, FontFace::Bytes) remain. Faces still held are never dropped (so the cache can stay
// above the bound while they are); a dropped face lives on in whoever still has a reference.
std::shared_ptr<const FontFace> AcquireFace(const LOGFONT& pixelLf);
constexpr size_t kFaceCacheFaces = 256;
constexpr size_t kFaceCacheBytes = size_t{32} << 20;

// What the LOGFONT cache holds now: faces and their bytes.
struct FaceCacheStats {
    size_t nFaces = 0;
    size_t nBytes = 0;
};
FaceCacheStats GetFaceCacheStats();

// The platform's MulDiv: a * b / c in 64 bits, rounded half away from zero; -1 when c is 0 or the
// result does not fit an int.
int MulDiv(int a, int b, int c);

}  // namespace gdi
