// libFuzzer target: bytes played as an enhanced or Windows metafile, with a lowered allocation limit.
#include "fuzz/mffuzz/mffuzz.h"
#include "pixmill/pxalloc.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    px::SetAllocationLimitForTesting(256u << 10);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FzPlayMetafile(data, size);
    return 0;
}
