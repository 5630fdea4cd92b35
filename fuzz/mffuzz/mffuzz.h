// The checks of the metafile and DIB fuzz targets, shared with the regression tests: the bytes played as
// a metafile, and converted as a packed DIB through every path that reads one. A broken check aborts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Plays the bytes as a metafile; returns the code. A buffer comes back exactly when the code is 0, and
// it holds width x height pixels.
int FzPlayMetafile(const uint8_t* data, size_t size);

// Takes the bytes as a packed DIB in a global-memory block: DibToRgb, DibBitsToRgb of its parts (when
// the block holds its rows), CreateDdbFromDib then DdbToRgb (with and without DIB sections), and
// StretchDrawDib onto a small bitmap. Returns the codes of DibToRgb, the two CreateDdbFromDib calls
// and StretchDrawDib.
std::vector<int> FzConvertDib(const uint8_t* data, size_t size);
