// Byte builders of enhanced and Windows metafiles for the metafile tests, the fuzz seeds and the
// benchmark: records are appended field by field, and Finish() closes the file and fills in its sizes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/crt/wintypes.h"

namespace mfbuild {

using Bytes = std::vector<BYTE>;

// Little-endian fields.
class Fields {
public:
    Fields& U16(uint32_t v) {
        b.push_back(static_cast<BYTE>(v));
        b.push_back(static_cast<BYTE>(v >> 8));
        return *this;
    }
    Fields& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Fields& I16(int v) { return U16(static_cast<uint16_t>(static_cast<int16_t>(v))); }
    Fields& I32(int64_t v) { return U32(static_cast<uint32_t>(static_cast<int32_t>(v))); }
    Fields& F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    Fields& Raw(const Bytes& raw) {
        b.insert(b.end(), raw.begin(), raw.end());
        return *this;
    }
    Fields& Raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes b;
};

// A packed DIB of 24 bits, bottom-up: pixels given as COLORREFs, top row first.
inline Bytes Dib24(int w, int h, const std::vector<COLORREF>& topDown) {
    const int stride = (w * 3 + 3) & ~3;
    Fields f;
    f.U32(40).I32(w).I32(h).U16(1).U16(24).U32(0).U32(static_cast<uint32_t>(stride * h)).I32(0).I32(0).U32(0).U32(0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = topDown[static_cast<size_t>(y * w + x)];
            f.b.push_back(GetBValue(c));
            f.b.push_back(GetGValue(c));
            f.b.push_back(GetRValue(c));
        }
        for (int p = w * 3; p < stride; ++p) f.b.push_back(0);
    }
    return f.b;
}

// An enhanced metafile. Records are type, size, then the fields given.
class Emf {
public:
    // frame in 0.01 mm; the reference device in pixels and millimetres; the object table's size.
    Emf(int32_t frameRight, int32_t frameBottom, uint16_t handles = 8, int32_t devX = 1920, int32_t devY = 1440,
        int32_t mmX = 508, int32_t mmY = 381) {
        Fields h;
        h.U32(1).U32(88);
        h.I32(0).I32(0).I32(0).I32(0);                          // bounds
        h.I32(0).I32(0).I32(frameRight).I32(frameBottom);      // frame
        h.U32(0x464D4520).U32(0x10000).U32(0).U32(0).U16(handles).U16(0);
        h.U32(0).U32(0).U32(0);
        h.I32(devX).I32(devY).I32(mmX).I32(mmY);
        m_b = h.b;
        m_records = 1;
    }
    Emf& Record(uint32_t type, const Fields& fields) {
        Fields r;
        r.U32(type).U32(static_cast<uint32_t>(8 + ((fields.b.size() + 3) & ~size_t{3})));
        r.Raw(fields.b);
        while (r.b.size() % 4) r.b.push_back(0);
        m_b.insert(m_b.end(), r.b.begin(), r.b.end());
        ++m_records;
        return *this;
    }
    Emf& Dwords(uint32_t type, std::initializer_list<int64_t> values) {
        Fields f;
        for (int64_t v : values) f.I32(v);
        return Record(type, f);
    }
    // Bytes appended as they are (for records that lie about their size).
    Emf& RawBytes(const Bytes& b) {
        m_b.insert(m_b.end(), b.begin(), b.end());
        return *this;
    }
    // Closes with EOF and fills in the size and the record count.
    Bytes Finish() {
        Dwords(14, {0, 16, 20});
        const uint32_t n = static_cast<uint32_t>(m_b.size());
        std::memcpy(&m_b[48], &n, 4);
        std::memcpy(&m_b[52], &m_records, 4);
        return m_b;
    }

private:
    Bytes m_b;
    uint32_t m_records = 0;
};

