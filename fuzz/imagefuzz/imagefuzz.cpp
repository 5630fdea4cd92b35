#include "fuzz/imagefuzz/imagefuzz.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pixmill/pixmill.h"
#include "pixmill/pxalloc.h"

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "image fuzz check failed: %s\n", what);
    std::abort();
}

// A callback source over the bytes with a file's seek rules (past the end allowed, before 0 refused),
// so the readers also run through the buffered path.
struct Bytes {
    const uint8_t* data;
    size_t size;
    int64_t pos;
};
Bytes* Of(DWORD_PTR user) { return reinterpret_cast<Bytes*>(user); }
BOOL CbOpen(DWORD_PTR) { return TRUE; }
UINT CbRead(void* buffer, UINT count, DWORD_PTR user) {
    Bytes* b = Of(user);
    if (b->pos >= static_cast<int64_t>(b->size)) return 0;
    const size_t n = std::min<size_t>(count, b->size - static_cast<size_t>(b->pos));
    std::memcpy(buffer, b->data + b->pos, n);
    b->pos += static_cast<int64_t>(n);
    return static_cast<UINT>(n);
}
BOOL CbSeek(LONG offset, int origin, DWORD_PTR user) {
    Bytes* b = Of(user);
    const int64_t base = origin == 0 ? 0 : origin == 1 ? b->pos : static_cast<int64_t>(b->size);
    if (origin < 0 || origin > 2 || base + offset < 0) return FALSE;
    b->pos = base + offset;
    return TRUE;
}
UINT CbTell(DWORD_PTR user) { return static_cast<UINT>(Of(user)->pos); }
UINT CbSize(DWORD_PTR user) { return static_cast<UINT>(Of(user)->size); }
BOOL CbEof(DWORD_PTR user) { return Of(user)->pos >= static_cast<int64_t>(Of(user)->size); }
BOOL CbClose(DWORD_PTR) { return TRUE; }

// A reader's result: the buffer must hold exactly width x height pixels of `blockBytes` bytes (the TIFF
// readers keep libtiff's 4-byte raster block); without one, width and height are 0 and the code is not.
// `bWholeOrNothing`: a failed read returns no buffer.
void CheckResult(BYTE* buffer, UINT w, UINT h, size_t blockBytes, int code, bool bWholeOrNothing) {
    if (buffer) {
        if (w == 0 || h == 0) Broken("a buffer of no pixels");
        if (GlobalSize(buffer) != size_t{w} * h * blockBytes) Broken("buffer size differs from width x height");
        if (bWholeOrNothing && code != 0) Broken("a buffer with an error");
        GlobalFree(buffer);
    } else {
        if (w != 0 || h != 0) Broken("a size without a buffer");
        if (code == 0) Broken("no buffer and no error");
    }
}

// One way of reading the bytes: the call, the bytes of its block per pixel, and whether a failure
// returns no buffer.
struct Variant {
    BYTE* (*read)(SourceHandle, UINT*, UINT*);
    size_t blockBytes;
    bool bWholeOrNothing;
};

BYTE* Bmp8(SourceHandle s, UINT* w, UINT* h) {
    RGBQUAD palette[256];
    return ReadBmpTo8Bit(s, w, h, palette);
}
BYTE* Pcx8(SourceHandle s, UINT* w, UINT* h) {
    RGBQUAD palette[256];
    return ReadPcxTo8Bit(s, w, h, palette);
}
BYTE* Tga8(SourceHandle s, UINT* w, UINT* h) {
    RGBQUAD palette[256];
    return ReadTgaTo8Bit(s, w, h, palette);
}
BYTE* PngRgba(SourceHandle s, UINT* w, UINT* h) { return ReadPngToRgba(s, w, h, 0x80); }
BYTE* TiffPage1(SourceHandle s, UINT* w, UINT* h) { return ReadTiffPageToRgb(s, w, h, 1); }

std::vector<Variant> VariantsOf(FzImage kind) {
    switch (kind) {
    case FzImage::Bmp: return {{ReadBmpToRgb, 3, false}, {Bmp8, 1, false}};
    case FzImage::Pcx: return {{ReadPcxToRgb, 3, false}, {Pcx8, 1, false}};
    case FzImage::Tga: return {{ReadTgaToRgb, 3, false}, {Tga8, 1, false}};
    case FzImage::Png: return {{ReadPngToRgb, 3, true}, {PngRgba, 4, true}};
    case FzImage::Jpeg: return {{ReadJpegToRgb, 3, false}, {ReadJpegToGray, 1, false}};
    case FzImage::Tiff: return {{ReadTiffToRgb, 4, true}, {TiffPage1, 4, true}};
    case FzImage::Detect: break;
    }
    return {};
}

void ReadAll(FzImage kind, SourceHandle src, std::vector<int>& codes) {
    if (kind == FzImage::Detect) {
        const FileFormat f = DetectFileFormat(src);
        codes.push_back(GetLastErrorCode());
        if (static_cast<int>(f) < 0 || static_cast<int>(f) > 8) Broken("unknown format value");
        if (codes.back() != 0 && f != FileFormat::Unknown) Broken("a format with an error");
        return;
    }
    for (const Variant& v : VariantsOf(kind)) {
        SeekStream(src, 0, 0);
        UINT w = 0, h = 0;
        BYTE* p = v.read(src, &w, &h);
        codes.push_back(GetLastErrorCode());
        CheckResult(p, w, h, v.blockBytes, codes.back(), v.bWholeOrNothing);
    }
    if (kind == FzImage::Tiff) {
        SeekStream(src, 0, 0);
        const UINT pages = GetTiffPageCount(src);
        const int code = GetLastErrorCode();
        if (pages != 0 && code != 0) Broken("a page count with an error");
        codes.push_back(code);
    }
}

}  // namespace

void FzLowerAllocationLimit() { px::SetAllocationLimitForTesting(kFzAllocationLimit); }

std::vector<int> FzReadImage(FzImage kind, const uint8_t* data, size_t size) {
    std::vector<int> codes;
    if (size == 0 || size > UINT32_MAX) return codes;
    SourceHandle memory = OpenMemorySource(data, static_cast<UINT>(size));
    if (!memory) Broken("memory source");
    ReadAll(kind, memory, codes);
    CloseSource(memory);
    Bytes bytes{data, size, 0};
    SourceHandle callbacks = OpenCallbackSource(CbOpen, CbRead, CbSeek, CbTell, CbSize, CbEof, CbClose,
                                                reinterpret_cast<DWORD_PTR>(&bytes));
    if (!callbacks) Broken("callback source");
    ReadAll(kind, callbacks, codes);
    CloseSource(callbacks);
    return codes;
}
