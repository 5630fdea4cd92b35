// The player's blits (pxmfplay.h): every ternary raster operation over the destination, a source bitmap
// and the brush, for BitBlt, StretchBlt, StretchDIBits, SetDIBitsToDevice, PatBlt and both operations of
// MaskBlt.
//
// A raster operation's third byte is its truth table: the result's bit, for a brush bit P, a source bit S
// and a destination bit D, is bit (P x 4 + S x 2 + D) of that byte, taken bit by bit over the 24 colour
// bits (PATCOPY 0xF0 is P, SRCCOPY 0xCC is S, DSTINVERT 0x55 is NOT D). The two low bytes, the platform's
// encoding of the same operation for its drivers, are not read.
#include <algorithm>
#include <cstring>

#include "pixmill/pxalloc.h"
#include "pixmill/pxmfpaint.h"
#include "pixmill/pxmfplay.h"

namespace px::mf {

namespace {

// Whether the operation reads the brush, the source or the destination: its table differs between the
// halves that differ in that bit.
bool ReadsBrush(uint32_t index) { return ((index >> 4) ^ index) & 0x0F; }
bool ReadsSource(uint32_t index) { return ((index >> 2) ^ index) & 0x33; }

// The operation's result over whole pixels: the union of the minterms its table holds.
uint32_t Rop3(uint32_t index, uint32_t p, uint32_t s, uint32_t d) {
    uint32_t r = 0;
    for (uint32_t term = 0; term < 8; ++term) {
        if (!((index >> term) & 1)) continue;
        r |= ((term & 4) ? p : ~p) & ((term & 2) ? s : ~s) & ((term & 1) ? d : ~d);
    }
    return r & 0xFFFFFFu;
}

// The destination as it is, and the source as it is.
constexpr uint32_t kDstCopy = 0xAA, kSrcCopy = 0xCC;

}  // namespace

void Player::RopBlit(RECT box, DWORD rop, const gdi::Surface* src, int srcX, int srcY, const gdi::Surface* mask,
                     DWORD backIndex) {
    const uint32_t fore = (rop >> 16) & 0xFF, back = mask ? backIndex & 0xFF : fore;
    if (fore == kDstCopy && back == kDstCopy) return;
    if (!src && (ReadsSource(fore) || ReadsSource(back))) return;
    // The brush: its colour or its pattern (a pattern's marked pixels, the gaps of a hatch in TRANSPARENT
    // mode, leave the destination). A hollow brush makes an operation that reads it draw nothing, as the
    // platform's blits with a null brush do.
    const bool readsBrush = ReadsBrush(fore) || ReadsBrush(back);
    if (readsBrush && !BrushVisible()) return;
    const std::shared_ptr<const Pattern> pattern = readsBrush ? BrushPattern(m_state.brush) : nullptr;
    const uint32_t solid = gdi::ColorToPixel(m_state.brush.color & 0xFFFFFF);
    const Mask* clip = m_state.clip.get();
    RECT cut;
    if (!PaintBox(clip, nullptr, &box, cut)) return;
    gdi::Surface* dst = m_dc.GetSurface();
    if (!dst) return;
    for (int y = cut.top; y < cut.bottom; ++y) {
        uint32_t* row = dst->Row(y);
        const uint32_t* srcRow = src ? src->Row(y - srcY) : nullptr;
        const uint32_t* maskRow = mask ? mask->Row(y - srcY) : nullptr;
        for (int x = cut.left; x < cut.right; ++x) {
            if (clip && !clip->Inside(x, y)) continue;
            // A mask pixel its bitmap does not cover (marked) takes the foreground operation.
            const uint32_t op = maskRow && !(maskRow[x - srcX] & (paint::kUndrawn | 0xFFFFFFu)) ? back : fore;
            if (op == kDstCopy) continue;
            uint32_t s = 0, p = solid;
            if (srcRow) {
                s = srcRow[x - srcX];
                if (s & paint::kUndrawn) continue;
                if (op == kSrcCopy) {
                    row[x] = s;
                    continue;
                }
            }
            if (pattern && ReadsBrush(op)) {
                p = paint::PatternAt(*pattern, x, y, m_state.brushOrg);
                if (p & paint::kUndrawn) continue;
            }
            row[x] = Rop3(op, p, s, row[x]);
        }
    }
}

void Player::DrawDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                     bool bDibRows, const BITMAPINFO* bmi, size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage,
                     DWORD rop) {
    Stretched st;
    if (!StretchToWork(st, xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc, bmi, cbInfo, bits, cbBits, usage, bDibRows))
        return;
    const RECT box{st.x0, st.y0, st.x0 + st.pixels.Width(), st.y0 + st.pixels.Height()};
    RopBlit(box, rop, &st.pixels, st.x0, st.y0);
}