// The EMF record types and stock objects the tests use.
enum : uint32_t {
    EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYLINETO = 6, EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9, EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12,
    EMR_SETMAPMODE = 17, EMR_SETBKMODE = 18, EMR_SETPOLYFILLMODE = 19, EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_INTERSECTCLIPRECT = 30, EMR_SAVEDC = 33, EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35, EMR_MODIFYWORLDTRANSFORM = 36, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43, EMR_LINETO = 54,
    EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62, EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64, EMR_BITBLT = 76, EMR_STRETCHBLT = 77, EMR_SETDIBITSTODEVICE = 80, EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTW = 84, EMR_POLYBEZIER16 = 85, EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87, EMR_POLYBEZIERTO16 = 88, EMR_POLYPOLYGON16 = 91, EMR_EXTCREATEPEN = 95,
    EMR_SETPIXELV = 15, EMR_SETROP2 = 20, EMR_SETSTRETCHBLTMODE = 21, EMR_OFFSETCLIPRGN = 26, EMR_EXCLUDECLIPRECT = 29,
    EMR_SCALEVIEWPORTEXTEX = 31, EMR_SCALEWINDOWEXTEX = 32, EMR_ANGLEARC = 41, EMR_ROUNDRECT = 44, EMR_ARC = 45,
    EMR_CHORD = 46, EMR_PIE = 47, EMR_SELECTPALETTE = 48, EMR_CREATEPALETTE = 49, EMR_SETPALETTEENTRIES = 50,
    EMR_REALIZEPALETTE = 52, EMR_EXTFLOODFILL = 53, EMR_ARCTO = 55, EMR_POLYDRAW = 56, EMR_SETARCDIRECTION = 57,
    EMR_FLATTENPATH = 65, EMR_WIDENPATH = 66, EMR_SELECTCLIPPATH = 67, EMR_ABORTPATH = 68, EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72, EMR_INVERTRGN = 73, EMR_PAINTRGN = 74, EMR_EXTSELECTCLIPRGN = 75, EMR_MASKBLT = 78,
    EMR_PLGBLT = 79, EMR_POLYDRAW16 = 92, EMR_CREATEMONOBRUSH = 93, EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_POLYTEXTOUTA = 96, EMR_POLYTEXTOUTW = 97, EMR_SMALLTEXTOUT = 108, EMR_ALPHABLEND = 114, EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
};
constexpr uint32_t kStock = 0x80000000u;

// Record bodies of the common EMF records.
inline Fields EmfPoints(const std::vector<POINT>& pts, bool bShort) {
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).U32(static_cast<uint32_t>(pts.size()));
    for (const POINT& p : pts) {
        if (bShort) f.I16(p.x).I16(p.y);
        else f.I32(p.x).I32(p.y);
    }
    return f;
}
inline Fields EmfBrush(uint32_t slot, COLORREF c, uint32_t style = 0, uint32_t hatch = 0) {
    Fields f;
    f.U32(slot).U32(style).U32(c).U32(hatch);
    return f;
}
inline Fields EmfPen(uint32_t slot, COLORREF c, int width = 0, uint32_t style = 0) {
    Fields f;
    f.U32(slot).U32(style).I32(width).I32(0).U32(c);
    return f;
}
// EXTCREATEFONTINDIRECTW with a LOGFONTW of the height and face (and no more).
inline Fields EmfFont(uint32_t slot, int height, const std::string& face) {
    Fields f;
    f.U32(slot).I32(height).I32(0).I32(0).I32(0).I32(400);
    for (int i = 0; i < 8; ++i) f.b.push_back(0);
    for (size_t i = 0; i < 32; ++i) f.U16(i < face.size() ? static_cast<BYTE>(face[i]) : 0);
    return f;
}
// EXTTEXTOUTW of ASCII text at (x, y), with a rectangle and options.
inline Fields EmfText(int x, int y, const std::string& text, uint32_t options = 0, RECT rect = {0, 0, 0, 0}) {
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).U32(1).F32(1).F32(1);
    f.I32(x).I32(y).U32(static_cast<uint32_t>(text.size())).U32(76).U32(options);
    f.I32(rect.left).I32(rect.top).I32(rect.right).I32(rect.bottom).U32(0);
    for (char c : text) f.U16(static_cast<BYTE>(c));
    return f;
}
// STRETCHDIBITS of a packed 24-bit DIB (40-byte header) onto (x, y, w, h) from (xs, ys, ws, hs).
inline Fields EmfStretchDib(int x, int y, int w, int h, int xs, int ys, int ws, int hs, const Bytes& dib,
                            uint32_t rop = 0x00CC0020) {
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).I32(x).I32(y).I32(xs).I32(ys).I32(ws).I32(hs);
    f.U32(80).U32(40).U32(120).U32(static_cast<uint32_t>(dib.size() - 40)).U32(0).U32(rop).I32(w).I32(h);
    return f.Raw(dib);
}

// A packed 1-bit DIB, bottom-up, with a table of the given entries (RGBQUADs as COLORREFs, or WORD
// indices when bPalIndices); pixels given as 0 and 1, top row first.
inline Bytes Dib1(int w, int h, const std::vector<int>& topDown, const std::vector<uint32_t>& table,
                  bool bPalIndices = false) {
    const int stride = ((w + 31) / 32) * 4;
    Fields f;
    f.U32(40).I32(w).I32(h).U16(1).U16(1).U32(0).U32(static_cast<uint32_t>(stride * h)).I32(0).I32(0);
    f.U32(static_cast<uint32_t>(table.size())).U32(0);
    for (uint32_t t : table) {
        if (bPalIndices) f.U16(t);
        else f.U16(static_cast<uint32_t>((GetBValue(t)) | (GetGValue(t) << 8))).U16(GetRValue(t));
    }
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(static_cast<size_t>(stride), 0);
        for (int x = 0; x < w; ++x)
            if (topDown[static_cast<size_t>(y * w + x)]) row[static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
        f.Raw(row);
    }
    return f.b;
}

