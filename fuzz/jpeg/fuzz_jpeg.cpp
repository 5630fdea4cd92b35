// libFuzzer target: JPEG bytes through the RGB and grey JPEG readers, from memory and through callbacks.
#include "fuzz/imagefuzz/imagefuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FzLowerAllocationLimit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FzReadImage(FzImage::Jpeg, data, size);
    return 0;
}
