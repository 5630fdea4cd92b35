// Metafile blits: all 256 ternary raster operations through each record family that blits (BitBlt,
// StretchBlt, StretchDIBits and PatBlt of enhanced and Windows metafiles, both operations of MaskBlt), on
// four pixels whose destination, source and brush colours give every combination of bits. The expected
// colours come from the operations' definition: bit i of the result is bit (4P + 2S + D) of the code's
// third byte, for the brush's, the source's and the destination's bit i.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "mfbuild.h"
#include "mfplay.h"

namespace {

using namespace mfbuild;
using namespace mfplay;

// Four pixels (x = 0 to 3 of row 0): brush, source and destination colours.
constexpr COLORREF kP[4] = {RGB(0xF0, 0x0F, 0x00), RGB(0x12, 0x34, 0x56), kWhite, kBlack};
constexpr COLORREF kS[4] = {RGB(0xCC, 0x33, 0xFF), RGB(0x9A, 0xBC, 0xDE), kBlack, kWhite};
constexpr COLORREF kD[4] = {RGB(0xAA, 0x55, 0x5A), RGB(0x0F, 0xF0, 0x3C), RGB(0x80, 0x80, 0x80), RGB(0x01, 0xFE, 0x7F)};
// MaskBlt's mask over the four pixels: 1 takes the foreground operation.
constexpr int kMask[4] = {1, 0, 1, 0};

Bytes Row(const COLORREF (&c)[4]) { return Dib24(4, 1, {c[0], c[1], c[2], c[3]}); }

COLORREF Expected(uint32_t code, COLORREF p, COLORREF s, COLORREF d) {
    COLORREF r = 0;
    for (int i = 0; i < 24; ++i) {
        const uint32_t at = ((p >> i) & 1) << 2 | ((s >> i) & 1) << 1 | ((d >> i) & 1);
        r |= ((code >> at) & 1) << i;
    }
    return r;
}

bool ReadsSource(uint32_t code) {
    for (uint32_t at = 0; at < 8; ++at)
        if (((code >> at) & 1) != ((code >> (at ^ 2)) & 1)) return true;
    return false;
}

// The background operation of the MaskBlt rows, for each foreground one.
uint32_t Back(uint32_t code) { return code ^ 0x5A; }

struct Family {
    const char* name;
    bool bWmf;
    bool bSource;    // false: a blit without a source, which draws nothing for an operation that reads one
    bool bSolid;     // the brush is solid kP[0] instead of the pattern of kP
    bool bMask;      // MaskBlt: the background operation where the mask is 0
    std::function<void(Emf&, uint32_t)> emf;
    std::function<void(Wmf&, uint32_t)> wmf;
};

Fields EmfMaskBlt(uint32_t rop) {
    const Bytes src = Row(kS), mask = Dib1(4, 1, {kMask[0], kMask[1], kMask[2], kMask[3]}, {kBlack, kWhite});
    const uint32_t at = 128, maskAt = static_cast<uint32_t>(128 + src.size());
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(4).I32(1).U32(rop).I32(0).I32(0);
    f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(at).U32(40).U32(at + 40);
    f.U32(static_cast<uint32_t>(src.size() - 40));
    f.I32(0).I32(0).U32(0).U32(maskAt).U32(48).U32(maskAt + 48).U32(static_cast<uint32_t>(mask.size() - 48));
    return f.Raw(src).Raw(mask);
}

const std::vector<Family>& Families() {
    static const std::vector<Family> families = {
        {"EMF BITBLT", false, true, false, false,
         [](Emf& e, uint32_t rop) { e.Record(EMR_BITBLT, EmfSourceBlit(0, 0, 4, 1, rop, 0, 0, Row(kS), false)); }, {}},
        {"EMF BITBLT, a solid brush", false, true, true, false,
         [](Emf& e, uint32_t rop) { e.Record(EMR_BITBLT, EmfSourceBlit(0, 0, 4, 1, rop, 0, 0, Row(kS), false)); }, {}},
        {"EMF STRETCHBLT", false, true, false, false,
         [](Emf& e, uint32_t rop) { e.Record(EMR_STRETCHBLT, EmfSourceBlit(0, 0, 4, 1, rop, 0, 0, Row(kS), true, 4, 1)); }, {}},
        {"EMF STRETCHDIBITS", false, true, false, false,
         [](Emf& e, uint32_t rop) { e.Record(EMR_STRETCHDIBITS, EmfStretchDib(0, 0, 4, 1, 0, 0, 4, 1, Row(kS), rop)); }, {}},
        {"EMF BITBLT without a source", false, false, false, false,
         [](Emf& e, uint32_t rop) {
             Fields f;
             f.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(4).I32(1).U32(rop).I32(0).I32(0);
             f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
             e.Record(EMR_BITBLT, f);
         }, {}},
        {"EMF MASKBLT", false, true, false, true,
         [](Emf& e, uint32_t rop) { e.Record(EMR_MASKBLT, EmfMaskBlt(rop | Back(rop >> 16) << 24)); }, {}},
        {"WMF PATBLT", true, false, false, false, {},
         [](Wmf& w, uint32_t rop) { w.Record(META_PATBLT, Fields().U32(rop).I16(1).I16(4).I16(0).I16(0)); }},
        {"WMF DIBBITBLT", true, true, false, false, {},
         [](Wmf& w, uint32_t rop) {
             w.Record(META_DIBBITBLT, Fields().U32(rop).I16(0).I16(0).I16(1).I16(4).I16(0).I16(0).Raw(Row(kS)));
         }},
        {"WMF DIBSTRETCHBLT", true, true, false, false, {},
         [](Wmf& w, uint32_t rop) {
             w.Record(META_DIBSTRETCHBLT, Fields().U32(rop).I16(1).I16(4).I16(0).I16(0).I16(1).I16(4).I16(0).I16(0).Raw(Row(kS)));
         }},
        {"WMF STRETCHDIB", true, true, false, false, {},
         [](Wmf& w, uint32_t rop) {
             w.Record(META_STRETCHDIB, Fields().U32(rop).U16(0).I16(1).I16(4).I16(0).I16(0).I16(1).I16(4).I16(0).I16(0).Raw(Row(kS)));
         }},
    };
    return families;
}

// The destination and the brush, then the family's blit with the operation.
Played PlayRop(const Family& family, uint32_t code) {
    const uint32_t rop = code << 16;
    if (family.bWmf) {
        Wmf w(4);
        w.Record(META_STRETCHDIB, Fields().U32(0x00CC0020).U16(0).I16(1).I16(4).I16(0).I16(0).I16(1).I16(4).I16(0).I16(0).Raw(Row(kD)));
        w.Record(META_DIBCREATEPATTERNBRUSH, Fields().U16(5).U16(0).Raw(Row(kP))).Record(META_SELECTOBJECT, {0});
        family.wmf(w, rop);
        return Play(w.FinishPlaceable(96, 0, 0, 48, 48));
    }
    Emf e = Emf48();
    e.Record(EMR_STRETCHDIBITS, EmfStretchDib(0, 0, 4, 1, 0, 0, 4, 1, Row(kD)));
    if (family.bSolid) e.Record(EMR_CREATEBRUSHINDIRECT, EmfBrush(1, kP[0]));
    else e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(1, Row(kP)));
    e.Dwords(EMR_SELECTOBJECT, {1});
    family.emf(e, rop);
    return Play(e.Finish());
}

}  // namespace

