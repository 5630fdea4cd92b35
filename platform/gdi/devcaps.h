// Device capabilities (GetDeviceCaps) and the reference screen.
//
// Every DC describes a device. Memory DCs take the description of the DC they are made compatible with,
// and surfaces attached with CDC::AttachSurface describe the reference screen until told otherwise
// (CDC::SetDeviceCaps, which tests use to make printers, palette devices and the like).
//
// The reference screen is what GetDC(NULL) returns: a true-colour display of exactly 96 dots per inch,
// 1920 x 1440 pixels on 508 x 381 mm, so that lengths in 0.01 mm and pixels convert without rounding
// (2540 hundredths of a millimetre are 96 pixels). It has no pixels of its own: what is drawn on it is
// dropped, and what is read from it is black.
#pragma once

#include "platform/crt/wintypes.h"

// GetDeviceCaps indices.
constexpr int DRIVERVERSION = 0;
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;   // width in millimetres
constexpr int VERTSIZE = 6;   // height in millimetres
constexpr int HORZRES = 8;    // width in pixels
constexpr int VERTRES = 10;   // height in pixels
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int NUMRESERVED = 106;
constexpr int COLORRES = 108;

// TECHNOLOGY values.
constexpr int DT_PLOTTER = 0;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;

// RASTERCAPS bits.
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BANDING = 0x0002;
constexpr int RC_SCALING = 0x0004;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_STRETCHDIB = 0x2000;

namespace gdi {

struct DeviceCaps {
    int technology;
    int horzSize;    // millimetres
    int vertSize;
    int horzRes;     // pixels
    int vertRes;
    int bitsPixel;
    int planes;
    int numColors;   // -1: more than 256 (true colour)
    int rasterCaps;
    int logPixelsX;  // dots per inch
    int logPixelsY;
    int sizePalette;  // entries of the system palette of a palette device (RC_PALETTE), else 0
    int numReserved;
    int colorRes;
};

// The reference screen: DT_RASDISPLAY, 508 x 381 mm, 1920 x 1440 pixels, 32 bits, 96 x 96 dpi,
// RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_STRETCHDIB.
const DeviceCaps& ReferenceScreen();

// The reference screen with other raster capabilities; with RC_PALETTE an 8-bit palette device of 256
// entries, 20 of them reserved.
DeviceCaps ScreenWithRasterCaps(int rasterCaps);

// The value GetDeviceCaps gives for an index (0 for an index it does not know).
int DeviceCapsValue(const DeviceCaps& caps, int nIndex);

}  // namespace gdi
