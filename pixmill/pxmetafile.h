// Metafiles: reading EMF and WMF files into RGB buffers through the record player, and writing RGB
// images as metafiles. The public functions are ReadMetafileToRgb, WriteRgbAsEmf and WriteRgbAsWmf.
#pragma once

#include <cstddef>

#include "pixmill/pxcore.h"
#include "pixmill/pxstream.h"

namespace px {

// The 22-byte header before the records of a placeable Windows metafile.
constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableBytes = 22;

// The metafile in `data` rendered as ReadMetafileToRgb renders a file's bytes: an enhanced metafile, a
// Windows metafile with its own header (played at 1000 x 1000 hundredths of a millimetre), or a placeable
// one (played at its box). Anything else fails with ErrorCode::MetafileConvert.
BYTE* ReadMetafileFromMemory(ErrorCode& err, const BYTE* data, size_t size, UINT* width, UINT* height,
                             UINT defaultExtentX, UINT defaultExtentY, COLORREF background);

// The same for the file at path.
BYTE* ReadMetafileFile(ErrorCode& err, const char* path, UINT* width, UINT* height, COLORREF background);

UINT WriteRgbAsEmf(ErrorCode& err, Stream& sink, const BYTE* rgb, UINT width, UINT height);
UINT WriteRgbAsWmf(ErrorCode& err, Stream& sink, const BYTE* rgb, UINT width, UINT height, BOOL placeable);

}  // namespace px
