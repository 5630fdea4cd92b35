// libFuzzer target: bytes taken as a packed DIB through DibToRgb, CreateDdbFromDib and StretchDrawDib,
// with a lowered allocation limit.
#include "fuzz/mffuzz/mffuzz.h"
#include "pixmill/pxalloc.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    px::SetAllocationLimitForTesting(256u << 10);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FzConvertDib(data, size);
    return 0;
}
