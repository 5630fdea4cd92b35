// libFuzzer target: archive reading of a small object graph (fuzzgraph.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/archive/fuzzgraph.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FzRegisterClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FzLoadAndCheck(data, size);
    return 0;
}
