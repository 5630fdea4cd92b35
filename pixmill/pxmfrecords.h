// Metafile records: bounds-checked field access, and the record loops of Windows metafiles and enhanced
// metafiles that drive the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pixmill/pxbytes.h"
#include "pixmill/pxmfplay.h"

namespace px::mf {

// The bytes of one record. Every read is checked against them: a field past the end reads as 0 and
// Has() tells beforehand whether a record is long enough.
class Fields {
public:
    Fields(const BYTE* p, size_t n) : m_p(p), m_n(n) {}
    size_t Size() const { return m_n; }
    bool Has(uint64_t at, uint64_t count) const { return at <= m_n && count <= m_n - at; }
    const BYTE* At(size_t at) const { return m_p + at; }
    uint16_t U16(size_t at) const { return Has(at, 2) ? GetLe16(m_p + at) : 0; }
    int16_t I16(size_t at) const { return static_cast<int16_t>(U16(at)); }
    uint32_t U32(size_t at) const { return Has(at, 4) ? GetLe32(m_p + at) : 0; }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    BYTE U8(size_t at) const { return Has(at, 1) ? m_p[at] : 0; }
    float F32(size_t at) const {
        const uint32_t v = U32(at);
        float f;
        std::memcpy(&f, &v, sizeof f);
        return f;
    }

private:
    const BYTE* m_p;
    size_t m_n;
};

// Plays the records of a Windows metafile (`records` starts at its 18-byte header) or of an enhanced
// metafile (`records` starts at its header record) up to the end-of-file record or the end of the data.
// A record shorter than a record's size and function (WMF) or type and size (EMF), or one reaching past
// the data, ends the play with ErrorCode::BadMetafile. A record too short for its own fields, or whose
// counts do not fit it, is skipped; so is every record the player does not know. A record the player
// fails (Player::Error) ends the play with the player's code. *pEof tells whether the play ended at the
// end-of-file record.
ErrorCode PlayWmfRecords(Player& player, const BYTE* records, size_t size, bool* pEof);
ErrorCode PlayEmfRecords(Player& player, const BYTE* records, size_t size, bool* pEof);

// SetDIBitsToDevice: the scan lines a record holds (startScan onwards, scanLines of them; all of an RLE
// DIB) copied 1:1 in logical units.
void SetDibBitsToDevice(Player& player, int64_t xDest, int64_t yDest, int64_t xSrc, int64_t ySrc, int64_t cx,
                        int64_t cy, uint32_t startScan, uint32_t scanLines, const BITMAPINFO* bmi, size_t cbInfo,
                        const BYTE* bits, size_t cbBits, UINT usage);
// A pattern brush's bitmap from a DIB (a monochrome brush keeps a 1-bit DIB's bits as 0 and 1); nullptr
// when it cannot be read.
std::shared_ptr<const Pattern> PatternFromDib(const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits,
                                              UINT usage, bool bMono);

// Object slots a create record fills: the WMF ones take the lowest free slot, EMF ones name theirs.
constexpr size_t kMaxEmfObjects = 65536;

}  // namespace px::mf
