// The buffer operations as workers: each takes the caller's error code first, holds a DepthGuard for
// the time it runs (so one called by another operation reports no progress) and returns its result.
// The public functions of the same names run them through RunWorker; the codecs and the DIB code call
// them directly.
#pragma once

#include "pixmill/pxcore.h"

namespace px {

// Grey of one pixel: 0.299 red + 0.587 green + 0.114 blue in double precision, truncated.
inline BYTE GreyOf(BYTE r, BYTE g, BYTE b) {
    const double v = 0.299 * r + 0.587 * g + 0.114 * b;
    return static_cast<BYTE>(static_cast<int>(v));
}

BOOL RgbToGray(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* out);
BOOL DesaturateRgb(ErrorCode& err, BYTE* rgb, UINT width, UINT height);
BOOL SwapRedBlue(ErrorCode& err, BYTE* rgb, UINT width, UINT height);
BOOL Expand8BitToRgb(ErrorCode& err, const BYTE* pixels, BYTE* rgb, UINT width, UINT height,
                     const RGBQUAD* palette);
UINT CountRgbColors(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BOOL large);
BOOL ReplaceRgbColor(ErrorCode& err, BYTE* rgb, UINT width, UINT height, COLORREF from, COLORREF to);
BOOL MapRgbToPalette(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n,
                     const RGBQUAD* palette);
class PaletteCounter;
// out NULL: the palette only (ComputeOptimalPalette); otherwise the mapped pixels as well. pCounted: a
// counter attached to this image while it was made (see pxquantize.h), or NULL.
BOOL QuantizeRgb(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* out, UINT n, RGBQUAD* palette,
                 PaletteCounter* pCounted = nullptr);
BOOL ResizeImage(ErrorCode& err, const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth,
                 UINT dstHeight, UINT bytesPerPixel);
BOOL ResizeRgbKeyed(ErrorCode& err, const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth,
                    UINT dstHeight, COLORREF key);
BOOL ShrinkRgbByAveraging(ErrorCode& err, const BYTE* src, UINT srcWidth, UINT srcHeight, BYTE* dst, UINT dstWidth,
                          UINT dstHeight);
BOOL FlipVertical(ErrorCode& err, BYTE* buffer, UINT rowBytes, UINT rows);
BOOL MirrorHorizontal(ErrorCode& err, BYTE* rgb, UINT width, UINT height);
BOOL CopyRows(ErrorCode& err, const BYTE* src, UINT srcStride, UINT rows, UINT dstStride, BYTE* dst);
BOOL SplitRgbPlanes(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE* red, BYTE* green, BYTE* blue);
BOOL MergeRgbPlanes(ErrorCode& err, BYTE* rgb, UINT width, UINT height, const BYTE* red, const BYTE* green,
                    const BYTE* blue);
BOOL SplitRgba(ErrorCode& err, const BYTE* rgba, UINT width, UINT height, BYTE* rgb, BYTE* alpha);
BOOL SetAlphaChannel(ErrorCode& err, BYTE* rgba, UINT width, UINT height, const BYTE* alpha);
BOOL RgbToRgba(ErrorCode& err, const BYTE* rgb, UINT width, UINT height, BYTE alpha, BYTE* rgba);
BOOL PackIndices(ErrorCode& err, const BYTE* pixels, UINT width, UINT height, BYTE* out, UINT bits);

// A new global-memory block with the rectangle left <= x < right, top <= y < bottom of an image of
// bytesPerPixel-byte pixels; it needs left < right <= width and top < bottom <= height (else BadParam).
BYTE* CropRgb(ErrorCode& err, const BYTE* src, UINT width, UINT height, UINT bytesPerPixel, UINT left, UINT top,
              UINT right, UINT bottom);
// Fills the rectangle (x, y, w, h) of an RGB image with a COLORREF. A rectangle that does not lie inside
// the image is left alone, and the call still succeeds.
BOOL FillRgbRect(ErrorCode& err, BYTE* rgb, UINT width, UINT height, int x, int y, UINT w, UINT h, COLORREF color);
// Writes the image bottom row first as blue, green, red into rows of `stride` bytes (at least width x 3);
// the bytes past width x 3 in each row are left as they are.
BOOL RgbToDibBits(ErrorCode& err, const BYTE* rgb, BYTE* bits, UINT width, UINT height, UINT stride);

}  // namespace px