// The bytes of a packed DIB's header block (header and table): 40 bytes and the table that follows.
inline size_t DibInfoBytes(const Bytes& dib, bool bPalIndices = false) {
    const uint32_t bits = dib[14] | (dib[15] << 8);
    uint32_t used = dib[32] | (dib[33] << 8);
    if (bits <= 8 && used == 0) used = 1u << bits;
    if (bits > 8) used = 0;
    return 40 + used * (bPalIndices ? 2 : 4);
}

// A brush of a packed DIB: CREATEDIBPATTERNBRUSHPT or CREATEMONOBRUSH.
inline Fields PatternBrush(uint32_t slot, const Bytes& dib, uint32_t usage = 0) {
    const uint32_t info = static_cast<uint32_t>(DibInfoBytes(dib, usage == 1));
    Fields f;
    f.U32(slot).U32(usage).U32(32).U32(info).U32(32 + info).U32(static_cast<uint32_t>(dib.size() - info));
    return f.Raw(dib);
}

// RGNDATA of rectangles (left, top, right, bottom).
inline Bytes RgnData(const std::vector<RECT>& rects) {
    Fields f;
    f.U32(32).U32(1).U32(static_cast<uint32_t>(rects.size())).U32(static_cast<uint32_t>(16 * rects.size()));
    f.I32(0).I32(0).I32(0).I32(0);
    for (const RECT& r : rects) f.I32(r.left).I32(r.top).I32(r.right).I32(r.bottom);
    return f.b;
}

// The fields after the bounds of a blit record with a source of STRETCHBLT's layout (BITBLT, STRETCHBLT,
// ALPHABLEND, TRANSPARENTBLT; `op` is the raster operation, blend function or transparent colour), the
// DIB's header block and bits following at 100 or 108.
inline Fields EmfSourceBlit(int x, int y, int cx, int cy, uint32_t op, int xs, int ys, const Bytes& dib, bool bStretch,
                            int cxs = 0, int cys = 0, uint32_t usage = 0) {
    const uint32_t info = static_cast<uint32_t>(DibInfoBytes(dib, usage == 1));
    const uint32_t fieldsEnd = bStretch ? 108 : 100;
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).I32(x).I32(y).I32(cx).I32(cy).U32(op).I32(xs).I32(ys);
    f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(usage).U32(fieldsEnd).U32(info).U32(fieldsEnd + info);
    f.U32(static_cast<uint32_t>(dib.size() - info));
    if (bStretch) f.I32(cxs).I32(cys);
    return f.Raw(dib);
}

// A Windows metafile: records of words after an 18-byte header, with or without a placeable header.
class Wmf {
public:
    explicit Wmf(uint16_t objects = 8) : m_objects(objects) {}
    // A record of a function and its parameters, given as 16-bit words in the record's order.
    Wmf& Record(uint16_t function, std::initializer_list<int> words) {
        Fields f;
        for (int w : words) f.I16(w);
        return Record(function, f);
    }
    Wmf& Record(uint16_t function, const Fields& params) {
        Fields r;
        r.U32(static_cast<uint32_t>(3 + (params.b.size() + 1) / 2)).U16(function).Raw(params.b);
        if (r.b.size() % 2) r.b.push_back(0);
        m_max = std::max<uint32_t>(m_max, static_cast<uint32_t>(r.b.size() / 2));
        m_records.insert(m_records.end(), r.b.begin(), r.b.end());
        return *this;
    }
    Wmf& RawBytes(const Bytes& b) {
        m_records.insert(m_records.end(), b.begin(), b.end());
        return *this;
    }
    // The file: the header, the records and EOF.
    Bytes Finish() { return Close(false, 0, 0, 0, 0, 0); }
    // The same behind a placeable header of the box at upi units per inch.
    Bytes FinishPlaceable(int upi, int left, int top, int right, int bottom) {
        return Close(true, upi, left, top, right, bottom);
    }

private:
    Bytes Close(bool placeable, int upi, int left, int top, int right, int bottom) {
        Record(0x0000, {});
        Fields out;
        if (placeable) {
            out.U32(0x9AC6CDD7).U16(0).I16(left).I16(top).I16(right).I16(bottom).U16(static_cast<uint32_t>(upi)).U32(0);
            uint16_t sum = 0;
            for (size_t i = 0; i < 10; ++i) sum ^= static_cast<uint16_t>(out.b[2 * i] | (out.b[2 * i + 1] << 8));
            out.U16(sum);
        }
        out.U16(1).U16(9).U16(0x0300).U32(static_cast<uint32_t>(9 + m_records.size() / 2)).U16(m_objects).U32(m_max).U16(0);
        out.Raw(m_records);
        return out.b;
    }

