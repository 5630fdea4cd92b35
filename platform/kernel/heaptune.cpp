#include "platform/kernel/heaptune.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kernel {

bool LimitHeapRetention() {
#if defined(__GLIBC__)
    return mallopt(M_MMAP_THRESHOLD, kMappedBlockBytes) == 1;
#else
    return false;
#endif
}

}  // namespace kernel
