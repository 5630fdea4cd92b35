// CKTGlyphRegion and CKTFloatGlyphRegion: the outline of one character as polygons, taken from the
// native (GGO_NATIVE) outline of the font selected into a device context.
//
// Every point of the native outline becomes a vertex, whatever its record's type: splines are not
// flattened, so their control points lie on the polygon. Vertices are device pixels relative to the
// glyph's origin on the baseline, y down (points above the baseline have negative y). The polygons lie
// one after another in m_pPoints; m_pPolyCounts gives the size of each; every polygon is closed
// implicitly. m_pPoints, m_pPolyCounts and m_nPolys are in the form PolyPolygon and
// CreatePolyPolygonRgn take.
//
// Building costs three allocations whatever the glyph: the outline buffer and the two arrays, each of
// exact size. Outlines beyond the capacity keep their complete contours up to the limit.
#pragma once

#include <cstddef>

#include "platform/crt/wintypes.h"
#include "platform/gdi/font.h"

class CDC;

// The FIXED value's signed integer part, plus 1 when its fraction is 0x8000 or more (halves round up:
// -1.5 gives -1).
int FixedToInt(FIXED f);
// The signed integer part plus the fraction divided by 65535.0 (not 65536), computed in double and
// stored as float: a fraction of 0xFFFF gives the integer part + 1.0.
float FixedToFloat(FIXED f);

struct CKTFloatPoint {
    float x;
    float y;
};

class CKTFloatGlyphRegion;

class CKTGlyphRegion {
public:
    static constexpr int kMaxPoints = 10000;
    static constexpr int kMaxPolys = 1000;

    // Empty: pointers NULL, counts 0, character 0, not built.
    CKTGlyphRegion();
    // The outline of cChar in the font selected into pDC (which must not be NULL). The character is
    // passed to the outline query as its unsigned byte value, so codes 128 to 255 are looked up as the
    // Windows-1252 characters they are (not sign-extended). When the size query fails or answers 0
    // (the space) the outline stays empty and m_bBuilt 0; once data has been read m_bBuilt is 1, also
    // when it held no contour.
    CKTGlyphRegion(CDC* pDC, char cChar);
    // The integer copy of a float outline: each coordinate v becomes the nearest integer, halves going
    // up (floor(v + 0.5) in double), so 2.5 gives 3, -2.5 gives -2 and -2.4 gives -2. Coordinates of
    // -0.5 and more convert as v + 0.5 truncated toward zero; for those below, that truncation would
    // sink every point above the baseline by a pixel and cut the glyph's top row.
    CKTGlyphRegion(const CKTFloatGlyphRegion& src);
    // Deep copies into arrays of exactly the source's sizes. m_bBuilt is not copied.
    CKTGlyphRegion(const CKTGlyphRegion& src);
    CKTGlyphRegion& operator=(const CKTGlyphRegion& src);
    virtual ~CKTGlyphRegion();

    void Offset(int dx, int dy);

    // Replaces the outline with the one in cb bytes of GGO_NATIVE records and sets m_bBuilt. Every
    // header and record is checked against the buffer: a contour whose sizes do not fit, whose type is
    // not TT_POLYGON_TYPE, or that would pass the capacity ends the walk, and the complete contours
    // before it are kept. Returns the number of polygons.
    int SetFromNativeOutline(char cChar, const void* data, size_t cb);

    char m_cChar;
    POINT* m_pPoints;
    int* m_pPolyCounts;
    int m_nPolys;
    int m_nPoints;
    BYTE m_bBuilt;
};

class CKTFloatGlyphRegion {
public:
    static constexpr int kMaxPoints = 1000;
    static constexpr int kMaxPolys = 100;

    // The same as CKTGlyphRegion's, with float vertices (y is 0.0 minus the converted value).
    CKTFloatGlyphRegion();
    CKTFloatGlyphRegion(CDC* pDC, char cChar);
    CKTFloatGlyphRegion(const CKTFloatGlyphRegion& src);
    CKTFloatGlyphRegion& operator=(const CKTFloatGlyphRegion& src);
    virtual ~CKTFloatGlyphRegion();

    int SetFromNativeOutline(char cChar, const void* data, size_t cb);

    char m_cChar;
    CKTFloatPoint* m_pPoints;
    int* m_pPolyCounts;
    int m_nPolys;
    int m_nPoints;
    BYTE m_bBuilt;
};
