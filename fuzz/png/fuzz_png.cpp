// libFuzzer target: PNG bytes through both PNG readers, from memory and through callbacks.
#include "fuzz/imagefuzz/imagefuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FzLowerAllocationLimit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FzReadImage(FzImage::Png, data, size);
    return 0;
}
