#include "platform/gdi/devcaps.h"

namespace gdi {

const DeviceCaps& ReferenceScreen() {
    static const DeviceCaps caps{
        DT_RASDISPLAY,
        508, 381,    // millimetres
        1920, 1440,  // pixels: 96 dots per inch both ways
        32, 1,
        -1,
        RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_STRETCHDIB,
        96, 96,
        0, 0,
        24,
    };
    return caps;
}

DeviceCaps ScreenWithRasterCaps(int rasterCaps) {
    DeviceCaps caps = ReferenceScreen();
    caps.rasterCaps = rasterCaps;
    if (rasterCaps & RC_PALETTE) {
        caps.bitsPixel = 8;
        caps.numColors = 20;
        caps.sizePalette = 256;
        caps.numReserved = 20;
        caps.colorRes = 18;
    }
    return caps;
}

int DeviceCapsValue(const DeviceCaps& caps, int nIndex) {
    switch (nIndex) {
        case DRIVERVERSION: return 0x4000;
        case TECHNOLOGY: return caps.technology;
        case HORZSIZE: return caps.horzSize;
        case VERTSIZE: return caps.vertSize;
        case HORZRES: return caps.horzRes;
        case VERTRES: return caps.vertRes;
        case BITSPIXEL: return caps.bitsPixel;
        case PLANES: return caps.planes;
        case NUMCOLORS: return caps.numColors;
        case RASTERCAPS: return caps.rasterCaps;
        case LOGPIXELSX: return caps.logPixelsX;
        case LOGPIXELSY: return caps.logPixelsY;
        case SIZEPALETTE: return caps.sizePalette;
        case NUMRESERVED: return caps.numReserved;
        case COLORRES: return caps.colorRes;
        default: return 0;
    }
}

}  // namespace gdi
