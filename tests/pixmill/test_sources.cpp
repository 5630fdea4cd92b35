// Every reader gives the same image from a memory source (read in place), a file source and a callback
// source (read through a buffer), on files larger than the buffer; JPEG files, whole and cut inside the
// scan, decode from each as djpeg decodes them.
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

// A memory, a file and a callback source over the same bytes (the file in the folder as `name`). The
// callback source reads through `over`, which the caller keeps alive.
struct ThreeSources {
    SourceHandle handles[3] = {};
    ThreeSources(const Bytes& file, const pxtest::TempDir& dir, const char* name, Over& over) {
        pxtest::WriteFileBytes(dir.Path(name), file);
        handles[0] = OpenMemorySource(file.data(), static_cast<UINT>(file.size()));
        handles[1] = OpenFileSource(dir.Path(name).c_str());
        over = Over{&file, 0};
        handles[2] = OpenCallbackSource(Open, Read, Seek, Tell, Size, Eof, Close, reinterpret_cast<DWORD_PTR>(&over));
    }
    ~ThreeSources() {
        for (SourceHandle h : handles)
            if (h) CloseSource(h);
    }
};

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
        Over over{};
        const ThreeSources sources(file, dir, c.name, over);
        for (SourceHandle src : sources.handles) {
            ASSERT_NE(src, nullptr);
            UINT w = 0, h = 0;
            pxtest::Owned rgb(c.read(src, &w, &h));
            EXPECT_EQ(GetLastErrorCode(), 0) << c.name;
            ASSERT_TRUE(rgb) << c.name;
            EXPECT_EQ(pxtest::Image({w, h, Bytes(rgb.get(), rgb.get() + size_t{w} * h * 3)}), picture) << c.name;
        }
    }
}

TEST(Sources, JpegFromEveryKindDecodesAsDjpeg) {
    // Files of more than twice the JPEG source's block, so that MCUs straddle its ends; cut inside the scan,
    // the source ends the data with an end-of-image marker wherever it came from.
    const pxtest::Image picture = pxtest::Pattern(640, 480);
    pxtest::TempDir dir;
    for (BOOL progressive : {FALSE, TRUE}) {
        const Bytes whole = pxtest::EncodeBy(1u << 22, nullptr, [&](SinkHandle sink) {
            return WriteRgbAsJpeg(sink, picture.rgb.data(), 640, 480, 95, progressive);
        });
        ASSERT_GT(whole.size(), 2 * 65536u);
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 6 / 10));
        for (const Bytes* file : {&whole, &cut}) {
            SCOPED_TRACE(testing::Message() << "progressive " << progressive << ", " << file->size() << " bytes");
            pxtest::Image expected;
            // djpeg warns about the cut file and exits with its warning code.
            ASSERT_TRUE(pxtest::ToolImage("djpeg -pnm -dct int " + pxtest::Put(dir, "expected.jpg", *file) + " || true",
                                          expected));
            Over over{};
            const ThreeSources sources(*file, dir, "in.jpg", over);
            for (SourceHandle src : sources.handles) {
                ASSERT_NE(src, nullptr);
                UINT w = 0, h = 0;
                pxtest::Owned rgb(ReadJpegToRgb(src, &w, &h));
                EXPECT_EQ(GetLastErrorCode(), 0);
                ASSERT_TRUE(rgb);
                EXPECT_EQ(pxtest::Image({w, h, Bytes(rgb.get(), rgb.get() + size_t{w} * h * 3)}), expected);
            }
        }
    }
}

}  // namespace
