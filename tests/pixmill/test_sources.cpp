// Every reader gives the same image from a memory source (read in place), a file source and a callback
// source (read through a buffer), on files larger than the buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "pxtest.h"

namespace {

using pxtest::Bytes;

struct Over {
    const Bytes* bytes;
    UINT pos;
};
Over* Of(DWORD_PTR u) { return reinterpret_cast<Over*>(u); }
BOOL Open(DWORD_PTR) { return TRUE; }
UINT Read(void* p, UINT n, DWORD_PTR u) {
    Over* o = Of(u);
    // Hand out at most 333 bytes a call: readers must take partial reads as they come.
    const UINT k = std::min<UINT>({n, 333u, static_cast<UINT>(o->bytes->size()) - o->pos});
    std::memcpy(p, o->bytes->data() + o->pos, k);
    o->pos += k;
    return k;
}
BOOL Seek(LONG off, int origin, DWORD_PTR u) {
    Over* o = Of(u);
    const int64_t base = origin == 0 ? 0 : origin == 1 ? o->pos : static_cast<int64_t>(o->bytes->size());
    if (base + off < 0) return FALSE;
    o->pos = static_cast<UINT>(base + off);
    return TRUE;
}
UINT Tell(DWORD_PTR u) { return Of(u)->pos; }
UINT Size(DWORD_PTR u) { return static_cast<UINT>(Of(u)->bytes->size()); }
BOOL Eof(DWORD_PTR u) { return Of(u)->pos >= Of(u)->bytes->size(); }
BOOL Close(DWORD_PTR) { return TRUE; }

TEST(Sources, MemoryFileAndCallbackReadTheSame) {
    const pxtest::Image picture = pxtest::Pattern(300, 200);
    pxtest::TempDir dir;
    struct Case {
        const char* name;
        pxtest::RgbWriter write;
        pxtest::RgbReader read;
    } cases[] = {{"bmp", WriteRgbAsBmp, ReadBmpToRgb}, {"pcx", WriteRgbAsPcx, ReadPcxToRgb}, {"tga", WriteRgbAsTga, ReadTgaToRgb}};
    for (const Case& c : cases) {
        const Bytes file = pxtest::Encode(c.write, picture.rgb.data(), 300, 200);
        ASSERT_GT(file.size(), 100000u) << c.name;
        pxtest::WriteFileBytes(dir.Path(c.name), file);
        SourceHandle sources[3] = {};
        sources[0] = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
        sources[1] = OpenFileSource(dir.Path(c.name).c_str());
        Over over{&file, 0};
        sources[2] = OpenCallbackSource(Open, Read, Seek, Tell, Size, Eof, Close, reinterpret_cast<DWORD_PTR>(&over));
        for (SourceHandle src : sources) {
            ASSERT_NE(src, nullptr);
            UINT w = 0, h = 0;
            pxtest::Owned rgb(c.read(src, &w, &h));
            EXPECT_EQ(GetLastErrorCode(), 0) << c.name;
            ASSERT_TRUE(rgb) << c.name;
            EXPECT_EQ(pxtest::Image({w, h, Bytes(rgb.get(), rgb.get() + size_t{w} * h * 3)}), picture) << c.name;
            CloseSource(src);
        }
    }
}

}  // namespace
