// libFuzzer target: bytes through the background-image wrapper's LoadFromMemory (the type from the
// signature: BMP, JPEG, PNG, PCX, TIFF), then the bitmap the paint would make of a picture that loaded.
#include <cstdlib>

#include "fuzz/imagefuzz/imagefuzz.h"
#include "quillstorm/pximage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FzLowerAllocationLimit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRgbImage image;
    const int code = image.LoadFromMemory(data, static_cast<UINT>(size));
    // Success always comes with a picture of the size the buffer holds.
    if (code == 0) {
        const CSize s = image.GetSize();
        if (!image.m_hBuffer || s.cx <= 0 || s.cy <= 0 ||
            GlobalSize(image.m_hBuffer) < static_cast<SIZE_T>(s.cx) * 3 * static_cast<SIZE_T>(s.cy))
            std::abort();
        CBitmap bitmap;
        if (image.CreateBitmap(&bitmap, nullptr) == 0) {
            BITMAP bm;
            if (!bitmap.GetBitmap(&bm) || bm.bmWidth != s.cx || bm.bmHeight != s.cy) std::abort();
        }
    } else if (image.m_hBuffer && code == 0) {
        std::abort();
    }
    return 0;
}
