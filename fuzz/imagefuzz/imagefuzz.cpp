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

void CheckResult(BYTE* buffer, UINT w, UINT h, size_t bytesPerPixel, int code) {
    if (buffer) {
        if (w == 0 || h == 0) Broken("a buffer of no pixels");
        if (GlobalSize(buffer) != size_t{w} * h * bytesPerPixel) Broken("buffer size differs from width x height");
        GlobalFree(buffer);
    } else {
        if (w != 0 || h != 0) Broken("a size without a buffer");
        if (code == 0) Broken("no buffer and no error");
    }
}

void ReadAll(FzImage kind, SourceHandle src, std::vector<int>& codes) {
    UINT w = 0, h = 0;
    RGBQUAD palette[256];
    BYTE* (*rgb)(SourceHandle, UINT*, UINT*) = nullptr;
    BYTE* (*pal)(SourceHandle, UINT*, UINT*, RGBQUAD*) = nullptr;
    switch (kind) {
    case FzImage::Bmp: rgb = ReadBmpToRgb; pal = ReadBmpTo8Bit; break;
    case FzImage::Pcx: rgb = ReadPcxToRgb; pal = ReadPcxTo8Bit; break;
    case FzImage::Tga: rgb = ReadTgaToRgb; pal = ReadTgaTo8Bit; break;
    case FzImage::Detect: {
        const FileFormat f = DetectFileFormat(src);
        codes.push_back(GetLastErrorCode());
        if (static_cast<int>(f) < 0 || static_cast<int>(f) > 8) Broken("unknown format value");
        if (codes.back() != 0 && f != FileFormat::Unknown) Broken("a format with an error");
        return;
    }
    }
    BYTE* p = rgb(src, &w, &h);
    codes.push_back(GetLastErrorCode());
    CheckResult(p, w, h, 3, codes.back());
    SeekStream(src, 0, 0);
    p = pal(src, &w, &h, palette);
    codes.push_back(GetLastErrorCode());
    CheckResult(p, w, h, 1, codes.back());
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