TEST(MetafileRops, EveryOperationOfEveryBlitFollowsItsTruthTable) {
    for (const Family& family : Families()) {
        int wrong = 0;
        for (uint32_t code = 0; code < 256; ++code) {
            const Played p = PlayRop(family, code);
            ASSERT_EQ(p.err, 0) << family.name << " " << code;
            for (int x = 0; x < 4; ++x) {
                const uint32_t op = family.bMask && !kMask[x] ? Back(code) : code;
                const COLORREF brush = family.bSolid ? kP[0] : kP[x];
                COLORREF want = Expected(op, brush, kS[x], kD[x]);
                if (!family.bSource && ReadsSource(op)) want = kD[x];
                if (p.At(static_cast<UINT>(x), 0) != want && ++wrong <= 8)
                    ADD_FAILURE() << family.name << ", operation 0x" << std::hex << op << " at " << std::dec << x
                                  << ": 0x" << std::hex << p.At(static_cast<UINT>(x), 0) << " instead of 0x" << want;
            }
            EXPECT_EQ(p.At(4, 0), kGrey) << family.name << " " << code;  // nothing beyond the rectangle
            EXPECT_EQ(p.At(0, 1), kGrey) << family.name << " " << code;
        }
        EXPECT_EQ(wrong, 0) << family.name;
    }
}

