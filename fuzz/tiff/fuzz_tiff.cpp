// libFuzzer target: TIFF bytes through the page readers (pages 0 and 1) and the page count, from memory
// and through callbacks.
#include "fuzz/imagefuzz/imagefuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FzLowerAllocationLimit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FzReadImage(FzImage::Tiff, data, size);
    return 0;
}