void Player::PatBlt(double x, double y, double w, double h, DWORD rop) {
    const DPoint a = ToRaster({x, y}), b = ToRaster({x + w, y + h});
    const int x0 = ToPixel(a.x), y0 = ToPixel(a.y), x1 = ToPixel(b.x), y1 = ToPixel(b.y);
    RopBlit(RECT{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)}, rop, nullptr, 0, 0);
}

void Player::MaskDib(double xDest, double yDest, double wDest, double hDest, int xSrc, int ySrc, const BITMAPINFO* bmi,
                     size_t cbInfo, const BYTE* bits, size_t cbBits, UINT usage, DWORD rop, const BITMAPINFO* maskBmi,
                     size_t cbMaskInfo, const BYTE* maskBits, size_t cbMaskBits, int xMask, int yMask) {
    const int w = static_cast<int>(wDest), h = static_cast<int>(hDest);
    gdi::DibFormat mf;
    // Without a mask, the foreground operation alone, as BitBlt.
    if (!maskBmi || !maskBits || !gdi::ParseDib(maskBmi, cbMaskInfo, DIB_RGB_COLORS, &mf) || mf.bits != 1) {
        DrawDib(xDest, yDest, wDest, hDest, xSrc, ySrc, w, h, false, bmi, cbInfo, bits, cbBits, usage, rop);
        return;
    }
    // The mask's pixels onto the destination's raster pixels, read through a table of black and white so
    // that its bits read as they are: 1 (white) takes the foreground operation, 0 the background one (the
    // top byte of rop).
    Stretched ms;
    // The header block as far as the record holds it: a table may claim more entries than it has, so long
    // as the ones its pixels can index are there.
    const size_t infoBytes = static_cast<size_t>(std::min<uint64_t>(mf.infoBytes, cbMaskInfo));
    std::vector<BYTE> info(reinterpret_cast<const BYTE*>(maskBmi), reinterpret_cast<const BYTE*>(maskBmi) + infoBytes);
    const size_t tableAt = static_cast<size_t>(static_cast<const BYTE*>(mf.table) - reinterpret_cast<const BYTE*>(maskBmi));
    const BYTE bw[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    if (mf.tableEntries < 2 || tableAt + 8 > info.size()) return;
    std::memcpy(info.data() + tableAt, bw, 8);
    Stretched st;
    if (!StretchToWork(ms, xDest, yDest, wDest, hDest, xMask, yMask, w, h, reinterpret_cast<const BITMAPINFO*>(info.data()),
                       info.size(), maskBits, cbMaskBits, DIB_RGB_COLORS) ||
        !StretchToWork(st, xDest, yDest, wDest, hDest, xSrc, ySrc, w, h, bmi, cbInfo, bits, cbBits, usage))
        return;
    const RECT box{st.x0, st.y0, st.x0 + st.pixels.Width(), st.y0 + st.pixels.Height()};
    RopBlit(box, rop, &st.pixels, st.x0, st.y0, &ms.pixels, rop >> 24);
}

}  // namespace px::mf
