// The checks of the image-file fuzz targets, shared with the regression tests: every reader of a format
// runs on the bytes through a memory source and through a callback source, and what comes back must be
// consistent (a buffer exactly width x height pixels in size, no buffer without a code; the PNG and TIFF
// readers return no buffer with a code).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class FzImage { Bmp, Pcx, Tga, Detect, Png, Jpeg, Tiff };

// The allocation limit of the fuzz runs: small enough that a tiny file declaring a huge image fails at
// once.
constexpr uint64_t kFzAllocationLimit = 256u << 10;
void FzLowerAllocationLimit();

// Runs the readers of `kind` on the bytes and checks their results (a broken check aborts). Returns the
// last-error codes, one per reader and source.
std::vector<int> FzReadImage(FzImage kind, const uint8_t* data, size_t size);