// The two named in old clip art, written with their full codes: MERGECOPY (brush AND source) and
// 0xB8074A, PSDPxax (the destination where the source is set, the brush elsewhere).
TEST(MetafileRops, FullCodesOfOldClipArt) {
    struct Case {
        const char* name;
        uint32_t rop;
        COLORREF want[4];
    } cases[] = {
        {"MERGECOPY", 0x00C000CA, {kP[0] & kS[0], kP[1] & kS[1], kP[2] & kS[2], kP[3] & kS[3]}},
        {"PSDPxax", 0x00B8074A,
         {(kS[0] & kD[0]) | (~kS[0] & kP[0] & 0xFFFFFF), (kS[1] & kD[1]) | (~kS[1] & kP[1] & 0xFFFFFF),
          (kS[2] & kD[2]) | (~kS[2] & kP[2] & 0xFFFFFF), (kS[3] & kD[3]) | (~kS[3] & kP[3] & 0xFFFFFF)}},
    };
    for (const Case& row : cases) {
        Emf e = Emf48();
        e.Record(EMR_STRETCHDIBITS, EmfStretchDib(0, 0, 4, 1, 0, 0, 4, 1, Row(kD)));
        e.Record(EMR_CREATEDIBPATTERNBRUSHPT, PatternBrush(1, Row(kP))).Dwords(EMR_SELECTOBJECT, {1});
        e.Record(EMR_BITBLT, EmfSourceBlit(0, 0, 4, 1, row.rop, 0, 0, Row(kS), false));
        const Played p = Play(e.Finish());
        ASSERT_EQ(p.err, 0) << row.name;
        for (UINT x = 0; x < 4; ++x) EXPECT_EQ(p.At(x, 0), row.want[x]) << row.name << " at " << x;
    }
}

// A mask whose header counts more table entries than its block holds (past 256 none can be indexed, so
// the block need not hold them) draws through the entries that are there, and no byte past the block is
// read: the file ends where a page ends and the next page cannot be read.
TEST(MetafileRops, MaskBltReadsOnlyTheMaskBlockOfItsRecord) {
    const Bytes src = Row(kS);
    Fields mask;  // 1, 0, 1, 0 (its bits lie before it); a table of 256 of the 1000 entries it counts
    mask.U32(40).I32(4).I32(1).U16(1).U16(1).U32(0).U32(4).I32(0).I32(0).U32(1000).U32(0);
    for (int i = 0; i < 256; ++i) mask.U32(0);
    const uint32_t at = 128, bitsAt = static_cast<uint32_t>(at + src.size()), maskAt = bitsAt + 4;
    Fields f;
    f.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(4).I32(1).U32(0xAACC0020).I32(0).I32(0);
    f.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0).U32(at).U32(40).U32(at + 40);
    f.U32(static_cast<uint32_t>(src.size() - 40));
    f.I32(0).I32(0).U32(0).U32(maskAt).U32(static_cast<uint32_t>(mask.b.size())).U32(bitsAt).U32(4);
    f.Raw(src).Raw(Bytes{0xA0, 0, 0, 0}).Raw(mask.b);
    Emf e = Emf48();
    e.Record(EMR_STRETCHDIBITS, EmfStretchDib(0, 0, 4, 1, 0, 0, 4, 1, Row(kD)));
    e.Record(EMR_MASKBLT, f);
    const Bytes file = e.Finish();

    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t pages = (file.size() + page - 1) / page;
    void* map = mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    BYTE* end = static_cast<BYTE*>(map) + pages * page;
    ASSERT_EQ(mprotect(end, page, PROT_NONE), 0);
    std::memcpy(end - file.size(), file.data(), file.size());
    ErrorCode err = ErrorCode::None;
    Played p;
    p.rgb = Owned(px::ReadMetafileFromMemory(err, end - file.size(), file.size(), &p.w, &p.h, 100, 100, kGrey));
    munmap(map, (pages + 1) * page);
    ASSERT_EQ(err, ErrorCode::None);
    ASSERT_TRUE(p.rgb);
    for (UINT x = 0; x < 4; ++x) EXPECT_EQ(p.At(x, 0), x % 2 ? kD[x] : kS[x]) << x;
}