    Bytes m_records;
    uint16_t m_objects;
    uint32_t m_max = 3;
};

// WMF functions the tests use.
enum : uint16_t {
    META_SAVEDC = 0x001E, META_RESTOREDC = 0x0127, META_SETMAPMODE = 0x0103, META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C, META_SETVIEWPORTORG = 0x020D, META_SETVIEWPORTEXT = 0x020E, META_SETBKCOLOR = 0x0201,
    META_SETBKMODE = 0x0102, META_SETTEXTCOLOR = 0x0209, META_SETTEXTALIGN = 0x012E, META_SETPOLYFILLMODE = 0x0106,
    META_CREATEPENINDIRECT = 0x02FA, META_CREATEBRUSHINDIRECT = 0x02FC, META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEPALETTE = 0x00F7, META_SELECTOBJECT = 0x012D, META_DELETEOBJECT = 0x01F0, META_MOVETO = 0x0214,
    META_LINETO = 0x0213, META_POLYLINE = 0x0325, META_POLYGON = 0x0324, META_POLYPOLYGON = 0x0538,
    META_RECTANGLE = 0x041B, META_ELLIPSE = 0x0418, META_TEXTOUT = 0x0521, META_EXTTEXTOUT = 0x0A32,
    META_STRETCHDIB = 0x0F43, META_DIBSTRETCHBLT = 0x0B41, META_DIBBITBLT = 0x0940,
    META_SETROP2 = 0x0104, META_SETSTRETCHBLTMODE = 0x0107, META_SETPIXEL = 0x041F, META_ARC = 0x0817, META_PIE = 0x081A,
    META_CHORD = 0x0830, META_ROUNDRECT = 0x061C, META_FLOODFILL = 0x0419, META_EXTFLOODFILL = 0x0548,
    META_BITBLT = 0x0922, META_STRETCHBLT = 0x0B23, META_SETDIBTODEV = 0x0D33, META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211, META_SCALEWINDOWEXT = 0x0410, META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415, META_INTERSECTCLIPRECT = 0x0416, META_OFFSETCLIPRGN = 0x0220,
    META_SELECTCLIPREGION = 0x012C, META_FILLREGION = 0x0228, META_FRAMEREGION = 0x0429, META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B, META_PATBLT = 0x061D, META_SELECTPALETTE = 0x0234, META_REALIZEPALETTE = 0x0035,
    META_SETPALENTRIES = 0x0037, META_CREATEREGION = 0x06FF, META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_CREATEPATTERNBRUSH = 0x01F9,
};

// CREATEREGION of rectangles, one scan each (top, bottom, and one left-right pair).
inline Fields WmfRegion(const std::vector<RECT>& rects) {
    Fields f;
    f.U16(0).U16(6).U32(0).I16(0).I16(static_cast<int>(rects.size())).I16(0);
    f.I16(0).I16(0).I16(0).I16(0);
    for (const RECT& r : rects) f.U16(2).I16(r.top).I16(r.bottom).I16(r.left).I16(r.right).U16(2);
    return f;
}


inline Fields WmfBrush(COLORREF c, int style = 0, int hatch = 0) {
    Fields f;
    f.U16(static_cast<uint32_t>(style)).U32(c).U16(static_cast<uint32_t>(hatch));
    return f;
}
inline Fields WmfPen(COLORREF c, int width = 0, int style = 0) {
    Fields f;
    f.U16(static_cast<uint32_t>(style)).I16(width).I16(0).U32(c);
    return f;
}
inline Fields WmfFont(int height, const std::string& face) {
    Fields f;
    f.I16(height).I16(0).I16(0).I16(0).I16(400);
    for (int i = 0; i < 8; ++i) f.b.push_back(0);
    f.Raw(face);
    f.b.push_back(0);
    return f;
}
inline Fields WmfPoints(const std::vector<POINT>& pts) {
    Fields f;
    f.U16(static_cast<uint32_t>(pts.size()));
    for (const POINT& p : pts) f.I16(p.x).I16(p.y);
    return f;
}

}  // namespace mfbuild
